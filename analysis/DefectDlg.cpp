// The defect dialog: two clicks mark a defect (type and severity), one the
// head or the pile bottom.
#include "analysis/DefectDlg.h"

#include "analysis/FrameServices.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <array>

namespace {

struct ButtonText {
    int id;
    const char16_t* zh;
    const char16_t* en;
};

constexpr std::array<ButtonText, 6> kTypeButtons{{
    {CDefectDlg::kNecking, u"缩径(&S)", u"Necking(&S)"},
    {CDefectDlg::kSegregation, u"离析(&L)", u"Segregation(&L)"},
    {CDefectDlg::kFracture, u"断裂(&D)", u"Fracture(&D)"},
    {CDefectDlg::kCrack, u"裂纹(&C)", u"Crack(&C)"},
    {CDefectDlg::kDefect, u"缺陷(&X)", u"Defect(&X)"},
    {CDefectDlg::kBulging, u"扩径(&K)", u"Bulging(&K)"},
}};
constexpr std::array<ButtonText, 3> kSeverityButtons{{
    {CDefectDlg::kSlight, u"轻微(&Q)", u"Slight(&Q)"},
    {CDefectDlg::kOrdinary, u"普通(&G)", u"Ordinary(&G)"},
    {CDefectDlg::kSerious, u"严重(&Y)", u"Serious(&Y)"},
}};
constexpr std::array<ButtonText, 3> kBottomButtons{{
    {CDefectDlg::kFlat, u"平底(&P)", u"Flat(&P)"},
    {CDefectDlg::kPointed, u"尖底(&I)", u"Pointed(&I)"},
    {CDefectDlg::kEnlarged, u"扩底(&B)", u"Enlarged(&B)"},
}};

QString Text(const char16_t* zh, const char16_t* en) {
    return QString::fromUtf16(pit::ui::english() ? en : zh);
}

} // namespace

bool CDefectDlg::ApplyButton(pit::DefectChoice& c, int id) {
    switch (id) {
    case kNecking:
        c.type = 0;
        c.typeChosen = true;
        break;
    case kSegregation:
        c.type = 1;
        c.typeChosen = true;
        break;
    case kFracture:
        c.type = 2;
        c.typeChosen = true;
        break;
    case kCrack:
        c.type = 3;
        c.typeChosen = true;
        break;
    case kDefect:
        c.type = 4;
        c.typeChosen = true;
        break;
    case kBulging:
        c.type = 5;
        c.typeChosen = true;
        break;
    case kSlight:
        c.severity = 0;
        c.severityChosen = true;
        break;
    case kOrdinary:
        c.severity = 1;
        c.severityChosen = true;
        break;
    case kSerious:
        c.severity = 2;
        c.severityChosen = true;
        break;
    case kHead:
        c.headChosen = true;
        break;
    case kFlat:
        c.bottom = 0;
        c.bottomChosen = true;
        break;
    case kPointed:
        c.bottom = 1;
        c.bottomChosen = true;
        break;
    case kEnlarged:
        c.bottom = 2;
        c.bottomChosen = true;
        break;
    default:
        break;
    }
    return (c.typeChosen && c.severityChosen) || c.headChosen || c.bottomChosen;
}

bool CDefectDlg::ButtonEnabled(bool defectMode, int id) {
    const bool bottom = id == kFlat || id == kPointed || id == kEnlarged;
    if (id == kCancel)
        return true;
    return defectMode ? !bottom : bottom;
}

QRect CDefectDlg::Placement(const QRect& spot, QSize client) {
    const int W = client.width();
    const int H = client.height();
    const int h = spot.height();
    const int height = H + int(1.5 * h);
    const int left = spot.left(), top = spot.top();
    const int right = spot.left() + spot.width(), bottom = spot.top() + spot.height();
    const int x = left < W ? right : left - W;
    const int y = top < H ? bottom : top - H;
    return QRect(x, y, W, height);
}

CDefectDlg::CDefectDlg(bool defectMode, QWidget* parent) : QDialog(parent), m_defectMode(defectMode) {
    pit::SetCtrlId(this, kTemplateId);
    setWindowTitle(Text(u"缺陷定义", u"Defect Definition"));
    setObjectName(QStringLiteral("CDefectDlg"));
    setStyleSheet(QStringLiteral("CDefectDlg { background-color: rgb(245,245,245); }"));

    auto makeGroup = [this](int id, const char16_t* zh, const char16_t* en, auto buttons, int columns) {
        auto* box = new QGroupBox(Text(zh, en), this);
        pit::SetCtrlId(box, id);
        auto* grid = new QGridLayout(box);
        int k = 0;
        for (const ButtonText& b : buttons) {
            auto* button = new QPushButton(Text(b.zh, b.en), box);
            pit::SetCtrlId(button, b.id);
            button->setAutoDefault(false);
            button->setDefault(b.id == kDefect);
            button->setEnabled(ButtonEnabled(m_defectMode, b.id));
            connect(button, &QPushButton::clicked, this, [this, id = b.id] { OnButton(id); });
            grid->addWidget(button, k / columns, k % columns);
            ++k;
        }
        return box;
    };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeGroup(kTypeGroup, u"请选择缺陷类型", u"Choose the defect type", kTypeButtons, 3));
    layout->addWidget(
        makeGroup(kSeverityGroup, u"请选择缺陷严重程度", u"Choose the severity", kSeverityButtons, 3));
    auto* row = new QHBoxLayout;
    row->addWidget(makeGroup(kHeadGroup, u"桩头", u"Pile head",
                             std::array<ButtonText, 1>{{{kHead, u"桩头(&Z)", u"Head(&Z)"}}}, 1));
    row->addWidget(makeGroup(kBottomGroup, u"桩底类型", u"Pile bottom", kBottomButtons, 3));
    layout->addLayout(row);
    auto* cancel = new QPushButton(Text(u"取消", u"Cancel"), this);
    pit::SetCtrlId(cancel, kCancel);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(cancel, 0, Qt::AlignRight);

    pit::TranslateDialog(this, kTemplateId);
}

void CDefectDlg::OnButton(int id) {
    if (!ButtonEnabled(m_defectMode, id))
        return;
    if (ApplyButton(m_choice, id)) {
        m_choice.ok = true;
        accept();
    }
}

void CDefectDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (m_placed || placement.isNull())
        return;
    m_placed = true;
    const QRect r = Placement(placement, size());
    setGeometry(r);
}

namespace pit {

DefectChoice QtDefectAsker::ask(bool defectMode, const QRect& spot, QWidget* parent) {
    CDefectDlg dlg(defectMode, parent);
    dlg.placement = spot;
    if (dlg.exec() != QDialog::Accepted)
        return {};
    return dlg.Choice();
}

} // namespace pit
