#include <QByteArray>
#include <QDebug>
#include <QProcess>

// Xlib after Qt: its macros (Bool, Status, None) must not meet Qt's headers.
#include "lockdown/XDesktop.h"
#include "platform/X11Util.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

using namespace X11Util;

XDesktop::XDesktop()
{
    m_display = XOpenDisplay(nullptr);
}

XDesktop::~XDesktop()
{
    if (!m_display)
        return;
    destroyCreatedWindows();
    XCloseDisplay(m_display);
}

void XDesktop::destroyCreatedWindows()
{
    for (Window w : std::as_const(m_created))
        XDestroyWindow(m_display, w);
    m_created.clear();
    XSync(m_display, False);
}

Window XDesktop::createWindow(const char* windowType, const QString& title, const QRect& geometry,
                              bool mapped)
{
    const Window root = DefaultRootWindow(m_display);
    const Window w =
        XCreateSimpleWindow(m_display, root, geometry.x(), geometry.y(), unsigned(geometry.width()),
                            unsigned(geometry.height()), 0, 0, 0x336699);
    const QByteArray name = title.toUtf8();
    XStoreName(m_display, w, name.constData());
    if (windowType && *windowType)
        setLongsProperty(m_display, w, atom(m_display, "_NET_WM_WINDOW_TYPE"), XA_ATOM,
                         {atom(m_display, windowType)});
    // Placed where asked, also under a window manager.
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = geometry.x();
    hints.y = geometry.y();
    hints.width = geometry.width();
    hints.height = geometry.height();
    XSetWMNormalHints(m_display, w, &hints);
    if (mapped)
        XMapWindow(m_display, w);
    XSync(m_display, False);
    m_created.append(w);
    return w;
}

void XDesktop::destroyWindow(Window window)
{
    XDestroyWindow(m_display, window);
    XSync(m_display, False);
    m_created.removeAll(window);
}

bool XDesktop::isMapped(Window window) const
{
    XSync(m_display, False);
    XWindowAttributes attributes;
    return XGetWindowAttributes(m_display, window, &attributes) &&
           attributes.map_state != IsUnmapped;
}

bool XDesktop::isViewable(Window window) const
{
    XSync(m_display, False);
    XWindowAttributes attributes;
    return XGetWindowAttributes(m_display, window, &attributes) &&
           attributes.map_state == IsViewable;
}

int XDesktop::currentDesktop() const
{
    const QList<unsigned long> current =
        longsProperty(m_display, DefaultRootWindow(m_display),
                      atom(m_display, "_NET_CURRENT_DESKTOP"), XA_CARDINAL);
    return current.isEmpty() ? -1 : int(current.first());
}

QList<Window> XDesktop::shownTopLevels() const
{
    ErrorTrap trap(m_display);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    QList<Window> shown;
    if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
        return shown;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(m_display, children[i], &attributes) &&
            attributes.map_state == IsViewable)
            shown.append(children[i]);
    }
    if (children)
        XFree(children);
    std::sort(shown.begin(), shown.end());
    return shown;
}

bool XDesktop::isIconic(Window window) const
{
    const Atom wmState = atom(m_display, "WM_STATE");
    const QList<unsigned long> state = longsProperty(m_display, window, wmState, wmState);
    return !state.isEmpty() && state.first() == IconicState;
}

Window XDesktop::activeWindow() const
{
    return X11Util::activeWindow(m_display);
}

bool XDesktop::isActive(Window window) const
{
    return isWithin(m_display, activeWindow(), window);
}

bool XDesktop::windowManagerRunning() const
{
    return X11Util::windowManagerRunning(m_display);
}

bool XDesktop::isStackedAbove(Window upper, Window lower) const
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
        return false;
    const QList<Window> stack(children, children + count); // bottom first
    XFree(children);
    const qsizetype at = stack.indexOf(topLevelOf(m_display, upper));
    return at >= 0 && at > stack.indexOf(topLevelOf(m_display, lower));
}

QStringList XDesktop::allowedActions(Window window) const
{
    QStringList names;
    for (const unsigned long action :
         longsProperty(m_display, window, atom(m_display, "_NET_WM_ALLOWED_ACTIONS"), XA_ATOM)) {
        if (char* name = XGetAtomName(m_display, Atom(action))) {
            names.append(QString::fromLatin1(name));
            XFree(name);
        }
    }
    return names;
}

int XDesktop::screenSaverTimeout() const
{
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(m_display, &timeout, &interval, &blanking, &exposures);
    return timeout;
}

void XDesktop::setScreenSaverTimeout(int seconds)
{
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(m_display, &timeout, &interval, &blanking, &exposures);
    XSetScreenSaver(m_display, seconds, interval, blanking, exposures);
    XSync(m_display, False);
}

void XDesktop::forgetSavedScreenSaver()
{
    XDeleteProperty(m_display, DefaultRootWindow(m_display),
                    atom(m_display, "_HORODEX_SAVED_SCREEN_SAVER"));
    XSync(m_display, False);
}

QList<Window> XDesktop::visibleWindowsOfProcess(qint64 pid) const
{
    ErrorTrap trap(m_display);
    const Atom pidAtom = atom(m_display, "_NET_WM_PID");
    QList<Window> result;
    for (Window w : topLevelWindows(m_display)) {
        const QList<unsigned long> owner = longsProperty(m_display, w, pidAtom, XA_CARDINAL);
        if (owner.isEmpty() || qint64(owner.first()) != pid)
            continue;
        XWindowAttributes attributes;
        if (XGetWindowAttributes(m_display, w, &attributes) && attributes.map_state == IsViewable)
            result.append(w);
    }
    return result;
}

namespace Xdo {

bool run(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForFinished(10000)) {
        qWarning() << "xdotool did not finish:" << arguments;
        return false;
    }
    if (xdotool.exitCode() != 0)
        qWarning() << "xdotool" << arguments << xdotool.readAllStandardError();
    return xdotool.exitCode() == 0;
}

void click(const QPoint& globalPosition)
{
    clickButton(globalPosition, 1);
}

void clickButton(const QPoint& globalPosition, int button)
{
    run({QStringLiteral("mousemove"), QString::number(globalPosition.x()),
         QString::number(globalPosition.y()), QStringLiteral("click"), QString::number(button)});
}

void type(const QString& text)
{
    // A person's pace: keys 50 ms apart or closer, ended by Enter, are a badge reader's scan.
    // xdotool waits half the delay between a key's press and its release, half before the next.
    run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("150"), text});
}

void key(const QString& keyName)
{
    run({QStringLiteral("key"), keyName});
}

void activate(Window window)
{
    XDesktop desktop;
    const QString id = QString::number(window);
    if (desktop.windowManagerRunning()) {
        run({QStringLiteral("windowactivate"), id});
    } else {
        run({QStringLiteral("windowraise"), id});
        run({QStringLiteral("windowfocus"), id});
    }
}

void minimize(Window window)
{
    run({QStringLiteral("windowminimize"), QString::number(window)});
}

} // namespace Xdo
