// One wave channel (one blow) of a pile test: its samples as processed and as
// shown, the processing state, the markers, the defect marks and the layout
// that the drawing uses; the per-channel block of the pile file.
#pragma once

#include "core/draw/MoniPileDraw.h"
#include "core/draw/WaveDrawGeometry.h"
#include "core/wave/SampleBuffer.h"
#include "core/wave/WaveContext.h"
#include "platform/ByteCursor.h"
#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/GdiRect.h"

#include <QImage>
#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QPaintDevice;
class CParaWave; // cursor read-out panel, shown by the views
class CPrintSettings;
class CCurveStyle;

namespace pit {

struct AppContext;
struct DocInfo;

// What the print drawings read of the document; a null member reads that
// record's defaults. The caller passes the document it works for (the main
// window's, or the batch mode's), so no drawing looks for a window.
struct PrintDrawDoc {
    const CPrintSettings* print = nullptr;
    const CCurveStyle* curve = nullptr;
    const DocInfo* doc = nullptr;

    const CPrintSettings& Print() const;
    const CCurveStyle& Curve() const;
    const DocInfo& Doc() const;
};

enum class DefectType : int32_t {
    Necking = 0,
    Segregation = 1,
    Fracture = 2,
    Crack = 3,
    Defect = 4,
    Bulging = 5
};
enum class DefectSeverity : int32_t { Slight = 0, Ordinary = 1, Serious = 2 };
enum class BottomShape : int32_t { Flat = 0, Pointed = 1, Enlarged = 2 };

// The nine 4-byte channel parameters of an "AD" block, in order.
struct AdChannelParams {
    float pileLength = 0; // m
    int32_t speed = 0;    // m/s
    int32_t highPassHz = 0;
    int32_t lowPassHz = 0;
    int32_t expGain = 0;
    float ampStartDepth = 0; // m
    int32_t headIndex = 0;
    int32_t toeIndex = 0;
    int32_t defectIndex = 0;

    static constexpr size_t kBytes = 36;
    // The 36 bytes at block offset 25; fewer bytes leave the rest 0.
    static AdChannelParams FromBytes(std::span<const uint8_t> bytes);
};

} // namespace pit

// One defect mark; 16 bytes in memory and in the file.
struct DefectMark {
    int32_t index = 0;    // sample index
    int32_t type = 0;     // pit::DefectType
    int32_t severity = 0; // pit::DefectSeverity
    int32_t extra = 0;    // fourth field; 0 from an instrument block

    bool operator==(const DefectMark&) const = default;
};
static_assert(sizeof(DefectMark) == 16);

class CWaveRecord {
public:
    static constexpr int kDefaultCount = 1024;
    static constexpr int kMaxCount = 65536;     // largest N a channel block may hold
    static constexpr int kMaxDefects = 4;       // most marks the views let the user set
    static constexpr int kBlockFixedBytes = 80; // channel block up to the marks
    static constexpr int kTiltUnset = 1000000;

    // Members built, then Reset; 1024 zero samples.
    CWaveRecord();
    // From a channel's samples and the pile's header image (byte offsets of
    // PileHeaderRaw); markers placed automatically.
    CWaveRecord(const float* samples, int count, std::span<const uint8_t> header);
    // The same, sharing the samples (a run of the pile's sample block).
    CWaveRecord(pit::SampleBuffer samples, std::span<const uint8_t> header);
    // From an "AD" block of a multi-blow file: its parameters, its samples and
    // the pile's header image.
    CWaveRecord(const pit::AdChannelParams& params, std::span<const float> samples,
                std::span<const uint8_t> header);
    // Default construction, then the partial copy of operator=.
    CWaveRecord(const CWaveRecord& other);
    // Partial copy: Reset, then only the test values, cut-offs,
    // samples, head and toe, sensorSamples and the defect marks; refIndex and
    // expStart recomputed as the "AD" constructor does, the gain re-applied.
    // Drawing state, zoom, data form, selection and the rest keep the defaults.
    CWaveRecord& operator=(const CWaveRecord& other);
    ~CWaveRecord();
    // A copy of every field (unlike the partial operator=), for drawings
    // that must not touch the channel shown; no read-out panel, no print sketch.
    std::unique_ptr<CWaveRecord> Clone() const;

    // Every field of the Part's table that has a default back to it. The
    // samples become kDefaultCount zeros; labelOffsetX/Y, smallTest and
    // scaleRect are left as they are.
    void Reset();

