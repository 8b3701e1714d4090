// The depth ruler under a wave: metres below the labelling start, chosen
// separately after it and before the zero-depth sample.
#pragma once

#include "core/Ruler.h"
#include "platform/Canvas.h"

#include <QString>

class CAxisDraw {
public:
    // Depths are measured from zeroIndex (backward, speedAbove) and from
    // startIndex (forward, speed); toeIndex is kept and not drawn.
    CAxisDraw(int zeroIndex, int startIndex, int toeIndex, float sampleInterval, int left, int top, int right,
              int bottom, int firstSample, int sampleCount, int speedAbove, int speed);

    // Negative gives 10, above 50 gives 50; 0 draws with the default 40.
    void SetTickSpacing(int mm);
    void SetTickSizes(int major, int minor);
    void SetFlags(bool fineLine, bool layoutFlag) {
        m_bFineLine = fineLine;
        m_bLayoutFlag = layoutFlag;
    }

    // Samples per major tick and label step (forward) of the last Draw.
    void GetSteps(float& samplesPerTick, int& labelStep) const;
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
    int m_nTickSpacing = 40;
    int m_nMultiplier = 1;
    float m_fSamplesPerTick = 1.0f;
    float m_fSamplesPerTickBack = 0;
    int m_nMajorLength = 4;
    int m_nMinorLength = 3;
    bool m_bDecimals = false;
    int m_nLabelStep = 1;
    int m_nLabelStepBack = 1;
    int m_nLabelGap = 5;
    bool m_bFineLine = false;
    bool m_bLayoutFlag = false;
};
