// Several stations at scale: the round trips of an exchange whatever the number of employees,
// many stations storing punches of the same employees at once, and the plan of the statement
// that stores lines on a table whose statistics are stale.
#include "data/Environment.h"
#include "sync/PunchRows.h"
#include "sync/StationConfig.h"
#include "sync/StationSync.h"
#include "sync/SyncDatabase.h"
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

QString Employee(int i)
{
    return QStringLiteral("E%1").arg(i, 2, 10, QLatin1Char('0'));
}

QList<EmployeeRecord> Employees(const QList<int>& order)
{
    QList<EmployeeRecord> records;
    for (const int i : order)
        records.append(sampleEmployee(Employee(i)));
    return records;
}

// One line a minute from 06:00 on, the n-th punch of a day.
QByteArray Punch(int n)
{
    const QByteArray time = QStringLiteral("%1:%2")
                                .arg(6 + n / 60, 2, 10, QLatin1Char('0'))
                                .arg(n % 60, 2, 10, QLatin1Char('0'))
                                .toLatin1();
    return punchLine(n % 2 == 0 ? "IN " : "OUT", "03/10/2008", time.constData());
}

// A connection of the test's own to a fresh database; null when it cannot be opened.
std::unique_ptr<SyncDatabase> Open(const QString& uri)
{
    DatabaseAddress address;
    if (!ParseDatabaseUri(uri, &address))
        return nullptr;
    auto database = std::make_unique<SyncDatabase>(address);
    return database->open() ? std::move(database) : nullptr;
}

// The statements a round runs, counted by the fault hook.
int StatementsOfRound(StationSync& sync)
{
    int statements = 0;
    SyncDatabase::setFaultHook([&statements](const char*) {
        ++statements;
        return SyncDatabase::Fault::None;
    });
    const SyncStatus status = sync.runRound();
    SyncDatabase::setFaultHook({});
    if (!status.error.isEmpty() || status.waiting != 0)
        qWarning("round: %s", qPrintable(status.error));
    return statements;
}

} // namespace

class TestSyncScale : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void exchange_costsAsManyStatementsForThirtyEmployeesAsForOne();
    void stationsSharingEmployees_storeEverythingOnceWithoutDeadlock();
    void storingLines_probesTheIndexOnATableNeverAnalyzed();
    void storingLines_aClashHoldsBackOnlyItsOwnFile();
    void clashAgainAfterTheLook_namesTheFileOthersAreStored();
    void rewriteThatFails_holdsBackNoOtherRewrite();
    void twoCopiesStoringOneOriginAtOnce_loseNoLine();
};

void TestSyncScale::cleanup()
{
    SyncDatabase::setFaultHook({});
    Environment::setDataDirectory(QString());
}

void TestSyncScale::exchange_costsAsManyStatementsForThirtyEmployeesAsForOne()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    DataFolder folder;
    folder.writeStation(uri, QStringLiteral("front"), QStringLiteral("punch"));
    QList<int> all;
    for (int i = 0; i < 30; ++i)
        all.append(i);
    folder.writeEmployees(Employees(all));
    Environment::setDataDirectory(folder.path());
    std::optional<StationConfig> config;
    QVERIFY(ReadStationConfig(&config) && config);
    for (int i = 0; i < 30; ++i)
        folder.append(QStringLiteral("%1.txt").arg(Employee(i)), Punch(0));
    StationSync sync(*config);
    QVERIFY(sync.runRound().error.isEmpty()); // connected, the files known, the shared files
    folder.append(QStringLiteral("E00.txt"), Punch(1));
    const int one = StatementsOfRound(sync);
    for (int i = 0; i < 30; ++i)
        folder.append(QStringLiteral("%1.txt").arg(Employee(i)), Punch(2) + Punch(3));
    const int thirty = StatementsOfRound(sync);
    QCOMPARE(thirty, one);
    QVERIFY2(thirty <= 3, qPrintable(QString::number(thirty)));
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM horodex_punch")),
             QList<QByteArray>{"91"});
}

