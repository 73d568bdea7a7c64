#pragma once
// The new-device dialog (unit NewDevice): adds one slave with one I/O
// connection chosen from lists. Its handlers belong to the configuration.

#include "platform/vcl/forms.h"

class TForm_NewDevice : public vcl::TForm {
 public:
  explicit TForm_NewDevice(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_NewDevice"; }

  vcl::TLabel* Label1{};
  vcl::TComboBox* ComboBox_DeviceID{};    // item index = MAC ID
  vcl::TLabel* Label2{};
  vcl::TComboBox* ComboBox_DeviceType{};  // "Poll", "Strobe", "COS", "Cyclic"
  vcl::TLabel* Label3{};
  vcl::TComboBox* ComboBox_InputLen{};    // item index = input length
  vcl::TLabel* Label4{};
  vcl::TComboBox* ComboBox_OutputLen{};   // item index = output length
  vcl::TBitBtn* BitBtn_OK{};
  vcl::TBitBtn* BitBtn_Cancel{};
  vcl::TBevel* Bevel1{};
  vcl::TImage* Image1{};

  void ComboBox_DeviceTypeChange(vcl::TObject* Sender);
  void BitBtn_OKClick(vcl::TObject* Sender);
};

extern TForm_NewDevice* Form_NewDevice;
