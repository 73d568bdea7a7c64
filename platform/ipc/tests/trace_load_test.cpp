// The trace socket under load: records whole and in order across batches,
// every lost record counted on the side that lost it, a client that started
// before the viewer, and a crowd of clients (idle ones among them).
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "ipc_test_support.h"
#include "platform/ipc/trace_receiver.h"
#include "platform/ipc/trace_sender.h"

namespace {

using namespace plat::ipc;
using ipc_test::TempDir;

// The senders' clock in these tests: it moves only when a test moves it.
std::atomic<std::uint64_t> g_now{1'000'000'000};
std::uint64_t TestClock() { return g_now.load(); }
void AdvanceMs(std::uint64_t ms) { g_now += ms * 1'000'000; }

class TraceLoad : public ipc_test::ReceiverTest {
 protected:
  // Drains until count messages came, waiting for input (not for a timer)
  // at most timeout_ms between two of them.
  static std::vector<TraceDatagram> Collect(TraceReceiver& receiver, std::size_t count, int timeout_ms = 5000) {
    std::vector<TraceDatagram> got;
    while (got.size() < count) {
      if (receiver.Drain([&](const TraceDatagram& d) { got.push_back(d); }, 100) > 0) continue;
      pollfd ready{receiver.fd(), POLLIN, 0};
      if (poll(&ready, 1, timeout_ms) != 1) break;
    }
    return got;
  }

};

TEST_F(TraceLoad, RecordsArriveWholeAndInOrderAcrossBatches) {
  auto receiver = OpenReceiver();
  // Three senders, records of every length an atom holds, many batches each.
  TraceSender a(socket_path()), b(socket_path()), c(socket_path());
  TraceSender* senders[] = {&a, &b, &c};
  auto text = [](int i) { return std::string(static_cast<std::size_t>(i % 255), static_cast<char>('a' + i % 26)); };
  constexpr int kCount = 3 * kBatch * 3 + 7;
  std::vector<TraceDatagram> got;
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(senders[i % 3]->Send(TraceMessage::kString, i, 0, text(i)));
    // Now and then a drain with a small limit, so that batches end midway.
    if (i % 100 == 99) receiver->Drain([&](const TraceDatagram& d) { got.push_back(d); }, 10);
  }
  for (const TraceDatagram& d : Collect(*receiver, kCount - got.size())) got.push_back(d);
  ASSERT_EQ(got.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(got[static_cast<std::size_t>(i)].wparam, i) << "out of the order sent";
    ASSERT_EQ(got[static_cast<std::size_t>(i)].text, text(i)) << "not whole";
  }
  EXPECT_EQ(receiver->Stats().TotalLost(), 0u);
}

TEST_F(TraceLoad, WhatASenderDropsIsCountedThereAndToldToTheViewer) {
  auto receiver = OpenReceiver();
  std::vector<LossReport> reports;
  receiver->OnLoss = [&](const LossReport& r) { reports.push_back(r); };
  {
    TraceSender sender(socket_path(), &TestClock);
    // Sent until the connection nobody reads is full, and some more.
    int total = 0;
    while (sender.Stats().Dropped(SendDrop::kQueueFull) < 25 && total < 1000000) {
      sender.Send(TraceMessage::kString, total++, 0, "full");
    }
    // A message that cannot travel is a loss too.
    EXPECT_FALSE(sender.Send(TraceMessage::kSetFileName, 1, 0, std::string(300, 'p')));
    const std::uint64_t sent = sender.Stats().sent;
    EXPECT_EQ(Collect(*receiver, sent).size(), sent);
    EXPECT_EQ(receiver->Stats().lostAtSenders, 0u) << "the gap shows only with the next message through";
    ASSERT_TRUE(sender.Send(TraceMessage::kStart, 0, 0, ""));
    EXPECT_EQ(Collect(*receiver, 1).size(), 1u);
    const SendStats s = sender.Stats();
    EXPECT_EQ(s.Dropped(SendDrop::kQueueFull) + s.Dropped(SendDrop::kNotEncoded), 26u);
    EXPECT_EQ(receiver->Stats().lostAtSenders, 26u);
    EXPECT_EQ(receiver->Stats().lostWithoutViewer, 0u);
    EXPECT_EQ(receiver->Stats().TotalRejected(), 0u);
  }
  // The connection's end tells its losses.
  Collect(*receiver, 1, 200);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().pid, getpid());
  EXPECT_EQ(reports.back().atSender, 26u);
  EXPECT_EQ(receiver->Connections(), 0u);
}

