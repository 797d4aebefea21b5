#include "cli/summary.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <cctype>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "cli/options.h"
#include "core/fpenvironment.h"
#include "input/gzipfile.h"
#include "input/parsenumber.h"
#include "input/textfile.h"
#include "report/fitrun.h"
#include "report/messages.h"
#include "report/summarytable.h"
#include "structure/extendedxyz.h"
#include "structure/structure.h"

namespace ovalon {

const char* const SummaryUsage =
    "Usage: ovalon-report --summary [options] FILE...\n"
    "\n"
    "Finds the cages in every frame of every FILE (- reads standard input), fits the window's\n"
    "ellipsoid to each and writes one row per cage to standard output, in input order.\n"
    "\n"
    "Input, chosen by --input-format or else by the name's extension (upper or lower case):\n"
    "  .xyz (and any other name, and -)  XYZ frames, read one at a time\n"
    "  .extxyz                      extended XYZ frames, read one at a time; a property\n"
    "                               sigma:R:3 gives the atoms' uncertainties\n"
    "  .cif, .mmcif                 CIF: a small-molecule block with its symmetry expanded and\n"
    "                               its uncertainties propagated, or an mmCIF block's models\n"
    "  .pdb, .ent                   PDB: every model is a frame (uncertainties 0)\n"
    "Each of them may end in .gz: the file is decompressed as it is read. CIF and PDB files are\n"
    "read whole, up to 64 MiB (decompressed); a file that cannot be read gets one unreadable\n"
    "row naming the place of the fault. XYZ frames: a line with the atom count, a comment line\n"
    "(may be empty), then that many atom lines \"SYMBOL x y z\" or \"SYMBOL x y z sx sy sz\"\n"
    "(coordinates and their uncertainties in angstrom; fields separated by spaces or tabs).\n"
    "Lines starting with \">\" inside a frame are uncertainty lines \"> sx sy sz\" of the atoms\n"
    "in order, after their atom lines, interleaved or grouped, as in the window's files.\n"
    "Without uncertainties they are 0. A frame that cannot be read gets a row with its status\n"
    "and message, and the run goes on. A line where a count line belongs gets an unreadable\n"
    "row of its own, and reading resumes at the next count line that is followed by that many\n"
    "atom lines. Lines end with LF or CR LF; a byte-order mark selects UTF-8 or UTF-16; a line\n"
    "longer than 1 MiB, or a frame of more than 1000000 atoms, makes its frame unreadable.\n"
    "Memory grows with the atoms of one frame, not with the size of the input.\n"
    "\n"
    "Cages:\n"
    "  --cage auto (the default) finds every fullerene-like cage of a frame. Two carbon atoms\n"
    "  (symbol C or c) are bonded when they are at most --bond-cutoff apart; the rings are the\n"
    "  chordless rings of 5, 6 or 7 bonded carbon atoms (the faces of a cage); rings that share\n"
    "  a bond form one ring system, and every system of at least 20 atoms is a cage. So a cage\n"
    "  keeps all its atoms, sp3 ones of adducts included, and leaves out other elements,\n"
    "  hydrogens, endohedral guests, solvent molecules and addends bound through three- or\n"
    "  four-membered rings or single bonds (methano bridges, Bingel and Prato adducts, the\n"
    "  chain of PCBM, the four-membered ring of a [2+2] dimer). A closed cage has each of its\n"
    "  bonds in exactly two of its rings; a cage where that fails (atoms missing, or an\n"
    "  addend's ring fused onto it, as in a Diels-Alder adduct) is analysed with the status\n"
    "  open-cage. Limits: only carbon atoms are cage atoms (a heteroatom in the cage leaves a\n"
    "  hole); a bond longer than the cutoff or a face of more than 7 atoms breaks the rings\n"
    "  around it; an addend's ring of 5 to 7 carbon atoms fused onto the cage joins the cage\n"
    "  (open-cage). Where the rule does not fit, give the atoms with --cage-atoms.\n"
    "  --cage carbon takes all carbon atoms of a frame as one cage.\n"
    "  --cage-atoms LIST takes the listed atoms, numbered by their atom lines from 1: numbers\n"
    "  and ranges separated by commas, e.g. 1-60,75; the same atoms in every frame.\n"
    "\n"
    "Options:\n"
    "  --cage auto|carbon            how the cages are found (default auto)\n"
    "  --cage-atoms LIST             the cage's atoms (instead of --cage)\n"
    "  --bond-cutoff D               longest carbon-carbon bond of --cage auto, in angstrom,\n"
    "                                above 0 and at most 4 (default 1.8)\n"
    "  --format csv|json|table       csv (default): a header and one RFC 4180 record per row,\n"
    "                                ending with CR LF; json: JSON Lines, one object per row\n"
    "                                with the column names as keys, the numbers as in the\n"
    "                                CSV (\"nan\", \"inf\" and \"-inf\" as strings), null for a\n"
    "                                number left empty, texts always as strings; ending with\n"
    "                                LF; table: each row as lines\n"
    "                                \"name  value\" with aligned values, rows separated by an\n"
    "                                empty line\n"
    "  --input-format xyz|extxyz|cif|pdb|mmcif\n"
    "                                the reader of every FILE, whatever its name\n"
    "  --method mnk|lm               fitting method (default mnk)\n"
    "  --cycles, --start, --lambda, --step TEXT\n"
    "                                Levenberg-Marquardt settings, as for ovalon-report\n"
    "  --inverse-precision TEXT      precision of the inverse matrix (default 1E-10)\n"
    "  --rotation-precision TEXT     precision of the rotation method (default 1E-20)\n"
    "  --mc N                        N Monte Carlo re-fits per cage, every coordinate drawn\n"
    "                                from a normal distribution with its uncertainty (default 0)\n"
    "  --seed S                      seed of the draws, 0 to 2^64-1 (default 0); a cage's draws\n"
    "                                depend only on S and its frame's number\n"
    "  --jobs N                      analysis threads (default: all cores)\n"
    "  --quiet                       no progress line\n"
    "  --help                        print this help\n"
    "\n"
    "Progress: when standard error is a terminal, one line there is rewritten as frames are\n"
    "done: frames done, frames per second and, when every FILE is a file of known size, the\n"
    "share read and the time left. It is cleared at the end; standard output never has it.\n"
    "\n"
    "Columns (lengths in angstrom; an empty field was not computed for the row's status;\n"
    "numbers in the shortest form that reads back to the same 64-bit value, nan/inf/-inf for\n"
    "values that are not finite):\n"
    "  file                         FILE as given; for a CIF file of several data blocks\n"
    "                               followed by \":BLOCK\", and for a structure of several\n"
    "                               models by \":model N\" (e.g. c60_models.pdb:model 2)\n"
    "  frame, line                  the frame's number in FILE (from 1), and for XYZ the line\n"
    "                               of its count\n"
    "  comment                      the XYZ frame's comment line; for a structure file what\n"
    "                               its reader expanded, chose or left out\n"
    "  cage, atoms                  the cage's number within its frame (1, 2, ... in the order\n"
    "                               of each cage's first atom) and its number of atoms\n"
    "  status                       ok; not-ellipsoid; open-cage (analysed: bonds of the cage\n"
    "                               are not in exactly two of its rings, the message says how\n"
    "                               many); unreadable; no-cage (the rule found no cage, the\n"
    "                               message says what was found); too-few-atoms (fewer than 9,\n"
    "                               the nine coefficients of the quadric); no-fit (every\n"
    "                               coordinate 0); singular (a matrix singular to the inverse\n"
    "                               precision); file-error\n"
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
    "  residual                     |F|/N of the fit over the cage's N atoms,\n"
    "                               sqrt(sum of F_i^2)/N\n"
    "  chord, chord_start_atom,     the longest atom-to-atom distance and its atoms, numbered\n"
    "  chord_end_atom               by their atom lines in the frame (all atoms counted); the\n"
    "                               start is the atom nearer to the origin\n"
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
    "Exit status: 0 every cage analysed (ok, not-ellipsoid or open-cage), 1 some rows have\n"
    "another status (or memory ran out), 2 usage error or an option text that is not a number,\n"
    "4 the output could not be written (the run stops at the first failed write).\n";

namespace {

enum class InputFormat { Xyz, ExtendedXyz, Cif, Pdb };

struct SummaryOptions {
  FitSettings fit;
  int monteCarloDraws = 0;
  std::uint64_t seed = 0;
  int jobs = 0;  ///< 0: all cores
  CageRule cage;
  SummaryFormat format = SummaryFormat::Csv;
  std::optional<InputFormat> inputFormat;
  bool quiet = false;
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

/// The longest bond of --bond-cutoff: beyond it every atom of a frame bonds with many others,
/// and the ring search no longer finds faces.
constexpr double MaxBondCutoff = 4;

double ReadBondCutoff(const std::string& text) {
  const std::optional<double> value = ReadFieldNumber(text);
  if (!value || !(*value > 0) || *value > MaxBondCutoff)
    throw UsageError("--bond-cutoff needs a distance in angstrom above 0 and at most 4, not \"" +
                     text + "\"");
  return *value;
}

/// One of `names` (written "a|b|c" in the message), as its index.
int ReadChoice(const std::string& option, const std::string& text,
               const std::vector<std::string>& names) {
  const auto found = std::find(names.begin(), names.end(), text);
  if (found != names.end()) return static_cast<int>(found - names.begin());
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : "|") + name;
  throw UsageError(option + " must be " + list + ", not \"" + text + "\"");
}

SummaryOptions ParseOptions(const std::vector<std::string>& args) {
  SummaryOptions options;
  bool cageGiven = false, atomsGiven = false;
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
    } else if (arg == "--cage") {
      cageGiven = true;
      options.cage.kind = ReadChoice(arg, cursor.Text(), {"auto", "carbon"}) == 0
                              ? CageRule::Kind::Auto
                              : CageRule::Kind::Carbon;
    } else if (arg == "--cage-atoms") {
      atomsGiven = true;
      try {
        options.cage.atoms = ParseAtomList(cursor.Text());
      } catch (const AtomListError& e) {
        throw UsageError(std::string("--cage-atoms: ") + e.what());
      }
    } else if (arg == "--bond-cutoff") {
      options.cage.bondCutoff = ReadBondCutoff(cursor.Text());
    } else if (arg == "--format") {
      options.format =
          static_cast<SummaryFormat>(ReadChoice(arg, cursor.Text(), {"csv", "json", "table"}));
    } else if (arg == "--input-format") {
      const int format = ReadChoice(arg, cursor.Text(), {"xyz", "extxyz", "cif", "pdb", "mmcif"});
      options.inputFormat = format == 4 ? InputFormat::Cif : static_cast<InputFormat>(format);
    } else if (arg == "--quiet") {
      cursor.NoText();
      options.quiet = true;
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
  if (cageGiven && atomsGiven) throw UsageError("--cage and --cage-atoms exclude each other");
  if (atomsGiven) options.cage.kind = CageRule::Kind::Listed;
  if (!options.help && options.files.empty()) throw UsageError("no FILE given");
  return options;
}

/// "1:05" or "2:03:45".
std::string Duration(double seconds) {
  const long long total = static_cast<long long>(seconds + 0.5);
  const long long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
  char text[32];
  if (hours > 0)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, rest);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes, rest);
  return text;
}

