#pragma once
// The three number-to-text conversions of every report, and the process-wide decimal separator.

#include <string>

#include "core/extended.h"

namespace ovalon {

/// General format: positional when −3 ≤ e ≤ precision, otherwise d1.dddE±x.
/// precision is clamped to 2..18; NaN, +∞ and −∞ give "NAN", "INF" and "-INF".
std::string FormatGeneral(Extended value, int precision, int digits);

/// Exponent format: d1, the separator, exactly precision − 1 digits, "E", the sign and the
/// exponent with at least `digits` digits (when 0 ≤ digits ≤ 4).
std::string FormatExponent(Extended value, int precision, int digits);

/// Fixed format with exactly `digits` decimals and at most `precision` significant digits;
/// falls back to FormatGeneral when the value has more than `precision` integer digits.
std::string FormatFixed(Extended value, int precision, int digits);

/// The decimal separator every conversion writes (UTF-8). It starts as the locale's and is "."
/// from the first ParseNumber on.
std::string DecimalSeparator();

/// Replaces the separator for every later conversion (ParseNumber sets ".").
void SetDecimalSeparator(const std::string& separator);

/// Sets DecimalSeparator from the user's locale (LC_NUMERIC of the environment), without
/// touching the C library's global locale; "." when that locale is unavailable.
void SetDecimalSeparatorFromLocale();

}  // namespace ovalon
