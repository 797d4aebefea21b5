// Fuzzes the way from file bytes to the coordinate tables: DecodeTextLines, then
// ReadCoordinates. The tables live in exactly sized heap storage, so a write past entry 60 of
// the last row is an AddressSanitizer error, and the accessors assert every index (assertions
// are on in this build). Also checks that every decoded line is well-formed UTF-8 without a line
// break, and that reading the same text again over its own result changes nothing.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "input/coordinatereader.h"
#include "input/textfile.h"

namespace {

bool SameBits(const ovalon::PointSet& a, const ovalon::PointSet& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A line that is already well-formed UTF-8 without breaks decodes to itself (unless it starts
// with what would be read as a byte-order mark).
void CheckLine(const std::string& line) {
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) return;
  const std::vector<std::string> again = ovalon::DecodeTextLines(line);
  if (line.empty() ? !again.empty() : again != std::vector<std::string>{line}) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines =
      ovalon::DecodeTextLines(std::string(reinterpret_cast<const char*>(data), size));
  for (const std::string& line : lines) CheckLine(line);

  auto atoms = std::make_unique<ovalon::PointSet>();
  auto errors = std::make_unique<ovalon::PointSet>();
  const ovalon::CoordinateReading reading = ovalon::ReadCoordinates(lines, *atoms, *errors);
  // At most one of the three outcomes that the window reports, and a format error only where a
  // field was read.
  if (reading.formatError + reading.tooManyLines + reading.incomplete > 1) std::abort();
  if (reading.formatError && !reading.numbersParsed) std::abort();

  auto atomsAgain = std::make_unique<ovalon::PointSet>(*atoms);
  auto errorsAgain = std::make_unique<ovalon::PointSet>(*errors);
  const ovalon::CoordinateReading again = ovalon::ReadCoordinates(lines, *atomsAgain, *errorsAgain);
  if (!SameBits(*atoms, *atomsAgain) || !SameBits(*errors, *errorsAgain)) std::abort();
  if (again.formatError != reading.formatError || again.tooManyLines != reading.tooManyLines ||
      again.incomplete != reading.incomplete || again.numbersParsed != reading.numbersParsed)
    std::abort();
  return 0;
}
