#pragma once

#include "data/Result.h"

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

// The command lines of Horodex's programs: each a table of options read by QCommandLineParser,
// whose lines are also the options of --help and of the manual page made from it.
struct OptionRow
{
    QStringList names;
    QString value; // the name of the value; empty for a switch
    QString help;
    bool hidden = false; // read but not shown: Qt's own options of the window program
};

enum class CommandLineVerdict { Run, Help, Version };

// The rows, then --help and --version, which every program has.
void AddOptions(QCommandLineParser* parser, const QList<OptionRow>& rows);

// Reads the arguments that follow the program's name. An option that is not in the table, or a
// value missing or given to a switch, fails with a message of one line.
Result<CommandLineVerdict> ReadCommandLine(QCommandLineParser* parser,
                                           const QStringList& arguments);

// The text of --help: the usage lines, what the program does, the options and arguments of the
// parser, then what else there is to say (exit status).
QString HelpText(const QCommandLineParser& parser, const QString& usage, const QString& about,
                 const QString& after);

// The line of --version.
QString VersionText(const QString& program);
