#pragma once

#include "data/Result.h"
#include "sync/Libpq.h"
#include "sync/ServerRows.h"
#include "sync/StationConfig.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <memory>
#include <unordered_map>

// The major version of PostgreSQL the schema is written and tested for.
inline constexpr int SupportedServerMajor = 15;

// The longest any one statement may wait for the server's answer; a frozen server or a dead
// link is given up after it, whatever the network still pretends.
inline constexpr int ServerAnswerLimitMs = 12000;

// How long an ending program waits for a thread that talks to the server.
inline constexpr int ExitWaitMs = 900;

// Fails with a clear message unless server_version_num belongs to the supported major version.
IoResult CheckServerVersion(int serverVersionNum);

struct pg_conn;

// One connection to the shared database through libpq, used by one thread at a time. The
// settings travel in the connection's first packet and the schema's version comes with the only
// statement of open(): a connection costs the log-in and one round trip. Every statement is one
// round trip; errors come back as messages. No call waits longer than the connect limit or
// ServerAnswerLimitMs.
class SyncDatabase
{
public:
    explicit SyncDatabase(const DatabaseAddress& address);
    ~SyncDatabase();
    SyncDatabase(const SyncDatabase&) = delete;
    SyncDatabase& operator=(const SyncDatabase&) = delete;

    // Connects, checks the server's version and creates or upgrades the schema.
    IoResult open();
    bool isOpen() const;
    void close();
    const DatabaseAddress& address() const { return m_address; }

    // Runs a statement with its values in order for its ? placeholders; what names it in a
    // message. *query then reads the result, until the same statement runs again or the
    // connection closes.
    IoResult exec(ServerRows** query, const QString& sql, std::initializer_list<QVariant> values,
                  const char* what);
    // Runs a statement without values as it is and keeps its
    // result for *query until the next such statement.
    IoResult ask(ServerRows** query, const QString& sql, const char* what);
    // Runs statements without values as they are, within the same limits.
    IoResult run(const QString& sql, const char* what);
    IoResult begin();
    IoResult commit();
    void rollback();
    // Ends the open transaction: commits when result holds, else rolls back and hands it on.
    IoResult finish(const IoResult& result);
    // A message for a failed statement of this connection.
    QString failure(const QString& detail, const char* what) const;

    // The owner of the connections of a group (address().abortGroup) is ending: their waits end
    // now, and no new one starts in that group.
    static void abortGroup(quintptr group);
    // A group never used before.
    static quintptr newAbortGroup();

    // Fault injection for tests: asked before each statement (begin and commit included) with
    // what it does. Fail: it fails unrun; LoseReply: it runs, then reports failure (a commit done
    // but never confirmed); CutLink: the link dies before it, the server ends the transaction.
    enum class Fault { None, Fail, LoseReply, CutLink };
    using FaultHook = std::function<Fault(const char* what)>;
    static void setFaultHook(FaultHook hook);

private:
    class Deadline;
    // What the fault hook asks for this statement; CutLink is done here.
    Fault injected(const char* what);
    // Runs one statement (values: null for the simple protocol) under the fault hook and the
    // deadline; *rows gets its answer.
    IoResult send(ServerRows* rows, const QString& sql,
                  const std::initializer_list<QVariant>* values, const char* what);
    IoResult connect();

    DatabaseAddress m_address;
    pg_conn* m_conn = nullptr;
    int m_socket = -1;
    // By statement text, for this connection's life.
    std::unordered_map<QString, QByteArray> m_numbered;
    std::unordered_map<QString, ServerRows> m_results;
    ServerRows m_asked;
};

// The server's own words, fit for a message: its first line, without the statement it quotes,
// control characters replaced.
QString ServerErrorText(const QString& text);
