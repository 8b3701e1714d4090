// The project report in a document: one outer table a page of rows x columns
// piles, each pile a nested table of its fields, curve, spectrum and
// integrity line; the ZEZ-style page as its second kind.
#include "office/WordOffice.h"

#include "core/doc/CurveStyle.h"
#include "core/doc/DocSettings.h"
#include "core/doc/OptionTables.h"
#include "core/doc/PrintSettings.h"
#include "core/doc/SharedRoutines.h"
#include "core/draw/SpectrumDraw.h"
#include "core/wave/WaveRecord.h"
#include "office/WordPictures.h"
#include "platform/Metrics.h"
#include "platform/SafeText.h"
#include "reports/RepProjectA.h"
#include "reports/ReportPileItem.h"

#include <algorithm>

using pit::WordError;

namespace {

// Each page builder's turn through its five curve and five spectrum names,
// kept for the program's life.
int g_turnEn = 0;
int g_turnCn = 0;

constexpr const char* kVersionLabel = "KEV-TIMBO 1.0";

// The curve picture below its row's height (points): the row's borders.
constexpr double kPictureInset = 1.0;
// The ruler labels of the curve picture: at most this share of its height,
// and no smaller than this (points).
constexpr float kRulerShare = 0.14f;
constexpr float kRulerFloor = 3.0f;

// Whole pixels of a picture height, never taller than the points it is shown in.
int PicturePixels(double points) {
    return int(points * 96.0 / 72.0 * pit::GetScreenScalePercent() / 100.0);
}

// The draw copy of an item's wave with the report's drawing parameters.
std::unique_ptr<CWaveRecord> DrawWave(const CReportPileItem& item, bool twoColumns) {
    std::unique_ptr<CWaveRecord> w = item.m_wave.Clone();
    w->SetDrawParams(item.m_fLength, item.m_fDiameter, item.m_fSide);
    w->layoutMode = twoColumns ? 1 : 0;
    return w;
}

// Metafiles are drawn at four times the screen's resolution: at the few
// pixels of a small picture's numbers their letters would run together.
constexpr int kPictureScale = 4;

void WritePicture(const QString& path, QSize px, bool bitmap,
                  const std::function<void(gdi::Canvas&, const gdi::Rect&)>& draw, bool english) {
    QString why;
    if (!pit::WritePictureFile(path, px, bitmap, draw, &why, english, kPictureScale))
        throw WordError(why, why);
}

// A picture shown at the size it was drawn (px at the screen's resolution).
void ShowAsDrawn(pit::WordInlineShape shape, QSize px) {
    shape.SetWidth(pit::PixelsToPoints(px.width()));
    shape.SetHeight(pit::PixelsToPoints(px.height()));
}

} // namespace

bool CWordOffice::WriteProjectReport(const std::vector<const CReportPileItem*>& items,
                                     CPrintSettings settings, int kind, const pit::PrintDrawDoc& draw) {
    if (!NeedDocument())
        return false;
    // The settings pages keep rows in 3..10 and columns in 1..2; other values
    // would divide by zero or make an impossible page.
    settings.m_nRow = std::clamp(settings.m_nRow, 3, 10);
    settings.m_nColumn = std::clamp(settings.m_nColumn, 1, 2);
    m_draw = draw;
    m_fPileGap = float(settings.m_nWaveGas / 25.4 * 72);
    if (!ApplyPageSetup(settings))
        return false;
    return WriteProjectPages(items, settings, kind);
}

