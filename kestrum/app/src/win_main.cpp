#include "kestrum/app/win_main.h"

#include "kestrum/app/about.h"
#include "kestrum/app/change_macid.h"
#include "kestrum/app/debug_device.h"
#include "kestrum/app/debug_window.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/logo.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/new_device.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/wait_dialog.h"
#include "kestrum/app/wait_message.h"

using namespace vcl;

namespace kestrum {

void CreateProgramWindows() {
  // The splash first, so that it is on screen while everything else is made.
  Form_Logo = new TForm_Logo(Application);
  Form_Logo->AfterConstruction();
  Form_Logo->Show();
  Form_Logo->Update();

  Application->Initialize();
  Application->CreateForm(Form_Main);
  Application->CreateForm(Form_Wait);
  Application->CreateForm(Form_DebuggingDevice);
  Application->CreateForm(Form_NewDevice);
  Application->CreateForm(Form_WaitMessage);
  Application->CreateForm(Form_ChangeMACID);
  Application->CreateForm(Form_About);
  Application->CreateForm(Form_Debug);
  Application->CreateForm(Form_SelectHardware);
}

void EndProgramQuietly() {
  // A process must not return with live worker threads; the board stays as it is.
  delete DeviceIOPanel;
  DeviceIOPanel = nullptr;
}

int WinMain() {
  try {
    CreateProgramWindows();
    Application->Run();
  } catch (...) {
    Application->HandleException();
  }
  EndProgramQuietly();
  return 0;
}

}  // namespace kestrum
