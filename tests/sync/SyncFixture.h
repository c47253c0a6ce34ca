#pragma once

#include "data/EmployeeList.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// The PostgreSQL server that scripts/with-postgres.sh started, or none.
QString TestServerUri();
// Skips the calling test when no server was started.
#define REQUIRE_TEST_SERVER()                                                                      \
    do {                                                                                           \
        if (TestServerUri().isEmpty())                                                             \
            QSKIP("no PostgreSQL server: run under scripts/with-postgres.sh");                     \
    } while (false)

// A database of its own on the test server, dropped by nobody: the server is thrown away.
QString FreshDatabaseUri();

// The lines of a table, read through a connection of the test.
QList<QByteArray> ServerLines(const QString& uri, const QString& sql);
// Runs a statement without values on the database.
void ServerExec(const QString& uri, const QString& sql);

struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program of the build folder and waits for it.
ProgramRun
RunProgram(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The punches of one day, 08:00 onwards a minute apart, IN and OUT in turn, from the from-th.
QByteArray KimPunches(int from, int count);
QByteArray Joined(const QList<QByteArray>& lines);
// The 31-byte lines of a time file, and lines in byte order (to compare as multisets).
QList<QByteArray> SplitLines(const QByteArray& bytes);
QList<QByteArray> SortedLines(QList<QByteArray> lines);

// A data folder of a station (or of one computer alone): written byte for byte by the test.
class DataFolder
{
public:
    DataFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + u'/' + name; }
    void write(const QString& name, const QByteArray& bytes) const;
    void append(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

    void writeStation(const QString& uri, const QString& station, const QString& role) const;
    void writeEmployees(const QList<EmployeeRecord>& employees) const;
    void writeDefaultOptions() const;

    ProgramRun
    sync(const QStringList& extra = {QStringLiteral("--once")},
         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) const;
    ProgramRun report(const QStringList& arguments) const;

private:
    QTemporaryDir m_dir;
};

// Starts horodex-sync --once on the folder, without waiting for it.
std::unique_ptr<QProcess> StartSyncOnce(const DataFolder& folder);

// Copies every file of a folder (a backup restored, a folder copied), not its exchange's lock.
void CopyFolder(const DataFolder& from, const DataFolder& to);

// One punch station, "front", of one employee, Kim, on a database of its own.
struct KimStation
{
    QString uri = FreshDatabaseUri();
    DataFolder folder;
    KimStation();
    // The lines the server holds, in the order of the station's file.
    QList<QByteArray> serverLines() const;
};
