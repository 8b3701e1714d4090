#include "core/doc/DocSettings.h"
#include "core/doc/CurveStyle.h"
#include "core/doc/PrintSettings.h"
#include "platform/CodePage.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace pit;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& b) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

IniFile iniOf(const char* utf8) {
    IniFile ini;
    ini.loadFromBytes(QByteArray(utf8));
    return ini;
}

struct Loaded {
    CPrintSettings print;
    CCurveStyle curve;
    DocInfo doc;
};

Loaded loadText(const char* utf8) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DuxConfig.xml"));
    writeBytes(path, QByteArray(utf8));
    Loaded l;
    EXPECT_TRUE(LoadDocInfo(path, l.print, l.curve, l.doc, false));
    return l;
}

} // namespace

TEST(CurveStyle, WritesCentreBetweenYAxisAndHeadWithItsOwnValues) {
    CCurveStyle c;
    c[CurveElement::YAxis] = {RGB(1, 2, 3), 1, 2};
    c[CurveElement::Center] = {RGB(200, 100, 0), 4, 0};
    c[CurveElement::Pile] = {RGB(9, 9, 9), 3, 1};
    c.IsSmooth = 2; // only 1 is on
    IniFile ini;
    c.WriteSection(ini);
    ini.setEncoding(IniFile::Encoding::Utf8);
    EXPECT_EQ(QString::fromUtf8(ini.toBytes()),
              QStringLiteral("[stCurvePara]\r\n"
                             "color_wave=50,50,200\r\nstyle_wave=0\r\nwidth_wave=1\r\n"
                             "color_absci=0,0,0\r\nstyle_absci=0\r\nwidth_absci=0\r\n"
                             "color_yaxis=1,2,3\r\nstyle_yaxis=1\r\nwidth_yaxis=2\r\n"
                             "color_center=200,100,0\r\nstyle_center=4\r\nwidth_center=0\r\n"
                             "color_head=0,0,0\r\nstyle_head=3\r\nwidth_head=0\r\n"
                             "color_bttm=0,0,0\r\nstyle_bttm=4\r\nwidth_bttm=0\r\n"
                             "color_bug=0,0,0\r\nstyle_bug=1\r\nwidth_bug=0\r\n"
                             "color_pile=9,9,9\r\nstyle_pile=3\r\nwidth_pile=1\r\n"
                             "IsSmooth=0\r\n"));
}

TEST(CurveStyle, ReadDefaultsDifferFromANewRecord) {
    CCurveStyle fresh;
    EXPECT_EQ(fresh[CurveElement::Wave].color, RGB(50, 50, 200));
    EXPECT_EQ(fresh[CurveElement::Pile].style, 0);

    CCurveStyle c;
    c.ReadSection(iniOf("[stCurvePara]\nstyle_center=2\n"));
    EXPECT_EQ(c[CurveElement::Wave].color, RGB(50, 50, 250));
    EXPECT_EQ(c[CurveElement::Pile], (CCurveStyle::Pen{0, 1, 0}));
    EXPECT_EQ(c[CurveElement::Center], (CCurveStyle::Pen{0, 2, 0}));
    EXPECT_EQ(c[CurveElement::Head], (CCurveStyle::Pen{0, 3, 0}));
    EXPECT_EQ(c.IsSmooth, 0);
}

TEST(CurveStyle, RoundTripsEveryEntryAndClampsTheStyle) {
    CCurveStyle c;
    for (int i = 0; i < CCurveStyle::kCount; ++i)
        c.m_pens[size_t(i)] = {RGB(10 * i, 20 + i, 255 - i), i % 5, i};
    c.IsSmooth = 1;
    IniFile ini;
    c.WriteSection(ini);
    CCurveStyle back;
    back.ReadSection(ini);
    EXPECT_EQ(back, c);

    back.ReadSection(iniOf("[stCurvePara]\nstyle_pile=9\nwidth_pile=-2\n"));
    EXPECT_EQ(back[CurveElement::Pile].style, 4) << "five pen styles";
    EXPECT_EQ(back[CurveElement::Pile].width, 0);
}

TEST(DocSettings, MissingFileChangesNothing) {
    QTemporaryDir dir;
    CPrintSettings print;
    print.m_nRow = 7;
    CCurveStyle curve;
    DocInfo doc;
    doc.m_nShowStyle = 2;
    EXPECT_FALSE(LoadDocInfo(dir.filePath(QStringLiteral("none.xml")), print, curve, doc, false));
    EXPECT_EQ(print.m_nRow, 7);
    EXPECT_EQ(doc.m_nShowStyle, 2);
    EXPECT_EQ(curve, CCurveStyle());
}

