#include "platform/ipc/trace_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace plat::ipc;
using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const Datagram& d) { return Bytes(d.view().begin(), d.view().end()); }

Bytes EncodeOk(TraceMessage m, std::int32_t w, std::int32_t l, std::string_view text, std::uint64_t sent = 7) {
  auto d = Encode(m, w, l, text, sent);
  EXPECT_TRUE(d.has_value());
  return d ? ToBytes(*d) : Bytes{};
}

TEST(TraceProtocol, LayoutIsTheDocumentedOne) {
  const Bytes expected = {
      'L', 'V', 'T', 'R', 3, 0,                              // magic, version 3
      20, 'W', 'M', '_', 'T', 'R', 'A', 'C', 'E', '_', 'S',  // name
      'E', 'T', 'F', 'I', 'L', 'E', 'N', 'A', 'M', 'E',      //
      0xFE, 0xFF, 0xFF, 0xFF,                                // wParam -2
      0, 0, 0, 0,                                            // lParam unused
      3, 'a', '/', 'b',                                      // text
      8, 7, 6, 5, 4, 3, 2, 1,                                // sent
      0x22, 0x11, 0, 0, 0, 0, 0, 0,                          // sequence
      5, 0, 0, 0, 0, 0, 0, 0x80,                             // unconnected
  };
  auto numbered = Encode(TraceMessage::kSetFileName, -2, 77, "a/b", 0x0102030405060708u);
  ASSERT_TRUE(numbered);
  SetCounters(*numbered, 0x1122, 0x8000000000000005u);
  EXPECT_EQ(ToBytes(*numbered), expected);
  const DecodeResult r = Decode(expected);
  EXPECT_EQ(r.sent, 0x0102030405060708u);
  EXPECT_EQ(r.sequence, 0x1122u);
  EXPECT_EQ(r.unconnected, 0x8000000000000005u);

  Bytes colour = EncodeOk(TraceMessage::kSetColor, 3, 0x00123456, "ignored", 0);
  Bytes tail = {3, 0, 0, 0, 0x56, 0x34, 0x12, 0x00, 0};  // wParam, lParam, no text
  tail.resize(tail.size() + 24, 0);                       // sent, sequence, unconnected: 0 until sent
  ASSERT_EQ(colour.size(), 7 + 17 + tail.size());
  EXPECT_EQ(Bytes(colour.end() - static_cast<long>(tail.size()), colour.end()), tail);
}

struct RoundTripCase {
  const char* what;
  TraceMessage message;
  std::int32_t wparam, lparam;
  std::string text;
  TraceDatagram expected;  // what the receiver reads
};

