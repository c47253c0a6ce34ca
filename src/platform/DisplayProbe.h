#pragma once

#include <QString>

// What the display the program is about to open offers, asked before the application object
// exists: Qt ends the program with an abort when it finds no display, and Qt 6.4's Wayland plugin
// crashes at the first text box of a compositor that offers no seat.
namespace DisplayProbe {

// Empty when a display that Qt would use answers; else one line saying that none does.
QString missingDisplay();
// Chooses the plain compose input method when the Wayland compositor Qt will use offers no seat,
// so that no text box asks the missing seat for its text input. Call before the application
// object exists, after the platform is chosen.
void avoidTextInputWithoutSeat();
// Whether the Wayland compositor of WAYLAND_DISPLAY offers a seat; true when it cannot be asked.
bool waylandOffersSeat();

} // namespace DisplayProbe
