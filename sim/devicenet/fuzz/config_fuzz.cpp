// Fuzz target for the simulator's configuration file: whatever the file holds,
// the reader gives a network within the simulation's limits or an error that
// names a line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "dnsim/network.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckData(const std::vector<std::uint8_t>& bytes) { Check(bytes.size() <= dnsim::kMaxDataBytes); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const std::optional<dnsim::NetworkConfig> config = dnsim::ParseConfig(text, &error);
  if (!config) {
    Check(error.rfind("line ", 0) == 0);
    return 0;
  }
  const dnsim::MasterConfig& m = config->master;
  Check(m.mac <= dnsim::kMaxMacId && m.baud <= 2);
  Check(m.boards <= dnsim::kMaxBoards && m.ports.size() <= dnsim::kMaxBoards);
  Check(m.debug_window_ids.size() <= dnsim::kMaxDebugWindowIds);
  CheckData(m.default_attribute);
  for (const dnsim::SlaveConfig& s : config->slaves) {
    Check(s.mac <= dnsim::kMaxMacId && s.baud <= 2);
    std::set<std::uint8_t> types;
    for (const dnsim::Connection& c : s.connections) {
      Check(c.type >= 1 && c.type <= 4 && types.insert(c.type).second);
    }
    if (s.input) CheckData(*s.input);
    for (const auto& [id, reply] : s.attributes) CheckData(reply);
  }
  Check(config->scan_list.size() <= dnsim::kMaxScanEntries);
  for (const dnsim::ScanEntry& e : config->scan_list) Check(e.mac <= dnsim::kMaxMacId && e.type <= 4);
  return 0;
}
