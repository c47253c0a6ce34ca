// Every caption of every window is shown whole: each window of the program, in each of its modes,
// is opened with the program's layout font, and every label, check box, option button, push
// button, tab and frame caption is measured against the rectangle its widget has on screen and
// against every frame that clips it. The program runs once per screen scale factor, because text
// is measured at the device resolution and rounds differently at each.

#include "OnePrinter.h"
#include "SampleReport.h"
#include "captions/CaptionMeasure.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include "admin/frmAddEmployee.h"
#include "admin/frmCorrectTimeCard.h"
#include "admin/frmOptions.h"
#include "admin/frmPunchEdit.h"
#include "app/Application.h"
#include "data/EmployeeList.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "platform/Printers.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmPrintDialog.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "station/AboutBox.h"
#include "station/frmAdminLogin.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "ui/LayoutFont.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramState.h"
#include "ui/Twips.h"
#include "ui/WindowControls.h"
#include "ui/frmMsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const char* const ScaleVariable = "HORODEX_CAPTIONS_SCALE";
// As long a name as the employee file holds.
const QString Employee = QStringLiteral("Margaret Whitfield");
// As wide a name as the employee file holds.
const QString WidestName = QStringLiteral("WWWWWWWWW MMMMMMMM");

// A printer system without printers: the print dialog says so and disables printing.
class NoPrinters final : public PrinterSystem
{
public:
    QStringList InstalledPrinters() override { return {}; }
    QString DefaultPrinter() override { return QString(); }
    bool ShowProperties(const QString&, QWidget*) override { return false; }
    std::unique_ptr<QPrinter> NewJob(const QString&) override { return nullptr; }
};

using Opener = std::function<std::unique_ptr<QWidget>()>;

struct WindowCase
{
    QString name;
    Opener open;
};

template <typename Window, typename... Args> Opener dialog(Args... args)
{
    return [=]() -> std::unique_ptr<QWidget> { return std::make_unique<Window>(args...); };
}

std::unique_ptr<QWidget> mainWindow(const std::function<void(frmHorodex*)>& mode)
{
    auto window = std::make_unique<frmHorodex>();
    if (!StartMainWindow(window.get()))
        return nullptr;
    // The clock's first tick writes the time and the date.
    window->tmrTimer_Timer();
    if (mode)
        mode(window.get());
    return window;
}

Opener optionsPage(int index)
{
    return [index]() -> std::unique_ptr<QWidget> {
        auto window = std::make_unique<frmOptions>();
        window->findChild<QTabBar*>(QStringLiteral("tbsOptions"))->setCurrentIndex(index);
        return window;
    };
}

Opener timeCard(const std::function<void(frmCorrectTimeCard*)>& mode)
{
    return [mode]() -> std::unique_ptr<QWidget> {
        auto window = std::make_unique<frmCorrectTimeCard>(QStringList{Employee}, Employee,
                                                           QDate(2009, 11, 9));
        mode(window.get());
        return window;
    };
}

Opener printDialog(PrinterSystem* printers)
{
    return [printers]() -> std::unique_ptr<QWidget> {
        SetPrinterSystemForTesting(printers);
        ResetCurrentPrinterForTesting();
        return std::make_unique<frmPrintDialog>(nullptr);
    };
}

ReportTexts sampleTexts(bool multiple)
{
    return ReportTexts(SampleReport::Header, SampleReport::Detail, SampleReport::Summary, multiple);
}

