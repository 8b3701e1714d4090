// Wavelet de-noising dialog.
#include "analysis/WaveletDlg.h"

#include "analysis/FrameServices.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/dsp/Wavelet.h"
#include "core/wave/WaveRecord.h"
#include "platform/Color.h"
#include "platform/MessageSink.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

namespace pit {

float MaxAbs(std::span<const float> values) {
    float m = -1000.0f;
    for (float v : values)
        m = std::max(m, std::fabs(v));
    return values.empty() ? 0.0f : m;
}

void ExpAmplify(std::span<float> values, int s, int e, int K) {
    const int n = int(values.size());
    if (K <= 1 || e <= s)
        return;
    const float step = float(std::log(double(K))) / float(e - s + 1);
    for (int i = std::max(s, 0); i < std::min(e, n); ++i)
        values[size_t(i)] *= float(std::exp(double(i - s + 1) * double(step)));
    for (int i = std::max(e, 0); i < n; ++i)
        values[size_t(i)] *= float(K);
}

std::vector<QPoint> WaveletCurvePoints(std::span<const float> shown, const QRect& client) {
    const QRect r = client.adjusted(5, 5, -5, -5);
    const int n = int(shown.size());
    std::vector<QPoint> pts;
    if (n < 2 || r.width() <= 0 || r.height() <= 0)
        return pts;
    const float peak = MaxAbs(shown);
    const double middle = r.top() + r.height() / 2.0;
    pts.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const int x = int(r.left() + double(i) * r.width() / (n - 1));
        // An all-zero wave has no peak to scale by: it stays on the middle line.
        const double y = peak > 0 ? middle - double(shown[size_t(i)]) * r.height() / (2.0 * peak) : middle;
        pts.emplace_back(x, int(y));
    }
    return pts;
}

AmplitudeLabels WaveletAmplitudeLabels(float peak) {
    const double v = 0.8 * double(peak);
    return {QString::asprintf("%.2f", v), QString::asprintf("-%.2f", v)};
}

TimeAxisLabels WaveletTimeAxisLabels(int count, float sampleIntervalUs) {
    TimeAxisLabels t;
    const double span = double(count) * double(sampleIntervalUs);
    const bool micro = span <= 1000;
    t.unit = micro ? QStringLiteral("us") : QStringLiteral("ms");
    for (int k = 0; k < 5; ++k) {
        const double v = k * span / 5;
        t.labels[size_t(k)] = micro ? QString::asprintf("%.0f", v) : QString::asprintf("%.1f", v / 1000);
    }
    return t;
}

} // namespace pit

// A static area of the dialog painted by the dialog.
class CWaveletDlg::Pane : public QWidget {
public:
    Pane(QWidget* parent, int id, std::function<void(QPainter&, const QRect&)> paint)
        : QWidget(parent), m_paint(std::move(paint)) {
        pit::SetCtrlId(this, id);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        m_paint(p, rect());
    }

private:
    std::function<void(QPainter&, const QRect&)> m_paint;
};

