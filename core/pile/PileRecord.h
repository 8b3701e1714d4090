// One pile test in memory: the parameters and header image of its file, the
// samples as read, the wave channels (the averaged wave last), the blows chosen
// for averaging and the analysis state saved back into the file.
#pragma once

#include "core/pile/PileHeader.h"
#include "core/wave/SampleBuffer.h"
#include "platform/FileIdentity.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class CWaveRecord;

namespace pit {
struct AppContext;
struct KevInputSettings;
struct KevConvertOutcome;
} // namespace pit

// A pile parameter set exchanged with the fixed-parameter dialogs.
struct CPileParamSet {
    float diameter = 0;
    float length = 0;
    float scale = 0;
    float enlarged = 0;
    int gradeIndex = 0;
    int waveSpeed = 0;
    int classIndex = 0;
    float secondSide = 0;
    float enlarged2 = 0;
    int shapeIndex = 0;
    QDateTime testDate;
};

class CPileRecord {
public:
    CPileRecord();
    ~CPileRecord();
    CPileRecord(CPileRecord&&) noexcept;
    CPileRecord& operator=(CPileRecord&&) noexcept;
    CPileRecord(const CPileRecord&) = delete;
    CPileRecord& operator=(const CPileRecord&) = delete;

    void Clear();
    // A copy of the whole record and every channel (Clone), for reports that
    // draw a pile without touching the one shown.
    CPileRecord Clone() const;

    // Reader. True when the record now holds the file; false for a channel
    // count out of range; FileError for a file that cannot be read or is
    // damaged. On false or FileError the record is unchanged.
    bool ReadFile(const QString& path);
    // ReadFile for callers that only ask whether the file reads: false also
    // for a file that cannot be read or is damaged.
    bool TryReadFile(const QString& path);
    bool ReloadFile();
    bool ReloadIfNeeded();

    // Writers. SaveAnalysis and RewriteOriginalFile throw FileError; both
    // replace the file atomically. SaveAnalysis leaves a file that changed on
    // disk since this record read it as it is (FileError) unless told to
    // overwrite it: then it gets this record's pile whole, its own samples
    // kept when the file still holds them. The record asks for a reload
    // (ReloadIfNeeded) only after a write that succeeded.
    void SaveAnalysis(bool overwriteChanged = false);
    // Whether the file at the record's path is no longer the one it read or
    // last saved (saved by another window, written by another program, or
    // another file under its name). False when there is no such file or
    // nothing is known of it.
    bool FileChangedOnDisk() const;
    bool WriteFile(const QString& newPath);
    // WriteFile that throws FileError, naming the cause, when it fails.
    void WriteCopyFile(const QString& newPath);
    void RewriteOriginalFile();
    void WriteAnalysisBlock(pit::ByteWriter& out, const QByteArray& keptHead = {});
    void WriteTailModes(pit::ByteWriter& out) const;
    void WriteTailScale(pit::ByteWriter& out) const;
    // Converts an instrument file "*.KEV" into "*.DUX" beside it. False when
    // the user declines to overwrite, the source cannot be opened or the new
    // file's time cannot be set; FileError when the source cannot be read or
    // is cut short (nothing is written then) or the target cannot be written.
    // Without settings.useForAll, askDiameter is asked for the diameter.
    // outcome, when given, tells a declined overwrite from a failure and why.
    static bool
    ConvertKevFile(const QString& kevPath, const pit::AppContext& ctx, pit::KevInputSettings& settings,
                   const std::function<bool(int&, pit::KevInputSettings&, const QString&)>& askDiameter,
                   pit::KevConvertOutcome* outcome = nullptr);
    // Cuts the file in place; false when that fails.
    static bool TruncateFile(const QString& path, qint64 length);

    // Conversions between the record, its header image and the parameter block.
    void RecordToHeader(pit::PileHeaderRaw& out);
    static void HeaderToBlock(const pit::PileHeaderRaw& h, pit::PileParamBlock& b);
    static void BlockToHeader(const pit::PileParamBlock& b, pit::PileHeaderRaw& h, int recordType);
    // The 14-byte extension as the writers put it.
    QByteArray HeaderExtensionBytes() const;

    void BuildIntegrityText();
    // The sentence BuildIntegrityText puts into the description.
    QString IntegritySentence() const;
    void UpdateIntegrityText() { BuildIntegrityText(); }
    // Linux keeps no settable creation time: modification and access times are set.
    bool SetFileTimeToTestTime();
    void RestoreChannel(int index);
    void InitDates(bool recomputeAge);

    // Pile-level wave operations.
    void ComputeAverage(CWaveRecord& dest);
    void RecomputeAverage();
    void UpdateCommonMax();
    void SetViewMode(int mode);
    void AutoAlignAll(int mode);
    void SetCalcMode(int mode);
    void ReapplyCalcMode() { SetCalcMode(m_nCalcMode); }
    void SetScaleFactor(float previous);
    void ExchangePileParams(CPileParamSet& set, const std::array<bool, 10>& flags, bool apply);
    double CalcSensorDistanceRatio(bool derived) const;
    void SetDecimalCount(int n) { m_nDecimals = n; }
    void SetLanguage(int flag) { m_nLanguage = flag; }
    void SetLengthSpeedPair(const pit::AdRecord& pair);
    void SanitizeRawParams();
    void CountChannelsWithData();
    void ResetAnalysisFields();

