// Viewers starting at the same moment: exactly one gets the socket, also when
// each of them finds the stale socket of a viewer that died and would replace it.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

#include "ipc_test_support.h"
#include "platform/ipc/trace_receiver.h"
#include "platform/ipc/trace_sender.h"

namespace {

using namespace plat::ipc;

TEST(TraceSocketRace, ExactlyOneOfViewersStartingTogetherReceives) {
  ipc_test::TempDir tmp;
  const std::string dir = tmp / "lorvex";
  constexpr int kViewers = 4;
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(ipc_test::LeaveStaleSocket(dir, dir + "/" + kSocketFileName));
    std::vector<ReceiverOpen> opened(kViewers);
    std::barrier start(kViewers);
    std::vector<std::thread> threads;
    for (int i = 0; i < kViewers; ++i)
      threads.emplace_back([&, i] {
        start.arrive_and_wait();
        opened[static_cast<std::size_t>(i)] = TraceReceiver::OpenIn(dir);
      });
    for (auto& t : threads) t.join();

    TraceReceiver* winner = nullptr;
    int in_use = 0;
    for (auto& o : opened) {
      if (o.error == OpenError::kNone) {
        EXPECT_EQ(winner, nullptr) << "two viewers bound the socket";
        winner = o.receiver.get();
      } else {
        EXPECT_EQ(o.error, OpenError::kInUse) << o.message;
        ++in_use;
      }
    }
    ASSERT_NE(winner, nullptr);
    EXPECT_EQ(in_use, kViewers - 1);
    TraceSender sender(winner->socket_path());
    ASSERT_TRUE(sender.Send(TraceMessage::kStart, 0, 0, ""));
    EXPECT_EQ(winner->Drain([](const TraceDatagram&) {}), 1u);
  }
}

}  // namespace
