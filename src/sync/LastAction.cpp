#include "sync/LastAction.h"

#include "data/FileStore.h"
#include "sync/PunchRows.h"
#include "sync/SentLedger.h"
#include "sync/SyncDatabase.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <tuple>

QByteArray PunchMomentKey(const QByteArray& line)
{
    if (line.size() < TimeRecord::Size)
        return QByteArray();
    QByteArray key;
    for (const PunchLine::Field f : PunchLine::MomentKey)
        key += PunchLine::field(line, f);
    return key;
}

std::optional<StationPunch> NewestPunch(const std::optional<StationPunch>& server,
                                        const QList<StationPunch>& waiting)
{
    std::optional<StationPunch> newest = server;
    const auto key = [](const StationPunch& p) {
        return std::make_tuple(PunchMomentKey(p.line), p.received, p.station, p.origin, p.offset);
    };
    for (const StationPunch& p : waiting) {
        if (!newest || key(*newest) < key(p))
            newest = p;
    }
    return newest;
}

namespace {

IoResult WaitingIn(const SentLedger& ledger, const QString& station, const QString& employee,
                   QList<StationPunch>* waiting)
{
    waiting->clear();
    FileStore::Reader file;
    if (IoResult r = file.open(TimeFilePath(employee), true); !r)
        return r;
    const SentFile sent = ledger.files.value(employee);
    const qint64 from = sent.acknowledged;
    const qint64 end = file.size() - file.size() % TimeRecord::Size;
    if (end <= from)
        return IoResult::success();
    QByteArray bytes(qsizetype(end - from), Qt::Uninitialized);
    if (IoResult r = file.readAt(from, bytes.data(), end - from); !r)
        return r;
    for (qint64 at = 0; at < bytes.size(); at += TimeRecord::Size)
        waiting->append({bytes.mid(at, TimeRecord::Size), station, sent.origin, from + at,
                         StationPunch::NotReceived});
    return IoResult::success();
}

// The newest line of each listed employee, one row each.
const QString NewestLines = QStringLiteral(
    "SELECT e, p.line, p.station, p.origin, p.byte_offset,"
    " CAST(extract(epoch FROM p.received) * 1000000 AS bigint)"
    " FROM unnest(string_to_array(CAST(? AS text), chr(10))) AS e"
    " CROSS JOIN LATERAL (SELECT line, station, origin, byte_offset, received FROM horodex_punch"
    " WHERE employee = e AND NOT removed ORDER BY %1 LIMIT 1) AS p");

} // namespace

IoResult WaitingPunchesOf(const QString& station, const QString& employee,
                          QList<StationPunch>* waiting)
{
    waiting->clear();
    SentLedger ledger;
    if (IoResult r = ReadSentLedger(&ledger); !r)
        return r;
    return WaitingIn(ledger, station, employee, waiting);
}

IoResult ServerNewestPunches(SyncDatabase& database, const QStringList& employees,
                             QHash<QString, StationPunch>* punches)
{
    punches->clear();
    if (employees.isEmpty())
        return IoResult::success();
    ServerRows* query = nullptr;
    if (IoResult r = database.exec(&query, NewestLines.arg(PunchOrder(true)),
                                   {employees.join(u'\n')}, "read the last punch");
        !r)
        return r;
    while (query->next()) {
        const QString employee = query->value(0).toString();
        StationPunch punch{query->value(1).toByteArray(), query->value(2).toString(),
                           query->value(3).toString().toLatin1(), query->value(4).toLongLong(),
                           query->value(5).toLongLong()};
        if (punch.line.size() != TimeRecord::Size)
            return IoResult::failure(BadPunchRowMessage(employee));
        punches->insert(employee, punch);
    }
    return IoResult::success();
}

IoResult ServerNewestPunch(SyncDatabase& database, const QString& employee,
                           std::optional<StationPunch>* punch)
{
    punch->reset();
    QHash<QString, StationPunch> punches;
    if (IoResult r = ServerNewestPunches(database, {employee}, &punches); !r)
        return r;
    if (punches.contains(employee))
        *punch = punches.value(employee);
    return IoResult::success();
}