bool CWordOffice::WriteProjectPages(const std::vector<const CReportPileItem*>& items, const CPrintSettings& s,
                                    int kind) {
    if (!NeedDocument())
        return false;
    try {
        const int rows = s.m_nRow;
        const int columns = kind == 1 ? 1 : s.m_nColumn;
        const int perPage = rows * columns;
        pit::WordSelection& sel = m_doc->Selection();
        int page = 1, r = 1, c = 1;
        std::optional<pit::WordTable> outer;
        for (size_t i = 0; i < items.size(); ++i) {
            if (i % size_t(perPage) == 0) {
                if (i > 0) {
                    ++page;
                    sel.EndKey();
                    sel.InsertSectionBreak();
                    sel.EndKey();
                    // The new page starts with a plain paragraph, not the tiny one it was split from.
                    pit::WordRange p = sel.Range();
                    p.SetLineSpacingRule(pit::kLineSingle);
                    p.SetFontSize(m_doc->NormalFontSize());
                }
                // The heading, written on every page.
                if (s.m_bHeadInfo[9]) {
                    const QString heading = pit::DrawnText(
                        (s.m_bLanguage ? QStringLiteral("ProjectName:") : QStringLiteral("工程名称：")) +
                            items.front()->m_strProject.trimmed(),
                        true);
                    const pit::WordPos from = sel.Range().Start();
                    const pit::WordPos to = pit::WordRange::Point(m_doc.get(), from).SetText(heading);
                    if (kind == 0)
                        pit::WordRange::Span(m_doc.get(), from, to).SetFontSize(s.m_fFontRate);
                    sel.Select(pit::WordRange::Point(m_doc.get(), to));
                } else if (i == 0) {
                    // A tiny first paragraph: a document that starts with the table of
                    // nested tables is drawn wrongly by some word processors.
                    pit::WordRange first = sel.Range();
                    first.SetLineSpacingRule(pit::kLineExactly);
                    first.SetLineSpacing(1);
                    first.SetFontSize(1);
                    sel.TypeParagraph();
                }
                pit::WordTable t = m_doc->AddTable(sel.Range(), rows, columns);
                t.SetPreferredWidth(m_fPageWidth);
                t.SetRowsHeight(m_fPageHeight / rows, pit::kHeightExactly);
                for (int k = 1; k <= columns; ++k)
                    t.SetColumnWidth(k, m_fPageWidth / columns);
                t.SetBordersEnabled(false);
                t.SetPaddings(3.0, 0.5);
                // The paragraph after the table (it ends the page's section) takes no room.
                const pugi::xml_node afterP = t.Node().next_sibling("w:p");
                pit::WordRange after = pit::WordRange::Span(m_doc.get(), {afterP, 0},
                                                            {afterP, pit::word::ParagraphLength(afterP)});
                after.SetLineSpacingRule(pit::kLineExactly);
                after.SetLineSpacing(1);
                after.SetFontSize(1);
                outer = t;
                r = c = 1;
            }
            m_table = outer;
            const pit::WordRange cell = outer->Cell(r, c).Range();
            if (kind == 1)
                WritePitPage(*items[i], s, cell);
            else if (s.m_bLanguage == 0)
                WriteProjectPageCn(*items[i], s, cell);
            else
                WriteProjectPageEn(*items[i], s, cell);
            if (c < columns) {
                ++c;
            } else {
                c = 1;
                ++r;
            }
        }
        return WritePageFooter(s, page);
    } catch (const WordError& e) {
        SetError(e);
        return false;
    }
}

