// The keys of a badge reader's burst on a real X server: held until the burst is known to be a
// scan or typing, a scan's keys reaching no control, typing reaching its box unchanged, and a
// password typed by a program taken for a password. The tests that type run only on the server of
// scripts/with-xvfb.sh; the others anywhere.

#include "app/Application.h"
#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "lockdown/ProgramCopy.h"
#include "lockdown/ScanStation.h"
#include "lockdown/Steps.h"
#include "station/frmAdminLogin.h"
#include "station/frmHorodex.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/BadgeScanner.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"
#undef KeyPress

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
using ScanStation::AnnCode;
using ScanStation::Today;

bool onTestServer()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           !qEnvironmentVariableIsEmpty("HORODEX_TEST_XVFB");
}

#define SKIP_OFF_THE_TEST_SERVER()                                                                 \
    if (!onTestServer())                                                                           \
    QSKIP("this test types with xdotool, so it runs only on the X server of the test script: "     \
          "scripts/with-xvfb.sh ctest --test-dir build -L realx")

// Keys as xdotool names them, keyMs apart, from one xdotool: a reader, or a program typing.
void press(const QStringList& keys, int keyMs)
{
    Xdo::run(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(keyMs)} +
             keys);
}

// The code's keys without Enter.
QStringList keysWithoutEnter(const QString& code)
{
    QStringList keys = ScanStation::keysOf(code);
    keys.removeLast();
    return keys;
}

// Counts the keys a widget is sent.
class KeySpy : public QObject
{
public:
    explicit KeySpy(QWidget* widget) { widget->installEventFilter(this); }
    int keys = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++keys;
        return false;
    }
};

// The display's times of a scan's keys, up to its Enter, as they reach their window before the
// station sees them. A loaded machine may deliver a reader's burst with gaps, and such a burst is
// typing: the test then tries again.
class ScanTimes : public QObject
{
public:
    // After the station: the filter installed last sees the keys first.
    ScanTimes() { qApp->installEventFilter(this); }
    ~ScanTimes() override { qApp->removeEventFilter(this); }

    bool enterSeen() const { return m_enter; }
    bool atAReadersPace() const
    {
        for (qsizetype i = 1; i < m_times.size(); ++i) {
            if (m_times[i] < m_times[i - 1] ||
                m_times[i] - m_times[i - 1] > quint64(BadgeScanner::BurstGapMs))
                return false;
        }
        return m_enter;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_enter || event->type() != QEvent::KeyPress || !watched->isWindowType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (BadgeScanner::isModifier(key->key()))
            return false;
        m_times.append(key->timestamp());
        m_enter = key->key() == Qt::Key_Return;
        return false;
    }

private:
    QList<quint64> m_times;
    bool m_enter = false;
};

constexpr int Attempts = 10;

frmAdminLogin* loginInFront()
{
    auto* login = qobject_cast<frmAdminLogin*>(QApplication::activeModalWidget());
    if (!login)
        login = qobject_cast<frmAdminLogin*>(QApplication::activeWindow());
    return login && QApplication::activeWindow() == login ? login : nullptr;
}

// Opens the administrator's login from the station's menu, as a click would; the login runs its
// own loop, inside which steps act, and this returns once it has closed. A login still open after
// the patience is cancelled, so that a test that fails does not hang.
void runManagementLogin(frmHorodex* window)
{
    QTimer patience;
    patience.setSingleShot(true);
    QObject::connect(&patience, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    patience.start(Patience);
    window->mnuAdminLogin_Click();
}

} // namespace

class tst_BadgeKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void overlongScan_keepsItsRealLength();
    void scanWithTheListFocused_reachesNoControl_data();
    void scanWithTheListFocused_reachesNoControl();
    void fastTypingInAnotherWindow_reachesItsBoxInOrder_data();
    void fastTypingInAnotherWindow_reachesItsBoxInOrder();
    void passwordTypedByAProgram_logsTheAdministratorIn_data();
    void passwordTypedByAProgram_logsTheAdministratorIn();
    void firstRunPasswordTypedByAProgram_writesTheSettings();
    void badgeScannedIntoTheLogin_leavesItsCodeOnlyIfUnknown_data();
    void badgeScannedIntoTheLogin_leavesItsCodeOnlyIfUnknown();
};

