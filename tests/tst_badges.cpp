// Badges: the badge file, the reader told from a person, a scan at the main window, the badge
// window and the printed cards read back by a barcode reader's decoder.
#include "BadgeProbe.h"
#include "admin/frmAddEmployee.h"
#include "admin/frmBadges.h"
#include "admin/frmScanCard.h"
#include "app/Application.h"
#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "lockdown/Steps.h"
#include "render/BadgeCards.h"
#include "reports/BadgeCardOutput.h"
#include "reports/ReportExport.h"
#include "station/AdminNotices.h"
#include "station/frmForgotOut.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/BadgeScanner.h"
#include "ui/ProgramState.h"

#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include <sys/stat.h>

namespace {

const QDate Today(2026, 12, 7);
const QString AnnCode = QStringLiteral("BCDFGHJKLNPRSTUV");
const QString BobCode = QStringLiteral("0004711");

QByteArray hashLine(const char* name, const QString& code, const char* issued, const char* revoked)
{
    return QByteArray(name) + '\t' + BadgeCodeHash(code) + '\t' + issued + '\t' + revoked + '\n';
}

const QByteArray Header = "horodex badges 1\n";

// A key as a reader sends it: the character's key, its text, a timestamp in milliseconds.
void sendKey(QWindow* window, int key, const QString& text, quint64 at)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    press.setTimestamp(at);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    release.setTimestamp(at + 1);
    QCoreApplication::sendEvent(window, &release);
}

// Types the code gapMs apart and Enter after it, from *clock on, and lets the queued scan run
// unless told not to.
void typeCode(QWindow* window, const QString& code, int gapMs, quint64* clock, bool run = true)
{
    for (const QChar c : code) {
        *clock += quint64(gapMs);
        sendKey(window, c.toUpper().unicode(), QString(c), *clock);
    }
    *clock += quint64(gapMs);
    sendKey(window, Qt::Key_Return, QStringLiteral("\r"), *clock);
    if (run)
        QCoreApplication::processEvents();
}

struct Key
{
    int key;
    QString text;
    quint64 at;
};

QList<Key> burst(const QString& code, quint64 from, int gapMs)
{
    QList<Key> keys;
    for (const QChar c : code)
        keys.append({c.unicode(), QString(c), from += quint64(gapMs)});
    keys.append({Qt::Key_Return, QStringLiteral("\r"), from + quint64(gapMs)});
    return keys;
}

} // namespace

class TestBadges : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void badgeFile_roundTripsWithoutTheCode();
    void badgeFile_damagedLineIsNamedAndOthersKept_data();
    void badgeFile_damagedLineIsNamedAndOthersKept();
    void badgeFile_fromNewerVersionIsRefusedAndNeverWritten();
    void badgeFile_fifoOrLinkIsRefusedAtOnce_data();
    void badgeFile_fifoOrLinkIsRefusedAtOnce();
    void holder_seesTheFileChangedSinceTheLastScan_data();
    void holder_seesTheFileChangedSinceTheLastScan();
    void code_isNormalisedOrRefused_data();
    void code_isNormalisedOrRefused();
    void issue_isRefusedWhileAnotherEmployeeHoldsTheCode();
    void issue_revokesTheEmployeesOldBadge();
    void newCodes_areLongUniqueAndTypedAlikeEverywhere();

    void scanner_tellsAReaderFromAPerson_data();
    void scanner_tellsAReaderFromAPerson();

    void scan_punchesTheOppositeOfTheLastAction();
    void scan_ofUnknownOrRevokedBadge_writesNothing();
    void scan_withAnotherWindowOpen_writesNothing();
    void scan_withPin_asksForThePinFirst();
    void deletedEmployee_losesHisBadges();
    void scanAnswer_isShownInTheStripAndBlocksNoLaterScan();
    void nextBadge_closesAKeypadAnotherOpened_writingNothingForIt();
    void keypadLeftAlone_closesItselfWritingNothing();
    void sameBadgeWithinTheMinimum_showsHisLastPunchAndWritesNothing();
    void codeTwoEmployeesHold_punchesNeitherAndIsNamedAtLogin();
    void newEmployeeOfARemovedName_doesNotInheritHisBadge();
    void forgottenOut_isAskedBeforeThePunch_data();
    void forgottenOut_isAskedBeforeThePunch();

    void badgeWindow_scanAssignsAndRevokeRevokes();
    void printedCards_decodeToCodesWhoseHashesAreStored();
    void scanWindow_takesACodeOnlyWhenTwoReadsMatch();
    void cardSheet_printsNothingNearThePapersEdge_data();
    void cardSheet_printsNothingNearThePapersEdge();

private:
    std::unique_ptr<frmHorodex> startStation(bool askForPin = false);

    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestBadges::init()
{
    m_dir = std::make_unique<TempProgramDir>();
    m_messages = std::make_unique<MessageRecorder>();
    State() = ProgramState{};
    GlobalOptions() = OptionsRecord{};
}

void TestBadges::cleanup()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        w->hide();
    m_messages.reset();
    m_dir.reset();
}

