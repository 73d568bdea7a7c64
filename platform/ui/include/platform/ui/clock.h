#pragma once
// One clock for the whole process. Timers, the tick count and every Sleep (of
// worker threads and of the window thread) read it, so tests can swap in a
// virtual clock and step through time without sleeping.

#include <atomic>
#include <cstdint>
#include <memory>

namespace plat {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the clock's start; never wraps.
  virtual std::uint64_t NowMs() const = 0;
  // The 32-bit millisecond tick count the programs compare with unsigned
  // subtraction; it wraps after about 49.7 days.
  virtual std::uint32_t TickCount() const = 0;
  // A virtual clock moves only when the application advances it.
  virtual bool IsVirtual() const = 0;
};

// Real time from the monotonic clock.
class RealClock final : public Clock {
 public:
  RealClock();
  std::uint64_t NowMs() const override;
  std::uint32_t TickCount() const override;
  bool IsVirtual() const override { return false; }

 private:
  std::int64_t startNs_;
};

// Time that stands still until the test advances it (through the application,
// which runs the timers and worker wake-ups that fall in the step).
class VirtualClock final : public Clock {
 public:
  // startTick: the tick count at virtual time 0 (to test the 32-bit wrap).
  explicit VirtualClock(std::uint32_t startTick = 0) : startTick_(startTick) {}
  std::uint64_t NowMs() const override { return now_.load(std::memory_order_acquire); }
  std::uint32_t TickCount() const override {
    return static_cast<std::uint32_t>(startTick_ + NowMs());
  }
  bool IsVirtual() const override { return true; }
  // Only the scheduler moves virtual time (forward, never back).
  void SetNow(std::uint64_t ms) { now_.store(ms, std::memory_order_release); }

 private:
  std::uint32_t startTick_;
  std::atomic<std::uint64_t> now_{0};
};

// The process's current clock (a real clock until something installs another).
Clock& CurrentClock();
// Installs a clock; only while no managed worker thread exists.
void SetClock(std::shared_ptr<Clock> clock);
std::shared_ptr<Clock> CurrentClockShared();

// The tick count of the current clock, as the programs read it.
std::uint32_t GetTickCount();

// Sleeps on the current clock. In a managed worker thread this is that
// thread's Sleep (a safe point, cut short by termination); on the window
// thread with a virtual clock it advances virtual time, letting workers wake
// in time order, but runs no timers and no synchronised calls, as a blocked
// window thread would not.
void Sleep(std::uint32_t ms);

}  // namespace plat
