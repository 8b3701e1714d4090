// The system settings page.
#include "mainwnd/SystemSetDlg.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/MessageSink.h"
#include "platform/Numbers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace pit {

SystemSettings SystemSettings::FromDocument(const CKEV_DUXDoc& doc) {
    SystemSettings s;
    s.zoomRateDefine = doc.m_fZoomRateDefine;
    s.movePoint = doc.m_fMovePoint;
    s.moveScale = doc.m_fMoveScale;
    s.refineIndex = doc.m_nRefineIndex;
    s.stretchSteps = doc.m_nStretchSteps;
    s.enableTestDate = doc.m_bEnableTestDate;
    s.keepState = doc.m_bIsKeepState;
    return s;
}

void SystemSettings::ToDocument(CKEV_DUXDoc& doc) const {
    doc.m_fZoomRateDefine = zoomRateDefine;
    doc.m_fMovePoint = movePoint;
    doc.m_fMoveScale = moveScale;
    doc.m_nRefineIndex = refineIndex;
    doc.m_nStretchSteps = stretchSteps;
    doc.m_bEnableTestDate = enableTestDate;
    doc.m_bIsKeepState = keepState;
}

ValidationFailure ValidateStretchSteps(int steps, bool english) {
    if (steps > 1 && steps < 7)
        return {};
    return {CSystemSetDlg::kStretchSteps,
            english ? QStringLiteral("The stretch and compress steps must be greater than 1 and at most 6!")
                    : QStringLiteral("拉伸压缩的档位必须大于1且小于等于6！")};
}

ValidationFailure ValidateRefineSetting(int index, bool english) {
    if (index >= 1 && index <= 32)
        return {};
    return {CSystemSetDlg::kRefineIndex, english
                                             ? QStringLiteral("The refinement index must lie from 1 to 32!")
                                             : QStringLiteral("细化指数必须在1到32之间！")};
}

} // namespace pit

namespace {

QString FloatText(float v) {
    return QString::number(double(v), 'g', 7);
}

} // namespace

CSystemSetDlg::CSystemSetDlg(CKEV_DUXDoc* doc) : m_doc(doc) {
    if (m_doc)
        m_values = pit::SystemSettings::FromDocument(*m_doc);
}

QString CSystemSetDlg::TabText() const {
    return QStringLiteral("系统设置"); // the sheet names the page in the interface language
}

QWidget* CSystemSetDlg::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* grid = new QGridLayout(page);
    const bool en = pit::ui::english();
    auto tr = [en](const char16_t* zh, const char* english) {
        return en ? QString::fromLatin1(english) : QString::fromUtf16(zh);
    };
    // Labels carry ids of their own (kLabelFirst + 2 row, units + 1) for the language files.
    auto edit = [&](int row, const QString& label, const QString& unit, int id) {
        grid->addWidget(pit::WithCtrlId(new QLabel(label, page), kLabelFirst + 2 * row), row, 0);
        auto* e = new QLineEdit(page);
        pit::SetCtrlId(e, id);
        e->setMinimumWidth(80);
        grid->addWidget(e, row, 1);
        if (!unit.isEmpty())
            grid->addWidget(pit::WithCtrlId(new QLabel(unit, page), kLabelFirst + 2 * row + 1), row, 2);
        return e;
    };
    m_zoomRate = edit(0, tr(u"自定义波形放大系数:", "Custom wave factor:"), QStringLiteral("%"), kZoomRate);
    m_movePoint = edit(1, tr(u"波形左右移动点数:", "Left/right move:"), tr(u"点", "points"), kMovePoint);
    m_moveScale = edit(2, tr(u"波形上下移动比例:", "Up/down move:"), QStringLiteral("%"), kMoveScale);
    m_refine = edit(3, tr(u"细化指数(频谱分析):", "Refinement (spectrum):"), {}, kRefineIndex);
    m_steps = edit(4, tr(u"拉伸压缩的档位设置:", "Stretch/compress steps:"), {}, kStretchSteps);
    m_testDate = new QCheckBox(page);
    pit::SetCtrlId(m_testDate, kEnableTestDate);
    grid->addWidget(m_testDate, 5, 0, 1, 3);
    m_keepState = new QCheckBox(tr(u"允许保持拉伸压缩状态", "Keep the stretch and compress state"), page);
    pit::SetCtrlId(m_keepState, kKeepState);
    grid->addWidget(m_keepState, 6, 0, 1, 3);
    grid->setRowStretch(7, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));
    m_testDate->setText(tr(u"允许修改测试日期及时间", "Allow modification of test date and time"));
    m_page = page;
    FillControls();
    return page;
}

