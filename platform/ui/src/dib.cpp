#include "platform/ui/dib.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/ascii.h"

namespace plat {

namespace {

// Little-endian reads at an offset the caller has checked.
std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
         (static_cast<std::uint32_t>(d[at + 2]) << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
std::int32_t I32(std::span<const std::uint8_t> d, std::size_t at) { return static_cast<std::int32_t>(U32(d, at)); }

constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;

// One channel of a bit-field pixel, scaled to eight bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (!m) return;
    while (!(m & 1u)) {
      m >>= 1;
      ++shift;
    }
    while (m & 1u) {
      m >>= 1;
      ++bits;
    }
  }
  std::uint8_t Of(std::uint32_t pixel) const {
    if (!bits) return 0;
    const std::uint64_t v = (pixel & mask) >> shift;
    const std::uint64_t max = (std::uint64_t{1} << bits) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  }
};

std::uint32_t Colour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

struct Layout {
  Dib dib;
  std::uint32_t compression = kRgb;
  std::uint32_t masks[3] = {0, 0, 0};
  bool topDown = false;
  std::size_t bits = 0;  // where the rows start
};

// The header and colour table at `at`; bitsAt (nonzero) is where a file
// header says the rows start. `rowsOf` says how many rows the data holds
// (the icon's height counts its mask too).
bool ReadHeader(std::span<const std::uint8_t> d, std::size_t at, std::size_t bitsAt, bool icon, Layout& out) {
  if (d.size() < at + 4) return false;
  const std::uint32_t size = U32(d, at);
  std::int64_t width = 0, height = 0;
  int bitCount = 0;
  std::uint32_t used = 0;
  std::size_t entryBytes = 4;
  if (size == 12) {
    if (d.size() < at + 12) return false;
    width = U16(d, at + 4);
    height = static_cast<std::int16_t>(U16(d, at + 6));
    if (U16(d, at + 8) != 1) return false;
    bitCount = U16(d, at + 10);
    entryBytes = 3;
  } else if (size == 40 || size == 52 || size == 56 || size == 108 || size == 124) {
    if (d.size() < at + size) return false;
    width = I32(d, at + 4);
    height = I32(d, at + 8);
    if (U16(d, at + 12) != 1) return false;
    bitCount = U16(d, at + 14);
    out.compression = U32(d, at + 16);
    used = U32(d, at + 32);
    if (size >= 52) {
      for (int i = 0; i < 3; ++i) out.masks[i] = U32(d, at + 40 + 4 * static_cast<std::size_t>(i));
    }
  } else {
    return false;
  }
  if (icon) {
    if (height <= 0 || height % 2) return false;
    height /= 2;  // the colour rows, then as many mask rows
  }
  out.topDown = height < 0;
  if (out.topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kDibMaxSide || height > kDibMaxSide || width * height > kDibMaxPixels) {
    return false;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
  if (out.topDown && (out.compression != kRgb && out.compression != kBitFields)) return false;
  if (out.compression == kBitFields || out.compression == kAlphaBitFields) {
    if (bitCount != 16 && bitCount != 32) return false;
  } else if (out.compression != kRgb) {
    return false;  // run-length and embedded compressed pictures
  }
  std::size_t pos = at + size;
  // Masks that follow a 40-byte header.
  if (size == 40 && (out.compression == kBitFields || out.compression == kAlphaBitFields)) {
    const std::size_t n = out.compression == kBitFields ? 3 : 4;
    if (d.size() < pos + 4 * n) return false;
    for (std::size_t i = 0; i < 3; ++i) out.masks[i] = U32(d, pos + 4 * i);
    pos += 4 * n;
  }
  // The colour table: 2^bits entries unless the header names fewer; more
  // than the pixels can address is a damaged header.
  std::size_t entries = 0;
  if (bitCount <= 8) {
    const std::size_t most = std::size_t{1} << bitCount;
    if (used > most) return false;
    entries = used ? used : most;
  } else {
    if (used > 256) return false;
    entries = used;  // a table for palette devices: skipped
  }
  if (entries > (d.size() - pos) / entryBytes) return false;
  Dib& dib = out.dib;
  dib.width = static_cast<int>(width);
  dib.height = static_cast<int>(height);
  dib.bitCount = bitCount;
  if (bitCount <= 8) {
    dib.colors.resize(entries);
    for (std::size_t i = 0; i < entries; ++i) {
      const std::size_t e = pos + i * entryBytes;
      dib.colors[i] = DibColor{d[e], d[e + 1], d[e + 2], 0};
    }
  }
  pos += entries * entryBytes;
  if (bitsAt) {
    if (bitsAt < pos || bitsAt > d.size()) return false;
    pos = bitsAt;
  }
  out.bits = pos;
  const std::size_t stride = static_cast<std::size_t>(dib.Stride());
  const std::size_t rows = static_cast<std::size_t>(dib.height) * (icon ? 2 : 1);
  if (icon) {
    // The mask rows have one bit a pixel, padded to four bytes.
    const std::size_t maskStride = ((static_cast<std::size_t>(dib.width) + 31) / 32) * 4;
    if (stride * static_cast<std::size_t>(dib.height) > d.size() - pos ||
        maskStride * static_cast<std::size_t>(dib.height) > d.size() - pos - stride * static_cast<std::size_t>(dib.height)) {
      return false;
    }
  } else if (rows > (d.size() - pos) / stride) {
    return false;
  }
  return true;
}

void DecodePixels(std::span<const std::uint8_t> d, Layout& l) {
  Dib& dib = l.dib;
  const std::size_t stride = static_cast<std::size_t>(dib.Stride());
  dib.pixels.assign(static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(dib.height), 0);
  std::uint32_t masks[3] = {l.masks[0], l.masks[1], l.masks[2]};
  if (l.compression == kRgb && dib.bitCount == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (l.compression == kRgb && dib.bitCount == 32) {
    masks[0] = 0x00FF0000;
    masks[1] = 0x0000FF00;
    masks[2] = 0x000000FF;
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  for (int y = 0; y < dib.height; ++y) {
    const int stored = l.topDown ? y : dib.height - 1 - y;
    const std::size_t row = l.bits + static_cast<std::size_t>(stored) * stride;
    for (int x = 0; x < dib.width; ++x) {
      const std::size_t ux = static_cast<std::size_t>(x);
      std::uint32_t out = 0;
      switch (dib.bitCount) {
        case 1:
        case 4:
        case 8: {
          const std::size_t bit = ux * static_cast<std::size_t>(dib.bitCount);
          const std::uint8_t byte = d[row + bit / 8];
          const int shift = 8 - dib.bitCount - static_cast<int>(bit % 8);
          const std::size_t index = (byte >> shift) & ((1u << dib.bitCount) - 1);
          // An index past a short colour table shows black.
          if (index < dib.colors.size()) {
            const DibColor& c = dib.colors[index];
            out = Colour(c.red, c.green, c.blue);
          }
          break;
        }
        case 16: {
          const std::uint32_t v = U16(d, row + 2 * ux);
          out = Colour(red.Of(v), green.Of(v), blue.Of(v));
          break;
        }
        case 24: {
          const std::size_t p = row + 3 * ux;
          out = Colour(d[p + 2], d[p + 1], d[p]);
          break;
        }
        default: {
          const std::uint32_t v = U32(d, row + 4 * ux);
          out = Colour(red.Of(v), green.Of(v), blue.Of(v));
          break;
        }
      }
      dib.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(dib.width) + ux] = out;
    }
  }
}

}  // namespace

Dib ReadDib(std::span<const std::uint8_t> data) {
  std::size_t at = 0, bitsAt = 0;
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
    if (data.size() < 14) return {};
    bitsAt = U32(data, 10);
    if (bitsAt == 0) return {};
    at = 14;
  }
  Layout l;
  if (!ReadHeader(data, at, bitsAt, false, l)) return {};
  DecodePixels(data, l);
  return std::move(l.dib);
}

Dib ReadIcon(std::span<const std::uint8_t> data, int size) {
  // The directory: reserved 0, type 1, the count, then 16 bytes an image.
  if (data.size() < 6 || U16(data, 0) != 0 || U16(data, 2) != 1) return {};
  const std::size_t count = U16(data, 4);
  if (count == 0 || count > (data.size() - 6) / 16) return {};
  std::size_t best = count;
  int bestSide = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * i;
    const int side = data[e] ? data[e] : 256;
    const bool nearer = best == count || std::abs(side - size) < std::abs(bestSide - size) ||
                        (std::abs(side - size) == std::abs(bestSide - size) && side > bestSide);
    if (nearer) {
      best = i;
      bestSide = side;
    }
  }
  const std::size_t e = 6 + 16 * best;
  const std::uint32_t bytes = U32(data, e + 8), offset = U32(data, e + 12);
  if (offset > data.size() || bytes > data.size() - offset) return {};
  const std::span<const std::uint8_t> image = data.subspan(offset, bytes);
  Layout l;
  if (!ReadHeader(image, 0, 0, true, l)) return {};
  DecodePixels(image, l);
  Dib& dib = l.dib;
  const std::size_t maskAt = l.bits + static_cast<std::size_t>(dib.Stride()) * static_cast<std::size_t>(dib.height);
  const std::size_t maskStride = ((static_cast<std::size_t>(dib.width) + 31) / 32) * 4;
  for (int y = 0; y < dib.height; ++y) {
    const int stored = l.topDown ? y : dib.height - 1 - y;
    const std::size_t row = maskAt + static_cast<std::size_t>(stored) * maskStride;
    for (int x = 0; x < dib.width; ++x) {
      const std::size_t ux = static_cast<std::size_t>(x);
      if (image[row + ux / 8] & (0x80 >> (ux % 8))) {
        dib.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(dib.width) + ux] = kDibTransparent;
      }
    }
  }
  return std::move(l.dib);
}

// ---------------------------------------------------------------- embedded resources
namespace {
struct NoCase {
  bool operator()(std::string_view a, std::string_view b) const { return CompareText(a, b) < 0; }
  using is_transparent = void;
};
// Filled at start on the window thread and only read afterwards.
std::map<std::string, std::span<const std::uint8_t>, NoCase>& Resources() {
  static auto* table = new std::map<std::string, std::span<const std::uint8_t>, NoCase>;
  return *table;
}
}  // namespace

void RegisterDibResource(const std::string& name, std::span<const std::uint8_t> bytes) { Resources()[name] = bytes; }

std::span<const std::uint8_t> FindDibResource(std::string_view name) {
  auto it = Resources().find(name);
  return it == Resources().end() ? std::span<const std::uint8_t>() : it->second;
}

}  // namespace plat
