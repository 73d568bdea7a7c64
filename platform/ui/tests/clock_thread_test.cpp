// Worker threads in virtual time: holds, termination, synchronised calls,
// settling, and the waits of the window thread that must never deadlock.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/ui/testing.h"
#include "poll_worker.h"

namespace {

using namespace plat;
using plat::testing::Advance;
using plat::testing::PollWorker;
using Session = plat::testing::CoreSession;
using plat::testing::SessionOptions;

TEST(VirtualTime, WorkerIdlesInLongStepsAndPassesEvery50Ms) {
  Session ui;
  std::vector<std::uint32_t> passes;
  PollWorker worker(&passes);
  worker.Resume();
  Advance(2000);
  EXPECT_EQ(worker.idleWakeups, 4);
  EXPECT_TRUE(passes.empty());

  worker.active = true;  // seen at the next wake-up, 2500
  Advance(700);
  std::vector<std::uint32_t> expected;
  for (std::uint32_t t = 2500; t <= 2700; t += 50) expected.push_back(t);
  EXPECT_EQ(passes, expected);
}

TEST(VirtualTime, TickCountWrapsAt32BitsAndDifferencesStayRight) {
  Session ui(SessionOptions{0xFFFFFF00u});
  EXPECT_EQ(GetTickCount(), 0xFFFFFF00u);
  Advance(0x180);
  EXPECT_EQ(GetTickCount(), 0x80u);
  EXPECT_EQ(CurrentClock().NowMs(), 0x180u);

  // A worker timing "every 2000 ms" by unsigned tick difference across the wrap.
  struct Every2s : Thread {
    std::atomic<int> reads{0};
    ~Every2s() override {
      Terminate();
      WaitFor();
    }
    void Execute() override {
      std::uint32_t last = GetTickCount();
      while (!Terminated()) {
        if (GetTickCount() - last >= 2000) {
          ++reads;
          last = GetTickCount();
        }
        Sleep(50);
      }
    }
  } worker;
  worker.Resume();
  Advance(6000);
  EXPECT_EQ(worker.reads, 3);
}

TEST(VirtualTime, WorkersWokenAtOneInstantAllRunBeforeTheStepEnds) {
  Session ui;
  CriticalSection cs;
  int counter = 0;  // guarded by cs
  struct Incrementer : Thread {
    CriticalSection* cs;
    int* counter;
    Incrementer(CriticalSection* c, int* n) : cs(c), counter(n) {}
    ~Incrementer() override {
      Terminate();
      WaitFor();
    }
    void Execute() override {
      while (!Terminated()) {
        Sleep(100);
        if (Terminated()) break;
        CriticalSectionGuard guard(*cs);
        ++*counter;
      }
    }
  };
  std::vector<std::unique_ptr<Incrementer>> workers;
  for (int i = 0; i < 4; ++i) {
    workers.push_back(std::make_unique<Incrementer>(&cs, &counter));
    workers.back()->Resume();
  }
  Advance(300);
  CriticalSectionGuard guard(cs);
  EXPECT_EQ(counter, 12);
}

TEST(VirtualTime, BlockedWindowThreadLetsTimePassButServesNoSynchronisedCall) {
  Session ui;
  std::vector<std::uint32_t> passes;
  PollWorker worker(&passes);
  worker.active = true;
  worker.Resume();
  ui.App().Idle();
  ASSERT_EQ(passes, (std::vector<std::uint32_t>{0}));

  plat::Sleep(200);  // the window thread is busy for 200 ms
  EXPECT_EQ(GetTickCount(), 200u);
  EXPECT_EQ(passes.size(), 1u) << "the pass at 50 waits for the window thread";
  ui.App().Idle();
  EXPECT_EQ(passes, (std::vector<std::uint32_t>{0, 50}));
  Advance(100);
  EXPECT_EQ(passes, (std::vector<std::uint32_t>{0, 50, 250, 300}));
}

// ---------------------------------------------------------------- holds
class Counter : public Thread {
 public:
  Counter() : Thread(true) {}
  ~Counter() override {
    Terminate();
    WaitFor();
  }
  std::atomic<int> passes{0};

