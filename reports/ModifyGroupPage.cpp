// The common print information page.
#include "reports/ModifyGroupPage.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "core/doc/CommonInfo.h"
#include "core/doc/OptionTables.h"
#include "core/project/ProInfoHistory.h"
#include "platform/Numbers.h"
#include "reports/PageWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <functional>

using namespace pit::pages;

namespace pit {

void PrepareCommonValues(CCommonInfo& common) {
    if (!(common.m_fSecondSide >= 1.0f && common.m_fSecondSide <= 999999.0f))
        common.m_fSecondSide = common.m_fDiameter;
}

void RestoreUnusedCommonValues(CCommonInfo& c, const CCommonInfo& s) {
    using F = CCommonInfo::Flag;
    if (!c.Use(F::ProjectName))
        c.m_strProjectName = s.m_strProjectName;
    if (!c.Use(F::TestingUnit))
        c.m_strTestingUnit = s.m_strTestingUnit;
    if (!c.Use(F::ConstructionUnit))
        c.m_strConstructionUnit = s.m_strConstructionUnit;
    if (!c.Use(F::Tester))
        c.m_strTester = s.m_strTester;
    if (!c.Use(F::TestDate))
        c.m_testDate = s.m_testDate;
    if (!c.Use(F::Instrument))
        c.m_strInstrument = s.m_strInstrument;
    if (!c.Use(F::Standard))
        c.m_strStandard = s.m_strStandard;
    if (!c.Use(F::Shape))
        c.m_nShape = s.m_nShape;
    if (!c.Use(F::Diameter)) {
        c.m_fDiameter = s.m_fDiameter;
        c.m_fSecondSide = s.m_fSecondSide;
    }
    if (!c.Use(F::EnlargedBase)) {
        c.m_fEnlarged = s.m_fEnlarged;
        c.m_fEnlarged2 = s.m_fEnlarged2;
    }
    if (!c.Use(F::Grade))
        c.m_nGradeIndex = s.m_nGradeIndex;
    if (!c.Use(F::PileClass))
        c.m_strClass = s.m_strClass;
}

GroupModeLocks ModifyGroupModeLocks(int mode) {
    if (mode == 1)
        return {{1347, 1354}, {1034, 1126, 1128}};
    if (mode == 2)
        return {{1346, 1347, 1348, 1351, 1354}, {1336, 1034, 1337, 1067, 1126, 1128}};
    return {};
}

} // namespace pit

namespace {

// A history combo gives its list the typed text when the focus leaves it.
class FocusLeaveFilter : public QObject {
public:
    FocusLeaveFilter(QObject* parent, std::function<void()> onLeave)
        : QObject(parent), m_onLeave(std::move(onLeave)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusOut)
            m_onLeave();
        return false;
    }

private:
    std::function<void()> m_onLeave;
};

} // namespace

CModifyGroupPage::CModifyGroupPage(CCommonInfo* common, CProInfoHistory* history, int mode)
    : m_pCommon(common), m_pHistory(history), m_nMode(mode) {}

CModifyGroupPage::~CModifyGroupPage() {
    delete m_page;
}

QString CModifyGroupPage::TabText() const {
    return QStringLiteral("打印信息修改");
}

QComboBox* CModifyGroupPage::combo(int id) const {
    return qobject_cast<QComboBox*>(pit::FindCtrl(m_page, id));
}

