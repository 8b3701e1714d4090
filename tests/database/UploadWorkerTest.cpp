// The upload as the window runs it: reached through a data source of a real
// odbc.ini, and on a worker thread that Cancel and the timeouts stop when a
// driver waits for ever (an SQLite file another connection holds locked, a
// PostgreSQL server that stops answering), with nothing written.
#include "database/DatabaseConfig.h"
#include "database/Odbc.h"
#include "database/ResultsUploader.h"
#include "database/UploadJob.h"
#include "tests/database/TestDatabase.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace pit;
using pit::test::Backend;
using pit::test::BackendName;
using pit::test::TestDatabase;
using Clock = std::chrono::steady_clock;
using Status = UploadOutcome::Status;

namespace {

UploadOrder JobOrder(const QString& number) {
    UploadOrder o;
    o.entrustNo = number;
    o.tester1 = u"张三"_qs;
    o.conclusion = u"桩身完整"_qs;
    return o;
}

PreparedUpload TwoPiles() {
    PreparedUpload p;
    for (int i = 1; i <= 2; ++i) {
        PreparedPile pile;
        pile.xh = i;
        pile.name = QStringLiteral("P%1.DUX").arg(i);
        pile.values.pileNo = QStringLiteral("P%1").arg(i);
        pile.values.constructionDate = QDateTime(QDate(2024, 3, i), QTime(8, 0));
        pile.picture = QByteArray("BM") + QByteArray(600, char(i));
        p.piles.push_back(pile);
    }
    return p;
}

// Polls the job as the window's timer does; the seconds it took.
double RunToEnd(UploadJob& job, double giveUpSeconds = 60) {
    const Clock::time_point start = Clock::now();
    job.Start();
    while (!job.Poll()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (std::chrono::duration<double>(Clock::now() - start).count() > giveUpSeconds)
            break;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Waits until no worker runs any more (one left behind ends once its driver returns).
bool WorkersEnd(double seconds = 60) {
    const Clock::time_point start = Clock::now();
    while (UploadJob::RunningWorkers() > 0) {
        if (std::chrono::duration<double>(Clock::now() - start).count() > seconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class Worker : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        db = std::make_unique<TestDatabase>(GetParam(), QString::fromStdString(name).section(u'/', 0, 0));
        if (!db->skipReason.isEmpty())
            GTEST_SKIP() << db->skipReason.toStdString();
        db->CreateTables();
    }
    void TearDown() override { EXPECT_TRUE(WorkersEnd()); }
    std::unique_ptr<TestDatabase> db;
};

// "DSN=name;" reaches the data source as odbc.ini describes it: the rows
// land in the database the DSN names, not in a driver's default.
TEST_P(Worker, ADataSourceOfOdbcIniReceivesTheRows) {
    QTemporaryDir home;
    const QString ini = home.filePath(u"odbc.ini"_qs);
    const QString dsn = QStringLiteral("kev_%1_%2").arg(BackendName(GetParam())).arg(getpid());
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(db->DsnSection(dsn).toUtf8());
    }
    // The user's data sources (unixODBC reads ODBCINI at each connection).
    const QByteArray before = qgetenv("ODBCINI");
    qputenv("ODBCINI", QFile::encodeName(ini));
    DatabaseConfig config;
    config.dsn = dsn;
    const QString connection = BuildSqlConnectionString(config, 0);
    EXPECT_EQ(connection, QStringLiteral("DSN=%1;").arg(dsn));
    UploadJob job(connection, JobOrder(u"WT-DSN"_qs), TwoPiles(), {5, 10});
    RunToEnd(job);
    qputenv("ODBCINI", before);
    ASSERT_EQ(job.Outcome().status, Status::Written) << job.Outcome().error.toStdString();
    EXPECT_EQ(job.Outcome().pileRows, 2);
    EXPECT_EQ(job.RowsWritten(), 2);
    const auto piles = db->Piles();
    ASSERT_EQ(piles.size(), 2u);
    EXPECT_EQ(piles[1].pileNo, u"P2"_qs);
    EXPECT_EQ(db->Masters().at(0).values[0], u"WT-DSN"_qs);
}

// Cancel before the commit: whatever was written goes back.
TEST_P(Worker, CancelRollsTheUploadBack) {
    UploadJob job(db->connectionString, JobOrder(u"WT-C"_qs), TwoPiles(), {5, 10});
    job.Start();
    job.Cancel();
    while (!job.Poll())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The commit may have won the race; then both rows are there, never some.
    if (job.Outcome().status == Status::Written) {
        EXPECT_EQ(db->Count(u"ZDC_S"_qs), 2);
        return;
    }
    EXPECT_EQ(job.Outcome().status, Status::Cancelled) << job.Outcome().error.toStdString();
    EXPECT_EQ(db->Count(u"ZDC_M"_qs), 0);
    EXPECT_EQ(db->Count(u"ZDC_S"_qs), 0);
    EXPECT_TRUE(MessageFor(job.Outcome(), false).text.startsWith(u"上传已取消，未写入任何数据。"_qs));
}

INSTANTIATE_TEST_SUITE_P(Drivers, Worker, testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const auto& info) { return BackendName(info.param).toStdString(); });

// Another connection holds the SQLite file locked: the driver ignores both
// its timeouts and the cancel, so the upload's own timeout ends it, while
// connecting (an exclusive lock) or at the first row (a write lock).
TEST(WorkerTimeouts, AHeldSQLiteLockEndsWithinTheTimeoutAndWritesNothing) {
    TestDatabase db(Backend::SQLite, u"lock"_qs);
    db.CreateTables();
    for (const char* lockWith : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE"}) {
        SCOPED_TRACE(lockWith);
        odbc::Connection holder(db.env);
        ASSERT_TRUE(holder.Open(db.connectionString));
        {
            odbc::Statement lock(holder);
            ASSERT_TRUE(lock.ExecDirect(QString::fromLatin1(lockWith)));
        }
        UploadJob job(db.connectionString, JobOrder(u"WT-L"_qs), TwoPiles(), {2, 2});
        const double took = RunToEnd(job);
        EXPECT_EQ(job.Outcome().status, Status::TimedOut) << job.Outcome().error.toStdString();
        EXPECT_GE(took, 1.9);
        EXPECT_LT(took, 2 + (UploadJob::kSlackMilliseconds + UploadJob::kGraceMilliseconds) / 1000.0 + 2.0);
        // The message gives the time waited.
        EXPECT_NEAR(job.Outcome().timeoutSeconds, took, 1.0);
        EXPECT_TRUE(MessageFor(job.Outcome(), false)
                        .text.startsWith(
                            QStringLiteral("数据库在 %1 秒内没有响应").arg(job.Outcome().timeoutSeconds)));
        // Released, the worker left behind finishes by itself and commits nothing.
        {
            odbc::Statement release(holder);
            ASSERT_TRUE(release.ExecDirect(u"ROLLBACK"_qs));
        }
        holder.Close();
        EXPECT_TRUE(WorkersEnd());
        EXPECT_EQ(db.Count(u"ZDC_M"_qs), 0);
        EXPECT_EQ(db.Count(u"ZDC_S"_qs), 0);
    }
}

// A relay between the driver and the PostgreSQL server that can stop
// answering: at once, or from the first client message holding a text.
class StallingRelay {
public:
    StallingRelay(int serverPort, QByteArray stallOn)
        : m_serverPort(serverPort), m_stallOn(std::move(stallOn)) {
        m_listen = pit::test::LoopbackSocket(m_port, 8);
        m_accept = std::thread([this] { Accept(); });
    }
    ~StallingRelay() {
        m_stop = true;
        shutdown(m_listen, SHUT_RDWR);
        m_accept.join();
        for (std::thread& t : m_pumps)
            t.join();
        close(m_listen);
    }
    int port() const { return m_port; }
    bool stalled() const { return m_stalled; }

private:
    void Accept() {
        for (;;) {
            const int client = accept(m_listen, nullptr, nullptr);
            if (client < 0 || m_stop)
                return;
            const int server = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(uint16_t(m_serverPort));
            connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a);
            m_pumps.emplace_back([this, client, server] { Pump(client, server); });
        }
    }
    // Both directions until either side closes or the relay ends; once
    // stalled, what arrives is read and dropped, so the driver waits.
    void Pump(int client, int server) {
        pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[16384];
        while (!m_stop) {
            if (poll(fds, 2, 50) <= 0)
                continue;
            bool closed = false;
            for (int i = 0; i < 2; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    closed = true;
                    break;
                }
                if (i == 0 && (m_stallOn.isEmpty() || QByteArray(buffer, n).contains(m_stallOn)))
                    m_stalled = true;
                if (!m_stalled)
                    (void)!write(fds[1 - i].fd, buffer, size_t(n));
            }
            if (closed)
                break;
        }
        close(client);
        close(server);
    }

