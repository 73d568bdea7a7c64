#pragma once
// A worker thread for the tests of threads in virtual time.

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/ui/thread.h"

namespace plat::testing {

// A worker shaped like the programs' poll threads: idles in 500 ms steps
// while inactive, otherwise makes a pass every 50 ms and reports each pass's
// tick to the window thread through a synchronised call.
class PollWorker : public plat::Thread {
 public:
  explicit PollWorker(std::vector<std::uint32_t>* passes) : Thread(true), passes_(passes) {}
  ~PollWorker() override {
    Terminate();
    WaitFor();
  }
  std::atomic<bool> active{false};
  std::atomic<int> idleWakeups{0};

 protected:
  void Execute() override {
    while (!Terminated()) {
      if (!active) {
        Sleep(500);
        ++idleWakeups;
        continue;
      }
      const std::uint32_t tick = GetTickCount();
      Synchronize([this, tick] { passes_->push_back(tick); });
      Sleep(50);
    }
  }

 private:
  std::vector<std::uint32_t>* passes_;
};

}  // namespace plat::testing
