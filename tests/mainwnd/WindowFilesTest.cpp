// The window's file commands and limits as the user meets them, through the
// actions of the real main window: 另存为 writes a copy and keeps the open
// file, a project on read-only media opens and refuses saves, a high-pass at
// or above half the sampling rate is refused in the dialog and in the panel,
// and the About box's link opens the manual or says that it is missing.
#include "analysis/DigitalFilterDlg.h"
#include "analysis/DlgWavaSpectrum.h"
#include "controls/HyperLink.h"
#include "controls/MessageTip.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/CommandIds.h"
#include "platform/Paths.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/support/Disks.h"
#include "tests/support/DuxBuilder.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QUrl>

using namespace pit;
using namespace pit::test;

namespace {

struct CopyChooser : FileChooser {
    QString answer, offered, filter, suffix;
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return answer; }
    QString saveFile(QWidget*, const QString&, const QString& defaultPath, const QString& f,
                     const QString& s) override {
        offered = defaultPath;
        filter = f;
        suffix = s;
        return answer;
    }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
};

struct Opener : DesktopOpener {
    std::vector<QString> opened;
    bool works = true;
    bool open(const QUrl& url) override {
        opened.push_back(url.toLocalFile());
        return works;
    }
};

struct WindowFiles : SampleFrame {
    CopyChooser files;
    Opener opener;
    void SetUp() override {
        SampleFrame::SetUp();
        ui::setFileChooser(&files);
        ui::setDesktop(&opener);
    }
    void TearDown() override {
        ui::setFileChooser(nullptr);
        ui::setDesktop(nullptr);
        SampleFrame::TearDown();
    }
    void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    QStringList treeFiles() const {
        QStringList names;
        QTreeWidgetItem* root = tree()->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            names << QFileInfo(root->child(i)->data(0, CFormMain::kPathRole).toString()).fileName();
        return names;
    }
    CWaveRecord* channel() const { return doc->m_PileRecord.CurrentChannel(); }
};

} // namespace

// 文件 ▸ 另存为: offered as <name>_copy beside the pile, written as a pile
// file that reads back, and the open file stays the document's.
TEST_F(WindowFiles, SaveCopyWritesTheCopyAndKeepsTheOpenFile) {
    QAction* saveAs = action(cmd::kFileSaveCopyAs);
    ASSERT_NE(saveAs, nullptr);
    const QList<QAction*> fileMenu = frame->menuBar()->actions().front()->menu()->actions();
    EXPECT_TRUE(fileMenu.contains(saveAs));
    EXPECT_EQ(saveAs->text(), QStringLiteral("另存为(&A)..."));

    QTemporaryDir elsewhere;
    files.answer = elsewhere.filePath(QStringLiteral("ZK1_copy.DUX"));
    const QByteArray original = bytes(pile("ZK1.DUX"));
    ASSERT_NO_FATAL_FAILURE(TriggerOnPile(cmd::kFileSaveCopyAs, "ZK1.DUX"));
    settle();
    EXPECT_EQ(files.offered, QDir(folder).filePath(QStringLiteral("ZK1_copy")));
    EXPECT_EQ(files.filter, QStringLiteral("KEV Low Strain Files (*.DUX)"));
    EXPECT_EQ(files.suffix, QStringLiteral("DUX"));
    EXPECT_TRUE(sink.shown.empty());
    CPileRecord copy;
    ASSERT_TRUE(copy.ReadFile(files.answer));
    ASSERT_EQ(copy.ChannelCountInList(), doc->m_PileRecord.ChannelCountInList());
    EXPECT_EQ(copy.Channel(0)->Source(), doc->m_PileRecord.Channel(0)->Source());
    // The open file is untouched and still the one shown and saved.
    EXPECT_EQ(bytes(pile("ZK1.DUX")), original);
    EXPECT_EQ(doc->GetPathName(), pile("ZK1.DUX"));
    EXPECT_EQ(doc->m_PileRecord.m_strPath, pile("ZK1.DUX"));
    EXPECT_TRUE(frame->windowTitle().contains(QStringLiteral("ZK1.DUX")));

    // The open file itself is refused under any of its names: its analysis
    // would go.
    QTemporaryDir links;
    const QString linkedFolder = links.filePath(QStringLiteral("link"));
    const QString linkedFile = links.filePath(QStringLiteral("ZK1_link.DUX"));
    const QString hardLink = QDir(folder).filePath(QStringLiteral("ZK1_hard.DUX"));
    ASSERT_TRUE(QFile::link(folder, linkedFolder));
    ASSERT_TRUE(QFile::link(pile("ZK1.DUX"), linkedFile));
    ASSERT_EQ(::link(QFile::encodeName(pile("ZK1.DUX")).constData(), QFile::encodeName(hardLink).constData()),
              0);
    const struct {
        const char* what;
        QString path;
    } sameFile[] = {
        {"the same path", pile("ZK1.DUX")},
        {"the same path with ..",
         QDir(folder).filePath(QStringLiteral("../%1/ZK1.DUX").arg(QDir(folder).dirName()))},
        {"through a linked folder", linkedFolder + QStringLiteral("/ZK1.DUX")},
        {"a link to the file", linkedFile},
        {"a hard link", hardLink},
    };
    for (const auto& c : sameFile) {
        SCOPED_TRACE(c.what);
        sink.shown.clear();
        files.answer = c.path;
        ASSERT_TRUE(choose(cmd::kFileSaveCopyAs));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("正在打开的文件")))
            << sink.shown[0].text.toStdString();
        EXPECT_EQ(bytes(pile("ZK1.DUX")), original);
        EXPECT_FALSE(doc->IsModified());
    }
    QFile::remove(hardLink);

    // A new name inside the linked folder is another file and is written.
    sink.shown.clear();
    files.answer = linkedFolder + QStringLiteral("/ZK1_other.DUX");
    ASSERT_TRUE(choose(cmd::kFileSaveCopyAs));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("ZK1_other.DUX"))));
    EXPECT_EQ(bytes(pile("ZK1.DUX")), original);
    QFile::remove(QDir(folder).filePath(QStringLiteral("ZK1_other.DUX")));
}

