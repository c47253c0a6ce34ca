// The main window of a station of several: punches go to the server, last actions and reports
// come from every station, and a punch station leaves the management to the head station.
#include "admin/frmCorrectTimeCard.h"
#include "app/Application.h"
#include "app/StationWiring.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "reports/frmReport.h"
#include "reports/frmSingleReport.h"
#include "station/AboutBox.h"
#include "station/frmHorodex.h"
#include "sync/StationLink.h"
#include "sync/SyncFixture.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/ProgramState.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// The text of the report window the action opens, which is then closed.
QString ReportShownBy(const std::function<void()>& action)
{
    auto shown = std::make_shared<QString>();
    onNextDialog<frmReport>([shown](frmReport* report) {
        *shown = report->ShownText();
        report->cmdCloseReport_Click();
    });
    action();
    return *shown;
}

// A station's data folder with Kim on its employee list and the settings of a first run.
void WriteStationFolder(const DataFolder& folder, const QString& uri, const QString& name,
                        const QString& role)
{
    folder.writeStation(uri, name, role);
    folder.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    folder.writeDefaultOptions();
}

// The head station "office" and the punch station "front" on a database of their own.
struct OfficeAndFront
{
    QString uri = FreshDatabaseUri();
    DataFolder office, front;
    OfficeAndFront()
    {
        WriteStationFolder(office, uri, QStringLiteral("office"), QStringLiteral("head"));
        WriteStationFolder(front, uri, QStringLiteral("front"), QStringLiteral("punch"));
    }
    // Kim's IN at 08:00 on Monday 10 March 2008, sent by the front station.
    bool kimCameInAtTheFront() const
    {
        front.write(QStringLiteral("Kim.txt"), punchLine("IN ", "03/10/2008", "08:00"));
        return front.sync().exitCode == 0;
    }
};

// The program of one station as it starts: its link to the server from station.ini, then its
// main window. One at a time: the data folder belongs to the whole program.
struct Station
{
    std::unique_ptr<StationLink> link;
    std::unique_ptr<frmHorodex> window;

    explicit Station(const DataFolder& folder)
    {
        Environment::setDataDirectory(folder.path());
        Result<std::unique_ptr<StationLink>> made = StationLink::fromDataFolder();
        QVERIFY2(made && *made, qPrintable(made.failure().error));
        link = std::move(*made);
        window = std::make_unique<frmHorodex>();
        ConnectStationLink(window.get(), link.get());
        QVERIFY(StartMainWindow(window.get()));
    }
    ~Station()
    {
        window.reset();
        link.reset();
        Environment::setDataDirectory(QString());
    }

    // Selects Kim, again until the window shows what the server knows: the station may ask
    // before its connection is up, and then its own file answers.
    void selectKimUntil(const std::function<bool()>& shown) const
    {
        window->lstNames->setCurrentRow(0);
        for (int i = 0; i < 50 && !shown(); ++i) {
            QTest::qWait(100);
            window->lstNames_Click();
        }
    }
};

int ServerPunchCount(const QString& uri)
{
    return int(ServerLines(uri, QStringLiteral("SELECT line FROM horodex_punch")).size());
}

} // namespace

class TestSyncWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void startUp_linkOnlyFromAUsableStationFile_data();
    void startUp_linkOnlyFromAUsableStationFile();
    void punchInAtOneStation_enablesOutAtAnother();
    void serverUnreachable_punchIsRecordedAndWaits();
    void punchStation_manageEntriesOpenNothing_data();
    void punchStation_manageEntriesOpenNothing();
    void headStation_reportsShowEveryStationsPunches();
    void headStation_correctsTheMergedTimeCardOnTheServer();
    void punchStation_showsTheHeadStationsEmployees();

private:
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestSyncWindow::init()
{
    m_messages = std::make_unique<MessageRecorder>();
    State() = ProgramState{};
    GlobalOptions() = OptionsRecord{};
}

void TestSyncWindow::cleanup()
{
    m_messages.reset();
    Environment::setDataDirectory(QString());
}

