#include "kestrum/app/debug_device.h"

#include <algorithm>

#include "driver/master_api.h"
#include "kestrum/app/globals.h"
#include "kestrum/app/helix.h"
#include "kestrum/app/pictures.h"
#include "kestrum/app/program_state.h"
#include "layout.h"
#include "platform/convert.h"
#include "platform/format.h"
#include "searched_devices.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_DebuggingDevice* Form_DebuggingDevice = nullptr;

TForm_DebuggingDevice::TForm_DebuggingDevice(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_DebuggingDevice";
  Caption = "Debugging Remote Device";
  BorderStyle = bsSingle;
  BorderIcons = TBorderIcons();  // no title-bar buttons: the OK button closes it
  Position = poScreenCenter;
  ClientWidth = 332;
  ClientHeight = 372;

  Label1 = Label(this, "Label1", this, 8, 12, " Select Device ID");
  ComboBox_DeviceID = NumberList(this, "ComboBox_DeviceID", this, 110, 8, 56, 0, 63, 0);
  SpeedButton_StartDebugging =
      SpeedButton(this, "SpeedButton_StartDebugging", this, 184, 4, 140, 28, "Start Debugging", "DIAG_START");
  SpeedButton_StartDebugging->NumGlyphs = 2;
  SpeedButton_StartDebugging->OnClick = Method(this, &TForm_DebuggingDevice::SpeedButton_StartDebuggingClick);

  Panel_Info = Make<TPanel>(this, "Panel_Info", this, 8, 40, 315, 53);
  Panel_Info->Color = clBlack;
  Panel_Info->BevelInner = bvLowered;
  Panel_Info->BevelWidth = 2;
  Panel_Info->Caption = "";
  BoldFont(Panel_Info->Font, 13);
  Image_DNA = Picture(this, "Image_DNA", Panel_Info, 4, 4, 307, 45, "", /*stretch=*/false);

  // One row per connection kind: picture, plate, lengths (Strobe has only an input length).
  struct Row {
    TImage* TForm_DebuggingDevice::*image;
    const char* image_name;
    const char* picture;
    TBevel* TForm_DebuggingDevice::*bevel;
    const char* bevel_name;
    TLabel* TForm_DebuggingDevice::*input_label;
    const char* input_label_name;
    TEdit* TForm_DebuggingDevice::*input;
    const char* input_name;
    TLabel* TForm_DebuggingDevice::*output_label;  // null for Strobe
    const char* output_label_name;
    TEdit* TForm_DebuggingDevice::*output;
    const char* output_name;
  };
  using F = TForm_DebuggingDevice;
  const Row rows[] = {
      {&F::Image1, "Image1", "CONN_POLL", &F::Bevel1, "Bevel1", &F::Label_PollInputLen, "Label_PollInputLen",
       &F::Edit_FindingPollInputLen, "Edit_FindingPollInputLen", &F::Label_PollOutputLen, "Label_PollOutputLen",
       &F::Edit_FindingPollOutputLen, "Edit_FindingPollOutputLen"},
      {&F::Image2, "Image2", "CONN_STROBE", &F::Bevel2, "Bevel2", &F::Label_StrobeInputLen, "Label_StrobeInputLen",
       &F::Edit_FindingStrobeInputLen, "Edit_FindingStrobeInputLen", nullptr, nullptr, nullptr, nullptr},
      {&F::Image3, "Image3", "CONN_COS", &F::Bevel3, "Bevel3", &F::Label_COSInputLen, "Label_COSInputLen",
       &F::Edit_FindingCOSInputLen, "Edit_FindingCOSInputLen", &F::Label_COSOutputLen, "Label_COSOutputLen",
       &F::Edit_FindingCOSOutputLen, "Edit_FindingCOSOutputLen"},
      {&F::Image4, "Image4", "CONN_CYCLIC", &F::Bevel4, "Bevel4", &F::Label_CyclicInputLen, "Label_CyclicInputLen",
       &F::Edit_FindingCyclicInputLen, "Edit_FindingCyclicInputLen", &F::Label_CyclicOutputLen,
       "Label_CyclicOutputLen", &F::Edit_FindingCyclicOutputLen, "Edit_FindingCyclicOutputLen"},
  };
  int top = 102;
  for (const Row& r : rows) {
    this->*r.bevel = Make<TBevel>(this, r.bevel_name, this, 8, top, 315, 56);
    this->*r.image = Picture(this, r.image_name, this, 16, top + 12, 32, 32, r.picture, /*stretch=*/false);
    this->*r.input_label = Label(this, r.input_label_name, this, 60, top + 8, "Input Length");
    TEdit* input = Edit(this, r.input_name, this, 60, top + 26, 80, /*read_only=*/true);
    BoldFont(input->Font, 13);
    this->*r.input = input;
    if (r.output) {
      this->*r.output_label = Label(this, r.output_label_name, this, 160, top + 8, "Output Length");
      TEdit* output = Edit(this, r.output_name, this, 160, top + 26, 80, /*read_only=*/true);
      BoldFont(output->Font, 13);
      this->*r.output = output;
    }
    top += 60;
  }

  BitBtn_OK = Make<TBitBtn>(this, "BitBtn_OK", this, 124, 340, 84, 26);
  BitBtn_OK->Kind = bkOK;
  Timer_Wait = Timer(this, "Timer_Wait", 200, false, Method(this, &TForm_DebuggingDevice::Timer_WaitTimer));
  Timer_Finding = Timer(this, "Timer_Finding", 1000, false, Method(this, &TForm_DebuggingDevice::Timer_FindingTimer));
  OnCloseQuery = Method(this, &TForm_DebuggingDevice::FormCloseQuery);
}

