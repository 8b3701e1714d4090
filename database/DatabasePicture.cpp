#include "database/DatabasePicture.h"

#include "controls/ListRows.h"
#include "core/doc/KEV_DUXDoc.h"
#include "platform/BmpWriter.h"
#include "platform/Canvas.h"
#include "reports/RepProjectA.h"

#include <QPainter>

namespace pit {

bool DrawDatabaseCell(const ReportEnv& env, const UploadListRow& row, QPainter& painter) {
    if (!env.doc)
        return false;
    // A list of this one pile, so the builder draws the row's own file
    // whatever the other rows hold.
    ListRows one;
    for (int c = 0; c < 3; ++c)
        one.InsertColumn(c, QString());
    one.InsertItem(0, QStringLiteral("1"));
    one.SetItemText(0, 1, row.name + QLatin1Char('*'));
    one.SetItemText(0, 2, row.pileNo);
    one.SetItemCheck(0, true);
    CRepProjectA builder(env, &one);
    builder.SetFontRate(env.doc->m_nFontRate);
    gdi::Canvas dc(painter, 96, 96, false);
    // The picture ends up black and white: no grey edges to be rounded away.
    dc.painter().setRenderHint(QPainter::TextAntialiasing, false);
    builder.DrawPileCell(dc, 0, 5, 5, kDatabasePictureWidth - 5, kDatabasePictureHeight - 5);
    return builder.Items().size() == 1;
}

QByteArray RenderWaveBitmapForDatabase(const ReportEnv& env, const UploadListRow& row, QImage* picture) {
    if (!env.doc)
        return {};
    QImage image(kDatabasePictureWidth, kDatabasePictureHeight, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const int dotsPerMetre = int(std::lround(96 / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    bool drawn = false;
    {
        QPainter painter(&image);
        drawn = DrawDatabaseCell(env, row, painter);
    }
    if (!drawn)
        return {};
    if (picture)
        *picture = image;
    return BmpFileImage(image, BmpDepth::Mono1);
}

} // namespace pit
