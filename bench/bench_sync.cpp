// Several stations on one server: shipping a year of punches of 1,000 employees from one station
// against a bare COPY of the same rows, and the four-week multiple report from the server
// against the same report from the time files. Prints medians and ratios. Needs a server:
//   scripts/with-postgres.sh build/bin/bench_sync [employees] [runs]
// (or HORODEX_TEST_DATABASE=postgresql://user@127.0.0.1:port/db with a role that may create
// databases). Build with -DCMAKE_BUILD_TYPE=Release.
#include "BenchData.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "payroll/MultipleReportText.h"
#include "sync/PunchSender.h"
#include "sync/ServerPunchStore.h"
#include "sync/SyncDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>

namespace {

bool RunConstant(SyncDatabase& database, const QString& sql)
{
    if (database.run(sql, "run a statement"))
        return true;
    std::fprintf(stderr, "%s failed\n", qPrintable(sql));
    return false;
}

// The rows the sender stores, as CSV for COPY: station, employee, offset, line, key, is_in.
QByteArray CopyRows(const QList<EmployeeRecord>& employees)
{
    QByteArray csv;
    for (const EmployeeRecord& e : employees) {
        QByteArray bytes;
        FileStore::readFile(TimeFilePath(e.Name), &bytes, MaxTimeFileSize);
        for (qsizetype at = 0; at + 31 <= bytes.size(); at += 31) {
            const QByteArray line = bytes.mid(at, 31);
            const QByteArray key = line.mid(12, 4) + line.mid(6, 2) + line.mid(9, 2) +
                                   line.mid(24, 2) + line.mid(27, 2);
            csv += "front,\"" + e.Name.toUtf8() + "\"," + QByteArray::number(at) + ",\\x" +
                   line.toHex() + ",\\x" + key.toHex() + "," +
                   (line.startsWith("IN ") ? "t" : "f") + '\n';
        }
    }
    return csv;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int employees = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    const QString server = qEnvironmentVariable("HORODEX_TEST_DATABASE");
    if (server.isEmpty()) {
        std::fprintf(stderr, "no server: run under scripts/with-postgres.sh\n");
        return 2;
    }
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("data"));
    Environment::setProgramDirectoryForTesting(dir.path());
    Environment::setRegionalLocaleForTesting(QLocale(QLocale::English, QLocale::UnitedStates));
    GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));

    const QDate last(2010, 1, 3);
    const QDate first = last.addYears(-1).addDays(1);
    MultipleReportInput input;
    QByteArray names;
    qint64 rows = 0;
    for (int i = 0; i < employees; ++i) {
        EmployeeRecord e;
        e.Name = QStringLiteral("Employee %1").arg(i, 4, 10, QLatin1Char('0'));
        e.RegularRate = QStringLiteral("15.00");
        e.OvertimeRate = QStringLiteral("22.50");
        e.Shift = QString::number(1 + i % 9);
        input.employees.append(e);
        names += SerializeEmployeeRecord(e);
        const QByteArray bytes = tenYearFile(first, last, i);
        rows += bytes.size() / 31;
        FileStore::replaceFile(TimeFilePath(e.Name), bytes);
    }
    FileStore::replaceFile(EmployeeListPath(), names);
    input.options.from = last.addDays(-27);
    input.options.to = last;
    input.options.settings = GlobalOptions();
    input.options.zone = QTimeZone("America/New_York");

    // A database of the benchmark's own.
    DatabaseAddress address;
    ParseDatabaseUri(server, &address);
    {
        SyncDatabase admin(address);
        if (!admin.open() ||
            !RunConstant(admin, QStringLiteral("DROP DATABASE IF EXISTS horodex_bench")) ||
            !RunConstant(admin, QStringLiteral("CREATE DATABASE horodex_bench")))
            return 1;
    }
    QUrl url(server);
    url.setPath(QStringLiteral("/horodex_bench"));
    ParseDatabaseUri(url.toString(), &address);
    SyncDatabase database(address);
    if (IoResult r = database.open(); !r) {
        std::fprintf(stderr, "%s\n", qPrintable(r.error));
        return 1;
    }
    ServerPunchStore punches(database, QString());
    std::printf("%d employees, %lld punches of one year (%s to %s)\n\n", employees, rows,
                qPrintable(first.toString(Qt::ISODate)), qPrintable(last.toString(Qt::ISODate)));

    const QString csvPath = dir.path() + QStringLiteral("/rows.csv");
    FileStore::replaceFile(csvPath, CopyRows(input.employees));
    std::vector<double> ship, copy;
    const QString empty = QStringLiteral("TRUNCATE horodex_punch, horodex_punch_tally");
    for (int run = 0; run < runs; ++run) {
        RunConstant(database, empty);
        copy.push_back(timeRuns(1, [&] {
            QProcess::execute(QStringLiteral("psql"),
                              {QStringLiteral("-qX"), url.toString(), QStringLiteral("-c"),
                               QStringLiteral("\\copy horodex_punch (station, employee, "
                                              "byte_offset, line, moment_key, is_in) FROM '%1' "
                                              "WITH (FORMAT csv)")
                                   .arg(csvPath)});
        })[0]);
        RunConstant(database, empty);
        QFile::remove(dir.path() + QStringLiteral("/data/station.sent"));
        SendOutcome outcome;
        ship.push_back(timeRuns(1, [&] {
            if (IoResult r = SendPunches(database, QStringLiteral("front"), &outcome);
                !r || outcome.sent != rows)
                std::fprintf(stderr, "sending failed: %s\n", qPrintable(r.error));
        })[0]);
    }
    // The reports read what the sender stored last.
    RunConstant(database, QStringLiteral("VACUUM ANALYZE horodex_punch"));
    const double s = median(ship), c = median(copy);
    std::printf("(a) shipping with horodex-sync's sender %9.1f ms  %9.0f rows/s  (median of %d)\n",
                s, double(rows) / s * 1000, runs);
    std::printf("(b) bare COPY of the same rows (psql)   %9.1f ms  %9.0f rows/s\n", c,
                double(rows) / c * 1000);
    std::printf("(a)/(b) = %.2f\n\n", s / c);

    ReportTexts fromFiles, fromServer;
    std::vector<double> files, served;
    for (int i = 0; i < 5; ++i) {
        files.push_back(timeRuns(1, [&] { fromFiles = *CreateMultipleReport(input); })[0]);
        served.push_back(
            timeRuns(1, [&] { fromServer = *CreateMultipleReport(input, punches); })[0]);
    }
    const double f = median(files), r = median(served);
    std::printf("four-week multiple report, %s to %s:\n",
                qPrintable(input.options.from.toString(Qt::ISODate)),
                qPrintable(input.options.to.toString(Qt::ISODate)));
    std::printf("(c) from the time files                 %9.1f ms  (median of 5)\n", f);
    std::printf("(d) from the server                     %9.1f ms  (median of 5)\n", r);
    std::printf("(d)/(c) = %.2f   (goal: at most 3)\n", r / f);
    const bool same = fromFiles.fullText() == fromServer.fullText();
    std::printf("the same report text: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
