#include "admin/Artwork.h"
#include "admin/frmAddEmployee.h"
#include "admin/frmOptions.h"
#include "data/EmployeeList.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/FrontWindows.h"
#include "ui/ProgramState.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

#include <cerrno>

namespace {

template <typename T> T* control(const QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

QList<EmployeeRecord> storedEmployees()
{
    EmployeeList list;
    ReadEmployeeList(&list);
    return list.records;
}

EmployeeRecord employee(const QString& name, const QString& pin = QStringLiteral("1234"))
{
    EmployeeRecord r;
    r.Name = name;
    r.Pin = ScramblePin(pin);
    r.SSN = QStringLiteral("123-45-6789");
    r.RegularRate = QStringLiteral("9.50");
    r.OvertimeRate = QStringLiteral("14.25");
    r.Shift = QStringLiteral("2");
    return r;
}

// Types the name and PIN into a new-employee window and presses Create.
void create(frmAddEmployee& window, const QString& name, const QString& pin)
{
    control<QLineEdit>(window, "txtEmployeeName")->setText(name);
    control<QLineEdit>(window, "txtPin")->setText(pin);
    control<QPushButton>(window, "cmdCreate")->click();
}

// Tries to create an employee in an empty list and checks that it is refused with exactly one
// warning, that nothing is written and that the entries stay for correction.
void verifyCreationRefused(const QString& name, const QString& pin, const QString& warning)
{
    TempProgramDir dir;
    QVERIFY(EnsureEmployeeListFile());
    MessageRecorder messages;
    frmAddEmployee window(std::nullopt);
    create(window, name, pin);
    QCOMPARE(messages.texts(), QStringList{warning});
    QCOMPARE(messages.messages.first().icon, Messages::Icon::Warning);
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(dir.files(), QStringList{QStringLiteral("names.nms")});
    QCOMPARE(dir.read(QStringLiteral("names.nms")), QByteArray());
    QCOMPARE(control<QLineEdit>(window, "txtEmployeeName")->text(), name);
    QCOMPARE(control<QLineEdit>(window, "txtPin")->text(), pin);
}

OptionsRecord installOptions(const std::function<void(OptionsRecord&)>& edit)
{
    OptionsRecord r = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    if (edit)
        edit(r);
    if (!WriteOptionsFile(r))
        qFatal("cannot write settings fixture");
    GlobalOptions() = r;
    return r;
}

// A data directory with a settings file (the first-run defaults, password "secret1", edited as
// asked), loaded into memory, and what it held at the start.
struct Settings
{
    explicit Settings(const std::function<void(OptionsRecord&)>& edit = {})
        : original(installOptions(edit)), before(dir.read(QStringLiteral("options.ini")))
    {
    }
    QByteArray file() const { return dir.read(QStringLiteral("options.ini")); }
    bool unchanged() const { return file() == before && GlobalOptions() == original; }

    TempProgramDir dir;
    OptionsRecord original;
    QByteArray before;
};

// Makes every rename in the data directory fail, as a full or read-only disk would.
struct FailingRename
{
    FailingRename()
    {
        FileStore::setFaultHook([](const char* call, const QString&) {
            return qstrcmp(call, "rename") == 0 ? EIO : 0;
        });
    }
    ~FailingRename() { FileStore::setFaultHook({}); }
};

int distinctColours(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

// The named controls in the order Tab visits them, starting from the first name.
QStringList tabOrder(const QWidget& window, const QStringList& names)
{
    QStringList order;
    const QWidget* first = control<QWidget>(window, names.first().toLatin1().constData());
    const QWidget* w = first;
    do {
        if (names.contains(w->objectName()) && !order.contains(w->objectName()))
            order.append(w->objectName());
        w = w->nextInFocusChain();
    } while (w != first);
    return order;
}

// One row of a keystroke-filter table.
void addFilterRow(const char* tag, const char* box, const char* typed, const char* shown)
{
    QTest::newRow(tag) << QString::fromLatin1(box) << QString::fromLatin1(typed)
                       << QString::fromLatin1(shown);
}

void addFilterColumns()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
}

// Types the text, then pastes it with Ctrl+V: both must show the same filtered text.
void checkFilter(QLineEdit* edit, const QString& typed, const QString& shown)
{
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), shown);
    edit->clear();
    QGuiApplication::clipboard()->setText(typed);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(edit->text(), shown);
}

// Selects a tab of the options window, as a click on it does.
void showPage(frmOptions& window, int index)
{
    control<QTabBar>(window, "tbsOptions")->setCurrentIndex(index);
}

enum Page { General, Passwords, Employees, Security };

} // namespace

