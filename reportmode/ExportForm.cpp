// Report mode's form.
#include "reportmode/ExportForm.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/ShownValue.h"
#include "controls/UiServices.h"
#include "core/doc/CommonInfo.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"
#include "core/pile/PileRecord.h"
#include "core/project/ProInfoHistory.h"
#include "core/project/ProjectInfo.h"
#include "core/wave/WaveRecord.h"
#include "platform/MessageSink.h"
#include "platform/TimeUtil.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimeEdit>
#include <optional>

using namespace pit;

namespace {

// The labels carry ids of their own (1820..) for the language file's section 182.
QLabel* FormLabel(const QString& text, int id, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    SetCtrlId(l, id);
    return l;
}

std::optional<float> ParseFloatField(const QLineEdit* e) {
    bool ok = false;
    const float v = e->text().trimmed().toFloat(&ok);
    return ok ? std::optional<float>(v) : std::nullopt;
}

std::optional<int> ParseIntField(const QLineEdit* e) {
    bool ok = false;
    const int v = e->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// The four project fields: their common flags and the project's texts they show.
constexpr CCommonInfo::Flag kProjectFlags[4] = {CCommonInfo::ProjectName, CCommonInfo::TestingUnit,
                                                CCommonInfo::ConstructionUnit, CCommonInfo::Tester};
constexpr size_t kProjectTextIndex[4] = {0, 2, 5, 4};

QString FloatText(float v) {
    // Whole millimetres print without decimals, as the data exchange shows floats.
    return QString::number(double(v), 'g', 9);
}

} // namespace

CExportForm::CExportForm(CKEV_DUXDoc* doc, QWidget* parent) : QWidget(parent), m_pDoc(doc) {
    SetCtrlId(this, kTemplateId);
    CreateControls();
}

CExportForm::~CExportForm() = default;

void CExportForm::CreateControls() {
    auto* form = new QFormLayout(this);
    auto combo = [this](int id, bool editable, int limit) {
        auto* c = new QComboBox(this);
        SetCtrlId(c, id);
        c->setEditable(editable);
        if (editable && limit > 0)
            c->lineEdit()->setMaxLength(limit);
        return c;
    };
    auto edit = [this](int id, bool enabled = true) {
        auto* e = new QLineEdit(this);
        SetCtrlId(e, id);
        e->setEnabled(enabled);
        TrackUserEdits(e);
        return e;
    };
    const int limits[4] = {50, 50, 0, 25};
    const int ids[4] = {kProjectName, kTestingUnit, kConstructionUnit, kTester};
    const char16_t* labels[4] = {u"工程名称:", u"检测单位:", u"施工单位:", u"检测人员:"};
    for (int i = 0; i < 4; ++i) {
        m_projectCombos[size_t(i)] = combo(ids[i], true, limits[i]);
        QComboBox* c = m_projectCombos[size_t(i)];
        form->addRow(FormLabel(QString::fromUtf16(labels[i]), 1820 + i, this), c);
        connect(c, &QComboBox::currentIndexChanged, this, [this, i, c] {
            if (m_loading)
                return;
            m_comboTexts[size_t(i)] = c->currentText();
            c->setToolTip(c->currentText());
        });
        // Leaving the field puts its text at the top of the history.
        connect(c->lineEdit(), &QLineEdit::editingFinished, this, [this, i, c] {
            if (m_loading)
                return;
            const QString text = c->currentText();
            m_comboTexts[size_t(i)] = text;
            c->setToolTip(text);
            if (text.isEmpty() || !m_pHistory)
                return;
            m_pHistory->AddValue(i, text);
            FillHistoryCombo(i);
        });
    }
    m_testDateEdit = new QDateEdit(this);
    SetCtrlId(m_testDateEdit, kTestDate);
    m_testDateEdit->setEnabled(false);
    m_testTimeEdit = new QTimeEdit(this);
    SetCtrlId(m_testTimeEdit, kTestTime);
    m_testTimeEdit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_testTimeEdit->setEnabled(false);
    m_constructionDateEdit = new QDateEdit(this);
    SetCtrlId(m_constructionDateEdit, kConstructionDate);
    for (QDateEdit* d : {m_testDateEdit, m_constructionDateEdit}) {
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
    }
    form->addRow(FormLabel(QStringLiteral("测试日期:"), 1824, this), m_testDateEdit);
    form->addRow(FormLabel(QStringLiteral("测试时间:"), 1825, this), m_testTimeEdit);
    form->addRow(FormLabel(QStringLiteral("施工日期:"), 1826, this), m_constructionDateEdit);

    m_instrument = combo(kInstrument, false, 0);
    m_standard = combo(kStandard, false, 0);
    form->addRow(FormLabel(QStringLiteral("仪器型号:"), 1827, this), m_instrument);
    form->addRow(FormLabel(QStringLiteral("检测依据:"), 1828, this), m_standard);

    m_waveletEdit = edit(kWavelet, false);
    m_lowPassEdit = edit(kLowPass);
    m_highPassEdit = edit(kHighPass);
    form->addRow(FormLabel(QStringLiteral("小波滤波(Hz):"), 1829, this), m_waveletEdit);
    form->addRow(FormLabel(QStringLiteral("低通滤波(Hz):"), 1830, this), m_lowPassEdit);
    form->addRow(FormLabel(QStringLiteral("高通滤波(Hz):"), 1831, this), m_highPassEdit);

    m_shape = combo(kShape, false, 0);
    form->addRow(FormLabel(QStringLiteral("桩型:"), 1832, this), m_shape);
    auto pair = [this](QLineEdit* a, QLabel* star, QLineEdit* b) {
        auto* w = new QWidget(this);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(a);
        h->addWidget(star);
        h->addWidget(b);
        return w;
    };
    m_diameter = edit(kDiameter);
    m_secondSide = edit(kSecondSide);
    m_enlarged = edit(kEnlarged);
    m_enlarged2 = edit(kEnlarged2);
    m_star1 = new QLabel(QStringLiteral("*"), this);
    SetCtrlId(m_star1, kStar1);
    m_star2 = new QLabel(QStringLiteral("*"), this);
    SetCtrlId(m_star2, kStar2);
    form->addRow(FormLabel(QStringLiteral("桩径(mm):"), 1833, this), pair(m_diameter, m_star1, m_secondSide));
    form->addRow(FormLabel(QStringLiteral("扩底(mm):"), 1834, this), pair(m_enlarged, m_star2, m_enlarged2));
    m_speed = edit(kSpeed, false);
    m_length = edit(kLength, false);
    form->addRow(FormLabel(QStringLiteral("波速(m/s):"), 1835, this), m_speed);
    form->addRow(FormLabel(QStringLiteral("桩长(m):"), 1836, this), m_length);
    m_class = combo(kClass, false, 0);
    m_grade = combo(kGrade, false, 0);
    form->addRow(FormLabel(QStringLiteral("桩类别:"), 1837, this), m_class);
    form->addRow(FormLabel(QStringLiteral("砼等级:"), 1838, this), m_grade);
    m_description = new QPlainTextEdit(this);
    SetCtrlId(m_description, kDescription);
    m_description->setMaximumHeight(70);
    m_description->setTabChangesFocus(true);
    TrackUserEdits(m_description);
    form->addRow(FormLabel(QStringLiteral("描述:"), 1839, this), m_description);
    const char16_t* spectrumLabels[6] = {u"频率上限:", u"FMax:", u"F0:", u"dFL:", u"dFD1:", u"dFD2:"};
    for (size_t i = 0; i < 6; ++i) {
        m_spectrum[i] = edit(kSpectrumIds[i]);
        form->addRow(FormLabel(QString::fromUtf16(spectrumLabels[i]), 1840 + int(i), this), m_spectrum[i]);
    }

    // The lists follow the user's picks before their handlers are connected.
    for (QComboBox* c : {m_class, m_grade, m_shape})
        TrackUserEdits(c);
    connect(m_testDateEdit, &QDateEdit::dateChanged, this, &CExportForm::OnTestDateChanged);
    connect(m_constructionDateEdit, &QDateEdit::dateChanged, this, &CExportForm::OnConstructionDateChanged);
    connect(m_testTimeEdit, &QTimeEdit::timeChanged, this, &CExportForm::OnTestTimeChanged);
    connect(m_instrument, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || !m_pDoc || index < 0)
            return;
        m_pDoc->m_nYiqiXinghao = index;
        m_pHistory->SetIndex(4, index);
    });
    connect(m_standard, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_loading || !m_pDoc || index < 0)
            return;
        m_pDoc->m_nJianceYiju = index;
        m_pHistory->SetIndex(5, index);
    });
    connect(m_grade, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_loading && m_pHistory && index >= 0)
            m_pHistory->SetIndex(6, index);
    });
    connect(m_shape, &QComboBox::currentIndexChanged, this, &CExportForm::OnShapeChanged);
}

