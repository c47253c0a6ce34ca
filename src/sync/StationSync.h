#pragma once

#include "data/CorrectionLog.h"
#include "sync/StationConfig.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class SyncDatabase;

// What a round of the station's exchange with the server found.
struct SyncStatus
{
    bool connected = false;
    qint64 sent = 0;       // lines acknowledged in this round
    qint64 waiting = 0;    // lines waiting at this station (all of them when not connected)
    QString error;         // why the round stopped; empty when it finished
    QStringList problems;  // time files that cannot be sent, and other computers of this name
    QStringList rewritten; // time files found rewritten, replaced on the server
    QStringList published; // head: shared files stored as a new revision
    QStringList replaced;  // punch station: shared files replaced by the server's
    QString headStation;   // punch station: where the employees and settings are managed
    // Head station: the head of the server's record of corrections, for the About box.
    std::optional<CorrectionLogHead> correctionHead;
};
Q_DECLARE_METATYPE(SyncStatus)

// The exchange of one station with the server: sends its new punches; the head station stores
// its employee list and settings when they change, a punch station takes them at start and then
// every minute. Runs on the thread it lives on, driven by its own timer, so a window moves it to
// a worker thread and never waits for it. After a failure it tries again later, waiting longer
// each time.
class StationSync : public QObject
{
    Q_OBJECT
public:
    struct Timing
    {
        int idleMs = 2000;       // between rounds that found nothing left to send
        int firstRetryMs = 1000; // after the first failure, doubled after each one
        int maxRetryMs = 30000;
        int sharedFilesMs = 60000; // punch station: how often to take the shared files
        int verifyMs = 60000;      // how often files with nothing new are checked
    };

    explicit StationSync(const StationConfig& config, QObject* parent = nullptr);
    StationSync(const StationConfig& config, Timing timing, QObject* parent = nullptr);

    // Head station: become the head even though another station is (a replacement computer).
    void takeOverHead() { m_takeOverHead = true; }
    ~StationSync() override;

    // One round now, on the calling thread.
    SyncStatus runRound();
    // Rounds from now on, on this object's thread.
    Q_INVOKABLE void start();

Q_SIGNALS:
    void roundFinished(const SyncStatus& status);

private:
    void onTimer();
    void exchangeSharedFiles(SyncStatus* status);
    IoResult introduce(SyncStatus* status);

    StationConfig m_config;
    Timing m_timing;
    std::unique_ptr<SyncDatabase> m_database;
    QTimer m_timer;
    int m_retryMs = 0;
    QElapsedTimer m_sinceSharedFiles;
    QElapsedTimer m_sinceVerified; // every file is checked against its record now and then
    QString m_headStation;
    bool m_takeOverHead = false;
    bool m_correctionsCarried = false; // head: this data folder's record is on the server
};
