#include "platform/testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace plat::testing {

namespace {
Session* gSession = nullptr;

const char* KindName(BoxKind k) {
  switch (k) {
    case BoxKind::MessageBox: return "message box";
    case BoxKind::ShowMessage: return "message";
    case BoxKind::Exception: return "exception box";
  }
  return "box";
}

std::string Describe(const BoxRequest& b) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%X", b.flags);
  return std::string(KindName(b.kind)) + " [" + b.caption + "] \"" + b.text + "\" flags " + flags +
         (b.ownerName.empty() ? "" : " owner " + b.ownerName);
}

int FirstButton(unsigned flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
  }
}

void Report(const std::string& why, const char* what, const Loc& loc) {
  if (!why.empty()) ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line())) << what << ": " << why;
}
}  // namespace

bool BoxExpectation::Matches(const BoxRequest& box) const {
  return box.text == text_ && (!caption_ || *caption_ == box.caption) && (!flags_ || *flags_ == box.flags) &&
         (!owner_ || *owner_ == box.ownerName) && (!kind_ || *kind_ == box.kind);
}

std::string BoxExpectation::Describe() const {
  std::string out = "\"" + text_ + "\"";
  if (caption_) out += " captioned [" + *caption_ + "]";
  if (flags_) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%X", *flags_);
    out += std::string(" flags ") + flags;
  }
  if (owner_) out += " owner " + *owner_;
  return out;
}

class ScriptedBackend : public Backend {
 public:
  struct ModalExpectation {
    std::string formName;
    std::function<void(vcl::TForm&)> fn;
  };
  struct DialogExpectation {
    DialogKind kind;
    std::optional<std::string> path;
    std::optional<TColor> color;
  };
  struct ModalSession {
    std::uint64_t form;
    bool ran;
  };

  std::deque<std::unique_ptr<BoxExpectation>> boxes;
  std::deque<ModalExpectation> modals;
  struct WindowExpectation {
    std::string caption;
    std::function<void(Window&)> fn;
  };
  std::deque<WindowExpectation> windowModals;
  std::vector<std::uint64_t> ranWindows;
  std::deque<DialogExpectation> dialogs;
  std::deque<std::function<void()>> idle;
  std::vector<ModalSession> modalStack;
  std::vector<BoxRecord> boxLog;
  std::vector<DialogRecord> dialogLog;
  int changedCalls = 0;

  void WaitForEvents(const WaitRequest&, std::vector<int>&) override {
    vcl::TApplication* app = vcl::Application;
    if (!app) return;
    if (auto* form = dynamic_cast<vcl::TForm*>(app->ModalWindow())) {
      RunModalScript(*form);
      return;
    }
    if (Window* w = app->ModalWindow()) {
      RunWindowScript(*w);
      return;
    }
    if (!idle.empty()) {
      auto fn = std::move(idle.front());
      idle.pop_front();
      fn();
      return;
    }
    ADD_FAILURE() << "the application waits for the person, but the test scripted nothing more";
    app->Terminate();
  }

  // The form's next expectation runs in the loop's wait; one that is still
  // open with no expectation left fails and is cancelled.
  void RunModalScript(vcl::TForm& form) {
    ModalSession* session = nullptr;
    for (auto& s : modalStack) {
      if (s.form == form.Id()) session = &s;
    }
    const std::string name = form.Name;
    for (auto it = modals.begin(); it != modals.end(); ++it) {
      if (it->formName == name) {
        auto fn = std::move(it->fn);
        modals.erase(it);
        if (session) session->ran = true;
        fn(form);
        return;
      }
    }
    if (session && session->ran) {
      ADD_FAILURE() << "modal form " << name << " was still open after its script (cancelled)";
    } else {
      ADD_FAILURE() << "unexpected modal form " << name << " (cancelled)";
    }
    form.ForceEndModal(vcl::mrCancel);
  }

  // A modal window that is not a form: its next expectation by caption.
  void RunWindowScript(Window& w) {
    const std::string caption = w.Text;
    for (auto it = windowModals.begin(); it != windowModals.end(); ++it) {
      if (it->caption == caption) {
        auto fn = std::move(it->fn);
        windowModals.erase(it);
        ranWindows.push_back(w.Id());
        fn(w);
        return;
      }
    }
    if (std::find(ranWindows.begin(), ranWindows.end(), w.Id()) != ranWindows.end()) {
      ADD_FAILURE() << "modal window \"" << caption << "\" was still open after its script (closed)";
    } else {
      ADD_FAILURE() << "unexpected modal window \"" << caption << "\" (closed)";
    }
    const std::uint64_t id = w.Id();
    w.SendMessage(WM_CLOSE);
    // A window that does not close for WM_CLOSE would keep the loop waiting.
    if (Component::FromId(id) && vcl::Application && vcl::Application->ModalWindow() == &w) vcl::Application->Terminate();
  }

  void Wake() override {}