    // Channel access.
    int ChannelCountInList() const { return int(m_channels.size()); }
    CWaveRecord* Channel(int i) const;
    CWaveRecord* CurrentChannel() const { return Channel(m_nCurrentChannel); }
    CWaveRecord* AverageChannel() const { return m_channels.empty() ? nullptr : m_channels.back().get(); }
    // Changes whenever channel objects are replaced (a read, Clear, a channel
    // restored): views that keep the channels' layout, or pointers to them,
    // compare it to know when to make them anew.
    uint64_t ChannelStamp() const { return m_channelStamp; }
    // Shared by the channels made from them (copied when one is written).
    const pit::SampleBuffer& RawSamples() const { return m_rawSamples; }
    QString ShapeText(int index) const;
    // The file name of a path without its extension.
    static QString FileTitle(const QString& path);

    // Installed by the document: told after every read whether the fixed-parameter
    // command may be used (true: enabled).
    std::function<void(bool)> onFixedParamState;

    // --- fields (plain values, as the record is a value) ---
    QDateTime m_fileTime;
    QString m_strSpare;
    pit::PileHeaderRaw m_header;
    int32_t m_nSpare = 0;
    QString m_strPileNo;
    QDateTime m_constructionDate;
    uint8_t m_bFixedParam = 0;
    QString m_strProject;
    QDateTime m_testDate;
    QString m_strText6, m_strText5, m_strText4;
    float m_fPileLength = 0;
    int32_t m_nWaveSpeed = 0;
    QString m_strClass;
    int32_t m_nGradeIndex = 0;
    int32_t m_nSensorKind = 0;
    std::array<uint8_t, 4> m_spareValue{};
    float m_fDiameter = 0;
    float m_fSecondSide = 0;
    float m_fEnlarged = 0, m_fEnlarged2 = 0;
    int32_t m_nShape = 0;
    std::array<std::array<uint8_t, 4>, 3> m_pileValues{};
    QString m_strRemark, m_strConclusion;
    QString m_strIdText2;
    QString m_strShape;
    // Days; a new record's age, which a file without dates of its own takes.
    static constexpr int32_t kNewRecordAge = 14;
    int32_t m_nAge = kNewRecordAge;
    int32_t m_nSpareCounter = 0;
    int32_t m_nSamples = 0;
    int32_t m_nCurrentChannel = 0;
    std::array<int32_t, 15> m_blowFlags{};
    uint8_t m_analysisState = 0;
    std::array<int32_t, 6> m_analysisValues{};
    int32_t m_bViewModesTaken = 0;
    int32_t m_nAlignMode = 1, m_nCalcMode = 0, m_nViewMode = 1;
    float m_fChannelZoom = -1;
    QDateTime m_testTime;
    float m_fScale = 0;
    int32_t m_nRecordType = 0;
    int32_t m_nChannelCount = 0;
    int32_t m_nLanguage = 0;
    int32_t m_nDecimals = 2;
    int32_t m_nSensorDistance = 0;
    int32_t m_bLegacy = 0;
    int32_t m_bBlowFile = 0;
    float m_fSampleInterval = 0;
    int32_t m_bKeepZoom = 0;
    std::vector<bool> m_recordedBlows;
    int32_t m_nRecordedCount = 0;
    int32_t m_nExtShape = 0, m_nExtSecondSide = 0, m_nExtGrade = 15;
    QString m_strPathReadLast;
    QString m_strRememberedPath;
    int32_t m_nReloadState = 0;
    std::array<QString, 7> m_logTexts;
    int32_t m_nLogState = 0;
    QString m_strPath;
    uint8_t m_bPairFlag = 0;
    uint8_t m_bFixedQuantity = 0;
    // The instrument model's name, set by the save from the document's
    // choice; the report form and the record log read it. Not in the file.
    QString m_strInstrument;
    // The window of the channels that the print drawings and the single-trace
    // picture draw, set by the analysis view's horizontal bar; a count of 0
    // draws every sample. Not kept in the file.
    int32_t m_nFirstVisible = 0;
    int32_t m_nVisibleCount = 0;

    // The settings a read keeps (language, decimals, zoom and view modes,
    // reload state, the fixed-parameter callback).
    void TakeSettingsFrom(const CPileRecord& other);

private:
    friend struct PileReader;
    // The scratch record a read fills before it replaces target.
    struct ReadTarget {};
    CPileRecord(ReadTarget, const CPileRecord& target);
    bool ReadInto(const QString& path);
    void ReadHeaderExtension(pit::ByteReader& in);
    // The blow table of a multi-blow file and the channels it names.
    void ReadRawBlocks(pit::ByteReader& in);
    // Channels from the sample block for the blows from..to-1 missing from the table.
    void FillMissingBlows(int64_t from, int64_t to, int& slot);
    void FixTestTimeFromFile();
    // The file's creation, modification and access times; from the open file
    // when given, else looked up.
    struct FileTimes {
        QDateTime birth, modified, read;
    };
    void FillLogTexts(const FileTimes* times = nullptr);
    QByteArray BuildCopyImage();
    QByteArray BuildOriginalImage();
    std::unique_ptr<CWaveRecord> MakeAverageChannel();
    std::unique_ptr<CWaveRecord> MakeRawChannel(int slot);
    std::span<const uint8_t> headerSpan() const { return {m_header.bytes.data(), m_header.bytes.size()}; }

    static uint64_t NextChannelStamp();
    // Takes the identity of the file at path as the one this record holds.
    void RememberDiskIdentity(const QString& path, const pit::FileIdentity& identity);

    // The file as read or last saved by this record, and its path.
    pit::FileIdentity m_diskIdentity;
    QString m_strIdentityPath;

    pit::SampleBuffer m_rawSamples;
    std::vector<std::unique_ptr<CWaveRecord>> m_channels;
    // Unique to each set of channel objects; a move takes it with the channels.
    uint64_t m_channelStamp = NextChannelStamp();
};