TEST_F(TraceLoad, AClientStartedBeforeTheViewerReachesItOnceItRuns) {
  TraceSender sender(socket_path(), &TestClock);
  // No viewer: dropped and counted, and only the first call tries to connect.
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(sender.Send(TraceMessage::kString, i, 0, "early"));
  EXPECT_EQ(sender.Stats().Dropped(SendDrop::kNoReceiver), 5u);

  auto receiver = OpenReceiver();
  // Within the interval the sender does not look again.
  AdvanceMs(TraceSender::kRetryIntervalMs - 1);
  EXPECT_FALSE(sender.Send(TraceMessage::kString, 5, 0, "still early"));
  EXPECT_EQ(sender.Stats().Dropped(SendDrop::kNoReceiver), 6u);
  EXPECT_TRUE(Collect(*receiver, 1, 50).empty());

  AdvanceMs(1);
  ASSERT_TRUE(sender.Send(TraceMessage::kString, 6, 0, "reached"));
  const std::vector<TraceDatagram> got = Collect(*receiver, 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text, "reached");
  EXPECT_EQ(receiver->Stats().lostWithoutViewer, 6u) << "the viewer learns what came before it";
  EXPECT_EQ(receiver->Stats().lostAtSenders, 0u);

  // A viewer that goes and comes again: what was dropped meanwhile is told
  // to the next one.
  receiver.reset();
  EXPECT_FALSE(sender.Send(TraceMessage::kString, 7, 0, "gone"));
  receiver = OpenReceiver();
  AdvanceMs(TraceSender::kRetryIntervalMs);
  ASSERT_TRUE(sender.Send(TraceMessage::kString, 8, 0, "back"));
  ASSERT_EQ(Collect(*receiver, 1).size(), 1u);
  EXPECT_EQ(receiver->Stats().lostWithoutViewer, 1u);
}

// While it lives, this process has no descriptor left to open.
class NoFreeDescriptor {
 public:
  NoFreeDescriptor() {
    getrlimit(RLIMIT_NOFILE, &saved_);
    const int lowest_free = dup(0);
    close(lowest_free);
    rlimit tight = saved_;
    tight.rlim_cur = static_cast<rlim_t>(lowest_free);
    ok_ = lowest_free >= 0 && setrlimit(RLIMIT_NOFILE, &tight) == 0;
  }
  ~NoFreeDescriptor() { setrlimit(RLIMIT_NOFILE, &saved_); }
  NoFreeDescriptor(const NoFreeDescriptor&) = delete;
  NoFreeDescriptor& operator=(const NoFreeDescriptor&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  bool ok_ = false;
};

TEST_F(TraceLoad, AtTheDescriptorLimitNoConnectionIsClosedWhileNobodyWaits) {
  auto receiver = OpenReceiver();
  TraceSender sender(socket_path());
  ASSERT_TRUE(sender.Send(TraceMessage::kString, 1, 0, "one"));
  ASSERT_EQ(Collect(*receiver, 1).size(), 1u);
  std::vector<TraceDatagram> got;
  {
    NoFreeDescriptor full;
    ASSERT_TRUE(full.ok());
    ASSERT_TRUE(sender.Send(TraceMessage::kString, 2, 0, "two"));
    receiver->Drain([&](const TraceDatagram& d) { got.push_back(d); });
  }
  EXPECT_EQ(got.size(), 1u);
  EXPECT_EQ(receiver->Stats().connectionsEvicted, 0u) << "closed for a client that never came";
  EXPECT_EQ(receiver->Connections(), 1u);
}

TEST_F(TraceLoad, AConnectionClosedToMakeRoomThrowsAwayNothingItsSenderSent) {
  auto receiver = OpenReceiver();
  // A client whose numbers show two records it lost: its connection's end
  // tells of them.
  auto first = Encode(TraceMessage::kString, 1, 0, "first");
  auto gap = Encode(TraceMessage::kString, 2, 0, "after the gap");
  auto late = Encode(TraceMessage::kString, 3, 0, "late");
  SetCounters(*gap, 3, 0);
  SetCounters(*late, 4, 0);
  const int client = ipc_test::ConnectRaw(socket_path());
  ASSERT_GE(client, 0);
  ASSERT_EQ(send(client, first->bytes.data(), first->size, 0), static_cast<ssize_t>(first->size));
  ASSERT_EQ(send(client, gap->bytes.data(), gap->size, 0), static_cast<ssize_t>(gap->size));
  ASSERT_EQ(Collect(*receiver, 2).size(), 2u);
  // While its connection is being closed the client sends once more: the
  // kernel either refuses the record or the viewer gets it.
  bool tried = false, taken = false;
  receiver->OnLoss = [&](const LossReport& r) {
    if (r.pid == 0 || tried) return;
    tried = true;
    taken = send(client, late->bytes.data(), late->size, MSG_DONTWAIT | MSG_NOSIGNAL) == static_cast<ssize_t>(late->size);
  };
  // Another client comes when the viewer has no descriptor left: the idle
  // one makes room.
  const int other = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  ASSERT_GE(other, 0);
  sockaddr_un address{};
  socklen_t length = 0;
  ASSERT_TRUE(MakeSocketAddress(socket_path(), address, length));
  std::vector<TraceDatagram> got;
  {
    NoFreeDescriptor full;
    ASSERT_TRUE(full.ok());
    ASSERT_EQ(connect(other, reinterpret_cast<const sockaddr*>(&address), length), 0);
    receiver->Drain([&](const TraceDatagram& d) { got.push_back(d); });
  }
  EXPECT_EQ(receiver->Stats().connectionsEvicted, 1u);
  ASSERT_TRUE(tried);
  for (const TraceDatagram& d : Collect(*receiver, taken ? 1 : 0, 200)) got.push_back(d);
  EXPECT_EQ(got.size(), taken ? 1u : 0u) << "a record the kernel took for the viewer was thrown away";
  EXPECT_EQ(receiver->Stats().TotalRejected(), 0u);
  close(other);
  close(client);
}

// A child process running body(from_parent, to_parent) and exiting with its
// answer; the parent gets the other ends: to_child and from_child.
template <typename Body>
pid_t ForkWithPipes(int& to_child, int& from_child, Body body) {
  int up[2], down[2];
  if (pipe(up) != 0 || pipe(down) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(up[0]);
    close(down[1]);
    _exit(body(down[0], up[1]));
  }
  close(up[1]);
  close(down[0]);
  from_child = up[0];
  to_child = down[1];
  return pid;
}

// A child process that holds count connections to the socket, sending
// nothing, until its pipe closes; ready gets a byte once they are made.
pid_t HoldIdleConnections(const std::string& path, int count, int& ready, int& release) {
  return ForkWithPipes(release, ready, [&](int from_parent, int to_parent) {
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) fds.push_back(ipc_test::ConnectRaw(path));
    char c = 'r';
    if (write(to_parent, &c, 1) != 1) return 1;
    while (read(from_parent, &c, 1) > 0) {
    }
    return 0;
  });
}

