// The exceptions before pay day: the shifts file and what is listed from a time card.
#include "testsupport/TestSupport.h"

#include "cli/ReportCommand.h"
#include "cli/ReportRequest.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/ShiftHours.h"
#include "data/TimeCard.h"
#include "data/TimeFile.h"
#include "payroll/PunchExceptions.h"
#include "punch/ForgottenOut.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using Kind = PunchExceptionKind;
Q_DECLARE_METATYPE(QList<TimeCardLine>)

namespace {

const QTimeZone Zone = QTimeZone::systemTimeZone();
// Monday 2 November 2009 to Sunday the 8th.
const QDate Monday(2009, 11, 2);

TimeCardLine in(int day, int h, int m = 0)
{
    return TimeCardLine::punch(true, Monday.addDays(day), QTime(h, m));
}

TimeCardLine out(int day, int h, int m = 0)
{
    return TimeCardLine::punch(false, Monday.addDays(day), QTime(h, m));
}

ShiftHours dayShift(int grace = 5, int minimumBreak = 30)
{
    ShiftHours s;
    s.number = 1;
    s.start = QTime(8, 0);
    s.end = QTime(16, 0);
    s.days = {true, true, true, true, true, false, false};
    s.graceMinutes = grace;
    s.minimumBreakMinutes = minimumBreak;
    return s;
}

struct Found
{
    Kind kind;
    int day;
    qint64 minutes;
    bool operator==(const Found&) const = default;
};

QList<Found> found(const QList<PunchException>& list)
{
    QList<Found> f;
    for (const PunchException& e : list)
        f.append({e.kind, int(Monday.daysTo(e.day)), e.minutes});
    return f;
}

// Ann came in on Monday at 08:00 and did not punch OUT; the clock stands at Tuesday 07:50.
const QDateTime TuesdayMorning(Monday.addDays(1), QTime(7, 50), Zone);
const QByteArray AnnsIn = punchLine("IN", "11/02/2009", "08:00");

QString annName()
{
    return QStringLiteral("Ann");
}

CorrectionLogContents correctionRecord()
{
    CorrectionLogContents contents;
    if (!ReadCorrectionLog(&contents))
        return {};
    return contents;
}

ReportProgramRun runReport(const TempProgramDir& dir, const QStringList& arguments)
{
    return RunReportProgram(
        QStringList{QStringLiteral("exceptions"), QStringLiteral("--data"), dir.dataDir()} +
        arguments);
}

} // namespace

Q_DECLARE_METATYPE(QList<Found>)

class TestExceptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        GlobalOptions() = OptionsRecord::firstRunDefaults(QStringLiteral("secret"));
    }
    void cleanup() { m_dir.reset(); }

    void shiftsFile_keepsGoodLinesAndNamesTheOthers_data();
    void shiftsFile_keepsGoodLinesAndNamesTheOthers();
    void shiftsFile_readsBackWhatWasWritten();
    void shiftsFile_damagedOrNewerOrHuge_isRefusedByName();
    void card_listsWhatThePayrollWouldPayWrongly_data();
    void card_listsWhatThePayrollWouldPayWrongly();
    void fourWeeksOfForgottenOuts_everyOneIsListed();
    void command_printsTextAndCsvAndRefusesADamagedShiftsFile();
    void question_isAskedOnlyOfAnInOlderThanTheLimit();
    void leftAt_isTheFirstSuchTimeAfterTheIn();
    void declare_writesTheOutAndTheInInTimeOrderAndRecordsIt();
    void declare_refusesATimeNotBetweenTheInAndNow_data();
    void declare_refusesATimeNotBetweenTheInAndNow();
    void declare_aStaleQuestionWritesNothing();
    void outNow_writesThePunchAndFlagsItForTheManager();
    void approval_endsTheWaitAndTheRecordStillVerifies();
    void approval_ofAPunchNoLongerAwaitingIsRefused();
    void record_ofAnOlderVersionStillReadsAndNewKindsVerify();
    void command_exitsOneWhileDeclaredPunchesAwaitApproval();

private:
    std::unique_ptr<TempProgramDir> m_dir;
};

