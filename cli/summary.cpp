#include "cli/summary.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "cli/options.h"
#include "cli/summarycsv.h"
#include "core/fpenvironment.h"
#include "input/parsenumber.h"
#include "report/fitrun.h"
#include "report/messages.h"
#include "report/summarytable.h"

namespace ovalon {

const char* const SummaryUsage =
    "Usage: ovalon-report --summary [options] FILE...\n"
    "\n"
    "Fits the window's ellipsoid to every frame of every FILE (- reads standard input) and\n"
    "writes one CSV row per frame to standard output, in input order.\n"
    "\n"
    "Input: frames in the XYZ layout, one after another: a line with the atom count, a comment\n"
    "line (may be empty), then that many atom lines \"SYMBOL x y z\" or \"SYMBOL x y z sx sy sz\"\n"
    "(coordinates and their uncertainties in angstrom; fields separated by spaces or tabs).\n"
    "Lines starting with \">\" inside a frame are uncertainty lines \"> sx sy sz\" of the atoms\n"
    "in order, after their atom lines, interleaved or grouped, as in the window's files.\n"
    "Without uncertainties they are 0. The cage is the frame's carbon atoms (symbol C or c);\n"
    "it must have exactly 60. A frame that cannot be read or has another number of carbon atoms\n"
    "gets a row with its status and message, and the run goes on. A line where a count line\n"
    "belongs gets an unreadable row of its own, and reading resumes at the next count line\n"
    "that is followed by that many atom lines. Lines end with LF or CR LF; a byte-order mark\n"
    "selects UTF-8 or UTF-16; a line longer than 1 MiB makes its frame unreadable. Memory does\n"
    "not grow with the size of the input or of its lines.\n"
    "\n"
    "Options:\n"
    "  --method mnk|lm               fitting method (default mnk)\n"
    "  --cycles, --start, --lambda, --step TEXT\n"
    "                                Levenberg-Marquardt settings, as for ovalon-report\n"
    "  --inverse-precision TEXT      precision of the inverse matrix (default 1E-10)\n"
    "  --rotation-precision TEXT     precision of the rotation method (default 1E-20)\n"
    "  --mc N                        N Monte Carlo re-fits per frame, every coordinate drawn\n"
    "                                from a normal distribution with its uncertainty (default 0)\n"
    "  --seed S                      seed of the draws, 0 to 2^64-1 (default 0); a frame's draws\n"
    "                                depend only on S and its frame number\n"
    "  --jobs N                      analysis threads (default: all cores)\n"
    "  --help                        print this help\n"
    "\n"
    "Columns (lengths in angstrom; an empty field was not computed for the row's status;\n"
    "numbers in the shortest form that reads back to the same 64-bit value, nan/inf/-inf for\n"
    "values that are not finite; records end with CR LF, as RFC 4180 has it):\n"
    "  file, frame, line            FILE as given, the frame's number in it (from 1), the line\n"
    "                               of its count\n"
    "  comment                      the frame's comment line\n"
    "  status                       ok, not-ellipsoid, unreadable, cage-size, no-fit (every\n"
    "                               coordinate 0), singular (a matrix singular to the inverse\n"
    "                               precision) or file-error\n"
    "  message                      why, for every status but ok\n"
    "  centre_x, centre_y, centre_z centre of the fitted quadric\n"
    "  a, b, c                      semi-axes, a >= b >= c\n"
    "  sigma_a, sigma_b, sigma_c    their first-order uncertainties (least squares only)\n"
    "  axis_a_x ... axis_c_z        unit directions of a, b and c: the largest component (the\n"
    "                               first of equal ones) of the a and b directions is positive,\n"
    "                               and c completes a right-handed set, c = a x b\n"
    "  volume                       4/3 pi a b c\n"
    "  surface_thomsen              surface by Knud Thomsen's approximation, as in the window\n"
    "  surface_exact                surface 4 pi R_G(b^2 c^2, c^2 a^2, a^2 b^2), Carlson's R_G\n"
    "  radius_volume                radius of the sphere of equal volume\n"
    "  radius_surface_thomsen       radius of the sphere of equal surface, either surface\n"
    "  radius_surface_exact\n"
    "  eccentricity_b               sqrt(1 - b^2/a^2)\n"
    "  eccentricity_c               sqrt(1 - c^2/a^2)\n"
    "  residual                     |F|/60 of the fit, sqrt(sum of F_i^2)/60\n"
    "  chord, chord_start_atom,     the longest atom-to-atom distance and its atoms, numbered\n"
    "  chord_end_atom               by their atom lines in the frame; the start is the atom\n"
    "                               nearer to the origin\n"
    "  ellipsoid                    1 when the fitted quadric is an ellipsoid (eigenvalues of\n"
    "                               one sign, canonical constant of the same sign), else 0\n"
    "  lin_sd_a, lin_sd_b, lin_sd_c, lin_sd_volume, lin_sd_surface_exact, lin_sd_centre_x,\n"
    "  lin_sd_centre_y, lin_sd_centre_z\n"
    "                               standard deviations from the coordinate uncertainties,\n"
    "                               propagated linearly and in quadrature: J_k, the exact\n"
    "                               derivative of the coefficients A = -(D^T D)^-1 D^T 1 with\n"
    "                               respect to coordinate k, gives cov A = sum over the 3N\n"
    "                               coordinates of J_k sigma_k^2 J_k^T, carried to the shape\n"
    "                               by its exact derivatives; empty when the frame gives no\n"
    "                               uncertainties (or all are 0)\n"
    "  fit_sd_a ... fit_sd_centre_z the same values from the fit's own scatter:\n"
    "                               cov A = s^2 (D^T D)^-1, s^2 = sum of F_i^2 / (N - 9) over\n"
    "                               the N atoms; 0 for atoms exactly on an ellipsoid, empty\n"
    "                               for N = 9\n"
    "  Both sets are given for ellipsoids, by either method, at the fitted coefficients.\n"
    "  lin_sd is what the coordinates' own errors do to the shape; it agrees with mc_sd for\n"
    "  small uncertainties, whereas sigma_a..c move all of D at once and come out about five\n"
    "  times larger. fit_sd says how well an ellipsoid describes this cage: it treats the\n"
    "  cage's departures from the ellipsoid as random scatter, and is the one to quote for\n"
    "  computed geometries, which have no uncertainties. Being first order, neither holds for\n"
    "  two semi-axes closer than a few of their deviations (use --mc there).\n"
    "  with --mc N: mc_draws (draws that gave an ellipsoid), mc_sd_a, mc_sd_b, mc_sd_c,\n"
    "  mc_sd_volume, mc_sd_surface_exact (sample standard deviations over those draws)\n"
    "\n"
    "Exit status: 0 every frame analysed (ok or not-ellipsoid), 1 some rows have another\n"
    "status (or memory ran out), 2 usage error or an option text that is not a number, 4 the\n"
    "output could not be written (the run stops at the first failed write).\n";

namespace {

struct SummaryOptions {
  FitSettings fit;
  int monteCarloDraws = 0;
  std::uint64_t seed = 0;
  int jobs = 0;  ///< 0: all cores
  bool help = false;
  std::vector<std::string> files;
};

template <typename Integer>
Integer ReadWholeNumber(const std::string& option, const std::string& text, Integer low,
                        Integer high) {
  Integer value = 0;
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || last != end || value < low || value > high) {
    throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not \"" + text + "\"");
  }
  return value;
}