class TestAdmin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();

    // Employee window
    void newWindow_showsCaptionsDefaultsAndLimits();
    void newWindow_tabOrderAndFocus();
    void modifyWindow_readOnlyNameCancelFocusedAndSaveCaption();
    void keystrokeFilters_letOnlyListedCharactersThrough_data();
    void keystrokeFilters_letOnlyListedCharactersThrough();
    void pastedText_isFilteredLikeTypedText();
    void nameWithSpaces_storedTrimmedWithTrimmedTimeFile();
    void newEmployee_recordAppendedWithDefaultsAndEmptyTimeFile();
    void missingNameOrPin_warnsAndWritesNothing_data();
    void missingNameOrPin_warnsAndWritesNothing();
    void duplicateDifferingInCase_isRefused();
    void forbiddenCharacter_isRefusedAndNothingWritten_data();
    void forbiddenCharacter_isRefusedAndNothingWritten();
    void nameOutsideLatin1_isRefusedAndNothingWritten();
    void nameTheListWouldRefuse_isRefusedAndNothingWritten_data();
    void nameTheListWouldRefuse_isRefusedAndNothingWritten();
    void latin1Accent_isStoredAsItIs();
    void nameOf18Characters_acceptedAndNo19th();
    void pin_storedScrambledAndShownAgainInModifyMode();
    void shift9_roundTrips();
    void unknownStoredShift_selectsFirstItem_data();
    void unknownStoredShift_selectsFirstItem();
    void modifiedEmployee_movesToEndAndKeepsPunches();
    void modifyWithFailedWrite_leavesOldListWhole();
    void existingTimeFile_keepsPunchesWhenEmployeeAddedAgain();
    void everySaveAttempt_asksForListRefill();
    void cancel_writesNothing();
    void modifyLongHandEditedName_keepsItsKey();
    void modifyMissingEmployee_warnsNotFound();
    void blankNameRecord_isPassedOverAndGoneAfterAModify_data();
    void blankNameRecord_isPassedOverAndGoneAfterAModify();
    void handEditedValues_shownAndSavedAsStored();
    void windowsOpen_holdFrontWindowAndHandItBack();

    // Options window
    void options_fillsEveryControlFromSettings();
    void options_tabsHaveCaptionsKeysToolTipsAndIcons();
    void options_firstPageShownOthersOutOfSight();
    void ctrlTab_cyclesPagesAndWraps();
    void overtimeThreshold_shownInShortestForm_data();
    void overtimeThreshold_shownInShortestForm();
    void dailyRule_enablesDailyBoxAndShowsWeeklyDefault();
    void handEditedDailyThreshold_shownAndAppliedAsStored();
    void overtimeOptions_switchEnabledBoxesKeepingTexts();
    void securityPictures_showWhatLockDownHides();
    void optionFilters_letOnlyListedCharactersThrough_data();
    void optionFilters_letOnlyListedCharactersThrough();
    void passwordBoxes_takeNo11thCharacter();
    void address_limitedTo120CharactersCountingCrLf();
    void applyWithoutEdits_rewritesSame229Bytes();
    void apply_storesEveryControlAndReplacesMemory();
    void newPasswordOf6_replacesOldForNextLogin();
    void passwordInFirstBoxOnly_warnsMismatchAndWritesNothing();
    void confirmationWithRefusedCharacters_isMismatchButSpacesTrimmed();
    void shortPassword_warnsAndWritesNothing();
    void weekly40SwitchedToDaily_stores8And1();
    void thirtyMinuteRounding_stores2();
    void applyWithFailedWrite_keepsMemoryAndWindow();
    void cancel_leavesFileAndMemoryUnchanged();

    // Artwork
    void artwork_isDrawnNotBlank();
};

void TestAdmin::init()
{
    GlobalOptions() = OptionsRecord{};
}

// ---- Employee window ----------------------------------------------------------------------

void TestAdmin::newWindow_showsCaptionsDefaultsAndLimits()
{
    TempProgramDir dir;
    frmAddEmployee window(std::nullopt);
    QCOMPARE(window.windowTitle(), QStringLiteral("New Employee Record"));
    QVERIFY(window.isModal());
    QCOMPARE(control<QPushButton>(window, "cmdCreate")->text(), QStringLiteral("Create"));
    QCOMPARE(control<QPushButton>(window, "cmdCancel")->text(), QStringLiteral("Cancel"));

    struct Box
    {
        const char* name;
        int maxLength;
        const char* text;
    };
    for (const Box& b :
         {Box{"txtEmployeeName", 18, ""}, Box{"txtPin", 5, ""}, Box{"txtSSN", 11, "000-00-0000"},
          Box{"txtRegular", 6, "8.00"}, Box{"txtOvertime", 6, "12.00"}}) {
        const QLineEdit* box = control<QLineEdit>(window, b.name);
        QCOMPARE(box->maxLength(), b.maxLength);
        QCOMPARE(box->text(), QLatin1String(b.text));
        QVERIFY(box->font().bold());
    }
    QCOMPARE(control<QLineEdit>(window, "txtPin")->echoMode(), QLineEdit::Password);

    const QComboBox* shift = control<QComboBox>(window, "cboShift");
    QCOMPARE(shift->count(), 9);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(shift->itemText(i), QString::number(i + 1));
    QCOMPARE(shift->currentIndex(), 0);
    QCOMPARE(control<QLabel>(window, "lblShift")->text(), QStringLiteral("Shift :"));

    QStringList labels;
    for (const QLabel* l : window.findChildren<QLabel*>())
        labels.append(l->text());
    for (const char* text :
         {"Employee name:", "PIN number :", "Social Security Number (optional):", "Regular :",
          "Overtime :", "$ per hour",
          "Shift :", "You can specify a shift for each employee. Example:", "1 - Day Shift",
          "2 - Night Shift", "3 - Weekend Shift", "PIN Number :",
          "A combination of 5 digits max that prevents other employees from punching in or out "
          "for their coworkers"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QCOMPARE(control<QGroupBox>(window, "fraRates")->title(),
             QStringLiteral("Hourly rate and shift for this employee:"));
    QCOMPARE(control<QGroupBox>(window, "fraQuickHelp")->title(), QStringLiteral("Quick Help"));
}

void TestAdmin::newWindow_tabOrderAndFocus()
{
    TempProgramDir dir;
    frmAddEmployee window(std::nullopt);
    const QStringList listed = {"txtEmployeeName", "txtPin", "txtRegular",
                                "txtOvertime",     "txtSSN", "cmdCreate"};
    QCOMPARE(tabOrder(window, listed), listed);
    QCOMPARE(window.focusWidget(), control<QLineEdit>(window, "txtEmployeeName"));
}

void TestAdmin::modifyWindow_readOnlyNameCancelFocusedAndSaveCaption()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Mary Jones"))));
    frmAddEmployee window(QStringLiteral("Mary Jones"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Modify Employee Record"));
    QCOMPARE(control<QPushButton>(window, "cmdCreate")->text(), QStringLiteral("Save"));
    const QLineEdit* name = control<QLineEdit>(window, "txtEmployeeName");
    QVERIFY(name->isReadOnly());
    QCOMPARE(name->text(), QStringLiteral("Mary Jones"));
    QCOMPARE(name->palette().color(QPalette::Base), name->palette().color(QPalette::Button));
    QCOMPARE(window.focusWidget(), control<QPushButton>(window, "cmdCancel"));
    QCOMPARE(tabOrder(window, {"cmdCancel", "txtEmployeeName", "txtPin"}),
             QStringList({"cmdCancel", "txtEmployeeName", "txtPin"}));
    QCOMPARE(control<QLineEdit>(window, "txtSSN")->text(), QStringLiteral("123-45-6789"));
    QCOMPARE(control<QLineEdit>(window, "txtRegular")->text(), QStringLiteral("9.50"));
    QCOMPARE(control<QLineEdit>(window, "txtOvertime")->text(), QStringLiteral("14.25"));
    QCOMPARE(control<QComboBox>(window, "cboShift")->currentIndex(), 1);
}

void TestAdmin::keystrokeFilters_letOnlyListedCharactersThrough_data()
{
    addFilterColumns();
    addFilterRow("PIN digits only", "txtPin", "1a2-3.4", "1234");
    addFilterRow("SSN digits and dash", "txtSSN", "12a-3.4", "12-34");
    addFilterRow("regular digits and dot", "txtRegular", "9,5-0.a", "950.");
    addFilterRow("overtime digits and dot", "txtOvertime", "1x2.7 5", "12.75");
    addFilterRow("name is not filtered", "txtEmployeeName", "Ann-Lee 2.", "Ann-Lee 2.");
}

void TestAdmin::keystrokeFilters_letOnlyListedCharactersThrough()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    TempProgramDir dir;
    frmAddEmployee window(std::nullopt);
    QLineEdit* edit = control<QLineEdit>(window, box.toLatin1().constData());
    checkFilter(edit, typed, shown);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), shown.chopped(1));
}

