#include "database/Odbc.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <functional>
#include <type_traits>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide characters are UTF-16");
static_assert(sizeof(SQLLEN) == sizeof(intptr_t));

namespace pit::odbc {

namespace {

bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::u16string Wide(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

const SQLWCHAR* WidePtr(const std::u16string& s) {
    return reinterpret_cast<const SQLWCHAR*>(s.c_str());
}

Result ConnectionNotOpen() {
    return Result::Failure(QStringLiteral("08003"), QStringLiteral("[08003] Connection not open"));
}

// A value of a fixed-length C type; none for SQL NULL or a failed read.
template <typename T> std::optional<T> GetFixed(SQLHSTMT stmt, int column, SQLSMALLINT cType) {
    T v{};
    SQLLEN ind = 0;
    if (!stmt || !Succeeded(SQLGetData(stmt, SQLUSMALLINT(column), cType, &v, sizeof v, &ind)) ||
        ind == SQL_NULL_DATA)
        return std::nullopt;
    return v;
}

// A long value read in pieces into buffer (bytes of it usable per piece):
// take gets the byte count of each. The driver says how much remains, or
// SQL_NO_TOTAL. False for SQL NULL or a failed read.
bool GetDataInPieces(SQLHSTMT stmt, int column, SQLSMALLINT cType, void* buffer, SQLLEN bufferBytes,
                     SQLLEN usable, const std::function<void(qsizetype bytes)>& take) {
    for (;;) {
        SQLLEN ind = 0;
        const SQLRETURN rc = SQLGetData(stmt, SQLUSMALLINT(column), cType, buffer, bufferBytes, &ind);
        if (rc == SQL_NO_DATA)
            return true;
        if (!Succeeded(rc) || ind == SQL_NULL_DATA)
            return false;
        take(qsizetype((ind == SQL_NO_TOTAL || ind > usable) ? usable : ind));
        if (rc == SQL_SUCCESS)
            return true;
    }
}

} // namespace

Result Diagnose(short handleType, void* handle, const char* what) {
    Result r;
    r.ok = false;
    QStringList lines;
    for (SQLSMALLINT i = 1; handle && i <= 20; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text,
                                            SQLSMALLINT(std::size(text)), &length);
        if (!Succeeded(rc))
            break;
        const QString s = QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5);
        const int n = std::min<int>(length, int(std::size(text)) - 1);
        if (r.sqlState.isEmpty())
            r.sqlState = s;
        lines << QStringLiteral("[%1] %2").arg(
            s, QString::fromUtf16(reinterpret_cast<const char16_t*>(text), n));
    }
    if (lines.isEmpty()) {
        r.sqlState = QStringLiteral("HY000");
        lines << QStringLiteral("[HY000] %1 failed").arg(QLatin1String(what));
    }
    r.message = lines.join(QLatin1Char('\n'));
    return r;
}

// ---- environment -------------------------------------------------------------

Environment::Environment() {
    SQLHENV env = SQL_NULL_HENV;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
        m_status = Result::Failure(QStringLiteral("HY001"), QStringLiteral("[HY001] No ODBC environment"));
        return;
    }
    m_env = env;
    if (!Succeeded(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
        m_status = Diagnose(SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
}

Environment::~Environment() {
    if (m_env)
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

// ---- connection --------------------------------------------------------------

Connection::Connection(Environment& env) : m_env(env) {}

Connection::~Connection() {
    Close();
}

Result Connection::Open(const QString& connectionString, int loginTimeoutSeconds) {
    Close();
    if (!m_env.status())
        return m_env.status();
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, m_env.handle(), &dbc)))
        return Diagnose(SQL_HANDLE_ENV, m_env.handle(), "SQLAllocHandle");
    m_dbc = dbc;
    // Both timeouts: the login one alone does not cover a server that accepts
    // the connection and then never answers.
    const auto seconds = reinterpret_cast<SQLPOINTER>(intptr_t(std::max(0, loginTimeoutSeconds)));
    SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, seconds, 0);
    SQLSetConnectAttrW(dbc, SQL_ATTR_CONNECTION_TIMEOUT, seconds, 0);
    const std::u16string text = Wide(connectionString);
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, const_cast<SQLWCHAR*>(WidePtr(text)), SQL_NTS,
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!Succeeded(rc)) {
        Result r = Diagnose(SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        m_dbc = nullptr;
        return r;
    }
    m_open = true;
    return {};
}

