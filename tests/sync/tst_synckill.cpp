// A sending station killed at random moments, a thousand times, while the punch helper keeps
// punching in its data folder: afterwards the server holds every line of the time file exactly
// once, at its offset, and nothing else.
#include "sync/SyncFixture.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

class TestSyncKill : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendingStationKilledAtRandom_losesAndDoublesNothing();
};

void TestSyncKill::sendingStationKilledAtRandom_losesAndDoublesNothing()
{
    REQUIRE_TEST_SERVER();
    const QString uri = FreshDatabaseUri();
    TempProgramDir dir;
    dir.write(QStringLiteral("names.nms"),
              SerializeEmployeeRecord(sampleEmployee(QStringLiteral("Kim Loop"))));
    dir.write(QStringLiteral("station.ini"),
              QStringLiteral("database=%1\nstation=front\nrole=punch\n").arg(uri).toUtf8());
    const int rounds = qEnvironmentVariableIntValue("HORODEX_KILL_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("HORODEX_KILL_ROUNDS")
                           : 1000;
    const QString bin = QCoreApplication::applicationDirPath();

    // The station's own punching goes on all the while, a punch every few milliseconds.
    QProcess punching;
    punching.start(bin + QStringLiteral("/punchloop"), {dir.programDir(), QStringLiteral("3")});
    QVERIFY(punching.waitForStarted(30000));
    QVERIFY(punching.waitForReadyRead(30000));

    QRandomGenerator random(20261217); // the same moments every run
    QElapsedTimer started;
    started.start();
    int sendsSeen = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess sender;
        sender.start(bin + QStringLiteral("/horodex-sync"),
                     {QStringLiteral("--data"), dir.dataDir()});
        QVERIFY(sender.waitForStarted(30000));
        // From the start of the program through connecting, sending, committing and recording.
        QTest::qWait(int(random.bounded(60)));
        ::kill(pid_t(sender.processId()), SIGKILL);
        sender.waitForFinished(30000);
        if (sender.readAllStandardOutput().contains("sent "))
            ++sendsSeen;
    }
    ::kill(pid_t(punching.processId()), SIGKILL);
    punching.waitForFinished(30000);
    // A killed sender's statement runs on at the server until it ends or times out, and later
    // ones queue behind its locks: the round that must store everything comes once they are gone.
    QTRY_VERIFY_WITH_TIMEOUT(
        ServerLines(uri, QStringLiteral("SELECT count(*)::text FROM pg_stat_activity WHERE "
                                        "datname = current_database() AND pid <> "
                                        "pg_backend_pid()"))
                .value(0) == "0",
        120000);

    const ProgramRun last =
        RunProgram(QStringLiteral("horodex-sync"),
                   {QStringLiteral("--data"), dir.dataDir(), QStringLiteral("--once")});
    QVERIFY2(last.exitCode == 0, last.err.constData());
    const QByteArray file = dir.read(QStringLiteral("Kim Loop.txt"));
    QVERIFY(file.size() % 31 == 0);
    const QList<QByteArray> offsets = ServerLines(
        uri,
        QStringLiteral("SELECT byte_offset::text AS o FROM horodex_punch ORDER BY byte_offset"));
    QByteArray stored;
    for (const QByteArray& line :
         ServerLines(uri, QStringLiteral("SELECT line FROM horodex_punch ORDER BY byte_offset")))
        stored += line;
    const qint64 records = file.size() / 31;
    qInfo("%d kills in %lld s, %d of them after a send, %lld punches, %lld lines on the server",
          rounds, started.elapsed() / 1000, sendsSeen, records, qint64(offsets.size()));
    QCOMPARE(qint64(offsets.size()), records);
    for (qint64 i = 0; i < records; ++i)
        QCOMPARE(offsets.at(i).toLongLong(), i * 31);
    QVERIFY(stored == file);
}

QTEST_GUILESS_MAIN(TestSyncKill)
#include "tst_synckill.moc"
