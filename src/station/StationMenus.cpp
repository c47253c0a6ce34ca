#include "station/StationMenus.h"

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
#include "station/EmployeeListBox.h"
#include "station/StationPunches.h"
#include "ui/Messages.h"

#include <QSet>

StationMenus::StationMenus(const Station& station, QObject* parent)
    : QObject(parent), m_station(station)
{
}

bool StationMenus::saidElsewhere(const QString& where)
{
    if (where.isEmpty())
        return false;
    Messages::information(where);
    return true;
}

void StationMenus::createNewRecord()
{
    if (!saidElsewhere(m_role.managedAtHead))
        openEmployeeWindow(std::nullopt);
}

void StationMenus::openEmployeeWindow(const std::optional<QString>& employeeToModify)
{
    const QStringList listed = m_station.names->names();
    const QSet<QString> before(listed.cbegin(), listed.cend());
    frmAddEmployee window(employeeToModify, m_station.window);
    connect(&window, &frmAddEmployee::employeeListChanged, this,
            &StationMenus::employeeListChanged);
    window.exec();
    // A badge left behind by someone of the same name, removed by hand, is not the new one's.
    for (const QString& name : m_station.names->names()) {
        if (!before.contains(name))
            revokeBadgesOf(name);
    }
    Q_EMIT filesSaved();
}

void StationMenus::deleteRecord()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    QString answer;
    Messages::askText(QStringLiteral("Delete An Employee"),
                      QStringLiteral("Enter the name of the employee you wish to delete:"),
                      &answer);
    answer = answer.trimmed();
    if (!answer.isEmpty()) {
        const Result<bool> removed = DeleteEmployee(answer);
        if (removed.ok() && !*removed)
            Messages::warning(QStringLiteral("The employee you wish to delete has no record"));
        else if (!Messages::failed(removed))
            revokeBadgesOf(answer);
    }
    Q_EMIT employeeListChanged();
    Q_EMIT filesSaved();
}

void StationMenus::modifyRecord()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    const QString name = m_station.punching->chosenNameOrSaySo();
    if (name.isEmpty())
        return;
    openEmployeeWindow(name);
}

void StationMenus::correctTimeCard()
{
    // A punch station's time files must stay as sent: the head corrects the merged cards.
    if (saidElsewhere(m_role.managedAtHead))
        return;
    frmCorrectTimeCard window(m_station.names->names(), m_station.names->chosenName(),
                              Environment::now().date(), m_station.window, *m_punches);
    window.exec();
    // A corrected last punch changes which of IN and OUT the employee may press.
    if (!m_station.names->chosenName().isEmpty())
        m_station.punching->showStateOf(m_station.names->chosenName());
}

void StationMenus::badges()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    frmBadges window(m_station.names->names(), OptionsRecord::trimmed(GlobalOptions().Company),
                     OutputBadgeCards, m_station.window);
    window.exec();
    Q_EMIT filesSaved();
}

void StationMenus::shifts()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    if (Messages::failed(schedule))
        return;
    frmShifts window(*schedule, m_station.window);
    window.exec();
}

void StationMenus::options()
{
    if (saidElsewhere(m_role.managedAtHead))
        return;
    frmOptions window(m_station.window);
    window.exec();
    Q_EMIT filesSaved();
}

void StationMenus::employeeReport()
{
    // A punch station keeps no pay rates.
    if (saidElsewhere(m_role.payrollAtHead))
        return;
    const QString name = m_station.punching->chosenNameOrSaySo();
    if (name.isEmpty())
        return;
    frmSingleReport window(name, m_station.window, *m_punches);
    window.exec();
}

void StationMenus::multiplePayrollReport()
{
    if (saidElsewhere(m_role.payrollAtHead))
        return;
    if (m_station.names->count() == 0) {
        Messages::information(
            QStringLiteral("You must have at least one employee to create this payroll report"));
        return;
    }
    frmMultipleReportSelect window(m_station.window, *m_punches);
    window.exec();
}

void StationMenus::whoIsIn()
{
    const Result<EmployeeList> list = ReadEmployeeList();
    if (Messages::failed(list))
        return;
    const Result<WhoIsInList> in =
        FindWhoIsIn(list->records, Environment::now(), ClockZone(), *m_punches);
    if (Messages::failed(in))
        return;
    ReportTexts texts(WhoIsInText(*in, GlobalOptions().timeFormat(), RegionalFormats::current()),
                      QString(), QString(), true);
    texts.Title = QStringLiteral("Who Is In");
    texts.Csv = WhoIsInCsv(*in);
    frmReport window(texts, m_station.window);
    window.exec();
}

void StationMenus::exceptions()
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
    const Result<EmployeeList> list = ReadEmployeeList();
    if (Messages::failed(list))
        return;
    const Result<ShiftSchedule> schedule = ReadShiftSchedule();
    if (Messages::failed(schedule))
        return;
    frmExceptions window(
        {list->records, *schedule, Environment::now(), ClockZone(), GlobalOptions().timeFormat()},
        *m_punches, m_station.window);
    if (window.exec() != QDialog::Accepted || !window.correctionAsked())
        return;
    const frmExceptions::CorrectionAsked& asked = *window.correctionAsked();
    frmCorrectTimeCard correct(m_station.names->names(), asked.employee, Environment::now().date(),
                               m_station.window, *m_punches);
    // The week of the day, so that its pairs are shown with their hours.
    correct.setPeriod(asked.day.addDays(1 - asked.day.dayOfWeek()),
                      asked.day.addDays(7 - asked.day.dayOfWeek()), false);
    correct.setReason(asked.reason);
    correct.exec();
    if (!m_station.names->chosenName().isEmpty())
        m_station.punching->showStateOf(m_station.names->chosenName());
}

void StationMenus::revokeBadgesOf(const QString& name)
{
    if (const IoResult revoked = RevokeBadges(name, Environment::now().date()); !revoked)
        Messages::warning(revoked.error);
}
