// The pile page of the main panel.
#include "mainwnd/DlgPileInfo.h"

#include "analysis/FrameServices.h"
#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/ShownValue.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/FormMain.h"
#include "platform/MessageSink.h"
#include "platform/Numbers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

using namespace pit;

namespace {

// A value typed into a number field: nothing for a text that is no number or
// a number that the record's 32-bit float cannot hold.
std::optional<float> ParseFloatField(const QString& text) {
    const std::optional<double> v = pit::parseDouble(text);
    if (!v || std::fabs(*v) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*v);
}

QString TwoDecimals(float v) {
    return QString::asprintf("%.2f", double(v));
}

// A value put into a field as if typed: in full, so reading it back gives it exactly.
QString ExactText(float v) {
    return QString::number(double(v), 'g', 9);
}

// The record's values that the page edits, to see whether a store changed any.
auto PageValues(const CPileRecord& r) {
    return std::make_tuple(r.m_strPileNo, r.m_nShape, r.m_strShape, r.m_fDiameter, r.m_fSecondSide,
                           r.m_fEnlarged, r.m_fEnlarged2, r.m_nWaveSpeed, r.m_fPileLength, r.m_strClass,
                           r.m_nGradeIndex, r.m_fScale, r.m_strConclusion, r.m_strRemark);
}

} // namespace

