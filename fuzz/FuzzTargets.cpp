#include "FuzzTargets.h"

#include "data/BadgeFile.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/OptionsRecord.h"
#include "data/ShiftHours.h"
#include "data/TimeCard.h"
#include "data/TimeFile.h"
#include "payroll/MultipleReportText.h"
#include "payroll/PunchExceptions.h"
#include "payroll/SingleReportText.h"
#include "sync/SentLedger.h"
#include "sync/StationConfig.h"
#include "timecalc/TimeManipulation.h"

#include "testsupport/StepwiseLoadPayPeriod.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cstring>

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

bool sameHours(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || a == b;
}

bool sameTime(const clsTime& a, const clsTime& b, const OvertimeRule& rule)
{
    if (a.NbrWeeks() != b.NbrWeeks() || !sameHours(a.TotalHours(), b.TotalHours()) ||
        !sameHours(a.OvertimeHours(rule), b.OvertimeHours(rule)) || a.Error() != b.Error())
        return false;
    for (int w = 1; w <= a.NbrWeeks(); ++w) {
        const clsWeek& wa = a.Week(w);
        const clsWeek& wb = b.Week(w);
        if (wa.NbrDays() != wb.NbrDays())
            return false;
        for (int d = 1; d <= wa.NbrDays(); ++d) {
            if (wa.Day(d).NbrPeriods() != wb.Day(d).NbrPeriods() ||
                !sameHours(wa.Day(d).DayHours(), wb.Day(d).DayHours()))
                return false;
        }
    }
    return true;
}

// A scratch file for the plain steps, which read from a path.
QString scratchTimeFile()
{
    // In memory where the system offers it: a disk write per input would dominate the run.
    static const QString dir =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static const QString path =
        dir + QStringLiteral("/horodex-fuzz-%1.txt").arg(QCoreApplication::applicationPid());
    return path;
}

} // namespace

int FuzzEmployeeList(const uint8_t* data, size_t size)
{
    static const QString folder = QStringLiteral("/horodex-fuzz/data");
    Environment::setDataDirectory(folder);
    const EmployeeList list = ParseEmployeeList(bytesOf(data, size));
    QSet<QString> timeFiles;
    for (const EmployeeRecord& r : list.records) {
        // Every name read leads to a file directly in the data folder, each file once.
        for (const QString& name : {r.Name, r.Name.trimmed()}) {
            const QString path = TimeFilePath(name);
            require(!path.isEmpty() && QFileInfo(path).path() == folder &&
                    QFileInfo(path).fileName() == name + QStringLiteral(".txt") &&
                    QDir::cleanPath(path) == path);
        }
        require(!timeFiles.contains(r.Name.trimmed().toUpper()));
        timeFiles.insert(r.Name.trimmed().toUpper());
        // What was read writes back as one line that reads as the same record, as long as no
        // field holds a quote or a line end (which the program never writes).
        const QByteArray line = SerializeEmployeeRecord(r);
        if (line.count('"') == 14 && line.count('\n') == 1 && line.count('\r') == 1) {
            const EmployeeList again = ParseEmployeeList(line);
            require(again.records.size() == 1 && again.records.first() == r);
        }
        UnscramblePin(r.Pin);
    }
    return 0;
}

int FuzzSettings(const uint8_t* data, size_t size)
{
    QByteArray bytes = bytesOf(data, size);
    bytes = bytes.leftJustified(OptionsRecord::Size, '\0', true);
    const OptionsRecord r = OptionsRecord::fromBytes(bytes);
    require(r.toBytes() == bytes);
    r.overtimeThresholdHours();
    r.timeRoundingValue();
    CheckAdminPassword(r, QStringLiteral("abcdef"));
    return 0;
}

namespace {

struct FuzzPeriod
{
    QDate start;
    QDate end;
    int rounding;
    OptionsRecord settings; // the overtime rule
    QByteArray file;
};

// The first byte chooses the pay period, rounding and overtime rule; the rest is a time file.
FuzzPeriod periodOf(const uint8_t* data, size_t size)
{
    const uint8_t choice = data[0];
    FuzzPeriod p;
    p.file = bytesOf(data + 1, size - 1);
    p.start = QDate(2009, 11, 2).addDays((choice & 0x0f) - 8);
    p.end = p.start.addDays(7 * (1 + ((choice >> 4) & 3)) - 1);
    p.rounding = (choice >> 6) & 3; // 3 is an unknown mode
    p.settings.setDailyOvertime(choice & 1);
    p.settings.setOvertimeThreshold((choice & 1) ? QStringLiteral("8") : QStringLiteral("40"));
    return p;
}

const QTimeZone& newYork()
{
    static const QTimeZone zone("America/New_York");
    return zone;
}

} // namespace