std::unique_ptr<frmHorodex> TestBadges::startStation(bool askForPin)
{
    OptionsRecord options = OptionsRecord::firstRunDefaults(QStringLiteral("admin123"));
    options.setAskForPin(askForPin);
    if (!WriteOptionsFile(options))
        return nullptr;
    for (const char* name : {"Ann", "Bob"})
        if (!AppendEmployee(sampleEmployee(QLatin1String(name), QStringLiteral("1234"))))
            return nullptr;
    auto window = std::make_unique<frmHorodex>(CommandSwitch::OpenMenus);
    if (!StartMainWindow(window.get()))
        return nullptr;
    window->show();
    return window;
}

void TestBadges::badgeFile_roundTripsWithoutTheCode()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    QVERIFY(RevokeBadges(QStringLiteral("Bob"), Today.addDays(1)));
    const QByteArray bytes = m_dir->read(QStringLiteral("badges.txt"));
    QCOMPARE(bytes, Header + hashLine("Ann", AnnCode, "2026-12-07", "") +
                        hashLine("Bob", BobCode, "2026-12-07", "2026-12-08"));
    QVERIFY(!bytes.contains(AnnCode.toLatin1()) && !bytes.contains(BobCode.toLatin1()));
    QCOMPARE(SerializeBadgeFile(ParseBadgeFile(bytes).badges), bytes);
    QCOMPARE(*BadgeHolder(AnnCode), QStringLiteral("Ann"));
    QCOMPARE(*BadgeHolder(BobCode), QString());
}

void TestBadges::badgeFile_damagedLineIsNamedAndOthersKept_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("problem");
    const QByteArray hash = BadgeCodeHash(BobCode);
    QTest::newRow("too few fields") << "Bob\t" + hash + "\t2026-12-07\n"
                                    << QStringLiteral("line 3: 3 fields");
    QTest::newRow("short hash") << QByteArray("Bob\tabc\t2026-12-07\t\n")
                                << QStringLiteral("line 3: the code's hash");
    QTest::newRow("upper-case hash") << "Bob\t" + hash.toUpper() + "\t2026-12-07\t\n"
                                     << QStringLiteral("line 3: the code's hash");
    QTest::newRow("date") << "Bob\t" + hash + "\t12/07/2026\t\n"
                          << QStringLiteral("line 3: a date");
    QTest::newRow("no issue date") << "Bob\t" + hash + "\t\t\n" << QStringLiteral("line 3: a date");
    QTest::newRow("name leaving the folder") << "../Bob\t" + hash + "\t2026-12-07\t\n"
                                             << QStringLiteral("line 3:");
    QTest::newRow("control character") << "Bob\x01\t" + hash + "\t2026-12-07\t\n"
                                       << QStringLiteral("line 3:");
}

void TestBadges::badgeFile_damagedLineIsNamedAndOthersKept()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, problem);
    const QByteArray bytes = Header + hashLine("Ann", AnnCode, "2026-12-07", "") + line;
    m_dir->write(QStringLiteral("badges.txt"), bytes);
    BadgeFile file;
    const IoResult read = ReadBadgeFile(&file);
    QVERIFY(!read);
    QVERIFY2(read.error.contains(m_dir->path(QStringLiteral("badges.txt"))),
             qPrintable(read.error));
    QVERIFY2(read.error.contains(problem), qPrintable(read.error));
    QCOMPARE(file.badges.size(), 1);
    // The good line still punches; nothing is written over the damaged file.
    QCOMPARE(*BadgeHolder(AnnCode), QStringLiteral("Ann"));
    QCOMPARE(*BadgeHolder(BobCode), QString());
    QVERIFY(!IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    QVERIFY(!RevokeBadges(QStringLiteral("Ann"), Today));
    QCOMPARE(m_dir->read(QStringLiteral("badges.txt")), bytes);
}

void TestBadges::badgeFile_fromNewerVersionIsRefusedAndNeverWritten()
{
    const QByteArray bytes = "horodex badges 2\n" + hashLine("Ann", AnnCode, "2026-12-07", "");
    m_dir->write(QStringLiteral("badges.txt"), bytes);
    BadgeFile file;
    const IoResult read = ReadBadgeFile(&file);
    QVERIFY(!read && read.error.contains(QStringLiteral("newer version")));
    QVERIFY(file.badges.isEmpty());
    const Result<QString> holder = BadgeHolder(AnnCode);
    QVERIFY(!holder && holder.failure().error.contains(QStringLiteral("newer version")));
    QVERIFY(!IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    QVERIFY(!RevokeBadges(QStringLiteral("Ann"), Today));
    QCOMPARE(m_dir->read(QStringLiteral("badges.txt")), bytes);
}

void TestBadges::badgeFile_fifoOrLinkIsRefusedAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("link to a file") << QStringLiteral("link");
    QTest::newRow("link to zeros") << QStringLiteral("/dev/zero");
}

