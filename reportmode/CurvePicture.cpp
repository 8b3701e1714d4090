// The curve picture of the open pile.
#include "reportmode/CurvePicture.h"

#include "core/doc/SharedRoutines.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "reportmode/ExportViewRules.h"
#include "platform/Canvas.h"
#include "platform/EmfDevice.h"

#include <QPainter>
#include <cmath>

namespace pit {

QSize CurvePicturePageSize(double scalePercent) {
    const double s = (scalePercent > 0 ? scalePercent : 100.0) / 100.0;
    return {int(21.0 / 2.54 * 100.0 * s), int(29.7 / 2.54 * 100.0 * s)};
}

void DrawCurvePicturePage(gdi::Canvas& dc, const CPileRecord& pile, QSize page, double scalePercent,
                          int decimals) {
    const int W = page.width(), H = page.height();
    dc.FillSolidRect(gdi::Rect(0, 0, W, H), RGB(255, 255, 255));
    const int left = int(0.01 * W), top = int(0.01 * H);
    const gdi::Rect area(left, top, W - left, H - top);
    const int n = pile.ChannelCountInList();
    const report::CurveGrid grid = report::CurveGridFor(n);
    const int rows = std::max(1, grid.rows);
    const double unit = report::CurveCaptionUnit(area.Height(), rows);
    const double S = scalePercent > 0 ? scalePercent : 100.0;
    const int captionH = std::max(8, int(S * unit / 25.4));
    const gdi::Font captionFont = gdi::Font::Create(captionH, 100, QStringLiteral("宋体"));

    dc.SetBkMode(gdi::TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    dc.SelectPen(gdi::Pen::Create(gdi::PS_SOLID, 1, RGB(0, 0, 0)));
    dc.SelectBrush(gdi::Brush::Null());
    dc.SelectFont(captionFont);

    QString length;
    if (!FormatFloat(length, pile.m_fPileLength, decimals, true))
        length = QString::number(double(pile.m_fPileLength));
    const QString captions[4] = {QStringLiteral("桩号:%1").arg(pile.m_strPileNo),
                                 QStringLiteral("桩长:") + length.trimmed() + QStringLiteral("m"),
                                 QString::asprintf("波速:%dm/s", pile.m_nWaveSpeed),
                                 QStringLiteral("桩类别:") + pile.m_strClass};
    // The boxes stand 2 dots outside the text.
    const int boxH = captionH + 4;
    const int quarter = area.Width() / 4;
    for (int i = 0; i < 4; ++i) {
        gdi::Rect box(area.left + i * quarter, area.top, area.left + (i + 1) * quarter, area.top + boxH);
        dc.Rectangle(box);
        gdi::Rect text(box.left + 2, box.top + 2, box.right - 2, box.bottom - 2);
        dc.DrawText(captions[i], text,
                    gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX);
    }
    gdi::Rect descBox(area.left, area.top + boxH, area.left + 4 * quarter, area.top + 2 * boxH);
    dc.Rectangle(descBox);
    gdi::Rect descText(descBox.left + 2, descBox.top + 2, descBox.right - 2, descBox.bottom - 2);
    dc.DrawText(QStringLiteral("描述:") + pile.m_strConclusion, descText,
                gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX |
                    gdi::DT_END_ELLIPSIS);

    const gdi::Rect waves(area.left, descBox.bottom + 5, area.left + 4 * quarter, area.bottom);
    dc.Rectangle(waves);
    if (n <= 0)
        return;
    const int columns = grid.columns;
    const int slotW = waves.Width() / columns, slotH = waves.Height() / rows;
    if (columns == 2) {
        dc.MoveTo(waves.left + slotW, waves.top);
        dc.LineTo(waves.left + slotW, waves.bottom);
    }
    for (int r = 1; r < rows; ++r) {
        dc.MoveTo(waves.left, waves.top + r * slotH);
        dc.LineTo(waves.right, waves.top + r * slotH);
    }
    const gdi::Font waveFont = gdi::Font::Create(captionH * 4 / 5, 100, QStringLiteral("宋体"));
    for (const report::CurveGrid::Cell& c : grid.cells) {
        CWaveRecord* w = pile.Channel(c.channel);
        if (!w)
            continue;
        const int x = waves.left + c.column * slotW + 5, y = waves.top + c.row * slotH + 5;
        const gdi::Rect cell(x, y, x + slotW - 10, y + slotH - 10);
        w->DrawForExport(dc, n, cell, w->GetGainStart(), false, &waveFont);
    }
}

bool WriteCurvePicture(const CPileRecord& pile, const QString& path, double scalePercent, int decimals,
                       QString* why, bool english) {
    const QSize page = CurvePicturePageSize(scalePercent);
    std::unique_ptr<EmfDevice> emf = CreateMetafileDC(page.width(), page.height(), scalePercent);
    if (!emf)
        return false;
    {
        QPainter painter(emf.get());
        gdi::Canvas dc(painter, 0, 0, false);
        DrawCurvePicturePage(dc, pile, page, scalePercent, decimals);
    }
    // The save replaces an existing picture whole, and only once the new one is written.
    return emf->Save(path, why, english);
}

} // namespace pit