/// A progress line on a terminal, shown at the first frame and then rewritten at most five
/// times a second: frames done, frames per second and, when the size of the input is known,
/// the share read and the time left.
class ProgressLine {
 public:
  /// `totalBytes`: the size of the whole input, or −1 when it is not known.
  ProgressLine(std::ostream& err, bool enabled, long long totalBytes)
      : m_err(err), m_enabled(enabled), m_totalBytes(totalBytes) {}

  /// How to ask how many bytes of the input have been read while a file is open.
  void SetBytesRead(std::function<long long()> bytesRead) { m_bytesRead = std::move(bytesRead); }
  /// A file is closed: `bytes` of the input have been read.
  void FileDone(long long bytes) {
    m_bytesRead = nullptr;
    m_bytesDone = bytes;
  }

  void Update(long long frames) {
    if (!m_enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (m_width > 0 && now - m_shown < std::chrono::milliseconds(200)) return;
    m_shown = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const long long rate = seconds > 0 ? static_cast<long long>(frames / seconds) : 0;
    std::string line = "ovalon-report: " + std::to_string(frames) + " frames, " +
                       std::to_string(rate) + " frames/s";
    if (m_totalBytes > 0) {
      const long long bytes = m_bytesRead ? m_bytesRead() : m_bytesDone;
      const double share = std::clamp(static_cast<double>(bytes) / m_totalBytes, 0.0, 1.0);
      line += ", " + std::to_string(static_cast<int>(share * 100)) + "% read";
      if (share > 0) line += ", " + Duration(seconds * (1 - share) / share) + " left";
    }
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
  long long m_totalBytes;
  std::function<long long()> m_bytesRead;
  long long m_bytesDone = 0;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point m_shown = m_start;
  size_t m_width = 0;
};

/// Analyses frames on worker threads and writes their rows in the order they were submitted.
/// At most a few frames per worker are in flight, so memory does not grow with the input. With
/// one job everything runs on the calling thread.
class RowPipeline {
 public:
  RowPipeline(int jobs, const FrameSettings& settings, std::ostream& out, ProgressLine& progress)
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

  /// A frame to analyse. `frame` may be reused by the caller afterwards; it may then hold the
  /// buffers of an earlier frame, so that reading allocates nothing once frames come back.
  void Submit(const std::string& file, CageFrame& frame) {
    if (m_workers.empty()) {
      Emit(SummariseFrame(file, frame, m_settings));
      return;
    }
    WriteReadyRows(false);
    std::lock_guard lock(m_mutex);
    m_order.push_back(std::make_unique<PendingRow>());
    Task task;
    if (!m_spareTasks.empty()) {
      task = std::move(m_spareTasks.back());
      m_spareTasks.pop_back();
    }
    task.file = file;
    std::swap(task.frame, frame);
    task.slot = m_order.back().get();
    m_tasks.push_back(std::move(task));
    ++m_unfinished;
    m_workAvailable.notify_one();
  }

  /// A row that needs no analysis, in its place among the others.
  void SubmitReady(const RowPlace& place, SummaryStatus status, std::string_view message) {
    FrameRows rows;
    rows.rows.push_back(UnanalysedRow(m_settings.format, place, status, message,
                                      m_settings.analysis.monteCarloDraws > 0));
    rows.errorRows = IsErrorStatus(status) ? 1 : 0;
    if (m_workers.empty()) {
      Emit(std::move(rows));
      return;
    }
    WriteReadyRows(false);
    std::lock_guard lock(m_mutex);
    m_order.push_back(std::make_unique<PendingRow>());
    m_order.back()->rows = std::move(rows);
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
    FrameRows rows;
    std::exception_ptr failure;  ///< what the analysis threw (running out of memory)
    bool ready = false;          ///< guarded by m_mutex
  };
  struct Task {
    std::string file;
    CageFrame frame;
    PendingRow* slot = nullptr;
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
      FrameRows rows;
      std::exception_ptr failure;
      try {
        rows = SummariseFrame(task.file, task.frame, m_settings);
      } catch (...) {
        failure = std::current_exception();
      }
      bool wake = false;
      {
        std::lock_guard lock(m_mutex);
        task.slot->rows = std::move(rows);
        task.slot->failure = failure;
        task.slot->ready = true;
        --m_unfinished;
        wake = WriterMayGoOn();
        m_spareTasks.push_back(std::move(task));
      }
      if (wake) m_rowReady.notify_one();
    }
  }

  /// Whether the writer, waiting for rows, has work again (m_mutex held): the head's row is
  /// ready and, unless every row is awaited, no more than half the limit is still being
  /// analysed. Waking it for fewer frames than that would cost a sleep and a wake-up per frame.
  bool WriterMayGoOn() const {
    return m_order.front()->ready && (m_finishing || m_unfinished <= m_limit / 2);
  }

  /// Writes the rows that are ready at the head of the order; waits for the head while the
  /// pipeline is full (until half of it is done), or until every row is written when `all` is
  /// set.
  void WriteReadyRows(bool all) {
    while (true) {
      std::unique_ptr<PendingRow> head;
      {
        std::unique_lock lock(m_mutex);
        if (m_order.empty()) return;
        if (!m_order.front()->ready) {
          if (!all && static_cast<int>(m_order.size()) < m_limit) return;
          m_finishing = all;
          m_rowReady.wait(lock, [this] { return WriterMayGoOn(); });
        }
        head = std::move(m_order.front());
        m_order.pop_front();
      }
      if (head->failure) std::rethrow_exception(head->failure);
      Emit(std::move(head->rows));
    }
  }

  void Emit(FrameRows rows) {
    for (const std::string& row : rows.rows) {
      if (m_rows++ > 0) m_out << RowSeparator(m_settings.format);
      m_out << row;
    }
    m_errorRows += rows.errorRows;
    m_progress.Update(++m_frames);
  }

  const FrameSettings& m_settings;
  std::ostream& m_out;
  ProgressLine& m_progress;
  const int m_limit;
  std::vector<std::thread> m_workers;
  std::mutex m_mutex;
  std::condition_variable m_workAvailable, m_rowReady;
  std::deque<Task> m_tasks;
  std::vector<Task> m_spareTasks;  ///< done, kept for the buffers of their file and frame
  std::deque<std::unique_ptr<PendingRow>> m_order;
  bool m_closing = false;
  int m_unfinished = 0;     ///< frames submitted and not yet analysed
  bool m_finishing = false;  ///< the writer awaits every row
  long long m_rows = 0, m_errorRows = 0, m_frames = 0;
};

/// The cages of a frame by the rule; none, with what was found, when there is none. The result
/// stays valid until the thread's next call.
const CageSearch& FindFrameCages(const CageFrame& frame, const CageRule& rule) {
  // Each thread keeps its atoms, and its finder the last search, from frame to frame.
  thread_local std::vector<FrameAtom> atoms;
  thread_local CageFinder finder;
  thread_local CageSearch search;
  if (rule.kind == CageRule::Kind::Listed) {
    search = CageSearch();
    try {
      search.cages.push_back(ListedCage(rule.atoms, static_cast<int>(frame.allAtoms.size())));
    } catch (const AtomListError& e) {
      search.message = e.what();
    }
    return search;
  }
  atoms.resize(frame.allAtoms.size());
  for (size_t i = 0; i < atoms.size(); ++i) {
    const FrameAtomLine& line = frame.allAtoms[i];
    atoms[i] = {IsCarbonSymbol(line.symbol), line.position[0], line.position[1], line.position[2]};
  }
  if (rule.kind == CageRule::Kind::Carbon) {
    search = CarbonCage(atoms);
    return search;
  }
  return finder.Find(atoms, {.bondCutoff = rule.bondCutoff});
}

/// The analysis of the atoms `cage` (0-based, into the frame's atoms) in a point set of N atoms.
template <int N>
CageSummary AnalyseCage(const CageFrame& frame, const std::vector<int>& cage,
                        const SummarySettings& settings) {
  const int count = static_cast<int>(cage.size());
  BasicPointSet<N> coords(count), sigma(count);
  for (int i = 1; i <= count; ++i) {
    const FrameAtomLine& atom = frame.allAtoms[cage[i - 1]];
    coords.X.at(i) = atom.position[0];
    coords.Y.at(i) = atom.position[1];
    coords.Z.at(i) = atom.position[2];
    sigma.X.at(i) = atom.sigma[0];
    sigma.Y.at(i) = atom.sigma[1];
    sigma.Z.at(i) = atom.sigma[2];
  }
  return SummariseCage(coords, sigma, settings, frame.frame);
}

/// What a cage the rule found but whose bonds do not close tells the user to do.
constexpr const char* OpenCageHint = "give the cage's atoms with --cage-atoms";

/// Where a frame is read from: the stream and what is known of its size.
struct InputStream {
  std::istream* stream = nullptr;
  std::function<long long()> bytesRead;  ///< of the file as stored; empty when not known
  std::function<std::string()> readError;  ///< why reading stopped early; empty when it did not
};

void SummariseXyz(const std::string& file, const InputStream& input, RowPipeline& pipeline) {
  FrameReader reader(*input.stream);
  CageFrame frame;
  while (pipeline.Writing() && reader.Next(frame)) pipeline.Submit(file, frame);
  const std::string error = input.readError();
  if (!error.empty()) {
    const std::string message =
        reader.LineNumber() == 0
            ? "cannot read the file: " + error
            : "reading stopped after line " + std::to_string(reader.LineNumber()) + ": " + error;
    pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::FileError, message);
  }
}

