// The trace viewer shown to someone without a display: the very program
// (its application object, frame, view and dialogs) through the Qt backend,
// with a scripted person in place of the absent one. It takes a picture of
// the whole screen at every step:
//
//   - the viewer with a few traces on channels 1 to 6 (filed through the
//     document's automation method, as a client would);
//   - the display selection "Ausgabe von...", where channel 3 is unticked
//     and OK pressed, and the list without channel 3;
//   - the sheet "Optionen...": on "Spalten" the date column is switched off,
//     on "Farben" channel 2 gets another colour through the colour dialog,
//     "Ausgabemedium" is looked at; OK, and the list with the new column set
//     and colour;
//   - the splash picture while the viewer starts;
//   - the info dialog "Info über Lorvex " from the about command, closed
//     with "Cool";
//   - the frame closed, as a person ends the viewer.
//
//   lorvex_demo FOLDER
//
// The pictures are FOLDER/lorvex-demo-<step>.png. Prints each picture's
// path as it is written and "demo: ..." where the script could not be
// followed. Exits 0, or 3 when the script could not be followed; 2 without a
// window backend (no display).

#include <cstdio>
#include <string>

#include "demo_person.h"
#include "gui/backend_choice.h"
#include "gui/frame_rendering.h"
#include "lorvex/dlg_info.h"
#include "lorvex/logo_wnd.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_doc.h"
#include "lorvex/lorvex_view.h"
#include "lorvex/option_dialogs.h"
#include "platform/ui/application.h"
#include "platform/ui/session_end.h"

namespace {

namespace person = afx::person;

// A step is tried every kStepMs of real time, so that each window has been
// shown (and painted by Qt) before it is photographed.
constexpr unsigned kStepMs = 400;
// The colour channel 2 gets: orange.
constexpr std::uint32_t kNewColour = 0x0080FF;

class DemoPerson : public demo::Outcomes {
 public:
  explicit DemoPerson(std::string folder)
      : folder_(std::move(folder)), timer_([this] { Step(); }), splashTimer_([this] { SplashShot(); }) {
    timer_.SetInterval(kStepMs);
    timer_.SetEnabled(true);
    // The splash shows for 750 ms from the frame's creation: looked at early.
    splashTimer_.SetInterval(50);
    splashTimer_.SetEnabled(true);
  }

 private:
  enum class Stage {
    Start, Traced, OpenDisplay, InDisplay, DisplayOk, AfterDisplay, OpenOptions, Columns, Colours, ChooseColour,
    AfterColour, Media, AfterOptions, OpenAbout, InAbout, AfterAbout, Close, Done
  };

  static afx::CFrameWnd* Frame() { return dynamic_cast<afx::CFrameWnd*>(afx::AfxGetMainWnd()); }
  template <class T>
  static T* Modal() {
    return dynamic_cast<T*>(plat::Application::Current()->ModalWindow());
  }

  void Step() {
    // A step that opens a dialog of its own (the colour dialog) turns the
    // loop inside it: the timer's next ticks wait until it is over.
    if (inside_) return;
    inside_ = true;
    Act();
    inside_ = false;
  }