// ---- set-up ---------------------------------------------------------------------------

void CExportForm::OnInitialUpdate() {
    if (!m_pDoc)
        return;
    const bool first = m_bFirstUpdate;
    if (first) {
        m_pRecord = &m_pDoc->m_PileRecord2;
        m_pProject = &m_pDoc->m_ProjectInfo;
        m_pCommon = &m_pDoc->m_CommonInfo;
        m_pHistory = &m_pDoc->m_History;
    }
    TranslateDialog(this, kTemplateId);
    if (first) {
        m_loading = true;
        // The project texts start the four fields.
        for (size_t i = 0; i < 4; ++i)
            m_comboTexts[i] = m_pProject->m_texts[kProjectTextIndex[i]];
        FillHistoryCombos();
        for (int i = 0; i < options::InstrumentModelCount(); ++i)
            m_instrument->addItem(options::InstrumentModel(i));
        m_instrument->setCurrentIndex(m_pDoc->m_nYiqiXinghao);
        for (int i = 0; i < options::TestStandardCount(); ++i)
            m_standard->addItem(options::TestStandard(i));
        m_standard->setCurrentIndex(m_pDoc->m_nJianceYiju);
        for (int i = 0; i < options::GradeCount(); ++i)
            m_grade->addItem(options::Grade(i));
        ShowValue(m_grade, options::ShownGradeIndex(m_pRecord->m_nGradeIndex));
        for (int i = 0; i < 4; ++i)
            m_class->addItem(options::ClassName(i));
        ShowText(m_class, m_pRecord->m_strClass, {}, m_pRecord->m_strPath);
        const bool english = ui::english();
        for (int i = 0; i < 2; ++i)
            m_shape->addItem(options::PileShape(i, english));
        ShowListedText(m_shape, options::PileShapeIndex(m_pRecord->m_strShape), m_pRecord->m_strShape,
                       m_pRecord->m_nShape, m_pRecord->m_strPath);
        m_loading = false;
        ShowShapeFields();
        m_bFirstUpdate = false;
    }
    ExchangeWaveFields(false);
}

