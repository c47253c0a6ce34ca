#include "sync/ServerCorrections.h"

#include "data/FileStore.h"
#include "data/TimeFile.h"
#include "sync/PunchRows.h"
#include "sync/SyncDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Lines a correction adds belong to no station; no station may have an empty name.
const QString CorrectedLines = QStringLiteral("");

IoResult MergedLines(SyncDatabase& database, const QString& employee, QByteArray* bytes)
{
    bytes->clear();
    ServerRows* query = nullptr;
    IoResult r = database.exec(&query,
                               QStringLiteral("SELECT line FROM horodex_punch WHERE employee = ? "
                                              "AND NOT removed ORDER BY ") +
                                   PunchOrder(),
                               {employee}, "read punches");
    while (r && query->next()) {
        const QByteArray line = query->value(0).toByteArray();
        if (line.size() != TimeRecord::Size)
            return IoResult::failure(BadPunchRowMessage(employee));
        *bytes += line;
    }
    return r;
}

IoResult Run(SyncDatabase& database, const QString& sql, std::initializer_list<QVariant> values,
             const char* what)
{
    ServerRows* query = nullptr;
    return database.exec(&query, sql, values, what);
}

IoResult AddLines(SyncDatabase& database, const QString& employee, const QByteArray& lines)
{
    ServerRows* next = nullptr;
    IoResult r = database.exec(&next,
                               QStringLiteral("SELECT COALESCE(max(byte_offset) + 31, 0) FROM "
                                              "horodex_punch WHERE station = ? AND origin = '' "
                                              "AND employee = ?"),
                               {CorrectedLines, employee}, "correct punches");
    if (!r || lines.isEmpty())
        return r;
    next->next();
    return StorePunchLines(database, CorrectedLines, QByteArray(), employee,
                           next->value(0).toLongLong(), lines);
}

IoResult LastChainHash(SyncDatabase& database, QByteArray* hash)
{
    *hash = CorrectionChainStart();
    ServerRows* last = nullptr;
    const IoResult r = database.exec(&last,
                                     QStringLiteral("SELECT line FROM horodex_correction ORDER BY "
                                                    "seq DESC LIMIT 1"),
                                     {}, "read the record of corrections");
    if (r && last->next()) {
        const QByteArray line = last->value(0).toString().toUtf8();
        *hash = line.mid(line.lastIndexOf('\t') + 1);
    }
    return r;
}

} // namespace

IoResult RecordServerCorrections(SyncDatabase& database, const QString& employee,
                                 const QList<Correction>& corrections)
{
    if (corrections.isEmpty())
        return IoResult::success();
    // Stations re-sending at the same moment each chain to the last entry: one at a time.
    IoResult r =
        database.run(QStringLiteral("LOCK TABLE horodex_correction IN SHARE ROW EXCLUSIVE MODE"),
                     "lock the record of corrections");
    QByteArray previous;
    if (r)
        r = LastChainHash(database, &previous);
    const QByteArray lines = r ? FormatCorrections(corrections, previous) : QByteArray();
    for (const QByteArray& line : lines.split('\n')) {
        if (r && !line.isEmpty())
            r = Run(database,
                    QStringLiteral("INSERT INTO horodex_correction (employee, line) VALUES (?, ?)"),
                    {employee, QString::fromUtf8(line)}, "record the corrections");
    }
    return r;
}

IoResult ReadServerTimeCard(SyncDatabase& database, const QString& employee, TimeCard* card)
{
    QByteArray bytes;
    if (IoResult r = MergedLines(database, employee, &bytes); !r)
        return r;
    *card = ParseTimeCard(bytes);
    return IoResult::success();
}

IoResult SaveServerCorrections(SyncDatabase& database, const QString& employee,
                               const TimeCard& read, const QList<TimeCardLine>& corrected,
                               const QList<Correction>& corrections)
{
    const std::optional<QByteArray> bytes = SerializeTimeCard(corrected);
    if (!bytes)
        return IoResult::failure(
            QStringLiteral("The time card of \"%1\" was not saved: a line that cannot be read is "
                           "still there. Correct it or delete it first.")
                .arg(FileStore::displayText(employee)));
    if (IoResult r = database.begin(); !r)
        return r;
    // Stations wait with their punches until the card is saved, so none is lost in between.
    IoResult r = database.run(QStringLiteral("LOCK TABLE horodex_punch, horodex_correction IN "
                                             "SHARE ROW EXCLUSIVE MODE"),
                              "lock the punches");
    QByteArray now;
    if (r)
        r = MergedLines(database, employee, &now);
    if (r && now != read.original)
        r = IoResult::failure(
            QStringLiteral("The time card of \"%1\" changed while it was being corrected (a "
                           "station sent a punch meanwhile). Nothing was saved: open it again.")
                .arg(FileStore::displayText(employee)));
    if (r)
        r = RemovePunchLines(database, employee);
    if (r)
        r = AddLines(database, employee, *bytes);
    if (r)
        r = RecordServerCorrections(database, employee, corrections);
    return database.finish(r);
}

