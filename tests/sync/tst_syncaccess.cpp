// Who may read what, and who is who: no password is ever shown, a punch station's role reads no
// pay data, a cloned head is told apart from its original, a clock far from the server's is said.
#include "sync/SharedFiles.h"
#include "sync/StationConfig.h"
#include "sync/StationLink.h"
#include "sync/StationRegistry.h"
#include "sync/StationSync.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTest>
#include <QUrl>

namespace {

// Around each password: what a message must show of none of them, whatever char sits between.
const QString Before = QStringLiteral("Qk");
const QString After = QStringLiteral("x7Zw");

QString Password(QChar c)
{
    return Before + c + After;
}

QString Encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// The password as a key=value word of libpq: quoted, its quote and backslash escaped.
QString Quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

const QStringList Week{QStringLiteral("multiple"), QStringLiteral("--from"),
                       QStringLiteral("2008-03-10"), QStringLiteral("--to"),
                       QStringLiteral("2008-03-16")};

// The same database as the punch stations' role, which holds no privilege of its own.
QString PunchRoleUri(const QString& uri)
{
    QUrl url(uri);
    url.setUserName(QUrl(qEnvironmentVariable("HORODEX_TEST_PUNCH_DATABASE")).userName());
    return url.toString();
}

void MakeStation(const DataFolder& folder, const QString& uri, const QString& name,
                 const QString& role)
{
    folder.writeStation(uri, name, role);
    folder.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    folder.writeDefaultOptions();
}

} // namespace

class TestSyncAccess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void passwordOfEveryPrintableCharacter_isNeverShown_data();
    void passwordOfEveryPrintableCharacter_isNeverShown();
    void passwordInTheAuthority_neitherProgramShowsIt_data();
    void passwordInTheAuthority_neitherProgramShowsIt();
    void passwordLineOfAnyCaseOrSection_isRefused_data();
    void passwordLineOfAnyCaseOrSection_isRefused();
    void punchRole_sendsAndTakesTheList_butTheServerRefusesItSsns();
    void clonedHead_isRefusedWithTheOriginal_neverFlips();
    void stationClockAnHourBehind_isSaidAndExitsOne();
    void clockApart_inTheCaptionAndTheAboutBox();
};

void TestSyncAccess::passwordOfEveryPrintableCharacter_isNeverShown_data()
{
    QTest::addColumn<QString>("address");
    for (char c = 0x20; c < 0x7f; ++c) {
        const QString password = Password(QChar::fromLatin1(c));
        const QString tag = QStringLiteral("0x%1 ").arg(int(c), 2, 16);
        const auto row = [&tag](const char* where, const QString& address) {
            QTest::newRow(qPrintable(tag + QLatin1String(where))) << address;
        };
        row("authority",
            QStringLiteral("postgresql://horodex:%1@127.0.0.1:5432/shop").arg(password));
        row("authority encoded",
            QStringLiteral("postgresql://horodex:%1@127.0.0.1:5432/shop").arg(Encoded(password)));
        row("query",
            QStringLiteral("postgresql://horodex@127.0.0.1/shop?sslmode=disable&password=%1")
                .arg(password));
        row("query encoded", QStringLiteral("postgresql://horodex@127.0.0.1/shop?password=%1")
                                 .arg(Encoded(password)));
        row("encoded key", QStringLiteral("postgresql://horodex@127.0.0.1/shop?%70assword=%1")
                               .arg(Encoded(password)));
        row("encoded key upper case",
            QStringLiteral("postgres://horodex@127.0.0.1/shop?pass%77ord=%1")
                .arg(Encoded(password)));
        row("key=value quoted",
            QStringLiteral("host=127.0.0.1 user=horodex password=%1 dbname=shop")
                .arg(Quoted(password)));
        row("key=value bare",
            QStringLiteral("host=127.0.0.1 password=%1 user=horodex dbname=shop").arg(password));
    }
}

