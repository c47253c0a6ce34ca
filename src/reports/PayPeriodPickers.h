#pragma once

#include <QDate>
#include <QString>

class QDateEdit;
class QGroupBox;
class QWidget;

// The pay period block of both report selection windows: "From" and "To" date pickers showing
// MM/dd/yyyy, "(included)" and the note on the allowed lengths.
struct PayPeriodPickers
{
    QGroupBox* frame = nullptr;
    QDateEdit* DatePickerFrom = nullptr;
    QDateEdit* DatePickerTo = nullptr;

    // Builds the block in parent with the given frame caption, at left, top, width (twips).
    static PayPeriodPickers create(QWidget* parent, const QString& caption, int left, int top,
                                   int width);

    // Both pickers offer 31 December 1999 to 31 December 9999, so that today's defaults can
    // always be shown; the defaults are the seven days that end yesterday.
    void setDefaults(QDate today);

    QDate from() const;
    QDate to() const;

    // True for a pay period of whole weeks; otherwise says which lengths are allowed.
    bool checkPayPeriod() const;
};

// The latest day the pickers offer; the earliest is EarliestPayPeriodDate().
QDate LatestPayPeriodDate();