    // ---- samples --------------------------------------------------------
    int SampleCount() const { return sampleCount; }
    const pit::SampleBuffer& Source() const { return source; }
    const pit::SampleBuffer& Display() const { return display; }
    // Write access to the source samples; the size is fixed. Call Refresh after.
    std::span<float> SourceSpan() { return source.Writable(); }

    // Both arrays reallocated to count, source := samples, sensorSamples
    // recomputed, Refresh. Nothing (false) for count < 1 or count > kMaxCount.
    bool SetData(const float* samples, int count);
    bool SetData(std::span<const float> samples) { return SetData(samples.data(), int(samples.size())); }
    void PasteData(const float* samples, int count) { SetData(samples, count); }
    // SetData with samples made for the channel, taken without a copy.
    bool SetSamples(pit::SampleBuffer samples);
    // Both arrays reallocated (zeroed) for the current count.
    void AllocBuffers();

    // ---- channel block of the pile file -----------------------------------
    // Reads one channel block at the cursor. Honours the stored N (1..65536)
    // and every stored mark (M >= 0), bounded by the bytes left. True and readOk := 1
    // on success (whatever N); on a refused or short block false, readOk := 0,
    // the cursor back where it was and nothing else changed.
    bool Read(pit::ByteReader& in);
    // Writes the channel block with every mark of the list.
    void Write(pit::ByteWriter& out) const;
    // Bytes that Write puts out.
    int BlockSize() const;

    // ---- layout -------------------------------------------------------------
    // Sets the rectangles from the frame (left, top, right, bottom); dpiX 0
    // lays out for the screen (unit 1), else unit = dpiX / 96.
    void Layout(int left, int top, int right, int bottom, int dpiX = 0, int flag = 0);
    // Rebuilds the cached channel picture for the view dc (its resolution and
    // device pixel ratio) and the pile sketch's pictures; with print the
    // colours other than the wave's are black. 1, or 0 without a device or
    // with an empty frame.
    int DrawToBitmap(QPaintDevice* dc, bool print = false);

    // ---- drawing one channel ---------------------------------------------------
    // The channel picture into dc; refDpiX gives the unit (dpi / 96). On a
    // non-printing dc the picture's origin is the frame's top left corner.
    int Draw(gdi::Canvas& dc, int refDpiX);
    // Puts the cached picture on a view: picture, pile sketch, label box and,
    // when not printing, the cursor line and in rotation mode the tilt line.
    int Paint(gdi::Canvas& dc, bool rotateMode = false);
    // The local-amplification preview around the toe; the origin of dc at the
    // plot's left edge and zero line.
    void DrawLocalAmplify(gdi::Canvas& dc, float xScale, float yScale);
    // Screen half-wave fill of the points (relative to the zero line).
    int DrawFilledCurve(gdi::Canvas& dc, const std::vector<gdi::Point>& p);
    // Print half-wave fill: vertical lines to the zero line.
    void DrawFillLines(gdi::Canvas& dc, const std::vector<gdi::Point>& p, const gdi::Rect& frame);
    // The amplitude axis in column with its labels and unit; returns peak / 100.
    float DrawUnitAxis(gdi::Canvas& dc, const gdi::Rect& column, int zeroY, int bottomY, bool compact);
    // The unit text alone for a column from top to bottom; returns peak / 100.
    float DrawUnitLabel(gdi::Canvas& dc, int x, int top, int right, int bottom);
    // The L/D text under the print sketch; empty unless the scale item is on.
    QString DrawLengthDiameter(bool scaleOn) const;
    // The largest "宋体" height from 20 down to 10 whose text fits box's
    // width, measured on the default printer (else a plain image); 9 when
    // even 10 is too wide.
    static int FitLabelFont(const QString& text, const gdi::Rect& box);
    // The print layout of box; sets printPlotRect and the print sketch's
    // rectangle. moniPile: room for the pile sketch; majorTick: the length
    // of the ruler's major ticks (1/96 inch), whose labels the sketch clears.
    pit::PrintLayout DrawScaleBar(const gdi::Rect& box, gdi::Canvas& dc, int mode, bool withScale,
                                  const pit::PrintDrawDoc& doc, bool moniPile, int majorTick = 4);
    // Style 0: solid of width x unit; else a geometric flat-ended pen of that
    // stock style (4 and above dash-dot-dot) drawn with the dash pattern of
    // StylePenPattern.
    static gdi::Pen CreateStylePen(int style, int width, pit::COLORREF colour, int unit);
    // One channel of the curve export into box: n channels in the export,
    // first only for the marker range test, printFlag widens the wave pen.
    void DrawForExport(gdi::Canvas& dc, int n, gdi::Rect box, int first, bool printFlag,
                       const gdi::Font* font = nullptr);

