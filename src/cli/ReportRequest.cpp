#include "cli/ReportRequest.h"

#include "data/CorrectionLog.h"
#include "data/ProgramOptions.h"
#include "payroll/PayPeriod.h"

#include <QRegularExpression>

namespace {

struct Reader
{
    QString error;

    bool fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
        return false;
    }
};

bool ParseDate(const QString& option, const QString& value, QDate* date, Reader& r)
{
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    *date = iso.match(value).hasMatch() ? QDate::fromString(value, Qt::ISODate) : QDate();
    if (date->isValid())
        return true;
    return r.fail(QStringLiteral("%1 needs a date as YYYY-MM-DD, not \"%2\"").arg(option, value));
}

bool ParseShift(const QString& value, int* shift, Reader& r)
{
    bool ok = false;
    *shift = value.toInt(&ok);
    if (ok && *shift >= 1 && *shift <= 9)
        return true;
    return r.fail(QStringLiteral("--shift needs a shift from 1 to 9, not \"%1\"").arg(value));
}

bool ParseFormat(const QString& value, ReportRequest::Format* format, Reader& r)
{
    if (value == QLatin1String("text"))
        *format = ReportRequest::Format::Text;
    else if (value == QLatin1String("csv"))
        *format = ReportRequest::Format::Csv;
    else if (value == QLatin1String("pdf"))
        *format = ReportRequest::Format::Pdf;
    else
        return r.fail(QStringLiteral("--format is text, csv or pdf, not \"%1\"").arg(value));
    return true;
}

// The options of every report; each is checked below against the report it is given to.
const QList<OptionRow>& ReportOptions()
{
    static const QList<OptionRow> rows{
        {{QStringLiteral("from")},
         QStringLiteral("YYYY-MM-DD"),
         QStringLiteral("The first day of the pay period.")},
        {{QStringLiteral("to")},
         QStringLiteral("YYYY-MM-DD"),
         QStringLiteral("The last day of the pay period, included.")},
        {{QStringLiteral("shift")},
         QStringLiteral("N"),
         QStringLiteral("multiple: the employees of shift N (1 to 9) only.")},
        {{QStringLiteral("time-card")},
         {},
         QStringLiteral("single: one line per IN/OUT pair instead of one per day.")},
        {{QStringLiteral("ssn")}, {}, QStringLiteral("Show the social security numbers.")},
        {{QStringLiteral("address")},
         {},
         QStringLiteral("Put the company's name and address on top.")},
        {{QStringLiteral("verify")},
         {},
         QStringLiteral("corrections: check that no line of the record was changed, removed or "
                        "inserted by hand, instead of printing it.")},
        {{QStringLiteral("head")},
         QStringLiteral("N:HASH"),
         QStringLiteral("corrections --verify: also check that the record still holds entry N "
                        "with that hash, the head an earlier print ended with (a record cut "
                        "short, emptied, deleted or rewritten since fails).")},
        {{QStringLiteral("format")},
         QStringLiteral("FORMAT"),
         QStringLiteral("text (the default, as the report window shows it), csv or pdf (as the "
                        "report is printed); a time card as CSV also writes its IN/OUT pairs "
                        "beside FILE (pay.csv: pay-punches.csv).")},
        {{QStringLiteral("output")},
         QStringLiteral("FILE"),
         QStringLiteral("Write to FILE instead of standard output.")},
        {{QStringLiteral("data")},
         QStringLiteral("DIR"),
         QStringLiteral("Read the data directory DIR instead of Horodex's own: the folder "
                        "HORODEX_DATA names, \"data\" beside the program when it may be written, "
                        "or ~/.local/share/horodex.")},
        {{QStringLiteral("database")},
         QStringLiteral("URI"),
         QStringLiteral("The punches of every station from the PostgreSQL server at URI "
                        "(postgresql://user@host:port/database; the password from ~/.pgpass or "
                        "PGPASSWORD); without it, from the server that the data directory's "
                        "station.ini names, if it has one. Without a station.ini in the data "
                        "directory, the employees and settings are the head station's newest, "
                        "from the server.")},
    };
    return rows;
}

