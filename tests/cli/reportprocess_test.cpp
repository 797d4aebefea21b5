// ovalon-report as a process: what it does when its output cannot be written or goes to a pipe
// that closes early. These need the real standard output and the shell's redirections, so the
// built command runs under bash.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string Command = OVALON_REPORT_COMMAND;
const std::string IdealExample = OVALON_SOURCE_DIR "/examples/c60_ideal.xyz";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ProcessRun {
  int status = -1;  ///< the exit status, or 128 + the signal that ended it (as bash gives it)
  std::string err;
};

/// Runs `script` under bash with ovalon-report as $R, its standard error collected; with
/// `addressSpace` set, under that limit (setrlimit RLIMIT_AS, in bytes).
ProcessRun RunScript(const std::string& script, rlim_t addressSpace = RLIM_INFINITY) {
  // ctest runs the cases of this file at the same time, each in its own process.
  const std::string errPath =
      testing::TempDir() + "reportprocess-" + std::to_string(getpid()) + ".err";
  const std::string line = "R='" + Command + "'; " + script;
  const pid_t child = fork();
  if (child == 0) {
    // A signal that the test runner ignores would stay ignored in the command.
    signal(SIGPIPE, SIG_DFL);
    const rlimit limit{addressSpace, addressSpace};
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 0 || dup2(err, STDERR_FILENO) < 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
    execl("/bin/bash", "bash", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int wait = 0;
  ProcessRun run;
  if (child > 0 && waitpid(child, &wait, 0) == child && WIFEXITED(wait))
    run.status = WEXITSTATUS(wait);
  run.err = ReadFile(errPath);
  return run;
}

TEST(ReportProcess, AFailedWriteIsAnErrorWithItsOwnStatus) {
  struct Case {
    const char* name;
    std::string args;
  };
  const std::vector<Case> commands = {
      {"report", IdealExample},
      {"help", "--help"},
      {"summary", "--summary " + IdealExample},
      {"summary help", "--summary --help"},
  };
  struct Target {
    const char* redirect;
    const char* reason;
  };
  const Target targets[] = {
      {">/dev/full", "No space left on device"},
      {">&-", "Bad file descriptor"},
  };
  for (const Case& command : commands) {
    for (const Target& target : targets) {
      SCOPED_TRACE(std::string(command.name) + " " + target.redirect);
      const ProcessRun run = RunScript("\"$R\" " + command.args + " " + target.redirect);
      EXPECT_EQ(run.status, 4);
      EXPECT_EQ(run.err,
                std::string("ovalon-report: cannot write the output: ") + target.reason + "\n");
    }
  }
}

TEST(ReportProcess, ABrokenPipeEndsQuietly) {
  // Far more rows than a pipe holds, so the command is still writing when head has gone.
  const std::string trajectory = testing::TempDir() + "pipe.xyz";
  {
    const std::string frame = ReadFile(IdealExample);
    std::ofstream out(trajectory, std::ios::binary);
    for (int n = 0; n < 2000; ++n) out << frame;
  }
  const ProcessRun summary = RunScript("\"$R\" --summary --jobs 1 " + trajectory +
                                       " | head -1 >/dev/null; "
                                       "exit ${PIPESTATUS[0]}");
  EXPECT_EQ(summary.status, 128 + SIGPIPE);
  EXPECT_EQ(summary.err, "");

  // The reports of one file may fit into the pipe before head closes it: either way, quiet.
  const ProcessRun report =
      RunScript("\"$R\" " + IdealExample + " | head -1 >/dev/null; exit ${PIPESTATUS[0]}");
  EXPECT_TRUE(report.status == 0 || report.status == 128 + SIGPIPE) << report.status;
  EXPECT_EQ(report.err, "");
}

TEST(ReportProcess, RunningOutOfMemoryIsAnErrorLikeAnyOther) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit";
#endif
  // 60 MiB of short lines is within the size the command reads whole, and cannot be held
  // within 40 MB of address space.
  const ProcessRun run =
      RunScript("yes \"C  1.0  2.0  3.0\" | head -c 62914560 | \"$R\" - >/dev/null", 40 << 20);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "ovalon-report: out of memory\n");
}

TEST(ReportProcess, SummaryMemoryDependsOnNeitherLinesNorSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit";
#endif
  // A 200 MB atom line, then a malformed count line followed by 3 million lines (30 MB), then a
  // good frame, through a pipe, within 64 MiB of address space for everything (the threads'
  // stacks included).
  const std::string csv = testing::TempDir() + "limited.csv";
  const ProcessRun run = RunScript(
      "{ printf \"60\\ncomment\\n\"; head -c 200000000 /dev/zero | tr \"\\0\" x; echo; "
      "yes \"C 1 2 3\" | head -n 59; echo -5; yes \"not a frame\" | head -n 3000000; "
      "cat " +
          IdealExample + "; } | \"$R\" --summary --jobs 2 - >" + csv,
      64 << 20);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "ovalon-report: 2 of 3 rows were not analysed; their status and message columns say "
            "why\n");
  std::vector<std::string> rows;
  std::ifstream in(csv);
  for (std::string row; std::getline(in, row);) rows.push_back(row);
  ASSERT_EQ(rows.size(), 4u);
  const auto starts = [](const std::string& row, const std::string& start) {
    return row.rfind(start, 0) == 0;
  };
  EXPECT_PRED2(starts, rows[1], "-,1,1,comment,,,unreadable,line 3 is longer than 1 MiB,");
  EXPECT_PRED2(starts, rows[2], "-,2,63,,,,unreadable,\"line 63: expected the atom count");
  EXPECT_PRED2(starts, rows[3], "-,3,3000064,\"Fullerene C60, ideal");
  EXPECT_NE(rows[3].find(",ok,"), std::string::npos);
}

}  // namespace
