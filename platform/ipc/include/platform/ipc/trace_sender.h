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
// torn, and told to the viewer: each message carries its number on the
// connection (a dropped one takes a number too, so the viewer sees the gap)
// and how many the sender dropped before it had the connection. The viewer
// checks who connected once, by the connection's peer credentials.
//
// Without a viewer a send costs no system call: the sender tries to connect
// again only when kRetryIntervalMs have passed on the monotonic clock since
// its last try, so a viewer started later is reached within that time.
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
  // The clock of the retry interval: CLOCK_MONOTONIC in nanoseconds, or a
  // test's own.
  using Clock = std::uint64_t (*)();
  static constexpr std::uint64_t kRetryIntervalMs = 100;

  // Sends to the socket in the user's directory (see socket_directory.h),
  // resolved once, now.
  TraceSender();
  // Sends to this socket file; the caller has checked its directory.
  explicit TraceSender(const std::string& socket_path, Clock clock = &MonotonicNanoseconds);
  // The buffer the sender asks for its connection (the system caps it at
  // net.core.wmem_max): what the viewer has not read yet is held here, so
  // the more, the longer a busy viewer may fall behind without a loss.
  static constexpr int kSendBufferBytes = 4 << 20;
  ~TraceSender();
  TraceSender(const TraceSender&) = delete;
  TraceSender& operator=(const TraceSender&) = delete;

  // True when the datagram went to the viewer's queue; false when dropped.
  bool Send(TraceMessage message, std::int32_t wparam, std::int32_t lparam, std::string_view text);
  bool SendDatagram(const Datagram& datagram);
  // Drops and counts one message without building it when the sender
  // would not try to reach the viewer now (none there a moment ago):
  // true when it did. Lets a caller skip the work of making the message.
  bool DropWhileUnreachable();

  SendStats Stats() const;
  // Why the constructor could not set up (empty when it could).
  const std::string& setup_error() const { return setup_error_; }

 private:
  void Open(const std::string& socket_path);
  void Count(SendDrop why);
  // Connects (under the lock); the reason when it cannot.
  bool Connect(SendDrop& why);
  // A message dropped (under the lock): counted by reason, and for the viewer.
  void Drop(SendDrop why);

  std::mutex mutex_;
  Clock clock_ = &MonotonicNanoseconds;
  int fd_ = -1;  // the connection, -1 while there is none
  bool tried_ = false;          // a connect was tried and failed at last_try_
  std::uint64_t last_try_ = 0;  // on clock_
  SendDrop last_failure_ = SendDrop::kNoReceiver;  // why that try failed
  std::uint64_t sequence_ = 0;     // the next message's number on the connection
  std::uint64_t unconnected_ = 0;  // dropped while there was no connection
  std::uint64_t untold_ = 0;       // dropped on the connection since its last message through
  std::uint64_t told_unconnected_ = 0;  // what the connection's messages say
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
