// Saving reports as CSV and PDF files, from the report window and from horodex-report.
#include "PdfProbe.h"
#include "SampleReport.h"
#include "testsupport/TestSupport.h"

#include "app/ProgramState.h"
#include "cli/ReportRequest.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "platform/Printers.h"
#include "reports/PrintRichText.h"
#include "reports/ReportExport.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "reports/text/MultipleReportText.h"
#include "reports/text/ReportCsv.h"
#include "reports/text/SingleReportText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QtTest>

namespace {

// No printer here: saved PDF files take the region's paper.
class NoPrinters final : public PrinterSystem
{
public:
    QStringList InstalledPrinters() override { return {}; }
    QString DefaultPrinter() override { return {}; }
    bool ShowProperties(const QString&, QWidget*) override { return false; }
    std::unique_ptr<QPrinter> NewJob(const QString&) override
    {
        return std::make_unique<QPrinter>();
    }
};

QByteArray golden(const QString& name)
{
    QFile file(qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR") + QStringLiteral("/tests/golden/") +
               name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing golden file");
}

// The rows of a CSV file as Python's csv module reads them.
QList<QStringList> readWithPythonCsv(const QString& path)
{
    const QString script =
        QStringLiteral("import csv, json, sys\n"
                       "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                       "    print(json.dumps(list(csv.reader(f, strict=True))))\n");
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    QList<QStringList> rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue& field : row.toArray())
            fields.append(field.toString());
        rows.append(fields);
    }
    return rows;
}

// "$1,234.50" or ".50" as the CSV writes it: "1234.50", "0.50".
QString asCsvNumber(QString shown)
{
    shown.remove(u'$').remove(u',');
    return shown.startsWith(u'.') ? u'0' + shown : shown;
}

struct ProgramRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ProgramRun runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString reportProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-report");
}

EmployeeRecord employee(const QString& name, const QString& shift, const QString& regular,
                        const QString& overtime, const QString& ssn)
{
    EmployeeRecord r = sampleEmployee(name, QStringLiteral("1234"), shift, regular, overtime);
    r.SSN = ssn;
    return r;
}

QByteArray pairs(std::initializer_list<std::array<const char*, 4>> list)
{
    QByteArray bytes;
    for (const auto& p : list)
        bytes += SampleReport::punchPair(p[0], p[1], p[2], p[3]);
    return bytes;
}

// The two worked examples in one data directory: Sample Employee's week of November 2009, and
// A. Sample and B. Example over two weeks of March 2008, B. with a day of 26.5 hours.
void writeWorkedExamples(const TempProgramDir& dir)
{
    GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret"));
    GlobalOptions().setCompany(QStringLiteral("Horodex Bakery"));
    GlobalOptions().setAddress(QStringLiteral("1 Main Street\r\nSpringfield"));
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    QVERIFY(EnsureEmployeeListFile());
    for (const EmployeeRecord& r :
         {employee(QStringLiteral("Sample Employee"), QStringLiteral("1"), QStringLiteral("15.00"),
                   QStringLiteral("22.50"), QStringLiteral("123-45-6789")),
          employee(QStringLiteral("A. Sample"), QStringLiteral("1"), QStringLiteral("8.00"),
                   QStringLiteral("12.00"), QStringLiteral("000-00-0000")),
          employee(QStringLiteral("B. Example"), QStringLiteral("2"), QStringLiteral("10.50"),
                   QStringLiteral("15.75"), QStringLiteral("000-00-0000"))})
        QVERIFY(AppendEmployee(r));
    dir.write(QStringLiteral("Sample Employee.txt"), SampleReport::weekOfPunches());
    QByteArray a;
    for (const char* day : {"03/03/2008", "03/04/2008", "03/05/2008", "03/06/2008", "03/07/2008"})
        a += SampleReport::punchPair(day, "08:00", day, "16:30");
    dir.write(QStringLiteral("A. Sample.txt"), a);
    dir.write(QStringLiteral("B. Example.txt"),
              pairs({{"03/10/2008", "06:00", "03/11/2008", "08:30"},
                     {"03/12/2008", "08:00", "03/12/2008", "20:00"}}));
}

ReportOptions options(QDate from, QDate to, bool ssn)
{
    ReportOptions o;
    o.from = from;
    o.to = to;
    o.includeSsn = ssn;
    return o;
}

ReportTexts singleReport(SingleReportStyle style, bool ssn)
{
    EmployeeRecord record;
    FindEmployee(QStringLiteral("Sample Employee"), &record);
    return *CreateSingleReport(
        SingleReportInput{QStringLiteral("Sample Employee"), record, style,
                          options(QDate(2009, 11, 2), QDate(2009, 11, 8), ssn)});
}

