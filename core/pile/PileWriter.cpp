// Writing pile files: the analysis saved into the record's own file, a copy in
// the newest layout, and the file rewritten in its own record type's layout.
// Every write builds the whole image and replaces the file atomically.
#include "core/pile/PileRecord.h"

#include "core/wave/WaveRecord.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/FileIdentity.h"
#include "platform/RangeFile.h"
#include "platform/TimeUtil.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

using namespace pit;

namespace {

void writeMagic(ByteWriter& w, int type) {
    char magic[10] = {};
    const char* text = type == 4 ? "VURIZO" : type == 5 ? "RIRADAD" : "VADUZI";
    std::memcpy(magic, text, std::strlen(text));
    w.bytes(magic, 10);
}

bool setWriteTime(const QString& path, const QDateTime& t) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    return f.setFileTime(t, QFileDevice::FileModificationTime) &&
           f.setFileTime(t, QFileDevice::FileAccessTime);
}

// The file's bytes and which file they came from, from one open.
QByteArray readWithIdentity(const QString& path, FileIdentity& identity) {
    // A FIFO or a device put at the pile's name would be waited on.
    QFile f;
    OpenRegularFile(f, path, FileCause::FileNotFound);
    identity = FileIdentity::OfDescriptor(f.handle());
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw FileError::fromDevice(f, FileCause::HardIO);
    return data;
}

// Whether the file's sample block holds these samples.
bool holdsSamples(const QByteArray& file, const SampleBuffer& samples) {
    if (size_t(file.size()) < filehdr::kSampleOffset + 4)
        return false;
    int32_t W;
    std::memcpy(&W, file.constData() + filehdr::kSampleOffset, 4);
    const size_t n = samples.size() * 4;
    return W >= 0 && size_t(W) <= size_t(file.size()) && size_t(file.size()) - size_t(W) >= n &&
           (n == 0 || std::memcmp(file.constData() + W, samples.data(), n) == 0);
}

} // namespace

void CPileRecord::WriteTailModes(ByteWriter& out) const {
    out.i32(m_nViewMode);
    out.i32(m_nAlignMode);
    out.i32(m_nCalcMode);
}

void CPileRecord::WriteTailScale(ByteWriter& out) const {
    out.f32(m_fScale);
}

void CPileRecord::WriteAnalysisBlock(ByteWriter& out, const QByteArray& keptHead) {
    const CodePage& cp = CodePage::system();
    const size_t start = out.size();
    QByteArray head = keptHead.left(12);
    head.append(QByteArray(12 - head.size(), '\0'));
    out.bytes(head);
    out.archiveString(m_strPileNo, cp);
    out.archiveString(m_constructionDate.toString(QStringLiteral("yyyy-MM-dd")), cp);
    out.u8(m_bFixedParam);
    out.archiveString(m_strProject, cp);
    out.archiveString(m_testDate.date().toString(QStringLiteral("yyyy-MM-dd ")) +
                          m_testTime.time().toString(QStringLiteral("HH:mm:ss")),
                      cp);
    out.archiveString(m_strText6, cp);
    out.archiveString(m_strText5, cp);
    out.f32(m_fPileLength);
    out.i32(m_nWaveSpeed);
    out.archiveString(m_strClass, cp);
    out.i32(m_nGradeIndex);
    out.i32(m_nSensorKind);
    out.bytes(m_spareValue.data(), 4);
    out.f32(m_fDiameter);
    out.f32(m_fEnlarged);
    for (const auto& v : m_pileValues)
        out.bytes(v.data(), 4);
    out.archiveString(m_strRemark, cp);
    out.archiveString(m_strConclusion, cp);
    out.archiveString(m_strIdText2, cp);
    out.archiveString(m_strShape, cp);
    out.i32(m_nSpareCounter);
    out.i32(m_nSamples);
    for (int32_t v : m_analysisValues)
        out.i32(v);
    out.i32(m_nCurrentChannel);
    for (int32_t f : m_blowFlags)
        out.i32(f);
    out.u8(m_analysisState);
    out.f32(m_fSecondSide);
    out.f32(m_fEnlarged2);
    out.i32(m_nSensorDistance);
    if (m_fChannelZoom <= 0)
        m_fChannelZoom = 1;
    for (int i = 0; i < int(m_channels.size()); ++i) {
        CWaveRecord& ch = *m_channels[size_t(i)];
        ch.SetZoom(m_fChannelZoom);
        if (i == m_nCurrentChannel)
            out.patchI32(start + 4, int32_t(out.size()));
        ch.Write(out);
    }
}