void TestExceptions::shiftsFile_keepsGoodLinesAndNamesTheOthers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("shifts");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("problem"); // empty: clean
    const QByteArray head = "horodex shifts 1\n";
    const QByteArray good = "1\t08:00\t16:30\tMTWTF--\t5\t30\n";
    QTest::newRow("good") << head + "limit\t12\n" + good << 1 << 12 << "";
    QTest::newRow("CR LF and blank lines") << QByteArray("horodex shifts 1\r\n\r\n1\t22:00\t06:00"
                                                         "\tMTWTF--\t0\t0\r\n")
                                           << 1 << 16 << "";
    QTest::newRow("no version line") << good << 0 << 16 << "line 1: not a version line";
    QTest::newRow("shift 0") << head + "0\t08:00\t16:30\tMTWTF--\t5\t30\n"
                             << 0 << 16 << "line 2: a shift is numbered 1 to 9";
    QTest::newRow("shift 10") << head + "10\t08:00\t16:30\tMTWTF--\t5\t30\n"
                              << 0 << 16 << "numbered 1 to 9";
    QTest::newRow("hour 24") << head + "1\t24:00\t16:30\tMTWTF--\t5\t30\n" << 0 << 16 << "HH:MM";
    QTest::newRow("one-digit hour") << head + "1\t8:00\t16:30\tMTWTF--\t5\t30\n"
                                    << 0 << 16 << "HH:MM";
    QTest::newRow("ends when it starts") << head + "1\t08:00\t08:00\tMTWTF--\t5\t30\n"
                                         << 0 << 16 << "ends when it starts";
    QTest::newRow("days out of place") << head + "1\t08:00\t16:30\tTMWTF--\t5\t30\n"
                                       << 0 << 16 << "seven letters";
    QTest::newRow("grace too long") << head + "1\t08:00\t16:30\tMTWTF--\t241\t30\n"
                                    << 0 << 16 << "0 to 240 minutes";
    QTest::newRow("negative break") << head + "1\t08:00\t16:30\tMTWTF--\t5\t-1\n"
                                    << 0 << 16 << "0 to 240 minutes";
    QTest::newRow("shift twice") << head + good + good << 1 << 16
                                 << "line 3: shift 1 is given twice";
    QTest::newRow("limit twice") << head + "limit\t12\nlimit\t10\n"
                                 << 0 << 12 << "line 3: the limit is given once";
    QTest::newRow("limit 0") << head + "limit\t0\n" << 0 << 16 << "1 to 72 hours";
    QTest::newRow("limit of many digits") << head + "limit\t0000016\n" << 0 << 16 << "1 to 72";
    static constexpr char withNul[] = "1\t08:00\t16:3\0\tMTWTF--\t5\t30\n";
    QTest::newRow("a NUL in a line")
        << head + QByteArray(withNul, sizeof withNul - 1) << 0 << 16 << "HH:MM";
    QTest::newRow("bad line, good line") << head + "junk\n" + good << 1 << 16 << "line 2: 1 fields";
}

void TestExceptions::shiftsFile_keepsGoodLinesAndNamesTheOthers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, shifts);
    QFETCH(int, limit);
    QFETCH(QString, problem);
    const ShiftSchedule schedule = ParseShiftSchedule(bytes);
    QCOMPARE(schedule.shifts.size(), shifts);
    QCOMPARE(schedule.openLimitHours, limit);
    if (problem.isEmpty())
        QVERIFY2(schedule.isClean(), qPrintable(schedule.problems.join(u';')));
    else
        QVERIFY2(schedule.problems.join(u';').contains(problem),
                 qPrintable(schedule.problems.join(u';')));
}

void TestExceptions::shiftsFile_readsBackWhatWasWritten()
{
    Result<ShiftSchedule> missing = ReadShiftSchedule();
    QVERIFY(missing);
    QCOMPARE(missing->openLimitHours, 16);
    QVERIFY(missing->shifts.isEmpty());

    ShiftSchedule schedule;
    schedule.openLimitHours = 10;
    ShiftHours night = dayShift(0, 0);
    night.number = 2;
    night.start = QTime(22, 0);
    night.end = QTime(6, 0);
    schedule.shifts = {night, dayShift()}; // saved in their numbers' order
    QVERIFY(WriteShiftSchedule(schedule));
    const Result<ShiftSchedule> back = ReadShiftSchedule();
    QVERIFY(back);
    QCOMPARE(back->openLimitHours, 10);
    QCOMPARE(back->shifts.size(), 2);
    QCOMPARE(back->shifts[0], dayShift());
    QCOMPARE(back->shifts[1], night);
    QVERIFY(back->shiftOf(QStringLiteral("2"))->endsNextDay());
    QVERIFY(!back->shiftOf(QStringLiteral("3")));
    QVERIFY(!back->shiftOf(QStringLiteral("22")));

    // A schedule that would not read back is not written over the good one.
    ShiftSchedule bad = schedule;
    bad.shifts.append(dayShift());
    QVERIFY(!WriteShiftSchedule(bad));
    QCOMPARE(ReadShiftSchedule()->shifts.size(), 2);
}

void TestExceptions::shiftsFile_damagedOrNewerOrHuge_isRefusedByName()
{
    const QList<QByteArray> files{
        "horodex shifts 1\n1\t08:00\t16:30\tMTWTF--\t5\n",
        "horodex shifts 2\n",
        "horodex shifts 1\n" + QByteArray(MaxShiftScheduleSize, '\n'),
    };
    for (const QByteArray& bytes : files) {
        m_dir->write(QStringLiteral("shifts.txt"), bytes);
        const Result<ShiftSchedule> read = ReadShiftSchedule();
        QVERIFY(!read);
        QVERIFY2(read.failure().error.contains(QStringLiteral("shifts.txt")),
                 qPrintable(read.failure().error));
    }
}

