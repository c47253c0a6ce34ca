// Files attacked as a careless administrator or a malicious user with write access to a folder
// would: names that lead out of the data folder, outputs aimed at the data, links, FIFOs, devices
// and huge sparse files. Each leaves the data as it was and the program responsive.
#include "SampleReport.h"
#include "testsupport/TestSupport.h"

#include "data/BadgeFile.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/TimeCard.h"
#include "data/TimeFile.h"
#include "payroll/ReportCsv.h"
#include "sync/SentLedger.h"
#include "sync/StationConfig.h"
#include "timecalc/TimeManipulation.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <new>

#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct ProgramRun
{
    bool finished = false;
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// horodex-report on the test's data folder; a run that does not end in time is killed.
ProgramRun runReport(const TempProgramDir& dir, const QStringList& arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-report"),
                  arguments + QStringList{QStringLiteral("--data"), dir.dataDir()});
    ProgramRun run;
    run.finished = process.waitForFinished(20000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

const QStringList multipleWeek{QStringLiteral("multiple"), QStringLiteral("--from"),
                               QStringLiteral("2009-11-02"), QStringLiteral("--to"),
                               QStringLiteral("2009-11-08")};
const QStringList annWeek{QStringLiteral("single"), QStringLiteral("Ann"),
                          QStringLiteral("--from"), QStringLiteral("2009-11-02"),
                          QStringLiteral("--to"),   QStringLiteral("2009-11-08")};

// Settings, Ann and her week of punches.
void writeSampleData(const TempProgramDir& dir)
{
    QVERIFY(WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("secret"))));
    dir.write(QStringLiteral("names.nms"), SerializeEmployeeRecord(sampleEmployee("Ann")));
    dir.write(QStringLiteral("Ann.txt"), SampleReport::weekOfPunches());
}

// Every entry below a folder (links not followed, hidden files included) with its content or
// link target and its mode: equal digests mean nothing there changed.
QByteArray digestOf(const QString& folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList entries;
    while (it.hasNext())
        entries.append(it.next());
    entries.sort();
    for (const QString& path : entries) {
        const QFileInfo info(path);
        hash.addData(path.toUtf8());
        hash.addData(QByteArray::number(int(info.permissions())));
        if (info.isSymLink()) {
            hash.addData(info.symLinkTarget().toUtf8());
        } else if (info.isFile() && info.size() < (1 << 20)) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                hash.addData(file.readAll());
        }
    }
    return hash.result();
}

// A sparse file of the given size whose last record is a punch.
void writeSparse(const QString& path, qint64 size, const QByteArray& tail = {})
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size - tail.size()));
    QVERIFY(file.seek(size - tail.size()));
    QCOMPARE(file.write(tail), tail.size());
}

// Reads one of the files with a size limit the way the program reads it: whole.
IoResult readWholeFile(const QString& file)
{
    if (file == QLatin1String("names.nms")) {
        EmployeeList list;
        return ReadEmployeeList(&list);
    }
    if (file == QLatin1String("Ann.txt")) {
        TimeCard card;
        return ReadTimeCard(QStringLiteral("Ann"), &card);
    }
    if (file == QLatin1String("corrections.log")) {
        CorrectionLogContents log;
        return ReadCorrectionLog(&log);
    }
    if (file == QLatin1String("badges.txt")) {
        BadgeFile badges;
        return ReadBadgeFile(&badges);
    }
    if (file == QLatin1String("station.sent")) {
        SentLedger ledger;
        return ReadSentLedger(&ledger);
    }
    std::optional<StationConfig> config;
    return ReadStationConfig(&config);
}

// How a read in a child process ended.
enum class ChildEnd { Read, OutOfMemory, Failed, TimedOut };

struct ChildRead
{
    ChildEnd end = ChildEnd::Failed;
    QByteArray message; // the error, or "read"
};

