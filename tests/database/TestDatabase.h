// A database of a test's own for the upload tests: an SQLite file, or a
// schema on the PostgreSQL server that test.sh starts (KEV_TEST_PG_ODBC).
#pragma once

#include "database/Odbc.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <ostream>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace pit::test {

// Before any ODBC call: the drivers of the build's own odbcinst.ini.
inline const bool kOdbcConfigured = [] {
    setenv("ODBCSYSINI", PIT_ODBC_SYSINI, 1);
    return true;
}();

// A TCP socket on a free port of 127.0.0.1, listening when backlog > 0;
// port receives its port. -1 when it cannot be had.
inline int LoopbackSocket(int& port, int backlog) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        (backlog > 0 && listen(s, backlog) != 0) ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (s >= 0)
            close(s);
        return -1;
    }
    port = ntohs(a.sin_port);
    return s;
}

enum class Backend { SQLite, PostgreSQL };

inline QString BackendName(Backend b) {
    return b == Backend::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

inline void PrintTo(Backend b, std::ostream* os) {
    *os << BackendName(b).toStdString();
}

// A database of the test's own, reached by connectionString.
struct TestDatabase {
    Backend backend;
    QTemporaryDir dir;
    QString connectionString;
    QString skipReason;
    QString schema; // PostgreSQL: the test's own
    odbc::Environment env;

    explicit TestDatabase(Backend b, const QString& tag) : backend(b) {
        if (b == Backend::SQLite) {
            connectionString =
                QStringLiteral("Driver={SQLite3};Database=%1;").arg(dir.filePath("results.db"));
            return;
        }
        const QString base = qEnvironmentVariable("KEV_TEST_PG_ODBC");
        if (base.isEmpty()) {
            skipReason = QStringLiteral("KEV_TEST_PG_ODBC is not set (./test.sh starts a server)");
            return;
        }
        schema = QStringLiteral("t_%1_%2").arg(qHash(tag), 0, 16).arg(getpid());
        odbc::Connection c(env);
        if (odbc::Result r = c.Open(base); !r) {
            skipReason = r.message;
            return;
        }
        odbc::Statement s(c);
        s.ExecDirect(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
        odbc::Statement t(c);
        EXPECT_TRUE(t.ExecDirect(QStringLiteral("CREATE SCHEMA %1").arg(schema)));
        // Every connection of the test works in its own schema, so tests may run side by side.
        connectionString = base + QStringLiteral(";ConnSettings={SET search_path TO %1};").arg(schema);
    }

    // The keys of this database as a data source of odbc.ini named name.
    QString DsnSection(const QString& name) const {
        QString out = QStringLiteral("[%1]\n").arg(name);
        if (backend == Backend::SQLite)
            return out + QStringLiteral("Driver=SQLite3\nDatabase=%1\n").arg(dir.filePath("results.db"));
        // The server's keys, from the connection string test.sh gives.
        const QString names[][2] = {{u"Driver"_qs, u"Driver"_qs}, {u"Server"_qs, u"Servername"_qs},
                                    {u"Port"_qs, u"Port"_qs},     {u"Database"_qs, u"Database"_qs},
                                    {u"UID"_qs, u"Username"_qs},  {u"PWD"_qs, u"Password"_qs}};
        for (const QString& part : qEnvironmentVariable("KEV_TEST_PG_ODBC").split(u';', Qt::SkipEmptyParts)) {
            const QString key = part.section(u'=', 0, 0).trimmed();
            for (const auto& n : names)
                if (key.compare(n[0], Qt::CaseInsensitive) == 0)
                    out += n[1] + u'=' + part.section(u'=', 1) + u'\n';
        }
        return out + QStringLiteral("ConnSettings=SET search_path TO %1\n").arg(schema);
    }

    QString Blob() const {
        return backend == Backend::SQLite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA");
    }
    QString Double() const {
        return backend == Backend::SQLite ? QStringLiteral("DOUBLE") : QStringLiteral("DOUBLE PRECISION");
    }

    void Exec(const QString& sql) {
        odbc::Connection c(env);
        ASSERT_TRUE(c.Open(connectionString)) << sql.toStdString();
        odbc::Statement s(c);
        const odbc::Result r = s.ExecDirect(sql);
        ASSERT_TRUE(r) << r.message.toStdString() << "\n" << sql.toStdString();
    }

    void CreateTables(const QString& dateType = QStringLiteral("TIMESTAMP")) {
        Exec(QStringLiteral(
            "CREATE TABLE ZDC_M (WTDBH VARCHAR(60) PRIMARY KEY, SYR1 VARCHAR(50), SYR2 VARCHAR(50), "
            "SBMCBH1 VARCHAR(50), SBMCBH2 VARCHAR(50), JLYJY VARCHAR(500))"));
        Exec(QStringLiteral(
                 "CREATE TABLE ZDC_S (WTDBH VARCHAR(60), XH INTEGER, ZBH VARCHAR(50), SCZJ REAL, SYRQ %1, "
                 "Defect0 REAL, Defect1 REAL, PileCA INTEGER, IntegrityClass VARCHAR(10), "
                 "IntegrityInf VARCHAR(500), PileLen REAL, pic %2)")
                 .arg(dateType, Blob()));
    }

    // A trigger that refuses the pile row with list number xh.
    void RefusePileRow(int xh) {
        if (backend == Backend::SQLite) {
            Exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON ZDC_S WHEN NEW.XH = %1 "
                                "BEGIN SELECT RAISE(ABORT, 'pile row refused'); END")
                     .arg(xh));
            return;
        }
        Exec(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN IF NEW.XH = %1 THEN "
                            "RAISE EXCEPTION 'pile row refused'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql")
                 .arg(xh));
        Exec(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE INSERT ON ZDC_S FOR EACH ROW EXECUTE FUNCTION refuse()"));
    }

    int64_t Count(const QString& table) {
        odbc::Connection c(env);
        EXPECT_TRUE(c.Open(connectionString));
        odbc::Statement s(c);
        if (!s.ExecDirect(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) || !s.Fetch())
            return -1;
        return s.GetInt(1).value_or(-1);
    }

    struct MasterRow {
        QString values[6];
    };
    std::vector<MasterRow> Masters() {
        std::vector<MasterRow> out;
        odbc::Connection c(env);
        EXPECT_TRUE(c.Open(connectionString));
        odbc::Statement s(c);
        EXPECT_TRUE(
            s.ExecDirect(QStringLiteral("SELECT WTDBH, SYR1, SYR2, SBMCBH1, SBMCBH2, JLYJY FROM ZDC_M")));
        while (s.Fetch()) {
            MasterRow m;
            for (int i = 0; i < 6; ++i)
                m.values[i] = s.GetText(i + 1).value_or(QStringLiteral("<null>"));
            out.push_back(m);
        }
        return out;
    }

    struct PileRow {
        QString order;
        int64_t xh = 0;
        QString pileNo;
        double diameter = 0;
        std::optional<QDateTime> date;
        std::optional<double> dateValue;
        double defect0 = -1, defect1 = -1;
        int64_t speed = 0;
        QString integrityClass, integrityInfo;
        double length = 0;
        QByteArray pic;
    };
    std::vector<PileRow> Piles(bool dateAsNumber = false) {
        std::vector<PileRow> out;
        odbc::Connection c(env);
        EXPECT_TRUE(c.Open(connectionString));
        odbc::Statement s(c);
        EXPECT_TRUE(s.ExecDirect(
            QStringLiteral("SELECT WTDBH, XH, ZBH, SCZJ, SYRQ, Defect0, Defect1, PileCA, "
                           "IntegrityClass, IntegrityInf, PileLen, pic FROM ZDC_S ORDER BY XH")));
        while (s.Fetch()) {
            PileRow p;
            p.order = s.GetText(1).value_or(QString());
            p.xh = s.GetInt(2).value_or(-1);
            p.pileNo = s.GetText(3).value_or(QString());
            p.diameter = s.GetDouble(4).value_or(-1);
            if (dateAsNumber)
                p.dateValue = s.GetDouble(5);
            else
                p.date = s.GetTimestamp(5);
            p.defect0 = s.GetDouble(6).value_or(-1);
            p.defect1 = s.GetDouble(7).value_or(-1);
            p.speed = s.GetInt(8).value_or(-1);
            p.integrityClass = s.GetText(9).value_or(QString());
            p.integrityInfo = s.GetText(10).value_or(QString());
            p.length = s.GetDouble(11).value_or(-1);
            p.pic = s.GetBinary(12).value_or(QByteArray());
            out.push_back(p);
        }
        return out;
    }
};

} // namespace pit::test
