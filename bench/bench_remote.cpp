// Several stations with their server a building away: the round trips and the time of each
// action through a relay that holds every packet 10 ms each way; then 50 stations punching at a
// shift change against one server. Prints medians; needs a server:
//   scripts/with-postgres.sh build/bin/bench_remote [employees] [runs]
#include "DelayRelay.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "payroll/MultipleReportText.h"
#include "payroll/WhoIsIn.h"
#include "sync/LastAction.h"
#include "sync/PunchRows.h"
#include "sync/SentLedger.h"
#include "sync/ServerPunchStore.h"
#include "sync/StationSync.h"
#include "sync/SyncDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int DelayMs = 10;

template <typename T> T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString Name(int i)
{
    return QStringLiteral("Employee %1").arg(i, 4, 10, QLatin1Char('0'));
}

// Four weeks of work: IN at 08:00 and OUT at 16:30 on each weekday.
QByteArray FourWeeks(QDate first)
{
    QByteArray bytes;
    for (QDate day = first; day < first.addDays(28); day = day.addDays(1)) {
        if (day.dayOfWeek() > 5)
            continue;
        bytes += FormatPunchLine(true, QDateTime(day, QTime(8, 0)));
        bytes += FormatPunchLine(false, QDateTime(day, QTime(16, 30)));
    }
    return bytes;
}

QString UriWith(const QString& uri, const QString& database, int port = 0)
{
    QUrl url(uri);
    url.setPath(u'/' + database);
    if (port)
        url.setPort(port);
    return url.toString();
}

bool Check(const IoResult& r)
{
    if (!r)
        std::fprintf(stderr, "bench_remote: %s\n", qPrintable(r.error));
    return r.ok;
}

// newestConnection: count the connection the action opened alone (the goodbye of the one it
// closed waits for no answer).
void Measure(const char* what, int runs, DelayRelay& relay, const std::function<bool()>& action,
             const char* goal = "", bool newestConnection = false)
{
    std::vector<double> ms;
    std::vector<long> trips;
    for (int i = 0; i < runs; ++i) {
        relay.resetCount();
        QElapsedTimer timer;
        timer.start();
        if (!action())
            return;
        ms.push_back(timer.nsecsElapsed() / 1e6);
        trips.push_back(newestConnection ? relay.newestRoundTrips() : relay.roundTrips());
    }
    std::printf("%-46s %3ld round trips  %8.1f ms (median of %d)%s\n", what, Median(trips),
                Median(ms), runs, goal);
}

void WriteStationFiles(const QString& folder, const QString& uri, const QString& station,
                       const QStringList& names)
{
    QDir().mkpath(folder);
    Environment::setDataDirectory(folder);
    FileStore::replaceFile(folder + QStringLiteral("/station.ini"),
                           QStringLiteral("[General]\ndatabase=%1\nstation=%2\nrole=punch\n")
                               .arg(uri, station)
                               .toUtf8());
    QByteArray list;
    for (const QString& name : names)
        list += SerializeEmployeeRecord(
            EmployeeRecord{name, QString(), QString(), QString(), QString(), QStringLiteral("1")});
    FileStore::replaceFile(EmployeeListPath(), list);
}

// How many deadlocks the server has seen in the connection's database.
qint64 Deadlocks(SyncDatabase& direct)
{
    ServerRows* q = nullptr;
    if (!direct.exec(&q,
                     QStringLiteral("SELECT deadlocks FROM pg_stat_database WHERE datname = "
                                    "current_database()"),
                     {}, "count deadlocks"))
        return -1;
    return q->next() ? q->value(0).toLongLong() : -1;
}

// Lines of the files that hold text, counted.
int LinesHolding(const QStringList& files, const QByteArray& text)
{
    int lines = 0;
    for (const QString& file : files) {
        QByteArray bytes;
        FileStore::readFile(file, &bytes, 64 << 20, true);
        for (const QByteArray& line : bytes.split('\n'))
            lines += line.contains(text) ? 1 : 0;
    }
    return lines;
}

