#include "reports/frmExceptions.h"

#include "payroll/ReportFormat.h"
#include "punch/ForgottenOut.h"
#include "ui/Messages.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QDateEdit* datePicker(QWidget* parent, QDate value, const QString& name)
{
    auto* picker = new QDateEdit(value, parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    picker->setCalendarPopup(true);
    return picker;
}

} // namespace

frmExceptions::frmExceptions(Inputs inputs, PunchStore& punches, QWidget* parent)
    : QDialog(parent), m_inputs(std::move(inputs)), m_punches(punches)
{
    setObjectName(QStringLiteral("frmExceptions"));
    setWindowTitle(QStringLiteral("Exceptions"));
    // The last four weeks up to today: what a pay day looks back on.
    const QDate today = m_inputs.now.date();
    DatePickerFrom = datePicker(this, today.addDays(-27), QStringLiteral("DatePickerFrom"));
    DatePickerTo = datePicker(this, today, QStringLiteral("DatePickerTo"));
    cmdShow = new QPushButton(QStringLiteral("Show"), this);
    cmdShow->setObjectName(QStringLiteral("cmdShow"));
    lstExceptions = new QTreeWidget(this);
    lstExceptions->setObjectName(QStringLiteral("lstExceptions"));
    lstExceptions->setHeaderLabels(
        {QStringLiteral("Employee"), QStringLiteral("Day"), QStringLiteral("Exception")});
    lstExceptions->setRootIsDecorated(false);
    lstExceptions->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lstExceptions->setMinimumSize(640, 320);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextFormat(Qt::PlainText);
    cmdCorrect = new QPushButton(QStringLiteral("Correct Time Card ..."), this);
    cmdCorrect->setObjectName(QStringLiteral("cmdCorrect"));
    cmdApprove = new QPushButton(QStringLiteral("Approve"), this);
    cmdApprove->setObjectName(QStringLiteral("cmdApprove"));
    cmdApprove->setEnabled(false);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdShow, &QPushButton::clicked, this, &frmExceptions::cmdShow_Click);
    connect(cmdCorrect, &QPushButton::clicked, this, &frmExceptions::cmdCorrect_Click);
    connect(cmdApprove, &QPushButton::clicked, this, &frmExceptions::cmdApprove_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstExceptions, &QTreeWidget::currentItemChanged, this,
            &frmExceptions::lstExceptions_CurrentItemChanged);
    connect(lstExceptions, &QTreeWidget::itemDoubleClicked, this, &frmExceptions::cmdCorrect_Click);

    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel(QStringLiteral("From"), this));
    period->addWidget(DatePickerFrom);
    period->addWidget(new QLabel(QStringLiteral("To"), this));
    period->addWidget(DatePickerTo);
    period->addWidget(new QLabel(QStringLiteral("(included)"), this));
    period->addStretch();
    period->addWidget(cmdShow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCorrect);
    buttons->addWidget(cmdApprove);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(lstExceptions, 1);
    layout->addWidget(lblSummary);
    layout->addLayout(buttons);
    cmdShow_Click();
}

void frmExceptions::cmdShow_Click()
{
    m_shown.clear();
    lstExceptions->clear();
    const QDate from = DatePickerFrom->date();
    const QDate to = DatePickerTo->date();
    if (from > to) {
        lblSummary->setText(QStringLiteral("The first day comes after the last."));
        return;
    }
    const Result<PunchExceptionList> found = FindPunchExceptions(
        m_inputs.employees, from, to, m_inputs.schedule, m_inputs.now, m_inputs.zone, m_punches);
    if (!found) {
        lblSummary->setText(found.failure().error);
        return;
    }
    const RegionalFormats formats = RegionalFormats::current();
    for (const PunchException& e : found->items) {
        lstExceptions->addTopLevelItem(new QTreeWidgetItem(
            {e.employee, ReportFormat::ShortDate(e.day, formats),
             PunchExceptionText(e, found->openLimitHours, m_inputs.timeFormat, formats)}));
        m_shown.append(e);
    }
    QStringList summary{found->items.size() == 1
                            ? QStringLiteral("1 exception.")
                            : QStringLiteral("%1 exceptions.").arg(found->items.size())};
    if (const qsizetype waiting = found->awaitingApproval(); waiting > 0)
        summary.append(waiting == 1 ? QStringLiteral("1 punch awaits approval.")
                                    : QStringLiteral("%1 punches await approval.").arg(waiting));
    for (const UnreadCard& u : found->unread)
        summary.append(QStringLiteral("Not read: ") + u.reason);
    if (!found->unreadRecord.isEmpty())
        summary.append(QStringLiteral("Not read: ") + found->unreadRecord);
    lblSummary->setText(summary.join(u'\n'));
    if (!m_shown.isEmpty())
        lstExceptions->setCurrentItem(lstExceptions->topLevelItem(0));
}

const PunchException* frmExceptions::selected() const
{
    const int row = lstExceptions->indexOfTopLevelItem(lstExceptions->currentItem());
    return row >= 0 && row < m_shown.size() ? &m_shown[row] : nullptr;
}

void frmExceptions::lstExceptions_CurrentItemChanged()
{
    const PunchException* e = selected();
    cmdApprove->setEnabled(e && !e->line.isEmpty());
}

void frmExceptions::cmdApprove_Click()
{
    const PunchException* e = selected();
    if (!e || e->line.isEmpty()) {
        Messages::show(Messages::Icon::None,
                       QStringLiteral("Please select an OUT declared or flagged at the station"));
        return;
    }
    const IoResult approved = ForgottenOut::approve(m_punches, e->employee, e->line,
                                                    QStringLiteral("approved by the manager"));
    if (!approved) {
        Messages::show(Messages::Icon::Critical, approved.error);
        return;
    }
    cmdShow_Click();
}

void frmExceptions::cmdCorrect_Click()
{
    const PunchException* selectedException = selected();
    if (!selectedException) {
        Messages::show(Messages::Icon::None, QStringLiteral("Please select an exception"));
        return;
    }
    const PunchException& e = *selectedException;
    m_asked = CorrectionAsked{e.employee, e.day, PunchExceptionReason(e.kind)};
    accept();
}
