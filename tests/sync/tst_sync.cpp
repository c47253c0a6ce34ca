// A station and the server: its file, what it has sent, the schema, and every way the server
// can be unusable while punching goes on locally.
#include "DelayRelay.h"
#include "data/TimeFile.h"
#include "sync/Schema.h"
#include "sync/SentLedger.h"
#include "sync/StationConfig.h"
#include "sync/SyncDatabase.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "1" to SchemaVersion: each version upgraded once.
QList<QByteArray> EveryVersion()
{
    QList<QByteArray> versions;
    for (int v = 1; v <= SchemaVersion; ++v)
        versions.append(QByteArray::number(v));
    return versions;
}

// with-postgres.sh, which stops and starts its server.
QString ServerControl()
{
    return qEnvironmentVariable("HORODEX_PG_CTL");
}
int StopServer()
{
    return QProcess::execute(ServerControl(), {QStringLiteral("--stop")});
}
int StartServer()
{
    return QProcess::execute(ServerControl(), {QStringLiteral("--start")});
}

} // namespace

class TestSync : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // First: no connection of this process may have loaded libpq before it.
    void libpq_comesWithTheFirstConnection_data();
    void libpq_comesWithTheFirstConnection();
    void connection_costsItsLogInAndOneStatement();
    void stationFile_readsDatabaseStationAndRole();
    void connectLimit_ofNoneOrMinutes_isBroughtWithinTheBound_data();
    void connectLimit_ofNoneOrMinutes_isBroughtWithinTheBound();
    void stationFile_missing_meansOneComputerAlone();
    void stationFile_unusable_namesTheFile_data();
    void stationFile_unusable_namesTheFile();
    void stationFile_othersMayChange_isNotTrusted_data();
    void stationFile_othersMayChange_isNotTrusted();
    void stationFile_othersMayWrite_isRefused();
    void sentLedger_roundTripsAndRefusesDamage();
    void serverVersion_otherMajor_isRefusedWithOneMessage_data();
    void serverVersion_otherMajor_isRefusedWithOneMessage();

    void serverOfAnotherMajorVersion_oneMessage_punchesWait();
    void send_twice_storesEachLineOnce();
    void tornLastRecord_wholeRecordsSentAndRunEnds();
    void schema_isCreatedOnceAndNewerSchemaIsRefused();
    void schema_stationsStartingTogether_upgradeItOnce();
    void wrongPassword_oneMessage_punchesWait();
    void unreachableServer_punchesWaitThenShipOnce();
    void serverBackWhileStationRuns_sendsWhatWaited();
    void renamedStation_isRefusedRatherThanCountedTwice();
};

void TestSync::connection_costsItsLogInAndOneStatement()
{
    REQUIRE_TEST_SERVER();
    DatabaseAddress address;
    QVERIFY(ParseDatabaseUri(FreshDatabaseUri(), &address));
    {
        SyncDatabase schema(address);
        const IoResult r = schema.open();
        QVERIFY2(r, qPrintable(r.error));
    }
    // The relay counts each time the client speaks after the server answered.
    DelayRelay relay(address.port, 0);
    QTemporaryDir dir;
    QByteArray lines;
    QVERIFY(FileStore::readFile(qEnvironmentVariable("PGPASSFILE"), &lines, 1 << 16));
    const QString passFile = dir.filePath(QStringLiteral("pgpass"));
    QVERIFY(FileStore::replaceFile(
        passFile, QByteArray(lines).replace(':' + QByteArray::number(address.port) + ':',
                                            ':' + QByteArray::number(relay.port()) + ':')));
    QFile::setPermissions(passFile, QFile::ReadOwner | QFile::WriteOwner);
    address.host = QStringLiteral("127.0.0.1");
    address.port = relay.port();
    address.options.append(QStringLiteral("passfile=") + passFile);
    SyncDatabase database(address);
    // The first connection of a run asks whether the server speaks SSL (one round trip); the
    // next know. Each is then the log-in (a start and two password steps) and one statement.
    for (const long most : {5, 4, 4}) {
        const IoResult r = database.open();
        QVERIFY2(r, qPrintable(r.error));
        QCOMPARE_LE(relay.newestRoundTrips(), most);
    }
}

