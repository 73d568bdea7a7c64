#include "search_support.h"

#include <algorithm>
#include <optional>

#include "driver/entry_signatures.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "platform/library_loader.h"
#include "platform/testing/loaders.h"

namespace kestrum::testing {
namespace {

constexpr const char* kReadEntry = "Calvory_GetSearchedDevices";
using ReadFn = driver::BoardEntries::GetSearchedDevices;

ReadFn g_simulated = nullptr;
std::optional<ScriptedRead> g_script;

std::int32_t ReadThroughTheTest(std::uint8_t board, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* kinds,
                                std::uint16_t* input_lengths, std::uint16_t* output_lengths) {
  if (!g_script) return g_simulated(board, count, macs, kinds, input_lengths, output_lengths);
  const std::size_t n = std::min(g_script->entries.size(), std::size_t{200});
  for (std::size_t i = 0; i < n; ++i) {
    const SearchEntry& e = g_script->entries[i];
    macs[i] = e.mac;
    kinds[i] = e.kind;
    input_lengths[i] = e.input_length;
    output_lengths[i] = e.output_length;
  }
  *count = static_cast<std::uint16_t>(n);
  return g_script->result;
}

// The shipped stand-ins, with the one entry replaced.
class ReadReplacingLoader final : public plat::LibraryLoader {
 public:
  plat::ModuleHandle Load(const std::string& file_name) override { return plat::SystemLoader().Load(file_name); }
  plat::ProcAddress Symbol(plat::ModuleHandle module, const std::string& entry_name) override {
    plat::ProcAddress address = plat::SystemLoader().Symbol(module, entry_name);
    if (entry_name != kReadEntry || address == nullptr) return address;
    g_simulated = reinterpret_cast<ReadFn>(address);
    return reinterpret_cast<plat::ProcAddress>(&ReadThroughTheTest);
  }
};

}  // namespace

void StartWithSearchReadsThroughTheTest() {
  g_script.reset();
  g_simulated = nullptr;
  {
    ReadReplacingLoader loader;
    plat::testing::ScopedCurrentLoader scoped(loader);
    StartKestrum(driver::kKindCalvory);
  }
  ASSERT_NE(g_simulated, nullptr) << kReadEntry << " was not bound";
  ActivateBoard(0);
  Form_Main->Timer_Info->Enabled = true;
  ClearTraces();
  ClearCallLog();
}

void ScriptSearchReads(ScriptedRead read) { g_script = std::move(read); }

std::vector<std::string> TreeTexts(const vcl::TTreeView* tree) {
  std::vector<std::string> texts;
  for (int i = 0; i < tree->Items->Count; ++i) {
    const vcl::TTreeNode* node = tree->Items->Item[i];
    texts.push_back(std::string(static_cast<std::size_t>(node->Level.Get()) * 2, ' ') + node->Text.Get());
  }
  return texts;
}

}  // namespace kestrum::testing
