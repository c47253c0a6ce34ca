#include "reports/PayPeriodPickers.h"

#include "payroll/PayPeriod.h"
#include "ui/Messages.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>

namespace {

QDateEdit* datePicker(QWidget* parent, const char* name, const QRect& rect)
{
    auto* picker = new QDateEdit(parent);
    picker->setObjectName(QLatin1String(name));
    picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    picker->setCalendarPopup(true);
    picker->setGeometry(rect);
    return picker;
}

} // namespace

QDate LatestPayPeriodDate()
{
    return QDate(9999, 12, 31);
}

PayPeriodPickers PayPeriodPickers::create(QWidget* parent, const QString& caption, int left,
                                          int top, int width)
{
    PayPeriodPickers p;
    p.frame = new QGroupBox(caption, parent);
    p.frame->setGeometry(TwipsRect(left, top, width, 1215));
    NamedControl<QLabel>(p.frame, nullptr, QStringLiteral("From"), TwipsRect(120, 480, 375, 375));
    p.DatePickerFrom = datePicker(p.frame, "DatePickerFrom", TwipsRect(600, 360, 1335, 375));
    NamedControl<QLabel>(p.frame, nullptr, QStringLiteral("To"), TwipsRect(2040, 480, 375, 375));
    p.DatePickerTo = datePicker(p.frame, "DatePickerTo", TwipsRect(2400, 360, 1335, 375));
    NamedControl<QLabel>(p.frame, nullptr, QStringLiteral("(included)"),
                         TwipsRect(3840, 480, 735, 255));
    NamedControl<QLabel>(p.frame, nullptr,
                         QStringLiteral("Note: You may only select a period of 1, 2, 3 or 4 weeks"),
                         TwipsRect(120, 840, 4215, 255));
    return p;
}

void PayPeriodPickers::setDefaults(QDate today)
{
    for (QDateEdit* picker : {DatePickerFrom, DatePickerTo}) {
        picker->setMinimumDate(EarliestPayPeriodDate());
        picker->setMaximumDate(LatestPayPeriodDate());
    }
    DatePickerFrom->setDate(today.addDays(-7));
    DatePickerTo->setDate(today.addDays(-1));
}

QDate PayPeriodPickers::from() const
{
    return DatePickerFrom->date();
}

QDate PayPeriodPickers::to() const
{
    return DatePickerTo->date();
}

bool PayPeriodPickers::checkPayPeriod() const
{
    if (IsValidPayPeriod(from(), to()))
        return true;
    Messages::information(PayPeriodMessage());
    return false;
}
