// The bitmap reader: pictures as painting programs and resource compilers
// write them (every header size, bottom-up and top-down rows, colour tables
// short and full, bit fields, icons with their masks), and damaged ones that
// must come back empty without a byte read past the data.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "platform/ui/dib.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using plat::Dib;
using plat::ReadDib;

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A picture's parts, assembled as a writer would.
struct Picture {
  std::uint32_t headerSize = 40;
  std::int32_t width = 2, height = 2;
  std::uint16_t planes = 1, bits = 8;
  std::uint32_t compression = 0;
  std::uint32_t used = 0;  // colour-table entries the header names
  std::vector<std::uint32_t> table;  // 0x00RRGGBB as stored (blue first)
  Bytes rows;                        // the pixel rows as stored
  bool fileHeader = false;
  std::vector<std::uint32_t> masks;  // bit fields after a 40-byte header

  Bytes Build() const {
    Bytes b;
    Put32(b, headerSize);
    if (headerSize == 12) {
      Put16(b, static_cast<std::uint32_t>(width));
      Put16(b, static_cast<std::uint32_t>(height));
      Put16(b, planes);
      Put16(b, bits);
    } else {
      Put32(b, static_cast<std::uint32_t>(width));
      Put32(b, static_cast<std::uint32_t>(height));
      Put16(b, planes);
      Put16(b, bits);
      Put32(b, compression);
      Put32(b, static_cast<std::uint32_t>(rows.size()));
      Put32(b, 2835);
      Put32(b, 2835);
      Put32(b, used);
      Put32(b, 0);
      while (b.size() < headerSize) b.push_back(0);
    }
    for (std::uint32_t m : masks) Put32(b, m);
    for (std::uint32_t c : table) {
      b.push_back(static_cast<std::uint8_t>(c));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
      b.push_back(static_cast<std::uint8_t>(c >> 16));
      if (headerSize != 12) b.push_back(0);
    }
    const std::size_t bitsAt = b.size() + 14;
    b.insert(b.end(), rows.begin(), rows.end());
    if (!fileHeader) return b;
    Bytes f{'B', 'M'};
    Put32(f, static_cast<std::uint32_t>(b.size() + 14));
    Put32(f, 0);
    Put32(f, static_cast<std::uint32_t>(bitsAt));
    f.insert(f.end(), b.begin(), b.end());
    return f;
  }
};

// Two by two, eight bits, rows bottom-up: the bottom row indexes 2 and 3.
Picture EightBit() {
  Picture p;
  p.table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  p.used = 4;
  p.rows = {2, 3, 0, 0, 0, 1, 0, 0};
  return p;
}

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kBlack = 0, kWhite = 0xFFFFFF;

