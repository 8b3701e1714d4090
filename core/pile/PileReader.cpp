// Reading a pile file into a record: every instrument generation, blow tables
// and files carrying a saved analysis. The file is read whole and parsed with
// a bounds-checked cursor into a scratch record that replaces this one on success.
#include "core/pile/PileRecord.h"

#include "core/pile/AnalysisBlock.h"

#include "core/wave/WaveRecord.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/RangeFile.h"
#include "platform/TimeUtil.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <memory>
#include <unistd.h>

using namespace pit;

namespace {

constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

// The file's bytes go into a buffer that each thread keeps for its next read:
// copied into memory in use, a read costs about half of one into fresh memory.
// A buffer grown for an unusually large file is let go after the read.
class ReadBuffer {
public:
    uint8_t* Reserve(size_t n) {
        if (n > m_capacity) {
            m_bytes.reset(new uint8_t[n]);
            m_capacity = n;
        }
        return m_bytes.get();
    }
    void Trim() {
        if (m_capacity > kKeepBytes) {
            m_bytes.reset();
            m_capacity = 0;
        }
    }

private:
    static constexpr size_t kKeepBytes = 1024 * 1024;
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_capacity = 0;
};

thread_local ReadBuffer t_readBuffer;

// A pile file read into the thread's buffer in parts, so that its sample
// block, the bulk of the file, goes straight from the file into the record's
// buffer: one copy, by the read itself, whatever the placement of the two
// buffers (a copy out of the read buffer took up to ten times as long for
// some placements). The image then lacks those samples (a hole) until
// FillHole copies them in, for the rare file whose other blocks point back
// into them.
class PileFileImage {
public:
    PileFileImage(QFile& file, const QString& path, size_t size)
        : m_file(file), m_path(path), m_size(size), m_data(t_readBuffer.Reserve(size)) {}

    // At least the bytes before the sample block when the header lies there,
    // as in every file the instruments and this program write (one read
    // holds them); else the whole file.
    void ReadHead() {
        constexpr size_t kFirstRead = 1024;
        constexpr size_t kFields = filehdr::kGuard + 4;
        constexpr int64_t kHeader = int64_t(blk::kSize + filehdr::kExtensionSize);
        ReadTo(std::min(m_size, kFirstRead));
        if (m_got >= kFields) {
            int32_t P, W;
            std::memcpy(&P, m_data + filehdr::kParamOffset, 4);
            std::memcpy(&W, m_data + filehdr::kSampleOffset, 4);
            if (P >= 0 && W >= int64_t(kFields) && int64_t(P) + kHeader <= W && size_t(W) <= m_size) {
                ReadTo(size_t(W));
                return;
            }
        }
        ReadTo(m_size);
    }

    // The file's length as far as it is known: the size found at the open, or
    // where a file that shrank since ended.
    size_t Size() const { return m_size; }
    // The bytes read so far, from the start.
    std::span<const uint8_t> Bytes() const { return {m_data, m_got}; }

    // The n sample bytes at `at` into out, then the rest of the file. False
    // when the file ends before them.
    bool ReadSamples(size_t at, void* out, size_t n) {
        auto* to = static_cast<uint8_t*>(out);
        if (n > 0 && at <= m_got && n > m_got - at && m_got < m_size) {
            // What the head read of them is copied; the rest is read into place.
            const size_t have = m_got - at;
            std::memcpy(to, m_data + at, have);
            const size_t got = Read(to + have, n - have);
            m_hole = {m_got, got, to + have};
            m_got += got;
            if (got < n - have) {
                m_size = m_got;
                return false;
            }
        } else {
            ReadTo(m_size);
            if (at > m_got || m_got - at < n)
                return false;
            if (n > 0) // no channels: nothing to place
                std::memcpy(to, m_data + at, n);
        }
        ReadTo(m_size);
        return true;
    }

