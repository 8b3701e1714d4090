// The analysis panel.
#include "analysis/DlgWavaSpectrum.h"

#include "analysis/DigitalFilterDlg.h"
#include "analysis/FrameServices.h"
#include "controls/ColorEdit.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProjectInfo.h"
#include "core/wave/WaveRecord.h"
#include "platform/MessageSink.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

bool CDlgWavaSpectrum::s_bExpEditFocus = false;
bool CDlgWavaSpectrum::s_bStartEditFocus = false;

namespace {

void setSliderQuietly(QSlider* s, int low, int high, int value) {
    const QSignalBlocker block(s);
    s->setRange(low, std::max(low, high));
    s->setValue(value);
}

} // namespace

// The up-down control beside an edit: two small arrows, +1 for the upper one.
class CDlgWavaSpectrum::UpDown : public QWidget {
public:
    UpDown(QWidget* parent, int id, std::function<void(int)> step) : QWidget(parent) {
        pit::SetCtrlId(this, id);
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        up = new QToolButton(this);
        up->setArrowType(Qt::UpArrow);
        up->setObjectName(QStringLiteral("up"));
        down = new QToolButton(this);
        down->setArrowType(Qt::DownArrow);
        down->setObjectName(QStringLiteral("down"));
        for (QToolButton* b : {up, down}) {
            b->setAutoRepeat(true);
            b->setFixedSize(16, 11);
            box->addWidget(b);
        }
        connect(up, &QToolButton::clicked, this, [step] { step(1); });
        connect(down, &QToolButton::clicked, this, [step] { step(-1); });
    }
    QToolButton* up;
    QToolButton* down;
};

CDlgWavaSpectrum::CDlgWavaSpectrum(CPileRecord* record, CProjectInfo* project, pit::FrameServices* frame,
                                   QWidget* parent)
    : QWidget(parent), m_record(record), m_project(project), m_frame(frame) {
    pit::SetCtrlId(this, IDD);
    BuildControls();
    OnInitDialog();
}

CDlgWavaSpectrum::~CDlgWavaSpectrum() {
    s_bExpEditFocus = false;
    s_bStartEditFocus = false;
}

