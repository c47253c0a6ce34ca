// Saving reports as CSV and PDF files, and the report window's Save As.
#include "export/ExportFixture.h"

#include "PdfProbe.h"
#include "testsupport/MessageRecorder.h"

#include "data/Environment.h"
#include "payroll/ReportCsv.h"
#include "platform/PrintTextPages.h"
#include "render/ReportPdf.h"
#include "reports/BadgeCardOutput.h"
#include "reports/ReportExport.h"
#include "reports/frmReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

namespace {

// "612 x 792 pts (letter)"
QString pageSizeOf(const QString& pdf)
{
    const QString info = QString::fromUtf8(PdfProbe::run(QStringLiteral("pdfinfo"), {pdf}));
    return QRegularExpression(QStringLiteral("Page size:\\s+(.*)")).match(info).captured(1);
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

} // namespace

class ExportFileTests : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_fixture.start(); }
    void cleanup() { m_fixture.stop(); }

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
    void saveAs_pdfTakesThePaperOfTheCurrentPrinter();
    void saveAs_csvOfTimeCard_followsTheShownDatesAndTimes();
    void saveAs_nameWithoutSuffix_takesTheFilterSuffix_data();
    void saveAs_nameWithoutSuffix_takesTheFilterSuffix();
    void saveAs_cancelled_writesNothing();
    void saveAs_proposesKindSubjectAndDates_data();
    void saveAs_proposesKindSubjectAndDates();
    void saveAs_startsInDocumentsElseHome();
    void saveAs_fileDialogOpensAtTheProposedFile();
    void saveAs_failure_showsMessageNamingTheFile();
    void saveBadges_dialogIsTitledForBadgesAndOffersPdfOnly();

private:
    ExportFixture m_fixture;
};

void ExportFileTests::csvField_quotesOnlyWhatNeedsIt_data()
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
    // A spreadsheet would run these as formulas; numbers stay numbers.
    QTest::newRow("equals") << "=1+2"
                            << "'=1+2";
    QTest::newRow("plus") << "+1+2"
                          << "'+1+2";
    QTest::newRow("minus") << "-1+2"
                           << "'-1+2";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
    QTest::newRow("formula with a comma") << "=HYPERLINK(\"x\",1)"
                                          << "\"'=HYPERLINK(\"\"x\"\",1)\"";
    QTest::newRow("negative number") << "-1.25"
                                     << "-1.25";
}

void ExportFileTests::csvField_quotesOnlyWhatNeedsIt()
{
    QFETCH(QString, value);
    QFETCH(QString, field);
    QCOMPARE(ReportCsv::Field(value), field);
}

void ExportFileTests::csvNumber_hasDotAndTwoDecimals_data()
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

void ExportFileTests::csvNumber_hasDotAndTwoDecimals()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(ReportCsv::Number(value), text);
}

void ExportFileTests::singleReportCsv_matchesGoldenFile()
{
    const ReportTexts report = singleReport(SingleReportStyle::DailyHours, true);
    QCOMPARE(ReportCsv::Payroll(report.Figures), golden(QStringLiteral("single.csv")));
    // Without the SSN on the report, the file has no SSN column.
    const ReportTexts withoutSsn = singleReport(SingleReportStyle::DailyHours, false);
    QVERIFY(!ReportCsv::Payroll(withoutSsn.Figures).contains("SSN"));
    QVERIFY(!ReportCsv::Payroll(withoutSsn.Figures).contains("123-45-6789"));
}

void ExportFileTests::timeCardCsv_writesPayrollAndPunchesFiles()
{
    const ReportTexts report = singleReport(SingleReportStyle::TimeCard, true);
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/payroll.csv");
    QVERIFY(ReportCsv::Save(report.Figures, path, true));
    QFile payroll(path);
    QFile punches(m_fixture.dir->programDir() + QStringLiteral("/payroll-punches.csv"));
    QVERIFY(payroll.open(QIODevice::ReadOnly) && punches.open(QIODevice::ReadOnly));
    QCOMPARE(payroll.readAll(), golden(QStringLiteral("single.csv")));
    QCOMPARE(punches.readAll(), golden(QStringLiteral("single-punches.csv")));
}