// 50 horodex-sync processes, each on its own folder of 20 employees (or all punching the same
// 20 employees: shared), 2,000 punches within a minute: how long until the server holds them
// all, whether any was lost or doubled, and how many deadlocks and timeouts the stations met.
void ShiftChange(const QString& uri, const QString& folderRoot, bool shared)
{
    constexpr int Stations = 50, PerStation = 20, Waves = 10;
    static_assert(PerStation == 4 * (Waves / 2));
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/horodex-sync");
    const auto employee = [shared](int s, int e) {
        return shared ? QStringLiteral("E%1").arg(e) : QStringLiteral("S%1 E%2").arg(s).arg(e);
    };
    const auto folderOf = [&folderRoot, shared](int s) {
        return QStringLiteral("%1/%2station%3")
            .arg(folderRoot, shared ? QStringLiteral("shared-") : QString())
            .arg(s);
    };
    QList<QProcess*> processes;
    QStringList logs;
    for (int s = 0; s < Stations; ++s) {
        QStringList names;
        for (int e = 0; e < PerStation; ++e)
            names.append(employee(s, e));
        const QString folder = folderOf(s);
        WriteStationFiles(folder, uri, QStringLiteral("Station %1").arg(s), names);
        auto* process = new QProcess;
        logs.append(folder + QStringLiteral(".log"));
        process->setStandardErrorFile(logs.constLast());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(program, {QStringLiteral("--data"), folder});
        processes.append(process);
    }
    SyncDatabase direct([&uri] {
        DatabaseAddress a;
        ParseDatabaseUri(uri, &a);
        return a;
    }());
    if (!Check(direct.open()))
        return;
    const auto count = [&direct]() -> qint64 {
        ServerRows* q = nullptr;
        if (!direct.exec(&q, QStringLiteral("SELECT count(*) FROM horodex_punch"), {}, "count"))
            return -1;
        return q->next() ? q->value(0).toLongLong() : -1;
    };
    QThread::sleep(3); // every station connected
    const qint64 deadlocksBefore = Deadlocks(direct);
    QElapsedTimer clock;
    clock.start();
    const QDateTime shift(QDate(2010, 3, 1), QTime(7, 0));
    for (int wave = 0; wave < Waves; ++wave) {
        for (int s = 0; s < Stations; ++s) {
            Environment::setDataDirectory(folderOf(s));
            // Four employees each wave: IN in the first five waves, OUT in the last five.
            for (int k = 0; k < 4; ++k) {
                const QString name = employee(s, (wave % 5) * 4 + k);
                FileStore::appendToFile(TimeFilePath(name),
                                        FormatPunchLine(wave < 5, shift.addSecs(60 * wave)));
            }
        }
        if (wave + 1 < Waves)
            QThread::msleep(6000);
    }
    const qint64 punched = clock.elapsed();
    const qint64 expected = qint64(Stations) * Waves * 4;
    qint64 stored = 0;
    while ((stored = count()) < expected && clock.elapsed() < punched + 180000)
        QThread::msleep(200);
    const qint64 converged = clock.elapsed();
    ServerRows* distinct = nullptr;
    direct.exec(&distinct,
                QStringLiteral("SELECT count(DISTINCT (station, employee, byte_offset)) FROM "
                               "horodex_punch"),
                {}, "count");
    distinct->next();
    const qint64 unique = distinct->value(0).toLongLong();
    for (QProcess* process : processes) {
        process->terminate();
        process->waitForFinished(5000);
        delete process;
    }
    QThread::sleep(1); // the server's statistics are sent within a second
    std::printf("shift change, %s: %d stations, %lld punches in %.1f s; the server held %lld "
                "(%lld distinct) %.1f s after the last punch, %.0f rows/s over the whole; "
                "%lld deadlocks, %d statement timeouts (goal: 0 deadlocks, all within 5 s)\n",
                shared ? "the same 20 employees at every station" : "20 employees per station",
                Stations, expected, punched / 1000.0, stored, unique,
                (converged - punched) / 1000.0, stored * 1000.0 / std::max<qint64>(1, converged),
                Deadlocks(direct) - deadlocksBefore,
                LinesHolding(logs, "canceling statement due to statement timeout"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int employees = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const QString server = qEnvironmentVariable("HORODEX_TEST_DATABASE");
    if (server.isEmpty()) {
        std::fprintf(stderr, "no server: run under scripts/with-postgres.sh\n");
        return 2;
    }
    Environment::setRegionalLocaleForTesting(QLocale(QLocale::English, QLocale::UnitedStates));
    const QString name = QStringLiteral("bench_remote_%1").arg(QCoreApplication::applicationPid());
    {
        DatabaseAddress address;
        ParseDatabaseUri(server, &address);
        SyncDatabase admin(address);
        if (!Check(admin.open()) ||
            !Check(admin.run(QStringLiteral("CREATE DATABASE ") + name, "create the database")) ||
            !Check(admin.run(QStringLiteral("CREATE DATABASE ") + name + QStringLiteral("_load"),
                             "create the database")) ||
            !Check(admin.run(QStringLiteral("CREATE DATABASE ") + name + QStringLiteral("_shared"),
                             "create the database")))
            return 1;
    }
    const QString uri = UriWith(server, name);
    DatabaseAddress near;
    ParseDatabaseUri(uri, &near);
    SyncDatabase direct(near);
    if (!Check(direct.open()))
        return 1;

    const QDate first(2010, 1, 4);
    const QByteArray weeks = FourWeeks(first);
    MultipleReportInput input;
    input.options.settings = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));
    input.options.from = first;
    input.options.to = first.addDays(27);
    Check(direct.begin());
    for (int i = 0; i < employees; ++i) {
        input.employees.append(EmployeeRecord{Name(i), QString(), QString(), QStringLiteral("8.00"),
                                              QStringLiteral("12.00"), QStringLiteral("1")});
        if (!Check(
                StorePunchLines(direct, QStringLiteral("front"), NewIdentity(), Name(i), 0, weeks)))
            return 1;
    }
    Check(direct.commit());

    DelayRelay relay(near.port, DelayMs);
    // The password file names the server's port: the relay's gets the same lines.
    QTemporaryDir passDir;
    if (const QString passFile = qEnvironmentVariable("PGPASSFILE"); !passFile.isEmpty()) {
        QByteArray lines;
        FileStore::readFile(passFile, &lines, 1 << 20);
        const QByteArray port = ':' + QByteArray::number(near.port) + ':';
        lines += QByteArray(lines).replace(port, ':' + QByteArray::number(relay.port()) + ':');
        const QString relayPass = passDir.path() + QStringLiteral("/pgpass");
        FileStore::replaceFile(relayPass, lines);
        QFile::setPermissions(relayPass, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", relayPass.toLocal8Bit());
    }
    DatabaseAddress far = near;
    far.host = QStringLiteral("127.0.0.1");
    far.port = relay.port();
    std::printf("through a relay holding each packet %d ms each way, %d employees:\n", DelayMs,
                employees);
    SyncDatabase remote(far);
    ServerPunchStore remoteStore(remote, QString());
    Measure(
        "connect (schema up to date)", runs, relay,
        [&remote] {
            remote.close();
            return Check(remote.open());
        },
        "  goal: at most 4", true);
    Measure("who is in", runs, relay, [&] {
        WhoIsInList list;
        return Check(FindWhoIsIn(input.employees, QDateTime(first.addDays(20), QTime(12, 0)),
                                 QTimeZone::systemTimeZone(), remoteStore, &list));
    });
    Measure("last action on choosing a name", runs, relay, [&remote] {
        std::optional<StationPunch> punch;
        return Check(ServerNewestPunch(remote, Name(7), &punch));
    });
    Measure("four-week multiple report", runs, relay, [&] {
        const Result<ReportTexts> report = CreateMultipleReport(input, remoteStore);
        return Check(report ? IoResult::success() : IoResult::failure(report.failure().error));
    });

    // One station of 20 employees sending 100 new punches.
    QTemporaryDir folders;
    QStringList names;
    for (int e = 0; e < 20; ++e)
        names.append(Name(e));
    const QString farUri = UriWith(server, name, relay.port());
    WriteStationFiles(folders.path() + QStringLiteral("/front"), farUri, QStringLiteral("Front"),
                      names);
    std::optional<StationConfig> config;
    if (!Check(ReadStationConfig(&config)) || !config)
        return 1;
    StationSync station(*config);
    station.runRound();
    int day = 0;
    Measure(
        "one station's exchange of 100 new punches", runs, relay,
        [&] {
            for (int i = 0; i < 100; ++i)
                FileStore::appendToFile(
                    TimeFilePath(names.at(i % 20)),
                    FormatPunchLine(i / 20 % 2 == 0, QDateTime(QDate(2010, 6, 1).addDays(day),
                                                               QTime(6 + i / 20, 0))));
            ++day;
            const SyncStatus status = station.runRound();
            return Check(status.error.isEmpty() && status.waiting == 0
                             ? IoResult::success()
                             : IoResult::failure(status.error));
        },
        "  goal: at most 3");

    ShiftChange(UriWith(server, name + QStringLiteral("_load")), folders.path(), false);
    ShiftChange(UriWith(server, name + QStringLiteral("_shared")), folders.path(), true);
    return 0;
}
