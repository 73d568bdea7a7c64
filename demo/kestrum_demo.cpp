// Kestrum shown to someone without a display: the very program (WinMain and
// its forms) through the Qt backend, with a scripted person in place of the
// absent one. It does what a person would do first, photographs each window
// on the way, and ends the program the way a person would:
//
//   - the splash and the hardware chooser, answered with "PCI" (Calvory.DLL);
//   - the main window as the chooser leaves it, then the board activated with
//     its button and the master's status read;
//   - the I/O monitor page;
//   - Exit on the tool bar.
//
//   kestrum_demo FOLDER
//
// The pictures are FOLDER/kestrum-<step>.png. Prints each picture's path as
// it is written and "demo: ..." where the script could not be followed.
// Exits with WinMain's result, or 3 when the script could not be followed.
// Without a window backend (no display) there is nothing to photograph: 2.

#include <cstdio>
#include <string>

#include "gui/backend_choice.h"
#include "kestrum/app/logo.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/wait_message.h"
#include "kestrum/app/win_main.h"
#include "platform/ui/application.h"
#include "platform/vcl/forms.h"
#include "platform/ui/session_end.h"

namespace {

// A step is tried every kStepMs of real time, so that each window has been
// shown (and painted by Qt) before it is photographed.
constexpr unsigned kStepMs = 300;
// The simulated master answers an activation within a few status polls; a
// master that has not answered by then is photographed as it is.
constexpr int kActivationSteps = 40;

class DemoPerson {
 public:
  explicit DemoPerson(std::string folder) : folder_(std::move(folder)), timer_([this] { Step(); }) {
    timer_.SetInterval(kStepMs);
    timer_.SetEnabled(true);
  }

  bool failed() const { return failed_; }

 private:
  enum class Stage { Chooser, MainWindow, Activating, IOPage, Exit, Done };

  void Step() {
    switch (stage_) {
      case Stage::Chooser: {
        // The chooser is shown modally from the main window's first show.
        auto* modal = dynamic_cast<vcl::TForm*>(vcl::Application->ModalWindow());
        if (!Form_SelectHardware || modal != Form_SelectHardware) return;
        if (Form_Logo && Form_Logo->Visible) Shot(*Form_Logo, "1-splash");
        Shot(*Form_SelectHardware, "2-hardware-chooser");
        stage_ = Stage::MainWindow;
        Do(vcl::person::Click(Form_SelectHardware->SpeedButton_PCI));
        return;
      }
      case Stage::MainWindow:
        if (vcl::Application->ModalWindow() || Form_Logo || !Form_Main->Visible) return;
        Shot(*Form_Main, "3-main-window");
        stage_ = Stage::Activating;
        Do(vcl::person::Click(Form_Main->SpeedButton_ActiveBoard));
        return;
      case Stage::Activating:
        // The wait window comes and goes; then the status line is read.
        if (Form_WaitMessage->Visible && Form_WaitMessage->Label_Message->Caption.Get() != lastWaitText_) {
          lastWaitText_ = Form_WaitMessage->Label_Message->Caption.Get();
          Shot(*Form_WaitMessage, "4-wait-message-" + std::to_string(++waitShots_));
        }
        if (++waited_ < kActivationSteps &&
            (Form_WaitMessage->Visible || Form_Main->Edit_MasterStatus->Text.Get() != "OK!")) {
          return;
        }
        if (Form_Main->Edit_MasterStatus->Text.Get() != "OK!") Fail("the master did not report OK after the activation");
        Shot(*Form_Main, "5-main-window-board-active");
        stage_ = Stage::IOPage;
        Do(vcl::person::ShowPage(Form_Main->PageControl_Main, Form_Main->TabSheet_DeviceIO));
        return;
      case Stage::IOPage:
        Shot(*Form_Main, "6-main-window-io-monitor");
        stage_ = Stage::Exit;
        Do(vcl::person::ShowPage(Form_Main->PageControl_Main, Form_Main->TabSheet_Configuration));
        return;
      case Stage::Exit:
        stage_ = Stage::Done;
        timer_.SetEnabled(false);
        Do(vcl::person::Click(Form_Main->SpeedButton_Exit));
        return;
      case Stage::Done:
        return;
    }
  }

  void Shot(plat::Window& window, const std::string& step) {
    const std::string path = folder_ + "/kestrum-" + step + ".png";
    if (gui::SaveScreenshot(window, path)) {
      std::printf("%s\n", path.c_str());
      std::fflush(stdout);
    } else {
      Fail("could not write " + path);
    }
  }

  void Do(const std::string& why_not) {
    if (!why_not.empty()) Fail(why_not);
  }
  void Fail(const std::string& why) {
    std::fprintf(stderr, "demo: %s\n", why.c_str());
    failed_ = true;
  }

  std::string folder_;
  plat::Timer timer_;
  Stage stage_ = Stage::Chooser;
  int waited_ = 0;
  int waitShots_ = 0;
  std::string lastWaitText_;
  bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  plat::BlockSessionEndSignals();  // before any thread exists
  vcl::TApplication application;
  gui::InstallBackend(application, argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrum_demo FOLDER\n");
    return 2;
  }
  if (!gui::ShownByQt()) {
    std::fprintf(stderr, "kestrum_demo: no display to show the windows on (set DISPLAY or QT_QPA_PLATFORM)\n");
    return 2;
  }
  plat::OnSessionEnd(application, [] {
    if (vcl::TForm* main = vcl::Application->MainForm) main->Close();
  });
  DemoPerson person(argv[1]);
  const int result = kestrum::WinMain();
  return person.failed() ? 3 : result;
}
