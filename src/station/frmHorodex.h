#pragma once

#include "payroll/PunchStore.h"
#include "station/MainWindowRules.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <optional>

enum class LoginMode;
class BadgeScanWatch;
class LockDown;
class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;
class StationLink;

// The punch station: the employee list, the clock, IN and OUT, and the administrator's menus.
class frmHorodex : public QMainWindow
{
    Q_OBJECT
public:
    using CloseReason = ::CloseReason;

    explicit frmHorodex(CommandSwitch commandSwitch = CommandSwitch::None,
                        QWidget* parent = nullptr);
    ~frmHorodex() override;

    // One of several stations: punches are sent through the link, last actions come from every
    // station, and the link decides where employees and options are managed. Without a link
    // the station keeps to its own files. The link must outlive the window.
    void setStationLink(StationLink* link);

    // Runs the start-up sequence once the data folder's files are ready: without settings the
    // first-run login opens instead of the window.
    void Form_Load(bool haveSettings);

    void tmrTimer_Timer();
    void lstNames_Click();
    void cmdIn_Click() { punch(true); }
    void cmdOut_Click() { punch(false); }
    void mnuAdminLogin_Click();
    void mnuExit_Click();
    void mnuCreateNewRecord_Click();
    void mnuDeleteRecord_Click();
    void mnuModifyRecord_Click();
    void mnuCorrectTimeCard_Click();
    void mnuBadges_Click();
    void mnuShifts_Click();
    void mnuOptions_Click();
    void mnuEmployeeReport_Click();
    void mnuMultiplePayrollReport_Click();
    void mnuWhoIsIn_Click();
    void mnuExceptions_Click();
    void mnuAbout_Click();

    // Refills lstNames from the employee list file, in file order.
    void LoadEmployeeList();
    // Sets cmdIn, cmdOut and picLastAction from the employee's last punch; false (after saying
    // why) when it cannot be read.
    bool ShowLastAction(const QString& name);
    // Appends the punch; on success refreshes the buttons and strip, on failure says so and
    // changes nothing on screen.
    bool RecordPunch(const QString& name, bool isIn);
    void setAdminLoggedIn(bool loggedIn);
    // Closes the program for the given reason, following the closing rules.
    void requestClose(CloseReason reason);

    LockDown* lockDown() const { return m_lockDown; }
    QString lastActionShown() const;

    QListWidget* lstNames;
    QLabel* lblTimeLabel;
    QLabel* lblDate;
    QPushButton* cmdIn;
    QPushButton* cmdOut;
    QLabel* picLastAction;
    QTimer* tmrTimer;
    QTimer* tmrSecurity;
    QMenu* mnuFile;
    QMenu* mnuManage;
    QMenu* mnuView;
    QMenu* mnuHelp;
    QAction* mnuAdminLogin;
    QAction* mnuExit;
    QAction* mnuCreateNewRecord;
    QAction* mnuDeleteRecord;
    QAction* mnuModifyRecord;
    QAction* mnuCorrectTimeCard;
    QAction* mnuBadges;
    QAction* mnuShifts;
    QAction* mnuOptions;
    QAction* mnuEmployeeReport;
    QAction* mnuMultiplePayrollReport;
    QAction* mnuWhoIsIn;
    QAction* mnuExceptions;
    QAction* mnuAbout;
    QLabel* lblAdmin; // shown while an administrator is logged in

Q_SIGNALS:
    // The main window has closed for good: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showWithFocus();
    void buildMenus();
    void setControlFonts();
    void punch(bool isIn);
    // After a punch is recorded: sends it and shows it, the strip first.
    void showPunch(const QString& name, const TimeRecord& punched);
    // A badge reader's scan punches its holder as choosing his name and pressing IN or OUT does.
    void watchBadgeScans();
    void punchWithBadge(const QString& code);
    // The row of the name in lstNames, or -1 when it is not listed.
    int listedRow(const QString& name);
    void selectListed(const QString& name);
    void revokeBadgesOf(const QString& name);
    // On a punch station of several: says where employees and options are managed and returns
    // true, so that the entry opens nothing.
    bool managedAtHead();
    // A punch station says that payroll reports are made at the head, and opens nothing.
    bool payrollAtHead();
    void exchangeSavedFiles();
    void reloadSharedFiles(const QStringList& files);
    void updateCaption();
    void openStartLogin(LoginMode mode);
    void openEmployeeWindow(const std::optional<QString>& employeeToModify);
    // The employee's last punch, read from his file or through the link.
    Result<std::optional<TimeRecord>> lastPunchOf(const QString& name);
    void showLastAction(bool isIn, const QString& lastAction);
    void setPunchButtons(bool isIn);
    void showStrip(const QString& lastAction);
    void clearLastAction();
    void setManagementMenusEnabled(bool enabled);
    void cleanUp();
    void closeOtherWindows();
    QString selectedName() const;
    QStringList listedNames() const;
    // The selected name, or none after saying that an employee must be selected.
    QString selectedNameOrSaySo() const;

    CommandSwitch m_commandSwitch;
    LockDown* m_lockDown;
    BadgeScanWatch* m_badgeScans = nullptr;
    StationLink* m_link = nullptr;
    // Where the reports, Who Is In and the time cards read punches.
    PunchStore* m_punches = &DataFolderPunches();
    CloseReason m_closeReason = CloseReason::User;
    QHash<QString, int> m_rowOfName;
};
