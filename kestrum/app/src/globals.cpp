#include "kestrum/app/globals.h"

#include <algorithm>

#include "platform/convert.h"
#include "platform/format.h"

namespace kestrum {
namespace {

// The framework's Pos: the 1-based position of the first occurrence, 0 when absent.
std::size_t Pos(std::string_view needle, std::string_view text) {
  const std::size_t at = text.find(needle);
  return at == std::string_view::npos ? 0 : at + 1;
}

// The digits among the characters at the 1-based positions first up to, not
// including, end; positions outside the text hold nothing.
std::string DigitsBetween(std::string_view text, std::size_t first, std::size_t end) {
  std::string digits;
  end = std::min(end, text.size() + 1);
  for (std::size_t i = std::max<std::size_t>(first, 1); i < end; ++i) {
    const char c = text[i - 1];
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

std::uint8_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  return 0;
}

}  // namespace

int ConnectionNodeImage(std::uint8_t kind) { return kDeviceNodeImage + kind; }

std::string DeviceNodeText(int mac) { return plat::Format("Device %d", mac); }

std::string PollNodeText(int input_length, int output_length) {
  return plat::Format("Poll ( Input %d , Output %d )", input_length, output_length);
}

std::string StrobeNodeText(int input_length) { return plat::Format("Strobe ( Input %d )", input_length); }

std::string COSNodeText(int input_length, int output_length) {
  return plat::Format("COS ( Input %d , Output %d )", input_length, output_length);
}

std::string CyclicNodeText(int input_length, int output_length) {
  return plat::Format("Cyclic ( Input %d , Output %d )", input_length, output_length);
}

std::string ConnectionNodeText(std::uint8_t kind, int input_length, int output_length) {
  switch (kind) {
    case kPoll: return PollNodeText(input_length, output_length);
    case kStrobe: return StrobeNodeText(input_length);
    case kCOS: return COSNodeText(input_length, output_length);
    case kCyclic: return CyclicNodeText(input_length, output_length);
    default: return {};
  }
}

std::string_view KindWord(std::uint8_t kind) {
  switch (kind) {
    case kPoll: return "Poll";
    case kStrobe: return "Strobe";
    case kCOS: return "COS";
    case kCyclic: return "Cyclic";
    default: return {};
  }
}

std::uint8_t KindOfWord(std::string_view word) {
  for (std::uint8_t kind = kPoll; kind <= kCyclic; ++kind) {
    if (word == KindWord(kind)) return kind;
  }
  return 0;
}

std::int32_t ParseDeviceNodeText(std::string_view device_text, std::string_view connection_text,
                                 std::uint8_t& mac, std::uint8_t& kind, std::uint16_t& input_length,
                                 std::uint16_t& output_length) {
  // "Device 5" or "Device 50": the number starts at the 8th character. A
  // shorter text has no number there, which the conversion reports.
  std::string_view mac_text;
  if (device_text.size() == 9) {
    mac_text = device_text.substr(7, 2);
  } else if (device_text.size() >= 8) {
    mac_text = device_text.substr(7, 1);
  }
  mac = static_cast<std::uint8_t>(plat::StrToInt(mac_text));

  if (connection_text.empty()) return -1;

  const std::size_t blank = connection_text.find(' ');
  const std::string_view word = connection_text.substr(0, std::min<std::size_t>(blank, 6));
  if (const std::uint8_t k = KindOfWord(word); k != 0) kind = k;
  const bool strobe = word == "Strobe";

  const std::size_t input_end = strobe ? Pos(")", connection_text) : Pos(",", connection_text);
  input_length = static_cast<std::uint16_t>(
      plat::StrToInt(DigitsBetween(connection_text, Pos("Input", connection_text) + 6, input_end)));

  if (strobe) {
    output_length = 0;
  } else {
    output_length = static_cast<std::uint16_t>(plat::StrToInt(
        DigitsBetween(connection_text, Pos("Output", connection_text) + 6, Pos(")", connection_text))));
  }
  return 0;
}

std::uint8_t HexTextToByte(std::string_view text) {
  if (text.empty()) return 0;
  if (text.size() == 1) return HexDigit(text[0]);
  return static_cast<std::uint8_t>(HexDigit(text[0]) * 16 + HexDigit(text[1]));
}

std::string ErrorCodeText(std::int32_t code) { return plat::IntToStr(code); }

}  // namespace kestrum
