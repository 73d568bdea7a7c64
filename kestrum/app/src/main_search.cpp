// Network search: the search command and its poll, and the opening of the
// device diagnosis dialog.

#include "kestrum/app/main_form.h"

using namespace vcl;

void TForm_Main::SpeedButton_SearchDeviceClick(TObject*) {
  // Filled by network search.
}

void TForm_Main::Timer_SearchDeviceTimer(TObject*) {
  // Filled by network search.
}

void TForm_Main::SpeedButton_DebugDeviceClick(TObject*) {
  // Filled by network search (device diagnosis).
}
