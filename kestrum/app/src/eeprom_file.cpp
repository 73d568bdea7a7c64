#include "kestrum/app/eeprom_file.h"

#include "kestrum/app/globals.h"
#include "platform/convert.h"
#include "platform/ini_file.h"

namespace kestrum {

std::vector<ImportedDevice> ReadEepromImport(std::string_view text) {
  const plat::IniDocument file = plat::IniDocument::Parse(text);
  std::vector<ImportedDevice> devices;
  for (int mac = 0; mac <= kHighestEepromMac; ++mac) {
    const std::string section = plat::IntToStr(mac);
    if (!file.SectionExists(section)) continue;
    ImportedDevice d;
    d.mac = mac;
    d.input_length = file.Value(section, "Input").value_or("0");
    d.output_length = file.Value(section, "Output").value_or("0");
    for (std::uint8_t kind = kPoll; kind <= kCyclic; ++kind) {
      if (plat::StrToIntDef(file.Value(section, KindWord(kind)).value_or("0"), 0) != 0) d.kinds.push_back(kind);
    }
    if (!d.kinds.empty()) {
      // The add command converts both lengths; a text that is no number stops
      // the import here, before anything changed.
      plat::StrToInt(d.input_length);
      plat::StrToInt(d.output_length);
    }
    devices.push_back(std::move(d));
  }
  return devices;
}

}  // namespace kestrum
