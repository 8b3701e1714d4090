// The main window's own commands and their enable and check rules.
#include "mainwnd/FrameCommands.h"

#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/draw/SpectrumDraw.h"
#include "core/project/KevConvert.h"
#include "core/wave/WaveRecord.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"
#include "platform/RangeFile.h"

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

// ---- the command table ----------------------------------------------------

namespace {

using Maybe = std::optional<bool>;
using Row = CommandRow;

bool InReport(const UiState& s) {
    return s.viewMode == int(ViewMode::Report);
}
// Rule L: a project is loaded and the window is not in report mode.
Maybe RuleL(int, const UiState& s) {
    return s.projectLoaded && !InReport(s);
}
Maybe Always(int, const UiState&) {
    return true;
}
Maybe Never(int, const UiState&) {
    return false;
}
Maybe ReportOnly(int, const UiState& s) {
    return InReport(s);
}
Maybe NotReport(int, const UiState& s) {
    return !InReport(s);
}
bool HasTarget(const UiState& s) {
    return s.activeView != ActiveView::Report && s.activeView != ActiveView::None && s.activeWave >= 0;
}
Maybe RotateRule(int, const UiState& s) {
    return !InReport(s) && s.projectLoaded && s.activeWave >= 0;
}
Maybe RotateTailRule(int, const UiState& s) {
    const bool on = !InReport(s) && s.projectLoaded && s.locateMode;
    switch (s.activeView) {
    case ActiveView::SingleWave: // the single-wave view leaves the item as it is
        return InReport(s) ? Maybe(false) : std::nullopt;
    case ActiveView::MainWave:
    case ActiveView::Analysis:
        return on && s.activeWave >= 0;
    case ActiveView::Average:
        return on && s.channelCount >= 1;
    default:
        return false;
    }
}
Maybe HeadPickRule(int, const UiState& s) {
    return s.projectLoaded && !InReport(s) && s.calcMode == 1;
}

void Nothing(FrameCommands&, int) {}

// Builds the rows once: one per command id.
std::vector<Row> BuildRows() {
    std::vector<Row> rows;
    auto add = [&rows](int commandId, Row::EnableRule enabled, Row::CheckRule checked, Row::Handler run) {
        rows.push_back(Row{commandId, enabled, checked, run});
    };
    using C = FrameCommands;

    // File
    add(id::kFileNew, Always, nullptr, [](C& c, int) { c.OnFileNew(); });
    add(id::kFileOpen, Always, nullptr, [](C& c, int) { c.OnFileOpen(); });
    add(id::kFileSave, RuleL, nullptr, [](C& c, int) { c.OnFileSave(); });
    // Once a file was opened, in report mode too.
    add(
        id::kFileSaveCopyAs, [](int, const UiState& s) -> Maybe { return s.projectLoaded; }, nullptr,
        [](C& c, int) { c.OnFileSaveCopyAs(); });
    for (int c = id::kRecentFirst; c <= id::kRecentLast; ++c)
        add(
            c, [](int i, const UiState& s) -> Maybe { return i - id::kRecentFirst < s.recentCount; }, nullptr,
            [](C& cmds, int i) { cmds.OnRecentFile(i - id::kRecentFirst); });
    add(id::kPrinterSetup, Always, nullptr, [](C& c, int) { c.Host().RunPrinterSetup(); });
    add(id::kConvertKev, Always, nullptr, [](C& c, int) { c.OnConvertKevFiles(); });
    add(id::kConvertDuxToPit, Always, nullptr, [](C& c, int) { c.Host().RunZezConversion(); });
    add(id::kOptions, Always, nullptr, [](C& c, int) { c.Host().RunOptionsSheet(); });
    add(id::kPrintSetup, Always, nullptr, [](C& c, int) { c.Host().RunPrintSetup(); });
    add(id::kExportStateExcel, RuleL, nullptr, [](C& c, int) { c.Host().ExportStateExcel(); });
    add(id::kExportCurveDocument, RuleL, nullptr, [](C& c, int) { c.Host().ExportCurveDocument(); });
    add(id::kExportCurvePictures, RuleL, nullptr, [](C& c, int) { c.Host().ExportCurvePictures(); });
    add(id::kReportSpare, ReportOnly, nullptr, Nothing);
    // Report mode's commands run on its list view; the document and workbook
    // ones only once their writers are installed.
    for (int c : {id::kPrintPreview, id::kPrint, id::kReportSave, id::kReportProjectPictures,
                  id::kReportSinglePictures, id::kReportBack})
        add(c, ReportOnly, nullptr, [](C& cmds, int i) { cmds.Host().RunReportCommand(i); });
    for (int c : {id::kCountInfo, id::kReportExportDocument})
        add(
            c, [](int, const UiState& s) -> Maybe { return InReport(s) && s.wordWriter; }, nullptr,
            [](C& cmds, int i) { cmds.Host().RunReportCommand(i); });
    add(
        id::kReportExportExcel, [](int, const UiState& s) -> Maybe { return InReport(s) && s.excelWriter; },
        nullptr, [](C& c, int i) { c.Host().RunReportCommand(i); });
    add(id::kAppExit, Always, nullptr, [](C& c, int) { c.Host().CloseWindow(); });

    // Edit
    add(id::kRestoreChannel, RuleL, nullptr, [](C& c, int) { c.OnRestoreChannel(); });
    add(id::kRestoreAllChannels, RuleL, nullptr, [](C& c, int) { c.OnRestoreAllChannels(); });
    add(id::kEditCopy, RuleL, nullptr, [](C& c, int) { c.OnEditCopy(); });
    add(
        id::kEditPaste, [](int, const UiState& s) -> Maybe { return *RuleL(0, s) && s.copyCount > 0; },
        nullptr, [](C& c, int) { c.OnEditPaste(); });
    for (int c : {id::kShiftLeft, id::kShiftRight})
        add(c, RuleL, nullptr, [](C& cmds, int i) { cmds.ShiftWave(i == id::kShiftRight); });
    for (int c : {id::kMoveUp, id::kMoveDown})
        add(c, RuleL, nullptr, [](C& cmds, int i) { cmds.OffsetWave(i == id::kMoveUp); });
    add(id::kWaveReverse, RuleL, nullptr, [](C& c, int) { c.OnWaveReverse(); });

    // Display
    for (int c : {id::kWaveStretch, id::kWaveCompress})
        add(
            c, [](int, const UiState& s) -> Maybe { return !s.pileFixed && *RuleL(0, s); }, nullptr,
            [](C& cmds, int i) { cmds.OnWaveStretch(i == id::kWaveStretch); });
    for (const FactorItem& f : kFactors)
        add(
            f.id, RuleL,
            [](int i, const UiState& s) {
                return HasTarget(s) && std::fabs(s.targetFactor - *WaveFactorOf(i)) < 1e-6f &&
                       !s.targetCustom;
            },
            [](C& c, int i) { c.SetWaveFactor(*WaveFactorOf(i), false); });
    add(
        id::kFactorCustom, RuleL, [](int, const UiState& s) { return HasTarget(s) && s.targetCustom; },
        [](C& c, int) { c.SetWaveFactor(c.Doc().m_fZoomRateDefine / 100.0f, true); });
    for (int c : {id::kFillPositive, id::kFillNegative, id::kFillBoth, id::kFillNone})
        add(
            c, RuleL, [](int i, const UiState& s) { return s.fillMode == FillModeOf(i); },
            [](C& cmds, int i) { cmds.SetFillMode(FillModeOf(i)); });
    for (int c : {id::kViewByTime, id::kViewByLength})
        add(
            c, RuleL,
            [](int i, const UiState& s) {
                return HasTarget(s) && s.targetAxisMode == (i == id::kViewByTime ? 1 : 2);
            },
            [](C& cmds, int i) { cmds.OnViewAxis(i == id::kViewByTime ? 1 : 2); });
    add(id::kSetAverageWave, RuleL, nullptr, [](C& c, int) { c.OnSetAverageWave(); });
    add(
        id::kLockYAxis, Always, [](int, const UiState& s) { return s.yLocked && !InReport(s); },
        [](C& c, int) { c.OnLockYAxis(); });
    for (int c = id::kLanguageFirst; c <= id::kLanguageLast; ++c)
        add(
            c, [](int, const UiState& s) -> Maybe { return s.languageFilesExist && !InReport(s); },
            [](int i, const UiState& s) { return i == s.checkedLanguageItem; },
            [](C& cmds, int i) { cmds.OnLanguage(i); });
    for (int c : {id::kHeadPeak, id::kHeadPeakSpare, id::kHeadStartKey})
        add(
            c, HeadPickRule, [](int, const UiState& s) { return s.headPickMode == 1; },
            [](C& cmds, int i) { cmds.SetHeadPickMode(i == id::kHeadStartKey ? 0 : 1); });
    add(
        id::kHeadStart, HeadPickRule, [](int, const UiState& s) { return s.headPickMode == 0; },
        [](C& c, int) { c.SetHeadPickMode(0); });
    for (int c : {id::kFixedTimeDiff, id::kVaryingTimeDiff})
        add(
            c, RuleL, [](int i, const UiState& s) { return s.calcMode == (i == id::kFixedTimeDiff ? 0 : 1); },
            [](C& cmds, int i) { cmds.SetCalcMode(i == id::kFixedTimeDiff ? 0 : 1); });

    // View
    add(
        id::kViewMain, NotReport,
        [](int, const UiState& s) {
            return s.activeView == ActiveView::MainWave || s.activeView == ActiveView::Average;
        },
        [](C& c, int) { c.Frame().OnViewMain(); });
    add(
        id::kViewSingleWave, NotReport,
        [](int, const UiState& s) { return s.activeView == ActiveView::SingleWave; },
        [](C& c, int) {
            if (c.Doc().m_bFileOpen)
                c.Frame().OnViewSingleWave();
        });
    add(
        id::kViewAnalysis, NotReport,
        [](int, const UiState& s) { return s.activeView == ActiveView::Analysis; },
        [](C& c, int) { c.Frame().OnViewAnalysis(); });
    add(
        id::kSpectrumView, RuleL, [](int, const UiState& s) { return s.activeView == ActiveView::Analysis; },
        [](C& c, int) { c.OnAnalysisCurve(1); });
    add(id::kPhaseView, Never, nullptr, [](C& c, int) { c.OnAnalysisCurve(2); });
    add(
        id::kMainPanel, Always,
        [](int, const UiState& s) { return s.mainPanelVisible || s.reportPanelVisible; },
        [](C& c, int) { c.Host().ToggleMainPanel(); });
    add(
        id::kToolBar, Always,
        [](int, const UiState& s) { return s.mainToolBarVisible || s.reportToolBarVisible; },
        [](C& c, int) { c.Host().ToggleToolBar(); });
    add(
        id::kReportModeFlag, NotReport,
        [](int, const UiState& s) { return !InReport(s) && s.reportModeFlag; },
        [](C& c, int) { c.Doc().m_bReportMode = !c.Doc().m_bReportMode; });
    add(id::kHelpManual, Always, nullptr, [](C& c, int) { c.OnHelpManual(); });
    add(id::kAppAbout, Always, nullptr, [](C& c, int) { c.Host().ShowAbout(); });

    // Processing
    add(id::kWavelet, Always, nullptr, [](C& c, int) { c.OnWavelet(); });
    for (int c : {id::kIntegrate, id::kDifferentiate})
        add(c, RuleL, nullptr, [](C& cmds, int i) { cmds.OnIntegrate(i == id::kIntegrate); });
    add(id::kDigitalFilter, RuleL, nullptr, [](C& c, int) { c.Host().RunDigitalFilter(); });
    add(id::kExpAmplify, RuleL, nullptr, [](C& c, int) { c.Host().RunExpAmplify(); });
    add(
        id::kRotate, RotateRule, [](int, const UiState& s) { return *RotateRule(0, s) && s.rotateMode; },
        [](C& c, int) { c.OnRotate(); });
    for (int c : {id::kRotateLocate, id::kRotateLocateKey})
        add(c, c == id::kRotateLocate ? RotateRule : Always,
            c == id::kRotateLocate
                ? Row::CheckRule([](int, const UiState& s) { return *RotateRule(0, s) && s.locateMode; })
                : nullptr,
            [](C& cmds, int) { cmds.OnRotateLocate(); });
    for (int c : {id::kRotateUp, id::kRotateDown})
        add(c, RotateTailRule, nullptr, [](C& cmds, int i) { cmds.OnRotateTail(i == id::kRotateUp); });
    add(
        id::kFixedParams, RuleL, [](int, const UiState& s) { return *RuleL(0, s) && s.fixedAnalysis; },
        [](C& c, int) {
            if (c.Frame().HasPileInfoPage())
                c.Host().RunFixedParams();
        });

    // Tools: report mode, once the tree marks a blow file.
    for (int c : {id::kSingleReport, id::kProjectReport})
        add(
            c, [](int, const UiState& s) -> Maybe { return s.markedPiles != 0 && *RuleL(0, s); }, nullptr,
            [](C& cmds, int i) { cmds.OnReport(i == id::kProjectReport); });
    add(id::kSingleTraceBmp, RuleL, nullptr, [](C& c, int) { c.OnExportSingleTraceBmp(); });
    for (int c = id::kSelectChannelFirst; c <= id::kSelectChannelLast; ++c)
        add(c, Always, nullptr, [](C& cmds, int i) { cmds.Host().SelectChannel(i); });

    // The views' defect commands.
    for (int c : {id::kUndoDefect, id::kUndoAllDefects})
        add(
            c, [](int, const UiState& s) -> Maybe { return *RuleL(0, s) && s.canUndoDefect; }, nullptr,
            [](C& cmds, int i) { cmds.UndoDefect(i == id::kUndoAllDefects); });
    add(id::kPreviewClose, Always, nullptr, [](C& c, int) { c.Host().ClosePreview(); });
    // The analysis view's detail index (Ctrl+R).
    add(
        id::kSetDetailIndex,
        [](int, const UiState& s) -> Maybe {
            return s.projectLoaded && !InReport(s) && s.activeView == ActiveView::Analysis && s.canSetDetail;
        },
        nullptr, [](C& c, int) { c.Host().SetDetailIndex(); });
    return rows;
}

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = BuildRows();
    return rows;
}

} // namespace

} // namespace pit::frame