void TestSyncScale::stationsSharingEmployees_storeEverythingOnceWithoutDeadlock()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    constexpr int Stations = 12, Shared = 20, Lines = 60;
    std::vector<std::unique_ptr<DataFolder>> folders;
    QList<int> order;
    for (int i = 0; i < Shared; ++i)
        order.append(i);
    // Each station lists the employees in an order of its own, as each shop's list grew.
    QRandomGenerator random(7);
    for (int s = 0; s < Stations; ++s) {
        folders.push_back(std::make_unique<DataFolder>());
        const DataFolder& folder = *folders.back();
        folder.writeStation(uri, QStringLiteral("door %1").arg(s), QStringLiteral("punch"));
        std::shuffle(order.begin(), order.end(), random);
        folder.writeEmployees(Employees(order));
        for (int e = 0; e < Shared; ++e) {
            QByteArray lines;
            for (int n = 0; n < Lines; ++n)
                lines += Punch((n * 7 + s + e) % 600);
            folder.write(QStringLiteral("%1.txt").arg(Employee(e)), lines);
        }
    }
    QCOMPARE(folders.front()->sync().exitCode, 0); // the schema made once
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const auto& folder : folders)
        runs.push_back(StartSyncOnce(*folder));
    for (const auto& run : runs) {
        QVERIFY(run->waitForFinished(120000));
        const QByteArray err = run->readAllStandardError();
        QVERIFY2(!err.contains("deadlock"), err.constData());
        QVERIFY2(run->exitCode() == 0, err.constData());
    }
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM horodex_punch")),
             QList<QByteArray>{QByteArray::number(Stations * Shared * Lines)});
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT count(DISTINCT (station, employee, "
                                             "byte_offset))::text FROM horodex_punch")),
             QList<QByteArray>{QByteArray::number(Stations * Shared * Lines)});
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT sum(lines)::text FROM horodex_punch_tally")),
             QList<QByteArray>{QByteArray::number(Stations * Shared * Lines)});
}

void TestSyncScale::storingLines_probesTheIndexOnATableNeverAnalyzed()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    const std::unique_ptr<SyncDatabase> opened = Open(uri);
    QVERIFY(opened);
    SyncDatabase& database = *opened;
    // The statement is prepared while the table is empty, then the table grows by a bulk load
    // that nobody analyzes.
    for (int i = 0; i < 6; ++i)
        QVERIFY(StorePunchLines(database, QStringLiteral("front"), "file",
                                QStringLiteral("Kim%1").arg(i), 0, Punch(0)));
    ServerExec(uri, QStringLiteral("ALTER TABLE horodex_punch SET (autovacuum_enabled = false)"));
    ServerExec(uri, QStringLiteral("INSERT INTO horodex_punch (station, origin, employee, "
                                   "byte_offset, line, moment_key, is_in) SELECT 'bulk', 'o', "
                                   "'E' || (i % 500), 31 * i, convert_to(lpad(i::text, 31), "
                                   "'LATIN1'), '\\x00'::bytea, true FROM generate_series(1, "
                                   "200000) AS i"));
    // The statement as the sender runs it: planned for its values (a custom plan).
    QString numbered;
    int number = 0;
    for (const QChar c : StorePunchBlocksStatement())
        numbered += c == u'?' ? u'$' + QString::number(++number) : QString(c);
    QVERIFY(database.run(QStringLiteral("PREPARE probe AS ") + numbered, "prepare"));
    ServerRows* query = nullptr;
    const QString explain =
        QStringLiteral("EXPLAIN EXECUTE probe('front', '{Kim,Ann}', '{file,file}', '{0,0}', "
                       "'{0,2}', '{2,2}', '{f,f}', '\\x%1')")
            .arg(QString::fromLatin1((Punch(1) + Punch(2) + Punch(3) + Punch(4)).toHex()));
    QVERIFY(database.ask(&query, explain, "explain"));
    QString plan;
    while (query->next())
        plan += query->value(0).toString() + u'\n';
    QVERIFY2(plan.contains(QRegularExpression(QStringLiteral("Index Scan using \\w+ on "
                                                             "horodex_punch p"))),
             qPrintable(plan));
    QVERIFY2(!plan.contains(QLatin1String("Seq Scan on horodex_punch ")), qPrintable(plan));
}

