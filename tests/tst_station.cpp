#include "admin/frmAddEmployee.h"
#include "admin/frmOptions.h"
#include "app/Application.h"
#include "app/StartArguments.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "station/AboutBox.h"
#include "station/DocumentationViewer.h"
#include "station/LastActionStrip.h"
#include "station/LockDown.h"
#include "station/frmAdminLogin.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/FrontWindows.h"
#include "ui/LazyStyleIcons.h"
#include "ui/ProgramIcon.h"
#include "ui/ProgramState.h"
#include "ui/frmMsgBox.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <sys/stat.h>

namespace {

// Takes every URL that would be handed to another program.
class LaunchRecorder : public QObject
{
    Q_OBJECT
public:
    LaunchRecorder()
    {
        for (const char* scheme : {"file", "http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "record");
    }
    ~LaunchRecorder() override
    {
        for (const char* scheme : {"file", "http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QStringList urls;

public Q_SLOTS:
    void record(const QUrl& url) { urls.append(url.toString()); }
};

// The processes this test program has started and not yet reaped.
int childProcessCount()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (children.open(QIODevice::ReadOnly))
            count +=
                int(QString::fromLatin1(children.readAll()).split(u' ', Qt::SkipEmptyParts).size());
    }
    return count;
}

EmployeeRecord employee(const QString& name, const QString& pin = QStringLiteral("42"))
{
    return sampleEmployee(name, pin);
}

} // namespace

class TestStation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void firstRun_hidesMainWindowAndAsksForPassword();
    void firstRunPassword_writesDefaultsAndShowsMainWindow();
    void startSwitch_controlsManagementMenus_data();
    void startSwitch_controlsManagementMenus();
    void startPassword_keepsWindowHiddenUntilRight();
    void damagedSettings_areReportedAndStartStops();
    void programIcon_isGivenToTheWindowsOnceTheFirstIsDrawn();
    void overflowIcons_loadedLateAreTheStylesOwn();
    void cancelledStartLogin_endsWithoutExitPassword_data();
    void cancelledStartLogin_endsWithoutExitPassword();

    void punchWithoutPin_appendsLineAndSwapsButtons();
    void punchWithPin_writesOnlyAfterRightPin();
    void invalidTimeFile_showsMessage4AndWritesNothing();
    void unreadableStoredPin_saysAttentionThenWrongPin();
    void unreadableEmployeeList_isNoAnswer_data();
    void unreadableEmployeeList_isNoAnswer();
    void damagedEmployeeList_listsTheOthersAndSaysWhichLine();
    void failedPunch_saysSoAndChangesNothingOnScreen();
    void lastActionStrip_looksLikeAFramedLabel_data();
    void lastActionStrip_looksLikeAFramedLabel();
    void noSelection_nothingLooksChosenAndPunchSaysSo();

    void pinKeypad_keepsFiveDigitsAndFiltersKeys();

    void managementLogin_rightWrongShortAndCancel_data();
    void managementLogin_rightWrongShortAndCancel();
    void logout_restoresCaptionAndMenus_data();
    void logout_restoresCaptionAndMenus();
    void passwordBoxes_acceptOnlyZeroToLowerZ();
    void firstRunMismatch_emptiesBothBoxes();
    void adminLogin_aloneIsToldOfOpenFolderOrUtf8List_data();
    void adminLogin_aloneIsToldOfOpenFolderOrUtf8List();

    void deleteAnswer_blankOrCancelledDeletesNothing();
    void deleteAnswer_removesEmployeeAndReloads();
    void guards_needSelectionOrEmployees();
    void manageMenu_opensEmployeeAndOptionsWindows();

    void exitWithExitPassword_asksAndCancelKeepsRunning();
    void exitWithExitPassword_rightPasswordCloses();
    void exitWhileLoggedIn_closesWithoutAsking();
    void adminLoggedIn_theWindowItselfSaysSo();
    void pinWindow_fillingTheScreenSaysWhoseNameWasChosen();

    void aboutBox_showsIconVersionAndALinkThatOpens_data();
    void aboutBox_showsIconVersionAndALinkThatOpens();
    void guide_followsItsOwnLinksAndOpensNoOtherProgram();
    void aboutBox_showsTheHeadOfTheRecordOfCorrections();

    void closePlan_followsReasonAndOptions_data();
    void closePlan_followsReasonAndOptions();
    void startLogin_followsSettingsAndSwitch_data();
    void startLogin_followsSettingsAndSwitch();
    void caption_saysLoginAndWaitingPunches_data();
    void caption_saysLoginAndWaitingPunches();
    void lastActionStrip_isEmptyForNoPunch_data();
    void lastActionStrip_isEmptyForNoPunch();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;

    void writeSettings(const std::function<void(OptionsRecord&)>& edit = {});
    std::unique_ptr<frmHorodex> startStation(const QString& commandLine = QString());
};

void TestStation::init()
{
    m_dir = std::make_unique<TempProgramDir>();
    m_messages = std::make_unique<MessageRecorder>();
    State() = ProgramState{};
    GlobalOptions() = OptionsRecord{};
}

void TestStation::cleanup()
{
    FileStore::setFaultHook({});
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        w->hide();
    m_messages.reset();
    m_dir.reset();
}

void TestStation::writeSettings(const std::function<void(OptionsRecord&)>& edit)
{
    OptionsRecord r = OptionsRecord::firstRunDefaults(QStringLiteral("admin123"));
    if (edit)
        edit(r);
    QVERIFY(WriteOptionsFile(r));
}

std::unique_ptr<frmHorodex> TestStation::startStation(const QString& commandLine)
{
    auto window = std::make_unique<frmHorodex>(CommandSwitchOf(commandLine));
    if (!StartMainWindow(window.get()))
        return nullptr;
    return window;
}

void TestStation::firstRun_hidesMainWindowAndAsksForPassword()
{
    auto w = startStation();
    QVERIFY(w);
    QVERIFY(!w->isVisible());
    auto* login = w->findChild<frmAdminLogin*>();
    QVERIFY(login && login->isVisible());
    QCOMPARE(login->mode(), LoginMode::FirstRun);
    QVERIFY(login->txtPassConfirm->isVisible());
    QVERIFY(m_dir->exists(QStringLiteral("names.nms")));
    QVERIFY(!m_dir->exists(QStringLiteral("options.ini")));
    QVERIFY(!w->lockDown()->isOn());
}

void TestStation::firstRunPassword_writesDefaultsAndShowsMainWindow()
{
    auto w = startStation();
    auto* login = w->findChild<frmAdminLogin*>();
    QTest::keyClicks(login->txtPassword, QStringLiteral("Start_1"));
    QTest::keyClicks(login->txtPassConfirm, QStringLiteral("Start_1"));
    login->OKButton_Click();
    QVERIFY(w->isVisible());
    QCOMPARE(m_dir->read(QStringLiteral("options.ini")),
             OptionsRecord::firstRunDefaults(QStringLiteral("Start_1")).toBytes());
    QVERIFY(CheckAdminPassword(GlobalOptions(), QStringLiteral("Start_1")).value());
    QVERIFY(!State().AdminLoggedIn);
}

void TestStation::startSwitch_controlsManagementMenus_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("none") << QString() << false;
    QTest::newRow("/sp") << QStringLiteral("/sp") << true;
    QTest::newRow("/sp with more text") << QStringLiteral("/spxyz") << true;
    QTest::newRow("/SP is not /sp") << QStringLiteral("/SP") << false;
    QTest::newRow("/np") << QStringLiteral("/np") << false;
}

void TestStation::startSwitch_controlsManagementMenus()
{
    QFETCH(QString, commandLine);
    QFETCH(bool, enabled);
    writeSettings();
    auto w = startStation(commandLine);
    QVERIFY(w->isVisible());
    QCOMPARE(w->mnuManage->menuAction()->isEnabled(), enabled);
    QCOMPARE(w->mnuView->menuAction()->isEnabled(), enabled);
    QVERIFY(w->mnuFile->menuAction()->isEnabled());
    QCOMPARE(w->mnuAdminLogin->text(), QStringLiteral("Activate Administrator Functions"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Horodex"));
}

void TestStation::startPassword_keepsWindowHiddenUntilRight()
{
    writeSettings([](OptionsRecord& r) { r.setAskOnStart(true); });
    auto w = startStation();
    QVERIFY(!w->isVisible());
    auto* login = w->findChild<frmAdminLogin*>();
    QCOMPARE(login->mode(), LoginMode::Start);
    QTest::keyClicks(login->txtPassword, QStringLiteral("wrong12"));
    login->OKButton_Click();
    QCOMPARE(m_messages->texts().last(), QStringLiteral("Sorry, wrong password"));
    QVERIFY(login->txtPassword->text().isEmpty());
    QTest::keyClicks(login->txtPassword, QStringLiteral("abc"));
    login->OKButton_Click();
    QCOMPARE(m_messages->texts().last(),
             QStringLiteral("Sorry, password must be between 6 and 10 characters long!"));
    QVERIFY(!w->isVisible());
    QTest::keyClicks(login->txtPassword, QStringLiteral("admin123"));
    login->OKButton_Click();
    QVERIFY(w->isVisible());
    QVERIFY(!State().AdminLoggedIn);
    QCOMPARE(w->mnuAdminLogin->text(), QStringLiteral("Activate Administrator Functions"));

    // With /np the start password is skipped.
    auto second = startStation(QStringLiteral("/np"));
    QVERIFY(second->isVisible());
}

void TestStation::damagedSettings_areReportedAndStartStops()
{
    m_dir->write(QStringLiteral("options.ini"), QByteArray(100, '1'));
    frmHorodex w;
    QVERIFY(!StartMainWindow(&w));
    QVERIFY(m_messages->texts().last().contains(m_dir->path(QStringLiteral("options.ini"))));
    QCOMPARE(m_dir->read(QStringLiteral("options.ini")), QByteArray(100, '1'));
}

void TestStation::cancelledStartLogin_endsWithoutExitPassword_data()
{
    QTest::addColumn<bool>("firstRun");
    QTest::newRow("first run") << true;
    QTest::newRow("start password") << false;
}

void TestStation::cancelledStartLogin_endsWithoutExitPassword()
{
    QFETCH(bool, firstRun);
    if (!firstRun)
        writeSettings([](OptionsRecord& r) {
            r.setAskOnStart(true);
            r.setAskOnExit(true);
        });
    auto w = startStation();
    QSignalSpy closed(w.get(), &frmHorodex::closed);
    auto* login = w->findChild<frmAdminLogin*>();
    QVERIFY(login);
    bool askedAgain = false;
    QTimer::singleShot(0, [&askedAgain] {
        if (auto* exit = qobject_cast<frmAdminLogin*>(QApplication::activeModalWidget())) {
            askedAgain = true;
            exit->CancelButton_Click();
        }
    });
    login->CancelButton_Click();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!w->isVisible());
    QCoreApplication::processEvents();
    QVERIFY(!askedAgain);
    QCOMPARE(m_dir->exists(QStringLiteral("options.ini")), !firstRun);
}

void TestStation::programIcon_isGivenToTheWindowsOnceTheFirstIsDrawn()
{
    writeSettings();
    QApplication::setWindowIcon(QIcon());
    SetProgramIconAfterFirstPaint();
    auto window = startStation();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(QApplication::windowIcon().isNull()); // not before its paint
    QTRY_VERIFY(!window->windowIcon().isNull());
    QVERIFY(!window->windowIcon().pixmap(32, 32).isNull());
}

void TestStation::overflowIcons_loadedLateAreTheStylesOwn()
{
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(QApplication::style()->name()));
    QVERIFY(plain);
    UseLazyStyleIcons();
    QMenuBar bar;
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        const QImage drawn =
            QApplication::style()->standardIcon(which, nullptr, &bar).pixmap(16, 16).toImage();
        QVERIFY(!drawn.isNull());
        QCOMPARE(drawn, plain->standardIcon(which, nullptr, &bar).pixmap(16, 16).toImage());
    }
}

