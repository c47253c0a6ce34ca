#include "station/frmHorodex.h"

#include "admin/frmAddEmployee.h"
#include "admin/frmBadges.h"
#include "admin/frmCorrectTimeCard.h"
#include "admin/frmOptions.h"
#include "data/BadgeFile.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "platform/DesktopSession.h"
#include "reports/BadgeCardOutput.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "reports/text/WhoIsIn.h"
#include "station/AboutBox.h"
#include "station/AdminNotices.h"
#include "station/BadgeScanWatch.h"
#include "station/LockDown.h"
#include "station/PunchButtonArt.h"
#include "station/PunchRecording.h"
#include "station/StationBackground.h"
#include "station/frmAdminLogin.h"
#include "station/frmPin.h"
#include "sync/StationLink.h"
#include "ui/Messages.h"
#include "ui/ProgramState.h"
#include "ui/Twips.h"
#include "ui/WindowFrames.h"
#include "ui/frmMsgBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

// The employee list shows no current row until a name is chosen: a list taking the focus makes
// its first row current, and its focus frame would look like a chosen name to whoever punches.
class EmployeeListBox : public QListWidget
{
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QListWidget::focusInEvent(event);
        if (selectedItems().isEmpty())
            selectionModel()->clearCurrentIndex();
    }
};

// The head of the record of corrections for the About box: this folder's on a computer alone; at
// the head station the server's, as its exchange last read it (the box never waits for the
// network); none at a punch station, which corrects no card.
QString CorrectionHeadText(StationLink* link)
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

frmHorodex::frmHorodex(const QString& commandLine, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmHorodex"));
    UseMainWindowFrame(this);
    State().MainWindow = this;
    // The switch is the first three characters of the command line, compared exactly.
    State().CommandSwitch = commandLine.left(3).trimmed();
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

void frmHorodex::buildControls()
{
    // Full screen, the gradient fills the window and the controls keep their size in its middle.
    auto* background = new StationBackground(this);
    setCentralWidget(background);
    auto* client = new QWidget(background);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Twips(6705), Twips(3585));
    auto* centring = new QGridLayout(background);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addWidget(client, 0, 0, Qt::AlignCenter);

    lstNames = new EmployeeListBox(client);
    lstNames->setObjectName(QStringLiteral("lstNames"));
    lstNames->setGeometry(TwipsRect(120, 240, 3135, 2790));
    // Every row has the same height: lets a long list lay out without measuring each name.
    lstNames->setUniformItemSizes(true);
    // A mouse press makes the row current before it selects it: follow the selection.
    connect(lstNames, &QListWidget::itemSelectionChanged, this, [this] { lstNames_Click(); });

    lblTimeLabel = new QLabel(client);
    lblTimeLabel->setObjectName(QStringLiteral("lblTimeLabel"));
    lblTimeLabel->setGeometry(TwipsRect(3480, 840, 3015, 615));
    lblTimeLabel->setAlignment(Qt::AlignCenter);

    lblDate = new QLabel(client);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    lblDate->setGeometry(TwipsRect(3360, 1680, 3255, 375));

    const auto pictureButton = [client](const char* name, QRect geometry) {
        auto* button = new QPushButton(client);
        button->setObjectName(QLatin1String(name));
        button->setIconSize(QSize(80, 32));
        button->setGeometry(geometry);
        return button;
    };
    cmdIn = pictureButton("cmdIn", TwipsRect(3360, 2400, 1575, 615));
    cmdIn->setAccessibleName(QStringLiteral("In"));
    cmdOut = pictureButton("cmdOut", TwipsRect(5040, 2400, 1575, 615));
    cmdOut->setAccessibleName(QStringLiteral("Out"));
    connect(cmdIn, &QPushButton::clicked, this, &frmHorodex::cmdIn_Click);
    connect(cmdOut, &QPushButton::clicked, this, &frmHorodex::cmdOut_Click);

    picLastAction = new QLabel(client);
    picLastAction->setObjectName(QStringLiteral("picLastAction"));
    picLastAction->setGeometry(TwipsRect(120, 3120, 6495, 375));
    picLastAction->setFrameShape(QFrame::Panel);
    picLastAction->setFrameShadow(QFrame::Sunken);
    picLastAction->setAutoFillBackground(true);
    picLastAction->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont stripFont(QStringLiteral("Arial"));
    stripFont.setBold(true);
    stripFont.setPointSizeF(11.25);
    picLastAction->setFont(stripFont);
    QPalette stripPalette = picLastAction->palette();
    stripPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    picLastAction->setPalette(stripPalette);
}