namespace pit {

const CommandRow* FindCommandRow(int commandId) {
    for (const CommandRow& r : frame::Rows())
        if (r.id == commandId)
            return &r;
    return nullptr;
}

std::optional<CommandState> EvaluateRule(int commandId, const UiState& s) {
    const CommandRow* row = FindCommandRow(commandId);
    if (!row)
        return CommandState{};
    const std::optional<bool> enabled = row->enabled ? row->enabled(commandId, s) : std::optional<bool>(true);
    if (!enabled)
        return std::nullopt;
    CommandState st;
    st.enabled = *enabled;
    st.checkable = row->checked != nullptr;
    st.checked = st.checkable && row->checked(commandId, s);
    return st;
}

} // namespace pit

namespace pit::frame {

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
    s.canUndoDefect = m_host.CanUndoDefect();
    s.yLocked = m_doc.m_bLockYAxis;
    s.rotateMode = m_bRotateMode;
    s.locateMode = m_bLocateMode;
    s.fixedAnalysis = m_doc.m_bFixedParams;
    s.markedPiles = m_host.MarkedPiles();
    s.reportModeFlag = m_doc.m_bReportMode;
    const CommandHost::Bars bars = m_host.VisibleBars();
    s.mainPanelVisible = bars.mainPanel;
    s.reportPanelVisible = bars.reportPanel;
    s.mainToolBarVisible = bars.mainToolBar;
    s.reportToolBarVisible = bars.reportToolBar;
    if (m_languages) {
        s.languageFilesExist = m_languages->FilesExist();
        s.checkedLanguageItem = m_languages->CheckedItem();
    }
    s.copyCount = int(m_copy.size());
    s.recentCount = int(m_host.RecentFiles().size());
    s.canSetDetail = m_host.CanSetDetailIndex();
    s.wordWriter = m_host.HasWordWriter();
    s.excelWriter = m_host.HasExcelWriter();
    return s;
}