/// A frame of a structure file as the summary takes it; its comment lists the reader's notes.
void ToCageFrame(const StructureFrame& structure, long long number, CageFrame& frame) {
  frame.frame = number;
  frame.line = 0;
  frame.problem = FrameProblem::None;
  frame.message.clear();
  frame.comment.clear();
  for (const std::string& note : structure.notes)
    frame.comment += (frame.comment.empty() ? "" : "; ") + note;
  frame.atoms = static_cast<int>(structure.atoms.size());
  frame.allAtoms.clear();
  for (const StructureAtom& atom : structure.atoms)
    frame.allAtoms.push_back({atom.element, atom.position, atom.sigma});
}

void SummariseExtendedXyz(const std::string& file, const InputStream& input,
                          RowPipeline& pipeline) {
  ExtendedXyzReader reader(*input.stream, file);
  StructureFrame structure;
  CageFrame frame;
  long long number = 0;
  try {
    while (pipeline.Writing() && reader.Next(structure)) {
      ToCageFrame(structure, ++number, frame);
      pipeline.Submit(file, frame);
    }
  } catch (const StructureError& e) {
    // The reader cannot find its way back into the frames after a fault.
    pipeline.SubmitReady(RowPlace{file, number + 1, 0, {}}, SummaryStatus::Unreadable, e.what());
    return;
  }
  const std::string error = input.readError();
  if (!error.empty())
    pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::FileError,
                         "reading stopped after frame " + std::to_string(number) + ": " + error);
}

