#include "sync/StationConfig.h"

#include "data/Environment.h"
#include "data/FileStore.h"
#include "sync/Libpq.h"

#include <QHash>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

// The address itself is never quoted: a string libpq reads otherwise than its writer meant may
// show a password in any of its parts.
IoResult BadUri(const QString& why)
{
    return IoResult::failure(QStringLiteral("The database address cannot be used: %1.").arg(why));
}

const QString PasswordBelongs = QStringLiteral(
    "a password belongs in ~/.pgpass (mode 0600) of the account that runs Horodex, or in "
    "PGPASSWORD");

// Limits that end a wait on a server that froze or a link that died; the URI may set its own,
// but a connect limit of none (0) or of minutes is brought within MaxConnectSeconds.
void BoundWaits(QStringList* options)
{
    const QList<QPair<QString, QString>> defaults{
        {QStringLiteral("connect_timeout"), QStringLiteral("5")},
        {QStringLiteral("keepalives"), QStringLiteral("1")},
        {QStringLiteral("keepalives_idle"), QStringLiteral("5")},
        {QStringLiteral("keepalives_interval"), QStringLiteral("2")},
        {QStringLiteral("keepalives_count"), QStringLiteral("3")},
        {QStringLiteral("tcp_user_timeout"), QStringLiteral("10000")}};
    for (QString& option : *options) {
        if (option.startsWith(QLatin1String("connect_timeout="))) {
            const int seconds = option.section(u'=', 1).toInt();
            if (seconds <= 0 || seconds > MaxConnectSeconds)
                option = QStringLiteral("connect_timeout=%1").arg(MaxConnectSeconds);
        }
    }
    for (const QPair<QString, QString>& option : defaults) {
        const QString prefix = option.first + u'=';
        const bool given =
            std::any_of(options->begin(), options->end(),
                        [&prefix](const QString& o) { return o.startsWith(prefix); });
        if (!given)
            options->append(prefix + option.second);
    }
}

// libpq parameters a URI may carry; a password is refused so that none is ever stored.
bool IsAllowedParameter(const QString& key)
{
    static const QStringList allowed{QStringLiteral("sslmode"),
                                     QStringLiteral("sslrootcert"),
                                     QStringLiteral("sslcert"),
                                     QStringLiteral("sslkey"),
                                     QStringLiteral("sslcrl"),
                                     QStringLiteral("connect_timeout"),
                                     QStringLiteral("application_name"),
                                     QStringLiteral("target_session_attrs"),
                                     QStringLiteral("keepalives"),
                                     QStringLiteral("keepalives_idle"),
                                     QStringLiteral("keepalives_interval"),
                                     QStringLiteral("keepalives_count"),
                                     QStringLiteral("tcp_user_timeout"),
                                     QStringLiteral("gssencmode"),
                                     QStringLiteral("channel_binding"),
                                     QStringLiteral("passfile"),
                                     QStringLiteral("host"),
                                     QStringLiteral("hostaddr"),
                                     QStringLiteral("port"),
                                     QStringLiteral("user"),
                                     QStringLiteral("dbname")};
    return allowed.contains(key);
}

// A value that passes through Qt's connection options unchanged: no blank, quote or separator.
bool IsPlainValue(const QString& value)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@+-]+$"));
    return plain.match(value).hasMatch();
}

// One value of an INI line as QSettings writes it: plain, or in double quotes with backslashes.
QString IniValue(QString value)
{
    value = value.trimmed();
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"'))
        return value;
    QString out;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        if (value.at(i) == u'\\' && i + 2 < value.size())
            ++i;
        out += value.at(i);
    }
    return out;
}

} // namespace

QString DatabaseAddress::describe() const
{
    return QStringLiteral("%1@%2:%3/%4")
        .arg(user, host.isEmpty() ? QStringLiteral("local socket") : host)
        .arg(port)
        .arg(database);
}

IoResult ParseDatabaseUri(const QString& uri, DatabaseAddress* address)
{
    *address = DatabaseAddress();
    address->uri = uri;
    QList<QPair<QString, QString>> parameters;
    if (const IoResult read = ReadConnectionString(uri, &parameters); !read)
        return BadUri(read.error);
    QString port;
    for (const auto& [key, value] : parameters) {
        if (key == QLatin1String("password"))
            return BadUri(QStringLiteral("it holds a password; ") + PasswordBelongs);
        if (!IsAllowedParameter(key))
            return BadUri(QStringLiteral("the parameter \"%1\" is not supported").arg(key));
        if (key == QLatin1String("host") || key == QLatin1String("hostaddr") ||
            key == QLatin1String("port")) {
            if (value.contains(u','))
                return BadUri(QStringLiteral("Horodex connects to one server, not to a list"));
        }
        if (key == QLatin1String("host"))
            address->host = value;
        else if (key == QLatin1String("port"))
            port = value;
        else if (key == QLatin1String("user"))
            address->user = value;
        else if (key == QLatin1String("dbname"))
            address->database = value;
        else if (!IsPlainValue(value))
            return BadUri(QStringLiteral("the value of \"%1\" is not plain").arg(key));
        else
            address->options.append(key + u'=' + value);
    }
    // Each part is shown in messages: one that no shop would choose is more likely a password
    // that libpq read as something else.
    static const QRegularExpression hostName(
        QStringLiteral("^(/[A-Za-z0-9._/-]*|[A-Za-z0-9._:-]*)$"));
    if (!hostName.match(address->host).hasMatch())
        return BadUri(QStringLiteral("the host name is not a name or an address"));
    if (!port.isEmpty()) {
        bool number = false;
        address->port = port.toInt(&number);
        if (!number || address->port <= 0 || address->port > 65535)
            return BadUri(QStringLiteral("the port is not a number"));
    }
    static const QRegularExpression odd(QStringLiteral("[/@:?#=&'\"\\\\\\s]"));
    if (address->user.contains(odd) || address->database.contains(odd))
        return BadUri(QStringLiteral("the user or database name holds / @ : ? # = & a quote, a "
                                     "backslash or a blank"));
    BoundWaits(&address->options);
    if (address->user.isEmpty() || address->database.isEmpty())
        return BadUri(QStringLiteral("it names no user or no database"));
    return IoResult::success();
}

