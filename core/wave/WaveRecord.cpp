// The channel record: construction, reset, partial copy, the channel block of
// the pile file, the layout of rectangles and the small accessors.
#include "core/wave/WaveRecord.h"

#include "core/wave/WaveMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using pit::wave::TruncToInt;

namespace {

template <typename T> T HeaderValue(std::span<const uint8_t> header, size_t offset) {
    T v{};
    if (offset + sizeof(T) <= header.size())
        std::memcpy(&v, header.data() + offset, sizeof(T));
    return v;
}

// Byte offsets of the pile header image (PileHeaderRaw).
constexpr size_t kHdrLength = 9;
constexpr size_t kHdrSpeed = 17;
constexpr size_t kHdrFormFlag = 29;
constexpr size_t kHdrSensorKind = 33;
constexpr size_t kHdrExpGain = 37;
constexpr size_t kHdrInterval = 57;
constexpr size_t kHdrAmpDepth = 90;
constexpr size_t kHdrSensorDistance = 119;
constexpr size_t kHdrGrade = 133;

// A stored toe index outside the n samples marks the last one.
int32_t StoredToeIndex(int32_t toe, int n) {
    return toe < 0 || toe > n - 1 ? n - 1 : toe;
}

} // namespace

namespace pit {

AdChannelParams AdChannelParams::FromBytes(std::span<const uint8_t> b) {
    AdChannelParams p;
    p.pileLength = HeaderValue<float>(b, 0);
    p.speed = HeaderValue<int32_t>(b, 4);
    p.highPassHz = HeaderValue<int32_t>(b, 8);
    p.lowPassHz = HeaderValue<int32_t>(b, 12);
    p.expGain = HeaderValue<int32_t>(b, 16);
    p.ampStartDepth = HeaderValue<float>(b, 20);
    p.headIndex = HeaderValue<int32_t>(b, 24);
    p.toeIndex = HeaderValue<int32_t>(b, 28);
    p.defectIndex = HeaderValue<int32_t>(b, 32);
    return p;
}

WaveContext& WaveContext::Default() {
    static WaveContext ctx;
    return ctx;
}

float WaveContext::GlobalMaxAbs(std::span<const float> source) {
    if (!(m_globalMaxAbs > 0.0f)) {
        for (float v : source)
            if (std::fabs(v) > m_globalMaxAbs)
                m_globalMaxAbs = std::fabs(v);
    }
    return m_globalMaxAbs;
}

} // namespace pit

// ---- construction --------------------------------------------------------------

CWaveRecord::CWaveRecord() {
    Reset();
}

CWaveRecord::CWaveRecord(NoBuffers) {
    ResetFields();
}

// The sample constructors take the samples once and refresh once (in SetExpGain);
// a refused count leaves the default zeros, as Reset would.
CWaveRecord::CWaveRecord(const float* samples, int count, std::span<const uint8_t> header)
    : CWaveRecord(count >= 1 && count <= kMaxCount && samples ? pit::SampleBuffer(samples, size_t(count))
                                                              : pit::SampleBuffer(),
                  header) {}

CWaveRecord::CWaveRecord(pit::SampleBuffer samples, std::span<const uint8_t> header)
    : CWaveRecord(NoBuffers{}) {
    speed = HeaderValue<int32_t>(header, kHdrSpeed);
    pileLength = HeaderValue<float>(header, kHdrLength);
    sensorDistance = float(HeaderValue<int32_t>(header, kHdrSensorDistance)) / 1000.0f;
    pairCount = HeaderValue<int32_t>(header, kHdrGrade);
    RecomputeSpeedAbove();
    sampleInterval = HeaderValue<float>(header, kHdrInterval);
    expGain = HeaderValue<int32_t>(header, kHdrExpGain);
    ampStartDepth = HeaderValue<float>(header, kHdrAmpDepth);
    SetMode(HeaderValue<int32_t>(header, kHdrSensorKind),
            HeaderValue<int32_t>(header, kHdrSensorKind) == 0 &&
                HeaderValue<int32_t>(header, kHdrFormFlag) == 1);
    if (!StoreSamples(std::move(samples)))
        AllocBuffers();
    AutoMarkers();
    Refresh();
}

