// The print preview as the user opens it: the system preview dialog at the
// zoom it opens with (the whole page in view), playing back the pages that
// report mode's 打印预览 and the analysis view record. Hairline curves and
// marks must show in their own colours there, as on paper.
#include "analysis/AnalysisView.h"
#include "core/doc/CurveStyle.h"
#include "core/pile/PileRecord.h"
#include "core/wave/WaveRecord.h"
#include "mainwnd/CommandIds.h"
#include "tests/mainwnd/FrameFixture.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

namespace pit::test {
namespace {

struct PreviewShot {
    QImage view; // the preview's page view, as shown
    QPrintPreviewWidget::ZoomMode zoom = QPrintPreviewWidget::CustomZoom;
    int pages = 0;
};

// Takes the preview dialog's page view once the dialog shows, then closes it.
void ShootPreviewWhenShown(PreviewShot& shot) {
    WhenModal([&shot](QDialog& dialog) {
        ASSERT_NE(qobject_cast<QPrintPreviewDialog*>(&dialog), nullptr);
        auto* preview = dialog.findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        shot.zoom = preview->zoomMode();
        shot.pages = preview->pageCount();
        shot.view = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
    });
}

bool Near(QRgb px, const QColor& c, int tolerance) {
    return std::abs(qRed(px) - c.red()) <= tolerance && std::abs(qGreen(px) - c.green()) <= tolerance &&
           std::abs(qBlue(px) - c.blue()) <= tolerance;
}

// The paper in the view: from each side of the view's middle lines inwards,
// up to where the white begins (past the scene's grey and the page shadow).
QRect Paper(const QImage& view) {
    auto white = [&view](int x, int y) { return view.pixel(x, y) == qRgb(255, 255, 255); };
    // The first of three white pixels in a row from `from` towards `to`.
    auto edge = [&](int from, int to, auto at) {
        const int step = from < to ? 1 : -1;
        for (int i = from; i != to; i += step)
            if (at(i) && at(i + step) && at(i + 2 * step))
                return i;
        return from;
    };
    const int midX = view.width() / 2, midY = view.height() / 2;
    auto row = [&](int x) { return white(x, midY); };
    auto column = [&](int y) { return white(midX, y); };
    return QRect(QPoint(edge(0, midX, row), edge(0, midY, column)),
                 QPoint(edge(view.width() - 1, midX, row), edge(view.height() - 1, midY, column)));
}

// Columns of the paper with a pixel of colour c: where a curve drawn in c
// shows along its length.
int ColumnsIn(const QImage& view, const QRect& paper, const QColor& c) {
    int n = 0;
    for (int x = paper.left(); x <= paper.right(); ++x) {
        bool found = false;
        for (int y = paper.top(); y <= paper.bottom() && !found; ++y)
            found = Near(view.pixel(x, y), c, 24);
        n += found;
    }
    return n;
}

struct PrintPreview : Frame {
    void TearDown() override {
        g_nViewMode = 0;
        Frame::TearDown();
    }
    void Save(const PreviewShot& shot, const QString& name) {
        if (qEnvironmentVariableIsSet("PIT_SCREENSHOT"))
            shot.view.save(qEnvironmentVariable("PIT_SCREENSHOT") + name);
    }
};

} // namespace

TEST_F(PrintPreview, ReportModePreviewDrawsTheCurvesInTheirColoursAtTheWholePageZoom) {
    struct Case {
        const char* name;
        int reportCommand;
        QColor curve;
    } cases[] = {
        // The single-pile page draws the wave in the channel's own colour, the
        // project cells in the curve style's.
        {"single-pile page", cmd::kSingleReport, pit::toQColor(doc->m_PileRecord.Channel(0)->colours[1])},
        {"project page", cmd::kProjectReport, pit::toQColor(doc->m_CurveStyle[CurveElement::Wave].color)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(choose(c.reportCommand));
        QApplication::processEvents();
        PreviewShot shot;
        ShootPreviewWhenShown(shot);
        ASSERT_TRUE(choose(cmd::kPrintPreview));
        Save(shot, QStringLiteral("preview-%1.png").arg(c.reportCommand));
        ASSERT_FALSE(shot.view.isNull()) << "no preview shown";
        EXPECT_EQ(shot.zoom, QPrintPreviewWidget::FitInView);
        EXPECT_GT(shot.pages, 0);
        const QRect paper = Paper(shot.view);
        ASSERT_GT(paper.width(), 100);
        ASSERT_LT(paper.height(), shot.view.height()) << "the whole page in view";
        // The curves span most of the paper's width; washed out to a pale
        // tint, not one column shows their colour.
        EXPECT_GT(ColumnsIn(shot.view, paper, c.curve), paper.width() / 2);
        ASSERT_TRUE(choose(cmd::kReportBack));
        QApplication::processEvents();
    }
}

TEST_F(PrintPreview, AnalysisViewPreviewDrawsTheCurveInItsColour) {
    CPileRecord& pile = doc->m_PileRecord;
    PreviewShot shot;
    ShootPreviewWhenShown(shot);
    frame->AnalysisView()->RunSingleReport(pile, CAnalysisView::kPreview);
    Save(shot, QStringLiteral("preview-analysis.png"));
    ASSERT_FALSE(shot.view.isNull()) << "no preview shown";
    EXPECT_EQ(shot.zoom, QPrintPreviewWidget::FitInView);
    const QRect paper = Paper(shot.view);
    const QColor curve = pit::toQColor(pile.Channel(0)->colours[1]);
    EXPECT_GT(ColumnsIn(shot.view, paper, curve), paper.width() / 2);
}

} // namespace pit::test
