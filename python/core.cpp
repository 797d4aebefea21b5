// ovalon._core: the Python extension over the analysis and the window's reports. It takes and
// returns plain values and numpy arrays; the package ovalon around it holds the defaults, the
// documentation and the Python exceptions.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "analysis/cagefinder.h"
#include "analysis/cagesummary.h"
#include "core/fpenvironment.h"
#include "input/framereader.h"
#include "input/parsenumber.h"
#include "input/textfile.h"
#include "report/decimalseparator.h"
#include "report/messages.h"
#include "report/summarytable.h"
#include "report/windowreport.h"
#include "structure/structure.h"

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


/// Arrays of coordinates as the analysis takes them: 64-bit values in C order.
using Coordinates = py::array_t<double, py::array::c_style | py::array::forcecast>;

/// `value` (an array, a nested list, ...) as a C-ordered float64 array; ValueError unless it
/// holds real numbers.
Coordinates RealArray(const py::handle& value, const std::string& name) {
  py::array array = py::array::ensure(value);
  if (!array) throw py::value_error(name + " must be an array of numbers of one shape");
  const char kind = array.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u') {
    throw py::value_error(name + " must hold real numbers, not " +
                          std::string(py::str(array.dtype())));
  }
  return Coordinates::ensure(array);
}

std::string ShapeText(const py::array& array) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    if (d > 0) text += ", ";
    text += std::to_string(array.shape(d));
  }
  return text + (array.ndim() == 1 ? ",)" : ")");
}

/// The atom count of an array of `leading` + 2 dimensions whose last one is 3; ValueError for
/// any other shape, or with `fitted` for fewer atoms than a quadric's nine coefficients need.
py::ssize_t AtomsOf(const py::array& array, const std::string& name, int leading,
                    const char* layout, bool fitted) {
  if (array.ndim() != leading + 2 || array.shape(leading + 1) != 3) {
    throw py::value_error(name + " must be an array of shape " + layout + ", not " +
                          ShapeText(array));
  }
  const py::ssize_t atoms = array.shape(leading);
  if (atoms > std::numeric_limits<int>::max())
    throw py::value_error(name + " has " + std::to_string(atoms) + " atoms, too many for a cage");
  if (fitted && atoms < MinimumFitAtoms) {
    throw py::value_error(name + " has " + std::to_string(atoms) +
                          " atoms; the nine coefficients of a quadric need at least " +
                          std::to_string(MinimumFitAtoms));
  }
  return atoms;
}

/// Calls `work(coords, sigma)` with two zeroed point sets of `atoms` atoms: the window's
/// PointSet for 60, which is the faster, and AtomPoints for any other number. Both give the
/// same bits for the same atoms.
template <typename Work>
auto WithPointSets(py::ssize_t atoms, const Work& work) {
  if (atoms == AtomCount) {
    PointSet coords, sigma;
    return work(coords, sigma);
  }
  AtomPoints coords(static_cast<int>(atoms)), sigma(static_cast<int>(atoms));
  return work(coords, sigma);
}

/// Fills the atoms of `points` from a C-ordered block of as many rows of x y z; the (0-based)
/// atom of the first value that is not finite, if any.
template <int N>
std::optional<py::ssize_t> FillPoints(const double* block, BasicPointSet<N>& points) {
  std::optional<py::ssize_t> notFinite;
  for (int i = 1; i <= points.Size(); ++i) {
    const double* atom = block + 3 * (i - 1);
    points.X.at(i) = atom[0];
    points.Y.at(i) = atom[1];
    points.Z.at(i) = atom[2];
    if (!notFinite && !(std::isfinite(atom[0]) && std::isfinite(atom[1]) && std::isfinite(atom[2])))
      notFinite = i - 1;
  }
  return notFinite;
}

