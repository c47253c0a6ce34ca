// The multiple payroll report over 1,000 ten-year time files, against a plain transcription of
// the record steps and against merely reading the files. Prints medians, ratios and the peak
// memory of the report. Run from a Release build:  bench_payroll [employees] [years]
// [--report-only]
#include "BenchData.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "payroll/MultipleReportText.h"
#include "testsupport/StepwiseLoadPayPeriod.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A field of /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Lets the peak resident size start again from the current one (Linux 4.0 and later).
bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int employees = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int years = argc > 2 ? std::atoi(argv[2]) : 10;

    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("data"));
    Environment::setProgramDirectoryForTesting(dir.path());
    Environment::setRegionalLocaleForTesting(QLocale(QLocale::English, QLocale::UnitedStates));
    GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret1"));

    const QDate last(2010, 1, 3); // a Sunday: the report covers the four weeks ending on it
    const QDate first = last.addYears(-years).addDays(1);
    MultipleReportInput input;
    QElapsedTimer generation;
    generation.start();
    qint64 totalBytes = 0;
    for (int i = 0; i < employees; ++i) {
        EmployeeRecord e;
        e.Name = QStringLiteral("Employee %1").arg(i, 4, 10, QLatin1Char('0'));
        e.SSN = QStringLiteral("000-00-%1").arg(i, 4, 10, QLatin1Char('0'));
        e.RegularRate = QStringLiteral("15.00");
        e.OvertimeRate = QStringLiteral("22.50");
        e.Shift = QString::number(1 + i % 9);
        input.employees.append(e);
        const QByteArray bytes = tenYearFile(first, last, i);
        QFile file(TimeFilePath(e.Name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        totalBytes += bytes.size();
    }
    input.options.from = last.addDays(-27);
    input.options.to = last;
    input.options.includeSsn = true;
    input.options.includeAddress = true;
    input.options.settings = GlobalOptions();
    input.options.formats = RegionalFormats::current();
    input.options.zone = QTimeZone("America/New_York");
    const ReportOptions& o = input.options;
    std::printf("%d employees, %d years each, %.1f MB of time files, generated in %.1f s\n",
                employees, years, double(totalBytes) / 1e6, double(generation.elapsed()) / 1e3);
    std::printf("report: %s to %s, all employees\n\n", qPrintable(o.from.toString(Qt::ISODate)),
                qPrintable(o.to.toString(Qt::ISODate)));

    auto readAll = [&] {
        qint64 n = 0;
        for (const EmployeeRecord& e : input.employees) {
            QByteArray bytes;
            FileStore::readFile(TimeFilePath(e.Name), &bytes, MaxTimeFileSize);
            n += bytes.size();
        }
        if (n != totalBytes)
            std::fprintf(stderr, "read %lld bytes of %lld\n", n, totalBytes);
    };
    ReportTexts report;
    auto wholeReport = [&] { report = *CreateMultipleReport(input); };
    ReportTexts stepwise;
    auto plainSteps = [&] {
        MultipleReportBuilder builder(input.shift, o);
        for (const EmployeeRecord& e : input.employees)
            builder.addEmployee(e, StepwiseLoadPayPeriod(TimeFilePath(e.Name), o.from, o.to,
                                                         o.settings.timeRoundingValue(), o.zone));
        stepwise = builder.Finish();
    };

    readAll(); // the files are in the page cache for every measurement below

    if (argc > 3 && QByteArray(argv[3]) == "--report-only") { // for a profiler
        std::printf("(a) whole multiple report  %9.1f ms\n", median(timeRuns(9, wholeReport)));
        return 0;
    }

    // Peak memory of one report, first, before anything else has grown the heap.
    const long before = statusKb("VmRSS");
    const bool reset = resetPeakMemory();
    wholeReport();
    const long peak = statusKb("VmHWM");

    // Taken in turns, so that a busy moment of the machine weighs on both alike.
    std::vector<double> as, cs;
    for (int i = 0; i < 5; ++i) {
        cs.push_back(timeRuns(1, readAll)[0]);
        as.push_back(timeRuns(1, wholeReport)[0]);
    }
    const double c = median(cs);
    const double a = median(as);
    const std::vector<double> firstStep = timeRuns(1, plainSteps);
    const double b = firstStep[0] > 20000 ? firstStep[0] : median(timeRuns(3, plainSteps));

    std::printf("(a) whole multiple report              %9.1f ms  (median of 5)\n", a);
    std::printf("(b) plain record steps, 2 opens/week   %9.1f ms  (median of %d)\n", b,
                firstStep[0] > 20000 ? 1 : 3);
    std::printf("(c) reading every byte once            %9.1f ms  (median of 5)\n\n", c);
    std::printf("(a)/(c) = %.2f   (goal: at most 2)\n", a / c);
    std::printf("(b)/(a) = %.1f\n", b / a);
    if (reset)
        std::printf(
            "peak memory during (a): %.1f MB resident (%.1f MB before it; goal under 64 MB)\n",
            double(peak) / 1024, double(before) / 1024);
    else
        std::printf("peak memory during (a): not measured (no /proc/self/clear_refs)\n");
    std::printf("report: %lld characters; plain steps give the same text: %s\n",
                qint64(report.fullText().size()),
                report.fullText() == stepwise.fullText() ? "yes" : "NO");
    return report.fullText() == stepwise.fullText() ? 0 : 1;
}
