// ovalon-report: what goes to standard output and standard error, and the exit status, for
// good files, bad files, bad settings and singular matrices. The report lines themselves are
// the core's and are tested there; the window test checks that the window appends the same.

#include "cli/reportcommand.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ovalon {
namespace {

const std::string Example = OVALON_SOURCE_DIR "/examples/c60_distorted.xyz";

struct CommandRun {
  int status;
  std::vector<std::string> out;
  std::string err;
};

CommandRun Report(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunReportCommand(args, out, err);
  std::vector<std::string> lines;
  std::istringstream stream(out.str());
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return {status, lines, err.str()};
}

std::string WriteTemp(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

int IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == line) return static_cast<int>(i);
  return -1;
}

TEST(ReportCommand, PrintsDiagonalsThenFitThenCharacteristics) {
  const CommandRun run = Report({"--diagonals", Example});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(IndexOf(run.out, "Максимальные диагонали для соответствующих точек:"), 1);
  EXPECT_EQ(IndexOf(run.out, "Нахождение уравнения эллипсоида методом МНК:"), 68 + 1);
  EXPECT_EQ(IndexOf(run.out, "Центр эллипсоида до преобразований:"), 68 + 81 + 1);
  // Transformed by default, coordinates not listed: the report ends with one " " line.
  EXPECT_EQ(run.out.back(), " ");
  EXPECT_EQ(IndexOf(run.out, "Преобразованые координаты:"), -1);
}

TEST(ReportCommand, OptionsReachTheReports) {
  const CommandRun lm = Report({"--method=lm", "--cycles", "3", Example});
  ASSERT_EQ(lm.status, 0) << lm.err;
  EXPECT_EQ(lm.out[1], "Нахождение уравнения эллипсоида методом Левенберга-Маркварда:");
  EXPECT_EQ(IndexOf(lm.out, "Максимальные диагонали для соответствующих точек:"), -1);

  const CommandRun listed = Report({"--show-coords", "--inverse-precision", "1E-12", Example});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out[3], "Точность нахождения обратной матрицы: 1E-12");
  const int heading = IndexOf(listed.out, "Преобразованые координаты:");
  ASSERT_GT(heading, 0);
  EXPECT_EQ(listed.out.size(), size_t(heading + 1 + 120));
  EXPECT_EQ(listed.out[heading + 1].rfind("C1 ", 0), 0u);
  EXPECT_EQ(listed.out.back().rfind("err60 ", 0), 0u);

  const CommandRun plain = Report({"--no-transform", "--rotation-precision", "1E-15", Example});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(IndexOf(plain.out, "Точность нахождения собственных значений(метод вращения): 1E-15"),
            -1);
  EXPECT_EQ(plain.out.back().rfind("Соответвующий радиус сферы по площади поверхности: ", 0), 0u);
}

TEST(ReportCommand, ErrorsGoToStandardErrorWithTheirStatus) {
  const std::string bad = WriteTemp("bad.xyz", "60\ncomment\nC  1,5  2  3\n");
  const std::string longLine =
      WriteTemp("long.xyz", "60\ncomment\nC  1  2  3" + std::string(1 << 20, ' ') + "\n");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string err;  // expected standard error, or a prefix of it when `prefix`
    bool prefix;
    size_t printedLines;  // lines printed before the error
  };
  const std::vector<Case> cases = {
      {"format error", {bad}, 1, "Неправильный формат строк файла!\n", false, 0},
      {"invalid precision",
       {"--inverse-precision", "1,5", Example},
       1,
       "Проверьте правильности введенных данных!\n",
       false,
       0},
      {"invalid cycles",
       {"--method", "lm", "--cycles", "1E10", Example},
       1,
       "Проверьте правильности введенных данных!\n",
       false,
       0},
      // The diagonals complete before the fit meets the singular matrix and stay printed.
      {"singular fit",
       {"--diagonals", "--inverse-precision", "1E10", Example},
       3,
       "Матрица вырождена при заданной точности обратной матрицы!\n",
       false,
       68},
      {"missing file", {"/nonexistent/c60.xyz"}, 1, "ovalon-report: ", true, 0},
      {"long line",
       {longLine},
       1,
       "ovalon-report: " + longLine + ": line 3 is longer than 1 MiB\n",
       false,
       0},
      {"no file", {}, 2, "ovalon-report: no FILE given", true, 0},
      {"two files", {Example, Example}, 2, "ovalon-report: only one FILE", true, 0},
      {"unknown option", {"--frobnicate", Example}, 2, "ovalon-report: unknown option", true, 0},
      {"bad method", {"--method", "svd", Example}, 2, "ovalon-report: --method", true, 0},
      {"missing value", {Example, "--cycles"}, 2, "ovalon-report: option --cycles", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandRun run = Report(c.args);
    EXPECT_EQ(run.status, c.status);
    if (c.prefix)
      EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
    else
      EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out.size(), c.printedLines);
  }
}

TEST(ReportCommand, ReadingNoticesAreWarningsOnly) {
  // 59 atoms: the reading says so on standard error and the reports still follow.
  std::string text = "59\ncomment\n";
  std::ifstream example(Example);
  std::string line;
  std::getline(example, line);
  std::getline(example, line);
  for (int i = 0; i < 59 && std::getline(example, line);) {
    text += line + "\n";
    ++i;
  }
  const CommandRun run = Report({WriteTemp("short.xyz", text)});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err.rfind("warning: В тексте строк атомов: 59, строк погрешностей: 0", 0), 0u)
      << run.err;
  EXPECT_EQ(run.out[1], "Нахождение уравнения эллипсоида методом МНК:");
}

TEST(ReportCommand, AllZeroCoordinatesOnlyWarn) {
  // The window does nothing at all here; the command says why its output is empty, after the
  // reading's own notice of the missing atom lines.
  const CommandRun run = Report({WriteTemp("empty.xyz", "60\n\nC  1  2  3\n")});
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.out.empty());
  const std::string warning =
      "\nwarning: the coordinates are all zero or not numbers: the fit does not run\n";
  ASSERT_GT(run.err.size(), warning.size());
  EXPECT_EQ(run.err.substr(run.err.size() - warning.size()), warning) << run.err;
}

TEST(ReportCommand, HelpGoesToStandardOutput) {
  const CommandRun run = Report({"--help"});
  EXPECT_EQ(run.status, 0);
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out[0], "Usage: ovalon-report [options] FILE");
}

}  // namespace
}  // namespace ovalon