void CSystemSetDlg::FillControls() {
    if (!m_page)
        return;
    m_zoomRate->setText(FloatText(m_values.zoomRateDefine));
    m_movePoint->setText(FloatText(m_values.movePoint));
    m_moveScale->setText(FloatText(m_values.moveScale));
    m_refine->setText(QString::number(m_values.refineIndex));
    m_steps->setText(QString::number(m_values.stretchSteps));
    m_testDate->setChecked(m_values.enableTestDate);
    m_keepState->setChecked(m_values.keepState);
}

pit::ValidationFailure CSystemSetDlg::UpdateData() {
    if (!m_page)
        return {};
    const bool english = pit::ui::english();
    const QString notNumber =
        english ? QStringLiteral("Please enter a number.") : QStringLiteral("请输入一个数字。");
    const QString notInteger =
        english ? QStringLiteral("Please enter an integer.") : QStringLiteral("请输入一个整数。");
    pit::SystemSettings v = m_values;
    struct FloatField {
        QLineEdit* edit;
        float* into;
    };
    for (const FloatField& f :
         {FloatField{m_zoomRate, &v.zoomRateDefine}, FloatField{m_movePoint, &v.movePoint},
          FloatField{m_moveScale, &v.moveScale}}) {
        const auto d = pit::parseDouble(f.edit->text().trimmed());
        if (!d)
            return {pit::CtrlId(f.edit), notNumber};
        *f.into = float(*d);
    }
    struct IntField {
        QLineEdit* edit;
        int* into;
    };
    for (const IntField& f : {IntField{m_refine, &v.refineIndex}, IntField{m_steps, &v.stretchSteps}}) {
        const auto n = pit::parseInt(f.edit->text().trimmed());
        if (!n)
            return {pit::CtrlId(f.edit), notInteger};
        *f.into = *n;
    }
    v.enableTestDate = m_testDate->isChecked();
    v.keepState = m_keepState->isChecked();
    m_values = v;
    return {};
}

bool CSystemSetDlg::ValidateStretchSteps() {
    const pit::SystemSettings old = m_values;
    pit::ValidationFailure failure = UpdateData();
    if (!failure.failed()) {
        // The spectrum takes 1..32 (powers of two): a value outside is refused
        // as the step is, and both are put back.
        failure = pit::ValidateStretchSteps(m_values.stretchSteps, pit::ui::english());
        if (!failure.failed())
            failure = pit::ValidateRefineSetting(m_values.refineIndex, pit::ui::english());
        if (failure.failed()) {
            m_values.stretchSteps = old.stretchSteps;
            m_values.refineIndex = old.refineIndex;
            FillControls();
        }
    }
    if (!failure.failed())
        return true;
    pit::ui::messages().show(failure.message, QString::fromUtf16(pit::ui::tipsCaption()),
                             pit::MB_OK | pit::MB_ICONEXCLAMATION);
    if (QWidget* w = pit::FindCtrl(m_page, failure.badId))
        w->setFocus();
    return false;
}

void CSystemSetDlg::Apply() {
    if (m_doc)
        m_values.ToDocument(*m_doc);
}
