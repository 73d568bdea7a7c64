// The trace path's benchmark: run by hand, never by the test command.
//
//   build/release/bin/trace_bench [--clients N] [--records M] [--reps R]
//                                 [--paced-seconds S] [--store K] [--no-qt]
//
// Measures, side by side in one run (each figure R times; min and median,
// and its ratio to the figure it is set against):
//   1. the raw socket rate: senders and a receiver of this program's own on
//      the same kind of socket (the baseline of the intake);
//   2. the viewer's intake from N client processes through LORVEX.DLL, as fast
//      as they can: headless, and with the Qt backend (under Xvfb, started
//      here when no display is set); records sent, received, stored and lost,
//      the losses as the viewer counted them, and whether they add up;
//   3. the same at a paced 200k records/s from 4 clients for S seconds;
//   4. memory per stored record for K records (against the record's text);
//   5. Save As of K records against a plain write of the same bytes, and how
//      far the peak memory grew while saving; with every channel visible and
//      with one hidden;
//   6. the cost of one trace call: viewer running, viewer absent, output
//      stopped; Kestrum's filtered call with the ID enabled and disabled.
//
// Every measurement runs in a process of its own (this program started
// again with an internal mode), in private directories under /tmp.

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/backend_choice.h"
#include "kestrum/trace_bridge.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_doc.h"
#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "lorvex/trace_client.h"
#include "platform/ui/application.h"
#include "platform/ui/clock.h"
#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_protocol.h"
#include "platform/ipc/trace_receiver.h"
#include "platform/ipc/trace_sender.h"
#include "platform/program_path.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTextBytes = 47;  // with the process, date and time: 80 bytes of text in a record

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }
std::string BinDir() { return std::filesystem::path(SelfPath()).parent_path().string(); }