void tst_BadgeKeys::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    if (onTestServer())
        QVERIFY2(Xdo::run({QStringLiteral("version")}), "xdotool is needed for real input events");
}

void tst_BadgeKeys::overlongScan_keepsItsRealLength()
{
    const QString code(100, u'7');
    BadgeScanner scanner;
    quint64 at = 1000;
    for (const QChar c : code)
        QVERIFY(scanner.keyPressed(Qt::Key_7, QString(c), at += 5) !=
                BadgeScanner::Outcome::Scanned);
    QCOMPARE(scanner.keyPressed(Qt::Key_Return, QStringLiteral("\r"), at += 5),
             BadgeScanner::Outcome::Scanned);
    QCOMPARE(scanner.code(), code);
    const Result<QString> read = NormalizeBadgeCode(scanner.code());
    QVERIFY(!read);
    QVERIFY2(read.failure().error.contains(QStringLiteral("this one has 100")),
             qPrintable(read.failure().error));
}

void tst_BadgeKeys::scanWithTheListFocused_reachesNoControl_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("revoked");
    // Type-to-search would choose Ann by the first letter, Bob by Ann's card's.
    QTest::newRow("unknown card") << QStringLiteral("ANN70001") << false;
    QTest::newRow("revoked card") << AnnCode << true;
}

void tst_BadgeKeys::scanWithTheListFocused_reachesNoControl()
{
    SKIP_OFF_THE_TEST_SERVER();
    QFETCH(QString, code);
    QFETCH(bool, revoked);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        TempProgramDir dir;
        MessageRecorder messages;
        QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
        if (revoked)
            QVERIFY(RevokeBadges(QStringLiteral("Ann"), Today));
        auto window = ScanStation::start(dir, false);
        QVERIFY(window);
        window->lstNames->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(window->lstNames->hasFocus(), Patience);
        KeySpy spy(window->lstNames);
        ScanTimes times;
        press(ScanStation::keysOf(code), 5);
        QTRY_VERIFY_WITH_TIMEOUT(times.enterSeen(), Patience);
        if (!times.atAReadersPace()) {
            ScanStation::stop(window);
            continue;
        }
        // The answer is the strip's: a box would hold up the people behind.
        QTRY_VERIFY_WITH_TIMEOUT(window->lastActionShown().contains(QStringLiteral("not known")),
                                 Patience);
        QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join(u'\n')));
        QCOMPARE(spy.keys, 0);
        QCOMPARE(window->lstNames->chosenName(), QString());
        QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
        QVERIFY(dir.read(QStringLiteral("Bob.txt")).isEmpty());
        ScanStation::stop(window);
        return;
    }
    QSKIP("the display never delivered the keys at a reader's pace");
}

void tst_BadgeKeys::fastTypingInAnotherWindow_reachesItsBoxInOrder_data()
{
    QTest::addColumn<bool>("withEnter");
    QTest::newRow("without Enter") << false;
    QTest::newRow("ended by Enter") << true;
}

void tst_BadgeKeys::fastTypingInAnotherWindow_reachesItsBoxInOrder()
{
    SKIP_OFF_THE_TEST_SERVER();
    QFETCH(bool, withEnter);
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = ScanStation::start(dir, false, false);
    QVERIFY(window);
    // Another window of the program, with a box that takes what is typed.
    QLineEdit box;
    int entered = 0;
    connect(&box, &QLineEdit::returnPressed, &box, [&entered] { ++entered; });
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box, Patience));
    box.setFocus();
    box.activateWindow();
    Xdo::activate(Window(box.winId()));
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &box && box.hasFocus(), Patience);
    const QString text = QStringLiteral("Ab1Cd2Ef3");
    QStringList keys = keysWithoutEnter(text);
    if (withEnter)
        keys.append(QStringLiteral("Return"));
    press(keys, 5);
    // The last key typed slowly, on its own: once it is there, every key before it is.
    Xdo::key(QStringLiteral("z"));
    QTRY_COMPARE_WITH_TIMEOUT(box.text(), text + u'z', Patience);
    QCOMPARE(entered, withEnter ? 1 : 0);
    QVERIFY(messages.messages.isEmpty());
    ScanStation::stop(window);
}

