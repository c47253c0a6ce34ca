#include "data/FileStore.h"
#include "data/OptionsRecord.h"
#include "data/TimeFile.h"
#include "testsupport/StepwiseLoadPayPeriod.h"
#include "testsupport/TestSupport.h"
#include "timecalc/TimeManipulation.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(clsPeriod)

namespace {

const QTimeZone NewYork("America/New_York");

// A period of the given hours on one day, without punch times (no zone correction).
clsPeriod periodOf(QDate day, float hours)
{
    clsPeriod p;
    p.m_DateIn = p.m_DateOut = day;
    p.m_TimeIn = 0;
    p.m_TimeOut = hours;
    return p;
}

clsPeriod punches(const char* dateIn, const char* timeIn, const char* dateOut, const char* timeOut,
                  int rounding = NoRounding)
{
    const TimeRecord in{QStringLiteral("IN "), QString::fromLatin1(dateIn),
                        QString::fromLatin1(timeIn)};
    const TimeRecord out{QStringLiteral("OUT"), QString::fromLatin1(dateOut),
                         QString::fromLatin1(timeOut)};
    return PeriodFromPunches(in, out, rounding, NewYork);
}

// "9,9,9|7,7" is a week of three 9-hour days, then a week of two 7-hour days.
clsTime timeOf(const QString& weeks)
{
    clsTime time;
    QDate day(2009, 11, 2);
    for (const QString& weekText : weeks.split(u'|')) {
        clsWeek week;
        for (const QString& hours : weekText.split(u',', Qt::SkipEmptyParts)) {
            week.AddPeriod(periodOf(day, hours.toFloat()));
            day = day.addDays(1);
        }
        time.AddWeek(week);
    }
    return time;
}

// The rule of settings with this DailyOvertime flag and OvertimeThreshold text.
OvertimeRule ruleOf(bool daily, const QString& threshold)
{
    OptionsRecord settings;
    settings.setDailyOvertime(daily);
    settings.setOvertimeThreshold(threshold);
    return OvertimeRule::of(settings);
}

QByteArray fileOf(std::initializer_list<std::array<const char*, 3>> lines)
{
    QByteArray bytes;
    for (const auto& l : lines)
        bytes += punchLine(l[0], l[1], l[2]);
    return bytes;
}

clsTime load(const QByteArray& file, QDate start, QDate end, int rounding = NoRounding)
{
    return PayPeriodFromTimeFile(file, start, end, rounding, NewYork);
}

// Every member of every period, week by week and day by day, in one comparable text.
QString describe(const clsTime& t)
{
    QString s;
    for (int w = 1; w <= t.NbrWeeks(); ++w) {
        s += QStringLiteral("W%1:").arg(w);
        const clsWeek& week = t.Week(w);
        for (int d = 1; d <= week.NbrDays(); ++d) {
            s += QStringLiteral(" D[");
            const clsDay& day = week.Day(d);
            for (int p = 1; p <= day.NbrPeriods(); ++p) {
                const clsPeriod& x = day.Period(p);
                s += QStringLiteral("%1 %2 %3 %4 %5 %6;")
                         .arg(x.m_DateIn.toString(Qt::ISODate), x.m_DateOut.toString(Qt::ISODate))
                         .arg(double(x.m_TimeIn))
                         .arg(double(x.m_TimeOut))
                         .arg(x.m_In.toString(Qt::ISODate), x.m_Out.toString(Qt::ISODate));
            }
            s += u']';
        }
        s += u'\n';
    }
    return s;
}

} // namespace

