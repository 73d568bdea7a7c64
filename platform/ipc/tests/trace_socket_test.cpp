// The sender and the receiver over a real socket in a private test directory.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ipc_test_support.h"
#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_receiver.h"
#include "platform/ipc/trace_sender.h"

namespace {

using namespace plat::ipc;
using ipc_test::Exists;
using ipc_test::TempDir;

class TraceSocket : public ipc_test::ReceiverTest {
 protected:
  std::vector<TraceDatagram> DrainAll(TraceReceiver& receiver) {
    std::vector<TraceDatagram> got;
    receiver.Drain([&](const TraceDatagram& d) { got.push_back(d); });
    return got;
  }

  // Sends raw bytes (and optional ancillary data) on a connection of its
  // own, as some other client would.
  // With keep the connection stays open until the test ends (an empty
  // record sent last cannot be told from the sender's hang-up).
  void SendRaw(const void* bytes, std::size_t size, const void* control = nullptr,
               std::size_t control_size = 0, bool keep = false) {
    int fd = ipc_test::ConnectRaw(socket_path());
    ASSERT_GE(fd, 0) << std::strerror(errno);
    iovec iov{const_cast<void*>(bytes), size};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = const_cast<void*>(control);
    msg.msg_controllen = control_size;
    EXPECT_EQ(sendmsg(fd, &msg, MSG_DONTWAIT), static_cast<ssize_t>(size)) << std::strerror(errno);
    if (keep && kept_ < 0) kept_ = fd;
    else close(fd);
  }
  ~TraceSocket() override {
    if (kept_ >= 0) close(kept_);
  }
  int kept_ = -1;

