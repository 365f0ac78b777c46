#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Number handling in the style the forms were written in.
namespace VbNum {

// Val(): skips blanks, reads the longest leading number ("12ab" -> 12,
// "1.5e2" -> 150, "&H1F" -> 31, "abc" -> 0).
double val(const QString& text);

// Round half to even, as CInt/CLng do (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double v);

// CLng-like conversion: rounds half to even; nullopt when the result lies
// outside [lo, hi].
std::optional<int64_t> toIntegerInRange(double v, int64_t lo, int64_t hi);

// A number as the forms show it: no exponent for ordinary values, no
// trailing zeros, no leading blank ("15", "1.2", "-3", "0.5").
QString str(double v);

// Strict parse of a whole decimal text (optional sign, digits, optional
// fraction); nullopt for anything else, including empty text.
std::optional<double> parseNumber(const QString& text);

}  // namespace VbNum
