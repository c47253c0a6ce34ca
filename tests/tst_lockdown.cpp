// The workstation lock-down, the single instance and the system's close requests, on a real X
// server with real input events. They hide panels and change the screen saver, so they run only
// on the server that scripts/with-xvfb.sh starts; anywhere else every test is skipped.

#include "admin/frmAddEmployee.h"
#include "app/Application.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "lockdown/ProgramCopy.h"
#include "lockdown/Steps.h"
#include "platform/FullScreenWorkstation.h"
#include "platform/SessionEndWatch.h"
#include "platform/SignalBridge.h"
#include "platform/Workstation.h"
#include "platform/X11Workstation.h"
#include "station/AboutBox.h"
#include "station/LockDown.h"
#include "station/frmAdminLogin.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/FrontWindows.h"
#include "ui/ProgramState.h"
#include "ui/frmMsgBox.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QMutex>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
constexpr auto Dock = "_NET_WM_WINDOW_TYPE_DOCK";
constexpr auto DesktopIcons = "_NET_WM_WINDOW_TYPE_DESKTOP";
const QRect PanelGeometry(0, 994, 1280, 30);
const QRect OtherAppGeometry(0, 0, 240, 160);

// A private session bus for the whole run, so that nothing reaches the developer's desktop.
struct PrivateBus
{
    QString address;
    long pid = 0;
} privateBus;

void startPrivateBus()
{
    FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 "
                        "2>/dev/null",
                        "r");
    if (!out)
        return;
    char line[512];
    if (std::fgets(line, sizeof line, out))
        privateBus.address = QString::fromLocal8Bit(line).trimmed();
    if (std::fgets(line, sizeof line, out))
        privateBus.pid = QByteArray(line).trimmed().toLong();
    ::pclose(out);
    if (!privateBus.address.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", privateBus.address.toLocal8Bit());
}

// Stands in for the desktop's screen saver service.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList held() const
    {
        QMutexLocker lock(&m_mutex);
        return m_held.values();
    }

public Q_SLOTS:
    uint Inhibit(const QString& application, const QString& reason)
    {
        Q_UNUSED(reason);
        QMutexLocker lock(&m_mutex);
        m_held.insert(++m_lastCookie, application);
        return m_lastCookie;
    }
    void UnInhibit(uint cookie)
    {
        QMutexLocker lock(&m_mutex);
        m_held.remove(cookie);
    }

private:
    mutable QMutex m_mutex;
    QMap<uint, QString> m_held;
    uint m_lastCookie = 0;
};

QPoint centreOf(const QWidget* widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

void writeEmployees(const TempProgramDir& dir, const QStringList& names)
{
    QByteArray bytes;
    for (const QString& name : names)
        bytes += SerializeEmployeeRecord({name, ScramblePin(QStringLiteral("1234")),
                                          QStringLiteral("123456789"), QStringLiteral("10.00"),
                                          QStringLiteral("15.00"), QStringLiteral("1")});
    dir.write(QStringLiteral("names.nms"), bytes);
}

std::unique_ptr<frmHorodex> startStation(const TempProgramDir& dir, bool securityEnabled,
                                         bool askForPin = false)
{
    OptionsRecord options = TestOptions(securityEnabled, false);
    options.setAskForPin(askForPin);
    dir.write(QStringLiteral("options.ini"), options.toBytes());
    auto window = std::make_unique<frmHorodex>();
    if (!StartMainWindow(window.get()) || !QTest::qWaitForWindowExposed(window.get(), Patience))
        return nullptr;
    return window;
}

void stopStation(std::unique_ptr<frmHorodex>& window)
{
    if (window)
        window->lockDown()->SetLockDown(false);
    window.reset();
}

void clickMenuEntry(frmHorodex& window, QMenu* menu, QAction* entry)
{
    QMenuBar* bar = window.menuBar();
    Xdo::click(bar->mapToGlobal(bar->actionGeometry(menu->menuAction()).center()));
    QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), Patience);
    Xdo::click(menu->mapToGlobal(menu->actionGeometry(entry).center()));
}

void clickListItem(frmHorodex& window, const QString& name)
{
    const QList<QListWidgetItem*> items = window.lstNames->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    QWidget* viewport = window.lstNames->viewport();
    Xdo::click(viewport->mapToGlobal(window.lstNames->visualItemRect(items.first()).center()));
}

template <typename Dialog> Dialog* openModal()
{
    return qobject_cast<Dialog*>(QApplication::activeModalWidget());
}

bool hasVisibleWindow(const XDesktop& desktop, const QProcess* process)
{
    return !desktop.visibleWindowsOfProcess(process->processId()).isEmpty();
}

// Starts the copy and waits until its main window is on screen; null if it never is.
QProcess* startShown(ProgramCopy& program, const XDesktop& desktop,
                     const QStringList& arguments = {})
{
    QProcess* process = program.start(arguments);
    const QDeadlineTimer deadline(Patience);
    while (!hasVisibleWindow(desktop, process) && process->state() == QProcess::Running &&
           !deadline.hasExpired())
        QTest::qWait(20);
    return hasVisibleWindow(desktop, process) ? process : nullptr;
}

bool endWithSignal(QProcess* process, int signalNumber)
{
    ::kill(pid_t(process->processId()), signalNumber);
    return process->waitForFinished(Patience);
}

} // namespace

