// Network search: the search command and its poll, and the opening of the
// device diagnosis dialog.

#include <cstdint>

#include "driver/master_api.h"
#include "kestrum/app/boxes.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/debug_device.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/globals.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/wait_dialog.h"
#include "platform/format.h"
#include "searched_devices.h"

using namespace vcl;

namespace {

constexpr std::uint8_t kMacIdCount = 64;  // MAC IDs 0 to 63

// Holds (run false) or releases (run true) the poll threads of slots 1 to 30,
// in ascending order. The search holds them for a reason of its own, so the
// page fill or a firmware reset, which release only theirs, never let a poll
// thread reach the driver while the master searches.
void HoldPollThreadsForSearch(bool run) {
  if (DeviceIOPanel == nullptr) return;
  for (std::uint8_t slot = 1; slot <= DeviceIO::kSlotCount; ++slot) {
    DeviceIOPanel->ActivateThread(slot, run, DeviceIO::kHoldSearch);
  }
}

// One device node per MAC ID found, in ascending order whatever order the
// master reported; under each, its connections in the master's order. Returns
// the number of devices.
std::uint8_t ShowSearchedDevices(TTreeView* tree, const kestrum::SearchedDevices& found) {
  bool present[kMacIdCount] = {};
  for (std::uint16_t i = 0; i < found.count; ++i) {
    if (found.macs[i] < kMacIdCount) present[found.macs[i]] = true;
  }
  std::uint8_t devices = 0;
  for (std::uint8_t mac = 0; mac < kMacIdCount; ++mac) {
    if (!present[mac]) continue;
    ++devices;
    TTreeNode* device = tree->Items->Add(nullptr, kestrum::DeviceNodeText(mac));
    device->ImageIndex = kestrum::kDeviceNodeImage;
    device->SelectedIndex = kestrum::kDeviceNodeImage;
    device->StateIndex = -1;
    for (std::uint16_t i = 0; i < found.count; ++i) {
      if (found.macs[i] != mac) continue;
      const std::string text =
          kestrum::ConnectionNodeText(found.kinds[i], found.input_lengths[i], found.output_lengths[i]);
      if (text.empty()) continue;  // a kind the tree has no node for
      TTreeNode* connection = tree->Items->AddChild(device, text);
      connection->ImageIndex = kestrum::ConnectionNodeImage(found.kinds[i]);
      connection->SelectedIndex = kestrum::ConnectionNodeImage(found.kinds[i]);
    }
  }
  return devices;
}

}  // namespace

void TForm_Main::SpeedButton_SearchDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  kestrum::TraceCommand("SpeedButton_SearchDeviceClick");
  // One search at a time: a second one would restart the master's search and
  // hold the poll threads on top of the first.
  if (searching_) return;
  // Nor while a firmware reset is being watched: the master is restarting,
  // and the reset's end would resume the poll threads under the search.
  if (Timer_ResetFirmware->Enabled) return;
  const std::int32_t result = BrantelAPI_StartAutoScan(ActiveBoardNo);
  if (result != 0) {
    kestrum::TraceText(plat::Format("BrantelAPI_StartAutoScan Error!(%d)", result), kestrum::kTraceChannel);
    return;
  }
  searching_ = true;
  Form_Wait->Show();  // not modal: it stays on top of the main window
  HoldPollThreadsForSearch(false);
  Timer_Info->Enabled = false;
  TreeView_AutoScanDevice->Items->Clear();
  Timer_SearchDevice->Enabled = true;
}

void TForm_Main::Timer_SearchDeviceTimer(TObject*) {
  // The master may search as long as it needs: no limit of our own.
  if (BrantelAPI_IsSearchOK(ActiveBoardNo) == kestrum::kSearchStillRunning) return;
  Timer_SearchDevice->Enabled = false;
  const kestrum::SearchedDevices found = kestrum::ReadSearchedDevices(ActiveBoardNo);
  if (!found.Found()) {
    Timer_Info->Enabled = true;
    Form_Wait->Hide();
    HoldPollThreadsForSearch(true);
    MessageBox(nullptr, "Can not find any device", "Kestrum", MB_OK);
    Panel_SearchDevice->Caption = " Searched Devices : No Device!! ";
  } else {
    const std::uint8_t devices = ShowSearchedDevices(TreeView_AutoScanDevice, found);
    Timer_Info->Enabled = true;
    HoldPollThreadsForSearch(true);
    Form_Wait->Hide();
    Panel_SearchDevice->Caption = plat::Format(" Searched Devices : %d Devices!! ", devices);
  }
  searching_ = false;
}

void TForm_Main::SpeedButton_DebugDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  kestrum::TraceCommand("SpeedButton_DebugDeviceClick");
  // A diagnosis would start a search of its own and spoil the network search's result.
  if (searching_) return;
  Form_DebuggingDevice->ShowModal();
}