void TestBadges::badgeFile_fifoOrLinkIsRefusedAtOnce()
{
    QFETCH(QString, kind);
    const QString path = m_dir->path(QStringLiteral("badges.txt"));
    const QString elsewhere = m_dir->programDir() + QStringLiteral("/elsewhere.txt");
    const QByteArray outside = Header + hashLine("Ann", AnnCode, "2026-12-07", "");
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile other(elsewhere);
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(outside);
        other.close();
        QVERIFY(QFile::link(kind == QLatin1String("link") ? elsewhere : kind, path));
    }
    BadgeFile file;
    const IoResult read = ReadBadgeFile(&file);
    QVERIFY(!read && read.error.contains(QStringLiteral("badges.txt")));
    QVERIFY(!BadgeHolder(AnnCode));
    QVERIFY(!IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    if (kind == QLatin1String("link")) {
        QFile other(elsewhere);
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), outside);
    }
}

void TestBadges::holder_seesTheFileChangedSinceTheLastScan_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("holder"); // of Ann's code afterwards; "!" for a refused file
    QTest::newRow("revoked by the program") << QStringLiteral("revoke") << QString();
    QTest::newRow("written in place, same size, time kept")
        << QStringLiteral("in place") << QStringLiteral("Bob");
    QTest::newRow("replaced by a link") << QStringLiteral("link") << QStringLiteral("!");
}

void TestBadges::holder_seesTheFileChangedSinceTheLastScan()
{
    QFETCH(QString, change);
    QFETCH(QString, holder);
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QCOMPARE(*BadgeHolder(AnnCode), QStringLiteral("Ann"));
    const QString path = m_dir->path(QStringLiteral("badges.txt"));
    if (change == QLatin1String("revoke")) {
        QVERIFY(RevokeBadges(QStringLiteral("Ann"), Today));
    } else if (change == QLatin1String("in place")) {
        // A copy that keeps its time (cp -p) written over the file: the same size, another holder.
        const QDateTime modified = QFileInfo(path).lastModified();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        bytes.replace("Ann\t", "Bob\t");
        QVERIFY(file.seek(0) && file.write(bytes) == bytes.size() && file.flush());
        QVERIFY(file.setFileTime(modified.addSecs(-60), QFileDevice::FileModificationTime));
    } else {
        const QString elsewhere = m_dir->programDir() + QStringLiteral("/elsewhere.txt");
        QVERIFY(QFile::rename(path, elsewhere) && QFile::link(elsewhere, path));
    }
    const Result<QString> after = BadgeHolder(AnnCode);
    QCOMPARE(bool(after), holder != QLatin1String("!"));
    if (after)
        QCOMPARE(*after, holder);
}

void TestBadges::code_isNormalisedOrRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("code"); // empty: refused
    QTest::newRow("spaces and lower case") << QStringLiteral("  bcdf0042 \r") << "BCDF0042";
    QTest::newRow("signs") << QStringLiteral("A-1/2.3") << "A-1/2.3";
    QTest::newRow("shortest") << QStringLiteral("1234") << "1234";
    QTest::newRow("longest") << QString(64, u'7') << QString(64, u'7');
    QTest::newRow("one more than the longest") << QString(65, u'7') << QString();
    QTest::newRow("ten thousand characters") << QString(10000, u'7') << QString();
    QTest::newRow("three characters") << QStringLiteral("123") << QString();
    QTest::newRow("control character") << QStringLiteral("12\x01"
                                                         "34")
                                       << QString();
    QTest::newRow("escape sequence") << QStringLiteral("\x1b[2J1234") << QString();
    QTest::newRow("accented letter") << QStringLiteral("1234é") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestBadges::code_isNormalisedOrRefused()
{
    QFETCH(QString, typed);
    QFETCH(QString, code);
    const Result<QString> normal = NormalizeBadgeCode(typed);
    QCOMPARE(bool(normal), !code.isEmpty());
    if (normal)
        QCOMPARE(*normal, code);
    else
        QVERIFY(normal.failure().error.size() < 200);
}

void TestBadges::issue_isRefusedWhileAnotherEmployeeHoldsTheCode()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    const QByteArray before = m_dir->read(QStringLiteral("badges.txt"));
    const IoResult issued = IssueBadge(QStringLiteral("Bob"), AnnCode, Today);
    QVERIFY(!issued && issued.error.contains(QStringLiteral("Ann")));
    QCOMPARE(m_dir->read(QStringLiteral("badges.txt")), before);
    // Revoked, the card may go to someone else.
    QVERIFY(RevokeBadges(QStringLiteral("Ann"), Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), AnnCode, Today));
    QCOMPARE(*BadgeHolder(AnnCode), QStringLiteral("Bob"));
}

void TestBadges::issue_revokesTheEmployeesOldBadge()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), BobCode, Today));
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today.addDays(2)));
    QCOMPARE(*BadgeHolder(BobCode), QString());
    QCOMPARE(*BadgeHolder(AnnCode), QStringLiteral("Ann"));
    BadgeFile file;
    QVERIFY(ReadBadgeFile(&file));
    QCOMPARE(file.badges.first().revoked, Today.addDays(2));
    QCOMPARE(CurrentBadgeOf(file, QStringLiteral("Ann"))->hash, BadgeCodeHash(AnnCode));
}

