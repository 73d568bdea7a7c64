// Load test of the trace path: N client processes send records as fast as
// they can through the trace client's sender; this process runs the viewer
// (application, document, list view, the socket watched by the loop) on the
// real clock and files what arrives. Reported: records per second sent,
// received and stored, and every record lost, counted where it was lost -
// at the sender by reason, at the receiver by reason - so that the totals
// add up to what the clients tried to send.
//
//   build/<dir>/bin/trace_load [--clients N] [--records M] [--text BYTES] [--rate R]
//
// --rate paces each client to R records per second (default: as fast as it
// can), to see what a viewer keeps up with.
//
// Runs in a private socket directory and settings folder under /tmp; the
// viewer keeps what it receives in memory only (channels show, no files).

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "platform/ui/application.h"
#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_sender.h"
#include "trace_client_core.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int clients = 4;
  int records = 20000;  // per client
  int text = 60;        // bytes of trace text per record
  int rate = 0;         // records per second per client; 0: as fast as it can
};

// What one client reports back through its pipe.
struct ClientReport {
  std::uint64_t attempted = 0;
  std::uint64_t sent = 0;
  std::array<std::uint64_t, plat::ipc::kSendDropCount> dropped{};
  std::int64_t elapsedNs = 0;
};

constexpr const char* kDropNames[plat::ipc::kSendDropCount] = {"no socket", "no receiver", "queue full",
                                                                 "not encoded", "other"};

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (flag == "--clients") o.clients = std::max(1, value);
    else if (flag == "--records") o.records = std::max(1, value);
    else if (flag == "--text") o.text = std::clamp(value, 0, 200);
    else if (flag == "--rate") o.rate = std::max(0, value);
    else {
      std::fprintf(stderr, "usage: %s [--clients N] [--records M] [--text BYTES] [--rate R]\n", argv[0]);
      std::exit(2);
    }
  }
  return o;
}

// A client: waits for the start, sends its records as fast as it can, reports.
[[noreturn]] void RunClient(int index, const Options& o, const std::string& socketPath, int go, int report) {
  char start = 0;
  if (::read(go, &start, 1) != 1) _exit(3);
  lorvex::TraceClient client(std::make_unique<plat::ipc::TraceSender>(socketPath), "client" + std::to_string(index));
  const auto begin = Clock::now();
  for (int i = 0; i < o.records; ++i) {
    // Paced: record i is due at i / rate seconds after the start.
    if (o.rate > 0 && i % 50 == 0) std::this_thread::sleep_until(begin + std::chrono::microseconds(1000000LL * i / o.rate));
    std::string text = std::to_string(i) + ' ';
    text.resize(static_cast<std::size_t>(o.text), 'x');
    client.Trace(1 + (i % kTraceChannels), text.c_str());
  }
  ClientReport r;
  r.elapsedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - begin).count();
  r.attempted = static_cast<std::uint64_t>(o.records);
  const plat::ipc::SendStats s = client.Stats();
  r.sent = s.sent;
  r.dropped = s.dropped;
  const bool written = ::write(report, &r, sizeof r) == static_cast<ssize_t>(sizeof r);
  _exit(written ? 0 : 4);
}

std::string KernelQueueLength() {
  std::ifstream in("/proc/sys/net/unix/max_dgram_qlen");
  std::string v;
  return in >> v ? v : std::string("?");
}

