// Fixed-parameter analysis dialog.
#include "analysis/DlgFixPilePara.h"

#include "analysis/FrameServices.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/MathOperation.h"
#include "core/doc/OptionTables.h"
#include "core/doc/SharedRoutines.h"
#include "platform/MessageSink.h"
#include "platform/Numbers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString floatText(float v) {
    return QString::number(double(v), 'g', 7);
}

QString lengthText(float v, int decimals) {
    QString t;
    if (!FormatFloat(t, v, decimals, true))
        t = floatText(v);
    return t;
}

} // namespace

CDlgFixPilePara::CDlgFixPilePara(CKEV_DUXDoc& doc, QWidget* parent) : CColDialog(IDD, parent), m_doc(doc) {
    setWindowTitle(QStringLiteral("固定参数分析"));
    SetTitle(QStringLiteral("固定参数分析"));
    auto* box = new QVBoxLayout(this);
    auto* modes = new QHBoxLayout;
    m_timeFixed = pit::WithCtrlId(new QRadioButton(QStringLiteral("固定时间差"), this), IDC_TIME_FIXED);
    m_timeVarying = pit::WithCtrlId(new QRadioButton(QStringLiteral("变化时间差"), this), IDC_TIME_VARYING);
    modes->addWidget(m_timeFixed);
    modes->addWidget(m_timeVarying);
    box->addLayout(modes);

    static const char* const kLabels[10] = {nullptr,     "桩径(mm)", "桩长(m)", "灵敏度", "扩底(mm)",
                                            "波速(m/s)", "砼等级",   "桩类别",  "桩型",   "测试日期"};
    for (int i = 1; i <= 9; ++i) {
        m_checks[size_t(i)] =
            pit::WithCtrlId(new QCheckBox(QString::fromUtf8(kLabels[i]), this), IDC_FIX_DIAMETER + i - 1);
        connect(m_checks[size_t(i)], &QCheckBox::clicked, this,
                [this, i](bool on) { OnCheckClicked(i, on); });
    }
    auto edit = [this](int id) { return pit::WithCtrlId(new QLineEdit(this), id); };
    m_diameter = edit(IDC_DIAMETER);
    m_length = edit(IDC_LENGTH);
    m_scale = edit(IDC_SCALE);
    m_enlarged = edit(IDC_ENLARGED);
    m_speed = edit(IDC_SPEED);
    m_side = edit(IDC_SIDE);
    m_enlargedSide = edit(IDC_ENLARGED_SIDE);
    m_sideLabel = pit::WithCtrlId(new QLabel(QStringLiteral("*"), this), IDC_SIDE_LABEL);
    m_enlargedSideLabel = pit::WithCtrlId(new QLabel(QStringLiteral("*"), this), IDC_ENLARGED_SIDE_LABEL);
    m_grade = pit::WithCtrlId(new QComboBox(this), IDC_GRADE);
    m_class = pit::WithCtrlId(new QComboBox(this), IDC_CLASS);
    m_shape = pit::WithCtrlId(new QComboBox(this), IDC_SHAPE);
    m_date = pit::WithCtrlId(new QDateEdit(this), IDC_DATE);
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setCalendarPopup(true);

    auto* grid = new QGridLayout;
    auto row = [grid](int r, QWidget* check, QWidget* a, QWidget* label = nullptr, QWidget* b = nullptr) {
        grid->addWidget(check, r, 0);
        grid->addWidget(a, r, 1);
        if (label)
            grid->addWidget(label, r, 2);
        if (b)
            grid->addWidget(b, r, 3);
    };
    row(0, m_checks[1], m_diameter, m_sideLabel, m_side);
    row(1, m_checks[2], m_length);
    row(2, m_checks[3], m_scale);
    row(3, m_checks[4], m_enlarged, m_enlargedSideLabel, m_enlargedSide);
    row(4, m_checks[5], m_speed);
    row(5, m_checks[6], m_grade);
    row(6, m_checks[7], m_class);
    row(7, m_checks[8], m_shape);
    row(8, m_checks[9], m_date);
    box->addLayout(grid);
    // The sensitivity and the class are kept in the settings but not offered.
    for (QWidget* w : std::initializer_list<QWidget*>{m_checks[3], m_scale, m_checks[7], m_class})
        w->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = pit::WithCtrlId(new QPushButton(QStringLiteral("确定"), this), 1);
    ok->setDefault(true);
    auto* cancel = pit::WithCtrlId(new QPushButton(QStringLiteral("取消"), this), 2);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    box->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CDlgFixPilePara::accept);
    connect(cancel, &QPushButton::clicked, this, &CDlgFixPilePara::reject);
    connect(m_timeFixed, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_doc.m_nFixSettings[pit::FixTimeMode] = pit::kTimeDifferenceFixed;
    });
    connect(m_timeVarying, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_doc.m_nFixSettings[pit::FixTimeMode] = pit::kTimeDifferenceVarying;
    });
    connect(m_shape, qOverload<int>(&QComboBox::activated), this, &CDlgFixPilePara::OnShapeChanged);
    connect(m_length, &QLineEdit::textEdited, this, [this] { OnLengthEdited(false); });
    connect(m_length, &QLineEdit::editingFinished, this, [this] { OnLengthEdited(true); });
    OnInitDialog();
}