  void LeaveStaleSocket() { ASSERT_TRUE(ipc_test::LeaveStaleSocket(dir(), socket_path())); }

};

TEST_F(TraceSocket, EveryMessageArrivesInOrder) {
  auto receiver = OpenReceiver();
  ASSERT_TRUE(receiver);
  TraceSender sender(socket_path());
  const std::vector<TraceDatagram> sent = {
      {TraceMessage::kString, 3, 0, "quenmark#~01.02.2026#~08:00:00.000#~%s%n"},
      {TraceMessage::kSetColor, 2, 0x0000FF00, ""},
      {TraceMessage::kSetDevice, 2, 5, ""},
      {TraceMessage::kSetFileName, 2, 0, "/tmp/x y.txt"},
      {TraceMessage::kStop, 0, 0, ""},
      {TraceMessage::kStart, 0, 0, ""},
  };
  for (const auto& d : sent) EXPECT_TRUE(sender.Send(d.message, d.wparam, d.lparam, d.text));
  EXPECT_EQ(DrainAll(*receiver), sent);
  EXPECT_EQ(receiver->Stats().delivered, sent.size());
  EXPECT_EQ(receiver->Stats().TotalRejected(), 0u);
  EXPECT_EQ(sender.Stats().sent, sent.size());
  EXPECT_EQ(sender.Stats().TotalDropped(), 0u);
  EXPECT_EQ(receiver->Drain([](const TraceDatagram&) { FAIL(); }), 0u);  // nothing left
}

TEST_F(TraceSocket, WithoutAViewerASendIsDroppedAndCounted) {
  TraceSender no_file(socket_path());
  EXPECT_FALSE(no_file.Send(TraceMessage::kString, 1, 0, "x"));
  EXPECT_EQ(no_file.Stats().Dropped(SendDrop::kNoReceiver), 1u);

  LeaveStaleSocket();
  TraceSender stale(socket_path());
  EXPECT_FALSE(stale.Send(TraceMessage::kString, 1, 0, "x"));
  EXPECT_EQ(stale.Stats().Dropped(SendDrop::kNoReceiver), 1u);
  EXPECT_EQ(stale.Stats().sent, 0u);
}

TEST_F(TraceSocket, SenderRefusesWhatCannotTravel) {
  TraceSender long_path("/" + std::string(200, 'p'));
  EXPECT_FALSE(long_path.setup_error().empty());
  EXPECT_FALSE(long_path.Send(TraceMessage::kStart, 0, 0, ""));
  EXPECT_EQ(long_path.Stats().Dropped(SendDrop::kNoSocket), 1u);

  auto receiver = OpenReceiver();
  TraceSender sender(socket_path());
  EXPECT_FALSE(sender.Send(TraceMessage::kSetFileName, 1, 0, std::string(300, 'f')));
  EXPECT_EQ(sender.Stats().Dropped(SendDrop::kNotEncoded), 1u);
  EXPECT_TRUE(DrainAll(*receiver).empty());
}

TEST_F(TraceSocket, DefaultSenderFindsTheUsersDirectory) {
  ipc_test::ScopedEnv env(kSocketDirVariable, dir().c_str());
  ReceiverOpen r = TraceReceiver::Open();
  ASSERT_EQ(r.error, OpenError::kNone) << r.message;
  EXPECT_EQ(r.receiver->socket_path(), socket_path());
  TraceSender sender;
  EXPECT_TRUE(sender.setup_error().empty()) << sender.setup_error();
  EXPECT_TRUE(sender.Send(TraceMessage::kStart, 0, 0, ""));
  EXPECT_EQ(DrainAll(*r.receiver).size(), 1u);
}

TEST_F(TraceSocket, UntrustedDirectoryIsRefusedByBothEnds) {
  ASSERT_EQ(mkdir(dir().c_str(), 0700), 0);
  ASSERT_EQ(chmod(dir().c_str(), 0777), 0);
  ReceiverOpen r = TraceReceiver::OpenIn(dir());
  EXPECT_EQ(r.error, OpenError::kDirectory);
  EXPECT_FALSE(r.receiver);
  EXPECT_FALSE(Exists(socket_path()));

  ipc_test::ScopedEnv env(kSocketDirVariable, dir().c_str());
  TraceSender sender;
  EXPECT_NE(sender.setup_error().find("open to other users"), std::string::npos);
  EXPECT_FALSE(sender.Send(TraceMessage::kStart, 0, 0, ""));
  EXPECT_EQ(sender.Stats().Dropped(SendDrop::kNoSocket), 1u);
}

TEST_F(TraceSocket, FullQueueDropsWithoutBlockingAndNothingIsTorn) {
  auto receiver = OpenReceiver();
  TraceSender sender(socket_path());
  // Sent until the connection nobody reads is full, and some more.
  int total = 0;
  for (int more = 10; more > 0 && total < 1000000; ++total) {
    sender.Send(TraceMessage::kString, total, 0, "record " + std::to_string(total));
    if (sender.Stats().TotalDropped() > 0) --more;
  }
  SendStats s = sender.Stats();
  EXPECT_EQ(s.sent + s.TotalDropped(), static_cast<std::uint64_t>(total));
  EXPECT_GE(s.Dropped(SendDrop::kQueueFull), 10u);
  std::vector<TraceDatagram> got;
  while (receiver->Drain([&](const TraceDatagram& d) { got.push_back(d); }) > 0) {
  }
  ASSERT_EQ(got.size(), s.sent);
  for (const auto& d : got) EXPECT_EQ(d.text, "record " + std::to_string(d.wparam));
  EXPECT_EQ(receiver->Stats().TotalRejected(), 0u);
}

TEST_F(TraceSocket, DrainStopsAtItsLimitAfterAFairTurnOfEachSender) {
  auto receiver = OpenReceiver();
  TraceSender a(socket_path()), b(socket_path());
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(a.Send(TraceMessage::kString, 2 * i, 0, "a"));
    ASSERT_TRUE(b.Send(TraceMessage::kString, 2 * i + 1, 0, "b"));
  }
  std::vector<int> channels;
  auto keep = [&](const TraceDatagram& d) { channels.push_back(d.wparam); };
  const std::size_t first = receiver->Drain(keep, 10);
  EXPECT_GT(first, 0u);
  EXPECT_LT(first, 600u) << "the limit did not stop the drain";
  pollfd ready{receiver->fd(), POLLIN, 0};
  EXPECT_EQ(poll(&ready, 1, 0), 1) << "the rest does not wake the loop";
  while (receiver->Drain(keep) > 0) {
  }
  EXPECT_EQ(poll(&ready, 1, 0), 0) << "nothing is left, yet the loop is woken";
  ASSERT_EQ(channels.size(), 600u);
  for (int i = 0; i < 600; ++i) ASSERT_EQ(channels[static_cast<std::size_t>(i)], i) << "out of the order sent";
}

