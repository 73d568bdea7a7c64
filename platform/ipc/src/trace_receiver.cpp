#include "platform/ipc/trace_receiver.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
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

std::size_t RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return static_cast<std::size_t>(limit.rlim_cur);
}

// recvmmsg's buffers: one byte more than a valid datagram per message (with
// the kernel's MSG_TRUNC it tells an oversized one), and room for some
// descriptors, so that they are seen and closed.
struct TraceReceiver::Batch {
  static constexpr std::size_t kControl = CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int));
  std::array<std::array<std::uint8_t, kMaxDatagramSize + 1>, kBatch> data;
  struct alignas(cmsghdr) Control {
    char bytes[kControl];
  };
  std::array<Control, kBatch> control;
  std::array<iovec, kBatch> iov;
  std::array<mmsghdr, kBatch> headers;
};

TraceReceiver::TraceReceiver() : batch_(std::make_unique<Batch>()) {}

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

  // As many clients as the system allows: every one holds a descriptor here.
  RaiseDescriptorLimit();
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
  // The forced size passes the system's cap, but only with the privilege for
  // it; otherwise take what the cap allows.
  int bytes = kReceiveBufferBytes;
  if (setsockopt(self->fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(self->fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  if (listen(self->fd_, SOMAXCONN) != 0) return Failed(OpenError::kSocket, Why("cannot listen on " + path));
  self->spare_fd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
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
  for (std::size_t c = 0; c < connections_.size(); ++c)
    if (connections_[c].open) close(static_cast<int>(c));
  if (spare_fd_ >= 0) close(spare_fd_);
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
  return std::nullopt;
}

void TraceReceiver::Accept() {
  for (;;) {
    int c = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (c < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno != EMFILE && errno != ENFILE) return;  // none waits
      // No descriptor left - which accept says whether or not a connection
      // waits; with none waiting nothing is closed.
      pollfd listening{fd_, POLLIN, 0};
      if (poll(&listening, 1, 0) != 1 || (listening.revents & POLLIN) == 0) return;
      // One waits: the longest idle connection makes room. With
      // none to close, the spare descriptor takes the waiting one, which is
      // read to its end, counted and closed: its sender learns at once.
      if (Evict()) continue;
      if (spare_fd_ < 0) return;
      close(spare_fd_);
      spare_fd_ = -1;
      c = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (c >= 0) Refuse(c, 0, Reject::kTooManySenders);
      spare_fd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
      return;
    }
    ucred peer{};
    socklen_t length = sizeof peer;
    const bool known = getsockopt(c, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof peer;
    if (!known || peer.uid != uid_) {
      // Another user's (or nobody knows whose): everything it sent so far is
      // refused, and it goes.
      Refuse(c, known ? peer.pid : 0, known ? Reject::kForeignUser : Reject::kNoCredentials);
      continue;
    }
    if (static_cast<std::size_t>(c) >= connections_.size()) connections_.resize(static_cast<std::size_t>(c) + 1);
    Connection& conn = connections_[static_cast<std::size_t>(c)];
    conn = Connection{};
    conn.pid = peer.pid;
    conn.active = MonotonicNanoseconds();
    if (!Watch(epoll_fd_, c)) {
      conn = Connection{};
      close(c);
      ++stats_.connectionsRefused;
      continue;
    }
    conn.open = true;
    ++open_;
    accepted_.push_back(c);
    ++stats_.connectionsServed;
  }
}

void TraceReceiver::ReadToEnd(int fd) {
  // Nothing more comes in: a sender that sends while the connection is read
  // and closed is refused (and connects anew) instead of losing its record
  // with the connection. What is queued is read to its end.
  shutdown(fd, SHUT_RD);
  std::uint64_t last = 0;
  bool ended = false;
  for (int batches = 0; batches < 256 && ReadBatch(fd, ended, last) > 0 && !ended; ++batches) {
  }
}

void TraceReceiver::Refuse(int fd, pid_t pid, Reject why) {
  if (static_cast<std::size_t>(fd) >= connections_.size()) connections_.resize(static_cast<std::size_t>(fd) + 1);
  Connection& c = connections_[static_cast<std::size_t>(fd)];
  c = Connection{};
  c.pid = pid;
  c.refused = why;
  ReadToEnd(fd);
  c = Connection{};
  close(fd);
  ++stats_.connectionsRefused;
}

bool TraceReceiver::Evict() {
  int oldest = -1;
  for (std::size_t i = 0; i < connections_.size(); ++i) {
    if (connections_[i].open && (oldest < 0 || connections_[i].active < connections_[static_cast<std::size_t>(oldest)].active))
      oldest = static_cast<int>(i);
  }
  if (oldest < 0) return false;
  // What it has queued is taken first: nothing it sent is lost.
  ReadToEnd(oldest);
  ++stats_.connectionsEvicted;
  Close(oldest);
  return true;
}

void TraceReceiver::Close(int fd) {
  Connection& c = connections_[static_cast<std::size_t>(fd)];
  if (OnLoss && (c.lostAtSender != 0 || c.lostWithoutViewer != 0))
    OnLoss(LossReport{c.pid, c.lostAtSender, c.lostWithoutViewer, 0});
  c = Connection{};
  --open_;
  epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, fd, nullptr);
  close(fd);
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

void TraceReceiver::Take(Connection& c, const DecodedView& d, std::uint64_t now) {
  // The counters tell what the sender dropped: once what it lost before it
  // connected, and each gap in the numbers.
  if (!c.seen) {
    c.seen = true;
    c.lostWithoutViewer += d.unconnected;
    stats_.lostWithoutViewer += d.unconnected;
  }
  if (d.sequence > c.next) {
    c.lostAtSender += d.sequence - c.next;
    stats_.lostAtSenders += d.sequence - c.next;
  }
  if (d.sequence >= c.next) c.next = d.sequence + 1;
  Pending p;
  // A time said to lie ahead of the reading is taken as the reading's.
  p.sent = std::min(d.sent, now);
  p.order = read_order_++;
  p.message = d.message;
  p.wparam = d.wparam;
  p.lparam = d.lparam;
  p.textAt = static_cast<std::uint32_t>(text_.size());
  p.textLength = static_cast<std::uint8_t>(d.text.size());
  text_.insert(text_.end(), d.text.begin(), d.text.end());
  records_.push_back(p);
}

std::size_t TraceReceiver::ReadBatch(int fd, bool& ended, std::uint64_t& last) {
  Batch& b = *batch_;
  for (std::size_t i = 0; i < kBatch; ++i) {
    b.iov[i] = {b.data[i].data(), b.data[i].size()};
    msghdr& h = b.headers[i].msg_hdr;
    h = msghdr{};
    h.msg_iov = &b.iov[i];
    h.msg_iovlen = 1;
    h.msg_control = b.control[i].bytes;
    h.msg_controllen = Batch::kControl;
    b.headers[i].msg_len = 0;
  }
  int n;
  do {
    n = recvmmsg(fd, b.headers.data(), kBatch, MSG_DONTWAIT | MSG_CMSG_CLOEXEC, nullptr);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    if (errno != EAGAIN) ended = true;  // the connection failed
    return 0;
  }
  Connection& c = connections_[static_cast<std::size_t>(fd)];
  const std::uint64_t now = MonotonicNanoseconds();
  // Once the sender has gone, every read past its last record reads nothing:
  // the batch ends in empty entries. An empty record the sender sent reads
  // the same, but is no datagram of ours (it counts as truncated). Empty
  // entries followed by a record, or by bytes still queued, are such records;
  // those at the batch's end, with the peer gone and nothing queued, are its end.
  auto empty = [&b](int i) {
    const mmsghdr& m = b.headers[static_cast<std::size_t>(i)];
    return m.msg_len == 0 && m.msg_hdr.msg_controllen == 0;
  };
  int tail = n;
  while (tail > 0 && empty(tail - 1)) --tail;
  bool over = false;
  if (tail < n) {
    pollfd p{fd, POLLRDHUP, 0};
    int queued = 0;
    over = poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP)) != 0 &&
           ioctl(fd, SIOCINQ, &queued) == 0 && queued == 0;
  }
  std::size_t got = 0;
  for (int i = 0; i < n; ++i) {
    if (over && i >= tail) {
      ended = true;
      break;
    }
    const msghdr& h = b.headers[static_cast<std::size_t>(i)].msg_hdr;
    const std::size_t size = b.headers[static_cast<std::size_t>(i)].msg_len;
    ++got;
    std::optional<Reject> why = CheckAncillary(h, uid_);
    if (!why && (h.msg_flags & MSG_TRUNC) != 0) why = Reject::kOversized;
    if (!why && c.refused) why = c.refused;
    DecodedView decoded;
    if (!why) {
      decoded = DecodeInPlace({b.data[static_cast<std::size_t>(i)].data(), size});
      why = decoded.error;
    }
    if (why) {
      ++stats_.rejected[static_cast<std::size_t>(*why)];
      last = now;  // no time of its own to hold the others back with
      continue;
    }
    Take(c, decoded, now);
    last = records_.back().sent;
  }
  if (got > 0) c.active = now;
  // A short batch without an error may still hide the end: the next read tells.
  return got;
}