// The values of the options, each checked on its own.
bool ReadOptionValues(const QCommandLineParser& p, ReportRequest& q, Reader& r)
{
    for (const OptionRow& row : ReportOptions()) {
        const QString& name = row.names.constFirst();
        if (!row.value.isEmpty() && p.isSet(name) && p.value(name).isEmpty())
            return r.fail(QStringLiteral("--%1 needs a value").arg(name));
    }
    q.timeCard = p.isSet(QStringLiteral("time-card"));
    q.includeSsn = p.isSet(QStringLiteral("ssn"));
    q.includeAddress = p.isSet(QStringLiteral("address"));
    q.verify = p.isSet(QStringLiteral("verify"));
    q.output = p.value(QStringLiteral("output"));
    q.dataDir = p.value(QStringLiteral("data"));
    q.database = p.value(QStringLiteral("database"));
    const auto isSet = [&p](const char* name) { return p.isSet(QLatin1String(name)); };
    const auto value = [&p](const char* name) { return p.value(QLatin1String(name)); };
    q.head = p.value(QStringLiteral("head"));
    if (!q.head.isEmpty() && !CorrectionLogHead::parse(q.head))
        return r.fail(QStringLiteral("--head needs the head N:HASH that horodex-report "
                                     "corrections shows (12:3fa9c0d1e2b34a5f), not \"%1\"")
                          .arg(q.head));
    return (!isSet("from") || ParseDate(QStringLiteral("--from"), value("from"), &q.from, r)) &&
           (!isSet("to") || ParseDate(QStringLiteral("--to"), value("to"), &q.to, r)) &&
           (!isSet("shift") || ParseShift(value("shift"), &q.shift, r)) &&
           (!isSet("format") || ParseFormat(value("format"), &q.format, r));
}

// The record of corrections and the list of who is in take no pay period of their own.
bool CheckRecordRequest(const ReportRequest& q, const QStringList& positional, Reader& r)
{
    const bool corrections = q.kind == ReportRequest::Kind::Corrections;
    const qsizetype expected = corrections ? 2 : 1;
    if (positional.size() > expected)
        return r.fail(QStringLiteral("unexpected argument \"%1\"").arg(positional.at(expected)));
    if (q.shift != 0 || q.timeCard || q.includeSsn || q.includeAddress)
        return r.fail(QStringLiteral("--shift, --time-card, --ssn and --address belong to the "
                                     "payroll reports"));
    if (q.format == ReportRequest::Format::Pdf)
        return r.fail(QStringLiteral("%1 is written as text or csv").arg(positional.constFirst()));
    const bool exceptions = q.kind == ReportRequest::Kind::Exceptions;
    if (!corrections && (q.verify || !q.head.isEmpty()))
        return r.fail(QStringLiteral("--verify and --head belong to corrections"));
    if (!corrections && !exceptions && (q.from.isValid() || q.to.isValid()))
        return r.fail(QStringLiteral("who-is-in takes no --from or --to"));
    if (exceptions && !q.from.isValid())
        return r.fail(QStringLiteral("exceptions needs --from and --to: the days to look at"));
    if (!q.head.isEmpty() && !q.verify)
        return r.fail(QStringLiteral("--head goes with corrections --verify"));
    if (q.from.isValid() != q.to.isValid())
        return r.fail(QStringLiteral("--from and --to go together"));
    return true;
}

// What only one kind of report takes, and what both need.
bool CheckComplete(const ReportRequest& q, const QStringList& positional, Reader& r)
{
    if (q.kind == ReportRequest::Kind::Corrections || q.kind == ReportRequest::Kind::WhoIsIn ||
        q.kind == ReportRequest::Kind::Exceptions)
        return CheckRecordRequest(q, positional, r);
    const bool single = q.kind == ReportRequest::Kind::Single;
    const qsizetype expected = single ? 2 : 1;
    if (single && positional.value(1).trimmed().isEmpty())
        return r.fail(QStringLiteral("single needs the employee's name"));
    if (positional.size() > expected)
        return r.fail(QStringLiteral("unexpected argument \"%1\"").arg(positional.at(expected)));
    if (single && q.shift != 0)
        return r.fail(QStringLiteral("--shift belongs to the multiple report"));
    if (!single && q.timeCard)
        return r.fail(QStringLiteral("--time-card belongs to the single report"));
    if (!q.from.isValid())
        return r.fail(QStringLiteral("--from is needed: the first day of the pay period"));
    if (!q.to.isValid())
        return r.fail(QStringLiteral("--to is needed: the last day of the pay period"));
    if (q.from < EarliestPayPeriodDate() || q.to < EarliestPayPeriodDate())
        return r.fail(QStringLiteral("a pay period starts on %1 or later, as in the report "
                                     "windows")
                          .arg(EarliestPayPeriodDate().toString(Qt::ISODate)));
    if (q.timeCard && q.format == ReportRequest::Format::Csv && q.output.isEmpty())
        return r.fail(QStringLiteral("a time card as CSV is two files: name the first with "
                                     "--output FILE"));
    return true;
}

} // namespace

