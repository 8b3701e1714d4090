#include "core/doc/MathOperation.h"

#include "core/doc/BitmapOperation.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/TimeUtil.h"

#include <cmath>

namespace {

int pow10i(int n) {
    int p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

} // namespace

void MathOperation::RoundToDecimals(float& x, int n) {
    const int p = pow10i(n);
    float t = x * float(p);
    const float frac = t - float(int(t));
    if (frac >= 0.5f)
        t += 1.0f;
    x = float(int(t)) / float(p);
}

void MathOperation::RoundUpDecimals(float& x, int n) {
    const int i = int(x);
    const double u = std::pow(0.1, n) + (double(x) - i);
    const double v = std::trunc(std::pow(10.0, n) * u);
    const double step = std::pow(10.0, n - 1);
    if (std::fmod(v, step) != 0.0)
        x = float(std::trunc(step * (std::pow(0.1, n - 1) + u)) / step + i);
    else
        x = float(v / std::pow(10.0, n) + i);
}

int MathOperation::ChooseDecimalsAndRound(float& x) {
    int n = 4;
    if (double(x) >= 0.09)
        n = 2;
    else if (double(x) > 0.009)
        n = 3;
    RoundUpDecimals(x, n);
    return n;
}

QString MathOperation::FormatFloatDecimals(float v, int n) {
    return QString::asprintf("%.*f", n, double(v));
}

int MathOperation::CStringToByte(const QString& text, uint8_t& out) {
    out = uint8_t(pit::atoiC(CStringToAnsi(text).constData()) & 0xFF);
    return 1;
}

int MathOperation::CStringToInt(const QString& text, int& out) {
    out = pit::atoiC(CStringToAnsi(text).constData());
    return 1;
}

int MathOperation::CStringToFloat(const QString& text, float& out) {
    const QByteArray b = CStringToAnsi(text);
    out = float(pit::atofC(std::string_view(b.constData(), size_t(b.size()))));
    return 1;
}

QByteArray MathOperation::CStringToAnsi(const QString& text) {
    return pit::CodePage::system().fromUnicode(text);
}

QByteArray MathOperation::CStringToAnsiN(const QString& text, int max) {
    if (max <= 1)
        return {};
    return pit::CodePage::system().fromUnicodeLimited(text, size_t(max - 1));
}

QString MathOperation::AnsiToCString(const char* bytes, int length) {
    if (!bytes || length <= 0)
        return {};
    return pit::CodePage::system().toUnicode(bytes, size_t(length));
}

QByteArray MathOperation::Utf16BytesToText(const uint8_t* bytes, int byteCount, int size) {
    QString text;
    for (int i = 0; i + 1 < byteCount; i += 2)
        text.append(QChar(char16_t(bytes[i] | (bytes[i + 1] << 8))));
    if (size <= 1)
        return {};
    return pit::CodePage::system().fromUnicodeLimited(text, size_t(size - 1));
}

QByteArray MathOperation::TextToUtf16Bytes(const QByteArray& ansi, int size) {
    QByteArray out(qMax(size, 0), '\0');
    const QString text = pit::CodePage::system().toUnicode(ansi).left(128);
    // Whole characters only: a field of odd size keeps its last byte zero.
    for (qsizetype i = 0; i < text.size() && 2 * i + 2 <= size; ++i) {
        out[2 * i] = char(text[i].unicode() & 0xFF);
        out[2 * i + 1] = char(text[i].unicode() >> 8);
    }
    return out;
}

bool MathOperation::IsValidTimeValue(QDateTime& out, int32_t value) {
    return pit::IsValidTimeValue(out, value);
}

int MathOperation::FindFirstEscapeChar(const QString& text, int& pos, int start, int end) {
    static constexpr char16_t kChars[] = {u'\a', u'\b', u'\f', u'\n', u'\r', u'\t',
                                          u'\v', u'\\', u'\'', u'"',  u'\0'};
    const int len = int(text.size());
    if (end < 0 || end > len)
        end = len;
    // The wide text is scanned, so a GBK trail byte 0x5C is never taken for a backslash.
    for (int i = qMax(start, 0); i < end; ++i) {
        const char16_t c = text[i].unicode();
        for (int k = 0; k < 11; ++k) {
            if (c == kChars[k]) {
                pos = i;
                return k;
            }
        }
    }
    pos = end;
    return -1;
}

QString MathOperation::GetModuleDirectory() {
    return pit::programDir() + u'/';
}

QString MathOperation::ReadArchiveString(pit::ByteReader& in) {
    return in.archiveString(pit::CodePage::system());
}

void MathOperation::WriteArchiveString(pit::ByteWriter& out, const QString& text) {
    out.archiveString(text, pit::CodePage::system());
}

bool CBitmapOperation::ColorToText(QString& text, pit::COLORREF c) {
    text = QStringLiteral("%1,%2,%3").arg(pit::GetRValue(c)).arg(pit::GetGValue(c)).arg(pit::GetBValue(c));
    return true;
}

bool CBitmapOperation::TextToColor(const QString& text, pit::COLORREF& c) {
    const QStringList parts = text.split(u',');
    int v[3] = {0, 0, 0};
    for (int i = 0; i < 3 && i < parts.size(); ++i)
        v[i] = pit::atoiC(parts[i]) & 0xFF;
    c = pit::RGB(v[0], v[1], v[2]);
    return true;
}
