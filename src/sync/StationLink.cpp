#include "sync/StationLink.h"

#include "data/FileStore.h"
#include "sync/StationRegistry.h"
#include "sync/SyncDatabase.h"

namespace {

StationConfig InGroupOfItsOwn(StationConfig config)
{
    config.database.abortGroup = SyncDatabase::newAbortGroup();
    return config;
}

} // namespace

StationLink::StationLink(const StationConfig& config, QObject* parent)
    : QObject(parent), m_config(InGroupOfItsOwn(config)), m_thread(std::make_unique<QThread>()),
      m_sync(new StationSync(m_config)), m_asker(m_config)
{
    m_punches = std::make_unique<ServerPunchStore>(
        [this](SyncDatabase** database) { return windowDatabase(database); },
        // A connection that failed may be broken: the next window connects afresh.
        [this] {
            if (m_windowDatabase)
                m_windowDatabase->close();
        },
        m_config.station);
    m_punches->setStation({[this] { exchangeNow(); },
                           [this](const QString& name) {
                               LastActionSource source;
                               return m_asker.lastPunch(name, &source);
                           }});
    m_sync->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::finished, m_sync, &QObject::deleteLater);
    connect(m_sync, &StationSync::roundFinished, this, [this](const SyncStatus& status) {
        {
            QMutexLocker lock(&m_mutex);
            m_status = status;
        }
        Q_EMIT statusChanged(status);
        if (!status.replaced.isEmpty())
            Q_EMIT sharedFilesReplaced(status.replaced);
    });
    m_thread->start();
    QMetaObject::invokeMethod(m_sync, &StationSync::start, Qt::QueuedConnection);
}

Result<std::unique_ptr<StationLink>> StationLink::fromDataFolder()
{
    std::optional<StationConfig> config;
    if (const IoResult read = ReadStationConfig(&config); !read)
        return read;
    if (!config)
        return std::unique_ptr<StationLink>();
    return std::make_unique<StationLink>(*config);
}

StationLink::~StationLink()
{
    // The program is ending: no exchange may keep it waiting on a frozen server.
    m_thread->quit();
    SyncDatabase::abortGroup(m_config.database.abortGroup);
    if (!m_thread->wait(ExitWaitMs)) {
        // Still connecting: left to end on its own, with what it uses.
        disconnect(m_sync, nullptr, this, nullptr);
        (void)m_thread.release();
    }
}

SyncStatus StationLink::status() const
{
    QMutexLocker lock(&m_mutex);
    return m_status;
}

IoResult StationLink::windowDatabase(SyncDatabase** database)
{
    if (!m_windowDatabase)
        m_windowDatabase = std::make_unique<SyncDatabase>(m_config.database);
    *database = m_windowDatabase.get();
    return m_windowDatabase->isOpen() ? IoResult::success() : m_windowDatabase->open();
}

void StationLink::exchangeNow()
{
    QMetaObject::invokeMethod(m_sync, &StationSync::start, Qt::QueuedConnection);
}

QString ManagedAtHeadText(const QString& headStation)
{
    if (headStation.isEmpty())
        return QStringLiteral("Employees and options are managed at the head station.");
    return QStringLiteral("Employees and options are managed at the head station \"%1\".")
        .arg(headStation);
}

QString PayrollAtHeadText(const QString& station)
{
    return QStringLiteral("Payroll reports are built at the head station, or with "
                          "horodex-report --database on a computer trusted with pay: punch "
                          "station \"%1\" keeps no pay rates.")
        .arg(FileStore::displayText(station));
}

QString WaitingPunchesText(qint64 waiting)
{
    if (waiting <= 0)
        return QString();
    return waiting == 1 ? QStringLiteral("1 punch waits to be sent")
                        : QStringLiteral("%1 punches wait to be sent").arg(waiting);
}

QString StationCaptionText(const SyncStatus& status)
{
    QStringList notes{WaitingPunchesText(status.waiting), ClockApartNote(status.problems)};
    notes.removeAll(QString());
    return notes.join(QStringLiteral(", "));
}

QString StationStatusText(const StationConfig& config, const SyncStatus& status)
{
    QStringList lines{
        QStringLiteral("Station \"%1\" (%2) of the shared database %3.")
            .arg(config.station,
                 config.isHead() ? QStringLiteral("head station") : QStringLiteral("punch station"),
                 config.database.describe())};
    if (!config.isHead())
        lines.append(ManagedAtHeadText(status.headStation));
    if (const QString waiting = WaitingPunchesText(status.waiting); !waiting.isEmpty())
        lines.append(waiting + u'.');
    if (!status.error.isEmpty())
        lines.append(QStringLiteral("Last exchange: %1").arg(status.error));
    // Other computers of this name, and time files that cannot be sent.
    lines += status.problems;
    return lines.join(u'\n');
}