QString CWordOffice::ProjectFieldText(const CReportPileItem& item, const CPrintSettings& s, int k,
                                      bool english, bool measured) {
    int high = 0, low = 0;
    item.m_wave.GetFilterCutoffs(high, low);
    const QString date = item.m_dtTest.toString(s.m_bHeadInfo[12] ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
                                                                  : QStringLiteral("yyyy-MM-dd"));
    switch (k) {
    case 0:
        return (english ? QStringLiteral("ID:") : QStringLiteral("桩号:")) + item.m_strPileNo;
    case 1: {
        QString length;
        FormatFloat(length, item.m_fLength, s.m_nDecimalPointNum, true);
        return (english ? QStringLiteral("LE:") : QStringLiteral("桩长:")) + length + QStringLiteral("m");
    }
    case 2:
        return (english ? QStringLiteral("WS:%1 m/s") : QStringLiteral("波速:%1 m/s")).arg(item.m_nSpeed);
    case 3:
        return (english ? QStringLiteral("Con_L:") : QStringLiteral("强度等级:")) +
               pit::options::Grade(item.m_nGrade);
    case 4:
        if (english)
            return QStringLiteral("PileType:") + item.m_strPileType;
        return (measured ? QStringLiteral("桩类别:等") : QStringLiteral("桩类别:")) + item.m_strPileType;
    case 5:
        if (english)
            return item.m_bSquare
                       ? QString::asprintf("D:%.0f(mm)*%.0f", double(item.m_fDiameter), double(item.m_fSide))
                       : QString::asprintf("D:%.0f mm", double(item.m_fDiameter));
        return item.m_bSquare
                   ? QStringLiteral("桩径:%1(mm)*%2(mm)").arg(int(item.m_fDiameter)).arg(int(item.m_fSide))
                   : QStringLiteral("桩径:%1 mm").arg(int(item.m_fDiameter));
    case 6:
        return (english ? QStringLiteral("TestDate:") : QStringLiteral("测试日期:")) + date;
    case 7:
        return (english ? QStringLiteral("LP:%1 Hz") : QStringLiteral("低通:%1 Hz")).arg(low);
    case 8:
        return (english ? QStringLiteral("Exp:%1 Hz") : QStringLiteral("指数放大:%1"))
            .arg(item.m_wave.GetExpGain());
    case 9:
        return (english ? QStringLiteral("InstrumentType:") : QStringLiteral("仪器型号:")) + item.m_strModel;
    case 10:
        return (english ? QStringLiteral("Remark:") : QStringLiteral("备注:")) + item.m_strRemark;
    case 11:
        if (s.m_iPrintType == 0)
            return (english ? QStringLiteral("CommDate:") : QStringLiteral("施工日期:")) +
                   item.m_dtConstruct.toString(QStringLiteral("yyyy-MM-dd"));
        return (english ? QStringLiteral("Age:") : QStringLiteral("龄期:")) + QString::number(item.m_nAge);
    default:
        return {};
    }
}

void CWordOffice::WriteProjectPageEn(const CReportPileItem& item, const CPrintSettings& s,
                                     const pit::WordRange& cell) {
    WriteProjectPage(item, s, cell, true);
}

void CWordOffice::WriteProjectPageCn(const CReportPileItem& item, const CPrintSettings& s,
                                     const pit::WordRange& cell) {
    WriteProjectPage(item, s, cell, false);
}

