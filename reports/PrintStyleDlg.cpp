// The printed items page.
#include "reports/PrintStyleDlg.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "core/doc/PrintSettings.h"
#include "reports/PageWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>

using namespace pit::pages;

namespace pit {

PrintItemEnables ApplyPrintItemRules(CPrintSettings& s) {
    PrintItemEnables e;
    if (s.m_nInfoType == 2) {
        s.m_bWorkDate = 0;
        s.m_bKuoDi = 0;
        s.m_bStrongLevel = 0;
        s.m_bReportRemark = 1;
    }
    s.m_bTestDate = s.m_nInfoType == 2 ? 0 : 1;
    e.statistics = s.m_nInfoType != 2;
    if (!s.m_bWaveInfo[4])
        s.m_bWaveInfo[3] = 0;
    e.vmax = s.m_bWaveInfo[4] != 0;
    if (!s.m_bHeadInfo[6])
        s.m_bHeadInfo[12] = 0;
    e.testTime = s.m_bHeadInfo[6] != 0;
    if (!s.m_bMoniPile)
        s.m_bWaveInfo[5] = 0;
    e.toeTime = s.m_bMoniPile != 0;
    if (s.m_nWaveGas > 3)
        s.m_bSpectrum = 0;
    e.spectrum = s.m_nWaveGas <= 3;
    return e;
}

} // namespace pit

namespace {

struct Box {
    int id;
    const char16_t* zh;
    const char* en;
};

// The boxes bound to a field, by group.
constexpr Box kProjectBoxes[] = {{1044, u"桩号", "Pile No"},
                                 {1045, u"桩长", "Length"},
                                 {1046, u"波速", "Wave speed"},
                                 {1047, u"强度等级", "Grade"},
                                 {1048, u"桩类别", "Pile class"},
                                 {1049, u"桩径", "Diameter"},
                                 {1050, u"测试日期", "Test date"},
                                 {1051, u"低通", "Low pass"},
                                 {1052, u"Exp", "Exp"},
                                 {1120, u"工程名称", "Project name"},
                                 {1062, u"仪器型号", "Instrument"},
                                 {1061, u"备注", "Remark"},
                                 {1167, u"测试时间", "Test time"},
                                 {1073, u"施工资料", "Construction data"},
                                 {1053, u"波形", "Wave"},
                                 {1054, u"模拟桩", "Simulated pile"},
                                 {1055, u"频谱", "Spectrum"},
                                 {1056, u"完整性评价", "Integrity"},
                                 {1063, u"长径比", "Length/diameter"}};
constexpr Box kWaveBoxes[] = {{1168, u"桩头", "Pile head"},  {1169, u"桩底", "Pile toe"},
                              {1170, u"缺陷", "Defects"},    {1166, u"Vmax", "Vmax"},
                              {1171, u"纵坐标", "Ordinate"}, {1328, u"桩底反射时间", "Toe reflection time"}};
constexpr Box kCountBoxes[] = {{1057, u"测试日期", "Test date"}, {1058, u"测试时间", "Test time"},
                               {1059, u"扩底", "Enlarged base"}, {1060, u"强度", "Strength"},
                               {1064, u"备注", "Remark"},        {1345, u"施工资料", "Construction data"}};
// The fixed columns of the statistics report: always printed.
constexpr Box kFixedBoxes[] = {{1065, u"序号", "No."},         {1066, u"桩号", "Pile No"},
                               {1067, u"桩长", "Length"},      {1068, u"桩径", "Diameter"},
                               {1069, u"波速", "Wave speed"},  {1070, u"完整性描述", "Integrity"},
                               {1071, u"桩类别", "Pile class"}};

int* fieldOf(CPrintSettings& s, int id) {
    switch (id) {
    case 1044:
        return &s.m_bHeadInfo[0];
    case 1045:
        return &s.m_bHeadInfo[1];
    case 1046:
        return &s.m_bHeadInfo[2];
    case 1047:
        return &s.m_bHeadInfo[3];
    case 1048:
        return &s.m_bHeadInfo[4];
    case 1049:
        return &s.m_bHeadInfo[5];
    case 1050:
        return &s.m_bHeadInfo[6];
    case 1051:
        return &s.m_bHeadInfo[7];
    case 1052:
        return &s.m_bHeadInfo[8];
    case 1120:
        return &s.m_bHeadInfo[9];
    case 1062:
        return &s.m_bHeadInfo[10];
    case 1061:
        return &s.m_bHeadInfo[11];
    case 1167:
        return &s.m_bHeadInfo[12];
    case 1073:
        return &s.m_bHeadInfo[13];
    case 1053:
        return &s.m_bWave;
    case 1054:
        return &s.m_bMoniPile;
    case 1055:
        return &s.m_bSpectrum;
    case 1056:
        return &s.m_bQualityAssess;
    case 1063:
        return &s.m_bScale;
    case 1168:
        return &s.m_bWaveInfo[0];
    case 1169:
        return &s.m_bWaveInfo[1];
    case 1170:
        return &s.m_bWaveInfo[2];
    case 1166:
        return &s.m_bWaveInfo[3];
    case 1171:
        return &s.m_bWaveInfo[4];
    case 1328:
        return &s.m_bWaveInfo[5];
    case 1057:
        return &s.m_bTestDate;
    case 1058:
        return &s.m_bTestTime;
    case 1059:
        return &s.m_bKuoDi;
    case 1060:
        return &s.m_bStrongLevel;
    case 1064:
        return &s.m_bReportRemark;
    case 1345:
        return &s.m_bPrintCountType;
    default:
        return nullptr;
    }
}

template <size_t N>
void addBoxes(QWidget* group, QGridLayout* grid, const Box (&boxes)[N], int columns, int row = 0) {
    int i = 0;
    for (const Box& b : boxes) {
        grid->addWidget(MakeCheck(group, b.id, Tr(b.zh, b.en)), row + i / columns, i % columns);
        ++i;
    }
}

} // namespace

