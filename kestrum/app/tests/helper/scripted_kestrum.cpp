// The whole Kestrum program in a process of its own, run through WinMain by a
// scripted person in virtual time, so that a test can see how the process
// ends (a process that returns with live threads dies in its static
// destructors).
//
//   kestrum_scripted KIND EXIT [BOARD | iopage]
//     KIND    the chooser's answer, 1 to 4
//     EXIT    "menu" (Board > Exit) or "toolbar" (the tool bar's Exit)
//     BOARD   a board to make active before the exit (the driver's activation)
//     iopage  the demo network's slaves in the master's scan list; before the
//             exit the person activates the chosen board with the activation
//             button, waits out its watch, shows the I/O monitor page, selects
//             the first slot and lets 5 s pass: every poll thread runs and the
//             shown slots poll while the program is told to end
//
// Prints each message box as "box: <text>" while it runs, "running threads: N"
// when the iopage person exits, and, once the program has returned, the
// worker threads still there as "threads left: N" and each driver call of the
// simulated master as "call <entry> <arguments>".
// Exits with WinMain's result, or 3 when the script could not be followed.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "dnsim/simulation.h"
#include "driver/master_api.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/wait_message.h"
#include "kestrum/app/win_main.h"
#include "platform/ui/clock.h"
#include "platform/vcl/forms.h"
#include "platform/ui/thread.h"

namespace {

constexpr int kNoBoard = -1;
constexpr int kThroughTheIOPage = -2;  // the board activated by the person, the I/O page shown

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
    // A wait inside a step (as virtual time passes) is no step of its own.
    if (inStep_) return;
    if (exited_) {
      Fail("the program went on after its exit");
      app->Terminate();
      return;
    }
    inStep_ = true;
    if (board_ == kThroughTheIOPage && ioStep_ < 2) {
      IOPageStep(*app);
    } else {
      Exit();
    }
    inStep_ = false;
  }
  void Wake() override {}
  int ShowMessageBox(const plat::BoxRequest& box) override {
    std::printf("box: %s\n", box.text.c_str());
    return plat::SafeBoxAnswer(box.flags);
  }
  std::optional<std::string> RunFileDialog(const plat::FileDialogRequest&) override { return std::nullopt; }
  std::optional<plat::TColor> RunColorDialog(const plat::ColorDialogRequest&) override { return std::nullopt; }

 private:
  // Activates the board and waits out the watch; then shows the I/O page with
  // its first slot selected and lets the poll threads run for a while.
  void IOPageStep(vcl::TApplication& app) {
    if (ioStep_++ == 0) {
      Do(vcl::person::Click(Form_Main->SpeedButton_ActiveBoard));
      app.Advance(3000);
      if (Form_WaitMessage->Visible) Fail("the activation did not end");
      if (Form_Main->TreeView_CurrentConfig->Items->Count == 0) Fail("the configuration tree stayed empty");
      return;
    }
    Do(vcl::person::ShowPage(Form_Main->PageControl_Main, Form_Main->TabSheet_DeviceIO));
    Do(vcl::person::Click(FindSlotControls(*Form_Main, 1).Image));
    app.Advance(5000);
    int running = 0;
    for (std::uint8_t slot = 1; slot <= DeviceIO::kSlotCount; ++slot) {
      if (DeviceIOPanel->HoldReasons(slot).empty()) ++running;
    }
    std::printf("running threads: %d\n", running);
  }

  void Exit() {
    exited_ = true;
    if (board_ >= 0) {
      ActiveBoardNo = static_cast<std::uint8_t>(board_);
      BrantelAPI_ActiveBoard(ActiveBoardNo);
    }
    Do(toolbar_ ? vcl::person::Click(Form_Main->SpeedButton_Exit) : vcl::person::ChooseMenu(Form_Main->Menu_Exit));
  }

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
  bool inStep_ = false;
  int ioStep_ = 0;
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
    std::fprintf(stderr, "usage: kestrum_scripted KIND(1-4) menu|toolbar [BOARD|iopage]\n");
    return 2;
  }
  const std::string last = argc == 4 ? argv[3] : "";
  const int board = last == "iopage" ? kThroughTheIOPage : argc == 4 ? std::atoi(argv[3]) : kNoBoard;
  if (board == kThroughTheIOPage) {
    // What the master's EEPROM holds from an earlier session: every
    // connection of the slaves that answer at the master's baud rate.
    dnsim::NetworkConfig network = dnsim::DemoNetwork();
    for (const dnsim::SlaveConfig& slave : network.slaves) {
      if (slave.baud != network.master.baud) continue;
      for (const dnsim::Connection& c : slave.connections) {
        network.scan_list.push_back({slave.mac, c.type, c.input_length, c.output_length, 200});
      }
    }
    dnsim::Sim().Configure(network);
  }

  plat::SetClock(std::make_shared<plat::VirtualClock>());
  int result = 0;
  {
    vcl::TApplication application;
    auto person = std::make_shared<ScriptedPerson>(button, exit_way == "toolbar", board);
    application.SetBackend(person);
    result = kestrum::WinMain();
    if (person->failed()) result = 3;
  }
  // What a return from main would meet in the static destructors.
  std::printf("threads left: %zu\n", plat::LiveWorkerThreads().size());
  for (const dnsim::CallRecord& call : dnsim::Sim().CallLog()) {
    std::printf("call %s%s%s\n", call.entry.c_str(), call.args.empty() ? "" : " ", call.args.c_str());
  }
  std::fflush(stdout);
  return result;
}
