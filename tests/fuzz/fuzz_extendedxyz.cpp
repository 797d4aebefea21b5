// Fuzzes the extended XYZ reader and the window's way from its frames to the coordinate text of a
// cage.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/structurefuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ovalon::fuzz::CheckReader(data, size, ovalon::StructureFormat::ExtendedXyz, "fuzz.extxyz");
  return 0;
}