void CDlgWavaSpectrum::BuildControls() {
    auto* box = new QVBoxLayout(this);

    auto* wave = pit::WithCtrlId(new QGroupBox(QStringLiteral("波形信息"), this), IDC_WAVE_GROUP);
    auto* form = new QGridLayout(wave);
    auto edit = [this](int id) {
        auto* e = pit::WithCtrlId(new QLineEdit(this), id);
        e->installEventFilter(this);
        return e;
    };
    m_waveletEdit = edit(IDC_WAVELET);
    m_waveletEdit->setEnabled(false); // filled by the host only
    m_lowEdit = edit(IDC_LOWPASS);
    m_highEdit = edit(IDC_HIGHPASS);
    m_expEdit = edit(IDC_EXP_EDIT);
    m_startEdit = edit(IDC_START_EDIT);
    m_expSpin = new UpDown(this, IDC_EXP_SPIN, [this](int d) { StepIndex(d); });
    m_startSpin = new UpDown(this, IDC_START_SPIN, [this](int d) { StepStart(d); });
    m_expSlider = pit::WithCtrlId(new QSlider(Qt::Horizontal, this), IDC_EXP_SLIDER);
    m_startSlider = pit::WithCtrlId(new QSlider(Qt::Horizontal, this), IDC_START_SLIDER);
    int row = 0;
    auto addRow = [&](const char* label, int labelId, QWidget* field, QWidget* spin = nullptr) {
        form->addWidget(pit::WithCtrlId(new QLabel(QString::fromUtf8(label), this), labelId), row, 0);
        form->addWidget(field, row, 1);
        if (spin)
            form->addWidget(spin, row, 2);
        ++row;
    };
    addRow("小波滤波(Hz):", IDC_WAVELET_LABEL, m_waveletEdit);
    addRow("低通滤波(Hz):", IDC_LOWPASS_LABEL, m_lowEdit);
    addRow("高通滤波(Hz):", IDC_HIGHPASS_LABEL, m_highEdit);
    addRow("指数放大:", IDC_EXP_LABEL, m_expEdit, m_expSpin);
    form->addWidget(m_expSlider, row++, 0, 1, 3);
    addRow("起始位置:", IDC_START_LABEL, m_startEdit, m_startSpin);
    form->addWidget(m_startSlider, row++, 0, 1, 3);
    form->addWidget(pit::WithCtrlId(new QLabel(QStringLiteral("应 用 于:"), this), IDC_APPLY_LABEL), row++, 0,
                    1, 3);
    auto* group = new QButtonGroup(this);
    static const char* const kChoices[3] = {"单个记录", "单根桩体", "整个工程"};
    for (int i = 0; i < 3; ++i) {
        m_applyTo[size_t(i)] =
            pit::WithCtrlId(new QRadioButton(QString::fromUtf8(kChoices[i]), this), IDC_APPLY_ONE + i);
        group->addButton(m_applyTo[size_t(i)], i);
        // One under the other: side by side they do not fit the panel in English.
        form->addWidget(m_applyTo[size_t(i)], row++, 0, 1, 3);
    }
    auto* apply = pit::WithCtrlId(new QPushButton(QStringLiteral("应用"), this), IDC_APPLY);
    apply->setAutoDefault(false);
    form->addWidget(apply, row++, 0, 1, 3);
    box->addWidget(wave);

    auto* sketch = pit::WithCtrlId(new QGroupBox(QStringLiteral("模拟桩信息"), this), IDC_SKETCH_GROUP);
    auto* sk = new QGridLayout(sketch);
    m_headEdit = edit(IDC_HEAD_EDIT);
    m_headSpin = new UpDown(this, IDC_HEAD_SPIN, [this](int d) { StepHead(d); });
    m_headSlider = pit::WithCtrlId(new QSlider(Qt::Horizontal, this), IDC_HEAD_SLIDER);
    sk->addWidget(pit::WithCtrlId(new QLabel(QStringLiteral("桩头位置:"), this), IDC_HEAD_LABEL), 0, 0);
    sk->addWidget(m_headEdit, 0, 1);
    sk->addWidget(m_headSpin, 0, 2);
    sk->addWidget(m_headSlider, 1, 0, 1, 3);
    box->addWidget(sketch);

    auto* spectrum = pit::WithCtrlId(new QGroupBox(QStringLiteral("频谱信息"), this), IDC_SPECTRUM_GROUP);
    auto* sp = new QFormLayout(spectrum);
    static const char* const kSpectrumLabels[6] = {
        "频率上限(Hz):", "Fmax(Hz):", "F0(Hz):", "dFL(Hz):", "dFD1(Hz):", "dFD2(Hz):"};
    for (int i = 0; i < 6; ++i) {
        m_spectrum[size_t(i)] = pit::WithCtrlId(new CColorEdit(this), kSpectrumIds[size_t(i)]);
        m_spectrum[size_t(i)]->installEventFilter(this);
        sp->addRow(
            pit::WithCtrlId(new QLabel(QString::fromUtf8(kSpectrumLabels[i]), this), IDC_SPECTRUM_LABEL1 + i),
            m_spectrum[size_t(i)]);
    }
    box->addWidget(spectrum);
    box->addStretch(1);

    connect(apply, &QPushButton::clicked, this, &CDlgWavaSpectrum::OnBnClickedApply);
    connect(m_expSlider, &QSlider::valueChanged, this, &CDlgWavaSpectrum::OnIndexSlider);
    connect(m_startSlider, &QSlider::valueChanged, this, &CDlgWavaSpectrum::OnStartSlider);
    connect(m_headSlider, &QSlider::valueChanged, this, &CDlgWavaSpectrum::OnHeadSlider);
}

void CDlgWavaSpectrum::OnInitDialog() {
    pit::TranslateDialog(this, IDD);
    setSliderQuietly(m_expSlider, 1, 100, m_nExpIndex);
    const CWaveRecord* w = m_record ? m_record->CurrentChannel() : nullptr;
    if (ProjectLoaded() && w) {
        m_nExpStart = w->GetGainStart();
        int head = 0, toe = 0;
        w->GetHeadToe(head, toe);
        SetStartRanges(head, toe);
        SetHeadRange(m_record->m_nSamples);
    } else {
        m_startLow = 1;
        m_startHigh = 100;
        setSliderQuietly(m_startSlider, 1, 100, m_nExpStart);
        SetHeadRange(100);
    }
    UpdateData(false);
    EnablePileHeadControls();
}

// ---- host interface -------------------------------------------------------------

void CDlgWavaSpectrum::SetParams(int highPass, int lowPass, int index) {
    m_nHighPass = highPass;
    m_nLowPass = lowPass;
    m_nExpIndex = index;
}

void CDlgWavaSpectrum::SetStartRanges(int head, int toe) {
    // The up-down range travels as two 16-bit values.
    m_startLow = int(int16_t(head));
    m_startHigh = int(int16_t(toe));
    setSliderQuietly(m_startSlider, head, head + (4 * (toe - head)) / 5, m_nExpStart);
}

