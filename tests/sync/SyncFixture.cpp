#include "sync/SyncFixture.h"

#include "data/OptionsRecord.h"
#include "testsupport/TestSupport.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <algorithm>

namespace {

// Opens a connection of the test's own to uri for as long as it lives.
class TestConnection
{
public:
    explicit TestConnection(const QString& uri)
    {
        static QAtomicInt next;
        m_name = QStringLiteral("test-%1").arg(next.fetchAndAddRelaxed(1));
        const QUrl url(uri);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(url.path().mid(1));
        if (!db.open())
            qFatal("test database: %s", qPrintable(db.lastError().text()));
    }
    ~TestConnection() { QSqlDatabase::removeDatabase(m_name); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name); }

private:
    QString m_name;
};

} // namespace

QString TestServerUri()
{
    return qEnvironmentVariable("HORODEX_TEST_DATABASE");
}

QString FreshDatabaseUri()
{
    static QAtomicInt next;
    const QString name = QStringLiteral("horodex_t%1_%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(next.fetchAndAddRelaxed(1));
    ServerExec(TestServerUri(), QStringLiteral("CREATE DATABASE ") + name);
    QUrl url(TestServerUri());
    url.setPath(u'/' + name);
    return url.toString();
}

void ServerExec(const QString& uri, const QString& sql)
{
    TestConnection connection(uri);
    QSqlQuery query(connection.db());
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
}

QList<QByteArray> ServerLines(const QString& uri, const QString& sql)
{
    TestConnection connection(uri);
    QSqlQuery query(connection.db());
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    QList<QByteArray> lines;
    while (query.next())
        lines.append(query.value(0).toByteArray());
    return lines;
}

ProgramRun RunProgram(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + u'/' + program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

DataFolder::DataFolder() = default;

void DataFolder::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write test fixture");
}

void DataFolder::append(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::Append) || f.write(bytes) != bytes.size())
        qFatal("cannot append to test fixture");
}

QByteArray DataFolder::read(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void DataFolder::writeStation(const QString& uri, const QString& station, const QString& role) const
{
    write(QStringLiteral("station.ini"),
          QStringLiteral("[General]\ndatabase=%1\nstation=%2\nrole=%3\n")
              .arg(uri, station, role)
              .toUtf8());
}

void DataFolder::writeEmployees(const QList<EmployeeRecord>& employees) const
{
    QByteArray bytes;
    for (const EmployeeRecord& e : employees)
        bytes += SerializeEmployeeRecord(e);
    write(QStringLiteral("names.nms"), bytes);
}

void DataFolder::writeDefaultOptions() const
{
    OptionsRecord options = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    options.setOvertimeThreshold(QStringLiteral("40"));
    options.setTimeFormat(QStringLiteral("hh:nn AM/PM"));
    write(QStringLiteral("options.ini"), options.toBytes());
}

ProgramRun DataFolder::sync(const QStringList& extra, const QProcessEnvironment& environment) const
{
    return RunProgram(QStringLiteral("horodex-sync"),
                      QStringList{QStringLiteral("--data"), path()} + extra, environment);
}

ProgramRun DataFolder::report(const QStringList& arguments) const
{
    return RunProgram(QStringLiteral("horodex-report"),
                      arguments + QStringList{QStringLiteral("--data"), path()});
}

QByteArray KimPunches(int from, int count)
{
    QByteArray bytes;
    for (int i = from; i < from + count; ++i) {
        const QByteArray time = QStringLiteral("%1:%2")
                                    .arg(8 + i / 60, 2, 10, QLatin1Char('0'))
                                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                                    .toLatin1();
        bytes += punchLine(i % 2 == 0 ? "IN " : "OUT", "03/10/2008", time.constData());
    }
    return bytes;
}

QByteArray Joined(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& l : lines)
        bytes += l;
    return bytes;
}

QList<QByteArray> SplitLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (qsizetype at = 0; at + 31 <= bytes.size(); at += 31)
        lines.append(bytes.mid(at, 31));
    return lines;
}

QList<QByteArray> SortedLines(QList<QByteArray> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::unique_ptr<QProcess> StartSyncOnce(const DataFolder& folder)
{
    auto process = std::make_unique<QProcess>();
    process->start(QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-sync"),
                   {QStringLiteral("--data"), folder.path(), QStringLiteral("--once")});
    return process;
}

void CopyFolder(const DataFolder& from, const DataFolder& to)
{
    for (const QString& name : QDir(from.path()).entryList(QDir::Files)) {
        if (name != QLatin1String("station.lock"))
            to.write(name, from.read(name));
    }
}

KimStation::KimStation()
{
    folder.writeStation(uri, QStringLiteral("front"), QStringLiteral("punch"));
    folder.writeEmployees({sampleEmployee(QStringLiteral("Kim"))});
    folder.writeDefaultOptions();
}

QList<QByteArray> KimStation::serverLines() const
{
    return ServerLines(uri, QStringLiteral("SELECT line FROM horodex_punch ORDER BY byte_offset"));
}
