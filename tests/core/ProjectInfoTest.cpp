#include "core/project/ProjectInfo.h"
#include "core/project/NaturalOrder.h"
#include "platform/AppContext.h"
#include "platform/FileError.h"
#include "tests/support/DuxBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace pit;
using pit::test::DuxAnalysis;
using pit::test::DuxBuilder;

namespace {

// Index images assembled by hand from the layout.
struct IndexBuilder {
    QByteArray b;
    void i32(int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); }
    void f64(double v) { b.append(reinterpret_cast<const char*>(&v), 8); }
    void str(const QByteArray& gbk) {
        i32(int32_t(gbk.size() + 1));
        b.append(gbk);
        b.append('\0');
    }
    void patch(int at, int32_t v) { std::memcpy(b.data() + at, &v, 4); }
};

QString writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// 2024-03-15 17:30:00 UTC, which is 2024-03-16 01:30:00 in Beijing.
constexpr int32_t kAfterMidnightBeijing = 1710523800;

QStringList names(const CPileFileArray& a) {
    QStringList out;
    for (const CPileFileItem& i : a.GetVector())
        out << i.m_strName;
    return out;
}

} // namespace

TEST(NaturalOrder, OrdersNamesNaturally) {
    struct Case {
        const char* a;
        const char* b;
        int expected; // sign of CompareNatural(a, b)
    } cases[] = {
        {"P1", "P2", -1},
        {"P2", "P10", -1},
        {"P10", "P1", 1},
        {"P1", "P1", 0},
        {"", "", 0},
        {"", "A", -1},
        {"1A", "A1", -1}, // a leading digit comes first
        {"P01", "P1", 0}, // leading zeros alone decide nothing
        {"P1a", "P01b", -1},
        {"P9999999999", "P10000000000", -1}, // past 32 bits
        {"P4294967297", "P2", 1},            // 2^32 + 1 must not wrap to 1
        {"P123456789012345678901234567890", "P123456789012345678901234567891", -1},
        {"a", "B", 1},      // code units: upper case first
        {"P1", "P1-2", -1}, // a prefix comes first
        {"ZK3+1", "ZK3+01", 0},
    };
    for (const Case& c : cases) {
        const int got = CompareNatural(QString::fromUtf8(c.a), QString::fromUtf8(c.b));
        EXPECT_EQ((got > 0) - (got < 0), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(NaturalOrder, IsAStrictWeakOrdering) {
    const QStringList texts = {"",    "1",    "01",    "001",  "2",           "10",           "A",  "a",
                               "A1",  "A01",  "A1B",   "A01C", "A10",         "AB",           "B",  "P1",
                               "P01", "P1+2", "P1+02", "P10",  "P9999999999", "P10000000000", "x0", "x"};
    for (const QString& a : texts) {
        EXPECT_FALSE(NaturalLess(a, a)) << qPrintable(a);
        for (const QString& b : texts) {
            EXPECT_FALSE(NaturalLess(a, b) && NaturalLess(b, a)) << qPrintable(a) << " " << qPrintable(b);
            for (const QString& c : texts) {
                if (NaturalLess(a, b) && NaturalLess(b, c))
                    EXPECT_TRUE(NaturalLess(a, c))
                        << qPrintable(a) << " " << qPrintable(b) << " " << qPrintable(c);
                const bool eab = !NaturalLess(a, b) && !NaturalLess(b, a);
                const bool ebc = !NaturalLess(b, c) && !NaturalLess(c, b);
                if (eab && ebc)
                    EXPECT_TRUE(!NaturalLess(a, c) && !NaturalLess(c, a));
            }
        }
    }
}

TEST(PileFileArray, SortOrdersBreakTiesByNameThenPath) {
    auto item = [](const char* name, const char* pileNo, const char* dateTime, const char* dir = "/p") {
        CPileFileItem i;
        i.m_strName = QString::fromUtf8(name);
        i.m_strPath = QString::fromUtf8(dir) + u'/' + i.m_strName;
        i.m_strPileNo = QString::fromUtf8(pileNo);
        i.m_strTestDateTime = QString::fromUtf8(dateTime);
        i.m_strTestDate = i.m_strTestDateTime.left(10);
        return i;
    };
    CPileFileArray a;
    a.Add(item("P10.DUX", "7", "2024-03-02 08:00:00"));
    a.Add(item("P2.DUX", "7", "2024-03-01 09:00:00"));
    a.Add(item("P1.DUX", "12", "2024-03-01 10:00:00"));
    a.Add(item("P01.DUX", "12", "not a date"));
    a.Add(item("P1.DUX", "12", "2024-03-01 10:00:00", "/a"));

    struct Case {
        int order;
        QStringList names;
        QString firstPath;
    } cases[] = {
        {0, {"P01.DUX", "P1.DUX", "P1.DUX", "P2.DUX", "P10.DUX"}, "/p/P01.DUX"},
        {1, {"P2.DUX", "P10.DUX", "P01.DUX", "P1.DUX", "P1.DUX"}, "/p/P2.DUX"},
        {2, {"P01.DUX", "P1.DUX", "P1.DUX", "P2.DUX", "P10.DUX"}, "/p/P01.DUX"},
        {3, {"P01.DUX", "P2.DUX", "P1.DUX", "P1.DUX", "P10.DUX"}, "/p/P01.DUX"},
    };
    for (const Case& c : cases) {
        // The result does not depend on the order the items came in.
        std::mt19937 rng(7);
        for (int round = 0; round < 4; ++round) {
            std::shuffle(a.GetVector().begin(), a.GetVector().end(), rng);
            a.Sort(c.order);
            EXPECT_EQ(names(a), c.names) << "order " << c.order;
            const auto& v = a.GetVector();
            const auto first =
                std::find_if(v.begin(), v.end(), [](auto& i) { return i.m_strName == "P1.DUX"; });
            EXPECT_EQ(first->m_strPath, QStringLiteral("/a/P1.DUX")) << "order " << c.order;
        }
    }
    const QStringList before = names(a);
    a.Sort(4);
    EXPECT_EQ(names(a), before);
}

TEST(PileFileArray, SortsManyEqualKeysSafely) {
    // A comparator that says equal items precede each other breaks std::sort
    // past its insertion-sort threshold; this many equal keys would show it.
    CPileFileArray a;
    for (int k = 0; k < 200; ++k) {
        CPileFileItem i;
        i.m_strName = QStringLiteral("P%1.DUX").arg(k % 3);
        i.m_strPath = QStringLiteral("/d%1/%2").arg(k, 3, 10, QChar(u'0')).arg(i.m_strName);
        i.m_strPileNo = QStringLiteral("same");
        a.Add(i);
    }
    a.Sort(1);
    for (int k = 1; k < a.GetCount(); ++k) {
        const auto& p = a.GetAt(k - 1);
        const auto& q = a.GetAt(k);
        EXPECT_TRUE(p.m_strName < q.m_strName || (p.m_strName == q.m_strName && p.m_strPath < q.m_strPath));
    }
}

TEST(PileFileArray, LooksUpByPathAndName) {
    CPileFileArray a;
    CPileFileItem& added = a.FindOrAdd(QStringLiteral("/p/P1.DUX"));
    added.m_strName = QStringLiteral("P1.DUX");
    EXPECT_EQ(&a.FindOrAdd(QStringLiteral("/p/P1.DUX")), &a.GetAt(0));
    EXPECT_EQ(a.GetCount(), 1);
    EXPECT_TRUE(a.Contains(QStringLiteral("/p/P1.DUX")));
    EXPECT_FALSE(a.Contains(QStringLiteral("/p/p1.dux")));
    EXPECT_EQ(a.GetPathByName(QStringLiteral("p1.dux")), QStringLiteral("/p/P1.DUX"));
    EXPECT_EQ(a.GetPathByName(QStringLiteral("P2.DUX")), QString());
}

class ProjectFolder : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString dir;
    ScriptedMessageSink sink;
    AppContext ctx;

    void SetUp() override {
        dir = tmp.filePath(QStringLiteral("Bridge"));
        ASSERT_TRUE(QDir().mkpath(dir));
        ctx.messages = &sink;
    }
    QString pile(const QString& name, DuxBuilder b = DuxBuilder::shortHeader(90)) {
        return b.writeTo(dir, name);
    }
};

TEST_F(ProjectFolder, WritesTheIndexLayout) {
    CProjectInfo p(&ctx);
    p.m_texts = {QStringLiteral("大桥"), "b", "c", "d", "e", "f", "KEV", "not kept", "i"};
    p.m_nValue1 = 3;
    p.m_nValue2 = -2;
    CPileFileItem i;
    i.m_strName = QStringLiteral("P1.DUX");
    i.m_strPath = QStringLiteral("/x/P1.DUX");
    i.m_strTestDateTime = QStringLiteral("2024-03-16 01:30:00");
    i.m_strPileNo = QStringLiteral("P1");
    i.m_bFlag = 1;
    p.m_files.Add(i);

    IndexBuilder e;
    e.f64(1.004);
    e.i32(20);
    e.i32(0); // list offset, patched
    e.i32(0);
    e.str("\xB4\xF3\xC7\xC5"); // 大桥 in GBK
    for (const char* t : {"b", "c", "d", "e", "f", "KEV", "i"})
        e.str(t);
    e.i32(3);
    e.i32(-2);
    e.patch(12, int32_t(e.b.size()));
    e.i32(1);
    for (const char* t : {"P1.DUX", "/x/P1.DUX", "2024-03-16 01:30:00", "P1"})
        e.str(t);
    e.b.append('\x01');
    e.b.append('\x01');
    EXPECT_EQ(p.ToBytes().toHex(' '), e.b.toHex(' '));

    const QString path = QDir(dir).filePath(QStringLiteral("Bridge.DUP"));
    p.WriteProjectFile(path);
    EXPECT_TRUE(IsProjectFile(path));
    EXPECT_FALSE(IsProjectFile(pile(QStringLiteral("P1.DUX"))));
}

TEST_F(ProjectFolder, BuildsAndReopensTheIndex) {
    pile(QStringLiteral("P2.DUX"));
    pile(QStringLiteral("P10.dux"));
    pile(QStringLiteral("P1.Dux"));
    pile(QStringLiteral(".hidden.DUX"));
    writeBytes(QDir(dir).filePath(QStringLiteral("BAD.DUX")), "not a pile file at all, no no");
    writeBytes(QDir(dir).filePath(QStringLiteral("notes.txt")), "x");
    QDir(dir).mkdir(QStringLiteral("SUB.DUX"));

    CProjectInfo p(&ctx);
    p.BuildDefault(dir);
    const QString index = QDir(dir).filePath(QStringLiteral("Bridge.DUP"));
    EXPECT_EQ(p.GetProjectPath(), index);
    EXPECT_TRUE(IsProjectFile(index));
    EXPECT_EQ(names(p.m_files), (QStringList{".hidden.DUX", "P1.Dux", "P2.DUX", "P10.dux"}));
    EXPECT_EQ(p.GetPathByName(QStringLiteral("P10.dux")), QDir(dir).filePath(QStringLiteral("P10.dux")));
    EXPECT_EQ(p.m_texts[CProjectInfo::kInstrumentText], QStringLiteral("KEV-DUX(W)"));

    p.m_texts[0] = QStringLiteral("工程");
    p.m_texts[7] = QStringLiteral("dropped");
    p.SaveProjectFile();
    pile(QStringLiteral("P3.DUX"));

    CProjectInfo q(&ctx);
    EXPECT_TRUE(q.OpenProjectFile(index));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_EQ(q.m_texts[0], QStringLiteral("工程"));
    EXPECT_EQ(q.m_texts[7], QString());
    EXPECT_EQ(q.m_nValue1, 0) << "BuildDefault resets value 1";
    EXPECT_EQ(q.m_nItemCount, 5) << "the list is rebuilt from the folder";
    EXPECT_EQ(q.m_files.GetAt(3).m_strName, QStringLiteral("P3.DUX"));

    // Batch mode reads the texts only.
    AppContext batch = ctx;
    batch.interactive = false;
    CProjectInfo r(&batch);
    r.OpenProjectFile(index);
    EXPECT_EQ(r.m_texts[0], QStringLiteral("工程"));
    EXPECT_EQ(r.m_files.GetCount(), 0);
}

// Summaries are kept between reads of a file that did not change; a file
// changed afterwards is read again, however little its stamp shows it: the same
// size with its write time put back, or another file renamed over it.
TEST_F(ProjectFolder, KeptSummariesFollowChangedFiles) {
    const QDateTime old(QDate(2023, 7, 8), QTime(10, 0, 0));
    const auto age = [&](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    };
    const auto summaryOf = [&](const QString& path) {
        CPileFileItem i;
        i.m_strPath = path;
        i.m_strName = QFileInfo(path).fileName();
        EXPECT_TRUE(i.ReadFileSummary());
        return i.m_strTestDateTime.toStdString();
    };
    const QString inPlace =
        pile(QStringLiteral("A.DUX"), DuxBuilder::shortHeader(90).testTime(kAfterMidnightBeijing));
    const QString renamed =
        pile(QStringLiteral("B.DUX"), DuxBuilder::shortHeader(90).testTime(kAfterMidnightBeijing));
    age(inPlace);
    age(renamed);
    // Only files whose last change lies some seconds back are kept.
    QThread::msleep(3300);
    CPileFileItem::ForgetSummaries();
    for (const QString& p : {inPlace, renamed})
        ASSERT_EQ(summaryOf(p), "2024-03-16 01:30:00");

    const QByteArray later = DuxBuilder::shortHeader(90).testTime(kAfterMidnightBeijing + 86400).build();
    ASSERT_EQ(later.size(), QFileInfo(inPlace).size());
    {
        QFile f(inPlace);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_EQ(f.write(later), later.size());
    }
    age(inPlace);
    const QString other = pile(QStringLiteral("other.tmp"),
                               DuxBuilder::shortHeader(90).testTime(kAfterMidnightBeijing + 86400));
    age(other);
    ASSERT_TRUE(QFile::remove(renamed));
    ASSERT_TRUE(QFile::rename(other, renamed));
    for (const QString& p : {inPlace, renamed})
        EXPECT_EQ(summaryOf(p), "2024-03-17 01:30:00") << qPrintable(p);
}

// Opening a project whose piles did not change leaves its index file as it
// is; a new pile writes it again.
TEST_F(ProjectFolder, AnUnchangedIndexIsNotWrittenAgain) {
    pile(QStringLiteral("P1.DUX"));
    CProjectInfo p(&ctx);
    p.BuildDefault(dir);
    const QString index = p.GetProjectPath();
    const QDateTime old(QDate(2023, 7, 8), QTime(10, 0, 0));
    {
        QFile f(index);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    CProjectInfo q(&ctx);
    ASSERT_TRUE(q.OpenProjectFile(index));
    EXPECT_EQ(QFileInfo(index).lastModified(), old);
    pile(QStringLiteral("P2.DUX"));
    ASSERT_TRUE(q.OpenProjectFile(index));
    EXPECT_NE(QFileInfo(index).lastModified(), old);
    CProjectInfo r(&ctx);
    ASSERT_TRUE(r.OpenProjectFile(index));
    EXPECT_EQ(r.m_files.GetCount(), 2);
}

TEST_F(ProjectFolder, RefusesForeignAndDamagedIndexes) {
    const QString good = QDir(dir).filePath(QStringLiteral("Bridge.DUP"));
    CProjectInfo writer(&ctx);
    writer.m_texts[0] = QStringLiteral("kept");
    writer.WriteProjectFile(good);
    const QByteArray bytes = [&] {
        QFile f(good);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    QByteArray foreign = bytes;
    const double other = 1.003;
    std::memcpy(foreign.data(), &other, 8);
    QByteArray hugeCount = bytes;
    const int32_t huge = 0x7FFFFFF0;
    std::memcpy(hugeCount.data() + 20, &huge, 4);
    QByteArray badOffset = bytes;
    const int32_t far = 1 << 30;
    std::memcpy(badOffset.data() + 8, &far, 4);

    struct Case {
        const char* name;
        QByteArray bytes; // empty: no file
        const char* message;
        bool throws;
    } cases[] = {
        {"missing", {}, "无法打开文件，文件已被删除或损坏!", false},
        {"foreign mark", foreign, "错误的文件格式或文件已损坏!", false},
        {"short", bytes.left(5), "错误的文件格式或文件已损坏!", false},
        {"huge text count", hugeCount, nullptr, true},
        {"text block beyond the file", badOffset, nullptr, true},
        {"cut in the values", bytes.left(bytes.indexOf("KEV-DUX") + 12), nullptr, true},
    };
    for (const Case& c : cases) {
        sink.shown.clear();
        const QString path = QDir(dir).filePath(QString::fromLatin1(c.name) + ".DUP");
        if (!c.bytes.isEmpty())
            writeBytes(path, c.bytes);
        CProjectInfo p(&ctx);
        p.m_texts[0] = QStringLiteral("before");
        if (c.throws) {
            EXPECT_THROW(p.OpenProjectFile(path), FileError) << c.name;
            EXPECT_TRUE(sink.shown.empty()) << c.name;
        } else {
            EXPECT_FALSE(p.OpenProjectFile(path)) << c.name;
            ASSERT_EQ(sink.shown.size(), 1u) << c.name;
            EXPECT_EQ(sink.shown[0].text, QString::fromUtf8(c.message)) << c.name;
            EXPECT_EQ(sink.shown[0].caption, QStringLiteral("提示"));
        }
        EXPECT_EQ(p.m_texts[0], QStringLiteral("before")) << c.name;
        EXPECT_EQ(p.GetProjectPath(), QString()) << c.name;
    }

    AppContext english = ctx;
    english.english = true;
    sink.shown.clear();
    CProjectInfo e(&english);
    writeBytes(QDir(dir).filePath(QStringLiteral("f.DUP")), foreign);
    e.OpenProjectFile(QDir(dir).filePath(QStringLiteral("f.DUP")));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Wrong File Format of File damaged!"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("Tips"));
    EXPECT_EQ(e.m_texts[CProjectInfo::kInstrumentText], QStringLiteral("KEV-TIMBO"));
}

TEST_F(ProjectFolder, SaveNeedsAWritablePath) {
    CProjectInfo p(&ctx);
    try {
        p.SaveProjectFile();
        FAIL() << "no path";
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), FileCause::BadPath);
    }
    // Each failure says its own cause, none of them a full disk.
    const QString inTheWay = QDir(dir).filePath(QStringLiteral("Bridge.DUP"));
    ASSERT_TRUE(QDir().mkdir(inTheWay));
    const struct {
        QString path;
        FileCause cause;
        QString said;
    } cases[] = {
        {tmp.filePath(QStringLiteral("missing/folder/x.DUP")), FileCause::FileNotFound,
         QStringLiteral("找不到文件")},
        {inTheWay, FileCause::BadPath, QStringLiteral("它是一个文件夹")},
    };
    for (const auto& c : cases) {
        try {
            p.WriteProjectFile(c.path);
            ADD_FAILURE() << c.path.toStdString();
        } catch (const FileError& e) {
            EXPECT_EQ(e.cause(), c.cause) << c.path.toStdString();
            EXPECT_EQ(e.path(), c.path);
            EXPECT_TRUE(e.message(false).contains(c.said)) << e.message(false).toStdString();
        }
    }
}

TEST_F(ProjectFolder, SummariesShowLocalDates) {
    const QString timed =
        pile(QStringLiteral("T.DUX"), DuxBuilder::shortHeader(90).testTime(kAfterMidnightBeijing));
    const QString block =
        pile(QStringLiteral("B.DUX"), DuxBuilder::paramBlock("A-RIRADAD").testTime(kAfterMidnightBeijing));
    const QString untimed = pile(QStringLiteral("U.DUX"), DuxBuilder::shortHeader(90).testTime(0));
    {
        QFile f(untimed);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2023, 7, 8), QTime(23, 59, 58)),
                                  QFileDevice::FileModificationTime));
    }

    struct Case {
        QString path;
        const char* date;
        const char* dateTime;
        uint8_t flag;
    } cases[] = {
        {timed, "2024-03-16", "2024-03-16 01:30:00", 0},
        {block, "2024-03-16", "2024-03-16 01:30:00", 1},
        {untimed, "2023-07-08", "2023-07-08 23:59:58", 0},
    };
    for (const Case& c : cases) {
        CPileFileItem i;
        i.m_strPath = c.path;
        i.m_strName = QFileInfo(c.path).fileName();
        ASSERT_TRUE(i.ReadFileSummary()) << qPrintable(c.path);
        EXPECT_EQ(i.m_strTestDate, QString::fromLatin1(c.date));
        EXPECT_EQ(i.m_strTestDateTime, QString::fromLatin1(c.dateTime));
        EXPECT_EQ(i.m_strPileNo, QFileInfo(c.path).completeBaseName());
        EXPECT_EQ(i.m_bFlag, c.flag);
        EXPECT_EQ(i.m_bCompleteDate, 1);
    }
    CPileFileItem none;
    EXPECT_FALSE(none.ReadFileSummary());
    none.m_strPath = QDir(dir).filePath(QStringLiteral("absent.DUX"));
    EXPECT_FALSE(none.ReadFileSummary());
}