TEST(TraceProtocol, EveryMessageRoundTrips) {
  const std::string longest(254, 'x');
  const RoundTripCase cases[] = {
      {"record", TraceMessage::kString, 3, 99, "kestrum#~10.12.2026#~14:03:07.123#~hi",
       {TraceMessage::kString, 3, 0, "kestrum#~10.12.2026#~14:03:07.123#~hi"}},
      {"empty record", TraceMessage::kString, 1, 0, "", {TraceMessage::kString, 1, 0, ""}},
      {"longest record", TraceMessage::kString, 30, 0, longest,
       {TraceMessage::kString, 30, 0, longest}},
      {"channel out of range kept", TraceMessage::kString, -5, 0, "x",
       {TraceMessage::kString, -5, 0, "x"}},
      {"colour", TraceMessage::kSetColor, 7, 0x00FF8000, "junk",
       {TraceMessage::kSetColor, 7, 0x00FF8000, ""}},
      {"media", TraceMessage::kSetDevice, 2, 5, "", {TraceMessage::kSetDevice, 2, 5, ""}},
      {"extreme parameters", TraceMessage::kSetDevice, INT32_MIN, INT32_MAX, "",
       {TraceMessage::kSetDevice, INT32_MIN, INT32_MAX, ""}},
      {"file name", TraceMessage::kSetFileName, 4, 1, "/home/u/trace 4.txt",
       {TraceMessage::kSetFileName, 4, 0, "/home/u/trace 4.txt"}},
      {"start", TraceMessage::kStart, 9, 9, "x", {TraceMessage::kStart, 0, 0, ""}},
      {"stop", TraceMessage::kStop, 9, 9, "", {TraceMessage::kStop, 0, 0, ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = EncodeOk(c.message, c.wparam, c.lparam, c.text);
    DecodeResult r = Decode(b);
    ASSERT_TRUE(r.ok()) << RejectName(*r.error);
    EXPECT_EQ(r.message, c.expected);
  }
}

TEST(TraceProtocol, NamesAreTheRegisteredOnes) {
  const char* names[] = {"WM_TRACE_STRING", "WM_TRACE_SETCOLOR", "WM_TRACE_SETDEVICE",
                         "WM_TRACE_SETFILENAME", "WM_TRACE_START", "WM_TRACE_STOP"};
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    auto m = static_cast<TraceMessage>(i);
    EXPECT_EQ(MessageName(m), names[i]);
    EXPECT_EQ(MessageFromName(names[i]), m);
  }
  EXPECT_FALSE(MessageFromName("wm_trace_string"));
  EXPECT_FALSE(MessageFromName("WM_TRACE_STRING "));
  EXPECT_FALSE(MessageFromName(""));
}

TEST(TraceProtocol, TextIsCutAsAnAtomHoldsIt) {
  const std::string a254(254, 'a');
  struct {
    const char* what;
    std::string in;
    std::string out;
  } cases[] = {
      {"short", "abc", "abc"},
      {"exactly 254", a254, a254},
      {"255 cut to 254", a254 + "b", a254},
      {"far too long", std::string(1000, 'z'), std::string(254, 'z')},
      {"stops at NUL", std::string("ab\0cd", 5), "ab"},
      {"two-byte letter across the cut left out", std::string(253, 'a') + "\xC3\xBC", std::string(253, 'a')},
      {"two-byte letter that fits kept", std::string(252, 'a') + "\xC3\xBC" + "z",
       std::string(252, 'a') + "\xC3\xBC"},
      {"three-byte sign across the cut left out", std::string(252, 'a') + "\xE2\x82\xAC",
       std::string(252, 'a')},
      {"stray continuation bytes: plain cut", std::string(250, 'a') + std::string(10, '\x80'),
       std::string(250, 'a') + std::string(4, '\x80')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(std::string(CutToAtom(c.in)), c.out);
    Bytes b = EncodeOk(TraceMessage::kString, 1, 0, c.in);
    DecodeResult r = Decode(b);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.message.text, c.out);
  }
}

TEST(TraceProtocol, FileNameIsNeverCut) {
  // A cut path would name another file; such a path does not travel at all.
  EXPECT_TRUE(Encode(TraceMessage::kSetFileName, 1, 0, std::string(254, 'p')));
  EXPECT_FALSE(Encode(TraceMessage::kSetFileName, 1, 0, std::string(255, 'p')));
}

// A valid datagram to spoil: "WM_TRACE_STRING" (15 characters) with text "hi".
Bytes Valid() { return EncodeOk(TraceMessage::kString, 3, 0, "hi"); }
constexpr std::size_t kNameAt = 7, kTextLengthAt = 7 + 15 + 8;

TEST(TraceProtocol, DecodeRejectsEveryDeparture) {
  struct Case {
    const char* what;
    Bytes bytes;
    Reject why;
  };
  auto with = [](auto change) {
    Bytes b = Valid();
    change(b);
    return b;
  };
  Bytes long_text = Valid();
  long_text[kTextLengthAt] = 255;
  long_text.resize(kTextLengthAt + 1);
  long_text.insert(long_text.end(), 255, 'x');

  const Case cases[] = {
      {"empty", {}, Reject::kTruncated},
      {"wrong magic", with([](Bytes& b) { b[0] = 'X'; }), Reject::kBadMagic},
      {"short and wrong magic", {'L', 'V', 'X'}, Reject::kTruncated},
      {"older version", with([](Bytes& b) { b[4] = 1; }), Reject::kOldVersion},
      {"much older version", with([](Bytes& b) { b[4] = 0; }), Reject::kOldVersion},
      {"newer version", with([](Bytes& b) { b[4] = 4; }), Reject::kNewVersion},
      {"much newer version", with([](Bytes& b) { b[5] = 1; }), Reject::kNewVersion},
      {"name length zero", with([](Bytes& b) { b[6] = 0; }), Reject::kMalformed},
      {"name length too long", with([](Bytes& b) { b[6] = 33; }), Reject::kMalformed},
      {"unknown name", with([](Bytes& b) { b[kNameAt + 14] = 'X'; }), Reject::kUnknownMessage},
      {"name in other case", with([](Bytes& b) { b[kNameAt] = 'w'; }), Reject::kUnknownMessage},
      {"text announced longer than sent", with([](Bytes& b) { b[kTextLengthAt] = 3; }),
       Reject::kTruncated},
      {"byte after the text", with([](Bytes& b) { b.push_back('!'); }), Reject::kMalformed},
      {"NUL inside the text", with([](Bytes& b) { b[kTextLengthAt + 2] = 0; }), Reject::kMalformed},
      {"no send time", with([](Bytes& b) { b.resize(b.size() - 24); }), Reject::kTruncated},
      {"no unconnected count", with([](Bytes& b) { b.resize(b.size() - 8); }), Reject::kTruncated},
      {"text longer than an atom", long_text, Reject::kTextTooLong},
      {"oversized", Bytes(kMaxDatagramSize + 1, 'L'), Reject::kOversized},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DecodeResult r = Decode(c.bytes);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(*r.error, c.why) << RejectName(*r.error);
    EXPECT_EQ(r.message, TraceDatagram{});
  }
}

TEST(TraceProtocol, EveryCutOfAValidDatagramIsTruncated) {
  const Bytes whole = Valid();
  for (std::size_t n = 0; n < whole.size(); ++n) {
    SCOPED_TRACE(n);
    DecodeResult r = Decode(std::span(whole.data(), n));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(*r.error, Reject::kTruncated);
  }
  EXPECT_TRUE(Decode(whole).ok());
}

}  // namespace
