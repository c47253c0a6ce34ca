#include "sync/PunchSender.h"

#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/TimeFile.h"
#include "sync/PunchRows.h"
#include "sync/SentLedger.h"
#include "sync/ServerCorrections.h"
#include "sync/SyncDatabase.h"

#include <QCryptographicHash>
#include <QList>

#include <algorithm>

namespace {

constexpr qint64 DefaultRowsPerTransaction = 20000;
// One statement carries at most this many lines: two megabytes of a long backlog.
constexpr qint64 MaxRowsPerStatement = 65536;

struct Pending
{
    QString employee;
    qint64 from = 0; // acknowledged bytes
    qint64 to = 0;   // end of the last whole line
};

// What the round found of each time file.
struct Survey
{
    QList<Pending> pending;
    QStringList unknown;   // files the ledger does not know: looked for on the server
    QStringList rewritten; // files that no longer begin with what was sent
    QHash<QString, qint64> whole;
};

IoResult CheckStation(const SentLedger& ledger, const QString& station)
{
    if (ledger.station.isEmpty() || ledger.station == station)
        return IoResult::success();
    return IoResult::failure(
        QStringLiteral("This station's punches were sent as station \"%1\", but station.ini now "
                       "names it \"%2\": sending them again under the new name would count them "
                       "twice. Put the old name back in station.ini.")
            .arg(FileStore::displayText(ledger.station), FileStore::displayText(station)));
}

// The first length bytes of the employee's time file.
IoResult ReadPrefix(const QString& employee, qint64 from, qint64 length, QByteArray* bytes)
{
    FileStore::Reader file;
    if (IoResult r = file.open(TimeFilePath(employee)); !r)
        return r;
    bytes->resize(qsizetype(length));
    return file.readAt(from, bytes->data(), length);
}

// SHA-256 of the first length bytes, read a piece at a time.
IoResult PrefixDigest(const QString& employee, qint64 length, QByteArray* digest)
{
    FileStore::Reader file;
    if (IoResult r = file.open(TimeFilePath(employee)); !r)
        return r;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray piece;
    constexpr qint64 Piece = 1 << 20;
    for (qint64 at = 0; at < length; at += Piece) {
        const qint64 n = std::min(Piece, length - at);
        piece.resize(qsizetype(n));
        if (IoResult r = file.readAt(at, piece.data(), n); !r)
            return r;
        hash.addData(piece);
    }
    *digest = hash.result().toHex();
    return IoResult::success();
}

// The time files with lines past what the server acknowledged, and those to look at closer.
IoResult SurveyFiles(const SentLedger& ledger, bool verifyAll, Survey* survey,
                     QStringList* problems)
{
    // A punch station gets its list from the head station: until then it has nothing to send.
    if (FileStore::examine(EmployeeListPath()).kind == FileStore::Entry::Kind::Missing)
        return IoResult::success();
    EmployeeList list;
    if (IoResult read = ReadEmployeeList(&list); !read)
        return read;
    for (const EmployeeRecord& record : list.records) {
        const QString name = record.Name.trimmed();
        if (name.isEmpty())
            continue;
        const FileStore::Entry entry = FileStore::examine(TimeFilePath(name));
        if (entry.kind == FileStore::Entry::Kind::Missing)
            continue;
        if (entry.kind != FileStore::Entry::Kind::Regular) {
            problems->append(QStringLiteral("The time file of \"%1\" is not sent: it is no plain "
                                            "file.")
                                 .arg(FileStore::displayText(name)));
            continue;
        }
        const qint64 whole = entry.size - entry.size % TimeRecord::Size;
        survey->whole.insert(name, whole);
        const SentFile sent = ledger.files.value(name);
        if (sent.origin.isEmpty()) {
            if (whole > 0)
                survey->unknown.append(name);
            continue;
        }
        if (whole < sent.acknowledged) {
            survey->rewritten.append(name);
            continue;
        }
        // Never send from an offset without knowing the file still begins with what was sent.
        if (whole > sent.acknowledged || verifyAll) {
            QByteArray digest;
            if (IoResult r = PrefixDigest(name, sent.acknowledged, &digest); !r)
                return r;
            if (digest != sent.digest) {
                survey->rewritten.append(name);
                continue;
            }
        }
        if (whole > sent.acknowledged)
            survey->pending.append({name, sent.acknowledged, whole});
    }
    return IoResult::success();
}

// The lines this station's name holds on the server for each file, by origin: a file whose
// beginning is exactly the lines of one origin continues it (this station's record of sent
// lines was lost, or is of the first format). Any other file starts an origin of its own, so a
// second computer under the same name never loses a line to the first.
IoResult FindOnServer(SyncDatabase& database, const QString& station, Survey* survey,
                      SentLedger* ledger)
{
    if (survey->unknown.isEmpty())
        return IoResult::success();
    QSqlQuery* query = nullptr;
    if (IoResult r = database.exec(
            &query,
            QStringLiteral("SELECT employee, origin, count(*), min(byte_offset), max(byte_offset),"
                           " encode(sha256(string_agg(line, ''::bytea ORDER BY byte_offset)),"
                           " 'hex') FROM horodex_punch WHERE station = ? AND employee ="
                           " ANY(string_to_array(CAST(? AS text), chr(10)))"
                           " GROUP BY employee, origin"),
            {station, survey->unknown.join(u'\n')}, "look for this station's punches");
        !r)
        return r;
    struct Found
    {
        QByteArray origin;
        qint64 length = 0;
        QByteArray digest;
    };
    QHash<QString, QList<Found>> found;
    while (query->next()) {
        const qint64 count = query->value(2).toLongLong();
        // Only an unbroken run of lines from the start can be a file's beginning.
        if (query->value(3).toLongLong() != 0 ||
            query->value(4).toLongLong() != (count - 1) * TimeRecord::Size)
            continue;
        found[query->value(0).toString()].append({query->value(1).toString().toLatin1(),
                                                  count * TimeRecord::Size,
                                                  query->value(5).toString().toLatin1()});
    }
    for (const QString& name : std::as_const(survey->unknown)) {
        SentFile file{0, NewIdentity(), DigestOf(QByteArray())};
        QList<Found> candidates = found.value(name);
        std::sort(candidates.begin(), candidates.end(),
                  [](const Found& a, const Found& b) { return a.length > b.length; });
        for (const Found& candidate : candidates) {
            if (candidate.length > survey->whole.value(name))
                continue;
            QByteArray digest;
            if (IoResult r = PrefixDigest(name, candidate.length, &digest); !r)
                return r;
            if (digest != candidate.digest)
                continue;
            file = {candidate.length, candidate.origin, digest};
            if (file.origin.isEmpty()) {
                // Lines of the first format have no origin: they become this file's.
                file.origin = NewIdentity();
                QSqlQuery* claim = nullptr;
                if (IoResult r = database.exec(
                        &claim,
                        QStringLiteral("UPDATE horodex_punch SET origin = ? WHERE station = ? AND "
                                       "origin = '' AND employee = ?"),
                        {OriginText(file.origin), station, name}, "claim punches");
                    !r)
                    return r;
            }
            break;
        }
        ledger->files.insert(name, file);
        if (survey->whole.value(name) > file.acknowledged)
            survey->pending.append({name, file.acknowledged, survey->whole.value(name)});
    }
    return IoResult::success();
}

// The corrections that turn the old lines into the new ones, as a multiset: each line that
// went is deleted, each that came is added.
QList<Correction> Differences(const QString& employee, const QString& station,
                              QList<QByteArray> old, const QList<QByteArray>& now)
{
    QList<Correction> corrections;
    const QString reason =
        QStringLiteral("time file rewritten at station \"%1\" while it was not connected")
            .arg(station);
    const QDateTime when = Environment::now();
    QList<QByteArray> added;
    for (const QByteArray& line : now) {
        if (!old.removeOne(line))
            added.append(line);
    }
    for (const QByteArray& line : std::as_const(old))
        corrections.append(
            {when, employee, Correction::Kind::Deleted, line.chopped(2), {}, reason});
    for (const QByteArray& line : std::as_const(added))
        corrections.append({when, employee, Correction::Kind::Added, {}, line.chopped(2), reason});
    return corrections;
}

QList<QByteArray> Lines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    for (qsizetype at = 0; at + TimeRecord::Size <= bytes.size(); at += TimeRecord::Size)
        lines.append(bytes.mid(at, TimeRecord::Size));
    return lines;
}

