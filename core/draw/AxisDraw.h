// The depth ruler under a wave: metres below the labelling start, chosen
// separately after it and before the zero-depth sample.
#pragma once

#include "core/draw/Ruler.h"
#include "platform/Canvas.h"

#include <QString>

class CAxisDraw : public pit::RulerTicks {
public:
    // Depths are measured from zeroIndex (backward, speedAbove) and from
    // startIndex (forward, speed); toeIndex is kept and not drawn.
    CAxisDraw(int zeroIndex, int startIndex, int toeIndex, float sampleInterval, int left, int top, int right,
              int bottom, int firstSample, int sampleCount, int speedAbove, int speed);

    void SetFlags(bool fineLine, bool layoutFlag) {
        m_bFineLine = fineLine;
        m_bLayoutFlag = layoutFlag;
    }

    // GetSteps gives the forward step; this the one before the zero.
    float GetBackwardSamplesPerTick() const { return m_fSamplesPerTickBack; }

    pit::RulerLayout Layout(const pit::RulerDevice& device, const pit::TextMeasure& measure) const;
    void Draw(gdi::Canvas& dc);

private:
    int m_nZero;
    int m_nStart;
    int m_nToeIndex;
    float m_fInterval;
    gdi::Rect m_rect;
    int m_nFirst;
    int m_nCount;
    int m_nSpeedAbove;
    int m_nSpeed;
    QString m_strUnit = QStringLiteral("us");
    int m_nSubdivisions = 5;
    int m_nMultiplier = 1;
    float m_fSamplesPerTickBack = 0;
    bool m_bDecimals = false;
    int m_nLabelStepBack = 1;
    int m_nLabelGap = pit::kRulerLabelGap;
    bool m_bFineLine = false;
    bool m_bLayoutFlag = false;
};
