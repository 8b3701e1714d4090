// The single-pile report in a document: the template page once per pile,
// its two tables filled, the result written and the curve inserted.
#include "office/WordOffice.h"

#include "core/doc/PrintSettings.h"
#include "core/doc/SharedRoutines.h"
#include "core/wave/WaveRecord.h"
#include "office/WordPictures.h"
#include "platform/SafeText.h"
#include "reports/SingleReportInfo.h"

#include <algorithm>

using pit::WordError;

namespace {

// The three curve pictures, used in turn for as long as the program runs.
const char* const kCurveNames[3] = {"SIN-08AE", "SIN-08BE", "SIN-08CE"};
int g_curveName = 0;

// Height the page header and footer take from the body beyond the page's
// margins (points): a band starts at its distance from the paper's edge, and
// what reaches past the margin pushes the body back.
double BandOverflow(pit::WordDocument& doc, const CPrintSettings& s) {
    constexpr double kBandLine = 1.5; // a single-spaced line by its size, with the tall CJK faces
    const pit::WordPageSetup ps = doc.PageSetup();
    double lost = 0;
    if (s.m_bpagehead)
        lost += std::max(0.0, ps.HeaderDistance() + kBandLine * CWordOffice::HeaderFooterPoints(s.m_nphhei) -
                                  ps.TopMargin());
    const int footerLines = (s.m_bprpage ? 1 : 0) + (s.m_bpagefoot ? 1 : 0);
    if (footerLines > 0)
        lost += std::max(0.0, ps.FooterDistance() +
                                  footerLines * kBandLine * CWordOffice::HeaderFooterPoints(s.m_npfhei) -
                                  ps.BottomMargin());
    return lost;
}

} // namespace

std::pair<QString, QString> CWordOffice::SingleResultLines(const QString& result, bool english) {
    const QString whole = QStringLiteral("桩身完整");
    if (!english) {
        if (result == whole)
            return {QStringLiteral("测试结果:") + whole, QString()};
        return {QStringLiteral("测试结果:"), QStringLiteral("缺陷描述: ") + result};
    }
    if (result.contains(QStringLiteral("Integrity")))
        return {QStringLiteral("TIMBO Test Results:"), result};
    if (result == whole)
        return {QStringLiteral("TIMBO Test Results:") + whole, QString()};
    return {QStringLiteral("TIMBO Test Results:"), QStringLiteral("Defect Description: ") + result};
}

