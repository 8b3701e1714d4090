// The main window: menus and two tool bars from the command registry, the
// status bar, the main panel and the report-mode form in left docks, and the
// client area with the averaged/main wave view pair in a fixed splitter above
// a stack of the detail views, all created once and then shown or hidden.
// It implements the frame services the views and panels call.
#pragma once

#include "analysis/FrameServices.h"
#include "core/doc/CommonInfo.h"
#include "mainwnd/CommandTable.h"
#include "reportmode/ExportView.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class CAnalysisView;
class CAverageView;
class CBaseView;
class CExportForm;
class CFixedSplitterWnd;
class CFormMain;
class CKEV_DUXDoc;
class CKEV_DUXView;
class CSingleWaveView;
class CViewBar;
class QSettings;
class QStackedWidget;
class QToolBar;

namespace pit {
class CommandRegistry;
class ExcelExport;
class OfficeExcelExport;
class OfficeWordExport;
class QtExportServices;
class ReportFactory;
namespace frame {
class FrameCommandsBinding;
}
} // namespace pit

// The view mode of the main window and the one before it: 0 main view pair,
// 1 analysis view, 2 single-wave view, 4 report mode.
extern int g_nViewMode;
extern int g_nPrevViewMode;

class CMainFrame : public QMainWindow, public pit::FrameServices, public pit::ReportModeHost {
    Q_OBJECT
public:
    // layout: where docks and sizes are kept between runs (none: not kept).
    CMainFrame(CKEV_DUXDoc* doc, bool english, QSettings* layout = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // ---- frame services ------------------------------------------------------
    CKEV_DUXDoc* GetDoc() override { return m_pDoc; }
    pit::ViewMode GetViewMode() const override;
    void SetViewMode(pit::ViewMode mode) override;
    pit::ViewMode GetPreviousViewMode() const override;
    void SetPreviousViewMode(pit::ViewMode mode) override;
    bool IsRotateMode() const override { return m_bRotateMode; }
    bool IsDragEditMode() const override { return m_bDragEditMode; }
    void SetRotateMode(bool on) { m_bRotateMode = on; }
    bool WasSingleWaveView() const override { return m_bLastDetailSingle; }
    void OnViewMain() override;
    void OnViewAnalysis() override;
    void OnViewSingleWave() override;
    // The one save (the command table's "保存"); false when nothing could be written.
    bool OnFileSave() override;
    void Refresh(pit::RefreshTarget target, int wParam = 0) override;
    CBaseView* UpperPaneView() override;
    CBaseView* LowerPaneView() override;
    void ExchangeWaveParams(bool toPanel, bool apply) override;
    int OnPanelMessage(pit::PanelMessage message) override;
    void ReprocessWave() override;
    int GetSpectrumEditField() const override;
    void StepAmplificationIndex(int step) override;
    void StepAmplificationStart(int step) override;
    void BuildIntegrityText(bool store) override;
    int SetPanelParameters(int highPassHz, int lowPassHz, int gain) override;
    void RefreshPanelFields() override;
    bool HasPileInfoPage() const override;
    void KeepTimeSetSpeed() override;
    void KeepTimeSetLength() override;
    void EnableFixButton(bool enabled) override;
    void EnablePileShapeFields() override;
    void ApplyFixedParams() override;
    bool ValidateStretchSteps() override;
    void ApplyDisplaySettings() override;
    void SetReportCurrentIndex(int index) override { m_nReportIndex = index; }

    // ---- report mode's list view -------------------------------------------------
    void RefreshFromReport(pit::RefreshTarget target, int sub) override { Refresh(target, sub); }
    void ReportDatesChanged() override { OnFormDatesMessage(); }
    bool StoreReportForm() override;
    bool PilesOrderedByTestTime() const override;
    void LeaveReportMode() override;

    // ---- the frame's own operations ------------------------------------------
    // Shows the view (or the main pair) and activates it. The main pair
    // activates its lower pane, and then the upper one when m_bActivateUpper is set.
    void SwitchToView(pit::ActiveView view);
    // Within the main pair: the averaged view (upper) or the main wave view.
    void ActivateMainPane(bool upper);
    bool IsActiveView(pit::ActiveView view) const { return m_active == view; }
    pit::ActiveView ActiveViewKind() const { return m_active; }
    CBaseView* ActiveBaseView() const;
    void ShowReportBars(bool report);
    // Report mode: the report view in the client area, its tool bar and form;
    // bProject: project reports, else single-pile reports.
    void EnterReportMode(bool bProject);
    // The view remembered before a report command comes back (the report
    // view's "back" command).
    void RestoreViewMode();
    // m_nSavedView from the active view: 1 main, 2 averaged, 3 single wave,
    // 4 analysis, 5 report view; unchanged for none.
    void RememberActiveView();
    int SavedView() const { return m_nSavedView; }
    bool ReportProjectMode() const { return m_bReportProject; }
    // Whether report mode was entered since the start.
    bool ReportEntered() const { return m_bReportEntered; }
    // The common values as the print setup found them (empty before the
    // first copy); the values not in use go back to it after the sheet.
    CCommonInfo& CommonSnapshot() { return m_commonSnapshot; }
    // Asks to save the modified pile: Save, Don't save, Cancel. False on Cancel.
    bool PromptSaveChanges();
    // The report-mode view's request after a pile was loaded or the age changed.
    void OnFormDatesMessage();
    // After the main panel loaded a pile: every view takes the current channel.
    void OnPileSelected();
    // The window title for that open file (empty: none) through the one composer.
    void SetTitleFor(const QString& path);
    pit::CommandRegistry* Commands() const { return m_commands; }
    // The command table and the host of its handlers.
    pit::frame::FrameCommandsBinding* Binding() const { return m_binding; }
    CFormMain* FormMain() const { return m_pFormMain; }
    CViewBar* PanelBar() const { return m_wndPanelBar; }
    CViewBar* ReportBar() const { return m_wndReportBar; }
    QToolBar* MainToolBar() const { return m_wndToolBar; }
    QToolBar* ReportToolBar() const { return m_wndReportToolBar; }
    CKEV_DUXView* MainWaveView() const { return m_mainView; }
    CAverageView* AverageView() const { return m_averageView; }
    CSingleWaveView* SingleWaveView() const { return m_singleView; }
    CAnalysisView* AnalysisView() const { return m_analysisView; }
    // The open pile's waves as one metafile page (文件 / 导出文件 / 导出文件当前状态曲线图片);
    // false when cancelled or not written.
    bool OnExportCurvePictures();
    // Where the frame and the report view ask for files and open them; tests
    // install their own.
    void SetExportServices(pit::ExportServices* services);
    // The report builders the print hosts use (the document writer is installed into it).
    pit::ReportFactory* ReportFactory() const { return m_reportFactory.get(); }
    // The workbook writer of the state export and the report builders (the
    // program's own unless one is installed; tests install theirs).
    void SetExcelExport(pit::ExcelExport* excel);
    // 32806: the open pile's values and samples as a raw-data workbook.
    void OnExportStateExcel();
    // The document writer of the report builders and the curve document.
    pit::OfficeWordExport* WordExport() const { return m_wordExport.get(); }
    // 32925: the open pile's curves as a document.
    void OnExportCurveDocument();
    QWidget* ReportView() const { return m_reportView; }
    CExportView* ExportView() const { return m_pExportView; }
    // Report mode's form kept as a row change keeps it; false when a value it
    // refuses keeps the user there (true outside report mode).
    bool KeepReportForm();
    CExportForm* ExportForm() const { return m_pExportForm; }
    QWidget* VisibleClientPage() const;
    bool ActivateUpperPending() const { return m_bActivateUpper; }
    void SetActivateUpper(bool on) { m_bActivateUpper = on; }
    // The recent-file list the File menu shows (newest first), and how an
    // entry is taken away; set by the application.
    struct RecentFileSource {
        std::function<QStringList()> list;
        std::function<void(const QString&)> remove;
    };
    void SetRecentFileSource(RecentFileSource source);
    QStringList RecentFileList() const { return m_recent.list ? m_recent.list() : QStringList(); }
    void ForgetRecentFile(const QString& path);
    // Remembered for the next run.
    void SaveLayout();
    void RestoreLayout();

Q_SIGNALS:
    // Each refresh code as it is dispatched (before the title step).
    void refreshed(int code, int sub);
    // For the report-mode view: 0 redraw its wave picture, 1 the common test date.
    void reportViewRefresh(int sub);
    // For the report-mode form: 0 reload from the record, 1 store its wave
    // fields, 2 apply the common values.
    void reportFormRefresh(int sub);
    // For the report-mode form: the document's age flag and common age (days).
    void reportFormDates(bool ageFlag, int commonAge);
    // For the report-mode form: apply the common values (load) or, while the
    // document does not use them yet, fill them from the form's sources.
    void reportFormApplyCommonValues(bool load);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void CreateCommands();
    void CreateClient();
    void CreateBars();
    void OnFocusChanged(QWidget* old, QWidget* now);
    void ComposeTitle();

    CKEV_DUXDoc* m_pDoc;
    bool m_bEnglish;
    QSettings* m_layout;
    pit::CommandRegistry* m_commands = nullptr;
    pit::frame::FrameCommandsBinding* m_binding = nullptr;
    CViewBar* m_wndPanelBar = nullptr;
    CFormMain* m_pFormMain = nullptr;
    CViewBar* m_wndReportBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QToolBar* m_wndReportToolBar = nullptr;
    QStackedWidget* m_client = nullptr;
    CFixedSplitterWnd* m_wndSplitter = nullptr;
    CAverageView* m_averageView = nullptr;
    CKEV_DUXView* m_mainView = nullptr;
    CSingleWaveView* m_singleView = nullptr;
    CAnalysisView* m_analysisView = nullptr;
    QWidget* m_reportView = nullptr;
    CExportView* m_pExportView = nullptr;
    CExportForm* m_pExportForm = nullptr;
    pit::ActiveView m_active = pit::ActiveView::None;
    int m_nAnalysisChannel = 0;
    int m_nAnalysisCurve = 1;
    bool m_bActivateUpper = false;
    bool m_bLastDetailSingle = true;
    int m_nSavedView = 1;
    bool m_bLocateMode = false;
    bool m_bRotateMode = false;
    bool m_bDragEditMode = false;
    bool m_bReportEntered = false;
    bool m_bReportProject = false;
    CCommonInfo m_commonSnapshot;
    int m_nReportIndex = 0;
    bool m_bClosing = false;
    std::unique_ptr<pit::QtExportServices> m_exportServices;
    pit::ExportServices* m_services = nullptr;
    std::unique_ptr<pit::OfficeWordExport> m_wordExport;
    std::unique_ptr<pit::ReportFactory> m_reportFactory;
    std::unique_ptr<pit::OfficeExcelExport> m_excelExport;
    pit::ExcelExport* m_pExcel = nullptr;
    RecentFileSource m_recent;
};
