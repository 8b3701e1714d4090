#include "core/doc/PrintSettings.h"
#include "platform/IniFile.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pit;

namespace {

struct Key {
    const char* name;
    const char* def; // written by a new record (Chinese interface)
    const char* alt; // another valid value
};

// The section as the program writes it, in its order, with a second valid value per key.
const Key kKeys[] = {
    {"m_bLanguage", "0", "1"},
    {"m_bHead1", "1", "0"},
    {"m_bHead2", "1", "0"},
    {"m_bWaveGraph", "1", "0"},
    {"m_bDetectResult", "1", "0"},
    {"m_bDesignParamater", "1", "0"},
    {"m_bDsType", "1", "0"},
    {"m_bDsBoltLength", "1", "0"},
    {"m_bDsInLength", "1", "0"},
    {"m_bDsOutLength", "1", "0"},
    {"m_bDsBoltDiameter", "1", "0"},
    {"m_bDsDensity", "1", "0"},
    {"m_bDsOther", "1", "0"},
    {"m_bDetectParamater", "1", "0"},
    {"m_bDtType", "1", "0"},
    {"m_bDtBoltLength", "1", "0"},
    {"m_bDtInLength", "1", "0"},
    {"m_bDtOutLength", "1", "0"},
    {"m_bDtBoltDiameter", "1", "0"},
    {"m_bDtDensity", "1", "0"},
    {"m_bDtOther", "1", "0"},
    {"m_bTestDate", "1", "0"},
    {"m_bTestTime", "0", "1"},
    {"m_bWorkDate", "0", "1"},
    {"m_bKuoDi", "0", "1"},
    {"m_bStrongLevel", "1", "0"},
    {"m_bReportRemark", "0", "1"},
    {"m_bTableHead", "1", "0"},
    {"m_bHeadInfo0", "1", "0"},
    {"m_bHeadInfo1", "1", "0"},
    {"m_bHeadInfo2", "1", "0"},
    {"m_bHeadInfo3", "1", "0"},
    {"m_bHeadInfo4", "0", "1"},
    {"m_bHeadInfo5", "1", "0"},
    {"m_bHeadInfo6", "1", "0"},
    {"m_bHeadInfo7", "0", "1"},
    {"m_bHeadInfo8", "0", "1"},
    {"m_bHeadInfo9", "0", "1"},
    {"m_bHeadInfo10", "0", "1"},
    {"m_bHeadInfo11", "0", "1"},
    {"m_bHeadInfo12", "0", "1"},
    {"m_bHeadInfo13", "0", "1"},
    {"m_bScale", "1", "0"},
    {"m_bWave", "1", "0"},
    {"m_bMoniPile", "1", "0"},
    {"m_bSpectrum", "0", "1"},
    {"m_bXiangwei", "0", "1"},
    {"m_bMoni", "0", "1"},
    {"m_bQualityAssess", "1", "0"},
    {"m_nRow", "5", "8"},
    {"m_nColumn", "1", "2"},
    {"m_nfra", "0", "-7"},
    {"m_ngrid", "0", "12345"},
    {"m_nmarginup", "20", "0"},
    {"m_nmarginleft", "20", "50"},
    {"m_nmargindown", "15", "33"},
    {"m_nmarginr", "15", "1"},
    {"m_nbindl", "0", "4"},
    {"m_nblloc", "0", "5"},
    {"m_npstyle", "1", "6"},
    {"m_strpl1", "", "线一"},
    {"m_npagepro", "0", "7"},
    {"m_strmchty", "", "KEV-DUX(W)"},
    {"m_bprpage", "0", "1"},
    {"m_npageloc", "1", "2"},
    {"m_nstpage", "1", "17"},
    {"m_nMaxPage", "0", "99"},
    {"m_npagefm", "0", "4"},
    {"m_bpagehead", "0", "1"},
    {"m_nphhei", "3", "22"},
    {"m_nphloc", "0", "2"},
    {"m_strphfont", "宋体", "黑体"},
    {"m_strphcon", "", "某某工程 检测报告"},
    {"m_bpagefoot", "0", "1"},
    {"m_npfhei", "3", "0"},
    {"m_npfloc", "0", "1"},
    {"m_strpffont", "宋体", "Arial"},
    {"m_strpfcon", "", "第 页"},
    {"m_nProType", "0", "3"},
    {"m_nInfoType", "0", "2"},
    {"m_nSingleLan", "0", "1"},
    {"m_nSingleRepType", "0", "1"},
    {"m_bWaveInfo0", "1", "0"},
    {"m_bWaveInfo1", "1", "0"},
    {"m_bWaveInfo2", "1", "0"},
    {"m_bWaveInfo3", "0", "1"},
    {"m_bWaveInfo4", "0", "1"},
    {"m_bWaveInfo5", "0", "1"},
    {"m_bFUnderline", "0", "1"},
    {"m_bFIsItalic", "0", "1"},
    {"m_bFIsBold", "0", "1"},
    {"m_bFIsStrikeOut", "0", "1"},
    {"m_bHUnderline", "0", "1"},
    {"m_bHIsItalic", "0", "1"},
    {"m_bHIsBold", "0", "1"},
    {"m_bHIsStrikeOut", "0", "1"},
    {"m_colorFoot", "0,0,0", "255,0,0"},
    {"m_colorHead", "0,0,0", "0,128,255"},
    {"m_nWaveGas", "3", "50"},
    {"m_bPrintCountType", "0", "1"},
    {"m_iPrintCountType", "0", "1"},
    {"m_iPrintType", "0", "1"},
};

QString sectionText(bool alt) {
    QString text = QStringLiteral("[REZPrintInfo]\r\n");
    for (const Key& k : kKeys)
        text += QString::fromUtf8(k.name) + u'=' + QString::fromUtf8(alt ? k.alt : k.def) +
                QStringLiteral("\r\n");
    return text;
}

QString written(const CPrintSettings& s) {
    IniFile ini;
    s.WriteSection(ini);
    ini.setEncoding(IniFile::Encoding::Utf8);
    return QString::fromUtf8(ini.toBytes());
}

CPrintSettings loaded(const QString& text, bool english = false) {
    IniFile ini;
    ini.loadFromBytes(text.toUtf8());
    CPrintSettings s;
    s.ReadSection(ini, english);
    return s;
}

} // namespace