void TestAdmin::pastedText_isFilteredLikeTypedText()
{
    TempProgramDir dir;
    frmAddEmployee window(std::nullopt);
    QLineEdit* pin = control<QLineEdit>(window, "txtPin");
    QGuiApplication::clipboard()->setText(QStringLiteral("4 x 5 6"));
    QTest::keyClick(pin, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(pin->text(), QStringLiteral("456"));
    pin->clear();
    pin->paste();                                // the context menu's way
    QCOMPARE(pin->text(), QStringLiteral("45")); // "4 x 5" fits, then is filtered
    pin->insert(QStringLiteral("-7"));           // the way of input methods and drops
    QCOMPARE(pin->text(), QStringLiteral("457"));
}

void TestAdmin::nameWithSpaces_storedTrimmedWithTrimmedTimeFile()
{
    TempProgramDir dir;
    MessageRecorder messages;
    frmAddEmployee window(std::nullopt);
    create(window, QStringLiteral("  Mary Jones   "), QStringLiteral("123"));
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(storedEmployees().size(), 1);
    QCOMPARE(storedEmployees().first().Name, QStringLiteral("Mary Jones"));
    QVERIFY(dir.exists(QStringLiteral("Mary Jones.txt")));
    QVERIFY(!dir.exists(QStringLiteral("  Mary Jones   .txt")));
    QVERIFY(messages.messages.isEmpty());
}

void TestAdmin::newEmployee_recordAppendedWithDefaultsAndEmptyTimeFile()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    frmAddEmployee window(std::nullopt);
    create(window, QStringLiteral("Bob"), QStringLiteral("42"));
    const QByteArray expected = "\"Bob\",\"" + ScramblePin(QStringLiteral("42")).toLatin1() +
                                "\",\"000-00-0000\",\"8.00\",\"12.00\",\"1\",\"111111111\"\r\n";
    QVERIFY(dir.read(QStringLiteral("names.nms")).endsWith(expected));
    QCOMPARE(storedEmployees().first().Name, QStringLiteral("Ann"));
    QVERIFY(dir.exists(QStringLiteral("Bob.txt")));
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), QByteArray());
}

void TestAdmin::missingNameOrPin_warnsAndWritesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pin");
    QTest::newRow("no name") << ""
                             << "123";
    QTest::newRow("spaces only") << "    "
                                 << "123";
    QTest::newRow("no PIN") << "Bob"
                            << "";
}

void TestAdmin::missingNameOrPin_warnsAndWritesNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, pin);
    verifyCreationRefused(name, pin,
                          QStringLiteral("Please enter the employee name and his personal\r\n"
                                         "identification number (PIN) for security purposes"));
}

void TestAdmin::duplicateDifferingInCase_isRefused()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("John Smith"))));
    const QByteArray before = dir.read(QStringLiteral("names.nms"));
    MessageRecorder messages;
    frmAddEmployee window(std::nullopt);
    create(window, QStringLiteral("JOHN smith"), QStringLiteral("1"));
    QCOMPARE(messages.texts(), QStringList{QStringLiteral(
                                   "This employee already exist, please enter a different name")});
    QCOMPARE(messages.messages.first().icon, Messages::Icon::Warning);
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(dir.read(QStringLiteral("names.nms")), before);
    QVERIFY(!dir.exists(QStringLiteral("JOHN smith.txt")));
}

void TestAdmin::forbiddenCharacter_isRefusedAndNothingWritten_data()
{
    QTest::addColumn<QString>("name");
    for (QChar c : QStringLiteral("\\/:*?\"<>|"))
        QTest::newRow(qPrintable(QStringLiteral("char %1").arg(c)))
            << QStringLiteral("Ann%1Lee").arg(c);
}

void TestAdmin::forbiddenCharacter_isRefusedAndNothingWritten()
{
    QFETCH(QString, name);
    verifyCreationRefused(name, QStringLiteral("1"),
                          QStringLiteral("The employee name cannot contain the following "
                                         "characters: \\ / : * ? \" < > |"));
}

void TestAdmin::nameOutsideLatin1_isRefusedAndNothingWritten()
{
    verifyCreationRefused(QStringLiteral("Łukasz"), QStringLiteral("1"),
                          QStringLiteral("The employee name cannot contain the character \"Ł\": "
                                         "the employee file can only hold Western European "
                                         "(Latin-1) characters."));
}

void TestAdmin::nameTheListWouldRefuse_isRefusedAndNothingWritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("..") << QStringLiteral("..");
    QTest::newRow(".") << QStringLiteral(".");
    QTest::newRow(".. between spaces") << QStringLiteral("  ..  ");
}

void TestAdmin::nameTheListWouldRefuse_isRefusedAndNothingWritten()
{
    QFETCH(QString, name);
    verifyCreationRefused(name, QStringLiteral("1"),
                          QStringLiteral("The employee name cannot be used: the name \"%1\" "
                                         "cannot be a file name.")
                              .arg(name.trimmed()));
}

void TestAdmin::latin1Accent_isStoredAsItIs()
{
    TempProgramDir dir;
    frmAddEmployee window(std::nullopt);
    create(window, QStringLiteral("Zoë"), QStringLiteral("1"));
    QCOMPARE(storedEmployees().size(), 1);
    QCOMPARE(storedEmployees().first().Name, QStringLiteral("Zoë"));
    QCOMPARE(dir.read(QStringLiteral("names.nms")).left(5), QByteArray("\"Zo\xEB\""));
    QVERIFY(dir.exists(QStringLiteral("Zoë.txt")));
}

