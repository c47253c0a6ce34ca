// The window that corrects a time card: the hours it shows, what it marks, and what Save and
// Cancel leave on disk.
#include "SampleReport.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"

#include "admin/frmCorrectTimeCard.h"
#include "data/CorrectionLog.h"
#include "data/OptionsRecord.h"
#include "payroll/ReportFormat.h"
#include "timecalc/OvertimeRule.h"
#include "timecalc/TimeManipulation.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

const QDate Monday(2009, 11, 2);
const QDate Sunday(2009, 11, 8);

frmPunchEdit::Punch punch(bool isIn, QDate date, QTime time, const char* reason = "forgotten")
{
    return {isIn, date, time, QString::fromLatin1(reason)};
}

// Monday's lines out of time order: the report pairs 08:00-16:00 and 12:00-13:00, 9 hours.
QByteArray outOfOrderMonday()
{
    return punchLine("IN", "11/02/2009", "08:00") + punchLine("OUT", "11/02/2009", "16:00") +
           punchLine("IN", "11/02/2009", "12:00") + punchLine("OUT", "11/02/2009", "13:00");
}

float shownHours(const QStringList& rows)
{
    float shown = 0;
    for (const QString& row : rows)
        shown += row.split(QStringLiteral(" | ")).value(3).toFloat();
    return shown;
}

} // namespace

class TestCorrectTimeCard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        m_messages = std::make_unique<MessageRecorder>();
        GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret"));
    }
    void cleanup()
    {
        m_messages.reset();
        m_dir.reset();
    }

    void shownHours_equalTheReports_data();
    void shownHours_equalTheReports();
    void brokenPunches_areMarked();
    void forgottenOutAdded_isSavedPaidAndRecorded();
    void cancel_leavesTheFileAsItWas();
    void refusedSwitch_highlightsTheOpenCardAgain();
    void totalsGainingALine_keepTheWindowsHeight();
    void brokenCard_hoursColumnShowsWhatIsPaid();
    void outOfOrderCard_showsWhatTheReportPaysAndSaysWhy();
    void saveWithoutCorrection_changesNothing();
    void saveThatReordersLines_asksWithHoursAndRecordsEachMovedLine();
    void boundaries_areMarkedOnlyBeyondThem_data();
    void boundaries_areMarkedOnlyBeyondThem();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestCorrectTimeCard::shownHours_equalTheReports_data()
{
    QTest::addColumn<QString>("rounding");
    QTest::addColumn<bool>("daily");
    QTest::addColumn<QString>("threshold");
    QTest::newRow("weekly over 40") << QStringLiteral("0") << false << QStringLiteral("40");
    QTest::newRow("quarter hours, weekly over 35")
        << QStringLiteral("1") << false << QStringLiteral("35");
    QTest::newRow("half hours, daily over 8") << QStringLiteral("2") << true << QStringLiteral("8");
}

void TestCorrectTimeCard::shownHours_equalTheReports()
{
    QFETCH(QString, rounding);
    QFETCH(bool, daily);
    QFETCH(QString, threshold);
    GlobalOptions().TimeRounding = rounding;
    GlobalOptions().DailyOvertime = daily ? QStringLiteral("1") : QStringLiteral("0");
    GlobalOptions().OvertimeThreshold = threshold.leftJustified(5, QChar(0));
    m_dir->write(QStringLiteral("Ann.txt"), SampleReport::weekOfPunches());
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    const Result<clsTime> loaded = LoadPayPeriod(QStringLiteral("Ann"), Monday, Sunday,
                                                 rounding.toInt(), QTimeZone::systemTimeZone());
    QVERIFY2(loaded, qPrintable(loaded.message()));
    const clsTime& paid = *loaded;
    const OvertimeRule rule = OvertimeRule::of(GlobalOptions());
    const QString expected = QStringLiteral("Pay period: %1 hours (%2 regular, %3 overtime)")
                                 .arg(ReportFormat::Hours(paid.TotalHours()).trimmed(),
                                      ReportFormat::Hours(paid.RegularHours(rule)).trimmed(),
                                      ReportFormat::Hours(paid.OvertimeHours(rule)).trimmed());
    QVERIFY2(window.lblTotals->text().contains(expected), qPrintable(window.lblTotals->text()));
    QVERIFY(paid.OvertimeHours(rule) > 0);
    // The night from Wednesday into Thursday is one pair, shown on its OUT.
    QVERIFY(window.shownRows().filter(QStringLiteral("Thu 11/5/2009 | 06:30 AM | OUT")).size() ==
            1);
}

