// The lock-down as a native Wayland client of a real compositor, started by
// tests/wayland/test_wayland.sh: a desktop compositor (weston) whose panels the program cannot
// hide, and the cage kiosk compositor, which shows no panels. A badge reader's scans reach the
// station through the compositor's keyboard when the script gives it one. Without a Wayland
// platform every test is skipped.

#include "admin/frmOptions.h"
#include "app/Application.h"
#include "data/BadgeFile.h"
#include "data/OptionsRecord.h"
#include "lockdown/ProgramCopy.h"
#include "lockdown/ScanStation.h"
#include "platform/DesktopSession.h"
#include "platform/DisplayProbe.h"
#include "platform/Workstation.h"
#include "station/LockDown.h"
#include "station/frmAdminLogin.h"
#include "station/frmHorodex.h"
#include "testsupport/MessageRecorder.h"
#include "testsupport/TestSupport.h"
#include "ui/BadgeScanner.h"
#include "ui/ProgramState.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTabBar>
#include <QTest>

#include <algorithm>
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

// The screenshot taken under name; null when the script keeps none.
QImage screenshot(const QString& name)
{
    takeScreenshot(name);
    const QString shots = qEnvironmentVariable("HORODEX_TEST_SHOTS");
    return shots.isEmpty() ? QImage() : QImage(shots + u'/' + name + QStringLiteral(".png"));
}

// The smallest rectangle holding every pixel of the picture that is not black.
QRect drawnArea(const QImage& picture)
{
    QRect area;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qRed(line[x]) + qGreen(line[x]) + qBlue(line[x]) > 48)
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}

// Presses the keys (xdotool's key names), keyMs apart, on the keyboard that the script gave the
// compositor; false when it gave none.
bool pressKeys(int keyMs, const QStringList& keys)
{
    const QString command = qEnvironmentVariable("HORODEX_TEST_KEYBOARD");
    return !command.isEmpty() &&
           QProcess::execute(command, QStringList{QString::number(keyMs)} + keys) == 0;
}

// The timestamps of the key presses that reach the program's windows, as the compositor gave them.
class KeyTimes : public QObject
{
public:
    KeyTimes() { qApp->installEventFilter(this); }
    ~KeyTimes() override { qApp->removeEventFilter(this); }

    void clear() { m_times.clear(), m_enter = false; }
    int count() const { return int(m_times.size()); }
    bool enterSeen() const { return m_enter; }
    quint64 largestGap() const
    {
        return gap([](quint64 a, quint64 b) { return std::max(a, b); }, 0);
    }
    quint64 smallestGap() const
    {
        return gap([](quint64 a, quint64 b) { return std::min(a, b); }, ~quint64(0));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Each key reaches its window once, then the widgets through it.
        if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            m_times.append(key->timestamp());
            m_enter = m_enter || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        }
        return false;
    }

private:
    template <typename Pick> quint64 gap(Pick pick, quint64 start) const
    {
        quint64 result = start;
        for (qsizetype i = 1; i < m_times.size(); ++i)
            result = pick(result, m_times[i] >= m_times[i - 1] ? m_times[i] - m_times[i - 1] : 0);
        return result;
    }

    QList<quint64> m_times;
    bool m_enter = false;
};

} // namespace

class tst_Wayland : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void lockedDown_mainWindowCoversTheOutputWithItsControlsInTheMiddle();
    void securityPage_saysOnceWhatTheDesktopDoesNotAllow();
    void firstRunLogin_takesAPasswordAndIsCentredOnAKiosk();
    void lockedDown_aDialogShowsAboveTheStation();
    void scan_punchesOnlyAtAReadersPace_data();
    void scan_punchesOnlyAtAReadersPace();
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
    QVERIFY(StartMainWindow(window.get()));
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
        // The script gives the compositor no session bus, so no screen-saver service either:
        // the notice names the desktop whose screen may still blank.
        const QString expected =
            DesktopSession::panelNotice() + u' ' + DesktopSession::screenSaverNotice();
        QCOMPARE(notice->text(), expected);
        QVERIFY2(notice->text().contains(QLatin1String("Weston")), qPrintable(notice->text()));
        QVERIFY(!notice->isHidden());
    }
    if (auto* tabs = options.findChild<QTabBar*>())
        tabs->setCurrentIndex(tabs->count() - 1); // the security page is the last
    QTest::qWait(300); // one frame for the compositor before the picture; no result depends on it
    takeScreenshot(compositorKind() + QStringLiteral("-security"));
    options.close();
}

void tst_Wayland::firstRunLogin_takesAPasswordAndIsCentredOnAKiosk()
{
    TempProgramDir dir; // no settings: the first run
    auto window = std::make_unique<frmHorodex>();
    QVERIFY(StartMainWindow(window.get()));
    frmAdminLogin* login = nullptr;
    const auto shownLogin = [&login] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* l = qobject_cast<frmAdminLogin*>(w))
                login = l;
        }
        return login && login->isVisible();
    };
    QTRY_VERIFY_WITH_TIMEOUT(shownLogin(), Patience);
    QVERIFY(QTest::qWaitForWindowExposed(login, Patience));
    // The password box asks the compositor's text input for help: a compositor without a seat
    // must not end the program here.
    QTest::keyClicks(login->txtPassword, QStringLiteral("secret"));
    QCOMPARE(login->txtPassword->text(), QStringLiteral("secret"));
    if (compositorKind() != QLatin1String("kiosk")) {
        login->reject();
        return; // a desktop compositor places windows as its user has it
    }
    QTest::qWait(300); // one frame for the compositor before the picture; no result depends on it
    const QImage picture = screenshot(QStringLiteral("kiosk-first-run"));
    if (picture.isNull())
        QSKIP("the script keeps no screenshots");
    const QRect drawn = drawnArea(picture);
    const QPoint offCentre = drawn.center() - picture.rect().center();
    QVERIFY2(qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2,
             qPrintable(QStringLiteral("login drawn at %1,%2 %3x%4 on %5x%6")
                            .arg(drawn.x())
                            .arg(drawn.y())
                            .arg(drawn.width())
                            .arg(drawn.height())
                            .arg(picture.width())
                            .arg(picture.height())));
    const QPointer<frmAdminLogin> open(login);
    login->reject();
    QTRY_VERIFY_WITH_TIMEOUT(!open, Patience); // the backdrop takes it along
}

