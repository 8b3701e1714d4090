// The single-pile report settings page.
#include "reports/SglRepSetPage.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "core/doc/KEV_DUXDoc.h"
#include "core/doc/PrintSettings.h"
#include "core/wave/WaveRecord.h"
#include "reports/PageWidgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

using namespace pit::pages;

CSglRepSetPage::CSglRepSetPage(CKEV_DUXDoc* doc, CPrintSettings* settings)
    : m_doc(doc), m_pSettings(settings) {}

CSglRepSetPage::~CSglRepSetPage() {
    delete m_page;
}

QString CSglRepSetPage::TabText() const {
    return QStringLiteral("单桩报告设置");
}

QWidget* CSglRepSetPage::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    pit::SetCtrlId(page, kDialogId);
    m_page = page;
    CPrintSettings& s = *m_pSettings;

    QComboBox* language = MakeCombo(page, kLanguage);
    QComboBox* format = MakeCombo(page, kFormat);
    QComboBox* infoType = MakeCombo(page, kInfoType);
    QComboBox* thickness = MakeCombo(page, kThickness);
    QComboBox* ruler = MakeCombo(page, kRuler);
    auto* grid = new QGridLayout(page);
    const struct {
        const char16_t* zh;
        const char* en;
        QWidget* field;
    } rows[] = {{u"报告语言:", "Report language:", language},
                {u"报告格式:", "Report format:", format},
                {u"信息统计格式:", "Statistics format:", infoType},
                {u"波形粗细:", "Wave line width:", thickness},
                {u"标尺单位:", "Ruler unit:", ruler},
                {u"设计桩顶标高(m):", "Design top level(m):", MakeEdit(page, 1042)},
                {u"设计桩端标高(m):", "Design toe level(m):", MakeEdit(page, 1048)},
                {u"实测桩顶标高(m):", "Measured top level(m):", MakeEdit(page, 1050)}};
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(MakeLabel(page, Tr(r.zh, r.en)), row, 0);
        grid->addWidget(r.field, row++, 1);
    }
    grid->setRowStretch(row, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));

    RefillQuiet(infoType, TrList({u"格式1", u"格式2", u"格式3"}, {"Format1", "Format2", "Format3"}));
    SelectQuiet(infoType, s.m_nInfoType);
    RefillQuiet(thickness, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                            QStringLiteral("4"), QStringLiteral("5")});
    SelectQuiet(thickness, m_doc ? m_doc->m_nWaveWidth - 1 : 0);
    RefillQuiet(ruler, TrList({u"时间", u"长度"}, {"Time", "Length"}));
    // The second record has a current wave only once a pile was loaded into
    // it; before that the document's ruler unit stands.
    int axis = m_doc ? m_doc->m_nShowStyle : 1;
    if (m_doc)
        if (const CWaveRecord* w = m_doc->m_PileRecord2.CurrentChannel())
            axis = w->GetAxisMode();
    SelectQuiet(ruler, axis - 1);
    // The language that prints; opening the page changes nothing.
    RefillQuiet(language, TrList({u"中文", u"英文"}, {"Chinese", "English"}));
    SelectQuiet(language, s.m_bLanguage == 1 ? 1 : 0);
    RefillQuiet(format, TrList({u"格式1", u"格式2"}, {"Format1", "Format2"}));
    SelectQuiet(format, s.m_nSingleRepType);

    QObject::connect(language, &QComboBox::activated, page, [this](int i) {
        m_pSettings->m_bLanguage = i;
        m_pSettings->m_nSingleLan = i;
    });
    QObject::connect(format, &QComboBox::activated, page,
                     [this](int i) { m_pSettings->m_nSingleRepType = i; });
    QObject::connect(infoType, &QComboBox::activated, page, [this](int i) { m_pSettings->m_nInfoType = i; });
    QObject::connect(thickness, &QComboBox::activated, page, [this](int i) {
        if (m_doc)
            m_doc->m_nWaveWidth = i + 1;
        CMyPropertySheet::RequestRefreshFrom(m_page, 6, 0);
    });
    QObject::connect(ruler, &QComboBox::activated, page, [this](int i) {
        if (m_doc)
            m_doc->m_nShowStyle = i + 1;
        CMyPropertySheet::RequestRefreshFrom(m_page, 6, 0);
    });
    return page;
}