void TestBadges::newCodes_areLongUniqueAndTypedAlikeEverywhere()
{
    QSet<QString> codes;
    for (int i = 0; i < 2000; ++i) {
        const QString code = NewBadgeCode();
        QCOMPARE(code.size(), 16);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^[BCDEFGHJKLNPRSTUVX]+$")).match(code).hasMatch(),
            qPrintable(code));
        QCOMPARE(*NormalizeBadgeCode(code), code);
        codes.insert(code);
    }
    QCOMPARE(codes.size(), 2000);
}

void TestBadges::scanner_tellsAReaderFromAPerson_data()
{
    QTest::addColumn<QList<Key>>("keys");
    QTest::addColumn<QStringList>("scans"); // "=code" for a repeat that is only swallowed
    QTest::newRow("four keys 5 ms apart")
        << burst(QStringLiteral("1234"), 1000, 5) << QStringList{QStringLiteral("1234")};
    QTest::newRow("keys 150 ms apart") << burst(QStringLiteral("1234"), 1000, 150) << QStringList{};
    QTest::newRow("three keys") << burst(QStringLiteral("123"), 1000, 5) << QStringList{};
    QTest::newRow("exactly 50 ms")
        << burst(QStringLiteral("1234"), 1000, 50) << QStringList{QStringLiteral("1234")};
    QTest::newRow("51 ms") << burst(QStringLiteral("1234"), 1000, 51) << QStringList{};
    QList<Key> lateEnter = burst(QStringLiteral("1234"), 1000, 5);
    lateEnter.last().at += 200;
    QTest::newRow("Enter pressed later") << lateEnter << QStringList{};
    QList<Key> typedThenScanned = burst(QStringLiteral("ab"), 1000, 300);
    typedThenScanned.removeLast();
    typedThenScanned += burst(QStringLiteral("5678"), 2000, 5);
    QTest::newRow("person's keys before")
        << typedThenScanned << QStringList{QStringLiteral("5678")};
    QList<Key> shifted = burst(QStringLiteral("AB"), 1000, 5);
    shifted.insert(1, {Qt::Key_Shift, QString(), 1005});
    shifted.insert(0, {Qt::Key_Shift, QString(), 1000});
    shifted.removeLast();
    shifted += burst(QStringLiteral("CD"), 1010, 5);
    QTest::newRow("Shift between capitals") << shifted << QStringList{QStringLiteral("ABCD")};
    QTest::newRow("two scans 20 ms apart")
        << burst(QStringLiteral("1111"), 1000, 5) + burst(QStringLiteral("2222"), 1045, 5)
        << QStringList{QStringLiteral("1111"), QStringLiteral("2222")};
    QTest::newRow("the same card read twice")
        << burst(QStringLiteral("1111"), 1000, 5) + burst(QStringLiteral("1111"), 1045, 5)
        << QStringList{QStringLiteral("1111"), QStringLiteral("=1111")};
    // The guard runs from one scan's Enter to the next one's: four keys and Enter take 20 ms.
    QTest::newRow("the same card exactly at the guard")
        << burst(QStringLiteral("1111"), 1000, 5) +
               burst(QStringLiteral("1111"), 1000 + BadgeScanner::RepeatGuardMs, 5)
        << QStringList{QStringLiteral("1111"), QStringLiteral("=1111")};
    QTest::newRow("the same card just after the guard")
        << burst(QStringLiteral("1111"), 1000, 5) +
               burst(QStringLiteral("1111"), 1001 + BadgeScanner::RepeatGuardMs, 5)
        << QStringList{QStringLiteral("1111"), QStringLiteral("1111")};
    QTest::newRow("the same card later")
        << burst(QStringLiteral("1111"), 1000, 5) + burst(QStringLiteral("1111"), 9000, 5)
        << QStringList{QStringLiteral("1111"), QStringLiteral("1111")};
    QList<Key> arrow = burst(QStringLiteral("1234"), 1000, 5);
    arrow.insert(2, {Qt::Key_Down, QString(), 1012});
    QTest::newRow("arrow key inside") << arrow << QStringList{};
    const QString huge(10000, u'9');
    QTest::newRow("ten thousand keys")
        << burst(huge, 1000, 1) << QStringList{huge.left(BadgeScanner::KeptCharacters)};
}

void TestBadges::scanner_tellsAReaderFromAPerson()
{
    QFETCH(QList<Key>, keys);
    QFETCH(QStringList, scans);
    BadgeScanner scanner;
    QStringList seen;
    for (const Key& k : keys) {
        const BadgeScanner::Outcome outcome = scanner.keyPressed(k.key, k.text, k.at);
        if (outcome == BadgeScanner::Outcome::Scanned)
            seen.append(scanner.code());
        else if (outcome == BadgeScanner::Outcome::Repeated)
            seen.append(u'=' + scanner.code());
    }
    QCOMPARE(seen, scans);
}