CWaveRecord::CWaveRecord(const pit::AdChannelParams& p, std::span<const float> samples,
                         std::span<const uint8_t> header)
    : CWaveRecord(NoBuffers{}) {
    speed = p.speed;
    pileLength = p.pileLength;
    sensorDistance = float(HeaderValue<int32_t>(header, kHdrSensorDistance)) / 1000.0f;
    sampleInterval = HeaderValue<float>(header, kHdrInterval);
    SetMode(HeaderValue<int32_t>(header, kHdrSensorKind),
            HeaderValue<int32_t>(header, kHdrSensorKind) == 0 &&
                HeaderValue<int32_t>(header, kHdrFormFlag) == 1);
    RecomputeSpeedAbove();
    expGain = p.expGain;
    ampStartDepth = p.ampStartDepth;
    highPassHz = p.highPassHz;
    lowPassHz = p.lowPassHz;
    if (!StoreSamples(samples.data(), int(samples.size())))
        AllocBuffers();
    headIndex = p.headIndex;
    toeIndex = p.toeIndex;
    sensorSamples =
        HasInterval() ? float(TruncToInt(double(LengthToTime(true)) / double(sampleInterval))) : 0.0f;
    RecomputeRefAndGainStart();
    SetExpGain(expGain);
    if (p.defectIndex >= 1)
        defects.push_back(DefectMark{p.defectIndex, 0, 0, 0});
}

CWaveRecord::CWaveRecord(const CWaveRecord& other) : CWaveRecord(NoBuffers{}) {
    *this = other;
}

CWaveRecord& CWaveRecord::operator=(const CWaveRecord& o) {
    if (this == &o)
        return *this;
    // Reset with the buffers taken from o below; one refresh at the end.
    sampleCount = kDefaultCount;
    ResetFields();
    context = o.context;
    speed = o.speed;
    pileLength = o.pileLength;
    sensorDistance = o.sensorDistance;
    speedAbove = o.speedAbove;
    sampleInterval = o.sampleInterval;
    expGain = o.expGain;
    ampStartDepth = o.ampStartDepth;
    SetMode(o.sensorKind, o.derivedForm != 0);
    highPassHz = o.highPassHz;
    lowPassHz = o.lowPassHz;
    // The copy shares o's samples until either is written.
    pit::SampleBuffer samples = o.source;
    samples.Compact();
    if (!StoreSamples(std::move(samples)))
        AllocBuffers();
    headIndex = o.headIndex;
    toeIndex = o.toeIndex;
    sensorSamples = o.sensorSamples;
    RecomputeRefAndGainStart();
    SetExpGain(expGain);
    defects.insert(defects.end(), o.defects.begin(), o.defects.end());
    return *this;
}

CWaveRecord::~CWaveRecord() = default;