void TestSyncWindow::startUp_linkOnlyFromAUsableStationFile_data()
{
    QTest::addColumn<QByteArray>("stationFile"); // empty: none
    QTest::addColumn<bool>("linked");
    QTest::newRow("one computer alone") << QByteArray() << false;
    QTest::newRow("usable") << QByteArray("database=postgresql://horodex@127.0.0.1:1/horodex\n"
                                          "station=front\nrole=punch\n")
                            << true;
    QTest::newRow("unknown role") << QByteArray("database=postgresql://horodex@127.0.0.1:1/"
                                                "horodex\nstation=front\nrole=boss\n")
                                  << false;
    QTest::newRow("not a database address")
        << QByteArray("database=mysql://horodex@127.0.0.1/horodex\nstation=front\nrole=punch\n")
        << false;
}

void TestSyncWindow::startUp_linkOnlyFromAUsableStationFile()
{
    QFETCH(QByteArray, stationFile);
    QFETCH(bool, linked);
    DataFolder folder;
    if (!stationFile.isEmpty())
        folder.write(QStringLiteral("station.ini"), stationFile);
    Environment::setDataDirectory(folder.path());
    const std::unique_ptr<StationLink> link = OpenStationLink();
    QCOMPARE(bool(link), linked);
    // A file that cannot be used is said once, naming it; the station punches on its own files.
    const bool bad = !stationFile.isEmpty() && !linked;
    QCOMPARE(m_messages->messages.size(), bad ? 1 : 0);
    if (bad)
        QVERIFY2(m_messages->texts().constFirst().contains(QStringLiteral("station.ini")),
                 qPrintable(m_messages->texts().constFirst()));
}

void TestSyncWindow::punchInAtOneStation_enablesOutAtAnother()
{
    REQUIRE_TEST_SERVER();
    const OfficeAndFront stations;
    {
        Station station(stations.office);
        station.window->lstNames->setCurrentRow(0);
        QVERIFY(station.window->cmdIn->isEnabled());
        QTest::mouseClick(station.window->cmdIn, Qt::LeftButton);
        QCOMPARE(stations.office.read(QStringLiteral("Kim.txt")).size(), 31);
        // After a round that reached the server its tables exist.
        QTRY_VERIFY_WITH_TIMEOUT(station.link->status().connected, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(ServerPunchCount(stations.uri), 1, 15000);
    }
    Station station(stations.front);
    station.selectKimUntil([&station] { return station.window->cmdOut->isEnabled(); });
    QVERIFY(station.window->cmdOut->isEnabled());
    QVERIFY(!station.window->cmdIn->isEnabled());
    QVERIFY2(station.window->lastActionShown().startsWith(QStringLiteral(" Last Action: IN  at")),
             qPrintable(station.window->lastActionShown()));
    QVERIFY(stations.front.read(QStringLiteral("Kim.txt")).isEmpty());
}

void TestSyncWindow::serverUnreachable_punchIsRecordedAndWaits()
{
    // Nothing listens on port 1: every connection is refused.
    DataFolder front;
    WriteStationFolder(front, QStringLiteral("postgresql://horodex@127.0.0.1:1/horodex"),
                       QStringLiteral("front"), QStringLiteral("punch"));
    Station station(front);
    station.window->lstNames->setCurrentRow(0);
    QElapsedTimer answered;
    answered.start();
    QTest::mouseClick(station.window->cmdIn, Qt::LeftButton);
    const qint64 elapsed = answered.elapsed();
    QCOMPARE(front.read(QStringLiteral("Kim.txt")).size(), 31);
    QVERIFY(station.window->cmdOut->isEnabled());
    QVERIFY(station.window->lastActionShown().startsWith(QStringLiteral(" Last Action: IN  at")));
    // Loose: the time limit is half a second, a window held by the network takes far longer.
    QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed)));
    QVERIFY(m_messages->messages.isEmpty());

    station.window->setAdminLoggedIn(true);
    QTRY_COMPARE_WITH_TIMEOUT(
        station.window->windowTitle(),
        QStringLiteral("Horodex ADMINISTRATOR LOGGED IN - 1 punch waits to be sent"), 10000);
    station.window->setAdminLoggedIn(false);
    QCOMPARE(station.window->windowTitle(), QStringLiteral("Horodex"));

    QString about;
    onNextDialog<AboutBox>([&about](AboutBox* box) {
        about = box->lblStation ? box->lblStation->text() : QString();
        box->accept();
    });
    station.window->mnuAbout_Click();
    QVERIFY2(about.contains(QStringLiteral("1 punch waits to be sent.")) &&
                 about.contains(QStringLiteral("Cannot connect to the shared database")),
             qPrintable(about));
}

