#include "platform/ui/application.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/exception.h"
#include "platform/program_path.h"
#include "scheduler.h"

namespace plat {

using detail::Scheduler;

namespace {
std::atomic<Application*> gCurrent{nullptr};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "platform: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}
}  // namespace

// ---------------------------------------------------------------- boxes
int SafeBoxAnswer(unsigned flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDOK;
  }
}

bool BoxOffers(unsigned flags, int answer) {
  switch (flags & MB_TYPEMASK) {
    case MB_OK: return answer == IDOK;
    case MB_OKCANCEL: return answer == IDOK || answer == IDCANCEL;
    case MB_ABORTRETRYIGNORE: return answer == IDABORT || answer == IDRETRY || answer == IDIGNORE;
    case MB_YESNOCANCEL: return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_YESNO: return answer == IDYES || answer == IDNO;
    case MB_RETRYCANCEL: return answer == IDRETRY || answer == IDCANCEL;
    default: return false;
  }
}

// ---------------------------------------------------------------- headless backend
HeadlessBackend::HeadlessBackend() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

HeadlessBackend::~HeadlessBackend() {
  if (wakeFd_ >= 0) close(wakeFd_);
}

void HeadlessBackend::WaitForEvents(const WaitRequest& request, std::vector<int>& readyFds) {
  if (CurrentClock().IsVirtual()) return;  // nothing to wait for: time moves only when advanced
  std::vector<pollfd> fds;
  fds.push_back({wakeFd_, POLLIN, 0});
  for (int fd : request.fds) fds.push_back({fd, POLLIN, 0});
  int timeout = -1;
  if (request.deadline) {
    const std::uint64_t now = CurrentClock().NowMs();
    timeout = *request.deadline <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(*request.deadline - now, 60000));
  }
  if (poll(fds.data(), fds.size(), timeout) <= 0) return;
  if (fds[0].revents & POLLIN) {
    std::uint64_t v;
    [[maybe_unused]] auto n = read(wakeFd_, &v, sizeof v);
  }
  for (std::size_t i = 1; i < fds.size(); ++i) {
    if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) readyFds.push_back(fds[i].fd);
  }
}

void HeadlessBackend::Wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
}

int HeadlessBackend::ShowMessageBox(const BoxRequest& box) {
  const int answer = SafeBoxAnswer(box.flags);
  std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), box.text.c_str());
  return answer;
}

// ---------------------------------------------------------------- screen
int Screen::GetWidth() const {
  Application* app = Application::Current();
  return app ? app->GetBackend().ScreenWidth() : 1920;
}

int Screen::GetHeight() const {
  Application* app = Application::Current();
  return app ? app->GetBackend().ScreenHeight() : 1080;
}

// ---------------------------------------------------------------- timers
Timer::Timer(std::function<void()> handler) : handler_(std::move(handler)) {
  app_ = Application::Current();
  if (!app_) Fail("a timer was created without an application");
  app_->RequireWindowThread("a timer");
  seq_ = ++app_->timerSeq_;
  app_->timers_.push_back(this);
}

