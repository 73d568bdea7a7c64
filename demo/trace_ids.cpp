// Enables trace message IDs in Tamsile.DLL's table, as a person does with
// Quenmark's "+ Add Debug MSG ID", and holds the table while a program runs:
// the table lives only while some process has the library loaded, so the IDs
// must be held until the program has loaded it too.
//
//   trace_ids ID... -- PROGRAM [ARGUMENT...]
//
// Tamsile.DLL is taken from this program's own folder. Ends with the
// program's exit status (128 + the signal when it was killed, 127 when it
// could not be started); 2 for a usage error, 1 when the library or its
// entry is missing. SIGINT, SIGTERM and SIGHUP are passed on to the
// program, whose end then ends this one.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/convert.h"
#include "platform/library_loader.h"
#include "tamsile/tamsile.h"

namespace {

volatile pid_t gChild = 0;

void PassOn(int signal) {
  if (gChild > 0) ::kill(gChild, signal);
}

int Usage() {
  std::fprintf(stderr, "usage: trace_ids ID... -- PROGRAM [ARGUMENT...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::uint16_t> ids;
  int i = 1;
  for (; i < argc && std::string(argv[i]) != "--"; ++i) {
    std::int32_t id = 0;
    if (!plat::TryStrToInt(argv[i], id) || id < 0 || id > 0xFFFF) return Usage();
    ids.push_back(static_cast<std::uint16_t>(id));
  }
  if (i + 1 >= argc) return Usage();
  char** program = argv + i + 1;

  plat::LibraryLoader& loader = plat::CurrentLoader();
  const plat::ModuleHandle tamsile = loader.Load("Tamsile.DLL");
  auto enable = tamsile ? reinterpret_cast<Set_TamsileEnable_Entry>(loader.Symbol(tamsile, "Set_TamsileEnable")) : nullptr;
  if (!enable) {
    std::fprintf(stderr, "trace_ids: Tamsile.DLL or its entry Set_TamsileEnable is missing beside the program\n");
    return 1;
  }
  for (std::uint16_t id : ids) enable(id, 1);

  struct sigaction pass {};
  pass.sa_handler = PassOn;
  sigemptyset(&pass.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &pass, nullptr);

  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("trace_ids: fork");
    return 1;
  }
  if (child == 0) {
    for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_DFL);
    ::execv(program[0], program);
    std::fprintf(stderr, "trace_ids: cannot start %s\n", program[0]);
    ::_exit(127);
  }
  gChild = child;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      std::perror("trace_ids: waitpid");
      return 1;
    }
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}
