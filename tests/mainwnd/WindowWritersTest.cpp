// The window's other writers as the user meets them, through the actions of
// the real main window: the KEV conversion goes on past a pile file the user
// keeps and past a file that fails, each told by name; a copy that cannot be
// written says why; the panel's apply to the whole project names a pile that
// refused the high-pass.
#include "analysis/DlgWavaSpectrum.h"
#include "core/project/KevConvert.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandIds.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/support/Disks.h"
#include "tests/support/DuxBuilder.h"
#include "tests/support/KevBuilder.h"

using namespace pit;
using namespace pit::test;

namespace {

struct Chooser : FileChooser {
    QString folderAnswer, fileAnswer;
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return fileAnswer; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        return fileAnswer;
    }
    QString folder(QWidget*, const QString&, const QString&) override { return folderAnswer; }
};

struct WindowWriters : SampleFrame {
    Chooser files;
    KevInputSettings keptSettings;
    void SetUp() override {
        SampleFrame::SetUp();
        ui::setFileChooser(&files);
        // One diameter for every file: the run asks nothing but the overwrite.
        keptSettings = KevInputSettings::shared();
        KevInputSettings::shared() = {800, true};
    }
    void TearDown() override {
        KevInputSettings::shared() = keptSettings;
        ui::setFileChooser(nullptr);
        SampleFrame::TearDown();
    }
};

} // namespace

// B1.DUX is there already: 取消 keeps it, B2 and B3 convert, and the cut B0
// fails by name without stopping them.
TEST_F(WindowWriters, KevConversionKeepsADeclinedFileAndGoesOnWithTheOthers) {
    const QString kev = tmp.filePath(QStringLiteral("kev"));
    QDir().mkpath(kev);
    KevBuilder b;
    b.writeTo(kev, QStringLiteral("B1.kev"));
    b.writeTo(kev, QStringLiteral("B2.kev"));
    b.writeTo(kev, QStringLiteral("B3.KEV"));
    const QString b1 = QDir(kev).filePath(QStringLiteral("B1.DUX"));
    {
        QFile f(b1);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the user's own B1");
    }
    files.folderAnswer = kev;

    sink.answers = {IDCANCEL};
    ASSERT_TRUE(Choose(*frame, cmd::kConvertKev));
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_TRUE(sink.shown[0].text.endsWith(QStringLiteral("B1.DUX已存在，是否覆盖？")));
    const QString told = sink.shown[1].text;
    EXPECT_TRUE(told.startsWith(QStringLiteral("数据转换成功"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("已转换 2 个文件，未转换 0 个。"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("保留原文件：\n") + QDir::toNativeSeparators(b1)))
        << told.toStdString();
    EXPECT_EQ(readFileBytes(b1), QByteArray("the user's own B1"));
    for (const char* name : {"B2.DUX", "B3.DUX"}) {
        CPileRecord r;
        EXPECT_TRUE(r.ReadFile(QDir(kev).filePath(QString::fromLatin1(name)))) << name;
    }

    // A file cut short fails by name; the others are converted all the same.
    QFile cut(QDir(kev).filePath(QStringLiteral("B0.KEV")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write("KEV");
    cut.close();
    QFile::remove(QDir(kev).filePath(QStringLiteral("B2.DUX")));
    sink.shown.clear();
    sink.answers = {IDCANCEL, IDOK}; // B1 kept, B3 overwritten
    ASSERT_TRUE(Choose(*frame, cmd::kConvertKev));
    ASSERT_EQ(sink.shown.size(), 3u);
    const QString failed = sink.shown[2].text;
    EXPECT_TRUE(failed.startsWith(QStringLiteral("数据转换失败："))) << failed.toStdString();
    EXPECT_TRUE(failed.contains(QStringLiteral("B0.KEV"))) << failed.toStdString();
    EXPECT_TRUE(failed.contains(QStringLiteral("已转换 2 个文件，未转换 1 个。"))) << failed.toStdString();
    EXPECT_TRUE(failed.contains(QDir::toNativeSeparators(b1))) << failed.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QDir(kev).filePath(QStringLiteral("B2.DUX"))));
    EXPECT_EQ(readFileBytes(b1), QByteArray("the user's own B1"));
}

// 另存为 onto a disk that is full: the message names the file and the cause,
// and nothing of the copy is left.
TEST_F(WindowWriters, ACopyOnAFullDiskSaysWhy) {
    SmallDisk disk;
    if (!disk.Make(tmp.filePath(QStringLiteral("small")), 64))
        GTEST_SKIP() << "no small file system for this user";
    ASSERT_TRUE(disk.FillTo(4096));
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
    QApplication::processEvents();
    const QString copy = QDir(disk.path).filePath(QStringLiteral("ZK1_copy.DUX"));
    files.fileAnswer = copy;
    sink.shown.clear();
    ASSERT_TRUE(Choose(*frame, cmd::kFileSaveCopyAs));
    ASSERT_EQ(sink.shown.size(), 1u);
    const QString told = sink.shown[0].text;
    EXPECT_TRUE(told.startsWith(QStringLiteral("无法写入文件：") + copy)) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("磁盘"))) << told.toStdString();
    EXPECT_FALSE(QFileInfo::exists(copy));
}

// C2 is sampled every 50 µs: the 15000 Hz high-pass that the shown pile
// (20 µs) takes lies above half its sampling rate. The summary counts it
// apart and names it with the limit; its file keeps no high-pass.
TEST_F(WindowWriters, ApplyToTheProjectNamesAPileThatRefusedTheHighPass) {
    std::vector<float> x(2 * 1024);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = float(std::sin(double(i % 1024) * 0.05));
    const QString c2 = DuxBuilder::shortHeader(219, "VADUZI", 4)
                           .channels(2, 1024)
                           .sampleInterval(50)
                           .pile(10, 800, 4000)
                           .samples(x)
                           .writeTo(folder, QStringLiteral("C2.DUX"));
    {
        CPileRecord r;
        ASSERT_TRUE(r.ReadFile(c2));
        r.SaveAnalysis(); // it carries the analysis block: the apply rewrites it
    }
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
    QApplication::processEvents();
    auto* panel = frame->findChild<CDlgWavaSpectrum*>();
    ASSERT_NE(panel, nullptr);
    qobject_cast<QLineEdit*>(FindCtrl(panel, CDlgWavaSpectrum::IDC_HIGHPASS))
        ->setText(QStringLiteral("15000"));
    Click(*panel, CDlgWavaSpectrum::IDC_APPLY_PROJECT);
    sink.shown.clear();
    sink.answers = {IDOK};
    Click(*panel, CDlgWavaSpectrum::IDC_APPLY);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("确认应用到整个工程?"));
    const QString told = sink.shown[1].text;
    EXPECT_TRUE(told.contains(QStringLiteral("另有 1 个文件的设置未被接受"))) << told.toStdString();
    EXPECT_TRUE(
        told.contains(QStringLiteral("C2.DUX: 高通 15000 Hz 未设置：采样间隔 50 µs 时须小于 10000 Hz")))
        << told.toStdString();
    EXPECT_EQ(sink.shown[1].type & MB_ICONMASK, unsigned(MB_ICONWARNING));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(c2));
    EXPECT_EQ(back.Channel(0)->highPassHz, 0);
    EXPECT_EQ(doc->m_PileRecord.Channel(0)->highPassHz, 15000);
}
