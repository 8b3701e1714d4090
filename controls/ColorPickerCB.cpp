#include "controls/ColorPickerCB.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace {

class LineWidthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        CColorPickerCB::DrawItem(*p, opt.rect, index.row(), opt.state & QStyle::State_Selected,
                                 opt.state & QStyle::State_Enabled, opt.state & QStyle::State_HasFocus,
                                 opt.palette);
    }
};

} // namespace

CColorPickerCB::CColorPickerCB(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new LineWidthDelegate(this));
    Fill();
}

const std::array<CPickerColor, 5>& CColorPickerCB::PickerColors() {
    static const std::array<CPickerColor, 5> table{{{pit::RGB(0, 0, 0), "Black"},
                                                    {pit::RGB(128, 0, 0), "Maroon"},
                                                    {pit::RGB(0, 128, 0), "Green"},
                                                    {pit::RGB(128, 128, 0), "Olive"},
                                                    {pit::RGB(0, 0, 128), "Navy"}}};
    return table;
}

void CColorPickerCB::Fill() {
    if (m_filled)
        return;
    m_filled = true;
    for (const CPickerColor& c : PickerColors())
        addItem(QString::fromLatin1(c.name), QVariant::fromValue(uint(c.color)));
    setCurrentIndex(0);
}

CColorPickerCB::ItemDrawing CColorPickerCB::ItemGeometry(const QRect& item, int index) {
    const int midY = item.top() + item.height() / 2;
    const int right = item.left() + item.width(); // exclusive right edge
    return {index + 1, QLine(item.left(), midY, right - 20, midY), QPoint(right - 15, item.top()),
            QString::asprintf("%d", index + 1)};
}

void CColorPickerCB::DrawItem(QPainter& p, const QRect& item, int index, bool selected, bool enabled,
                              bool focused, const QPalette& pal) {
    if (index < 0)
        return;
    p.save();
    p.fillRect(item, pal.color(selected ? QPalette::Highlight : QPalette::Base));
    const ItemDrawing d = ItemGeometry(item, index);
    p.setPen(QPen(Qt::black, d.penWidth, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(d.line);
    p.setPen(pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    p.drawText(QRect(d.textTopLeft, QPoint(item.right(), item.bottom())), Qt::AlignLeft | Qt::AlignTop,
               d.text);
    if (focused) {
        p.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(item.adjusted(0, 0, -1, -1));
    }
    p.restore();
}

void CColorPickerCB::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    DrawItem(p, field, currentIndex(), false, isEnabled(), false, palette());
}
