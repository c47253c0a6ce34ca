// Kills each writing operation at every call of the file layer in turn and checks that the
// data files are then whole: the operation happened entirely or not at all.
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "reliability/ProbeOperations.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct ProbeRun
{
    bool killed = false;
    bool done = false;
    int calls = 0;
};

QString probePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/crashprobe");
}

// Runs the probe, killed at the killAt-th call of the file layer (0: never), or under strace
// when straceArguments is not empty.
ProbeRun runProbe(const QString& operation, const QString& programDir, int killAt,
                  const QStringList& straceArguments = {})
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HORODEX_KILL_AT"), QString::number(killAt));
    probe.setProcessEnvironment(env);
    if (straceArguments.isEmpty())
        probe.start(probePath(), {operation, programDir});
    else
        probe.start(QStringLiteral("strace"),
                    straceArguments + QStringList{probePath(), operation, programDir});
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

// The data files are whole after a crash: the operation happened entirely or not at all, what
// was reported done is on disk, the next start reads every file, and it can be done again.
void verifyAfterCrash(const QString& operation, const TempProgramDir& dir, const ProbeRun& run,
                      const QString& point)
{
    bool earlierDone = true;
    for (const ProbeExpectation& e : ProbeExpectations(operation)) {
        const QByteArray now = dir.read(e.file);
        const QString where = QStringLiteral("%1, killed at %2: %3").arg(operation, point, e.file);
        QVERIFY2(now == e.before || now == e.after, qPrintable(where));
        if (run.done)
            QVERIFY2(now == e.after, qPrintable(where));
        QVERIFY2(earlierDone || now != e.after || e.before == e.after, qPrintable(where));
        earlierDone = earlierDone && now == e.after;
    }
    EmployeeList list;
    if (dir.exists(QStringLiteral("names.nms"))) {
        QVERIFY(ReadEmployeeList(&list));
        QVERIFY(list.isClean());
    }
    if (dir.exists(QStringLiteral("options.ini"))) {
        OptionsRecord options;
        QVERIFY(ReadOptionsFile(&options));
    }
    // A leftover temporary is dotted and never read as data, and the next replace in its
    // folder removes it.
    static const QRegularExpression temporary(QStringLiteral("^\\..+\\.tmp-\\d+$"));
    for (const QString& file : dir.files())
        QVERIFY2(!file.startsWith(u'.') || temporary.match(file).hasMatch(), qPrintable(file));
    QVERIFY(RunProbeOperation(operation));
    QVERIFY(FileStore::replaceFile(dir.path(QStringLiteral("scratch")), "x"));
    for (const QString& file : dir.files())
        QVERIFY2(!file.startsWith(u'.'), qPrintable(file));
}

// The system calls that touch the operation's files, as strace filters them.
QStringList straceFilter(const TempProgramDir& dir, const QString& operation)
{
    QStringList args{QStringLiteral("-f"),
                     QStringLiteral("-qq"),
                     QStringLiteral("-e"),
                     QStringLiteral("trace=openat,open,creat,write,fsync,fdatasync,rename,"
                                    "renameat,renameat2,unlink,unlinkat,ftruncate"),
                     QStringLiteral("-P"),
                     dir.dataDir()};
    for (const ProbeExpectation& e : ProbeExpectations(operation))
        args << QStringLiteral("-P") << dir.path(e.file) << QStringLiteral("-P")
             << dir.path(u'.' + e.file + QStringLiteral(".tmp-1"));
    args << QStringLiteral("-P") << dir.path(QStringLiteral("Cid.txt"));
    return args;
}

// The trace up to the probe's success: each write flushed through its descriptor, the folder after
// its last new name. Files are known by descriptor, whatever names and opens the file layer uses.
struct FlushAudit
{
    QStringList problems;
    int dataWrites = 0;
    bool success = false;
};

