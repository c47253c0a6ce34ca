// Printing against a real print spooler: run under scripts/with-cups.sh, which starts a private
// CUPS server with cups-pdf queues. Without it (no CUPS_SERVER) every test is skipped.
#include "BadgeProbe.h"
#include "PdfProbe.h"
#include "SampleReport.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include "admin/frmBadges.h"
#include "platform/PrinterOptions.h"
#include "platform/Printers.h"
#include "render/ReportPages.h"
#include "reports/BadgeCardOutput.h"
#include "reports/frmPrintDialog.h"
#include "reports/frmReport.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString& Header = SampleReport::Header;
const QString& Detail = SampleReport::Detail;
const QString& Summary = SampleReport::Summary;

QString run(const QString& program, const QStringList& arguments)
{
    return QString::fromUtf8(PdfProbe::run(program, arguments));
}

// Jobs of one queue, or of every queue when queue is empty, that are in the state which
// ("completed" or "not-completed").
int jobCount(const QString& queue, const QString& which)
{
    QStringList args{QStringLiteral("-W"), which, QStringLiteral("-o")};
    if (!queue.isEmpty())
        args.append(queue);
    const QString listing = run(QStringLiteral("lpstat"), args);
    return int(listing.split(u'\n', Qt::SkipEmptyParts).size());
}

// Answers the print dialog once it is open: chooses a printer, sets the copies, presses Print.
void answerPrintDialog(int copies, const QString& printer = QString())
{
    QTimer::singleShot(0, [copies, printer] {
        auto* dialog = qobject_cast<frmPrintDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (!printer.isEmpty()) {
            const int index = dialog->cboPrinterSelect->findText(printer);
            QVERIFY(index >= 0);
            dialog->cboPrinterSelect->setCurrentIndex(index);
        }
        for (int i = 1; i < copies; ++i)
            dialog->UpDownCopies->stepUp();
        dialog->cmdPrint->click();
    });
}

// Opens Properties from the print dialog and lets choose set the printer's options: accepted
// when choose returns true, cancelled otherwise. Returns what choose returned.
bool choosePrinterOptions(const std::function<bool(PrinterOptionsDialog*)>& choose)
{
    bool chosen = false;
    QTimer::singleShot(0, [&choose, &chosen] {
        auto* options = qobject_cast<PrinterOptionsDialog*>(QApplication::activeModalWidget());
        QVERIFY(options);
        chosen = choose(options);
        if (chosen)
            options->accept();
        else
            options->reject();
    });
    QLabel copies;
    frmPrintDialog dialog(&copies);
    dialog.cmdProperties->click();
    return chosen;
}

// The printer may name a paper apart from Qt ("US Letter"), so it is found by its size.
bool choosePaper(QPageSize::PageSizeId id)
{
    return choosePrinterOptions([id](PrinterOptionsDialog* options) {
        for (int i = 0; i < options->cboPaper->count(); ++i) {
            if (options->cboPaper->itemData(i).value<QPageSize>().isEquivalentTo(QPageSize(id))) {
                options->cboPaper->setCurrentIndex(i);
                return true;
            }
        }
        return false;
    });
}

// 0: the printer's own resolution.
bool chooseResolution(int dpi)
{
    return choosePrinterOptions([dpi](PrinterOptionsDialog* options) {
        const int index = options->cboResolution ? options->cboResolution->findData(dpi) : -1;
        if (index >= 0)
            options->cboResolution->setCurrentIndex(index);
        return index >= 0;
    });
}

} // namespace

class tst_printing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void threeCopies_makeThreeJobsAndThreePdfsOfTheReport();
    void longReport_spansPagesWithoutSplittingLines();
    void firstLine_startsOneInchFromLeftAndTopPaperEdges();
    void emptyReport_printsOneBlankPage();
    void dialog_listsQueuesAndPreselectsDefault();
    void chosenPrinter_staysCurrentForLaterReports();
    void properties_offersThePrintersOwnOptionsWithoutMargins();
    void badgeCards_printedDecodeToCodesWhoseHashesAreStored();
    void badgeCards_refusedByTheQueue_recordNothing();
    // Before the tests that stop the spooler: Qt's connection to it is stale after a restart.
    void chosenPaper_reachesThePrintedJobForTheRestOfTheRun();
    void chosenResolution_isSentToThePrinterWithTheJob();
    void stoppedSpooler_dialogShowsNoPrinterMessage();
    void rejectingQueue_namesPrinterAndEveryFailedCopy();
    void spoolerStoppedAfterDialog_namesPrinterAndFailedCopies();