int FuzzTimeFile(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const FuzzPeriod p = periodOf(data, size);
    const clsTime fast = PayPeriodFromTimeFile(p.file, p.start, p.end, p.rounding, newYork());
    require(fast.NbrWeeks() == WeeksInPeriod(p.start, p.end));
    {
        QFile scratch(scratchTimeFile());
        require(scratch.open(QIODevice::WriteOnly | QIODevice::Truncate));
        scratch.write(p.file);
    }
    const clsTime steps =
        StepwiseLoadPayPeriod(scratchTimeFile(), p.start, p.end, p.rounding, newYork());
    require(sameTime(fast, steps, OvertimeRule::of(p.settings)));
    for (qsizetype at = 0; at + TimeRecord::Size <= p.file.size(); at += TimeRecord::Size)
        require(FormatLastActionText(
                    TimeRecord::fromBytes(QByteArrayView(p.file).sliced(at, TimeRecord::Size)),
                    QStringLiteral("hh:mm"))
                    .size() == LastActionTextLength);
    return 0;
}

int FuzzReports(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const FuzzPeriod p = periodOf(data, size);
    const clsTime time = PayPeriodFromTimeFile(p.file, p.start, p.end, p.rounding, newYork());
    // Built once: the system's zone and locale are slow to look up and not under test here.
    static const ReportOptions base = [] {
        ReportOptions o;
        o.zone = newYork();
        o.formats = RegionalFormats::of(QLocale(QLocale::English, QLocale::UnitedStates));
        return o;
    }();
    ReportOptions options = base;
    options.settings = p.settings;
    options.from = p.start;
    options.to = p.end;
    options.includeSsn = data[0] & 2;
    options.includeAddress = data[0] & 4;
    SingleReportInput single;
    single.employeeName = QStringLiteral("Fuzz Employee");
    single.employee.SSN = QStringLiteral("123-45-6789");
    single.employee.RegularRate = QStringLiteral("8.50");
    single.employee.OvertimeRate = QStringLiteral("12.75");
    single.employee.Shift = QStringLiteral("1");
    single.options = options;
    single.style = (data[0] & 8) ? SingleReportStyle::TimeCard : SingleReportStyle::DailyHours;
    const ReportTexts texts = BuildSingleReport(single, time);
    require(!texts.IsMultipleReport && texts.fullText().startsWith(texts.ReportHeader));
    MultipleReportBuilder multiple(0, options);
    multiple.addEmployee(single.employee, time);
    require(multiple.Finish().IsMultipleReport && multiple.EmployeeCount() == 1);
    return 0;
}

