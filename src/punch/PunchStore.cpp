#include "punch/PunchStore.h"

#include "data/FileStore.h"
#include "timecalc/TimeManipulation.h"

namespace {

class FolderPunchStore final : public PunchStore
{
public:
    Result<TimeRecord> recordPunch(const QString& name, bool isIn) override
    {
        TimeRecord written;
        if (const IoResult appended = RecordPunch(name, isIn, &written); !appended)
            return appended;
        return written;
    }

    Result<std::optional<TimeRecord>> lastPunch(const QString& name) override
    {
        return ReadLastPunch(name);
    }

    IoResult lastPunches(const QStringList& employees, QHash<QString, LastPunch>* punches) override
    {
        punches->clear();
        for (const QString& name : employees) {
            LastPunch last;
            bool whole = true;
            if (const IoResult r = ReadLastRecord(name, &last.record, &whole); !r)
                last.problem = r.error;
            else if (!whole)
                last.problem = TimeFileLengthMessage(TimeFilePath(name));
            if (!last.problem.isEmpty())
                last.record.reset();
            punches->insert(name, last);
        }
        return IoResult::success();
    }

    IoResult payPeriods(const QStringList& employees, QDate from, QDate to, int roundingMode,
                        const QTimeZone& zone, const PayPeriodSink& add) override
    {
        for (qsizetype i = 0; i < employees.size(); ++i) {
            const Result<clsTime> time =
                LoadPayPeriod(employees.at(i), from, to, roundingMode, zone);
            if (!time)
                return time.failure();
            add(i, *time);
        }
        return IoResult::success();
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

    IoResult correctionRecord(CorrectionRecord* record) override
    {
        record->name = LocalCorrectionLogName();
        const IoResult read =
            FileStore::readFile(CorrectionLogPath(), &record->bytes, MaxCorrectionLogSize, true);
        record->contents = read ? ParseCorrectionLog(record->bytes) : CorrectionLogContents{};
        record->contents.found = FileStore::exists(CorrectionLogPath());
        return read;
    }
};

} // namespace

PunchStore& DataFolderPunches()
{
    static FolderPunchStore store;
    return store;
}
