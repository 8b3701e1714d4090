// Saving a pile that nobody edited writes back what its file holds, through
// every save of the main window and of report mode, though the panels and
// the report form show lengths, sizes and dates rounded; a field the user
// edits is the only value that changes.
#include "controls/SListCtrl.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/FormMain.h"
#include "mainwnd/MainFrame.h"
#include "reportmode/ExportForm.h"
#include "reportmode/ExportView.h"
#include "tests/reportmode/ReportModeFixture.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace pit::test {
namespace {

// Awkward values: more decimals than shown, a class the class list lacks,
// an English shape text under the Chinese interface, texts with CRLF.
DuxAnalysis AwkwardPile(const QString& pileNo, int calcMode) {
    DuxAnalysis a = SavedPile(pileNo);
    a.pileLength = 9.272f; // toe picked at 3800 m/s
    a.waveSpeed = 3800;
    for (DuxChannel* c : {&a.channels[0], &a.channels[1], &a.averages[0]}) {
        c->pileLength = 9.272f;
        c->speed = c->speedAbove = 3800;
    }
    a.testDate = QStringLiteral("2024-03-15 09:30:07");
    a.constructionDate = QStringLiteral("2024-02-29");
    a.className = QStringLiteral("V");
    a.shapeText = QStringLiteral("Square pile");
    a.diameter = 812.347f;
    a.secondSide = 612.4567f;
    a.enlarged = 1000.3333f;
    a.enlarged2 = 1005.6789f;
    a.remark = QStringLiteral("复测\r\n第二行");
    a.conclusion = QStringLiteral("距桩顶约4.00m缩径。\r\n建议复查。");
    a.text5 = QStringLiteral("市政一公司");
    a.text6 = QStringLiteral("王工");
    a.analysisValues = {1200, 800, 650, 300, 410, 520};
    a.sensorDistance = 150;
    a.current = 1; // a blow: the block's head points at its record
    a.modes[2] = calcMode;
    a.scale = 1.2345678f;
    return a;
}

enum class SavePath { FileSave, FileSaveVaryingTime, ReportSave, SinglePileSave, ReportRowChange };

bool InMainWindow(SavePath p) {
    return p == SavePath::FileSave || p == SavePath::FileSaveVaryingTime;
}

// The main window on two such piles, the first one open.
struct AwkwardPilesWindow : ReportModeFixture {
    std::unique_ptr<CMainFrame> frame;
    QString first;

    void SetUp() override {
        ReportModeFixture::SetUp();
        // Blow files saved with their analysis: the tree marks them, report mode lists them.
        for (const char* pileNo : {"ZK7", "ZK8"})
            DuxBuilder::paramBlock("A-RIRADAD", 1042)
                .channels(2, 1024)
                .analysis(AwkwardPile(QString::fromLatin1(pileNo), CalcMode()))
                .writeTo(folder, QString::fromLatin1(pileNo) + QStringLiteral(".DUX"));
        first = QDir(folder).filePath(QStringLiteral("ZK7.DUX"));
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1300, 850);
        frame->show();
        Open(first);
        QApplication::processEvents();
    }
    void TearDown() override {
        frame.reset();
        ReportModeFixture::TearDown();
    }
    // The piles' time difference: 0 fixed, 1 varying.
    virtual int CalcMode() const { return 0; }
    // A command as the menu or the tool bar gives it.
    bool Run(int id) {
        frame->Commands()->Update();
        QAction* a = frame->Commands()->Action(id);
        if (!a || !a->isEnabled())
            return false;
        a->trigger();
        QApplication::processEvents();
        return true;
    }
    // Report mode shows the first pile; the row of the second one is clicked.
    void ClickRow(const QString& fileName) {
        CSListCtrl* list = frame->ExportView()->List();
        int row = -1;
        for (int r = 0; r < list->GetItemCount(); ++r)
            if (list->GetItemText(r, 1) == fileName + QStringLiteral("*"))
                row = r;
        ASSERT_GE(row, 0) << fileName.toStdString();
        list->selectionModel()->setCurrentIndex(
            list->model()->index(row, 1), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QApplication::processEvents();
    }
    // The save of the path, through its command (a failure when the command is off).
    void Save(SavePath path) {
        switch (path) {
        case SavePath::FileSave:
        case SavePath::FileSaveVaryingTime:
            ASSERT_TRUE(Run(cmd::kFileSave));
            break;
        case SavePath::ReportSave:
        case SavePath::SinglePileSave:
            ASSERT_TRUE(Run(cmd::kReportSave));
            break;
        case SavePath::ReportRowChange:
            ASSERT_NO_FATAL_FAILURE(ClickRow(QStringLiteral("ZK8.DUX")));
            ASSERT_NO_FATAL_FAILURE(ClickRow(QStringLiteral("ZK7.DUX")));
            break;
        }
    }
};

struct UneditedSave : AwkwardPilesWindow, ::testing::WithParamInterface<SavePath> {
    int CalcMode() const override { return GetParam() == SavePath::FileSaveVaryingTime ? 1 : 0; }
    // The field of the pile page (main window) or of the report form.
    template <class W = QLineEdit> W* Field(SavePath path, int pilePageId, int formId) const {
        QWidget* root = InMainWindow(path) ? static_cast<QWidget*>(frame->FormMain()->PilePanel())
                                           : static_cast<QWidget*>(frame->ExportForm());
        return qobject_cast<W*>(FindCtrl(root, InMainWindow(path) ? pilePageId : formId));
    }
};

// Equal bytes, or where they first differ.
::testing::AssertionResult SameBytes(const QByteArray& now, const QByteArray& expected) {
    if (now == expected)
        return ::testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < now.size() && at < expected.size() && now[at] == expected[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 8);
    return ::testing::AssertionFailure()
           << "sizes " << now.size() << " and " << expected.size() << ", first difference at " << at
           << ":\n  now      " << now.mid(from, 32).toHex(' ').constData() << "\n  expected "
           << expected.mid(from, 32).toHex(' ').constData();
}

// The file's bytes with the diameter (f32 of the analysis block) replaced.
QByteArray WithDiameter(QByteArray file, float from, float to) {
    const QByteArray old(reinterpret_cast<const char*>(&from), 4);
    const qsizetype at = file.indexOf(old);
    EXPECT_GE(at, 0);
    EXPECT_EQ(file.indexOf(old, at + 1), -1) << "the diameter's bytes are not unique";
    if (at >= 0)
        file.replace(at, 4, QByteArray(reinterpret_cast<const char*>(&to), 4));
    return file;
}

} // namespace