// In the child: the limit on its address space, the read, its message on fd.
[[noreturn]] void readInChild(const QString& file, qint64 headroom, int fd)
{
    // The test framework's handlers of fatal signals are not meant for a copy of the process.
    for (const int sig : {SIGABRT, SIGSEGV, SIGBUS})
        std::signal(sig, SIG_DFL);
#if !defined(__SANITIZE_ADDRESS__)
    QFile statm(QStringLiteral("/proc/self/statm"));
    const qint64 pages =
        statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ')[0].toLongLong() : 0;
    const rlim_t limit = rlim_t(pages * ::sysconf(_SC_PAGESIZE) + headroom);
    const rlimit space{limit, limit};
    if (pages == 0 || ::setrlimit(RLIMIT_AS, &space) != 0)
        ::_exit(int(ChildEnd::Failed));
#else
    Q_UNUSED(headroom);
#endif
    try {
        const IoResult read = readWholeFile(file);
        const QByteArray message = read ? QByteArray("read") : read.error.toUtf8();
        const bool written =
            ::write(fd, message.constData(), size_t(message.size())) == ssize_t(message.size());
        ::_exit(int(written ? ChildEnd::Read : ChildEnd::Failed));
    } catch (const std::bad_alloc&) {
        ::_exit(int(ChildEnd::OutOfMemory));
    }
}

// Reads a file in a child process whose address space may grow by at most headroom bytes, so
// that reading a huge file whole fails there rather than swapping the test machine; a child
// that has not ended after a minute is killed. AddressSanitizer reserves its shadow memory
// beforehand: under it, no limit can be set.
ChildRead readUnderMemoryLimit(const QString& file, qint64 headroom)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        readInChild(file, headroom, fds[1]);
    }
    ::close(fds[1]);
    ChildRead run;
    pollfd in{fds[0], POLLIN, 0};
    char buffer[4096];
    ssize_t n = 1;
    bool timedOut = false;
    while (n > 0 && !(timedOut = ::poll(&in, 1, 60000) == 0)) {
        if ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
            run.message.append(buffer, n);
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid)
        return run;
    run.end = timedOut             ? ChildEnd::TimedOut
              : !WIFEXITED(status) ? ChildEnd::Failed
                                   : ChildEnd(WEXITSTATUS(status));
    return run;
}

void makeFifo(const QString& path)
{
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

void makeLink(const QString& target, const QString& link)
{
    QVERIFY(QFile::link(target, link));
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<TempProgramDir>(); }
    void cleanup() { m_dir.reset(); }

    void nameLeavingDataFolder_isReportedAndNeverUsed_data();
    void nameLeavingDataFolder_isReportedAndNeverUsed();
    void outputIntoDataFolder_isRefusedAndDataUnchanged_data();
    void outputIntoDataFolder_isRefusedAndDataUnchanged();
    void temporaryNameTakenByLink_isNeverWrittenThrough();
    void replacedFile_keepsItsMode();
    void outputThatIsNotAPlainFile_isStreamedOrRefused_data();
    void outputThatIsNotAPlainFile_isStreamedOrRefused();
    void hugeSparseFiles_areRefusedWithoutReadingThem();
    void hugeTimeFile_showsItsLastPunch();
    void limitedFileOverItsLimit_isRefusedBySizeUnread_data();
    void limitedFileOverItsLimit_isRefusedBySizeUnread();
    void fifoOrLinkAsDataFile_isRefusedAtOnce_data();
    void fifoOrLinkAsDataFile_isRefusedAtOnce();
    void danglingLinkAsTimeFile_punchCreatesNothing();
    void thousandsOfBadLines_giveOneShortMessage();
    void timeCardCsvPair_isWrittenWholeOrNotAtAll();

private:
    std::unique_ptr<TempProgramDir> m_dir;
};

void TestHostileFiles::nameLeavingDataFolder_isReportedAndNeverUsed_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("two folders up") << QStringLiteral("../../outside/evil");
    QTest::newRow("beside the program") << QStringLiteral("../names");
    QTest::newRow("parent") << QStringLiteral("..");
    QTest::newRow("folder itself") << QStringLiteral(" . ");
    QTest::newRow("subfolder") << QStringLiteral("sub/Ann");
    QTest::newRow("control character") << QStringLiteral("Ann\tLee");
    QTest::newRow("colon") << QStringLiteral("C:Ann");
}

