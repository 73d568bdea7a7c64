#include "tamsile_testing/table_namespace.h"

#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/library_loader.h"
#include "shared_table.h"
#include "tamsile/tamsile.h"

namespace tamsile_testing {
namespace {

std::string UniqueName() {
  static std::atomic<int> serial{0};
  return "test-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
}

std::string MakeRuntimeDir(mode_t mode) {
  char pattern[] = "/tmp/tamsile-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
  chmod(pattern, mode);
  return pattern;
}

std::optional<tamsile::Location> LocationOf(const std::string& runtime_dir,
                                             const std::string& name) {
  return tamsile::LocationFor(runtime_dir.empty() ? nullptr : runtime_dir.c_str(), name.c_str(),
                              geteuid());
}

}  // namespace

TableNamespace::TableNamespace(RuntimeDir runtime, std::optional<std::string> name)
    : name_(name ? *name : UniqueName()) {
  if (runtime == RuntimeDir::kOwn) runtime_dir_ = MakeRuntimeDir(0700);
  if (runtime == RuntimeDir::kOpenToAll) runtime_dir_ = MakeRuntimeDir(0777);
}

TableNamespace::~TableNamespace() {
  if (auto location = LocationOf(runtime_dir_, name_)) {
    shm_unlink(location->shm_name.c_str());
    // The folder under /tmp may be the user's own one: only our files go.
    unlink((location->directory + "/" + location->users_lock).c_str());
    unlink((location->directory + "/" + location->init_lock).c_str());
  }
  std::error_code ignored;
  if (!runtime_dir_.empty()) std::filesystem::remove_all(runtime_dir_, ignored);
}

std::string TableNamespace::TableDirectory() const {
  auto location = LocationOf(runtime_dir_, name_);
  return location ? location->directory : std::string();
}

EnvChanges TableNamespace::Environment() const {
  EnvChanges env{{TAMSILE_NAMESPACE_VARIABLE, name_}};
  if (runtime_dir_.empty()) {
    env.emplace_back("XDG_RUNTIME_DIR", std::nullopt);
  } else {
    env.emplace_back("XDG_RUNTIME_DIR", runtime_dir_);
  }
  return env;
}

void TableNamespace::Export() const {
  for (const auto& [variable, value] : Environment()) {
    if (value) {
      setenv(variable.c_str(), value->c_str(), 1);
    } else {
      unsetenv(variable.c_str());
    }
  }
}

const TamsileEntryPoints& LoadTamsileOnOwnTable() {
  static const TamsileEntryPoints entries = [] {
    static TableNamespace* own = new TableNamespace();
    own->Export();
    std::atexit([] { delete own; });
    plat::LibraryLoader& loader = plat::SystemLoader();
    plat::ModuleHandle lib = loader.Load("Tamsile.DLL");
    TamsileEntryPoints e;
    e.list = reinterpret_cast<Get_TamsileList_Entry>(loader.Symbol(lib, "Get_TamsileList"));
    e.set = reinterpret_cast<Set_TamsileEnable_Entry>(loader.Symbol(lib, "Set_TamsileEnable"));
    e.get = reinterpret_cast<Get_TamsileEnable_Entry>(loader.Symbol(lib, "Get_TamsileEnable"));
    return e;
  }();
  return entries;
}

}  // namespace tamsile_testing
