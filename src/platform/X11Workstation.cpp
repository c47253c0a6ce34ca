#include "platform/X11Workstation.h"

#include <QGuiApplication>
#include <QWidget>

#include "platform/X11Util.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

// The saver extension names two of its states like the lock-down's operations.
#undef ScreenSaverOff
#undef ScreenSaverOn

using namespace X11Util;

namespace {

// Marks a shell window that the lock-down has hidden.
constexpr auto HiddenMark = "_HORODEX_HIDDEN_SHELL";
// The user's screen-saver settings (timeout, interval, blanking, exposures) while it is off.
constexpr auto SavedScreenSaver = "_HORODEX_SAVED_SCREEN_SAVER";
// _NET_ACTIVE_WINDOW source: a pager, whose requests window managers always honour.
constexpr long SourcePager = 2;

QByteArray applicationDisplayName()
{
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        if (Display* display = x11->display())
            return QByteArray(DisplayString(display));
    }
    return QByteArray();
}

bool isIconic(Display* display, Window window)
{
    const Atom wmState = atom(display, "WM_STATE");
    const QList<unsigned long> state = longsProperty(display, window, wmState, wmState);
    return !state.isEmpty() && state.first() == IconicState;
}

} // namespace

X11Workstation::X11Workstation()
{
    const QByteArray name = applicationDisplayName();
    m_display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
}

X11Workstation::~X11Workstation()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void X11Workstation::HideDesktopIcons(bool hide)
{
    setShellWindowsHidden("_NET_WM_WINDOW_TYPE_DESKTOP", hide);
}

void X11Workstation::HideTaskBar(bool hide)
{
    setShellWindowsHidden("_NET_WM_WINDOW_TYPE_DOCK", hide);
}

void X11Workstation::setShellWindowsHidden(const char* windowType, bool hide)
{
    if (!m_display)
        return;
    ErrorTrap trap(m_display);
    const Atom type = atom(m_display, windowType);
    const Atom mark = atom(m_display, HiddenMark);
    for (Window window : topLevelWindows(m_display)) {
        if (!hasWindowType(m_display, window, type))
            continue;
        const bool marked = !longsProperty(m_display, window, mark, XA_CARDINAL).isEmpty();
        if (hide) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(m_display, window, &attributes) ||
                attributes.map_state == IsUnmapped)
                continue; // hidden by its owner: not ours to show again later
            setLongsProperty(m_display, window, mark, XA_CARDINAL, {1});
            // Withdrawing, not just unmapping, tells a window manager to let go of it.
            XWithdrawWindow(m_display, window, DefaultScreen(m_display));
        } else if (marked) {
            XDeleteProperty(m_display, window, mark);
            XMapWindow(m_display, window);
        }
    }
}

void X11Workstation::ScreenSaverOff()
{
    m_inhibitor.inhibit();
    if (!m_display)
        return;
    ErrorTrap trap(m_display);
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(m_display, &timeout, &interval, &blanking, &exposures);
    const Window root = DefaultRootWindow(m_display);
    const Atom saved = atom(m_display, SavedScreenSaver);
    // Settings already saved belong to the user; the 0 seen now is an earlier lock-down's.
    if (longsProperty(m_display, root, saved, XA_CARDINAL).size() != 4)
        setLongsProperty(m_display, root, saved, XA_CARDINAL,
                         {static_cast<unsigned long>(timeout), static_cast<unsigned long>(interval),
                          static_cast<unsigned long>(blanking),
                          static_cast<unsigned long>(exposures)});
    XSetScreenSaver(m_display, 0, interval, blanking, exposures);
    XForceScreenSaver(m_display, ScreenSaverReset);
    int eventBase = 0, errorBase = 0;
    if (!m_suspended && XScreenSaverQueryExtension(m_display, &eventBase, &errorBase)) {
        XScreenSaverSuspend(m_display, True);
        m_suspended = true;
    }
}

void X11Workstation::ScreenSaverOn()
{
    m_inhibitor.release();
    if (!m_display)
        return;
    ErrorTrap trap(m_display);
    if (m_suspended) {
        XScreenSaverSuspend(m_display, False);
        m_suspended = false;
    }
    const Window root = DefaultRootWindow(m_display);
    const Atom saved = atom(m_display, SavedScreenSaver);
    const QList<unsigned long> settings = longsProperty(m_display, root, saved, XA_CARDINAL);
    if (settings.size() != 4)
        return; // never switched off: the user's settings were not touched
    XSetScreenSaver(m_display, int(settings[0]), int(settings[1]), int(settings[2]),
                    int(settings[3]));
    XDeleteProperty(m_display, root, saved);
}

bool X11Workstation::isForeground(unsigned long window)
{
    if (!isWithin(m_display, activeWindow(m_display), Window(window)))
        return false;
    // Without a window manager a new window opens on top without taking the focus: the
    // focus alone would leave it covering the station for good.
    return windowManagerRunning(m_display) || !isCoveredFromAbove(m_display, Window(window));
}

void X11Workstation::requestActivation(unsigned long window)
{
    const Window root = DefaultRootWindow(m_display);
    if (isIconic(m_display, window))
        XMapWindow(m_display, window); // ICCCM: mapping an iconic window restores it
    if (X11Util::windowManagerRunning(m_display)) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom(m_display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = SourcePager;
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        return;
    }
    XRaiseWindow(m_display, window);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable)
        XSetInputFocus(m_display, window, RevertToParent, CurrentTime);
}

bool X11Workstation::BringWindowToFront(QWidget* window)
{
    QWidget* target = WindowTakingInput(window);
    if (!target || !target->isVisible())
        return false;
    if (!m_display)
        return QtBringToFront(target);
    const auto xid = static_cast<unsigned long>(target->winId());
    ErrorTrap trap(m_display);
    if (!target->isMinimized() && !isIconic(m_display, xid) && isForeground(xid))
        return true;
    if (target->isMinimized())
        target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    target->raise();
    target->activateWindow();
    requestActivation(xid);
    XSync(m_display, False);
    return isForeground(xid);
}