QWidget* CModifyGroupPage::CreatePage(QWidget* parent) {
    auto* page = new QWidget(parent);
    pit::SetCtrlId(page, kDialogId);
    m_page = page;
    auto* grid = new QGridLayout(page);
    const bool en = pit::ui::english();

    auto historyCombo = [page](int id, int maxLength) {
        QComboBox* c = MakeCombo(page, id);
        c->setEditable(true);
        if (maxLength > 0)
            c->lineEdit()->setMaxLength(maxLength);
        // The tool tip shows a long name in full.
        QObject::connect(c, &QComboBox::editTextChanged, c, [c](const QString& t) { c->setToolTip(t); });
        return c;
    };
    auto numberEdit = [page](int id) { return MakeEdit(page, id); };
    auto* date = new QDateTimeEdit(page);
    pit::SetCtrlId(date, kTestDate);
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date->setCalendarPopup(true);
    auto* secondMark = new QLabel(QStringLiteral("*"), page);
    pit::SetCtrlId(secondMark, kSecondMark);
    auto* enlargedMark = new QLabel(QStringLiteral("*"), page);
    pit::SetCtrlId(enlargedMark, kEnlarged2Mark);

    const struct {
        const char16_t* zh;
        const char* en;
        QWidget* field;
        QWidget* extra;
        QWidget* extraMark;
        int flag;
    } rows[] = {
        {u"工程名称", "Project name", historyCombo(kProjectName, 50), nullptr, nullptr, 0},
        {u"检测单位", "Testing unit", historyCombo(kTestingUnit, 50), nullptr, nullptr, 1},
        {u"施工单位", "Construction unit", historyCombo(kConstructionUnit, 0), nullptr, nullptr, 2},
        {u"检测人员", "Tester", historyCombo(kTester, 25), nullptr, nullptr, 3},
        {u"测试日期", "Test date", date, nullptr, nullptr, 4},
        {u"仪器型号", "Instrument", MakeCombo(page, kInstrument), nullptr, nullptr, 5},
        {u"检测依据", "Standard", MakeCombo(page, kStandard), nullptr, nullptr, 6},
        {u"桩型", "Pile shape", MakeCombo(page, kShape), nullptr, nullptr, 7},
        {u"桩径(mm)", "Diameter(mm)", numberEdit(kDiameter), numberEdit(kSecondSide), secondMark, 8},
        {u"扩底(mm)", "Enlarged base(mm)", numberEdit(kEnlarged), numberEdit(kEnlarged2), enlargedMark, 9},
        {u"砼等级", "Concrete grade", MakeCombo(page, kGrade), nullptr, nullptr, 10},
        {u"桩类别", "Pile class", MakeCombo(page, kClass), nullptr, nullptr, 11},
    };
    int row = 0;
    for (const auto& r : rows) {
        grid->addWidget(MakeLabel(page, Tr(r.zh, r.en)), row, 0);
        grid->addWidget(r.field, row, 1);
        if (r.extra) {
            grid->addWidget(r.extraMark, row, 2);
            grid->addWidget(r.extra, row, 3);
        }
        QCheckBox* flag = MakeCheck(page, kFlags[size_t(r.flag)], QString());
        flag->setToolTip(Tr(u"使用统一值", "Use the common value"));
        grid->addWidget(flag, row++, 4);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);

    pit::TranslateDialog(page, unsigned(kDialogId));

    QStringList models, standards, grades, classes;
    for (int i = 0; i < pit::options::InstrumentModelCount(); ++i)
        models << pit::options::InstrumentModel(i);
    for (int i = 0; i < pit::options::TestStandardCount(); ++i)
        standards << pit::options::TestStandard(i);
    for (int i = 0; i < pit::options::GradeCount(); ++i)
        grades << pit::options::Grade(i);
    for (int i = 0; i < 4; ++i)
        classes << pit::options::ClassName(i);
    RefillQuiet(combo(kInstrument), models);
    RefillQuiet(combo(kStandard), standards);
    RefillQuiet(combo(kGrade), grades);
    RefillQuiet(combo(kClass), classes);
    RefillQuiet(combo(kShape), {pit::options::PileShape(0, en), pit::options::PileShape(1, en)});

    UpdateData(false);
    for (int list = 0; list < 4; ++list)
        FillHistory(list);

    const pit::GroupModeLocks locks = pit::ModifyGroupModeLocks(m_nMode);
    for (int id : locks.flags) {
        auto* c = qobject_cast<QCheckBox*>(pit::FindCtrl(page, id));
        CheckQuiet(c, false);
        c->setEnabled(false);
    }
    for (int id : locks.fields)
        pit::FindCtrl(page, id)->setEnabled(false);
    ShowShapeFields();
    pit::FindCtrl(page, kEnlarged2)->setVisible(false);
    enlargedMark->setVisible(false);

    QObject::connect(combo(kShape), &QComboBox::activated, page, [this] {
        UpdateData(true);
        ShowShapeFields();
    });
    auto* diameterFlag = qobject_cast<QCheckBox*>(pit::FindCtrl(page, kFlags[8]));
    QObject::connect(diameterFlag, &QCheckBox::clicked, page, [this](bool on) {
        if (on)
            qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, kFlags[7]))->setChecked(true);
    });
    for (int list = 0; list < 4; ++list) {
        QComboBox* c = combo(kHistoryCombos[size_t(list)]);
        c->lineEdit()->installEventFilter(new FocusLeaveFilter(c, [this, c, list] {
            const QString text = c->currentText();
            if (!m_pHistory || text.isEmpty())
                return;
            m_pHistory->AddValue(list, text);
            FillHistory(list);
            c->setEditText(text);
        }));
    }
    return page;
}

