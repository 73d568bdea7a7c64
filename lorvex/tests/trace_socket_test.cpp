// Trace messages from other processes: through the viewer's socket to the
// view window's handlers; what is dropped and counted; other users; a second
// viewer; a socket left by a viewer that died.
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>
#include <sys/inotify.h>

#include "ipc_test_support.h"
#include "process_support.h"
#include "platform/ipc/trace_sender.h"
#include "viewer_fixture.h"

namespace {

using plat::ipc::Reject;
using plat::ipc::TraceMessage;
using test_support::ReadFile;

class ViewerSocket : public Viewer {
 protected:
  std::string SocketPath() const { return socketDir + "/" + plat::ipc::kSocketFileName; }
  // Sends raw bytes to the viewer's socket as a client of this user would.
  // An empty record keeps its connection open until the test ends: sent last
  // before a hang-up it cannot be told from the hang-up.
  void SendRaw(const std::vector<std::uint8_t>& bytes) {
    const int fd = ipc_test::ConnectRaw(SocketPath());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    if (bytes.empty()) kept_.push_back(fd);
    else ::close(fd);
  }
  ~ViewerSocket() override {
    for (int fd : kept_) ::close(fd);
  }
  std::vector<int> kept_;
  static std::vector<std::uint8_t> Bytes(const plat::ipc::Datagram& d) { return {d.bytes.begin(), d.bytes.begin() + d.size}; }
  // What the loop does when the socket is readable.
  void Pump() { ui.App().Idle(); }
};

TEST_F(ViewerSocket, MessagesFromAClientReachTheViewInTheOrderSent) {
  CLorvexApp& a = Start();
  ASSERT_TRUE(a.TraceSocket.Receiving());
  plat::ipc::TraceSender client(SocketPath());
  const std::string file = dir.File("seven.txt");
  ASSERT_TRUE(client.Send(TraceMessage::kSetColor, 7, 0x00AB12, {}));
  ASSERT_TRUE(client.Send(TraceMessage::kSetDevice, 7, 5, {}));
  ASSERT_TRUE(client.Send(TraceMessage::kSetFileName, 7, 0, file));
  ASSERT_TRUE(client.Send(TraceMessage::kString, 7, 0, "cli#~01.02.2024#~12:00:00.001#~first"));
  ASSERT_TRUE(client.Send(TraceMessage::kString, 7, 0, "cli#~01.02.2024#~12:00:00.002#~second"));
  ASSERT_TRUE(client.Send(TraceMessage::kString, -5, 0, "cli#~d#~t"));
  EXPECT_EQ(List().GetItemCount(), 0) << "handled before the loop took it";
  Pump();
  EXPECT_EQ(a.Channel(7).Color, 0x00AB12u);
  EXPECT_EQ(a.Channel(7).Medium, 5u);
  EXPECT_EQ(a.Channel(7).File, file);
  ASSERT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"cli", "01.02.2024", "12:00:00.001", "first"}));
  EXPECT_EQ(Row(1)[3], "second");
  EXPECT_EQ(Row(2), (std::vector<std::string>{"cli", "d", "t", ""})) << "a record without its text is kept";
  EXPECT_EQ(a.TraceEntries[2]->id, 1);
  EXPECT_EQ(List().ItemLook(List().BeginPaint(), 0).text, 0x00AB12u);
  EXPECT_EQ(ReadFile(file), " cli 01.02.2024 12:00:00.001 first\r\n cli 01.02.2024 12:00:00.002 second\r\n");

  ASSERT_TRUE(client.Send(TraceMessage::kStop, 0, 0, {}));
  ASSERT_TRUE(client.Send(TraceMessage::kString, 7, 0, "cli#~d#~t#~stopped"));
  Pump();
  EXPECT_EQ(a.Stopped, 1);
  EXPECT_TRUE(Frame()->UpdateCommandState(ID_START_OUTPUT).enabled);
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_NE(ReadFile(file).find(" cli d t stopped\r\n"), std::string::npos) << "the file path goes on";
  ASSERT_TRUE(client.Send(TraceMessage::kStart, 0, 0, {}));
  Pump();
  EXPECT_EQ(a.Stopped, 0);
  EXPECT_EQ(a.TraceSocket.Stats()->delivered, 9u);
  EXPECT_EQ(a.TraceSocket.Stats()->TotalRejected(), 0u);
}