void TestSync::libpq_comesWithTheFirstConnection_data()
{
    QTest::addColumn<QByteArray>("soname");
    QTest::addColumn<bool>("connect");
    QTest::addColumn<bool>("found");
    QTest::newRow("before any connection") << QByteArray(LibpqSoname) << false << false;
    QTest::newRow("after a connection") << QByteArray(LibpqSoname) << true << true;
    QTest::newRow("a library never loaded") << QByteArray("libhorodex-none.so.5") << true << false;
    QTest::newRow("a loaded library without them") << QByteArray("libQt6Sql.so.6") << true << false;
}

void TestSync::libpq_comesWithTheFirstConnection()
{
    QFETCH(QByteArray, soname);
    QFETCH(bool, connect);
    QFETCH(bool, found);
    if (connect) {
        REQUIRE_TEST_SERVER();
        DatabaseAddress address;
        QVERIFY(ParseDatabaseUri(FreshDatabaseUri(), &address));
        SyncDatabase database(address);
        const IoResult r = database.open();
        QVERIFY2(r, qPrintable(r.error));
    }
    QCOMPARE(LibpqCallsLoaded(soname.constData()), found);
}

void TestSync::stationFile_readsDatabaseStationAndRole()
{
    StationConfig config;
    const IoResult r = ParseStationConfig("; a comment\n[General]\n"
                                          "database=\"postgresql://clock@db.example:5433/pay\"\n"
                                          "station=Warehouse 2\nrole=head\n",
                                          QStringLiteral("/x/station.ini"), &config);
    QVERIFY2(r, qPrintable(r.error));
    QCOMPARE(config.station, QStringLiteral("Warehouse 2"));
    QVERIFY(config.isHead());
    QCOMPARE(config.database.host, QStringLiteral("db.example"));
    QCOMPARE(config.database.port, 5433);
    QCOMPARE(config.database.user, QStringLiteral("clock"));
    QCOMPARE(config.database.database, QStringLiteral("pay"));
    QVERIFY(config.database.options.contains(QStringLiteral("connect_timeout=5")));
}

void TestSync::connectLimit_ofNoneOrMinutes_isBroughtWithinTheBound_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("limit");
    QTest::newRow("none (0)") << QStringLiteral("postgresql://a@b/c?connect_timeout=0")
                              << QStringLiteral("connect_timeout=10");
    QTest::newRow("minutes") << QStringLiteral("postgresql://a@b/c?connect_timeout=600")
                             << QStringLiteral("connect_timeout=10");
    QTest::newRow("none, as key=value")
        << QStringLiteral("host=b user=a dbname=c connect_timeout=0")
        << QStringLiteral("connect_timeout=10");
    QTest::newRow("a shorter one is kept") << QStringLiteral("postgresql://a@b/c?connect_timeout=3")
                                           << QStringLiteral("connect_timeout=3");
}

void TestSync::connectLimit_ofNoneOrMinutes_isBroughtWithinTheBound()
{
    QFETCH(QString, address);
    QFETCH(QString, limit);
    DatabaseAddress parsed;
    const IoResult r = ParseDatabaseUri(address, &parsed);
    QVERIFY2(r, qPrintable(r.error));
    const QStringList limits =
        parsed.options.filter(QRegularExpression(QStringLiteral("^connect_timeout=")));
    QCOMPARE(limits, QStringList{limit});
}

void TestSync::stationFile_missing_meansOneComputerAlone()
{
    TempProgramDir dir;
    std::optional<StationConfig> config;
    QVERIFY(ReadStationConfig(&config));
    QVERIFY(!config);
}

