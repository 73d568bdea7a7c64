#pragma once
// The EEPROM file that the configuration page exports and imports: an INI file
// with one section per configured slave, named by its MAC ID ("0" to "63"),
// holding a key named after each kind of connection it has ("Poll=1"...) and
// the lengths "Input" and "Output". Sections of other names are not ours.

#include <string>
#include <string_view>
#include <vector>

#include <cstdint>

namespace kestrum {

inline constexpr int kHighestEepromMac = 63;

// One section of an import file, checked before anything is changed.
struct ImportedDevice {
  int mac = 0;
  std::string input_length;   // as written in the file ("0" when missing)
  std::string output_length;
  std::vector<std::uint8_t> kinds;  // in the order Poll, Strobe, COS, Cyclic
};

// The devices of an import file's text, in ascending MAC ID: every section "0"
// to "63" that is there, whether or not it names a connection. A kind counts
// when its value converts to a number other than 0. The lengths of a device
// with a connection are converted as the add command will convert them: a text
// that is no number throws the framework's conversion error (plat::EConvertError).
std::vector<ImportedDevice> ReadEepromImport(std::string_view text);

}  // namespace kestrum
