#pragma once

#include "data/BadgeFile.h"
#include "render/BadgeCards.h"

#include <QDir>
#include <QImage>
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

// The codes zbarimg reads in one image, as "KIND:code" lines; empty when it reads none.
inline QStringList symbolsIn(const QString& image)
{
    QProcess decode;
    decode.start(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), image});
    if (!decode.waitForFinished(60000))
        return {QStringLiteral("zbarimg did not finish")};
    return QString::fromLatin1(decode.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// What is wrong with the cards of the PDF, empty when nothing is: each of the cards must hold
// one code, read from its Code 128 and from its QR code, whose hash is in the badge file. Each
// card is read on its own, as a reader sees it: zbar, given a whole sheet, now and then misses
// one of several QR codes side by side. The pages are drawn into workDir.
inline QString cardsProblem(const QString& pdf, const QString& workDir, int cards)
{
    constexpr int Dpi = 300;
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-gray"), pdf,
                  workDir + QStringLiteral("/sheet")});
    if (!render.waitForFinished(60000) || render.exitCode() != 0)
        return QStringLiteral("pdftoppm could not draw %1").arg(pdf);
    const QStringList sheets =
        QDir(workDir).entryList({QStringLiteral("sheet*")}, QDir::Files, QDir::Name);

    BadgeFile file;
    if (const IoResult read = ReadBadgeFile(&file); !read)
        return read.error;
    QSet<QByteArray> stored;
    for (const Badge& b : std::as_const(file.badges))
        stored.insert(b.hash);
    const QSet<QString> both{QStringLiteral("CODE-128"), QStringLiteral("QR-Code")};
    constexpr qreal PxPerMm = Dpi / 25.4;
    constexpr qreal Slack = 3; // mm around a card, blank on every card, for a shifted print
    QSet<QString> codes;
    for (const QString& sheet : sheets) {
        const QImage page(QDir(workDir).filePath(sheet));
        if (page.isNull())
            return QStringLiteral("%1 cannot be read").arg(sheet);
        const QList<QRectF> places = CardPlaces(QSizeF(page.size()) / PxPerMm);
        for (qsizetype i = 0; i < places.size(); ++i) {
            const QRectF mm = places[i].adjusted(-Slack, -Slack, Slack, Slack);
            const QRect px(QPointF(mm.topLeft() * PxPerMm).toPoint(),
                           QPointF(mm.bottomRight() * PxPerMm).toPoint());
            const QString card = QDir(workDir).filePath(QStringLiteral("card-%1.png").arg(i));
            if (!page.copy(px).save(card))
                return QStringLiteral("%1 cannot be written").arg(card);
            QMap<QString, QSet<QString>> kindsOfCode;
            for (const QString& symbol : symbolsIn(card)) {
                const qsizetype colon = symbol.indexOf(u':');
                kindsOfCode[symbol.mid(colon + 1)].insert(symbol.left(colon));
            }
            if (kindsOfCode.isEmpty())
                continue; // an empty place on the last sheet
            const QString where = QStringLiteral("card %1 of %2").arg(i + 1).arg(sheet);
            if (kindsOfCode.size() != 1)
                return QStringLiteral("%1 holds %2 codes").arg(where).arg(kindsOfCode.size());
            const QString code = kindsOfCode.firstKey();
            if (!stored.contains(BadgeCodeHash(code)))
                return QStringLiteral("%1 of %2 is not in the badge file").arg(code, where);
            if (kindsOfCode.first() != both)
                return QStringLiteral("%1 of %2 is read from %3 symbols only")
                    .arg(code, where,
                         QStringList(kindsOfCode.first().values()).join(QStringLiteral(", ")));
            codes.insert(code);
        }
    }
    if (codes.size() != cards)
        return QStringLiteral("%1 codes read on %2 cards").arg(codes.size()).arg(cards);
    return QString();
}

} // namespace BadgeProbe
