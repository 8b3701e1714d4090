// The main window's commands as QActions, its menus and tool bars.
#include "mainwnd/CommandRegistry.h"

#include "core/doc/LanguageFiles.h"
#include "mainwnd/CommandIds.h"

#include <QAction>
#include <QDir>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

namespace pit {

namespace {

// Built-in status prompts and tool tips ("prompt\ntip"); the language files
// replace them by id.
const std::map<int, const char16_t*>& BuiltinCommandStrings() {
    static const std::map<int, const char16_t*> table = {
        {cmd::kFileSave, u"保存当前的打开的文件\n文件保存"},
        {cmd::kFileSaveCopyAs, u"将当前桩文件另存为一个副本\n另存为"},
        {cmd::kWaveStretch, u"将当前波形按两倍比例拉伸\n波形拉伸"},
        {cmd::kWaveCompress, u"将当前波形按1/2倍比例压缩\n波形压缩"},
        {cmd::kSingleReport, u"\n输出单桩图片"},
        {cmd::kProjectReport, u"\n输出工程报告"},
        {cmd::kReportBack, u"\n退出导出报告视图"},
        {cmd::kFileOpen, u"打开文件\n打开"},
        {cmd::kUndoDefect, u"撤消当前波形的最后一个缺陷标记\n撤消缺陷"},
        {cmd::kUndoAllDefects, u"撤消当前波形的所有缺陷标记\n撤消所有缺陷"},
        {cmd::kSetDetailIndex, u"细化指数设置\n细化指数"},
        {cmd::kReportSave, u"\n保存"},
        {cmd::kReportExportDocument, u"\n导出文档"},
        {cmd::kReportExportExcel, u"\n导出EXCEL"},
        {cmd::kReportProjectPictures, u"\n导出工程图片"},
        {cmd::kReportSinglePictures, u"\n导出单桩图片"},
    };
    return table;
}

// The menu text without its accelerator mark and key, for tool tips.
QString PlainText(QString text) {
    text.remove(QLatin1Char('&'));
    const int tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        text.truncate(tab);
    const int paren = text.indexOf(QLatin1Char('('));
    if (paren > 0)
        text.truncate(paren);
    return text.trimmed();
}

// The drawing of each tool-bar command (res/icons).
const std::map<int, const char*>& IconNames() {
    using namespace cmd;
    static const std::map<int, const char*> names = {
        {kFileOpen, "open"},
        {kFileSave, "save"},
        {kWaveStretch, "wave-stretch"},
        {kWaveCompress, "wave-compress"},
        {kMoveUp, "wave-up"},
        {kMoveDown, "wave-down"},
        {kShiftLeft, "wave-left"},
        {kShiftRight, "wave-right"},
        {kWaveReverse, "wave-invert"},
        {kRotate, "rotate"},
        {kRotateLocate, "rotate-locate"},
        {kRotateUp, "rotate-up"},
        {kRotateDown, "rotate-down"},
        {kRestoreChannel, "restore-channel"},
        {kRestoreAllChannels, "restore-all"},
        {kSpectrumView, "spectrum"},
        {kPhaseView, "phase"},
        {kUndoDefect, "undo-defect"},
        {kUndoAllDefects, "undo-all-defects"},
        {kSetDetailIndex, "refine"},
        {kSingleReport, "single-report"},
        {kProjectReport, "project-report"},
        {kSetAverageWave, "set-average"},
        {kReportSave, "report-save"},
        {kReportExportDocument, "export-document"},
        {kReportExportExcel, "export-excel"},
        {kReportProjectPictures, "export-project-pictures"},
        {kReportSinglePictures, "export-single-picture"},
        {kPrintSetup, "print-setup"},
        {kPrintPreview, "print-preview"},
        {kPrint, "print"},
        {kCountInfo, "statistics"},
        {kReportBack, "report-exit"},
    };
    return names;
}

} // namespace

CommandRegistry::CommandRegistry(QWidget* owner, bool english)
    : QObject(owner), m_owner(owner), m_english(english) {}

QAction* CommandRegistry::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool CommandRegistry::Trigger(int id) {
    return m_dispatcher && m_dispatcher->Run(id);
}

void CommandRegistry::Update() {
    if (m_recent) {
        const QStringList files = m_recent();
        for (int i = 0; i <= cmd::kRecentLast - cmd::kRecentFirst; ++i)
            if (QAction* a = Action(cmd::kRecentFirst + i)) {
                a->setVisible(i < files.size());
                if (i < files.size())
                    a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
            }
    }
    if (!m_dispatcher)
        return;
    const UiState s = m_dispatcher->Snapshot();
    for (const auto& [id, action] : m_actions) {
        const std::optional<CommandState> st = EvaluateRule(id, s);
        if (!st)
            continue; // the rule leaves this item as it is
        action->setEnabled(st->enabled);
        action->setCheckable(st->checkable);
        if (st->checkable)
            action->setChecked(st->checked);
    }
}

void CommandRegistry::StartIdleUpdates() {
    if (m_idle)
        return;
    m_idle = new QTimer(this);
    m_idle->setInterval(250);
    connect(m_idle, &QTimer::timeout, this, &CommandRegistry::Update);
    m_idle->start();
}

QString CommandRegistry::CommandString(int id) const {
    if (id > cmd::kLanguageFirst && id <= cmd::kLanguageLast) // a language entry: its file's description
        return LanguageFiles::instance().GetLanguageDescription(id);
    if (auto s = LanguageFiles::instance().LoadLangString(unsigned(id)); s && !s->isEmpty())
        return *s;
    const auto& table = BuiltinCommandStrings();
    const auto it = table.find(id);
    if (it != table.end())
        return QString::fromUtf16(it->second);
    if (QAction* a = Action(id))
        return PlainText(a->text()) + QLatin1Char('\n') + PlainText(a->text());
    return {};
}

QString CommandRegistry::Prompt(int id) const {
    const QString s = CommandString(id);
    return s.section(QLatin1Char('\n'), 0, 0).left(255);
}

QString CommandRegistry::ToolTip(int id) const {
    const QString s = CommandString(id);
    const int lf = s.indexOf(QLatin1Char('\n'));
    return lf < 0 ? QString() : s.mid(lf + 1);
}

QAction* CommandRegistry::Make(int id, const QString& text, const QString& shortcut) {
    QAction* a = Action(id);
    if (!a) {
        a = new QAction(text, m_owner);
        a->setData(id);
        a->setEnabled(false);
        if (!shortcut.isEmpty()) {
            a->setShortcut(QKeySequence(shortcut));
            a->setShortcutContext(Qt::WindowShortcut);
        }
        connect(a, &QAction::triggered, this, [this, id] { Trigger(id); });
        m_actions[id] = a;
        if (m_owner)
            m_owner->addAction(a);
    }
    return a;
}

QIcon CommandRegistry::CommandIcon(int id) {
    const auto& names = IconNames();
    const auto it = names.find(id);
    return it == names.end() ? QIcon()
                             : QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(it->second)));
}

