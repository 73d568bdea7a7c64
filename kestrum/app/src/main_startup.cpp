// Start-up of the main window and the commands that end the program or open
// the small windows: construction, creation, the first show (hardware choice,
// driver binding, board selector, board list), the two exits, "Search Module",
// About and Debug.

#include <algorithm>
#include <cstdint>

#include "driver/driver_binding.h"
#include "driver/master_api.h"
#include "kestrum/app/about.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/debug_window.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/logo.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/select_hardware.h"
#include "platform/convert.h"

using namespace vcl;

TForm_Main* Form_Main = nullptr;

namespace {

// What each hardware kind binds and how the board selector names its boards.
struct KindRow {
  std::uint8_t kind;
  std::int16_t (*bind)();
  const char* missing_library;
  const char* total_caption;
  const char* number_caption;
  const char* activate_caption;
  const char* activate_picture;
  const char* update_picture;  // null: the kind has no firmware update, the button is hidden
};

constexpr KindRow kKinds[] = {
    {driver::kKindCalvory, LoadCalvoryDriver, "Calvory.dll not exist!!", "Total Boards : ", "Board No : ",
     "Active Board", "ACTIVE_Calvory", "UPDATE_Calvory"},
    {driver::kKindMerrow, LoadMerrowDriver, "Merrow.dll not exist!!", "Total Modules ", "Module No ",
     "Active Module", "ACTIVE_Sandle", "UPDATE_Sandle"},
    {driver::kKindTolquin, LoadTolquinDriver, "Tolquin.dll not exist!!", "Total Ports : ", "Port No : ",
     "Active Port", "ACTIVE_Calvory", nullptr},
    {driver::kKindGadrow, LoadGadrowDriver, "Gadrow_VCPP_XPe.dll or Hessary.dll not exist!!", "Total Modules ",
     "Module No ", "Active Module", "ACTIVE_Gadrow", "UPDATE_Gadrow"},
};

// Null for kind 0 (none chosen): nothing is bound and the selector keeps its captions.
const KindRow* RowOf(std::uint8_t kind) {
  for (const KindRow& row : kKinds) {
    if (row.kind == kind) return &row;
  }
  return nullptr;
}

}  // namespace

TForm_Main::TForm_Main(TComponent* owner) : TForm(owner) {
  BuildComponents();
  ActiveBoardNo = driver::kNoActiveBoard;
  kestrum::LoadTraceLibraries();
  kestrum::CreateProgramLocks();
}

TForm_Main::~TForm_Main() = default;

void TForm_Main::FormCreate(TObject*) {
  TreeView_AutoScanDevice->Items->Clear();
  TreeView_CurrentConfig->Items->Clear();
  delete DeviceIOPanel;  // the main window is made once; never leave a second one behind
  DeviceIOPanel = new DeviceIO();
  PageControl_Main->ActivePage = TabSheet_Configuration;
}

void TForm_Main::FormShow(TObject*) {
  // The hardware is chosen once per run, whatever shows the window again.
  if (shown_) return;
  shown_ = true;

  Form_SelectHardware->ShowModal();  // the splash stays behind it
  if (Application->Terminated()) return;  // the session ended meanwhile: bind nothing
  if (const KindRow* row = RowOf(HardwareKind)) {
    const std::int16_t code = row->bind();
    if (code == -1) {
      ShowMessage(row->missing_library);
      Close();  // ends the program; nothing else of the start-up runs
      return;
    }
    if (code != 0) ShowMessage(plat::IntToStr(code));  // a missing entry: the program goes on
    AdaptBoardSelector(row->kind);
  }
  if (Form_Logo) Form_Logo->Repaint();
  ListBoards();
  if (Form_Logo) Form_Logo->Free();  // forgets itself; its destroy handler restores the cursor
}

void TForm_Main::AdaptBoardSelector(std::uint8_t kind) {
  const KindRow* row = RowOf(kind);
  if (!row) return;
  Label_TotalBoards->Caption = row->total_caption;
  Label_BoardNo->Caption = row->number_caption;
  SpeedButton_ActiveBoard->Caption = row->activate_caption;
  SpeedButton_ActiveBoard->Glyph->LoadFromResourceName(row->activate_picture);
  if (row->update_picture) {
    SpeedButton_DownloadFirmware->Glyph->LoadFromResourceName(row->update_picture);
  } else {
    SpeedButton_DownloadFirmware->Visible = false;
  }
}

void TForm_Main::ListBoards() {
  std::uint8_t count = 0;
  std::uint8_t numbers[driver::kBoardListRoom] = {};
  BrantelAPI_GetTotal(&count, numbers);  // its result is not looked at
  count = std::min(count, static_cast<std::uint8_t>(driver::kBoardListRoom));
  Edit_TotalBoard->Text = plat::IntToStr(count);
  // Emptied first, so that listing again never shows a number twice.
  ComboBox_ActiveBoardNo->Items->Clear();
  for (std::uint8_t i = 0; i < count; ++i) ComboBox_ActiveBoardNo->Items->Add(plat::IntToStr(numbers[i]));
  if (count > 0) ComboBox_ActiveBoardNo->ItemIndex = 0;
}

void TForm_Main::SpeedButton_ExitClick(TObject*) {
  kestrum::TraceCommand("SpeedButton_ExitClick");
  Timer_Info->Enabled = false;
  // The poll threads end before the board goes, so none of them calls the driver after the close.
  delete DeviceIOPanel;
  DeviceIOPanel = nullptr;
  if (ActiveBoardNo != driver::kNoActiveBoard) BrantelAPI_CloseBoard(ActiveBoardNo);
  Close();
}

void TForm_Main::Menu_ExitClick(TObject*) {
  // Only the window: the threads end after the loop (kestrum::EndProgramQuietly),
  // the board and the libraries with the process.
  Close();
}

void TForm_Main::Menu_AboutClick(TObject*) {
  kestrum::TraceCommand("Menu_AboutClick");
  Form_About->ShowModal();
}

void TForm_Main::Debug_TraceClick(TObject*) {
  kestrum::TraceCommand("Debug_TraceClick");
  Form_Debug->Show();
}

void TForm_Main::Menu_SearchDeviceNetModuleClick(TObject*) { ListBoards(); }
