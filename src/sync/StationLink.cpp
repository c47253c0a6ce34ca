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