TEST_F(ViewerSocket, DatagramsThatAreNotTraceMessagesAreDroppedCountedAndNothingElseHappens) {
  CLorvexApp& a = Start();
  std::vector<std::uint8_t> good = Bytes(*plat::ipc::Encode(TraceMessage::kString, 1, 0, "p#~d#~t#~ok"));
  std::vector<std::uint8_t> truncated(good.begin(), good.end() - 3);
  std::vector<std::uint8_t> oldVersion = good;
  oldVersion[4] = 0;  // version 0
  std::vector<std::uint8_t> newVersion = good;
  newVersion[4] = 9;
  std::vector<std::uint8_t> noise{'h', 'e', 'l', 'l', 'o'};
  std::vector<std::uint8_t> trailing = good;
  trailing.push_back('!');
  for (const auto& bytes : {truncated, oldVersion, newVersion, noise, trailing, std::vector<std::uint8_t>{}}) SendRaw(bytes);
  SendRaw(good);
  Pump();
  const plat::ipc::ReceiveStats& stats = *a.TraceSocket.Stats();
  EXPECT_EQ(stats.Rejected(Reject::kTruncated), 2u);  // the cut one and the empty one
  EXPECT_EQ(stats.Rejected(Reject::kOldVersion), 1u);
  EXPECT_EQ(stats.Rejected(Reject::kNewVersion), 1u);
  EXPECT_EQ(stats.Rejected(Reject::kBadMagic), 1u);
  EXPECT_EQ(stats.Rejected(Reject::kMalformed), 1u);
  EXPECT_EQ(stats.delivered, 1u);
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Row(0)[3], "ok");
}

TEST_F(ViewerSocket, RecordsAClientLostAreToldInTheLog) {
  CLorvexApp& a = Start();
  std::vector<std::string> log;
  a.TraceSocket.LossLog = [&](const std::string& line) { log.push_back(line); };
  {
    plat::ipc::TraceSender client(SocketPath());
    // Until the connection is full, and some more; then, once the viewer took
    // what came, one more that shows the gap.
    int sent = 0;
    while (client.Stats().Dropped(plat::ipc::SendDrop::kQueueFull) < 3 && sent < 1000000) {
      client.Send(TraceMessage::kString, 1, 0, "p#~d#~t#~" + std::to_string(sent++));
    }
    while (a.TraceSocket.Drain() > 0) {
    }
    ASSERT_TRUE(client.Send(TraceMessage::kString, 1, 0, "p#~d#~t#~last"));
    Pump();
    EXPECT_EQ(a.TraceEntries.size(), client.Stats().sent);
    EXPECT_EQ(a.TraceSocket.Stats()->lostAtSenders, 3u);
  }
  Pump();  // the client has gone
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "lorvex: 3 trace records of process " + std::to_string(::getpid()) +
                            " never arrived: 3 dropped by the client, 0 sent before it reached a viewer");
  log.clear();
  End();
  ASSERT_EQ(log.size(), 1u) << "the total once more at the end";
  EXPECT_EQ(log[0], "lorvex: trace records lost so far: 3 dropped by clients, 0 sent before they reached a viewer, 0 refused here");
}

