// libFuzzer target for the parsers of untrusted text: integer texts and INI files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/convert.h"
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::int32_t value = 0;
  if (plat::TryStrToInt(text, value)) {
    // Whatever converts must convert back to the same value.
    std::int32_t again = 0;
    if (!plat::TryStrToInt(plat::IntToStr(value), again) || again != value) std::abort();
  }

  // A parsed file gives back its very bytes, whatever they are.
  plat::IniDocument doc = plat::IniDocument::Parse(text);
  if (doc.Text() != text) std::abort();
  for (const std::string& section : doc.SectionNames()) {
    for (const std::string& key : doc.SectionKeys(section)) {
      if (!doc.Value(section, key)) std::abort();
    }
  }
  if (doc.SetValue("fuzz", "key", "value") && doc.Value("fuzz", "key") != "value") std::abort();
  // A changed document is stable: what it writes parses to the same text.
  const std::string once = doc.Text();
  if (plat::IniDocument::Parse(once).Text() != once) std::abort();
  return 0;
}
