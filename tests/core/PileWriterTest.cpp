// Saving, copying, rewriting and cutting pile files: round trips through the
// reader and bytes at named offsets.
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "platform/FileError.h"
#include "tests/support/DuxBuilder.h"
#include "tests/support/Disks.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;
using pit::test::DuxBlow;
using pit::test::DuxBuilder;

namespace {

int32_t i32At(const QByteArray& b, qsizetype off) {
    int32_t v;
    std::memcpy(&v, b.constData() + off, 4);
    return v;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

std::vector<float> wave(int count, int n) {
    std::vector<float> v(size_t(count) * size_t(n));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = float(std::sin(double(i % size_t(n)) * 0.05) * (1.0 + double(i / size_t(n))));
    return v;
}

class PileWrite : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const DuxBuilder& b, const QString& name) { return b.writeTo(dir.path(), name); }
};

} // namespace

TEST_F(PileWrite, SaveAppendsTheAnalysisAfterTheSamplesAndRoundTrips) {
    const QString path =
        write(DuxBuilder::shortHeader(219, "VADUZI", 4).channels(2, 1024).samples(wave(2, 1024)),
              QStringLiteral("S1.dux"));
    const QByteArray original = fileBytes(path);
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(path));
    ASSERT_EQ(rec.m_nRecordType, 3);
    rec.m_strProject = u"一个很长的工程名称用来测试"_qs;
    rec.m_strRemark = u"备注很长很长很长"_qs;
    rec.m_strClass = u"II"_qs;
    rec.m_nGradeIndex = 5;
    rec.m_fDiameter = 1000;
    rec.m_nViewMode = 0;
    rec.m_fScale = 1.5f;
    rec.m_nCurrentChannel = 1;
    rec.Channel(1)->DefectMarks().push_back({300, 5, 2, 0});
    rec.SaveAnalysis();

    const QByteArray saved = fileBytes(path);
    const int32_t W = i32At(saved, 18);
    EXPECT_EQ(i32At(saved, 10), kAnalysisCode);
    EXPECT_EQ(i32At(saved, 22), W + 2 * 1024 * 4);
    EXPECT_EQ(saved.left(W + 2 * 1024 * 4).mid(26), original.left(W + 2 * 1024 * 4).mid(26));
    EXPECT_EQ(rec.m_bFixedParam, 1);

    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(path));
    EXPECT_EQ(back.m_strProject, rec.m_strProject);
    EXPECT_EQ(back.m_strRemark, rec.m_strRemark);
    EXPECT_EQ(back.m_strClass, u"II"_qs);
    EXPECT_EQ(back.m_nGradeIndex, 5);
    EXPECT_FLOAT_EQ(back.m_fDiameter, 1000);
    EXPECT_EQ(back.m_testDate, rec.m_testDate);
    EXPECT_EQ(back.m_testTime.time(), QTime(9, 30));
    EXPECT_EQ(back.m_nViewMode, 0);
    EXPECT_FLOAT_EQ(back.m_fScale, 1.5f);
    EXPECT_EQ(back.m_nCurrentChannel, 1);
    ASSERT_EQ(back.ChannelCountInList(), 3);
    ASSERT_EQ(back.Channel(1)->defects.size(), 1u);
    EXPECT_EQ(back.Channel(1)->defects[0].type, 5);
    EXPECT_EQ(back.Channel(0)->Source(), rec.Channel(0)->Source());
    EXPECT_EQ(back.AverageChannel()->Source(), rec.AverageChannel()->Source());
    // The block head points at the current channel's record.
    const int32_t A = i32At(saved, 22);
    const int32_t current = i32At(saved, A + 4);
    EXPECT_GT(current, A);
    EXPECT_EQ(i32At(saved, current), 1024);   // N of channel 2's record
    EXPECT_EQ(i32At(saved, current + 76), 1); // its one defect mark
    EXPECT_EQ(i32At(saved, current + 80), 300);
    // The first string after the 12-byte head: the pile number, NUL counted.
    const QByteArray pileNo = DuxBuilder::gbk(rec.m_strPileNo);
    EXPECT_EQ(i32At(saved, A + 12), pileNo.size() + 1);
    EXPECT_EQ(saved.mid(A + 16, pileNo.size() + 1), pileNo + QByteArray(1, '\0'));
    // The tail: view, alignment and calculation modes, then the scale factor.
    EXPECT_EQ(i32At(saved, saved.size() - 16), 0);
    float tailScale;
    std::memcpy(&tailScale, saved.constData() + saved.size() - 4, 4);
    EXPECT_EQ(tailScale, 1.5f);

    // A second save with shorter texts leaves nothing of the longer block:
    // the file equals a first save of the same state.
    back.m_strProject = u"短"_qs;
    back.m_strRemark.clear();
    back.SaveAnalysis();
    const QString fresh =
        write(DuxBuilder::shortHeader(219, "VADUZI", 4).channels(2, 1024).samples(wave(2, 1024)),
              QStringLiteral("S1.dux.fresh"));
    const QString keep = back.m_strPath;
    back.m_strPath = fresh;
    back.SaveAnalysis();
    EXPECT_EQ(fileBytes(keep), fileBytes(fresh));
    EXPECT_LT(fileBytes(keep).size(), saved.size());
}