const QList<WindowCase>& windowCases()
{
    static OnePrinter onePrinter;
    static NoPrinters noPrinters;
    static const QList<WindowCase> cases = {
        {QStringLiteral("frmHorodex"), [] { return mainWindow({}); }},
        {QStringLiteral("frmHorodex after a punch IN"),
         [] { return mainWindow([](frmHorodex* w) { w->RecordPunch(Employee, true); }); }},
        {QStringLiteral("frmHorodex after a punch OUT"),
         [] { return mainWindow([](frmHorodex* w) { w->RecordPunch(Employee, false); }); }},
        {QStringLiteral("frmHorodex administrator logged in"),
         [] { return mainWindow([](frmHorodex* w) { w->setAdminLoggedIn(true); }); }},
        {QStringLiteral("frmAdminLogin management"), dialog<frmAdminLogin>(LoginMode::Management)},
        {QStringLiteral("frmAdminLogin start"), dialog<frmAdminLogin>(LoginMode::Start)},
        {QStringLiteral("frmAdminLogin first run"), dialog<frmAdminLogin>(LoginMode::FirstRun)},
        {QStringLiteral("frmAdminLogin exit"), dialog<frmAdminLogin>(LoginMode::Exit)},
        {QStringLiteral("frmPin IN"), dialog<frmPin>(Employee, true)},
        {QStringLiteral("frmPin OUT"), dialog<frmPin>(Employee, false)},
        {QStringLiteral("frmMsgBox wrong PIN"), dialog<frmMsgBox>(WindowMessage::WrongPin)},
        {QStringLiteral("frmMsgBox wrong password"),
         dialog<frmMsgBox>(WindowMessage::WrongPassword)},
        {QStringLiteral("frmMsgBox password length"),
         dialog<frmMsgBox>(WindowMessage::PasswordLength)},
        {QStringLiteral("frmMsgBox invalid time file"),
         dialog<frmMsgBox>(WindowMessage::InvalidTimeFile)},
        {QStringLiteral("frmAddEmployee add"), dialog<frmAddEmployee>(std::optional<QString>())},
        {QStringLiteral("frmAddEmployee modify"),
         dialog<frmAddEmployee>(std::optional<QString>(Employee))},
        {QStringLiteral("frmOptions General"), optionsPage(0)},
        {QStringLiteral("frmOptions Passwords"), optionsPage(1)},
        {QStringLiteral("frmOptions Employees"), optionsPage(2)},
        {QStringLiteral("frmOptions Security"), optionsPage(3)},
        {QStringLiteral("frmCorrectTimeCard"),
         dialog<frmCorrectTimeCard>(QStringList{Employee}, Employee, QDate(2009, 11, 9))},
        {QStringLiteral("frmCorrectTimeCard whole file"),
         timeCard([](frmCorrectTimeCard* w) { w->setPeriod(QDate(), QDate(), true); })},
        {QStringLiteral("frmCorrectTimeCard period too long"), timeCard([](frmCorrectTimeCard* w) {
             w->setPeriod(QDate(2009, 9, 1), QDate(2009, 11, 8), false);
         })},
        {QStringLiteral("frmPunchEdit add"),
         dialog<frmPunchEdit>(QStringLiteral("Add a punch"),
                              frmPunchEdit::Punch{true, QDate(2009, 11, 2), QTime(8, 0), {}})},
        {QStringLiteral("frmPunchEdit change"),
         dialog<frmPunchEdit>(QStringLiteral("Change the punch"),
                              frmPunchEdit::Punch{false, QDate(2009, 11, 2), QTime(17, 30),
                                                  QStringLiteral("late")})},
        {QStringLiteral("frmSingleReport"), dialog<frmSingleReport>(Employee)},
        {QStringLiteral("frmMultipleReportSelect"), dialog<frmMultipleReportSelect>()},
        {QStringLiteral("frmReport single"), dialog<frmReport>(sampleTexts(false))},
        {QStringLiteral("frmReport multiple"), dialog<frmReport>(sampleTexts(true))},
        {QStringLiteral("frmPrintDialog"), printDialog(&onePrinter)},
        {QStringLiteral("frmPrintDialog without printers"), printDialog(&noPrinters)},
        {QStringLiteral("frmAbout"), dialog<AboutBox>()},
    };
    return cases;
}

} // namespace

// Runs in a child program per scale factor: opens each window and measures its captions.
class TestWindowCaptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void everyCaptionFits_data();
    void everyCaptionFits();
    void standardBoxes_showTheirTextWhole_data();
    void standardBoxes_showTheirTextWhole();
    void twipsFollowLayoutFont_data();
    void twipsFollowLayoutFont();
    void wrappedLabel_growsItsWindow_data();
    void wrappedLabel_growsItsWindow();
    void correctTimeCard_listShowsEveryNameWhole();
    void widestName_showsWhole_data();
    void widestName_showsWhole();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestWindowCaptions::initTestCase()
{
    // The widest date and time the main window shows: a Wednesday in September, before noon.
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2026, 9, 30), QTime(10, 58, 58)));
    m_dir = std::make_unique<TempProgramDir>();
    m_messages = std::make_unique<MessageRecorder>();
    QVERIFY(WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("admin123"))));
    GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("admin123"));
    QVERIFY(AppendEmployee(sampleEmployee(Employee)));
    QVERIFY(AppendEmployee(sampleEmployee(QStringLiteral("Ann"))));
    QFile times(TimeFilePath(Employee));
    QVERIFY(times.open(QIODevice::WriteOnly));
    times.write(SampleReport::weekOfPunches());
    times.close();

    const double factor = qEnvironmentVariable(ScaleVariable).toDouble();
    QWidget probe;
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    QCOMPARE(probe.devicePixelRatioF(), factor);
    qInfo("screen scale %g, dialog font %s %g pt, layout scale %g", factor,
          qPrintable(QFontInfo(QApplication::font()).family()), QApplication::font().pointSizeF(),
          LayoutFontScale());
}

