#pragma once
// Helpers shared by the trace socket tests: a private temporary directory and a
// scoped environment variable.

#include <dirent.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include <memory>

#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_receiver.h"
#include "platform/ipc/trace_sender.h"

namespace ipc_test {

// A fresh directory under /tmp (short paths: a socket path has room for 107
// bytes), removed with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/lvx-test-XXXXXX";
    if (mkdtemp(tmpl)) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1); else unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

// Open descriptors of this process.
inline int OpenDescriptorCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

// A socket bound at this path in a private directory and closed without
// removing its file, as a viewer that crashed leaves it. False on failure.
inline bool LeaveStaleSocket(const std::string& directory, const std::string& path) {
  sockaddr_un address{};
  socklen_t length = 0;
  if (!plat::ipc::MakePrivateDirectory(directory).ok() ||
      !plat::ipc::MakeSocketAddress(path, address, length))
    return false;
  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  close(fd);
  return bound && Exists(path);
}

// A connection to the viewer's socket as a client makes it, its
// credentials passed with every message; -1 when it cannot connect.
inline int ConnectRaw(const std::string& path) {
  sockaddr_un address{};
  socklen_t length = 0;
  if (!plat::ipc::MakeSocketAddress(path, address, length)) return -1;
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// An uid other than ours that exists on every Debian system.
inline constexpr uid_t kOtherUid = 65534;  // nobody


// A receiver's directory of its own per test, and the receiver opened in it.
class ReceiverTest : public ::testing::Test {
 protected:
  std::string dir() const { return tmp_ / "lorvex"; }
  std::string socket_path() const { return dir() + "/" + plat::ipc::kSocketFileName; }

  std::unique_ptr<plat::ipc::TraceReceiver> OpenReceiver() {
    plat::ipc::ReceiverOpen r = plat::ipc::TraceReceiver::OpenIn(dir());
    EXPECT_EQ(r.error, plat::ipc::OpenError::kNone) << r.message;
    return std::move(r.receiver);
  }

  TempDir tmp_;
};

}  // namespace ipc_test
