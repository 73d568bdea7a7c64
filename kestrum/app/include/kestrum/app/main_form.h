#pragma once
// The main window of Kestrum (unit Main): its whole component tree and every
// handler that its components and its other callers reach.
//
// Where things live:
//   main_layout.cpp         the window, board selector, tool bar, status line,
//                           page control, menu, timers and file dialogs
//   main_layout_config.cpp  the page "Remote Devices Configuration"
//   main_layout_io.cpp      the page "Remote Devices I/O Monitor" (30 slots,
//                           detail panel, attribute pages)
//   main_startup.cpp        construction, creation, first show, both exits,
//                           "Search Module", About, Debug
//   main_board.cpp          board activation, status, reset, start/stop all,
//                           firmware hand-off, master MAC ID and baud rate
//   main_config.cpp         configuration trees, scan-list editing, new device,
//                           EEPROM export and import
//   main_search.cpp         network search and the device diagnosis dialog
//   main_io_monitor.cpp     the I/O monitor page
//   main_attribute.cpp      explicit messaging (get and set attribute)
//
// The 30 slots of the I/O monitor page have no members: their components are
// found by name ("Shape_D%d", "Bevel%d", "Image_D%d", "Shape_LED%d",
// "Label%03d"), see FindSlotControls in device_io.h.
//
// Every handler runs on the window thread. A feature that needs members or
// helpers of its own adds them to its own section below.

#include <cstdint>
#include <string>

#include "platform/vcl/forms.h"

class TForm_Main : public vcl::TForm {
 public:
  // Builds the components, then sets ActiveBoardNo to none, binds the trace
  // libraries and creates the poll threads' two locks.
  explicit TForm_Main(vcl::TComponent* owner);
  ~TForm_Main() override;
  const char* ClassName() const override { return "TForm_Main"; }

  // ---------------------------------------------------------------- components
  // Board selector
  vcl::TLabel* Label_TotalBoards{};
  vcl::TEdit* Edit_TotalBoard{};
  vcl::TLabel* Label_BoardNo{};
  vcl::TComboBox* ComboBox_ActiveBoardNo{};
  vcl::TSpeedButton* SpeedButton_ActiveBoard{};

  // Tool bar, left to right
  vcl::TSpeedButton* SpeedButton_Exit{};
  vcl::TSpeedButton* SpeedButton_Reset{};
  vcl::TSpeedButton* SpeedButton_SearchDevice{};
  vcl::TSpeedButton* SpeedButton_DebugDevice{};
  vcl::TSpeedButton* SpeedButton_NewDevice{};
  vcl::TSpeedButton* SpeedButton_StartAllDevice{};
  vcl::TSpeedButton* SpeedButton_StopAllDevice{};
  vcl::TSpeedButton* SpeedButton_ClearEEPROM{};
  vcl::TSpeedButton* SpeedButton_ExportEEPROM{};
  vcl::TSpeedButton* SpeedButton_ImportEEPROM{};
  vcl::TSpeedButton* SpeedButton_DownloadFirmware{};

  // Master status line
  vcl::TPanel* Panel_Info{};
  vcl::TLabel* Label_FirmwareVer{};
  vcl::TEdit* Edit_FirmwareVer{};
  vcl::TLabel* Label_MasterID{};
  vcl::TEdit* Edit_MasterID{};
  vcl::TLabel* Label_BaudRate{};
  vcl::TEdit* Edit_BaudRate{};
  vcl::TLabel* Label_MasterStatus{};
  vcl::TEdit* Edit_MasterStatus{};

  // Pages
  vcl::TPageControl* PageControl_Main{};
  vcl::TTabSheet* TabSheet_Configuration{};
  vcl::TTabSheet* TabSheet_DeviceIO{};

  // Page "Remote Devices Configuration"
  vcl::TImageList* ImageList_Device{};
  vcl::TPanel* Panel_SearchDevice{};
  vcl::TTreeView* TreeView_AutoScanDevice{};
  vcl::TPanel* Panel1{};
  vcl::TTreeView* TreeView_CurrentConfig{};
  vcl::TImage* Image_Del{};
  vcl::TSpeedButton* SpeedButton_AddDevice{};     // never visible: the add command
  vcl::TSpeedButton* SpeedButton_RemoveDevice{};  // never visible: the remove command
  vcl::TEdit* Edit_AddDeviceID{};                 // the hidden fields of both commands
  vcl::TEdit* Edit_AddType{};
  vcl::TEdit* Edit_AddInputLen{};
  vcl::TEdit* Edit_AddOutputLen{};
  vcl::TEdit* Edit_DeleteDeviceID{};
  vcl::TEdit* Edit_DeleteType{};