void TestExceptions::card_listsWhatThePayrollWouldPayWrongly_data()
{
    QTest::addColumn<QList<TimeCardLine>>("lines");
    QTest::addColumn<bool>("withShift");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QList<Found>>("expected");
    const QList<TimeCardLine> week{in(0, 8),   out(0, 16), in(1, 8),   out(1, 16), in(2, 8),
                                   out(2, 16), in(3, 8),   out(3, 16), in(4, 8),   out(4, 16)};
    QTest::newRow("a clean week") << week << true << 16 << QList<Found>{};
    QTest::newRow("an OUT forgotten, pressed the next morning")
        << QList<TimeCardLine>{in(0, 8), out(1, 8), in(1, 8, 1), out(1, 16)} << false << 16
        << QList<Found>{{Kind::LongPair, 0, 24 * 60}};
    QTest::newRow("a long shift within the limit")
        << QList<TimeCardLine>{in(0, 6), out(0, 21)} << false << 16 << QList<Found>{};
    QTest::newRow("a shorter limit") << QList<TimeCardLine>{in(0, 6), out(0, 18)} << false << 10
                                     << QList<Found>{{Kind::LongPair, 0, 12 * 60}};
    // The clock stands at Friday 18:00.
    QTest::newRow("an IN open since Thursday")
        << QList<TimeCardLine>{in(3, 8)} << false << 16 << QList<Found>{{Kind::OpenIn, 3, 34 * 60}};
    QTest::newRow("an IN open since this morning")
        << QList<TimeCardLine>{in(4, 8)} << false << 16 << QList<Found>{};
    QTest::newRow("a double punch")
        << QList<TimeCardLine>{in(0, 8), out(0, 8), in(0, 8, 1), out(0, 16)} << false << 16
        << QList<Found>{{Kind::DoublePunch, 0, 0}};
    QTest::newRow("two INs in a row are paid as a pair")
        << QList<TimeCardLine>{in(0, 8), in(0, 12), out(0, 16)} << false << 16
        << QList<Found>{{Kind::Unpaired, 0, 4 * 60}};
    QTest::newRow("late beyond the grace") << QList<TimeCardLine>{in(0, 8, 10), out(0, 16)} << true
                                           << 16 << QList<Found>{{Kind::LateIn, 0, 10}};
    QTest::newRow("late within the grace")
        << QList<TimeCardLine>{in(0, 8, 5), out(0, 15, 55)} << true << 16 << QList<Found>{};
    QTest::newRow("without shift hours nobody is late")
        << QList<TimeCardLine>{in(0, 9), out(0, 12)} << false << 16 << QList<Found>{};
    QTest::newRow("early, and a short break")
        << QList<TimeCardLine>{in(0, 8), out(0, 12), in(0, 12, 10), out(0, 15)} << true << 16
        << QList<Found>{{Kind::EarlyOut, 0, 60}, {Kind::ShortBreak, 0, 10}};
    QTest::newRow("a break long enough")
        << QList<TimeCardLine>{in(0, 8), out(0, 12), in(0, 12, 30), out(0, 16)} << true << 16
        << QList<Found>{};
    QTest::newRow("Saturday is no working day")
        << QList<TimeCardLine>{in(5, 10), out(5, 12)} << true << 16 << QList<Found>{};
    QTest::newRow("outside the period")
        << QList<TimeCardLine>{in(-3, 8), out(-2, 8), in(7, 8), out(8, 9)} << false << 16
        << QList<Found>{};
}

void TestExceptions::card_listsWhatThePayrollWouldPayWrongly()
{
    QFETCH(QList<TimeCardLine>, lines);
    QFETCH(bool, withShift);
    QFETCH(int, limit);
    QFETCH(QList<Found>, expected);
    const ShiftHours shift = dayShift();
    const QDateTime now(Monday.addDays(4), QTime(18, 0), Zone);
    const QList<PunchException> list =
        FindCardExceptions(QStringLiteral("Ann"), lines, Monday, Monday.addDays(6),
                           withShift ? &shift : nullptr, limit, now, Zone);
    QCOMPARE(found(list), expected);
}

namespace {

// One employee's four weeks as planned: when he arrives and leaves each working day, and on which
// days he forgets his OUT. The same plan is punched with and without the forgotten OUTs.
struct WorkDay
{
    QDateTime arrive;
    QDateTime leave;
    bool forgets = false;
};

QList<WorkDay> planFourWeeks(bool nights, QRandomGenerator& random)
{
    QList<WorkDay> plan;
    for (int day = 0; day < 28; ++day) {
        if (Monday.addDays(day).dayOfWeek() > 5)
            continue;
        WorkDay d;
        d.arrive = QDateTime(Monday.addDays(day), nights ? QTime(22, 0) : QTime(8, 0), Zone)
                       .addSecs(60 * (int(random.bounded(10)) - 5));
        d.forgets = random.bounded(100) < 5;
        d.leave = d.arrive.addSecs(8 * 3600 + 60 * int(random.bounded(10)));
        plan.append(d);
    }
    return plan;
}

// The week of the period a moment falls in, from 0.
int weekOf(const QDateTime& moment)
{
    return int(Monday.daysTo(moment.date()) / 7);
}

QByteArray weekReport(const QString& folder, const QString& name, int week)
{
    ReportRequest request;
    request.kind = ReportRequest::Kind::Single;
    request.name = name;
    request.from = Monday.addDays(7 * week);
    request.to = request.from.addDays(6);
    request.timeCard = true;
    request.dataDir = folder;
    const ReportRun run = RunReportRequest(request);
    return run ? *run : run.failure().error.toUtf8();
}

} // namespace

