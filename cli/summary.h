#pragma once
// ovalon-report --summary: the shape of every frame of one or more trajectories, as a CSV table.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/cagesummary.h"
#include "input/framereader.h"

namespace ovalon {

/// The help text of --summary, with the columns of the table.
extern const char* const SummaryUsage;

/// Exit statuses of the summary.
enum SummaryExitCode {
  SummaryAllAnalysed = 0,  ///< every row is "ok" or "not-ellipsoid"
  SummarySomeFailed = 1,   ///< some row has an error status
  SummaryUsageError = 2,   ///< a usage error or an option text that is not a number
};

/// One frame's CSV row (without its line break) and whether its status is an error.
struct FrameRow {
  std::string text;
  bool error = false;
};

/// Analyses one frame unless it could not be read, and writes its row. Safe on worker threads.
FrameRow SummariseFrame(std::string_view file, const CageFrame& frame,
                        const SummarySettings& settings);

/// Runs ovalon-report --summary with its arguments (without the program name; "--summary" may
/// be among them): reads every FILE ("-" reads `in`) frame by frame, analyses the frames on
/// --jobs threads and writes the header and one row per frame to `out` in input order; usage
/// errors and a closing count of error rows go to `err`, and, when `progress` is set, a
/// progress line that is rewritten in place. Returns a SummaryExitCode.
int RunSummaryCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err, bool progress);

}  // namespace ovalon