// In one transaction: the file's old lines on the server are marked removed, its lines now are
// stored under a new origin, and the change goes into the record of corrections.
IoResult ReplaceRewritten(SyncDatabase& database, const QString& station, const QString& name,
                          qint64 whole, SentLedger* ledger)
{
    const SentFile old = ledger->files.value(name);
    QByteArray bytes;
    if (IoResult r = ReadPrefix(name, 0, whole, &bytes); !r)
        return r;
    if (IoResult r = database.begin(); !r)
        return r;
    QSqlQuery* query = nullptr;
    IoResult r = database.exec(&query,
                               QStringLiteral("SELECT line FROM horodex_punch WHERE station = ? "
                                              "AND origin = ? AND employee = ? AND NOT removed "
                                              "ORDER BY byte_offset"),
                               {station, OriginText(old.origin), name}, "read punches");
    QList<QByteArray> was;
    while (r && query->next())
        was.append(query->value(0).toByteArray());
    if (r)
        r = RemovePunchLines(database, name, station, old.origin);
    const SentFile now{whole, NewIdentity(), DigestOf(bytes)};
    if (r && whole > 0)
        r = StorePunchLines(database, station, now.origin, name, 0, bytes);
    if (r)
        r = RecordServerCorrections(database, name, Differences(name, station, was, Lines(bytes)));
    if (r = database.finish(r); !r)
        return r;
    ledger->files.insert(name, now);
    return WriteSentLedger(*ledger);
}