class tst_LockDown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void lockDown_hidesDockAndDesktopUntilManagementLogin();
    void lockDown_touchesNothingWhileSecurityDisabled();
    void shellShown_takesAsManyRequestsWhateverTheNumberOfWindows_data();
    void shellShown_takesAsManyRequestsWhateverTheNumberOfWindows();
    void screenSaver_timeoutIsZeroOnlyWhileLockedDown();
    void screenSaver_inhibitIsHeldOnTheSessionBusWhileLockedDown();
    void foreground_mainWindowReturnsAfterAnotherIsActivated();
    void foreground_minimisedMainWindowIsRestored();
    void foreground_coveringWindowIsPutBelowWithoutWindowManager();
    void foreground_pinWindowIsHeldInFrontWhileOpen();
    void foreground_messageWindowIsHeldInFrontWhileOpen();
    void foreground_plainDialogIsHeldInFrontWhileOpen();
    void foreground_stationIsRaisedWithThePinWindowOverAnotherWindow();
    void desktopSwitch_leavesTheStationShownAndActive();
    void bareScreen_clicksLandOnACoverBelowTheStation();
    void startLogin_takesTheKeyboardAsItOpens_data();
    void startLogin_takesTheKeyboardAsItOpens();
    void endToEnd_clickingInRecordsThePunchAndShowsIt();
    void fallback_coversTheShellFullScreenOnTop();
    void frames_noWindowResizesAndTheMainWindowMinimises();
    void signalBridge_deliversSignalsOnTheEventLoop();
    void sessionEndWatch_takesTheQuitEventAsTheEndAndKeepsItFromClosingWindows();

    void secondCopy_bringsFirstForwardAndEndsWithoutWindow();
    void secondCopy_withNpStarts();
    void killedCopy_doesNotBlockTheNextStart();
    void killedLockedCopy_nextStartWithLockDownOffGivesTheDesktopBack();
    void sigterm_withAskOnExitRestartsWithNp();
    void sigterm_withoutAskOnExitEndsWithLockDownOff();
    void terminalSignal_endsWithoutAskingAndGivesTheDesktopBack_data();
    void terminalSignal_endsWithoutAskingAndGivesTheDesktopBack();
    void lostDisplay_endsWithoutCleanUpOrRestart();
    void sessionSave_keepsTheProgramAndDieEndsItGivingTheDesktopBack();

private:
    // Adds to steps: the modal Dialog, once open, is held in front against another
    // application's window; then it is closed by clicking closeButton.
    template <typename Dialog>
    void expectHeldInFront(Steps& steps, frmHorodex& window,
                           std::function<QPushButton*(Dialog*)> closeButton, bool* heldInFront);

    std::unique_ptr<XDesktop> m_desktop;
    int m_userTimeout = 321;
};

void tst_LockDown::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("these tests hide panels and change the screen saver, so they run only on the X "
              "server of the test script: scripts/with-xvfb.sh ctest --test-dir build -L realx");
    QApplication::setQuitOnLastWindowClosed(false);
    m_desktop = std::make_unique<XDesktop>();
    QVERIFY(m_desktop->isOpen());
    m_desktop->setScreenSaverTimeout(m_userTimeout);
    QVERIFY2(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("version")}) == 0,
             "xdotool is needed for real input events");
}

void tst_LockDown::cleanup()
{
    // Every test starts from the user's own desktop settings.
    if (!m_desktop)
        return;
    m_desktop->destroyCreatedWindows();
    if (m_desktop->windowManagerRunning())
        Xdo::run({QStringLiteral("set_desktop"), QStringLiteral("0")});
    m_desktop->forgetSavedScreenSaver();
    m_desktop->setScreenSaverTimeout(m_userTimeout);
}

void tst_LockDown::lockDown_hidesDockAndDesktopUntilManagementLogin()
{
    TempProgramDir dir;
    MessageRecorder messages;
    XDesktop& desktop = *m_desktop;
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);
    const Window icons =
        desktop.createWindow(DesktopIcons, QStringLiteral("Desktop"), {0, 0, 1280, 1024});
    // A panel its owner keeps hidden is none of the lock-down's business.
    const Window ownerHidden =
        desktop.createWindow(Dock, QStringLiteral("Auto-hidden panel"), {0, 0, 1280, 20}, false);
    // The window manager maps them a moment after they ask: the lock-down must find them shown.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel) && desktop.isMapped(icons), Patience);

    auto window = startStation(dir, true);
    QVERIFY(window);
    QVERIFY(!desktop.isMapped(panel));
    QVERIFY(!desktop.isMapped(icons));
    QVERIFY(window->tmrSecurity->isActive());

    Steps steps;
    steps.when(
        [] {
            auto* login = openModal<frmAdminLogin>();
            return login && QApplication::activeWindow() == login && login->txtPassword->hasFocus();
        },
        [] {
            Xdo::type(QLatin1String(TestPassword));
            Xdo::key(QStringLiteral("Return"));
        });
    clickMenuEntry(*window, window->mnuFile, window->mnuAdminLogin);
    QTRY_VERIFY_WITH_TIMEOUT(State().AdminLoggedIn, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel) && desktop.isMapped(icons), Patience);
    QVERIFY(!desktop.isMapped(ownerHidden));
    QVERIFY(!window->tmrSecurity->isActive());

    clickMenuEntry(*window, window->mnuFile, window->mnuAdminLogin); // now "Deactivate ..."
    QTRY_VERIFY_WITH_TIMEOUT(!State().AdminLoggedIn, Patience);
    QVERIFY(!desktop.isMapped(panel));
    QVERIFY(!desktop.isMapped(icons));
    QVERIFY(window->tmrSecurity->isActive());

    stopStation(window);
    // A window manager maps a window on request, a moment later.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel) && desktop.isMapped(icons), Patience);
    QVERIFY(!desktop.isMapped(ownerHidden));
}

