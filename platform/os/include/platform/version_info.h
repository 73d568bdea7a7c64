#pragma once
// Version information embedded in our own binaries, and a bounded reader that
// finds it in any program file or shared library.
//
// The block is a tree of nodes, all numbers little-endian, every node starting
// on a 4-byte boundary counted from the start of the block:
//   u16 length        bytes of the node from its start to the end of its last
//                     child (or of its value when it has no children)
//   u16 value length  bytes of the value (a text's value includes its NUL)
//   u16 type          0 binary value, 1 text value
//   key               bytes up to and including a NUL
//   padding to 4, the value, padding to 4, then the children.
// The root's key is "VS_VERSION_INFO" and its value the 52-byte fixed part
// (thirteen 32-bit words, the first the signature 0xFEEF04BD). Its children:
//   "StringFileInfo" > one table per translation, named by four lower-case hex
//                      digits of the language and four of the code page
//                      ("040904b0") > the text values ("ProductVersion"...);
//   "VarFileInfo" > "Translation": 32-bit words, the low half the language,
//                   the high half the code page.
// The block of a binary lives in its ELF section ".kestrum.version" (written
// by KESTRUM_VERSION_BLOCK below, built from the suite's version at build time).
//
// Reading never trusts the file: every length and offset is checked against
// what encloses it, and anything that does not fit reads as "no block".

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

inline constexpr std::uint32_t kVersionSignature = 0xFEEF04BD;
inline constexpr const char* kVersionSectionName = ".kestrum.version";
// A block is at most this long (its root's length is 16 bits).
inline constexpr std::size_t kMaxVersionBlock = 0xFFFF;

// The fixed part: thirteen 32-bit words.
struct FixedFileInfo {
  std::uint32_t dwSignature = 0;
  std::uint32_t dwStrucVersion = 0;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0;
  std::uint32_t dwFileType = 0;
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(FixedFileInfo) == 52);

// ---------------------------------------------------------------- building
// The whole block from a version "a.b.c[.d]" (each part 0 to 65535; missing
// parts are 0) and the text values of one table. Runs at compile time.
struct VersionText {
  std::string_view name;
  std::string_view value;
};

namespace version_detail {

constexpr void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
constexpr void Append32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}
constexpr void Align(std::vector<std::uint8_t>& b) {
  while (b.size() % 4 != 0) b.push_back(0);
}
// Starts a node: its header and key; answers where it starts.
constexpr std::size_t Begin(std::vector<std::uint8_t>& b, std::string_view key, std::size_t valueLength,
                            std::uint32_t type) {
  Align(b);
  const std::size_t at = b.size();
  for (int i = 0; i < 6; ++i) b.push_back(0);
  Put16(b, at + 2, static_cast<std::uint32_t>(valueLength));
  Put16(b, at + 4, type);
  for (char c : key) b.push_back(static_cast<std::uint8_t>(c));
  b.push_back(0);
  Align(b);
  return at;
}
constexpr void End(std::vector<std::uint8_t>& b, std::size_t at) {
  Put16(b, at, static_cast<std::uint32_t>(b.size() - at));
}
constexpr std::uint32_t Part(std::string_view version, int index) {
  std::uint32_t value = 0;
  int part = 0;
  for (char c : version) {
    if (c == '.') {
      ++part;
    } else if (part == index && c >= '0' && c <= '9') {
      value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
  }
  return value & 0xFFFF;
}
constexpr char Hex(std::uint32_t v) { return "0123456789abcdef"[v & 0xF]; }

}  // namespace version_detail