    // ---- print drawings (report pages, pictures, documents) ----------------------
    // The full form with the curve style and print settings.
    int DrawForPrint(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                     const gdi::Font* font, const pit::PrintDrawDoc& doc);
    // The plain form with the channel's own colours.
    int DrawForPrintB(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                      const gdi::Font* font, const pit::PrintDrawDoc& doc);
    // The plain form of the project-report documents, always smoothed.
    int DrawForWordReport(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                          const gdi::Font* font, const pit::PrintDrawDoc& doc);

    // ---- marker setters and cursor read-out --------------------------------------
    // index in 0..N-1; mode 0 keeps the speed (length follows), 1 keeps the
    // length (speed follows). An order error is told through app and changes
    // nothing. True when the marker moved.
    bool SetHeadIndex(int index, int mode, const pit::AppContext& app);
    bool SetToeIndex(int index, int mode, const pit::AppContext& app);
    bool SetHeadFromPoint(int x, int y, int mode, const pit::AppContext& app);
    bool SetToeFromPoint(int x, int y, int mode, const pit::AppContext& app);
    // Refills cursorLines for the pick point. decimals: the document's
    // decimal places; markerMode: the pile's; in the analysis view the pile's
    // peak-frequency mark is copied into spectrumPeak.
    void FormatCursorInfo(int decimals, int markerMode, bool analysisView = false,
                          float pilePeakFrequency = 0);
    // The sketch's view of this channel.
    pit::PileSketchWave SketchWave() const;

    // ---- processing chain ------------------------------------
    // display := source with the exponential amplification; displayMax100.
    void Refresh();
    void Update() { Refresh(); }
    int SetExpGain(int K, int unused = 0);
    // 1 <= fc <= 49999: store, filter the source (cumulatively), refresh, 1; else 0.
    int SetLowPass(int fc);
    // As SetLowPass, and also 0 when fc >= fs/2 = 5e5 / dt (the high-pass poles
    // would leave the unit circle) or the sample interval is unknown.
    int SetHighPass(int fc);
    // Filters the source with the stored cut-off on a padded copy and
    // re-aligns the first-quarter peak. False (nothing changed) when the
    // sample interval is unknown.
    bool ApplyFilter(bool lowPass);
    // One integration (true) or differentiation step of the data form; 1, or
    // 0 when the step is not allowed or the sample interval is unknown.
    int IntegrateStep(bool integrate);
    // Multiplies the source by factor; the data form is unchanged. Nothing for 0.
    void SetDataForm(float factor);

    float GetMaxAbsDisplay() const;
    float GetDisplayMax(bool recompute) const;
    int FindMaxAbsIndex() const;
    float GetValueAtMaxAbs() const;
    float MaxInWindow(int start, int count) const;
    float GetGlobalMaxAbs() const;

    // ---- markers and first pulse ------------------------------
    void AutoMarkers();
    void FindPeakAndRise();
    int FindRiseIndex() const;
    void AutoAlignHead(int mode);
    void SetCursor(int i);
    float IndexToDepth(int i) const;
    bool IsIndexInPile(int x, int y) const;
    bool IsToeReflectionWeak() const;
    void ClipDefectMarks();

    // ---- coordinates ---------------------------------------------------------
    int IndexToX(int i) const;
    // y and the view flag do not change the mapping.
    int XToIndex(int x, int y = 0, int viewFlag = 1) const;
    int XToIndexClamped(int x, int y, bool roundUp) const;
    int IndexToOffset(int i) const;
    int XToGridTick(int x, int& grid, int& tick) const;
    int SetPickPoint(int x, int y);
    int MoveCursorStep(QPoint& point, bool left) const;

    // ---- zoom ------------------------------------------------------------------
    float GetZoom();
    int SetZoom(float z);
    void StepZoom(int steps, bool up);
    int ZoomStep(bool up, int steps, QPaintDevice* dc = nullptr);
    static float StretchFactor(int steps, int index);

    // ---- editing (source samples) ----------------------------------------------
    int Shift(int mode, int k, QPaintDevice* dc = nullptr);
    int Offset(int mode, float fraction, QPaintDevice* dc = nullptr);
    int Invert(QPaintDevice* dc = nullptr);
    int SetScale(float s, QPaintDevice* dc = nullptr, int flag = 0);
    int SetAdjustStartFromPoint(int x, int y);
    // rotateMode: the main window's rotation flag, passed in.
    int RotateTail(bool up, bool rotateMode, float unused = 0.0f);
    // dragEditMode: the main window's drag-edit flag, passed in.
    int DragEditToPoint(int x, int y, bool dragEditMode = true);
    int ApplyLocalAmplify();

