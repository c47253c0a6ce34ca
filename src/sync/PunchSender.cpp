#include "sync/PunchSender.h"

#include "data/BadgeFile.h"
#include "data/CorrectionLog.h"
#include "data/EmployeeList.h"
#include "data/Environment.h"
#include "data/FileStore.h"
#include "data/PunchLine.h"
#include "data/TimeFile.h"
#include "sync/FileOrigins.h"
#include "sync/PunchRows.h"
#include "sync/SentLedger.h"
#include "sync/ServerCorrections.h"
#include "sync/SyncDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

constexpr qint64 DefaultRowsPerStatement = 20000;
// A round that stored this many lines (a first upload) brings the server's statistics up to
// date at once, rather than when autovacuum gets to it.
constexpr qint64 BulkRows = 50000;
// One statement carries at most this many lines: two megabytes of a long backlog.
constexpr qint64 MaxRowsPerStatement = 65536;
// The class of the server's advisory locks taken on one station's time file.
constexpr int FileLockClass = 0x486f72;

struct Pending
{
    QString employee;
    qint64 from = 0; // acknowledged bytes
    qint64 to = 0;   // end of the last whole line
    // The file's origin was made in this round and the server held nothing of it: no line of
    // another can be at its places, so none is looked for (a first upload goes as fast as it
    // can).
    bool fresh = false;
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

// Whether the file begins as a time file does: a punch line.
bool BeginsAsTimeFile(const QString& path)
{
    FileStore::Reader file;
    QByteArray line(TimeRecord::Size, '\0');
    if (!file.open(path) || !file.readAt(0, line.data(), line.size()))
        return false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char shape = PunchLine::Shape[i];
        const char c = line.at(i);
        if ((shape == '9' && (c < '0' || c > '9')) || (shape != '9' && shape != 'A' && c != shape))
            return false;
    }
    const QByteArrayView action = PunchLine::field(line, PunchLine::Action);
    return action == PunchLine::In || action == PunchLine::Out;
}

