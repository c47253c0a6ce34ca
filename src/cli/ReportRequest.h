#pragma once

#include "data/Result.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// What a command line of horodex-report asks for.
struct ReportRequest
{
    enum class Kind { Help, Version, Single, Multiple, Corrections, WhoIsIn, Exceptions };
    enum class Format { Text, Csv, Pdf };

    Kind kind = Kind::Help;
    QString name;  // single: the employee, matched exactly; corrections: empty for all
    int shift = 0; // multiple: 0 for all employees, 1 … 9 for one shift
    QDate from;
    QDate to;
    bool timeCard = false;
    bool includeSsn = false;
    bool includeAddress = false;
    bool verify = false; // corrections: check the chain of the record instead of printing it
    QString head;        // corrections --verify: a head N:HASH written down earlier, checked
    Format format = Format::Text;
    QString output;  // empty: standard output
    QString dataDir; // empty: the program's own data folder
    // Payroll reports: the punches of every station from this PostgreSQL URI; empty: from the
    // server of the data folder's station.ini, or from its time files without one.
    QString database;
};

// Reads the arguments that follow the program name, or fails with one line. Pay periods and
// names are checked later, against the data, as the report windows check them.
Result<ReportRequest> ParseReportArguments(const QStringList& arguments);

// What a run of a request sends to standard output (empty when the report was written to a
// file), or the failure: one line naming what went wrong. A warning with the output fails the
// run once it is written.
using ReportRun = Result<QByteArray>;

// The text of --help, from which the manual page is made too.
QString ReportUsage();
