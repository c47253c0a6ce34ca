#pragma once

#include "testsupport/TestSupport.h"

#include <QByteArray>
#include <QString>

// One week of an employee paid 15.00 and 22.50 an hour, and its daily-hours payroll report
// under the weekly 40-hour rule, without rounding, as the report window shows it.
namespace SampleReport {

inline QByteArray punchPair(const char* dayIn, const char* in, const char* dayOut, const char* out)
{
    return punchLine("IN", dayIn, in) + punchLine("OUT", dayOut, out);
}

// Monday 2 to Saturday 7 November 2009, with a night from Wednesday to Thursday.
inline QByteArray weekOfPunches()
{
    return punchPair("11/02/2009", "08:00", "11/02/2009", "12:00") +
           punchPair("11/02/2009", "13:00", "11/02/2009", "17:30") +
           punchPair("11/03/2009", "08:00", "11/03/2009", "17:00") +
           punchPair("11/04/2009", "22:00", "11/05/2009", "06:30") +
           punchPair("11/06/2009", "07:45", "11/06/2009", "20:15") +
           punchPair("11/07/2009", "09:00", "11/07/2009", "15:00");
}

inline const QString Header =
    QStringLiteral("Employee Name:    Sample Employee\r\n"
                   "Payroll period:   11/2/2009 To 11/8/2009\r\n"
                   "============================================================\r\n"
                   "\r\n");
inline const QString Detail = QStringLiteral("Date                         Hours Worked  \r\n"
                                             "\r\n"
                                             "November     02, 2009          8.50\r\n"
                                             "November     03, 2009          9.00\r\n"
                                             "November     04, 2009          8.50\r\n"
                                             "November     06, 2009         12.50\r\n"
                                             "November     07, 2009          6.00\r\n"
                                             "\r\n");
inline const QString Summary =
    QStringLiteral("============================================================\r\n"
                   "Regular Time:     40.00 hours @      $15.00 =      $600.00\r\n"
                   "Over Time:         4.50 hours @      $22.50 =      $101.25\r\n"
                   "============================================================\r\n"
                   "Gross Earnings:                                    $701.25");

} // namespace SampleReport