IoResult NewestPunchesEverywhere(SyncDatabase& database, const QString& station,
                                 const QStringList& employees, QHash<QString, TimeRecord>* records)
{
    records->clear();
    QHash<QString, StationPunch> server;
    if (IoResult r = ServerNewestPunches(database, employees, &server); !r)
        return r;
    SentLedger ledger;
    if (!station.isEmpty()) {
        if (IoResult r = ReadSentLedger(&ledger); !r)
            return r;
    }
    for (const QString& employee : employees) {
        QList<StationPunch> waiting;
        if (!station.isEmpty()) {
            if (IoResult r = WaitingIn(ledger, station, employee, &waiting); !r)
                return r;
        }
        const std::optional<StationPunch> known =
            server.contains(employee) ? std::optional(server.value(employee)) : std::nullopt;
        if (const std::optional<StationPunch> newest = NewestPunch(known, waiting))
            records->insert(employee, TimeRecord::fromBytes(newest->line));
    }
    return IoResult::success();
}

// The thread that talks to the server, one question at a time.
struct LastActionAsker::Worker
{
    struct Question
    {
        QString employee;
        bool answered = false;
        bool ok = false;
        std::optional<StationPunch> punch;
    };

    StationConfig config;
    QMutex mutex;
    QWaitCondition changed;
    std::deque<std::shared_ptr<Question>> questions;
    bool stopping = false;
    std::unique_ptr<QThread> thread;

    void run()
    {
        SyncDatabase database(config.database);
        // Connected before the first question, so that it need not wait for the connection;
        // a failure here is tried again with the question.
        database.open();
        for (;;) {
            std::shared_ptr<Question> q;
            {
                QMutexLocker lock(&mutex);
                while (questions.empty() && !stopping)
                    changed.wait(&mutex);
                if (stopping)
                    return;
                q = questions.front();
                questions.pop_front();
            }
            std::optional<StationPunch> punch;
            IoResult r = database.isOpen() ? IoResult::success() : database.open();
            if (r)
                r = ServerNewestPunch(database, q->employee, &punch);
            if (!r)
                database.close();
            QMutexLocker lock(&mutex);
            q->answered = true;
            q->ok = r.ok;
            q->punch = punch;
            changed.wakeAll();
        }
    }
};

LastActionAsker::LastActionAsker(const StationConfig& config, int timeLimitMs)
    : m_worker(std::make_unique<Worker>())
{
    m_worker->config = config;
    m_timeLimitMs = timeLimitMs;
    m_worker->thread.reset(QThread::create([w = m_worker.get()] { w->run(); }));
    m_worker->thread->start();
}

LastActionAsker::~LastActionAsker()
{
    {
        QMutexLocker lock(&m_worker->mutex);
        m_worker->stopping = true;
        m_worker->changed.wakeAll();
    }
    SyncDatabase::abortGroup(m_worker->config.database.abortGroup);
    // A connection still being made to a frozen server ends only with its connect limit: the
    // program does not wait for it, and leaves the thread and what it uses to end on their own.
    if (!m_worker->thread->wait(ExitWaitMs)) {
        (void)m_worker->thread.release();
        (void)m_worker.release();
    }
}

Result<std::optional<TimeRecord>> LastActionAsker::lastPunch(const QString& employee,
                                                             LastActionSource* source)
{
    auto question = std::make_shared<Worker::Question>();
    question->employee = employee;
    QList<StationPunch> waiting;
    const IoResult local = WaitingPunchesOf(m_worker->config.station, employee, &waiting);
    bool answered = false;
    if (local) {
        QMutexLocker lock(&m_worker->mutex);
        m_worker->questions.push_back(question);
        m_worker->changed.wakeAll();
        QDeadlineTimer deadline(m_timeLimitMs);
        while (!question->answered && m_worker->changed.wait(&m_worker->mutex, deadline)) {
        }
        answered = question->answered && question->ok;
        if (!question->answered)
            std::erase(m_worker->questions, question);
    }
    if (answered) {
        *source = LastActionSource::Server;
        const std::optional<StationPunch> newest = NewestPunch(question->punch, waiting);
        if (!newest)
            return std::optional<TimeRecord>();
        return std::optional(TimeRecord::fromBytes(newest->line));
    }
    *source = LastActionSource::LocalFile;
    return ReadLastPunch(employee);
}
