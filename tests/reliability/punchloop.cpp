// Takes the program's single-instance lock on a program directory, then punches one employee
// in and out without end, printing "PUNCHED n" once the file holds n records on disk. An optional
// second argument pauses that many milliseconds after each punch, as a station's pace.
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/TimeFile.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() < 2)
        return 2;
    Environment::setProgramDirectoryForTesting(app.arguments().at(1));
    SingleInstance instance(Environment::dataDirectory());
    if (!instance.EnforceSingleInstance())
        return 3;
    std::printf("LOCKED\n");
    std::fflush(stdout);
    const QString name = QStringLiteral("Kim Loop");
    const int pauseMs = app.arguments().value(2).toInt();
    for (;;) {
        QString lastAction;
        const bool isIn = ReadLastAction(name, QStringLiteral("hh:mm"), &lastAction).valueOr(false);
        if (!RecordPunch(name, !isIn))
            return 1;
        std::printf("PUNCHED %lld\n",
                    FileStore::examine(TimeFilePath(name)).size / TimeRecord::Size);
        std::fflush(stdout);
        if (pauseMs > 0)
            QThread::msleep(pauseMs);
    }
}