bool CExportForm::UsesCommon() const {
    return m_pDoc && m_pDoc->m_bUseCommonInfo != 0;
}

bool CExportForm::CommonFlag(int flag) const {
    return m_pCommon && m_pCommon->Use(CCommonInfo::Flag(flag));
}

void CExportForm::SelectText(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    if (index >= 0)
        combo->setCurrentIndex(index);
}

void CExportForm::SetPicker(QDateEdit* picker, const QDate& date) {
    if (!date.isValid())
        return;
    const bool was = m_loading;
    m_loading = true;
    picker->setDate(date);
    m_loading = was;
}

void CExportForm::Tell(const QString& zh, const QString& en, const QString& englishCaption) {
    const bool english = ui::english();
    ui::messages().show(english ? en : zh, english ? englishCaption : QStringLiteral("提示"),
                        MB_OK | MB_ICONWARNING);
}

void CExportForm::FillHistoryCombo(int i) {
    if (!m_pHistory || m_pHistory->GetCount(i) <= 0)
        return;
    QString text = m_comboTexts[size_t(i)];
    if (CommonFlag(kProjectFlags[size_t(i)])) {
        const CCommonInfo& c = *m_pCommon;
        text = i == 0   ? c.m_strProjectName
               : i == 1 ? c.m_strTestingUnit
               : i == 2 ? c.m_strConstructionUnit
                        : c.m_strTester;
    }
    QComboBox* combo = m_projectCombos[size_t(i)];
    const bool was = m_loading;
    m_loading = true;
    combo->clear();
    const CProInfoHistory::Values* list = m_pHistory->GetList(i);
    for (int k = 0; k < m_pHistory->GetCount(i); ++k)
        combo->addItem((*list)[size_t(k)]);
    const int at = combo->findText(text);
    combo->setCurrentIndex(at);
    if (at >= 0)
        m_pHistory->SetIndex(i, at);
    combo->setEditText(text);
    combo->setToolTip(text);
    m_loading = was;
}