void TestStation::punchWithoutPin_appendsLineAndSwapsButtons()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Mary Jones"))));
    FixedClock clock(QDateTime(QDate(2001, 1, 15), QTime(8, 5)));
    auto w = startStation();
    QCOMPARE(w->lstNames->count(), 1);
    w->lstNames->setCurrentRow(0);
    QVERIFY(w->cmdIn->isEnabled());
    QVERIFY(!w->cmdOut->isEnabled());
    QVERIFY(w->lastActionShown().isEmpty());
    QTest::mouseClick(w->cmdIn, Qt::LeftButton);
    QCOMPARE(m_dir->read(QStringLiteral("Mary Jones.txt")), punchLine("IN", "01/15/2001", "08:05"));
    QVERIFY(!w->cmdIn->isEnabled());
    QVERIFY(w->cmdOut->isEnabled());
    QCOMPARE(
        w->lastActionShown(),
        QStringLiteral(" Last Action: IN  at  08:05 AM  Monday, January 15").leftJustified(59));
    clock.set(QDateTime(QDate(2001, 1, 15), QTime(17, 30)));
    QTest::mouseClick(w->cmdOut, Qt::LeftButton);
    QCOMPARE(m_dir->read(QStringLiteral("Mary Jones.txt")).size(), 62);
    QVERIFY(w->cmdIn->isEnabled());
    QVERIFY(w->lastActionShown().startsWith(QStringLiteral(" Last Action: OUT at  05:30 PM")));
}