 protected:
  void Execute() override {
    while (!Terminated()) {
      ++passes;
      Sleep(50);
    }
  }
};

TEST(Holds, ReasonsAreIndependentAndEachIsHeldOnce) {
  Session ui;
  Counter t;
  EXPECT_EQ(t.HoldReasons(), std::vector<std::string>{Thread::kSuspendedHold});
  Advance(200);
  EXPECT_EQ(t.passes, 0) << "created suspended: parked before its first pass";

  t.Hold("reset");
  t.Hold("reset");  // set semantics: still one hold
  t.Hold("search");
  t.Resume();
  Advance(200);
  EXPECT_EQ(t.passes, 0);

  t.Release("search");
  Advance(200);
  EXPECT_EQ(t.passes, 0) << "releasing one reason leaves the other";
  EXPECT_EQ(t.HoldReasons(), std::vector<std::string>{"reset"});

  t.Release("reset");
  EXPECT_FALSE(t.IsHeld());
  Advance(200);
  EXPECT_EQ(t.passes, 5);  // 200 (released), 250, 300, 350, 400

  t.Release("never held");
  t.Suspend();
  Advance(500);
  EXPECT_EQ(t.passes, 5);
  EXPECT_TRUE(t.Suspended());
}

TEST(Holds, TerminationWinsOverHoldsAndCutsSleepShort) {
  Session ui;
  Counter held;  // parked under its initial hold, plus another one
  held.Hold("reset");
  held.Terminate();
  held.WaitFor();
  EXPECT_TRUE(held.Finished());
  EXPECT_EQ(held.passes, 0) << "terminated before it ever ran: Execute is skipped";

  struct LongSleeper : Thread {
    ~LongSleeper() override {
      Terminate();
      WaitFor();
    }
    void Execute() override { Sleep(1000000); }
  } sleeper;
  sleeper.Resume();
  ui.App().Idle();
  sleeper.Terminate();
  sleeper.WaitFor();
  EXPECT_TRUE(sleeper.Finished());
  EXPECT_LT(CurrentClock().NowMs(), 1000u) << "the sleep ended at the terminate, not at its time";
}

// The window thread holding a worker that waits in a synchronised call: the
// hold serves the call, lets the worker reach its next safe point and returns.
TEST(Holds, HoldingAWorkerBlockedInASynchronisedCallDoesNotDeadlock) {
  Session ui;
  std::vector<std::uint32_t> passes;
  PollWorker worker(&passes);
  worker.active = true;
  worker.Resume();
  plat::Sleep(20);  // busy window thread: the first pass now waits in its call
  ASSERT_TRUE(passes.empty());

  worker.Hold("search");
  EXPECT_EQ(passes, (std::vector<std::uint32_t>{0}));
  Advance(500);
  EXPECT_EQ(passes, (std::vector<std::uint32_t>{0})) << "held: no pass";

  worker.Release("search");  // at 520
  Advance(100);
  EXPECT_EQ(passes, (std::vector<std::uint32_t>{0, 570, 620}));
}

// A busy worker (no sleeping) is really concurrent: Hold must not return
// while it is inside a pass.
TEST(Holds, HoldReturnsOnlyOnceTheWorkerIsAtASafePoint) {
  Session ui;
  struct Busy : Thread {
    std::atomic<bool> inPass{false};
    std::atomic<int> passes{0};
    ~Busy() override {
      Terminate();
      WaitFor();
    }
    void Execute() override {
      while (!Terminated()) {
        inPass = true;
        volatile int sink = 0;
        for (int i = 0; i < 2000; ++i) sink = sink + i;
        inPass = false;
        ++passes;
        SafePoint();
      }
    }
  } busy;
  busy.SetPriority(ThreadPriority::Higher);
  EXPECT_EQ(busy.Priority(), ThreadPriority::Higher);
  busy.Resume();
  while (busy.passes < 3) std::this_thread::yield();
  for (int round = 0; round < 20; ++round) {
    busy.Hold("check");
    EXPECT_FALSE(busy.inPass);
    const int frozen = busy.passes;
    for (int i = 0; i < 100; ++i) std::this_thread::yield();
    EXPECT_EQ(busy.passes, frozen);
    busy.Release("check");
  }
}

// ---------------------------------------------------------------- synchronised calls
TEST(Synchronize, RunsOnTheWindowThreadAndCarriesExceptionsBack) {
  Session ui;
  const auto windowId = std::this_thread::get_id();
  struct Caller : Thread {
    std::thread::id ranOn;
    std::string caught;
    ~Caller() override {
      Terminate();
      WaitFor();
    }
    void Execute() override {
      Synchronize([this] { ranOn = std::this_thread::get_id(); });
      try {
        Synchronize([] { throw std::runtime_error("from the window thread"); });
      } catch (const std::runtime_error& e) {
        caught = e.what();
      }
    }
  } caller;
  caller.Resume();
  caller.WaitFor();
  EXPECT_EQ(caller.ranOn, windowId);
  EXPECT_EQ(caller.caught, "from the window thread");

  bool direct = false;
  caller.Synchronize([&] { direct = true; });  // from the window thread: runs at once
  EXPECT_TRUE(direct);
}

TEST(Synchronize, WindowThreadWaitingForAWorkerBlockedInASyncCallDoesNotDeadlock) {
  Session ui;
  int served = 0;
  struct Reporter : Thread {
    int* served;
    explicit Reporter(int* s) : served(s) {}
    ~Reporter() override {
      Terminate();
      WaitFor();
    }
    void Execute() override {
      Sleep(10);
      Synchronize([this] { ++*served; });
    }
  };
  auto worker = std::make_unique<Reporter>(&served);
  worker->Resume();
  plat::Sleep(20);  // busy window thread: the worker is now blocked in its call
  ASSERT_EQ(served, 0);
  ASSERT_EQ(LiveWorkerThreads().size(), 1u);
  EXPECT_NE(LiveWorkerThreads()[0].find("waiting for a synchronised call"), std::string::npos);
  worker->Terminate();
  worker.reset();  // the destructor's wait serves the pending call
  EXPECT_EQ(served, 1);
  EXPECT_TRUE(LiveWorkerThreads().empty());
}

TEST(Synchronize, PostedEventsFromWorkersRunOnTheWindowThread) {
  Session ui;
  std::vector<std::thread::id> ranOn;
  struct Poster : Thread {
    std::vector<std::thread::id>* ranOn;
    explicit Poster(std::vector<std::thread::id>* r) : ranOn(r) {}
    ~Poster() override {
      Terminate();
      WaitFor();
    }
    void Execute() override {
      plat::Application::Current()->Post([this] { ranOn->push_back(std::this_thread::get_id()); });
    }
  } poster(&ranOn);
  poster.Resume();
  ui.App().Idle();
  ASSERT_EQ(ranOn.size(), 1u);
  EXPECT_EQ(ranOn[0], std::this_thread::get_id());
}

TEST(Threads, AnExceptionEscapingExecuteEndsTheThreadAndIsKept) {
  Session ui;
  struct Thrower : Thread {
    ~Thrower() override {
      Terminate();
      WaitFor();
    }
    void Execute() override { throw std::runtime_error("pass failed"); }
  } t;
  t.Resume();
  t.WaitFor();
  ASSERT_TRUE(t.FatalException());
  EXPECT_THROW(std::rethrow_exception(t.FatalException()), std::runtime_error);
}

TEST(ThreadsDeathTest, AWaitThatNothingCanEndFailsLoudly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        Session ui;
        CriticalSection cs;
        struct Locker : Thread {
          CriticalSection* cs;
          explicit Locker(CriticalSection* c) : cs(c) {}
          void Execute() override { CriticalSectionGuard g(*cs); }
        } locker(&cs);
        cs.Enter();  // the window thread holds the lock the worker needs
        locker.Resume();
        locker.WaitFor();
      },
      "deadlock");
}

}  // namespace
