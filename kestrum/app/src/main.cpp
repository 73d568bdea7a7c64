// The kestrum program: the application object, the window backend (a real
// window when a display is there, "--headless" keeps it off screen), then the
// program entry.

#include "gui/backend_choice.h"
#include "kestrum/app/win_main.h"
#include "platform/forms.h"

int main(int argc, char** argv) {
  vcl::TApplication application;
  gui::InstallBackend(application, argc, argv);
  return kestrum::WinMain();
}
