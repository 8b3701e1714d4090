// Stateless numeric and text conversions used all over the program.
#pragma once

#include "platform/ByteCursor.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>

class MathOperation {
public:
    virtual ~MathOperation() = default;

    // x := half-up rounding of x to n decimals (toward zero for negatives:
    // their fractional part is negative, so it never reaches one half).
    static void RoundToDecimals(float& x, int n);
    static void RoundUpDecimals(float& x, int n);
    // Rounds x with 2, 3 or 4 decimals by its size; returns the count.
    static int ChooseDecimalsAndRound(float& x);
    static QString FormatFloatDecimals(float v, int n);

    // atoi/atof of the text's 8-bit form (the byte keeps the low 8 bits); return 1.
    static int CStringToByte(const QString& text, uint8_t& out);
    static int CStringToInt(const QString& text, int& out);
    static int CStringToFloat(const QString& text, float& out);

    // The text in the system code page, without a terminator.
    static QByteArray CStringToAnsi(const QString& text);
    // At most max - 1 bytes (room for the terminator), cut at a character boundary.
    static QByteArray CStringToAnsiN(const QString& text, int max);
    static QString AnsiToCString(const char* bytes, int length);
    // byteCount / 2 little-endian UTF-16 characters to at most size - 1 bytes of 8-bit text.
    static QByteArray Utf16BytesToText(const uint8_t* bytes, int byteCount, int size);
    // 8-bit text to at most 128 UTF-16LE characters in a zero-filled field of size bytes.
    static QByteArray TextToUtf16Bytes(const QByteArray& ansi, int size);

    static bool IsValidTimeValue(QDateTime& out, int32_t value);

    // The first of BEL, BS, FF, LF, CR, TAB, VT, '\\', '\'', '"', NUL in
    // text[start..end) (end -1 or -2: to the end): its index 0..10 in that
    // order, with its position in pos; -1 (pos := end) when there is none.
    static int FindFirstEscapeChar(const QString& text, int& pos, int start, int end);

    // The program folder with a trailing separator.
    static QString GetModuleDirectory();

    static QString ReadArchiveString(pit::ByteReader& in);
    static void WriteArchiveString(pit::ByteWriter& out, const QString& text);
};
