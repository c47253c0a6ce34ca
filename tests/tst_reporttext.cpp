#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "payroll/MultipleReportText.h"
#include "payroll/PayPeriod.h"
#include "payroll/SingleReportText.h"
#include "testsupport/TestSupport.h"
#include "timecalc/TimeManipulation.h"

#include <QTest>

namespace {

const QTimeZone NewYork("America/New_York");
const QString Note = ReportFormat::AttentionNote();

// The lines joined with CR LF, as the report texts end their lines.
QString lines(const QStringList& list)
{
    return list.join(QStringLiteral("\r\n"));
}

OptionsRecord settings()
{
    OptionsRecord s = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    s.setOvertimeThreshold(QStringLiteral("40"));
    s.setDailyOvertime(false);
    s.setTimeRounding(0);
    s.setTimeFormat(QStringLiteral("hh:nn AM/PM"));
    return s;
}

ReportOptions optionsFor(QDate from, QDate to)
{
    ReportOptions o;
    o.from = from;
    o.to = to;
    o.settings = settings();
    o.formats = RegionalFormats::of(QLocale(QLocale::English, QLocale::UnitedStates));
    o.zone = NewYork;
    return o;
}

EmployeeRecord employee(const QString& name, const QString& ssn, const QString& regular,
                        const QString& overtime, const QString& shift = QStringLiteral("1"))
{
    EmployeeRecord r;
    r.Name = name;
    r.SSN = ssn;
    r.RegularRate = regular;
    r.OvertimeRate = overtime;
    r.Shift = shift;
    return r;
}

QByteArray pair(const char* dateIn, const char* in, const char* dateOut, const char* out)
{
    return punchLine("IN ", dateIn, in) + punchLine("OUT", dateOut, out);
}

// The punches of the worked example: 2 to 8 November 2009.
QByteArray sampleWeek()
{
    return pair("11/02/2009", "08:00", "11/02/2009", "12:00") +
           pair("11/02/2009", "13:00", "11/02/2009", "17:30") +
           pair("11/03/2009", "08:00", "11/03/2009", "17:00") +
           pair("11/04/2009", "22:00", "11/05/2009", "06:30") +
           pair("11/06/2009", "07:45", "11/06/2009", "20:15") +
           pair("11/07/2009", "09:00", "11/07/2009", "15:00");
}

SingleReportInput sampleInput(SingleReportStyle style)
{
    SingleReportInput in;
    in.employeeName = QStringLiteral("Sample Employee");
    in.employee = employee(in.employeeName, QStringLiteral("123-45-6789"), QStringLiteral("15.00"),
                           QStringLiteral("22.50"));
    in.style = style;
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    return in;
}

clsPeriod periodOf(QDate day, float hours)
{
    clsPeriod p;
    p.m_DateIn = p.m_DateOut = day;
    p.m_TimeOut = hours;
    p.m_In = QDateTime(day, QTime(0, 0), NewYork);
    p.m_Out = p.m_In.addSecs(qint64(hours * 3600));
    return p;
}

clsTime oneDay(QDate day, float hours)
{
    clsWeek week;
    week.AddPeriod(periodOf(day, hours));
    clsTime t;
    t.AddWeek(week);
    return t;
}

} // namespace

class TestReportText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void singleDailyHours_workedExampleByteForByte();
    void singleTimeCard_workedExampleLines();
    void multiple_workedExampleByteForByte();

    void hoursFormat_data();
    void hoursFormat();
    void moneyAndShortDate_followRegionalFormats();
    void dailyLine_layout_data();
    void dailyLine_layout();
    void timeCardLine_layout_data();
    void timeCardLine_layout();
    void singleSummary_widensOverflowingMoney();
    void multipleEmployeeBlock_layout_data();
    void multipleEmployeeBlock_layout();

    void addressAndSsnOptions_addTheirLines();
    void weekWithoutPunches_addsOneEmptyLineInBothStyles();
    void dayAbove24Hours_marksDailyLineAndAddsNote();
    void dayAbove24Hours_inTimeCard_addsOnlyNote();
    void dayAbove24HoursInFirstWeek_keepsTimeCardNote();
    void severalFlaggedEmployees_noteShownOnce();
    void shortText_isHeaderAndSummary();
    void missingTimeFile_reportsZeroHours();

    void payPeriod_data();
    void payPeriod();
    void invalidPayPeriod_failsWithItsMessage();
    void shiftReport_listsOnlyThatShift();
    void shiftWithoutEmployees_failsWithItsMessage();
    void blankNames_areLeftOut();
    void manyEmployees_haveNoLimit();
    void unreadableTimeFile_failsNamingTheFile_data();
    void unreadableTimeFile_failsNamingTheFile();
    void timeFileOfOtherLines_makesNoReport_data();
    void timeFileOfOtherLines_makesNoReport();
};

