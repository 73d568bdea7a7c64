#include "platform/ipc/trace_sender.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ipc/socket_directory.h"

namespace plat::ipc {

std::uint64_t SendStats::TotalDropped() const {
  std::uint64_t sum = 0;
  for (auto n : dropped) sum += n;
  return sum;
}

bool MakeSocketAddress(const std::string& path, sockaddr_un& address, socklen_t& length) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return true;
}

TraceSender::TraceSender() {
  DirectoryResult dir = SocketDirectory();
  if (!dir.ok()) {
    setup_error_ = dir.error;
    return;
  }
  Open(dir.path + kSocketFileName);
}

TraceSender::TraceSender(const std::string& socket_path, Clock clock) : clock_(clock) { Open(socket_path); }

void TraceSender::Open(const std::string& socket_path) {
  if (!MakeSocketAddress(socket_path, address_, address_length_)) {
    setup_error_ = "socket path too long: " + socket_path;
    return;
  }
  address_ok_ = true;
}

TraceSender::~TraceSender() {
  if (fd_ >= 0) close(fd_);
}

void TraceSender::Count(SendDrop why) {
  dropped_[static_cast<std::size_t>(why)].fetch_add(1, std::memory_order_relaxed);
}

void TraceSender::Drop(SendDrop why) {
  Count(why);
  if (fd_ >= 0) {
    ++sequence_;  // the gap tells the viewer, with the next message through
    ++untold_;
  } else {
    ++unconnected_;
  }
}

bool TraceSender::Send(TraceMessage message, std::int32_t wparam, std::int32_t lparam,
                       std::string_view text) {
  auto datagram = Encode(message, wparam, lparam, text);
  if (!datagram) {
    std::lock_guard<std::mutex> lock(mutex_);
    Drop(SendDrop::kNotEncoded);
    return false;
  }
  return SendDatagram(*datagram);
}

bool TraceSender::Connect(SendDrop& why) {
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    why = SendDrop::kNoSocket;
    return false;
  }
  int bytes = kSendBufferBytes;
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address_), address_length_) == 0) {
    fd_ = fd;
    tried_ = false;
    sequence_ = 0;
    told_unconnected_ = unconnected_;
    unconnected_ = 0;
    return true;
  }
  switch (errno) {
    case ENOENT:
    case ECONNREFUSED:
    case ENOTDIR:
      why = SendDrop::kNoReceiver;
      break;
    case EAGAIN:
      why = SendDrop::kQueueFull;  // the viewer has not taken the waiting connections yet
      break;
    default:
      why = SendDrop::kOther;
      break;
  }
  close(fd);
  return false;
}

bool TraceSender::DropWhileUnreachable() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (fd_ >= 0 || !tried_ || clock_() - last_try_ >= kRetryIntervalMs * 1000000u) return false;
  Drop(last_failure_);
  return true;
}

bool TraceSender::SendDatagram(const Datagram& datagram) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!address_ok_) {
    Drop(SendDrop::kNoSocket);
    return false;
  }
  Datagram numbered = datagram;
  // A connection the viewer closed is made anew once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (fd_ < 0) {
      // No viewer, a moment ago: no new try before the interval is over.
      const std::uint64_t now = clock_();
      if (tried_ && now - last_try_ < kRetryIntervalMs * 1000000u) {
        Drop(last_failure_);
        return false;
      }
      SendDrop why = SendDrop::kOther;
      if (!Connect(why)) {
        tried_ = true;
        last_try_ = now;
        last_failure_ = why;
        Drop(why);
        return false;
      }
    }
    SetCounters(numbered, sequence_, told_unconnected_);
    for (;;) {
      const ssize_t n = send(fd_, numbered.bytes.data(), numbered.size, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (n >= 0) {
        ++sequence_;
        untold_ = 0;
        sent_.fetch_add(1, std::memory_order_relaxed);
        return true;
      }
      if (errno != EINTR) break;
    }
    switch (errno) {
      case EAGAIN:
      case ENOBUFS:
        Drop(SendDrop::kQueueFull);
        return false;
      case EPIPE:
      case ECONNRESET:
      case ENOTCONN:
      case ECONNREFUSED:
        // What was dropped since the last message through goes with the
        // next connection.
        close(fd_);
        fd_ = -1;
        unconnected_ += untold_;
        untold_ = 0;
        continue;
      default:
        Drop(SendDrop::kOther);
        return false;
    }
  }
  Drop(SendDrop::kNoReceiver);
  return false;
}

SendStats TraceSender::Stats() const {
  SendStats s;
  s.sent = sent_.load(std::memory_order_relaxed);
  for (std::size_t i = 0; i < kSendDropCount; ++i)
    s.dropped[i] = dropped_[i].load(std::memory_order_relaxed);
  return s;
}

}  // namespace plat::ipc
