#pragma once
// Whole reports compared line by line, and the golden reports they are compared with.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace ovalon::test {

/// The lines of a text file, without their line breaks; none when it cannot be read.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

/// A golden report of tests/report/golden, e.g. "least_squares_report.txt".
inline std::string GoldenPath(const std::string& name) {
  return std::string(OVALON_SOURCE_DIR) + "/tests/report/golden/" + name;
}

/// Compares whole reports line by line, naming every line that differs.
inline void ExpectSameLines(const std::vector<std::string>& actual,
                            const std::vector<std::string>& expected) {
  EXPECT_EQ(actual.size(), expected.size()) << "lines";
  for (std::size_t i = 0; i < std::min(actual.size(), expected.size()); ++i)
    EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

}  // namespace ovalon::test
