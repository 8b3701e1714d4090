#include "core/doc/PrintSettings.h"

#include "core/doc/ProfileValues.h"
#include "platform/IniFile.h"

#include <QStringList>
#include <algorithm>
#include <climits>

using namespace pit;

namespace {

// Every stored key in the order of the written file; the load and the save
// walk this one list so they can never disagree on a key or a default.
template <class S, class V> void visitKeys(S& s, bool english, V&& v) {
    v.flag("m_bLanguage", s.m_bLanguage, english ? 1 : 0);
    v.flag("m_bHead1", s.m_bHead1, 1);
    v.flag("m_bHead2", s.m_bHead2, 1);
    v.flag("m_bWaveGraph", s.m_bWaveGraph, 1);
    v.flag("m_bDetectResult", s.m_bDetectResult, 1);
    v.flag("m_bDesignParamater", s.m_bDesignParamater, 1);
    v.flag("m_bDsType", s.m_bDsType, 1);
    v.flag("m_bDsBoltLength", s.m_bDsBoltLength, 1);
    v.flag("m_bDsInLength", s.m_bDsInLength, 1);
    v.flag("m_bDsOutLength", s.m_bDsOutLength, 1);
    v.flag("m_bDsBoltDiameter", s.m_bDsBoltDiameter, 1);
    v.flag("m_bDsDensity", s.m_bDsDensity, 1);
    v.flag("m_bDsOther", s.m_bDsOther, 1);
    v.flag("m_bDetectParamater", s.m_bDetectParamater, 1);
    v.flag("m_bDtType", s.m_bDtType, 1);
    v.flag("m_bDtBoltLength", s.m_bDtBoltLength, 1);
    v.flag("m_bDtInLength", s.m_bDtInLength, 1);
    v.flag("m_bDtOutLength", s.m_bDtOutLength, 1);
    v.flag("m_bDtBoltDiameter", s.m_bDtBoltDiameter, 1);
    v.flag("m_bDtDensity", s.m_bDtDensity, 1);
    v.flag("m_bDtOther", s.m_bDtOther, 1);
    v.flag("m_bTestDate", s.m_bTestDate, 1);
    v.flag("m_bTestTime", s.m_bTestTime, 1); // on when missing, unlike a new record
    v.flag("m_bWorkDate", s.m_bWorkDate, 0);
    v.flag("m_bKuoDi", s.m_bKuoDi, 0);
    v.flag("m_bStrongLevel", s.m_bStrongLevel, 1);
    v.flag("m_bReportRemark", s.m_bReportRemark, 0);
    v.flag("m_bTableHead", s.m_bTableHead, 1);
    for (int n = 0; n < 14; ++n)
        v.flag(QStringLiteral("m_bHeadInfo%1").arg(n), s.m_bHeadInfo[n], (n < 7 && n != 4) ? 1 : 0);
    v.flag("m_bScale", s.m_bScale, 1);
    v.flag("m_bWave", s.m_bWave, 1);
    v.flag("m_bMoniPile", s.m_bMoniPile, 1);
    v.flag("m_bSpectrum", s.m_bSpectrum, 0);
    v.flag("m_bXiangwei", s.m_bXiangwei, 0);
    v.flag("m_bMoni", s.m_bMoni, 0);
    v.flag("m_bQualityAssess", s.m_bQualityAssess, 1);
    v.number("m_nRow", s.m_nRow, 5, 3, 10);
    v.number("m_nColumn", s.m_nColumn, 1, 1, 2);
    v.number("m_nfra", s.m_nfra, 0, INT_MIN, INT_MAX);
    v.number("m_ngrid", s.m_ngrid, 0, INT_MIN, INT_MAX);
    // The page's spin buttons step in 0..50, but a margin typed above that is
    // kept; reading only keeps a usable A4 page (at most 100 mm a side).
    v.number("m_nmarginup", s.m_nmarginup, 20, 0, 100);
    v.number("m_nmarginleft", s.m_nmarginleft, 20, 0, 100);
    v.number("m_nmargindown", s.m_nmargindown, 15, 0, 100);
    v.number("m_nmarginr", s.m_nmarginr, 15, 0, 100);
    v.number("m_nbindl", s.m_nbindl, 0, INT_MIN, INT_MAX);
    v.number("m_nblloc", s.m_nblloc, 0, INT_MIN, INT_MAX);
    v.number("m_npstyle", s.m_npstyle, 1, INT_MIN, INT_MAX);
    v.text("m_strpl1", s.m_strpl1, QString());
    v.number("m_npagepro", s.m_npagepro, 0, INT_MIN, INT_MAX);
    v.text("m_strmchty", s.m_strmchty, QString());
    v.rawFlag("m_bprpage", s.m_bprpage, 0);
    v.number("m_npageloc", s.m_npageloc, 1, 0, 2);
    v.number("m_nstpage", s.m_nstpage, 1, 0, INT_MAX);
    v.number("m_nMaxPage", s.m_nMaxPage, 0, 0, INT_MAX);
    v.number("m_npagefm", s.m_npagefm, 0, 0, 4);
    v.flag("m_bpagehead", s.m_bpagehead, 0);
    v.number("m_nphhei", s.m_nphhei, 3, 0, 22);
    v.number("m_nphloc", s.m_nphloc, 0, 0, 2);
    v.text("m_strphfont", s.m_strphfont, QStringLiteral("宋体"));
    v.text("m_strphcon", s.m_strphcon, QString());
    v.flag("m_bpagefoot", s.m_bpagefoot, 0);
    v.number("m_npfhei", s.m_npfhei, 3, 0, 22);
    v.number("m_npfloc", s.m_npfloc, 0, 0, 2);
    v.text("m_strpffont", s.m_strpffont, QStringLiteral("宋体"));
    v.text("m_strpfcon", s.m_strpfcon, QString());
    v.number("m_nProType", s.m_nProType, english ? 2 : 0, 0, 3);
    v.number("m_nInfoType", s.m_nInfoType, 0, 0, 2);
    v.number("m_nSingleLan", s.m_nSingleLan, 0, 0, 1);
    v.number("m_nSingleRepType", s.m_nSingleRepType, 0, 0, 1);
    for (int n = 0; n < 6; ++n)
        v.flag(QStringLiteral("m_bWaveInfo%1").arg(n), s.m_bWaveInfo[n], n <= 2 ? 1 : 0);
    v.flag("m_bFUnderline", s.m_bFUnderline, 0);
    v.flag("m_bFIsItalic", s.m_bFIsItalic, 0);
    v.flag("m_bFIsBold", s.m_bFIsBold, 0);
    v.flag("m_bFIsStrikeOut", s.m_bFIsStrikeOut, 0);
    v.flag("m_bHUnderline", s.m_bHUnderline, 0);
    v.flag("m_bHIsItalic", s.m_bHIsItalic, 0);
    v.flag("m_bHIsBold", s.m_bHIsBold, 0);
    v.flag("m_bHIsStrikeOut", s.m_bHIsStrikeOut, 0);
    v.color("m_colorFoot", s.m_colorFoot);
    v.color("m_colorHead", s.m_colorHead);
    v.number("m_nWaveGas", s.m_nWaveGas, 3, 3, 50);
    v.flag("m_bPrintCountType", s.m_bPrintCountType, 0);
    v.number("m_iPrintCountType", s.m_iPrintCountType, 0, 0, 1);
    v.number("m_iPrintType", s.m_iPrintType, 0, 0, 1);
}

struct Reader {
    const IniFile& ini;
    const QString section = QString::fromLatin1(CPrintSettings::kSection);

