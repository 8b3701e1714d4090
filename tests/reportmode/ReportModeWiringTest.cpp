// Report mode through the main window's actions: entering it (with the save
// prompt of a modified pile), the view and form it shows, printing, saving,
// leaving it, and the open pile's curve picture.
#include "analysis/AnalysisView.h"
#include "controls/ViewBar.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/MainFrame.h"
#include "reportmode/ExportForm.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/reportmode/ReportModeFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>

namespace pit::test {
namespace {

struct ReportModeWiring : ReportModeFixture {
    std::unique_ptr<CMainFrame> frame;
    A4PdfPrintUi printUi;

    void SetUp() override {
        ReportModeFixture::SetUp();
        // Blow files as the instrument writes them; the second one saved by the program.
        for (int i = 0; i < 3; ++i) {
            const QString name = QStringLiteral("W%1.DUX").arg(i + 1);
            if (i == 1) {
                DuxBuilder::paramBlock("A-RIRADAD", 1042)
                    .channels(2, 1024)
                    .analysis(SavedPile(QStringLiteral("ZK2")))
                    .writeTo(folder, name);
                continue;
            }
            DuxBlow b1, avg;
            b1.samples = Pulse();
            avg.blow = 0;
            avg.samples = Pulse(0.8f);
            DuxBuilder::paramBlock("A-RIRADAD")
                .channels(1, 1024)
                .samples(Pulse())
                .blowTable({b1, avg})
                .writeTo(folder, name);
        }
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1300, 850);
        frame->show();
        Open(folder + QStringLiteral("/W2.DUX"));
        frame->SetExportServices(&services);
        frame->ExportView()->SetPrintUi(&printUi);
        printUi.path = tmp.filePath(QStringLiteral("wired.pdf"));
    }
    void TearDown() override {
        frame.reset();
        ReportModeFixture::TearDown();
    }
    QAction* Action(int id) {
        frame->Commands()->Update();
        return frame->Commands()->Action(id);
    }
    // Triggers the command as the menu or tool bar would; false when it is off.
    bool Run(int id) {
        QAction* a = Action(id);
        if (!a || !a->isEnabled())
            return false;
        a->trigger();
        return true;
    }
};

} // namespace

TEST_F(ReportModeWiring, EnterPrintSaveAndLeaveThroughTheActions) {
    // A modified pile asks first; Cancel stays out of report mode.
    doc->SetModifiedFlag(true);
    sink.answers = {IDCANCEL};
    ASSERT_TRUE(Run(cmd::kProjectReport));
    EXPECT_NE(g_nViewMode, 4);
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_TRUE(sink.shown.back().text.startsWith(QStringLiteral("是否将改动保存到")));
    EXPECT_FALSE(Action(cmd::kPrint)->isEnabled());

    // Don't save: report mode, with its view, form and tool bar.
    sink.answers = {IDNO};
    ASSERT_TRUE(Run(cmd::kProjectReport));
    ASSERT_EQ(g_nViewMode, 4);
    EXPECT_EQ(frame->VisibleClientPage(), frame->ExportView());
    EXPECT_FALSE(frame->ReportToolBar()->isHidden());
    EXPECT_FALSE(frame->ReportBar()->isHidden());
    EXPECT_TRUE(frame->MainToolBar()->isHidden());
    CExportView* view = frame->ExportView();
    ASSERT_EQ(view->List()->GetItemCount(), 3);
    EXPECT_FALSE(view->IsSinglePileMode());
    EXPECT_EQ(doc->m_PrintSettings.m_nReportKind, 2);
    // The form shows the pile the list selected (refresh code 15 reached it).
    const auto* speed = static_cast<QLineEdit*>(FindCtrl(frame->ExportForm(), CExportForm::kSpeed));
    EXPECT_EQ(speed->text(), QString::number(view->Record()->m_nWaveSpeed));
    // The document and workbook commands with their writers installed.
    EXPECT_TRUE(Action(cmd::kReportExportDocument)->isEnabled());
    EXPECT_TRUE(Action(cmd::kCountInfo)->isEnabled());
    EXPECT_TRUE(Action(cmd::kReportExportExcel)->isEnabled());

    ASSERT_TRUE(Run(cmd::kPrint));
    const QString info = pit::test::toolOutput(QStringLiteral("pdfinfo"), {printUi.path});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n")))) << info.toStdString();
    const QString text = PdfText(printUi.path);
    EXPECT_TRUE(text.contains(QStringLiteral("桩号:ZK2"))) << text.toStdString();

    // Save takes the form's fields into the record and writes it into its file.
    const QString shown = view->Record()->m_strPath;
    static_cast<QPlainTextEdit*>(FindCtrl(frame->ExportForm(), CExportForm::kDescription))
        ->setPlainText(QStringLiteral("距桩顶约4.0m缩径。"));
    ASSERT_TRUE(Run(cmd::kReportSave));
    EXPECT_EQ(report::ReadRowFile(shown).description, QStringLiteral("距桩顶约4.0m缩径。"));

    // Back: the view of before, the main bars, the pile as its file holds it.
    doc->m_bUseCommonInfo = 1;
    doc->m_CommonInfo.SetUse(CCommonInfo::Grade, true);
    ASSERT_TRUE(Run(cmd::kReportBack));
    EXPECT_EQ(g_nViewMode, 0);
    EXPECT_NE(frame->VisibleClientPage(), frame->ExportView());
    EXPECT_FALSE(frame->MainToolBar()->isHidden());
    EXPECT_TRUE(frame->ReportToolBar()->isHidden());
    EXPECT_EQ(doc->m_bUseCommonInfo, 0);
    EXPECT_FALSE(doc->m_CommonInfo.Use(CCommonInfo::Grade));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_FALSE(Action(cmd::kPrint)->isEnabled());
}

