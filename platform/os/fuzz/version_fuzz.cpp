// libFuzzer target for the version-block reader: ELF files and blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  // The input as a whole file and as a bare block; every answer lies inside it.
  const auto section = plat::FindVersionSection(bytes);
  for (const std::span<const std::uint8_t> block : {section.value_or(bytes), bytes}) {
    for (const char* path : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904b0\\ProductVersion",
                             "\\\\stringfileinfo\\\\040904B0\\fileversion\\", "\\a\\b\\c\\d"}) {
      const auto value = plat::QueryVersionValue(block, path);
      if (!value) continue;
      if (value->data() < block.data() || value->data() + value->size() > block.data() + block.size()) std::abort();
      if (const auto text = plat::VersionValueText(*value); text && text->size() >= value->size()) std::abort();
    }
  }
  return 0;
}
