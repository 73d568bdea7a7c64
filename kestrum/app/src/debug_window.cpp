#include "kestrum/app/debug_window.h"

#include "kestrum/app/pictures.h"
#include "layout.h"

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
}

void TForm_Debug::Button2Click(TObject*) {
  // Filled by the debug window.
}

void TForm_Debug::Button_RefreshClick(TObject*) {
  // Filled by the debug window.
}

void TForm_Debug::Button1Click(TObject*) {
  // Filled by the debug window.
}

void TForm_Debug::Button_AddDebugWndClick(TObject*) {
  // Filled by the debug window.
}

void TForm_Debug::Button3Click(TObject*) {
  // Filled by the debug window.
}

void TForm_Debug::Button_RemoveDebugWndClick(TObject*) {
  // Filled by the debug window.
}

std::int32_t FirmDebugWndEnable(std::uint8_t, std::uint16_t, std::uint8_t) {
  // Filled by the debug window.
  return 0;
}

std::int32_t GetFirmDebugWnd(std::uint8_t, std::uint16_t*, std::int16_t*) {
  // Filled by the debug window.
  return 0;
}
