#pragma once

#include "data/EmployeeList.h"
#include "payroll/MultipleReportText.h"
#include "reports/PayPeriodPickers.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QPushButton;

// One payroll report for all employees or for one shift over a pay period of one to four
// weeks. The employees are read once, when the window opens. Create shows the report window;
// when that closes, this window closes too.
class frmMultipleReportSelect : public QDialog
{
    Q_OBJECT
public:
    explicit frmMultipleReportSelect(QWidget* parent = nullptr,
                                     PunchStore& punches = DataFolderPunches());

    void cmdCreate_Click();
    void cmdCancel_Click();

    // What Create builds the report from, as the window stands.
    MultipleReportInput ReportInput() const;
    int EmployeeCount() const { return int(ReportEmployees.size()); }

    QComboBox* cboSelectedEmployees;
    QDateEdit* DatePickerFrom;
    QDateEdit* DatePickerTo;
    QCheckBox* chkIncludeAddress;
    QCheckBox* chkIncludeSSN;
    QPushButton* cmdCreate;
    QPushButton* cmdCancel;

private:
    void Form_Load();

    PunchStore& m_punches;
    // The employee list as read when the window opened; no limit on its size.
    QList<EmployeeRecord> ReportEmployees;
    // Why the employee list could not be read: no payroll is made without it.
    QString m_listUnreadable;
    PayPeriodPickers m_period;
};
