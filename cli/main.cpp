#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/reportcommand.h"
#include "core/fpenvironment.h"

int main(int argc, char** argv) {
  ovalon::SetExtendedFloatingPointEnvironment();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status =
      ovalon::RunReportCommand(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
  std::cout.flush();
  return status;
}
