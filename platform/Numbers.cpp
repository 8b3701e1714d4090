#include "platform/Numbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace pit {

namespace {

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

int atoiC(const char* text) {
    if (!text)
        return 0;
    const char* p = text;
    while (isSpace(*p))
        ++p;
    bool neg = false;
    if (*p == '+' || *p == '-')
        neg = (*p++ == '-');
    long long v = 0;
    while (isDigit(*p)) {
        v = v * 10 + (*p++ - '0');
        if (v > (long long)INT_MAX + 1)
            v = (long long)INT_MAX + 1;
    }
    if (neg)
        v = -v;
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return int(v);
}

int atoiC(const QString& text) {
    return atoiC(text.toLatin1().constData());
}

double atofC(std::string_view s, size_t* consumed) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n && isSpace(s[i]))
        ++i;
    const size_t signAt = i;
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        neg = (s[i++] == '-');
    const size_t start = i;
    size_t digits = 0;
    while (i < n && isDigit(s[i]))
        ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) {
        if (consumed)
            *consumed = 0;
        (void)signAt;
        return 0.0;
    }
    size_t end = i;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < n && isDigit(s[j])) {
            while (j < n && isDigit(s[j]))
                ++j;
            end = j;
        }
    }
    double v = 0.0;
    const auto r = std::from_chars(s.data() + start, s.data() + end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // As strtod: overflow gives infinity, underflow zero.
        const std::string_view mantissaAndExp = s.substr(start, end - start);
        const size_t e = mantissaAndExp.find_first_of("eE");
        const bool negativeExp =
            e != std::string_view::npos && e + 1 < mantissaAndExp.size() && mantissaAndExp[e + 1] == '-';
        v = negativeExp ? 0.0 : HUGE_VAL;
    }
    if (consumed)
        *consumed = end;
    return neg ? -v : v;
}

double atofC(const QString& text, size_t* consumed) {
    const QByteArray b = text.toLatin1();
    return atofC(std::string_view(b.constData(), size_t(b.size())), consumed);
}

std::optional<double> parseDouble(const QString& text) {
    const QByteArray b = text.trimmed().toLatin1();
    if (b.isEmpty())
        return std::nullopt;
    size_t used = 0;
    const double v = atofC(std::string_view(b.constData(), size_t(b.size())), &used);
    if (used != size_t(b.size()) || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int> parseInt(const QString& text) {
    const QByteArray b = text.trimmed().toLatin1();
    const char* first = b.constData();
    const char* last = first + b.size();
    if (first != last && *first == '+')
        ++first;
    int v = 0;
    auto [p, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || p != last || first == last)
        return std::nullopt;
    return v;
}

QString formatDouble(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, qsizetype(r.ptr - buf));
}

QString formatFloat32(float v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, qsizetype(r.ptr - buf));
}

} // namespace pit
