#pragma once

#include "data/FileStore.h"
#include "sync/StationConfig.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <initializer_list>

// The major version of PostgreSQL the schema is written and tested for.
inline constexpr int SupportedServerMajor = 15;

// Fails with a clear message unless server_version_num belongs to the supported major version.
IoResult CheckServerVersion(int serverVersionNum);

// One connection to the shared database, used by the thread that opened it (Qt SQL connections
// belong to one thread). Every statement is prepared; errors come back as messages.
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

    QSqlDatabase db() const;
    // Prepares and runs a statement with its values in order; what names it in a message.
    IoResult exec(QSqlQuery& query, const QString& sql, std::initializer_list<QVariant> values,
                  const char* what);
    IoResult begin();
    IoResult commit();
    void rollback();
    // Ends the open transaction: commits when result holds, else rolls back and hands it on.
    IoResult finish(const IoResult& result);
    // A message for a failed statement of this connection.
    QString failure(const QString& detail, const char* what) const;

private:
    DatabaseAddress m_address;
    QString m_name;
};
