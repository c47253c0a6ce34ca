// Damaged and hand-edited data files: every read ends without a crash, keeps every good record
// and never writes over the file.
#include "data/BadgeFile.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/ShiftCharacters.h"
#include "data/TimeFile.h"
#include "payroll/SingleReportText.h"
#include "testsupport/TestSupport.h"
#include "timecalc/TimeManipulation.h"

#include <QTest>

namespace {

EmployeeRecord employee(const QString& name, const QString& shift)
{
    return sampleEmployee(name, QStringLiteral("9876"), shift, QStringLiteral("10.50"),
                          QStringLiteral("15.75"));
}

const QList<EmployeeRecord> sampleRecords = {
    employee(QStringLiteral("Ann Lee"), QStringLiteral("1")),
    employee(QStringLiteral("Smith, John"), QStringLiteral("2")),
    employee(QStringLiteral("Zoë Ångström"), QStringLiteral("9")),
};

struct Line
{
    qsizetype begin; // first byte
    qsizetype end;   // one past the line end
};

QByteArray sampleList(QList<Line>* lines)
{
    QByteArray bytes;
    for (const EmployeeRecord& r : sampleRecords) {
        const qsizetype begin = bytes.size();
        bytes += SerializeEmployeeRecord(r);
        lines->append({begin, bytes.size()});
    }
    return bytes;
}

// Every record whose line, with its end and the end of the line before it, is intact.
void verifyIntactRecordsKept(const QByteArray& damaged, const QList<Line>& lines, qsizetype from,
                             qsizetype to, const QString& what)
{
    const EmployeeList list = ParseEmployeeList(damaged);
    for (int i = 0; i < lines.size(); ++i) {
        const bool touched = to > lines[i].begin - 1 && from < lines[i].end;
        if (!touched && lines[i].end <= damaged.size())
            QVERIFY2(list.records.contains(sampleRecords[i]), qPrintable(what));
    }
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void employeeList_truncatedAtEveryByte_keepsWholeLines();
    void employeeList_everyBitFlipped_keepsUntouchedLines();
    void employeeList_lineEndsAndByteOrderMark_data();
    void employeeList_lineEndsAndByteOrderMark();
    void employeeList_duplicateNameIsReportedAndLeftOut();
    void damagedEmployeeList_isNeverOverwritten();
    void settings_truncatedOrFlipped_neverCrashOrOverwrite();
    void timeFile_truncatedAtEveryByte_lastActionSafe();
    void timeFile_truncatedOrFlipped_reportKeepsWholePairs();
    void badgeFile_truncatedOrFlipped_keepsUntouchedLinesAndIsNeverOverwritten();
};

void TestDamagedFiles::employeeList_truncatedAtEveryByte_keepsWholeLines()
{
    QList<Line> lines;
    const QByteArray bytes = sampleList(&lines);
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
        verifyIntactRecordsKept(bytes.left(cut), lines, cut, bytes.size(),
                                QStringLiteral("cut at %1").arg(cut));
}

void TestDamagedFiles::employeeList_everyBitFlipped_keepsUntouchedLines()
{
    QList<Line> lines;
    const QByteArray bytes = sampleList(&lines);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = bytes;
            damaged[i] = char(damaged[i] ^ (1 << bit));
            verifyIntactRecordsKept(damaged, lines, i, i + 1,
                                    QStringLiteral("byte %1 bit %2").arg(i).arg(bit));
        }
    }
}

void TestDamagedFiles::employeeList_lineEndsAndByteOrderMark_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QList<Line> lines;
    const QByteArray crlf = sampleList(&lines);
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    QByteArray cr = crlf;
    cr.replace("\r\n", "\r");
    QTest::newRow("CR LF") << crlf;
    QTest::newRow("LF only") << lf;
    QTest::newRow("CR only") << cr;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") + crlf;
    QTest::newRow("no final line end") << crlf.chopped(2);
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") + lf + "\n\n";
}

