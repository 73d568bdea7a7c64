#pragma once
// Test helpers: child processes that are waited for by their descriptors
// (never by sleeping), and a private D-Bus daemon for one test.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace test_support {

inline int PidFdOpen(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

// The longest any helper waits for a child or an answer.
constexpr int kChildTimeoutMs = 20000;

class Child {
 public:
  // Starts argv[0] (a path, or a name looked up in PATH) with the test's
  // environment; its standard output is read through Out(), its standard
  // input written through In() when asked for.
  explicit Child(const std::vector<std::string>& argv, bool withStdin = false) {
    int out[2], in[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (withStdin && pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (withStdin) posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (withStdin) ::close(in[0]);
    out_ = out[0];
    in_ = in[1];
    if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
    pidfd_ = PidFdOpen(pid_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (!reaped_) {
      ::kill(pid_, SIGKILL);
      Wait(kChildTimeoutMs);
    }
    CloseStdin();
    if (out_ >= 0) ::close(out_);
    if (pidfd_ >= 0) ::close(pidfd_);
  }

  pid_t Pid() const { return pid_; }
  int PidFd() const { return pidfd_; }
  int Out() const { return out_; }
  void CloseStdin() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
  }

  // Reads one line of the child's output (without its line end), serving
  // pump while waiting; empty on timeout or end of output.
  std::string ReadLine(const std::function<void()>& pump = {}, const std::vector<int>& alsoWatch = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kChildTimeoutMs);
    for (;;) {
      const std::size_t nl = buffered_.find('\n');
      if (nl != std::string::npos) {
        std::string line = buffered_.substr(0, nl);
        buffered_.erase(0, nl + 1);
        return line;
      }
      if (eof_ || std::chrono::steady_clock::now() > deadline) return {};
      if (!WaitReadable(out_, alsoWatch, pump)) continue;
      char chunk[4096];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) eof_ = true;
      else buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // All output until the child ends, then its exit status (-1 on timeout).
  int Finish(std::string* output = nullptr, const std::function<void()>& pump = {},
             const std::vector<int>& alsoWatch = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kChildTimeoutMs);
    while (!eof_ && std::chrono::steady_clock::now() < deadline) {
      if (!WaitReadable(out_, alsoWatch, pump)) continue;
      char chunk[4096];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) eof_ = true;
      else buffered_.append(chunk, static_cast<std::size_t>(n));
    }
    if (output) *output = buffered_;
    return Wait(static_cast<int>(
        std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                   deadline - std::chrono::steady_clock::now()).count())));
  }

  // The exit status once the child ended within timeoutMs, else -1.
  int Wait(int timeoutMs) {
    if (reaped_) return status_;
    pollfd p{pidfd_, POLLIN, 0};
    if (pidfd_ >= 0 && ::poll(&p, 1, timeoutMs) <= 0) return -1;
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return -1;
    reaped_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

 private:
  // Waits until fd is readable; the other descriptors only wake pump.
  static bool WaitReadable(int fd, const std::vector<int>& alsoWatch, const std::function<void()>& pump) {
    std::vector<pollfd> fds{{fd, POLLIN, 0}};
    for (int w : alsoWatch) fds.push_back({w, POLLIN, 0});
    ::poll(fds.data(), fds.size(), pump ? 200 : kChildTimeoutMs);
    if (pump) pump();
    return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  }

  pid_t pid_ = -1;
  int out_ = -1, in_ = -1, pidfd_ = -1;
  bool eof_ = false, reaped_ = false;
  int status_ = -1;
  std::string buffered_;
};

// Runs a command to its end and answers its output (the exit status in *status).
inline std::string Run(const std::vector<std::string>& argv, int* status = nullptr,
                       const std::function<void()>& pump = {}, const std::vector<int>& alsoWatch = {}) {
  Child child(argv);
  std::string out;
  const int rc = child.Finish(&out, pump, alsoWatch);
  if (status) *status = rc;
  return out;
}

// Waits for any process (not only a child) to end, by its pidfd.
inline bool WaitForProcessEnd(pid_t pid, int timeoutMs) {
  const int fd = PidFdOpen(pid);
  if (fd < 0) return errno == ESRCH;
  pollfd p{fd, POLLIN, 0};
  const bool ended = ::poll(&p, 1, timeoutMs) > 0;
  ::close(fd);
  return ended;
}

// A D-Bus daemon of its own for one test, listening in dir; serviceDir (when
// given) is where it finds the services it may start. The test process's
// DBUS_SESSION_BUS_ADDRESS points to it while it lives, and so does the
// environment of everything it starts.
class PrivateBus {
 public:
  explicit PrivateBus(const std::string& dir, const std::string& serviceDir = {}) {
    address_ = "unix:path=" + dir + "/bus";
    const std::string config = dir + "/bus.conf";
    std::ofstream(config) << "<busconfig>\n  <type>session</type>\n  <listen>" << address_ << "</listen>\n"
                          << (serviceDir.empty() ? std::string() : "  <servicedir>" + serviceDir + "</servicedir>\n")
                          << "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                             "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n";
    if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS")) saved_ = old, hadSaved_ = true;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    ::unsetenv("DBUS_STARTER_ADDRESS");
    ::unsetenv("DBUS_STARTER_BUS_TYPE");
    daemon_ = std::make_unique<Child>(
        std::vector<std::string>{"dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"});
    if (daemon_->ReadLine().empty()) throw std::runtime_error("the private dbus-daemon did not start");
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;
  ~PrivateBus() {
    ::kill(daemon_->Pid(), SIGTERM);
    daemon_->Wait(kChildTimeoutMs);
    daemon_.reset();
    if (hadSaved_) ::setenv("DBUS_SESSION_BUS_ADDRESS", saved_.c_str(), 1);
    else ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }
  const std::string& Address() const { return address_; }

 private:
  std::string address_;
  std::string saved_;
  bool hadSaved_ = false;
  std::unique_ptr<Child> daemon_;
};

// A gdbus method call on the private bus; its printed answer ("(true,)").
inline std::string GdbusCall(const std::string& dest, const std::string& path, const std::string& method,
                             const std::vector<std::string>& args, const std::function<void()>& pump = {},
                             const std::vector<int>& alsoWatch = {}) {
  std::vector<std::string> argv{"gdbus", "call", "--session", "--timeout", "20", "--dest", dest,
                                "--object-path", path, "--method", method, "--"};
  for (const auto& a : args) argv.push_back(a);
  std::string out = Run(argv, nullptr, pump, alsoWatch);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

}  // namespace test_support