void frmHorodex::buildMenus()
{
    const auto entry = [this](QMenu* menu, const char* name, const QString& caption,
                              void (frmHorodex::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    mnuFile = menu("mnuFile", QStringLiteral("File"));
    mnuAdminLogin =
        entry(mnuFile, "mnuAdminLogin", QStringLiteral("Activate Administrator Functions"),
              &frmHorodex::mnuAdminLogin_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuLine"));
    mnuExit = entry(mnuFile, "mnuExit", QStringLiteral("Exit"), &frmHorodex::mnuExit_Click);

    mnuManage = menu("mnuManage", QStringLiteral("Manage"));
    mnuCreateNewRecord =
        entry(mnuManage, "mnuCreateNewRecord", QStringLiteral("Add An Employee ..."),
              &frmHorodex::mnuCreateNewRecord_Click);
    mnuDeleteRecord = entry(mnuManage, "mnuDeleteRecord", QStringLiteral("Delete An Employee ..."),
                            &frmHorodex::mnuDeleteRecord_Click);
    mnuManage->addSeparator()->setObjectName(QStringLiteral("mnuLine2"));
    mnuModifyRecord =
        entry(mnuManage, "mnuModifyRecord", QStringLiteral("Modify Employee Info ..."),
              &frmHorodex::mnuModifyRecord_Click);
    mnuCorrectTimeCard =
        entry(mnuManage, "mnuCorrectTimeCard", QStringLiteral("Correct Time Card ..."),
              &frmHorodex::mnuCorrectTimeCard_Click);
    mnuBadges =
        entry(mnuManage, "mnuBadges", QStringLiteral("Badges ..."), &frmHorodex::mnuBadges_Click);
    mnuManage->addSeparator()->setObjectName(QStringLiteral("mnuLine3"));
    mnuOptions = entry(mnuManage, "mnuOptions", QStringLiteral("Options ..."),
                       &frmHorodex::mnuOptions_Click);

    mnuView = menu("mnuView", QStringLiteral("Reports"));
    mnuEmployeeReport =
        entry(mnuView, "mnuEmployeeReport", QStringLiteral("Single Payroll Report ..."),
              &frmHorodex::mnuEmployeeReport_Click);
    mnuMultiplePayrollReport =
        entry(mnuView, "mnuMultiplePayrollReport", QStringLiteral("Multiple Payroll Report ..."),
              &frmHorodex::mnuMultiplePayrollReport_Click);
    mnuWhoIsIn = entry(mnuView, "mnuWhoIsIn", QStringLiteral("Who Is In ..."),
                       &frmHorodex::mnuWhoIsIn_Click);

    mnuHelp = menu("mnuHelp", QStringLiteral("Help"));
    mnuAbout = entry(mnuHelp, "mnuAbout", QStringLiteral("About"), &frmHorodex::mnuAbout_Click);
}

bool frmHorodex::Form_Load()
{
    setWindowTitle(QStringLiteral("Horodex"));
    ProgramState& state = State();

    // The data directory belongs beside the program; create it rather than fail every write.
    if (const IoResult dir = FileStore::ensureDirectory(Environment::dataDirectory()); !dir) {
        Messages::show(Messages::Icon::Critical, dir.error);
        return false;
    }

    const bool haveSettings = OptionsFileExists();
    if (haveSettings) {
        OptionsRecord record;
        const IoResult read = ReadOptionsFile(&record);
        if (!read) {
            // Never overwrite a settings file that cannot be read: the administrator decides.
            Messages::show(Messages::Icon::Critical, read.error);
            return false;
        }
        GlobalOptions() = record;
    } else {
        GlobalOptions() = OptionsRecord{};
    }

    tmrTimer->setInterval(1000);
    tmrTimer->start();

    lstNames->setFont([] {
        QFont f;
        f.setPointSize(12);
        f.setBold(true);
        return f;
    }());
    lblTimeLabel->setFont(QFont(QStringLiteral("Times New Roman"), 26, QFont::Bold));
    lblDate->setFont(QFont(QStringLiteral("Times New Roman"), 12, QFont::Bold));
    lblDate->setAlignment(Qt::AlignCenter);

    if (const IoResult made = EnsureEmployeeListFile(); !made)
        Messages::show(Messages::Icon::Critical, made.error);
    LoadEmployeeList();

    state.AdminLoggedIn = false;
    setManagementMenusEnabled(state.CommandSwitch == QLatin1String("/sp"));

    adjustSize();
    // A kiosk compositor sizes its one program to the whole output; elsewhere the size holds.
    if (!DesktopSession::isKiosk())
        setFixedSize(size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    if (!haveSettings) {
        openStartLogin(LoginMode::FirstRun);
    } else if (OptionsRecord::isOn(GlobalOptions().AskOnStart) &&
               state.CommandSwitch != QLatin1String("/np")) {
        openStartLogin(LoginMode::Start);
    } else {
        show();
        m_lockDown->ApplySecurityOption();
    }
    return true;
}

void frmHorodex::openStartLogin(LoginMode mode)
{
    auto* login = new frmAdminLogin(mode, this);
    login->setAttribute(Qt::WA_DeleteOnClose);
    // The main window appears once the password is right; without it the program ends.
    connect(login, &QDialog::finished, this, [this, mode](int verdict) {
        if (verdict != QDialog::Accepted) {
            RequestClose(CloseReason::LoginCancelled);
            return;
        }
        show();
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
    if (pin.exec() == QDialog::Accepted)
        punchRecorded(name);
}

bool frmHorodex::RecordPunch(const QString& name, bool isIn)
{
    if (!RecordPunchOrSaySo(name, isIn))
        return false;
    punchRecorded(name);
    return true;
}

void frmHorodex::punchRecorded(const QString& name)
{
    // On its way at once rather than at the next round; the exchange never holds the window.
    if (m_link)
        m_link->exchangeNow();
    ShowLastAction(name);
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
    const QList<QListWidgetItem*> items = lstNames->findItems(name, Qt::MatchExactly);
    if (items.isEmpty()) {
        Messages::warning(QStringLiteral("The badge of %1 is known, but %1 is not in the list of "
                                         "employees.")
                              .arg(FileStore::displayText(name)));
        return;
    }
    {
        const QSignalBlocker blocker(lstNames);
        lstNames->setCurrentItem(items.first());
    }
    // As choosing his name: a damaged time file is said, and his last action decides the button.
    if (!TimeFileIsValid(name)) {
        lstNames_Click();
        return;
    }
    if (ShowLastAction(name))
        punch(cmdIn->isEnabled());
}

void frmHorodex::revokeBadgesOf(const QString& name)
{
    if (const IoResult revoked = RevokeBadges(name, Environment::now().date()); !revoked)
        Messages::warning(revoked.error);
}

bool frmHorodex::ShowLastAction(const QString& name)
{
    QString lastAction;
    const QString format = GlobalOptions().timeFormat();
    // Another station may have the newer punch; the link falls back on our file in time.
    LastActionSource source;
    const Result<bool> isIn =
        m_link ? LastActionOf(m_link->lastPunch(name, &source), format, &lastAction)
               : ReadLastAction(name, format, &lastAction);
    if (!isIn.failure()) {
        Messages::show(Messages::Icon::Critical, isIn.failure().error);
        clearLastAction();
        return false;
    }
    cmdIn->setEnabled(!*isIn);
    cmdOut->setEnabled(*isIn);
    clearLastAction();
    if (!lastAction.trimmed().isEmpty())
        picLastAction->setText(QStringLiteral(" Last Action: ") + lastAction);
    return true;
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
    if (!State().AdminLoggedIn) {
        setWindowTitle(QStringLiteral("Horodex"));
        return;
    }
    QString caption = QStringLiteral("Horodex ADMINISTRATOR LOGGED IN");
    if (m_link) {
        if (const QString waiting = WaitingPunchesText(m_link->status().waiting);
            !waiting.isEmpty())
            caption += QStringLiteral(" - ") + waiting;
    }
    setWindowTitle(caption);
}

void frmHorodex::setManagementMenusEnabled(bool enabled)
{
    mnuManage->setEnabled(enabled);
    mnuManage->menuAction()->setEnabled(enabled);
    mnuView->setEnabled(enabled);
    mnuView->menuAction()->setEnabled(enabled);
}

void frmHorodex::SetAdminLoggedIn(bool loggedIn)
{
    State().AdminLoggedIn = loggedIn;
    mnuAdminLogin->setText(loggedIn ? QStringLiteral("Deactivate Administrator Functions")
                                    : QStringLiteral("Activate Administrator Functions"));
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
        SetAdminLoggedIn(false);
        return;
    }
    frmAdminLogin login(LoginMode::Management, this);
    if (login.exec() != QDialog::Accepted)
        return;
    SetAdminLoggedIn(true);
    if (const QString notice = AdminLoginNotice(); !notice.isEmpty())
        Messages::information(notice);
}

void frmHorodex::mnuExit_Click()
{
    close();
}

void frmHorodex::mnuCreateNewRecord_Click()
{
    if (!managedAtHead())
        openEmployeeWindow(std::nullopt);
}

void frmHorodex::openEmployeeWindow(const std::optional<QString>& employeeToModify)
{
    frmAddEmployee window(employeeToModify, this);
    connect(&window, &frmAddEmployee::employeeListChanged, this, &frmHorodex::LoadEmployeeList);
    window.exec();
    exchangeSavedFiles();
}

void frmHorodex::mnuDeleteRecord_Click()
{
    if (managedAtHead())
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
    exchangeSavedFiles();
}

void frmHorodex::mnuModifyRecord_Click()
{
    if (managedAtHead())
        return;
    const QString name = selectedNameOrSaySo();
    if (name.isEmpty())
        return;
    openEmployeeWindow(name);
}

void frmHorodex::mnuCorrectTimeCard_Click()
{
    // A punch station's time files must stay as sent: the head corrects the merged cards.
    if (managedAtHead())
        return;
    frmCorrectTimeCard window(listedNames(), selectedName(), Environment::now().date(), this,
                              *m_punches);
    window.exec();
    // A corrected last punch changes which of IN and OUT the employee may press.
    if (!selectedName().isEmpty())
        ShowLastAction(selectedName());
}

void frmHorodex::mnuBadges_Click()
{
    if (managedAtHead())
        return;
    frmBadges window(listedNames(), OptionsRecord::trimmed(GlobalOptions().Company),
                     OutputBadgeCards, this);
    window.exec();
    exchangeSavedFiles();
}

void frmHorodex::mnuOptions_Click()
{
    if (managedAtHead())
        return;
    frmOptions window(this);
    window.exec();
    exchangeSavedFiles();
}

void frmHorodex::mnuEmployeeReport_Click()
{
    // A punch station keeps no pay rates.
    if (payrollAtHead())
        return;
    const QString name = selectedNameOrSaySo();
    if (name.isEmpty())
        return;
    frmSingleReport window(name, this, *m_punches);
    window.exec();
}

void frmHorodex::mnuMultiplePayrollReport_Click()
{
    if (payrollAtHead())
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
    if (const IoResult r = FindWhoIsIn(list.records, Environment::now(),
                                       QTimeZone::systemTimeZone(), *m_punches, &in);
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

void frmHorodex::mnuAbout_Click()
{
    AboutBox about(this, m_link ? StationStatusText(m_link->config(), m_link->status()) : QString(),
                   CorrectionHeadText(m_link));
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

void frmHorodex::RequestClose(CloseReason reason)
{
    m_closeReason = reason;
    close();
    m_closeReason = CloseReason::User;
}

void frmHorodex::closeEvent(QCloseEvent* event)
{
    const bool askOnExit = OptionsRecord::isOn(GlobalOptions().AskOnExit);
    switch (m_closeReason) {
    case CloseReason::TaskManager:
        cleanUp();
        if (askOnExit)
            QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                    {QStringLiteral("/np")});
        break;
    case CloseReason::SessionEnd:
        // Nothing is asked and nothing restarted, but the desktop is given back.
        cleanUp();
        break;
    case CloseReason::User:
        if (askOnExit && !State().AdminLoggedIn) {
            frmAdminLogin login(LoginMode::Exit, this);
            if (login.exec() != QDialog::Accepted) {
                event->ignore();
                return;
            }
        }
        [[fallthrough]];
    case CloseReason::LoginCancelled:
        cleanUp();
        closeOtherWindows();
        break;
    }
    tmrTimer->stop();
    event->accept();
    Q_EMIT closed();
}