void tst_BadgeKeys::passwordTypedByAProgram_logsTheAdministratorIn_data()
{
    QTest::addColumn<int>("keyMs");
    QTest::newRow("a reader's pace, 5 ms") << 5;
    QTest::newRow("auto-type at 25 ms") << 25;
    QTest::newRow("auto-type at 30 ms") << 30;
}

void tst_BadgeKeys::passwordTypedByAProgram_logsTheAdministratorIn()
{
    SKIP_OFF_THE_TEST_SERVER();
    QFETCH(int, keyMs);
    TempProgramDir dir;
    MessageRecorder messages;
    auto window = ScanStation::start(dir, false);
    QVERIFY(window);
    State().AdminLoggedIn = false;
    Steps steps;
    steps.when([] { return loginInFront() != nullptr; },
               [keyMs] { press(ScanStation::keysOf(QLatin1String(TestPassword)), keyMs); });
    runManagementLogin(window.get());
    QVERIFY(steps.done());
    QVERIFY(State().AdminLoggedIn);
    QVERIFY(messages.windowed.isEmpty());
    ScanStation::stop(window);
}

void tst_BadgeKeys::firstRunPasswordTypedByAProgram_writesTheSettings()
{
    SKIP_OFF_THE_TEST_SERVER();
    TempProgramDir dir;
    MessageRecorder messages;
    dir.write(QStringLiteral("names.nms"),
              SerializeEmployeeRecord(sampleEmployee(QStringLiteral("Ann"))));
    auto window = std::make_unique<frmHorodex>();
    QVERIFY(StartMainWindow(window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(loginInFront() && loginInFront()->txtPassword->hasFocus(), Patience);
    QCOMPARE(loginInFront()->mode(), LoginMode::FirstRun);
    const QString password = QStringLiteral("start42");
    press(keysWithoutEnter(password) + QStringList{QStringLiteral("Tab")} +
              ScanStation::keysOf(password),
          28);
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), Patience);
    QVERIFY(dir.exists(QStringLiteral("options.ini")));
    QVERIFY(CheckAdminPassword(GlobalOptions(), password).value());
    QVERIFY(messages.messages.isEmpty());
    window.reset();
}

void tst_BadgeKeys::badgeScannedIntoTheLogin_leavesItsCodeOnlyIfUnknown_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("typed");
    QTest::newRow("a badge in use") << AnnCode << false;
    QTest::newRow("an unknown code") << QStringLiteral("Q1W2E3R4") << true;
}

void tst_BadgeKeys::badgeScannedIntoTheLogin_leavesItsCodeOnlyIfUnknown()
{
    SKIP_OFF_THE_TEST_SERVER();
    QFETCH(QString, code);
    QFETCH(bool, typed);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        TempProgramDir dir;
        MessageRecorder messages;
        QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
        auto window = ScanStation::start(dir, false);
        QVERIFY(window);
        State().AdminLoggedIn = false;
        ScanTimes times;
        QString left;
        Steps steps;
        steps.when([] { return loginInFront() != nullptr; },
                   [code] {
                       press(ScanStation::keysOf(code), 5);
                       // A key after the scan: once it is in the box, the scan's keys are done.
                       Xdo::key(QStringLiteral("x"));
                   });
        steps.when(
            [] { return loginInFront() && loginInFront()->txtPassword->text().endsWith(u'x'); },
            [&left] {
                left = loginInFront()->txtPassword->text();
                loginInFront()->reject();
            });
        runManagementLogin(window.get());
        if (!times.atAReadersPace()) {
            ScanStation::stop(window);
            continue;
        }
        QVERIFY(steps.done());
        // Typed, the code was the password tried with Enter: wrong, it is refused and emptied.
        QCOMPARE(left, QStringLiteral("x"));
        QCOMPARE(messages.windowed.size(), typed ? 1 : 0);
        QVERIFY(!State().AdminLoggedIn);
        QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
        ScanStation::stop(window);
        return;
    }
    QSKIP("the display never delivered the keys at a reader's pace");
}

QTEST_MAIN(tst_BadgeKeys)
#include "tst_badgekeys.moc"
