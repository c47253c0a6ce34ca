#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>

// Reads printed PDF files with poppler's tools, as a person checking the printout would.
namespace PdfProbe {

inline QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

// The text of the pages from first to last (0: to the end) as pdftotext -layout writes it.
inline QString layoutText(const QString& pdf, int first = 1, int last = 0)
{
    QStringList args{QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                     QStringLiteral("-f"), QString::number(first)};
    if (last > 0)
        args << QStringLiteral("-l") << QString::number(last);
    args << pdf << QStringLiteral("-");
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), args));
}

inline int pageCount(const QString& pdf)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// One word with its box in points from the top left corner of its page.
struct Word
{
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

inline QList<Word> words(const QString& pdf, int page = 1)
{
    const QString html = QString::fromUtf8(
        run(QStringLiteral("pdftotext"),
            {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
             QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")}));
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)"
        "</word>"));
    QList<Word> list;
    for (const QRegularExpressionMatch& m : word.globalMatch(html)) {
        list.append(Word{m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return list;
}

// The bounding box, in points from the page's top left corner, of the ink in the first band of
// inked rows of the top left area (width x height points) of page 1: the first printed line.
inline QRectF firstLineInk(const QString& pdf, double width = 300, double height = 200)
{
    constexpr int Dpi = 288; // four pixels to the point
    constexpr double PixelsPerPoint = Dpi / 72.0;
    const QByteArray pgm =
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(Dpi),
             QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
             QStringLiteral("-x"), QStringLiteral("0"), QStringLiteral("-y"), QStringLiteral("0"),
             QStringLiteral("-W"), QString::number(int(width * PixelsPerPoint)),
             QStringLiteral("-H"), QString::number(int(height * PixelsPerPoint)), pdf});
    // A binary PGM: "P5", width, height, maximum, one byte per pixel.
    static const QRegularExpression head(QStringLiteral("^P5\\s+(\\d+)\\s+(\\d+)\\s+(\\d+)\\s"));
    const QRegularExpressionMatch m = head.match(QString::fromLatin1(pgm.left(64)));
    if (!m.hasMatch())
        return QRectF();
    const int w = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    const QByteArray pixels = pgm.mid(m.capturedLength());
    if (pixels.size() < qsizetype(w) * h)
        return QRectF();
    auto inked = [&](int x, int y) { return quint8(pixels.at(qsizetype(y) * w + x)) < 128; };
    auto rowInked = [&](int y) {
        for (int x = 0; x < w; ++x) {
            if (inked(x, y))
                return true;
        }
        return false;
    };
    int top = 0;
    while (top < h && !rowInked(top))
        ++top;
    if (top == h)
        return QRectF();
    int bottom = top;
    while (bottom + 1 < h && rowInked(bottom + 1))
        ++bottom;
    int left = w;
    int right = -1;
    for (int y = top; y <= bottom; ++y) {
        for (int x = 0; x < w; ++x) {
            if (inked(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return QRectF(QPointF(left / PixelsPerPoint, top / PixelsPerPoint),
                  QPointF((right + 1) / PixelsPerPoint, (bottom + 1) / PixelsPerPoint));
}

// Lines without trailing spaces and without the page-feed pdftotext puts after each page.
inline QStringList lines(const QString& text)
{
    QString t = text;
    t.remove(u'\f');
    QStringList list = t.split(u'\n');
    for (QString& line : list) {
        while (line.endsWith(u' '))
            line.chop(1);
    }
    while (!list.isEmpty() && list.last().isEmpty())
        list.removeLast();
    return list;
}

// The lines a report should read as on paper: no trailing spaces, no empty lines at the end.
inline QStringList paperLines(const QString& report)
{
    QString text = report;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines(text);
}

// Wide enough for every line of the reports printed here, so that none wraps.
constexpr double CharacterWidth = 7.2; // points: Courier 12 is 0.6 em wide
constexpr int MarginColumns = 10;      // one inch of Courier 12 characters

// The text of a printed page with the one-inch left margin taken off each line. A line that
// does not start exactly at the margin is kept whole, so that a comparison shows it.
inline QStringList marginLines(const QString& pdf, int first = 1, int last = 0)
{
    const QStringList args{QStringLiteral("-layout"),
                           QStringLiteral("-fixed"),
                           QString::number(CharacterWidth),
                           QStringLiteral("-enc"),
                           QStringLiteral("UTF-8"),
                           QStringLiteral("-f"),
                           QString::number(first),
                           QStringLiteral("-l"),
                           QString::number(last > 0 ? last : 9999),
                           pdf,
                           QStringLiteral("-")};
    QStringList list = lines(QString::fromUtf8(run(QStringLiteral("pdftotext"), args)));
    const QString margin(MarginColumns, u' ');
    for (QString& line : list) {
        if (line.startsWith(margin) && !line.at(MarginColumns).isSpace())
            line.remove(0, MarginColumns);
        else if (line.startsWith(margin + u' '))
            line.remove(0, MarginColumns);
    }
    return list;
}

} // namespace PdfProbe
