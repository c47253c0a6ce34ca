// The station's question about a forgotten OUT, answered with real clicks and keys on an X
// server: it hands the answer back and writes nothing, and closes unanswered when left alone or
// closed by its caller. Run by scripts/with-xvfb.sh with openbox and without a window manager;
// skipped anywhere else.

#include "station/frmForgotOut.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Last: Xlib's macros must not meet the Qt headers above.
#include "lockdown/XDesktop.h"

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation

const QTimeZone Zone = QTimeZone::systemTimeZone();
const QDate Monday(2009, 11, 2);
const QDateTime TuesdayMorning(Monday.addDays(1), QTime(7, 50), Zone);

ForgottenOut::Question annsQuestion()
{
    return *ForgottenOut::question(QStringLiteral("Ann"),
                                   TimeRecord::fromBytes(punchLine("IN", "11/02/2009", "08:00")),
                                   TuesdayMorning, 16, Zone);
}

void click(QWidget* control)
{
    Xdo::click(control->mapToGlobal(control->rect().center()));
}

void tap(frmForgotOut& window, const QString& digits)
{
    for (const QChar digit : digits)
        click(window.Command1[digit.digitValue()]);
}

} // namespace

class TestForgotOut : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "11/02/2009", "08:00"));
        m_window = std::make_unique<frmForgotOut>(annsQuestion(), QStringLiteral("hh:nn AM/PM"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        // Whatever was answered, the window wrote nothing.
        QCOMPARE(m_dir->files(), QStringList{QStringLiteral("Ann.txt")});
        QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), punchLine("IN", "11/02/2009", "08:00"));
        m_window.reset();
        m_dir.reset();
    }

    void question_namesTheLastPunchAndWhen();
    void leftAt_tappedOnTheKeypadIsHandedBack();
    void leftAt_typedOnTheKeyboardIsHandedBack();
    void leftAt_notBetweenTheInAndNow_isAskedAgain();
    void outNow_isHandedBackAsALongShift();
    void leftAlone_closesUnanswered();
    void closedByTheCaller_closesUnanswered();

private:
    std::unique_ptr<TempProgramDir> m_dir;
    std::unique_ptr<frmForgotOut> m_window;
};

void TestForgotOut::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") ||
        qEnvironmentVariableIsEmpty("HORODEX_TEST_XVFB"))
        QSKIP("these tests click and type with xdotool, so they run only on the X server of the "
              "test script: scripts/with-xvfb.sh ctest --test-dir build -L realx");
    QApplication::setQuitOnLastWindowClosed(false);
    QVERIFY2(Xdo::run({QStringLiteral("version")}), "xdotool is needed for real input events");
}

void TestForgotOut::question_namesTheLastPunchAndWhen()
{
    const QString text = m_window->lblQuestion->text();
    QVERIFY2(text.contains(QStringLiteral("IN at 08:00 AM Monday, November 02")) &&
                 text.contains(QStringLiteral("23 hours ago")) &&
                 text.contains(QStringLiteral("forget to punch OUT")),
             qPrintable(text));
    click(m_window->cmdCancel);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), Patience);
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::Unanswered);
}

void TestForgotOut::leftAt_tappedOnTheKeypadIsHandedBack()
{
    tap(*m_window, QStringLiteral("1"));
    click(m_window->Command2);               // Clear
    tap(*m_window, QStringLiteral("17059")); // the fifth digit does not fit
    QTRY_COMPARE_WITH_TIMEOUT(m_window->txtTime->text(), QStringLiteral("17:05"), Patience);
    click(m_window->cmdLeftAt);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), Patience);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::LeftAt);
    QCOMPARE(m_window->leftAt(), QDateTime(Monday, QTime(17, 5), Zone));
    QVERIFY(m_window->arriving());
}

void TestForgotOut::leftAt_typedOnTheKeyboardIsHandedBack()
{
    click(m_window->txtTime); // the pointer on the window: without a window manager keys follow it
    // Only leaving: the box is ticked by its mark, at its left.
    const QWidget* box = m_window->chkInNow;
    Xdo::click(box->mapToGlobal(QPoint(box->height() / 2, box->height() / 2)));
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->chkInNow->isChecked(), Patience);
    Xdo::type(QStringLiteral("0730"));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->txtTime->text(), QStringLiteral("07:30"), Patience);
    Xdo::key(QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), Patience);
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::LeftAt);
    QCOMPARE(m_window->leftAt(), QDateTime(Monday.addDays(1), QTime(7, 30), Zone));
    QVERIFY(!m_window->arriving());
}

void TestForgotOut::leftAt_notBetweenTheInAndNow_isAskedAgain()
{
    tap(*m_window, QStringLiteral("0755")); // tomorrow's 07:55 has not come yet
    QTRY_COMPARE_WITH_TIMEOUT(m_window->txtTime->text(), QStringLiteral("07:55"), Patience);
    click(m_window->cmdLeftAt);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->lblHint->text().contains(QStringLiteral("not between")),
                             Patience);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->txtTime->text(), QStringLiteral("__:__"));
    tap(*m_window, QStringLiteral("2575"));
    click(m_window->cmdLeftAt);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->lblHint->text().contains(QStringLiteral("four digits")),
                             Patience);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::Unanswered);
    click(m_window->cmdCancel);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), Patience);
}

void TestForgotOut::outNow_isHandedBackAsALongShift()
{
    click(m_window->cmdOutNow);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), Patience);
    QCOMPARE(m_window->result(), int(QDialog::Accepted));
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::OutNow);
}

void TestForgotOut::leftAlone_closesUnanswered()
{
    tap(*m_window, QStringLiteral("17"));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->txtTime->text(), QStringLiteral("17:__"), Patience);
    QCOMPARE(m_window->tmrIdle->interval(), frmForgotOut::IdleMilliseconds);
    m_window->setIdleTimeout(1);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), Patience);
    QCOMPARE(m_window->result(), int(QDialog::Rejected));
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::Unanswered);
    QVERIFY(!m_window->leftAt().isValid());
}

void TestForgotOut::closedByTheCaller_closesUnanswered()
{
    tap(*m_window, QStringLiteral("1705"));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->txtTime->text(), QStringLiteral("17:05"), Patience);
    // Another badge scanned: the station closes the question before it punches that one.
    m_window->closeUnanswered();
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->choice(), frmForgotOut::Choice::Unanswered);
    QVERIFY(!m_window->leftAt().isValid());
}

QTEST_MAIN(TestForgotOut)
#include "tst_forgotout.moc"
