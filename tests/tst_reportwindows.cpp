#include "PdfProbe.h"
#include "SampleReport.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include "app/Application.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "payroll/ReportFormat.h"
#include "platform/PrintTextPages.h"
#include "platform/Printers.h"
#include "reports/PayPeriodPickers.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmPrintDialog.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "station/frmHorodex.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QtTest>

#include <functional>

namespace {

const QString PayPeriodMessage =
    QStringLiteral("You may only select a 1, 2, 3 or 4 week pay period");
const QString NoPrinterMessage = QStringLiteral(
    "You cannot print the Payroll Report since no printers are installed on your computer");

// A printer system with printers that exist only here; jobs are written as PDF files.
class FakePrinters final : public PrinterSystem
{
public:
    QStringList installed;
    QString defaultPrinter;
    bool propertiesOpen = true;
    QStringList propertiesAskedFor;
    QStringList jobsOn;
    QString jobFolder;
    QList<int> failingJobs; // 1-based numbers of the jobs that cannot start

    QStringList InstalledPrinters() override { return installed; }
    QString DefaultPrinter() override { return defaultPrinter; }
    bool ShowProperties(const QString& name, QWidget*) override
    {
        propertiesAskedFor.append(name);
        return propertiesOpen;
    }
    std::unique_ptr<QPrinter> NewJob(const QString& name) override
    {
        jobsOn.append(name);
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        const bool fails = failingJobs.contains(int(jobsOn.size()));
        printer->setOutputFileName(fails ? QStringLiteral("/nonexistent/folder/job.pdf")
                                         : jobFolder +
                                               QStringLiteral("/job%1.pdf").arg(jobsOn.size()));
        return printer;
    }
};

// Runs action on the modal window that is open once the event loop runs again.
void onModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        action(modal);
    });
}

// Presses Create and reports the text shown by the report window that opens, or nothing when
// none opens.
std::optional<QString> createAndReadReport(QPushButton* create, bool* multiple = nullptr)
{
    std::optional<QString> shown;
    QTimer::singleShot(0, [&shown, multiple] {
        auto* report = qobject_cast<frmReport*>(QApplication::activeModalWidget());
        if (!report)
            return;
        shown = report->shownText();
        if (multiple)
            *multiple = !report->chkIncludeDatesTimes->isEnabled();
        report->cmdCloseReport->click();
    });
    create->click();
    QCoreApplication::processEvents(); // lets the answer run out when no window opened
    return shown;
}

void writeEmployee(const QString& name, const QString& shift,
                   const QString& regular = QStringLiteral("15.00"),
                   const QString& overtime = QStringLiteral("22.50"))
{
    QVERIFY(AppendEmployee(EmployeeRecord{name, ScramblePin(QStringLiteral("1234")),
                                          QStringLiteral("123-45-6789"), regular, overtime, shift,
                                          QStringLiteral("111111111")}));
}

const QString GoldenSingleReport =
    SampleReport::Header + SampleReport::Detail + SampleReport::Summary;

ReportTexts sampleTexts(bool multiple)
{
    return ReportTexts{QStringLiteral("Head line\r\n====\r\n\r\n"),
                       QStringLiteral("detail 1\r\ndetail 2\r\n\r\n"),
                       QStringLiteral("====\r\nTotal"), multiple};
}

QString asShown(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

class tst_reportwindows : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // The single payroll report window
    void singleReport_opensWithEmployeeAndDefaults();
    void datePickers_offerDatesPastTheYear2010();
    void payPeriodCheck_data();
    void payPeriodCheck();
    void singleReport_cancelClosesWithoutReport();
    void singleReport_timeCardStyleWithOptions();

    // The multiple payroll report window
    void multipleReport_opensWithDefaults();
    void multipleReport_shiftWithoutEmployees_isRefused();
    void multipleReport_showsEveryEmployeeOfTheShift();
    void multipleReport_unreadableListMakesNoPayroll();

    // The report window
    void reportWindow_opensWithFullTextInCourier12();
    void reportWindow_checkBoxSwitchesFullAndShortTextExactly();
    void reportWindow_multipleReportKeepsFullText();
    void reportWindow_emptyDetail_fullAndShortAlike();
    void reportWindow_escapeCloses();
    void reportWindow_showsEveryReportLineWhole();
    void copiesFromCaption_data();
    void copiesFromCaption();

    // The print dialog
    void printDialog_listsPrintersInOrderWithCurrentSelected();
    void printDialog_chosenPrinterStaysCurrent();
    void printDialog_copiesClampedToOneToNine();
    void printDialog_printHandsOverCopies();
    void printDialog_noPrinter_saysSoAndOffersOnlyCancel();
    void printDialog_systemWithoutDefault_preselectsFirstPrinter();
    void printDialog_properties();

    // Printing
    void print_oneJobPerCopy_onCurrentPrinter();
    void print_failedCopy_endsOnlyThatCopyAndIsNamed();
    void print_cancelled_printsNothing();
    void whoIsIn_ownCaptionAndJobName_noPayrollControls();
    void printTextPages_emptyText_printsOneBlankPage();
    void printTextPages_longText_breaksBetweenLines();

    // From the main window to the report window
    void mainWindow_singleReport_showsGoldenText();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<FixedClock> m_clock;
    FakePrinters m_printers;
};

