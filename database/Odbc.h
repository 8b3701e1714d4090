// A small RAII layer over the ODBC driver manager (unixODBC): environment,
// connection and statement handles that free themselves, diagnostics
// (SQLSTATE and the driver's text) returned as results, never thrown, and
// statement parameters kept by the statement until it executes.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace pit::odbc {

// The outcome of one call: success, or the first SQLSTATE and every
// diagnostic record's text.
struct Result {
    bool ok = true;
    QString sqlState; // five characters, e.g. "08001"; empty on success
    QString message;  // "[SQLSTATE] text" per record, one per line

    explicit operator bool() const { return ok; }
    static Result Success() { return {}; }
    static Result Failure(const QString& state, const QString& text) { return {false, state, text}; }
    // A constraint the database refused (unique key, foreign key, check).
    bool IsIntegrityViolation() const { return !ok && sqlState.startsWith(QLatin1String("23")); }
    // The driver gave up waiting (HYT00 timeout expired, HYT01 connection timeout).
    bool IsTimeout() const {
        return !ok && (sqlState == QLatin1String("HYT00") || sqlState == QLatin1String("HYT01"));
    }
};

class Environment {
public:
    // Allocates the environment with ODBC 3 behaviour; check status().
    Environment();
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    const Result& status() const { return m_status; }
    void* handle() const { return m_env; }

private:
    void* m_env = nullptr;
    Result m_status;
};

class Connection {
public:
    explicit Connection(Environment& env);
    // Rolls back what was not committed, disconnects and frees the handle.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects without a prompt; the string holds driver or DSN, server and login.
    Result Open(const QString& connectionString, int loginTimeoutSeconds = 15);
    bool IsOpen() const { return m_open; }
    // Rolls back an open transaction, then disconnects.
    void Close();

    Result SetAutoCommit(bool on);
    Result Commit();
    Result Rollback();
    // The server product as the driver names it ("SQLite", "PostgreSQL", ...).
    QString DbmsName() const;

    void* handle() const { return m_dbc; }

private:
    // SQLEndTran with SQL_COMMIT or SQL_ROLLBACK.
    Result EndTransaction(short completion);

    Environment& m_env;
    void* m_dbc = nullptr;
    bool m_open = false;
    bool m_manualCommit = false;
};

// How a column is declared, as the driver describes it.
struct ColumnInfo {
    QString name;
    int sqlType = 0; // SQL_* data type code
    uint64_t size = 0;
    bool IsFloating() const;
    bool IsTimestamp() const;
    bool IsDate() const;
    bool IsBinary() const;
};

class Statement {
public:
    explicit Statement(Connection& connection);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    const Result& status() const { return m_status; }

    // Seconds before the driver cancels a statement; 0 waits for ever.
    Result SetQueryTimeout(int seconds);
    // Asks the driver to stop the function running on this statement; the
    // one call that may come from another thread while it runs.
    Result Cancel();
    void* handle() const { return m_stmt; }

    Result Prepare(const QString& sql);
    // Parameters by their 1-based position; they are bound when Execute runs,
    // so each value lives as long as the statement keeps it.
    void BindText(int index, const QString& value);
    void BindInt(int index, int32_t value);
    void BindFloat(int index, float value);
    void BindDouble(int index, double value);
    // Local wall time, to the millisecond; an invalid time or date binds NULL.
    void BindTimestamp(int index, const QDateTime& value);
    void BindDate(int index, const QDate& value);
    // sqlType: the column's binary type when known (SQL_VARBINARY otherwise).
    void BindBinary(int index, const QByteArray& value, int sqlType = 0);
    void BindNull(int index, int sqlType);
    void ClearParameters();
    Result Execute();
    Result ExecDirect(const QString& sql);

    // Result sets. Fetch gives false at the end (and on failure, see status()).
    int ColumnCount();
    Result Describe(int column, ColumnInfo& out);
    bool Fetch();
    Result CloseCursor();
    // Values of the current row by 1-based column; nothing for NULL or failure.
    std::optional<int64_t> GetInt(int column);
    std::optional<double> GetDouble(int column);
    std::optional<QString> GetText(int column);
    std::optional<QByteArray> GetBinary(int column);
    std::optional<QDateTime> GetTimestamp(int column);

private:
    struct Timestamp {
        int16_t year;
        uint16_t month, day, hour, minute, second;
        uint32_t fraction;
    };
    struct Date {
        int16_t year;
        uint16_t month, day;
    };
    struct Null {
        int sqlType;
    };
    struct Binary {
        QByteArray bytes;
        int sqlType;
    };
    using Value =
        std::variant<std::monostate, std::u16string, int32_t, float, double, Timestamp, Date, Binary, Null>;
    struct Param {
        Value value;
        intptr_t indicator = 0; // SQLLEN
    };
    Param& Slot(int index);
    Result BindAll();
    Result Check(short rc, const char* what);

    Connection& m_connection;
    void* m_stmt = nullptr;
    Result m_status;
    std::vector<Param> m_params;
};

// The diagnostic records of a handle (type SQL_HANDLE_*) as a failed result.
Result Diagnose(short handleType, void* handle, const char* what);
// SQLCancel on a statement handle (for a thread that holds only the handle).
Result CancelStatement(void* statementHandle);

} // namespace pit::odbc
