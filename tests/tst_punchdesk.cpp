// The decisions of a punch, without a window: an employee's state, the punch itself and the
// holder of a scanned badge, on the data folder's store and on a store that answers for others.

#include "data/BadgeFile.h"
#include "data/OptionsRecord.h"
#include "punch/PunchDesk.h"
#include "punch/PunchStore.h"
#include "testsupport/TestSupport.h"

#include <QSet>
#include <QTest>

namespace {

const QDate Today(2024, 3, 5);

// A store whose last punch is given: the one a station of several asks of every station.
class GivenLastPunch final : public PunchStore
{
public:
    Result<std::optional<TimeRecord>> last = std::optional<TimeRecord>();
    int recorded = 0;

    Result<TimeRecord> recordPunch(const QString& name, bool isIn) override
    {
        ++recorded;
        return DataFolderPunches().recordPunch(name, isIn);
    }
    Result<std::optional<TimeRecord>> lastPunch(const QString&) override { return last; }
    IoResult lastPunches(const QStringList&, QHash<QString, LastPunch>*) override { return {}; }
    IoResult payPeriods(const QStringList&, QDate, QDate, int, const QTimeZone&,
                        const PayPeriodSink&) override
    {
        return {};
    }
    IoResult readTimeCard(const QString&, TimeCard*) override { return {}; }
    IoResult saveCorrections(const QString&, const TimeCard&, const QList<TimeCardLine>&,
                             const QList<Correction>&) override
    {
        return {};
    }
    IoResult correctionLogHead(CorrectionLogHead*) override { return {}; }
    IoResult correctionRecord(CorrectionRecord*) override { return {}; }
};

void setOptions(bool askForPin)
{
    OptionsRecord options = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    options.setAskForPin(askForPin);
    GlobalOptions() = options;
}

} // namespace

class TestPunchDesk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void employeeState_followsHisFileAndTheSettings_data();
    void employeeState_followsHisFileAndTheSettings();
    void beforePunch_damagedFileFirstThenThePin_data();
    void beforePunch_damagedFileFirstThenThePin();
    void lastPunch_isTheStoresAndItsFailureIsSaid();
    void punch_isRecordedThroughTheStoreAndOffersTheOtherButton();
    void punchNotOnDisk_saysSoNamingTheFile();
    void scannedCode_findsItsListedHolderOrSaysWhyNobody_data();
    void scannedCode_findsItsListedHolderOrSaysWhyNobody();
    void scanAnswer_followsTheHolderHisLastPunchAndTheMinimumTime_data();
    void scanAnswer_followsTheHolderHisLastPunchAndTheMinimumTime();
    void cardRestingOnTheReader_punchesOncePerGuardPeriod();
    void refusedScan_armsNoGuard_soItsRetryIsAnsweredAgain();
    void minimumTimeSetting_readsOldRecordsAsOneMinute_data();
    void minimumTimeSetting_readsOldRecordsAsOneMinute();
};

void TestPunchDesk::employeeState_followsHisFileAndTheSettings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("askForPin");
    QTest::addColumn<bool>("validFile");
    QTest::addColumn<bool>("in");
    QTest::addColumn<QString>("strip");
    const QByteArray in = punchLine("IN", "03/05/2024", "08:05");
    const QByteArray out = punchLine("OUT", "03/05/2024", "16:30");
    QTest::newRow("no punch yet") << QByteArray() << false << true << false << QString();
    QTest::newRow("IN open") << in << false << true << true
                             << " Last Action: IN  at  08:05 AM  Tuesday, March 05";
    QTest::newRow("OUT last") << in + out << false << true << false
                              << " Last Action: OUT at  04:30 PM  Tuesday, March 05";
    QTest::newRow("PIN needed") << in << true << true << true
                                << " Last Action: IN  at  08:05 AM  Tuesday, March 05";
    QTest::newRow("torn last line, as a crash leaves it")
        << in + out.left(9) << false << true << true
        << " Last Action: IN  at  08:05 AM  Tuesday, March 05";
    QTest::newRow("damaged file") << in + QByteArray("garbage!!!") << true << false << false
                                  << QString();
}

