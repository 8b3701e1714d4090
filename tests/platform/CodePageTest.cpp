#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace pit;

TEST(CodePage, EncodesKnownChineseTextAsGbk) {
    const CodePage cp;
    EXPECT_EQ(cp.fromUnicode(QStringLiteral("桩号")).toHex(), QByteArray("d7aebac5"));
    EXPECT_EQ(cp.toUnicode(QByteArray::fromHex("d7aebac5")), QStringLiteral("桩号"));
    EXPECT_EQ(cp.fromUnicode(QStringLiteral("A桩1")).toHex(), QByteArray("41d7ae31"));
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks) {
    const CodePage cp;
    EXPECT_EQ(cp.fromUnicode(QStringLiteral("a\U0001F600b")), QByteArray("a?b"));
}

TEST(CodePage, InvalidBytesDecodeToReplacementCharacters) {
    const CodePage cp;
    const QString s = cp.toUnicode(QByteArray::fromHex("41ff42"));
    EXPECT_EQ(s.front(), u'A');
    EXPECT_EQ(s.back(), u'B');
    EXPECT_TRUE(s.contains(QChar(QChar::ReplacementCharacter)));
}

TEST(CodePage, LimitedEncodingCutsOnlyBetweenCharacters) {
    const CodePage cp;
    struct Case {
        const char16_t* text;
        size_t limit;
        const char* hex;
    } cases[] = {
        {u"桩号", 4, "d7aebac5"}, {u"桩号", 3, "d7ae"},  {u"桩号", 1, ""},
        {u"a桩", 2, "61"},        {u"a桩", 3, "61d7ae"}, {u"abc", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cp.fromUnicodeLimited(QString::fromUtf16(c.text), c.limit).toHex(), QByteArray(c.hex))
            << c.limit;
    EXPECT_EQ(cp.boundaryAtOrBefore(QByteArray::fromHex("61d7aebac5"), 4), 3u);
}

TEST(CodePage, TrailByte5CStaysInsideItsCharacter) {
    // GBK trail bytes may equal '\\' (0x5C); such a pair is one character.
    const CodePage cp;
    const QByteArray pair = QByteArray::fromHex("815c");
    const QString s = cp.toUnicode(pair);
    ASSERT_EQ(s.size(), 1);
    EXPECT_NE(s[0], u'\\');
    EXPECT_EQ(cp.fromUnicode(s), pair);
}

TEST(CodePage, TwoCodePagesInTurnEachConvertWithTheirOwn) {
    // Conversions are kept open between calls; a second code page must not reuse the first's.
    const CodePage gbk, utf8("UTF-8");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(gbk.toUnicode(QByteArray::fromHex("d7aebac5")), QStringLiteral("桩号"));
        EXPECT_EQ(utf8.toUnicode(QByteArray("\xe6\xa1\xa9")), QStringLiteral("桩"));
        EXPECT_EQ(gbk.fromUnicode(QStringLiteral("桩")).toHex(), QByteArray("d7ae"));
        EXPECT_EQ(utf8.fromUnicode(QStringLiteral("桩")), QByteArray("\xe6\xa1\xa9"));
    }
    // A sequence cut short leaves no state behind for the next text.
    EXPECT_TRUE(gbk.toUnicode(QByteArray::fromHex("41d7")).startsWith(u'A'));
    EXPECT_EQ(gbk.toUnicode(QByteArray::fromHex("bac5")), QStringLiteral("号"));
}
