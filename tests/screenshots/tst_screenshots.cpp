// The pictures of the user guide are those of today's windows. Each window of the program is
// opened offscreen with sample employees at a fixed moment, and its structure (every visible
// control: kind, name, place, size and text) is compared with the one recorded beside its picture
// in docs/images, together with the picture's own SHA-256. A window that changed fails here until
// scripts/screenshot.sh has taken its picture again, which runs this program with
// HORODEX_SCREENSHOT_DIR set to write the pictures and their structures instead of comparing.

#include "OnePrinter.h"
#include "SampleReport.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include "admin/frmAddEmployee.h"
#include "admin/frmBadges.h"
#include "admin/frmCorrectTimeCard.h"
#include "admin/frmOptions.h"
#include "admin/frmPunchEdit.h"
#include "admin/frmScanCard.h"
#include "admin/frmShifts.h"
#include "app/Application.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "payroll/ReportFormat.h"
#include "payroll/WhoIsIn.h"
#include "platform/Printers.h"
#include "punch/PunchStore.h"
#include "reports/BadgeCardOutput.h"
#include "reports/frmExceptions.h"
#include "reports/frmMultipleReportSelect.h"
#include "reports/frmPrintDialog.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "station/AboutBox.h"
#include "station/frmAdminLogin.h"
#include "station/frmHorodex.h"
#include "station/frmPin.h"
#include "ui/LayoutFont.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTabBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimeZone>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const char* const WriteVariable = "HORODEX_SCREENSHOT_DIR";
const QString Employee = QStringLiteral("Mary Anderson");
const QStringList Employees = {Employee, QStringLiteral("John Baker"),
                               QStringLiteral("Luc Tremblay"), QStringLiteral("Sofia Rossi")};

using Opener = std::function<std::unique_ptr<QWidget>()>;

struct Shot
{
    QString name; // the picture's file name without .png
    Opener open;
};

template <typename Window, typename... Args> Opener dialog(Args... args)
{
    return [=]() -> std::unique_ptr<QWidget> { return std::make_unique<Window>(args...); };
}

