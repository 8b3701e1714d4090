// The main window.
#include "mainwnd/MainFrame.h"

#include "analysis/AnalysisView.h"
#include "analysis/AverageWaveView.h"
#include "analysis/BaseView.h"
#include "analysis/MainWaveView.h"
#include "analysis/QtExportServices.h"
#include "analysis/ReFineIndexDlg.h"
#include "analysis/SingleWaveView.h"
#include "controls/CtrlId.h"
#include "controls/FixedSplitterWnd.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "controls/ViewBar.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandIds.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/DlgProInfo.h"
#include "mainwnd/FormMain.h"
#include "mainwnd/FrameCommandsBinding.h"
#include "mainwnd/RefreshHub.h"
#include "office/CurveDocument.h"
#include "office/ExcelExporter.h"
#include "office/OfficeWordExport.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"
#include "platform/Metrics.h"
#include "reportmode/CurvePicture.h"
#include "reportmode/ExportForm.h"
#include "reports/ExcelStateExport.h"
#include "reports/ExportServices.h"
#include "reports/ReportFactory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>

using namespace pit;

int g_nViewMode = 0;
int g_nPrevViewMode = 0;

namespace {

constexpr int kPagePair = 0, kPageAnalysis = 1, kPageSingle = 2, kPageReport = 3;
constexpr QSize kMinimumSize(1000, 640);

void SetMode(int mode) {
    g_nPrevViewMode = g_nViewMode;
    g_nViewMode = mode;
}

} // namespace

CMainFrame::CMainFrame(CKEV_DUXDoc* doc, bool english, QSettings* layout, QWidget* parent)
    : QMainWindow(parent), m_pDoc(doc), m_bEnglish(english), m_layout(layout) {
    g_nViewMode = 0;
    g_nPrevViewMode = 0;
    setWindowTitle(english ? QStringLiteral("KEV-TIMBO 1.8.31008")
                           : QStringLiteral("KEV低应变分析程序 1.8.31008"));
    setObjectName(QStringLiteral("MainFrame"));
    CreateCommands();
    CreateClient();
    CreateBars();
    ShowReportBars(false);
    SwitchToView(ActiveView::MainWave);
    m_pFormMain->OnInitialUpdate();
    m_binding = new frame::FrameCommandsBinding(*this);

    if (m_pDoc) {
        connect(m_pDoc, &CKEV_DUXDoc::pileOpened, this, [this] {
            m_pFormMain->OnDocumentOpened();
            OnPileSelected();
            m_commands->Update();
        });
        m_pDoc->SetFixedParamHook([this](bool enabled) { EnableFixButton(enabled); });
    }
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    statusBar()->showMessage(m_bEnglish ? QStringLiteral("Ready") : QStringLiteral("就绪"));
    resize(1024, 700);
    // Below this the panel's pages and the wave rows stop being readable.
    setMinimumSize(kMinimumSize);
    RestoreLayout();
    m_commands->Update();
    m_commands->StartIdleUpdates();
}

CMainFrame::~CMainFrame() {
    disconnect(qApp, &QApplication::focusChanged, this, &CMainFrame::OnFocusChanged);
    if (m_pDoc)
        m_pDoc->SetFixedParamHook({});
}

// ---- creation ----------------------------------------------------------------------

void CMainFrame::CreateCommands() {
    m_commands = new CommandRegistry(this, m_bEnglish);
    // The menu bar's own light grey, its items at least 50 pixels wide.
    menuBar()->setStyleSheet(QStringLiteral("QMenuBar { background-color: rgb(245,245,245); }"
                                            "QMenuBar::item { min-width: 50px; padding: 2px 4px; }"));
    QMenu* language = m_commands->BuildMenuBar(menuBar());
    LanguageFiles& lang = LanguageFiles::instance();
    const int checked = lang.BuildLanguageMenu();
    QAction* none = m_commands->Register(cmd::kLanguageFirst,
                                         m_bEnglish ? QStringLiteral("Default") : QStringLiteral("默认"));
    language->addAction(none);
    for (const LanguageMenuEntry& e : lang.MenuEntries())
        language->addAction(m_commands->Register(e.id, e.text));
    // The menus follow the language file in use (also when the language
    // menu's choice and the file found differ, as under KEV_DUX_HOME).
    (void)checked;
    if (lang.HasActive()) {
        LoadTranslatedMenu(menuBar(), 128);
        m_commands->ApplyPrompts();
    }
}