TEST_F(ProjectFolder, SavedDatesWithoutTimeClearTheCompleteFlag) {
    DuxAnalysis withTime;
    withTime.pileNo = QStringLiteral("桩7");
    withTime.testDate = QStringLiteral("2024-03-15 09:30:00");
    withTime.fixedParam = 1;
    DuxAnalysis dateOnly = withTime;
    dateOnly.pileNo = QStringLiteral("8");
    dateOnly.testDate = QStringLiteral("2024-03-14");
    dateOnly.fixedParam = 0;
    auto saved = [](const DuxAnalysis& a) {
        DuxAnalysis b = a;
        b.channels.resize(2);
        b.averages.resize(1);
        return DuxBuilder::paramBlock("VADUZI", 1042).channels(2, 1024).analysis(b);
    };
    pile(QStringLiteral("A.DUX"), saved(withTime));
    CProjectInfo p(&ctx);
    p.BuildDefault(dir);
    p.RefreshItems();
    EXPECT_EQ(p.m_bAllComplete, 1);
    ASSERT_EQ(p.m_files.GetCount(), 1);
    const CPileFileItem& a = p.m_files.GetAt(0);
    EXPECT_EQ(a.m_strPileNo, QStringLiteral("桩7"));
    EXPECT_EQ(a.m_strTestDate, QStringLiteral("2024-03-15"));
    EXPECT_EQ(a.m_strTestDateTime, QStringLiteral("2024-03-15 09:30:00"));
    EXPECT_EQ(a.m_bFlag, 1);

    pile(QStringLiteral("B.DUX"), saved(dateOnly));
    p.Rebuild();
    p.RefreshItems();
    EXPECT_EQ(p.m_bAllComplete, 0);
    const CPileFileItem& b = p.m_files.GetAt(1);
    EXPECT_EQ(b.m_strTestDate, QStringLiteral("2024-03-14"));
    EXPECT_EQ(b.m_strTestDateTime, QStringLiteral("2024-03-14 00:00:00"));
    EXPECT_EQ(b.m_bCompleteDate, 0);
    EXPECT_EQ(b.m_bFlag, 0);
}