    // ---- drawing support routines ---------------------------------------------
    // Fill polygon of the half-waves on one side of y = base; out[0] is left
    // for the caller, points are written from out[1]; returns the count written.
    static int BuildFillPoints(const QPoint* points, int n, QPoint* out, bool negativeSide, int base);
    // The dash pattern of a styled pen in multiples of unit (empty: solid).
    static std::vector<int> StylePenPattern(int style, int unit);

    // ---- accessors -----------------------------------------------------------
    float GetPileLength() const { return pileLength; }
    float PileLength() const { return pileLength; }
    void SetPileLength(float L);
    int GetWaveSpeed() const { return speed; }
    void SetWaveSpeed(int c);
    // Sets both; toeIndex := min(N - 1, headIndex + 2L/c x 10^6 / dt); returns it.
    int SetLengthAndSpeed(float L, int c);
    // The toe index SetLengthAndSpeed would set, the record unchanged.
    int ToeIndexFor(float L, int c) const;
    float GetDiameter() const { return diameter; }
    float GetSecondSide() const { return secondSide; }
    int GetExpGain() const { return expGain; }
    int GetDataForm() const { return dataForm; }
    int GetWaveletFilter() const { return waveletHz; }
    int SetWaveletFrequency(int hz);
    void SetFilterCutoffs(int high, int low);
    void GetFilterCutoffs(int& high, int& low) const;
    void SetRange(int high, int low) { SetFilterCutoffs(high, low); }
    void SetBottomShape(int shape);
    void SetMode(int kind, bool derived);
    void SetDrawParams(float a, float d, float side);
    void SetSelectionRange(int start, int end);
    void SetLocalAmplifyMode(int mode) { localAmplifyMode = mode; }
    int IsLocalAmplifyMode() const { return localAmplifyMode; }
    int IsDraggingHandle() const { return localAmplifyB; }
    void SetDraggingHandle(int on) { localAmplifyB = on; }
    void SetCentre(int y);
    QPoint GetMarkerLabelPoint() const;
    bool IsSelected() const { return selected != 0; }
    void SetSelected(bool on) { selected = on ? 1 : 0; }
    int GetViewMode() const { return axisMode; }
    int GetAxisMode() const { return axisMode; }
    void SetShowStyle(int mode) { axisMode = mode; }
    void SetWaveWidth(int w) { waveWidth = w; }
    void SetStyleFlag(bool on);
    void SetCommonPeak(float v) { commonPeak = v; }
    const std::vector<DefectMark>& GetDefectMarks() const { return defects; }
    std::vector<DefectMark>& DefectMarks() { return defects; }
    const gdi::Rect& GetFrameRect() const { return frameRect; }
    const gdi::Rect& GetPlotRect() const { return plotRect; }
    const gdi::Rect& GetLabelRect() const { return labelRect; }
    void GetInfoRects(gdi::Rect& a, gdi::Rect& b) const;
    bool IsSmallScale() const { return smallTest <= 0.1f; }
    bool CanDraw() const { return true; }
    CWaveRecord* GetThis() { return this; }
    float GetSampleInterval() const { return sampleInterval; }
    int GetGainStart() const { return expStart; }
    void SetGainStart(int s) { expStart = s; }
    void GetHeadToe(int& head, int& toe) const;
    float GetScale() const { return scale; }
    int GetScaleFlag() const { return scaleFlag; }
    int SetFillMode(int mode);
    int GetFillMode() const { return drawD; }
    void SetFlagA(uint8_t v) { flagA = v; }
    bool IsOddChannel() const { return !isAverage && (drawA % 2) != 0; }
    void SetContext(pit::WaveContext* ctx) { context = ctx ? ctx : &pit::WaveContext::Default(); }

    // Sensor-distance travel time in µs with speedAbove (useAbove) or speed; 0 when unknown.
    float LengthToTime(bool useAbove) const;
    void SetLength(float mm);
    float GetToeDepth() const;

    // speedAbove from (L x 1.2 - d) / (L x 2 / c x 0.6); the old value when unknown.
    void RecomputeSpeedAbove();

