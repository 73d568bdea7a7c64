// The trace viewer.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "gui/backend_choice.h"
#include "lorvex/lorvex_app.h"
#include "platform/application.h"

int main(int argc, char** argv) {
  // The end of the session, a kill or Ctrl+C close the viewer the normal
  // way, so its settings are written back. Blocked before any thread
  // exists, so that none of them takes the signal's default action.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGTERM);
  sigaddset(&ending, SIGHUP);
  sigaddset(&ending, SIGINT);
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);

  plat::Application loop;
  gui::InstallBackend(loop, argc, argv);
  const int signals = signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signals >= 0) {
    loop.AddFdWatch(signals, [signals] {
      signalfd_siginfo info;
      while (read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      }
      if (afx::CWnd* main = afx::AfxGetMainWnd()) main->DestroyWindow();
    });
  }

  int code = 0;
  {
    CLorvexApp theApp;
    code = afx::AfxWinMain(argc, argv);
  }
  if (signals >= 0) close(signals);
  return code;
}