// A summary reads the file's head and the start of a saved analysis only;
// fields lying further in are read all the same, and a damaged block is refused.
TEST_F(ProjectFolder, SummariesReachFieldsFarIntoTheFile) {
    QByteArray far = DuxBuilder::shortHeader(90).testTime(kAfterMidnightBeijing).build();
    far.insert(50, QByteArray(6000, '\0')); // the header 6,000 bytes further in
    for (int at : {14, 18, 22}) {
        int32_t v;
        std::memcpy(&v, far.constData() + at, 4);
        v += 6000;
        std::memcpy(far.data() + at, &v, 4);
    }
    DuxAnalysis a;
    a.pileNo = QString(3000, QChar(u'桩')); // 6,000 bytes of GBK
    a.project = QString(2500, QChar(u'x'));
    a.testDate = QStringLiteral("2024-03-15 09:30:00");
    a.fixedParam = 1;
    a.channels.resize(1);
    a.averages.resize(1);
    const QByteArray saved = DuxBuilder::paramBlock("VADUZI", 1042).channels(1, 1024).analysis(a).build();
    int32_t A;
    std::memcpy(&A, saved.constData() + 22, 4);

    struct Case {
        const char* name;
        QByteArray bytes;
        bool read;
        const char* dateTime;
        QString pileNo;
    } cases[] = {
        {"far.DUX", far, true, "2024-03-16 01:30:00", QStringLiteral("far")},
        {"long.DUX", saved, true, "2024-03-15 09:30:00", a.pileNo},
        // Cut inside the pile number: its count runs past the end.
        {"cut.DUX", saved.left(A + 12 + 5000), false, "", {}},
    };
    for (const Case& c : cases) {
        CPileFileItem i;
        i.m_strName = QString::fromLatin1(c.name);
        i.m_strPath = writeBytes(QDir(dir).filePath(i.m_strName), c.bytes);
        EXPECT_EQ(i.ReadFileSummary(), c.read) << c.name;
        EXPECT_EQ(i.m_strTestDateTime, QString::fromLatin1(c.dateTime)) << c.name;
        EXPECT_EQ(i.m_strPileNo, c.pileNo) << c.name;
        EXPECT_EQ(i.m_bCompleteDate, 1) << c.name;
    }
}

TEST(ProjectSample, ListsTheDemoProject) {
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("demo"));
    QDir().mkpath(dir);
    for (const QFileInfo& fi : QDir(QStringLiteral(PIT_SAMPLES_DIR)).entryInfoList(QDir::Files))
        QFile::copy(fi.absoluteFilePath(), QDir(dir).filePath(fi.fileName()));
    AppContext ctx;
    CProjectInfo p(&ctx);
    p.BuildDefault(dir);
    EXPECT_EQ(names(p.m_files),
              (QStringList{"ZK1.DUX", "ZK2.DUX", "ZK3.DUX", "ZK4.DUX", "ZK5.DUX", "ZK6.DUX", "ZK9.DUX",
                           "ZK10.DUX", "ZK11.DUX", "ZK12.DUX", "ZK13.DUX", "ZK14.DUX"}));
}
