#pragma once
// The application object: the event loop (posted events, synchronised calls,
// timers, fd watches), modal bookkeeping, the standard exception box,
// message boxes and the common dialogs. How any of it is shown is the
// backend's business; all logic stays here.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/clock.h"
#include "platform/ui/core.h"

namespace plat {

// ---------------------------------------------------------------- message boxes
constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
                   MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10, MB_ICONHAND = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONEXCLAMATION = 0x30,
                   MB_ICONINFORMATION = 0x40, MB_ICONASTERISK = 0x40;
constexpr unsigned MB_TOPMOST = 0x40000;
constexpr unsigned MB_TYPEMASK = 0xF, MB_ICONMASK = 0xF0;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;

enum class BoxKind {
  MessageBox,   // a message box with the caller's caption and flags
  ShowMessage,  // the framework's plain message: caption = Title, OK only, no icon
  Exception     // the standard exception box
};

struct BoxRequest {
  BoxKind kind = BoxKind::MessageBox;
  Window* owner = nullptr;
  std::string ownerName;
  std::string caption;
  std::string text;
  unsigned flags = MB_OK;
};
// The answer that does least: Cancel where offered, else No, else OK.
int SafeBoxAnswer(unsigned flags);
// Whether answer is one of the buttons the flags offer.
bool BoxOffers(unsigned flags, int answer);

// ---------------------------------------------------------------- common dialogs
enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
  ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
  ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
  ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing
};
template <>
struct IsFlagEnum<TOpenOption> : std::true_type {};
using TOpenOptions = EnumSet<TOpenOption>;

enum class FileDialogKind { Open, Save };
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  Component* dialog = nullptr;
  std::string dialogName;
  std::string title;
  std::string filter;  // "EEP File|*.EEP": description, bar, pattern, ...
  std::string defaultExt;
  std::string fileName;
  std::string initialDir;
  TOpenOptions options;
};

struct ColorDialogRequest {
  Component* dialog = nullptr;
  std::string dialogName;
  TColor color = clBlack;
};

// ---------------------------------------------------------------- backend
struct WaitRequest {
  std::optional<std::uint64_t> deadline;  // on the current clock; none: wait until woken
  std::vector<int> fds;                    // watched descriptors (readable)
};

// What shows the application to a person (Qt), or scripts it (tests).
class Backend {
 public:
  virtual ~Backend() = default;
  // Waits until the person does something (delivered through the input
  // functions of the form façade), Wake() is called, one of the descriptors
  // becomes readable (reported in readyFds), or the deadline passes.
  virtual void WaitForEvents(const WaitRequest& request, std::vector<int>& readyFds) = 0;
  // Any thread: makes a WaitForEvents in progress return soon.
  virtual void Wake() = 0;
  // Shows the box and answers the button pressed (IDOK...). A backend that
  // waits for the person must keep the core running meanwhile through
  // Application::RunLoopUntil, so timers go on firing under the box.
  virtual int ShowMessageBox(const BoxRequest& box) = 0;
  // The chosen path, or nothing when cancelled (same rule for the loop).
  virtual std::optional<std::string> RunFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<TColor> RunColorDialog(const ColorDialogRequest& request) = 0;
  // Components became dirty; read them with Application::TakeDirty().
  virtual void ComponentsChanged() {}
  // The component is being destroyed; forget what shows it.
  virtual void ComponentDestroyed(Component&) {}
  // A window became modal (every other top-level window is disabled) and ended so.
  virtual void ModalStarted(Window&) {}
  virtual void ModalEnded(Window&) {}
  virtual int ScreenWidth() const { return 1920; }
  virtual int ScreenHeight() const { return 1080; }
};

// Shows nothing: waits in real time, answers every box with its safe answer
// (writing it to standard error) and cancels every dialog.
class HeadlessBackend : public Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;
  void WaitForEvents(const WaitRequest& request, std::vector<int>& readyFds) override;
  void Wake() override;
  int ShowMessageBox(const BoxRequest& box) override;
  std::optional<std::string> RunFileDialog(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<TColor> RunColorDialog(const ColorDialogRequest&) override { return std::nullopt; }

 private:
  int wakeFd_ = -1;
};

// ---------------------------------------------------------------- screen
class Screen : public Component {
 public:
  Screen() : Component(nullptr) { Name.Init("Screen"); }
  const char* ClassName() const override { return "TScreen"; }
  int GetWidth() const;
  int GetHeight() const;
  Prop<TCursor> Cursor{this, dfAppearance, crDefault};
  ReadOnly<Screen, int, &Screen::GetWidth> Width{this};
  ReadOnly<Screen, int, &Screen::GetHeight> Height{this};
};