private:
    QStringList pdfs() const;
    // Waits until the spooler has no job left and n PDF files exist; the limit only stops a
    // hung spooler from hanging the test.
    bool waitForPdfs(int n);

    QString m_out;
    QString m_queue;
    QString m_queue2;
};

void tst_printing::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER") ||
        qEnvironmentVariableIsEmpty("HORODEX_PDF_OUT"))
        QSKIP("needs the print spooler of scripts/with-cups.sh");
    m_out = qEnvironmentVariable("HORODEX_PDF_OUT");
    m_queue = qEnvironmentVariable("HORODEX_CUPS_QUEUE");
    m_queue2 = qEnvironmentVariable("HORODEX_CUPS_QUEUE2");
}

void tst_printing::init()
{
    ResetCurrentPrinterForTesting();
    QDir out(m_out);
    for (const QString& name : out.entryList(QDir::Files))
        out.remove(name);
}

QStringList tst_printing::pdfs() const
{
    QStringList files;
    for (const QString& name :
         QDir(m_out).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time | QDir::Reversed))
        files.append(m_out + u'/' + name);
    return files;
}

bool tst_printing::waitForPdfs(int n)
{
    return QTest::qWaitFor(
        [&] {
            return jobCount(QString(), QStringLiteral("not-completed")) == 0 && pdfs().size() >= n;
        },
        180000);
}

void tst_printing::threeCopies_makeThreeJobsAndThreePdfsOfTheReport()
{
    const int jobsBefore = jobCount(m_queue, QStringLiteral("completed"));
    frmReport report(ReportTexts{Header, Detail, Summary, false});
    answerPrintDialog(3);
    report.cmdPrint->click();

    QVERIFY(waitForPdfs(3));
    QCOMPARE(pdfs().size(), 3);
    QCOMPARE(jobCount(m_queue, QStringLiteral("completed")) - jobsBefore, 3);
    for (const QString& pdf : pdfs()) {
        QCOMPARE(PdfProbe::pageCount(pdf), 1);
        QCOMPARE(PdfProbe::marginLines(pdf), PdfProbe::paperLines(Header + Detail + Summary));
    }
}

void tst_printing::longReport_spansPagesWithoutSplittingLines()
{
    QString detail;
    for (int i = 1; i <= 130; ++i)
        detail +=
            QStringLiteral("Line %1 of the detail, a whole line\r\n").arg(i, 3, 10, QChar(u'0'));
    frmReport report(ReportTexts{Header, detail, Summary, false});
    answerPrintDialog(1);
    report.cmdPrint->click();

    QVERIFY(waitForPdfs(1));
    const QString pdf = pdfs().constFirst();
    const int pages = PdfProbe::pageCount(pdf);
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));

    QStringList all;
    for (int page = 1; page <= pages; ++page) {
        const QStringList lines = PdfProbe::marginLines(pdf, page, page);
        QVERIFY(!lines.isEmpty());
        // Every page starts at the top margin and ends above the bottom margin.
        const QList<PdfProbe::Word> words = PdfProbe::words(pdf, page);
        double top = 1e9;
        double bottom = 0;
        for (const PdfProbe::Word& w : words) {
            top = std::min(top, w.yMin);
            bottom = std::max(bottom, w.yMax);
        }
        const QList<PdfProbe::Word> firstPageWords = PdfProbe::words(pdf, 1);
        QCOMPARE(top, firstPageWords.constFirst().yMin);
        QVERIFY(bottom <= 842 - 72);
        all += lines;
    }
    // Put together again, the pages hold exactly the report, every line whole.
    QCOMPARE(all, PdfProbe::paperLines(Header + detail + Summary));
}