/// The fields of one row, as Python values: empty numbers are NaN, empty integers and atoms
/// −1, empty texts ""; atoms are 0-based.
class TupleWriter : public FieldSink {
 public:
  explicit TupleWriter(const std::vector<SummaryColumn>& columns)
      : m_columns(columns), m_row(columns.size()) {}

  void Empty() override {
    switch (m_columns[m_next].type) {
      case ColumnType::Text:
        Put(py::str(""));
        break;
      case ColumnType::Number:
        Put(py::float_(std::nan("")));
        break;
      case ColumnType::Integer:
      case ColumnType::Atom:
        Put(py::int_(-1));
        break;
    }
  }
  void Text(std::string_view text) override { Put(py::str(text.data(), text.size())); }
  void Integer(long long value) override { Put(py::int_(value)); }
  void Number(double value) override { Put(py::float_(value)); }
  void Atom(int cageAtom) override { Put(py::int_(cageAtom - 1)); }

  py::tuple Finish() { return std::move(m_row); }

 private:
  void Put(py::object value) { m_row[m_next++] = std::move(value); }
  const std::vector<SummaryColumn>& m_columns;
  py::tuple m_row;
  size_t m_next = 0;
};

/// The table of analyse_frames: one buffer per column, numbers and integers written straight
/// into numpy arrays, texts kept until the GIL is held again.
struct ColumnTable {
  std::vector<SummaryColumn> columns;
  std::vector<py::array> arrays;                ///< per column; empty for texts
  std::vector<void*> data;                      ///< their values, for the worker threads
  std::vector<std::vector<std::string>> texts;  ///< per column; empty for the others

  ColumnTable(bool monteCarlo, py::ssize_t rows) : columns(CageColumns(monteCarlo)) {
    for (const SummaryColumn& column : columns) {
      texts.emplace_back();
      if (column.type == ColumnType::Text) {
        arrays.emplace_back();
        texts.back().resize(rows);
      } else if (column.type == ColumnType::Number) {
        arrays.push_back(py::array_t<double>(rows));
      } else {
        arrays.push_back(py::array_t<std::int64_t>(rows));
      }
      data.push_back(column.type == ColumnType::Text ? nullptr : arrays.back().mutable_data());
    }
  }

  py::dict Finish() {
    py::dict table;
    py::object objectArray = py::module_::import("numpy").attr("array");
    for (size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].type == ColumnType::Text)
        table[columns[c].name] = objectArray(py::cast(texts[c]), py::arg("dtype") = "object");
      else
        table[columns[c].name] = arrays[c];
    }
    return table;
  }
};

/// Writes one row of a ColumnTable; safe on worker threads, each writing its own rows.
class RowWriter : public FieldSink {
 public:
  RowWriter(ColumnTable& table, py::ssize_t row) : m_table(table), m_row(row) {}

  void Empty() override {
    switch (m_table.columns[m_next].type) {
      case ColumnType::Text:
        ++m_next;
        break;
      case ColumnType::Number:
        Number(std::nan(""));
        break;
      case ColumnType::Integer:
      case ColumnType::Atom:
        Integer(-1);
        break;
    }
  }
  void Text(std::string_view text) override { m_table.texts[m_next++][m_row] = text; }
  void Integer(long long value) override {
    static_cast<std::int64_t*>(m_table.data[m_next++])[m_row] = value;
  }
  void Number(double value) override {
    static_cast<double*>(m_table.data[m_next++])[m_row] = value;
  }
  void Atom(int cageAtom) override { Integer(cageAtom - 1); }

 private:
  ColumnTable& m_table;
  py::ssize_t m_row;
  size_t m_next = 0;
};

/// The settings of analyse and analyse_frames, read from the window's texts.
SummarySettings MakeSettings(const FitSettings& texts, int monteCarloDraws, std::uint64_t seed) {
  if (monteCarloDraws < 0) throw py::value_error("mc must not be negative");
  SummarySettings settings;
  try {
    ExtendedEnvironmentScope environment;
    settings = ReadSummarySettings(texts);
  } catch (const EConvertError&) {
    throw py::value_error(InvalidInputMessage);
  }
  settings.monteCarloDraws = monteCarloDraws;
  settings.seed = seed;
  return settings;
}

