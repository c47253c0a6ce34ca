#include "platform/SingleInstance.h"

#include "data/FileStore.h"
#include "platform/ActivationSocket.h"
#include "ui/AfterFirstPaint.h"

#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QLockFile>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

// Generous: the earlier copy may be busy with a modal window's event loop, which still answers.
constexpr int AnswerTimeoutMs = 5000;
constexpr int RetryIntervalMs = 1000;

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_serverName(ServerNameFor(dataDirectory))
{
    // The lock lives in the data directory, which start-up creates anyway.
    FileStore::ensureDirectory(dataDirectory);
    m_lock = std::make_unique<QLockFile>(dataDirectory + QStringLiteral("/horodex.lock"));
    // A running copy holds its lock for days: only a dead owner makes it stale, never its age.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    // The socket goes before the lock, so that it never removes the socket of a copy that
    // takes the directory over.
    delete m_server;
    // The lock file unlocks itself when destroyed.
}

QString SingleInstance::ServerNameFor(const QString& dataDirectory)
{
    const QString canonical = QDir(dataDirectory).canonicalPath();
    const QByteArray hash =
        QCryptographicHash::hash((canonical.isEmpty() ? dataDirectory : canonical).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("horodex-") + QString::fromLatin1(hash);
}

bool SingleInstance::tryClaim()
{
    if (m_claimed)
        return true;
    if (!m_lock->tryLock(0))
        return false;
    m_claimed = true;
    // The lock alone keeps later copies out; the socket that lets them call this one to the front
    // can wait until the first window has been drawn.
    const QWindowList windows = QGuiApplication::topLevelWindows();
    const bool windowless = !qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (windowless ||
        std::any_of(windows.begin(), windows.end(), [](QWindow* w) { return w->isExposed(); }))
        QTimer::singleShot(0, this, &SingleInstance::listen);
    else
        RunAfterFirstPaint(this, [this] { listen(); });
    return true;
}

void SingleInstance::listen()
{
    // Holding the lock proves that no live copy listens: a socket left behind is a dead one's.
    auto* server = new ActivationServer(this);
    if (!server->listen(m_serverName)) {
        delete server;
        return; // the directory is ours even if later copies cannot reach us
    }
    connect(server, &ActivationServer::activationRequested, this,
            &SingleInstance::activationRequested);
    m_server = server;
}

bool SingleInstance::EnforceSingleInstance()
{
    if (tryClaim())
        return true;
    if (m_lock->error() != QLockFile::LockFailedError)
        return true; // no lock can be made here; start-up reports the data directory itself
    askEarlierCopyToActivate();
    return false;
}

void SingleInstance::ClaimWhenFree()
{
    if (tryClaim() || m_retry)
        return;
    m_retry = new QTimer(this);
    m_retry->setInterval(RetryIntervalMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (tryClaim()) {
            m_retry->stop();
            m_retry->deleteLater();
            m_retry = nullptr;
        }
    });
    m_retry->start();
}

bool SingleInstance::askEarlierCopyToActivate()
{
    return RequestActivation(m_serverName, AnswerTimeoutMs);
}
