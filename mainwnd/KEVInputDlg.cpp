#include "mainwnd/KEVInputDlg.h"

#include "controls/CtrlId.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "res/ids.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CKEVInputDlg::CKEVInputDlg(const QString& fileName, const pit::KevInputSettings& settings, QWidget* parent)
    : CDialogExt(kTemplateId, parent), m_strFileName(fileName), m_settings(settings) {
    const bool en = pit::ui::english();
    auto tr = [en](const char* zh, const char* e) {
        return en ? QString::fromUtf8(e) : QString::fromUtf8(zh);
    };
    setWindowTitle(tr("KEV文件转换-参数输入", "KEV File Conversion - Parameters"));

    auto* top = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(pit::WithCtrlId(new QLabel(tr("当前文件:", "Current file:"), this), IDC_FILE_LABEL));
    m_fileName = new QLabel(QFileInfo(fileName).fileName(), this);
    m_fileName->setToolTip(fileName);
    pit::SetCtrlId(m_fileName, IDC_FILE_NAME);
    pit::MarkAsValue(m_fileName);
    fileRow->addWidget(m_fileName, 1);
    top->addLayout(fileRow);

    auto* group = pit::WithCtrlId(new QGroupBox(tr("参数输入", "Parameters"), this), IDC_PARAMETERS);
    auto* form = new QFormLayout(group);
    m_diameter = new QLineEdit(group);
    pit::SetCtrlId(m_diameter, IDC_DIAMETER);
    m_useForAll = new QCheckBox(tr("统一", "Use for all"), group);
    pit::SetCtrlId(m_useForAll, IDC_USE_FOR_ALL);
    form->addRow(pit::WithCtrlId(new QLabel(tr("桩径(mm):", "Diameter (mm):"), group), IDC_DIAMETER_LABEL),
                 m_diameter);
    form->addRow(QString(), m_useForAll);
    top->addWidget(group);

    auto* ok = new QPushButton(tr("确定", "OK"), this);
    pit::SetCtrlId(ok, ids::IDOK);
    ok->setDefault(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    connect(ok, &QPushButton::clicked, this, &CKEVInputDlg::accept);
    top->addWidget(buttons);

    pit::TranslateDialog(this, kTemplateId);
    m_diameter->setText(QString::number(m_settings.diameterMm));
    m_useForAll->setChecked(m_settings.useForAll);
}

void CKEVInputDlg::ValidateInput(int* badId, QString* message) {
    int value = 0;
    const pit::FieldError e = pit::ValidateKevDiameter(m_diameter->text(), value, pit::ui::english());
    if (!e.message.isEmpty()) {
        m_diameter->setText(QString::number(m_settings.diameterMm));
        *badId = e.ctrlId;
        *message = e.message;
        return;
    }
    m_settings.diameterMm = value;
    m_settings.useForAll = m_useForAll->isChecked();
}

pit::KevDiameterAsker CKEVInputDlg::MakeAsker(QWidget* parent) {
    return [parent](int& diameterMm, pit::KevInputSettings& settings, const QString& targetPath) {
        pit::KevInputSettings shown = settings;
        shown.diameterMm = diameterMm;
        CKEVInputDlg dlg(targetPath, shown, parent);
        if (dlg.exec() != QDialog::Accepted)
            return false;
        settings = dlg.Settings();
        diameterMm = settings.diameterMm;
        return true;
    };
}