    int m_serverPort;
    QByteArray m_stallOn;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stalled{false};
    std::thread m_accept;
    std::vector<std::thread> m_pumps;
};

QString WithPort(QString connection, int port) {
    return connection.replace(QRegularExpression(u"Port=\\d+"_qs), QStringLiteral("Port=%1").arg(port));
}

// The server stops answering: before the login, or in the middle of the
// upload (the master row sent). The message comes within the timeout and
// nothing is written; a stopped server is told at once.
TEST(WorkerTimeouts, AStalledOrStoppedPostgreSQLServerEndsWithinTheTimeout) {
    TestDatabase db(Backend::PostgreSQL, u"stall"_qs);
    if (!db.skipReason.isEmpty())
        GTEST_SKIP() << db.skipReason.toStdString();
    db.CreateTables();
    const QRegularExpressionMatch port = QRegularExpression(u"Port=(\\d+)"_qs).match(db.connectionString);
    ASSERT_TRUE(port.hasMatch());
    // The driver keeps its login timeout and says so; the stall after the
    // login only the upload's own timeout ends.
    const struct {
        const char* what;
        QByteArray stallOn;
        Status status;
    } cases[] = {
        {"before the login", QByteArray(), Status::NoConnection},
        {"after the master row", QByteArray("INSERT INTO ZDC_M"), Status::TimedOut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            StallingRelay relay(port.captured(1).toInt(), c.stallOn);
            UploadJob job(WithPort(db.connectionString, relay.port()), JobOrder(u"WT-S"_qs), TwoPiles(),
                          {2, 2});
            const double took = RunToEnd(job);
            EXPECT_TRUE(relay.stalled());
            EXPECT_EQ(job.Outcome().status, c.status) << job.Outcome().error.toStdString();
            if (c.status == Status::TimedOut)
                EXPECT_NEAR(job.Outcome().timeoutSeconds, took, 1.0);
            if (c.status == Status::NoConnection)
                EXPECT_TRUE(job.Outcome().error.contains(u"timeout"_qs)) << job.Outcome().error.toStdString();
            EXPECT_LT(took,
                      2 + (UploadJob::kSlackMilliseconds + UploadJob::kGraceMilliseconds) / 1000.0 + 2.0);
        } // the relay closes: a worker left behind sees the connection end
        EXPECT_TRUE(WorkersEnd());
        EXPECT_EQ(db.Count(u"ZDC_M"_qs), 0);
        EXPECT_EQ(db.Count(u"ZDC_S"_qs), 0);
    }
    // Nothing listens on the port: refused at once, with the driver's text.
    int closedPort = 0;
    {
        StallingRelay gone(port.captured(1).toInt(), {});
        closedPort = gone.port();
    }
    UploadJob job(WithPort(db.connectionString, closedPort), JobOrder(u"WT-S"_qs), TwoPiles(), {2, 2});
    const double took = RunToEnd(job);
    EXPECT_EQ(job.Outcome().status, Status::NoConnection);
    EXPECT_FALSE(job.Outcome().error.isEmpty());
    EXPECT_LT(took, 2.0);
    EXPECT_EQ(db.Count(u"ZDC_M"_qs), 0);
}