void CMainFrame::CreateClient() {
    m_client = new QStackedWidget(this);
    m_wndSplitter = new CFixedSplitterWnd(m_client);
    m_averageView = new CAverageView(m_wndSplitter);
    m_mainView = new CKEV_DUXView(m_wndSplitter);
    m_wndSplitter->addWidget(m_averageView);
    m_wndSplitter->addWidget(m_mainView);
    m_analysisView = new CAnalysisView(m_client);
    if (m_pDoc) {
        m_exportServices = std::make_unique<pit::QtExportServices>(this);
        m_services = m_exportServices.get();
        m_wordExport = std::make_unique<pit::OfficeWordExport>(&m_pDoc->Context(), m_exportServices.get());
        m_reportFactory = std::make_unique<pit::ReportFactory>(m_pDoc, m_exportServices.get(),
                                                               m_wordExport.get(), CAnalysisView::kPrintDpi);
        m_analysisView->SetReportFactory(m_reportFactory.get());
        m_excelExport = std::make_unique<pit::OfficeExcelExport>(m_pDoc->Context(), m_exportServices.get());
        SetExcelExport(m_excelExport.get());
    }
    m_singleView = new CSingleWaveView(m_client);
    m_pExportView = new CExportView(m_pDoc, this, m_client);
    m_pExportView->SetReportFactory(m_reportFactory.get());
    m_pExportView->SetExportServices(m_exportServices.get());
    m_reportView = m_pExportView;
    m_client->insertWidget(kPagePair, m_wndSplitter);
    m_client->insertWidget(kPageAnalysis, m_analysisView);
    m_client->insertWidget(kPageSingle, m_singleView);
    m_client->insertWidget(kPageReport, m_reportView);
    m_analysisView->SetDetailIndexAsker([](int mode, int value, QWidget* parent) -> std::optional<int> {
        CReFineIndexDlg dlg(parent);
        dlg.m_nMode = mode;
        dlg.m_nValue = value;
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.m_nValue;
    });
    for (CBaseView* v :
         std::initializer_list<CBaseView*>{m_averageView, m_mainView, m_analysisView, m_singleView}) {
        v->SetDocument(m_pDoc);
        v->SetFrame(this);
        v->OnInitialUpdate();
    }
    m_pExportView->OnInitialUpdate();
    setCentralWidget(m_client);
}

void CMainFrame::CreateBars() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName(QStringLiteral("MainToolBar"));
    SetCtrlId(m_wndToolBar, 59392);
    m_wndToolBar->setIconSize(QSize(24, 24));
    m_commands->FillToolBar(m_wndToolBar, false);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    m_wndReportToolBar = new QToolBar(this);
    m_wndReportToolBar->setObjectName(QStringLiteral("ReportToolBar"));
    m_wndReportToolBar->setIconSize(QSize(24, 24));
    m_commands->FillToolBar(m_wndReportToolBar, true);
    addToolBar(Qt::TopToolBarArea, m_wndReportToolBar);

    m_pFormMain = new CFormMain(m_pDoc, this);
    m_wndPanelBar = new CViewBar(this);
    m_wndPanelBar->setObjectName(QStringLiteral("MainPanelBar"));
    m_wndPanelBar->Create(this, m_pFormMain, QString(), 59648);
    m_pExportForm = new CExportForm(m_pDoc);
    m_wndReportBar = new CViewBar(this);
    m_wndReportBar->setObjectName(QStringLiteral("ReportPanelBar"));
    m_wndReportBar->Create(this, m_pExportForm, QString(), 59649);
    m_pExportForm->OnInitialUpdate();
    // The refresh hub's report codes and the dates message reach the view and the form.
    connect(this, &CMainFrame::reportViewRefresh, this, [this](int sub) {
        if (sub == 0)
            m_pExportView->RefreshPicture();
        else if (sub == 1)
            m_pExportView->ApplyCommonDate();
    });
    connect(this, &CMainFrame::reportFormRefresh, this, [this](int sub) {
        if (sub == 0)
            m_pExportForm->RefreshFromRecord();
        else if (sub == 1)
            m_pExportForm->ExchangeWaveFields(true);
        else if (sub == 2)
            m_pExportForm->ApplyCommonValues(true);
    });
    connect(this, &CMainFrame::reportFormDates, m_pExportForm, &CExportForm::SetDates);
    connect(this, &CMainFrame::reportFormApplyCommonValues, m_pExportForm, &CExportForm::ApplyCommonValues);
    m_pFormMain->setMinimumWidth(250); // the pages' labels and fields side by side
    resizeDocks({m_wndPanelBar}, {300}, Qt::Horizontal);
}