void TestDamagedFiles::employeeList_lineEndsAndByteOrderMark()
{
    QFETCH(QByteArray, bytes);
    const EmployeeList list = ParseEmployeeList(bytes);
    QVERIFY(list.isClean());
    QCOMPARE(list.records, sampleRecords);
}

void TestDamagedFiles::employeeList_duplicateNameIsReportedAndLeftOut()
{
    TempProgramDir dir;
    const QByteArray bytes =
        SerializeEmployeeRecord(sampleRecords[0]) + SerializeEmployeeRecord(sampleRecords[0]);
    dir.write(QStringLiteral("names.nms"), bytes);
    const Result<QStringList> names = EmployeeNames();
    QCOMPARE(names->size(), 1);
    QVERIFY(names.message().contains(QStringLiteral("line 2: \"Ann Lee\" is listed twice")));
    // A rewrite would drop the line: it is refused until the file is mended.
    QVERIFY(DeleteEmployee(QStringLiteral("Ann Lee")).failed());
    QCOMPARE(dir.read(QStringLiteral("names.nms")), bytes);
}

void TestDamagedFiles::damagedEmployeeList_isNeverOverwritten()
{
    TempProgramDir dir;
    QList<Line> lines;
    const QByteArray bytes = sampleList(&lines) + QByteArray("\"broken\r\n");
    dir.write(QStringLiteral("names.nms"), bytes);
    const Result<QStringList> names = EmployeeNames();
    QCOMPARE(names->size(), 3);
    QVERIFY(names.hasWarning());
    QVERIFY(DeleteEmployee(QStringLiteral("Ann Lee")).failed());
    QVERIFY(!ReplaceEmployee(QStringLiteral("Ann Lee"), sampleRecords[0]));
    QVERIFY(EnsureEmployeeListFile());
    QCOMPARE(dir.read(QStringLiteral("names.nms")), bytes);
}

void TestDamagedFiles::settings_truncatedOrFlipped_neverCrashOrOverwrite()
{
    TempProgramDir dir;
    const QByteArray good = OptionsRecord::firstRunDefaults(QStringLiteral("Pass_w0rd")).toBytes();
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        dir.write(QStringLiteral("options.ini"), good.left(cut));
        const Result<OptionsRecord> read = ReadOptionsFile();
        QVERIFY(read.failed());
        QVERIFY(read.message().contains(QStringLiteral("options.ini")));
        QCOMPARE(dir.read(QStringLiteral("options.ini")), good.left(cut));
    }
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = good;
            damaged[i] = char(damaged[i] ^ (1 << bit));
            dir.write(QStringLiteral("options.ini"), damaged);
            OptionsRecord r;
            QVERIFY(ReadOptionsFile(&r));
            CheckAdminPassword(r, QStringLiteral("Pass_w0rd"));
            r.overtimeThresholdHours();
            QCOMPARE(r.toBytes(), damaged);
        }
    }
}

void TestDamagedFiles::timeFile_truncatedAtEveryByte_lastActionSafe()
{
    TempProgramDir dir;
    const QByteArray good = punchLine("IN", "01/15/2001", "08:05") +
                            punchLine("OUT", "01/15/2001", "17:30") +
                            punchLine("IN", "02/30/2001", "25:99");
    for (qsizetype cut = 0; cut <= good.size(); ++cut) {
        dir.write(QStringLiteral("Ann.txt"), good.left(cut));
        // A cut inside a record looks like a write that a crash tore: the whole records count.
        QVERIFY(TimeFileIsValid(QStringLiteral("Ann")));
        QString text;
        ReadLastAction(QStringLiteral("Ann"), QStringLiteral("hh:mm"), &text);
        QCOMPARE(text.size(), 45);
        QCOMPARE(dir.read(QStringLiteral("Ann.txt")), good.left(cut));
    }
}