TEST(PrintSettings, NewRecordWritesEveryKeyInOrderWithItsDefault) {
    EXPECT_EQ(written(CPrintSettings()), sectionText(false));
}

TEST(PrintSettings, EveryKeyRoundTripsToItsOwnField) {
    const CPrintSettings s = loaded(sectionText(true));
    EXPECT_EQ(written(s), sectionText(true));
    // Spot checks that keys land in the fields of the same name.
    EXPECT_EQ(s.m_bDtBoltLength, 0);
    EXPECT_EQ(s.m_nSingleLan, 1);
    EXPECT_EQ(s.m_bFIsItalic, 1);
    EXPECT_EQ(s.m_nRow, 8);
    EXPECT_EQ(s.m_colorHead, RGB(0, 128, 255));
    EXPECT_EQ(s.m_strphcon, QStringLiteral("某某工程 检测报告"));
    EXPECT_EQ(s.m_bHeadInfo[4], 1);
    EXPECT_EQ(s.m_bWaveInfo[0], 0);
}

TEST(PrintSettings, MissingSectionGivesDefaultsExceptTestTime) {
    for (bool english : {false, true}) {
        CPrintSettings expected(english);
        expected.m_bTestTime = 1;
        EXPECT_EQ(loaded(QString(), english), expected) << english;
        EXPECT_EQ(expected.m_bLanguage, english ? 1 : 0);
        EXPECT_EQ(expected.m_nProType, english ? 2 : 0);
    }
}

TEST(PrintSettings, ValuesAreReadWithTheirRulesAndRanges) {
    struct Case {
        const char* line;
        int CPrintSettings::*field;
        int expected;
    } cases[] = {
        {"m_bHead1=2", &CPrintSettings::m_bHead1, 0},
        {"m_bHead1=1", &CPrintSettings::m_bHead1, 1},
        {"m_bHead1=-1", &CPrintSettings::m_bHead1, 0},
        {"m_bprpage=3", &CPrintSettings::m_bprpage, 0},
        {"m_nRow=12", &CPrintSettings::m_nRow, 10},
        {"m_nRow=0", &CPrintSettings::m_nRow, 3},
        {"m_nColumn=0", &CPrintSettings::m_nColumn, 1},
        {"m_nColumn=3", &CPrintSettings::m_nColumn, 2},
        {"m_nphhei=23", &CPrintSettings::m_nphhei, 22},
        {"m_npfhei=-4", &CPrintSettings::m_npfhei, 0},
        {"m_nphloc=9", &CPrintSettings::m_nphloc, 2},
        {"m_npageloc=-1", &CPrintSettings::m_npageloc, 0},
        {"m_npagefm=5", &CPrintSettings::m_npagefm, 4},
        {"m_nProType=4", &CPrintSettings::m_nProType, 3},
        {"m_nInfoType=3", &CPrintSettings::m_nInfoType, 2},
        {"m_nSingleRepType=2", &CPrintSettings::m_nSingleRepType, 1},
        {"m_nmarginup=-3", &CPrintSettings::m_nmarginup, 0},
        {"m_nmarginr=80", &CPrintSettings::m_nmarginr, 80}, // typed above the spin range, kept
        {"m_nmarginleft=150", &CPrintSettings::m_nmarginleft, 100},
        {"m_nstpage=-2", &CPrintSettings::m_nstpage, 0},
        {"m_nWaveGas=1", &CPrintSettings::m_nWaveGas, 3},
        {"m_nWaveGas=70", &CPrintSettings::m_nWaveGas, 50},
        {"m_iPrintType=5", &CPrintSettings::m_iPrintType, 1},
        {"m_nfra=-7", &CPrintSettings::m_nfra, -7}, // stored only: as read
    };
    for (const Case& c : cases) {
        const CPrintSettings s = loaded(QStringLiteral("[REZPrintInfo]\n") + QString::fromUtf8(c.line));
        EXPECT_EQ(s.*c.field, c.expected) << c.line;
    }
}