TEST_F(PileWrite, SavingABlowFileReplacesItsTable) {
    DuxBlow b1, avg;
    b1.samples.assign(1024, 1.0f);
    avg.blow = 0;
    avg.blowBytes[0] = 1;
    const QString path = write(
        DuxBuilder::paramBlock("A-RIRADAD").channels(1, 1024).samples(wave(1, 1024)).blowTable({b1, avg}),
        QStringLiteral("B.dux"));
    const int32_t table = i32At(fileBytes(path), 22);
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(path));
    ASSERT_EQ(rec.m_bBlowFile, 1);
    rec.SaveAnalysis();
    const QByteArray saved = fileBytes(path);
    EXPECT_EQ(i32At(saved, 22), table);
    EXPECT_EQ(i32At(saved, 10), kAnalysisCode);
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(path));
    EXPECT_EQ(back.m_bBlowFile, 0);
    EXPECT_EQ(back.ChannelCountInList(), 2);
    EXPECT_EQ(back.Channel(0)->Source(), rec.Channel(0)->Source());
}

TEST_F(PileWrite, SaveOfAMissingOrDamagedFileRaises) {
    CPileRecord rec;
    rec.m_strPath = dir.path() + QStringLiteral("/gone.dux");
    EXPECT_THROW(rec.SaveAnalysis(), FileError);
    QFile f(dir.path() + QStringLiteral("/short.dux"));
    f.open(QIODevice::WriteOnly);
    f.write("VADUZI\0\0\0\0\3\0\0\0", 14);
    f.close();
    rec.m_strPath = f.fileName();
    EXPECT_THROW(rec.SaveAnalysis(), FileError);
}

TEST_F(PileWrite, CopyOfASquareType5PileReadsBackSquare) {
    const QString path = write(DuxBuilder::paramBlock("RIRADAD", 100)
                                   .channels(2, 1024)
                                   .samples(wave(2, 1024))
                                   .shapeSideGrade(1, 450, 30)
                                   .project(u"工程"_qs)
                                   .pileNo(u"Z-9"_qs),
                               QStringLiteral("T5.dux"));
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(path));
    ASSERT_EQ(rec.m_nRecordType, 5);
    rec.m_strProject = QString(25, QChar(u'桥'));
    const QString copy = dir.path() + QStringLiteral("/copy.dux");
    ASSERT_TRUE(rec.WriteFile(copy));
    EXPECT_EQ(rec.m_nReloadState, 2);

    const QByteArray b = fileBytes(copy);
    EXPECT_EQ(b.left(10), QByteArray("RIRADAD\0\0\0", 10));
    EXPECT_EQ(i32At(b, 10), kCopyCode);
    EXPECT_EQ(i32At(b, 14), 50);
    EXPECT_EQ(i32At(b, 18), 578);
    EXPECT_EQ(i32At(b, 22), 0);
    EXPECT_EQ(i32At(b, 50 + 248), 1);       // block shape
    EXPECT_EQ(i32At(b, 50 + 432 + 2), 1);   // extension shape
    EXPECT_EQ(i32At(b, 50 + 432 + 10), 30); // extension grade number
    // Texts of the block are UTF-16: the 25-character name kept what fit the 8-bit image.
    EXPECT_EQ(b.mid(50, 50), DuxBuilder::utf16(QString(24, QChar(u'桥'))) + QByteArray(2, '\0'));
    EXPECT_EQ(b.mid(50 + 176, 6), DuxBuilder::utf16(u"Z-9"_qs));
    // One sample run per channel in the list, the average included.
    EXPECT_EQ(b.size(), 578 + 3 * 1024 * 4);
    EXPECT_EQ(QFileInfo(copy).lastModified(), QDateTime(QDate(2024, 3, 15), QTime(9, 30)));

    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(copy));
    EXPECT_EQ(back.m_nRecordType, 6);
    EXPECT_EQ(back.m_strShape, u"方桩"_qs);
    EXPECT_EQ(back.m_nShape, 1);
    EXPECT_EQ(back.m_nGradeIndex, 3);
    EXPECT_EQ(back.m_strPileNo, u"Z-9"_qs);
    EXPECT_EQ(back.m_strProject, QString(24, QChar(u'桥')));
    EXPECT_EQ(back.Channel(1)->Source(), rec.Channel(1)->Source());
}

