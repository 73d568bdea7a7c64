#include "platform/program_path.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace plat {

std::string ProgramFile() {
  std::vector<char> buf(PATH_MAX + 1);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

std::string ProgramDirectory() {
  std::string file = ProgramFile();
  auto slash = file.rfind('/');
  if (slash == std::string::npos) return {};
  return file.substr(0, slash + 1);
}

std::string ProgramName() {
  std::string file = ProgramFile();
  auto slash = file.rfind('/');
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace plat
