#include "sync/SyncDatabase.h"

#include "sync/LibpqCalls.h"
#include "sync/Schema.h"

#include <QAtomicInt>
#include <QHash>

#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// What the server said of a failed statement, else what libpq says of the connection.
QString ErrorText(const LibpqCalls* libpq, PGconn* conn, const PGresult* result)
{
    const char* primary =
        result ? libpq->resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    return ServerErrorText(
        QString::fromUtf8(primary ? primary : libpq->errorMessage(conn)).trimmed());
}

// The statement with $1, $2, ... for its ? placeholders (outside quotes and comments).
QByteArray NumberedPlaceholders(const QString& sql)
{
    QString out;
    out.reserve(sql.size() + 16);
    int number = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            out += QStringView(sql).sliced(i, stop - i);
            i = stop - 1;
        } else if (c == u'-' && sql.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = sql.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? sql.size() : end;
            out += QStringView(sql).sliced(i, stop - i);
            i = stop - 1;
        } else if (c == u'?') {
            out += u'$' + QString::number(++number);
        } else {
            out += c;
        }
    }
    return out.toUtf8();
}

// A value as the server reads a parameter: text, except bytes, which go as they are (binary: the
// same for bytea and for text). Null as Qt SQL takes it: no value, or a null string or moment.
struct Parameter
{
    QByteArray bytes;
    bool null = false;
    bool binary = false;
};

Parameter ParameterOf(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return {{}, true};
    case QMetaType::Bool:
        return {value.toBool() ? "t" : "f"};
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return {bytes, bytes.isNull(), true};
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return {QByteArray::number(value.toDouble(), 'g', 17)};
    case QMetaType::QDateTime: {
        const QDateTime when = value.toDateTime();
        return {when.toString(Qt::ISODateWithMs).toLatin1(), !when.isValid()};
    }
    case QMetaType::QDate: {
        const QDate day = value.toDate();
        return {day.toString(Qt::ISODate).toLatin1(), !day.isValid()};
    }
    case QMetaType::QString: {
        const QString text = value.toString();
        return {text.toUtf8(), text.isNull()};
    }
    default:
        return {value.toString().toUtf8(), value.isNull()};
    }
}

// Whether connections to a host and port with SSL preferred found it refused: this run's later
// connections there skip asking (a round trip), as "prefer" would settle for no SSL anyway.
QHash<QString, bool>& PlainServers()
{
    static QHash<QString, bool> servers;
    return servers;
}

