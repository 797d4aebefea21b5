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
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/normalsampler.h"
#include "cli/reportcommand.h"
#include "cli/summarytext.h"
#include "report/messages.h"
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

}  // namespace
}  // namespace ovalon
