// The main window's frame: the window itself, the board selector, the tool
// bar, the master status line, the page control, the main menu, the timers
// and the file dialogs. The two pages are built in main_layout_config.cpp and
// main_layout_io.cpp.

#include "kestrum/app/main_form.h"
#include "kestrum/app/pictures.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

void TForm_Main::BuildComponents() {
  kestrum::DeclarePictures();
  Name = "Form_Main";
  Caption = "Kestrum V2.2";
  BorderStyle = bsSingle;
  BorderIcons = TBorderIcons(biMinimize) | biMaximize;  // no system menu: no close box
  Position = poScreenCenter;
  ShowHint = true;

  // ---- board selector
  Label_TotalBoards = Label(this, "Label_TotalBoards", this, 8, 8, "Total Boards : ");
  Edit_TotalBoard = Edit(this, "Edit_TotalBoard", this, 96, 4, 40, /*read_only=*/true);
  Label_BoardNo = Label(this, "Label_BoardNo", this, 8, 34, "Board No : ");
  ComboBox_ActiveBoardNo = Make<TComboBox>(this, "ComboBox_ActiveBoardNo", this, 96, 30, 56, 21);
  ComboBox_ActiveBoardNo->Style = csDropDownList;
  ComboBox_ActiveBoardNo->Sorted = true;  // as text: "10" before "2"
  ComboBox_ActiveBoardNo->Color = clSkyBlue;
  SpeedButton_ActiveBoard =
      SpeedButton(this, "SpeedButton_ActiveBoard", this, 160, 4, 136, 48, "ActiveBoard", "ACTIVE_Calvory");
  SpeedButton_ActiveBoard->NumGlyphs = 2;
  SpeedButton_ActiveBoard->OnClick = Method(this, &TForm_Main::SpeedButton_ActiveBoardClick);

  // ---- tool bar, left to right
  struct Tool {
    TSpeedButton* TForm_Main::*member;
    const char* name;
    const char* hint;
    const char* glyph;
    void (TForm_Main::*click)(TObject*);
  };
  const Tool tools[] = {
      {&TForm_Main::SpeedButton_Exit, "SpeedButton_Exit", "Exit the utility", "TB_EXIT",
       &TForm_Main::SpeedButton_ExitClick},
      {&TForm_Main::SpeedButton_Reset, "SpeedButton_Reset", "Reset firmware of  DeviceNet", "TB_RESET",
       &TForm_Main::SpeedButton_ResetClick},
      {&TForm_Main::SpeedButton_SearchDevice, "SpeedButton_SearchDevice", "Search all Devices", "TB_SEARCH",
       &TForm_Main::SpeedButton_SearchDeviceClick},
      {&TForm_Main::SpeedButton_DebugDevice, "SpeedButton_DebugDevice", "Diagnose specific Device",
       "TB_DIAGNOSE", &TForm_Main::SpeedButton_DebugDeviceClick},
      {&TForm_Main::SpeedButton_NewDevice, "SpeedButton_NewDevice", "Add a new device by user-defined",
       "TB_NEWDEVICE", &TForm_Main::SpeedButton_NewDeviceClick},
      {&TForm_Main::SpeedButton_StartAllDevice, "SpeedButton_StartAllDevice", "Start to communicate all device",
       "TB_STARTALL", &TForm_Main::SpeedButton_StartAllDeviceClick},
      {&TForm_Main::SpeedButton_StopAllDevice, "SpeedButton_StopAllDevice", "Stop communicating all devices",
       "TB_STOPALL", &TForm_Main::SpeedButton_StopAllDeviceClick},
      {&TForm_Main::SpeedButton_ClearEEPROM, "SpeedButton_ClearEEPROM", "Clear All Configuration", "TB_CLEAR",
       &TForm_Main::SpeedButton_ClearEEPROMClick},
      {&TForm_Main::SpeedButton_ExportEEPROM, "SpeedButton_ExportEEPROM", "Export from EEPROM", "TB_EXPORT",
       &TForm_Main::SpeedButton_ExportEEPROMClick},
      {&TForm_Main::SpeedButton_ImportEEPROM, "SpeedButton_ImportEEPROM", "Import into EEPROM", "TB_IMPORT",
       &TForm_Main::SpeedButton_ImportEEPROMClick},
      {&TForm_Main::SpeedButton_DownloadFirmware, "SpeedButton_DownloadFirmware", "Update new firmware",
       "UPDATE_Calvory", &TForm_Main::SpeedButton_DownloadFirmwareClick},
  };
  int left = 304;  // the widest caption of the activation button ("Active Module") fits left of it
  for (const Tool& t : tools) {
    TSpeedButton* b = ToolButton(this, t.name, this, left, 4, 48, t.hint, t.glyph);
    b->OnClick = Method(this, t.click);
    this->*t.member = b;
    left += 52;
  }

  // ---- master status line: red "*******" until the first reading
  Panel_Info = Make<TPanel>(this, "Panel_Info", this, 0, 58, 899, 30);
  Panel_Info->BevelOuter = bvLowered;
  struct Field {
    TLabel* TForm_Main::*label;
    const char* label_name;
    const char* caption;
    TEdit* TForm_Main::*edit;
    const char* edit_name;
  };
  const Field fields[] = {
      {&TForm_Main::Label_FirmwareVer, "Label_FirmwareVer", "Firmware Ver : ", &TForm_Main::Edit_FirmwareVer,
       "Edit_FirmwareVer"},
      {&TForm_Main::Label_MasterID, "Label_MasterID", "Master ID : ", &TForm_Main::Edit_MasterID,
       "Edit_MasterID"},
      {&TForm_Main::Label_BaudRate, "Label_BaudRate", "Baud Rate : ", &TForm_Main::Edit_BaudRate,
       "Edit_BaudRate"},
      {&TForm_Main::Label_MasterStatus, "Label_MasterStatus", "Master  Status : ",
       &TForm_Main::Edit_MasterStatus, "Edit_MasterStatus"},
  };
  left = 8;
  for (const Field& f : fields) {
    this->*f.label = Label(this, f.label_name, Panel_Info, left, 8, f.caption);
    TEdit* e = Edit(this, f.edit_name, Panel_Info, left + 100, 4, 100, /*read_only=*/true);
    e->Text = "*******";
    e->Color = clRed;
    this->*f.edit = e;
    left += 224;
  }

  // ---- pages; the configuration page is the one shown first
  PageControl_Main = Make<TPageControl>(this, "PageControl_Main", this, 0, 90, 899, 514);
  TabSheet_Configuration = Make<TTabSheet>(this, "TabSheet_Configuration", PageControl_Main, 4, 24, 891, 486);
  TabSheet_Configuration->Caption = "Remote Devices Configuration";
  TabSheet_Configuration->OnShow = Method(this, &TForm_Main::TabSheet_ConfigurationShow);
  TabSheet_DeviceIO = Make<TTabSheet>(this, "TabSheet_DeviceIO", PageControl_Main, 4, 24, 891, 486);
  TabSheet_DeviceIO->Caption = "Remote Devices I/O Monitor";
  TabSheet_DeviceIO->OnShow = Method(this, &TForm_Main::TabSheet_DeviceIOShow);
  BuildConfigurationPage();
  BuildDeviceIOPage();

  // ---- main menu
  MainMenu = Create<TMainMenu>(this, "MainMenu");
  auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                     void (TForm_Main::*click)(TObject*)) {
    auto* i = Create<TMenuItem>(this, name);
    i->Caption = caption;
    if (click) i->OnClick = Method(this, click);
    parent->Add(i);
    return i;
  };
  BoardInfo = item(MainMenu->Items, "BoardInfo", "Board", nullptr);
  Menu_SearchDeviceNetModule = item(BoardInfo, "Menu_SearchDeviceNetModule", "Search Module",
                                    &TForm_Main::Menu_SearchDeviceNetModuleClick);
  Menu_Exit = item(BoardInfo, "Menu_Exit", "Exit", &TForm_Main::Menu_ExitClick);
  Menu_Edit = item(MainMenu->Items, "Menu_Edit", "Edit", nullptr);
  Menu_ChangeMasterID =
      item(Menu_Edit, "Menu_ChangeMasterID", "Change Master ID", &TForm_Main::Menu_ChangeMasterIDClick);
  Menu_ChangeBaudRate =
      item(Menu_Edit, "Menu_ChangeBaudRate", "Change Baud Rate", &TForm_Main::Menu_ChangeBaudRateClick);
  Menu_About = item(MainMenu->Items, "Menu_About", "About", &TForm_Main::Menu_AboutClick);
  // Hidden, yet its shortcut works.
  Debug_Trace = item(MainMenu->Items, "Debug_Trace", "Debug", &TForm_Main::Debug_TraceClick);
  Debug_Trace->Visible = false;
  Debug_Trace->ShortCut = TextToShortCut("Ctrl+Alt+D");
  Menu = MainMenu;

  // ---- timers, all disabled at start
  Timer_Info = Timer(this, "Timer_Info", 200, false, Method(this, &TForm_Main::Timer_InfoTimer));
  Timer_ActiveBoard =
      Timer(this, "Timer_ActiveBoard", 1000, false, Method(this, &TForm_Main::Timer_ActiveBoardTimer));
  Timer_ResetFirmware =
      Timer(this, "Timer_ResetFirmware", 1000, false, Method(this, &TForm_Main::Timer_ResetFirmwareTimer));
  Timer_SearchDevice =
      Timer(this, "Timer_SearchDevice", 500, false, Method(this, &TForm_Main::Timer_SearchDeviceTimer));
  Timer_IsGetOK = Timer(this, "Timer_IsGetOK", 50, false, Method(this, &TForm_Main::Timer_IsGetOKTimer));
  Timer_IsSetOK = Timer(this, "Timer_IsSetOK", 200, false, Method(this, &TForm_Main::Timer_IsSetOKTimer));

  // ---- file dialogs of the EEPROM file
  SaveDialog_EEPROM = Create<TSaveDialog>(this, "SaveDialog_EEPROM");
  SaveDialog_EEPROM->Title = "Save the Information of EEPROM";
  SaveDialog_EEPROM->Filter = "EEP File|*.EEP";
  SaveDialog_EEPROM->DefaultExt = "EEP";
  SaveDialog_EEPROM->Options = TOpenOptions(plat::ofOverwritePrompt) | plat::ofHideReadOnly | plat::ofEnableSizing;
  OpenDialog_EEPROM = Create<TOpenDialog>(this, "OpenDialog_EEPROM");
  OpenDialog_EEPROM->Title = "Select a EEPROMfile";
  OpenDialog_EEPROM->Filter = "EEP File|*.EEP";

  // The client area as declared, with the menu bar outside it.
  ClientWidth = 899;
  ClientHeight = 604;
  OnCreate = Method(this, &TForm_Main::FormCreate);
  OnShow = Method(this, &TForm_Main::FormShow);
}
