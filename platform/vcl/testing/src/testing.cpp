#include "platform/vcl/testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

namespace plat::testing {

namespace {
Session* gFormSession = nullptr;

void Report(const std::string& why, const char* what, const Loc& loc) {
  if (!why.empty()) ADD_FAILURE_AT(loc.file_name(), static_cast<int>(loc.line())) << what << ": " << why;
}
}  // namespace

// The modal forms the test expects, answered in the loop's wait.
class FormScripts : public ModalScript {
 public:
  struct ModalExpectation {
    std::string formName;
    std::function<void(vcl::TForm&)> fn;
  };
  struct ModalSession {
    std::uint64_t form;
    bool ran;
  };

  std::deque<ModalExpectation> modals;
  std::vector<ModalSession> modalStack;

  bool RunModal(Window& w) override {
    auto* form = dynamic_cast<vcl::TForm*>(&w);
    if (!form) return false;
    RunModalScript(*form);
    return true;
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

Session::Session(SessionOptions options)
    : CoreSession(options, [] { return std::make_unique<vcl::TApplication>(); }),
      forms_(std::make_shared<FormScripts>()) {
  SetModalScript(forms_);
  gFormSession = this;
}

Session::~Session() {
  for (const auto& m : forms_->modals) ADD_FAILURE() << "expected modal form never shown: " << m.formName;
  forms_->modals.clear();
  gFormSession = nullptr;
}

Session& Session::Current() {
  if (!gFormSession) {
    std::fprintf(stderr, "platform testing: no form session\n");
    std::abort();
  }
  return *gFormSession;
}

void Session::ExpectModal(std::string formName, std::function<void(vcl::TForm&)> fn) {
  forms_->modals.push_back({std::move(formName), std::move(fn)});
}

// ---------------------------------------------------------------- actions
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

void ExpectModal(std::string formName, std::function<void(vcl::TForm&)> fn) {
  Session::Current().ExpectModal(std::move(formName), std::move(fn));
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
