#pragma once
// Forms, the application façade and what a person can do to them. The same
// input functions serve the tests and a real backend, so whatever a person
// can do, a headless test can do the same way.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vcl/controls.h"

namespace vcl {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
}  // namespace vcl
template <>
struct plat::IsFlagEnum<vcl::TBorderIcon> : std::true_type {};
namespace vcl {
using TBorderIcons = EnumSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                 poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// Nominal sizes of what a window manager adds around a form's client area.
constexpr int kFormBorder = 4, kFormCaption = 23, kToolCaption = 17, kFormMenuBar = 20;

class TForm : public TControl {
 public:
  // A form starts hidden. Build the components in the derived constructor;
  // OnCreate runs after it (CreateForm, or AfterConstruction by hand).
  explicit TForm(TComponent* owner);
  ~TForm() override;
  const char* ClassName() const override { return "TForm"; }

  Prop<TFormBorderStyle> BorderStyle{this, plat::dfAppearance | plat::dfGeometry, bsSizeable};
  Prop<TBorderIcons> BorderIcons{this, plat::dfAppearance,
                                 TBorderIcons(biSystemMenu) | biMinimize | biMaximize};
  Prop<TFormStyle> FormStyle{this, plat::dfAppearance, fsNormal};
  Prop<TPosition> Position{this, plat::dfGeometry, poDesigned};
  Prop<bool> TransparentColor{this, plat::dfAppearance, false};
  Prop<TColor> TransparentColorValue{this, plat::dfAppearance, clBlack};
  Prop<std::string> Icon{this, plat::dfAppearance};  // picture resource name
  Prop<bool> KeyPreview{this, plat::dfState, false};
  Prop<class TMainMenu*> Menu{this, plat::dfStructure | plat::dfGeometry, nullptr};
  Prop<TModalResult> ModalResult{this, plat::dfState, mrNone};

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  void Show();
  void Hide();
  // Runs a nested loop until ModalResult is set (and the form agrees to
  // close) or the form is closed; timers, posted events and synchronised
  // calls keep running. Every other window is disabled meanwhile.
  int ShowModal();
  // OnCloseQuery, then OnClose; a modal form only gets ModalResult = mrCancel
  // and its loop does the rest. Closing the main form ends the application.
  void Close();
  bool CloseQuery();
  // Frees the form once the current event is over.
  void Release();
  bool IsModal() const { return modal_; }
  // True while OnShow runs: the form is Visible already but not yet on the
  // screen, which a backend shows it on only afterwards.
  bool InShowHandler() const { return inShowHandler_; }
  // Runs OnCreate once.
  void AfterConstruction();
  // Ends a modal loop without asking the form (the test harness uses it for
  // a modal form nobody expected).
  void ForceEndModal(TModalResult result);

 protected:
  void BeforeDestruction() override;
  void DefaultHandler(plat::Message& m) override;
  void VisibleChanged() override;
  void ShowingMayHaveChanged() override;
  int FrameWidth() const override;
  int FrameHeight() const override;

 private:
  void Place();
  bool modal_ = false;
  bool forced_ = false;
  bool created_ = false;
  bool updatingSheets_ = false;
  bool sheetsAgain_ = false;
  bool wasVisible_ = false;
  bool inShowHandler_ = false;
  std::vector<std::uint64_t> showingSheets_;
};

TForm* GetParentForm(plat::Window* w);

// The application façade: one instance, reached through the global Application.
class TApplication : public plat::Application {
 public:
  TApplication();
  ~TApplication() override;
  TForm* GetMainForm() const;
  ReadOnly<TApplication, TForm*, &TApplication::GetMainForm> MainForm{this};

  void Initialize() {}
  // Makes the form (owned by the application), stores it in ref, makes the
  // first one the main form, then runs its OnCreate. ref must outlive the
  // application (the programs pass their form globals); it is cleared when
  // the application goes.
  template <class T>
  void CreateForm(T*& ref) {
    T* form = new T(this);
    ref = form;
    clearRefs_.push_back([&ref] { ref = nullptr; });
    if (!mainForm_) mainForm_ = form->Id();
    form->AfterConstruction();
  }
  // Shows the main form (its OnShow runs) and turns the loop until the
  // application terminates (closing the main form terminates it).
  void Run();

 private:
  std::uint64_t mainForm_ = 0;
  std::vector<std::function<void()>> clearRefs_;
};

extern TApplication* Application;
extern TScreen* Screen;

// ---------------------------------------------------------------- what a person does
// Each answers an empty text when done, or why a person could not do it (a
// hidden or disabled control, a read-only edit...), changing nothing then.
namespace person {
std::string Click(TComponent* c);
// Replaces the text as if typed (an edit, a memo, an editable combo box).
std::string Type(TControl* c, const std::string& text);
std::string Select(TComboBox* combo, int index);
std::string ChooseMenu(TMenuItem* item);
// A key combination pressed on the form: a main-menu item with that
// shortcut (visible or not) is clicked if enabled; Esc clicks an enabled
// Cancel button and Enter an enabled Default button; nothing else happens.
std::string PressKeys(TForm* form, std::string_view keys);
// The window manager's close (close box, Alt+F4, session end).
std::string CloseByWindowManager(TForm* form);
// A press on a node: selects it, then OnClick.
std::string ClickNode(TTreeView* tree, TTreeNode* node);
std::string ShowPage(TPageControl* pc, TTabSheet* sheet);
std::string MouseMove(TControl* c, int x, int y);
std::string EditLabel(TTreeView* tree, TTreeNode* node, const std::string& text);
// Drag and drop: start on a source (OnStartDrag), move over targets
// (OnDragOver with enter, move and leave; no target is nothing droppable),
// drop (leave, then OnDragDrop if the last move was accepted, then
// OnEndDrag on the source), or cancel (leave, OnEndDrag without target).
std::string BeginDrag(TControl* source);
std::string DragOver(TControl* target, int x, int y);
std::string Drop(int x, int y);
void CancelDrag();
bool Dragging();
}  // namespace person

}  // namespace vcl
