#include "platform/DisplayProbe.h"

#include <X11/Xlib.h>

#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <type_traits>

namespace DisplayProbe {

namespace {

// The few calls of libwayland-client needed to list a compositor's globals, looked up at run time
// so that the program needs no Wayland headers to build.
struct WaylandClient
{
    void* (*connect)(const char*) = nullptr;
    void (*disconnect)(void*) = nullptr;
    void* (*marshalConstructor)(void*, uint32_t, const void*, ...) = nullptr;
    int (*addListener)(void*, void (**)(void), void*) = nullptr;
    int (*roundtrip)(void*) = nullptr;
    void (*destroy)(void*) = nullptr;
    const void* registryInterface = nullptr;

    static const WaylandClient* load()
    {
        static const WaylandClient client = [] {
            WaylandClient c;
            void* library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
            if (!library)
                return c;
            const auto symbol = [library](auto& target, const char* name) {
                target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(
                    dlsym(library, name));
            };
            symbol(c.connect, "wl_display_connect");
            symbol(c.disconnect, "wl_display_disconnect");
            symbol(c.marshalConstructor, "wl_proxy_marshal_constructor");
            symbol(c.addListener, "wl_proxy_add_listener");
            symbol(c.roundtrip, "wl_display_roundtrip");
            symbol(c.destroy, "wl_proxy_destroy");
            c.registryInterface = dlsym(library, "wl_registry_interface");
            return c;
        }();
        const bool complete = client.connect && client.disconnect && client.marshalConstructor &&
                              client.addListener && client.roundtrip && client.destroy &&
                              client.registryInterface;
        return complete ? &client : nullptr;
    }
};

struct RegistryListener
{
    void (*global)(void* data, void* registry, uint32_t name, const char* interface,
                   uint32_t version);
    void (*globalRemove)(void* data, void* registry, uint32_t name);
};

constexpr uint32_t GetRegistryRequest = 1; // wl_display.get_registry

bool platformAllows(const char* name)
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    return platform.isEmpty() || platform.contains(QLatin1String(name));
}

bool waylandAnswers()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    const WaylandClient* client = WaylandClient::load();
    if (!client)
        return false;
    void* display = client->connect(nullptr);
    if (!display)
        return false;
    client->disconnect(display);
    return true;
}

bool xAnswers()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

} // namespace

QString missingDisplay()
{
    // offscreen, vnc and the like need no display server.
    if (!platformAllows("xcb") && !platformAllows("wayland"))
        return QString();
    if ((platformAllows("wayland") && waylandAnswers()) || (platformAllows("xcb") && xAnswers()))
        return QString();
    return QStringLiteral("no display to show its windows on: DISPLAY and WAYLAND_DISPLAY name "
                          "none that answers");
}

bool waylandOffersSeat()
{
    const WaylandClient* client = WaylandClient::load();
    if (!client || qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    void* display = client->connect(nullptr);
    if (!display)
        return true;
    bool seat = false;
    void* registry =
        client->marshalConstructor(display, GetRegistryRequest, client->registryInterface, nullptr);
    static const RegistryListener listener{
        [](void* data, void*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, "wl_seat") == 0)
                *static_cast<bool*>(data) = true;
        },
        [](void*, void*, uint32_t) {}};
    if (registry) {
        client->addListener(
            registry, reinterpret_cast<void (**)(void)>(const_cast<RegistryListener*>(&listener)),
            &seat);
        client->roundtrip(display);
        client->destroy(registry);
    }
    client->disconnect(display);
    return seat;
}

void avoidTextInputWithoutSeat()
{
    if (!platformAllows("wayland") || qEnvironmentVariableIsSet("QT_IM_MODULE") ||
        waylandOffersSeat())
        return;
    qputenv("QT_IM_MODULE", "compose");
}

} // namespace DisplayProbe
