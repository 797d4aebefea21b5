#pragma once
// The one text-to-number conversion, for the coordinate text and every edit field.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ovalon {

/// Raised by ParseNumber for a text that is not a number; callers show their own message.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& text);
};

/// Reads a decimal number ("." as the point, optional sign, optional exponent, spaces around
/// allowed) and rounds it to a 64-bit real. Throws EConvertError when the text is not a number.
/// It has no side effect: the window's rule that reading a number makes "." the decimal separator
/// of its reports is kept where the separator is held (SetDecimalSeparatorAfterParsing).
double ParseNumber(const std::string& text);

/// A number field of a structure file, such as a coordinate of a trajectory frame: a text in
/// the syntax of ParseNumber's strict reading, without spaces and with a digit in the mantissa,
/// rounded correctly to the nearest 64-bit value however many digits it has (where ParseNumber
/// rounds its extended accumulation once more). Empty when the field is not such a number, or
/// when its value is not finite or lies beyond the 64-bit range (1E999, 1E-400).
std::optional<double> ReadFieldNumber(std::string_view field);

}  // namespace ovalon