std::unique_ptr<QWidget> mainWindow(bool admin)
{
    auto window = std::make_unique<frmHorodex>();
    if (!StartMainWindow(window.get()))
        return nullptr;
    window->tmrTimer_Timer();
    window->RecordPunch(Employee, true);
    window->setAdminLoggedIn(admin);
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

// The guide shows the usual folder of an installed Horodex, not the test's temporary one.
std::unique_ptr<QWidget> aboutBox()
{
    auto window = std::make_unique<AboutBox>();
    window->findChild<QLabel*>(QStringLiteral("lblDataFolder"))
        ->setText(QStringLiteral("Data folder: /home/shop/.local/share/horodex"));
    return window;
}

std::unique_ptr<QWidget> whoIsIn()
{
    EmployeeList list;
    if (!ReadEmployeeList(&list))
        return nullptr;
    WhoIsInList in;
    if (!FindWhoIsIn(list.records, Environment::now(), QTimeZone::systemTimeZone(),
                     DataFolderPunches(), &in))
        return nullptr;
    ReportTexts texts(WhoIsInText(in, GlobalOptions().timeFormat(), RegionalFormats::current()),
                      QString(), QString(), true);
    texts.Title = QStringLiteral("Who Is In");
    return std::make_unique<frmReport>(texts);
}

ShiftSchedule sampleShifts()
{
    ShiftSchedule schedule;
    schedule.shifts = {{1, QTime(8, 0), QTime(16, 30), {true, true, true, true, true}, 5, 30},
                       {2, QTime(22, 0), QTime(6, 0), {true, true, true, true, true}, 10, 0}};
    return schedule;
}

std::unique_ptr<QWidget> exceptions()
{
    EmployeeList list;
    if (!ReadEmployeeList(&list))
        return nullptr;
    return std::make_unique<frmExceptions>(
        frmExceptions::Inputs{list.records, sampleShifts(), Environment::now(),
                              QTimeZone::systemTimeZone(), GlobalOptions().timeFormat()},
        DataFolderPunches());
}

const QList<Shot>& shots()
{
    static OnePrinter printer;
    static const QList<Shot> list = {
        {QStringLiteral("first-password"), dialog<frmAdminLogin>(LoginMode::FirstRun)},
        {QStringLiteral("station"), [] { return mainWindow(false); }},
        {QStringLiteral("station-administrator"), [] { return mainWindow(true); }},
        {QStringLiteral("administrator-login"), dialog<frmAdminLogin>(LoginMode::Management)},
        {QStringLiteral("pin"), dialog<frmPin>(Employee, true)},
        {QStringLiteral("employee"), dialog<frmAddEmployee>(std::optional<QString>(Employee))},
        {QStringLiteral("options-general"), optionsPage(0)},
        {QStringLiteral("options-passwords"), optionsPage(1)},
        {QStringLiteral("options-employees"), optionsPage(2)},
        {QStringLiteral("options-security"), optionsPage(3)},
        {QStringLiteral("badges"), dialog<frmBadges>(Employees, QStringLiteral("Acme Tool & Die"),
                                                     frmBadges::CardWriter(OutputBadgeCards))},
        {QStringLiteral("scan-card"), dialog<frmScanCard>(Employee)},
        {QStringLiteral("correct-time-card"),
         dialog<frmCorrectTimeCard>(Employees, Employee, QDate(2009, 11, 9))},
        {QStringLiteral("punch-edit"),
         dialog<frmPunchEdit>(QStringLiteral("Change the punch"),
                              frmPunchEdit::Punch{false, QDate(2009, 11, 2), QTime(17, 30),
                                                  QStringLiteral("forgot to punch out")})},
        {QStringLiteral("single-report"), dialog<frmSingleReport>(Employee)},
        {QStringLiteral("multiple-report"), dialog<frmMultipleReportSelect>()},
        {QStringLiteral("report"),
         dialog<frmReport>(ReportTexts(SampleReport::Header, SampleReport::Detail,
                                       SampleReport::Summary, false))},
        {QStringLiteral("who-is-in"), whoIsIn},
        {QStringLiteral("exceptions"), exceptions},
        {QStringLiteral("shifts"),
         [] { return std::unique_ptr<QWidget>(std::make_unique<frmShifts>(sampleShifts())); }},
        {QStringLiteral("print"),
         [] {
             SetPrinterSystemForTesting(&printer);
             ResetCurrentPrinterForTesting();
             return std::unique_ptr<QWidget>(std::make_unique<frmPrintDialog>(nullptr));
         }},
        {QStringLiteral("about"), aboutBox},
    };
    return list;
}

QString plainText(const QString& text, Qt::TextFormat format)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// What a control shows, in one line.
QString textOf(const QWidget* w)
{
    QStringList parts;
    if (const auto* label = qobject_cast<const QLabel*>(w))
        parts << plainText(label->text(), label->textFormat());
    else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        parts << button->text();
    else if (const auto* group = qobject_cast<const QGroupBox*>(w))
        parts << group->title();
    else if (const auto* line = qobject_cast<const QLineEdit*>(w))
        parts << line->text();
    else if (const auto* combo = qobject_cast<const QComboBox*>(w))
        parts << combo->currentText();
    else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w))
        parts << plain->toPlainText();
    else if (const auto* rich = qobject_cast<const QTextEdit*>(w))
        parts << rich->toPlainText();
    else if (const auto* tabs = qobject_cast<const QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i)
            parts << tabs->tabText(i);
    } else if (const auto* list = qobject_cast<const QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i)
            parts << list->item(i)->text();
    } else if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                if (const QTableWidgetItem* item = table->item(r, c))
                    parts << item->text();
    } else if (const auto* bar = qobject_cast<const QMenuBar*>(w)) {
        for (const QAction* menu : bar->actions()) {
            parts << menu->text() + (menu->isEnabled() ? QString() : QStringLiteral(" (off)"));
            if (menu->menu())
                for (const QAction* entry : menu->menu()->actions())
                    if (!entry->isSeparator() && entry->isVisible())
                        parts << QStringLiteral("  ") + entry->text();
        }
    }
    return parts.join(QStringLiteral(" | ")).replace(u'\n', QStringLiteral("\\n"));
}

void describe(const QWidget* w, int depth, QStringList* lines)
{
    // A window's place on the screen is the window system's; its size and its controls are its own.
    const QRect g = depth == 0 ? QRect(QPoint(), w->size()) : w->geometry();
    lines->append(QStringLiteral("%1%2 %3 %4,%5 %6x%7 %8")
                      .arg(QString(depth * 2, u' '), QLatin1String(w->metaObject()->className()),
                           w->objectName().isEmpty() ? QStringLiteral("-") : w->objectName())
                      .arg(g.x())
                      .arg(g.y())
                      .arg(g.width())
                      .arg(g.height())
                      .arg(textOf(w)));
    for (const QObject* child : w->children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget && !widget->isWindow() && widget->isVisible())
            describe(widget, depth + 1, lines);
    }
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void everyPictureShowsItsWindowAsItIs_data();
    void everyPictureShowsItsWindowAsItIs();
    void everyPictureInTheFolderIsAWindows();

