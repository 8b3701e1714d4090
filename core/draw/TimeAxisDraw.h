// The time ruler under a wave: ticks about a given number of millimetres
// apart, labelled in us, ms or s from the origin sample.
#pragma once

#include "core/draw/Ruler.h"
#include "platform/Canvas.h"

#include <QString>

class CTimeAxisDraw : public pit::RulerTicks {
public:
    // originIndex is time 0; refIndex and toeIndex are kept for the callers
    // and not drawn. The ruler's axis runs along the rectangle's top.
    CTimeAxisDraw(int originIndex, int refIndex, int toeIndex, float sampleInterval, int left, int top,
                  int right, int bottom, int firstSample, int sampleCount);

    // On a printer the labels sit closer to the axis for picture exports.
    void SetFineLine(bool on) { m_bFineLine = on; }

    const QString& GetUnit() const { return m_strUnit; }

    pit::RulerLayout Layout(const pit::RulerDevice& device, const pit::TextMeasure& measure) const;
    void Draw(gdi::Canvas& dc);

private:
    bool m_bFineLine = false;
    int m_nOrigin;
    int m_nRefIndex;
    int m_nToeIndex;
    float m_fInterval;
    gdi::Rect m_rect;
    int m_nFirst;
    int m_nCount;
    QString m_strUnit = QStringLiteral("us");
    int m_nSubdivisions = 5;
    int m_nMultiplier = 1;
    bool m_bOneDecimal = false;
    int m_nLabelGap = pit::kRulerLabelGap;
};
