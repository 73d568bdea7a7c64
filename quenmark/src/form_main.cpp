#include "quenmark/form_main.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/convert.h"
#include "platform/format.h"
#include "platform/library_loader.h"

namespace quenmark {

using namespace vcl;

TForm_Main* Form_Main = nullptr;

namespace {

kestrum::TraceBridge* gTraceBridge = nullptr;

constexpr int kColumnWidth = 185;
constexpr int kButtonHeight = 25;
constexpr int kColumnLeft[] = {20, 210, 400};
constexpr int kMemoTop = 40;
constexpr int kButtonGap = 8;

TMemo* MakeMemo(TForm* form, const char* name, int column, int height) {
  TMemo* memo = Create<TMemo>(form, name);
  memo->SetBounds(kColumnLeft[column], kMemoTop, kColumnWidth, height);
  memo->ScrollBars = ssVertical;
  return memo;
}

TButton* MakeButtonUnder(TForm* form, const char* name, const TMemo* memo, const char* caption) {
  TButton* button = Create<TButton>(form, name);
  button->SetBounds(memo->Left, memo->Top + memo->Height + kButtonGap, kColumnWidth, kButtonHeight);
  button->Caption = caption;
  return button;
}

}  // namespace

void SetTraceBridge(kestrum::TraceBridge* bridge) { gTraceBridge = bridge; }

kestrum::TraceBridge& CurrentTraceBridge() {
  return gTraceBridge != nullptr ? *gTraceBridge : kestrum::ProcessTraceBridge();
}

TForm_Main::TForm_Main(TComponent* owner) : TForm(owner), trace_(CurrentTraceBridge()) {
  Name = "Form_Main";
  Caption = "Quenmark";
  Width = 613;
  Height = 480;

  Panel_Status = Create<TPanel>(this, "Panel_Status");
  Panel_Status->SetBounds(kColumnLeft[0], 8, 565, 23);
  Panel_Status->Caption = "";
  Panel_Status->Color = clRed;

  Memo_TotalMSGID = MakeMemo(this, "Memo_TotalMSGID", 0, 359);
  Button_Refresh = MakeButtonUnder(this, "Button_Refresh", Memo_TotalMSGID, "Refresh");
  Memo_AddMSGID = MakeMemo(this, "Memo_AddMSGID", 1, 95);
  Button_Add = MakeButtonUnder(this, "Button_Add", Memo_AddMSGID, "+ Add Debug MSG ID");
  Memo_RemoveMSGID = MakeMemo(this, "Memo_RemoveMSGID", 2, 95);
  Button_Remove = MakeButtonUnder(this, "Button_Remove", Memo_RemoveMSGID, "- Remove Debug MSG ID");

  Button_Refresh->OnClick = Method(this, &TForm_Main::Button_RefreshClick);
  Button_Add->OnClick = Method(this, &TForm_Main::Button_AddClick);
  Button_Remove->OnClick = Method(this, &TForm_Main::Button_RemoveClick);
  OnShow = Method(this, &TForm_Main::FormShow);
  OnClose = Method(this, &TForm_Main::FormClose);

  trace_.LoadTraceLibraries(plat::CurrentLoader());
}

void TForm_Main::FormShow(TObject*) {
  if (trace_.TracingBound()) Panel_Status->Color = clLime;
  Button_RefreshClick(this);
}

// The window closes as any main window does, which ends the program.
void TForm_Main::FormClose(TObject*, TCloseAction&) {}

void TForm_Main::Button_RefreshClick(TObject*) {
  std::array<std::uint16_t, TAMSILE_CAPACITY> ids{};
  std::uint16_t count = 0;
  trace_.ReadEnabledMsgIds(&count, ids.data());
  // A filter library of another make could report more than the room given.
  const std::size_t listed = std::min<std::size_t>(count, ids.size());
  Memo_TotalMSGID->Lines->Clear();
  for (std::size_t i = 0; i < listed; ++i) Memo_TotalMSGID->Lines->Add(plat::Format("%d", ids[i]));
}

void TForm_Main::Button_AddClick(TObject*) { ApplyLines(Memo_AddMSGID, 1); }

void TForm_Main::Button_RemoveClick(TObject*) { ApplyLines(Memo_RemoveMSGID, 0); }

void TForm_Main::ApplyLines(TMemo* memo, std::uint8_t enable) {
  const int lines = memo->Lines->Count;
  if (lines == 0) return;
  for (int i = 0; i < lines; ++i) {
    // Only the low 16 bits reach the table: -1 names ID 65535.
    trace_.SetMsgIdEnabled(plat::StrToInt(memo->Lines->Get(i)), enable);
  }
  Button_RefreshClick(this);
  memo->Lines->Clear();
}

}  // namespace quenmark