void TestCorrectTimeCard::brokenPunches_areMarked()
{
    m_dir->write(QStringLiteral("Ann.txt"),
                 punchLine("OUT", "11/02/2009", "07:00") + punchLine("IN", "11/02/2009", "08:00") +
                     punchLine("IN", "11/02/2009", "09:00") +
                     punchLine("OUT", "11/03/2009", "10:00") + "garbage\r\n" +
                     punchLine("IN", "11/06/2009", "08:00"));
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    const QStringList rows = window.shownRows();
    QCOMPARE(rows.size(), 6);
    QVERIFY2(rows[0].startsWith(QStringLiteral("garbage |")) &&
                 rows[0].endsWith(QStringLiteral("cannot be read")),
             qPrintable(rows[0]));
    QVERIFY(rows[1].endsWith(QStringLiteral("OUT with no IN")));
    QVERIFY(rows[2].endsWith(QStringLiteral("| IN with no OUT")));
    QVERIFY(rows[3].endsWith(QStringLiteral("| two INs in a row")));
    QVERIFY(rows[4].contains(QStringLiteral("| 25.00 |")) &&
            rows[4].endsWith(QStringLiteral("over 24 hours")));
    QVERIFY(rows[5].endsWith(QStringLiteral("open for more than 16 hours: OUT forgotten?")));
    QVERIFY(!window.save()); // the unreadable line is still there
}

void TestCorrectTimeCard::forgottenOutAdded_isSavedPaidAndRecorded()
{
    const QByteArray before =
        SampleReport::weekOfPunches() + punchLine("IN", "11/08/2009", "08:00");
    m_dir->write(QStringLiteral("Ann.txt"), before);
    const auto paid = [] {
        return LoadPayPeriod(QStringLiteral("Ann"), Monday, Sunday, 0, QTimeZone::systemTimeZone())
            .valueOr(clsTime())
            .TotalHours();
    };
    const float unpaid = paid();
    FixedClock clock(QDateTime(QDate(2009, 11, 9), QTime(9, 30)));
    frmCorrectTimeCard window({QStringLiteral("Bob"), QStringLiteral("Ann")}, QStringLiteral("Ann"),
                              Sunday.addDays(1));
    QVERIFY(!window.addPunch(punch(false, Sunday, QTime(12, 0), "")));
    QVERIFY(window.addPunch(punch(false, Sunday, QTime(12, 0))));
    QVERIFY(window.lblTotals->text().contains(QStringLiteral("not saved")));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), before);
    QVERIFY(window.save());
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             before + punchLine("OUT", "11/08/2009", "12:00"));
    CorrectionLogContents log;
    QVERIFY(ReadCorrectionLog(&log));
    QCOMPARE(log.corrections.size(), 1);
    QCOMPARE(log.corrections[0].employee, QStringLiteral("Ann"));
    QCOMPARE(log.corrections[0].kind, Correction::Kind::Added);
    QCOMPARE(log.corrections[0].when, QDateTime(QDate(2009, 11, 9), QTime(9, 30)));
    QCOMPARE(paid(), unpaid + 4.0f); // the open IN is paid now that it has its OUT
    // The head to write down: the one entry, with the start of its hash.
    const QByteArray logged = m_dir->read(QStringLiteral("corrections.log"));
    QVERIFY2(window.lblRecordHead->text().startsWith(
                 QStringLiteral("Head of the record of corrections: 1:") +
                 QString::fromLatin1(logged.right(65).left(CorrectionLogHead::HashDigits))),
             qPrintable(window.lblRecordHead->text()));
}

void TestCorrectTimeCard::cancel_leavesTheFileAsItWas()
{
    const QByteArray before = SampleReport::weekOfPunches();
    m_dir->write(QStringLiteral("Ann.txt"), before);
    m_dir->write(QStringLiteral("Bob.txt"), QByteArray());
    frmCorrectTimeCard window({QStringLiteral("Ann"), QStringLiteral("Bob")}, QString(),
                              Sunday.addDays(1));
    QVERIFY(window.deletePunch(0, QStringLiteral("punched twice")));
    // Switching away asks first; No keeps the corrections and the employee.
    m_messages->yesNoAnswers = {false};
    QVERIFY(!window.selectEmployee(QStringLiteral("Bob")));
    QVERIFY(window.hasUnsavedCorrections());
    m_messages->yesNoAnswers = {true};
    window.reject();
    QVERIFY(!window.hasUnsavedCorrections());
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), before);
    QVERIFY(!m_dir->exists(QStringLiteral("corrections.log")));
}