void tst_LockDown::lockDown_touchesNothingWhileSecurityDisabled()
{
    TempProgramDir dir;
    MessageRecorder messages;
    XDesktop& desktop = *m_desktop;
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);
    const Window ownerHidden =
        desktop.createWindow(Dock, QStringLiteral("Auto-hidden panel"), {0, 0, 1280, 20}, false);

    auto window = startStation(dir, false);
    QVERIFY(window);
    QVERIFY(desktop.isMapped(panel));
    QVERIFY(!desktop.isMapped(ownerHidden));
    QCOMPARE(desktop.screenSaverTimeout(), m_userTimeout);
    QVERIFY(!window->tmrSecurity->isActive());

    window->setAdminLoggedIn(true);
    window->setAdminLoggedIn(false);
    QVERIFY(desktop.isMapped(panel));
    QVERIFY(!desktop.isMapped(ownerHidden));
    QVERIFY(!window->tmrSecurity->isActive());
    stopStation(window);
}

void tst_LockDown::shellShown_takesAsManyRequestsWhateverTheNumberOfWindows_data()
{
    QTest::addColumn<bool>("lockedDownBefore");
    QTest::newRow("a start with the lock-down off") << false;
    QTest::newRow("the end of a lock-down") << true;
}

void tst_LockDown::shellShown_takesAsManyRequestsWhateverTheNumberOfWindows()
{
    QFETCH(bool, lockedDownBefore);
    XDesktop& desktop = *m_desktop;
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    X11Workstation station;
    QVERIFY(station.isConnected());
    // What the program does with the shell at a start with the lock-down off and at every end.
    const auto requestsToShowTheShell = [&] {
        if (lockedDownBefore) {
            station.HideDesktopIcons(true);
            station.HideTaskBar(true);
        }
        const unsigned long before = station.requestsSent();
        station.HideDesktopIcons(false);
        station.HideTaskBar(false);
        station.ScreenSaverOn();
        return station.requestsSent() - before;
    };
    requestsToShowTheShell(); // the connection learns its atoms once
    // The window manager maps the panel again in its own time: each count starts with it shown.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    const unsigned long amongFew = requestsToShowTheShell();
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    for (int i = 0; i < 200; ++i)
        desktop.createWindow("", QStringLiteral("Other %1").arg(i), OtherAppGeometry);
    QCOMPARE(requestsToShowTheShell(), amongFew);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
}

void tst_LockDown::screenSaver_timeoutIsZeroOnlyWhileLockedDown()
{
    TempProgramDir dir;
    MessageRecorder messages;
    QCOMPARE(m_desktop->screenSaverTimeout(), m_userTimeout);

    auto window = startStation(dir, true);
    QVERIFY(window);
    QCOMPARE(m_desktop->screenSaverTimeout(), 0);
    window->setAdminLoggedIn(true);
    QCOMPARE(m_desktop->screenSaverTimeout(), m_userTimeout);
    window->setAdminLoggedIn(false);
    QCOMPARE(m_desktop->screenSaverTimeout(), 0);

    // Closing as the user does ("Exit", AskOnExit "0") switches the lock-down off.
    QSignalSpy closed(window.get(), &frmHorodex::closed);
    window->requestClose(frmHorodex::CloseReason::User);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(m_desktop->screenSaverTimeout(), m_userTimeout);
    stopStation(window);
}

void tst_LockDown::screenSaver_inhibitIsHeldOnTheSessionBusWhileLockedDown()
{
    if (privateBus.address.isEmpty())
        QSKIP("dbus-daemon is not installed");
    QThread serviceThread;
    auto* service = new FakeScreenSaver;
    service->moveToThread(&serviceThread);
    serviceThread.start();
    QDBusConnection connection =
        QDBusConnection::connectToBus(privateBus.address, QStringLiteral("fake-screensaver"));
    QVERIFY(connection.isConnected());
    QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), service,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(connection.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));

    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, true);
    QVERIFY(window);
    QCOMPARE(service->held(), QStringList{QStringLiteral("Horodex")});
    window->setAdminLoggedIn(true);
    QCOMPARE(service->held(), QStringList());
    window->setAdminLoggedIn(false);
    QCOMPARE(service->held(), QStringList{QStringLiteral("Horodex")});
    stopStation(window);
    QCOMPARE(service->held(), QStringList());

    connection.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    connection.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-screensaver"));
    serviceThread.quit();
    serviceThread.wait();
    delete service;
}

void tst_LockDown::foreground_mainWindowReturnsAfterAnotherIsActivated()
{
    TempProgramDir dir;
    MessageRecorder messages;
    XDesktop& desktop = *m_desktop;
    const Window other =
        desktop.createWindow("", QStringLiteral("Other application"), OtherAppGeometry);
    auto window = startStation(dir, true);
    QVERIFY(window);
    const auto mainId = Window(window->winId());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(mainId), Patience);

    // The keeper paused, so that the other window is seen to win the focus first.
    window->tmrSecurity->stop();
    Xdo::activate(other);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(other), Patience);
    window->tmrSecurity->start();
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(mainId), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), window.get(), Patience);
    stopStation(window);
}

void tst_LockDown::foreground_coveringWindowIsPutBelowWithoutWindowManager()
{
    XDesktop& desktop = *m_desktop;
    if (desktop.windowManagerRunning())
        QSKIP("runs without a window manager (ctest runs it as tst_lockdown_nowm)");
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, true);
    QVERIFY(window);
    const auto mainId = Window(window->winId());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(mainId), Patience);

    // A new window opens on top of the station but leaves it the keyboard focus.
    window->tmrSecurity->stop();
    const Window cover =
        desktop.createWindow("", QStringLiteral("Covering window"), window->frameGeometry());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isStackedAbove(cover, mainId), Patience);
    QVERIFY(desktop.isActive(mainId));
    window->tmrSecurity->start();
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isStackedAbove(mainId, cover), Patience);
    QVERIFY(desktop.isActive(mainId));
    stopStation(window);
}