void TestSyncAccess::passwordOfEveryPrintableCharacter_isNeverShown()
{
    QFETCH(QString, address);
    const auto shows = [](const QString& text) {
        return text.contains(Before) || text.contains(After);
    };
    DatabaseAddress parsed;
    const IoResult r = ParseDatabaseUri(address, &parsed);
    QVERIFY2(!shows(r.error), qPrintable(r.error));
    QVERIFY2(!shows(MaskedUri(address)), qPrintable(MaskedUri(address)));
    // Read otherwise than its writer meant, what is kept is shown in every later message.
    if (r)
        QVERIFY2(!shows(parsed.describe()) && !parsed.options.join(u' ').contains(After),
                 qPrintable(parsed.describe()));
    StationConfig config;
    const IoResult ini = ParseStationConfig(
        QStringLiteral("[General]\ndatabase=%1\nstation=Front\nrole=punch\n").arg(address).toUtf8(),
        QStringLiteral("station.ini"), &config);
    QVERIFY2(!shows(ini.error), qPrintable(ini.error));
}

void TestSyncAccess::passwordInTheAuthority_neitherProgramShowsIt_data()
{
    QTest::addColumn<QString>("address");
    for (const char c : QByteArray("/#?@%:")) {
        QTest::newRow(QByteArray(1, c).constData())
            << QStringLiteral("postgresql://horodex:%1@127.0.0.1:1/shop")
                   .arg(Password(QChar::fromLatin1(c)));
    }
}

void TestSyncAccess::passwordInTheAuthority_neitherProgramShowsIt()
{
    QFETCH(QString, address);
    DataFolder folder;
    folder.writeStation(address, QStringLiteral("Front"), QStringLiteral("punch"));
    const ProgramRun sync = folder.sync();
    DataFolder alone;
    const ProgramRun report =
        alone.report({QStringLiteral("who-is-in"), QStringLiteral("--database"), address});
    for (const ProgramRun& run : {sync, report}) {
        QVERIFY(run.exitCode != 0);
        const QByteArray shown = run.out + run.err;
        QVERIFY2(!shown.contains(Before.toLatin1()) && !shown.contains(After.toLatin1()),
                 shown.constData());
    }
}

void TestSyncAccess::passwordLineOfAnyCaseOrSection_isRefused_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("Password=") << QByteArray("Password=Qkx7Zw\n");
    QTest::newRow("PASSWORD=") << QByteArray("PASSWORD = Qkx7Zw\n");
    QTest::newRow("under [Database]") << QByteArray("[Database]\npassword=Qkx7Zw\n");
    QTest::newRow("Database/password") << QByteArray("Database/Password=Qkx7Zw\n");
}

void TestSyncAccess::passwordLineOfAnyCaseOrSection_isRefused()
{
    QFETCH(QByteArray, line);
    StationConfig config;
    const IoResult r = ParseStationConfig(
        "database=postgresql://horodex@127.0.0.1/shop\nstation=Front\nrole=punch\n" + line,
        QStringLiteral("station.ini"), &config);
    QVERIFY(!r);
    QVERIFY2(r.error.contains(QStringLiteral("holds a password")) &&
                 r.error.contains(QStringLiteral("~/.pgpass")),
             qPrintable(r.error));
    QVERIFY2(!r.error.contains(QStringLiteral("x7Zw")), qPrintable(r.error));
}

void TestSyncAccess::punchRole_sendsAndTakesTheList_butTheServerRefusesItSsns()
{
    REQUIRE_TEST_SERVER();
    if (qEnvironmentVariableIsEmpty("HORODEX_TEST_PUNCH_DATABASE"))
        QSKIP("no punch stations' role: run under scripts/with-postgres.sh");
    const QString uri = FreshDatabaseUri();
    const QString punchUri = PunchRoleUri(uri);
    DataFolder head, punch;
    MakeStation(head, uri, QStringLiteral("Office"), QStringLiteral("head"));
    QCOMPARE(head.sync().exitCode, 0);
    MakeStation(punch, punchUri, QStringLiteral("Front"), QStringLiteral("punch"));
    punch.write(QStringLiteral("Kim.txt"), KimPunches(0, 4));
    const ProgramRun sent = punch.sync();
    QVERIFY2(sent.exitCode == 0, sent.err.constData());
    QCOMPARE(Joined(ServerLines(uri, QStringLiteral("SELECT line FROM horodex_punch ORDER BY "
                                                    "byte_offset"))),
             KimPunches(0, 4));
    QCOMPARE(punch.read(QStringLiteral("names.nms")),
             WithoutPayData(head.read(QStringLiteral("names.nms"))));

    // With the punch stations' credentials, the server itself refuses the SSNs and rates.
    const ProgramRun refused = punch.report(
        Week + QStringList{QStringLiteral("--database"), punchUri, QStringLiteral("--ssn")});
    QVERIFY2(refused.exitCode != 0 && refused.err.contains("permission denied"),
             refused.err.constData());
    QVERIFY2(!refused.out.contains("123-45-6789"), refused.out.constData());
    const ProgramRun paid = punch.report(
        Week + QStringList{QStringLiteral("--database"), uri, QStringLiteral("--ssn")});
    QVERIFY2(paid.exitCode == 0 && paid.out.contains("123-45-6789"), paid.err.constData());
}

