// 31 threads tracing through one client at once (the window thread and the 30
// poll threads of the master program), with the viewer reading meanwhile.
#include "trace_client_core.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <barrier>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ipc_test_support.h"
#include "platform/ipc/trace_receiver.h"

namespace {

using namespace plat::ipc;

// Reads the receiver on its own thread until told to stop, as the viewer's
// window loop does: waits for input (or the stop signal), never for time.
class ReadingViewer {
 public:
  explicit ReadingViewer(TraceReceiver& receiver) : receiver_(receiver) {
    thread_ = std::thread([this] {
      pollfd fds[2] = {{receiver_.fd(), POLLIN, 0}, {stop_, POLLIN, 0}};
      while (poll(fds, 2, -1) >= 0 && !(fds[1].revents & POLLIN)) Drain();
    });
  }
  // Stops the thread, then takes what is still queued.
  std::vector<TraceDatagram> Finish() {
    std::uint64_t one = 1;
    EXPECT_EQ(write(stop_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    thread_.join();
    // More may be queued than one Drain takes.
    while (Drain() > 0) {
    }
    close(stop_);
    return std::move(got_);
  }

 private:
  std::size_t Drain() { return receiver_.Drain([this](const TraceDatagram& d) { got_.push_back(d); }); }

  TraceReceiver& receiver_;
  int stop_ = eventfd(0, EFD_CLOEXEC);
  std::vector<TraceDatagram> got_;
  std::thread thread_;
};

TEST(TraceClientThreads, RecordsFrom31ThreadsArriveIntactOrAreCounted) {
  ipc_test::TempDir tmp;
  ReceiverOpen opened = TraceReceiver::OpenIn(tmp / "lorvex");
  ASSERT_EQ(opened.error, OpenError::kNone) << opened.message;
  lorvex::TraceClient client(std::make_unique<TraceSender>(opened.receiver->socket_path()),
                             "kestrum");

  constexpr int kThreads = 31, kPerThread = 400;
  // Texts of different lengths, some long enough to be cut, so that a torn or
  // mixed datagram could not pass for a sent one.
  auto text_of = [](int thread, int n) {
    std::string t = "ID(" + std::to_string(thread) + ") record " + std::to_string(n) + " ";
    t.append(static_cast<std::size_t>((thread * 37 + n * 11) % 260), static_cast<char>('a' + thread % 26));
    return t;
  };
  ReadingViewer viewer(*opened.receiver);
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int n = 0; n < kPerThread; ++n) client.Trace(t + 1, text_of(t, n).c_str());
    });
  for (auto& th : threads) th.join();
  std::vector<TraceDatagram> got = viewer.Finish();

  SendStats stats = client.Stats();
  EXPECT_EQ(stats.sent + stats.TotalDropped(), std::uint64_t{kThreads} * kPerThread);
  EXPECT_EQ(stats.TotalDropped(), stats.Dropped(SendDrop::kQueueFull));
  EXPECT_EQ(got.size(), stats.sent);
  EXPECT_GT(got.size(), 0u);
  EXPECT_EQ(opened.receiver->Stats().TotalRejected(), 0u);

  std::set<std::pair<int, int>> seen;
  std::map<int, int> last_of_thread;
  for (const auto& d : got) {
    ASSERT_EQ(d.message, TraceMessage::kString);
    // "kestrum#~date#~time#~ID(t) record n ..."
    auto text_at = d.text.find("#~ID(");
    ASSERT_NE(text_at, std::string::npos) << d.text;
    int t = -1, n = -1;
    ASSERT_EQ(std::sscanf(d.text.c_str() + text_at, "#~ID(%d) record %d", &t, &n), 2) << d.text;
    ASSERT_EQ(d.wparam, t + 1);
    ASSERT_TRUE(seen.insert({t, n}).second) << "received twice: " << d.text;
    const std::string whole = d.text.substr(0, text_at + 2) + text_of(t, n);
    EXPECT_EQ(d.text, CutToAtom(whole));
    // One thread's records keep their order.
    auto [it, fresh] = last_of_thread.try_emplace(t, n);
    if (!fresh) {
      EXPECT_LT(it->second, n);
      it->second = n;
    }
  }
}

}  // namespace