void TestSync::stationFile_unusable_namesTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    const QByteArray good = "station=front\nrole=punch\n";
    QTest::newRow("not a URI") << "database=mysql://a@b/c\n" + good << "not a URI";
    QTest::newRow("a password") << "database=postgresql://a:secret@b/c\n" + good << "password";
    QTest::newRow("a password parameter")
        << "database=postgresql://a@b/c?password=x\n" + good << "password";
    QTest::newRow("a list of hosts") << "database=postgresql://a@b,c/d\n" + good << "list";
    QTest::newRow("no database") << good << "names no database";
    QTest::newRow("no role") << QByteArray("database=postgresql://a@b/c\nstation=front\n")
                             << "role";
    QTest::newRow("no name") << QByteArray("database=postgresql://a@b/c\nrole=punch\n")
                             << "no name";
    QTest::newRow("not key=value") << "database postgresql://a@b/c\n" + good << "key=value";
    QTest::newRow("a password typed without =")
        << "password Secr3tPw\ndatabase=postgresql://a@b/c\n" + good << "line 1 is not";
}

void TestSync::stationFile_unusable_namesTheFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    TempProgramDir dir;
    dir.write(QStringLiteral("station.ini"), bytes);
    std::optional<StationConfig> config;
    const IoResult r = ReadStationConfig(&config);
    QVERIFY(!r);
    QVERIFY(!config);
    QVERIFY2(r.error.contains(QStringLiteral("station.ini")), qPrintable(r.error));
    QVERIFY2(r.error.contains(why), qPrintable(r.error));
    QVERIFY2(r.error.contains(QStringLiteral("keeps punching")), qPrintable(r.error));
    // Whatever the file holds, no password reaches a message.
    QVERIFY2(!r.error.contains(QStringLiteral("Secr3tPw")) &&
                 !r.error.contains(QStringLiteral(":secret@")),
             qPrintable(r.error));
}

void TestSync::stationFile_othersMayChange_isNotTrusted_data()
{
    QTest::addColumn<unsigned>("owner");
    QTest::addColumn<unsigned>("mode");
    QTest::addColumn<unsigned>("user");
    QTest::addColumn<QString>("why"); // empty: trusted
    QTest::newRow("mine, 0644") << 1000u << 0644u << 1000u << QString();
    QTest::newRow("mine, 0600") << 1000u << 0600u << 1000u << QString();
    QTest::newRow("group may write") << 1000u << 0664u << 1000u << "its mode is 0664";
    QTest::newRow("others may write") << 1000u << 0602u << 1000u << "its mode is 0602";
    QTest::newRow("another account's") << 1001u << 0600u << 1000u << "another account";
    QTest::newRow("root's") << 0u << 0644u << 1000u << QString();
    QTest::newRow("root's, others may write") << 0u << 0666u << 1000u << "its mode is 0666";
    QTest::newRow("a user's, run as root") << 1000u << 0644u << 0u << "another account";
}

void TestSync::stationFile_othersMayChange_isNotTrusted()
{
    QFETCH(unsigned, owner);
    QFETCH(unsigned, mode);
    QFETCH(unsigned, user);
    QFETCH(QString, why);
    const IoResult trusted = StationConfigIsTrusted({owner, mode}, user);
    QCOMPARE(trusted.ok, why.isEmpty());
    QVERIFY2(trusted.error.contains(why), qPrintable(trusted.error));
}