/// Structure files are read whole, up to the size of any text read whole.
void SummariseStructures(const std::string& file, const InputStream& input, InputFormat format,
                         RowPipeline& pipeline) {
  std::string text;
  char buffer[1 << 16];
  while (input.stream->read(buffer, sizeof buffer) || input.stream->gcount() > 0) {
    text.append(buffer, static_cast<size_t>(input.stream->gcount()));
    if (text.size() > MaxTextFileBytes) {
      pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::FileError,
                           "the file is larger than 64 MiB; structure files are read whole");
      return;
    }
  }
  const std::string error = input.readError();
  if (!error.empty()) {
    pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::FileError, "cannot read the file: " + error);
    return;
  }
  std::vector<Structure> structures;
  try {
    structures = ReadStructures(text, file,
                                format == InputFormat::Pdb ? StructureFormat::Pdb : StructureFormat::Cif);
  } catch (const StructureError& e) {
    pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::Unreadable, e.what());
    return;
  }
  CageFrame frame;
  long long number = 0;
  for (const Structure& structure : structures) {
    for (const StructureFrame& model : structure.frames) {
      if (!pipeline.Writing()) return;
      // The file column names the data block and the model where the file has several.
      std::string label = file;
      if (structures.size() > 1) label += ":" + structure.name;
      if (!model.name.empty()) label += ":" + model.name;
      ToCageFrame(model, ++number, frame);
      pipeline.Submit(label, frame);
    }
  }
}

