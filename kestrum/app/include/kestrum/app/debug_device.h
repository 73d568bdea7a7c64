#pragma once
// The device diagnosis dialog (unit DebugDevice): does the slave with a given
// MAC ID answer, and with which connections? Its handlers belong to the
// network search.

#include <cstdint>

#include "platform/forms.h"

class TForm_DebuggingDevice : public vcl::TForm {
 public:
  explicit TForm_DebuggingDevice(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_DebuggingDevice"; }

  vcl::TLabel* Label1{};
  vcl::TComboBox* ComboBox_DeviceID{};
  vcl::TSpeedButton* SpeedButton_StartDebugging{};
  vcl::TPanel* Panel_Info{};
  vcl::TImage* Image_DNA{};
  // The four rows, top to bottom: Poll, Strobe, COS, Cyclic.
  vcl::TImage* Image1{};
  vcl::TImage* Image2{};
  vcl::TImage* Image3{};
  vcl::TImage* Image4{};
  vcl::TBevel* Bevel1{};
  vcl::TBevel* Bevel2{};
  vcl::TBevel* Bevel3{};
  vcl::TBevel* Bevel4{};
  vcl::TLabel* Label_PollInputLen{};
  vcl::TEdit* Edit_FindingPollInputLen{};
  vcl::TLabel* Label_PollOutputLen{};
  vcl::TEdit* Edit_FindingPollOutputLen{};
  vcl::TLabel* Label_StrobeInputLen{};
  vcl::TEdit* Edit_FindingStrobeInputLen{};
  vcl::TLabel* Label_COSInputLen{};
  vcl::TEdit* Edit_FindingCOSInputLen{};
  vcl::TLabel* Label_COSOutputLen{};
  vcl::TEdit* Edit_FindingCOSOutputLen{};
  vcl::TLabel* Label_CyclicInputLen{};
  vcl::TEdit* Edit_FindingCyclicInputLen{};
  vcl::TLabel* Label_CyclicOutputLen{};
  vcl::TEdit* Edit_FindingCyclicOutputLen{};
  vcl::TBitBtn* BitBtn_OK{};
  vcl::TTimer* Timer_Wait{};
  vcl::TTimer* Timer_Finding{};

  void SpeedButton_StartDebuggingClick(vcl::TObject* Sender);
  void Timer_FindingTimer(vcl::TObject* Sender);
  void Timer_WaitTimer(vcl::TObject* Sender);
  void DrawHelix(int points, std::uint32_t phase, vcl::TImage* image);
  void ClearCanvas(vcl::TCanvas* canvas, vcl::TColor color);
};

extern TForm_DebuggingDevice* Form_DebuggingDevice;
