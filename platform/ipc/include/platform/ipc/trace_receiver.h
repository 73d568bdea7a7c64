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
// Drain, which takes the waiting connections, reads what is queued on the
// connections that have input (several datagrams per system call), decodes
// it and calls back on the caller's thread - the messages of all senders in
// the order they were sent (by the send time each carries). A message sent
// while a Drain runs may wait for the next one, for which fd() stays readable.
//
// Who connected is checked once per connection, by its peer credentials when
// it is taken: only this user's uid is served. "WM_TRACE_SETFILENAME" makes
// the viewer append to a path the sender names, so no other user may reach
// it. The 0700 directory is the first wall, the credential check the second.
// A connection of another user is read to its end, its datagrams counted as
// refused, and closed. A datagram that brings file descriptors or other
// ancillary data along is refused (the descriptors are closed at once).
// Every datagram not taken is counted by reason.
//
// Connections are served as many as the process may hold descriptors (see
// RaiseDescriptorLimit). When none is left, the connection that has been idle
// the longest is read to its end and closed to make room: its sender
// connects anew with its next message, so idle clients never keep a sender
// out. A connection whose sender has gone is closed.
//
// Losses. Each message says its number on its connection and how many its
// sender dropped before it connected; the receiver adds up the gaps (what
// senders dropped while connected, their queue full) and the dropped-before
// counts (no viewer ran) per connection and in total. OnLoss, when set, is
// told of each connection's losses when it ends and of all of them, at most
// once per kLossReportMs, while they grow.
//
// One thread uses a receiver; its destructor removes the socket file.

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
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
  // Messages the senders told of but never sent: dropped while connected
  // (their queue full, a message that cannot travel) and before they had a
  // connection (no viewer ran, or it could not take them).
  std::uint64_t lostAtSenders = 0;
  std::uint64_t lostWithoutViewer = 0;
  std::uint64_t connectionsServed = 0;
  std::uint64_t connectionsEvicted = 0;  // idle ones closed to make room
  std::uint64_t connectionsRefused = 0;  // another user's, or no room at all
  std::uint64_t TotalLost() const { return lostAtSenders + lostWithoutViewer + TotalRejected(); }
  std::uint64_t Rejected(Reject why) const { return rejected[static_cast<std::size_t>(why)]; }
  std::uint64_t TotalRejected() const;
};

// Asks for more than the default receive buffer, so that a burst from many
// clients is held while the viewer is busy.
inline constexpr int kReceiveBufferBytes = 4 << 20;
// Datagrams read by one Drain call at most, so that a flooding client cannot
// keep the window loop from its other work; the rest waits for the next call.
inline constexpr std::size_t kDrainLimit = 4096;
// Datagrams one system call reads from a connection at most.
inline constexpr std::size_t kBatch = 64;
// The shortest time between two loss reports while losses grow.
inline constexpr std::uint64_t kLossReportMs = 5000;

// Raises this process's soft limit of open descriptors to its hard limit,
// so that a crowd of senders can all be served; answers the limit now.
std::size_t RaiseDescriptorLimit();

// What one connection's sender lost on the way, told when it ends, or in
// total (pid 0) while losses grow.
struct LossReport {
  pid_t pid = 0;
  std::uint64_t atSender = 0;       // dropped while connected
  std::uint64_t withoutViewer = 0;  // dropped before it connected
  std::uint64_t rejected = 0;       // sent, but not taken here (total only)
};

class TraceReceiver {
 public:
  using Callback = std::function<void(const TraceDatagram&)>;

  // Binds in the user's directory (see socket_directory.h).
  static ReceiverOpen Open();
  // Binds in this directory (created 0700 when missing, and checked).
  static ReceiverOpen OpenIn(const std::string& directory);

  TraceReceiver(const TraceReceiver&) = delete;
  TraceReceiver& operator=(const TraceReceiver&) = delete;

  // Readable whenever a connection waits or datagrams are queued.
  int fd() const { return epoll_fd_; }
  // The senders connected now.
  std::size_t Connections() const { return open_; }
  const std::string& socket_path() const { return socket_path_; }