ReportTexts multipleReport()
{
    EmployeeList list;
    ReadEmployeeList(&list);
    return *CreateMultipleReport(
        MultipleReportInput{list.records, 0, options(QDate(2008, 3, 3), QDate(2008, 3, 16), true)});
}

// Presses create and hands back the text of the report window that opens.
QString textOfReportWindow(QPushButton* create)
{
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* report = qobject_cast<frmReport*>(QApplication::activeModalWidget())) {
            shown = report->ShownText();
            report->cmdCloseReport->click();
        }
    });
    create->click();
    QCoreApplication::processEvents();
    return shown;
}

// What the report windows show for the choices that horodex-report is given as arguments.
QString windowText(const QStringList& arguments)
{
    const ParsedRequest parsed = ParseReportArguments(arguments);
    if (!parsed.request)
        return parsed.error;
    const ReportRequest& q = *parsed.request;
    std::unique_ptr<QDialog> window;
    if (q.kind == ReportRequest::Kind::Single) {
        State().SelectedEmployee = q.name;
        auto single = std::make_unique<frmSingleReport>();
        single->optAllTimeEntries->setChecked(q.timeCard);
        window = std::move(single);
    } else {
        auto multiple = std::make_unique<frmMultipleReportSelect>();
        multiple->cboSelectedEmployees->setCurrentIndex(q.shift);
        window = std::move(multiple);
    }
    window->findChild<QDateEdit*>(QStringLiteral("DatePickerFrom"))->setDate(q.from);
    window->findChild<QDateEdit*>(QStringLiteral("DatePickerTo"))->setDate(q.to);
    window->findChild<QCheckBox*>(QStringLiteral("chkIncludeSSN"))->setChecked(q.includeSsn);
    window->findChild<QCheckBox*>(QStringLiteral("chkIncludeAddress"))
        ->setChecked(q.includeAddress);
    return textOfReportWindow(window->findChild<QPushButton*>(QStringLiteral("cmdCreate")));
}

} // namespace

class tst_export : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // CSV
    void csvField_quotesOnlyWhatNeedsIt_data();
    void csvField_quotesOnlyWhatNeedsIt();
    void csvNumber_hasDotAndTwoDecimals_data();
    void csvNumber_hasDotAndTwoDecimals();
    void singleReportCsv_matchesGoldenFile();
    void timeCardCsv_writesPayrollAndPunchesFiles();
    void multipleReportCsv_matchesGoldenFile();
    void csv_isTheSameInEveryLocale();
    void csvReadByPython_givesTheNumbersOfTheSingleReport();
    void csvReadByPython_givesTheNumbersOfTheMultipleReport();
    void csvReadByPython_keepsCommasQuotesAndLineBreaks();
    void punchesPath_sitsBesideThePayrollFile_data();
    void punchesPath_sitsBesideThePayrollFile();

    // PDF
    void pdf_textIsTheReportText();
    void pdf_pagesBreakAsThePrintedReport();
    void regionalPaper_letterInTheUnitedStatesA4Elsewhere();

    // The report window
    void saveAs_buttonStandsBesidePrint();
    void saveAs_pdfHoldsTheShownText();
    void saveAs_csvOfTimeCard_followsTheShownDatesAndTimes();
    void saveAs_nameWithoutSuffix_takesTheFilterSuffix_data();
    void saveAs_nameWithoutSuffix_takesTheFilterSuffix();
    void saveAs_cancelled_writesNothing();
    void saveAs_failure_showsMessageNamingTheFile();

    // horodex-report
    void arguments_data();
    void arguments();
    void program_textIsTheWindowText_data();
    void program_textIsTheWindowText();
    void program_csvAndPdfFormats();
    void program_timeCardCsv_writesTwoFiles();
    void program_badInput_givesOneLineAndNoOutput_data();
    void program_badInput_givesOneLineAndNoOutput();
    void program_withoutData_readsDataBesideTheProgram();
    void program_help_printsUsage();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    NoPrinters m_printers;
};

void tst_export::init()
{
    m_dir = std::make_unique<TempProgramDir>();
    writeWorkedExamples(*m_dir);
    SetPrinterSystemForTesting(&m_printers);
    ResetCurrentPrinterForTesting();
}

void tst_export::cleanup()
{
    SetReportFileAskerForTesting({});
    SetPrinterSystemForTesting(nullptr);
    ResetCurrentPrinterForTesting();
    m_dir.reset();
}