// Four weeks of 20 employees on a day and a night shift; now and then an OUT is forgotten. The
// forgetter comes back at his next shift: half of them say at the station when they left, the
// others press OUT, as the station then offers only OUT. Before pay day each forgotten OUT is
// declared or listed, and the weeks nobody forgot pay to the byte what they would have.
void TestExceptions::fourWeeksOfForgottenOuts_everyOneIsListed()
{
    ShiftSchedule schedule;
    ShiftHours night = dayShift(10, 0);
    night.number = 2;
    night.start = QTime(22, 0);
    night.end = QTime(6, 0);
    schedule.shifts = {dayShift(10, 0), night};
    QRandomGenerator random(20091102);
    QList<EmployeeRecord> employees;
    QList<QList<WorkDay>> plans;
    for (int e = 0; e < 20; ++e) {
        const bool nights = e % 2 == 1;
        employees.append(sampleEmployee(QStringLiteral("Employee %1").arg(e),
                                        QStringLiteral("1234"),
                                        nights ? QStringLiteral("2") : QStringLiteral("1")));
        plans.append(planFourWeeks(nights, random));
    }
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    for (const EmployeeRecord& employee : employees)
        QVERIFY(AppendEmployee(employee));

    int forgotten = 0;
    int declared = 0;
    QSet<QPair<int, int>> weeksWithAForgottenOut; // employee, week
    for (int e = 0; e < 20; ++e) {
        const QString name = employees[e].Name;
        QList<TimeCardLine> lines;
        const auto punch = [&lines](bool isIn, const QDateTime& at) {
            lines.append(TimeCardLine::punch(isIn, at.date(), at.time()));
        };
        const QDateTime* leftAt = nullptr; // when the forgetter really left
        // He comes back: says when he left, or presses OUT as the station offers.
        const auto comeBack = [&](const QDateTime& arrive, bool arriving) {
            weeksWithAForgottenOut.insert({e, weekOf(arrive)});
            if (forgotten++ % 2 == 0) {
                QVERIFY(
                    FileStore::replaceFile(TimeFilePath(name), SerializeTimeCard(lines).value()));
                const FixedClock clock(arrive);
                const Result<ForgottenOut::Declared> d =
                    ForgottenOut::declare(name, *leftAt, arriving, 16, Zone);
                QVERIFY2(d, qPrintable(d.failure().error));
                ++declared;
                TimeCard card;
                QVERIFY(ReadTimeCard(name, &card));
                lines = card.lines;
            } else {
                punch(false, arrive);
                if (arriving)
                    punch(true, arrive.addSecs(60));
            }
        };
        for (const WorkDay& day : plans[e]) {
            if (leftAt)
                comeBack(day.arrive, true);
            else
                punch(true, day.arrive);
            leftAt = nullptr;
            if (day.forgets) {
                weeksWithAForgottenOut.insert({e, weekOf(day.arrive)});
                leftAt = &day.leave;
            } else {
                punch(false, day.leave);
            }
        }
        if (leftAt)
            comeBack(leftAt->addDays(1), false);
        QVERIFY(FileStore::replaceFile(TimeFilePath(name), SerializeTimeCard(lines).value()));
        QVERIFY(IsInTimeOrder(ParseTimeCard(m_dir->read(name + QStringLiteral(".txt")))));
    }
    QVERIFY(declared > 0 && forgotten - declared > 0);

    const QDateTime payDay(Monday.addDays(30), QTime(12, 0), Zone);
    const auto listed = [&] {
        const Result<PunchExceptionList> list = FindPunchExceptions(
            employees, Monday, Monday.addDays(27), schedule, payDay, Zone, DataFolderPunches());
        return list ? *list : PunchExceptionList{};
    };
    const PunchExceptionList list = listed();
    QVERIFY(list.unread.isEmpty() && list.unreadRecord.isEmpty());
    int longPairs = 0;
    int declaredOuts = 0;
    for (const PunchException& e : list.items) {
        QVERIFY2(e.kind == Kind::LongPair || e.kind == Kind::DeclaredOut, qPrintable(e.employee));
        (e.kind == Kind::LongPair ? longPairs : declaredOuts)++;
    }
    QCOMPARE(declaredOuts, declared);
    QCOMPARE(longPairs, forgotten - declared);
    QCOMPARE(list.awaitingApproval(), declared);

    // The manager approves half of the declarations; the record verifies all along.
    int approved = 0;
    {
        const FixedClock clock(payDay);
        int seen = 0;
        for (const PunchException& e : list.items) {
            if (e.kind == Kind::DeclaredOut && seen++ % 2 == 0) {
                QVERIFY(ForgottenOut::approve(DataFolderPunches(), e.employee, e.line,
                                              QStringLiteral("approved")));
                ++approved;
            }
        }
    }
    const qsizetype stillWaiting = listed().awaitingApproval();
    QCOMPARE(stillWaiting, declared - approved);
    QVERIFY(approved > 0 && stillWaiting > 0);
    const ReportProgramRun verified =
        RunReportProgram({QStringLiteral("corrections"), QStringLiteral("--verify"),
                          QStringLiteral("--data"), m_dir->dataDir()});
    QCOMPARE(verified.exitCode, 0);
    QVERIFY2(verified.out.contains(
                 QStringLiteral("intact: %1 entries").arg(declared + approved).toUtf8()),
             verified.out.constData());

    // The same plan punched by nobody who forgets, in a folder of its own.
    QTemporaryDir cleanDir;
    const QString clean = cleanDir.path();
    QFile::setPermissions(clean, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Environment::setDataDirectory(clean);
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    for (int e = 0; e < 20; ++e) {
        QVERIFY(AppendEmployee(employees[e]));
        QList<TimeCardLine> lines;
        for (const WorkDay& day : plans[e]) {
            lines.append(TimeCardLine::punch(true, day.arrive.date(), day.arrive.time()));
            lines.append(TimeCardLine::punch(false, day.leave.date(), day.leave.time()));
        }
        QVERIFY(FileStore::replaceFile(TimeFilePath(employees[e].Name),
                                       SerializeTimeCard(lines).value()));
    }
    Environment::setDataDirectory(QString());
    int compared = 0;
    for (int e = 0; e < 20; ++e) {
        for (int week = 0; week < 4; ++week) {
            if (weeksWithAForgottenOut.contains({e, week}))
                continue;
            const QByteArray punched = weekReport(m_dir->dataDir(), employees[e].Name, week);
            QVERIFY(!punched.isEmpty());
            QCOMPARE(punched, weekReport(clean, employees[e].Name, week));
            ++compared;
        }
    }
    Environment::setDataDirectory(QString());
    QVERIFY2(compared >= 40, qPrintable(QString::number(compared)));
}

void TestExceptions::command_printsTextAndCsvAndRefusesADamagedShiftsFile()
{
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    QVERIFY(AppendEmployee(sampleEmployee(QStringLiteral("Ann"))));
    m_dir->write(QStringLiteral("Ann.txt"),
                 punchLine("IN", "11/02/2009", "08:00") + punchLine("OUT", "11/03/2009", "08:00"));
    const QStringList period{QStringLiteral("--from"), QStringLiteral("2009-11-02"),
                             QStringLiteral("--to"), QStringLiteral("2009-11-08")};
    const ReportProgramRun text = runReport(*m_dir, period);
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.out.contains("Ann                     11/2/2009   IN 08:00 AM to OUT 08:00 AM "
                               "on 11/3/2009: 24.00 hours, over 16"),
             text.out.constData());
    const ReportProgramRun csv =
        runReport(*m_dir, period + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(csv.exitCode, 0);
    QCOMPARE(csv.out, QByteArray("Employee Name,Day,Exception,First,Second,Minutes,Not Read\r\n"
                                 "Ann,2009-11-02,long pair,2009-11-02T08:00,2009-11-03T08:00,"
                                 "1440,\r\n"));
    m_dir->write(QStringLiteral("shifts.txt"), "horodex shifts 1\nlimit\tmany\n");
    const ReportProgramRun refused = runReport(*m_dir, period);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("shifts.txt") && refused.out.isEmpty(), refused.err.constData());
    const ReportProgramRun noPeriod = runReport(*m_dir, {});
    QCOMPARE(noPeriod.exitCode, 2);
    QVERIFY2(noPeriod.err.contains("--from and --to"), noPeriod.err.constData());
}