void TestWindowCaptions::cleanupTestCase()
{
    SetPrinterSystemForTesting(nullptr);
    m_messages.reset();
    m_dir.reset();
    m_clock.reset();
}

void TestWindowCaptions::everyCaptionFits_data()
{
    QTest::addColumn<int>("index");
    const QList<WindowCase>& cases = windowCases();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(qPrintable(cases[i].name)) << i;
}

void TestWindowCaptions::everyCaptionFits()
{
    QFETCH(int, index);
    const WindowCase& windowCase = windowCases().at(index);
    const std::unique_ptr<QWidget> window = windowCase.open();
    QVERIFY2(window, "the window did not open");
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QStringList misfits = misfitsOf(window.get());
    QVERIFY2(misfits.isEmpty(), qPrintable(windowCase.name + QStringLiteral(": ") +
                                           misfits.join(QStringLiteral("; "))));
}

void TestWindowCaptions::standardBoxes_showTheirTextWhole_data()
{
    using Kind = Messages::Message::Kind;
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("message box") << Kind::Box << InvalidTimeFileMessage();
    QTest::newRow("message box of two lines")
        << Kind::Box
        << QStringLiteral("Please enter the employee name and his personal\r\n"
                          "identification number (PIN) for security purposes");
    QTest::newRow("question")
        << Kind::Question
        << QStringLiteral("The corrections of %1 are not saved. Discard them?").arg(Employee);
    QTest::newRow("input box") << Kind::TextInput
                               << QStringLiteral(
                                      "Enter the name of the employee you wish to delete:");
}

void TestWindowCaptions::standardBoxes_showTheirTextWhole()
{
    QFETCH(Messages::Message::Kind, kind);
    QFETCH(QString, text);
    Messages::Message message;
    message.kind = kind;
    message.icon = Messages::Icon::Warning;
    message.title = QStringLiteral("Horodex");
    message.text = text;
    QStringList misfits;
    bool measured = false;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 200 && !QApplication::activeModalWidget(); ++i)
            QTest::qWait(10);
        if (QWidget* box = QApplication::activeModalWidget()) {
            misfits = misfitsOf(box);
            measured = true;
            box->close();
        }
    });
    MessageBoxPresenter()(message);
    QVERIFY2(measured, "the box did not open");
    QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QStringLiteral("; "))));
}

void TestWindowCaptions::correctTimeCard_listShowsEveryNameWhole()
{
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names.append(QStringLiteral("Employee %1").arg(i));
    names.append(QStringLiteral("Alexandra Whitmore"));
    names.append(WidestName);
    frmCorrectTimeCard window(names, Employee, QDate(2009, 11, 9));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QListWidget* list = window.lstEmployees;
    // The item's text margin on each side, as the style draws a list item.
    const int margins =
        2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    for (int i = 0; i < list->count(); ++i) {
        const QString name = list->item(i)->text();
        const int needed = list->fontMetrics().horizontalAdvance(name) + margins;
        QVERIFY2(needed <= list->viewport()->width(),
                 qPrintable(QStringLiteral("\"%1\" needs %2 pixels of %3")
                                .arg(name)
                                .arg(needed)
                                .arg(list->viewport()->width())));
    }
}

void TestWindowCaptions::widestName_showsWhole_data()
{
    QTest::addColumn<bool>("employeeWindow");
    QTest::newRow("single report: lblName") << false;
    QTest::newRow("employee window, modify: txtEmployeeName") << true;
}

void TestWindowCaptions::widestName_showsWhole()
{
    QFETCH(bool, employeeWindow);
    std::unique_ptr<QWidget> window;
    if (employeeWindow)
        window = std::make_unique<frmAddEmployee>(WidestName);
    else
        window = std::make_unique<frmSingleReport>(WidestName);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    if (!employeeWindow) {
        const QStringList misfits = misfitsOf(window.get());
        QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QStringLiteral("; "))));
        return;
    }
    // A box that scrolls shows the end of the name; one that holds it puts the cursor at the end
    // a whole name's width from its start.
    auto* box = window->findChild<QLineEdit*>(QStringLiteral("txtEmployeeName"));
    QVERIFY(box);
    QCOMPARE(box->text(), WidestName);
    const auto cursorX = [box](int position) {
        box->setCursorPosition(position);
        box->repaint(); // the box scrolls its text as it paints
        return box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    };
    const int end = cursorX(int(WidestName.size()));
    const int start = cursorX(0);
    QVERIFY2(end - start >= box->fontMetrics().horizontalAdvance(WidestName) - 1,
             qPrintable(QStringLiteral("%1 of %2 pixels shown")
                            .arg(end - start)
                            .arg(box->fontMetrics().horizontalAdvance(WidestName))));
}