// A project on read-only media: opened through 文件 ▸ 打开 without any
// message, every pile listed, no index written; Save refused with a clear
// message and nothing written; 另存为 elsewhere still works.
TEST_F(WindowFiles, ReadOnlyProjectOpensShowsItsPilesAndRefusesSaves) {
    const QStringList piles = QDir(folder).entryList({QStringLiteral("*.DUX")}, QDir::Files, QDir::Name);
    ASSERT_GT(piles.size(), 3);
    ReadOnlyFolder readOnly;
    if (!readOnly.Make(folder))
        GTEST_SKIP() << "no way to make a read-only folder here";

    files.answer = pile("ZK2.DUX");
    ASSERT_TRUE(choose(cmd::kFileOpen));
    settle();
    EXPECT_TRUE(sink.shown.empty()) << sink.shown.front().text.toStdString();
    ASSERT_TRUE(doc->m_bFileOpen);
    EXPECT_EQ(doc->GetPathName(), pile("ZK2.DUX"));
    QStringList listed = treeFiles();
    listed.sort();
    QStringList expected = piles;
    expected.sort();
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.DUP")}, QDir::Files).isEmpty());
    ASSERT_NE(channel(), nullptr);
    EXPECT_GT(channel()->SampleCount(), 0);

    // Another pile of the project from the tree.
    tree()->setCurrentItem(item(QStringLiteral("ZK3.DUX")));
    settle();
    EXPECT_EQ(doc->m_PileRecord.m_strPath, pile("ZK3.DUX"));
    EXPECT_TRUE(sink.shown.empty());

    const QByteArray before = bytes(pile("ZK3.DUX"));
    ASSERT_TRUE(choose(cmd::kWaveReverse));
    ASSERT_TRUE(doc->IsModified());
    ASSERT_TRUE(choose(cmd::kFileSave));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("是只读的，无法保存")))
        << sink.shown[0].text.toStdString();
    EXPECT_TRUE(sink.shown[0].text.contains(QDir::toNativeSeparators(folder)));
    EXPECT_EQ(bytes(pile("ZK3.DUX")), before);
    EXPECT_TRUE(doc->IsModified());

    QTemporaryDir elsewhere;
    files.answer = elsewhere.filePath(QStringLiteral("ZK3_copy.DUX"));
    ASSERT_TRUE(choose(cmd::kFileSaveCopyAs));
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(files.answer));
}