void CExportForm::FillHistoryCombos() {
    for (int i = 0; i < 4; ++i)
        FillHistoryCombo(i);
}

void CExportForm::EnableFields(bool stars) {
    const std::pair<int, std::vector<QWidget*>> map[] = {
        {CCommonInfo::ProjectName, {m_projectCombos[0]}},
        {CCommonInfo::TestingUnit, {m_projectCombos[1]}},
        {CCommonInfo::ConstructionUnit, {m_projectCombos[2]}},
        {CCommonInfo::Tester, {m_projectCombos[3]}},
        {CCommonInfo::TestDate, {m_testDateEdit}},
        {CCommonInfo::Instrument, {m_instrument}},
        {CCommonInfo::Standard, {m_standard}},
        {CCommonInfo::Shape, {m_shape}},
        {CCommonInfo::Diameter, {m_diameter, m_secondSide}},
        {CCommonInfo::EnlargedBase, {m_enlarged, m_enlarged2}},
        {CCommonInfo::Grade, {m_grade}},
        {CCommonInfo::PileClass, {m_class}},
    };
    for (const auto& [flag, widgets] : map)
        for (QWidget* w : widgets)
            w->setEnabled(!CommonFlag(flag));
    m_star1->setEnabled(stars);
    m_star2->setEnabled(stars);
}

void CExportForm::ShowShapeFields() {
    if (!CommonFlag(CCommonInfo::Shape) && m_pRecord) {
        const bool was = m_loading;
        m_loading = true;
        ShowListedText(m_shape, options::PileShapeIndex(m_pRecord->m_strShape), m_pRecord->m_strShape,
                       m_pRecord->m_nShape, m_pRecord->m_strPath);
        m_loading = was;
    }
    const bool square = m_shape->currentIndex() == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{m_secondSide, m_enlarged2, m_star1, m_star2})
        w->setVisible(square);
}

// ---- data exchange ---------------------------------------------------------------------

