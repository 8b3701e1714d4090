// The main panel: the open project's pile files as a tree (the path of each
// file in its item's data), the sort order, and the tabs with the project,
// pile and wave & spectrum pages. Selecting a pile loads it into the
// document and brings the views and pages up to date.
#pragma once

#include "controls/FormViewExt.h"

#include <QIcon>
#include <QPointer>
#include <functional>

class CDlgPileInfo;
class CDlgProInfo;
class CDlgWavaSpectrum;
class CKEV_DUXDoc;
class CMainFrame;
class QComboBox;
class QLabel;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The values of the wave & spectrum page that the form exchanges with the
// current channel.
struct WavePanelValues {
    int highPass = 0, lowPass = 0, wavelet = 0;
    int expIndex = 1, ampStart = 0;
    int applyTo = 0;                // 0 current wave, 1 pile, 2 project
    int startLo = 0, startHi = 0;   // start slider
    int start2Lo = 0, start2Hi = 0; // its second slider
    int headIndex = 0;
    int headHi = 0; // third slider: 0..samples per channel
    int spectrumField = -1;
};

class CFormMain : public CFormViewExt {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 1311;
    enum Tab { kProjectTab = 0, kPileTab = 1, kWaveTab = 2 };

    CFormMain(CKEV_DUXDoc* doc, CMainFrame* frame, QWidget* parent = nullptr);

    void OnInitialUpdate();
    // Rebuilds the tree from the project's file list; marks blow files with "*".
    void FillPileTree();
    // Loads a pile (asking first to save a modified one). False when the user
    // cancelled or the file could not be read; the pile shown stays then.
    bool SelectPile(const QString& path);
    // The selected item's "*" after a save, added or removed once.
    void MarkPileSaved(bool mark);

    void UpdatePanelData(bool save);
    void UpdateFormData(bool save);
    void ExchangeWaveParams(bool toPanel, bool apply);
    void BuildIntegrityText(bool store = true);
    void RefreshIntegrityText();
    int SetPanelParameters(int highPass, int lowPass, int index);
    void UpdateTestDateState(bool enable);
    void UpdatePanelControls();
    void UpdateSensitivityLabel();
    int GetSpectrumEditField() const;
    void StepAmplificationIndex(int step);
    void StepAmplificationStart(int step);
    void ReprocessWave();
    // Processing commands the frame forwards: the digital filter and the
    // exponential amplification dialogs on the analysis page's values.
    void OnDigitalFilter();
    void OnExponentialAmplify();
    // The two dialogs; true on OK with the values changed in place. Tests script them.
    std::function<bool(int& highPass, int& lowPass)> askFilter;
    std::function<bool(int& index)> askAmplification;
    // Sort order of the combo: 0 name, 1 test date, 2 test time.
    void SortBy(int selection);
    // The document opened a pile file: tree, pages and the current channel's values.
    void OnDocumentOpened();
    // The pile and project pages reload; the pile page its shape fields.
    void OnPileChanged();

    // The integrity text of the current channel's defect marks.
    static QString IntegrityText(const class CWaveRecord& w, int decimals, bool english);

    CDlgProInfo* ProjectPanel() const { return m_pProPanel; }
    CDlgPileInfo* PilePanel() const { return m_pPilePanel; }
    CDlgWavaSpectrum* WavePanel() const { return m_pWavePanel; }
    QTreeWidget* Tree() const { return m_tree; }
    QTabWidget* Tabs() const { return m_tab; }
    QComboBox* SortCombo() const { return m_comboSort; }
    int MarkedCount() const { return m_nMarkedCount; }
    bool SortedByTestTime() const { return m_bSortedByTime; }

    static constexpr int kPathRole = Qt::UserRole + 1;

private:
    void OnTreeSelection(QTreeWidgetItem* item, QTreeWidgetItem* previous);
    // The tree's selection back on the pile shown (none without one).
    void ReselectShownPile();
    QString ItemPath(const QTreeWidgetItem* item) const;

    CKEV_DUXDoc* m_pDoc;
    CMainFrame* m_frame;
    CDlgProInfo* m_pProPanel = nullptr;
    CDlgPileInfo* m_pPilePanel = nullptr;
    CDlgWavaSpectrum* m_pWavePanel = nullptr;
    QTreeWidget* m_tree = nullptr;
    // The tree's two images, loaded once and shared by every item: loading
    // them for each item was most of the time a large project took to show.
    QIcon m_rootIcon, m_pileIcon;
    QTreeWidgetItem* m_hSelItem = nullptr;
    QComboBox* m_comboSort = nullptr;
    QTabWidget* m_tab = nullptr;
    bool m_bFirstUpdate = true;
    bool m_bFirstSelection = true;
    bool m_bSelecting = false;
    int m_nMarkedCount = 0;
    bool m_bSortedByTime = false;
};
