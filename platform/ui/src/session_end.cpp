#include "platform/ui/session_end.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "platform/ui/application.h"

namespace plat {
namespace {

sigset_t SessionEndSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void BlockSessionEndSignals() {
  const sigset_t signals = SessionEndSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void OnSessionEnd(Application& app, std::function<void()> onEnd) {
  const sigset_t signals = SessionEndSignals();
  const int fd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd < 0) return;  // the signals keep their default effect
  app.AddFdWatch(fd, [fd, onEnd = std::move(onEnd)] {
    signalfd_siginfo info;
    bool arrived = false;
    while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) arrived = true;
    if (arrived && onEnd) onEnd();
  });
}

}  // namespace plat