IoResult ReadServerCorrectionLog(SyncDatabase& database, QByteArray* bytes)
{
    bytes->clear();
    ServerRows* query = nullptr;
    IoResult r =
        database.exec(&query, QStringLiteral("SELECT line FROM horodex_correction ORDER BY seq"),
                      {}, "read the record of corrections");
    while (r && query->next())
        *bytes += query->value(0).toString().toUtf8() + '\n';
    return r;
}

IoResult ReadServerCorrectionHead(SyncDatabase& database, CorrectionLogHead* head)
{
    *head = CorrectionLogHead::of(0, CorrectionChainStart());
    ServerRows* query = nullptr;
    const IoResult r = database.exec(
        &query,
        QStringLiteral("SELECT count(*), (SELECT line FROM horodex_correction ORDER BY seq DESC "
                       "LIMIT 1) FROM horodex_correction"),
        {}, "read the record of corrections");
    if (r && query->next() && query->value(0).toLongLong() > 0) {
        const QByteArray line = query->value(1).toString().toUtf8();
        *head = CorrectionLogHead::of(query->value(0).toLongLong(),
                                      line.mid(line.lastIndexOf('\t') + 1));
    }
    return r;
}

namespace {

IoResult LockRecord(SyncDatabase& database)
{
    // Conflicts with itself and with a save of corrections, so neither lands in between.
    return database.run(QStringLiteral("LOCK TABLE horodex_correction IN SHARE ROW EXCLUSIVE MODE"),
                        "lock the record of corrections");
}

// The rows in one statement, in order: the record may be long and the server far away.
IoResult AppendRecordLines(SyncDatabase& database, const QList<Correction>& corrections,
                           const QList<QByteArray>& lines)
{
    QJsonArray rows;
    for (qsizetype i = 0; i < lines.size(); ++i)
        rows.append(QJsonArray{corrections[i].employee, QString::fromUtf8(lines[i])});
    return Run(database,
               QStringLiteral("INSERT INTO horodex_correction (employee, line) SELECT r->>0, r->>1 "
                              "FROM jsonb_array_elements(?::jsonb) WITH ORDINALITY AS t(r, n) "
                              "ORDER BY n"),
               {QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))},
               "carry the record of corrections over");
}

QString NotCarried(const QString& why)
{
    return QStringLiteral("The record of corrections of this station was not carried over to "
                          "the server: %1")
        .arg(why);
}

} // namespace

IoResult CarryOverCorrectionLog(SyncDatabase& database, qsizetype* carried)
{
    qsizetype added = 0;
    if (carried)
        *carried = 0;
    QByteArray bytes;
    if (IoResult r = FileStore::readFile(CorrectionLogPath(), &bytes, MaxCorrectionLogSize, true);
        !r)
        return r;
    const QList<QByteArray> mine = CorrectionLogLines(bytes);
    if (mine.isEmpty())
        return IoResult::success();
    const CorrectionLogContents contents = ParseCorrectionLog(bytes);
    if (!contents.intact())
        return IoResult::failure(NotCarried(contents.verdict()));
    if (IoResult r = database.begin(); !r)
        return r;
    IoResult r = LockRecord(database);
    QByteArray stored;
    if (r)
        r = ReadServerCorrectionLog(database, &stored);
    const QList<QByteArray> theirs = CorrectionLogLines(stored);
    if (r && FirstLineNotIn(theirs, mine) == 0) {
        added = mine.size() - theirs.size();
        if (added > 0)
            r = AppendRecordLines(database, contents.corrections.mid(theirs.size()),
                                  mine.mid(theirs.size()));
    } else if (r && FirstLineNotIn(mine, theirs) != 0) {
        r = IoResult::failure(NotCarried(
            QStringLiteral("line %1 of %2 differs from that line of the server's record (%3); "
                           "\"horodex-report corrections --verify\" compares them.")
                .arg(FirstLineNotIn(mine, theirs))
                .arg(LocalCorrectionLogName(), database.address().describe())));
    }
    r = database.finish(r);
    if (r && carried)
        *carried = added;
    return r;
}
