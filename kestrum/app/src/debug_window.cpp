#include "kestrum/app/debug_window.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "driver/driver_binding.h"
#include "kestrum/app/pictures.h"
#include "kestrum/app/program_state.h"
#include "kestrum/trace_bridge.h"
#include "layout.h"
#include "platform/convert.h"
#include "platform/format.h"
#include "platform/library_loader.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_Debug* Form_Debug = nullptr;

TForm_Debug::TForm_Debug(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_Debug";
  Caption = "Form_DebugWindow";
  Position = poScreenCenter;
  FormStyle = fsStayOnTop;
  Width = 696;
  Height = 480;

  // Two groups of one layout side by side: the list with its refresh button on
  // the left, the ID to disable and the IDs to enable on the right.
  struct Group {
    TGroupBox* TForm_Debug::*box;
    const char* box_name;
    const char* caption;
    TColor color;
    TMemo* TForm_Debug::*list;
    const char* list_name;
    TButton* TForm_Debug::*refresh;
    const char* refresh_name;
    void (TForm_Debug::*refresh_click)(TObject*);
    TEdit* TForm_Debug::*disable_edit;
    const char* disable_edit_name;
    TButton* TForm_Debug::*disable;
    const char* disable_name;
    void (TForm_Debug::*disable_click)(TObject*);
    TMemo* TForm_Debug::*enable_memo;
    const char* enable_memo_name;
    TButton* TForm_Debug::*enable;
    const char* enable_name;
    void (TForm_Debug::*enable_click)(TObject*);
  };
  using F = TForm_Debug;
  const Group groups[] = {
      {&F::GroupBox2, "GroupBox2", "Lorvex Message", clPurple, &F::Memo4, "Memo4", &F::Button2, "Button2",
       &F::Button2Click, &F::Edit1, "Edit1", &F::Button3, "Button3", &F::Button3Click, &F::Memo3, "Memo3",
       &F::Button1, "Button1", &F::Button1Click},
      {&F::GroupBox1, "GroupBox1", "Firmware Debug Window", clGradientInactiveCaption, &F::Memo1, "Memo1",
       &F::Button_Refresh, "Button_Refresh", &F::Button_RefreshClick, &F::Edit2, "Edit2", &F::Button_RemoveDebugWnd,
       "Button_RemoveDebugWnd", &F::Button_RemoveDebugWndClick, &F::Memo2, "Memo2", &F::Button_AddDebugWnd,
       "Button_AddDebugWnd", &F::Button_AddDebugWndClick},
  };
  int left = 8;
  for (const Group& g : groups) {
    TGroupBox* box = Make<TGroupBox>(this, g.box_name, this, left, 8, 330, 424);
    box->Caption = g.caption;
    box->Color = g.color;
    this->*g.box = box;
    TMemo* list = Make<TMemo>(this, g.list_name, box, 8, 20, 150, 360);
    list->ScrollBars = ssVertical;
    this->*g.list = list;
    TButton* refresh = Make<TButton>(this, g.refresh_name, box, 8, 388, 150, 26);
    refresh->Caption = "Refresh";
    refresh->OnClick = Method(this, g.refresh_click);
    this->*g.refresh = refresh;
    this->*g.disable_edit = Edit(this, g.disable_edit_name, box, 170, 20, 150);
    TButton* disable = Make<TButton>(this, g.disable_name, box, 170, 46, 150, 26);
    disable->Caption = "- Debug Wnd";
    disable->OnClick = Method(this, g.disable_click);
    this->*g.disable = disable;
    TMemo* enable_memo = Make<TMemo>(this, g.enable_memo_name, box, 170, 84, 150, 296);
    enable_memo->ScrollBars = ssVertical;
    this->*g.enable_memo = enable_memo;
    TButton* enable = Make<TButton>(this, g.enable_name, box, 170, 388, 150, 26);
    enable->Caption = "+ Debug Wnd";
    enable->OnClick = Method(this, g.enable_click);
    this->*g.enable = enable;
    left += 340;
  }
  OnShow = Method(this, &TForm_Debug::FormShow);
}

