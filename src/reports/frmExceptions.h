#pragma once

#include "data/EmployeeList.h"
#include "data/ShiftHours.h"
#include "payroll/PunchExceptions.h"
#include "punch/PunchStore.h"

#include <QDateTime>
#include <QDialog>
#include <QTimeZone>

#include <optional>

class QDateEdit;
class QLabel;
class QPushButton;
class QTreeWidget;

// Reports > Exceptions: the punches to look at before pay day, per employee and day, from which
// the administrator opens Correct Time Card on the day with the reason filled in, or approves an
// OUT declared or flagged at the station.
class frmExceptions : public QDialog
{
    Q_OBJECT
public:
    struct Inputs
    {
        QList<EmployeeRecord> employees;
        ShiftSchedule schedule;
        QDateTime now;
        QTimeZone zone;
        QString timeFormat;
    };
    // Where Correct Time Card opens when the window closes with cmdCorrect.
    struct CorrectionAsked
    {
        QString employee;
        QDate day;
        QString reason;
    };

    frmExceptions(Inputs inputs, PunchStore& punches, QWidget* parent = nullptr);

    void cmdShow_Click();
    void cmdCorrect_Click();
    void cmdApprove_Click();
    const std::optional<CorrectionAsked>& correctionAsked() const { return m_asked; }

    QDateEdit* DatePickerFrom;
    QDateEdit* DatePickerTo;
    QPushButton* cmdShow;
    QTreeWidget* lstExceptions;
    QLabel* lblSummary;
    QPushButton* cmdCorrect;
    QPushButton* cmdApprove; // enabled on a punch awaiting approval
    QPushButton* cmdClose;

private:
    const PunchException* selected() const;
    void lstExceptions_CurrentItemChanged();

    Inputs m_inputs;
    PunchStore& m_punches;
    QList<PunchException> m_shown;
    std::optional<CorrectionAsked> m_asked;
};
