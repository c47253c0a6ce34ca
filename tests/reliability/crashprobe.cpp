// Performs one writing operation on a program directory and can be killed at any file system
// call: HORODEX_KILL_AT=N sends SIGKILL to itself just before the Nth call of the file layer.
// Prints "CALLS n" and "DONE" when the operation completed, "FAILED message" otherwise.
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "reliability/ProbeOperations.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fputs("usage: crashprobe OPERATION PROGRAM_DIR\n", stderr);
        return 2;
    }
    Environment::setProgramDirectoryForTesting(args.at(2));
    const int killAt = qEnvironmentVariableIntValue("HORODEX_KILL_AT");
    static int calls = 0;
    FileStore::setFaultHook([killAt](const char*, const QString&) {
        if (++calls == killAt)
            ::kill(::getpid(), SIGKILL);
        return 0;
    });
    const IoResult result = RunProbeOperation(args.at(1));
    QTextStream out(stdout);
    out << "CALLS " << calls << "\n";
    if (!result) {
        out << "FAILED " << result.error << "\n";
        return 1;
    }
    out << "DONE\n";
    return 0;
}
