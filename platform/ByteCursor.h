// Bounds-checked little-endian reading and writing of binary file images.
// Every read past the end throws FileError(BadSeek); nothing is ever read from
// outside the buffer.
#pragma once

#include "platform/FileError.h"

#include <QByteArray>
#include <QString>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace pit {

class CodePage;

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data, QString path = {});
    explicit ByteReader(const QByteArray& data, QString path = {});

    size_t pos() const { return m_pos; }
    size_t size() const { return m_data.size(); }
    size_t remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    const QString& path() const { return m_path; }

    void seek(size_t pos);
    void skip(size_t n);

    int8_t i8();
    uint8_t u8();
    int16_t i16();
    uint16_t u16();
    int32_t i32();
    uint32_t u32();
    float f32();
    double f64();
    // n raw bytes; the view stays valid as long as the buffer does.
    std::span<const uint8_t> bytes(size_t n);
    void read(void* out, size_t n);

    // A fixed field of n bytes of 8-bit text in the code page, up to its first NUL.
    QString fixedText(size_t n, const CodePage& cp);
    // A fixed field of n bytes of UTF-16LE text, up to its first NUL character.
    QString fixedUtf16(size_t n);
    // int32 count, then that many bytes of 8-bit text whose last byte is a NUL
    // that the count includes. The count must lie within the remaining bytes.
    QString archiveString(const CodePage& cp);

    // Throws FileError(InvalidFile) naming this buffer's path.
    [[noreturn]] void fail(const QString& detail) const;

private:
    void need(size_t n) const;
    template <typename T> T get() {
        need(sizeof(T));
        T v;
        std::memcpy(&v, m_data.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return v;
    }

    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
    QString m_path;
};

class ByteWriter {
public:
    ByteWriter() = default;

    const QByteArray& data() const { return m_data; }
    QByteArray take() { return std::move(m_data); }
    size_t size() const { return size_t(m_data.size()); }

    void i8(int8_t v) { put(v); }
    void u8(uint8_t v) { put(v); }
    void i16(int16_t v) { put(v); }
    void u16(uint16_t v) { put(v); }
    void i32(int32_t v) { put(v); }
    void u32(uint32_t v) { put(v); }
    void f32(float v) { put(v); }
    void f64(double v) { put(v); }
    void bytes(const void* p, size_t n) { m_data.append(static_cast<const char*>(p), qsizetype(n)); }
    void bytes(const QByteArray& b) { m_data.append(b); }
    void zeros(size_t n) { m_data.append(qsizetype(n), '\0'); }

    // Overwrites already written bytes at pos (for offsets patched later).
    void patchI32(size_t pos, int32_t v);

    // Exactly n bytes: the text in the code page cut at a character boundary
    // so that a NUL always follows, the rest zero.
    void fixedText(const QString& text, size_t n, const CodePage& cp);
    // Exactly n bytes of UTF-16LE, NUL-terminated when room is left, the rest zero.
    void fixedUtf16(const QString& text, size_t n);
    void archiveString(const QString& text, const CodePage& cp);

private:
    template <typename T> void put(T v) {
        char b[sizeof(T)];
        std::memcpy(b, &v, sizeof(T));
        m_data.append(b, sizeof(T));
    }
    QByteArray m_data;
};

static_assert(std::endian::native == std::endian::little, "the file formats are little-endian");

} // namespace pit