class TestTimeCalc : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void periodHours_data();
    void periodHours();
    void nightAcrossDaylightSavingChange_paysHoursWorked_data();
    void nightAcrossDaylightSavingChange_paysHoursWorked();
    void overtime_data();
    void overtime();
    void dayAt24Hours_isNoError_dayAbove24_isErrorUpToPayPeriod();
    void sameObjects_giveOvertimeOfTheRuleAsked();
    void emptyWeek_hasNoHoursUnderEitherRule();
    void overnightPeriod_isFiledUnderInDay_nextPeriodOpensNewDay();
    void moreThanCapacity_keepsEveryPeriodAndDay();
    void indexOutsideRange_givesEmptyObject();

    void timeToHours_data();
    void timeToHours();
    void parseFileDateTime_carriesHandEditedHourIntoNextDay();
    void weeksInPeriod_roundsDaysOverSeven_data();
    void weeksInPeriod_roundsDaysOverSeven();

    void payPeriodFromWednesday_runsWednesdayToTuesday();
    void nightShiftAcrossWeekBoundary_countsInFirstWeekOnly();
    void pairsBeforeAndAfterPeriod_areLeftOut();
    void openInAtEndOfFile_contributesNothingUntilItsOut();
    void weekWithoutPunches_isPresentWithoutDays();
    void roundingThroughFile_data();
    void roundingThroughFile();
    void outOfOrderFile_equalsRecordSteps();
    void randomHandEditedFiles_equalRecordSteps();
    void pairPastEndOfFile_isNotRead();
    void missingTimeFile_givesEmptyWeeksAndIsNotCreated();
    void unreadableTimeFile_isReportedByName();
};

void TestTimeCalc::periodHours_data()
{
    QTest::addColumn<clsPeriod>("period");
    QTest::addColumn<float>("hours");
    QTest::newRow("same day") << punches("11/02/2009", "08:00", "11/02/2009", "16:30") << 8.5f;
    QTest::newRow("overnight") << punches("11/04/2009", "22:00", "11/05/2009", "06:00") << 8.0f;
    QTest::newRow("23:55 rounded to 24.0")
        << punches("11/04/2009", "23:55", "11/05/2009", "08:00", QuarterHour) << 8.0f;
    QTest::newRow("out before in")
        << punches("11/04/2009", "10:00", "11/04/2009", "08:00") << -2.0f;
    QTest::newRow("no punch times") << periodOf(QDate(2009, 11, 4), 7.5f) << 7.5f;
}

void TestTimeCalc::periodHours()
{
    QFETCH(clsPeriod, period);
    QFETCH(float, hours);
    QCOMPARE(period.Hours(), hours);
}

void TestTimeCalc::nightAcrossDaylightSavingChange_paysHoursWorked_data()
{
    QTest::addColumn<QString>("inDate");
    QTest::addColumn<QString>("outDate");
    QTest::addColumn<float>("hours");
    QTest::addColumn<int>("dayOfPeriod"); // the night begins on this day of a one-week period
    QTest::newRow("clocks go back") << "10/31/2009"
                                    << "11/01/2009" << 9.0f << 1;
    QTest::newRow("clocks go forward") << "03/07/2009"
                                       << "03/08/2009" << 7.0f << 1;
    QTest::newRow("ordinary night") << "11/01/2009"
                                    << "11/02/2009" << 8.0f << 1;
    // The change falls on the morning after the period.
    QTest::newRow("clocks go back after last day") << "10/31/2009"
                                                   << "11/01/2009" << 9.0f << 7;
    QTest::newRow("clocks go forward after last day") << "03/07/2009"
                                                      << "03/08/2009" << 7.0f << 7;
}

void TestTimeCalc::nightAcrossDaylightSavingChange_paysHoursWorked()
{
    QFETCH(QString, inDate);
    QFETCH(QString, outDate);
    QFETCH(float, hours);
    QFETCH(int, dayOfPeriod);
    const QByteArray file = punchLine("IN ", inDate.toLatin1(), "22:00") +
                            punchLine("OUT", outDate.toLatin1(), "06:00");
    const QDate start = ParseFileDate(inDate).addDays(1 - dayOfPeriod);
    const clsTime t = load(file, start, start.addDays(6));
    QCOMPARE(t.Week(1).Day(1).Period(1).Hours(), hours);
    QCOMPARE(t.TotalHours(), hours);
}

