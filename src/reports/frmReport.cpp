#include "reports/frmReport.h"

#include "data/FileStore.h"
#include "data/OutputFiles.h"

#include "data/Environment.h"
#include "payroll/ReportCsv.h"
#include "platform/Printers.h"
#include "render/ReportPages.h"
#include "render/ReportPdf.h"
#include "reports/PrintRichText.h"
#include "reports/ReportArt.h"
#include "reports/ReportExport.h"
#include "reports/frmPrintDialog.h"
#include "ui/LayoutFont.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QPalette>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>

#include <cmath>

namespace {

constexpr int OneInch = 1440; // twips
constexpr int ReportColumns = 64;

// The paper the report would be printed on: the current printer's, else the region's.
QPageSize ReportPaper()
{
    const QString printer = CurrentPrinter();
    if (printer.isEmpty())
        return RegionalPaper(Environment::regionalLocale());
    return CurrentPrinterSystem().NewJob(printer)->pageLayout().pageSize();
}

} // namespace

void ShowReportThenClose(const Result<ReportTexts>& report, QDialog* producer)
{
    if (!report) {
        Messages::warning(report.message());
        return;
    }
    frmReport window(*report, producer);
    window.exec();
    producer->accept();
}

int CopiesFromCaption(const QString& caption)
{
    const QString text = caption.trimmed();
    qsizetype n = 0;
    if (n < text.size() && (text.at(n) == u'+' || text.at(n) == u'-'))
        ++n;
    while (n < text.size() && text.at(n).isDigit())
        ++n;
    // Only the integer part counts, so a fraction after it changes nothing.
    bool ok = false;
    const int copies = text.left(n).toInt(&ok);
    return ok ? copies : 0;
}

frmReport::frmReport(const ReportTexts& report, QWidget* parent) : QDialog(parent), m_report(report)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(u' ' + m_report.name());
    setFixedSize(Twips(9015), Twips(5835));
    UseLayoutFont(this);

    chkIncludeDatesTimes = new QCheckBox(QStringLiteral("Include punching dates and times"), this);
    chkIncludeDatesTimes->setObjectName(QStringLiteral("chkIncludeDatesTimes"));
    chkIncludeDatesTimes->setGeometry(TwipsRect(180, 240, 2775, 255));

    rtbText = new QTextEdit(this);
    rtbText->setObjectName(QStringLiteral("rtbText"));
    rtbText->setGeometry(TwipsRect(120, 960, 8775, 4335));
    // A finished report: it can be read, selected and copied, but its figures are not edited.
    rtbText->setReadOnly(true);
    rtbText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    rtbText->setAcceptRichText(false);
    // The box is made wide enough for every report line (fitReportColumns), so only the long
    // attention note wraps, and only between words.
    rtbText->setLineWrapMode(QTextEdit::WidgetWidth);
    rtbText->setWordWrapMode(QTextOption::WordWrap);

    cmdPrint = new QPushButton(QStringLiteral("Print This Report ..."), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setAutoDefault(false);
    cmdPrint->setGeometry(TwipsRect(5760, 5400, 1815, 375));

    cmdSaveAs = new QPushButton(QStringLiteral("Save As ..."), this);
    cmdSaveAs->setObjectName(QStringLiteral("cmdSaveAs"));
    cmdSaveAs->setAutoDefault(false);
    cmdSaveAs->setGeometry(TwipsRect(3840, 5400, 1815, 375));

    cmdCloseReport = new QPushButton(QStringLiteral("Close"), this);
    cmdCloseReport->setObjectName(QStringLiteral("cmdCloseReport"));
    cmdCloseReport->setAutoDefault(false);
    cmdCloseReport->setGeometry(TwipsRect(7680, 5400, 1215, 375));

    // Outside the visible client area, as carriers of values and pictures.
    lblCopies = new QLabel(QStringLiteral("1"), this);
    lblCopies->setObjectName(QStringLiteral("lblCopies"));
    lblCopies->setGeometry(TwipsRect(4680, 6360, 1095, 255));
    lblCopies->hide();
    picBackGround = new QLabel(this);
    picBackGround->setObjectName(QStringLiteral("picBackGround"));
    picBackGround->setPixmap(ReportArt::BackgroundTile());
    picBackGround->setGeometry(QRect(QPoint(Twips(480), Twips(6360)), QSize(54, 54)));
    picBackGround->hide();

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ReportArt::ReportIcon());
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(TwipsRect(8040, 120, 720, 720));

    setTabOrder(cmdCloseReport, chkIncludeDatesTimes);
    setTabOrder(chkIncludeDatesTimes, rtbText);
    setTabOrder(rtbText, cmdSaveAs);
    setTabOrder(cmdSaveAs, cmdPrint);

    connect(chkIncludeDatesTimes, &QCheckBox::clicked, this,
            &frmReport::chkIncludeDatesTimes_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmReport::cmdPrint_Click);
    connect(cmdSaveAs, &QPushButton::clicked, this, &frmReport::cmdSaveAs_Click);
    connect(cmdCloseReport, &QPushButton::clicked, this, &frmReport::cmdCloseReport_Click);
    FitCaptions(this);
    Form_Load();
}

