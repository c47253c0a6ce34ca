// I/O errors on every writing operation: an error injected at each call of the file layer, a
// full disk and a read-only file system. The operation reports failure, naming the file,
// exactly when its data did not reach the disk; existing data is never damaged.
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OutputFiles.h"
#include "reliability/ProbeOperations.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QTest>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Counts the file-layer calls of one run of the operation.
int countCalls(const QString& operation)
{
    TempProgramDir dir;
    PrepareProbeOperation(operation);
    int calls = 0;
    FileStore::setFaultHook([&calls](const char*, const QString&) {
        ++calls;
        return 0;
    });
    RunProbeOperation(operation);
    FileStore::setFaultHook({});
    return calls;
}

// The data is as before when the operation failed and as after when it succeeded. A failed flush
// after the rename (of the folder, or of reading the settings back) cannot undo it: the new
// content is then in place, reported as a failure so that nobody takes it for granted.
void verifyOutcome(const QString& operation, const IoResult& result, const TempProgramDir& dir,
                   const QString& where, bool newContentMayStay)
{
    for (const ProbeExpectation& e : ProbeExpectations(operation)) {
        const QByteArray now = dir.read(e.file);
        if (result) {
            QVERIFY2(now == e.after, qPrintable(where));
            continue;
        }
        QVERIFY2(result.error.contains(dir.dataDir()),
                 qPrintable(where + QStringLiteral(": ") + result.error));
        QVERIFY2(now == e.before || (newContentMayStay && now == e.after), qPrintable(where));
    }
}

