// The print settings record (section "REZPrintInfo" of the settings file) and
// the print style records that park the project report's printed items per
// report format family while the program runs.
#pragma once

#include "platform/Color.h"

#include <QString>

namespace pit {
class IniFile;
}

// 25 layout flags of the project report; the derived records differ only in Reset.
class CPrintStyleInfo {
public:
    virtual ~CPrintStyleInfo() = default;
    virtual void Reset() {}

    int m_bTableHead = 0;
    int m_bWave = 0;
    int m_bSpectrum = 0;
    int m_bMoniPile = 0;
    int m_bScale = 0;
    int m_bWaveInfo[6] = {};
    int m_bHeadInfo[14] = {};

    bool operator==(const CPrintStyleInfo& o) const;
};

// Format 1 ("报告格式一").
class CPITPrintStyleInfo : public CPrintStyleInfo {
public:
    CPITPrintStyleInfo() { CPITPrintStyleInfo::Reset(); }
    void Reset() override;
};

// Formats 0, 2 and 3.
class CDUXPrintStyleInfo : public CPrintStyleInfo {
public:
    CDUXPrintStyleInfo() { CDUXPrintStyleInfo::Reset(); }
    void Reset() override;
};

class CPrintSettings {
public:
    // The report language and project format follow the interface language.
    explicit CPrintSettings(bool englishInterface = false);

    // Missing file, section or key: that key's default. Values the pages keep
    // in a range are clamped to it, since report layout indexes and divides by them.
    void LoadFromIni(const QString& path, bool englishInterface = false);
    // Writes the section into the file (an atomic rewrite); false when it cannot be written.
    bool SaveToIni(const QString& path) const;
    void ReadSection(const pit::IniFile& ini, bool englishInterface);
    void WriteSection(pit::IniFile& ini) const;

    // Parks the live style fields in the old format's style record and, for
    // t >= 0, switches to format t and fetches its style fields.
    void SetProType(int t);
    // toStyle true: live fields -> style; false: style -> live fields.
    void ExchangeStyle(CPrintStyleInfo& style, bool toStyle);
    // Entering project reports (report mode and the batch): the project
    // format follows the interface language (English 0, 1 -> 2, 3; Chinese
    // 2, 3 -> 0, 1), the report language follows the format (English for 2
    // and 3, Chinese for 0 and 1), the report kind becomes format + 2 and the
    // style fields switch to the format.
    // Returns the report kind (5: the fixed-English report).
    int EnterProjectReports(bool englishInterface);

    bool operator==(const CPrintSettings& o) const;

    static constexpr const char* kSection = "REZPrintInfo";

    int m_nReportKind = 1; // not stored
    int m_bLanguage = 0;
    int m_bHead1 = 1;
    int m_bHead2 = 1;
    int m_bWaveGraph = 1;
    int m_bDetectResult = 1;
    int m_bDesignParamater = 1;
    int m_bDsType = 1;
    int m_bDsBoltLength = 1;
    int m_bDsInLength = 1;
    int m_bDsOutLength = 1;
    int m_bDsBoltDiameter = 1;
    int m_bDsDensity = 1;
    int m_bDsOther = 1;
    int m_bDetectParamater = 1;
    int m_bDtType = 1;
    int m_bDtBoltLength = 1;
    int m_bDtInLength = 1;
    int m_bDtOutLength = 1;
    int m_bDtBoltDiameter = 1;
    int m_bDtDensity = 1;
    int m_bDtOther = 1;
    int m_bTestDate = 1;
    int m_bTestTime = 0;
    int m_bWorkDate = 0;
    int m_bKuoDi = 0;
    int m_bStrongLevel = 1;
    int m_bReportRemark = 0;
    int m_bPrintCountType = 0;
    int m_iPrintCountType = 0;
    int m_bTableHead = 1;
    int m_bHeadInfo[14] = {1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    int m_iPrintType = 0;
    int m_bScale = 1;
    int m_bWave = 1;
    int m_bMoniPile = 1;
    int m_bSpectrum = 0;
    int m_bXiangwei = 0;
    int m_bMoni = 0;
    int m_bQualityAssess = 1;
    int m_nRow = 5;
    int m_nColumn = 1;
    int m_nfra = 0;
    int m_ngrid = 0;
    int m_nmarginup = 20;
    int m_nmarginleft = 20;
    int m_nmargindown = 15;
    int m_nmarginr = 15;
    int m_nbindl = 0;
    int m_nblloc = 0;
    int m_npstyle = 1;
    QString m_strpl1;
    int m_npagepro = 0;
    QString m_strmchty;
    int m_bprpage = 0;
    int m_npageloc = 1;
    int m_nstpage = 1;
    int m_nMaxPage = 0;
    int m_npagefm = 0;
    int m_bpagehead = 0;
    int m_nphhei = 3;
    int m_nphloc = 0;
    QString m_strphfont = QStringLiteral("宋体");
    QString m_strphcon;
    int m_bpagefoot = 0;
    int m_npfhei = 3;
    int m_npfloc = 0;
    QString m_strpffont = QStringLiteral("宋体");
    QString m_strpfcon;
    int m_bFUnderline = 0;
    int m_bFIsBold = 0;
    int m_bFIsItalic = 0;
    int m_bFIsStrikeOut = 0;
    int m_bHUnderline = 0;
    int m_bHIsBold = 0;
    int m_bHIsItalic = 0;
    int m_bHIsStrikeOut = 0;
    pit::COLORREF m_colorFoot = 0;
    pit::COLORREF m_colorHead = 0;
    int m_nProType = 0;
    int m_nInfoType = 0;
    int m_nSingleLan = 0;
    int m_nSingleRepType = 0;
    int m_bWaveInfo[6] = {1, 1, 1, 0, 0, 0};
    CPITPrintStyleInfo m_PITStyle;
    CDUXPrintStyleInfo m_DUXStyle;
    int m_nWaveGas = 3;
    int m_nDecimalPointNum = 2; // not stored
    float m_fFontRate = 14.0f;  // not stored
};
