// The database upload against real ODBC drivers: an SQLite file per test,
// and a schema per test on the PostgreSQL server that test.sh starts
// (KEV_TEST_PG_ODBC; those cases skip without it).
#include "database/DatabaseConfig.h"
#include "database/DatabasePicture.h"
#include "database/Odbc.h"
#include "database/ResultsUploader.h"
#include "platform/BmpWriter.h"
#include "platform/MessageSink.h"
#include "tests/database/TestDatabase.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace pit;
using pit::test::Backend;
using pit::test::BackendName;
using pit::test::DuxAnalysis;
using pit::test::DuxBuilder;
using pit::test::DuxChannel;
using pit::test::TestDatabase;

namespace {

// Pictures that name their file, so a picture on the wrong row shows.
struct FakePictures : PilePictureSource {
    std::vector<QString> asked;
    QString failing;
    QByteArray Picture(const UploadListRow& row) override { return Picture(row.path); }
    QByteArray Picture(const QString& path) {
        asked.push_back(path);
        if (path == failing)
            return {};
        QByteArray bmp("BM");
        bmp += path.toUtf8();
        bmp += QByteArray(4000, '\0'); // larger than one driver buffer read
        bmp += '\xFF';
        return bmp;
    }
    static QByteArray For(const QString& path) {
        FakePictures p;
        return p.Picture(path);
    }
};

struct FakeValues : PileValueSource {
    std::map<QString, PileUploadValues> byPath;
    std::optional<PileUploadValues> Values(const QString& path) override {
        auto it = byPath.find(path);
        if (it == byPath.end())
            return std::nullopt;
        return it->second;
    }
};

UploadOrder Order(const QString& number) {
    UploadOrder o;
    o.entrustNo = number;
    o.tester1 = QStringLiteral("张三");
    o.tester2 = QStringLiteral("Li Si");
    o.device1 = QStringLiteral("KEV-01");
    o.device2 = QString();
    o.conclusion = QStringLiteral("桩身完整，建议验收。");
    return o;
}

class Upload : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        db = std::make_unique<TestDatabase>(GetParam(), QString::fromStdString(name).section(u'/', 0, 0));
        if (!db->skipReason.isEmpty())
            GTEST_SKIP() << db->skipReason.toStdString();
    }

    // A pile file of the test folder.
    QString Pile(const QString& name, DuxAnalysis a) {
        if (a.channels.empty()) {
            a.channels = {DuxChannel{}};
            a.averages = {DuxChannel{}};
        }
        return DuxBuilder::paramBlock("VADUZI", 1042)
            .channels(int(a.channels.size()), 1024)
            .analysis(a)
            .writeTo(files.path(), name);
    }

    std::unique_ptr<TestDatabase> db;
    QTemporaryDir files;
    FakePictures pictures;
};

TEST_P(Upload, NoCheckedPileWritesTheMasterRowAlone) {
    db->CreateTables();
    FakeValues values;
    ResultsUploader up(values, pictures);
    const UploadOutcome o = up.Upload(db->connectionString, Order(QStringLiteral("WT-001")),
                                      {{false, u"A.dux"_qs, u"/x/A.dux"_qs}});
    ASSERT_EQ(o.status, UploadOutcome::Status::Written) << o.error.toStdString();
    EXPECT_EQ(o.pileRows, 0);
    const auto masters = db->Masters();
    ASSERT_EQ(masters.size(), 1u);
    const QString expected[] = {u"WT-001"_qs, u"张三"_qs, u"Li Si"_qs,
                                u"KEV-01"_qs, QString(),  u"桩身完整，建议验收。"_qs};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(masters[0].values[i], expected[i]) << i;
    EXPECT_EQ(db->Count(u"ZDC_S"_qs), 0);
    EXPECT_TRUE(pictures.asked.empty());
    EXPECT_TRUE(MessageFor(o, false).text.startsWith(u"导入成功！"_qs));
}