void TestAdmin::nameOf18Characters_acceptedAndNo19th()
{
    TempProgramDir dir;
    frmAddEmployee window(std::nullopt);
    QLineEdit* name = control<QLineEdit>(window, "txtEmployeeName");
    QTest::keyClicks(name, QStringLiteral("Maximilian Fischer"));
    QTest::keyClicks(name, QStringLiteral("s"));
    QCOMPARE(name->text(), QStringLiteral("Maximilian Fischer"));
    QTest::keyClicks(control<QLineEdit>(window, "txtPin"), QStringLiteral("12345"));
    control<QPushButton>(window, "cmdCreate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(storedEmployees().first().Name, QStringLiteral("Maximilian Fischer"));
}

void TestAdmin::pin_storedScrambledAndShownAgainInModifyMode()
{
    TempProgramDir dir;
    {
        frmAddEmployee window(std::nullopt);
        create(window, QStringLiteral("Ann"), QStringLiteral("90210"));
    }
    const QString stored = storedEmployees().first().Pin;
    QCOMPARE(stored, ScramblePin(QStringLiteral("90210")));
    QVERIFY(stored != QStringLiteral("90210"));
    QVERIFY(!dir.read(QStringLiteral("names.nms")).contains("90210"));
    QVERIFY(CheckPin(QStringLiteral("Ann"), QStringLiteral("90210")).value());

    frmAddEmployee window(QStringLiteral("Ann"));
    QCOMPARE(control<QLineEdit>(window, "txtPin")->text(), QStringLiteral("90210"));
}

void TestAdmin::shift9_roundTrips()
{
    TempProgramDir dir;
    {
        frmAddEmployee window(std::nullopt);
        control<QComboBox>(window, "cboShift")->setCurrentIndex(8);
        create(window, QStringLiteral("Night Owl"), QStringLiteral("7"));
    }
    QCOMPARE(storedEmployees().first().Shift, QStringLiteral("9"));
    frmAddEmployee window(QStringLiteral("Night Owl"));
    QCOMPARE(control<QComboBox>(window, "cboShift")->currentIndex(), 8);
    QCOMPARE(control<QComboBox>(window, "cboShift")->currentText(), QStringLiteral("9"));
}

void TestAdmin::unknownStoredShift_selectsFirstItem_data()
{
    QTest::addColumn<QString>("shift");
    QTest::newRow("zero") << "0";
    QTest::newRow("ten") << "10";
    QTest::newRow("letter") << "X";
    QTest::newRow("empty") << "";
}

void TestAdmin::unknownStoredShift_selectsFirstItem()
{
    QFETCH(QString, shift);
    TempProgramDir dir;
    EmployeeRecord r = employee(QStringLiteral("Ann"));
    r.Shift = shift;
    QVERIFY(AppendEmployee(r));
    frmAddEmployee window(QStringLiteral("Ann"));
    QCOMPARE(control<QComboBox>(window, "cboShift")->currentIndex(), 0);
}

void TestAdmin::modifiedEmployee_movesToEndAndKeepsPunches()
{
    TempProgramDir dir;
    for (const char* name : {"Ann", "Bob", "Cy"})
        QVERIFY(AppendEmployee(employee(QLatin1String(name))));
    const QByteArray punches =
        punchLine("IN", "01/15/2001", "08:05") + punchLine("OUT", "01/15/2001", "17:30");
    dir.write(QStringLiteral("Bob.txt"), punches);

    MessageRecorder messages;
    frmAddEmployee window(QStringLiteral("Bob"));
    QLineEdit* regular = control<QLineEdit>(window, "txtRegular");
    regular->clear();
    QTest::keyClicks(regular, QStringLiteral("11.00"));
    control<QPushButton>(window, "cmdCreate")->click();

    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    const QList<EmployeeRecord> records = storedEmployees();
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[0].Name, QStringLiteral("Ann"));
    QCOMPARE(records[1].Name, QStringLiteral("Cy"));
    EmployeeRecord expected = employee(QStringLiteral("Bob"));
    expected.RegularRate = QStringLiteral("11.00");
    QCOMPARE(records[2], expected);
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), punches);
}

void TestAdmin::modifyWithFailedWrite_leavesOldListWhole()
{
    TempProgramDir dir;
    for (const char* name : {"Ann", "Bob"})
        QVERIFY(AppendEmployee(employee(QLatin1String(name))));
    const QByteArray before = dir.read(QStringLiteral("names.nms"));
    MessageRecorder messages;
    frmAddEmployee window(QStringLiteral("Ann"));
    control<QLineEdit>(window, "txtPin")->setText(QStringLiteral("999"));
    {
        FailingRename failing;
        control<QPushButton>(window, "cmdCreate")->click();
    }
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.first().icon, Messages::Icon::Warning);
    QVERIFY(messages.messages.first().text.contains(QStringLiteral("names.nms")));
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(dir.read(QStringLiteral("names.nms")), before);
}

void TestAdmin::existingTimeFile_keepsPunchesWhenEmployeeAddedAgain()
{
    TempProgramDir dir;
    const QByteArray punch = punchLine("IN", "03/02/2004", "09:00");
    dir.write(QStringLiteral("Ann.txt"), punch);
    frmAddEmployee window(std::nullopt);
    create(window, QStringLiteral("Ann"), QStringLiteral("1"));
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(dir.read(QStringLiteral("Ann.txt")), punch);
}

void TestAdmin::everySaveAttempt_asksForListRefill()
{
    TempProgramDir dir;
    MessageRecorder messages;
    frmAddEmployee window(std::nullopt);
    QSignalSpy refills(&window, &frmAddEmployee::employeeListChanged);
    create(window, QStringLiteral("A|B"), QStringLiteral("1"));
    QCOMPARE(refills.size(), 1);
    create(window, QStringLiteral("Ann"), QStringLiteral("1"));
    QCOMPARE(refills.size(), 2);
    QCOMPARE(*EmployeeNames(), QStringList{QStringLiteral("Ann")});
}