CPrintStyleDlg::CPrintStyleDlg(CPrintSettings* settings) : m_pSettings(settings) {}

CPrintStyleDlg::~CPrintStyleDlg() {
    delete m_page;
}

QString CPrintStyleDlg::TabText() const {
    return QStringLiteral("打印样式选择");
}

QWidget* CPrintStyleDlg::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    pit::SetCtrlId(page, kDialogId);
    m_page = page;
    auto* top = new QVBoxLayout(page);

    auto* project = MakeGroup(page, 1108, Tr(u"工程报告样式选择", "Project report items"));
    auto* pg = new QGridLayout(project);
    addBoxes(project, pg, kProjectBoxes, 5);
    pg->addWidget(MakeCheck(project, kWorkDate, Tr(u"施工日期", "Construction date")), 4, 0);
    pg->addWidget(MakeCheck(project, kAge, Tr(u"龄期", "Age")), 4, 1);
    auto* wave = MakeGroup(page, 1174, Tr(u"波形信息选择", "Wave items"));
    auto* wg = new QGridLayout(wave);
    addBoxes(wave, wg, kWaveBoxes, 3);
    auto* count = MakeGroup(page, 1107, Tr(u"信息统计报告样式选择", "Statistics report items"));
    auto* cg = new QGridLayout(count);
    addBoxes(count, cg, kFixedBoxes, 4);
    addBoxes(count, cg, kCountBoxes, 4, 2);
    cg->addWidget(MakeCheck(count, kCountDate, Tr(u"施工日期", "Construction date")), 4, 0);
    cg->addWidget(MakeCheck(count, kCountAge, Tr(u"龄期", "Age")), 4, 1);
    top->addWidget(project);
    top->addWidget(wave);
    top->addWidget(count);
    top->addStretch(1);

    pit::TranslateDialog(page, unsigned(kDialogId));

    for (const Box& b : kFixedBoxes) {
        auto* c = qobject_cast<QCheckBox*>(pit::FindCtrl(page, b.id));
        c->setChecked(true);
        c->setEnabled(false);
    }
    Load();

    auto onClick = [this, page](int id, auto handler) {
        QObject::connect(qobject_cast<QCheckBox*>(pit::FindCtrl(page, id)), &QCheckBox::clicked, page,
                         handler);
    };
    onClick(kTestDate, [this] {
        UpdateData(true);
        if (!m_pSettings->m_bHeadInfo[6])
            m_pSettings->m_bHeadInfo[12] = 0;
        UpdateData(false);
        EnableBox(kTestTime, m_pSettings->m_bHeadInfo[6] != 0);
    });
    onClick(kOrdinate, [this] {
        UpdateData(true);
        if (!m_pSettings->m_bWaveInfo[4])
            m_pSettings->m_bWaveInfo[3] = 0;
        UpdateData(false);
        EnableBox(kVmax, m_pSettings->m_bWaveInfo[4] != 0);
    });
    onClick(kMoniPile, [this](bool on) {
        EnableBox(kToeTime, on);
        if (!on)
            CheckQuiet(qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, kToeTime)), false);
    });
    onClick(kConstruct, [this] {
        int& item = m_pSettings->m_bHeadInfo[13];
        item = item ? 0 : 1;
        CheckPairs();
    });
    onClick(kCountType, [this] {
        m_pSettings->m_bPrintCountType = m_pSettings->m_bPrintCountType ? 0 : 1;
        CheckPairs();
    });
    CPrintSettings& s = *m_pSettings;
    const struct {
        int id;
        int* field;
        int value;
    } pairs[] = {{kWorkDate, &s.m_iPrintType, 0},
                 {kAge, &s.m_iPrintType, 1},
                 {kCountDate, &s.m_iPrintCountType, 0},
                 {kCountAge, &s.m_iPrintCountType, 1}};
    for (const auto& p : pairs)
        onClick(p.id, [this, field = p.field, value = p.value] {
            *field = value;
            CheckPairs();
        });
    return page;
}

