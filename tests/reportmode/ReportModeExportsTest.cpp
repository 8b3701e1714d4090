// Report mode in the main window on a project with a damaged pile: the
// wave-speed statistics on screen, the project report, the summary table
// and the workbook hold the same piles, and each export names the one it
// leaves out; damaged as cut short, or holding a sample interval no
// instrument records in its header or its channel records.
#include "mainwnd/CommandIds.h"
#include "mainwnd/MainFrame.h"
#include "office/ExcelExporter.h"
#include "office/OfficeWordExport.h"
#include "office/WordOffice.h"
#include "platform/AllocationProbe.h"
#include "reports/RepProjectA.h"
#include "reports/ReportFactory.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/office/XlsxDump.h"
#include "tests/reportmode/ReportModeFixture.h"
#include "tests/support/OfficeCheck.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <limits>

namespace pit::test {
namespace {

// How a pile of the project is damaged. Cut short inside its waves: its
// fields still read, its analysed wave does not. A sample interval of NaN
// in its header, or of 0 in its channel records: the pile reader, or the
// records the reports draw, refuse it.
enum class Damage { None, CutShort, HeaderInterval, RecordInterval };

// The main window on the project of the piles written first, its exports
// answered by the fake services.
struct ReportModeWindow : ReportModeFixture {
    std::unique_ptr<CMainFrame> frame;

    void Start() {
        frame = std::make_unique<CMainFrame>(doc.get(), false);
        frame->resize(1300, 850);
        frame->show();
        Open(folder + QStringLiteral("/P1.DUX"));
        frame->SetExportServices(&services);
        frame->WordExport()->SetServices(&services);
        frame->WordExport()->Office().SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
    }
    void TearDown() override {
        frame.reset();
        ReportModeFixture::TearDown();
    }
    bool Run(int id) { return Choose(*frame, id); }
    // A blow file saved by the program (report mode lists blow files).
    QString Blow(const QString& name, const QString& pileNo, int speed, const QString& conclusion = {},
                 Damage damage = Damage::None) {
        DuxAnalysis a = SavedPile(pileNo);
        a.waveSpeed = speed;
        if (!conclusion.isEmpty())
            a.conclusion = conclusion;
        if (damage == Damage::RecordInterval)
            for (auto* list : {&a.channels, &a.averages})
                for (DuxChannel& c : *list)
                    c.dt = 0;
        DuxBuilder file = DuxBuilder::paramBlock("A-RIRADAD", 1042).channels(2, 1024);
        if (damage == Damage::HeaderInterval)
            file.sampleInterval(std::numeric_limits<float>::quiet_NaN());
        const QString path = file.analysis(a).writeTo(folder, name);
        if (damage == Damage::CutShort) {
            QFile f(path);
            EXPECT_TRUE(f.resize(f.size() - 3000));
        }
        return path;
    }
    // An export through its command into tmp/file, read back.
    QJsonObject Exported(int command, const char* file) {
        const QString path = tmp.filePath(QString::fromLatin1(file));
        services.answers = {path};
        services.messages.clear();
        EXPECT_TRUE(Run(command));
        EXPECT_TRUE(QFileInfo::exists(path)) << services.messages.join(u'|').toStdString();
        return ReadDocx(path);
    }
};

// A project whose third pile is damaged.
struct DamagedPileInReportMode : ReportModeWindow, ::testing::WithParamInterface<Damage> {
    QString damaged;

