// The I/O monitor object: the 30 slots with their poll threads, the holds on
// the threads, the selection with its frame and bus lines, and the detail panel
// that the selection fills.

#include "kestrum/app/device_io.h"

#include "kestrum/app/globals.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/program_state.h"
#include "platform/convert.h"
#include "platform/format.h"

using namespace vcl;

DeviceIO* DeviceIOPanel = nullptr;

namespace {

template <class T>
T* Find(const TForm_Main& form, const std::string& name) {
  return dynamic_cast<T*>(form.FindComponent(name));
}

constexpr int kSlotsPerRow = 15;
constexpr int kColumnPitch = 56;      // pixels from one column's bus line to the next
constexpr int kFirstDropLine = 20;    // the first column's line, from the bus image's left edge
constexpr int kDropLineSlant = 10;    // how far right the line runs on its way down
constexpr int kBusLineY = 3;          // the horizontal run of the drop lines
constexpr int kTrunkX = 3;            // the vertical run of the trunk line
constexpr int kTrunkEndRise = 10;     // the trunk turns this far above the image's bottom
constexpr int kBusPenWidth = 3;

int ColumnOf(int slot) { return slot > kSlotsPerRow ? slot - kSlotsPerRow : slot; }

// n items "00", each followed by "," but the last, which is followed by ";".
std::string DefaultOutputText(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += i + 1 < n ? "00," : "00;";
  return text;
}

void RedBusPen(TCanvas* canvas) {
  canvas->Pen->Color = clRed;
  canvas->Pen->Width = kBusPenWidth;
  canvas->Pen->Style = plat::psSolid;
  canvas->Brush->Color = clRed;
  canvas->Brush->Style = bsSolid;
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
  // The main window's constructor made the locks; a DeviceIO made without it still gets them.
  if (!DeviceNameLock || !InputDataLock) kestrum::CreateProgramLocks();
  for (std::uint8_t n = 1; n <= kSlotCount; ++n) {
    const SlotControls c = Form_Main ? FindSlotControls(*Form_Main, n) : SlotControls{};
    auto* thread = new ThreadIO(n, /*create_suspended=*/true, c.LED, c.Image, *DeviceNameLock, *InputDataLock);
    thread->SetPriority(tpHigher);
    // The page's first showing releases this hold; Resume only lets go of the
    // creation's own, so the thread stays parked before its first pass.
    thread->Hold(kHoldCreated);
    thread->Resume();
    Threads[n] = thread;
    ShowDevice(n, false);
    if (c.Frame) c.Frame->Visible = false;
  }
  if (Form_Main) {
    Form_Main->Shape_IO->Visible = false;
    for (TImage* line : {Form_Main->Image_HLine1, Form_Main->Image_HLine2, Form_Main->Image_VLine}) {
      ClearCanvas(line->Canvas, clBtnFace);
    }
  }
}

DeviceIO::~DeviceIO() {
  // All are asked first, so that they end together; termination wins over
  // every hold. Waiting serves the synchronised calls the threads are still in.
  for (ThreadIO* thread : Threads) {
    if (thread) thread->Terminate();
  }
  for (ThreadIO* thread : Threads) {
    if (thread) thread->WaitFor();
  }
  for (ThreadIO*& thread : Threads) {
    delete thread;
    thread = nullptr;
  }
}

void DeviceIO::ShowDevice(std::uint8_t slot, bool show) {
  if (!ValidSlot(slot)) return;
  showLog_.emplace_back(slot, show);
  if (show) {
    Threads[slot]->Slot.Show();
  } else {
    Threads[slot]->Slot.Hide();
  }
  if (!Form_Main) return;
  const SlotControls c = FindSlotControls(*Form_Main, slot);
  for (TControl* part : {static_cast<TControl*>(c.Plate), static_cast<TControl*>(c.LED),
                         static_cast<TControl*>(c.Image), static_cast<TControl*>(c.Label)}) {
    if (part) part->Visible = show;
  }
}

void DeviceIO::SetDeviceMACID(std::uint8_t slot, std::uint8_t mac) {
  if (!ValidSlot(slot) || !Form_Main) return;
  if (TLabel* label = FindSlotControls(*Form_Main, slot).Label) label->Caption = plat::IntToStr(mac);
}

void DeviceIO::SelectDevice(TImage* image) {
  if (!image || !Form_Main) return;
  TForm_Main& f = *Form_Main;
  for (std::uint8_t n = 1; n <= kSlotCount; ++n) {
    if (TShape* frame = FindSlotControls(f, n).Frame) frame->Visible = false;
  }
  for (TImage* line : {f.Image_HLine1, f.Image_HLine2, f.Image_VLine}) ClearCanvas(line->Canvas, clBtnFace);
  f.Shape_IO->Visible = true;

  // "Image_D17" is slot 17.
  const std::string name = image->Name;
  const std::int32_t number = plat::StrToInt(name.size() > 7 ? std::string_view(name).substr(7) : "");
  if (number < 1 || number > kSlotCount) return;
  const auto slot = static_cast<std::uint8_t>(number);
  const SlotControls c = FindSlotControls(f, slot);
  SelectedSlot = slot;
  SelectedMACID = static_cast<std::uint8_t>(plat::StrToInt(c.Label->Caption()));
  c.Frame->Visible = true;

  DrawDropLine(ColumnOf(slot), slot <= kSlotsPerRow ? f.Image_HLine1 : f.Image_HLine2);
  DrawTrunkLine(slot, f.Image_VLine);

  f.SpeedButton_StartDevice->Enabled = true;
  f.SpeedButton_StopDevice->Enabled = true;
  f.SpeedButton_RefreshIO->Enabled = true;

  const kestrum::SlotValues v = Threads[slot]->Slot.Get();
  // A slot without a known connection shows no kind: the output commands
  // write by the kind shown, never by the previous slave's.
  const bool known = v.IOType >= kestrum::kPoll && v.IOType <= kestrum::kCyclic;
  f.Edit_IOType->Text = known ? std::string(kestrum::KindWord(static_cast<std::uint8_t>(v.IOType))) : std::string();
  f.Edit_InputLen->Text = plat::IntToStr(v.InputLen);
  f.Edit_OutputLen->Text = plat::IntToStr(v.OutputLen);
  f.Edit_DeviceName->Text = v.DeviceName;
  f.Memo_Input->Lines->Clear();
  f.Memo_Input->Lines->Add(v.InputData);
  f.Memo_Output->Lines->Clear();
  f.Memo_Output->Lines->Add(v.OutputLen != 0 && v.OutputData.empty() ? DefaultOutputText(v.OutputLen)
                                                                     : v.OutputData);

  // From now on only this slot's thread reads the name and the input data.
  for (std::uint8_t n = 1; n <= kSlotCount; ++n) {
    Threads[n]->Slot.Change([&](kestrum::SlotValues& s) { s.Selected = n == slot ? 1 : 0; });
  }
}

void DeviceIO::ActivateThread(std::uint8_t slot, bool run, const std::string& reason) {
  if (!ValidSlot(slot)) return;
  if (run) {
    Threads[slot]->Release(reason);
  } else {
    // Returns once the thread is at rest between passes: no driver call and
    // no lock of its own is left running.
    Threads[slot]->Hold(reason);
  }
}

std::set<std::string> DeviceIO::HoldReasons(std::uint8_t slot) const {
  if (!ValidSlot(slot)) return {};
  const std::vector<std::string> reasons = Threads[slot]->HoldReasons();
  return {reasons.begin(), reasons.end()};
}

void DeviceIO::ClearCanvas(TCanvas* canvas, TColor color) {
  if (!canvas) return;
  canvas->Brush->Color = color;
  canvas->Brush->Style = bsSolid;
  canvas->FillRect(canvas->ClipRect);
}

void DeviceIO::DrawDropLine(int column, TImage* image) {
  if (!image) return;
  TCanvas* canvas = image->Canvas;
  RedBusPen(canvas);
  const int x = kColumnPitch * column - (kColumnPitch - kFirstDropLine);
  canvas->MoveTo(0, kBusLineY);
  canvas->LineTo(x, kBusLineY);
  canvas->LineTo(x + kDropLineSlant, image->Height);
}

void DeviceIO::DrawTrunkLine(std::uint8_t slot, TImage* image) {
  if (!image) return;
  TCanvas* canvas = image->Canvas;
  RedBusPen(canvas);
  const int w = image->Width;
  const int h = image->Height;
  const bool upper = slot <= kSlotsPerRow;
  const int y1 = upper ? 3 : 100;   // where the row's bus image meets the trunk
  const int y2 = upper ? 10 : 110;
  canvas->MoveTo(w, y1);
  canvas->LineTo(kTrunkX, y2);
  canvas->LineTo(kTrunkX, h - kTrunkEndRise);
  canvas->LineTo(w, h);
}
