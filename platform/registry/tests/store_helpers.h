#pragma once
// Helpers for tests of what other programs do to the registry store: hold its
// lock, or put a FIFO where it belongs.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace test_support {

// A helper process that holds the store's writer lock, as another program in
// the middle of a write does (or one stopped there), until the test lets it
// go; after 30 s it lets go by itself, so that a test of a program that waits
// for the lock without bound fails instead of hanging.
class StoreLockHolder {
 public:
  explicit StoreLockHolder(const std::string& store_path) : lock_path_(store_path + ".lock") {
    Drain();
    int ready[2], release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // Nothing of the test's but the two pipes: a descriptor through which
      // the test (one of its writers' helpers) holds the lock just now would
      // keep it held here, and this holder would wait for itself.
      for (int fd = 3; fd < 1024; ++fd) {
        if (fd != ready[1] && fd != release[0]) ::close(fd);
      }
      const int fd = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
      const char answer = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'L' : 'E';
      [[maybe_unused]] auto n = ::write(ready[1], &answer, 1);
      // Ends when the test closes its end of the pipe, or when the test dies.
      pollfd p{release[0], POLLIN, 0};
      ::poll(&p, 1, 30000);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 0;
    if (pid_ > 0 && ::read(ready[0], &answer, 1) == 1) locked_ = answer == 'L';
    ::close(ready[0]);
  }
  StoreLockHolder(const StoreLockHolder&) = delete;
  StoreLockHolder& operator=(const StoreLockHolder&) = delete;
  ~StoreLockHolder() { Release(); }

  bool Locked() const { return locked_; }
  pid_t Pid() const { return pid_; }
  // Stopped, it keeps holding the lock, as a program stopped in its write does.
  void Stop() { ::kill(pid_, SIGSTOP); }
  void Release() {
    if (pid_ <= 0) return;
    ::close(release_);
    ::kill(pid_, SIGCONT);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    Drain();
  }

 private:
  // A writer that gave up waiting for this holder goes on waiting in the
  // background and lets the lock go as soon as it has it: that ends here, so
  // that what the test does next finds the lock free and no new holder
  // inherits the descriptor it does that through.
  void Drain() {
    if (const int fd = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); fd >= 0) {
      ::flock(fd, LOCK_EX);
      ::close(fd);
    }
  }

  std::string lock_path_;
  pid_t pid_ = -1;
  int release_ = -1;
  bool locked_ = false;
};

// While it lives, a read that hangs on the FIFO at path is given a writer
// (which writes nothing) after 2 s and from then on every 50 ms, so that a
// program that opens a FIFO and waits fails its test instead of hanging it. A
// program that never waits never meets it. With O_RDONLY as the end it opens,
// a writer that hangs is given a reader (which reads nothing) the same way.
class FifoWatchdog {
 public:
  explicit FifoWatchdog(std::string path, int end = O_WRONLY)
      : path_(std::move(path)), thread_([this, end] {
          std::unique_lock<std::mutex> lk(m_);
          auto period = std::chrono::milliseconds(2000);
          while (!cv_.wait_for(lk, period, [this] { return done_; })) {
            const int fd = ::open(path_.c_str(), end | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
            period = std::chrono::milliseconds(50);
          }
        }) {}
  FifoWatchdog(const FifoWatchdog&) = delete;
  FifoWatchdog& operator=(const FifoWatchdog&) = delete;
  ~FifoWatchdog() {
    {
      std::lock_guard<std::mutex> lk(m_);
      done_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

 private:
  std::string path_;
  std::mutex m_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace test_support