std::unique_ptr<CWaveRecord> CWaveRecord::Clone() const {
    auto c = std::make_unique<CWaveRecord>();
    CWaveRecord& w = *c;
    w.context = context;
    w.readOk = readOk;
    // Shared until written; a run of a pile's sample block gets its own copy.
    w.source = source;
    w.source.Compact();
    w.display = display.SharesWith(source) ? w.source : display;
    w.display.Compact();
    w.sampleCount = sampleCount;
    w.drawA = drawA;
    w.drawB = drawB;
    w.sampleInterval = sampleInterval;
    w.highPassHz = highPassHz;
    w.lowPassHz = lowPassHz;
    w.pileSketch = pileSketch;
    // The read-out panel and the print sketch belong to the original's views and drawings.
    w.readout = nullptr;
    w.frameRect = frameRect;
    w.plotRect = plotRect;
    w.labelRect = labelRect;
    w.infoRect1 = infoRect1;
    w.infoRect2 = infoRect2;
    w.scaleRect = scaleRect;
    w.sketchRect = sketchRect;
    w.readoutRect = readoutRect;
    w.printPlotRect = printPlotRect;
    w.printA = printA;
    w.diameter = diameter;
    w.secondSide = secondSide;
    w.pairValue = pairValue;
    w.pairCount = pairCount;
    w.selected = selected;
    w.waveletHz = waveletHz;
    w.expGain = expGain;
    w.expStart = expStart;
    w.dataForm = dataForm;
    w.scale = scale;
    w.zoom = zoom;
    w.screenBitmap = screenBitmap;
    w.printBitmap = printBitmap;
    w.colours = colours;
    w.drawC = drawC;
    w.waveWidth = waveWidth;
    w.drawD = drawD;
    w.headIndex = headIndex;
    w.toeIndex = toeIndex;
    w.refIndex = refIndex;
    w.tiltStart = tiltStart;
    w.lastDragIndex = lastDragIndex;
    w.axisMode = axisMode;
    w.reserved4 = reserved4;
    w.pickX = pickX;
    w.pickY = pickY;
    w.speedAbove = speedAbove;
    w.speed = speed;
    w.sensorDistance = sensorDistance;
    w.pileLength = pileLength;
    w.defects = defects;
    w.shiftedOutLeft = shiftedOutLeft;
    w.shiftedOutRight = shiftedOutRight;
    w.flagA = flagA;
    w.scaleFlag = scaleFlag;
    w.bottomShape = bottomShape;
    w.zoomStep = zoomStep;
    w.sensorSamples = sensorSamples;
    w.riseIndex = riseIndex;
    w.pulseEnd = pulseEnd;
    w.peakIndex = peakIndex;
    w.localAmplifyMode = localAmplifyMode;
    w.localAmplifyB = localAmplifyB;
    w.labelOffsetX = labelOffsetX;
    w.labelOffsetY = labelOffsetY;
    w.localGain = localGain;
    w.smallTest = smallTest;
    w.isAverage = isAverage;
    w.selStart = selStart;
    w.selEnd = selEnd;
    w.compact = compact;
    w.margins = margins;
    w.commonPeak = commonPeak;
    w.sensorKind = sensorKind;
    w.derivedForm = derivedForm;
    w.displayMax100 = displayMax100;
    w.ampStartDepth = ampStartDepth;
    w.groupPeak = groupPeak;
    w.rulerTickStep = rulerTickStep;
    w.rulerValueStep = rulerValueStep;
    w.toeX = toeX;
    w.spectrumPeak = spectrumPeak;
    w.pictureMode = pictureMode;
    w.layoutMode = layoutMode;
    w.printLabelMode = printLabelMode;
    w.cursorLines = cursorLines;
    return c;
}

void CWaveRecord::Reset() {
    sampleCount = kDefaultCount;
    AllocBuffers();
    ResetFields();
}

void CWaveRecord::ResetFields() {
    drawA = 1;
    drawB = 3;
    sampleInterval = 10.0f;
    highPassHz = 0;
    lowPassHz = 50000;
    frameRect = plotRect = labelRect = infoRect1 = infoRect2 = gdi::Rect{};
    sketchRect = readoutRect = printPlotRect = gdi::Rect{};
    printA = diameter = secondSide = 0.0f;
    selected = 0;
    waveletHz = 0;
    expGain = 1;
    dataForm = 0;
    scale = 1.0f;
    zoom = 1.0f;
    colours = {0x000000, context->DefaultWaveColour(), 0xB46E42, 0x673610, 0x640064, 0x640064, 0x646400,
               0x00FF00};
    drawC = 1;
    waveWidth = 2;
    drawD = 0;
    headIndex = 0;
    expStart = headIndex;
    toeIndex = 1;
    refIndex = 0;
    tiltStart = kTiltUnset;
    lastDragIndex = 0;
    axisMode = 1;
    reserved4 = {};
    pickX = pickY = 0;
    speedAbove = 1;
    speed = 1;
    defects.clear();
    shiftedOutLeft.clear();
    shiftedOutRight.clear();
    flagA = 0;
    scaleFlag = 0;
    bottomShape = 0;
    zoomStep = 0;
    riseIndex = pulseEnd = peakIndex = 0;
    localAmplifyMode = 0;
    localAmplifyB = 0;
    localGain = 1.0f;
    isAverage = 0;
    selStart = selEnd = 0;
    compact = 0;
    margins = {1, 2, 2, 2, 23};
    commonPeak = -1.0f;
    derivedForm = 0;
    groupPeak = -1.0f;
    spectrumPeak = 0.0f;
    pictureMode = 0;
    layoutMode = 0;
    printLabelMode = 0;
    displayMax100 = 0.0;
}

// ---- samples --------------------------------------------------------------------