namespace {

// The firmware lists' room on the window.
constexpr std::size_t kFirmwareListRoom = 300;
// The list entry has no room argument and a 16-bit count: the list is taken
// into room for the longest count it can report, and the window shows the
// first kFirmwareListRoom IDs of it.
constexpr std::size_t kLongestFirmwareList = 65535;

bool HasFirmwareEntries(std::uint8_t kind) { return kind == driver::kKindCalvory || kind == driver::kKindMerrow; }

// The IDs to enable: every line of the memo, converted as the framework does
// (a line that is no number ends the command with the conversion error).
template <class EnableFn>
bool EnableLines(TMemo* memo, EnableFn enable) {
  if (memo->Lines->Count == 0) return false;
  for (const std::string& line : *memo->Lines) enable(static_cast<std::uint16_t>(plat::StrToInt(line)));
  return true;
}

}  // namespace

void TForm_Debug::FormShow(TObject*) {
  if (FirmDebugWndBound) return;
  FirmDebugWndBound = true;  // once per process, whether or not the entries are found
  const std::uint8_t kind = HardwareKind;
  if (!HasFirmwareEntries(kind)) return;
  const DriverEntryTable* table = DriverEntryTableOf(kind);
  const std::string family = kind == driver::kKindCalvory ? "Calvory" : "Merrow";
  plat::LibraryLoader& loader = plat::CurrentLoader();
  auto lookUp = [&](const std::string& entry) {
    plat::ProcAddress address = table ? loader.Symbol(table->Module(), entry) : nullptr;
    if (!address) ShowMessage("API_" + entry + " Error");
    return address;
  };
  FirmDebugWndEnableFunc = reinterpret_cast<FirmDebugWndEnableEntry>(lookUp(family + "_FirmDebugWndEnable"));
  GetFirmDebugWndFunc = reinterpret_cast<GetFirmDebugWndEntry>(lookUp(family + "_GetFirmDebugWnd"));
}

void TForm_Debug::Button2Click(TObject*) {
  std::uint16_t count = 0;
  std::uint16_t ids[TAMSILE_CAPACITY] = {};
  kestrum::ReadEnabledMsgIds(&count, ids);
  Memo4->Lines->Clear();
  for (std::uint16_t i = 0; i < std::min<std::size_t>(count, TAMSILE_CAPACITY); ++i) {
    Memo4->Lines->Add(plat::Format("%d", ids[i]));
  }
}

void TForm_Debug::Button_RefreshClick(TObject*) {
  std::uint16_t count = 0;
  std::vector<std::int16_t> ids(kLongestFirmwareList);
  GetFirmDebugWnd(ActiveBoardNo, &count, ids.data());
  Memo1->Lines->Clear();
  for (std::uint16_t i = 0; i < std::min<std::size_t>(count, kFirmwareListRoom); ++i) {
    Memo1->Lines->Add(plat::Format("%d", ids[i]));
  }
}

void TForm_Debug::Button1Click(TObject*) {
  if (!EnableLines(Memo3, [](std::uint16_t id) { kestrum::SetMsgIdEnabled(id, 1); })) return;
  Button2Click(Button2);
}

void TForm_Debug::Button_AddDebugWndClick(TObject*) {
  if (!EnableLines(Memo2, [](std::uint16_t id) { FirmDebugWndEnable(ActiveBoardNo, id, 1); })) return;
  Sleep(kFirmwarePauseMs);
  Button_RefreshClick(Button_Refresh);
}

void TForm_Debug::Button3Click(TObject*) {
  if (Edit1->Text().empty()) return;
  kestrum::SetMsgIdEnabled(static_cast<std::uint16_t>(plat::StrToInt(Edit1->Text())), 0);
  Button2Click(Button2);
}

void TForm_Debug::Button_RemoveDebugWndClick(TObject*) {
  if (Edit2->Text().empty()) return;
  FirmDebugWndEnable(ActiveBoardNo, static_cast<std::uint16_t>(plat::StrToInt(Edit2->Text())), 0);
  Sleep(kFirmwarePauseMs);
  Button_RefreshClick(Button_Refresh);
}

std::int32_t FirmDebugWndEnable(std::uint8_t board, std::uint16_t id, std::uint8_t enable) {
  if (!HasFirmwareEntries(HardwareKind) || !FirmDebugWndEnableFunc) return 0;
  return FirmDebugWndEnableFunc(board, id, enable);
}

std::int32_t GetFirmDebugWnd(std::uint8_t board, std::uint16_t* count, std::int16_t* ids) {
  if (!HasFirmwareEntries(HardwareKind) || !GetFirmDebugWndFunc) return 0;
  // The driver's IDs are 16-bit patterns; the window reads them as signed.
  return GetFirmDebugWndFunc(board, count, reinterpret_cast<std::uint16_t*>(ids));
}