void TestStation::punchWithPin_writesOnlyAfterRightPin()
{
    writeSettings([](OptionsRecord& r) { r.setAskForPin(true); });
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"), QStringLiteral("0420"))));
    auto w = startStation();
    w->lstNames->setCurrentRow(0);

    onNextDialog<frmPin>([](frmPin* pin) { pin->cmdCancel_Click(); });
    w->cmdIn_Click();
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), QByteArray());
    QVERIFY(w->cmdIn->isEnabled());

    onNextDialog<frmPin>([this](frmPin* pin) {
        QCOMPARE(FrontWindows::front(), pin);
        QTest::keyClicks(pin->txtPin, QStringLiteral("420"));
        pin->cmdOK_Click();
        QCOMPARE(m_messages->windowNumbers(), QList<int>{1});
        QVERIFY(pin->isVisible());
        QCOMPARE(pin->txtPin->text(), QStringLiteral("420"));
        pin->Command2_Click();
        for (int digit : {0, 4, 2, 0})
            pin->Command1[digit]->click();
        QTest::keyClick(pin->txtPin, Qt::Key_Return);
    });
    w->cmdIn_Click();
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")).size(), 31);
    QVERIFY(m_dir->read(QStringLiteral("Ann.txt")).startsWith("IN "));
    QVERIFY(w->cmdOut->isEnabled());
    QCOMPARE(FrontWindows::front(), w.get());
}

void TestStation::invalidTimeFile_showsMessage4AndWritesNothing()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    m_dir->write(QStringLiteral("Ann.txt"), QByteArray(32, 'x'));
    auto w = startStation();
    w->lstNames->setCurrentRow(0);
    QCOMPARE(m_messages->windowNumbers(), QList<int>{4});
    QVERIFY(w->lastActionShown().isEmpty());
    w->cmdIn_Click();
    QCOMPARE(m_messages->windowNumbers(), (QList<int>{4, 4}));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), QByteArray(32, 'x'));
    QVERIFY(frmMsgBox::messageText(WindowMessage::InvalidTimeFile)
                .startsWith(QStringLiteral("Warning, the action was not")));
}

void TestStation::unreadableStoredPin_saysAttentionThenWrongPin()
{
    writeSettings([](OptionsRecord& r) { r.setAskForPin(true); });
    EmployeeRecord ann = employee(QStringLiteral("Ann"));
    ann.Pin = QStringLiteral("!!"); // a hand edit: no scrambled digit is below "A"
    QVERIFY(AppendEmployee(ann));
    auto w = startStation();
    w->lstNames->setCurrentRow(0);
    onNextDialog<frmPin>([](frmPin* pin) {
        QTest::keyClicks(pin->txtPin, QStringLiteral("42"));
        pin->cmdOK_Click();
        pin->cmdCancel_Click();
    });
    w->cmdIn_Click();
    QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("Encodage/Décodage non permis")});
    QCOMPARE(m_messages->messages.constFirst().title, QStringLiteral("Attention"));
    QCOMPARE(m_messages->messages.constFirst().icon, Messages::Icon::None);
    QCOMPARE(m_messages->windowNumbers(), QList<int>{1});
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), QByteArray());
}

void TestStation::unreadableEmployeeList_isNoAnswer_data()
{
    QTest::addColumn<bool>("pinCheck");
    QTest::newRow("PIN check") << true;
    QTest::newRow("duplicate-name check") << false;
}

void TestStation::unreadableEmployeeList_isNoAnswer()
{
    QFETCH(bool, pinCheck);
    writeSettings([](OptionsRecord& r) { r.setAskForPin(true); });
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    const QByteArray list = m_dir->read(QStringLiteral("names.nms"));
    auto w = startStation();
    w->lstNames->setCurrentRow(0);
    const FailingCall failing("read", QStringLiteral("names.nms"));
    if (pinCheck) {
        onNextDialog<frmPin>([](frmPin* pin) {
            QTest::keyClicks(pin->txtPin, QStringLiteral("42"));
            pin->cmdOK_Click();
            pin->cmdCancel_Click();
        });
        w->cmdIn_Click();
    } else {
        frmAddEmployee window(std::nullopt);
        window.findChild<QLineEdit*>(QStringLiteral("txtEmployeeName"))
            ->setText(QStringLiteral("ann"));
        window.findChild<QLineEdit*>(QStringLiteral("txtPin"))->setText(QStringLiteral("7"));
        window.findChild<QPushButton*>(QStringLiteral("cmdCreate"))->click();
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }
    // The file and why, once; never a wrong PIN and never a second "Ann".
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.constFirst().icon, Messages::Icon::Critical);
    QVERIFY(m_messages->texts().constFirst().contains(m_dir->path(QStringLiteral("names.nms"))));
    QVERIFY(m_messages->windowNumbers().isEmpty());
    QCOMPARE(m_dir->read(QStringLiteral("names.nms")), list);
    QVERIFY(!m_dir->exists(QStringLiteral("Ann.txt")) ||
            m_dir->read(QStringLiteral("Ann.txt")).isEmpty());
}