void CDlgWavaSpectrum::SetHeadRange(int count) {
    setSliderQuietly(m_headSlider, 0, count, m_nHeadIndex);
}

bool CDlgWavaSpectrum::UpdateData(bool save) {
    if (!save) {
        m_waveletEdit->setText(QString::number(m_nWaveletHz));
        m_highEdit->setText(QString::number(m_nHighPass));
        m_lowEdit->setText(QString::number(m_nLowPass));
        setSliderQuietly(m_expSlider, m_expSlider->minimum(), m_expSlider->maximum(), m_nExpIndex);
        setSliderQuietly(m_startSlider, m_startSlider->minimum(), m_startSlider->maximum(), m_nExpStart);
        m_expEdit->setText(QString::number(m_nExpIndex));
        m_startEdit->setText(QString::number(m_nExpStart));
        {
            const QSignalBlocker block(m_applyTo[0]);
            if (m_nApplyTo >= 0 && m_nApplyTo < 3)
                m_applyTo[size_t(m_nApplyTo)]->setChecked(true);
        }
        for (int i = 0; i < 6; ++i)
            m_spectrum[size_t(i)]->setText(m_record ? QString::number(m_record->m_analysisValues[size_t(i)])
                                                    : QStringLiteral("0"));
        m_headEdit->setText(QString::number(m_nHeadIndex));
        setSliderQuietly(m_headSlider, m_headSlider->minimum(), m_headSlider->maximum(), m_nHeadIndex);
        return true;
    }
    // Read into copies first: a field that is not a number changes nothing.
    int values[6] = {};
    QLineEdit* edits[6] = {m_waveletEdit, m_highEdit, m_lowEdit, m_expEdit, m_startEdit, m_headEdit};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        values[i] = edits[i]->text().trimmed().toInt(&ok);
        if (!ok) {
            const bool english = pit::ui::english();
            Sink().show(english ? QStringLiteral("Please enter an integer.")
                                : QStringLiteral("请输入一个整数。"),
                        english ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK);
            edits[i]->setFocus();
            return false;
        }
    }
    if (!AcceptCutOffs(values[1], values[2]))
        return false;
    std::array<int, 6> spectrum{};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        spectrum[size_t(i)] = m_spectrum[size_t(i)]->text().trimmed().toInt(&ok);
        if (!ok && m_record)
            spectrum[size_t(i)] = m_record->m_analysisValues[size_t(i)];
    }
    m_nWaveletHz = values[0];
    m_nHighPass = values[1];
    m_nLowPass = values[2];
    // The edits of the index and the start win over their sliders, the head
    // slider over its edit (the order of the exchange).
    m_nExpIndex = values[3];
    m_nExpStart = values[4];
    for (int i = 0; i < 3; ++i)
        if (m_applyTo[size_t(i)]->isChecked())
            m_nApplyTo = i;
    if (m_record)
        for (int i = 0; i < 6; ++i)
            m_record->m_analysisValues[size_t(i)] = spectrum[size_t(i)];
    m_nHeadIndex = values[5];
    m_nHeadIndex = m_headSlider->value();
    return true;
}

bool CDlgWavaSpectrum::AcceptCutOffs(int highPass, int lowPass) {
    const double nyquist = m_record ? pit::NyquistHz(pit::PileSampleInterval(*m_record)) : 0.0;
    const bool english = pit::ui::english();
    pit::DigitalFilterParams p{highPass, lowPass, nyquist, m_nHighPass};
    const pit::ValidationFailure f = pit::ValidateDigitalFilter(p, english);
    if (!f.failed())
        return true;
    // A refused cut-off keeps the value it had (none when that one is refused too).
    if (f.badId == IDC_HIGHPASS) {
        if (m_nHighPass < 0 || m_nHighPass > 50000 || (nyquist > 0 && m_nHighPass >= nyquist))
            m_nHighPass = 0;
        m_highEdit->setText(QString::number(m_nHighPass));
    } else {
        m_nLowPass = std::clamp(m_nLowPass, 0, 50000);
        m_lowEdit->setText(QString::number(m_nLowPass));
    }
    Sink().show(f.message, english ? QStringLiteral("Tips") : QStringLiteral("提示"),
                pit::MB_OK | pit::MB_ICONEXCLAMATION);
    (f.badId == IDC_HIGHPASS ? m_highEdit : m_lowEdit)->setFocus();
    return false;
}

// ---- operations -----------------------------------------------------------------

CKEV_DUXDoc* CDlgWavaSpectrum::Doc() const {
    return m_frame ? m_frame->GetDoc() : nullptr;
}

