#include "platform/ByteCursor.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace pit;

namespace {

QByteArray bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int v : b)
        out.append(char(v));
    return out;
}

} // namespace

TEST(ByteReader, ReadsLittleEndianScalars) {
    ByteWriter w;
    w.i8(-2);
    w.i16(-12345);
    w.u16(0xBEEF);
    w.i32(-123456789);
    w.f32(1.5f);
    w.f64(1.004);
    EXPECT_EQ(w.data().left(5), bytes({0xFE, 0xC7, 0xCF, 0xEF, 0xBE}));

    ByteReader r(w.data());
    EXPECT_EQ(r.i8(), -2);
    EXPECT_EQ(r.i16(), -12345);
    EXPECT_EQ(r.u16(), 0xBEEF);
    EXPECT_EQ(r.i32(), -123456789);
    EXPECT_EQ(r.f32(), 1.5f);
    EXPECT_EQ(r.f64(), 1.004);
    EXPECT_TRUE(r.atEnd());
}

TEST(ByteReader, RefusesReadsPastTheEndWithoutMoving) {
    const QByteArray data = bytes({1, 2, 3});
    ByteReader r(data, QStringLiteral("x.DUX"));
    r.skip(1);
    try {
        r.i32();
        FAIL() << "read past the end";
    } catch (const FileError& e) {
        EXPECT_EQ(e.cause(), FileCause::BadSeek);
        EXPECT_EQ(e.path(), QStringLiteral("x.DUX"));
    }
    EXPECT_EQ(r.pos(), 1u);
    EXPECT_THROW(r.seek(4), FileError);
    EXPECT_NO_THROW(r.seek(3));
    EXPECT_THROW(r.u8(), FileError);
}

TEST(ArchiveString, RoundTripsEmptyAsciiAndChinese) {
    const CodePage cp;
    for (const QString& s : {QString(), QStringLiteral("KEV-DUX"), QStringLiteral("桩号A-1 工程")}) {
        ByteWriter w;
        w.archiveString(s, cp);
        const QByteArray enc = cp.fromUnicode(s);
        ASSERT_EQ(w.size(), 4u + size_t(enc.size()) + 1u);
        ByteReader r(w.data());
        EXPECT_EQ(r.archiveString(cp), s);
        EXPECT_TRUE(r.atEnd());
    }
    ByteWriter w;
    w.archiveString(QString(), cp);
    EXPECT_EQ(w.data(), bytes({1, 0, 0, 0, 0})); // an empty text is one NUL
}

TEST(ArchiveString, RefusesNegativeAndOversizedCounts) {
    const CodePage cp;
    for (const QByteArray& data : {bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a'}), bytes({5, 0, 0, 0, 'a', 'b', 0}),
                                   bytes({0, 0, 0, 0x7F}), bytes({1, 0})}) {
        ByteReader r(data);
        try {
            r.archiveString(cp);
            FAIL() << "accepted " << data.toHex().constData();
        } catch (const FileError& e) {
            EXPECT_EQ(e.cause(), FileCause::BadSeek);
        }
    }
}

TEST(FixedFields, TextIsCutAtACharacterBoundaryAndZeroFilled) {
    const CodePage cp;
    ByteWriter w;
    w.fixedText(QStringLiteral("桩号桩号"), 6, cp); // 8 bytes of GBK into 5 + NUL
    EXPECT_EQ(w.data(), bytes({0xD7, 0xAE, 0xBA, 0xC5, 0, 0}));
    ByteReader r(w.data());
    EXPECT_EQ(r.fixedText(6, cp), QStringLiteral("桩号"));

    ByteWriter u;
    u.fixedUtf16(QStringLiteral("桩A"), 8);
    EXPECT_EQ(u.data(), bytes({0x69, 0x68, 0x41, 0, 0, 0, 0, 0}));
    ByteReader ru(u.data());
    EXPECT_EQ(ru.fixedUtf16(8), QStringLiteral("桩A"));
}
