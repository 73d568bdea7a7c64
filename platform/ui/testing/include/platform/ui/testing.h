#pragma once
// Drives the window core in tests the way a person does, in virtual time,
// with every message box and file or colour dialog answered by the test's
// script. The form framework's harness (platform/vcl/testing.h) builds on it.
//
//   plat::testing::CoreSession ui;             // virtual clock + scripted backend
//   ui.ExpectSaveDialog("/tmp/out.txt");
//   ExpectBox("Saved.").Caption("Lorvex").Flags(MB_OK);
//   ... act on the program ...
//   Advance(4000);
//
// An unexpected box or dialog fails the test (and gets a safe answer); an
// expectation never met fails it at the end of the session.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "platform/ui/application.h"

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
  TColor color = 0;      // the colour a colour dialog starts at
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

// What answers a modal window while its loop waits for the person (the
// forms' harness scripts its modal forms this way).
class ModalScript {
 public:
  virtual ~ModalScript() = default;
  // One turn of the loop of the modal window w; false when w is none of this script's.
  virtual bool RunModal(Window& w) = 0;
  virtual void ModalStarted(Window&) {}
  virtual void ModalEnded(Window&) {}
};

class ScriptedBackend;

// One fresh application in virtual time per test.
class CoreSession {
 public:
  explicit CoreSession(SessionOptions options = {});
  ~CoreSession();
  CoreSession(const CoreSession&) = delete;
  CoreSession& operator=(const CoreSession&) = delete;
  static CoreSession& Current();

  Application& App() { return *app_; }

  // Boxes are expected in order: each box shown must match the next expectation.
  BoxExpectation& ExpectBox(std::string text);
  // fn runs inside the loop of the modal window with that caption that no
  // modal script takes (a dialog of the frame/document/view façade) and must
  // end it, or leave that to a further expectation for the same caption. An
  // unexpected one fails the test and is closed (WM_CLOSE).
  void ExpectModalWindow(std::string caption, std::function<void(Window& window)> fn);
  // Answers the next file dialog with a path, or cancels it (nullopt).
  void ExpectOpenDialog(std::optional<std::string> path);
  void ExpectSaveDialog(std::optional<std::string> path);
  void ExpectColorDialog(std::optional<TColor> color);
  // What the person does while the main loop waits.
  void WhenIdle(std::function<void()> fn);

  const std::vector<BoxRecord>& Boxes() const;
  const std::vector<DialogRecord>& Dialogs() const;
  void ClearRecords();
  int ComponentsChangedCalls() const;

 protected:
  using AppFactory = std::function<std::unique_ptr<Application>()>;
  // The application comes from makeApp, made once the virtual clock is set.
  CoreSession(SessionOptions options, const AppFactory& makeApp);
  void SetModalScript(std::shared_ptr<ModalScript> script);

 private:
  std::shared_ptr<Clock> previousClock_;
  std::shared_ptr<ScriptedBackend> backend_;
  std::unique_ptr<Application> app_;
};

using Loc = std::source_location;
// Advances the current session's virtual clock (timers fire, workers run).
void Advance(std::uint32_t ms);
BoxExpectation& ExpectBox(std::string text);
void ExpectModalWindow(std::string caption, std::function<void(Window& window)> fn);

}  // namespace plat::testing