constexpr std::vector<std::uint8_t> BuildVersionBlock(std::string_view version, std::uint16_t language,
                                                      std::uint16_t codePage, std::span<const VersionText> texts) {
  using namespace version_detail;
  std::vector<std::uint8_t> b;
  const std::size_t root = Begin(b, "VS_VERSION_INFO", sizeof(FixedFileInfo), 0);
  const std::uint32_t ms = (Part(version, 0) << 16) | Part(version, 1);
  const std::uint32_t ls = (Part(version, 2) << 16) | Part(version, 3);
  const std::uint32_t fixed[13] = {kVersionSignature, 0x00010000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0};
  for (std::uint32_t w : fixed) Append32(b, w);

  const std::size_t strings = Begin(b, "StringFileInfo", 0, 1);
  char table[9] = {};
  for (int i = 0; i < 4; ++i) table[i] = Hex(static_cast<std::uint32_t>(language) >> (12 - 4 * i));
  for (int i = 0; i < 4; ++i) table[4 + i] = Hex(static_cast<std::uint32_t>(codePage) >> (12 - 4 * i));
  const std::size_t tableNode = Begin(b, std::string_view(table, 8), 0, 1);
  for (const VersionText& t : texts) {
    const std::size_t node = Begin(b, t.name, t.value.size() + 1, 1);
    for (char c : t.value) b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
    End(b, node);
  }
  End(b, tableNode);
  End(b, strings);

  const std::size_t vars = Begin(b, "VarFileInfo", 0, 1);
  const std::size_t translation = Begin(b, "Translation", 4, 0);
  Append32(b, static_cast<std::uint32_t>(language) | (static_cast<std::uint32_t>(codePage) << 16));
  End(b, translation);
  End(b, vars);
  End(b, root);
  return b;
}

// ---------------------------------------------------------------- reading
// The value of a node by its path ("\" the root's fixed part,
// "\VarFileInfo\Translation", "\StringFileInfo\040904b0\ProductVersion"):
// names compare without regard to the case of A to Z, empty names between
// backslashes are skipped. nullopt when the block is damaged or has no such
// node. The span points into the block.
std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> block,
                                                               std::string_view path);

// The text of a text value: its bytes up to the first NUL, nullopt when the
// value holds no NUL (a damaged block).
std::optional<std::string_view> VersionValueText(std::span<const std::uint8_t> value);

// The version section of an ELF file held in memory; nullopt when the bytes
// are no ELF file, have no such section, or any header points outside them.
std::optional<std::span<const std::uint8_t>> FindVersionSection(std::span<const std::uint8_t> file);

// The version block of the file at path (read piece by piece, at most the
// headers, the section-name table and the block); nullopt as above or when
// the file cannot be read. A section longer than kMaxVersionBlock, or whose
// root node does not fit it, is no block.
std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const std::string& path);

// The file a loaded module was opened from: null is the running program,
// else a handle of the library loader.
std::string ModuleFileName(void* module);

}  // namespace plat

// Embeds the block in the binary being linked. Use once per binary, in a
// source file of its own:
//   KESTRUM_VERSION_BLOCK("1.4.1", {"FileVersion", "1.4.1"}, {"ProductVersion", "1.4.1"})
#define KESTRUM_VERSION_BLOCK(version, ...)                                                                       \
  namespace {                                                                                                      \
  constexpr plat::VersionText kVersionTexts[] = {__VA_ARGS__};                                                    \
  constexpr std::size_t kVersionBlockSize = plat::BuildVersionBlock(version, 0x0409, 0x04B0, kVersionTexts).size(); \
  constexpr std::array<std::uint8_t, kVersionBlockSize> MakeVersionBlock() {                                      \
    std::array<std::uint8_t, kVersionBlockSize> a{};                                                              \
    const std::vector<std::uint8_t> b = plat::BuildVersionBlock(version, 0x0409, 0x04B0, kVersionTexts);          \
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = b[i];                                                       \
    return a;                                                                                                      \
  }                                                                                                                \
  [[gnu::used, gnu::section(".kestrum.version"), gnu::aligned(4)]] const std::array<std::uint8_t, kVersionBlockSize> \
      kVersionBlock = MakeVersionBlock();                                                                          \
  }
