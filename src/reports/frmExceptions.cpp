#include "reports/frmExceptions.h"

#include "payroll/ReportFormat.h"
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
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdShow, &QPushButton::clicked, this, &frmExceptions::cmdShow_Click);
    connect(cmdCorrect, &QPushButton::clicked, this, &frmExceptions::cmdCorrect_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
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
    lstExceptions->clear();
    m_shown.clear();
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
    for (const UnreadCard& u : found->unread)
        summary.append(QStringLiteral("Not read: ") + u.reason);
    lblSummary->setText(summary.join(u'\n'));
    if (!m_shown.isEmpty())
        lstExceptions->setCurrentItem(lstExceptions->topLevelItem(0));
}

void frmExceptions::cmdCorrect_Click()
{
    const int row = lstExceptions->indexOfTopLevelItem(lstExceptions->currentItem());
    if (row < 0 || row >= m_shown.size()) {
        Messages::show(Messages::Icon::None, QStringLiteral("Please select an exception"));
        return;
    }
    const PunchException& e = m_shown[row];
    m_asked = CorrectionAsked{e.employee, e.day, PunchExceptionReason(e.kind)};
    accept();
}
