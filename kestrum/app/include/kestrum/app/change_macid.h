#pragma once
// The master MAC ID and baud-rate dialog (unit ChangeMACID). Its handlers
// belong to the board handling.

#include "platform/forms.h"

class TForm_ChangeMACID : public vcl::TForm {
 public:
  explicit TForm_ChangeMACID(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_ChangeMACID"; }

  vcl::TImage* Image1{};
  vcl::TPanel* Panel1{};
  vcl::TLabel* Label1{};
  vcl::TLabel* Label2{};
  vcl::TLabel* Label3{};
  vcl::TLabel* Label4{};
  vcl::TEdit* Edit_CurrentMACID{};
  vcl::TEdit* Edit_CurrentBaudRate{};
  vcl::TComboBox* ComboBox_NewMACID{};     // item index = MAC ID sent
  vcl::TComboBox* ComboBox_NewBaudRate{};  // item index = baud-rate index sent
  vcl::TSpeedButton* SpeedButton_OK{};
  vcl::TSpeedButton* SpeedButton_Cancel{};

  void SpeedButton_OKClick(vcl::TObject* Sender);
  void SpeedButton_CancelClick(vcl::TObject* Sender);
};

extern TForm_ChangeMACID* Form_ChangeMACID;
