#include "core/doc/CurveStyle.h"

#include "core/doc/ProfileValues.h"
#include "platform/IniFile.h"

#include <climits>

using namespace pit;

namespace {

constexpr const char* kNames[CCurveStyle::kCount] = {"wave", "absci", "yaxis", "head",
                                                     "bttm", "bug",   "pile",  "center"};

// Read defaults (style, width) where a key is missing; they differ from the
// constructor's for the pile and centre lines.
constexpr int kReadStyle[CCurveStyle::kCount] = {0, 0, 0, 3, 4, 1, 1, 1};

// The centre line is written between the y axis and the head marker.
constexpr CurveElement kWriteOrder[CCurveStyle::kCount] = {
    CurveElement::Wave, CurveElement::Absci, CurveElement::YAxis, CurveElement::Center,
    CurveElement::Head, CurveElement::Bttm,  CurveElement::Bug,   CurveElement::Pile};

QString section() {
    return QString::fromLatin1(CCurveStyle::kSection);
}

} // namespace

CCurveStyle::CCurveStyle() {
    m_pens[size_t(CurveElement::Wave)] = {RGB(50, 50, 200), 0, 1};
    m_pens[size_t(CurveElement::Head)].style = 3;
    m_pens[size_t(CurveElement::Bttm)].style = 4;
    m_pens[size_t(CurveElement::Bug)].style = 1;
}

QString CCurveStyle::KeyName(CurveElement e) {
    return QString::fromLatin1(kNames[size_t(e)]);
}

void CCurveStyle::ReadSection(const IniFile& ini) {
    const QString sec = section();
    for (int i = 0; i < kCount; ++i) {
        const QString name = QString::fromLatin1(kNames[i]);
        Pen& p = m_pens[size_t(i)];
        p.color = profile::readColor(ini, sec, QStringLiteral("color_") + name,
                                     i == 0 ? QStringLiteral("50,50,250") : QStringLiteral("0,0,0"));
        // The style indexes a five-entry list; a width index is never negative.
        p.style = profile::readIntIn(ini, sec, QStringLiteral("style_") + name, kReadStyle[i], 0, 4);
        p.width = profile::readIntIn(ini, sec, QStringLiteral("width_") + name, i == 0 ? 1 : 0, 0, INT_MAX);
    }
    IsSmooth = profile::readBool(ini, sec, QStringLiteral("IsSmooth"), 0);
}

void CCurveStyle::WriteSection(IniFile& ini) const {
    const QString sec = section();
    for (CurveElement e : kWriteOrder) {
        const QString name = KeyName(e);
        const Pen& p = (*this)[e];
        profile::writeColor(ini, sec, QStringLiteral("color_") + name, p.color);
        profile::writeInt(ini, sec, QStringLiteral("style_") + name, p.style);
        profile::writeInt(ini, sec, QStringLiteral("width_") + name, p.width);
    }
    profile::writeBool(ini, sec, QStringLiteral("IsSmooth"), IsSmooth);
}

void CCurveStyle::ReadProfile(const QString& path) {
    IniFile ini;
    ini.load(path);
    ReadSection(ini);
}

bool CCurveStyle::WriteProfile(const QString& path) const {
    IniFile ini;
    ini.load(path);
    WriteSection(ini);
    return ini.trySave(path);
}