// The real pile values: list numbers with gaps for unchecked and skipped
// piles, defect depths, construction dates, Chinese texts, and each row's
// picture made for that row's own file.
TEST_P(Upload, PileRowsKeepListNumbersAndTheirOwnValuesAndPictures) {
    db->CreateTables();
    DuxAnalysis a;
    a.pileNo = u"东-1"_qs;
    a.conclusion = u"桩身完整"_qs;
    a.className = u"II"_qs;
    a.current = 0;
    a.diameter = 800;
    a.pileLength = 12.5f;
    a.waveSpeed = 3800;
    a.constructionDate = u"2024-03-01"_qs;
    DuxChannel one;
    one.defects = {{120, 2, 1, 0}}; // (120 - 20) x 20 µs x 4000 m/s / 2 = 4 m
    a.channels = {one};
    a.averages = {DuxChannel{}};
    const QString p1 = Pile(u"P1.dux"_qs, a);

    DuxAnalysis b = a;
    b.pileNo = u"P2"_qs;
    DuxChannel two;
    two.defects = {{70, 0, 0, 0}, {170, 3, 2, 0}};
    b.channels = {two};
    const QString p2 = Pile(u"P2.dux"_qs, b);

    // A file that cannot be read has no current channel: no row.
    const QString p3 = files.filePath(u"P3.dux"_qs);
    {
        QFile f(p3);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(DuxBuilder::paramBlock("VADUZI", 1042).channels(1, 1024).analysis(a).build().left(700));
    }

    std::vector<UploadListRow> rows = {
        {true, u"P1.dux"_qs, p1}, {false, u"P2.dux"_qs, p2},         // unchecked, still numbered
        {true, u"P3.dux"_qs, p3}, {true, u"gone.dux"_qs, QString()}, // not in the project
        {true, u"P2.dux"_qs, p2},
    };
    RecordValueSource values(ConstructionDateRule{});
    ResultsUploader up(values, pictures);
    const UploadOutcome o = up.Upload(db->connectionString, Order(QStringLiteral("WT-002")), rows);
    ASSERT_EQ(o.status, UploadOutcome::Status::Written) << o.error.toStdString();
    EXPECT_EQ(o.pileRows, 2);
    EXPECT_EQ(o.skipped, (QStringList{u"P3.dux"_qs, u"gone.dux"_qs}));

    const auto piles = db->Piles();
    ASSERT_EQ(piles.size(), 2u);
    EXPECT_EQ(piles[0].order, u"WT-002"_qs);
    EXPECT_EQ(piles[0].xh, 1);
    EXPECT_EQ(piles[0].pileNo, u"东-1"_qs);
    EXPECT_FLOAT_EQ(float(piles[0].diameter), 800.0f);
    ASSERT_TRUE(piles[0].date.has_value());
    EXPECT_EQ(piles[0].date->date(), QDate(2024, 3, 1));
    EXPECT_NEAR(piles[0].defect0, 4.0, 1e-5);
    EXPECT_EQ(piles[0].defect1, 0.0);
    EXPECT_EQ(piles[0].speed, 3800);
    EXPECT_EQ(piles[0].integrityClass, u"II"_qs);
    EXPECT_EQ(piles[0].integrityInfo, u"桩身完整"_qs);
    EXPECT_FLOAT_EQ(float(piles[0].length), 12.5f);
    EXPECT_EQ(piles[0].pic, FakePictures::For(p1));

    EXPECT_EQ(piles[1].xh, 5);
    EXPECT_EQ(piles[1].pileNo, u"P2"_qs);
    EXPECT_NEAR(piles[1].defect0, 2.0, 1e-5);
    EXPECT_NEAR(piles[1].defect1, 6.0, 1e-5);
    EXPECT_EQ(piles[1].pic, FakePictures::For(p2));

    const QString text = MessageFor(o, false).text;
    EXPECT_TRUE(text.contains(u"2 根桩"_qs)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"P3.dux, gone.dux"_qs)) << text.toStdString();
}