/// The reader of a file: by --input-format, else by the name's extension (after ".gz", which
/// marks a compressed file); XYZ for any other name and for standard input.
InputFormat FormatOf(const std::string& file, const std::optional<InputFormat>& given) {
  if (given) return *given;
  std::string name = file;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (name.size() > 3 && name.ends_with(".gz")) name.resize(name.size() - 3);
  const std::pair<const char*, InputFormat> extensions[] = {
      {".extxyz", InputFormat::ExtendedXyz}, {".cif", InputFormat::Cif},
      {".mmcif", InputFormat::Cif},          {".pdb", InputFormat::Pdb},
      {".ent", InputFormat::Pdb}};
  for (const auto& [extension, format] : extensions)
    if (name.ends_with(extension)) return format;
  return InputFormat::Xyz;
}

bool IsCompressed(const std::string& file) {
  return file.size() > 3 && (file.ends_with(".gz") || file.ends_with(".GZ"));
}

void SummariseInput(const std::string& file, const InputStream& input, InputFormat format,
                    RowPipeline& pipeline) {
  switch (format) {
    case InputFormat::Xyz:
      SummariseXyz(file, input, pipeline);
      break;
    case InputFormat::ExtendedXyz:
      SummariseExtendedXyz(file, input, pipeline);
      break;
    case InputFormat::Cif:
    case InputFormat::Pdb:
      SummariseStructures(file, input, format, pipeline);
      break;
  }
}