  // Reads queued datagrams until none is left or about limit were read
  // (every sender's connection gets its turn), calling back for each one
  // taken. Returns the number taken by this call. A callback may drain
  // again (a handler that runs the window loop does): the inner Drain hands
  // out the rest of the outer one's messages first, in order, each once.
  // A callback that throws has had its message; the exception goes on to
  // the caller, and the next Drain goes on with the rest.
  std::size_t Drain(const Callback& callback, std::size_t limit = kDrainLimit);

  const ReceiveStats& Stats() const { return stats_; }
  // Tells OnLoss of all losses now, when there were any.
  void ReportLosses();

 private:
  struct Connection {
    bool open = false;
    std::optional<Reject> refused;  // read to its end, every datagram refused for this
    pid_t pid = 0;
    bool seen = false;  // a message came: the unconnected count was taken
    std::uint64_t next = 0;  // the sequence number expected next
    std::uint64_t lostAtSender = 0, lostWithoutViewer = 0;
    std::uint64_t active = 0;  // when it last had input (ns)
  };
  // A message read and not yet handed out; its text lies in text_.
  struct Pending {
    std::uint64_t sent = 0;   // never later than when it was read
    std::uint64_t order = 0;  // the order read, for equal send times
    std::uint32_t textAt = 0;
    std::uint8_t textLength = 0;
    TraceMessage message = TraceMessage::kString;
    std::int32_t wparam = 0, lparam = 0;
  };

  TraceReceiver();
  void Accept();
  // Makes room for one more connection: false when there is none to close.
  bool Evict();
  // Ends the connection's input and reads what it has queued (taken or
  // refused as it comes); the caller closes it.
  void ReadToEnd(int fd);
  // Reads the connection to its end, every datagram refused for why, and closes it.
  void Refuse(int fd, pid_t pid, Reject why);
  void Close(int fd);
  // Reads one batch of the connection: the datagrams read; ended is set when
  // the connection is over (its sender gone or it failed). last: send time
  // of the last one read.
  std::size_t ReadBatch(int fd, bool& ended, std::uint64_t& last);
  void Take(Connection& c, const DecodedView& d, std::uint64_t now);
  void SetWaiting(bool waiting);
  // Drain's work: reads what is queued and hands out what may go.
  std::size_t ReadAndHandOut(const Callback& callback, std::size_t limit);
  // Ends a Drain (also one whose callback threw): the outermost one moves
  // what is left to the front, and tells of losses when report is set.
  void Leave(bool report);
  void MaybeReport(std::uint64_t now, bool force);

  int fd_ = -1;  // the listening socket
  uid_t uid_ = geteuid();  // whose connections are served
  int epoll_fd_ = -1;
  int waiting_fd_ = -1;  // readable while messages read wait in records_
  int spare_fd_ = -1;    // kept free so that a connection can always be taken and closed
  bool waiting_ = false;
  std::vector<Connection> connections_;  // by descriptor
  std::size_t open_ = 0;
  // [0, head_) handed out, [head_, ready_) cleared to go, [ready_, end) read,
  // waiting for what other senders sent before them.
  std::vector<Pending> records_;
  std::vector<char> text_;
  std::size_t head_ = 0, ready_ = 0;
  std::vector<int> active_;    // the connections a Drain reads
  std::vector<int> accepted_;  // those its Accept took
  std::vector<struct epoll_event> events_;
  int depth_ = 0;  // Drain calls running (a callback may drain again)
  std::uint64_t read_order_ = 0;
  // recvmmsg's buffers, reused by every read.
  struct Batch;
  std::unique_ptr<Batch> batch_;
  int lock_fd_ = -1;
  std::string socket_path_;
  dev_t socket_dev_ = 0;
  ino_t socket_ino_ = 0;
  ReceiveStats stats_;
  std::uint64_t reported_ = 0;  // losses told so far
  std::uint64_t reportedAt_ = 0;

 public:
  ~TraceReceiver();
  // Told of losses (see above); none by default.
  std::function<void(const LossReport&)> OnLoss;
};

// Checks the ancillary data of one received datagram: nothing may come along
// but, at most, credentials of this uid. Any file descriptors passed along
// are closed here, so a sender cannot fill the viewer's descriptor table.
// msg_flags must be those recvmsg returned.
std::optional<Reject> CheckAncillary(const msghdr& message, uid_t expected_uid);

}  // namespace plat::ipc