void tst_reportwindows::init()
{
    m_dir = std::make_unique<TempProgramDir>();
    // Monday 9 November 2009: the default pay period is 2 to 8 November.
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2009, 11, 9), QTime(10, 0)));
    GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret"));
    QVERIFY(EnsureEmployeeListFile());
    m_printers = FakePrinters{};
    m_printers.jobFolder = m_dir->programDir();
    SetPrinterSystemForTesting(&m_printers);
    ResetCurrentPrinterForTesting();
}

void tst_reportwindows::cleanup()
{
    SetPrinterSystemForTesting(nullptr);
    ResetCurrentPrinterForTesting();
    m_clock.reset();
    m_dir.reset();
}

void tst_reportwindows::singleReport_opensWithEmployeeAndDefaults()
{
    writeEmployee(QStringLiteral("Sample Employee"), QStringLiteral("1"), QStringLiteral("15.00"),
                  QStringLiteral("22.5x"));
    MessageRecorder recorder;
    frmSingleReport window(QStringLiteral("Sample Employee"));
    QCOMPARE(window.windowTitle(), QStringLiteral(" Single Payroll Report"));
    QCOMPARE(window.lblName->text(), QStringLiteral("Sample Employee"));
    QCOMPARE(window.lblRegular->text(), QStringLiteral("15.00"));
    QCOMPARE(window.lblOvertime->text(), QStringLiteral("22.5x")); // as stored
    QVERIFY(window.optHoursPerDay->isChecked());
    QVERIFY(!window.optAllTimeEntries->isChecked());
    QVERIFY(!window.chkIncludeSSN->isChecked());
    QVERIFY(!window.chkIncludeAddress->isChecked());
    QCOMPARE(window.optAllTimeEntries->text(),
             QStringLiteral("Time Card:   displays all the time entries"));
    QCOMPARE(window.DatePickerFrom->text(), QStringLiteral("11/02/2009"));
    QCOMPARE(window.DatePickerTo->text(), QStringLiteral("11/08/2009"));
    QCOMPARE(window.DatePickerFrom->displayFormat(), QStringLiteral("MM/dd/yyyy"));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.cmdCancel);
    QVERIFY(recorder.messages.isEmpty());
}

void tst_reportwindows::multipleReport_unreadableListMakesNoPayroll()
{
    writeEmployee(QStringLiteral("A. Sample"), QStringLiteral("1"));
    MessageRecorder recorder;
    const FailingCall failing("read", QStringLiteral("names.nms"));
    frmMultipleReportSelect window;
    window.show();
    // An empty payroll with zero totals would read as an answer: the file is named again.
    QVERIFY(!createAndReadReport(window.cmdCreate));
    QCOMPARE(recorder.messages.size(), 2);
    QVERIFY(recorder.texts().constLast().contains(m_dir->path(QStringLiteral("names.nms"))));
    QVERIFY(window.isVisible());
}