void CWaveRecord::AllocBuffers() {
    // Every default channel starts from the same zeros; a write copies them.
    static const pit::SampleBuffer zeros(size_t(kDefaultCount), 0.0f);
    source = sampleCount == kDefaultCount ? zeros : pit::SampleBuffer(size_t(std::max(sampleCount, 0)), 0.0f);
    display = source;
}

bool CWaveRecord::SetData(const float* samples, int count) {
    if (!StoreSamples(samples, count))
        return false;
    Refresh();
    return true;
}

bool CWaveRecord::SetSamples(pit::SampleBuffer samples) {
    if (!StoreSamples(std::move(samples)))
        return false;
    Refresh();
    return true;
}

bool CWaveRecord::StoreSamples(const float* samples, int count) {
    if (count < 1 || count > kMaxCount || !samples)
        return false;
    // A copy first: samples may lie in the source (a self-paste).
    return StoreSamples(pit::SampleBuffer(samples, size_t(count)));
}

bool CWaveRecord::StoreSamples(pit::SampleBuffer samples) {
    const size_t count = samples.size();
    if (count < 1 || count > size_t(kMaxCount))
        return false;
    source = std::move(samples);
    sampleCount = int32_t(count);
    sensorSamples = HasInterval() ? float(double(LengthToTime(true)) / double(sampleInterval)) : 0.0f;
    return true;
}

// ---- channel block ---------------------------------------------------------------

int CWaveRecord::BlockSize() const {
    return kBlockFixedBytes + 16 * int(defects.size()) + 4 * sampleCount;
}

bool CWaveRecord::Read(pit::ByteReader& in) {
    const size_t start = in.pos();
    if (in.remaining() < size_t(kBlockFixedBytes)) {
        readOk = 0;
        return false;
    }
    const int32_t n = in.i32();
    const int32_t hp = in.i32();
    const int32_t lp = in.i32();
    const int32_t wavelet = in.i32();
    const int32_t gain = in.i32();
    const int32_t form = in.i32();
    const int32_t shape = in.i32();
    in.i32(); // toeIndex, stored again at 60
    in.i32(); // refIndex, stored again at 56
    const int32_t cAbove = in.i32();
    const int32_t c = in.i32();
    const float distance = in.f32();
    const float length = in.f32();
    const int32_t head = in.i32();
    const int32_t ref = in.i32();
    const int32_t toe = in.i32();
    const float dt = in.f32();
    const int32_t gainStart = in.i32();
    const float z = in.f32();
    const int32_t m = in.i32();

    // The stored counts decide how much follows; refuse a block that does not
    // hold them rather than read another block's bytes. Every stored mark is
    // read: the four-mark limit belongs to marking, not to the file.
    if (n < 1 || n > kMaxCount || m < 0 || in.remaining() < size_t(16) * size_t(m) + size_t(4) * size_t(n)) {
        in.seek(start);
        readOk = 0;
        return false;
    }
    std::vector<DefectMark> marks(static_cast<size_t>(m));
    for (auto& mk : marks) {
        mk.index = in.i32();
        mk.type = in.i32();
        mk.severity = in.i32();
        mk.extra = in.i32();
    }
    pit::SampleBuffer samples = pit::SampleBuffer::Uninitialized(size_t(n));
    in.read(samples.Writable().data(), size_t(n) * sizeof(float));

    readOk = 1;
    highPassHz = hp;
    lowPassHz = lp;
    waveletHz = wavelet;
    expGain = gain;
    dataForm = form;
    bottomShape = (shape >= 0 && shape <= 2) ? shape : 0;
    speedAbove = cAbove;
    speed = c;
    sensorDistance = distance;
    pileLength = length;
    auto inRange = [n](int32_t v) { return std::clamp<int32_t>(v, 0, n - 1); };
    headIndex = inRange(head);
    refIndex = inRange(ref);
    toeIndex = StoredToeIndex(toe, n);
    sampleInterval = dt;
    expStart = inRange(gainStart);
    zoom = z;
    defects.insert(defects.end(), marks.begin(), marks.end());
    StoreSamples(std::move(samples));
    Refresh();
    return true;
}

