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

// A broken card is paid as the pairing rule reads the file, not as its INs and OUTs match: rows
// are the file's records in order, each paid pair's hours stand on its second row, and an OUT
// that ends no paid pair says so, unless its IN came before the period, which paid it.
void ShowPaidHours(QList<ReviewedPunch>& rows, const QList<TimeCardLine>& lines,
                   const QList<PaidPair>& paid, QDate from)
{
    for (ReviewedPunch& row : rows)
        row.pairHours.reset();
    for (const PaidPair& pair : paid) {
        if (pair.first + 1 < rows.size())
            rows[pair.first + 1].pairHours = pair.hours;
    }
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const TimeCardLine& line = lines[rows[r].line];
        const TimeCardLine* before = r > 0 ? &lines[rows[r - 1].line] : nullptr;
        const bool paidBefore = before && before->isIn && before->date < from;
        rows[r].notPaid = !line.isIn && !rows[r].pairHours && !paidBefore;
    }
}

} // namespace

TimeCardReview ReviewTimeCard(const QList<TimeCardLine>& lines, QDate from, QDate to,
                              int roundingMode, const QTimeZone& zone, const QDateTime& now)
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

    if (from.isValid()) {
        // Every line reads, so the records of the file are the rows in their order.
        if (const std::optional<QByteArray> bytes = SerializeTimeCard(lines)) {
            QList<PaidPair> paid;
            review.period = PayPeriodFromTimeFile(*bytes, from, to, roundingMode, zone, &paid);
            ShowPaidHours(all, lines, paid, from);
        }
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
