// The main panel: pile tree, sort order and the information pages.
#include "mainwnd/FormMain.h"

#include "analysis/DigitalFilterDlg.h"
#include "analysis/DlgFixPilePara.h"
#include "analysis/DlgWavaSpectrum.h"
#include "analysis/IndexEnlarge.h"
#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/DlgPileInfo.h"
#include "mainwnd/DlgProInfo.h"
#include "mainwnd/MainFrame.h"
#include "mainwnd/RefreshHub.h"
#include "platform/FileError.h"
#include "platform/MessageSink.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

using namespace pit;

namespace {

QString WithoutMark(QString text) {
    if (text.endsWith(QLatin1Char('*')))
        text.chop(1);
    return text;
}

} // namespace

CFormMain::CFormMain(CKEV_DUXDoc* doc, CMainFrame* frame, QWidget* parent)
    : CFormViewExt(kTemplateId, parent), m_pDoc(doc), m_frame(frame) {
    SetCtrlId(this, kTemplateId);
    const bool english = ui::english();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* group = new QGroupBox(QStringLiteral("文件列表"), this);
    SetCtrlId(group, 1083);
    auto* groupLayout = new QVBoxLayout(group);
    m_comboSort = new QComboBox(group);
    SetCtrlId(m_comboSort, 1012);
    m_tree = new QTreeWidget(group);
    SetCtrlId(m_tree, 1001);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    // Tree images: a folder for the root, a page for a pile.
    m_rootIcon = m_tree->style()->standardIcon(QStyle::SP_DirIcon);
    m_pileIcon = m_tree->style()->standardIcon(QStyle::SP_FileIcon);
    groupLayout->addWidget(m_comboSort);
    groupLayout->addWidget(m_tree);
    layout->addWidget(group, 2);

    m_tab = new QTabWidget(this);
    SetCtrlId(m_tab, 1315);
    layout->addWidget(m_tab, 3);

    m_comboSort->addItems(
        english
            ? QStringList{QStringLiteral("FileName"), QStringLiteral("Date"), QStringLiteral("Time")}
            : QStringList{QStringLiteral("文件名"), QStringLiteral("实验日期"), QStringLiteral("实验时间")});
    m_comboSort->setCurrentIndex(0);
    connect(m_comboSort, &QComboBox::activated, this, &CFormMain::SortBy);
    askFilter = [this](int& highPass, int& lowPass) {
        CDigitalFilterDlg dlg(this);
        dlg.m_nHighPass = highPass;
        dlg.m_nLowPass = lowPass;
        // The high-pass stays below half the sampling rate of the pile shown.
        if (m_pDoc)
            dlg.m_fSampleInterval = pit::PileSampleInterval(m_pDoc->m_PileRecord);
        if (dlg.exec() != QDialog::Accepted)
            return false;
        highPass = dlg.m_nHighPass;
        lowPass = dlg.m_nLowPass;
        return true;
    };
    askAmplification = [this](int& index) {
        CIndexEnlarge dlg(this);
        dlg.m_nIndex = index;
        if (dlg.exec() != QDialog::Accepted)
            return false;
        index = dlg.m_nIndex;
        return true;
    };
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CFormMain::OnTreeSelection);
    connect(m_tree, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* i) { i->setIcon(0, m_rootIcon); });
    connect(m_tab, &QTabWidget::currentChanged, this, [this](int) { UpdatePanelControls(); });
}

void CFormMain::OnInitialUpdate() {
    TranslateDialog(this, 101);
    if (m_bFirstUpdate && m_pDoc) {
        const bool english = ui::english();
        auto scrolled = [this](QWidget* page) {
            auto* area = new QScrollArea(m_tab);
            area->setWidget(page);
            area->setWidgetResizable(true);
            area->setFrameShape(QFrame::NoFrame);
            return area;
        };
        m_pProPanel = new CDlgProInfo(&m_pDoc->m_PileRecord, m_pDoc->m_ProjectInfo.m_texts.data());
        m_pProPanel->SetAgeSink(&m_pDoc->m_iAge);
        m_pProPanel->onChanged = [this] { m_pDoc->SetModifiedFlag(true); };
        m_pPilePanel = new CDlgPileInfo(m_pDoc, m_frame);
        m_pPilePanel->runFixDialog = [this](bool& speedChanged, bool& lengthChanged) {
            CDlgFixPilePara dlg(*m_pDoc, this);
            if (dlg.exec() != QDialog::Accepted)
                return false;
            speedChanged = dlg.m_bSpeedChanged;
            lengthChanged = dlg.m_bLengthChanged;
            return true;
        };
        m_pWavePanel = new CDlgWavaSpectrum(&m_pDoc->m_PileRecord, &m_pDoc->m_ProjectInfo, m_frame);
        m_tab->addTab(scrolled(m_pProPanel),
                      english ? QStringLiteral("Project") : QStringLiteral("工程信息"));
        m_tab->addTab(scrolled(m_pPilePanel), english ? QStringLiteral("Pile") : QStringLiteral("桩信息"));
        m_tab->addTab(scrolled(m_pWavePanel),
                      english ? QStringLiteral("Wave&&Spectrum") : QStringLiteral("波形&&频谱"));
        m_tab->setCurrentIndex(kPileTab);
        FillPileTree();
        m_bFirstUpdate = false;
        m_pProPanel->EnableTestDate(m_pDoc->m_bEnableTestDate);
    }
    UpdateSensitivityLabel();
    if (m_pProPanel)
        m_pProPanel->SaveDates();
}

