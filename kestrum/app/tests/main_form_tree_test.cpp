// The declared component trees: the names the handlers and the other
// features find, with their classes and the texts a person reads.

#include <gtest/gtest.h>

#include <optional>

#include "kestrum/app/logo.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/win_main.h"
#include "platform/format.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;

class ComponentTree : public KestrumTest {
 protected:
  void SetUp() override { kestrum::CreateProgramWindows(); }
};

// The caption, or for a picture button the hint, that a person reads.
std::string TextOf(TComponent* c) {
  if (auto* item = dynamic_cast<TMenuItem*>(c)) return item->Caption;
  auto* control = dynamic_cast<TControl*>(c);
  if (!control) return {};
  const std::string caption = control->Caption;
  return caption.empty() ? std::string(control->Hint) : caption;
}

struct Row {
  const char* form;
  const char* name;
  const char* class_name;
  const char* text;
};

const Row kRows[] = {
    {"Form_Main", "Form_Main", "TForm_Main", "Kestrum V2.2"},
    {"Form_Main", "Label_TotalBoards", "TLabel", "Total Boards : "},
    {"Form_Main", "Edit_TotalBoard", "TEdit", ""},
    {"Form_Main", "Label_BoardNo", "TLabel", "Board No : "},
    {"Form_Main", "ComboBox_ActiveBoardNo", "TComboBox", ""},
    {"Form_Main", "SpeedButton_ActiveBoard", "TSpeedButton", "ActiveBoard"},
    {"Form_Main", "SpeedButton_Exit", "TSpeedButton", "Exit the utility"},
    {"Form_Main", "SpeedButton_Reset", "TSpeedButton", "Reset firmware of  DeviceNet"},
    {"Form_Main", "SpeedButton_SearchDevice", "TSpeedButton", "Search all Devices"},
    {"Form_Main", "SpeedButton_DebugDevice", "TSpeedButton", "Diagnose specific Device"},
    {"Form_Main", "SpeedButton_NewDevice", "TSpeedButton", "Add a new device by user-defined"},
    {"Form_Main", "SpeedButton_StartAllDevice", "TSpeedButton", "Start to communicate all device"},
    {"Form_Main", "SpeedButton_StopAllDevice", "TSpeedButton", "Stop communicating all devices"},
    {"Form_Main", "SpeedButton_ClearEEPROM", "TSpeedButton", "Clear All Configuration"},
    {"Form_Main", "SpeedButton_ExportEEPROM", "TSpeedButton", "Export from EEPROM"},
    {"Form_Main", "SpeedButton_ImportEEPROM", "TSpeedButton", "Import into EEPROM"},
    {"Form_Main", "SpeedButton_DownloadFirmware", "TSpeedButton", "Update new firmware"},
    {"Form_Main", "Label_FirmwareVer", "TLabel", "Firmware Ver : "},
    {"Form_Main", "Label_MasterID", "TLabel", "Master ID : "},
    {"Form_Main", "Label_BaudRate", "TLabel", "Baud Rate : "},
    {"Form_Main", "Label_MasterStatus", "TLabel", "Master  Status : "},
    {"Form_Main", "TabSheet_Configuration", "TTabSheet", "Remote Devices Configuration"},
    {"Form_Main", "TabSheet_DeviceIO", "TTabSheet", "Remote Devices I/O Monitor"},
    {"Form_Main", "Panel_SearchDevice", "TPanel", " Searched Devices "},
    {"Form_Main", "TreeView_AutoScanDevice", "TTreeView", ""},
    {"Form_Main", "Panel1", "TPanel", "Devices in EEPROM"},
    {"Form_Main", "TreeView_CurrentConfig", "TTreeView", ""},
    {"Form_Main", "ImageList_Device", "TImageList", ""},
    {"Form_Main", "Image_Del", "TImage", ""},
    {"Form_Main", "SpeedButton_AddDevice", "TSpeedButton", "Add current selected I/O connection"},
    {"Form_Main", "SpeedButton_RemoveDevice", "TSpeedButton", "Remove the I/O connection"},
    {"Form_Main", "Shape_IO", "TShape", ""},
    {"Form_Main", "Panel2", "TPanel", ""},
    {"Form_Main", "Label_DeviceName", "TLabel", "DeviceName : "},
    {"Form_Main", "Label_IOType", "TLabel", "Connection Type : "},
    {"Form_Main", "Label_Length", "TLabel", "Length : "},
    {"Form_Main", "Label_ErrorCode", "TLabel", "Error Code : "},
    {"Form_Main", "Label_InputData", "TLabel", "Input Data  Bytes :"},
    {"Form_Main", "Label_OutputData", "TLabel", "Output Data  Bytes :"},
    {"Form_Main", "Memo_Output", "TMemo", ""},
    {"Form_Main", "SpeedButton_StartDevice", "TSpeedButton", "Start the device and initial output value"},
    {"Form_Main", "SpeedButton_StopDevice", "TSpeedButton", "Stop the devcie"},
    {"Form_Main", "SpeedButton_RefreshIO", "TSpeedButton", "Refresh Output  Data"},
    {"Form_Main", "TabSheet1", "TTabSheet", "Get Attribute"},
    {"Form_Main", "Edit_Get_ClassID", "TEdit", "ex. 0xAA or 170"},
    {"Form_Main", "SpeedButton_GetAttribute", "TSpeedButton", "Get Attribute"},
    {"Form_Main", "RadioButton_Get_DWORD", "TRadioButton", "DWORD"},
    {"Form_Main", "TabSheet2", "TTabSheet", "Set Attribute"},
    {"Form_Main", "SpeedButton_Set_Attribute", "TSpeedButton", "Set Attribute"},
    {"Form_Main", "Label_SetResponse", "TLabel", "Response"},
    {"Form_Main", "BoardInfo", "TMenuItem", "Board"},
    {"Form_Main", "Menu_SearchDeviceNetModule", "TMenuItem", "Search Module"},
    {"Form_Main", "Menu_Exit", "TMenuItem", "Exit"},
    {"Form_Main", "Menu_Edit", "TMenuItem", "Edit"},
    {"Form_Main", "Menu_ChangeMasterID", "TMenuItem", "Change Master ID"},
    {"Form_Main", "Menu_ChangeBaudRate", "TMenuItem", "Change Baud Rate"},
    {"Form_Main", "Menu_About", "TMenuItem", "About"},
    {"Form_Main", "Debug_Trace", "TMenuItem", "Debug"},
    {"Form_Main", "SaveDialog_EEPROM", "TSaveDialog", ""},
    {"Form_Main", "OpenDialog_EEPROM", "TOpenDialog", ""},
    {"Form_Logo", "Image1", "TImage", ""},
    {"Form_SelectHardware", "Form_SelectHardware", "TForm_SelectHardware", "Select Hardware"},
    {"Form_SelectHardware", "Label1", "TLabel", "Please select the hardware which you are using."},
    {"Form_SelectHardware", "SpeedButton_PCI", "TSpeedButton", "Calvory(U) "},
    {"Form_SelectHardware", "SpeedButton_Module", "TSpeedButton", "Merrow"},
    {"Form_SelectHardware", "SpeedButton_Gadrow", "TSpeedButton", "Gadrow for XPe OS."},
    {"Form_SelectHardware", "SpeedButton_Wenlow", "TSpeedButton", ""},  // its caption comes with the show
    {"Form_Wait", "Form_Wait", "TForm_Wait", "Searching...."},
    {"Form_Wait", "Label_Message", "TLabel", "Searching the slave devices..."},
    {"Form_DebuggingDevice", "Form_DebuggingDevice", "TForm_DebuggingDevice", "Debugging Remote Device"},
    {"Form_DebuggingDevice", "Label1", "TLabel", " Select Device ID"},
    {"Form_DebuggingDevice", "SpeedButton_StartDebugging", "TSpeedButton", "Start Debugging"},
    {"Form_DebuggingDevice", "Edit_FindingStrobeInputLen", "TEdit", ""},
    {"Form_DebuggingDevice", "BitBtn_OK", "TBitBtn", "OK"},
    {"Form_NewDevice", "Form_NewDevice", "TForm_NewDevice", "New Device Configuration"},
    {"Form_NewDevice", "Label2", "TLabel", "New Device  I/O Type"},
    {"Form_NewDevice", "Label4", "TLabel", "New Device Output Length (Byte)"},
    {"Form_WaitMessage", "Label_Message", "TLabel", "This is a message."},
    {"Form_ChangeMACID", "Panel1", "TPanel", "Change MAC ID and Baud Rate"},
    {"Form_ChangeMACID", "Label2", "TLabel", "Current Baud Rate : "},
    {"Form_ChangeMACID", "Label3", "TLabel", "==>>"},
    {"Form_About", "Button_OK", "TButton", "OK"},
    {"Form_About", "Image10", "TImage", ""},
    {"Form_Debug", "Form_Debug", "TForm_Debug", "Form_DebugWindow"},
    {"Form_Debug", "GroupBox2", "TGroupBox", "Lorvex Message"},
    {"Form_Debug", "GroupBox1", "TGroupBox", "Firmware Debug Window"},
    {"Form_Debug", "Button_AddDebugWnd", "TButton", "+ Debug Wnd"},
    {"Form_Debug", "Button3", "TButton", "- Debug Wnd"},
};