std::string MakeTempDir(const char* name) {
  std::string tmpl = std::string("/tmp/") + name + "-XXXXXX";
  if (!::mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return tmpl;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

// key=value words of a child's report line.
using Report = std::map<std::string, double>;
Report ParseReport(const std::string& line) {
  Report r;
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    const std::size_t eq = word.find('=');
    if (eq != std::string::npos) r[word.substr(0, eq)] = std::atof(word.c_str() + eq + 1);
  }
  return r;
}

// Runs this program again with args and extra environment; answers the last
// line it wrote to standard output.
std::string RunSelf(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  int out[2];
  if (::pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> all = {SelfPath()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envs;
  for (char** e = environ; *e; ++e) envs.emplace_back(*e);
  envs.insert(envs.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (auto& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  char buf[4096];
  ssize_t n;
  while (rc == 0 && (n = ::read(out[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
  ::close(out[0]);
  if (rc == 0) ::waitpid(pid, nullptr, 0);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  const std::size_t last = text.rfind('\n');
  return last == std::string::npos ? text : text.substr(last + 1);
}

long ProcStatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line)) {
    if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
  }
  return 0;
}

// A record's text as a client sends it.
std::string ClientText(int i) {
  std::string text = std::to_string(i) + ' ';
  text.resize(kTextBytes, 'x');
  return text;
}

// ------------------------------------------------------------- raw socket
// Binds a listening SEQPACKET socket at path.
int Listen(const std::string& path) {
  sockaddr_un address{};
  socklen_t length = 0;
  plat::ipc::MakeSocketAddress(path, address, length);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, SOMAXCONN) != 0) {
    std::perror("bind");
    std::exit(1);
  }
  return fd;
}

// A trivial receiver: takes every connection and reads what comes with
// recvmmsg until count datagrams came (or, with count 0, until stop is set
// and nothing came for 50 ms); last: when the last one came.
std::uint64_t RawReceive(int listener, std::uint64_t count, const std::atomic<bool>* stop,
                         Clock::time_point* last = nullptr) {
  const int ep = ::epoll_create1(EPOLL_CLOEXEC);
  epoll_event e{};
  e.events = EPOLLIN;
  e.data.fd = listener;
  ::epoll_ctl(ep, EPOLL_CTL_ADD, listener, &e);
  constexpr int kBatch = 64;
  static std::uint8_t data[kBatch][plat::ipc::kMaxDatagramSize + 1];
  iovec iov[kBatch];
  mmsghdr headers[kBatch];
  std::uint64_t got = 0;
  while (count == 0 || got < count) {
    epoll_event ready[64];
    const int n = ::epoll_wait(ep, ready, 64, 50);
    if (n == 0 && stop && stop->load()) break;
    for (int i = 0; i < n; ++i) {
      const int fd = ready[i].data.fd;
      if (fd == listener) {
        const int c = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (c >= 0) {
          epoll_event ce{};
          ce.events = EPOLLIN;
          ce.data.fd = c;
          ::epoll_ctl(ep, EPOLL_CTL_ADD, c, &ce);
        }
        continue;
      }
      for (int k = 0; k < kBatch; ++k) {
        iov[k] = {data[k], sizeof data[k]};
        headers[k] = {};
        headers[k].msg_hdr.msg_iov = &iov[k];
        headers[k].msg_hdr.msg_iovlen = 1;
      }
      const int m = ::recvmmsg(fd, headers, kBatch, MSG_DONTWAIT, nullptr);
      if (m > 0) {
        int real = 0;
        while (real < m && headers[real].msg_len > 0) ++real;
        got += static_cast<std::uint64_t>(real);
        if (real > 0 && last) *last = Clock::now();
        if (real < m) {
          ::epoll_ctl(ep, EPOLL_CTL_DEL, fd, nullptr);
          ::close(fd);
        }
      }
    }
  }
  ::close(ep);
  return got;
}

// Mode --raw N M BLOCKING: N sender processes of M datagrams each; blocking
// sends lose nothing, non-blocking ones drop what the queue cannot take, as
// the trace client does.
int RawMode(int clients, int records, bool blocking) {
  const std::string dir = MakeTempDir("trace-bench-raw");
  const std::string path = dir + "/raw.sock";
  const int listener = Listen(path);
  auto datagram = plat::ipc::Encode(plat::ipc::TraceMessage::kString, 1, 0,
                                    "trace_bench#~10.12.2026#~14:03:07.123#~" + ClientText(0));
  int go[2];
  if (::pipe(go) != 0) return 1;
  std::vector<pid_t> children;
  for (int c = 0; c < clients; ++c) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      sockaddr_un address{};
      socklen_t length = 0;
      plat::ipc::MakeSocketAddress(path, address, length);
      const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
      int bytes = plat::ipc::TraceSender::kSendBufferBytes;
      ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) _exit(2);
      char b;
      if (::read(go[0], &b, 1) != 1) _exit(3);
      const int flags = MSG_NOSIGNAL | (blocking ? 0 : MSG_DONTWAIT);
      for (int i = 0; i < records; ++i) {
        if (::send(fd, datagram->bytes.data(), datagram->size, flags) < 0 && errno != EAGAIN) _exit(4);
      }
      ::close(fd);
      _exit(0);
    }
    children.push_back(pid);
  }
  std::atomic<bool> done{false};
  std::thread reaper([&] {
    for (pid_t p : children) ::waitpid(p, nullptr, 0);
    done = true;
  });
  const std::string starts(static_cast<std::size_t>(clients), 'g');
  const auto begin = Clock::now();
  if (::write(go[1], starts.data(), starts.size()) != static_cast<ssize_t>(starts.size())) return 1;
  Clock::time_point last = begin;
  const std::uint64_t got = RawReceive(listener, 0, &done, &last);
  reaper.join();
  const double s = Seconds(last - begin);
  ::close(listener);
  RemoveTree(dir);
  std::printf("rate=%.0f received=%llu\n", static_cast<double>(got) / s, static_cast<unsigned long long>(got));
  return 0;
}

// ------------------------------------------------------------- a client
// Mode --client I M RATE: through LORVEX.DLL, go on fd 3, stop on fd 4.
int ClientMode(int index, int records, int rate) {
  void* dll = ::dlopen((BinDir() + "/LORVEX.DLL").c_str(), RTLD_NOW);
  auto lorvex = dll ? reinterpret_cast<LorvexProc>(::dlsym(dll, "Lorvex")) : nullptr;
  if (!lorvex) return 2;
  char b;
  if (::read(3, &b, 1) != 1) return 3;
  std::uint64_t calls = 0;
  const auto begin = Clock::now();
  for (int i = 0; i < records; ++i) {
    if (rate > 0 && i % 50 == 0) std::this_thread::sleep_until(begin + std::chrono::microseconds(1000000LL * i / rate));
    lorvex(1 + (i % kTraceChannels), ClientText(i).c_str());
    ++calls;
  }
  const double seconds = Seconds(Clock::now() - begin);
  // The end marker, until the viewer has seen one: then every record this
  // client lost on the way is known to it (a gap shows with the next record
  // that arrives).
  const std::string end = "end " + std::to_string(index);
  pollfd stop{4, POLLIN, 0};
  for (int tries = 0; tries < 10000; ++tries) {
    lorvex(1, end.c_str());
    ++calls;
    if (::poll(&stop, 1, 1) == 1) break;
  }
  std::printf("calls=%llu records=%d seconds=%.6f\n", static_cast<unsigned long long>(calls), records, seconds);
  return 0;
}

// ------------------------------------------------------------- the viewer
struct ViewerRoot {
  std::string root = MakeTempDir("trace-bench");
  std::string socketDir = root + "/sock";
  ViewerRoot() {
    ::setenv("LORVEX_SOCKET_DIR", socketDir.c_str(), 1);
    ::setenv("HOME", root.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  }
  ~ViewerRoot() { RemoveTree(root); }
};

CLorvexView* ViewOf(CLorvexApp& app) {
  auto* frame = dynamic_cast<afx::CFrameWnd*>(app.m_pMainWnd);
  return frame ? dynamic_cast<CLorvexView*>(frame->GetActiveView()) : nullptr;
}

// Mode --viewer headless|qt N M RATE.
int ViewerMode(const std::string& kind, int clients, int records, int rate, int argc, char** argv) {
  ViewerRoot where;
  // The clients first, before Qt: they wait for the start on fd 3.
  int go[2], stop[2];
  if (::pipe(go) != 0 || ::pipe(stop) != 0) return 1;
  struct Child {
    pid_t pid;
    int out;
  };
  std::vector<Child> children;
  for (int i = 0; i < clients; ++i) {
    int out[2];
    if (::pipe(out) != 0) return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, go[0], 3);
    posix_spawn_file_actions_adddup2(&actions, stop[0], 4);
    std::vector<std::string> args = {SelfPath(), "--client", std::to_string(i), std::to_string(records),
                                     std::to_string(rate)};
    std::vector<char*> av;
    for (auto& a : args) av.push_back(a.data());
    av.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, av[0], &actions, nullptr, av.data(), environ) != 0) return 1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    children.push_back({pid, out[0]});
  }

  plat::Application loop;
  if (kind == "qt") {
    gui::InstallBackend(loop, argc, argv);
    if (!gui::ShownByQt()) {
      std::fprintf(stderr, "trace_bench: no display for the Qt backend\n");
      return 1;
    }
  }
  CLorvexApp viewer;
  viewer.SetCommandLine({"lorvex"});
  if (!viewer.InitInstance() || !viewer.TraceSocket.Receiving()) {
    std::fprintf(stderr, "trace_bench: the viewer did not start receiving\n");
    return 1;
  }
  viewer.TraceSocket.LossLog = [](const std::string&) {};
  CLorvexView* view = ViewOf(viewer);

  const std::string starts(static_cast<std::size_t>(clients), 'g');
  const auto begin = Clock::now();
  if (::write(go[1], starts.data(), starts.size()) != static_cast<ssize_t>(starts.size())) return 1;

  // Watches the kept traces for the clients' end markers.
  std::size_t scanned = 0, ends = 0, storedAtEnds = 0;
  std::vector<bool> ended(static_cast<std::size_t>(clients), false);
  Clock::time_point allEnded{};
  plat::Timer tick([&] {
    for (; scanned < viewer.TraceEntries.size(); ++scanned) {
      const std::string_view text = viewer.TraceEntries[scanned].text;
      if (text.substr(0, 4) != "end ") continue;
      const auto i = static_cast<std::size_t>(std::atoi(std::string(text.substr(4)).c_str()));
      if (i < ended.size() && !ended[i]) {
        ended[i] = true;
        if (++ends == ended.size()) {
          allEnded = Clock::now();
          storedAtEnds = viewer.TraceEntries.size();
          const std::string stops(static_cast<std::size_t>(clients), 's');
          [[maybe_unused]] ssize_t w = ::write(stop[1], stops.data(), stops.size());
        }
      }
    }
  });
  tick.SetInterval(10);
  tick.SetEnabled(true);
  loop.RunLoopUntil([&] { return ends == ended.size() || Clock::now() - begin > std::chrono::seconds(120); });
  // What the clients sent after their markers arrives too.
  const auto quiet = Clock::now();
  loop.RunLoopUntil([&] { return Clock::now() - quiet > std::chrono::milliseconds(500); });

  std::uint64_t calls = 0;
  double clientSeconds = 0;
  for (Child& c : children) {
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = ::read(c.out, buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    ::close(c.out);
    ::waitpid(c.pid, nullptr, 0);
    const Report r = ParseReport(text);
    calls += static_cast<std::uint64_t>(r.count("calls") ? r.at("calls") : 0);
    clientSeconds = std::max(clientSeconds, r.count("seconds") ? r.at("seconds") : 0.0);
  }
  loop.RunLoopUntil([&] { return Clock::now() - quiet > std::chrono::milliseconds(800); });
  while (viewer.TraceSocket.Drain() > 0) {
  }
  const plat::ipc::ReceiveStats& rs = *viewer.TraceSocket.Stats();
  const double seconds = Seconds(allEnded - begin);
  const std::uint64_t stored = viewer.TraceEntries.size();
  std::printf(
      "rate=%.0f stored_rate=%.0f calls=%llu records=%llu stored=%llu rows=%d delivered=%llu at_senders=%llu "
      "without_viewer=%llu rejected=%llu undelivered=%llu client_seconds=%.3f\n",
      seconds > 0 ? static_cast<double>(storedAtEnds) / seconds : 0.0,
      seconds > 0 ? static_cast<double>(storedAtEnds) / seconds : 0.0, static_cast<unsigned long long>(calls),
      static_cast<unsigned long long>(clients) * static_cast<unsigned long long>(records),
      static_cast<unsigned long long>(stored), view ? view->GetItemCount() : -1,
      static_cast<unsigned long long>(rs.delivered), static_cast<unsigned long long>(rs.lostAtSenders),
      static_cast<unsigned long long>(rs.lostWithoutViewer), static_cast<unsigned long long>(rs.TotalRejected()),
      static_cast<unsigned long long>(viewer.TraceSocket.Undelivered()), clientSeconds);
  std::fflush(stdout);
  if (viewer.m_pMainWnd) viewer.m_pMainWnd->DestroyWindow();
  viewer.ExitInstance();
  return 0;
}

