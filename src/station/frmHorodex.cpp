#include "station/frmHorodex.h"

#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "platform/DesktopSession.h"
#include "station/AboutBox.h"
#include "station/AdminNotices.h"
#include "station/BadgeScanWatch.h"
#include "station/LockDown.h"
#include "station/PunchButtonArt.h"
#include "station/PunchRecording.h"
#include "station/frmAdminLogin.h"
#include "station/frmPin.h"
#include "sync/StationLink.h"
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

// The head of the record of corrections for the About box: this folder's on a computer alone; at
// the head station the server's, as its exchange last read it (the box never waits for the
// network); none at a punch station, which corrects no card.
QString correctionHeadText(StationLink* link)
{
    if (!link) {
        CorrectionLogHead head;
        const IoResult read = ReadCorrectionLogHead(&head);
        return read ? CorrectionLogHeadText(head) : read.error;
    }
    if (!link->config().isHead())
        return QString();
    const std::optional<CorrectionLogHead> head = link->status().correctionHead;
    return head ? CorrectionLogHeadText(*head)
                : QStringLiteral("The head of the record of corrections is shown once the server "
                                 "has been reached.");
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

void frmHorodex::setStationLink(StationLink* link)
{
    m_link = link;
    // The punches of every station for the reports, Who Is In and the time cards.
    m_punches = link ? &link->punches() : &DataFolderPunches();
    if (!link)
        return;
    connect(link, &StationLink::statusChanged, this, &frmHorodex::updateCaption);
    connect(link, &StationLink::sharedFilesReplaced, this, &frmHorodex::reloadSharedFiles);
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

QString frmHorodex::selectedName() const
{
    const QListWidgetItem* item = lstNames->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

QStringList frmHorodex::listedNames() const
{
    QStringList names;
    for (int i = 0; i < lstNames->count(); ++i)
        names.append(lstNames->item(i)->text());
    return names;
}

QString frmHorodex::selectedNameOrSaySo() const
{
    const QString name = selectedName();
    if (name.isEmpty())
        Messages::show(Messages::Icon::None, QStringLiteral("Please select an employee"));
    return name;
}

void frmHorodex::lstNames_Click()
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    if (TimeFileIsValid(name)) {
        ShowLastAction(name);
    } else {
        ShowMessageWindow(WindowMessage::InvalidTimeFile, this);
        clearLastAction();
    }
}

void frmHorodex::punch(bool isIn)
{
    // Said rather than ignored: the employee must not walk away believing he punched.
    const QString name = selectedNameOrSaySo();
    if (name.isEmpty())
        return;
    if (!TimeFileIsValid(name)) {
        ShowMessageWindow(WindowMessage::InvalidTimeFile, this);
        return;
    }
    if (!OptionsRecord::isOn(GlobalOptions().AskForPin)) {
        RecordPunch(name, isIn);
        return;
    }
    frmPin pin(name, isIn, this);
    const bool recorded = pin.exec() == QDialog::Accepted;
    // The window manager took the station along when it minimised the keypad.
    if (pin.wasMinimised())
        showWithFocus();
    if (recorded)
        showPunch(name, pin.recorded());
}

bool frmHorodex::RecordPunch(const QString& name, bool isIn)
{
    TimeRecord punched;
    if (!RecordPunchOrSaySo(name, isIn, &punched))
        return false;
    showPunch(name, punched);
    return true;
}

void frmHorodex::showPunch(const QString& name, const TimeRecord& punched)
{
    // On its way at once rather than at the next round; the exchange never holds the window.
    if (m_link)
        m_link->exchangeNow();
    // The strip tells him that his punch is on disk, so it is painted at once; his name and the
    // buttons, changed before any later click is taken, are painted with the next paint.
    showStrip(FormatLastActionText(punched, GlobalOptions().timeFormat()));
    picLastAction->repaint();
    setPunchButtons(punched.isIn());
    selectListed(name);
}

void frmHorodex::watchBadgeScans()
{
    m_badgeScans = new BadgeScanWatch(this);
    connect(m_badgeScans, &BadgeScanWatch::scanned, this, &frmHorodex::punchWithBadge);
}

void frmHorodex::punchWithBadge(const QString& code)
{
    const QString name = BadgeHolderOrSaySo(code);
    if (name.isEmpty())
        return;
    if (listedRow(name) < 0) {
        Messages::warning(QStringLiteral("The badge of %1 is known, but %1 is not in the list of "
                                         "employees.")
                              .arg(FileStore::displayText(name)));
        return;
    }
    // A window that opens (the PIN, a damaged time file) opens over his chosen name, exactly as
    // after choosing it by hand.
    const bool validFile = TimeFileIsValid(name);
    if (OptionsRecord::isOn(GlobalOptions().AskForPin) || !validFile) {
        selectListed(name);
        if (!validFile)
            lstNames_Click();
        else if (ShowLastAction(name))
            punch(cmdIn->isEnabled());
        return;
    }
    const Result<std::optional<TimeRecord>> last = lastPunchOf(name);
    if (!last) {
        selectListed(name);
        Messages::show(Messages::Icon::Critical, last.failure().error);
        clearLastAction();
        return;
    }
    if (RecordPunch(name, !(*last && (*last)->isIn())))
        return;
    // Nothing was written: his name and his last action are shown as they stand.
    selectListed(name);
    QString lastAction;
    showLastAction(LastActionOf(*last, GlobalOptions().timeFormat(), &lastAction), lastAction);
}

int frmHorodex::listedRow(const QString& name)
{
    // Built on first need: a scan must not search a thousand names one by one.
    if (m_rowOfName.isEmpty()) {
        for (int i = lstNames->count() - 1; i >= 0; --i)
            m_rowOfName.insert(lstNames->item(i)->text(), i);
    }
    return m_rowOfName.value(name, -1);
}

void frmHorodex::selectListed(const QString& name)
{
    const int row = listedRow(name);
    if (row < 0)
        return;
    const QSignalBlocker blocker(lstNames);
    lstNames->setCurrentRow(row);
}

Result<std::optional<TimeRecord>> frmHorodex::lastPunchOf(const QString& name)
{
    // Another station may have the newer punch; the link falls back on our file in time.
    if (!m_link)
        return ReadLastPunch(name);
    LastActionSource source;
    return m_link->lastPunch(name, &source);
}

bool frmHorodex::ShowLastAction(const QString& name)
{
    QString lastAction;
    const Result<bool> isIn =
        LastActionOf(lastPunchOf(name), GlobalOptions().timeFormat(), &lastAction);
    if (!isIn.failure()) {
        Messages::show(Messages::Icon::Critical, isIn.failure().error);
        clearLastAction();
        return false;
    }
    showLastAction(*isIn, lastAction);
    return true;
}

void frmHorodex::showLastAction(bool isIn, const QString& lastAction)
{
    setPunchButtons(isIn);
    showStrip(lastAction);
}

void frmHorodex::setPunchButtons(bool isIn)
{
    cmdIn->setEnabled(!isIn);
    cmdOut->setEnabled(isIn);
}

void frmHorodex::showStrip(const QString& lastAction)
{
    picLastAction->setText(LastActionStripText(lastAction));
}

void frmHorodex::clearLastAction()
{
    picLastAction->clear();
}

QString frmHorodex::lastActionShown() const
{
    return picLastAction->text();
}

void frmHorodex::LoadEmployeeList()
{
    const Result<QStringList> names = EmployeeNames();
    const QSignalBlocker blocker(lstNames);
    lstNames->clear();
    m_rowOfName.clear();
    lstNames->addItems(*names);
    lstNames->selectionModel()->clearCurrentIndex();
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
    const QString selected = selectedName();
    LoadEmployeeList();
    const QList<QListWidgetItem*> still = lstNames->findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !still.isEmpty())
        lstNames->setCurrentItem(still.first());
}

bool frmHorodex::managedAtHead()
{
    if (!m_link || m_link->config().isHead())
        return false;
    Messages::information(ManagedAtHeadText(m_link->status().headStation));
    return true;
}

bool frmHorodex::payrollAtHead()
{
    if (!m_link || m_link->config().isHead())
        return false;
    Messages::information(PayrollAtHeadText(m_link->config().station));
    return true;
}

void frmHorodex::exchangeSavedFiles()
{
    // The head station stores a changed employee list or settings file for the others now.
    if (m_link)
        m_link->exchangeNow();
}

void frmHorodex::updateCaption()
{
    setWindowTitle(MainWindowCaption(State().AdminLoggedIn,
                                     m_link ? StationCaptionText(m_link->status()) : QString()));
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
    AboutBox about(this, m_link ? StationStatusText(m_link->config(), m_link->status()) : QString(),
                   correctionHeadText(m_link));
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