    void SetUp() override {
        ReportModeFixture::SetUp();
        Blow(QStringLiteral("P1.DUX"), QStringLiteral("P-101"), 4000);
        Blow(QStringLiteral("P2.DUX"), QStringLiteral("P-102"), 3800);
        damaged = Blow(QStringLiteral("P3.DUX"), QStringLiteral("P-103"), 3000, {}, GetParam());
        Start();
    }
    QString Shown(int ctrl) const {
        return static_cast<QLineEdit*>(FindCtrl(frame->ExportView(), ctrl))->text();
    }
};

} // namespace

TEST_P(DamagedPileInReportMode, ItIsCountedNowhereAndNamedAtEveryExport) {
    ASSERT_TRUE(Run(cmd::kProjectReport));
    ASSERT_EQ(g_nViewMode, 4);
    CExportView* view = frame->ExportView();
    ASSERT_EQ(view->List()->GetItemCount(), 3);
    EXPECT_EQ(view->CheckedCount(), 3);
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_TRUE(sink.shown.back().text.contains(QStringLiteral("P3.DUX")))
        << sink.shown.back().text.toStdString();
    // On screen: the two piles every report holds.
    EXPECT_EQ(Shown(CExportView::kCountEdit), QStringLiteral("2"));
    EXPECT_EQ(Shown(CExportView::kMeanEdit), QStringLiteral("3900"));
    EXPECT_EQ(Shown(CExportView::kMinEdit), QStringLiteral("3800"));

    auto pilesIn = [](const QString& docx) {
        const QString text = QString::fromUtf8(QJsonDocument(ReadDocx(docx)).toJson());
        QStringList found;
        for (const char* p : {"P-101", "P-102", "P-103"})
            if (text.contains(QString::fromLatin1(p)))
                found << QString::fromLatin1(p);
        return found;
    };
    // The project report and the statistics (summary) document.
    struct Export {
        int command;
        const char* file;
    } exports[] = {{cmd::kReportExportDocument, "project.docx"}, {cmd::kCountInfo, "statistics.docx"}};
    for (const Export& e : exports) {
        SCOPED_TRACE(e.file);
        const QString path = tmp.filePath(QString::fromLatin1(e.file));
        Exported(e.command, e.file);
        EXPECT_EQ(pilesIn(path), (QStringList{"P-101", "P-102"}));
        ASSERT_EQ(services.messages.size(), 1);
        EXPECT_EQ(services.messages[0], QStringLiteral("下列桩文件无法读取，报告中没有它们：\n") +
                                            QFileInfo(damaged).absoluteFilePath());
    }

    // The workbook: a sheet a pile it holds.
    OfficeExcelExport excel(ctx, &services);
    frame->SetExcelExport(&excel);
    const QString xlsx = tmp.filePath(QStringLiteral("results.xlsx"));
    services.answers = {xlsx};
    sink.shown.clear();
    ASSERT_TRUE(Run(cmd::kReportExportExcel));
    QString error;
    const auto book = readXlsx(xlsx, &error);
    ASSERT_TRUE(book) << error.toStdString();
    EXPECT_EQ(book->sheets.size(), 2u);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("下列桩文件无法读取，工作簿中没有它们：\n") +
                                      QFileInfo(damaged).absoluteFilePath());
    frame->SetExcelExport(nullptr);
}

// A project of two whole piles.
struct WholePilesInReportMode : ReportModeWindow {
    void SetUp() override {
        ReportModeFixture::SetUp();
        Blow(QStringLiteral("P1.DUX"), QStringLiteral("P-101"), 4000);
        Blow(QStringLiteral("P2.DUX"), QStringLiteral("P-102"), 3800);
        Start();
    }
};

TEST_F(WholePilesInReportMode, AWordExportThatRunsOutOfMemoryStopsAsOutOfMemoryAndTheWindowGoesOn) {
    ASSERT_TRUE(Run(cmd::kProjectReport));
    const QString path = tmp.filePath(QStringLiteral("project.docx"));
    services.answers = {path, path};
    services.messages.clear();
    // The XML of the document finds no memory as the report fills its first
    // table: memory running out, which the window tells as such (the
    // application's event delivery), not a table without its cell.
    FailAllocationsFrom(AllocSite::Xml, 12);
    EXPECT_THROW(Run(cmd::kReportExportDocument), std::bad_alloc);
    FailAllocationsFrom(AllocSite::Xml, -1);
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(u'|').toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    // The half-made document is not kept.
    EXPECT_EQ(frame->WordExport()->Office().Document(), nullptr);

    ASSERT_TRUE(Run(cmd::kReportExportDocument));
    EXPECT_TRUE(QFileInfo::exists(path)) << services.messages.join(u'|').toStdString();
}

TEST_F(WholePilesInReportMode, PicturesThatLeaveNoPileOutNameNone) {
    ASSERT_TRUE(Run(cmd::kProjectReport));
    frame->ReportFactory()->SetServices(&services);
    const QString pages = tmp.filePath(QStringLiteral("pages.emf"));
    services.answers = {pages};
    services.messages.clear();
    ASSERT_TRUE(Run(cmd::kReportProjectPictures));
    EXPECT_TRUE(QFileInfo::exists(ProjectPageFileName(pages, 1, QStringLiteral("emf"))));
    doc->m_bIsMultiplePictrue = true;
    sink.shown.clear();
    ASSERT_TRUE(Run(cmd::kReportSinglePictures));
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("P-102.emf"))));
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(u'|').toStdString();
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("所有单桩图片输出完成!"));
}

