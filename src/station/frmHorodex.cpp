#include "station/frmHorodex.h"

#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "platform/DesktopSession.h"
#include "station/AboutBox.h"
#include "station/AdminNotices.h"
#include "station/BadgeScanWatch.h"
#include "station/LockDown.h"
#include "station/PunchButtonArt.h"
#include "station/frmAdminLogin.h"
#include "ui/AfterFirstPaint.h"
#include "ui/Messages.h"
#include "ui/ProgramState.h"
#include "ui/WindowFrames.h"
#include "ui/frmMsgBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// The head of this data folder's record of corrections for the About box, or why it is not read.
QString localCorrectionHead()
{
    CorrectionLogHead head;
    const IoResult read = ReadCorrectionLogHead(&head);
    return read ? CorrectionLogHeadText(head) : read.error;
}

} // namespace

frmHorodex::frmHorodex(CommandSwitch commandSwitch, QWidget* parent)
    : QMainWindow(parent), m_commandSwitch(commandSwitch)
{
    setObjectName(QStringLiteral("frmHorodex"));
    UseMainWindowFrame(this);
    State().MainWindow = this;
    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrSecurity = new QTimer(this);
    tmrSecurity->setObjectName(QStringLiteral("tmrSecurity"));
    m_lockDown = new LockDown(tmrSecurity, this);
    buildControls();
    buildMenus();
    m_punching =
        new StationPunches({this, lstNames, cmdIn, cmdOut, picLastAction}, DataFolderPunches());
    m_menus = new StationMenus({this, lstNames, m_punching}, this);
    connect(m_menus, &StationMenus::employeeListChanged, this, &frmHorodex::LoadEmployeeList);
    connect(m_menus, &StationMenus::filesSaved, this, &frmHorodex::filesSaved);
    connect(m_punching, &StationPunches::stationHidden, this, &frmHorodex::showWithFocus);
    watchBadgeScans();
    connect(tmrTimer, &QTimer::timeout, this, &frmHorodex::tmrTimer_Timer);
    // Drawn on the event loop's first turn, after the window is shown and before it is painted:
    // their text needs a font that nothing else needs yet, which would hold the first show up.
    QTimer::singleShot(0, this, [this] {
        cmdIn->setIcon(QIcon(PunchButtonPicture(true)));
        cmdOut->setIcon(QIcon(PunchButtonPicture(false)));
    });
}

frmHorodex::~frmHorodex() = default;

void frmHorodex::setPunchStore(PunchStore& punches)
{
    m_punching->setStore(punches);
    m_menus->setStore(punches);
}

void frmHorodex::setStationRole(const StationRole& role)
{
    m_role = role;
    m_menus->setRole(role);
    updateCaption();
}

void frmHorodex::Form_Load(bool haveSettings)
{
    setWindowTitle(QStringLiteral("Horodex"));
    tmrTimer->setInterval(1000);
    tmrTimer->start();
    setControlFonts();
    LoadEmployeeList();

    State().AdminLoggedIn = false;
    setManagementMenusEnabled(m_commandSwitch == CommandSwitch::OpenMenus);

    adjustSize();
    // A kiosk compositor sizes its one program to the whole output; elsewhere the size holds.
    if (!DesktopSession::isKiosk())
        setFixedSize(size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    switch (StartLoginFor(haveSettings, OptionsRecord::isOn(GlobalOptions().AskOnStart),
                          m_commandSwitch)) {
    case StartLogin::FirstRun:
        openStartLogin(LoginMode::FirstRun);
        break;
    case StartLogin::Start:
        openStartLogin(LoginMode::Start);
        break;
    case StartLogin::None:
        showWithFocus();
        // Lock-down off only gives back what an earlier run left locked: the list comes first.
        if (OptionsRecord::isOn(GlobalOptions().SecurityEnabled))
            m_lockDown->ApplySecurityOption();
        else
            RunAfterFirstPaint(this, [this] { m_lockDown->ApplySecurityOption(); });
        break;
    }
}

void frmHorodex::showWithFocus()
{
    if (isMinimized())
        showNormal();
    show();
    // Without a window manager nobody else gives the keyboard, and a badge reader types into
    // whatever has it; the lock-down, when on, keeps it here afterwards.
    activateWindow();
}

void frmHorodex::openStartLogin(LoginMode mode)
{
    auto* login = new frmAdminLogin(mode, this);
    login->setAttribute(Qt::WA_DeleteOnClose);
    // The main window appears once the password is right; without it the program ends.
    connect(login, &QDialog::finished, this, [this, mode](int verdict) {
        if (verdict != QDialog::Accepted) {
            requestClose(CloseReason::LoginCancelled);
            return;
        }
        showWithFocus();
        if (mode == LoginMode::Start)
            m_lockDown->ApplySecurityOption();
    });
    login->showBeforeMainWindow();
}

void frmHorodex::tmrTimer_Timer()
{
    const QDateTime now = Environment::now();
    lblTimeLabel->setText(FormatTimeOfDay(now.time(), GlobalOptions().timeFormat()));
    lblDate->setText(Environment::regionalLocale().toString(now.date(), QLocale::LongFormat));
}

void frmHorodex::lstNames_Click()
{
    const QString name = lstNames->chosenName();
    if (!name.isEmpty())
        m_punching->showStateOf(name);
}

void frmHorodex::watchBadgeScans()
{
    m_badgeScans = new BadgeScanWatch(this);
    connect(m_badgeScans, &BadgeScanWatch::scanned, m_punching, &StationPunches::punchWithBadge);
}

void frmHorodex::LoadEmployeeList()
{
    const Result<QStringList> names = EmployeeNames();
    lstNames->setNames(*names);
    if (!names.warning())
        Messages::warning(names.warning().error);
}

void frmHorodex::reloadSharedFiles(const QStringList& files)
{
    // The head station's employees or settings have replaced this station's files.
    if (files.contains(QStringLiteral("options.ini"))) {
        OptionsRecord record;
        if (const IoResult read = ReadOptionsFile(&record); !read)
            Messages::show(Messages::Icon::Critical, read.error);
        else
            GlobalOptions() = record;
    }
    if (!files.contains(QStringLiteral("names.nms")))
        return;
    const QString selected = lstNames->chosenName();
    LoadEmployeeList();
    const QList<QListWidgetItem*> still = lstNames->findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !still.isEmpty())
        lstNames->setCurrentItem(still.first());
}