FlushAudit auditFlushes(const QByteArray& trace, const TempProgramDir& dir,
                        const QStringList& filesBefore)
{
    // Paths in arguments are spelt as the program gave them, those of descriptors canonically.
    const QString dataDir = QFileInfo(dir.dataDir()).canonicalFilePath();
    const QString inFolder = dataDir + u'/';
    QSet<QString> present;
    for (const QString& file : filesBefore)
        present.insert(inFolder + file);
    static const QRegularExpression call(
        QStringLiteral(R"(^([a-z0-9_]+)\((.*)\)\s+=\s+(-?\d+)(?:<([^>]*)>)?)"));
    static const QRegularExpression firstFd(QStringLiteral(R"(^(\d+)<([^>]*)>)"));
    static const QRegularExpression lastString(QStringLiteral(R"re("([^"]*)"[^"]*$)re"));
    static const QSet<QString> renames{QStringLiteral("rename"), QStringLiteral("renameat"),
                                       QStringLiteral("renameat2"), QStringLiteral("link"),
                                       QStringLiteral("linkat")};
    FlushAudit audit;
    QHash<int, QString> unflushed; // descriptor -> the file written since its last flush
    QString folderChange;          // the last change of names not yet followed by a folder flush
    for (const QByteArray& line : trace.split('\n')) {
        const QRegularExpressionMatch m = call.match(QString::fromLatin1(line));
        if (!m.hasMatch())
            continue;
        const QString name = m.captured(1);
        const QString args = m.captured(2);
        const bool ok = m.captured(3).toInt() >= 0;
        const QRegularExpressionMatch fdMatch = firstFd.match(args);
        const int fd = fdMatch.hasMatch() ? fdMatch.captured(1).toInt() : -1;
        const QString fdPath = fdMatch.captured(2);
        const bool dataFd = fdPath.startsWith(inFolder);
        if (name.contains(QStringLiteral("write")) && !dataFd &&
            args.contains(QStringLiteral("DONE\\n"))) {
            audit.success = true;
            break;
        }
        if (name.contains(QStringLiteral("write")) || name == QLatin1String("ftruncate") ||
            name == QLatin1String("fallocate")) {
            if (dataFd && ok) {
                ++audit.dataWrites;
                unflushed.insert(fd, fdPath);
            }
        } else if (name == QLatin1String("fsync") || name == QLatin1String("fdatasync")) {
            // A folder whose file system cannot flush it refuses with EINVAL: asked is enough.
            unflushed.remove(fd);
            if (fdPath == dataDir)
                folderChange.clear();
        } else if (name == QLatin1String("close")) {
            if (unflushed.contains(fd))
                audit.problems << QStringLiteral("%1 closed unflushed").arg(unflushed.take(fd));
        } else if (ok && renames.contains(name)) {
            if (args.contains(dataDir) || args.contains(dir.dataDir())) {
                folderChange = QString::fromLatin1(line);
                present.insert(inFolder + QFileInfo(lastString.match(args).captured(1)).fileName());
            }
        } else if (ok && m.captured(4).startsWith(inFolder) && !present.contains(m.captured(4)) &&
                   (name == QLatin1String("creat") || args.contains(QStringLiteral("O_CREAT")))) {
            folderChange = QString::fromLatin1(line);
            present.insert(m.captured(4));
        }
    }
    for (const QString& file : std::as_const(unflushed))
        audit.problems << QStringLiteral("%1 written, not flushed before success").arg(file);
    if (!folderChange.isEmpty())
        audit.problems << QStringLiteral("folder not flushed after ") + folderChange;
    return audit;
}

} // namespace

class TestCrashPoints : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void crashAtEveryCall_leavesOperationWholeOrUndone_data();
    void crashAtEveryCall_leavesOperationWholeOrUndone();
    void crashAtEverySystemCall_leavesOperationWholeOrUndone_data()
    {
        crashAtEveryCall_leavesOperationWholeOrUndone_data();
    }
    void crashAtEverySystemCall_leavesOperationWholeOrUndone();
    void writtenDataAndFolder_areFlushedBeforeSuccess_data()
    {
        crashAtEveryCall_leavesOperationWholeOrUndone_data();
    }
    void writtenDataAndFolder_areFlushedBeforeSuccess();
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
        verifyAfterCrash(operation, dir, run,
                         QStringLiteral("call %1 of %2").arg(point).arg(total));
    }
    qInfo("%s: %d crash points tried", qPrintable(operation), total);
}

