#include "platform/convert.h"

#include "platform/exception.h"

namespace plat {
namespace {

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Parse(std::string_view text, std::int32_t& value) noexcept {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size()) return false;

  std::size_t hex_start = std::string_view::npos;
  if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
    hex_start = i + 1;
  } else if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex_start = i + 2;
  }

  if (hex_start != std::string_view::npos) {
    if (hex_start == text.size()) return false;
    std::uint64_t pattern = 0;
    for (std::size_t k = hex_start; k < text.size(); ++k) {
      const int d = HexDigit(text[k]);
      if (d < 0) return false;
      pattern = pattern * 16 + static_cast<unsigned>(d);
      if (pattern > 0xFFFFFFFFu) return false;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(pattern));
    return true;
  }

  bool negative = false;
  if (text[i] == '-' || text[i] == '+') {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  // Accumulated as a magnitude, whose limit is one larger for negative values.
  const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    if (magnitude > limit) return false;
  }
  const auto signed_magnitude = static_cast<std::int64_t>(magnitude);
  value = static_cast<std::int32_t>(negative ? -signed_magnitude : signed_magnitude);
  return true;
}

}  // namespace

std::string InvalidIntegerMessage(std::string_view text) {
  // Put together by hand: the text is the user's and may hold any byte.
  std::string message = "'";
  message.append(text);
  message.append("' is not a valid integer value");
  return message;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t value = 0;
  if (!Parse(text, value)) throw EConvertError(InvalidIntegerMessage(text));
  return value;
}

bool TryStrToInt(std::string_view text, std::int32_t& value) noexcept {
  std::int32_t parsed = 0;
  if (!Parse(text, parsed)) return false;
  value = parsed;
  return true;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t default_value) noexcept {
  std::int32_t value = default_value;
  TryStrToInt(text, value);
  return value;
}

std::string IntToStr(std::int64_t value) {
  return std::to_string(value);
}

std::string IntToHex(std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (digits > 32) digits = 32;
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xFu]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  }
  return text;
}

}  // namespace plat