bool FrameCommands::Run(int c) {
    const CommandRow* row = FindCommandRow(c);
    if (!row || !row->run)
        return false;
    const std::optional<CommandState> st = EvaluateRule(c, Snapshot());
    if (st && !st->enabled)
        return false;
    row->run(*this, c);
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

bool FrameCommands::OnFileSave() {
    CPileRecord& rec = m_doc.m_PileRecord;
    const pit::AppContext& ctx = m_doc.Context();
    auto tell = [&ctx](const FileError& e) {
        ctx.message(e.message(ctx.english), ctx.tr(QStringLiteral("提示"), QStringLiteral("Tips")),
                    MB_OK | MB_ICONEXCLAMATION);
    };
    // A pile on read-only media cannot be saved: nothing is written and the
    // pile stays modified.
    if (m_doc.m_bFileOpen && !m_doc.CheckFolderWritable(rec.m_strPath, true))
        return false;
    bool ok = true;
    bool pileSaved = false;
    if (m_doc.m_bFileOpen) {
        if (rec.m_nCurrentChannel == -1)
            rec.m_nCurrentChannel = 0;
        const bool fixed = rec.m_bFixedParam != 0;
        m_host.ReloadProjectDates();
        m_frame.ExchangeWaveParams(false, true);
        ComputeSpectrumMarks();
        // A file saved by another window, or replaced, since it was read is
        // not merged with this one: the user chooses which pile stays.
        const bool changed = rec.FileChangedOnDisk();
        if (changed && !AskOverwriteChangedPile(rec.m_strPath)) {
            ok = false; // the file on disk stays; the pile stays modified
        } else {
            try {
                rec.SaveAnalysis(changed);
                pileSaved = true;
            } catch (const FileError& e) {
                ok = false; // the pile stays modified so closing asks again
                tell(e);
            }
        }
        if (ok) {
            if (!fixed)
                m_host.MarkPileSaved(true);
            m_doc.SetModifiedFlag(false);
        }
    }
    // A pile opened without a project has no index to write, a read-only
    // project keeps the index it has.
    if (!m_doc.m_ProjectInfo.GetProjectPath().isEmpty() && m_doc.m_ProjectInfo.IndexWritable()) {
        try {
            m_doc.m_ProjectInfo.SaveProjectFile();
        } catch (const FileError& e) {
            if (ok) // one message per save: a pile that failed was told already
                tell(e);
            ok = false;
        }
    }
    rec.m_strInstrument = options::InstrumentModel(m_doc.m_nYiqiXinghao);
    // Only a pile that was written is read back: after a failed write the
    // record keeps the user's edit, as the views show it.
    if (pileSaved) {
        try {
            rec.ReloadIfNeeded();
        } catch (const FileError&) {
            // the record keeps what it holds
        }
    }
    return ok;
}

bool FrameCommands::AskOverwriteChangedPile(const QString& path) {
    const QString name = QDir::toNativeSeparators(path);
    return m_doc.Context().message(
               QStringLiteral(
                   "桩文件“%1”在读入后已在磁盘上被改动（例如已由另一个窗口保存，或被另一个文件替换）。\n"
                   "是：用本窗口的桩覆盖它；\n否：保留磁盘上的文件，本窗口的改动不保存。")
                   .arg(name),
               QStringLiteral(
                   "The pile file \"%1\" has changed on disk since it was read (for example "
                   "saved from another window, or replaced by another file).\nYes: overwrite it with this "
                   "window's pile.\nNo: keep the file on disk; this window's changes are not saved.")
                   .arg(name),
               QStringLiteral("警告"), QStringLiteral("Warning"),
               MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

bool FrameCommands::OnFileSaveCopyAs() {
    if (!m_doc.CanSaveCopy())
        return false;
    CPileRecord& rec = m_doc.m_PileRecord;
    const QString folder = QFileInfo(rec.m_strPath).absolutePath();
    const QString path = m_host.ChooseCopyFile(QDir(folder).filePath(m_doc.SaveCopyDefaultName()));
    if (path.isEmpty())
        return false;
    // What Save takes from the panel goes into the copy as well.
    m_frame.ExchangeWaveParams(false, true);
    return m_doc.SaveCopyAs(path);
}

void FrameCommands::ComputeSpectrumMarks() {
    CPileRecord& rec = m_doc.m_PileRecord;
    if (rec.m_analysisValues[0] != 0 || rec.m_analysisValues[1] != 0)
        return;
    CWaveRecord* w = rec.CurrentChannel();
    if (!w || w->SampleCount() < 2)
        return;
    CSpectrum spectrum(w);
    spectrum.SetRefine(m_doc.m_nRefineIndex);
    int range = 0, peak = 0;
    spectrum.GetRangeAndPeak(range, peak);
    rec.m_analysisValues[0] = range;
    rec.m_analysisValues[1] = peak;
    m_frame.Refresh(RefreshTarget::PileChanged);
}

void FrameCommands::OnFileNew() {
    m_host.CloseDocument();
}

void FrameCommands::OnFileOpen() {
    const QString path = m_host.ChooseOpenFile(m_doc.m_strFolder);
    if (!path.isEmpty())
        m_host.OpenPile(path);
}

void FrameCommands::OnRecentFile(int index) {
    const QStringList files = m_host.RecentFiles();
    if (index < 0 || index >= files.size())
        return;
    const QString path = files[index];
    // A file that is gone or damaged leaves the list (the document told why).
    if (!QFileInfo::exists(path)) {
        Tell(QStringLiteral("找不到文件：%1").arg(QDir::toNativeSeparators(path)),
             QStringLiteral("The file cannot be found: %1").arg(QDir::toNativeSeparators(path)),
             MB_OK | MB_ICONEXCLAMATION);
        m_host.ForgetRecentFile(path);
        return;
    }
    m_host.OpenPile(path);
}

void FrameCommands::OnConvertKevFiles() {
    // The diameter answered "for all" stays for the whole run.
    KevInputSettings& settings = KevInputSettings::shared();
    const QString folder = m_host.ChooseFolder(QStringLiteral("请选择KEV文件所在的目录："));
    if (folder.isEmpty())
        return;
    QStringList files;
    for (const QString& n : QDir(folder).entryList(QDir::Files, QDir::Name))
        if (n.endsWith(QStringLiteral(".kev"), Qt::CaseInsensitive))
            files << n;
    if (files.isEmpty()) {
        const QString shown = QDir::toNativeSeparators(folder);
        Tell(ConversionResultMessage(false, false) + QStringLiteral("：文件夹“%1”中没有KEV文件。").arg(shown),
             ConversionResultMessage(false, true) +
                 QStringLiteral(": the folder \"%1\" holds no KEV files.").arg(shown),
             MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const KevDiameterAsker asker = m_host.DiameterAsker();
    const KevDiameterAsker keepOwn = [](int&, KevInputSettings&, const QString&) { return false; };
    // Every file is converted on its own: a pile file the user keeps, or one
    // that fails, does not stop the others.
    int converted = 0;
    QStringList kept, failedZh, failedEn;
    for (const QString& n : files) {
        const QString path = QDir(folder).filePath(n);
        const QString shown = QDir::toNativeSeparators(path);
        KevConvertOutcome outcome;
        try {
            if (CPileRecord::ConvertKevFile(path, m_doc.Context(), settings, asker ? asker : keepOwn,
                                            &outcome)) {
                ++converted;
                continue;
            }
            if (outcome.declined) {
                kept << QDir::toNativeSeparators(KevTargetPath(path));
                continue;
            }
            failedZh << QStringLiteral("文件“%1”未能转换").arg(shown) +
                            (outcome.whyZh.isEmpty() ? QStringLiteral("。")
                                                     : QStringLiteral("：") + outcome.whyZh);
            failedEn << QStringLiteral("The file \"%1\" was not converted").arg(shown) +
                            (outcome.whyEn.isEmpty() ? QStringLiteral(".")
                                                     : QStringLiteral(": ") + outcome.whyEn);
        } catch (const FileError& e) {
            failedZh << e.message(false);
            failedEn << e.message(true);
        }
    }
    const bool ok = failedZh.isEmpty();
    QString zh = ConversionResultMessage(ok, false), en = ConversionResultMessage(ok, true);
    if (!ok) {
        zh += QStringLiteral("：\n") + failedZh.join(u'\n');
        en += QStringLiteral(":\n") + failedEn.join(u'\n');
    }
    if (!ok || !kept.isEmpty()) {
        zh += QStringLiteral("\n已转换 %1 个文件，未转换 %2 个。").arg(converted).arg(failedZh.size());
        en += QStringLiteral("\n%1 files converted, %2 not converted.").arg(converted).arg(failedEn.size());
    }
    if (!kept.isEmpty()) {
        zh += QStringLiteral("\n以下文件已存在，未覆盖，保留原文件：\n") + kept.join(u'\n');
        en += QStringLiteral("\nThese files already exist and were kept, not overwritten:\n") +
              kept.join(u'\n');
    }
    Tell(zh, en, ok ? MB_OK : (MB_OK | MB_ICONEXCLAMATION));
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
    // The channel's marks are gone: the integrity text says so (this also
    // hands the channel's values to the panels).
    m_frame.BuildIntegrityText(true);
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
    if (m_doc.m_bFixedParams) {
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
        // The axis of every channel is kept in the pile file.
        if (m_doc.m_PileRecord.m_nViewMode != axisMode)
            Modified();
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
        Modified();
    }
}

void FrameCommands::OnLockYAxis() {
    // The document keeps the flag: the main wave view lays its rows out by it.
    m_doc.m_bLockYAxis = !m_doc.m_bLockYAxis;
    CPileRecord& rec = m_doc.m_PileRecord;
    float peak = -1.0f;
    if (m_doc.m_bLockYAxis)
        for (int i = 0; i < rec.ChannelCountInList(); ++i)
            peak = std::max(peak, rec.Channel(i)->GetDisplayMax(true));
    for (int i = 0; i < rec.ChannelCountInList(); ++i)
        rec.Channel(i)->SetCommonPeak(m_doc.m_bLockYAxis ? peak : -1.0f);
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
    Modified(); // the head markers moved
}

void FrameCommands::SetCalcMode(int mode) {
    m_doc.m_PileRecord.SetCalcMode(mode);
    m_host.UpdatePanelControls();
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    Modified();
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

void FrameCommands::UndoDefect(bool all) {
    if (!m_host.CanUndoDefect())
        return;
    m_host.UndoDefect(all);
    Modified();
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
        // Read as the folder scan reads: never waiting on a pipe put in a pile's place.
        const pit::RangeFile f(files.GetAt(i).m_strPath);
        QByteArray magic;
        if (f.IsOpen() && f.Read(0, 10, magic) && magic.startsWith("A-RIRADAD")) {
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
    m_frame.Refresh(RefreshTarget::AllWaveViews);
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    if (!m_host.SaveTraceBitmap(ch, path)) {
        Tell(QStringLiteral("无法写入文件：%1").arg(shown),
             QStringLiteral("The file cannot be written: %1").arg(shown), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // Opened first, so the message can say when no program opens it.
    const bool opened = ui::desktop().open(QUrl::fromLocalFile(path));
    if (opened)
        Tell(QStringLiteral("单道波形图片已保存到：%1").arg(shown),
             QStringLiteral("The single-trace picture was saved to: %1").arg(shown),
             MB_OK | MB_ICONINFORMATION);
    else
        Tell(QStringLiteral("单道波形图片已保存到：%1，但没有可以打开它的程序。").arg(shown),
             QStringLiteral("The single-trace picture was saved to: %1, but no program opens it.").arg(shown),
             MB_OK | MB_ICONWARNING);
}

QString FindUserManual(const QString& dir) {
    const QString name = QString::fromUtf16(FrameCommands::kManualName);
    for (const QString& d : {dir, pit::installedResourceDir()}) {
        const QString path = QDir(d).filePath(name);
        if (!d.isEmpty() && QFileInfo::exists(path))
            return path;
    }
    return QDir(dir).filePath(name);
}

bool OpenUserManual(const QString& dir, QString* zh, QString* en) {
    const QString path = FindUserManual(dir);
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo::exists(path)) {
        *zh = QStringLiteral("找不到使用手册：%1").arg(shown);
        *en = QStringLiteral("The user manual is missing: %1").arg(shown);
        return false;
    }
    if (!ui::desktop().open(QUrl::fromLocalFile(path))) {
        *zh = QStringLiteral("使用手册“%1”无法打开：没有可以打开PDF文件的程序。").arg(shown);
        *en =
            QStringLiteral("The user manual \"%1\" cannot be opened: no program opens PDF files.").arg(shown);
        return false;
    }
    return true;
}

void FrameCommands::OnHelpManual() {
    QString zh, en;
    if (!OpenUserManual(m_manualDir, &zh, &en))
        Tell(zh, en, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace pit::frame
