#pragma once
// ovalon-report: the window's reports for one coordinate file, printed to a stream.

#include <iosfwd>
#include <string>
#include <vector>

namespace ovalon {

/// Exit statuses of ovalon-report.
enum ReportExitCode {
  ReportOk = 0,
  ReportInputError = 1,  ///< unreadable file, format error or invalid settings text
  ReportUsageError = 2,
  ReportSingularMatrix = 3,
  ReportWriteError = 4,  ///< the output could not be written (see FinishOutput)
};

/// Runs ovalon-report with its arguments (without the program name): reads the file as the
/// window loads and reads it, then runs the diagonals (if asked), the fit and the
/// characteristics, writing each operation's lines to `out` ("\n" after each) as it completes,
/// and messages to `err`. Returns the exit status. With "--summary" among the arguments it runs
/// RunSummaryCommand instead (reading "-" from std::cin), with a progress line on `err` when
/// `errIsTerminal` is set. Running out of memory is reported on `err` with status 1.
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     bool errIsTerminal = false);

}  // namespace ovalon