QString CFormMain::ItemPath(const QTreeWidgetItem* item) const {
    return item ? item->data(0, kPathRole).toString() : QString();
}

void CFormMain::FillPileTree() {
    if (!m_pDoc)
        return;
    const QSignalBlocker block(m_tree);
    m_nMarkedCount = 0;
    m_tree->clear();
    m_hSelItem = nullptr;
    // The items are made apart from the tree and put in at once: a large
    // project is not inserted into the view pile by pile.
    auto* root = new QTreeWidgetItem(QStringList{m_pDoc->m_ProjectInfo.GetProjectPath()});
    root->setIcon(0, m_rootIcon);
    const CPileFileArray& files = m_pDoc->m_ProjectInfo.Files();
    const QString current = m_pDoc->m_bFileOpen ? m_pDoc->m_PileRecord.m_strPath : QString();
    QList<QTreeWidgetItem*> items;
    items.reserve(files.GetCount());
    QTreeWidgetItem* selected = nullptr;
    for (int i = 0; i < files.GetCount(); ++i) {
        const CPileFileItem& f = files.GetAt(i);
        QString text = f.m_strName;
        if (f.m_bFlag == 1) {
            text += QLatin1Char('*');
            ++m_nMarkedCount;
        }
        auto* item = new QTreeWidgetItem(QStringList{text});
        item->setData(0, kPathRole, f.m_strPath);
        item->setIcon(0, m_pileIcon);
        if (!current.isEmpty() && f.m_strPath == current)
            selected = item;
        items.append(item);
    }
    root->addChildren(items);
    m_tree->addTopLevelItem(root);
    if (selected) {
        m_tree->setCurrentItem(selected);
        m_hSelItem = selected;
    }
    root->setExpanded(true);
    m_tree->setFocus();
}

void CFormMain::ReselectShownPile() {
    const QString shown = m_pDoc && m_pDoc->m_bFileOpen ? m_pDoc->m_PileRecord.m_strPath : QString();
    QTreeWidgetItem* root = m_tree->topLevelItem(0);
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; root && i < root->childCount() && !item; ++i)
        if (!shown.isEmpty() && ItemPath(root->child(i)) == shown)
            item = root->child(i);
    const QSignalBlocker block(m_tree);
    if (item) {
        m_tree->setCurrentItem(item);
    } else {
        m_tree->setCurrentItem(nullptr);
        m_tree->clearSelection();
    }
    m_hSelItem = item;
}

void CFormMain::OnTreeSelection(QTreeWidgetItem* item, QTreeWidgetItem*) {
    if (!item || !item->parent() || m_bSelecting)
        return;
    const QString path = ItemPath(item);
    if (path.isEmpty() || item->text(0).isEmpty())
        return;
    if (m_pDoc && m_pDoc->m_bFileOpen && path == m_pDoc->m_PileRecord.m_strPath && !m_bFirstUpdate) {
        UpdateFormData(false);
        m_hSelItem = item;
        return;
    }
    m_bSelecting = true;
    const bool ok = SelectPile(path);
    m_bSelecting = false;
    if (!ok) {
        // The pile shown stays; so does its selection. After the click that
        // chose the item has finished selecting it, or the view keeps it highlighted.
        QTimer::singleShot(0, this, [this] { ReselectShownPile(); });
        return;
    }
    m_hSelItem = item;
    m_tree->setFocus();
}