TEST_F(ComponentTree, EveryFormHoldsItsNamedComponents) {
  for (const Row& r : kRows) {
    SCOPED_TRACE(std::string(r.form) + "." + r.name);
    TForm* form = FindForm(r.form);
    ASSERT_NE(form, nullptr);
    TComponent* c = std::string(r.name) == r.form ? form : FindIn(form, r.name);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->ClassName(), r.class_name);
    EXPECT_EQ(TextOf(c), r.text);
  }
}

TEST_F(ComponentTree, EachOfTheThirtySlotsHasItsFiveComponents) {
  for (int n = 1; n <= 30; ++n) {
    SCOPED_TRACE(n);
    EXPECT_NE(Find<TShape>(Form_Main, plat::Format("Shape_D%d", n)), nullptr);
    EXPECT_NE(Find<TBevel>(Form_Main, plat::Format("Bevel%d", n)), nullptr);
    TImage* image = Find<TImage>(Form_Main, plat::Format("Image_D%d", n));
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->OnClick) << "every slot image runs Image_D1Click";
    EXPECT_NE(Find<TShape>(Form_Main, plat::Format("Shape_LED%d", n)), nullptr);
    TLabel* label = Find<TLabel>(Form_Main, plat::Format("Label%03d", n));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(Form_Main->FindComponent(plat::Format("Label0%02d", n)), label);
    EXPECT_EQ(label->Caption, plat::Format("%02d", n));
  }
  EXPECT_EQ(Form_Main->FindComponent("Shape_D31"), nullptr);
}