void TestHostileFiles::nameLeavingDataFolder_isReportedAndNeverUsed()
{
    QFETCH(QString, name);
    writeSampleData(*m_dir);
    // Whatever the name leads to holds hours that must never be paid.
    const QString root = m_dir->programDir();
    QDir(root).mkpath(QStringLiteral("outside"));
    QDir(m_dir->dataDir()).mkpath(QStringLiteral("sub"));
    for (const QString& bait : {QStringLiteral("outside/evil.txt"), QStringLiteral("names.txt"),
                                QStringLiteral("data/sub/Ann.txt")}) {
        QFile file(root + u'/' + bait);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(SampleReport::weekOfPunches());
    }
    EmployeeRecord bad = sampleEmployee(name);
    m_dir->write(QStringLiteral("names.nms"),
                 m_dir->read(QStringLiteral("names.nms")) + SerializeEmployeeRecord(bad));
    const QByteArray before = digestOf(root);

    const Result<QStringList> listed = EmployeeNames();
    QCOMPARE(*listed, QStringList{QStringLiteral("Ann")});
    QVERIFY2(listed.message().contains(QStringLiteral("line 2")), qPrintable(listed.message()));
    const ProgramRun run = runReport(*m_dir, multipleWeek);
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains("names.nms") && run.err.contains("line 2"));
    QVERIFY(run.out.isEmpty());
    // The file layer refuses the name even when a caller forgets the check.
    if (name.contains(u'/'))
        QVERIFY(!RecordPunch(name, true));
    LoadPayPeriod(name, QDate(2009, 11, 2), QDate(2009, 11, 8), 0, QTimeZone::systemTimeZone());
    QCOMPARE(digestOf(root), before);
}

void TestHostileFiles::outputIntoDataFolder_isRefusedAndDataUnchanged_data()
{
    QTest::addColumn<QString>("output"); // relative to the program folder
    QTest::addColumn<QString>("format");
    QTest::newRow("employee list") << QStringLiteral("data/names.nms") << QStringLiteral("text");
    QTest::newRow("settings") << QStringLiteral("data/options.ini") << QStringLiteral("pdf");
    QTest::newRow("time file") << QStringLiteral("data/Ann.txt") << QStringLiteral("csv");
    QTest::newRow("new file there") << QStringLiteral("data/report.csv") << QStringLiteral("csv");
    QTest::newRow("through a dotted path")
        << QStringLiteral("outside/../data/./names.nms") << QStringLiteral("text");
    QTest::newRow("link to the list") << QStringLiteral("list-link") << QStringLiteral("text");
    QTest::newRow("folder linked to data")
        << QStringLiteral("data-link/names.nms") << QStringLiteral("csv");
}

void TestHostileFiles::outputIntoDataFolder_isRefusedAndDataUnchanged()
{
    QFETCH(QString, output);
    QFETCH(QString, format);
    writeSampleData(*m_dir);
    const QString root = m_dir->programDir();
    QDir(root).mkpath(QStringLiteral("outside"));
    makeLink(m_dir->path(QStringLiteral("names.nms")), root + QStringLiteral("/list-link"));
    makeLink(m_dir->dataDir(), root + QStringLiteral("/data-link"));
    const QByteArray before = digestOf(m_dir->dataDir());

    const ProgramRun run =
        runReport(*m_dir, annWeek + QStringList{QStringLiteral("--format"), format,
                                                QStringLiteral("--output"), root + u'/' + output});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("data folder"), run.err.constData());
    QCOMPARE(digestOf(m_dir->dataDir()), before);
    QVERIFY(runReport(*m_dir, annWeek).status == 0); // the data still reads
}

void TestHostileFiles::temporaryNameTakenByLink_isNeverWrittenThrough()
{
    writeSampleData(*m_dir);
    const QString root = m_dir->programDir();
    const QString victim = root + QStringLiteral("/victim");
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("precious");
    file.close();
    QDir(root).mkpath(QStringLiteral("out"));
    // Links wherever a temporary may be looked for, fixed names of the past included.
    for (const QString& suffix :
         {QStringLiteral(".new"), QStringLiteral(".tmp-1"), QStringLiteral(".tmp-2")}) {
        makeLink(victim, root + QStringLiteral("/out/.week.txt") + suffix);
        makeLink(victim, m_dir->path(QStringLiteral(".names.nms") + suffix));
    }

    const ProgramRun run =
        runReport(*m_dir, annWeek + QStringList{QStringLiteral("--output"),
                                                root + QStringLiteral("/out/week.txt")});
    QCOMPARE(run.status, 0);
    QVERIFY(AppendEmployee(sampleEmployee("Bob")));
    QVERIFY(DeleteEmployee(QStringLiteral("Bob")).ok());

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("precious"));
    QVERIFY(QFileInfo(root + QStringLiteral("/out/week.txt")).size() > 100);
    QCOMPARE(*EmployeeNames(), QStringList{QStringLiteral("Ann")});
}

