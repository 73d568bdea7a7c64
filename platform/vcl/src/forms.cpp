#include "platform/vcl/forms.h"

#include <algorithm>

#include "platform/exception.h"

namespace vcl {

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

TForm* GetParentForm(plat::Window* w) {
  return w ? dynamic_cast<TForm*>(w->TopLevel()) : nullptr;
}

// ---------------------------------------------------------------- forms
TForm::TForm(TComponent* owner) : TControl(owner) {
  Visible.Init(false);
  if (plat::Application* app = plat::Application::Current()) app->AddTopLevel(*this);
}

TForm::~TForm() {
  if (plat::Application* app = plat::Application::Current()) {
    if (modal_) app->EndModal(*this);
    app->RemoveTopLevel(*this);
  }
  DestroyComponents();
}

void TForm::AfterConstruction() {
  if (created_) return;
  created_ = true;
  if (OnCreate) Fire([this] { OnCreate(this); });
}

void TForm::BeforeDestruction() {
  if (OnDestroy) Fire([this] { OnDestroy(this); });
}

int TForm::FrameWidth() const { return BorderStyle == bsNone ? 0 : 2 * kFormBorder; }

int TForm::FrameHeight() const {
  if (BorderStyle == bsNone) return 0;
  int h = 2 * kFormBorder;
  h += (BorderStyle == bsToolWindow || BorderStyle == bsSizeToolWin) ? kToolCaption : kFormCaption;
  if (TMainMenu* menu = Menu; menu && menu->Items->GetCount() > 0) h += kFormMenuBar;
  return h;
}

void TForm::Place() {
  switch (Position.Get()) {
    case poScreenCenter:
    case poDesktopCenter:
    case poMainFormCenter:
    case poOwnerFormCenter:
      if (plat::Screen* screen = Screen) {
        Left = (screen->Width - Width) / 2;
        Top = (screen->Height - Height) / 2;
      }
      break;
    default:
      break;
  }
}

void TForm::Show() {
  Visible = true;
}

void TForm::Hide() { Visible = false; }

void TForm::VisibleChanged() {
  const bool now = Visible;
  if (now == wasVisible_) return;
  wasVisible_ = now;
  if (now) {
    Place();
    if (OnShow) {
      // The window appears once its handler is done; the backend is told again then.
      inShowHandler_ = true;
      Fire([this] { OnShow(this); });
      inShowHandler_ = false;
      Changed(plat::dfVisibility);
    }
  } else if (OnHide) {
    Fire([this] { OnHide(this); });
  }
  ShowingMayHaveChanged();
}

namespace {
void CollectShowingSheets(plat::Window* w, std::vector<std::uint64_t>& out) {
  for (int i = 0; i < w->GetControlCount(); ++i) {
    plat::Window* child = w->Controls(i);
    if (!child->Showing()) continue;
    if (dynamic_cast<TTabSheet*>(child)) out.push_back(child->Id());
    CollectShowingSheets(child, out);
  }
}
}  // namespace

void TForm::ShowingMayHaveChanged() {
  if (updatingSheets_) {
    sheetsAgain_ = true;
    return;
  }
  updatingSheets_ = true;
  do {
    sheetsAgain_ = false;
    std::vector<std::uint64_t> now;
    if (Visible) CollectShowingSheets(this, now);
    const std::vector<std::uint64_t> before = showingSheets_;
    showingSheets_ = now;
    for (std::uint64_t id : before) {
      if (std::find(now.begin(), now.end(), id) != now.end()) continue;
      if (auto* sheet = dynamic_cast<TTabSheet*>(plat::Component::FromId(id)); sheet && sheet->OnHide) {
        Fire([sheet] { sheet->OnHide(sheet); });
      }
    }
    for (std::uint64_t id : now) {
      if (std::find(before.begin(), before.end(), id) != before.end()) continue;
      if (auto* sheet = dynamic_cast<TTabSheet*>(plat::Component::FromId(id)); sheet && sheet->OnShow) {
        Fire([sheet] { sheet->OnShow(sheet); });
      }
    }
  } while (sheetsAgain_);
  updatingSheets_ = false;
}

bool TForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TForm::Close() {
  if (modal_) {
    ModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application && Application->MainForm == this) {
    Application->Terminate();
    Hide();
    return;
  }
  switch (action) {
    case caFree:
      Hide();
      Release();
      break;
    default:
      Hide();
      break;
  }
}

void TForm::Release() {
  plat::Application* app = plat::Application::Current();
  if (!app) return;
  const std::uint64_t id = Id();
  app->Post([id] {
    if (auto* form = dynamic_cast<TForm*>(plat::Component::FromId(id))) form->Free();
  });
}

void TForm::ForceEndModal(TModalResult result) {
  forced_ = true;
  ModalResult = result;
}

int TForm::ShowModal() {
  plat::Application* app = plat::Application::Current();
  if (!app) throw plat::Exception("Cannot show a modal form without an application");
  if (Visible || modal_) throw plat::Exception("Cannot make a visible window modal");
  ModalResult = mrNone;
  modal_ = true;
  forced_ = false;
  Changed(plat::dfState);
  app->BeginModal(*this);
  Show();
  TCloseAction action = caHide;
  for (;;) {
    app->RunLoopUntil([this] { return ModalResult != mrNone || !Visible; });
    if (app->Terminated() || !Visible) {
      if (ModalResult == mrNone) ModalResult = mrCancel;
      break;
    }
    if (forced_) break;
    bool can = false;
    action = caHide;
    Fire([&] {
      can = CloseQuery();
      if (can && OnClose) OnClose(this, action);
    });
    if (can && action != caNone) break;
    ModalResult = mrNone;
  }
  const int result = ModalResult;
  modal_ = false;
  Hide();
  app->EndModal(*this);
  Changed(plat::dfState);
  if (action == caFree) Release();
  return result;
}

void TForm::DefaultHandler(plat::Message& m) {
  if (m.msg == plat::WM_CLOSE) {
    Close();
    m.result = 0;
    return;
  }
  TControl::DefaultHandler(m);
}

// ---------------------------------------------------------------- application
TApplication::TApplication() {
  person::CancelDrag();  // a drag left over from an application before does not carry over
  vcl::Application = this;
  vcl::Screen = GetScreen();
}

TApplication::~TApplication() {
  Terminate();
  DestroyComponents();
  for (auto& clear : clearRefs_) clear();
  vcl::Application = nullptr;
  vcl::Screen = nullptr;
}

TForm* TApplication::GetMainForm() const { return dynamic_cast<TForm*>(plat::Component::FromId(mainForm_)); }

void TApplication::Run() {
  TForm* main = GetMainForm();
  if (!main) return;
  Fire([main] { main->Show(); });
  RunLoopUntil([] { return false; });
}

// ---------------------------------------------------------------- what a person does
namespace person {
namespace {
std::string NameOf(const TComponent* c) {
  if (!c) return "(none)";
  const std::string n = c->Name;
  return n.empty() ? std::string(c->ClassName()) : n;
}

std::string Reachable(plat::Window* w) {
  if (!w) return "no control";
  if (!w->Showing()) return NameOf(w) + " is not visible";
  if (!w->EffectivelyEnabled()) return NameOf(w) + " is disabled";
  return "";
}

// With virtual time the loop's turn after an event is run here; a real
// backend's loop does it itself.
void Done() {
  plat::Application* app = plat::Application::Current();
  if (app && plat::CurrentClock().IsVirtual()) app->Idle();
}

struct DragSession {
  bool active = false;
  std::uint64_t source = 0;
  std::uint64_t target = 0;
  bool accepted = false;
};
DragSession gDrag;

TControl* DragSource() { return dynamic_cast<TControl*>(plat::Component::FromId(gDrag.source)); }
TControl* DragTarget() { return dynamic_cast<TControl*>(plat::Component::FromId(gDrag.target)); }

bool AskDragOver(TControl* target, int x, int y, TDragState state) {
  bool accept = false;
  if (target->OnDragOver) {
    accept = true;
    TControl* source = DragSource();
    Fire([&] { target->OnDragOver(target, source, x, y, state, accept); });
  }
  return accept;
}

void LeaveTarget(int x, int y) {
  if (TControl* t = DragTarget()) AskDragOver(t, x, y, dsDragLeave);
  gDrag.target = 0;
}

void EndDrag(TControl* target, int x, int y) {
  TControl* source = DragSource();
  gDrag = DragSession{};
  if (source && source->OnEndDrag) Fire([&] { source->OnEndDrag(source, target, x, y); });
}

TMenuItem* RootOf(TMenuItem* item) {
  while (item->GetParentItem()) item = item->GetParentItem();
  return item;
}

TForm* FormOfMenu(TMenuItem* item) {
  TMenuItem* root = RootOf(item);
  plat::Application* app = plat::Application::Current();
  if (!app) return nullptr;
  for (plat::Window* w : app->TopLevelWindows()) {
    auto* form = dynamic_cast<TForm*>(w);
    if (form && form->Menu.Get() && form->Menu->Items == root) return form;
  }
  return nullptr;
}

TButton* FindDialogButton(plat::Window* w, bool cancel) {
  for (int i = 0; i < w->GetControlCount(); ++i) {
    plat::Window* child = w->Controls(i);
    if (auto* b = dynamic_cast<TButton*>(child)) {
      if ((cancel ? b->Cancel.Get() : b->Default.Get()) && b->Showing() && b->EffectivelyEnabled()) return b;
    }
    if (TButton* found = FindDialogButton(child, cancel)) return found;
  }
  return nullptr;
}
}  // namespace

std::string Click(TComponent* c) {
  if (auto* item = dynamic_cast<TMenuItem*>(c)) return ChooseMenu(item);
  if (auto* sheet = dynamic_cast<TTabSheet*>(c)) return ShowPage(sheet->PageControl, sheet);
  auto* control = dynamic_cast<TControl*>(c);
  if (!control) return NameOf(c) + " cannot be clicked";
  if (std::string why = Reachable(control); !why.empty()) return why;
  Fire([control] { control->Click(); });
  Done();
  return "";
}

std::string Type(TControl* c, const std::string& text) {
  if (std::string why = Reachable(c); !why.empty()) return why;
  if (auto* edit = dynamic_cast<TEdit*>(c)) {
    if (edit->ReadOnly) return NameOf(c) + " is read-only";
    std::string t = text;
    if (edit->MaxLength > 0 && static_cast<int>(t.size()) > edit->MaxLength) t.resize(static_cast<std::size_t>(edit->MaxLength.Get()));
    edit->Text = t;
  } else if (auto* memo = dynamic_cast<TMemo*>(c)) {
    if (memo->ReadOnly) return NameOf(c) + " is read-only";
    memo->Text = text;
  } else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
    if (combo->Style == csDropDownList) return NameOf(c) + " takes no typing";
    combo->Text = text;
    if (combo->OnChange) Fire([combo] { combo->OnChange(combo); });
  } else {
    return NameOf(c) + " takes no text";
  }
  Done();
  return "";
}

std::string Select(TComboBox* combo, int index) {
  if (std::string why = Reachable(combo); !why.empty()) return why;
  if (index < 0 || index >= combo->Items->GetCount()) {
    return NameOf(combo) + " has no item " + std::to_string(index);
  }
  combo->ItemIndex = index;
  if (combo->OnChange) Fire([combo] { combo->OnChange(combo); });
  Done();
  return "";
}

std::string ChooseMenu(TMenuItem* item) {
  if (!item) return "no menu item";
  for (TMenuItem* i = item; i && i->GetParentItem(); i = i->GetParentItem()) {
    if (!i->Visible) return NameOf(i) + " is not visible";
    if (!i->Enabled) return NameOf(i) + " is disabled";
  }
  TForm* form = FormOfMenu(item);
  if (!form) return NameOf(item) + " is on no form's menu";
  if (std::string why = Reachable(form); !why.empty()) return why;
  Fire([item] { item->Click(); });
  Done();
  return "";
}

std::string PressKeys(TForm* form, std::string_view keys) {
  const TShortCut sc = TextToShortCut(keys);
  if (sc == 0) return "no such key: " + std::string(keys);
  if (std::string why = Reachable(form); !why.empty()) return why;
  if (TMainMenu* menu = form->Menu) {
    if (TMenuItem* item = menu->Items->FindShortCut(sc)) {
      if (item->Enabled) Fire([item] { item->Click(); });
      Done();
      return "";
    }
  }
  if (sc == VK_ESCAPE || sc == VK_RETURN) {
    if (TButton* b = FindDialogButton(form, sc == VK_ESCAPE)) Fire([b] { b->Click(); });
  }
  Done();
  return "";
}

std::string CloseByWindowManager(TForm* form) {
  if (!form || !form->Visible) return NameOf(form) + " is not shown";
  if (!form->Enabled) return NameOf(form) + " is disabled";
  Fire([form] { form->SendMessage(plat::WM_CLOSE); });
  Done();
  return "";
}

std::string ClickNode(TTreeView* tree, TTreeNode* node) {
  if (std::string why = Reachable(tree); !why.empty()) return why;
  if (!tree->Items->Contains(node)) return "the node is not in " + NameOf(tree);
  tree->Selected = node;
  if (tree->OnClick) Fire([tree] { tree->OnClick(tree); });
  Done();
  return "";
}

std::string ShowPage(TPageControl* pc, TTabSheet* sheet) {
  if (std::string why = Reachable(pc); !why.empty()) return why;
  if (!sheet || sheet->PageControl != pc) return NameOf(sheet) + " is not a page of " + NameOf(pc);
  if (!sheet->TabVisible || !sheet->Visible) return NameOf(sheet) + " has no visible tab";
  pc->ActivePage = sheet;
  Done();
  return "";
}

std::string MouseMove(TControl* c, int x, int y) {
  if (!c || !c->Showing()) return NameOf(c) + " is not visible";
  if (c->OnMouseMove) Fire([&] { c->OnMouseMove(c, TShiftState(), x, y); });
  Done();
  return "";
}

std::string EditLabel(TTreeView* tree, TTreeNode* node, const std::string& text) {
  if (std::string why = Reachable(tree); !why.empty()) return why;
  if (!tree->EditLabel(node, text)) return NameOf(tree) + " does not let labels be edited";
  Done();
  return "";
}

std::string BeginDrag(TControl* source) {
  if (gDrag.active) return "a drag is already running";
  if (std::string why = Reachable(source); !why.empty()) return why;
  gDrag = DragSession{true, source->Id(), 0, false};
  if (source->OnStartDrag) Fire([source] { source->OnStartDrag(source); });
  Done();
  return "";
}

std::string DragOver(TControl* target, int x, int y) {
  if (!gDrag.active) return "no drag is running";
  if (target && !target->Showing()) return NameOf(target) + " is not visible";
  if (target != DragTarget()) {
    LeaveTarget(x, y);
    gDrag.accepted = false;
    if (target) {
      gDrag.target = target->Id();
      gDrag.accepted = AskDragOver(target, x, y, dsDragEnter);
    }
  } else if (target) {
    gDrag.accepted = AskDragOver(target, x, y, dsDragMove);
  }
  Done();
  return "";
}

std::string Drop(int x, int y) {
  if (!gDrag.active) return "no drag is running";
  TControl* target = DragTarget();
  const bool accepted = gDrag.accepted && target;
  LeaveTarget(x, y);
  TControl* source = DragSource();
  if (accepted && target->OnDragDrop) Fire([&] { target->OnDragDrop(target, source, x, y); });
  EndDrag(accepted ? target : nullptr, x, y);
  Done();
  return "";
}

void CancelDrag() {
  if (!gDrag.active) return;
  LeaveTarget(0, 0);
  EndDrag(nullptr, 0, 0);
  Done();
}

bool Dragging() { return gDrag.active; }
}  // namespace person

}  // namespace vcl