void CDlgFixPilePara::OnInitDialog() {
    m_savedSettings = m_doc.m_nFixSettings;
    m_savedValues = m_doc.m_FixParams;
    pit::TranslateDialog(this, IDD);
    SetTitle(windowTitle()); // the banner reads as the caption
    CPileRecord& rec = m_doc.m_PileRecord;
    const bool english = pit::ui::english();
    for (int i = 0; i < 4; ++i)
        m_class->addItem(pit::options::ClassName(i));
    m_class->setCurrentIndex(std::max(0, m_class->findText(rec.m_strClass)));
    for (int i = 0; i < 2; ++i)
        m_shape->addItem(pit::options::PileShape(i, english));
    for (int i = 0; i < 2; ++i)
        if (rec.m_strShape == pit::options::PileShape(i, false) ||
            rec.m_strShape == pit::options::PileShape(i, true))
            m_shape->setCurrentIndex(i);
    for (int i = 0; i < pit::options::GradeCount(); ++i)
        m_grade->addItem(pit::options::Grade(i));
    ApplyFixedParams(false);
    if (!m_doc.m_bEnableTestDate) {
        m_date->setEnabled(false);
        m_checks[pit::FixTestDate]->setEnabled(false);
        m_doc.m_nFixSettings[pit::FixTestDate] = 0;
    }
    LoadControls();
    UpdateControls(10);
    ShowLength(lengthText(rec.m_fPileLength, m_doc.m_nDecimalPointNum));
}

void CDlgFixPilePara::ShowLength(const QString& text) {
    m_length->setText(text);
    m_lastLength = text;
}

void CDlgFixPilePara::LoadControls() {
    const pit::FixSettings& s = m_doc.m_nFixSettings;
    const CPileParamSet& v = m_doc.m_FixParams;
    (s[pit::FixTimeMode] == pit::kTimeDifferenceFixed ? m_timeFixed : m_timeVarying)->setChecked(true);
    for (int i = 1; i <= 9; ++i)
        m_checks[size_t(i)]->setChecked(s[size_t(i)] != 0);
    m_diameter->setText(floatText(v.diameter));
    ShowLength(lengthText(v.length, m_doc.m_nDecimalPointNum));
    m_scale->setText(floatText(v.scale));
    m_enlarged->setText(floatText(v.enlarged));
    m_speed->setText(QString::number(v.waveSpeed));
    m_side->setText(floatText(v.secondSide));
    m_enlargedSide->setText(floatText(v.enlarged2));
    m_grade->setCurrentIndex(std::clamp(v.gradeIndex, 0, m_grade->count() - 1));
    m_class->setCurrentIndex(std::clamp(v.classIndex, 0, m_class->count() - 1));
    m_shape->setCurrentIndex(std::clamp(v.shapeIndex, 0, 1));
    m_date->setDate(v.testDate.isValid() ? v.testDate.date() : QDate::currentDate());
}

bool CDlgFixPilePara::SecondSidesAllowed() const {
    return m_shape->currentIndex() == 1;
}

void CDlgFixPilePara::UpdateControls(int index) {
    const pit::FixSettings& s = m_doc.m_nFixSettings;
    auto free = [&s](int i) { return s[size_t(i)] == 0; };
    const bool square = SecondSidesAllowed();
    switch (index) {
    case pit::FixDiameter:
        m_diameter->setEnabled(free(1));
        m_side->setEnabled(free(1) && square);
        break;
    case pit::FixLength:
        m_length->setEnabled(free(2));
        break;
    case pit::FixScale:
        m_scale->setEnabled(free(3));
        break;
    case pit::FixEnlarged:
        m_enlarged->setEnabled(free(4));
        m_enlargedSide->setEnabled(free(4) && square);
        break;
    case pit::FixSpeed:
        m_speed->setEnabled(free(5));
        break;
    case pit::FixGrade:
        m_grade->setEnabled(free(6));
        break;
    case pit::FixClass:
        m_class->setEnabled(free(7));
        break;
    case pit::FixShape:
        m_shape->setEnabled(free(8));
        break;
    case pit::FixTestDate:
        m_date->setEnabled(free(9) && m_doc.m_bEnableTestDate);
        break;
    default:
        for (int i = 1; i <= 9; ++i)
            UpdateControls(i);
        EnableSecondDimensions(square);
        break;
    }
}