qint64 WaitingLines(const QList<Pending>& pending)
{
    qint64 lines = 0;
    for (const Pending& p : pending)
        lines += (p.to - p.from) / TimeRecord::Size;
    return lines;
}

} // namespace

IoResult SendPunches(SyncDatabase& database, const QString& station, SendOutcome* outcome,
                     qint64 rowsPerTransaction, bool verifyAll)
{
    *outcome = SendOutcome();
    if (rowsPerTransaction <= 0)
        rowsPerTransaction = DefaultRowsPerTransaction;
    SentLedger ledger;
    if (IoResult r = ReadOrStartSentLedger(&ledger); !r)
        return r;
    if (IoResult r = CheckStation(ledger, station); !r)
        return r;
    ledger.station = station;
    Survey survey;
    if (IoResult r = SurveyFiles(ledger, verifyAll, &survey, &outcome->problems); !r)
        return r;
    for (const QString& name : std::as_const(survey.rewritten)) {
        if (IoResult r =
                ReplaceRewritten(database, station, name, survey.whole.value(name), &ledger);
            !r)
            return r;
        outcome->replaced.append(name);
        outcome->sent += survey.whole.value(name) / TimeRecord::Size;
    }
    if (!survey.unknown.isEmpty()) {
        if (IoResult r = database.begin(); !r)
            return r;
        if (IoResult r = database.finish(FindOnServer(database, station, &survey, &ledger)); !r)
            return r;
        if (IoResult r = WriteSentLedger(ledger); !r)
            return r;
    }
    QList<Pending>& pending = survey.pending;
    outcome->waiting = WaitingLines(pending);
    qsizetype next = 0;
    while (next < pending.size()) {
        if (IoResult r = database.begin(); !r)
            return r;
        SentLedger after = ledger;
        qint64 rows = 0;
        while (next < pending.size() && rows < rowsPerTransaction) {
            Pending& p = pending[next];
            const qint64 lines = std::min({(p.to - p.from) / TimeRecord::Size, MaxRowsPerStatement,
                                           rowsPerTransaction - rows});
            QByteArray block;
            IoResult r = ReadPrefix(p.employee, p.from, lines * TimeRecord::Size, &block);
            SentFile& file = after.files[p.employee];
            if (r)
                r = StorePunchLines(database, station, file.origin, p.employee, p.from, block);
            if (!r) {
                database.rollback();
                return r;
            }
            rows += lines;
            p.from += lines * TimeRecord::Size;
            file.acknowledged = p.from;
            if (p.from == p.to)
                ++next;
        }
        if (IoResult r = database.commit(); !r)
            return r;
        // The digests of what the server now holds, for the next round's check.
        for (auto it = after.files.begin(); it != after.files.end(); ++it) {
            if (it->acknowledged == ledger.files.value(it.key()).acknowledged)
                continue;
            if (IoResult r = PrefixDigest(it.key(), it->acknowledged, &it->digest); !r)
                return r;
        }
        // Only now is it the server's: a crash before this line sends the block again.
        if (IoResult r = WriteSentLedger(after); !r)
            return r;
        ledger = after;
        outcome->sent += rows;
        outcome->waiting -= rows;
    }
    return IoResult::success();
}

IoResult CountWaitingPunches(const QString& station, qint64* waiting)
{
    *waiting = 0;
    SentLedger ledger;
    if (IoResult r = ReadSentLedger(&ledger); !r)
        return r;
    if (IoResult r = CheckStation(ledger, station); !r)
        return r;
    Survey survey;
    QStringList problems;
    if (IoResult r = SurveyFiles(ledger, false, &survey, &problems); !r)
        return r;
    *waiting = WaitingLines(survey.pending);
    for (const QString& name : std::as_const(survey.unknown))
        *waiting += survey.whole.value(name) / TimeRecord::Size;
    return IoResult::success();
}