TEST_F(ComponentTree, TimersStartDisabledWithTheirIntervals) {
  const struct {
    TTimer* timer;
    unsigned interval;
  } timers[] = {
      {Form_Main->Timer_Info, 200},         {Form_Main->Timer_ActiveBoard, 1000},
      {Form_Main->Timer_ResetFirmware, 1000}, {Form_Main->Timer_SearchDevice, 500},
      {Form_Main->Timer_IsGetOK, 50},       {Form_Main->Timer_IsSetOK, 200},
  };
  for (const auto& t : timers) {
    SCOPED_TRACE(std::string(t.timer->Name));
    EXPECT_FALSE(t.timer->Enabled);
    EXPECT_EQ(t.timer->Interval, t.interval);
  }
}

TEST_F(ComponentTree, WhatIsHiddenOrFixedAtTheStart) {
  EXPECT_FALSE(Form_Main->Debug_Trace->Visible);
  EXPECT_EQ(Form_Main->Debug_Trace->ShortCut, TextToShortCut("Ctrl+Alt+D"));
  EXPECT_FALSE(Form_Main->BorderIcons.Get().Contains(biSystemMenu)) << "the main window has no close box";
  EXPECT_FALSE(Form_SelectHardware->BorderIcons.Get().Contains(biSystemMenu));
  EXPECT_EQ(Form_Main->ClientWidth, 899);
  EXPECT_EQ(Form_Main->ClientHeight, 604);
  for (TControl* hidden : std::initializer_list<TControl*>{
           Form_Main->SpeedButton_AddDevice, Form_Main->SpeedButton_RemoveDevice, Form_Main->Edit_AddDeviceID,
           Form_Main->Edit_AddType, Form_Main->Edit_AddInputLen, Form_Main->Edit_AddOutputLen,
           Form_Main->Edit_DeleteDeviceID, Form_Main->Edit_DeleteType}) {
    EXPECT_FALSE(hidden->Visible) << std::string(hidden->Name);
  }
  for (TEdit* status : {Form_Main->Edit_FirmwareVer, Form_Main->Edit_MasterID, Form_Main->Edit_BaudRate,
                        Form_Main->Edit_MasterStatus}) {
    EXPECT_EQ(status->Text, "*******");
    EXPECT_EQ(status->Color, clRed);
    EXPECT_TRUE(status->ReadOnly);
  }
  for (TSpeedButton* b : {Form_Main->SpeedButton_StartDevice, Form_Main->SpeedButton_StopDevice,
                          Form_Main->SpeedButton_RefreshIO}) {
    EXPECT_FALSE(b->Enabled) << std::string(b->Name);
  }
  EXPECT_TRUE(Form_Main->RadioButton_Get_BYTE->Checked);
  EXPECT_TRUE(Form_Main->ComboBox_ActiveBoardNo->Sorted);
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->Style, csDropDownList);
}