// A floating SYRQ column gets the day count since 1899-12-30.
TEST_P(Upload, FloatingDateColumnGetsTheDayCount) {
    db->CreateTables(db->Double());
    FakeValues values;
    PileUploadValues v;
    v.pileNo = u"A"_qs;
    v.constructionDate = QDateTime(QDate(2024, 3, 1), QTime(18, 0));
    values.byPath[u"/p/A.dux"_qs] = v;
    values.byPath[u"/p/B.dux"_qs] = PileUploadValues{}; // no valid date: NULL
    ResultsUploader up(values, pictures);
    const UploadOutcome o =
        up.Upload(db->connectionString, Order(QStringLiteral("WT-3")),
                  {{true, u"A.dux"_qs, u"/p/A.dux"_qs}, {true, u"B.dux"_qs, u"/p/B.dux"_qs}});
    ASSERT_EQ(o.status, UploadOutcome::Status::Written) << o.error.toStdString();
    const auto piles = db->Piles(true);
    ASSERT_EQ(piles.size(), 2u);
    ASSERT_TRUE(piles[0].dateValue.has_value());
    EXPECT_DOUBLE_EQ(*piles[0].dateValue, 45352.75);
    EXPECT_FALSE(piles[1].dateValue.has_value());
}

TEST_P(Upload, InvalidDateIsStoredAsNull) {
    db->CreateTables();
    FakeValues values;
    values.byPath[u"/p/B.dux"_qs] = PileUploadValues{};
    ResultsUploader up(values, pictures);
    const UploadOutcome o =
        up.Upload(db->connectionString, Order(QStringLiteral("WT-3")), {{true, u"B.dux"_qs, u"/p/B.dux"_qs}});
    ASSERT_EQ(o.status, UploadOutcome::Status::Written) << o.error.toStdString();
    const auto piles = db->Piles();
    ASSERT_EQ(piles.size(), 1u);
    EXPECT_FALSE(piles[0].date.has_value());
}

TEST_P(Upload, OrderNumberIsStoredAsTypedAndRunsNoSql) {
    db->CreateTables();
    FakeValues values;
    ResultsUploader up(values, pictures);
    const QString crafted = QStringLiteral("X'; DROP TABLE ZDC_M; --");
    for (int round = 0; round < 2; ++round) {
        const UploadOutcome o = up.Upload(db->connectionString, Order(crafted), {});
        EXPECT_EQ(o.status, round == 0 ? UploadOutcome::Status::Written : UploadOutcome::Status::Duplicate)
            << o.error.toStdString();
    }
    const auto masters = db->Masters();
    ASSERT_EQ(masters.size(), 1u);
    EXPECT_EQ(masters[0].values[0], crafted);
    EXPECT_EQ(db->Count(u"ZDC_S"_qs), 0);
}

// A refused pile row leaves nothing behind, so the order number stays free.
TEST_P(Upload, AFailedPileRowRollsEverythingBack) {
    db->CreateTables();
    db->RefusePileRow(3);
    FakeValues values;
    for (const char* p : {"/p/1.dux", "/p/3.dux"})
        values.byPath[QString::fromLatin1(p)] = PileUploadValues{};
    const std::vector<UploadListRow> rows = {{true, u"1.dux"_qs, u"/p/1.dux"_qs},
                                             {false, u"2.dux"_qs, u"/p/2.dux"_qs},
                                             {true, u"3.dux"_qs, u"/p/3.dux"_qs}};
    ResultsUploader up(values, pictures);
    ScriptedMessageSink sink;
    int asked = 0;
    ImportRequest q;
    q.ask = [&]() -> std::optional<UploadOrder> {
        ++asked;
        return Order(QStringLiteral("WT-4"));
    };
    DatabaseConfig config;
    config.connectionString = db->connectionString;
    q.config = &config;
    q.rows = rows;
    q.uploader = &up;
    q.messages = &sink;
    std::vector<bool> busy;
    q.busy = [&](bool on) { busy.push_back(on); };
    EXPECT_EQ(RunDatabaseImport(q), -1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].caption, u"错误提示"_qs);
    EXPECT_TRUE(sink.shown[0].text.contains(u"pile row refused"_qs)) << sink.shown[0].text.toStdString();
    EXPECT_TRUE(sink.shown[0].text.contains(u"3.dux"_qs));
    EXPECT_EQ(db->Count(u"ZDC_M"_qs), 0);
    EXPECT_EQ(db->Count(u"ZDC_S"_qs), 0);

    // A picture that cannot be made stops the upload the same way.
    pictures.failing = u"/p/1.dux"_qs;
    const UploadOutcome o = up.Upload(db->connectionString, Order(QStringLiteral("WT-5")), rows);
    EXPECT_EQ(o.status, UploadOutcome::Status::NoPicture);
    EXPECT_EQ(o.pile, u"1.dux"_qs);
    EXPECT_EQ(db->Count(u"ZDC_M"_qs), 0);
}