const std::vector<int>& CommandRegistry::MainToolBarIds() {
    using namespace cmd;
    static const std::vector<int> ids = {kFileOpen,
                                         kFileSave,
                                         0,
                                         kWaveStretch,
                                         kWaveCompress,
                                         0,
                                         kMoveUp,
                                         kMoveDown,
                                         kShiftLeft,
                                         kShiftRight,
                                         0,
                                         kWaveReverse,
                                         0,
                                         kRotate,
                                         kRotateLocate,
                                         kRotateUp,
                                         kRotateDown,
                                         0,
                                         kRestoreChannel,
                                         kRestoreAllChannels,
                                         0,
                                         kSpectrumView,
                                         kPhaseView,
                                         0,
                                         kUndoDefect,
                                         kUndoAllDefects,
                                         kSetDetailIndex,
                                         kSingleReport,
                                         kProjectReport,
                                         kSetAverageWave};
    return ids;
}

const std::vector<int>& CommandRegistry::ReportToolBarIds() {
    using namespace cmd;
    static const std::vector<int> ids = {kReportSave,
                                         kReportExportDocument,
                                         kReportExportExcel,
                                         kReportProjectPictures,
                                         kReportSinglePictures,
                                         kPrintSetup,
                                         kPrintPreview,
                                         kPrint,
                                         kCountInfo,
                                         kReportBack};
    return ids;
}