void TestTimeCalc::overtime_data()
{
    QTest::addColumn<bool>("daily");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QString>("weeks");
    QTest::addColumn<float>("overtime");
    QTest::addColumn<float>("regular");
    QTest::newRow("weekly 45 + 35") << false << "40"
                                    << "9,9,9,9,9|7,7,7,7,7" << 5.0f << 75.0f;
    QTest::newRow("daily 9.5, 7, 10") << true << "8"
                                      << "9.5,7,10" << 3.5f << 23.0f;
    QTest::newRow("daily day at threshold") << true << "8"
                                            << "8" << 0.0f << 8.0f;
    QTest::newRow("daily day just over") << true << "8"
                                         << "8.25" << 0.25f << 8.0f;
    QTest::newRow("daily five 9-hour days") << true << "8"
                                            << "9,9,9,9,9" << 5.0f << 40.0f;
    QTest::newRow("weekly five 9-hour days") << false << "40"
                                             << "9,9,9,9,9" << 5.0f << 40.0f;
    QTest::newRow("weekly four 9-hour days") << false << "40"
                                             << "9,9,9,9" << 0.0f << 36.0f;
    QTest::newRow("weekly at threshold") << false << "40"
                                         << "8,8,8,8,8" << 0.0f << 40.0f;
    QTest::newRow("empty threshold weekly") << false << ""
                                            << "9,7" << 16.0f << 0.0f;
    QTest::newRow("empty threshold daily") << true << ""
                                           << "9,7" << 16.0f << 0.0f;
    QTest::newRow("non-numeric threshold") << false << "abc"
                                           << "9" << 9.0f << 0.0f;
    QTest::newRow("weekly never carried") << false << "40"
                                          << "30|50" << 10.0f << 70.0f;
}

void TestTimeCalc::overtime()
{
    QFETCH(bool, daily);
    QFETCH(QString, threshold);
    QFETCH(QString, weeks);
    QFETCH(float, overtime);
    QFETCH(float, regular);
    const OvertimeRule rule = ruleOf(daily, threshold);
    const clsTime t = timeOf(weeks);
    QCOMPARE(t.OvertimeHours(rule), overtime);
    QCOMPARE(t.RegularHours(rule), regular);
    QCOMPARE(t.TotalHours(), overtime + regular);
}

void TestTimeCalc::dayAt24Hours_isNoError_dayAbove24_isErrorUpToPayPeriod()
{
    const clsTime at24 = timeOf(QStringLiteral("8|24"));
    QCOMPARE(at24.Week(2).Day(1).Error(), false);
    QCOMPARE(at24.Error(), false);

    clsWeek week;
    week.AddPeriod(periodOf(QDate(2009, 11, 2), 12.0f));
    week.AddPeriod(periodOf(QDate(2009, 11, 2), 12.25f));
    clsTime above;
    above.AddWeek(clsWeek());
    above.AddWeek(week);
    QCOMPARE(above.Week(2).Day(1).DayHours(), 24.25f);
    QCOMPARE(above.Week(2).Day(1).Error(), true);
    QCOMPARE(above.Week(2).Error(), true);
    QCOMPARE(above.Week(1).Error(), false);
    QCOMPARE(above.Error(), true);
}

void TestTimeCalc::sameObjects_giveOvertimeOfTheRuleAsked()
{
    const clsTime t = timeOf(QStringLiteral("9,9,9,9,9"));
    QCOMPARE(t.OvertimeHours(ruleOf(false, QStringLiteral("40"))), 5.0f);
    QCOMPARE(t.OvertimeHours(ruleOf(false, QStringLiteral("44"))), 1.0f);
    const OvertimeRule daily = ruleOf(true, QStringLiteral("8.5"));
    QCOMPARE(t.OvertimeHours(daily), 2.5f);
    QCOMPARE(t.Week(1).Day(1).OvertimeHours(daily), 0.5f);
}

void TestTimeCalc::emptyWeek_hasNoHoursUnderEitherRule()
{
    const clsWeek week;
    for (bool daily : {false, true}) {
        const OvertimeRule rule = ruleOf(daily, QString());
        QCOMPARE(week.NbrDays(), 0);
        QCOMPARE(week.WeekHours(), 0.0f);
        QCOMPARE(week.OvertimeHours(rule), 0.0f);
        QCOMPARE(week.RegularHours(rule), 0.0f);
        QCOMPARE(week.Error(), false);
    }
    QCOMPARE(clsTime().TotalHours(), 0.0f);
    QCOMPARE(clsDay().DayHours(), 0.0f);
}