void TestPunchDesk::employeeState_followsHisFileAndTheSettings()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, askForPin);
    QFETCH(bool, validFile);
    QFETCH(bool, in);
    QFETCH(QString, strip);
    TempProgramDir dir;
    setOptions(askForPin);
    if (!file.isEmpty())
        dir.write(QStringLiteral("Ann.txt"), file);
    const PunchDesk desk(DataFolderPunches());
    const Result<PunchState> state = desk.stateOf(QStringLiteral("Ann"));
    QVERIFY2(state, qPrintable(state.failure().error));
    QCOMPARE(state->validFile, validFile);
    QCOMPARE(state->in, in);
    QCOMPARE(state->strip.trimmed(), strip.trimmed());
    QCOMPARE(state->pinNeeded, askForPin);
}

void TestPunchDesk::beforePunch_damagedFileFirstThenThePin_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<bool>("askForPin");
    QTest::addColumn<BeforePunch>("before");
    QTest::newRow("nothing") << false << false << BeforePunch::Nothing;
    QTest::newRow("PIN") << false << true << BeforePunch::Pin;
    QTest::newRow("damaged") << true << false << BeforePunch::DamagedFile;
    QTest::newRow("damaged, PIN too") << true << true << BeforePunch::DamagedFile;
}

void TestPunchDesk::beforePunch_damagedFileFirstThenThePin()
{
    QFETCH(bool, damaged);
    QFETCH(bool, askForPin);
    QFETCH(BeforePunch, before);
    TempProgramDir dir;
    setOptions(askForPin);
    if (damaged)
        dir.write(QStringLiteral("Ann.txt"), QByteArray("not a punch"));
    QCOMPARE(PunchDesk(DataFolderPunches()).beforePunch(QStringLiteral("Ann")), before);
}

void TestPunchDesk::lastPunch_isTheStoresAndItsFailureIsSaid()
{
    TempProgramDir dir;
    setOptions(false);
    // His own file says OUT; another station's newer IN decides.
    dir.write(QStringLiteral("Ann.txt"), punchLine("OUT", "03/05/2024", "07:00"));
    GivenLastPunch store;
    store.last = std::optional(TimeRecord::fromBytes(punchLine("IN", "03/05/2024", "08:05")));
    const PunchDesk desk(store);
    QVERIFY(desk.stateOf(QStringLiteral("Ann"))->in);

    store.last = IoResult::failure(QStringLiteral("Ann.txt cannot be read."));
    const Result<PunchState> failed = desk.stateOf(QStringLiteral("Ann"));
    QVERIFY(!failed);
    QCOMPARE(failed.failure().error, QStringLiteral("Ann.txt cannot be read."));
}

void TestPunchDesk::punch_isRecordedThroughTheStoreAndOffersTheOtherButton()
{
    TempProgramDir dir;
    setOptions(false);
    FixedClock clock(QDateTime(Today, QTime(8, 7)));
    GivenLastPunch store;
    const PunchDesk desk(store);
    const Result<TimeRecord> punched = desk.punch(QStringLiteral("Bob"), true);
    QVERIFY2(punched, qPrintable(punched.failure().error));
    QCOMPARE(store.recorded, 1);
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), punchLine("IN", "03/05/2024", "08:07"));
    const PunchState after = desk.stateAfter(*punched);
    QVERIFY(after.in);
    QVERIFY2(after.strip.contains(QStringLiteral("IN  at  08:07")), qPrintable(after.strip));
}

void TestPunchDesk::punchNotOnDisk_saysSoNamingTheFile()
{
    TempProgramDir dir;
    setOptions(false);
    const QByteArray in = punchLine("IN", "03/05/2024", "07:58");
    dir.write(QStringLiteral("Bob.txt"), in);
    const FailingCall failing("fdatasync", QStringLiteral("Bob.txt"));
    const Result<TimeRecord> punched =
        PunchDesk(DataFolderPunches()).punch(QStringLiteral("Bob"), false);
    QVERIFY(!punched);
    QVERIFY2(punched.failure().error.startsWith(QStringLiteral("The punch was NOT recorded.")) &&
                 punched.failure().error.contains(QStringLiteral("Bob.txt")),
             qPrintable(punched.failure().error));
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), in);
}

void TestPunchDesk::scannedCode_findsItsListedHolderOrSaysWhyNobody_data()
{
    QTest::addColumn<QString>("scanned");
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("said");
    QTest::newRow("listed holder") << "0004711"
                                   << "Bob" << QString();
    QTest::newRow("reader with Caps Lock") << "bcdfghjklnprstuv"
                                           << "Ann" << QString();
    QTest::newRow("code of the minimum length") << "WXYZ"
                                                << "Eve" << QString();
    QTest::newRow("unknown") << "99999999" << QString() << "not known";
    QTest::newRow("revoked") << "REVOKED1" << QString() << "not known";
    QTest::newRow("unreadable") << "ab" << QString() << "cannot be read";
    QTest::newRow("holder not listed") << "LEFTCO01" << QString() << "not in the list";
}