CWaveletDlg::CWaveletDlg(CWaveRecord* wave, pit::FrameServices* frame, QWidget* parent)
    : CDialogExt(IDD, parent), m_wave(wave), m_frame(frame) {
    if (m_wave) {
        m_source = m_wave->Source();
        m_wave->GetHeadToe(m_nHead, m_nToe);
        m_nExpGain = m_wave->GetExpGain();
        m_fInterval = m_wave->GetSampleInterval();
    }
    m_result = m_source;
    m_sourceShown = Shown(m_source);
    m_resultShown = Shown(m_result);

    setWindowTitle(QStringLiteral("小波分析"));
    auto* box = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto pane = [this](int id, std::function<void(QPainter&, const QRect&)> f) {
        return new Pane(this, id, std::move(f));
    };
    auto* sourceScale =
        pane(IDC_SOURCE_SCALE, [this](QPainter& p, const QRect& r) { PaintScale(p, r, false); });
    auto* source = pane(IDC_SOURCE, [this](QPainter& p, const QRect& r) { PaintCurve(p, r, false); });
    auto* sourceAxis = pane(IDC_SOURCE_AXIS, [this](QPainter& p, const QRect& r) { PaintAxis(p, r); });
    auto* resultScale =
        pane(IDC_RESULT_SCALE, [this](QPainter& p, const QRect& r) { PaintScale(p, r, true); });
    m_resultPane = pane(IDC_RESULT, [this](QPainter& p, const QRect& r) { PaintCurve(p, r, true); });
    auto* resultAxis = pane(IDC_RESULT_AXIS, [this](QPainter& p, const QRect& r) { PaintAxis(p, r); });
    for (QWidget* w : std::initializer_list<QWidget*>{sourceScale, resultScale})
        w->setFixedWidth(60);
    for (QWidget* w : std::initializer_list<QWidget*>{source, m_resultPane})
        w->setMinimumSize(480, 160);
    for (QWidget* w : std::initializer_list<QWidget*>{sourceAxis, resultAxis})
        w->setFixedHeight(30);
    grid->addWidget(sourceScale, 0, 0);
    grid->addWidget(source, 0, 1);
    grid->addWidget(sourceAxis, 1, 1);
    grid->addWidget(resultScale, 2, 0);
    grid->addWidget(m_resultPane, 2, 1);
    grid->addWidget(resultAxis, 3, 1);
    box->addLayout(grid);

    auto* row = new QHBoxLayout;
    m_family = new QComboBox(this);
    pit::SetCtrlId(m_family, IDC_FAMILY);
    m_threshold = new QComboBox(this);
    pit::SetCtrlId(m_threshold, IDC_THRESHOLD);
    m_level = new QComboBox(this);
    pit::SetCtrlId(m_level, IDC_LEVEL);
    auto* transform = new QPushButton(QStringLiteral("开始变换"), this);
    pit::SetCtrlId(transform, IDC_TRANSFORM);
    auto* ok = new QPushButton(QStringLiteral("应用"), this);
    pit::SetCtrlId(ok, 1);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    pit::SetCtrlId(cancel, 2);
    for (QWidget* w : std::initializer_list<QWidget*>{m_family, m_threshold, m_level, transform})
        row->addWidget(w);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    box->addLayout(row);
    connect(transform, &QPushButton::clicked, this, [this] { OnBnClickedTransform(); });
    connect(ok, &QPushButton::clicked, this, &CWaveletDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CWaveletDlg::reject);
    OnInitDialog();
}

CWaveletDlg::~CWaveletDlg() = default;

void CWaveletDlg::showEvent(QShowEvent* e) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        pit::TranslateDialog(this, IDD);
    }
    CDialogExt::showEvent(e);
}

void CWaveletDlg::OnInitDialog() {
    const bool english = pit::ui::english();
    m_family->addItems({QStringLiteral("db6"), QStringLiteral("mayer"), QStringLiteral("morlet")});
    if (english)
        m_threshold->addItems({QStringLiteral("soft"), QStringLiteral("hard"), QStringLiteral("HF To 0")});
    else
        m_threshold->addItems(
            {QStringLiteral("软阈值"), QStringLiteral("硬域值"), QStringLiteral("高频清0")});
    for (int i = 1; i <= pit::dsp::kMaxWaveletLevels; ++i)
        m_level->addItem(english ? QStringLiteral("%1 Level").arg(i) : QStringLiteral("%1层").arg(i));
}

std::vector<float> CWaveletDlg::Shown(const std::vector<float>& v) const {
    std::vector<float> s = v;
    pit::ExpAmplify(s, m_nHead, m_nToe, m_nExpGain);
    return s;
}

