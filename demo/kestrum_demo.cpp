// Kestrum shown to someone without a display: the very program (WinMain and
// its forms) through the Qt backend, with a scripted person in place of the
// absent one. It does what a person would do first, photographs each window
// on the way, and ends the program the way a person would:
//
//   - the splash and the hardware chooser, answered with "PCI" (Calvory.DLL),
//     and the whole screen meanwhile;
//   - the main window as the chooser leaves it, then the board activated with
//     its button and the master's status read;
//   - a network search, and every connection it found dragged into the
//     master's scan list (each confirmation box answered with OK);
//   - the I/O monitor page with its slots lit and the first slave selected,
//     its name and input data shown;
//   - that slave's product name read as an attribute, shown in the BYTE form;
//   - the debug window (Ctrl+Alt+D) with both lists, two firmware IDs enabled;
//   - the about box, closed with OK;
//   - Exit on the tool bar.
//
//   kestrum_demo FOLDER
//
// The pictures are FOLDER/kestrum-<step>.png (kestrum-<n>-screen-*.png of the
// whole screen, the others of one window each). Prints each picture's path as
// it is written and "demo: ..." where the script could not be followed.
// Exits with WinMain's result, or 3 when the script could not be followed.
// Without a window backend (no display) there is nothing to photograph: 2.

#include <cstdio>
#include <optional>
#include <string>

#include "demo_person.h"
#include "gui/backend_choice.h"
#include "kestrum/app/about.h"
#include "kestrum/app/debug_window.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/logo.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/wait_dialog.h"
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
// The same for each later step that waits for the master or the poll threads.
constexpr int kWaitSteps = 40;

class DemoPerson : public demo::Outcomes {
 public:
  explicit DemoPerson(std::string folder) : folder_(std::move(folder)), timer_([this] { Step(); }) {
    timer_.SetInterval(kStepMs);
    timer_.SetEnabled(true);
  }

 private:
  enum class Stage {
    Chooser, MainWindow, Activating,
    Search, DragSlaves, IOMonitor, ReadAttribute, DebugWindow, AboutBox,
    Exit, Done
  };

  void Step() {
    // A box that one of the later steps brought up (each drop confirms
    // itself) is answered as a person would: OK.
    if (stage_ >= Stage::Search && AnswerBox()) return;
    // While one of those steps acts (a box's loop runs inside it), the next
    // step waits; only the about box is meant to be worked inside its loop.
    if (acting_ && stage_ != Stage::AboutBox) return;
    switch (stage_) {
      case Stage::Chooser: {
        // The chooser is shown modally from the main window's first show.
        auto* modal = dynamic_cast<vcl::TForm*>(vcl::Application->ModalWindow());
        if (!Form_SelectHardware || modal != Form_SelectHardware) return;
        if (Form_Logo && Form_Logo->Visible) Shot(*Form_Logo, "1-splash");
        Shot(*Form_SelectHardware, "2-hardware-chooser");
        ShotOfTheScreen("2-screen-hardware-choice");
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
          ShotOfTheScreen("4-screen-wait-message-" + std::to_string(waitShots_));
        }
        if (++waited_ < kActivationSteps &&
            (Form_WaitMessage->Visible || Form_Main->Edit_MasterStatus->Text.Get() != "OK!")) {
          return;
        }
        if (Form_Main->Edit_MasterStatus->Text.Get() != "OK!") Fail("the master did not report OK after the activation");
        Shot(*Form_Main, "5-main-window-board-active");
        stage_ = Stage::Search;
        return;
      case Stage::Search:
        return SearchNetwork();
      case Stage::DragSlaves:
        return DragFoundSlaves();
      case Stage::IOMonitor:
        return WatchIOMonitor();
      case Stage::ReadAttribute:
        return ReadAttribute();
      case Stage::DebugWindow:
        return ShowDebugWindow();
      case Stage::AboutBox:
        return ShowAboutBox();
      case Stage::Exit:
        stage_ = Stage::Done;
        timer_.SetEnabled(false);
        Do(vcl::person::Click(Form_Main->SpeedButton_Exit));
        return;
      case Stage::Done:
        return;
    }
  }