bool CExportForm::UpdateData(bool save) {
    CPileRecord& r = *m_pRecord;
    const bool common = UsesCommon();
    if (!save) {
        const bool was = m_loading;
        m_loading = true;
        if (!common)
            for (size_t i = 0; i < 4; ++i)
                m_projectCombos[i]->setEditText(m_comboTexts[i]);
        if (!CommonFlag(CCommonInfo::TestDate)) {
            m_testDateEdit->setDate(r.m_testDate.date());
            RememberShown(m_testDateEdit);
        }
        m_testTimeEdit->setTime(r.m_testDate.time());
        RememberShown(m_testTimeEdit);
        if (r.m_constructionDate.isValid())
            m_constructionDateEdit->setDate(r.m_constructionDate.date());
        // A date the record lacks is not taken from what the picker held before.
        RememberShown(m_constructionDateEdit);
        m_waveletEdit->setText(QString::number(m_nWavelet));
        m_lowPassEdit->setText(QString::number(m_nLowPass));
        m_highPassEdit->setText(QString::number(m_nHighPass));
        if (!common)
            ShowListedText(m_shape, options::PileShapeIndex(r.m_strShape), r.m_strShape, r.m_nShape,
                           r.m_strPath);
        if (!CommonFlag(CCommonInfo::Diameter)) {
            ShowValue(m_diameter, FloatText(r.m_fDiameter));
            ShowValue(m_secondSide, FloatText(r.m_fSecondSide));
        }
        if (!CommonFlag(CCommonInfo::EnlargedBase)) {
            ShowValue(m_enlarged, FloatText(r.m_fEnlarged));
            ShowValue(m_enlarged2, FloatText(r.m_fEnlarged2));
        }
        m_speed->setText(QString::number(r.m_nWaveSpeed));
        ShowValue(m_length, m_strLength);
        ShowText(m_class, r.m_strClass, {}, r.m_strPath);
        if (!common)
            ShowValue(m_grade, options::ShownGradeIndex(r.m_nGradeIndex));
        ShowValue(m_description, r.m_strConclusion);
        for (size_t i = 0; i < 6; ++i)
            m_spectrum[i]->setText(QString::number(r.m_analysisValues[i]));
        m_loading = was;
        return true;
    }

    // Every number is checked before anything is stored.
    struct Num {
        QLineEdit* edit;
        bool isInt;
        bool skip;
    };
    const Num nums[] = {
        {m_lowPassEdit, true, false},
        {m_highPassEdit, true, false},
        {m_diameter, false, CommonFlag(CCommonInfo::Diameter)},
        {m_secondSide, false, CommonFlag(CCommonInfo::Diameter)},
        {m_enlarged, false, CommonFlag(CCommonInfo::EnlargedBase)},
        {m_enlarged2, false, CommonFlag(CCommonInfo::EnlargedBase)},
        {m_spectrum[0], true, false},
        {m_spectrum[1], true, false},
        {m_spectrum[2], true, false},
        {m_spectrum[3], true, false},
        {m_spectrum[4], true, false},
        {m_spectrum[5], true, false},
    };
    for (const Num& n : nums) {
        if (n.skip)
            continue;
        const bool ok = n.isInt ? ParseIntField(n.edit).has_value() : ParseFloatField(n.edit).has_value();
        if (!ok) {
            // Not a date or age message: a plain caption in English too.
            Tell(n.isInt ? QStringLiteral("请输入一个整数。") : QStringLiteral("请输入一个数字。"),
                 n.isInt ? QStringLiteral("Please enter an integer.")
                         : QStringLiteral("Please enter a number."),
                 QStringLiteral("Tips"));
            n.edit->setFocus();
            n.edit->selectAll();
            return false;
        }
    }
    TakeProjectTexts();
    // Only what the user touched is taken, as it stands: the fields show
    // sizes, the length and the dates rounded. A field taken counts as shown
    // from then on, so typing its first text back is a change again. The
    // derived construction date of the age setting counts as entered.
    if (!CommonFlag(CCommonInfo::TestDate) &&
        (ChangedSinceShown(m_testDateEdit) || ChangedSinceShown(m_testTimeEdit))) {
        r.m_testDate = QDateTime(m_testDateEdit->date(), m_testTimeEdit->time());
        RememberShown(m_testDateEdit);
        RememberShown(m_testTimeEdit);
    }
    if (ChangedSinceShown(m_constructionDateEdit)) {
        r.m_constructionDate = QDateTime(m_constructionDateEdit->date(), QTime(0, 0));
        // The age follows the dates, so a later row change that derives the
        // construction date from the age keeps the date entered here.
        if (r.m_testDate.isValid())
            r.m_nAge = int(r.m_constructionDate.date().daysTo(r.m_testDate.date()));
        RememberShown(m_constructionDateEdit);
    }
    m_nLowPass = *ParseIntField(m_lowPassEdit);
    m_nHighPass = *ParseIntField(m_highPassEdit);
    if (!common && m_shape->currentIndex() >= 0 && ChangedSinceShown(m_shape))
        TakeShape();
    auto take = [](QLineEdit* e, float& field) {
        if (ChangedSinceShown(e)) {
            field = *ParseFloatField(e);
            MarkTaken(e);
        }
    };
    if (!CommonFlag(CCommonInfo::Diameter)) {
        take(m_diameter, r.m_fDiameter);
        take(m_secondSide, r.m_fSecondSide);
    }
    if (!CommonFlag(CCommonInfo::EnlargedBase)) {
        take(m_enlarged, r.m_fEnlarged);
        take(m_enlarged2, r.m_fEnlarged2);
    }
    if (ChangedSinceShown(m_length))
        m_strLength = m_length->text();
    if (m_class->currentIndex() >= 0 && ChangedSinceShown(m_class)) {
        r.m_strClass = m_class->currentText();
        MarkTaken(m_class);
    }
    if (!common && m_grade->currentIndex() >= 0 && ChangedSinceShown(m_grade)) {
        r.m_nGradeIndex = m_grade->currentIndex();
        MarkTaken(m_grade);
    }
    if (ChangedSinceShown(m_description)) {
        r.m_strConclusion = TextOf(m_description);
        MarkTaken(m_description);
    }
    for (size_t i = 0; i < 6; ++i)
        r.m_analysisValues[i] = *ParseIntField(m_spectrum[i]);
    return true;
}