void CPrintStyleDlg::Load() {
    const pit::PrintItemEnables e = pit::ApplyPrintItemRules(*m_pSettings);
    for (int id : {1057, 1058, 1059, 1060, 1064})
        EnableBox(id, e.statistics);
    EnableBox(kVmax, e.vmax);
    EnableBox(kTestTime, e.testTime);
    EnableBox(kToeTime, e.toeTime);
    EnableBox(kSpectrum, e.spectrum);
    UpdateData(false);
    CheckPairs();
    m_shownSet = StyleSetOf(*m_pSettings);
}

int CPrintStyleDlg::StyleSetOf(const CPrintSettings& s) {
    return s.m_nProType == 1 ? 1 : 0;
}

void CPrintStyleDlg::FollowStoredSet() {
    CPrintSettings& s = *m_pSettings;
    if (!m_page || StyleSetOf(s) == m_shownSet)
        return;
    // The report format changed on another page: the boxes still show the
    // set it parked. Their ticks go into that set, and the boxes show the
    // set now stored.
    CPrintStyleInfo& parked = m_shownSet == 1 ? static_cast<CPrintStyleInfo&>(s.m_PITStyle) : s.m_DUXStyle;
    CPrintSettings shown = s;
    shown.ExchangeStyle(parked, false);
    UpdateData(true, shown);
    shown.ExchangeStyle(parked, true);
    // The fields outside the style sets belong to every format.
    s.m_bQualityAssess = shown.m_bQualityAssess;
    s.m_bTestDate = shown.m_bTestDate;
    s.m_bTestTime = shown.m_bTestTime;
    s.m_bKuoDi = shown.m_bKuoDi;
    s.m_bStrongLevel = shown.m_bStrongLevel;
    s.m_bReportRemark = shown.m_bReportRemark;
    s.m_bPrintCountType = shown.m_bPrintCountType;
    Load();
}

void CPrintStyleDlg::Apply() {
    FollowStoredSet();
    UpdateData(true);
}

void CPrintStyleDlg::EnableBox(int id, bool on) {
    if (QWidget* w = pit::FindCtrl(m_page, id))
        w->setEnabled(on);
}

void CPrintStyleDlg::UpdateData(bool save) {
    UpdateData(save, *m_pSettings);
}

void CPrintStyleDlg::UpdateData(bool save, CPrintSettings& s) {
    if (!m_page)
        return;
    auto exchange = [&](const Box& b) {
        auto* c = qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, b.id));
        int* field = fieldOf(s, b.id);
        if (!c || !field)
            return;
        if (save)
            *field = c->isChecked() ? 1 : 0;
        else
            CheckQuiet(c, *field != 0);
    };
    for (const Box& b : kProjectBoxes)
        exchange(b);
    for (const Box& b : kWaveBoxes)
        exchange(b);
    for (const Box& b : kCountBoxes)
        exchange(b);
}

void CPrintStyleDlg::CheckPairs() {
    const CPrintSettings& s = *m_pSettings;
    auto box = [this](int id) { return qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, id)); };
    const bool construct = s.m_bHeadInfo[13] != 0;
    const bool count = s.m_bPrintCountType != 0;
    for (int id : {kWorkDate, kAge})
        box(id)->setEnabled(construct);
    for (int id : {kCountDate, kCountAge})
        box(id)->setEnabled(count);
    CheckQuiet(box(kWorkDate), s.m_iPrintType == 0);
    CheckQuiet(box(kAge), s.m_iPrintType != 0);
    CheckQuiet(box(kCountDate), s.m_iPrintCountType == 0);
    CheckQuiet(box(kCountAge), s.m_iPrintCountType != 0);
}
