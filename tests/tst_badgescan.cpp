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
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cerrno>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation
using ScanStation::AnnCode;
using ScanStation::BobCode;
using ScanStation::Today;

// What one person of a queue does at the station.
enum class Conduct { Punches, UnknownCard, RevokedCard, WalksAway, ScansTwice, ReaderPauses };

struct Person
{
    QString name;
    QString code;
    Conduct conduct = Conduct::Punches;
    bool punches() const
    {
        return conduct == Conduct::Punches || conduct == Conduct::ScansTwice ||
               conduct == Conduct::ReaderPauses;
    }
};

frmPin* keypadFor(const QString& name)
{
    auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
    return pin && pin->isVisible() && pin->lblName->text().endsWith(QStringLiteral(": ") + name)
               ? pin
               : nullptr;
}

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
    void shiftChangeQueue_punchesEveryValidScanOnceForItsHolder();
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
    // Each answer is in the strip, where it blocks nobody; the next scan answers again.
    scan(AnnCode, 5);
    QTRY_VERIFY_WITH_TIMEOUT(window->lastActionShown().contains(QStringLiteral("not known")),
                             Patience);
    QTRY_VERIFY_WITH_TIMEOUT(window->lastActionShown().isEmpty(),
                             frmHorodex::ScanAnswerMs + Patience);
    scan(QStringLiteral("99999999"), 5);
    QTRY_VERIFY_WITH_TIMEOUT(window->lastActionShown().contains(QStringLiteral("not known")),
                             Patience);
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
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