void CWordOffice::WriteProjectPage(const CReportPileItem& item, const CPrintSettings& s,
                                   const pit::WordRange& cell, bool english) {
    const ProjectCellLayout L = ComputeCurvePageLayout(&s, 0);
    const int n = pit::ProjectFieldCount(s);
    const bool spectrum = s.m_bSpectrum != 0;
    const bool quality = s.m_bQualityAssess != 0;
    const int infoLines = n > 6 ? 2 : 1;
    // No shown field: one column and no info row; the layout numbers stay.
    const int columns = std::max(1, L.fieldColumns);
    const int infoRows = n == 0 ? 0 : infoLines;
    const int tableRows = n == 0 ? L.tableRows - 1 : L.tableRows;
    const pit::ProjectRowHeights heights = pit::ComputeProjectRows(L, spectrum);

    pit::WordTable t = m_doc->AddTable(cell, tableRows, columns);
    t.SetBordersEnabled(true);
    pit::WordRange all = t.Range();
    all.SetFontName(QStringLiteral("宋体"));
    all.SetFontSize(L.fontSize);
    all.SetBold(false);
    for (int k = 1; k <= columns; ++k)
        t.SetColumnWidth(k, L.cellWidth / columns);
    all.SetAlignment(pit::kAlignLeft);
    const int rule = int(L.lineSpacingRule);
    all.SetLineSpacingRule(rule);
    if (rule == pit::kLineAtLeast || rule == pit::kLineExactly)
        all.SetLineSpacing(L.lineSpacing);
    t.SetPaddings(1.0, 0.5);

    const int curveRow = infoRows + 1;
    t.SetRowsHeight(heights.text, pit::kHeightExactly);
    t.Row(curveRow).SetHeight(heights.curve, pit::kHeightExactly);
    if (spectrum)
        t.Row(curveRow + 1).SetHeight(heights.spectrum, pit::kHeightExactly);
    if (!english && s.m_nColumn == 2 && spectrum && columns >= 2) {
        t.SetColumnWidth(1, L.cellWidth / columns * 4 / 3);
        t.SetColumnWidth(columns, L.cellWidth / columns * 2 / 3);
    }

    // A text in its row: as large as asked, but inside the row's height and
    // the width it has (with a sixth to spare: the reader may draw the Latin
    // characters in a wider face than the one measured), down to least; what
    // is wider there is cut, as the printed cell cuts it.
    const auto room = [](double width) { return (width - 2.5) * 5 / 6; };
    const auto fit = [&](double wanted, float rowHeight, double textWidth, double width, float least = 0) {
        return pit::FitLine(float(wanted), rowHeight, L.lineSpacing, textWidth, room(width), least);
    };
    const auto put = [&](pit::WordRange r, const pit::FittedLine& f, const QString& text, double width) {
        r.SetFontSize(f.size);
        r.SetLineSpacingRule(pit::kLineExactly);
        r.SetLineSpacing(f.spacing);
        r.SetText(CutToWidth(text, f.size, room(width)));
    };
    const double wanted = english || s.m_fFontRate <= 0 ? L.fontSize : s.m_fFontRate;
    float textSize = fit(wanted, heights.text, 0, 0).size; // the fields' size as written

    // Info lines: the shown fields, the j-th and (j+6)-th sharing column j.
    if (n > 0) {
        QString texts[12], measured[12];
        int flags[12] = {};
        static const int kItemOf[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 13};
        for (int k = 0; k < 12; ++k) {
            flags[k] = s.m_bHeadInfo[kItemOf[k]] ? 1 : 0;
            // Each field one line in its row of exact height, as the printed cell shows it.
            texts[k] = pit::DrawnText(ProjectFieldText(item, s, k, english, false), true);
            measured[k] = pit::DrawnText(ProjectFieldText(item, s, k, english, true), true);
        }
        float fractions[6];
        int indices[12];
        double widths[6] = {};
        MeasureColumnWidths(measured, flags, fractions, indices, widths);
        const int used = std::min(n, 6);
        // One size for all fields: the smallest any of them needs.
        pit::FittedLine line = fit(wanted, heights.text, 0, 0);
        for (int j = 0; j < used; ++j) {
            const pit::FittedLine f = fit(wanted, heights.text, widths[j], fractions[j] * L.cellWidth);
            if (f.size < line.size)
                line = f;
        }
        textSize = line.size;
        if (n <= 6) {
            if (columns > 1)
                t.Cell(1, 1).Merge(t.Cell(1, columns));
            t.Cell(1, 1).Split(1, n);
        }
        double given = 0;
        for (int j = 0; j < used; ++j) {
            const double w = j + 1 < used ? fractions[j] * L.cellWidth : L.cellWidth - given;
            given += w;
            for (int l = 0; l < infoLines; ++l) {
                const int field = indices[j + 6 * l];
                pit::WordCell c = t.Cell(1 + l, j + 1);
                c.SetWidth(w);
                if (l == 1 && field == -1)
                    continue;
                c.SetVerticalAlignment(1);
                pit::WordRange r = c.Range();
                r.SetRightIndent(-0.5);
                put(r, line, texts[field], w);
            }
        }
    }

    // The curve, drawn at the size of its row and shown at the size drawn.
    if (columns > 1)
        t.Cell(curveRow, 1).Merge(t.Cell(curveRow, columns));
    t.Cell(curveRow, 1).Range().SetLineSpacingRule(pit::kLineSingle);
    const int width = int(L.cellWidth - 2);
    const double height = heights.curve - kPictureInset;
    const bool smooth = m_draw.curve && m_draw.Curve().IsSmooth != 0;
    int& turn = english ? g_turnEn : g_turnCn;
    const QString curvePath = pit::DocumentPictureFile(QStringLiteral("PRO-001%1").arg(turn), smooth);
    const QSize curvePx(pit::PointsToPixels(width), std::max(1, PicturePixels(height)));
    std::unique_ptr<CWaveRecord> wave = DrawWave(item, s.m_nColumn == 2);
    gdi::Font font;
    CreateReportFont(font, L.fontSize);
    // The ruler's labels, as in a printed cell: the size of the fields beside
    // the picture, but small enough for the picture's height that the wave
    // keeps the larger share; the spectrum's numbers alike. The drawing sizes
    // them a point below the document's font rate.
    const float labelPt = std::clamp(std::min(textSize, float(height) * kRulerShare), kRulerFloor,
                                     std::max(kRulerFloor, L.fontSize));
    pit::DocInfo info = m_draw.Doc();
    info.m_nFontRate = labelPt + 1;
    pit::PrintDrawDoc draw = m_draw;
    draw.doc = &info;
    WritePicture(
        curvePath, curvePx, smooth,
        [&](gdi::Canvas& dc, const gdi::Rect& box) {
            wave->printLabelMode = 2;
            wave->pictureMode = smooth ? 1 : 0;
            if (smooth)
                wave->DrawForWordReport(dc, item.m_nFirstSample, item.m_nSampleCount, box, true, &font, draw);
            else
                wave->DrawForPrint(dc, item.m_nFirstSample, item.m_nSampleCount, box, true, &font, draw);
            wave->printLabelMode = 0;
            wave->pictureMode = 0;
        },
        m_english);
    ShowAsDrawn(m_doc->AddPicture(t.Cell(curveRow, 1).Range(), curvePath), curvePx);
    // A tiny font in the picture's paragraph: its line is the picture and no more.
    t.Cell(curveRow, 1).Range().SetFontSize(1);

    int next = curveRow + 1;
    if (spectrum) {
        const int R = next;
        if (columns < 2) { // room for the read-outs beside the picture
            t.Cell(R, 1).Split(1, 2);
            t.Cell(R, 1).SetWidth(L.cellWidth / 6);
            t.Cell(R, 2).SetWidth(L.cellWidth - L.cellWidth / 6);
        }
        const int w1 = int(t.Cell(R, 1).Width());
        const int lastColumn = std::max(2, columns);
        t.Cell(R, 1).Split(6, 1);
        // The English range in the short form of the printed page: the long
        // one does not fit the read-out column.
        const QString readouts[6] = {
            english ? QStringLiteral(" SRange:0-%1Hz").arg(item.m_nSpecRange)
                    : QStringLiteral(" 频谱范围:0-%1Hz").arg(item.m_nSpecRange),
            QStringLiteral(" F0:%1Hz").arg(item.m_nF0),
            QStringLiteral(" dFL:%1Hz").arg(item.m_nDFL),
            QStringLiteral(" dFD1:%1Hz").arg(item.m_nDFD1),
            QStringLiteral(" dFD2:%1Hz").arg(item.m_nDFD2),
            QStringLiteral(" FAMax:%1Hz").arg(item.m_nFAMax),
        };
        const float readoutRow = heights.spectrum / 6;
        pit::FittedLine line = fit(L.fontSize, readoutRow, 0, 0);
        for (const QString& text : readouts) {
            const pit::FittedLine f = fit(L.fontSize, readoutRow, Measure(text), w1);
            if (f.size < line.size)
                line = f;
        }
        for (int k = 0; k < 6; ++k) {
            pit::WordCell c = t.Cell(R + k, 1);
            c.SetVerticalAlignment(1);
            put(c.Range(), line, readouts[k], w1);
        }
        const int sw = int(L.cellWidth - w1 - (english ? 4 : 2));
        const int sh = int(heights.spectrum);
        const QString spectrumPath = pit::DocumentPictureFile(QStringLiteral("PRO-010%1").arg(turn), false);
        const QSize spectrumPx(std::max(1, pit::PointsToPixels(sw) - 3),
                               std::max(1, pit::PointsToPixels(sh) - 3));
        WritePicture(
            spectrumPath, spectrumPx, false,
            [&](gdi::Canvas& dc, const gdi::Rect& box) {
                gdi::Font labels; // at the picture's resolution
                CreateReportFont(labels, labelPt * kPictureScale);
                CSpectrum spectrumDrawer(wave.get());
                spectrumDrawer.SetFillMode(wave->GetFillMode());
                gdi::Rect r = box;
                r.DeflateRect(1, 1);
                spectrumDrawer.SetRect(r.left, r.top, r.right, r.bottom);
                spectrumDrawer.SetRefine(item.m_nRefine);
                spectrumDrawer.DrawForPrint(dc, labels);
            },
            m_english);
        if (lastColumn > 2)
            t.Cell(R, 2).Merge(t.Cell(R, lastColumn));
        t.Cell(R, 2).Range().SetLineSpacingRule(pit::kLineSingle);
        ShowAsDrawn(m_doc->AddPicture(t.Cell(R, 2).Range(), spectrumPath), spectrumPx);
        next = R + 6;
    }
    if (quality) {
        pit::WordCell c = t.Cell(next, 1);
        c.SetVerticalAlignment(1);
        if (columns > 1)
            c.Merge(t.Cell(next, columns));
        const QString text =
            pit::DrawnText(english ? (item.m_strIntegrity.contains(QStringLiteral("Integrity"))
                                          ? QStringLiteral(" ")
                                          : QStringLiteral(" Test Results:")) +
                                         item.m_strIntegrity
                                   : QStringLiteral(" 完整性评价:") + item.m_strIntegrity,
                           true);
        // The printed cell draws it in its fields' font: a long one is not
        // set smaller than the fields, and is cut.
        put(t.Cell(next, 1).Range(), fit(wanted, heights.text, Measure(text), L.cellWidth, textSize), text,
            L.cellWidth);
    }
    turn = (turn + 1) % 5;
}