Timer::~Timer() {
  if (app_) {
    auto& list = app_->timers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void Timer::Rearm() {
  armed_ = enabled_ && interval_ > 0 && handler_ && app_;
  if (armed_) due_ = CurrentClock().NowMs() + interval_;
}

void Timer::SetInterval(std::uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Rearm();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Rearm();
}

void Timer::SetHandler(std::function<void()> handler) {
  const bool had = static_cast<bool>(handler_);
  handler_ = std::move(handler);
  if (had != static_cast<bool>(handler_)) Rearm();
}

// ---------------------------------------------------------------- application
Application::Application() : Component(nullptr), backend_(std::make_shared<HeadlessBackend>()) {
  Application* expected = nullptr;
  if (!gCurrent.compare_exchange_strong(expected, this)) Fail("a second application was created");
  Name.Init("Application");
  Title.Init(ProgramName());
  screen_ = std::make_unique<plat::Screen>();
  auto& s = Scheduler::Get();
  {
    std::lock_guard<std::mutex> lk(s.mu);
    s.windowThread = std::this_thread::get_id();
    s.hasWindowThread = true;
    auto backend = backend_;
    s.wake = [backend] { backend->Wake(); };
  }
  SetComponentObserver(this);
}

Application::~Application() {
  terminated_ = true;
  DestroyComponents();
  screen_.reset();
  SetComponentObserver(nullptr);
  for (Timer* t : timers_) t->app_ = nullptr;
  timers_.clear();
  auto& s = Scheduler::Get();
  {
    std::lock_guard<std::mutex> lk(s.mu);
    s.wake = nullptr;
    s.hasWindowThread = false;
    s.posted.clear();
  }
  gCurrent.store(nullptr);
}

Application* Application::Current() { return gCurrent.load(); }

std::string Application::ExeName() const { return ProgramFile(); }

void Application::SetBackend(std::shared_ptr<Backend> backend) {
  if (!backend) backend = std::make_shared<HeadlessBackend>();
  backend_ = std::move(backend);
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  auto b = backend_;
  s.wake = [b] { b->Wake(); };
}

void Application::RequireWindowThread(const char* what) const {
  if (!IsWindowThread()) Fail(std::string(what) + " was used outside the window thread");
}

void Application::Terminate() { terminated_ = true; }

void Application::Post(std::function<void()> fn) {
  auto& s = Scheduler::Get();
  {
    std::lock_guard<std::mutex> lk(s.mu);
    s.posted.push_back(std::move(fn));
    s.NotifyWindowLocked();
  }
  s.WakeBackend();
}

void Window::PostMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  Application* app = Application::Current();
  if (!app) return;
  const std::uint64_t id = Id();
  app->Post([id, msg, wParam, lParam] {
    if (auto* w = dynamic_cast<Window*>(Component::FromId(id))) w->SendMessage(msg, wParam, lParam);
  });
}

void Window::Update() {
  if (Application* app = Application::Current()) app->Flush();
}

int Application::AddFdWatch(int fd, std::function<void()> onReadable) {
  const int id = nextFdWatch_++;
  fdWatches_.push_back({id, fd, std::move(onReadable)});
  return id;
}

void Application::RemoveFdWatch(int id) {
  fdWatches_.erase(std::remove_if(fdWatches_.begin(), fdWatches_.end(),
                                  [id](const FdWatch& w) { return w.id == id; }),
                   fdWatches_.end());
}

bool Application::PollFds(int timeoutMs) {
  if (fdWatches_.empty()) return false;
  std::vector<pollfd> fds;
  for (const auto& w : fdWatches_) fds.push_back({w.fd, POLLIN, 0});
  if (poll(fds.data(), fds.size(), timeoutMs) <= 0) return false;
  std::vector<int> ready;
  for (const auto& p : fds) {
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) ready.push_back(p.fd);
  }
  bool any = false;
  for (int fd : ready) {
    for (const auto& w : std::vector<FdWatch>(fdWatches_)) {
      if (w.fd == fd) {
        Dispatch(w.callback);
        any = true;
      }
    }
  }
  return any;
}

void Application::Dispatch(const std::function<void()>& handler) {
  if (!handler) return;
  try {
    handler();
  } catch (...) {
    HandleException();
  }
}

void Application::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  BoxRequest box;
  box.kind = BoxKind::Exception;
  box.caption = Title;
  box.text = text;
  box.flags = MB_OK | MB_ICONERROR;
  FlushDirty();
  ++openBoxes_;
  backend_->ShowMessageBox(box);
  --openBoxes_;
}

void Application::HandleException() {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception(""));
  }
}

