#include "timecalc/TimeCardReview.h"

#include "data/TimeFile.h"
#include "timecalc/TimeManipulation.h"

#include <algorithm>
#include <numeric>

namespace {

TimeRecord recordOf(const TimeCardLine& line)
{
    QByteArray bytes = line.text() + "\r\n";
    return TimeRecord::fromBytes(bytes);
}

bool inPeriod(const TimeCardLine& line, QDate from, QDate to)
{
    return !from.isValid() || (line.date >= from && line.date <= to);
}

// A broken card is paid as the pairing rule reads the file, not as its INs and OUTs match:
// records holds the line of each record of the file paid, each paid pair's hours stand on the row
// of its second record, and an OUT that ends no paid pair says so, unless the record before it
// is an IN before the period, which paid it.
void ShowPaidHours(QList<ReviewedPunch>& rows, const QList<TimeCardLine>& lines,
                   const std::vector<int>& records, const QList<PaidPair>& paid, QDate from)
{
    std::vector<qsizetype> rowOf(size_t(lines.size()), -1);
    std::vector<qsizetype> recordOf(size_t(lines.size()), -1);
    for (qsizetype r = 0; r < rows.size(); ++r)
        rowOf[size_t(rows[r].line)] = r;
    for (size_t i = 0; i < records.size(); ++i)
        recordOf[size_t(records[i])] = qsizetype(i);
    for (ReviewedPunch& row : rows)
        row.pairHours.reset();
    for (const PaidPair& pair : paid) {
        if (size_t(pair.first + 1) < records.size())
            rows[rowOf[size_t(records[size_t(pair.first + 1)])]].pairHours = pair.hours;
    }
    for (ReviewedPunch& row : rows) {
        const TimeCardLine& line = lines[row.line];
        const qsizetype record = recordOf[size_t(row.line)];
        const TimeCardLine* before = record > 0 ? &lines[records[size_t(record - 1)]] : nullptr;
        const bool paidBefore = before && before->isIn && before->date < from;
        row.notPaid = !line.isIn && !row.pairHours && !paidBefore;
    }
}

} // namespace

TimeCardReview ReviewTimeCard(const QList<TimeCardLine>& lines, QDate from, QDate to,
                              int roundingMode, const QTimeZone& zone, const QDateTime& now,
                              bool asStored)
{
    TimeCardReview review;
    std::vector<int> order(size_t(lines.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&lines](int a, int b) {
        if (lines[a].readable != lines[b].readable)
            return !lines[a].readable; // the lines to mend come first
        return lines[a].before(lines[b]);
    });

    const TimeCardLine* previous = nullptr;
    qsizetype previousRow = -1;
    QList<ReviewedPunch> all;
    for (const int index : order) {
        const TimeCardLine& line = lines[index];
        all.append({index, {}, std::nullopt});
        ReviewedPunch& row = all.last();
        if (!line.readable) {
            row.problems.append(QStringLiteral("cannot be read"));
            continue;
        }
        const bool pairs = previous && previous->isIn && !line.isIn;
        if (line.isIn && previous && previous->isIn) {
            all[previousRow].problems.append(QStringLiteral("IN with no OUT"));
            row.problems.append(QStringLiteral("two INs in a row"));
        }
        if (!line.isIn && !pairs) {
            row.problems.append(QStringLiteral("OUT with no IN"));
            if (previous)
                row.problems.append(QStringLiteral("two OUTs in a row"));
        }
        if (pairs) {
            const float hours =
                PeriodFromPunches(recordOf(*previous), recordOf(line), roundingMode, zone).Hours();
            row.pairHours = hours;
            if (hours > LongestPairHours)
                row.problems.append(QStringLiteral("over %1 hours").arg(LongestPairHours));
        }
        previous = &line;
        previousRow = all.size() - 1;
    }
    if (previous && previous->isIn) {
        const QDateTime since = QDateTime(previous->date, previous->time, zone);
        if (since.secsTo(now) > qint64(OpenInWarningHours) * 3600)
            all[previousRow].problems.append(
                QStringLiteral("open for more than %1 hours: OUT forgotten?")
                    .arg(OpenInWarningHours));
    }

    if (from.isValid() && std::all_of(lines.cbegin(), lines.cend(),
                                      [](const TimeCardLine& l) { return l.readable; })) {
        std::vector<int> records(size_t(lines.size()));
        std::iota(records.begin(), records.end(), 0);
        if (!asStored)
            records = order;
        review.outOfOrder = records != order;
        QByteArray bytes;
        bytes.reserve(lines.size() * TimeRecord::Size);
        for (const int line : records)
            bytes += lines[line].text() + "\r\n";
        QList<PaidPair> paid;
        review.period = PayPeriodFromTimeFile(bytes, from, to, roundingMode, zone, &paid);
        ShowPaidHours(all, lines, records, paid, from);
    }

    // An OUT belongs to the period of its IN: a night shift from the last day is shown whole.
    bool openInPeriod = false;
    for (const ReviewedPunch& row : all) {
        const TimeCardLine& line = lines[row.line];
        const bool shown = !line.readable || inPeriod(line, from, to) ||
                           (openInPeriod && !line.isIn && row.pairHours);
        if (shown)
            review.punches.append(row);
        if (line.readable)
            openInPeriod = line.isIn && inPeriod(line, from, to);
    }
    return review;
}
