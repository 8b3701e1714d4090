// The batch through the program's report builders, with a fake document
// writer: each group's report holds exactly its analysed piles, in order.
#include "batch/BatchReportHelper.h"
#include "batch/BatchReports.h"
#include "batch/BuilderReportWriter.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "platform/FontSetup.h"
#include "reports/ReportPileItem.h"
#include "reports/WordExport.h"
#include "tests/batch/BatchFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;
using namespace pit::test;

namespace {

// Keeps what each report would hold and writes a stand-in file.
struct RecordingWordExport : WordExport {
    struct Written {
        QString path;
        int projectKind = -1; // -1 single-pile
        QStringList piles;
    };
    std::vector<Written> written;
    bool make(Written w) {
        const QString path = w.path;
        written.push_back(std::move(w));
        // As the document writer saves.
        try {
            writeFileAtomic(path, "docx");
            return true;
        } catch (const FileError&) {
            return false;
        }
    }
    bool WriteSingleReport(const WordSingleReport& r, const QString& path) override {
        Written w{path, -1, {}};
        for (const auto& page : r.pages)
            w.piles << page.m_strPileNo;
        return make(w);
    }
    bool WriteCountInfoReport(const WordCountInfoReport&, const QString&) override { return false; }
    bool WriteProjectReport(const WordProjectReport& r, const QString& path) override {
        Written w{path, r.kind, {}};
        for (const CReportPileItem* item : r.items)
            w.piles << item->m_strPileNo;
        return make(w);
    }
};

struct BuilderWriter : ::testing::Test {
    QTemporaryDir tmp;
    ScriptedMessageSink sink;
    AppContext ctx = batchContext(&sink);
    RecordingWordExport word;
    QStringList piles;

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        RegisterFontSubstitutions();
        const QString d = tmp.filePath(QStringLiteral("piles"));
        QDir().mkpath(d);
        piles = {writePile(d, "A1.DUX", "Pier", "A1", true), writePile(d, "B1.DUX", "Bridge", "B1", true),
                 writePile(d, "A2.DUX", "Pier", "A2", true), writePile(d, "A3.DUX", "Pier", "A3", false)};
    }
    BatchOutcome run(int kind) {
        BuilderReportWriter writer(&word);
        CBatchReportHelper helper;
        BatchJob job{kind, piles, tmp.filePath(QStringLiteral("out")),
                     tmp.filePath(QStringLiteral("Record.xml"))};
        return GenerateBatchReports(ctx, helper, job, writer);
    }
};

} // namespace

TEST_F(BuilderWriter, EachReportHoldsItsGroupsAnalysedPilesInOrder) {
    struct Case {
        int kind;
        bool english;
        int projectKind;
    } cases[] = {{1, false, -1}, {2, false, 0}, {2, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        word.written.clear();
        ctx.english = c.english;
        QDir(tmp.filePath(QStringLiteral("out"))).removeRecursively(); // the names are free again
        const BatchOutcome outcome = run(c.kind);
        EXPECT_FALSE(outcome.failed);
        ASSERT_EQ(word.written.size(), 2u);
        // Written under its hidden name, then named.
        const QString pier = QDir(tmp.filePath(QStringLiteral("out"))).filePath("Pier_20240315093000.docx");
        EXPECT_EQ(word.written[0].path,
                  CBatchReportHelper::TemporaryDocumentPath(tmp.filePath(QStringLiteral("out")), pier));
        ASSERT_EQ(outcome.written.size(), 2);
        EXPECT_EQ(outcome.written[0], pier);
        EXPECT_EQ(word.written[0].piles, (QStringList{"A2", "A1"}));
        EXPECT_EQ(word.written[0].projectKind, c.projectKind);
        EXPECT_EQ(word.written[1].piles, QStringList{"B1"});
    }
}

TEST_F(BuilderWriter, TheFixedEnglishFormatGivesVariantB) {
    {
        CKEV_DUXDoc doc(ctx);
        doc.m_PrintSettings.m_nProType = 3;
        ASSERT_TRUE(doc.SaveSettings());
        doc.SetWriteSettingsOnClose(false);
    }
    ctx.english = true;
    run(2);
    ASSERT_EQ(word.written.size(), 2u);
    EXPECT_EQ(word.written[0].projectKind, 1);
    EXPECT_EQ(word.written[0].piles, (QStringList{"A2", "A1"}));
    QFile::remove(CKEV_DUXDoc::DefaultFiles().settings);
}

TEST_F(BuilderWriter, WithoutADocumentWriterEveryReportFailsAndSaysSo) {
    BuilderReportWriter writer(nullptr);
    CBatchReportHelper helper;
    BatchJob job{
        1, {piles[0]}, tmp.filePath(QStringLiteral("out")), tmp.filePath(QStringLiteral("Record.xml"))};
    const BatchOutcome outcome = GenerateBatchReports(ctx, helper, job, writer);
    EXPECT_TRUE(outcome.failed);
    EXPECT_TRUE(outcome.written.isEmpty());
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("没有可用的文档导出。"));
    EXPECT_TRUE(sink.shown[1].text.contains(QStringLiteral("Pier_20240315093000.docx")));
}
