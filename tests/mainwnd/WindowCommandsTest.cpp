// The main window's commands as the user meets them: their states after the
// idle update in the window's states, and the commands that open files,
// switch to the spectrum and open the refinement dialog, run through their
// actions; the cursor read-out beside the channels.
#include "analysis/AnalysisView.h"
#include "analysis/MainWaveView.h"
#include "analysis/PrintUi.h"
#include "analysis/ReFineIndexDlg.h"
#include "analysis/SingleWaveView.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/FrameCommandsBinding.h"
#include "mainwnd/RefreshHub.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QImage>
#include <QLabel>
#include <QPrintDialog>
#include <QToolBar>
#include <QRegularExpression>
#include <QTest>

using namespace pit;
using namespace pit::test;

namespace {

struct ScriptedFiles : FileChooser {
    QString open;
    QString askedFolder, askedFilter;
    int asked = 0;
    QString openFile(QWidget*, const QString&, const QString& folder, const QString& filter) override {
        ++asked;
        askedFolder = folder;
        askedFilter = filter;
        return open;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
};

struct WindowCommands : Frame {
    ScriptedFiles files;
    QStringList recent;

    void SetUp() override {
        Frame::SetUp();
        ui::setFileChooser(&files);
        frame->SetRecentFileSource(
            {[this] { return recent; }, [this](const QString& p) { recent.removeAll(p); }});
    }
    void TearDown() override {
        ui::setFileChooser(nullptr);
        Frame::TearDown();
    }
    // What the idle timer does.
    void idle() {
        QTimer* timer = frame->Commands()->findChild<QTimer*>();
        ASSERT_NE(timer, nullptr);
        QMetaObject::invokeMethod(timer, "timeout");
    }
    void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    CPileRecord& rec() { return doc->m_PileRecord; }
};

TEST_F(WindowCommands, StatesAfterTheIdleUpdateInTheWindowsStates) {
    enum State { NoFile, FileOpen, Analysis, Report };
    struct Expect {
        bool enabled, checked;
    };
    const struct Row {
        int id;
        Expect state[4];
    } table[] = {
        //                         no file         file open       analysis        report mode
        {cmd::kFileOpen, {{true, false}, {true, false}, {true, false}, {true, false}}},
        {cmd::kFileNew, {{true, false}, {true, false}, {true, false}, {true, false}}},
        {cmd::kFileSave, {{false, false}, {true, false}, {true, false}, {false, false}}},
        {cmd::kRecentFirst, {{true, false}, {true, false}, {true, false}, {true, false}}},
        {cmd::kRecentFirst + 1, {{false, false}, {false, false}, {false, false}, {false, false}}},
        {cmd::kPrinterSetup, {{true, false}, {true, false}, {true, false}, {true, false}}},
        {cmd::kPrintSetup, {{true, false}, {true, false}, {true, false}, {true, false}}},
        {cmd::kAppAbout, {{true, false}, {true, false}, {true, false}, {true, false}}},
        {cmd::kViewMain, {{true, true}, {true, true}, {true, false}, {false, false}}},
        {cmd::kViewAnalysis, {{true, false}, {true, false}, {true, true}, {false, false}}},
        {cmd::kSpectrumView, {{false, false}, {true, false}, {true, true}, {false, false}}},
        {cmd::kPhaseView, {{false, false}, {false, false}, {false, false}, {false, false}}},
        {cmd::kSetDetailIndex, {{false, false}, {false, false}, {true, false}, {false, false}}},
        {cmd::kWaveStretch, {{false, false}, {true, false}, {true, false}, {false, false}}},
        {cmd::kDigitalFilter, {{false, false}, {true, false}, {true, false}, {false, false}}},
        {cmd::kSingleReport, {{false, false}, {true, false}, {true, false}, {false, false}}},
        {cmd::kReportSave, {{false, false}, {false, false}, {false, false}, {true, false}}},
        {cmd::kMainPanel, {{true, true}, {true, true}, {true, true}, {true, true}}},
    };
    recent = {pile("ZK1.DUX")};
    auto check = [&](State st, const char* name) {
        idle();
        for (const Row& r : table) {
            QAction* a = action(r.id);
            ASSERT_NE(a, nullptr) << r.id;
            EXPECT_EQ(a->isEnabled(), r.state[st].enabled) << name << " " << r.id;
            EXPECT_EQ(a->isCheckable() && a->isChecked(), r.state[st].checked) << name << " " << r.id;
        }
    };
    // No file: File ▸ New lets the pile go.
    ASSERT_TRUE(choose(cmd::kFileNew));
    ASSERT_FALSE(doc->m_bFileOpen);
    check(NoFile, "no file");
    ASSERT_TRUE(choose(cmd::kRecentFirst)); // the recent file brings it back
    ASSERT_EQ(doc->GetPathName(), pile("ZK1.DUX"));
    ASSERT_TRUE(doc->m_bFileOpen);
    frame->SwitchToView(ActiveView::MainWave);
    check(FileOpen, "file open");
    ASSERT_TRUE(choose(cmd::kSpectrumView));
    settle();
    frame->AnalysisView()->viewport()->repaint();
    check(Analysis, "analysis view");
    frame->EnterReportMode(true);
    check(Report, "report mode");
    g_nViewMode = 0;
}

TEST_F(WindowCommands, OpenTakesAPileFileFromTheFileDialog) {
    // A name of any case of ".DUX" passes the dialog's filter.
    const QString lower = QDir(folder).filePath(QStringLiteral("zk3copy.dux"));
    ASSERT_TRUE(QFile::copy(pile("ZK3.DUX"), lower));
    files.open = lower;
    ASSERT_TRUE(choose(cmd::kFileOpen));
    EXPECT_EQ(files.asked, 1);
    EXPECT_EQ(files.askedFolder, folder);
    const QString pattern = files.askedFilter.section(u'(', 1).section(u')', 0, 0);
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern));
    for (const char* name : {"ZK1.DUX", "zk1.dux", "Zk1.Dux"})
        EXPECT_TRUE(re.match(QString::fromLatin1(name)).hasMatch()) << name << " " << pattern.toStdString();
    EXPECT_FALSE(re.match(QStringLiteral("ZK1.KEV")).hasMatch());
    EXPECT_EQ(doc->GetPathName(), lower);
    EXPECT_EQ(rec().m_strPath, lower);
    EXPECT_EQ(frame->windowTitle(), ComposeWindowTitle(false, lower));

