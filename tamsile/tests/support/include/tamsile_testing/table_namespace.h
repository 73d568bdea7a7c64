#pragma once
// Keeps every test away from the user's real trace table: a namespace of its
// own. The shared-memory object the table left behind is removed when the
// object goes.

#include <optional>
#include <string>

#include "tamsile/tamsile.h"
#include "tamsile_testing/helper_process.h"

namespace tamsile_testing {

class TableNamespace {
 public:
  explicit TableNamespace(std::optional<std::string> name = std::nullopt);
  ~TableNamespace();
  TableNamespace(const TableNamespace&) = delete;
  TableNamespace& operator=(const TableNamespace&) = delete;

  const std::string& name() const { return name_; }
  // Where the table's object lies ("/dev/shm/..."); empty for a name the
  // library refuses.
  std::string ObjectPath() const;

  // The environment a helper needs to use this table.
  EnvChanges Environment() const;
  // Sets the same in this process (before Tamsile.DLL is loaded here).
  void Export() const;

 private:
  std::string name_;
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