// A child process with count senders of their own, each sending records
// messages once go gets a byte; writes the sums of what they sent and
// dropped to report.
pid_t RunSenders(const std::string& path, int count, int records, int& go, int& report) {
  return ForkWithPipes(go, report, [&](int from_parent, int to_parent) {
    char c = 0;
    if (read(from_parent, &c, 1) != 1) return 1;
    std::vector<std::unique_ptr<TraceSender>> senders;
    for (int i = 0; i < count; ++i) senders.push_back(std::make_unique<TraceSender>(path));
    for (int r = 0; r < records; ++r)
      for (auto& s : senders) s->Send(TraceMessage::kString, r, 0, "from the crowd");
    std::uint64_t sums[2] = {0, 0};
    for (auto& s : senders) {
      sums[0] += s->Stats().sent;
      sums[1] += s->Stats().TotalDropped();
    }
    return write(to_parent, sums, sizeof sums) == sizeof sums ? 0 : 1;
  });
}

struct CrowdCase {
  const char* name;
  int idle, senders, records;
  int descriptors;  // room for this many more descriptors in the viewer; 0: as many as allowed
};
void PrintTo(const CrowdCase& c, std::ostream* os) { *os << c.name; }

class Crowd : public TraceLoad, public ::testing::WithParamInterface<CrowdCase> {};

TEST_P(Crowd, EverySenderIsServedWhateverIdleClientsHold) {
  const CrowdCase& c = GetParam();
  RaiseDescriptorLimit();
  auto receiver = OpenReceiver();
  int ready = -1, release = -1, go = -1, report = -1;
  const pid_t idle = HoldIdleConnections(socket_path(), c.idle, ready, release);
  ASSERT_GT(idle, 0);
  const pid_t crowd = RunSenders(socket_path(), c.senders, c.records, go, report);
  ASSERT_GT(crowd, 0);
  char byte = 0;
  ASSERT_EQ(read(ready, &byte, 1), 1);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  if (c.descriptors > 0) {
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(ipc_test::OpenDescriptorCount() + c.descriptors);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  }
  // The idle ones are taken before any sender comes.
  receiver->Drain([](const TraceDatagram&) {});
  const bool started = write(go, "g", 1) == 1;
  std::uint64_t sums[2] = {0, 0};
  const bool reported = started && read(report, sums, sizeof sums) == static_cast<ssize_t>(sizeof sums);
  const std::size_t expected = static_cast<std::size_t>(c.senders) * static_cast<std::size_t>(c.records);
  const std::vector<TraceDatagram> got = Collect(*receiver, expected, 2000);
  setrlimit(RLIMIT_NOFILE, &saved);
  close(release);
  close(ready);
  close(go);
  close(report);
  waitpid(idle, nullptr, 0);
  waitpid(crowd, nullptr, 0);

  ASSERT_TRUE(reported);
  EXPECT_EQ(sums[1], 0u) << "senders were kept out";
  EXPECT_EQ(got.size(), expected);
  EXPECT_EQ(receiver->Stats().TotalRejected(), 0u);
  EXPECT_EQ(receiver->Stats().TotalLost(), 0u);
  if (c.descriptors > 0) {
    EXPECT_GT(receiver->Stats().connectionsEvicted, 0u) << "idle ones had to make room";
  }
}

const CrowdCase kCrowds[] = {
    {"FiveHundredClientsThreeHundredOfThemIdle", 300, 200, 5, 0},
    {"MoreClientsThanDescriptors", 120, 60, 5, 100},
};
INSTANTIATE_TEST_SUITE_P(Clients, Crowd, ::testing::ValuesIn(kCrowds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