  void Act() {
    afx::CFrameWnd* frame = Frame();
    if (!frame || !frame->IsWindowVisible() || CLogoWnd::Instance()) return;
    switch (stage_) {
      case Stage::Start:
        if (auto* doc = dynamic_cast<CLorvexDoc*>(frame->GetActiveDocument())) {
          const char* texts[] = {"Verbindung aufgebaut", "Knoten 12 antwortet", "Wert 0x3F gelesen",
                                 "Zeitlimit erreicht", "Suche beendet", "Ausgabe gestartet"};
          for (int n = 1; n <= 6; ++n) {
            for (int k = 0; k < 2; ++k) doc->Trace(n, "lorvex_demo", "10.12.2026", "14:03:0" + std::to_string(n), texts[n - 1]);
          }
        }
        // The list shows a burst of changes at its next repaint, not at once.
        stage_ = Stage::Traced;
        return;
      case Stage::Traced:
        Next(Stage::OpenDisplay, "1-viewer");
        return;
      case Stage::OpenDisplay:
        stage_ = Stage::InDisplay;
        frame->PostMessage(afx::WM_COMMAND, ID_DISPLAY_SELECTION);
        return;
      case Stage::InDisplay:
        if (auto* dlg = Modal<CDlgAnzeige>()) {
          Shot("2-display-selection");
          if (dlg->m_CheckList.GetCheck(2) == 1) Do(person::ToggleCheck(&dlg->m_CheckList, 2));
          stage_ = Stage::DisplayOk;
        }
        return;
      case Stage::DisplayOk:
        if (auto* dlg = Modal<CDlgAnzeige>()) {
          Shot("3-display-selection-id03-unticked");
          stage_ = Stage::AfterDisplay;
          Do(person::Click(dlg->GetDlgItem(afx::IDOK)));
        }
        return;
      case Stage::AfterDisplay:
        if (Modal<plat::Window>()) return;
        Next(Stage::OpenOptions, "4-viewer-without-id03");
        return;
      case Stage::OpenOptions:
        stage_ = Stage::Columns;
        frame->PostMessage(afx::WM_COMMAND, ID_OPTIONS);
        return;
      case Stage::Columns:
        if (auto* sheet = Modal<COptionenSheet>()) {
          Shot("5-options-spalten");
          if (auto* date = dynamic_cast<afx::CButton*>(sheet->GetPage(0)->GetDlgItem(IDC_DATUM)); date && date->GetCheck()) {
            Do(person::Click(date));
          }
          stage_ = Stage::Colours;
        }
        return;
      case Stage::Colours:
        if (auto* sheet = Modal<COptionenSheet>()) {
          Shot("6-options-spalten-datum-off");
          Do(person::ChooseTab(sheet, 1));
          if (auto* page = dynamic_cast<CDlgSpalten*>(sheet->GetPage(1))) Do(person::Select(&page->m_IdList, 1));
          stage_ = Stage::ChooseColour;
        }
        return;
      case Stage::ChooseColour:
        if (auto* sheet = Modal<COptionenSheet>()) {
          Shot("7-options-farben");
          stage_ = Stage::AfterColour;
          // The colour dialog runs its own loop: it is answered from there.
          gui::AnswerNextColorDialog(kNewColour, Path("8-colour-dialog"));
          Do(person::Click(sheet->GetPage(1)->GetDlgItem(IDC_CHOOSE_COLOR)));
        }
        return;
      case Stage::AfterColour:
        if (auto* sheet = Modal<COptionenSheet>()) {
          Shot("9-options-farben-new-colour");
          Do(person::ChooseTab(sheet, 2));
          stage_ = Stage::Media;
        }
        return;
      case Stage::Media:
        if (auto* sheet = Modal<COptionenSheet>()) {
          Shot("10-options-ausgabemedium");
          stage_ = Stage::AfterOptions;
          Do(person::Click(sheet->GetDlgItem(afx::IDOK)));
        }
        return;
      case Stage::AfterOptions:
        if (Modal<plat::Window>()) return;
        if (CLorvexApp* app = LorvexApp(); app && (app->Datum != 0 || app->Channel(2).Color != kNewColour)) {
          Fail("the options sheet did not change the date column and the colour of channel 2");
        }
        Next(Stage::OpenAbout, "11-viewer-after-options");
        return;
      case Stage::OpenAbout:
        stage_ = Stage::InAbout;
        frame->PostMessage(afx::WM_COMMAND, afx::ID_APP_ABOUT);
        return;
      case Stage::InAbout:
        if (auto* dlg = Modal<CDlgInfo>()) {
          Shot("12-info");
          stage_ = Stage::AfterAbout;
          Do(person::Click(dlg->GetDlgItem(afx::IDOK)));
        }
        return;
      case Stage::AfterAbout:
        if (Modal<plat::Window>()) return;
        stage_ = Stage::Close;
        return;
      case Stage::Close:
        stage_ = Stage::Done;
        timer_.SetEnabled(false);
        person::Close(frame);
        return;
      case Stage::Done:
        return;
    }
  }

  void SplashShot() {
    if (!CLogoWnd::Instance()) return;
    splashTimer_.SetEnabled(false);
    Shot("0-splash");
  }

  void Next(Stage next, const std::string& step) {
    Shot(step);
    stage_ = next;
  }
  std::string Path(const std::string& step) const { return folder_ + "/lorvex-demo-" + step + ".png"; }
  void Shot(const std::string& step) {
    const std::string path = Path(step);
    Picture(gui::SaveScreenPicture(path), path, "could not write " + path);
  }

  std::string folder_;
  plat::Timer timer_;
  plat::Timer splashTimer_;
  Stage stage_ = Stage::Start;
  bool inside_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  plat::BlockSessionEndSignals();  // before any thread exists
  plat::Application loop;
  gui::UseFrameRenderings();
  gui::InstallBackend(loop, argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: lorvex_demo FOLDER\n");
    return 2;
  }
  if (!gui::ShownByQt()) {
    std::fprintf(stderr, "lorvex_demo: no display to show the windows on (set DISPLAY or QT_QPA_PLATFORM)\n");
    return 2;
  }
  plat::OnSessionEnd(loop, [&loop] {
    if (afx::CWnd* main = afx::AfxGetMainWnd()) main->DestroyWindow();
    loop.Terminate();
  });
  CLorvexApp theApp;
  DemoPerson person(argv[1]);
  char* args[] = {argv[0], nullptr};
  const int result = afx::AfxWinMain(1, args);
  return person.failed() ? 3 : result;
}