void TestAdmin::cancel_writesNothing()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    const QByteArray before = dir.read(QStringLiteral("names.nms"));
    frmAddEmployee window(QStringLiteral("Ann"));
    QSignalSpy refills(&window, &frmAddEmployee::employeeListChanged);
    control<QLineEdit>(window, "txtPin")->setText(QStringLiteral("5"));
    control<QPushButton>(window, "cmdCancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(dir.read(QStringLiteral("names.nms")), before);
    QCOMPARE(refills.size(), 0);
}

void TestAdmin::modifyLongHandEditedName_keepsItsKey()
{
    TempProgramDir dir;
    const QString longName = QStringLiteral("Bartholomew Jenkins"); // 19 characters
    QVERIFY(AppendEmployee(employee(longName)));
    frmAddEmployee window(longName);
    QCOMPARE(control<QLineEdit>(window, "txtEmployeeName")->text(), longName);
    control<QPushButton>(window, "cmdCreate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(storedEmployees(), QList<EmployeeRecord>{employee(longName)});
}

void TestAdmin::handEditedValues_shownAndSavedAsStored()
{
    TempProgramDir dir;
    EmployeeRecord edited = employee(QStringLiteral("Ann"), QStringLiteral("12345"));
    edited.RegularRate = QStringLiteral("8,50");
    edited.OvertimeRate = QStringLiteral("12.75x");
    edited.SSN = QStringLiteral("123 45 6789");
    QVERIFY(AppendEmployee(edited));
    frmAddEmployee window(edited.Name);
    QCOMPARE(control<QLineEdit>(window, "txtRegular")->text(), edited.RegularRate);
    QCOMPARE(control<QLineEdit>(window, "txtOvertime")->text(), edited.OvertimeRate);
    QCOMPARE(control<QLineEdit>(window, "txtSSN")->text(), edited.SSN);

    // What is typed is still filtered, and leaves the stored characters alone.
    QLineEdit* regular = control<QLineEdit>(window, "txtRegular");
    regular->setFocus();
    regular->end(false);
    QTest::keyClicks(regular, QStringLiteral("a"));
    QCOMPARE(regular->text(), edited.RegularRate);
    control<QPushButton>(window, "cmdCreate")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(storedEmployees(), QList<EmployeeRecord>{edited});
}

void TestAdmin::modifyMissingEmployee_warnsNotFound()
{
    TempProgramDir dir;
    QVERIFY(AppendEmployee(employee(QStringLiteral("Ann"))));
    MessageRecorder messages;
    frmAddEmployee window(QStringLiteral("ann"));
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("Employee not found")});
    QCOMPARE(control<QLineEdit>(window, "txtPin")->text(), QString());
}

void TestAdmin::blankNameRecord_isPassedOverAndGoneAfterAModify_data()
{
    QTest::addColumn<bool>("modify");
    QTest::addColumn<QStringList>("namesAfter");
    QTest::newRow("new employee") << false << QStringList{"Ann", "Bob"};
    QTest::newRow("modify") << true << QStringList{"Ann"};
}

void TestAdmin::blankNameRecord_isPassedOverAndGoneAfterAModify()
{
    QFETCH(bool, modify);
    QFETCH(QStringList, namesAfter);
    TempProgramDir dir;
    const QByteArray blank = SerializeEmployeeRecord(employee(QStringLiteral("   ")));
    dir.write(QStringLiteral("names.nms"),
              SerializeEmployeeRecord(employee(QStringLiteral("Ann"))) + blank);
    MessageRecorder messages;
    frmAddEmployee window(modify ? std::optional(QStringLiteral("Ann")) : std::nullopt);
    if (modify)
        control<QPushButton>(window, "cmdCreate")->click();
    else
        create(window, QStringLiteral("Bob"), QStringLiteral("1"));

    QCOMPARE(messages.texts(), QStringList{});
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QStringList names;
    for (const EmployeeRecord& r : storedEmployees())
        names.append(r.Name);
    QCOMPARE(names, namesAfter);
    // Appending leaves the record where it was; a rewrite drops it.
    QCOMPARE(dir.read(QStringLiteral("names.nms")).contains(blank), !modify);
}

void TestAdmin::windowsOpen_holdFrontWindowAndHandItBack()
{
    TempProgramDir dir;
    installOptions({});
    FrontWindows::install();
    QMainWindow mainWindow;
    State().MainWindow = &mainWindow;
    frmAddEmployee employeeWindow(std::nullopt);
    employeeWindow.show();
    QCOMPARE(FrontWindows::front(), &employeeWindow);
    control<QPushButton>(employeeWindow, "cmdCancel")->click();
    QCOMPARE(FrontWindows::front(), &mainWindow);

    frmOptions optionsWindow;
    optionsWindow.show();
    QCOMPARE(FrontWindows::front(), &optionsWindow);
    control<QPushButton>(optionsWindow, "cmdCancel")->click();
    QCOMPARE(FrontWindows::front(), &mainWindow);
    State().MainWindow = nullptr;
}

// ---- Options window -----------------------------------------------------------------------