// ---------------------------------------------------------------- timers
// Fires its handler every Interval ms while enabled (and interval and
// handler are set). Enabling, or changing the interval while enabled,
// restarts the period; a late timer fires once and re-arms at fire time +
// interval. Due timers fire in time order, then in creation order.
class Timer {
 public:
  explicit Timer(std::function<void()> handler = {});
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer();
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  void SetHandler(std::function<void()> handler);
  bool Armed() const { return armed_; }
  std::uint64_t Due() const { return due_; }

 private:
  friend class Application;
  void Rearm();
  std::function<void()> handler_;
  std::uint32_t interval_ = 1000;
  bool enabled_ = false;
  bool armed_ = false;
  std::uint64_t due_ = 0;
  std::uint64_t seq_ = 0;
  class Application* app_ = nullptr;
};

// ---------------------------------------------------------------- application
class Application : public Component, private ComponentObserver {
 public:
  // Becomes the current application; the constructing thread is the window thread.
  Application();
  ~Application() override;
  static Application* Current();
  const char* ClassName() const override { return "TApplication"; }

  // The caption of the exception box and of ShowMessage; the program's file
  // name without extension unless set.
  Prop<std::string> Title{this, dfText};
  std::string ExeName() const;
  plat::Screen* GetScreen() { return screen_.get(); }

  void SetBackend(std::shared_ptr<Backend> backend);
  Backend& GetBackend() { return *backend_; }

  // ---- the loop
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Runs what is pending without waiting for the person.
  void ProcessMessages();
  // One turn of the loop: waits for events (the backend), then runs them.
  void HandleMessage();
  // Turns the loop until done() holds or the application terminates.
  void RunLoopUntil(const std::function<bool()>& done);
  // Any thread: runs fn on the window thread (wrapped like every event).
  void Post(std::function<void()> fn);
  int AddFdWatch(int fd, std::function<void()> onReadable);
  void RemoveFdWatch(int id);

  // ---- virtual time (tests)
  // Advances the virtual clock by ms, running the timer ticks and worker
  // wake-ups in it in time order, settling after each step.
  void Advance(std::uint32_t ms);
  // Settles workers, serves synchronised calls, posted events and fd
  // watches, and fires overdue timers: what the loop does after an event.
  void Idle();

  // ---- events
  // Runs an event handler; an exception escaping it is shown with the
  // standard exception box and the loop goes on.
  void Dispatch(const std::function<void()>& handler);
  void ShowException(const std::exception& e);
  // Inside a catch block: shows what was caught (anything that is not an
  // exception object as an exception with an empty message).
  void HandleException();

  // ---- boxes and dialogs
  int MessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned flags);
  void ShowMessage(const std::string& text);
  std::optional<std::string> RunFileDialog(const FileDialogRequest& request);
  std::optional<TColor> RunColorDialog(const ColorDialogRequest& request);
  int OpenBoxes() const { return openBoxes_; }

  // ---- top-level windows and modality
  void AddTopLevel(Window& w);
  void RemoveTopLevel(Window& w);
  std::vector<Window*> TopLevelWindows() const;
  // Disables every other visible, enabled top-level window (re-enabled by EndModal).
  void BeginModal(Window& w);
  void EndModal(Window& w);
  Window* ModalWindow() const;

  // ---- backend support
  // The components that changed since the last call, each once; their flags
  // stay set for the caller to read and clear.
  std::vector<Component*> TakeDirty();
  std::optional<std::uint64_t> NextTimerDue() const;
  // Tells the backend about dirty components now.
  void Flush() { FlushDirty(); }

 private:
  friend class Timer;
  void ComponentDirty(Component& c) override;
  void ComponentDestroyed(Component& c) override;
  void FlushDirty();
  void FireDueTimers();
  void Settle();
  bool PollFds(int timeoutMs);
  void RequireWindowThread(const char* what) const;

  std::shared_ptr<Backend> backend_;
  std::unique_ptr<plat::Screen> screen_;
  bool terminated_ = false;
  int openBoxes_ = 0;
  std::vector<Timer*> timers_;
  std::uint64_t timerSeq_ = 0;
  struct FdWatch {
    int id;
    int fd;
    std::function<void()> callback;
  };
  std::vector<FdWatch> fdWatches_;
  int nextFdWatch_ = 1;
  std::vector<std::uint64_t> topLevels_;
  struct ModalFrame {
    std::uint64_t window;
    std::vector<std::uint64_t> disabled;
  };
  std::vector<ModalFrame> modal_;
  std::vector<std::uint64_t> dirty_;
  bool dirtyNotified_ = true;
};

// The current application's boxes, for handlers.
int MessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned flags);
void ShowMessage(const std::string& text);

}  // namespace plat
