// Refinement dialog, its snapping and its check.
#include "analysis/ReFineIndexDlg.h"

#include "analysis/FrameServices.h"
#include "analysis/ProcessingDlgCommon.h"
#include "controls/CtrlId.h"
#include "controls/UiServices.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

namespace pit {

int SnapRefineIndex(int typed, int old) {
    if (typed <= 0 || typed > 50)
        return old;
    const int k = int(std::log(double(typed) * 1.0) / std::log(2.0) + 0.5);
    const int v = int(std::pow(2.0, k));
    return v > 32 ? 32 : v;
}

ValidationFailure ValidateRefineIndex(int& value, int mode, bool english) {
    const int id = CReFineIndexDlg::IDC_VALUE;
    if (value < 1) {
        value = 1;
        if (mode == 1 || mode == 2)
            return {id, english ? QStringLiteral("Exp must more than 1!") : QStringLiteral("指数不可小于1!")};
        if (mode == 3)
            return {id, QStringLiteral("间隔点数不可小于1!")};
        return {};
    }
    if (value > 50) {
        value = 32;
        if (mode == 1 || mode == 2)
            return {id,
                    english ? QStringLiteral("Exp must less than 50!") : QStringLiteral("指数不可大于50!")};
        if (mode == 3)
            return {id, english ? QStringLiteral("Interval Number must less than 50!")
                                : QStringLiteral("间隔点数不可大于50!")};
        return {};
    }
    return {};
}

} // namespace pit

CReFineIndexDlg::CReFineIndexDlg(QWidget* parent) : CDialogExt(IDD, parent) {
    m_font = QFont(QStringLiteral("Arial"));
    m_font.setPixelSize(15);
    m_font.setBold(true);
    m_font.setStyleHint(QFont::SansSerif);
    setWindowTitle(QStringLiteral("设置细化指数"));
    auto* box = new QVBoxLayout(this);
    m_prompt = new QLabel(QStringLiteral("请输入细化指数:"), this);
    pit::SetCtrlId(m_prompt, IDC_PROMPT);
    m_edit = pit::MakeIdEdit(this, IDC_VALUE);
    m_hint = new QLabel(QStringLiteral("(请输入2的n次幂且小于50的数字)"), this);
    pit::SetCtrlId(m_hint, IDC_HINT);
    box->addWidget(m_prompt);
    box->addWidget(m_edit);
    box->addWidget(m_hint);
    pit::AddOkCancelRow(this, box, QStringLiteral("确定"), QStringLiteral("取消"));
    connect(m_edit, &QLineEdit::textChanged, this, &CReFineIndexDlg::OnChangeValue);
}

void CReFineIndexDlg::showEvent(QShowEvent* e) {
    if (!m_bInitialised)
        OnInitDialog();
    CDialogExt::showEvent(e);
}

void CReFineIndexDlg::OnInitDialog() {
    m_bInitialised = true;
    pit::TranslateDialog(this, IDD);
    const bool english = pit::ui::english();
    if (m_nMode == int(pit::RefineMode::IntervalPoints)) {
        m_prompt->setText(english ? QStringLiteral("Input Dis Points:") : QStringLiteral("请输入间隔点数:"));
        setWindowTitle(english ? QStringLiteral("Set Dis Points") : QStringLiteral("设置间隔点数"));
    } else {
        m_prompt->setText(english ? QStringLiteral("Input Detail Index:")
                                  : QStringLiteral("请输入细化指数:"));
        setWindowTitle(english ? QStringLiteral("Set Detail Index") : QStringLiteral("设置细化指数"));
    }
    m_hint->setFont(m_font);
    QPalette pal = m_hint->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_hint->setPalette(pal);
    const QSignalBlocker block(m_edit);
    m_edit->setText(QString::number(m_nValue));
}

void CReFineIndexDlg::OnChangeValue() {
    bool ok = false;
    const int typed = m_edit->text().trimmed().toInt(&ok);
    if (!ok)
        return; // an empty or partial text is left while the user types
    m_nValue = pit::SnapRefineIndex(typed, m_nValue);
    const QString text = QString::number(m_nValue);
    if (m_edit->text() != text)
        m_edit->setText(text);
}

void CReFineIndexDlg::ValidateInput(int* badId, QString* message) {
    const bool english = pit::ui::english();
    pit::ValidationFailure f;
    if (pit::ExchangeIntField(m_edit, IDC_VALUE, m_nValue, english, f)) {
        f = pit::ValidateRefineIndex(m_nValue, m_nMode, english);
        if (f.badId > 0) {
            const QSignalBlocker block(m_edit);
            m_edit->setText(QString::number(m_nValue));
        }
    }
    if (f.failed()) {
        *badId = f.badId;
        *message = f.message;
    }
}