void frmHorodex::updateCaption()
{
    setWindowTitle(MainWindowCaption(State().AdminLoggedIn, m_role.caption));
}

void frmHorodex::setManagementMenusEnabled(bool enabled)
{
    mnuManage->setEnabled(enabled);
    mnuManage->menuAction()->setEnabled(enabled);
    mnuView->setEnabled(enabled);
    mnuView->menuAction()->setEnabled(enabled);
}

void frmHorodex::setAdminLoggedIn(bool loggedIn)
{
    State().AdminLoggedIn = loggedIn;
    mnuAdminLogin->setText(AdminLoginEntryText(loggedIn));
    lblAdmin->setVisible(loggedIn);
    updateCaption();
    // Logging out disables them even under "/sp": that switch only opens them at start.
    setManagementMenusEnabled(loggedIn);
    if (loggedIn)
        m_lockDown->SetLockDown(false);
    else
        m_lockDown->ApplySecurityOption();
}

void frmHorodex::mnuAdminLogin_Click()
{
    if (State().AdminLoggedIn) {
        setAdminLoggedIn(false);
        return;
    }
    frmAdminLogin login(LoginMode::Management, this);
    if (login.exec() != QDialog::Accepted)
        return;
    setAdminLoggedIn(true);
    if (const QString notice = AdminLoginNotice(); !notice.isEmpty())
        Messages::information(notice);
}

void frmHorodex::mnuExit_Click()
{
    close();
}

void frmHorodex::mnuAbout_Click()
{
    AboutBox about(this, m_role.about,
                   m_role.correctionHead ? *m_role.correctionHead : localCorrectionHead());
    about.exec();
}

void frmHorodex::cleanUp()
{
    m_lockDown->SetLockDown(false);
    m_lockDown->ScreenSaverOn();
}

void frmHorodex::closeOtherWindows()
{
    // Most recently opened first: the modal chain unwinds from its top.
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == this)
            break;
        modal->close();
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (w != this && w->isVisible())
            w->close();
    }
}

void frmHorodex::requestClose(CloseReason reason)
{
    m_closeReason = reason;
    close();
    m_closeReason = CloseReason::User;
}

void frmHorodex::closeEvent(QCloseEvent* event)
{
    const ClosePlan plan = ClosePlanFor(
        m_closeReason, OptionsRecord::isOn(GlobalOptions().AskOnExit), State().AdminLoggedIn);
    if (plan.askExitPassword) {
        frmAdminLogin login(LoginMode::Exit, this);
        if (login.exec() != QDialog::Accepted) {
            event->ignore();
            return;
        }
    }
    cleanUp();
    if (plan.closeOtherWindows)
        closeOtherWindows();
    tmrTimer->stop();
    event->accept();
    Q_EMIT closed();
}
