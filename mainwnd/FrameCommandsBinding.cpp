// The frame commands in the main window.
#include "mainwnd/FrameCommandsBinding.h"

#include "analysis/AnalysisView.h"
#include "analysis/AverageDlg.h"
#include "analysis/AverageWaveView.h"
#include "analysis/BaseView.h"
#include "analysis/MainWaveView.h"
#include "analysis/PrintUi.h"
#include "analysis/SingleWaveView.h"
#include "analysis/WaveletDlg.h"
#include "controls/MyPropertySheet.h"
#include "controls/PrinterSupport.h"
#include "controls/UiServices.h"
#include "controls/ViewBar.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/LanguageFiles.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/AboutDlg.h"
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
#include "reports/ReportFactory.h"
#include "reports/SglRepSetPage.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
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

FrameCommandsBinding::FrameCommandsBinding(CMainFrame& frame)
    : QObject(&frame), m_frame(frame), m_registry(frame.Commands()),
      m_languages(std::make_unique<ProgramLanguages>()) {
    m_commands = std::make_unique<FrameCommands>(*frame.GetDoc(), frame, *this);
    m_commands->SetLanguageChoice(m_languages.get());
    m_registry->SetDispatcher(m_commands.get());
}

FrameCommandsBinding::~FrameCommandsBinding() {
    // The frame's children go in the order they were made: the registry
    // before this binding, or after it.
    if (m_registry)
        m_registry->SetDispatcher(nullptr);
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

void FrameCommandsBinding::EnterReportMode(bool project) {
    m_frame.RememberActiveView();
    m_frame.EnterReportMode(project);
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

bool FrameCommandsBinding::CanUndoDefect() const {
    const CBaseView* v = m_frame.ActiveBaseView();
    return v && v->CanUndoDefect();
}

void FrameCommandsBinding::UndoDefect(bool all) {
    CBaseView* v = m_frame.ActiveBaseView();
    if (!v)
        return;
    if (all)
        v->OnUndoAllDefects();
    else
        v->OnUndoDefect();
}

CommandHost::Bars FrameCommandsBinding::VisibleBars() const {
    return {!m_frame.PanelBar()->isHidden(), !m_frame.ReportBar()->isHidden(),
            !m_frame.MainToolBar()->isHidden(), !m_frame.ReportToolBar()->isHidden()};
}

int FrameCommandsBinding::MarkedPiles() const {
    return m_frame.FormMain() ? m_frame.FormMain()->MarkedCount() : 0;
}

void FrameCommandsBinding::ToggleMainPanel() {
    QWidget* bar = g_nViewMode == 4 ? static_cast<QWidget*>(m_frame.ReportBar()) : m_frame.PanelBar();
    bar->setVisible(bar->isHidden());
}

void FrameCommandsBinding::ToggleToolBar() {
    QToolBar* bar = g_nViewMode == 4 ? m_frame.ReportToolBar() : m_frame.MainToolBar();
    bar->setVisible(bar->isHidden());
}

void FrameCommandsBinding::CloseWindow() {
    m_frame.close();
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
    return ui::fileChooser().folder(&m_frame, title, m_frame.GetDoc()->m_strFolder);
}

QString FrameCommandsBinding::ChooseSaveFile(const QString& defaultName) {
    // Offered in the folder of the pile shown.
    const QString folder = m_frame.GetDoc()->m_strFolder;
    const QString path = folder.isEmpty() ? defaultName : QDir(folder).filePath(defaultName);
    return ui::fileChooser().saveFile(&m_frame, {}, path, QStringLiteral("bmp (*.bmp)"),
                                      QStringLiteral("bmp"));
}

QString FrameCommandsBinding::ChooseCopyFile(const QString& defaultPath) {
    const bool english = ui::english();
    return ui::fileChooser().saveFile(
        &m_frame, english ? QStringLiteral("Save As") : QStringLiteral("另存为"), defaultPath,
        QString::fromLatin1(CKEV_DUXDoc::kSaveCopyFilter), QStringLiteral("DUX"));
}

QString FrameCommandsBinding::PileFileFilter(bool english) {
    return (english ? QStringLiteral("KEV Low Strain Files") : QStringLiteral("低应变桩文件")) +
           QStringLiteral(" (*.[Dd][Uu][Xx])");
}

QString FrameCommandsBinding::ChooseOpenFile(const QString& folder) {
    const bool english = ui::english();
    return ui::fileChooser().openFile(&m_frame, english ? QStringLiteral("Open") : QStringLiteral("打开"),
                                      folder, PileFileFilter(english));
}

bool FrameCommandsBinding::OpenPile(const QString& path) {
    if (!m_frame.KeepReportForm())
        return false;
    CKEV_DUXDoc* doc = m_frame.GetDoc();
    bool discarded = false;
    if (doc->m_bFileOpen && doc->IsModified()) {
        if (!m_frame.PromptSaveChanges())
            return false;
        discarded = doc->IsModified(); // not saved
        doc->SetModifiedFlag(false);
    }
    if (doc->OnOpenDocument(path))
        return true;
    // A file that cannot be read leaves the pile shown as it was, its
    // changes still to be saved.
    if (discarded)
        doc->SetModifiedFlag(true);
    return false;
}

bool FrameCommandsBinding::CloseDocument() {
    if (!m_frame.KeepReportForm())
        return false;
    CKEV_DUXDoc* doc = m_frame.GetDoc();
    if (doc->m_bFileOpen && doc->IsModified() && !m_frame.PromptSaveChanges())
        return false;
    doc->CloseFile();
    m_frame.OnPileSelected();
    if (CFormMain* form = m_frame.FormMain()) {
        form->FillPileTree();
        form->UpdateFormData(false);
    }
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    return true;
}

QStringList FrameCommandsBinding::RecentFiles() const {
    return m_frame.RecentFileList();
}

void FrameCommandsBinding::ForgetRecentFile(const QString& path) {
    m_frame.ForgetRecentFile(path);
}

void FrameCommandsBinding::RunPrinterSetup() {
    QtPrintUi dialogs;
    QPrinter& printer = SharedPrinter();
    // The page setup's printer button and this command choose the same printer.
    if (dialogs.SetupPrinter(printer, &m_frame) && printer.outputFormat() == QPrinter::NativeFormat)
        SetChosenPrinterName(printer.printerName());
}

void FrameCommandsBinding::ExportStateExcel() {
    m_frame.OnExportStateExcel();
}

void FrameCommandsBinding::ExportCurveDocument() {
    m_frame.OnExportCurveDocument();
}

void FrameCommandsBinding::ExportCurvePictures() {
    m_frame.OnExportCurvePictures();
}

bool FrameCommandsBinding::HasWordWriter() const {
    return m_frame.ReportFactory() && m_frame.ReportFactory()->Env().word;
}

bool FrameCommandsBinding::HasExcelWriter() const {
    return m_frame.ReportFactory() && m_frame.ReportFactory()->Env().excel;
}

void FrameCommandsBinding::RunReportCommand(int c) {
    CExportView* v = m_frame.ExportView();
    if (!v || g_nViewMode != 4)
        return;
    switch (c) {
    case id::kReportSave:
        v->OnSave();
        break;
    case id::kReportExportDocument:
        v->OnExportDocument();
        break;
    case id::kReportExportExcel:
        v->OnExportExcel();
        break;
    case id::kReportProjectPictures:
        v->OnExportPictures();
        break;
    case id::kReportSinglePictures:
        v->OnExportPilePictures();
        break;
    case id::kReportBack:
        v->OnBack();
        break;
    case id::kPrintPreview:
        v->OnPrintPreview();
        break;
    case id::kPrint:
        v->OnPrint();
        break;
    case id::kCountInfo:
        v->OnCountInfo();
        break;
    default:
        break;
    }
}

void FrameCommandsBinding::ShowAbout() {
    CAboutDlg dlg(&m_frame);
    dlg.exec();
}

bool FrameCommandsBinding::CanSetDetailIndex() const {
    const CAnalysisView* view = m_frame.AnalysisView();
    return m_frame.ActiveViewKind() == ActiveView::Analysis && view && (view->Spectrum() || view->Phase());
}

void FrameCommandsBinding::SetDetailIndex() {
    if (CAnalysisView* view = m_frame.AnalysisView())
        view->OnSetDetailIndex();
}

KevDiameterAsker FrameCommandsBinding::DiameterAsker() {
    return CKEVInputDlg::MakeAsker(&m_frame);
}

void FrameCommandsBinding::RunZezConversion() {
    // It starts in the folder of the project shown, else in the default folder.
    const CKEV_DUXDoc* doc = m_frame.GetDoc();
    CPITDataConvertDlg dlg(doc->m_strFolder.isEmpty() ? doc->m_strPITDefaultDir : doc->m_strFolder);
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
        // The group's values refill the report form: what was typed there goes with its pile first.
        if (!m_frame.KeepReportForm())
            return;
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
        // The age controls follow whether the settings now print the age.
        if (CExportView* view = m_frame.ExportView())
            view->ShowAgeControls();
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
    // The window the analysis view's bar chose, the whole channel without one.
    const CPileRecord& r = doc->m_PileRecord;
    const int first = std::clamp(r.m_nFirstVisible, 0, std::max(0, w->SampleCount() - 1));
    const int count = r.m_nVisibleCount > 0 ? r.m_nVisibleCount : w->SampleCount();
    {
        QPainter painter(&image);
        gdi::Canvas dc(painter);
        const PrintDrawDoc drawDoc{&doc->m_PrintSettings, &doc->m_CurveStyle, doc};
        w->DrawForPrintB(dc, first, count, gdi::Rect{0, 0, 768, 400}, true, nullptr, drawDoc);
    }
    return CAnalysisView::SaveBitmapToFile(image, path);
}

void FrameCommandsBinding::ShowAnalysisCurve(int curve, int channel) {
    CAnalysisView* view = m_frame.AnalysisView();
    if (!view)
        return;
    if (m_frame.ActiveViewKind() != ActiveView::Analysis) {
        // Shown without the view switch of "分析视图": the spectrum command
        // that follows keeps the view mode it came from to return to.
        view->SetCurrentWave(channel);
        m_frame.SwitchToView(ActiveView::Analysis);
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

} // namespace pit::frame