void TestHostileFiles::replacedFile_keepsItsMode()
{
    writeSampleData(*m_dir);
    const QByteArray list = QFile::encodeName(m_dir->path(QStringLiteral("names.nms")));
    QCOMPARE(::chmod(list.constData(), 0600), 0);
    QVERIFY(AppendEmployee(sampleEmployee("Bob")));
    QVERIFY(DeleteEmployee(QStringLiteral("Bob")).ok());
    struct stat st
    {
    };
    QCOMPARE(::stat(list.constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));
}

void TestHostileFiles::outputThatIsNotAPlainFile_isStreamedOrRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");
    // Our own device node and link, so that a faulty build replaces nothing of the system's.
    QTest::newRow("full device") << QStringLiteral("full") << 1 << QStringLiteral("No space left");
    QTest::newRow("standard output") << QStringLiteral("stdout") << 0 << QString();
    QTest::newRow("link to a file") << QStringLiteral("link") << 0 << QString();
    QTest::newRow("link to nothing") << QStringLiteral("dangling") << 1 << QStringLiteral("link");
    QTest::newRow("folder") << QStringLiteral("folder") << 1 << QStringLiteral("not a plain file");
    QTest::newRow("FIFO nobody reads") << QStringLiteral("fifo") << 1 << QStringLiteral("FIFO");
    QTest::newRow("FIFO with a reader") << QStringLiteral("read fifo") << 0 << QString();
}

void TestHostileFiles::outputThatIsNotAPlainFile_isStreamedOrRefused()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, says);
    writeSampleData(*m_dir);
    const QString root = m_dir->programDir();
    const QString target = root + QStringLiteral("/target.txt");
    const QString output = root + QStringLiteral("/output");
    QProcess reader;
    if (kind == QLatin1String("full")) {
        if (::mknod(QFile::encodeName(output).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            QSKIP("making a device node needs root");
    }
    if (kind == QLatin1String("stdout"))
        makeLink(QStringLiteral("/proc/self/fd/1"), output);
    if (kind == QLatin1String("link"))
        m_dir->write(QStringLiteral("../target.txt"), "old");
    if (kind == QLatin1String("link") || kind == QLatin1String("dangling"))
        makeLink(target, output);
    if (kind == QLatin1String("folder"))
        QDir(root).mkdir(QStringLiteral("output"));
    if (kind.endsWith(QLatin1String("fifo")))
        makeFifo(output);
    if (kind == QLatin1String("read fifo")) {
        reader.setStandardOutputFile(target);
        reader.start(QStringLiteral("cat"), {output});
        QVERIFY(reader.waitForStarted());
        // cat opens the FIFO when it starts; wait until the writer's open can find it.
        QTRY_VERIFY(QDir(QStringLiteral("/proc/%1/fd").arg(reader.processId())).count() > 4);
    }
    const QByteArray expected = runReport(*m_dir, annWeek).out;

    const ProgramRun run =
        runReport(*m_dir, annWeek + QStringList{QStringLiteral("--output"), output});
    QVERIFY(run.finished);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(says.toUtf8()), run.err.constData());
    if (kind == QLatin1String("stdout"))
        QCOMPARE(run.out, expected);
    if (kind == QLatin1String("full") || kind == QLatin1String("stdout"))
        QVERIFY(QFileInfo(output).isSymLink() || !QFileInfo(output).isFile());
    if (kind == QLatin1String("link")) {
        QVERIFY(QFileInfo(output).isSymLink());
        QCOMPARE(m_dir->read(QStringLiteral("../target.txt")), expected);
    }
    if (kind == QLatin1String("dangling"))
        QVERIFY(!QFile::exists(target));
    if (kind == QLatin1String("read fifo")) {
        QVERIFY(reader.waitForFinished(20000));
        QCOMPARE(m_dir->read(QStringLiteral("../target.txt")), expected);
    }
}