void tst_export::csvField_quotesOnlyWhatNeedsIt_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "A. Sample"
                           << "A. Sample";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("comma") << "Smith, John"
                           << "\"Smith, John\"";
    QTest::newRow("quote") << "The \"Boss\""
                           << "\"The \"\"Boss\"\"\"";
    QTest::newRow("line feed") << "a\nb"
                               << "\"a\nb\"";
    QTest::newRow("carriage return") << "a\rb"
                                     << "\"a\rb\"";
    QTest::newRow("accent") << "Zoë Müller"
                            << "Zoë Müller";
}

void tst_export::csvField_quotesOnlyWhatNeedsIt()
{
    QFETCH(QString, value);
    QFETCH(QString, field);
    QCOMPARE(ReportCsv::Field(value), field);
}

void tst_export::csvNumber_hasDotAndTwoDecimals_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0f << "0.00";
    QTest::newRow("negative zero") << -0.0f << "0.00";
    QTest::newRow("tiny negative") << -0.001f << "0.00";
    QTest::newRow("half") << 0.5f << "0.50";
    QTest::newRow("thousands") << 1234.5f << "1234.50";
    QTest::newRow("two decimals") << 7.8666667f << "7.87";
    QTest::newRow("negative") << -1.25f << "-1.25";
}

void tst_export::csvNumber_hasDotAndTwoDecimals()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(ReportCsv::Number(value), text);
}

void tst_export::singleReportCsv_matchesGoldenFile()
{
    const ReportTexts report = singleReport(SingleReportStyle::DailyHours, true);
    QCOMPARE(ReportCsv::Payroll(report.Figures), golden(QStringLiteral("single.csv")));
    // Without the SSN on the report, the file has no SSN column.
    const ReportTexts withoutSsn = singleReport(SingleReportStyle::DailyHours, false);
    QVERIFY(!ReportCsv::Payroll(withoutSsn.Figures).contains("SSN"));
    QVERIFY(!ReportCsv::Payroll(withoutSsn.Figures).contains("123-45-6789"));
}

void tst_export::timeCardCsv_writesPayrollAndPunchesFiles()
{
    const ReportTexts report = singleReport(SingleReportStyle::TimeCard, true);
    const QString path = m_dir->programDir() + QStringLiteral("/payroll.csv");
    QVERIFY(ReportCsv::Save(report.Figures, path, true));
    QFile payroll(path);
    QFile punches(m_dir->programDir() + QStringLiteral("/payroll-punches.csv"));
    QVERIFY(payroll.open(QIODevice::ReadOnly) && punches.open(QIODevice::ReadOnly));
    QCOMPARE(payroll.readAll(), golden(QStringLiteral("single.csv")));
    QCOMPARE(punches.readAll(), golden(QStringLiteral("single-punches.csv")));
}

void tst_export::multipleReportCsv_matchesGoldenFile()
{
    QCOMPARE(ReportCsv::Payroll(multipleReport().Figures), golden(QStringLiteral("multiple.csv")));
}

void tst_export::csv_isTheSameInEveryLocale()
{
    const QByteArray american = ReportCsv::Payroll(multipleReport().Figures);
    Environment::setRegionalLocaleForTesting(QLocale(QLocale::German, QLocale::Germany));
    const ReportTexts german = multipleReport();
    QVERIFY(german.fullText().contains(QStringLiteral("350,00")));
    QCOMPARE(ReportCsv::Payroll(german.Figures), american);
}

void tst_export::csvReadByPython_givesTheNumbersOfTheSingleReport()
{
    const ReportTexts report = singleReport(SingleReportStyle::DailyHours, true);
    const QString path = m_dir->programDir() + QStringLiteral("/single.csv");
    QVERIFY(ReportCsv::Save(report.Figures, path, false));
    const QList<QStringList> rows = readWithPythonCsv(path);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).size(), rows.at(1).size());
    QHash<QString, QString> row;
    for (qsizetype i = 0; i < rows.at(0).size(); ++i)
        row.insert(rows.at(0).at(i), rows.at(1).at(i));

    const QString text = report.fullText();
    const QRegularExpression pay(QStringLiteral("^(Regular Time|Over Time): +([\\d.]+) hours @ +"
                                                "(\\S+) = "),
                                 QRegularExpression::MultilineOption);
    QStringList hours;
    QStringList rates;
    for (const QRegularExpressionMatch& m : pay.globalMatch(text)) {
        hours.append(asCsvNumber(m.captured(2)));
        rates.append(asCsvNumber(m.captured(3)));
    }
    QCOMPARE(hours, (QStringList{row["Regular Hours"], row["Overtime Hours"]}));
    QCOMPARE(rates, (QStringList{row["Regular Rate"], row["Overtime Rate"]}));
    const QRegularExpressionMatch gross =
        QRegularExpression(QStringLiteral("Gross Earnings: +(\\S+)")).match(text);
    QCOMPARE(asCsvNumber(gross.captured(1)), row["Gross Earnings"]);
    QCOMPARE(row["Employee Name"], QStringLiteral("Sample Employee"));
    QCOMPARE(row["SSN"], QStringLiteral("123-45-6789"));
    QCOMPARE(row["Period Start"], QStringLiteral("2009-11-02"));
    QCOMPARE(row["Period End"], QStringLiteral("2009-11-08"));
    QCOMPARE(row["Day Over 24 Hours"], QStringLiteral("0"));
}

