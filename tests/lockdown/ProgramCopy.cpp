#include "lockdown/ProgramCopy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>

OptionsRecord TestOptions(bool securityEnabled, bool askOnExit)
{
    OptionsRecord record = OptionsRecord::firstRunDefaults(QLatin1String(TestPassword));
    record.setSecurityEnabled(securityEnabled);
    record.setAskOnExit(askOnExit);
    return record;
}

ProgramCopy::ProgramCopy(bool securityEnabled, bool askOnExit)
{
    const QString built = QCoreApplication::applicationDirPath() + QStringLiteral("/horodex");
    m_ready = m_dir.isValid() && QDir(m_dir.path()).mkdir(QStringLiteral("data")) &&
              QFile::copy(built, executable()) &&
              QFile::setPermissions(executable(), QFile::permissions(built));
    if (m_ready)
        writeOptions(securityEnabled, askOnExit);
}

ProgramCopy::~ProgramCopy()
{
    killAll();
    qDeleteAll(m_started);
}

void ProgramCopy::writeOptions(bool securityEnabled, bool askOnExit)
{
    QFile file(dataDir() + QStringLiteral("/options.ini"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the settings fixture");
    file.write(TestOptions(securityEnabled, askOnExit).toBytes());
}

QProcess* ProgramCopy::start(const QStringList& arguments)
{
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(executable(), arguments);
    process->waitForStarted();
    m_started.append(process);
    return process;
}

QList<QPair<qint64, QStringList>> ProgramCopy::runningProcesses() const
{
    QList<QPair<qint64, QStringList>> result;
    const QString wanted = QFileInfo(executable()).canonicalFilePath();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        if (exe != wanted)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        QStringList arguments;
        for (const QByteArray& part : cmdline.readAll().split('\0'))
            arguments.append(QString::fromLocal8Bit(part));
        if (!arguments.isEmpty() && arguments.last().isEmpty())
            arguments.removeLast();
        // A process that has ended but not been reaped yet has an empty command line.
        if (!arguments.isEmpty())
            result.append({pid, arguments.mid(1)});
    }
    return result;
}

void ProgramCopy::killAll()
{
    for (const auto& [pid, arguments] : runningProcesses())
        ::kill(pid_t(pid), SIGKILL);
    for (QProcess* process : std::as_const(m_started))
        process->waitForFinished(10000);
    // Processes started by the program itself are not our children: wait until they are gone.
    const QDeadlineTimer deadline(10000);
    while (!runningProcesses().isEmpty() && !deadline.hasExpired())
        QThread::msleep(20);
}
