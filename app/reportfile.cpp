#include "app/reportfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace ovalon {

namespace {

[[noreturn]] void ThrowSystemError(const std::string& path, int error) {
  throw std::runtime_error(path + ": " + std::strerror(error));
}

}  // namespace

void WriteLinesCrLf(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) ThrowSystemError(path, errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeError = errno;
  if (std::fclose(file) != 0) ThrowSystemError(path, errno);
  if (!written) ThrowSystemError(path, writeError);
}

}  // namespace ovalon