void TestSync::stationFile_othersMayWrite_isRefused()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("station.ini"),
              "database=postgresql://a@b/c\nstation=front\nrole=punch\n");
    const QByteArray path = QFile::encodeName(dir.path(QStringLiteral("station.ini")));
    std::optional<StationConfig> config;
    QCOMPARE(::chmod(path.constData(), 0666), 0);
    IoResult r = ReadStationConfig(&config);
    QVERIFY(!r);
    QVERIFY(!config);
    for (const char* part : {"station.ini", "is not used", "its mode is 0666", "keeps punching"})
        QVERIFY2(r.error.contains(QLatin1String(part)), qPrintable(r.error));

    QCOMPARE(::chmod(path.constData(), 0644), 0);
    r = ReadStationConfig(&config);
    QVERIFY2(r, qPrintable(r.error));
    QVERIFY(config);
    if (::geteuid() != 0)
        return;
    // Root runs the test: a file of nobody's is another account's.
    const passwd* nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    QCOMPARE(::chown(path.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    r = ReadStationConfig(&config);
    QVERIFY2(!r && r.error.contains(QStringLiteral("another account")), qPrintable(r.error));
    QVERIFY(!config);
}

void TestSync::sentLedger_roundTripsAndRefusesDamage()
{
    SentLedger ledger;
    ledger.station = QStringLiteral("front");
    ledger.stationId = NewIdentity();
    ledger.files.insert(QStringLiteral("Smith, John"),
                        {310, NewIdentity(), DigestOf(QByteArray(310, 'x'))});
    ledger.files.insert(QStringLiteral("Zoë"), {31, NewIdentity(), DigestOf(QByteArray(31, 'y'))});
    SentLedger read;
    QVERIFY(ParseSentLedger(SerializeSentLedger(ledger), QStringLiteral("s"), &read));
    QCOMPARE(read.station, ledger.station);
    QCOMPARE(read.stationId, ledger.stationId);
    QCOMPARE(read.files.keys(), ledger.files.keys());
    for (const QString& name : ledger.files.keys()) {
        QCOMPARE(read.files.value(name).acknowledged, ledger.files.value(name).acknowledged);
        QCOMPARE(read.files.value(name).origin, ledger.files.value(name).origin);
        QCOMPARE(read.files.value(name).digest, ledger.files.value(name).digest);
    }
    const QByteArray torn = SerializeSentLedger(ledger).chopped(1);
    QVERIFY(!ParseSentLedger(torn, QStringLiteral("s"), &read));
    const IoResult negative =
        ParseSentLedger("horodex-sent 1\nfront\n-5\tKim\n", QStringLiteral("s"), &read);
    QVERIFY(!negative);
    // The message says what to do, and that doing it loses nothing.
    QVERIFY2(negative.error.contains(QStringLiteral("Move it away")), qPrintable(negative.error));
    // The first format still reads: its files are looked for on the server by their content.
    QVERIFY(ParseSentLedger("horodex-sent 1\nfront\n62\tKim\n", QStringLiteral("s"), &read));
    QCOMPARE(read.of(QStringLiteral("Kim")), 62);
    QVERIFY(read.files.value(QStringLiteral("Kim")).origin.isEmpty());
    // An offset inside a record would send every later line cut in the wrong place.
    QVERIFY(!ParseSentLedger("horodex-sent 1\nfront\n32\tKim\n", QStringLiteral("s"), &read));
}

void TestSync::serverVersion_otherMajor_isRefusedWithOneMessage_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("15.4") << 150004 << true;
    QTest::newRow("14.11") << 140011 << false;
    QTest::newRow("16.2") << 160002 << false;
}

void TestSync::serverVersion_otherMajor_isRefusedWithOneMessage()
{
    QFETCH(int, version);
    QFETCH(bool, accepted);
    const IoResult r = CheckServerVersion(version);
    QCOMPARE(bool(r), accepted);
    if (!accepted)
        QVERIFY2(r.error.contains(QStringLiteral("needs PostgreSQL 15")), qPrintable(r.error));
}

