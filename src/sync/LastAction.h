#pragma once

#include "data/Result.h"
#include "data/TimeFile.h"
#include "sync/StationConfig.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <memory>
#include <optional>

class SyncDatabase;

// A time-file line and where it lies: the station, its file's origin and the byte offset in it,
// and when the server received it.
struct StationPunch
{
    QByteArray line; // 31 bytes
    QString station;
    QByteArray origin;
    qint64 offset = 0;
    qint64 received = NotReceived; // microseconds since 1970 on the server's clock

    // A line still waiting at this station: newer than any the server received in its minute.
    static constexpr qint64 NotReceived = std::numeric_limits<qint64>::max();
};

// The date and time the line reads (year, month, day, hour, minute): the first part of the key
// the server orders punches by.
QByteArray PunchMomentKey(const QByteArray& line);

// The newest of the server's newest punch and the punches waiting at this station: the one
// that decides an employee's last action across stations.
std::optional<StationPunch> NewestPunch(const std::optional<StationPunch>& server,
                                        const QList<StationPunch>& waiting);

// This station's lines of the employee that the server has not acknowledged yet.
IoResult WaitingPunchesOf(const QString& station, const QString& employee,
                          QList<StationPunch>* waiting);

// The server's newest punch of the employee, from every station.
IoResult ServerNewestPunch(SyncDatabase& database, const QString& employee,
                           std::optional<StationPunch>* punch);

// The same for many employees in one question; an employee without a punch is not in *punches.
// A row that is not a time-file line fails, naming the employee.
IoResult ServerNewestPunches(SyncDatabase& database, const QStringList& employees,
                             QHash<QString, StationPunch>* punches);

// Each employee's newest punch at any station, this station's waiting lines included (station
// empty: none wait here): one question to the server whatever the number of employees.
IoResult NewestPunchesEverywhere(SyncDatabase& database, const QString& station,
                                 const QStringList& employees, QHash<QString, TimeRecord>* records);

// Where a last action came from.
enum class LastActionSource { Server, LocalFile };

// Asks the server on a thread of its own, with its own connection, and waits for the answer
// only so long: a server that does not answer in time leaves the decision to the station's
// own file, as on one computer alone.
class LastActionAsker
{
public:
    explicit LastActionAsker(const StationConfig& config, int timeLimitMs = 500);
    ~LastActionAsker();
    LastActionAsker(const LastActionAsker&) = delete;
    LastActionAsker& operator=(const LastActionAsker&) = delete;

    // The record that decides the employee's last action (none without a punch). Fails when
    // the local file decides and cannot be read.
    Result<std::optional<TimeRecord>> lastPunch(const QString& employee, LastActionSource* source);

private:
    struct Worker;
    std::unique_ptr<Worker> m_worker;
    int m_timeLimitMs;
};
