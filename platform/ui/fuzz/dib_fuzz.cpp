// libFuzzer target for the bitmap reader: any bytes, as a bitmap and as an icon.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/ui/dib.h"

namespace {
void Check(const plat::Dib& dib) {
  // A picture read is whole: every pixel is there; an empty one has none.
  const std::size_t n = dib.Empty() ? 0 : static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(dib.height);
  if (dib.pixels.size() != n || dib.colors.size() > 256) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  Check(plat::ReadDib(bytes));
  Check(plat::ReadIcon(bytes));
  return 0;
}
