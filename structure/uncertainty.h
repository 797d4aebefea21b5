#pragma once
// Numbers with a standard uncertainty in parentheses, as crystallographic files write them.

#include <optional>
#include <string_view>

namespace ovalon {

/// A value and its standard uncertainty; `uncertainty` is 0 where none is written.
struct MeasuredValue {
  double value = 0;
  double uncertainty = 0;
};

/// The outcome of reading a numeric field.
struct MeasuredField {
  bool unknown = false;  ///< the field is "?" or "." (no value)
  std::optional<MeasuredValue> measured;  ///< empty when the field is not a number
};

/// Reads "0.1234(5)", "12(3)", "-0.5(12)", "1.0E-3(2)" or a plain number. The digits in
/// parentheses count in units of the mantissa's last digit, scaled by the exponent:
/// "1.2345(12)" gives 1.2345 ± 0.0012 and "1.0E-3(2)" gives 0.0010 ± 0.0002. Both values are
/// rounded correctly to 64 bits.
MeasuredField ReadMeasured(std::string_view field);

}  // namespace ovalon