TEST_F(TraceSocket, ACallbackThatDrainsAgainGetsEveryMessageOnceInOrder) {
  auto receiver = OpenReceiver();
  TraceSender a(socket_path()), b(socket_path());
  int next = 0;
  auto send = [&](int count) {
    for (int i = 0; i < count; ++i, ++next) ASSERT_TRUE((next % 2 ? b : a).Send(TraceMessage::kString, next, 0, "m"));
  };
  send(6);
  std::vector<int> got;
  std::size_t inner = 0;
  std::function<void(const TraceDatagram&)> handle = [&](const TraceDatagram& d) {
    got.push_back(d.wparam);
    if (got.size() != 1) return;
    // The first message's handler runs the window loop, as a box would, while
    // more arrive: the loop drains again with the outer Drain midway.
    send(100);
    inner = receiver->Drain(handle);
  };
  const std::size_t outer = receiver->Drain(handle);
  while (receiver->Drain(handle) > 0) {
  }
  std::vector<int> sent(static_cast<std::size_t>(next));
  for (int i = 0; i < next; ++i) sent[static_cast<std::size_t>(i)] = i;
  EXPECT_EQ(got, sent);
  EXPECT_EQ(outer, 1u) << "the inner Drain handed out the rest of the outer one's";
  EXPECT_GE(inner, 5u);
  EXPECT_EQ(receiver->Stats().delivered, sent.size());
  pollfd ready{receiver->fd(), POLLIN, 0};
  EXPECT_EQ(poll(&ready, 1, 0), 0) << "nothing is left, yet the loop is woken";
}

TEST_F(TraceSocket, BadDatagramsAreDroppedAndCountedByReason) {
  auto receiver = OpenReceiver();
  auto valid = Encode(TraceMessage::kString, 3, 0, "ok");
  ASSERT_TRUE(valid);
  std::vector<std::uint8_t> base(valid->view().begin(), valid->view().end());
  auto spoiled = [&](std::size_t at, std::uint8_t value) {
    auto b = base;
    b[at] = value;
    return b;
  };
  struct {
    std::vector<std::uint8_t> bytes;
    Reject why;
  } cases[] = {
      {std::vector<std::uint8_t>(base.begin(), base.begin() + 10), Reject::kTruncated},
      {spoiled(0, 'Q'), Reject::kBadMagic},
      {spoiled(4, 0), Reject::kOldVersion},
      {spoiled(4, 9), Reject::kNewVersion},
      {spoiled(10, 'x'), Reject::kUnknownMessage},
      {std::vector<std::uint8_t>(kMaxDatagramSize + 1, 'L'), Reject::kOversized},
      {std::vector<std::uint8_t>(4000, 'L'), Reject::kOversized},
      {{}, Reject::kTruncated},  // an empty datagram
  };
  const TraceDatagram good{TraceMessage::kString, 3, 0, "ok"};
  for (const auto& c : cases) {
    SCOPED_TRACE(RejectName(c.why));
    const std::uint64_t before = receiver->Stats().Rejected(c.why);
    SendRaw(c.bytes.data(), c.bytes.size(), nullptr, 0, c.bytes.empty());
    SendRaw(base.data(), base.size());  // a good one after a bad one still arrives
    EXPECT_EQ(DrainAll(*receiver), std::vector<TraceDatagram>{good});
    EXPECT_EQ(receiver->Stats().Rejected(c.why), before + 1);
  }
  EXPECT_EQ(receiver->Stats().TotalRejected(), std::size(cases));
  EXPECT_EQ(receiver->Stats().delivered, std::size(cases));
}

TEST_F(TraceSocket, AnEmptyRecordIsNoHangUpEvenWhenItsSenderHasLeft) {
  auto receiver = OpenReceiver();
  auto first = Encode(TraceMessage::kString, 1, 0, "first");
  auto second = Encode(TraceMessage::kString, 2, 0, "second");
  SetCounters(*second, 1, 0);
  // An empty record, then two good ones, and the sender goes before the
  // viewer reads any of it.
  int fd = ipc_test::ConnectRaw(socket_path());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(send(fd, "", 0, 0), 0);
  ASSERT_EQ(send(fd, first->bytes.data(), first->size, 0), static_cast<ssize_t>(first->size));
  ASSERT_EQ(send(fd, second->bytes.data(), second->size, 0), static_cast<ssize_t>(second->size));
  close(fd);
  const std::vector<TraceDatagram> expected = {{TraceMessage::kString, 1, 0, "first"},
                                               {TraceMessage::kString, 2, 0, "second"}};
  EXPECT_EQ(DrainAll(*receiver), expected);
  EXPECT_EQ(receiver->Stats().Rejected(Reject::kTruncated), 1u);
  EXPECT_EQ(receiver->Connections(), 0u);
}