// The same order number again: refused, the dialog comes back; a new number
// is written; Cancel ends without a message.
TEST_P(Upload, ATakenOrderNumberAsksAgain) {
    db->CreateTables();
    FakeValues values;
    ResultsUploader up(values, pictures);
    ASSERT_EQ(up.Upload(db->connectionString, Order(QStringLiteral("WT-7")), {}).status,
              UploadOutcome::Status::Written);

    DatabaseConfig config;
    config.connectionString = db->connectionString;
    struct Case {
        std::vector<std::optional<QString>> answers; // nothing: Cancel
        int result;
        std::vector<QString> messages; // the start of each message shown
    } cases[] = {
        {{u"WT-7"_qs, std::nullopt}, -1, {u"该委托单编号已存在，请重新输入"_qs}},
        {{u"WT-7"_qs, u"WT-8"_qs}, 1, {u"该委托单编号已存在，请重新输入"_qs, u"导入成功！"_qs}},
        {{std::nullopt}, -1, {}},
    };
    for (const Case& c : cases) {
        ScriptedMessageSink sink;
        size_t next = 0;
        ImportRequest q;
        q.ask = [&]() -> std::optional<UploadOrder> {
            EXPECT_LT(next, c.answers.size());
            const std::optional<QString> a = next < c.answers.size() ? c.answers[next++] : std::nullopt;
            return a ? std::optional(Order(*a)) : std::nullopt;
        };
        q.config = &config;
        q.uploader = &up;
        q.messages = &sink;
        EXPECT_EQ(RunDatabaseImport(q), c.result);
        EXPECT_EQ(next, c.answers.size());
        ASSERT_EQ(sink.shown.size(), c.messages.size());
        for (size_t i = 0; i < c.messages.size(); ++i)
            EXPECT_TRUE(sink.shown[i].text.startsWith(c.messages[i])) << sink.shown[i].text.toStdString();
    }
    EXPECT_EQ(db->Count(u"ZDC_M"_qs), 2);
}

// A unique key that the count does not see (here: one on the lower-case
// number) still makes the number a duplicate, not a failure.
TEST_P(Upload, AUniqueKeyViolationCountsAsDuplicate) {
    if (GetParam() == Backend::SQLite)
        GTEST_SKIP() << "the SQLite driver reports constraint failures as HY000";
    db->CreateTables();
    db->Exec(QStringLiteral("CREATE UNIQUE INDEX zdc_m_lower ON ZDC_M (lower(WTDBH))"));
    FakeValues values;
    ResultsUploader up(values, pictures);
    ASSERT_EQ(up.Upload(db->connectionString, Order(QStringLiteral("wt-9")), {}).status,
              UploadOutcome::Status::Written);
    const UploadOutcome o = up.Upload(db->connectionString, Order(QStringLiteral("WT-9")), {});
    EXPECT_EQ(o.status, UploadOutcome::Status::Duplicate) << o.error.toStdString();
    EXPECT_EQ(db->Count(u"ZDC_M"_qs), 1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Upload, testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const auto& info) { return BackendName(info.param).toStdString(); });