bool CWordOffice::WriteSingleReport(const std::vector<CSingleReportInfo>& pages, const CPrintSettings& s,
                                    const pit::PrintDrawDoc& draw, const gdi::Font& curveFont,
                                    bool bitmapPictures) {
    if (!NeedDocument())
        return false;
    try {
        pit::WordSelection& sel = m_doc->Selection();
        pit::WordBodyCopy templatePage;
        int page = 0;
        for (const CSingleReportInfo& info : pages) {
            if (page == 0) {
                // One page a pile with the header and footer: the curve's row
                // gives up the height they take from the body.
                if (const double lost = BandOverflow(*m_doc, s); lost > 0) {
                    pit::WordRow curve = m_doc->Table(2).Row(4);
                    curve.SetHeight(std::max(curve.Height() / 2, curve.Height() - lost - 2),
                                    curve.HeightRule());
                }
                // The template page, copied inside the document (the clipboard stays the user's).
                sel.WholeStory();
                templatePage = sel.CopyStory();
                sel.EndKey();
            } else {
                sel.EndKey();
                sel.InsertSectionBreak();
                sel.EndKey();
                sel.Paste(templatePage);
            }
            ++page;
            if (!WriteSinglePilePage(info, page, s.m_bLanguage != 0, s.m_nSingleRepType, s.m_nDecimalPointNum,
                                     s.m_iPrintType, draw, curveFont, bitmapPictures))
                return false;
        }
        return WritePageFooter(s, std::max(1, page));
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

bool CWordOffice::WriteSinglePilePage(const CSingleReportInfo& info, int page, bool english, int reportType,
                                      int decimals, int printType, const pit::PrintDrawDoc& draw,
                                      const gdi::Font& curveFont, bool bitmap) {
    if (!NeedDocument())
        return false;
    try {
        pit::WordTable upper = m_doc->Table(2 * page - 1);
        pit::WordTable lower = m_doc->Table(2 * page);
        m_table = lower;
        const auto put = [](pit::WordTable& t, int r, int c, const QString& text) {
            t.Cell(r, c).Range().SetText(text);
        };
        // The fields the printed page shows on one line: a break there is a
        // space. The parameter boxes wrap their values, and keep breaks.
        const auto line = [&put](pit::WordTable& t, int r, int c, const QString& text) {
            put(t, r, c, pit::DrawnText(text, true));
        };
        line(upper, 1, 2, info.m_strProject.trimmed());
        line(upper, 1, 4, info.m_strPileNo);
        line(upper, 2, 2, info.m_strTestUnit.trimmed());
        line(upper, 2, 4, info.m_strTester.trimmed());
        line(upper, 3, 2, info.m_strTestDate);
        line(upper, 4, 2, info.m_strStandard);
        line(upper, 4, 4, info.m_strEmpty);

        if (printType == 1)
            put(lower, 1, 1, english ? QStringLiteral("Age") : QStringLiteral("龄期"));
        line(lower, 1, 2, printType == 1 ? QString::number(info.m_nAge) : info.m_strConstructDate);
        line(lower, 1, 4, info.m_strVerifier);
        put(lower, 2, 2, info.m_strPileType);
        put(lower, 2, 4, info.m_strGrade);
        put(lower, 2, 6, info.m_strSize);
        put(lower, 3, 2, info.m_strDesignTop);
        put(lower, 3, 4, info.m_strDesignTip);
        put(lower, 3, 6, info.m_strMeasuredTop);
        const double firstRow = lower.Cell(1, 2).Height();

        pit::WordSelection& sel = m_doc->Selection();
        int curveRow = 4;
        if (reportType == 1) {
            sel.Select(lower.Cell(3, 6).Range());
            sel.InsertRowsBelow(1);
            lower.Row(4).SetHeight(firstRow, pit::kHeightAtLeast);
            QString length;
            FormatFloat(length, info.m_fLength, decimals, true); // other counts leave it empty
            put(lower, 4, 1, english ? QStringLiteral("Length (m)") : QStringLiteral("桩长 (m)"));
            put(lower, 4, 2, length);
            put(lower, 4, 3, english ? QStringLiteral("Speed (m/s)") : QStringLiteral("波速 (m/s)"));
            put(lower, 4, 4, QString::number(int(info.m_fWaveSpeed)));
            put(lower, 4, 5, english ? QStringLiteral("Pile Type") : QStringLiteral("桩类别"));
            put(lower, 4, 6, info.m_strClass);
            curveRow = 5;
        }
        pit::WordCell result = lower.Cell(curveRow + 1, 1);
        if (reportType == 1) // the page keeps its length
            result.SetHeight(result.Height() - lower.Cell(4, 6).Height(), pit::kHeightAtLeast);
        const auto [first, second] = SingleResultLines(info.m_strResult, english);
        sel.Select(result.Range());
        sel.TypeText(first);
        sel.TypeParagraph();
        sel.Range().SetText(second);

        // The curve, drawn at the size of its cell below the caption.
        const QString stem = QString::fromLatin1(kCurveNames[g_curveName % 3]);
        g_curveName = g_curveName % 3 + 1;
        const QString path = pit::DocumentPictureFile(stem, bitmap);
        pit::WordCell curve = lower.Cell(curveRow, 1);
        int width = int(curve.Width() - curve.LeftPadding() - curve.RightPadding());
        const int height = int(curve.Height() - curve.HeightRule() * 36);
        if (curve.Width() < width || width < 0)
            width = int(curve.Width());
        bool picture = false;
        if (info.m_pWave) {
            CWaveRecord& wave = *info.m_pWave;
            QString why;
            const bool ok = pit::WritePictureFile(
                path, QSize(pit::PointsToPixels(width), pit::PointsToPixels(height)), bitmap,
                [&](gdi::Canvas& dc, const gdi::Rect& box) {
                    wave.pictureMode = 1;
                    wave.printLabelMode = -1;
                    if (bitmap)
                        wave.DrawForPrint(dc, info.m_nFirstSample, info.m_nSampleCount, box, true, &curveFont,
                                          draw);
                    else
                        wave.DrawForPrintB(dc, info.m_nFirstSample, info.m_nSampleCount, box, true,
                                           &curveFont, draw);
                    wave.pictureMode = 0;
                    wave.printLabelMode = 0;
                },
                &why, m_english);
            if (!ok)
                throw WordError(why, why);
            picture = true;
        }
        sel.Select(curve.Range());
        sel.TypeText(english ? QStringLiteral("TIMBO Test Curve：") : QStringLiteral("原始测试曲线："));
        sel.TypeParagraph();
        if (picture)
            m_doc->AddPicture(sel.Range(), path);
        return true;
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}
