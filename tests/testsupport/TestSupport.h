#pragma once

#include "data/EmployeeList.h"
#include "data/TimeCard.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>

// A fresh program directory with an empty data directory, installed for the core's file
// operations for as long as the object lives.
class TempProgramDir
{
public:
    TempProgramDir();
    ~TempProgramDir();

    QString programDir() const { return m_dir.path(); }
    QString dataDir() const { return m_dir.path() + QStringLiteral("/data"); }
    QString path(const QString& fileName) const { return dataDir() + u'/' + fileName; }

    void write(const QString& fileName, const QByteArray& bytes) const;
    QByteArray read(const QString& fileName) const;
    bool exists(const QString& fileName) const;
    // Every file name in the data directory, hidden ones included.
    QStringList files() const;

private:
    QTemporaryDir m_dir;
};

// Sets the program's clock to a fixed moment for as long as the object lives.
class FixedClock
{
public:
    explicit FixedClock(const QDateTime& moment);
    ~FixedClock();
    void set(const QDateTime& moment) { *m_moment = moment; }

private:
    std::shared_ptr<QDateTime> m_moment;
};

// Makes one kind of file operation fail on files of this name, as a failing disk would, for as
// long as the object lives.
class FailingCall
{
public:
    FailingCall(const char* call, const QString& fileName, int error = EIO);
    ~FailingCall();
};

// "IN    01/15/2001        08:05\r\n"
QByteArray punchLine(const char* action, const char* date, const char* time);

// Whether the moments of the card's lines never go back, ordered here as moments of their own
// rather than by the program's ordering of lines, so that a fault in that one shows.
bool IsInTimeOrder(const TimeCard& card);

// An employee record with the PIN scrambled as the program stores it.
EmployeeRecord sampleEmployee(const QString& name, const QString& pin = QStringLiteral("1234"),
                              const QString& shift = QStringLiteral("1"),
                              const QString& regularRate = QStringLiteral("8.00"),
                              const QString& overtimeRate = QStringLiteral("12.00"));

// What a run of horodex-report (beside the test program) printed and how it ended; exitCode -1
// when it did not end within a minute.
struct ReportProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
ReportProgramRun RunReportProgram(const QStringList& arguments);
