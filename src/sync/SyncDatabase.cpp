#include "sync/SyncDatabase.h"

#include "sync/LibpqCalls.h"
#include "sync/Schema.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>

#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

QString ConnectionName()
{
    static QAtomicInt next;
    return QStringLiteral("horodex-sync-%1").arg(next.fetchAndAddRelaxed(1));
}

QString ErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    return ServerErrorText(text);
}

// libpq writes the server's notices ("WARNING: terminating connection ...") to standard error
// unless told otherwise; the station's messages say what matters.
void DropNotice(void*, const char*) {}

// Ends the wait of a statement that has not returned by its deadline: shutting its socket down
// makes libpq's blocked read return with an error, without closing a descriptor that another
// thread may be using. Lives for the whole run (never destroyed, as threads may still use it).
class Watchdog
{
public:
    static Watchdog& instance()
    {
        static Watchdog* watchdog = new Watchdog;
        return *watchdog;
    }

    int arm(int socket, quintptr group, int limitMs)
    {
        std::lock_guard lock(m_mutex);
        if (group != 0 && m_aborted.contains(group)) {
            ::shutdown(socket, SHUT_RDWR);
            return 0;
        }
        const int token = ++m_next;
        m_armed.emplace(token, Armed{socket, Clock::now() + std::chrono::milliseconds(limitMs)});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { watch(); });
        m_changed.notify_all();
        return token;
    }

    void disarm(int token)
    {
        std::lock_guard lock(m_mutex);
        m_armed.erase(token);
    }

    void addSocket(int socket, quintptr group)
    {
        std::lock_guard lock(m_mutex);
        m_sockets.emplace(socket, group);
    }

    void removeSocket(int socket)
    {
        std::lock_guard lock(m_mutex);
        m_sockets.erase(socket);
    }

    bool aborted(quintptr group)
    {
        std::lock_guard lock(m_mutex);
        return group != 0 && m_aborted.contains(group);
    }

    void abortGroup(quintptr group)
    {
        if (group == 0)
            return;
        std::lock_guard lock(m_mutex);
        m_aborted.insert(group);
        for (const auto& [socket, owner] : m_sockets) {
            if (owner == group)
                ::shutdown(socket, SHUT_RDWR);
        }
    }

private:
    struct Armed
    {
        int socket;
        Clock::time_point deadline;
    };

    Watchdog() = default;

    void watch()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            auto next = Clock::now() + std::chrono::hours(1);
            for (auto it = m_armed.begin(); it != m_armed.end();) {
                if (it->second.deadline <= Clock::now()) {
                    ::shutdown(it->second.socket, SHUT_RDWR);
                    it = m_armed.erase(it);
                } else {
                    next = std::min(next, it->second.deadline);
                    ++it;
                }
            }
            m_changed.wait_until(lock, next);
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, Armed> m_armed;
    std::map<int, quintptr> m_sockets; // open connections and their groups
    std::set<quintptr> m_aborted;
    int m_next = 0;
    std::thread m_thread;
};

SyncDatabase::FaultHook& InstalledFaultHook()
{
    static SyncDatabase::FaultHook hook;
    return hook;
}

PGconn* Handle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

} // namespace

