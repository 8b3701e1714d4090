// Report mode's form in the main window on the sample project: what the user
// typed is kept when report mode is left or the window closed, every page
// and document shows what the form shows, the project fields show and take
// the texts that print, and a stored shape the list lacks can be picked back.
#include "controls/SListCtrl.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProInfoHistory.h"
#include "core/project/ProjectInfo.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/FrameCommandsBinding.h"
#include "office/OfficeWordExport.h"
#include "office/WordOffice.h"
#include "reportmode/ExportForm.h"
#include "reportmode/ExportView.h"
#include "tests/reportmode/ReportFormFrame.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/OfficeCheck.h"

#include "analysis/PrintUi.h"
#include "reports/ReportBuilder.h"

#include <QJsonDocument>
#include <QListWidget>
#include <QPageLayout>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPrinter>

namespace pit::test {
namespace {

// Print and preview into an A4 PDF file; counts the pages asked for.
struct PdfFilePrintUi : PrintUi {
    QString path;
    int runs = 0;
    bool ChoosePrinter(QPrinter& printer, CPrintInfo&, QWidget*) override {
        ++runs;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        return true;
    }
    void Preview(QPrinter& printer, const std::function<void(QPrinter*)>& render, QWidget* parent) override {
        CPrintInfo info;
        ChoosePrinter(printer, info, parent);
        render(&printer);
    }
};

struct KeptForm : ReportFormFrame {
    PdfFilePrintUi printUi;
    FakeExportServices services;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ReportFormFrame::SetUp());
        printUi.path = tmp.filePath(QStringLiteral("page.pdf"));
        frame->ExportView()->SetPrintUi(&printUi);
        frame->SetExportServices(&services);
        frame->WordExport()->SetServices(&services);
        frame->WordExport()->Office().SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
    }
    // 桩径 650 and " PRINTME" after the description, typed without leaving the fields.
    void TypeDiameterAndDescription(const QString& diameter = QStringLiteral("650")) {
        typeAndTab(field<QLineEdit>(CExportForm::kDiameter), diameter);
        auto* description = field<QPlainTextEdit>(CExportForm::kDescription);
        activate();
        description->setFocus();
        description->moveCursor(QTextCursor::End);
        QTest::keyClicks(description, QStringLiteral(" PRINTME"));
        settle();
    }
    // A project field typed into and left with Tab.
    void TypeProjectText(int id, const QString& text) {
        auto* combo = field<QComboBox>(id);
        ASSERT_NE(combo, nullptr);
        typeAndTab(combo->lineEdit(), text);
    }
    // The printed text of ZK14's page (of the whole print in project mode),
    // or empty when nothing was printed.
    QString Printed(int command) {
        QFile::remove(printUi.path);
        EXPECT_TRUE(choose(command));
        settle();
        if (!QFileInfo::exists(printUi.path))
            return {};
        const QString all =
            Squeezed(toolOutput(QStringLiteral("pdftotext"), {printUi.path, QStringLiteral("-")}));
        if (!view()->IsSinglePileMode())
            return all;
        for (const QString& page : all.split(QStringLiteral("低应变反射波法单桩检测报告单")))
            if (page.contains(QStringLiteral("ZK14")))
                return page;
        return all;
    }
    // The Word document's text as python-docx reads it.
    QString Word(const char* file) {
        const QString path = tmp.filePath(QString::fromLatin1(file));
        services.answers = {path};
        EXPECT_TRUE(choose(cmd::kReportExportDocument));
        settle();
        EXPECT_TRUE(QFileInfo::exists(path)) << services.messages.join(u'|').toStdString();
        return Squeezed(QString::fromUtf8(QJsonDocument(ReadDocx(path)).toJson()));
    }
};

} // namespace

