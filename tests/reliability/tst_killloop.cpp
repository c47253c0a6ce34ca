// A punching process killed at random moments, a thousand times: every punch it reported is on
// disk, the file holds whole records that alternate, and each restart takes the lock again.
#include "data/TimeFile.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

class TestKillLoop : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedAtRandom_losesNoReportedPunch();
};

void TestKillLoop::killedAtRandom_losesNoReportedPunch()
{
    TempProgramDir dir;
    const int rounds = qEnvironmentVariableIntValue("HORODEX_KILL_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("HORODEX_KILL_ROUNDS")
                           : 1000;
    QRandomGenerator random(20261207); // the same moments every run
    qint64 reported = 0;
    int missing = 0;
    int tornWrites = 0;
    for (int round = 0; round < rounds; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/punchloop"),
                    {dir.programDir()});
        QVERIFY(child.waitForStarted(30000));
        // The lock must be taken again after every kill.
        QByteArray out;
        while (!out.contains("LOCKED\n")) {
            QVERIFY2(child.state() == QProcess::Running || child.bytesAvailable() > 0,
                     qPrintable(QStringLiteral("round %1: no lock").arg(round)));
            child.waitForReadyRead(1000);
            out += child.readAllStandardOutput();
        }
        QTest::qWait(int(random.bounded(25)));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(30000);
        out += child.readAllStandardOutput();
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("PUNCHED "))
                reported = qMax(reported, line.mid(8).toLongLong());
        }
        const QByteArray file = dir.read(QStringLiteral("Kim Loop.txt"));
        // A kill inside the write can leave the start of an unreported punch, which the next
        // punch replaces; anything else is damage.
        const qsizetype torn = file.size() % TimeRecord::Size;
        QVERIFY2(torn == 0 || IsTornRecord(QByteArrayView(file).last(torn)),
                 qPrintable(QString::number(round)));
        tornWrites += torn != 0;
        const qint64 records = file.size() / TimeRecord::Size;
        missing = qMax(missing, int(reported - records));
        for (qint64 i = 0; i < records; ++i)
            QVERIFY(file.mid(i * TimeRecord::Size, 3) == (i % 2 == 0 ? "IN " : "OUT"));
    }
    qInfo("%d kills, %lld punches reported, %d reported punches missing, %d torn writes replaced",
          rounds, reported, missing, tornWrites);
    QCOMPARE(missing, 0);
}

QTEST_GUILESS_MAIN(TestKillLoop)
#include "tst_killloop.moc"
