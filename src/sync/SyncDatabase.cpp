#include "sync/SyncDatabase.h"

#include "sync/Schema.h"

#include <QAtomicInt>
#include <QSqlError>

namespace {

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
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

IoResult CheckServerVersion(int serverVersionNum)
{
    const int major = serverVersionNum / 10000;
    if (major == SupportedServerMajor)
        return IoResult::success();
    return IoResult::failure(
        QStringLiteral("The database server runs PostgreSQL %1.%2; Horodex needs PostgreSQL %3. "
                       "The punches wait at this station.")
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
        return IoResult::failure(QStringLiteral(
            "Qt's PostgreSQL driver (package libqt6sql6-psql) is not installed: the punches wait "
            "at this station."));
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
        return IoResult::failure(
            QStringLiteral("Cannot connect to the shared database %1: %2. The punches wait at "
                           "this station and are sent once it can be reached.")
                .arg(m_address.describe(), refused));
    }
    QSqlQuery query(db());
    if (IoResult r = exec(query, QStringLiteral("SELECT current_setting('server_version_num')"), {},
                          "tell its version");
        !r) {
        close();
        return r;
    }
    query.next();
    if (IoResult r = CheckServerVersion(query.value(0).toInt()); !r) {
        close();
        return r;
    }
    // A statement held up by a lock or a lost network must not hold the sender for ever.
    // Notices (a table that already exists) are no news for the station's user; compiling
    // queries costs more than the short queries of a station gain from it.
    if (IoResult r = exec(query,
                          QStringLiteral("SELECT set_config('statement_timeout', ?, false),"
                                         " set_config('client_min_messages', 'warning', false),"
                                         " set_config('jit', 'off', false)"),
                          {QStringLiteral("20s")}, "set a time limit");
        !r) {
        close();
        return r;
    }
    if (IoResult r = UpgradeSchema(*this); !r) {
        close();
        return r;
    }
    return IoResult::success();
}

IoResult SyncDatabase::exec(QSqlQuery& query, const QString& sql,
                            std::initializer_list<QVariant> values, const char* what)
{
    if (!query.prepare(sql))
        return IoResult::failure(failure(ErrorText(query.lastError()), what));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return IoResult::failure(failure(ErrorText(query.lastError()), what));
    return IoResult::success();
}

IoResult SyncDatabase::begin()
{
    if (!db().transaction())
        return IoResult::failure(failure(ErrorText(db().lastError()), "begin a transaction"));
    return IoResult::success();
}

IoResult SyncDatabase::commit()
{
    if (!db().commit()) {
        const QString text = ErrorText(db().lastError());
        rollback();
        return IoResult::failure(failure(text, "commit"));
    }
    return IoResult::success();
}

void SyncDatabase::rollback()
{
    db().rollback();
}

IoResult SyncDatabase::finish(const IoResult& result)
{
    if (result)
        return commit();
    rollback();
    return result;
}
