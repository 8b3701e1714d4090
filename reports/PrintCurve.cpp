// The print line types page.
#include "reports/PrintCurve.h"

#include "controls/ColorPicker.h"
#include "controls/ColorPickerCB.h"
#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "core/doc/CurveStyle.h"
#include "platform/MessageSink.h"
#include "reports/PageWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <algorithm>

using namespace pit::pages;

namespace {

constexpr struct {
    const char16_t* zh;
    const char* en;
} kLabels[8] = {{u"波形:", "Wave:"},         {u"横坐标:", "Abscissa:"},   {u"纵坐标:", "Ordinate:"},
                {u"桩头:", "Pile head:"},    {u"桩底:", "Pile toe:"},     {u"缺陷:", "Defect:"},
                {u"模型桩:", "Model pile:"}, {u"中心轴:", "Centre axis:"}};

const QStringList& penStyles() {
    static const QStringList styles = {QString::fromUtf16(u"——————"), QStringLiteral("------------"),
                                       QStringLiteral(".........."), QStringLiteral("_._._._._._"),
                                       QStringLiteral("_.._.._.._")};
    return styles;
}

} // namespace

CPrintCurve::CPrintCurve(CCurveStyle* style) : m_style(style) {}

CPrintCurve::~CPrintCurve() {
    delete m_page;
}

QString CPrintCurve::TabText() const {
    return QStringLiteral("打印线型设置");
}

QWidget* CPrintCurve::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    pit::SetCtrlId(page, kDialogId);
    m_page = page;
    auto* grid = new QGridLayout(page);
    for (int i = 0; i < 8; ++i) {
        grid->addWidget(MakeLabel(page, Tr(kLabels[i].zh, kLabels[i].en)), i, 0);
        auto* picker = new CColorPicker(page);
        pit::SetCtrlId(picker, kColour[size_t(i)]);
        grid->addWidget(picker, i, 1);
        grid->addWidget(MakeCombo(page, kStyle[size_t(i)], penStyles()), i, 2);
        auto* width = new CColorPickerCB(page);
        pit::SetCtrlId(width, kWidth[size_t(i)]);
        grid->addWidget(width, i, 3);
    }
    grid->addWidget(MakeCheck(page, kSmooth, Tr(u"允许平滑波形", "Allow smoothed waves")), 8, 0, 1, 4);
    grid->setRowStretch(9, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));

    for (int i = 0; i < 8; ++i) {
        const CCurveStyle::Pen& pen = m_style->m_pens[size_t(i)];
        m_colours[size_t(i)] = pen.color;
        m_styles[size_t(i)] = std::clamp(pen.style, 0, 4);
        m_widths[size_t(i)] = std::clamp(pen.width, 0, 4);
    }
    m_bSmooth = m_style->IsSmooth;
    UpdateData(false);
    for (int i = 0; i < 8; ++i)
        ApplyWidthRule(i);

    for (int i = 0; i < 8; ++i)
        QObject::connect(qobject_cast<QComboBox*>(pit::FindCtrl(page, kStyle[size_t(i)])),
                         &QComboBox::activated, page, [this, i] {
                             UpdateData(true);
                             ApplyWidthRule(i);
                         });
    return page;
}

void CPrintCurve::UpdateData(bool save) {
    if (!m_page)
        return;
    for (size_t i = 0; i < 8; ++i) {
        auto* picker = qobject_cast<CColorPicker*>(pit::FindCtrl(m_page, kColour[i]));
        auto* style = qobject_cast<QComboBox*>(pit::FindCtrl(m_page, kStyle[i]));
        auto* width = qobject_cast<QComboBox*>(pit::FindCtrl(m_page, kWidth[i]));
        if (save) {
            m_colours[i] = picker->GetColor();
            m_styles[i] = std::max(0, style->currentIndex());
            m_widths[i] = std::max(0, width->currentIndex());
        } else {
            picker->SetColor(m_colours[i], false);
            SelectQuiet(style, m_styles[i]);
            SelectQuiet(width, m_widths[i]);
        }
    }
    auto* smooth = qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, kSmooth));
    if (save)
        m_bSmooth = smooth->isChecked() ? 1 : 0;
    else
        CheckQuiet(smooth, m_bSmooth != 0);
}

void CPrintCurve::ApplyWidthRule(int element) {
    const size_t i = size_t(std::clamp(element, 0, 7));
    QWidget* width = pit::FindCtrl(m_page, kWidth[i]);
    if (m_styles[i] == 0) {
        width->setEnabled(true);
        return;
    }
    if (m_widths[i] != 0) {
        pit::ui::messages().show(
            Tr(u"线型为非实线时,线宽只能为1!", "The line width can only be 1 when the line is not solid!"),
            QString::fromUtf16(pit::ui::tipsCaption()), pit::MB_OK | pit::MB_ICONINFORMATION);
        m_widths[i] = 0;
        UpdateData(false);
    }
    width->setEnabled(false);
}

void CPrintCurve::Apply() {
    UpdateData(true);
    for (size_t i = 0; i < 8; ++i) {
        CCurveStyle::Pen& pen = m_style->m_pens[i];
        pen.color = m_colours[i];
        pen.style = m_styles[i];
        pen.width = m_widths[i];
    }
    m_style->IsSmooth = m_bSmooth;
}