// Fills the viewer's list with count records as clients send them.
std::uint64_t Fill(CLorvexApp& viewer, int count) {
  auto* doc = dynamic_cast<CLorvexDoc*>(ViewOf(viewer)->GetDocument());
  std::uint64_t text = 0;
  for (int i = 0; i < count; ++i) {
    const std::string process = "trace_bench";
    const std::string body = ClientText(i);
    doc->TraceRecord(1 + i % kTraceChannels, process, "10.12.2026", "14:03:07.123", body);
    text += process.size() + 10 + 12 + body.size();
  }
  return text;
}

// Mode --memory K.
int MemoryMode(int count) {
  ViewerRoot where;
  plat::Application loop;
  CLorvexApp viewer;
  viewer.SetCommandLine({"lorvex"});
  if (!viewer.InitInstance()) return 1;
  const long before = ProcStatusKb("VmRSS:");
  const std::uint64_t text = Fill(viewer, count);
  const long after = ProcStatusKb("VmRSS:");
  const double n = count;
  std::printf("text=%.1f store=%.1f rss=%.1f\n", static_cast<double>(text) / n,
              static_cast<double>(viewer.TraceEntries.MemoryBytes() + viewer.RowMap.MemoryBytes()) / n,
              static_cast<double>(after - before) * 1024.0 / n);
  viewer.m_pMainWnd->DestroyWindow();
  viewer.ExitInstance();
  return 0;
}