void tst_export::csvReadByPython_givesTheNumbersOfTheMultipleReport()
{
    const ReportTexts report = multipleReport();
    const QString path = m_dir->programDir() + QStringLiteral("/multiple.csv");
    QVERIFY(ReportCsv::Save(report.Figures, path, false));
    const QList<QStringList> rows = readWithPythonCsv(path);
    QCOMPARE(rows.size(), 4); // Sample Employee did not work in March
    const QStringList head = rows.constFirst();

    // "B. Example               38.50        .00         $404.25 ***", then "Reg:  $10.50" and
    // "OT:  $15.75".
    const QRegularExpression block(
        QStringLiteral("^(.{18}) +([\\d.]+) +([\\d.]+) +(\\S+)( \\*\\*\\*)?\\r\\nReg: +(\\S+)\\r\\n"
                       "OT: +(\\S+)\\r\\n"),
        QRegularExpression::MultilineOption);
    int n = 0;
    for (const QRegularExpressionMatch& m : block.globalMatch(report.ReportDetail)) {
        ++n;
        QVERIFY(n < rows.size());
        const QStringList& row = rows.at(n);
        QCOMPARE(row.size(), head.size());
        auto field = [&](const char* name) { return row.at(head.indexOf(QLatin1String(name))); };
        QCOMPARE(field("Employee Name"), m.captured(1).trimmed());
        QCOMPARE(field("Regular Hours"), asCsvNumber(m.captured(2)));
        QCOMPARE(field("Overtime Hours"), asCsvNumber(m.captured(3)));
        QCOMPARE(field("Gross Earnings"), asCsvNumber(m.captured(4)));
        QCOMPARE(field("Day Over 24 Hours"),
                 m.captured(5).isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
        QCOMPARE(field("Regular Rate"), asCsvNumber(m.captured(6)));
        QCOMPARE(field("Overtime Rate"), asCsvNumber(m.captured(7)));
    }
    QCOMPARE(n, 3);
}

void tst_export::csvReadByPython_keepsCommasQuotesAndLineBreaks()
{
    ReportFigures figures;
    figures.from = QDate(2009, 11, 2);
    figures.to = QDate(2009, 11, 8);
    figures.includeSsn = true;
    const QStringList names{QStringLiteral("Smith, John"), QStringLiteral("The \"Boss\""),
                            QStringLiteral("Two\r\nLines"), QStringLiteral("Zoë Müller")};
    for (const QString& name : names)
        figures.employees.append(
            EmployeeFigures{name, QStringLiteral("1,2"), 1, 40, 2.5f, 15, 22.5f, 656.25f, false});
    const QString path = m_dir->programDir() + QStringLiteral("/names.csv");
    QVERIFY(ReportCsv::Save(figures, path, false));
    const QList<QStringList> rows = readWithPythonCsv(path);
    QCOMPARE(rows.size(), names.size() + 1);
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(rows.at(i + 1).at(0), names.at(i));
        QCOMPARE(rows.at(i + 1).at(1), QStringLiteral("1,2"));
        QCOMPARE(rows.at(i + 1).at(9), QStringLiteral("656.25"));
        QCOMPARE(rows.at(i + 1).at(10), QStringLiteral("0"));
    }
}

void tst_export::punchesPath_sitsBesideThePayrollFile_data()
{
    QTest::addColumn<QString>("payroll");
    QTest::addColumn<QString>("punches");
    QTest::newRow("csv") << "/tmp/pay.csv"
                         << "/tmp/pay-punches.csv";
    QTest::newRow("no suffix") << "/tmp/pay"
                               << "/tmp/pay-punches.csv";
    QTest::newRow("dotted folder") << "/tmp/a.b/pay"
                                   << "/tmp/a.b/pay-punches.csv";
    QTest::newRow("two dots") << "/tmp/pay.2009.csv"
                              << "/tmp/pay.2009-punches.csv";
}

