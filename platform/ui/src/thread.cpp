#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "scheduler.h"

namespace plat {
namespace detail {

namespace {
thread_local WorkerRecord* tCurrentRecord = nullptr;

bool AtRest(const WorkerRecord& w) {
  switch (w.state) {
    case WorkerState::Starting:
    case WorkerState::Parked:
    case WorkerState::Sleeping:
    case WorkerState::Finished:
      return true;
    default:
      return false;
  }
}

std::chrono::steady_clock::time_point SettleLimit() {
  return std::chrono::steady_clock::now() + std::chrono::seconds(kSettleLimitSeconds);
}
}  // namespace

WorkerRecord* CurrentRecord() { return tCurrentRecord; }

const char* StateName(WorkerState s) {
  switch (s) {
    case WorkerState::Starting: return "starting";
    case WorkerState::Running: return "running";
    case WorkerState::Parked: return "parked";
    case WorkerState::Sleeping: return "sleeping";
    case WorkerState::WaitingSync: return "waiting for a synchronised call";
    case WorkerState::WaitingLock: return "waiting for a critical section";
    case WorkerState::WaitingThread: return "waiting for another thread";
    case WorkerState::Finished: return "finished";
  }
  return "?";
}

Scheduler& Scheduler::Get() {
  static Scheduler* instance = new Scheduler;  // lives to the very end of the process
  return *instance;
}

bool Scheduler::IsVirtual() const { return CurrentClock().IsVirtual(); }

VirtualClock* Scheduler::Virtual() const {
  Clock& c = CurrentClock();
  return c.IsVirtual() ? static_cast<VirtualClock*>(&c) : nullptr;
}

void Scheduler::SetRunningLocked(WorkerRecord& w) {
  w.state = WorkerState::Running;
  w.cv.notify_all();
}

void Scheduler::WakeBackend() {
  std::function<void()> fn;
  {
    std::lock_guard<std::mutex> lk(mu);
    fn = wake;
  }
  if (fn) fn();
}

bool Scheduler::AllQuiescentLocked() const {
  const std::uint64_t now = CurrentClock().NowMs();
  for (const WorkerRecord* w : workers) {
    switch (w->state) {
      case WorkerState::Starting:
      case WorkerState::Running:
        return false;
      case WorkerState::Sleeping:
        if (w->wakeAt <= now) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

std::optional<std::uint64_t> Scheduler::NextWakeLocked() const {
  std::optional<std::uint64_t> next;
  for (const WorkerRecord* w : workers) {
    if (w->state == WorkerState::Sleeping && (!next || w->wakeAt < *next)) next = w->wakeAt;
  }
  return next;
}

void Scheduler::AdvanceToLocked(std::uint64_t t) {
  VirtualClock* vc = Virtual();
  if (!vc || t <= vc->NowMs()) return;
  vc->SetNow(t);
  for (WorkerRecord* w : workers) {
    if (w->state == WorkerState::Sleeping && w->wakeAt <= t) SetRunningLocked(*w);
  }
}

bool Scheduler::ServeOneSyncLocked(std::unique_lock<std::mutex>& lk) {
  if (syncQueue.empty()) return false;
  SyncCall* call = syncQueue.front();
  syncQueue.pop_front();
  lk.unlock();
  std::exception_ptr error;
  try {
    (*call->fn)();
  } catch (...) {
    error = std::current_exception();
  }
  lk.lock();
  call->error = error;
  call->done = true;
  if (call->worker) {
    SetRunningLocked(*call->worker);
  } else {
    call->cv.notify_all();
  }
  return true;
}

void Scheduler::AbortLocked(const std::string& what) const {
  std::fprintf(stderr, "platform: %s\n", what.c_str());
  for (const WorkerRecord* w : workers) {
    std::fprintf(stderr, "  thread '%s': %s\n", w->name.c_str(), StateName(w->state));
  }
  std::fflush(stderr);
  std::abort();
}

void Scheduler::Settle(bool serve, const std::function<void(std::function<void()>&)>& runPosted) {
  std::unique_lock<std::mutex> lk(mu);
  auto limit = SettleLimit();
  const bool isVirtual = IsVirtual();
  for (;;) {
    if (serve) {
      if (ServeOneSyncLocked(lk)) {
        limit = SettleLimit();
        continue;
      }
      if (!posted.empty()) {
        std::function<void()> fn = std::move(posted.front());
        posted.pop_front();
        lk.unlock();
        runPosted(fn);
        lk.lock();
        limit = SettleLimit();
        continue;
      }
    }
    if (!isVirtual || AllQuiescentLocked()) return;
    if (windowCv.wait_until(lk, limit) == std::cv_status::timeout && !AllQuiescentLocked() &&
        (!serve || (syncQueue.empty() && posted.empty()))) {
      AbortLocked("worker threads did not come to rest within " +
                  std::to_string(kSettleLimitSeconds) + " s");
    }
  }
}

void Scheduler::WindowSleep(std::uint32_t ms) {
  if (!IsVirtual()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  auto waitQuiet = [this](std::unique_lock<std::mutex>& lk) {
    auto limit = SettleLimit();
    while (!AllQuiescentLocked()) {
      if (windowCv.wait_until(lk, limit) == std::cv_status::timeout && !AllQuiescentLocked()) {
        AbortLocked("worker threads did not come to rest while the window thread slept");
      }
    }
  };
  std::unique_lock<std::mutex> lk(mu);
  const std::uint64_t target = CurrentClock().NowMs() + ms;
  for (;;) {
    waitQuiet(lk);
    auto next = NextWakeLocked();
    if (!next || *next > target) break;
    AdvanceToLocked(*next);
  }
  AdvanceToLocked(target);
  waitQuiet(lk);
}

void Scheduler::WindowWaitUntil(const std::function<bool()>& pred, const std::string& what) {
  std::unique_lock<std::mutex> lk(mu);
  const bool onWindow = hasWindowThread && std::this_thread::get_id() == windowThread;
  if (!onWindow) {
    windowCv.wait(lk, pred);
    return;
  }
  auto limit = SettleLimit();
  for (;;) {
    if (pred()) return;
    if (ServeOneSyncLocked(lk)) {
      limit = SettleLimit();
      continue;
    }
    if (IsVirtual()) {
      if (AllQuiescentLocked()) {
        auto next = NextWakeLocked();
        if (!next) AbortLocked("deadlock: the window thread waits for " + what +
                               " but no worker can ever move again");
        AdvanceToLocked(*next);
        limit = SettleLimit();
        continue;
      }
      if (windowCv.wait_until(lk, limit) == std::cv_status::timeout && !pred() &&
          syncQueue.empty() && !AllQuiescentLocked()) {
        AbortLocked("the window thread waited " + std::to_string(kSettleLimitSeconds) +
                    " s for " + what);
      }
    } else {
      windowCv.wait(lk);
    }
  }
}

}  // namespace detail

using detail::Scheduler;
using detail::WorkerRecord;
using detail::WorkerState;

namespace {
thread_local Thread* tCurrentThread = nullptr;
int gThreadNumber = 0;  // under the scheduler's mutex
}  // namespace

Thread* CurrentThread() { return tCurrentThread; }

std::vector<std::string> LiveWorkerThreads() {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  std::vector<std::string> out;
  for (const WorkerRecord* w : s.workers) out.push_back(w->name + ": " + detail::StateName(w->state));
  return out;
}

bool IsWindowThread() {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return s.hasWindowThread && s.windowThread == std::this_thread::get_id();
}

Thread::Thread(bool createSuspended) : rec_(std::make_unique<WorkerRecord>()) {
  rec_->thread = this;
  rec_->holds.insert(createSuspended ? kSuspendedHold : kStartingHold);
  auto& s = Scheduler::Get();
  {
    std::lock_guard<std::mutex> lk(s.mu);
    rec_->name = "thread " + std::to_string(++gThreadNumber);
    s.workers.push_back(rec_.get());
  }
  thread_ = std::thread([this] { Main(); });
}

Thread::~Thread() {
  if (thread_.joinable()) {
    Terminate();
    WaitFor();
  }
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  s.workers.erase(std::remove(s.workers.begin(), s.workers.end(), rec_.get()), s.workers.end());
}

void Thread::Main() {
  tCurrentThread = this;
  detail::tCurrentRecord = rec_.get();
  SafePoint();
  auto& s = Scheduler::Get();
  bool run = false;
  {
    std::lock_guard<std::mutex> lk(s.mu);
    run = !rec_->terminated;
    rec_->executeBegan = run;
  }
  std::exception_ptr fatal;
  if (run) {
    try {
      Execute();
    } catch (...) {
      fatal = std::current_exception();
    }
  }
  std::lock_guard<std::mutex> lk(s.mu);
  rec_->fatal = fatal;
  rec_->finished = true;
  rec_->state = WorkerState::Finished;
  for (WorkerRecord* j : rec_->joiners) s.SetRunningLocked(*j);
  rec_->joiners.clear();
  s.NotifyWindowLocked();
}

void Thread::SafePoint() {
  auto& s = Scheduler::Get();
  std::unique_lock<std::mutex> lk(s.mu);
  while (!rec_->terminated && !rec_->holds.empty()) {
    rec_->state = WorkerState::Parked;
    s.NotifyWindowLocked();
    rec_->cv.wait(lk, [&] { return rec_->state == WorkerState::Running; });
  }
  rec_->state = WorkerState::Running;
}

void Thread::Sleep(std::uint32_t ms) {
  SafePoint();
  auto& s = Scheduler::Get();
  {
    std::unique_lock<std::mutex> lk(s.mu);
    if (rec_->terminated) return;
    if (ms > 0) {
      rec_->state = WorkerState::Sleeping;
      if (s.IsVirtual()) {
        rec_->wakeAt = CurrentClock().NowMs() + ms;
        s.NotifyWindowLocked();
        rec_->cv.wait(lk, [&] { return rec_->state == WorkerState::Running; });
      } else {
        s.NotifyWindowLocked();
        rec_->cv.wait_for(lk, std::chrono::milliseconds(ms),
                          [&] { return rec_->state == WorkerState::Running; });
        rec_->state = WorkerState::Running;
      }
    }
  }
  SafePoint();
}

void Thread::Start() { Release(kStartingHold); }
void Thread::Resume() { Release(kSuspendedHold); }
void Thread::Suspend() { Hold(kSuspendedHold); }

bool Thread::Suspended() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return rec_->holds.count(kSuspendedHold) != 0;
}

void Thread::Hold(const std::string& reason) {
  auto& s = Scheduler::Get();
  {
    std::lock_guard<std::mutex> lk(s.mu);
    rec_->holds.insert(reason);
    const bool self = detail::tCurrentRecord == rec_.get();
    const bool onWindow = s.hasWindowThread && std::this_thread::get_id() == s.windowThread;
    if (self || !onWindow || rec_->terminated || detail::AtRest(*rec_)) return;
  }
  s.WindowWaitUntil([this] { return rec_->terminated || detail::AtRest(*rec_); },
                    "the hold of " + Name());
}

void Thread::Release(const std::string& reason) {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  rec_->holds.erase(reason);
  if (rec_->holds.empty() && rec_->state == WorkerState::Parked) s.SetRunningLocked(*rec_);
}

bool Thread::IsHeld() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return !rec_->holds.empty();
}

std::vector<std::string> Thread::HoldReasons() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return {rec_->holds.begin(), rec_->holds.end()};
}

void Thread::Terminate() {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  rec_->terminated = true;
  if (rec_->state == WorkerState::Parked || rec_->state == WorkerState::Sleeping) {
    s.SetRunningLocked(*rec_);
  }
  s.NotifyWindowLocked();
}

bool Thread::Terminated() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return rec_->terminated;
}

bool Thread::Finished() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return rec_->finished;
}

