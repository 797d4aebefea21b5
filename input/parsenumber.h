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

/// Reads the plain decimal at the start of `text` ("-" or no sign, digits with at most one ".",
/// at least one digit, no exponent) as ReadFieldNumber reads it, and returns how many
/// characters it takes. Returns 0, leaving `value` alone, where the text does not start with
/// one or it is beyond this quick reading (over 19 digits, over 22 decimals, or a mantissa
/// above 2^53); ReadFieldNumber then decides. The caller checks what follows the number.
std::size_t ReadPlainDecimal(std::string_view text, double& value);

}  // namespace ovalon