void tst_printing::firstLine_startsOneInchFromLeftAndTopPaperEdges()
{
    frmReport report(ReportTexts{Header, Detail, Summary, false});
    answerPrintDialog(1);
    report.cmdPrint->click();
    QVERIFY(waitForPdfs(1));

    // Where the ink of the first line must lie when its line box starts one inch from the
    // paper's left and top edges: its glyphs' tight box, below the font's ascent.
    QPrinter metricsPrinter(QPrinter::HighResolution);
    metricsPrinter.setOutputFormat(QPrinter::PdfFormat);
    const QFont font(ReportFont(), &metricsPrinter);
    const QFontMetricsF metrics(font, &metricsPrinter);
    const double toPoints = 72.0 / metricsPrinter.resolution();
    const QString firstLine = PdfProbe::paperLines(Header).constFirst();
    const QRectF glyphs = metrics.tightBoundingRect(firstLine);
    const double expectedLeft = 72 + glyphs.left() * toPoints;
    const double expectedTop = 72 + (metrics.ascent() + glyphs.top()) * toPoints;

    const QRectF ink = PdfProbe::firstLineInk(pdfs().constFirst());
    QVERIFY(!ink.isNull());
    QVERIFY2(qAbs(ink.left() - expectedLeft) <= 1.0,
             qPrintable(QStringLiteral("left %1, expected %2").arg(ink.left()).arg(expectedLeft)));
    QVERIFY2(qAbs(ink.top() - expectedTop) <= 1.0,
             qPrintable(QStringLiteral("top %1, expected %2").arg(ink.top()).arg(expectedTop)));
    // The same, read from the text: ten Courier 12 characters to the left margin.
    const QList<PdfProbe::Word> words = PdfProbe::words(pdfs().constFirst());
    QVERIFY(!words.isEmpty());
    QCOMPARE(words.constFirst().text, QStringLiteral("Employee"));
    QVERIFY(qAbs(words.constFirst().xMin - 72) <= 1.0);
}

void tst_printing::emptyReport_printsOneBlankPage()
{
    frmReport report(ReportTexts{QString(), QString(), QString(), false});
    answerPrintDialog(1);
    report.cmdPrint->click();

    QVERIFY(waitForPdfs(1));
    QCOMPARE(PdfProbe::pageCount(pdfs().constFirst()), 1);
    QVERIFY(PdfProbe::marginLines(pdfs().constFirst()).isEmpty());
    QVERIFY(PdfProbe::firstLineInk(pdfs().constFirst(), 595, 842).isNull());
}

void tst_printing::dialog_listsQueuesAndPreselectsDefault()
{
    MessageRecorder recorder;
    QLabel copies;
    frmPrintDialog dialog(&copies);
    QStringList listed;
    for (int i = 0; i < dialog.cboPrinterSelect->count(); ++i)
        listed.append(dialog.cboPrinterSelect->itemText(i));
    QCOMPARE(listed, QPrinterInfo::availablePrinterNames());
    QVERIFY(listed.contains(m_queue) && listed.contains(m_queue2));
    QCOMPARE(dialog.cboPrinterSelect->currentText(), m_queue);
    QVERIFY(dialog.cmdPrint->isEnabled());
    QVERIFY(recorder.messages.isEmpty());
}

void tst_printing::chosenPrinter_staysCurrentForLaterReports()
{
    const int onSecondBefore = jobCount(m_queue2, QStringLiteral("completed"));
    const int onFirstBefore = jobCount(m_queue, QStringLiteral("completed"));
    {
        frmReport report(ReportTexts{Header, Detail, Summary, false});
        answerPrintDialog(1, m_queue2);
        report.cmdPrint->click();
    }
    {
        // A later report, printed without touching the printer list.
        frmReport report(ReportTexts{Header, QString(), Summary, false});
        QTimer::singleShot(0, [this] {
            auto* dialog = qobject_cast<frmPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->cboPrinterSelect->currentText(), m_queue2);
            dialog->cmdPrint->click();
        });
        report.cmdPrint->click();
    }
    QVERIFY(waitForPdfs(2));
    QCOMPARE(jobCount(m_queue2, QStringLiteral("completed")) - onSecondBefore, 2);
    QCOMPARE(jobCount(m_queue, QStringLiteral("completed")) - onFirstBefore, 0);
}

void tst_printing::properties_offersThePrintersOwnOptionsWithoutMargins()
{
    MessageRecorder recorder;
    QLabel copies;
    frmPrintDialog dialog(&copies);
    const QPrinterInfo queue = QPrinterInfo::printerInfo(m_queue);
    QTimer::singleShot(0, [&queue] {
        auto* options = qobject_cast<PrinterOptionsDialog*>(QApplication::activeModalWidget());
        QVERIFY(options);
        QStringList papers;
        for (int i = 0; i < options->cboPaper->count(); ++i)
            papers.append(options->cboPaper->itemText(i));
        QStringList offered;
        for (const QPageSize& paper : queue.supportedPageSizes())
            offered.append(paper.name());
        QCOMPARE(papers, offered);
        QVERIFY(options->cboPaper->currentData().value<QPageSize>().isEquivalentTo(
            queue.defaultPageSize()));
        // cups-pdf prints one-sided at several resolutions.
        QVERIFY(!options->cboSides);
        QVERIFY(options->cboResolution);
        QCOMPARE(options->cboResolution->count(), queue.supportedResolutions().size() + 1);
        // Nothing to type: the report's margins are fixed.
        QVERIFY(options->findChildren<QLineEdit*>().isEmpty());
        QVERIFY(options->findChildren<QAbstractSpinBox*>().isEmpty());
        options->reject();
    });
    dialog.cmdProperties->click();
    QVERIFY(recorder.messages.isEmpty());
}

