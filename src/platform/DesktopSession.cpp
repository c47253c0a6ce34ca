#include "platform/DesktopSession.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

// The process that listens on the session's Wayland socket, or -1.
pid_t compositorProcess()
{
    QByteArray path = qgetenv("WAYLAND_DISPLAY");
    if (path.isEmpty())
        return -1;
    if (!path.startsWith('/'))
        path = qgetenv("XDG_RUNTIME_DIR") + '/' + path;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return -1;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    pid_t pid = -1;
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0)
        pid = credentials.pid;
    ::close(fd);
    return pid;
}

QByteArray processName(pid_t pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (pid <= 0 || !comm.open(QIODevice::ReadOnly))
        return QByteArray();
    return comm.readAll().trimmed();
}

} // namespace

namespace DesktopSession {

bool isWayland()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

bool isKiosk()
{
    if (qEnvironmentVariable("HORODEX_KIOSK") == QLatin1String("1"))
        return true;
    // Asked once: the compositor of a session does not change while the program runs.
    static const bool underCage = processName(compositorProcess()) == "cage";
    return underCage;
}

void preferNativeWayland()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ||
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    // Falls back to X (XWayland) when the Wayland plugin is missing or cannot connect.
    qputenv("QT_QPA_PLATFORM", "wayland;xcb");
}

QString panelNotice()
{
    return QStringLiteral("This desktop does not let programs hide its panels: use the Horodex "
                          "time clock session for a locked workstation.");
}

QString desktopName()
{
    const QString current = qEnvironmentVariable("XDG_CURRENT_DESKTOP").section(u':', 0, 0);
    if (!current.trimmed().isEmpty())
        return current.trimmed();
    const QString compositor = QString::fromLocal8Bit(processName(compositorProcess()));
    if (compositor.isEmpty())
        return QStringLiteral("This desktop");
    return compositor.left(1).toUpper() + compositor.mid(1);
}

QString screenSaverNotice()
{
    return QStringLiteral("%1 offers no screen saver service that programs may hold off: the "
                          "screen may still blank and lock; switch that off in its own settings.")
        .arg(desktopName());
}

} // namespace DesktopSession
