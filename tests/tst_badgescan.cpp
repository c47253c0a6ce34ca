// A badge reader on a real X server: xdotool types a card's code and Enter as a reader does, into
// the main window under lock-down, with a window manager and without one. Anywhere but on the
// server of scripts/with-xvfb.sh every test is skipped.

#include "app/Application.h"
#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "lockdown/ProgramCopy.h"
#include "lockdown/Steps.h"
#include "station/LockDown.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
const QDate Today(2024, 3, 5);
const QString AnnCode = QStringLiteral("BCDFGHJKLNPRSTUV");
const QString BobCode = QStringLiteral("0004711");

// What a reader sends: the code's keys and Return, keyMs apart, from one xdotool (a letter or a
// digit is its own key name).
void scan(const QString& code, int keyMs)
{
    QStringList keys{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(keyMs)};
    for (const QChar c : code)
        keys.append(QString(c));
    keys.append(QStringLiteral("Return"));
    Xdo::run(keys);
}

std::unique_ptr<frmHorodex> startStation(const TempProgramDir& dir, bool askForPin)
{
    OptionsRecord options = TestOptions(true, false);
    options.setAskForPin(askForPin);
    dir.write(QStringLiteral("options.ini"), options.toBytes());
    QByteArray names;
    for (const char* name : {"Ann", "Bob"})
        names += SerializeEmployeeRecord(sampleEmployee(QLatin1String(name)));
    dir.write(QStringLiteral("names.nms"), names);
    auto window = std::make_unique<frmHorodex>();
    if (!StartMainWindow(window.get()) || !QTest::qWaitForWindowExposed(window.get(), Patience))
        return nullptr;
    // Keys go where the keyboard focus is: wait until the lock-down has given it to the station.
    if (!QTest::qWaitFor([&window] { return QApplication::activeWindow() == window.get(); },
                         Patience))
        return nullptr;
    return window;
}

void stopStation(std::unique_ptr<frmHorodex>& window)
{
    if (window)
        window->lockDown()->SetLockDown(false);
    window.reset();
}

} // namespace

class tst_BadgeScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readerScan_punchesTheBadgesHolder_data();
    void readerScan_punchesTheBadgesHolder();
    void personTypingTheCode_punchesNobody();
    void unknownAndRevokedBadges_writeNothing();
};

void tst_BadgeScan::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        qEnvironmentVariableIsEmpty("HORODEX_TEST_XVFB"))
        QSKIP("these tests lock the desktop down and type with xdotool, so they run only on the X "
              "server of the test script: scripts/with-xvfb.sh ctest --test-dir build -L realx");
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY2(Xdo::run({QStringLiteral("version")}), "xdotool is needed for real input events");
}

void tst_BadgeScan::readerScan_punchesTheBadgesHolder_data()
{
    QTest::addColumn<bool>("askForPin");
    QTest::newRow("without PIN") << false;
    QTest::newRow("with PIN") << true;
}

void tst_BadgeScan::readerScan_punchesTheBadgesHolder()
{
    QFETCH(bool, askForPin);
    TempProgramDir dir;
    MessageRecorder messages;
    FixedClock clock(QDateTime(Today, QTime(8, 7)));
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto window = startStation(dir, askForPin);
    QVERIFY(window);

    // The PIN window comes first; Bob types his PIN and clicks OK. Steps poll from a timer, so
    // they act inside the PIN window's own loop.
    bool pinAsked = false;
    Steps steps;
    if (askForPin) {
        const auto pinInFront = [] {
            auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
            return pin && QApplication::activeWindow() == pin;
        };
        steps.when(pinInFront, [&pinAsked] {
            pinAsked = true;
            Xdo::type(QStringLiteral("1234"));
        });
        steps.when(
            [] {
                auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
                return pin && pin->txtPin->text() == QLatin1String("1234");
            },
            [] {
                auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
                Xdo::click(pin->cmdOK->mapToGlobal(pin->cmdOK->rect().center()));
            });
    }
    scan(BobCode, 5);
    const QByteArray line = punchLine("IN", "03/05/2024", "08:07");
    QTRY_COMPARE_WITH_TIMEOUT(dir.read(QStringLiteral("Bob.txt")), line, Patience);
    QCOMPARE(pinAsked, askForPin);
    QTRY_VERIFY_WITH_TIMEOUT(window->lastActionShown().contains(QStringLiteral("IN  at  08:07")),
                             Patience);
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(messages.messages.isEmpty());
    stopStation(window);
}

void tst_BadgeScan::personTypingTheCode_punchesNobody()
{
    TempProgramDir dir;
    MessageRecorder messages;
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    auto window = startStation(dir, false);
    QVERIFY(window);
    scan(AnnCode, 150);
    // Every key has arrived once the list has been searched with them; nothing is punched.
    QTest::qWait(500);
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(messages.messages.isEmpty());
    // The reader still punches afterwards.
    scan(AnnCode, 5);
    QTRY_VERIFY_WITH_TIMEOUT(dir.read(QStringLiteral("Ann.txt")).startsWith("IN "), Patience);
    stopStation(window);
}

void tst_BadgeScan::unknownAndRevokedBadges_writeNothing()
{
    TempProgramDir dir;
    MessageRecorder messages;
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(RevokeBadges(QStringLiteral("Ann"), Today));
    auto window = startStation(dir, false);
    QVERIFY(window);
    scan(AnnCode, 5);
    QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 1, Patience);
    scan(QStringLiteral("99999999"), 5);
    QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 2, Patience);
    for (const QString& text : messages.texts())
        QVERIFY2(text.contains(QStringLiteral("not known")), qPrintable(text));
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(dir.read(QStringLiteral("Bob.txt")).isEmpty());
    stopStation(window);
}

QTEST_MAIN(tst_BadgeScan)
#include "tst_badgescan.moc"
