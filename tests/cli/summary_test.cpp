// ovalon-report --summary: the CSV table and the command. The fit, the canonical form and the
// analysis of a cage are tested where they live; these tests check the table's layout, its
// statuses, threads and seeds, and that it reports the window's numbers.

#include "cli/summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "analysis/cagefinder.h"
#include "analysis/normalsampler.h"
#include "cli/reportcommand.h"
#include "cli/summarytext.h"
#include "examples/molecules.h"
#include "report/messages.h"
#include "structure/coordinatetext.h"
#include "structure/structure.h"
#include "tests/support/cages.h"
#include "tests/support/files.h"
#include "tests/support/points.h"
#include "tests/support/text.h"

namespace ovalon {
namespace {

const std::string DistortedExample = test::ExamplePath("c60_distorted.xyz");

using Row = std::vector<std::string>;

/// An RFC 4180 reader of its own, to read back what the summary wrote: records end with CR LF,
/// quoted fields may hold commas and doubled quotes.
std::vector<Row> ParseCsv(const std::string& text) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
      ++i;
    } else {
      field += c;
    }
  }
  EXPECT_TRUE(field.empty() && row.empty()) << "the last record has no CR LF";
  return rows;
}

struct SummaryRun {
  int status = 0;
  std::string out, err;
  std::vector<Row> rows;  ///< the header first

  /// The field of data row `row` (from 0) in the named column.
  const std::string& Field(size_t row, const std::string& column) const {
    const Row& header = rows.at(0);
    const auto found = std::find(header.begin(), header.end(), column);
    EXPECT_NE(found, header.end()) << column;
    return rows.at(row + 1).at(found - header.begin());
  }
  double Number(size_t row, const std::string& column) const {
    return std::strtod(Field(row, column).c_str(), nullptr);
  }
};

