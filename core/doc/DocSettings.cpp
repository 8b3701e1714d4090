#include "core/doc/DocSettings.h"

#include "core/doc/CurveStyle.h"
#include "core/doc/PrintSettings.h"
#include "core/doc/ProfileValues.h"
#include "platform/FileError.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <climits>
#include <cmath>

namespace pit {

namespace {

const QString kSection = QStringLiteral("DocInfo");

float finiteOr(float v, float def) {
    return std::isfinite(v) ? v : def;
}

// A font size outside 5..15 points is replaced by the one that fits the rows per page.
float fitFontRate(float v, int rows) {
    if (v >= 5.0f && v <= 15.0f)
        return v;
    switch (rows) {
    case 3:
        return 14.0f;
    case 4:
    case 5:
        return 11.0f;
    case 6:
    case 7:
        return 8.0f;
    case 8:
    case 9:
        return 7.5f;
    case 10:
        return 6.5f;
    default:
        return v;
    }
}

} // namespace

QString DocInfo::DefaultConversionDir() {
    return QDir::homePath();
}

QString SettingsFilePath() {
    return joinPath(stateDir(), QStringLiteral("DuxConfig.xml"));
}

void ReadDocInfoSection(const IniFile& ini, DocInfo& d, int rowsPerPage) {
    using namespace profile;
    const QString& s = kSection;
    // Indexes into option tables and counts the views divide by are kept in
    // the ranges their pages allow.
    d.m_bReportMode = readBool(ini, s, QStringLiteral("m_bReportMode"), 0);
    d.m_nShowStyle = readIntIn(ini, s, QStringLiteral("m_nShowStyle"), 1, 1, 2);
    d.m_nRefineIndex = readIntIn(ini, s, QStringLiteral("m_nRefineIndex"), 8, 1, INT_MAX);
    d.m_nPhaseRefineIndex = readIntIn(ini, s, QStringLiteral("m_nPhaseRefineIndex"), 1, 1, INT_MAX);
    d.m_nGapIndex = readIntIn(ini, s, QStringLiteral("m_nGapIndex"), 1, 1, INT_MAX);
    d.m_nFillWave = readIntIn(ini, s, QStringLiteral("m_nFillWave"), 0, 0, 3);
    d.m_fZoomRateDefine =
        finiteOr(readFloat(ini, s, QStringLiteral("m_fZoomRateDefine"), QStringLiteral("300")), 300.0f);
    d.m_fMoveScale = finiteOr(readFloat(ini, s, QStringLiteral("m_fMoveScale"), QStringLiteral("10")), 10.0f);
    d.m_fMovePoint = finiteOr(readFloat(ini, s, QStringLiteral("m_fMovePoint"), QStringLiteral("10")), 10.0f);
    d.FilePath = readText(ini, s, QStringLiteral("FilePath"), QString(), -1);
    d.FileName = readText(ini, s, QStringLiteral("FileName"), QString(), -1);
    d.m_nWaveWidth = readIntIn(ini, s, QStringLiteral("m_nWaveWidth"), 1, 1, 5);
    d.m_nFontRate =
        fitFontRate(readFloat(ini, s, QStringLiteral("m_nFontRate"), QStringLiteral("12.0")), rowsPerPage);
    d.m_nYiqiXinghao = readIntIn(ini, s, QStringLiteral("m_nYiqiXinghao"), 0, 0, 10);
    d.m_nJianceYiju = readIntIn(ini, s, QStringLiteral("m_nJianceYiju"), 0, 0, 10);
    d.m_strPITDefaultDir =
        readText(ini, s, QStringLiteral("m_strPITDefaultDir"), DocInfo::DefaultConversionDir(), -1);
    d.m_nDecimalPointNum = readIntIn(ini, s, QStringLiteral("m_nDecimalPointNum"), 2, 1, 6);
    d.m_bEnableTestDate = readBool(ini, s, QStringLiteral("m_bEnableTestDate"), 0);
    d.m_bIsMultiplePictrue = readBool(ini, s, QStringLiteral("m_bIsMultiplePictrue"), 0);
    d.m_bIsKeepState = readBool(ini, s, QStringLiteral("m_bIsKeepState"), 0);
    d.m_bDefineRow = readBool(ini, s, QStringLiteral("m_bDefineRow"), 1);
    d.m_iAge = readIntIn(ini, s, QStringLiteral("m_iAge"), 14, 1, 9999);
    d.m_iAllAge = readIntIn(ini, s, QStringLiteral("m_iAllAge"), 14, 1, 9999);
}

void WriteDocInfoSection(IniFile& ini, const DocInfo& d) {
    using namespace profile;
    const QString& s = kSection;
    writeBool(ini, s, QStringLiteral("m_bReportMode"), d.m_bReportMode);
    writeInt(ini, s, QStringLiteral("m_nShowStyle"), d.m_nShowStyle);
    writeInt(ini, s, QStringLiteral("m_nRefineIndex"), d.m_nRefineIndex);
    writeInt(ini, s, QStringLiteral("m_nPhaseRefineIndex"), d.m_nPhaseRefineIndex);
    writeInt(ini, s, QStringLiteral("m_nGapIndex"), d.m_nGapIndex);
    writeInt(ini, s, QStringLiteral("m_nFillWave"), d.m_nFillWave);
    writeFloat(ini, s, QStringLiteral("m_fZoomRateDefine"), d.m_fZoomRateDefine);
    writeFloat(ini, s, QStringLiteral("m_fMoveScale"), d.m_fMoveScale);
    writeFloat(ini, s, QStringLiteral("m_fMovePoint"), d.m_fMovePoint);
    writeText(ini, s, QStringLiteral("FilePath"), d.FilePath);
    writeText(ini, s, QStringLiteral("FileName"), d.FileName);
    writeInt(ini, s, QStringLiteral("m_nWaveWidth"), d.m_nWaveWidth);
    writeFloat(ini, s, QStringLiteral("m_nFontRate"), d.m_nFontRate);
    writeInt(ini, s, QStringLiteral("m_nYiqiXinghao"), d.m_nYiqiXinghao);
    writeInt(ini, s, QStringLiteral("m_nJianceYiju"), d.m_nJianceYiju);
    writeText(ini, s, QStringLiteral("m_strPITDefaultDir"), d.m_strPITDefaultDir);
    writeInt(ini, s, QStringLiteral("m_nDecimalPointNum"), d.m_nDecimalPointNum);
    writeBool(ini, s, QStringLiteral("m_bEnableTestDate"), d.m_bEnableTestDate);
    writeBool(ini, s, QStringLiteral("m_bIsMultiplePictrue"), d.m_bIsMultiplePictrue);
    writeBool(ini, s, QStringLiteral("m_bIsKeepState"), d.m_bIsKeepState);
    writeBool(ini, s, QStringLiteral("m_bDefineRow"), d.m_bDefineRow);
    writeInt(ini, s, QStringLiteral("m_iAge"), d.m_iAge);
    writeInt(ini, s, QStringLiteral("m_iAllAge"), d.m_iAllAge);
}

bool LoadDocInfo(const QString& path, CPrintSettings& print, CCurveStyle& curve, DocInfo& doc,
                 bool englishInterface) {
    if (!QFileInfo(path).isFile())
        return false;
    IniFile ini;
    if (!ini.load(path))
        return false;
    print.ReadSection(ini, englishInterface);
    curve.ReadSection(ini);
    ReadDocInfoSection(ini, doc, print.m_nRow);
    return true;
}

void WriteDocInfo(const QString& path, const CPrintSettings& print, const CCurveStyle& curve,
                  const DocInfo& doc) {
    IniFile ini; // a new file: nothing of an older version is carried over
    print.WriteSection(ini);
    curve.WriteSection(ini);
    WriteDocInfoSection(ini, doc);
    ini.save(path);
}

bool SaveDocInfo(const QString& path, const CPrintSettings& print, const CCurveStyle& curve,
                 const DocInfo& doc) {
    try {
        WriteDocInfo(path, print, curve, doc);
    } catch (const FileError&) {
        return false;
    }
    return true;
}

} // namespace pit
