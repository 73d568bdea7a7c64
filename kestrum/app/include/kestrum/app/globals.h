#pragma once
// The Globals unit: the texts of the configuration trees' nodes and their
// parser, the words of the connection kinds, the output-data byte reader and
// the text of a driver result. Shared by the configuration, the network search
// and the I/O monitor; nothing here touches a window or the driver.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

// IOConnectionType: 1 Poll, 2 Strobe, 3 COS, 4 Cyclic (0: an empty scan-list entry).
inline constexpr std::uint8_t kPoll = 1;
inline constexpr std::uint8_t kStrobe = 2;
inline constexpr std::uint8_t kCOS = 3;
inline constexpr std::uint8_t kCyclic = 4;

// Picture indexes of the tree nodes in ImageList_Device (picture = selected picture).
inline constexpr int kDeviceNodeImage = 2;
// The connection node of kind k shows picture kDeviceNodeImage + k (3 Poll .. 6 Cyclic).
int ConnectionNodeImage(std::uint8_t kind);

// "Device %d"
std::string DeviceNodeText(int mac);
// "Poll ( Input %d , Output %d )"
std::string PollNodeText(int input_length, int output_length);
// "Strobe ( Input %d )": a Strobe connection shows no output length.
std::string StrobeNodeText(int input_length);
// "COS ( Input %d , Output %d )"
std::string COSNodeText(int input_length, int output_length);
// "Cyclic ( Input %d , Output %d )"
std::string CyclicNodeText(int input_length, int output_length);
// The node text of a connection of kind 1 to 4; empty for any other kind.
std::string ConnectionNodeText(std::uint8_t kind, int input_length, int output_length);

// "Poll", "Strobe", "COS", "Cyclic" for kinds 1 to 4; empty for any other.
std::string_view KindWord(std::uint8_t kind);
// The kind of one of the four words, compared exactly (case matters); 0 otherwise.
std::uint8_t KindOfWord(std::string_view word);

// Turns the texts of a device node and of one of its connection nodes back
// into numbers. Returns -1 when the connection text is empty (then only the MAC
// ID is written), else 0.
//   MAC ID: the 8th and 9th characters of a 9-character device text, else the
//     8th alone ("Device 5", "Device 50"); a text of fewer than 8 characters
//     has no MAC ID characters at all.
//   Kind: the connection text up to its first blank, at most six characters,
//     compared exactly with the four words; without a match it is not written.
//   Input length: the digits from just after the first "Input " up to the first
//     ")" (Strobe) or the first "," (the others); output length: 0 for Strobe,
//     else the digits from just after the first "Output " up to the first ")".
//     Other characters in those ranges are skipped; a range that runs past the
//     text ends with it.
// The MAC ID characters and each length's digits are converted by the
// framework's StrToInt: when they are empty or no number, its conversion
// error (plat::EConvertError) is thrown, with the outputs written so far kept.
std::int32_t ParseDeviceNodeText(std::string_view device_text, std::string_view connection_text,
                                 std::uint8_t& mac, std::uint8_t& kind, std::uint16_t& input_length,
                                 std::uint16_t& output_length);

// One output-data item as a byte. A text of exactly one character is one
// hexadecimal digit (0 to 15); any other length takes the first character as
// the high digit and the second as the low one and ignores the rest. A
// character that is no hexadecimal digit counts as 0, and so does the empty
// text: the items come from what a person typed, and a wrong character must
// neither crash nor reach beyond the text.
std::uint8_t HexTextToByte(std::string_view text);

// The text shown for a driver result: its decimal number (there is no table).
std::string ErrorCodeText(std::int32_t code);

}  // namespace kestrum
