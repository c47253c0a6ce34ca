#pragma once

#include "punch/PunchDesk.h"
#include "punch/PunchStore.h"
#include "station/EmployeeListBox.h"
#include "station/MainWindowRules.h"
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
class frmPin;

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
    // Records the punch; on success refreshes the buttons and strip, on failure says so and
    // changes nothing on screen.
    bool RecordPunch(const QString& name, bool isIn);
    void setAdminLoggedIn(bool loggedIn);
    // Closes the program for the given reason, following the closing rules.
    void requestClose(CloseReason reason);

    LockDown* lockDown() const { return m_lockDown; }
    PunchDesk& desk() { return m_desk; }
    // How long the answer to a scan stays in the strip before his last action comes back.
    static constexpr int ScanAnswerMs = 5000;
    QString lastActionShown() const;

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
    void punch(bool isIn);
    void punchAs(const QString& name, bool isIn);
    // The PIN window for the punch; true when his PIN was right.
    bool pinTyped(const QString& name, bool isIn);
    // Shows the employee's state; none (after saying why) when he cannot punch from it.
    std::optional<PunchState> showStateOf(const QString& name);
    void showState(const PunchState& state);
    // The answer to a scan in the strip, for ScanAnswerMs: it blocks nobody behind.
    void showScanAnswer(const QString& text);
    // A badge reader's scan punches its holder as choosing his name and pressing IN or OUT does.
    void watchBadgeScans();
    void punchWithBadge(const QString& code);
    void revokeBadgesOf(const QString& name);
    // On a punch station of several, an entry managed at the head says so (where is not empty)
    // and returns true, so that it opens nothing.
    bool saidElsewhere(const QString& where);
    void updateCaption();
    void openStartLogin(LoginMode mode);
    void openEmployeeWindow(const std::optional<QString>& employeeToModify);
    void setManagementMenusEnabled(bool enabled);
    void cleanUp();
    void closeOtherWindows();
    // The selected name, or none after saying that an employee must be selected.
    QString selectedNameOrSaySo() const;

    CommandSwitch m_commandSwitch;
    LockDown* m_lockDown;
    BadgeScanWatch* m_badgeScans = nullptr;
    // Where the reports, Who Is In and the time cards read punches, and the desk punches.
    PunchStore* m_punches = &DataFolderPunches();
    PunchDesk m_desk{DataFolderPunches()};
    StationRole m_role;
    QPointer<frmPin> m_keypad; // open while a punch waits for a PIN
    QString m_scanAfterKeypad; // a scan that closed the keypad, taken once it has closed
    QTimer* m_answerTimer = nullptr;
    QString m_stripState; // what the strip shows once a scan's answer has gone
    CloseReason m_closeReason = CloseReason::User;
};