bool CExportForm::ExchangeWaveFields(bool save) {
    if (!m_pRecord || !m_pDoc)
        return false;
    CWaveRecord* w = m_pRecord->CurrentChannel();
    if (!w)
        return save; // nothing to show or to store, and nothing refused
    if (!save) {
        m_nHighPass = w->highPassHz;
        m_nLowPass = w->lowPassHz;
        m_nWavelet = w->GetWaveletFilter();
        QString text;
        if (!FormatFloat(text, m_pRecord->m_fPileLength, m_pDoc->m_nDecimalPointNum, true))
            text = QString::number(double(m_pRecord->m_fPileLength));
        m_strLength = text.trimmed();
        return UpdateData(false);
    }
    if (!UpdateData(true))
        return false;
    // Stored as the cut-offs of record; the wave is not filtered again here.
    w->highPassHz = m_nHighPass;
    w->lowPassHz = m_nLowPass;
    // The length field shows the record's length rounded: it is taken only
    // when its text was changed.
    if (ChangedSinceShown(m_length)) {
        bool ok = false;
        const float length = m_strLength.trimmed().toFloat(&ok);
        if (ok)
            m_pRecord->m_fPileLength = length;
        MarkTaken(m_length);
    }
    return true;
}

void CExportForm::RefreshFromRecord() {
    if (!m_pRecord || !m_pDoc)
        return;
    m_testDate = m_pRecord->m_testDate.date();
    m_constructionDate = m_pRecord->m_constructionDate.date();
    ExchangeWaveFields(false);
    EnableFields(true);
    m_loading = true;
    if (CommonFlag(CCommonInfo::Instrument))
        SelectText(m_instrument, m_pCommon->m_strInstrument);
    else
        m_instrument->setCurrentIndex(m_pDoc->m_nYiqiXinghao);
    if (CommonFlag(CCommonInfo::Standard))
        SelectText(m_standard, m_pCommon->m_strStandard);
    else
        m_standard->setCurrentIndex(m_pDoc->m_nJianceYiju);
    if (CommonFlag(CCommonInfo::Grade))
        m_grade->setCurrentIndex(std::clamp(m_pCommon->m_nGradeIndex, 0, options::GradeCount() - 1));
    else
        ShowValue(m_grade, options::ShownGradeIndex(m_pRecord->m_nGradeIndex));
    m_loading = false;
    FillHistoryCombos();
    ShowShapeFields();
}