void Connection::Close() {
    if (!m_dbc)
        return;
    if (m_open) {
        if (m_manualCommit)
            SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK);
        SQLDisconnect(m_dbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    m_dbc = nullptr;
    m_open = false;
    m_manualCommit = false;
}

Result Connection::SetAutoCommit(bool on) {
    if (!m_open)
        return ConnectionNotOpen();
    const auto value = reinterpret_cast<SQLPOINTER>(uintptr_t(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF));
    if (!Succeeded(SQLSetConnectAttrW(m_dbc, SQL_ATTR_AUTOCOMMIT, value, 0)))
        return Diagnose(SQL_HANDLE_DBC, m_dbc, "SQLSetConnectAttr");
    m_manualCommit = !on;
    return {};
}

Result Connection::EndTransaction(short completion) {
    if (!m_open)
        return ConnectionNotOpen();
    if (!Succeeded(SQLEndTran(SQL_HANDLE_DBC, m_dbc, completion)))
        return Diagnose(SQL_HANDLE_DBC, m_dbc, "SQLEndTran");
    return {};
}

Result Connection::Commit() {
    return EndTransaction(SQL_COMMIT);
}

Result Connection::Rollback() {
    return EndTransaction(SQL_ROLLBACK);
}

QString Connection::DbmsName() const {
    if (!m_open)
        return {};
    SQLWCHAR name[256] = {};
    SQLSMALLINT bytes = 0;
    if (!Succeeded(SQLGetInfoW(m_dbc, SQL_DBMS_NAME, name, SQLSMALLINT(sizeof name), &bytes)))
        return {};
    const int n = std::min<int>(bytes / int(sizeof(SQLWCHAR)), int(std::size(name)) - 1);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(name), n);
}

// ---- columns -----------------------------------------------------------------

bool ColumnInfo::IsFloating() const {
    switch (sqlType) {
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return true;
    default:
        return false;
    }
}

bool ColumnInfo::IsTimestamp() const {
    return sqlType == SQL_TYPE_TIMESTAMP || sqlType == SQL_TIMESTAMP;
}

bool ColumnInfo::IsDate() const {
    return sqlType == SQL_TYPE_DATE || sqlType == SQL_DATE;
}

bool ColumnInfo::IsBinary() const {
    return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

// ---- statement ---------------------------------------------------------------

Statement::Statement(Connection& connection) : m_connection(connection) {
    if (!connection.IsOpen()) {
        m_status = ConnectionNotOpen();
        return;
    }
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &stmt))) {
        m_status = Diagnose(SQL_HANDLE_DBC, connection.handle(), "SQLAllocHandle");
        return;
    }
    m_stmt = stmt;
}

Statement::~Statement() {
    if (m_stmt)
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
}

Result Statement::Check(short rc, const char* what) {
    if (Succeeded(rc) || rc == SQL_NO_DATA)
        return {};
    return Diagnose(SQL_HANDLE_STMT, m_stmt, what);
}

Result Statement::SetQueryTimeout(int seconds) {
    if (!m_stmt)
        return m_status;
    const auto value = reinterpret_cast<SQLPOINTER>(uintptr_t(std::max(0, seconds)));
    const SQLRETURN rc = SQLSetStmtAttrW(m_stmt, SQL_ATTR_QUERY_TIMEOUT, value, 0);
    // A driver that cannot time out statements says so with 01S02 or HYC00; not fatal.
    if (!Succeeded(rc)) {
        Result r = Diagnose(SQL_HANDLE_STMT, m_stmt, "SQLSetStmtAttr");
        return r.sqlState == QLatin1String("HYC00") ? Result{} : r;
    }
    return {};
}

Result CancelStatement(void* statementHandle) {
    if (!statementHandle)
        return Result::Failure(QStringLiteral("HY010"), QStringLiteral("[HY010] No statement"));
    // Not diagnosed here: the records belong to the thread running the statement.
    if (!Succeeded(SQLCancel(statementHandle)))
        return Result::Failure(QStringLiteral("HY000"), QStringLiteral("[HY000] SQLCancel failed"));
    return {};
}

Result Statement::Cancel() {
    return m_stmt ? CancelStatement(m_stmt) : m_status;
}