// ---- views -------------------------------------------------------------------------

ViewMode CMainFrame::GetViewMode() const {
    return ViewMode(g_nViewMode);
}
void CMainFrame::SetViewMode(ViewMode mode) {
    g_nViewMode = int(mode);
}
ViewMode CMainFrame::GetPreviousViewMode() const {
    return ViewMode(g_nPrevViewMode);
}
void CMainFrame::SetPreviousViewMode(ViewMode mode) {
    g_nPrevViewMode = int(mode);
}

CBaseView* CMainFrame::UpperPaneView() {
    return m_averageView;
}
CBaseView* CMainFrame::LowerPaneView() {
    return m_mainView;
}

CBaseView* CMainFrame::ActiveBaseView() const {
    switch (m_active) {
    case ActiveView::MainWave:
        return m_mainView;
    case ActiveView::Average:
        return m_averageView;
    case ActiveView::SingleWave:
        return m_singleView;
    case ActiveView::Analysis:
        return m_analysisView;
    default:
        return nullptr;
    }
}

QWidget* CMainFrame::VisibleClientPage() const {
    return m_client->currentWidget();
}

void CMainFrame::SwitchToView(ActiveView view) {
    const bool pair = view == ActiveView::MainWave || view == ActiveView::Average;
    const int page = pair                             ? kPagePair
                     : view == ActiveView::Analysis   ? kPageAnalysis
                     : view == ActiveView::SingleWave ? kPageSingle
                                                      : kPageReport;
    m_client->setCurrentIndex(page);
    // The views share the channels' layout: a view shown again lays its
    // channels out anew, at its own size.
    if (pair) {
        m_mainView->ClearBackground();
        m_averageView->ClearBackground();
    } else if (CBaseView* shown = qobject_cast<CBaseView*>(m_client->currentWidget())) {
        shown->ClearBackground();
    }
    QWidget* focus = nullptr;
    if (pair) {
        m_active = ActiveView::MainWave;
        focus = m_mainView;
        if (m_bActivateUpper) {
            m_active = ActiveView::Average;
            focus = m_averageView;
            m_bActivateUpper = false;
        }
    } else {
        m_active = view;
        focus = m_client->currentWidget();
    }
    focus->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::ActivateMainPane(bool upper) {
    if (!upper && m_active == ActiveView::Average) {
        m_bActivateUpper = false;
        SwitchToView(ActiveView::MainWave);
    } else if (upper && m_active == ActiveView::MainWave) {
        m_bActivateUpper = true;
        SwitchToView(ActiveView::MainWave);
    }
}

void CMainFrame::OnFocusChanged(QWidget*, QWidget* now) {
    for (QWidget* w = now; w; w = w->parentWidget()) {
        if (w == m_mainView)
            m_active = ActiveView::MainWave;
        else if (w == m_averageView)
            m_active = ActiveView::Average;
        else
            continue;
        return;
    }
}

void CMainFrame::OnViewMain() {
    SetMode(0);
    const CBaseView* v = ActiveBaseView();
    const int index = m_active == ActiveView::Report ? m_nReportIndex : v ? v->CurrentWave() : 0;
    if (m_pDoc && index == m_pDoc->m_PileRecord.ChannelCountInList() - 1 && index >= 0)
        m_bActivateUpper = true;
    if (m_active == ActiveView::Analysis)
        m_bLastDetailSingle = false;
    else if (m_active == ActiveView::SingleWave)
        m_bLastDetailSingle = true;
    SwitchToView(ActiveView::Average);
}

void CMainFrame::OnViewSingleWave() {
    if (!m_pDoc || !m_pDoc->m_bFileOpen)
        return;
    g_nViewMode = 2;
    m_singleView->SetCurrentWave(std::max(0, m_pDoc->m_PileRecord.m_nCurrentChannel));
    m_singleView->ClearBackground();
    SwitchToView(ActiveView::SingleWave);
    m_singleView->OnUpdate();
}

void CMainFrame::OnViewAnalysis() {
    SetMode(1);
    SwitchToView(ActiveView::Analysis);
}

void CMainFrame::ShowReportBars(bool report) {
    m_wndToolBar->setVisible(!report);
    m_wndPanelBar->setVisible(!report);
    m_wndReportToolBar->setVisible(report);
    m_wndReportBar->setVisible(report);
}

void CMainFrame::RememberActiveView() {
    switch (m_active) {
    case ActiveView::MainWave:
        m_nSavedView = 1;
        break;
    case ActiveView::Average:
        m_nSavedView = 2;
        break;
    case ActiveView::SingleWave:
        m_nSavedView = 3;
        break;
    case ActiveView::Analysis:
        m_nSavedView = 4;
        break;
    case ActiveView::Report:
        m_nSavedView = 5;
        break;
    case ActiveView::None:
        break;
    }
}

void CMainFrame::EnterReportMode(bool bProject) {
    // Report mode reads and writes the pile files: unsaved edits of the open
    // pile are saved or dropped first, and Cancel stays where it is.
    if (g_nViewMode != 4 && m_pDoc && m_pDoc->m_bFileOpen && m_pDoc->IsModified() && !PromptSaveChanges())
        return;
    m_bReportEntered = true;
    const CBaseView* v = ActiveBaseView();
    const int channel = v ? v->CurrentWave() : m_nReportIndex;
    SwitchToView(ActiveView::Report);
    SetMode(4);
    m_nReportIndex = channel;
    m_bReportProject = bProject;
    ShowReportBars(true);
    m_pExportView->SetCurrentIndex(channel);
    m_pExportView->ShowReportMode(!bProject);
    m_pExportForm->ShowProjectTexts();
}

void CMainFrame::SetExportServices(ExportServices* services) {
    m_services = services;
    m_pExportView->SetExportServices(services);
}

bool CMainFrame::OnExportCurvePictures() {
    if (!m_pDoc || !m_pDoc->m_bFileOpen || !m_services)
        return false;
    const CPileRecord& pile = m_pDoc->m_PileRecord;
    SaveFileAsk ask;
    ask.defaultName =
        report::PictureFileName(QStringLiteral("Pile_") + pile.m_strPileNo).value_or(QStringLiteral("Pile")) +
        QStringLiteral(".emf");
    ask.defaultSuffix = QStringLiteral("emf");
    ask.filter = QStringLiteral("EMF Files (*.emf)");
    ask.folder = QFileInfo(m_pDoc->GetPathName()).absolutePath();
    const std::optional<QString> path = m_services->ChooseSaveFile(ask);
    if (!path)
        return false;
    QString why;
    if (!WriteCurvePicture(pile, *path, GetScreenScalePercent(), m_pDoc->m_nDecimalPointNum, &why,
                           m_bEnglish)) {
        ui::messages().show(why, FrameTitleWord(m_bEnglish), MB_OK | MB_ICONERROR);
        return false;
    }
    m_services->OpenWithDesktop(*path);
    return true;
}

bool CMainFrame::StoreReportForm() {
    // Refresh code 15, sub-code 1, with the form's answer.
    const bool stored = m_pExportForm->ExchangeWaveFields(true);
    ComposeTitle();
    return stored;
}

bool CMainFrame::PilesOrderedByTestTime() const {
    return m_pFormMain && m_pFormMain->SortedByTestTime();
}

void CMainFrame::LeaveReportMode() {
    if (m_pDoc && m_pDoc->m_bFileOpen) {
        // The pile comes back as its file holds it (report mode may have saved it).
        try {
            m_pDoc->m_PileRecord.ReloadFile();
        } catch (const FileError& e) {
            ui::messages().show(e.message(m_bEnglish), FrameTitleWord(m_bEnglish), MB_OK | MB_ICONWARNING);
        }
        m_pDoc->SetModifiedFlag(false);
        m_pFormMain->UpdateFormData(false);
    }
    RestoreViewMode();
    if (m_pDoc && m_pDoc->m_bFileOpen)
        OnPileSelected();
}

void CMainFrame::RestoreViewMode() {
    switch (m_nSavedView) {
    case 1:
    case 2:
        OnViewMain();
        break;
    case 3:
        // The single-wave view needs a pile; without one the main pair comes back.
        if (m_pDoc && m_pDoc->m_bFileOpen)
            OnViewSingleWave();
        else
            OnViewMain();
        break;
    case 4:
        OnViewAnalysis();
        break;
    case 5:
        EnterReportMode(true);
        break;
    }
    ShowReportBars(m_nSavedView == 5);
    if (m_pDoc && m_pDoc->m_bFixedParams && !m_pDoc->m_PileRecord.m_bFixedParam)
        ApplyFixedParams();
    else if (CBaseView* v = ActiveBaseView(); v && m_nSavedView < 5) {
        v->ClearBackground();
        v->InvalidateView();
    }
    if (g_nPrevViewMode == 4)
        m_pFormMain->UpdateFormData(false);
}

void CMainFrame::OnPileSelected() {
    if (!m_pDoc)
        return;
    const CPileRecord& r = m_pDoc->m_PileRecord;
    const int channel = std::max(0, r.m_nCurrentChannel);
    for (CBaseView* v : std::initializer_list<CBaseView*>{m_mainView, m_analysisView, m_singleView}) {
        v->ClearBackground();
        v->SetCurrentWave(channel);
        v->OnUpdate();
    }
    m_averageView->ClearBackground();
    m_averageView->SetCurrentWave(std::max(0, r.ChannelCountInList() - 1));
    m_averageView->OnUpdate();
    m_nReportIndex = r.m_nCurrentChannel;
    ActivateMainPane(r.m_nCurrentChannel == r.ChannelCountInList() - 1);
    ComposeTitle();
}

// ---- refresh hub and title -----------------------------------------------------------

void CMainFrame::Refresh(RefreshTarget target, int wParam) {
    const int code = int(target);
    const RefreshPlan plan = PlanRefresh(code, wParam);
    if (plan.pileChanged)
        m_pFormMain->OnPileChanged();
    if (plan.integrityText)
        m_pFormMain->RefreshIntegrityText();
    if (plan.testDateState && m_pDoc) {
        const bool dateFixed = m_pDoc->m_bFixedParams && m_pDoc->m_nFixSettings[9] != 0;
        m_pFormMain->UpdateTestDateState(m_pDoc->m_bEnableTestDate && !dateFixed);
    }
    if (plan.views && m_pDoc) {
        const int index = std::max(0, m_pDoc->m_PileRecord.m_nCurrentChannel);
        auto redraw = [](CBaseView* v, int wave) {
            v->ClearBackground();
            if (wave >= 0)
                v->SetCurrentWave(wave);
            v->InvalidateView();
        };
        if (plan.views & RefreshPlan::kMainWave)
            redraw(m_mainView, index);
        if (plan.views & RefreshPlan::kAverage)
            redraw(m_averageView, -1);
        if (plan.views & RefreshPlan::kAnalysis)
            redraw(m_analysisView, index);
        if (plan.views & RefreshPlan::kSingle)
            redraw(m_singleView, index);
    }
    if (plan.reportForm >= 0)
        Q_EMIT reportFormRefresh(plan.reportForm);
    if (plan.reportView >= 0)
        Q_EMIT reportViewRefresh(plan.reportView);
    Q_EMIT refreshed(code, wParam);
    ComposeTitle();
}

void CMainFrame::OnFormDatesMessage() {
    if (m_pDoc)
        Q_EMIT reportFormDates(m_pDoc->m_bAllPilesAge, m_pDoc->m_iAllAge);
}

void CMainFrame::ComposeTitle() {
    SetTitleFor(m_pDoc && m_pDoc->m_bFileOpen ? m_pDoc->GetPathName() : QString());
}

void CMainFrame::SetTitleFor(const QString& path) {
    setWindowTitle(ComposeWindowTitle(m_bEnglish, path));
}

// ---- save and close ------------------------------------------------------------------

bool CMainFrame::PromptSaveChanges() {
    const QString name = m_pDoc ? QFileInfo(m_pDoc->GetPathName()).fileName() : QString();
    const QString text = m_bEnglish ? QStringLiteral("Save To") + name + QStringLiteral("?")
                                    : QStringLiteral("是否将改动保存到") + name + QStringLiteral("?");
    const int answer =
        ui::messages().show(text, FrameTitleWord(m_bEnglish), MB_YESNOCANCEL | MB_ICONASTERISK);
    if (answer == IDCANCEL)
        return false;
    if (answer == IDYES && m_pDoc) {
        CPileRecord& r = m_pDoc->m_PileRecord;
        if (r.m_fChannelZoom > 0)
            for (int i = 0; i < r.ChannelCountInList(); ++i)
                if (CWaveRecord* w = r.Channel(i))
                    w->zoom = r.m_fChannelZoom;
        // A failed save was reported; the user stays to decide again.
        if (!OnFileSave())
            return false;
    }
    return true;
}

bool CMainFrame::OnFileSave() {
    return m_binding && m_binding->Commands().OnFileSave();
}

bool CMainFrame::KeepReportForm() {
    return g_nViewMode != 4 || !m_pExportView || m_pExportView->KeepFormEdits();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    // A value the report form refuses keeps the window.
    if (!KeepReportForm()) {
        e->ignore();
        return;
    }
    if (m_pDoc && m_pDoc->m_bFileOpen && m_pDoc->IsModified()) {
        if (!PromptSaveChanges()) {
            e->ignore();
            return;
        }
        m_pDoc->SetModifiedFlag(false);
    }
    SaveLayout();
    e->accept();
}

void CMainFrame::SetRecentFileSource(RecentFileSource source) {
    m_recent = std::move(source);
    m_commands->SetRecentFiles(m_recent.list);
    m_commands->Update();
}

void CMainFrame::ForgetRecentFile(const QString& path) {
    if (m_recent.remove)
        m_recent.remove(path);
}

void CMainFrame::SaveLayout() {
    if (!m_layout)
        return;
    if (g_nViewMode == 4)
        ShowReportBars(false); // the layout kept is that of the wave views
    m_layout->setValue(QStringLiteral("MainFrame/geometry"), saveGeometry());
    m_layout->setValue(QStringLiteral("MainFrame/state"), saveState());
    m_layout->sync();
}

void CMainFrame::RestoreLayout() {
    if (!m_layout)
        return;
    restoreGeometry(m_layout->value(QStringLiteral("MainFrame/geometry")).toByteArray());
    restoreState(m_layout->value(QStringLiteral("MainFrame/state")).toByteArray());
    // The program starts outside report mode, whatever was shown when it ended.
    m_wndReportToolBar->hide();
    m_wndReportBar->hide();
}

// ---- commands ------------------------------------------------------------------------

void CMainFrame::SetExcelExport(pit::ExcelExport* excel) {
    m_pExcel = excel;
    if (m_reportFactory)
        m_reportFactory->SetExcelExport(excel);
}

void CMainFrame::OnExportCurveDocument() {
    if (!m_pDoc || !m_wordExport)
        return;
    pit::ExportCurveDocument(m_pDoc->m_PileRecord, m_pDoc->m_nDecimalPointNum, *m_wordExport,
                             m_pDoc->m_strFolder);
}

void CMainFrame::OnExportStateExcel() {
    if (!m_pDoc || !m_pExcel)
        return;
    const CPileRecord& pile = m_pDoc->m_PileRecord;
    // While fixed-parameter analysis is active its parameter set gives the section.
    const CPileParamSet* fixed = m_pDoc->m_bFixedParams ? &m_pDoc->m_FixParams : nullptr;
    const pit::RawWorkbookInput in =
        pit::MakeRawWorkbookInput(pile, m_pDoc->m_ProjectInfo, fixed, m_bEnglish);
    pit::ExcelTarget target;
    target.folder = QFileInfo(pile.m_strPath).absolutePath();
    target.defaultName = pit::RawWorkbookDefaultName(pile.m_strPileNo, m_bEnglish);
    m_pExcel->ExportRawData(in.info, in.flags, in.waves, target);
}

// ---- main panel and pile page services ---------------------------------------------------

void CMainFrame::ExchangeWaveParams(bool toPanel, bool apply) {
    m_pFormMain->ExchangeWaveParams(toPanel, apply);
}
int CMainFrame::OnPanelMessage(PanelMessage message) {
    if (message == PanelMessage::RebuildPileTree)
        m_pFormMain->FillPileTree();
    else if (message == PanelMessage::ReprocessWave)
        m_pFormMain->ReprocessWave();
    return 0;
}
void CMainFrame::ReprocessWave() {
    m_pFormMain->ReprocessWave();
}
int CMainFrame::GetSpectrumEditField() const {
    return m_pFormMain->GetSpectrumEditField();
}
void CMainFrame::StepAmplificationIndex(int step) {
    m_pFormMain->StepAmplificationIndex(step);
}
void CMainFrame::StepAmplificationStart(int step) {
    m_pFormMain->StepAmplificationStart(step);
}
void CMainFrame::BuildIntegrityText(bool store) {
    m_pFormMain->BuildIntegrityText(store);
}
int CMainFrame::SetPanelParameters(int highPassHz, int lowPassHz, int gain) {
    return m_pFormMain->SetPanelParameters(highPassHz, lowPassHz, gain);
}
void CMainFrame::RefreshPanelFields() {
    m_pFormMain->UpdateFormData(false);
}
bool CMainFrame::HasPileInfoPage() const {
    return m_pFormMain->PilePanel() != nullptr;
}
void CMainFrame::KeepTimeSetSpeed() {
    if (CDlgPileInfo* p = m_pFormMain->PilePanel())
        p->ConfirmSpeed();
}
void CMainFrame::KeepTimeSetLength() {
    if (CDlgPileInfo* p = m_pFormMain->PilePanel())
        p->ConfirmLength();
}
void CMainFrame::EnableFixButton(bool enabled) {
    if (CDlgPileInfo* p = m_pFormMain->PilePanel())
        p->EnableFixButton(!enabled);
}
void CMainFrame::EnablePileShapeFields() {
    if (CDlgPileInfo* p = m_pFormMain->PilePanel())
        p->EnableFields();
}
void CMainFrame::ApplyFixedParams() {
    if (CDlgPileInfo* p = m_pFormMain->PilePanel())
        p->ApplyFixedParams();
}
bool CMainFrame::ValidateStretchSteps() {
    return !m_pDoc || (m_pDoc->m_nStretchSteps >= 2 && m_pDoc->m_nStretchSteps <= 6);
}
void CMainFrame::ApplyDisplaySettings() {
    Refresh(RefreshTarget::IntegrityText);
    Refresh(RefreshTarget::AllWaveViews);
}