int Application::MessageBox(Window* owner, const std::string& text, const std::string& caption,
                            unsigned flags) {
  RequireWindowThread("a message box");
  BoxRequest box;
  box.kind = BoxKind::MessageBox;
  box.owner = owner;
  box.ownerName = owner ? std::string(owner->Name) : std::string();
  box.caption = caption;
  box.text = text;
  box.flags = flags;
  FlushDirty();
  ++openBoxes_;
  const int answer = backend_->ShowMessageBox(box);
  --openBoxes_;
  return answer;
}

void Application::ShowMessage(const std::string& text) {
  RequireWindowThread("a message");
  BoxRequest box;
  box.kind = BoxKind::ShowMessage;
  box.caption = Title;
  box.text = text;
  box.flags = MB_OK;
  FlushDirty();
  ++openBoxes_;
  backend_->ShowMessageBox(box);
  --openBoxes_;
}

std::optional<std::string> Application::RunFileDialog(const FileDialogRequest& request) {
  RequireWindowThread("a file dialog");
  FlushDirty();
  return backend_->RunFileDialog(request);
}

std::optional<TColor> Application::RunColorDialog(const ColorDialogRequest& request) {
  RequireWindowThread("a colour dialog");
  FlushDirty();
  return backend_->RunColorDialog(request);
}

int MessageBox(Window* owner, const std::string& text, const std::string& caption, unsigned flags) {
  Application* app = Application::Current();
  if (!app) Fail("a message box without an application");
  return app->MessageBox(owner, text, caption, flags);
}

void ShowMessage(const std::string& text) {
  Application* app = Application::Current();
  if (!app) Fail("a message without an application");
  app->ShowMessage(text);
}

// ---------------------------------------------------------------- the loop
std::optional<std::uint64_t> Application::NextTimerDue() const {
  std::optional<std::uint64_t> next;
  for (const Timer* t : timers_) {
    if (t->armed_ && (!next || t->due_ < *next)) next = t->due_;
  }
  return next;
}

void Application::Settle() {
  Scheduler::Get().Settle(true, [this](std::function<void()>& fn) { Dispatch(fn); });
}

void Application::FireDueTimers() {
  const std::uint64_t now = CurrentClock().NowMs();
  std::vector<Timer*> due;
  for (Timer* t : timers_) {
    if (t->armed_ && t->due_ <= now) due.push_back(t);
  }
  std::sort(due.begin(), due.end(), [](const Timer* a, const Timer* b) {
    return a->due_ != b->due_ ? a->due_ < b->due_ : a->seq_ < b->seq_;
  });
  std::vector<std::uint64_t> order;
  for (Timer* t : due) order.push_back(t->seq_);
  for (std::uint64_t seq : order) {
    // An earlier handler may have freed, stopped or restarted this one.
    auto it = std::find_if(timers_.begin(), timers_.end(), [seq](const Timer* t) { return t->seq_ == seq; });
    if (it == timers_.end()) continue;
    Timer* t = *it;
    const std::uint64_t fireAt = CurrentClock().NowMs();
    if (!t->armed_ || t->due_ > fireAt) continue;
    t->due_ = fireAt + t->interval_;
    std::function<void()> handler = t->handler_;
    Dispatch(handler);
    if (CurrentClock().IsVirtual()) Settle();
  }
}

void Application::Idle() {
  RequireWindowThread("the event loop");
  const bool isVirtual = CurrentClock().IsVirtual();
  for (int round = 0;; ++round) {
    if (round > 100000) Fail("the event loop never came to rest (an fd watch that is never read?)");
    Settle();
    if (isVirtual && PollFds(0)) continue;
    break;
  }
  FireDueTimers();
  FlushDirty();
}

void Application::ProcessMessages() {
  RequireWindowThread("ProcessMessages");
  if (!CurrentClock().IsVirtual()) {
    WaitRequest req;
    req.deadline = CurrentClock().NowMs();
    for (const auto& w : fdWatches_) req.fds.push_back(w.fd);
    std::vector<int> ready;
    FlushDirty();
    backend_->WaitForEvents(req, ready);
    PollFds(0);
  }
  Idle();
}

