// 打印 into a PDF file through the real window's action in report mode: the
// file appears whole or not at all. On a full disk the failure is told, the
// PDF printed before stays byte for byte and nothing of the job is left
// beside it; with room again the print writes a PDF that poppler reads.
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/MainFrame.h"
#include "tests/analysis/ReportPrintSupport.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/reportmode/ReportModeFixture.h"
#include "tests/support/Disks.h"

#include <QAction>
#include <QDir>
#include <QFile>

namespace pit::test {
namespace {

struct PrintToFile : ReportModeFixture {
    std::unique_ptr<CMainFrame> frame;
    A4PdfPrintUi printUi;

    void SetUp() override {
        ReportModeFixture::SetUp();
        // Piles saved by the program, which report mode lists.
        for (const char* no : {"ZK2", "ZK3"})
            DuxBuilder::paramBlock("A-RIRADAD", 1042)
                .channels(2, 1024)
                .analysis(SavedPile(QString::fromLatin1(no)))
                .writeTo(folder, QStringLiteral("P%1.DUX").arg(no[2]));
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1300, 850);
        frame->show();
        Open(folder + QStringLiteral("/P2.DUX"));
        frame->SetExportServices(&services);
        frame->ExportView()->SetPrintUi(&printUi);
    }
    void TearDown() override {
        frame.reset();
        ReportModeFixture::TearDown();
    }
    bool Run(int id) {
        frame->Commands()->Update();
        QAction* a = frame->Commands()->Action(id);
        if (!a || !a->isEnabled())
            return false;
        a->trigger();
        return true;
    }
};

} // namespace

TEST_F(PrintToFile, APrintIntoAFullDiskKeepsThePreviousPdfAndSaysSo) {
    SmallDisk disk;
    if (!disk.Mount(tmp.filePath(QStringLiteral("small")), 2048))
        GTEST_SKIP() << "no folder for the small disk";
    printUi.path = QDir(disk.path).filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(Run(cmd::kProjectReport));
    ASSERT_EQ(g_nViewMode, 4);

    sink.shown.clear();
    ASSERT_TRUE(Run(cmd::kPrint));
    EXPECT_TRUE(sink.shown.empty());
    const QByteArray first = readFileBytes(printUi.path);
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(PdfText(printUi.path).contains(QStringLiteral("ZK2")));

    disk.Fill();
    ASSERT_TRUE(Run(cmd::kPrint));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("无法写入文件")))
        << sink.shown[0].text.toStdString();
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("report.pdf")));
    EXPECT_EQ(readFileBytes(printUi.path), first);
    // Nothing of the failed job is left beside it.
    QStringList left = QDir(disk.path).entryList(QDir::Files | QDir::Hidden);
    left.removeOne(QStringLiteral("filler"));
    EXPECT_EQ(left, QStringList{QStringLiteral("report.pdf")});

    // With room again the next print replaces the file whole.
    disk.Free();
    sink.shown.clear();
    ASSERT_TRUE(Run(cmd::kPrint));
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_TRUE(PdfText(printUi.path).contains(QStringLiteral("ZK2")));
    EXPECT_EQ(QDir(disk.path).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("report.pdf")});
}

// Where no file can be made beside the chosen one (a folder of read-only
// permissions, which bind every user but root), the print is told as
// failed and the previous PDF stays.
TEST_F(PrintToFile, APrintIntoAFolderItCannotWriteKeepsThePreviousPdf) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QString out = tmp.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(out));
    printUi.path = QDir(out).filePath(QStringLiteral("report.pdf"));
    ASSERT_TRUE(Run(cmd::kProjectReport));
    ASSERT_TRUE(Run(cmd::kPrint));
    const QByteArray first = readFileBytes(printUi.path);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_TRUE(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner));
    sink.shown.clear();
    ASSERT_TRUE(Run(cmd::kPrint));
    QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_TRUE(sink.shown[0].text.contains(QStringLiteral("无法写入文件")))
        << sink.shown[0].text.toStdString();
    EXPECT_EQ(readFileBytes(printUi.path), first);
}

} // namespace pit::test
