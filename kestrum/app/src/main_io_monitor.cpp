// The I/O monitor page: filling it from the configuration tree, selecting a
// slot, and the start, stop and output commands of the selected slave.

#include "kestrum/app/main_form.h"

using namespace vcl;

void TForm_Main::TabSheet_DeviceIOShow(TObject*) {
  // Filled by the I/O monitor page.
}

void TForm_Main::Image_D1Click(TObject*) {
  // Filled by the I/O monitor page.
}

void TForm_Main::SpeedButton_StartDeviceClick(TObject*) {
  // Filled by the I/O monitor page.
}

void TForm_Main::SpeedButton_StopDeviceClick(TObject*) {
  // Filled by the I/O monitor page.
}

void TForm_Main::SpeedButton_RefreshIOClick(TObject*) {
  // Filled by the I/O monitor page.
}