void TestCorrectTimeCard::refusedSwitch_highlightsTheOpenCardAgain()
{
    m_dir->write(QStringLiteral("Ann.txt"), SampleReport::weekOfPunches());
    m_dir->write(QStringLiteral("Bob.txt"), QByteArray());
    frmCorrectTimeCard window({QStringLiteral("Ann"), QStringLiteral("Bob")}, QString(),
                              Sunday.addDays(1));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.deletePunch(0, QStringLiteral("punched twice")));
    QListWidgetItem* bob = window.lstEmployees->item(1);
    m_messages->yesNoAnswers = {false};
    QTest::mouseClick(window.lstEmployees->viewport(), Qt::LeftButton, {},
                      window.lstEmployees->visualItemRect(bob).center());
    QCOMPARE(m_messages->messages.size(), 1); // the question was asked
    QVERIFY(window.hasUnsavedCorrections());
    QCOMPARE(window.lstEmployees->currentItem()->text(), QStringLiteral("Ann"));
    QVERIFY(window.lstEmployees->currentItem()->isSelected());
}

void TestCorrectTimeCard::totalsGainingALine_keepTheWindowsHeight()
{
    m_dir->write(QStringLiteral("Ann.txt"), SampleReport::weekOfPunches());
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect save = window.cmdSave->geometry();
    const int height = window.height();
    const int lines = window.lblTotals->text().count(u'\n');
    QVERIFY(window.addPunch(punch(false, Sunday, QTime(12, 0))));
    QCOMPARE(window.lblTotals->text().count(u'\n'), lines + 1);
    QCoreApplication::processEvents();
    QCOMPARE(window.height(), height);
    QCOMPARE(window.cmdSave->geometry(), save);
    // Two weeks: one more line again, and the buttons stay where they were.
    window.setPeriod(Monday, Sunday.addDays(7), false);
    QCOMPARE(window.lblTotals->text().count(u'\n'), lines + 2);
    QCoreApplication::processEvents();
    QCOMPARE(window.height(), height);
    QCOMPARE(window.cmdSave->geometry(), save);
}

void TestCorrectTimeCard::brokenCard_hoursColumnShowsWhatIsPaid()
{
    // The OUT of Monday morning was forgotten: the report pairs the file as it lies, IN with IN
    // and the evening's OUT with Tuesday's IN.
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/02/2009", "08:00") +
                                                punchLine("IN", "11/02/2009", "09:30") +
                                                punchLine("OUT", "11/02/2009", "17:00") +
                                                punchLine("IN", "11/03/2009", "08:00") +
                                                punchLine("OUT", "11/03/2009", "16:00"));
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    const float paid =
        LoadPayPeriod(QStringLiteral("Ann"), Monday, Sunday, 0, QTimeZone::systemTimeZone())
            .valueOr(clsTime())
            .TotalHours();
    float shown = 0;
    const QStringList rows = window.shownRows();
    QCOMPARE(rows.size(), 5);
    for (const QString& row : rows) {
        const QStringList cells = row.split(QStringLiteral(" | "));
        bool number = false;
        shown += cells[3].toFloat(&number);
        // An OUT either shows the hours paid up to it, or says that none are.
        if (cells[2] == QLatin1String("OUT"))
            QVERIFY2(number || cells[3] == QLatin1String("not paid"), qPrintable(row));
    }
    QCOMPARE(shown, paid);
    QCOMPARE(paid, 16.5f);
}

void TestCorrectTimeCard::outOfOrderCard_showsWhatTheReportPaysAndSaysWhy()
{
    m_dir->write(QStringLiteral("Ann.txt"), outOfOrderMonday());
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    const float paid =
        LoadPayPeriod(QStringLiteral("Ann"), Monday, Sunday, 0, QTimeZone::systemTimeZone())
            .valueOr(clsTime())
            .TotalHours();
    QCOMPARE(paid, 9.0f);
    QCOMPARE(shownHours(window.shownRows()), paid);
    const QString totals = window.lblTotals->text();
    QVERIFY2(totals.contains(QStringLiteral("Pay period: 9.00 hours")), qPrintable(totals));
    QVERIFY2(totals.contains(QStringLiteral("not in time order")), qPrintable(totals));
}