Result<ReportRequest> ParseReportArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    AddOptions(&parser, ReportOptions());
    const Result<CommandLineVerdict> verdict = ReadCommandLine(&parser, arguments);
    if (!verdict)
        return verdict.error();
    switch (*verdict) {
    case CommandLineVerdict::Help:
        return ReportRequest{};
    case CommandLineVerdict::Version: {
        ReportRequest version;
        version.kind = ReportRequest::Kind::Version;
        return version;
    }
    case CommandLineVerdict::Run:
        break;
    }
    ReportRequest q;
    Reader r;
    if (!ReadOptionValues(parser, q, r))
        return Failure(r.error);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return Failure(QStringLiteral("name the report: single or multiple (see --help)"));
    if (positional.constFirst() == QLatin1String("single"))
        q.kind = ReportRequest::Kind::Single;
    else if (positional.constFirst() == QLatin1String("multiple"))
        q.kind = ReportRequest::Kind::Multiple;
    else if (positional.constFirst() == QLatin1String("corrections"))
        q.kind = ReportRequest::Kind::Corrections;
    else if (positional.constFirst() == QLatin1String("who-is-in"))
        q.kind = ReportRequest::Kind::WhoIsIn;
    else if (positional.constFirst() == QLatin1String("exceptions"))
        q.kind = ReportRequest::Kind::Exceptions;
    else
        return Failure(QStringLiteral("unknown report \"%1\": single, multiple, "
                                      "corrections, who-is-in or exceptions")
                           .arg(positional.constFirst()));
    if (q.kind == ReportRequest::Kind::Single || q.kind == ReportRequest::Kind::Corrections)
        q.name = positional.value(1);
    if (!CheckComplete(q, positional, r))
        return Failure(r.error);
    return q;
}

QString ReportUsage()
{
    QCommandLineParser parser;
    AddOptions(&parser, ReportOptions());
    return HelpText(
        parser,
        QStringLiteral(
            "Usage:\n"
            "  horodex-report single NAME --from YYYY-MM-DD --to YYYY-MM-DD [--time-card] [--ssn]\n"
            "                 [--address] [--format text|csv|pdf] [--output FILE] [--data DIR]\n"
            "                 [--database URI]\n"
            "  horodex-report multiple [--shift N] --from YYYY-MM-DD --to YYYY-MM-DD [--ssn]\n"
            "                 [--address] [--format text|csv|pdf] [--output FILE] [--data DIR]\n"
            "                 [--database URI]\n"
            "  horodex-report corrections [NAME] [--from YYYY-MM-DD --to YYYY-MM-DD]\n"
            "                 [--format text|csv] [--verify [--head N:HASH]] [--data DIR]\n"
            "                 [--database URI]\n"
            "  horodex-report who-is-in [--format text|csv] [--output FILE] [--data DIR]\n"
            "                 [--database URI]\n"
            "  horodex-report exceptions --from YYYY-MM-DD --to YYYY-MM-DD [--format text|csv]\n"
            "                 [--output FILE] [--data DIR]\n"
            "  horodex-report --help | --version\n"),
        QStringLiteral(
            "The payroll reports of Horodex without a window, for scripts and cron.\n"
            "\n"
            "single and multiple build the payroll report of one employee (NAME exactly as\n"
            "listed) or of all employees or one shift, for a pay period of 1, 2, 3 or 4 weeks\n"
            "from the first day to the last, both included, with the settings of the data\n"
            "directory. corrections prints the record of time-card corrections (of NAME, saved\n"
            "from one day to another) and ends with its head N:HASH, its number of entries and\n"
            "the hash of the last. With --verify it checks that no line was changed, removed,\n"
            "inserted or reordered by hand; with --head N:HASH also that the record still holds\n"
            "that entry at that place. At a station the server's record is checked, and the\n"
            "data folder's record compared with it. who-is-in lists the employees whose last\n"
            "punch is IN, at every station when the data directory belongs to one or with\n"
            "--database.\n"
            "exceptions lists, per employee and day, the punches to look at before pay day:\n"
            "an IN still open or a pair longer than the limit of the shifts file (16 hours\n"
            "without one), a pair shorter than a minute, a pair that is not an IN and a later\n"
            "OUT, and, for a shift with hours, a late IN, an early OUT and a short break;\n"
            "and the OUTs declared at a station by an employee who forgot one, or punched\n"
            "there after a long shift, until the manager approves them in Reports >\n"
            "Exceptions.\n"),
        QStringLiteral(
            "Exit status 0 when the report was written; otherwise 1 with a one-line message on\n"
            "standard error (2 for a command line that cannot be read). exceptions also exits\n"
            "1, after printing its list, while declared punches await approval, so that cron\n"
            "mails it before pay day.\n"));
}