void CWaveRecord::Write(pit::ByteWriter& out) const {
    out.i32(sampleCount);
    out.i32(highPassHz);
    out.i32(lowPassHz);
    out.i32(waveletHz);
    out.i32(expGain);
    out.i32(dataForm);
    out.i32(bottomShape);
    out.i32(toeIndex);
    out.i32(refIndex);
    out.i32(speedAbove);
    out.i32(speed);
    out.f32(sensorDistance);
    out.f32(pileLength);
    out.i32(headIndex);
    out.i32(refIndex);
    out.i32(toeIndex);
    out.f32(sampleInterval);
    out.i32(expStart);
    out.f32(zoom);
    // Every mark goes back, so a file read with more than four loses none.
    out.i32(int32_t(defects.size()));
    for (const DefectMark& mk : defects) {
        out.i32(mk.index);
        out.i32(mk.type);
        out.i32(mk.severity);
        out.i32(mk.extra);
    }
    out.bytes(source.data(), source.size() * sizeof(float));
}

// ---- layout ---------------------------------------------------------------------

void CWaveRecord::Layout(int left, int top, int right, int bottom, int dpiX, int /*flag*/) {
    const int s = dpiX > 0 ? std::max(1, dpiX / 96) : 1;
    frameRect = gdi::Rect(left, top, right, bottom);
    const int h = frameRect.Height();
    const double v = double(groupPeak) * 100.0;
    int digits = 0;
    if (v > 1.0 || (v > 0.0 && v < 0.009))
        digits = TruncToInt(std::fabs(std::log10(v)));
    const int labelH = margins[4];

    scaleRect.left = frameRect.left + margins[0];
    scaleRect.top = frameRect.top + margins[2] * s;
    scaleRect.right = scaleRect.left + (80 + 6 * digits) * s;
    scaleRect.bottom = scaleRect.top + 2 * h / 3;

    plotRect = gdi::Rect(scaleRect.right, scaleRect.top, frameRect.right - 120, scaleRect.bottom);

    sketchRect =
        gdi::Rect(plotRect.left, plotRect.bottom + labelH, plotRect.right, frameRect.bottom - margins[3] * s);
    if (sketchRect.Height() > 50) {
        sketchRect.top = sketchRect.bottom - 50;
        plotRect.bottom = sketchRect.top - labelH;
    }
    pileSketch.SetRect(sketchRect);
    readoutRect =
        gdi::Rect(plotRect.right, plotRect.top, frameRect.right - margins[1] * s, plotRect.bottom + labelH);
    labelRect =
        gdi::Rect(frameRect.left + s, frameRect.top + s, frameRect.left + 40 * s, frameRect.top + 20 * s);

    const int W = plotRect.Width();
    infoRect1.left = plotRect.left + W * 3 / 4;
    infoRect1.right = infoRect1.left + 50 * s;
    infoRect1.bottom = plotRect.bottom;
    infoRect1.top = infoRect1.bottom - 20 * s;
    infoRect2 = infoRect1;
    infoRect2.OffsetRect(W / 8, 0);
}

// ---- accessors ------------------------------------------------------------------

bool CWaveRecord::HasInterval() const {
    return sampleInterval > 0.0f && std::isfinite(sampleInterval);
}

void CWaveRecord::SetPileLength(float L) {
    if (L >= 0.1f)
        pileLength = L;
}

void CWaveRecord::SetWaveSpeed(int c) {
    if (c > 0)
        speed = c;
}

int CWaveRecord::SetLengthAndSpeed(float L, int c) {
    pileLength = L;
    speed = c;
    toeIndex = ToeIndexFor(L, c);
    return toeIndex;
}

int CWaveRecord::ToeIndexFor(float L, int c) const {
    if (c <= 0 || !HasInterval())
        return toeIndex;
    const double samples = (2.0 * double(L) / double(c)) * 1e6 / double(sampleInterval);
    return pit::wave::ClampToInt(double(headIndex) + std::trunc(samples), 0, sampleCount - 1);
}

int CWaveRecord::SetWaveletFrequency(int hz) {
    const int old = waveletHz;
    waveletHz = hz;
    return old;
}

void CWaveRecord::SetFilterCutoffs(int high, int low) {
    highPassHz = high;
    lowPassHz = low;
}

void CWaveRecord::GetFilterCutoffs(int& high, int& low) const {
    high = highPassHz;
    low = lowPassHz;
}

void CWaveRecord::SetBottomShape(int shape) {
    bottomShape = (shape >= 0 && shape <= 2) ? shape : 0;
    pileSketch.SetBottomType(bottomShape);
}

