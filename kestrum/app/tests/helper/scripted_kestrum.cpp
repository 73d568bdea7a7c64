// The whole Kestrum program in a process of its own, run through WinMain by a
// scripted person in virtual time, so that a test can see how the process
// ends (a process that returns with live threads dies in its static
// destructors).
//
//   kestrum_scripted KIND EXIT [BOARD]
//     KIND   the chooser's answer, 1 to 4
//     EXIT   "menu" (Board > Exit) or "toolbar" (the tool bar's Exit)
//     BOARD  a board to make active before the exit (the driver's activation)
//
// Prints each message box as "box: <text>" while it runs and, once the program
// has returned, each driver call of the simulated master as "call <entry>".
// Exits with WinMain's result, or 3 when the script could not be followed.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "dnsim/simulation.h"
#include "driver/master_api.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/win_main.h"
#include "platform/clock.h"
#include "platform/forms.h"

namespace {

class ScriptedPerson : public plat::Backend {
 public:
  ScriptedPerson(std::string button, bool toolbar, int board) : button_(std::move(button)), toolbar_(toolbar), board_(board) {}

  bool failed() const { return failed_; }

  // Each wait of the loop is one step of the script.
  void WaitForEvents(const plat::WaitRequest&, std::vector<int>&) override {
    vcl::TApplication* app = vcl::Application;
    if (auto* form = dynamic_cast<vcl::TForm*>(app->ModalWindow())) {
      if (form == Form_SelectHardware && !chosen_) {
        chosen_ = true;
        Do(vcl::person::Click(form->FindComponent(button_)));
      } else {
        Fail("unexpected modal window " + std::string(form->Name));
        form->ForceEndModal(vcl::mrCancel);
      }
      return;
    }
    if (!exited_) {
      exited_ = true;
      if (board_ >= 0) {
        ActiveBoardNo = static_cast<std::uint8_t>(board_);
        BrantelAPI_ActiveBoard(ActiveBoardNo);
      }
      Do(toolbar_ ? vcl::person::Click(Form_Main->SpeedButton_Exit) : vcl::person::ChooseMenu(Form_Main->Menu_Exit));
      return;
    }
    Fail("the program went on after its exit");
    app->Terminate();
  }
  void Wake() override {}
  int ShowMessageBox(const plat::BoxRequest& box) override {
    std::printf("box: %s\n", box.text.c_str());
    return plat::SafeBoxAnswer(box.flags);
  }
  std::optional<std::string> RunFileDialog(const plat::FileDialogRequest&) override { return std::nullopt; }
  std::optional<plat::TColor> RunColorDialog(const plat::ColorDialogRequest&) override { return std::nullopt; }

 private:
  void Do(const std::string& why_not) {
    if (!why_not.empty()) Fail(why_not);
  }
  void Fail(const std::string& why) {
    std::printf("script: %s\n", why.c_str());
    failed_ = true;
  }

  std::string button_;
  bool toolbar_;
  int board_;
  bool chosen_ = false;
  bool exited_ = false;
  bool failed_ = false;
};

const char* ChooserButton(const std::string& kind) {
  if (kind == "1") return "SpeedButton_PCI";
  if (kind == "2") return "SpeedButton_Module";
  if (kind == "3") return "SpeedButton_Wenlow";
  if (kind == "4") return "SpeedButton_Gadrow";
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const char* button = argc >= 3 ? ChooserButton(argv[1]) : nullptr;
  const std::string exit_way = argc >= 3 ? argv[2] : "";
  if (!button || (exit_way != "menu" && exit_way != "toolbar") || argc > 4) {
    std::fprintf(stderr, "usage: kestrum_scripted KIND(1-4) menu|toolbar [BOARD]\n");
    return 2;
  }
  const int board = argc == 4 ? std::atoi(argv[3]) : -1;

  plat::SetClock(std::make_shared<plat::VirtualClock>());
  int result = 0;
  {
    vcl::TApplication application;
    auto person = std::make_shared<ScriptedPerson>(button, exit_way == "toolbar", board);
    application.SetBackend(person);
    result = kestrum::WinMain();
    if (person->failed()) result = 3;
  }
  for (const dnsim::CallRecord& call : dnsim::Sim().CallLog()) std::printf("call %s\n", call.entry.c_str());
  std::fflush(stdout);
  return result;
}
