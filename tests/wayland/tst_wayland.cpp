// The lock-down as a native Wayland client of a real compositor, started by
// tests/wayland/test_wayland.sh: a desktop compositor (weston) whose panels the program cannot
// hide, and the cage kiosk compositor, which shows no panels. Without a Wayland platform every
// test is skipped.

#include "admin/frmOptions.h"
#include "data/OptionsRecord.h"
#include "lockdown/ProgramCopy.h"
#include "platform/DesktopSession.h"
#include "platform/Workstation.h"
#include "station/LockDown.h"
#include "station/frmHorodex.h"
#include "testsupport/TestSupport.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTabBar>
#include <QTest>

#include <memory>

namespace {

constexpr int Patience = 10000; // ms; a cap on polling, never an expectation

// "desktop" or "kiosk": what the script started.
QString compositorKind()
{
    return qEnvironmentVariable("HORODEX_TEST_COMPOSITOR");
}

// Asks the script's screenshot command to take the output as the compositor shows it.
void takeScreenshot(const QString& name)
{
    const QString command = qEnvironmentVariable("HORODEX_TEST_SCREENSHOT");
    if (command.isEmpty())
        return;
    QProcess::execute(command, {name});
}

} // namespace

class tst_Wayland : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void lockedDown_mainWindowCoversTheOutputWithItsControlsInTheMiddle();
    void securityPage_saysOnceWhatTheDesktopDoesNotAllow();
};

void tst_Wayland::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        QSKIP("needs a Wayland compositor: run under tests/wayland/test_wayland.sh");
    QVERIFY(DesktopSession::isWayland());
    QCOMPARE(DesktopSession::isKiosk(), compositorKind() == QLatin1String("kiosk"));
}

void tst_Wayland::lockedDown_mainWindowCoversTheOutputWithItsControlsInTheMiddle()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("options.ini"), TestOptions(true, false).toBytes());
    auto window = std::make_unique<frmHorodex>();
    QVERIFY(window->Form_Load());
    QVERIFY(QTest::qWaitForWindowExposed(window.get(), Patience));
    const QSize output = window->screen()->size();
    QTRY_COMPARE_WITH_TIMEOUT(window->size(), output, Patience);
    QVERIFY(window->isFullScreen() || compositorKind() == QLatin1String("kiosk"));

    auto* client = window->findChild<QWidget*>(QStringLiteral("client"));
    QVERIFY(client);
    const QRect controls(client->mapTo(window.get(), QPoint(0, 0)), client->size());
    const QPoint offCentre = controls.center() - window->centralWidget()->geometry().center();
    QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1,
             qPrintable(QStringLiteral("controls at %1,%2").arg(controls.x()).arg(controls.y())));
    QTest::qWait(300); // one frame for the compositor before the picture; no result depends on it
    takeScreenshot(compositorKind() + QStringLiteral("-station"));
    window->lockDown()->SetLockDown(false);
}

void tst_Wayland::securityPage_saysOnceWhatTheDesktopDoesNotAllow()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("options.ini"), TestOptions(true, false).toBytes());
    frmOptions options;
    options.show();
    QVERIFY(QTest::qWaitForWindowExposed(&options, Patience));
    const QList<QLabel*> notices = options.findChildren<QLabel*>(QStringLiteral("lblPanelNotice"));
    QCOMPARE(notices.size(), 1);
    QLabel* notice = notices.first();
    if (compositorKind() == QLatin1String("kiosk")) {
        QVERIFY(notice->text().isEmpty());
        QVERIFY(notice->isHidden());
    } else {
        QCOMPARE(notice->text(), DesktopSession::panelNotice());
        QCOMPARE(CurrentWorkstation().panelNotice(), DesktopSession::panelNotice());
        QVERIFY(!notice->isHidden());
    }
    if (auto* tabs = options.findChild<QTabBar*>())
        tabs->setCurrentIndex(tabs->count() - 1); // the security page is the last
    QTest::qWait(300); // one frame for the compositor before the picture; no result depends on it
    takeScreenshot(compositorKind() + QStringLiteral("-security"));
    options.close();
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    tst_Wayland test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland.moc"
