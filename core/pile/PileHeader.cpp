// Fixed structures of the pile file and the rules that tell its generations apart.
#include "core/pile/PileHeader.h"

#include "platform/CodePage.h"

namespace pit {

template <size_t N> QString FixedImage<N>::text(size_t off, size_t n) const {
    size_t len = 0;
    while (len < n && bytes[off + len] != 0)
        ++len;
    return CodePage::system().toUnicode(reinterpret_cast<const char*>(bytes.data() + off), len);
}

template <size_t N> void FixedImage<N>::setText(size_t off, size_t n, const QString& t, size_t maxBytes) {
    zero(off, n);
    const QByteArray b = CodePage::system().fromUnicodeLimited(t, std::min(maxBytes, n));
    std::memcpy(bytes.data() + off, b.constData(), size_t(b.size()));
}

template <size_t N> QString FixedImage<N>::utf16(size_t off, size_t n) const {
    QString out;
    for (size_t i = 0; i + 1 < n; i += 2) {
        const char16_t c = char16_t(bytes[off + i] | (bytes[off + i + 1] << 8));
        if (c == 0)
            break;
        out.append(QChar(c));
    }
    return out;
}

template <size_t N> void FixedImage<N>::setUtf16(size_t off, size_t n, const QString& t, size_t maxChars) {
    zero(off, n);
    size_t chars = std::min<size_t>({size_t(t.size()), maxChars, n / 2});
    // A surrogate pair is never split.
    if (chars > 0 && chars < size_t(t.size()) && t[qsizetype(chars - 1)].isHighSurrogate())
        --chars;
    for (size_t i = 0; i < chars; ++i) {
        const char16_t c = t[qsizetype(i)].unicode();
        bytes[off + 2 * i] = uint8_t(c & 0xFF);
        bytes[off + 2 * i + 1] = uint8_t(c >> 8);
    }
}

template struct FixedImage<hdr::kSize>;
template struct FixedImage<blk::kSize>;

void AdRecord::Read(ByteReader& in, AdRecord& out) {
    const auto tag = in.bytes(2);
    if (tag[0] != 'A' || tag[1] != 'D')
        return;
    out.blowNumber = in.i32();
    in.read(out.blowBytes.data(), out.blowBytes.size());
    out.sampleOffset = in.i32();
    in.read(out.params.data(), out.params.size());
    out.last = in.u8();
    if (out.sampleOffset < 0 || size_t(out.sampleOffset) > in.size() ||
        in.size() - size_t(out.sampleOffset) < out.samples.size() * 4)
        in.fail(QStringLiteral("blow samples at %1 outside the file").arg(out.sampleOffset));
    in.seek(size_t(out.sampleOffset));
    in.read(out.samples.data(), out.samples.size() * 4);
}

void CheckSampleInterval(float dt, const QString& path) {
    if (IsSampleIntervalValid(dt))
        return;
    const QString v = QString::number(double(dt)), lo = QString::number(double(kMinSampleInterval)),
                  hi = QString::number(double(kMaxSampleInterval));
    throw FileError(FileCause::InvalidFile, path, 4,
                    QStringLiteral("sample interval %1 µs, not within %2 to %3 µs").arg(v, lo, hi),
                    QStringLiteral("采样间隔 %1 µs，不在 %2 至 %3 µs 之间").arg(v, lo, hi));
}

bool IsBaseTypeCode(int32_t code) {
    return code == 1 || code == 3 || code == 4 || code == 100 || code == 1048;
}

bool IsExtTypeCode(int32_t code) {
    switch (code) {
    case 612:
    case 1007:
    case 1008:
    case 1024:
    case 1030:
    case 1036:
    case 1042:
        return true;
    default:
        return false;
    }
}

bool IsKnownTypeCode(int32_t code) {
    return IsBaseTypeCode(code) || IsExtTypeCode(code);
}

QByteArray MagicText(const uint8_t* magic10) {
    size_t n = 0;
    while (n < 10 && magic10[n] != 0)
        ++n;
    return QByteArray(reinterpret_cast<const char*>(magic10), qsizetype(n));
}

int DetectRecordType(const uint8_t* magic10, int32_t code, int64_t blockLength) {
    if (code == 1048)
        return 6;
    const QByteArray magic = MagicText(magic10);
    if (magic == "VADUZI") {
        const int64_t L = blockLength;
        if (L == 90)
            return 0;
        if (L >= 91 && L <= 103)
            return 1;
        if (L >= 104 && L <= 219)
            return (code == 4 || code == 1042) ? 3 : 2;
        if (L == 528)
            return 6;
        return 0;
    }
    if (magic == "VURIZO")
        return 4;
    if (magic == "RIRADAD" || magic == "A-RIRADAD")
        return 5;
    return 1;
}

int RecordTypeToFormatCode(int type) {
    switch (type) {
    case 0:
    case 1:
    case 2:
        return 3;
    case 3:
        return 4;
    case 4:
        return 1;
    case 5:
        return 100;
    case 6:
        return 1048;
    default:
        return 3;
    }
}

int RecordTypeToHeaderLength(int type) {
    // Each type gets the length its own detection rule gives back.
    switch (type) {
    case 0:
        return 90;
    case 1:
        return 103;
    case 2:
    case 3:
    case 4:
        return 123;
    case 5:
        return 342;
    default:
        return 90;
    }
}

} // namespace pit
