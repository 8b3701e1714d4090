// Report mode's form in the main window on the sample project, worked with
// keys and mouse: what the user typed last is what a row change or Save
// writes, every field shows the pile's own value, and the form and the
// printed page carry the project's name.
#include "controls/SListCtrl.h"
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandIds.h"
#include "reportmode/ExportForm.h"
#include "reportmode/ExportView.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/reportmode/ReportFormFrame.h"

#include <QComboBox>
#include <QPlainTextEdit>

namespace pit::test {
namespace {

struct ReportFormEdits : ReportFormFrame {};

} // namespace

TEST_F(ReportFormEdits, ARowChangeTakesWhatWasTypedIntoTheForm) {
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK13.DUX"));
    auto* diameter = field<QLineEdit>(CExportForm::kDiameter);
    ASSERT_EQ(diameter->text(), QStringLiteral("1000"));
    for (bool tab : {true, false}) {
        SCOPED_TRACE(tab);
        const QString typed = tab ? QStringLiteral("1200") : QStringLiteral("1250");
        typeAndTab(diameter, typed, tab);
        ASSERT_NO_FATAL_FAILURE(ClickRow("ZK14.DUX"));
        EXPECT_TRUE(sink.shown.empty());
        EXPECT_EQ(view()->Record()->m_strPath, pile("ZK14.DUX"));
        EXPECT_EQ(OnDisk("ZK13.DUX").m_fDiameter, typed.toFloat());
        ASSERT_NO_FATAL_FAILURE(ClickRow("ZK13.DUX"));
        EXPECT_EQ(diameter->text(), typed);
    }

    // A value that is no number keeps the row: the user is told, nothing is written.
    const QByteArray stored = bytes(pile("ZK13.DUX"));
    typeAndTab(diameter, QStringLiteral("12x0"), false);
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK14.DUX"));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("请输入一个数字。"));
    EXPECT_EQ(view()->CurrentRow(), RowOf("ZK13.DUX"));
    EXPECT_EQ(view()->Record()->m_strPath, pile("ZK13.DUX"));
    EXPECT_EQ(bytes(pile("ZK13.DUX")), stored);
}

TEST_F(ReportFormEdits, FieldsTypedBackAfterTheFormWasStoredAreSavedAsTypedBack) {
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK13.DUX"));
    ASSERT_TRUE(choose(cmd::kReportSave));
    const QByteArray unedited = bytes(pile("ZK13.DUX"));
    CPileRecord& r = *view()->Record();
    auto* diameter = field<QLineEdit>(CExportForm::kDiameter);
    auto* shape = field<QComboBox>(CExportForm::kShape);
    auto* cls = field<QComboBox>(CExportForm::kClass);
    auto* description = field<QPlainTextEdit>(CExportForm::kDescription);
    const QString diameter0 = diameter->text(), description0 = description->toPlainText();
    ASSERT_EQ(cls->currentText(), QStringLiteral("II"));

    // Typed, then stored mid-edit by a shape change; the shape and the class picked back.
    typeAndTab(diameter, QStringLiteral("1200"), false);
    pick(shape, Qt::Key_Down);
    ASSERT_EQ(r.m_nShape, 1);
    ASSERT_EQ(r.m_fDiameter, 1200.0f);
    pick(shape, Qt::Key_Up);
    pick(cls, Qt::Key_Down);
    ASSERT_TRUE(choose(cmd::kReportSave));
    ASSERT_EQ(OnDisk("ZK13.DUX").m_strClass, QStringLiteral("III"));
    pick(cls, Qt::Key_Up);
    description->setFocus();
    description->moveCursor(QTextCursor::End);
    QTest::keyClicks(description, QStringLiteral("x"));
    ASSERT_TRUE(choose(cmd::kReportSave));
    ASSERT_EQ(OnDisk("ZK13.DUX").m_strConclusion, description0 + QStringLiteral("x"));

    // Every field back at its first text.
    typeAndTab(diameter, diameter0);
    activate();
    description->setFocus();
    QTest::keyClick(description, Qt::Key_Backspace);
    QTest::keyClick(description, Qt::Key_Tab);
    settle();
    EXPECT_NE(QApplication::focusWidget(), description);
    ASSERT_TRUE(choose(cmd::kReportSave));
    EXPECT_EQ(bytes(pile("ZK13.DUX")), unedited);
    EXPECT_EQ(diameter->text(), diameter0);
    EXPECT_EQ(cls->currentText(), QStringLiteral("II"));
    EXPECT_EQ(shape->currentIndex(), 0);
}

TEST_F(ReportFormEdits, ValuesTheListsLackShowAsThemselvesAfterARowOfOthers) {
    const QString pipe = QStringLiteral("管桩");
    ASSERT_NO_FATAL_FAILURE(saveWith("ZK14.DUX", [&](CPileRecord& r) {
        r.m_strClass = QStringLiteral("V");
        r.m_strShape = pipe;
    }));
    ASSERT_NO_FATAL_FAILURE(EnterAt("ZK13.DUX"));
    auto* cls = field<QComboBox>(CExportForm::kClass);
    auto* shape = field<QComboBox>(CExportForm::kShape);
    EXPECT_EQ(cls->currentText(), QStringLiteral("II"));
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK14.DUX"));
    EXPECT_EQ(cls->currentText(), QStringLiteral("V"));
    EXPECT_EQ(shape->currentText(), pipe);
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK13.DUX"));
    EXPECT_EQ(cls->currentText(), QStringLiteral("II"));
    EXPECT_EQ(shape->currentText(), QStringLiteral("圆桩"));
    // The other pile's values are gone with it.
    EXPECT_EQ(cls->count(), 4);
    EXPECT_EQ(shape->count(), 2);
    const CPileRecord zk14 = OnDisk("ZK14.DUX");
    EXPECT_EQ(zk14.m_strClass, QStringLiteral("V"));
    EXPECT_EQ(zk14.m_strShape, pipe);
    // A class picked is taken.
    ASSERT_NO_FATAL_FAILURE(ClickRow("ZK14.DUX"));
    pick(cls, Qt::Key_Up);
    ASSERT_TRUE(choose(cmd::kReportSave));
    EXPECT_EQ(OnDisk("ZK14.DUX").m_strClass, QStringLiteral("IV"));
}

struct ReportModeProject : SampleFrame {};

TEST_F(ReportModeProject, AnIndexWithoutANameTakesTheOneItsPilesHoldAndPrintsIt) {
    // The open pile and the project index have no project name; the listed piles do.
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK4.DUX")));
    QApplication::processEvents();
    ASSERT_TRUE(doc->m_PileRecord.m_strProject.isEmpty());
    ASSERT_TRUE(doc->m_ProjectInfo.m_texts[0].isEmpty());
    A4PdfPrintUi printUi;
    printUi.path = tmp.filePath(QStringLiteral("single.pdf"));
    frame->ExportView()->SetPrintUi(&printUi);
    ASSERT_TRUE(choose(cmd::kSingleReport));
    QApplication::processEvents();

    const QString name = QStringLiteral("滨江大桥桩基检测");
    EXPECT_EQ(doc->m_ProjectInfo.m_texts[0], name);
    auto* project = qobject_cast<QComboBox*>(FindCtrl(frame->ExportForm(), CExportForm::kProjectName));
    EXPECT_EQ(project->currentText(), name);
    ASSERT_TRUE(choose(cmd::kPrint));
    const QString text = PdfText(printUi.path);
    EXPECT_TRUE(text.contains(name)) << text.toStdString();
}

} // namespace pit::test