// Mode --save K HIDDEN: with HIDDEN 1, channel 2 is hidden (its traces are
// left out, so the lines are taken one by one).
int SaveMode(int count, bool hidden) {
  ViewerRoot where;
  plat::Application loop;
  CLorvexApp viewer;
  viewer.SetCommandLine({"lorvex"});
  if (!viewer.InitInstance()) return 1;
  Fill(viewer, count);
  if (hidden) viewer.Channel(2).Visible = 0;
  auto* doc = dynamic_cast<CLorvexDoc*>(ViewOf(viewer)->GetDocument());
  const std::string saved = where.root + "/saved.txt", plain = where.root + "/plain.txt";
  // The plain write first, of the bytes Save As is to write.
  const std::string bytes = SavedTraceList(viewer);
  ::sync();
  auto t0 = Clock::now();
  const int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w <= 0) break;
    done += static_cast<std::size_t>(w);
  }
  ::close(fd);
  const double write = Seconds(Clock::now() - t0);
  // Both writes start with no dirty pages waiting: the kernel's write-back of
  // one must not slow the other.
  ::sync();
  // Peak memory while saving: the high-water mark is reset first.
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  const long rss = ProcStatusKb("VmRSS:");
  t0 = Clock::now();
  doc->OnSaveDocument(saved);
  const double save = Seconds(Clock::now() - t0);
  const long peak = ProcStatusKb("VmHWM:");
  std::ifstream in(saved, std::ios::binary);
  const std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const bool same = back == bytes;
  std::printf("save=%.6f plain=%.6f bytes=%zu peak_growth=%ld same=%d\n", save, write, bytes.size(),
              (peak - rss) * 1024, same ? 1 : 0);
  viewer.m_pMainWnd->DestroyWindow();
  viewer.ExitInstance();
  return 0;
}

