#include "platform/X11Workstation.h"

#include <QApplication>
#include <QWidget>

#include "platform/ScreenCover.h"
#include "ui/ProgramState.h"

#include "platform/X11Util.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

#include <utility>

// The saver extension names two of its states like the lock-down's operations.
#undef ScreenSaverOff
#undef ScreenSaverOn

using namespace X11Util;

namespace {

// Marks a shell window that the lock-down has hidden.
constexpr auto HiddenMark = "_HORODEX_HIDDEN_SHELL";
// On the root window, the shell windows of one type that the lock-down has hidden: showing them
// reads this list, not every window of the desktop, and still finds those of a copy that died.
QByteArray hiddenListName(const char* windowType)
{
    // "_NET_WM_WINDOW_TYPE_DOCK" gives "_HORODEX_HIDDEN_DOCK".
    return QByteArray("_HORODEX_HIDDEN") +
           QByteArray(windowType).mid(qsizetype(sizeof("_NET_WM_WINDOW_TYPE") - 1));
}
// The user's screen-saver settings (timeout, interval, blanking, exposures) while it is off.
constexpr auto SavedScreenSaver = "_HORODEX_SAVED_SCREEN_SAVER";
// _NET_ACTIVE_WINDOW source: a pager, whose requests window managers always honour.
constexpr long SourcePager = 2;
// _NET_WM_DESKTOP of a window shown on every desktop.
constexpr unsigned long AllDesktops = 0xFFFFFFFF;
// _NET_WM_STATE actions.
constexpr long StateRemove = 0;
constexpr long StateAdd = 1;

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

// The program's shown top-level windows, the screen cover aside.
QList<Window> programWindows()
{
    QList<Window> windows;
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->internalWinId() &&
            !w->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
            windows.append(Window(w->internalWinId()));
    }
    return windows;
}

// The desktop a window is on (AllDesktops for every one); empty when the window manager has not
// said. Format-32 items arrive in longs: only their low 32 bits count.
QList<unsigned long> desktopOf(Display* display, Window window, const char* property)
{
    QList<unsigned long> values =
        longsProperty(display, window, atom(display, property), XA_CARDINAL);
    for (unsigned long& value : values)
        value &= 0xFFFFFFFFul;
    return values;
}

} // namespace

X11Workstation::X11Workstation()
{
    const QByteArray name = applicationDisplayName();
    m_display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
}

unsigned long X11Workstation::requestsSent() const
{
    return m_display ? NextRequest(m_display) - 1 : 0;
}

X11Workstation::~X11Workstation()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void X11Workstation::HideDesktopIcons(bool hide)
{
    setShellWindowsHidden("_NET_WM_WINDOW_TYPE_DESKTOP", hide);
    m_desktopHidden = hide;
    coverScreen();
}

void X11Workstation::HideTaskBar(bool hide)
{
    setShellWindowsHidden("_NET_WM_WINDOW_TYPE_DOCK", hide);
    m_taskBarHidden = hide;
    coverScreen();
}

void X11Workstation::coverScreen()
{
    const bool wanted = m_desktopHidden || m_taskBarHidden;
    if (wanted == !m_cover.isNull())
        return;
    QWidget* main = State().MainWindow.data();
    if (wanted) {
        m_cover = new ScreenCover;
        // Set before it is shown, the window manager takes it on every desktop at once.
        if (m_display) {
            ErrorTrap trap(m_display);
            const auto cover = Window(m_cover->winId());
            setLongsProperty(m_display, cover, atom(m_display, "_NET_WM_DESKTOP"), XA_CARDINAL,
                             {AllDesktops});
            setLongsProperty(m_display, cover, atom(m_display, "_NET_WM_STATE"), XA_ATOM,
                             {atom(m_display, "_NET_WM_STATE_STICKY"),
                              atom(m_display, "_NET_WM_STATE_SKIP_TASKBAR"),
                              atom(m_display, "_NET_WM_STATE_SKIP_PAGER")});
            XFlush(m_display);
        }
        m_cover->showOn(main ? main->screen() : nullptr);
    } else {
        delete m_cover.data();
    }
    if (main && main->internalWinId() && m_display) {
        ErrorTrap trap(m_display);
        setOnEveryDesktop(main->internalWinId(), wanted);
    }
}

void X11Workstation::setOnEveryDesktop(unsigned long window, bool on)
{
    if (!windowManagerRunning(m_display))
        return;
    unsigned long desktop = AllDesktops;
    if (!on) {
        const QList<unsigned long> current =
            desktopOf(m_display, DefaultRootWindow(m_display), "_NET_CURRENT_DESKTOP");
        desktop = current.isEmpty() ? 0 : current.first();
    }
    sendToWindowManager(m_display, window, "_NET_WM_DESKTOP", {long(desktop), SourcePager});
    sendToWindowManager(m_display, window, "_NET_WM_STATE",
                        {on ? StateAdd : StateRemove, long(atom(m_display, "_NET_WM_STATE_STICKY")),
                         0, SourcePager});
}

