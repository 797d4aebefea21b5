// Altered copies of the example files: damaged ones are read or refused with StructureError,
// and a byte-order mark in front changes nothing.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

TEST(ReadStructures, SkipsAUtf8ByteOrderMark) {
  for (const auto& [name, format] :
       {std::pair{"c60_solvate.cif", StructureFormat::Cif},
        std::pair{"c60_models.pdb", StructureFormat::Pdb},
        std::pair{"c60_frames.extxyz", StructureFormat::ExtendedXyz}}) {
    SCOPED_TRACE(name);
    const std::string text = test::ReadFile(test::ExamplePath(name));
    const std::vector<Structure> plain = ReadStructures(text, name, format);
    const std::vector<Structure> marked = ReadStructures("\xEF\xBB\xBF" + text, name, format);
    ASSERT_EQ(marked.size(), plain.size());
    ASSERT_EQ(marked[0].frames.size(), plain[0].frames.size());
    const std::vector<StructureAtom>& atoms = marked[0].frames[0].atoms;
    ASSERT_EQ(atoms.size(), plain[0].frames[0].atoms.size());
    for (std::size_t i = 0; i < atoms.size(); ++i) {
      EXPECT_EQ(atoms[i].label, plain[0].frames[0].atoms[i].label);
      EXPECT_EQ(atoms[i].position, plain[0].frames[0].atoms[i].position);
    }
  }
}

}  // namespace
}  // namespace ovalon
