// The trace viewer.
#include "gui/backend_choice.h"
#include "gui/frame_rendering.h"
#include "lorvex/lorvex_app.h"
#include "platform/ui/application.h"
#include "platform/ui/session_end.h"

int main(int argc, char** argv) {
  // The end of the session, a kill or Ctrl+C close the viewer the normal
  // way, so its settings are written back.
  plat::BlockSessionEndSignals();

  plat::Application loop;
  gui::UseFrameRenderings();
  gui::InstallBackend(loop, argc, argv);
  plat::OnSessionEnd(loop, [&loop] {
    if (afx::CWnd* main = afx::AfxGetMainWnd()) main->DestroyWindow();
    // A box or dialog still open (the note that another viewer receives,
    // shown at start) ends with it, so the program does end.
    loop.Terminate();
  });

  CLorvexApp theApp;
  return afx::AfxWinMain(argc, argv);
}