bool CDlgWavaSpectrum::ProjectLoaded() const {
    const CKEV_DUXDoc* doc = Doc();
    return doc && doc->m_bFileOpen && m_record;
}

pit::MessageSink& CDlgWavaSpectrum::Sink() const {
    return m_sink ? *m_sink : pit::ui::messages();
}

void CDlgWavaSpectrum::Redraw() {
    // The channels changed: closing must offer to save them.
    if (CKEV_DUXDoc* doc = Doc())
        doc->SetModifiedFlag(true);
    if (m_frame)
        m_frame->Refresh(pit::RefreshTarget::AllWaveViews);
}

void CDlgWavaSpectrum::OnBnClickedApply() {
    if (!UpdateData(true) || !ProjectLoaded())
        return;
    switch (m_nApplyTo) {
    case 0:
        ApplyToCurrentWave();
        break;
    case 1:
        ApplyFilterToRecord();
        break;
    case 2:
        ApplyToProject();
        break;
    default:
        break;
    }
}

void CDlgWavaSpectrum::ApplyToCurrentWave() {
    if (!ProjectLoaded())
        return;
    if (CWaveRecord* w = m_record->CurrentChannel()) {
        w->SetExpGain(m_nExpIndex, 0);
        w->SetHighPass(m_nHighPass);
        w->SetLowPass(m_nLowPass);
        Redraw();
    }
}

void CDlgWavaSpectrum::ApplyFilterToRecord() {
    if (!m_record)
        return;
    pit::ApplyParamsToRecord(*m_record, Params());
    Redraw();
}

void CDlgWavaSpectrum::ApplyExpAmplification() {
    if (!ProjectLoaded())
        return;
    if (m_nApplyTo == 0) {
        if (CWaveRecord* w = m_record->CurrentChannel()) {
            pit::ApplyAmplificationToChannel(*w, Params());
            Redraw();
        }
    } else if (m_nApplyTo == 1) {
        pit::ApplyAmplificationToRecord(*m_record, Params());
        Redraw();
    }
    // The project is changed only by the Apply button.
}

