#include "platform/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

namespace {

constexpr auto Service = "org.freedesktop.ScreenSaver";
constexpr auto Path = "/org/freedesktop/ScreenSaver";
constexpr auto Interface = "org.freedesktop.ScreenSaver";
// A desktop that does not answer within this time is treated as having no screen saver.
constexpr int CallTimeoutMs = 2000;

QDBusMessage methodCall(const char* method)
{
    return QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                          QLatin1String(Interface), QLatin1String(method));
}

} // namespace

bool ScreenSaverInhibitor::sessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    // Without either, libdbus would try to launch a bus of its own; this program never does.
    return !runtimeDir.isEmpty() && QFileInfo(runtimeDir + QStringLiteral("/bus")).exists();
}

bool ScreenSaverInhibitor::serviceExists()
{
    if (!sessionBusExists())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QLatin1String(Service)).value();
}

void ScreenSaverInhibitor::inhibit()
{
    if (m_held || !serviceExists())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call = methodCall("Inhibit");
    call << QStringLiteral("Horodex") << QStringLiteral("The time clock is locked down");
    const QDBusMessage reply = bus.call(call, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    m_cookie = reply.arguments().constFirst().toUInt();
    m_held = true;
}

void ScreenSaverInhibitor::release()
{
    if (!m_held)
        return;
    m_held = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = methodCall("UnInhibit");
    call << m_cookie;
    bus.call(call, QDBus::Block, CallTimeoutMs);
}
