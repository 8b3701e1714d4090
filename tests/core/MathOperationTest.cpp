#include "core/doc/MathOperation.h"
#include "core/doc/BitmapOperation.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

TEST(MathOperation, RoundToDecimalsIsHalfUpAndTruncatesNegatives) {
    struct Case {
        float x;
        int n;
        float expected;
    } cases[] = {
        {2.345f, 2, 2.35f}, {-2.345f, 2, -2.34f},   {2.344f, 2, 2.34f}, {1.5f, 0, 2.0f},
        {0.04f, 1, 0.0f},   {12.3456f, 3, 12.346f}, {7.0f, 2, 7.0f},
    };
    for (const Case& c : cases) {
        float x = c.x;
        MathOperation::RoundToDecimals(x, c.n);
        EXPECT_NEAR(x, c.expected, 1e-5) << c.x << " " << c.n;
    }
}

TEST(MathOperation, ChooseDecimalsByMagnitude) {
    struct Case {
        float x;
        int n;
    } cases[] = {{5.0f, 2}, {0.09f, 2}, {0.05f, 3}, {0.0091f, 3}, {0.009f, 4}, {0.0001f, 4}};
    for (const Case& c : cases) {
        float x = c.x;
        EXPECT_EQ(MathOperation::ChooseDecimalsAndRound(x), c.n) << c.x;
        EXPECT_GE(x, c.x) << "never rounds an axis maximum down";
    }
}

TEST(MathOperation, RoundUpDecimalsRaisesToTheNextStep) {
    // Raised by one step of n decimals, then up to n - 1 decimals unless that
    // lands on a coarser step: an axis maximum always strictly above the value.
    struct Case {
        float x;
        int n;
        float expected;
    } cases[] = {{1.234f, 2, 1.3f}, {0.05f, 3, 0.06f},    {2.0f, 2, 2.1f},
                 {2.09f, 2, 2.1f},  {0.0042f, 4, 0.005f}, {3.29f, 2, 3.3f}};
    for (const Case& c : cases) {
        float x = c.x;
        MathOperation::RoundUpDecimals(x, c.n);
        EXPECT_NEAR(x, c.expected, 1e-5) << c.x;
    }
    EXPECT_EQ(MathOperation::FormatFloatDecimals(2.5f, 3), QStringLiteral("2.500"));
}

TEST(MathOperation, ColourTextRoundTrip) {
    QString text;
    EXPECT_TRUE(CBitmapOperation::ColorToText(text, pit::RGB(50, 50, 200)));
    EXPECT_EQ(text, QStringLiteral("50,50,200"));
    pit::COLORREF c = 0;
    EXPECT_TRUE(CBitmapOperation::TextToColor(text, c));
    EXPECT_EQ(c, pit::RGB(50, 50, 200));
    struct Case {
        const char* text;
        pit::COLORREF color;
    } cases[] = {{"255", pit::RGB(255, 0, 0)},
                 {"1,2", pit::RGB(1, 2, 0)},
                 {"256,-1,3,9", pit::RGB(0, 255, 3)},
                 {"", 0},
                 {" 7 , 8 , 9 ", pit::RGB(7, 8, 9)}};
    for (const Case& k : cases) {
        CBitmapOperation::TextToColor(k.text, c);
        EXPECT_EQ(c, k.color) << k.text;
    }
}

TEST(MathOperation, TextConversionsKeepWholeCharacters) {
    EXPECT_EQ(MathOperation::CStringToAnsi(QStringLiteral("桩号")).toHex(), QByteArray("d7aebac5"));
    EXPECT_EQ(MathOperation::CStringToAnsiN(QStringLiteral("桩号"), 4).toHex(), QByteArray("d7ae"));
    EXPECT_EQ(MathOperation::CStringToAnsiN(QStringLiteral("桩号"), 5).toHex(), QByteArray("d7aebac5"));
    EXPECT_EQ(MathOperation::AnsiToCString("\xD7\xAE\xBA\xC5", 4), QStringLiteral("桩号"));

    const uint8_t utf16[] = {0x69, 0x68, 0xF7, 0x53};
    EXPECT_EQ(MathOperation::Utf16BytesToText(utf16, 4, 10).toHex(), QByteArray("d7aebac5"));
    EXPECT_EQ(MathOperation::Utf16BytesToText(utf16, 4, 4).toHex(), QByteArray("d7ae"));
    const QByteArray field = MathOperation::TextToUtf16Bytes(QByteArray("\xD7\xAE"
                                                                        "A"),
                                                             5);
    EXPECT_EQ(field.toHex(), QByteArray("6968410000")); // two whole characters, the odd byte stays zero

    int i = 0;
    float f = 0;
    uint8_t b = 0;
    MathOperation::CStringToInt(QStringLiteral("12x"), i);
    MathOperation::CStringToFloat(QStringLiteral("2.5e1"), f);
    MathOperation::CStringToByte(QStringLiteral("257"), b);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(f, 25.0f);
    EXPECT_EQ(b, 1);
}

TEST(MathOperation, FindFirstEscapeCharScansCharactersNotBytes) {
    int pos = -5;
    EXPECT_EQ(MathOperation::FindFirstEscapeChar(QStringLiteral("ab\ncd"), pos, 0, -1), 3);
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(MathOperation::FindFirstEscapeChar(QStringLiteral("ab\ncd\\"), pos, 3, -2), 7);
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(MathOperation::FindFirstEscapeChar(QStringLiteral("say \"x\""), pos, 0, -1), 9);
    EXPECT_EQ(MathOperation::FindFirstEscapeChar(QStringLiteral("abc"), pos, 0, -1), -1);
    EXPECT_EQ(pos, 3);
    // A character whose GBK trail byte is 0x5C is no backslash.
    const QString gbk5c = pit::CodePage().toUnicode(QByteArray::fromHex("815c")) + QStringLiteral("x");
    EXPECT_EQ(MathOperation::FindFirstEscapeChar(gbk5c, pos, 0, -1), -1);
}

TEST(MathOperation, ModuleDirectoryEndsWithASeparator) {
    EXPECT_TRUE(MathOperation::GetModuleDirectory().endsWith(u'/'));
}
