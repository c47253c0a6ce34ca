#include "data/ProgramOptions.h"

namespace {

// The unknown option as it was written ("-np", "--fast"), without a value after "=".
QString AsWritten(const QString& name, const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        const QString option = argument.section(u'=', 0, 0);
        if (option.startsWith(u'-') &&
            option.mid(option.startsWith(QLatin1String("--")) ? 2 : 1) == name)
            return option;
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

void AddOptions(QCommandLineParser* parser, const QList<OptionRow>& rows)
{
    // "-platform xcb" and "-session ID" are one option each, as Qt reads them.
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionRow& row : rows) {
        QCommandLineOption option(row.names, row.help, row.value);
        if (row.hidden)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser->addOption(option);
    }
    parser->addOption(
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and end.")});
    parser->addOption({{QStringLiteral("v"), QStringLiteral("version")},
                       QStringLiteral("Show the version and end.")});
}

Result<CommandLineVerdict> ReadCommandLine(QCommandLineParser* parser, const QStringList& arguments)
{
    if (!parser->parse(QStringList{QString()} + arguments)) {
        const QStringList unknown = parser->unknownOptionNames();
        if (!unknown.isEmpty())
            return Failure(QStringLiteral("unknown option \"%1\" (see --help)")
                               .arg(AsWritten(unknown.constFirst(), arguments)));
        // Qt's own sentence: "Missing value after '--from'."
        QString error = parser->errorText();
        if (error.endsWith(u'.'))
            error.chop(1);
        return Failure(error);
    }
    if (parser->isSet(QStringLiteral("help")))
        return CommandLineVerdict::Help;
    if (parser->isSet(QStringLiteral("version")))
        return CommandLineVerdict::Version;
    return CommandLineVerdict::Run;
}

QString HelpText(const QCommandLineParser& parser, const QString& usage, const QString& about,
                 const QString& after)
{
    // Qt's first line names the program by the path it was started with; ours names it plainly.
    const QString generated = parser.helpText();
    const QString options = generated.mid(generated.indexOf(u'\n') + 1);
    QString text = usage + u'\n' + about + options;
    if (!after.isEmpty())
        text += u'\n' + after;
    return text;
}

QString VersionText(const QString& program)
{
    return program + QStringLiteral(" " HORODEX_VERSION "\n");
}
