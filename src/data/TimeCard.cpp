#include "data/TimeCard.h"

#include "data/FileStore.h"
#include "data/TimeFile.h"

#include <algorithm>

namespace {

// A piece of an unreadable file longer than this is shown in pieces of this length.
constexpr qsizetype MaxPieceLength = 256;

// The punch a stored line (without its line end) holds, when it reads as the recording writes it.
TimeCardLine lineOf(QByteArrayView stored)
{
    TimeCardLine line;
    line.stored = stored.toByteArray();
    if (stored.size() != PunchLine::LineEnd.offset)
        return line;
    const QByteArrayView action = PunchLine::field(stored, PunchLine::Action);
    const QDate date =
        QDate::fromString(QString::fromLatin1(PunchLine::field(stored, PunchLine::Date)),
                          QStringLiteral("MM/dd/yyyy"));
    const QTime time = QTime::fromString(
        QString::fromLatin1(PunchLine::field(stored, PunchLine::Time)), QStringLiteral("HH:mm"));
    if ((action != PunchLine::In && action != PunchLine::Out) || !date.isValid() || !time.isValid())
        return line;
    line.readable = true;
    line.isIn = action == PunchLine::In;
    line.date = date;
    line.time = time;
    return line;
}

void appendPieces(QList<TimeCardLine>* lines, QByteArrayView piece)
{
    while (piece.size() > MaxPieceLength) {
        lines->append(lineOf(piece.first(MaxPieceLength)));
        piece = piece.sliced(MaxPieceLength);
    }
    lines->append(lineOf(piece));
}

} // namespace

TimeCardLine TimeCardLine::punch(bool isIn, QDate date, QTime time)
{
    TimeCardLine line;
    line.readable = true;
    line.isIn = isIn;
    line.date = date;
    line.time = time;
    return line;
}

QByteArray TimeCardLine::text() const
{
    if (!stored.isEmpty() || !readable)
        return stored;
    return FormatPunchLine(isIn, QDateTime(date, time)).chopped(PunchLine::LineEnd.length);
}

bool TimeCardLine::before(const TimeCardLine& other) const
{
    return date < other.date || (date == other.date && time < other.time);
}

bool TimeCard::allReadable() const
{
    return std::all_of(lines.cbegin(), lines.cend(),
                       [](const TimeCardLine& l) { return l.readable; });
}

TimeCard ParseTimeCard(const QByteArray& bytes)
{
    TimeCard card;
    card.original = bytes;
    const QByteArrayView all(bytes);
    if (bytes.size() % TimeRecord::Size == 0) {
        for (qsizetype at = 0; at < bytes.size(); at += TimeRecord::Size) {
            const QByteArrayView record = all.sliced(at, TimeRecord::Size);
            // A record whose line end is damaged is shown whole, so nothing is lost.
            if (record.endsWith("\r\n"))
                card.lines.append(lineOf(record.first(PunchLine::LineEnd.offset)));
            else
                card.lines.append(lineOf(record));
        }
        return card;
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        const bool crlf = end > start && bytes[end - 1] == '\r';
        if (end < 0)
            end = bytes.size();
        else if (crlf)
            --end;
        appendPieces(&card.lines, all.sliced(start, end - start));
        card.lines.last().otherLineEnd = !crlf;
        start = next;
    }
    return card;
}

Result<TimeCard> ReadTimeCard(const QString& name)
{
    const Result<QByteArray> bytes = FileStore::readFile(TimeFilePath(name), MaxTimeFileSize, true);
    if (bytes.failed())
        return bytes.error();
    return ParseTimeCard(*bytes);
}

IoResult ReadTimeCard(const QString& name, TimeCard* card)
{
    const Result<TimeCard> read = ReadTimeCard(name);
    *card = read.valueOr(TimeCard{});
    return read.failure();
}

std::optional<QByteArray> SerializeTimeCard(const QList<TimeCardLine>& lines)
{
    QList<TimeCardLine> ordered = lines;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TimeCardLine& a, const TimeCardLine& b) { return a.before(b); });
    QByteArray bytes;
    bytes.reserve(ordered.size() * TimeRecord::Size);
    for (const TimeCardLine& line : ordered) {
        if (!line.readable)
            return std::nullopt;
        bytes += line.text();
        bytes += "\r\n";
    }
    return bytes;
}
