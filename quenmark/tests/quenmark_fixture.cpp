#include "quenmark_fixture.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tamsile_testing/table_namespace.h"

namespace quenmark_testing {

plat::ModuleHandle RefusingLoader::Load(const std::string& file_name) {
  loads.push_back(file_name);
  if (refused_libraries.count(file_name) != 0) return nullptr;
  return plat::SystemLoader().Load(file_name);
}

plat::ProcAddress RefusingLoader::Symbol(plat::ModuleHandle module, const std::string& entry_name) {
  if (refused_entries.count(entry_name) != 0) return nullptr;
  return plat::SystemLoader().Symbol(module, entry_name);
}

namespace {

const tamsile_testing::TamsileEntryPoints& Table() {
  UsePrivateTraceEnvironment();
  return tamsile_testing::LoadTamsileOnOwnTable();
}

}  // namespace

void UsePrivateTraceEnvironment() {
  static const bool done = [] {
    static std::string socket_dir;
    char pattern[] = "/tmp/quenmark-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
    socket_dir = pattern;
    setenv("LORVEX_SOCKET_DIR", socket_dir.c_str(), 1);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(socket_dir, ignored);
    });
    return tamsile_testing::LoadTamsileOnOwnTable().list != nullptr;
  }();
  if (!done) throw std::runtime_error("Tamsile.DLL did not load");
}

std::vector<std::uint16_t> TableIds() {
  std::uint16_t count = 0;
  std::vector<std::uint16_t> ids(TAMSILE_CAPACITY);
  Table().list(&count, ids.data());
  ids.resize(count);
  return ids;
}

void EnableInTable(const std::vector<std::uint16_t>& ids) {
  for (std::uint16_t id : ids) Table().set(id, 1);
}

void ClearTable() {
  for (std::uint16_t id : TableIds()) Table().set(id, 0);
}

std::vector<std::string> LinesOf(const vcl::TMemo* memo) { return memo->Lines->Items(); }

QuenmarkTest::QuenmarkTest() {
  ClearTable();
  plat::SetCurrentLoader(&loader_);
  quenmark::SetTraceBridge(&bridge_);
}

QuenmarkTest::~QuenmarkTest() {
  quenmark::SetTraceBridge(nullptr);
  plat::SetCurrentLoader(nullptr);
}

quenmark::TForm_Main& QuenmarkTest::OpenWindow() {
  vcl::Application->CreateForm(quenmark::Form_Main);
  quenmark::Form_Main->Show();
  return *quenmark::Form_Main;
}

void QuenmarkTest::Enter(vcl::TMemo* memo, const std::string& text, vcl::TButton* button,
                         plat::testing::Loc loc) {
  plat::testing::Type(memo, text, loc);
  plat::testing::Click(button, loc);
}

}  // namespace quenmark_testing
