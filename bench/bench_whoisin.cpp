// Who is in, over 1,000 ten-year time files, against reading the last 31 bytes of each file.
// Prints medians and their ratio. Run from a Release build:  bench_whoisin [employees] [years]
#include "BenchData.h"

#include "data/Environment.h"
#include "data/TimeFile.h"
#include "payroll/WhoIsIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int employees = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int years = argc > 2 ? std::atoi(argv[2]) : 10;

    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("data"));
    Environment::setProgramDirectoryForTesting(dir.path());
    const QDate last(2010, 1, 3);
    QList<EmployeeRecord> records;
    for (int i = 0; i < employees; ++i) {
        EmployeeRecord e;
        e.Name = QStringLiteral("Employee %1").arg(i, 4, 10, QLatin1Char('0'));
        QByteArray bytes = tenYearFile(last.addYears(-years).addDays(1), last, i);
        if (i % 2) // every other one is at work now
            appendPunch(bytes, true, last.addDays(1), 8, i % 60);
        QFile file(TimeFilePath(e.Name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        records.append(e);
    }
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QDateTime now(last.addDays(1), QTime(12, 0), zone);
    std::printf("who is in: %d employees, %d-year time files\n", employees, years);

    qint64 present = 0;
    std::vector<double> list, bare;
    for (int turn = 0; turn < 9; ++turn) {
        list.push_back(
            timeRuns(1, [&] { present = FindWhoIsIn(records, now, zone).present.size(); })[0]);
        bare.push_back(timeRuns(1, [&] {
            char record[31];
            for (const EmployeeRecord& e : records) {
                const int fd = ::open(QFile::encodeName(TimeFilePath(e.Name)).constData(),
                                      O_RDONLY | O_CLOEXEC);
                struct stat st;
                if (fd < 0 || ::fstat(fd, &st) != 0 ||
                    ::pread(fd, record, sizeof record, st.st_size - 31) != 31)
                    std::abort();
                ::close(fd);
            }
        })[0]);
    }
    std::printf("(a) who is in:                 %8.2f ms (median of %zu), %lld in\n", median(list),
                list.size(), present);
    std::printf("(b) last 31 bytes of each file: %8.2f ms (median of %zu)\n", median(bare),
                bare.size());
    std::printf("(a)/(b) = %.2f (goal: at most 2)\n", median(list) / median(bare));
    return 0;
}
