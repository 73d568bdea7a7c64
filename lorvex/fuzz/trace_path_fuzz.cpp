// Fuzz target for the mapping of a stored trace-file name to a path here: a
// name comes from the settings or from any sender. No backslash survives, a
// drive-letter name always lies in its drive's folder below the home
// directory and names nothing outside it, and no name yields a file
// literally called "x:...".
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lorvex/lorvex_doc.h"

namespace {
constexpr const char* kHome = "/home/fuzz";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("HOME", kHome, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string stored(reinterpret_cast<const char*>(data), size);
  const TraceFileLocation where = MapTraceFilePath(stored);
  if (where.path.find('\\') != std::string::npos) std::abort();
  if (stored.find('\0') != std::string::npos) {
    if (!where.path.empty() || !where.driveFolder.empty()) std::abort();  // names no file
    return 0;
  }
  const bool drive = stored.size() >= 2 && stored[1] == ':' && std::isalpha(static_cast<unsigned char>(stored[0]));
  if (!drive) {
    if (!where.driveFolder.empty() || where.path.size() != stored.size()) std::abort();
    return 0;
  }
  const std::string folder = std::string(kHome) + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(stored[0])));
  if (where.driveFolder != folder) std::abort();
  if (where.path != folder && where.path.compare(0, folder.size() + 1, folder + "/") != 0) std::abort();
  // Nor does it climb out of it: no ".." is left below the folder.
  const std::string below = where.path.substr(folder.size());
  if (below.find("/../") != std::string::npos || below.ends_with("/..")) std::abort();
  return 0;
}
