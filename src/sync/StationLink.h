#pragma once

#include "data/CorrectionLog.h"
#include "data/TimeCard.h"
#include "sync/LastAction.h"
#include "sync/ServerPunchStore.h"
#include "sync/StationConfig.h"
#include "sync/StationSync.h"

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

// What a window of a station needs from the server. Punching never waits for the network: the
// exchange runs on a worker thread, the last action is asked within a time limit; only the
// administrator's reports and corrections wait for their answer. The program creates one when
// station.ini names a database and keeps it for the whole run.
class StationLink : public QObject
{
    Q_OBJECT
public:
    explicit StationLink(const StationConfig& config, QObject* parent = nullptr);
    ~StationLink() override;

    // The link of the data folder's station.ini: none without the file, and none with a message
    // naming it when the file cannot be used (the station then punches on its own files).
    static Result<std::unique_ptr<StationLink>> fromDataFolder();

    const StationConfig& config() const { return m_config; }
    // The newest state the exchange reported: lines waiting here, the last failure, and where
    // the employees and settings are managed. Safe from the window's thread.
    SyncStatus status() const;

    // A punch was recorded or (head station) the employees or settings were saved: exchange now
    // rather than at the next round.
    void exchangeNow();

    // For the station's windows: punches recorded here and sent at once, the last punch of every
    // station within a time limit, and the reports, Who Is In and the time cards of every
    // station, read through a connection of the window's thread.
    PunchStore& punches() { return *m_punches; }

Q_SIGNALS:
    // After each round, on the window's thread.
    void statusChanged(const SyncStatus& status);
    // A punch station's employee list or settings were replaced: the window reads them again.
    void sharedFilesReplaced(const QStringList& files);

private:
    // The window thread's connection, opened on first use and again after a failure.
    IoResult windowDatabase(SyncDatabase** database);

    StationConfig m_config; // its connections in an abort group of their own
    std::unique_ptr<SyncDatabase> m_windowDatabase;
    std::unique_ptr<ServerPunchStore> m_punches;
    std::unique_ptr<QThread> m_thread;
    StationSync* m_sync; // lives on m_thread
    LastActionAsker m_asker;
    mutable QMutex m_mutex;
    SyncStatus m_status;
};

// "Employees and options are managed at the head station "NAME"." for the Manage entries of a
// punch station; a punch station that has not heard of its head yet says so without a name.
QString ManagedAtHeadText(const QString& headStation);

// Why a punch station makes no payroll report: it keeps no pay rates.
QString PayrollAtHeadText(const QString& station);

// "3 punches wait to be sent" for the administrator's caption or the About box; empty when none.
QString WaitingPunchesText(qint64 waiting);

// What the administrator's caption adds for a station: the punches waiting, and a clock far
// from the server's; empty when neither.
QString StationCaptionText(const SyncStatus& status);

// What the About box says of a station of several: its name and role, the database, the
// punches waiting and why the last exchange stopped. Plain text, one fact a line.
QString StationStatusText(const StationConfig& config, const SyncStatus& status);