std::optional<py::array_t<double>> Doubles(const std::optional<QuadricParams>& values) {
  if (!values) return std::nullopt;
  py::array_t<double> array(9);
  double* out = array.mutable_data();
  for (int k = 1; k <= 9; ++k) out[k - 1] = static_cast<double>(values->at(k));
  return array;
}

/// One cage: (row, coefficients, coefficient errors).
std::tuple<py::tuple, std::optional<py::array_t<double>>, std::optional<py::array_t<double>>>
Analyse(const py::handle& positionsValue, const py::handle& sigmasValue,
        const SummarySettings& settings, long long frameNumber, int cage, int openBonds) {
  const Coordinates positions = RealArray(positionsValue, "positions");
  const py::ssize_t atoms = AtomsOf(positions, "positions", 0, "(N, 3)", true);
  std::optional<Coordinates> sigmas;
  if (!sigmasValue.is_none()) {
    sigmas = RealArray(sigmasValue, "sigmas");
    if (sigmas->ndim() != 2 || sigmas->shape(0) != atoms || sigmas->shape(1) != 3) {
      throw py::value_error("sigmas must have the shape of positions " + ShapeText(positions) +
                            ", not " + ShapeText(*sigmas));
    }
  }
  CageSummary summary = WithPointSets(atoms, [&](auto& coords, auto& sigma) {
    if (const auto bad = FillPoints(positions.data(), coords))
      throw py::value_error("positions of atom " + std::to_string(*bad) + " are not finite");
    if (sigmas) {
      if (const auto bad = FillPoints(sigmas->data(), sigma))
        throw py::value_error("sigmas of atom " + std::to_string(*bad) + " are not finite");
    }
    py::gil_scoped_release release;
    ExtendedEnvironmentScope environment;
    return SummariseCage(coords, sigma, settings, frameNumber);
  });
  const std::vector<SummaryColumn> columns = CageColumns(settings.monteCarloDraws > 0);
  TupleWriter row(columns);
  MarkOpenCage(summary, openBonds, "give the cage's atoms with cage=[...]");
  WriteCageFields(summary, {cage, static_cast<int>(atoms)}, settings.monteCarloDraws > 0, row);
  return {row.Finish(), Doubles(summary.coefficients), Doubles(summary.coefficientErrors)};
}

/// Runs `work(index)` for every index below `count` on `jobs` threads (the calling one alone
/// for one job); rethrows the first exception a thread met once all have stopped.
template <typename Work>
void RunOnThreads(py::ssize_t count, int jobs, const Work& work) {
  std::atomic<py::ssize_t> next{0};
  std::exception_ptr failure;
  std::mutex failureMutex;
  auto run = [&] {
    ExtendedEnvironmentScope environment;
    try {
      for (py::ssize_t index = next++; index < count; index = next++) work(index);
    } catch (...) {
      std::lock_guard lock(failureMutex);
      if (!failure) failure = std::current_exception();
      next = count;
    }
  };
  if (jobs <= 1 || count <= 1) {
    run();
  } else {
    std::vector<std::thread> threads;
    for (int n = 0; n < jobs; ++n) threads.emplace_back(run);
    for (std::thread& thread : threads) thread.join();
  }
  if (failure) std::rethrow_exception(failure);
}

