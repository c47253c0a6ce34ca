// Manage > Shifts and Reports > Exceptions, driven as the administrator drives them.
#include "admin/frmCorrectTimeCard.h"
#include "admin/frmPunchEdit.h"
#include "admin/frmShifts.h"
#include "app/Application.h"
#include "app/StartArguments.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/ShiftHours.h"
#include "punch/ForgottenOut.h"
#include "reports/frmExceptions.h"
#include "station/frmHorodex.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/ProgramState.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

class TestExceptionWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        m_messages = std::make_unique<MessageRecorder>();
        State() = ProgramState{};
        QVERIFY(WriteOptionsFile(OptionsRecord::firstRunDefaults(QStringLiteral("admin123"))));
        QVERIFY(AppendEmployee(sampleEmployee(QStringLiteral("Ann"))));
        QVERIFY(AppendEmployee(sampleEmployee(QStringLiteral("Bob"))));
        m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/02/2009", "08:20") +
                                                    punchLine("OUT", "11/02/2009", "16:00"));
        m_dir->write(QStringLiteral("Bob.txt"), punchLine("IN", "11/03/2009", "08:00") +
                                                    punchLine("OUT", "11/04/2009", "08:00"));
    }
    void cleanup()
    {
        m_messages.reset();
        m_dir.reset();
    }

    void shifts_savedAsTickedAndRefusedWhenEndingAtTheStart();
    void shifts_aFailedSaveKeepsTheWindowOpen();
    void exceptions_openCorrectTimeCardOnTheDayWithTheReason();
    void exceptions_approveADeclaredOutAndItIsNoLongerListed();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestExceptionWindows::shifts_savedAsTickedAndRefusedWhenEndingAtTheStart()
{
    frmShifts window(ShiftSchedule{});
    window.show();
    frmShifts::Row& first = window.rows[0];
    QVERIFY(!first.txtStart->isEnabled());
    QTest::keyClick(first.chkHours, Qt::Key_Space);
    QVERIFY(first.txtStart->isEnabled());
    first.txtEnd->setTime(QTime(8, 0)); // the default start
    QTest::mouseClick(window.cmdSave, Qt::LeftButton);
    QVERIFY(m_messages->texts().join(u' ').contains(QStringLiteral("Shift 1 ends when it starts")));
    QVERIFY(!m_dir->exists(QStringLiteral("shifts.txt")));

    first.txtEnd->setTime(QTime(16, 30));
    QTest::keyClick(first.chkDays[4], Qt::Key_Space); // Friday off
    window.spnLimit->setValue(12);
    QTest::mouseClick(window.cmdSave, Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(m_dir->read(QStringLiteral("shifts.txt")),
             QByteArray("horodex shifts 1\nlimit\t12\n1\t08:00\t16:30\tMTWT---\t5\t0\n"));

    // Opened again, it shows what was saved.
    const frmShifts again(ReadShiftSchedule().value());
    QVERIFY(again.rows[0].chkHours->isChecked() && !again.rows[1].chkHours->isChecked());
    QCOMPARE(again.rows[0].txtEnd->time(), QTime(16, 30));
    QVERIFY(!again.rows[0].chkDays[4]->isChecked());
    QCOMPARE(again.spnLimit->value(), 12);
}

void TestExceptionWindows::shifts_aFailedSaveKeepsTheWindowOpen()
{
    frmShifts window(ShiftSchedule{}, nullptr, [](const ShiftSchedule&) {
        return IoResult::failure(QStringLiteral("\"shifts.txt\" could not be written: disk full"));
    });
    window.show();
    QTest::mouseClick(window.cmdSave, Qt::LeftButton);
    QVERIFY(window.isVisible());
    QVERIFY(m_messages->texts().join(u' ').contains(QStringLiteral("disk full")));
}

void TestExceptionWindows::exceptions_openCorrectTimeCardOnTheDayWithTheReason()
{
    ShiftSchedule schedule;
    schedule.shifts.append({1, QTime(8, 0), QTime(16, 0), {true, true, true, true, true}, 5, 0});
    QVERIFY(WriteShiftSchedule(schedule));
    FixedClock clock(QDateTime(QDate(2009, 11, 9), QTime(9, 0)));
    frmHorodex station(CommandSwitchOf(QString()));
    QVERIFY(StartMainWindow(&station));
    station.setAdminLoggedIn(true);

    QString reasonOffered;
    QStringList cardRows;
    onNextDialog<frmExceptions>([&](frmExceptions* list) {
        QCOMPARE(list->lstExceptions->topLevelItemCount(), 2);
        QCOMPARE(list->lstExceptions->topLevelItem(0)->text(0), QStringLiteral("Ann"));
        QVERIFY(list->lstExceptions->topLevelItem(0)->text(2).contains(
            QStringLiteral("20 minutes late")));
        QCOMPARE(list->lstExceptions->topLevelItem(1)->text(0), QStringLiteral("Bob"));
        onNextDialog<frmCorrectTimeCard>([&](frmCorrectTimeCard* card) {
            cardRows = card->shownRows();
            onNextDialog<frmPunchEdit>([&](frmPunchEdit* edit) {
                reasonOffered = edit->txtReason->text();
                edit->reject();
            });
            card->cmdAdd_Click();
            card->reject();
        });
        list->lstExceptions->setCurrentItem(list->lstExceptions->topLevelItem(1));
        QTest::mouseClick(list->cmdCorrect, Qt::LeftButton);
    });
    station.mnuExceptions->trigger();
    QCOMPARE(reasonOffered, QStringLiteral("OUT forgotten"));
    QVERIFY2(cardRows.join(u'\n').contains(QStringLiteral("Tue 11/3/2009 | 08:00 AM | IN")),
             qPrintable(cardRows.join(u'\n')));
}

void TestExceptionWindows::exceptions_approveADeclaredOutAndItIsNoLongerListed()
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    m_dir->write(QStringLiteral("Carl.txt"), punchLine("IN", "11/05/2009", "08:00"));
    FixedClock clock(QDateTime(QDate(2009, 11, 6), QTime(7, 50)));
    QVERIFY(ForgottenOut::declare(QStringLiteral("Carl"),
                                  QDateTime(QDate(2009, 11, 5), QTime(17, 0), zone), false, 16,
                                  zone));
    clock.set(QDateTime(QDate(2009, 11, 9), QTime(9, 0)));
    frmExceptions list(
        {{sampleEmployee(QStringLiteral("Bob")), sampleEmployee(QStringLiteral("Carl"))},
         ShiftSchedule{},
         Environment::now(),
         zone,
         QStringLiteral("hh:nn AM/PM")},
        DataFolderPunches());
    list.show();
    QCOMPARE(list.lstExceptions->topLevelItemCount(), 2);
    QTreeWidgetItem* declared = list.lstExceptions->topLevelItem(1);
    QCOMPARE(declared->text(0), QStringLiteral("Carl"));
    QVERIFY2(declared->text(2).contains(QStringLiteral("awaiting approval")),
             qPrintable(declared->text(2)));
    QVERIFY(list.lblSummary->text().contains(QStringLiteral("1 punch awaits approval")));
    QVERIFY(!list.cmdApprove->isEnabled()); // Bob's long pair is for Correct Time Card
    list.lstExceptions->setCurrentItem(declared);
    QVERIFY(list.cmdApprove->isEnabled());
    const QByteArray card = m_dir->read(QStringLiteral("Carl.txt"));
    QTest::mouseClick(list.cmdApprove, Qt::LeftButton);
    QVERIFY2(m_messages->texts().isEmpty(), qPrintable(m_messages->texts().join(u' ')));
    QCOMPARE(list.lstExceptions->topLevelItemCount(), 1);
    QCOMPARE(list.lstExceptions->topLevelItem(0)->text(0), QStringLiteral("Bob"));
    QCOMPARE(m_dir->read(QStringLiteral("Carl.txt")), card);
    CorrectionLogContents record;
    QVERIFY(ReadCorrectionLog(&record));
    QVERIFY2(record.intact(), qPrintable(record.verdict()));
    QCOMPARE(record.corrections.size(), 2);
    QCOMPARE(record.corrections[1].kind, Correction::Kind::Approved);
}

QTEST_MAIN(TestExceptionWindows)
#include "tst_exceptionwindows.moc"
