// The pile record: construction, clearing, header conversions, dates,
// the conclusion sentence and file times.
#include "core/pile/PileRecord.h"

#include "core/doc/OptionTables.h"
#include "core/wave/WaveRecord.h"
#include "platform/CodePage.h"
#include "platform/TimeUtil.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cmath>

using namespace pit;

uint64_t CPileRecord::NextChannelStamp() {
    static std::atomic<uint64_t> last{0};
    return ++last;
}

CPileRecord::CPileRecord() {
    const QDateTime now = QDateTime::currentDateTime();
    m_testDate = m_constructionDate = m_testTime = m_fileTime = now;
    ResetAnalysisFields();
    m_strShape = ShapeText(0);
}

CPileRecord::CPileRecord(ReadTarget, const CPileRecord& target) {
    // A read sets every date but the file time, which stays the target's as
    // when the file is read into the target itself (and no clock is read).
    m_testDate = target.m_testDate;
    m_constructionDate = target.m_constructionDate;
    m_testTime = target.m_testTime;
    m_fileTime = target.m_fileTime;
    ResetAnalysisFields();
    m_strShape = ShapeText(0);
}

CPileRecord::~CPileRecord() = default;
CPileRecord::CPileRecord(CPileRecord&&) noexcept = default;
CPileRecord& CPileRecord::operator=(CPileRecord&&) noexcept = default;

CPileRecord CPileRecord::Clone() const {
    CPileRecord c;
    c.m_fileTime = m_fileTime;
    c.m_strSpare = m_strSpare;
    c.m_header = m_header;
    c.m_nSpare = m_nSpare;
    c.m_strPileNo = m_strPileNo;
    c.m_constructionDate = m_constructionDate;
    c.m_bFixedParam = m_bFixedParam;
    c.m_strProject = m_strProject;
    c.m_testDate = m_testDate;
    c.m_strText6 = m_strText6;
    c.m_strText5 = m_strText5;
    c.m_strText4 = m_strText4;
    c.m_fPileLength = m_fPileLength;
    c.m_nWaveSpeed = m_nWaveSpeed;
    c.m_strClass = m_strClass;
    c.m_nGradeIndex = m_nGradeIndex;
    c.m_nSensorKind = m_nSensorKind;
    c.m_spareValue = m_spareValue;
    c.m_fDiameter = m_fDiameter;
    c.m_fSecondSide = m_fSecondSide;
    c.m_fEnlarged = m_fEnlarged;
    c.m_fEnlarged2 = m_fEnlarged2;
    c.m_nShape = m_nShape;
    c.m_pileValues = m_pileValues;
    c.m_strRemark = m_strRemark;
    c.m_strConclusion = m_strConclusion;
    c.m_strIdText2 = m_strIdText2;
    c.m_strShape = m_strShape;
    c.m_nAge = m_nAge;
    c.m_nSpareCounter = m_nSpareCounter;
    c.m_nSamples = m_nSamples;
    c.m_nCurrentChannel = m_nCurrentChannel;
    c.m_blowFlags = m_blowFlags;
    c.m_analysisState = m_analysisState;
    c.m_analysisValues = m_analysisValues;
    c.m_bViewModesTaken = m_bViewModesTaken;
    c.m_nAlignMode = m_nAlignMode;
    c.m_nCalcMode = m_nCalcMode;
    c.m_nViewMode = m_nViewMode;
    c.m_fChannelZoom = m_fChannelZoom;
    c.m_testTime = m_testTime;
    c.m_fScale = m_fScale;
    c.m_nRecordType = m_nRecordType;
    c.m_nChannelCount = m_nChannelCount;
    c.m_nLanguage = m_nLanguage;
    c.m_nDecimals = m_nDecimals;
    c.m_nSensorDistance = m_nSensorDistance;
    c.m_bLegacy = m_bLegacy;
    c.m_bBlowFile = m_bBlowFile;
    c.m_fSampleInterval = m_fSampleInterval;
    c.m_bKeepZoom = m_bKeepZoom;
    c.m_recordedBlows = m_recordedBlows;
    c.m_nRecordedCount = m_nRecordedCount;
    c.m_nExtShape = m_nExtShape;
    c.m_nExtSecondSide = m_nExtSecondSide;
    c.m_nExtGrade = m_nExtGrade;
    c.m_strPathReadLast = m_strPathReadLast;
    c.m_strRememberedPath = m_strRememberedPath;
    c.m_nReloadState = m_nReloadState;
    c.m_logTexts = m_logTexts;
    c.m_nLogState = m_nLogState;
    c.m_strPath = m_strPath;
    c.m_bPairFlag = m_bPairFlag;
    c.m_bFixedQuantity = m_bFixedQuantity;
    c.m_rawSamples = m_rawSamples;
    c.m_diskIdentity = m_diskIdentity;
    c.m_strIdentityPath = m_strIdentityPath;
    for (const auto& ch : m_channels)
        c.m_channels.push_back(ch->Clone());
    // The copy tells nobody about its reads.
    return c;
}