CDlgPileInfo::CDlgPileInfo(CKEV_DUXDoc* doc, FrameServices* frame, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_frame(frame) {
    SetCtrlId(this, kTemplateId);
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto label = [&](const QString& text, int id) {
        auto* l = new QLabel(text, this);
        SetCtrlId(l, id);
        return l;
    };
    // Every field follows the user's edits before its handlers are connected.
    auto edit = [&](int id) {
        auto* e = new QLineEdit(this);
        SetCtrlId(e, id);
        TrackUserEdits(e);
        return e;
    };
    auto combo = [&](int id) {
        auto* c = new QComboBox(this);
        SetCtrlId(c, id);
        TrackUserEdits(c);
        return c;
    };
    auto addRow = [&](QLabel* l, QWidget* a) {
        grid->addWidget(l, row, 0);
        grid->addWidget(a, row, 1);
        ++row;
    };
    m_pileNo = edit(1047);
    m_shape = combo(1060);
    m_diameter = edit(1034);
    m_side2 = edit(1035);
    m_enlarged = edit(1010);
    m_enlarged2 = edit(1310);
    m_speed = edit(1072);
    m_length = edit(1071);
    m_distance = edit(1318);
    m_distance->setEnabled(false);
    m_interval = edit(1327);
    m_interval->setReadOnly(true);
    m_class = combo(1055);
    m_grade = combo(1056);
    m_sensitivity = edit(1152);
    m_star1 = label(QStringLiteral("*"), 1182);
    m_star2 = label(QStringLiteral("*"), 1183);
    for (QLabel* star : {m_star1, m_star2})
        star->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_sensLabel = label(QStringLiteral("灵敏度(mv/g):"), 1153);
    MarkAsValue(m_sensLabel); // composed from the sensor kind
    m_fixButton = new QPushButton(QStringLiteral("固定参数"), this);
    SetCtrlId(m_fixButton, 1157);
    m_desc = new QPlainTextEdit(this);
    SetCtrlId(m_desc, 1057);
    m_remark = new QPlainTextEdit(this);
    SetCtrlId(m_remark, 1061);
    for (QPlainTextEdit* t : {m_desc, m_remark}) {
        t->setMaximumHeight(60);
        t->setTabChangesFocus(true); // Tab moves on, as in every other field
        TrackUserEdits(t);
    }

    addRow(label(QStringLiteral("桩号:"), 1900), m_pileNo);
    addRow(label(QStringLiteral("桩型"), 1901), m_shape);
    // A square pile's second sides on rows of their own ("*" in the label
    // column): beside the first they would not fit the panel's width.
    addRow(label(QStringLiteral("桩径(mm):"), 1902), m_diameter);
    addRow(m_star1, m_side2);
    addRow(label(QStringLiteral("扩底(mm):"), 1903), m_enlarged);
    addRow(m_star2, m_enlarged2);
    addRow(label(QStringLiteral("波速(m/s):"), 1904), m_speed);
    addRow(label(QStringLiteral("桩长(m):"), 1905), m_length);
    addRow(label(QStringLiteral("点源距(mm):"), 1317), m_distance);
    addRow(label(QStringLiteral("采样间隔(us):"), 1326), m_interval);
    addRow(label(QStringLiteral("桩类别:"), 1906), m_class);
    addRow(label(QStringLiteral("砼等级:"), 1907), m_grade);
    addRow(m_sensLabel, m_sensitivity);
    grid->addWidget(m_fixButton, row++, 1);
    addRow(label(QStringLiteral("描述:"), 1908), m_desc);
    addRow(label(QStringLiteral("备注:"), 1909), m_remark);
    grid->setRowStretch(row, 1);

    const bool english = ui::english();
    for (int i = 0; i < 4; ++i)
        m_class->addItem(options::ClassName(i));
    m_shape->addItem(options::PileShape(0, english));
    m_shape->addItem(options::PileShape(1, english));
    for (int i = 0; i < options::GradeCount(); ++i)
        m_grade->addItem(options::Grade(i));

    // A value confirmed by leaving its field (Tab, a click elsewhere) or by a
    // choice changes the pile: closing or switching piles asks to save it.
    auto store = [this] {
        if (!m_loading && SaveToRecord(true))
            MarkModified();
    };
    connect(m_class, &QComboBox::activated, this, [this, store] {
        store();
        if (m_frame)
            m_frame->Refresh(RefreshTarget::AnalysisView);
    });
    connect(m_grade, &QComboBox::activated, this, [this, store] {
        store();
        if (m_frame)
            m_frame->Refresh(RefreshTarget::AnalysisView);
    });
    connect(m_shape, &QComboBox::activated, this, [this, store] {
        store();
        EnableFields();
    });
    for (QLineEdit* e : {m_diameter, m_enlarged, m_side2, m_enlarged2, m_pileNo, m_sensitivity})
        connect(e, &QLineEdit::editingFinished, this, store);
    connect(m_desc, &QPlainTextEdit::textChanged, this, store);
    connect(m_remark, &QPlainTextEdit::textChanged, this, store);
    // A value is confirmed when its edit is left or Enter is pressed in it.
    connect(m_speed, &QLineEdit::editingFinished, this, [this] {
        if (!m_loading && m_speed->isModified()) {
            m_speed->setModified(false);
            ConfirmSpeed();
        }
    });
    connect(m_length, &QLineEdit::editingFinished, this, [this] {
        if (!m_loading && m_length->isModified()) {
            m_length->setModified(false);
            ConfirmLength();
        }
    });
    connect(m_fixButton, &QPushButton::clicked, this, &CDlgPileInfo::OnBnClickedFixPara);
    TranslateDialog(this, kTemplateId);
    SaveToRecord(false);
}

bool CDlgPileInfo::Loaded() const {
    return m_doc && m_doc->m_bFileOpen;
}

bool CDlgPileInfo::ReportMode() const {
    return m_doc && m_doc->m_bReportMode;
}

QString CDlgPileInfo::LengthText(float L) const {
    const int decimals = m_doc ? std::clamp(m_doc->m_nDecimalPointNum, 0, 6) : 2;
    return QString::number(double(L), 'f', decimals);
}

bool CDlgPileInfo::Refuse(QLineEdit* edit, const QString& shown, bool integer) {
    // The field shows the record's value again before the user is told.
    const bool wasLoading = m_loading;
    m_loading = true;
    ShowValue(edit, shown);
    edit->setModified(false);
    m_loading = wasLoading;
    const bool english = ui::english();
    const QString text =
        integer ? (english ? QStringLiteral("Please enter an integer.") : QStringLiteral("请输入一个整数。"))
                : (english ? QStringLiteral("Please enter a number.") : QStringLiteral("请输入一个数字。"));
    ui::messages().show(text, english ? QStringLiteral("Tips") : QStringLiteral("提示"),
                        MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool CDlgPileInfo::CheckNumber(QLineEdit* edit) {
    if (!m_doc)
        return false;
    const CPileRecord& r = m_doc->m_PileRecord;
    if (!ChangedSinceShown(edit))
        return true;
    if (edit == m_speed)
        return pit::parseInt(edit->text()) || Refuse(edit, QString::number(r.m_nWaveSpeed), true);
    if (edit == m_length)
        return ParseFloatField(edit->text()) || Refuse(edit, LengthText(r.m_fPileLength), false);
    return true;
}

bool CDlgPileInfo::SaveToRecord(bool save) {
    if (!m_doc)
        return false;
    CPileRecord& r = m_doc->m_PileRecord;
    if (save) {
        const auto before = PageValues(r);
        // Only what the user touched is read back, as it stands: a field
        // still showing what was put there keeps the record's value exact
        // (the page rounds lengths and sizes). A field that holds no number
        // is refused and shows the record's value again.
        if (ChangedSinceShown(m_pileNo)) {
            r.m_strPileNo = m_pileNo->text();
            MarkTaken(m_pileNo);
        }
        if (ChangedSinceShown(m_shape)) {
            // The shape's own item is the text the record held, back as it was.
            r.m_nShape =
                ShowsOwnItem(m_shape) ? OwnItemValue(m_shape).toInt() : std::max(0, m_shape->currentIndex());
            r.m_strShape = m_shape->currentText();
            MarkTaken(m_shape);
        }
        bool told = false;
        auto take = [&](QLineEdit* e, float& field, const QString& shown) {
            if (!ChangedSinceShown(e))
                return;
            if (const std::optional<float> v = ParseFloatField(e->text())) {
                field = *v;
                MarkTaken(e);
            } else if (!told) {
                told = !Refuse(e, shown, false);
            } else {
                ShowValue(e, shown);
            }
        };
        take(m_diameter, r.m_fDiameter, TwoDecimals(r.m_fDiameter));
        take(m_side2, r.m_fSecondSide, TwoDecimals(r.m_fSecondSide));
        take(m_enlarged, r.m_fEnlarged, TwoDecimals(r.m_fEnlarged));
        take(m_enlarged2, r.m_fEnlarged2, TwoDecimals(r.m_fEnlarged2));
        if (ChangedSinceShown(m_speed)) {
            if (const std::optional<int> c = pit::parseInt(m_speed->text())) {
                r.m_nWaveSpeed = *c;
                MarkTaken(m_speed);
            } else if (!told) {
                told = !Refuse(m_speed, QString::number(r.m_nWaveSpeed), true);
            } else {
                ShowValue(m_speed, QString::number(r.m_nWaveSpeed));
            }
        }
        take(m_length, r.m_fPileLength, LengthText(r.m_fPileLength));
        if (ChangedSinceShown(m_class)) {
            r.m_strClass = m_class->currentText();
            MarkTaken(m_class);
        }
        if (ChangedSinceShown(m_grade)) {
            r.m_nGradeIndex = std::max(0, m_grade->currentIndex());
            MarkTaken(m_grade);
        }
        take(m_sensitivity, r.m_fScale, QString::number(double(r.m_fScale)));
        const std::pair<QPlainTextEdit*, QString*> texts[] = {{m_desc, &r.m_strConclusion},
                                                              {m_remark, &r.m_strRemark}};
        for (auto [edit, text] : texts)
            if (ChangedSinceShown(edit)) {
                *text = TextOf(edit);
                MarkTaken(edit);
            }
        return PageValues(r) != before;
    }
    m_loading = true;
    ShowValue(m_pileNo, r.m_strPileNo);
    ShowValue(m_speed, QString::number(r.m_nWaveSpeed));
    ShowValue(m_length, LengthText(r.m_fPileLength));
    ShowValue(m_diameter, TwoDecimals(r.m_fDiameter));
    ShowValue(m_enlarged, TwoDecimals(r.m_fEnlarged));
    ShowValue(m_side2, TwoDecimals(r.m_fSecondSide));
    ShowValue(m_enlarged2, TwoDecimals(r.m_fEnlarged2));
    m_distance->setText(QString::number(r.m_nSensorDistance));
    m_interval->setText(QString::number(double(r.m_fSampleInterval)));
    ShowValue(m_sensitivity, QString::number(double(r.m_fScale)));
    ShowText(m_class, r.m_strClass, {}, r.m_strPath);
    ShowValue(m_grade, options::ShownGradeIndex(r.m_nGradeIndex));
    ShowValue(m_desc, r.m_strConclusion);
    ShowValue(m_remark, r.m_strRemark);
    m_speed->setModified(false);
    m_length->setModified(false);
    // The value the user confirmed last is the highlighted one.
    const QString on = QStringLiteral("background-color: rgb(255,255,200);");
    m_speed->setStyleSheet(r.m_bFixedQuantity == 0 ? on : QString());
    m_length->setStyleSheet(r.m_bFixedQuantity == 0 ? QString() : on);
    EnableFields();
    m_loading = false;
    return false;
}

void CDlgPileInfo::MarkModified() {
    if (m_doc)
        m_doc->SetModifiedFlag(true);
}

void CDlgPileInfo::ConfirmSpeed() {
    if (!CheckNumber(m_speed) || !Loaded())
        return;
    OnSetfocusSpeed();
    MarkModified();
}

void CDlgPileInfo::ConfirmLength() {
    if (!CheckNumber(m_length) || !Loaded())
        return;
    OnSetfocusLength();
    MarkModified();
}

void CDlgPileInfo::FormatValues() {
    SaveToRecord(false);
    if (m_frame)
        m_frame->Refresh(RefreshTarget::DefectState);
}

void CDlgPileInfo::EnableFields() {
    if (!m_doc)
        return;
    const bool wasLoading = m_loading;
    m_loading = true;
    const CPileRecord& pile = m_doc->m_PileRecord;
    ShowListedText(m_shape, options::PileShapeIndex(pile.m_strShape), pile.m_strShape, pile.m_nShape,
                   pile.m_strPath);
    m_loading = wasLoading;
    const bool square = m_shape->currentIndex() == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{m_side2, m_enlarged2, m_star1, m_star2})
        w->setVisible(square);
}

void CDlgPileInfo::LoadFromRecord(bool afterFixDialog) {
    if (!m_doc)
        return;
    const bool fixedRecord = m_doc->m_PileRecord.m_bFixedParam != 0;
    const auto& fix = m_doc->m_nFixSettings;
    struct Field {
        QWidget* w;
        int marker;
    };
    const Field fields[] = {{m_diameter, 1}, {m_side2, 1},     {m_length, 2}, {m_sensitivity, 3},
                            {m_enlarged, 4}, {m_enlarged2, 4}, {m_speed, 5},  {m_grade, 6},
                            {m_class, 7},    {m_shape, 8}};
    for (const Field& f : fields)
        f.w->setEnabled(fixedRecord && !afterFixDialog ? true : fix[size_t(f.marker)] == 0);
    if (m_frame)
        m_frame->Refresh(RefreshTarget::DefectState);
}

void CDlgPileInfo::EnableFixButton(bool fixed) {
    m_fixButton->setEnabled(!fixed);
}

void CDlgPileInfo::Highlight(bool speed) {
    const QString on = QStringLiteral("background-color: rgb(255,255,200);");
    m_speed->setStyleSheet(speed ? on : QString());
    m_length->setStyleSheet(speed ? QString() : on);
    if (m_doc)
        m_doc->m_PileRecord.m_bFixedQuantity = speed ? 0 : 1;
}

void CDlgPileInfo::KeepChannelTimes(CPileRecord& r, int c, double d, bool reportMode) {
    for (int i = 0; i < r.ChannelCountInList(); ++i) {
        if (i == r.m_nCurrentChannel)
            continue;
        CWaveRecord* w = r.Channel(i);
        if (!w)
            continue;
        const int ci = w->GetWaveSpeed();
        const double dti = ci > 0 ? (2.0 * double(w->GetPileLength()) - d) / ci : 0.0;
        w->SetWaveSpeed(c);
        if (reportMode || ci <= 0)
            continue;
        // The inverse of dti, so that repeating the step with the same speed
        // leaves the length where it was.
        const double Li = std::max(0.0, (double(c) * dti + d) / 2.0);
        w->SetPileLength(float(Li));
    }
}

bool CDlgPileInfo::HoldsBuiltSentence() const {
    const CPileRecord& r = m_doc->m_PileRecord;
    if (r.m_strConclusion == r.IntegritySentence())
        return true;
    const CWaveRecord* w = r.CurrentChannel();
    return w && r.m_strConclusion == CFormMain::IntegrityText(*w, m_doc->m_nDecimalPointNum, ui::english());
}

void CDlgPileInfo::AfterCoupling(bool rebuildText) {
    CPileRecord& r = m_doc->m_PileRecord;
    if (CWaveRecord* cur = r.CurrentChannel()) {
        cur->SetWaveSpeed(r.m_nWaveSpeed);
        cur->SetPileLength(r.m_fPileLength);
    }
    // The defect depths of the program's sentence follow the speed; the page
    // then shows the new text, so a later store cannot write the old one back.
    // A description the user typed stays as typed.
    if (rebuildText)
        r.BuildIntegrityText();
    SaveToRecord(false);
    if (m_frame)
        m_frame->ExchangeWaveParams(true, true);
    if (m_frame)
        m_frame->Refresh(RefreshTarget::AllWaveViews);
}

bool CDlgPileInfo::BeginCoupling(bool speed) {
    if (!Loaded())
        return false;
    Highlight(speed);
    if (m_doc->m_PileRecord.m_nCalcMode == 1) {
        StoreAllPiles();
        return false;
    }
    return true;
}

void CDlgPileInfo::OnSetfocusSpeed() {
    if (!CheckNumber(m_speed) || !BeginCoupling(true))
        return;
    CPileRecord& r = m_doc->m_PileRecord;
    const double d = r.m_nSensorDistance * 0.001;
    const double dt = r.m_nWaveSpeed > 0 ? 2.0 * double(r.m_fPileLength) / r.m_nWaveSpeed : 0.0;
    SaveToRecord(true);
    const bool rebuildText = HoldsBuiltSentence();
    if (!ReportMode()) {
        r.m_nWaveSpeed = std::clamp(r.m_nWaveSpeed, 1, 10000);
        if (dt > 0)
            r.m_fPileLength = float(r.m_nWaveSpeed * dt / 2.0);
    }
    if (r.m_fPileLength < 0.1f)
        r.m_fPileLength = 0.1f;
    KeepChannelTimes(r, r.m_nWaveSpeed, d, ReportMode());
    AfterCoupling(rebuildText);
}

void CDlgPileInfo::OnSetfocusLength() {
    if (!CheckNumber(m_length) || !BeginCoupling(false))
        return;
    CPileRecord& r = m_doc->m_PileRecord;
    const double d = r.m_nSensorDistance * 0.001;
    const double dt = r.m_nWaveSpeed > 0 ? 2.0 * double(r.m_fPileLength) / r.m_nWaveSpeed : 0.0;
    const int oldSpeed = r.m_nWaveSpeed;
    SaveToRecord(true);
    const bool rebuildText = HoldsBuiltSentence();
    r.m_nWaveSpeed = oldSpeed; // the speed follows the length, it is not typed here
    r.m_fPileLength = std::clamp(r.m_fPileLength, 0.1f, 1000.0f);
    // Truncated as the program's float-to-int conversions are. The nudge of a
    // few float steps keeps a speed that is whole for the decimal length typed
    // (9.99 m where 10 m took 4000 m/s: 3996) from losing a metre per second
    // to the length's binary form.
    if (!ReportMode() && dt > 0)
        r.m_nWaveSpeed = std::max(1, int(2.0 * double(r.m_fPileLength) / dt * (1.0 + 1e-6)));
    KeepChannelTimes(r, r.m_nWaveSpeed, d, ReportMode());
    AfterCoupling(rebuildText);
}

void CDlgPileInfo::StoreAllPiles() {
    CPileRecord& r = m_doc->m_PileRecord;
    SaveToRecord(true);
    const bool rebuildText = HoldsBuiltSentence();
    if (!ReportMode())
        for (int i = 0; i < r.ChannelCountInList(); ++i)
            if (CWaveRecord* w = r.Channel(i))
                w->SetLengthAndSpeed(r.m_fPileLength, r.m_nWaveSpeed);
    if (rebuildText)
        r.BuildIntegrityText();
    SaveToRecord(false);
    if (m_frame)
        m_frame->ExchangeWaveParams(false, true);
    if (m_frame)
        m_frame->Refresh(RefreshTarget::AllWaveViews);
}

void CDlgPileInfo::ApplyFixedParams() {
    if (!m_doc)
        return;
    CPileRecord& r = m_doc->m_PileRecord;
    const float L = r.m_fPileLength;
    const int c = r.m_nWaveSpeed;
    std::array<bool, 10> flags{};
    for (size_t i = 0; i < flags.size(); ++i)
        flags[i] = m_doc->m_nFixSettings[i] != 0;
    r.ExchangePileParams(m_doc->m_FixParams, flags, true);
    FormatValues();
    const bool speedFixed = flags[5];
    const int fixedSpeed = r.m_nWaveSpeed;
    const float fixedLength = r.m_fPileLength;
    r.m_fPileLength = L;
    r.m_nWaveSpeed = c;
    m_loading = true;
    if (speedFixed)
        TypeValue(m_speed, QString::number(fixedSpeed));
    else
        TypeValue(m_length, ExactText(fixedLength));
    m_loading = false;
    if (speedFixed)
        OnSetfocusSpeed();
    else
        OnSetfocusLength();
    LoadFromRecord(false);
}

void CDlgPileInfo::OnBnClickedFixPara() {
    if (!m_doc)
        return;
    const bool english = ui::english();
    const QString fixText = english ? QStringLiteral("FixedPara") : QStringLiteral("固定参数");
    const QString cancelText = english ? QStringLiteral("CancelFixed") : QStringLiteral("取消固定");
    CPileRecord& r = m_doc->m_PileRecord;
    if (!m_doc->m_bFixedParams) {
        m_doc->m_nFixSettings[0] = r.m_nCalcMode;
        const float L = r.m_fPileLength;
        const int c = r.m_nWaveSpeed;
        bool speedChanged = false, lengthChanged = false;
        if (runFixDialog && runFixDialog(speedChanged, lengthChanged)) {
            FormatValues();
            const float newLength = r.m_fPileLength;
            const int newSpeed = r.m_nWaveSpeed;
            r.m_fPileLength = L;
            r.m_nWaveSpeed = c;
            const int mode = m_doc->m_nFixSettings[0];
            if (!speedChanged && !lengthChanged) {
                SaveToRecord(true);
                if (mode != r.m_nCalcMode) {
                    r.SetCalcMode(mode);
                    if (m_frame)
                        m_frame->Refresh(RefreshTarget::AllWaveViews);
                }
            } else {
                if (mode != r.m_nCalcMode)
                    r.SetCalcMode(mode);
                m_loading = true;
                TypeValue(m_length, ExactText(newLength));
                TypeValue(m_speed, QString::number(newSpeed));
                m_loading = false;
                if (r.m_bFixedQuantity == 0)
                    OnSetfocusSpeed();
                else
                    OnSetfocusLength();
            }
            LoadFromRecord(r.m_bBlowFile == 0);
            MarkModified();
        }
        if (m_doc->m_bFixedParams)
            m_fixButton->setText(cancelText);
        return;
    }
    m_doc->m_FixParams = m_doc->m_PileParams;
    ApplyFixedParams();
    m_doc->m_bFixedParams = false;
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_diameter, m_length, m_sensitivity, m_enlarged, m_speed, m_grade,
                                         m_class, m_side2, m_enlarged2, m_shape})
        w->setEnabled(true);
    m_doc->m_nFixSettings.fill(0);
    m_fixButton->setText(fixText);
    if (m_frame)
        m_frame->Refresh(RefreshTarget::DefectState);
}

void CDlgPileInfo::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (m_doc)
            m_doc->SetModifiedFlag(true);
        QWidget* f = focusWidget();
        if (f == m_sensitivity) {
            SaveToRecord(true);
            if (m_frame) {
                m_frame->ExchangeWaveParams(true, true);
                m_frame->Refresh(RefreshTarget::AllWaveViews);
            }
        } else if (f != m_speed && f != m_length) {
            SaveToRecord(true);
        }
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}