Result Statement::Prepare(const QString& sql) {
    if (!m_stmt)
        return m_status;
    ClearParameters();
    const std::u16string text = Wide(sql);
    return Check(SQLPrepareW(m_stmt, const_cast<SQLWCHAR*>(WidePtr(text)), SQL_NTS), "SQLPrepare");
}

Statement::Param& Statement::Slot(int index) {
    if (index > int(m_params.size()))
        m_params.resize(size_t(index));
    return m_params[size_t(index - 1)];
}

void Statement::BindText(int index, const QString& value) {
    Slot(index).value = Wide(value);
}
void Statement::BindInt(int index, int32_t value) {
    Slot(index).value = value;
}
void Statement::BindFloat(int index, float value) {
    Slot(index).value = value;
}
void Statement::BindDouble(int index, double value) {
    Slot(index).value = value;
}
void Statement::BindTimestamp(int index, const QDateTime& value) {
    if (!value.isValid()) {
        Slot(index).value = Null{SQL_TYPE_TIMESTAMP};
        return;
    }
    const QDate d = value.date();
    const QTime t = value.time();
    Slot(index).value = Timestamp{int16_t(d.year()),
                                  uint16_t(d.month()),
                                  uint16_t(d.day()),
                                  uint16_t(t.hour()),
                                  uint16_t(t.minute()),
                                  uint16_t(t.second()),
                                  uint32_t(t.msec()) * 1000000u};
}
void Statement::BindDate(int index, const QDate& value) {
    if (!value.isValid()) {
        Slot(index).value = Null{SQL_TYPE_DATE};
        return;
    }
    Slot(index).value = Date{int16_t(value.year()), uint16_t(value.month()), uint16_t(value.day())};
}
void Statement::BindBinary(int index, const QByteArray& value, int sqlType) {
    Slot(index).value = Binary{value, sqlType ? sqlType : SQL_VARBINARY};
}
void Statement::BindNull(int index, int sqlType) {
    Slot(index).value = Null{sqlType};
}
void Statement::ClearParameters() {
    m_params.clear();
    if (m_stmt)
        SQLFreeStmt(m_stmt, SQL_RESET_PARAMS);
}

Result Statement::BindAll() {
    for (size_t i = 0; i < m_params.size(); ++i) {
        Param& p = m_params[i];
        const auto n = SQLUSMALLINT(i + 1);
        SQLRETURN rc = SQL_SUCCESS;
        auto bind = [&](SQLSMALLINT cType, SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits, void* data,
                        SQLLEN bufferBytes, SQLLEN indicator) {
            p.indicator = indicator;
            rc = SQLBindParameter(m_stmt, n, SQL_PARAM_INPUT, cType, sqlType, size, digits, data, bufferBytes,
                                  reinterpret_cast<SQLLEN*>(&p.indicator));
        };
        if (auto* s = std::get_if<std::u16string>(&p.value)) {
            const auto bytes = SQLLEN(s->size() * sizeof(char16_t));
            bind(SQL_C_WCHAR, SQL_WVARCHAR, std::max<SQLULEN>(1, s->size()), 0, s->data(), bytes, bytes);
        } else if (auto* v = std::get_if<int32_t>(&p.value)) {
            bind(SQL_C_SLONG, SQL_INTEGER, 0, 0, v, 0, 0);
        } else if (auto* f = std::get_if<float>(&p.value)) {
            bind(SQL_C_FLOAT, SQL_REAL, 0, 0, f, 0, 0);
        } else if (auto* d = std::get_if<double>(&p.value)) {
            bind(SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, d, 0, 0);
        } else if (auto* t = std::get_if<Timestamp>(&p.value)) {
            static_assert(sizeof(Timestamp) == sizeof(SQL_TIMESTAMP_STRUCT));
            // Column size 23 and 3 digits: milliseconds, which every server keeps.
            bind(SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, t, sizeof(Timestamp), sizeof(Timestamp));
        } else if (auto* dt = std::get_if<Date>(&p.value)) {
            static_assert(sizeof(Date) == sizeof(SQL_DATE_STRUCT));
            bind(SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, dt, sizeof(Date), sizeof(Date));
        } else if (auto* b = std::get_if<Binary>(&p.value)) {
            const auto bytes = SQLLEN(b->bytes.size());
            bind(SQL_C_BINARY, SQLSMALLINT(b->sqlType), std::max<SQLULEN>(1, SQLULEN(bytes)), 0,
                 b->bytes.data(), bytes, bytes);
        } else if (auto* z = std::get_if<Null>(&p.value)) {
            bind(SQL_C_DEFAULT, SQLSMALLINT(z->sqlType), 1, 0, nullptr, 0, SQL_NULL_DATA);
        } else {
            return Result::Failure(QStringLiteral("07002"),
                                   QStringLiteral("[07002] Parameter %1 has no value").arg(i + 1));
        }
        if (!Succeeded(rc))
            return Diagnose(SQL_HANDLE_STMT, m_stmt, "SQLBindParameter");
    }
    return {};
}