void X11Workstation::keepOnEveryDesktop()
{
    // A request made before the window manager took the window on is lost: ask again.
    QList<Window> windows;
    if (QWidget* main = State().MainWindow.data(); main && main->internalWinId())
        windows.append(main->internalWinId());
    if (m_cover)
        windows.append(m_cover->winId());
    for (Window window : windows) {
        if (desktopOf(m_display, window, "_NET_WM_DESKTOP") != QList<unsigned long>{AllDesktops})
            setOnEveryDesktop(window, true);
    }
}

void X11Workstation::showDesktopOf(unsigned long window)
{
    const QList<unsigned long> own = desktopOf(m_display, window, "_NET_WM_DESKTOP");
    const QList<unsigned long> current =
        desktopOf(m_display, DefaultRootWindow(m_display), "_NET_CURRENT_DESKTOP");
    if (own.isEmpty() || current.isEmpty() || own.first() == AllDesktops ||
        own.first() == current.first())
        return;
    sendToWindowManager(m_display, DefaultRootWindow(m_display), "_NET_CURRENT_DESKTOP",
                        {long(own.first()), CurrentTime});
}

void X11Workstation::setShellWindowsHidden(const char* windowType, bool hide)
{
    if (!m_display)
        return;
    ErrorTrap trap(m_display);
    const Window root = DefaultRootWindow(m_display);
    const Atom list = atom(m_display, hiddenListName(windowType).constData());
    const Atom mark = atom(m_display, HiddenMark);
    QList<unsigned long> hidden = longsProperty(m_display, root, list, XA_WINDOW);
    if (!hide) {
        for (unsigned long window : std::as_const(hidden)) {
            // A listed window may be gone and its number reused: only a marked one is ours.
            if (longsProperty(m_display, window, mark, XA_CARDINAL).isEmpty())
                continue;
            XDeleteProperty(m_display, window, mark);
            XMapWindow(m_display, window);
        }
        if (!hidden.isEmpty())
            XDeleteProperty(m_display, root, list);
        return;
    }
    const Atom type = atom(m_display, windowType);
    for (Window window : topLevelWindows(m_display)) {
        if (!hasWindowType(m_display, window, type))
            continue;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, window, &attributes) ||
            attributes.map_state == IsUnmapped)
            continue; // hidden by its owner, or already by us: not to show again on its account
        setLongsProperty(m_display, window, mark, XA_CARDINAL, {1});
        // Withdrawing, not just unmapping, tells a window manager to let go of it.
        XWithdrawWindow(m_display, window, DefaultScreen(m_display));
        if (!hidden.contains(window))
            hidden.append(window);
    }
    if (!hidden.isEmpty())
        setLongsProperty(m_display, root, list, XA_WINDOW, hidden);
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

bool X11Workstation::isForeground(unsigned long window, unsigned long mainWindow)
{
    if (!isWithin(m_display, activeWindow(m_display), Window(window)))
        return false;
    if (windowManagerRunning(m_display))
        return true;
    // Without a window manager a new window opens on top without taking the focus: the
    // focus alone would leave it covering the station for good. The station under a dialog
    // counts too: only the program's own windows may lie over it.
    return !isCoveredFromAbove(m_display, Window(window)) &&
           (!mainWindow || !isCoveredFromAbove(m_display, Window(mainWindow), programWindows()));
}

void X11Workstation::requestActivation(unsigned long window, unsigned long mainWindow)
{
    if (isIconic(m_display, window))
        XMapWindow(m_display, window); // ICCCM: mapping an iconic window restores it
    if (X11Util::windowManagerRunning(m_display)) {
        sendToWindowManager(m_display, window, "_NET_ACTIVE_WINDOW", {SourcePager, CurrentTime});
        return;
    }
    // A window manager raises a dialog's main window with it; here the program does.
    if (mainWindow)
        XRaiseWindow(m_display, mainWindow);
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
    QWidget* main = State().MainWindow.data();
    const unsigned long mainXid =
        main && main != target && main->isVisible() ? static_cast<unsigned long>(main->winId()) : 0;
    ErrorTrap trap(m_display);
    if (m_cover && windowManagerRunning(m_display)) {
        keepOnEveryDesktop();
        showDesktopOf(xid);
    }
    if (!target->isMinimized() && !isIconic(m_display, xid) && isForeground(xid, mainXid))
        return true;
    if (target->isMinimized())
        target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    target->raise();
    target->activateWindow();
    requestActivation(xid, mainXid);
    XSync(m_display, False);
    return isForeground(xid, mainXid);
}