void TestTimeCalc::overnightPeriod_isFiledUnderInDay_nextPeriodOpensNewDay()
{
    clsWeek week;
    week.AddPeriod(punches("11/04/2009", "22:00", "11/05/2009", "06:00"));
    week.AddPeriod(punches("11/05/2009", "22:00", "11/06/2009", "06:30"));
    QCOMPARE(week.NbrDays(), 2);
    QCOMPARE(week.Day(1).FirstPeriodDateIn(), QDate(2009, 11, 4));
    QCOMPARE(week.Day(1).DayHours(), 8.0f);
    QCOMPARE(week.Day(2).FirstPeriodDateIn(), QDate(2009, 11, 5));
    QCOMPARE(week.Day(2).DayHours(), 8.5f);
}

void TestTimeCalc::moreThanCapacity_keepsEveryPeriodAndDay()
{
    clsWeek week;
    for (int i = 0; i < 20; ++i)
        week.AddPeriod(periodOf(QDate(2009, 11, 2), 0.5f));
    QCOMPARE(week.Day(1).NbrPeriods(), 20);
    QCOMPARE(week.WeekHours(), 10.0f);
    // Alternating dates, as an out-of-order file gives them: every change opens a day.
    for (int i = 0; i < 10; ++i)
        week.AddPeriod(periodOf(QDate(2009, 11, 3 + i % 2), 1.0f));
    QCOMPARE(week.NbrDays(), 11);
    QCOMPARE(week.WeekHours(), 20.0f);
    clsTime t;
    for (int i = 0; i < 6; ++i)
        t.AddWeek(week);
    QCOMPARE(t.NbrWeeks(), 6);
    QCOMPARE(t.TotalHours(), 120.0f);
}

void TestTimeCalc::indexOutsideRange_givesEmptyObject()
{
    const clsTime t = timeOf(QStringLiteral("8"));
    QCOMPARE(t.Week(0).NbrDays(), 0);
    QCOMPARE(t.Week(2).NbrDays(), 0);
    QCOMPARE(t.Week(1).Day(2).NbrPeriods(), 0);
    QCOMPARE(t.Week(1).Day(-1).DayHours(), 0.0f);
    QCOMPARE(t.Week(1).Day(1).Period(16).Hours(), 0.0f);
    QCOMPARE(t.Week(1).Day(2).FirstPeriodDateIn(), QDate());
    QCOMPARE(t.Week(1).Day(1).Period(1).Hours(), 8.0f);
}

void TestTimeCalc::timeToHours_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("mode");
    QTest::addColumn<float>("hours");
    const struct
    {
        const char* time;
        int mode;
        float hours;
    } rows[] = {
        {"07:00", 1, 7.0f},       {"07:07", 1, 7.0f},  {"07:08", 1, 7.25f},
        {"07:22", 1, 7.25f},      {"07:23", 1, 7.5f},  {"07:37", 1, 7.5f},
        {"07:38", 1, 7.75f},      {"07:52", 1, 7.75f}, {"07:53", 1, 8.0f},
        {"07:59", 1, 8.0f},       {"16:07", 1, 16.0f}, {"23:55", 1, 24.0f},
        {"07:00", 2, 7.0f},       {"07:14", 2, 7.0f},  {"07:15", 2, 7.5f},
        {"07:44", 2, 7.5f},       {"07:45", 2, 8.0f},  {"07:59", 2, 8.0f},
        {"07:52", 0, 7.8666667f}, {"00:00", 0, 0.0f},  {"23:59", 0, float(23 + 59 / 60.0)},
        {"07:52", 7, 7.8666667f}, // an unknown mode does not round
    };
    for (const auto& r : rows)
        QTest::addRow("%s mode %d", r.time, r.mode)
            << QString::fromLatin1(r.time) << r.mode << r.hours;
}

void TestTimeCalc::timeToHours()
{
    QFETCH(QString, time);
    QFETCH(int, mode);
    QFETCH(float, hours);
    QCOMPARE(TimeToHours(time, mode), hours);
}

void TestTimeCalc::parseFileDateTime_carriesHandEditedHourIntoNextDay()
{
    QCOMPARE(ParseFileDateTime(QStringLiteral("01/15/2001"), QStringLiteral("08:05"), NewYork),
             QDateTime(QDate(2001, 1, 15), QTime(8, 5), NewYork));
    QCOMPARE(ParseFileDateTime(QStringLiteral("01/15/2001"), QStringLiteral("24:30"), NewYork),
             QDateTime(QDate(2001, 1, 16), QTime(0, 30), NewYork));
}

