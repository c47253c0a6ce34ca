#include "app/Application.h"

#include "app/StartArguments.h"
#include "app/StartFiles.h"
#include "app/StationWiring.h"
#include "app/SystemRequests.h"
#include "data/Environment.h"
#include "platform/DesktopSession.h"
#include "platform/DisplayProbe.h"
#include "platform/SingleInstance.h"
#include "station/frmHorodex.h"
#include "sync/StationLink.h"
#include "ui/LayoutFont.h"
#include "ui/LazyStyleIcons.h"
#include "ui/MessageBoxes.h"
#include "ui/Messages.h"
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <memory>

std::unique_ptr<StationLink> OpenStationLink()
{
    Result<std::unique_ptr<StationLink>> made = StationLink::fromDataFolder();
    if (!made) {
        Messages::warning(made.failure().error);
        return nullptr;
    }
    return std::move(*made);
}

bool StartMainWindow(frmHorodex* window)
{
    const StartFiles files = PrepareStartFiles();
    if (files == StartFiles::Failed)
        return false;
    window->Form_Load(files == StartFiles::Settings);
    return true;
}

int RunHorodex(int argc, char* argv[])
{
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given.append(QString::fromLocal8Bit(argv[i]));
    // Before QApplication, which needs a display and would open the first window.
    if (const StartArguments start = ReadStartArguments(given);
        !start || *start != CommandLineVerdict::Run)
        return AnswerWithoutWindow(start);
    DesktopSession::preferNativeWayland();
    // Qt would abort without a display: one line and status 1 instead.
    if (const QString missing = DisplayProbe::missingDisplay(); !missing.isEmpty()) {
        std::fprintf(stderr, "horodex: %s\n", missing.toLocal8Bit().constData());
        return 1;
    }
    DisplayProbe::avoidTextInputWithoutSeat();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Horodex"));
    QApplication::setApplicationVersion(QStringLiteral(HORODEX_VERSION));
    // Every window shows the program's icon, from the first paint on; the desktop file names the
    // program to Wayland compositors, which take the panel's icon from it.
    SetProgramIconAfterFirstPaint();
    UseLazyStyleIcons();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.horodex.Horodex"));
    // The main window decides when the program ends, also while it is hidden at a login.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallMessageBoxPresenter();
    UseLayoutFontEverywhere();

    const CommandSwitch commandSwitch =
        CommandSwitchOf(QApplication::arguments().mid(1).join(u' '));
    // Outlives the window, which holds it without owning it.
    std::unique_ptr<StationLink> link;
    frmHorodex window(commandSwitch);
    // Before anything is shown: one copy per data directory, unless restarted with "/np".
    SingleInstance instance(Environment::dataDirectory());
    if (commandSwitch == CommandSwitch::NoPassword)
        instance.ClaimWhenFree();
    else if (!instance.EnforceSingleInstance())
        return 0;
    link = OpenStationLink();
    ConnectStationLink(&window, link.get());
    SystemRequests requests(&window, &instance);
    // Not quit(): its Quit event is how the session manager's end of the session arrives.
    QObject::connect(
        &window, &frmHorodex::closed, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    if (!StartMainWindow(&window))
        return 1;
    return QApplication::exec();
}
