// Reports saved as CSV and PDF files, from the report window and from horodex-report.
#include "export/ExportFixture.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int failed = runExportFileTests(argc, argv);
    failed += runReportProgramTests(argc, argv);
    return failed;
}
