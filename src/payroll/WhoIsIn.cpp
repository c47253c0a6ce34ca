#include "payroll/WhoIsIn.h"

#include "data/TimeFile.h"
#include "payroll/ReportCsv.h"
#include "timecalc/TimeManipulation.h"

#include <algorithm>

using namespace ReportFormat;

namespace {

QString Moment(const QDateTime& moment, const QString& timeFormat, const RegionalFormats& formats)
{
    return ShortDate(moment.date(), formats) + u' ' + FormatTimeOfDay(moment.time(), timeFormat);
}

QString FutureInNote()
{
    return QStringLiteral("!!! The IN is dated after now: the clock or the time file is wrong; "
                          "no hours are counted.");
}

} // namespace

Result<WhoIsInList> FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                                const QTimeZone& zone, PunchStore& store)
{
    WhoIsInList in;
    WhoIsInList* list = &in;
    list->at = now;
    QStringList names;
    for (const EmployeeRecord& employee : employees)
        names.append(employee.Name.trimmed());
    QHash<QString, PunchStore::LastPunch> last;
    if (const Result<> read = store.lastPunches(names, &last); read.failed())
        return read.error();
    for (const QString& name : std::as_const(names)) {
        const PunchStore::LastPunch punch = last.value(name);
        if (!punch.problem.isEmpty()) {
            list->unread.append({name, punch.problem});
            continue;
        }
        if (!punch.record || !punch.record->isIn())
            continue;
        PresentEmployee p;
        p.name = name;
        p.since = ParseFileDateTime(punch.record->PunchDate, punch.record->PunchTime, zone);
        p.hours = p.since.isValid() ? p.since.secsTo(now) / 3600.0 : 0.0;
        p.future = p.hours < 0;
        if (p.future)
            p.hours = 0;
        p.forgotten = p.hours > ForgottenAfterHours;
        list->present.append(p);
    }
    std::stable_sort(
        list->present.begin(), list->present.end(),
        [](const PresentEmployee& a, const PresentEmployee& b) { return a.hours > b.hours; });
    return in;
}

IoResult FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                     const QTimeZone& zone, PunchStore& store, WhoIsInList* list)
{
    const Result<WhoIsInList> found = FindWhoIsIn(employees, now, zone, store);
    *list = found.valueOr(WhoIsInList{now, {}, {}});
    return found.failure();
}

WhoIsInList FindWhoIsIn(const QList<EmployeeRecord>& employees, const QDateTime& now,
                        const QTimeZone& zone)
{
    return FindWhoIsIn(employees, now, zone, DataFolderPunches()).valueOr(WhoIsInList{now, {}, {}});
}

QString WhoIsInText(const WhoIsInList& list, const QString& timeFormat,
                    const RegionalFormats& formats)
{
    QString text = QStringLiteral("Who is in:              ") +
                   Moment(list.at, timeFormat, formats) + LineEnd + LineEnd;
    text += QStringLiteral("Employee Name           In Since                  Hours") + LineEnd;
    text += Rule() + LineEnd;
    bool anyForgotten = false;
    bool anyFuture = false;
    for (const PresentEmployee& p : list.present) {
        text += LeftIn(24, p.name) + LeftIn(22, Moment(p.since, timeFormat, formats)) +
                RightIn(9, Hours(float(p.hours)));
        if (p.forgotten)
            text += QStringLiteral(" ***");
        if (p.future)
            text += QStringLiteral(" !!!");
        text += LineEnd;
        anyForgotten = anyForgotten || p.forgotten;
        anyFuture = anyFuture || p.future;
    }
    text += Rule() + LineEnd;
    text += list.present.size() == 1
                ? QStringLiteral("1 employee is in")
                : QStringLiteral("%1 employees are in").arg(list.present.size());
    text += LineEnd;
    if (anyForgotten)
        text += LineEnd +
                QStringLiteral("*** In for more than %1 hours: probably a forgotten OUT.")
                    .arg(ForgottenAfterHours) +
                LineEnd;
    if (anyFuture)
        text += LineEnd + FutureInNote() + LineEnd;
    for (const UnreadEmployee& u : list.unread)
        text += LineEnd + QStringLiteral("Not read: ") + u.reason + LineEnd;
    return text;
}

QByteArray WhoIsInCsv(const WhoIsInList& list)
{
    QString csv =
        QStringLiteral("Employee Name,In Date,In Time,Hours,Probably Forgotten,Not Read\r\n");
    for (const PresentEmployee& p : list.present) {
        csv += ReportCsv::Field(p.name) + u',' + p.since.date().toString(Qt::ISODate) + u',' +
               p.since.time().toString(QStringLiteral("HH:mm")) + u',' +
               ReportCsv::Number(float(p.hours)) + u',' +
               (p.forgotten ? QStringLiteral("1") : QStringLiteral("0")) + u',' +
               (p.future ? ReportCsv::Field(FutureInNote()) : QString()) + QStringLiteral("\r\n");
    }
    for (const UnreadEmployee& u : list.unread)
        csv += ReportCsv::Field(u.name) + QStringLiteral(",,,,,") + ReportCsv::Field(u.reason) +
               QStringLiteral("\r\n");
    return csv.toUtf8();
}