TEST_F(PileWrite, RewriteKeepsEachRecordTypesOwnLayout) {
    struct Case {
        DuxBuilder file;
        int type;
        int32_t blockLength;
        const char* magic;
    } cases[] = {
        {DuxBuilder::shortHeader(90), 0, 90, "VADUZI"},
        {DuxBuilder::shortHeader(100), 1, 103, "VADUZI"},
        {DuxBuilder::shortHeader(150), 2, 219, "VADUZI"},
        {DuxBuilder::shortHeader(123, "VADUZI", 4), 3, 219, "VADUZI"},
        {DuxBuilder::shortHeader(123, "VURIZO", 1), 4, 219, "VURIZO"},
        {DuxBuilder::paramBlock("RIRADAD", 100).texts(u"甲乙"_qs, u"b"_qs, u"c"_qs), 5, 542, "RIRADAD"},
        {DuxBuilder::paramBlock("VADUZI", 3, 96).extension(1, 1, 300, 40), 6, 528, "VADUZI"},
    };
    for (auto& c : cases) {
        c.file.channels(2, 1024).samples(wave(2, 1024));
        const QString path = write(c.file, QStringLiteral("R%1.dux").arg(c.type));
        CPileRecord rec;
        ASSERT_TRUE(rec.ReadFile(path));
        ASSERT_EQ(rec.m_nRecordType, c.type);
        const auto raw = rec.RawSamples();
        rec.RewriteOriginalFile();
        const QByteArray b = fileBytes(path);
        EXPECT_EQ(QByteArray(b.constData()), QByteArray(c.magic)) << c.type;
        EXPECT_EQ(i32At(b, 18) - i32At(b, 14), c.blockLength) << c.type;
        EXPECT_EQ(i32At(b, 22), b.size()) << c.type;
        EXPECT_EQ(rec.m_nRecordType, c.type) << "read again after the rewrite";
        EXPECT_EQ(rec.RawSamples(), raw) << c.type;
        if (c.type == 5)
            EXPECT_EQ(rec.m_header.utf16(hdr::kText4, 50), u"甲乙"_qs);
        if (c.type == 6) {
            EXPECT_EQ(rec.m_bLegacy, 1);
            EXPECT_EQ(rec.m_strShape, u"方桩"_qs);
        }
    }
}

TEST_F(PileWrite, TruncateCutsInPlace) {
    const QString path = dir.path() + QStringLiteral("/t.bin");
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(QByteArray(100, 'x'));
    f.close();
    EXPECT_TRUE(CPileRecord::TruncateFile(path, 40));
    EXPECT_EQ(QFileInfo(path).size(), 40);
    EXPECT_FALSE(CPileRecord::TruncateFile(dir.path() + QStringLiteral("/none"), 10));
}

TEST_F(PileWrite, FileTimesFollowTheTestTime) {
    CPileRecord rec;
    ASSERT_TRUE(
        rec.ReadFile(write(DuxBuilder::shortHeader(90).testTime(1700000000), QStringLiteral("ft.dux"))));
    ASSERT_TRUE(rec.SetFileTimeToTestTime());
    EXPECT_EQ(QFileInfo(rec.m_strPath).lastModified().toSecsSinceEpoch(), 1700000000);
    rec.m_strPath = dir.path() + QStringLiteral("/none.dux");
    EXPECT_FALSE(rec.SetFileTimeToTestTime());
}