    // End of the samples left out of the image; 0 when none are.
    size_t HoleEnd() const { return m_hole.size ? m_hole.at + m_hole.size : 0; }
    void FillHole() {
        if (m_hole.size)
            std::memcpy(m_data + m_hole.at, m_hole.from, m_hole.size);
        m_hole = {};
    }

private:
    // Up to n bytes at the file's position; fewer at its end.
    size_t Read(uint8_t* to, size_t n) {
        size_t got = 0;
        while (got < n) {
            const qint64 r = m_file.read(reinterpret_cast<char*>(to) + got, qint64(n - got));
            if (r < 0)
                throw FileError::fromErrno(errno, m_path, FileCause::HardIO);
            if (r == 0)
                break;
            got += size_t(r);
        }
        return got;
    }
    void ReadTo(size_t end) {
        if (end <= m_got)
            return;
        m_got += Read(m_data + m_got, end - m_got);
        if (m_got < end)
            m_size = m_got;
    }

    QFile& m_file;
    const QString& m_path;
    size_t m_size;
    uint8_t* m_data;
    size_t m_got = 0;
    struct {
        size_t at = 0, size = 0;
        const uint8_t* from = nullptr;
    } m_hole;
};

} // namespace

bool CPileRecord::ReadFile(const QString& path) {
    CPileRecord scratch(ReadTarget{}, *this);
    scratch.TakeSettingsFrom(*this);
    m_strPathReadLast = path;
    if (!scratch.ReadInto(path))
        return false;
    *this = std::move(scratch);
    return true;
}

bool CPileRecord::TryReadFile(const QString& path) {
    try {
        return ReadFile(path);
    } catch (const FileError&) {
        return false;
    }
}

bool CPileRecord::ReloadFile() {
    return ReadFile(m_strPath);
}

bool CPileRecord::ReloadIfNeeded() {
    if (m_nReloadState == 1 || (m_nReloadState == 2 && m_strRememberedPath == m_strPath))
        return ReloadFile();
    return false;
}

void CPileRecord::ReadHeaderExtension(ByteReader& in) {
    uint8_t ext[filehdr::kExtensionSize] = {};
    if (in.remaining() >= sizeof ext)
        in.read(ext, sizeof ext);
    int32_t shape, side, grade;
    std::memcpy(&shape, ext + 2, 4);
    std::memcpy(&side, ext + 6, 4);
    std::memcpy(&grade, ext + 10, 4);
    const bool empty = std::all_of(std::begin(ext), std::end(ext), [](uint8_t b) { return b == 0; });
    if (empty) {
        // Files written without an extension carry the shape in the block.
        shape = m_header.Shape();
        side = m_header.SecondSide();
    }
    m_bLegacy = ext[0] == 1 ? 1 : 0;
    m_nExtShape = shape % 2;
    // A negative odd index picks the round pile like any other non-square value.
    m_strShape = ShapeText(m_nExtShape == 1 ? 1 : 0);
    m_nExtSecondSide = side;
    if (grade < 15 || grade > 105)
        grade = m_header.GradeNumber();
    m_nExtGrade = grade;
    const int gi = grade / 5 - 3;
    m_nGradeIndex = (gi >= 0 && gi <= 19) ? gi : 0;
}

void CPileRecord::FixTestTimeFromFile() {
    if (m_header.TestTime() > 0)
        return;
    if (m_nRecordType <= 2) {
        m_fileTime = QFileInfo(m_strPath).lastModified();
        m_header.setI32(hdr::kTestTime, int32_t(localToUtcSeconds(m_fileTime)));
    } else {
        m_testDate = m_testTime = utcSecondsToLocal(m_header.TestTime());
    }
}

std::unique_ptr<CWaveRecord> CPileRecord::MakeRawChannel(int slot) {
    const size_t n = size_t(m_header.Samples());
    // The channel shares its run of the sample block until it is processed.
    auto ch = std::make_unique<CWaveRecord>(m_rawSamples.Run(size_t(slot) * n, n), headerSpan());
    ch->drawA = slot + 1;
    ch->drawB = m_nChannelCount;
    ch->sampleInterval = m_fSampleInterval;
    ch->SetFilterCutoffs(m_header.HighPass(), m_header.LowPass());
    ch->SetZoom(m_fChannelZoom > 0 ? m_fChannelZoom : 1.0f);
    return ch;
}

