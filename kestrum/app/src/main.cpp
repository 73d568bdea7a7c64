// The kestrum program: the application object, the window backend (a real
// window when a display is there, "--headless" keeps it off screen), then the
// program entry.

#include "gui/backend_choice.h"
#include "kestrum/app/win_main.h"
#include "platform/vcl/forms.h"
#include "platform/ui/session_end.h"

int main(int argc, char** argv) {
  plat::BlockSessionEndSignals();  // before any thread exists
  vcl::TApplication application;
  gui::InstallBackend(application, argc, argv);
  // The session's end closes the main window as the window manager would; the
  // poll threads then end after the loop, as after the menu Exit.
  plat::OnSessionEnd(application, [] {
    if (vcl::TForm* main = vcl::Application->MainForm) main->Close();
  });
  return kestrum::WinMain();
}