bool CFormMain::SelectPile(const QString& path) {
    if (!m_pDoc || !m_pProPanel || !m_pPilePanel || !m_pWavePanel)
        return false;
    bool discarded = false;
    if (m_pDoc->m_bFileOpen && m_pDoc->IsModified()) {
        if (m_frame && !m_frame->PromptSaveChanges())
            return false;
        discarded = m_pDoc->IsModified(); // not saved
        m_pDoc->SetModifiedFlag(false);
    }
    CPileRecord& r = m_pDoc->m_PileRecord;
    const int32_t age = r.m_nAge;
    r.m_nAge = m_pDoc->m_iAge;
    bool ok = false;
    QString error;
    try {
        // The record reads into a scratch copy and takes it only on success.
        ok = r.ReadFile(path);
    } catch (const FileError& e) {
        error = e.message(ui::english());
    }
    if (!ok) {
        // The pile shown stays as it was, its changes still to be saved.
        r.m_nAge = age;
        if (discarded)
            m_pDoc->SetModifiedFlag(true);
        const bool english = ui::english();
        if (error.isEmpty())
            error = english ? QStringLiteral("The file cannot be read: ") + path
                            : QStringLiteral("无法读取文件：") + path;
        ui::messages().show(error, english ? QStringLiteral("Error") : QStringLiteral("错误"),
                            MB_OK | MB_ICONERROR);
        return false;
    }
    r.SetViewMode(m_pDoc->m_nShowStyle);
    // A folder is one project: the index's texts go into every pile saved.
    // An index without a name takes the pile's, so no save blanks it.
    QString& projectName = m_pDoc->m_ProjectInfo.m_texts[0];
    if (projectName.isEmpty())
        projectName = r.m_strProject;
    m_pDoc->m_bFileOpen = true;
    m_pDoc->SetPathName(path);
    m_pDoc->CopyPileParams();
    if (m_bFirstSelection) {
        m_pWavePanel->m_bProjectParams = 0;
        m_bFirstSelection = false;
    }
    // Values applied to the whole project go to piles without a saved analysis.
    if (m_pWavePanel->m_bProjectParams && !r.m_bFixedParam) {
        CDlgWavaSpectrum& p = *m_pWavePanel;
        p.m_nHighPass = p.m_nProjectHighPass;
        p.m_nLowPass = p.m_nProjectLowPass;
        p.m_nExpIndex = p.m_nProjectIndex;
        p.m_nExpStart = p.m_nProjectStart;
        p.ApplyFilterToRecord();
    }
    UpdateFormData(false);
    UpdatePanelData(false);
    if (m_pDoc->m_bFixedParams && !r.m_bFixedParam)
        m_pPilePanel->ApplyFixedParams();
    if (m_frame)
        m_frame->OnPileSelected();
    ExchangeWaveParams(true, true);
    m_pPilePanel->LoadFromRecord(false);
    m_pPilePanel->EnableFixButton(r.m_bFixedParam != 0);
    UpdateSensitivityLabel();
    m_pPilePanel->EnableFields();
    if (m_frame)
        m_frame->SetTitleFor(path);
    return true;
}

void CFormMain::MarkPileSaved(bool mark) {
    QTreeWidgetItem* item = m_hSelItem;
    if (!item || !m_pDoc)
        return;
    const QString path = ItemPath(item);
    for (CPileFileItem& f : m_pDoc->m_ProjectInfo.Files().GetVector())
        if (f.m_strPath == path)
            f.ReadFileSummary();
    const QString text = item->text(0);
    const bool marked = text.endsWith(QLatin1Char('*'));
    if (mark && !marked) {
        item->setText(0, text + QLatin1Char('*'));
        ++m_nMarkedCount;
    } else if (!mark && marked) {
        item->setText(0, WithoutMark(text));
        --m_nMarkedCount;
    }
}

void CFormMain::UpdatePanelData(bool save) {
    if (!m_pPilePanel)
        return;
    m_pPilePanel->SaveToRecord(save);
    m_pProPanel->SaveToRecord(save);
    m_pWavePanel->UpdateData(save);
}

void CFormMain::UpdateFormData(bool save) {
    UpdatePanelData(save);
    if (save && m_pDoc) {
        // The project's texts; a text the project lacks (an index made for
        // the folder has none) leaves the pile's own, as the project page shows it.
        CPileRecord& r = m_pDoc->m_PileRecord;
        const auto& t = m_pDoc->m_ProjectInfo.m_texts;
        const std::pair<const QString*, QString*> texts[] = {
            {&t[0], &r.m_strProject}, {&t[2], &r.m_strText4}, {&t[5], &r.m_strText5}, {&t[4], &r.m_strText6}};
        for (const auto& [projectText, pileText] : texts)
            if (!projectText->isEmpty())
                *pileText = *projectText;
    }
}