std::unique_ptr<CWaveRecord> CPileRecord::MakeAverageChannel() {
    const int n = m_header.Samples();
    auto avg = std::make_unique<CWaveRecord>();
    if (n != avg->SampleCount())
        avg->SetSamples(SampleBuffer(size_t(std::max(n, 0)), 0.0f));
    avg->sampleInterval = m_fSampleInterval;
    avg->SetFilterCutoffs(m_header.HighPass(), m_header.LowPass());
    avg->SetZoom(m_fChannelZoom > 0 ? m_fChannelZoom : 1.0f);
    const int kind = m_header.SensorKind();
    avg->SetMode(kind, kind == 0 && m_header.FormFlag() == 1);
    ComputeAverage(*avg);
    avg->SetPileLength(m_header.PileLength());
    avg->SetWaveSpeed(m_header.WaveSpeed());
    avg->SetLength(float(m_header.SensorDistance()));
    avg->pairCount = m_header.GradeNumber();
    avg->ampStartDepth = m_header.ToeDepth();
    avg->AutoMarkers();
    avg->SetExpGain(m_header.ExpGain());
    avg->drawA = m_nChannelCount + 1;
    avg->drawB = m_nChannelCount;
    return avg;
}

void CPileRecord::FillMissingBlows(int64_t from, int64_t to, int& slot) {
    for (int64_t b = from; b < to && slot < m_nChannelCount; ++b, ++slot)
        m_channels.push_back(MakeRawChannel(slot));
}

void CPileRecord::ReadRawBlocks(ByteReader& in) {
    const int count = m_nChannelCount;
    in.seek(filehdr::kTrailOffset);
    const int32_t A = in.i32();
    if (A < 0)
        in.fail(QStringLiteral("blow table offset %1").arg(A));
    in.seek(size_t(A));
    const auto tag = in.bytes(2);
    if (tag[0] != 'A' || tag[1] != 'A')
        in.fail(QStringLiteral("no blow table"));
    const int32_t entries = in.i32();
    if (entries < 1 || entries > kMaxBlows + 1)
        in.fail(QStringLiteral("%1 entries in the blow table").arg(entries));
    std::vector<int32_t> offsets(static_cast<size_t>(entries));
    for (auto& o : offsets)
        o = in.i32();
    int64_t e = 1;
    int k = 0;
    bool haveAverage = false;
    for (size_t i = 0; i < offsets.size(); ++i) {
        if (offsets[i] < 0)
            in.fail(QStringLiteral("blow record offset %1").arg(offsets[i]));
        in.seek(size_t(offsets[i]));
        AdRecord ad;
        AdRecord::Read(in, ad);
        const int b = ad.blowNumber;
        if (b > e)
            FillMissingBlows(e, b, k);
        else if (b == 0 && e <= count)
            FillMissingBlows(e, int64_t(count) + 1, k);
        auto ch = std::make_unique<CWaveRecord>(AdChannelParams::FromBytes(ad.params),
                                                std::span<const float>(ad.samples), headerSpan());
        ch->drawA = k + 1;
        ch->drawB = count;
        ch->SetZoom(m_fChannelZoom > 0 ? m_fChannelZoom : 1.0f);
        if (b == 0) {
            ch->isAverage = 1;
            haveAverage = true;
            m_nCurrentChannel = int(m_channels.size());
            for (int j = 0; j < count; ++j)
                m_blowFlags[size_t(j)] = ad.blowBytes[size_t(j)] > 0 ? 1 : 0;
        }
        if (i + 1 == offsets.size()) {
            // A negative blow number names no channel (and b - 1 would overflow on the least).
            if (b != 0)
                m_nCurrentChannel = b > 0 ? b - 1 : -1;
            ch->SetSelected(true);
            SetLengthSpeedPair(ad);
            m_bFixedParam = 1;
        }
        m_channels.push_back(std::move(ch));
        ++k;
        e = int64_t(b) + 1;
    }
    if (!haveAverage) {
        FillMissingBlows(e, int64_t(count) + 1, k);
        m_channels.push_back(MakeAverageChannel());
    }
    if (m_nCurrentChannel < 0 || m_nCurrentChannel >= int(m_channels.size()))
        m_nCurrentChannel = int(m_channels.size()) - 1;
}

