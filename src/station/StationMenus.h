#pragma once

#include "punch/PunchStore.h"
#include "station/StationRole.h"

#include <QObject>
#include <QString>

#include <optional>

class EmployeeListBox;
class StationPunches;
class QWidget;

// What the entries of the Manage and Reports menus do: the employee, badge, shift and options
// windows, the correction of a time card and the reports, each opened modally over the station.
// On a punch station of several, what is managed at the head says so and opens nothing.
class StationMenus : public QObject
{
    Q_OBJECT
public:
    struct Station
    {
        QWidget* window;
        EmployeeListBox* names;
        StationPunches* punching;
    };
    StationMenus(const Station& station, QObject* parent);

    // Where the reports, Who Is In and the time cards read punches. The store must outlive this.
    void setStore(PunchStore& punches) { m_punches = &punches; }
    void setRole(const StationRole& role) { m_role = role; }

    void createNewRecord();
    void deleteRecord();
    void modifyRecord();
    void correctTimeCard();
    void badges();
    void shifts();
    void options();
    void employeeReport();
    void multiplePayrollReport();
    void whoIsIn();
    void exceptions();

Q_SIGNALS:
    // The employee list file changed: the station's list is filled again.
    void employeeListChanged();
    // The employee list, the badges or the settings were saved: a head station sends them now.
    void filesSaved();

private:
    // Says where an entry is managed (when not here) and returns true, so that it opens nothing.
    bool saidElsewhere(const QString& where);
    void openEmployeeWindow(const std::optional<QString>& employeeToModify);
    void revokeBadgesOf(const QString& name);

    Station m_station;
    PunchStore* m_punches = &DataFolderPunches();
    StationRole m_role;
};
