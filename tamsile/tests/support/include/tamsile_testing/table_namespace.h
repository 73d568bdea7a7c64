#pragma once
// Keeps every test away from the user's real trace table: a namespace of its
// own and, unless a test asks otherwise, a runtime directory of its own. All
// that the table left behind (lock files, the shared-memory object, the
// directory) is removed when the object goes.

#include <optional>
#include <string>

#include "tamsile/tamsile.h"
#include "tamsile_testing/helper_process.h"

namespace tamsile_testing {

enum class RuntimeDir {
  kOwn,         // a fresh directory with mode 0700
  kUnset,       // no XDG_RUNTIME_DIR at all
  kOpenToAll,   // a fresh directory with mode 0777, which must not be trusted
};

class TableNamespace {
 public:
  explicit TableNamespace(RuntimeDir runtime = RuntimeDir::kOwn,
                          std::optional<std::string> name = std::nullopt);
  ~TableNamespace();
  TableNamespace(const TableNamespace&) = delete;
  TableNamespace& operator=(const TableNamespace&) = delete;

  const std::string& name() const { return name_; }
  // Empty for RuntimeDir::kUnset.
  const std::string& runtime_dir() const { return runtime_dir_; }
  // The folder the table's lock files are expected in.
  std::string TableDirectory() const;

  // The environment a helper needs to use this table.
  EnvChanges Environment() const;
  // Sets the same in this process (before Tamsile.DLL is loaded here).
  void Export() const;

 private:
  std::string name_;
  std::string runtime_dir_;
};

// Gives this process a table of its own for the rest of its life (removed when
// it exits) and loads the real Tamsile.DLL on it. Safe to call many times.
struct TamsileEntryPoints {
  Get_TamsileList_Entry list = nullptr;
  Set_TamsileEnable_Entry set = nullptr;
  Get_TamsileEnable_Entry get = nullptr;
};
const TamsileEntryPoints& LoadTamsileOnOwnTable();

}  // namespace tamsile_testing
