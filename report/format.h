#pragma once
// The three number-to-text conversions of every report. Each writes the decimal separator it is
// given; the window and ovalon-report hold the process-wide one (report/decimalseparator.h).

#include <string>
#include <string_view>

#include "core/extended.h"

namespace ovalon {

/// General format: positional when −3 ≤ e ≤ precision, otherwise d1.dddE±x.
/// precision is clamped to 2..18; NaN, +∞ and −∞ give "NAN", "INF" and "-INF".
std::string FormatGeneral(Extended value, int precision, int digits, std::string_view separator);

/// Exponent format: d1, the separator, exactly precision − 1 digits, "E", the sign and the
/// exponent with at least `digits` digits (when 0 ≤ digits ≤ 4).
std::string FormatExponent(Extended value, int precision, int digits, std::string_view separator);

/// Fixed format with exactly `digits` decimals and at most `precision` significant digits;
/// falls back to FormatGeneral when the value has more than `precision` integer digits.
std::string FormatFixed(Extended value, int precision, int digits, std::string_view separator);

}  // namespace ovalon
