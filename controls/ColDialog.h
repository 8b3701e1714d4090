// A dialog with a painted caption band over the frame of its control 1076:
// a gradient from the caption colour to white, a small icon and the title.
#pragma once

#include "controls/DialogExt.h"
#include "platform/Color.h"

#include <QIcon>

class CColDialog : public CDialogExt {
    Q_OBJECT
public:
    explicit CColDialog(int templateId, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    const QString& title() const { return m_title; }
    void SetCaptionIcon(const QIcon& icon) { m_captionIcon = icon; }

    // Band of a frame control at ctrl (client coordinates): 15 pixels above
    // its top to 6 below it, as wide as the frame around it.
    static QRect CaptionBand(const QRect& ctrl);
    // The colour of column k of a band of the given width.
    static QColor GradientColumn(pit::COLORREF start, int bandWidth, int column);
    // Paints a band: the gradient from start to white, the title in white
    // over a black shadow, the icon at the left. Shared with the settings sheet.
    static void PaintCaptionBand(QPainter& p, const QRect& band, pit::COLORREF start, const QString& title,
                                 const QIcon& icon);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    pit::COLORREF m_captionColor;
    QIcon m_captionIcon;
    QString m_title;
};
