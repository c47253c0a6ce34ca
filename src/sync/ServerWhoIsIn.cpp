#include "sync/ServerWhoIsIn.h"

#include "sync/LastAction.h"

IoResult FindWhoIsInEverywhere(SyncDatabase& database, const QString& station,
                               const QList<EmployeeRecord>& employees, const QDateTime& now,
                               const QTimeZone& zone, WhoIsInList* list)
{
    QStringList names;
    for (const EmployeeRecord& employee : employees)
        names.append(employee.Name.trimmed());
    QHash<QString, TimeRecord> records;
    if (IoResult r = NewestPunchesEverywhere(database, station, names, &records); !r)
        return r;
    *list = FindWhoIsIn(
        employees, now, zone,
        [&records](const QString& name, std::optional<TimeRecord>* record, bool* wholeRecords) {
            *wholeRecords = true;
            *record = records.contains(name) ? std::optional(records.value(name)) : std::nullopt;
            return IoResult::success();
        });
    return IoResult::success();
}