TEST(PrintSettings, TextsAreCutAt259AndKeptOnOneLine) {
    const QString longText(300, u'字');
    const CPrintSettings s = loaded(QStringLiteral("[REZPrintInfo]\nm_strphcon=") + longText);
    EXPECT_EQ(s.m_strphcon, longText.left(259));

    CPrintSettings t;
    t.m_strpfcon = QStringLiteral("第一行\r\n第二行\n第三行");
    EXPECT_TRUE(written(t).contains(QStringLiteral("\r\nm_strpfcon=第一行 第二行 第三行\r\n")));
}

TEST(PrintSettings, SetProTypeParksStylesPerFormatFamily) {
    CPrintSettings s;
    s.m_bSpectrum = 1;
    s.SetProType(1);
    // Format 1 fetches its own reset set.
    EXPECT_EQ(s.m_nProType, 1);
    EXPECT_EQ(s.m_bSpectrum, 0);
    const int wave1[6] = {0, 0, 0, 0, 1, 0};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(s.m_bWaveInfo[n], wave1[n]) << n;
    EXPECT_EQ(s.m_bHeadInfo[12], 1);
    s.m_bScale = 0; // a change made under format 1 ...
    s.SetProType(0);
    EXPECT_EQ(s.m_bSpectrum, 1) << "format 0 gets back what it had";
    EXPECT_EQ(s.m_bHeadInfo[12], 0);
    s.SetProType(2);
    EXPECT_EQ(s.m_bSpectrum, 1) << "formats 0 and 2 share one set";
    EXPECT_EQ(s.m_nProType, 2);
    s.SetProType(1);
    EXPECT_EQ(s.m_bScale, 0) << "... is still there when format 1 comes back";

    s.m_bWave = 0;
    s.SetProType(-1);
    EXPECT_EQ(s.m_nProType, 1) << "a negative format only parks";
    EXPECT_EQ(s.m_PITStyle.m_bWave, 0);
}

TEST(PrintSettings, ExchangeStyleTouchesOnlyTheStyleFields) {
    CPrintSettings s;
    CDUXPrintStyleInfo style;
    style.m_bTableHead = 0;
    style.m_bHeadInfo[13] = 1;
    style.m_bWaveInfo[5] = 1;
    s.ExchangeStyle(style, false);
    EXPECT_EQ(s.m_bTableHead, 0);
    EXPECT_EQ(s.m_bHeadInfo[13], 1);
    EXPECT_EQ(s.m_bWaveInfo[5], 1);
    EXPECT_EQ(s.m_bQualityAssess, 1);

    s.m_bMoniPile = 0;
    s.ExchangeStyle(style, true);
    EXPECT_EQ(style.m_bMoniPile, 0);
}

TEST(PrintSettings, StyleRecordsAreNotStored) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DuxConfig.xml"));
    CPrintSettings s;
    s.SetProType(1);
    s.m_bSpectrum = 1;
    s.SetProType(0); // parks the spectrum in the format-1 set
    ASSERT_TRUE(s.SaveToIni(path));
    CPrintSettings t;
    t.LoadFromIni(path);
    EXPECT_EQ(t.m_PITStyle, CPITPrintStyleInfo()) << "after a restart the parked set is reset";
    EXPECT_EQ(t.m_bTestTime, 0) << "a saved key, not the missing-key default";
}

TEST(PrintSettings, EnteringProjectReportsFollowsTheInterfaceLanguage) {
    struct Case {
        bool english;
        int stored, format, kind, language;
    } cases[] = {
        {false, 0, 0, 2, 0}, {false, 1, 1, 3, 0}, {false, 2, 0, 2, 0}, {false, 3, 1, 3, 0},
        {true, 0, 2, 4, 1},  {true, 1, 3, 5, 1},  {true, 2, 2, 4, 1},  {true, 3, 3, 5, 1},
    };
    // The report language follows the format whichever language was left
    // behind (by a session with the other interface, or the settings pages).
    for (const Case& c : cases)
        for (int before : {0, 1}) {
            CPrintSettings s(false);
            s.m_nProType = c.stored;
            s.m_bLanguage = before;
            EXPECT_EQ(s.EnterProjectReports(c.english), c.kind) << c.english << c.stored;
            EXPECT_EQ(s.m_nReportKind, c.kind);
            EXPECT_EQ(s.m_nProType, c.format);
            EXPECT_EQ(s.m_bLanguage, c.language) << c.english << c.stored << before;
        }
}