void frmReport::Form_Load()
{
    if (!m_report.isPayroll()) {
        // A list has no punching dates to leave out.
        chkIncludeDatesTimes->hide();
    } else if (m_report.IsMultipleReport) {
        chkIncludeDatesTimes->setEnabled(false);
        // The style's pale disabled grey vanishes on the grey tiled background.
        QPalette readable = chkIncludeDatesTimes->palette();
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            readable.setColor(QPalette::Disabled, role, QColor(0x40, 0x40, 0x40));
        chkIncludeDatesTimes->setPalette(readable);
    } else {
        chkIncludeDatesTimes->setChecked(true);
    }
    showText(m_report.fullText());
    rtbText->setFont(ReportFont());
    fitReportColumns();
    TileBitmap(this, picBackGround->pixmap());
    cmdCloseReport->setFocus();
}

void frmReport::fitReportColumns()
{
    // Measured in the font actually used: a substitute for Courier may be wider than the twips
    // of the design assume.
    const QFontMetricsF metrics(rtbText->font());
    const double line = metrics.horizontalAdvance(QString(ReportColumns, u'0'));
    const int scrollBar =
        rtbText->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, rtbText);
    const int needed = int(std::ceil(line + 2 * rtbText->document()->documentMargin())) +
                       2 * rtbText->frameWidth() + scrollBar + 2;
    const int grow = needed - rtbText->width();
    if (grow <= 0)
        return;
    rtbText->resize(needed, rtbText->height());
    for (QWidget* right :
         std::initializer_list<QWidget*>{cmdPrint, cmdSaveAs, cmdCloseReport, Image1})
        right->move(right->x() + grow, right->y());
    setFixedSize(width() + grow, height());
}

void frmReport::showText(const QString& text)
{
    m_shownText = text;
    rtbText->setPlainText(text);
}

void frmReport::chkIncludeDatesTimes_Click()
{
    showText(chkIncludeDatesTimes->isChecked() ? m_report.fullText() : m_report.shortText());
}

void frmReport::cmdPrint_Click()
{
    // Named before the dialog too: a print server that stops meanwhile forgets its printers.
    const QString offered = CurrentPrinter();
    frmPrintDialog dialog(lblCopies, this);
    dialog.exec();
    if (!dialog.PrintConfirmed)
        return;
    const int copies = CopiesFromCaption(lblCopies->text());
    const QString current = CurrentPrinter();
    const QString printer = current.isEmpty() ? offered : current;
    // One job per copy; a failed copy does not stop the next one, and is reported afterwards.
    QStringList failed;
    for (int copy = 1; copy <= copies; ++copy) {
        const Result<> printed =
            PrintRichText(rtbText, m_report.name(), OneInch, OneInch, OneInch, OneInch);
        if (!printed)
            failed.append(
                QStringLiteral("Copy %1 of %2: %3.").arg(copy).arg(copies).arg(printed.message()));
    }
    if (!failed.isEmpty())
        Messages::warning(
            QStringLiteral("The %1 was not printed in full on the printer \"%2\". Not printed:\n%3")
                .arg(m_report.isPayroll() ? m_report.name()
                                          : QStringLiteral("list \"%1\"").arg(m_report.name()),
                     printer, failed.join(u'\n')));
}

void frmReport::cmdSaveAs_Click()
{
    QString filter;
    const QString chosen =
        AskReportFileName(this, ProposedReportPath(m_report, Environment::now().date()), &filter);
    if (chosen.isEmpty())
        return;
    const ReportFile file = ReportFileFor(chosen, filter);
    // Both files hold what the window shows: the PDF is the box as printed, and the punches of a
    // time card go with the dates and times shown.
    QStringList written;
    Result<> saved;
    if (file.format == ReportFile::Format::Pdf) {
        saved = SaveReportPdf(file.path, rtbText->toPlainText(), ReportPaper());
        written.append(file.path);
    } else {
        const QList<OutputFile> outputs =
            !m_report.Csv.isEmpty()
                ? QList<OutputFile>{{file.path, m_report.Csv}}
                : ReportCsv::Files(m_report.Figures, file.path, chkIncludeDatesTimes->isChecked());
        saved = WriteOutputFiles(outputs);
        for (const OutputFile& output : outputs)
            written.append(output.path);
    }
    if (!saved)
        Messages::warning(saved.message());
    else
        Messages::information(SavedFilesMessage(written));
}

void frmReport::cmdCloseReport_Click()
{
    reject();
}
