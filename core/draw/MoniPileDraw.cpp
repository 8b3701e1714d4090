#include "core/draw/MoniPileDraw.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pit {

namespace {

constexpr COLORREF kGrey = 0xDEDEDE;

} // namespace

PileSketchGeometry ComputePileSketch(const PileSketchWave& wave, const gdi::Rect& rect, int bottomType,
                                     int s) {
    PileSketchGeometry g;
    const int shown = int(wave.sampleCount / wave.zoom);
    if (shown <= 0 || rect.IsRectEmpty())
        return g;
    g.valid = true;
    auto xOf = [&](int i) { return rect.left + int((long long)rect.Width() * i / shown); };
    const int h = rect.Height();

    g.xh = xOf(wave.headIndex);
    g.xt = xOf(wave.toeIndex);
    g.toeVisible = true;
    if (g.xt > rect.right) {
        g.xt = rect.right;
        g.toeVisible = false;
    }
    g.yb = rect.bottom - 2;
    g.yt = wave.expGain != 1 ? rect.top + h / 2 : rect.top + h / 4;
    const int xh = g.xh, xt = g.xt, yt = g.yt, yb = g.yb;

    auto stroke = [&g](SketchPen pen, std::vector<gdi::Point> pts) {
        g.strokes.push_back({pen, std::move(pts)});
    };
    switch (bottomType) {
    case 0:
        stroke(SketchPen::Main, {{xh, yt}, {xt, yt}, {xt, yb}, {xh, yb}, {xh, yt}});
        break;
    case 1:
        stroke(SketchPen::Main,
               {{xh, yt}, {xt - 8, yt}, {xt, (yt + yb) / 2}, {xt - 8, yb}, {xh, yb}, {xh, yt}});
        break;
    case 2:
        stroke(SketchPen::Main, {{xh, yt},
                                 {xt - 8, yt},
                                 {xt - 8, yt - 2},
                                 {xt, yt - 2},
                                 {xt, yb + 1},
                                 {xt - 8, yb + 1},
                                 {xt - 8, yb},
                                 {xh, yb},
                                 {xh, yt}});
        break;
    default:
        break;
    }

    for (const SketchDefect& d : wave.defects) {
        if (d.type < 0 || d.type > 5 || d.index < 0)
            continue;
        const int x = xOf(d.index);
        switch (d.type) {
        case 0: // necking: notches into the body
        case 5: // bulging: notches out of it
        {
            const bool in = d.type == 0;
            const int top = in ? yt + 2 * s : yt - 2 * s;
            const int bottom = in ? yb - 2 * s : yb + s;
            stroke(SketchPen::Eraser, {{x - 3 * s, yt}, {x + 3 * s, yt}});
            stroke(SketchPen::Eraser, {{x - 3 * s, yb}, {x + 3 * s, yb}});
            stroke(SketchPen::Solid, {{x - 3 * s, yt}, {x - 3 * s, top}, {x + 3 * s, top}, {x + 3 * s, yt}});
            stroke(SketchPen::Solid,
                   {{x - 3 * s, yb}, {x - 3 * s, bottom}, {x + 3 * s, bottom}, {x + 3 * s, yb}});
            break;
        }
        case 1: // segregation
        case 4: // general defect
            for (int dx : {-3, -1, 1, 3})
                stroke(SketchPen::Dotted, {{x + dx * s, yt + s}, {x + dx * s, yb - s}});
            break;
        case 2: // fracture
            stroke(SketchPen::Eraser, {{x - 2 * s, yt}, {x + 2 * s, yt}});
            stroke(SketchPen::Eraser, {{x - 2 * s, yb}, {x + 2 * s, yb}});
            stroke(SketchPen::Solid, {{x - 2 * s, yt}, {x - 2 * s, yb}});
            stroke(SketchPen::Solid, {{x + 2 * s, yt}, {x + 2 * s, yb}});
            break;
        case 3: // crack
            stroke(SketchPen::Solid, {{x, yt}, {x, yt + (yb - yt) / 2}});
            break;
        }
    }

    // Amplification curve y = a exp(5x / R) + b through (x0, yt) and (R, T);
    // only where it has a width to run over.
    const int x0 = xOf(wave.expStart);
    const int R = xt;
    if (wave.expGain > 1 && R > 0 && x0 < R) {
        const int T = rect.top + 2 * s;
        const double e0 = std::exp(5.0 * x0 / R);
        const double a = (T - yt) / (std::exp(5.0) - e0);
        std::vector<gdi::Point> curve;
        curve.reserve(size_t(R - x0 + 1));
        for (int x = x0; x <= R; ++x) {
            // b = yt - a e0, written so both ends land on their pixels exactly.
            const double y = yt + a * (std::exp(5.0 * x / R) - e0);
            curve.push_back({x, int(y + (y < 0 ? -1e-9 : 1e-9))});
        }
        stroke(SketchPen::Main, std::move(curve));
        stroke(SketchPen::Main, {{x0, yt - 3 * s}, {x0, yt}});
        stroke(SketchPen::Main, {{R, T}, {R, yt}});
    }
    // The notches, the enlarged bottom and the amplification start reach
    // above the body, but not out of the top of a short strip (into the
    // ruler's labels above it).
    for (SketchStroke& st : g.strokes)
        for (gdi::Point& p : st.points)
            p.y = std::max(p.y, int(rect.top));
    g.factorAt = {xt + 10, rect.top + h / 4};
    return g;
}

} // namespace pit