void CFormMain::ExchangeWaveParams(bool toPanel, bool apply) {
    if (!m_pDoc || !m_pDoc->m_bFileOpen)
        return;
    CPileRecord& r = m_pDoc->m_PileRecord;
    if (r.m_nCurrentChannel < 0)
        return;
    CWaveRecord* w = r.CurrentChannel();
    if (!w)
        return;
    if (toPanel) {
        r.m_nWaveSpeed = w->GetWaveSpeed();
        r.m_fPileLength = w->GetPileLength();
        if (m_pWavePanel) {
            CDlgWavaSpectrum& p = *m_pWavePanel;
            p.m_nExpIndex = w->expGain;
            p.m_nExpStart = w->expStart;
            p.m_nHighPass = w->highPassHz;
            p.m_nLowPass = w->lowPassHz;
            p.m_nWaveletHz = w->waveletHz;
            int lo = 0, hi = 0;
            w->GetHeadToe(lo, hi);
            p.SetStartRanges(lo, hi);
            p.m_nHeadIndex = lo;
            p.SetHeadRange(r.m_nSamples);
        }
        UpdateFormData(false);
        return;
    }
    if (!m_pWavePanel)
        return;
    CDlgWavaSpectrum& p = *m_pWavePanel;
    const int keptStart = p.m_nExpStart;
    const float keptScale = r.m_fScale;
    UpdateFormData(true);
    if (!m_pDoc->m_bEnableTestDate && r.m_testTime.isValid())
        r.m_testDate = r.m_testTime;
    r.SetScaleFactor(keptScale);
    UpdateFormData(false);
    p.m_nExpStart = keptStart;
    w->SetWaveSpeed(r.m_nWaveSpeed);
    w->SetPileLength(r.m_fPileLength);
    if (w->expStart != p.m_nExpStart) {
        // The ramp moves with its start: the samples shown are the ones saved.
        w->expStart = p.m_nExpStart;
        w->SetExpGain(w->expGain, 0);
    }
    if (r.m_nCalcMode == 1)
        w->SetCursor(p.m_nHeadIndex);
    // The cut-offs and the index are the channel's only through its filters
    // and amplification (the panel's Apply, Enter in its fields, the digital
    // filter dialog): a value typed but not applied is never saved as if it were.
    if (apply)
        w->waveletHz = p.m_nWaveletHz;
}

QString CFormMain::IntegrityText(const CWaveRecord& w, int decimals, bool english) {
    const auto& marks = w.GetDefectMarks();
    if (marks.empty())
        return english ? QStringLiteral("Integrity Ass: Integrity.") : QStringLiteral("桩身完整");
    static const char16_t* const kSevZh[] = {u"轻微", u"", u"严重"};
    static const char16_t* const kSevEn[] = {u" minor", u" moderate", u" severe"};
    static const char16_t* const kTypeZh[] = {u"缩径", u"离析", u"断裂", u"裂纹", u"缺陷", u"扩径"};
    static const char16_t* const kTypeEn[] = {u" necking", u" contaminated", u" fracture",
                                              u" crack",   u" defect",       u" bulging"};
    QString s = english ? QStringLiteral("Integrity Ass: Apart Pile Top ") : QStringLiteral("距桩顶");
    for (size_t i = 0; i < marks.size(); ++i) {
        const DefectMark& m = marks[i];
        s += QString::number(double(w.IndexToDepth(m.index)), 'f', std::clamp(decimals, 0, 6)) + u'm';
        if (m.severity >= 0 && m.severity <= 2)
            s += QString::fromUtf16(english ? kSevEn[m.severity] : kSevZh[m.severity]);
        if (m.type >= 0 && m.type <= 5)
            s += QString::fromUtf16(english ? kTypeEn[m.type] : kTypeZh[m.type]);
        const bool last = i + 1 == marks.size();
        s += english ? (last ? QStringLiteral(".") : QStringLiteral(", "))
                     : (last ? QStringLiteral("。") : QStringLiteral("，"));
    }
    return s;
}

void CFormMain::BuildIntegrityText(bool store) {
    if (!m_pDoc)
        return;
    CPileRecord& r = m_pDoc->m_PileRecord;
    const CWaveRecord* w = r.CurrentChannel();
    if (w && store)
        r.m_strConclusion = IntegrityText(*w, m_pDoc->m_nDecimalPointNum, ui::english());
    ExchangeWaveParams(true, true);
    UpdateFormData(false);
}