// Conclusions typed with a break and of 3,000 characters, through the
// window's report commands: every document shows them as the printed pages
// do, the project cells and the summary rows on one line, the single-pile
// page's conclusion box with its break.
struct TypedTextsInReportMode : ReportModeWindow {
    QString longText;
    void SetUp() override {
        ReportModeFixture::SetUp();
        while (longText.size() < 3000)
            longText += QStringLiteral("距桩顶约3.90m缩径，");
        longText.truncate(3000);
        Blow(QStringLiteral("P1.DUX"), QStringLiteral("P-101"), 4000,
             QStringLiteral("距桩顶约3.90m缩径\r\n第二行"));
        Blow(QStringLiteral("P2.DUX"), QStringLiteral("P-102"), 3800, longText);
        Start();
        doc->m_PrintSettings.m_bQualityAssess = 1;
    }
    // Every cell's text of the document's tables, nested ones too.
    static QStringList CellTexts(const QJsonValue& tables) {
        QStringList out;
        for (const QJsonValue t : tables.toArray())
            for (const QJsonValue r : t[QStringLiteral("rows")].toArray())
                for (const QJsonValue c : r[QStringLiteral("cells")].toArray())
                    out << c[QStringLiteral("text")].toString() << CellTexts(c[QStringLiteral("tables")]);
        return out;
    }
};

TEST_F(TypedTextsInReportMode, EveryDocumentShowsThemAsPrinted) {
    ASSERT_TRUE(Run(cmd::kProjectReport));
    const QStringList project = CellTexts(Exported(cmd::kReportExportDocument, "project.docx")["tables"]);
    EXPECT_TRUE(project.contains(QStringLiteral(" 完整性评价:距桩顶约3.90m缩径 第二行")))
        << project.join(u'|').toStdString();
    const auto cut = std::find_if(project.begin(), project.end(), [](const QString& t) {
        return t.startsWith(QStringLiteral(" 完整性评价:距桩顶约3.90m缩径，")) &&
               t.endsWith(QStringLiteral("..."));
    });
    ASSERT_NE(cut, project.end()) << project.join(u'|').toStdString();
    EXPECT_TRUE(longText.startsWith(cut->mid(7).chopped(3)));

    const QStringList summary = CellTexts(Exported(cmd::kCountInfo, "statistics.docx")["tables"]);
    EXPECT_TRUE(summary.contains(QStringLiteral("距桩顶约3.90m缩径 第二行")))
        << summary.join(u'|').toStdString();
    EXPECT_TRUE(summary.contains(longText));

    ASSERT_TRUE(Run(cmd::kReportBack));
    ASSERT_TRUE(Run(cmd::kSingleReport));
    const QStringList single = CellTexts(Exported(cmd::kReportExportDocument, "single.docx")["tables"]);
    EXPECT_TRUE(single.contains(QStringLiteral("测试结果:\r缺陷描述: 距桩顶约3.90m缩径\n第二行")))
        << single.join(u'|').toStdString();
}

// A project beside whose whole piles stand a pile whose saved measured top
// elevation is NaN (listed, its analysis refused), a file that reads as no
// pile at all (so not listed), and ZK13 saved with current channel 1023 (a
// channel the pile reader takes as its first). Through the window's commands
// the project report and the workbook hold the same piles, ZK13 among them,
// and each names both files it leaves out.
struct LeftOutPilesInReportMode : ReportModeWindow {
    QString nanPile, noPile;
    void SetUp() override {
        ReportModeFixture::SetUp();
        Blow(QStringLiteral("P1.DUX"), QStringLiteral("P-101"), 4000);
        Blow(QStringLiteral("P2.DUX"), QStringLiteral("P-102"), 3800);
        DuxAnalysis zk13 = SavedPile(QStringLiteral("ZK13"));
        zk13.current = 1023;
        DuxBuilder::paramBlock("A-RIRADAD", 1042)
            .channels(2, 1024)
            .analysis(zk13)
            .writeTo(folder, "ZK13.DUX");
        DuxAnalysis nan = SavedPile(QStringLiteral("P-104"));
        nan.pileValues[2] = std::numeric_limits<float>::quiet_NaN();
        nanPile = DuxBuilder::paramBlock("A-RIRADAD", 1042)
                      .channels(2, 1024)
                      .analysis(nan)
                      .writeTo(folder, QStringLiteral("P4.DUX"));
        noPile = QDir(folder).filePath(QStringLiteral("P5.DUX"));
        QFile f(noPile);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("no pile file at all");
        f.close();
        Start();
    }
};

