// The simulated pile sketched under a wave: the body from head to toe, its
// bottom shape, a symbol per defect mark and the amplification curve.
#pragma once

#include "platform/Canvas.h"
#include "platform/Color.h"

#include <QImage>
#include <QString>
#include <vector>

namespace pit {

struct SketchDefect {
    int index = 0; // sample index
    int type = 0;  // 0 necking, 1 segregation, 2 fracture, 3 crack, 4 defect, 5 bulging
};

// What the sketch reads of its channel; the channel fills it for each drawing.
struct PileSketchWave {
    int sampleCount = 1024;
    float zoom = 1.0f;
    int headIndex = 0;
    int toeIndex = 1;
    int expGain = 1;
    int expStart = 0;
    bool oddChannel = false; // not the average and an odd channel number: grey strip
    std::vector<SketchDefect> defects;
};

enum class SketchPen { Main, Solid, Dotted, Eraser };

struct SketchStroke {
    SketchPen pen = SketchPen::Main;
    std::vector<gdi::Point> points; // a polyline
};

struct PileSketchGeometry {
    bool valid = false;
    int xh = 0;
    int xt = 0;
    bool toeVisible = false;
    int yt = 0;                        // body top
    int yb = 0;                        // body bottom
    std::vector<SketchStroke> strokes; // in drawing order
    gdi::Point factorAt;               // top left of the "× n" text, when the toe is visible
};

// s scales the defect symbols and the amplification curve (device pixels per
// 1/96 inch); the outline and the text offsets are in device pixels.
PileSketchGeometry ComputePileSketch(const PileSketchWave& wave, const gdi::Rect& rect, int bottomType,
                                     int s);

} // namespace pit

class CMoniPileDraw {
public:
    CMoniPileDraw() = default;
    // Copies carry the values, not the cached pictures.
    CMoniPileDraw(const CMoniPileDraw& other);
    CMoniPileDraw& operator=(const CMoniPileDraw& other);

    void SetRect(const gdi::Rect& rect) { m_rect = rect; }
    const gdi::Rect& GetRect() const { return m_rect; }
    void SetBottomType(int type) { m_nBottomType = type; }
    int GetBottomType() const { return m_nBottomType; }
    void SetPrintFlag(bool on) { m_bPrintFlag = on; }
    bool GetPrintFlag() const { return m_bPrintFlag; }
    void SetColour(pit::COLORREF c) { m_colour = c; }
    void SetPenWidth(int w) { m_nPenWidth = w; }

    // The sketch as the screen shows it, and the same on white.
    const QImage& GetBitmap() const { return m_bitmap; }
    const QImage& GetBitmap2() const { return m_plainBitmap; }

    // Renders both pictures at the rectangle's size (times the device pixel
    // ratio); false when the rectangle is empty.
    bool DrawToBitmap(const pit::PileSketchWave& wave, int dpiX = 96, qreal devicePixelRatio = 1.0);
    // Draws with pen, or with a solid pen of the sketch's colour and width.
    void Draw(gdi::Canvas& dc, const pit::PileSketchWave& wave, const gdi::Pen* pen = nullptr) const;

private:
    void draw(gdi::Canvas& dc, const pit::PileSketchWave& wave, const gdi::Pen* pen, bool plain) const;

    gdi::Rect m_rect;
    pit::COLORREF m_colour = 0x000000;
    pit::COLORREF m_background = 0xFFFFFF;
    int m_nPenWidth = 1;
    int m_nBottomType = 0;
    bool m_bPrintFlag = false;
    QImage m_bitmap;
    QImage m_plainBitmap;
};
