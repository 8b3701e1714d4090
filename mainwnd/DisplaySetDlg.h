// The display settings page of the options sheet: the wave line weight, the
// centre line style, the wave and centre line colours, and the decimals of
// the pile length.
#pragma once

#include "controls/MyPropertySheet.h"
#include "platform/Color.h"

#include <QPointer>

class CKEV_DUXDoc;
class CColorPicker;
class QComboBox;
class QRadioButton;

namespace pit {

class WaveContext;

struct DisplaySettings {
    int lineWeight = 0;  // 0 thick, 1 thin
    int centreStyle = 0; // 0 solid, 1 dashed
    COLORREF waveColour = 0;
    COLORREF centreColour = 0;
    int decimals = 2; // 1..6

    // The drawing values from the context, the decimals from the document.
    static DisplaySettings From(const WaveContext& wave, const CKEV_DUXDoc& doc);
};

// The drawing values into the context and every channel of the current
// pile, the decimals into the document and the pile.
void ApplyDisplaySettings(const DisplaySettings& s, WaveContext& wave, CKEV_DUXDoc& doc);

} // namespace pit

class CDisplaySetDlg : public CSheetPage {
public:
    static constexpr int kDialogId = 156;
    static constexpr int kThick = 1127;
    static constexpr int kThin = 1019;
    static constexpr int kSolid = 1128;
    static constexpr int kDashed = 1129;
    static constexpr int kWaveColour = 1125;
    static constexpr int kCentreColour = 1047;
    static constexpr int kDecimals = 1313;
    // The group of the decimals and its label.
    static constexpr int kDecimalsGroup = 1980;
    static constexpr int kDecimalsLabel = 1981;

    // wave: the context the channels draw with (the program's unless a test gives its own).
    CDisplaySetDlg(CKEV_DUXDoc* doc, pit::WaveContext* wave = nullptr);

    QString TabText() const override;
    QWidget* CreatePage(QWidget* parent) override;
    void Apply() override;
    // The integrity text and every wave view.
    std::vector<std::pair<int, int>> RefreshCodes() const override { return {{11, 0}, {4, 0}}; }

    const pit::DisplaySettings& Values() const { return m_values; }

private:
    void UpdateData();

    CKEV_DUXDoc* m_doc;
    pit::WaveContext* m_wave;
    pit::DisplaySettings m_values;
    QPointer<QWidget> m_page;
    QRadioButton* m_thick = nullptr;
    QRadioButton* m_thin = nullptr;
    QRadioButton* m_solid = nullptr;
    QRadioButton* m_dashed = nullptr;
    CColorPicker* m_wavePicker = nullptr;
    CColorPicker* m_centrePicker = nullptr;
    QComboBox* m_decimals = nullptr;
};