// Mode --call CASE N: the cost of one call, in ns.
int CallMode(const std::string& kind, int calls) {
  const std::string dir = MakeTempDir("trace-bench-call");
  const std::string sockets = dir + "/sock";
  const std::string tableSpace = "trace-bench-" + std::to_string(::getpid());
  ::setenv("LORVEX_SOCKET_DIR", sockets.c_str(), 1);
  ::setenv("TAMSILE_NAMESPACE", tableSpace.c_str(), 1);
  plat::ipc::MakePrivateDirectory(sockets);
  std::atomic<bool> stop{false};
  std::thread receiver;
  const bool running = kind != "absent" && kind != "stopped";
  if (running) {
    const int listener = Listen(sockets + "/" + plat::ipc::kSocketFileName);
    receiver = std::thread([listener, &stop] {
      RawReceive(listener, 0, &stop);
      ::close(listener);
    });
  }
  std::function<void(int)> call;
  if (kind.rfind("kestrum", 0) == 0) {
    kestrum::LoadTraceLibraries();
    if (!kestrum::TracingBound()) return 2;
    kestrum::SetMsgIdEnabled(42, kind == "kestrum-enabled" ? 1 : 0);
    const std::string text = ClientText(0);
    call = [text](int) { kestrum::TraceTextIfEnabled(42, text, 1); };
  } else {
    void* dll = ::dlopen((BinDir() + "/LORVEX.DLL").c_str(), RTLD_NOW);
    auto lorvex = dll ? reinterpret_cast<LorvexProc>(::dlsym(dll, "Lorvex")) : nullptr;
    auto stopOutput = dll ? reinterpret_cast<StopTraceOutputProc>(::dlsym(dll, "StopTraceOutput")) : nullptr;
    if (!lorvex || !stopOutput) return 2;
    if (kind == "stopped") stopOutput();
    const std::string text = ClientText(0);
    call = [lorvex, text](int i) { lorvex(1 + i % 30, text.c_str()); };
  }
  for (int i = 0; i < 1000; ++i) call(i);  // connected, warm
  const auto t0 = Clock::now();
  for (int i = 0; i < calls; ++i) call(i);
  const double ns = Seconds(Clock::now() - t0) * 1e9 / calls;
  stop = true;
  if (receiver.joinable()) receiver.join();
  RemoveTree(dir);
  // The trace table Tamsile.DLL made in that namespace ("/tamsile-<uid>-<namespace>").
  ::shm_unlink(("/tamsile-" + std::to_string(::geteuid()) + "-" + tableSpace).c_str());
  std::printf("ns=%.1f\n", ns);
  return 0;
}

// ------------------------------------------------------------- the table
struct Figure {
  std::vector<double> values;
  double Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
  double Median() const {
    if (values.empty()) return 0;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }
};

void Row(const char* name, const Figure& f, const char* unit, double baseline, const char* against) {
  const double m = f.Median();
  std::printf("  %-44s median %12.1f  min %12.1f %-10s", name, m, f.Min(), unit);
  if (baseline > 0) std::printf("  %6.2fx %s", m / baseline, against);
  std::printf("\n");
}