void tst_printing::badgeCards_printedDecodeToCodesWhoseHashesAreStored()
{
    if (!BadgeProbe::toolsInstalled())
        QSKIP("zbarimg (zbar-tools) and pdftoppm (poppler-utils) read the cards back");
    TempProgramDir dir;
    MessageRecorder recorder;
    const QStringList names{QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Cy")};
    frmBadges window(names, QStringLiteral("Acme Tool & Die"), OutputBadgeCards);
    window.lstBadges->selectAll();
    answerPrintDialog(1);
    window.cmdNewPrinted_Click();
    QVERIFY2(recorder.messages.isEmpty(), qPrintable(recorder.texts().join(u'\n')));
    QVERIFY(waitForPdfs(1));
    QCOMPARE(pdfs().size(), 1);
    const QString problem =
        BadgeProbe::cardsProblem(pdfs().constFirst(), dir.programDir(), names.size());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void tst_printing::badgeCards_refusedByTheQueue_recordNothing()
{
    TempProgramDir dir;
    const QString oldCode = QStringLiteral("0004711");
    QVERIFY(IssueBadge(QStringLiteral("Ann"), oldCode, QDate(2026, 12, 1)));
    const QByteArray before = dir.read(QStringLiteral("badges.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(QProcess::execute(QStringLiteral("cupsreject"), {m_queue2}), 0,
                              20000);
    MessageRecorder recorder;
    {
        frmBadges window({QStringLiteral("Ann")}, QStringLiteral("Acme"), OutputBadgeCards);
        window.lstBadges->selectAll();
        answerPrintDialog(1, m_queue2);
        window.cmdNewPrinted_Click();
    }
    QTRY_COMPARE_WITH_TIMEOUT(QProcess::execute(QStringLiteral("cupsaccept"), {m_queue2}), 0,
                              20000);
    QCOMPARE(recorder.messages.size(), 1);
    const QString text = recorder.messages.constFirst().text;
    QVERIFY2(text.contains(u'"' + m_queue2 + u'"') &&
                 text.contains(QStringLiteral("did not accept the job")),
             qPrintable(text));
    QCOMPARE(dir.read(QStringLiteral("badges.txt")), before);
    QCOMPARE(*BadgeHolder(oldCode), QStringLiteral("Ann"));
}

void tst_printing::stoppedSpooler_dialogShowsNoPrinterMessage()
{
    const QString control = qEnvironmentVariable("HORODEX_CUPS_CTL");
    if (control.isEmpty())
        QSKIP("the spooler cannot be stopped from here");
    QCOMPARE(QProcess::execute(control, {QStringLiteral("--stop")}), 0);
    MessageRecorder recorder;
    {
        QLabel copies;
        frmPrintDialog dialog(&copies);
        QCOMPARE(dialog.cboPrinterSelect->count(), 0);
        QVERIFY(!dialog.cmdPrint->isEnabled());
        QVERIFY(!dialog.cmdProperties->isEnabled());
        QVERIFY(dialog.cmdCancel->isEnabled());
    }
    // Started again for whatever runs after this test.
    QCOMPARE(QProcess::execute(control, {QStringLiteral("--start")}), 0);
    QCOMPARE(recorder.texts(),
             QStringList{QStringLiteral("You cannot print the Payroll Report since no printers are "
                                        "installed on your computer")});
    QCOMPARE(recorder.messages.constFirst().icon, Messages::Icon::Information);
}

void tst_printing::rejectingQueue_namesPrinterAndEveryFailedCopy()
{
    // The server may still be starting again after the test that stopped it.
    QTRY_COMPARE_WITH_TIMEOUT(QProcess::execute(QStringLiteral("cupsreject"), {m_queue2}), 0,
                              20000);
    MessageRecorder recorder;
    {
        frmReport report(ReportTexts{Header, Detail, Summary, false});
        answerPrintDialog(2, m_queue2);
        report.cmdPrint->click();
    }
    QTRY_COMPARE_WITH_TIMEOUT(QProcess::execute(QStringLiteral("cupsaccept"), {m_queue2}), 0,
                              20000);
    QCOMPARE(recorder.messages.size(), 1);
    const QString text = recorder.messages.constFirst().text;
    QVERIFY2(text.contains(u'"' + m_queue2 + u'"'), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Copy 1 of 2: the print server did not accept the job")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Copy 2 of 2: the print server did not accept the job")),
             qPrintable(text));
}

void tst_printing::spoolerStoppedAfterDialog_namesPrinterAndFailedCopies()
{
    const QString control = qEnvironmentVariable("HORODEX_CUPS_CTL");
    if (control.isEmpty())
        QSKIP("the spooler cannot be stopped from here");
    MessageRecorder recorder;
    {
        frmReport report(ReportTexts{Header, Detail, Summary, false});
        QTimer::singleShot(0, [&control] {
            auto* dialog = qobject_cast<frmPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->UpDownCopies->stepUp();
            QCOMPARE(QProcess::execute(control, {QStringLiteral("--stop")}), 0);
            dialog->cmdPrint->click();
        });
        report.cmdPrint->click();
    }
    QCOMPARE(QProcess::execute(control, {QStringLiteral("--start")}), 0);
    QCOMPARE(recorder.messages.size(), 1);
    const QString text = recorder.messages.constFirst().text;
    QVERIFY2(text.contains(u'"' + m_queue + u'"'), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Copy 1 of 2: ")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Copy 2 of 2: ")), qPrintable(text));
}

