#pragma once

#include "data/ProgramOptions.h"

#include <QString>
#include <QStringList>

// The command line of horodex, read before any window or display is needed: --help and
// --version are answered without one, and an unknown option ends it with a message of one line.
using StartArguments = Result<CommandLineVerdict>;

StartArguments ReadStartArguments(const QStringList& arguments);

// The text of --help, from which the manual page is made too.
QString StartUsage();

// Answers --help, --version or a command line that cannot be read on the standard streams;
// returns the exit status.
int AnswerWithoutWindow(const StartArguments& start);