void TestAdmin::options_fillsEveryControlFromSettings()
{
    Settings settings([](OptionsRecord& r) {
        r.setCompany(QStringLiteral("Acme"));
        r.setAskForPin(true);
        r.setAskOnExit(true);
        r.setTimeFormat(QStringLiteral("hh:mm"));
        r.setTimeRounding(1);
    });
    frmOptions window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Options"));
    QVERIFY(window.isModal());
    QCOMPARE(control<QLineEdit>(window, "txtCompany")->text(), QStringLiteral("Acme"));
    QCOMPARE(control<QLineEdit>(window, "txtCompany")->maxLength(), 20);
    QCOMPARE(control<QPlainTextEdit>(window, "txtAddress")->toPlainText(),
             QStringLiteral("Street Address\nCity, Province (or State)\nPostal Code (or Zip Code)\n"
                            "Tel (000) 000-0000"));
    QVERIFY(control<QRadioButton>(window, "optMilitaryTimeFormat")->isChecked());
    QVERIFY(!control<QRadioButton>(window, "optCivilianTimeFormat")->isChecked());
    QVERIFY(control<QCheckBox>(window, "chkAskForPin")->isChecked());
    QVERIFY(control<QCheckBox>(window, "chkAskOnExit")->isChecked());
    QVERIFY(!control<QCheckBox>(window, "chkAskOnStart")->isChecked());
    QVERIFY(!control<QCheckBox>(window, "chkSecurityEnabled")->isChecked());
    for (const char* name : {"txtPassword", "txtPassword2"}) {
        QCOMPARE(control<QLineEdit>(window, name)->text(), QString());
        QCOMPARE(control<QLineEdit>(window, name)->echoMode(), QLineEdit::Password);
        QCOMPARE(control<QLineEdit>(window, name)->maxLength(), 10);
    }
    QVERIFY(control<QRadioButton>(window, "optWeeklyOvertime")->isChecked());
    QCOMPARE(control<QLineEdit>(window, "txtWeeklyOvertime")->text(), QStringLiteral("40"));
    QCOMPARE(control<QLineEdit>(window, "txtWeeklyOvertime")->maxLength(), 5);
    QCOMPARE(control<QLineEdit>(window, "txtDailyOvertime")->text(), QStringLiteral("8"));
    QCOMPARE(control<QLineEdit>(window, "txtDailyOvertime")->maxLength(), 2);
    showPage(window, Employees);
    QVERIFY(control<QLineEdit>(window, "txtWeeklyOvertime")->isEnabled());
    QVERIFY(!control<QLineEdit>(window, "txtDailyOvertime")->isEnabled());
    const QComboBox* rounding = control<QComboBox>(window, "cboTimeRounding");
    QCOMPARE(rounding->count(), 3);
    QCOMPARE(rounding->itemText(0), QStringLiteral("No Rounding"));
    QCOMPARE(rounding->itemText(1), QStringLiteral("15 Minute Rounding"));
    QCOMPARE(rounding->itemText(2), QStringLiteral("30 Minute Rounding"));
    QCOMPARE(rounding->currentIndex(), 1);
    QCOMPARE(window.focusWidget(), control<QPushButton>(window, "cmdCancel"));
    QCOMPARE(control<QPushButton>(window, "cmdApply")->text(), QStringLiteral("Apply"));
}

void TestAdmin::options_tabsHaveCaptionsKeysToolTipsAndIcons()
{
    Settings settings;
    frmOptions window;
    const QTabBar* tabs = control<QTabBar>(window, "tbsOptions");
    QCOMPARE(tabs->count(), 4);
    const char* captions[] = {"General", "Passwords", "Employees", "Security"};
    const char* keys[] = {"Group1", "Group2", "Group3", ""};
    const char* tips[] = {"Set Options for Group 1", "Set Options for Group 2",
                          "Set Options for Group 3", ""};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->tabText(i), QLatin1String(captions[i]));
        QCOMPARE(tabs->tabData(i).toString(), QLatin1String(keys[i]));
        QCOMPARE(tabs->tabToolTip(i), QLatin1String(tips[i]));
        QVERIFY(!tabs->tabIcon(i).isNull());
    }
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestAdmin::options_firstPageShownOthersOutOfSight()
{
    Settings settings;
    frmOptions window;
    QCOMPARE(window.picOptions(0)->pos(), QPoint(Twips(240), Twips(600)));
    QVERIFY(window.picOptions(0)->isEnabled());
    for (int k = 1; k < 4; ++k) {
        QCOMPARE(window.picOptions(k)->pos(), QPoint(Twips(-20000), Twips(600)));
        QVERIFY(!window.picOptions(k)->isEnabled());
    }
}

void TestAdmin::ctrlTab_cyclesPagesAndWraps()
{
    Settings settings;
    frmOptions window;
    QTabBar* tabs = control<QTabBar>(window, "tbsOptions");
    // Each press goes to a control of the page on show: the window sees the key first.
    const char* focused[] = {"txtCompany", "chkAskForPin", "cboTimeRounding", "chkAskOnExit"};
    for (int press = 0; press < 4; ++press) {
        QWidget* target = control<QWidget>(window, focused[press]);
        QTest::keyClick(target, Qt::Key_Tab, Qt::ControlModifier);
        const int shown = (press + 1) % 4;
        QCOMPARE(tabs->currentIndex(), shown);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(window.picOptions(k)->x(), Twips(k == shown ? 210 : -20000));
            QCOMPARE(window.picOptions(k)->isEnabled(), k == shown);
        }
    }
    // Ctrl+Shift+Tab is not Ctrl+Tab.
    QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestAdmin::overtimeThreshold_shownInShortestForm_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole") << "40"
                           << "40";
    QTest::newRow("trailing zero") << "37.50"
                                   << "37.5";
    QTest::newRow("leading zero") << "040"
                                  << "40";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("not a number") << "abc"
                                  << "";
}

void TestAdmin::overtimeThreshold_shownInShortestForm()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    Settings settings([&](OptionsRecord& r) { r.setOvertimeThreshold(stored); });
    frmOptions window;
    QCOMPARE(control<QLineEdit>(window, "txtWeeklyOvertime")->text(), shown);
}

void TestAdmin::handEditedDailyThreshold_shownAndAppliedAsStored()
{
    // The daily box takes digits only; a stored "7.5" must not become 75 hours.
    Settings settings([](OptionsRecord& r) {
        r.setDailyOvertime(true);
        r.setOvertimeThreshold(QStringLiteral("7.5"));
    });
    MessageRecorder messages;
    frmOptions window;
    QCOMPARE(control<QLineEdit>(window, "txtDailyOvertime")->text(), QStringLiteral("7.5"));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(settings.unchanged());
}

void TestAdmin::dailyRule_enablesDailyBoxAndShowsWeeklyDefault()
{
    Settings settings([](OptionsRecord& r) {
        r.setDailyOvertime(true);
        r.setOvertimeThreshold(QStringLiteral("10"));
    });
    frmOptions window;
    showPage(window, Employees);
    QVERIFY(control<QRadioButton>(window, "optDailyOvertime")->isChecked());
    QCOMPARE(control<QLineEdit>(window, "txtDailyOvertime")->text(), QStringLiteral("10"));
    QVERIFY(control<QLineEdit>(window, "txtDailyOvertime")->isEnabled());
    QCOMPARE(control<QLineEdit>(window, "txtWeeklyOvertime")->text(), QStringLiteral("40"));
    QVERIFY(!control<QLineEdit>(window, "txtWeeklyOvertime")->isEnabled());
}