void TestExceptions::question_isAskedOnlyOfAnInOlderThanTheLimit()
{
    const TimeRecord in = TimeRecord::fromBytes(AnnsIn);
    const TimeRecord out = TimeRecord::fromBytes(punchLine("OUT", "11/02/2009", "08:00"));
    const auto asked = [](const std::optional<TimeRecord>& last, const QDateTime& now) {
        return ForgottenOut::question(annName(), last, now, 16, Zone).has_value();
    };
    QVERIFY(asked(in, TuesdayMorning));
    QVERIFY(!asked(in, QDateTime(Monday, QTime(23, 59), Zone)));          // 15:59 hours
    QVERIFY(!asked(in, QDateTime(Monday.addDays(1), QTime(0, 0), Zone))); // 16 hours exactly
    QVERIFY(asked(in, QDateTime(Monday.addDays(1), QTime(0, 1), Zone)));
    QVERIFY(!asked(out, TuesdayMorning));
    QVERIFY(!asked(std::nullopt, TuesdayMorning));
    QCOMPARE(ForgottenOut::question(annName(), in, TuesdayMorning, 16, Zone)->hoursOpen(), 23);
    const FixedClock clock(TuesdayMorning.addSecs(59)); // the wall clock of the minute
    const std::optional<ForgottenOut::Question> now =
        ForgottenOut::questionNow(annName(), in, 16, Zone);
    QVERIFY(now);
    QCOMPARE(now->now, TuesdayMorning);
    QCOMPARE(now->since, QDateTime(Monday, QTime(8, 0), Zone));
}