void CDlgFixPilePara::EnableSecondDimensions(bool enable) {
    // A locked diameter or enlarged base keeps its second side locked too.
    m_side->setEnabled(enable && m_doc.m_nFixSettings[pit::FixDiameter] == 0);
    m_enlargedSide->setEnabled(enable && m_doc.m_nFixSettings[pit::FixEnlarged] == 0);
    m_sideLabel->setEnabled(enable);
    m_enlargedSideLabel->setEnabled(enable);
}

void CDlgFixPilePara::OnShapeChanged(int sel) {
    m_doc.m_FixParams.shapeIndex = sel;
    EnableSecondDimensions(sel == 1);
}

void CDlgFixPilePara::OnCheckClicked(int index, bool checked) {
    pit::FixSettings& s = m_doc.m_nFixSettings;
    if (pit::FixClickConflicts(s, index, checked)) {
        const QSignalBlocker block(m_checks[size_t(index)]);
        m_checks[size_t(index)]->setChecked(false);
        sink().show(pit::FixLengthSpeedConflictMessage(),
                    pit::ui::english() ? QStringLiteral("Tips") : QStringLiteral("提示"), pit::MB_OK);
        return;
    }
    s[size_t(index)] = checked ? 1 : 0;
    UpdateControls(index);
}

void CDlgFixPilePara::OnLengthEdited(bool always) {
    const QString text = m_length->text();
    const int decimals = m_doc.m_nDecimalPointNum;
    if (!always && !pit::LengthTextNeedsRounding(text, decimals))
        return;
    float v = 0;
    if (ParseNumberChecked(text, v, m_doc.Context()) < 0) {
        // The message says the last valid value is kept: keep it, so that a
        // locked field cannot hold a value that OK refuses.
        m_length->setText(m_lastLength);
        return;
    }
    const QString rounded = pit::RoundedLengthText(v, decimals);
    if (rounded != text)
        m_length->setText(rounded);
    m_lastLength = rounded;
}

void CDlgFixPilePara::ValidateInput(int* badId, QString* message) {
    const bool english = pit::ui::english();
    CPileParamSet v = m_doc.m_FixParams;
    struct Field {
        QLineEdit* edit;
        float* target;
    } fields[] = {{m_diameter, &v.diameter},
                  {m_scale, &v.scale},
                  {m_enlarged, &v.enlarged},
                  {m_side, &v.secondSide},
                  {m_enlargedSide, &v.enlarged2}};
    for (const Field& f : fields) {
        const std::optional<double> d = pit::parseDouble(f.edit->text().trimmed());
        if (!d) {
            *badId = pit::CtrlId(f.edit);
            *message =
                english ? QStringLiteral("Please enter a number.") : QStringLiteral("请输入一个数字。");
            return;
        }
        *f.target = float(*d);
    }
    float length = 0;
    if (ParseNumberChecked(m_length->text(), length, m_doc.Context()) < 0) {
        m_length->setText(m_lastLength); // as the message says: the last valid value
        if (ParseNumberChecked(m_lastLength, length, m_doc.Context()) < 0) {
            *badId = IDC_LENGTH;
            *message =
                english ? QStringLiteral("Please enter a number.") : QStringLiteral("请输入一个数字。");
            return;
        }
    }
    MathOperation::RoundToDecimals(length, m_doc.m_nDecimalPointNum);
    v.length = length;
    bool ok = false;
    const int speed = m_speed->text().trimmed().toInt(&ok);
    if (!ok) {
        *badId = IDC_SPEED;
        *message = english ? QStringLiteral("Please enter an integer.") : QStringLiteral("请输入一个整数。");
        return;
    }
    v.waveSpeed = speed;
    v.gradeIndex = m_grade->currentIndex();
    v.classIndex = m_class->currentIndex();
    v.shapeIndex = m_shape->currentIndex();
    v.testDate = QDateTime(m_date->date(), v.testDate.isValid() ? v.testDate.time() : QTime(0, 0));
    m_doc.m_FixParams = v;
}

void CDlgFixPilePara::done(int r) {
    if (r == QDialog::Accepted) {
        ApplyFixedParams(true);
    } else {
        // The boxes write the settings as they are clicked: Cancel puts them back.
        m_doc.m_nFixSettings = m_savedSettings;
        m_doc.m_FixParams = m_savedValues;
    }
    CColDialog::done(r);
}

void CDlgFixPilePara::ApplyFixedParams(bool apply) {
    CPileRecord& rec = m_doc.m_PileRecord;
    if (!apply) {
        rec.ExchangePileParams(m_doc.m_FixParams, {}, false);
        return;
    }
    const pit::FixApplyResult r =
        pit::ApplyFixedParams(rec, m_doc.m_nFixSettings, m_doc.m_FixParams, m_doc.m_bFixedParams);
    m_bSpeedChanged = m_bSpeedChanged || r.speedChanged;
    m_bLengthChanged = m_bLengthChanged || r.lengthChanged;
}