TEST(DibReader, ReadsWhatWritersWrite) {
  struct Case {
    const char* what;
    Picture picture;
    std::vector<std::uint32_t> pixels;  // top row first, 0x00BBGGRR
    std::size_t colors;
  };
  std::vector<Case> cases;
  cases.push_back({"8 bits, bottom-up, packed", EightBit(), {kBlack, kRed, kGreen, kBlue}, 4});
  {
    Picture p = EightBit();
    p.fileHeader = true;
    cases.push_back({"the same as a bitmap file", p, {kBlack, kRed, kGreen, kBlue}, 4});
  }
  {
    Picture p = EightBit();
    p.height = -2;  // top-down: the first stored row is the top one
    cases.push_back({"top-down rows", p, {kGreen, kBlue, kBlack, kRed}, 4});
  }
  {
    Picture p = EightBit();
    p.headerSize = 124;  // the version-5 header painting programs write
    p.fileHeader = true;
    cases.push_back({"version-5 header", p, {kBlack, kRed, kGreen, kBlue}, 4});
  }
  {
    Picture p = EightBit();
    p.used = 2;
    p.table = {0xFFFFFF, 0xFF0000};  // indexes 2 and 3 lie past the short table
    cases.push_back({"short colour table", p, {kWhite, kRed, kBlack, kBlack}, 2});
  }
  {
    Picture p;
    p.headerSize = 12;  // the core header, three-byte table entries
    p.bits = 4;
    p.table.assign(16, 0);
    p.table[1] = 0xFF0000;
    p.table[15] = 0xFFFFFF;
    p.rows = {0xF1, 0, 0, 0, 0x1F, 0, 0, 0};
    cases.push_back({"core header, 4 bits", p, {kRed, kWhite, kWhite, kRed}, 16});
  }
  {
    Picture p;
    p.width = 3;
    p.height = 1;
    p.bits = 1;
    p.table = {0x000000, 0xFFFFFF};
    p.rows = {0xA0, 0, 0, 0};
    cases.push_back({"1 bit", p, {kWhite, kBlack, kWhite}, 2});
  }
  {
    Picture p;
    p.height = 1;
    p.bits = 24;
    p.rows = {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0, 0};  // blue, green, red per pixel
    cases.push_back({"24 bits, padded row", p, {kRed, kBlue}, 0});
  }
  {
    Picture p;
    p.height = 1;
    p.bits = 16;
    p.compression = 3;
    p.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5
    p.rows = {0x00, 0xF8, 0xE0, 0x07};
    cases.push_back({"16 bits, 5-6-5 fields", p, {kRed, kGreen}, 0});
  }
  {
    Picture p;
    p.height = 1;
    p.width = 1;
    p.bits = 32;
    p.used = 3;  // a table for palette devices: skipped
    p.table = {1, 2, 3};
    p.rows = {0xFF, 0x00, 0x00, 0x00};
    cases.push_back({"32 bits with a palette hint", p, {kBlue}, 0});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes bytes = c.picture.Build();
    const Dib dib = ReadDib(bytes);
    ASSERT_FALSE(dib.Empty());
    EXPECT_EQ(dib.width, c.picture.width);
    EXPECT_EQ(dib.height, c.picture.height < 0 ? -c.picture.height : c.picture.height);
    EXPECT_EQ(dib.pixels, c.pixels);
    EXPECT_EQ(dib.colors.size(), c.colors);
  }
}

TEST(DibReader, RefusesDamagedPictures) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  std::vector<Case> cases;
  auto with = [&](const char* what, auto change) {
    Picture p = EightBit();
    change(p);
    cases.push_back({what, p.Build()});
  };
  with("unknown header size", [](Picture& p) { p.headerSize = 41; });
  with("two planes", [](Picture& p) { p.planes = 2; });
  with("7 bits a pixel", [](Picture& p) { p.bits = 7; });
  with("zero width", [](Picture& p) { p.width = 0; });
  with("negative width", [](Picture& p) { p.width = -2; });
  with("the most negative height", [](Picture& p) { p.height = std::numeric_limits<std::int32_t>::min(); });
  with("width that overflows a row", [](Picture& p) { p.width = std::numeric_limits<std::int32_t>::max(); });
  with("too many pixels", [](Picture& p) { p.width = p.height = 16384; });
  with("colour table beyond 2^bits", [](Picture& p) { p.used = 257; });
  with("colour table longer than the data", [](Picture& p) {
    p.used = 200;
    p.rows.clear();
  });
  with("rows cut short", [](Picture& p) { p.rows.resize(5); });
  with("run-length compressed", [](Picture& p) { p.compression = 1; });
  with("bit fields on 8 bits", [](Picture& p) { p.compression = 3; });
  {
    Bytes b = EightBit().Build();
    b.resize(30);
    cases.push_back({"header cut short", b});
  }
  {
    Picture p = EightBit();
    p.fileHeader = true;
    Bytes b = p.Build();
    b[10] = 0xF0;  // the rows would start past the end
    cases.push_back({"file header's offset past the data", b});
    b[10] = 20;  // ... or inside the header
    cases.push_back({"file header's offset inside the header", b});
  }
  cases.push_back({"nothing", {}});
  cases.push_back({"just the file mark", {'B', 'M'}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // An exact-size copy, so that the sanitizer sees any read past it.
    auto* heap = new std::uint8_t[c.bytes.size() + 1];
    std::copy(c.bytes.begin(), c.bytes.end(), heap);
    const Dib dib = ReadDib(std::span<const std::uint8_t>(heap, c.bytes.size()));
    delete[] heap;
    EXPECT_TRUE(dib.Empty());
    EXPECT_TRUE(dib.pixels.empty());
  }
}