void tst_Wayland::lockedDown_aDialogShowsAboveTheStation()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("options.ini"), TestOptions(true, false).toBytes());
    auto window = std::make_unique<frmHorodex>();
    QVERIFY(StartMainWindow(window.get()));
    QVERIFY(QTest::qWaitForWindowExposed(window.get(), Patience));
    QTRY_COMPARE_WITH_TIMEOUT(window->size(), window->screen()->size(), Patience);

    // A colour nothing else on the screen has tells whether the compositor shows the dialog.
    const QColor marker(255, 0, 255);
    QDialog dialog(window.get());
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, marker);
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);
    dialog.setFixedSize(200, 120);
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog, Patience));
    int shown = 0;
    const auto markerShown = [&] {
        const QImage picture = screenshot(compositorKind() + QStringLiteral("-dialog"));
        if (picture.isNull())
            return true; // nothing to look at: the wait ends, the check below skips
        shown = 0;
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
                shown += line[x] == marker.rgb() ? 1 : 0;
        }
        return shown > 0;
    };
    // Polled: the compositor draws the dialog a frame or more after it maps.
    // Whether it came shows in the count of its pixels below.
    (void)QTest::qWaitFor(markerShown, Patience);
    if (qEnvironmentVariableIsEmpty("HORODEX_TEST_SHOTS"))
        QSKIP("the script keeps no screenshots");
    QVERIFY2(shown >= 150 * 100, qPrintable(QStringLiteral("%1 pixels of the dialog").arg(shown)));
    dialog.close();
    window->lockDown()->SetLockDown(false);
}

void tst_Wayland::scan_punchesOnlyAtAReadersPace_data()
{
    QTest::addColumn<int>("keyMs");
    QTest::addColumn<QByteArray>("bobsLine");
    QTest::newRow("a reader, 5 ms a key") << 5 << punchLine("IN", "03/05/2024", "08:07");
    QTest::newRow("a person, 150 ms a key") << 150 << QByteArray();
}

void tst_Wayland::scan_punchesOnlyAtAReadersPace()
{
    QFETCH(int, keyMs);
    QFETCH(QByteArray, bobsLine);
    if (qEnvironmentVariableIsEmpty("HORODEX_TEST_KEYBOARD"))
        QSKIP("the compositor has no keyboard here");
    TempProgramDir dir;
    MessageRecorder messages;
    FixedClock clock(QDateTime(ScanStation::Today, QTime(8, 7)));
    QVERIFY(IssueBadge(QStringLiteral("Bob"), ScanStation::BobCode, ScanStation::Today));
    auto window = ScanStation::start(dir, false);
    QVERIFY(window);
    KeyTimes times;
    const QStringList keys = ScanStation::keysOf(ScanStation::BobCode);
    const bool reader = keyMs <= BadgeScanner::BurstGapMs;
    // The station goes by the times the compositor gave the keys, and a loaded machine may
    // deliver a reader's burst with gaps: such a burst is typed again. A person's pace is kept
    // by sending each key only once the one before has arrived, keyMs later.
    bool paced = false;
    for (int attempt = 0; attempt < 10 && !paced; ++attempt) {
        times.clear();
        if (reader) {
            QVERIFY(pressKeys(keyMs, keys));
        } else {
            for (const QString& key : keys) {
                const int before = times.count();
                QVERIFY(pressKeys(0, {key}));
                QTRY_VERIFY_WITH_TIMEOUT(times.count() > before, Patience);
                QTest::qWait(keyMs); // the pace this row claims, not an expectation
            }
        }
        // Once the Enter has reached the window, the station has handled every key; a scan
        // it took is posted to the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(times.enterSeen(), Patience);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(times.count(), keys.size());
        paced = reader ? times.largestGap() <= BadgeScanner::BurstGapMs
                       : times.smallestGap() > BadgeScanner::BurstGapMs;
        if (reader && !paced)
            QCOMPARE(dir.read(QStringLiteral("Bob.txt")), QByteArray()); // a slow burst is typing
    }
    if (!paced)
        QSKIP("the compositor never delivered the keys at a reader's pace");
    QCOMPARE(dir.read(QStringLiteral("Bob.txt")), bobsLine);
    QVERIFY2(messages.messages.isEmpty(), qPrintable(messages.texts().join(u'\n')));
    ScanStation::stop(window);
}

int main(int argc, char* argv[])
{
    // As the program does before its application object exists.
    DisplayProbe::avoidTextInputWithoutSeat();
    QApplication app(argc, argv);
    tst_Wayland test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wayland.moc"