TEST_F(LeftOutPilesInReportMode, EveryExportNamesThemAndTheReportsAgreeOnTheRest) {
    ASSERT_TRUE(Run(cmd::kProjectReport));
    CExportView* view = frame->ExportView();
    QStringList listed;
    for (int row = 0; row < view->List()->GetItemCount(); ++row)
        listed << view->List()->GetItemText(row, 1);
    EXPECT_EQ(listed, (QStringList{"P1.DUX*", "P2.DUX*", "P4.DUX*", "ZK13.DUX*"}));
    ASSERT_FALSE(sink.shown.empty());
    EXPECT_TRUE(sink.shown.back().text.contains(QStringLiteral("P4.DUX")))
        << sink.shown.back().text.toStdString();
    EXPECT_TRUE(sink.shown.back().text.contains(QStringLiteral("P5.DUX")))
        << sink.shown.back().text.toStdString();

    const QString leftOut =
        QFileInfo(nanPile).absoluteFilePath() + u'\n' + QFileInfo(noPile).absoluteFilePath();
    const QString project =
        QString::fromUtf8(QJsonDocument(Exported(cmd::kReportExportDocument, "p.docx")).toJson());
    for (const char* p : {"P-101", "P-102", "ZK13"})
        EXPECT_TRUE(project.contains(QString::fromLatin1(p))) << p;
    EXPECT_FALSE(project.contains(QStringLiteral("P-104")));
    EXPECT_FALSE(project.contains(QStringLiteral("nan")));
    EXPECT_EQ(services.messages,
              QStringList{QStringLiteral("下列桩文件无法读取，报告中没有它们：\n") + leftOut});

    OfficeExcelExport excel(ctx, &services);
    frame->SetExcelExport(&excel);
    const QString xlsx = tmp.filePath(QStringLiteral("results.xlsx"));
    services.answers = {xlsx};
    sink.shown.clear();
    ASSERT_TRUE(Run(cmd::kReportExportExcel));
    QString error;
    const auto book = readXlsx(xlsx, &error);
    ASSERT_TRUE(book) << error.toStdString();
    QStringList sheets;
    for (const XlsxSheet& sheet : book->sheets)
        sheets << sheet.name;
    EXPECT_EQ(sheets, (QStringList{"P1", "P2", "ZK13"}));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("下列桩文件无法读取，工作簿中没有它们：\n") + leftOut);
    frame->SetExcelExport(nullptr);

    // The pictures, metafiles and (smoothed curves) bitmaps: the project's
    // pages, each checked pile's picture, the selected pile's picture.
    frame->ReportFactory()->SetServices(&services);
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    const QStringList piles{"P-101", "P-102", "ZK13"};
    for (int smooth : {0, 1}) {
        SCOPED_TRACE(smooth);
        doc->m_CurveStyle.IsSmooth = smooth;
        const QString suffix = smooth ? QStringLiteral("bmp") : QStringLiteral("emf");
        const QString pages = tmp.filePath(QStringLiteral("pages.") + suffix);
        services.answers = {pages};
        services.messages.clear();
        sink.shown.clear();
        ASSERT_TRUE(Run(cmd::kReportProjectPictures));
        EXPECT_TRUE(QFileInfo::exists(ProjectPageFileName(pages, 1, suffix)));
        EXPECT_EQ(services.messages,
                  QStringList{QStringLiteral("下列桩文件无法读取，报告中没有它们：\n") + leftOut});

        doc->m_bIsMultiplePictrue = true;
        services.messages.clear();
        ASSERT_TRUE(Run(cmd::kReportSinglePictures));
        for (const QString& pile : piles)
            EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(pile + u'.' + suffix))) << pile.toStdString();
        EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("P-104.") + suffix)));
        ASSERT_EQ(sink.shown.size(), 1u);
        EXPECT_EQ(sink.shown[0].text, QStringLiteral("单桩图片输出：写出 3 张，保留已有 0 张，失败 1 张。"));
        EXPECT_EQ(services.messages,
                  QStringList{QStringLiteral("下列桩文件无法读取，没有写出它们的图片：\n") + leftOut});

        // The selected pile alone, its file damaged since it was selected:
        // named, and nothing written.
        doc->m_bIsMultiplePictrue = false;
        ASSERT_EQ(view->CurrentRow(), 0);
        const QString p1 = QDir(folder).filePath(QStringLiteral("P1.DUX"));
        const QByteArray whole = readFileBytes(p1);
        write(p1, "no pile file at all");
        const QString one = tmp.filePath(QStringLiteral("one.") + suffix);
        services.answers = {one};
        services.messages.clear();
        ASSERT_TRUE(Run(cmd::kReportSinglePictures));
        write(p1, whole);
        EXPECT_FALSE(QFileInfo::exists(one));
        EXPECT_EQ(services.messages, QStringList{QStringLiteral("下列桩文件无法读取，没有写出图片：\n") +
                                                 QFileInfo(p1).absoluteFilePath()});
    }
}

std::string DamageName(const ::testing::TestParamInfo<Damage>& info) {
    constexpr const char* kNames[] = {"None", "CutShort", "HeaderInterval", "RecordInterval"};
    return kNames[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedPileInReportMode,
                         ::testing::Values(Damage::CutShort, Damage::HeaderInterval, Damage::RecordInterval),
                         DamageName);

} // namespace pit::test
