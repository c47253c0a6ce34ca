#pragma once

#include "data/Result.h"
#include "payroll/ReportTexts.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QTextEdit;
class QPushButton;

// Shows one finished payroll report in a fixed-pitch font and prints it. A single report can
// hide its punching dates and times; a multiple report is always shown whole.
class frmReport : public QDialog
{
    Q_OBJECT
public:
    explicit frmReport(const ReportTexts& report, QWidget* parent = nullptr);

    // The text rtbText was last given, with its CR LF line ends.
    QString shownText() const { return m_shownText; }
    // Old shape, kept for callers outside the core.
    QString ShownText() const { return shownText(); }

    void chkIncludeDatesTimes_Click();
    void cmdPrint_Click();
    void cmdSaveAs_Click();
    void cmdCloseReport_Click();

    QCheckBox* chkIncludeDatesTimes;
    QTextEdit* rtbText;
    QPushButton* cmdPrint;
    QPushButton* cmdSaveAs;
    QPushButton* cmdCloseReport;
    QLabel* lblCopies;
    QLabel* picBackGround;
    QLabel* Image1;

private:
    void Form_Load();
    void showText(const QString& text);
    // Widens the text box, and the window with it, until a report line of 64 columns fits.
    void fitReportColumns();

    ReportTexts m_report;
    QString m_shownText;
};

// Shows the report in a report window, modal over producer, and closes producer when the report
// window closes. Without a report, warns why and leaves producer as it is.
void ShowReportThenClose(const Result<ReportTexts>& report, QDialog* producer);

// The number of copies in the copies caption: the integer part of its leading number, 0 when
// it has none.
int CopiesFromCaption(const QString& caption);
