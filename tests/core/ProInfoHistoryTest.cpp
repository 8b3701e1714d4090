#include "core/project/ProInfoHistory.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Builds history files byte by byte, independent of the writer.
struct HistoryBuilder {
    QByteArray b;
    void i32(int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); }
    void raw(const char* s, int n) { b.append(s, n); }
    void zeros(int n) { b.append(n, '\0'); }
    void str(const QByteArray& gbk) {
        i32(int32_t(gbk.size() + 1));
        b.append(gbk);
        b.append('\0');
    }
    void patch(int at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }
};

struct ListSpec {
    const char* tag;
    int32_t count;
    int32_t index;
    std::vector<QByteArray> values;
};

QByteArray historyFile(int32_t version, const char* fixiTag, const int32_t fixi[3],
                       const std::vector<ListSpec>& lists) {
    HistoryBuilder h;
    h.raw("VADUZI_PRO", 10);
    h.zeros(6);
    h.i32(version);
    h.zeros(30);
    h.zeros(120);
    h.patch(50, int32_t(h.b.size()));
    h.raw(fixiTag, 4);
    for (int k = 0; k < 3; ++k)
        h.i32(fixi[k]);
    h.zeros(100);
    for (size_t i = 0; i < lists.size(); ++i) {
        h.patch(54 + 4 * int(i), int32_t(h.b.size()));
        h.raw(lists[i].tag, 4);
        h.i32(lists[i].count);
        h.i32(lists[i].index);
        for (const QByteArray& v : lists[i].values)
            h.str(v);
    }
    return h.b;
}

const int32_t kFixi[3] = {3, 1, -1};

} // namespace

TEST(ProInfoHistory, WritesTheExactLayout) {
    CProInfoHistory h;
    h.Init(QStringLiteral("/nonexistent/VADUZI_PROINFO.ini"));
    h.AddValue(0, QStringLiteral("工程"));
    h.AddValue(0, QStringLiteral("B"));
    h.AddValue(2, QStringLiteral("C"));
    h.SetIndex(0, 1);
    h.SetIndex(4, 3);
    h.SetIndex(5, 1);
    // 工 B9 A4, 程 B3 CC
    const QByteArray expected = historyFile(1, "FIXI", kFixi,
                                            {{"PRON", 2, 1, {"B", "\xB9\xA4\xB3\xCC"}},
                                             {"TSUN", 0, -1, {}},
                                             {"CNUN", 1, -1, {"C"}},
                                             {"TSPS", 0, -1, {}}});
    const QByteArray bytes = h.ToBytes();
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(ProInfoHistory, SaveAndInitRoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VADUZI_PROINFO.ini"));
    CProInfoHistory h;
    h.Init(path);
    EXPECT_EQ(h.GetIndex(4), 0);
    EXPECT_EQ(h.GetIndex(5), -1);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k <= i; ++k)
            h.AddValue(i, QStringLiteral("列%1值%2").arg(i).arg(k));
    h.SetIndex(3, 2);
    h.SetIndex(6, 7);
    ASSERT_TRUE(h.Save());

    CProInfoHistory back;
    back.Init(path);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back.GetCount(i), i + 1);
        EXPECT_EQ(*back.GetList(i), *h.GetList(i));
    }
    EXPECT_EQ(back.GetIndex(3), 2);
    EXPECT_EQ(back.GetIndex(6), 7);
}

TEST(ProInfoHistory, AddValueKeepsRecentDistinctValues) {
    CProInfoHistory h;
    h.Init(QStringLiteral("/nonexistent/h.ini"));
    for (int k = 0; k < 5; ++k)
        h.AddValue(1, QString::number(k)); // 4 3 2 1 0
    h.AddValue(1, QStringLiteral("1"));    // at position 3: no move
    h.AddValue(1, QString());              // ignored
    EXPECT_EQ(h.GetCount(1), 5);
    EXPECT_EQ((*h.GetList(1))[0], QStringLiteral("4"));
    EXPECT_EQ((*h.GetList(1))[3], QStringLiteral("1"));

    for (int k = 5; k < 11; ++k)
        h.AddValue(1, QString::number(k));
    EXPECT_EQ(h.GetCount(1), 10);
    EXPECT_EQ((*h.GetList(1))[0], QStringLiteral("10"));
    EXPECT_EQ((*h.GetList(1))[9], QStringLiteral("1")) << "the oldest, 0, dropped out";

    EXPECT_EQ(h.GetList(4), nullptr);
    EXPECT_EQ(h.GetIndex(7), -1);
    h.SetCount(2, 40);
    EXPECT_EQ(h.GetCount(2), 10);
}

