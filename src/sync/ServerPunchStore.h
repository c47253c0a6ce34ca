#pragma once

#include "punch/PunchStore.h"

#include <functional>

class SyncDatabase;

// The punches of every station on the server, as one store: each employee's newest punch (this
// station's waiting lines included), the pay periods read from every station's lines in one
// question, the merged time cards and the server's record of corrections.
class ServerPunchStore final : public PunchStore
{
public:
    // connect hands out an open connection (opening it on first use); a failed call is reported
    // to failed, which may drop the connection. station: this data folder's station, whose
    // waiting lines count (empty: none wait here).
    using Connect = std::function<IoResult(SyncDatabase** database)>;
    ServerPunchStore(Connect connect, std::function<void()> failed, const QString& station);
    // On a connection that is open already.
    ServerPunchStore(SyncDatabase& database, const QString& station);

    // At a station of several: a punch recorded here is sent at once, and the last punch is
    // asked with the time limit of the station's window. Without it, a punch is only appended
    // and the last punch is asked of the server alone.
    struct Station
    {
        std::function<void()> sendNow;
        std::function<Result<std::optional<TimeRecord>>(const QString& name)> lastPunch;
    };
    void setStation(Station station) { m_stationSide = std::move(station); }

    // Appended to this station's time file, from which the exchange sends it.
    Result<TimeRecord> recordPunch(const QString& name, bool isIn) override;
    Result<std::optional<TimeRecord>> lastPunch(const QString& name) override;
    IoResult lastPunches(const QStringList& employees, QHash<QString, LastPunch>* punches) override;
    IoResult payPeriods(const QStringList& employees, QDate from, QDate to, int roundingMode,
                        const QTimeZone& zone, const PayPeriodSink& add) override;
    IoResult readTimeCard(const QString& employee, TimeCard* card) override;
    IoResult saveCorrections(const QString& employee, const TimeCard& read,
                             const QList<TimeCardLine>& corrected,
                             const QList<Correction>& corrections) override;
    IoResult correctionLogHead(CorrectionLogHead* head) override;
    IoResult correctionRecord(CorrectionRecord* record) override;

private:
    // Runs an operation on the connection, reporting a failure.
    IoResult onServer(const std::function<IoResult(SyncDatabase&)>& operation);

    Connect m_connect;
    std::function<void()> m_failed;
    QString m_station;
    Station m_stationSide;
};
