#pragma once

// Include after every Qt header: Xlib's macros clash with Qt's names.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <X11/Xlib.h>

// The test's own connection to the X server: it plays the rest of the desktop (panels,
// desktop icons, other applications) and looks at the server's state from outside.
class XDesktop
{
public:
    XDesktop();
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    bool isOpen() const { return m_display != nullptr; }
    Display* display() const { return m_display; }

    // A window of the given EWMH type ("_NET_WM_WINDOW_TYPE_DOCK"; empty for a normal
    // window), mapped unless told otherwise. Destroyed with this object.
    Window createWindow(const char* windowType, const QString& title, const QRect& geometry,
                        bool mapped = true);
    void destroyWindow(Window window);
    void destroyCreatedWindows();

    bool isMapped(Window window) const;
    // Mapped and on screen: not on another desktop, not minimised.
    bool isViewable(Window window) const;
    // The window manager's current desktop, counted from 0; -1 when it names none.
    int currentDesktop() const;
    // The shown children of the root window, sorted: client windows, frames and the window
    // manager's own menus.
    QList<Window> shownTopLevels() const;
    bool isIconic(Window window) const;
    Window activeWindow() const;
    bool isActive(Window window) const;
    bool windowManagerRunning() const;
    // True when upper's top-level window lies above lower's in the stacking order.
    bool isStackedAbove(Window upper, Window lower) const;
    // What the window manager lets the user do with the window ("_NET_WM_ACTION_MINIMIZE", ...).
    QStringList allowedActions(Window window) const;

    int screenSaverTimeout() const;
    void setScreenSaverTimeout(int seconds);
    // Drops what a lock-down may have saved of the user's screen-saver settings.
    void forgetSavedScreenSaver();

    // Shown top-level windows whose _NET_WM_PID is pid.
    QList<Window> visibleWindowsOfProcess(qint64 pid) const;

private:
    Display* m_display = nullptr;
    QList<Window> m_created;
};

// Real input and window-manager requests through xdotool.
namespace Xdo {
bool run(const QStringList& arguments);
void click(const QPoint& globalPosition);
void type(const QString& text);
void key(const QString& keyName);
// Another application's window becomes the active one (focus only, without a window manager).
void activate(Window window);
// A mouse button pressed and released where the pointer is moved to.
void clickButton(const QPoint& globalPosition, int button);
void minimize(Window window);
} // namespace Xdo
