// The analysis panel beside the wave views: filter cut-offs and exponential
// amplification of the current wave, applied to one wave, to every wave of
// the pile or to the whole project; the pile's six spectrum values; the pile
// head of the simulated sketch. A plain widget: Enter and Esc never close it.
#pragma once

#include "core/project/ProjectApply.h"

#include <QWidget>
#include <array>
#include <functional>

class CColorEdit;
class CPileRecord;
class CProjectInfo;
class CKEV_DUXDoc;
class QAbstractButton;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace pit {
class FrameServices;
class MessageSink;
} // namespace pit

class CDlgWavaSpectrum : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDD = 175;
    enum : int {
        IDC_HIGHPASS = 1038,
        IDC_LOWPASS = 1039,
        IDC_WAVELET = 1040,
        IDC_EXP_EDIT = 1041,
        IDC_EXP_SPIN = 1042,
        IDC_EXP_SLIDER = 1043,
        IDC_START_EDIT = 1044,
        IDC_START_SPIN = 1045,
        IDC_START_SLIDER = 1046,
        IDC_HEAD_SLIDER = 1058,
        IDC_APPLY_ONE = 1131,
        IDC_APPLY_PILE = 1132,
        IDC_APPLY_PROJECT = 1133,
        IDC_APPLY = 1135,
        // The labels and groups, for the language files.
        IDC_WAVE_GROUP = 1920,
        IDC_SKETCH_GROUP = 1921,
        IDC_SPECTRUM_GROUP = 1922,
        IDC_WAVELET_LABEL = 1923,
        IDC_LOWPASS_LABEL = 1924,
        IDC_HIGHPASS_LABEL = 1925,
        IDC_EXP_LABEL = 1926,
        IDC_START_LABEL = 1927,
        IDC_APPLY_LABEL = 1928,
        IDC_HEAD_LABEL = 1929,
        IDC_SPECTRUM_LABEL1 = 1930, // .. 1935
        IDC_HEAD_SPIN = 1331,
        IDC_HEAD_EDIT = 1334,
    };
    // The six spectrum edits in field order 1..6.
    static constexpr std::array<int, 6> kSpectrumIds{1002, 1059, 1003, 1062, 1063, 1064};

    // record and project: the document's, not owned; frame: the main frame's
    // services (its document gates every operation).
    CDlgWavaSpectrum(CPileRecord* record, CProjectInfo* project, pit::FrameServices* frame,
                     QWidget* parent = nullptr);
    ~CDlgWavaSpectrum() override;

    // ---- values (the host reads and writes them, then UpdateData(false)) ----
    int m_nHighPass = 0;      // Hz
    int m_nLowPass = 50000;   // Hz
    int m_nWaveletHz = 0;     // shown only
    int m_nExpIndex = 1;      // 1..100
    int m_nExpStart = 1;      // sample index
    int m_nApplyTo = 0;       // 0 the current wave, 1 the pile, 2 the project
    int m_nSpectrumField = 1; // the spectrum field edited last, 1..6
    int m_nHeadIndex = 0;
    // Remembered when the values were applied to the whole project; the host
    // gives them to piles without saved analysis when they are selected.
    int m_bProjectParams = 0;
    int m_nProjectHighPass = 0, m_nProjectLowPass = 0, m_nProjectIndex = 0, m_nProjectStart = 0;

    // Stores the three values (no exchange, no apply).
    void SetParams(int highPass, int lowPass, int index);
    // Start slider and up-down ranges from a channel's head and toe
    // (slider head..head + 4 (toe - head) / 5, up-down head..toe).
    void SetStartRanges(int head, int toe);
    // Head slider range 0..count.
    void SetHeadRange(int count);
    // Controls into the values (save) or the values into the controls. False
    // when a field does not hold a whole number or a cut-off is refused (the
    // user is told).
    bool UpdateData(bool save);

    // ---- operations ------------------------------------------------------------
    void OnBnClickedApply();
    // The panel's index and cut-offs through the current channel's
    // processing chain (the Apply button's "单个记录").
    void ApplyToCurrentWave();
    void ApplyFilterToRecord();
    void ApplyExpAmplification();
    // Asks, then rewrites the project's saved piles (with a progress dialog
    // that can be cancelled) and applies the values to the current pile.
    void ApplyToProject();
    void ClampHeadIndex();
    void OnPositionChanged();
    void OnAmplifyChanged();
    void EnablePileHeadControls();
    // One step of an up-down: +1 for its up arrow.
    void StepIndex(int delta);
    void StepStart(int delta);
    void StepHead(int delta);

    static bool ExpEditFocus() { return s_bExpEditFocus; }
    static bool StartEditFocus() { return s_bStartEditFocus; }

    pit::WaveProcessParams Params() const { return {m_nHighPass, m_nLowPass, m_nExpIndex, m_nExpStart}; }
    // The last project run's summary (empty before one).
    const pit::ProjectApplyResult& LastProjectResult() const { return m_lastProject; }

    // Where questions and summaries go; the program's message box unless set.
    void SetMessageSink(pit::MessageSink* sink) { m_sink = sink; }
    // Runs the project apply; the default shows a cancellable progress dialog.
    using ProjectRunner =
        std::function<pit::ProjectApplyResult(const std::vector<QString>&, const pit::WaveProcessParams&)>;
    void SetProjectRunner(ProjectRunner runner) { m_runner = std::move(runner); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The cut-offs typed pass the digital filter's checks against the pile
    // shown (the high-pass below half its sampling rate); a refused one is
    // told and keeps its value, and false comes back.
    bool AcceptCutOffs(int highPass, int lowPass);
    class UpDown;
    void BuildControls();
    void OnInitDialog();
    // Enter in one of the panel's fields; always consumed.
    void HandleEnter(QWidget* target);
    void OnSpectrumFocus(int field, bool in);
    void OnIndexSlider(int pos);
    void OnStartSlider(int pos);
    void OnHeadSlider(int pos);
    void Redraw();
    bool ProjectLoaded() const;
    CKEV_DUXDoc* Doc() const;
    pit::MessageSink& Sink() const;
    pit::ProjectApplyResult RunWithProgress(const std::vector<QString>& paths,
                                            const pit::WaveProcessParams& p);

    CPileRecord* m_record;
    CProjectInfo* m_project;
    pit::FrameServices* m_frame;
    pit::MessageSink* m_sink = nullptr;
    ProjectRunner m_runner;
    pit::ProjectApplyResult m_lastProject;

    QLineEdit *m_highEdit, *m_lowEdit, *m_waveletEdit, *m_expEdit, *m_startEdit, *m_headEdit;
    QSlider *m_expSlider, *m_startSlider, *m_headSlider;
    UpDown *m_expSpin, *m_startSpin, *m_headSpin;
    std::array<QRadioButton*, 3> m_applyTo{};
    std::array<CColorEdit*, 6> m_spectrum{};
    int m_startLow = 1, m_startHigh = 100; // up-down range of the start

    static bool s_bExpEditFocus;
    static bool s_bStartEditFocus;
};
