#include "core/doc/SharedRoutines.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SharedRoutines, FormatFloatTakesOneToSixDecimals) {
    QString t = "keep";
    EXPECT_TRUE(FormatFloat(t, 2.5f, 3, true));
    EXPECT_EQ(t, QStringLiteral("2.500"));
    EXPECT_TRUE(FormatFloat(t, -1.26f, 1, false));
    EXPECT_EQ(t, QStringLiteral("-1.3"));
    t = "keep";
    EXPECT_FALSE(FormatFloat(t, 2.5f, 0, true));
    EXPECT_FALSE(FormatFloat(t, 2.5f, 7, true));
    EXPECT_EQ(t, QStringLiteral("keep"));
}

TEST(SharedRoutines, ParseNumberCheckedRefusesOverlongTextAndNonDecimals) {
    pit::ScriptedMessageSink sink;
    pit::AppContext ctx;
    ctx.messages = &sink;
    float v = 9;
    EXPECT_EQ(ParseNumberChecked(QString(118, u'1').prepend(u'.'), v, ctx), 1); // 119 characters
    EXPECT_NEAR(v, 0.111111, 1e-5);
    EXPECT_TRUE(sink.shown.empty());

    v = 9;
    EXPECT_EQ(ParseNumberChecked(QString(120, u'1'), v, ctx), -1);
    EXPECT_EQ(v, 9);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, QStringLiteral("您所输入的数据严重超出范围！程序将记录上次有效的数据"));
    EXPECT_EQ(sink.shown[0].caption, QStringLiteral("ERROR"));

    struct Case {
        const char* text;
        float value;
    } cases[] = {{"12.5", 12.5f}, {"0x10", 0.0f}, {"inf", 0.0f},
                 {"nan", 0.0f},   {"abc", 0.0f},  {"-3e2m", -300.0f}};
    for (const Case& c : cases) {
        EXPECT_EQ(ParseNumberChecked(c.text, v, ctx), 1);
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(SharedRoutines, ClassAndIntegrationTexts) {
    const char* names[] = {"I", "II", "III", "IV", "V", "VI", "", "i"};
    const int codes[] = {1, 2, 3, 4, 5, 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(PileClassFromText(names[i]), codes[i]) << names[i];

    QString t = "x";
    IntegrationStateText(t, -1, false);
    EXPECT_EQ(t, QStringLiteral("已微分"));
    IntegrationStateText(t, 1, true);
    EXPECT_EQ(t, QStringLiteral("Integral Done"));
    IntegrationStateText(t, 0, true);
    EXPECT_EQ(t, QStringLiteral("Not Handle"));
    IntegrationStateText(t, 2, true);
    EXPECT_EQ(t, QStringLiteral("Not Handle"));
}

TEST(SharedRoutines, RecordArrayWritesWholeRecords) {
    QTemporaryDir dir;
    CPitRecordArray records;
    EXPECT_FALSE(records.SaveToFile(dir.filePath("empty.a")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("empty.a")));
    for (int i = 0; i < 3; ++i)
        records.Add()[0] = uint8_t(i + 1);
    ASSERT_TRUE(records.SaveToFile(dir.filePath("three.a")));
    EXPECT_EQ(QFileInfo(dir.filePath("three.a")).size(), 7500);
    EXPECT_FALSE(records.SaveToFile(dir.filePath("no/dir/x.a")));
}