  int ShowMessageBox(const BoxRequest& box) override {
    BoxRecord rec{box.kind, box.ownerName, box.caption, box.text, box.flags, SafeBoxAnswer(box.flags)};
    if (boxes.empty()) {
      ADD_FAILURE() << "unexpected " << Describe(box);
      boxLog.push_back(rec);
      return rec.answer;
    }
    if (!boxes.front()->Matches(box)) {
      ADD_FAILURE() << "unexpected " << Describe(box) << "; the next expected box is "
                    << boxes.front()->Describe();
      boxLog.push_back(rec);
      return rec.answer;
    }
    std::unique_ptr<BoxExpectation> e = std::move(boxes.front());
    boxes.pop_front();
    rec.answer = e->answer_ ? *e->answer_ : FirstButton(box.flags);
    if (!BoxOffers(box.flags, rec.answer)) {
      ADD_FAILURE() << "the script answers " << rec.answer << " to " << Describe(box)
                    << ", which offers no such button";
    }
    boxLog.push_back(rec);
    if (e->while_) e->while_();
    return rec.answer;
  }

  std::optional<std::string> RunFileDialog(const FileDialogRequest& r) override {
    const DialogKind kind = r.kind == FileDialogKind::Open ? DialogKind::Open : DialogKind::Save;
    dialogLog.push_back({kind, r.dialogName, r.title, r.filter, r.defaultExt, r.options, r.fileName});
    if (dialogs.empty() || dialogs.front().kind != kind) {
      ADD_FAILURE() << "unexpected " << (kind == DialogKind::Open ? "open" : "save") << " dialog "
                    << r.dialogName << " \"" << r.title << "\" (cancelled)";
      return std::nullopt;
    }
    auto path = dialogs.front().path;
    dialogs.pop_front();
    return path;
  }

  std::optional<TColor> RunColorDialog(const ColorDialogRequest& r) override {
    dialogLog.push_back({DialogKind::Color, r.dialogName, "", "", "", {}, ""});
    if (dialogs.empty() || dialogs.front().kind != DialogKind::Color) {
      ADD_FAILURE() << "unexpected colour dialog " << r.dialogName << " (cancelled)";
      return std::nullopt;
    }
    auto color = dialogs.front().color;
    dialogs.pop_front();
    return color;
  }

  void ComponentsChanged() override { ++changedCalls; }

  void ModalStarted(Window& w) override { modalStack.push_back({w.Id(), false}); }

  void ModalEnded(Window& w) override {
    for (auto it = modalStack.begin(); it != modalStack.end(); ++it) {
      if (it->form == w.Id()) {
        modalStack.erase(it);
        break;
      }
    }
  }
};

Session::Session(SessionOptions options) {
  if (gSession || plat::Application::Current()) {
    std::fprintf(stderr, "platform testing: a session needs a process without another application\n");
    std::abort();
  }
  previousClock_ = CurrentClockShared();
  SetClock(std::make_shared<VirtualClock>(options.startTick));
  backend_ = std::make_shared<ScriptedBackend>();
  app_ = std::make_unique<vcl::TApplication>();
  app_->SetBackend(backend_);
  gSession = this;
}

Session::~Session() {
  for (const auto& b : backend_->boxes) ADD_FAILURE() << "expected box never shown: " << b->Describe();
  for (const auto& m : backend_->modals) ADD_FAILURE() << "expected modal form never shown: " << m.formName;
  for (const auto& m : backend_->windowModals) ADD_FAILURE() << "expected modal window never shown: " << m.caption;
  backend_->windowModals.clear();
  for (const auto& d : backend_->dialogs) {
    ADD_FAILURE() << "expected " << (d.kind == DialogKind::Open ? "open" : d.kind == DialogKind::Save ? "save" : "colour")
                  << " dialog never shown";
  }
  backend_->boxes.clear();
  backend_->modals.clear();
  backend_->dialogs.clear();
  const auto threads = LiveWorkerThreads();
  if (!threads.empty()) {
    std::fprintf(stderr, "platform testing: the test left worker threads alive:\n");
    for (const auto& t : threads) std::fprintf(stderr, "  %s\n", t.c_str());
    std::abort();
  }
  app_.reset();
  gSession = nullptr;
  SetClock(previousClock_);
}

Session& Session::Current() {
  if (!gSession) {
    std::fprintf(stderr, "platform testing: no session\n");
    std::abort();
  }
  return *gSession;
}

BoxExpectation& Session::ExpectBox(std::string text) {
  backend_->boxes.push_back(std::make_unique<BoxExpectation>(std::move(text)));
  return *backend_->boxes.back();
}

void Session::ExpectModal(std::string formName, std::function<void(vcl::TForm&)> fn) {
  backend_->modals.push_back({std::move(formName), std::move(fn)});
}

void Session::ExpectModalWindow(std::string caption, std::function<void(Window&)> fn) {
  backend_->windowModals.push_back({std::move(caption), std::move(fn)});
}