void tst_reportwindows::datePickers_offerDatesPastTheYear2010()
{
    m_clock->set(QDateTime(QDate(2026, 3, 10), QTime(9, 0)));
    for (int multiple = 0; multiple <= 1; ++multiple) {
        std::unique_ptr<QDialog> window;
        if (multiple)
            window = std::make_unique<frmMultipleReportSelect>();
        else
            window = std::make_unique<frmSingleReport>(QString());
        for (const char* name : {"DatePickerFrom", "DatePickerTo"}) {
            auto* picker = window->findChild<QDateEdit*>(QLatin1String(name));
            QVERIFY(picker);
            QCOMPARE(picker->minimumDate(), QDate(1999, 12, 31));
            QCOMPARE(picker->maximumDate(), QDate(9999, 12, 31));
        }
        QCOMPARE(window->findChild<QDateEdit*>(QStringLiteral("DatePickerFrom"))->date(),
                 QDate(2026, 3, 3));
        QCOMPARE(window->findChild<QDateEdit*>(QStringLiteral("DatePickerTo"))->text(),
                 QStringLiteral("03/09/2026"));
    }
}

void tst_reportwindows::payPeriodCheck_data()
{
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<int>("days");
    QTest::addColumn<bool>("accepted");
    for (const bool multiple : {false, true}) {
        const char* which = multiple ? "multiple" : "single";
        for (const int days : {7, 14, 21, 28})
            QTest::addRow("%s, %d days accepted", which, days) << multiple << days << true;
        for (const int days : {1, 0, 8})
            QTest::addRow("%s, %d days refused", which, days) << multiple << days << false;
    }
}

void tst_reportwindows::payPeriodCheck()
{
    QFETCH(bool, multiple);
    QFETCH(int, days);
    QFETCH(bool, accepted);
    writeEmployee(QStringLiteral("Sample Employee"), QStringLiteral("1"));
    MessageRecorder recorder;
    std::unique_ptr<QDialog> window;
    if (multiple)
        window = std::make_unique<frmMultipleReportSelect>();
    else
        window = std::make_unique<frmSingleReport>(QStringLiteral("Sample Employee"));
    window->show();
    const QDate from(2009, 11, 2);
    window->findChild<QDateEdit*>(QStringLiteral("DatePickerFrom"))->setDate(from);
    // The last day belongs to the period: days 0 ends the day before it starts.
    window->findChild<QDateEdit*>(QStringLiteral("DatePickerTo"))->setDate(from.addDays(days - 1));

    bool shownAsMultiple = false;
    const std::optional<QString> shown = createAndReadReport(
        window->findChild<QPushButton*>(QStringLiteral("cmdCreate")), &shownAsMultiple);
    QCOMPARE(shown.has_value(), accepted);
    if (accepted) {
        QVERIFY(recorder.messages.isEmpty());
        QCOMPARE(shownAsMultiple, multiple);
        // The selection window closes itself with its report window.
        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Accepted));
    } else {
        QCOMPARE(recorder.texts(), QStringList{PayPeriodMessage});
        QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::Information);
        QVERIFY(window->isVisible());
    }
}

void tst_reportwindows::singleReport_cancelClosesWithoutReport()
{
    writeEmployee(QStringLiteral("Sample Employee"), QStringLiteral("1"));
    frmSingleReport window(QStringLiteral("Sample Employee"));
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!m_dir->exists(QStringLiteral("Sample Employee.txt")));
}

void tst_reportwindows::singleReport_timeCardStyleWithOptions()
{
    writeEmployee(QStringLiteral("Sample Employee"), QStringLiteral("1"));
    m_dir->write(QStringLiteral("Sample Employee.txt"), SampleReport::weekOfPunches());
    frmSingleReport window(QStringLiteral("Sample Employee"));
    window.optAllTimeEntries->setChecked(true);
    window.chkIncludeSSN->setChecked(true);
    window.chkIncludeAddress->setChecked(true);
    const std::optional<QString> shown = createAndReadReport(window.cmdCreate);
    QVERIFY(shown);
    QVERIFY(shown->startsWith(GlobalOptions().Company + QStringLiteral("\r\n") +
                              GlobalOptions().Address + QStringLiteral("\r\n\r\n")));
    QVERIFY(shown->contains(QStringLiteral("SSN:              123-45-6789\r\n")));
    QVERIFY(shown->contains(
        QStringLiteral("11/4/2009   10:00 PM     11/5/2009   06:30 AM         8.50\r\n")));
}

