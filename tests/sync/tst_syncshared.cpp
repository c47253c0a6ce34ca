// What stations share through the server: the employee list and settings of the head station,
// and each employee's last action, asked within a time limit.
#include "data/BadgeFile.h"
#include "data/Environment.h"
#include "data/PunchLine.h"
#include "data/ShiftHours.h"
#include "sync/LastAction.h"
#include "sync/PunchRows.h"
#include "sync/SharedFiles.h"
#include "sync/StationLink.h"
#include "sync/SyncDatabase.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

// The head station "office" with Kim and the settings of a first run, and the punch station
// "front", on the database at uri.
void setUpHeadAndPunchStation(const QString& uri, const DataFolder& head, const DataFolder& punch)
{
    head.writeStation(uri, QStringLiteral("office"), QStringLiteral("head"));
    punch.writeStation(uri, QStringLiteral("front"), QStringLiteral("punch"));
    head.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    head.writeDefaultOptions();
}

// Kim's badge issued at the head, which has stored it on the server.
void IssueKimsBadge(const QString& uri, const DataFolder& head, const DataFolder& punch)
{
    setUpHeadAndPunchStation(uri, head, punch);
    Environment::setDataDirectory(head.path());
    QVERIFY(IssueBadge(QStringLiteral("Kim"), QStringLiteral("KIM0042"), QDate(2026, 12, 7)));
    QCOMPARE(head.sync().exitCode, 0);
}

} // namespace

class TestSyncShared : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sharedFiles_headStoresNewRevisions_punchStationTakesThem();
    void badgeIssuedAtHead_isKnownAtPunchStation();
    void badgeFileDeletedAtHead_noBadgeWorksAtPunchStation();
    void shiftsSetAtHead_reachPunchStation_andTheirDeletionToo();
    void newestPunch_byMomentThenStationThenOffset();
    void momentKeyAndIn_serverReadsEveryLineAsTheStationDoes();
    void lastAction_inAtOneStation_outEnabledAtAnother();
    void lastAction_serverUnreachable_localFileDecides();
    void stationLink_sendsOnItsThread_andPunchStationLearnsTheHead();
};

void TestSyncShared::sharedFiles_headStoresNewRevisions_punchStationTakesThem()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    DataFolder head, punch;
    setUpHeadAndPunchStation(uri, head, punch);
    QCOMPARE(head.sync().exitCode, 0);
    QCOMPARE(head.sync().exitCode, 0); // unchanged: no new revision
    const ProgramRun first = punch.sync();
    QVERIFY2(first.exitCode == 0, first.err.constData());
    QVERIFY2(first.out.contains("took names.nms options.ini"), first.out.constData());
    // Names, PINs and shifts, but no social security number and no pay rate.
    QCOMPARE(punch.read(QStringLiteral("names.nms")),
             QByteArray("\"Kim\",\"rstu\",\"\",\"\",\"\",\"1\",\"111111111\"\r\n"));
    QCOMPARE(punch.read(QStringLiteral("options.ini")), head.read(QStringLiteral("options.ini")));

    head.writeEmployees(
        {sampleEmployee(QStringLiteral("Kim")), sampleEmployee(QStringLiteral("Lee"))});
    QCOMPARE(head.sync().exitCode, 0);
    QCOMPARE(punch.sync().exitCode, 0);
    QCOMPARE(punch.read(QStringLiteral("names.nms")),
             WithoutPayData(head.read(QStringLiteral("names.nms"))));
    QVERIFY(punch.read(QStringLiteral("names.nms")).contains("\"Lee\""));
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT name || ' ' || revision FROM "
                                             "horodex_shared_file ORDER BY name, revision")),
             (QList<QByteArray>{"names-punch.nms 1", "names-punch.nms 2", "names.nms 1",
                                "names.nms 2", "options.ini 1"}));
}

void TestSyncShared::badgeIssuedAtHead_isKnownAtPunchStation()
{
    REQUIRE_TEST_SERVER();
    DataFolder head, punch;
    IssueKimsBadge(FreshDatabaseUri(), head, punch);
    const ProgramRun took = punch.sync();
    QVERIFY2(took.out.contains("badges.txt"), took.out.constData());
    QCOMPARE(punch.read(QStringLiteral("badges.txt")), head.read(QStringLiteral("badges.txt")));
    Environment::setDataDirectory(punch.path());
    QCOMPARE(*BadgeHolder(QStringLiteral("KIM0042")), QStringLiteral("Kim"));
    // Revoked at the head, the badge stops punching at the station.
    Environment::setDataDirectory(head.path());
    QVERIFY(RevokeBadges(QStringLiteral("Kim"), QDate(2026, 12, 8)));
    QCOMPARE(head.sync().exitCode, 0);
    QCOMPARE(punch.sync().exitCode, 0);
    Environment::setDataDirectory(punch.path());
    QCOMPARE(*BadgeHolder(QStringLiteral("KIM0042")), QString());
    Environment::setDataDirectory(QString());
}