void TestTimeCalc::weeksInPeriod_roundsDaysOverSeven_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("weeks");
    for (auto [days, weeks] :
         {std::pair{7, 1}, {14, 2}, {21, 3}, {28, 4}, {3, 0}, {4, 1}, {0, 0}, {-6, 0}})
        QTest::addRow("%d days", days) << days << weeks;
}

void TestTimeCalc::weeksInPeriod_roundsDaysOverSeven()
{
    QFETCH(int, days);
    QFETCH(int, weeks);
    const QDate start(2009, 11, 2);
    QCOMPARE(WeeksInPeriod(start, start.addDays(days - 1)), weeks);
}

void TestTimeCalc::payPeriodFromWednesday_runsWednesdayToTuesday()
{
    const QByteArray file = fileOf({{"IN ", "11/03/2009", "08:00"},
                                    {"OUT", "11/03/2009", "16:00"},
                                    {"IN ", "11/04/2009", "08:00"},
                                    {"OUT", "11/04/2009", "12:00"},
                                    {"IN ", "11/10/2009", "08:00"},
                                    {"OUT", "11/10/2009", "10:00"},
                                    {"IN ", "11/11/2009", "08:00"},
                                    {"OUT", "11/11/2009", "09:00"}});
    const clsTime t = load(file, QDate(2009, 11, 4), QDate(2009, 11, 17));
    QCOMPARE(t.NbrWeeks(), 2);
    QCOMPARE(t.Week(1).NbrDays(), 2);
    QCOMPARE(t.Week(1).Day(1).FirstPeriodDateIn(), QDate(2009, 11, 4));
    QCOMPARE(t.Week(1).Day(2).FirstPeriodDateIn(), QDate(2009, 11, 10));
    QCOMPARE(t.Week(1).WeekHours(), 6.0f);
    QCOMPARE(t.Week(2).Day(1).FirstPeriodDateIn(), QDate(2009, 11, 11));
    QCOMPARE(t.TotalHours(), 7.0f);
}

void TestTimeCalc::nightShiftAcrossWeekBoundary_countsInFirstWeekOnly()
{
    const QByteArray file = fileOf({{"IN ", "11/08/2009", "22:00"},
                                    {"OUT", "11/09/2009", "06:00"},
                                    {"IN ", "11/09/2009", "22:00"},
                                    {"OUT", "11/10/2009", "06:00"}});
    const clsTime t = load(file, QDate(2009, 11, 2), QDate(2009, 11, 15));
    QCOMPARE(t.Week(1).WeekHours(), 8.0f);
    QCOMPARE(t.Week(1).Day(1).FirstPeriodDateIn(), QDate(2009, 11, 8));
    QCOMPARE(t.Week(2).WeekHours(), 8.0f);
    QCOMPARE(t.Week(2).Day(1).FirstPeriodDateIn(), QDate(2009, 11, 9));
    QCOMPARE(t.Week(2).NbrDays(), 1);
}

void TestTimeCalc::pairsBeforeAndAfterPeriod_areLeftOut()
{
    const QByteArray file = fileOf({{"IN ", "11/01/2009", "22:00"},
                                    {"OUT", "11/02/2009", "06:00"},
                                    {"IN ", "11/02/2009", "08:00"},
                                    {"OUT", "11/02/2009", "09:00"},
                                    {"IN ", "11/08/2009", "23:00"},
                                    {"OUT", "11/09/2009", "07:00"},
                                    {"IN ", "11/09/2009", "08:00"},
                                    {"OUT", "11/09/2009", "12:00"}});
    const clsTime t = load(file, QDate(2009, 11, 2), QDate(2009, 11, 8));
    QCOMPARE(t.NbrWeeks(), 1);
    QCOMPARE(t.Week(1).NbrDays(), 2);
    QCOMPARE(t.TotalHours(), 9.0f);
}

void TestTimeCalc::openInAtEndOfFile_contributesNothingUntilItsOut()
{
    QByteArray file = fileOf({{"IN ", "11/02/2009", "08:00"},
                              {"OUT", "11/02/2009", "12:00"},
                              {"IN ", "11/03/2009", "08:00"}});
    const QDate start(2009, 11, 2);
    QCOMPARE(load(file, start, start.addDays(6)).TotalHours(), 4.0f);
    file += punchLine("OUT", "11/03/2009", "11:00");
    QCOMPARE(load(file, start, start.addDays(6)).TotalHours(), 7.0f);
}