void TraceReceiver::MaybeReport(std::uint64_t now, bool force) {
  const std::uint64_t lost = stats_.TotalLost();
  if (!OnLoss || lost == 0) return;
  if (!force && (lost == reported_ || (reportedAt_ != 0 && now - reportedAt_ < kLossReportMs * 1000000u))) return;
  reported_ = lost;
  reportedAt_ = now;
  OnLoss(LossReport{0, stats_.lostAtSenders, stats_.lostWithoutViewer, stats_.TotalRejected()});
}

std::size_t TraceReceiver::Drain(const Callback& callback, std::size_t limit) {
  ++depth_;
  std::size_t taken = 0;
  try {
    taken = ReadAndHandOut(callback, limit);
  } catch (...) {
    // A callback (or OnLoss) that threw: the message it threw at was handed
    // out, the rest waits for the next Drain, and this one ends as a return would.
    Leave(false);
    throw;
  }
  Leave(true);
  return taken;
}

std::size_t TraceReceiver::ReadAndHandOut(const Callback& callback, std::size_t limit) {
  // Everything sent before now is queued now: once read, it can go on in
  // the order it was sent. What was sent later may have senders whose
  // earlier messages this Drain no longer reads; it waits for the next one.
  std::uint64_t cutoff = MonotonicNanoseconds();
  // The connections with input as of now, and those just taken.
  std::vector<int>& active = active_;
  active.clear();
  accepted_.clear();
  Accept();
  events_.resize(open_ + 2);
  const int n = epoll_wait(epoll_fd_, events_.data(), static_cast<int>(events_.size()), 0);
  for (int i = 0; i < n; ++i) {
    const int fd = events_[static_cast<std::size_t>(i)].data.fd;
    if (fd != fd_ && fd != waiting_fd_) active.push_back(fd);
  }
  active.insert(active.end(), accepted_.begin(), accepted_.end());
  std::sort(active.begin(), active.end());
  active.erase(std::unique(active.begin(), active.end()), active.end());

  // Each connection in turn, a batch at a time, so that one flooding sender
  // cannot hold back the others.
  std::size_t read = 0;
  for (bool more = !active.empty(); more;) {
    more = false;
    std::uint64_t leftAt = cutoff;
    for (std::size_t i = 0; i < active.size();) {
      const int fd = active[i];
      if (!connections_[static_cast<std::size_t>(fd)].open) {
        active.erase(active.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      bool ended = false;
      std::uint64_t last = 0;
      const std::size_t batch = ReadBatch(fd, ended, last);
      read += batch;
      if (ended) {
        Close(fd);
        active.erase(active.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      if (batch == kBatch) {
        more = true;
        leftAt = std::min(leftAt, last);
        ++i;
      } else {
        active.erase(active.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
    // Stopped with senders that have more queued: what they sent after
    // their last one read is not known yet, so nothing sent later goes on.
    if (more && read >= limit) {
      cutoff = leftAt;
      break;
    }
  }
  // The ones read here wait behind those cleared before; among themselves
  // and those left from before, in the order sent.
  std::sort(records_.begin() + static_cast<std::ptrdiff_t>(ready_), records_.end(),
            [](const Pending& a, const Pending& b) { return a.sent != b.sent ? a.sent < b.sent : a.order < b.order; });
  while (ready_ < records_.size() && records_[ready_].sent <= cutoff) ++ready_;

  // Each message leaves the queue before its callback runs: a callback that
  // runs the window loop may drain again, and that Drain goes on with the
  // queue where this one stands - nothing twice, nothing out of order. The
  // one message object is reused, so its text keeps its room.
  TraceDatagram message;
  message.text.reserve(kMaxAtomText);
  std::size_t taken = 0;
  while (head_ < ready_) {
    const Pending& p = records_[head_++];
    message.message = p.message;
    message.wparam = p.wparam;
    message.lparam = p.lparam;
    message.text.assign(text_.data() + p.textAt, p.textLength);
    ++stats_.delivered;
    ++taken;
    SetWaiting(head_ < records_.size());
    callback(message);
  }
  return taken;
}

void TraceReceiver::Leave(bool report) {
  if (--depth_ == 0) {
    // Nothing handed out is needed any more: the rest moves to the front.
    if (head_ == records_.size()) {
      records_.clear();
      text_.clear();
    } else if (head_ > 0) {
      std::vector<char> rest;
      std::vector<Pending> left(records_.begin() + static_cast<std::ptrdiff_t>(head_), records_.end());
      for (Pending& p : left) {
        const std::uint32_t at = static_cast<std::uint32_t>(rest.size());
        rest.insert(rest.end(), text_.begin() + p.textAt, text_.begin() + p.textAt + p.textLength);
        p.textAt = at;
      }
      records_.assign(left.begin(), left.end());
      text_.assign(rest.begin(), rest.end());
    }
    ready_ -= head_;
    head_ = 0;
    if (report) MaybeReport(MonotonicNanoseconds(), false);
  }
  SetWaiting(head_ < records_.size());
}

void TraceReceiver::ReportLosses() { MaybeReport(MonotonicNanoseconds(), true); }

}  // namespace plat::ipc