void TestBadges::scan_punchesTheOppositeOfTheLastAction()
{
    FixedClock clock(QDateTime(Today, QTime(8, 5)));
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto w = startStation();
    QVERIFY(w);
    quint64 at = 1000;
    typeCode(w->windowHandle(), AnnCode.toLower(), 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), punchLine("IN", "12/07/2026", "08:05"));
    QCOMPARE(w->lstNames->currentItem()->text(), QStringLiteral("Ann"));
    QVERIFY(w->lastActionShown().contains(QStringLiteral("IN  at  08:05 AM")));
    at += 20;
    typeCode(w->windowHandle(), BobCode, 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
    clock.set(QDateTime(Today, QTime(16, 30)));
    at += 5000;
    typeCode(w->windowHandle(), AnnCode, 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             punchLine("IN", "12/07/2026", "08:05") + punchLine("OUT", "12/07/2026", "16:30"));
    QVERIFY(m_messages->messages.isEmpty());
    // A person typing the code is no reader.
    at += 5000;
    typeCode(w->windowHandle(), AnnCode, 150, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")).size(), 62);
}

void TestBadges::scan_ofUnknownOrRevokedBadge_writesNothing()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(RevokeBadges(QStringLiteral("Ann"), Today));
    auto w = startStation();
    QVERIFY(w);
    quint64 at = 1000;
    QStringList answers;
    for (const QString& code : {AnnCode, BobCode, QString(10000, u'7'),
                                QStringLiteral("12\x01"
                                               "34")}) {
        typeCode(w->windowHandle(), code, 2, &at);
        answers.append(w->lastActionShown());
        at += 5000;
    }
    QVERIFY(m_messages->messages.isEmpty());
    QVERIFY(answers[0].contains(QStringLiteral("not known")));
    QVERIFY(answers[1].contains(QStringLiteral("not known")));
    QVERIFY(answers[2].contains(QStringLiteral("64")));
    QCOMPARE(answers[3], answers[2]); // the control character broke the burst
    QVERIFY(!m_dir->exists(QStringLiteral("Ann.txt")) ||
            m_dir->read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(m_dir->read(QStringLiteral("Bob.txt")).isEmpty());
}

void TestBadges::scan_withAnotherWindowOpen_writesNothing()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    auto w = startStation();
    QVERIFY(w);
    QDialog other(w.get());
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    quint64 at = 1000;
    typeCode(other.windowHandle(), AnnCode, 5, &at);
    QVERIFY(m_dir->read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(m_messages->messages.isEmpty());
}

void TestBadges::scan_withPin_asksForThePinFirst()
{
    FixedClock clock(QDateTime(Today, QTime(8, 5)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto w = startStation(true);
    QVERIFY(w);
    quint64 at = 1000;
    // The second read below comes at once: only the repeat guard holds it.
    w->desk().setSteadyClock([] { return qint64(0); });
    typeCode(w->windowHandle(), BobCode, 5, &at, false);
    // Answered from within the PIN window's own loop, which the scan opens.
    bool asked = false;
    onNextDialog<frmPin>([&asked, this](frmPin* pin) {
        asked = true;
        // The same card read again while its PIN window is open does nothing.
        quint64 later = 90000;
        typeCode(pin->windowHandle(), BobCode, 5, &later);
        QVERIFY(m_dir->read(QStringLiteral("Bob.txt")).isEmpty());
        QVERIFY(pin->isVisible());
        pin->txtPin->clear();
        QTest::keyClicks(pin->txtPin, QStringLiteral("1234"));
        pin->cmdOK_Click();
    });
    QTRY_VERIFY(asked);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
}

void TestBadges::deletedEmployee_losesHisBadges()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    auto w = startStation();
    QVERIFY(w);
    m_messages->textAnswers = {Messages::Answer{true, QStringLiteral("Ann")}};
    w->mnuDeleteRecord_Click();
    QCOMPARE(*BadgeHolder(AnnCode), QString());
}

void TestBadges::scanAnswer_isShownInTheStripAndBlocksNoLaterScan()
{
    FixedClock clock(QDateTime(Today, QTime(8, 5)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto w = startStation();
    QVERIFY(w);
    quint64 at = 1000;
    typeCode(w->windowHandle(), QStringLiteral("99999999"), 5, &at);
    QVERIFY2(w->lastActionShown().contains(QStringLiteral("not known")),
             qPrintable(w->lastActionShown()));
    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    // The next person's card, at once: punched, and his punch replaces the answer.
    at += 200;
    typeCode(w->windowHandle(), BobCode, 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
    QVERIFY(w->lastActionShown().contains(QStringLiteral("IN  at  08:05 AM")));
    // An answer goes by itself; Bob's name no longer stands chosen, so that IN punches nobody.
    at += 200;
    typeCode(w->windowHandle(), QStringLiteral("99999999"), 5, &at);
    QVERIFY(w->lastActionShown().contains(QStringLiteral("not known")));
    QVERIFY(w->lstNames->chosenName().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(w->lastActionShown().isEmpty(), frmHorodex::ScanAnswerMs * 4);
    w->cmdOut_Click();
    QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("Please select an employee")});
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
}

void TestBadges::nextBadge_closesAKeypadAnotherOpened_writingNothingForIt()
{
    FixedClock clock(QDateTime(Today, QTime(8, 5)));
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto w = startStation(true);
    QVERIFY(w);
    const auto keypadFor = [](const char* name) {
        auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
        return pin && pin->isVisible() && pin->lblName->text().endsWith(QLatin1String(name))
                   ? pin
                   : nullptr;
    };
    Steps steps;
    QPointer<frmPin> annsKeypad;
    // Ann walks away from her keypad; Bob's numeric card, read into it, is a scan, not her PIN.
    steps.when([&] { return keypadFor("Ann") != nullptr; },
               [&] {
                   annsKeypad = keypadFor("Ann");
                   quint64 later = 90000;
                   typeCode(annsKeypad->windowHandle(), BobCode, 5, &later, false);
               });
    steps.when([&] { return keypadFor("Bob") != nullptr; },
               [&] {
                   QVERIFY(!annsKeypad || !annsKeypad->isVisible());
                   frmPin* pin = keypadFor("Bob");
                   QVERIFY(pin->txtPin->text().isEmpty());
                   QTest::keyClicks(pin->txtPin, QStringLiteral("1234"));
                   pin->cmdOK_Click();
               });
    quint64 at = 1000;
    typeCode(w->windowHandle(), AnnCode, 5, &at, false);
    QTRY_VERIFY_WITH_TIMEOUT(steps.done() && !m_dir->read(QStringLiteral("Bob.txt")).isEmpty(),
                             20000);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
    QVERIFY(m_dir->read(QStringLiteral("Ann.txt")).isEmpty());
    QCOMPARE(w->lstNames->currentItem()->text(), QStringLiteral("Bob"));
    QVERIFY(m_messages->messages.isEmpty());
}

void TestBadges::keypadLeftAlone_closesItselfWritingNothing()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    auto w = startStation(true);
    QVERIFY(w);
    frmPin::setIdleCloseMs(2000); // long enough to be seen open on a loaded machine
    bool opened = false;
    Steps steps;
    steps.when([] { return qobject_cast<frmPin*>(QApplication::activeModalWidget()) != nullptr; },
               [&opened] { opened = true; });
    quint64 at = 1000;
    typeCode(w->windowHandle(), AnnCode, 5, &at, false);
    QTRY_VERIFY_WITH_TIMEOUT(opened && !QApplication::activeModalWidget(), 20000);
    frmPin::setIdleCloseMs(frmPin::DefaultIdleCloseMs);
    QVERIFY(m_dir->read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(m_messages->messages.isEmpty());
}

void TestBadges::sameBadgeWithinTheMinimum_showsHisLastPunchAndWritesNothing()
{
    FixedClock clock(QDateTime(Today, QTime(8, 5)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    auto w = startStation();
    QVERIFY(w);
    quint64 at = 1000;
    typeCode(w->windowHandle(), BobCode, 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
    // "To be sure", past the repeat guard but within the minute.
    clock.set(QDateTime(Today, QTime(8, 5, 50)));
    w->desk().setSteadyClock([] { return qint64(1) << 40; });
    at += 5000;
    typeCode(w->windowHandle(), BobCode, 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")), punchLine("IN", "12/07/2026", "08:05"));
    QVERIFY2(w->lastActionShown().contains(QStringLiteral("Already recorded")) &&
                 w->lastActionShown().contains(QStringLiteral("IN  at  08:05 AM")),
             qPrintable(w->lastActionShown()));
    QVERIFY(m_messages->messages.isEmpty());
    // After the minute his card punches him out.
    clock.set(QDateTime(Today, QTime(8, 6, 1)));
    at += 5000;
    typeCode(w->windowHandle(), BobCode, 5, &at);
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")),
             punchLine("IN", "12/07/2026", "08:05") + punchLine("OUT", "12/07/2026", "08:06"));
}

void TestBadges::codeTwoEmployeesHold_punchesNeitherAndIsNamedAtLogin()
{
    m_dir->write(QStringLiteral("badges.txt"), Header + hashLine("Ann", BobCode, "2026-12-07", "") +
                                                   hashLine("Bob", BobCode, "2026-12-07", ""));
    auto w = startStation();
    QVERIFY(w);
    quint64 at = 1000;
    typeCode(w->windowHandle(), BobCode, 5, &at);
    QVERIFY(m_dir->read(QStringLiteral("Ann.txt")).isEmpty());
    QVERIFY(m_dir->read(QStringLiteral("Bob.txt")).isEmpty());
    QVERIFY(w->lastActionShown().contains(QStringLiteral("not known")));
    const QString notice = AdminLoginNotice();
    QVERIFY2(notice.contains(QStringLiteral("- Ann, Bob")), qPrintable(notice));
}

void TestBadges::newEmployeeOfARemovedName_doesNotInheritHisBadge()
{
    QVERIFY(IssueBadge(QStringLiteral("Cal"), AnnCode, Today));
    auto w = startStation(); // Cal was removed from the list by hand
    QVERIFY(w);
    Steps steps;
    steps.when(
        [] { return qobject_cast<frmAddEmployee*>(QApplication::activeModalWidget()); },
        [] {
            auto* window = qobject_cast<frmAddEmployee*>(QApplication::activeModalWidget());
            window->findChild<QLineEdit*>(QStringLiteral("txtEmployeeName"))
                ->setText(QStringLiteral("Cal"));
            window->findChild<QLineEdit*>(QStringLiteral("txtPin"))->setText(QStringLiteral("7"));
            window->findChild<QPushButton*>(QStringLiteral("cmdCreate"))->click();
            if (window->isVisible())
                window->reject();
        });
    w->mnuCreateNewRecord_Click();
    QVERIFY(steps.done());
    QVERIFY(w->lstNames->rowOf(QStringLiteral("Cal")) >= 0);
    QCOMPARE(*BadgeHolder(AnnCode), QString());
}

void TestBadges::forgottenOut_isAskedBeforeThePunch_data()
{
    QTest::addColumn<bool>("byBadge");
    QTest::addColumn<bool>("askForPin");
    QTest::addColumn<QString>("answer"); // "1700": left at 17:00; "now": OUT now; "Bob": his card
    QTest::addColumn<QByteArray>("annAfter");
    QTest::addColumn<QByteArray>("bobAfter");
    const QByteArray in = punchLine("IN", "12/06/2026", "08:00");
    QTest::newRow("by name, left at 17:00, arriving")
        << false << false << "1700"
        << in + punchLine("OUT", "12/06/2026", "17:00") + punchLine("IN", "12/07/2026", "08:05")
        << QByteArray();
    QTest::newRow("by badge after the PIN, OUT now")
        << true << true << "now" << in + punchLine("OUT", "12/07/2026", "08:05") << QByteArray();
    QTest::newRow("the next card closes it unanswered")
        << true << false << "Bob" << in << punchLine("IN", "12/07/2026", "08:05");
}

void TestBadges::forgottenOut_isAskedBeforeThePunch()
{
    QFETCH(bool, byBadge);
    QFETCH(bool, askForPin);
    QFETCH(QString, answer);
    FixedClock clock(QDateTime(Today, QTime(8, 5)));
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), BobCode, Today));
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "12/06/2026", "08:00"));
    auto w = startStation(askForPin);
    QVERIFY(w);
    Steps steps;
    if (askForPin)
        steps.when([] { return qobject_cast<frmPin*>(QApplication::activeModalWidget()); },
                   [] {
                       auto* pin = qobject_cast<frmPin*>(QApplication::activeModalWidget());
                       QTest::keyClicks(pin->txtPin, QStringLiteral("1234"));
                       pin->cmdOK_Click();
                   });
    steps.when([] { return qobject_cast<frmForgotOut*>(QApplication::activeModalWidget()); },
               [&] {
                   auto* ask = qobject_cast<frmForgotOut*>(QApplication::activeModalWidget());
                   // Nothing is written while he is asked.
                   QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
                            punchLine("IN", "12/06/2026", "08:00"));
                   if (answer == QLatin1String("now")) {
                       ask->cmdOutNow_Click();
                   } else if (answer == QLatin1String("Bob")) {
                       quint64 later = 90000;
                       typeCode(ask->windowHandle(), BobCode, 5, &later, false);
                   } else {
                       for (const QChar digit : answer)
                           ask->Command1_Click(digit.digitValue());
                       ask->cmdLeftAt_Click();
                   }
               });
    if (byBadge) {
        quint64 at = 1000;
        typeCode(w->windowHandle(), AnnCode, 5, &at, false);
    } else {
        w->lstNames->choose(QStringLiteral("Ann"));
        QVERIFY(w->cmdOut->isEnabled());
        QTimer::singleShot(0, w.get(), [&w] { w->cmdOut_Click(); });
    }
    QFETCH(QByteArray, annAfter);
    QFETCH(QByteArray, bobAfter);
    QTRY_VERIFY_WITH_TIMEOUT(steps.done() && !QApplication::activeModalWidget() &&
                                 m_dir->read(QStringLiteral("Ann.txt")) == annAfter &&
                                 m_dir->read(QStringLiteral("Bob.txt")) == bobAfter,
                             30000);
    QVERIFY(m_messages->messages.isEmpty());
    // What he declared waits for the manager in the record of corrections; an unanswered
    // question leaves no trace there.
    const QByteArray record = m_dir->read(QStringLiteral("corrections.log"));
    QCOMPARE(record.isEmpty(), answer == QLatin1String("Bob"));
}

void TestBadges::badgeWindow_scanAssignsAndRevokeRevokes()
{
    QVERIFY(IssueBadge(QStringLiteral("Ann"), AnnCode, Today));
    frmBadges window({QStringLiteral("Ann"), QStringLiteral("Bob")}, QStringLiteral("Acme"), {});
    QCOMPARE(window.lstBadges->topLevelItem(1)->text(1), QStringLiteral("No badge"));
    window.lstBadges->topLevelItem(1)->setSelected(true);
    window.setCardScanner([](const QString& employee, QWidget*) -> std::optional<QString> {
        return employee == QLatin1String("Bob") ? std::optional(AnnCode) : std::nullopt;
    });
    window.cmdScan_Click(); // Ann's card: refused
    QVERIFY(m_messages->texts().last().contains(QStringLiteral("belongs to Ann")));
    window.setCardScanner([](const QString&, QWidget*) { return std::optional(BobCode); });
    window.cmdScan_Click();
    QCOMPARE(*BadgeHolder(BobCode), QStringLiteral("Bob"));
    QVERIFY(window.lstBadges->topLevelItem(1)->text(1).startsWith(QStringLiteral("Badge issued")));
    m_messages->yesNoAnswers = {true};
    window.cmdRevoke_Click();
    QCOMPARE(*BadgeHolder(BobCode), QString());
    QCOMPARE(*BadgeHolder(AnnCode), QStringLiteral("Ann"));
}

void TestBadges::printedCards_decodeToCodesWhoseHashesAreStored()
{
    if (!BadgeProbe::toolsInstalled())
        QSKIP("zbarimg (zbar-tools) and pdftoppm (poppler-utils) read the cards back");
    QStringList names;
    for (int i = 1; i <= 12; ++i) // two sheets
        names.append(QStringLiteral("Employee %1").arg(i));
    const QString pdf = m_dir->programDir() + QStringLiteral("/cards.pdf");
    SetReportFileAskerForTesting([pdf](QWidget*, const QString&, QString*) { return pdf; });
    frmBadges window(names, QStringLiteral("Acme Tool & Die"), OutputBadgeCards);
    window.lstBadges->selectAll();
    window.cmdNewPdf_Click();
    SetReportFileAskerForTesting({});
    QVERIFY2(QFileInfo::exists(pdf), qPrintable(m_messages->texts().join(u'\n')));
    BadgeFile file;
    QVERIFY(ReadBadgeFile(&file));
    QCOMPARE(file.badges.size(), names.size());
    const QString problem = BadgeProbe::cardsProblem(pdf, m_dir->programDir(), names.size());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(QDir(m_dir->programDir()).entryList({QStringLiteral("sheet*")}).size(), 2);
}

void TestBadges::scanWindow_takesACodeOnlyWhenTwoReadsMatch()
{
    frmScanCard window(QStringLiteral("Liam"));
    window.show();
    quint64 at = 1000;
    // A reader that paused mid-code: its tail is read as a code of its own.
    typeCode(window.windowHandle(), AnnCode.left(6), 5, &at);
    at += 150;
    typeCode(window.windowHandle(), AnnCode.mid(6), 5, &at);
    QVERIFY(window.isVisible());
    QVERIFY2(window.lblPrompt->text().contains(QStringLiteral("differ")),
             qPrintable(window.lblPrompt->text()));
    at += 3000;
    typeCode(window.windowHandle(), AnnCode, 5, &at);
    QVERIFY(window.isVisible());
    QVERIFY(window.lblPrompt->text().contains(AnnCode));
    QVERIFY(window.result() != QDialog::Accepted);
    at += 1000; // within the repeat guard: the same card, read again
    typeCode(window.windowHandle(), AnnCode, 5, &at);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(window.code(), AnnCode);
}

void TestBadges::cardSheet_printsNothingNearThePapersEdge_data()
{
    QTest::addColumn<int>("paper");
    QTest::newRow("A4") << int(QPageSize::A4);
    QTest::newRow("Letter") << int(QPageSize::Letter);
}

// Many printers print nothing within about 4 mm of the edge: a cut mark there is lost.
void TestBadges::cardSheet_printsNothingNearThePapersEdge()
{
    QFETCH(int, paper);
    if (!BadgeProbe::toolsInstalled())
        QSKIP("pdftoppm (poppler-utils) draws the sheet");
    QByteArray pdf;
    QVERIFY(BadgeCardsPdf({{QStringLiteral("Acme"), QStringLiteral("Ann"), AnnCode}},
                          QPageSize(QPageSize::PageSizeId(paper)), &pdf));
    m_dir->write(QStringLiteral("sheet.pdf"), pdf);
    const QString file = m_dir->path(QStringLiteral("sheet.pdf"));
    constexpr int Dpi = 100;
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QString::number(Dpi), QStringLiteral("-gray"),
                  QStringLiteral("-png"), file, m_dir->programDir() + QStringLiteral("/edge")});
    QVERIFY(render.waitForFinished(60000) && render.exitCode() == 0);
    const QImage page(m_dir->programDir() + QStringLiteral("/edge-1.png"));
    QVERIFY(!page.isNull());
    const int band = int(4.5 * Dpi / 25.4);
    int inked = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const bool nearEdge =
                x < band || y < band || x >= page.width() - band || y >= page.height() - band;
            if (nearEdge && qGray(page.pixel(x, y)) < 200)
                ++inked;
        }
    }
    QCOMPARE(inked, 0);
}

QTEST_MAIN(TestBadges)
#include "tst_badges.moc"