// How each window of the start-up stands on the screen.
TEST_F(ComponentTree, TheStartUpWindowsFrames) {
  const TBorderIcons no_close_box = TBorderIcons(biMinimize) | biMaximize;
  const struct {
    TForm* form;
    TFormBorderStyle border;
    std::optional<TBorderIcons> icons;  // none: a borderless window has no icons to show
    TFormStyle style;
    TPosition position;
    int client_width, client_height;  // 0: left to the layout
  } frames[] = {
      {Form_Logo, bsNone, std::nullopt, fsNormal, poScreenCenter, 489, 367},
      {Form_SelectHardware, bsSingle, no_close_box, fsStayOnTop, poDesktopCenter, 0, 0},
      {Form_Main, bsSingle, no_close_box, fsNormal, poScreenCenter, 899, 604},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(std::string(f.form->Name));
    EXPECT_EQ(f.form->BorderStyle.Get(), f.border);
    if (f.icons) {
      EXPECT_TRUE(f.form->BorderIcons.Get() == *f.icons);
    }
    EXPECT_EQ(f.form->FormStyle.Get(), f.style);
    EXPECT_EQ(f.form->Position.Get(), f.position);
    if (f.client_width) {
      EXPECT_EQ(f.form->ClientWidth, f.client_width);
      EXPECT_EQ(f.form->ClientHeight, f.client_height);
    }
  }
  TImage* splash = Form_Logo->Image1;
  EXPECT_EQ(splash->Picture->ResourceName(), "SPLASH");
  EXPECT_TRUE(splash->Stretch);
  EXPECT_EQ(splash->Left, 0);
  EXPECT_EQ(splash->Top, 0);
  EXPECT_EQ(splash->Width, 489);
  EXPECT_EQ(splash->Height, 367);
}

TEST_F(ComponentTree, TheChoosersButtonsShowTheirPicturesAboveTheCaptions) {
  for (TSpeedButton* b : {Form_SelectHardware->SpeedButton_PCI, Form_SelectHardware->SpeedButton_Module,
                          Form_SelectHardware->SpeedButton_Gadrow, Form_SelectHardware->SpeedButton_Wenlow}) {
    SCOPED_TRACE(std::string(b->Name));
    EXPECT_EQ(b->Layout.Get(), blGlyphTop);
    EXPECT_NE(b->Glyph->ResourceName(), "");
  }
  TFont* font = Form_SelectHardware->SpeedButton_Wenlow->Font;
  EXPECT_EQ(font->Color.Get(), clBlue);
  EXPECT_TRUE(font->Style.Get().Contains(fsBold));
  // Merrow beside Calvory; Gadrow below, then the CAN boards at the bottom, both full width.
  const TSpeedButton* pci = Form_SelectHardware->SpeedButton_PCI;
  const TSpeedButton* module = Form_SelectHardware->SpeedButton_Module;
  const TSpeedButton* gadrow = Form_SelectHardware->SpeedButton_Gadrow;
  const TSpeedButton* wenlow = Form_SelectHardware->SpeedButton_Wenlow;
  EXPECT_EQ(module->Top, pci->Top);
  EXPECT_GT(module->Left, pci->Left);
  EXPECT_GT(gadrow->Top, pci->Top);
  EXPECT_GT(wenlow->Top, gadrow->Top);
  EXPECT_EQ(gadrow->Width, module->Left + module->Width - pci->Left);
  EXPECT_EQ(wenlow->Width, gadrow->Width);
}

TEST_F(ComponentTree, TheToolBarRunsFromExitToTheFirmwareUpdate) {
  const char* order[] = {"SpeedButton_Exit",          "SpeedButton_Reset",          "SpeedButton_SearchDevice",
                         "SpeedButton_DebugDevice",   "SpeedButton_NewDevice",      "SpeedButton_StartAllDevice",
                         "SpeedButton_StopAllDevice", "SpeedButton_ClearEEPROM",    "SpeedButton_ExportEEPROM",
                         "SpeedButton_ImportEEPROM",  "SpeedButton_DownloadFirmware"};
  const TSpeedButton* before = Form_Main->SpeedButton_ActiveBoard;  // the board selector is left of it
  for (const char* name : order) {
    SCOPED_TRACE(name);
    const TSpeedButton* b = Find<TSpeedButton>(Form_Main, name);
    ASSERT_NE(b, nullptr);
    EXPECT_GE(b->Left, before->Left + before->Width);
    EXPECT_TRUE(b->ShowHint);
    EXPECT_TRUE(b->OnClick);
    before = b;
  }
}

TEST_F(ComponentTree, TheEepromFileDialogs) {
  EXPECT_EQ(Form_Main->SaveDialog_EEPROM->Title, "Save the Information of EEPROM");
  EXPECT_EQ(Form_Main->SaveDialog_EEPROM->Filter, "EEP File|*.EEP");
  EXPECT_EQ(Form_Main->SaveDialog_EEPROM->DefaultExt, "EEP");
  EXPECT_TRUE(Form_Main->SaveDialog_EEPROM->Options.Get().Contains(plat::ofOverwritePrompt));
  EXPECT_EQ(Form_Main->OpenDialog_EEPROM->Title, "Select a EEPROMfile");
  EXPECT_EQ(Form_Main->OpenDialog_EEPROM->Filter, "EEP File|*.EEP");
  EXPECT_EQ(Form_Main->OpenDialog_EEPROM->DefaultExt, "");
}

}  // namespace