void tst_LockDown::foreground_minimisedMainWindowIsRestored()
{
    XDesktop& desktop = *m_desktop;
    if (!desktop.windowManagerRunning())
        QSKIP("minimising needs a window manager (scripts/with-xvfb.sh starts openbox)");
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, true);
    QVERIFY(window);
    const auto mainId = Window(window->winId());

    window->tmrSecurity->stop();
    Xdo::minimize(mainId);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isIconic(mainId) && window->isMinimized(), Patience);
    window->tmrSecurity->start();
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isIconic(mainId) && desktop.isActive(mainId), Patience);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isMinimized(), Patience);
    stopStation(window);
}

void tst_LockDown::foreground_pinWindowIsHeldInFrontWhileOpen()
{
    TempProgramDir dir;
    MessageRecorder messages;
    writeEmployees(dir, {QStringLiteral("Ann")});
    auto window = startStation(dir, true, true);
    QVERIFY(window);
    clickListItem(*window, QStringLiteral("Ann"));
    QTRY_VERIFY_WITH_TIMEOUT(!window->cmdOut->isEnabled(), Patience);

    bool heldInFront = false;
    Steps steps;
    expectHeldInFront<frmPin>(
        steps, *window, [](frmPin* pin) { return pin->cmdCancel; }, &heldInFront);
    Xdo::click(centreOf(window->cmdIn));
    QTRY_VERIFY_WITH_TIMEOUT(steps.done() && !QApplication::activeModalWidget(), Patience);
    QVERIFY(heldInFront);
    QCOMPARE(FrontWindows::front(), window.get());
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop->isActive(Window(window->winId())), Patience);
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    stopStation(window);
}

void tst_LockDown::foreground_messageWindowIsHeldInFrontWhileOpen()
{
    TempProgramDir dir;
    MessageRecorder messages(MessageRecorder::MessageWindow::Show);
    writeEmployees(dir, {QStringLiteral("Bob")});
    dir.write(QStringLiteral("Bob.txt"), QByteArray(32, 'x')); // not whole punch lines
    auto window = startStation(dir, true);
    QVERIFY(window);

    bool heldInFront = false;
    Steps steps;
    expectHeldInFront<frmMsgBox>(
        steps, *window, [](frmMsgBox* box) { return box->cmdOK; }, &heldInFront);
    clickListItem(*window, QStringLiteral("Bob"));
    QTRY_VERIFY_WITH_TIMEOUT(steps.done() && !QApplication::activeModalWidget(), Patience);
    QVERIFY(heldInFront);
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop->isActive(Window(window->winId())), Patience);
    stopStation(window);
}

void tst_LockDown::foreground_plainDialogIsHeldInFrontWhileOpen()
{
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, true);
    QVERIFY(window);

    bool heldInFront = false;
    Steps steps;
    expectHeldInFront<QDialog>(
        steps, *window, [](QDialog* dialog) { return dialog->findChild<QPushButton*>(); },
        &heldInFront);
    {
        // A new window that knows nothing of the lock-down.
        QDialog dialog(window.get());
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        QTimer::singleShot(3 * Patience, &dialog, &QDialog::reject); // a cap, not an expectation
        dialog.exec();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QVERIFY(heldInFront);
    QCOMPARE(FrontWindows::front(), window.get());
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop->isActive(Window(window->winId())), Patience);
    stopStation(window);
}

void tst_LockDown::foreground_stationIsRaisedWithThePinWindowOverAnotherWindow()
{
    TempProgramDir dir;
    MessageRecorder messages;
    XDesktop& desktop = *m_desktop;
    writeEmployees(dir, {QStringLiteral("Ann")});
    auto window = startStation(dir, true, true);
    QVERIFY(window);
    const auto mainId = Window(window->winId());
    clickListItem(*window, QStringLiteral("Ann"));
    QTRY_VERIFY_WITH_TIMEOUT(!window->cmdOut->isEnabled(), Patience);

    // With the keeper paused another application's window opens over the station and the PIN
    // window; running again, the keeper must bring both back over it.
    Window other = 0;
    bool bothInFront = false;
    const auto pinId = [] { return Window(openModal<frmPin>()->winId()); };
    Steps steps;
    steps
        .when([&] { return openModal<frmPin>() && desktop.isActive(pinId()); },
              [&] {
                  window->tmrSecurity->stop();
                  other = desktop.createWindow("", QStringLiteral("Other application"),
                                               window->frameGeometry());
              })
        .when([&] { return desktop.isStackedAbove(other, pinId()); },
              [&] { window->tmrSecurity->start(); })
        .when(
            [&] {
                return desktop.isStackedAbove(pinId(), mainId) &&
                       desktop.isStackedAbove(mainId, other) && desktop.isActive(pinId());
            },
            [&] {
                bothInFront = true;
                Xdo::click(centreOf(openModal<frmPin>()->cmdCancel));
            });
    Xdo::click(centreOf(window->cmdIn));
    QTRY_VERIFY_WITH_TIMEOUT(steps.done() && !QApplication::activeModalWidget(), 4 * Patience);
    QVERIFY(bothInFront);
    stopStation(window);
}

void tst_LockDown::desktopSwitch_leavesTheStationShownAndActive()
{
    XDesktop& desktop = *m_desktop;
    if (!desktop.windowManagerRunning())
        QSKIP("desktops need a window manager (scripts/with-xvfb.sh starts openbox)");
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, true);
    QVERIFY(window);
    const auto mainId = Window(window->winId());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(mainId), Patience);
    const int before = desktop.currentDesktop();

    Xdo::key(QStringLiteral("ctrl+alt+Right"));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.currentDesktop() != before, Patience);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isViewable(mainId) && desktop.isActive(mainId), Patience);
    QVERIFY(!desktop.isIconic(mainId));
    stopStation(window);
}

