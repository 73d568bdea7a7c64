// How the Kestrum process ends, seen from outside: the whole program runs in a
// helper process (kestrum_scripted) until a scripted exit, and its exit status
// and its driver calls are read back.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/program_path.h"
#include "tamsile_testing/table_namespace.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

struct Outcome {
  int status = -1;  // as waitpid gives it
  std::string output;
  bool timed_out = false;
};

// Runs the helper with a runtime directory and trace table of its own, so that
// it meets neither the user's viewer nor the user's trace table. A helper that
// hangs is killed: the test fails instead of stalling.
Outcome RunHelper(const std::vector<std::string>& args) {
  char dir_pattern[] = "/tmp/kestrum-exit-test-XXXXXX";
  const std::string runtime_dir = mkdtemp(dir_pattern) ? dir_pattern : "";
  const std::string program = plat::ProgramDirectory() + "kestrum_scripted";

  int out[2];
  Outcome o;
  if (runtime_dir.empty() || pipe(out) != 0) return o;
  // A table of the helper's own, removed when this call ends.
  const tamsile_testing::TableNamespace table;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    setenv("XDG_RUNTIME_DIR", runtime_dir.c_str(), 1);
    table.Export();
    unsetenv("LORVEX_SOCKET_DIR");
    unsetenv("KESTRUM_SIM_CONFIG");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      o.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    o.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  waitpid(pid, &o.status, 0);
  std::error_code ignored;
  std::filesystem::remove_all(runtime_dir, ignored);
  return o;
}

struct ExitCase {
  const char* label;
  std::vector<std::string> args;
  bool closes_board;
  bool polls = false;  // the I/O page was shown: every poll thread ran, the slots polled
};
void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.label; }

class ProcessExit : public ::testing::TestWithParam<ExitCase> {};
INSTANTIATE_TEST_SUITE_P(
    Exits, ProcessExit,
    ::testing::Values(ExitCase{"MenuExitWithBoardActive", {"1", "menu", "0"}, false},
                      ExitCase{"MenuExitWithoutBoard", {"2", "menu"}, false},
                      ExitCase{"ToolBarExitWithBoardActive", {"1", "toolbar", "0"}, true},
                      ExitCase{"MenuExitWithLivePollThreads", {"1", "menu", "iopage"}, false, true},
                      ExitCase{"ToolBarExitWithLivePollThreads", {"1", "toolbar", "iopage"}, true, true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_P(ProcessExit, EndsWithStatusZeroAndClosesTheBoardOnlyFromTheToolBar) {
  const ExitCase& c = GetParam();
  const Outcome o = RunHelper(c.args);
  ASSERT_FALSE(o.timed_out) << o.output;
  ASSERT_TRUE(WIFEXITED(o.status)) << "ended by signal " << (WIFSIGNALED(o.status) ? WTERMSIG(o.status) : 0) << "\n"
                                   << o.output;
  EXPECT_EQ(WEXITSTATUS(o.status), 0) << o.output;
  EXPECT_THAT(o.output, Not(HasSubstr("box: "))) << "the start-up showed a box";
  EXPECT_THAT(o.output, HasSubstr("threads left: 0\n")) << "the program returned with live poll threads";
  const std::string family = c.args[0] == "1" ? "Calvory" : "Merrow";
  EXPECT_THAT(o.output, HasSubstr("call " + family + "_Total")) << "the boards were listed";
  const std::string close = "call " + family + (family == "Calvory" ? "_CloseBoard" : "_CloseModule");
  if (c.closes_board) {
    // Nothing reaches the driver after the board is closed, the poll threads included.
    const std::size_t at = o.output.find(close);
    ASSERT_NE(at, std::string::npos) << o.output;
    EXPECT_EQ(o.output.find("call ", at + 1), std::string::npos) << "a driver call after the close\n" << o.output;
  } else {
    EXPECT_THAT(o.output, Not(HasSubstr(close)));
  }
  if (c.polls) {
    EXPECT_THAT(o.output, HasSubstr("running threads: 30\n"));
    // The demo network's slaves that answer at 125K, each polled by its slot's
    // thread; the selected first slot's input read as well.
    for (const char* mac : {"12", "3", "20", "5"}) {
      EXPECT_THAT(o.output, HasSubstr("call " + family + "_GetSlaveStatus board=0 mac=" + mac + "\n")) << mac;
    }
    EXPECT_THAT(o.output, HasSubstr("call " + family + "_ReadInputData board=0 mac="));
  }
}

}  // namespace
