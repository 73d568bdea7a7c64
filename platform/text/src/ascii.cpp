#include "platform/ascii.h"

namespace plat {

std::string AsciiFold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = AsciiLower(c);
  return folded;
}

bool SameText(std::string_view a, std::string_view b) noexcept {
  return CompareText(a, b) == 0;
}

int CompareText(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
    const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string_view TrimBlanks(std::string_view text) noexcept {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace plat