void tst_LockDown::bareScreen_clicksLandOnACoverBelowTheStation()
{
    TempProgramDir dir;
    MessageRecorder messages;
    XDesktop& desktop = *m_desktop;
    auto window = startStation(dir, true);
    QVERIFY(window);
    const auto mainId = Window(window->winId());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(mainId), Patience);

    int rightPresses = 0;
    int wheelTurns = 0;
    struct InputCounter : QObject
    {
        int* presses;
        int* turns;
        InputCounter(int* p, int* t) : presses(p), turns(t) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::MouseButtonPress &&
                static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
                ++*presses;
            if (event->type() == QEvent::Wheel)
                ++*turns;
            return false;
        }
    } counter(&rightPresses, &wheelTurns);
    qApp->installEventFilter(&counter);

    // A right button held down on the bare screen: the window manager's root menu shows
    // while it is down, if the press reaches the root window.
    const QPoint bare(4, 4);
    QVERIFY(!window->frameGeometry().contains(bare));
    const QList<Window> shownBefore = desktop.shownTopLevels();
    Xdo::run({QStringLiteral("mousemove"), QStringLiteral("4"), QStringLiteral("4"),
              QStringLiteral("mousedown"), QStringLiteral("3")});
    QTRY_VERIFY_WITH_TIMEOUT(rightPresses > 0 || desktop.shownTopLevels() != shownBefore, Patience);
    const QList<Window> shownDuring = desktop.shownTopLevels();
    Xdo::run({QStringLiteral("mouseup"), QStringLiteral("3")});
    QCOMPARE(shownDuring, shownBefore);
    QVERIFY(rightPresses > 0); // the press reached the program, not the root window

    // A turn of the wheel there switches desktops, if it reaches the root window.
    const int desktopBefore = desktop.currentDesktop();
    Xdo::clickButton(bare, 5);
    QTRY_VERIFY_WITH_TIMEOUT(wheelTurns > 0 || desktop.currentDesktop() != desktopBefore, Patience);
    qApp->removeEventFilter(&counter);
    QCOMPARE(desktop.currentDesktop(), desktopBefore);

    // The press landed on a cover of the whole screen, which lies below the station.
    QWidget* cover = QApplication::widgetAt(bare);
    QVERIFY(cover && cover->isWindow());
    QCOMPARE(cover->geometry(), window->screen()->geometry());
    const auto coverId = Window(cover->winId());
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isStackedAbove(mainId, coverId) && desktop.isActive(mainId),
                             Patience);
    QCOMPARE(FrontWindows::front(), window.get());

    window->setAdminLoggedIn(true);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(coverId), Patience);
    stopStation(window);
}

void tst_LockDown::startLogin_takesTheKeyboardAsItOpens_data()
{
    QTest::addColumn<bool>("firstRun");
    QTest::newRow("first run") << true;
    QTest::newRow("start password") << false;
}

void tst_LockDown::startLogin_takesTheKeyboardAsItOpens()
{
    QFETCH(bool, firstRun);
    TempProgramDir dir;
    MessageRecorder messages;
    if (!firstRun) {
        OptionsRecord options = TestOptions(false, false);
        options.setAskOnStart(true);
        dir.write(QStringLiteral("options.ini"), options.toBytes());
    }
    // The pointer away from where the login opens: the keyboard must not need it.
    Xdo::run({QStringLiteral("mousemove"), QStringLiteral("1"), QStringLiteral("1")});
    auto window = std::make_unique<frmHorodex>();
    QVERIFY(StartMainWindow(window.get()));
    frmAdminLogin* login = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((login = window->findChild<frmAdminLogin*>()) && login->isVisible(),
                             Patience);
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop->isActive(Window(login->winId())), Patience);

    const QString password = QLatin1String(TestPassword);
    Xdo::type(firstRun ? password + u'\t' + password : password);
    Xdo::key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), Patience);
    QVERIFY(messages.messages.isEmpty());
    stopStation(window);
}

template <typename Dialog>
void tst_LockDown::expectHeldInFront(Steps& steps, frmHorodex& window,
                                     std::function<QPushButton*(Dialog*)> closeButton,
                                     bool* heldInFront)
{
    XDesktop& desktop = *m_desktop;
    const Window other =
        desktop.createWindow("", QStringLiteral("Other application"), OtherAppGeometry);
    const auto dialogInFront = [&desktop] {
        auto* dialog = openModal<Dialog>();
        return dialog && FrontWindows::front() == dialog &&
               desktop.isActive(Window(dialog->winId()));
    };
    // With the keeper paused another application takes the focus; running again, the keeper
    // must bring the dialog back, which is then closed with a real click. A loaded X server may
    // drop an activation or a click: each is sent again every second until it has taken effect.
    steps
        .when(dialogInFront,
              [&window, other] {
                  window.tmrSecurity->stop();
                  Xdo::activate(other);
              })
        .when(
            [&desktop, other, polls = 0]() mutable {
                if (++polls % 50 == 0)
                    Xdo::activate(other);
                return desktop.isActive(other);
            },
            [&window] { window.tmrSecurity->start(); })
        .when(dialogInFront,
              [closeButton, heldInFront] {
                  *heldInFront = true;
                  Xdo::click(centreOf(closeButton(openModal<Dialog>())));
              })
        .when(
            [closeButton, polls = 0]() mutable {
                auto* dialog = openModal<Dialog>();
                if (dialog && ++polls % 50 == 0)
                    Xdo::click(centreOf(closeButton(dialog)));
                return !dialog;
            },
            [] {});
}

