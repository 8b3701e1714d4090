#include "controls/ColDialog.h"

#include "controls/CtrlId.h"
#include "res/ids.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <cmath>

CColDialog::CColDialog(int templateId, QWidget* parent)
    : CDialogExt(templateId, parent), m_captionColor(0xFF845C), m_title(QStringLiteral("请设置标题")) {}

void CColDialog::SetTitle(const QString& title) {
    m_title = title;
    update();
}

QRect CColDialog::CaptionBand(const QRect& ctrl) {
    const QRect frame = ctrl.adjusted(-1, -1, 1, 1);
    return QRect(frame.left(), ctrl.top() - 15, frame.width(), 21);
}

QColor CColDialog::GradientColumn(pit::COLORREF start, int bandWidth, int column) {
    const int s[3] = {pit::GetRValue(start), pit::GetGValue(start), pit::GetBValue(start)};
    if (column <= 0 || bandWidth <= 0)
        return pit::toQColor(start);
    // Each column takes the colour computed after the one before it.
    const int k = column - 1;
    int c[3];
    for (int i = 0; i < 3; ++i) {
        const double inc = (255 - s[i]) / double(bandWidth);
        c[i] = std::min(255, int(std::trunc(k * inc + s[i])));
    }
    return QColor(c[0], c[1], c[2]);
}

void CColDialog::paintEvent(QPaintEvent* e) {
    CDialogExt::paintEvent(e);
    const QWidget* frameCtrl = pit::FindCtrl(this, ids::IDC_CAPTION_FRAME);
    if (!frameCtrl)
        return;
    const QRect ctrl(frameCtrl->mapTo(this, QPoint(0, 0)), frameCtrl->size());
    QPainter p(this);
    p.setPen(QPen(pit::toQColor(0x8D8D8D), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(ctrl.adjusted(-1, -1, 0, 0));
    PaintCaptionBand(p, CaptionBand(ctrl), m_captionColor, m_title,
                     m_captionIcon.isNull() ? QApplication::windowIcon() : m_captionIcon);
}

void CColDialog::PaintCaptionBand(QPainter& p, const QRect& band, pit::COLORREF start, const QString& title,
                                  const QIcon& icon) {
    if (band.isEmpty())
        return;
    // Drawn off screen and copied at once, so the band never flickers.
    QPixmap pix(band.size());
    {
        QPainter m(&pix);
        for (int x = 0; x < band.width(); ++x) {
            m.setPen(GradientColumn(start, band.width(), x));
            m.drawLine(x, 0, x, band.height() - 1);
        }
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(15); // 11 points on a 96 dpi screen
        m.setFont(font);
        // Centred in the band: the Chinese faces that stand in for 宋体 are
        // taller than the band is from the top, and the title lost its foot.
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        m.setPen(Qt::black);
        m.drawText(QRect(26, 1, band.width() - 26, band.height()), flags, title);
        m.setPen(Qt::white);
        m.drawText(QRect(25, 0, band.width() - 25, band.height()), flags, title);
        if (!icon.isNull())
            icon.paint(&m, QRect(4, 3, 16, 16));
    }
    p.drawPixmap(band.topLeft(), pix);
}