private:
    // The window's structure, its temporary folders named as placeholders so that it reads the
    // same on every machine.
    QString structureOf(QWidget* window) const;
    QString m_images;
    bool m_writing = false;
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestScreenshots::initTestCase()
{
    m_writing = qEnvironmentVariableIsSet(WriteVariable);
    m_images = m_writing ? qEnvironmentVariable(WriteVariable)
                         : qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR") +
                               QStringLiteral("/docs/images");
    QVERIFY(QDir().mkpath(m_images));
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2009, 11, 9), QTime(8, 2, 15)));
    m_dir = std::make_unique<TempProgramDir>();
    m_messages = std::make_unique<MessageRecorder>();
    OptionsRecord options = OptionsRecord::firstRunDefaults(QStringLiteral("admin123"));
    QVERIFY(WriteOptionsFile(options));
    GlobalOptions() = options;
    for (const QString& name : Employees)
        QVERIFY(AppendEmployee(sampleEmployee(name)));
    QFile times(TimeFilePath(Employee));
    QVERIFY(times.open(QIODevice::WriteOnly));
    times.write(SampleReport::weekOfPunches());
    times.close();
    QFile baker(TimeFilePath(QStringLiteral("John Baker")));
    QVERIFY(baker.open(QIODevice::WriteOnly));
    baker.write(punchLine("IN", "11/09/2009", "07:55"));
    baker.close();
}

void TestScreenshots::cleanupTestCase()
{
    SetPrinterSystemForTesting(nullptr);
    m_messages.reset();
    m_dir.reset();
    m_clock.reset();
}

QString TestScreenshots::structureOf(QWidget* window) const
{
    QStringList lines{QStringLiteral("title: ") + window->windowTitle()};
    describe(window, 0, &lines);
    QString text = lines.join(u'\n') + u'\n';
    text.replace(m_dir->programDir(), QStringLiteral("<program folder>"));
    text.replace(QDir(m_dir->programDir()).canonicalPath(), QStringLiteral("<program folder>"));
    const QString source = qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR");
    if (!source.isEmpty())
        text.replace(source, QStringLiteral("<source folder>"));
    return text;
}

void TestScreenshots::everyPictureShowsItsWindowAsItIs_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < shots().size(); ++i)
        QTest::newRow(qPrintable(shots()[i].name)) << i;
}

void TestScreenshots::everyPictureShowsItsWindowAsItIs()
{
    QFETCH(int, index);
    const Shot& shot = shots().at(index);
    const std::unique_ptr<QWidget> window = shot.open();
    QVERIFY2(window, "the window did not open");
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();
    const QString structure = structureOf(window.get());
    const QString picture = m_images + u'/' + shot.name + QStringLiteral(".png");
    const QString layout = m_images + u'/' + shot.name + QStringLiteral(".layout");
    auto sha256 = [](const QByteArray& bytes) {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    };
    if (m_writing) {
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(window->grab().save(&buffer, "PNG"));
        QFile out(picture);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(png) == png.size());
        out.close();
        QFile record(layout);
        QVERIFY(record.open(QIODevice::WriteOnly));
        record.write("picture sha256 " + sha256(png) + '\n' + structure.toUtf8());
        return;
    }
    QFile record(layout);
    QVERIFY2(record.open(QIODevice::ReadOnly),
             qPrintable(layout + QStringLiteral(" is missing: run scripts/screenshot.sh")));
    const QStringList recorded = QString::fromUtf8(record.readAll()).split(u'\n');
    const QStringList now =
        (QStringLiteral("picture sha256 ") + QString::fromLatin1(sha256({})) + u'\n' + structure)
            .split(u'\n');
    for (int i = 1; i < std::max(recorded.size(), now.size()); ++i) {
        const QString was = recorded.value(i), is = now.value(i);
        QVERIFY2(was == is,
                 qPrintable(QStringLiteral("%1 changed since its picture was taken (line %2):\n"
                                           "  pictured: %3\n  now:      %4\n"
                                           "run scripts/screenshot.sh and commit docs/images")
                                .arg(shot.name)
                                .arg(i + 1)
                                .arg(was, is)));
    }
    QFile png(picture);
    QVERIFY2(png.open(QIODevice::ReadOnly), qPrintable(picture + QStringLiteral(" is missing")));
    QCOMPARE(QStringLiteral("picture sha256 ") + QString::fromLatin1(sha256(png.readAll())),
             recorded.value(0));
}

void TestScreenshots::everyPictureInTheFolderIsAWindows()
{
    if (m_writing)
        return;
    QStringList expected;
    for (const Shot& shot : shots())
        expected << shot.name + QStringLiteral(".layout") << shot.name + QStringLiteral(".png");
    expected.sort();
    QStringList found = QDir(m_images).entryList(
        {QStringLiteral("*.layout"), QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    QCOMPARE(found, expected);
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    UseLayoutFontEverywhere();
    TestScreenshots test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenshots.moc"
