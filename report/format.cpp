#include "report/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ovalon {

namespace {

constexpr int MinPrecision = 2;
constexpr int MaxPrecision = 18;
constexpr int MaxFixedDigits = 18;

/// The decimal digits of a value: |v| = 0.d1 d2 … × 10^exponent, no trailing zeros in
/// `digits`; zero has no digits, exponent 0 and no sign.
struct Decimal {
  std::string digits;
  int exponent = 0;
  bool negative = false;
};

int ClampPrecision(int precision) { return std::clamp(precision, MinPrecision, MaxPrecision); }

/// NAN, INF or -INF for a value that is not finite, otherwise empty.
std::string SpecialText(Extended value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return {};
}

/// d1 … d18 and e of a value: |v| scaled to an integer of 18 digits, ties to even. printf's
/// "%.17Le" rounds the extended value correctly with ties to even and moves to the next
/// power of ten itself when the rounding reaches 10^18.
Decimal EighteenDigits(Extended value) {
  Decimal decimal;
  if (value == 0) return decimal;
  char text[64];
  std::snprintf(text, sizeof text, "%.17Le", std::fabs(value));  // d.ddddddddddddddddde±x
  decimal.digits.assign(1, text[0]);
  decimal.digits.append(text + 2, 17);
  decimal.exponent = std::atoi(text + 20) + 1;
  decimal.negative = std::signbit(value);
  return decimal;
}

Decimal Zero() { return Decimal{}; }

/// Keeps the first `count` (0..18) of the 18 digits, adding one in the last kept place when the
/// next digit is 5 or more, then drops trailing zeros.
Decimal RoundedToDigits(Decimal decimal, int count) {
  if (decimal.digits.empty()) return decimal;
  const bool roundUp =
      count < static_cast<int>(decimal.digits.size()) && decimal.digits[count] >= '5';
  decimal.digits.resize(std::min<std::size_t>(count, decimal.digits.size()));
  if (roundUp) {
    int i = count - 1;
    while (i >= 0 && decimal.digits[i] == '9') decimal.digits[i--] = '0';
    if (i < 0) {
      decimal.digits = "1";
      ++decimal.exponent;
    } else {
      ++decimal.digits[i];
    }
  }
  while (!decimal.digits.empty() && decimal.digits.back() == '0') decimal.digits.pop_back();
  if (decimal.digits.empty()) return Zero();
  return decimal;
}

/// The first `count` digits, with zeros appended when fewer remain.
std::string LeadingDigits(const std::string& digits, int count) {
  std::string text = digits.substr(0, count);
  text.append(count - text.size(), '0');
  return text;
}

/// Digits from `from` on (none when `from` is past the end).
std::string DigitsFrom(const std::string& digits, int from) {
  return from < static_cast<int>(digits.size()) ? digits.substr(from) : std::string();
}

/// "E", the sign, and x with at least `digits` figures when 0 ≤ digits ≤ 4.
std::string ExponentPart(int x, int digits, bool alwaysSign) {
  std::string text = "E";
  if (x < 0) {
    text += '-';
  } else if (alwaysSign) {
    text += '+';
  }
  const std::string figures = std::to_string(x < 0 ? -x : x);
  const int width = (digits >= 0 && digits <= 4) ? digits : 0;
  if (static_cast<int>(figures.size()) < width) text.append(width - figures.size(), '0');
  return text + figures;
}

std::string SignText(const Decimal& decimal) { return decimal.negative ? "-" : ""; }

std::string GeneralText(const Decimal& decimal, int precision, int digits,
                        std::string_view separator) {
  const std::string& d = decimal.digits;
  const int e = decimal.exponent;
  std::string text = SignText(decimal);
  if (e >= -3 && e <= precision) {
    if (d.empty()) return "0";
    if (e <= 0) return text + "0" + std::string(separator) + std::string(-e, '0') + d;
    text += LeadingDigits(d, e);
    if (static_cast<int>(d.size()) > e) text += std::string(separator) + d.substr(e);
    return text;
  }
  text += d[0];
  if (d.size() > 1) text += std::string(separator) + d.substr(1);
  return text + ExponentPart(e - 1, digits, false);
}

}  // namespace

std::string FormatGeneral(Extended value, int precision, int digits, std::string_view separator) {
  if (std::string special = SpecialText(value); !special.empty()) return special;
  precision = ClampPrecision(precision);
  return GeneralText(RoundedToDigits(EighteenDigits(value), precision), precision, digits,
                     separator);
}

std::string FormatExponent(Extended value, int precision, int digits, std::string_view separator) {
  if (std::string special = SpecialText(value); !special.empty()) return special;
  precision = ClampPrecision(precision);
  const Decimal decimal = RoundedToDigits(EighteenDigits(value), precision);
  const std::string& d = decimal.digits;
  std::string text = SignText(decimal);
  text += d.empty() ? '0' : d[0];
  text += std::string(separator) + LeadingDigits(DigitsFrom(d, 1), precision - 1);
  return text + ExponentPart(d.empty() ? 0 : decimal.exponent - 1, digits, true);
}

std::string FormatFixed(Extended value, int precision, int digits, std::string_view separator) {
  if (std::string special = SpecialText(value); !special.empty()) return special;
  precision = ClampPrecision(precision);
  digits = std::min(digits, MaxFixedDigits);
  Decimal decimal = EighteenDigits(value);
  if (!decimal.digits.empty()) {
    const int kept = decimal.exponent + digits;
    decimal = kept < 0 ? Zero() : RoundedToDigits(decimal, std::min(precision, kept));
  }
  const std::string& d = decimal.digits;
  const int e = decimal.exponent;
  if (e > precision) return FormatGeneral(value, precision, digits, separator);
  std::string text = SignText(decimal);
  text += e <= 0 ? std::string("0") : LeadingDigits(d, e);
  if (digits > 0) {
    std::string decimals = e < 0 ? std::string(-e, '0') + d : DigitsFrom(d, e);
    decimals.resize(digits, '0');
    text += std::string(separator) + decimals;
  }
  return text;
}

}  // namespace ovalon
