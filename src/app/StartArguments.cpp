#include "app/StartArguments.h"

#include <cstdio>

namespace {

// Qt's own options of a window program: read, so that Qt may take them, and not shown. The
// session manager restarts the program with -session.
QList<OptionRow> startOptions()
{
    QList<OptionRow> rows;
    for (const char* valued :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "session", "display", "geometry", "name", "style",
          "stylesheet", "qmljsdebugger"})
        rows.append({{QLatin1String(valued)}, QStringLiteral("value"), {}, true});
    for (const char* flag : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        rows.append({{QLatin1String(flag)}, {}, {}, true});
    return rows;
}

void addStartOptions(QCommandLineParser* parser)
{
    AddOptions(parser, startOptions());
    parser->addPositionalArgument(
        QStringLiteral("/np"),
        QStringLiteral("Start without the check for another copy and without the start password "
                       "(what the program passes to itself when it restarts)."),
        QStringLiteral("[/np | /sp]"));
    parser->addPositionalArgument(
        QStringLiteral("/sp"),
        QStringLiteral("Start with the Manage and Reports menus enabled without a login."));
}

} // namespace

StartArguments ReadStartArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    addStartOptions(&parser);
    return ReadCommandLine(&parser, arguments);
}

CommandSwitch CommandSwitchOf(const QString& commandLine)
{
    const QString given = commandLine.left(3).trimmed();
    if (given == QLatin1String("/np"))
        return CommandSwitch::NoPassword;
    if (given == QLatin1String("/sp"))
        return CommandSwitch::OpenMenus;
    return CommandSwitch::None;
}

QStringList RestartArguments()
{
    return {QStringLiteral("/np")};
}

QString StartUsage()
{
    QCommandLineParser parser;
    addStartOptions(&parser);
    return HelpText(
        parser, QStringLiteral("Usage: horodex [/np | /sp]\n"),
        QStringLiteral(
            "Horodex turns one shared computer into a time clock: employees punch in and out,\n"
            "and an administrator behind a password manages employees and produces payroll\n"
            "reports. Its files are in the folder HORODEX_DATA names, else in \"data\" beside\n"
            "the program when it may be written, else in ~/.local/share/horodex.\n"),
        QStringLiteral("Only the first three characters of the first argument count, as written.\n"
                       "An unknown option ends the program with exit status 2.\n"));
}

int AnswerWithoutWindow(const StartArguments& start)
{
    if (!start) {
        std::fprintf(stderr, "horodex: %s\n", start.failure().error.toUtf8().constData());
        return 2;
    }
    const QString text =
        *start == CommandLineVerdict::Help ? StartUsage() : VersionText(QStringLiteral("horodex"));
    const QByteArray bytes = text.toUtf8();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && written ? 0 : 1;
}
