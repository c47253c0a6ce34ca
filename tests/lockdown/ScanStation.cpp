#include "lockdown/ScanStation.h"

#include "app/Application.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "lockdown/ProgramCopy.h"
#include "station/LockDown.h"

#include <QApplication>
#include <QTest>

namespace ScanStation {

namespace {
constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
}

QStringList keysOf(const QString& code)
{
    QStringList keys;
    for (const QChar c : code)
        keys.append(QString(c));
    keys.append(QStringLiteral("Return"));
    return keys;
}

std::unique_ptr<frmHorodex> start(const TempProgramDir& dir, bool askForPin, bool lockedDown,
                                  const QStringList& employees)
{
    OptionsRecord options = TestOptions(lockedDown, false);
    options.setAskForPin(askForPin);
    dir.write(QStringLiteral("options.ini"), options.toBytes());
    QByteArray names;
    for (const QString& name : employees)
        names += SerializeEmployeeRecord(sampleEmployee(name));
    dir.write(QStringLiteral("names.nms"), names);
    auto window = std::make_unique<frmHorodex>();
    if (!StartMainWindow(window.get()) || !QTest::qWaitForWindowExposed(window.get(), Patience))
        return nullptr;
    if (lockedDown &&
        !QTest::qWaitFor([&window] { return QApplication::activeWindow() == window.get(); },
                         Patience))
        return nullptr;
    return window;
}

void stop(std::unique_ptr<frmHorodex>& window)
{
    if (window)
        window->lockDown()->SetLockDown(false);
    window.reset();
}

} // namespace ScanStation