/// Every frame of an F×N×3 array: a dict of one array per column.
py::dict AnalyseFrames(const py::handle& framesValue, const py::handle& sigmasValue,
                       const SummarySettings& settings, int jobs,
                       const py::handle& frameNumbersValue) {
  const Coordinates frames = RealArray(framesValue, "frames");
  if (frames.ndim() != 3 || frames.shape(2) != 3) {
    throw py::value_error("frames must be an array of shape (F, N, 3), not " +
                          ShapeText(frames));
  }
  const py::ssize_t atoms = AtomsOf(frames, "frames", 1, "(F, N, 3)", false);
  const py::ssize_t count = frames.shape(0);
  std::optional<Coordinates> sigmas;
  bool sigmaPerFrame = false;
  if (!sigmasValue.is_none()) {
    sigmas = RealArray(sigmasValue, "sigmas");
    sigmaPerFrame = sigmas->ndim() == 3;
    const bool fits = sigmaPerFrame ? sigmas->shape(0) == count && sigmas->shape(1) == atoms &&
                                          sigmas->shape(2) == 3
                                    : sigmas->ndim() == 2 && sigmas->shape(0) == atoms &&
                                          sigmas->shape(1) == 3;
    if (!fits) {
      throw py::value_error("sigmas must have the shape (N, 3) or (F, N, 3) of frames " +
                            ShapeText(frames) + ", not " + ShapeText(*sigmas));
    }
  }
  std::vector<long long> frameNumbers(count);
  if (frameNumbersValue.is_none()) {
    for (py::ssize_t f = 0; f < count; ++f) frameNumbers[f] = f + 1;
  } else {
    const auto numbers =
        py::array_t<long long, py::array::c_style | py::array::forcecast>::ensure(frameNumbersValue);
    if (!numbers || numbers.ndim() != 1 || numbers.shape(0) != count)
      throw py::value_error("frame numbers must be a vector of one number per frame");
    for (py::ssize_t f = 0; f < count; ++f) frameNumbers[f] = numbers.data()[f];
  }
  if (jobs <= 0) jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));

  const bool monteCarlo = settings.monteCarloDraws > 0;
  ColumnTable table(monteCarlo, count);
  const double* frameData = frames.data();
  const double* sigmaData = sigmas ? sigmas->data() : nullptr;
  {
    py::gil_scoped_release release;
    RunOnThreads(count, jobs, [&](py::ssize_t f) {
      RowWriter row(table, f);
      WithPointSets(atoms, [&](auto& coords, auto& sigma) {
        std::optional<py::ssize_t> bad = FillPoints(frameData + f * atoms * 3, coords);
        std::string what = "a coordinate";
        if (sigmaData && !bad) {
          bad = FillPoints(sigmaData + (sigmaPerFrame ? f * atoms * 3 : 0), sigma);
          what = "an uncertainty";
        }
        if (bad) {
          WriteUnanalysedFields(SummaryStatus::Unreadable,
                                "atom " + std::to_string(*bad) + " has " + what +
                                    " that is not finite",
                                monteCarlo, row);
          return;
        }
        WriteCageFields(SummariseCage(coords, sigma, settings, frameNumbers[f]),
                        {1, static_cast<int>(atoms)}, monteCarlo, row);
      });
    });
  }
  return table.Finish();
}

/// The `auto` rule on a structure: [(0-based atom indices, open bonds)], or the message of
/// what was found when there is no cage.
std::tuple<std::vector<std::pair<py::array_t<std::int64_t>, int>>, std::string> FindCagesOf(
    const std::vector<std::string>& symbols, const py::handle& positionsValue, double bondCutoff) {
  const Coordinates positions = RealArray(positionsValue, "positions");
  const py::ssize_t count = static_cast<py::ssize_t>(symbols.size());
  if (positions.ndim() != 2 || positions.shape(1) != 3 || positions.shape(0) != count) {
    throw py::value_error("positions must be an array of shape (" + std::to_string(count) +
                          ", 3), one row per symbol, not " + ShapeText(positions));
  }
  if (!(bondCutoff > 0) || !std::isfinite(bondCutoff))
    throw py::value_error("bond_cutoff must be a finite number above 0");
  std::vector<FrameAtom> atoms(count);
  for (py::ssize_t i = 0; i < count; ++i) {
    const double* p = positions.data() + 3 * i;
    atoms[i] = {IsCarbonSymbol(symbols[i]), p[0], p[1], p[2]};
  }
  CageSearch search;
  {
    py::gil_scoped_release release;
    search = FindCages(atoms, {.bondCutoff = bondCutoff});
  }
  std::vector<std::pair<py::array_t<std::int64_t>, int>> cages;
  for (const FoundCage& cage : search.cages) {
    py::array_t<std::int64_t> indices(static_cast<py::ssize_t>(cage.atoms.size()));
    std::copy(cage.atoms.begin(), cage.atoms.end(), indices.mutable_data());
    cages.emplace_back(std::move(indices), cage.openBonds);
  }
  return {std::move(cages), search.message};
}