void TestReportText::singleDailyHours_workedExampleByteForByte()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("Sample Employee.txt"), sampleWeek());
    const auto texts = CreateSingleReport(sampleInput(SingleReportStyle::DailyHours));
    QVERIFY(texts);
    QCOMPARE(texts->IsMultipleReport, false);
    const QString expected = lines({
        "Employee Name:    Sample Employee",
        "Payroll period:   11/2/2009 To 11/8/2009",
        "============================================================",
        "",
        "Date                         Hours Worked  ",
        "",
        "November     02, 2009          8.50",
        "November     03, 2009          9.00",
        "November     04, 2009          8.50",
        "November     06, 2009         12.50",
        "November     07, 2009          6.00",
        "",
        "============================================================",
        "Regular Time:     40.00 hours @      $15.00 =      $600.00",
        "Over Time:         4.50 hours @      $22.50 =      $101.25",
        "============================================================",
        "Gross Earnings:                                    $701.25",
    });
    QCOMPARE(texts->fullText(), expected);
}

void TestReportText::singleTimeCard_workedExampleLines()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("Sample Employee.txt"), sampleWeek());
    const auto texts = CreateSingleReport(sampleInput(SingleReportStyle::TimeCard));
    QVERIFY(texts);
    const QString expected = lines({
                                 "In Date & Time           Out Date & Time      Hours Worked",
                                 "",
                                 "11/2/2009   08:00 AM     11/2/2009   12:00 PM         4.00",
                                 "11/2/2009   01:00 PM     11/2/2009   05:30 PM         4.50",
                                 "11/3/2009   08:00 AM     11/3/2009   05:00 PM         9.00",
                                 "11/4/2009   10:00 PM     11/5/2009   06:30 AM         8.50",
                             }) +
                             QStringLiteral("\r\n");
    QVERIFY2(texts->ReportDetail.startsWith(expected), qPrintable(texts->ReportDetail));
    QVERIFY(texts->ReportSummary.endsWith(QStringLiteral("$701.25")));
}

void TestReportText::multiple_workedExampleByteForByte()
{
    TempProgramDir dir;
    // A. Sample: five days of 8.5 hours in the first week, 40 regular and 2.5 overtime.
    QByteArray a;
    for (const char* day : {"03/03/2008", "03/04/2008", "03/05/2008", "03/06/2008", "03/07/2008"})
        a += pair(day, "08:00", day, "16:30");
    dir.write(QStringLiteral("A. Sample.txt"), a);
    // B. Example: 38.5 hours, 26.5 of them in one day.
    dir.write(QStringLiteral("B. Example.txt"),
              pair("03/10/2008", "06:00", "03/11/2008", "08:30") +
                  pair("03/12/2008", "08:00", "03/12/2008", "20:00"));
    MultipleReportInput in;
    in.employees = {employee(QStringLiteral("A. Sample"), QStringLiteral("000-00-0000"),
                             QStringLiteral("8.00"), QStringLiteral("12.00")),
                    employee(QStringLiteral("B. Example"), QStringLiteral("000-00-0000"),
                             QStringLiteral("10.50"), QStringLiteral("15.75"),
                             QStringLiteral("2"))};
    in.options = optionsFor(QDate(2008, 3, 3), QDate(2008, 3, 16));
    in.options.includeSsn = true;
    const auto texts = CreateMultipleReport(in);
    QVERIFY(texts);
    QCOMPARE(texts->IsMultipleReport, true);
    const QString expected = lines({
        "Payroll report for:     All Employees",
        "Payroll period:         3/3/2008 To 3/16/2008",
        "",
        "============================================================",
        "Employee Name           Regular    Overtime    Gross",
        "                        Hours      Hours       Earnings",
        "============================================================",
        "",
        "A. Sample                40.00       2.50         $350.00",
        "Reg:   $8.00",
        "OT:  $12.00",
        "SSN: 000-00-0000",
        "",
        "B. Example               38.50        .00         $404.25 ***",
        "Reg:  $10.50",
        "OT:  $15.75",
        "SSN: 000-00-0000",
        "",
        "============================================================",
        "Total:                   78.50       2.50         $754.25",
        "============================================================",
        "",
        Note,
    });
    QCOMPARE(texts->fullText(), expected);
}

