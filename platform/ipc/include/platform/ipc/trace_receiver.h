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
// The socket is a SOCK_SEQPACKET socket: each sender keeps one connection to
// it and sends each message as one record (a datagram on that connection).
// A connection queues what its sender sent up to the sender's buffer bytes,
// instead of the few datagrams (net.unix.max_dgram_qlen) that the kernel
// queues for an unconnected socket, so a busy viewer loses nothing to a
// burst it can catch up with.
//
// The receiver never blocks: watch fd() for input in the window loop and call
// Drain, which takes the waiting connections, reads what is queued on them,
// decodes it and calls back on the caller's thread - the messages of all
// senders in the order they were sent (by the send time each carries). A
// message sent while a Drain runs may wait for the next one, for which fd()
// stays readable. A datagram is taken only
// when its sender's credentials came with it and show this user's uid:
// "WM_TRACE_SETFILENAME" makes the viewer append to a path the sender names, so
// no other user may reach it. The 0700 directory is the first wall, the
// credential check the second. Every datagram not taken is counted by reason;
// a connection beyond kMaxConnections is read to its end, its datagrams
// counted as refused, and closed. A connection whose sender has gone is closed.
//
// One thread uses a receiver; its destructor removes the socket file.

#include <sys/socket.h>
#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
// Senders connected at once at most (a program holds one connection).
inline constexpr std::size_t kMaxConnections = 256;

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

  // Readable whenever a connection waits or datagrams are queued.
  int fd() const { return epoll_fd_; }
  // The senders connected now.
  std::size_t Connections() const { return connections_.size(); }
  const std::string& socket_path() const { return socket_path_; }

  // Reads queued datagrams until none is left or about limit were read
  // (every sender's connection gets its turn), calling back for each one
  // taken. Returns the number taken by this call. A callback may drain
  // again (a handler that runs the window loop does): the inner Drain hands
  // out the rest of the outer one's messages first, in order, each once.
  std::size_t Drain(const Callback& callback, std::size_t limit = kDrainLimit);

  const ReceiveStats& Stats() const { return stats_; }

 private:
  TraceReceiver() = default;
  void Accept();
  void CloseConnection(std::size_t index);
  // Reads one datagram of the connection into pending_ (or counts it as
  // rejected): false when none is left, or the connection ended (then ended
  // is set). sent is the send time read, when one was.
  bool ReadOne(int fd, std::optional<Reject> forced, bool& ended, std::optional<std::uint64_t>& sent);
  void SetWaiting(bool waiting);

  struct Pending {
    std::uint64_t sent = 0;  // never later than when it was read
    std::uint64_t order = 0;  // the order read, for equal send times
    TraceDatagram message;
  };

  int fd_ = -1;  // the listening socket
  int epoll_fd_ = -1;
  int waiting_fd_ = -1;  // readable while messages read wait in pending_
  bool waiting_ = false;
  std::vector<int> connections_;
  std::vector<Pending> pending_;
  std::deque<TraceDatagram> ready_;  // cleared to go on, in order, not yet handed out
  std::uint64_t read_order_ = 0;
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
