// The open pile's curve picture: an A4 metafile page of the screen's scale
// with the captions and one cell per channel, read back by emf2svg-conv.
#include "reportmode/CurvePicture.h"
#include "core/pile/PileRecord.h"
#include "platform/Canvas.h"
#include "platform/RecordingDevice.h"
#include "tests/reports/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace pit::test {

struct CurvePicture : ReportFixture {
    CPileRecord pile;
    void SetUp() override {
        ReportFixture::SetUp();
        DuxAnalysis a = SavedPile(QStringLiteral("ZK-7"));
        a.className = QStringLiteral("II");
        const QString path = WritePile(QStringLiteral("ZK7.DUX"), a);
        ASSERT_TRUE(pile.ReadFile(path));
    }
};

TEST_F(CurvePicture, PageFrameAndCaptionsReadBack) {
    EXPECT_EQ(CurvePicturePageSize(100), QSize(826, 1169));
    EXPECT_EQ(CurvePicturePageSize(125), QSize(1033, 1461));
    const QString path = tmp.filePath(QStringLiteral("Pile_ZK-7.emf"));
    QString why;
    ASSERT_TRUE(WriteCurvePicture(pile, path, 100, 2, &why, false)) << why.toStdString();
    const QByteArray emf = readFileBytes(path);
    ASSERT_GT(emf.size(), 88);
    // The frame (0.01 mm) gives the page its size on the nominal screen.
    EXPECT_EQ(valueAt<int32_t>(emf, 24), 0);
    EXPECT_EQ(valueAt<int32_t>(emf, 32), 21800);
    EXPECT_EQ(valueAt<int32_t>(emf, 36), 30900);

    const QString conv = QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
    ASSERT_FALSE(conv.isEmpty()) << "emf2svg-conv (scripts/install-deps.sh)";
    const QString svgPath = tmp.filePath(QStringLiteral("page.svg"));
    QProcess p;
    p.start(conv, {QStringLiteral("-i"), path, QStringLiteral("-o"), svgPath});
    ASSERT_TRUE(p.waitForFinished(30000));
    // The texts in drawing order (a caption may come in runs of one script each).
    const QString svg = QString::fromUtf8(readFileBytes(svgPath));
    QString texts;
    static const QRegularExpression kText(QStringLiteral("<text[^>]*><!\\[CDATA\\[(.*?)\\]\\]></text>"));
    for (const auto& m : kText.globalMatch(svg))
        texts += m.captured(1);
    for (const char16_t* caption :
         {u"桩号:ZK-7", u"桩长:12.50m", u"波速:3800m/s", u"桩类别:II", u"描述:桩身完整"})
        EXPECT_TRUE(texts.contains(QString::fromUtf16(caption))) << texts.toStdString();
}

TEST_F(CurvePicture, OneCellPerChannelAverageFirst) {
    // Two blows and the average: one column of three rows, the average on top.
    gdi::RecordingDevice dev(826, 1169);
    {
        QPainter painter(&dev);
        gdi::Canvas dc(painter, 96, 96, false);
        DrawCurvePicturePage(dc, pile, QSize(826, 1169), 100, 2);
    }
    static const QRegularExpression kBlow(QStringLiteral("^\\d+/\\d+$"));
    std::vector<std::pair<double, QString>> labels;
    for (const auto& t : dev.texts())
        if (t.text == QStringLiteral("AVG") || kBlow.match(t.text).hasMatch())
            labels.push_back({t.baseline.y(), t.text});
    ASSERT_EQ(labels.size(), 3u) << dev.textList().join(u'|').toStdString();
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels[0].second, QStringLiteral("AVG"));
    EXPECT_NE(labels[1].second, QStringLiteral("AVG"));
    EXPECT_NE(labels[2].second, QStringLiteral("AVG"));
    // Each label in its own third of the wave area.
    EXPECT_GT(labels[1].first - labels[0].first, 200);
    EXPECT_GT(labels[2].first - labels[1].first, 200);
}

} // namespace pit::test