void TestSyncScale::storingLines_aClashHoldsBackOnlyItsOwnFile()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    const std::unique_ptr<SyncDatabase> opened = Open(uri);
    QVERIFY(opened);
    SyncDatabase& database = *opened;
    const QString front = QStringLiteral("front");
    QVERIFY(StorePunchLines(database, front, "b", QStringLiteral("Lee"), 31, Punch(9)));
    QList<qsizetype> clashed;
    QVERIFY(StorePunchBlocks(database, front,
                             {{QStringLiteral("Kim"), "a", 0, Punch(0) + Punch(1)},
                              {QStringLiteral("Lee"), "b", 0, Punch(0) + Punch(1)},
                              {QStringLiteral("Ann"), "c", 0, Punch(0)}},
                             &clashed));
    QCOMPARE(clashed, QList<qsizetype>{1});
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT employee || byte_offset FROM horodex_punch "
                                             "ORDER BY 1")),
             (QList<QByteArray>{"Ann0", "Kim0", "Kim31", "Lee31"}));
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT sum(lines)::text FROM horodex_punch_tally")),
             QList<QByteArray>{"4"});
}

void TestSyncScale::clashAgainAfterTheLook_namesTheFileOthersAreStored()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    DataFolder folder;
    folder.writeStation(uri, QStringLiteral("front"), QStringLiteral("punch"));
    folder.writeEmployees(Employees({0, 1}));
    folder.write(QStringLiteral("E00.txt"), Punch(0) + Punch(1));
    folder.write(QStringLiteral("E01.txt"), Punch(0) + Punch(1));
    Environment::setDataDirectory(folder.path());
    std::optional<StationConfig> config;
    QVERIFY(ReadStationConfig(&config) && config);
    StationSync sync(*config);
    QVERIFY(sync.runRound().error.isEmpty());
    folder.append(QStringLiteral("E00.txt"), Punch(2));
    folder.append(QStringLiteral("E01.txt"), Punch(2));
    // Another computer of this name stores a line of its own at E00's next place under each of
    // E00's origins, just before each store: E00 clashes, is looked for again, clashes again.
    SyncDatabase::setFaultHook([&uri](const char* what) {
        if (qstrcmp(what, "store punches") == 0)
            ServerExec(uri, QStringLiteral("INSERT INTO horodex_punch (station, origin, employee, "
                                           "byte_offset, line, moment_key, is_in) SELECT 'front',"
                                           " o, 'E00', 62, '\\x%1', '\\x00', true FROM (SELECT "
                                           "origin FROM horodex_punch WHERE employee = 'E00' "
                                           "UNION SELECT origin FROM horodex_origin WHERE "
                                           "employee = 'E00') AS k(o) ON CONFLICT DO NOTHING")
                                .arg(QString::fromLatin1(Punch(9).toHex())));
        return SyncDatabase::Fault::None;
    });
    const SyncStatus status = sync.runRound();
    SyncDatabase::setFaultHook({});
    QVERIFY2(status.error.isEmpty(), qPrintable(status.error));
    QCOMPARE(status.problems.size(), 1);
    QVERIFY2(status.problems.constFirst().contains(QLatin1String("\"E00\"")),
             qPrintable(status.problems.constFirst()));
    QVERIFY(status.waiting > 0);
    QCOMPARE(ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM horodex_punch WHERE "
                                             "employee = 'E01'")),
             QList<QByteArray>{"3"});
}