    void flag(const QString& key, int& f, int def) { f = profile::readBool(ini, section, key, def); }
    void rawFlag(const QString& key, int& f, int def) { flag(key, f, def); }
    void number(const QString& key, int& f, int def, int lo, int hi) {
        f = profile::readIntIn(ini, section, key, def, lo, hi);
    }
    void text(const QString& key, QString& f, const QString& def) {
        f = profile::readText(ini, section, key, def);
    }
    void color(const QString& key, COLORREF& f) {
        f = profile::readColor(ini, section, key, QStringLiteral("0,0,0"));
    }
};

struct Writer {
    IniFile& ini;
    const QString section = QString::fromLatin1(CPrintSettings::kSection);

    void flag(const QString& key, int f, int) { profile::writeBool(ini, section, key, f); }
    // The page-number switch is written as stored.
    void rawFlag(const QString& key, int f, int) { profile::writeInt(ini, section, key, f); }
    void number(const QString& key, int f, int, int, int) { profile::writeInt(ini, section, key, f); }
    void text(const QString& key, const QString& f, const QString&) {
        profile::writeText(ini, section, key, f);
    }
    void color(const QString& key, COLORREF f) { profile::writeColor(ini, section, key, f); }
};

} // namespace

bool CPrintStyleInfo::operator==(const CPrintStyleInfo& o) const {
    return m_bTableHead == o.m_bTableHead && m_bWave == o.m_bWave && m_bSpectrum == o.m_bSpectrum &&
           m_bMoniPile == o.m_bMoniPile && m_bScale == o.m_bScale &&
           std::equal(std::begin(m_bWaveInfo), std::end(m_bWaveInfo), std::begin(o.m_bWaveInfo)) &&
           std::equal(std::begin(m_bHeadInfo), std::end(m_bHeadInfo), std::begin(o.m_bHeadInfo));
}

