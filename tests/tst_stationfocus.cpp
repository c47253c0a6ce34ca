// The station's keyboard and its PIN window on a real X server, with the lock-down off: a badge
// reader types into whatever has the focus, and nothing else holds the station in front. Run by
// scripts/with-xvfb.sh with openbox and without a window manager; skipped anywhere else.

#include "data/BadgeFile.h"
#include "lockdown/ProgramCopy.h"
#include "lockdown/ScanStation.h"
#include "lockdown/Steps.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QTest>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
using ScanStation::BobCode;
using ScanStation::Today;

void scan(const QString& code)
{
    Xdo::run(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("5")} +
             ScanStation::keysOf(code));
}

frmPin* pinInFront()
{
    auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
    return pin && pin->isVisible() ? pin : nullptr;
}

} // namespace

class tst_StationFocus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void stationTakesTheKeyboardAtStart_soAScanIsPunched();
    void minimisedPinWindow_closesWritingNothingAndGivesTheStationBack();
};

void tst_StationFocus::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        qEnvironmentVariableIsEmpty("HORODEX_TEST_XVFB"))
        QSKIP("these tests type with xdotool, so they run only on the X server of the test "
              "script: scripts/with-xvfb.sh ctest --test-dir build -L realx");
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY2(Xdo::run({QStringLiteral("version")}), "xdotool is needed for real input events");
}

void tst_StationFocus::stationTakesTheKeyboardAtStart_soAScanIsPunched()
{
    TempProgramDir dir;
    MessageRecorder messages;
    FixedClock clock(QDateTime(Today, QTime(8, 7)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    // Without a window manager the keys would follow the pointer: it stays off the window.
    QVERIFY(Xdo::run({QStringLiteral("mousemove"), QStringLiteral("0"), QStringLiteral("0")}));
    auto window = ScanStation::start(dir, false, false);
    QVERIFY(window);
    QVERIFY(!window->geometry().contains(QPoint(0, 0)));
    // The server hands the keyboard over a moment after the window shows, later on a loaded
    // machine; the reader's keys must find it there, with nobody having clicked.
    const XDesktop desktop;
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(Window(window->winId())), Patience);
    scan(BobCode);
    QTRY_COMPARE_WITH_TIMEOUT(dir.read(QStringLiteral("Bob.txt")),
                              punchLine("IN", "03/05/2024", "08:07"), Patience);
    QVERIFY(messages.messages.isEmpty());
    ScanStation::stop(window);
}

void tst_StationFocus::minimisedPinWindow_closesWritingNothingAndGivesTheStationBack()
{
    XDesktop desktop;
    QVERIFY(desktop.isOpen());
    if (!desktop.windowManagerRunning())
        QSKIP("minimising needs a window manager (scripts/with-xvfb.sh starts openbox)");
    TempProgramDir dir;
    MessageRecorder messages;
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto window = ScanStation::start(dir, true, false);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == window.get(), Patience);
    const auto mainId = Window(window->winId());

    // The scan opens the PIN window; the window manager is asked to minimise it from there.
    bool minimised = false;
    Steps steps;
    steps.when([] { return pinInFront() && QApplication::activeWindow() == pinInFront(); },
               [&minimised] {
                   minimised = true;
                   Xdo::minimize(Window(pinInFront()->winId()));
               });
    // Were the keypad to stay minimised, its loop would never end: Steps closes it in time.
    steps.when([] { return !pinInFront(); }, [] {});
    scan(BobCode);
    QTRY_VERIFY_WITH_TIMEOUT(minimised, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isMinimized() && desktop.isViewable(mainId) &&
                                 !desktop.isIconic(mainId),
                             Patience);
    QVERIFY(dir.read(QStringLiteral("Bob.txt")).isEmpty());
    QVERIFY(messages.messages.isEmpty());
    ScanStation::stop(window);
}

QTEST_MAIN(tst_StationFocus)
#include "tst_stationfocus.moc"