/// One frame of a file as Python gets it: (symbols, positions, sigmas, comment, notes).
using ReadFrame = std::tuple<std::vector<std::string>, py::array_t<double>, py::array_t<double>,
                             std::string, std::vector<std::string>>;

/// A frame's atoms in plain values, while the GIL is released.
struct PlainFrame {
  std::vector<std::string> symbols;
  std::vector<double> positions, sigmas;  ///< N×3, C order
  std::string comment;
  std::vector<std::string> notes;

  void Add(const std::string& symbol, const std::array<double, 3>& position,
           const std::array<double, 3>& sigma) {
    symbols.push_back(symbol);
    positions.insert(positions.end(), position.begin(), position.end());
    sigmas.insert(sigmas.end(), sigma.begin(), sigma.end());
  }
};

/// The frames of a plain XYZ text, read as the summary reads them but with every atom; a
/// frame that breaks the layout is a ValueError naming it.
std::vector<PlainFrame> ReadXyzFrames(const std::string& bytes, const std::string& source) {
  std::istringstream stream(bytes);
  FrameReader reader(stream);
  std::vector<PlainFrame> frames;
  CageFrame frame;
  while (reader.Next(frame)) {
    if (frame.problem == FrameProblem::Unreadable)
      throw py::value_error(source + ": frame " + std::to_string(frame.frame) + ": " +
                            frame.message);
    PlainFrame& plain = frames.emplace_back();
    plain.comment = frame.comment;
    for (const FrameAtomLine& atom : frame.allAtoms) plain.Add(atom.symbol, atom.position, atom.sigma);
  }
  return frames;
}

/// The frames of a structure file: one per data block's molecules, model or frame.
std::vector<PlainFrame> ReadStructureFrames(const std::string& bytes, const std::string& source,
                                            StructureFormat format) {
  std::vector<Structure> structures;
  try {
    structures = ReadStructures(bytes, source, format);
  } catch (const StructureError& error) {
    throw py::value_error(error.what());
  }
  std::vector<PlainFrame> frames;
  for (const Structure& structure : structures) {
    for (const StructureFrame& frame : structure.frames) {
      PlainFrame& plain = frames.emplace_back();
      plain.comment = frame.name.empty() ? structure.name : structure.name + ", " + frame.name;
      plain.notes = frame.notes;
      for (const StructureAtom& atom : frame.atoms) plain.Add(atom.element, atom.position, atom.sigma);
    }
  }
  return frames;
}