std::string StartXvfb(pid_t& pid) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  std::vector<std::string> args = {"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                   "1280x1024x24", "-nolisten", "tcp"};
  std::vector<char*> av;
  for (auto& a : args) av.push_back(a.data());
  av.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (posix_spawn(&pid, av[0], &actions, nullptr, av.data(), environ) != 0) return {};
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  return number.empty() ? std::string() : ":" + number;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  auto arg = [&](int i) { return i < argc ? std::atoi(argv[i]) : 0; };
  if (mode == "--raw") return RawMode(arg(2), arg(3), arg(4) != 0);
  if (mode == "--client") return ClientMode(arg(2), arg(3), arg(4));
  if (mode == "--viewer") return ViewerMode(argv[2], arg(3), arg(4), arg(5), argc, argv);
  if (mode == "--memory") return MemoryMode(arg(2));
  if (mode == "--save") return SaveMode(arg(2), arg(3) != 0);
  if (mode == "--call") return CallMode(argv[2], arg(3));

  int clients = 4, records = 200000, reps = 5, pacedSeconds = 10, store = 1000000;
  bool qt = true;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--no-qt") qt = false;
    else if (i + 1 < argc && flag == "--clients") clients = std::max(1, std::atoi(argv[++i]));
    else if (i + 1 < argc && flag == "--records") records = std::max(1, std::atoi(argv[++i]));
    else if (i + 1 < argc && flag == "--reps") reps = std::max(1, std::atoi(argv[++i]));
    else if (i + 1 < argc && flag == "--paced-seconds") pacedSeconds = std::max(1, std::atoi(argv[++i]));
    else if (i + 1 < argc && flag == "--store") store = std::max(1, std::atoi(argv[++i]));
    else {
      std::fprintf(stderr,
                   "usage: %s [--clients N] [--records M] [--reps R] [--paced-seconds S] [--store K] [--no-qt]\n",
                   argv[0]);
      return 2;
    }
  }
  std::printf("trace_bench: %d clients x %d records of about 80 bytes, %d repetitions\n", clients, records, reps);

  // 1, 2: intake
  Figure raw, rawBlocking, headless, onScreen;
  std::vector<Report> headlessRuns, qtRuns;
  pid_t xvfb = 0;
  std::vector<std::string> display;
  if (qt) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
      const std::string d = StartXvfb(xvfb);
      if (d.empty()) qt = false;
      else display.push_back("DISPLAY=" + d);
    }
  }
  for (int r = 0; r < reps; ++r) {
    raw.values.push_back(ParseReport(RunSelf({"--raw", std::to_string(clients), std::to_string(records), "0"}))["rate"]);
    rawBlocking.values.push_back(
        ParseReport(RunSelf({"--raw", std::to_string(clients), std::to_string(records), "1"}))["rate"]);
    headlessRuns.push_back(ParseReport(
        RunSelf({"--viewer", "headless", std::to_string(clients), std::to_string(records), "0", "--headless"})));
    headless.values.push_back(headlessRuns.back()["rate"]);
    if (qt) {
      qtRuns.push_back(ParseReport(RunSelf(
          {"--viewer", "qt", std::to_string(clients), std::to_string(records), "0"}, display)));
      onScreen.values.push_back(qtRuns.back()["rate"]);
    }
  }
  std::printf("\nintake (records/s; against the raw socket rate of the same run: own receiver, and own\n"
              "senders that drop what the queue cannot take, as the trace client does)\n");
  Row("raw socket, own senders and receiver", raw, "rec/s", 0, "");
  Row("raw socket, senders that wait instead", rawBlocking, "rec/s", raw.Median(), "raw");
  Row("viewer headless through LORVEX.DLL", headless, "rec/s", raw.Median(), "raw");
  if (qt) Row("viewer with the Qt backend (Xvfb)", onScreen, "rec/s", raw.Median(), "raw");
  else std::printf("  viewer with the Qt backend: skipped (no display, no Xvfb)\n");

  auto account = [](const char* what, const std::vector<Report>& runs) {
    for (std::size_t i = 0; i < runs.size(); ++i) {
      Report r = runs[i];
      const double lost = r["at_senders"] + r["without_viewer"] + r["rejected"] + r["undelivered"];
      std::printf("  %-9s run %zu: sent %.0f (%.0f records + end markers)  received %.0f  stored %.0f  rows %.0f"
                  "  lost %.0f (senders %.0f, before a viewer %.0f, refused %.0f, undelivered %.0f)  %s\n",
                  what, i + 1, r["calls"], r["records"], r["delivered"], r["stored"], r["rows"], lost,
                  r["at_senders"], r["without_viewer"], r["rejected"], r["undelivered"],
                  r["calls"] == r["stored"] + lost ? "sent = stored + lost" : "DOES NOT ADD UP");
    }
  };
  std::printf("\nrecords sent / received / stored / lost, as fast as the clients can\n");
  account("headless", headlessRuns);
  account("Qt", qtRuns);

  // 3: paced
  std::printf("\npaced: 4 clients at 50000 records/s each (200k/s) for %d s\n", pacedSeconds);
  std::vector<Report> paced;
  Figure pacedRate;
  const int pacedRecords = 50000 * pacedSeconds;
  for (int r = 0; r < std::min(reps, 3); ++r) {
    paced.push_back(ParseReport(RunSelf({"--viewer", "headless", "4", std::to_string(pacedRecords), "50000", "--headless"})));
    pacedRate.values.push_back(paced.back()["rate"]);
  }
  Row("viewer headless, paced", pacedRate, "rec/s", 200000, "of 200k/s");
  account("paced", paced);
  if (qt) {
    std::vector<Report> pacedQt;
    for (int r = 0; r < std::min(reps, 3); ++r)
      pacedQt.push_back(ParseReport(RunSelf({"--viewer", "qt", "4", std::to_string(pacedRecords), "50000"}, display)));
    account("paced Qt", pacedQt);
  }
  if (xvfb > 0) {
    ::kill(xvfb, SIGTERM);
    ::waitpid(xvfb, nullptr, 0);
  }

  // 4: memory
  Figure text, kept, rss;
  for (int r = 0; r < std::min(reps, 3); ++r) {
    Report m = ParseReport(RunSelf({"--memory", std::to_string(store), "--headless"}));
    text.values.push_back(m["text"]);
    kept.values.push_back(m["store"]);
    rss.values.push_back(m["rss"]);
  }
  std::printf("\nmemory per stored record, %d records (against the record's text)\n", store);
  Row("text of a record", text, "bytes", 0, "");
  Row("store and row map", kept, "bytes", text.Median(), "text");
  Row("resident memory grown", rss, "bytes", text.Median(), "text");

  // 5: Save As
  for (const bool hidden : {false, true}) {
    Figure save, plain, peak;
    double fileBytes = 0;
    bool same = true;
    for (int r = 0; r < reps; ++r) {
      Report s = ParseReport(RunSelf({"--save", std::to_string(store), hidden ? "1" : "0", "--headless"}));
      save.values.push_back(s["save"] * 1000);
      plain.values.push_back(s["plain"] * 1000);
      peak.values.push_back(s["peak_growth"] / 1048576.0);
      fileBytes = s["bytes"];
      same = same && s["same"] == 1;
    }
    std::printf("\nSave As of %d records%s, %.1f MiB (against a plain write of the same bytes)\n", store,
                hidden ? " with channel 2 hidden (a run ends at each of its traces)" : "", fileBytes / 1048576.0);
    Row("plain write", plain, "ms", 0, "");
    Row("Save As", save, "ms", plain.Median(), "plain");
    Row("peak memory growth while saving", peak, "MiB", fileBytes / 1048576.0, "file size");
    std::printf("  Save As wrote %s bytes as the plain write\n", same ? "the same" : "OTHER");
  }

  // 6: one call
  std::printf("\none trace call (ns; against a call with the viewer running)\n");
  const char* cases[] = {"running", "absent", "stopped", "kestrum-enabled", "kestrum-disabled"};
  const char* names[] = {"Lorvex(), viewer running", "Lorvex(), no viewer", "Lorvex(), output stopped",
                         "Kestrum filtered call, ID enabled", "Kestrum filtered call, ID disabled"};
  double base = 0;
  for (std::size_t c = 0; c < std::size(cases); ++c) {
    Figure f;
    for (int r = 0; r < reps; ++r)
      f.values.push_back(ParseReport(RunSelf({"--call", cases[c], "200000"}))["ns"]);
    if (c == 0) base = f.Median();
    Row(names[c], f, "ns", c == 0 ? 0 : base, "running");
  }
  return 0;
}
