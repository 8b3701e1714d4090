// The analysis block reader.
#include "core/pile/AnalysisBlock.h"

#include "core/pile/PileHeader.h"
#include "core/wave/WaveRecord.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace pit {

namespace {

// Larger files are no pile files; they are not read whole.
constexpr qint64 kMaxPileFileBytes = 64 * 1024 * 1024;

} // namespace

QDateTime ParseSavedDateTime(const QString& text) {
    const QStringList parts = text.trimmed().split(u' ', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    static const QRegularExpression kDateSeparators(QStringLiteral("[-/.]"));
    const QStringList d = parts[0].split(kDateSeparators);
    if (d.size() != 3)
        return {};
    const QDate date(d[0].toInt(), d[1].toInt(), d[2].toInt());
    QTime time(0, 0);
    if (parts.size() > 1) {
        const QStringList t = parts[1].split(u':');
        time = QTime(t.value(0).toInt(), t.value(1).toInt(), t.value(2).toInt());
        if (!time.isValid())
            time = QTime(0, 0);
    }
    return date.isValid() ? QDateTime(date, time) : QDateTime();
}

float AnalysisBlock::PileValue(int i) const {
    if (i < 0 || i >= int(pileValues.size()))
        return 0.0f;
    float v;
    std::memcpy(&v, pileValues[size_t(i)].data(), 4);
    return v;
}

QString AnalysisBlock::PileClass() const {
    return formatCode == 1007 ? QStringLiteral("I") : className;
}

bool AnalysisBlock::IsSquare() const {
    return shapeText == QStringLiteral("方桩") || shapeText == QStringLiteral("Square pile");
}

void ReadAnalysisFields(ByteReader& in, int32_t code, AnalysisBlock& out) {
    const CodePage& cp = CodePage::system();
    out.formatCode = code;
    out.pileNo = in.archiveString(cp);
    out.constructionDateText = in.archiveString(cp);
    out.constructionDate = ParseSavedDateTime(out.constructionDateText);
    out.fixedParam = in.u8();
    out.project = in.archiveString(cp);
    out.testDateText = in.archiveString(cp);
    out.testDate = ParseSavedDateTime(out.testDateText);
    // Files of code 1007 were saved before texts 6 and 5 existed.
    out.hasTexts65 = code != 1007;
    out.text6.clear();
    out.text5.clear();
    if (out.hasTexts65) {
        out.text6 = in.archiveString(cp);
        out.text5 = in.archiveString(cp);
    }
    out.pileLength = in.f32();
    out.waveSpeed = in.i32();
    out.className = in.archiveString(cp);
    out.gradeIndex = in.i32();
    out.sensorKind = in.i32();
    in.read(out.spareValue.data(), 4);
    out.diameter = in.f32();
    out.enlarged = in.f32();
    for (auto& v : out.pileValues)
        in.read(v.data(), 4);
    out.remark = in.archiveString(cp);
    out.conclusion = in.archiveString(cp);
    out.idText2 = in.archiveString(cp);
    out.shapeText = in.archiveString(cp);
    out.spareCounter = in.i32();
    out.samples = in.i32();
    for (auto& v : out.analysisValues)
        v = in.i32();
    out.currentChannel = in.i32();
    for (auto& f : out.blowFlags)
        f = in.i32();
    out.analysisState = in.u8();
    out.hasSecondSides = code == 1036 || code == 1042;
    out.secondSide = out.enlarged2 = 0;
    if (out.hasSecondSides) {
        out.secondSide = in.f32();
        out.enlarged2 = in.f32();
    }
    out.hasSensorDistance = code == 1042;
    out.sensorDistance = out.hasSensorDistance ? in.i32() : 0;
    out.channelsOffset = in.pos();
    CheckAnalysisValues(out, in.path());
}

void CheckAnalysisValues(const AnalysisBlock& b, const QString& path) {
    struct Value {
        float v;
        const char* en;
        const char16_t* zh;
    };
    const Value values[] = {
        {b.pileLength, "pile length", u"桩长"},
        {b.diameter, "pile diameter", u"桩径"},
        {b.enlarged, "enlarged base diameter", u"扩大头直径"},
        {b.PileValue(0), "design pile top elevation", u"设计桩顶标高"},
        {b.PileValue(1), "design pile tip elevation", u"设计桩底标高"},
        {b.PileValue(2), "measured pile top elevation", u"实测桩顶标高"},
        {b.secondSide, "second side", u"第二边长"},
        {b.enlarged2, "second side of the enlarged base", u"扩大头第二边长"},
    };
    for (const Value& x : values) {
        if (std::isfinite(x.v))
            continue;
        const QString v = QString::number(double(x.v));
        throw FileError(FileCause::InvalidFile, path, 4,
                        QStringLiteral("saved %1 is %2").arg(QString::fromLatin1(x.en), v),
                        QStringLiteral("保存的%1为 %2").arg(QString::fromUtf16(x.zh), v));
    }
}

AnalysisBlockRead ReadAnalysisBlock(const QByteArray& file, AnalysisBlock& out, const QString& path) {
    using Kind = AnalysisBlockRead::Kind;
    AnalysisBlockRead result;
    ByteReader in(file, path);
    try {
        uint8_t magic[10];
        in.read(magic, 10);
        const int32_t code = in.i32();
        if (!IsExtTypeCode(code)) {
            if (IsBaseTypeCode(code) && MagicText(magic) == "A-RIRADAD") {
                result.kind = Kind::BlowFile;
                return result;
            }
            result.why = QStringLiteral("format code %1 carries no analysis block").arg(code);
            return result;
        }
        in.seek(filehdr::kTrailOffset);
        const int32_t A = in.i32();
        if (A < int32_t(filehdr::kSize) || size_t(A) > in.size())
            in.fail(QStringLiteral("analysis block offset %1").arg(A));
        AnalysisBlock block;
        // The channel count where the header of the file's kind keeps it.
        in.seek(filehdr::kParamOffset);
        const int32_t P = in.i32();
        const int32_t W = in.i32();
        const int64_t L = int64_t(W) - int64_t(P);
        const bool shortHeader = DetectRecordType(magic, code, L) <= 4;
        const size_t countAt = size_t(P) + (shortHeader ? hdr::kChannelCount : blk::kChannelCount);
        if (P < 0 || countAt + 4 > in.size())
            in.fail(QStringLiteral("parameter offset %1").arg(P));
        in.seek(countAt);
        block.channelCount = in.i32();
        // The header's sample interval as the pile reader takes it (a short
        // header that ends before the field has none): a pile it refuses is
        // refused here too.
        const size_t shortLength = L < 0 || L > int64_t(hdr::kShortMax) ? hdr::kShortMax : size_t(L);
        float dt = 0;
        if (!shortHeader || shortLength >= hdr::kSampleInterval + 4) {
            in.seek(size_t(P) + (shortHeader ? hdr::kSampleInterval : blk::kSampleInterval));
            dt = in.f32();
        }
        CheckSampleInterval(dt, path);
        block.blockOffset = A;
        in.seek(size_t(A));
        in.skip(4);
        block.currentRecordOffset = in.i32();
        in.skip(4);
        ReadAnalysisFields(in, code, block);
        out = std::move(block);
        result.kind = Kind::Fields;
    } catch (const FileError& e) {
        result.kind = Kind::Refused;
        result.why = e.detail().isEmpty() ? e.message(false) : e.detail();
    }
    return result;
}

AnalysisBlockRead ReadAnalysisBlockFile(const QString& path, AnalysisBlock& out) {
    AnalysisBlockRead result;
    const QFileInfo fi(path);
    if (!fi.isFile()) {
        result.why = QStringLiteral("no such file");
        return result;
    }
    if (fi.size() > kMaxPileFileBytes) {
        result.why = QStringLiteral("%1 bytes").arg(fi.size());
        return result;
    }
    try {
        return ReadAnalysisBlock(readWholeFile(path), out, path);
    } catch (const FileError& e) {
        result.why = e.message(false);
    }
    return result;
}

bool ReadAnalysisChannel(const QByteArray& file, const AnalysisBlock& b, int index, CWaveRecord& out) {
    ByteReader in(file);
    // The reports draw times, depths and rulers from the record's own interval.
    const auto usable = [&out] { return IsSampleIntervalValid(out.GetSampleInterval()); };
    try {
        if (index == b.currentChannel && b.currentRecordOffset >= int32_t(b.channelsOffset) &&
            size_t(b.currentRecordOffset) < in.size()) {
            in.seek(size_t(b.currentRecordOffset));
            if (out.Read(in))
                return usable();
        }
        in.seek(b.channelsOffset);
        for (int i = 0; i < std::max(0, index); ++i) {
            CWaveRecord skip;
            if (!skip.Read(in))
                return false;
        }
        return out.Read(in) && usable();
    } catch (const FileError&) {
        return false;
    }
}

} // namespace pit