  // ---- after the activation
  // The search button, then the wait window until the found devices are listed.
  void SearchNetwork() {
    if (!started_) {
      started_ = true;
      waited_ = 0;
      Act([] { return vcl::person::Click(Form_Main->SpeedButton_SearchDevice); });
      return;
    }
    if (Form_Wait->Visible) {
      if (!waitShot_) Shot(*Form_Wait, "6-search-wait");
      waitShot_ = true;
      if (++waited_ < kWaitSteps) return;
    }
    if (Form_Main->TreeView_AutoScanDevice->Items->Count == 0) {
      if (++waited_ < kWaitSteps) return;
      Fail("the search found no device");
    }
    Shot(*Form_Main, "7-searched-devices");
    Next(Stage::DragSlaves);
  }

  // One found connection per step, dragged from the searched devices onto the
  // scan list; its drop confirms itself with a box.
  void DragFoundSlaves() {
    vcl::TTreeNodes* found = Form_Main->TreeView_AutoScanDevice->Items;
    while (dragged_ < found->Count && found->Item[dragged_]->Level() == 0) ++dragged_;
    if (dragged_ >= found->Count) {
      Shot(*Form_Main, "8-scan-list");
      Next(Stage::IOMonitor);
      Act([] { return vcl::person::ShowPage(Form_Main->PageControl_Main, Form_Main->TabSheet_DeviceIO); });
      return;
    }
    vcl::TTreeNode* node = found->Item[dragged_++];
    Act([node] {
      vcl::TTreeView* source = Form_Main->TreeView_AutoScanDevice;
      vcl::TTreeView* target = Form_Main->TreeView_CurrentConfig;
      const int x = target->Width / 2;
      const int y = target->Height / 2;
      std::string why = vcl::person::ClickNode(source, node);
      if (why.empty()) why = vcl::person::BeginDrag(source);
      // Into the scan list, and a little further inside it, before the drop.
      if (why.empty()) why = vcl::person::DragOver(target, x, y);
      if (why.empty()) why = vcl::person::DragOver(target, x, y + 1);
      if (why.empty()) return vcl::person::Drop(x, y + 1);
      if (vcl::person::Dragging()) vcl::person::CancelDrag();
      return why;
    });
  }

  // The page's slots light up once their slaves' status has been read; the
  // first slot is selected and shows its slave's name and input data.
  void WatchIOMonitor() {
    if (!started_) {
      started_ = true;
      waited_ = 0;
      if (SlotControls first = FindSlotControls(*Form_Main, 1); first.Image && first.Image->Visible) {
        Act([&] { return vcl::person::Click(first.Image); });
      } else {
        Fail("the I/O monitor page shows no slave");
      }
      return;
    }
    if (!IOMonitorComplete() && ++waited_ < kWaitSteps) return;
    if (!IOMonitorComplete()) Fail("the I/O monitor did not show lit slots with the slave's input data");
    Shot(*Form_Main, "9-io-monitor");
    Next(Stage::ReadAttribute);
  }
  static bool IOMonitorComplete() {
    for (int n = 1; n <= DeviceIO::kSlotCount; ++n) {
      SlotControls slot = FindSlotControls(*Form_Main, n);
      if (slot.LED && slot.LED->Visible && slot.LED->Brush->Color != vcl::clLime) return false;
    }
    return !Form_Main->Edit_DeviceName->Text().empty() && Form_Main->Memo_Input->Lines->Count > 0 &&
           !Form_Main->Memo_Input->Lines->Get(0).empty();
  }