TEST_F(ViewerSocket, MessagesTakenAfterTheViewWentAreCountedAsUndelivered) {
  CLorvexApp& a = Start();
  ASSERT_TRUE(a.TraceSocket.Receiving());
  Frame()->DestroyWindow();
  plat::ipc::TraceSender client(SocketPath());
  ASSERT_TRUE(client.Send(TraceMessage::kString, 1, 0, "p#~d#~t#~lost"));
  ASSERT_TRUE(client.Send(TraceMessage::kStop, 0, 0, {}));
  Pump();
  EXPECT_TRUE(a.TraceEntries.empty());
  EXPECT_EQ(a.Stopped, 0);
  EXPECT_EQ(a.TraceSocket.Stats()->delivered, 2u);
  EXPECT_EQ(a.TraceSocket.Undelivered(), 2u);
}

TEST_F(ViewerSocket, AnotherUserCanNeitherReachTheSocketNorNameATraceFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to send as another user";
  CLorvexApp& a = Start();
  a.Channel(2).Medium = 5;
  a.Channel(2).File = dir.File("mine.txt");
  const plat::ipc::Datagram d = *plat::ipc::Encode(TraceMessage::kSetFileName, 2, 0, "/root/.bashrc");
  sockaddr_un address{};
  socklen_t length = 0;
  ASSERT_TRUE(plat::ipc::MakeSocketAddress(SocketPath(), address, length));
  // The private directory keeps the other user from connecting at all; with
  // it opened by mistake, the connection's peer credentials tell the viewer
  // who connected, and it is refused.
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(ipc_test::kOtherUid) != 0 || ::setuid(ipc_test::kOtherUid) != 0) _exit(100);
    const int direct = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    _exit(::connect(direct, reinterpret_cast<const sockaddr*>(&address), length) != 0 && errno == EACCES ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Every directory on the way, up to /tmp, opened to others for the passage.
  for (std::string up = socketDir; up.size() > 4 && up.rfind('/') > 0; up.resize(up.rfind('/')))
    ASSERT_EQ(::chmod(up.c_str(), 0711), 0) << up;
  ASSERT_EQ(::chmod(SocketPath().c_str(), 0777), 0);
  const pid_t other = ::fork();
  if (other == 0) {
    if (::setgid(ipc_test::kOtherUid) != 0 || ::setuid(ipc_test::kOtherUid) != 0) _exit(100);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) _exit(2);
    _exit(::send(fd, d.bytes.data(), d.size, MSG_DONTWAIT) == static_cast<ssize_t>(d.size) ? 0 : 1);
  }
  ::waitpid(other, &status, 0);
  ASSERT_EQ(::chmod(socketDir.c_str(), 0700), 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  Pump();
  EXPECT_EQ(a.Channel(2).File, dir.File("mine.txt"));
  EXPECT_EQ(a.TraceSocket.Stats()->Rejected(Reject::kForeignUser), 1u);
  // The same message from this user is taken.
  SendRaw(Bytes(*plat::ipc::Encode(TraceMessage::kSetFileName, 2, 0, dir.File("new.txt"))));
  Pump();
  EXPECT_EQ(a.Channel(2).File, dir.File("new.txt"));
}

TEST_F(ViewerSocket, ASecondViewerRunsWithoutTracesAndSaysSoOnceWhenAPersonStartedIt) {
  plat::ipc::ReceiverOpen first = plat::ipc::TraceReceiver::OpenIn(socketDir);
  ASSERT_TRUE(first.receiver);
  ui.ExpectBox("Ein anderer Lorvex empf\xc3\xa4ngt bereits die Trace-Meldungen.")
      .Caption("Lorvex")
      .Flags(plat::MB_OK | plat::MB_ICONINFORMATION);
  CLorvexApp& a = Start();
  EXPECT_FALSE(a.TraceSocket.Receiving());
  EXPECT_EQ(a.TraceSocket.OpenResult(), plat::ipc::OpenError::kInUse);
  ASSERT_NE(Frame(), nullptr);
  EXPECT_TRUE(Frame()->IsWindowVisible()) << "the second viewer still runs";
  plat::ipc::TraceSender client(SocketPath());
  ASSERT_TRUE(client.Send(TraceMessage::kString, 1, 0, "p#~d#~t#~for the first"));
  Pump();
  EXPECT_EQ(List().GetItemCount(), 0);
  std::vector<plat::ipc::TraceDatagram> got;
  first.receiver->Drain([&](const plat::ipc::TraceDatagram& d) { got.push_back(d); });
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text, "p#~d#~t#~for the first");
  End();
  EXPECT_EQ(ui.Boxes().size(), 1u);

  // Started for a client, it runs without a word.
  CLorvexApp& b = Start({"/Automation"});
  EXPECT_FALSE(b.TraceSocket.Receiving());
  EXPECT_EQ(ui.Boxes().size(), 1u);
  End();

  // The first one gone, the next viewer receives.
  first.receiver.reset();
  CLorvexApp& c = Start();
  EXPECT_TRUE(c.TraceSocket.Receiving());
}