// ---- without a database ---------------------------------------------------------

TEST(UploadConnection, ServerThatCannotBeReachedIsReportedWithTheDriversText) {
    FakeValues values;
    FakePictures pictures;
    ResultsUploader up(values, pictures);
    up.loginTimeoutSeconds = 2;
    const UploadOutcome o = up.Upload(QStringLiteral("Driver={No Such Driver};Server=127.0.0.1,1;"),
                                      Order(QStringLiteral("WT")), {});
    EXPECT_EQ(o.status, UploadOutcome::Status::NoConnection);
    EXPECT_FALSE(o.error.isEmpty());
    const OutcomeMessage m = MessageFor(o, false);
    EXPECT_TRUE(m.text.startsWith(u"初始化数据源失败！"_qs));
    EXPECT_TRUE(m.text.contains(o.error));
}

// A port on 127.0.0.1 that nothing listens on.
int ClosedPort() {
    int port = 0;
    const int s = pit::test::LoopbackSocket(port, 0);
    close(s);
    return port;
}

// The "SQL Server" entry (FreeTDS) with the string the program builds.
TEST(UploadConnection, FreeTdsRefusedPortFailsWithAConnectionState) {
    DatabaseConfig config;
    config.uid = u"tester"_qs;
    config.pwd = u"p;w}d"_qs;
    config.port = ClosedPort();
    odbc::Environment env;
    odbc::Connection c(env);
    const odbc::Result r = c.Open(BuildSqlConnectionString(config, 0x7F000001), 5);
    ASSERT_FALSE(r);
    EXPECT_TRUE(r.sqlState == u"08001"_qs || r.sqlState == u"08S01"_qs) << r.message.toStdString();
}

// The port of the built string reaches FreeTDS: it knocks at a listening
// socket, which hangs up at once.
TEST(UploadConnection, FreeTdsConnectsToThePortOfTheString) {
    int port = 0;
    const int s = pit::test::LoopbackSocket(port, 4);
    ASSERT_GE(s, 0);
    std::atomic<int> knocks = 0;
    std::thread door([&] {
        for (int c; (c = accept(s, nullptr, nullptr)) >= 0; close(c))
            ++knocks;
    });
    DatabaseConfig config;
    config.port = port;
    {
        odbc::Environment env;
        odbc::Connection c(env);
        EXPECT_FALSE(c.Open(BuildSqlConnectionString(config, 0x7F000001), 5));
    }
    shutdown(s, SHUT_RDWR); // ends the waiting accept
    door.join();
    close(s);
    EXPECT_GE(knocks, 1);
}

// ---- the database picture ----------------------------------------------------------

struct DatabasePictureTest : pit::test::ReportFixture {
    UploadListRow Row(const QString& name, bool checked = true) {
        return {checked, name, doc->m_ProjectInfo.GetPathByName(name), QFileInfo(name).completeBaseName()};
    }
    void TwoPiles() {
        WritePile(u"A1.DUX"_qs, pit::test::SavedPile(u"A1"_qs));
        DuxAnalysis other = pit::test::SavedPile(u"B7"_qs);
        other.pileLength = 20;
        other.conclusion = u"桩身浅部缺陷"_qs;
        WritePile(u"B7.DUX"_qs, other);
        doc->m_ProjectInfo.ScanFolder(folder);
    }
};