void TestHostileFiles::hugeSparseFiles_areRefusedWithoutReadingThem()
{
    writeSampleData(*m_dir);
    // 100 GiB of nothing as a time file: refused at once, with the file named.
    writeSparse(m_dir->path(QStringLiteral("Ann.txt")), qint64(100) << 30);
    const Result<clsTime> loaded =
        LoadPayPeriod(QStringLiteral("Ann"), QDate(2009, 11, 2), QDate(2009, 11, 8), 0,
                      QTimeZone::systemTimeZone());
    QVERIFY(!loaded && loaded.message().contains(QStringLiteral("Ann.txt")));
    ProgramRun run = runReport(*m_dir, annWeek);
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains("Ann.txt"));

    writeSparse(m_dir->path(QStringLiteral("names.nms")), qint64(1) << 30);
    const Result<QStringList> listed = EmployeeNames();
    QVERIFY(listed->isEmpty());
    QVERIFY(listed.hasWarning() && listed.message().contains(QStringLiteral("names.nms")));

    writeSparse(m_dir->path(QStringLiteral("options.ini")), qint64(1) << 30);
    const Result<OptionsRecord> settings = ReadOptionsFile();
    QVERIFY(settings.failed() && settings.message().contains(QStringLiteral("options.ini")));
}

void TestHostileFiles::hugeTimeFile_showsItsLastPunch()
{
    writeSampleData(*m_dir);
    // 124 GiB in whole records: valid, and its last punch is all the station needs.
    const qint64 size = ((qint64(124) << 30) / TimeRecord::Size) * TimeRecord::Size;
    writeSparse(m_dir->path(QStringLiteral("Ann.txt")), size,
                punchLine("IN", "11/09/2009", "08:00"));
    QVERIFY(TimeFileIsValid(QStringLiteral("Ann")));
    QString text;
    const Result<bool> isIn =
        ReadLastAction(QStringLiteral("Ann"), QStringLiteral("hh:nn AM/PM"), &text);
    QVERIFY(isIn.ok());
    QVERIFY(*isIn);
    QVERIFY2(text.startsWith(QStringLiteral("IN  at  08:00 AM  Monday, November 09")),
             qPrintable(text));
}

void TestHostileFiles::limitedFileOverItsLimit_isRefusedBySizeUnread_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("limit");
    QTest::newRow("employee list") << QStringLiteral("names.nms") << MaxEmployeeListSize;
    QTest::newRow("time file") << QStringLiteral("Ann.txt") << MaxTimeFileSize;
    QTest::newRow("record of corrections")
        << QStringLiteral("corrections.log") << MaxCorrectionLogSize;
    QTest::newRow("record of sent punches") << QStringLiteral("station.sent") << MaxSentLedgerSize;
    QTest::newRow("station file") << QStringLiteral("station.ini") << MaxStationConfigSize;
    QTest::newRow("badge file") << QStringLiteral("badges.txt") << MaxBadgeFileSize;
}

void TestHostileFiles::limitedFileOverItsLimit_isRefusedBySizeUnread()
{
    QFETCH(QString, file);
    QFETCH(qint64, limit);
    writeSampleData(*m_dir);
    // Over every limit, and more than the child may allocate.
    const qint64 size = qint64(1) << 30;
    const qint64 headroom = qint64(256) << 20;
    QVERIFY(size > limit && size > headroom);
    writeSparse(m_dir->path(file), size);
    const ChildRead run = readUnderMemoryLimit(file, headroom);
    QVERIFY2(run.end != ChildEnd::OutOfMemory, "the file was read whole");
    QVERIFY2(run.end == ChildEnd::Read, "the read failed or did not end");
    QVERIFY2(run.message.contains(file.toUtf8()), run.message.constData());
    QVERIFY2(run.message.contains(QStringLiteral("holds %1 bytes, more than the %2 that such a "
                                                 "file can hold")
                                      .arg(size)
                                      .arg(limit)
                                      .toUtf8()),
             run.message.constData());
}