void ExportFileTests::multipleReportCsv_matchesGoldenFile()
{
    QCOMPARE(ReportCsv::Payroll(multipleReport().Figures), golden(QStringLiteral("multiple.csv")));
}

void ExportFileTests::csv_isTheSameInEveryLocale()
{
    const QByteArray american = ReportCsv::Payroll(multipleReport().Figures);
    Environment::setRegionalLocaleForTesting(QLocale(QLocale::German, QLocale::Germany));
    const ReportTexts german = multipleReport();
    QVERIFY(german.fullText().contains(QStringLiteral("350,00")));
    QCOMPARE(ReportCsv::Payroll(german.Figures), american);
}

void ExportFileTests::csvReadByPython_givesTheNumbersOfTheSingleReport()
{
    const ReportTexts report = singleReport(SingleReportStyle::DailyHours, true);
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/single.csv");
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

void ExportFileTests::csvReadByPython_givesTheNumbersOfTheMultipleReport()
{
    const ReportTexts report = multipleReport();
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/multiple.csv");
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

void ExportFileTests::csvReadByPython_keepsCommasQuotesAndLineBreaks()
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
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/names.csv");
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

void ExportFileTests::punchesPath_sitsBesideThePayrollFile_data()
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

void ExportFileTests::punchesPath_sitsBesideThePayrollFile()
{
    QFETCH(QString, payroll);
    QFETCH(QString, punches);
    QCOMPARE(ReportCsv::PunchesPath(payroll), punches);
}

void ExportFileTests::pdf_textIsTheReportText()
{
    for (const ReportTexts& report : {singleReport(SingleReportStyle::DailyHours, true),
                                      singleReport(SingleReportStyle::TimeCard, false)}) {
        const QString pdf = m_fixture.dir->programDir() + QStringLiteral("/report.pdf");
        QVERIFY(SaveReportPdf(pdf, report.fullText(), QPageSize(QPageSize::Letter)));
        QCOMPARE(PdfProbe::pageCount(pdf), 1);
        QCOMPARE(PdfProbe::marginLines(pdf), PdfProbe::paperLines(report.fullText()));
    }
}

void ExportFileTests::pdf_pagesBreakAsThePrintedReport()
{
    QString text;
    for (int i = 1; i <= 130; ++i)
        text +=
            QStringLiteral("Line %1 of the detail, a whole line\r\n").arg(i, 3, 10, QChar(u'0'));
    for (const QPageSize::PageSizeId paper : {QPageSize::Letter, QPageSize::A4}) {
        const QString saved = m_fixture.dir->programDir() + QStringLiteral("/saved.pdf");
        QVERIFY(SaveReportPdf(saved, text, QPageSize(paper)));
        const QString printed = m_fixture.dir->programDir() + QStringLiteral("/printed.pdf");
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

void ExportFileTests::regionalPaper_letterInTheUnitedStatesA4Elsewhere()
{
    QCOMPARE(RegionalPaper(QLocale(QLocale::English, QLocale::UnitedStates)).id(),
             QPageSize::Letter);
    QCOMPARE(RegionalPaper(QLocale(QLocale::German, QLocale::Germany)).id(), QPageSize::A4);
    QCOMPARE(RegionalPaper(QLocale(QLocale::English, QLocale::UnitedKingdom)).id(), QPageSize::A4);
}

void ExportFileTests::saveAs_buttonStandsBesidePrint()
{
    frmReport window(singleReport(SingleReportStyle::DailyHours, false));
    QCOMPARE(window.cmdSaveAs->text(), QStringLiteral("Save As ..."));
    QCOMPARE(window.cmdSaveAs->y(), window.cmdPrint->y());
    QCOMPARE(window.cmdSaveAs->height(), window.cmdPrint->height());
    QVERIFY(window.cmdSaveAs->geometry().right() < window.cmdPrint->x());
    QVERIFY(window.cmdPrint->x() - window.cmdSaveAs->geometry().right() < 20);
}

void ExportFileTests::saveAs_pdfHoldsTheShownText()
{
    const ReportTexts report = singleReport(SingleReportStyle::DailyHours, false);
    frmReport window(report);
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/shown.pdf");
    QWidget* askedOver = nullptr;
    SetReportFileAskerForTesting([&](QWidget* parent, const QString&, QString* filter) {
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
    QCOMPARE(recorder.messages.size(), 2);
    QCOMPARE(recorder.messages.constLast().icon, Messages::Icon::Information);
    QCOMPARE(recorder.messages.constLast().text,
             QStringLiteral("The report was saved in the file\n") + path);
}

void ExportFileTests::saveAs_pdfTakesThePaperOfTheCurrentPrinter()
{
    frmReport window(multipleReport());
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/paper.pdf");
    SetReportFileAskerForTesting([&](QWidget*, const QString&, QString*) { return path; });
    window.cmdSaveAs->click();
    QCOMPARE(pageSizeOf(path), QStringLiteral("612 x 792 pts (letter)"));
    // With a printer, the paper it would print the report on.
    m_fixture.printers.installed = QStringList{QStringLiteral("Office")};
    window.cmdSaveAs->click();
    QVERIFY2(pageSizeOf(path).endsWith(QStringLiteral("(A5)")), qPrintable(pageSizeOf(path)));
}

void ExportFileTests::saveAs_csvOfTimeCard_followsTheShownDatesAndTimes()
{
    frmReport window(singleReport(SingleReportStyle::TimeCard, true));
    const QString folder = m_fixture.dir->programDir();
    SetReportFileAskerForTesting([&](QWidget*, const QString&, QString* filter) {
        *filter = CsvFilter;
        return folder + QStringLiteral("/card");
    });
    MessageRecorder recorder;
    window.cmdSaveAs->click();
    // The punches file is no surprise: the user is told of both.
    QCOMPARE(recorder.texts(), QStringList{QStringLiteral("The report was saved in 2 files:\n") +
                                           folder + QStringLiteral("/card.csv\n") + folder +
                                           QStringLiteral("/card-punches.csv")});
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

void ExportFileTests::saveAs_nameWithoutSuffix_takesTheFilterSuffix_data()
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

void ExportFileTests::saveAs_nameWithoutSuffix_takesTheFilterSuffix()
{
    QFETCH(QString, chosen);
    QFETCH(QString, filter);
    QFETCH(QString, path);
    QFETCH(bool, pdf);
    const ReportFile file = ReportFileFor(chosen, filter);
    QCOMPARE(file.path, path);
    QCOMPARE(file.format == ReportFile::Format::Pdf, pdf);
}

void ExportFileTests::saveAs_cancelled_writesNothing()
{
    frmReport window(multipleReport());
    SetReportFileAskerForTesting([](QWidget*, const QString&, QString*) { return QString(); });
    MessageRecorder recorder;
    const QStringList before = QDir(m_fixture.dir->programDir()).entryList(QDir::Files);
    window.cmdSaveAs->click();
    QCOMPARE(QDir(m_fixture.dir->programDir()).entryList(QDir::Files), before);
    QVERIFY(recorder.messages.isEmpty());
}

void ExportFileTests::saveAs_failure_showsMessageNamingTheFile()
{
    frmReport window(multipleReport());
    const QString path = m_fixture.dir->programDir() + QStringLiteral("/no such folder/report.csv");
    for (const QString& filter : {CsvFilter, PdfFilter}) {
        const QString chosen = filter == CsvFilter ? path : path.chopped(4) + ".pdf";
        SetReportFileAskerForTesting([&](QWidget*, const QString&, QString* f) {
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

void ExportFileTests::saveAs_proposesKindSubjectAndDates_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::newRow("time card") << "time card"
                               << "Time Card - Sample Employee - 2009-11-02 to 2009-11-08.pdf";
    QTest::newRow("daily hours") << "daily hours"
                                 << "Daily Hours - Sample Employee - 2009-11-02 to 2009-11-08.pdf";
    QTest::newRow("all employees") << "multiple"
                                   << "Payroll - All Employees - 2008-03-03 to 2008-03-16.pdf";
    QTest::newRow("who is in, the day") << "who is in"
                                        << "Who Is In - 2026-11-14.pdf";
    QTest::newRow("characters a file name may not hold")
        << "odd name"
        << "Time Card - AB C - 2009-11-02 to 2009-11-08.pdf";
}

void ExportFileTests::saveAs_proposesKindSubjectAndDates()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    ReportTexts report;
    if (kind == QLatin1String("time card") || kind == QLatin1String("odd name"))
        report = singleReport(SingleReportStyle::TimeCard, false);
    else if (kind == QLatin1String("daily hours"))
        report = singleReport(SingleReportStyle::DailyHours, false);
    else if (kind == QLatin1String("multiple"))
        report = multipleReport();
    else
        report.Title = QStringLiteral("Who Is In");
    if (kind == QLatin1String("odd name"))
        report.Title = QStringLiteral("Time Card - A/B:\t\"C\"?");
    const FixedClock clock(QDateTime(QDate(2026, 11, 14), QTime(9, 30)));
    frmReport window(report);
    QString proposed;
    SetReportFileAskerForTesting([&](QWidget*, const QString& path, QString*) {
        proposed = path;
        return QString();
    });
    window.cmdSaveAs->click();
    QCOMPARE(proposed, QDir(ReportSaveFolder()).filePath(name));
}

void ExportFileTests::saveAs_startsInDocumentsElseHome()
{
    const QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    // No user-dirs.dirs here: the documents folder is ~/Documents.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    const QString withoutDocuments = ReportSaveFolder();
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Documents")));
    const QString withDocuments = ReportSaveFolder();
    const QString proposed = ProposedReportPath(multipleReport(), QDate(2026, 11, 14));
    qputenv("HOME", oldHome);
    if (oldConfig.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);

    QCOMPARE(withoutDocuments, home.path());
    QCOMPARE(withDocuments, home.path() + QStringLiteral("/Documents"));
    QCOMPARE(proposed, home.path() + QStringLiteral("/Documents/Payroll - All Employees - "
                                                    "2008-03-03 to 2008-03-16.pdf"));
}

void ExportFileTests::saveAs_fileDialogOpensAtTheProposedFile()
{
    const QTemporaryDir folder;
    const QString proposed =
        folder.path() + QStringLiteral("/Time Card - Ann Lee - 2026-11-01 to 2026-11-14.pdf");
    QString directory;
    QStringList selected;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        directory = dialog->directory().absolutePath();
        selected = dialog->selectedFiles();
        // Choosing CSV as a user does, in the dialog's list of file types.
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        types->setCurrentIndex(types->findText(CsvFilter));
        emit types->activated(types->currentIndex());
        emit types->textActivated(CsvFilter);
        selected += dialog->selectedFiles();
        dialog->reject();
    });
    QString filter;
    QCOMPARE(AskReportFileName(nullptr, proposed, &filter), QString());
    QCOMPARE(directory, folder.path());
    // The proposed name follows the file type chosen.
    QCOMPARE(selected, (QStringList{proposed, proposed.chopped(3) + QStringLiteral("csv")}));
}

void ExportFileTests::saveBadges_dialogIsTitledForBadgesAndOffersPdfOnly()
{
    QString title;
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->reject();
    });
    bool done = true;
    QVERIFY(OutputBadgeCards({}, CardOutput::Pdf, nullptr, &done));
    QVERIFY(!done);
    QCOMPARE(title, QStringLiteral("Save Badges As"));
    QCOMPARE(filters, QStringList{PdfFilter});
}

int runExportFileTests(int argc, char* argv[])
{
    ExportFileTests tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "ExportFileTests.moc"
