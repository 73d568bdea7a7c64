#pragma once
// What Quenmark's tests share: a trace table and a trace socket folder of this
// test process's own (so no test touches the user's table or sends to a real
// viewer), a loader that can pretend libraries or entries are missing, and a
// fresh trace bridge per test.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "kestrum/trace_bridge.h"
#include "platform/library_loader.h"
#include "platform/vcl/testing.h"
#include "quenmark/form_main.h"

namespace quenmark_testing {

// The system loader, except for what a test refuses; records every load.
class RefusingLoader : public plat::LibraryLoader {
 public:
  plat::ModuleHandle Load(const std::string& file_name) override;
  plat::ProcAddress Symbol(plat::ModuleHandle module, const std::string& entry_name) override;

  std::set<std::string> refused_libraries;
  std::set<std::string> refused_entries;
  std::vector<std::string> loads;
};

// Sets up this process's private table and socket folder (once; the
// environment then also reaches the processes a test starts) and loads the
// real Tamsile.DLL on that table.
void UsePrivateTraceEnvironment();

// The table as the library itself reports it, past every bridge.
std::vector<std::uint16_t> TableIds();
void EnableInTable(const std::vector<std::uint16_t>& ids);
void ClearTable();

// The memo's lines.
std::vector<std::string> LinesOf(const vcl::TMemo* memo);

class QuenmarkTest : public ::testing::Test {
 protected:
  QuenmarkTest();
  ~QuenmarkTest() override;

  // Creates the form as the program does (loader and bridge as the test set
  // them) and shows it.
  quenmark::TForm_Main& OpenWindow();
  // Types the text into the memo and clicks the button.
  static void Enter(vcl::TMemo* memo, const std::string& text, vcl::TButton* button,
                    plat::testing::Loc loc = plat::testing::Loc::current());

  RefusingLoader loader_;
  kestrum::TraceBridge bridge_;
  plat::testing::Session ui_;
};

}  // namespace quenmark_testing
