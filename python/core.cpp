// ovalon._core: the Python extension over the analysis and the window's reports. It takes and
// returns plain values and numpy arrays; the package ovalon around it holds the defaults, the
// documentation and the Python exceptions.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cfenv>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "core/fpenvironment.h"
#include "input/textfile.h"
#include "report/decimalseparator.h"
#include "report/messages.h"
#include "report/windowreport.h"

namespace py = pybind11;

namespace ovalon {

namespace {

/// The analysis needs the x87 unit at a 64-bit significand with every exception masked; the
/// caller's environment is restored on the way out.
class ExtendedEnvironmentScope {
 public:
  ExtendedEnvironmentScope() {
    fegetenv(&m_saved);
    SetExtendedFloatingPointEnvironment();
  }
  ~ExtendedEnvironmentScope() { fesetenv(&m_saved); }
  ExtendedEnvironmentScope(const ExtendedEnvironmentScope&) = delete;
  ExtendedEnvironmentScope& operator=(const ExtendedEnvironmentScope&) = delete;

 private:
  std::fenv_t m_saved;
};

const char* StatusText(WindowReportStatus status) {
  switch (status) {
    case WindowReportStatus::Done:
      return "done";
    case WindowReportStatus::FormatError:
      return "format-error";
    case WindowReportStatus::NotRun:
      return "not-run";
    case WindowReportStatus::InvalidInput:
      return "invalid-input";
    case WindowReportStatus::SingularMatrix:
      return "singular";
  }
  return "";
}

/// The decimal separator of the reports is one for the process, as in the window.
std::mutex reportMutex;

/// The window's reports for a coordinate text: (status, lines, notices).
std::tuple<std::string, std::vector<std::string>, std::vector<std::string>> Report(
    const std::string& bytes, const WindowReportSettings& settings) {
  std::vector<std::string> lines, notices;
  WindowReportStatus status;
  {
    py::gil_scoped_release release;
    std::lock_guard lock(reportMutex);
    ExtendedEnvironmentScope environment;
    SetDecimalSeparatorFromLocale();
    const WindowReportSink sink{
        .lines =
            [&](const std::vector<std::string>& more) {
              lines.insert(lines.end(), more.begin(), more.end());
            },
        .notice = [&](const std::string& notice) { notices.push_back(notice); }};
    status = RunWindowReport(DecodeTextLines(bytes), settings, sink);
  }
  return {StatusText(status), std::move(lines), std::move(notices)};
}

}  // namespace

}  // namespace ovalon

PYBIND11_MODULE(_core, m) {
  using namespace ovalon;
  m.doc() = "The compiled core of the ovalon package; use the functions of ovalon itself.";

  m.attr("FORMAT_ERROR_MESSAGE") = FormatErrorMessage;
  m.attr("INVALID_INPUT_MESSAGE") = InvalidInputMessage;
  m.attr("SINGULAR_MATRIX_MESSAGE") = SingularMatrixMessage;
  m.attr("NO_FIT_WARNING") = NoFitWarning;

  m.def(
      "report",
      [](const py::bytes& text, bool leastSquares, const std::string& inversePrecision,
         const std::string& rotationPrecision, const std::string& cycles, const std::string& start,
         const std::string& lambda, const std::string& step, bool transform, bool showCoords,
         bool diagonals) {
        WindowReportSettings settings;
        settings.fit = {.inversePrecision = inversePrecision,
                        .rotationPrecision = rotationPrecision,
                        .leastSquares = leastSquares,
                        .cycles = cycles,
                        .start = start,
                        .lambda = lambda,
                        .step = step};
        settings.transformCoordinates = transform;
        settings.showCoordinates = showCoords;
        settings.diagonals = diagonals;
        return Report(std::string(text), settings);
      },
      py::arg("text"), py::arg("least_squares"), py::arg("inverse_precision"),
      py::arg("rotation_precision"), py::arg("cycles"), py::arg("start"), py::arg("lam"),
      py::arg("step"), py::arg("transform"), py::arg("show_coords"), py::arg("diagonals"),
      "The window's reports of a coordinate text (bytes): (status, lines, notices).");
}