void TestStation::damagedEmployeeList_listsTheOthersAndSaysWhichLine()
{
    writeSettings();
    m_dir->write(QStringLiteral("names.nms"),
                 SerializeEmployeeRecord(employee(QStringLiteral("Ann"))) + "\"broken\r\n" +
                     SerializeEmployeeRecord(employee(QStringLiteral("Bob"))));
    auto w = startStation();
    QVERIFY(w);
    // The list read with the line left out, and the line named: neither is lost on the way.
    QCOMPARE(w->lstNames->count(), 2);
    QCOMPARE(w->lstNames->item(1)->text(), QStringLiteral("Bob"));
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.constFirst().icon, Messages::Icon::Warning);
    const QString text = m_messages->texts().constFirst();
    QVERIFY2(text.contains(m_dir->path(QStringLiteral("names.nms"))) &&
                 text.contains(QStringLiteral("(line 2: ")) &&
                 text.endsWith(QStringLiteral(" The other employees are listed.")),
             qPrintable(text));
}

void TestStation::failedPunch_saysSoAndChangesNothingOnScreen()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    auto w = startStation();
    w->lstNames->setCurrentRow(0);
    FileStore::setFaultHook(
        [](const char* call, const QString&) { return qstrcmp(call, "fdatasync") == 0 ? EIO : 0; });
    QVERIFY(!w->RecordPunch(QStringLiteral("Ann"), true));
    QVERIFY(m_messages->texts().last().contains(QStringLiteral("NOT recorded")));
    QVERIFY(m_messages->texts().last().contains(m_dir->path(QStringLiteral("Ann.txt"))));
    QVERIFY(w->cmdIn->isEnabled());
    QVERIFY(!w->cmdOut->isEnabled());
    QVERIFY(w->lastActionShown().isEmpty());
}

void TestStation::lastActionStrip_looksLikeAFramedLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");
    const QString in = QStringLiteral(" Last Action: IN  at  08:05 AM  Monday, January 15");
    QTest::newRow("a punch") << in << QSize(433, 25);
    QTest::newRow("none") << QString() << QSize(433, 25);
    QTest::newRow("taller") << QStringLiteral(" Last Action: OUT at  17:30  Sunday, May 31")
                            << QSize(300, 60);
    // Descenders that reach the frame: the frame is drawn over them.
    QTest::newRow("lower than the text")
        << QStringLiteral(" gjpqy Wednesday, September 30") << QSize(500, 14);
}

void TestStation::lastActionStrip_looksLikeAFramedLabel()
{
    QFETCH(QString, text);
    QFETCH(QSize, size);
    // The strip paints itself, for speed; it must not look different from the label it replaced.
    QLabel label;
    label.setFrameShape(QFrame::Panel);
    label.setFrameShadow(QFrame::Sunken);
    label.setAutoFillBackground(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LastActionStrip strip;
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSizeF(11.25);
    for (QLabel* shown : {&label, static_cast<QLabel*>(&strip)}) {
        shown->setFont(font);
        QPalette palette = shown->palette();
        palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
        shown->setPalette(palette);
        shown->resize(size);
        shown->setText(QStringLiteral("something before"));
        shown->grab();
        shown->setText(text);
    }
    QCOMPARE(strip.grab().toImage(), label.grab().toImage());
}

void TestStation::noSelection_nothingLooksChosenAndPunchSaysSo()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    QVERIFY(AppendEmployee(employee(QStringLiteral("Bob"))));
    auto w = startStation();
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->lstNames->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w->lstNames->hasFocus());
    const auto nothingCurrent = [&w] {
        return !w->lstNames->currentIndex().isValid() && w->lstNames->selectedItems().isEmpty();
    };
    QVERIFY(nothingCurrent());
    w->LoadEmployeeList();
    QVERIFY(nothingCurrent());

    // A press on IN or OUT says that a name must be chosen, and writes nothing.
    QVERIFY(w->cmdIn->isEnabled() && w->cmdOut->isEnabled());
    w->cmdIn_Click();
    w->cmdOut_Click();
    QCOMPARE(m_messages->texts(), QStringList(2, QStringLiteral("Please select an employee")));
    QVERIFY(!m_dir->exists(QStringLiteral("Ann.txt")));

    // The keyboard still chooses the first name.
    QTest::keyClick(w->lstNames, Qt::Key_Down);
    QCOMPARE(w->lstNames->selectedItems().size(), 1);
    QCOMPARE(w->lstNames->selectedItems().constFirst()->text(), QStringLiteral("Ann"));
}

void TestStation::pinKeypad_keepsFiveDigitsAndFiltersKeys()
{
    frmPin pin(QStringLiteral("Ann"), true);
    QCOMPARE(pin.windowTitle(), QStringLiteral(" "));
    for (int digit = 1; digit <= 6; ++digit)
        pin.Command1[digit]->click();
    QCOMPARE(pin.txtPin->text(), QStringLiteral("12345"));
    QCOMPARE(pin.txtPin->displayText(), QStringLiteral("*****"));
    pin.Command2_Click();
    QTest::keyClicks(pin.txtPin, QStringLiteral("7a8 -9"));
    QCOMPARE(pin.txtPin->text(), QStringLiteral("789"));
    QTest::keyClick(pin.txtPin, Qt::Key_Backspace);
    QCOMPARE(pin.txtPin->text(), QStringLiteral("78"));
    pin.txtPin->clear();
    pin.txtPin->insert(QStringLiteral("1x2")); // pasted text passes the same filter
    QCOMPARE(pin.txtPin->text(), QStringLiteral("12"));
}

void TestStation::managementLogin_rightWrongShortAndCancel_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QList<int>>("messages");
    QTest::addColumn<bool>("loggedIn");
    QTest::newRow("right") << "admin123" << false << QList<int>{} << true;
    QTest::newRow("wrong") << "admin124" << false << QList<int>{2} << false;
    QTest::newRow("case differs") << "ADMIN123" << false << QList<int>{2} << false;
    QTest::newRow("too short") << "admin" << false << QList<int>{3} << false;
    QTest::newRow("cancel") << "admin123" << true << QList<int>{} << false;
}

