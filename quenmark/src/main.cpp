// Quenmark: the trace filter editor.
#include "gui/backend_choice.h"
#include "platform/vcl/forms.h"
#include "platform/ui/session_end.h"
#include "quenmark/form_main.h"

int main(int argc, char** argv) {
  plat::BlockSessionEndSignals();

  vcl::TApplication app;
  gui::InstallBackend(app, argc, argv);
  // The session's end closes the window the way its close box does.
  plat::OnSessionEnd(app, [] {
    if (vcl::TForm* main = vcl::Application->MainForm) main->Close();
  });
  try {
    vcl::Application->Initialize();
    vcl::Application->CreateForm(quenmark::Form_Main);
    vcl::Application->Run();
  } catch (...) {
    vcl::Application->HandleException();
  }
  return 0;
}