void Session::ExpectOpenDialog(std::optional<std::string> path) {
  backend_->dialogs.push_back({DialogKind::Open, std::move(path), std::nullopt});
}

void Session::ExpectSaveDialog(std::optional<std::string> path) {
  backend_->dialogs.push_back({DialogKind::Save, std::move(path), std::nullopt});
}

void Session::ExpectColorDialog(std::optional<TColor> color) {
  backend_->dialogs.push_back({DialogKind::Color, std::nullopt, color});
}

void Session::WhenIdle(std::function<void()> fn) { backend_->idle.push_back(std::move(fn)); }

const std::vector<BoxRecord>& Session::Boxes() const { return backend_->boxLog; }
const std::vector<DialogRecord>& Session::Dialogs() const { return backend_->dialogLog; }

void Session::ClearRecords() {
  backend_->boxLog.clear();
  backend_->dialogLog.clear();
}

int Session::ComponentsChangedCalls() const { return backend_->changedCalls; }

// ---------------------------------------------------------------- actions
void Advance(std::uint32_t ms) { Session::Current().App().Advance(ms); }

void Click(vcl::TComponent* c, Loc loc) { Report(vcl::person::Click(c), "Click", loc); }

void Type(vcl::TControl* c, const std::string& text, Loc loc) {
  Report(vcl::person::Type(c, text), "Type", loc);
}

void Select(vcl::TComboBox* combo, int index, Loc loc) {
  Report(vcl::person::Select(combo, index), "Select", loc);
}

void ChooseMenu(vcl::TMenuItem* item, Loc loc) { Report(vcl::person::ChooseMenu(item), "ChooseMenu", loc); }

void PressKeys(vcl::TForm* form, std::string_view keys, Loc loc) {
  Report(vcl::person::PressKeys(form, keys), "PressKeys", loc);
}

void PressEscape(vcl::TForm* form, Loc loc) { Report(vcl::person::PressKeys(form, "Esc"), "PressEscape", loc); }

void CloseByWindowManager(vcl::TForm* form, Loc loc) {
  Report(vcl::person::CloseByWindowManager(form), "CloseByWindowManager", loc);
}

void ClickNode(vcl::TTreeView* tree, vcl::TTreeNode* node, Loc loc) {
  Report(vcl::person::ClickNode(tree, node), "ClickNode", loc);
}

void Drag(vcl::TTreeView* source, vcl::TTreeNode* node, vcl::TControl* target, Loc loc) {
  if (std::string why = vcl::person::ClickNode(source, node); !why.empty()) return Report(why, "Drag", loc);
  if (source->DragMode != vcl::dmAutomatic) {
    return Report(std::string(source->Name) + " does not drag by itself (DragMode is manual)", "Drag", loc);
  }
  if (std::string why = vcl::person::BeginDrag(source); !why.empty()) return Report(why, "Drag", loc);
  const int x = target ? target->Width / 2 : 0;
  const int y = target ? target->Height / 2 : 0;
  for (int step = 0; step < 2; ++step) {
    if (std::string why = vcl::person::DragOver(target, x, y); !why.empty()) {
      vcl::person::CancelDrag();
      return Report(why, "Drag", loc);
    }
  }
  Report(vcl::person::Drop(x, y), "Drag", loc);
}

void ShowPage(vcl::TPageControl* pc, vcl::TTabSheet* sheet, Loc loc) {
  Report(vcl::person::ShowPage(pc, sheet), "ShowPage", loc);
}

void MouseMove(vcl::TControl* c, int x, int y, Loc loc) {
  Report(vcl::person::MouseMove(c, x, y), "MouseMove", loc);
}

BoxExpectation& ExpectBox(std::string text) { return Session::Current().ExpectBox(std::move(text)); }

void ExpectModal(std::string formName, std::function<void(vcl::TForm&)> fn) {
  Session::Current().ExpectModal(std::move(formName), std::move(fn));
}

void ExpectModalWindow(std::string caption, std::function<void(Window&)> fn) {
  Session::Current().ExpectModalWindow(std::move(caption), std::move(fn));
}

vcl::TComponent* FindIn(vcl::TComponent* owner, std::string_view name, Loc loc) {
  vcl::TComponent* c = owner ? owner->FindComponent(name) : nullptr;
  if (!c) {
    ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line()))
        << "no component " << name << " in " << (owner ? std::string(owner->Name) : std::string("(none)"));
  }
  return c;
}

void ReportWrongType(std::string_view name, const char* className, Loc loc) {
  ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line())) << name << " is a " << className;
}

vcl::TForm* FindForm(std::string_view name, Loc loc) {
  for (Window* w : Session::Current().App().TopLevelWindows()) {
    if (auto* f = dynamic_cast<vcl::TForm*>(w); f && SameText(f->Name(), name)) return f;
  }
  ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line())) << "no form " << name;
  return nullptr;
}

}  // namespace plat::testing