// A pile whose sample interval no instrument records (0 µs) is refused by
// 文件 ▸ 打开 and by the pile tree alike, with a message naming it and the
// interval; the pile shown stays as it was, its changes still to be saved.
TEST_F(WindowFiles, APileWithAnImpossibleSampleIntervalIsRefusedAndThePileShownStays) {
    const QString bad = DuxBuilder::paramBlock().sampleInterval(0).writeTo(folder, QStringLiteral("DT0.DUX"));
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
    settle();
    ASSERT_TRUE(choose(cmd::kWaveReverse));
    ASSERT_TRUE(doc->IsModified());
    const std::vector<float> shown(channel()->Source().begin(), channel()->Source().end());
    const QByteArray zk1 = bytes(pile("ZK1.DUX")), dt0 = bytes(bad);

    auto refused = [&] {
        // The save question answered No, then the file's own message.
        ASSERT_EQ(sink.shown.size(), 2u);
        EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("是否将改动保存到ZK1.DUX")));
        const QString& text = sink.shown[1].text;
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(bad))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("采样间隔 0 µs"))) << text.toStdString();
        EXPECT_EQ(doc->m_PileRecord.m_strPath, pile("ZK1.DUX"));
        EXPECT_EQ(std::vector<float>(channel()->Source().begin(), channel()->Source().end()), shown);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(bytes(pile("ZK1.DUX")), zk1);
        EXPECT_EQ(bytes(bad), dt0);
    };
    {
        SCOPED_TRACE("文件 ▸ 打开");
        files.answer = bad;
        sink.shown.clear();
        sink.answers = {IDNO};
        ASSERT_TRUE(choose(cmd::kFileOpen));
        settle();
        refused();
    }
    {
        SCOPED_TRACE("the pile tree");
        ASSERT_NE(item(QStringLiteral("DT0.DUX")), nullptr);
        sink.shown.clear();
        sink.answers = {IDNO};
        tree()->setCurrentItem(item(QStringLiteral("DT0.DUX")));
        settle();
        refused();
        EXPECT_EQ(tree()->currentItem(), item(QStringLiteral("ZK1.DUX")));
    }
}

// A pipe named like a pile in the project folder, chosen through 文件 ▸ 打开
// or a recent-file entry: the window waits on it nowhere; opening it says
// what it is, and the pile shown stays.
TEST_F(WindowFiles, APipeNamedLikeAPileHangsTheWindowNowhere) {
    const QString pipe = QDir(folder).filePath(QStringLiteral("ZZ.DUX"));
    ASSERT_TRUE(MakeFifo(pipe));
    EXPECT_TRUE(FinishesWithoutWaiting({pipe}, [&] {
        EXPECT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
        settle();
    }));
    EXPECT_EQ(item(QStringLiteral("ZZ.DUX")), nullptr);
    EXPECT_NE(item(QStringLiteral("ZK1.DUX")), nullptr);
    EXPECT_TRUE(sink.shown.empty());

    const QString said = QStringLiteral("文件“%1”：路径无效（不是普通文件）").arg(pipe);
    {
        SCOPED_TRACE("文件 ▸ 打开");
        files.answer = pipe;
        EXPECT_TRUE(FinishesWithoutWaiting({pipe}, [&] {
            EXPECT_TRUE(choose(cmd::kFileOpen));
            settle();
        }));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, said);
        EXPECT_EQ(doc->GetPathName(), pile("ZK1.DUX"));
    }
    {
        SCOPED_TRACE("a recent-file entry");
        QStringList recent{pipe};
        frame->SetRecentFileSource(
            {[&recent] { return recent; }, [&recent](const QString& p) { recent.removeAll(p); }});
        sink.shown.clear();
        EXPECT_TRUE(FinishesWithoutWaiting({pipe}, [&] {
            EXPECT_TRUE(choose(cmd::kRecentFirst));
            settle();
        }));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, said);
        EXPECT_EQ(doc->GetPathName(), pile("ZK1.DUX"));
        frame->SetRecentFileSource({});
    }
}

