#include "platform/ipc/trace_protocol.h"

#include <time.h>

#include <algorithm>
#include <cstring>

namespace plat::ipc {
namespace {

constexpr std::array<std::string_view, kMessageCount> kNames = {
    "WM_TRACE_STRING", "WM_TRACE_SETCOLOR", "WM_TRACE_SETDEVICE",
    "WM_TRACE_SETFILENAME", "WM_TRACE_START", "WM_TRACE_STOP",
};
static_assert(std::all_of(kNames.begin(), kNames.end(),
                          [](std::string_view n) { return n.size() <= kMaxNameLength; }));

constexpr std::array<std::string_view, kRejectCount> kRejectNames = {
    "truncated", "oversized", "bad magic", "old version", "new version", "unknown message",
    "malformed", "text too long", "no credentials", "foreign user", "control data", "too many senders",
};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
bool IsLead(unsigned char c) { return c >= 0xC0 && c <= 0xF7; }

// Reads the datagram front to back; every read checks what is left first.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Has(std::size_t n) const { return bytes_.size() - pos_ >= n; }
  std::size_t Left() const { return bytes_.size() - pos_; }
  std::uint8_t U8() { return bytes_[pos_++]; }
  std::uint16_t U16() {
    auto v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::uint64_t U64() {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | bytes_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 8;
    return v;
  }
  std::int32_t I32() {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return static_cast<std::int32_t>(v);
  }
  std::string_view Text(std::size_t n) {
    std::string_view s(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
    pos_ += n;
    return s;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

class Writer {
 public:
  explicit Writer(Datagram& d) : d_(d) { d_.size = 0; }
  void U8(std::uint8_t v) { d_.bytes[d_.size++] = v; }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void I32(std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, v >>= 8) U8(static_cast<std::uint8_t>(v));
  }
  void U64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i, v >>= 8) U8(static_cast<std::uint8_t>(v));
  }
  void Text(std::string_view s) {
    if (s.empty()) return;  // an empty view may carry no pointer at all
    std::memcpy(d_.bytes.data() + d_.size, s.data(), s.size());
    d_.size += s.size();
  }

 private:
  Datagram& d_;
};

bool UsesWParam(TraceMessage m) { return m != TraceMessage::kStart && m != TraceMessage::kStop; }
bool UsesLParam(TraceMessage m) { return m == TraceMessage::kSetColor || m == TraceMessage::kSetDevice; }

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, std::min(text.find('\0'), text.size()));
}

}  // namespace

std::string_view MessageName(TraceMessage message) {
  return kNames[static_cast<std::size_t>(message)];
}

std::optional<TraceMessage> MessageFromName(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (kNames[i] == name) return static_cast<TraceMessage>(i);
  return std::nullopt;
}

bool CarriesText(TraceMessage message) {
  return message == TraceMessage::kString || message == TraceMessage::kSetFileName;
}

std::string_view RejectName(Reject reason) {
  return kRejectNames[static_cast<std::size_t>(reason)];
}

std::string_view CutToAtom(std::string_view text) {
  text = UpToNul(text);
  if (text.size() <= kMaxAtomText) return text;
  std::size_t cut = kMaxAtomText;
  // The first byte left out continues a sequence: leave out the whole sequence.
  // More than three continuation bytes is no UTF-8; then the plain cut stands.
  std::size_t lead = cut;
  while (lead > 0 && cut - lead < 3 && IsContinuation(static_cast<unsigned char>(text[lead])))
    --lead;
  if (lead < cut && IsLead(static_cast<unsigned char>(text[lead]))) cut = lead;
  return text.substr(0, cut);
}

std::uint64_t MonotonicNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000000u + static_cast<std::uint64_t>(t.tv_nsec);
}

