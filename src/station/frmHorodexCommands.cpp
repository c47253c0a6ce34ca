// What the entries of the Manage and Reports menus do: the employee, badge and options windows,
// the correction of a time card and the reports, each opened modally over the main window.
#include "admin/frmAddEmployee.h"
#include "admin/frmBadges.h"
#include "admin/frmCorrectTimeCard.h"
#include "admin/frmOptions.h"
#include "admin/frmShifts.h"
#include "data/BadgeFile.h"
#include "data/ClockZone.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "payroll/WhoIsIn.h"
#include "reports/BadgeCardOutput.h"
#include "reports/frmExceptions.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "station/frmHorodex.h"
#include "ui/Messages.h"

#include <QSet>

void frmHorodex::mnuCreateNewRecord_Click()
{
    if (!saidElsewhere(m_role.managedAtHead))
        openEmployeeWindow(std::nullopt);
}

void frmHorodex::openEmployeeWindow(const std::optional<QString>& employeeToModify)
{
    const QStringList listed = lstNames->names();
    const QSet<QString> before(listed.cbegin(), listed.cend());
    frmAddEmployee window(employeeToModify, this);
    connect(&window, &frmAddEmployee::employeeListChanged, this, &frmHorodex::LoadEmployeeList);
    window.exec();
    // A badge left behind by someone of the same name, removed by hand, is not the new one's.
    for (const QString& name : lstNames->names()) {
        if (!before.contains(name))
            revokeBadgesOf(name);
    }
    Q_EMIT filesSaved();
}

void frmHorodex::mnuDeleteRecord_Click()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    QString answer;
    Messages::askText(QStringLiteral("Delete An Employee"),
                      QStringLiteral("Enter the name of the employee you wish to delete:"),
                      &answer);
    answer = answer.trimmed();
    if (!answer.isEmpty()) {
        bool removed = false;
        if (const IoResult deleted = DeleteEmployee(answer, &removed); !deleted)
            Messages::show(Messages::Icon::Critical, deleted.error);
        else if (!removed)
            Messages::warning(QStringLiteral("The employee you wish to delete has no record"));
        else
            revokeBadgesOf(answer);
    }
    LoadEmployeeList();
    Q_EMIT filesSaved();
}

void frmHorodex::mnuModifyRecord_Click()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    const QString name = m_punching->chosenNameOrSaySo();
    if (name.isEmpty())
        return;
    openEmployeeWindow(name);
}

void frmHorodex::mnuCorrectTimeCard_Click()
{
    // A punch station's time files must stay as sent: the head corrects the merged cards.
    if (saidElsewhere(m_role.managedAtHead))
        return;
    frmCorrectTimeCard window(lstNames->names(), lstNames->chosenName(), Environment::now().date(),
                              this, *m_punches);
    window.exec();
    // A corrected last punch changes which of IN and OUT the employee may press.
    if (!lstNames->chosenName().isEmpty())
        m_punching->showStateOf(lstNames->chosenName());
}

void frmHorodex::mnuBadges_Click()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    frmBadges window(lstNames->names(), OptionsRecord::trimmed(GlobalOptions().Company),
                     OutputBadgeCards, this);
    window.exec();
    Q_EMIT filesSaved();
}

void frmHorodex::mnuShifts_Click()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    if (!schedule) {
        Messages::show(Messages::Icon::Critical, schedule.failure().error);
        return;
    }
    frmShifts window(*schedule, this);
    window.exec();
}

void frmHorodex::mnuOptions_Click()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    frmOptions window(this);
    window.exec();
    Q_EMIT filesSaved();
}

void frmHorodex::mnuEmployeeReport_Click()
{
    // A punch station keeps no pay rates.
    if (saidElsewhere(m_role.payrollAtHead))
        return;
    const QString name = m_punching->chosenNameOrSaySo();
    if (name.isEmpty())
        return;
    frmSingleReport window(name, this, *m_punches);
    window.exec();
}

void frmHorodex::mnuMultiplePayrollReport_Click()
{
    if (saidElsewhere(m_role.payrollAtHead))
        return;
    if (lstNames->count() == 0) {
        Messages::information(
            QStringLiteral("You must have at least one employee to create this payroll report"));
        return;
    }
    frmMultipleReportSelect window(this, *m_punches);
    window.exec();
}

void frmHorodex::mnuWhoIsIn_Click()
{
    EmployeeList list;
    const IoResult read = ReadEmployeeList(&list);
    if (!read) {
        Messages::show(Messages::Icon::Critical, read.error);
        return;
    }
    WhoIsInList in;
    if (const IoResult r =
            FindWhoIsIn(list.records, Environment::now(), ClockZone(), *m_punches, &in);
        !r) {
        Messages::show(Messages::Icon::Critical, r.error);
        return;
    }
    ReportTexts texts(WhoIsInText(in, GlobalOptions().timeFormat(), RegionalFormats::current()),
                      QString(), QString(), true);
    texts.Title = QStringLiteral("Who Is In");
    texts.Csv = WhoIsInCsv(in);
    frmReport window(texts, this);
    window.exec();
}

void frmHorodex::mnuExceptions_Click()
{
    if (saidElsewhere(m_role.payrollAtHead))
        return;
    // The server's time cards would be read one employee at a time.
    if (m_punches != &DataFolderPunches()) {
        Messages::information(QStringLiteral("The exceptions are listed from the time files of "
                                             "this computer; the punches of several stations "
                                             "are not listed here yet."));
        return;
    }
    EmployeeList list;
    if (const IoResult read = ReadEmployeeList(&list); !read) {
        Messages::show(Messages::Icon::Critical, read.error);
        return;
    }
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    if (!schedule) {
        Messages::show(Messages::Icon::Critical, schedule.failure().error);
        return;
    }
    frmExceptions window(
        {list.records, *schedule, Environment::now(), ClockZone(), GlobalOptions().timeFormat()},
        *m_punches, this);
    if (window.exec() != QDialog::Accepted || !window.correctionAsked())
        return;
    const frmExceptions::CorrectionAsked& asked = *window.correctionAsked();
    frmCorrectTimeCard correct(lstNames->names(), asked.employee, Environment::now().date(), this,
                               *m_punches);
    // The week of the day, so that its pairs are shown with their hours.
    correct.setPeriod(asked.day.addDays(1 - asked.day.dayOfWeek()),
                      asked.day.addDays(7 - asked.day.dayOfWeek()), false);
    correct.setReason(asked.reason);
    correct.exec();
    if (!lstNames->chosenName().isEmpty())
        m_punching->showStateOf(lstNames->chosenName());
}

void frmHorodex::revokeBadgesOf(const QString& name)
{
    if (const IoResult revoked = RevokeBadges(name, Environment::now().date()); !revoked)
        Messages::warning(revoked.error);
}