void tst_reportwindows::multipleReport_opensWithDefaults()
{
    writeEmployee(QStringLiteral("A. Sample"), QStringLiteral("1"));
    writeEmployee(QStringLiteral("B. Example"), QStringLiteral("2"));
    frmMultipleReportSelect window;
    QCOMPARE(window.windowTitle(), QStringLiteral(" Multiple Payroll Report"));
    QStringList items;
    for (int i = 0; i < window.cboSelectedEmployees->count(); ++i)
        items.append(window.cboSelectedEmployees->itemText(i));
    QStringList expected{QStringLiteral("All Employees")};
    for (int shift = 1; shift <= 9; ++shift)
        expected.append(QStringLiteral("Shift %1 Employees").arg(shift));
    QCOMPARE(items, expected);
    QCOMPARE(window.cboSelectedEmployees->currentIndex(), 0);
    QVERIFY(window.chkIncludeSSN->isChecked());
    QVERIFY(window.chkIncludeAddress->isChecked());
    QCOMPARE(window.DatePickerFrom->text(), QStringLiteral("11/02/2009"));
    QCOMPARE(window.DatePickerTo->text(), QStringLiteral("11/08/2009"));
    QCOMPARE(window.EmployeeCount(), 2);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.cmdCancel);
}

void tst_reportwindows::multipleReport_shiftWithoutEmployees_isRefused()
{
    writeEmployee(QStringLiteral("A. Sample"), QStringLiteral("1"));
    writeEmployee(QStringLiteral("B. Example"), QStringLiteral("2"));
    MessageRecorder recorder;
    frmMultipleReportSelect window;
    window.show();
    window.cboSelectedEmployees->setCurrentIndex(3);
    QVERIFY(!createAndReadReport(window.cmdCreate));
    QCOMPARE(recorder.texts(),
             QStringList{QStringLiteral("There are no employees for this shift")});
    QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::Warning);
    QVERIFY(window.isVisible());
}

void tst_reportwindows::multipleReport_showsEveryEmployeeOfTheShift()
{
    writeEmployee(QStringLiteral("A. Sample"), QStringLiteral("1"));
    writeEmployee(QStringLiteral("B. Example"), QStringLiteral("2"));
    writeEmployee(QStringLiteral("C. Third"), QStringLiteral("2"));
    frmMultipleReportSelect window;
    window.cboSelectedEmployees->setCurrentIndex(2);
    window.chkIncludeAddress->setChecked(false);
    const std::optional<QString> shown = createAndReadReport(window.cmdCreate);
    QVERIFY(shown);
    QVERIFY(shown->startsWith(QStringLiteral("Payroll report for:     Shift 2 Employees\r\n")));
    QVERIFY(!shown->contains(QStringLiteral("A. Sample")));
    QVERIFY(shown->contains(QStringLiteral("B. Example")));
    QVERIFY(shown->contains(QStringLiteral("C. Third")));
}

void tst_reportwindows::reportWindow_opensWithFullTextInCourier12()
{
    const ReportTexts texts = sampleTexts(false);
    frmReport window(texts);
    QCOMPARE(window.windowTitle(), QStringLiteral(" Payroll Report"));
    QVERIFY(window.chkIncludeDatesTimes->isEnabled());
    QVERIFY(window.chkIncludeDatesTimes->isChecked());
    QCOMPARE(window.shownText(), texts.fullText());
    QCOMPARE(window.rtbText->toPlainText(), asShown(texts.fullText()));
    QCOMPARE(window.rtbText->font().family(), QStringLiteral("Courier"));
    QCOMPARE(window.rtbText->font().pointSize(), 12);
    QVERIFY(QFontInfo(window.rtbText->font()).fixedPitch());
    QCOMPARE(window.cmdPrint->text(), QStringLiteral("Print This Report ..."));
    QCOMPARE(window.cmdCloseReport->text(), QStringLiteral("Close"));
    QCOMPARE(window.lblCopies->text(), QStringLiteral("1"));
    // The background is the tile, repeated.
    QCOMPARE(window.palette().brush(QPalette::Window).texture().size(), QSize(54, 54));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), window.cmdCloseReport);
}