std::optional<Datagram> Encode(TraceMessage message, std::int32_t wparam, std::int32_t lparam,
                               std::string_view text, std::uint64_t sent) {
  std::string_view atom;
  if (message == TraceMessage::kSetFileName) {
    atom = UpToNul(text);
    if (atom.size() > kMaxAtomText) return std::nullopt;
  } else if (message == TraceMessage::kString) {
    atom = CutToAtom(text);
  }
  std::string_view name = MessageName(message);

  Datagram d;
  Writer w(d);
  for (std::uint8_t b : kMagic) w.U8(b);
  w.U16(kProtocolVersion);
  w.U8(static_cast<std::uint8_t>(name.size()));
  w.Text(name);
  w.I32(UsesWParam(message) ? wparam : 0);
  w.I32(UsesLParam(message) ? lparam : 0);
  w.U8(static_cast<std::uint8_t>(atom.size()));
  w.Text(atom);
  w.U64(sent);
  w.U64(0);  // sequence and unconnected count: the sender's, as it sends
  w.U64(0);
  return d;
}

void SetCounters(Datagram& datagram, std::uint64_t sequence, std::uint64_t unconnected) {
  std::uint8_t* at = datagram.bytes.data() + datagram.size - kCountersSize;
  for (int i = 0; i < 8; ++i, sequence >>= 8) at[i] = static_cast<std::uint8_t>(sequence);
  for (int i = 8; i < 16; ++i, unconnected >>= 8) at[i] = static_cast<std::uint8_t>(unconnected);
}

DecodedView DecodeInPlace(std::span<const std::uint8_t> bytes) {
  DecodedView r;
  auto fail = [&r](Reject why) {
    r = DecodedView{};
    r.error = why;
    return r;
  };
  if (bytes.size() > kMaxDatagramSize) return fail(Reject::kOversized);
  Reader in(bytes);
  if (!in.Has(kMagic.size())) return fail(Reject::kTruncated);
  for (std::uint8_t b : kMagic)
    if (in.U8() != b) return fail(Reject::kBadMagic);
  if (!in.Has(2)) return fail(Reject::kTruncated);
  std::uint16_t version = in.U16();
  if (version < kProtocolVersion) return fail(Reject::kOldVersion);
  if (version > kProtocolVersion) return fail(Reject::kNewVersion);
  if (!in.Has(1)) return fail(Reject::kTruncated);
  std::size_t name_length = in.U8();
  if (name_length == 0 || name_length > kMaxNameLength) return fail(Reject::kMalformed);
  if (!in.Has(name_length)) return fail(Reject::kTruncated);
  auto message = MessageFromName(in.Text(name_length));
  if (!message) return fail(Reject::kUnknownMessage);
  if (!in.Has(9)) return fail(Reject::kTruncated);
  r.message = *message;
  std::int32_t wparam = in.I32();
  std::int32_t lparam = in.I32();
  r.wparam = UsesWParam(*message) ? wparam : 0;
  r.lparam = UsesLParam(*message) ? lparam : 0;
  std::size_t text_length = in.U8();
  if (text_length > kMaxAtomText) return fail(Reject::kTextTooLong);
  if (!in.Has(text_length)) return fail(Reject::kTruncated);
  std::string_view text = in.Text(text_length);
  if (!in.Has(24)) return fail(Reject::kTruncated);
  r.sent = in.U64();
  r.sequence = in.U64();
  r.unconnected = in.U64();
  if (in.Left() != 0) return fail(Reject::kMalformed);
  if (text.find('\0') != std::string_view::npos) return fail(Reject::kMalformed);
  if (CarriesText(*message)) r.text = text;
  return r;
}

DecodeResult Decode(std::span<const std::uint8_t> bytes) {
  const DecodedView v = DecodeInPlace(bytes);
  DecodeResult r;
  r.error = v.error;
  if (!v.ok()) return r;
  static_cast<DatagramCounters&>(r) = v;
  r.message = {v.message, v.wparam, v.lparam, std::string(v.text)};
  return r;
}

}  // namespace plat::ipc
