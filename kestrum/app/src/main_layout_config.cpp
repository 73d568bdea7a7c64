// The page "Remote Devices Configuration": the searched devices on the left,
// the master's EEPROM scan list on the right, the trash between them, and the
// never visible add and remove commands with their hidden input fields.

#include "kestrum/app/main_form.h"
#include "layout.h"

using namespace vcl;
using namespace kestrum::layout;

void TForm_Main::BuildConfigurationPage() {
  TTabSheet* page = TabSheet_Configuration;

  // Pictures 2 to 6 are the device and the four connection kinds.
  ImageList_Device = Create<TImageList>(this, "ImageList_Device");
  ImageList_Device->Width = 32;
  ImageList_Device->Height = 32;
  for (const char* picture : {"TREE_NETWORK", "TREE_MASTER", "TREE_DEVICE", "TREE_POLL", "TREE_STROBE",
                              "TREE_COS", "TREE_CYCLIC"}) {
    ImageList_Device->AddResource(picture);
  }

  Panel_SearchDevice = Make<TPanel>(this, "Panel_SearchDevice", page, 8, 8, 380, 28);
  Panel_SearchDevice->Caption = " Searched Devices ";
  Panel_SearchDevice->Color = clSilver;
  BoldFont(Panel_SearchDevice->Font, 16);
  TreeView_AutoScanDevice = Make<TTreeView>(this, "TreeView_AutoScanDevice", page, 8, 36, 380, 442);
  TreeView_AutoScanDevice->DragMode = dmAutomatic;
  TreeView_AutoScanDevice->ReadOnly = true;
  TreeView_AutoScanDevice->MultiSelect = true;
  TreeView_AutoScanDevice->HotTrack = true;
  TreeView_AutoScanDevice->Images = ImageList_Device;
  TreeView_AutoScanDevice->Indent = 35;
  TreeView_AutoScanDevice->OnClick = Method(this, &TForm_Main::TreeView_AutoScanDeviceClick);

  Panel1 = Make<TPanel>(this, "Panel1", page, 462, 8, 420, 28);
  Panel1->Caption = "Devices in EEPROM";
  Panel1->Color = clTeal;
  BoldFont(Panel1->Font, 16);
  TreeView_CurrentConfig = Make<TTreeView>(this, "TreeView_CurrentConfig", page, 462, 36, 420, 442);
  TreeView_CurrentConfig->DragMode = dmAutomatic;
  TreeView_CurrentConfig->ReadOnly = true;  // a label is the data the remove command reads
  TreeView_CurrentConfig->Images = ImageList_Device;
  TreeView_CurrentConfig->Indent = 35;
  TreeView_CurrentConfig->OnClick = Method(this, &TForm_Main::TreeView_CurrentConfigClick);
  TreeView_CurrentConfig->OnDragOver = Method(this, &TForm_Main::TreeView_CurrentConfigDragOver);
  TreeView_CurrentConfig->OnDragDrop = Method(this, &TForm_Main::TreeView_CurrentConfigDragDrop);
  TreeView_CurrentConfig->OnStartDrag = Method(this, &TForm_Main::TreeView_CurrentConfigStartDrag);
  TreeView_CurrentConfig->OnEndDrag = Method(this, &TForm_Main::TreeView_CurrentConfigEndDrag);

  // The trash between the trees.
  Image_Del = Picture(this, "Image_Del", page, 401, 215, 48, 48, "REC_EMPTY", /*stretch=*/true);
  Image_Del->AutoSize = true;
  Image_Del->Transparent = true;
  Image_Del->OnDragOver = Method(this, &TForm_Main::Image_DelDragOver);
  Image_Del->OnDragDrop = Method(this, &TForm_Main::Image_DelDragDrop);

  // The two commands and their input; none of it is ever visible.
  SpeedButton_AddDevice = SpeedButton(this, "SpeedButton_AddDevice", page, 401, 60, 48, 48, "");
  SpeedButton_AddDevice->Hint = "Add current selected I/O connection";
  SpeedButton_AddDevice->Visible = false;
  SpeedButton_AddDevice->OnClick = Method(this, &TForm_Main::SpeedButton_AddDeviceClick);
  SpeedButton_RemoveDevice = SpeedButton(this, "SpeedButton_RemoveDevice", page, 401, 370, 48, 48, "");
  SpeedButton_RemoveDevice->Hint = "Remove the I/O connection";
  SpeedButton_RemoveDevice->Visible = false;
  SpeedButton_RemoveDevice->OnClick = Method(this, &TForm_Main::SpeedButton_RemoveDeviceClick);
  SpeedButton_RemoveDevice->OnMouseMove = Method(this, &TForm_Main::SpeedButton_RemoveDeviceMouseMove);

  struct Hidden {
    TEdit* TForm_Main::*member;
    const char* name;
  };
  const Hidden hidden[] = {
      {&TForm_Main::Edit_AddDeviceID, "Edit_AddDeviceID"},       {&TForm_Main::Edit_AddType, "Edit_AddType"},
      {&TForm_Main::Edit_AddInputLen, "Edit_AddInputLen"},       {&TForm_Main::Edit_AddOutputLen, "Edit_AddOutputLen"},
      {&TForm_Main::Edit_DeleteDeviceID, "Edit_DeleteDeviceID"}, {&TForm_Main::Edit_DeleteType, "Edit_DeleteType"},
  };
  int top = 110;
  for (const Hidden& h : hidden) {
    TEdit* e = Edit(this, h.name, page, 401, top, 48);
    e->Visible = false;
    this->*h.member = e;
    top += 24;
  }
}
