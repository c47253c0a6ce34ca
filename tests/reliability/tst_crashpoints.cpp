// Kills each writing operation at every call of the file layer in turn and checks that the
// data files are then whole: the operation happened entirely or not at all.
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "reliability/ProbeOperations.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

namespace {

struct ProbeRun
{
    bool killed = false;
    bool done = false;
    int calls = 0;
};

ProbeRun runProbe(const QString& operation, const QString& programDir, int killAt)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HORODEX_KILL_AT"), QString::number(killAt));
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationDirPath() + QStringLiteral("/crashprobe"),
                {operation, programDir});
    probe.waitForFinished(60000);
    ProbeRun run;
    run.killed = probe.exitStatus() == QProcess::CrashExit;
    const QByteArray out = probe.readAllStandardOutput();
    run.done = out.contains("DONE\n");
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("CALLS "))
            run.calls = line.mid(6).toInt();
    }
    return run;
}

} // namespace

class TestCrashPoints : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void crashAtEveryCall_leavesOperationWholeOrUndone_data();
    void crashAtEveryCall_leavesOperationWholeOrUndone();
};

void TestCrashPoints::crashAtEveryCall_leavesOperationWholeOrUndone_data()
{
    QTest::addColumn<QString>("operation");
    for (const QString& name : ProbeOperationNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestCrashPoints::crashAtEveryCall_leavesOperationWholeOrUndone()
{
    QFETCH(QString, operation);
    int total = 0;
    {
        TempProgramDir dir;
        PrepareProbeOperation(operation);
        const ProbeRun clean = runProbe(operation, dir.programDir(), 0);
        QVERIFY(clean.done);
        total = clean.calls;
        QVERIFY(total > 0);
    }
    // Point total + 1 is never reached: it checks the run that is not killed at all.
    for (int point = 1; point <= total + 1; ++point) {
        TempProgramDir dir;
        PrepareProbeOperation(operation);
        const ProbeRun run = runProbe(operation, dir.programDir(), point);
        QCOMPARE(run.killed, point <= total);
        for (const ProbeExpectation& e : ProbeExpectations(operation)) {
            const QByteArray now = dir.read(e.file);
            const QString where = QStringLiteral("%1, killed at call %2 of %3: %4")
                                      .arg(operation)
                                      .arg(point)
                                      .arg(total)
                                      .arg(e.file);
            QVERIFY2(now == e.before || now == e.after, qPrintable(where));
            // What was reported as done is on disk.
            if (run.done)
                QVERIFY2(now == e.after, qPrintable(where));
        }
        // The next start reads whole files and takes no leftover for data.
        EmployeeList list;
        if (dir.exists(QStringLiteral("names.nms"))) {
            QVERIFY(ReadEmployeeList(&list));
            QVERIFY(list.isClean());
        }
        if (dir.exists(QStringLiteral("options.ini"))) {
            OptionsRecord options;
            QVERIFY(ReadOptionsFile(&options));
        }
        for (const QString& file : dir.files())
            QVERIFY2(!file.startsWith(u'.') || file.endsWith(QStringLiteral(".new")),
                     qPrintable(file));
        // And the operation can be done again after the crash.
        QVERIFY(RunProbeOperation(operation));
    }
    qInfo("%s: %d crash points tried", qPrintable(operation), total);
}

QTEST_GUILESS_MAIN(TestCrashPoints)
#include "tst_crashpoints.moc"