void tst_LockDown::endToEnd_clickingInRecordsThePunchAndShowsIt()
{
    TempProgramDir dir;
    MessageRecorder messages;
    FixedClock clock(QDateTime(QDate(2024, 3, 5), QTime(8, 7)));
    writeEmployees(dir, {QStringLiteral("Ann"), QStringLiteral("Bob")});
    auto window = startStation(dir, true);
    QVERIFY(window);

    clickListItem(*window, QStringLiteral("Ann"));
    QTRY_VERIFY_WITH_TIMEOUT(window->cmdIn->isEnabled() && !window->cmdOut->isEnabled(), Patience);
    Xdo::click(centreOf(window->cmdIn));

    const QByteArray line = punchLine("IN", "03/05/2024", "08:07");
    QTRY_COMPARE_WITH_TIMEOUT(dir.read(QStringLiteral("Ann.txt")), line, Patience);
    const QString shown =
        QStringLiteral(" Last Action: ") +
        FormatLastActionText(TimeRecord::fromBytes(line), GlobalOptions().timeFormat());
    QTRY_COMPARE_WITH_TIMEOUT(window->lastActionShown(), shown, Patience);
    QVERIFY(!window->cmdIn->isEnabled());
    QVERIFY(window->cmdOut->isEnabled());
    QVERIFY(messages.messages.isEmpty());
    stopStation(window);
}

void tst_LockDown::fallback_coversTheShellFullScreenOnTop()
{
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, false);
    QVERIFY(window);
    const QSize normalSize = window->size();
    QCOMPARE(window->maximumSize(), normalSize);
    FullScreenWorkstation cover;
    cover.HideDesktopIcons(true);
    cover.HideTaskBar(true);
    QVERIFY(cover.isCovering());
    QVERIFY(window->isVisible());
    QVERIFY(window->windowState() & Qt::WindowFullScreen);
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    // The window keeps its size at other times, but covers the screen now (full screen is the
    // window manager's to give: the lock-down holds the station in front where none runs).
    if (m_desktop->windowManagerRunning())
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), window->screen()->size(), Patience);

    cover.HideDesktopIcons(false);
    QVERIFY(cover.isCovering()); // the task bar is still to be hidden
    cover.HideTaskBar(false);
    QVERIFY(!cover.isCovering());
    QVERIFY(window->isVisible());
    QVERIFY(!(window->windowState() & Qt::WindowFullScreen));
    QVERIFY(!(window->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(window->maximumSize(), normalSize);
    QTRY_COMPARE_WITH_TIMEOUT(window->size(), normalSize, Patience);
    stopStation(window);
}

void tst_LockDown::frames_noWindowResizesAndTheMainWindowMinimises()
{
    XDesktop& desktop = *m_desktop;
    if (!desktop.windowManagerRunning())
        QSKIP("needs a window manager (scripts/with-xvfb.sh starts openbox)");
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, false);
    QVERIFY(window);
    const auto actionsOf = [&desktop](QWidget* w) {
        QStringList actions;
        const auto announced = [&] {
            actions = desktop.allowedActions(w->winId());
            return !actions.isEmpty();
        };
        return QTest::qWaitFor(announced, Patience) ? actions : QStringList();
    };
    const QStringList sizing{QStringLiteral("_NET_WM_ACTION_MAXIMIZE_HORZ"),
                             QStringLiteral("_NET_WM_ACTION_MAXIMIZE_VERT"),
                             QStringLiteral("_NET_WM_ACTION_RESIZE")};
    const QStringList mainActions = actionsOf(window.get());
    QVERIFY2(mainActions.contains(QStringLiteral("_NET_WM_ACTION_MINIMIZE")),
             qPrintable(mainActions.join(u' ')));
    for (const QString& action : sizing)
        QVERIFY2(!mainActions.contains(action), qPrintable(action));

    // A window manager may still offer to minimise a dialog (openbox does for every dialog);
    // none may offer to resize or maximise one.
    {
        frmPin pin(QStringLiteral("Ann"), true, window.get());
        frmMsgBox message(WindowMessage::InvalidTimeFile, window.get());
        frmAdminLogin login(LoginMode::Management, window.get());
        frmAddEmployee employee(std::nullopt, window.get());
        AboutBox about(window.get());
        for (QDialog* dialog :
             std::initializer_list<QDialog*>{&pin, &message, &login, &employee, &about}) {
            dialog->show();
            const QStringList actions = actionsOf(dialog);
            QVERIFY2(!actions.isEmpty(), dialog->metaObject()->className());
            for (const QString& action : sizing)
                QVERIFY2(
                    !actions.contains(action),
                    qPrintable(QLatin1String(dialog->metaObject()->className()) + u' ' + action));
            dialog->hide();
        }
    }
    stopStation(window);
}

void tst_LockDown::signalBridge_deliversSignalsOnTheEventLoop()
{
    SignalBridge bridge({SIGUSR1, SIGUSR2});
    QVERIFY(bridge.isActive());
    QSignalSpy received(&bridge, &SignalBridge::received);
    ::raise(SIGUSR2);
    ::raise(SIGUSR1);
    QCOMPARE(received.count(), 0); // nothing runs inside the handler
    QTRY_COMPARE_WITH_TIMEOUT(received.count(), 2, Patience);
    QCOMPARE(received.at(0).at(0).toInt(), SIGUSR2);
    QCOMPARE(received.at(1).at(0).toInt(), SIGUSR1);
}

