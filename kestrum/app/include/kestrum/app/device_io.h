#pragma once
// The I/O monitor object (class DeviceIO, one instance reached through
// DeviceIOPanel): the 30 slots of the page "Remote Devices I/O Monitor", the
// selected slot, and the slots' poll threads.
//
// The main window's FormCreate makes DeviceIOPanel; the tool-bar Exit deletes
// it before it closes the board, and after a menu Exit the program deletes it
// once the loop has ended (kestrum::EndProgramQuietly). Deleting it ends every
// poll thread and returns only when all have ended.
//
// This is the seam the other features call; everything here runs on the
// window thread:
//   ShowDevice(slot, false)          after a scan-list change, for slots 1 to 30
//   ActivateThread(slot, run, why)   hold (run false) or release (run true) a
//                                    slot's poll thread for one reason
//   GetSelectedMACID(), GetSelectedSlot()
// Holds carry a reason, so independent holders never release each other: a
// slot's thread runs only while it has no hold at all. Holding a reason that is
// already held, or releasing one that is not, changes nothing. Holding returns
// only once the thread is at rest between passes (no driver call under way,
// neither poll lock held); meanwhile the thread's synchronised calls are served.

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "kestrum/app/thread_io.h"
#include "platform/vcl/forms.h"

class TForm_Main;

// The five components of one slot, found by name on the main window.
struct SlotControls {
  vcl::TShape* Frame = nullptr;  // "Shape_D%d": red frame of the selected slot
  vcl::TBevel* Plate = nullptr;  // "Bevel%d"
  vcl::TImage* Image = nullptr;  // "Image_D%d": the clickable device
  vcl::TShape* LED = nullptr;    // "Shape_LED%d"
  vcl::TLabel* Label = nullptr;  // "Label%03d" (the same name as "Label0%02d"): the MAC ID
};
// Null members when the form lacks them (a slot outside 1 to 30).
SlotControls FindSlotControls(const TForm_Main& form, int slot);

class DeviceIO {
 public:
  static constexpr std::uint8_t kSlotCount = 30;
  static constexpr std::uint8_t kNone = 255;  // no slot or MAC ID selected

  // Hold reasons. A thread starts held for kHoldCreated, which the page's
  // first showing releases.
  static constexpr const char* kHoldCreated = "created";
  static constexpr const char* kHoldReset = "reset";        // firmware reset
  static constexpr const char* kHoldSearch = "search";      // network search
  static constexpr const char* kHoldPageFill = "pagefill";  // filling the page

  // On Form_Main: nothing selected; every slot hidden, its frame hidden and its
  // thread made, one step above normal priority, and held (kHoldCreated);
  // Shape_IO hidden; the bus lines cleared.
  DeviceIO();
  // Asks every poll thread to end (held ones too), waits for all of them while
  // serving their synchronised calls (which then change nothing) and frees
  // them; touches no window. No poll thread calls the driver afterwards.
  ~DeviceIO();
  DeviceIO(const DeviceIO&) = delete;
  DeviceIO& operator=(const DeviceIO&) = delete;

  // Visible of the slot's plate, LED, image and label. Hiding also resets the
  // slot's data; the output text and the frame stay. Slots outside 1 to 30 are
  // ignored.
  void ShowDevice(std::uint8_t slot, bool show);
  // The slot label's caption := the MAC ID in decimal.
  void SetDeviceMACID(std::uint8_t slot, std::uint8_t mac);
  // Selects the slot of the clicked image (frame, bus lines, detail panel, and
  // the one slot whose thread reads the name and the input data).
  void SelectDevice(vcl::TImage* image);
  std::uint8_t GetSelectedSlot() const { return SelectedSlot; }
  std::uint8_t GetSelectedMACID() const { return SelectedMACID; }

  // Holds (run false) or releases (run true) the slot's poll thread for the
  // reason. Slots outside 1 to 30 are ignored.
  void ActivateThread(std::uint8_t slot, bool run, const std::string& reason);
  // The reasons the slot's thread is held for (empty: it runs).
  std::set<std::string> HoldReasons(std::uint8_t slot) const;
  // The slot's poll thread (its Slot holds the slot's data); null outside 1 to 30.
  ThreadIO* ThreadOf(std::uint8_t slot) const { return ValidSlot(slot) ? Threads[slot] : nullptr; }

  // Fills the canvas's whole clip rectangle with the colour.
  void ClearCanvas(vcl::TCanvas* canvas, vcl::TColor color);
  // The bus line above a row down to the slot of that column (1 to 15).
  void DrawDropLine(int column, vcl::TImage* image);
  // The bus line down the left edge from the slot's row to the detail panel.
  void DrawTrunkLine(std::uint8_t slot, vcl::TImage* image);

  // Tests: every ShowDevice call since the object was made, in order.
  const std::vector<std::pair<std::uint8_t, bool>>& ShowDeviceLog() const { return showLog_; }
  void ClearShowDeviceLog() { showLog_.clear(); }

  std::uint8_t SelectedMACID = kNone;
  std::uint8_t SelectedSlot = kNone;

 private:
  static bool ValidSlot(std::uint8_t slot) { return slot >= 1 && slot <= kSlotCount; }
  ThreadIO* Threads[kSlotCount + 1] = {};  // index n: the thread of slot n; 0 unused
  std::vector<std::pair<std::uint8_t, bool>> showLog_;
};

extern DeviceIO* DeviceIOPanel;
