// 保存 in the real window when the write fails or the file changed on disk:
// a save that fails keeps the user's edit in the record, the page and the
// modified flag, and writes it once the disk has room again; a pile file
// saved by another window or replaced by another file is not merged with
// this window's pile but asked about.
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandIds.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/support/Disks.h"

#include <QTest>

using namespace pit;
using namespace pit::test;

namespace {

struct PileSave : SampleFrame {
    CPileRecord& rec() { return doc->m_PileRecord; }
    QLineEdit* field(int id) {
        return qobject_cast<QLineEdit*>(FindCtrl(frame->FormMain()->PilePanel(), id));
    }
    static constexpr int kDiameter = 1034, kLength = 1071;

    // Opens path and types the pile length on the pile page, as a user does.
    void OpenAndTypeLength(const QString& path, const char* length) {
        ASSERT_TRUE(doc->OnOpenDocument(path));
        settle();
        activate();
        frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kPileTab);
        settle();
        typeAndTab(field(kLength), QString::fromLatin1(length));
        ASSERT_FLOAT_EQ(rec().m_fPileLength, QByteArray(length).toFloat());
        ASSERT_TRUE(doc->IsModified());
    }
};

} // namespace

// Ctrl+S and 是 to "是否将改动保存到…?" on a full disk: the disk-full message,
// the edit stays in the record, on the page and as a modification; once
// space is free, 保存 writes the edit.
TEST_F(PileSave, AFailedSaveKeepsTheEditAndTheNextSaveWritesIt) {
    SmallDisk disk;
    if (!disk.Mount(tmp.filePath(QStringLiteral("small")), 512))
        GTEST_SKIP() << "no folder for the small disk";
    const QString project = QDir(disk.path).filePath(QStringLiteral("demo"));
    ASSERT_TRUE(QDir().mkpath(project));
    for (const char* name : {"ZK1.DUX", "ZK2.DUX"})
        ASSERT_TRUE(QFile::copy(pile(name), QDir(project).filePath(QString::fromLatin1(name))));
    const QString zk1 = QDir(project).filePath(QStringLiteral("ZK1.DUX"));

    enum How { Save, YesOnPileChange };
    for (How how : {Save, YesOnPileChange}) {
        SCOPED_TRACE(how == Save ? "保存" : "是 on a pile change");
        ASSERT_NO_FATAL_FAILURE(OpenAndTypeLength(zk1, how == Save ? "14.5" : "16.25"));
        frame->FormMain()->FillPileTree();
        settle();
        const int speed = rec().m_nWaveSpeed;
        const QByteArray before = bytes(zk1);
        disk.Fill();
        sink.shown.clear();
        if (how == Save) {
            frame->Commands()->Update();
            QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
        } else {
            sink.answers = {IDYES};
            tree()->setCurrentItem(item(QStringLiteral("ZK2.DUX")));
            settle();
        }
        const size_t asked = how == Save ? 0 : 1;
        ASSERT_GE(sink.shown.size(), asked + 1);
        EXPECT_TRUE(sink.shown[asked].text.contains(disk.mounted ? QStringLiteral("磁盘已满")
                                                                 : QStringLiteral("ZK1.DUX")))
            << sink.shown[asked].text.toStdString();
        // Nothing written, nothing read back: the pile shown is the edited one.
        EXPECT_EQ(bytes(zk1), before);
        EXPECT_EQ(rec().m_strPath, zk1);
        EXPECT_FLOAT_EQ(rec().m_fPileLength, how == Save ? 14.5f : 16.25f);
        EXPECT_EQ(rec().m_nWaveSpeed, speed);
        EXPECT_EQ(field(kLength)->text(), how == Save ? QStringLiteral("14.50") : QStringLiteral("16.25"));
        EXPECT_TRUE(doc->IsModified());

        disk.Free();
        sink.shown.clear();
        ASSERT_TRUE(choose(cmd::kFileSave));
        EXPECT_TRUE(sink.shown.empty()) << sink.shown.front().text.toStdString();
        EXPECT_FALSE(doc->IsModified());
        CPileRecord back;
        ASSERT_TRUE(back.ReadFile(zk1));
        EXPECT_FLOAT_EQ(back.m_fPileLength, how == Save ? 14.5f : 16.25f);
        EXPECT_EQ(back.m_nWaveSpeed, speed);
        EXPECT_FLOAT_EQ(rec().m_fPileLength, back.m_fPileLength);
    }
}

