#include "kestrum/app/new_device.h"

#include "config_nodes.h"
#include "driver/master_api.h"
#include "kestrum/app/globals.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/pictures.h"
#include "layout.h"
#include "platform/format.h"

using namespace vcl;
using namespace kestrum::layout;

TForm_NewDevice* Form_NewDevice = nullptr;

TForm_NewDevice::TForm_NewDevice(TComponent* owner) : TForm(owner) {
  kestrum::DeclarePictures();
  Name = "Form_NewDevice";
  Caption = "New Device Configuration";
  BorderStyle = bsSingle;
  BorderIcons = TBorderIcons(biMinimize) | biMaximize;  // no system menu: no close box
  Position = poScreenCenter;
  Width = 301;
  Height = 208;

  Bevel1 = Make<TBevel>(this, "Bevel1", this, 8, 8, 76, 76);
  Image1 = Picture(this, "Image1", this, 14, 14, 64, 64, "NEW_DEVICE", /*stretch=*/false);
  Label1 = Label(this, "Label1", this, 92, 4, "New Device MAC ID");
  ComboBox_DeviceID = NumberList(this, "ComboBox_DeviceID", this, 92, 18, 60, 0, 63, 0);
  Label2 = Label(this, "Label2", this, 160, 4, "New Device  I/O Type");
  ComboBox_DeviceType = Make<TComboBox>(this, "ComboBox_DeviceType", this, 160, 18, 120, 21);
  ComboBox_DeviceType->Style = csDropDownList;
  for (const char* word : {"Poll", "Strobe", "COS", "Cyclic"}) ComboBox_DeviceType->Items->Add(word);
  ComboBox_DeviceType->ItemIndex = 0;
  ComboBox_DeviceType->OnChange = Method(this, &TForm_NewDevice::ComboBox_DeviceTypeChange);
  Label3 = Label(this, "Label3", this, 92, 44, "New Device Input Length (Byte)");
  ComboBox_InputLen = NumberList(this, "ComboBox_InputLen", this, 92, 58, 60, 0, 447, 0);
  Label4 = Label(this, "Label4", this, 92, 84, "New Device Output Length (Byte)");
  ComboBox_OutputLen = NumberList(this, "ComboBox_OutputLen", this, 92, 98, 60, 0, 447, 0);

  BitBtn_OK = Make<TBitBtn>(this, "BitBtn_OK", this, 112, 138, 80, 26);
  BitBtn_OK->Kind = bkOK;  // closes the dialog with OK after its handler
  BitBtn_OK->OnClick = Method(this, &TForm_NewDevice::BitBtn_OKClick);
  BitBtn_Cancel = Make<TBitBtn>(this, "BitBtn_Cancel", this, 200, 138, 80, 26);
  BitBtn_Cancel->Kind = bkCancel;
}

// A Strobe connection has no output: its length list goes out of sight (and
// keeps its selection, which OK still reads).
void TForm_NewDevice::ComboBox_DeviceTypeChange(TObject*) {
  const bool has_output = ComboBox_DeviceType->Text != "Strobe";
  Label4->Visible = has_output;
  ComboBox_OutputLen->Visible = has_output;
}

// Adds the chosen device and connection. Unlike the page's add command, the
// device's own result is not reported: the connection's result decides.
void TForm_NewDevice::BitBtn_OKClick(TObject*) {
  using namespace kestrum;
  using namespace kestrum::config;
  if (kestrum::RefusedWithoutBoard(this)) return;
  const auto mac = static_cast<std::uint8_t>(ComboBox_DeviceID->ItemIndex);
  const std::uint8_t kind = KindOfWord(ComboBox_DeviceType->Text());
  const auto input_length = static_cast<std::uint16_t>(ComboBox_InputLen->ItemIndex);
  const auto output_length = static_cast<std::uint16_t>(ComboBox_OutputLen->ItemIndex);
  if (kind == 0) return;  // the list always holds one of the four words

  TTreeView* tree = Form_Main->TreeView_CurrentConfig;
  std::int32_t result = BrantelAPI_AddDevice(ActiveBoardNo, mac, kAddDeviceValue);
  TTreeNode* device = result == 0 ? AppendDeviceNode(tree, mac) : FindDeviceNode(tree, mac);
  result = BrantelAPI_AddIOConnection(ActiveBoardNo, mac, kind, input_length, output_length, kAddConnectionValue);
  if (result == 0) {
    if (!device) device = AppendDeviceNode(tree, mac);
    AppendConnectionNode(tree, device, kind, input_length, output_length);
    KestrumBox(this, "Device has been added successfully.", MB_OK | MB_ICONINFORMATION);
  } else {
    KestrumBox(this, plat::Format("There are some errors.(Code: %d)", result), MB_OK | MB_ICONERROR);
  }
  HideAllSlots();
}