void tst_export::punchesPath_sitsBesideThePayrollFile()
{
    QFETCH(QString, payroll);
    QFETCH(QString, punches);
    QCOMPARE(ReportCsv::PunchesPath(payroll), punches);
}

void tst_export::pdf_textIsTheReportText()
{
    for (const ReportTexts& report : {singleReport(SingleReportStyle::DailyHours, true),
                                      singleReport(SingleReportStyle::TimeCard, false)}) {
        const QString pdf = m_dir->programDir() + QStringLiteral("/report.pdf");
        QVERIFY(SaveReportPdf(pdf, report.fullText(), QPageSize(QPageSize::Letter)));
        QCOMPARE(PdfProbe::pageCount(pdf), 1);
        QCOMPARE(PdfProbe::marginLines(pdf), PdfProbe::paperLines(report.fullText()));
    }
}

void tst_export::pdf_pagesBreakAsThePrintedReport()
{
    QString text;
    for (int i = 1; i <= 130; ++i)
        text +=
            QStringLiteral("Line %1 of the detail, a whole line\r\n").arg(i, 3, 10, QChar(u'0'));
    for (const QPageSize::PageSizeId paper : {QPageSize::Letter, QPageSize::A4}) {
        const QString saved = m_dir->programDir() + QStringLiteral("/saved.pdf");
        QVERIFY(SaveReportPdf(saved, text, QPageSize(paper)));
        const QString printed = m_dir->programDir() + QStringLiteral("/printed.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(paper));
        printer.setOutputFileName(printed);
        QString lines = text;
        QVERIFY(PrintTextPages(printer, lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                               ReportFont(), PrintMargins{}));
        const int pages = PdfProbe::pageCount(printed);
        QVERIFY(pages >= 3);
        QCOMPARE(PdfProbe::pageCount(saved), pages);
        for (int page = 1; page <= pages; ++page)
            QCOMPARE(PdfProbe::marginLines(saved, page, page),
                     PdfProbe::marginLines(printed, page, page));
    }
}

void tst_export::regionalPaper_letterInTheUnitedStatesA4Elsewhere()
{
    QCOMPARE(RegionalPaper(QLocale(QLocale::English, QLocale::UnitedStates)).id(),
             QPageSize::Letter);
    QCOMPARE(RegionalPaper(QLocale(QLocale::German, QLocale::Germany)).id(), QPageSize::A4);
    QCOMPARE(RegionalPaper(QLocale(QLocale::English, QLocale::UnitedKingdom)).id(), QPageSize::A4);
}

void tst_export::saveAs_buttonStandsBesidePrint()
{
    frmReport window(singleReport(SingleReportStyle::DailyHours, false));
    QCOMPARE(window.cmdSaveAs->text(), QStringLiteral("Save As ..."));
    QCOMPARE(window.cmdSaveAs->y(), window.cmdPrint->y());
    QCOMPARE(window.cmdSaveAs->height(), window.cmdPrint->height());
    QVERIFY(window.cmdSaveAs->geometry().right() < window.cmdPrint->x());
    QVERIFY(window.cmdPrint->x() - window.cmdSaveAs->geometry().right() < 20);
}

void tst_export::saveAs_pdfHoldsTheShownText()
{
    const ReportTexts report = singleReport(SingleReportStyle::DailyHours, false);
    frmReport window(report);
    const QString path = m_dir->programDir() + QStringLiteral("/shown.pdf");
    QWidget* askedOver = nullptr;
    SetReportFileAskerForTesting([&](QWidget* parent, QString* filter) {
        askedOver = parent;
        *filter = PdfFilter;
        return path;
    });
    MessageRecorder recorder;
    window.cmdSaveAs->click();
    QCOMPARE(askedOver, &window);
    QCOMPARE(PdfProbe::marginLines(path), PdfProbe::paperLines(report.fullText()));
    // Without the dates and times, the file holds what the window then shows.
    window.chkIncludeDatesTimes->click();
    window.cmdSaveAs->click();
    QCOMPARE(PdfProbe::marginLines(path), PdfProbe::paperLines(report.shortText()));
    QVERIFY(recorder.messages.isEmpty());
}

void tst_export::saveAs_csvOfTimeCard_followsTheShownDatesAndTimes()
{
    frmReport window(singleReport(SingleReportStyle::TimeCard, true));
    const QString folder = m_dir->programDir();
    SetReportFileAskerForTesting([&](QWidget*, QString* filter) {
        *filter = CsvFilter;
        return folder + QStringLiteral("/card");
    });
    window.cmdSaveAs->click();
    QFile payroll(folder + QStringLiteral("/card.csv"));
    QFile punches(folder + QStringLiteral("/card-punches.csv"));
    QVERIFY(payroll.open(QIODevice::ReadOnly) && punches.open(QIODevice::ReadOnly));
    QCOMPARE(payroll.readAll(), golden(QStringLiteral("single.csv")));
    QCOMPARE(punches.readAll(), golden(QStringLiteral("single-punches.csv")));
    punches.remove();

    window.chkIncludeDatesTimes->click();
    window.cmdSaveAs->click();
    QVERIFY(QFile::exists(folder + QStringLiteral("/card.csv")));
    QVERIFY(!QFile::exists(folder + QStringLiteral("/card-punches.csv")));
}

void tst_export::saveAs_nameWithoutSuffix_takesTheFilterSuffix_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("pdf");
    QTest::newRow("pdf name") << "/r/pay.pdf" << PdfFilter << "/r/pay.pdf" << true;
    QTest::newRow("csv name, pdf filter") << "/r/pay.csv" << PdfFilter << "/r/pay.csv" << false;
    QTest::newRow("upper case") << "/r/PAY.PDF" << CsvFilter << "/r/PAY.PDF" << true;
    QTest::newRow("bare, csv filter") << "/r/pay" << CsvFilter << "/r/pay.csv" << false;
    QTest::newRow("bare, pdf filter") << "/r/pay" << PdfFilter << "/r/pay.pdf" << true;
    QTest::newRow("other suffix") << "/r/pay.txt" << CsvFilter << "/r/pay.txt.csv" << false;
}