void TestAdmin::overtimeOptions_switchEnabledBoxesKeepingTexts()
{
    Settings settings;
    frmOptions window;
    showPage(window, Employees);
    QLineEdit* daily = control<QLineEdit>(window, "txtDailyOvertime");
    QLineEdit* weekly = control<QLineEdit>(window, "txtWeeklyOvertime");
    control<QRadioButton>(window, "optDailyOvertime")->click();
    QVERIFY(daily->isEnabled());
    QVERIFY(!weekly->isEnabled());
    control<QRadioButton>(window, "optWeeklyOvertime")->click();
    QVERIFY(!daily->isEnabled());
    QVERIFY(weekly->isEnabled());
    QCOMPARE(daily->text(), QStringLiteral("8"));
    QCOMPARE(weekly->text(), QStringLiteral("40"));
}

void TestAdmin::securityPictures_showWhatLockDownHides()
{
    Settings settings([](OptionsRecord& r) { r.setSecurityEnabled(true); });
    frmOptions window;
    const char* pictures[] = {"imgTaskbar", "imgIcons", "imgStart"};
    for (const char* name : pictures)
        QVERIFY(control<QLabel>(window, name)->isHidden());
    QVERIFY(!control<QLabel>(window, "imgHorodex")->isHidden());

    showPage(window, Security);
    QCheckBox* security = control<QCheckBox>(window, "chkSecurityEnabled");
    security->click();
    for (const char* name : pictures) {
        QVERIFY(!control<QLabel>(window, name)->isHidden());
        QVERIFY(!control<QLabel>(window, name)->pixmap().isNull());
    }
    security->click();
    for (const char* name : pictures)
        QVERIFY(control<QLabel>(window, name)->isHidden());
}

void TestAdmin::optionFilters_letOnlyListedCharactersThrough_data()
{
    addFilterColumns();
    addFilterRow("daily digits only", "txtDailyOvertime", "1.a5", "15");
    addFilterRow("weekly digits and dot", "txtWeeklyOvertime", "3x7.5", "37.5");
    addFilterRow("password 0 to z", "txtPassword", "Ab c,9!z{~", "Abc9z");
    addFilterRow("password keeps [ and `", "txtPassword", "a[`_b", "a[`_b");
    addFilterRow("confirmation unfiltered", "txtPassword2", "a b,c!", "a b,c!");
}

void TestAdmin::optionFilters_letOnlyListedCharactersThrough()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Settings settings;
    frmOptions window;
    showPage(window, box.startsWith(QStringLiteral("txtPassword")) ? Passwords : Employees);
    if (box == QStringLiteral("txtDailyOvertime"))
        control<QRadioButton>(window, "optDailyOvertime")->click();
    checkFilter(control<QLineEdit>(window, box.toLatin1().constData()), typed, shown);
}

void TestAdmin::passwordBoxes_takeNo11thCharacter()
{
    Settings settings;
    frmOptions window;
    showPage(window, Passwords);
    for (const char* name : {"txtPassword", "txtPassword2"}) {
        QLineEdit* edit = control<QLineEdit>(window, name);
        QTest::keyClicks(edit, QStringLiteral("abcdefghijK"));
        QCOMPARE(edit->text(), QStringLiteral("abcdefghij"));
    }
}

void TestAdmin::address_limitedTo120CharactersCountingCrLf()
{
    Settings settings;
    frmOptions window;
    QPlainTextEdit* address = control<QPlainTextEdit>(window, "txtAddress");
    address->clear();
    QTest::keyClicks(address, QString(110, u'a'));
    QTest::keyClick(address, Qt::Key_Return);
    QTest::keyClicks(address, QString(20, u'b'));
    // 110 + CR LF + 8 = 120.
    QCOMPARE(address->toPlainText(), QString(110, u'a') + u'\n' + QString(8, u'b'));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(OptionsRecord::trimmed(GlobalOptions().Address),
             QString(110, u'a') + QStringLiteral("\r\n") + QString(8, u'b'));
}

void TestAdmin::applyWithoutEdits_rewritesSame229Bytes()
{
    Settings settings;
    MessageRecorder messages;
    frmOptions window;
    control<QPushButton>(window, "cmdApply")->click();
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    const QByteArray after = settings.file();
    QCOMPARE(after.size(), 229);
    QCOMPARE(after, settings.before);
    QCOMPARE(GlobalOptions(), settings.original);
    QVERIFY(CheckAdminPassword(GlobalOptions(), QStringLiteral("secret1")).value());
}

void TestAdmin::apply_storesEveryControlAndReplacesMemory()
{
    Settings settings;
    frmOptions window;
    control<QLineEdit>(window, "txtCompany")->setText(QStringLiteral("  Acme Tools  "));
    control<QPlainTextEdit>(window, "txtAddress")->setPlainText(QStringLiteral("1 Main St\nTown"));
    control<QRadioButton>(window, "optMilitaryTimeFormat")->click();
    showPage(window, Passwords);
    control<QCheckBox>(window, "chkAskForPin")->click();
    showPage(window, Security);
    for (const char* name : {"chkAskOnStart", "chkAskOnExit", "chkSecurityEnabled"})
        control<QCheckBox>(window, name)->click();
    showPage(window, Employees);
    QLineEdit* weekly = control<QLineEdit>(window, "txtWeeklyOvertime");
    weekly->clear();
    QTest::keyClicks(weekly, QStringLiteral("37.5"));
    control<QPushButton>(window, "cmdApply")->click();

    const QByteArray bytes = settings.file();
    QCOMPARE(bytes.size(), 229);
    QCOMPARE(bytes.mid(10, 5), QByteArray("37.5 "));
    QCOMPARE(bytes.mid(15, 1), QByteArray("1"));
    QCOMPARE(bytes.mid(16, 20), QByteArray("Acme Tools          "));
    QCOMPARE(bytes.mid(36, 5), QByteArray("1110"
                                          "0"));
    QCOMPARE(bytes.mid(41, 10), QByteArray(10, '\0'));
    QCOMPARE(bytes.mid(51, 14), QByteArray("hh:mm         "));
    QCOMPARE(bytes.mid(65, 44), QByteArray(44, '\0'));
    QCOMPARE(bytes.mid(109, 15), QByteArray("1 Main St\r\nTown"));
    QCOMPARE(GlobalOptions().toBytes(), bytes);
}