void TestStation::managementLogin_rightWrongShortAndCancel()
{
    QFETCH(QString, typed);
    QFETCH(bool, cancel);
    QFETCH(QList<int>, messages);
    QFETCH(bool, loggedIn);
    writeSettings([](OptionsRecord& r) { r.setSecurityEnabled(true); });
    auto w = startStation();
    QVERIFY(w->lockDown()->isOn());
    onNextDialog<frmAdminLogin>([typed, cancel](frmAdminLogin* login) {
        QCOMPARE(login->lblMessage->text(),
                 QStringLiteral("Enter the admin password in order to access the management "
                                "functions:"));
        QVERIFY(!login->txtPassConfirm->isVisible());
        QTest::keyClicks(login->txtPassword, typed);
        if (cancel) {
            login->CancelButton_Click();
            return;
        }
        login->OKButton_Click();
        if (login->isVisible()) {
            QVERIFY(login->txtPassword->text().isEmpty());
            login->CancelButton_Click();
        }
    });
    w->mnuAdminLogin_Click();
    QCOMPARE(m_messages->windowNumbers(), messages);
    QCOMPARE(State().AdminLoggedIn, loggedIn);
    QCOMPARE(w->mnuManage->menuAction()->isEnabled(), loggedIn);
    QCOMPARE(w->lockDown()->isOn(), !loggedIn);
    QCOMPARE(w->windowTitle(), loggedIn ? QStringLiteral("Horodex ADMINISTRATOR LOGGED IN")
                                        : QStringLiteral("Horodex"));
    QCOMPARE(w->mnuAdminLogin->text(), loggedIn
                                           ? QStringLiteral("Deactivate Administrator Functions")
                                           : QStringLiteral("Activate Administrator Functions"));
}

void TestStation::logout_restoresCaptionAndMenus_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("plain") << QString();
    QTest::newRow("/sp opens the menus at start only") << QStringLiteral("/sp");
}

void TestStation::logout_restoresCaptionAndMenus()
{
    QFETCH(QString, commandLine);
    writeSettings([](OptionsRecord& r) { r.setSecurityEnabled(true); });
    auto w = startStation(commandLine);
    w->setAdminLoggedIn(true);
    QVERIFY(!w->lockDown()->isOn());
    w->mnuAdminLogin_Click(); // logged in: logs out without a password
    QVERIFY(!State().AdminLoggedIn);
    QCOMPARE(w->windowTitle(), QStringLiteral("Horodex"));
    QVERIFY(!w->mnuManage->menuAction()->isEnabled());
    QVERIFY(!w->mnuView->menuAction()->isEnabled());
    QVERIFY(w->lockDown()->isOn());
    QVERIFY(w->tmrSecurity->isActive());
    QCOMPARE(w->tmrSecurity->interval(), 200);
}

void TestStation::adminLogin_aloneIsToldOfOpenFolderOrUtf8List_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QStringList>("told"); // what the one notice holds ("%D": the data folder)
    const QStringList open{"data folder \"%D\"", "\n\nchmod 700 '%D'"};
    const QStringList utf8{"\"%D/names.nms\" is saved as UTF-8 (line 2)",
                           "iconv -f UTF-8 -t LATIN1 '%D/names.nms' > '%D/names.nms.latin1' && "
                           "mv '%D/names.nms.latin1' '%D/names.nms'"};
    QTest::newRow("private") << 0700 << false << QStringList{};
    QTest::newRow("open to all") << 0755 << false << open;
    QTest::newRow("group may enter") << 0750 << false << open;
    QTest::newRow("others may pass through") << 0701 << false << open;
    QTest::newRow("others may list, not enter") << 0704 << false << QStringList{};
    QTest::newRow("list saved as UTF-8") << 0700 << true << utf8;
    QTest::newRow("both") << 0711 << true << open + utf8;
}

void TestStation::adminLogin_aloneIsToldOfOpenFolderOrUtf8List()
{
    QFETCH(int, folderMode);
    QFETCH(bool, utf8);
    QFETCH(QStringList, told);
    writeSettings([](OptionsRecord& r) { r.setAskOnStart(true); });
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    if (utf8)
        QVERIFY(AppendEmployee(employee(QString::fromLatin1("Zo\xC3\xAB"))));
    const QByteArray folder = QFile::encodeName(m_dir->dataDir());
    QCOMPARE(::chmod(folder.constData(), mode_t(folderMode)), 0);

    // The start of the station and an employee's punch say nothing of it.
    auto w = startStation();
    auto* start = w->findChild<frmAdminLogin*>();
    QTest::keyClicks(start->txtPassword, QStringLiteral("admin123"));
    start->OKButton_Click();
    QVERIFY(w->isVisible());
    w->lstNames->setCurrentRow(0);
    QTest::mouseClick(w->cmdIn, Qt::LeftButton);
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")).size(), 31);
    QCOMPARE(m_messages->texts(), QStringList{});

    onNextDialog<frmAdminLogin>([](frmAdminLogin* login) {
        QTest::keyClicks(login->txtPassword, QStringLiteral("admin123"));
        login->OKButton_Click();
    });
    w->mnuAdminLogin_Click();
    QVERIFY(State().AdminLoggedIn);
    QCOMPARE(m_messages->messages.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty()) {
        const Messages::Message& notice = m_messages->messages.first();
        QCOMPARE(notice.icon, Messages::Icon::Information);
        for (QString text : told) {
            text.replace(QStringLiteral("%D"), m_dir->dataDir());
            QVERIFY2(notice.text.contains(text), qPrintable(notice.text));
        }
    }
    struct stat st
    {
    };
    QCOMPARE(::stat(folder.constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), folderMode); // nothing changed without the administrator
}

void TestStation::passwordBoxes_acceptOnlyZeroToLowerZ()
{
    frmAdminLogin login(LoginMode::FirstRun);
    for (QLineEdit* box : {login.txtPassword, login.txtPassConfirm}) {
        QTest::keyClicks(box, QStringLiteral("A z0,.{~:_"));
        QCOMPARE(box->text(), QStringLiteral("Az0:_"));
        QTest::keyClicks(box, QStringLiteral("123456789"));
        QCOMPARE(box->text().size(), 10);
        QCOMPARE(box->displayText(), QString(10, u'*'));
    }
    QCOMPARE(login.windowTitle(), QStringLiteral(" Administator Log In"));
}

void TestStation::firstRunMismatch_emptiesBothBoxes()
{
    frmAdminLogin login(LoginMode::FirstRun);
    QTest::keyClicks(login.txtPassword, QStringLiteral("Secret1"));
    QTest::keyClicks(login.txtPassConfirm, QStringLiteral("secret1"));
    login.OKButton_Click();
    QCOMPARE(m_messages->texts().last(),
             QStringLiteral("You have to enter the same password twice"));
    QVERIFY(login.txtPassword->text().isEmpty() && login.txtPassConfirm->text().isEmpty());
    QTest::keyClicks(login.txtPassword, QStringLiteral("abc"));
    QTest::keyClicks(login.txtPassConfirm, QStringLiteral("abc"));
    login.OKButton_Click();
    QCOMPARE(m_messages->texts().last(),
             QStringLiteral("Sorry, password must be between 6 and 10 characters long!"));
    QCOMPARE(login.txtPassword->text(), QStringLiteral("abc")); // kept in first-run mode
    QVERIFY(!m_dir->exists(QStringLiteral("options.ini")));
}

