// Damaged copies of the example files: every one is read or refused with StructureError.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "structure/structure.h"
#include "tests/support/files.h"

namespace ovalon {
namespace {

TEST(ReadStructures, RefusesDamagedFilesWithAnErrorNeverACrash) {
  // Each example cut short at many points and with bytes overwritten at random places (a
  // fixed linear congruential sequence): no crash, no other exception.
  const std::pair<const char*, StructureFormat> files[] = {
      {"c60_solvate.cif", StructureFormat::Cif},
      {"c60_models.pdb", StructureFormat::Pdb},
      {"c60_frames.extxyz", StructureFormat::ExtendedXyz}};
  const char replacements[] = {'(', ')', '\'', '"', '\n', ' ', '-', '9', '?', '.', '_', 'x', '\0'};
  std::uint32_t state = 12345;
  auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  for (const auto& [name, format] : files) {
    SCOPED_TRACE(name);
    const std::string text = test::ReadFile(test::ExamplePath(name));
    ASSERT_FALSE(text.empty());
    for (int trial = 0; trial < 300; ++trial) {
      std::string damaged = text;
      if (trial % 3 == 0) {
        damaged.resize(next() % text.size());
      } else {
        for (int k = 0; k < 1 + trial % 4; ++k)
          damaged[next() % damaged.size()] = replacements[next() % sizeof replacements];
      }
      try {
        ReadStructures(damaged, name, format);
      } catch (const StructureError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(name, 0), 0u) << e.what();
      } catch (const std::exception& e) {
        ADD_FAILURE() << "trial " << trial << ": " << e.what();
      }
    }
  }
}

}  // namespace
}  // namespace ovalon