void TestTimeCalc::weekWithoutPunches_isPresentWithoutDays()
{
    const QByteArray file =
        fileOf({{"IN ", "11/10/2009", "08:00"}, {"OUT", "11/10/2009", "12:00"}});
    const clsTime t = load(file, QDate(2009, 11, 2), QDate(2009, 11, 22));
    QCOMPARE(t.NbrWeeks(), 3);
    QCOMPARE(t.Week(1).NbrDays(), 0);
    QCOMPARE(t.Week(2).NbrDays(), 1);
    QCOMPARE(t.Week(3).NbrDays(), 0);
}

void TestTimeCalc::roundingThroughFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addColumn<float>("hours");
    QTest::newRow("quarter 07:53-16:07") << 1 << "07:53"
                                         << "16:07" << 8.0f;
    QTest::newRow("quarter 07:52-16:08") << 1 << "07:52"
                                         << "16:08" << 8.5f;
    QTest::newRow("half 08:14-12:15") << 2 << "08:14"
                                      << "12:15" << 4.5f;
}

void TestTimeCalc::roundingThroughFile()
{
    QFETCH(int, mode);
    QFETCH(QString, in);
    QFETCH(QString, out);
    QFETCH(float, hours);
    const QByteArray file = punchLine("IN ", "11/02/2009", in.toLatin1()) +
                            punchLine("OUT", "11/02/2009", out.toLatin1());
    const clsTime t = load(file, QDate(2009, 11, 2), QDate(2009, 11, 8), mode);
    QCOMPARE(t.TotalHours(), hours);
    // The time card shows the exact punches, not the rounded ones.
    QCOMPARE(t.Week(1).Day(1).Period(1).m_In.time().toString(QStringLiteral("HH:mm")), in);
}

void TestTimeCalc::outOfOrderFile_equalsRecordSteps()
{
    TempProgramDir dir;
    const QByteArray file = fileOf({{"IN ", "11/05/2009", "08:00"},
                                    {"OUT", "11/05/2009", "12:00"},
                                    {"IN ", "11/03/2009", "08:00"},
                                    {"OUT", "11/03/2009", "09:00"},
                                    {"OUT", "11/04/2009", "10:00"},
                                    {"IN ", "11/04/2009", "13:00"},
                                    {"IN ", "10/01/2009", "08:00"},
                                    {"OUT", "11/04/2009", "16:00"},
                                    {"IN ", "11/20/2009", "08:00"},
                                    {"OUT", "11/20/2009", "16:00"},
                                    {"IN ", "11/04/2009", "07:00"},
                                    {"OUT", "11/04/2009", "08:00"},
                                    {"IN ", "11/06/2009", "08:00"}});
    dir.write(QStringLiteral("Mixed.txt"), file);
    const QDate start(2009, 11, 2);
    const QDate end(2009, 11, 15);
    const Result<clsTime> loaded =
        LoadPayPeriod(QStringLiteral("Mixed"), start, end, NoRounding, NewYork);
    QVERIFY2(loaded, qPrintable(loaded.message()));
    const clsTime& fast = *loaded;
    const clsTime steps = StepwiseLoadPayPeriod(dir.path(QStringLiteral("Mixed.txt")), start, end,
                                                NoRounding, NewYork);
    QCOMPARE(describe(fast), describe(steps));
    QVERIFY(fast.Week(1).NbrDays() > 0);
}