void CPITPrintStyleInfo::Reset() {
    m_bTableHead = m_bWave = m_bMoniPile = m_bScale = 1;
    m_bSpectrum = 0;
    static constexpr int wave[6] = {0, 0, 0, 0, 1, 0};
    static constexpr int head[14] = {1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0};
    std::copy(std::begin(wave), std::end(wave), m_bWaveInfo);
    std::copy(std::begin(head), std::end(head), m_bHeadInfo);
}

void CDUXPrintStyleInfo::Reset() {
    m_bTableHead = m_bWave = m_bMoniPile = m_bScale = 1;
    m_bSpectrum = 0;
    static constexpr int wave[6] = {1, 1, 1, 0, 0, 0};
    static constexpr int head[14] = {1, 1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    std::copy(std::begin(wave), std::end(wave), m_bWaveInfo);
    std::copy(std::begin(head), std::end(head), m_bHeadInfo);
}

CPrintSettings::CPrintSettings(bool englishInterface)
    : m_bLanguage(englishInterface ? 1 : 0), m_nProType(englishInterface ? 2 : 0) {}

void CPrintSettings::ReadSection(const IniFile& ini, bool englishInterface) {
    visitKeys(*this, englishInterface, Reader{ini});
}

void CPrintSettings::WriteSection(IniFile& ini) const {
    visitKeys(*this, false, Writer{ini});
}

void CPrintSettings::LoadFromIni(const QString& path, bool englishInterface) {
    IniFile ini;
    ini.load(path);
    ReadSection(ini, englishInterface);
}

bool CPrintSettings::SaveToIni(const QString& path) const {
    IniFile ini;
    ini.load(path);
    WriteSection(ini);
    return ini.trySave(path);
}

void CPrintSettings::ExchangeStyle(CPrintStyleInfo& style, bool toStyle) {
    auto swapInto = [toStyle](int& live, int& parked) {
        if (toStyle)
            parked = live;
        else
            live = parked;
    };
    swapInto(m_bTableHead, style.m_bTableHead);
    swapInto(m_bWave, style.m_bWave);
    swapInto(m_bSpectrum, style.m_bSpectrum);
    swapInto(m_bMoniPile, style.m_bMoniPile);
    swapInto(m_bScale, style.m_bScale);
    for (int n = 0; n < 6; ++n)
        swapInto(m_bWaveInfo[n], style.m_bWaveInfo[n]);
    for (int n = 0; n < 14; ++n)
        swapInto(m_bHeadInfo[n], style.m_bHeadInfo[n]);
}

void CPrintSettings::SetProType(int t) {
    ExchangeStyle(m_nProType == 1 ? static_cast<CPrintStyleInfo&>(m_PITStyle) : m_DUXStyle, true);
    if (t < 0)
        return;
    m_nProType = t;
    ExchangeStyle(m_nProType == 1 ? static_cast<CPrintStyleInfo&>(m_PITStyle) : m_DUXStyle, false);
}

int CPrintSettings::EnterProjectReports(bool englishInterface) {
    int format = std::clamp(m_nProType, 0, 3);
    if (englishInterface && format < 2)
        format += 2;
    else if (!englishInterface && format >= 2)
        format -= 2;
    // Both ways: a language left by a session with the other interface would
    // print a Chinese format with English labels.
    m_bLanguage = format >= 2 ? 1 : 0;
    m_nReportKind = format + 2;
    SetProType(format);
    return m_nReportKind;
}

bool CPrintSettings::operator==(const CPrintSettings& o) const {
    // The stored fields through the key list, as they are (not as written), then the others.
    struct Collect {
        QStringList out;
        void flag(const QString&, int f, int) { out << QString::number(f); }
        void rawFlag(const QString&, int f, int) { out << QString::number(f); }
        void number(const QString&, int f, int, int, int) { out << QString::number(f); }
        void text(const QString&, const QString& f, const QString&) { out << f; }
        void color(const QString&, COLORREF f) { out << QString::number(f); }
    };
    Collect a, b;
    visitKeys(*this, false, a);
    visitKeys(o, false, b);
    return a.out == b.out && m_nReportKind == o.m_nReportKind && m_PITStyle == o.m_PITStyle &&
           m_DUXStyle == o.m_DUXStyle && m_nDecimalPointNum == o.m_nDecimalPointNum &&
           m_fFontRate == o.m_fFontRate;
}