void CPileRecord::SaveAnalysis(bool overwriteChanged) {
    QByteArray file;
    FileIdentity onDisk;
    try {
        file = readWithIdentity(m_strPath, onDisk);
    } catch (const FileError& e) {
        throw FileError(FileCause::FileNotFound, m_strPath, -1, e.detail());
    }
    if (m_diskIdentity.known && m_strIdentityPath == m_strPath && onDisk != m_diskIdentity) {
        if (!overwriteChanged)
            throw FileError(FileCause::Generic, m_strPath, 0,
                            QStringLiteral("changed on disk since it was read; nothing was written"),
                            QStringLiteral("读入后已在磁盘上被改动，未写入"));
        // Saved by another window, the file still holds this pile's samples
        // and the analysis goes in beside them as always. Any other file
        // gives way to this pile whole: an analysis never goes into another
        // pile's samples.
        if (!holdsSamples(file, m_rawSamples))
            file = BuildOriginalImage();
    }
    ByteReader in(file, m_strPath);
    int32_t A;
    try {
        uint8_t magic[10];
        in.read(magic, 10);
        const int32_t code = in.i32();
        if (!IsKnownTypeCode(code))
            throw FileError(FileCause::Generic, m_strPath, 4,
                            QStringLiteral("unknown format code %1").arg(code));
        if (IsBaseTypeCode(code) && MagicText(magic) != "A-RIRADAD") {
            in.seek(filehdr::kSampleOffset);
            const int64_t a = int64_t(in.i32()) + int64_t(m_nChannelCount) * m_nSamples * 4;
            if (a < int64_t(filehdr::kSize) || a > int64_t(file.size()))
                in.fail(QStringLiteral("sample block outside the file"));
            A = int32_t(a);
        } else {
            in.seek(filehdr::kTrailOffset);
            A = in.i32();
            if (A < int32_t(filehdr::kSize) || A > file.size())
                in.fail(QStringLiteral("analysis block offset %1").arg(A));
        }
    } catch (const FileError& e) {
        if (e.cause() == FileCause::BadSeek)
            throw FileError(FileCause::InvalidFile, m_strPath, 4, e.detail());
        throw;
    }
    // The saved analysis is marked fixed; a failed write leaves the record as it was.
    const uint8_t fixedBefore = m_bFixedParam;
    m_bFixedParam = 1;
    try {
        ByteWriter w;
        w.bytes(file.left(A));
        w.patchI32(filehdr::kCode, kAnalysisCode);
        w.patchI32(filehdr::kTrailOffset, A);
        WriteAnalysisBlock(w, file.mid(A, 12));
        WriteTailModes(w);
        WriteTailScale(w);
        // Written whole: a shorter block leaves nothing of the old one behind.
        writeFileAtomic(m_strPath, w.data());
    } catch (...) {
        m_bFixedParam = fixedBefore;
        throw;
    }
    RememberDiskIdentity(m_strPath, FileIdentity::OfPath(m_strPath));
    // Only what was written is read back: after a failure the record keeps the edit.
    m_nReloadState = 1;
    m_logTexts[2] = m_strProject;
    m_logTexts[3] = m_strPileNo;
    FillLogTexts();
}