void TForm_DebuggingDevice::SpeedButton_StartDebuggingClick(TObject*) {
  Image_DNA->Visible = true;
  Timer_Wait->Enabled = true;
  SpeedButton_StartDebugging->Enabled = false;
  BitBtn_OK->Enabled = false;
  searching_ = true;
  searchedMAC_ = static_cast<std::uint8_t>(std::max(ComboBox_DeviceID->ItemIndex.Get(), 0));
  // Its result is not looked at: a search that cannot start ends at the first poll.
  BrantelAPI_SearchSpecificDevice(ActiveBoardNo, 1, &searchedMAC_);
  for (TEdit* length : LengthFields()) {
    length->Text = "N/A";
    length->Color = clWindow;
  }
  Timer_Finding->Enabled = true;
}

void TForm_DebuggingDevice::Timer_FindingTimer(TObject*) {
  Timer_Finding->Enabled = false;
  if (BrantelAPI_IsSearchOK(ActiveBoardNo) == kestrum::kSearchStillRunning) {
    Timer_Finding->Enabled = true;
    return;
  }
  const kestrum::SearchedDevices found = kestrum::ReadSearchedDevices(ActiveBoardNo);
  // Only the searched device's entries answer this search: others are left
  // over from an earlier search (one that could not start leaves the list as it was).
  auto searched = [&](std::uint16_t i) { return found.macs[i] == searchedMAC_; };
  const bool answered =
      found.Found() && std::find(found.macs, found.macs + found.count, searchedMAC_) != found.macs + found.count;
  if (!answered) {
    Panel_Info->Caption = plat::Format("Device %d NOT exist! (%d)", searchedMAC_, found.result);
    Panel_Info->Color = clRed;
  } else {
    auto show = [](TEdit* field, std::uint16_t length) {
      field->Text = plat::IntToStr(length);
      field->Color = clMoneyGreen;
    };
    // A later entry of a kind overwrites an earlier one.
    for (std::uint16_t i = 0; i < found.count; ++i) {
      if (!searched(i)) continue;
      const std::uint16_t input = found.input_lengths[i];
      const std::uint16_t output = found.output_lengths[i];
      switch (found.kinds[i]) {
        case kestrum::kPoll:
          show(Edit_FindingPollInputLen, input);
          show(Edit_FindingPollOutputLen, output);
          break;
        case kestrum::kStrobe:
          show(Edit_FindingStrobeInputLen, input);
          break;
        case kestrum::kCOS:
        case kestrum::kCyclic:
          // A slave's COS and Cyclic connections are shown as one.
          show(Edit_FindingCOSInputLen, input);
          show(Edit_FindingCOSOutputLen, output);
          show(Edit_FindingCyclicInputLen, input);
          show(Edit_FindingCyclicOutputLen, output);
          break;
        default:
          break;
      }
    }
    Panel_Info->Caption = plat::Format("Device %d OK!", searchedMAC_);
    Panel_Info->Color = clGreen;
  }
  SpeedButton_StartDebugging->Enabled = true;
  BitBtn_OK->Enabled = true;
  Image_DNA->Visible = false;
  Timer_Wait->Enabled = false;
  searching_ = false;
}

void TForm_DebuggingDevice::Timer_WaitTimer(TObject*) {
  DrawHelix(kDebugHelixPoints, DebugHelixPhase, Image_DNA);
  ++DebugHelixPhase;
}

void TForm_DebuggingDevice::DrawHelix(int points, std::uint32_t phase, TImage* image) {
  kestrum::DrawHelix(points, phase, image, DebugHelixDepth);
}

void TForm_DebuggingDevice::ClearCanvas(TCanvas* canvas, TColor color) { kestrum::ClearCanvas(canvas, color); }

void TForm_DebuggingDevice::FormCloseQuery(TObject*, bool& CanClose) { CanClose = !searching_; }

std::vector<TEdit*> TForm_DebuggingDevice::LengthFields() const {
  return {Edit_FindingPollInputLen,   Edit_FindingPollOutputLen, Edit_FindingStrobeInputLen,
          Edit_FindingCOSInputLen,    Edit_FindingCOSOutputLen,  Edit_FindingCyclicInputLen,
          Edit_FindingCyclicOutputLen};
}