class Mount
{
public:
    Mount(const QString& path, const QByteArray& options)
        : m_path(QFile::encodeName(path)),
          m_ok(::mount("tmpfs", m_path.constData(), "tmpfs", 0, options.constData()) == 0)
    {
    }
    ~Mount()
    {
        if (m_ok)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    bool ok() const { return m_ok; }
    bool remountReadOnly()
    {
        return ::mount("tmpfs", m_path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_path;
    bool m_ok;
};

} // namespace

class TestIoErrors : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { FileStore::setFaultHook({}); }
    void operations_data();
    void errorAtEachCallOnceOrFromThenOn_isReportedAndHarmless_data() { operations_data(); }
    void errorAtEachCallOnceOrFromThenOn_isReportedAndHarmless();
    void fullDisk_neverReportsDoneWhenNotDone_data() { operations_data(); }
    void fullDisk_neverReportsDoneWhenNotDone();
    void readOnlyDisk_failsNamingFileAndKeepsData_data() { operations_data(); }
    void readOnlyDisk_failsNamingFileAndKeepsData();
    void outputsWithFailedRename_areAllPutBackAsTheyWere_data();
    void outputsWithFailedRename_areAllPutBackAsTheyWere();
    void replacedFileWhoseOwnerCannotBeKept_isNotReplaced_data();
    void replacedFileWhoseOwnerCannotBeKept_isNotReplaced();
};

void TestIoErrors::operations_data()
{
    QTest::addColumn<QString>("operation");
    for (const QString& name : ProbeOperationNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestIoErrors::errorAtEachCallOnceOrFromThenOn_isReportedAndHarmless()
{
    QFETCH(QString, operation);
    const int total = countCalls(operation);
    for (int failAt = 1; failAt <= total; ++failAt) {
        for (bool fromThenOn : {false, true}) {
            TempProgramDir dir;
            PrepareProbeOperation(operation);
            int calls = 0;
            QString failedCall;
            bool renamed = false;
            FileStore::setFaultHook([&](const char* call, const QString&) {
                ++calls;
                const bool fail = fromThenOn ? calls >= failAt : calls == failAt;
                renamed = renamed || (!fail && qstrcmp(call, "rename") == 0);
                if (fail && failedCall.isEmpty())
                    failedCall = QLatin1String(call);
                return fail ? EIO : 0;
            });
            const IoResult result = RunProbeOperation(operation);
            FileStore::setFaultHook({});
            const QString where =
                QStringLiteral("%1, EIO %2 call %3 (%4)")
                    .arg(operation, fromThenOn ? QStringLiteral("from") : QStringLiteral("at"))
                    .arg(failAt)
                    .arg(failedCall);
            QVERIFY2(!result, qPrintable(where));
            verifyOutcome(operation, result, dir, where, renamed);
        }
    }
}

void TestIoErrors::fullDisk_neverReportsDoneWhenNotDone()
{
    QFETCH(QString, operation);
    for (int filler = 0; filler <= 8; ++filler) {
        TempProgramDir dir;
        Mount disk(dir.dataDir(), "size=64k");
        if (!disk.ok())
            QSKIP("mounting a small tmpfs needs root");
        PrepareProbeOperation(operation);
        // Fill the disk to within a few bytes, more each round.
        QByteArray fill(64 * 1024, 'x');
        const QString fillPath = dir.path(QStringLiteral("zz-filler"));
        FileStore::appendToFile(fillPath, fill); // fails part-way on purpose, then is taken back
        for (int chunk = 4096; chunk >= 16; chunk /= 2) {
            while (FileStore::appendToFile(fillPath, QByteArray(chunk, 'x')))
                ;
        }
        if (filler > 0)
            QFile::resize(fillPath, QFileInfo(fillPath).size() - filler * 31);
        const IoResult result = RunProbeOperation(operation);
        verifyOutcome(
            operation, result, dir,
            QStringLiteral("%1 on a full disk, %2 records free").arg(operation).arg(filler), false);
    }
}

void TestIoErrors::readOnlyDisk_failsNamingFileAndKeepsData()
{
    QFETCH(QString, operation);
    TempProgramDir dir;
    Mount disk(dir.dataDir(), "size=1m");
    if (!disk.ok())
        QSKIP("mounting a tmpfs needs root");
    PrepareProbeOperation(operation);
    QVERIFY(disk.remountReadOnly());
    const IoResult result = RunProbeOperation(operation);
    QVERIFY(!result);
    verifyOutcome(operation, result, dir, operation + QStringLiteral(" on a read-only disk"),
                  false);
}

void TestIoErrors::outputsWithFailedRename_areAllPutBackAsTheyWere_data()
{
    QTest::addColumn<bool>("firstExisted");
    QTest::addColumn<int>("linkError");
    QTest::newRow("both existed") << true << 0;
    QTest::newRow("the first is new") << false << 0;
    // A file system without second names (FAT): the old file is kept as a copy.
    QTest::newRow("no hard links") << true << EPERM;
}

void TestIoErrors::outputsWithFailedRename_areAllPutBackAsTheyWere()
{
    QFETCH(bool, firstExisted);
    QFETCH(int, linkError);
    TempProgramDir dir;
    const QString first = dir.programDir() + QStringLiteral("/pay.csv");
    const QString second = dir.programDir() + QStringLiteral("/pay-punches.csv");
    if (firstExisted)
        dir.write(QStringLiteral("../pay.csv"), "old pay");
    dir.write(QStringLiteral("../pay-punches.csv"), "old punches");
    QVERIFY(::chmod(QFile::encodeName(second).constData(), 0600) == 0);
    const QStringList entries =
        QDir(dir.programDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const QList<OutputFile> outputs{{first, "new pay"}, {second, "new punches"}};

    FileStore::setFaultHook([&](const char* call, const QString& path) {
        if (qstrcmp(call, "link") == 0)
            return linkError;
        return qstrcmp(call, "rename") == 0 && path == second ? EIO : 0;
    });
    const IoResult failed = WriteOutputFiles(outputs);
    FileStore::setFaultHook({});
    QVERIFY(!failed);
    QVERIFY2(failed.error.contains(second), qPrintable(failed.error));
    QCOMPARE(dir.exists(QStringLiteral("../pay.csv")), firstExisted);
    if (firstExisted)
        QCOMPARE(dir.read(QStringLiteral("../pay.csv")), QByteArray("old pay"));
    QCOMPARE(dir.read(QStringLiteral("../pay-punches.csv")), QByteArray("old punches"));
    QCOMPARE(
        QDir(dir.programDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        entries);

    // Written again, both are new and nothing kept aside stays behind.
    FileStore::setFaultHook([&](const char* call, const QString&) {
        return qstrcmp(call, "link") == 0 ? linkError : 0;
    });
    const IoResult written = WriteOutputFiles(outputs);
    FileStore::setFaultHook({});
    QVERIFY2(written, qPrintable(written.error));
    QCOMPARE(dir.read(QStringLiteral("../pay.csv")), QByteArray("new pay"));
    QCOMPARE(dir.read(QStringLiteral("../pay-punches.csv")), QByteArray("new punches"));
    QCOMPARE(QFileInfo(second).permissions() & QFileDevice::ReadOther, QFileDevice::Permissions());
    QStringList now =
        QDir(dir.programDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(now, (QStringList{QStringLiteral("data"), QStringLiteral("pay-punches.csv"),
                               QStringLiteral("pay.csv")}));
}

void TestIoErrors::replacedFileWhoseOwnerCannotBeKept_isNotReplaced_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::newRow("owner") << QByteArray("fchown");
    QTest::newRow("permissions") << QByteArray("fchmod");
}

void TestIoErrors::replacedFileWhoseOwnerCannotBeKept_isNotReplaced()
{
    QFETCH(QByteArray, call);
    if (call == "fchown" && ::geteuid() != 0)
        QSKIP("only a job run as root gives a file back to its owner");
    TempProgramDir dir;
    dir.write(QStringLiteral("names.nms"), "old");
    const QByteArray path = QFile::encodeName(dir.path(QStringLiteral("names.nms")));
    QVERIFY(::chmod(path.constData(), 0600) == 0);
    if (::geteuid() == 0)
        QVERIFY(::chown(path.constData(), 65534, 65534) == 0);
    FileStore::setFaultHook([&](const char* c, const QString&) { return call == c ? EPERM : 0; });
    const IoResult failed = FileStore::replaceFile(dir.path(QStringLiteral("names.nms")), "new");
    FileStore::setFaultHook({});
    QVERIFY(!failed);
    QVERIFY2(failed.error.contains(dir.path(QStringLiteral("names.nms"))),
             qPrintable(failed.error));
    QCOMPARE(dir.read(QStringLiteral("names.nms")), QByteArray("old"));
    QCOMPARE(dir.files(), QStringList{QStringLiteral("names.nms")});

    QVERIFY(FileStore::replaceFile(dir.path(QStringLiteral("names.nms")), "new"));
    struct stat st
    {
    };
    QVERIFY(::stat(path.constData(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    if (::geteuid() == 0)
        QCOMPARE(st.st_uid, uid_t(65534));
}

QTEST_GUILESS_MAIN(TestIoErrors)
#include "tst_ioerrors.moc"