TEST_F(DatabasePictureTest, TheRowsOwnCellInBlackAndWhite) {
    TwoPiles();
    QImage drawn;
    const QByteArray a1 = RenderWaveBitmapForDatabase(Env(), Row(u"A1.DUX"_qs), &drawn);
    ASSERT_EQ(a1.size(), 12030);
    EXPECT_EQ(a1, BmpFileImage(drawn, BmpDepth::Mono1));
    ASSERT_EQ(drawn.size(), QSize(350, 270));
    EXPECT_EQ(drawn.dotsPerMeterX(), 3780); // 96 dpi
    // Drawn inside (5, 5, 345, 265) only.
    int inside = 0, outside = 0;
    for (int y = 0; y < 270; ++y)
        for (int x = 0; x < 350; ++x) {
            const bool ink = drawn.pixelColor(x, y) != QColor(Qt::white);
            (x >= 5 && x <= 345 && y >= 5 && y <= 265 ? inside : outside) += ink;
        }
    EXPECT_GT(inside, 500);
    EXPECT_EQ(outside, 0);
    // The same pile gives the same picture, another pile another one.
    EXPECT_EQ(RenderWaveBitmapForDatabase(Env(), Row(u"A1.DUX"_qs)), a1);
    EXPECT_NE(RenderWaveBitmapForDatabase(Env(), Row(u"B7.DUX"_qs)), a1);
    // A file the project does not hold has no picture.
    EXPECT_TRUE(RenderWaveBitmapForDatabase(Env(), {true, u"gone.DUX"_qs, QString(), u"gone"_qs}).isEmpty());
}

// Unchecked and unreadable rows before a pile do not move its picture onto another pile.
TEST_F(DatabasePictureTest, EachUploadedPictureIsItsRowsOwn) {
    TwoPiles();
    QFile broken(folder + u"/C3.DUX"_qs);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(40, 'x'));
    broken.close();
    TestDatabase db(Backend::SQLite, u"pictures"_qs);
    db.CreateTables();
    // The rows as the report-mode list holds them.
    const auto list =
        List({u"C3.DUX"_qs, u"A1.DUX"_qs, u"B7.DUX"_qs, u"A1.DUX"_qs}, {true, false, true, true});
    const std::vector<UploadListRow> rows = UploadRowsFromList(*list, doc->m_ProjectInfo);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].name, u"B7.DUX"_qs);
    EXPECT_EQ(rows[2].pileNo, u"B7"_qs);
    EXPECT_EQ(rows[2].path, doc->m_ProjectInfo.GetPathByName(u"B7.DUX"_qs));
    EXPECT_FALSE(rows[1].checked);
    RecordValueSource values(ConstructionDateRule::FromDocument(*doc));
    ReportCellPictures pictures(Env());
    ResultsUploader up(values, pictures);
    const UploadOutcome o = up.Upload(db.connectionString, Order(u"WT-P"_qs), rows);
    ASSERT_EQ(o.status, UploadOutcome::Status::Written) << o.error.toStdString();
    EXPECT_EQ(o.skipped, QStringList{u"C3.DUX"_qs});
    const auto piles = db.Piles();
    ASSERT_EQ(piles.size(), 2u);
    EXPECT_EQ(piles[0].xh, 3);
    EXPECT_EQ(piles[0].pileNo, u"B7"_qs);
    EXPECT_EQ(piles[0].pic, RenderWaveBitmapForDatabase(Env(), Row(u"B7.DUX"_qs)));
    EXPECT_EQ(piles[1].xh, 4);
    EXPECT_EQ(piles[1].pic, RenderWaveBitmapForDatabase(Env(), Row(u"A1.DUX"_qs)));
}

