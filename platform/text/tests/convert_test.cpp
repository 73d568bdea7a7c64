#include "platform/convert.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/exception.h"

namespace {

struct Case {
  std::string text;
  std::optional<std::int32_t> value;  // nullopt: a conversion error
};

// The integer-text grammar in one table: every row also runs through the
// non-throwing forms, which must agree with StrToInt.
const Case kCases[] = {
    {"10", 10},
    {"$20", 32},
    {"0x30", 48},
    {"0X30", 48},
    {" 7", 7},
    {"   42", 42},
    {"7 ", std::nullopt},
    {"\t7", std::nullopt},  // only spaces are skipped
    {"-1", -1},
    {"+5", 5},
    {"-0", 0},
    {"0", 0},
    {"007", 7},
    {"00000000002147483647", 2147483647},
    {"$FFFFFFFF", -1},
    {"$ffffffff", -1},
    {"$80000000", INT32_MIN},
    {"$000000000001", 1},
    {"$100000000", std::nullopt},
    {"2147483647", 2147483647},
    {"2147483648", std::nullopt},
    {"-2147483648", INT32_MIN},
    {"-2147483649", std::nullopt},
    {"99999999999999999999", std::nullopt},
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"$", std::nullopt},
    {"0x", std::nullopt},
    {"x", std::nullopt},
    {"-", std::nullopt},
    {"+", std::nullopt},
    {"abc", std::nullopt},
    {"1a", std::nullopt},
    {"x1F", 31},
    {"X1f", 31},
    {"-$1", std::nullopt},
    {"+0x1", std::nullopt},
    {"0x-1", std::nullopt},
    {"$ 1", std::nullopt},
    {"- 1", std::nullopt},
    {"1 2", std::nullopt},
    {"0b101", std::nullopt},
    {"1e3", std::nullopt},
    {"$G", std::nullopt},
    {std::string("1\0", 2), std::nullopt},
    {"\xEF\xBC\x91", std::nullopt},  // a full-width digit is no digit
};

TEST(StrToInt, FollowsTheGrammarTable) {
  for (const Case& c : kCases) {
    SCOPED_TRACE("text: '" + c.text + "'");
    std::int32_t tried = 12345;
    const bool ok = plat::TryStrToInt(c.text, tried);
    if (c.value) {
      EXPECT_EQ(plat::StrToInt(c.text), *c.value);
      EXPECT_TRUE(ok);
      EXPECT_EQ(tried, *c.value);
      EXPECT_EQ(plat::StrToIntDef(c.text, 777), *c.value);
    } else {
      EXPECT_THROW(plat::StrToInt(c.text), plat::EConvertError);
      EXPECT_FALSE(ok);
      EXPECT_EQ(tried, 12345) << "a failed conversion must leave the value alone";
      EXPECT_EQ(plat::StrToIntDef(c.text, 777), 777);
    }
  }
}

TEST(StrToInt, ErrorNamesTheTextExactly) {
  for (const std::string text : {"abc", "", "7 ", "100%s%n"}) {
    try {
      plat::StrToInt(text);
      ADD_FAILURE() << "no error for '" << text << "'";
    } catch (const plat::EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + text + "' is not a valid integer value");
      EXPECT_STREQ(e.what(), e.Message().c_str());
    }
  }
}

TEST(IntToText, DecimalAndHexadecimal) {
  EXPECT_EQ(plat::IntToStr(0), "0");
  EXPECT_EQ(plat::IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(plat::IntToStr(4294967295u), "4294967295");

  struct Hex {
    std::uint32_t value;
    int digits;
    std::string text;
  };
  const Hex hex[] = {
      {0, 0, "0"},       {10, 1, "A"},           {10, 4, "000A"},
      {0xABCDEF, 2, "ABCDEF"}, {static_cast<std::uint32_t>(-1), 2, "FFFFFFFF"},
      {1, -5, "1"},      {1, 40, std::string(31, '0') + "1"},
  };
  for (const Hex& h : hex) {
    EXPECT_EQ(plat::IntToHex(h.value, h.digits), h.text) << h.value << " / " << h.digits;
  }
}

TEST(IntToText, RoundTripsThroughStrToInt) {
  for (const std::int32_t v : {0, 1, -1, 255, 65535, 2147483647, -2147483647 - 1}) {
    EXPECT_EQ(plat::StrToInt(plat::IntToStr(v)), v);
    EXPECT_EQ(plat::StrToInt(std::string("$").append(plat::IntToHex(static_cast<std::uint32_t>(v), 8))), v);
  }
}

}  // namespace
