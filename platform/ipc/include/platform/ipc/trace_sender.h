#pragma once
// Sending trace messages to the viewer's socket.
//
// A sender keeps one connection to the viewer's socket and sends each message
// as one record on it. A send never blocks and never waits for the viewer:
// the datagram is handed to the kernel whole or not at all (MSG_DONTWAIT, on
// a non-blocking connect). When no viewer runs, when the connection's queue is
// full or when the socket directory cannot be trusted, the message is dropped
// and counted by reason. A connection the viewer has closed (it ended, another
// one started) is made anew once, at the next send.
//
// The connection queues what the viewer has not read yet up to this sender's
// buffer bytes (a few hundred messages), so a burst the viewer catches up with
// loses nothing; one that outruns it loses messages - counted here, never
// torn. The sender asks the kernel to pass its credentials with every
// message, which is what the viewer checks.
//
// One sender may be used from any number of threads at once: sends and the
// connection are serialised by a short lock (never held while waiting for the
// viewer); the counters are atomic.

#include <sys/socket.h>
#include <sys/un.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/ipc/trace_protocol.h"

namespace plat::ipc {

enum class SendDrop : std::uint8_t {
  kNoSocket,    // no trusted directory, a path too long, or no socket could be made
  kNoReceiver,  // no viewer: socket file missing, left behind by one that died, or the viewer left
  kQueueFull,   // the connection's queue (or the viewer's backlog of connections) is full
  kNotEncoded,  // the message cannot travel (a file name an atom cannot hold whole)
  kOther,       // any other refusal of the kernel (no permission, no memory)
};
inline constexpr std::size_t kSendDropCount = 5;

struct SendStats {
  std::uint64_t sent = 0;
  std::array<std::uint64_t, kSendDropCount> dropped{};
  std::uint64_t Dropped(SendDrop why) const { return dropped[static_cast<std::size_t>(why)]; }
  std::uint64_t TotalDropped() const;
};

class TraceSender {
 public:
  // Sends to the socket in the user's directory (see socket_directory.h),
  // resolved once, now.
  TraceSender();
  // Sends to this socket file; the caller has checked its directory.
  explicit TraceSender(const std::string& socket_path);
  // The buffer the sender asks for its connection (the system caps it).
  static constexpr int kSendBufferBytes = 1 << 20;
  ~TraceSender();
  TraceSender(const TraceSender&) = delete;
  TraceSender& operator=(const TraceSender&) = delete;

  // True when the datagram went to the viewer's queue; false when dropped.
  bool Send(TraceMessage message, std::int32_t wparam, std::int32_t lparam, std::string_view text);
  bool SendDatagram(const Datagram& datagram);

  SendStats Stats() const;
  // Why the constructor could not set up (empty when it could).
  const std::string& setup_error() const { return setup_error_; }

 private:
  void Open(const std::string& socket_path);
  void Count(SendDrop why);
  // Connects (under the lock); the reason when it cannot.
  bool Connect(SendDrop& why);

  std::mutex mutex_;
  int fd_ = -1;  // the connection, -1 while there is none
  bool address_ok_ = false;
  sockaddr_un address_{};
  socklen_t address_length_ = 0;
  std::string setup_error_;
  std::atomic<std::uint64_t> sent_{0};
  std::array<std::atomic<std::uint64_t>, kSendDropCount> dropped_{};
};

// Fills a socket address for a path; false when the path does not fit.
bool MakeSocketAddress(const std::string& path, sockaddr_un& address, socklen_t& length);

}  // namespace plat::ipc