QMenu* CommandRegistry::BuildMenuBar(QMenuBar* bar) {
    using namespace cmd;
    auto add = [this](QMenu* m, int id, const char16_t* text, const char* key = nullptr) {
        m->addAction(Make(id, QString::fromUtf16(text), key ? QString::fromLatin1(key) : QString()));
    };

    QMenu* file = bar->addMenu(QStringLiteral("文件(&F)"));
    add(file, kFileNew, u"新建(&N)\tCtrl+N", "Ctrl+N");
    add(file, kFileOpen, u"打开(&O)...\tCtrl+O", "Ctrl+O");
    add(file, kFileSave, u"保存(&S)\tCtrl+S", "Ctrl+S");
    add(file, kFileSaveCopyAs, u"另存为(&A)...");
    file->addSeparator();
    add(file, kConvertKev, u"KEV文件转换");
    add(file, kConvertDuxToPit, u"DUX文件转换成PIT");
    QMenu* exp = file->addMenu(QStringLiteral("导出文件"));
    add(exp, kExportStateExcel, u"导出文件当前状态EXCEL");
    add(exp, kExportCurvePictures, u"导出文件当前状态曲线图片");
    add(exp, kExportCurveDocument, u"导出文件当前状态曲线文档");
    file->addSeparator();
    add(file, kOptions, u"选项设置(&T)...");
    add(file, kPrintSetup, u"打印设置(&G)...");
    add(file, kPrintPreview, u"打印预览(&V)");
    add(file, kPrint, u"打印(&P)");
    add(file, kCountInfo, u"生成信息统计");
    add(file, kPrinterSetup, u"打印机设置(&R)...");
    file->addSeparator();
    for (int id = kRecentFirst; id <= kRecentLast; ++id) {
        add(file, id, u"");
        Action(id)->setVisible(false);
    }
    file->addSeparator();
    add(file, kAppExit, u"退出(&X)");

    QMenu* edit = bar->addMenu(QStringLiteral("编辑(&E)"));
    add(edit, kRestoreChannel, u"恢复当前通道(&H)");
    add(edit, kRestoreAllChannels, u"恢复所有通道(&S)");
    edit->addSeparator();
    add(edit, kEditCopy, u"波形复制(&C)\tCtrl+C", "Ctrl+C");
    add(edit, kEditPaste, u"波形粘贴(&P)\tCtrl+V", "Ctrl+V");
    edit->addSeparator();
    add(edit, kShiftLeft, u"波形左移(&L)");
    add(edit, kShiftRight, u"波形右移(&R)");
    add(edit, kMoveUp, u"波形上移(&U)");
    add(edit, kMoveDown, u"波形下移(&D)");
    add(edit, kWaveReverse, u"波形反向(&R)");

    QMenu* look = bar->addMenu(QStringLiteral("查看(&S)"));
    add(look, kWaveStretch, u"波形拉伸(&L)(Ctrl:所有)");
    add(look, kWaveCompress, u"波形压缩(&D)(Ctrl:所有)");
    QMenu* factor = look->addMenu(QStringLiteral("波形放大系数"));
    add(factor, kFactor20, u"20%");
    add(factor, kFactor50, u"50%");
    add(factor, kFactor70, u"70%");
    add(factor, kFactor100, u"100%");
    add(factor, kFactor150, u"150%");
    add(factor, kFactor200, u"200%");
    add(factor, kFactor300, u"300%");
    add(factor, kFactorCustom, u"自定义");
    QMenu* fill = look->addMenu(QStringLiteral("填充方式"));
    add(fill, kFillPositive, u"正相填充");
    add(fill, kFillNegative, u"反相填充");
    add(fill, kFillBoth, u"双向填充");
    add(fill, kFillNone, u"不填充");
    QMenu* axis = look->addMenu(QStringLiteral("查看方式"));
    add(axis, kViewByTime, u"时间");
    add(axis, kViewByLength, u"长度(CTrl:所有)");
    add(look, kSetAverageWave, u"设置平均波形");
    add(look, kLockYAxis, u"纵坐标锁定");
    QMenu* language = look->addMenu(QStringLiteral("语言")); // position 7
    QMenu* head = look->addMenu(QStringLiteral("桩头位置"));
    add(head, kHeadPeak, u"峰值");
    add(head, kHeadStart, u"起始点");
    add(look, kFixedTimeDiff, u"固定时间差");
    add(look, kVaryingTimeDiff, u"变化时间差");
    Make(kHeadPeakSpare, QString());
    Make(kHeadStartKey, QString(), QStringLiteral("Shift+F6"));

    QMenu* view = bar->addMenu(QStringLiteral("视图(&V)"));
    add(view, kViewMain, u"主视图(&M)");
    add(view, kViewSingleWave, u"单波视图(&S)");
    add(view, kViewAnalysis, u"分析视图");
    add(view, kSpectrumView, u"频谱视图(&P)");
    add(view, kPhaseView, u"相位视图(&X)");
    view->addSeparator();
    add(view, kMainPanel, u"主面板(&B)");
    add(view, kToolBar, u"工具栏(&T)");
    add(view, kReportModeFlag, u"报告模式(&P)");

    QMenu* proc = bar->addMenu(QStringLiteral("处理(&C)"));
    add(proc, kWavelet, u"小波分析(&S)");
    add(proc, kIntegrate, u"积分(&J)");
    add(proc, kDifferentiate, u"微分(&W)");
    add(proc, kDigitalFilter, u"数字滤波(&L)\tCtrl+D", "Ctrl+D");
    add(proc, kExpAmplify, u"指数放大(&Z)\tAlt++", "Alt++");
    QMenu* rot = proc->addMenu(QStringLiteral("波形旋转"));
    add(rot, kRotate, u"旋转");
    add(rot, kRotateLocate, u"定位\tAlt+5", "Alt+5");
    add(rot, kRotateUp, u"向上旋转\tAlt+6", "Alt+6");
    add(rot, kRotateDown, u"向下旋转\tAlt+7", "Alt+7");
    add(proc, kFixedParams, u"固定参数分析");

    QMenu* tools = bar->addMenu(QStringLiteral("工具(&T)"));
    add(tools, kSingleReport, u"生成单桩报告(&S)");
    add(tools, kProjectReport, u"生成工程报告(&P)");
    add(tools, kSingleTraceBmp, u"单道波形输出bmp");

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    add(help, kHelpManual, u"帮助主题(&M)");
    help->addSeparator();
    add(help, kAppAbout, u"关于KEV_DUX(&A)...");

    // Commands without a menu item.
    Make(kUndoDefect, QStringLiteral("撤消缺陷"));
    Make(kUndoAllDefects, QStringLiteral("撤消所有缺陷"));
    Make(kSetDetailIndex, QStringLiteral("细化指数设置(CTrl+R)"), QStringLiteral("Ctrl+R"));
    Make(kRotateLocateKey, QString());
    Make(kPreviewClose, QString());
    for (int id = kSelectChannelFirst; id <= kSelectChannelLast; ++id)
        Make(id, QString(),
             id < kSelectChannelLast ? QStringLiteral("Alt+F%1").arg(id - kSelectChannelFirst + 1)
                                     : QStringLiteral("Alt+`"));
    const int reportIds[] = {
        kReportSave,           kReportExportDocument, kReportExportExcel, kReportProjectPictures,
        kReportSinglePictures, kReportBack,           kReportSpare};
    for (int id : reportIds)
        Make(id, PlainText(ToolTip(id)));

    ApplyPrompts();
    for (QMenu* m : bar->findChildren<QMenu*>())
        connect(m, &QMenu::aboutToShow, this, &CommandRegistry::Update);
    return language;
}

void CommandRegistry::ApplyPrompts() {
    for (auto& [id, a] : m_actions) {
        a->setStatusTip(Prompt(id));
        a->setToolTip(ToolTip(id).isEmpty() ? PlainText(a->text()) : ToolTip(id));
    }
}

void CommandRegistry::FillToolBar(QToolBar* bar, bool report) {
    for (int id : report ? ReportToolBarIds() : MainToolBarIds()) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        if (!a)
            a = Make(id, QString::number(id));
        if (a->icon().isNull())
            a->setIcon(CommandIcon(id));
        bar->addAction(a);
    }
}

} // namespace pit
