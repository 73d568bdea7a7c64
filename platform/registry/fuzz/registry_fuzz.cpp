// libFuzzer target for the registry store's file parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const plat::RegistryData parsed = plat::RegistryData::Parse(text);
  // What the writer writes, the parser reads back whole and unchanged.
  const std::string once = parsed.Text();
  std::size_t damaged = 0;
  const plat::RegistryData again = plat::RegistryData::Parse(once, &damaged);
  if (damaged != 0 || again.Text() != once) std::abort();
  return 0;
}
