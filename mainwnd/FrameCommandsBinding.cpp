// The frame commands in the main window.
#include "mainwnd/FrameCommandsBinding.h"

#include "analysis/AnalysisView.h"
#include "analysis/AverageDlg.h"
#include "analysis/AverageWaveView.h"
#include "analysis/BaseView.h"
#include "analysis/MainWaveView.h"
#include "analysis/SingleWaveView.h"
#include "analysis/WaveletDlg.h"
#include "controls/MyPropertySheet.h"
#include "controls/UiServices.h"
#include "controls/ViewBar.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandRegistry.h"
#include "mainwnd/DisplaySetDlg.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/DlgProInfo.h"
#include "mainwnd/FormMain.h"
#include "mainwnd/KEVInputDlg.h"
#include "mainwnd/MainFrame.h"
#include "mainwnd/PITDataConvertDlg.h"
#include "mainwnd/SystemSetDlg.h"
#include "platform/Canvas.h"
#include "reports/ModifyGroupPage.h"
#include "reports/PrintCurve.h"
#include "reports/PrintSetDlg.h"
#include "reports/PrintStyleDlg.h"
#include "reports/ProRepSetPage.h"
#include "reports/SglRepSetPage.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace pit::frame {

namespace {

class ProgramLanguages : public LanguageChoice {
public:
    bool FilesExist() const override { return !LanguageFiles::instance().MenuEntries().empty(); }
    int CheckedItem() const override { return LanguageFiles::instance().CheckedItem(); }
    void Select(int itemId) override { LanguageFiles::instance().SelectLanguageItem(itemId); }
};

} // namespace

bool FrameCommandsBinding::LeftToFrame(int c) {
    switch (c) {
    // The frame's own handlers and rules.
    case id::kFileSave:
    case id::kViewMain:
    case id::kViewSingleWave:
    case id::kViewAnalysis:
    case id::kMainPanel:
    case id::kToolBar:
    case id::kUndoDefect:
    case id::kUndoAllDefects:
    case id::kAppExit:
    case id::kFileOpen:
    // Exports and report mode: other parts.
    case id::kExportStateExcel:
    case id::kExportCurvePictures:
    case id::kExportCurveDocument:
    case id::kSingleReport:
    case id::kProjectReport:
    case id::kReportSpare:
    case id::kPrintPreview:
    case id::kPrint:
    case id::kCountInfo:
    case id::kPreviewClose:
        return true;
    default:
        return false;
    }
}

FrameCommandsBinding::FrameCommandsBinding(CMainFrame& frame)
    : QObject(&frame), m_frame(frame), m_languages(std::make_unique<ProgramLanguages>()) {
    m_commands = std::make_unique<FrameCommands>(*frame.GetDoc(), frame, *this);
    m_commands->SetLanguageChoice(m_languages.get());
    CommandRegistry* registry = frame.Commands();
    registry->SetRoute(CommandRegistry::Route::Document,
                       [this](int c) { return !LeftToFrame(c) && m_commands->Execute(c); });
    // The registry connected these first, so its rules run before ours.
    for (QMenu* menu : frame.menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &FrameCommandsBinding::ApplyRules);
    if (QTimer* idle = registry->findChild<QTimer*>())
        connect(idle, &QTimer::timeout, this, &FrameCommandsBinding::ApplyRules);
    ApplyRules();
}

FrameCommandsBinding::~FrameCommandsBinding() = default;

void FrameCommandsBinding::ApplyRules() {
    const CMainFrame& f = m_frame;
    m_commands->SetPanelsVisible(!f.PanelBar()->isHidden(), !f.ReportBar()->isHidden(),
                                 !f.MainToolBar()->isHidden(), !f.ReportToolBar()->isHidden());
    const UiState s = m_commands->Snapshot();
    for (const auto& [c, action] : f.Commands()->Actions()) {
        if (LeftToFrame(c))
            continue;
        const std::optional<CommandState> st = EvaluateRule(c, s);
        if (!st)
            continue;
        action->setEnabled(st->enabled);
        action->setCheckable(st->checkable);
        if (st->checkable)
            action->setChecked(st->checked);
    }
}

ActiveView FrameCommandsBinding::Active() const {
    return m_frame.ActiveViewKind();
}