// Arms the watchdog for one call on this connection.
class SyncDatabase::Deadline
{
public:
    explicit Deadline(const SyncDatabase& database)
        : m_token(database.m_socket >= 0
                      ? Watchdog::instance().arm(database.m_socket, database.m_address.abortGroup,
                                                 ServerAnswerLimitMs)
                      : 0)
    {
    }
    ~Deadline()
    {
        if (m_token)
            Watchdog::instance().disarm(m_token);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    int m_token;
};

QString ServerErrorText(const QString& text)
{
    QString first;
    for (const QString& line : text.split(u'\n')) {
        // The quoted statement and libpq's pointers into it say nothing to a user.
        if (line.startsWith(QLatin1String("LINE ")) || line.startsWith(QLatin1String("QUERY:")))
            break;
        if (!line.trimmed().isEmpty()) {
            first = line.trimmed();
            break;
        }
    }
    if (first.startsWith(QLatin1String("ERROR:")))
        first = first.mid(6).trimmed();
    const qsizetype statement = first.indexOf(QLatin1String("PREPARE qpsqlpstmt"));
    if (statement >= 0)
        first = first.left(statement).trimmed();
    for (QChar& c : first) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    constexpr int Max = 300;
    if (first.size() > Max)
        first = first.left(Max - 1) + QStringLiteral("…");
    return first;
}

IoResult CheckServerVersion(int serverVersionNum)
{
    const int major = serverVersionNum / 10000;
    if (major == SupportedServerMajor)
        return IoResult::success();
    return IoResult::failure(
        QStringLiteral("The database server runs PostgreSQL %1.%2; Horodex needs PostgreSQL %3.")
            .arg(major)
            .arg(serverVersionNum % 10000)
            .arg(SupportedServerMajor));
}

SyncDatabase::SyncDatabase(const DatabaseAddress& address)
    : m_address(address), m_name(ConnectionName())
{
}

SyncDatabase::~SyncDatabase()
{
    close();
}

quintptr SyncDatabase::newAbortGroup()
{
    static QAtomicInteger<quintptr> next;
    return next.fetchAndAddRelaxed(1) + 1;
}

void SyncDatabase::abortGroup(quintptr group)
{
    Watchdog::instance().abortGroup(group);
}

void SyncDatabase::setFaultHook(FaultHook hook)
{
    InstalledFaultHook() = std::move(hook);
}

SyncDatabase::Fault SyncDatabase::injected(const char* what)
{
    const FaultHook& hook = InstalledFaultHook();
    const Fault fault = hook ? hook(what) : Fault::None;
    if (fault == Fault::CutLink && m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
    return fault;
}

namespace {

IoResult InjectedFailure(const SyncDatabase& database, const char* what)
{
    return IoResult::failure(database.failure(QStringLiteral("injected fault"), what));
}

} // namespace

namespace {

// Within a transaction: takes the lock and reads the version.
IoResult LockedVersion(SyncDatabase& database, int* version)
{
    QSqlQuery* query = nullptr;
    if (IoResult r = database.exec(&query, QStringLiteral("SELECT pg_advisory_xact_lock(?)"),
                                   {SchemaUpgradeLock}, "lock the schema");
        !r)
        return r;
    if (IoResult r = database.run(QStringLiteral("CREATE TABLE IF NOT EXISTS "
                                                 "horodex_schema_version (version integer NOT "
                                                 "NULL)"),
                                  "create the schema version table");
        !r)
        return r;
    if (IoResult r = database.exec(
            &query, QStringLiteral("SELECT COALESCE(MAX(version), 0) FROM horodex_schema_version"),
            {}, "read the schema version");
        !r)
        return r;
    *version = query->next() ? query->value(0).toInt() : 0;
    return IoResult::success();
}

IoResult NewerSchema(int version)
{
    return IoResult::failure(
        QStringLiteral("The shared database holds schema version %1, newer than the version %2 "
                       "this Horodex knows: update Horodex at this station.")
            .arg(version)
            .arg(SchemaVersion));
}

// Creates the tables or brings them up to SchemaVersion, one transaction per version, under a
// lock that other stations upgrading at the same moment wait for. A database of a newer schema
// fails with a message asking for a newer Horodex.
IoResult UpgradeSchema(SyncDatabase& database)
{
    for (;;) {
        if (IoResult r = database.begin(); !r)
            return r;
        int version = 0;
        IoResult r = LockedVersion(database, &version);
        if (r && version > SchemaVersion)
            r = NewerSchema(version);
        if (!r || version >= SchemaVersion)
            return database.finish(r);
        const int target = version + 1;
        for (const QString& sql : SchemaUpgrades().at(target - 1)) {
            if (r = database.run(sql, "upgrade its schema"); !r)
                break;
        }
        QSqlQuery* insert = nullptr;
        if (r)
            r = database.exec(&insert,
                              QStringLiteral("INSERT INTO horodex_schema_version (version) "
                                             "VALUES (?)"),
                              {target}, "record its schema version");
        if (r = database.finish(r); !r)
            return r;
    }
}

} // namespace

QSqlDatabase SyncDatabase::db() const
{
    return QSqlDatabase::database(m_name, false);
}

bool SyncDatabase::isOpen() const
{
    return QSqlDatabase::contains(m_name) && db().isOpen();
}

void SyncDatabase::close()
{
    {
        // Freeing the prepared statements asks the server, which may be frozen.
        Deadline deadline(*this);
        m_prepared.clear();
        m_asked.reset();
    }
    if (m_socket >= 0) {
        Watchdog::instance().removeSocket(m_socket);
        m_socket = -1;
    }
    if (!QSqlDatabase::contains(m_name))
        return;
    db().close();
    QSqlDatabase::removeDatabase(m_name);
}

QString SyncDatabase::failure(const QString& detail, const char* what) const
{
    return QStringLiteral("The shared database %1 failed to %2: %3")
        .arg(m_address.describe(), QString::fromLatin1(what), detail);
}

IoResult SyncDatabase::open()
{
    close();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return IoResult::failure(
            QStringLiteral("Qt's PostgreSQL driver (package libqt6sql6-psql) is not installed."));
    if (Watchdog::instance().aborted(m_address.abortGroup))
        return IoResult::failure(QStringLiteral("The program is ending."));
    QString refused;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(m_address.host);
        db.setPort(m_address.port);
        db.setUserName(m_address.user);
        db.setDatabaseName(m_address.database);
        db.setConnectOptions(m_address.options.join(u';'));
        if (!db.open())
            refused = ErrorText(db.lastError());
    }
    if (!refused.isEmpty()) {
        close();
        return IoResult::failure(QStringLiteral("Cannot connect to the shared database %1: %2.")
                                     .arg(m_address.describe(), refused));
    }
    // Without the connection's socket no wait could be bounded: no connection then.
    PGconn* handle = Handle(db());
    const LibpqCalls* libpq = handle ? Libpq() : nullptr;
    if (!libpq) {
        close();
        return IoResult::failure(
            QStringLiteral("Cannot connect to the shared database %1: Qt's PostgreSQL driver gave "
                           "no connection of %2, so no wait of it could be bounded.")
                .arg(m_address.describe(), QLatin1String(LibpqSoname)));
    }
    libpq->setNoticeProcessor(handle, DropNotice, nullptr);
    m_socket = libpq->socket(handle);
    if (m_socket >= 0)
        Watchdog::instance().addSocket(m_socket, m_address.abortGroup);
    // The server ends a statement held up by a lock before the client gives up on it.
    // Notices (a table that already exists) are no news for the station's user; compiling
    // queries costs more than the short queries of a station gain from it; a plan is made for
    // the values of each run, so that none made while a table was small or its statistics stale
    // reads a grown table whole. The schema's version comes in the same answer (0 before the
    // first upgrade): one round trip, unprepared.
    QSqlQuery* query = nullptr;
    if (IoResult r =
            ask(&query,
                QStringLiteral("SELECT current_setting('server_version_num'),"
                               " set_config('statement_timeout', '%1ms', false),"
                               " set_config('client_min_messages', 'error', false),"
                               " set_config('jit', 'off', false),"
                               " set_config('plan_cache_mode', 'force_custom_plan', false),"
                               " CASE WHEN to_regclass('horodex_schema_version') IS NULL THEN '0'"
                               " ELSE (xpath('/row/v/text()', query_to_xml('SELECT COALESCE(MAX("
                               "version), 0) AS v FROM horodex_schema_version', false, true, '')))"
                               "[1]::text END")
                    .arg(ServerAnswerLimitMs - 2000),
                "tell its version");
        !r) {
        close();
        return r;
    }
    query->next();
    const int schema = query->value(5).toInt();
    if (IoResult r = CheckServerVersion(query->value(0).toInt()); !r) {
        close();
        return r;
    }
    if (IoResult r = schema > SchemaVersion ? NewerSchema(schema) : IoResult::success(); !r) {
        close();
        return r;
    }
    if (schema < SchemaVersion) {
        if (IoResult r = UpgradeSchema(*this); !r) {
            close();
            return r;
        }
    }
    return IoResult::success();
}

IoResult SyncDatabase::exec(QSqlQuery** query, const QString& sql,
                            std::initializer_list<QVariant> values, const char* what)
{
    Deadline deadline(*this);
    const Fault fault = injected(what);
    if (fault == Fault::Fail)
        return InjectedFailure(*this, what);
    // Each statement is prepared once per connection: later runs cost one round trip.
    auto prepared = m_prepared.find(sql);
    if (prepared == m_prepared.end()) {
        auto statement = std::make_unique<QSqlQuery>(db());
        statement->setForwardOnly(true);
        if (!statement->prepare(sql))
            return IoResult::failure(failure(ErrorText(statement->lastError()), what));
        prepared = m_prepared.emplace(sql, std::move(statement)).first;
    }
    QSqlQuery& statement = *prepared->second;
    int position = 0;
    for (const QVariant& value : values)
        statement.bindValue(position++, value);
    if (!statement.exec())
        return IoResult::failure(failure(ErrorText(statement.lastError()), what));
    if (fault == Fault::LoseReply)
        return InjectedFailure(*this, what);
    *query = &statement;
    return IoResult::success();
}

IoResult SyncDatabase::ask(QSqlQuery** query, const QString& sql, const char* what)
{
    Deadline deadline(*this);
    const Fault fault = injected(what);
    if (fault == Fault::Fail)
        return InjectedFailure(*this, what);
    m_asked = std::make_unique<QSqlQuery>(db());
    m_asked->setForwardOnly(true);
    if (!m_asked->exec(sql))
        return IoResult::failure(failure(ErrorText(m_asked->lastError()), what));
    if (fault == Fault::LoseReply)
        return InjectedFailure(*this, what);
    *query = m_asked.get();
    return IoResult::success();
}

IoResult SyncDatabase::run(const QString& sql, const char* what)
{
    Deadline deadline(*this);
    const Fault fault = injected(what);
    if (fault == Fault::Fail)
        return InjectedFailure(*this, what);
    QSqlQuery query(db());
    if (!query.exec(sql))
        return IoResult::failure(failure(ErrorText(query.lastError()), what));
    if (fault == Fault::LoseReply)
        return InjectedFailure(*this, what);
    return IoResult::success();
}

IoResult SyncDatabase::begin()
{
    Deadline deadline(*this);
    const Fault fault = injected("begin a transaction");
    if (fault == Fault::Fail)
        return InjectedFailure(*this, "begin a transaction");
    if (!db().transaction())
        return IoResult::failure(failure(ErrorText(db().lastError()), "begin a transaction"));
    if (fault == Fault::LoseReply) {
        rollback();
        return InjectedFailure(*this, "begin a transaction");
    }
    return IoResult::success();
}

IoResult SyncDatabase::commit()
{
    Deadline deadline(*this);
    const Fault fault = injected("commit");
    if (fault == Fault::Fail) {
        rollback();
        return InjectedFailure(*this, "commit");
    }
    if (!db().commit()) {
        const QString text = ErrorText(db().lastError());
        rollback();
        return IoResult::failure(failure(text, "commit"));
    }
    if (fault == Fault::LoseReply)
        return InjectedFailure(*this, "commit");
    return IoResult::success();
}

void SyncDatabase::rollback()
{
    Deadline deadline(*this);
    db().rollback();
}

IoResult SyncDatabase::finish(const IoResult& result)
{
    if (result)
        return commit();
    rollback();
    return result;
}
