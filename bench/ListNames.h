#pragma once

#include <QFile>
#include <QStringList>

// The names of an employee list file as the bare list programs read them: the quoted first field
// of each line, with no check of the rest.
inline QStringList ListNames(const QString& path)
{
    QStringList names;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('"'))
                names.append(QString::fromLatin1(line.mid(1, line.indexOf('"', 1) - 1)));
        }
    }
    return names;
}
