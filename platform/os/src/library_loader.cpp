#include "platform/library_loader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/program_path.h"

namespace plat {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> SearchDirectories() {
  std::vector<std::string> dirs;
  std::string own = ProgramDirectory();
  if (!own.empty()) dirs.push_back(own);
  if (const char* extra = std::getenv(kLibraryPathVariable)) {
    std::string list = extra;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      std::string dir = list.substr(start, end - start);
      // Empty and relative entries would mean the current directory: skipped.
      if (!dir.empty() && dir[0] == '/') {
        if (dir.back() != '/') dir += '/';
        dirs.push_back(dir);
      }
      start = end + 1;
    }
  }
  return dirs;
}

class DlLoader final : public LibraryLoader {
 public:
  ModuleHandle Load(const std::string& file_name) override {
    std::string path = FindLibraryFile(file_name);
    if (path.empty()) return nullptr;
    // Never closed: entries stay valid until the process ends.
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ProcAddress Symbol(ModuleHandle module, const std::string& entry_name) override {
    if (module == nullptr) return nullptr;
    return dlsym(module, entry_name.c_str());
  }
};

std::atomic<LibraryLoader*> g_current{nullptr};

}  // namespace

std::string FindLibraryFile(const std::string& file_name) {
  // A bare file name only: a path would let a caller escape the search order.
  if (file_name.empty() || file_name.find('/') != std::string::npos) return {};
  for (const auto& dir : SearchDirectories()) {
    std::string path = dir + file_name;
    if (IsRegularFile(path)) return path;
  }
  return {};
}

LibraryLoader& SystemLoader() {
  static DlLoader loader;
  return loader;
}

LibraryLoader& CurrentLoader() {
  LibraryLoader* l = g_current.load(std::memory_order_acquire);
  return l ? *l : SystemLoader();
}

void SetCurrentLoader(LibraryLoader* loader) { g_current.store(loader, std::memory_order_release); }

}  // namespace plat