// The information row of the picture: every label and value whole inside
// its column and line, with six fields on one line or all on two, in either language.
TEST_F(DatabasePictureTest, TheInformationRowFitsItsRow) {
    DuxAnalysis a = pit::test::SavedPile(u"大工8-2014-K2"_qs);
    a.pileLength = 12.25f;
    WritePile(u"大工8-2014-K2.DUX"_qs, a); // the list's pile number: the file's name
    doc->m_ProjectInfo.ScanFolder(folder);
    CPrintSettings& s = doc->m_PrintSettings;
    struct Case {
        bool allFields;
        int language;
    };
    for (const Case& c : {Case{false, 0}, Case{true, 0}, Case{false, 1}, Case{true, 1}}) {
        SCOPED_TRACE(c.allFields * 10 + c.language);
        for (int flag : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13})
            s.m_bHeadInfo[flag] = c.allFields || (flag < 7 && flag != 4);
        s.m_bLanguage = c.language;
        gdi::RecordingDevice dev(kDatabasePictureWidth, kDatabasePictureHeight, 96, 96);
        {
            QPainter painter(&dev);
            ASSERT_TRUE(DrawDatabaseCell(Env(), Row(u"大工8-2014-K2.DUX"_qs), painter));
        }
        QString row;
        for (const gdi::RecordedItem& t : dev.texts()) {
            if (!t.text.contains(u':'))
                continue;
            row += t.text;
            EXPECT_TRUE(pit::test::ShownWhole(t));
        }
        EXPECT_TRUE(row.contains(c.language ? u"ID:大工8-2014-K2"_qs : u"桩号:大工8-2014-K2"_qs))
            << row.toStdString();
        EXPECT_TRUE(row.contains(u"12.25m"_qs)) << row.toStdString();
        if (c.allFields)
            EXPECT_TRUE(row.contains(c.language ? u"InstrumentType:"_qs : u"仪器型号:"_qs))
                << row.toStdString();
    }
}

// ---- pile values -----------------------------------------------------------------

TEST(ConstructionDate, AgeRuleUsesTheCommonOrOwnTestDate) {
    const QDateTime own(QDate(2024, 3, 1), QTime(8, 0));
    const QDateTime test(QDate(2024, 3, 20), QTime(9, 30));
    const QDateTime common(QDate(2024, 4, 10), QTime(10, 0));
    struct Case {
        ConstructionDateRule rule;
        QDateTime expected;
    } cases[] = {
        {{false, 14, common}, own},
        {{true, 14, std::nullopt}, test.addDays(-14)},
        {{true, 28, common}, common.addDays(-28)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.rule.Apply(own, test), c.expected);
}

TEST(ConstructionDate, OleDayCount) {
    struct Case {
        QDateTime t;
        double days;
    } cases[] = {
        {QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
        {QDateTime(QDate(1900, 1, 1), QTime(0, 0)), 2.0},
        {QDateTime(QDate(2024, 3, 1), QTime(12, 0)), 45352.5},
        {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ToOleDate(c.t), c.days) << c.t.toString().toStdString();
}

TEST(RecordValues, UnreadableFilesAreSkipped) {
    QTemporaryDir dir;
    RecordValueSource values(ConstructionDateRule{});
    QFile junk(dir.filePath(u"junk.dux"_qs));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a pile file");
    junk.close();
    EXPECT_FALSE(values.Values(junk.fileName()));
    EXPECT_FALSE(values.Values(dir.filePath(u"missing.dux"_qs)));
}

} // namespace

// The picture is made black and white: its texts are drawn without grey
// edges for the threshold to drop, so "8.0" keeps the strokes that tell it
// from "5.0". Every pixel is white, black or the wave's own colour, and the
// stored picture shows each as it was drawn.
TEST_F(DatabasePictureTest, TextsKeepEveryStrokeAtOneBit) {
    TwoPiles();
    QImage drawn;
    const QByteArray bmp = RenderWaveBitmapForDatabase(Env(), Row(u"B7.DUX"_qs), &drawn);
    const QImage mono = QImage::fromData(bmp);
    ASSERT_EQ(mono.size(), drawn.size());
    std::map<QRgb, int> colours;
    int changed = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb c = drawn.pixel(x, y) & 0xFFFFFF;
            ++colours[c];
            changed += (qGray(mono.pixel(x, y)) < 128) != (c != 0xFFFFFF);
        }
    EXPECT_EQ(changed, 0) << "pixels the threshold turned";
    EXPECT_GT(colours[0], 1000) << "frames and texts in black";
    colours.erase(0);
    colours.erase(0xFFFFFF);
    EXPECT_LE(colours.size(), 1u) << "the wave's colour alone, no grey edges";
}
