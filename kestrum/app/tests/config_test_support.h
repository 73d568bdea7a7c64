#pragma once
// What the tests of the configuration page, the new-device dialog and the
// EEPROM file share: the trees as lines of text, the scan-list calls the
// master saw, the slots the I/O monitor was told to hide, and a program
// started on a master whose scan list the test chooses.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dnsim/simulation.h"
#include "kestrum/app/testing/kestrum_test.h"

namespace kestrum::config_testing {

using namespace kestrum::testing;

// Every node in index order: "Device 5 [2]", a child indented by two blanks
// ("  Poll ( Input 8 , Output 4 ) [3]"), the picture in brackets; a picture
// other than the selected picture, or a device node with a state picture,
// shows both ("[2/3]", "[2 state 0]").
inline std::vector<std::string> TreeLines(vcl::TTreeView* tree) {
  std::vector<std::string> lines;
  for (int i = 0; i < tree->Items->Count; ++i) {
    vcl::TTreeNode* node = tree->Items->GetNodeFromIndex(i);
    std::string line(2 * node->Level, ' ');
    line.append(node->Text()).append(" [").append(std::to_string(node->ImageIndex));
    if (node->SelectedIndex != node->ImageIndex) line.append("/").append(std::to_string(node->SelectedIndex));
    if (node->Level == 0 && node->StateIndex != -1) line.append(" state ").append(std::to_string(node->StateIndex));
    lines.push_back(line.append("]"));
  }
  return lines;
}

// The calls that change or read the scan list, as "AddDevice board=0 mac=5
// value=2500" (the operation and its arguments).
inline std::vector<std::string> ScanListCalls() {
  std::vector<std::string> calls;
  for (const dnsim::CallRecord& r : CallLog()) {
    switch (r.op) {
      case dnsim::Op::AddDevice:
      case dnsim::Op::AddIOConnection:
      case dnsim::Op::RemoveDevice:
      case dnsim::Op::ClearAllConfig:
      case dnsim::Op::GetScanList: calls.push_back(std::string(dnsim::OpName(r.op)) + " " + r.args); break;
      default: break;
    }
  }
  return calls;
}

// What hiding every slot of the I/O monitor page logs.
inline std::vector<std::pair<std::uint8_t, bool>> AllSlotsHidden() {
  std::vector<std::pair<std::uint8_t, bool>> log;
  for (std::uint8_t slot = 1; slot <= 30; ++slot) log.emplace_back(slot, false);
  return log;
}

// Starts the program (a module master), activates module 0 on a master that
// holds the scan list, and forgets the calls, traces and slot changes so far.
inline void StartWithScanList(const std::vector<dnsim::ScanEntry>& scan_list) {
  ConfigureNetwork([&](dnsim::NetworkConfig& n) { n.scan_list = scan_list; });
  StartKestrum(driver::kKindMerrow);
  ActivateBoard(0);
  ClearTraces();
  DeviceIOPanel->ClearShowDeviceLog();
}

}  // namespace kestrum::config_testing
