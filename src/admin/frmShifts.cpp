#include "admin/frmShifts.h"

#include "ui/Messages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr std::array<const char*, 7> DayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

QSpinBox* minutesBox(QWidget* parent, int value, const QString& name)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, MaxShiftMinutes);
    box->setSuffix(QStringLiteral(" min"));
    box->setValue(value);
    return box;
}

QTimeEdit* timeBox(QWidget* parent, const QTime& value, const QString& name)
{
    auto* box = new QTimeEdit(value, parent);
    box->setObjectName(name);
    box->setDisplayFormat(QStringLiteral("HH:mm"));
    return box;
}

} // namespace

frmShifts::frmShifts(const ShiftSchedule& schedule, QWidget* parent, Saver save)
    : QDialog(parent), m_save(std::move(save))
{
    setObjectName(QStringLiteral("frmShifts"));
    setWindowTitle(QStringLiteral("Shifts"));
    auto* grid = new QGridLayout;
    const QStringList heads{QStringLiteral("Shift"), QStringLiteral("Hours"),
                            QStringLiteral("Start"), QStringLiteral("End")};
    for (int c = 0; c < heads.size(); ++c)
        grid->addWidget(new QLabel(heads[c], this), 0, c);
    for (int d = 0; d < 7; ++d)
        grid->addWidget(new QLabel(QLatin1String(DayNames[size_t(d)]), this), 0, 4 + d);
    grid->addWidget(new QLabel(QStringLiteral("Grace"), this), 0, 11);
    grid->addWidget(new QLabel(QStringLiteral("Shortest break"), this), 0, 12);
    for (int n = 1; n <= 9; ++n) {
        const ShiftHours* given = schedule.shift(n);
        const ShiftHours shown =
            given ? *given
                  : ShiftHours{n, QTime(8, 0), QTime(16, 0), {true, true, true, true, true}, 5, 0};
        Row& row = rows[size_t(n - 1)];
        const QString suffix = QString::number(n);
        grid->addWidget(new QLabel(suffix, this), n, 0);
        row.chkHours = new QCheckBox(this);
        row.chkHours->setObjectName(QStringLiteral("chkHours") + suffix);
        row.chkHours->setChecked(given != nullptr);
        grid->addWidget(row.chkHours, n, 1);
        row.txtStart = timeBox(this, shown.start, QStringLiteral("txtStart") + suffix);
        row.txtEnd = timeBox(this, shown.end, QStringLiteral("txtEnd") + suffix);
        grid->addWidget(row.txtStart, n, 2);
        grid->addWidget(row.txtEnd, n, 3);
        for (int d = 0; d < 7; ++d) {
            auto* day = new QCheckBox(this);
            day->setObjectName(QStringLiteral("chkDay%1_%2").arg(n).arg(d + 1));
            day->setChecked(shown.days[size_t(d)]);
            row.chkDays[size_t(d)] = day;
            grid->addWidget(day, n, 4 + d);
        }
        row.spnGrace = minutesBox(this, shown.graceMinutes, QStringLiteral("spnGrace") + suffix);
        row.spnBreak =
            minutesBox(this, shown.minimumBreakMinutes, QStringLiteral("spnBreak") + suffix);
        grid->addWidget(row.spnGrace, n, 11);
        grid->addWidget(row.spnBreak, n, 12);
        connect(row.chkHours, &QCheckBox::toggled, this, [this, n] { showRowState(rows[n - 1]); });
        showRowState(row);
    }
    spnLimit = new QSpinBox(this);
    spnLimit->setObjectName(QStringLiteral("spnLimit"));
    spnLimit->setRange(MinOpenLimitHours, MaxOpenLimitHours);
    spnLimit->setSuffix(QStringLiteral(" hours"));
    spnLimit->setValue(schedule.openLimitHours);
    auto* limit = new QHBoxLayout;
    limit->addWidget(
        new QLabel(QStringLiteral("An IN open longer than this is a forgotten OUT:"), this));
    limit->addWidget(spnLimit);
    limit->addStretch();

    cmdSave = new QPushButton(QStringLiteral("Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdSave, &QPushButton::clicked, this, &frmShifts::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(limit);
    layout->addWidget(new QLabel(QStringLiteral("An IN later than the start, or an OUT earlier "
                                                "than the end, by more than the grace is listed "
                                                "in Reports > Exceptions."),
                                 this));
    layout->addLayout(buttons);
}

void frmShifts::showRowState(const Row& row)
{
    const bool on = row.chkHours->isChecked();
    row.txtStart->setEnabled(on);
    row.txtEnd->setEnabled(on);
    for (QCheckBox* day : row.chkDays)
        day->setEnabled(on);
    row.spnGrace->setEnabled(on);
    row.spnBreak->setEnabled(on);
}

ShiftSchedule frmShifts::schedule() const
{
    ShiftSchedule schedule;
    schedule.openLimitHours = spnLimit->value();
    for (int n = 1; n <= 9; ++n) {
        const Row& row = rows[size_t(n - 1)];
        if (!row.chkHours->isChecked())
            continue;
        ShiftHours shift;
        shift.number = n;
        shift.start = row.txtStart->time();
        shift.end = row.txtEnd->time();
        for (size_t d = 0; d < 7; ++d)
            shift.days[d] = row.chkDays[d]->isChecked();
        shift.graceMinutes = row.spnGrace->value();
        shift.minimumBreakMinutes = row.spnBreak->value();
        schedule.shifts.append(shift);
    }
    return schedule;
}

void frmShifts::cmdSave_Click()
{
    const ShiftSchedule shown = schedule();
    for (const ShiftHours& shift : shown.shifts) {
        if (shift.start == shift.end) {
            Messages::warning(QStringLiteral("Shift %1 ends when it starts. Give it an end, or "
                                             "untick its hours.")
                                  .arg(shift.number));
            return;
        }
    }
    if (const Result<> saved = m_save(shown); saved.failed()) {
        Messages::show(Messages::Icon::Critical, saved.message());
        return;
    }
    accept();
}