TEST_F(KeptForm, LeavingReportModeOrClosingTheWindowKeepsWhatWasTyped) {
    for (const int command : {int(cmd::kReportBack), int(cmd::kAppExit)}) {
        SCOPED_TRACE(command);
        if (!frame->isVisible())
            frame->show();
        // The main window shows the pile too.
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK14.DUX")));
        settle();
        ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
        const QString description = OnDisk("ZK14.DUX").m_strConclusion;
        const QByteArray before = bytes(pile("ZK14.DUX"));

        // A value that is no number keeps the user where he is, the file as it was.
        TypeDiameterAndDescription(QStringLiteral("6x0"));
        sink.shown.clear();
        ASSERT_TRUE(choose(command));
        settle();
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, QStringLiteral("请输入一个数字。"));
        EXPECT_EQ(g_nViewMode, 4);
        EXPECT_TRUE(frame->isVisible());
        EXPECT_EQ(bytes(pile("ZK14.DUX")), before);

        // Numbers: taken and saved as a row change saves them, without a question.
        typeAndTab(field<QLineEdit>(CExportForm::kDiameter), QStringLiteral("650"));
        sink.shown.clear();
        ASSERT_TRUE(choose(command));
        settle();
        EXPECT_TRUE(sink.shown.empty());
        if (command == cmd::kReportBack)
            EXPECT_NE(g_nViewMode, 4);
        else
            EXPECT_FALSE(frame->isVisible());
        const CPileRecord saved = OnDisk("ZK14.DUX");
        EXPECT_EQ(saved.m_fDiameter, 650.0f);
        EXPECT_EQ(saved.m_strConclusion, description + QStringLiteral(" PRINTME"));
        if (command == cmd::kReportBack) {
            // The pile page and report mode again show what was saved.
            auto* pageDiameter = qobject_cast<QLineEdit*>(FindCtrl(frame->FormMain(), 1034));
            ASSERT_NE(pageDiameter, nullptr);
            EXPECT_EQ(pageDiameter->text(), QStringLiteral("650.00"));
            ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
            EXPECT_EQ(field<QLineEdit>(CExportForm::kDiameter)->text(), QStringLiteral("650"));
            ASSERT_TRUE(choose(cmd::kReportBack));
            // The next round starts from the sample's pile again.
            ASSERT_NO_FATAL_FAILURE(saveWith("ZK14.DUX", [&](CPileRecord& r) {
                r.m_fDiameter = OnDisk("ZK14.DUX").m_fDiameter;
                r.m_strConclusion = description;
            }));
        }
    }
}

TEST_F(KeptForm, PrintPreviewAndWordShowWhatTheFormShows) {
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
    const QString stored = Printed(cmd::kPrint);
    ASSERT_TRUE(stored.contains(QStringLiteral("设计桩径(mm)800"))) << stored.toStdString();
    ASSERT_FALSE(stored.contains(QStringLiteral("PRINTME")));

    // A refused value stops the command with its message: nothing prints.
    typeAndTab(field<QLineEdit>(CExportForm::kDiameter), QStringLiteral("6x0"), false);
    sink.shown.clear();
    EXPECT_TRUE(Printed(cmd::kPrint).isEmpty());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("请输入一个数字。"));

    // Typed, no row change, no Save: every output shows it.
    TypeDiameterAndDescription();
    for (const int command : {int(cmd::kPrint), int(cmd::kPrintPreview)}) {
        SCOPED_TRACE(command);
        const QString page = Printed(command);
        EXPECT_TRUE(page.contains(QStringLiteral("设计桩径(mm)650"))) << page.toStdString();
        EXPECT_TRUE(page.contains(QStringLiteral("PRINTME"))) << page.toStdString();
    }
    const QString word = Word("single.docx");
    EXPECT_TRUE(word.contains(QStringLiteral("PRINTME"))) << word.toStdString();
    EXPECT_TRUE(word.contains(QStringLiteral("650"))) << word.toStdString();
    // And the pile holds it, as after a row change.
    EXPECT_EQ(OnDisk("ZK14.DUX").m_fDiameter, 650.0f);
}

TEST_F(KeptForm, ThePrintSettingsSheetRefillsTheFormWithWhatWasTyped) {
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
    auto* diameter = field<QLineEdit>(CExportForm::kDiameter);
    typeAndTab(diameter, QStringLiteral("650"), false);
    int seen = 0;
    // OK on the page of the group's common values, which refills the form.
    WhenModal(
        [](QDialog& sheet) {
            auto* pages = sheet.findChild<QListWidget*>();
            ASSERT_NE(pages, nullptr);
            ASSERT_GE(pages->count(), 4);
            QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                              pages->visualItemRect(pages->item(3)).center());
            sheet.accept();
        },
        &seen);
    ASSERT_TRUE(choose(cmd::kPrintSetup));
    settle();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(diameter->text(), QStringLiteral("650"));
    EXPECT_EQ(OnDisk("ZK14.DUX").m_fDiameter, 650.0f);
}

