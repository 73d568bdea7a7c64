#pragma once
// Quenmark's one window: it lists the enabled trace message IDs of the shared
// filter table and enables or disables the IDs typed in, one per line. The
// table is reached only through the trace bridge, so nothing is read or
// changed unless tracing is bound.
//
// The class lives in a namespace of its own: Kestrum has a TForm_Main too.

#include <cstdint>

#include "kestrum/trace_bridge.h"
#include "platform/vcl/forms.h"

namespace quenmark {

// The bridge the next TForm_Main binds and works through: the process's own
// unless a test installed another (not owned; it must outlive the form).
// nullptr goes back to the process's bridge.
void SetTraceBridge(kestrum::TraceBridge* bridge);
kestrum::TraceBridge& CurrentTraceBridge();

class TForm_Main : public vcl::TForm {
 public:
  // Creates the components, then binds the trace libraries through the
  // current loader.
  explicit TForm_Main(vcl::TComponent* owner);
  const char* ClassName() const override { return "TForm_Main"; }

  vcl::TPanel* Panel_Status = nullptr;
  vcl::TMemo* Memo_TotalMSGID = nullptr;
  vcl::TButton* Button_Refresh = nullptr;
  vcl::TMemo* Memo_AddMSGID = nullptr;
  vcl::TButton* Button_Add = nullptr;
  vcl::TMemo* Memo_RemoveMSGID = nullptr;
  vcl::TButton* Button_Remove = nullptr;

  void FormShow(vcl::TObject* Sender);
  void FormClose(vcl::TObject* Sender, vcl::TCloseAction& Action);
  void Button_RefreshClick(vcl::TObject* Sender);
  void Button_AddClick(vcl::TObject* Sender);
  void Button_RemoveClick(vcl::TObject* Sender);

 private:
  // Converts every line of the memo and passes it on with the flag, then
  // lists the table again and empties the memo. A line that is no integer
  // ends it there with the conversion error: what came before stays applied
  // and the memo keeps its lines.
  void ApplyLines(vcl::TMemo* memo, std::uint8_t enable);

  kestrum::TraceBridge& trace_;
};

extern TForm_Main* Form_Main;

}  // namespace quenmark