    // Cancel in the dialog: nothing changes.
    files.open.clear();
    ASSERT_TRUE(choose(cmd::kFileOpen));
    EXPECT_EQ(doc->GetPathName(), lower);

    // A modified pile is offered for saving first; Cancel keeps it.
    doc->SetModifiedFlag(true);
    files.open = pile("ZK2.DUX");
    sink.answers = {IDCANCEL};
    ASSERT_TRUE(choose(cmd::kFileOpen));
    EXPECT_EQ(doc->GetPathName(), lower);
    EXPECT_TRUE(doc->IsModified());
}

TEST_F(WindowCommands, EveryToolBarCommandHasADrawingOfItsOwn) {
    // Drawn at 16 and 24 pixels and at twice the scale; an SVG that did not
    // load (no icon engine) draws nothing and fails here.
    std::vector<QImage> seen;
    for (QToolBar* bar : {frame->MainToolBar(), frame->ReportToolBar()})
        for (QAction* a : bar->actions()) {
            if (a->isSeparator())
                continue;
            const int id = a->data().toInt();
            for (int size : {16, 24, 48}) {
                const QImage img = a->icon().pixmap(size, size).toImage();
                ASSERT_FALSE(img.isNull()) << id;
                int ink = 0;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        ink += qAlpha(img.pixel(x, y)) > 128;
                EXPECT_GT(ink, size * size / 20) << id << " at " << size;
            }
            const QImage mine = a->icon().pixmap(24, 24).toImage();
            for (const QImage& other : seen)
                EXPECT_NE(mine, other) << id << " draws like another command";
            seen.push_back(mine);
            EXPECT_FALSE(a->toolTip().isEmpty()) << id;
        }
    EXPECT_GE(seen.size(), 30u);
}

TEST_F(WindowCommands, PrinterSetupAndAboutOpenTheirDialogs) {
    int seen = 0;
    QPrinter* chosen = nullptr;
    WhenModal(
        [&](QDialog& d) {
            chosen = qobject_cast<QPrintDialog*>(&d) ? static_cast<QPrintDialog&>(d).printer() : nullptr;
        },
        &seen);
    ASSERT_TRUE(choose(cmd::kPrinterSetup));
    settle();
    ASSERT_EQ(seen, 1);
    EXPECT_EQ(chosen, &SharedPrinter()); // the printer the print hosts print on

    QString version, link;
    WhenModal(
        [&](QDialog& d) {
            version = qobject_cast<QLabel*>(FindCtrl(&d, CAboutDlg::kVersion))->text();
            link = qobject_cast<QLabel*>(FindCtrl(&d, CAboutDlg::kLink))->text();
        },
        &seen);
    ASSERT_TRUE(choose(cmd::kAppAbout));
    settle();
    ASSERT_EQ(seen, 2);
    EXPECT_EQ(version, QStringLiteral("Ver: 1.8.31008"));
    EXPECT_FALSE(link.isEmpty());
}