/// Opens and summarises one FILE; the progress line learns how far into it reading is.
void SummariseFile(const std::string& file, std::istream& in, const SummaryOptions& options,
                   long long bytesBefore, ProgressLine& progress, RowPipeline& pipeline) {
  const InputFormat format = FormatOf(file, options.inputFormat);
  if (file == "-") {
    SummariseInput(file, {&in, {}, [&in] { return in.bad() ? std::string(std::strerror(errno)) : ""; }},
                   format, pipeline);
    return;
  }
  if (IsCompressed(file)) {
    GzipFileBuffer buffer(file);
    if (!buffer.IsOpen()) {
      pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::FileError,
                           "cannot open the file: " + buffer.Error());
      return;
    }
    std::istream stream(&buffer);
    const InputStream input{&stream, [&] { return bytesBefore + buffer.CompressedOffset(); },
                            [&] { return buffer.Error(); }};
    progress.SetBytesRead(input.bytesRead);
    SummariseInput(file, input, format, pipeline);
    return;
  }
  // A larger buffer than the stream's own: a read call for every 64 KiB rather than every 8.
  std::vector<char> buffer(1 << 16);
  std::ifstream stream;
  stream.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  stream.open(file, std::ios::binary);
  if (!stream) {
    pipeline.SubmitReady(RowPlace{file, 0, 0, {}}, SummaryStatus::FileError,
                         "cannot open the file: " + std::string(std::strerror(errno)));
    return;
  }
  const InputStream input{&stream,
                          [&] {
                            const long long at = stream.rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in);
                            return bytesBefore + std::max(at, 0LL);
                          },
                          [&] { return stream.bad() ? std::string(std::strerror(errno)) : ""; }};
  progress.SetBytesRead(input.bytesRead);
  SummariseInput(file, input, format, pipeline);
}