py::array_t<double> AtomArray(const std::vector<double>& values) {
  py::array_t<double> array({static_cast<py::ssize_t>(values.size() / 3), py::ssize_t{3}});
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

/// The frames of a file's bytes in `format` ("xyz", "extxyz", "cif" or "pdb").
std::vector<ReadFrame> ReadFile(const py::bytes& data, const std::string& source,
                                const std::string& format) {
  const std::string bytes(data);
  const bool plainXyz = format == "xyz";
  StructureFormat kind = StructureFormat::Cif;
  if (format == "pdb") kind = StructureFormat::Pdb;
  else if (format == "extxyz") kind = StructureFormat::ExtendedXyz;
  else if (!plainXyz && format != "cif") throw py::value_error("unknown format " + format);
  std::vector<PlainFrame> plain;
  {
    // The readers' ValueErrors are plain C++ exceptions until they reach Python.
    py::gil_scoped_release release;
    plain = plainXyz ? ReadXyzFrames(bytes, source) : ReadStructureFrames(bytes, source, kind);
  }
  std::vector<ReadFrame> frames;
  for (PlainFrame& frame : plain) {
    frames.emplace_back(std::move(frame.symbols), AtomArray(frame.positions),
                        AtomArray(frame.sigmas), std::move(frame.comment), std::move(frame.notes));
  }
  return frames;
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

  py::class_<FitSettings>(m, "FitTexts", "The texts of the window's fit controls.")
      .def(py::init([](bool leastSquares, const std::string& inversePrecision,
                       const std::string& rotationPrecision, const std::string& cycles,
                       const std::string& start, const std::string& lambda,
                       const std::string& step) {
             return FitSettings{.inversePrecision = inversePrecision,
                                .rotationPrecision = rotationPrecision,
                                .leastSquares = leastSquares,
                                .cycles = cycles,
                                .start = start,
                                .lambda = lambda,
                                .step = step};
           }),
           py::arg("least_squares"), py::arg("inverse_precision"), py::arg("rotation_precision"),
           py::arg("cycles"), py::arg("start"), py::arg("lam"), py::arg("step"));

  m.def(
      "report",
      [](const py::bytes& text, const FitSettings& fit, bool transform, bool showCoords,
         bool diagonals) {
        WindowReportSettings settings;
        settings.fit = fit;
        settings.transformCoordinates = transform;
        settings.showCoordinates = showCoords;
        settings.diagonals = diagonals;
        return Report(std::string(text), settings);
      },
      py::arg("text"), py::arg("fit"), py::arg("transform"), py::arg("show_coords"),
      py::arg("diagonals"),
      "The window's reports of a coordinate text (bytes): (status, lines, notices).");

  py::class_<SummarySettings>(m, "Settings", "The settings of an analysis, read from texts.");
  m.def("settings", &MakeSettings, py::arg("fit"), py::arg("mc"), py::arg("seed"),
        "Settings from the window's texts; ValueError with the window's message for a text "
        "that is not a number.");
  m.def("columns", [](bool monteCarlo) {
        std::vector<std::pair<std::string, std::string>> columns;
        for (const SummaryColumn& column : CageColumns(monteCarlo)) {
          static const char* const types[] = {"text", "integer", "number", "atom"};
          columns.emplace_back(column.name, types[static_cast<int>(column.type)]);
        }
        return columns;
      },
      py::arg("monte_carlo"), "The summary's columns of a cage: [(name, type)].");
  m.def("analyse", &Analyse, py::arg("positions"), py::arg("sigmas"), py::arg("settings"),
        py::arg("frame_number") = 1, py::arg("cage") = 1, py::arg("open_bonds") = 0,
        "One cage: (row of the columns, coefficients A1..A9 or None, their errors or None); "
        "cage is its number in the frame, and a cage with open_bonds > 0 that is ok is "
        "open-cage.");
  m.def("find_cages", &FindCagesOf, py::arg("symbols"), py::arg("positions"),
        py::arg("bond_cutoff"),
        "The cages of a structure: ([(indices, open bonds)], message when there is none).");
  m.attr("DEFAULT_BOND_CUTOFF") = DefaultBondCutoff;
  m.def("read", &ReadFile, py::arg("data"), py::arg("source"), py::arg("format"),
        "The frames of a file's bytes: [(symbols, positions, sigmas, comment, notes)]; "
        "ValueError with the reader's message.");
  m.def("analyse_frames", &AnalyseFrames, py::arg("frames"), py::arg("sigmas"),
        py::arg("settings"), py::arg("jobs"), py::arg("frame_numbers") = py::none(),
        "Every frame: {column: array}; frame f keys its Monte Carlo draws by frame_numbers[f] "
        "(default f + 1).");
}