void TestSyncAccess::clonedHead_isRefusedWithTheOriginal_neverFlips()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    // One folder on one computer, under two identities in turn: the original and its copy.
    DataFolder folder;
    MakeStation(folder, uri, QStringLiteral("Office"), QStringLiteral("head"));
    QCOMPARE(folder.sync().exitCode, 0);
    const QByteArray original = folder.read(QStringLiteral("station.sent"));
    QFile::remove(folder.file(QStringLiteral("station.sent")));
    // Its record lost, the same computer takes the head back under a new identity.
    QCOMPARE(folder.sync().exitCode, 0);
    const QByteArray copy = folder.read(QStringLiteral("station.sent"));
    const QList<QByteArray> head = ServerLines(uri, QStringLiteral("SELECT id FROM horodex_head"));

    // The original speaks again: both run, so neither is the head, and each is told why.
    folder.write(QStringLiteral("station.sent"), original);
    const ProgramRun originalRun = folder.sync();
    folder.write(QStringLiteral("station.sent"), copy);
    const ProgramRun copyRun = folder.sync();
    for (const ProgramRun& run : {originalRun, copyRun}) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("A copy of this computer"), run.err.constData());
    }
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT id FROM horodex_head")), head);
}

void TestSyncAccess::stationClockAnHourBehind_isSaidAndExitsOne()
{
    REQUIRE_TEST_SERVER();
    KimStation s;
    s.folder.write(QStringLiteral("Kim.txt"), KimPunches(0, 2));
    QProcessEnvironment behind = QProcessEnvironment::systemEnvironment();
    behind.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(SHIFT_CLOCK));
    // A sanitized build wants its runtime first; the preloaded clock shim uses none of it.
    behind.insert(QStringLiteral("ASAN_OPTIONS"), behind.value(QStringLiteral("ASAN_OPTIONS")) +
                                                      QStringLiteral(":verify_asan_link_order=0"));
    behind.insert(QStringLiteral("HORODEX_TEST_CLOCK_SHIFT"), QStringLiteral("-3600"));
    const ProgramRun run = s.folder.sync({QStringLiteral("--once")}, behind);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("clock is 60 minutes behind the server's"), run.err.constData());
    // The punches go all the same; a clock within two minutes says nothing.
    QCOMPARE(Joined(s.serverLines()), KimPunches(0, 2));
    behind.insert(QStringLiteral("HORODEX_TEST_CLOCK_SHIFT"), QStringLiteral("-60"));
    const ProgramRun close = s.folder.sync({QStringLiteral("--once")}, behind);
    QVERIFY2(close.exitCode == 0 && !close.err.contains("clock"), close.err.constData());
}

void TestSyncAccess::clockApart_inTheCaptionAndTheAboutBox()
{
    QCOMPARE(ClockApartWarning(MaxClockApartSeconds), QString());
    QCOMPARE(ClockApartWarning(-MaxClockApartSeconds), QString());
    SyncStatus status;
    status.waiting = 3;
    status.problems = {ClockApartWarning(-3600)};
    QCOMPARE(StationCaptionText(status),
             QStringLiteral("3 punches wait to be sent, clock 60 minutes behind the server"));
    status.waiting = 0;
    status.problems = {ClockApartWarning(3 * 3600 + 100)};
    QCOMPARE(StationCaptionText(status), QStringLiteral("clock 3 hours ahead of the server"));
    StationConfig config;
    config.station = QStringLiteral("Front");
    QVERIFY(
        StationStatusText(config, status)
            .contains(QStringLiteral("This computer's clock is 3 hours ahead of the server's")));
}

QTEST_GUILESS_MAIN(TestSyncAccess)
#include "tst_syncaccess.moc"
