#include "config_nodes.h"

#include <algorithm>
#include <array>

#include "driver/master_api.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/globals.h"

using namespace vcl;

namespace kestrum::config {

namespace {
constexpr std::uint8_t kHighestMac = 63;
}  // namespace

std::int32_t ReadScanList(std::vector<ScanListEntry>& entries) {
  entries.clear();
  constexpr std::size_t kRoom = driver::kDeviceListRoom;
  std::uint16_t count = 0;
  std::array<std::uint8_t, kRoom> macs{};
  std::array<std::uint8_t, kRoom> kinds{};
  std::array<std::uint16_t, kRoom> inputs{};
  std::array<std::uint16_t, kRoom> outputs{};
  std::array<std::uint16_t, kRoom> values{};  // what each entry was added with; not needed here
  const std::int32_t result = BrantelAPI_GetScanList(ActiveBoardNo, &count, macs.data(), kinds.data(),
                                                     inputs.data(), outputs.data(), values.data());
  if (result != 0) return result;
  const std::size_t n = std::min<std::size_t>(count, kRoom);
  for (std::size_t i = 0; i < n; ++i) {
    if (kinds[i] < kPoll || kinds[i] > kCyclic || macs[i] > kHighestMac) continue;
    entries.push_back({macs[i], kinds[i], inputs[i], outputs[i]});
  }
  return 0;
}

TTreeNode* FindDeviceNode(TTreeView* tree, int mac) {
  const std::string text = DeviceNodeText(mac);
  for (int i = 0; i < tree->Items->Count; ++i) {
    TTreeNode* node = tree->Items->GetNodeFromIndex(i);
    if (node->Text == text) return node;
  }
  return nullptr;
}

TTreeNode* AppendDeviceNode(TTreeView* tree, int mac) {
  TTreeNode* node = tree->Items->Add(nullptr, DeviceNodeText(mac));
  node->ImageIndex = kDeviceNodeImage;
  node->SelectedIndex = kDeviceNodeImage;
  node->StateIndex = -1;
  return node;
}

TTreeNode* DeviceNodeFor(TTreeView* tree, int mac) {
  TTreeNode* node = FindDeviceNode(tree, mac);
  return node ? node : AppendDeviceNode(tree, mac);
}

TTreeNode* AppendConnectionNode(TTreeView* tree, TTreeNode* device, std::uint8_t kind, int input_length,
                                int output_length) {
  TTreeNode* node = tree->Items->AddChild(device, ConnectionNodeText(kind, input_length, output_length));
  node->ImageIndex = ConnectionNodeImage(kind);
  node->SelectedIndex = ConnectionNodeImage(kind);
  return node;
}

void HideAllSlots() {
  if (!DeviceIOPanel) return;
  for (std::uint8_t slot = 1; slot <= DeviceIO::kSlotCount; ++slot) DeviceIOPanel->ShowDevice(slot, false);
}


}  // namespace kestrum::config
