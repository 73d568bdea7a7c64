// What the entries of LORVEX.DLL do, run against a test socket.
#include "trace_client_core.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "ipc_test_support.h"
#include "platform/ipc/trace_receiver.h"

namespace {

using namespace plat::ipc;
using lorvex::BuildRecord;
using lorvex::TraceClient;

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(TraceRecord, FieldsAreJoinedAsTheViewerSplitsThem) {
  const std::tm december = At(2026, 12, 10, 14, 3, 7);
  struct {
    const char* what;
    std::string process;
    std::tm local;
    int ms;
    const char* text;
    std::string expected;
  } cases[] = {
      {"plain", "kestrum", december, 123, "SpeedButton_ExitClick",
       "kestrum#~10.12.2026#~14:03:07.123#~SpeedButton_ExitClick"},
      {"zero-padded", "q", At(2026, 1, 2, 8, 0, 5), 4, "x", "q#~02.01.2026#~08:00:05.004#~x"},
      {"format text verbatim", "k", december, 0, "%s%n%d", "k#~10.12.2026#~14:03:07.000#~%s%n%d"},
      {"separator inside the text kept", "k", december, 999, "a#~b",
       "k#~10.12.2026#~14:03:07.999#~a#~b"},
      {"null text", "k", december, 0, nullptr, "k#~10.12.2026#~14:03:07.000#~"},
      {"empty text", "k", december, 0, "", "k#~10.12.2026#~14:03:07.000#~"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(BuildRecord(c.process, c.local, c.ms, c.text), c.expected);
  }
}

TEST(TraceRecord, ALongTextIsReadOnlyAsFarAsAnAtomHolds) {
  const std::string text(100000, 't');
  std::string record = BuildRecord("kestrum", At(2026, 12, 10, 14, 3, 7), 0, text.c_str());
  EXPECT_EQ(record.size(), kMaxAtomText + 1);  // one more, so the cut can see a split letter
  EXPECT_EQ(CutToAtom(record).size(), kMaxAtomText);
}

class TraceClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReceiverOpen r = TraceReceiver::OpenIn(tmp_ / "lorvex");
    ASSERT_EQ(r.error, OpenError::kNone) << r.message;
    receiver_ = std::move(r.receiver);
    client_ = std::make_unique<TraceClient>(
        std::make_unique<TraceSender>(receiver_->socket_path()), "kestrum");
  }
  std::vector<TraceDatagram> Received() {
    std::vector<TraceDatagram> got;
    receiver_->Drain([&](const TraceDatagram& d) { got.push_back(d); });
    return got;
  }

  ipc_test::TempDir tmp_;
  std::unique_ptr<TraceReceiver> receiver_;
  std::unique_ptr<TraceClient> client_;
};

TEST_F(TraceClientTest, ATraceArrivesAsARecordOfTheLocalClock) {
  client_->Trace(3, "%s%n");
  auto got = Received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, TraceMessage::kString);
  EXPECT_EQ(got[0].wparam, 3);
  EXPECT_TRUE(std::regex_match(
      got[0].text, std::regex(R"(kestrum#~\d\d\.\d\d\.\d{4}#~\d\d:\d\d:\d\d\.\d{3}#~%s%n)")))
      << got[0].text;
}

TEST_F(TraceClientTest, AnOverlongRecordIsCutTo254) {
  client_->Trace(1, std::string(600, 'L').c_str());
  auto got = Received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text.size(), kMaxAtomText);
  EXPECT_EQ(got[0].text.back(), 'L');
}

TEST_F(TraceClientTest, SettingsTravelAsTheirMessages) {
  client_->SetColor(2, 0x0000FF00);
  client_->SetMedium(2, 5);
  client_->SetFile(2, "/home/u/trace2.txt");
  client_->SetFile(2, nullptr);                         // no path: nothing to send
  client_->SetFile(2, std::string(255, 'p').c_str());  // would be cut: not sent
  const std::vector<TraceDatagram> expected = {
      {TraceMessage::kSetColor, 2, 0x0000FF00, ""},
      {TraceMessage::kSetDevice, 2, 5, ""},
      {TraceMessage::kSetFileName, 2, 0, "/home/u/trace2.txt"},
  };
  EXPECT_EQ(Received(), expected);
  EXPECT_EQ(client_->Stats().Dropped(SendDrop::kNotEncoded), 1u);
}

