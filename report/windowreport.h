#pragma once
// The window's reports for one coordinate text, in the order the window's buttons produce them:
// the reading, the maximum diagonals, the fit and the characteristics. ovalon-report and the
// Python package both run it.

#include <functional>
#include <string>
#include <vector>

#include "report/fitrun.h"

namespace ovalon {

/// The controls that the reports read, as texts where the window has edit fields.
struct WindowReportSettings {
  FitSettings fit;
  bool transformCoordinates = true;  ///< CheckBox1
  bool showCoordinates = false;      ///< CheckBox2
  bool diagonals = false;            ///< also "Определить диагонали", before the fit
};

/// How a run ended; every status but Done stops it after the lines already emitted.
enum class WindowReportStatus {
  Done,
  FormatError,     ///< the text has a field that is not a number: FormatErrorMessage
  NotRun,          ///< every coordinate is zero: the fit does not run, as in the window
  InvalidInput,    ///< a settings text is not a number: InvalidInputMessage
  SingularMatrix,  ///< the fit or the characteristics met a singular matrix: SingularMatrixMessage
};

/// Where a run's output goes, as it is produced.
struct WindowReportSink {
  /// The lines of one operation, once the operation has completed.
  std::function<void(const std::vector<std::string>&)> lines;
  /// A notice of the reading (CoordinateNotices), before any line.
  std::function<void(const std::string&)> notice;
};

/// Reads `text` as "Заполнить координаты" does, then runs the diagonals (when asked), the fit
/// and the characteristics on it, each with the process-wide DecimalSeparator as the window's
/// steps leave it. Not safe to run on two threads at once, for that separator.
WindowReportStatus RunWindowReport(const std::vector<std::string>& text,
                                   const WindowReportSettings& settings,
                                   const WindowReportSink& sink);

}  // namespace ovalon
