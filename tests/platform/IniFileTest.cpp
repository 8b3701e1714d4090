#include "platform/IniFile.h"
#include "platform/CodePage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;

namespace {

IniFile fromText(const char* text) {
    IniFile ini;
    ini.loadFromBytes(QByteArray(text));
    return ini;
}

const char* kSample = "; comment\r\n"
                      "[DocInfo]\r\n"
                      "m_nShowStyle = 3 \r\n"
                      "m_strTitle=\"  quoted  \"\r\n"
                      "m_strEmpty=\r\n"
                      "M_NSHOWSTYLE=9\r\n"
                      "m_nNeg=-12abc\r\n"
                      "m_nText=abc\r\n"
                      "single='x'\r\n"
                      "\r\n"
                      "[docinfo]\r\n"
                      "second=1\r\n"
                      "[ stCurvePara ]\r\n"
                      "wave=0,0,255\r\n";

} // namespace

TEST(IniFile, ReadSemantics) {
    const IniFile ini = fromText(kSample);
    struct Case {
        const char *section, *key, *def, *expected;
    } cases[] = {
        {"DocInfo", "m_nShowStyle", "d", "3"},        // trimmed; first match wins over the later duplicate
        {"DOCINFO", "M_nShowStyle", "d", "3"},        // case-insensitive section and key
        {"DocInfo", "m_strTitle", "d", "  quoted  "}, // one pair of quotes stripped, inside kept
        {"DocInfo", "single", "d", "x"},              // single quotes too
        {"DocInfo", "m_strEmpty", "dflt", "dflt"},    // empty value gives the default
        {"DocInfo", "missing", "dflt", "dflt"},       // missing key
        {"Nowhere", "m_nShowStyle", "dflt", "dflt"},  // missing section
        {"DocInfo", "second", "d", "d"},              // only the first section of a name is searched
        {"stCurvePara", "wave", "d", "0,0,255"},      // section name trimmed
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.readString(c.section, c.key, c.def), QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;

    EXPECT_EQ(ini.readInt("DocInfo", "m_nShowStyle", 7), 3);
    EXPECT_EQ(ini.readInt("DocInfo", "m_nNeg", 7), -12);   // leading integer
    EXPECT_EQ(ini.readInt("DocInfo", "m_nText", 7), 0);    // no digits: 0
    EXPECT_EQ(ini.readInt("DocInfo", "m_strEmpty", 7), 7); // empty: default
    EXPECT_EQ(ini.readInt("DocInfo", "missing", 7), 7);
}

TEST(IniFile, WritesChangeTheFileInPlace) {
    IniFile ini = fromText(kSample);
    ini.writeString("docinfo", "M_NSHOWSTYLE", "5"); // replaces the first match, keeps the rest
    ini.writeString("DocInfo", "added", "1");        // appended after the section's last non-blank line
    ini.writeString("NewSection", "k", "v");         // new section at the end
    const QByteArray out = ini.toBytes();
    EXPECT_EQ(out, QByteArray("; comment\r\n"
                              "[DocInfo]\r\n"
                              "M_NSHOWSTYLE=5\r\n"
                              "m_strTitle=\"  quoted  \"\r\n"
                              "m_strEmpty=\r\n"
                              "M_NSHOWSTYLE=9\r\n"
                              "m_nNeg=-12abc\r\n"
                              "m_nText=abc\r\n"
                              "single='x'\r\n"
                              "added=1\r\n"
                              "\r\n"
                              "[docinfo]\r\n"
                              "second=1\r\n"
                              "[ stCurvePara ]\r\n"
                              "wave=0,0,255\r\n"
                              "[NewSection]\r\n"
                              "k=v\r\n"));
    ini.removeKey("DocInfo", "added");
    ini.removeSection("NewSection");
    EXPECT_FALSE(ini.hasKey("DocInfo", "added"));
    EXPECT_FALSE(ini.hasSection("NewSection"));
}

TEST(IniFile, DetectsAndKeepsTheEncoding) {
    const QString zh = QStringLiteral("工程");
    struct Case {
        QByteArray bytes;
        IniFile::Encoding encoding;
    } cases[] = {
        {QByteArray("\xFF\xFE", 2) + QByteArray::fromHex("5b0061005d000d000a006b003d00e55d0b7a"),
         IniFile::Encoding::Utf16Le},
        {QByteArray("\xEF\xBB\xBF[a]\r\nk=") + zh.toUtf8(), IniFile::Encoding::Utf8Bom},
        {QByteArray("[a]\r\nk=") + zh.toUtf8(), IniFile::Encoding::Utf8},
        {QByteArray("[a]\r\nk=") + CodePage("GB18030").fromUnicode(zh), IniFile::Encoding::Gb18030},
        {QByteArray("[a]\r\nk=plain"), IniFile::Encoding::Gb18030}, // ASCII stays in the code page
    };
    for (const Case& c : cases) {
        IniFile ini;
        ini.loadFromBytes(c.bytes);
        EXPECT_EQ(ini.encoding(), c.encoding);
        if (c.bytes.endsWith("plain"))
            continue;
        EXPECT_EQ(ini.readString("a", "k"), zh);
        ini.writeString("a", "k", zh);
        IniFile again;
        again.loadFromBytes(ini.toBytes());
        EXPECT_EQ(again.encoding(), c.encoding);
        EXPECT_EQ(again.readString("a", "k"), zh);
    }
}

TEST(IniFile, NewFileIsGbkCompatibleAndSavedAtomically) {
    QTemporaryDir dir;
    const QString path = dir.filePath("DuxConfig.xml");
    WriteProfileString(path, "DocInfo", "m_strProject", QStringLiteral("桩号"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[DocInfo]\r\nm_strProject=\xD7\xAE\xBA\xC5\r\n"));
    EXPECT_EQ(ReadProfileString(path, "docinfo", "M_STRPROJECT"), QStringLiteral("桩号"));
    EXPECT_EQ(ReadProfileInt(dir.filePath("missing.ini"), "a", "b", 42), 42);
}
