// ovalon-report as a process: what it does when its output cannot be written or goes to a pipe
// that closes early. These need the real standard output and the shell's redirections, so the
// built command runs under bash.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
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

/// Runs `script` under bash with ovalon-report as $R; its standard error is collected.
ProcessRun RunScript(const std::string& script) {
  const std::string errPath = testing::TempDir() + "reportprocess.err";
  const std::string line = "R='" + Command + "' bash -c '" + script + "' 2>" + errPath;
  // A signal that the test runner ignores would stay ignored in the command.
  signal(SIGPIPE, SIG_DFL);
  const int wait = std::system(line.c_str());
  ProcessRun run;
  if (WIFEXITED(wait)) run.status = WEXITSTATUS(wait);
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

}  // namespace
