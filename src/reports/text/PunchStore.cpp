#include "reports/text/PunchStore.h"

#include "timecalc/TimeManipulation.h"

namespace {

class FolderPunchStore final : public PunchStore
{
public:
    IoResult lastPunches(const QStringList& employees, QHash<QString, LastPunch>* punches) override
    {
        punches->clear();
        for (const QString& name : employees) {
            LastPunch last;
            bool whole = true;
            if (const IoResult r = ReadLastRecord(name, &last.record, &whole); !r)
                last.problem = r.error;
            else if (!whole)
                last.problem = QStringLiteral("The time file \"%1\" is invalid: its length is not "
                                              "a whole number of punches.")
                                   .arg(FileStore::displayPath(TimeFilePath(name)));
            if (!last.problem.isEmpty())
                last.record.reset();
            punches->insert(name, last);
        }
        return IoResult::success();
    }

    Result<bool> payPeriods(const QStringList& employees, QDate from, QDate to, int roundingMode,
                            const QTimeZone& zone, const PayPeriodSink& add) override
    {
        for (qsizetype i = 0; i < employees.size(); ++i) {
            IoResult read;
            const clsTime time =
                LoadPayPeriod(employees.at(i), from, to, roundingMode, zone, &read);
            if (!read)
                return Failure{read.error, TimeFilePath(employees.at(i))};
            add(i, time);
        }
        return true;
    }

    IoResult readTimeCard(const QString& employee, TimeCard* card) override
    {
        return ReadTimeCard(employee, card);
    }

    IoResult saveCorrections(const QString& employee, const TimeCard& read,
                             const QList<TimeCardLine>& corrected,
                             const QList<Correction>& corrections) override
    {
        return SaveCorrectedTimeCard(employee, read, corrected, corrections);
    }

    IoResult correctionLogHead(CorrectionLogHead* head) override
    {
        return ReadCorrectionLogHead(head);
    }
};

} // namespace

PunchStore& DataFolderPunches()
{
    static FolderPunchStore store;
    return store;
}