void TestSyncShared::badgeFileDeletedAtHead_noBadgeWorksAtPunchStation()
{
    REQUIRE_TEST_SERVER();
    DataFolder head, punch;
    IssueKimsBadge(FreshDatabaseUri(), head, punch);
    QCOMPARE(punch.sync().exitCode, 0);
    QVERIFY(QFile::remove(head.file(QStringLiteral("badges.txt"))));
    QCOMPARE(head.sync().exitCode, 0);
    QCOMPARE(punch.sync().exitCode, 0);
    Environment::setDataDirectory(punch.path());
    QCOMPARE(*BadgeHolder(QStringLiteral("KIM0042")), QString());
    Environment::setDataDirectory(QString());
    // The head's folder stays as its administrator left it.
    QVERIFY(!QFile::exists(head.file(QStringLiteral("badges.txt"))));
}

void TestSyncShared::shiftsSetAtHead_reachPunchStation_andTheirDeletionToo()
{
    REQUIRE_TEST_SERVER();
    DataFolder head, punch;
    setUpHeadAndPunchStation(FreshDatabaseUri(), head, punch);
    ShiftSchedule schedule;
    schedule.openLimitHours = 12;
    schedule.shifts.append({1, QTime(8, 0), QTime(16, 30), {true, true, true, true, true}, 5, 30});
    Environment::setDataDirectory(head.path());
    QVERIFY(WriteShiftSchedule(schedule));
    QCOMPARE(head.sync().exitCode, 0);
    const ProgramRun took = punch.sync();
    QVERIFY2(took.out.contains("shifts.txt"), took.out.constData());
    QCOMPARE(punch.read(QStringLiteral("shifts.txt")), head.read(QStringLiteral("shifts.txt")));
    Environment::setDataDirectory(punch.path());
    QCOMPARE(ReadShiftSchedule()->shifts, schedule.shifts);
    // Deleted at the head, no shift stays in force at the station.
    QVERIFY(QFile::remove(head.file(QStringLiteral("shifts.txt"))));
    QCOMPARE(head.sync().exitCode, 0);
    QCOMPARE(punch.sync().exitCode, 0);
    const Result<ShiftSchedule> left = ReadShiftSchedule();
    QVERIFY(left && left->shifts.isEmpty());
    QCOMPARE(left->openLimitHours, ShiftSchedule().openLimitHours);
    Environment::setDataDirectory(QString());
    QVERIFY(!QFile::exists(head.file(QStringLiteral("shifts.txt"))));
}

void TestSyncShared::newestPunch_byMomentThenStationThenOffset()
{
    const StationPunch in{punchLine("IN ", "03/10/2008", "08:00"), QStringLiteral("front"), 0};
    const StationPunch out{punchLine("OUT", "03/10/2008", "17:00"), QStringLiteral("back"), 0};
    const StationPunch sameMinute{punchLine("OUT", "03/10/2008", "08:00"), QStringLiteral("yard"),
                                  0};
    QCOMPARE(NewestPunch(in, {out})->line, out.line);
    QCOMPARE(NewestPunch(out, {in})->line, out.line);
    QCOMPARE(NewestPunch(in, {sameMinute})->station, QStringLiteral("yard"));
    QCOMPARE(NewestPunch(std::nullopt, {in})->line, in.line);
    QVERIFY(!NewestPunch(std::nullopt, {}));
    // A later year wins over a later month: the key reads the year first.
    const StationPunch nextYear{punchLine("IN ", "01/02/2009", "07:00"), QStringLiteral("a"), 0};
    QCOMPARE(NewestPunch(out, {nextYear})->line, nextYear.line);
}

namespace {

// Lines as the recording writes them, lines edited by hand, and lines of every byte value.
QByteArray MomentKeySample()
{
    QByteArray lines = KimPunches(0, 4);
    lines += punchLine("OUT", "12/31/9999", "23:59") + punchLine("IN ", "1/2/2008  ", " 7:5 ");
    lines += QByteArray("in    ab/cd/efgh        ij:kl\r\n") + QByteArray(31, ' ');
    for (int k = 0; k < 256; k += 5) {
        QByteArray line(PunchLine::Size, Qt::Uninitialized);
        for (int i = 0; i < line.size(); ++i)
            line[i] = char((k + 7 * i) % 256);
        if (k % 2 == 0)
            line.replace(PunchLine::Action.offset, PunchLine::Action.length, PunchLine::In);
        lines += line;
    }
    return lines;
}

} // namespace

