#pragma once
// Worker threads with cooperative holds, and critical sections.
//
// Guarantee: a held worker runs no user code. It parks only at a safe point
// (an explicit SafePoint() between passes, or inside Sleep()), never inside a
// user lock or a driver call, and Hold() called from another thread returns
// only once the worker is at rest (parked, sleeping, not yet started or
// finished), so the caller may touch what the worker's pass uses.
//
// Termination wins over holds: a terminated worker's safe points return at
// once so its loop can see Terminated() and end.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/clock.h"

namespace plat {

namespace detail {
struct WorkerRecord;
}

enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

class Thread {
 public:
  // The hold that "created suspended" and Suspend()/Resume() use.
  static constexpr const char* kSuspendedHold = "suspended";
  // The hold a thread created running starts under until Start().
  static constexpr const char* kStartingHold = "starting";

  // The underlying thread starts at once and parks at its very start: with
  // createSuspended under kSuspendedHold (released by Resume()), otherwise
  // under kStartingHold (released by Start(), to be called once the derived
  // object is fully built, so Execute never runs on a half-built object).
  explicit Thread(bool createSuspended = true);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Terminates and waits for the worker (serving synchronised calls). A
  // derived class whose Execute uses its own members must end the thread
  // (Terminate(); WaitFor();) in its own destructor, before they go.
  virtual ~Thread();

  void Start();
  void Resume();
  void Suspend();
  bool Suspended() const;

  // Holds are a set of reasons: holding a reason twice is one hold, and
  // releasing one reason never releases another.
  void Hold(const std::string& reason);
  void Release(const std::string& reason);
  bool IsHeld() const;
  std::vector<std::string> HoldReasons() const;

  void Terminate();
  bool Terminated() const;
  bool Finished() const;
  // Waits for the end of Execute and returns ReturnValue. From the window
  // thread it keeps serving synchronised calls (and, with a virtual clock,
  // lets virtual time run on to the worker's next wake-up), so waiting for a
  // worker blocked in Synchronize never deadlocks.
  int WaitFor();

  // Runs fn on the window thread while this worker waits; directly when
  // called from the window thread. An exception thrown by fn is thrown again
  // here, in the calling thread.
  void Synchronize(const std::function<void()>& fn);

  // Stored only; it has no effect on scheduling.
  ThreadPriority Priority() const;
  void SetPriority(ThreadPriority p);

  // A name for diagnostics (the settle watchdog names running threads).
  std::string Name() const;
  void SetName(std::string name);

  // What escaped Execute, if anything.
  std::exception_ptr FatalException() const;

 protected:
  virtual void Execute() = 0;
  // Parks while any hold is set; returns at once once terminated.
  void SafePoint();
  // Sleeps on the current clock (virtual in tests); a safe point on entry
  // and on exit; termination cuts it short.
  void Sleep(std::uint32_t ms);
  int ReturnValue = 0;

 private:
  friend void ::plat::Sleep(std::uint32_t ms);
  void Main();
  std::unique_ptr<detail::WorkerRecord> rec_;
  std::thread thread_;
  std::mutex joinMutex_;
};

// The managed workers that exist now, as "name: state" (for test checks).
std::vector<std::string> LiveWorkerThreads();

// The calling thread's managed worker, or nullptr on the window thread and
// unmanaged threads.
Thread* CurrentThread();
bool IsWindowThread();

// A critical section over std::mutex semantics (not recursive). Managed
// workers waiting for it count as blocked, so the virtual-time settle knows
// they are not running.
class CriticalSection {
 public:
  CriticalSection();
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter();
  void Leave();
  bool TryEnter();
  void Acquire() { Enter(); }
  void Release() { Leave(); }

 private:
  friend struct CriticalSectionAccess;
  bool locked_ = false;
  std::vector<detail::WorkerRecord*> waiters_;
};

class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionGuard() { cs_.Leave(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace plat