TEST_F(PileWrite, ConclusionSentenceInBothLanguages) {
    CPileRecord rec;
    ASSERT_TRUE(
        rec.ReadFile(write(DuxBuilder::shortHeader(90).samples(wave(1, 1024)), QStringLiteral("c.dux"))));
    rec.BuildIntegrityText();
    EXPECT_EQ(rec.m_strConclusion, u"桩身完整"_qs);
    rec.SetLanguage(1);
    rec.BuildIntegrityText();
    EXPECT_EQ(rec.m_strConclusion, u"Integrity Ass: Integrity."_qs);

    CWaveRecord* ch = rec.CurrentChannel();
    const int base = ch->headIndex + 10;
    ch->toeIndex = 1000;
    ch->DefectMarks() = {{base, 0, 0, 0}, {base + 20, 1, 1, 0}, {base + 40, 2, 2, 0}};
    rec.SetLanguage(0);
    rec.BuildIntegrityText();
    const QString zh = rec.m_strConclusion;
    EXPECT_TRUE(zh.startsWith(u"距桩顶约"_qs));
    EXPECT_EQ(zh.count(u'，'), 2);
    EXPECT_TRUE(zh.endsWith(u"。"_qs));
    EXPECT_TRUE(zh.contains(u"m轻微缩径，"_qs));
    EXPECT_TRUE(zh.contains(u"m离析，"_qs));
    EXPECT_TRUE(zh.contains(u"m严重断裂。"_qs));
    const QString d0 = QString::number(ch->IndexToDepth(base), 'f', 2);
    EXPECT_TRUE(zh.startsWith(u"距桩顶约"_qs + d0 + u"m"_qs));
    rec.SetLanguage(1);
    rec.BuildIntegrityText();
    EXPECT_EQ(rec.m_strConclusion.count(u", "_qs), 2);
    EXPECT_TRUE(rec.m_strConclusion.contains(u"m moderate contaminated, "_qs));
    EXPECT_TRUE(rec.m_strConclusion.endsWith(u"m severe fracture."_qs));
}

// A file replaced by another pile since the read: the save writes nothing
// unless told to overwrite, and then this record's pile goes in whole (its
// own samples, never the other pile's), for every kind of file.
TEST_F(PileWrite, AFileReplacedSinceTheReadGetsNoAnalysisOfAnotherPile) {
    DuxBlow b1, avg;
    b1.samples.assign(1024, 1.0f);
    avg.blow = 0;
    avg.blowBytes[0] = 1;
    struct Case {
        const char* what;
        DuxBuilder file;
    } cases[] = {
        {"short header", DuxBuilder::shortHeader(123, "VADUZI", 4).channels(2, 1024).samples(wave(2, 1024))},
        {"parameter block", DuxBuilder::paramBlock("RIRADAD", 100).channels(2, 1024).samples(wave(2, 1024))},
        {"type 6", DuxBuilder::paramBlock("VADUZI", 3, 96)
                       .extension(1, 1, 300, 40)
                       .channels(2, 1024)
                       .samples(wave(2, 1024))},
        {"blow file",
         DuxBuilder::paramBlock("A-RIRADAD").channels(1, 1024).samples(wave(1, 1024)).blowTable({b1, avg})},
    };
    std::vector<float> otherSamples(3 * 512, 0.25f);
    const QString other = write(DuxBuilder::paramBlock("RIRADAD", 100).channels(3, 512).samples(otherSamples),
                                QStringLiteral("o.dux"));
    const QByteArray otherBytes = fileBytes(other);
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = write(c.file, QStringLiteral("r.dux"));
        CPileRecord rec;
        ASSERT_TRUE(rec.ReadFile(path));
        const auto raw = rec.RawSamples();
        const int channels = rec.ChannelCountInList();
        const uint8_t fixed = rec.m_bFixedParam;
        rec.m_fPileLength = 21.5f;
        EXPECT_FALSE(rec.FileChangedOnDisk());

        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(other, path));
        EXPECT_TRUE(rec.FileChangedOnDisk());
        EXPECT_THROW(rec.SaveAnalysis(), FileError);
        EXPECT_EQ(fileBytes(path), otherBytes);
        EXPECT_EQ(rec.m_bFixedParam, fixed);
        EXPECT_EQ(rec.m_nReloadState, 0); // nothing to read back

        rec.SaveAnalysis(true);
        EXPECT_FALSE(rec.FileChangedOnDisk());
        EXPECT_EQ(rec.m_nReloadState, 1);
        CPileRecord back;
        ASSERT_TRUE(back.ReadFile(path));
        EXPECT_EQ(back.RawSamples(), raw);
        EXPECT_EQ(back.ChannelCountInList(), channels);
        EXPECT_FLOAT_EQ(back.m_fPileLength, 21.5f);
        for (int i = 0; i < channels; ++i)
            EXPECT_EQ(back.Channel(i)->Source(), rec.Channel(i)->Source()) << i;
    }
}

