#include "sync/StationSync.h"

#include "sync/PunchSender.h"
#include "sync/ServerCorrections.h"
#include "sync/SharedFiles.h"
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

SyncStatus StationSync::runRound()
{
    SyncStatus status;
    if (!m_database)
        m_database = std::make_unique<SyncDatabase>(m_config.database);
    IoResult r;
    if (!m_database->isOpen())
        r = m_database->open();
    if (r) {
        status.connected = true;
        SendOutcome sent;
        r = SendPunches(*m_database, m_config.station, &sent);
        status.sent = sent.sent;
        status.waiting = sent.waiting;
        status.problems = sent.problems;
        // Punches first: a damaged shared file must not hold them back.
        if (r)
            exchangeSharedFiles(&status);
    }
    if (!r) {
        status.error = r.error;
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