void TestReportText::hoursFormat_data()
{
    QTest::addColumn<float>("hours");
    QTest::addColumn<QString>("text");
    QTest::newRow("8.5") << 8.5f << "8.50";
    QTest::newRow("0.5") << 0.5f << ".50";
    QTest::newRow("0") << 0.0f << ".00";
    QTest::newRow("7.8666667") << 7.8666667f << "7.87";
    QTest::newRow("40") << 40.0f << "40.00";
    QTest::newRow("123456.5") << 123456.5f << "123456.50";
    QTest::newRow("-0.5") << -0.5f << "-.50";
    QTest::newRow("-0.001") << -0.001f << ".00";
}

void TestReportText::hoursFormat()
{
    QFETCH(float, hours);
    QFETCH(QString, text);
    QCOMPARE(ReportFormat::Hours(hours), text);
}

void TestReportText::moneyAndShortDate_followRegionalFormats()
{
    const RegionalFormats us =
        RegionalFormats::of(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(ReportFormat::Money(1234.5, us), QStringLiteral("$1,234.50"));
    QCOMPARE(ReportFormat::Money(350, us), QStringLiteral("$350.00"));
    QCOMPARE(ReportFormat::ShortDate(QDate(2009, 11, 2), us), QStringLiteral("11/2/2009"));
    const RegionalFormats fr = RegionalFormats::of(QLocale(QLocale::French, QLocale::Canada));
    QCOMPARE(ReportFormat::ShortDate(QDate(2009, 11, 2), fr), QStringLiteral("2009-11-02"));
}

void TestReportText::dailyLine_layout_data()
{
    QTest::addColumn<float>("hours");
    QTest::addColumn<QString>("line");
    QTest::newRow("fits") << 8.5f << "November     02, 2009          8.50";
    QTest::newRow("below one") << 0.5f << "November     02, 2009           .50";
    QTest::newRow("six wide") << 123.25f << "November     02, 2009        123.25 ***";
    QTest::newRow("overflows") << 2400.0f << "November     02, 2009        2400.00 ***";
}

void TestReportText::dailyLine_layout()
{
    QFETCH(float, hours);
    QFETCH(QString, line);
    SingleReportInput in = sampleInput(SingleReportStyle::DailyHours);
    const ReportTexts texts = BuildSingleReport(in, oneDay(QDate(2009, 11, 2), hours));
    QCOMPARE(texts.ReportDetail.split(QStringLiteral("\r\n")).at(2), line);
}

void TestReportText::timeCardLine_layout_data()
{
    QTest::addColumn<QString>("timeFormat");
    QTest::addColumn<float>("hours");
    QTest::addColumn<QString>("line");
    QTest::newRow("12-hour") << "hh:nn AM/PM" << 8.5f
                             << "11/2/2009   12:00 AM     11/2/2009   08:30 AM         8.50";
    QTest::newRow("24-hour padded to 8")
        << "hh:mm" << 22.0f << "11/2/2009   00:00        11/2/2009   22:00           22.00";
    QTest::newRow("hours overflow")
        << "hh:mm" << 10000.25f << "11/2/2009   00:00        12/23/2010  16:15         10000.25";
}

void TestReportText::timeCardLine_layout()
{
    QFETCH(QString, timeFormat);
    QFETCH(float, hours);
    QFETCH(QString, line);
    SingleReportInput in = sampleInput(SingleReportStyle::TimeCard);
    in.options.settings.setTimeFormat(timeFormat);
    const ReportTexts texts = BuildSingleReport(in, oneDay(QDate(2009, 11, 2), hours));
    QCOMPARE(texts.ReportDetail.split(QStringLiteral("\r\n")).at(2), line);
}

void TestReportText::singleSummary_widensOverflowingMoney()
{
    SingleReportInput in = sampleInput(SingleReportStyle::DailyHours);
    in.employee.RegularRate = QStringLiteral("1234567.5");
    in.employee.OvertimeRate = QStringLiteral("abc");
    const ReportTexts texts = BuildSingleReport(in, oneDay(QDate(2009, 11, 2), 10.0f));
    const QStringList summary = texts.ReportSummary.split(QStringLiteral("\r\n"));
    QCOMPARE(summary.at(1),
             QStringLiteral("Regular Time:     10.00 hours @ $1,234,567.50 = $12,345,675.00"));
    QCOMPARE(summary.at(2),
             QStringLiteral("Over Time:          .00 hours @       $0.00 =        $0.00"));
    QCOMPARE(summary.at(4), QStringLiteral("Gross Earnings:  ") + QString(27, u' ') +
                                QStringLiteral("$12,345,675.00"));
}

void TestReportText::multipleEmployeeBlock_layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ssn");
    QTest::addColumn<QString>("regular");
    QTest::addColumn<QString>("overtime");
    QTest::addColumn<QString>("block");
    QTest::newRow("short fields padded")
        << "Al"
        << "123"
        << "8"
        << "12"
        << lines({"Al                       40.00       2.50         $350.00", "Reg:   $8.00",
                  "OT:  $12.00", "SSN: 123        ", "", ""});
    QTest::newRow("long fields cut or widened")
        << "Bartholomew Longname"
        << "123-45-6789-00"
        << "1000"
        << "100"
        << lines({"Bartholomew Longna       40.00       2.50      $40,250.00", "Reg: $1,000.00",
                  "OT:  $100.00", "SSN: 123-45-6789", "", ""});
}

