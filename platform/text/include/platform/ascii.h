#pragma once
// Comparing and trimming names the way the classic file and registry formats do:
// case is ignored for the letters A to Z only, every other byte compares as it is.

#include <string>
#include <string_view>

namespace plat {

constexpr char AsciiLower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with A to Z turned into a to z (a key for case-blind lookups).
std::string AsciiFold(std::string_view text);

// True when both texts are equal but for the case of A to Z.
bool SameText(std::string_view a, std::string_view b) noexcept;

// Orders two texts without regard to the case of A to Z: <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b) noexcept;

// The text without the blanks (spaces and tabs) at its start and end.
std::string_view TrimBlanks(std::string_view text) noexcept;

}  // namespace plat