CMoniPileDraw::CMoniPileDraw(const CMoniPileDraw& other)
    : m_rect(other.m_rect), m_colour(other.m_colour), m_background(other.m_background),
      m_nPenWidth(other.m_nPenWidth), m_nBottomType(other.m_nBottomType), m_bPrintFlag(other.m_bPrintFlag) {}

CMoniPileDraw& CMoniPileDraw::operator=(const CMoniPileDraw& other) {
    if (this != &other) {
        m_rect = other.m_rect;
        m_colour = other.m_colour;
        m_background = other.m_background;
        m_nPenWidth = other.m_nPenWidth;
        m_nBottomType = other.m_nBottomType;
        m_bPrintFlag = other.m_bPrintFlag;
    }
    return *this;
}

void CMoniPileDraw::Draw(gdi::Canvas& dc, const pit::PileSketchWave& wave, const gdi::Pen* pen) const {
    draw(dc, wave, pen, false);
}

void CMoniPileDraw::draw(gdi::Canvas& dc, const pit::PileSketchWave& wave, const gdi::Pen* pen,
                         bool plain) const {
    const int s = std::max(1, dc.dpiX() / 96);
    const pit::PileSketchGeometry g = pit::ComputePileSketch(wave, m_rect, m_nBottomType, s);
    if (!g.valid)
        return;
    if (!dc.isPrinting() && !m_bPrintFlag)
        dc.FillSolidRect(m_rect, !plain && wave.oddChannel ? pit::kGrey : 0xFFFFFF);

    const gdi::Pen main = pen ? *pen : gdi::Pen::Create(gdi::PS_SOLID, m_nPenWidth * s, m_colour);
    const gdi::Pen solid = gdi::Pen::Create(gdi::PS_SOLID, m_nPenWidth * s, m_colour);
    const gdi::Pen dotted = gdi::Pen::Create(gdi::PS_DOT, s, m_colour);
    const gdi::Pen eraser = gdi::Pen::Create(gdi::PS_SOLID, m_nPenWidth * s, 0xFFFFFF);
    const gdi::Pen oldPen = dc.GetPen();
    const int oldMode = dc.SetBkMode(gdi::TRANSPARENT);
    for (const pit::SketchStroke& st : g.strokes) {
        switch (st.pen) {
        case pit::SketchPen::Main:
            dc.SelectPen(main);
            break;
        case pit::SketchPen::Solid:
            dc.SelectPen(solid);
            break;
        case pit::SketchPen::Dotted:
            dc.SelectPen(dotted);
            break;
        case pit::SketchPen::Eraser:
            dc.SelectPen(eraser);
            break;
        }
        dc.Polyline(st.points);
    }
    if (g.toeVisible) {
        const QString text = QString::asprintf("\u00d7 %d", wave.expGain);
        gdi::Rect r(g.factorAt.x, g.factorAt.y, m_rect.right, m_rect.bottom);
        dc.DrawText(text, r, gdi::DT_CALCRECT | gdi::DT_SINGLELINE | gdi::DT_VCENTER);
        if (r.Width() < m_rect.Height() * 3 / 4 - 2)
            dc.DrawText(text, r, gdi::DT_SINGLELINE | gdi::DT_VCENTER);
    }
    dc.SetBkMode(oldMode);
    dc.SelectPen(oldPen);
}

bool CMoniPileDraw::DrawToBitmap(const pit::PileSketchWave& wave, int dpiX, qreal devicePixelRatio) {
    if (m_rect.IsRectEmpty())
        return false;
    auto render = [&](QImage& image, bool plain) {
        image = QImage(int(m_rect.Width() * devicePixelRatio), int(m_rect.Height() * devicePixelRatio),
                       QImage::Format_RGB32);
        if (image.isNull())
            return false;
        image.setDevicePixelRatio(devicePixelRatio);
        image.fill(Qt::white);
        QPainter p(&image);
        gdi::Canvas dc(p, dpiX, dpiX, false);
        dc.SetViewportOrg(-m_rect.left, -m_rect.top);
        dc.SelectFont(gdi::Font::Create(16, 400, QStringLiteral("Arial")));
        draw(dc, wave, nullptr, plain);
        return true;
    };
    return render(m_bitmap, false) && render(m_plainBitmap, true);
}
