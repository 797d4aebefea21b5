// Fuzzes ParseNumber and ReadFieldNumber, the reading of the window and of the summary's frames.
// ParseNumber either throws EConvertError or returns a number that is not NaN; ReadFieldNumber
// accepts nothing that ParseNumber refuses. Both agree with the C library's correctly rounded
// strtod: ReadFieldNumber exactly, ParseNumber for short texts to within one unit in the last
// place (the extended value is rounded once more to double, so a neighbouring double is
// possible), for texts of thousands of digits to within four (each accumulated digit rounds the
// extended mantissa once more, 2^-64 relative at most).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "input/parsenumber.h"

namespace {

// Doubles mapped to integers in the same order, so that neighbours differ by one.
std::int64_t Ordered(double value) {
  std::int64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits < 0 ? INT64_MIN - bits : bits;
}

void CompareWithStrtod(const std::string& text, double value, int units,
                       std::optional<double> field) {
  const std::size_t first = text.find_first_not_of(' ');
  const std::size_t last = text.find_last_not_of(' ');
  const std::string trimmed = text.substr(first, last - first + 1);
  char* end = nullptr;
  const double reference = std::strtod(trimmed.c_str(), &end);
  // strtod does not take a mantissa without digits (".", "E5"); nothing to compare then.
  if (end != trimmed.c_str() + trimmed.size()) return;
  const __int128 distance = static_cast<__int128>(Ordered(value)) - Ordered(reference);
  if (distance > units || distance < -units) std::abort();
  // The field reading rounds correctly, as strtod does, however many digits the text has.
  if (field && *field != reference) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<double> field = ovalon::ReadFieldNumber(text);
  double value = 0;
  try {
    value = ovalon::ParseNumber(text);
  } catch (const ovalon::EConvertError&) {
    if (field) std::abort();
    return 0;
  }
  if (std::isnan(value)) std::abort();
  CompareWithStrtod(text, value, size <= 64 ? 1 : 4, field);
  return 0;
}
