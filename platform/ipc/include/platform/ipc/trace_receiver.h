#pragma once
// The viewer's end of the trace socket.
//
// Open binds "trace.sock" in the user's private directory and holds an
// exclusive flock on "trace.lock" beside it for the receiver's whole life; the
// lock is what makes two viewers starting at once safe: exactly one gets it.
//
// A second viewer of the same user gets OpenError::kInUse (with a message that
// names the socket) and no receiver; the running viewer keeps its socket and
// goes on receiving. The lock says a viewer is alive; should the lock file have
// been removed behind a running viewer's back, the socket is probed as well
// (a connect that reaches a bound socket means it is alive). A socket file left
// by a viewer that died answers nobody: it is removed and bound anew.
//
// The receiver never blocks: watch fd() for input in the window loop and call
// Drain, which reads what is queued, decodes it and calls back on the caller's
// thread. A datagram is taken only when its sender's credentials came with it
// and show this user's uid: "WM_TRACE_SETFILENAME" makes the viewer append to a
// path the sender names, so no other user may reach it. The 0700 directory is
// the first wall, the credential check the second. Every datagram not taken is
// counted by reason.
//
// One thread uses a receiver; its destructor removes the socket file.

#include <sys/socket.h>
#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ipc/trace_protocol.h"

namespace plat::ipc {

enum class OpenError : std::uint8_t {
  kNone,
  kInUse,      // another viewer of this user receives at this socket
  kDirectory,  // the private directory cannot be made or trusted
  kSocket,     // the lock file, the socket or its binding failed
};

class TraceReceiver;

struct ReceiverOpen {
  std::unique_ptr<TraceReceiver> receiver;  // null unless error is kNone
  OpenError error = OpenError::kNone;
  std::string message;  // what went wrong, for the viewer to show or log
};

struct ReceiveStats {
  std::uint64_t delivered = 0;
  std::array<std::uint64_t, kRejectCount> rejected{};
  std::uint64_t Rejected(Reject why) const { return rejected[static_cast<std::size_t>(why)]; }
  std::uint64_t TotalRejected() const;
};

// Asks for more than the default receive buffer, so that a burst from many
// clients is held while the viewer is busy.
inline constexpr int kReceiveBufferBytes = 4 << 20;
// Datagrams read by one Drain call at most, so that a flooding client cannot
// keep the window loop from its other work; the rest waits for the next call.
inline constexpr std::size_t kDrainLimit = 4096;

class TraceReceiver {
 public:
  using Callback = std::function<void(const TraceDatagram&)>;

  // Binds in the user's directory (see socket_directory.h).
  static ReceiverOpen Open();
  // Binds in this directory (created 0700 when missing, and checked).
  static ReceiverOpen OpenIn(const std::string& directory);

  ~TraceReceiver();
  TraceReceiver(const TraceReceiver&) = delete;
  TraceReceiver& operator=(const TraceReceiver&) = delete;

  // Readable whenever datagrams are queued.
  int fd() const { return fd_; }
  const std::string& socket_path() const { return socket_path_; }

  // Reads queued datagrams until none is left or limit were read, calling back
  // for each one taken. Returns the number taken.
  std::size_t Drain(const Callback& callback, std::size_t limit = kDrainLimit);

  const ReceiveStats& Stats() const { return stats_; }

 private:
  TraceReceiver() = default;

  int fd_ = -1;
  int lock_fd_ = -1;
  std::string socket_path_;
  dev_t socket_dev_ = 0;
  ino_t socket_ino_ = 0;
  ReceiveStats stats_;
};

// Checks the ancillary data of one received datagram: the sender's credentials
// must be there and carry this uid, and nothing else may come along. Any file
// descriptors passed along are closed here, so a sender cannot fill the
// viewer's descriptor table. msg_flags must be those recvmsg returned.
std::optional<Reject> CheckAncillary(const msghdr& message, uid_t expected_uid);

}  // namespace plat::ipc