bool CPileRecord::ReadInto(const QString& path) {
    m_nGradeIndex = 0;
    m_strPathReadLast = path;
    // Opened first: its size comes with the open, without a second look-up of the path.
    // Only a regular file is opened: a FIFO or a device would be waited on or read without end.
    QFile file;
    {
        OpenRefusal why = OpenRefusal::None;
        int error = 0;
        const int fd = OpenRegularFile(path, &why, &error);
        if (fd < 0 && why == OpenRefusal::Failed && error == ENOENT)
            throw FileError(FileCause::FileNotFound, path, -1);
        if (fd < 0)
            throw OpenRefusalError(path, why, error, FileCause::FileNotFound);
        if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            throw FileError(FileCause::FileNotFound, path, -1);
        }
    }
    const qint64 size = file.size();
    if (size == 0)
        throw FileError(FileCause::EndOfFile, path, -1, QStringLiteral("the file is empty"));
    // The largest pile file holds 15 blows of 65536 samples twice over (samples
    // and analysis): anything far beyond is not one, and is not read whole.
    if (size > kMaxFileBytes)
        throw FileError(FileCause::InvalidFile, path, 4, QStringLiteral("%1 bytes").arg(size));
    struct TrimAfterRead {
        ~TrimAfterRead() { t_readBuffer.Trim(); }
    } trim;
    // Read to the size found at the open (a file that shrank since is short).
    PileFileImage image(file, path, size_t(size));
    image.ReadHead();
    ByteReader in(image.Bytes(), path);
    FileTimes times;
    try {
        uint8_t magic[10];
        in.read(magic, 10);
        const int32_t code = in.i32();
        if (!IsKnownTypeCode(code))
            throw FileError(FileCause::Generic, path, 4, QStringLiteral("unknown format code %1").arg(code));
        const bool blowMagic = MagicText(magic) == "A-RIRADAD";

        m_strPath = path;
        Clear();
        m_recordedBlows.clear();
        // A record never keeps bytes of the previous pile's header.
        m_header.Clear();

        in.seek(filehdr::kParamOffset);
        const int32_t P = in.i32();
        const int32_t W = in.i32();
        const int64_t L = int64_t(W) - int64_t(P);
        m_nRecordType = DetectRecordType(magic, code, L);
        const size_t bound = m_nRecordType <= 4 ? hdr::kShortMax : blk::kSize;
        const size_t len = (L < 0 || L > int64_t(bound)) ? bound : size_t(L);
        in.seek(filehdr::kGuard);
        if (in.i32() == filehdr::kGuardRefused)
            throw FileError(FileCause::InvalidFile, path, 4, QStringLiteral("refused guard value"));
        m_bLegacy = (m_nRecordType == 1 || m_nRecordType == 2) ? 1 : 0;
        if (P < 0)
            in.fail(QStringLiteral("parameter offset %1").arg(P));
        in.seek(size_t(P));

        if (m_nRecordType <= 4) {
            in.read(m_header.data(), len);
            int32_t count = m_header.ChannelCount();
            if (count < 1)
                m_header.setI32(hdr::kChannelCount, count = 1);
            if (count > kMaxBlows)
                return false;
            SanitizeRawParams();
        } else {
            PileParamBlock b;
            in.read(b.data(), blk::kSize);
            const int32_t count = b.ChannelCount();
            if (count < 0 || count > kMaxBlows)
                return false;
            for (size_t off : {blk::kEnlarged, blk::kEnlarged2}) {
                const float v = b.f32(off);
                if (!(v >= 0.001f && v <= 100000000.0f))
                    b.setF32(off, 0.0f);
            }
            if (m_nRecordType == 5) {
                // The pile number may be 8-bit text: the instruments write the
                // file name's number, up to a '+', into it.
                uint8_t* f = b.data() + blk::kPileNo;
                QByteArray raw(reinterpret_cast<const char*>(f), 50);
                raw.truncate(raw.indexOf('\0') < 0 ? 50 : raw.indexOf('\0'));
                const qsizetype plus = raw.indexOf('+');
                const QByteArray cut = plus < 0 ? raw : raw.left(plus);
                const QString cutText = CodePage::system().toUnicode(cut);
                if (cut.size() > 1 && path.contains(cutText)) {
                    const size_t n = std::min<size_t>(size_t(cut.size()), 25);
                    for (size_t i = n; i-- > 0;) {
                        f[2 * i] = f[i];
                        f[2 * i + 1] = 0;
                    }
                    std::memset(f + 2 * n, 0, 50 - 2 * n);
                }
            }
            BlockToHeader(b, m_header, m_nRecordType);
            ResetAnalysisFields();
            const size_t extAt = size_t(P) + (m_nRecordType == 5 ? blk::kExtFlag : blk::kSize);
            if (extAt <= in.size()) {
                in.seek(extAt);
                ReadHeaderExtension(in);
            } else {
                ByteReader none(QByteArray{}, path);
                ReadHeaderExtension(none);
            }
        }

        const QString headerPileNo = m_header.text(hdr::kPileNo, 48);
        if (!headerPileNo.isEmpty())
            m_strPileNo = headerPileNo;
        m_nShape = m_header.Shape();

        const int32_t count = m_header.ChannelCount();
        const int32_t n = m_header.Samples();
        if (n < 1 || n > kMaxSamples)
            in.fail(QStringLiteral("%1 samples per channel").arg(n));
        CheckSampleInterval(m_header.SampleInterval(), path);
        const size_t sampleBytes = size_t(count) * size_t(n) * 4;
        const QString outside = QStringLiteral("sample block at %1 outside the file").arg(W);
        if (W < 0 || size_t(W) > image.Size() || image.Size() - size_t(W) < sampleBytes)
            in.fail(outside);
        m_rawSamples = SampleBuffer::Uninitialized(size_t(count) * size_t(n));
        if (!image.ReadSamples(size_t(W), m_rawSamples.Writable().data(), sampleBytes))
            in.fail(outside);
        in = ByteReader(image.Bytes(), path);
        in.seek(size_t(W) + sampleBytes);
        // The open file gives its times without a look-up of the path (the access time after the read).
        times = {file.fileTime(QFileDevice::FileBirthTime), file.fileTime(QFileDevice::FileModificationTime),
                 file.fileTime(QFileDevice::FileAccessTime)};
        RememberDiskIdentity(path, FileIdentity::OfDescriptor(file.handle()));
        file.close();

        const int32_t sd = m_header.SensorDistance();
        if (sd < 0 || double(sd) > double(m_header.Diameter()) * 3.1415 / 2)
            m_header.setI32(hdr::kSensorDistance, 0);
        if (m_nRecordType >= 5)
            m_nSensorDistance = m_header.SensorDistance();

        const QString name = [&] {
            const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
            return path.mid(cut + 1);
        }();
        const QString title = name.left(std::max<qsizetype>(0, name.size() - 4));
        if (m_strPileNo.trimmed().isEmpty()) {
            if (m_nRecordType <= 4)
                m_header.setText(hdr::kPileNoShort, hdr::kShortText, title, 8);
            else
                m_header.setText(hdr::kPileNo, hdr::kLongText, title, 48);
        }

        m_nChannelCount = count;
        CountChannelsWithData();
        m_fSampleInterval = m_header.SampleInterval();
        for (int i = 0; i < kMaxBlows; ++i)
            m_blowFlags[size_t(i)] =
                (i < count && size_t(i) < m_recordedBlows.size() && m_recordedBlows[size_t(i)]) ? 1 : 0;

        if (IsBaseTypeCode(code) && !blowMagic) {
            // Plain: one channel per sample run, then the average.
            for (int i = 0; i < count; ++i) {
                auto ch = MakeRawChannel(i);
                if (!m_bKeepZoom) {
                    m_fChannelZoom = 1;
                } else if (m_fChannelZoom <= 0) {
                    m_fChannelZoom = ch->zoom > 0 ? ch->zoom : 1;
                }
                ch->SetZoom(m_fChannelZoom);
                m_channels.push_back(std::move(ch));
            }
            auto avg = MakeAverageChannel();
            avg->SetSelected(true);
            m_channels.push_back(std::move(avg));
            m_nCurrentChannel = int(m_channels.size()) - 1;
            InitDates(false);
            ResetAnalysisFields();
            BuildIntegrityText();
            if (m_nRecordType == 6) {
                m_fEnlarged = m_header.Enlarged();
                m_fEnlarged2 = m_header.Enlarged2();
            }
        } else if (IsBaseTypeCode(code)) {
            // The blow records may point anywhere, into the samples too.
            image.FillHole();
            m_bBlowFile = 1;
            InitDates(true);
            ReadRawBlocks(in);
            BuildIntegrityText();
        } else {
            // A file carrying a saved analysis.
            if (count == 0)
                in.fail(QStringLiteral("no channels"));
            in.seek(filehdr::kTrailOffset);
            const int32_t A = in.i32();
            if (A < 0 || size_t(A) > in.size() - 12)
                in.fail(QStringLiteral("analysis block offset %1").arg(A));
            // Block and tail follow the samples in every file the program
            // writes; a file that points back into them has them in the image.
            const size_t tailAt = in.size() > filehdr::kTailSize ? in.size() - filehdr::kTailSize : 0;
            if (std::min(size_t(A), tailAt) < image.HoleEnd())
                image.FillHole();
            in.seek(size_t(A) + 12);
            AnalysisBlock f;
            ReadAnalysisFields(in, code, f);
            m_strPileNo = f.pileNo;
            m_constructionDate = f.constructionDate;
            m_bFixedParam = f.fixedParam;
            m_strProject = f.project;
            m_testDate = f.testDate;
            // An unreadable date falls back to the header's test time.
            if (!m_testDate.isValid())
                m_testDate = utcSecondsToLocal(m_header.TestTime());
            if (!m_constructionDate.isValid())
                m_constructionDate = m_testDate;
            if (f.hasTexts65) {
                m_strText6 = f.text6;
                m_strText5 = f.text5;
            }
            m_fPileLength = f.pileLength;
            m_nWaveSpeed = f.waveSpeed;
            m_strClass = f.PileClass();
            m_nGradeIndex = f.gradeIndex;
            m_nSensorKind = f.sensorKind;
            m_spareValue = f.spareValue;
            m_fDiameter = f.diameter;
            m_fEnlarged = f.enlarged;
            m_pileValues = f.pileValues;
            m_strRemark = f.remark;
            m_strConclusion = f.conclusion;
            m_strIdText2 = f.idText2;
            m_strShape = f.shapeText;
            m_nSpareCounter = f.spareCounter;
            m_nSamples = f.samples;
            m_nShape = f.IsSquare() ? 1 : 0;
            m_analysisValues = f.analysisValues;
            m_nCurrentChannel = f.currentChannel;
            m_blowFlags = f.blowFlags;
            m_analysisState = f.analysisState;
            if (f.hasSecondSides) {
                m_fSecondSide = f.secondSide;
                m_fEnlarged2 = f.enlarged2;
            } else {
                m_strShape = ShapeText(0);
                m_fSecondSide = m_fDiameter;
                m_fEnlarged2 = m_fEnlarged;
            }
            if (f.hasSensorDistance)
                m_nSensorDistance = f.sensorDistance;
            if (m_strPileNo.isEmpty())
                m_strPileNo = FileTitle(path);
            m_nAge = m_testDate.isValid() && m_constructionDate.isValid()
                         ? int32_t(m_constructionDate.daysTo(m_testDate))
                         : 0;
            m_testTime = m_testDate;

            for (int i = 0; i < count; ++i) {
                auto ch = std::make_unique<CWaveRecord>();
                if (!ch->Read(in))
                    in.fail(QStringLiteral("channel record %1 at %2").arg(i + 1).arg(in.pos()));
                ch->drawA = i + 1;
                ch->drawB = count;
                ch->sampleInterval = m_fSampleInterval;
                m_fChannelZoom = ch->zoom;
                ch->SetZoom(m_fChannelZoom);
                ch->SetMode(m_nSensorKind, false);
                ch->FindPeakAndRise();
                m_channels.push_back(std::move(ch));
            }
            // Older saves appended a fresh average on every save: walk the
            // averaged records (each tells its own length) to the tail and
            // take the last; when the walk does not end at the tail, the first.
            auto makeAverage = [&] {
                auto avg = std::make_unique<CWaveRecord>();
                avg->sampleInterval = m_fSampleInterval;
                avg->SetMode(m_nSensorKind, false);
                return avg;
            };
            const size_t first = in.pos();
            std::unique_ptr<CWaveRecord> avg;
            while (in.remaining() > filehdr::kTailSize) {
                auto next = makeAverage();
                if (!next->Read(in) || in.remaining() < filehdr::kTailSize)
                    break;
                if (in.remaining() == filehdr::kTailSize) {
                    avg = std::move(next);
                    break;
                }
            }
            if (!avg) {
                in.seek(first);
                avg = makeAverage();
                if (!avg->Read(in))
                    in.fail(QStringLiteral("averaged record at %1").arg(first));
            }
            avg->sampleInterval = m_fSampleInterval;
            avg->isAverage = 1;
            avg->drawA = count + 1;
            avg->drawB = count;
            avg->SetZoom(m_fChannelZoom);
            avg->FindPeakAndRise();
            m_channels.push_back(std::move(avg));

            if (in.size() < filehdr::kTailSize)
                in.fail(QStringLiteral("no tail"));
            in.seek(in.size() - filehdr::kTailSize);
            const bool modes = code == 612 || code == 1030 || code == 1036 || code == 1042;
            const bool scale = code == 1030 || code == 1036 || code == 1042;
            if (modes && !m_bViewModesTaken) {
                m_nViewMode = in.i32();
                m_nAlignMode = in.i32();
                m_nCalcMode = in.i32();
                // The view mode stays as stored (1 time ruler, 2 depth ruler,
                // anything else none), so a save writes it back unchanged.
                if (m_nAlignMode < 0 || m_nAlignMode > 2)
                    m_nAlignMode = 1;
                if (m_nCalcMode != 0 && m_nCalcMode != 1)
                    m_nCalcMode = 0;
                m_bViewModesTaken = 1;
            } else {
                in.skip(12);
            }
            m_fScale = scale ? in.f32() : m_header.Scale();
            if (m_nCurrentChannel < 0 || m_nCurrentChannel >= int(m_channels.size()))
                m_nCurrentChannel = 0;
            m_channels[size_t(m_nCurrentChannel)]->SetSelected(true);
            in.seek(in.size());
        }
    } catch (const FileError& e) {
        if (e.cause() == FileCause::BadSeek)
            throw FileError(FileCause::InvalidFile, path, 4, e.detail());
        throw;
    }

    FixTestTimeFromFile();
    if (!m_bFixedParam)
        ReapplyCalcMode();
    UpdateCommonMax();
    if (onFixedParamState)
        onFixedParamState(m_bFixedParam == 0);
    if (m_nGradeIndex < 0 || m_nGradeIndex > 18)
        m_nGradeIndex = 0;
    FillLogTexts(&times);
    return true;
}
