#pragma once
// What the configuration commands of the main window and the new-device
// dialog share: the master's scan list as the program may use it, the device
// and connection nodes of the configuration trees, the hiding of the I/O
// monitor's slots and the program's message boxes.

#include <cstdint>
#include <string>
#include <vector>

#include "kestrum/app/boxes.h"
#include "platform/vcl/forms.h"

namespace kestrum::config {

// What every device and connection is added to the scan list with.
inline constexpr std::uint16_t kAddDeviceValue = 2500;
inline constexpr std::uint16_t kAddConnectionValue = 200;

// One usable scan-list entry: a connection of kind 1 to 4 of a MAC ID 0 to 63.
struct ScanListEntry {
  std::uint8_t mac = 0;
  std::uint8_t kind = 0;
  std::uint16_t input_length = 0;
  std::uint16_t output_length = 0;
};

// Reads the active master's scan list; the driver's result. The count is
// never trusted beyond the arrays' room, and entries that name no connection
// (kind 0: a device added without one), a kind the program does not know or a
// MAC ID beyond 63 are left out, so no caller ever indexes a table by them.
// On a result other than 0 the list is empty.
std::int32_t ReadScanList(std::vector<ScanListEntry>& entries);

// The first node of the tree, in index order, whose text is "Device %d" of
// the MAC ID; null when there is none.
vcl::TTreeNode* FindDeviceNode(vcl::TTreeView* tree, int mac);
// A device node "Device %d" appended at the end of the roots.
vcl::TTreeNode* AppendDeviceNode(vcl::TTreeView* tree, int mac);
// The device node of the MAC ID, appended when the tree has none yet.
vcl::TTreeNode* DeviceNodeFor(vcl::TTreeView* tree, int mac);
// A connection node of kind 1 to 4 appended as the device's last child.
vcl::TTreeNode* AppendConnectionNode(vcl::TTreeView* tree, vcl::TTreeNode* device, std::uint8_t kind,
                                     int input_length, int output_length);

// Hides slots 1 to 30 of the I/O monitor page, in ascending order, so that the
// page fills them again from the configuration tree when it is next shown.
void HideAllSlots();


}  // namespace kestrum::config
