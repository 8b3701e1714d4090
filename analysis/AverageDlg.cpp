// The averaging-source dialog.
#include "analysis/AverageDlg.h"

#include "analysis/FrameServices.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"
#include "core/pile/PileRecord.h"
#include "res/ids.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

CAverageDlg::CAverageDlg(CPileRecord& pile, QWidget* parent) : CColDialog(kTemplateId, parent), m_pile(pile) {
    const bool en = pit::ui::english();
    setWindowTitle(en ? QStringLiteral("Set Average") : QStringLiteral("设置平均"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 24, 12, 12); // room for the caption band
    auto* frame = new QFrame(this);
    pit::SetCtrlId(frame, ids::IDC_CAPTION_FRAME);
    frame->setFrameShape(QFrame::NoFrame);
    auto* grid = new QGridLayout(frame);
    for (int i = 0; i < kBlows; ++i) {
        auto* box =
            new QCheckBox((en ? QStringLiteral("Wave%1") : QStringLiteral("波形%1")).arg(i + 1), frame);
        pit::SetCtrlId(box, kFirstCheck + i);
        // Blows left out of the average stay out until the pile is read again.
        const bool included = m_pile.m_blowFlags[size_t(i)] != 0;
        box->setChecked(included);
        box->setEnabled(included);
        grid->addWidget(box, i / 5, i % 5);
        m_checks[size_t(i)] = box;
    }
    layout->addWidget(frame);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setText(en ? QStringLiteral("OK") : QStringLiteral("确定"));
    cancel->setText(en ? QStringLiteral("Cancel") : QStringLiteral("取消"));
    pit::SetCtrlId(ok, ids::IDOK);
    pit::SetCtrlId(cancel, ids::IDCANCEL);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAverageDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAverageDlg::reject);
    layout->addWidget(buttons);

    pit::TranslateDialog(this, kTemplateId);
    SetTitle(en ? QStringLiteral("Choose The Source of AvgWave") : QStringLiteral("请选择平均波形的来源"));
}

void CAverageDlg::accept() {
    for (int i = 0; i < kBlows; ++i)
        m_pile.m_blowFlags[size_t(i)] = m_checks[size_t(i)]->isChecked() ? 1 : 0;
    CColDialog::accept();
}