void tst_reportwindows::reportWindow_checkBoxSwitchesFullAndShortTextExactly()
{
    const ReportTexts texts = sampleTexts(false);
    frmReport window(texts);
    window.show();
    window.chkIncludeDatesTimes->click();
    QVERIFY(!window.chkIncludeDatesTimes->isChecked());
    QCOMPARE(window.shownText(), texts.ReportHeader + texts.ReportSummary);
    QCOMPARE(window.rtbText->toPlainText(), asShown(texts.ReportHeader + texts.ReportSummary));
    window.chkIncludeDatesTimes->click();
    QCOMPARE(window.shownText(), texts.ReportHeader + texts.ReportDetail + texts.ReportSummary);
    QCOMPARE(window.rtbText->toPlainText(), asShown(texts.fullText()));
}

void tst_reportwindows::reportWindow_multipleReportKeepsFullText()
{
    const ReportTexts texts = sampleTexts(true);
    frmReport window(texts);
    window.show();
    QVERIFY(!window.chkIncludeDatesTimes->isEnabled());
    QTest::mouseClick(window.chkIncludeDatesTimes, Qt::LeftButton);
    QCOMPARE(window.shownText(), texts.fullText());
}

void tst_reportwindows::reportWindow_emptyDetail_fullAndShortAlike()
{
    ReportTexts texts = sampleTexts(false);
    texts.ReportDetail.clear();
    frmReport window(texts);
    const QString full = window.shownText();
    window.chkIncludeDatesTimes->click();
    QCOMPARE(window.shownText(), full);
}

void tst_reportwindows::reportWindow_escapeCloses()
{
    frmReport window(sampleTexts(false));
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
}

void tst_reportwindows::reportWindow_showsEveryReportLineWhole()
{
    // The worked example with an employee's error mark, the attention note, and a line of the
    // widest report columns.
    const QString marked =
        QStringLiteral("B. Example               38.50        .00         $404.25 ***\r\n");
    const QString widest = QString(64, u'=') + QStringLiteral("\r\n");
    const ReportTexts texts{
        SampleReport::Header, SampleReport::Detail + marked + widest,
        SampleReport::Summary + QStringLiteral("\r\n\r\n") + ReportFormat::AttentionNote(), true};
    frmReport window(texts);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int wrapped = 0;
    for (QTextBlock block = window.rtbText->document()->begin(); block.isValid();
         block = block.next()) {
        const QTextLayout* layout = block.layout();
        const QString text = block.text();
        if (text.size() <= 64) {
            QVERIFY2(layout->lineCount() == 1, qPrintable(text));
            continue;
        }
        ++wrapped;
        // A longer line breaks only after a space.
        for (int i = 1; i < layout->lineCount(); ++i) {
            const int start = layout->lineAt(i).textStart();
            QVERIFY2(text.at(start - 1) == u' ', qPrintable(text.mid(start - 10, 20)));
        }
    }
    QCOMPARE(wrapped, 1);
    QCOMPARE(window.rtbText->horizontalScrollBar()->maximum(), 0);
    // The window grew with the box: nothing lies outside it.
    QVERIFY(window.rect().contains(window.rtbText->geometry()));
    QVERIFY(window.rect().contains(window.cmdCloseReport->geometry()));
}

void tst_reportwindows::copiesFromCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("copies");
    QTest::newRow("one") << QStringLiteral("1") << 1;
    QTest::newRow("nine") << QStringLiteral("9") << 9;
    QTest::newRow("integer part of a fraction") << QStringLiteral("2.9") << 2;
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("no leading number") << QStringLiteral("abc") << 0;
    QTest::newRow("number then text") << QStringLiteral("3 copies") << 3;
    QTest::newRow("negative") << QStringLiteral("-2") << -2;
}

void tst_reportwindows::copiesFromCaption()
{
    QFETCH(QString, caption);
    QFETCH(int, copies);
    QCOMPARE(CopiesFromCaption(caption), copies);
}

void tst_reportwindows::printDialog_listsPrintersInOrderWithCurrentSelected()
{
    m_printers.installed = {QStringLiteral("Office"), QStringLiteral("Front desk"),
                            QStringLiteral("Back room")};
    m_printers.defaultPrinter = QStringLiteral("Front desk");
    MessageRecorder recorder;
    QLabel copies(QStringLiteral("7"));
    frmPrintDialog dialog(&copies);
    QCOMPARE(dialog.windowTitle(), QStringLiteral(" Print"));
    QStringList listed;
    for (int i = 0; i < dialog.cboPrinterSelect->count(); ++i)
        listed.append(dialog.cboPrinterSelect->itemText(i));
    QCOMPARE(listed, m_printers.installed);
    QCOMPARE(dialog.cboPrinterSelect->currentText(), QStringLiteral("Front desk"));
    QCOMPARE(CurrentPrinter(), QStringLiteral("Front desk"));
    QCOMPARE(copies.text(), QStringLiteral("1"));
    QVERIFY(!dialog.PrintConfirmed);
    QVERIFY(dialog.cmdPrint->isEnabled() && dialog.cmdProperties->isEnabled());
    QVERIFY(recorder.messages.isEmpty());
}

