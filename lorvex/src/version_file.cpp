// The version-information file, read as a profile file in memory.
#include <cstring>

#include "lorvex/web_update_agent.h"
#include "platform/ini_file.h"

void CopyText(char* buffer, std::size_t size, std::string_view text) {
  if (size == 0) return;
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

void ReadVersionFile(std::string_view body, WebVersionInfo& info) {
  body = body.substr(0, std::min(body.size(), kVersionFileLimit));
  body = body.substr(0, std::min(body.size(), body.find('\0')));
  const plat::IniDocument doc = plat::IniDocument::Parse(body);
  const struct {
    const char* key;
    char* field;
    std::size_t size;
  } keys[] = {
      {"TITLE", info.Title, sizeof info.Title},       {"DOWNLOAD", info.Download, sizeof info.Download},
      {"INFO", info.Info, sizeof info.Info},          {"VERSION", info.Version, sizeof info.Version},
      {"SIZE", info.Size, sizeof info.Size},          {"DATE", info.Date, sizeof info.Date},
      {"DETAILS", info.Details, sizeof info.Details},
  };
  for (const auto& k : keys) CopyText(k.field, k.size, doc.Value("VERSIONINFO", k.key).value_or(""));
}