void TestStation::deleteAnswer_blankOrCancelledDeletesNothing()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    auto w = startStation(QStringLiteral("/sp"));
    const QByteArray before = m_dir->read(QStringLiteral("names.nms"));
    for (bool accept : {true, false}) {
        m_messages->textAnswers = {Messages::Answer{accept, QStringLiteral("   ")}};
        AppendEmployee(
            employee(accept ? QStringLiteral("Added First") : QStringLiteral("Added Second")));
        w->mnuDeleteRecord_Click();
        QCOMPARE(m_messages->prompts.constLast().title, QStringLiteral("Delete An Employee"));
        QCOMPARE(m_messages->prompts.constLast().text,
                 QStringLiteral("Enter the name of the employee you wish to delete:"));
        QCOMPARE(w->lstNames->count(), accept ? 2 : 3); // reloaded in every case
    }
    QVERIFY(m_dir->read(QStringLiteral("names.nms")).startsWith(before));
}

void TestStation::deleteAnswer_removesEmployeeAndReloads()
{
    writeSettings();
    for (const char* name : {"Ann", "Bob"})
        QVERIFY(AppendEmployee(employee(QLatin1String(name))));
    auto w = startStation(QStringLiteral("/sp"));
    m_messages->textAnswers = {Messages::Answer{true, QStringLiteral("  Ann ")}};
    w->mnuDeleteRecord_Click();
    QCOMPARE(w->lstNames->count(), 1);
    QCOMPARE(w->lstNames->item(0)->text(), QStringLiteral("Bob"));
}

void TestStation::guards_needSelectionOrEmployees()
{
    writeSettings();
    auto w = startStation(QStringLiteral("/sp"));
    w->mnuModifyRecord_Click();
    QCOMPARE(m_messages->messages.last().text, QStringLiteral("Please select an employee"));
    QCOMPARE(m_messages->messages.last().icon, Messages::Icon::None);
    w->mnuEmployeeReport_Click();
    QCOMPARE(m_messages->messages.last().text, QStringLiteral("Please select an employee"));
    w->mnuMultiplePayrollReport_Click();
    QCOMPARE(m_messages->messages.last().text,
             QStringLiteral("You must have at least one employee to create this payroll report"));
    QCOMPARE(m_messages->messages.last().icon, Messages::Icon::Information);
}

void TestStation::manageMenu_opensEmployeeAndOptionsWindows()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    auto w = startStation(QStringLiteral("/sp"));
    onNextDialog<frmAddEmployee>([](frmAddEmployee* window) {
        QCOMPARE(window->windowTitle(), QStringLiteral("New Employee Record"));
        QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("txtEmployeeName")),
                         QStringLiteral("Bob"));
        QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("txtPin")),
                         QStringLiteral("77"));
        window->findChild<QPushButton*>(QStringLiteral("cmdCreate"))->click();
    });
    w->mnuCreateNewRecord->trigger();
    QCOMPARE(w->lstNames->count(), 2); // refilled after the save
    QVERIFY(m_dir->exists(QStringLiteral("Bob.txt")));

    w->lstNames->setCurrentRow(0);
    onNextDialog<frmAddEmployee>([](frmAddEmployee* window) {
        QCOMPARE(window->windowTitle(), QStringLiteral("Modify Employee Record"));
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("txtEmployeeName"))->text(),
                 QStringLiteral("Ann"));
        window->reject();
    });
    w->mnuModifyRecord->trigger();

    bool opened = false;
    onNextDialog<frmOptions>([&opened](frmOptions* window) {
        opened = true;
        window->reject();
    });
    w->mnuOptions->trigger();
    QVERIFY(opened);
}

void TestStation::exitWithExitPassword_asksAndCancelKeepsRunning()
{
    writeSettings([](OptionsRecord& r) { r.setAskOnExit(true); });
    auto w = startStation();
    QSignalSpy closed(w.get(), &frmHorodex::closed);
    onNextDialog<frmAdminLogin>([](frmAdminLogin* login) {
        QCOMPARE(login->mode(), LoginMode::Exit);
        login->CancelButton_Click();
    });
    w->mnuExit_Click();
    QVERIFY(w->isVisible());
    QCOMPARE(closed.count(), 0);
}

void TestStation::exitWithExitPassword_rightPasswordCloses()
{
    writeSettings([](OptionsRecord& r) { r.setAskOnExit(true); });
    auto w = startStation();
    QSignalSpy closed(w.get(), &frmHorodex::closed);
    onNextDialog<frmAdminLogin>([](frmAdminLogin* login) {
        QTest::keyClicks(login->txtPassword, QStringLiteral("admin123"));
        login->OKButton_Click();
    });
    w->mnuExit_Click();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!w->isVisible());
    // Only memory changed: the file still asks on exit.
    OptionsRecord stored;
    QVERIFY(ReadOptionsFile(&stored));
    QVERIFY(OptionsRecord::isOn(stored.AskOnExit));
}

void TestStation::exitWhileLoggedIn_closesWithoutAsking()
{
    writeSettings([](OptionsRecord& r) { r.setAskOnExit(true); });
    auto w = startStation();
    w->setAdminLoggedIn(true);
    QSignalSpy closed(w.get(), &frmHorodex::closed);
    w->mnuExit_Click();
    QCOMPARE(closed.count(), 1);
}

