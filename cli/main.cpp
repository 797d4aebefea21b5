#include <fcntl.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/outputfile.h"
#include "cli/reportcommand.h"
#include "core/fpenvironment.h"

namespace {

/// A standard descriptor that the caller closed gets /dev/null opened read-only in its place:
/// no file the command opens can take it over, and writing to it fails as it should.
void HoldClosedStandardDescriptors() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) == -1) open("/dev/null", O_RDONLY);
  }
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardDescriptors();
  ovalon::SetExtendedFloatingPointEnvironment();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  ovalon::OutputFile output(STDOUT_FILENO);
  std::ostream out(&output);
  const int status = ovalon::RunReportCommand(args, out, std::cerr, isatty(STDERR_FILENO) != 0);
  return ovalon::FinishOutput(out, output, std::cerr, status);
}
