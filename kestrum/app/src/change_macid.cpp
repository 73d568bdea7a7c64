#include "kestrum/app/change_macid.h"

#include "kestrum/app/pictures.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_ChangeMACID* Form_ChangeMACID = nullptr;

TForm_ChangeMACID::TForm_ChangeMACID(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_ChangeMACID";
  BorderStyle = bsNone;
  Position = poScreenCenter;
  ClientWidth = 412;
  ClientHeight = 207;

  Image1 = Picture(this, "Image1", this, 0, 0, 413, 207, "MACID_PANEL", /*stretch=*/true);
  Panel1 = Make<TPanel>(this, "Panel1", this, 8, 8, 396, 32);
  Panel1->Caption = "Change MAC ID and Baud Rate";
  Panel1->Color = clMoneyGreen;
  Panel1->BevelInner = bvLowered;
  BoldFont(Panel1->Font, 16);

  Label1 = Label(this, "Label1", this, 16, 60, "Current MAC ID : ");
  Label2 = Label(this, "Label2", this, 16, 96, "Current Baud Rate : ");
  auto current = [this](const char* name, int top) {
    TEdit* e = Edit(this, name, this, 140, top, 90, /*read_only=*/true);
    e->Color = clBlack;
    BoldFont(e->Font, 16, clWhite);
    return e;
  };
  Edit_CurrentMACID = current("Edit_CurrentMACID", 56);
  Edit_CurrentBaudRate = current("Edit_CurrentBaudRate", 92);
  Label3 = Label(this, "Label3", this, 240, 60, "==>>");
  Label3->Font->Style = TFontStyles(fsBold);
  Label4 = Label(this, "Label4", this, 240, 96, "==>>");
  Label4->Font->Style = TFontStyles(fsBold);
  ComboBox_NewMACID = NumberList(this, "ComboBox_NewMACID", this, 290, 56, 100, 0, 63, 0);
  ComboBox_NewBaudRate = Make<TComboBox>(this, "ComboBox_NewBaudRate", this, 290, 92, 100, 21);
  ComboBox_NewBaudRate->Style = csDropDownList;
  for (const char* rate : {"125K bps", "250K bps", "500K bps"}) ComboBox_NewBaudRate->Items->Add(rate);
  ComboBox_NewBaudRate->ItemIndex = 1;

  SpeedButton_Cancel = SpeedButton(this, "SpeedButton_Cancel", this, 16, 140, 56, 56, "", "MACID_CANCEL");
  SpeedButton_Cancel->Flat = true;
  SpeedButton_Cancel->OnClick = Method(this, &TForm_ChangeMACID::SpeedButton_CancelClick);
  SpeedButton_OK = SpeedButton(this, "SpeedButton_OK", this, 340, 140, 56, 56, "", "MACID_OK");
  SpeedButton_OK->Flat = true;
  SpeedButton_OK->OnClick = Method(this, &TForm_ChangeMACID::SpeedButton_OKClick);
}

void TForm_ChangeMACID::SpeedButton_OKClick(TObject*) {
  // Filled by board handling (master MAC ID and baud-rate dialog).
}

void TForm_ChangeMACID::SpeedButton_CancelClick(TObject*) {
  // Filled by board handling (master MAC ID and baud-rate dialog).
}