void tst_LockDown::sessionEndWatch_takesTheQuitEventAsTheEndAndKeepsItFromClosingWindows()
{
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = startStation(dir, false);
    QVERIFY(window);
    SessionEndWatch watch;
    QSignalSpy ending(&watch, &SessionEndWatch::sessionEnding);
    QSignalSpy closed(window.get(), &frmHorodex::closed);
    // What Qt's session management does with the session manager's die message.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    QCOMPARE(ending.count(), 1);
    QCOMPARE(closed.count(), 0); // the close rule, not Qt's own closing of every window
    QVERIFY(window->isVisible());
    stopStation(window);
}

void tst_LockDown::secondCopy_bringsFirstForwardAndEndsWithoutWindow()
{
    XDesktop& desktop = *m_desktop;
    ProgramCopy program(false, false);
    QVERIFY(program.isReady());
    const Window other =
        desktop.createWindow("", QStringLiteral("Other application"), OtherAppGeometry);

    QProcess* first = startShown(program, desktop);
    QVERIFY(first);
    const Window firstWindow = desktop.visibleWindowsOfProcess(first->processId()).first();
    if (desktop.windowManagerRunning()) {
        Xdo::minimize(firstWindow);
        QTRY_VERIFY_WITH_TIMEOUT(desktop.isIconic(firstWindow), Patience);
    }
    Xdo::activate(other);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isActive(other), Patience);

    QProcess* second = program.start();
    bool secondShowedWindow = false;
    QTRY_VERIFY_WITH_TIMEOUT((secondShowedWindow |= hasVisibleWindow(desktop, second),
                              second->state() == QProcess::NotRunning),
                             Patience);
    QVERIFY(!secondShowedWindow);
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isIconic(firstWindow) && desktop.isActive(firstWindow),
                             Patience);
    QCOMPARE(first->state(), QProcess::Running);

    QVERIFY(endWithSignal(first, SIGTERM));
    QCOMPARE(first->exitCode(), 0);
}

void tst_LockDown::secondCopy_withNpStarts()
{
    XDesktop& desktop = *m_desktop;
    ProgramCopy program(false, false);
    QVERIFY(program.isReady());
    QProcess* first = startShown(program, desktop);
    QVERIFY(first);

    QProcess* second = program.start({QStringLiteral("/np")});
    QTRY_VERIFY_WITH_TIMEOUT(hasVisibleWindow(desktop, second), Patience);
    QCOMPARE(first->state(), QProcess::Running);
}

void tst_LockDown::killedCopy_doesNotBlockTheNextStart()
{
    XDesktop& desktop = *m_desktop;
    ProgramCopy program(false, false);
    QVERIFY(program.isReady());
    QProcess* first = startShown(program, desktop);
    QVERIFY(first);
    QVERIFY(endWithSignal(first, SIGKILL));
    QVERIFY(QFile::exists(program.dataDir() + QStringLiteral("/horodex.lock")));

    QProcess* next = startShown(program, desktop);
    QVERIFY(next);
    QCOMPARE(next->state(), QProcess::Running);

    // And the new copy is the one later copies find.
    QProcess* third = program.start();
    QVERIFY(third->waitForFinished(Patience));
    QCOMPARE(third->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);
}

void tst_LockDown::killedLockedCopy_nextStartWithLockDownOffGivesTheDesktopBack()
{
    XDesktop& desktop = *m_desktop;
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    ProgramCopy program(true, false);
    QVERIFY(program.isReady());
    QProcess* locked = startShown(program, desktop);
    QVERIFY(locked);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(panel) && desktop.screenSaverTimeout() == 0,
                             Patience);
    QVERIFY(endWithSignal(locked, SIGKILL));
    QVERIFY(!desktop.isMapped(panel)); // a killed program puts nothing back

    // Lock-down now off: the next start gives back what the killed one took, once it is shown.
    program.writeOptions(false, false);
    QVERIFY(startShown(program, desktop));
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.screenSaverTimeout(), m_userTimeout, Patience);
}

void tst_LockDown::sigterm_withAskOnExitRestartsWithNp()
{
    XDesktop& desktop = *m_desktop;
    ProgramCopy program(false, true);
    QVERIFY(program.isReady());
    QProcess* first = startShown(program, desktop);
    QVERIFY(first);

    QVERIFY(endWithSignal(first, SIGTERM));
    QCOMPARE(first->exitStatus(), QProcess::NormalExit);

    qint64 restarted = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const auto running = program.runningProcesses();
            if (running.size() != 1 || running.first().second != QStringList{QStringLiteral("/np")})
                return false;
            restarted = running.first().first;
            return !desktop.visibleWindowsOfProcess(restarted).isEmpty();
        }(),
        Patience);
    QVERIFY(restarted != first->processId());
}

void tst_LockDown::sigterm_withoutAskOnExitEndsWithLockDownOff()
{
    XDesktop& desktop = *m_desktop;
    ProgramCopy program(true, false);
    QVERIFY(program.isReady());
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);

    QProcess* running = startShown(program, desktop);
    QVERIFY(running);
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(panel) && desktop.screenSaverTimeout() == 0,
                             Patience);

    QVERIFY(endWithSignal(running, SIGTERM));
    QCOMPARE(running->exitStatus(), QProcess::NormalExit);
    QCOMPARE(running->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    QCOMPARE(desktop.screenSaverTimeout(), m_userTimeout);
    QVERIFY(program.runningProcesses().isEmpty());
}

void tst_LockDown::terminalSignal_endsWithoutAskingAndGivesTheDesktopBack_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGHUP, the terminal closed") << int(SIGHUP);
    QTest::newRow("SIGINT, Ctrl+C in the terminal") << int(SIGINT);
    QTest::newRow("SIGQUIT, Ctrl+\\ in the terminal") << int(SIGQUIT);
}

