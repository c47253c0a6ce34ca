#pragma once

#include "data/ShiftHours.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QPushButton;
class QSpinBox;
class QTimeEdit;

// The usual hours of shifts 1 to 9, against which the exceptions list late and early punches, and
// how long an IN may stay open. A shift without "Hours" ticked has none.
class frmShifts : public QDialog
{
    Q_OBJECT
public:
    using Saver = std::function<Result<>(const ShiftSchedule&)>;

    explicit frmShifts(const ShiftSchedule& schedule, QWidget* parent = nullptr,
                       Saver save = WriteShiftSchedule);

    // The schedule as the controls show it.
    ShiftSchedule schedule() const;
    // Saves and closes; stays open, with the message shown, when it could not.
    void cmdSave_Click();

    struct Row
    {
        QCheckBox* chkHours;
        QTimeEdit* txtStart;
        QTimeEdit* txtEnd;
        std::array<QCheckBox*, 7> chkDays;
        QSpinBox* spnGrace;
        QSpinBox* spnBreak;
    };
    QSpinBox* spnLimit;
    std::array<Row, 9> rows; // shift n is rows[n - 1]
    QPushButton* cmdSave;
    QPushButton* cmdCancel;

private:
    void showRowState(const Row& row);

    Saver m_save;
};
