#include "reliability/ProbeOperations.h"

#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"

namespace {

const QDateTime PunchMoment(QDate(2024, 3, 10), QTime(23, 59, 59));

EmployeeRecord employee(const QString& name, const QString& rate = QStringLiteral("8.00"))
{
    EmployeeRecord r;
    r.Name = name;
    r.Pin = ScramblePin(QStringLiteral("1234"));
    r.SSN = QStringLiteral("000-00-0000");
    r.RegularRate = rate;
    r.OvertimeRate = QStringLiteral("12.00");
    r.Shift = QStringLiteral("1");
    return r;
}

QByteArray list(std::initializer_list<EmployeeRecord> records)
{
    QByteArray bytes;
    for (const EmployeeRecord& r : records)
        bytes += SerializeEmployeeRecord(r);
    return bytes;
}

QByteArray oldOptions()
{
    return OptionsRecord::firstRunDefaults(QStringLiteral("oldpass")).toBytes();
}

QByteArray newOptions()
{
    OptionsRecord r = OptionsRecord::firstRunDefaults(QStringLiteral("newpass"));
    r.setDailyOvertime(true);
    r.setOvertimeThreshold(QStringLiteral("8"));
    return r.toBytes();
}

const QByteArray punchBefore = QByteArray("IN    03/10/2024        08:00\r\n");
const QByteArray forgottenOut = QByteArray("OUT   03/10/2024        17:00");

Correction forgottenOutAdded()
{
    return {PunchMoment, QStringLiteral("Ann"), Correction::Kind::Added,
            {},          forgottenOut,          QStringLiteral("forgot to punch out")};
}

} // namespace

QStringList ProbeOperationNames()
{
    return {QStringLiteral("punch"),          QStringLiteral("addEmployee"),
            QStringLiteral("modifyEmployee"), QStringLiteral("deleteEmployee"),
            QStringLiteral("applyOptions"),   QStringLiteral("firstRunSettings"),
            QStringLiteral("correctTimeCard")};
}

QList<ProbeExpectation> ProbeExpectations(const QString& name)
{
    const QByteArray two = list({employee(QStringLiteral("Ann")), employee(QStringLiteral("Bob"))});
    if (name == QLatin1String("punch"))
        return {{QStringLiteral("Ann.txt"), punchBefore,
                 punchBefore + FormatPunchLine(false, PunchMoment)}};
    if (name == QLatin1String("addEmployee"))
        return {{QStringLiteral("names.nms"), two, two + list({employee(QStringLiteral("Cid"))})}};
    if (name == QLatin1String("modifyEmployee"))
        return {{QStringLiteral("names.nms"), two,
                 list({employee(QStringLiteral("Bob")),
                       employee(QStringLiteral("Ann"), QStringLiteral("9.25"))})}};
    if (name == QLatin1String("deleteEmployee"))
        return {{QStringLiteral("names.nms"), two, list({employee(QStringLiteral("Bob"))})}};
    if (name == QLatin1String("applyOptions"))
        return {{QStringLiteral("options.ini"), oldOptions(), newOptions()}};
    if (name == QLatin1String("firstRunSettings"))
        return {{QStringLiteral("options.ini"), QByteArray(), oldOptions()}};
    if (name == QLatin1String("correctTimeCard"))
        return {{QStringLiteral("Ann.txt"), punchBefore, punchBefore + forgottenOut + "\r\n"},
                {QStringLiteral("corrections.log"), QByteArray(),
                 FormatCorrections({forgottenOutAdded()}, CorrectionChainStart())}};
    return {};
}

void PrepareProbeOperation(const QString& name)
{
    for (const ProbeExpectation& e : ProbeExpectations(name)) {
        if (!e.before.isEmpty())
            FileStore::replaceFile(Environment::dataFilePath(e.file), e.before);
    }
}

IoResult RunProbeOperation(const QString& name)
{
    if (name == QLatin1String("punch")) {
        Environment::setClockForTesting([] { return PunchMoment; });
        return RecordPunch(QStringLiteral("Ann"), false).failure();
    }
    if (name == QLatin1String("addEmployee")) {
        // The time file first: a failure then leaves at most an empty time file, no employee.
        const IoResult created = FileStore::createIfMissing(TimeFilePath(QStringLiteral("Cid")));
        if (!created)
            return created;
        return AppendEmployee(employee(QStringLiteral("Cid")));
    }
    if (name == QLatin1String("modifyEmployee"))
        return ReplaceEmployee(QStringLiteral("Ann"),
                               employee(QStringLiteral("Ann"), QStringLiteral("9.25")));
    if (name == QLatin1String("deleteEmployee"))
        return DeleteEmployee(QStringLiteral("Ann")).failure();
    if (name == QLatin1String("applyOptions") || name == QLatin1String("firstRunSettings")) {
        const QByteArray bytes =
            name == QLatin1String("applyOptions") ? newOptions() : oldOptions();
        const IoResult written = WriteOptionsFile(OptionsRecord::fromBytes(bytes));
        if (!written)
            return written;
        OptionsRecord back;
        return ReadOptionsFile(&back);
    }
    if (name == QLatin1String("correctTimeCard")) {
        TimeCard card;
        if (const IoResult read = ReadTimeCard(QStringLiteral("Ann"), &card); !read)
            return read;
        QList<TimeCardLine> lines = card.lines;
        lines.append(TimeCardLine::punch(false, QDate(2024, 3, 10), QTime(17, 0)));
        return SaveCorrectedTimeCard(QStringLiteral("Ann"), card, lines, {forgottenOutAdded()});
    }
    return IoResult::failure(QStringLiteral("unknown operation ") + name);
}