void tst_LockDown::terminalSignal_endsWithoutAskingAndGivesTheDesktopBack()
{
    QFETCH(int, signalNumber);
    XDesktop& desktop = *m_desktop;
    ProgramCopy program(true, true);
    QVERIFY(program.isReady());
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);

    QProcess* running = program.start();
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(panel) && desktop.screenSaverTimeout() == 0,
                             Patience);
    QVERIFY(endWithSignal(running, signalNumber));
    QCOMPARE(running->exitStatus(), QProcess::NormalExit);
    QCOMPARE(running->exitCode(), 0);
    // The terminal it ran from is gone: no password is asked and nothing is restarted, but
    // the desktop is the user's again.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    QCOMPARE(desktop.screenSaverTimeout(), m_userTimeout);
    QVERIFY(program.runningProcesses().isEmpty());
}

void tst_LockDown::lostDisplay_endsWithoutCleanUpOrRestart()
{
    // A display of its own, so that the test can take it away; -noreset, since a server that
    // resets after each probing client would refuse the program while it does.
    QTemporaryDir work;
    QProcess server;
    server.start(
        QStringLiteral("bash"),
        {QStringLiteral("-c"),
         QStringLiteral("exec Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset "
                        "3>'%1/display'")
             .arg(work.path())});
    QVERIFY(server.waitForStarted(Patience));
    QFile displayFile(work.path() + QStringLiteral("/display"));
    QTRY_VERIFY_WITH_TIMEOUT(displayFile.size() > 0, Patience);
    QVERIFY(displayFile.open(QIODevice::ReadOnly));
    const QByteArray display = ':' + displayFile.readAll().trimmed();

    // xdotool on the private display: true when it succeeds.
    const auto onDisplay = [&display](const QStringList& arguments) {
        QProcess xdotool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        xdotool.setProcessEnvironment(environment);
        xdotool.start(QStringLiteral("xdotool"), arguments);
        return xdotool.waitForFinished(Patience) && xdotool.exitStatus() == QProcess::NormalExit &&
               xdotool.exitCode() == 0;
    };
    // The number is written before the server takes clients.
    QTRY_VERIFY_WITH_TIMEOUT(onDisplay({QStringLiteral("getdisplaygeometry")}), Patience);

    ProgramCopy program(true, true);
    QVERIFY(program.isReady());
    const QByteArray ownDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", display);
    QProcess* running = program.start();
    qputenv("DISPLAY", ownDisplay);
    // Locked down with the password asked on exit: a clean close would restart with /np.
    const auto shown = [&] {
        return onDisplay({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--pid"), QString::number(running->processId())});
    };
    QTRY_VERIFY_WITH_TIMEOUT(shown() || running->state() != QProcess::Running, Patience);
    QCOMPARE(running->state(), QProcess::Running);

    server.terminate();
    QVERIFY(server.waitForFinished(Patience));
    QVERIFY(running->waitForFinished(Patience));
    QVERIFY(program.runningProcesses().isEmpty()); // not restarted with /np
}

void tst_LockDown::sessionSave_keepsTheProgramAndDieEndsItGivingTheDesktopBack()
{
    XDesktop& desktop = *m_desktop;
    QProcess manager;
    manager.start(QCoreApplication::applicationDirPath() + QStringLiteral("/sessionmanager"));
    QVERIFY(manager.waitForStarted(Patience));
    const auto nextLine = [&manager] {
        QDeadlineTimer cap(Patience);
        while (!manager.canReadLine() && !cap.hasExpired())
            manager.waitForReadyRead(int(cap.remainingTime()));
        return manager.readLine().trimmed();
    };
    const QByteArray address = nextLine();
    QVERIFY(!address.isEmpty());

    ProgramCopy program(true, true);
    QVERIFY(program.isReady());
    const Window panel = desktop.createWindow(Dock, QStringLiteral("Panel"), PanelGeometry);
    qputenv("SESSION_MANAGER", address);
    QProcess* running = program.start();
    qunsetenv("SESSION_MANAGER");
    QCOMPARE(nextLine(), QByteArray("registered"));
    QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(panel) && desktop.screenSaverTimeout() == 0,
                             Patience);

    manager.write("save\n");
    QVERIFY(manager.waitForBytesWritten(Patience));
    QCOMPARE(nextLine(), QByteArray("saved"));
    // A checkpoint: the program stays, still locked down.
    QVERIFY(!running->waitForFinished(500));
    QVERIFY(!desktop.isMapped(panel));

    manager.write("die\n");
    QVERIFY(manager.waitForBytesWritten(Patience));
    QVERIFY(running->waitForFinished(Patience));
    QCOMPARE(running->exitStatus(), QProcess::NormalExit);
    QCOMPARE(running->exitCode(), 0);
    // The session is ending: nothing is asked or restarted, but the desktop is put back.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.isMapped(panel), Patience);
    QCOMPARE(desktop.screenSaverTimeout(), m_userTimeout);
    QVERIFY(program.runningProcesses().isEmpty());
    manager.closeWriteChannel();
    QVERIFY(manager.waitForFinished(Patience));
}

int main(int argc, char* argv[])
{
    // Away from the test script's own X server (none, or the developer's desktop) the tests
    // report themselves skipped instead of touching it.
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty() || display != qgetenv("HORODEX_TEST_XVFB"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else
        startPrivateBus();
    int result = 0;
    {
        QApplication app(argc, argv);
        tst_LockDown test;
        result = QTest::qExec(&test, argc, argv);
    }
    if (privateBus.pid > 0)
        ::kill(pid_t(privateBus.pid), SIGTERM);
    return result;
}

#include "tst_lockdown.moc"
