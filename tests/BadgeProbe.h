#pragma once

#include "data/BadgeFile.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>

// Reads printed badge cards back as a barcode reader would: poppler's pdftoppm draws the pages
// and zbar's zbarimg decodes every symbol on them.
namespace BadgeProbe {

inline bool toolsInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// What is wrong with the cards of the PDF, empty when nothing is: each of the cards must hold
// one code, read from its Code 128 and from its QR code, whose hash is in the badge file. The
// pages are drawn into workDir.
inline QString cardsProblem(const QString& pdf, const QString& workDir, int cards)
{
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-gray"), pdf,
                  workDir + QStringLiteral("/sheet")});
    if (!render.waitForFinished(60000) || render.exitCode() != 0)
        return QStringLiteral("pdftoppm could not draw %1").arg(pdf);
    const QStringList sheets =
        QDir(workDir).entryList({QStringLiteral("sheet*")}, QDir::Files, QDir::Name);
    QProcess decode;
    decode.setWorkingDirectory(workDir);
    decode.start(QStringLiteral("zbarimg"), QStringList{QStringLiteral("--quiet")} + sheets);
    if (!decode.waitForFinished(60000))
        return QStringLiteral("zbarimg did not finish");
    const QStringList symbols =
        QString::fromLatin1(decode.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);

    BadgeFile file;
    if (const IoResult read = ReadBadgeFile(&file); !read)
        return read.error;
    QSet<QByteArray> stored;
    for (const Badge& b : std::as_const(file.badges))
        stored.insert(b.hash);
    QMap<QString, QSet<QString>> kindsOfCode;
    for (const QString& symbol : symbols) {
        const qsizetype colon = symbol.indexOf(u':');
        const QString code = symbol.mid(colon + 1);
        if (!stored.contains(BadgeCodeHash(code)))
            return QStringLiteral("%1 is not in the badge file").arg(symbol);
        kindsOfCode[code].insert(symbol.left(colon));
    }
    if (kindsOfCode.size() != cards)
        return QStringLiteral("%1 codes read on %2 cards").arg(kindsOfCode.size()).arg(cards);
    const QSet<QString> both{QStringLiteral("CODE-128"), QStringLiteral("QR-Code")};
    for (auto it = kindsOfCode.cbegin(); it != kindsOfCode.cend(); ++it) {
        if (it.value() != both)
            return QStringLiteral("%1 is read from %2 symbols only")
                .arg(it.key(), QStringList(it.value().values()).join(QStringLiteral(", ")));
    }
    return QString();
}

} // namespace BadgeProbe