void TestReportText::multipleEmployeeBlock_layout()
{
    QFETCH(QString, name);
    QFETCH(QString, ssn);
    QFETCH(QString, regular);
    QFETCH(QString, overtime);
    QFETCH(QString, block);
    ReportOptions o = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    o.includeSsn = true;
    MultipleReportBuilder builder(0, o);
    clsWeek week;
    for (int d = 0; d < 5; ++d)
        week.AddPeriod(periodOf(QDate(2009, 11, 2 + d), 8.5f));
    clsTime t;
    t.AddWeek(week);
    builder.addEmployee(employee(name, ssn, regular, overtime), t);
    QCOMPARE(builder.Finish().ReportDetail, block);
}

void TestReportText::addressAndSsnOptions_addTheirLines()
{
    SingleReportInput in = sampleInput(SingleReportStyle::DailyHours);
    in.options.includeAddress = true;
    in.options.includeSsn = true;
    const QString header = BuildSingleReport(in, clsTime()).ReportHeader;
    const OptionsRecord& s = in.options.settings;
    QCOMPARE(header, s.Company + "\r\n" + s.Address + "\r\n\r\n" +
                         lines({"Employee Name:    Sample Employee",
                                "Payroll period:   11/2/2009 To 11/8/2009",
                                "SSN:              123-45-6789", QString(60, u'='), "", ""}));
    QCOMPARE(s.Company.size(), 20);
    QCOMPARE(s.Address.size(), 120);

    MultipleReportBuilder builder(3, in.options);
    QVERIFY(builder.Finish().ReportHeader.startsWith(
        s.Company + "\r\n" + s.Address + "\r\n\r\nPayroll report for:     Shift 3 Employees\r\n"));
}

void TestReportText::weekWithoutPunches_addsOneEmptyLineInBothStyles()
{
    SingleReportInput in = sampleInput(SingleReportStyle::DailyHours);
    in.options.to = QDate(2009, 11, 15);
    clsTime t;
    t.AddWeek(clsWeek());
    t.AddWeek(clsWeek());
    QCOMPARE(BuildSingleReport(in, t).ReportDetail,
             lines({"Date                         Hours Worked  ", "", "", "", ""}));
    in.style = SingleReportStyle::TimeCard;
    QCOMPARE(BuildSingleReport(in, t).ReportDetail,
             lines({"In Date & Time           Out Date & Time      Hours Worked", "", "", "", ""}));
}

void TestReportText::dayAbove24Hours_marksDailyLineAndAddsNote()
{
    const ReportTexts texts = BuildSingleReport(sampleInput(SingleReportStyle::DailyHours),
                                                oneDay(QDate(2009, 11, 2), 24.25f));
    QVERIFY(
        texts.ReportDetail.contains(QStringLiteral("November     02, 2009         24.25 ***\r\n")));
    QVERIFY(texts.ReportSummary.endsWith(QStringLiteral("\r\n\r\n") + Note));
    const ReportTexts at24 = BuildSingleReport(sampleInput(SingleReportStyle::DailyHours),
                                               oneDay(QDate(2009, 11, 2), 24.0f));
    QVERIFY(!at24.fullText().contains(QStringLiteral("***")));
}

