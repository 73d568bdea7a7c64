// Quenmark: the trace filter editor.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "gui/backend_choice.h"
#include "platform/forms.h"
#include "quenmark/form_main.h"

namespace {

// The end of the desktop session, a hang-up or a plain kill closes the window
// the way its close box does, so the program ends on its normal path. The
// signals are blocked first thing, before any thread exists, so that every
// thread inherits the mask and they wait, pending, for the loop to read them.
sigset_t SessionEndSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

void CloseOnSessionEnd(vcl::TApplication& app, const sigset_t& signals) {
  const int fd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd < 0) return;  // the signals keep their default effect
  app.AddFdWatch(fd, [fd] {
    signalfd_siginfo info;
    while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    if (vcl::TForm* main = vcl::Application->MainForm) main->Close();
  });
}

}  // namespace

int main(int argc, char** argv) {
  const sigset_t signals = SessionEndSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  vcl::TApplication app;
  gui::InstallBackend(app, argc, argv);
  CloseOnSessionEnd(app, signals);
  try {
    vcl::Application->Initialize();
    vcl::Application->CreateForm(quenmark::Form_Main);
    vcl::Application->Run();
  } catch (...) {
    vcl::Application->HandleException();
  }
  return 0;
}