SummaryOptions ParseOptions(const std::vector<std::string>& args) {
  SummaryOptions options;
  ArgumentCursor cursor(args);
  while (cursor.Next()) {
    const std::string& arg = cursor.Name();
    if (ReadFitOption(cursor, options.fit)) continue;
    if (arg == "--summary") {
      cursor.NoText();
    } else if (arg == "--mc") {
      options.monteCarloDraws = ReadWholeNumber(arg, cursor.Text(), 0, 1000000000);
    } else if (arg == "--seed") {
      options.seed = ReadWholeNumber<std::uint64_t>(arg, cursor.Text(), 0,
                                                    std::numeric_limits<std::uint64_t>::max());
    } else if (arg == "--jobs") {
      options.jobs = ReadWholeNumber(arg, cursor.Text(), 1, 1024);
    } else if (arg == "--no-transform" || arg == "--show-coords" || arg == "--diagonals") {
      throw UsageError(arg + " has no effect with --summary");
    } else if (arg == "--help") {
      cursor.NoText();
      options.help = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else {
      options.files.push_back(arg);
    }
  }
  if (!options.help && options.files.empty()) throw UsageError("no FILE given");
  return options;
}

/// A progress line on a terminal, rewritten at most five times a second.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool enabled) : m_err(err), m_enabled(enabled) {}

  void Update(long long rows) {
    if (!m_enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_shown < std::chrono::milliseconds(200)) return;
    m_shown = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const std::string line = "ovalon-report: " + std::to_string(rows) + " frames, " +
                             std::to_string(static_cast<long long>(rows / seconds)) + " frames/s";
    m_err << '\r' << line << std::string(m_width > line.size() ? m_width - line.size() : 0, ' ')
          << std::flush;
    m_width = line.size();
  }
  void Clear() {
    if (m_enabled && m_width > 0) m_err << '\r' << std::string(m_width, ' ') << '\r' << std::flush;
    m_width = 0;
  }

 private:
  std::ostream& m_err;
  bool m_enabled;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point m_shown = m_start;
  size_t m_width = 0;
};

