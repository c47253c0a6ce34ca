#include "reports/frmMultipleReportSelect.h"

#include "data/Environment.h"
#include "payroll/MultipleReportText.h"
#include "reports/frmReport.h"
#include "ui/LayoutFont.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/WindowFrames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int ShiftCount = 9;

} // namespace

frmMultipleReportSelect::frmMultipleReportSelect(QWidget* parent, PunchStore& punches)
    : QDialog(parent), m_punches(punches)
{
    UseFixedDialogFrame(this);
    setObjectName(QStringLiteral("frmMultipleReportSelect"));
    setWindowTitle(QStringLiteral(" Multiple Payroll Report"));
    setFixedSize(Twips(5055), Twips(3675));
    UseLayoutFont(this);

    auto* forLabel = new QLabel(QStringLiteral("Create payroll report for:"), this);
    forLabel->setGeometry(TwipsRect(120, 180, 2055, 255));
    cboSelectedEmployees = new QComboBox(this);
    cboSelectedEmployees->setObjectName(QStringLiteral("cboSelectedEmployees"));
    cboSelectedEmployees->setGeometry(TwipsRect(2160, 120, 2775, 345));

    m_period =
        PayPeriodPickers::create(this, QStringLiteral("Choose the pay period:"), 120, 600, 4815);
    DatePickerFrom = m_period.DatePickerFrom;
    DatePickerTo = m_period.DatePickerTo;

    auto* options = new QGroupBox(QStringLiteral("Other options"), this);
    options->setGeometry(TwipsRect(120, 1920, 4815, 1095));
    chkIncludeAddress = NamedControl<QCheckBox>(
        options, "chkIncludeAddress",
        QStringLiteral("Include your company's address on the top of the report"),
        TwipsRect(120, 360, 4335, 255));
    chkIncludeSSN = NamedControl<QCheckBox>(
        options, "chkIncludeSSN", QStringLiteral("Show SSN numbers on this payroll report"),
        TwipsRect(120, 720, 3375, 255));

    cmdCreate = NamedControl<QPushButton>(this, "cmdCreate", QStringLiteral("Create"),
                                          TwipsRect(2640, 3180, 1095, 375));
    cmdCancel = NamedControl<QPushButton>(this, "cmdCancel", QStringLiteral("Cancel"),
                                          TwipsRect(3840, 3180, 1095, 375));
    cmdCreate->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);

    setTabOrder(cmdCancel, cboSelectedEmployees);
    setTabOrder(cboSelectedEmployees, DatePickerFrom);
    setTabOrder(DatePickerFrom, DatePickerTo);
    setTabOrder(DatePickerTo, chkIncludeAddress);
    setTabOrder(chkIncludeAddress, chkIncludeSSN);
    setTabOrder(chkIncludeSSN, cmdCreate);

    connect(cmdCreate, &QPushButton::clicked, this, &frmMultipleReportSelect::cmdCreate_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMultipleReportSelect::cmdCancel_Click);
    FitCaptions(this);
    Form_Load();
}

void frmMultipleReportSelect::Form_Load()
{
    for (int shift = 0; shift <= ShiftCount; ++shift)
        cboSelectedEmployees->addItem(ShiftSelectionText(shift));
    cboSelectedEmployees->setCurrentIndex(0);
    cmdCancel->setFocus();
    chkIncludeSSN->setChecked(true);
    chkIncludeAddress->setChecked(true);
    m_period.setDefaults(Environment::now().date());

    const Result<EmployeeList> list = ReadEmployeeList();
    if (list.failed()) {
        m_listUnreadable = list.message();
        Messages::warning(list.message());
        return;
    }
    // A payroll report must not leave anybody out unnoticed.
    if (!list->isClean())
        Messages::warning(EmployeeListProblemsMessage(*list));
    ReportEmployees = list->records;
}

MultipleReportInput frmMultipleReportSelect::ReportInput() const
{
    MultipleReportInput input;
    input.employees = ReportEmployees;
    input.shift = cboSelectedEmployees->currentIndex();
    input.options.settings = GlobalOptions();
    input.options.from = m_period.from();
    input.options.to = m_period.to();
    input.options.includeSsn = chkIncludeSSN->isChecked();
    input.options.includeAddress = chkIncludeAddress->isChecked();
    return input;
}

void frmMultipleReportSelect::cmdCreate_Click()
{
    // An empty payroll with zero totals would look like an answer.
    if (!m_listUnreadable.isEmpty()) {
        Messages::show(Messages::Icon::Critical, m_listUnreadable);
        return;
    }
    if (m_period.checkPayPeriod())
        ShowReportThenClose(CreateMultipleReport(ReportInput(), m_punches), this);
}

void frmMultipleReportSelect::cmdCancel_Click()
{
    reject();
}