int FrameCommandsBinding::ActiveWave() const {
    if (m_frame.ActiveViewKind() == ActiveView::Analysis && m_frame.AnalysisView())
        return m_frame.AnalysisView()->GetCurrentWave();
    const CBaseView* v = m_frame.ActiveBaseView();
    return v ? v->CurrentWave() : -1;
}

void FrameCommandsBinding::SetRotateMode(bool on) {
    m_frame.SetRotateMode(on);
}

void FrameCommandsBinding::SetActiveWave(int channel) {
    if (CBaseView* v = m_frame.ActiveBaseView())
        v->SetCurrentWave(channel);
}

bool FrameCommandsBinding::CtrlHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

void FrameCommandsBinding::ActivateUpper() {
    m_frame.SetActivateUpper(true);
    m_frame.SwitchToView(ActiveView::MainWave);
}

QPaintDevice* FrameCommandsBinding::DrawingDevice() {
    return m_frame.ActiveBaseView();
}

void FrameCommandsBinding::RedrawActive() {
    if (CBaseView* v = m_frame.ActiveBaseView()) {
        v->ClearBackground();
        v->InvalidateView();
    }
}

void FrameCommandsBinding::MarkPileSaved(bool saved) {
    if (CFormMain* form = m_frame.FormMain())
        form->MarkPileSaved(saved);
}

void FrameCommandsBinding::ReloadProjectDates() {
    if (CFormMain* form = m_frame.FormMain())
        if (CDlgProInfo* pro = form->ProjectPanel())
            pro->LoadDates();
}

void FrameCommandsBinding::UpdatePanelControls() {
    if (CFormMain* form = m_frame.FormMain())
        form->UpdatePanelControls();
}

QString FrameCommandsBinding::ChooseFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(&m_frame, title);
}

QString FrameCommandsBinding::ChooseSaveFile(const QString& defaultName) {
    QFileDialog dlg(&m_frame, {}, defaultName, QStringLiteral("bmp (*.bmp)"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("bmp"));
    dlg.selectFile(defaultName);
    return dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty() ? dlg.selectedFiles().front()
                                                                             : QString();
}

KevDiameterAsker FrameCommandsBinding::DiameterAsker() {
    return CKEVInputDlg::MakeAsker(&m_frame);
}

void FrameCommandsBinding::RunZezConversion() {
    CPITDataConvertDlg dlg(m_frame.GetDoc()->m_strPITDefaultDir);
    dlg.exec();
}

void FrameCommandsBinding::RunOptionsSheet() {
    CKEV_DUXDoc* doc = m_frame.GetDoc();
    CMyPropertySheet sheet(ui::english() ? QStringLiteral("Set") : QStringLiteral("设置"), &m_frame);
    CSystemSetDlg system(doc);
    CDisplaySetDlg display(doc);
    sheet.AddPage(&system);
    sheet.AddPage(&display);
    connect(&sheet, &CMyPropertySheet::refreshRequested, this,
            [this](int code, int sub) { m_frame.Refresh(RefreshTarget(code), sub); });
    sheet.exec();
}

void FrameCommandsBinding::RunPrintSetup() {
    CKEV_DUXDoc* doc = m_frame.GetDoc();
    // 1 single-pile, 2 project reports on show; 0 outside report mode.
    int kind = 0;
    if (m_frame.ActiveViewKind() == ActiveView::Report) {
        kind = m_frame.ReportProjectMode() ? 2 : 1;
        if (QWidget* view = m_frame.ReportView())
            view->setFocus();
    }
    PrepareCommonValues(doc->m_CommonInfo);
    Q_EMIT m_frame.reportFormApplyCommonValues(false);
    if (m_frame.ReportEntered())
        m_frame.CommonSnapshot() = doc->m_CommonInfo;

    CMyPropertySheet sheet(ui::english() ? QStringLiteral("Print Set") : QStringLiteral("打印设置"),
                           &m_frame);
    CPrintStyleDlg items(&doc->m_PrintSettings);
    CPrintSetDlg pageSetup(&doc->m_PrintSettings);
    CPrintCurve lineTypes(&doc->m_CurveStyle);
    CModifyGroupPage common(&doc->m_CommonInfo, &doc->m_History, kind);
    CSglRepSetPage single(doc, &doc->m_PrintSettings);
    CProRepSetPage project(doc, &doc->m_PrintSettings);
    std::vector<CSheetPage*> pages = {&items, &pageSetup, &lineTypes, &common};
    if (kind == 1)
        pages.push_back(&single);
    else if (kind == 2)
        pages.push_back(&project);
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView);
    for (CSheetPage* page : pages) {
        sheet.AddPage(page);
        sheet.AddIcon(icon);
    }
    sheet.SetMode(0);
    connect(&sheet, &CMyPropertySheet::refreshRequested, this,
            [this](int code, int sub) { m_frame.Refresh(RefreshTarget(code), sub); });
    sheet.exec();

    // OK or Cancel: the common values not in use come back as they were.
    RestoreUnusedCommonValues(doc->m_CommonInfo, m_frame.CommonSnapshot());
    if (kind == 1 || kind == 2) {
        m_frame.Refresh(RefreshTarget::ReportView, 0);
        if (doc->m_bAllPilesAge && doc->m_bUseCommonInfo)
            m_frame.OnFormDatesMessage();
    }
}