/// Analyses frames on worker threads and writes their rows in the order they were submitted.
/// At most a few frames per worker are in flight, so memory does not grow with the input. With
/// one job everything runs on the calling thread.
class RowPipeline {
 public:
  RowPipeline(int jobs, const SummarySettings& settings, std::ostream& out, ProgressLine& progress)
      : m_settings(settings), m_out(out), m_progress(progress), m_limit(4 * jobs) {
    if (jobs > 1) {
      for (int n = 0; n < jobs; ++n) m_workers.emplace_back([this] { Work(); });
    }
  }
  ~RowPipeline() {
    {
      std::lock_guard lock(m_mutex);
      m_closing = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers) worker.join();
  }

  void Submit(const std::string& file, CageFrame&& frame) {
    if (m_workers.empty()) {
      Emit(SummariseFrame(file, frame, m_settings));
      return;
    }
    WriteReadyRows(false);
    std::lock_guard lock(m_mutex);
    m_order.push_back(std::make_unique<PendingRow>());
    m_tasks.push_back({&file, std::move(frame), m_order.back().get()});
    m_workAvailable.notify_one();
  }

  /// A row that needs no analysis, in its place among the others.
  void SubmitReady(FrameRow row) {
    if (m_workers.empty()) {
      Emit(std::move(row));
      return;
    }
    WriteReadyRows(false);
    std::lock_guard lock(m_mutex);
    m_order.push_back(std::make_unique<PendingRow>());
    m_order.back()->row = std::move(row);
    m_order.back()->ready = true;
  }

  /// Waits for every submitted row and writes it.
  void Finish() { WriteReadyRows(true); }

  /// False once a write has failed: nothing more can reach the output.
  bool Writing() const { return static_cast<bool>(m_out); }

  long long Rows() const { return m_rows; }
  long long ErrorRows() const { return m_errorRows; }

 private:
  struct PendingRow {
    FrameRow row;
    std::exception_ptr failure;  ///< what the analysis threw (running out of memory)
    bool ready = false;          ///< guarded by m_mutex
  };
  struct Task {
    const std::string* file;
    CageFrame frame;
    PendingRow* slot;
  };

  void Work() {
    SetExtendedFloatingPointEnvironment();  // the x87 control word belongs to each thread
    while (true) {
      Task task;
      {
        std::unique_lock lock(m_mutex);
        m_workAvailable.wait(lock, [this] { return m_closing || !m_tasks.empty(); });
        if (m_tasks.empty()) return;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
      }
      FrameRow row;
      std::exception_ptr failure;
      try {
        row = SummariseFrame(*task.file, task.frame, m_settings);
      } catch (...) {
        failure = std::current_exception();
      }
      {
        std::lock_guard lock(m_mutex);
        task.slot->row = std::move(row);
        task.slot->failure = failure;
        task.slot->ready = true;
      }
      m_rowReady.notify_one();
    }
  }

  /// Writes the rows that are ready at the head of the order; waits for the head while the
  /// pipeline is full, or until every row is written when `all` is set.
  void WriteReadyRows(bool all) {
    while (true) {
      std::unique_ptr<PendingRow> head;
      {
        std::unique_lock lock(m_mutex);
        if (m_order.empty()) return;
        if (!m_order.front()->ready) {
          if (!all && static_cast<int>(m_order.size()) < m_limit) return;
          m_rowReady.wait(lock, [this] { return m_order.front()->ready; });
        }
        head = std::move(m_order.front());
        m_order.pop_front();
      }
      if (head->failure) std::rethrow_exception(head->failure);
      Emit(std::move(head->row));
    }
  }

