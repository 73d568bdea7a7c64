#include "platform/ipc/trace_receiver.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
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

// Whether a bound socket answers at this address. A live viewer sees the
// probe as a connection that ends at once, with nothing on it.
enum class Probe { kAlive, kStale, kError };
Probe ProbeSocket(const sockaddr_un& address, socklen_t length) {
  int probe = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (probe < 0) return Probe::kError;
  int rc = connect(probe, reinterpret_cast<const sockaddr*>(&address), length);
  int err = errno;
  close(probe);
  // A full backlog or a socket of another kind is someone alive there too.
  if (rc == 0 || err == EAGAIN || err == EPROTOTYPE) return Probe::kAlive;
  return err == ECONNREFUSED ? Probe::kStale : Probe::kError;
}

bool Watch(int epoll_fd, int fd) {
  epoll_event e{};
  e.events = EPOLLIN;
  e.data.fd = fd;
  return epoll_ctl(epoll_fd, EPOLL_CTL_ADD, fd, &e) == 0;
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

  self->fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
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
  // The connections taken from it inherit the request for credentials.
  int on = 1;
  if (setsockopt(self->fd_, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0)
    return Failed(OpenError::kSocket, Why("cannot ask for sender credentials"));
  // The forced size passes the system's cap, but only with the privilege for
  // it; otherwise take what the cap allows.
  int bytes = kReceiveBufferBytes;
  if (setsockopt(self->fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(self->fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  if (listen(self->fd_, SOMAXCONN) != 0) return Failed(OpenError::kSocket, Why("cannot listen on " + path));
  self->epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
  self->waiting_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (self->epoll_fd_ < 0 || self->waiting_fd_ < 0 || !Watch(self->epoll_fd_, self->fd_) ||
      !Watch(self->epoll_fd_, self->waiting_fd_))
    return Failed(OpenError::kSocket, Why("cannot watch " + path));

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
  for (int c : connections_) close(c);
  if (waiting_fd_ >= 0) close(waiting_fd_);
  if (epoll_fd_ >= 0) close(epoll_fd_);
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

void TraceReceiver::Accept() {
  for (;;) {
    const int c = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (c < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // none waits (or no descriptor is left: they wait in the backlog)
    }
    if (connections_.size() >= kMaxConnections) {
      // Read to its end, every datagram counted, and closed: the sender
      // sees the connection gone and counts what it sends after.
      bool ended = false;
      std::optional<std::uint64_t> sent;
      while (ReadOne(c, Reject::kTooManySenders, ended, sent)) {
      }
      close(c);
      continue;
    }
    int on = 1;
    setsockopt(c, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
    if (!Watch(epoll_fd_, c)) {
      close(c);
      continue;
    }
    connections_.push_back(c);
  }
}

void TraceReceiver::CloseConnection(std::size_t index) {
  const int c = connections_[index];
  epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, c, nullptr);
  close(c);
  connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TraceReceiver::SetWaiting(bool waiting) {
  if (waiting == waiting_) return;
  waiting_ = waiting;
  std::uint64_t value = 1;
  if (waiting) {
    [[maybe_unused]] ssize_t n = write(waiting_fd_, &value, sizeof value);
  } else {
    [[maybe_unused]] ssize_t n = read(waiting_fd_, &value, sizeof value);
  }
}

bool TraceReceiver::ReadOne(int fd, std::optional<Reject> forced, bool& ended, std::optional<std::uint64_t>& sent) {
  // One byte more than a valid datagram, and the kernel's MSG_TRUNC, tell an
  // oversized one. Room for a few descriptors, so that they are seen and closed.
  std::array<std::uint8_t, kMaxDatagramSize + 1> buffer;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int))];
  for (;;) {
    iovec iov{buffer.data(), buffer.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(fd, &msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN) ended = true;  // the connection failed
      return false;
    }
    // Nothing read and nothing along with it: the sender has gone. (Every
    // datagram, an empty one too, comes with its sender's credentials.)
    if (n == 0 && msg.msg_controllen == 0) {
      ended = true;
      return false;
    }
    std::optional<Reject> why = CheckAncillary(msg, geteuid());
    if (!why && (msg.msg_flags & MSG_TRUNC) != 0) why = Reject::kOversized;
    if (!why && forced) why = forced;
    DecodeResult decoded;
    if (!why) {
      decoded = Decode({buffer.data(), static_cast<std::size_t>(n)});
      why = decoded.error;
    }
    if (why) {
      ++stats_.rejected[static_cast<std::size_t>(*why)];
      sent = MonotonicNanoseconds();  // no time of its own to hold the others back with
      return true;
    }
    // A time said to lie ahead of the reading is taken as the reading's.
    const std::uint64_t at = std::min(decoded.sent, MonotonicNanoseconds());
    sent = at;
    pending_.push_back({at, read_order_++, std::move(decoded.message)});
    return true;
  }
}

std::size_t TraceReceiver::Drain(const Callback& callback, std::size_t limit) {
  // Everything sent before now is queued now: once read, it can go on in
  // the order it was sent. What was sent later may have senders whose
  // earlier messages this Drain no longer reads; it waits for the next one.
  std::uint64_t cutoff = MonotonicNanoseconds();
  Accept();
  // Each connection in turn, a batch at a time, so that one flooding sender
  // cannot hold back the others.
  constexpr std::size_t kBatch = 64;
  std::size_t read = 0;
  for (bool more = true; more;) {
    more = false;
    std::uint64_t leftAt = cutoff;
    for (std::size_t i = 0; i < connections_.size();) {
      bool ended = false;
      std::size_t batch = 0;
      std::optional<std::uint64_t> last;
      while (batch < kBatch && ReadOne(connections_[i], std::nullopt, ended, last)) ++batch;
      read += batch;
      if (batch == kBatch) {
        more = true;
        if (last) leftAt = std::min(leftAt, *last);
      }
      if (ended) CloseConnection(i);
      else ++i;
    }
    // Stopped with senders that have more queued: what they sent after
    // their last one read is not known yet, so nothing sent later goes on.
    if (more && read >= limit) {
      cutoff = leftAt;
      break;
    }
  }
  std::stable_sort(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) {
    return a.sent != b.sent ? a.sent < b.sent : a.order < b.order;
  });
  // What may go on now joins the queue behind what an outer Drain has yet to
  // hand out: everything read here was sent after that.
  std::size_t cleared = 0;
  while (cleared < pending_.size() && pending_[cleared].sent <= cutoff) {
    ready_.push_back(std::move(pending_[cleared].message));
    ++cleared;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(cleared));
  // Each message leaves the queue before its callback runs: a callback that
  // runs the window loop may drain again, and that Drain goes on with the
  // queue where this one stands - nothing twice, nothing out of order.
  std::size_t taken = 0;
  while (!ready_.empty()) {
    const TraceDatagram message = std::move(ready_.front());
    ready_.pop_front();
    ++stats_.delivered;
    ++taken;
    SetWaiting(!pending_.empty() || !ready_.empty());
    callback(message);
  }
  SetWaiting(!pending_.empty());
  return taken;
}

}  // namespace plat::ipc
