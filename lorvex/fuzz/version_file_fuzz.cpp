// libFuzzer target for reading the web server's version-information file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "lorvex/web_update_agent.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WebVersionInfo info;
  std::memset(&info, 0x55, sizeof info);
  ReadVersionFile(std::string_view(reinterpret_cast<const char*>(data), size), info);
  // Every field ends inside its buffer.
  for (const auto& [field, length] : {std::pair<const char*, std::size_t>{info.Download, sizeof info.Download},
                                      {info.Info, sizeof info.Info}, {info.Version, sizeof info.Version},
                                      {info.Title, sizeof info.Title}, {info.Size, sizeof info.Size},
                                      {info.Date, sizeof info.Date}, {info.Details, sizeof info.Details}}) {
    if (!std::memchr(field, 0, length)) std::abort();
  }
  return 0;
}
