// A backup taken as the guide says, with `cp -a` while a station punches, and restored on another
// computer: the copy holds the original's lines up to its last whole one, its reports are those
// of the original cut there, and the restored station's next punch cuts a torn end.
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "testsupport/TestSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

const QString Name = QStringLiteral("Kim Loop");
const QString TimeFileName = Name + QStringLiteral(".txt");

QString binary(const char* name)
{
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

// Reads the punch loop's reports until it has punched at least `count` times.
bool waitForPunches(QProcess* loop, qint64 count)
{
    QByteArray out;
    for (;;) {
        if (!loop->waitForReadyRead(60000) && loop->state() != QProcess::Running)
            return false;
        out += loop->readAllStandardOutput();
        const qsizetype at = out.lastIndexOf("PUNCHED ");
        const qsizetype end = out.indexOf('\n', at);
        if (at >= 0 && end > at && out.mid(at + 8, end - at - 8).toLongLong() >= count)
            return true;
    }
}

// Starts the punch loop on a program folder and waits until it has punched at least `count`
// times; the caller stops it.
bool startPunching(QProcess* loop, const QString& programDir, qint64 count)
{
    loop->start(binary("punchloop"), {programDir});
    return loop->waitForStarted(30000) && waitForPunches(loop, count);
}

void stop(QProcess* loop)
{
    ::kill(pid_t(loop->processId()), SIGKILL);
    loop->waitForFinished(30000);
}

bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s %s: %s", qPrintable(program), qPrintable(arguments.join(u' ')),
                 process.readAllStandardError().constData());
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void copyTakenWhilePunching_reportsAsTheOriginalUpToItsLastWholeLine_data();
    void copyTakenWhilePunching_reportsAsTheOriginalUpToItsLastWholeLine();
};

void TestBackup::copyTakenWhilePunching_reportsAsTheOriginalUpToItsLastWholeLine_data()
{
    // How many bytes of the punch after its last whole line the copy caught: whatever cp found,
    // or the start of a line, as a copy made during the write of a punch holds it.
    QTest::addColumn<int>("tornBytes");
    QTest::newRow("as copied") << -1;
    QTest::newRow("copied inside the write of a punch") << 13;
}

void TestBackup::copyTakenWhilePunching_reportsAsTheOriginalUpToItsLastWholeLine()
{
    QFETCH(int, tornBytes);
    TempProgramDir original;
    QVERIFY(WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("admin123"))));
    QVERIFY(AppendEmployee(sampleEmployee(Name)));

    QProcess loop;
    QVERIFY2(startPunching(&loop, original.programDir(), 40), "the punch loop did not punch");
    // The backup of the guide, taken while the station writes.
    QTemporaryDir backups;
    const QString copy = backups.filePath(QStringLiteral("horodex-backup"));
    const bool copied = run(QStringLiteral("cp"), {QStringLiteral("-a"), original.dataDir(), copy});
    // The station goes on punching after the copy, so that the original outgrows it.
    const qint64 copiedPunches = QFileInfo(copy + u'/' + TimeFileName).size() / TimeRecord::Size;
    const bool punchedOn = waitForPunches(&loop, copiedPunches + 20);
    stop(&loop);
    QVERIFY(copied);
    QVERIFY(punchedOn);
    if (tornBytes >= 0) {
        const QByteArray lines = original.read(TimeFileName);
        QFile file(copy + u'/' + TimeFileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write(lines.first(copiedPunches * TimeRecord::Size + tornBytes)) > 0);
    }

    // Restored on another computer: the backup becomes the data folder beside its program.
    QTemporaryDir restoredProgram;
    const QString restored = restoredProgram.filePath(QStringLiteral("data"));
    QVERIFY(run(QStringLiteral("cp"), {QStringLiteral("-a"), copy, restored}));

    const QByteArray originalLines = original.read(TimeFileName);
    const QByteArray copiedLines = readFile(restored + u'/' + TimeFileName);
    const qsizetype torn = copiedLines.size() % TimeRecord::Size;
    const qsizetype whole = copiedLines.size() - torn;
    qInfo("original %lld lines, copy %lld whole lines and %lld bytes of a torn one",
          originalLines.size() / TimeRecord::Size, whole / TimeRecord::Size, torn);
    QVERIFY(whole >= 40 * TimeRecord::Size);
    QVERIFY(originalLines.size() > whole);
    QVERIFY(originalLines.startsWith(copiedLines.first(whole)));
    QVERIFY(torn == 0 || IsTornRecord(QByteArrayView(copiedLines).last(torn)));
    if (tornBytes >= 0)
        QCOMPARE(torn, qsizetype(tornBytes));

    // The original as it was at the copy's last whole line.
    QTemporaryDir referenceProgram;
    const QString reference = referenceProgram.filePath(QStringLiteral("data"));
    QVERIFY(run(QStringLiteral("cp"), {QStringLiteral("-a"), original.dataDir(), reference}));
    QVERIFY(QFile::resize(reference + u'/' + TimeFileName, whole));

    const QDate to = QDate::currentDate().addDays(1);
    const QString from = to.addDays(-13).toString(Qt::ISODate);
    const QList<QStringList> reports = {
        {QStringLiteral("single"), Name, QStringLiteral("--from"), from, QStringLiteral("--to"),
         to.toString(Qt::ISODate), QStringLiteral("--time-card")},
        {QStringLiteral("multiple"), QStringLiteral("--from"), from, QStringLiteral("--to"),
         to.toString(Qt::ISODate), QStringLiteral("--format"), QStringLiteral("csv")},
    };
    for (const QStringList& report : reports) {
        QByteArray fromCopy, fromOriginal;
        QVERIFY(run(binary("horodex-report"),
                    report + QStringList{QStringLiteral("--data"), restored}, &fromCopy));
        QVERIFY(run(binary("horodex-report"),
                    report + QStringList{QStringLiteral("--data"), reference}, &fromOriginal));
        QVERIFY(!fromCopy.isEmpty());
        QCOMPARE(fromCopy, fromOriginal);
    }

    // The restored station's next punch replaces a torn end and keeps every whole line.
    QVERIFY2(startPunching(&loop, restoredProgram.path(), whole / TimeRecord::Size + 1),
             "the restored station did not punch");
    stop(&loop);
    const QByteArray after = readFile(restored + u'/' + TimeFileName);
    QVERIFY(after.startsWith(copiedLines.first(whole)));
    const qsizetype tornAfter = after.size() % TimeRecord::Size;
    QVERIFY(tornAfter == 0 || IsTornRecord(QByteArrayView(after).last(tornAfter)));
    QVERIFY(after.size() - tornAfter > whole);
}

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