void TestSyncScale::rewriteThatFails_holdsBackNoOtherRewrite()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    DataFolder folder;
    folder.writeStation(uri, QStringLiteral("front"), QStringLiteral("punch"));
    folder.writeEmployees(Employees({0, 1}));
    const QStringList files{QStringLiteral("E00.txt"), QStringLiteral("E01.txt")};
    for (const QString& file : files)
        folder.write(file, Punch(0) + Punch(1) + Punch(2));
    Environment::setDataDirectory(folder.path());
    std::optional<StationConfig> config;
    QVERIFY(ReadStationConfig(&config) && config);
    StationSync sync(*config);
    QVERIFY(sync.runRound().error.isEmpty());
    for (const QString& file : files)
        folder.write(file, Punch(0) + Punch(2) + Punch(3) + Punch(4));
    // The first rewrite's transaction fails at its first statement.
    bool failedOnce = false;
    SyncDatabase::setFaultHook([&failedOnce](const char* what) {
        if (failedOnce || qstrcmp(what, "lock the time file") != 0)
            return SyncDatabase::Fault::None;
        failedOnce = true;
        return SyncDatabase::Fault::Fail;
    });
    const SyncStatus status = sync.runRound();
    SyncDatabase::setFaultHook({});
    QVERIFY(failedOnce);
    QVERIFY(!status.error.isEmpty());
    const QString held = QStringLiteral("SELECT count(*)::text FROM horodex_punch WHERE NOT "
                                        "removed GROUP BY employee ORDER BY 1");
    const auto holding = [&uri](int punch) {
        return ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM horodex_punch WHERE "
                                               "NOT removed AND line = '\\x%1'")
                                    .arg(QString::fromLatin1(Punch(punch).toHex())));
    };
    // One file still holds its old lines; the other holds its rewrite's, each once.
    QCOMPARE(ServerLines(uri, held), (QList<QByteArray>{"3", "4"}));
    QCOMPARE(holding(1), QList<QByteArray>{"1"});
    QCOMPARE(holding(3), QList<QByteArray>{"1"});
    QVERIFY(sync.runRound().error.isEmpty());
    QCOMPARE(ServerLines(uri, held), (QList<QByteArray>{"4", "4"}));
    QCOMPARE(holding(1), QList<QByteArray>{"0"});
    QCOMPARE(holding(3), QList<QByteArray>{"2"});
    Environment::setDataDirectory(QString());
}

void TestSyncScale::twoCopiesStoringOneOriginAtOnce_loseNoLine()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    DatabaseAddress address;
    QVERIFY(ParseDatabaseUri(uri, &address));
    SyncDatabase first(address), second(address);
    QVERIFY(first.open() && second.open());
    const QString station = QStringLiteral("front"), employee = QStringLiteral("E00");
    QList<qsizetype> clashed;
    QVERIFY(StorePunchBlocks(first, station, {{employee, "copied", 0, Punch(0)}}, &clashed));
    // Two copies of one folder punched once more each, at the same place; the first one's
    // statement has stored its line but not yet committed when the second's runs.
    QVERIFY(first.begin());
    QVERIFY(StorePunchBlocks(first, station, {{employee, "copied", 31, Punch(1)}}, &clashed));
    QList<qsizetype> secondClashed;
    IoResult secondResult;
    std::unique_ptr<QThread> sending(QThread::create([&] {
        secondResult =
            StorePunchBlocks(second, station, {{employee, "copied", 31, Punch(2)}}, &secondClashed);
    }));
    sending->start();
    // Until the second waits for the first one's row.
    QTRY_VERIFY_WITH_TIMEOUT(
        ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM pg_stat_activity WHERE "
                                        "wait_event_type = 'Lock'")) == QList<QByteArray>{"1"},
        60000);
    QVERIFY(first.commit());
    sending->wait();
    QVERIFY2(secondResult, qPrintable(secondResult.error));
    // The second line is stored or its file named as clashing: never counted as sent, yet lost.
    const QList<QByteArray> held =
        ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM horodex_punch WHERE line = "
                                        "'\\x%1'")
                             .arg(QString::fromLatin1(Punch(2).toHex())));
    QVERIFY2(!secondClashed.isEmpty() || held == QList<QByteArray>{"1"},
             "a line counted as stored that the server does not hold");
}

QTEST_GUILESS_MAIN(TestSyncScale)
#include "tst_syncscale.moc"
