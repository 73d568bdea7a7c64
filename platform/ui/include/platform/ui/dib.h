#pragma once
// Device-independent bitmaps: a bounded reader for the pictures our programs
// carry in their binaries (and for any such picture another program wrote),
// and the process-wide table of embedded picture resources.
//
// The reader takes a packed DIB (an information header, the colour table,
// the pixel rows) or a bitmap file (the same behind the 14-byte "BM" file
// header, whose bit offset it honours). Headers: the core header (12 bytes),
// the information header (40) and its longer versions (52, 56, 108, 124).
// Pixels: 1, 4 and 8 bits with a colour table, 16, 24 and 32 bits without
// one (uncompressed or with bit-field masks); rows bottom-up or, with a
// negative height, top-down. Run-length compressed pictures are not read.
//
// Anything damaged gives an empty picture and nothing is read beyond the
// data: a header that does not fit or names an unknown size, zero or
// negative sizes, a picture larger than 16384 pixels on a side or than 64
// million pixels, a colour table longer than 2^bits entries or than the
// data, pixel rows that end beyond the data.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

struct DibColor {
  std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
  friend bool operator==(const DibColor&, const DibColor&) = default;
};

// The value of an icon pixel that its mask leaves transparent.
inline constexpr std::uint32_t kDibTransparent = 0x1FFFFFFFu;

struct Dib {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  std::vector<DibColor> colors;  // the colour table (1, 4 and 8 bits only)
  // width * height colours 0x00BBGGRR, the top row first.
  std::vector<std::uint32_t> pixels;

  bool Empty() const { return width <= 0 || height <= 0; }
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
  // The bytes of one stored pixel row, padded to four bytes.
  int Stride() const { return ((width * bitCount + 31) / 32) * 4; }
};

inline constexpr int kDibMaxSide = 16384;
inline constexpr std::int64_t kDibMaxPixels = 64 * 1024 * 1024;

// The picture in data, or an empty one (see above).
Dib ReadDib(std::span<const std::uint8_t> data);

// An icon file (".ico"): its directory and the image nearest to `size`
// pixels square (the larger one on a tie); the image's mask makes its
// transparent pixels kDibTransparent. Empty when damaged, as for ReadDib.
Dib ReadIcon(std::span<const std::uint8_t> data, int size = 32);

// ---------------------------------------------------------------- embedded resources
// A program registers the bytes of its pictures (which live as long as the
// program) under their names once at start; names compare without regard
// to case. A later registration under the same name replaces the earlier.
void RegisterDibResource(const std::string& name, std::span<const std::uint8_t> bytes);
// The bytes, empty when there is no such resource.
std::span<const std::uint8_t> FindDibResource(std::string_view name);

}  // namespace plat