namespace {

bool sameAddress(const DatabaseAddress& a, const DatabaseAddress& b)
{
    return a.host == b.host && a.port == b.port && a.user == b.user && a.database == b.database &&
           a.options == b.options && a.uri == b.uri;
}

bool sameConfig(const StationConfig& a, const StationConfig& b)
{
    return sameAddress(a.database, b.database) && a.station == b.station && a.role == b.role;
}

bool sameCorrection(const Correction& a, const Correction& b)
{
    return a.when == b.when && a.employee == b.employee && a.kind == b.kind &&
           a.oldLine == b.oldLine && a.newLine == b.newLine && a.reason == b.reason;
}

bool sameLog(const CorrectionLogContents& a, const CorrectionLogContents& b)
{
    return a.brokenLine == b.brokenLine && a.tornLines == b.tornLines &&
           a.corrections.size() == b.corrections.size() &&
           std::equal(a.corrections.cbegin(), a.corrections.cend(), b.corrections.cbegin(),
                      sameCorrection);
}

// The hash the next line chains to, found as a reader would: that of the last line of six
// fields and a hash, or the start of the chain.
QByteArray lastChainHash(const QByteArray& log)
{
    const QList<QByteArray> lines = log.split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QByteArray hash = it->mid(it->lastIndexOf('\t') + 1);
        if (it->count('\t') == 6 && hash.size() == 64 &&
            std::all_of(hash.cbegin(), hash.cend(),
                        [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
            return hash;
    }
    return CorrectionChainStart();
}

} // namespace

int FuzzStationConfig(const uint8_t* data, size_t size)
{
    static const QString path = QStringLiteral("/horodex-fuzz/data/station.ini");
    const QByteArray bytes = bytesOf(data, size);
    StationConfig config;
    const IoResult read = ParseStationConfig(bytes, path, &config);
    StationConfig again;
    const IoResult reread = ParseStationConfig(bytes, path, &again);
    require(bool(read) == bool(reread) && read.error == reread.error);
    if (!read) {
        require(read.error.contains(FileStore::displayPath(path)));
        return 0;
    }
    require(sameConfig(config, again));
    // What a station uses: a name it can send under, and an address that reads as itself.
    require(bool(StationNameIsUsable(config.station)));
    DatabaseAddress address;
    require(ParseDatabaseUri(config.database.uri, &address) &&
            sameAddress(address, config.database));
    require(!config.database.user.isEmpty() && !config.database.database.isEmpty());
    config.database.describe();
    return 0;
}

int FuzzSentLedger(const uint8_t* data, size_t size)
{
    SentLedger ledger;
    if (!ParseSentLedger(bytesOf(data, size), QStringLiteral("station.sent"), &ledger))
        return 0;
    // The server holds whole records: an offset inside one would send lines cut in the wrong place.
    for (const SentFile& file : std::as_const(ledger.files)) {
        require(file.acknowledged >= 0 && file.acknowledged % TimeRecord::Size == 0);
        // A file of known origin also knows the digest of what was sent, and the other way round.
        require(file.origin.isEmpty() == file.digest.isEmpty());
    }
    // What is read writes back as itself (a ledger is written only with its station's identity).
    if (ledger.stationId.isEmpty())
        return 0;
    SentLedger again;
    require(
        ParseSentLedger(SerializeSentLedger(ledger), QStringLiteral("station.sent"), &again).ok);
    require(again.stationId == ledger.stationId && again.files.size() == ledger.files.size());
    return 0;
}

int FuzzCorrectionLog(const uint8_t* data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const CorrectionLogContents log = ParseCorrectionLog(bytes);
    require(sameLog(log, ParseCorrectionLog(bytes)));
    // A correction appended the way a save appends it leaves the verdict of every line before it
    // as it was, and reads as itself.
    Correction c;
    c.when = QDateTime(QDate(2009, 11, 2), QTime(8, 0), QTimeZone::utc());
    c.employee = QStringLiteral("Ann");
    c.kind = Correction::Kind::Changed;
    c.oldLine = "IN    11/02/2009        08:00";
    c.newLine = "IN    11/02/2009        07:45";
    c.reason = QStringLiteral("forgot\tto punch");
    const QByteArray appended = bytes + (bytes.isEmpty() || bytes.endsWith('\n') ? "" : "\n") +
                                FormatCorrections({c}, lastChainHash(bytes));
    CorrectionLogContents expected = log;
    expected.corrections.append(c);
    require(sameLog(ParseCorrectionLog(appended), expected));
    return 0;
}

int FuzzShiftSchedule(const uint8_t* data, size_t size)
{
    const ShiftSchedule schedule = ParseShiftSchedule(bytesOf(data, size));
    require(schedule.openLimitHours >= MinOpenLimitHours &&
            schedule.openLimitHours <= MaxOpenLimitHours);
    // Whatever was kept is written back as it was read, and lists a day without a crash.
    const ShiftSchedule again = ParseShiftSchedule(SerializeShiftSchedule(schedule));
    require(again.isClean() && again.shifts == schedule.shifts &&
            again.openLimitHours == schedule.openLimitHours);
    const QDate day(2009, 11, 2);
    const QList<TimeCardLine> lines{TimeCardLine::punch(true, day, QTime(7, 0)),
                                    TimeCardLine::punch(false, day, QTime(12, 0)),
                                    TimeCardLine::punch(true, day, QTime(12, 5)),
                                    TimeCardLine::punch(false, day.addDays(1), QTime(1, 0))};
    for (const ShiftHours& shift : schedule.shifts) {
        require(shift.number >= 1 && shift.number <= 9 && shift.start != shift.end);
        FindCardExceptions(QStringLiteral("Ann"), lines, day, day.addDays(6), &shift,
                           schedule.openLimitHours, QDateTime(day.addDays(7), QTime(0, 0)),
                           QTimeZone::utc());
    }
    return 0;
}

int FuzzBadgeFile(const uint8_t* data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    bool newer = false;
    const BadgeFile file = ParseBadgeFile(bytes, &newer);
    require(!newer || (file.badges.isEmpty() && file.isClean()));
    // Each line is one badge or one problem, besides the problem of a missing version line.
    require(file.badges.size() + file.problems.size() <= bytes.count('\n') + 2);
    for (const Badge& b : file.badges) {
        require(b.hash.size() == 64 && b.issued.isValid() && bool(NameIsUsable(b.employee)));
        require(!b.employee.contains(QLatin1Char('\t')));
    }
    // The badges read write back as a clean file that reads as the same badges.
    bool newerAgain = false;
    const BadgeFile again = ParseBadgeFile(SerializeBadgeFile(file.badges), &newerAgain);
    require(!newerAgain && again.isClean() && again.badges == file.badges);
    CurrentBadgeOf(file, QStringLiteral("Ann"));
    return 0;
}

FuzzTarget FindFuzzTarget(const QString& name)
{
    static const std::map<QString, FuzzTarget> targets = {
        {QStringLiteral("employeelist"), FuzzEmployeeList},
        {QStringLiteral("settings"), FuzzSettings},
        {QStringLiteral("timefile"), FuzzTimeFile},
        {QStringLiteral("reports"), FuzzReports},
        {QStringLiteral("stationconfig"), FuzzStationConfig},
        {QStringLiteral("sentledger"), FuzzSentLedger},
        {QStringLiteral("correctionlog"), FuzzCorrectionLog},
        {QStringLiteral("shifts"), FuzzShiftSchedule},
        {QStringLiteral("badges"), FuzzBadgeFile},
    };
    const auto it = targets.find(name);
    return it == targets.end() ? nullptr : it->second;
}

QStringList FuzzTargetNames()
{
    return {QStringLiteral("employeelist"),  QStringLiteral("settings"),
            QStringLiteral("timefile"),      QStringLiteral("reports"),
            QStringLiteral("stationconfig"), QStringLiteral("sentledger"),
            QStringLiteral("correctionlog"), QStringLiteral("shifts"),
            QStringLiteral("badges")};
}
