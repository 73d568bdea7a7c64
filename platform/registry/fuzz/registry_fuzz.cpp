// libFuzzer target for the registry store's file parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // What the writer writes, the parser reads back whole and unchanged, the
  // lines it kept as they were included.
  std::size_t damaged = 0;
  const plat::RegistryData parsed = plat::RegistryData::Parse(text, &damaged);
  const std::string once = parsed.Text();
  std::size_t again_damaged = 0;
  const plat::RegistryData again = plat::RegistryData::Parse(once, &again_damaged);
  if (again_damaged != damaged || again.Text() != once) std::abort();
  return 0;
}