void tst_reportwindows::printDialog_chosenPrinterStaysCurrent()
{
    m_printers.installed = {QStringLiteral("Office"), QStringLiteral("Front desk")};
    m_printers.defaultPrinter = QStringLiteral("Office");
    QLabel copies;
    {
        frmPrintDialog dialog(&copies);
        dialog.cboPrinterSelect->setCurrentIndex(1);
        dialog.cmdCancel->click();
        QVERIFY(!dialog.PrintConfirmed);
    }
    QCOMPARE(CurrentPrinter(), QStringLiteral("Front desk"));
    frmPrintDialog again(&copies);
    QCOMPARE(again.cboPrinterSelect->currentText(), QStringLiteral("Front desk"));
}

void tst_reportwindows::printDialog_copiesClampedToOneToNine()
{
    m_printers.installed = {QStringLiteral("Office")};
    QLabel copies;
    frmPrintDialog dialog(&copies);
    QVERIFY(dialog.txtCopies->isReadOnly());
    QCOMPARE(dialog.txtCopies->text(), QStringLiteral("1"));
    dialog.UpDownCopies->stepDown();
    QCOMPARE(dialog.txtCopies->text(), QStringLiteral("1"));
    for (int i = 0; i < 4; ++i)
        dialog.UpDownCopies->stepUp();
    QCOMPARE(dialog.txtCopies->text(), QStringLiteral("5"));
    for (int i = 0; i < 20; ++i)
        dialog.UpDownCopies->stepUp();
    QCOMPARE(dialog.txtCopies->text(), QStringLiteral("9"));
    for (int i = 0; i < 20; ++i)
        dialog.UpDownCopies->stepDown();
    QCOMPARE(dialog.txtCopies->text(), QStringLiteral("1"));
}

void tst_reportwindows::printDialog_printHandsOverCopies()
{
    m_printers.installed = {QStringLiteral("Office")};
    QLabel copies;
    frmPrintDialog dialog(&copies);
    dialog.UpDownCopies->stepUp();
    dialog.UpDownCopies->stepUp();
    QCOMPARE(copies.text(), QStringLiteral("1"));
    dialog.cmdPrint->click();
    QVERIFY(dialog.PrintConfirmed);
    QCOMPARE(copies.text(), QStringLiteral("3"));
}

void tst_reportwindows::printDialog_noPrinter_saysSoAndOffersOnlyCancel()
{
    MessageRecorder recorder;
    QLabel copies;
    frmPrintDialog dialog(&copies);
    QCOMPARE(recorder.texts(), QStringList{NoPrinterMessage});
    QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::Information);
    QCOMPARE(recorder.messages.constFirst().title, QStringLiteral("Horodex"));
    QVERIFY(dialog.cboPrinterSelect->currentText().isEmpty());
    QVERIFY(!dialog.cmdPrint->isEnabled());
    QVERIFY(!dialog.cmdProperties->isEnabled());
    QVERIFY(dialog.cmdCancel->isEnabled());
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.PrintConfirmed);
}

void tst_reportwindows::printDialog_systemWithoutDefault_preselectsFirstPrinter()
{
    m_printers.installed = {QStringLiteral("Office"), QStringLiteral("Front desk")};
    MessageRecorder recorder;
    QLabel copies;
    frmPrintDialog dialog(&copies);
    QCOMPARE(dialog.cboPrinterSelect->currentText(), QStringLiteral("Office"));
    QVERIFY(dialog.cmdPrint->isEnabled());
    QVERIFY(recorder.messages.isEmpty());
}