void Application::HandleMessage() {
  Idle();
  WaitRequest req;
  req.deadline = NextTimerDue();
  {
    auto& s = Scheduler::Get();
    std::lock_guard<std::mutex> lk(s.mu);
    if (!s.syncQueue.empty() || !s.posted.empty()) req.deadline = CurrentClock().NowMs();
  }
  for (const auto& w : fdWatches_) req.fds.push_back(w.fd);
  std::vector<int> ready;
  FlushDirty();
  backend_->WaitForEvents(req, ready);
  if (!ready.empty()) PollFds(0);
  Idle();
}

void Application::RunLoopUntil(const std::function<bool()>& done) {
  while (!done() && !terminated_) HandleMessage();
}

void Application::Advance(std::uint32_t ms) {
  RequireWindowThread("Advance");
  auto& s = Scheduler::Get();
  if (!s.IsVirtual()) Fail("Advance needs the virtual clock");
  const std::uint64_t target = CurrentClock().NowMs() + ms;
  Idle();
  for (;;) {
    std::optional<std::uint64_t> next = NextTimerDue();
    {
      std::lock_guard<std::mutex> lk(s.mu);
      auto wake = s.NextWakeLocked();
      if (wake && (!next || *wake < *next)) next = wake;
      if (!next || *next > target) break;
      s.AdvanceToLocked(*next);
    }
    Idle();
  }
  {
    std::lock_guard<std::mutex> lk(s.mu);
    s.AdvanceToLocked(target);
  }
  Idle();
}

// ---------------------------------------------------------------- windows and modality
void Application::AddTopLevel(Window& w) { topLevels_.push_back(w.Id()); }

void Application::RemoveTopLevel(Window& w) {
  topLevels_.erase(std::remove(topLevels_.begin(), topLevels_.end(), w.Id()), topLevels_.end());
}

std::vector<Window*> Application::TopLevelWindows() const {
  std::vector<Window*> out;
  for (std::uint64_t id : topLevels_) {
    if (auto* w = dynamic_cast<Window*>(Component::FromId(id))) out.push_back(w);
  }
  return out;
}

void Application::BeginModal(Window& w) {
  ModalFrame frame{w.Id(), {}};
  for (Window* other : TopLevelWindows()) {
    if (other != &w && other->Visible && other->Enabled) {
      other->Enabled = false;
      frame.disabled.push_back(other->Id());
    }
  }
  modal_.push_back(std::move(frame));
  backend_->ModalStarted(w);
}

void Application::EndModal(Window& w) {
  for (auto it = modal_.rbegin(); it != modal_.rend(); ++it) {
    if (it->window != w.Id()) continue;
    for (std::uint64_t id : it->disabled) {
      if (auto* other = dynamic_cast<Window*>(Component::FromId(id))) other->Enabled = true;
    }
    modal_.erase(std::next(it).base());
    break;
  }
  backend_->ModalEnded(w);
}

Window* Application::ModalWindow() const {
  for (auto it = modal_.rbegin(); it != modal_.rend(); ++it) {
    if (auto* w = dynamic_cast<Window*>(Component::FromId(it->window))) return w;
  }
  return nullptr;
}

// ---------------------------------------------------------------- dirty tracking
void Application::ComponentDirty(Component& c) {
  dirty_.push_back(c.Id());
  dirtyNotified_ = false;
}

void Application::ComponentDestroyed(Component& c) {
  if (backend_) backend_->ComponentDestroyed(c);
}

void Application::FlushDirty() {
  if (dirtyNotified_ || dirty_.empty()) return;
  dirtyNotified_ = true;
  backend_->ComponentsChanged();
}

std::vector<Component*> Application::TakeDirty() {
  std::vector<Component*> out;
  std::vector<std::uint64_t> ids;
  ids.swap(dirty_);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  for (std::uint64_t id : ids) {
    Component* c = Component::FromId(id);
    if (c && c->DirtyFlags() != 0) out.push_back(c);
  }
  dirtyNotified_ = true;
  return out;
}

}  // namespace plat
