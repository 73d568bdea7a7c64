// A program that stands in for one that another program starts: it writes
// one line telling how it was started to the descriptor named in
// PLAT_SPAWN_PROBE_FD, then ends (without the variable it does nothing).
// The line: tab-separated fields "argc=N", "argv0=...", "argv1=...", ...,
// "cwd=...", "blocked=<signal numbers, comma separated>", "ignored=<...>".

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/testing/spawn_probe.h"

namespace {

std::string Signals(bool (*test)(int sig)) {
  std::string list;
  for (int sig = 1; sig < 32; ++sig) {
    if (!test(sig)) continue;
    if (!list.empty()) list += ',';
    list += std::to_string(sig);
  }
  return list;
}

bool Blocked(int sig) {
  sigset_t mask;
  sigemptyset(&mask);
  sigprocmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, sig) == 1;
}

bool Ignored(int sig) {
  struct sigaction action {};
  return sigaction(sig, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
}

}  // namespace

int main(int argc, char** argv) {
  const char* fd_text = std::getenv(plat::testing::kSpawnProbeVariable);
  if (fd_text == nullptr) return 0;
  const int fd = std::atoi(fd_text);

  std::string line = "argc=" + std::to_string(argc);
  for (int i = 0; i < argc; ++i) line += "\targv" + std::to_string(i) + "=" + argv[i];
  char cwd[PATH_MAX] = {};
  line += std::string("\tcwd=") + (getcwd(cwd, sizeof cwd) ? cwd : "");
  line += "\tblocked=" + Signals(Blocked);
  line += "\tignored=" + Signals(Ignored);
  line += '\n';
  // One write: the reports of several probes never interleave.
  return write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 1;
}
