#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Number handling in the style the forms were written in.
namespace VbNum {

// Val(): blanks, tabs and line feeds are ignored wherever they stand; then
// the longest leading number is read ("12ab" -> 12, "1 2" -> 12,
// "1.5e2" -> 150, "1d2" -> 100, "&H1F" -> 31, "&O17" -> 15, "abc" -> 0).
// Hex and octal forms of up to 16 bits are signed 16-bit ("&HFFFF" -> -1),
// up to 32 bits signed 32-bit; longer ones give 0. A decimal number too
// large for a double gives +-infinity (never a wrong finite value).
double val(const QString& text);

// Round half to even, as CInt/CLng do (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double v);

// CLng-like conversion: rounds half to even; nullopt when the result lies
// outside [lo, hi].
std::optional<int64_t> toIntegerInRange(double v, int64_t lo, int64_t hi);

// A number as the forms show it: no exponent for ordinary values, no
// trailing zeros, no leading blank ("15", "1.2", "-3", "0.5").
QString str(double v);
// The same without the zero before the point (".4", "-.5"), as numbers read
// when joined to text by the old runtime's Str.
QString strBare(double v);
// Single precision in the general form: up to 7 significant digits.
QString strSingle(float v);
// Fixed decimals ("#0.0" with decimals 1), rounding half away from zero on
// the number's decimal digits (1.25 -> "1.3", -0.05 -> "-0.1").
QString formatFixed(double v, int decimals);

// Strict parse of a whole decimal text (optional sign, digits, optional
// fraction); nullopt for anything else, including empty text.
std::optional<double> parseNumber(const QString& text);

}  // namespace VbNum