void TestHostileFiles::fifoOrLinkAsDataFile_isRefusedAtOnce_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("kind");
    for (const char* file : {"names.nms", "options.ini", "Ann.txt"}) {
        QTest::addRow("%s as FIFO", file) << QString::fromLatin1(file) << QStringLiteral("fifo");
        QTest::addRow("%s as link to zeros", file)
            << QString::fromLatin1(file) << QStringLiteral("/dev/zero");
        QTest::addRow("%s as link to a file", file)
            << QString::fromLatin1(file) << QStringLiteral("secret");
    }
}

void TestHostileFiles::fifoOrLinkAsDataFile_isRefusedAtOnce()
{
    QFETCH(QString, file);
    QFETCH(QString, kind);
    writeSampleData(*m_dir);
    const QString path = m_dir->path(file);
    const QString secret = m_dir->programDir() + QStringLiteral("/secret");
    QVERIFY(QFile::rename(path, secret)); // a readable file of the right shape elsewhere
    if (kind == QLatin1String("fifo"))
        makeFifo(path);
    else
        makeLink(kind == QLatin1String("secret") ? secret : kind, path);

    const ProgramRun run = runReport(*m_dir, annWeek);
    QVERIFY2(run.finished, "the report program hangs");
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(file.toUtf8()), run.err.constData());
    QCOMPARE(run.err.count('\n'), 1);
    if (file == QLatin1String("Ann.txt")) {
        QString text;
        const Result<bool> isIn =
            ReadLastAction(QStringLiteral("Ann"), QStringLiteral("hh:nn AM/PM"), &text);
        QVERIFY(isIn.failed() && isIn.message().contains(file));
        QVERIFY(!RecordPunch(QStringLiteral("Ann"), true));
        QCOMPARE(QFileInfo(secret).size(), SampleReport::weekOfPunches().size());
    }
}

void TestHostileFiles::danglingLinkAsTimeFile_punchCreatesNothing()
{
    writeSampleData(*m_dir);
    const QString target = m_dir->programDir() + QStringLiteral("/created-by-punch");
    QVERIFY(QFile::remove(m_dir->path(QStringLiteral("Ann.txt"))));
    makeLink(target, m_dir->path(QStringLiteral("Ann.txt")));
    const Result<TimeRecord> punched = RecordPunch(QStringLiteral("Ann"), true);
    QVERIFY(punched.failed() && punched.message().contains(QStringLiteral("symbolic link")));
    QVERIFY(!QFile::exists(target));
}

void TestHostileFiles::thousandsOfBadLines_giveOneShortMessage()
{
    writeSampleData(*m_dir);
    QByteArray list = m_dir->read(QStringLiteral("names.nms"));
    for (int i = 0; i < 10000; ++i)
        list += "\"" + QByteArray(200, 'x') + "/\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n";
    m_dir->write(QStringLiteral("names.nms"), list);
    const Result<QStringList> listed = EmployeeNames();
    QVERIFY2(listed.message().contains(QStringLiteral("; and 9,990 more")),
             qPrintable(listed.message()));
    QVERIFY(listed.message().size() < 1500);
    const ProgramRun run = runReport(*m_dir, multipleWeek);
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.size() < 1500);
}

void TestHostileFiles::timeCardCsvPair_isWrittenWholeOrNotAtAll()
{
    const QString folder = m_dir->programDir();
    ReportFigures figures;
    figures.timeCard = true;
    const QString payroll = folder + QStringLiteral("/pay.csv");
    QVERIFY(ReportCsv::Save(figures, payroll, true));
    const QByteArray before = m_dir->read(QStringLiteral("../pay-punches.csv"));
    // The payroll file cannot replace a folder: the punches beside it stay as they were.
    QVERIFY(QFile::remove(payroll));
    QVERIFY(QDir(folder).mkdir(QStringLiteral("pay.csv")));
    figures.pairs.append(PunchPairFigures{});
    QVERIFY(!ReportCsv::Save(figures, payroll, true));
    QCOMPARE(m_dir->read(QStringLiteral("../pay-punches.csv")), before);
}

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