QByteArray CPileRecord::BuildCopyImage() {
    ByteWriter w;
    writeMagic(w, m_nRecordType);
    w.i32(kCopyCode);
    w.i32(50);
    w.i32(578);
    w.zeros(filehdr::kSize - w.size());
    PileHeaderRaw h;
    RecordToHeader(h);
    PileParamBlock b;
    HeaderToBlock(h, b);
    w.bytes(b.data(), b.size());
    // The extension goes where the reader of this type looks for it, so a
    // square pile stays square.
    m_nExtShape = h.Shape();
    m_nExtSecondSide = h.SecondSide();
    m_nExtGrade = h.GradeNumber();
    w.bytes(HeaderExtensionBytes());
    w.zeros(96 - filehdr::kExtensionSize);
    const size_t n = size_t(std::max(m_header.Samples(), 0));
    for (const auto& ch : m_channels) {
        const float* src = ch->Source().data();
        const size_t have = std::min(n, size_t(std::max(ch->SampleCount(), 0)));
        w.bytes(src, have * 4);
        w.zeros((n - have) * 4);
    }
    return w.take();
}

bool CPileRecord::WriteFile(const QString& newPath) {
    try {
        WriteCopyFile(newPath);
    } catch (const FileError&) {
        return false;
    }
    return true;
}

void CPileRecord::WriteCopyFile(const QString& newPath) {
    m_strRememberedPath = newPath;
    m_nReloadState = 2;
    if (m_strPileNo.isEmpty())
        m_strPileNo = FileTitle(newPath);
    writeFileAtomic(newPath, BuildCopyImage());
    const QDateTime t(m_testDate.date(), m_testTime.time());
    QFile f(newPath);
    if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) ||
        !f.setFileTime(t, QFileDevice::FileModificationTime) ||
        !f.setFileTime(t, QFileDevice::FileAccessTime))
        throw FileError::fromDevice(f);
}

QByteArray CPileRecord::BuildOriginalImage() {
    const int type = m_nRecordType;
    ByteWriter w;
    writeMagic(w, type);
    w.i32(RecordTypeToFormatCode(type));
    w.zeros(filehdr::kSize - w.size());
    const size_t P = w.size();
    if (type <= 4) {
        w.bytes(m_header.data(), size_t(RecordTypeToHeaderLength(type)));
    } else {
        PileParamBlock b;
        HeaderToBlock(m_header, b);
        if (type == 5) {
            // This generation keeps these texts 8-bit; the image holds them widened.
            for (auto [boff, hoff] :
                 {std::pair{blk::kText4, hdr::kText4}, std::pair{blk::kText5, hdr::kText5},
                  std::pair{blk::kText6, hdr::kText6}})
                b.setText(boff, 50, m_header.utf16(hoff, hdr::kLongText), 49);
        }
        w.bytes(b.data(), b.size());
        if (type == 5)
            w.bytes(HeaderExtensionBytes());
    }
    if (type >= 2) {
        // A type-6 instrument file keeps its extension right after the block.
        if (type == 6) {
            w.bytes(HeaderExtensionBytes());
            w.zeros(96 - filehdr::kExtensionSize);
        } else {
            w.zeros(96);
        }
    }
    const size_t W = w.size();
    w.bytes(m_rawSamples.data(), m_rawSamples.size() * 4);
    const size_t E = w.size();
    w.patchI32(filehdr::kParamOffset, int32_t(P));
    w.patchI32(filehdr::kSampleOffset, int32_t(W));
    w.patchI32(filehdr::kTrailOffset, int32_t(E));
    return w.take();
}

void CPileRecord::RewriteOriginalFile() {
    writeFileAtomic(m_strPath, BuildOriginalImage());
    RememberDiskIdentity(m_strPath, FileIdentity::OfPath(m_strPath));
    if (!setWriteTime(m_strPath, QDateTime(m_testDate.date(), m_testTime.time())))
        return;
    ReadFile(m_strPath);
}

bool CPileRecord::TruncateFile(const QString& path, qint64 length) {
    QFile f(path);
    if (!f.exists() || length < 0)
        return false;
    return f.resize(length);
}
