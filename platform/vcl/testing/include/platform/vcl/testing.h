#pragma once
// Drives the form programs in tests the way a person does, in virtual time,
// with every message box, dialog and modal form answered by the test's
// script. Built on the window core's harness (platform/ui/testing.h).
//
//   plat::testing::Session ui;                 // virtual clock + scripted backend + TApplication
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
#include <string>
#include <string_view>

#include "platform/ui/testing.h"
#include "platform/vcl/forms.h"

namespace plat::testing {

class FormScripts;

// One fresh form application (vcl::Application) in virtual time per test.
class Session : public CoreSession {
 public:
  explicit Session(SessionOptions options = {});
  ~Session();
  static Session& Current();

  vcl::TApplication& App() { return static_cast<vcl::TApplication&>(CoreSession::App()); }

  // fn runs inside the modal loop of the form of that name (it may click,
  // advance time, read controls) and must end the dialog, or leave it to a
  // further expectation for the same form (one per turn of the loop).
  void ExpectModal(std::string formName, std::function<void(vcl::TForm& form)> fn);

 private:
  std::shared_ptr<FormScripts> forms_;
};

// ---- what a person does (each failing the test when a person could not)
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

void ExpectModal(std::string formName, std::function<void(vcl::TForm& form)> fn);

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
