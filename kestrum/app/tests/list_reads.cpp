#include "list_reads.h"

#include <algorithm>
#include <optional>

#include "driver/entry_signatures.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "platform/library_loader.h"
#include "platform/testing/loaders.h"

namespace kestrum::testing {
namespace {

constexpr const char* kSearchEntry = "Calvory_GetSearchedDevices";
constexpr const char* kScanListEntry = "Calvory_GetScanList";
constexpr std::size_t kRoom = 200;  // of every caller's lists
using SearchFn = driver::BoardEntries::GetSearchedDevices;
using ScanListFn = driver::BoardEntries::GetScanList;

SearchFn g_simulated_search = nullptr;
ScanListFn g_simulated_scan_list = nullptr;
std::optional<ScriptedRead> g_search_script;
std::optional<ScriptedRead> g_scan_list_script;

// Writes what the script says; values (the scan list's sixth array) may be null.
std::int32_t Answer(const ScriptedRead& script, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* kinds,
                    std::uint16_t* input_lengths, std::uint16_t* output_lengths, std::uint16_t* values) {
  const std::size_t n = std::min(script.entries.size(), kRoom);
  for (std::size_t i = 0; i < n; ++i) {
    const ListEntry& e = script.entries[i];
    macs[i] = e.mac;
    kinds[i] = e.kind;
    input_lengths[i] = e.input_length;
    output_lengths[i] = e.output_length;
    if (values) values[i] = 0;
  }
  if (script.count == kCountAsWritten) *count = static_cast<std::uint16_t>(n);
  else if (script.count != kCountUnwritten) *count = static_cast<std::uint16_t>(script.count);
  return script.result;
}

std::int32_t SearchThroughTheTest(std::uint8_t board, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* kinds,
                                  std::uint16_t* input_lengths, std::uint16_t* output_lengths) {
  if (!g_search_script) return g_simulated_search(board, count, macs, kinds, input_lengths, output_lengths);
  return Answer(*g_search_script, count, macs, kinds, input_lengths, output_lengths, nullptr);
}

std::int32_t ScanListThroughTheTest(std::uint8_t board, std::uint16_t* count, std::uint8_t* macs,
                                    std::uint8_t* kinds, std::uint16_t* input_lengths,
                                    std::uint16_t* output_lengths, std::uint16_t* values) {
  if (!g_scan_list_script) {
    return g_simulated_scan_list(board, count, macs, kinds, input_lengths, output_lengths, values);
  }
  return Answer(*g_scan_list_script, count, macs, kinds, input_lengths, output_lengths, values);
}

// The shipped stand-ins, with the two entries replaced.
class ListReadsReplacingLoader final : public plat::LibraryLoader {
 public:
  plat::ModuleHandle Load(const std::string& file_name) override { return plat::SystemLoader().Load(file_name); }
  plat::ProcAddress Symbol(plat::ModuleHandle module, const std::string& entry_name) override {
    plat::ProcAddress address = plat::SystemLoader().Symbol(module, entry_name);
    if (address == nullptr) return address;
    if (entry_name == kSearchEntry) {
      g_simulated_search = reinterpret_cast<SearchFn>(address);
      return reinterpret_cast<plat::ProcAddress>(&SearchThroughTheTest);
    }
    if (entry_name == kScanListEntry) {
      g_simulated_scan_list = reinterpret_cast<ScanListFn>(address);
      return reinterpret_cast<plat::ProcAddress>(&ScanListThroughTheTest);
    }
    return address;
  }
};

}  // namespace

void StartWithListReadsThroughTheTest() {
  g_search_script.reset();
  g_scan_list_script.reset();
  g_simulated_search = nullptr;
  g_simulated_scan_list = nullptr;
  {
    ListReadsReplacingLoader loader;
    plat::testing::ScopedCurrentLoader scoped(loader);
    StartKestrum(driver::kKindCalvory);
  }
  ASSERT_NE(g_simulated_search, nullptr) << kSearchEntry << " was not bound";
  ASSERT_NE(g_simulated_scan_list, nullptr) << kScanListEntry << " was not bound";
  ActivateBoard(0);
  Form_Main->Timer_Info->Enabled = true;
  ClearTraces();
  ClearCallLog();
}

void ScriptSearchReads(ScriptedRead read) { g_search_script = std::move(read); }

void ScriptScanListReads(ScriptedRead read) { g_scan_list_script = std::move(read); }

std::vector<ListEntry> FullRoomOf(std::uint8_t mac) {
  std::vector<ListEntry> entries;
  for (std::uint16_t i = 0; i < kRoom; ++i) entries.push_back({mac, 1, i, i});
  return entries;
}

std::vector<std::string> FullRoomTexts(std::uint8_t mac) {
  std::vector<std::string> texts{"Device " + std::to_string(mac)};
  for (std::size_t i = 0; i < kRoom; ++i) {
    texts.push_back("  Poll ( Input " + std::to_string(i) + " , Output " + std::to_string(i) + " )");
  }
  return texts;
}

std::vector<std::string> TreeTexts(const vcl::TTreeView* tree) {
  std::vector<std::string> texts;
  for (int i = 0; i < tree->Items->Count; ++i) {
    const vcl::TTreeNode* node = tree->Items->Item[i];
    texts.push_back(std::string(static_cast<std::size_t>(node->Level.Get()) * 2, ' ') + node->Text.Get());
  }
  return texts;
}

}  // namespace kestrum::testing
