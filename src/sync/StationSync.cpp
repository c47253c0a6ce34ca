#include "sync/StationSync.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "sync/PunchSender.h"
#include "sync/SentLedger.h"
#include "sync/ServerCorrections.h"
#include "sync/SharedFiles.h"
#include "sync/StationRegistry.h"
#include "sync/SyncDatabase.h"

StationSync::StationSync(const StationConfig& config, QObject* parent)
    : StationSync(config, Timing(), parent)
{
}

StationSync::StationSync(const StationConfig& config, Timing timing, QObject* parent)
    : QObject(parent), m_config(config), m_timing(timing), m_timer(this)
{
    qRegisterMetaType<SyncStatus>();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &StationSync::onTimer);
}

StationSync::~StationSync() = default;

void StationSync::exchangeSharedFiles(SyncStatus* status)
{
    IoResult r;
    if (m_config.isHead()) {
        r = PublishSharedFiles(*m_database, m_config.station, &status->published);
        // A computer made head keeps the corrections it recorded alone: they start the
        // server's record. Once a run: carried again, they would change nothing.
        if (r && !m_correctionsCarried)
            r = CarryOverCorrectionLog(*m_database);
        m_correctionsCarried = m_correctionsCarried || r;
        CorrectionLogHead head;
        if (r)
            r = ReadServerCorrectionHead(*m_database, &head);
        if (r)
            status->correctionHead = head;
    } else if (!m_sinceSharedFiles.isValid() ||
               m_sinceSharedFiles.elapsed() >= m_timing.sharedFilesMs) {
        r = FetchSharedFiles(*m_database, &status->replaced, &m_headStation);
        if (r)
            m_sinceSharedFiles.start();
    }
    if (!r)
        status->error = r.error;
    status->headStation = m_config.isHead() ? m_config.station : m_headStation;
}

// Who this station is: its identity (made with station.sent), its contact recorded, and the
// other computers that claim its name.
IoResult StationSync::introduce(SyncStatus* status)
{
    SentLedger ledger;
    if (IoResult r = ReadOrStartSentLedger(&ledger); !r)
        return r;
    const StationIdentity self = StationIdentity::here(m_config, ledger.stationId);
    QStringList others;
    if (IoResult r = TouchStation(*m_database, self, &others); !r)
        return r;
    status->problems += others;
    if (!m_config.isHead())
        return IoResult::success();
    IoResult head = ClaimHead(*m_database, self, m_takeOverHead);
    if (head)
        m_takeOverHead = false;
    return head;
}

namespace {

// One exchange per data folder at a time (cron beside a service): the other waits its turn.
IoResult TakeExchangeLock(FileStore::FolderLock* lock, const QString& path)
{
    switch (lock->take(path)) {
    case FileStore::FolderLock::Outcome::Taken:
        return IoResult::success();
    case FileStore::FolderLock::Outcome::HeldElsewhere:
        return IoResult::failure(
            QStringLiteral("Another exchange of this data folder is running (\"%1\"); this one "
                           "waits for it.")
                .arg(FileStore::displayPath(path)));
    case FileStore::FolderLock::Outcome::Unusable:
        break;
    }
    return IoResult::failure(QStringLiteral("The lock of the exchange \"%1\" cannot be used (it "
                                            "must be a plain file): remove it.")
                                 .arg(FileStore::displayPath(path)));
}

} // namespace

SyncStatus StationSync::runRound()
{
    SyncStatus status;
    FileStore::FolderLock lock;
    if (IoResult locked =
            TakeExchangeLock(&lock, Environment::dataFilePath(QStringLiteral("station.lock")));
        !locked) {
        status.error = locked.error;
        CountWaitingPunches(m_config.station, &status.waiting);
        return status;
    }
    if (!m_database)
        m_database = std::make_unique<SyncDatabase>(m_config.database);
    IoResult r;
    if (!m_database->isOpen())
        r = m_database->open();
    if (r) {
        status.connected = true;
        SendOutcome sent;
        const bool verifyAll =
            !m_sinceVerified.isValid() || m_sinceVerified.elapsed() >= m_timing.verifyMs;
        r = SendPunches(*m_database, m_config.station, &sent, 0, verifyAll);
        if (r && verifyAll)
            m_sinceVerified.start();
        status.sent = sent.sent;
        status.waiting = sent.waiting;
        status.problems = sent.problems;
        status.rewritten = sent.replaced;
        // Punches first: a damaged shared file or a second head must not hold them back.
        IoResult introduced = r ? introduce(&status) : IoResult::success();
        if (r && introduced)
            exchangeSharedFiles(&status);
        else if (r)
            status.error = introduced.error;
    }
    if (!r) {
        status.error =
            r.error + QStringLiteral(" The punches wait at this station and are sent once the "
                                     "shared database takes them.");
        CountWaitingPunches(m_config.station, &status.waiting);
    }
    if (!status.error.isEmpty()) {
        // A connection that failed once is opened afresh: the server may have restarted.
        m_database->close();
        status.connected = false;
    }
    return status;
}

void StationSync::start()
{
    m_timer.start(0);
}

void StationSync::onTimer()
{
    const SyncStatus status = runRound();
    int delay = m_timing.idleMs;
    if (!status.error.isEmpty()) {
        m_retryMs =
            m_retryMs == 0 ? m_timing.firstRetryMs : std::min(m_retryMs * 2, m_timing.maxRetryMs);
        delay = m_retryMs;
    } else {
        m_retryMs = 0;
        if (status.waiting > 0)
            delay = 0;
    }
    Q_EMIT roundFinished(status);
    m_timer.start(delay);
}
