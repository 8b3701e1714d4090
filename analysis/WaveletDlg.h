// Wavelet de-noising dialog: decomposes the current channel with one of three
// filter banks, thresholds the details, rebuilds, shows the wave before and
// after, and on "应用" overwrites the channel after a confirmation.
#pragma once

#include "controls/DialogExt.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>
#include <span>
#include <vector>

class CWaveRecord;
class QComboBox;

namespace pit {

class FrameServices;

// The largest |value|, starting from -1000 (so 0 for an all-zero wave).
float MaxAbs(std::span<const float> values);
// The channel's exponential amplification: when K > 1 and e > s,
// step = ln K / (e - s + 1); values[i] *= exp((i - s + 1) step) for s <= i < e,
// values[i] *= K from e on.
void ExpAmplify(std::span<float> values, int s, int e, int K);

// Pixel points of a curve pane: inset 5 pixels into client, x spread over the
// width, y around the middle with peak at half the height. An all-zero curve
// (peak 0) lies on the middle line.
std::vector<QPoint> WaveletCurvePoints(std::span<const float> shown, const QRect& client);

// The amplitude labels of a pane: "%.2f" of 0.8 x peak of its own shown values.
struct AmplitudeLabels {
    QString top, bottom;
};
AmplitudeLabels WaveletAmplitudeLabels(float peak);

// The time axis: unit "us" with "%.0f" labels up to a span of 1000 µs, else
// "ms" with "%.1f"; five labels at k x span / 5.
struct TimeAxisLabels {
    QString unit;
    std::array<QString, 5> labels;
};
TimeAxisLabels WaveletTimeAxisLabels(int count, float sampleIntervalUs);

} // namespace pit

class CWaveletDlg : public CDialogExt {
    Q_OBJECT
public:
    static constexpr int IDD = 162;
    static constexpr int IDC_SOURCE = 1136;
    static constexpr int IDC_RESULT = 1137;
    static constexpr int IDC_TRANSFORM = 1138;
    static constexpr int IDC_FAMILY = 1139;
    static constexpr int IDC_THRESHOLD = 1140;
    static constexpr int IDC_LEVEL = 1141;
    static constexpr int IDC_RESULT_AXIS = 1158;
    static constexpr int IDC_SOURCE_AXIS = 1159;
    static constexpr int IDC_SOURCE_SCALE = 1160;
    static constexpr int IDC_RESULT_SCALE = 1161;

    // wave: the channel (not owned); frame: told to redraw after "应用" (may be null).
    CWaveletDlg(CWaveRecord* wave, pit::FrameServices* frame, QWidget* parent = nullptr);
    ~CWaveletDlg() override;

    // "开始变换": false (and a message) when the wave is too short for the levels.
    bool OnBnClickedTransform();
    // "应用": asks, then overwrites the channel's samples and closes.
    void accept() override;

    const std::vector<float>& Result() const { return m_result; }
    const std::vector<float>& SourceShown() const { return m_sourceShown; }
    const std::vector<float>& ResultShown() const { return m_resultShown; }
    pit::AmplitudeLabels SourceLabels() const;
    pit::AmplitudeLabels ResultLabels() const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    class Pane;
    void OnInitDialog();
    void PaintCurve(QPainter& p, const QRect& r, bool result) const;
    void PaintAxis(QPainter& p, const QRect& r) const;
    void PaintScale(QPainter& p, const QRect& r, bool result) const;
    std::vector<float> Shown(const std::vector<float>& v) const;

    CWaveRecord* m_wave;
    pit::FrameServices* m_frame;
    std::vector<float> m_source; // the channel's samples at opening
    std::vector<float> m_result; // the rebuilt signal (the source until a transform)
    std::vector<float> m_sourceShown, m_resultShown;
    int m_nHead = 0, m_nToe = 0, m_nExpGain = 1;
    float m_fInterval = 0;
    bool m_bInitialised = false;
    QComboBox* m_family;
    QComboBox* m_threshold;
    QComboBox* m_level;
    Pane* m_resultPane;
};