TEST_F(TraceSocket, ACallbackThatThrowsLeavesTheReceiverWhole) {
  auto receiver = OpenReceiver();
  std::vector<LossReport> reports;
  receiver->OnLoss = [&](const LossReport& r) { reports.push_back(r); };
  TraceSender sender(socket_path());
  ASSERT_TRUE(sender.Send(TraceMessage::kString, 1, 0, "thrown at"));
  ASSERT_TRUE(sender.Send(TraceMessage::kString, 2, 0, "after"));
  EXPECT_THROW(receiver->Drain([](const TraceDatagram&) { throw std::runtime_error("handler"); }),
               std::runtime_error);
  EXPECT_EQ(DrainAll(*receiver), (std::vector<TraceDatagram>{{TraceMessage::kString, 2, 0, "after"}}));
  // A client that lost two on the way: the receiver tells of it as it drains.
  auto a = Encode(TraceMessage::kStart, 0, 0, "");
  auto b = *a;
  SetCounters(b, 3, 0);
  int fd = ipc_test::ConnectRaw(socket_path());
  ASSERT_GE(fd, 0);
  ASSERT_EQ(send(fd, a->bytes.data(), a->size, 0), static_cast<ssize_t>(a->size));
  ASSERT_EQ(send(fd, b.bytes.data(), b.size, 0), static_cast<ssize_t>(b.size));
  EXPECT_EQ(DrainAll(*receiver).size(), 2u);
  ASSERT_EQ(reports.size(), 1u) << "losses go untold once a handler has thrown";
  EXPECT_EQ(reports[0].pid, 0);
  EXPECT_EQ(reports[0].atSender, 2u);
  close(fd);
}

TEST_F(TraceSocket, PassedDescriptorsAreClosedAndTheDatagramRejected) {
  auto receiver = OpenReceiver();
  auto valid = Encode(TraceMessage::kStart, 0, 0, "");
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  alignas(cmsghdr) char control[CMSG_SPACE(2 * sizeof(int))] = {};
  msghdr carrier{};
  carrier.msg_control = control;
  carrier.msg_controllen = sizeof control;
  cmsghdr* c = CMSG_FIRSTHDR(&carrier);
  c->cmsg_level = SOL_SOCKET;
  c->cmsg_type = SCM_RIGHTS;
  c->cmsg_len = CMSG_LEN(2 * sizeof(int));
  std::memcpy(CMSG_DATA(c), pipe_fds, sizeof pipe_fds);

  const int before = ipc_test::OpenDescriptorCount();
  SendRaw(valid->bytes.data(), valid->size, control, sizeof control);
  EXPECT_TRUE(DrainAll(*receiver).empty());
  EXPECT_EQ(ipc_test::OpenDescriptorCount(), before);
  EXPECT_EQ(receiver->Stats().Rejected(Reject::kControlData), 1u);
  close(pipe_fds[0]);
  close(pipe_fds[1]);
}

// Ancillary data as recvmsg would hand it over, made by hand.
struct Crafted {
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(sizeof(int))] = {};
  msghdr msg{};
  Crafted& Credentials(uid_t uid) {
    msg.msg_control = control;
    msg.msg_controllen = CMSG_SPACE(sizeof(ucred));
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_CREDENTIALS;
    c->cmsg_len = CMSG_LEN(sizeof(ucred));
    ucred cred{getpid(), uid, getgid()};
    std::memcpy(CMSG_DATA(c), &cred, sizeof cred);
    return *this;
  }
  Crafted& Extra(int level, int type) {
    std::size_t used = msg.msg_controllen;
    msg.msg_control = control;
    msg.msg_controllen = used + CMSG_SPACE(sizeof(int));
    auto* c = reinterpret_cast<cmsghdr*>(control + used);
    c->cmsg_level = level;
    c->cmsg_type = type;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    int value = -1;  // no descriptor to close
    std::memcpy(CMSG_DATA(c), &value, sizeof value);
    return *this;
  }
  Crafted& Flags(int flags) {
    msg.msg_flags = flags;
    return *this;
  }
};

TEST(AncillaryCheck, NothingButOwnCredentialsPasses) {
  const uid_t me = geteuid();
  const uid_t other = me + 1;
  struct {
    const char* what;
    Crafted data;
    std::optional<Reject> why;
  } cases[] = {
      {"own credentials", Crafted().Credentials(me), std::nullopt},
      {"no ancillary data (checked by the connection)", Crafted(), std::nullopt},
      {"another user's credentials", Crafted().Credentials(other), Reject::kForeignUser},
      {"another user's, with more", Crafted().Credentials(other).Extra(SOL_SOCKET, SCM_RIGHTS),
       Reject::kForeignUser},
      {"own, with a descriptor", Crafted().Credentials(me).Extra(SOL_SOCKET, SCM_RIGHTS),
       Reject::kControlData},
      {"own, with something unknown", Crafted().Credentials(me).Extra(SOL_SOCKET, 99),
       Reject::kControlData},
      {"own, but the control data was cut", Crafted().Credentials(me).Flags(MSG_CTRUNC),
       Reject::kControlData},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    // The crafted header points into its own buffer; fix that after the copy.
    if (c.data.msg.msg_control) c.data.msg.msg_control = c.data.control;
    EXPECT_EQ(CheckAncillary(c.data.msg, me), c.why);
  }
}