TEST(ProInfoHistory, GetCurrentFallsBackToTheFirstValue) {
    CProInfoHistory h;
    h.Init(QStringLiteral("/nonexistent/h.ini"));
    EXPECT_EQ(h.GetCurrent(0), QString());
    for (const char* v : {"a", "b", "c"})
        h.AddValue(0, QString::fromLatin1(v)); // c b a
    h.SetIndex(0, 7);
    EXPECT_EQ(h.GetCurrent(0), QStringLiteral("c"));
    EXPECT_EQ(h.GetIndex(0), 0);
    h.SetIndex(0, -3);
    EXPECT_EQ(h.GetCurrent(0), QStringLiteral("c"));
    h.SetIndex(0, 2);
    EXPECT_EQ(h.GetCurrent(0), QStringLiteral("a"));
}

TEST(ProInfoHistory, DamagedFilesLoadWhatTheyCan) {
    const std::vector<ListSpec> good = {
        {"PRON", 1, 0, {"p"}}, {"TSUN", 2, 1, {"t1", "t2"}}, {"CNUN", 1, 0, {"c"}}, {"TSPS", 1, 0, {"s"}}};
    std::vector<ListSpec> wrongTag = good;
    wrongTag[1].tag = "XXXX";
    std::vector<QByteArray> twelve;
    for (int k = 0; k < 12; ++k)
        twelve.push_back(QByteArray::number(k));
    std::vector<ListSpec> count12 = good;
    count12[0] = {"PRON", 12, 0, twelve};
    std::vector<ListSpec> negative = good;
    negative[0] = {"PRON", -5, 0, {}};
    const QByteArray whole = historyFile(1, "FIXI", kFixi, good);

    struct Case {
        const char* name;
        QByteArray bytes;
        int fixi4;            // choice 4 after loading
        int counts[4];        // counts after loading
        const char* first[4]; // value 0 of each list
    } cases[] = {
        {"intact", whole, 3, {1, 2, 1, 1}, {"p", "t1", "c", "s"}},
        {"version 2", historyFile(2, "FIXI", kFixi, good), 0, {0, 0, 0, 0}, {"", "", "", ""}},
        {"foreign FIXI tag", historyFile(1, "FIXY", kFixi, good), 0, {0, 0, 0, 0}, {"", "", "", ""}},
        {"wrong TSUN tag", historyFile(1, "FIXI", kFixi, wrongTag), 3, {1, 0, 0, 0}, {"p", "", "", ""}},
        {"count 12", historyFile(1, "FIXI", kFixi, count12), 3, {10, 2, 1, 1}, {"0", "t1", "c", "s"}},
        {"negative count", historyFile(1, "FIXI", kFixi, negative), 3, {0, 2, 1, 1}, {"", "t1", "c", "s"}},
        // Cut inside the second string of TSUN.
        {"truncated", whole.left(286 + 4 + 8 + 6 + 4 + 8 + 7 + 4), 3, {1, 1, 0, 0}, {"p", "t1", "", ""}},
        {"header only", whole.left(40), 0, {0, 0, 0, 0}, {"", "", "", ""}},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        CProInfoHistory h;
        h.Init(path);
        EXPECT_EQ(h.GetIndex(4), c.fixi4) << c.name;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(h.GetCount(i), c.counts[i]) << c.name << " list " << i;
            EXPECT_EQ((*h.GetList(i))[0], QString::fromLatin1(c.first[i])) << c.name << " list " << i;
        }
    }
}