void tst_reportwindows::printDialog_properties()
{
    m_printers.installed = {QStringLiteral("Office"), QStringLiteral("Front desk")};
    m_printers.defaultPrinter = QStringLiteral("Front desk");
    MessageRecorder recorder;
    QLabel copies;
    frmPrintDialog dialog(&copies);
    dialog.cmdProperties->click();
    QCOMPARE(m_printers.propertiesAskedFor, QStringList{QStringLiteral("Front desk")});
    QVERIFY(recorder.messages.isEmpty());

    m_printers.propertiesOpen = false;
    dialog.cmdProperties->click();
    QCOMPARE(recorder.texts(), QStringList{QStringLiteral("OpenPrinter Failed!")});
    QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::None);
}

void tst_reportwindows::print_oneJobPerCopy_onCurrentPrinter()
{
    m_printers.installed = {QStringLiteral("Office"), QStringLiteral("Front desk")};
    m_printers.defaultPrinter = QStringLiteral("Office");
    frmReport window(sampleTexts(false));
    onModal([](QWidget* modal) {
        auto* dialog = qobject_cast<frmPrintDialog*>(modal);
        QVERIFY(dialog);
        dialog->cboPrinterSelect->setCurrentIndex(1);
        dialog->UpDownCopies->stepUp();
        dialog->UpDownCopies->stepUp();
        dialog->cmdPrint->click();
    });
    window.cmdPrint->click();
    QCOMPARE(window.lblCopies->text(), QStringLiteral("3"));
    QCOMPARE(m_printers.jobsOn, QStringList(3, QStringLiteral("Front desk")));
    for (int job = 1; job <= 3; ++job) {
        const QString pdf = m_dir->programDir() + QStringLiteral("/job%1.pdf").arg(job);
        QCOMPARE(PdfProbe::pageCount(pdf), 1);
        QStringList printed = PdfProbe::lines(PdfProbe::layoutText(pdf));
        for (QString& line : printed)
            line = line.trimmed();
        QCOMPARE(printed, PdfProbe::lines(asShown(sampleTexts(false).fullText())));
    }
}

void tst_reportwindows::print_failedCopy_endsOnlyThatCopyAndIsNamed()
{
    m_printers.installed = {QStringLiteral("Office")};
    m_printers.failingJobs = {2};
    frmReport window(sampleTexts(false));
    onModal([](QWidget* modal) {
        auto* dialog = qobject_cast<frmPrintDialog*>(modal);
        QVERIFY(dialog);
        dialog->UpDownCopies->stepUp();
        dialog->UpDownCopies->stepUp();
        dialog->cmdPrint->click();
    });
    MessageRecorder recorder;
    window.cmdPrint->click();
    QCOMPARE(m_printers.jobsOn.size(), 3);
    QVERIFY(QFile::exists(m_dir->programDir() + QStringLiteral("/job1.pdf")));
    QVERIFY(!QFile::exists(m_dir->programDir() + QStringLiteral("/job2.pdf")));
    QVERIFY(QFile::exists(m_dir->programDir() + QStringLiteral("/job3.pdf")));
    QCOMPARE(recorder.texts(),
             QStringList{
                 QStringLiteral("The Payroll Report was not printed in full on the printer "
                                "\"Office\". Not printed:\n"
                                "Copy 2 of 3: the print job could not be started or finished.")});
    QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::Warning);
}

void tst_reportwindows::print_cancelled_printsNothing()
{
    m_printers.installed = {QStringLiteral("Office")};
    frmReport window(sampleTexts(false));
    window.show();
    onModal([](QWidget* modal) {
        auto* dialog = qobject_cast<frmPrintDialog*>(modal);
        QVERIFY(dialog);
        dialog->UpDownCopies->stepUp();
        dialog->cmdCancel->click();
    });
    window.cmdPrint->click();
    QVERIFY(m_printers.jobsOn.isEmpty());
    QCOMPARE(window.lblCopies->text(), QStringLiteral("1"));
    QVERIFY(window.isVisible());
}