void CWaveRecord::SetMode(int kind, bool derived) {
    sensorKind = kind;
    derivedForm = derived ? 1 : 0;
    if (derived)
        dataForm = -1;
}

void CWaveRecord::SetDrawParams(float a, float d, float side) {
    printA = a;
    diameter = d;
    secondSide = side;
}

void CWaveRecord::SetSelectionRange(int start, int end) {
    selStart = start;
    selEnd = end;
}

void CWaveRecord::SetCentre(int y) {
    labelOffsetY = y - (plotRect.top + plotRect.bottom) / 2;
}

QPoint CWaveRecord::GetMarkerLabelPoint() const {
    return QPoint(plotRect.left + labelOffsetX, (plotRect.top + plotRect.bottom) / 2 + labelOffsetY);
}

void CWaveRecord::SetStyleFlag(bool on) {
    compact = on ? 1 : 0;
    margins[4] = on ? 5 : 23;
}

void CWaveRecord::GetInfoRects(gdi::Rect& a, gdi::Rect& b) const {
    a = infoRect1;
    b = infoRect2;
}

void CWaveRecord::GetHeadToe(int& head, int& toe) const {
    head = headIndex;
    toe = toeIndex;
}

int CWaveRecord::SetFillMode(int mode) {
    if (mode < 0 || mode > 3)
        return 0;
    drawD = mode;
    return 1;
}

float CWaveRecord::LengthToTime(bool useAbove) const {
    if (TruncToInt(double(sensorDistance) * 1000.0) == 0)
        return 0.0f;
    const int c = useAbove ? speedAbove : speed;
    if (c == 0)
        return 0.0f; // speed unknown
    return float(double(sensorDistance) / (double(c) * 0.6) * 1e6);
}

void CWaveRecord::RecomputeSpeedAbove() {
    if (speed == 0 || pileLength == 0.0f)
        return;
    const double denom = double(pileLength) * 2.0 / double(speed) * 0.6;
    const double v = (double(pileLength) * 1.2 - double(sensorDistance)) / denom;
    if (std::isfinite(v))
        speedAbove = pit::wave::ClampToInt(std::trunc(v), INT32_MIN, INT32_MAX);
}

void CWaveRecord::SetLength(float mm) {
    sensorDistance = mm / 1000.0f;
    RecomputeSpeedAbove();
}

float CWaveRecord::GetToeDepth() const {
    const double d = double(expStart - headIndex) * double(speed) * double(sampleInterval) / 2e6;
    return d > 0.0 ? float(d) : 0.0f;
}

void CWaveRecord::RecomputeRefAndGainStart() {
    const int n = sampleCount;
    // A blow record's toe is taken as stored: bounded as a channel record's
    // is, before the amplification start is kept below it.
    toeIndex = StoredToeIndex(toeIndex, n);
    refIndex = std::min(headIndex, n - 1);
    expStart = headIndex;
    if (ampStartDepth >= 0.0f && speed != 0 && HasInterval()) {
        const double off = 2.0 * double(ampStartDepth) * 1e6 / (double(speed) * double(sampleInterval));
        expStart = pit::wave::ClampToInt(double(headIndex) + std::trunc(off), INT32_MIN / 2, INT32_MAX / 2);
        if (expStart >= toeIndex)
            expStart = toeIndex - 1;
    }
    ClampMarkers();
}

void CWaveRecord::ClampMarkers() {
    const int hi = sampleCount - 1;
    headIndex = std::clamp(headIndex, 0, hi);
    refIndex = std::clamp(refIndex, 0, hi);
    toeIndex = std::clamp(toeIndex, 0, hi);
    expStart = std::clamp(expStart, 0, hi);
}

// ---- free routines ----------------------------------------------------------------

bool PointInBox(int l, int t, int r, int b, int x, int y) {
    return l <= x && x <= r && t <= y && y <= b;
}

QString PadText(const QString& text, int width) {
    QString s = text.trimmed();
    const int shortBy = width - int(s.size());
    const int dashes = int(s.count(QLatin1Char('-')));
    if (shortBy > 0)
        s += QString(2 * shortBy, QLatin1Char(' '));
    s += QString(dashes, QLatin1Char(' '));
    return s;
}
