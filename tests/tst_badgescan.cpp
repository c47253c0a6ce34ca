// A badge reader on a real X server: xdotool types a card's code and Enter as a reader does, into
// the main window under lock-down, with a window manager and without one. Anywhere but on the
// server of scripts/with-xvfb.sh every test is skipped.

#include "data/BadgeFile.h"
#include "data/FileStore.h"
#include "lockdown/ProgramCopy.h"
#include "lockdown/ScanStation.h"
#include "lockdown/Steps.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
using ScanStation::AnnCode;
using ScanStation::BobCode;
using ScanStation::Today;

// What a reader sends: the code's keys and Return, keyMs apart, from one xdotool.
void scan(const QString& code, int keyMs)
{
    Xdo::run(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(keyMs)} +
             ScanStation::keysOf(code));
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
    void scanWhosePunchFails_saysSoAndShowsHisLastAction();
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
    auto window = ScanStation::start(dir, askForPin);
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
    // His name is chosen and only OUT is left, as after choosing it and pressing IN by hand.
    QVERIFY(window->lstNames->currentItem() && window->lstNames->currentItem()->isSelected());
    QCOMPARE(window->lstNames->currentItem()->text(), QStringLiteral("Bob"));
    QVERIFY(!window->cmdIn->isEnabled() && window->cmdOut->isEnabled());
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(messages.messages.isEmpty());
    ScanStation::stop(window);
}

void tst_BadgeScan::personTypingTheCode_punchesNobody()
{
    TempProgramDir dir;
    MessageRecorder messages;
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    auto window = ScanStation::start(dir, false);
    QVERIFY(window);
    scan(AnnCode, 150);
    // Every key has arrived once the list has been searched with them; nothing is punched.
    QTest::qWait(500);
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(messages.messages.isEmpty());
    // The reader still punches afterwards.
    scan(AnnCode, 5);
    QTRY_VERIFY_WITH_TIMEOUT(dir.read(QStringLiteral("Ann.txt")).startsWith("IN "), Patience);
    ScanStation::stop(window);
}

void tst_BadgeScan::unknownAndRevokedBadges_writeNothing()
{
    TempProgramDir dir;
    MessageRecorder messages;
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(RevokeBadges(QStringLiteral("Ann"), Today));
    auto window = ScanStation::start(dir, false);
    QVERIFY(window);
    scan(AnnCode, 5);
    QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 1, Patience);
    scan(QStringLiteral("99999999"), 5);
    QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 2, Patience);
    for (const QString& text : messages.texts())
        QVERIFY2(text.contains(QStringLiteral("not known")), qPrintable(text));
    QVERIFY(dir.read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(dir.read(QStringLiteral("Bob.txt")).isEmpty());
    ScanStation::stop(window);
}

void tst_BadgeScan::scanWhosePunchFails_saysSoAndShowsHisLastAction()
{
    TempProgramDir dir;
    MessageRecorder messages;
    FixedClock clock(QDateTime(Today, QTime(8, 7)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    const QByteArray in = punchLine("IN", "03/05/2024", "07:58");
    dir.write(QStringLiteral("Bob.txt"), in);
    auto window = ScanStation::start(dir, false);
    QVERIFY(window);
    // The disk refuses to flush Bob's line: nothing may stay in his file, nor look punched.
    FileStore::setFaultHook([](const char* call, const QString& path) {
        return qstrcmp(call, "fdatasync") == 0 && path.endsWith(QLatin1String("Bob.txt")) ? EIO : 0;
    });
    scan(BobCode, 5);
    QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 1, Patience);
    FileStore::setFaultHook({});
    QVERIFY2(messages.texts().constFirst().contains(QStringLiteral("NOT recorded")),
             qPrintable(messages.texts().constFirst()));
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), in);
    // His name is chosen and his last action, IN at 07:58, still offers OUT.
    QCOMPARE(window->lstNames->currentItem()->text(), QStringLiteral("Bob"));
    QVERIFY2(window->lastActionShown().contains(QStringLiteral("IN  at  07:58")),
             qPrintable(window->lastActionShown()));
    QVERIFY(!window->cmdIn->isEnabled() && window->cmdOut->isEnabled());
    ScanStation::stop(window);
}

QTEST_MAIN(tst_BadgeScan)
#include "tst_badgescan.moc"
