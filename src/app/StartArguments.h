#pragma once

#include "data/ProgramOptions.h"
#include "station/MainWindowRules.h"

#include <QString>
#include <QStringList>

// The command line of horodex, read before any window or display is needed: --help and
// --version are answered without one, and an unknown option ends it with a message of one line.
using StartArguments = Result<CommandLineVerdict>;

StartArguments ReadStartArguments(const QStringList& arguments);

// The start-up switch of the command line the program was given after Qt took its own options:
// its first three characters, trimmed, compared exactly.
CommandSwitch CommandSwitchOf(const QString& commandLine);

// The arguments of the copy that takes over from a station ended from outside: it waits for this
// one to end instead of handing over to it, and asks no start password.
QStringList RestartArguments();

// The text of --help, from which the manual page is made too.
QString StartUsage();

// Answers --help, --version or a command line that cannot be read on the standard streams;
// returns the exit status.
int AnswerWithoutWindow(const StartArguments& start);
