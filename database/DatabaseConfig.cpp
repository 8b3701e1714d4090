#include "database/DatabaseConfig.h"

#include "platform/IniFile.h"
#include "platform/Paths.h"

#include <QStringList>

namespace pit {

namespace {

const QString kSection = QStringLiteral("Database");

} // namespace

QString DatabaseConfigPath() {
    return joinPath(stateDir(), QStringLiteral("Database.ini"));
}

std::optional<QString> ProcessEnvironment(const QString& name) {
    const QByteArray key = name.toLatin1();
    if (!qEnvironmentVariableIsSet(key.constData()))
        return std::nullopt;
    return qEnvironmentVariable(key.constData());
}

DatabaseConfig LoadDatabaseConfig(const QString& path, const EnvLookup& env) {
    DatabaseConfig c;
    c.path = path;
    IniFile ini;
    ini.load(path);
    auto value = [&](const QString& key, const QString& def, bool* given = nullptr) {
        QString v = ini.readString(kSection, key, def);
        bool set = ini.hasKey(kSection, key) && !ini.readString(kSection, key).isEmpty();
        if (env) {
            if (std::optional<QString> e = env(QStringLiteral("KEV_DUX_DB_") + key.toUpper())) {
                v = e->trimmed();
                set = true;
            }
        }
        if (given)
            *given = set;
        return v;
    };
    c.driver = value(QStringLiteral("Driver"), c.driver);
    bool ok = false;
    const int port = value(QStringLiteral("Port"), QString::number(c.port)).toInt(&ok);
    if (ok && port > 0 && port < 65536)
        c.port = port;
    c.database = value(QStringLiteral("Database"), c.database, &c.databaseGiven);
    c.intranetAddress = value(QStringLiteral("IntranetAddress"), {});
    c.extranetAddress = value(QStringLiteral("ExtranetAddress"), {});
    c.uid = value(QStringLiteral("UID"), {});
    c.pwd = value(QStringLiteral("PWD"), {});
    c.dsn = value(QStringLiteral("DSN"), {});
    c.connectionString = value(QStringLiteral("ConnectionString"), {});
    for (auto [key, seconds] : {std::pair{QStringLiteral("LoginTimeout"), &c.loginTimeout},
                                std::pair{QStringLiteral("QueryTimeout"), &c.queryTimeout}}) {
        bool ok = false;
        const int v = value(key, QString::number(*seconds)).toInt(&ok);
        if (ok && v > 0 && v <= 3600)
            *seconds = v;
    }
    return c;
}

QString FormatIpAddress(uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg((address >> 24) & 0xFF)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::optional<uint32_t> ParseIpAddress(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    uint32_t address = 0;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return std::nullopt;
        for (QChar ch : p)
            if (ch < u'0' || ch > u'9')
                return std::nullopt;
        const int v = p.toInt();
        if (v > 255)
            return std::nullopt;
        address = (address << 8) | uint32_t(v);
    }
    return address;
}

QString BraceQuote(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

QString QuoteIfNeeded(const QString& value) {
    const bool special = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{')) ||
                         value.contains(QLatin1Char('}'));
    return special ? BraceQuote(value) : value;
}

QString BuildSqlConnectionString(const DatabaseConfig& config, uint32_t address) {
    if (!config.connectionString.isEmpty())
        return config.connectionString;
    QString login;
    if (!config.uid.isEmpty())
        login += QStringLiteral("UID=") + QuoteIfNeeded(config.uid) + QLatin1Char(';');
    if (!config.pwd.isEmpty())
        login += QStringLiteral("PWD=") + QuoteIfNeeded(config.pwd) + QLatin1Char(';');
    if (!config.dsn.isEmpty()) {
        QString s = QStringLiteral("DSN=") + QuoteIfNeeded(config.dsn) + QLatin1Char(';');
        if (config.databaseGiven)
            s += QStringLiteral("Database=") + QuoteIfNeeded(config.database) + QLatin1Char(';');
        return s + login;
    }
    if (address == 0)
        return {};
    return QStringLiteral("Driver=") + BraceQuote(config.driver) + QStringLiteral(";Server=") +
           FormatIpAddress(address) + QLatin1Char(',') + QString::number(config.port) +
           QStringLiteral(";Database=") + QuoteIfNeeded(config.database) + QLatin1Char(';') + login;
}

QString MissingServerMessage(const DatabaseConfig& config, bool english) {
    if (english)
        return QStringLiteral(
                   "No database server is set up. Set IntranetAddress or ExtranetAddress (or DSN, or "
                   "ConnectionString) in section [Database] of\n%1")
            .arg(config.path);
    return QStringLiteral("未设置数据库服务器。请在以下文件的 [Database] 节中设置 IntranetAddress 或 "
                          "ExtranetAddress（或 DSN、ConnectionString）：\n%1")
        .arg(config.path);
}

} // namespace pit
