#include "platform/ByteCursor.h"

#include "platform/CodePage.h"

namespace pit {

ByteReader::ByteReader(std::span<const uint8_t> data, QString path) : m_data(data), m_path(std::move(path)) {}

ByteReader::ByteReader(const QByteArray& data, QString path)
    : m_data(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())),
      m_path(std::move(path)) {}

void ByteReader::need(size_t n) const {
    if (n > remaining())
        throw FileError(
            FileCause::BadSeek, m_path, 0,
            QStringLiteral("%1 bytes wanted at offset %2, %3 left").arg(n).arg(m_pos).arg(remaining()));
}

void ByteReader::fail(const QString& detail) const {
    throw FileError(FileCause::InvalidFile, m_path, 0, detail);
}

void ByteReader::seek(size_t pos) {
    if (pos > m_data.size())
        throw FileError(FileCause::BadSeek, m_path, 0,
                        QStringLiteral("offset %1 beyond %2 bytes").arg(pos).arg(m_data.size()));
    m_pos = pos;
}

void ByteReader::skip(size_t n) {
    need(n);
    m_pos += n;
}

int8_t ByteReader::i8() {
    return get<int8_t>();
}
uint8_t ByteReader::u8() {
    return get<uint8_t>();
}
int16_t ByteReader::i16() {
    return get<int16_t>();
}
uint16_t ByteReader::u16() {
    return get<uint16_t>();
}
int32_t ByteReader::i32() {
    return get<int32_t>();
}
uint32_t ByteReader::u32() {
    return get<uint32_t>();
}
float ByteReader::f32() {
    return get<float>();
}
double ByteReader::f64() {
    return get<double>();
}

std::span<const uint8_t> ByteReader::bytes(size_t n) {
    need(n);
    auto s = m_data.subspan(m_pos, n);
    m_pos += n;
    return s;
}

void ByteReader::read(void* out, size_t n) {
    auto s = bytes(n);
    if (n)
        std::memcpy(out, s.data(), n);
}

QString ByteReader::fixedText(size_t n, const CodePage& cp) {
    auto s = bytes(n);
    size_t len = 0;
    while (len < n && s[len] != 0)
        ++len;
    return cp.toUnicode(reinterpret_cast<const char*>(s.data()), len);
}

QString ByteReader::fixedUtf16(size_t n) {
    auto s = bytes(n);
    QString out;
    for (size_t i = 0; i + 1 < n; i += 2) {
        const char16_t c = char16_t(s[i] | (s[i + 1] << 8));
        if (c == 0)
            break;
        out.append(QChar(c));
    }
    return out;
}

QString ByteReader::archiveString(const CodePage& cp) {
    const size_t start = m_pos;
    const int32_t count = i32();
    if (count < 0 || size_t(count) > remaining()) {
        m_pos = start;
        throw FileError(FileCause::BadSeek, m_path, 0,
                        QStringLiteral("string of %1 bytes at offset %2").arg(count).arg(start));
    }
    auto s = bytes(size_t(count));
    size_t len = 0;
    while (len < s.size() && s[len] != 0)
        ++len;
    return cp.toUnicode(reinterpret_cast<const char*>(s.data()), len);
}

void ByteWriter::patchI32(size_t pos, int32_t v) {
    Q_ASSERT(pos + 4 <= size());
    std::memcpy(m_data.data() + pos, &v, 4);
}

void ByteWriter::fixedText(const QString& text, size_t n, const CodePage& cp) {
    if (n == 0)
        return;
    QByteArray b = cp.fromUnicodeLimited(text, n - 1);
    bytes(b);
    zeros(n - size_t(b.size()));
}

void ByteWriter::fixedUtf16(const QString& text, size_t n) {
    size_t written = 0;
    for (QChar c : text) {
        if (written + 2 > n)
            break;
        u16(c.unicode());
        written += 2;
    }
    zeros(n - written);
}

void ByteWriter::archiveString(const QString& text, const CodePage& cp) {
    QByteArray b = cp.fromUnicode(text);
    i32(int32_t(b.size() + 1));
    bytes(b);
    u8(0);
}

} // namespace pit