// On a pile sampled every 20 µs the high-pass must stay below 25000 Hz:
// 30000 is refused by 数字滤波 (the dialog stays open with the old value and
// the message at the field) and by the panel's field (a message, the old
// value back); the wave keeps its filter. The low-pass keeps 0..50000.
TEST_F(WindowFiles, HighPassAtOrAboveHalfTheSamplingRateIsRefused) {
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK1.DUX")));
    settle();
    ASSERT_NE(channel(), nullptr);
    ASSERT_FLOAT_EQ(channel()->GetSampleInterval(), 20.0f);
    CDlgWavaSpectrum* panel = frame->findChild<CDlgWavaSpectrum*>();
    ASSERT_NE(panel, nullptr);
    const int highBefore = panel->m_nHighPass;
    const int waveHighBefore = channel()->highPassHz;

    QString tip, shownValue;
    bool stayedOpen = false;
    int seen = 0;
    WhenModal(
        [&](QDialog& d) {
            Type(d, CDigitalFilterDlg::IDC_HIGHPASS, QStringLiteral("30000"));
            Type(d, CDigitalFilterDlg::IDC_LOWPASS, QStringLiteral("50000"));
            FindCtrl(&d, CDigitalFilterDlg::IDC_HIGHPASS)->setFocus();
            Click(d, 1);
            stayedOpen = d.isVisible();
            if (auto* dlg = qobject_cast<CDialogExt*>(&d); dlg && dlg->tip())
                tip = dlg->tip()->text();
            shownValue = qobject_cast<QLineEdit*>(FindCtrl(&d, CDigitalFilterDlg::IDC_HIGHPASS))->text();
        },
        &seen);
    ASSERT_TRUE(choose(cmd::kDigitalFilter));
    settle();
    ASSERT_EQ(seen, 1);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(tip.contains(QStringLiteral("25000"))) << tip.toStdString();
    EXPECT_EQ(shownValue, QString::number(highBefore));
    EXPECT_EQ(panel->m_nHighPass, highBefore);
    EXPECT_EQ(channel()->highPassHz, waveHighBefore);

    // Just below the limit is taken and filters the wave.
    WhenModal([&](QDialog& d) {
        Type(d, CDigitalFilterDlg::IDC_HIGHPASS, QStringLiteral("24999"));
        Click(d, 1);
    });
    ASSERT_TRUE(choose(cmd::kDigitalFilter));
    settle();
    EXPECT_EQ(panel->m_nHighPass, 24999);
    EXPECT_EQ(channel()->highPassHz, 24999);

    // The panel's field: Enter with 30000.
    auto* edit = qobject_cast<QLineEdit*>(FindCtrl(panel, CDlgWavaSpectrum::IDC_HIGHPASS));
    ASSERT_NE(edit, nullptr);
    sink.shown.clear();
    edit->setText(QStringLiteral("30000"));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    settle();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("高通必须小于25000 Hz（采样频率的一半）!"));
    EXPECT_EQ(edit->text(), QStringLiteral("24999"));
    EXPECT_EQ(panel->m_nHighPass, 24999);
    EXPECT_EQ(channel()->highPassHz, 24999);

    // The low-pass keeps the range 0..50000: 50000 passes, 50001 does not.
    sink.shown.clear();
    auto* low = qobject_cast<QLineEdit*>(FindCtrl(panel, CDlgWavaSpectrum::IDC_LOWPASS));
    low->setText(QStringLiteral("50001"));
    QTest::keyClick(low, Qt::Key_Return);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("低通不可大于50000!"));
    low->setText(QStringLiteral("40000"));
    QTest::keyClick(low, Qt::Key_Return);
    EXPECT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(panel->m_nLowPass, 40000);
}

// The About box's "使用手册": a click opens the manual the program ships, or
// says that it is missing.
TEST_F(WindowFiles, AboutLinkOpensTheManualOrSaysItIsMissing) {
    const QString manual = QDir(resourceDir()).filePath(QStringLiteral("KEV_JX使用手册.pdf"));
    QFile::remove(manual);
    for (bool present : {false, true}) {
        SCOPED_TRACE(present);
        if (present) {
            QFile f(manual);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("%PDF-1.4\n");
        }
        sink.shown.clear();
        opener.opened.clear();
        int seen = 0;
        WhenModal(
            [&](QDialog& d) {
                auto* link = qobject_cast<CHyperLink*>(FindCtrl(&d, CAboutDlg::kLink));
                ASSERT_NE(link, nullptr);
                QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
            },
            &seen);
        ASSERT_TRUE(choose(cmd::kAppAbout));
        settle();
        ASSERT_EQ(seen, 1);
        if (present) {
            EXPECT_EQ(opener.opened, std::vector<QString>{manual});
            EXPECT_TRUE(sink.shown.empty());
        } else {
            EXPECT_TRUE(opener.opened.empty());
            ASSERT_EQ(sink.shown.size(), 1u);
            EXPECT_TRUE(sink.shown[0].text.startsWith(QStringLiteral("找不到使用手册")));
            EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("KEV_JX使用手册.pdf")));
        }
    }
    // A manual that no program opens is named too.
    opener.works = false;
    sink.shown.clear();
    ASSERT_TRUE(choose(cmd::kHelpManual));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("没有可以打开PDF文件的程序")));
    QFile::remove(manual);
}