QString MaskedUri(const QString& uri)
{
    DatabaseAddress address;
    if (!ParseDatabaseUri(uri, &address))
        return QStringLiteral("(an address that cannot be used, not shown)");
    return QStringLiteral("postgresql://") + address.describe();
}

QString StationConfigPath()
{
    return Environment::dataFilePath(QStringLiteral("station.ini"));
}

IoResult StationNameIsUsable(const QString& name)
{
    if (name.trimmed().isEmpty())
        return IoResult::failure(QStringLiteral("the station has no name"));
    if (name.size() > MaxStationNameLength)
        return IoResult::failure(QStringLiteral("the station name is longer than %1 characters")
                                     .arg(MaxStationNameLength));
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return IoResult::failure(QStringLiteral("the station name holds a control character"));
    }
    return IoResult::success();
}

IoResult ParseStationConfig(const QByteArray& bytes, const QString& path, StationConfig* config)
{
    const auto fail = [&path](const QString& why) {
        return IoResult::failure(
            QStringLiteral("The station file \"%1\" cannot be used: %2. This station keeps "
                           "punching on its own files.")
                .arg(FileStore::displayPath(path), why));
    };
    QHash<QString, QString> values;
    QString section = QStringLiteral("general");
    const QString text = QString::fromUtf8(bytes);
    int number = 0;
    bool password = false;
    for (QString line : text.split(u'\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            // Named by its number, not shown: a mistyped line may hold a password.
            return fail(QStringLiteral("line %1 is not key=value").arg(number));
        const QString key = line.left(equals).trimmed();
        // Password=, PASSWORD=, password under [Database] or Database/password: all are refused.
        if (key.section(u'/', -1).compare(QLatin1String("password"), Qt::CaseInsensitive) == 0)
            password = true;
        if (section == QLatin1String("general"))
            values.insert(key, IniValue(line.mid(equals + 1)));
    }
    if (password)
        return fail(QStringLiteral("it holds a password, which every account that may read it "
                                   "would see; remove that line: ") +
                    PasswordBelongs);
    const QString role = values.value(QStringLiteral("role")).trimmed().toLower();
    if (role == QLatin1String("head"))
        config->role = StationConfig::Role::Head;
    else if (role == QLatin1String("punch"))
        config->role = StationConfig::Role::Punch;
    else
        return fail(QStringLiteral("role is \"head\" or \"punch\", not \"%1\"")
                        .arg(FileStore::displayText(role)));
    config->station = values.value(QStringLiteral("station")).trimmed();
    if (const IoResult usable = StationNameIsUsable(config->station); !usable)
        return fail(usable.error);
    const QString uri = values.value(QStringLiteral("database")).trimmed();
    if (uri.isEmpty())
        return fail(QStringLiteral("it names no database"));
    if (const IoResult parsed = ParseDatabaseUri(uri, &config->database); !parsed)
        return IoResult::failure(
            QStringLiteral("The station file \"%1\": %2 This station keeps punching on its own "
                           "files.")
                .arg(FileStore::displayPath(path), parsed.error));
    return IoResult::success();
}

IoResult StationConfigIsTrusted(const FileStore::Ownership& file, unsigned user)
{
    if (file.owner != user && file.owner != 0)
        return IoResult::failure(
            QStringLiteral("it belongs to another account (user id %1)").arg(file.owner));
    if (file.mode & (S_IWGRP | S_IWOTH))
        return IoResult::failure(QStringLiteral("other accounts may change it (its mode is %1; "
                                                "chmod go-w fixes that)")
                                     .arg(file.mode, 4, 8, QChar(u'0')));
    return IoResult::success();
}

IoResult ReadStationConfig(std::optional<StationConfig>* config)
{
    config->reset();
    const QString path = StationConfigPath();
    if (FileStore::examine(path).kind == FileStore::Entry::Kind::Missing)
        return IoResult::success();
    QByteArray bytes;
    FileStore::Ownership ownership;
    IoResult read = FileStore::readFile(path, &bytes, MaxStationConfigSize, false, &ownership);
    // The file names the server that receives every punch: one that another account may change
    // could send them to a server of its own. As ssh does, it is refused.
    if (const IoResult trusted = StationConfigIsTrusted(ownership, ::geteuid()); read && !trusted)
        read = IoResult::failure(QStringLiteral("The station file \"%1\" is not used: %2.")
                                     .arg(FileStore::displayPath(path), trusted.error));
    if (!read)
        return IoResult::failure(read.error + QStringLiteral(" This station keeps punching on "
                                                             "its own files."));
    StationConfig parsed;
    if (const IoResult ok = ParseStationConfig(bytes, path, &parsed); !ok)
        return ok;
    parsed.folder = Environment::dataDirectory();
    *config = parsed;
    return IoResult::success();
}
