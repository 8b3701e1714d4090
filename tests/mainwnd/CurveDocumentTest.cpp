// The curve document of the open pile through its action in the main window:
// every channel's curve under the captions, offered in the pile's folder,
// written and opened.
#include "core/pile/PileRecord.h"
#include "mainwnd/CommandIds.h"
#include "office/OfficeWordExport.h"
#include "office/WordOffice.h"
#include "tests/mainwnd/FrameFixture.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/OfficeCheck.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace pit;

namespace {

struct CurveDocument : test::SampleFrame {};

TEST_F(CurveDocument, TheActionWritesTheOpenPilesCurves) {
    test::FakeExportServices services;
    ASSERT_NE(frame->WordExport(), nullptr);
    frame->WordExport()->SetServices(&services);
    frame->WordExport()->Office().SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
    const QString out = tmp.filePath("curves.docx");
    services.answers = {out};
    ASSERT_NO_FATAL_FAILURE(TriggerOnPile(cmd::kExportCurveDocument, "ZK6.DUX"));

    ASSERT_EQ(services.asks.size(), 1u);
    EXPECT_EQ(services.asks[0].defaultName, "Pile_" + doc->m_PileRecord.m_strPileNo + ".docx");
    EXPECT_EQ(QFileInfo(services.asks[0].folder), QFileInfo(folder));
    EXPECT_EQ(services.opened, QStringList{out});
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(u'\n').toStdString();
    EXPECT_TRUE(test::DocxProblems(out).isEmpty());
    const QJsonObject read = test::ReadDocx(out);
    const int channels = doc->m_PileRecord.ChannelCountInList();
    EXPECT_EQ(read["pictures"].toArray().size(), channels);
    for (const test::PictureAspect& a : test::PictureAspects(out))
        EXPECT_NEAR(a.shown, a.drawn, a.drawn * 0.01) << "a curve shown at the aspect drawn";
    const QJsonArray rows = read["tables"][0]["rows"].toArray();
    EXPECT_EQ(rows.size(), (channels < 8 ? channels : (channels + 1) / 2) + 2);
    EXPECT_EQ(rows[0]["cells"][0]["text"].toString(), "桩号:" + doc->m_PileRecord.m_strPileNo);
    frame->WordExport()->SetServices(nullptr);
}

// The pile's description typed with a break: on one line in its caption
// row of exact height, where a second line would be hidden.
TEST_F(CurveDocument, TheDescriptionOnOneLine) {
    test::FakeExportServices services;
    frame->WordExport()->SetServices(&services);
    frame->WordExport()->Office().SetTemplateDir(QStringLiteral(PIT_TEMPLATE_DIR));
    ASSERT_TRUE(doc->OnOpenDocument(pile("ZK6.DUX")));
    QApplication::processEvents();
    doc->m_PileRecord.m_strConclusion = QStringLiteral("距桩顶约3.90m缩径\r\n第二行");
    const QString out = tmp.filePath("described.docx");
    services.answers = {out};
    frame->Commands()->Update();
    action(cmd::kExportCurveDocument)->trigger();
    EXPECT_TRUE(services.messages.isEmpty()) << services.messages.join(u'\n').toStdString();
    const QJsonObject read = test::ReadDocx(out);
    EXPECT_EQ(read["tables"][0]["rows"][1]["cells"][0]["text"].toString(),
              QStringLiteral("描述:距桩顶约3.90m缩径 第二行"));
    frame->WordExport()->SetServices(nullptr);
}

} // namespace
