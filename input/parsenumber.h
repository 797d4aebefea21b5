#pragma once
// The one text-to-number conversion, for the coordinate text and every edit field.

#include <stdexcept>
#include <string>

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

}  // namespace ovalon
