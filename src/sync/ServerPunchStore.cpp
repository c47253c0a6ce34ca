#include "sync/ServerPunchStore.h"

#include "sync/LastAction.h"
#include "sync/ServerCorrections.h"
#include "sync/ServerReports.h"
#include "sync/SyncDatabase.h"
#include "timecalc/TimeManipulation.h"

ServerPunchStore::ServerPunchStore(Connect connect, std::function<void()> failed,
                                   const QString& station)
    : m_connect(std::move(connect)), m_failed(std::move(failed)), m_station(station)
{
}

ServerPunchStore::ServerPunchStore(SyncDatabase& database, const QString& station)
    : ServerPunchStore(
          [&database](SyncDatabase** open) {
              *open = &database;
              return IoResult::success();
          },
          [] {}, station)
{
}

IoResult ServerPunchStore::onServer(const std::function<IoResult(SyncDatabase&)>& operation)
{
    SyncDatabase* database = nullptr;
    IoResult r = m_connect(&database);
    if (r)
        r = operation(*database);
    if (!r)
        m_failed();
    return r;
}

Result<TimeRecord> ServerPunchStore::recordPunch(const QString& name, bool isIn)
{
    TimeRecord written;
    if (const IoResult appended = RecordPunch(name, isIn, &written); !appended)
        return appended;
    if (m_stationSide.sendNow)
        m_stationSide.sendNow();
    return written;
}

Result<std::optional<TimeRecord>> ServerPunchStore::lastPunch(const QString& name)
{
    if (m_stationSide.lastPunch)
        return m_stationSide.lastPunch(name);
    QHash<QString, LastPunch> punches;
    if (const IoResult asked = lastPunches({name}, &punches); !asked)
        return asked;
    return punches.value(name).record;
}

IoResult ServerPunchStore::lastPunches(const QStringList& employees,
                                       QHash<QString, LastPunch>* punches)
{
    punches->clear();
    QHash<QString, TimeRecord> records;
    if (IoResult r = onServer([&](SyncDatabase& database) {
            return NewestPunchesEverywhere(database, m_station, employees, &records);
        });
        !r)
        return r;
    for (const QString& name : employees)
        punches->insert(name, LastPunch{records.contains(name) ? std::optional(records.value(name))
                                                               : std::nullopt,
                                        QString()});
    return IoResult::success();
}

IoResult ServerPunchStore::payPeriods(const QStringList& employees, QDate from, QDate to,
                                      int roundingMode, const QTimeZone& zone,
                                      const PayPeriodSink& add)
{
    // One question for all of them; one employee alone is asked for alone.
    ServerTimeFiles files;
    const QString only = employees.size() == 1 ? employees.constFirst() : QString();
    if (IoResult r =
            onServer([&](SyncDatabase& database) { return files.load(database, from, only); });
        !r)
        return r;
    for (qsizetype i = 0; i < employees.size(); ++i)
        add(i, PayPeriodFromTimeFile(files.bytesOf(employees.at(i)), from, to, roundingMode, zone));
    return IoResult::success();
}

IoResult ServerPunchStore::readTimeCard(const QString& employee, TimeCard* card)
{
    return onServer(
        [&](SyncDatabase& database) { return ReadServerTimeCard(database, employee, card); });
}

IoResult ServerPunchStore::saveCorrections(const QString& employee, const TimeCard& read,
                                           const QList<TimeCardLine>& corrected,
                                           const QList<Correction>& corrections)
{
    return onServer([&](SyncDatabase& database) {
        return SaveServerCorrections(database, employee, read, corrected, corrections);
    });
}

IoResult ServerPunchStore::correctionRecord(CorrectionRecord* record)
{
    return onServer([record](SyncDatabase& database) {
        record->name = QStringLiteral("the server's record of corrections (%1)")
                           .arg(database.address().describe());
        const IoResult read = ReadServerCorrectionLog(database, &record->bytes);
        record->contents = ParseCorrectionLog(record->bytes);
        return read;
    });
}

IoResult ServerPunchStore::correctionLogHead(CorrectionLogHead* head)
{
    return onServer(
        [&](SyncDatabase& database) { return ReadServerCorrectionHead(database, head); });
}
