#pragma once

#include "testsupport/TestSupport.h"

#include "payroll/ReportTexts.h"
#include "payroll/SingleReportText.h"
#include "platform/Printers.h"

#include <QByteArray>
#include <QPageSize>
#include <QPrinter>
#include <QString>

#include <memory>

// Printers that exist only here, all with the same paper; by default none, so that saved PDF
// files take the region's paper.
class TestPrinters final : public PrinterSystem
{
public:
    QStringList installed;
    QPageSize paper = QPageSize(QPageSize::A5);

    QStringList InstalledPrinters() override { return installed; }
    QString DefaultPrinter() override { return installed.value(0); }
    bool ShowProperties(const QString&, QWidget*) override { return false; }
    std::unique_ptr<QPrinter> NewJob(const QString&) override
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setPageSize(paper);
        return printer;
    }
};

// A data directory with the two worked examples, and no printer, for each test: Sample
// Employee's week of November 2009, and A. Sample and B. Example over two weeks of March 2008,
// B. with a day of 26.5 hours.
class ExportFixture
{
public:
    void start();
    void stop();

    std::unique_ptr<TempProgramDir> dir;
    TestPrinters printers;
};

// A golden file of tests/golden.
QByteArray golden(const QString& name);

// The reports of the worked examples, built as the windows build them.
ReportTexts singleReport(SingleReportStyle style, bool ssn);
ReportTexts multipleReport();

// Each runs the tests of one class and returns the number that failed.
int runExportFileTests(int argc, char* argv[]);
int runReportProgramTests(int argc, char* argv[]);