TEST_F(ViewerSocket, ASocketLeftByAViewerThatDiedIsReplaced) {
  ASSERT_TRUE(ipc_test::LeaveStaleSocket(socketDir, SocketPath()));
  CLorvexApp& a = Start();
  ASSERT_TRUE(a.TraceSocket.Receiving());
  plat::ipc::TraceSender client(SocketPath());
  ASSERT_TRUE(client.Send(TraceMessage::kString, 1, 0, "p#~d#~t#~after the crash"));
  Pump();
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Row(0)[3], "after the crash");
  End();
  EXPECT_FALSE(ipc_test::Exists(SocketPath())) << "an ended viewer leaves its socket behind";
}

TEST_F(ViewerSocket, TheSocketOfAViewerProgramThatWasKilledIsTakenOverByTheNextViewer) {
  ASSERT_TRUE(plat::ipc::MakePrivateDirectory(socketDir).ok());
  const int notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(::inotify_add_watch(notify, socketDir.c_str(), IN_CREATE), 0);
  test_support::Child killed({LORVEX_PROGRAM, "--headless"});
  // The socket is made when the program has started up.
  bool bound = false;
  for (pollfd p{notify, POLLIN, 0}; !bound && ::poll(&p, 1, test_support::kChildTimeoutMs) > 0;) {
    alignas(inotify_event) char events[4096];
    const ssize_t n = ::read(notify, events, sizeof events);
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(events + at);
      if (e->len > 0 && std::string(e->name) == plat::ipc::kSocketFileName) bound = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  ::close(notify);
  ASSERT_TRUE(bound) << "the viewer program never bound its socket";
  ::kill(killed.Pid(), SIGKILL);
  EXPECT_EQ(killed.Wait(test_support::kChildTimeoutMs), 128 + SIGKILL);
  ASSERT_TRUE(ipc_test::Exists(SocketPath())) << "nothing stale to take over";

  CLorvexApp& a = Start();
  ASSERT_TRUE(a.TraceSocket.Receiving());
  plat::ipc::TraceSender client(SocketPath());
  ASSERT_TRUE(client.Send(TraceMessage::kString, 1, 0, "p#~d#~t#~after the kill"));
  Pump();
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Row(0)[3], "after the kill");
}

TEST_F(ViewerSocket, AViewerThatCannotTrustItsSocketDirectorySaysWhy) {
  ASSERT_EQ(::mkdir(socketDir.c_str(), 0755), 0);  // open to others: refused, never repaired
  ui.ExpectBox("Lorvex kann keine Trace-Meldungen empfangen.\n" + socketDir + " is open to other users")
      .Caption("Lorvex")
      .Flags(plat::MB_OK | plat::MB_ICONEXCLAMATION);
  CLorvexApp& a = Start();
  EXPECT_FALSE(a.TraceSocket.Receiving());
  EXPECT_EQ(a.TraceSocket.OpenResult(), plat::ipc::OpenError::kDirectory);
}

}  // namespace