void tst_export::saveAs_nameWithoutSuffix_takesTheFilterSuffix()
{
    QFETCH(QString, chosen);
    QFETCH(QString, filter);
    QFETCH(QString, path);
    QFETCH(bool, pdf);
    const ReportFile file = ReportFileFor(chosen, filter);
    QCOMPARE(file.path, path);
    QCOMPARE(file.format == ReportFile::Format::Pdf, pdf);
}

void tst_export::saveAs_cancelled_writesNothing()
{
    frmReport window(multipleReport());
    SetReportFileAskerForTesting([](QWidget*, QString*) { return QString(); });
    MessageRecorder recorder;
    const QStringList before = QDir(m_dir->programDir()).entryList(QDir::Files);
    window.cmdSaveAs->click();
    QCOMPARE(QDir(m_dir->programDir()).entryList(QDir::Files), before);
    QVERIFY(recorder.messages.isEmpty());
}

void tst_export::saveAs_failure_showsMessageNamingTheFile()
{
    frmReport window(multipleReport());
    const QString path = m_dir->programDir() + QStringLiteral("/no such folder/report.csv");
    for (const QString& filter : {CsvFilter, PdfFilter}) {
        const QString chosen = filter == CsvFilter ? path : path.chopped(4) + ".pdf";
        SetReportFileAskerForTesting([&](QWidget*, QString* f) {
            *f = filter;
            return chosen;
        });
        MessageRecorder recorder;
        window.cmdSaveAs->click();
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::Warning);
        QVERIFY2(recorder.messages.constFirst().text.contains(QStringLiteral("no such folder")),
                 qPrintable(recorder.messages.constFirst().text));
        QVERIFY(!QFile::exists(chosen));
    }
}

void tst_export::arguments_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("error"); // empty: accepted
    const QString period = QStringLiteral(" --from 2009-11-02 --to 2009-11-08");
    QTest::newRow("single") << "single Ann" + period << "";
    QTest::newRow("single, every option")
        << "single Ann" + period +
               " --time-card --ssn --address --format pdf --output a.pdf --data d"
        << "";
    QTest::newRow("values after =") << "multiple --from=2009-11-02 --to=2009-11-08 --shift=3"
                                    << "";
    QTest::newRow("help") << "--help"
                          << "";
    QTest::newRow("nothing") << ""
                             << "name the report";
    QTest::newRow("unknown report") << "weekly" + period << "unknown report \"weekly\"";
    QTest::newRow("unknown option") << "multiple --fast" + period << "unknown option \"--fast\"";
    QTest::newRow("no name") << "single" + period << "needs the employee's name";
    QTest::newRow("two names") << "single Ann Bob" + period << "unexpected argument \"Bob\"";
    QTest::newRow("no from") << "multiple --to 2009-11-08"
                             << "--from is needed";
    QTest::newRow("no to") << "multiple --from 2009-11-08"
                           << "--to is needed";
    QTest::newRow("value missing") << "multiple --to 2009-11-08 --from"
                                   << "--from needs a value";
    QTest::newRow("bad date") << "multiple --from 11/02/2009 --to 2009-11-08"
                              << "--from needs a date as YYYY-MM-DD, not \"11/02/2009\"";
    QTest::newRow("no such day") << "multiple --from 2009-02-30 --to 2009-11-08"
                                 << "not \"2009-02-30\"";
    QTest::newRow("shift 0") << "multiple --shift 0" + period << "shift from 1 to 9";
    QTest::newRow("shift 10") << "multiple --shift 10" + period << "shift from 1 to 9";
    QTest::newRow("shift of single") << "single Ann --shift 2" + period << "--shift belongs";
    QTest::newRow("time card of multiple")
        << "multiple --time-card" + period << "--time-card belongs";
    QTest::newRow("format") << "multiple --format html" + period << "text, csv or pdf";
    QTest::newRow("flag with value") << "multiple --ssn=yes" + period << "--ssn takes no value";
    QTest::newRow("time card csv to standard output")
        << "single Ann --time-card --format csv" + period << "--output FILE";
}