void TestStation::pinWindow_fillingTheScreenSaysWhoseNameWasChosen()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    frmPin pin(QStringLiteral("Ann"), false);
    pin.show();
    auto* name = pin.findChild<QLabel*>(QStringLiteral("lblName"));
    QVERIFY(name);
    QVERIFY(!name->isVisibleTo(&pin)); // the station beside it says it
    const QSize keypad = pin.size();

    // As a desktop compositor shows it over the full-screen station under lock-down.
    pin.setWindowState(pin.windowState() | Qt::WindowFullScreen);
    const QSize screen = pin.screen()->size();
    QTRY_COMPARE(pin.size(), screen);
    QVERIFY(name->isVisibleTo(&pin));
    QCOMPARE(name->text(), QStringLiteral("OUT: Ann"));
    const QRect nameArea = name->geometry();
    const QRect keys(pin.txtPin->mapTo(&pin, QPoint(0, 0)),
                     pin.cmdCancel->mapTo(&pin, QPoint(0, 0)) +
                         QPoint(pin.cmdCancel->width(), pin.cmdCancel->height()));
    QVERIFY2(
        pin.rect().contains(nameArea) && !nameArea.intersects(keys),
        qPrintable(QStringLiteral("name at y %1, keys from y %2").arg(nameArea.y()).arg(keys.y())));
    QVERIFY(qAbs(keys.center().x() - pin.rect().center().x()) <= keypad.width() / 2);

    pin.setWindowState(pin.windowState() & ~Qt::WindowFullScreen);
    QTRY_COMPARE(pin.size(), keypad);
    QVERIFY(!name->isVisibleTo(&pin));
}

void TestStation::adminLoggedIn_theWindowItselfSaysSo()
{
    writeSettings();
    auto w = startStation();
    QVERIFY(w);
    auto* notice = w->findChild<QLabel*>(QStringLiteral("lblAdmin"));
    QVERIFY(notice);
    QVERIFY(!notice->isVisibleTo(w.get()));
    w->setAdminLoggedIn(true);
    // Not only in the caption: a kiosk compositor shows none.
    QVERIFY(notice->isVisibleTo(w.get()));
    QCOMPARE(notice->text(), QStringLiteral("ADMINISTRATOR LOGGED IN"));
    w->setAdminLoggedIn(false);
    QVERIFY(!notice->isVisibleTo(w.get()));
}

void TestStation::aboutBox_showsIconVersionAndALinkThatOpens_data()
{
    QTest::addColumn<QByteArray>("kiosk");
    QTest::newRow("at a desk") << QByteArray();
    QTest::newRow("alone under a kiosk compositor") << QByteArray("1");
}