SummaryRun Summarise(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  SummaryRun run;
  run.status = RunSummaryCommand(args, in, out, err, false);
  run.out = out.str();
  run.err = err.str();
  if (run.out.rfind("file,", 0) == 0) run.rows = ParseCsv(run.out);
  return run;
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string Exact(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

/// A frame of 60 carbon atoms "C x y z", with uncertainties on the atom lines when given.
std::string FrameText(const PointSet& p, const std::string& comment,
                      const PointSet* sigma = nullptr) {
  std::string text = "60\n" + comment + "\n";
  for (int i = 1; i <= AtomCount; ++i) {
    text += "C " + Exact(p.X.at(i)) + " " + Exact(p.Y.at(i)) + " " + Exact(p.Z.at(i));
    if (sigma)
      text +=
          " " + Exact(sigma->X.at(i)) + " " + Exact(sigma->Y.at(i)) + " " + Exact(sigma->Z.at(i));
    text += "\n";
  }
  return text;
}

TEST(SummariseCage, ReportsTheWindowsNumbers) {
  // The window's characteristics report of the same file: "Длины осей" (15 digits),
  // "Experimental ABC" (10 digits), volume, surfaces and radii (7 significant digits).
  std::ostringstream out, err;
  ASSERT_EQ(RunReportCommand({DistortedExample}, out, err), 0) << err.str();
  std::vector<std::string> lines;
  std::istringstream report(out.str());
  for (std::string line; std::getline(report, line);) lines.push_back(line);
  const auto at = std::find(lines.begin(), lines.end(), "Длины осей:") - lines.begin();
  ASSERT_LT(at + 3, static_cast<long>(lines.size()));
  std::vector<double> semi;
  for (int k = 1; k <= 3; ++k) semi.push_back(std::strtod(lines[at + k].c_str(), nullptr));
  std::sort(semi.begin(), semi.end(), std::greater<>());
  const auto abc = std::find(lines.begin(), lines.end(), "Experimental ABC") - lines.begin();
  std::vector<std::pair<double, double>> withErrors;
  for (int k = 1; k <= 3; ++k) {
    const std::string& line = lines[abc + k];
    withErrors.emplace_back(std::strtod(line.c_str() + 1, nullptr),
                            std::strtod(line.c_str() + line.find("± ") + 3, nullptr));
  }
  std::sort(withErrors.begin(), withErrors.end(), std::greater<>());
  auto measure = [&](const std::string& prefix) {
    for (const std::string& line : lines)
      if (line.rfind(prefix, 0) == 0) return std::strtod(line.c_str() + prefix.size(), nullptr);
    ADD_FAILURE() << prefix;
    return 0.0;
  };

  const SummaryRun run = Summarise({DistortedExample});
  ASSERT_EQ(run.status, 0) << run.err;
  const char* semiColumns[] = {"a", "b", "c"};
  const char* sigmaColumns[] = {"sigma_a", "sigma_b", "sigma_c"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(run.Number(0, semiColumns[k]), semi[k], 5e-15 * semi[k]);
    EXPECT_NEAR(run.Number(0, sigmaColumns[k]), withErrors[k].second, 5e-10 * withErrors[k].second);
  }
  EXPECT_NEAR(run.Number(0, "volume"), measure("Обьем эллипсоида: "), 1e-4);
  EXPECT_NEAR(run.Number(0, "radius_volume"), measure("Соответвующий радиус сферы по объему: "),
              1e-5);
  EXPECT_NEAR(run.Number(0, "surface_thomsen"), measure("Площадь поверхности эллипсоида: "), 1e-4);
  EXPECT_NEAR(run.Number(0, "radius_surface_thomsen"),
              measure("Соответвующий радиус сферы по площади поверхности: "), 1e-5);
  const std::string centre =
      lines[std::find(lines.begin(), lines.end(), "Центр эллипсоида до преобразований:") -
            lines.begin() + 1];
  EXPECT_NEAR(run.Number(0, "centre_x"), std::strtod(centre.c_str() + 4, nullptr), 1e-14);
}

TEST(Summary, HeaderAndFieldSpelling) {
  EXPECT_EQ(SummaryHeader(false),
            "file,frame,line,comment,cage,atoms,status,message,centre_x,centre_y,centre_z,a,b,c,sigma_a,"
            "sigma_b,sigma_c,axis_a_x,axis_a_y,axis_a_z,axis_b_x,axis_b_y,axis_b_z,axis_c_x,"
            "axis_c_y,axis_c_z,volume,surface_thomsen,surface_exact,radius_volume,"
            "radius_surface_thomsen,radius_surface_exact,eccentricity_b,eccentricity_c,residual,"
            "chord,chord_start_atom,chord_end_atom,ellipsoid,lin_sd_a,lin_sd_b,lin_sd_c,"
            "lin_sd_volume,lin_sd_surface_exact,lin_sd_centre_x,lin_sd_centre_y,lin_sd_centre_z,"
            "fit_sd_a,fit_sd_b,fit_sd_c,fit_sd_volume,fit_sd_surface_exact,fit_sd_centre_x,"
            "fit_sd_centre_y,fit_sd_centre_z");
  EXPECT_EQ(SummaryHeader(true), SummaryHeader(false) +
                                     ",mc_draws,mc_sd_a,mc_sd_b,mc_sd_c,mc_sd_volume,"
                                     "mc_sd_surface_exact");
  const std::pair<std::string, std::string> texts[] = {
      {"plain text", "plain text"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {" padded", "\" padded\""},
      {"tab\t", "\"tab\t\""},
      {"", ""},
      // Bytes that are not UTF-8 (Latin-1 "é", a lone 0xFF, a cut sequence) become U+FFFD.
      {"caf\xE9", "caf\xEF\xBF\xBD"},
      {"\xFF,\xD0", "\"\xEF\xBF\xBD,\xEF\xBF\xBD\""},
      {"Жук", "Жук"},
  };
  for (const auto& [text, field] : texts) EXPECT_EQ(CsvText(text), field);
  const std::pair<double, std::string> numbers[] = {
      {0.1, "0.1"}, {-3.25, "-3.25"},  {1e-5, "1e-05"},     {123456789012.0, "123456789012"},
      {NAN, "nan"}, {INFINITY, "inf"}, {-INFINITY, "-inf"},
  };
  for (const auto& [value, text] : numbers) EXPECT_EQ(CsvNumber(value), text);
  // Every finite value reads back exactly, whatever its magnitude.
  NormalSampler normal(3, 4);
  for (int n = 0; n < 2000; ++n) {
    const double value = normal.Next() * std::pow(10.0, n % 601 - 300);
    EXPECT_EQ(std::strtod(CsvNumber(value).c_str(), nullptr), value) << CsvNumber(value);
  }
}

TEST(Summary, ABadFrameInTheMiddleGetsItsOwnRow) {
  test::Rotation identity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  const PointSet stretched = test::EllipsoidPoints({4, 3.5, 3.2}, identity, {0.5, 0, 0});
  const PointSet sphere = test::EllipsoidPoints({2, 2, 2}, identity, {1, 2, 3});
  std::string comma = "60\nshort, 60 atoms\n";
  for (int k = 1; k <= 60; ++k) comma += "C " + std::to_string(k) + (k == 2 ? ",5" : "") + " 0 0\n";
  const std::string path =
      WriteTemp("middle.xyz", FrameText(stretched, "one") + comma + FrameText(sphere, "three"));
  // Points on ellipsoids are no fullerene: their carbon atoms are taken as the cage.
  const SummaryRun run = Summarise({"--summary", "--cage", "carbon", path});
  EXPECT_EQ(run.status, SummarySomeFailed);
  EXPECT_EQ(run.err,
            "ovalon-report: 1 of 3 rows were not analysed; their status and message columns say "
            "why\n");
  ASSERT_EQ(run.rows.size(), 4u);
  const std::string csv = run.out;
  const size_t first = csv.find("\r\n") + 2;  // after the header
  const size_t second = csv.find("\r\n", first) + 2;
  // Built by hand: 4 placement fields, empty cage and atoms, status and message, and 47 empty
  // fields make the 55 columns.
  EXPECT_EQ(csv.substr(second, csv.find("\r\n", second) - second),
            path + ",2,63,\"short, 60 atoms\",,,unreadable,\"line 66: \"\"2,5\"\" is not a number\"" +
                std::string(47, ','));
  EXPECT_EQ(run.Field(0, "status"), "ok");
  EXPECT_EQ(run.Field(2, "status"), "ok");
  EXPECT_EQ(run.Field(2, "line"), "125");
  // The good frames are the same as when they are summarised alone.
  const SummaryRun alone =
      Summarise({"--cage", "carbon", WriteTemp("one.xyz", FrameText(stretched, "one"))});
  EXPECT_EQ(std::vector<std::string>(run.rows[1].begin() + 3, run.rows[1].end()),
            std::vector<std::string>(alone.rows[1].begin() + 3, alone.rows[1].end()));
  for (const char* column : {"a", "b", "c", "radius_volume", "radius_surface_exact"})
    EXPECT_NEAR(run.Number(2, column), 2, 1e-12) << column;
  EXPECT_NEAR(run.Number(2, "surface_exact"), 16 * std::numbers::pi, 1e-11);
  EXPECT_NEAR(run.Number(2, "centre_z"), 3, 1e-12);
  EXPECT_NEAR(run.Number(0, "a"), 4, 1e-12);
  EXPECT_EQ(run.Field(0, "ellipsoid"), "1");
}

TEST(Summary, EncodingsGiveTheSameRows) {
  test::Rotation identity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  const std::string text = FrameText(test::EllipsoidPoints({3, 2, 1}, identity, {0, 0, 0}), "Жук");
  const SummaryRun utf8 = Summarise({"--cage", "carbon", "-"}, text);
  ASSERT_EQ(utf8.rows.size(), 2u);
  EXPECT_EQ(utf8.Field(0, "status"), "ok");
  EXPECT_EQ(utf8.Field(0, "comment"), "Жук");
  for (const std::string& encoded :
       {"\xEF\xBB\xBF" + text, test::Utf16(text, false), test::Utf16(text, true)})
    EXPECT_EQ(Summarise({"--cage", "carbon", "-"}, encoded).out, utf8.out);
}

TEST(Summary, StandardInputAndStatuses) {
  test::Rotation identity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  const PointSet sphere = test::EllipsoidPoints({2, 2, 2}, identity, {0, 0, 0});
  // A hyperboloid of one sheet, x²/4 + y²/4 − z² = 1: points (2·cosh t·cos φ, 2·cosh t·sin φ,
  // sinh t) on 6 rings of 10.
  PointSet hyperboloid;
  for (int i = 1; i <= AtomCount; ++i) {
    const double t = -1 + 0.4 * ((i - 1) / 10), phi = 0.6 * i;
    hyperboloid.X.at(i) = 2 * std::cosh(t) * std::cos(phi);
    hyperboloid.Y.at(i) = 2 * std::cosh(t) * std::sin(phi);
    hyperboloid.Z.at(i) = std::sinh(t);
  }
  // A line that is not a count before the first frame is a record of its own.
  const std::string input = "not a frame\n" + FrameText(sphere, "sphere") +
                            FrameText(hyperboloid, "hyperboloid") + FrameText(PointSet(), "zeros");
  const SummaryRun run = Summarise({"--cage", "carbon", "-"}, input);
  ASSERT_EQ(run.rows.size(), 5u) << run.out;
  EXPECT_EQ(run.status, SummarySomeFailed);
  EXPECT_EQ(run.Field(0, "file"), "-");
  EXPECT_EQ(run.Field(0, "status"), "unreadable");
  EXPECT_EQ(run.Field(0, "message"),
            "line 1: expected the atom count of a frame, found \"not a frame\"");
  EXPECT_EQ(run.Field(1, "status"), "ok");
  EXPECT_EQ(run.Field(1, "line"), "2");
  EXPECT_EQ(run.Field(2, "status"), "not-ellipsoid");
  EXPECT_EQ(run.Field(2, "message"),
            "not an ellipsoid: the eigenvalues have both signs: the quadric is a hyperboloid or a "
            "cone");
  EXPECT_EQ(run.Field(2, "ellipsoid"), "0");
  EXPECT_EQ(run.Field(2, "a"), "");
  EXPECT_EQ(run.Field(2, "volume"), "");
  EXPECT_NEAR(run.Number(2, "centre_z"), 0, 1e-12);
  EXPECT_EQ(run.Field(3, "status"), "no-fit");
  EXPECT_EQ(run.Field(3, "chord"), "0");
  EXPECT_EQ(run.Field(3, "chord_start_atom"), "");

  // Every inversion is singular to a precision of 1E10; the chord does not need one.
  const SummaryRun singular =
      Summarise({"--cage", "carbon", "--inverse-precision", "1E10", "-"}, input);
  EXPECT_EQ(singular.Field(1, "status"), "singular");
  EXPECT_EQ(singular.Field(1, "message"), SingularMatrixMessage);
  EXPECT_EQ(singular.Field(1, "residual"), "");
  EXPECT_NEAR(singular.Number(1, "chord"), 4, 0.05);

  // Levenberg–Marquardt reaches the least-squares semi-axes; it estimates no uncertainties.
  const std::string sphereOnly = FrameText(sphere, "sphere");
  const SummaryRun lm =
      Summarise({"--cage", "carbon", "--method=lm", "--cycles", "40", "-"}, sphereOnly);
  EXPECT_EQ(lm.Field(0, "status"), "ok");
  EXPECT_NEAR(lm.Number(0, "a"), 2, 1e-9);
  EXPECT_EQ(lm.Field(0, "sigma_a"), "");

  // A file that cannot be opened has a row of its own; the next file is still read.
  const SummaryRun missing =
      Summarise({"--cage", "carbon", "/nonexistent/trajectory.xyz", "-"}, sphereOnly);
  ASSERT_EQ(missing.rows.size(), 3u);
  EXPECT_EQ(missing.Field(0, "status"), "file-error");
  EXPECT_EQ(missing.Field(0, "message"), "cannot open the file: No such file or directory");
  EXPECT_EQ(missing.Field(1, "status"), "ok");
  EXPECT_EQ(missing.status, SummarySomeFailed);

  // The dispatch of ovalon-report, and exit status 0 when every frame was analysed.
  const std::string file = WriteTemp("sphere.xyz", sphereOnly);
  std::ostringstream out, err;
  EXPECT_EQ(RunReportCommand({"--summary", "--cage=carbon", file}, out, err), 0) << err.str();
  EXPECT_EQ(out.str(), Summarise({"--cage", "carbon", file}).out);
}

TEST(Summary, UsageErrors) {
  const std::string file = WriteTemp("usage.xyz", "");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;  // the start of standard error
  };
  const std::vector<Case> cases = {
      {{}, 2, "ovalon-report: no FILE given"},
      {{"--mc", "many", file}, 2, "ovalon-report: --mc needs a whole number from 0 to"},
      {{"--jobs", "0", file}, 2, "ovalon-report: --jobs needs a whole number from 1 to 1024"},
      {{"--seed=-1", file}, 2, "ovalon-report: --seed needs a whole number"},
      {{"--show-coords", file}, 2, "ovalon-report: --show-coords has no effect with --summary"},
      {{"--frobnicate", file}, 2, "ovalon-report: unknown option --frobnicate"},
      {{"--inverse-precision", "1,5", file}, 2, "Проверьте правильности введенных данных!\n"},
      {{"--method", "lm", "--cycles", "1E10", file},
       2,
       "Проверьте правильности введенных данных!\n"},
      // As in the window, the Levenberg–Marquardt fields are not read for least squares.
      {{"--cycles", "abc", file}, 0, ""},
  };
  for (const Case& c : cases) {
    const SummaryRun run = Summarise(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
  }
  const SummaryRun help = Summarise({"--summary", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: ovalon-report --summary [options] FILE...\n", 0), 0u);
  EXPECT_NE(help.out.find("axis_a_x"), std::string::npos);
  EXPECT_NE(help.out.find("lin_sd_centre_z"), std::string::npos);
  EXPECT_NE(help.out.find("fit_sd_a ... fit_sd_centre_z"), std::string::npos);
}

TEST(MonteCarlo, OutputDoesNotDependOnThreadsButOnTheSeed) {
  // 24 frames, with a bad frame among them, and uncertainties on the atom lines.
  const PointSet cage = test::NoisyCage();
  PointSet sigma;
  sigma.X.data.fill(0.003);
  sigma.Y.data.fill(0.002);
  sigma.Z.data.fill(0.001);
  std::string input;
  for (int f = 1; f <= 24; ++f) {
    PointSet frame = cage;
    for (int i = 1; i <= AtomCount; ++i) frame.X.at(i) *= 1 + 0.001 * f;
    input += f == 9 ? "3\nbad\nC 1 2 3\nC 1 2 3\nC 1 2 3\n"
                    : FrameText(frame, "frame " + std::to_string(f), &sigma);
  }
  const SummaryRun one = Summarise({"--cage=carbon", "--mc", "20", "--seed", "7", "--jobs", "1", "-"}, input);
  const SummaryRun two = Summarise({"--cage=carbon", "--mc", "20", "--seed", "7", "--jobs", "2", "-"}, input);
  const SummaryRun five = Summarise({"--cage=carbon", "--mc=20", "--seed=7", "--jobs=5", "-"}, input);
  ASSERT_EQ(one.rows.size(), 25u);
  EXPECT_EQ(one.status, SummarySomeFailed);
  EXPECT_EQ(one.out, two.out);
  EXPECT_EQ(one.out, five.out);
  EXPECT_EQ(one.Field(8, "status"), "too-few-atoms");
  EXPECT_EQ(one.Field(23, "mc_draws"), "20");

  const SummaryRun reseeded = Summarise({"--cage=carbon", "--mc", "20", "--seed", "8", "-"}, input);
  EXPECT_NE(one.Field(0, "mc_sd_a"), reseeded.Field(0, "mc_sd_a"));
  EXPECT_EQ(one.Field(0, "a"), reseeded.Field(0, "a"));
}


/// A model structure as one XYZ frame.
std::string XyzText(const examples::Molecule& molecule, const std::string& comment) {
  std::string text;
  for (const std::string& line : examples::XyzLines(molecule, comment)) text += line + "\n";
  return text;
}

/// The fields of every row from "cage" on, the ones that do not depend on where the row's
/// frame was read.
std::vector<Row> AnalysisFields(const SummaryRun& run) {
  std::vector<Row> rows;
  for (size_t r = 1; r < run.rows.size(); ++r)
    rows.emplace_back(run.rows[r].begin() + 4, run.rows[r].end());
  return rows;
}

TEST(CageDetection, FindsTheCagesOfEachFrame) {
  using namespace examples;
  examples::Molecule open59 = C60();
  open59.pop_back();
  examples::Molecule scattered;
  for (int k = 0; k < 30; ++k) scattered.push_back({"C", {3.0 * (k % 5), 3.0 * (k / 5), 0}});
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> statuses;  // one per row
    std::vector<std::string> atoms;
    std::string message;  // the start of the first row's message
  };
  const std::vector<Case> cases = {
      {"C70", test::ReadFile(test::ExamplePath("c70.xyz")), {"ok"}, {"70"}, ""},
      {"C84", test::ReadFile(test::ExamplePath("c84.xyz")), {"ok"}, {"84"}, ""},
      // The guest (N and three Sc) is left out.
      {"Sc3N@C80", test::ReadFile(test::ExamplePath("sc3n_c80.xyz")), {"ok"}, {"80"}, ""},
      // Two toluenes left out; of the methanofullerene only its 60 cage atoms.
      {"C60, toluenes and a PCBM-like adduct", test::ReadFile(test::ExamplePath("c60_toluene_pcbm.xyz")),
       {"ok", "ok"}, {"60", "60"}, ""},
      {"methano adduct", XyzText(MethanoC60Adduct(), "adduct"), {"ok"}, {"60"}, ""},
      // The four-membered ring that joins the cages is no face of either.
      {"[2+2] dimer", XyzText(C60Dimer(), "dimer"), {"ok", "ok"}, {"60", "60"}, ""},
      // The hole is bordered by a pentagon's 3 and two hexagons' 4 remaining bonds.
      {"one atom missing", XyzText(open59, "59"), {"open-cage"}, {"59"},
       "11 bonds of the cage are not in exactly two of its rings: atoms are missing, or an "
       "addend's ring is fused onto it; give the cage's atoms with --cage-atoms"},
      // The cyclohexene ring shares a bond with the cage and joins its ring system.
      {"Diels-Alder adduct", XyzText(DielsAlderC60Adduct(), "adduct"), {"open-cage"}, {"64"}, ""},
      {"scattered carbon atoms", XyzText(scattered, "grid"), {"no-cage"}, {""},
       "30 carbon atoms, no ring system of at least 20 atoms"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SummaryRun run = Summarise({"-"}, c.text);
    ASSERT_EQ(run.rows.size(), c.statuses.size() + 1) << run.out;
    for (size_t r = 0; r < c.statuses.size(); ++r) {
      EXPECT_EQ(run.Field(r, "status"), c.statuses[r]) << run.Field(r, "message");
      EXPECT_EQ(run.Field(r, "atoms"), c.atoms[r]);
      EXPECT_EQ(run.Field(r, "cage"), c.statuses[r] == "no-cage" ? "" : std::to_string(r + 1));
    }
    EXPECT_EQ(run.Field(0, "message").rfind(c.message, 0), 0u) << run.Field(0, "message");
    // open-cage rows are analysed; no-cage rows are not.
    EXPECT_EQ(run.status, c.statuses[0] == "no-cage" ? SummarySomeFailed : SummaryAllAnalysed);
  }
}

TEST(CageDetection, C70IsProlateAlongItsFiveFoldAxis) {
  const SummaryRun run = Summarise({test::ExamplePath("c70.xyz")});
  ASSERT_EQ(run.rows.size(), 2u);
  // The model C70 is about 8.0 Å long and 7.1 Å wide: a clearly longer than b, b and c equal
  // as far as the relaxed model keeps its five-fold symmetry (about 1e-7 Å), a along z.
  EXPECT_GT(run.Number(0, "a") - run.Number(0, "b"), 0.3);
  EXPECT_NEAR(run.Number(0, "b"), run.Number(0, "c"), 1e-6);
  EXPECT_NEAR(std::abs(run.Number(0, "axis_a_z")), 1, 1e-12);
  // Chord atoms are atom lines of the frame, all atoms counted.
  const SummaryRun frame = Summarise({test::ExamplePath("c60_toluene_pcbm.xyz")});
  for (const char* end : {"chord_start_atom", "chord_end_atom"}) {
    EXPECT_GE(std::stoi(frame.Field(1, end)), 91);
    EXPECT_LE(std::stoi(frame.Field(1, end)), 150);
  }
}

TEST(CageDetection, CarbonAndListedRules) {
  const std::string path = test::ExamplePath("c60_toluene_pcbm.xyz");
  const SummaryRun automatic = Summarise({path});
  // The frame: a toluene (15 atoms), C60, a second toluene, then the adduct with its 60 cage
  // atoms first (lines 91 to 150).
  const SummaryRun listed = Summarise({"--cage-atoms", "91-150", path});
  ASSERT_EQ(listed.rows.size(), 2u);
  Row fromAuto = AnalysisFields(automatic)[1], fromList = AnalysisFields(listed)[0];
  EXPECT_EQ(fromAuto[0], "2");
  fromAuto[0] = "1";  // the only cage of the listed rule
  EXPECT_EQ(fromList, fromAuto);
  // --cage carbon takes every carbon atom: two cages of 60, two toluenes of 7 and the addend's
  // 12 (the bridge, the phenyl ring, three CH2, the carbonyl and the methyl).
  const SummaryRun carbon = Summarise({"--cage", "carbon", path});
  ASSERT_EQ(carbon.rows.size(), 2u);
  EXPECT_EQ(carbon.Field(0, "atoms"), "146");
  // A listed atom beyond the frame: that frame's row says so, the run goes on.
  const SummaryRun beyond = Summarise({"--cage-atoms", "1-60,61", test::ExamplePath("c70.xyz"),
                                       test::ExamplePath("c60_ideal.xyz")});
  ASSERT_EQ(beyond.rows.size(), 3u);
  EXPECT_EQ(beyond.Field(0, "status"), "ok");
  EXPECT_EQ(beyond.Field(0, "atoms"), "61");
  EXPECT_EQ(beyond.Field(1, "status"), "no-cage");
  EXPECT_EQ(beyond.Field(1, "message"), "atom 61 is listed, but the frame has 60 atoms");
  EXPECT_EQ(beyond.status, SummarySomeFailed);
  // Too few listed atoms for the fit.
  const SummaryRun few = Summarise({"--cage-atoms", "1-8", test::ExamplePath("c70.xyz")});
  EXPECT_EQ(few.Field(0, "status"), "too-few-atoms");
  EXPECT_EQ(few.Field(0, "atoms"), "8");
}

TEST(CageDetection, OptionErrors) {
  const std::string file = test::ExamplePath("c70.xyz");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--cage", "fullerene", file}, "--cage must be auto|carbon, not \"fullerene\""},
      {{"--cage-atoms", "1-", file}, "--cage-atoms: \"1-\" is not an atom number or a range"},
      {{"--cage-atoms", "5-3", file}, "--cage-atoms: \"5-3\": the range ends before it starts"},
      {{"--cage-atoms", "1-5,3", file}, "--cage-atoms: atom 3 is listed twice"},
      {{"--cage-atoms", "", file}, "--cage-atoms: the atom list is empty"},
      {{"--cage", "carbon", "--cage-atoms", "1-60", file},
       "--cage and --cage-atoms exclude each other"},
      {{"--bond-cutoff", "0", file}, "--bond-cutoff needs a distance in angstrom above 0"},
      {{"--bond-cutoff", "4.5", file}, "--bond-cutoff needs a distance in angstrom above 0"},
      {{"--bond-cutoff", "1,8", file}, "--bond-cutoff needs a distance in angstrom above 0"},
      {{"--bond-cutoff", "inf", file}, "--bond-cutoff needs a distance in angstrom above 0"},
      {{"--format", "xml", file}, "--format must be csv|json|table, not \"xml\""},
      {{"--input-format", "mol2", file},
       "--input-format must be xyz|extxyz|cif|pdb|mmcif, not \"mol2\""},
      {{"--quiet=yes", file}, "option --quiet takes no value"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args[1]);
    const SummaryRun run = Summarise(args);
    EXPECT_EQ(run.status, SummaryUsageError);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("ovalon-report: " + message, 0), 0u) << run.err;
  }
  // A longer cutoff within the limit still finds C70 alone.
  EXPECT_EQ(Summarise({"--bond-cutoff", "1.6", file}).Field(0, "atoms"), "70");
}

/// A reader of the JSON Lines the summary writes: objects of strings, numbers and null, one a
/// line. Values keep their spelling; null becomes "null", a string its unescaped text.
std::vector<std::vector<std::pair<std::string, std::string>>> ParseJsonLines(
    const std::string& text) {
  std::vector<std::vector<std::pair<std::string, std::string>>> rows;
  size_t i = 0;
  const auto readString = [&] {
    std::string value;
    EXPECT_EQ(text[i], '"');
    for (++i; text[i] != '"'; ++i) {
      if (text[i] != '\\') {
        value += text[i];
        continue;
      }
      const char escaped = text[++i];
      const std::map<char, char> simple = {{'"', '"'}, {'\\', '\\'}, {'n', '\n'}, {'r', '\r'},
                                           {'t', '\t'}};
      if (escaped == 'u') {
        value += static_cast<char>(std::stoi(text.substr(i + 1, 4), nullptr, 16));
        i += 4;
      } else {
        value += simple.at(escaped);
      }
    }
    ++i;
    return value;
  };
  while (i < text.size()) {
    EXPECT_EQ(text[i++], '{');
    auto& row = rows.emplace_back();
    while (text[i] != '}') {
      if (text[i] == ',') ++i;
      const std::string name = readString();
      EXPECT_EQ(text[i++], ':');
      std::string value;
      if (text[i] == '"') {
        value = readString();
      } else {
        const size_t end = text.find_first_of(",}", i);
        value = text.substr(i, end - i);
        i = end;
      }
      row.emplace_back(name, value);
    }
    EXPECT_EQ(text.substr(i, 2), "}\n");
    i += 2;
  }
  return rows;
}

TEST(SummaryFormats, OneFrameInEachFormat) {
  // A frame whose rule finds no cage: every field past the message is empty. The comment holds
  // what each format must escape.
  const std::string input = "2\nsay \"hi\", \\ ok\tend\nC 0 0 0\nO 1 1 1\n";
  const std::string message = "1 carbon atom, no ring system of at least 20 atoms";
  const std::string header = SummaryHeader(false);
  std::vector<std::string> names;
  for (size_t start = 0, comma; start <= header.size(); start = comma + 1) {
    comma = header.find(',', start);
    if (comma == std::string::npos) comma = header.size();
    names.push_back(header.substr(start, comma - start));
  }
  ASSERT_EQ(names.size(), 55u);

  const SummaryRun csv = Summarise({"-"}, input);
  EXPECT_EQ(csv.out, header + "\r\n-,1,1,\"say \"\"hi\"\", \\ ok\tend\",,,no-cage,\"" + message +
                         "\"" + std::string(47, ',') + "\r\n");

  std::string json = "{\"file\":\"-\",\"frame\":1,\"line\":1,\"comment\":\"say \\\"hi\\\", \\\\ ok\\tend\","
                     "\"cage\":null,\"atoms\":null,\"status\":\"no-cage\",\"message\":\"" +
                     message + "\"";
  for (size_t k = 8; k < names.size(); ++k) json += ",\"" + names[k] + "\":null";
  EXPECT_EQ(Summarise({"--format", "json", "-"}, input).out, json + "}\n");

  // Names padded to the longest, radius_surface_thomsen (22 characters), and two spaces; an
  // empty value leaves the name alone on its line.
  const auto line = [](const std::string& name, const std::string& value) {
    return value.empty() ? name + "\n" : name + std::string(24 - name.size(), ' ') + value + "\n";
  };
  const auto table = [&](const std::string& frame, const std::string& firstLine) {
    std::string text = line("file", "-") + line("frame", frame) + line("line", firstLine) +
                       line("comment", "say \"hi\", \\ ok\tend") + line("cage", "") +
                       line("atoms", "") + line("status", "no-cage") + line("message", message);
    for (size_t k = 8; k < names.size(); ++k) text += line(names[k], "");
    return text;
  };
  // Two frames: their rows are separated by one empty line.
  EXPECT_EQ(Summarise({"--format=table", "-"}, input + input).out,
            table("1", "1") + "\n" + table("2", "5"));
}


TEST(SummaryFormats, AnAnalysedRowHasTheSameFieldsInEachFormat) {
  const std::string path = test::ExamplePath("c60_toluene_pcbm.xyz");
  const SummaryRun csv = Summarise({path});
  ASSERT_EQ(csv.rows.size(), 3u);
  const auto json = ParseJsonLines(Summarise({"--format", "json", path}).out);
  ASSERT_EQ(json.size(), 2u);
  const std::string table = Summarise({"--format", "table", path}).out;
  std::istringstream tableLines(table);
  std::string line;
  for (size_t r = 0; r < 2; ++r) {
    ASSERT_EQ(json[r].size(), csv.rows[0].size());
    for (size_t k = 0; k < json[r].size(); ++k) {
      const std::string& name = csv.rows[0][k];
      const std::string& field = csv.rows[r + 1][k];
      EXPECT_EQ(json[r][k].first, name);
      // Numbers keep their spelling, an empty one is null; texts are strings, maybe empty.
      const bool text = name == "file" || name == "comment" || name == "status" || name == "message";
      EXPECT_EQ(json[r][k].second, field.empty() && !text ? "null" : field) << name;
      ASSERT_TRUE(std::getline(tableLines, line));
      EXPECT_EQ(line, field.empty() ? name : name + std::string(24 - name.size(), ' ') + field);
    }
    if (r == 0) {
      ASSERT_TRUE(std::getline(tableLines, line));
      EXPECT_EQ(line, "");
    }
  }
  EXPECT_FALSE(std::getline(tableLines, line));
  // Values that are not finite stay JSON: strings, as the CSV spells them.
  const std::string infinite = Summarise({"--format", "json", "--cage", "carbon", "-"},
                                         FrameText(test::NoisyCage(), "x")).out;
  EXPECT_EQ(infinite.find("nan,"), std::string::npos);
  EXPECT_EQ(infinite.find(":inf"), std::string::npos);
}

TEST(SummaryProgress, ALineOnTheTerminalOnly) {
  const std::string path = test::ExamplePath("c60_frames.extxyz");
  const auto run = [&](std::vector<std::string> args, bool terminal) {
    std::istringstream in;
    std::ostringstream out, err;
    args.push_back(path);
    const int status = RunSummaryCommand(args, in, out, err, terminal);
    EXPECT_EQ(status, SummaryAllAnalysed);
    return std::make_pair(out.str(), err.str());
  };
  const auto [quietOut, quietErr] = run({}, false);
  EXPECT_EQ(quietErr, "");
  const auto [out, err] = run({}, true);
  // Standard output is the same; standard error shows the first frame at once (the file's
  // size is known, so with the share read and the time left) and is cleared at the end.
  EXPECT_EQ(out, quietOut);
  EXPECT_EQ(err.rfind("\rovalon-report: 1 frames, ", 0), 0u) << err;
  EXPECT_NE(err.find("% read, "), std::string::npos) << err;
  EXPECT_NE(err.find(" left"), std::string::npos) << err;
  EXPECT_EQ(err.back(), '\r');
  EXPECT_EQ(run({"--quiet"}, true).second, "");
  // Standard input has no known size: frames and their rate only.
  std::istringstream in(test::ReadFile(test::ExamplePath("c70.xyz")));
  std::ostringstream pipedOut, pipedErr;
  EXPECT_EQ(RunSummaryCommand({"-"}, in, pipedOut, pipedErr, true), SummaryAllAnalysed);
  EXPECT_EQ(pipedErr.str().rfind("\rovalon-report: 1 frames, ", 0), 0u);
  EXPECT_EQ(pipedErr.str().find("read"), std::string::npos);
}

/// Writes `text` gzip-compressed.
std::string WriteGzip(const std::string& name, const std::string& text) {
  const std::string path = ::testing::TempDir() + name;
  gzFile file = gzopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr);
  EXPECT_EQ(gzwrite(file, text.data(), static_cast<unsigned>(text.size())),
            static_cast<int>(text.size()));
  gzclose(file);
  return path;
}

TEST(SummaryReaders, ByExtensionOrInputFormat) {
  const std::string pdb = test::ExamplePath("c60_models.pdb");
  const SummaryRun models = Summarise({pdb});
  ASSERT_EQ(models.rows.size(), 3u) << models.out;
  // One frame per model, named in the file column; no lines of their own.
  EXPECT_EQ(models.Field(0, "file"), pdb + ":model 1");
  EXPECT_EQ(models.Field(1, "file"), pdb + ":model 2");
  EXPECT_EQ(models.Field(1, "frame"), "2");
  EXPECT_EQ(models.Field(1, "line"), "");
  EXPECT_EQ(models.Field(1, "atoms"), "60");

  struct Case {
    const char* example;
    std::vector<std::string> args;  // the options and the file in another name
    std::string renamed;
    std::string text;  // what the renamed file holds
  };
  const std::string extxyz = test::ReadFile(test::ExamplePath("c60_frames.extxyz"));
  const std::string cif = test::ReadFile(test::ExamplePath("c60_solvate.cif"));
  const std::string c70 = test::ReadFile(test::ExamplePath("c70.xyz"));
  const std::vector<Case> cases = {
      {"c60_models.pdb", {"--input-format", "pdb"}, "models.txt", test::ReadFile(pdb)},
      {"c60_frames.extxyz", {"--input-format=extxyz"}, "frames.xyz", extxyz},
      {"c60_solvate.cif", {"--input-format", "cif"}, "solvate.dat", cif},
      {"c70.xyz", {"--input-format", "xyz"}, "c70.cif", c70},
      {"c60_frames.extxyz", {}, "frames.EXTXYZ.gz", ""},
      {"c60_models.pdb", {}, "models.pdb.gz", ""},
      {"c60_solvate.cif", {}, "solvate.cif.gz", ""},
      {"c70.xyz", {}, "c70.xyz.gz", ""},
      {"c70.xyz", {"--input-format", "xyz"}, "c70.data.gz", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.renamed);
    const std::string original = test::ExamplePath(c.example);
    const std::string path =
        c.text.empty() ? WriteGzip(c.renamed, test::ReadFile(original)) : WriteTemp(c.renamed, c.text);
    std::vector<std::string> args = c.args;
    args.push_back(path);
    const SummaryRun renamed = Summarise(args);
    const SummaryRun expected = Summarise({original});
    EXPECT_EQ(renamed.status, SummaryAllAnalysed) << renamed.out;
    EXPECT_EQ(AnalysisFields(renamed), AnalysisFields(expected));
    ASSERT_EQ(renamed.rows.size(), expected.rows.size());
    for (size_t r = 1; r < expected.rows.size(); ++r) {
      EXPECT_EQ(renamed.rows[r][1], expected.rows[r][1]);  // frame
      EXPECT_EQ(renamed.rows[r][2], expected.rows[r][2]);  // line
    }
  }
  // Standard input is XYZ unless told otherwise.
  EXPECT_EQ(AnalysisFields(Summarise({"-"}, c70)),
            AnalysisFields(Summarise({test::ExamplePath("c70.xyz")})));
  EXPECT_EQ(AnalysisFields(Summarise({"--input-format", "extxyz", "-"}, extxyz)),
            AnalysisFields(Summarise({test::ExamplePath("c60_frames.extxyz")})));
}

TEST(SummaryReaders, DamagedFilesGetARowOfTheirOwn) {
  // A gzip file cut short: the frames read before the cut, then a row that says why reading
  // stopped.
  const std::string whole = WriteGzip("cut.xyz.gz", test::ReadFile(test::ExamplePath("c70.xyz")) +
                                                        test::ReadFile(test::ExamplePath("c84.xyz")));
  std::string compressed = test::ReadFile(whole);
  compressed.resize(compressed.size() - 40);
  const SummaryRun cut = Summarise({WriteTemp("cut.xyz.gz", compressed)});
  EXPECT_EQ(cut.status, SummarySomeFailed);
  EXPECT_EQ(cut.Field(0, "status"), "ok");
  const size_t last = cut.rows.size() - 2;
  EXPECT_EQ(cut.Field(last, "status"), "file-error");
  EXPECT_NE(cut.Field(last, "message").find("unexpected end of file"), std::string::npos)
      << cut.Field(last, "message");
  // A damaged CIF: one unreadable row naming the file.
  const std::string cif = test::ReadFile(test::ExamplePath("c60_solvate.cif"));
  const std::string damaged = WriteTemp("damaged.cif", cif.substr(0, cif.size() / 2) + "\n'");
  const SummaryRun broken = Summarise({damaged});
  ASSERT_EQ(broken.rows.size(), 2u);
  EXPECT_EQ(broken.Field(0, "status"), "unreadable");
  EXPECT_NE(broken.Field(0, "message").find("damaged.cif"), std::string::npos);
  // Extended XYZ: the frames before a fault, then the fault's row.
  const std::string extxyz = test::ReadFile(test::ExamplePath("c60_frames.extxyz"));
  const SummaryRun badFrame =
      Summarise({"--input-format", "extxyz", "-"}, extxyz + "2\nProperties=species:S:1:pos:R:3\nC 1 2\n");
  const size_t frames = badFrame.rows.size() - 2;
  EXPECT_EQ(badFrame.Field(frames, "status"), "unreadable");
  EXPECT_EQ(badFrame.Field(frames, "frame"), std::to_string(frames + 1));
  EXPECT_EQ(badFrame.Field(frames - 1, "status"), "ok");
}

TEST(SummaryReaders, ACifGivesTheNumbersOfItsWindowText) {
  // The window converts the CIF's cage into its own text; the XYZ form of that text (a count
  // line, one comment line, the atom lines and the uncertainty lines) must give the same
  // analysis as the CIF itself, uncertainties included.
  const std::string path = test::ExamplePath("c60_solvate.cif");
  const std::vector<Structure> structures =
      ReadStructures(test::ReadFile(path), path, StructureFormat::Cif);
  ASSERT_EQ(structures.size(), 1u);
  const StructureFrame& frame = structures[0].frames.at(0);
  std::vector<FrameAtom> atoms;
  for (const StructureAtom& atom : frame.atoms)
    atoms.push_back({IsCarbonSymbol(atom.element), atom.position[0], atom.position[1],
                     atom.position[2]});
  const CageSearch search = FindCages(atoms);
  ASSERT_EQ(search.cages.size(), 1u);
  StructureFrame cage = frame;
  cage.atoms.clear();
  for (int index : search.cages[0].atoms) cage.atoms.push_back(frame.atoms[index]);
  const CoordinateText window = WindowCoordinateText(structures[0], cage);
  ASSERT_EQ(window.problem, "");
  ASSERT_EQ(window.lines.size(), 122u);
  std::string text = "60\n" + window.lines[0] + "\n";
  for (size_t k = 2; k < window.lines.size(); ++k) text += window.lines[k] + "\n";

  const SummaryRun fromCif = Summarise({path});
  const SummaryRun fromText = Summarise({"-"}, text);
  ASSERT_EQ(fromCif.rows.size(), 2u);
  ASSERT_EQ(fromText.rows.size(), 2u);
  EXPECT_NE(fromCif.Field(0, "lin_sd_a"), "");
  for (size_t k = 4; k < fromCif.rows[0].size(); ++k) {
    const std::string& name = fromCif.rows[0][k];
    // The chord's atoms are numbered by their place in each frame.
    if (name == "chord_start_atom" || name == "chord_end_atom") continue;
    EXPECT_EQ(fromCif.Field(0, name), fromText.Field(0, name)) << name;
  }
}

}  // namespace
}  // namespace ovalon