void CFormMain::RefreshIntegrityText() {
    if (!m_pDoc)
        return;
    if (const CWaveRecord* w = m_pDoc->m_PileRecord.CurrentChannel())
        m_pDoc->m_PileRecord.m_strConclusion = IntegrityText(*w, m_pDoc->m_nDecimalPointNum, ui::english());
    UpdateFormData(false);
}

int CFormMain::SetPanelParameters(int highPass, int lowPass, int index) {
    if (m_pWavePanel)
        m_pWavePanel->SetParams(highPass, lowPass, index);
    BuildIntegrityText(false);
    return 0;
}

void CFormMain::UpdateTestDateState(bool enable) {
    if (m_pProPanel)
        m_pProPanel->EnableTestDate(enable);
}

void CFormMain::UpdateSensitivityLabel() {
    if (!m_pPilePanel || !m_pDoc)
        return;
    const bool velocity = m_pDoc->m_PileRecord.m_nSensorKind != 0;
    m_pPilePanel->m_sensLabel->setText(
        (ui::english() ? QStringLiteral("Sensity") : QStringLiteral("灵敏度")) +
        (velocity ? QStringLiteral("(mv/(m/s)):") : QStringLiteral("(mv/g):")));
}

int CFormMain::GetSpectrumEditField() const {
    return m_pWavePanel ? m_pWavePanel->m_nSpectrumField : -1;
}

void CFormMain::StepAmplificationIndex(int step) {
    if (!m_pWavePanel)
        return;
    int index = m_pWavePanel->m_nExpIndex + step;
    if (index >= 100)
        index = 100;
    else if (index < 2)
        index = 1;
    m_pWavePanel->m_nExpIndex = index;
    UpdateFormData(false);
    m_pWavePanel->ApplyExpAmplification();
}

void CFormMain::StepAmplificationStart(int step) {
    if (!m_pWavePanel)
        return;
    UpdateFormData(true);
    // Kept inside the start slider's range; the panel asks for the reprocessing.
    m_pWavePanel->StepStart(step);
}

void CFormMain::ReprocessWave() {
    ExchangeWaveParams(false, true);
    if (m_pWavePanel)
        m_pWavePanel->ApplyExpAmplification();
}

void CFormMain::OnDigitalFilter() {
    if (!m_pDoc || !m_pDoc->m_bFileOpen || !m_pWavePanel || !askFilter)
        return;
    UpdateFormData(true);
    CDlgWavaSpectrum& p = *m_pWavePanel;
    int highPass = p.m_nHighPass, lowPass = p.m_nLowPass;
    if (askFilter(highPass, lowPass)) {
        p.m_nHighPass = highPass;
        p.m_nLowPass = lowPass;
        // The current wave is filtered now; for the pile or the project the
        // panel holds the values until its "应用".
        if (p.m_nApplyTo == 0)
            p.ApplyToCurrentWave();
    }
    UpdateFormData(false);
}

void CFormMain::OnExponentialAmplify() {
    if (!m_pWavePanel || !askAmplification)
        return;
    UpdateFormData(true);
    int index = m_pWavePanel->m_nExpIndex;
    if (!askAmplification(index))
        return;
    m_pWavePanel->m_nExpIndex = index;
    UpdateFormData(false);
    m_pWavePanel->ApplyExpAmplification();
}

void CFormMain::SortBy(int selection) {
    if (!m_pDoc)
        return;
    CPileFileArray& files = m_pDoc->m_ProjectInfo.Files();
    files.RefreshAll();
    const int order = selection == 1   ? CPileFileArray::ByTestDate
                      : selection == 2 ? CPileFileArray::ByTestDateTime
                                       : CPileFileArray::ByName;
    files.Sort(order);
    FillPileTree();
    m_bSortedByTime = selection == 2;
    if (m_pProPanel)
        m_pProPanel->EnableTestTime(m_bSortedByTime);
}

void CFormMain::UpdatePanelControls() {
    if (m_pWavePanel)
        m_pWavePanel->EnablePileHeadControls();
}

void CFormMain::OnDocumentOpened() {
    FillPileTree();
    ExchangeWaveParams(true, true);
    UpdateFormData(false);
    if (m_pPilePanel) {
        m_pPilePanel->LoadFromRecord(false);
        m_pPilePanel->EnableFields();
    }
    UpdateSensitivityLabel();
}

void CFormMain::OnPileChanged() {
    UpdatePanelData(false);
    UpdateFormData(false);
    if (m_pPilePanel)
        m_pPilePanel->EnableFields();
}