void TestExceptions::leftAt_isTheFirstSuchTimeAfterTheIn()
{
    const ForgottenOut::Question q =
        *ForgottenOut::question(annName(), TimeRecord::fromBytes(AnnsIn), TuesdayMorning, 16, Zone);
    QCOMPARE(ForgottenOut::leftAtMoment(q, QTime(17, 0)), QDateTime(Monday, QTime(17, 0), Zone));
    // Before the IN's time of day: the next day, when that is not after now.
    QCOMPARE(ForgottenOut::leftAtMoment(q, QTime(7, 30)),
             QDateTime(Monday.addDays(1), QTime(7, 30), Zone));
    QVERIFY(!ForgottenOut::leftAtMoment(q, QTime(7, 55)).isValid());
    QVERIFY(!ForgottenOut::leftAtMoment(q, QTime(8, 0)).isValid()); // the IN's own minute, tomorrow
    QVERIFY(!ForgottenOut::leftAtMoment(q, QTime()).isValid());
}

void TestExceptions::declare_writesTheOutAndTheInInTimeOrderAndRecordsIt()
{
    const FixedClock clock(TuesdayMorning);
    m_dir->write(QStringLiteral("Ann.txt"), punchLine("IN", "10/30/2009", "08:00") +
                                                punchLine("OUT", "10/30/2009", "16:00") + AnnsIn);
    const Result<ForgottenOut::Declared> declared =
        ForgottenOut::declare(annName(), QDateTime(Monday, QTime(17, 5), Zone), true, 16, Zone);
    QVERIFY2(declared, qPrintable(declared.failure().error));
    const QByteArray file = m_dir->read(QStringLiteral("Ann.txt"));
    QCOMPARE(file.right(3 * TimeRecord::Size), AnnsIn + punchLine("OUT", "11/02/2009", "17:05") +
                                                   punchLine("IN", "11/03/2009", "07:50"));
    QVERIFY(IsInTimeOrder(ParseTimeCard(file)));
    const CorrectionLogContents record = correctionRecord();
    QVERIFY2(record.intact(), qPrintable(record.verdict()));
    QCOMPARE(record.corrections.size(), 1);
    const Correction& c = record.corrections[0];
    QCOMPARE(c.kind, Correction::Kind::Declared);
    QCOMPARE(c.employee, annName());
    QCOMPARE(c.newLine, punchLine("OUT", "11/02/2009", "17:05").left(29));
    QVERIFY2(c.reason.startsWith(
                 QStringLiteral("declared at the station by the employee, awaiting approval")),
             qPrintable(c.reason));

    // Leaving, not arriving: the OUT alone.
    m_dir->write(QStringLiteral("Bob.txt"), AnnsIn);
    QVERIFY(ForgottenOut::declare(QStringLiteral("Bob"), QDateTime(Monday, QTime(16, 0), Zone),
                                  false, 16, Zone));
    QCOMPARE(m_dir->read(QStringLiteral("Bob.txt")),
             AnnsIn + punchLine("OUT", "11/02/2009", "16:00"));
    QVERIFY(correctionRecord().intact());
    QCOMPARE(correctionRecord().corrections.size(), 2);
}

void TestExceptions::declare_refusesATimeNotBetweenTheInAndNow_data()
{
    QTest::addColumn<QDateTime>("leftAt");
    QTest::addColumn<QString>("message");
    QTest::newRow("before the IN") << QDateTime(Monday, QTime(7, 0), Zone) << "after your IN";
    QTest::newRow("at the IN") << QDateTime(Monday, QTime(8, 0), Zone) << "after your IN";
    QTest::newRow("a day before") << QDateTime(Monday.addDays(-1), QTime(17, 0), Zone)
                                  << "after your IN";
    QTest::newRow("after now") << QDateTime(Monday.addDays(1), QTime(7, 51), Zone)
                               << "has not come yet";
    QTest::newRow("tomorrow") << QDateTime(Monday.addDays(2), QTime(17, 0), Zone)
                              << "has not come yet";
    QTest::newRow("no time") << QDateTime() << "after your IN";
}

void TestExceptions::declare_refusesATimeNotBetweenTheInAndNow()
{
    QFETCH(QDateTime, leftAt);
    QFETCH(QString, message);
    const FixedClock clock(TuesdayMorning);
    m_dir->write(QStringLiteral("Ann.txt"), AnnsIn);
    const Result<ForgottenOut::Declared> declared =
        ForgottenOut::declare(annName(), leftAt, true, 16, Zone);
    QVERIFY(!declared);
    QVERIFY2(declared.failure().error.contains(message), qPrintable(declared.failure().error));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), AnnsIn);
    QVERIFY(!m_dir->exists(QStringLiteral("corrections.log")));
}