  void Emit(FrameRow row) {
    m_out << row.text << CsvLineEnd;
    ++m_rows;
    if (row.error) ++m_errorRows;
    m_progress.Update(m_rows);
  }

  const SummarySettings& m_settings;
  std::ostream& m_out;
  ProgressLine& m_progress;
  const int m_limit;
  std::vector<std::thread> m_workers;
  std::mutex m_mutex;
  std::condition_variable m_workAvailable, m_rowReady;
  std::deque<Task> m_tasks;
  std::deque<std::unique_ptr<PendingRow>> m_order;
  bool m_closing = false;
  long long m_rows = 0, m_errorRows = 0;
};

void SummariseStream(const std::string& file, std::istream& stream, RowPipeline& pipeline,
                     bool monteCarlo) {
  FrameReader reader(stream);
  CageFrame frame;
  while (pipeline.Writing() && reader.Next(frame)) pipeline.Submit(file, std::move(frame));
  if (stream.bad()) {
    const std::string reason = std::strerror(errno);
    const std::string message =
        reader.LineNumber() == 0
            ? "cannot read the file: " + reason
            : "reading stopped after line " + std::to_string(reader.LineNumber()) + ": " + reason;
    pipeline.SubmitReady({FileErrorRow(file, message, monteCarlo), true});
  }
}

}  // namespace

FrameRow SummariseFrame(std::string_view file, const CageFrame& frame,
                        const SummarySettings& settings) {
  const bool monteCarlo = settings.monteCarloDraws > 0;
  if (frame.problem != FrameProblem::None) return {SummaryRow(file, frame, {}, monteCarlo), true};
  const CageSummary summary = SummariseCage(frame.coords, frame.sigma, settings, frame.frame);
  return {SummaryRow(file, frame, summary, monteCarlo), IsErrorStatus(summary.status)};
}

int RunSummaryCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                      std::ostream& err, bool progress) {
  SummaryOptions options;
  try {
    options = ParseOptions(args);
  } catch (const UsageError& e) {
    err << "ovalon-report: " << e.what() << "\n\n" << SummaryUsage;
    return SummaryUsageError;
  }
  if (options.help) {
    out << SummaryUsage;
    return SummaryAllAnalysed;
  }

  // Every option text is read here, before any worker starts; the workers only see numbers.
  SummarySettings settings;
  try {
    settings = ReadSummarySettings(options.fit);
  } catch (const EConvertError&) {
    err << InvalidInputMessage << '\n';
    return SummaryUsageError;
  }
  settings.monteCarloDraws = options.monteCarloDraws;
  settings.seed = options.seed;
  const bool monteCarlo = settings.monteCarloDraws > 0;
  int jobs = options.jobs;
  if (jobs == 0) jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));

  out << SummaryHeader(monteCarlo) << CsvLineEnd;
  ProgressLine progressLine(err, progress);
  long long rows = 0, errorRows = 0;
  {
    RowPipeline pipeline(jobs, settings, out, progressLine);
    for (const std::string& file : options.files) {
      if (!pipeline.Writing()) break;
      if (file == "-") {
        SummariseStream(file, in, pipeline, monteCarlo);
        continue;
      }
      std::ifstream stream(file, std::ios::binary);
      if (!stream) {
        const std::string reason = std::strerror(errno);
        pipeline.SubmitReady(
            {FileErrorRow(file, "cannot open the file: " + reason, monteCarlo), true});
        continue;
      }
      SummariseStream(file, stream, pipeline, monteCarlo);
    }
    pipeline.Finish();
    rows = pipeline.Rows();
    errorRows = pipeline.ErrorRows();
  }
  progressLine.Clear();
  out.flush();
  if (errorRows > 0) {
    err << "ovalon-report: " << errorRows << " of " << rows
        << " rows were not analysed; their status and message columns say why\n";
    return SummarySomeFailed;
  }
  return SummaryAllAnalysed;
}

}  // namespace ovalon
