#pragma once
// Files the tests read: the sample coordinate files and whole files as bytes.

#include <fstream>
#include <iterator>
#include <string>

namespace ovalon::test {

/// A file of the examples folder, e.g. "c60_ideal.xyz".
inline std::string ExamplePath(const std::string& name) {
  return std::string(OVALON_SOURCE_DIR) + "/examples/" + name;
}

/// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace ovalon::test
