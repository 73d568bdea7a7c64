#pragma once
// What the I/O monitor's tests share: a started program whose configuration
// tree the test fills by hand, and the page, slots and slot values by number.

#include <set>
#include <string>
#include <vector>

#include "kestrum/app/globals.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/thread_io.h"
#include "platform/convert.h"

namespace kestrum::testing {

using Reasons = std::set<std::string>;

class IOPage : public KestrumTest {
 protected:
  static vcl::TTreeNodes* Tree() { return Form_Main->TreeView_CurrentConfig->Items; }
  static void AddDevice(int mac, const std::vector<std::string>& connections = {}) {
    vcl::TTreeNode* device = Tree()->Add(nullptr, kestrum::DeviceNodeText(mac));
    for (const std::string& c : connections) Tree()->AddChild(device, c);
  }
  // Shows the page (again): its fill runs each time.
  static void ShowIOPage() {
    vcl::TPageControl* pages = Form_Main->PageControl_Main;
    if (pages->ActivePage == Form_Main->TabSheet_DeviceIO) ShowPage(pages, Form_Main->TabSheet_Configuration);
    ShowPage(pages, Form_Main->TabSheet_DeviceIO);
  }
  static SlotControls Slot(int n) { return FindSlotControls(*Form_Main, n); }
  static kestrum::SlotValues Values(int n) {
    return DeviceIOPanel->ThreadOf(static_cast<std::uint8_t>(n))->Slot.Get();
  }
  // The MAC IDs that the visible slots' labels show, slot by slot.
  static std::vector<int> ShownLabels() {
    std::vector<int> macs;
    for (int n = 1; n <= DeviceIO::kSlotCount; ++n) {
      if (Slot(n).Label->Visible) macs.push_back(plat::StrToInt(Slot(n).Label->Caption()));
    }
    return macs;
  }
  static void Select(int n) { Click(Slot(n).Image); }
};

}  // namespace kestrum::testing