void TestAdmin::newPasswordOf6_replacesOldForNextLogin()
{
    Settings settings;
    MessageRecorder messages;
    frmOptions window;
    showPage(window, Passwords);
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword"), QStringLiteral("n3wPwd"));
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword2"), QStringLiteral("n3wPwd"));
    control<QPushButton>(window, "cmdApply")->click();
    QVERIFY(messages.messages.isEmpty());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(CheckAdminPassword(GlobalOptions(), QStringLiteral("n3wPwd")).value());
    QVERIFY(!CheckAdminPassword(GlobalOptions(), QStringLiteral("secret1")).value());
    OptionsRecord fromFile;
    QVERIFY(ReadOptionsFile(&fromFile));
    QVERIFY(CheckAdminPassword(fromFile, QStringLiteral("n3wPwd")).value());
    QCOMPARE(settings.file().mid(6, 4), QByteArray("    "));
}

void TestAdmin::passwordInFirstBoxOnly_warnsMismatchAndWritesNothing()
{
    Settings settings;
    MessageRecorder messages;
    frmOptions window;
    control<QLineEdit>(window, "txtCompany")->setText(QStringLiteral("Changed"));
    showPage(window, Passwords);
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword"), QStringLiteral("newpass"));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("The new and confirmed passwords do not match. Please type "
                                        "them again.")});
    QCOMPARE(messages.messages.first().icon, Messages::Icon::Warning);
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(settings.unchanged());
    QCOMPARE(control<QLineEdit>(window, "txtCompany")->text(), QStringLiteral("Changed"));
}

void TestAdmin::confirmationWithRefusedCharacters_isMismatchButSpacesTrimmed()
{
    Settings settings;
    MessageRecorder messages;
    frmOptions window;
    showPage(window, Passwords);
    QLineEdit* password = control<QLineEdit>(window, "txtPassword");
    QLineEdit* confirmation = control<QLineEdit>(window, "txtPassword2");
    QTest::keyClicks(password, QStringLiteral("abc,def"));
    QTest::keyClicks(confirmation, QStringLiteral("abc,def"));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(messages.texts(),
             QStringList{QStringLiteral("The new and confirmed passwords do not match. Please "
                                        "type them again.")});

    confirmation->clear();
    QTest::keyClicks(confirmation, QStringLiteral(" abcdef  "));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(messages.messages.size(), 1);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(CheckAdminPassword(GlobalOptions(), QStringLiteral("abcdef")).value());
}

void TestAdmin::shortPassword_warnsAndWritesNothing()
{
    Settings settings;
    MessageRecorder messages;
    frmOptions window;
    showPage(window, Passwords);
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword"), QStringLiteral("five5"));
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword2"), QStringLiteral("five5"));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(messages.texts(), QStringList{QStringLiteral(
                                   "Sorry, password must be between 6 and 10 characters long!")});
    QCOMPARE(messages.messages.first().icon, Messages::Icon::Information);
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(settings.unchanged());
}

void TestAdmin::weekly40SwitchedToDaily_stores8And1()
{
    Settings settings;
    frmOptions window;
    showPage(window, Employees);
    control<QRadioButton>(window, "optDailyOvertime")->click();
    control<QPushButton>(window, "cmdApply")->click();
    const QByteArray bytes = settings.file();
    QCOMPARE(bytes.mid(10, 5), QByteArray("8    "));
    QCOMPARE(bytes.at(39), '1');
    QCOMPARE(OptionsRecord::trimmed(GlobalOptions().OvertimeThreshold), QStringLiteral("8"));
    QVERIFY(OptionsRecord::isOn(GlobalOptions().DailyOvertime));
}

void TestAdmin::thirtyMinuteRounding_stores2()
{
    Settings settings;
    frmOptions window;
    QComboBox* rounding = control<QComboBox>(window, "cboTimeRounding");
    rounding->setCurrentIndex(rounding->findText(QStringLiteral("30 Minute Rounding")));
    control<QPushButton>(window, "cmdApply")->click();
    QCOMPARE(settings.file().at(40), '2');
    QCOMPARE(GlobalOptions().timeRoundingValue(), 2);
}

void TestAdmin::applyWithFailedWrite_keepsMemoryAndWindow()
{
    Settings settings;
    MessageRecorder messages;
    frmOptions window;
    control<QLineEdit>(window, "txtCompany")->setText(QStringLiteral("Changed"));
    {
        FailingRename failing;
        control<QPushButton>(window, "cmdApply")->click();
    }
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.messages.first().text.contains(QStringLiteral("options.ini")));
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(settings.unchanged());
}

void TestAdmin::cancel_leavesFileAndMemoryUnchanged()
{
    Settings settings;
    frmOptions window;
    control<QLineEdit>(window, "txtCompany")->setText(QStringLiteral("Changed"));
    showPage(window, Employees);
    control<QRadioButton>(window, "optDailyOvertime")->click();
    showPage(window, Security);
    control<QCheckBox>(window, "chkSecurityEnabled")->click();
    showPage(window, Passwords);
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword"), QStringLiteral("another1"));
    QTest::keyClicks(control<QLineEdit>(window, "txtPassword2"), QStringLiteral("another1"));
    control<QPushButton>(window, "cmdCancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(settings.unchanged());
}

// ---- Artwork ------------------------------------------------------------------------------

void TestAdmin::artwork_isDrawnNotBlank()
{
    const QList<QIcon> icons = Artwork::optionsTabIcons();
    QCOMPARE(icons.size(), 4);
    QList<QImage> drawn;
    for (const QIcon& icon : icons) {
        const QPixmap pixmap = icon.pixmap(16, 16);
        QVERIFY(distinctColours(pixmap) >= 3);
        drawn.append(pixmap.toImage());
    }
    for (int i = 0; i < drawn.size(); ++i)
        for (int j = i + 1; j < drawn.size(); ++j)
            QVERIFY(drawn[i] != drawn[j]);
    for (const QPixmap& picture : {Artwork::taskbarPicture(), Artwork::desktopIconsPicture(),
                                   Artwork::startMenuPicture(), Artwork::programPicture()})
        QVERIFY(distinctColours(picture) >= 4);
}

QTEST_MAIN(TestAdmin)
#include "tst_admin.moc"
