#include "platform/ActivationSocket.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray ActivateRequest = QByteArrayLiteral("activate\n");
const QByteArray Acknowledged = QByteArrayLiteral("ok\n");
constexpr qsizetype LongestLine = 4096; // a caller that never ends its line is dropped

QByteArray socketPath(const QString& name)
{
    return QFile::encodeName(QDir::tempPath() + u'/' + name);
}

bool fillAddress(sockaddr_un* address, const QByteArray& path)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, path.constData(), size_t(path.size()));
    return true;
}

// True when fd is ready for events before the deadline.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd ready{fd, events, 0};
    for (;;) {
        const int n = ::poll(&ready, 1, int(deadline.remainingTime()));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

// One caller's connection: reads its lines and answers each request.
class Call final : public QObject
{
public:
    Call(int fd, ActivationServer* server)
        : QObject(server), m_fd(fd), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this, server] { read(server); });
    }
    ~Call() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
    }

private:
    void read(ActivationServer* server)
    {
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            m_notifier.setEnabled(false);
            deleteLater();
            return;
        }
        m_pending.append(buffer, n);
        for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
            const QByteArray line = m_pending.left(end + 1);
            m_pending.remove(0, end + 1);
            if (line != ActivateRequest)
                continue;
            Q_EMIT server->activationRequested();
            ::send(m_fd, Acknowledged.constData(), size_t(Acknowledged.size()), MSG_NOSIGNAL);
        }
        if (m_pending.size() > LongestLine) {
            m_notifier.setEnabled(false);
            deleteLater();
        }
    }

    int m_fd;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

} // namespace

ActivationServer::ActivationServer(QObject* parent) : QObject(parent) {}

ActivationServer::~ActivationServer()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(m_path.constData());
}

bool ActivationServer::listen(const QString& name)
{
    const QByteArray path = socketPath(name);
    // Bound in a folder of this user's own and then moved into place, so that nobody else can
    // connect in between; the move replaces a socket that a dead copy left behind.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/horodex-XXXXXX"));
    const QByteArray staged = QFile::encodeName(folder.filePath(QStringLiteral("socket")));
    sockaddr_un address;
    if (!folder.isValid() || !fillAddress(&address, staged) ||
        path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(staged.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
        ::rename(staged.constData(), path.constData()) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &ActivationServer::acceptCalls);
    return true;
}

void ActivationServer::acceptCalls()
{
    for (;;) {
        const int call = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (call < 0)
            return;
        new Call(call, this);
    }
}

bool RequestActivation(const QString& name, int timeoutMs)
{
    sockaddr_un address;
    if (!fillAddress(&address, socketPath(name)))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    // A full queue of callers (EAGAIN) is waited out, as long as the deadline allows.
    bool ok = false;
    while (!ok) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            ok = true;
        else if (errno != EAGAIN || !waitFor(fd, POLLOUT, deadline))
            break;
    }
    ok = ok && waitFor(fd, POLLOUT, deadline) &&
         ::send(fd, ActivateRequest.constData(), size_t(ActivateRequest.size()), MSG_NOSIGNAL) ==
             ActivateRequest.size();
    QByteArray answer;
    while (ok && !answer.contains('\n') && answer.size() <= LongestLine) {
        if (!waitFor(fd, POLLIN, deadline)) {
            ok = false;
            break;
        }
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            answer.append(buffer, n);
        else if (n == 0 || (errno != EINTR && errno != EAGAIN))
            ok = false;
    }
    ::close(fd);
    return ok && answer.left(answer.indexOf('\n') + 1) == Acknowledged;
}