TEST_F(TraceClientTest, StopSilencesTheProcessAndStartResumes) {
  EXPECT_EQ(client_->Stop(), 1);
  client_->Trace(1, "while stopped");
  client_->SetColor(1, 1);
  client_->SetMedium(1, 1);
  client_->SetFile(1, "/x");
  EXPECT_TRUE(Received().empty());
  EXPECT_EQ(client_->Start(), 1);
  client_->Trace(1, "again");
  auto got = Received();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0].text.ends_with("#~again"));
}

TEST_F(TraceClientTest, WithoutAViewerTracesAreDroppedAndCounted) {
  receiver_.reset();
  EXPECT_EQ(client_->Start(), 1);
  client_->Trace(1, "nobody listens");
  client_->SetColor(1, 1);
  EXPECT_EQ(client_->Stats().Dropped(SendDrop::kNoReceiver), 2u);
  EXPECT_EQ(client_->Stats().sent, 0u);
}

// However the viewer fails to take traces, the tracing thread goes on at once:
// each trace is dropped and counted, never waited for. The calls run until
// several drops were seen, so a send or connect that waited would hang here.
struct AbsentViewerCase {
  const char* name;
  // Puts what the case needs at the socket path; returns the descriptors and
  // the receiver that must stay open meanwhile.
  std::function<void(const std::string& dir, const std::string& path, std::vector<int>& fds,
                     std::unique_ptr<TraceReceiver>& receiver)>
      prepare;
  SendDrop reason;
  bool some_sent;  // the viewer's queue took traces before it was full
};
void PrintTo(const AbsentViewerCase& c, std::ostream* os) { *os << c.name; }

// A socket that listens with room for one waiting connection and never
// accepts, as a viewer hung before its loop leaves it.
void ListenWithoutAccepting(const std::string& dir, const std::string& path, std::vector<int>& fds) {
  ASSERT_TRUE(MakePrivateDirectory(dir).ok());
  sockaddr_un address{};
  socklen_t length = 0;
  ASSERT_TRUE(MakeSocketAddress(path, address, length));
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  fds.push_back(fd);
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(fd, 0), 0);
}

const AbsentViewerCase kAbsentViewers[] = {
    {"NoViewer", [](auto&, auto&, auto&, auto&) {}, SendDrop::kNoReceiver, false},
    {"ViewerThatDied",
     [](const std::string& dir, const std::string& path, auto&, auto&) {
       ASSERT_TRUE(ipc_test::LeaveStaleSocket(dir, path));
     },
     SendDrop::kNoReceiver, false},
    {"ViewerThatNeverReads",
     [](const std::string& dir, const std::string&, auto&, std::unique_ptr<TraceReceiver>& receiver) {
       ReceiverOpen r = TraceReceiver::OpenIn(dir);
       ASSERT_EQ(r.error, OpenError::kNone) << r.message;
       receiver = std::move(r.receiver);
     },
     SendDrop::kQueueFull, true},
    {"ViewerThatNeverAccepts",
     [](const std::string& dir, const std::string& path, std::vector<int>& fds, auto&) {
       ListenWithoutAccepting(dir, path, fds);
       // Another program's connection takes the one place that waits.
       const int other = ipc_test::ConnectRaw(path);
       ASSERT_GE(other, 0);
       fds.push_back(other);
     },
     SendDrop::kQueueFull, false},
};

class AbsentViewer : public ::testing::TestWithParam<AbsentViewerCase> {
 protected:
  ~AbsentViewer() override {
    for (int fd : fds_) close(fd);
  }
  ipc_test::TempDir tmp_;
  std::vector<int> fds_;
  std::unique_ptr<TraceReceiver> receiver_;
};

TEST_P(AbsentViewer, TracesAreDroppedAndCountedWithoutWaiting) {
  const AbsentViewerCase& c = GetParam();
  const std::string dir = tmp_ / "lorvex";
  const std::string path = dir + "/" + kSocketFileName;
  c.prepare(dir, path, fds_, receiver_);
  if (HasFatalFailure()) return;
  TraceClient client(std::make_unique<TraceSender>(path), "kestrum");

  EXPECT_EQ(client.Start(), 1);
  std::uint64_t calls = 0;
  while (client.Stats().TotalDropped() < 10 && calls < 1000000) {
    client.Trace(1, ("still going " + std::to_string(calls)).c_str());
    ++calls;
  }
  const SendStats stats = client.Stats();
  EXPECT_EQ(stats.sent + stats.TotalDropped(), calls);
  EXPECT_EQ(stats.Dropped(c.reason), stats.TotalDropped());
  EXPECT_GE(stats.TotalDropped(), 10u);
  EXPECT_EQ(stats.sent > 0, c.some_sent);
}

INSTANTIATE_TEST_SUITE_P(Viewers, AbsentViewer, ::testing::ValuesIn(kAbsentViewers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
