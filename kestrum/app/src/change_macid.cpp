#include "kestrum/app/change_macid.h"

#include <cstdint>

#include "driver/master_api.h"
#include "kestrum/app/pictures.h"
#include "layout.h"
#include "platform/convert.h"
#include "platform/format.h"

using namespace vcl;
using namespace kestrum::layout;
using plat::MB_ICONERROR;
using plat::MB_ICONINFORMATION;
using plat::MB_OK;

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
    TEdit* e = Edit(this, name, this, 140, top, 112, /*read_only=*/true);
    e->Color = clBlack;
    BoldFont(e->Font, 16, clWhite);
    return e;
  };
  Edit_CurrentMACID = current("Edit_CurrentMACID", 56);
  Edit_CurrentBaudRate = current("Edit_CurrentBaudRate", 92);
  Label3 = Label(this, "Label3", this, 258, 60, "==>>");
  Label3->Font->Style = TFontStyles(fsBold);
  Label4 = Label(this, "Label4", this, 258, 96, "==>>");
  Label4->Font->Style = TFontStyles(fsBold);
  ComboBox_NewMACID = NumberList(this, "ComboBox_NewMACID", this, 302, 56, 94, 0, 63, 0);
  ComboBox_NewBaudRate = Make<TComboBox>(this, "ComboBox_NewBaudRate", this, 302, 92, 94, 21);
  ComboBox_NewBaudRate->Style = csDropDownList;
  for (const char* rate : kestrum::kBaudRateTexts) ComboBox_NewBaudRate->Items->Add(rate);
  ComboBox_NewBaudRate->ItemIndex = 1;

  SpeedButton_Cancel = SpeedButton(this, "SpeedButton_Cancel", this, 16, 140, 56, 56, "", "MACID_CANCEL");
  SpeedButton_Cancel->Flat = true;
  SpeedButton_Cancel->OnClick = Method(this, &TForm_ChangeMACID::SpeedButton_CancelClick);
  SpeedButton_OK = SpeedButton(this, "SpeedButton_OK", this, 340, 140, 56, 56, "", "MACID_OK");
  SpeedButton_OK->Flat = true;
  SpeedButton_OK->OnClick = Method(this, &TForm_ChangeMACID::SpeedButton_OKClick);

  MainMenu = Create<TMainMenu>(this, "MainMenu");
  Menu_Escape = Create<TMenuItem>(this, "Menu_Escape");
  Menu_Escape->Visible = false;
  Menu_Escape->ShortCut = TextToShortCut("Esc");
  Menu_Escape->OnClick = Method(this, &TForm_ChangeMACID::Menu_EscapeClick);
  MainMenu->Items->Add(Menu_Escape);
  Menu = MainMenu;
}

void TForm_ChangeMACID::Prefill(const std::string& mac_text, const std::string& baud_text) {
  Edit_CurrentMACID->Text = mac_text;
  std::int32_t mac = 0;
  // "*******", "Timeout!" or anything the list does not hold: the first item.
  if (!plat::TryStrToInt(mac_text, mac) || mac < 0 || mac > kestrum::kMaxMasterMACID) mac = 0;
  ComboBox_NewMACID->ItemIndex = mac;

  Edit_CurrentBaudRate->Text = baud_text;
  int baud = 0;
  for (int i = 0; i < kestrum::kBaudRateCount; ++i) {
    if (baud_text == kestrum::kBaudRateTexts[i]) baud = i;
  }
  ComboBox_NewBaudRate->ItemIndex = baud;
}

void TForm_ChangeMACID::SpeedButton_OKClick(TObject*) {
  // Both values are always written, the MAC ID first; a refusal keeps the
  // dialog open so that the person can try again or cancel.
  const std::int32_t mac_result =
      BrantelAPI_SetMasterMACID(ActiveBoardNo, static_cast<std::uint8_t>(ComboBox_NewMACID->ItemIndex));
  if (mac_result != 0) {
    MessageBox(this, plat::Format("Change Master MAC ID Error (%d).", mac_result), "Kestrum", MB_OK | MB_ICONERROR);
    return;
  }
  const std::int32_t baud_result =
      BrantelAPI_SetBaudRate(ActiveBoardNo, static_cast<std::uint8_t>(ComboBox_NewBaudRate->ItemIndex));
  if (baud_result != 0) {
    MessageBox(this, plat::Format("Change CAN bus baud Rate Error (%d).", baud_result), "Kestrum",
               MB_OK | MB_ICONERROR);
    return;
  }
  // The master takes the new values at its next firmware reset, which the person starts.
  MessageBox(this, "Change OK!! \r\nYou must reset the firmware to make change enable.", "Kestrum",
             MB_OK | MB_ICONINFORMATION);
  Close();
}

void TForm_ChangeMACID::SpeedButton_CancelClick(TObject*) { Close(); }

void TForm_ChangeMACID::Menu_EscapeClick(TObject*) { Close(); }
