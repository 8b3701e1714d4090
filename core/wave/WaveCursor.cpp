// The head and toe setters with their order checks, and the cursor read-out
// lines that the read-out panel shows.
#include "core/wave/WaveRecord.h"

#include "core/doc/MathOperation.h"
#include "core/wave/WaveMath.h"
#include "platform/AppContext.h"

#include <algorithm>
#include <cmath>

using pit::wave::TruncToInt;

namespace {

void Tell(const pit::AppContext& app, const char* zh, const char* en) {
    app.message(QString::fromUtf8(zh), QString::fromUtf8(en), QStringLiteral("提示"), QStringLiteral("Tips"),
                pit::MB_OK);
}

QString Decimals(double v, int decimals) {
    return MathOperation::FormatFloatDecimals(float(v), std::clamp(decimals, 0, 6));
}

} // namespace

void CWaveRecord::RecomputeLengthOrSpeed(int mode, bool halfUp) {
    if (!HasInterval())
        return;
    const double dt = sampleInterval;
    if (mode == 0) {
        sensorSamples = float(TruncToInt(double(LengthToTime(false)) / dt));
        pileLength = float((toeIndex - refIndex + double(sensorSamples)) * dt * speed / 2.0 / 1e6);
    } else if (mode == 1) {
        sensorSamples = float(TruncToInt(double(LengthToTime(true)) / dt + (halfUp ? 0.5 : 0.0)));
        // The setters keep the toe after the reference; the speed stays when they meet.
        const int span = toeIndex - refIndex;
        if (span > 0)
            speed = TruncToInt((double(pileLength) * 1.2 - double(sensorDistance)) * 1e6 / (span * 0.6 * dt));
    }
}

bool CWaveRecord::SetToeIndex(int index, int mode, const pit::AppContext& app) {
    if (index < 0 || index >= sampleCount)
        return false;
    if (index <= refIndex) {
        Tell(app, "桩底必须在桩顶之后", "PileEnd should be on the right of Head");
        return false;
    }
    toeIndex = index;
    RecomputeLengthOrSpeed(mode, false);
    return true;
}

bool CWaveRecord::SetHeadIndex(int index, int mode, const pit::AppContext& app) {
    if (index < 0 || index >= sampleCount)
        return false;
    if (toeIndex != 1 && index > toeIndex) {
        Tell(app, "桩顶必须在桩底之前", "BoltHead should be left of End");
        return false;
    }
    if (index + (refIndex - headIndex) >= toeIndex) {
        Tell(app, "自由端位置超出杆底", "FreeEnd is beyond BoltEnd!");
        return false;
    }
    const int delta = index - headIndex;
    headIndex = index;
    refIndex = headIndex;
    expStart = std::clamp(expStart + delta, 0, toeIndex);
    RecomputeLengthOrSpeed(mode, true);
    return true;
}

bool CWaveRecord::SetHeadFromPoint(int x, int y, int mode, const pit::AppContext& app) {
    return SetHeadIndex(XToIndex(x, y, 1), mode, app);
}

bool CWaveRecord::SetToeFromPoint(int x, int y, int mode, const pit::AppContext& app) {
    return SetToeIndex(XToIndex(x, y, 1), mode, app);
}

void CWaveRecord::FormatCursorInfo(int decimals, int markerMode, bool analysisView, float pilePeakFrequency) {
    const int i = XToIndex(pickX, pickY, analysisView ? 0 : 1);
    if (analysisView)
        spectrumPeak = pilePeakFrequency;
    const int h = headIndex, r = refIndex, t = toeIndex;
    const double dt = sampleInterval;
    const double L = pileLength;
    double T = i == h ? 0.0 : (i - h + double(sensorSamples)) * dt;
    const double toeTime = speed != 0 ? 2.0 * L / speed * 1e6 : 0.0;
    std::array<QString, 6> lines;

    if (i < 0 || i >= sampleCount) {
        // Off the wave on either side: nothing to read at i.
        lines[1] = QString::asprintf("T:%-8.0fus", T);
        lines[2] = QStringLiteral("V: out");
        lines[3] = QString::asprintf("dL: out%-12d", i);
        lines[5] = QStringLiteral("L:") + Decimals(L, decimals);
    } else {
        double dL = 0.0;
        int g = 0, k = 0;
        const double step = rulerValueStep;
        if (step > 0 && XToGridTick(pickX, g, k)) {
            const double v = g * step + k * step / 5.0;
            if (axisMode == 1) {
                T = v * 1000.0;
                dL = speed * v / 2000.0;
            } else {
                T = speed != 0 ? 2.0 * v / speed * 1e6 : 0.0;
                dL = v;
            }
        } else if (pickX - plotRect.left == toeX) {
            T = toeTime;
            dL = L;
        } else if (i > r) {
            dL = ((r - h) * dt * speedAbove / 2.0 + (i - r + double(sensorSamples)) * dt * speed / 2.0) / 1e6;
        } else {
            dL = (i - h) * dt * speedAbove / 2.0 / 1e6;
        }
        float rounded = float(dL);
        MathOperation::RoundToDecimals(rounded, std::clamp(decimals, 0, 6));

        lines[0] = QStringLiteral("Vmax:");
        if (dataForm == 0) {
            float A = float(displayMax100);
            const int d = MathOperation::ChooseDecimalsAndRound(A);
            lines[0] += MathOperation::FormatFloatDecimals(A, d) + QStringLiteral("cm/s");
        }
        lines[1] = PadText(QString::asprintf("T:%-.0f[%-.0f]", toeTime, T), 14);
        lines[2] = PadText(QString::asprintf("V: %-12.2E", double(display[size_t(i)]) * 100.0), 18);
        lines[3] = PadText(QStringLiteral("dL:") + Decimals(rounded, decimals) + QStringLiteral("m"), 14);
        lines[5] = QStringLiteral("L:") + Decimals(L, decimals) + QStringLiteral("m");
    }

    int c2 = speed;
    if (markerMode == 1 && dt > 0) {
        const double sd = sensorDistance;
        if (i > r)
            c2 = TruncToInt((2.0 * L * 1e6 - sd) / ((i - r) * dt));
        else if (t != i) // at the toe there is no travel time to divide by
            c2 = TruncToInt((1.2 * L * 1e6 - sd) / ((t - i) * 0.6 * dt));
    }
    lines[4] = QString::asprintf("C:%-.0dm/s[%-.0d]", speed, c2);
    cursorLines = lines;
}