TEST_F(ReportModeWiring, FormShowsTheProjectFromTheFirstEntry) {
    auto* project = qobject_cast<QComboBox*>(FindCtrl(frame->ExportForm(), CExportForm::kProjectName));
    ASSERT_NE(project, nullptr);
    ASSERT_EQ(doc->m_ProjectInfo.m_texts[0], QStringLiteral("滨江大桥"));
    for (int entry = 1; entry <= 2; ++entry) {
        SCOPED_TRACE(entry);
        ASSERT_TRUE(Run(entry == 1 ? cmd::kProjectReport : cmd::kSingleReport));
        EXPECT_EQ(project->currentText(), QStringLiteral("滨江大桥"));
        ASSERT_TRUE(Run(cmd::kReportBack));
    }
}

TEST_F(ReportModeWiring, SinglePileModeAndTheCurvePictureOfTheOpenPile) {
    ASSERT_TRUE(Run(cmd::kSingleReport));
    ASSERT_EQ(g_nViewMode, 4);
    EXPECT_TRUE(frame->ExportView()->IsSinglePileMode());
    EXPECT_EQ(frame->ExportView()->List()->GetColumnCount(), 9);
    // The current-state export belongs outside report mode.
    EXPECT_FALSE(Action(cmd::kExportCurvePictures)->isEnabled());
    ASSERT_TRUE(Run(cmd::kReportBack));

    const QString path = tmp.filePath(QStringLiteral("curves.emf"));
    services.answers = {path};
    ASSERT_TRUE(Run(cmd::kExportCurvePictures));
    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, QStringLiteral("Pile_ZK2.emf"));
    EXPECT_EQ(services.opened, QStringList{path});
    EXPECT_EQ(readFileBytes(path).mid(40, 4), QByteArray(" EMF"));
}

// The pile pictures of report mode, metafile or (smoothed curves) bitmap,
// confirm where they went as the single-trace bitmap does, and say when no
// program opens them.
TEST_F(ReportModeWiring, PilePicturesConfirmWhereTheyWent) {
    struct Desktop : DesktopOpener {
        bool works = true;
        QStringList opened;
        bool open(const QUrl& url) override {
            opened << url.toLocalFile();
            return works;
        }
    } desktop;
    ui::setDesktop(&desktop);
    ASSERT_TRUE(Run(cmd::kProjectReport));
    for (int smooth : {0, 1})
        for (bool opens : {true, false}) {
            SCOPED_TRACE(smooth * 2 + opens);
            doc->m_CurveStyle.IsSmooth = smooth;
            desktop.works = opens;
            const QString path = tmp.filePath(
                QStringLiteral("pile_%1_%2.%3").arg(smooth).arg(opens).arg(smooth ? "bmp" : "emf"));
            services.answers = {path};
            sink.shown.clear();
            ASSERT_TRUE(Run(cmd::kReportSinglePictures));
            EXPECT_TRUE(QFileInfo::exists(path));
            EXPECT_EQ(desktop.opened.back(), path);
            ASSERT_EQ(sink.shown.size(), 1u);
            const QString shown = QDir::toNativeSeparators(path);
            EXPECT_EQ(sink.shown[0].text,
                      opens ? QStringLiteral("图片已保存为“%1”。").arg(shown)
                            : QStringLiteral("图片已保存为“%1”，但没有可以打开它的程序。").arg(shown));
        }
    ui::setDesktop(nullptr);
}

} // namespace pit::test

namespace pit::test {

struct ReportModeSample : Frame {};

TEST_F(ReportModeSample, TheSampleProjectListsItsBlowFiles) {
    frame->Commands()->Update();
    QAction* project = frame->Commands()->Action(cmd::kProjectReport);
    ASSERT_TRUE(project->isEnabled());
    project->trigger();
    ASSERT_EQ(g_nViewMode, 4);
    QStringList files;
    for (int row = 0; row < frame->ExportView()->List()->GetItemCount(); ++row)
        files << frame->ExportView()->List()->GetItemText(row, 1);
    EXPECT_EQ(files,
              (QStringList{"ZK6.DUX*", "ZK10.DUX*", "ZK11.DUX*", "ZK12.DUX*", "ZK13.DUX*", "ZK14.DUX*"}));
    EXPECT_TRUE(sink.shown.empty());
    frame->ExportView()->OnBack();
}

} // namespace pit::test
