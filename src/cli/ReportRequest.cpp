#include "cli/ReportRequest.h"

#include "data/CorrectionLog.h"

#include <QRegularExpression>

namespace {

struct Reader
{
    QStringList args;
    qsizetype next = 0;
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

// One option and its value ("--from 2009-11-02" or "--from=2009-11-02").
bool ParseOption(const QString& arg, ReportRequest& q, Reader& r)
{
    const qsizetype equals = arg.indexOf(u'=');
    const QString option = equals < 0 ? arg : arg.left(equals);
    const bool isFlag = option == QLatin1String("--time-card") ||
                        option == QLatin1String("--ssn") || option == QLatin1String("--address") ||
                        option == QLatin1String("--verify");
    if (isFlag) {
        if (equals >= 0)
            return r.fail(QStringLiteral("%1 takes no value").arg(option));
        if (option == QLatin1String("--time-card"))
            q.timeCard = true;
        else if (option == QLatin1String("--ssn"))
            q.includeSsn = true;
        else if (option == QLatin1String("--verify"))
            q.verify = true;
        else
            q.includeAddress = true;
        return true;
    }
    static const QStringList valued{QStringLiteral("--from"),     QStringLiteral("--to"),
                                    QStringLiteral("--shift"),    QStringLiteral("--format"),
                                    QStringLiteral("--output"),   QStringLiteral("--data"),
                                    QStringLiteral("--database"), QStringLiteral("--head")};
    if (!valued.contains(option))
        return r.fail(QStringLiteral("unknown option \"%1\" (see --help)").arg(option));
    QString value;
    if (equals >= 0) {
        value = arg.mid(equals + 1);
    } else {
        if (r.next >= r.args.size())
            return r.fail(QStringLiteral("%1 needs a value").arg(option));
        value = r.args.at(r.next++);
    }
    if (value.isEmpty())
        return r.fail(QStringLiteral("%1 needs a value").arg(option));
    if (option == QLatin1String("--from"))
        return ParseDate(option, value, &q.from, r);
    if (option == QLatin1String("--to"))
        return ParseDate(option, value, &q.to, r);
    if (option == QLatin1String("--shift"))
        return ParseShift(value, &q.shift, r);
    if (option == QLatin1String("--format"))
        return ParseFormat(value, &q.format, r);
    if (option == QLatin1String("--head")) {
        q.head = value;
        return CorrectionLogHead::parse(value) ||
               r.fail(QStringLiteral("--head needs the head N:HASH that horodex-report "
                                     "corrections shows (12:3fa9c0d1e2b34a5f), not \"%1\"")
                          .arg(value));
    }
    if (option == QLatin1String("--database"))
        q.database = value;
    else if (option == QLatin1String("--output"))
        q.output = value;
    else
        q.dataDir = value;
    return true;
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
    if (!corrections && (q.verify || !q.head.isEmpty() || q.from.isValid() || q.to.isValid()))
        return r.fail(QStringLiteral("who-is-in takes no --from, --to, --verify or --head"));
    if (q.from.isValid() != q.to.isValid())
        return r.fail(QStringLiteral("--from and --to go together"));
    if (!q.head.isEmpty() && !q.verify)
        return r.fail(QStringLiteral("--head goes with corrections --verify"));
    return true;
}

// What only one kind of report takes, and what both need.
bool CheckComplete(const ReportRequest& q, const QStringList& positional, Reader& r)
{
    if (q.kind == ReportRequest::Kind::Corrections || q.kind == ReportRequest::Kind::WhoIsIn)
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
    if (q.timeCard && q.format == ReportRequest::Format::Csv && q.output.isEmpty())
        return r.fail(QStringLiteral("a time card as CSV is two files: name the first with "
                                     "--output FILE"));
    return true;
}

} // namespace

ParsedRequest ParseReportArguments(const QStringList& arguments)
{
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        return {ReportRequest{}, QString()};
    Reader r;
    r.args = arguments;
    ReportRequest q;
    QStringList positional;
    bool optionsEnded = false;
    while (r.next < r.args.size()) {
        const QString arg = r.args.at(r.next++);
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            if (!ParseOption(arg, q, r))
                return {std::nullopt, r.error};
        } else {
            positional.append(arg);
        }
    }
    if (positional.isEmpty())
        return {std::nullopt, QStringLiteral("name the report: single or multiple (see --help)")};
    if (positional.constFirst() == QLatin1String("single"))
        q.kind = ReportRequest::Kind::Single;
    else if (positional.constFirst() == QLatin1String("multiple"))
        q.kind = ReportRequest::Kind::Multiple;
    else if (positional.constFirst() == QLatin1String("corrections"))
        q.kind = ReportRequest::Kind::Corrections;
    else if (positional.constFirst() == QLatin1String("who-is-in"))
        q.kind = ReportRequest::Kind::WhoIsIn;
    else
        return {std::nullopt,
                QStringLiteral("unknown report \"%1\": single, multiple, corrections or who-is-in")
                    .arg(positional.constFirst())};
    if (q.kind == ReportRequest::Kind::Single || q.kind == ReportRequest::Kind::Corrections)
        q.name = positional.value(1);
    if (!CheckComplete(q, positional, r))
        return {std::nullopt, r.error};
    return {q, QString()};
}

QString ReportUsage()
{
    return QStringLiteral(
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
        "  horodex-report --help\n"
        "\n"
        "Builds the payroll report of one employee (NAME exactly as listed) or of all\n"
        "employees or one shift (1 to 9), for a pay period of 1, 2, 3 or 4 weeks from the\n"
        "first day to the last, both included, with the settings of the data directory.\n"
        "\n"
        "  --time-card      one line per IN/OUT pair instead of one per day\n"
        "  --ssn            show the social security numbers\n"
        "  --address        put the company's name and address on top\n"
        "  --format FORMAT  text (the default, as the report window shows it), csv or pdf\n"
        "                   (as the report is printed); a time card as CSV also writes its\n"
        "                   IN/OUT pairs beside FILE (pay.csv: pay-punches.csv)\n"
        "  --output FILE    write to FILE instead of standard output\n"
        "  --data DIR       read the data directory DIR instead of Horodex's own: the folder\n"
        "                   HORODEX_DATA names, \"data\" beside the program when it may be\n"
        "                   written, or ~/.local/share/horodex\n"
        "  --database URI   the punches of every station from the PostgreSQL server at URI\n"
        "                   (postgresql://user@host:port/database; the password from\n"
        "                   ~/.pgpass or PGPASSWORD); without it, from the server that the\n"
        "                   data directory's station.ini names, if it has one. Without a\n"
        "                   station.ini in the data directory, the employees and settings are\n"
        "                   the head station's newest, from the server\n"
        "\n"
        "corrections prints the record of time-card corrections (of NAME, saved from one\n"
        "day to another) and ends with its head N:HASH, its number of entries and the hash\n"
        "of the last. With --verify it checks that no line was changed, removed, inserted\n"
        "or reordered by hand; with --head N:HASH also that the record still holds that\n"
        "entry at that place (a record cut short, emptied, deleted or rewritten since the\n"
        "head was written down fails). At a station the server's record is checked, and\n"
        "the data folder's record compared with it. who-is-in lists the employees whose\n"
        "last punch is IN.\n"
        "\n"
        "Exit status 0 when the report was written; otherwise 1 with a one-line message on\n"
        "standard error (2 for a command line that cannot be read).\n");
}