TEST_F(KeptForm, TheProjectFieldsShowAndTakeTheTextsThatPrint) {
    // A project with a test unit and without a tester, beside a history
    // that holds a tester.
    const QString projectUnit = QStringLiteral("江城检测中心 & Co");
    doc->m_ProjectInfo.m_texts[2] = projectUnit;
    doc->m_ProjectInfo.m_texts[4].clear();
    doc->m_History.AddValue(3, QStringLiteral("Li Si"));
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
    auto* unit = field<QComboBox>(CExportForm::kTestingUnit);
    auto* tester = field<QComboBox>(CExportForm::kTester);
    EXPECT_EQ(unit->currentText(), projectUnit);
    EXPECT_EQ(tester->currentText(), QString());
    EXPECT_FALSE(Printed(cmd::kPrint).contains(QStringLiteral("LiSi")));

    ASSERT_NO_FATAL_FAILURE(TypeProjectText(CExportForm::kTestingUnit, QStringLiteral("Haicheng Lab")));
    ASSERT_NO_FATAL_FAILURE(TypeProjectText(CExportForm::kTester, QStringLiteral("Li Si")));
    ASSERT_TRUE(choose(cmd::kReportSave));
    EXPECT_EQ(unit->currentText(), QStringLiteral("Haicheng Lab"));
    EXPECT_EQ(tester->currentText(), QStringLiteral("Li Si"));
    const QString page = Printed(cmd::kPrint);
    EXPECT_TRUE(page.contains(QStringLiteral("HaichengLab"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("LiSi"))) << page.toStdString();
    EXPECT_FALSE(page.contains(Squeezed(projectUnit))) << page.toStdString();
    const QString word = Word("single.docx");
    EXPECT_TRUE(word.contains(QStringLiteral("HaichengLab"))) << word.toStdString();
    EXPECT_TRUE(word.contains(QStringLiteral("LiSi"))) << word.toStdString();

    // The project's index and the pile hold them; another pile shows them.
    const QByteArray index = bytes(doc->m_ProjectInfo.GetProjectPath());
    EXPECT_TRUE(index.contains("Haicheng Lab"));
    EXPECT_TRUE(index.contains("Li Si"));
    // (The analysis block of a pile file keeps the tester, not the test unit.)
    EXPECT_EQ(OnDisk("ZK14.DUX").m_strText6, QStringLiteral("Li Si"));
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK13.DUX"));
    EXPECT_EQ(unit->currentText(), QStringLiteral("Haicheng Lab"));
    EXPECT_EQ(tester->currentText(), QStringLiteral("Li Si"));
    // A history entry picked is taken as well, and printed on the next pile's page.
    const int at = unit->findText(projectUnit);
    ASSERT_GE(at, 0);
    unit->setCurrentIndex(at);
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK14.DUX"));
    EXPECT_EQ(doc->m_ProjectInfo.m_texts[2], projectUnit);
    const QString again = Printed(cmd::kPrint);
    EXPECT_TRUE(again.contains(Squeezed(projectUnit))) << again.toStdString();
}

TEST_F(KeptForm, AStoredShapeTheListLacksCanBePickedBack) {
    const QString pipe = QStringLiteral("管桩");
    ASSERT_NO_FATAL_FAILURE(saveWith("ZK14.DUX", [&](CPileRecord& r) { r.m_strShape = pipe; }));
    // The pile page.
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK14.DUX")));
    settle();
    auto* page = qobject_cast<QComboBox*>(FindCtrl(frame->FormMain(), 1060));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->currentText(), pipe);
    pick(page, Qt::Key_Up);
    ASSERT_EQ(doc->m_PileRecord.m_strShape, page->itemText(1));
    pick(page, Qt::Key_Down);
    EXPECT_EQ(page->currentText(), pipe);
    EXPECT_EQ(doc->m_PileRecord.m_strShape, pipe);
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK13.DUX")));
    settle();
    EXPECT_EQ(page->count(), 2);

    // The form.
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
    auto* shape = field<QComboBox>(CExportForm::kShape);
    ASSERT_EQ(shape->currentText(), pipe);
    pick(shape, Qt::Key_Up);
    ASSERT_EQ(view()->Record()->m_nShape, 1);
    pick(shape, Qt::Key_Down);
    EXPECT_EQ(shape->currentText(), pipe);
    ASSERT_TRUE(choose(cmd::kReportSave));
    EXPECT_EQ(OnDisk("ZK14.DUX").m_strShape, pipe);
    // Until another pile is shown.
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK13.DUX"));
    EXPECT_EQ(shape->count(), 2);
}