void tst_BadgeScan::shiftChangeQueue_punchesEveryValidScanOnceForItsHolder()
{
    TempProgramDir dir;
    MessageRecorder messages;
    FixedClock clock(QDateTime(Today, QTime(8, 7)));
    QList<Person> queue;
    QStringList names;
    for (int n = 0; n < 30; ++n) {
        Person person{QStringLiteral("Worker %1").arg(n + 1, 2, 10, QLatin1Char('0')),
                      n % 3 == 0 ? QStringLiteral("00%1").arg(12345600 + n) : NewBadgeCode()};
        names.append(person.name);
        queue.append(person);
    }
    queue[5].conduct = Conduct::UnknownCard;
    queue[11].conduct = Conduct::WalksAway;
    queue[12].code = QStringLiteral("0098765432"); // digits, read into the keypad left open
    queue[17].conduct = Conduct::RevokedCard;
    queue[22].conduct = Conduct::ScansTwice;
    queue[26].conduct = Conduct::ReaderPauses;
    for (const Person& person : std::as_const(queue)) {
        if (person.conduct != Conduct::UnknownCard)
            QVERIFY(IssueBadge(person.name, person.code, Today));
    }
    QVERIFY(RevokeBadges(queue[17].name, Today));
    auto window = ScanStation::start(dir, true, true, names);
    QVERIFY(window);
    XDesktop desktop;
    const auto stripSays = [&window](const char* text) {
        return window->lastActionShown().contains(QLatin1String(text));
    };

    // Each person acts once what he waits for has come; a timer drives him, so that he acts
    // inside a keypad's own loop too.
    enum class Phase { Scan, Answer, Punched, Again };
    int next = 0;
    Phase phase = Phase::Scan;
    bool retried = false;
    QDeadlineTimer phaseLimit;
    QString failure;
    bool busy = false;
    constexpr int NoAnswerMs = 8000;
    QDeadlineTimer noAnswer;
    QString stripBefore;
    QStringList rescans;
    // The answer to a scan that kept only the code's tail, once it replaced the one before.
    const auto readInPart = [&] {
        return window->lastActionShown() != stripBefore &&
               (stripSays("not known") || stripSays("cannot be read"));
    };
    const auto moveOn = [&](Phase to) {
        phase = to;
        phaseLimit.setRemainingTime(Patience * 3);
        if (to == Phase::Scan) {
            ++next;
            retried = false;
        }
    };
    const auto tick = [&] {
        if (busy || next >= queue.size() || !failure.isEmpty())
            return;
        const Person& person = queue[next];
        if (rescans.filter(person.name).size() > 5) {
            failure =
                person.name + QStringLiteral(" scanned again and again: ") + rescans.join(u',');
            return;
        }
        if (phase != Phase::Scan && phaseLimit.hasExpired()) {
            failure = QStringLiteral("%1 waited in vain (phase %2); the strip says \"%3\"")
                          .arg(person.name)
                          .arg(int(phase))
                          .arg(window->lastActionShown());
            return;
        }
        // The next person steps up once the station, or a keypad left open, is in front.
        // X gives the keyboard a moment after Qt knows: keys typed before it would go nowhere.
        QWidget* front = QApplication::activeWindow();
        const bool frontHasKeys = front && desktop.isActive(Window(front->winId()));
        const bool keypadInFront =
            front == QApplication::activeModalWidget() && qobject_cast<frmPin*>(front);
        if (phase == Phase::Scan && (!frontHasKeys || (front != window.get() && !keypadInFront)))
            return;
        busy = true;
        switch (phase) {
        case Phase::Scan:
            if (person.conduct == Conduct::ReaderPauses && !retried) {
                // The reader stops once for longer than its keys' gap, then goes on.
                Xdo::run(QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                                     QStringLiteral("15")} +
                         ScanStation::keysOf(person.code.toLower().left(6)).mid(0, 6));
                QThread::msleep(150);
                scan(person.code.toLower().mid(6), 15);
            } else {
                scan(person.code.toLower(), 15);
            }
            phase = Phase::Answer;
            phaseLimit.setRemainingTime(Patience * 3);
            stripBefore = window->lastActionShown();
            noAnswer.setRemainingTime(NoAnswerMs);
            break;
        case Phase::Answer:
            if (frmPin* pin = keypadFor(person.name); pin && front == pin && frontHasKeys) {
                if (person.conduct == Conduct::WalksAway) {
                    moveOn(Phase::Scan);
                } else {
                    Xdo::type(QStringLiteral("1234"));
                    Xdo::key(QStringLiteral("Return"));
                    moveOn(Phase::Punched);
                }
            } else if (!QApplication::activeModalWidget() && readInPart()) {
                if (!person.punches() && person.conduct != Conduct::WalksAway) {
                    moveOn(Phase::Scan);
                } else {
                    // He reads the answer and scans again: the reader paused on purpose for
                    // one of them, and a loaded machine stalls the test's reader now and then.
                    if (person.conduct != Conduct::ReaderPauses || retried)
                        rescans.append(person.name + QStringLiteral(" (read in part)"));
                    retried = true;
                    phase = Phase::Scan;
                }
            } else if (noAnswer.hasExpired() && !keypadFor(person.name) &&
                       window->lastActionShown() == stripBefore) {
                // A scan read in part whose tail is too short to count: no answer at all.
                rescans.append(person.name + QStringLiteral(" (no answer)"));
                phase = Phase::Scan;
            }
            break;
        case Phase::Punched:
            if (dir.read(person.name + QStringLiteral(".txt")).size() == TimeRecord::Size) {
                if (person.conduct == Conduct::ScansTwice) {
                    moveOn(Phase::Again);
                } else {
                    moveOn(Phase::Scan);
                }
            }
            break;
        case Phase::Again:
            // Again "to be sure" once a read no longer counts as the reader's double read.
            if (!retried && !window->desk().isRepeat(person.code)) {
                stripBefore = window->lastActionShown();
                scan(person.code.toLower(), 15);
                retried = true;
            } else if (retried && stripSays("Already recorded")) {
                moveOn(Phase::Scan);
            } else if (retried && readInPart()) {
                rescans.append(person.name + QStringLiteral(" (read in part)"));
                retried = false;
            }
            break;
        }
        busy = false;
    };
    QTimer driver;
    connect(&driver, &QTimer::timeout, this, tick);
    driver.start(20);
    QTRY_VERIFY_WITH_TIMEOUT(next >= queue.size() || !failure.isEmpty(), 300000);
    driver.stop();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // A stalled reader now and then (a loaded machine), not a station that stopped answering.
    if (!rescans.isEmpty())
        qInfo() << "scanned again:" << rescans;

    // Every valid scan punched once for its holder, nothing for anyone else.
    int lines = 0;
    for (const Person& person : std::as_const(queue)) {
        const QByteArray file = dir.read(person.name + QStringLiteral(".txt"));
        lines += int(file.size() / TimeRecord::Size);
        QCOMPARE(file, person.punches() ? punchLine("IN", "03/05/2024", "08:07") : QByteArray());
    }
    QCOMPARE(lines, 27);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join(u'|')));
    ScanStation::stop(window);
}

QTEST_MAIN(tst_BadgeScan)
#include "tst_badgescan.moc"