void TestSync::serverOfAnotherMajorVersion_oneMessage_punchesWait()
{
    if (qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR").isEmpty())
        QSKIP("HORODEX_TEST_SOURCE_DIR names no source folder: run through ctest");
    QProcess fake;
    fake.start(QStringLiteral("python3"), {qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR") +
                                               QStringLiteral("/tests/sync/fakepostgres.py"),
                                           QStringLiteral("16.2")});
    if (!fake.waitForStarted(30000))
        QSKIP("python3 is not installed");
    QVERIFY(fake.waitForReadyRead(30000));
    const int port = fake.readLine().trimmed().toInt();
    QVERIFY(port > 0);
    DataFolder station;
    station.writeStation(QStringLiteral("postgresql://horodex@127.0.0.1:%1/horodex").arg(port),
                         QStringLiteral("front"), QStringLiteral("punch"));
    station.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    station.write(QStringLiteral("Kim.txt"), KimPunches(0, 1));
    const ProgramRun run = station.sync();
    fake.kill();
    fake.waitForFinished();
    QVERIFY2(run.exitCode == 1, run.err.constData());
    QVERIFY2(run.err.contains("runs PostgreSQL 16.2; Horodex needs PostgreSQL 15"),
             run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(!QFile::exists(station.file(QStringLiteral("station.sent"))));
}

void TestSync::send_twice_storesEachLineOnce()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 5));
    QCOMPARE(s.folder.sync().exitCode, 0);
    // A lost record of what was sent: everything goes again, and is stored once.
    QFile::remove(s.folder.file(QStringLiteral("station.sent")));
    s.folder.append(QStringLiteral("Kim.txt"), KimPunches(5, 2));
    const ProgramRun again = s.folder.sync();
    QVERIFY2(again.exitCode == 0, again.err.constData());
    QCOMPARE(Joined(s.serverLines()), s.folder.read(QStringLiteral("Kim.txt")));
}

void TestSync::tornLastRecord_wholeRecordsSentAndRunEnds()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    // What a crash during a punch leaves until the next punch.
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 2) + "IN ");
    const ProgramRun run = s.folder.sync();
    QVERIFY2(run.exitCode == 0,
             run.exitCode == -1 ? "horodex-sync --once crashed or did not end within two minutes"
                                : run.err.constData());
    QVERIFY2(run.out.contains("sent 2 waiting 0"), run.out.constData());
    QCOMPARE(Joined(s.serverLines()), KimPunches(0, 2));
    SentLedger ledger;
    QVERIFY(ParseSentLedger(s.folder.read(QStringLiteral("station.sent")), QStringLiteral("s"),
                            &ledger));
    QCOMPARE(ledger.of(QStringLiteral("Kim")), 2 * TimeRecord::Size);
}

void TestSync::schema_isCreatedOnceAndNewerSchemaIsRefused()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 2));
    QCOMPARE(s.folder.sync().exitCode, 0);
    QCOMPARE(s.folder.sync().exitCode, 0);
    QCOMPARE(ServerLines(s.uri, QStringLiteral("SELECT version::text AS v FROM "
                                               "horodex_schema_version ORDER BY version")),
             EveryVersion());
    ServerExec(s.uri, QStringLiteral("INSERT INTO horodex_schema_version VALUES (99)"));
    s.folder.append(QStringLiteral("Kim.txt"), KimPunches(2, 1));
    const ProgramRun run = s.folder.sync();
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("schema version 99, newer"), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QCOMPARE(s.serverLines().size(), 2);
    const ProgramRun report =
        s.folder.report({QStringLiteral("multiple"), QStringLiteral("--from"),
                         QStringLiteral("2008-03-10"), QStringLiteral("--to"),
                         QStringLiteral("2008-03-16"), QStringLiteral("--database"), s.uri});
    QCOMPARE(report.exitCode, 1);
    QVERIFY2(report.err.contains("newer"), report.err.constData());
}

void TestSync::schema_stationsStartingTogether_upgradeItOnce()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    QList<DataFolder*> stations;
    QList<QProcess*> runs;
    for (int i = 0; i < 4; ++i) {
        stations.append(new DataFolder);
        stations.last()->writeStation(uri, QStringLiteral("station %1").arg(i),
                                      QStringLiteral("punch"));
        stations.last()->writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
        stations.last()->write(QStringLiteral("Kim.txt"), KimPunches(0, 2));
    }
    for (DataFolder* station : stations) {
        runs.append(new QProcess);
        runs.last()->start(QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-sync"),
                           {QStringLiteral("--data"), station->path(), QStringLiteral("--once")});
    }
    for (QProcess* run : runs) {
        QVERIFY(run->waitForFinished(60000));
        QVERIFY2(run->exitCode() == 0, run->readAllStandardError().constData());
    }
    qDeleteAll(runs);
    qDeleteAll(stations);
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT version::text AS v FROM "
                                             "horodex_schema_version ORDER BY version")),
             EveryVersion());
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM horodex_punch")),
             QList<QByteArray>{"8"});
}