TEST(DocSettings, EmptyFileGivesTheReadDefaults) {
    const Loaded l = loadText("");
    DocInfo expected;
    expected.m_nFontRate = 12.0f; // the read default, not the initial 14
    EXPECT_EQ(l.doc, expected);
    EXPECT_EQ(l.print.m_bTestTime, 1);
    EXPECT_EQ(l.curve[CurveElement::Wave].color, RGB(50, 50, 250));
}

TEST(DocSettings, EveryDocInfoKeyRoundTrips) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DuxConfig.xml"));
    DocInfo d;
    d.m_bReportMode = true;
    d.m_nShowStyle = 2;
    d.m_nRefineIndex = 16;
    d.m_nPhaseRefineIndex = 4;
    d.m_nGapIndex = 2;
    d.m_nFillWave = 3;
    d.m_fZoomRateDefine = 250.5f;
    d.m_fMoveScale = 2.25f;
    d.m_fMovePoint = 7.0f;
    d.FilePath = QStringLiteral("/数据/工程A/工程A.DUP");
    d.FileName =
        QStringLiteral("/数据/工程A/") + QString(300, u'x') + QStringLiteral(".DUX"); // no length limit
    d.m_nWaveWidth = 5;
    d.m_nFontRate = 9.5f;
    d.m_nYiqiXinghao = 10;
    d.m_nJianceYiju = 3;
    d.m_strPITDefaultDir = QStringLiteral("/输出");
    d.m_nDecimalPointNum = 3;
    d.m_bEnableTestDate = true;
    d.m_bIsMultiplePictrue = true;
    d.m_bIsKeepState = true;
    d.m_bDefineRow = false;
    d.m_iAge = 28;
    d.m_iAllAge = 9999;
    ASSERT_TRUE(SaveDocInfo(path, CPrintSettings(), CCurveStyle(), d));

    CPrintSettings print;
    CCurveStyle curve;
    DocInfo back;
    ASSERT_TRUE(LoadDocInfo(path, print, curve, back, false));
    EXPECT_EQ(back, d);
    EXPECT_EQ(print, CPrintSettings());
    EXPECT_EQ(curve, CCurveStyle());
}

TEST(DocSettings, WrittenFileHoldsTheSectionsInOrderWithLocaleFreeNumbers) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DuxConfig.xml"));
    writeBytes(path, "[Old]\r\nstale=1\r\n[DocInfo]\r\nm_nOldKey=5\r\n");
    DocInfo d;
    d.m_fMoveScale = 12.5f;
    ASSERT_TRUE(SaveDocInfo(path, CPrintSettings(), CCurveStyle(), d));
    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.sections(), (QStringList{"REZPrintInfo", "stCurvePara", "DocInfo"}));
    EXPECT_FALSE(ini.hasKey(QStringLiteral("DocInfo"), QStringLiteral("m_nOldKey")));
    const QStringList keys = ini.keys(QStringLiteral("DocInfo"));
    EXPECT_EQ(keys, (QStringList{"m_bReportMode",
                                 "m_nShowStyle",
                                 "m_nRefineIndex",
                                 "m_nPhaseRefineIndex",
                                 "m_nGapIndex",
                                 "m_nFillWave",
                                 "m_fZoomRateDefine",
                                 "m_fMoveScale",
                                 "m_fMovePoint",
                                 "FilePath",
                                 "FileName",
                                 "m_nWaveWidth",
                                 "m_nFontRate",
                                 "m_nYiqiXinghao",
                                 "m_nJianceYiju",
                                 "m_strPITDefaultDir",
                                 "m_nDecimalPointNum",
                                 "m_bEnableTestDate",
                                 "m_bIsMultiplePictrue",
                                 "m_bIsKeepState",
                                 "m_bDefineRow",
                                 "m_iAge",
                                 "m_iAllAge"}));
    const QByteArray bytes = fileBytes(path);
    EXPECT_TRUE(bytes.contains("\r\nm_fZoomRateDefine=300.000000\r\nm_fMoveScale=12.500000\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nm_nFontRate=14.000000\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nm_bDefineRow=1\r\n"));
}

