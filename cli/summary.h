#pragma once
// ovalon-report --summary: the shape of every cage of every frame of one or more trajectories
// or structure files, as CSV, JSON Lines or a table.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/cagefinder.h"
#include "analysis/cagesummary.h"
#include "cli/summarytext.h"
#include "input/framereader.h"

namespace ovalon {

/// The help text of --summary, with the columns of the table.
extern const char* const SummaryUsage;

/// Exit statuses of the summary.
enum SummaryExitCode {
  SummaryAllAnalysed = 0,  ///< every row is "ok", "not-ellipsoid" or "open-cage"
  SummarySomeFailed = 1,   ///< some row has an error status
  SummaryUsageError = 2,   ///< a usage error or an option text that is not a number
};

/// Which atoms of a frame make its cages.
struct CageRule {
  enum class Kind {
    Auto,    ///< every fullerene-like ring system (FindCages)
    Carbon,  ///< all carbon atoms as one cage
    Listed,  ///< the atoms of `atoms`
  };
  Kind kind = Kind::Auto;
  std::vector<AtomRange> atoms;  ///< 1-based atom numbers, for Listed
  double bondCutoff = DefaultBondCutoff;  ///< Å, for Auto
};

/// Everything a frame's rows depend on.
struct FrameSettings {
  SummarySettings analysis;
  CageRule cage;
  SummaryFormat format = SummaryFormat::Csv;
};

/// One frame's rows, each with its line end, and how many have an error status.
struct FrameRows {
  std::vector<std::string> rows;
  int errorRows = 0;
};

/// Finds the cages of one frame by the rule and analyses each (one row per cage, ordered by
/// each cage's first atom), or writes the one row of a frame that could not be read or holds
/// no cage. Safe on worker threads.
FrameRows SummariseFrame(std::string_view file, const CageFrame& frame,
                         const FrameSettings& settings);

/// Runs ovalon-report --summary with its arguments (without the program name; "--summary" may
/// be among them): reads every FILE ("-" reads `in`) frame by frame, analyses the frames on
/// --jobs threads and writes the rows to `out` in input order; usage errors and a closing
/// count of error rows go to `err`, and, when `progress` is set (standard error is a
/// terminal) and --quiet is not given, a progress line that is rewritten in place. Returns a
/// SummaryExitCode.
int RunSummaryCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err, bool progress);

}  // namespace ovalon
