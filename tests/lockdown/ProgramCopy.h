#pragma once

#include "data/OptionsRecord.h"

#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A copy of the horodex program in a temporary directory of its own, so that it finds its own
// data directory beside it (the program resolves its directory through symbolic links, so the
// executable is copied, not linked).
class ProgramCopy
{
public:
    // Installs settings with the given flags (see TestOptions).
    ProgramCopy(bool securityEnabled, bool askOnExit);
    ~ProgramCopy();

    bool isReady() const { return m_ready; }
    QString executable() const { return m_dir.path() + QStringLiteral("/horodex"); }
    QString dataDir() const { return m_dir.path() + QStringLiteral("/data"); }

    // Settings of a normal run with the password "secret1" and the given flags.
    void writeOptions(bool securityEnabled, bool askOnExit);

    QProcess* start(const QStringList& arguments = {});
    // Every running process of this copy's executable (also ones it started itself), with its
    // command-line arguments.
    QList<QPair<qint64, QStringList>> runningProcesses() const;
    // Ends every process of this copy at once, without clean-up, and waits for them.
    void killAll();

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
    QList<QProcess*> m_started;
};

// Settings of a normal run: the first run's defaults with the password "secret1".
OptionsRecord TestOptions(bool securityEnabled, bool askOnExit);
inline constexpr auto TestPassword = "secret1";
