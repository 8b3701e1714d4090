// The settings file "DuxConfig.xml" (INI syntax): the print settings, the
// curve style and the document's own values ("DocInfo"), read once when the
// document is made and rewritten whole when it goes away.
#pragma once

#include <QString>

class CCurveStyle;
class CPrintSettings;

namespace pit {

class IniFile;

// The values of section "DocInfo", with the document's initial values.
struct DocInfo {
    bool m_bReportMode = false;
    int m_nShowStyle = 1; // 1 time axis, 2 length axis
    int m_nRefineIndex = 8;
    int m_nPhaseRefineIndex = 1;
    int m_nGapIndex = 1;
    int m_nFillWave = 0;
    float m_fZoomRateDefine = 300.0f;
    float m_fMoveScale = 10.0f;
    float m_fMovePoint = 10.0f;
    // "FilePath": the last project's index file; "FileName": its last pile
    // file. The document fills both before saving and, after loading, opens
    // the index when FilePath names one (else FileName is dropped).
    QString FilePath;
    QString FileName;
    int m_nWaveWidth = 1;
    float m_nFontRate = 14.0f;
    int m_nYiqiXinghao = 0;
    int m_nJianceYiju = 0;
    // Default folder of the ZEZ conversion (an application value).
    QString m_strPITDefaultDir = DefaultConversionDir();
    int m_nDecimalPointNum = 2;
    bool m_bEnableTestDate = false;
    bool m_bIsMultiplePictrue = false;
    bool m_bIsKeepState = false; // the current record's keep-state flag
    bool m_bDefineRow = true;
    int m_iAge = 14;
    int m_iAllAge = 14;

    static QString DefaultConversionDir();
    bool operator==(const DocInfo&) const = default;
};

// stateDir()/DuxConfig.xml
QString SettingsFilePath();

// Section "DocInfo" alone. The font size is checked against the print
// settings' rows per page, so those are read first.
void ReadDocInfoSection(const IniFile& ini, DocInfo& doc, int rowsPerPage);
void WriteDocInfoSection(IniFile& ini, const DocInfo& doc);

// Reads the whole file in the order print settings, curve style, "DocInfo".
// False when there is no file: then nothing is changed.
bool LoadDocInfo(const QString& path, CPrintSettings& print, CCurveStyle& curve, DocInfo& doc,
                 bool englishInterface);
// Rewrites the whole file (keys of older versions disappear) in one atomic
// replace: a failure leaves the old file as it was and gives false.
bool SaveDocInfo(const QString& path, const CPrintSettings& print, const CCurveStyle& curve,
                 const DocInfo& doc);
// SaveDocInfo that throws FileError, naming the cause, instead of giving false.
void WriteDocInfo(const QString& path, const CPrintSettings& print, const CCurveStyle& curve,
                  const DocInfo& doc);

} // namespace pit