void TestSyncWindow::punchStation_manageEntriesOpenNothing_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");
    for (const char* entry : {"mnuCreateNewRecord", "mnuModifyRecord", "mnuDeleteRecord",
                              "mnuCorrectTimeCard", "mnuOptions"})
        QTest::newRow(entry) << QString::fromLatin1(entry)
                             << ManagedAtHeadText(QStringLiteral("office"));
    // A punch station keeps no pay rates: its payroll reports are made at the head.
    for (const char* entry : {"mnuEmployeeReport", "mnuMultiplePayrollReport"})
        QTest::newRow(entry) << QString::fromLatin1(entry)
                             << PayrollAtHeadText(QStringLiteral("front"));
}

void TestSyncWindow::punchStation_manageEntriesOpenNothing()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, entry);
    QFETCH(QString, message);
    const OfficeAndFront stations;
    QCOMPARE(stations.office.sync().exitCode, 0);

    Station station(stations.front);
    QTRY_COMPARE_WITH_TIMEOUT(station.link->status().headStation, QStringLiteral("office"), 15000);
    const QByteArray employees = stations.front.read(QStringLiteral("names.nms"));
    station.window->setAdminLoggedIn(true);
    station.window->lstNames->setCurrentRow(0);
    auto opened = std::make_shared<QStringList>();
    // Any window the entry opens is noted and closed, so that the test goes on.
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [opened] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened->append(modal->objectName());
            modal->close();
        }
    });
    watcher.start(20);
    auto* action = station.window->findChild<QAction*>(entry);
    QVERIFY(action);
    action->trigger();
    QTest::qWait(100);
    QVERIFY2(opened->isEmpty(), qPrintable(opened->join(u' ')));
    QVERIFY(m_messages->prompts.isEmpty());
    QCOMPARE(m_messages->texts(), QStringList{message});
    QCOMPARE(stations.front.read(QStringLiteral("names.nms")), employees);
}

void TestSyncWindow::headStation_reportsShowEveryStationsPunches()
{
    REQUIRE_TEST_SERVER();
    const OfficeAndFront stations;
    QVERIFY(stations.kimCameInAtTheFront());

    FixedClock clock(QDateTime(QDate(2008, 3, 10), QTime(16, 30)));
    Station station(stations.office);
    const QString whoIsIn = ReportShownBy([&station] { station.window->mnuWhoIsIn_Click(); });
    QVERIFY2(whoIsIn.contains(QStringLiteral("Kim")), qPrintable(whoIsIn));

    station.selectKimUntil([&station] { return station.window->cmdOut->isEnabled(); });
    QTest::mouseClick(station.window->cmdOut, Qt::LeftButton);
    QCOMPARE(stations.office.read(QStringLiteral("Kim.txt")),
             punchLine("OUT", "03/10/2008", "16:30"));
    QTRY_COMPARE_WITH_TIMEOUT(ServerPunchCount(stations.uri), 2, 15000);

    clock.set(QDateTime(QDate(2008, 3, 17), QTime(9, 0)));
    QString report;
    onNextDialog<frmSingleReport>([&report](frmSingleReport* window) {
        QCOMPARE(window->DatePickerFrom->date(), QDate(2008, 3, 10));
        window->optAllTimeEntries->setChecked(true);
        report = ReportShownBy([window] { window->cmdCreate_Click(); });
    });
    station.window->mnuEmployeeReport_Click();
    QVERIFY2(report.contains(QStringLiteral("08:00")) && report.contains(QStringLiteral("04:30")),
             qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("8.50")), qPrintable(report));
    QVERIFY2(m_messages->texts().isEmpty(), qPrintable(m_messages->texts().join(u'\n')));
}