// Keeps the program's font for as long as it lives, whatever a test sets meanwhile.
class ProgramFontKept
{
public:
    ~ProgramFontKept() { QApplication::setFont(m_font); }

private:
    QFont m_font = QApplication::font();
};

void TestWindowCaptions::twipsFollowLayoutFont_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("stretch");
    QTest::addColumn<int>("comparedWithDejaVuSans"); // sign of the scale's difference

    QTest::newRow("DejaVu Sans") << "DejaVu Sans" << 8 << 100 << 0;
    QTest::newRow("DejaVu Sans at 12 points") << "DejaVu Sans" << 12 << 100 << 0;
    QTest::newRow("DejaVu Sans widened") << "DejaVu Sans" << 8 << 150 << 1;
    QTest::newRow("Liberation Sans") << "Liberation Sans" << 8 << 100 << -1;
    QTest::newRow("Liberation Serif") << "Liberation Serif" << 8 << 100 << -1;
}

void TestWindowCaptions::twipsFollowLayoutFont()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(int, stretch);
    QFETCH(int, comparedWithDejaVuSans);
    const ProgramFontKept kept;
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    const double dejaVuSans = LayoutFontScale();

    QFont font(family, pointSize);
    font.setStretch(stretch);
    QApplication::setFont(font);
    const double scale = LayoutFontScale();
    // The layout font is the desktop's at 8 points, whatever size the desktop uses.
    QCOMPARE(LayoutFont().pointSize(), 8);
    QVERIFY(scale >= 1.0);
    const int sign = qFuzzyCompare(scale, dejaVuSans) ? 0 : (scale > dejaVuSans ? 1 : -1);
    if (scale > 1.0 || dejaVuSans > 1.0)
        QCOMPARE(sign, comparedWithDejaVuSans);
    QCOMPARE(Twips(1500), int(100 * scale));
    QCOMPARE(Twips(-1500), -int(100 * scale));
    QCOMPARE(TwipsRect(150, 300, 1500, 3000),
             QRect(int(10 * scale), int(20 * scale), int(100 * scale), int(200 * scale)));
}

void TestWindowCaptions::wrappedLabel_growsItsWindow_data()
{
    QTest::addColumn<int>("words");
    QTest::newRow("one line") << 3;
    QTest::newRow("a few lines") << 40;
    QTest::newRow("many lines") << 200;
}

void TestWindowCaptions::wrappedLabel_growsItsWindow()
{
    QFETCH(int, words);
    QWidget window;
    window.setFixedSize(300, 120);
    auto* icon = NamedControl<QLabel>(&window, "icon", QStringLiteral("!"), QRect(4, 10, 20, 20));
    auto* label = NamedControl<QLabel>(&window, "label", QString(), QRect(30, 10, 260, 40));
    auto* button =
        NamedControl<QPushButton>(&window, "button", QStringLiteral("OK"), QRect(110, 70, 80, 30));
    label->setWordWrap(true);
    label->setText(QStringLiteral("word ").repeated(words).trimmed());
    const int needed = label->heightForWidth(label->width());

    GrowToWrappedText(label);

    const int grow = qMax(0, needed - 40);
    QCOMPARE(label->geometry(), QRect(30, 10, 260, 40 + grow));
    QCOMPARE(icon->geometry(), QRect(4, 10, 20, 20));
    QCOMPARE(button->geometry(), QRect(110, 70 + grow, 80, 30));
    QCOMPARE(window.size(), QSize(300, 120 + grow));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    if (words > 3)
        QVERIFY(grow > 0);
}

// The parent program: runs the window test once per screen scale factor.
class TestCaptionScales : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyWindowAtScale_data();
    void everyWindowAtScale();
};

void TestCaptionScales::everyWindowAtScale_data()
{
    QTest::addColumn<QString>("factor");
    for (const char* factor : {"1", "1.25", "1.5", "2"})
        QTest::newRow(factor) << QString::fromLatin1(factor);
}

void TestCaptionScales::everyWindowAtScale()
{
    QFETCH(QString, factor);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), factor);
    environment.insert(QLatin1String(ScaleVariable), factor);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(300000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    QStringList failures;
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(QLatin1String("FAIL!")))
            failures.append(line);
    }
    const bool passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    // The child's failures name each window and control; a child that crashed shows it all.
    const QString report = failures.isEmpty() ? output : failures.join(u'\n');
    QVERIFY2(passed, qPrintable(QStringLiteral("at scale %1:\n%2").arg(factor, report)));
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(ScaleVariable)) {
        QApplication app(argc, argv);
        UseLayoutFontEverywhere();
        TestWindowCaptions test;
        return QTest::qExec(&test, argc, argv);
    }
    QCoreApplication app(argc, argv);
    TestCaptionScales test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_captions.moc"
