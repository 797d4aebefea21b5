#include "cli/reportcommand.h"

#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>

#include "app/format.h"
#include "cli/summary.h"
#include "core/singularmatrixerror.h"
#include "ellipsoid/characteristics.h"
#include "ellipsoid/diagonals.h"
#include "fit/fitrun.h"
#include "input/coordinatereader.h"
#include "input/textfile.h"

namespace ovalon {

namespace {

constexpr const char* Usage =
    "Usage: ovalon-report [options] FILE\n"
    "\n"
    "Reads a coordinate file as the window loads and reads it, then prints the lines that the\n"
    "window would append: the maximum diagonals (with --diagonals), the fit report and the\n"
    "ellipsoid's characteristics. FILE - reads standard input.\n"
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
    "Exit status: 0 done, 1 unreadable file or invalid input, 2 usage error,\n"
    "3 a matrix singular to the given precision.\n";

struct ReportOptions {
  FitSettings fit;
  bool transformCoordinates = true;
  bool showCoordinates = false;
  bool diagonals = false;
  bool help = false;
  std::string file;
};

class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Options that take a text accept both "--name TEXT" and "--name=TEXT".
ReportOptions ParseOptions(const std::vector<std::string>& args) {
  ReportOptions options;
  std::optional<std::string> file;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> value;
    if (arg.rfind("--", 0) == 0) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    auto text = [&]() -> std::string {
      if (value) return *value;
      if (i + 1 >= args.size()) throw UsageError("option " + arg + " needs a value");
      return args[++i];
    };
    auto flag = [&] {
      if (value) throw UsageError("option " + arg + " takes no value");
    };
    if (arg == "--method") {
      const std::string method = text();
      if (method == "mnk")
        options.fit.leastSquares = true;
      else if (method == "lm")
        options.fit.leastSquares = false;
      else
        throw UsageError("--method must be mnk or lm");
    } else if (arg == "--cycles") {
      options.fit.cycles = text();
    } else if (arg == "--start") {
      options.fit.start = text();
    } else if (arg == "--lambda") {
      options.fit.lambda = text();
    } else if (arg == "--step") {
      options.fit.step = text();
    } else if (arg == "--inverse-precision") {
      options.fit.inversePrecision = text();
    } else if (arg == "--rotation-precision") {
      options.fit.rotationPrecision = text();
    } else if (arg == "--no-transform") {
      flag();
      options.transformCoordinates = false;
    } else if (arg == "--show-coords") {
      flag();
      options.showCoordinates = true;
    } else if (arg == "--diagonals") {
      flag();
      options.diagonals = true;
    } else if (arg == "--help") {
      flag();
      options.help = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
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

std::string ReadInput(const std::string& file) {
  if (file == "-")
    return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  return ReadFileBytes(file);
}

void Print(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out << line << '\n';
  out.flush();
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal) {
  for (const std::string& arg : args) {
    if (arg == "--summary") return RunSummaryCommand(args, std::cin, out, err, errIsTerminal);
  }
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
  } catch (const std::exception& e) {
    err << "ovalon-report: " << e.what() << '\n';
    return ReportInputError;
  }

  PointSet atoms, uncertainties;
  const CoordinateReading reading = ReadCoordinates(text, atoms, uncertainties);
  if (reading.formatError) {
    err << FormatErrorMessage << '\n';
    return ReportInputError;
  }
  for (const std::string& notice : reading.notices) err << "warning: " << notice << '\n';

  if (options.diagonals) Print(out, FindMaximumDiagonals(atoms).lines);

  const FitRunResult fit = RunFit(atoms, uncertainties, options.fit);
  switch (fit.status) {
    case FitStatus::NotRun:
      return ReportOk;  // every coordinate is zero: the fit does nothing, as in the window
    case FitStatus::InvalidInput:
      err << InvalidInputMessage << '\n';
      return ReportInputError;
    case FitStatus::SingularMatrix:
      err << SingularMatrixMessage << '\n';
      return ReportSingularMatrix;
    case FitStatus::Done:
      break;
  }
  Print(out, fit.lines);

  CharacteristicsInput input;
  input.fitParams = *fit.fitParams;
  if (fit.fitErrors) input.fitErrors = *fit.fitErrors;
  input.inversePrecision = *fit.inversePrecision;
  input.rotationPrecision = *fit.rotationPrecision;
  input.atomCoords = atoms;
  input.coordErrors = uncertainties;
  input.transformCoordinates = options.transformCoordinates;
  input.showCoordinates = options.showCoordinates;
  try {
    Print(out, RunCharacteristics(input).lines);
  } catch (const SingularMatrixError&) {
    err << SingularMatrixMessage << '\n';
    return ReportSingularMatrix;
  }
  return ReportOk;
}

}  // namespace ovalon