void TestExceptions::declare_aStaleQuestionWritesNothing()
{
    const FixedClock clock(TuesdayMorning);
    const QDateTime leftAt(Monday, QTime(17, 0), Zone);
    // Punched OUT at another station meanwhile; or an IN only an hour old; or no file at all.
    const QList<QByteArray> files{AnnsIn + punchLine("OUT", "11/03/2009", "07:45"),
                                  punchLine("IN", "11/03/2009", "06:50"), QByteArray()};
    for (const QByteArray& file : files) {
        m_dir->write(QStringLiteral("Ann.txt"), file);
        QVERIFY(!ForgottenOut::declare(annName(), leftAt, true, 16, Zone));
        QVERIFY(!ForgottenOut::punchOutNow(annName(), 16, Zone));
        QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), file);
    }
    // A damaged file is not appended to.
    m_dir->write(QStringLiteral("Ann.txt"), AnnsIn + "garbage!!");
    QVERIFY(!ForgottenOut::declare(annName(), leftAt, true, 16, Zone));
    QVERIFY(!m_dir->exists(QStringLiteral("corrections.log")));
}

void TestExceptions::outNow_writesThePunchAndFlagsItForTheManager()
{
    const FixedClock clock(TuesdayMorning);
    m_dir->write(QStringLiteral("Ann.txt"), AnnsIn);
    const Result<ForgottenOut::Declared> flagged = ForgottenOut::punchOutNow(annName(), 16, Zone);
    QVERIFY2(flagged, qPrintable(flagged.failure().error));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")),
             AnnsIn + punchLine("OUT", "11/03/2009", "07:50"));
    const CorrectionLogContents record = correctionRecord();
    QVERIFY(record.intact());
    QCOMPARE(record.corrections.size(), 1);
    QCOMPARE(record.corrections[0].kind, Correction::Kind::Flagged);
    QCOMPARE(record.corrections[0].newLine, flagged->outLine);
    QVERIFY2(record.corrections[0].reason.contains(QStringLiteral("23 hours")),
             qPrintable(record.corrections[0].reason));

    // The exceptions list it beside the long pair it makes.
    const QList<EmployeeRecord> employees{sampleEmployee(annName())};
    const Result<PunchExceptionList> list =
        FindPunchExceptions(employees, Monday, Monday.addDays(6), ShiftSchedule{}, TuesdayMorning,
                            Zone, DataFolderPunches());
    QVERIFY(list);
    QCOMPARE(found(list->items),
             (QList<Found>{{Kind::LongPair, 0, 23 * 60 + 50}, {Kind::FlaggedOut, 1, 0}}));
    QCOMPARE(list->awaitingApproval(), 1);
}

void TestExceptions::approval_endsTheWaitAndTheRecordStillVerifies()
{
    const FixedClock clock(TuesdayMorning);
    m_dir->write(QStringLiteral("Ann.txt"), AnnsIn);
    const Result<ForgottenOut::Declared> declared =
        ForgottenOut::declare(annName(), QDateTime(Monday, QTime(17, 0), Zone), true, 16, Zone);
    QVERIFY(declared);
    const QList<EmployeeRecord> employees{sampleEmployee(annName())};
    const auto listed = [&employees] {
        return FindPunchExceptions(employees, Monday, Monday.addDays(6), ShiftSchedule{},
                                   TuesdayMorning, Zone, DataFolderPunches())
            .value();
    };
    const PunchExceptionList before = listed();
    QCOMPARE(found(before.items), (QList<Found>{{Kind::DeclaredOut, 0, 0}}));
    QCOMPARE(before.items[0].line, declared->outLine);
    QCOMPARE(before.awaitingApproval(), 1);
    QVERIFY2(PunchExceptionsText(before, QStringLiteral("hh:nn AM/PM"), RegionalFormats::current())
                 .contains(QStringLiteral("OUT at 05:00 PM declared at the station on 11/3/2009 "
                                          "at 07:50 AM, awaiting approval")),
             qPrintable(PunchExceptionsText(before, QStringLiteral("hh:nn AM/PM"),
                                            RegionalFormats::current())));

    const QByteArray file = m_dir->read(QStringLiteral("Ann.txt"));
    const IoResult approved = ForgottenOut::approve(DataFolderPunches(), annName(),
                                                    declared->outLine, QStringLiteral("ok"));
    QVERIFY2(approved, qPrintable(approved.error));
    QCOMPARE(m_dir->read(QStringLiteral("Ann.txt")), file);
    QVERIFY(listed().items.isEmpty());
    const CorrectionLogContents record = correctionRecord();
    QVERIFY2(record.intact(), qPrintable(record.verdict()));
    QCOMPARE(record.corrections.size(), 2);
    QCOMPARE(record.corrections[1].kind, Correction::Kind::Approved);
    QVERIFY(ForgottenOut::awaitingApproval(record.corrections).isEmpty());
}