// Two records on one file: the second save is refused, or told to
// overwrite it keeps the file's bytes before the analysis (the same pile's)
// and writes its own analysis; the first record then sees the change.
TEST_F(PileWrite, ASaveAfterAnotherRecordsSaveIsRefusedUnlessToldToOverwrite) {
    const QString path =
        write(DuxBuilder::shortHeader(123, "VADUZI", 4).channels(2, 1024).samples(wave(2, 1024)),
              QStringLiteral("two.dux"));
    CPileRecord a, b;
    ASSERT_TRUE(a.ReadFile(path));
    ASSERT_TRUE(b.ReadFile(path));
    a.m_fPileLength = 14.5f;
    a.SaveAnalysis();
    const QByteArray saveOfA = fileBytes(path);
    EXPECT_FALSE(a.FileChangedOnDisk());
    EXPECT_TRUE(b.FileChangedOnDisk());

    b.m_fDiameter = 1200;
    EXPECT_THROW(b.SaveAnalysis(), FileError);
    EXPECT_EQ(fileBytes(path), saveOfA);
    b.SaveAnalysis(true);
    const QByteArray saveOfB = fileBytes(path);
    const int32_t A = i32At(saveOfB, 22);
    EXPECT_EQ(saveOfB.left(A), saveOfA.left(A));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(path));
    EXPECT_FLOAT_EQ(back.m_fDiameter, 1200);
    EXPECT_FLOAT_EQ(back.m_fPileLength, b.m_fPileLength);
    EXPECT_TRUE(a.FileChangedOnDisk());
    EXPECT_FALSE(b.FileChangedOnDisk());
    // Setting the file's time to the test time is no change by another.
    ASSERT_TRUE(b.SetFileTimeToTestTime());
    EXPECT_FALSE(b.FileChangedOnDisk());
}

// A write that fails on a full disk leaves the record as it was: no reload
// asked for, the fixed-parameter flag unchanged, the file untouched.
TEST_F(PileWrite, AFailedSaveAsksForNoReload) {
    pit::test::SmallDisk disk;
    if (!disk.Mount(dir.filePath(QStringLiteral("small")), 256))
        GTEST_SKIP() << "no folder for the small disk";
    const QString path = DuxBuilder::shortHeader(123, "VADUZI", 4)
                             .channels(2, 1024)
                             .samples(wave(2, 1024))
                             .writeTo(disk.path, QStringLiteral("f.dux"));
    CPileRecord rec;
    ASSERT_TRUE(rec.ReadFile(path));
    const QByteArray before = fileBytes(path);
    rec.m_fPileLength = 14.5f;
    disk.Fill();
    try {
        rec.SaveAnalysis();
        ADD_FAILURE() << "saved on a full disk";
    } catch (const FileError& e) {
        if (disk.mounted)
            EXPECT_EQ(e.cause(), FileCause::DiskFull);
    }
    EXPECT_EQ(rec.m_nReloadState, 0);
    EXPECT_EQ(rec.m_bFixedParam, 0);
    EXPECT_FALSE(rec.ReloadIfNeeded());
    EXPECT_FLOAT_EQ(rec.m_fPileLength, 14.5f);
    EXPECT_EQ(fileBytes(path), before);
    disk.Free();
    rec.SaveAnalysis();
    EXPECT_TRUE(rec.ReloadIfNeeded());
    EXPECT_FLOAT_EQ(rec.m_fPileLength, 14.5f);
}