bool FrameCommandsBinding::RunAverageDialog() {
    CAverageDlg dlg(m_frame.GetDoc()->m_PileRecord, &m_frame);
    return dlg.exec() == QDialog::Accepted;
}

bool FrameCommandsBinding::RunWaveletDialog(int channel) {
    CWaveRecord* w = m_frame.GetDoc()->m_PileRecord.Channel(channel);
    if (!w)
        return false;
    CWaveletDlg dlg(w, &m_frame, &m_frame);
    return dlg.exec() == QDialog::Accepted;
}

void FrameCommandsBinding::RunDigitalFilter() {
    if (CFormMain* form = m_frame.FormMain())
        form->OnDigitalFilter();
}

void FrameCommandsBinding::RunExpAmplify() {
    if (CFormMain* form = m_frame.FormMain())
        form->OnExponentialAmplify();
}

void FrameCommandsBinding::RunFixedParams() {
    if (CFormMain* form = m_frame.FormMain())
        if (CDlgPileInfo* pile = form->PilePanel())
            pile->OnBnClickedFixPara();
}

bool FrameCommandsBinding::SaveTraceBitmap(int channel, const QString& path) {
    CKEV_DUXDoc* doc = m_frame.GetDoc();
    CWaveRecord* w = doc->m_PileRecord.Channel(channel);
    if (!w)
        return false;
    QImage image(768, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        gdi::Canvas dc(painter);
        const PrintDrawDoc drawDoc{&doc->m_PrintSettings, &doc->m_CurveStyle, doc};
        w->DrawForPrintB(dc, 0, w->SampleCount(), gdi::Rect{0, 0, 768, 400}, true, nullptr, drawDoc);
    }
    return image.save(path, "BMP");
}

void FrameCommandsBinding::ShowAnalysisCurve(int curve, int channel) {
    CAnalysisView* view = m_frame.AnalysisView();
    if (!view)
        return;
    if (m_frame.ActiveViewKind() != ActiveView::Analysis) {
        view->SetCurrentWave(channel);
        m_frame.OnViewAnalysis();
    }
    if (curve == 1)
        view->OnViewSpectrum();
    else
        view->OnViewPhase();
}

void FrameCommandsBinding::SelectChannel(int commandId) {
    const ActiveView active = m_frame.ActiveViewKind();
    if (active == ActiveView::Report || active == ActiveView::None)
        return;
    CPileRecord& rec = m_frame.GetDoc()->m_PileRecord;
    const int n = rec.ChannelCountInList();
    const bool average = commandId == id::kSelectChannelLast;
    const int target = average ? n - 1 : commandId - id::kSelectChannelFirst;
    if (!average && (target < 0 || target >= n - 1))
        return;
    if (target < 0)
        return;
    if (active == ActiveView::MainWave || active == ActiveView::Average) {
        if (average)
            m_frame.AverageView()->SelectAverage();
        else
            m_frame.MainWaveView()->SelectChannel(target);
        return;
    }
    if (CWaveRecord* old = rec.CurrentChannel())
        old->SetSelected(false);
    SetActiveWave(target);
    rec.m_nCurrentChannel = target;
    if (CWaveRecord* w = rec.CurrentChannel())
        w->SetSelected(true);
    m_frame.MainWaveView()->OnUpdate();
    m_frame.Refresh(RefreshTarget::AllWaveViews);
}

FrameCommandsBinding* InstallFrameCommands(CMainFrame& frame) {
    return new FrameCommandsBinding(frame);
}

} // namespace pit::frame