void tst_export::arguments()
{
    QFETCH(QString, line);
    QFETCH(QString, error);
    const ParsedRequest parsed = ParseReportArguments(line.split(u' ', Qt::SkipEmptyParts));
    QCOMPARE(parsed.request.has_value(), error.isEmpty());
    QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
}

void tst_export::program_textIsTheWindowText_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QStringList november{QStringLiteral("--from"), QStringLiteral("2009-11-02"),
                               QStringLiteral("--to"), QStringLiteral("2009-11-08")};
    const QStringList march{QStringLiteral("--from"), QStringLiteral("2008-03-03"),
                            QStringLiteral("--to"), QStringLiteral("2008-03-16")};
    const QString name = QStringLiteral("Sample Employee");
    QTest::newRow("single, daily hours") << QStringList{"single", name} + november;
    QTest::newRow("single, time card, SSN, address")
        << QStringList{"single", name, "--time-card", "--ssn", "--address"} + november;
    QTest::newRow("multiple, SSN") << QStringList{"multiple", "--ssn"} + march;
    QTest::newRow("multiple, shift 2, address")
        << QStringList{"multiple", "--shift", "2", "--address"} + march;
}

void tst_export::program_textIsTheWindowText()
{
    QFETCH(QStringList, arguments);
    const QString shown = windowText(arguments);
    QVERIFY(shown.contains(QStringLiteral("Payroll period:")));
    const ProgramRun run =
        runProgram(reportProgram(), arguments + QStringList{"--data", m_dir->dataDir()});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, shown.toUtf8());
}

void tst_export::program_csvAndPdfFormats()
{
    const QStringList march{"multiple", "--ssn",      "--from", "2008-03-03",
                            "--to",     "2008-03-16", "--data", m_dir->dataDir()};
    const ProgramRun csv = runProgram(reportProgram(), march + QStringList{"--format", "csv"});
    QCOMPARE(csv.status, 0);
    QCOMPARE(csv.out, golden(QStringLiteral("multiple.csv")));

    const QString pdf = m_dir->programDir() + QStringLiteral("/multiple.pdf");
    const ProgramRun run =
        runProgram(reportProgram(), march + QStringList{"--format", "pdf", "--output", pdf});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.isEmpty());
    // The attention note wraps at the right margin: compare the lines above it.
    const QStringList expected = PdfProbe::paperLines(multipleReport().fullText());
    const QStringList printed = PdfProbe::marginLines(pdf);
    QCOMPARE(printed.mid(0, expected.size() - 1), expected.mid(0, expected.size() - 1));
    QCOMPARE(printed.mid(expected.size() - 1).join(u' ').simplified(), expected.constLast());

    const QString text = m_dir->programDir() + QStringLiteral("/multiple.txt");
    QCOMPARE(runProgram(reportProgram(), march + QStringList{"--output", text}).status, 0);
    QFile file(text);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), multipleReport().fullText().toUtf8());
}

void tst_export::program_timeCardCsv_writesTwoFiles()
{
    const QString path = m_dir->programDir() + QStringLiteral("/card.csv");
    const ProgramRun run =
        runProgram(reportProgram(), {"single", "Sample Employee", "--time-card", "--ssn", "--from",
                                     "2009-11-02", "--to", "2009-11-08", "--format", "csv",
                                     "--output", path, "--data", m_dir->dataDir()});
    QCOMPARE(run.status, 0);
    QFile payroll(path);
    QFile punches(m_dir->programDir() + QStringLiteral("/card-punches.csv"));
    QVERIFY(payroll.open(QIODevice::ReadOnly) && punches.open(QIODevice::ReadOnly));
    QCOMPARE(payroll.readAll(), golden(QStringLiteral("single.csv")));
    QCOMPARE(punches.readAll(), golden(QStringLiteral("single-punches.csv")));
}