void TestExceptions::approval_ofAPunchNoLongerAwaitingIsRefused()
{
    const FixedClock clock(TuesdayMorning);
    m_dir->write(QStringLiteral("Ann.txt"), AnnsIn);
    const QByteArray out =
        ForgottenOut::declare(annName(), QDateTime(Monday, QTime(17, 0), Zone), false, 16, Zone)
            ->outLine;
    QVERIFY(ForgottenOut::approve(DataFolderPunches(), annName(), out, QStringLiteral("ok")));
    const IoResult twice =
        ForgottenOut::approve(DataFolderPunches(), annName(), out, QStringLiteral("ok"));
    QVERIFY(!twice);
    QVERIFY2(twice.error.contains(QStringLiteral("no longer awaits")), qPrintable(twice.error));
    QCOMPARE(correctionRecord().corrections.size(), 2);

    // A declaration whose OUT a correction deleted awaits nothing.
    QList<Correction> record{{TuesdayMorning, annName(), Correction::Kind::Declared, {}, out, {}}};
    QCOMPARE(ForgottenOut::awaitingApproval(record).size(), 1);
    record.append({TuesdayMorning, QStringLiteral("Bob"), Correction::Kind::Deleted, out, {}, {}});
    QCOMPARE(ForgottenOut::awaitingApproval(record).size(), 1);
    record.append({TuesdayMorning, annName(), Correction::Kind::Deleted, out, {}, {}});
    QVERIFY(ForgottenOut::awaitingApproval(record).isEmpty());
}

void TestExceptions::record_ofAnOlderVersionStillReadsAndNewKindsVerify()
{
    const QByteArray line = punchLine("OUT", "11/02/2009", "17:00").left(29);
    const QList<Correction> written{
        {TuesdayMorning, annName(), Correction::Kind::Changed, line, line, QStringLiteral("a")},
        {TuesdayMorning, annName(), Correction::Kind::Declared, {}, line, QStringLiteral("b")},
        {TuesdayMorning, annName(), Correction::Kind::Flagged, {}, line, QStringLiteral("c")},
        {TuesdayMorning, annName(), Correction::Kind::Approved, {}, line, QStringLiteral("d")},
    };
    const QByteArray bytes = FormatCorrections(written, CorrectionChainStart());
    const CorrectionLogContents read = ParseCorrectionLog(bytes);
    QVERIFY(read.intact());
    QCOMPARE(read.corrections.size(), 4);
    for (qsizetype i = 0; i < written.size(); ++i)
        QCOMPARE(read.corrections[i].kind, written[i].kind);
    QVERIFY(bytes.contains("\tdeclared\t") && bytes.contains("\tapproved\t"));
    // Still seven fields a line: the verify of every version counts them and checks the chain.
    for (const QByteArray& l : CorrectionLogLines(bytes))
        QCOMPARE(l.count('\t'), 6);
}

void TestExceptions::command_exitsOneWhileDeclaredPunchesAwaitApproval()
{
    QVERIFY(WriteOptionsFile(GlobalOptions()));
    QVERIFY(AppendEmployee(sampleEmployee(annName())));
    const QStringList period{QStringLiteral("--from"), QStringLiteral("2009-11-02"),
                             QStringLiteral("--to"), QStringLiteral("2009-11-08")};
    m_dir->write(QStringLiteral("Ann.txt"), AnnsIn);
    QByteArray out;
    {
        const FixedClock clock(TuesdayMorning);
        out =
            ForgottenOut::declare(annName(), QDateTime(Monday, QTime(17, 0), Zone), true, 16, Zone)
                ->outLine;
    }
    const ReportProgramRun waiting = runReport(*m_dir, period);
    QCOMPARE(waiting.exitCode, 1);
    QVERIFY2(waiting.out.contains("declared at the station"), waiting.out.constData());
    QVERIFY2(waiting.err.contains("1 declared punch awaits approval"), waiting.err.constData());
    const ReportProgramRun csv =
        runReport(*m_dir, period + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(csv.exitCode, 1);
    QVERIFY2(csv.out.contains("Ann,2009-11-02,declared OUT,2009-11-02T17:00,"),
             csv.out.constData());

    QVERIFY(ForgottenOut::approve(DataFolderPunches(), annName(), out, QStringLiteral("ok")));
    const ReportProgramRun approved = runReport(*m_dir, period);
    QCOMPARE(approved.exitCode, 0);
    QVERIFY2(!approved.out.contains("declared"), approved.out.constData());

    // A record changed by hand is named, and the command fails after printing the list.
    QByteArray log = m_dir->read(QStringLiteral("corrections.log"));
    log.replace("ok", "OK");
    m_dir->write(QStringLiteral("corrections.log"), log);
    const ReportProgramRun broken = runReport(*m_dir, period);
    QCOMPARE(broken.exitCode, 1);
    QVERIFY2(broken.err.contains("changed by hand"), broken.err.constData());
}

QTEST_GUILESS_MAIN(TestExceptions)
#include "tst_exceptions.moc"