TEST_F(WindowCommands, SpectrumViewFromTheMainAndSingleWaveViewsShowsTheSpectrum) {
    const struct {
        int from;
        ActiveView view;
        int mode;
    } cases[] = {{cmd::kViewMain, ActiveView::MainWave, 0},
                 {cmd::kViewSingleWave, ActiveView::SingleWave, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        rec().m_nCurrentChannel = 1;
        frame->OnPileSelected();
        ASSERT_TRUE(choose(c.from));
        ASSERT_TRUE(frame->IsActiveView(c.view) || c.view == ActiveView::MainWave);
        ASSERT_TRUE(choose(cmd::kSpectrumView));
        settle();
        CAnalysisView* view = frame->AnalysisView();
        EXPECT_TRUE(frame->IsActiveView(ActiveView::Analysis));
        EXPECT_EQ(frame->VisibleClientPage(), view);
        EXPECT_EQ(view->GetMode(), CAnalysisView::kSpectrum);
        EXPECT_EQ(g_nViewMode, 1);
        view->viewport()->repaint();
        ASSERT_NE(view->Spectrum(), nullptr);
        // The button again: back to the view it came from.
        ASSERT_TRUE(choose(cmd::kSpectrumView));
        EXPECT_EQ(g_nViewMode, c.mode);
    }
}

TEST_F(WindowCommands, RefinementOpensItsDialogFromTheAnalysisView) {
    ASSERT_TRUE(choose(cmd::kViewAnalysis));
    settle();
    frame->AnalysisView()->viewport()->repaint();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    idle();
    int seen = 0;
    QString title;
    WhenModal(
        [&](QDialog& d) {
            title = d.windowTitle();
            Type(d, CReFineIndexDlg::IDC_VALUE, QStringLiteral("16"));
            Click(d, 1);
        },
        &seen);
    QTest::keyClick(frame.get(), Qt::Key_R, Qt::ControlModifier);
    settle();
    ASSERT_EQ(seen, 1);
    EXPECT_EQ(title, QStringLiteral("设置细化指数"));
    EXPECT_EQ(doc->m_nRefineIndex, 16);
}

TEST_F(WindowCommands, TheReadOutFollowsTheMouseWithTimeAndDepth) {
    CKEV_DUXView* view = frame->MainWaveView();
    ASSERT_TRUE(choose(cmd::kViewMain));
    rec().m_nCurrentChannel = 0;
    frame->OnPileSelected();
    view->ClearBackground();
    view->viewport()->repaint();
    CWaveRecord& w = *rec().Channel(0);
    int head = 0, toe = 0;
    w.GetHeadToe(head, toe);
    const int i = head + (toe - head) / 3;
    const gdi::Rect plot = w.GetPlotRect();
    const QPoint at =
        QPoint(plot.left + w.IndexToX(i), (plot.top + plot.bottom) / 2) - view->ScrollPosition();
    QTest::mouseMove(view->viewport(), at);
    settle();
    view->viewport()->repaint();

    // "T:<toe time>[<time at the cursor>]" and "dL:<depth>m"; depth = c t / 2.
    const QRegularExpressionMatch t =
        QRegularExpression(QStringLiteral("\\[(-?\\d+)\\]")).match(w.cursorLines[1]);
    const QRegularExpressionMatch d =
        QRegularExpression(QStringLiteral("dL:(-?[\\d.]+)m")).match(w.cursorLines[3]);
    ASSERT_TRUE(t.hasMatch()) << w.cursorLines[1].toStdString();
    ASSERT_TRUE(d.hasMatch()) << w.cursorLines[3].toStdString();
    const double T = t.captured(1).toDouble(); // µs
    const double dt = w.GetSampleInterval();
    EXPECT_NEAR(T, (i - head) * dt, 2 * dt);
    EXPECT_NEAR(d.captured(1).toDouble(), w.GetWaveSpeed() * T / 2e6, 0.011);

    // The panel beside the channel shows the lines.
    const QImage shot = view->viewport()->grab().toImage();
    const QRect panel = w.readoutRect.toQRect().translated(-view->ScrollPosition());
    int dark = 0;
    for (int y = panel.top(); y < panel.bottom(); ++y)
        for (int x = panel.left(); x < panel.right(); ++x)
            dark += qGray(shot.pixel(x, y)) < 100;
    EXPECT_GT(dark, 100);

    // The cursor keys move it one step.
    const QString before = w.cursorLines[1];
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    settle();
    view->viewport()->repaint();
    EXPECT_NE(w.cursorLines[1], before);
}

} // namespace
