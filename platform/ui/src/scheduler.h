#pragma once
// The one coordination point between the window thread and the managed
// workers. Every worker state change happens under mu; a blocked worker is
// woken by whoever ends its wait, who also marks it running under the same
// lock, so the window thread never sees a worker as resting while it is about
// to run (the settle of virtual time depends on that).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/clock.h"
#include "platform/ui/thread.h"

namespace plat::detail {

enum class WorkerState {
  Starting,       // not yet at its first safe point
  Running,        // running user code
  Parked,         // at a safe point under a hold
  Sleeping,       // in Sleep until wakeAt (virtual) or a deadline (real)
  WaitingSync,    // blocked in Synchronize
  WaitingLock,    // blocked entering a critical section
  WaitingThread,  // blocked in WaitFor of another worker
  Finished
};

const char* StateName(WorkerState s);

struct WorkerRecord {
  Thread* thread = nullptr;
  std::string name;
  WorkerState state = WorkerState::Starting;
  std::set<std::string> holds;
  bool terminated = false;
  bool finished = false;
  bool executeBegan = false;
  std::uint64_t wakeAt = 0;
  std::condition_variable cv;
  std::vector<WorkerRecord*> joiners;
  ThreadPriority priority = ThreadPriority::Normal;
  std::exception_ptr fatal;
};

struct SyncCall {
  const std::function<void()>* fn = nullptr;
  WorkerRecord* worker = nullptr;  // null for an unmanaged caller
  bool done = false;
  std::exception_ptr error;
  std::condition_variable cv;  // for an unmanaged caller
};

class Scheduler {
 public:
  static Scheduler& Get();

  std::mutex mu;
  std::condition_variable windowCv;  // the window thread (and unmanaged waiters) wait here

  // --- under mu ---
  std::vector<WorkerRecord*> workers;
  std::deque<SyncCall*> syncQueue;
  std::deque<std::function<void()>> posted;
  std::function<void()> wake;  // tells the backend to stop waiting; called outside mu
  std::thread::id windowThread;
  bool hasWindowThread = false;

  void SetRunningLocked(WorkerRecord& w);
  // Wakes whoever waits on the window side: windowCv now, and the backend
  // once the lock is released (callers use WakeBackend after unlocking).
  void NotifyWindowLocked() { windowCv.notify_all(); }
  void WakeBackend();

  bool AllQuiescentLocked() const;
  std::optional<std::uint64_t> NextWakeLocked() const;
  void AdvanceToLocked(std::uint64_t t);
  // Runs the oldest synchronised call with mu released; false when none.
  bool ServeOneSyncLocked(std::unique_lock<std::mutex>& lk);
  [[noreturn]] void AbortLocked(const std::string& what) const;

  // --- window thread, mu not held ---
  // Waits until every worker is at rest. With serve, synchronised calls and
  // posted events are run meanwhile (runPosted runs one posted event) until
  // none is left. With a real clock only the serving is done.
  void Settle(bool serve, const std::function<void(std::function<void()>&)>& runPosted);
  // Virtual time passes while the window thread is blocked.
  void WindowSleep(std::uint32_t ms);
  // Blocks the window thread until pred (evaluated under mu) holds, serving
  // synchronised calls; with a virtual clock, when every worker is at rest,
  // virtual time runs on to the next worker wake-up. A wait that nothing can
  // end aborts with a message instead of hanging.
  void WindowWaitUntil(const std::function<bool()>& pred, const std::string& what);

  bool IsVirtual() const;
  VirtualClock* Virtual() const;
};

// How long a settle may wait in real time for workers that never come to
// rest before it gives up loudly.
inline constexpr int kSettleLimitSeconds = 20;

WorkerRecord* CurrentRecord();

}  // namespace plat::detail
