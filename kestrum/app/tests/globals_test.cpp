// The Globals unit: node texts and their parser, kind words, output-data bytes
// and result texts.

#include "kestrum/app/globals.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/exception.h"

namespace {

using namespace kestrum;

TEST(NodeTexts, AreTheTreeFormsOfDevicesAndConnections) {
  EXPECT_EQ(DeviceNodeText(7), "Device 7");
  EXPECT_EQ(DeviceNodeText(42), "Device 42");
  struct Case {
    std::uint8_t kind;
    int input, output;
    const char* text;
    int image;
  } cases[] = {
      {kPoll, 8, 4, "Poll ( Input 8 , Output 4 )", 3},
      {kStrobe, 2, 9, "Strobe ( Input 2 )", 4},  // no output length shown
      {kCOS, 447, 0, "COS ( Input 447 , Output 0 )", 5},
      {kCyclic, 0, 12, "Cyclic ( Input 0 , Output 12 )", 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConnectionNodeText(c.kind, c.input, c.output), c.text);
    EXPECT_EQ(ConnectionNodeImage(c.kind), c.image) << c.text;
  }
  EXPECT_EQ(ConnectionNodeText(0, 1, 1), "");
  EXPECT_EQ(ConnectionNodeText(5, 1, 1), "");
}

TEST(KindWords, NameTheFourKindsAndMatchOnlyExactly) {
  const char* words[] = {"", "Poll", "Strobe", "COS", "Cyclic", ""};
  for (std::uint8_t kind = 0; kind <= 5; ++kind) {
    EXPECT_EQ(KindWord(kind), words[kind]) << int{kind};
    if (kind >= 1 && kind <= 4) {
      EXPECT_EQ(KindOfWord(words[kind]), kind);
    }
  }
  for (const char* other : {"poll", "POLL", "Cos", "Poll ", "", "Strob"}) {
    EXPECT_EQ(KindOfWord(other), 0) << other;
  }
}

struct Parsed {
  std::int32_t result;
  std::uint8_t mac, kind;
  std::uint16_t input, output;
  bool operator==(const Parsed&) const = default;
};
void PrintTo(const Parsed& p, std::ostream* os) {
  *os << "{" << p.result << ", mac " << int{p.mac} << ", kind " << int{p.kind} << ", in " << p.input << ", out "
      << p.output << "}";
}

// Outputs start at 99 so that an output the parser leaves alone shows.
Parsed Parse(const std::string& device, const std::string& connection) {
  Parsed p{0, 99, 99, 99, 99};
  p.result = ParseDeviceNodeText(device, connection, p.mac, p.kind, p.input, p.output);
  return p;
}

TEST(ParseDeviceNodeText, ReadsBackWhatTheTreesWrite) {
  struct Case {
    const char* device;
    const char* connection;
    Parsed expected;
  } cases[] = {
      {"Device 5", "Poll ( Input 8 , Output 4 )", {0, 5, 1, 8, 4}},
      {"Device 50", "COS ( Input 2 , Output 2 )", {0, 50, 3, 2, 2}},
      {"Device 63", "Cyclic ( Input 447 , Output 447 )", {0, 63, 4, 447, 447}},
      {"Device 0", "Strobe ( Input 1 )", {0, 0, 2, 1, 0}},
      // Only the MAC ID without a connection.
      {"Device 12", "", {-1, 12, 99, 99, 99}},
      // An unknown word leaves the kind alone; the lengths are still read.
      {"Device 3", "Bogus ( Input 7 , Output 6 )", {0, 3, 99, 7, 6}},
      // The word is cut at six characters, so "Cyclicx" reads as Cyclic.
      {"Device 3", "Cyclicx ( Input 7 , Output 6 )", {0, 3, 4, 7, 6}},
      // Characters other than digits inside a range are skipped.
      {"Device 3", "Poll ( Input 1x2 , Output 3 4 )", {0, 3, 1, 12, 34}},
      // A 10-character device text takes the 8th character alone.
      {"Device 123", "", {-1, 1, 99, 99, 99}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Parse(c.device, c.connection), c.expected) << c.device << " / " << c.connection;
  }
}

TEST(ParseDeviceNodeText, TextsWithoutTheirNumbersRaiseTheConversionErrorAndReadNothingBeyondThem) {
  struct Case {
    const char* device;
    const char* connection;
  } cases[] = {
      {"Device", ""},                 // shorter than the number's position: nothing read past the end
      {"", "Poll ( Input 8 , Output 4 )"},
      {"Device ", ""},
      {"Device X", ""},
      {"Device 5", "Poll"},            // no "Input", no ",": an empty range
      {"Device 5", "Poll ( Input 8 , Output"},  // no ")" for the output
      {"Device 5", "Strobe ( Input 8"},         // no ")" for a Strobe input
  };
  for (const Case& c : cases) {
    std::uint8_t mac = 0, kind = 0;
    std::uint16_t input = 0, output = 0;
    EXPECT_THROW(ParseDeviceNodeText(c.device, c.connection, mac, kind, input, output), plat::EConvertError)
        << c.device << " / " << c.connection;
  }
}

TEST(HexTextToByte, ReadsOneOrTwoDigitsAndCountsAnythingElseAsZero) {
  struct Case {
    const char* text;
    std::uint8_t value;
  } cases[] = {
      {"0", 0x00},  {"9", 0x09},  {"a", 0x0A},  {"F", 0x0F},   {"00", 0x00},
      {"A0", 0xA0}, {"ff", 0xFF}, {"0a", 0x0A}, {"1F7", 0x1F},  // the rest is ignored
      {"", 0x00},   {"G", 0x00},  {"G1", 0x01}, {"1G", 0x10},  {" 1", 0x01}, {"-", 0x00},
  };
  for (const Case& c : cases) EXPECT_EQ(HexTextToByte(c.text), c.value) << '"' << c.text << '"';
}

TEST(ErrorCodeText, IsTheDecimalNumber) {
  EXPECT_EQ(ErrorCodeText(0), "0");
  EXPECT_EQ(ErrorCodeText(1002), "1002");
  EXPECT_EQ(ErrorCodeText(-39), "-39");
  EXPECT_EQ(ErrorCodeText(10023), "10023");
}

}  // namespace
