#pragma once
// The device diagnosis dialog (unit DebugDevice): does the slave with a given
// MAC ID answer, and with which connections? Its handlers belong to the
// network search. Shown modally by the main window's SpeedButton_DebugDevice.

#include <cstdint>
#include <vector>

#include "platform/vcl/forms.h"

class TForm_DebuggingDevice : public vcl::TForm {
 public:
  static constexpr int kDebugHelixPoints = 30;

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

  // Starts the search of the selected MAC ID alone; OK and Start stay
  // disabled, and the dialog refuses to close, until the poll has ended it.
  void SpeedButton_StartDebuggingClick(vcl::TObject* Sender);
  // Once a second while the master answers 1055; then the verdict and the rows.
  void Timer_FindingTimer(vcl::TObject* Sender);
  // One helix frame of kDebugHelixPoints points, then the phase goes on by one.
  void Timer_WaitTimer(vcl::TObject* Sender);
  // The shared helix (kestrum/app/helix.h) with this dialog's depth flag.
  void DrawHelix(int points, std::uint32_t phase, vcl::TImage* image);
  void ClearCanvas(vcl::TCanvas* canvas, vcl::TColor color);
  // No way out while a search runs (the window manager's close included).
  void FormCloseQuery(vcl::TObject* Sender, bool& CanClose);

  bool Searching() const { return searching_; }

 private:
  // The seven length fields, Poll to Cyclic.
  std::vector<vcl::TEdit*> LengthFields() const;

  bool searching_ = false;
  // The MAC ID being searched: the list may be changed while the search runs.
  std::uint8_t searchedMAC_ = 0;
};

extern TForm_DebuggingDevice* Form_DebuggingDevice;