/// The size of a file as stored, or −1 when it is not a regular file.
long long StoredSize(const std::string& file) {
  std::error_code error;
  if (file == "-" || !std::filesystem::is_regular_file(file, error)) return -1;
  const auto size = std::filesystem::file_size(file, error);
  return error ? -1 : static_cast<long long>(size);
}

}  // namespace

FrameRows SummariseFrame(std::string_view file, const CageFrame& frame,
                         const FrameSettings& settings) {
  const bool monteCarlo = settings.analysis.monteCarloDraws > 0;
  const RowPlace place{file, frame.frame, frame.line, frame.comment};
  FrameRows result;
  if (frame.problem != FrameProblem::None) {
    result.rows.push_back(
        UnanalysedRow(settings.format, place, SummaryStatus::Unreadable, frame.message, monteCarlo));
    result.errorRows = 1;
    return result;
  }
  const CageSearch& search = FindFrameCages(frame, settings.cage);
  if (search.cages.empty()) {
    result.rows.push_back(
        UnanalysedRow(settings.format, place, SummaryStatus::NoCage, search.message, monteCarlo));
    result.errorRows = 1;
    return result;
  }
  for (size_t k = 0; k < search.cages.size(); ++k) {
    const FoundCage& cage = search.cages[k];
    const int atoms = static_cast<int>(cage.atoms.size());
    // The window's fixed 60 atoms are the faster point set; both give the same bits.
    CageSummary summary = atoms == AtomCount
                              ? AnalyseCage<AtomCount>(frame, cage.atoms, settings.analysis)
                              : AnalyseCage<Dynamic>(frame, cage.atoms, settings.analysis);
    MarkOpenCage(summary, cage.openBonds, OpenCageHint);
    result.rows.push_back(AnalysedRow(settings.format, place, summary,
                                      {static_cast<int>(k) + 1, atoms}, cage.atoms, monteCarlo));
    if (IsErrorStatus(summary.status)) ++result.errorRows;
  }
  return result;
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
  FrameSettings settings;
  try {
    settings.analysis = ReadSummarySettings(options.fit);
  } catch (const EConvertError&) {
    err << InvalidInputMessage << '\n';
    return SummaryUsageError;
  }
  settings.analysis.monteCarloDraws = options.monteCarloDraws;
  settings.analysis.seed = options.seed;
  settings.cage = options.cage;
  settings.format = options.format;
  int jobs = options.jobs;
  if (jobs == 0) jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));

  if (settings.format == SummaryFormat::Csv)
    out << SummaryHeader(settings.analysis.monteCarloDraws > 0) << CsvLineEnd;
  // The share read is known when every FILE is a file of known size.
  long long totalBytes = 0;
  for (const std::string& file : options.files) {
    const long long size = StoredSize(file);
    totalBytes = size < 0 || totalBytes < 0 ? -1 : totalBytes + size;
  }
  ProgressLine progressLine(err, progress && !options.quiet, totalBytes);
  long long rows = 0, errorRows = 0;
  {
    RowPipeline pipeline(jobs, settings, out, progressLine);
    long long bytesBefore = 0;
    for (const std::string& file : options.files) {
      if (!pipeline.Writing()) break;
      SummariseFile(file, in, options, bytesBefore, progressLine, pipeline);
      bytesBefore += std::max(StoredSize(file), 0LL);
      progressLine.FileDone(bytesBefore);
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
