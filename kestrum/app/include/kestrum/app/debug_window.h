#pragma once
// The hidden debug window (unit DebugWindow, opened by Ctrl+Alt+D): the
// enabled trace message IDs on the left, the master's firmware debug-window
// IDs on the right.

#include <cstdint>

#include "platform/vcl/forms.h"

class TForm_Debug : public vcl::TForm {
 public:
  explicit TForm_Debug(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_Debug"; }

  // Trace message IDs
  vcl::TGroupBox* GroupBox2{};
  vcl::TMemo* Memo4{};    // the list
  vcl::TButton* Button2{};  // "Refresh"
  vcl::TMemo* Memo3{};    // IDs to enable
  vcl::TButton* Button1{};  // "+ Debug Wnd"
  vcl::TEdit* Edit1{};    // ID to disable
  vcl::TButton* Button3{};  // "- Debug Wnd"
  // Firmware debug-window IDs
  vcl::TGroupBox* GroupBox1{};
  vcl::TMemo* Memo1{};
  vcl::TButton* Button_Refresh{};
  vcl::TMemo* Memo2{};
  vcl::TButton* Button_AddDebugWnd{};
  vcl::TEdit* Edit2{};
  vcl::TButton* Button_RemoveDebugWnd{};

  // The firmware needs a moment to apply a change before it is listed again.
  static constexpr std::uint32_t kFirmwarePauseMs = 500;

  // The first opening binds the two firmware entries of kinds 1 and 2.
  void FormShow(vcl::TObject* Sender);
  void Button2Click(vcl::TObject* Sender);
  void Button_RefreshClick(vcl::TObject* Sender);
  void Button1Click(vcl::TObject* Sender);
  void Button_AddDebugWndClick(vcl::TObject* Sender);
  void Button3Click(vcl::TObject* Sender);
  void Button_RemoveDebugWndClick(vcl::TObject* Sender);
};

extern TForm_Debug* Form_Debug;

// The two firmware debug-window entries of kinds 1 and 2, bound by the
// window's first opening; other kinds, or an entry not found: 0, no call.
std::int32_t FirmDebugWndEnable(std::uint8_t board, std::uint16_t id, std::uint8_t enable);
std::int32_t GetFirmDebugWnd(std::uint8_t board, std::uint16_t* count, std::int16_t* ids);
