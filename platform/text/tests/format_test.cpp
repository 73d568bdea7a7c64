#include "platform/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using plat::Format;
using plat::format_detail::CheckFormat;
using plat::format_detail::FormatError;

// The checks that stop the compilation of a wrong call, asked directly.
static_assert(CheckFormat<int>("%d") == FormatError::kNone);
static_assert(CheckFormat<const char*, std::string>("%s%s") == FormatError::kNone);
static_assert(CheckFormat<>("100%%") == FormatError::kNone);
static_assert(CheckFormat<std::string>("%d") == FormatError::kIntegerExpected);
static_assert(CheckFormat<int>("%s") == FormatError::kTextExpected);
static_assert(CheckFormat<bool>("%d") == FormatError::kIntegerExpected);
static_assert(CheckFormat<double>("%d") == FormatError::kIntegerExpected);
static_assert(CheckFormat<std::nullptr_t>("%s") == FormatError::kTextExpected);
static_assert(CheckFormat<const unsigned char*>("%s") == FormatError::kTextExpected);
static_assert(CheckFormat<>("%d") == FormatError::kTooFewArguments);
static_assert(CheckFormat<int, int>("%d") == FormatError::kTooManyArguments);
static_assert(CheckFormat<int>("50%") == FormatError::kLonePercent);
static_assert(CheckFormat<long>("%ld") == FormatError::kUnknownConversion);
static_assert(CheckFormat<double>("%f") == FormatError::kUnknownConversion);
static_assert(CheckFormat<int>("%*d") == FormatError::kUnknownConversion);
static_assert(CheckFormat<int>("%99999d") == FormatError::kFieldTooWide);

TEST(Format, ProducesPrintfText) {
  const unsigned char reply[] = {0x41, 0x05};
  const std::uint16_t word = 0x4241;
  const std::uint32_t dword = 5;
  const std::string user = "%s%d%n";  // a user's text is only ever data
  const char* none = nullptr;
  char buffer[8] = "buf";

  const struct {
    std::string got;
    std::string want;
  } cases[] = {
      {Format("Device %d", 5), "Device 5"},
      {Format("Poll ( Input %d , Output %d )", 8, 4), "Poll ( Input 8 , Output 4 )"},
      {Format("%u", 4294967295u), "4294967295"},
      {Format("%u", -1), "4294967295"},
      {Format("%X", 255), "FF"},
      {Format("%x", 255), "ff"},
      {Format("%X", -1), "FFFFFFFF"},
      {Format("%X", std::int8_t{-1}), "FFFFFFFF"},
      {Format("%X", std::int64_t{-1}), "FFFFFFFFFFFFFFFF"},
      {Format("(0x%X) ", reply[0]), "(0x41) "},
      {Format("(0x%X) ", reply[1]), "(0x5) "},
      {Format("(0x%02X) ", word), "(0x4241) "},
      {Format("(0x%02X) ", std::uint16_t{5}), "(0x05) "},
      {Format("(0x%04X) ", dword), "(0x0005) "},
      {Format("%c%c", reply[0], 'b'), "Ab"},
      {Format("%c", 0x141), "A"},
      {Format("Label%03d", 7), "Label007"},
      {Format("Label0%02d", 7), "Label007"},
      {Format("ID %02d", 30), "ID 30"},
      {Format("ID%dColor", 7), "ID7Color"},
      {Format("%d.%d%d", 1, 4, 1), "1.41"},
      {Format("'%s' is not a valid integer value", user), "'%s%d%n' is not a valid integer value"},
      {Format("%s|%s|%s", "lit", std::string_view("view"), buffer), "lit|view|buf"},
      {Format("[%s]", none), "[]"},
      {Format("[%5s][%-5s][%.2s]", "ab", "ab", "abcdef"), "[   ab][ab   ][ab]"},
      {Format("[%5d][%-5d][%05d][%+d][% d]", 42, 42, 42, 42, 42), "[   42][42   ][00042][+42][ 42]"},
      {Format("[%3c]", 'x'), "[  x]"},
      {Format("%#x %o", 255, 8), "0xff 10"},
      {Format("%d", std::uint64_t{18446744073709551615ull}), "18446744073709551615"},
      {Format("%d", std::int64_t{-9223372036854775807ll - 1}), "-9223372036854775808"},
      {Format("%d", std::uint32_t{4294967295u}), "4294967295"},
      {Format("%i", -7), "-7"},
      {Format("%.3d", 7), "007"},
      {Format("100%%"), "100%"},
      {Format("no conversions"), "no conversions"},
      {Format(""), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(Format, KeepsZeroBytesAndLongTexts) {
  const std::string with_zero("a\0b", 3);
  EXPECT_EQ(Format("<%s>", with_zero), std::string("<a\0b>", 5));
  EXPECT_EQ(Format("%c", 0), std::string(1, '\0'));

  const std::string long_text(100000, 'z');
  EXPECT_EQ(Format("%s!", long_text), long_text + "!");
  EXPECT_EQ(Format("%4000d", 1).size(), 4000u);
}

}  // namespace