void TestSyncWindow::headStation_correctsTheMergedTimeCardOnTheServer()
{
    REQUIRE_TEST_SERVER();
    const OfficeAndFront stations;
    QVERIFY(stations.kimCameInAtTheFront());

    FixedClock clock(QDateTime(QDate(2008, 3, 17), QTime(9, 0)));
    Station station(stations.office);
    station.window->lstNames->setCurrentRow(0);
    QStringList shown;
    bool saved = false;
    QString head;
    onNextDialog<frmCorrectTimeCard>([&shown, &saved, &head](frmCorrectTimeCard* window) {
        shown = window->shownRows();
        saved =
            window->addPunch({false, QDate(2008, 3, 10), QTime(17, 0), QStringLiteral("forgot")}) &&
            window->save();
        head = window->lblRecordHead->text();
        window->reject();
    });
    station.window->mnuCorrectTimeCard_Click();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.constFirst().contains(QStringLiteral("08:00")), qPrintable(shown.join(u'\n')));
    QVERIFY2(saved, qPrintable(m_messages->texts().join(u'\n')));
    QCOMPARE(
        ServerLines(stations.uri, QStringLiteral("SELECT line FROM horodex_punch WHERE NOT removed "
                                                 "ORDER BY moment_key")),
        (QList<QByteArray>{punchLine("IN ", "03/10/2008", "08:00"),
                           punchLine("OUT", "03/10/2008", "17:00")}));
    // The station's own file keeps what was punched there: nothing.
    QVERIFY(stations.office.read(QStringLiteral("Kim.txt")).isEmpty());

    // The head to write down is the server's record's, in the window and in the About box.
    const QList<QByteArray> record =
        ServerLines(stations.uri, QStringLiteral("SELECT line FROM horodex_correction"));
    QCOMPARE(record.size(), 1);
    const QString expected = QStringLiteral("Head of the record of corrections: 1:") +
                             QString::fromLatin1(record[0].right(64).left(16));
    QVERIFY2(head.startsWith(expected), qPrintable(head));
    QTRY_VERIFY_WITH_TIMEOUT(station.link->status().correctionHead &&
                                 station.link->status().correctionHead->entries == 1,
                             20000);
    QString about;
    onNextDialog<AboutBox>([&about](AboutBox* box) {
        about = box->lblRecordHead ? box->lblRecordHead->text() : QString();
        box->accept();
    });
    station.window->mnuAbout_Click();
    QVERIFY2(about.startsWith(expected), qPrintable(about));
}

void TestSyncWindow::punchStation_showsTheHeadStationsEmployees()
{
    REQUIRE_TEST_SERVER();
    const OfficeAndFront stations;
    stations.office.writeEmployees(
        {sampleEmployee(QStringLiteral("Kim")), sampleEmployee(QStringLiteral("Lee"))});
    QCOMPARE(stations.office.sync().exitCode, 0);
    // The window shows this station's list first; the link's first round replaces it.
    Environment::setDataDirectory(stations.front.path());
    frmHorodex window;
    QVERIFY(StartMainWindow(&window));
    QCOMPARE(window.lstNames->count(), 1);
    Result<std::unique_ptr<StationLink>> made = StationLink::fromDataFolder();
    QVERIFY(made && *made);
    const std::unique_ptr<StationLink> link = std::move(*made);
    ConnectStationLink(&window, link.get());
    QTRY_COMPARE_WITH_TIMEOUT(window.lstNames->count(), 2, 15000);
    QCOMPARE(window.lstNames->item(1)->text(), QStringLiteral("Lee"));
}

QTEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