TEST(DocSettings, ChineseTextIsStoredInTheChineseCodePage) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DuxConfig.xml"));
    DocInfo d;
    d.FileName = QStringLiteral("/桩基/1号桩.DUX");
    CPrintSettings print;
    print.m_strphcon = QStringLiteral("第一行\n第二行");
    ASSERT_TRUE(SaveDocInfo(path, print, CCurveStyle(), d));
    const QByteArray bytes = fileBytes(path);
    // GBK: 桩 D7 AE, 基 BB F9, 号 BA C5.
    EXPECT_TRUE(bytes.contains("\r\nFileName=/\xD7\xAE\xBB\xF9/1\xBA\xC5\xD7\xAE.DUX\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nm_strphfont=\xCB\xCE\xCC\xE5\r\n")); // 宋体
    EXPECT_FALSE(bytes.contains("\n\xB5\xDA\xB6\xFE")) << "a line break inside a value starts no line";

    CPrintSettings p;
    CCurveStyle c;
    DocInfo back;
    ASSERT_TRUE(LoadDocInfo(path, p, c, back, false));
    EXPECT_EQ(back.FileName, d.FileName);
    EXPECT_EQ(p.m_strphcon, QStringLiteral("第一行 第二行"));
}

TEST(DocSettings, ReadRulesForBooleansAndRanges) {
    const Loaded l = loadText("[DocInfo]\nm_bReportMode=2\nm_bDefineRow=0\nm_nYiqiXinghao=11\n"
                              "m_nJianceYiju=-1\nm_nShowStyle=3\nm_nWaveWidth=0\nm_nFillWave=9\n"
                              "m_nDecimalPointNum=0\nm_iAge=0\nm_iAllAge=10000\nm_nRefineIndex=0\n"
                              "m_fMoveScale=abc\nm_fMovePoint= 2.5x\n");
    EXPECT_FALSE(l.doc.m_bReportMode);
    EXPECT_FALSE(l.doc.m_bDefineRow);
    EXPECT_EQ(l.doc.m_nYiqiXinghao, 10);
    EXPECT_EQ(l.doc.m_nJianceYiju, 0);
    EXPECT_EQ(l.doc.m_nShowStyle, 2);
    EXPECT_EQ(l.doc.m_nWaveWidth, 1);
    EXPECT_EQ(l.doc.m_nFillWave, 3);
    EXPECT_EQ(l.doc.m_nDecimalPointNum, 1);
    EXPECT_EQ(l.doc.m_iAge, 1);
    EXPECT_EQ(l.doc.m_iAllAge, 9999);
    EXPECT_EQ(l.doc.m_nRefineIndex, 1);
    EXPECT_EQ(l.doc.m_fMoveScale, 0.0f) << "a text without a number reads as 0, as atof gives";
    EXPECT_EQ(l.doc.m_fMovePoint, 2.5f);
}

TEST(DocSettings, FontRateOutside5To15FollowsTheRowsPerPage) {
    struct Case {
        const char* fontRate;
        int rows;
        float expected;
    } cases[] = {
        {"20", 6, 8.0f}, {"20", 3, 14.0f}, {"4.9", 4, 11.0f},  {"20", 5, 11.0f}, {"0", 7, 8.0f},
        {"16", 8, 7.5f}, {"16", 9, 7.5f},  {"16", 10, 6.5f},   {"16", 12, 6.5f}, // rows clamp to 10
        {"5", 10, 5.0f}, {"15", 3, 15.0f}, {"9.25", 6, 9.25f},
    };
    for (const Case& c : cases) {
        const QByteArray text = QByteArray("[REZPrintInfo]\nm_nRow=") + QByteArray::number(c.rows) +
                                "\n[DocInfo]\nm_nFontRate=" + c.fontRate + "\n";
        const Loaded l = loadText(text.constData());
        EXPECT_EQ(l.doc.m_nFontRate, c.expected) << c.fontRate << " rows " << c.rows;
    }
}

TEST(DocSettings, FailedRewriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("DuxConfig.xml"));
    DocInfo d;
    d.m_nShowStyle = 2;
    ASSERT_TRUE(SaveDocInfo(path, CPrintSettings(), CCurveStyle(), d));
    const QByteArray before = fileBytes(path);

    // A file-size limit makes every write past 512 bytes fail, as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    d.m_nShowStyle = 1;
    const bool saved = SaveDocInfo(path, CPrintSettings(), CCurveStyle(), d);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("DuxConfig.xml")})
        << "no temporary file is left behind";
}