void TestStation::aboutBox_showsIconVersionAndALinkThatOpens()
{
    QFETCH(QByteArray, kiosk);
    const QByteArray oldKiosk = qgetenv("HORODEX_KIOSK");
    qputenv("HORODEX_KIOSK", kiosk);
    const auto restore = qScopeGuard([&oldKiosk] { qputenv("HORODEX_KIOSK", oldKiosk); });
    LaunchRecorder launched;
    AboutBox about;
    QVERIFY(!about.imgLogo->pixmap().isNull());
    QCOMPARE(about.imgLogo->pixmap().deviceIndependentSize(), QSizeF(64, 64));
    const QString text = about.lblAbout->text();
    QVERIFY2(text.contains(QStringLiteral("Horodex")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Version " HORODEX_VERSION)), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("example")) && !text.contains(u'@'), qPrintable(text));

    const QRegularExpressionMatch link =
        QRegularExpression(QStringLiteral("href=\"([^\"]+)\"")).match(text);
    QVERIFY2(link.hasMatch(), qPrintable(text));
    const QUrl url(link.captured(1));
    QVERIFY2(url.isLocalFile(), qPrintable(url.toString()));
    QVERIFY2(QFileInfo(url.toLocalFile()).isFile(), qPrintable(url.toLocalFile()));
    QCOMPARE(url.toLocalFile(), DocumentationPath());
    QCOMPARE(about.lblDataFolder->text(),
             QStringLiteral("Data folder: ") +
                 QDir::toNativeSeparators(Environment::dataDirectory()));

    // The link opens the guide in a window of the program's own, on a kiosk as on a desk.
    QString shown;
    onNextDialog<DocumentationViewer>([&shown](DocumentationViewer* viewer) {
        shown = viewer->txtGuide->source().toLocalFile();
        viewer->reject();
    });
    emit about.lblAbout->linkActivated(link.captured(1));
    QCOMPARE(shown, DocumentationPath());
    QVERIFY2(launched.urls.isEmpty(), qPrintable(launched.urls.join(u' ')));
    QCOMPARE(childProcessCount(), 0);
}

void TestStation::guide_followsItsOwnLinksAndOpensNoOtherProgram()
{
    QTemporaryDir docs;
    QVERIFY(docs.isValid());
    QDir folder(docs.path());
    QVERIFY(folder.mkpath(QStringLiteral("images")));
    QVERIFY(folder.mkpath(QStringLiteral("inner")));
    const auto write = [&folder](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(folder.filePath(QStringLiteral("images/station.png"))));
    QVERIFY(write(QStringLiteral("guide.md"),
                  "# Guide\n\n![The station](images/station.png)\n\n[Backups](backups.md) "
                  "[Web](https://example.org/) [Mail](mailto:a@b.c)\n"));
    QVERIFY(write(QStringLiteral("backups.md"), "# Backups\n\nCopy the data folder.\n"));
    QVERIFY(write(QStringLiteral("inner/other.md"), "# Elsewhere\n"));
    QVERIFY(write(QStringLiteral("notes.txt"), "not the guide\n"));

    LaunchRecorder launched;
    DocumentationViewer viewer(folder.filePath(QStringLiteral("guide.md")));
    QVERIFY(viewer.txtGuide->isReadOnly());
    QVERIFY(viewer.txtGuide->toPlainText().startsWith(QStringLiteral("Guide")));
    // A picture of the guide is found beside it.
    const QVariant resource = viewer.txtGuide->loadResource(
        QTextDocument::ImageResource, QUrl(QStringLiteral("images/station.png")));
    const QImage shown = resource.typeId() == QMetaType::QImage
                             ? resource.value<QImage>()
                             : QImage::fromData(resource.toByteArray());
    QCOMPARE(shown.size(), QSize(8, 8));

    for (const char* outside : {"https://example.org/", "mailto:a@b.c", "../guide.md",
                                "inner/other.md", "notes.txt", "file:///etc/passwd"}) {
        emit viewer.txtGuide->anchorClicked(QUrl(QLatin1String(outside)));
        QVERIFY2(viewer.txtGuide->toPlainText().startsWith(QStringLiteral("Guide")), outside);
        auto* notice = viewer.findChild<QLabel*>(QStringLiteral("lblLink"));
        QVERIFY(notice && !notice->isHidden());
    }
    emit viewer.txtGuide->anchorClicked(QUrl(QStringLiteral("backups.md")));
    QVERIFY2(viewer.txtGuide->toPlainText().startsWith(QStringLiteral("Backups")),
             qPrintable(viewer.txtGuide->toPlainText()));
    QVERIFY2(launched.urls.isEmpty(), qPrintable(launched.urls.join(u' ')));
    QCOMPARE(childProcessCount(), 0);
}

void TestStation::aboutBox_showsTheHeadOfTheRecordOfCorrections()
{
    writeSettings();
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    const QByteArray record = FormatCorrections({{QDateTime(QDate(2009, 11, 9), QTime(9, 30)),
                                                  QStringLiteral("Ann"),
                                                  Correction::Kind::Deleted,
                                                  "IN    11/02/2009        08:00",
                                                  {},
                                                  QStringLiteral("twice")}},
                                                CorrectionChainStart());
    m_dir->write(QStringLiteral("corrections.log"), record);
    auto w = startStation();
    QVERIFY(w);
    QString shown;
    onNextDialog<AboutBox>([&shown](AboutBox* box) {
        shown = box->lblRecordHead ? box->lblRecordHead->text() : QString();
        box->accept();
    });
    w->mnuAbout_Click();
    QVERIFY2(shown.startsWith(QStringLiteral("Head of the record of corrections: 1:") +
                              QString::fromLatin1(record.right(65).left(16))),
             qPrintable(shown));
}

void TestStation::closePlan_followsReasonAndOptions_data()
{
    QTest::addColumn<CloseReason>("reason");
    QTest::addColumn<bool>("askOnExit");
    QTest::addColumn<bool>("adminLoggedIn");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("closesOthers");
    QTest::addColumn<bool>("restarts");
    QTest::newRow("user") << CloseReason::User << false << false << false << true << false;
    QTest::newRow("user, exit password")
        << CloseReason::User << true << false << true << true << false;
    QTest::newRow("user, exit password, logged in")
        << CloseReason::User << true << true << false << true << false;
    QTest::newRow("task manager") << CloseReason::TaskManager << false << false << false << false
                                  << false;
    QTest::newRow("task manager, exit password")
        << CloseReason::TaskManager << true << false << false << false << true;
    QTest::newRow("task manager, exit password, logged in")
        << CloseReason::TaskManager << true << true << false << false << true;
    QTest::newRow("end of the session, exit password")
        << CloseReason::SessionEnd << true << false << false << false << false;
    QTest::newRow("cancelled login, exit password")
        << CloseReason::LoginCancelled << true << false << false << true << false;
}

void TestStation::closePlan_followsReasonAndOptions()
{
    QFETCH(CloseReason, reason);
    QFETCH(bool, askOnExit);
    QFETCH(bool, adminLoggedIn);
    const ClosePlan plan = ClosePlanFor(reason, askOnExit, adminLoggedIn);
    QTEST(plan.askExitPassword, "asks");
    QTEST(plan.closeOtherWindows, "closesOthers");
    QTEST(plan.restartWithoutPassword, "restarts");
}

void TestStation::startLogin_followsSettingsAndSwitch_data()
{
    QTest::addColumn<bool>("haveSettings");
    QTest::addColumn<bool>("askOnStart");
    QTest::addColumn<CommandSwitch>("commandSwitch");
    QTest::addColumn<StartLogin>("login");
    QTest::newRow("first run") << false << false << CommandSwitch::None << StartLogin::FirstRun;
    QTest::newRow("first run with /np")
        << false << false << CommandSwitch::NoPassword << StartLogin::FirstRun;
    QTest::newRow("no start password") << true << false << CommandSwitch::None << StartLogin::None;
    QTest::newRow("start password") << true << true << CommandSwitch::None << StartLogin::Start;
    QTest::newRow("start password with /sp")
        << true << true << CommandSwitch::OpenMenus << StartLogin::Start;
    QTest::newRow("start password with /np")
        << true << true << CommandSwitch::NoPassword << StartLogin::None;
}

void TestStation::startLogin_followsSettingsAndSwitch()
{
    QFETCH(bool, haveSettings);
    QFETCH(bool, askOnStart);
    QFETCH(CommandSwitch, commandSwitch);
    QTEST(StartLoginFor(haveSettings, askOnStart, commandSwitch), "login");
}

void TestStation::caption_saysLoginAndWaitingPunches_data()
{
    QTest::addColumn<bool>("adminLoggedIn");
    QTest::addColumn<QString>("waiting");
    QTest::addColumn<QString>("caption");
    QTest::newRow("logged out") << false << QString() << QStringLiteral("Horodex");
    QTest::newRow("logged out, punches waiting")
        << false << QStringLiteral("2 punches wait to be sent") << QStringLiteral("Horodex");
    QTest::newRow("logged in") << true << QString()
                               << QStringLiteral("Horodex ADMINISTRATOR LOGGED IN");
    QTest::newRow("logged in, punches waiting")
        << true << QStringLiteral("2 punches wait to be sent")
        << QStringLiteral("Horodex ADMINISTRATOR LOGGED IN - 2 punches wait to be sent");
}

void TestStation::caption_saysLoginAndWaitingPunches()
{
    QFETCH(bool, adminLoggedIn);
    QFETCH(QString, waiting);
    QTEST(MainWindowCaption(adminLoggedIn, waiting), "caption");
    QCOMPARE(AdminLoginEntryText(adminLoggedIn),
             adminLoggedIn ? QStringLiteral("Deactivate Administrator Functions")
                           : QStringLiteral("Activate Administrator Functions"));
}

void TestStation::lastActionStrip_isEmptyForNoPunch_data()
{
    QTest::addColumn<QString>("lastAction");
    QTest::addColumn<QString>("strip");
    QTest::newRow("none") << QString() << QString();
    QTest::newRow("blank") << QStringLiteral("   ") << QString();
    QTest::newRow("a punch") << QStringLiteral("IN  01/15/2001 04:35 PM")
                             << QStringLiteral(" Last Action: IN  01/15/2001 04:35 PM");
}

void TestStation::lastActionStrip_isEmptyForNoPunch()
{
    QFETCH(QString, lastAction);
    QTEST(LastActionStripText(lastAction), "strip");
}

QTEST_MAIN(TestStation)
#include "tst_station.moc"