int Thread::WaitFor() {
  auto& s = Scheduler::Get();
  WorkerRecord* caller = detail::tCurrentRecord;
  if (caller == rec_.get()) {
    std::lock_guard<std::mutex> lk(s.mu);
    s.AbortLocked("a thread waited for itself");
  }
  if (caller) {
    std::unique_lock<std::mutex> lk(s.mu);
    if (!rec_->finished) {
      caller->state = WorkerState::WaitingThread;
      rec_->joiners.push_back(caller);
      s.NotifyWindowLocked();
      caller->cv.wait(lk, [&] { return caller->state == WorkerState::Running; });
    }
  } else {
    s.WindowWaitUntil([this] { return rec_->finished; }, "the end of " + Name());
  }
  std::lock_guard<std::mutex> jl(joinMutex_);
  if (thread_.joinable()) thread_.join();
  return ReturnValue;
}

void Thread::Synchronize(const std::function<void()>& fn) {
  if (IsWindowThread()) {
    fn();
    return;
  }
  auto& s = Scheduler::Get();
  WorkerRecord* caller = detail::tCurrentRecord;
  detail::SyncCall call;
  call.fn = &fn;
  call.worker = caller;
  {
    std::lock_guard<std::mutex> lk(s.mu);
    s.syncQueue.push_back(&call);
    if (caller) caller->state = WorkerState::WaitingSync;
    s.NotifyWindowLocked();
  }
  s.WakeBackend();
  std::unique_lock<std::mutex> lk(s.mu);
  if (caller) {
    caller->cv.wait(lk, [&] { return call.done; });
  } else {
    call.cv.wait(lk, [&] { return call.done; });
  }
  if (call.error) std::rethrow_exception(call.error);
}

