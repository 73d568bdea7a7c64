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

TraceSender::TraceSender(const std::string& socket_path) { Open(socket_path); }

void TraceSender::Open(const std::string& socket_path) {
  if (!MakeSocketAddress(socket_path, address_, address_length_)) {
    setup_error_ = "socket path too long: " + socket_path;
    return;
  }
  fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) setup_error_ = std::string("cannot create a socket: ") + std::strerror(errno);
}

TraceSender::~TraceSender() {
  if (fd_ >= 0) close(fd_);
}

void TraceSender::Count(SendDrop why) {
  dropped_[static_cast<std::size_t>(why)].fetch_add(1, std::memory_order_relaxed);
}

bool TraceSender::Send(TraceMessage message, std::int32_t wparam, std::int32_t lparam,
                       std::string_view text) {
  auto datagram = Encode(message, wparam, lparam, text);
  if (!datagram) {
    Count(SendDrop::kNotEncoded);
    return false;
  }
  return SendDatagram(*datagram);
}

bool TraceSender::SendDatagram(const Datagram& datagram) {
  if (fd_ < 0) {
    Count(SendDrop::kNoSocket);
    return false;
  }
  for (;;) {
    ssize_t n = sendto(fd_, datagram.bytes.data(), datagram.size, MSG_DONTWAIT | MSG_NOSIGNAL,
                       reinterpret_cast<const sockaddr*>(&address_), address_length_);
    if (n >= 0) {
      sent_.fetch_add(1, std::memory_order_relaxed);
      return true;
    }
    switch (errno) {
      case EINTR:
        continue;
      case ENOENT:
      case ECONNREFUSED:
      case ENOTDIR:
        Count(SendDrop::kNoReceiver);
        return false;
      case EAGAIN:
      case ENOBUFS:
        Count(SendDrop::kQueueFull);
        return false;
      default:
        Count(SendDrop::kOther);
        return false;
    }
  }
}

SendStats TraceSender::Stats() const {
  SendStats s;
  s.sent = sent_.load(std::memory_order_relaxed);
  for (std::size_t i = 0; i < kSendDropCount; ++i)
    s.dropped[i] = dropped_[i].load(std::memory_order_relaxed);
  return s;
}

}  // namespace plat::ipc