void tst_printing::chosenPaper_reachesThePrintedJobForTheRestOfTheRun()
{
    // The queue's own paper is A4: Letter shows that the choice reached the job.
    QCOMPARE(QPrinterInfo::printerInfo(m_queue).defaultPageSize().id(), QPageSize::A4);
    QVERIFY(choosePaper(QPageSize::Letter));
    for (int report = 1; report <= 2; ++report) {
        frmReport window(ReportTexts{Header, Detail, Summary, false});
        answerPrintDialog(1);
        window.cmdPrint->click();
    }
    const bool printed = waitForPdfs(2);
    // The queue's own paper again, for whatever runs after this test.
    QVERIFY(choosePaper(QPageSize::A4));
    QVERIFY(printed);
    for (const QString& pdf : pdfs()) {
        const QString info = QString::fromUtf8(PdfProbe::run(QStringLiteral("pdfinfo"), {pdf}));
        QVERIFY2(info.contains(QStringLiteral("612 x 792 pts (letter)")), qPrintable(info));
    }
}

void tst_printing::chosenResolution_isSentToThePrinterWithTheJob()
{
    // The spooler keeps each job's options in a control file of its request folder.
    const QString spool = qEnvironmentVariable("HORODEX_CUPS_ROOT") + QStringLiteral("/spool");
    if (qEnvironmentVariableIsEmpty("HORODEX_CUPS_ROOT"))
        QSKIP("the spooler's request folder is unknown here");
    QVERIFY(chooseResolution(150));
    {
        frmReport window(ReportTexts{Header, Detail, Summary, false});
        answerPrintDialog(1);
        window.cmdPrint->click();
    }
    const bool printed = waitForPdfs(1);
    // Back to the printer's own resolution for whatever runs after this test.
    QVERIFY(chooseResolution(0));
    QVERIFY(printed);
    // The newest job of the queue; its control file is written a moment after it ends.
    int newest = 0;
    const QString listing =
        run(QStringLiteral("lpstat"),
            {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), m_queue});
    for (const QString& line : listing.split(u'\n', Qt::SkipEmptyParts))
        newest = std::max(newest, line.section(u' ', 0, 0).section(u'-', -1).toInt());
    QVERIFY(newest > 0);
    const QString control = spool + QStringLiteral("/c%1").arg(newest, 5, 10, QChar(u'0'));
    QVERIFY2(QTest::qWaitFor([&] { return QFileInfo::exists(control); }, 60000),
             qPrintable(control));
    QFile job(control);
    QVERIFY(job.open(QIODevice::ReadOnly));
    const QByteArray attributes = job.readAll();
    QVERIFY2(attributes.contains("Resolution") && attributes.contains("150dpi"),
             qPrintable(control));
}

QTEST_MAIN(tst_printing)
#include "tst_printing.moc"