void TestReportText::dayAbove24Hours_inTimeCard_addsOnlyNote()
{
    const ReportTexts texts = BuildSingleReport(sampleInput(SingleReportStyle::TimeCard),
                                                oneDay(QDate(2009, 11, 2), 24.25f));
    QVERIFY(!texts.ReportDetail.contains(QStringLiteral("***")));
    QVERIFY(texts.ReportSummary.endsWith(Note));
}

void TestReportText::dayAbove24HoursInFirstWeek_keepsTimeCardNote()
{
    clsTime t = oneDay(QDate(2009, 11, 2), 26.0f);
    clsWeek second;
    second.AddPeriod(periodOf(QDate(2009, 11, 9), 8.0f));
    t.AddWeek(second);
    SingleReportInput in = sampleInput(SingleReportStyle::TimeCard);
    in.options.to = QDate(2009, 11, 15);
    QVERIFY(BuildSingleReport(in, t).ReportSummary.endsWith(Note));
}

void TestReportText::severalFlaggedEmployees_noteShownOnce()
{
    MultipleReportBuilder builder(0, optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8)));
    for (const char* name : {"One", "Two", "Three"})
        builder.addEmployee(employee(QString::fromLatin1(name), {}, "10", "15"),
                            oneDay(QDate(2009, 11, 2), 25.0f));
    const ReportTexts texts = builder.Finish();
    QCOMPARE(texts.ReportDetail.count(QStringLiteral(" ***\r\n")), 3);
    QCOMPARE(texts.ReportSummary.count(QStringLiteral("*** Attention")), 1);
}

void TestReportText::shortText_isHeaderAndSummary()
{
    const ReportTexts texts = BuildSingleReport(sampleInput(SingleReportStyle::TimeCard),
                                                oneDay(QDate(2009, 11, 2), 8.0f));
    QCOMPARE(texts.shortText(), texts.ReportHeader + texts.ReportSummary);
    QCOMPARE(texts.fullText(), texts.ReportHeader + texts.ReportDetail + texts.ReportSummary);
}

void TestReportText::missingTimeFile_reportsZeroHours()
{
    TempProgramDir dir;
    const auto texts = CreateSingleReport(sampleInput(SingleReportStyle::DailyHours));
    QVERIFY(texts);
    QVERIFY(texts->ReportSummary.contains(
        QStringLiteral("Regular Time:       .00 hours @      $15.00 =        $0.00")));
}

void TestReportText::payPeriod_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<bool>("valid");
    // Every whole number of weeks, and a day less and a day more.
    for (int weeks = 1; weeks <= 4; ++weeks) {
        for (int days : {7 * weeks - 1, 7 * weeks, 7 * weeks + 1})
            QTest::addRow("%d days", days) << days << (days == 7 * weeks);
    }
    for (int days : {1, 0, 35, -6})
        QTest::addRow("%d days", days) << days << false;
}

void TestReportText::payPeriod()
{
    QFETCH(int, days);
    QFETCH(bool, valid);
    const QDate from(2009, 11, 2);
    QCOMPARE(IsValidPayPeriod(from, from.addDays(days - 1)), valid);
}

void TestReportText::invalidPayPeriod_failsWithItsMessage()
{
    TempProgramDir dir;
    SingleReportInput in = sampleInput(SingleReportStyle::DailyHours);
    in.options.to = QDate(2009, 11, 9);
    const auto single = CreateSingleReport(in);
    MultipleReportInput multiple;
    multiple.options = in.options;
    const auto several = CreateMultipleReport(multiple);
    for (const Result<ReportTexts>& report : {single, several}) {
        QVERIFY(!report);
        QCOMPARE(report.message(),
                 QStringLiteral("You may only select a 1, 2, 3 or 4 week pay period"));
    }
}

void TestReportText::shiftReport_listsOnlyThatShift()
{
    TempProgramDir dir;
    MultipleReportInput in;
    in.employees = {employee("Ann", {}, "10", "15", "3"), employee("Bob", {}, "10", "15", "1"),
                    employee("Cy", {}, "10", "15", "3")};
    in.shift = 3;
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    const auto texts = CreateMultipleReport(in);
    QVERIFY(texts);
    QVERIFY(texts->ReportHeader.startsWith(
        QStringLiteral("Payroll report for:     Shift 3 Employees\r\n")));
    QVERIFY(texts->ReportDetail.startsWith(QStringLiteral("Ann   ")));
    QVERIFY(texts->ReportDetail.contains(QStringLiteral("\r\nCy   ")));
    QVERIFY(!texts->ReportDetail.contains(QStringLiteral("Bob")));
    QVERIFY(IsSelectedForShift(in.employees.at(1), 0));
    QCOMPARE(ShiftSelectionText(0), QStringLiteral("All Employees"));
}

