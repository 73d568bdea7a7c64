// Configuration: the two trees of the configuration page, the add, remove
// and clear commands with their drag and drop, the new-device dialog's
// opening, and the EEPROM file export and import.

#include "kestrum/app/main_form.h"

using namespace vcl;

std::int32_t TForm_Main::RefreshCurrentConfig() {
  // Filled by configuration.
  return 0;
}

void TForm_Main::SpeedButton_AddDeviceClick(TObject*) {
  // Filled by configuration.
}

void TForm_Main::SpeedButton_RemoveDeviceClick(TObject*) {
  // Filled by configuration.
}

void TForm_Main::SpeedButton_RemoveDeviceMouseMove(TObject*, TShiftState, int, int) {
  // Filled by configuration.
}

void TForm_Main::SpeedButton_ClearEEPROMClick(TObject*) {
  // Filled by configuration.
}

void TForm_Main::TreeView_AutoScanDeviceClick(TObject*) {
  // Filled by configuration.
}

void TForm_Main::TreeView_CurrentConfigClick(TObject*) {
  // Filled by configuration.
}

void TForm_Main::TreeView_CurrentConfigDragOver(TObject*, TObject*, int, int, TDragState, bool&) {
  // Filled by configuration.
}

void TForm_Main::TreeView_CurrentConfigDragDrop(TObject*, TObject*, int, int) {
  // Filled by configuration.
}

void TForm_Main::TreeView_CurrentConfigStartDrag(TObject*) {
  // Filled by configuration.
}

void TForm_Main::TreeView_CurrentConfigEndDrag(TObject*, TObject*, int, int) {
  // Filled by configuration.
}

void TForm_Main::Image_DelDragOver(TObject*, TObject*, int, int, TDragState, bool&) {
  // Filled by configuration.
}

void TForm_Main::Image_DelDragDrop(TObject*, TObject*, int, int) {
  // Filled by configuration.
}

void TForm_Main::TabSheet_ConfigurationShow(TObject*) {
  // Filled by configuration.
}

void TForm_Main::SpeedButton_NewDeviceClick(TObject*) {
  // Filled by configuration (new-device dialog).
}

void TForm_Main::SpeedButton_ExportEEPROMClick(TObject*) {
  // Filled by configuration (EEPROM file).
}

void TForm_Main::SpeedButton_ImportEEPROMClick(TObject*) {
  // Filled by configuration (EEPROM file).
}