ThreadPriority Thread::Priority() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return rec_->priority;
}

void Thread::SetPriority(ThreadPriority p) {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  rec_->priority = p;
}

std::string Thread::Name() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return rec_->name;
}

void Thread::SetName(std::string name) {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  rec_->name = std::move(name);
}

std::exception_ptr Thread::FatalException() const {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  return rec_->fatal;
}

CriticalSection::CriticalSection() = default;
CriticalSection::~CriticalSection() = default;

void CriticalSection::Enter() {
  auto& s = Scheduler::Get();
  std::unique_lock<std::mutex> lk(s.mu);
  WorkerRecord* self = detail::tCurrentRecord;
  while (locked_) {
    if (self) {
      waiters_.push_back(self);
      self->state = WorkerState::WaitingLock;
      s.NotifyWindowLocked();
      self->cv.wait(lk, [&] { return self->state == WorkerState::Running; });
    } else {
      s.windowCv.wait(lk);
    }
  }
  locked_ = true;
}

bool CriticalSection::TryEnter() {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  if (locked_) return false;
  locked_ = true;
  return true;
}

void CriticalSection::Leave() {
  auto& s = Scheduler::Get();
  std::lock_guard<std::mutex> lk(s.mu);
  locked_ = false;
  for (WorkerRecord* w : waiters_) s.SetRunningLocked(*w);
  waiters_.clear();
  s.NotifyWindowLocked();
}

void Sleep(std::uint32_t ms) {
  if (Thread* t = CurrentThread()) {
    t->Sleep(ms);
    return;
  }
  auto& s = Scheduler::Get();
  if (s.IsVirtual() && !IsWindowThread()) {
    std::lock_guard<std::mutex> lk(s.mu);
    s.AbortLocked("Sleep with the virtual clock on a thread that is neither the window thread "
                  "nor a managed worker");
  }
  s.WindowSleep(ms);
}

}  // namespace plat