TEST_F(KeptForm, TheNumberMessageHasAPlainCaptionInEnglish) {
    ui::setEnglish(true);
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
    typeAndTab(field<QLineEdit>(CExportForm::kDiameter), QStringLiteral("6x0"));
    sink.shown.clear();
    ASSERT_TRUE(choose(cmd::kReportSave));
    ui::setEnglish(false);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("Please enter a number."));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("Tips"));
}

// 文件 ▸ 新建, 文件 ▸ 打开, a recent file and a dropped file stay enabled in
// report mode: each takes the form first, as leaving does, and a refused
// value stops it. The pile opened is of another project, whose list no
// longer names the pile the form shows.
TEST_F(KeptForm, NewOrOpenFromReportModeKeepsWhatWasTyped) {
    struct OpenChooser : FileChooser {
        QString answer;
        QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return answer; }
        QString saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
            return {};
        }
        QString folder(QWidget*, const QString&, const QString&) override { return {}; }
    } files;
    const QString harbour = tmp.filePath(QStringLiteral("harbour"));
    ASSERT_TRUE(copyPileFiles(QStringLiteral(PIT_SAMPLES_DIR "/../harbour_pier"), harbour));
    const QString other = QDir(harbour).filePath(QStringLiteral("P7.DUX"));
    files.answer = other;
    ui::setFileChooser(&files);
    frame->SetRecentFileSource({[&] { return QStringList{other}; }, [](const QString&) {}});
    const CPileRecord sample = OnDisk("ZK14.DUX");

    const struct {
        const char* name;
        std::function<bool()> run;
        QString opened; // the document's file afterwards
    } commands[] = {
        {"文件 ▸ 新建", [&] { return choose(cmd::kFileNew); }, QString()},
        {"文件 ▸ 打开", [&] { return choose(cmd::kFileOpen); }, other},
        {"a recent file", [&] { return choose(cmd::kRecentFirst); }, other},
        // The way the window's drop handler opens it.
        {"a dropped file", [&] { return frame->Binding()->OpenPile(other), true; }, other},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(saveWith("ZK14.DUX", [&](CPileRecord& r) {
            r.m_fDiameter = sample.m_fDiameter;
            r.m_strConclusion = sample.m_strConclusion;
        }));
        ASSERT_TRUE(doc->OnOpenDocument(pile("ZK14.DUX")));
        settle();
        ASSERT_NO_FATAL_FAILURE(EnterAt("ZK14.DUX"));
        const QByteArray before = bytes(pile("ZK14.DUX"));

        TypeDiameterAndDescription(QStringLiteral("6x0"));
        sink.shown.clear();
        ASSERT_TRUE(c.run());
        settle();
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, QStringLiteral("请输入一个数字。"));
        EXPECT_EQ(doc->GetPathName(), pile("ZK14.DUX"));
        EXPECT_EQ(bytes(pile("ZK14.DUX")), before);

        typeAndTab(field<QLineEdit>(CExportForm::kDiameter), QStringLiteral("650"));
        sink.shown.clear();
        ASSERT_TRUE(c.run());
        settle();
        EXPECT_TRUE(sink.shown.empty());
        EXPECT_EQ(doc->GetPathName(), c.opened);
        const CPileRecord saved = OnDisk("ZK14.DUX");
        EXPECT_EQ(saved.m_fDiameter, 650.0f);
        EXPECT_EQ(saved.m_strConclusion, sample.m_strConclusion + QStringLiteral(" PRINTME"));
        ASSERT_TRUE(choose(cmd::kReportBack));
        settle();
    }
    ui::setFileChooser(nullptr);
    frame->SetRecentFileSource({});
}

} // namespace pit::test
