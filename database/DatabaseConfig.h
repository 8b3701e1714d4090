// Where the results database is: the read-only file "Database.ini" in the
// state folder (section "Database"), each key overridable by an environment
// variable KEV_DUX_DB_<KEY>. The program keeps no login of its own: server,
// database, user and password (or a DSN, or a whole connection string) come
// from here.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace pit {

struct DatabaseConfig {
    QString driver = QStringLiteral("SQL Server"); // a driver name of odbcinst.ini
    int port = 1433;
    QString database = QStringLiteral("BALOR");
    bool databaseGiven = false; // the key was set (a DSN keeps its own otherwise)
    QString intranetAddress;    // dotted text, the dialog's presets
    QString extranetAddress;
    QString uid;
    QString pwd;
    QString dsn;
    QString connectionString; // taken whole when set
    // Seconds the upload waits for a connection and for each statement
    // before it stops (keys LoginTimeout, QueryTimeout).
    int loginTimeout = 15;
    int queryTimeout = 60;

    // The file read (for messages).
    QString path;
};

// stateDir()/Database.ini
QString DatabaseConfigPath();

// The value of an environment variable, nothing when it is not set.
using EnvLookup = std::function<std::optional<QString>(const QString& name)>;
std::optional<QString> ProcessEnvironment(const QString& name);

// Reads the file (missing: the defaults), then lets a set variable
// KEV_DUX_DB_<KEY> (key in capitals) replace each key, even with an empty value.
DatabaseConfig LoadDatabaseConfig(const QString& path, const EnvLookup& env = ProcessEnvironment);

// "a.b.c.d", most significant byte first.
QString FormatIpAddress(uint32_t address);
// Four decimal parts 0..255 separated by dots (blanks around ignored);
// nothing for anything else.
std::optional<uint32_t> ParseIpAddress(const QString& text);

// A value in braces, "}" doubled, so ";", "=" and braces in it are kept.
QString BraceQuote(const QString& value);
// The value as it is, or braced (BraceQuote) when it holds ";", "{" or "}":
// drivers take a braced name literally ("DSN={x}" looks for "{x}").
QString QuoteIfNeeded(const QString& value);

// The ODBC connection string of an upload to the server at address (0: none):
// the whole string when configured, else the DSN, else
// "Driver={…};Server=a.b.c.d,port;Database=…;UID=…;PWD=…;" (values braced
// only when they need it).
// Empty when none of them can be built.
QString BuildSqlConnectionString(const DatabaseConfig& config, uint32_t address);

// The message when no server is known: names the file and its keys.
QString MissingServerMessage(const DatabaseConfig& config, bool english);

} // namespace pit
