#include "kestrum/app/new_device.h"

#include "kestrum/app/pictures.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_NewDevice* Form_NewDevice = nullptr;

TForm_NewDevice::TForm_NewDevice(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_NewDevice";
  Caption = "New Device Configuration";
  BorderStyle = bsSingle;
  BorderIcons = TBorderIcons(biMinimize) | biMaximize;  // no system menu: no close box
  Position = poScreenCenter;
  Width = 301;
  Height = 208;

  Bevel1 = Make<TBevel>(this, "Bevel1", this, 8, 8, 76, 76);
  Image1 = Picture(this, "Image1", this, 14, 14, 64, 64, "NEW_DEVICE", /*stretch=*/false);
  Label1 = Label(this, "Label1", this, 92, 4, "New Device MAC ID");
  ComboBox_DeviceID = NumberList(this, "ComboBox_DeviceID", this, 92, 18, 60, 0, 63, 0);
  Label2 = Label(this, "Label2", this, 160, 4, "New Device  I/O Type");
  ComboBox_DeviceType = Make<TComboBox>(this, "ComboBox_DeviceType", this, 160, 18, 120, 21);
  ComboBox_DeviceType->Style = csDropDownList;
  for (const char* word : {"Poll", "Strobe", "COS", "Cyclic"}) ComboBox_DeviceType->Items->Add(word);
  ComboBox_DeviceType->ItemIndex = 0;
  ComboBox_DeviceType->OnChange = Method(this, &TForm_NewDevice::ComboBox_DeviceTypeChange);
  Label3 = Label(this, "Label3", this, 92, 44, "New Device Input Length (Byte)");
  ComboBox_InputLen = NumberList(this, "ComboBox_InputLen", this, 92, 58, 60, 0, 447, 0);
  Label4 = Label(this, "Label4", this, 92, 84, "New Device Output Length (Byte)");
  ComboBox_OutputLen = NumberList(this, "ComboBox_OutputLen", this, 92, 98, 60, 0, 447, 0);

  BitBtn_OK = Make<TBitBtn>(this, "BitBtn_OK", this, 112, 138, 80, 26);
  BitBtn_OK->Kind = bkOK;  // closes the dialog with OK after its handler
  BitBtn_OK->OnClick = Method(this, &TForm_NewDevice::BitBtn_OKClick);
  BitBtn_Cancel = Make<TBitBtn>(this, "BitBtn_Cancel", this, 200, 138, 80, 26);
  BitBtn_Cancel->Kind = bkCancel;
}

void TForm_NewDevice::ComboBox_DeviceTypeChange(TObject*) {
  // Filled by configuration (new-device dialog).
}

void TForm_NewDevice::BitBtn_OKClick(TObject*) {
  // Filled by configuration (new-device dialog).
}
