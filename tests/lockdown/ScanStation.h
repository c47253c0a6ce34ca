#pragma once

#include "station/frmHorodex.h"
#include "testsupport/TestSupport.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>

// The main window under lock-down that a badge reader's tests type into, on any real display.
namespace ScanStation {

const QDate Today(2024, 3, 5);
const QString AnnCode = QStringLiteral("BCDFGHJKLNPRSTUV");
const QString BobCode = QStringLiteral("0004711");

// What a reader sends, as key names of xdotool: the code's keys (a letter or a digit is its own
// key name) and Return.
QStringList keysOf(const QString& code);

// The station with the employees given (Ann and Bob unless told), PIN 1234 each, once the lock-down
// has given it the keyboard focus (keys go where the focus is); null when it did not come. Without
// the lock-down, once it is shown: whether it has the focus is then for the test to find out.
std::unique_ptr<frmHorodex> start(const TempProgramDir& dir, bool askForPin, bool lockedDown = true,
                                  const QStringList& employees = {QStringLiteral("Ann"),
                                                                  QStringLiteral("Bob")});
// Lifts the lock-down and closes the station.
void stop(std::unique_ptr<frmHorodex>& window);

} // namespace ScanStation