void CWordOffice::WritePitPage(const CReportPileItem& item, const CPrintSettings& s,
                               const pit::WordRange& cell) {
    const ProjectCellLayout L = ComputePageLayout(&s, 1);
    pit::WordTable t = m_doc->AddTable(cell, L.tableRows, L.fieldColumns);
    t.SetBordersEnabled(true);
    pit::WordRange all = t.Range();
    all.SetFontName(QStringLiteral("宋体"));
    all.SetFontSize(L.fontSize);
    all.SetBold(false);
    // The table keeps inside the outer cell, whose paddings take 3.5 points
    // of the page's width (a wider table has its right edge cut off).
    const double tableWidth = L.cellWidth - 3.5;
    for (int k = 1; k <= L.fieldColumns; ++k)
        t.SetColumnWidth(k, tableWidth / L.fieldColumns);
    if (L.lineSpacingRule == 0.5f) {
        all.SetLineSpacingRule(pit::kLineSingle);
    } else {
        all.SetLineSpacingRule(int(L.lineSpacingRule));
        all.SetLineSpacing(L.lineSpacing);
    }
    all.SetAlignment(pit::kAlignLeft);
    t.SetPaddings(0, 0);
    t.SetRowsHeight(L.lineHeight, pit::kHeightExactly);
    t.Row(3).SetHeight(6 * L.lineHeight, pit::kHeightExactly);

    // A row of two merged parts: cells 1-4 and 5-6, each text on one line.
    const auto textRow = [&](int row, const QString& left, const QString& right) {
        t.Cell(row, 1).Merge(t.Cell(row, 4));
        t.Cell(row, 2).Merge(t.Cell(row, 3));
        for (int c = 1; c <= 2; ++c) {
            t.Cell(row, c).SetVerticalAlignment(1);
            pit::WordRange r = t.Cell(row, c).Range();
            r.SetRightIndent(-0.5);
            r.SetText(pit::DrawnText(c == 1 ? left : right, true));
        }
    };
    textRow(1, QStringLiteral(" ") + item.m_strProject.trimmed(), QStringLiteral(" ") + item.m_strModel);
    textRow(2, QStringLiteral(" ") + item.m_strPileNo,
            QStringLiteral(" ") + item.m_dtTest.toString(QStringLiteral("yyyy-MM-dd")));

    t.Cell(3, 1).Split(6, 1);
    t.Cell(3, 2).Merge(t.Cell(3, 6));
    t.Cell(3, 2).SetVerticalAlignment(1);
    int high = 0, low = 0;
    item.m_wave.GetFilterCutoffs(high, low);
    // PALO is the high-pass and PAHI the low-pass cut-off, as on the printed page.
    const QString readouts[6] = {
        QStringLiteral(" SZPI:%1 m").arg(int(item.m_fDiameter)),
        QString::asprintf(" LGPI:%.2f m", double(item.m_fLength)),
        QStringLiteral(" PWPI:%1 m/s").arg(item.m_nSpeed),
        QStringLiteral(" PALO:%1 Hz").arg(high),
        QStringLiteral(" PAHI:%1 Hz").arg(low),
        QStringLiteral(" FXEX:%1").arg(item.m_wave.GetExpGain()),
    };
    for (int k = 0; k < 6; ++k) {
        pit::WordCell c = t.Cell(3 + k, 1);
        c.SetVerticalAlignment(1);
        c.Range().SetRightIndent(-0.5);
        c.Range().SetText(readouts[k]);
    }

    // The curve: a 1000-pixel-wide bitmap, whatever the file's extension.
    const bool smooth = m_draw.curve && m_draw.Curve().IsSmooth != 0;
    const QString path =
        pit::DocumentPictureFile(QStringLiteral("PRO-001%1").arg(m_nPitPictureIndex), smooth);
    std::unique_ptr<CWaveRecord> wave = DrawWave(item, s.m_nColumn == 2);
    const QSize px(1000, std::max(1, int(L.pictureAspect * 1000)));
    WritePicture(
        path, px, true,
        [&](gdi::Canvas& dc, const gdi::Rect& box) {
            wave->DrawForPrint(dc, item.m_nFirstSample, item.m_nSampleCount, box, true, nullptr, m_draw);
        },
        m_english);
    pit::WordCell pictureCell = t.Cell(3, 2);
    pictureCell.Range().SetAlignment(pit::kAlignCenter);
    pictureCell.Range().SetLineSpacingRule(pit::kLineSingle);
    // A little narrower than its cell, at the aspect drawn: a picture as wide
    // as the cell loses its right edge (the time unit) to the cell's border.
    pit::WordInlineShape picture = m_doc->AddPicture(pictureCell.Range(), path);
    const double shown = std::min(picture.Width(), pictureCell.Width() - 4);
    picture.SetWidth(shown);
    picture.SetHeight(shown * px.height() / px.width());
    t.Cell(3, 1).SetHeight(L.lineHeight, pit::kHeightExactly);

    // The last row (row 9 after the split): project text 3 and the version label.
    textRow(9, QStringLiteral(" ") + item.m_strProjectC,
            QStringLiteral(" ") + QString::fromLatin1(kVersionLabel));
    t.Cell(3, 1).SetHeight(L.lineHeight, pit::kHeightExactly);
}