bool CWaveletDlg::OnBnClickedTransform() {
    const auto family = pit::dsp::WaveletFamily(m_family->currentIndex());
    const auto mode = pit::dsp::WaveletThreshold(m_threshold->currentIndex());
    const int levels = m_level->currentIndex() + 1;
    // Every press starts again from the copy taken at opening.
    std::vector<float> out = pit::dsp::WaveletDenoise(m_source, family, levels, mode);
    if (out.empty()) {
        const int most = pit::dsp::MaxWaveletLevels(int(m_source.size()), family);
        const bool english = pit::ui::english();
        sink().show(english
                        ? QStringLiteral("The wave is too short for %1 levels with this filter (at most %2).")
                              .arg(levels)
                              .arg(most)
                        : QStringLiteral("波形太短，此小波不能分解%1层（最多%2层）。").arg(levels).arg(most),
                    english ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK);
        return false;
    }
    m_result = std::move(out);
    m_resultShown = Shown(m_result);
    update();
    return true;
}

void CWaveletDlg::accept() {
    const bool english = pit::ui::english();
    const int answer =
        sink().show(english ? QStringLiteral("Sure to Overwrite the original data?")
                            : QStringLiteral("你确定要覆盖原有数据，这是不可恢复的?"),
                    english ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OKCANCEL);
    if (answer != pit::IDOK)
        return;
    if (m_wave && m_wave->SampleCount() == int(m_result.size())) {
        std::span<float> src = m_wave->SourceSpan();
        std::copy(m_result.begin(), m_result.end(), src.begin());
        m_wave->Refresh();
        // The channel changed: the document must ask to save, the views redraw.
        if (m_frame) {
            if (CKEV_DUXDoc* doc = m_frame->GetDoc())
                doc->SetModifiedFlag(true);
            m_frame->Refresh(pit::RefreshTarget::AllWaveViews);
        }
    }
    QDialog::accept();
}

pit::AmplitudeLabels CWaveletDlg::SourceLabels() const {
    return pit::WaveletAmplitudeLabels(pit::MaxAbs(m_sourceShown));
}

pit::AmplitudeLabels CWaveletDlg::ResultLabels() const {
    return pit::WaveletAmplitudeLabels(pit::MaxAbs(m_resultShown));
}

void CWaveletDlg::PaintCurve(QPainter& p, const QRect& r, bool result) const {
    p.fillRect(r, Qt::white);
    const QRect in = r.adjusted(5, 5, -5, -5);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(in.left(), in.top(), in.left(), in.bottom());
    const int middle = in.top() + in.height() / 2;
    p.drawLine(in.left(), middle, in.right(), middle);
    const std::vector<QPoint> pts = pit::WaveletCurvePoints(result ? m_resultShown : m_sourceShown, r);
    if (pts.empty())
        return;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(pit::toQColor(result ? 0x0000FFu : 0xFF0000u), 2));
    p.drawPolyline(pts.data(), int(pts.size()));
}

void CWaveletDlg::PaintAxis(QPainter& p, const QRect& r) const {
    p.setPen(pit::toQColor(0xFF0000u));
    const int y = r.top() + r.height() / 3;
    p.drawLine(r.left(), y, r.right(), y);
    const pit::TimeAxisLabels t = pit::WaveletTimeAxisLabels(int(m_source.size()), m_fInterval);
    for (int k = 0; k < 5; ++k) {
        const int x = r.left() + k * r.width() / 5;
        p.drawLine(x, y, x, r.top());
        p.drawText(QPoint(x - 8 < r.left() ? r.left() : x - 8, y + p.fontMetrics().ascent()),
                   t.labels[size_t(k)]);
    }
    p.drawText(QPoint(r.right() - 30, y + p.fontMetrics().ascent()), t.unit);
}

void CWaveletDlg::PaintScale(QPainter& p, const QRect& r, bool result) const {
    p.setPen(pit::toQColor(0xFF0000u));
    const pit::AmplitudeLabels a = result ? ResultLabels() : SourceLabels();
    const int asc = p.fontMetrics().ascent() / 2;
    p.drawText(QPoint(r.left(), r.top() + r.height() / 2 + asc), QStringLiteral("0"));
    p.drawText(QPoint(r.left(), r.top() + int(0.1 * r.height()) + asc), a.top);
    p.drawText(QPoint(r.left(), r.top() + int(0.9 * r.height()) + asc), a.bottom);
}