void TestPunchDesk::scannedCode_findsItsListedHolderOrSaysWhyNobody()
{
    QFETCH(QString, scanned);
    QFETCH(QString, holder);
    QFETCH(QString, said);
    TempProgramDir dir;
    QVERIFY(IssueBadge(QStringLiteral("Ann"), QStringLiteral("BCDFGHJKLNPRSTUV"), Today));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), QStringLiteral("0004711"), Today));
    QVERIFY(IssueBadge(QStringLiteral("Eve"), QStringLiteral("WXYZ"), Today));
    QVERIFY(IssueBadge(QStringLiteral("Cy"), QStringLiteral("REVOKED1"), Today));
    QVERIFY(RevokeBadges(QStringLiteral("Cy"), Today));
    QVERIFY(IssueBadge(QStringLiteral("Dee"), QStringLiteral("LEFTCO01"), Today));
    const QSet<QString> listed{QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cy"),
                               QStringLiteral("Eve")};
    const BadgeHolding holding =
        PunchDesk(DataFolderPunches()).holderOf(scanned, [&listed](const QString& name) {
            return listed.contains(name);
        });
    QCOMPARE(holding.name, holder);
    QVERIFY2(holding.message.contains(said), qPrintable(holding.message));
    QCOMPARE(holding.message.isEmpty(), said.isEmpty());
    QVERIFY(!holding.critical);
}

void TestPunchDesk::scanAnswer_followsTheHolderHisLastPunchAndTheMinimumTime_data()
{
    QTest::addColumn<QString>("scanned");
    QTest::addColumn<int>("gapMinutes"); // -1: the field as an older version left it
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QTime>("now");
    QTest::addColumn<ScanAnswer::Kind>("kind");
    QTest::addColumn<bool>("in");
    const QByteArray in807 = punchLine("IN", "03/05/2024", "08:07");
    const QByteArray in806 = punchLine("IN", "03/05/2024", "08:06");
    using K = ScanAnswer::Kind;
    QTest::newRow("first punch of the day")
        << "0004711" << -1 << QByteArray() << QTime(8, 7) << K::Punch << true;
    QTest::newRow("OUT a minute after IN")
        << "0004711" << -1 << in806 << QTime(8, 7) << K::Punch << false;
    QTest::newRow("again within the minute")
        << "0004711" << -1 << in807 << QTime(8, 7, 59) << K::TooSoon << true;
    QTest::newRow("again within a longer minimum")
        << "0004711" << 5 << in806 << QTime(8, 10) << K::TooSoon << true;
    QTest::newRow("no minimum") << "0004711" << 0 << in807 << QTime(8, 7) << K::Punch << false;
    QTest::newRow("clock set back") << "0004711" << -1 << punchLine("IN", "03/05/2024", "09:00")
                                    << QTime(8, 7) << K::Punch << false;
    QTest::newRow("unknown") << "99999999" << -1 << QByteArray() << QTime(8, 7) << K::Refused
                             << false;
    QTest::newRow("code two employees hold")
        << "SHARED01" << -1 << QByteArray() << QTime(8, 7) << K::Refused << false;
}

void TestPunchDesk::scanAnswer_followsTheHolderHisLastPunchAndTheMinimumTime()
{
    QFETCH(QString, scanned);
    QFETCH(int, gapMinutes);
    QFETCH(QByteArray, file);
    QFETCH(QTime, now);
    QFETCH(ScanAnswer::Kind, kind);
    QFETCH(bool, in);
    TempProgramDir dir;
    setOptions(false);
    if (gapMinutes >= 0)
        GlobalOptions().setPunchGapMinutes(gapMinutes);
    FixedClock clock(QDateTime(Today, now));
    const QByteArray shared = BadgeCodeHash(QStringLiteral("SHARED01"));
    dir.write(QStringLiteral("badges.txt"),
              SerializeBadgeFile(
                  {{QStringLiteral("Bob"), BadgeCodeHash(QStringLiteral("0004711")), Today, {}},
                   {QStringLiteral("Ann"), shared, Today, {}},
                   {QStringLiteral("Zed"), shared, Today, {}}}));
    dir.write(QStringLiteral("Bob.txt"), file);
    PunchDesk desk(DataFolderPunches());
    const ScanAnswer answer = desk.answerScan(scanned, [](const QString&) { return true; });
    QCOMPARE(answer.kind, kind);
    QCOMPARE(answer.in, in);
    QCOMPARE(answer.name.isEmpty(), kind == ScanAnswer::Kind::Refused);
    if (kind == ScanAnswer::Kind::TooSoon)
        QVERIFY2(answer.message.contains(QStringLiteral("Last Action: IN")),
                 qPrintable(answer.message));
    if (kind == ScanAnswer::Kind::Refused)
        QVERIFY2(answer.message.contains(QStringLiteral("not known")), qPrintable(answer.message));
    // The desk only answers: the window punches.
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), file);
}