// Two windows on one pile: A saves its length, then B its diameter. B is
// asked: No keeps A's file and B's edit unsaved; Yes writes B's pile over it.
TEST_F(PileSave, ASaveAfterAnotherWindowsSaveAsksWhichPileStays) {
    const QString zk1 = pile("ZK1.DUX");
    ASSERT_TRUE(doc->OnOpenDocument(zk1)); // window B
    settle();
    activate();
    frame->FormMain()->Tabs()->setCurrentIndex(CFormMain::kPileTab);
    settle();

    CPileRecord a; // window A
    ASSERT_TRUE(a.ReadFile(zk1));
    a.m_fPileLength = 14.5f;
    a.SaveAnalysis();
    const QByteArray saveOfA = bytes(zk1);

    typeAndTab(field(kDiameter), QStringLiteral("1200"));
    ASSERT_FLOAT_EQ(rec().m_fDiameter, 1200.0f);
    const float lengthOfB = rec().m_fPileLength;
    ASSERT_NE(lengthOfB, 14.5f);

    sink.shown.clear();
    sink.answers = {IDNO};
    ASSERT_TRUE(choose(cmd::kFileSave));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("已在磁盘上被改动")))
        << sink.shown[0].text.toStdString();
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("ZK1.DUX")));
    EXPECT_EQ(sink.shown[0].type & MB_TYPEMASK, unsigned(MB_YESNO));
    EXPECT_EQ(bytes(zk1), saveOfA);
    EXPECT_TRUE(doc->IsModified());
    EXPECT_FLOAT_EQ(rec().m_fDiameter, 1200.0f);

    // Asked again at the next save; Yes: this window's pile, whole.
    sink.shown.clear();
    sink.answers = {IDYES};
    ASSERT_TRUE(choose(cmd::kFileSave));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_FALSE(doc->IsModified());
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(zk1));
    EXPECT_FLOAT_EQ(back.m_fDiameter, 1200.0f);
    EXPECT_FLOAT_EQ(back.m_fPileLength, lengthOfB);

    // Saved by this window, the file is this window's again: no question.
    sink.shown.clear();
    doc->SetModifiedFlag(true);
    ASSERT_TRUE(choose(cmd::kFileSave));
    EXPECT_TRUE(sink.shown.empty());
}

// The pile file replaced by another pile while open (the folder moved away,
// another project's pile copied in under the name): asked; No leaves that
// file byte for byte; Yes writes this window's pile whole, its own samples
// with its own analysis, and the file reads back as that pile.
TEST_F(PileSave, APileReplacedOnDiskGetsNoAnalysisOfAnotherPile) {
    const QString zk1 = pile("ZK1.DUX");
    ASSERT_TRUE(doc->OnOpenDocument(zk1));
    settle();
    const float lengthShown = rec().m_fPileLength;
    const int channels = rec().ChannelCountInList();
    const std::vector<float> ownSamples(rec().RawSamples().data(),
                                        rec().RawSamples().data() + rec().RawSamples().size());
    doc->SetModifiedFlag(true);

    const QString moved = tmp.filePath(QStringLiteral("moved"));
    ASSERT_TRUE(QDir().rename(folder, moved));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QDir(moved).filePath(QStringLiteral("ZK12.DUX")), zk1));
    const QByteArray other = bytes(zk1);
    CPileRecord otherPile;
    ASSERT_TRUE(otherPile.ReadFile(zk1));
    const auto samplesOf = [](const CPileRecord& r) {
        return std::vector<float>(r.RawSamples().data(), r.RawSamples().data() + r.RawSamples().size());
    };
    ASSERT_NE(samplesOf(otherPile), ownSamples);

    sink.shown.clear();
    sink.answers = {IDNO};
    ASSERT_TRUE(choose(cmd::kFileSave));
    ASSERT_GE(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("已在磁盘上被改动")))
        << sink.shown[0].text.toStdString();
    EXPECT_EQ(bytes(zk1), other);
    EXPECT_TRUE(doc->IsModified());

    sink.shown.clear();
    sink.answers = {IDYES};
    ASSERT_TRUE(choose(cmd::kFileSave));
    ASSERT_GE(sink.shown.size(), 1u);
    EXPECT_FALSE(doc->IsModified());
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(zk1));
    EXPECT_EQ(back.ChannelCountInList(), channels);
    EXPECT_FLOAT_EQ(back.m_fPileLength, lengthShown);
    EXPECT_EQ(samplesOf(back), ownSamples);
    EXPECT_EQ(back.m_strPileNo, rec().m_strPileNo);
    // The project moved away is untouched.
    EXPECT_EQ(bytes(QDir(moved).filePath(QStringLiteral("ZK1.DUX"))),
              bytes(QDir(QStringLiteral(PIT_SAMPLES_DIR)).filePath(QStringLiteral("ZK1.DUX"))));
}
