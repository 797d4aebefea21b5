#include "structure/uncertainty.h"

#include <charconv>
#include <string>

#include "input/parsenumber.h"

namespace ovalon {

namespace {

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

/// The power of ten of the mantissa's last digit: −(decimals) + exponent.
std::optional<long long> LastDigitPower(std::string_view mantissa) {
  const std::size_t e = mantissa.find_first_of("Ee");
  const std::string_view digits = mantissa.substr(0, e);
  const std::size_t point = digits.find('.');
  long long power = point == std::string_view::npos ? 0 : -static_cast<long long>(digits.size() - point - 1);
  if (e != std::string_view::npos) {
    std::string_view exponent = mantissa.substr(e + 1);
    if (!exponent.empty() && exponent[0] == '+') exponent.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(exponent.data(), exponent.data() + exponent.size(), value);
    if (error != std::errc() || end != exponent.data() + exponent.size()) return std::nullopt;
    power += value;
  }
  return power;
}

}  // namespace

MeasuredField ReadMeasured(std::string_view field) {
  MeasuredField result;
  if (field == "?" || field == ".") {
    result.unknown = true;
    return result;
  }
  const std::size_t open = field.find('(');
  const std::string_view mantissa = field.substr(0, open);
  const std::optional<double> value = ReadFieldNumber(mantissa);
  if (!value) return result;
  MeasuredValue measured{*value, 0};
  if (open != std::string_view::npos) {
    const std::string_view inside = field.substr(open + 1);
    if (inside.size() < 2 || inside.back() != ')' || !AllDigits(inside.substr(0, inside.size() - 1)))
      return result;
    const std::optional<long long> power = LastDigitPower(mantissa);
    if (!power) return result;
    const std::string scaled =
        std::string(inside.substr(0, inside.size() - 1)) + "E" + std::to_string(*power);
    const std::optional<double> uncertainty = ReadFieldNumber(scaled);
    if (!uncertainty) return result;
    measured.uncertainty = *uncertainty;
  }
  result.measured = measured;
  return result;
}

}  // namespace ovalon