void TestReportText::shiftWithoutEmployees_failsWithItsMessage()
{
    TempProgramDir dir;
    MultipleReportInput in;
    in.employees = {employee("Ann", {}, "10", "15", "3")};
    in.shift = 4;
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    const auto report = CreateMultipleReport(in);
    QVERIFY(!report);
    QCOMPARE(report.message(), QStringLiteral("There are no employees for this shift"));
    in.employees.clear();
    in.shift = 0;
    QVERIFY(CreateMultipleReport(in)); // all employees: always a report
}

void TestReportText::blankNames_areLeftOut()
{
    TempProgramDir dir;
    MultipleReportInput in;
    in.employees = {employee("  ", {}, "10", "15", "1"), employee("Ann", {}, "10", "15", "1")};
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    const auto texts = CreateMultipleReport(in);
    QVERIFY(texts);
    QVERIFY(texts->ReportDetail.startsWith(QStringLiteral("Ann   ")));
    QCOMPARE(texts->ReportDetail.count(QStringLiteral("Reg: ")), 1);
}

void TestReportText::manyEmployees_haveNoLimit()
{
    TempProgramDir dir;
    MultipleReportInput in;
    for (int i = 0; i < 400; ++i)
        in.employees.append(employee(QStringLiteral("Employee %1").arg(i), {}, "10", "15"));
    dir.write(QStringLiteral("Employee 399.txt"),
              pair("11/02/2009", "08:00", "11/02/2009", "10:00"));
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    const auto texts = CreateMultipleReport(in);
    QVERIFY(texts);
    QCOMPARE(texts->ReportDetail.count(QStringLiteral("Reg: ")), 400);
    QVERIFY(texts->ReportDetail.contains(QStringLiteral("Employee 399              2.00")));
}

void TestReportText::unreadableTimeFile_failsNamingTheFile_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<int>("error");
    QTest::newRow("read EIO") << QByteArray("read") << EIO;
    // Only a missing time file is an empty one: a file that cannot be opened pays nothing.
    QTest::newRow("open EACCES") << QByteArray("open") << EACCES;
    QTest::newRow("open EIO") << QByteArray("open") << EIO;
}

void TestReportText::unreadableTimeFile_failsNamingTheFile()
{
    QFETCH(QByteArray, call);
    QFETCH(int, error);
    TempProgramDir dir;
    dir.write(QStringLiteral("Sample Employee.txt"), sampleWeek());
    FileStore::setFaultHook([&](const char* c, const QString&) { return call == c ? error : 0; });
    const auto single = CreateSingleReport(sampleInput(SingleReportStyle::DailyHours));
    MultipleReportInput in;
    in.employees = {sampleInput(SingleReportStyle::DailyHours).employee};
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    const auto multiple = CreateMultipleReport(in);
    FileStore::setFaultHook({});
    for (const Result<ReportTexts>& report : {single, multiple}) {
        QVERIFY(!report);
        QVERIFY(report.message().contains(dir.path(QStringLiteral("Sample Employee.txt"))));
    }
}

void TestReportText::timeFileOfOtherLines_makesNoReport_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("made");
    QByteArray lf = sampleWeek();
    lf.replace("\r\n", "\n");
    QTest::newRow("LF line ends") << lf << false;
    QTest::newRow("a stray byte at the end") << sampleWeek() + "x" << false;
    // A punch that a crash cut short is left for the next punch to replace, as the station does.
    QTest::newRow("a torn last punch") << sampleWeek() + "IN    11/0" << true;
}

void TestReportText::timeFileOfOtherLines_makesNoReport()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, made);
    TempProgramDir dir;
    dir.write(QStringLiteral("Sample Employee.txt"), bytes);
    const auto single = CreateSingleReport(sampleInput(SingleReportStyle::DailyHours));
    MultipleReportInput in;
    in.employees = {sampleInput(SingleReportStyle::DailyHours).employee};
    in.options = optionsFor(QDate(2009, 11, 2), QDate(2009, 11, 8));
    const auto multiple = CreateMultipleReport(in);
    for (const Result<ReportTexts>& report : {single, multiple}) {
        QCOMPARE(bool(report), made);
        if (!made)
            QVERIFY(report.message().contains(dir.path(QStringLiteral("Sample Employee.txt"))));
    }
}

QTEST_GUILESS_MAIN(TestReportText)
#include "tst_reporttext.moc"