void TestPunchDesk::cardRestingOnTheReader_punchesOncePerGuardPeriod()
{
    TempProgramDir dir;
    setOptions(false);
    GlobalOptions().setPunchGapMinutes(0);
    FixedClock clock(QDateTime(Today, QTime(8, 7)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), QStringLiteral("0004711"), Today));
    PunchDesk desk(DataFolderPunches());
    qint64 steady = 0;
    desk.setSteadyClock([&steady] { return steady; });
    int punched = 0;
    // Read once a second for 20 seconds; an ignored read must not hold the guard up.
    for (int read = 0; read < 20; ++read, steady += 1000) {
        const ScanAnswer answer =
            desk.answerScan(QStringLiteral("0004711"), [](const QString&) { return true; });
        if (answer.kind == ScanAnswer::Kind::Punch) {
            QVERIFY(desk.punch(answer.name, answer.in));
            ++punched;
        } else {
            QCOMPARE(answer.kind, ScanAnswer::Kind::Repeat);
        }
    }
    QCOMPARE(punched, 7); // at 0, 3, 6, ... 18 s: the guard is 2 s
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")).size(), 7 * TimeRecord::Size);
}

void TestPunchDesk::refusedScan_armsNoGuard_soItsRetryIsAnsweredAgain()
{
    TempProgramDir dir;
    setOptions(false);
    QVERIFY(IssueBadge(QStringLiteral("Bob"), QStringLiteral("0004711"), Today));
    PunchDesk desk(DataFolderPunches());
    qint64 steady = 0;
    desk.setSteadyClock([&steady] { return steady; });
    bool listed = false;
    const auto isListed = [&listed](const QString&) { return listed; };
    QCOMPARE(desk.answerScan(QStringLiteral("0004711"), isListed).kind, ScanAnswer::Kind::Refused);
    QVERIFY(!desk.isRepeat(QStringLiteral("0004711")));
    steady += 500;
    listed = true; // the list is read again
    QCOMPARE(desk.answerScan(QStringLiteral("0004711"), isListed).kind, ScanAnswer::Kind::Punch);
    QVERIFY(desk.isRepeat(QStringLiteral("0004711")));
}

void TestPunchDesk::minimumTimeSetting_readsOldRecordsAsOneMinute_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("minutes");
    QTest::newRow("an older version's zero bytes") << QString(6, QChar(0)) << 1;
    QTest::newRow("none") << "0     " << 0;
    QTest::newRow("five minutes") << "5     " << 5;
    QTest::newRow("a day") << "1440  " << 1440;
    QTest::newRow("over a day") << "1441  " << 1;
    QTest::newRow("hand-edited text") << "soon  " << 1;
    QTest::newRow("negative") << "-3    " << 1;
}

void TestPunchDesk::minimumTimeSetting_readsOldRecordsAsOneMinute()
{
    QFETCH(QString, field);
    QFETCH(int, minutes);
    OptionsRecord record = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    record.PunchGapMinutes = field;
    const QByteArray bytes = record.toBytes();
    QCOMPARE(bytes.size(), OptionsRecord::Size);
    QCOMPARE(OptionsRecord::fromBytes(bytes).punchGapMinutes(), minutes);
    // Only the field's own bytes, where a reserved field lay, hold it.
    OptionsRecord other = record;
    other.PunchGapMinutes = OptionsRecord::zeros(6);
    QCOMPARE(other.toBytes().left(65), bytes.left(65));
    QCOMPARE(other.toBytes().mid(71), bytes.mid(71));
}

QTEST_GUILESS_MAIN(TestPunchDesk)
#include "tst_punchdesk.moc"