  // Page "Remote Devices I/O Monitor": bus lines and the detail panel
  vcl::TImage* Image_HLine1{};
  vcl::TImage* Image_HLine2{};
  vcl::TImage* Image_VLine{};
  vcl::TShape* Shape_IO{};
  vcl::TPanel* Panel2{};
  vcl::TLabel* Label_DeviceName{};
  vcl::TEdit* Edit_DeviceName{};
  vcl::TLabel* Label_IOType{};
  vcl::TEdit* Edit_IOType{};
  vcl::TLabel* Label_Length{};
  vcl::TEdit* Edit_InputLen{};
  vcl::TEdit* Edit_OutputLen{};
  vcl::TLabel* Label_ErrorCode{};
  vcl::TEdit* Edit_ErrorCode{};
  vcl::TLabel* Label_InputData{};
  vcl::TMemo* Memo_Input{};
  vcl::TLabel* Label_OutputData{};
  vcl::TMemo* Memo_Output{};
  vcl::TSpeedButton* SpeedButton_StartDevice{};
  vcl::TSpeedButton* SpeedButton_StopDevice{};
  vcl::TSpeedButton* SpeedButton_RefreshIO{};

  // Explicit messaging, on the detail panel
  vcl::TPageControl* PageControl_Attribute{};
  vcl::TTabSheet* TabSheet1{};  // "Get Attribute"
  vcl::TLabel* Label_Get_ClassID{};
  vcl::TEdit* Edit_Get_ClassID{};
  vcl::TLabel* Label_Get_InstanceID{};
  vcl::TEdit* Edit_Get_InstanceID{};
  vcl::TLabel* Label_Get_AttributeID{};
  vcl::TEdit* Edit_Get_AttributeID{};
  vcl::TSpeedButton* SpeedButton_GetAttribute{};
  vcl::TRadioButton* RadioButton_Get_ASCII{};
  vcl::TRadioButton* RadioButton_Get_BYTE{};
  vcl::TRadioButton* RadioButton_Get_WORD{};
  vcl::TRadioButton* RadioButton_Get_DWORD{};
  vcl::TMemo* Memo_GetAttribute{};
  vcl::TTabSheet* TabSheet2{};  // "Set Attribute"
  vcl::TLabel* Label_Set_ClassID{};
  vcl::TEdit* Edit_Set_ClassID{};
  vcl::TLabel* Label_Set_InstanceID{};
  vcl::TEdit* Edit_Set_InstanceID{};
  vcl::TLabel* Label_Set_AttributeID{};
  vcl::TEdit* Edit_Set_AttributeID{};
  vcl::TMemo* Memo_Set_Attribute{};
  vcl::TRadioButton* RadioButton_Set_BYTE{};
  vcl::TRadioButton* RadioButton_Set_ASCII{};
  vcl::TRadioButton* RadioButton_Set_WORD{};
  vcl::TRadioButton* RadioButton_Set_DWORD{};
  vcl::TSpeedButton* SpeedButton_Set_Attribute{};
  vcl::TLabel* Label_SetResponse{};
  vcl::TEdit* Edit_SetResponse{};

  // Main menu
  vcl::TMainMenu* MainMenu{};
  vcl::TMenuItem* BoardInfo{};  // "Board"
  vcl::TMenuItem* Menu_SearchDeviceNetModule{};
  vcl::TMenuItem* Menu_Exit{};
  vcl::TMenuItem* Menu_Edit{};  // "Edit"
  vcl::TMenuItem* Menu_ChangeMasterID{};
  vcl::TMenuItem* Menu_ChangeBaudRate{};
  vcl::TMenuItem* Menu_About{};
  vcl::TMenuItem* Debug_Trace{};  // hidden; Ctrl+Alt+D

  // Timers (all disabled at start) and file dialogs
  vcl::TTimer* Timer_Info{};
  vcl::TTimer* Timer_ActiveBoard{};
  vcl::TTimer* Timer_ResetFirmware{};
  vcl::TTimer* Timer_SearchDevice{};
  vcl::TTimer* Timer_IsGetOK{};
  vcl::TTimer* Timer_IsSetOK{};
  vcl::TSaveDialog* SaveDialog_EEPROM{};
  vcl::TOpenDialog* OpenDialog_EEPROM{};

  // ---------------------------------------------------------------- start-up (main_startup.cpp)
  void FormCreate(vcl::TObject* Sender);
  void FormShow(vcl::TObject* Sender);
  void SpeedButton_ExitClick(vcl::TObject* Sender);
  void Menu_ExitClick(vcl::TObject* Sender);
  void Menu_AboutClick(vcl::TObject* Sender);
  void Debug_TraceClick(vcl::TObject* Sender);
  void Menu_SearchDeviceNetModuleClick(vcl::TObject* Sender);

  // ---------------------------------------------------------------- board handling (main_board.cpp)
  void SpeedButton_ActiveBoardClick(vcl::TObject* Sender);
  void Timer_ActiveBoardTimer(vcl::TObject* Sender);
  void Timer_InfoTimer(vcl::TObject* Sender);
  void SpeedButton_ResetClick(vcl::TObject* Sender);
  void Timer_ResetFirmwareTimer(vcl::TObject* Sender);
  void SpeedButton_StartAllDeviceClick(vcl::TObject* Sender);
  void SpeedButton_StopAllDeviceClick(vcl::TObject* Sender);
  void SpeedButton_DownloadFirmwareClick(vcl::TObject* Sender);
  void Menu_ChangeMasterIDClick(vcl::TObject* Sender);
  void Menu_ChangeBaudRateClick(vcl::TObject* Sender);