void tst_reportwindows::whoIsIn_ownCaptionAndJobName_noPayrollControls()
{
    m_printers.installed = {QStringLiteral("Office")};
    ReportTexts list(QStringLiteral("Who is in:\r\n"), QString(), QString(), true);
    list.Title = QStringLiteral("Who Is In");
    list.Csv = "Employee Name\r\n";
    frmReport window(list);
    window.show();
    QCOMPARE(window.windowTitle().trimmed(), QStringLiteral("Who Is In"));
    QVERIFY(!window.chkIncludeDatesTimes->isVisible());
    onModal([](QWidget* modal) {
        auto* dialog = qobject_cast<frmPrintDialog*>(modal);
        QVERIFY(dialog);
        dialog->cmdPrint->click();
    });
    window.cmdPrint->click();
    const QString pdf = m_dir->programDir() + QStringLiteral("/job1.pdf");
    const QString info = QString::fromUtf8(PdfProbe::run(QStringLiteral("pdfinfo"), {pdf}));
    static const QRegularExpression title(QStringLiteral("^Title: +(.*)$"),
                                          QRegularExpression::MultilineOption);
    QCOMPARE(title.match(info).captured(1), QStringLiteral("Who Is In"));
    // A payroll report keeps its name.
    frmReport payroll(sampleTexts(false));
    QCOMPARE(payroll.windowTitle(), QStringLiteral(" Payroll Report"));
}

void tst_reportwindows::printTextPages_emptyText_printsOneBlankPage()
{
    const QString pdf = m_dir->programDir() + QStringLiteral("/empty.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QVERIFY(PrintTextPages(printer, QString(), ReportFont(), PrintMargins{}));
    QCOMPARE(PdfProbe::pageCount(pdf), 1);
    QVERIFY(PdfProbe::words(pdf).isEmpty());
}

void tst_reportwindows::printTextPages_longText_breaksBetweenLines()
{
    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines.append(QStringLiteral("Line %1 of the report").arg(i, 3, 10, QChar(u'0')));
    const QString pdf = m_dir->programDir() + QStringLiteral("/long.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setOutputFileName(pdf);
    QVERIFY(PrintTextPages(printer, lines.join(u'\n'), ReportFont(), PrintMargins{}));
    const int pages = PdfProbe::pageCount(pdf);
    QVERIFY(pages >= 2);
    QStringList printed;
    for (int page = 1; page <= pages; ++page) {
        const QList<PdfProbe::Word> words = PdfProbe::words(pdf, page);
        QVERIFY(!words.isEmpty());
        QCOMPARE(words.constFirst().text, QStringLiteral("Line"));
        QVERIFY(qAbs(words.constFirst().xMin - 72) <= 1.0);
        QVERIFY(words.constLast().yMax <= 11 * 72 - 72);
        for (const QString& line : PdfProbe::lines(PdfProbe::layoutText(pdf, page, page)))
            printed.append(line.trimmed());
    }
    QCOMPARE(printed, lines);
}

void tst_reportwindows::mainWindow_singleReport_showsGoldenText()
{
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    writeEmployee(QStringLiteral("Other Person"), QStringLiteral("2"));
    writeEmployee(QStringLiteral("Sample Employee"), QStringLiteral("1"));
    m_dir->write(QStringLiteral("Sample Employee.txt"), SampleReport::weekOfPunches());
    MessageRecorder recorder;

    frmHorodex main(CommandSwitch::OpenMenus);
    QVERIFY(StartMainWindow(&main));
    const QList<QListWidgetItem*> items =
        main.lstNames->findItems(QStringLiteral("Sample Employee"), Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    main.lstNames->setCurrentItem(items.constFirst());
    main.lstNames_Click();

    // The main window -> the selection window -> the report window.
    QString shown;
    bool selectionOpened = false;
    auto answerSelection = [&](QWidget* modal) {
        auto* selection = qobject_cast<frmSingleReport*>(modal);
        QVERIFY(selection);
        selectionOpened = true;
        QCOMPARE(selection->lblName->text(), QStringLiteral("Sample Employee"));
        onModal([&](QWidget* report) {
            auto* window = qobject_cast<frmReport*>(report);
            QVERIFY(window);
            shown = window->shownText();
            window->cmdCloseReport->click();
        });
        selection->cmdCreate->click();
        QVERIFY(!selection->isVisible());
    };
    QTimer::singleShot(0, [&] {
        if (auto* selection = qobject_cast<frmSingleReport*>(QApplication::activeModalWidget()))
            answerSelection(selection);
    });
    main.mnuEmployeeReport_Click();
    QCoreApplication::processEvents();
    QVERIFY(selectionOpened);
    QCOMPARE(shown, GoldenSingleReport);
    QVERIFY(recorder.messages.isEmpty());
    State().MainWindow = nullptr;
}

QTEST_MAIN(tst_reportwindows)
#include "tst_reportwindows.moc"
