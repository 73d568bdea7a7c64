// The I/O monitor object. The slots' visibility, the selection and the hold
// reasons are kept here; the poll threads, the slot data, the selection's
// drawing and the detail panel come with the I/O monitor page.

#include "kestrum/app/device_io.h"

#include "kestrum/app/main_form.h"
#include "platform/format.h"

using namespace vcl;

DeviceIO* DeviceIOPanel = nullptr;

namespace {

template <class T>
T* Find(const TForm_Main& form, const std::string& name) {
  return dynamic_cast<T*>(form.FindComponent(name));
}

}  // namespace

SlotControls FindSlotControls(const TForm_Main& form, int slot) {
  SlotControls c;
  if (slot < 1 || slot > DeviceIO::kSlotCount) return c;
  c.Frame = Find<TShape>(form, plat::Format("Shape_D%d", slot));
  c.Plate = Find<TBevel>(form, plat::Format("Bevel%d", slot));
  c.Image = Find<TImage>(form, plat::Format("Image_D%d", slot));
  c.LED = Find<TShape>(form, plat::Format("Shape_LED%d", slot));
  c.Label = Find<TLabel>(form, plat::Format("Label%03d", slot));
  return c;
}

DeviceIO::DeviceIO() {
  for (std::uint8_t n = 1; n <= kSlotCount; ++n) {
    ActivateThread(n, false, kHoldCreated);
    ShowDevice(n, false);
    if (Form_Main) {
      if (TShape* frame = FindSlotControls(*Form_Main, n).Frame) frame->Visible = false;
    }
  }
  if (Form_Main) {
    Form_Main->Shape_IO->Visible = false;
    for (TImage* line : {Form_Main->Image_HLine1, Form_Main->Image_HLine2, Form_Main->Image_VLine}) {
      ClearCanvas(line->Canvas, clBtnFace);
    }
  }
}

DeviceIO::~DeviceIO() = default;

void DeviceIO::ShowDevice(std::uint8_t slot, bool show) {
  if (!ValidSlot(slot)) return;
  showLog_.emplace_back(slot, show);
  if (!Form_Main) return;
  const SlotControls c = FindSlotControls(*Form_Main, slot);
  for (TControl* part : {static_cast<TControl*>(c.Plate), static_cast<TControl*>(c.LED),
                         static_cast<TControl*>(c.Image), static_cast<TControl*>(c.Label)}) {
    if (part) part->Visible = show;
  }
}

void DeviceIO::SetDeviceMACID(std::uint8_t, std::uint8_t) {
  // Filled by the I/O monitor page.
}

void DeviceIO::SelectDevice(TImage*) {
  // Filled by the I/O monitor page.
}

void DeviceIO::ActivateThread(std::uint8_t slot, bool run, const std::string& reason) {
  if (!ValidSlot(slot)) return;
  if (run) {
    holds_[slot].erase(reason);
  } else {
    holds_[slot].insert(reason);
  }
}

std::set<std::string> DeviceIO::HoldReasons(std::uint8_t slot) const {
  return ValidSlot(slot) ? holds_[slot] : std::set<std::string>{};
}

void DeviceIO::ClearCanvas(TCanvas*, TColor) {
  // Filled by the I/O monitor page.
}

void DeviceIO::DrawDropLine(int, TImage*) {
  // Filled by the I/O monitor page.
}

void DeviceIO::DrawTrunkLine(std::uint8_t, TImage*) {
  // Filled by the I/O monitor page.
}