CWaveRecord* CPileRecord::Channel(int i) const {
    return (i >= 0 && i < int(m_channels.size())) ? m_channels[size_t(i)].get() : nullptr;
}

QString CPileRecord::ShapeText(int index) const {
    return options::PileShape(index, m_nLanguage == 1);
}

void CPileRecord::Clear() {
    m_rawSamples = {};
    m_channels.clear();
    m_channelStamp = NextChannelStamp();
    m_header.zero(hdr::kPileNoShort, hdr::kShortText);
    m_header.zero(hdr::kPileNo, hdr::kLongText);
    m_header.setF32(hdr::kToeDepth, -1.0f);
    m_header.setI32(hdr::kSensorDistance, 0);
    m_header.setI32(hdr::kGradeNumber, 0);
    m_header.zero(hdr::kBlowSelect, 16);
    m_bBlowFile = 0;
    m_nExtGrade = 15;
    m_nExtShape = 0;
    m_nExtSecondSide = 0;
    m_nGradeIndex = 0;
    m_strShape = ShapeText(0);
    m_nShape = 0;
    m_strPileNo.clear();
    // Dates derive from the pile read next, never from the pile read before.
    m_nAge = kNewRecordAge;
}

void CPileRecord::TakeSettingsFrom(const CPileRecord& o) {
    m_nLanguage = o.m_nLanguage;
    m_nDecimals = o.m_nDecimals;
    m_bKeepZoom = o.m_bKeepZoom;
    m_fChannelZoom = o.m_fChannelZoom;
    m_bViewModesTaken = o.m_bViewModesTaken;
    m_nViewMode = o.m_nViewMode;
    m_nAlignMode = o.m_nAlignMode;
    m_nCalcMode = o.m_nCalcMode;
    m_nAge = o.m_nAge;
    m_strRememberedPath = o.m_strRememberedPath;
    m_nReloadState = o.m_nReloadState;
    m_strInstrument = o.m_strInstrument;
    onFixedParamState = o.onFixedParamState;
}

