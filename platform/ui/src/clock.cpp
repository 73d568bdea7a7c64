#include "platform/ui/clock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "scheduler.h"

namespace plat {

namespace {
std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct ClockHolder {
  std::mutex mu;
  std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
  std::atomic<Clock*> raw{clock.get()};
};

ClockHolder& Holder() {
  static ClockHolder holder;
  return holder;
}
}  // namespace

RealClock::RealClock() : startNs_(SteadyNs()) {}

std::uint64_t RealClock::NowMs() const {
  return static_cast<std::uint64_t>((SteadyNs() - startNs_) / 1000000);
}

std::uint32_t RealClock::TickCount() const {
  return static_cast<std::uint32_t>(SteadyNs() / 1000000);
}

Clock& CurrentClock() { return *Holder().raw.load(std::memory_order_acquire); }

std::shared_ptr<Clock> CurrentClockShared() {
  std::lock_guard<std::mutex> lk(Holder().mu);
  return Holder().clock;
}

void SetClock(std::shared_ptr<Clock> clock) {
  auto& sched = detail::Scheduler::Get();
  {
    std::lock_guard<std::mutex> lk(sched.mu);
    if (!sched.workers.empty()) {
      sched.AbortLocked("the clock was changed while worker threads exist");
    }
  }
  if (!clock) clock = std::make_shared<RealClock>();
  std::lock_guard<std::mutex> lk(Holder().mu);
  Holder().clock = std::move(clock);
  Holder().raw.store(Holder().clock.get(), std::memory_order_release);
}

std::uint32_t GetTickCount() { return CurrentClock().TickCount(); }

}  // namespace plat