void TestSyncShared::momentKeyAndIn_serverReadsEveryLineAsTheStationDoes()
{
    REQUIRE_TEST_SERVER();
    DatabaseAddress address;
    QVERIFY(ParseDatabaseUri(FreshDatabaseUri(), &address));
    SyncDatabase database(address);
    QVERIFY(database.open());
    const QByteArray sample = MomentKeySample();
    const IoResult stored = StorePunchLines(database, QStringLiteral("front"), "file",
                                            QStringLiteral("Kim"), 0, sample);
    QVERIFY2(stored, qPrintable(stored.error));
    ServerRows* query = nullptr;
    QVERIFY(database.exec(&query,
                          QStringLiteral("SELECT byte_offset, line, moment_key, is_in FROM "
                                         "horodex_punch ORDER BY byte_offset"),
                          {}, "read"));
    qint64 offset = 0;
    while (query->next()) {
        const QByteArray line = query->value(1).toByteArray();
        QCOMPARE(query->value(0).toLongLong(), offset);
        QCOMPARE(line, sample.mid(offset, PunchLine::Size));
        QCOMPARE(query->value(2).toByteArray(), PunchMomentKey(line));
        QCOMPARE(query->value(3).toBool(), PunchLine::isIn(line.constData()));
        offset += PunchLine::Size;
    }
    QCOMPARE(offset, sample.size());
}

void TestSyncShared::lastAction_inAtOneStation_outEnabledAtAnother()
{
    REQUIRE_TEST_SERVER();
    KimStation front;
    DataFolder warehouse;
    warehouse.writeStation(front.uri, QStringLiteral("warehouse"), QStringLiteral("punch"));
    warehouse.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    front.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 3)); // IN, OUT, IN
    QCOMPARE(front.folder.sync().exitCode, 0);

    Environment::setDataDirectory(warehouse.path());
    std::optional<StationConfig> config;
    QVERIFY(ReadStationConfig(&config) && config);
    LastActionAsker asker(*config, 5000); // generous: this test is about the answer
    LastActionSource source;
    Result<std::optional<TimeRecord>> last = asker.lastPunch(QStringLiteral("Kim"), &source);
    QCOMPARE(source, LastActionSource::Server);
    QVERIFY(last && *last && (*last)->isIn());
    // His OUT at the warehouse, not sent yet, is newer than anything on the server.
    warehouse.write(QStringLiteral("Kim.txt"), KimPunches(3, 1));
    last = asker.lastPunch(QStringLiteral("Kim"), &source);
    QCOMPARE(source, LastActionSource::Server);
    QVERIFY(last && *last && !(*last)->isIn());
    QCOMPARE((*last)->PunchTime, QStringLiteral("08:03"));
    Environment::setDataDirectory(QString());
}

void TestSyncShared::lastAction_serverUnreachable_localFileDecides()
{
    REQUIRE_TEST_SERVER();
    KimStation front;
    QCOMPARE(front.folder.sync().exitCode, 0);
    DataFolder warehouse;
    warehouse.write(QStringLiteral("Kim.txt"), KimPunches(0, 1));
    Environment::setDataDirectory(warehouse.path());
    StationConfig config;
    QVERIFY(ParseDatabaseUri(QStringLiteral("postgresql://horodex@127.0.0.1:1/nowhere"),
                             &config.database));
    config.station = QStringLiteral("warehouse");
    LastActionAsker asker(config);
    LastActionSource source;
    const Result<std::optional<TimeRecord>> last = asker.lastPunch(QStringLiteral("Kim"), &source);
    QCOMPARE(source, LastActionSource::LocalFile);
    QVERIFY(last && *last && (*last)->isIn());
    Environment::setDataDirectory(QString());
}

void TestSyncShared::stationLink_sendsOnItsThread_andPunchStationLearnsTheHead()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    DataFolder head;
    head.writeStation(s.uri, QStringLiteral("office"), QStringLiteral("head"));
    head.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    head.writeDefaultOptions();
    QCOMPARE(head.sync().exitCode, 0);
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 3));
    Environment::setDataDirectory(s.folder.path());
    {
        Result<std::unique_ptr<StationLink>> opened = StationLink::fromDataFolder();
        QVERIFY2(opened && *opened, qPrintable(opened.failure().error));
        const std::unique_ptr<StationLink> made = std::move(*opened);
        StationLink& link = *made;
        QSignalSpy rounds(&link, &StationLink::statusChanged);
        QVERIFY(rounds.wait(30000));
        const SyncStatus status = link.status();
        QVERIFY2(status.error.isEmpty(), qPrintable(status.error));
        QCOMPARE(status.waiting, 0);
        QCOMPARE(status.headStation, QStringLiteral("office"));
        QCOMPARE(ManagedAtHeadText(status.headStation),
                 QStringLiteral("Employees and options are managed at the head station "
                                "\"office\"."));
        QCOMPARE(WaitingPunchesText(status.waiting), QString());
        QCOMPARE(WaitingPunchesText(3), QStringLiteral("3 punches wait to be sent"));
        QCOMPARE(Joined(s.serverLines()), KimPunches(0, 3));
    }
    Environment::setDataDirectory(QString());
}

QTEST_GUILESS_MAIN(TestSyncShared)
#include "tst_syncshared.moc"