static QString pathFileName(const QString& path) {
    // Both separators: paths may come from the Windows instruments' lists.
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

QString CPileRecord::FileTitle(const QString& path) {
    const QString name = pathFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

void CPileRecord::RecordToHeader(PileHeaderRaw& h) {
    const QDateTime local(m_testDate.date(), m_testTime.time());
    const int32_t t = int32_t(localToUtcSeconds(local));
    m_header.setI32(hdr::kTestTime, t);
    h = m_header;

    h.setF32(hdr::kPileLength, m_fPileLength);
    h.setI32(hdr::kWaveSpeed, m_nWaveSpeed);
    h.setI32(hdr::kDiameter, int32_t(m_fDiameter));
    h.setI32(hdr::kSensorKind, m_nSensorKind);
    h.setI32(hdr::kGradeNumber, (m_nGradeIndex + 3) * 5);
    int shape = m_nShape;
    if (m_strShape == QStringLiteral("圆桩"))
        shape = 0;
    else if (m_strShape == QStringLiteral("方桩"))
        shape = 1;
    h.setI32(hdr::kShape, shape);
    h.setI32(hdr::kSecondSide, int32_t(m_fSecondSide));
    h.setF32(hdr::kEnlarged, m_fEnlarged);
    h.setF32(hdr::kEnlarged2, m_fEnlarged2);
    h.setText(hdr::kProject, hdr::kLongText, m_strProject, 48);
    h.setText(hdr::kPileNo, hdr::kLongText, m_strPileNo, 48);
    h.setText(hdr::kIdText2, hdr::kLongText, m_strIdText2, 48);
    h.setText(hdr::kText6, hdr::kLongText, m_strText6, 48);
    h.setText(hdr::kText5, hdr::kLongText, m_strText5, 48);
    h.setText(hdr::kText4, hdr::kLongText, m_strText4, 48);
    h.setText(hdr::kClass, hdr::kClassText, m_strClass, 8);
    h.setF32(hdr::kScale, m_fScale);

    for (const auto& ch : m_channels) {
        if (!ch->IsSelected())
            continue;
        h.setI32(hdr::kHighPass, ch->highPassHz);
        h.setI32(hdr::kLowPass, ch->lowPassHz);
        h.setI32(hdr::kExpGain, ch->expGain);
    }
    const CWaveRecord* best = nullptr;
    for (const auto& ch : m_channels)
        if (ch->expStart > 0 && (!best || ch->expStart > best->expStart))
            best = ch.get();
    if (best)
        h.setF32(hdr::kToeDepth, best->GetToeDepth());
}

void CPileRecord::HeaderToBlock(const PileHeaderRaw& h, PileParamBlock& b) {
    b.Clear();
    b.setUtf16(blk::kProject, 50, h.text(hdr::kProject, hdr::kLongText), 25);
    b.setF32(blk::kPileLength, h.PileLength());
    b.setI32(blk::kDiameter, h.Diameter());
    std::memcpy(b.data() + blk::kTenInts, h.data() + hdr::kWaveSpeed, 40);
    b.setF32(blk::kSampleInterval, h.SampleInterval());
    b.setF32(blk::kScale, h.Scale());
    b.setI32(blk::kChannelCount, h.ChannelCount());
    b.setI32(blk::kSamples, h.Samples());
    b.setUtf16(blk::kIdText2, 50, h.text(hdr::kIdText2, hdr::kLongText), 25);
    b.setI32(blk::kTestTime, h.TestTime());
    b.setI32(blk::kCarried2, h.i32(hdr::kCarried2));
    b.setF32(blk::kToeDepth, h.ToeDepth());
    b.setUtf16(blk::kPileNo, 50, h.text(hdr::kPileNo, hdr::kLongText), 25);
    std::memcpy(b.data() + blk::kBlowSelect, h.data() + hdr::kBlowSelect, 16);
    b.setI32(blk::kSensorDistance, h.SensorDistance());
    b.setI32(blk::kShape, h.Shape());
    b.setI32(blk::kSecondSide, h.SecondSide());
    b.setI32(blk::kGradeNumber, h.GradeNumber());
    b.setUtf16(blk::kText4, 50, h.text(hdr::kText4, hdr::kLongText), 25);
    b.setUtf16(blk::kText5, 50, h.text(hdr::kText5, hdr::kLongText), 25);
    b.setUtf16(blk::kText6, 50, h.text(hdr::kText6, hdr::kLongText), 25);
    b.setUtf16(blk::kClass, 10, h.text(hdr::kClass, hdr::kClassText), 5);
    b.setF32(blk::kEnlarged, h.Enlarged());
    b.setF32(blk::kEnlarged2, h.Enlarged2());
}

// A UTF-16 block field as 8-bit text in a header field: at most 49 bytes, cut
// at a character boundary (a long Chinese text keeps what fits).
static void utf16ToHeaderText(const PileParamBlock& b, size_t boff, PileHeaderRaw& h, size_t hoff, size_t n,
                              size_t maxBytes) {
    h.setText(hoff, n, b.utf16(boff, 50), maxBytes);
}

void CPileRecord::BlockToHeader(const PileParamBlock& b, PileHeaderRaw& h, int recordType) {
    h.zero(hdr::kIdText, hdr::kShortText);
    h.zero(hdr::kIdText2Short, hdr::kShortText);
    h.zero(hdr::kPileNoShort, hdr::kShortText);
    h.setF32(hdr::kPileLength, b.f32(blk::kPileLength));
    h.setI32(hdr::kDiameter, b.i32(blk::kDiameter));
    std::memcpy(h.data() + hdr::kWaveSpeed, b.data() + blk::kTenInts, 40);
    h.setF32(hdr::kSampleInterval, b.f32(blk::kSampleInterval));
    h.setF32(hdr::kScale, b.f32(blk::kScale));
    h.setI32(hdr::kChannelCount, b.i32(blk::kChannelCount));
    h.setI32(hdr::kSamples, b.i32(blk::kSamples));
    h.setI32(hdr::kTestTime, b.i32(blk::kTestTime));
    h.setI32(hdr::kCarried2, b.i32(blk::kCarried2));
    h.setF32(hdr::kToeDepth, b.f32(blk::kToeDepth));
    std::memcpy(h.data() + hdr::kBlowSelect, b.data() + blk::kBlowSelect, 16);
    h.setI32(hdr::kSensorDistance, b.i32(blk::kSensorDistance));
    h.setI32(hdr::kShape, b.i32(blk::kShape));
    h.setI32(hdr::kSecondSide, b.i32(blk::kSecondSide));
    h.setI32(hdr::kGradeNumber, b.i32(blk::kGradeNumber));
    h.setF32(hdr::kEnlarged, b.f32(blk::kEnlarged));
    h.setF32(hdr::kEnlarged2, b.f32(blk::kEnlarged2));

    utf16ToHeaderText(b, blk::kProject, h, hdr::kProject, hdr::kLongText, 49);
    utf16ToHeaderText(b, blk::kIdText2, h, hdr::kIdText2, hdr::kLongText, 49);
    utf16ToHeaderText(b, blk::kPileNo, h, hdr::kPileNo, hdr::kLongText, 49);
    if (recordType == 6) {
        utf16ToHeaderText(b, blk::kText4, h, hdr::kText4, hdr::kLongText, 49);
        utf16ToHeaderText(b, blk::kText5, h, hdr::kText5, hdr::kLongText, 49);
        utf16ToHeaderText(b, blk::kText6, h, hdr::kText6, hdr::kLongText, 49);
        h.setText(hdr::kClass, hdr::kClassText, b.utf16(blk::kClass, 10), 9);
    } else if (recordType == 5) {
        // These instruments store 8-bit texts here; the image keeps them widened.
        for (auto [boff, hoff] : {std::pair{blk::kText4, hdr::kText4}, std::pair{blk::kText5, hdr::kText5},
                                  std::pair{blk::kText6, hdr::kText6}})
            h.setUtf16(hoff, hdr::kLongText, b.text(boff, 50), 25);
    }
}

QByteArray CPileRecord::HeaderExtensionBytes() const {
    ByteWriter w;
    w.u8(m_bLegacy ? 1 : 0);
    w.u8(0);
    w.i32(m_nExtShape);
    w.i32(m_nExtSecondSide);
    w.i32(m_nExtGrade);
    return w.take();
}

void CPileRecord::InitDates(bool recomputeAge) {
    const QDateTime t = utcSecondsToLocal(m_header.TestTime());
    m_constructionDate = m_testDate = m_testTime = t;
    if (recomputeAge)
        m_nAge = int32_t(m_constructionDate.date().daysTo(m_testDate.date()));
    else
        m_constructionDate = m_testDate.addDays(-m_nAge);
    if (m_strPileNo.isEmpty())
        m_strPileNo = FileTitle(m_strPath);
    m_fPileLength = m_header.PileLength();
    m_nWaveSpeed = m_header.WaveSpeed();
    m_fDiameter = float(m_header.Diameter());
    m_fSecondSide = float(m_header.SecondSide());
    m_fEnlarged = m_header.Enlarged();
    m_fEnlarged2 = m_header.Enlarged2();
    m_nSensorKind = m_header.SensorKind();
    m_nSamples = m_header.Samples();
    if (m_nRecordType <= 4) {
        m_strIdText2 = m_header.text(hdr::kIdText2Short, hdr::kShortText);
    } else {
        m_strIdText2 = m_header.text(hdr::kIdText2, hdr::kLongText);
        m_strProject = m_header.text(hdr::kProject, hdr::kLongText);
        if (m_nRecordType == 6) {
            m_strText4 = m_header.text(hdr::kText4, hdr::kLongText);
            m_strText6 = m_header.text(hdr::kText6, hdr::kLongText);
            m_strText5 = m_header.text(hdr::kText5, hdr::kLongText);
            m_strClass = m_header.text(hdr::kClass, 8);
        }
    }
    m_bFixedParam = 0;
    m_fScale = m_header.Scale();
}

QString CPileRecord::IntegritySentence() const {
    const bool en = m_nLanguage == 1;
    const CWaveRecord* ch = CurrentChannel();
    const auto& marks = ch ? ch->defects : std::vector<DefectMark>{};
    if (marks.empty())
        return en ? QStringLiteral("Integrity Ass: Integrity.") : QStringLiteral("桩身完整");
    static const char16_t* const kSevZh[] = {u"轻微", u"", u"严重"};
    static const char16_t* const kSevEn[] = {u" minor", u" moderate", u" severe"};
    static const char16_t* const kTypeZh[] = {u"缩径", u"离析", u"断裂", u"裂纹", u"缺陷", u"扩径"};
    static const char16_t* const kTypeEn[] = {u" necking", u" contaminated", u" fracture",
                                              u" crack",   u" defect",       u" bulging"};
    QString s = en ? QStringLiteral("Integrity Ass: Apart Pile Top ") : QStringLiteral("距桩顶约");
    for (size_t i = 0; i < marks.size(); ++i) {
        const DefectMark& m = marks[i];
        const double depth = ch->IndexToDepth(m.index);
        s += QString::number(depth, 'f', std::clamp(m_nDecimals, 0, 6)) + u'm';
        const int sev = m.severity, type = m.type;
        if (sev >= 0 && sev <= 2)
            s += QString::fromUtf16(en ? kSevEn[sev] : kSevZh[sev]);
        if (type >= 0 && type <= 5)
            s += QString::fromUtf16(en ? kTypeEn[type] : kTypeZh[type]);
        const bool last = i + 1 == marks.size();
        s += en ? (last ? QStringLiteral(".") : QStringLiteral(", "))
                : (last ? QStringLiteral("。") : QStringLiteral("，"));
    }
    return s;
}

void CPileRecord::BuildIntegrityText() {
    m_strConclusion = IntegritySentence();
}

bool CPileRecord::SetFileTimeToTestTime() {
    const bool ours = !FileChangedOnDisk();
    const QDateTime t = utcSecondsToLocal(m_header.TestTime());
    QFile f(m_strPath);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    const bool ok =
        f.setFileTime(t, QFileDevice::FileModificationTime) && f.setFileTime(t, QFileDevice::FileAccessTime);
    // Our own change of its time is no change of the file's content.
    if (ours && m_strIdentityPath == m_strPath && m_diskIdentity.known)
        RememberDiskIdentity(m_strPath, FileIdentity::OfDescriptor(f.handle()));
    return ok;
}

void CPileRecord::RememberDiskIdentity(const QString& path, const FileIdentity& identity) {
    m_strIdentityPath = path;
    m_diskIdentity = identity;
}

bool CPileRecord::FileChangedOnDisk() const {
    if (!m_diskIdentity.known || m_strIdentityPath != m_strPath)
        return false;
    const FileIdentity now = FileIdentity::OfPath(m_strPath);
    return now.known && now != m_diskIdentity;
}

void CPileRecord::FillLogTexts(const FileTimes* times) {
    FileTimes looked;
    if (!times) {
        const QFileInfo fi(m_strPath);
        looked = {fi.birthTime(), fi.lastModified(), fi.lastRead()};
        times = &looked;
    }
    m_logTexts[0] = QStringLiteral("低应变");
    m_logTexts[1].clear();
    m_logTexts[2] = m_strProject;
    m_logTexts[3] = m_strPileNo;
    m_logTexts[4] = m_strPath;
    m_logTexts[5] = m_strPath;
    m_logTexts[6] = LocalDateTimeText(times->birth) + u' ' + LocalDateTimeText(times->modified) + u' ' +
                    LocalDateTimeText(times->read);
    m_nLogState = 0;
}
