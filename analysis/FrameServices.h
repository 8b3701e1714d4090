// What the views, the analysis panel and the processing dialogs need of the
// main frame and its main panel (the pile tree form with the analysis panel
// and the pile-information page). The main frame implements it; tests use a
// fake. Callers are handed a pointer; nothing here looks up a main window.
#pragma once

#include <QString>

class CBaseView;
class CKEV_DUXDoc;

namespace pit {

// The word message boxes of the frame and of report mode carry as caption:
// "KEV-DUX(W)" or "KEV-TIMBO".
inline QString FrameTitleWord(bool english) {
    return english ? QStringLiteral("KEV-TIMBO") : QStringLiteral("KEV-DUX(W)");
}

// Codes of the refresh hub; the numbers are those the panels and the saved
// habits of the program know.
enum class RefreshTarget : int {
    MainWaveView = 1,
    AverageView = 2,
    AnalysisView = 3,
    AllWaveViews = 4,
    SingleWaveView = 5,
    ReportView = 6,
    PileChanged = 10,
    IntegrityText = 11,
    DefectState = 12,
    ReportForm = 15,
};

// The view shown in the lower pane.
enum class ViewMode : int { Main = 0, Analysis = 1, SingleWave = 2, Report = 4 };

// Messages of the analysis panel to the main panel that hosts it.
enum class PanelMessage : int {
    RebuildPileTree = 0,
    ReprocessWave = 1, // copy the panel into the current channel, re-apply the amplification
};

// The analysis panel's spectrum field that was edited last.
enum SpectrumEditField : int {
    kSpectrumFieldNone = -1,
    kSpectrumFieldPeak = 2,
    kSpectrumFieldBase = 3,
    kSpectrumFieldDiff1 = 4,
    kSpectrumFieldDiff2 = 5,
    kSpectrumFieldDiff3 = 6,
};

class FrameServices {
public:
    virtual ~FrameServices() = default;

    // ---- the main frame ------------------------------------------------------
    // The document the frame holds.
    virtual CKEV_DUXDoc* GetDoc() = 0;

    // View mode of the lower pane and the one before it (the analysis view's
    // spectrum command reads and writes both).
    virtual ViewMode GetViewMode() const = 0;
    virtual void SetViewMode(ViewMode mode) = 0;
    virtual ViewMode GetPreviousViewMode() const = 0;
    virtual void SetPreviousViewMode(ViewMode mode) = 0;

    // While set, a left click on a wave sets its tilt start instead of marking.
    virtual bool IsRotateMode() const = 0;
    // While set, a left click on a wave drags its samples to the point.
    virtual bool IsDragEditMode() const = 0;
    // True when the detail view left for the main view was the single-wave
    // view, false when it was the analysis view.
    virtual bool WasSingleWaveView() const = 0;

    // The view switches of the View menu.
    virtual void OnViewMain() = 0;
    virtual void OnViewAnalysis() = 0;
    virtual void OnViewSingleWave() = 0;

    // Saves the analysis of the current pile into its file and the project
    // index; false (and the user told) when either could not be written.
    virtual bool OnFileSave() = 0;

    // The refresh hub: asks the target to redraw; bursts are coalesced and
    // every refresh ends by resetting the window title. wParam is the
    // sender's extra value (0 unless a sender states one).
    virtual void Refresh(RefreshTarget target, int wParam = 0) = 0;

    // The panes of the splitter: the averaged-wave view above, the current
    // wave view below (either may be null before they exist). The main and
    // averaged views invalidate each other and read the other's channel.
    virtual CBaseView* UpperPaneView() = 0;
    virtual CBaseView* LowerPaneView() = 0;

    // ---- the main panel (pile tree form) --------------------------------------
    // With toPanel the current channel's cut-offs, wavelet frequency,
    // amplification index and start go into the analysis panel; else the
    // panel's values go into the channel (with apply also the processing
    // values). Nothing without a project or a current channel.
    virtual void ExchangeWaveParams(bool toPanel, bool apply) = 0;
    // The analysis panel's message to its host.
    virtual int OnPanelMessage(PanelMessage message) = 0;
    // ExchangeWaveParams(false, true), then the panel re-applies the amplification.
    virtual void ReprocessWave() = 0;
    // The panel's spectrum field edited last (2..6), kSpectrumFieldNone without a panel.
    virtual int GetSpectrumEditField() const = 0;
    // Adds step to the panel's amplification index (kept in 1..100) and
    // re-applies; nothing without the panel.
    virtual void StepAmplificationIndex(int step) = 0;
    // Moves the panel's amplification start by one step within its slider
    // range and re-applies.
    virtual void StepAmplificationStart(int step) = 0;
    // Rebuilds the current pile's integrity conclusion from its defect
    // marks; store writes it into the record.
    virtual void BuildIntegrityText(bool store) = 0;
    // High-pass and low-pass cut-offs (Hz) and the gain into the analysis
    // panel, then the integrity text without storing. Returns 0.
    virtual int SetPanelParameters(int highPassHz, int lowPassHz, int gain) = 0;
    // The main panel's fields reloaded from the current pile.
    virtual void RefreshPanelFields() = 0;

    // ---- the pile-information page of the main panel ---------------------------
    // False until the page exists; the calls below then do nothing.
    virtual bool HasPileInfoPage() const = 0;
    // Keeps 2L/c and takes the speed (L follows) or the length (c follows)
    // from the page, passes them to the other piles and refreshes.
    virtual void KeepTimeSetSpeed() = 0;
    virtual void KeepTimeSetLength() = 0;
    // Enables the page's fixed-parameter button when enabled is true.
    virtual void EnableFixButton(bool enabled) = 0;
    // Shape list and second-dimension fields from the current record.
    virtual void EnablePileShapeFields() = 0;
    // Re-applies the fixed pile parameters to the current record and reloads the page.
    virtual void ApplyFixedParams() = 0;

    // ---- settings pages --------------------------------------------------------
    // The stretch step count of the system page lies in 2..6 (else the old
    // value is put back and the user told).
    virtual bool ValidateStretchSteps() = 0;
    // Stores the display page's values into the settings and every channel.
    virtual void ApplyDisplaySettings() = 0;

    // ---- report mode -----------------------------------------------------------
    // The report-mode view's current pile index.
    virtual void SetReportCurrentIndex(int index) = 0;
};

} // namespace pit

class QWidget;

namespace pit {

// Puts the active language file's texts on a dialog (section = its resource
// id): the program's language files unless another translator is installed.
using DialogTranslator = void (*)(QWidget* dialog, int templateId);
void SetDialogTranslator(DialogTranslator translator);
void TranslateDialog(QWidget* dialog, int templateId);

} // namespace pit