void tst_export::program_badInput_givesOneLineAndNoOutput_data()
{
    QTest::addColumn<QString>("damage"); // what is done to the data directory first
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QStringList week{"--from", "2009-11-02", "--to", "2009-11-08"};
    const QStringList single{"single", "Sample Employee"};
    QTest::newRow("unknown employee")
        << "" << QStringList{"single", "Sample"} + week << "no employee named \"Sample\"";
    QTest::newRow("name matched exactly") << "" << QStringList{"single", "sample employee"} + week
                                          << "no employee named \"sample employee\"";
    QTest::newRow("eight days") << ""
                                << single +
                                       QStringList{"--from", "2009-11-02", "--to", "2009-11-09"}
                                << "You may only select a 1, 2, 3 or 4 week pay period";
    QTest::newRow("end before start")
        << "" << QStringList{"multiple", "--from", "2009-11-08", "--to", "2009-11-02"}
        << "You may only select a 1, 2, 3 or 4 week pay period";
    QTest::newRow("date that does not parse")
        << "" << single + QStringList{"--from", "2009-11-32", "--to", "2009-11-08"}
        << "--from needs a date as YYYY-MM-DD, not \"2009-11-32\"";
    QTest::newRow("unknown option")
        << "" << single + week + QStringList{"--weekly"} << "unknown option \"--weekly\"";
    QTest::newRow("shift without employees") << "" << QStringList{"multiple", "--shift", "5"} + week
                                             << "There are no employees for this shift";
    QTest::newRow("no settings file") << "no settings" << single + week << "options.ini";
    QTest::newRow("damaged settings file")
        << "short settings" << single + week << "is damaged: it holds 10 bytes instead of 229";
    QTest::newRow("unreadable employee file") << "employee folder" << single + week << "names.nms";
    QTest::newRow("damaged employee file")
        << "employee garbage" << QStringList{"multiple"} + week << "lines that cannot be read";
    QTest::newRow("unreadable time file")
        << "time file folder" << single + week << "Sample Employee.txt";
    QTest::newRow("output in a missing folder")
        << "" << single + week + QStringList{"--output", "/nonexistent/folder/report.txt"}
        << "/nonexistent/folder/report.txt";
}

void tst_export::program_badInput_givesOneLineAndNoOutput()
{
    QFETCH(QString, damage);
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QDir data(m_dir->dataDir());
    if (damage == QLatin1String("no settings")) {
        data.remove(QStringLiteral("options.ini"));
    } else if (damage == QLatin1String("short settings")) {
        m_dir->write(QStringLiteral("options.ini"), "0123456789");
    } else if (damage == QLatin1String("employee folder")) {
        data.remove(QStringLiteral("names.nms"));
        data.mkdir(QStringLiteral("names.nms"));
    } else if (damage == QLatin1String("employee garbage")) {
        m_dir->write(QStringLiteral("names.nms"),
                     m_dir->read(QStringLiteral("names.nms")) + "not a record\r\n");
    } else if (damage == QLatin1String("time file folder")) {
        data.remove(QStringLiteral("Sample Employee.txt"));
        data.mkdir(QStringLiteral("Sample Employee.txt"));
    }
    const QStringList before = data.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const ProgramRun run =
        runProgram(reportProgram(), arguments + QStringList{"--data", m_dir->dataDir()});
    QVERIFY(run.status > 0);
    QCOMPARE(run.out, QByteArray());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.startsWith(QStringLiteral("horodex-report: ")), qPrintable(err));
    QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));
    // The data directory is read, never changed.
    QCOMPARE(data.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void tst_export::program_withoutData_readsDataBesideTheProgram()
{
    const QString copy = m_dir->programDir() + QStringLiteral("/horodex-report");
    QVERIFY(QFile::copy(reportProgram(), copy));
    QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner));
    const ProgramRun run = runProgram(
        copy, {"single", "Sample Employee", "--from", "2009-11-02", "--to", "2009-11-08"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
             (SampleReport::Header + SampleReport::Detail + SampleReport::Summary).toUtf8());
}

void tst_export::program_help_printsUsage()
{
    const ProgramRun run = runProgram(reportProgram(), {"--help"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.out, ReportUsage().toUtf8());
    QVERIFY(run.out.contains("horodex-report single NAME --from YYYY-MM-DD --to YYYY-MM-DD"));
}

QTEST_MAIN(tst_export)
#include "tst_export.moc"
