#include "cli/reportcommand.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>

#include "cli/options.h"
#include "cli/summary.h"
#include "input/textfile.h"
#include "report/decimalseparator.h"
#include "report/messages.h"
#include "report/windowreport.h"

namespace ovalon {

namespace {

constexpr const char* Usage =
    "Usage: ovalon-report [options] FILE\n"
    "\n"
    "Reads a coordinate file as the window loads and reads it, then prints the lines that the\n"
    "window would append: the maximum diagonals (with --diagonals), the fit report and the\n"
    "ellipsoid's characteristics. FILE - reads standard input. Like the window, it refuses\n"
    "files larger than 64 MiB; it also refuses lines longer than 1 MiB.\n"
    "\n"
    "Options:\n"
    "  --method mnk|lm               fitting method (default mnk)\n"
    "  --cycles TEXT                 refinement cycles, as typed in the window (empty: 100)\n"
    "  --start TEXT                  start value of the parameters (empty: 1)\n"
    "  --lambda TEXT                 start value of the regularisation parameter (empty: 1)\n"
    "  --step TEXT                   step of the regularisation parameter (empty: 10)\n"
    "  --inverse-precision TEXT      precision of the inverse matrix (default 1E-10)\n"
    "  --rotation-precision TEXT     precision of the rotation method (default 1E-20)\n"
    "  --no-transform                do not transform the coordinates\n"
    "  --show-coords                 list the transformed coordinates\n"
    "  --diagonals                   also report the maximum diagonals, before the fit\n"
    "  --help                        print this help\n"
    "  --summary                     summarise every frame of trajectories as a CSV table;\n"
    "                                see ovalon-report --summary --help\n"
    "\n"
    "Exit status: 0 done, 1 unreadable file, invalid input or not enough memory, 2 usage\n"
    "error, 3 a matrix singular to the given precision, 4 the output could not be written.\n";

struct ReportOptions {
  WindowReportSettings report;
  bool help = false;
  std::string file;
};

ReportOptions ParseOptions(const std::vector<std::string>& args) {
  ReportOptions options;
  std::optional<std::string> file;
  ArgumentCursor cursor(args);
  while (cursor.Next()) {
    const std::string& arg = cursor.Name();
    if (ReadFitOption(cursor, options.report.fit)) continue;
    if (arg == "--no-transform") {
      cursor.NoText();
      options.report.transformCoordinates = false;
    } else if (arg == "--show-coords") {
      cursor.NoText();
      options.report.showCoordinates = true;
    } else if (arg == "--diagonals") {
      cursor.NoText();
      options.report.diagonals = true;
    } else if (arg == "--help") {
      cursor.NoText();
      options.help = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else {
      if (file) throw UsageError("only one FILE can be given");
      file = arg;
    }
  }
  if (!options.help && !file) throw UsageError("no FILE given");
  options.file = file.value_or("");
  return options;
}

/// The file's bytes, read as the window reads them, but with the line limit of the command.
std::string ReadInput(const std::string& file) {
  const TextLimits limits{.maxBytes = MaxTextFileBytes, .maxLineBytes = MaxLineBytes};
  if (file == "-") return ReadTextBytes(stdin, "standard input", limits);
  return ReadFileBytes(file, limits);
}

void Print(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out << line << '\n';
  out.flush();
}

int RunSingleReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  ReportOptions options;
  try {
    options = ParseOptions(args);
  } catch (const UsageError& e) {
    err << "ovalon-report: " << e.what() << "\n\n" << Usage;
    return ReportUsageError;
  }
  if (options.help) {
    out << Usage;
    return ReportOk;
  }

  SetDecimalSeparatorFromLocale();

  std::vector<std::string> text;
  try {
    text = DecodeTextLines(ReadInput(options.file));
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    err << "ovalon-report: " << e.what() << '\n';
    return ReportInputError;
  }

  const WindowReportSink sink{
      .lines = [&](const std::vector<std::string>& lines) { Print(out, lines); },
      .notice = [&](const std::string& notice) { err << "warning: " << notice << '\n'; }};
  switch (RunWindowReport(text, options.report, sink)) {
    case WindowReportStatus::Done:
      return ReportOk;
    case WindowReportStatus::FormatError:
      err << FormatErrorMessage << '\n';
      return ReportInputError;
    case WindowReportStatus::NotRun:
      // The window does nothing here; on the command line an empty output needs a reason.
      err << "warning: " << NoFitWarning << '\n';
      return ReportOk;
    case WindowReportStatus::InvalidInput:
      err << InvalidInputMessage << '\n';
      return ReportInputError;
    case WindowReportStatus::SingularMatrix:
      err << SingularMatrixMessage << '\n';
      return ReportSingularMatrix;
  }
  return ReportOk;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal) {
  try {
    for (const std::string& arg : args) {
      if (arg == "--summary") return RunSummaryCommand(args, std::cin, out, err, errIsTerminal);
    }
    return RunSingleReport(args, out, err);
  } catch (const std::bad_alloc&) {
    err << "ovalon-report: out of memory\n";
    return ReportInputError;
  }
}

}  // namespace ovalon