  // ---------------------------------------------------------------- configuration (main_config.cpp)
  // Rebuilds TreeView_CurrentConfig from the master's scan list; the driver's result.
  std::int32_t RefreshCurrentConfig();
  void SpeedButton_AddDeviceClick(vcl::TObject* Sender);
  void SpeedButton_RemoveDeviceClick(vcl::TObject* Sender);
  void SpeedButton_RemoveDeviceMouseMove(vcl::TObject* Sender, vcl::TShiftState Shift, int X, int Y);
  void SpeedButton_ClearEEPROMClick(vcl::TObject* Sender);
  void TreeView_AutoScanDeviceClick(vcl::TObject* Sender);
  void TreeView_CurrentConfigClick(vcl::TObject* Sender);
  void TreeView_CurrentConfigDragOver(vcl::TObject* Sender, vcl::TObject* Source, int X, int Y,
                                      vcl::TDragState State, bool& Accept);
  void TreeView_CurrentConfigDragDrop(vcl::TObject* Sender, vcl::TObject* Source, int X, int Y);
  void TreeView_CurrentConfigStartDrag(vcl::TObject* Sender);
  void TreeView_CurrentConfigEndDrag(vcl::TObject* Sender, vcl::TObject* Target, int X, int Y);
  void Image_DelDragOver(vcl::TObject* Sender, vcl::TObject* Source, int X, int Y, vcl::TDragState State,
                         bool& Accept);
  void Image_DelDragDrop(vcl::TObject* Sender, vcl::TObject* Source, int X, int Y);
  void TabSheet_ConfigurationShow(vcl::TObject* Sender);
  void SpeedButton_NewDeviceClick(vcl::TObject* Sender);
  void SpeedButton_ExportEEPROMClick(vcl::TObject* Sender);
  void SpeedButton_ImportEEPROMClick(vcl::TObject* Sender);

  // ---------------------------------------------------------------- network search (main_search.cpp)
  void SpeedButton_SearchDeviceClick(vcl::TObject* Sender);
  void Timer_SearchDeviceTimer(vcl::TObject* Sender);
  void SpeedButton_DebugDeviceClick(vcl::TObject* Sender);

  // ---------------------------------------------------------------- I/O monitor (main_io_monitor.cpp)
  void TabSheet_DeviceIOShow(vcl::TObject* Sender);
  void Image_D1Click(vcl::TObject* Sender);  // the one handler of all 30 slot images
  void SpeedButton_StartDeviceClick(vcl::TObject* Sender);
  void SpeedButton_StopDeviceClick(vcl::TObject* Sender);
  void SpeedButton_RefreshIOClick(vcl::TObject* Sender);

  // ---------------------------------------------------------------- explicit messaging (main_attribute.cpp)
  void SpeedButton_GetAttributeClick(vcl::TObject* Sender);
  void Timer_IsGetOKTimer(vcl::TObject* Sender);
  void RadioButton_Get_ASCIIClick(vcl::TObject* Sender);
  void RadioButton_Get_BYTEClick(vcl::TObject* Sender);
  void RadioButton_Get_WORDClick(vcl::TObject* Sender);
  void RadioButton_Get_DWORDClick(vcl::TObject* Sender);
  void SpeedButton_Set_AttributeClick(vcl::TObject* Sender);
  void Timer_IsSetOKTimer(vcl::TObject* Sender);

 private:
  // ---------------------------------------------------------------- component tree
  void BuildComponents();       // main_layout.cpp: the whole tree, in order
  void BuildConfigurationPage();  // main_layout_config.cpp
  void BuildDeviceIOPage();       // main_layout_io.cpp
  void BuildAttributePages();     // main_layout_io.cpp

  // ---------------------------------------------------------------- start-up
  // Lists the boards, modules or ports present into Edit_TotalBoard and
  // ComboBox_ActiveBoardNo (emptied first), selecting the first.
  void ListBoards();
  // Captions and pictures of the board selector for the chosen kind.
  void AdaptBoardSelector(std::uint8_t kind);
  bool shown_ = false;  // the chooser runs at the first show only

  // ---------------------------------------------------------------- board handling

  // ---------------------------------------------------------------- configuration

  // ---------------------------------------------------------------- network search
  // From the search command's start to the end of its poll: the wait window
  // is not modal, so the main window's commands stay reachable meanwhile.
  bool searching_ = false;

  // ---------------------------------------------------------------- I/O monitor

  // ---------------------------------------------------------------- explicit messaging
  // The slave each pending request was sent to: its poll asks about that
  // slave, whichever slot is selected by then.
  std::uint8_t getRequestMAC_ = 255;
  std::uint8_t setRequestMAC_ = 255;
};

extern TForm_Main* Form_Main;
