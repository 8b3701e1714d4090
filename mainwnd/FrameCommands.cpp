// The main window's own commands and their enable and check rules.
#include "mainwnd/FrameCommands.h"

#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/project/KevConvert.h"
#include "core/wave/WaveRecord.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

namespace pit::frame {

namespace {

struct FactorItem {
    int id;
    float factor;
};
constexpr FactorItem kFactors[] = {{id::kFactor20, 0.2f},  {id::kFactor50, 0.5f},  {id::kFactor70, 0.7f},
                                   {id::kFactor100, 1.0f}, {id::kFactor150, 1.5f}, {id::kFactor200, 2.0f},
                                   {id::kFactor300, 3.0f}};

CommandState Enabled(bool on) {
    return {on, false, false};
}
CommandState Radio(bool on, bool checked) {
    return {on, true, checked};
}

} // namespace

std::optional<float> WaveFactorOf(int commandId) {
    for (const FactorItem& f : kFactors)
        if (f.id == commandId)
            return f.factor;
    return std::nullopt;
}

int FillModeOf(int commandId) {
    switch (commandId) {
    case id::kFillPositive:
        return 1;
    case id::kFillNegative:
        return 2;
    case id::kFillBoth:
        return 3;
    case id::kFillNone:
        return 0;
    default:
        return -1;
    }
}

std::optional<CommandState> EvaluateRule(int c, const UiState& s) {
    const bool report = s.viewMode == int(ViewMode::Report);
    const bool L = s.projectLoaded && !report;
    const bool reportView = s.activeView == ActiveView::Report;
    const bool hasTarget = !reportView && s.activeView != ActiveView::None && s.activeWave >= 0;

    if (const auto f = WaveFactorOf(c))
        return Radio(L, hasTarget && std::fabs(s.targetFactor - *f) < 1e-6f && !s.targetCustom);
    if (const int fill = FillModeOf(c); fill >= 0)
        return Radio(L, s.fillMode == fill);
    if (c >= id::kLanguageFirst && c <= id::kLanguageLast)
        return Radio(s.languageFilesExist && !report, c == s.checkedLanguageItem);
    if (c >= id::kSelectChannelFirst && c <= id::kSelectChannelLast)
        return Enabled(true);

    switch (c) {
    case id::kFileSave:
    case id::kExportStateExcel:
    case id::kExportCurvePictures:
    case id::kExportCurveDocument:
    case id::kRestoreChannel:
    case id::kRestoreAllChannels:
    case id::kEditCopy:
    case id::kShiftLeft:
    case id::kShiftRight:
    case id::kMoveUp:
    case id::kMoveDown:
    case id::kWaveReverse:
    case id::kSetAverageWave:
    case id::kIntegrate:
    case id::kDifferentiate:
    case id::kDigitalFilter:
    case id::kExpAmplify:
    case id::kSingleTraceBmp:
        return Enabled(L);
    case id::kEditPaste: // an empty buffer has nothing to paste
        return Enabled(L && s.copyCount > 0);
    case id::kConvertKev:
    case id::kConvertDuxToPit:
    case id::kOptions:
    case id::kPrintSetup:
    case id::kHelpManual:
    case id::kWavelet:
    case id::kRotateLocateKey:
    case id::kPreviewClose:
        return Enabled(true);
    case id::kReportSpare:
    case id::kPrintPreview:
    case id::kPrint:
    case id::kCountInfo:
        return Enabled(report);
    case id::kWaveStretch:
    case id::kWaveCompress:
        return Enabled(!s.pileFixed && L);
    case id::kFactorCustom:
        return Radio(L, hasTarget && s.targetCustom);
    case id::kViewByTime:
    case id::kViewByLength:
        return Radio(L, hasTarget && s.targetAxisMode == (c == id::kViewByTime ? 1 : 2));
    case id::kLockYAxis:
        return CommandState{true, true, s.yLocked && !report};
    case id::kHeadPeak:
    case id::kHeadPeakSpare:
    case id::kHeadStartKey:
        return Radio(L && s.calcMode == 1, s.headPickMode == 1);
    case id::kHeadStart:
        return Radio(L && s.calcMode == 1, s.headPickMode == 0);
    case id::kFixedTimeDiff:
    case id::kVaryingTimeDiff:
        return Radio(L, s.calcMode == (c == id::kFixedTimeDiff ? 0 : 1));
    case id::kViewMain:
        return Radio(!report, s.activeView == ActiveView::MainWave || s.activeView == ActiveView::Average);
    case id::kViewSingleWave:
        return Radio(!report, s.activeView == ActiveView::SingleWave);
    case id::kViewAnalysis:
        return Radio(!report, s.activeView == ActiveView::Analysis);
    case id::kSpectrumView:
        return Radio(L, s.activeView == ActiveView::Analysis);
    case id::kPhaseView:
        return Enabled(false);
    case id::kMainPanel:
        return CommandState{true, true, s.mainPanelVisible || s.reportPanelVisible};
    case id::kToolBar:
        return CommandState{true, true, s.mainToolBarVisible || s.reportToolBarVisible};
    case id::kReportModeFlag:
        return Radio(!report, !report && s.reportModeFlag);
    case id::kRotate:
    case id::kRotateLocate: {
        const bool on = !report && s.projectLoaded && s.activeWave >= 0;
        return Radio(on, on && (c == id::kRotate ? s.rotateMode : s.locateMode));
    }
    case id::kRotateUp:
    case id::kRotateDown:
        switch (s.activeView) {
        case ActiveView::SingleWave:
            return report ? std::optional(Enabled(false)) : std::nullopt;
        case ActiveView::MainWave:
        case ActiveView::Analysis:
            return Enabled(!report && s.projectLoaded && s.activeWave >= 0 && s.locateMode);
        case ActiveView::Average:
            return Enabled(!report && s.projectLoaded && s.channelCount >= 1 && s.locateMode);
        default:
            return Enabled(false);
        }
    case id::kFixedParams:
        return Radio(L, L && s.fixedAnalysis);
    case id::kSingleReport:
    case id::kProjectReport:
        return Enabled(s.markedPiles != 0 && L);
    default:
        return std::nullopt;
    }
}

QString SingleTraceDefaultName(const QString& pileNo, int channel) {
    QString name = pileNo + QLatin1Char('_') + QString::number(channel + 1);
    // The name becomes a file name: no separators.
    for (QChar c : {QLatin1Char('.'), QLatin1Char('/'), QLatin1Char('\\')})
        name.replace(c, QLatin1Char('_'));
    return name;
}

QString LanguageRestartMessage(int itemId) {
    return itemId == 5051 ? QStringLiteral("切换语言必须重启应用程序!")
                          : QStringLiteral("Need to reboot application for Switch Language!");
}

QString ConversionResultMessage(bool ok, bool english) {
    if (english)
        return ok ? QStringLiteral("Data conversion succeeded") : QStringLiteral("Data conversion failed");
    return ok ? QStringLiteral("数据转换成功") : QStringLiteral("数据转换失败");
}

// ---------------------------------------------------------------------------

FrameCommands::FrameCommands(CKEV_DUXDoc& doc, FrameServices& frame, CommandHost& host)
    : m_doc(doc), m_frame(frame), m_host(host), m_manualDir(pit::resourceDir()) {}

void FrameCommands::SetPanelsVisible(bool mainPanel, bool reportPanel, bool mainBar, bool reportBar) {
    m_panels[0] = mainPanel;
    m_panels[1] = reportPanel;
    m_panels[2] = mainBar;
    m_panels[3] = reportBar;
}

UiState FrameCommands::Snapshot() const {
    UiState s;
    const CPileRecord& rec = m_doc.m_PileRecord;
    s.projectLoaded = m_doc.m_bFileOpen;
    s.viewMode = int(m_frame.GetViewMode());
    s.activeView = m_host.Active();
    s.activeWave = m_host.ActiveWave();
    s.channelCount = rec.ChannelCountInList();
    s.pileFixed = rec.m_bFixedParam != 0;
    s.calcMode = rec.m_nCalcMode;
    s.headPickMode = rec.m_nAlignMode;
    s.fillMode = m_doc.m_ProjectInfo.m_nValue2;
    if (s.activeView != ActiveView::Report && s.activeWave >= 0)
        if (const CWaveRecord* w = rec.Channel(s.activeWave)) {
            s.targetAxisMode = w->GetAxisMode();
            s.targetFactor = w->GetScale();
            s.targetCustom = w->GetScaleFlag() != 0;
        }
    s.yLocked = m_bLockY;
    s.rotateMode = m_bRotateMode;
    s.locateMode = m_bLocateMode;
    s.fixedAnalysis = m_fixedAnalysis;
    s.markedPiles = m_markedPiles;
    s.reportModeFlag = m_doc.m_bReportMode;
    s.mainPanelVisible = m_panels[0];
    s.reportPanelVisible = m_panels[1];
    s.mainToolBarVisible = m_panels[2];
    s.reportToolBarVisible = m_panels[3];
    if (m_languages) {
        s.languageFilesExist = m_languages->FilesExist();
        s.checkedLanguageItem = m_languages->CheckedItem();
    }
    s.copyCount = int(m_copy.size());
    return s;
}

bool FrameCommands::Execute(int c) {
    if (const auto f = WaveFactorOf(c)) {
        SetWaveFactor(*f, false);
        return true;
    }
    if (const int fill = FillModeOf(c); fill >= 0) {
        SetFillMode(fill);
        return true;
    }
    if (c >= id::kLanguageFirst && c <= id::kLanguageLast) {
        OnLanguage(c);
        return true;
    }
    if (c >= id::kSelectChannelFirst && c <= id::kSelectChannelLast) {
        m_host.SelectChannel(c);
        return true;
    }
    switch (c) {
    case id::kFileSave:
        OnFileSave();
        break;
    case id::kConvertKev:
        OnConvertKevFiles();
        break;
    case id::kConvertDuxToPit:
        m_host.RunZezConversion();
        break;
    case id::kOptions:
        m_host.RunOptionsSheet();
        break;
    case id::kPrintSetup:
        m_host.RunPrintSetup();
        break;
    case id::kRestoreChannel:
        OnRestoreChannel();
        break;
    case id::kRestoreAllChannels:
        OnRestoreAllChannels();
        break;
    case id::kEditCopy:
        OnEditCopy();
        break;
    case id::kEditPaste:
        OnEditPaste();
        break;
    case id::kShiftLeft:
    case id::kShiftRight:
        ShiftWave(c == id::kShiftRight);
        break;
    case id::kMoveUp:
    case id::kMoveDown:
        OffsetWave(c == id::kMoveUp);
        break;
    case id::kWaveReverse:
        OnWaveReverse();
        break;
    case id::kWaveStretch:
    case id::kWaveCompress:
        OnWaveStretch(c == id::kWaveStretch);
        break;
    case id::kFactorCustom:
        SetWaveFactor(m_doc.m_fZoomRateDefine / 100.0f, true);
        break;
    case id::kViewByTime:
    case id::kViewByLength:
        OnViewAxis(c == id::kViewByTime ? 1 : 2);
        break;
    case id::kSetAverageWave:
        OnSetAverageWave();
        break;
    case id::kLockYAxis:
        OnLockYAxis();
        break;
    case id::kHeadPeak:
    case id::kHeadPeakSpare:
        SetHeadPickMode(1);
        break;
    case id::kHeadStart:
    case id::kHeadStartKey:
        SetHeadPickMode(0);
        break;
    case id::kFixedTimeDiff:
    case id::kVaryingTimeDiff:
        SetCalcMode(c == id::kFixedTimeDiff ? 0 : 1);
        break;
    case id::kViewMain:
        m_frame.OnViewMain();
        break;
    case id::kViewSingleWave:
        if (m_doc.m_bFileOpen)
            m_frame.OnViewSingleWave();
        break;
    case id::kViewAnalysis:
        m_frame.OnViewAnalysis();
        break;
    case id::kSpectrumView:
        OnAnalysisCurve(1);
        break;
    case id::kPhaseView:
        OnAnalysisCurve(2);
        break;
    case id::kMainPanel:
        m_host.ToggleMainPanel();
        break;
    case id::kToolBar:
        m_host.ToggleToolBar();
        break;
    case id::kReportModeFlag:
        m_doc.m_bReportMode = !m_doc.m_bReportMode;
        break;
    case id::kHelpManual:
        OnHelpManual();
        break;
    case id::kWavelet:
        OnWavelet();
        break;
    case id::kIntegrate:
    case id::kDifferentiate:
        OnIntegrate(c == id::kIntegrate);
        break;
    case id::kDigitalFilter:
        m_host.RunDigitalFilter();
        break;
    case id::kExpAmplify:
        m_host.RunExpAmplify();
        break;
    case id::kRotate:
        OnRotate();
        break;
    case id::kRotateLocate:
    case id::kRotateLocateKey:
        OnRotateLocate();
        break;
    case id::kRotateUp:
    case id::kRotateDown:
        OnRotateTail(c == id::kRotateUp);
        break;
    case id::kFixedParams:
        if (m_frame.HasPileInfoPage())
            m_host.RunFixedParams();
        break;
    case id::kSingleReport:
    case id::kProjectReport:
        OnReport(c == id::kProjectReport);
        break;
    case id::kSingleTraceBmp:
        OnExportSingleTraceBmp();
        break;
    case id::kPreviewClose:
        m_host.ClosePreview();
        break;
    default:
        return false;
    }
    return true;
}

CWaveRecord* FrameCommands::Target(bool withUpper, int* index) {
    const ActiveView active = m_host.Active();
    if (active == ActiveView::Report || active == ActiveView::None)
        return nullptr;
    int ch = m_host.ActiveWave();
    if (ch < 0)
        return nullptr;
    CPileRecord& rec = m_doc.m_PileRecord;
    if (withUpper && active == ActiveView::MainWave && rec.m_nCurrentChannel >= 0 &&
        rec.m_nCurrentChannel == rec.ChannelCountInList() - 1) {
        m_host.ActivateUpper();
        ch = rec.m_nCurrentChannel;
    }
    if (index)
        *index = ch;
    return rec.Channel(ch);
}

void FrameCommands::Modified() {
    m_doc.SetModifiedFlag(true);
}

void FrameCommands::Tell(const QString& chinese, const QString& english, unsigned type) {
    m_doc.Context().message(chinese, english, QStringLiteral("提示"), QStringLiteral("Tips"), type);
}

// ---- file -----------------------------------------------------------------

void FrameCommands::OnFileSave() {
    CPileRecord& rec = m_doc.m_PileRecord;
    const pit::AppContext& ctx = m_doc.Context();
    if (m_doc.m_bFileOpen) {
        if (rec.m_nCurrentChannel == -1)
            rec.m_nCurrentChannel = 0;
        const bool fixed = rec.m_bFixedParam != 0;
        m_host.ReloadProjectDates();
        m_frame.ExchangeWaveParams(false, true);
        if (rec.m_analysisValues[0] == 0 && rec.m_analysisValues[1] == 0)
            if (const auto marks = m_host.ComputeSpectrumMarks(rec.m_nCurrentChannel)) {
                rec.m_analysisValues[0] = marks->first;
                rec.m_analysisValues[1] = marks->second;
                m_frame.Refresh(RefreshTarget::PileChanged);
            }
        bool saved = true;
        try {
            rec.SaveAnalysis();
        } catch (const FileError& e) {
            saved = false; // the pile stays modified so closing asks again
            ctx.message(e.message(ctx.english), ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")),
                        MB_OK | MB_ICONEXCLAMATION);
        }
        if (saved) {
            if (!fixed)
                m_host.MarkPileSaved(true);
            m_doc.SetModifiedFlag(false);
        }
    }
    // A pile opened without a project has no index to write.
    if (!m_doc.m_ProjectInfo.GetProjectPath().isEmpty()) {
        try {
            m_doc.m_ProjectInfo.SaveProjectFile();
        } catch (const FileError& e) {
            ctx.message(e.message(ctx.english), ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")),
                        MB_OK | MB_ICONEXCLAMATION);
        }
    }
    try {
        rec.ReloadIfNeeded();
    } catch (const FileError&) {
        // the record keeps what it holds
    }
}

void FrameCommands::OnConvertKevFiles() {
    KevInputSettings& settings = KevInputSettings::shared();
    settings.useForAll = false;
    const QString folder = m_host.ChooseFolder(QStringLiteral("请选择KEV文件所在的目录："));
    if (folder.isEmpty())
        return;
    QStringList files;
    for (const QString& n : QDir(folder).entryList(QDir::Files, QDir::Name))
        if (n.endsWith(QStringLiteral(".kev"), Qt::CaseInsensitive))
            files << n;
    bool ok = !files.isEmpty();
    const KevDiameterAsker asker = m_host.DiameterAsker();
    const KevDiameterAsker keepOwn = [](int&, KevInputSettings&, const QString&) { return false; };
    for (const QString& n : files) {
        try {
            if (!CPileRecord::ConvertKevFile(QDir(folder).filePath(n), m_doc.Context(), settings,
                                             asker ? asker : keepOwn)) {
                ok = false;
                break;
            }
        } catch (const FileError&) {
            ok = false;
            break;
        }
    }
    Tell(ConversionResultMessage(ok, false), ConversionResultMessage(ok, true), MB_OK);
}

// ---- channel edits ----------------------------------------------------------

void FrameCommands::OnRestoreChannel() {
    if (m_host.Active() == ActiveView::Report)
        return;
    const int answer = m_doc.Context().message(
        QStringLiteral("确定恢复当前通道么?"),
        QStringLiteral("Are you sure to reset current wave form to original data set?"),
        QStringLiteral("警告"), QStringLiteral("Warning"), MB_OKCANCEL);
    if (answer != IDOK)
        return;
    const int ch = m_host.ActiveWave();
    if (ch < 0)
        return;
    m_doc.m_PileRecord.RestoreChannel(ch);
    m_frame.ExchangeWaveParams(true, true);
    m_frame.Refresh(RefreshTarget::PileChanged);
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    Modified();
}

void FrameCommands::OnRestoreAllChannels() {
    const pit::AppContext& ctx = m_doc.Context();
    const int answer =
        ctx.message(QStringLiteral("确定恢复所有通道么?"),
                    QStringLiteral("Are you sure to reset all waveforms to original data set?"),
                    QStringLiteral("警告"), QStringLiteral("Warning"), MB_OKCANCEL);
    if (answer != IDOK)
        return;
    CPileRecord& rec = m_doc.m_PileRecord;
    try {
        rec.RewriteOriginalFile();
    } catch (const FileError& e) {
        ctx.message(e.message(ctx.english), ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")),
                    MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    rec.SetFileTimeToTestTime();
    auto& texts = m_doc.m_ProjectInfo.m_texts;
    // The slots the main panel fills these record texts from.
    texts[0] = rec.m_strProject;
    texts[2] = rec.m_strText4; // testing unit
    texts[5] = rec.m_strText5; // construction unit
    texts[4] = rec.m_strText6; // tester
    m_doc.CopyPileParams();
    m_host.MarkPileSaved(false);
    if (m_fixedAnalysis) {
        m_frame.ApplyFixedParams();
    } else {
        m_frame.Refresh(RefreshTarget::AllWaveViews);
        m_frame.Refresh(RefreshTarget::PileChanged);
    }
    m_frame.OnViewMain();
}

void FrameCommands::OnEditCopy() {
    if (!m_doc.m_bFileOpen)
        return;
    if (CWaveRecord* w = Target(false))
        m_copy = w->Source();
}

void FrameCommands::OnEditPaste() {
    if (!m_doc.m_bFileOpen || m_copy.empty())
        return;
    CWaveRecord* w = Target(false);
    if (!w)
        return;
    w->PasteData(m_copy.data(), int(m_copy.size()));
    m_host.RedrawActive();
    Modified();
}

void FrameCommands::ShiftWave(bool right) {
    int ch = -1;
    CWaveRecord* w = Target(true, &ch);
    if (!w)
        return;
    const int step = int(m_doc.m_fMovePoint);
    const int N = w->SampleCount();
    if (!w->Shift(right ? 3 : 1, step, m_host.DrawingDevice()))
        return;
    auto& marks = w->DefectMarks();
    for (auto it = marks.begin(); it != marks.end();) {
        it->index += right ? step : -step;
        if (it->index < 0 || it->index > N)
            it = marks.erase(it);
        else
            ++it;
    }
    m_frame.ExchangeWaveParams(true, true);
    m_host.RedrawActive();
    Modified();
}

void FrameCommands::OffsetWave(bool up) {
    CWaveRecord* w = Target(true);
    if (!w)
        return;
    w->Offset(up ? 2 : 4, m_doc.m_fMoveScale / 100.0f, m_host.DrawingDevice());
    m_host.RedrawActive();
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    Modified();
}

void FrameCommands::OnWaveReverse() {
    CWaveRecord* w = Target(false);
    if (!w)
        return;
    CPileRecord& rec = m_doc.m_PileRecord;
    if (m_host.CtrlHeld()) {
        for (int i = 0; i < rec.ChannelCountInList(); ++i)
            rec.Channel(i)->Invert(m_host.DrawingDevice());
    } else {
        w->Invert(m_host.DrawingDevice());
    }
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    Modified();
}

void FrameCommands::OnWaveStretch(bool stretch) {
    CWaveRecord* w = Target(false);
    if (!w)
        return;
    CPileRecord& rec = m_doc.m_PileRecord;
    const int steps = m_doc.m_nStretchSteps;
    if (m_host.CtrlHeld()) {
        for (int i = 0; i < rec.ChannelCountInList(); ++i)
            rec.Channel(i)->ZoomStep(stretch, steps, m_host.DrawingDevice());
    } else {
        w->ZoomStep(stretch, steps, m_host.DrawingDevice());
    }
    rec.m_fChannelZoom = w->zoom;
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    Modified();
}

void FrameCommands::SetWaveFactor(float factor, bool custom) {
    CWaveRecord* w = Target(true);
    if (!w)
        return;
    w->SetScale(factor, m_host.DrawingDevice(), custom ? 1 : 0);
    m_host.RedrawActive();
}

void FrameCommands::SetFillMode(int mode) {
    m_doc.m_ProjectInfo.m_nValue2 = mode;
    m_doc.m_nFillWave = mode;
    m_frame.Refresh(RefreshTarget::AllWaveViews);
}

void FrameCommands::OnViewAxis(int axisMode) {
    if (m_host.Active() == ActiveView::Report)
        return;
    if (m_host.ActiveWave() >= 0) {
        m_doc.m_PileRecord.SetViewMode(axisMode);
        if (axisMode == 1)
            m_host.RedrawActive();
    }
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    m_doc.m_nShowStyle = axisMode;
}

void FrameCommands::OnSetAverageWave() {
    if (m_host.RunAverageDialog()) {
        m_doc.m_PileRecord.RecomputeAverage();
        m_frame.Refresh(RefreshTarget::AllWaveViews);
    }
}

void FrameCommands::OnLockYAxis() {
    m_bLockY = !m_bLockY;
    CPileRecord& rec = m_doc.m_PileRecord;
    float peak = -1.0f;
    if (m_bLockY)
        for (int i = 0; i < rec.ChannelCountInList(); ++i)
            peak = std::max(peak, rec.Channel(i)->GetDisplayMax(true));
    for (int i = 0; i < rec.ChannelCountInList(); ++i)
        rec.Channel(i)->SetCommonPeak(m_bLockY ? peak : -1.0f);
    m_frame.Refresh(RefreshTarget::AllWaveViews);
}

void FrameCommands::OnLanguage(int itemId) {
    if (!m_languages || m_languages->CheckedItem() == itemId)
        return;
    m_doc.Context().message(LanguageRestartMessage(itemId), QString(), MB_OK);
    m_languages->Select(itemId);
}

void FrameCommands::SetHeadPickMode(int mode) {
    m_doc.SetAlignMode(mode);
    m_frame.Refresh(RefreshTarget::AllWaveViews);
}

void FrameCommands::SetCalcMode(int mode) {
    m_doc.m_PileRecord.SetCalcMode(mode);
    m_host.UpdatePanelControls();
    m_frame.Refresh(RefreshTarget::AllWaveViews);
}

void FrameCommands::OnIntegrate(bool integrate) {
    // Differentiation refuses the report view; integration never meets it
    // here as its rule keeps it off in report mode.
    int ch = -1;
    CWaveRecord* w = Target(true, &ch);
    if (!w)
        return;
    CPileRecord& rec = m_doc.m_PileRecord;
    if (!w->IntegrateStep(integrate))
        return; // at the limit of the data form: nothing changed
    w->DrawToBitmap(m_host.DrawingDevice());
    rec.UpdateCommonMax();
    m_host.RedrawActive();
    m_frame.Refresh(ch == rec.ChannelCountInList() - 1 ? RefreshTarget::MainWaveView
                                                       : RefreshTarget::AverageView);
    Modified();
}

void FrameCommands::OnWavelet() {
    if (!m_doc.m_bFileOpen)
        return;
    const int ch = m_host.ActiveWave();
    if (ch < 0 || m_host.Active() == ActiveView::Report)
        return;
    if (m_host.RunWaveletDialog(ch))
        Modified();
    m_host.RedrawActive();
}

// ---- rotation ---------------------------------------------------------------

void FrameCommands::OnRotate() {
    m_bRotateMode = !m_bRotateMode;
    if (m_bRotateMode)
        m_bLocateMode = false;
    m_host.SetRotateMode(m_bRotateMode);
}

void FrameCommands::OnRotateLocate() {
    if (!Target(false))
        return;
    m_bLocateMode = !m_bLocateMode;
    if (m_bLocateMode)
        m_bRotateMode = false;
    m_host.SetRotateMode(m_bRotateMode);
}

void FrameCommands::OnRotateTail(bool up) {
    const ActiveView active = m_host.Active();
    if (active == ActiveView::Report || active == ActiveView::None)
        return;
    CPileRecord& rec = m_doc.m_PileRecord;
    int ch = m_host.ActiveWave();
    if (active == ActiveView::MainWave && rec.m_nCurrentChannel >= 0 &&
        rec.m_nCurrentChannel == rec.ChannelCountInList() - 1) {
        m_host.ActivateUpper();
        ch = rec.m_nCurrentChannel;
    }
    CWaveRecord* w = rec.Channel(ch);
    // The tail tilts in locate mode, the mode that enables these commands.
    if (!w || !w->RotateTail(up, true, 0.0f))
        return;
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    Modified();
}

// ---- views ------------------------------------------------------------------

void FrameCommands::OnAnalysisCurve(int curve) {
    if (m_host.Active() == ActiveView::Report)
        return;
    const int ch = m_host.ActiveWave();
    if (ch < 0)
        return;
    m_nAnalysisCurve = curve;
    if (m_host.Active() != ActiveView::Analysis) {
        m_nAnalysisChannel = ch;
        CPileRecord& rec = m_doc.m_PileRecord;
        // Another channel's spectrum: only its spectrum marks are stale; the
        // pile's class, remarks and conclusion stay.
        if (m_doc.m_bFileOpen && rec.m_nCurrentChannel != -1 && rec.m_nCurrentChannel != m_nAnalysisChannel)
            rec.m_analysisValues = {};
        m_frame.RefreshPanelFields();
    }
    m_host.ShowAnalysisCurve(curve, m_nAnalysisChannel);
}

void FrameCommands::OnReport(bool project) {
    const CPileFileArray& files = m_doc.m_ProjectInfo.Files();
    for (int i = 0; i < files.GetCount(); ++i) {
        QFile f(files.GetAt(i).m_strPath);
        if (f.open(QIODevice::ReadOnly) && f.read(10).startsWith("A-RIRADAD")) {
            m_host.EnterReportMode(project);
            return;
        }
    }
}

void FrameCommands::OnExportSingleTraceBmp() {
    const CPileRecord& rec = m_doc.m_PileRecord;
    int ch = -1;
    switch (m_host.Active()) {
    case ActiveView::MainWave:
    case ActiveView::Analysis:
    case ActiveView::SingleWave:
        ch = m_host.ActiveWave();
        break;
    case ActiveView::Average:
        ch = rec.ChannelCountInList() - 1;
        break;
    default:
        return;
    }
    if (ch < 0 || !rec.Channel(ch))
        return;
    const QString path =
        m_host.ChooseSaveFile(SingleTraceDefaultName(rec.m_strPileNo, ch) + QStringLiteral(".bmp"));
    if (!path.isEmpty() && m_host.SaveTraceBitmap(ch, path)) {
        m_frame.Refresh(RefreshTarget::AllWaveViews);
        ui::desktop().open(QUrl::fromLocalFile(path));
        return;
    }
    m_frame.Refresh(RefreshTarget::AllWaveViews);
}

void FrameCommands::OnHelpManual() {
    const QString path = QDir(m_manualDir).filePath(QString::fromUtf16(kManualName));
    if (QFileInfo::exists(path) && ui::desktop().open(QUrl::fromLocalFile(path)))
        return;
    Tell(QStringLiteral("找不到使用手册：%1").arg(QDir::toNativeSeparators(path)),
         QStringLiteral("The user manual cannot be opened: %1").arg(QDir::toNativeSeparators(path)),
         MB_OK | MB_ICONEXCLAMATION);
}

} // namespace pit::frame