// The same at the level of the system calls themselves: strace kills the probe at the Nth call
// of each kind that touches the operation's files.
void TestCrashPoints::crashAtEverySystemCall_leavesOperationWholeOrUndone()
{
    QFETCH(QString, operation);
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        QSKIP("strace is not installed");
    QStringList calls;
    {
        TempProgramDir dir;
        PrepareProbeOperation(operation);
        QTemporaryDir logDir;
        const QString log = logDir.filePath(QStringLiteral("trace"));
        const ProbeRun clean =
            runProbe(operation, dir.programDir(), 0,
                     straceFilter(dir, operation) + QStringList{QStringLiteral("-o"), log});
        QVERIFY(clean.done);
        QFile trace(log);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        static const QRegularExpression call(QStringLiteral("^(?:\\d+ +)?([a-z0-9_]+)\\("));
        for (const QByteArray& line : trace.readAll().split('\n')) {
            const QRegularExpressionMatch m = call.match(QString::fromLatin1(line));
            if (m.hasMatch())
                calls.append(m.captured(1));
        }
        if (calls.isEmpty())
            QSKIP("strace cannot trace here");
    }
    QHash<QString, int> seen;
    for (const QString& name : calls) {
        const int nth = ++seen[name];
        TempProgramDir dir;
        PrepareProbeOperation(operation);
        const ProbeRun run = runProbe(
            operation, dir.programDir(), 0,
            straceFilter(dir, operation) +
                QStringList{QStringLiteral("-e"),
                            QStringLiteral("inject=%1:signal=KILL:when=%2").arg(name).arg(nth)});
        QVERIFY(run.killed);
        verifyAfterCrash(operation, dir, run, QStringLiteral("%1 #%2").arg(name).arg(nth));
    }
    qInfo("%s: %lld system-call crash points tried (%s)", qPrintable(operation),
          qlonglong(calls.size()), qPrintable(calls.join(u' ')));
}

// A killed process keeps its cached writes, so the crash points cannot see a missing flush: the
// trace of a whole run shows it.
void TestCrashPoints::writtenDataAndFolder_areFlushedBeforeSuccess()
{
    QFETCH(QString, operation);
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        QSKIP("strace is not installed");
    TempProgramDir dir;
    PrepareProbeOperation(operation);
    const QStringList filesBefore = dir.files();
    QTemporaryDir logDir;
    const QString log = logDir.filePath(QStringLiteral("trace"));
    const QStringList strace{
        QStringLiteral("-qq"),
        QStringLiteral("-yy"),
        QStringLiteral("-s"),
        QStringLiteral("64"),
        QStringLiteral("-e"),
        QStringLiteral("signal=none"),
        QStringLiteral("-e"),
        QStringLiteral("trace=open,openat,openat2,creat,close,write,writev,pwrite64,pwritev,"
                       "pwritev2,ftruncate,fallocate,fsync,fdatasync,rename,renameat,renameat2,"
                       "link,linkat"),
        QStringLiteral("-o"),
        log};
    QVERIFY(runProbe(operation, dir.programDir(), 0, strace).done);
    QFile trace(log);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    const QByteArray text = trace.readAll();
    if (text.isEmpty())
        QSKIP("strace cannot trace here");
    const FlushAudit audit = auditFlushes(text, dir, filesBefore);
    QVERIFY2(audit.success, "the trace shows no success line");
    QVERIFY(audit.dataWrites > 0);
    QVERIFY2(audit.problems.isEmpty(), qPrintable(operation + QStringLiteral(": ") +
                                                  audit.problems.join(QStringLiteral("; "))));
}

QTEST_GUILESS_MAIN(TestCrashPoints)
#include "tst_crashpoints.moc"