TEST_P(UneditedSave, KeepsEveryStoredValueAndTakesOnlyTheEditedField) {
    const SavePath path = GetParam();
    const QByteArray stored = readFileBytes(first);
    if (path == SavePath::ReportSave || path == SavePath::ReportRowChange)
        ASSERT_TRUE(Run(cmd::kProjectReport));
    else if (path == SavePath::SinglePileSave)
        ASSERT_TRUE(Run(cmd::kSingleReport));
    ASSERT_TRUE(sink.shown.empty()) << sink.shown.front().text.toStdString();

    // The fields show fewer decimals than the file holds.
    QLineEdit* length = Field(path, 1071, CExportForm::kLength);
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->text(), QStringLiteral("9.27"));

    ASSERT_NO_FATAL_FAILURE(Save(path));
    EXPECT_TRUE(sink.shown.empty()) << sink.shown.front().text.toStdString();
    // Byte for byte: every text, date, float and channel as it was.
    EXPECT_TRUE(SameBytes(readFileBytes(first), stored));
    CPileRecord back;
    ASSERT_TRUE(back.ReadFile(first));
    EXPECT_EQ(back.m_fPileLength, 9.272f);
    EXPECT_EQ(back.m_nWaveSpeed, 3800);

    // A letter typed at the end of the description and taken back: the text
    // as it was, its line ends too.
    auto* description = Field<QPlainTextEdit>(path, 1057, CExportForm::kDescription);
    ASSERT_NE(description, nullptr);
    description->setFocus();
    description->moveCursor(QTextCursor::End);
    QTest::keyClicks(description, QStringLiteral("x"));
    QTest::keyClick(description, Qt::Key_Backspace);
    ASSERT_NO_FATAL_FAILURE(Save(path));
    EXPECT_TRUE(SameBytes(readFileBytes(first), stored));

    // One field edited (a row change takes it too): it alone changes, stored as typed.
    QLineEdit* diameter = Field(path, 1034, CExportForm::kDiameter);
    ASSERT_NE(diameter, nullptr);
    diameter->setText(QStringLiteral("820.125"));
    ASSERT_NO_FATAL_FAILURE(Save(path));
    const QByteArray edited = WithDiameter(stored, 812.347f, 820.125f);
    EXPECT_TRUE(SameBytes(readFileBytes(first), edited));
    // Shown rounded from now on, and saved again as typed.
    ASSERT_NO_FATAL_FAILURE(Save(path));
    EXPECT_TRUE(SameBytes(readFileBytes(first), edited));
}

std::string SavePathName(const ::testing::TestParamInfo<SavePath>& info) {
    static const char* const names[] = {"FileSave", "FileSaveVaryingTime", "ReportSave", "SinglePileSave",
                                        "ReportRowChange"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EachSave, UneditedSave,
                         ::testing::Values(SavePath::FileSave, SavePath::FileSaveVaryingTime,
                                           SavePath::ReportSave, SavePath::SinglePileSave,
                                           SavePath::ReportRowChange),
                         SavePathName);

} // namespace pit::test