// Runs body in a child process that has become another user; returns its exit code.
template <typename Body>
int AsOtherUser(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    if (setgid(ipc_test::kOtherUid) != 0 || setuid(ipc_test::kOtherUid) != 0) _exit(100);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

TEST_F(TraceSocket, AnotherUserCannotReachTheViewer) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to send as another user";
  auto receiver = OpenReceiver();
  auto datagram = Encode(TraceMessage::kSetFileName, 1, 0, "/root/.bashrc");
  sockaddr_un address{};
  socklen_t length = 0;
  ASSERT_TRUE(MakeSocketAddress(socket_path(), address, length));

  // First wall: the private directory keeps the socket out of reach.
  int code = AsOtherUser([&] {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    return connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 && errno == EACCES ? 0 : 1;
  });
  EXPECT_EQ(code, 0);

  // Second wall: with the directory opened to others by mistake, a
  // connection another user makes is refused by its peer credentials, and
  // everything sent on it counted as another user's.
  ASSERT_EQ(chmod(tmp_.path().c_str(), 0711), 0);
  ASSERT_EQ(chmod(dir().c_str(), 0711), 0);
  ASSERT_EQ(chmod(socket_path().c_str(), 0777), 0);
  code = AsOtherUser([&] {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) return 2;
    return send(fd, datagram->bytes.data(), datagram->size, MSG_DONTWAIT) ==
                   static_cast<ssize_t>(datagram->size)
               ? 0
               : 1;
  });
  ASSERT_EQ(chmod(dir().c_str(), 0700), 0);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(DrainAll(*receiver).empty());
  EXPECT_EQ(receiver->Stats().Rejected(Reject::kForeignUser), 1u);
  EXPECT_EQ(receiver->Connections(), 0u);
}

TEST_F(TraceSocket, AStaleSocketIsReplaced) {
  LeaveStaleSocket();
  auto receiver = OpenReceiver();
  ASSERT_TRUE(receiver);
  TraceSender sender(socket_path());
  EXPECT_TRUE(sender.Send(TraceMessage::kStart, 0, 0, ""));
  EXPECT_EQ(DrainAll(*receiver).size(), 1u);
}

TEST_F(TraceSocket, AViewerThatDiedLeavesNothingInTheWay) {
  pid_t pid = fork();
  if (pid == 0) {
    ReceiverOpen r = TraceReceiver::OpenIn(dir());
    _exit(r.receiver ? 0 : 1);  // no destructor runs: socket and lock file stay
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(Exists(socket_path()));
  auto receiver = OpenReceiver();
  EXPECT_TRUE(receiver);
}

TEST_F(TraceSocket, ASecondViewerDoesNotStealTheSocket) {
  struct {
    const char* what;
    bool remove_lock_file;  // someone cleaned the directory behind the viewer
  } cases[] = {{"lock held", false}, {"lock file removed", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto first = OpenReceiver();
    ASSERT_TRUE(first);
    if (c.remove_lock_file) {
      ASSERT_EQ(unlink((dir() + "/" + kLockFileName).c_str()), 0);
    }
    ReceiverOpen second = TraceReceiver::OpenIn(dir());
    EXPECT_EQ(second.error, OpenError::kInUse);
    EXPECT_FALSE(second.receiver);
    EXPECT_NE(second.message.find(socket_path()), std::string::npos) << second.message;
    TraceSender sender(socket_path());
    EXPECT_TRUE(sender.Send(TraceMessage::kStop, 0, 0, ""));
    EXPECT_EQ(DrainAll(*first).size(), 1u);
  }
}

TEST_F(TraceSocket, ClosingTheViewerRemovesItsSocketOnly) {
  auto first = OpenReceiver();
  first.reset();
  EXPECT_FALSE(Exists(socket_path()));
  EXPECT_TRUE(OpenReceiver());  // and the next viewer starts cleanly

  ASSERT_TRUE(MakePrivateDirectory(dir()).ok());
  std::ofstream(socket_path()) << "not a socket";
  ReceiverOpen r = TraceReceiver::OpenIn(dir());
  EXPECT_EQ(r.error, OpenError::kSocket);
  EXPECT_TRUE(Exists(socket_path()));  // a file we did not make is left alone
}

}  // namespace
