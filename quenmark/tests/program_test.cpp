// The real quenmark program, started headless beside this test: it comes up,
// binds, shows its window and ends on its normal path when the session ends.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "quenmark_fixture.h"
#include "tamsile_testing/helper_process.h"

extern char** environ;

namespace {

struct Finished {
  bool exited = false;
  int status = -1;
  std::string errors;  // what it wrote to standard error (the headless backend writes boxes there)
};

// Starts the program with the signal already pending: it is blocked across
// the start, so it waits for the program's own loop to read it, however early
// it arrives. The wait for the end is bounded, so a hang fails the test.
Finished RunUntilSignalled(int signal_number) {
  Finished result;
  int err[2];
  if (pipe2(err, O_CLOEXEC) != 0) return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, signal_number);
  posix_spawnattr_setsigmask(&attr, &blocked);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);

  const std::string program = tamsile_testing::BesideTestProgram("quenmark");
  char arg0[] = "quenmark";
  char arg1[] = "--headless";
  char* argv[] = {arg0, arg1, nullptr};
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(err[1]);
  if (spawned != 0) {
    close(err[0]);
    ADD_FAILURE() << "cannot start " << program;
    return result;
  }

  kill(pid, signal_number);
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  pollfd end{pidfd, POLLIN, 0};
  const bool ended = pidfd >= 0 && poll(&end, 1, 20000) == 1;
  if (!ended) {
    ADD_FAILURE() << "quenmark did not end";
    kill(pid, SIGKILL);
  }
  if (pidfd >= 0) close(pidfd);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exited = WIFEXITED(status);
  result.status = result.exited ? WEXITSTATUS(status) : WTERMSIG(status);

  char buffer[4096];
  ssize_t n;
  while ((n = read(err[0], buffer, sizeof buffer)) > 0) result.errors.append(buffer, static_cast<size_t>(n));
  close(err[0]);
  return result;
}

TEST(QuenmarkProgram, EndsOnItsNormalPathWhenTheSessionEnds) {
  quenmark_testing::UsePrivateTraceEnvironment();  // the program inherits the private table
  for (int signal_number : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal_number));
    const Finished f = RunUntilSignalled(signal_number);
    EXPECT_TRUE(f.exited) << "killed by signal " << f.status;
    EXPECT_EQ(f.status, 0);
    EXPECT_EQ(f.errors, "") << "no box was expected";
  }
}

}  // namespace
