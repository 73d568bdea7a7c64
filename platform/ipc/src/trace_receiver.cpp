#include "platform/ipc/trace_receiver.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_sender.h"

namespace plat::ipc {
namespace {

ReceiverOpen Failed(OpenError error, std::string message) {
  ReceiverOpen r;
  r.error = error;
  r.message = std::move(message);
  return r;
}

std::string Why(const std::string& what) { return what + ": " + std::strerror(errno); }

// Whether a bound socket answers at this address. A connect on a datagram
// socket sends nothing, so a live viewer does not even notice the probe.
enum class Probe { kAlive, kStale, kError };
Probe ProbeSocket(const sockaddr_un& address, socklen_t length) {
  int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return Probe::kError;
  int rc = connect(probe, reinterpret_cast<const sockaddr*>(&address), length);
  int err = errno;
  close(probe);
  if (rc == 0) return Probe::kAlive;
  return err == ECONNREFUSED ? Probe::kStale : Probe::kError;
}

}  // namespace

std::uint64_t ReceiveStats::TotalRejected() const {
  std::uint64_t sum = 0;
  for (auto n : rejected) sum += n;
  return sum;
}

ReceiverOpen TraceReceiver::Open() {
  DirectoryResult dir = SocketDirectory();
  if (!dir.ok()) return Failed(OpenError::kDirectory, dir.error);
  return OpenIn(dir.path);
}

ReceiverOpen TraceReceiver::OpenIn(const std::string& directory) {
  DirectoryResult dir = MakePrivateDirectory(directory);
  if (!dir.ok()) return Failed(OpenError::kDirectory, dir.error);

  std::unique_ptr<TraceReceiver> self(new TraceReceiver());
  self->socket_path_ = dir.path + kSocketFileName;
  const std::string& path = self->socket_path_;
  sockaddr_un address{};
  socklen_t length = 0;
  if (!MakeSocketAddress(path, address, length))
    return Failed(OpenError::kSocket, "socket path too long: " + path);

  std::string lock_path = dir.path + kLockFileName;
  self->lock_fd_ = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (self->lock_fd_ < 0) return Failed(OpenError::kSocket, Why("cannot open " + lock_path));
  // The lock file stays when the viewer ends: removing it would let a viewer
  // that opened the old file and one that creates a new one both hold "the" lock.
  if (flock(self->lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK)
      return Failed(OpenError::kInUse, "another viewer already receives traces at " + path);
    return Failed(OpenError::kSocket, Why("cannot lock " + lock_path));
  }

  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode))
      return Failed(OpenError::kSocket, path + " exists and is not a socket; left as it is");
    switch (ProbeSocket(address, length)) {
      case Probe::kAlive:
        return Failed(OpenError::kInUse, "another viewer already receives traces at " + path);
      case Probe::kError:
        return Failed(OpenError::kSocket, Why("cannot probe " + path));
      case Probe::kStale:
        // Left by a viewer that died: nobody answers there any more.
        if (unlink(path.c_str()) != 0 && errno != ENOENT)
          return Failed(OpenError::kSocket, Why("cannot remove the stale " + path));
        break;
    }
  } else if (errno != ENOENT) {
    return Failed(OpenError::kSocket, Why("cannot inspect " + path));
  }

  self->fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (self->fd_ < 0) return Failed(OpenError::kSocket, Why("cannot create a socket"));
  if (bind(self->fd_, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    if (errno == EADDRINUSE)
      return Failed(OpenError::kInUse, "another viewer already receives traces at " + path);
    return Failed(OpenError::kSocket, Why("cannot bind " + path));
  }
  if (lstat(path.c_str(), &st) == 0) {
    self->socket_dev_ = st.st_dev;
    self->socket_ino_ = st.st_ino;
  }
  int on = 1;
  if (setsockopt(self->fd_, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0)
    return Failed(OpenError::kSocket, Why("cannot ask for sender credentials"));
  // The forced size passes the system's cap, but only with the privilege for
  // it; otherwise take what the cap allows.
  int bytes = kReceiveBufferBytes;
  if (setsockopt(self->fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(self->fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);

  ReceiverOpen r;
  r.receiver = std::move(self);
  return r;
}

TraceReceiver::~TraceReceiver() {
  // Remove the socket file only while it is still the one bound here.
  struct stat st {};
  if (fd_ >= 0 && socket_ino_ != 0 && lstat(socket_path_.c_str(), &st) == 0 &&
      st.st_dev == socket_dev_ && st.st_ino == socket_ino_)
    unlink(socket_path_.c_str());
  if (fd_ >= 0) close(fd_);
  if (lock_fd_ >= 0) close(lock_fd_);  // releases the lock last
}

std::optional<Reject> CheckAncillary(const msghdr& message, uid_t expected_uid) {
  bool other = (message.msg_flags & MSG_CTRUNC) != 0;
  bool have_credentials = false;
  uid_t uid = 0;
  auto& msg = const_cast<msghdr&>(message);  // the CMSG walk takes no const
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
      std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
      for (std::size_t i = 0; i < count; ++i) {
        int fd = -1;
        std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
        if (fd >= 0) close(fd);
      }
      other = true;
    } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS &&
               c->cmsg_len >= CMSG_LEN(sizeof(ucred)) && !have_credentials) {
      ucred credentials{};
      std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
      uid = credentials.uid;
      have_credentials = true;
    } else {
      other = true;
    }
  }
  if (have_credentials && uid != expected_uid) return Reject::kForeignUser;
  if (other) return Reject::kControlData;
  if (!have_credentials) return Reject::kNoCredentials;
  return std::nullopt;
}

std::size_t TraceReceiver::Drain(const Callback& callback, std::size_t limit) {
  std::size_t taken = 0;
  // One byte more than a valid datagram, and the kernel's MSG_TRUNC, tell an
  // oversized one. Room for a few descriptors, so that they are seen and closed.
  std::array<std::uint8_t, kMaxDatagramSize + 1> buffer;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int))];
  const uid_t me = geteuid();
  for (std::size_t read = 0; read < limit;) {
    iovec iov{buffer.data(), buffer.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = recvmsg(fd_, &msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // nothing more queued (or the socket failed: the caller sees no input)
    }
    ++read;
    std::optional<Reject> why = CheckAncillary(msg, me);
    if (!why && (msg.msg_flags & MSG_TRUNC) != 0) why = Reject::kOversized;
    DecodeResult decoded;
    if (!why) {
      decoded = Decode({buffer.data(), static_cast<std::size_t>(n)});
      why = decoded.error;
    }
    if (why) {
      ++stats_.rejected[static_cast<std::size_t>(*why)];
      continue;
    }
    ++stats_.delivered;
    ++taken;
    callback(decoded.message);
  }
  return taken;
}

}  // namespace plat::ipc
