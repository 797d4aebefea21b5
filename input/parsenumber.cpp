#include "input/parsenumber.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/extended.h"

namespace ovalon {

namespace {

// Far beyond the extended range in either direction; keeps absurd exponents from overflowing.
constexpr long long ExponentLimit = 1000000000;
// 10^27 = 2^27 · 5^27 with 5^27 < 2^64: the largest power of ten that is exact in extended.
constexpr int LargestExactPower = 27;
// 10^4932 < 1.19 · 10^4932, the largest extended value; 10^4933 is beyond it.
constexpr int LargestFinitePower = 4932;

/// The parts of a number read so far: `digits` holds the mantissa digits as one integer
/// (value := value × 10 + digit), and the number is digits × 10^exponent. Once another digit
/// would take `digits` beyond the extended range, the remaining digits are dropped: an integer
/// digit then only raises the exponent, a fraction digit changes nothing.
struct NumberParts {
  bool negative = false;
  Extended digits = 0;
  long long exponent = 0;
  int digitCount = 0;
  bool full = false;  ///< digits are being dropped
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipSpaces(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && text[pos] == ' ') ++pos;
}

void ReadSign(std::string_view text, std::size_t& pos, bool& negative) {
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
}

/// Accumulates the decimal digits at pos into `parts`; fraction digits also lower the exponent.
/// Returns how many digits were read.
int AccumulateDigits(std::string_view text, std::size_t& pos, NumberParts& parts, bool fraction) {
  int count = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos, ++count) {
    if (!parts.full) {
      const Extended next = parts.digits * 10 + (text[pos] - '0');
      parts.full = std::isinf(next);
      if (!parts.full) parts.digits = next;
    }
    if (parts.full) {
      if (!fraction && parts.exponent < ExponentLimit) ++parts.exponent;
    } else if (fraction && parts.exponent > -ExponentLimit) {
      --parts.exponent;
    }
  }
  parts.digitCount += count;
  return count;
}

/// Reads "E" or "e", an optional sign and at least one digit into the exponent. Returns false
/// when the letter is there without a digit after it; true when there is no letter at all.
bool ReadExponent(std::string_view text, std::size_t& pos, NumberParts& parts) {
  if (pos >= text.size() || (text[pos] != 'E' && text[pos] != 'e')) return true;
  ++pos;
  bool negative = false;
  ReadSign(text, pos, negative);
  if (pos >= text.size() || !IsDigit(text[pos])) return false;
  long long value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    if (value < ExponentLimit) value = value * 10 + (text[pos] - '0');
  }
  parts.exponent += negative ? -value : value;
  return true;
}

/// 10^n in extended: exact by repeated multiplication up to 10^27, powl beyond.
Extended PowerOfTen(long long n) {
  static const std::array<Extended, LargestExactPower + 1> exact = [] {
    std::array<Extended, LargestExactPower + 1> powers{};
    powers[0] = 1;
    for (int i = 1; i <= LargestExactPower; ++i) powers[i] = powers[i - 1] * 10;
    return powers;
  }();
  if (n <= LargestExactPower) return exact[n];
  return powl(10.0L, static_cast<Extended>(n));
}

/// digits × 10^exponent with its sign, in extended. Multiplying or dividing by the exact power
/// rounds once, so up to 19 significant digits and |exponent| ≤ 27 the result is correctly
/// rounded. A zero mantissa stays zero whatever the exponent.
Extended Value(const NumberParts& parts) {
  Extended value = parts.digits;
  if (value != 0 && parts.exponent > 0) value = value * PowerOfTen(parts.exponent);
  if (value != 0 && parts.exponent < 0) {
    // A mantissa of thousands of digits may need a divisor beyond the extended range; dividing in
    // steps keeps a quotient that is in range from becoming zero. Where one step suffices the
    // value is what it always was.
    long long remaining = -parts.exponent;
    for (; remaining > LargestFinitePower && value != 0; remaining -= LargestFinitePower)
      value = value / PowerOfTen(LargestFinitePower);
    value = value / PowerOfTen(remaining);
  }
  return parts.negative ? -value : value;
}