void TestSync::wrongPassword_oneMessage_punchesWait()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 3));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), QStringLiteral("not the password"));
    const ProgramRun run = s.folder.sync({QStringLiteral("--once")}, env);
    QVERIFY2(run.exitCode == 1, run.err.constData());
    QVERIFY2(run.err.contains("password authentication failed"), run.err.constData());
    QVERIFY2(run.err.contains("wait at this station"), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY(!QFile::exists(s.folder.file(QStringLiteral("station.sent"))));
    QCOMPARE(s.folder.read(QStringLiteral("Kim.txt")), KimPunches(0, 3));
}

void TestSync::unreachableServer_punchesWaitThenShipOnce()
{
    REQUIRE_TEST_SERVER();
    if (ServerControl().isEmpty())
        QSKIP("the server cannot be stopped here: run under scripts/with-postgres.sh");
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 4));
    QCOMPARE(s.folder.sync().exitCode, 0);
    QCOMPARE(StopServer(), 0);
    s.folder.append(QStringLiteral("Kim.txt"), KimPunches(4, 3));
    const ProgramRun down = s.folder.sync();
    QCOMPARE(StartServer(), 0);
    QCOMPARE(down.exitCode, 1);
    QVERIFY2(down.err.contains("Cannot connect"), down.err.constData());
    s.folder.append(QStringLiteral("Kim.txt"), KimPunches(7, 1));
    const ProgramRun up = s.folder.sync();
    QVERIFY2(up.exitCode == 0, up.err.constData());
    QVERIFY2(up.out.contains("sent 4 waiting 0"), up.out.constData());
    QCOMPARE(Joined(s.serverLines()), KimPunches(0, 8));
}

void TestSync::serverBackWhileStationRuns_sendsWhatWaited()
{
    REQUIRE_TEST_SERVER();
    if (ServerControl().isEmpty())
        QSKIP("the server cannot be stopped here: run under scripts/with-postgres.sh");
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 4));
    QCOMPARE(s.folder.sync().exitCode, 0); // the schema exists; now the server goes away
    s.folder.append(QStringLiteral("Kim.txt"), KimPunches(4, 2));
    QCOMPARE(StopServer(), 0);
    QProcess station;
    station.start(QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-sync"),
                  {QStringLiteral("--data"), s.folder.path()});
    QVERIFY(station.waitForStarted(30000));
    QByteArray err;
    while (!err.contains("Cannot connect") && station.state() == QProcess::Running) {
        station.waitForReadyRead(1000);
        err += station.readAllStandardError();
    }
    // Punching goes on meanwhile, and the station tries again until the server is back.
    s.folder.append(QStringLiteral("Kim.txt"), KimPunches(6, 1));
    QCOMPARE(StartServer(), 0);
    QByteArray out;
    while (!out.contains("waiting 0") && station.state() == QProcess::Running &&
           station.waitForReadyRead(60000))
        out += station.readAllStandardOutput();
    station.kill();
    station.waitForFinished();
    QVERIFY2(err.count("Cannot connect") == 1, err.constData());
    QVERIFY2(out.contains("sent 3 waiting 0"), out.constData());
    QCOMPARE(Joined(s.serverLines()), KimPunches(0, 7));
}

void TestSync::renamedStation_isRefusedRatherThanCountedTwice()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 2));
    QCOMPARE(s.folder.sync().exitCode, 0);
    s.folder.writeStation(s.uri, QStringLiteral("back"), QStringLiteral("punch"));
    const ProgramRun run = s.folder.sync();
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("sent as station \"front\""), run.err.constData());
    QCOMPARE(s.serverLines().size(), 2);
}

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
