// The current-state curve document: captions by CWordOffice, one picture a channel.
#include "office/CurveDocument.h"

#include "core/doc/SharedRoutines.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "office/OfficeWordExport.h"
#include "office/WordOffice.h"
#include "office/WordPictures.h"
#include "platform/MessageSink.h"
#include "reports/RepProjectA.h"

namespace pit {

CurveGrid CurveDocumentGrid(int channelCount) {
    CurveGrid g;
    if (channelCount <= 0)
        return g;
    if (channelCount < 8) {
        g.rows = channelCount;
        g.columns = 1;
    } else {
        g.rows = (channelCount + 1) / 2;
        g.columns = 2;
    }
    g.channelOf.assign(size_t(g.rows * g.columns), -1);
    for (int k = 0; k < channelCount; ++k)
        g.channelOf[size_t(k)] = k == 0 ? channelCount - 1 : k - 1;
    return g;
}

bool ExportCurveDocument(const CPileRecord& pile, int decimals, OfficeWordExport& writer,
                         const QString& folder, const QString& outputPath) {
    const int n = pile.ChannelCountInList();
    const CurveGrid grid = CurveDocumentGrid(n);
    if (grid.rows == 0) {
        writer.Tell(QStringLiteral("这根桩没有可放入文档的曲线。"),
                    QStringLiteral("The pile has no curve to put in a document."), MB_OK | MB_ICONWARNING);
        return false;
    }
    CWordOffice& office = writer.Office();
    OfficeWordExport::CloseOnThrow closing(office);
    office.SetEnglish(writer.English());
    if (!office.StartDocument(QString()))
        return writer.Fail();
    QString length;
    FormatFloat(length, pile.m_fPileLength, decimals, true);
    int width = 0, height = 0;
    if (office.WriteCurvePileCaptions(grid.rows, grid.columns, pile.m_strPileNo, width, height, length,
                                      pile.m_nWaveSpeed, pile.m_strClass, pile.m_strConclusion) != 2)
        return writer.Fail();
    // Drawn at the size shown, a little inside its cell.
    const QSize px(PointsToPixels(width - 10), PointsToPixels(height - 10));
    for (int cell = 0; cell < grid.rows * grid.columns; ++cell) {
        CWaveRecord* wave = pile.Channel(grid.channelOf[size_t(cell)]);
        if (!wave)
            continue;
        const QString path = DocumentPictureFile(QStringLiteral("PRO-%1").arg(cell), false);
        QString why;
        const bool ok = WritePictureFile(
            path, px, false,
            [&](gdi::Canvas& dc, const gdi::Rect& box) {
                wave->DrawForExport(dc, n, box, wave->GetGainStart(), false);
            },
            &why, writer.English());
        if (!ok) {
            office.SetError(WordError(why, why));
            return writer.Fail();
        }
        if (!office.InsertPicture(3 + cell % grid.rows, 1 + cell / grid.rows,
                                  float(PixelsToPoints(px.width())), float(PixelsToPoints(px.height())),
                                  path))
            return writer.Fail();
    }
    return writer.SaveOrPresent(
        outputPath, QStringLiteral("Pile_") + SafeFileName(pile.m_strPileNo) + QStringLiteral(".docx"),
        folder);
}

} // namespace pit
