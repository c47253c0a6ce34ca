#include "testsupport/TestSupport.h"

#include "data/Environment.h"
#include "data/FileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>

#include <algorithm>
#include <utility>

TempProgramDir::TempProgramDir()
{
    // As the program makes its data folder: no other account may enter it.
    QDir(m_dir.path()).mkdir(QStringLiteral("data"));
    QFile::setPermissions(dataDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Environment::setProgramDirectoryForTesting(m_dir.path());
    Environment::setRegionalLocaleForTesting(QLocale(QLocale::English, QLocale::UnitedStates));
}

TempProgramDir::~TempProgramDir()
{
    Environment::setProgramDirectoryForTesting(QString());
}

void TempProgramDir::write(const QString& fileName, const QByteArray& bytes) const
{
    QFile f(path(fileName));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test fixture");
    f.write(bytes);
}

QByteArray TempProgramDir::read(const QString& fileName) const
{
    QFile f(path(fileName));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool TempProgramDir::exists(const QString& fileName) const
{
    return QFile::exists(path(fileName));
}

QStringList TempProgramDir::files() const
{
    return QDir(dataDir()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

FixedClock::FixedClock(const QDateTime& moment) : m_moment(std::make_shared<QDateTime>(moment))
{
    Environment::setClockForTesting([m = m_moment] { return *m; });
}

FixedClock::~FixedClock()
{
    Environment::setClockForTesting({});
}

bool IsInTimeOrder(const TimeCard& card)
{
    QList<std::pair<QDate, QTime>> moments;
    for (const TimeCardLine& line : card.lines)
        moments.append({line.date, line.time});
    return std::is_sorted(moments.cbegin(), moments.cend());
}

QByteArray punchLine(const char* action, const char* date, const char* time)
{
    QByteArray a(action);
    a = a.leftJustified(3, ' ');
    return a + "   " + date + "        " + time + "\r\n";
}

EmployeeRecord sampleEmployee(const QString& name, const QString& pin, const QString& shift,
                              const QString& regularRate, const QString& overtimeRate)
{
    EmployeeRecord r;
    r.Name = name;
    r.Pin = ScramblePin(pin);
    r.SSN = QStringLiteral("123-45-6789");
    r.RegularRate = regularRate;
    r.OvertimeRate = overtimeRate;
    r.Shift = shift;
    return r;
}

FailingCall::FailingCall(const char* call, const QString& fileName, int error)
{
    const QByteArray which(call);
    FileStore::setFaultHook([which, fileName, error](const char* c, const QString& path) {
        return which == c && path.endsWith(u'/' + fileName) ? error : 0;
    });
}

FailingCall::~FailingCall()
{
    FileStore::setFaultHook({});
}

ReportProgramRun RunReportProgram(const QStringList& arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-report"),
                  arguments);
    ReportProgramRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
