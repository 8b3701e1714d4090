// The display settings page.
#include "mainwnd/DisplaySetDlg.h"

#include "controls/ColorPicker.h"
#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/wave/WaveContext.h"
#include "core/wave/WaveRecord.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

namespace pit {

DisplaySettings DisplaySettings::From(const WaveContext& wave, const CKEV_DUXDoc& doc) {
    DisplaySettings s;
    s.lineWeight = wave.Display().waveLineDivisor;
    s.centreStyle = wave.Display().centreStyle;
    s.waveColour = wave.DefaultWaveColour();
    s.centreColour = wave.Display().centreColour;
    s.decimals = doc.m_nDecimalPointNum;
    return s;
}

void ApplyDisplaySettings(const DisplaySettings& s, WaveContext& wave, CKEV_DUXDoc& doc) {
    doc.m_nDecimalPointNum = s.decimals;
    doc.m_PileRecord.SetDecimalCount(s.decimals);
    wave.Display().waveLineDivisor = s.lineWeight;
    wave.Display().centreStyle = s.centreStyle;
    wave.Display().centreColour = s.centreColour;
    wave.SetDefaultWaveColour(s.waveColour);
    // Channels read take the default colour when made; the open pile's
    // channels carry their own copy.
    for (int i = 0; i < doc.m_PileRecord.ChannelCountInList(); ++i)
        if (CWaveRecord* ch = doc.m_PileRecord.Channel(i))
            ch->colours[1] = s.waveColour;
}

} // namespace pit

CDisplaySetDlg::CDisplaySetDlg(CKEV_DUXDoc* doc, pit::WaveContext* wave)
    : m_doc(doc), m_wave(wave ? wave : &pit::WaveContext::Default()) {
    if (m_doc)
        m_values = pit::DisplaySettings::From(*m_wave, *m_doc);
}

QString CDisplaySetDlg::TabText() const {
    return QStringLiteral("显示设置"); // the sheet names the page in the interface language
}

QWidget* CDisplaySetDlg::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* grid = new QGridLayout(page);
    const bool en = pit::ui::english();
    auto tr = [en](const char16_t* zh, const char* english) {
        return en ? QString::fromLatin1(english) : QString::fromUtf16(zh);
    };
    auto radio = [&](const QString& text, int id) {
        auto* r = new QRadioButton(text, page);
        pit::SetCtrlId(r, id);
        return r;
    };
    auto* weight = new QButtonGroup(page);
    m_thick = radio(tr(u"粗线", "Thick line"), kThick);
    m_thin = radio(tr(u"细线", "Thin line"), kThin);
    weight->addButton(m_thick);
    weight->addButton(m_thin);
    auto* style = new QButtonGroup(page);
    m_solid = radio(tr(u"实线", "Solid line"), kSolid);
    m_dashed = radio(tr(u"虚线", "Dashed line"), kDashed);
    style->addButton(m_solid);
    style->addButton(m_dashed);
    m_wavePicker = new CColorPicker(page);
    pit::SetCtrlId(m_wavePicker, kWaveColour);
    m_centrePicker = new CColorPicker(page);
    pit::SetCtrlId(m_centrePicker, kCentreColour);

    grid->addWidget(m_thick, 0, 0);
    grid->addWidget(m_thin, 0, 1);
    grid->addWidget(m_wavePicker, 0, 2);
    grid->addWidget(m_solid, 1, 0);
    grid->addWidget(m_dashed, 1, 1);
    grid->addWidget(m_centrePicker, 1, 2);

    auto* box = pit::WithCtrlId(new QGroupBox(tr(u"桩长小数点设置", "Decimals of the pile length"), page),
                            kDecimalsGroup);
    auto* boxGrid = new QGridLayout(box);
    boxGrid->addWidget(pit::WithCtrlId(new QLabel(tr(u"小数点位数", "Decimal places"), box), kDecimalsLabel), 0,
                       0);
    m_decimals = new QComboBox(box);
    pit::SetCtrlId(m_decimals, kDecimals);
    for (int n = 1; n <= 6; ++n)
        m_decimals->addItem(QString::number(n));
    boxGrid->addWidget(m_decimals, 0, 1);
    grid->addWidget(box, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));

    (m_values.lineWeight == 1 ? m_thin : m_thick)->setChecked(true);
    (m_values.centreStyle == 1 ? m_dashed : m_solid)->setChecked(true);
    m_wavePicker->SetColor(m_values.waveColour, false);
    m_centrePicker->SetColor(m_values.centreColour, false);
    m_decimals->setCurrentIndex(std::clamp(m_values.decimals - 1, 0, m_decimals->count() - 1));
    QObject::connect(m_wavePicker, &CColorPicker::colorChosen, page,
                     [this](int, pit::COLORREF c) { m_values.waveColour = c; });
    QObject::connect(m_centrePicker, &CColorPicker::colorChosen, page,
                     [this](int, pit::COLORREF c) { m_values.centreColour = c; });
    m_page = page;
    return page;
}

void CDisplaySetDlg::UpdateData() {
    if (!m_page)
        return;
    m_values.lineWeight = m_thin->isChecked() ? 1 : 0;
    m_values.centreStyle = m_dashed->isChecked() ? 1 : 0;
    m_values.waveColour = m_wavePicker->GetColor();
    m_values.centreColour = m_centrePicker->GetColor();
    m_values.decimals = m_decimals->currentIndex() + 1;
}

void CDisplaySetDlg::Apply() {
    UpdateData();
    if (m_doc)
        pit::ApplyDisplaySettings(m_values, *m_wave, *m_doc);
}
