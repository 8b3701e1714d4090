// Locale-free number text for files and settings: the C library's atoi/atof
// prefix rules without its locale, and shortest round-trip formatting.
#pragma once

#include <QString>
#include <optional>
#include <string_view>

namespace pit {

// Leading whitespace, optional sign, decimal digits; 0 when there are none.
// Values beyond int saturate.
int atoiC(const char* text);
int atoiC(const QString& text);

// The longest prefix of the form [ws][sign]digits[.digits][e[sign]digits]
// (at least one digit in the mantissa) as a double; 0 when there is none.
// No hexadecimal, no "inf" or "nan".
double atofC(std::string_view text, size_t* consumed = nullptr);
double atofC(const QString& text, size_t* consumed = nullptr);

// The whole text (after trimming) as a finite decimal number, or nothing.
std::optional<double> parseDouble(const QString& text);
std::optional<int> parseInt(const QString& text);

// Shortest text that reads back to the same value ("1.004", "0.1", "2").
QString formatDouble(double v);
QString formatFloat32(float v);

} // namespace pit