// An icon file with a 16- and a 32-pixel image; the mask's set bits are transparent.
Bytes TwoImageIcon() {
  auto image = [](int side, std::uint8_t index) {
    Picture p;
    p.width = side;
    p.height = 2 * side;  // colour rows and mask rows
    p.bits = 8;
    p.table = {0x000000, 0x0000FF, 0x00FF00};
    p.used = 3;
    const std::size_t stride = static_cast<std::size_t>((side + 3) / 4 * 4);
    const std::size_t maskStride = static_cast<std::size_t>((side + 31) / 32 * 4);
    Bytes rows(stride * static_cast<std::size_t>(side), index);
    Bytes mask(maskStride * static_cast<std::size_t>(side), 0);
    mask[(static_cast<std::size_t>(side) - 1) * maskStride] = 0x80;  // the top row's first pixel
    rows.insert(rows.end(), mask.begin(), mask.end());
    p.rows = rows;
    return p.Build();
  };
  const Bytes small = image(16, 1), large = image(32, 2);
  Bytes f;
  Put16(f, 0);
  Put16(f, 1);
  Put16(f, 2);
  std::uint32_t at = 6 + 32;
  for (const Bytes* img : {&small, &large}) {
    const std::uint8_t side = img == &small ? 16 : 32;
    f.insert(f.end(), {side, side, 0, 0});
    Put16(f, 1);
    Put16(f, 8);
    Put32(f, static_cast<std::uint32_t>(img->size()));
    Put32(f, at);
    at += static_cast<std::uint32_t>(img->size());
  }
  f.insert(f.end(), small.begin(), small.end());
  f.insert(f.end(), large.begin(), large.end());
  return f;
}

TEST(DibReader, IconsTakeTheNearestImageAndItsMask) {
  const Bytes icon = TwoImageIcon();
  const Dib large = plat::ReadIcon(icon, 32);
  ASSERT_EQ(large.width, 32);
  ASSERT_EQ(large.height, 32);
  EXPECT_EQ(large.At(0, 0), plat::kDibTransparent);
  EXPECT_EQ(large.At(1, 0), 0x00FF00u);
  EXPECT_EQ(large.At(0, 31), 0x00FF00u);
  const Dib small = plat::ReadIcon(icon, 16);
  ASSERT_EQ(small.width, 16);
  EXPECT_EQ(small.At(5, 5), kBlue);
  // An entry pointing past the file, or a cut directory: nothing.
  Bytes bad = icon;
  bad[6 + 16 + 12] = 0xFF;
  bad[6 + 16 + 15] = 0x7F;
  EXPECT_TRUE(plat::ReadIcon(bad, 32).Empty());
  EXPECT_TRUE(plat::ReadIcon(Bytes(icon.begin(), icon.begin() + 20), 32).Empty());
  // The mask cut off.
  EXPECT_TRUE(plat::ReadIcon(Bytes(icon.begin(), icon.end() - 100), 32).Empty());
}

TEST(DibResources, FoundByNameWithoutRegardToCase) {
  static const std::uint8_t bytes[] = {1, 2, 3};
  plat::RegisterDibResource("Test_Bitmap_7", bytes);
  EXPECT_EQ(plat::FindDibResource("TEST_BITMAP_7").size(), 3u);
  EXPECT_TRUE(plat::FindDibResource("test_bitmap_8").empty());
}

}  // namespace
