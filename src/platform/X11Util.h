#pragma once

// Small Xlib helpers shared by the X11 workstation and its tests. Include after Qt headers:
// Xlib defines macros (None, Bool, Status) that clash with Qt's names.
#include <QList>

#include <X11/Xlib.h>

namespace X11Util {

// Ignores X errors for its lifetime: a window found a moment ago may be gone by the time it is
// used, and that must never end the program. Waits for the server at both ends.
class ErrorTrap
{
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // True when an X error arrived since the trap was set (after waiting for the server).
    bool errorOccurred();

private:
    Display* m_display;
    int (*m_previous)(Display*, XErrorEvent*);
};

Atom atom(Display* display, const char* name);

// The 32-bit items of a window property of the given type; empty when it is not set.
QList<unsigned long> longsProperty(Display* display, Window window, Atom property, Atom type);
void setLongsProperty(Display* display, Window window, Atom property, Atom type,
                      const QList<unsigned long>& values);

// The top-level windows: the window manager's client list, the children of the root and, for
// a reparenting window manager, the windows inside its frames.
QList<Window> topLevelWindows(Display* display);

bool hasWindowType(Display* display, Window window, Atom type);

// The window that has the user's input: the window manager's active window where one runs,
// otherwise the window holding the keyboard focus.
Window activeWindow(Display* display);

// True when a window manager announces itself on the root window (EWMH).
bool windowManagerRunning(Display* display);

// True when window is ancestor or one of its descendants.
bool isWithin(Display* display, Window window, Window ancestor);

// The child of the root that holds window (itself, or a window manager's frame around it).
Window topLevelOf(Display* display, Window window);

// True when another shown window lies above window in the stacking order and overlaps it.
// Pop-up menus and tooltips (override-redirect) do not count, nor the windows in ignored.
bool isCoveredFromAbove(Display* display, Window window, const QList<Window>& ignored = {});

// Sends an EWMH request about window (_NET_WM_STATE, _NET_ACTIVE_WINDOW, ...) to the window
// manager through the root window.
void sendToWindowManager(Display* display, Window window, const char* messageType,
                         const QList<long>& data);

} // namespace X11Util
