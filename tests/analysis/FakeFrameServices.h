// A main frame for the view and dialog tests: records what was asked of it
// and answers from plain fields.
#pragma once

#include "analysis/FrameServices.h"

#include <vector>

namespace pit::test {

class FakeFrameServices : public FrameServices {
public:
    CKEV_DUXDoc* GetDoc() override { return doc; }
    ViewMode GetViewMode() const override { return viewMode; }
    void SetViewMode(ViewMode mode) override { viewMode = mode; }
    ViewMode GetPreviousViewMode() const override { return previousViewMode; }
    void SetPreviousViewMode(ViewMode mode) override { previousViewMode = mode; }
    bool IsRotateMode() const override { return rotateMode; }
    bool IsDragEditMode() const override { return dragEditMode; }
    bool WasSingleWaveView() const override { return wasSingleWave; }
    void OnViewMain() override { switches.push_back(ViewMode::Main); }
    void OnViewAnalysis() override { switches.push_back(ViewMode::Analysis); }
    void OnViewSingleWave() override { switches.push_back(ViewMode::SingleWave); }
    bool OnFileSave() override {
        ++saves;
        return true;
    }
    void Refresh(RefreshTarget target, int) override { refreshes.push_back(target); }
    CBaseView* UpperPaneView() override { return upper; }
    CBaseView* LowerPaneView() override { return lower; }

    void ExchangeWaveParams(bool toPanel, bool apply) override { exchanges.push_back({toPanel, apply}); }
    int OnPanelMessage(PanelMessage message) override {
        panelMessages.push_back(message);
        return 0;
    }
    void ReprocessWave() override { ++reprocessed; }
    int GetSpectrumEditField() const override { return spectrumField; }
    void StepAmplificationIndex(int step) override { indexSteps.push_back(step); }
    void StepAmplificationStart(int step) override { startSteps.push_back(step); }
    void BuildIntegrityText(bool store) override { integrity.push_back(store); }
    int SetPanelParameters(int high, int low, int gain) override {
        panel.push_back({high, low, gain});
        return 0;
    }
    void RefreshPanelFields() override { ++panelRefreshes; }

    bool HasPileInfoPage() const override { return pileInfoPage; }
    void KeepTimeSetSpeed() override { ++keepSpeed; }
    void KeepTimeSetLength() override { ++keepLength; }
    void EnableFixButton(bool enabled) override { fixButton = enabled; }
    void EnablePileShapeFields() override { ++shapeFields; }
    void ApplyFixedParams() override { ++fixedApplied; }
    bool ValidateStretchSteps() override { return stretchStepsValid; }
    void ApplyDisplaySettings() override { ++displayApplied; }
    void SetReportCurrentIndex(int index) override { reportIndex = index; }

    struct Exchange {
        bool toPanel, apply;
    };
    struct PanelValues {
        int high, low, gain;
    };

    CKEV_DUXDoc* doc = nullptr;
    CBaseView* upper = nullptr;
    CBaseView* lower = nullptr;
    ViewMode viewMode = ViewMode::Main, previousViewMode = ViewMode::Main;
    bool rotateMode = false, dragEditMode = false, wasSingleWave = false;
    bool pileInfoPage = false, stretchStepsValid = true, fixButton = true;
    int spectrumField = kSpectrumFieldNone;

    std::vector<ViewMode> switches;
    std::vector<RefreshTarget> refreshes;
    std::vector<Exchange> exchanges;
    std::vector<PanelMessage> panelMessages;
    std::vector<int> indexSteps, startSteps;
    std::vector<bool> integrity;
    std::vector<PanelValues> panel;
    int saves = 0, reprocessed = 0, panelRefreshes = 0, keepSpeed = 0, keepLength = 0, shapeFields = 0,
        fixedApplied = 0, displayApplied = 0, reportIndex = -1;
};

} // namespace pit::test
