#include "sync/StationLink.h"

StationLink::StationLink(const StationConfig& config, QObject* parent)
    : QObject(parent), m_config(config), m_sync(new StationSync(config)), m_asker(config)
{
    m_sync->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_sync, &QObject::deleteLater);
    connect(m_sync, &StationSync::roundFinished, this, [this](const SyncStatus& status) {
        {
            QMutexLocker lock(&m_mutex);
            m_status = status;
        }
        Q_EMIT statusChanged(status);
        if (!status.replaced.isEmpty())
            Q_EMIT sharedFilesReplaced(status.replaced);
    });
    m_thread.start();
    QMetaObject::invokeMethod(m_sync, &StationSync::start, Qt::QueuedConnection);
}

std::unique_ptr<StationLink> StationLink::fromDataFolder(IoResult* result)
{
    std::optional<StationConfig> config;
    *result = ReadStationConfig(&config);
    if (!*result || !config)
        return nullptr;
    return std::make_unique<StationLink>(*config);
}

StationLink::~StationLink()
{
    m_thread.quit();
    m_thread.wait();
}

SyncStatus StationLink::status() const
{
    QMutexLocker lock(&m_mutex);
    return m_status;
}

std::optional<TimeRecord> StationLink::lastPunch(const QString& employee, LastActionSource* source,
                                                 IoResult* result)
{
    return m_asker.lastPunch(employee, source, result);
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

QString WaitingPunchesText(qint64 waiting)
{
    if (waiting <= 0)
        return QString();
    return waiting == 1 ? QStringLiteral("1 punch waits to be sent")
                        : QStringLiteral("%1 punches wait to be sent").arg(waiting);
}