void CExportForm::ShowProjectTexts() {
    if (!m_pProject)
        return;
    // What the reports print: the project's texts, an empty one too (the
    // history lists hold the others by now; report mode adds them at entry).
    for (size_t i = 0; i < 4; ++i)
        m_comboTexts[i] = m_pProject->m_texts[kProjectTextIndex[i]];
    FillHistoryCombos();
}

void CExportForm::TakeProjectTexts() {
    CPileRecord& r = *m_pRecord;
    QString* pileTexts[4] = {&r.m_strProject, &r.m_strText4, &r.m_strText5, &r.m_strText6};
    for (size_t i = 0; i < 4; ++i) {
        if (CommonFlag(kProjectFlags[i]))
            continue; // shown, disabled, and never read back
        QComboBox* combo = m_projectCombos[i];
        const QString text = combo->currentText();
        m_comboTexts[i] = text;
        QString& project = m_pProject->m_texts[kProjectTextIndex[i]];
        // A text the field cut to its length limit is the project's, untouched.
        const int limit = combo->lineEdit()->maxLength();
        if (text == project || (project.size() > limit && text == project.left(limit)))
            continue;
        project = text;
        *pileTexts[i] = text;
    }
}

void CExportForm::ApplyCommonValues(bool load) {
    if (!m_pDoc || !m_pRecord)
        return;
    CCommonInfo& c = *m_pCommon;
    CPileRecord& r = *m_pRecord;
    if (!load) {
        if (UsesCommon())
            return;
        c.m_strProjectName = m_pHistory->GetCurrent(0);
        c.m_strTestingUnit = m_pHistory->GetCurrent(1);
        c.m_strConstructionUnit = m_pHistory->GetCurrent(2);
        c.m_strTester = m_pHistory->GetCurrent(3);
        c.m_strInstrument = options::InstrumentModel(std::max(0, m_pHistory->GetIndex(4)));
        c.m_strStandard = options::TestStandard(std::max(0, m_pHistory->GetIndex(5)));
        c.m_fDiameter = r.m_fDiameter;
        c.m_fSecondSide = r.m_fSecondSide;
        c.m_fEnlarged = r.m_fEnlarged;
        c.m_fEnlarged2 = r.m_fEnlarged2;
        c.m_nShape = r.m_nShape;
        c.m_nGradeIndex = std::max(0, m_pHistory->GetIndex(6));
        if (r.m_testDate.isValid())
            c.m_testDate = r.m_testDate;
        return;
    }
    m_loading = true;
    // A common value shown in place of the pile's own is taken by the next save.
    if (CommonFlag(CCommonInfo::PileClass))
        TypeText(m_class, c.m_strClass);
    else
        ShowText(m_class, r.m_strClass, {}, r.m_strPath);
    ShowListedText(m_shape, options::PileShapeIndex(r.m_strShape), r.m_strShape, r.m_nShape, r.m_strPath);
    if (CommonFlag(CCommonInfo::Instrument))
        SelectText(m_instrument, c.m_strInstrument);
    if (CommonFlag(CCommonInfo::Standard))
        SelectText(m_standard, c.m_strStandard);
    if (CommonFlag(CCommonInfo::Shape))
        m_shape->setCurrentIndex(std::clamp(c.m_nShape, 0, 1));
    if (CommonFlag(CCommonInfo::Grade))
        m_grade->setCurrentIndex(std::clamp(c.m_nGradeIndex, 0, options::GradeCount() - 1));
    m_loading = false;
    m_pDoc->m_bUseCommonInfo = 1;
    ShowShapeFields();
    // Fields of common values are disabled and never read back.
    const bool diameter = CommonFlag(CCommonInfo::Diameter);
    ShowValue(m_diameter,
              diameter ? QString::asprintf("%.0f", double(c.m_fDiameter)) : FloatText(r.m_fDiameter));
    ShowValue(m_secondSide,
              diameter ? QString::asprintf("%.0f", double(c.m_fSecondSide)) : FloatText(r.m_fSecondSide));
    const bool enlarged = CommonFlag(CCommonInfo::EnlargedBase);
    ShowValue(m_enlarged,
              enlarged ? QString::asprintf("%.0f", double(c.m_fEnlarged)) : FloatText(r.m_fEnlarged));
    ShowValue(m_enlarged2,
              enlarged ? QString::asprintf("%.0f", double(c.m_fEnlarged2)) : FloatText(r.m_fEnlarged2));
    SetPicker(m_testDateEdit, CommonFlag(CCommonInfo::TestDate) ? c.m_testDate.date() : r.m_testDate.date());
    FillHistoryCombos();
    EnableFields(false);
}

