// The bridge with the real Tamsile.DLL as its filter (on a table of this
// test's own) and a stand-in trace client, from one thread and from the 31
// threads that Kestrum traces from.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fake_trace_libraries.h"
#include "kestrum/trace_bridge.h"
#include "tamsile_testing/table_namespace.h"

namespace {

using trace_testing::Fake;
using trace_testing::FakeTraceLoader;
using Sent = std::vector<std::pair<std::int32_t, std::string>>;

constexpr int kThreads = 31;  // the window thread and the 30 poll threads

class RealFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(table_.list, nullptr);
    std::uint16_t count = 0;
    std::uint16_t ids[TAMSILE_CAPACITY];
    table_.list(&count, ids);
    for (std::uint16_t i = 0; i < count; ++i) table_.set(ids[i], 0);
  }

  std::vector<std::uint16_t> Read() {
    std::uint16_t count = 0;
    std::vector<std::uint16_t> ids(TAMSILE_CAPACITY);
    EXPECT_EQ(bridge_.ReadEnabledMsgIds(&count, ids.data()), 0);
    ids.resize(count);
    return ids;
  }

  const tamsile_testing::TamsileEntryPoints& table_ = tamsile_testing::LoadTamsileOnOwnTable();
  FakeTraceLoader loader_{/*real_filter=*/true};
  kestrum::TraceBridge bridge_;
};

TEST_F(RealFilter, PassesOnlyTheTracesOfEnabledIds) {
  bridge_.LoadTraceLibraries(loader_);
  ASSERT_TRUE(bridge_.TracingBound());

  EXPECT_EQ(bridge_.SetMsgIdEnabled(1000, 1), 0);
  EXPECT_EQ(bridge_.TraceTextIfEnabled(1000, "SpeedButton_ExitClick", 1), -1);
  EXPECT_EQ(bridge_.TraceTextIfEnabled(1001, "ID: 3 , LEDStatus: 1", 1), -1);
  EXPECT_EQ(bridge_.TraceText("Mouse Move", 1), -1);  // not filtered at all
  EXPECT_EQ(Read(), (std::vector<std::uint16_t>{1000}));

  EXPECT_EQ(bridge_.SetMsgIdEnabled(-1, 1), 0);  // the low 16 bits: ID 65535
  EXPECT_EQ(bridge_.SetMsgIdEnabled(1000, 0), 0);
  EXPECT_EQ(bridge_.TraceTextIfEnabled(1000, "dropped now", 1), -1);
  EXPECT_EQ(Read(), (std::vector<std::uint16_t>{65535}));

  EXPECT_EQ(Fake().Sent(), (Sent{{1, "SpeedButton_ExitClick"}, {1, "Mouse Move"}}));
}

TEST_F(RealFilter, WithoutTheClientTheTableIsNeitherReadNorChanged) {
  table_.set(1001, 1);
  loader_.missing_libraries = {"LORVEX.DLL"};
  bridge_.LoadTraceLibraries(loader_);

  std::uint16_t count = 5;
  std::uint16_t ids[TAMSILE_CAPACITY];
  EXPECT_EQ(bridge_.ReadEnabledMsgIds(&count, ids), -1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bridge_.SetMsgIdEnabled(1001, 0), -1);
  EXPECT_EQ(bridge_.SetMsgIdEnabled(1002, 1), -1);
  EXPECT_EQ(table_.get(1001), 1);
  EXPECT_EQ(table_.get(1002), 0);
}

TEST_F(RealFilter, ThirtyOneThreadsTraceAtOnce) {
  bridge_.LoadTraceLibraries(loader_);
  bridge_.SetMsgIdEnabled(1000, 1);
  constexpr int kRounds = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < kRounds; ++i) {
        const std::string tag = std::to_string(t) + "/" + std::to_string(i);
        bridge_.TraceTextIfEnabled(1000, "pass " + tag, t);
        bridge_.TraceTextIfEnabled(1001, "drop " + tag, t);
        bridge_.TraceText("text " + tag, t);
      }
    });
  }
  for (auto& th : threads) th.join();

  Sent sent = Fake().Sent();
  EXPECT_EQ(sent.size(), static_cast<size_t>(kThreads * kRounds * 2));
  for (const auto& [channel, text] : sent) {
    ASSERT_NE(text.rfind("drop", 0), 0u) << text;
    const std::string tag = std::to_string(channel) + "/";
    ASSERT_NE(text.find(" " + tag), std::string::npos) << "sent on the wrong channel: " << text;
  }
}

// The binding is published as a whole: threads that trace while it is made see
// tracing either off or fully on, never half-bound.
TEST_F(RealFilter, ThreadsTracingDuringTheBindingSeeItWhole) {
  table_.set(1000, 1);
  std::atomic<int> started{0};
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      ++started;
      while (!stop.load()) {
        if (bridge_.TraceTextIfEnabled(1000, "t", 1) != -1) ++bad;
        std::uint16_t count = 1234;
        std::uint16_t ids[TAMSILE_CAPACITY];
        const std::int32_t rc = bridge_.ReadEnabledMsgIds(&count, ids);
        if (!((rc == -1 && count == 0) || (rc == 0 && count == 1 && ids[0] == 1000))) ++bad;
      }
    });
  }
  while (started.load() < kThreads) std::this_thread::yield();
  bridge_.LoadTraceLibraries(loader_);
  const bool bound = bridge_.TracingBound();
  // The threads now trace through the bound state for a while.
  const size_t target = Fake().SentCount() + kThreads * 20;
  while (bound && Fake().SentCount() < target) std::this_thread::yield();
  stop = true;
  for (auto& th : threads) th.join();
  EXPECT_TRUE(bound);
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
