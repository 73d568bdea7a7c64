// Board handling: activation and its watch, the master status refresh, the
// firmware reset and its watch, start and stop of all slaves, the firmware
// hand-off, and the opening of the master MAC ID and baud-rate dialog.

#include "kestrum/app/main_form.h"

using namespace vcl;

void TForm_Main::SpeedButton_ActiveBoardClick(TObject*) {
  // Filled by board handling.
}

void TForm_Main::Timer_ActiveBoardTimer(TObject*) {
  // Filled by board handling.
}

void TForm_Main::Timer_InfoTimer(TObject*) {
  // Filled by board handling.
}

void TForm_Main::SpeedButton_ResetClick(TObject*) {
  // Filled by board handling.
}

void TForm_Main::Timer_ResetFirmwareTimer(TObject*) {
  // Filled by board handling.
}

void TForm_Main::SpeedButton_StartAllDeviceClick(TObject*) {
  // Filled by board handling.
}

void TForm_Main::SpeedButton_StopAllDeviceClick(TObject*) {
  // Filled by board handling.
}

void TForm_Main::SpeedButton_DownloadFirmwareClick(TObject*) {
  // Filled by board handling (firmware hand-off).
}

void TForm_Main::Menu_ChangeMasterIDClick(TObject*) {
  // Filled by board handling (master MAC ID and baud-rate dialog).
}

void TForm_Main::Menu_ChangeBaudRateClick(TObject*) {
  // Filled by board handling (master MAC ID and baud-rate dialog).
}
