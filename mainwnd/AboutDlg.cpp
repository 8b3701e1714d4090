// The About box.
#include "mainwnd/AboutDlg.h"

#include "controls/CtrlId.h"
#include "controls/HyperLink.h"
#include "controls/LanguageWidgets.h"
#include "controls/UiServices.h"
#include "mainwnd/FrameCommands.h"
#include "platform/MessageSink.h"
#include "platform/Paths.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    pit::SetCtrlId(this, kTemplateId);
    setWindowTitle(QStringLiteral("关于KEV_DUX"));
    auto* box = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("KEV低应变分析程序"), this);
    pit::SetCtrlId(name, kName);
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    name->setFont(big);
    auto* version = new QLabel(VersionText(), this);
    pit::SetCtrlId(version, kVersion);
    pit::MarkAsValue(version);
    auto* link = new CHyperLink(this);
    pit::SetCtrlId(link, kLink);
    link->setText(QStringLiteral("使用手册"));
    link->SetAddress(QUrl::fromLocalFile(pit::frame::FindUserManual(pit::resourceDir())).toString());
    // The link opens the manual the help command opens, or says what is wrong.
    link->SetClickHandler([this] {
        QString zh, en;
        if (pit::frame::OpenUserManual(pit::resourceDir(), &zh, &en))
            return;
        const bool english = pit::ui::english();
        pit::ui::messages().show(english ? en : zh, english ? QStringLiteral("Tips") : QStringLiteral("提示"),
                                 pit::MB_OK | pit::MB_ICONEXCLAMATION);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("确定"));
    pit::SetCtrlId(ok, kOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    box->addWidget(name);
    box->addWidget(version);
    box->addWidget(link);
    box->addWidget(buttons);
    pit::TranslateDialog(this, kTemplateId);
    setMinimumWidth(320);
}

QString CAboutDlg::VersionText() {
    return QStringLiteral("Ver: 1.8.31008");
}
