#include "reports/frmSingleReport.h"

#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "payroll/SingleReportText.h"
#include "reports/frmReport.h"
#include "ui/LayoutFont.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The value labels of the employee block are bold.
QLabel* bold(QLabel* label)
{
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

frmSingleReport::frmSingleReport(const QString& employeeName, QWidget* parent, PunchStore& punches)
    : QDialog(parent), m_name(employeeName), m_punches(punches)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmSingleReport"));
    setWindowTitle(QStringLiteral(" Single Payroll Report"));
    setFixedSize(Twips(5055), Twips(5730));
    UseLayoutFont(this);

    QGroupBox* employee =
        NamedControl<QGroupBox>(this, nullptr, QStringLiteral("Create payroll report for: "),
                                TwipsRect(120, 120, 4815, 1335));
    NamedControl<QLabel>(employee, nullptr, QStringLiteral("Employee Name:"),
                         TwipsRect(120, 360, 1335, 255));
    lblName =
        bold(NamedControl<QLabel>(employee, "lblName", QString(), TwipsRect(1560, 360, 2295, 255)));
    FitWidestName(lblName);
    NamedControl<QLabel>(employee, nullptr, QStringLiteral("Regular Rate:"),
                         TwipsRect(120, 720, 1335, 255));
    lblRegular = bold(
        NamedControl<QLabel>(employee, "lblRegular", QString(), TwipsRect(1560, 720, 975, 255)));
    NamedControl<QLabel>(employee, nullptr, QStringLiteral("$ per hour"),
                         TwipsRect(2640, 720, 855, 255));
    NamedControl<QLabel>(employee, nullptr, QStringLiteral("Overtime Rate:"),
                         TwipsRect(120, 960, 1335, 255));
    lblOvertime = bold(
        NamedControl<QLabel>(employee, "lblOvertime", QString(), TwipsRect(1560, 960, 975, 255)));
    NamedControl<QLabel>(employee, nullptr, QStringLiteral("$ per hour"),
                         TwipsRect(2640, 960, 855, 255));

    m_period =
        PayPeriodPickers::create(this, QStringLiteral("Choose the pay period: "), 120, 1560, 4815);
    DatePickerFrom = m_period.DatePickerFrom;
    DatePickerTo = m_period.DatePickerTo;

    QGroupBox* style = NamedControl<QGroupBox>(this, nullptr, QStringLiteral("Report style: "),
                                               TwipsRect(120, 2880, 4815, 1095));
    optHoursPerDay = NamedControl<QRadioButton>(
        style, "optHoursPerDay", QStringLiteral("Daily Hours: displays working hours per day"),
        TwipsRect(120, 360, 3615, 255));
    optAllTimeEntries = NamedControl<QRadioButton>(
        style, "optAllTimeEntries", QStringLiteral("Time Card:   displays all the time entries"),
        TwipsRect(120, 720, 3375, 255));

    QGroupBox* options = NamedControl<QGroupBox>(this, nullptr, QStringLiteral("Other options: "),
                                                 TwipsRect(120, 4080, 4815, 1095));
    chkIncludeSSN = NamedControl<QCheckBox>(
        options, "chkIncludeSSN", QStringLiteral("Show SSN numbers on this payroll report"),
        TwipsRect(120, 360, 3375, 255));
    chkIncludeAddress = NamedControl<QCheckBox>(
        options, "chkIncludeAddress",
        QStringLiteral("Include your company's address on the top of the report"),
        TwipsRect(120, 720, 4335, 255));

    cmdCreate = NamedControl<QPushButton>(this, "cmdCreate", QStringLiteral("Create"),
                                          TwipsRect(2640, 5280, 1095, 375));
    cmdCancel = NamedControl<QPushButton>(this, "cmdCancel", QStringLiteral("Cancel"),
                                          TwipsRect(3840, 5280, 1095, 375));
    cmdCreate->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);

    setTabOrder(cmdCancel, DatePickerFrom);
    setTabOrder(DatePickerFrom, DatePickerTo);
    setTabOrder(DatePickerTo, optHoursPerDay);
    setTabOrder(optHoursPerDay, optAllTimeEntries);
    setTabOrder(optAllTimeEntries, chkIncludeSSN);
    setTabOrder(chkIncludeSSN, chkIncludeAddress);
    setTabOrder(chkIncludeAddress, cmdCreate);

    connect(cmdCreate, &QPushButton::clicked, this, &frmSingleReport::cmdCreate_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSingleReport::cmdCancel_Click);
    FitCaptions(this);
    Form_Load();
}

void frmSingleReport::Form_Load()
{
    // Without a match the fields stay empty: never another employee's.
    const Result<EmployeeRecord> found = FindEmployee(m_name);
    if (!found)
        Messages::warning(found.message());
    m_employee = found.valueOr(EmployeeRecord{});
    lblName->setText(m_name);
    lblRegular->setText(m_employee.RegularRate);
    lblOvertime->setText(m_employee.OvertimeRate);
    optHoursPerDay->setChecked(true);
    m_period.setDefaults(Environment::now().date());
    cmdCancel->setFocus();
}

SingleReportInput frmSingleReport::ReportInput() const
{
    SingleReportInput input;
    input.employeeName = m_name;
    input.employee = m_employee;
    input.style = optAllTimeEntries->isChecked() ? SingleReportStyle::TimeCard
                                                 : SingleReportStyle::DailyHours;
    input.options.settings = GlobalOptions();
    input.options.from = m_period.from();
    input.options.to = m_period.to();
    input.options.includeSsn = chkIncludeSSN->isChecked();
    input.options.includeAddress = chkIncludeAddress->isChecked();
    return input;
}

void frmSingleReport::cmdCreate_Click()
{
    if (m_period.checkPayPeriod())
        ShowReportThenClose(CreateSingleReport(ReportInput(), m_punches), this);
}

void frmSingleReport::cmdCancel_Click()
{
    reject();
}
