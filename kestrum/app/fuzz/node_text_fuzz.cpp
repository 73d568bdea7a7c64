// libFuzzer target for the parsers of the configuration trees' node texts and
// of the output-data items: texts a person can edit or an EEPROM file brings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kestrum/app/globals.h"
#include "platform/exception.h"

namespace {

// Parses the two texts; a conversion error is the one failure allowed.
void ParseAnything(std::string_view device, std::string_view connection) {
  std::uint8_t mac = 0, kind = 0;
  std::uint16_t input = 0, output = 0;
  try {
    const std::int32_t result = kestrum::ParseDeviceNodeText(device, connection, mac, kind, input, output);
    if (result != 0 && result != -1) std::abort();
    if ((result == -1) != connection.empty()) std::abort();
  } catch (const plat::EConvertError&) {
  }
}

// The texts the program makes parse back to what they were made of.
void RoundTrip(const std::uint8_t* data) {
  const std::uint8_t mac = data[0] % 64;
  const auto kind = static_cast<std::uint8_t>(kestrum::kPoll + data[1] % 4);
  const auto input = static_cast<std::uint16_t>(data[2] | data[3] << 8);
  const auto output = static_cast<std::uint16_t>(kind == kestrum::kStrobe ? 0 : data[4] | data[5] << 8);
  std::uint8_t got_mac = 0, got_kind = 0;
  std::uint16_t got_input = 0, got_output = 0;
  const std::int32_t result = kestrum::ParseDeviceNodeText(kestrum::DeviceNodeText(mac),
                                                           kestrum::ConnectionNodeText(kind, input, output), got_mac,
                                                           got_kind, got_input, got_output);
  if (result != 0 || got_mac != mac || got_kind != kind || got_input != input || got_output != output) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The device node's text up to the first line break, the connection's after it.
  const std::size_t split = text.find('\n');
  if (split == std::string_view::npos) {
    ParseAnything(text, {});
  } else {
    ParseAnything(text.substr(0, split), text.substr(split + 1));
  }
  ParseAnything(text, text);

  if (size >= 6) RoundTrip(data);

  // One character is one hexadecimal digit; any text gives a byte without
  // reading beyond it.
  const std::uint8_t byte = kestrum::HexTextToByte(text);
  if (size == 1 && byte > 15) std::abort();
  return 0;
}
