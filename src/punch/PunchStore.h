#pragma once

#include "data/CorrectionLog.h"
#include "data/Result.h"
#include "data/TimeCard.h"
#include "data/TimeFile.h"
#include "timecalc/clsTime.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <functional>
#include <optional>

// Where punches are recorded and where the punches of the station, Who Is In, the payroll reports
// and Correct Time Card come from: the time files of the data folder (DataFolderPunches(), here),
// or the punches of every station on the server (src/sync). The program and horodex-report
// choose one at start; windows and commands take it and never ask which it is.
class PunchStore
{
public:
    virtual ~PunchStore() = default;

    // Appends the employee's punch for the current time to his time file, through the file
    // layer, and hands back the line written; fails, naming the file, when it is not on disk.
    virtual Result<TimeRecord> recordPunch(const QString& name, bool isIn) = 0;

    // The one punch that decides which of IN and OUT the employee may press: his newest (none
    // without a punch), or why it cannot be read.
    virtual Result<std::optional<TimeRecord>> lastPunch(const QString& name) = 0;

    // What decides an employee's last action: his newest punch wherever it was made (none
    // without a punch), or why his punches cannot be read.
    struct LastPunch
    {
        std::optional<TimeRecord> record;
        QString problem;
    };
    // Every listed employee gets an entry; fails only when nothing could be read.
    virtual IoResult lastPunches(const QStringList& employees,
                                 QHash<QString, LastPunch>* punches) = 0;

    // The pay period of each listed employee (names trimmed) from `from` to `to`, with times
    // rounded by roundingMode, handed to `add` one employee at a time in the order given, so
    // that his time objects may go before the next is read.
    using PayPeriodSink = std::function<void(qsizetype index, const clsTime& time)>;
    virtual IoResult payPeriods(const QStringList& employees, QDate from, QDate to,
                                int roundingMode, const QTimeZone& zone,
                                const PayPeriodSink& add) = 0;

    // An employee's time card to correct, and its corrections saved (only if it did not change
    // since it was read) with the record of them.
    virtual IoResult readTimeCard(const QString& employee, TimeCard* card) = 0;
    virtual IoResult saveCorrections(const QString& employee, const TimeCard& read,
                                     const QList<TimeCardLine>& corrected,
                                     const QList<Correction>& corrections) = 0;
    // The head of the record of corrections, to be written down.
    virtual IoResult correctionLogHead(CorrectionLogHead* head) = 0;

    // The record of corrections that counts, as the lines of a corrections.log, read.
    struct CorrectionRecord
    {
        QByteArray bytes;
        CorrectionLogContents contents;
        QString name; // which record it is, for messages
    };
    virtual IoResult correctionRecord(CorrectionRecord* record) = 0;
};

// The time files and corrections.log of the data folder.
PunchStore& DataFolderPunches();