std::mutex& PlainServersMutex()
{
    static std::mutex mutex;
    return mutex;
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

SyncDatabase::SyncDatabase(const DatabaseAddress& address) : m_address(address) {}

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
    ServerRows* query = nullptr;
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
        ServerRows* insert = nullptr;
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

bool SyncDatabase::isOpen() const
{
    return m_conn && Libpq()->status(m_conn) == CONNECTION_OK;
}

void SyncDatabase::close()
{
    m_results.clear();
    m_asked = ServerRows();
    if (m_socket >= 0) {
        Watchdog::instance().removeSocket(m_socket);
        m_socket = -1;
    }
    if (m_conn) {
        // Says goodbye without waiting for an answer.
        Libpq()->finish(m_conn);
        m_conn = nullptr;
    }
}

QString SyncDatabase::failure(const QString& detail, const char* what) const
{
    return QStringLiteral("The shared database %1 failed to %2: %3")
        .arg(m_address.describe(), QString::fromLatin1(what), detail);
}

IoResult SyncDatabase::connect()
{
    const LibpqCalls* libpq = Libpq();
    if (!libpq)
        return IoResult::failure(LibpqMissing());
    // The server ends a statement held up by a lock before the client gives up on it. Notices
    // (a table that already exists) are no news for the station's user; compiling queries costs
    // more than the short queries of a station gain from it; a plan is made for the values of
    // each run, so that none made while a table was small or its statistics stale reads a grown
    // table whole. Moments come in ISO text in UTC. All in the first packet: no round trip.
    QList<QPair<QByteArray, QByteArray>> parameters{
        {"port", QByteArray::number(m_address.port)},
        {"user", m_address.user.toUtf8()},
        {"dbname", m_address.database.toUtf8()},
        {"client_encoding", "UTF8"},
        {"fallback_application_name", "horodex"},
        {"options",
         QStringLiteral("-c statement_timeout=%1 -c client_min_messages=error -c jit=off "
                        "-c plan_cache_mode=force_custom_plan -c DateStyle=ISO "
                        "-c TimeZone=UTC")
             .arg(ServerAnswerLimitMs - 2000)
             .toLatin1()}};
    if (!m_address.host.isEmpty())
        parameters.append({"host", m_address.host.toUtf8()});
    bool sslPreferred = true;
    for (const QString& option : m_address.options) {
        const QByteArray key = option.section(u'=', 0, 0).toUtf8();
        const QByteArray value = option.section(u'=', 1).toUtf8();
        if (key == "sslmode")
            sslPreferred = value == "prefer";
        parameters.append({key, value});
    }
    const QString server = m_address.host + u':' + QString::number(m_address.port);
    {
        std::lock_guard lock(PlainServersMutex());
        if (sslPreferred && PlainServers().value(server))
            parameters.append({QByteArray("sslmode"), QByteArray("disable")});
    }
    std::vector<const char*> keys, values;
    for (const auto& [key, value] : parameters) {
        keys.push_back(key.constData());
        values.push_back(value.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    m_conn = libpq->connectdbParams(keys.data(), values.data(), 0);
    if (!m_conn || libpq->status(m_conn) != CONNECTION_OK)
        return IoResult::failure(
            QStringLiteral("Cannot connect to the shared database %1: %2.")
                .arg(m_address.describe(),
                     m_conn ? ErrorText(libpq, m_conn, nullptr) : QStringLiteral("out of memory")));
    if (sslPreferred && !libpq->sslInUse(m_conn)) {
        std::lock_guard lock(PlainServersMutex());
        PlainServers().insert(server, true);
    }
    libpq->setNoticeProcessor(m_conn, DropNotice, nullptr);
    m_socket = libpq->socket(m_conn);
    // Without the connection's socket no wait could be bounded: no connection then.
    if (m_socket < 0)
        return IoResult::failure(
            QStringLiteral("Cannot connect to the shared database %1: libpq gave no socket, so "
                           "no wait of it could be bounded.")
                .arg(m_address.describe()));
    Watchdog::instance().addSocket(m_socket, m_address.abortGroup);
    return IoResult::success();
}

IoResult SyncDatabase::open()
{
    close();
    if (Watchdog::instance().aborted(m_address.abortGroup))
        return IoResult::failure(QStringLiteral("The program is ending."));
    if (IoResult r = connect(); !r) {
        close();
        return r;
    }
    if (IoResult r = CheckServerVersion(Libpq()->serverVersion(m_conn)); !r) {
        close();
        return r;
    }
    // The schema's version (0 before the first upgrade): the one round trip of a connection.
    ServerRows* query = nullptr;
    if (IoResult r = ask(
            &query,
            QStringLiteral("SELECT CASE WHEN to_regclass('horodex_schema_version') IS NULL THEN "
                           "0 ELSE (xpath('/row/v/text()', query_to_xml('SELECT COALESCE(MAX("
                           "version), 0) AS v FROM horodex_schema_version', false, true, '')))"
                           "[1]::text::integer END"),
            "tell its version");
        !r) {
        close();
        return r;
    }
    const int schema = query->next() ? query->value(0).toInt() : 0;
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

IoResult SyncDatabase::send(ServerRows* rows, const QString& sql,
                            const std::initializer_list<QVariant>* values, const char* what)
{
    Deadline deadline(*this);
    const Fault fault = injected(what);
    if (fault == Fault::Fail)
        return InjectedFailure(*this, what);
    if (!m_conn)
        return IoResult::failure(failure(QStringLiteral("no connection"), what));
    const LibpqCalls* libpq = Libpq();
    PGresult* result = nullptr;
    if (!values) {
        result = libpq->exec(m_conn, sql.toUtf8().constData());
    } else {
        auto numbered = m_numbered.find(sql);
        if (numbered == m_numbered.end())
            numbered = m_numbered.emplace(sql, NumberedPlaceholders(sql)).first;
        std::vector<Parameter> parameters;
        parameters.reserve(values->size());
        std::vector<const char*> data;
        std::vector<int> lengths, formats;
        for (const QVariant& value : *values) {
            parameters.push_back(ParameterOf(value));
            const Parameter& p = parameters.back();
            data.push_back(p.null ? nullptr : p.bytes.constData());
            lengths.push_back(int(p.bytes.size()));
            formats.push_back(p.binary ? 1 : 0);
        }
        result = libpq->execParams(m_conn, numbered->second.constData(), int(data.size()), nullptr,
                                   data.data(), lengths.data(), formats.data(), 0);
    }
    ServerRows answer(result);
    const ExecStatusType status = result ? libpq->resultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        return IoResult::failure(failure(ErrorText(libpq, m_conn, result), what));
    if (fault == Fault::LoseReply)
        return InjectedFailure(*this, what);
    if (qstrcmp(libpq->cmdStatus(result), "ROLLBACK") == 0 && qstrcmp(what, "commit") == 0)
        return IoResult::failure(failure(QStringLiteral("the server rolled it back"), what));
    *rows = std::move(answer);
    return IoResult::success();
}

IoResult SyncDatabase::exec(ServerRows** query, const QString& sql,
                            std::initializer_list<QVariant> values, const char* what)
{
    ServerRows& rows = m_results[sql];
    if (IoResult r = send(&rows, sql, &values, what); !r)
        return r;
    *query = &rows;
    return IoResult::success();
}

IoResult SyncDatabase::ask(ServerRows** query, const QString& sql, const char* what)
{
    if (IoResult r = send(&m_asked, sql, nullptr, what); !r)
        return r;
    *query = &m_asked;
    return IoResult::success();
}

IoResult SyncDatabase::run(const QString& sql, const char* what)
{
    ServerRows rows;
    return send(&rows, sql, nullptr, what);
}

IoResult SyncDatabase::begin()
{
    if (IoResult r = run(QStringLiteral("BEGIN"), "begin a transaction"); !r) {
        rollback();
        return r;
    }
    return IoResult::success();
}

IoResult SyncDatabase::commit()
{
    if (IoResult r = run(QStringLiteral("COMMIT"), "commit"); !r) {
        rollback();
        return r;
    }
    return IoResult::success();
}

void SyncDatabase::rollback()
{
    if (!m_conn)
        return;
    Deadline deadline(*this);
    PGresult* result = Libpq()->exec(m_conn, "ROLLBACK");
    if (result)
        Libpq()->clear(result);
}

IoResult SyncDatabase::finish(const IoResult& result)
{
    if (result)
        return commit();
    rollback();
    return result;
}
