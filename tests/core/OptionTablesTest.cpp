#include "core/doc/OptionTables.h"

#include <gtest/gtest.h>

using namespace pit::options;

TEST(OptionTables, TablesHoldTheirVocabulary) {
    EXPECT_EQ(GradeCount(), 19);
    EXPECT_EQ(Grade(0), QStringLiteral("C15"));
    EXPECT_EQ(Grade(17), QStringLiteral("C100"));
    EXPECT_EQ(Grade(18), QStringLiteral("C105"));
    EXPECT_EQ(ClassName(3), QStringLiteral("IV"));
    EXPECT_EQ(PileShape(1, false), QStringLiteral("方桩"));
    EXPECT_EQ(PileShape(0, true), QStringLiteral("Round pile"));
    EXPECT_EQ(InstrumentModelCount(), 11);
    EXPECT_EQ(InstrumentModel(1), QStringLiteral("KEV-TIMBO"));
    EXPECT_EQ(InstrumentModel(10), QStringLiteral("KEV-DUX(S)"));
    EXPECT_EQ(TestStandardCount(), 11);
    EXPECT_EQ(TestStandard(0), QStringLiteral("JGJ 106-2014"));
    EXPECT_EQ(TestStandard(10), QString::fromUtf8("JTG/T 3512\u20142020"));
    EXPECT_EQ(FontSizeName(0, 1), QStringLiteral("9(小五号)"));
    EXPECT_EQ(FontSizeName(1, 22), QStringLiteral("72"));
    EXPECT_EQ(FontSizeName(0, 22), QStringLiteral("八号"));
    ASSERT_EQ(PickerColors().size(), 5u);
    EXPECT_EQ(PickerColors()[4].color, pit::RGB(0, 0, 128));
    EXPECT_STREQ(PickerColors()[1].name, "Maroon");
}

TEST(OptionTables, IndexOutsideATableGivesAnEmptyText) {
    for (int bad : {-1, 19, 1000})
        EXPECT_TRUE(Grade(bad).isEmpty()) << bad;
    EXPECT_TRUE(ClassName(5).isEmpty());
    EXPECT_TRUE(ClassName(-1).isEmpty());
    EXPECT_TRUE(PileShape(2, true).isEmpty());
    EXPECT_TRUE(InstrumentModel(11).isEmpty());
    EXPECT_TRUE(TestStandard(-3).isEmpty());
    EXPECT_TRUE(FontSizeName(0, 23).isEmpty());
    EXPECT_TRUE(FontSizeName(2, 0).isEmpty());
}
