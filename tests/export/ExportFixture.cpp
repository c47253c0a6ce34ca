#include "export/ExportFixture.h"

#include "SampleReport.h"

#include "data/OptionsRecord.h"
#include "payroll/MultipleReportText.h"
#include "reports/ReportExport.h"

#include <QFile>
#include <QtTest>

#include <array>

namespace {

EmployeeRecord employee(const QString& name, const QString& shift, const QString& regular,
                        const QString& overtime, const QString& ssn)
{
    EmployeeRecord r = sampleEmployee(name, QStringLiteral("1234"), shift, regular, overtime);
    r.SSN = ssn;
    return r;
}

QByteArray pairs(std::initializer_list<std::array<const char*, 4>> list)
{
    QByteArray bytes;
    for (const auto& p : list)
        bytes += SampleReport::punchPair(p[0], p[1], p[2], p[3]);
    return bytes;
}

void writeWorkedExamples(const TempProgramDir& dir)
{
    GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret"));
    GlobalOptions().setCompany(QStringLiteral("Horodex Bakery"));
    GlobalOptions().setAddress(QStringLiteral("1 Main Street\r\nSpringfield"));
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    QVERIFY(EnsureEmployeeListFile());
    for (const EmployeeRecord& r :
         {employee(QStringLiteral("Sample Employee"), QStringLiteral("1"), QStringLiteral("15.00"),
                   QStringLiteral("22.50"), QStringLiteral("123-45-6789")),
          employee(QStringLiteral("A. Sample"), QStringLiteral("1"), QStringLiteral("8.00"),
                   QStringLiteral("12.00"), QStringLiteral("000-00-0000")),
          employee(QStringLiteral("B. Example"), QStringLiteral("2"), QStringLiteral("10.50"),
                   QStringLiteral("15.75"), QStringLiteral("000-00-0000"))})
        QVERIFY(AppendEmployee(r));
    dir.write(QStringLiteral("Sample Employee.txt"), SampleReport::weekOfPunches());
    QByteArray a;
    for (const char* day : {"03/03/2008", "03/04/2008", "03/05/2008", "03/06/2008", "03/07/2008"})
        a += SampleReport::punchPair(day, "08:00", day, "16:30");
    dir.write(QStringLiteral("A. Sample.txt"), a);
    dir.write(QStringLiteral("B. Example.txt"),
              pairs({{"03/10/2008", "06:00", "03/11/2008", "08:30"},
                     {"03/12/2008", "08:00", "03/12/2008", "20:00"}}));
}

ReportOptions options(QDate from, QDate to, bool ssn)
{
    ReportOptions o;
    o.settings = GlobalOptions();
    o.from = from;
    o.to = to;
    o.includeSsn = ssn;
    return o;
}

} // namespace

void ExportFixture::start()
{
    dir = std::make_unique<TempProgramDir>();
    writeWorkedExamples(*dir);
    printers = TestPrinters{};
    SetPrinterSystemForTesting(&printers);
    ResetCurrentPrinterForTesting();
}

void ExportFixture::stop()
{
    SetReportFileAskerForTesting({});
    SetPrinterSystemForTesting(nullptr);
    ResetCurrentPrinterForTesting();
    dir.reset();
}

QByteArray golden(const QString& name)
{
    QFile file(qEnvironmentVariable("HORODEX_TEST_SOURCE_DIR") + QStringLiteral("/tests/golden/") +
               name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing golden file");
}

ReportTexts singleReport(SingleReportStyle style, bool ssn)
{
    const EmployeeRecord record = *FindEmployee(QStringLiteral("Sample Employee"));
    return *CreateSingleReport(
        SingleReportInput{QStringLiteral("Sample Employee"), record, style,
                          options(QDate(2009, 11, 2), QDate(2009, 11, 8), ssn)});
}

ReportTexts multipleReport()
{
    EmployeeList list;
    ReadEmployeeList(&list);
    return *CreateMultipleReport(
        MultipleReportInput{list.records, 0, options(QDate(2008, 3, 3), QDate(2008, 3, 16), true)});
}
