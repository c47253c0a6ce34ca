#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// Shows one finished payroll report in a fixed-pitch font and prints it. A single report can
// hide its punching dates and times; a multiple report is always shown whole.
class frmReport : public QDialog
{
    Q_OBJECT
public:
    frmReport(const QString& ReportHeader, const QString& ReportDetail,
              const QString& ReportSummary, bool IsMultipleReport, QWidget* parent = nullptr);

    // ReportHeader + ReportDetail + ReportSummary, and the same without the detail.
    QString FullText() const;
    QString ShortText() const;
    // The text rtbText was last given, with its CR LF line ends.
    QString ShownText() const { return m_shownText; }

    void chkIncludeDatesTimes_Click();
    void cmdPrint_Click();
    void cmdCloseReport_Click();

    QCheckBox* chkIncludeDatesTimes;
    QPlainTextEdit* rtbText;
    QPushButton* cmdPrint;
    QPushButton* cmdCloseReport;
    QLabel* lblCopies;
    QLabel* picBackGround;
    QLabel* Image1;

private:
    void Form_Load();
    void showText(const QString& text);

    QString m_header;
    QString m_detail;
    QString m_summary;
    bool m_isMultipleReport;
    QString m_shownText;
};

// The number of copies in the copies caption: the integer part of its leading number, 0 when
// it has none.
int CopiesFromCaption(const QString& caption);

// The report's font: "Courier" 12 points, fixed pitch.
QFont ReportFont();
