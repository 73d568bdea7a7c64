#pragma once
// The trace protocol between trace clients and the viewer.
//
// The viewer accepts six registered messages. In place of registered window
// messages and global atoms, each message travels as one datagram on the
// viewer's per-user socket (see trace_receiver.h). A datagram carries the
// registered message's name, its two parameters and, in place of a global atom,
// the atom's text.
//
// Wire layout (every multi-byte integer little-endian, no padding):
//
//   offset  size  field
//   0       4     magic: the bytes 'L' 'V' 'T' 'R'
//   4       2     protocol version, unsigned (kProtocolVersion)
//   6       1     N: length of the message name, 1 to kMaxNameLength
//   7       N     message name, ASCII, no terminator: "WM_TRACE_STRING",
//                 "WM_TRACE_SETCOLOR", "WM_TRACE_SETDEVICE",
//                 "WM_TRACE_SETFILENAME", "WM_TRACE_START" or "WM_TRACE_STOP"
//                 (matched exactly, case included)
//   7+N     4     wParam, signed 32-bit: the TraceChannel
//   11+N    4     lParam, signed 32-bit: the colour (0x00BBGGRR) or the media
//                 bits; 0 for the other messages
//   15+N    1     T: length of the atom text, 0 to kMaxAtomText
//   16+N    T     atom text, 8-bit, no terminator, no NUL byte; empty for the
//                 messages without an atom
//   16+N+T  8     sent: unsigned 64-bit, the sender's CLOCK_MONOTONIC in
//                 nanoseconds when it sent the message
//   24+N+T  8     sequence: unsigned 64-bit, the message's number among those
//                 its sender had for this connection, from 0 (one the sender
//                 dropped, its queue full, still took a number)
//   32+N+T  8     unconnected: unsigned 64-bit, how many messages the sender
//                 dropped without any connection (no viewer ran, or none took
//                 it) before it made this one; the same in every message of a
//                 connection
//
// A datagram is exactly 40 + N + T bytes long, so at most kMaxDatagramSize.
//
// The two counters tell the viewer what never reached it: a gap in the
// sequence is what the sender dropped on the way, and the unconnected count
// what it dropped before the connection existed.
//
// The monotonic clock is one for the whole machine: the viewer hands the
// messages of several senders on in the order they were sent, as one window
// queue would have had them (each sender has a connection of its own).
// Fields a message does not use are sent as 0 or empty, and read back as 0 or
// empty whatever a sender put there.
//
// An atom read into a 255-character buffer yields at most 254 characters: the
// sender cuts a record to that, and the receiver rejects anything longer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace plat::ipc {

inline constexpr std::array<std::uint8_t, 4> kMagic = {'L', 'V', 'T', 'R'};
inline constexpr std::uint16_t kProtocolVersion = 3;
inline constexpr std::size_t kMaxNameLength = 32;
inline constexpr std::size_t kMaxAtomText = 254;
inline constexpr std::size_t kHeaderSize = 7;  // magic, version, name length
inline constexpr std::size_t kMaxDatagramSize = kHeaderSize + kMaxNameLength + 9 + kMaxAtomText + 24;
// The two counters are the datagram's last bytes, set by the sender as it sends.
inline constexpr std::size_t kCountersSize = 16;

// The six registered messages, in the order of their names above.
enum class TraceMessage : std::uint8_t {
  kString,       // wParam channel, text: the record "process#~date#~time#~text"
  kSetColor,     // wParam channel, lParam colour 0x00BBGGRR
  kSetDevice,    // wParam channel, lParam media bits (1 window, 2 printer, 4 file)
  kSetFileName,  // wParam channel, text: the channel's trace file path
  kStart,        // no parameters
  kStop,         // no parameters
};
inline constexpr std::size_t kMessageCount = 6;

// The registered name of a message ("WM_TRACE_STRING").
std::string_view MessageName(TraceMessage message);
// The message of a registered name; empty for any other text.
std::optional<TraceMessage> MessageFromName(std::string_view name);
// True for the two messages whose text stands in for a global atom.
bool CarriesText(TraceMessage message);

// Why a datagram was not taken. Decode gives the first eight; the receiver adds
// the last four, which concern the datagram's ancillary data and its connection.
enum class Reject : std::uint8_t {
  kTruncated,       // ends before a field it announces
  kOversized,       // longer than kMaxDatagramSize
  kBadMagic,        // not a trace datagram at all
  kOldVersion,      // protocol version below ours
  kNewVersion,      // protocol version above ours
  kUnknownMessage,  // a name that is none of the six
  kMalformed,       // name length 0 or too long, NUL in the text, bytes after the text
  kTextTooLong,     // text longer than an atom yields
  kNoCredentials,   // the connection's peer credentials could not be read
  kForeignUser,     // sent by another user
  kControlData,     // carried file descriptors or other ancillary data
  kTooManySenders,  // came on a connection there was no room for
};
inline constexpr std::size_t kRejectCount = 12;
// A short name for logs and counters ("truncated").
std::string_view RejectName(Reject reason);

// One decoded message.
struct TraceDatagram {
  TraceMessage message = TraceMessage::kString;
  std::int32_t wparam = 0;
  std::int32_t lparam = 0;
  std::string text;  // empty for messages without an atom

  bool operator==(const TraceDatagram&) const = default;
};

// The bytes of one encoded datagram; no allocation, so a sender can build it on
// any thread without touching the heap.
struct Datagram {
  std::array<std::uint8_t, kMaxDatagramSize> bytes{};
  std::size_t size = 0;
  std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

// This machine's CLOCK_MONOTONIC in nanoseconds.
std::uint64_t MonotonicNanoseconds();

// The text as an atom would hold it: up to the first NUL (the atom's name is a
// zero-terminated string) and at most kMaxAtomText bytes. A cut never splits a
// UTF-8 sequence: a sequence that would not fit whole is left out.
std::string_view CutToAtom(std::string_view text);

// Encodes one message. The text counts only for the messages that carry one,
// and is cut with CutToAtom - except for a file name: a cut path would name
// another file, so a path that an atom cannot hold whole is not encoded at all
// (empty result). lParam is sent only for the messages that use it.
// The datagram says it was sent at sent (by default: now).
std::optional<Datagram> Encode(TraceMessage message, std::int32_t wparam, std::int32_t lparam,
                               std::string_view text, std::uint64_t sent = MonotonicNanoseconds());

// Writes the sequence number and the unconnected count into an encoded datagram.
void SetCounters(Datagram& datagram, std::uint64_t sequence, std::uint64_t unconnected);

// What a datagram says besides its message.
struct DatagramCounters {
  std::uint64_t sent = 0;         // when its sender sent it (CLOCK_MONOTONIC, ns)
  std::uint64_t sequence = 0;     // its number on its connection
  std::uint64_t unconnected = 0;  // dropped by its sender before the connection
};

struct DecodeResult : DatagramCounters {
  std::optional<Reject> error;  // empty: message is valid
  TraceDatagram message;
  bool ok() const { return !error; }
};

// Decodes one datagram, trusting nothing in it: any departure from the layout
// above yields a reason, never a read outside bytes.
DecodeResult Decode(std::span<const std::uint8_t> bytes);

// The same without a copy: the text stays in bytes, which must outlive it.
struct DecodedView : DatagramCounters {
  std::optional<Reject> error;
  TraceMessage message = TraceMessage::kString;
  std::int32_t wparam = 0;
  std::int32_t lparam = 0;
  std::string_view text;
  bool ok() const { return !error; }
};
DecodedView DecodeInPlace(std::span<const std::uint8_t> bytes);

}  // namespace plat::ipc