void CExportForm::SetDates(bool ageFlag, int age) {
    if (!m_pRecord)
        return;
    const bool commonDate = CommonFlag(CCommonInfo::TestDate);
    if (!commonDate)
        SetPicker(m_testDateEdit, m_pRecord->m_testDate.date());
    if (ageFlag) {
        const QDate base = commonDate ? m_testDateEdit->date() : m_pRecord->m_testDate.date();
        SetPicker(m_constructionDateEdit, base.addDays(-age));
    } else {
        SetPicker(m_constructionDateEdit, m_pRecord->m_constructionDate.date());
    }
    m_constructionDate = m_constructionDateEdit->date();
}

// ---- handlers ------------------------------------------------------------------------------

void CExportForm::OnConstructionDateChanged(QDate date) {
    if (m_loading)
        return;
    if (date > m_testDateEdit->date()) {
        Tell(QStringLiteral("施工日期必须小于检测日期！"),
             QStringLiteral("Construction date must be smaller than the test date !"));
        SetPicker(m_constructionDateEdit, m_constructionDate);
        return;
    }
    m_constructionDate = date;
    if (m_pRecord) {
        m_pRecord->m_constructionDate = QDateTime(date, QTime(0, 0));
        m_pRecord->m_nAge = int(date.daysTo(m_testDateEdit->date()));
    }
}

void CExportForm::OnTestDateChanged(QDate date) {
    if (m_loading)
        return;
    if (date < m_constructionDate) {
        Tell(QStringLiteral("检测日期必须大于施工日期！"),
             QStringLiteral("Test date must be greater than the Construction date!"));
        SetPicker(m_testDateEdit, m_testDate);
        return;
    }
    const QDateTime t(date, m_testTimeEdit->time());
    if (pit::IsLaterThanTimeLimit(t)) {
        Tell(QStringLiteral("检测日期不能大于2038年1月18日19时14分07秒！"),
             QStringLiteral("The test date must not be later than 2038-01-18 19:14:07!"));
        SetPicker(m_testDateEdit, m_testDate);
        return;
    }
    m_testDate = date;
    if (m_pRecord) {
        m_pRecord->m_testDate = t;
        m_pRecord->m_testTime = t;
        if (m_pRecord->m_constructionDate.isValid())
            m_pRecord->m_nAge = int(m_pRecord->m_constructionDate.date().daysTo(date));
    }
}

void CExportForm::OnTestTimeChanged() {
    if (m_loading || !m_pRecord)
        return;
    m_pRecord->m_testDate = QDateTime(m_testDateEdit->date(), m_testTimeEdit->time());
    m_pRecord->m_testTime = m_pRecord->m_testDate;
}

void CExportForm::OnShapeChanged(int index) {
    if (m_loading || !m_pRecord || index < 0)
        return;
    ExchangeWaveFields(true);
    TakeShape();
    ShowShapeFields();
}

void CExportForm::TakeShape() {
    CPileRecord& r = *m_pRecord;
    if (ShowsOwnItem(m_shape)) {
        // The text the record held, back as it was.
        r.m_strShape = m_shape->currentText();
        r.m_nShape = OwnItemValue(m_shape).toInt();
    } else {
        r.m_nShape = m_shape->currentIndex();
        r.m_strShape = r.ShapeText(r.m_nShape);
    }
    MarkTaken(m_shape);
}