    // ---- fields, in file order ------------------------------
    uint8_t readOk = 0;

private:
    pit::SampleBuffer display; // source after the exponential gain (shares it while equal)
    pit::SampleBuffer source;  // samples as processed so far
    int32_t sampleCount = kDefaultCount;

public:
    int32_t drawA = 1, drawB = 3;
    float sampleInterval = 10.0f; // µs
    int32_t highPassHz = 0;
    int32_t lowPassHz = 50000;
    CMoniPileDraw pileSketch;     // its rectangle follows Layout
    CParaWave* readout = nullptr; // the panel is the views'; its lines are cursorLines
    gdi::Rect frameRect, plotRect, labelRect, infoRect1, infoRect2, scaleRect;
    gdi::Rect sketchRect;                       // handed to the pile sketch by Layout
    gdi::Rect readoutRect;                      // handed to the read-out panel by Layout
    std::unique_ptr<CMoniPileDraw> printSketch; // copy made by each print drawing
    gdi::Rect printPlotRect;
    float printA = 0, diameter = 0, secondSide = 0;
    float pairValue = 0;
    int32_t pairCount = 0;
    uint8_t selected = 0;
    int32_t waveletHz = 0;
    int32_t expGain = 1;
    int32_t expStart = 0;
    int32_t dataForm = 0;
    float scale = 1.0f;
    float zoom = 1.0f;
    QImage screenBitmap, printBitmap;
    std::array<pit::COLORREF, 8> colours{};
    int32_t drawC = 1;
    int32_t waveWidth = 2;
    int32_t drawD = 0;
    int32_t headIndex = 0;
    int32_t toeIndex = 1;
    int32_t refIndex = 0;
    int32_t tiltStart = kTiltUnset;
    int32_t lastDragIndex = 0;
    int32_t axisMode = 1;
    std::array<float, 4> reserved4{};
    int32_t pickX = 0, pickY = 0;
    int32_t speedAbove = 1;
    int32_t speed = 1;
    float sensorDistance = 0; // m
    float pileLength = 0;     // m
    std::vector<DefectMark> defects;
    std::vector<float> shiftedOutLeft, shiftedOutRight; // stacks, top at the back
    uint8_t flagA = 0;
    uint8_t scaleFlag = 0;
    int32_t bottomShape = 0;
    int32_t zoomStep = 0;
    float sensorSamples = 0;
    int32_t riseIndex = 0, pulseEnd = 0, peakIndex = 0;
    int32_t localAmplifyMode = 0;
    int32_t localAmplifyB = 0;
    int32_t labelOffsetX = 0, labelOffsetY = 0;
    float localGain = 1.0f;
    float smallTest = 1.0f;
    uint8_t isAverage = 0;
    int32_t selStart = 0, selEnd = 0;
    uint8_t compact = 0;
    std::array<int32_t, 5> margins{1, 2, 2, 2, 23}; // left, right, top, bottom, label height
    float commonPeak = -1.0f;
    int32_t sensorKind = 0;
    uint8_t derivedForm = 0;
    double displayMax100 = 0;
    float ampStartDepth = -1.0f;
    float groupPeak = -1.0f;
    float rulerTickStep = 0;
    int32_t rulerValueStep = 0;
    int32_t toeX = 0;
    float spectrumPeak = 0;
    uint8_t pictureMode = 0;
    uint8_t layoutMode = 0;
    int32_t printLabelMode = 0;
    std::array<QString, 6> cursorLines; // the read-out lines of FormatCursorInfo

    pit::WaveContext* context = &pit::WaveContext::Default();

private:
    // The members without sample buffers, for the constructors that fill them.
    struct NoBuffers {};
    explicit CWaveRecord(NoBuffers);
    // Reset without the buffers: every default but the samples.
    void ResetFields();
    // SetData without the refresh; for callers that refresh once at the end.
    bool StoreSamples(const float* samples, int count);
    bool StoreSamples(pit::SampleBuffer samples);

    bool HasInterval() const;
    // zoom when it lies in 1..4, else 1 (GetZoom without the write-back).
    float EffectiveZoom() const;
    // W / (n' - 1) of the plot; 0 when unknown.
    double PixelsPerSample() const;
    static int DeviceDpiX(const QPaintDevice* dc);
    void RecomputeRefAndGainStart();
    void ClampMarkers();
    void RecomputeLengthOrSpeed(int mode, bool halfUp);
    int PrintPlain(gdi::Canvas& dc, int first, int count, gdi::Rect box, bool printFlag,
                   const gdi::Font* font, const pit::PrintDrawDoc& doc, bool wordReport);
};

// Free routines of the marker and editing code.
bool PointInBox(int l, int t, int r, int b, int x, int y);
QString PadText(const QString& text, int width);
