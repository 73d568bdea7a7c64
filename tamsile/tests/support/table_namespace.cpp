#include "tamsile_testing/table_namespace.h"

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/library_loader.h"
#include "shared_table.h"
#include "tamsile/tamsile.h"

namespace tamsile_testing {
namespace {

std::string UniqueName() {
  static std::atomic<int> serial{0};
  return "test-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
}

}  // namespace

TableNamespace::TableNamespace(std::optional<std::string> name) : name_(name ? *name : UniqueName()) {}

TableNamespace::~TableNamespace() {
  if (auto object = tamsile::TableNameFor(name_.c_str(), geteuid())) shm_unlink(object->c_str());
}

std::string TableNamespace::ObjectPath() const {
  auto object = tamsile::TableNameFor(name_.c_str(), geteuid());
  return object ? "/dev/shm" + *object : std::string();
}

EnvChanges TableNamespace::Environment() const { return {{TAMSILE_NAMESPACE_VARIABLE, name_}}; }

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