// The employees of the list, then every other time file of the folder (an employee taken off
// the list keeps the punches he made: they are sent as well).
QStringList TimeFileNames(const EmployeeList& list)
{
    QStringList names;
    QSet<QString> listed;
    for (const EmployeeRecord& record : list.records) {
        const QString name = record.Name.trimmed();
        if (!name.isEmpty() && !listed.contains(name)) {
            names.append(name);
            listed.insert(name);
        }
    }
    const QString badges = QFileInfo(BadgeFilePath()).fileName();
    const QStringList files =
        QDir(Environment::dataDirectory())
            .entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QString& file : files) {
        const QString name = file.chopped(4);
        if (file != badges && !listed.contains(name) && BeginsAsTimeFile(TimeFilePath(name)))
            names.append(name);
    }
    return names;
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
    for (const QString& name : TimeFileNames(list)) {
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

// How many whole lines a and b share from their start.
qint64 CommonLines(const QByteArray& a, const QByteArray& b)
{
    qint64 lines = 0;
    const qint64 most = std::min(a.size(), b.size()) / TimeRecord::Size;
    while (lines < most && std::equal(a.begin() + lines * TimeRecord::Size,
                                      a.begin() + (lines + 1) * TimeRecord::Size,
                                      b.begin() + lines * TimeRecord::Size))
        ++lines;
    return lines;
}

// A transaction, begun once: only when the first look writes.
IoResult Begin(SyncDatabase& database, bool* begun)
{
    if (*begun)
        return IoResult::success();
    *begun = true;
    return database.begin();
}

// The lines this station's name holds on the server for each file, by origin. A file that
// begins with what an origin holds continues it (this station's record of sent lines was lost,
// or is of the first format). A file that begins with only part of it (a backup restored, a copy
// of the folder punching on its own) continues that part under an origin of its own, so that
// only the lines the server lacks are sent. Any other file starts an origin of its own, so a
// second computer under the same name never loses a line to the first.
IoResult FindOnServer(SyncDatabase& database, const QString& station, Survey* survey,
                      SentLedger* ledger, bool* begun)
{
    if (survey->unknown.isEmpty())
        return IoResult::success();
    QHash<QString, EmployeeOrigins> found;
    if (IoResult r = LoadOrigins(database, station, survey->unknown, &found); !r)
        return r;
    for (const QString& name : std::as_const(survey->unknown)) {
        const qint64 whole = survey->whole.value(name);
        QByteArray bytes;
        if (IoResult r = ReadPrefix(name, 0, whole, &bytes); !r)
            return r;
        const EmployeeOrigins& origins = found[name];
        QByteArray best;
        qint64 bestLines = 0;
        bool bestWhole = false;
        for (const QByteArray& origin : origins.origins()) {
            if (origins.replaced(origin))
                continue;
            const QByteArray held = JoinedLines(origins.content(origin));
            const qint64 lines = CommonLines(held, bytes);
            const bool isWhole = lines * TimeRecord::Size == held.size();
            if (lines > bestLines || (lines == bestLines && lines > 0 && isWhole && !bestWhole)) {
                best = origin;
                bestLines = lines;
                bestWhole = isWhole;
            }
        }
        const qint64 length = bestLines * TimeRecord::Size;
        SentFile file{length, best, DigestOf(bytes.left(length))};
        const bool fresh = bestLines == 0;
        if (fresh) {
            file.origin = NewIdentity();
        } else if (!bestWhole) {
            file.origin = NewIdentity();
            if (IoResult r = Begin(database, begun); !r)
                return r;
            if (IoResult r = AddOriginLink(database, station, name, file.origin,
                                           {best, length, false, length, file.digest});
                !r)
                return r;
        } else if (file.origin.isEmpty()) {
            // Lines of the first format have no origin: they become this file's.
            file.origin = NewIdentity();
            if (IoResult r = Begin(database, begun); !r)
                return r;
            ServerRows* claim = nullptr;
            if (IoResult r = database.exec(
                    &claim,
                    QStringLiteral("UPDATE horodex_punch SET origin = ? WHERE station = ? AND "
                                   "origin = '' AND employee = ?"),
                    {OriginText(file.origin), station, name}, "claim punches");
                !r)
                return r;
        }
        ledger->files.insert(name, file);
        if (whole > file.acknowledged)
            survey->pending.append({name, file.acknowledged, whole, fresh});
    }
    return IoResult::success();
}

// The corrections that turn the old lines into the new ones, as a multiset: each line that
// went is deleted, each that came is added.
QList<Correction> Differences(const QString& employee, const QString& station,
                              const QList<QByteArray>& old, const QList<QByteArray>& now)
{
    QList<Correction> corrections;
    const QString reason =
        QStringLiteral("time file rewritten at station \"%1\" while it was not connected")
            .arg(station);
    const QDateTime when = Environment::now();
    // Counted, so that a file of some hundred thousand lines is compared in one pass: each line
    // of now takes the first unmatched copy of itself in old.
    QHash<QByteArray, qsizetype> unmatched, matched;
    for (const QByteArray& line : std::as_const(old))
        ++unmatched[line];
    QList<QByteArray> added;
    for (const QByteArray& line : now) {
        qsizetype& left = unmatched[line];
        if (left > 0) {
            --left;
            ++matched[line];
        } else {
            added.append(line);
        }
    }
    QList<QByteArray> gone;
    for (const QByteArray& line : std::as_const(old)) {
        qsizetype& skip = matched[line];
        if (skip > 0)
            --skip;
        else
            gone.append(line);
    }
    for (const QByteArray& line : std::as_const(gone))
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

// Stores bytes under origin from offset on, a statement at a time, within the caller's
// transaction: a long file never meets the statement limit.
IoResult StoreInParts(SyncDatabase& database, const QString& station, const QByteArray& origin,
                      const QString& name, qint64 offset, const QByteArray& bytes)
{
    constexpr qint64 Part = DefaultRowsPerStatement * TimeRecord::Size;
    for (qint64 at = 0; at < bytes.size(); at += Part) {
        if (IoResult r =
                StorePunchLines(database, station, origin, name, offset + at, bytes.mid(at, Part));
            !r)
            return r;
    }
    return IoResult::success();
}

// Pairs each line of now with a row of held that has the same line, in order, each row once:
// the lines the rewrite kept. offsets: where the kept lines lie in now.
void KeptLines(const QList<PunchRow>& held, const QByteArray& now, QList<qint64>* offsets,
               QList<PunchRow>* rows)
{
    QHash<QByteArray, QList<qsizetype>> unused;
    for (qsizetype i = held.size() - 1; i >= 0; --i)
        unused[held.at(i).line].append(i);
    for (qint64 at = 0; at + TimeRecord::Size <= now.size(); at += TimeRecord::Size) {
        QList<qsizetype>& same = unused[now.mid(at, TimeRecord::Size)];
        if (same.isEmpty())
            continue;
        offsets->append(at);
        rows->append(held.at(same.takeLast()));
    }
}

struct Rewrite
{
    QString name;
    QByteArray bytes;  // the file now
    SentFile sent;     // what this station last recorded as sent
    qint64 stored = 0; // lines stored by the round
};

// Within a transaction: the server's lines of the file become the file's. The station's own
// change since it last sent (lines gone, lines come) is applied: the rows of lines it kept are
// stored again under a new origin with the moment they were first received and the head's
// corrections of them; the change goes into the record of corrections. A retry of a re-send
// that committed finds it (the origins it replaced) and stores nothing again.
IoResult ApplyRewrite(SyncDatabase& database, const QString& station, Rewrite* rewrite,
                      SentFile* now, QString* refused)
{
    const QString& name = rewrite->name;
    const QByteArray& bytes = rewrite->bytes;
    ServerRows* lock = nullptr;
    // Two re-sends of one file (two copies of a folder) never interleave.
    if (IoResult r = database.exec(
            &lock, QStringLiteral("SELECT pg_advisory_xact_lock(?, hashtext(?))"),
            {FileLockClass, QStringLiteral("%1\n%2").arg(station, name)}, "lock the time file");
        !r)
        return r;
    QHash<QString, EmployeeOrigins> found;
    if (IoResult r = LoadOrigins(database, station, {name}, &found); !r)
        return r;
    const EmployeeOrigins& origins = found[name];
    const QByteArray current = origins.newest(rewrite->sent.origin);
    const QList<PunchRow> held = origins.content(current);
    const QByteArray heldBytes = JoinedLines(held);
    if (bytes.startsWith(heldBytes) && (!heldBytes.isEmpty() || current != rewrite->sent.origin)) {
        // The server holds the beginning of the file already (a re-send done, not recorded).
        *now = {qint64(bytes.size()), current, DigestOf(bytes)};
        rewrite->stored = (bytes.size() - heldBytes.size()) / TimeRecord::Size;
        return StoreInParts(database, station, current, name, heldBytes.size(),
                            bytes.mid(heldBytes.size()));
    }
    // What this station sent: its record's lines, or all of a re-send it made. Lines past its
    // record under its own origin may be another computer's (a copied folder): those go only
    // when the file still has them.
    qint64 own = held.size();
    if (current == rewrite->sent.origin) {
        own = std::min<qint64>(held.size(), rewrite->sent.acknowledged / TimeRecord::Size);
        if (DigestOf(heldBytes.left(own * TimeRecord::Size)) != rewrite->sent.digest) {
            *refused =
                QStringLiteral("The time file of \"%1\" was rewritten, but the shared database "
                               "no longer holds what this station sent of it: nothing of it was "
                               "replaced. The punches of the file wait here.")
                    .arg(FileStore::displayText(name));
            return IoResult::success();
        }
    }
    QList<qint64> keptAt;
    QList<PunchRow> kept;
    KeptLines(held.mid(0, own), bytes, &keptAt, &kept);
    // By origin and offset: a file of some hundred thousand lines is compared in one pass.
    QSet<QPair<QByteArray, qint64>> keptRows;
    for (const PunchRow& k : std::as_const(kept))
        keptRows.insert({k.origin, k.offset});
    QList<PunchRow> gone;
    for (const PunchRow& row : held.mid(0, own)) {
        if (!row.removed && !keptRows.contains({row.origin, row.offset}))
            gone.append(row);
    }
    QList<PunchRow> was = held.mid(0, own);
    {
        // Lines past the record that the file still has are the same punches, kept once.
        QList<qint64> laterAt;
        QList<PunchRow> later;
        QByteArray rest = bytes;
        for (const qint64 at : std::as_const(keptAt))
            rest.replace(at, TimeRecord::Size, QByteArray(TimeRecord::Size, '\0'));
        KeptLines(held.mid(own), rest, &laterAt, &later);
        keptAt += laterAt;
        kept += later;
        was += later;
    }
    for (const PunchRow& row : std::as_const(kept)) {
        if (!row.removed)
            gone.append(row);
    }
    const SentFile next{qint64(bytes.size()), NewIdentity(), DigestOf(bytes)};
    IoResult r = IoResult::success();
    for (qsizetype at = 0; r && at < gone.size(); at += DefaultRowsPerStatement)
        r = RemovePunchRows(database, station, name, gone.mid(at, DefaultRowsPerStatement));
    if (r)
        r = StoreInParts(database, station, next.origin, name, 0, bytes);
    for (qsizetype at = 0; r && at < kept.size(); at += DefaultRowsPerStatement)
        r = InheritPunchRows(database, station, next.origin, name,
                             keptAt.mid(at, DefaultRowsPerStatement),
                             kept.mid(at, DefaultRowsPerStatement));
    if (r)
        r = AddOriginLink(database, station, name, next.origin,
                          {current, 0, true, next.acknowledged, next.digest});
    if (r) {
        QList<QByteArray> wasLines;
        for (const PunchRow& row : std::as_const(was))
            wasLines.append(row.line);
        r = RecordServerCorrections(database, name,
                                    Differences(name, station, wasLines, Lines(bytes)));
    }
    if (r) {
        *now = next;
        rewrite->stored = bytes.size() / TimeRecord::Size;
    }
    return r;
}

// In a transaction of its own: a rewritten file replaces its lines on the server.
IoResult ReplaceRewritten(SyncDatabase& database, const QString& station, const QString& name,
                          qint64 whole, SentLedger* ledger, qint64* stored, QString* refused)
{
    Rewrite rewrite{name, {}, ledger->files.value(name)};
    if (IoResult r = ReadPrefix(name, 0, whole, &rewrite.bytes); !r)
        return r;
    if (IoResult r = database.begin(); !r)
        return r;
    SentFile now;
    if (IoResult r = database.finish(ApplyRewrite(database, station, &rewrite, &now, refused)); !r)
        return r;
    if (!refused->isEmpty())
        return IoResult::success();
    *stored = rewrite.stored;
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

namespace {

// Stores the pending lines of every file, a statement at a time (each its own transaction, so
// that an exchange costs one round trip whatever the number of employees), recording each
// commit in the ledger. A file whose lines clash with others at their places on the server is
// not stored, taken out of *pending and named in *clashed; the others are stored.
IoResult SendPending(SyncDatabase& database, const QString& station, qint64 rowsPerStatement,
                     QList<Pending>* pending, SentLedger* ledger, SendOutcome* outcome,
                     QStringList* clashed)
{
    while (!pending->isEmpty()) {
        QList<PunchBlock> blocks;
        QList<qsizetype> of; // the pending file of each block
        qint64 rows = 0;
        for (qsizetype at = 0; at < pending->size() && rows < rowsPerStatement; ++at) {
            const Pending& p = pending->at(at);
            const qint64 lines =
                std::min((p.to - p.from) / TimeRecord::Size, rowsPerStatement - rows);
            QByteArray block;
            if (IoResult r = ReadPrefix(p.employee, p.from, lines * TimeRecord::Size, &block); !r)
                return r;
            blocks.append(
                {p.employee, ledger->files.value(p.employee).origin, p.from, block, p.fresh});
            of.append(at);
            rows += lines;
        }
        QList<qsizetype> clashes;
        if (IoResult r = StorePunchBlocks(database, station, blocks, &clashes); !r)
            return r;
        SentLedger after = *ledger;
        QList<Pending> progress;
        qint64 stored = 0;
        for (qsizetype i = 0; i < pending->size(); ++i) {
            Pending p = pending->at(i);
            const qsizetype b = of.indexOf(i);
            if (b >= 0 && clashes.contains(b)) {
                clashed->append(p.employee);
                outcome->waiting -= (p.to - p.from) / TimeRecord::Size;
                continue;
            }
            if (b >= 0) {
                const qint64 lines = blocks.at(b).lines.size() / TimeRecord::Size;
                stored += lines;
                p.from += lines * TimeRecord::Size;
                SentFile& file = after.files[p.employee];
                file.acknowledged = p.from;
                // The digest of what the server now holds, for the next round's check.
                if (IoResult r = PrefixDigest(p.employee, p.from, &file.digest); !r)
                    return r;
            }
            if (p.from < p.to)
                progress.append(p);
        }
        // Only now is it the server's: a crash before this line sends the blocks again.
        if (stored > 0) {
            if (IoResult r = WriteSentLedger(after); !r)
                return r;
        }
        *ledger = after;
        *pending = progress;
        outcome->sent += stored;
        outcome->waiting -= stored;
    }
    return IoResult::success();
}

IoResult FindUnknown(SyncDatabase& database, const QString& station, Survey* survey,
                     SentLedger* ledger)
{
    if (survey->unknown.isEmpty())
        return IoResult::success();
    // Most first looks only read: those need no transaction.
    bool begun = false;
    IoResult r = FindOnServer(database, station, survey, ledger, &begun);
    if (begun)
        r = database.finish(r);
    if (!r)
        return r;
    survey->unknown.clear();
    return WriteSentLedger(*ledger);
}

} // namespace

IoResult SendPunches(SyncDatabase& database, const QString& station, SendOutcome* outcome,
                     qint64 rowsPerStatement, bool verifyAll)
{
    *outcome = SendOutcome();
    rowsPerStatement = std::min(rowsPerStatement <= 0 ? DefaultRowsPerStatement : rowsPerStatement,
                                MaxRowsPerStatement);
    SentLedger ledger;
    if (IoResult r = ReadOrStartSentLedger(&ledger); !r)
        return r;
    if (IoResult r = CheckStation(ledger, station); !r)
        return r;
    ledger.station = station;
    Survey survey;
    if (IoResult r = SurveyFiles(ledger, verifyAll, &survey, &outcome->problems); !r)
        return r;
    if (IoResult r = FindUnknown(database, station, &survey, &ledger); !r)
        return r;
    outcome->waiting = WaitingLines(survey.pending);
    // A file that clashes (a restored backup's record, a copied folder) is looked for on the
    // server once more, then sent from where it parts from what the server holds; it alone
    // waits when it clashes again.
    QStringList refound;
    for (;;) {
        QStringList clashed;
        if (IoResult r = SendPending(database, station, rowsPerStatement, &survey.pending, &ledger,
                                     outcome, &clashed);
            !r)
            return r;
        QStringList again;
        for (const QString& name : std::as_const(clashed)) {
            if (refound.contains(name)) {
                outcome->problems.append(ClashMessage(name));
                outcome->waiting += survey.whole.value(name) / TimeRecord::Size;
                continue;
            }
            refound.append(name);
            ledger.files.remove(name);
            again.append(name);
        }
        if (again.isEmpty())
            break;
        survey.unknown = again;
        const qsizetype before = survey.pending.size();
        if (IoResult found = FindUnknown(database, station, &survey, &ledger); !found)
            return found;
        outcome->waiting += WaitingLines(survey.pending.mid(before));
    }
    // Only the owner of the tables (the head's role) may; for another role the server skips it.
    if (outcome->sent >= BulkRows)
        database.run(QStringLiteral("ANALYZE horodex_punch, horodex_punch_tally"),
                     "bring its statistics up to date");
    // Rewritten files last: a long one never holds back the punches of the others. One that
    // fails (its transaction rolled back) holds back no other rewrite either, while the link
    // lives; the round then reports the first failure.
    std::optional<IoResult> failed;
    for (const QString& name : std::as_const(survey.rewritten)) {
        qint64 stored = 0;
        QString refused;
        if (IoResult r = ReplaceRewritten(database, station, name, survey.whole.value(name),
                                          &ledger, &stored, &refused);
            !r) {
            if (!failed)
                failed = r;
            if (!database.isOpen())
                return *failed;
            continue;
        }
        if (!refused.isEmpty()) {
            outcome->problems.append(refused);
            continue;
        }
        outcome->replaced.append(name);
        outcome->sent += stored;
    }
    return failed.value_or(IoResult::success());
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