void CModifyGroupPage::FillHistory(int list) {
    QComboBox* c = combo(kHistoryCombos[size_t(list)]);
    if (!c || !m_pHistory)
        return;
    const QString text = c->currentText();
    QStringList entries;
    if (const CProInfoHistory::Values* values = m_pHistory->GetList(list))
        for (int i = 0; i < std::min(m_pHistory->GetCount(list), CProInfoHistory::kMaxValues); ++i)
            entries << (*values)[size_t(i)];
    RefillQuiet(c, entries);
    const int selected = m_pHistory->GetIndex(list);
    if (selected >= 0 && selected < c->count())
        SelectQuiet(c, selected);
    else
        c->setEditText(text);
}

void CModifyGroupPage::ShowShapeFields() {
    const bool square = combo(kShape)->currentIndex() == 1;
    pit::FindCtrl(m_page, kSecondSide)->setVisible(square);
    pit::FindCtrl(m_page, kSecondMark)->setVisible(square);
}

bool CModifyGroupPage::UpdateData(bool save) {
    if (!m_page)
        return true;
    CCommonInfo& c = *m_pCommon;
    QString* texts[4] = {&c.m_strProjectName, &c.m_strTestingUnit, &c.m_strConstructionUnit, &c.m_strTester};
    const struct {
        int id;
        float* value;
    } numbers[] = {{kDiameter, &c.m_fDiameter},
                   {kEnlarged, &c.m_fEnlarged},
                   {kSecondSide, &c.m_fSecondSide},
                   {kEnlarged2, &c.m_fEnlarged2}};
    auto* date = qobject_cast<QDateTimeEdit*>(pit::FindCtrl(m_page, kTestDate));
    if (save) {
        for (const auto& n : numbers) {
            auto* e = qobject_cast<QLineEdit*>(pit::FindCtrl(m_page, n.id));
            if (!pit::parseDouble(e->text())) {
                TellNotNumber(e);
                return false;
            }
        }
        for (int i = 0; i < 4; ++i)
            *texts[i] = combo(kHistoryCombos[size_t(i)])->currentText();
        for (const auto& n : numbers)
            *n.value =
                float(*pit::parseDouble(qobject_cast<QLineEdit*>(pit::FindCtrl(m_page, n.id))->text()));
        c.m_testDate = date->dateTime();
        return true;
    }
    for (int i = 0; i < 4; ++i)
        combo(kHistoryCombos[size_t(i)])->setEditText(*texts[i]);
    for (const auto& n : numbers)
        qobject_cast<QLineEdit*>(pit::FindCtrl(m_page, n.id))->setText(pit::formatFloat32(*n.value));
    date->setDateTime(c.m_testDate);
    SelectQuiet(combo(kGrade), c.m_nGradeIndex);
    SelectQuiet(combo(kShape), c.m_nShape);
    const struct {
        int id;
        const QString* name;
    } named[] = {{kInstrument, &c.m_strInstrument}, {kStandard, &c.m_strStandard}, {kClass, &c.m_strClass}};
    for (const auto& n : named) {
        QComboBox* box = combo(n.id);
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(box->findText(*n.name));
    }
    for (size_t i = 0; i < kFlags.size(); ++i)
        CheckQuiet(qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, kFlags[i])), c.m_bUse[i]);
    return true;
}

bool CModifyGroupPage::Validate() {
    return UpdateData(true);
}

void CModifyGroupPage::Apply() {
    if (!UpdateData(true))
        return;
    CCommonInfo& c = *m_pCommon;
    c.m_nGradeIndex = std::max(0, combo(kGrade)->currentIndex());
    c.m_nShape = std::max(0, combo(kShape)->currentIndex());
    // A name the list does not hold stays as it was.
    if (combo(kInstrument)->currentIndex() >= 0)
        c.m_strInstrument = combo(kInstrument)->currentText();
    if (combo(kStandard)->currentIndex() >= 0)
        c.m_strStandard = combo(kStandard)->currentText();
    if (combo(kClass)->currentIndex() >= 0)
        c.m_strClass = combo(kClass)->currentText();
    for (size_t i = 0; i < kFlags.size(); ++i)
        c.m_bUse[i] = qobject_cast<QCheckBox*>(pit::FindCtrl(m_page, kFlags[i]))->isChecked();
}