double PerSecond(std::uint64_t n, double seconds) { return seconds > 0 ? static_cast<double>(n) / seconds : 0; }

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);

  char tmpl[] = "/tmp/trace-load-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string root = tmpl;
  const std::string socketDir = root + "/sock";
  ::setenv("LORVEX_SOCKET_DIR", socketDir.c_str(), 1);
  ::setenv("HOME", root.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);

  // The viewer, headless, on the real clock.
  plat::Application loop;
  CLorvexApp viewer;
  viewer.SetCommandLine({"lorvex"});
  if (!viewer.InitInstance() || !viewer.TraceSocket.Receiving()) {
    std::fprintf(stderr, "trace_load: the viewer did not start receiving\n");
    return 1;
  }
  const std::string socketPath = socketDir + "/" + plat::ipc::kSocketFileName;

  // The clients, waiting for one start.
  int go[2], report[2];
  if (::pipe(go) != 0 || ::pipe(report) != 0) return 1;
  std::vector<pid_t> children;
  for (int i = 0; i < o.clients; ++i) {
    const pid_t pid = ::fork();
    if (pid < 0) return 1;
    if (pid == 0) {
      ::close(go[1]);
      ::close(report[0]);
      RunClient(i, o, socketPath, go[0], report[1]);
    }
    children.push_back(pid);
  }
  ::close(go[0]);
  ::close(report[1]);

  std::vector<ClientReport> reports;
  auto* view = dynamic_cast<CLorvexView*>(dynamic_cast<afx::CFrameWnd*>(viewer.m_pMainWnd)->GetActiveView());
  const auto begin = Clock::now();
  const std::string starts(static_cast<std::size_t>(o.clients), 'g');
  if (::write(go[1], starts.data(), starts.size()) != static_cast<ssize_t>(starts.size())) return 1;

  // The loop runs until every client has reported and nothing has come for
  // a while; the reports arrive on a watched pipe, a timer keeps time.
  Clock::time_point lastInput = Clock::now(), allReported{};
  std::uint64_t seenDelivered = 0;
  const int reportWatch = loop.AddFdWatch(report[0], [&] {
    ClientReport r;
    if (::read(report[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r)) reports.push_back(r);
    if (reports.size() == children.size()) allReported = Clock::now();
  });
  plat::Timer tick([&] {
    const std::uint64_t delivered = viewer.TraceSocket.Stats()->delivered;
    if (delivered != seenDelivered) {
      seenDelivered = delivered;
      lastInput = Clock::now();
    }
  });
  tick.SetInterval(20);
  tick.SetEnabled(true);
  loop.RunLoopUntil([&] {
    return reports.size() == children.size() && Clock::now() - lastInput > std::chrono::milliseconds(300);
  });
  loop.RemoveFdWatch(reportWatch);
  const double receiveSeconds = std::chrono::duration<double>(lastInput - begin).count();
  for (pid_t pid : children) ::waitpid(pid, nullptr, 0);

  // ---- the account
  ClientReport total;
  double sendSeconds = 0;
  for (const ClientReport& r : reports) {
    total.attempted += r.attempted;
    total.sent += r.sent;
    for (std::size_t i = 0; i < r.dropped.size(); ++i) total.dropped[i] += r.dropped[i];
    sendSeconds = std::max(sendSeconds, static_cast<double>(r.elapsedNs) / 1e9);
  }
  std::uint64_t droppedAtSender = 0;
  for (auto n : total.dropped) droppedAtSender += n;
  const plat::ipc::ReceiveStats& rs = *viewer.TraceSocket.Stats();
  const std::uint64_t stored = viewer.TraceEntries.size();
  const std::uint64_t rows = static_cast<std::uint64_t>(view->GetItemCount());
  const std::uint64_t unaccounted = total.sent - rs.delivered - rs.TotalRejected();

  std::printf("trace load: %d clients x %d records, %d bytes of text each, %s"
              " (an unconnected datagram socket would queue %s)\n",
              o.clients, o.records, o.text,
              o.rate > 0 ? (std::to_string(o.rate) + " records/s per client").c_str() : "as fast as they can",
              KernelQueueLength().c_str());
  std::printf("  attempted   %10llu\n", static_cast<unsigned long long>(total.attempted));
  std::printf("  sent        %10llu   %12.0f records/s (slowest client %.3f s)\n",
              static_cast<unsigned long long>(total.sent), PerSecond(total.sent, sendSeconds), sendSeconds);
  std::printf("  received    %10llu   %12.0f records/s (%.3f s to the last)\n",
              static_cast<unsigned long long>(rs.delivered), PerSecond(rs.delivered, receiveSeconds), receiveSeconds);
  std::printf("  stored      %10llu   %12.0f records/s, %llu rows, %d repaints told\n",
              static_cast<unsigned long long>(stored), PerSecond(stored, receiveSeconds),
              static_cast<unsigned long long>(rows), view->GetListCtrl().RepaintsSignalled());
  std::printf("  lost        %10llu\n", static_cast<unsigned long long>(total.attempted - stored));
  for (std::size_t i = 0; i < total.dropped.size(); ++i) {
    if (total.dropped[i]) std::printf("    at the sender, %-12s %llu\n", kDropNames[i], static_cast<unsigned long long>(total.dropped[i]));
  }
  for (std::size_t i = 0; i < plat::ipc::kRejectCount; ++i) {
    const auto why = static_cast<plat::ipc::Reject>(i);
    if (rs.Rejected(why)) {
      std::printf("    at the receiver, %-12s %llu\n", std::string(plat::ipc::RejectName(why)).c_str(),
                  static_cast<unsigned long long>(rs.Rejected(why)));
    }
  }
  if (viewer.TraceSocket.Undelivered()) {
    std::printf("    at the viewer, undelivered %llu\n", static_cast<unsigned long long>(viewer.TraceSocket.Undelivered()));
  }
  if (unaccounted) std::printf("    sent but never received: %llu\n", static_cast<unsigned long long>(unaccounted));
  const bool balanced = total.attempted == total.sent + droppedAtSender && total.sent == rs.delivered + rs.TotalRejected() &&
                        stored == rs.delivered;

  if (viewer.m_pMainWnd) viewer.m_pMainWnd->DestroyWindow();
  viewer.ExitInstance();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  if (!balanced) {
    std::printf("  the counts do not add up\n");
    return 1;
  }
  return 0;
}