/// Leading spaces, a sign with at least one character after it, digits, "." and digits, an
/// exponent with at least one digit, and nothing after. The mantissa may lack digits.
std::optional<Extended> ReadStrict(std::string_view text) {
  NumberParts parts;
  std::size_t pos = 0;
  SkipSpaces(text, pos);
  ReadSign(text, pos, parts.negative);
  if (pos >= text.size()) return std::nullopt;
  AccumulateDigits(text, pos, parts, false);
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    AccumulateDigits(text, pos, parts, true);
  }
  if (!ReadExponent(text, pos, parts) || pos != text.size()) return std::nullopt;
  return Value(parts);
}

/// Like the strict reading, but with `separator` as the decimal point, at least one digit or
/// separator in the mantissa, trailing spaces allowed, and no overflow of the extended range.
std::optional<Extended> ReadLenient(std::string_view text, std::string_view separator) {
  NumberParts parts;
  std::size_t pos = 0;
  SkipSpaces(text, pos);
  ReadSign(text, pos, parts.negative);
  AccumulateDigits(text, pos, parts, false);
  bool hasSeparator = false;
  if (!separator.empty() && text.substr(pos, separator.size()) == separator) {
    hasSeparator = true;
    pos += separator.size();
    AccumulateDigits(text, pos, parts, true);
  }
  if (parts.digitCount == 0 && !hasSeparator) return std::nullopt;
  if (!ReadExponent(text, pos, parts)) return std::nullopt;
  SkipSpaces(text, pos);
  if (pos != text.size()) return std::nullopt;
  const Extended value = Value(parts);
  if (std::isinf(value)) return std::nullopt;
  return value;
}

}  // namespace

EConvertError::EConvertError(const std::string& text)
    : std::runtime_error("\"" + text + "\" is not a number") {}

std::size_t ReadPlainDecimal(std::string_view text, double& value) {
  // A mantissa of at most 2^53 and a power of ten of at most 10^22 are both exact doubles, so
  // their quotient is rounded once and is the correctly rounded value of the text. That holds
  // where doubles are computed in double precision, not in the x87's extended registers.
  static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round to double");
  static constexpr double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                           1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  constexpr std::uint64_t ExactMantissaLimit = std::uint64_t{1} << 53;
  constexpr int MostDigits = 19;  // 10^19 - 1 still fits the 64-bit mantissa
  const char* const end = text.data() + text.size();
  const char* p = text.data();
  const bool negative = p != end && *p == '-';
  p += negative;
  // A 64-bit mantissa of more than 19 digits wraps around; the count of digits refuses it.
  std::uint64_t mantissa = 0;
  const char* const integerStart = p;
  for (; p != end && IsDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  const std::ptrdiff_t integerDigits = p - integerStart;
  std::ptrdiff_t decimals = 0;
  if (p != end && *p == '.') {
    const char* const fractionStart = ++p;
    for (; p != end && IsDigit(*p); ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    decimals = p - fractionStart;
  }
  const std::ptrdiff_t digits = integerDigits + decimals;
  if (digits == 0 || digits > MostDigits || mantissa > ExactMantissaLimit || decimals > 22) return 0;
  if (p != end && (*p == 'e' || *p == 'E')) return 0;
  const auto exact = static_cast<std::int64_t>(mantissa);  // converts in one instruction
  const double magnitude = static_cast<double>(exact) / ExactPowers[decimals];
  value = negative ? -magnitude : magnitude;
  return static_cast<std::size_t>(p - text.data());
}

std::optional<double> ReadFieldNumber(std::string_view field) {
  double value = 0;
  if (!field.empty() && ReadPlainDecimal(field, value) == field.size()) return value;
  // std::from_chars reads exactly the strict syntax of ParseNumber with a digit in the mantissa,
  // and no "+": after one "+" a second sign is refused below as ParseNumber refuses it.
  if (field.size() > 1 && field[0] == '+' && field[1] != '-' && field[1] != '+')
    field.remove_prefix(1);
  const char* end = field.data() + field.size();
  const auto [last, error] = std::from_chars(field.data(), end, value);
  if (error != std::errc() || last != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

double ParseNumber(const std::string& text) {
  std::optional<Extended> value = ReadStrict(text);
  // The lenient reading takes the decimal separator that reading a number sets: the point.
  if (!value) value = ReadLenient(text, ".");
  if (!value) throw EConvertError(text);
  return static_cast<double>(*value);
}

}  // namespace ovalon
