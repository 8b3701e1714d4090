// Colour, pen style and width of the eight curve elements drawn for print,
// and the smoothing switch (section "stCurvePara" of the settings file).
#pragma once

#include "platform/Color.h"

#include <QString>
#include <array>

namespace pit {
class IniFile;

enum class CurveElement : int {
    Wave = 0,
    Absci = 1,
    YAxis = 2,
    Head = 3,
    Bttm = 4,
    Bug = 5,
    Pile = 6,
    Center = 7
};
} // namespace pit

class CCurveStyle {
public:
    struct Pen {
        pit::COLORREF color = 0;
        int style = 0; // platform pen style: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot
        int width = 0; // width index: 0 is one unit wide
        bool operator==(const Pen&) const = default;
    };
    static constexpr int kCount = 8;

    CCurveStyle();

    Pen& operator[](pit::CurveElement e) { return m_pens[size_t(e)]; }
    const Pen& operator[](pit::CurveElement e) const { return m_pens[size_t(e)]; }

    // The key stem of an element: "wave", "absci", ... ("color_wave" and so on).
    static QString KeyName(pit::CurveElement e);

    void ReadProfile(const QString& path);
    // Writes the section into the file (an atomic rewrite); false when it cannot be written.
    bool WriteProfile(const QString& path) const;
    void ReadSection(const pit::IniFile& ini);
    void WriteSection(pit::IniFile& ini) const;

    bool operator==(const CCurveStyle&) const = default;

    static constexpr const char* kSection = "stCurvePara";

    std::array<Pen, kCount> m_pens;
    int IsSmooth = 0;
};
