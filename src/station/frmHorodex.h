#pragma once

#include "punch/PunchStore.h"
#include "station/EmployeeListBox.h"
#include "station/MainWindowRules.h"
#include "station/StationMenus.h"
#include "station/StationPunches.h"
#include "station/StationRole.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <optional>

enum class LoginMode;
class BadgeScanWatch;
class LockDown;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

// The punch station: the employee list, the clock, IN and OUT, and the administrator's menus.
class frmHorodex : public QMainWindow
{
    Q_OBJECT
public:
    using CloseReason = ::CloseReason;

    explicit frmHorodex(CommandSwitch commandSwitch = CommandSwitch::None,
                        QWidget* parent = nullptr);
    ~frmHorodex() override;

    // Where punches are recorded and read: this data folder's time files unless told otherwise.
    // The store must outlive the window.
    void setPunchStore(PunchStore& punches);
    // One of several stations: what the window says of it, again after each exchange.
    void setStationRole(const StationRole& role);
    // The head station's employees or settings have replaced this station's files.
    void reloadSharedFiles(const QStringList& files);

    // Runs the start-up sequence once the data folder's files are ready: without settings the
    // first-run login opens instead of the window.
    void Form_Load(bool haveSettings);

    void tmrTimer_Timer();
    void lstNames_Click();
    void cmdIn_Click() { m_punching->punch(true); }
    void cmdOut_Click() { m_punching->punch(false); }
    void mnuAdminLogin_Click();
    void mnuExit_Click();
    void mnuCreateNewRecord_Click() { m_menus->createNewRecord(); }
    void mnuDeleteRecord_Click() { m_menus->deleteRecord(); }
    void mnuModifyRecord_Click() { m_menus->modifyRecord(); }
    void mnuCorrectTimeCard_Click() { m_menus->correctTimeCard(); }
    void mnuBadges_Click() { m_menus->badges(); }
    void mnuShifts_Click() { m_menus->shifts(); }
    void mnuOptions_Click() { m_menus->options(); }
    void mnuEmployeeReport_Click() { m_menus->employeeReport(); }
    void mnuMultiplePayrollReport_Click() { m_menus->multiplePayrollReport(); }
    void mnuWhoIsIn_Click() { m_menus->whoIsIn(); }
    void mnuExceptions_Click() { m_menus->exceptions(); }
    void mnuAbout_Click();

    // Refills lstNames from the employee list file, in file order.
    void LoadEmployeeList();
    bool RecordPunch(const QString& name, bool isIn) { return m_punching->recordPunch(name, isIn); }
    void setAdminLoggedIn(bool loggedIn);
    // Closes the program for the given reason, following the closing rules.
    void requestClose(CloseReason reason);

    LockDown* lockDown() const { return m_lockDown; }
    PunchDesk& desk() { return m_punching->desk(); }
    static constexpr int ScanAnswerMs = StationPunches::ScanAnswerMs;
    QString lastActionShown() const { return m_punching->lastActionShown(); }

    EmployeeListBox* lstNames;
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
    // The employee list, the badges or the settings were saved: a head station sends them now.
    void filesSaved();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void showWithFocus();
    void buildMenus();
    void setControlFonts();
    // A badge reader's scan punches its holder as choosing his name and pressing IN or OUT does.
    void watchBadgeScans();
    void updateCaption();
    void openStartLogin(LoginMode mode);
    void setManagementMenusEnabled(bool enabled);
    void cleanUp();
    void closeOtherWindows();

    CommandSwitch m_commandSwitch;
    LockDown* m_lockDown;
    BadgeScanWatch* m_badgeScans = nullptr;
    StationPunches* m_punching = nullptr;
    StationMenus* m_menus = nullptr;
    StationRole m_role;
    CloseReason m_closeReason = CloseReason::User;
};