// A server that takes the connection and never answers the login (FreeTDS
// itself gives up only seconds after the timeout it is given): the upload
// gives up at its login timeout and says so, with the seconds it waited.
TEST(WorkerTimeouts, ALoginNeverAnsweredEndsAtTheLoginTimeout) {
    setenv("ODBCSYSINI", PIT_ODBC_SYSINI, 1);
    int port = 0;
    const int s = pit::test::LoopbackSocket(port, 4);
    ASSERT_GE(s, 0);
    std::mutex m;
    std::vector<int> held; // taken, never answered
    std::thread door([&] {
        for (int c; (c = accept(s, nullptr, nullptr)) >= 0;) {
            std::lock_guard lock(m);
            held.push_back(c);
        }
    });
    DatabaseConfig config; // the "SQL Server" entry: FreeTDS
    config.port = port;
    UploadJob job(BuildSqlConnectionString(config, 0x7F000001), JobOrder(u"WT-F"_qs), TwoPiles(), {2, 60});
    const double took = RunToEnd(job);
    EXPECT_EQ(job.Outcome().status, Status::TimedOut) << job.Outcome().error.toStdString();
    EXPECT_GE(took, 1.9);
    EXPECT_LT(took, 2 + UploadJob::kLoginSlackMilliseconds / 1000.0 + 0.5);
    EXPECT_EQ(job.Outcome().timeoutSeconds, 2);
    EXPECT_TRUE(
        MessageFor(job.Outcome(), true).text.startsWith(u"The database did not answer within 2 seconds"_qs));
    // Hung up on, the driver left behind returns.
    shutdown(s, SHUT_RDWR);
    door.join();
    for (int c : held)
        close(c);
    close(s);
    EXPECT_TRUE(WorkersEnd());
}

} // namespace