void TestTimeCalc::randomHandEditedFiles_equalRecordSteps()
{
    TempProgramDir dir;
    QRandomGenerator random(20091102);
    // Periods before, across and after daylight-saving changes.
    const QDate starts[] = {QDate(2009, 10, 28), QDate(2009, 11, 4), QDate(2010, 3, 10)};
    const char* actions[] = {"IN ", "OUT", "IN ", "OUT", "XYZ"};
    // Blank-padded dates read as the date they show: " 3/15/2010" and " 4/ 1/2010" fall inside the
    // periods from March 10, 2010, where a blank must not make the month compare as an earlier one.
    const char* oddDates[] = {"13/45/2009", "ab/cd/efgh", " 1/05/2010", "11/ 9/2009",
                              "00/00/0000", " 3/15/2010", " 4/ 1/2010"};
    const char* oddTimes[] = {" 8:05", "24:30", "xx:yy", "07:75", "+1:-5"};
    for (int round = 0; round < 600; ++round) {
        const QDate start = starts[round % 3];
        QByteArray file;
        const int records = random.bounded(40);
        const bool chronological = round % 2 == 0;
        QDate day = start.addDays(-10);
        for (int r = 0; r < records; ++r) {
            day = chronological ? day.addDays(random.bounded(2))
                                : start.addDays(random.bounded(-10, 36));
            const QByteArray date =
                random.bounded(15) == 0
                    ? QByteArray(oddDates[random.bounded(int(std::size(oddDates)))])
                    : day.toString(QStringLiteral("MM/dd/yyyy")).toLatin1();
            const QByteArray time = random.bounded(15) == 0
                                        ? QByteArray(oddTimes[random.bounded(5)])
                                        : QStringLiteral("%1:%2")
                                              .arg(random.bounded(24), 2, 10, QLatin1Char('0'))
                                              .arg(random.bounded(60), 2, 10, QLatin1Char('0'))
                                              .toLatin1();
            const char* action = chronological ? actions[r % 2] : actions[random.bounded(5)];
            file += punchLine(action, date.constData(), time.constData());
        }
        if (round % 7 == 0)
            file += "IN "; // a damaged tail is not a record
        dir.write(QStringLiteral("Random.txt"), file);
        const QDate end = start.addDays(7 * (1 + random.bounded(4)) - 1);
        const int mode = random.bounded(3);
        const Result<clsTime> fast =
            LoadPayPeriod(QStringLiteral("Random"), start, end, mode, NewYork);
        QVERIFY2(fast, qPrintable(fast.message()));
        const clsTime steps = StepwiseLoadPayPeriod(dir.path(QStringLiteral("Random.txt")), start,
                                                    end, mode, NewYork);
        QCOMPARE(describe(*fast), describe(steps));
    }
}

void TestTimeCalc::pairPastEndOfFile_isNotRead()
{
    // Two INs before the week count four records before it, more than the file holds.
    const QByteArray file = fileOf({{"IN ", "11/01/2009", "08:00"},
                                    {"IN ", "11/01/2009", "09:00"},
                                    {"IN ", "11/02/2009", "10:00"},
                                    {"IN ", "11/03/2009", "08:00"},
                                    {"OUT", "11/03/2009", "09:00"}});
    const clsTime t = load(file, QDate(2009, 11, 2), QDate(2009, 11, 8));
    // Records 5 and 6 would be the first pair; only record 5 exists.
    QCOMPARE(t.Week(1).NbrDays(), 0);
}

void TestTimeCalc::missingTimeFile_givesEmptyWeeksAndIsNotCreated()
{
    TempProgramDir dir;
    const Result<clsTime> t = LoadPayPeriod(QStringLiteral("Nobody"), QDate(2009, 11, 2),
                                            QDate(2009, 11, 15), NoRounding, NewYork);
    QVERIFY2(t, qPrintable(t.message()));
    QCOMPARE(t->NbrWeeks(), 2);
    QCOMPARE(t->TotalHours(), 0.0f);
    QVERIFY(!dir.exists(QStringLiteral("Nobody.txt")));
}

void TestTimeCalc::unreadableTimeFile_isReportedByName()
{
    TempProgramDir dir;
    dir.write(QStringLiteral("Locked.txt"), punchLine("IN ", "11/02/2009", "08:00"));
    FileStore::setFaultHook(
        [](const char* call, const QString&) { return QByteArray(call) == "read" ? EACCES : 0; });
    const Result<clsTime> t = LoadPayPeriod(QStringLiteral("Locked"), QDate(2009, 11, 2),
                                            QDate(2009, 11, 8), NoRounding, NewYork);
    FileStore::setFaultHook({});
    QVERIFY(!t);
    QVERIFY(t.message().contains(QStringLiteral("Locked.txt")));
}

QTEST_GUILESS_MAIN(TestTimeCalc)
#include "tst_timecalc.moc"
