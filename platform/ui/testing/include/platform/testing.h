#pragma once
// Drives the programs in tests the way a person does, in virtual time, with
// every message box and dialog answered by the test's script.
//
//   plat::testing::Session ui;                 // virtual clock + scripted backend
//   Application->CreateForm(Form_Main);
//   ui.ExpectModal("Form_SelectHardware", [](vcl::TForm& f) { Click(Find<TSpeedButton>(&f, "SpeedButton_PCI")); });
//   Form_Main->Show();
//   ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
//   Click(Form_Main->SpeedButton_Reset);
//   Advance(4000);
//
// An unexpected box or modal form fails the test (and gets a safe answer);
// an expectation never met fails it at the end of the session.

#include <functional>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "platform/forms.h"

namespace plat::testing {

struct BoxRecord {
  BoxKind kind = BoxKind::MessageBox;
  std::string owner;  // the owner window's name; empty without owner
  std::string caption;
  std::string text;
  unsigned flags = 0;
  int answer = 0;
};

enum class DialogKind { Open, Save, Color };

struct DialogRecord {
  DialogKind kind = DialogKind::Open;
  std::string dialogName;
  std::string title;
  std::string filter;
  std::string defaultExt;
  TOpenOptions options;
  std::string fileName;  // the file the dialog starts at
};

class BoxExpectation {
 public:
  explicit BoxExpectation(std::string text) : text_(std::move(text)) {}
  BoxExpectation& Caption(std::string caption) { caption_ = std::move(caption); return *this; }
  BoxExpectation& Flags(unsigned flags) { flags_ = flags; return *this; }
  BoxExpectation& Owner(std::string ownerName) { owner_ = std::move(ownerName); return *this; }
  BoxExpectation& Kind(BoxKind kind) { kind_ = kind; return *this; }
  // The button pressed (default: the first button the box offers).
  BoxExpectation& Answer(int answer) { answer_ = answer; return *this; }
  // Runs while the box is open (it may advance time: timers keep firing).
  BoxExpectation& While(std::function<void()> fn) { while_ = std::move(fn); return *this; }

  bool Matches(const BoxRequest& box) const;
  std::string Describe() const;

 private:
  friend class ScriptedBackend;
  std::string text_;
  std::optional<std::string> caption_;
  std::optional<unsigned> flags_;
  std::optional<std::string> owner_;
  std::optional<BoxKind> kind_;
  std::optional<int> answer_;
  std::function<void()> while_;
};

struct SessionOptions {
  std::uint32_t startTick = 0;  // the tick count at virtual time 0
};

class ScriptedBackend;

// One fresh application in virtual time per test.
class Session {
 public:
  explicit Session(SessionOptions options = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  static Session& Current();

  vcl::TApplication& App() { return *app_; }

  // Boxes are expected in order: each box shown must match the next expectation.
  BoxExpectation& ExpectBox(std::string text);
  // fn runs inside the modal loop of the form of that name (it may click,
  // advance time, read controls) and must end the dialog, or leave it to a
  // further expectation for the same form (one per turn of the loop).
  void ExpectModal(std::string formName, std::function<void(vcl::TForm& form)> fn);
  // The same for a modal window that is not a form (a dialog of the
  // frame/document/view façade), known by its caption. An unexpected one
  // fails the test and is closed (WM_CLOSE).
  void ExpectModalWindow(std::string caption, std::function<void(Window& window)> fn);
  // Answers the next file dialog with a path, or cancels it (nullopt).
  void ExpectOpenDialog(std::optional<std::string> path);
  void ExpectSaveDialog(std::optional<std::string> path);
  void ExpectColorDialog(std::optional<TColor> color);
  // What the person does while the main loop (Application->Run) waits.
  void WhenIdle(std::function<void()> fn);

  const std::vector<BoxRecord>& Boxes() const;
  const std::vector<DialogRecord>& Dialogs() const;
  void ClearRecords();
  int ComponentsChangedCalls() const;

 private:
  std::shared_ptr<Clock> previousClock_;
  std::shared_ptr<ScriptedBackend> backend_;
  std::unique_ptr<vcl::TApplication> app_;
};

// ---- what a person does (each failing the test when a person could not)
using Loc = std::source_location;
void Advance(std::uint32_t ms);
void Click(vcl::TComponent* c, Loc loc = Loc::current());
void Type(vcl::TControl* c, const std::string& text, Loc loc = Loc::current());
void Select(vcl::TComboBox* combo, int index, Loc loc = Loc::current());
void ChooseMenu(vcl::TMenuItem* item, Loc loc = Loc::current());
void PressKeys(vcl::TForm* form, std::string_view keys, Loc loc = Loc::current());
void PressEscape(vcl::TForm* form, Loc loc = Loc::current());
void CloseByWindowManager(vcl::TForm* form, Loc loc = Loc::current());
void ClickNode(vcl::TTreeView* tree, vcl::TTreeNode* node, Loc loc = Loc::current());
// Press on the node (a click), then drag it over target (enter, move) and
// drop: the drop lands only if the target accepted.
void Drag(vcl::TTreeView* source, vcl::TTreeNode* node, vcl::TControl* target, Loc loc = Loc::current());
void ShowPage(vcl::TPageControl* pc, vcl::TTabSheet* sheet, Loc loc = Loc::current());
void MouseMove(vcl::TControl* c, int x, int y, Loc loc = Loc::current());

BoxExpectation& ExpectBox(std::string text);
void ExpectModal(std::string formName, std::function<void(vcl::TForm& form)> fn);
void ExpectModalWindow(std::string caption, std::function<void(Window& window)> fn);

// ---- reading components back by name
void ReportWrongType(std::string_view name, const char* className, Loc loc);
vcl::TComponent* FindIn(vcl::TComponent* owner, std::string_view name, Loc loc = Loc::current());
template <class T>
T* Find(vcl::TComponent* owner, std::string_view name, Loc loc = Loc::current()) {
  vcl::TComponent* c = FindIn(owner, name, loc);
  T* typed = dynamic_cast<T*>(c);
  if (c && !typed) ReportWrongType(name, c->ClassName(), loc);
  return typed;
}
// A top-level form of the application by name.
vcl::TForm* FindForm(std::string_view name, Loc loc = Loc::current());

}  // namespace plat::testing
