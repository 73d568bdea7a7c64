// Fuzz target for the EEPROM import: a file any program or person may have
// written. Whatever it holds, the import reads devices 0 to 63 in order, each
// once, with its kinds in order, or stops with the conversion error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kestrum/app/eeprom_file.h"
#include "kestrum/app/globals.h"
#include "platform/convert.h"
#include "platform/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    int last_mac = -1;
    for (const kestrum::ImportedDevice& d : kestrum::ReadEepromImport(text)) {
      if (d.mac <= last_mac || d.mac > kestrum::kHighestEepromMac) std::abort();
      last_mac = d.mac;
      std::uint8_t last_kind = 0;
      for (std::uint8_t kind : d.kinds) {
        if (kind <= last_kind || kind > kestrum::kCyclic) std::abort();
        last_kind = kind;
      }
      // What the import let through, the add command converts.
      if (!d.kinds.empty()) {
        std::int32_t value = 0;
        if (!plat::TryStrToInt(d.input_length, value) || !plat::TryStrToInt(d.output_length, value)) std::abort();
      }
    }
  } catch (const plat::EConvertError&) {
  }
  return 0;
}
