// The database configuration and the connection string, without a database.
#include "database/DatabaseConfig.h"
#include "database/ResultsUploader.h"
#include "platform/MessageSink.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace pit;

namespace {

DatabaseConfig Config(std::initializer_list<std::pair<QString, QString>> values) {
    DatabaseConfig c;
    for (const auto& [key, value] : values) {
        if (key == u"Driver"_qs)
            c.driver = value;
        else if (key == u"Port"_qs)
            c.port = value.toInt();
        else if (key == u"Database"_qs) {
            c.database = value;
            c.databaseGiven = true;
        } else if (key == u"UID"_qs)
            c.uid = value;
        else if (key == u"PWD"_qs)
            c.pwd = value;
        else if (key == u"DSN"_qs)
            c.dsn = value;
        else if (key == u"ConnectionString"_qs)
            c.connectionString = value;
    }
    return c;
}

} // namespace

TEST(DatabaseConfig, ConnectionStrings) {
    const uint32_t address = (10u << 24) | (1u << 16) | (200u << 8) | 7u;
    struct Case {
        const char* what;
        DatabaseConfig config;
        uint32_t address;
        QString expected;
    } cases[] = {
        {"defaults", Config({}), address, u"Driver={SQL Server};Server=10.1.200.7,1433;Database=BALOR;"_qs},
        {"port and database", Config({{u"Port"_qs, u"14330"_qs}, {u"Database"_qs, u"QC"_qs}}), address,
         u"Driver={SQL Server};Server=10.1.200.7,14330;Database=QC;"_qs},
        {"login", Config({{u"UID"_qs, u"dc"_qs}, {u"PWD"_qs, u"secret"_qs}}), address,
         u"Driver={SQL Server};Server=10.1.200.7,1433;Database=BALOR;UID=dc;PWD=secret;"_qs},
        {"password with ; and }", Config({{u"UID"_qs, u"a=b"_qs}, {u"PWD"_qs, u"p;w}d{"_qs}}), address,
         u"Driver={SQL Server};Server=10.1.200.7,1433;Database=BALOR;UID=a=b;PWD={p;w}}d{};"_qs},
        {"other driver", Config({{u"Driver"_qs, u"FreeTDS"_qs}}), 0xC0A80001,
         u"Driver={FreeTDS};Server=192.168.0.1,1433;Database=BALOR;"_qs},
        {"DSN keeps its database", Config({{u"DSN"_qs, u"results"_qs}, {u"UID"_qs, u"u"_qs}}), 0,
         u"DSN=results;UID=u;"_qs},
        {"DSN with a database", Config({{u"DSN"_qs, u"results"_qs}, {u"Database"_qs, u"QC"_qs}}), address,
         u"DSN=results;Database=QC;"_qs},
        // Drivers look a braced name up literally: braces only where the value needs them.
        {"DSN with a brace", Config({{u"DSN"_qs, u"a{b}"_qs}}), 0, u"DSN={a{b}}};"_qs},
        {"whole string wins",
         Config({{u"ConnectionString"_qs, u"Driver=SQLite3;Database=/x.db"_qs}, {u"DSN"_qs, u"d"_qs}}),
         address, u"Driver=SQLite3;Database=/x.db"_qs},
        {"no server", Config({{u"UID"_qs, u"dc"_qs}}), 0, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildSqlConnectionString(c.config, c.address), c.expected) << c.what;
}

TEST(DatabaseConfig, AddressTextMostSignificantByteFirst) {
    EXPECT_EQ(FormatIpAddress(0xC0A8010Au), u"192.168.1.10"_qs);
    EXPECT_EQ(FormatIpAddress(0), u"0.0.0.0"_qs);
    EXPECT_EQ(FormatIpAddress(0xFFFFFFFFu), u"255.255.255.255"_qs);
    struct Case {
        const char* text;
        std::optional<uint32_t> address;
    } cases[] = {
        {"192.168.1.10", 0xC0A8010Au},
        {" 8.8.4.4 ", 0x08080404u},
        {"0.0.0.0", 0u},
        {"256.1.1.1", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1..3.4", std::nullopt},
        {"a.b.c.d", std::nullopt},
        {"-1.2.3.4", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseIpAddress(QString::fromLatin1(c.text)), c.address) << c.text;
}

TEST(DatabaseConfig, NoUserTypeUsesTheExtranetAddress) {
    UploadOrder o;
    o.intranetIp = 1;
    o.extranetIp = 2;
    const std::pair<int, uint32_t> cases[] = {{-1, 2}, {0, 1}, {1, 2}};
    for (const auto& [type, address] : cases) {
        o.userType = type;
        EXPECT_EQ(o.ServerAddress(), address) << type;
    }
}

TEST(DatabaseConfig, FileValuesAndEnvironmentOverrides) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Database.ini"_qs);

    // No file: the defaults.
    DatabaseConfig c = LoadDatabaseConfig(path, [](const QString&) { return std::nullopt; });
    EXPECT_EQ(c.driver, u"SQL Server"_qs);
    EXPECT_EQ(c.port, 1433);
    EXPECT_EQ(c.database, u"BALOR"_qs);
    EXPECT_FALSE(c.databaseGiven);
    EXPECT_TRUE(c.uid.isEmpty());
    EXPECT_EQ(c.path, path);
    EXPECT_EQ(c.loginTimeout, 15);
    EXPECT_EQ(c.queryTimeout, 60);

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[database]\r\nDriver=FreeTDS\r\nport=2433\r\nIntranetAddress=10.0.0.5\r\n"
            "ExtranetAddress=203.0.113.9\r\nUID=dc\r\nPWD=from file\r\nLoginTimeout=5\r\nQueryTimeout=0\r\n");
    f.close();
    const std::map<QString, QString> env = {{u"KEV_DUX_DB_PWD"_qs, u"from env"_qs},
                                            {u"KEV_DUX_DB_DATABASE"_qs, u"QC"_qs},
                                            {u"KEV_DUX_DB_UID"_qs, QString()}};
    c = LoadDatabaseConfig(path, [&env](const QString& name) -> std::optional<QString> {
        auto it = env.find(name);
        return it == env.end() ? std::nullopt : std::optional(it->second);
    });
    EXPECT_EQ(c.driver, u"FreeTDS"_qs);
    EXPECT_EQ(c.port, 2433);
    EXPECT_EQ(c.intranetAddress, u"10.0.0.5"_qs);
    EXPECT_EQ(c.extranetAddress, u"203.0.113.9"_qs);
    EXPECT_EQ(c.pwd, u"from env"_qs);
    EXPECT_EQ(c.database, u"QC"_qs);
    EXPECT_TRUE(c.databaseGiven);
    EXPECT_TRUE(c.uid.isEmpty()) << "a variable set empty clears the key";
    EXPECT_EQ(c.loginTimeout, 5);
    EXPECT_EQ(c.queryTimeout, 60) << "no timeout is not a timeout";
}

// Without a server the upload stops before any connection and says where to set one.
TEST(DatabaseConfig, MissingServerStopsWithAMessageNamingFileAndKeys) {
    struct NoValues : PileValueSource {
        std::optional<PileUploadValues> Values(const QString&) override { return std::nullopt; }
    } values;
    struct NoPictures : PilePictureSource {
        QByteArray Picture(const UploadListRow&) override { return {}; }
    } pictures;
    ResultsUploader up(values, pictures);
    DatabaseConfig config;
    config.path = u"/state/Database.ini"_qs;
    for (bool english : {false, true}) {
        ScriptedMessageSink sink;
        ImportRequest q;
        int asked = 0;
        q.ask = [&]() -> std::optional<UploadOrder> {
            ++asked;
            UploadOrder o;
            o.entrustNo = u"W"_qs;
            return o;
        };
        q.config = &config;
        q.uploader = &up;
        q.messages = &sink;
        q.english = english;
        bool busy = false;
        q.busy = [&](bool) { busy = true; };
        EXPECT_EQ(RunDatabaseImport(q), -1);
        EXPECT_EQ(asked, 1);
        EXPECT_FALSE(busy);
        ASSERT_EQ(sink.shown.size(), 1u);
        for (const char* part : {"/state/Database.ini", "[Database]", "IntranetAddress", "ExtranetAddress",
                                 "DSN", "ConnectionString"})
            EXPECT_TRUE(sink.shown[0].text.contains(QString::fromLatin1(part))) << part;
        EXPECT_EQ(sink.shown[0].text.startsWith(u"No database"_qs), english);
    }
}
