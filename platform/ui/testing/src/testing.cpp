#include "platform/ui/testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "platform/ui/thread.h"

namespace plat::testing {

namespace {
CoreSession* gSession = nullptr;

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
  struct DialogExpectation {
    DialogKind kind;
    std::optional<std::string> path;
    std::optional<TColor> color;
  };

  std::deque<std::unique_ptr<BoxExpectation>> boxes;
  std::deque<DialogExpectation> dialogs;
  std::deque<std::function<void()>> idle;
  std::vector<BoxRecord> boxLog;
  std::vector<DialogRecord> dialogLog;
  int changedCalls = 0;
  std::shared_ptr<ModalScript> modalScript;
  struct WindowExpectation {
    std::string caption;
    std::function<void(Window&)> fn;
  };
  std::deque<WindowExpectation> windowModals;
  std::vector<std::uint64_t> ranWindows;

  void WaitForEvents(const WaitRequest&, std::vector<int>&) override {
    Application* app = Application::Current();
    if (!app) return;
    if (Window* modal = app->ModalWindow(); modal && modalScript && modalScript->RunModal(*modal)) return;
    if (Window* modal = app->ModalWindow()) {
      RunWindowScript(*app, *modal);
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

  // A modal window that no modal script takes (a dialog of the
  // frame/document/view façade): its next expectation by caption.
  void RunWindowScript(Application& app, Window& w) {
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
    if (Component::FromId(id) && app.ModalWindow() == &w) app.Terminate();
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
    dialogLog.push_back({DialogKind::Color, r.dialogName, "", "", "", {}, "", r.color});
    if (dialogs.empty() || dialogs.front().kind != DialogKind::Color) {
      ADD_FAILURE() << "unexpected colour dialog " << r.dialogName << " (cancelled)";
      return std::nullopt;
    }
    auto color = dialogs.front().color;
    dialogs.pop_front();
    return color;
  }

  void ComponentsChanged() override { ++changedCalls; }

  void ModalStarted(Window& w) override {
    if (modalScript) modalScript->ModalStarted(w);
  }

  void ModalEnded(Window& w) override {
    if (modalScript) modalScript->ModalEnded(w);
  }
};

CoreSession::CoreSession(SessionOptions options)
    : CoreSession(options, [] { return std::make_unique<Application>(); }) {}

CoreSession::CoreSession(SessionOptions options, const AppFactory& makeApp) {
  if (gSession || plat::Application::Current()) {
    std::fprintf(stderr, "platform testing: a session needs a process without another application\n");
    std::abort();
  }
  previousClock_ = CurrentClockShared();
  SetClock(std::make_shared<VirtualClock>(options.startTick));
  backend_ = std::make_shared<ScriptedBackend>();
  app_ = makeApp();
  app_->SetBackend(backend_);
  gSession = this;
}

CoreSession::~CoreSession() {
  for (const auto& b : backend_->boxes) ADD_FAILURE() << "expected box never shown: " << b->Describe();
  for (const auto& m : backend_->windowModals) ADD_FAILURE() << "expected modal window never shown: " << m.caption;
  backend_->windowModals.clear();
  for (const auto& d : backend_->dialogs) {
    ADD_FAILURE() << "expected " << (d.kind == DialogKind::Open ? "open" : d.kind == DialogKind::Save ? "save" : "colour")
                  << " dialog never shown";
  }
  backend_->boxes.clear();
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

CoreSession& CoreSession::Current() {
  if (!gSession) {
    std::fprintf(stderr, "platform testing: no session\n");
    std::abort();
  }
  return *gSession;
}

BoxExpectation& CoreSession::ExpectBox(std::string text) {
  backend_->boxes.push_back(std::make_unique<BoxExpectation>(std::move(text)));
  return *backend_->boxes.back();
}

void CoreSession::ExpectOpenDialog(std::optional<std::string> path) {
  backend_->dialogs.push_back({DialogKind::Open, std::move(path), std::nullopt});
}

void CoreSession::ExpectSaveDialog(std::optional<std::string> path) {
  backend_->dialogs.push_back({DialogKind::Save, std::move(path), std::nullopt});
}

void CoreSession::ExpectModalWindow(std::string caption, std::function<void(Window&)> fn) {
  backend_->windowModals.push_back({std::move(caption), std::move(fn)});
}

void CoreSession::ExpectColorDialog(std::optional<TColor> color) {
  backend_->dialogs.push_back({DialogKind::Color, std::nullopt, color});
}

void CoreSession::WhenIdle(std::function<void()> fn) { backend_->idle.push_back(std::move(fn)); }

const std::vector<BoxRecord>& CoreSession::Boxes() const { return backend_->boxLog; }
const std::vector<DialogRecord>& CoreSession::Dialogs() const { return backend_->dialogLog; }

void CoreSession::ClearRecords() {
  backend_->boxLog.clear();
  backend_->dialogLog.clear();
}

int CoreSession::ComponentsChangedCalls() const { return backend_->changedCalls; }

void CoreSession::SetModalScript(std::shared_ptr<ModalScript> script) { backend_->modalScript = std::move(script); }

// ---------------------------------------------------------------- actions
void Advance(std::uint32_t ms) { CoreSession::Current().App().Advance(ms); }

BoxExpectation& ExpectBox(std::string text) { return CoreSession::Current().ExpectBox(std::move(text)); }

void ExpectModalWindow(std::string caption, std::function<void(Window&)> fn) {
  CoreSession::Current().ExpectModalWindow(std::move(caption), std::move(fn));
}

}  // namespace plat::testing