void TestDamagedFiles::timeFile_truncatedOrFlipped_reportKeepsWholePairs()
{
    const QTimeZone zone("America/New_York");
    const QDate start(2009, 11, 2);
    const QDate end(2009, 11, 15);
    // Six pairs of two hours on six days of two weeks.
    QByteArray good;
    for (int day = 0; day < 6; ++day) {
        const QByteArray date =
            start.addDays(day * 2).toString(QStringLiteral("MM/dd/yyyy")).toLatin1();
        good += punchLine("IN", date.constData(), "08:00") +
                punchLine("OUT", date.constData(), "10:00");
    }
    ReportOptions options;
    options.from = start;
    options.to = end;
    options.zone = zone;
    SingleReportInput input;
    input.employeeName = QStringLiteral("Ann");
    input.employee = sampleEmployee(QStringLiteral("Ann"));
    input.options = options;
    const auto buildReports = [&](const clsTime& time) {
        for (SingleReportStyle style :
             {SingleReportStyle::DailyHours, SingleReportStyle::TimeCard}) {
            input.style = style;
            QVERIFY(!BuildSingleReport(input, time).fullText().isEmpty());
        }
    };
    for (qsizetype cut = 0; cut <= good.size(); ++cut) {
        const clsTime time =
            PayPeriodFromTimeFile(QByteArrayView(good).first(cut), start, end, 0, zone);
        QCOMPARE(time.NbrWeeks(), 2);
        // Every whole pair before the cut is paid; an IN without its OUT is not.
        QCOMPARE(time.TotalHours(), float(2 * (cut / 62)));
        buildReports(time);
    }
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = good;
            damaged[i] = char(damaged[i] ^ (1 << bit));
            const clsTime time = PayPeriodFromTimeFile(damaged, start, end, 0, zone);
            QCOMPARE(time.NbrWeeks(), 2);
            // Pairing follows the order of the records, as the punch recording lays them out,
            // so a damaged action may shift the pairs after it; nothing may crash or go astray.
            buildReports(time);
        }
    }
}

void TestDamagedFiles::badgeFile_truncatedOrFlipped_keepsUntouchedLinesAndIsNeverOverwritten()
{
    TempProgramDir dir;
    const QDate issued(2026, 12, 7);
    const QStringList names{QStringLiteral("Ann Lee"), QStringLiteral("Smith, John"),
                            QStringLiteral("Zoë Ångström")};
    QList<Badge> badges;
    for (const QString& name : names)
        badges.append(
            {name, BadgeCodeHash(QString::fromLatin1(name.toLatin1().toHex())), issued, {}});
    badges[1].revoked = issued.addDays(1);
    const QByteArray good = SerializeBadgeFile(badges);
    const qsizetype firstLine = good.indexOf('\n') + 1;
    const auto check = [&](const QByteArray& damaged, qsizetype from, qsizetype to) {
        const BadgeFile file = ParseBadgeFile(damaged);
        for (int i = 0; i < badges.size(); ++i) {
            const qsizetype begin = good.indexOf(badges[i].employee.toLatin1());
            const qsizetype end = good.indexOf('\n', begin) + 1;
            const bool touched = (to > begin - 1 && from < end) || from < firstLine;
            if (!touched && end <= damaged.size())
                QVERIFY(file.badges.contains(badges[i]));
        }
        // Whatever is read is a line as written, or was damaged into one that reads.
        QVERIFY(file.badges.size() <= badges.size());
    };
    for (qsizetype cut = 0; cut <= good.size(); ++cut)
        check(good.left(cut), cut, good.size());
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = good;
            damaged[i] = char(damaged[i] ^ (1 << bit));
            check(damaged, i, i + 1);
        }
    }
    // A damaged file is never rewritten: not by an issue, not by a revocation.
    QByteArray damaged = good;
    damaged[good.size() - 5] = 'x';
    dir.write(QStringLiteral("badges.txt"), damaged);
    QVERIFY(!IssueBadge(QStringLiteral("Ann Lee"), QStringLiteral("1234"), issued));
    QVERIFY(!RevokeBadges(QStringLiteral("Ann Lee"), issued));
    QCOMPARE(dir.read(QStringLiteral("badges.txt")), damaged);
}

QTEST_GUILESS_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