  // The Identity object's product name (class 1, instance 1, attribute 7).
  void ReadAttribute() {
    if (!started_) {
      started_ = true;
      waited_ = 0;
      Act([] {
        std::string why = vcl::person::Type(Form_Main->Edit_Get_ClassID, "1");
        if (why.empty()) why = vcl::person::Type(Form_Main->Edit_Get_InstanceID, "1");
        if (why.empty()) why = vcl::person::Type(Form_Main->Edit_Get_AttributeID, "7");
        return why.empty() ? vcl::person::Click(Form_Main->SpeedButton_GetAttribute) : why;
      });
      return;
    }
    vcl::TStrings* reply = Form_Main->Memo_GetAttribute->Lines;
    const bool shown = reply->Count > 0 && !reply->Get(0).empty();
    if (!shown && ++waited_ < kWaitSteps) return;
    if (!shown) Fail("the attribute reply did not come");
    Shot(*Form_Main, "10-attribute-byte-form");
    Next(Stage::DebugWindow);
  }

  // Ctrl+Alt+D; both lists refreshed after two firmware IDs were enabled.
  void ShowDebugWindow() {
    if (!started_) {
      started_ = true;
      Act([] {
        std::string why = vcl::person::PressKeys(Form_Main, "Ctrl+Alt+D");
        if (why.empty()) why = vcl::person::Type(Form_Debug->Memo2, "3\r\n7");
        if (why.empty()) why = vcl::person::Click(Form_Debug->Button_AddDebugWnd);
        return why.empty() ? vcl::person::Click(Form_Debug->Button2) : why;
      });
      return;
    }
    Shot(*Form_Debug, "11-debug-window");
    Next(Stage::AboutBox);
    Act([] { return vcl::person::CloseByWindowManager(Form_Debug); });
  }

  // The about box is modal: it is photographed and closed from inside its loop.
  void ShowAboutBox() {
    if (!started_) {
      started_ = true;
      Act([] { return vcl::person::ChooseMenu(Form_Main->Menu_About); });
      if (stage_ == Stage::AboutBox) Fail("the about box did not open");
      return;
    }
    if (vcl::Application->ModalWindow() != Form_About) return;
    Shot(*Form_About, "12-about-box");
    Next(Stage::Exit);
    Do(vcl::person::Click(Form_About->Button_OK));
  }

  void Next(Stage stage) {
    stage_ = stage;
    started_ = false;
  }
  // An action that may bring up a box or a modal window: the next steps wait for its end.
  template <class Action>
  void Act(Action action) {
    acting_ = true;
    const std::string why = action();
    acting_ = false;
    Do(why);
  }
  bool AnswerBox() {
    const std::optional<std::string> text = gui::OpenBoxText();
    if (!text) return false;
    std::printf("demo: answered the box \"%s\" with OK\n", text->c_str());
    std::fflush(stdout);
    if (!gui::PressOpenBoxDefault()) Fail("could not answer the box \"" + *text + "\"");
    return true;
  }

  void Shot(plat::Window& window, const std::string& step) {
    const std::string path = folder_ + "/kestrum-" + step + ".png";
    Picture(gui::SaveScreenshot(window, path), path, "could not write " + path);
  }

  // The whole screen, as a person sees it: which window lies on top, and what
  // a window's mask lets through.
  void ShotOfTheScreen(const std::string& step) {
    const std::string path = folder_ + "/kestrum-" + step + ".png";
    Picture(gui::SaveScreenPicture(path), path, "could not write a picture of the screen to " + path);
  }


  std::string folder_;
  plat::Timer timer_;
  Stage stage_ = Stage::Chooser;
  int waited_ = 0;
  int waitShots_ = 0;
  bool started_ = false;  // the current later step has made its first move
  bool acting_ = false;   // one of our actions is under way (a box's loop may run in it)
  bool waitShot_ = false;
  int dragged_ = 0;       // searched-device nodes looked at so far
  std::string lastWaitText_;
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
