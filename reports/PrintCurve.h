// The print line types page: colour, pen style and width of the eight curve
// elements drawn for print, and whether curves may be smoothed.
#pragma once

#include "controls/MyPropertySheet.h"
#include "platform/Color.h"

#include <QPointer>
#include <array>

class CCurveStyle;

class CPrintCurve : public CSheetPage {
public:
    static constexpr int kDialogId = 170;
    static constexpr int kSmooth = 1320;
    // Per element in the order of the curve style: wave, abscissa, ordinate,
    // pile head, pile toe, defect, simulated pile, centre axis.
    static constexpr std::array<int, 8> kColour = {1168, 1169, 1175, 1176, 1177, 1178, 1179, 1180};
    static constexpr std::array<int, 8> kStyle = {1170, 1171, 1068, 1172, 1070, 1071, 1072, 1080};
    static constexpr std::array<int, 8> kWidth = {1073, 1074, 1075, 1076, 1077, 1078, 1079, 1081};

    explicit CPrintCurve(CCurveStyle* style);
    ~CPrintCurve() override;

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    // The page's values into the curve style, element by element, and the smoothing flag.
    void Apply() override;
    std::vector<std::pair<int, int>> RefreshCodes() const override { return {{6, 0}}; }

    // A styled pen is one unit wide: a width other than the first is put
    // back (the user is told) and the width box locked until the pen is solid again.
    void ApplyWidthRule(int element);
    int WidthIndex(int element) const { return m_widths[size_t(element)]; }

private:
    void UpdateData(bool save);

    CCurveStyle* m_style;
    QPointer<QWidget> m_page;
    std::array<pit::COLORREF, 8> m_colours{};
    std::array<int, 8> m_styles{};
    std::array<int, 8> m_widths{};
    int m_bSmooth = 0;
};
