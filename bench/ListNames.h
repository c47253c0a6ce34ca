#pragma once

#include <QFile>
#include <QStringList>

// The names of an employee list file as the bare list programs read them: the quoted first field
// of each line, with no check of the rest.
inline QStringList ListNames(const QString& path)
{
    QStringList names;
    QFile file(path);
    // The benchmark's own list; a bare program still reads no more than a list may hold.
    constexpr qint64 MaxListSize = 16 << 20;
    if (file.open(QIODevice::ReadOnly) && file.size() <= MaxListSize) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('"'))
                names.append(QString::fromLatin1(line.mid(1, line.indexOf('"', 1) - 1)));
        }
    }
    return names;
}
