// Explicit messaging: get and set one attribute of the selected slave.

#include "kestrum/app/main_form.h"

using namespace vcl;

void TForm_Main::SpeedButton_GetAttributeClick(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::Timer_IsGetOKTimer(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::RadioButton_Get_ASCIIClick(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::RadioButton_Get_BYTEClick(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::RadioButton_Get_WORDClick(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::RadioButton_Get_DWORDClick(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::SpeedButton_Set_AttributeClick(TObject*) {
  // Filled by explicit messaging.
}

void TForm_Main::Timer_IsSetOKTimer(TObject*) {
  // Filled by explicit messaging.
}