Result Statement::Execute() {
    if (!m_stmt)
        return m_status;
    if (Result r = BindAll(); !r)
        return r;
    return Check(SQLExecute(m_stmt), "SQLExecute");
}

Result Statement::ExecDirect(const QString& sql) {
    if (!m_stmt)
        return m_status;
    if (Result r = BindAll(); !r)
        return r;
    const std::u16string text = Wide(sql);
    return Check(SQLExecDirectW(m_stmt, const_cast<SQLWCHAR*>(WidePtr(text)), SQL_NTS), "SQLExecDirect");
}

int Statement::ColumnCount() {
    SQLSMALLINT n = 0;
    if (!m_stmt || !Succeeded(SQLNumResultCols(m_stmt, &n)))
        return 0;
    return n;
}

Result Statement::Describe(int column, ColumnInfo& out) {
    if (!m_stmt)
        return m_status;
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    const SQLRETURN rc = SQLDescribeColW(m_stmt, SQLUSMALLINT(column), name, SQLSMALLINT(std::size(name)),
                                         &nameLength, &type, &size, &digits, &nullable);
    if (!Succeeded(rc))
        return Diagnose(SQL_HANDLE_STMT, m_stmt, "SQLDescribeCol");
    const int n = std::min<int>(nameLength, int(std::size(name)) - 1);
    out.name = QString::fromUtf16(reinterpret_cast<const char16_t*>(name), n);
    out.sqlType = type;
    out.size = size;
    return {};
}

bool Statement::Fetch() {
    if (!m_stmt)
        return false;
    const SQLRETURN rc = SQLFetch(m_stmt);
    if (Succeeded(rc))
        return true;
    if (rc != SQL_NO_DATA)
        m_status = Diagnose(SQL_HANDLE_STMT, m_stmt, "SQLFetch");
    return false;
}

Result Statement::CloseCursor() {
    if (!m_stmt)
        return m_status;
    return Check(SQLFreeStmt(m_stmt, SQL_CLOSE), "SQLFreeStmt");
}

std::optional<int64_t> Statement::GetInt(int column) {
    if (const auto v = GetFixed<SQLBIGINT>(m_stmt, column, SQL_C_SBIGINT))
        return int64_t(*v);
    return std::nullopt;
}

std::optional<double> Statement::GetDouble(int column) {
    return GetFixed<double>(m_stmt, column, SQL_C_DOUBLE);
}

std::optional<QString> Statement::GetText(int column) {
    if (!m_stmt)
        return std::nullopt;
    QString out;
    char16_t buffer[2048];
    // Each piece but the last ends in a terminator.
    const auto usable = SQLLEN((std::size(buffer) - 1) * sizeof(char16_t));
    if (!GetDataInPieces(m_stmt, column, SQL_C_WCHAR, buffer, sizeof buffer, usable, [&](qsizetype bytes) {
            out.append(QStringView(buffer, bytes / qsizetype(sizeof(char16_t))));
        }))
        return std::nullopt;
    return out;
}

std::optional<QByteArray> Statement::GetBinary(int column) {
    if (!m_stmt)
        return std::nullopt;
    QByteArray out;
    char buffer[8192];
    if (!GetDataInPieces(m_stmt, column, SQL_C_BINARY, buffer, sizeof buffer, sizeof buffer,
                         [&](qsizetype bytes) { out.append(buffer, bytes); }))
        return std::nullopt;
    return out;
}

std::optional<QDateTime> Statement::GetTimestamp(int column) {
    const auto stamp = GetFixed<SQL_TIMESTAMP_STRUCT>(m_stmt, column, SQL_C_TYPE_TIMESTAMP);
    if (!stamp)
        return std::nullopt;
    const SQL_TIMESTAMP_STRUCT& t = *stamp;
    return QDateTime(QDate(t.year, t.month, t.day),
                     QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
}

} // namespace pit::odbc