void TestCorrectTimeCard::saveWithoutCorrection_changesNothing()
{
    m_dir->write(QStringLiteral("Ann.txt"), outOfOrderMonday());
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    QVERIFY(!window.save());
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), outOfOrderMonday());
    QVERIFY(!m_dir->exists(QStringLiteral("corrections.log")));
    QVERIFY2(m_messages->texts().value(0).contains(QStringLiteral("no correction to save")),
             qPrintable(m_messages->texts().join(u'\n')));
}

void TestCorrectTimeCard::saveThatReordersLines_asksWithHoursAndRecordsEachMovedLine()
{
    m_dir->write(QStringLiteral("Ann.txt"), outOfOrderMonday());
    FixedClock clock(QDateTime(QDate(2009, 11, 9), QTime(9, 30)));
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    QVERIFY(window.addPunch(punch(true, Monday.addDays(1), QTime(8, 0))));
    QVERIFY(window.addPunch(punch(false, Monday.addDays(1), QTime(12, 0))));
    m_messages->yesNoAnswers = {false};
    QVERIFY(!window.save());
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), outOfOrderMonday());
    const QString asked = m_messages->texts().value(0);
    QVERIFY2(asked.contains(QStringLiteral("3 line(s)")) &&
                 asked.contains(QStringLiteral("go from 9.00 to 11.00")),
             qPrintable(asked));
    m_messages->yesNoAnswers = {true};
    QVERIFY(window.save());
    CorrectionLogContents log;
    QVERIFY(ReadCorrectionLog(&log));
    QVERIFY(log.intact());
    QCOMPARE(log.corrections.size(), 5);
    QStringList moved;
    for (const Correction& c : std::as_const(log.corrections)) {
        if (c.reason == QLatin1String("put in time order by the save") &&
            c.kind == Correction::Kind::Changed && c.oldLine == c.newLine)
            moved.append(QString::fromLatin1(c.oldLine));
    }
    QCOMPARE(moved, (QStringList{
                        QString::fromLatin1(punchLine("OUT", "11/02/2009", "16:00").chopped(2)),
                        QString::fromLatin1(punchLine("IN", "11/02/2009", "12:00").chopped(2)),
                        QString::fromLatin1(punchLine("OUT", "11/02/2009", "13:00").chopped(2))}));
}

void TestCorrectTimeCard::boundaries_areMarkedOnlyBeyondThem_data()
{
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("marked");
    const QDateTime later(QDate(2009, 11, 9), QTime(12, 0));
    const QString overDay = QStringLiteral("over 24 hours");
    const QString open = QStringLiteral("open for more than 16 hours");
    QTest::newRow("a pair of exactly 24 hours")
        << punchLine("IN", "11/03/2009", "08:00") + punchLine("OUT", "11/04/2009", "08:00") << later
        << overDay << false;
    QTest::newRow("a pair of 24 hours and a minute")
        << punchLine("IN", "11/03/2009", "08:00") + punchLine("OUT", "11/04/2009", "08:01") << later
        << overDay << true;
    QTest::newRow("an IN open exactly 16 hours")
        << punchLine("IN", "11/08/2009", "20:00") << QDateTime(QDate(2009, 11, 9), QTime(12, 0))
        << open << false;
    QTest::newRow("an IN open 16 hours and a minute")
        << punchLine("IN", "11/08/2009", "20:00") << QDateTime(QDate(2009, 11, 9), QTime(12, 1))
        << open << true;
}

void TestCorrectTimeCard::boundaries_areMarkedOnlyBeyondThem()
{
    QFETCH(QByteArray, card);
    QFETCH(QDateTime, now);
    QFETCH(QString, mark);
    QFETCH(bool, marked);
    m_dir->write(QStringLiteral("Ann.txt"), card);
    FixedClock clock(now);
    frmCorrectTimeCard window({QStringLiteral("Ann")}, QStringLiteral("Ann"), Sunday.addDays(1));
    window.setPeriod(Monday, Sunday, true);
    const QString rows = window.shownRows().join(u'\n');
    QVERIFY2(rows.contains(mark) == marked, qPrintable(rows));
}

QTEST_MAIN(TestCorrectTimeCard)
#include "tst_correcttimecard.moc"
