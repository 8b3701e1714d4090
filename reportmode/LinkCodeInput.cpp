#include "reportmode/LinkCodeInput.h"

#include "analysis/FrameServices.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "database/DatabaseConfig.h"
#include "platform/MessageSink.h"
#include "res/ids.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace pit;

namespace {

int g_lastUserType = -1;

} // namespace

int CLinkCodeInput::LastUserType() {
    return g_lastUserType;
}

void CLinkCodeInput::SetLastUserType(int type) {
    g_lastUserType = type;
}

CLinkCodeInput::CLinkCodeInput(const QString& intranetPreset, const QString& extranetPreset, QWidget* parent)
    : CDialogExt(kTemplateId, parent), m_nUserType(g_lastUserType), m_intranetPreset(intranetPreset),
      m_extranetPreset(extranetPreset) {
    setWindowTitle(QStringLiteral("工程信息输入"));
    auto* top = new QVBoxLayout(this);
    top->addWidget(WithCtrlId(new QLabel(QStringLiteral("请输入工程信息字段："), this), IDC_PROMPT));

    auto* grid = new QGridLayout;
    auto line = [this](int id) {
        auto* e = new QLineEdit(this);
        SetCtrlId(e, id);
        return e;
    };
    m_entrustNo = line(IDC_ENTRUST_NO);
    m_tester1 = line(IDC_TESTER1);
    m_tester2 = line(IDC_TESTER2);
    m_device1 = line(IDC_DEVICE1);
    m_device2 = line(IDC_DEVICE2);
    m_conclusion = new QPlainTextEdit(this);
    SetCtrlId(m_conclusion, IDC_CONCLUSION);
    m_conclusion->setTabChangesFocus(true);
    m_conclusion->setFixedHeight(m_entrustNo->sizeHint().height() * 3);
    const char16_t* labels[] = {u"委托单编号：", u"第一实验人：", u"第二实验人：",
                                u"设备编号1：",  u"设备编号2：",  u"结论与建议："};
    QWidget* fields[] = {m_entrustNo, m_tester1, m_tester2, m_device1, m_device2, m_conclusion};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(WithCtrlId(new QLabel(QString::fromUtf16(labels[i]), this), IDC_LABEL_FIRST + i), i,
                        0);
        grid->addWidget(fields[i], i, 1, 1, 2);
    }

    grid->addWidget(WithCtrlId(new QLabel(QStringLiteral("用户类型："), this), IDC_USER_TYPE_LABEL), 6, 0);
    m_intranet = new QRadioButton(QStringLiteral("内网用户"), this);
    SetCtrlId(m_intranet, IDC_INTRANET_USER);
    m_extranet = new QRadioButton(QStringLiteral("外网用户"), this);
    SetCtrlId(m_extranet, IDC_EXTRANET_USER);
    m_userType = new QButtonGroup(this);
    m_userType->addButton(m_intranet, 0);
    m_userType->addButton(m_extranet, 1);
    grid->addWidget(m_intranet, 6, 1);
    grid->addWidget(m_extranet, 6, 2);

    grid->addWidget(WithCtrlId(new QLabel(QStringLiteral("服务器IP:"), this), IDC_SERVER_LABEL), 7, 0);
    // Digits and dots only; a complete address is checked on OK.
    const QRegularExpression partial(QStringLiteral(R"(\d{0,3}(\.\d{0,3}){0,3})"));
    auto address = [&](int id) {
        auto* e = new QLineEdit(this);
        SetCtrlId(e, id);
        e->setValidator(new QRegularExpressionValidator(partial, e));
        return e;
    };
    m_intranetIp = address(IDC_INTRANET_IP);
    m_extranetIp = address(IDC_EXTRANET_IP);
    grid->addWidget(m_intranetIp, 7, 1);
    grid->addWidget(m_extranetIp, 7, 2);
    top->addLayout(grid);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    SetCtrlId(ok, ids::IDOK);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    SetCtrlId(cancel, ids::IDCANCEL);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(ok, &QPushButton::clicked, this, &CLinkCodeInput::accept);
    connect(cancel, &QPushButton::clicked, this, &CLinkCodeInput::reject);
    top->addWidget(buttons);

    connect(m_intranet, &QRadioButton::clicked, this, &CLinkCodeInput::OnUserType);
    connect(m_extranet, &QRadioButton::clicked, this, &CLinkCodeInput::OnUserType);

    pit::TranslateDialog(this, kTemplateId);

    SetDefaultAddresses();
    if (m_nUserType == 0)
        m_intranet->setChecked(true);
    else if (m_nUserType == 1)
        m_extranet->setChecked(true);
    EnableAddressFields(m_nUserType != 0);
    m_entrustNo->setFocus();
}

void CLinkCodeInput::SetDefaultAddresses() {
    m_intranetIp->setText(m_intranetPreset);
    m_extranetIp->setText(m_extranetPreset);
}

void CLinkCodeInput::EnableAddressFields(bool extranet) {
    m_intranetIp->setEnabled(!extranet);
    m_extranetIp->setEnabled(false);
}

void CLinkCodeInput::OnUserType() {
    EnableAddressFields(!m_intranet->isChecked());
}

void CLinkCodeInput::accept() {
    const bool english = ui::english();
    const QString caption = QString::fromUtf16(ui::tipsCaption());
    if (m_entrustNo->text().isEmpty()) {
        sink().show(english ? QStringLiteral("The order number must not be empty!")
                            : QStringLiteral("字符串不能为空！"),
                    caption, MB_OK);
        m_entrustNo->setFocus();
        return;
    }
    const int type = m_userType->checkedId(); // -1 when neither is chosen
    const std::optional<uint32_t> intranet = ParseIpAddress(m_intranetIp->text());
    // The intranet user's address is typed here; refuse one that is not complete.
    if (type == 0 && !intranet) {
        sink().show(english ? QStringLiteral("Please enter a complete server IP address (a.b.c.d)!")
                            : QStringLiteral("请输入完整的服务器IP地址（a.b.c.d）！"),
                    caption, MB_OK);
        m_intranetIp->setFocus();
        return;
    }
    m_strEntrustNo = m_entrustNo->text();
    m_strTester1 = m_tester1->text();
    m_strTester2 = m_tester2->text();
    m_strDevice1 = m_device1->text();
    m_strDevice2 = m_device2->text();
    m_strConclusion = m_conclusion->toPlainText();
    m_nUserType = type;
    m_dwIntranetIp = intranet.value_or(0);
    m_dwExtranetIp = ParseIpAddress(m_extranetIp->text()).value_or(0);
    g_lastUserType = m_nUserType;
    CDialogExt::accept();
}

UploadOrder CLinkCodeInput::Values() const {
    UploadOrder o;
    o.entrustNo = m_strEntrustNo;
    o.tester1 = m_strTester1;
    o.tester2 = m_strTester2;
    o.device1 = m_strDevice1;
    o.device2 = m_strDevice2;
    o.conclusion = m_strConclusion;
    o.userType = m_nUserType;
    o.intranetIp = m_dwIntranetIp;
    o.extranetIp = m_dwExtranetIp;
    return o;
}

std::function<std::optional<UploadOrder>()> CLinkCodeInput::MakeAsker(const DatabaseConfig& config,
                                                                      QWidget* parent) {
    return [intranet = config.intranetAddress, extranet = config.extranetAddress,
            parent]() -> std::optional<UploadOrder> {
        CLinkCodeInput dlg(intranet, extranet, parent);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.Values();
    };
}
