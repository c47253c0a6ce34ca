#include "platform/X11Util.h"

#include <QRect>

#include <X11/Xatom.h>

namespace X11Util {
namespace {

int errorCount = 0;

int countError(Display*, XErrorEvent*)
{
    ++errorCount;
    return 0;
}

QList<Window> childrenOf(Display* display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    QList<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children) {
        result.reserve(count);
        for (unsigned int i = 0; i < count; ++i)
            result.append(children[i]);
        XFree(children);
    }
    return result;
}

Window parentOf(Display* display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return parent == root ? 0 : parent;
}

} // namespace

ErrorTrap::ErrorTrap(Display* display) : m_display(display)
{
    XSync(m_display, False);
    errorCount = 0;
    m_previous = XSetErrorHandler(&countError);
}

ErrorTrap::~ErrorTrap()
{
    XSync(m_display, False);
    XSetErrorHandler(m_previous);
}

bool ErrorTrap::errorOccurred()
{
    XSync(m_display, False);
    return errorCount > 0;
}

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

QList<unsigned long> longsProperty(Display* display, Window window, Atom property, Atom type)
{
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    QList<unsigned long> values;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType,
                           &actualFormat, &count, &remaining, &data) != Success)
        return values;
    if (data && actualType == type && actualFormat == 32) {
        // Format-32 items arrive as longs whatever the size of long.
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            values.append(items[i]);
    }
    if (data)
        XFree(data);
    return values;
}

void setLongsProperty(Display* display, Window window, Atom property, Atom type,
                      const QList<unsigned long>& values)
{
    XChangeProperty(display, window, property, type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.constData()), int(values.size()));
}

QList<Window> topLevelWindows(Display* display)
{
    const Window root = DefaultRootWindow(display);
    QList<Window> result;
    for (unsigned long w :
         longsProperty(display, root, atom(display, "_NET_CLIENT_LIST"), XA_WINDOW))
        result.append(Window(w));
    for (Window child : childrenOf(display, root)) {
        result.append(child);
        result.append(childrenOf(display, child));
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

bool hasWindowType(Display* display, Window window, Atom type)
{
    return longsProperty(display, window, atom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM)
        .contains(type);
}

bool windowManagerRunning(Display* display)
{
    const Atom check = atom(display, "_NET_SUPPORTING_WM_CHECK");
    const QList<unsigned long> onRoot =
        longsProperty(display, DefaultRootWindow(display), check, XA_WINDOW);
    if (onRoot.isEmpty())
        return false;
    // A window manager that died leaves the root property behind, not its own window.
    ErrorTrap trap(display);
    const QList<unsigned long> onChild =
        longsProperty(display, Window(onRoot.first()), check, XA_WINDOW);
    return !trap.errorOccurred() && onChild == onRoot;
}

Window activeWindow(Display* display)
{
    if (windowManagerRunning(display)) {
        const QList<unsigned long> active = longsProperty(
            display, DefaultRootWindow(display), atom(display, "_NET_ACTIVE_WINDOW"), XA_WINDOW);
        return active.isEmpty() ? 0 : Window(active.first());
    }
    Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    return focus;
}

bool isWithin(Display* display, Window window, Window ancestor)
{
    // PointerRoot and None are small constants, never real windows.
    for (Window w = window; w > PointerRoot; w = parentOf(display, w)) {
        if (w == ancestor)
            return true;
    }
    return false;
}

Window topLevelOf(Display* display, Window window)
{
    for (Window parent = parentOf(display, window); parent != 0; parent = parentOf(display, window))
        window = parent;
    return window;
}

bool isCoveredFromAbove(Display* display, Window window, const QList<Window>& ignored)
{
    QList<Window> ignoredTops;
    for (Window w : ignored)
        ignoredTops.append(topLevelOf(display, w));
    const Window top = topLevelOf(display, window);
    // XQueryTree lists the root's children from the bottom of the stack to its top.
    const QList<Window> stack = childrenOf(display, DefaultRootWindow(display));
    const qsizetype at = stack.indexOf(top);
    XWindowAttributes own;
    if (at < 0 || !XGetWindowAttributes(display, top, &own))
        return false;
    const auto area = [](const XWindowAttributes& a) {
        return QRect(a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width);
    };
    for (qsizetype i = at + 1; i < stack.size(); ++i) {
        if (ignoredTops.contains(stack.at(i)))
            continue;
        XWindowAttributes above;
        if (!XGetWindowAttributes(display, stack.at(i), &above) || above.map_state != IsViewable ||
            above.override_redirect || above.c_class == InputOnly)
            continue;
        if (area(above).intersects(area(own)))
            return true;
    }
    return false;
}

void sendToWindowManager(Display* display, Window window, const char* messageType,
                         const QList<long>& data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(display, messageType);
    event.xclient.format = 32;
    for (qsizetype i = 0; i < data.size() && i < 5; ++i)
        event.xclient.data.l[i] = data.at(i);
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace X11Util
