#pragma once

#include "data/EmployeeList.h"
#include "payroll/SingleReportText.h"
#include "reports/PayPeriodPickers.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QRadioButton;

// The payroll report of one employee for a pay period of one to four weeks, as daily hours or as
// a time card. Create shows the report window; when that closes, this window closes too.
class frmSingleReport : public QDialog
{
    Q_OBJECT
public:
    explicit frmSingleReport(const QString& employeeName, QWidget* parent = nullptr,
                             PunchStore& punches = DataFolderPunches());

    void cmdCreate_Click();
    void cmdCancel_Click();

    // What Create builds the report from, as the window stands.
    SingleReportInput ReportInput() const;

    QLabel* lblName;
    QLabel* lblRegular;
    QLabel* lblOvertime;
    QDateEdit* DatePickerFrom;
    QDateEdit* DatePickerTo;
    QRadioButton* optHoursPerDay;
    QRadioButton* optAllTimeEntries;
    QCheckBox* chkIncludeSSN;
    QCheckBox* chkIncludeAddress;
    QPushButton* cmdCreate;
    QPushButton* cmdCancel;

private:
    void Form_Load();

    QString m_name;
    PunchStore& m_punches;
    EmployeeRecord m_employee;
    PayPeriodPickers m_period;
};