pit::ProjectApplyResult CDlgWavaSpectrum::RunWithProgress(const std::vector<QString>& paths,
                                                          const pit::WaveProcessParams& p) {
    const bool english = pit::ui::english();
    QProgressDialog progress(
        english ? QStringLiteral("Applying to the project...") : QStringLiteral("正在应用到整个工程..."),
        english ? QStringLiteral("Cancel") : QStringLiteral("取消"), 0, int(paths.size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    return pit::ApplyToProjectFiles(paths, p, english, [&progress](int done, int, const QString& path) {
        progress.setValue(done);
        if (!path.isEmpty())
            progress.setLabelText(QFileInfo(path).fileName());
        QApplication::processEvents();
        return !progress.wasCanceled();
    });
}

void CDlgWavaSpectrum::ApplyToProject() {
    if (!ProjectLoaded() || !m_project)
        return;
    const bool english = pit::ui::english();
    const int answer = Sink().show(
        english ? QStringLiteral("Do you want to apply this command to all piles in the project?")
                : QStringLiteral("确认应用到整个工程?"),
        english ? QStringLiteral("Waring!") : QStringLiteral("警告:该操作会改变所有工程中文件数据!"),
        pit::MB_OKCANCEL);
    if (answer != pit::IDOK)
        return;
    std::vector<QString> paths;
    for (const CPileFileItem& item : m_project->Files().GetVector())
        paths.push_back(item.m_strPath);
    const pit::WaveProcessParams p = Params();
    m_lastProject = m_runner ? m_runner(paths, p) : RunWithProgress(paths, p);
    const bool trouble = !m_lastProject.failed.empty() || !m_lastProject.refused.empty();
    Sink().show(pit::ProjectApplySummary(m_lastProject, english),
                english ? QStringLiteral("Tips") : QStringLiteral("提示"),
                pit::MB_OK | (trouble ? pit::MB_ICONWARNING : pit::MB_ICONINFORMATION));
    if (m_lastProject.cancelled)
        return;
    m_bProjectParams = 1;
    m_nProjectHighPass = p.highPassHz;
    m_nProjectLowPass = p.lowPassHz;
    m_nProjectIndex = p.expIndex;
    m_nProjectStart = p.expStart;
    ApplyFilterToRecord();
}

void CDlgWavaSpectrum::OnAmplifyChanged() {
    const int old = m_nExpIndex;
    if (!UpdateData(true))
        return;
    if (m_nExpIndex >= 1 && m_nExpIndex <= 100) {
        UpdateData(false);
        ApplyExpAmplification();
    } else {
        m_nExpIndex = old;
        UpdateData(false);
    }
}

void CDlgWavaSpectrum::OnIndexSlider(int pos) {
    if (!UpdateData(true))
        return;
    m_nExpIndex = pos;
    UpdateData(false);
    ApplyExpAmplification();
}

void CDlgWavaSpectrum::StepIndex(int delta) {
    if (!UpdateData(true))
        return;
    m_nExpIndex = std::clamp(m_nExpIndex + delta, 1, 100);
    UpdateData(false);
    ApplyExpAmplification();
}

void CDlgWavaSpectrum::OnPositionChanged() {
    const int old = m_nExpStart;
    if (!UpdateData(true))
        return;
    if (m_nExpStart >= m_startSlider->minimum() && m_nExpStart <= m_startSlider->maximum()) {
        UpdateData(false);
        if (m_frame)
            m_frame->OnPanelMessage(pit::PanelMessage::ReprocessWave);
    } else {
        m_nExpStart = old;
        UpdateData(false);
    }
}

void CDlgWavaSpectrum::OnStartSlider(int pos) {
    if (!UpdateData(true))
        return;
    m_nExpStart = pos;
    UpdateData(false);
    if (m_frame)
        m_frame->OnPanelMessage(pit::PanelMessage::ReprocessWave);
}

void CDlgWavaSpectrum::StepStart(int delta) {
    if (!UpdateData(true))
        return;
    m_nExpStart = std::clamp(m_nExpStart + delta, m_startSlider->minimum(), m_startSlider->maximum());
    UpdateData(false);
    if (m_frame)
        m_frame->OnPanelMessage(pit::PanelMessage::ReprocessWave);
}

void CDlgWavaSpectrum::OnHeadSlider(int) {
    if (!UpdateData(true))
        return;
    ClampHeadIndex();
}

void CDlgWavaSpectrum::StepHead(int delta) {
    if (!UpdateData(true))
        return;
    m_nHeadIndex += delta;
    ClampHeadIndex();
}

void CDlgWavaSpectrum::ClampHeadIndex() {
    const int count = m_record ? m_record->m_nSamples : 0;
    if (m_nHeadIndex < 0)
        m_nHeadIndex = 0;
    if (m_nHeadIndex >= count)
        m_nHeadIndex = std::max(0, count - 1);
    UpdateData(false);
    if (CKEV_DUXDoc* doc = Doc()) // the head marker moves with the index
        doc->SetModifiedFlag(true);
    if (m_frame) {
        m_frame->ExchangeWaveParams(false, true);
        m_frame->Refresh(pit::RefreshTarget::AllWaveViews);
    }
}

void CDlgWavaSpectrum::EnablePileHeadControls() {
    if (!m_record)
        return;
    const bool varying = m_record->m_nCalcMode == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{m_headEdit, m_headSpin, m_headSlider})
        w->setEnabled(varying);
}

// ---- keys and focus -------------------------------------------------------------------

void CDlgWavaSpectrum::HandleEnter(QWidget* target) {
    if (CKEV_DUXDoc* doc = Doc())
        doc->SetModifiedFlag(true);
    if (target == m_highEdit || target == m_lowEdit) {
        if (!UpdateData(true))
            return;
        const CKEV_DUXDoc* doc = Doc();
        if (!doc || doc->m_bReportMode || !ProjectLoaded())
            return;
        OnBnClickedApply();
    }
    if (target == m_expEdit) {
        OnAmplifyChanged();
    } else if (target == m_startEdit) {
        OnPositionChanged();
    } else if (target != m_headEdit) {
        UpdateData(true);
    } else {
        bool ok = false;
        const int v = m_headEdit->text().trimmed().toInt(&ok);
        if (ok)
            m_nHeadIndex = v;
        ClampHeadIndex();
    }
}

void CDlgWavaSpectrum::OnSpectrumFocus(int field, bool in) {
    if (in) {
        for (int i = 0; i < 6; ++i)
            m_spectrum[size_t(i)]->SetHighlight(i == field - 1);
    } else {
        m_nSpectrumField = field;
    }
}

bool CDlgWavaSpectrum::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            HandleEnter(w);
            return true; // never reaches a dialog's default button
        }
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        const bool in = event->type() == QEvent::FocusIn;
        if (w == m_expEdit)
            s_bExpEditFocus = in;
        else if (w == m_startEdit)
            s_bStartEditFocus = in;
        for (int i = 0; i < 6; ++i)
            if (w == m_spectrum[size_t(i)])
                OnSpectrumFocus(i + 1, in);
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
