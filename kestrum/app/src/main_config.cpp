// Configuration: the two trees of the configuration page, the add, remove
// and clear commands with their drag and drop, the new-device dialog's
// opening, and the EEPROM file export and import.
//
// The add and remove commands read their input from the page's hidden fields,
// which the tree clicks and the import fill; the drops never look at the
// dragged node. A press on a node is delivered as a click before any drag
// starts, so the fields always describe the node being dragged.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config_nodes.h"
#include "driver/master_api.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/eeprom_file.h"
#include "kestrum/app/globals.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/new_device.h"
#include "platform/convert.h"
#include "platform/file_io.h"
#include "platform/format.h"
#include "platform/ini_file.h"

using namespace vcl;
using namespace kestrum;
using namespace kestrum::config;

namespace {

constexpr std::int32_t kDeviceConfigured = 1057;
// 1105 Poll, 1106 Strobe, 1107 COS, 1108 Cyclic: that connection is already there.
constexpr std::int32_t kConnectionPresentBase = 1104;
constexpr int kHighestMac = kHighestEepromMac;
constexpr std::int32_t kHighestLength = 65535;  // what the master's 16-bit lengths hold
constexpr const char* kReadFailure = "Error!! Can not read data from the EEPROM.";
constexpr const char* kEEPROMUnchanged = "The EEPROM has not been changed.";
constexpr unsigned kError = MB_OK | MB_ICONERROR;
constexpr unsigned kInformation = MB_OK | MB_ICONINFORMATION;

// The device text of the selected node (its parent's when it is a connection)
// and the connection text (empty for a device node).
struct NodeTexts {
  std::string device;
  std::string connection;
};
std::optional<NodeTexts> SelectedNodeTexts(TTreeView* tree) {
  TTreeNode* node = tree->Selected;
  if (!node) return std::nullopt;
  if (TTreeNode* parent = node->Parent) return NodeTexts{parent->Text, node->Text};
  return NodeTexts{node->Text, ""};
}

// What the Globals unit's parser reads from the texts (a kind it does not
// know stays 0, which names no connection).
struct ParsedNode {
  std::int32_t result = 0;
  std::uint8_t mac = 0;
  std::uint8_t kind = 0;
  std::uint16_t input_length = 0;
  std::uint16_t output_length = 0;
};
ParsedNode Parse(const std::string& device, const std::string& connection) {
  ParsedNode p;
  p.result = ParseDeviceNodeText(device, connection, p.mac, p.kind, p.input_length, p.output_length);
  return p;
}

// A clear the master refused leaves its configuration as it was: say so with
// the code, and let the tree show what the master still holds.
void ReportFailedClear(TForm_Main* form, std::int32_t result) {
  KestrumBox(form, plat::Format("There are some errors when clearing the EEPROM.(Code: %d)", result), kError);
  if (form->RefreshCurrentConfig() != 0) KestrumBox(form, kReadFailure, kError);
}

bool IsNamed(TObject* component, const char* name) { return component && component->Name == name; }

std::string SectionOf(int mac) { return plat::IntToStr(mac); }

}  // namespace

// ---------------------------------------------------------------- the configuration tree
std::int32_t TForm_Main::RefreshCurrentConfig() {
  TTreeView* tree = TreeView_CurrentConfig;
  tree->Items->Clear();
  std::vector<ScanListEntry> entries;
  if (const std::int32_t result = ReadScanList(entries); result != 0) return result;
  for (const ScanListEntry& e : entries) {
    AppendConnectionNode(tree, DeviceNodeFor(tree, e.mac), e.kind, e.input_length, e.output_length);
  }
  return 0;
}

// ---------------------------------------------------------------- the tree clicks
void TForm_Main::TreeView_AutoScanDeviceClick(TObject*) {
  TraceCommand("TreeView_AutoScanDeviceClick");
  const std::optional<NodeTexts> texts = SelectedNodeTexts(TreeView_AutoScanDevice);
  if (!texts) return;
  const ParsedNode node = Parse(texts->device, texts->connection);
  Edit_AddDeviceID->Text = plat::IntToStr(node.mac);
  if (node.result != 0) {
    Edit_AddType->Text = "";
    Edit_AddInputLen->Text = "";
    Edit_AddOutputLen->Text = "";
    return;
  }
  Edit_AddType->Text = std::string(KindWord(node.kind));
  Edit_AddInputLen->Text = plat::IntToStr(node.input_length);
  Edit_AddOutputLen->Text = plat::IntToStr(node.output_length);
}

void TForm_Main::TreeView_CurrentConfigClick(TObject*) {
  TraceCommand("TreeView_CurrentConfigClick");
  const std::optional<NodeTexts> texts = SelectedNodeTexts(TreeView_CurrentConfig);
  if (!texts) return;
  // Removal works on the whole device, whichever of its nodes was clicked.
  Edit_DeleteDeviceID->Text = plat::IntToStr(Parse(texts->device, "").mac);
}

// ---------------------------------------------------------------- add, remove, clear
void TForm_Main::SpeedButton_AddDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  if (Edit_AddDeviceID->Text().empty()) {
    KestrumBox(this, "Please select the device in the left side.", kError);
    return;
  }
  // Only the four words name a connection; anything else is no choice of type.
  const std::uint8_t kind = KindOfWord(Edit_AddType->Text());
  if (kind == 0) {
    KestrumBox(this, "Please select the I/O type of the device in the left side.", kError);
    return;
  }
  TraceCommand("SpeedButton_AddDeviceClick");
  const auto mac = static_cast<std::uint8_t>(plat::StrToInt(Edit_AddDeviceID->Text()));
  const auto input_length = static_cast<std::uint16_t>(plat::StrToInt(Edit_AddInputLen->Text()));
  const auto output_length = static_cast<std::uint16_t>(plat::StrToInt(Edit_AddOutputLen->Text()));

  TTreeView* tree = TreeView_CurrentConfig;
  TTreeNode* device = nullptr;
  std::int32_t result = BrantelAPI_AddDevice(ActiveBoardNo, mac, kAddDeviceValue);
  if (result == 0) {
    device = AppendDeviceNode(tree, mac);
  } else if (result == kDeviceConfigured) {
    device = DeviceNodeFor(tree, mac);
  } else {
    KestrumBox(this, plat::Format("There are some errors when adding device to EEPROM!(Code:%d)", result), kError);
    return;
  }

  result = BrantelAPI_AddIOConnection(ActiveBoardNo, mac, kind, input_length, output_length, kAddConnectionValue);
  if (result == kConnectionPresentBase + kind) {
    KestrumBox(this, std::string(KindWord(kind)) + " connection already exists in the EEPROM.", kError);
    return;
  }
  if (result == 0) {
    AppendConnectionNode(tree, device, kind, input_length, output_length);
    KestrumBox(this, plat::Format("Device %d has been added successfully.", mac), kInformation);
  } else {
    KestrumBox(this, plat::Format("There are some errors when configuring I/O connection.(Code: %d)", result), kError);
  }
  HideAllSlots();
}

void TForm_Main::SpeedButton_RemoveDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  if (Edit_DeleteDeviceID->Text().empty()) {
    KestrumBox(this, "Please select the device in the right side.", kError);
    return;
  }
  TraceCommand("SpeedButton_RemoveDeviceClick");
  const auto mac = static_cast<std::uint8_t>(plat::StrToInt(Edit_DeleteDeviceID->Text()));
  BrantelAPI_RemoveDevice(ActiveBoardNo, mac);  // the refreshed tree shows what the master now holds
  if (RefreshCurrentConfig() != 0) KestrumBox(this, kReadFailure, kError);
  HideAllSlots();
}

void TForm_Main::SpeedButton_RemoveDeviceMouseMove(TObject*, TShiftState, int, int) {
  TraceText("Mouse Move", kTraceChannel);
}

void TForm_Main::SpeedButton_ClearEEPROMClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  TraceCommand("SpeedButton_ClearEEPROMClick");
  const int answer = KestrumBox(this, "This will clear all information in EEPROM. \nDo you really do it?",
                         MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST);
  if (answer != IDYES) return;
  const std::int32_t result = BrantelAPI_ClearAllConfig(ActiveBoardNo);
  if (result == 0) {
    TreeView_CurrentConfig->Items->Clear();
    KestrumBox(this, "All information in EEPROM have been cleared.", kInformation);
    return;
  }
  // Nothing may claim a clear that did not happen.
  ReportFailedClear(this, result);
}

// ---------------------------------------------------------------- drag and drop
void TForm_Main::TreeView_CurrentConfigDragOver(TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
  Accept = !IsNamed(Source, "TreeView_CurrentConfig");
}

void TForm_Main::TreeView_CurrentConfigDragDrop(TObject*, TObject* Source, int, int) {
  TraceTextIfEnabled(kDragDropMsgId, "DragDrop", kTraceChannel);
  if (!Source) {
    TraceTextIfEnabled(kDragDropMsgId, "Source is NULL", kTraceChannel);
    return;
  }
  SpeedButton_AddDeviceClick(this);
  TreeView_CurrentConfig->Repaint();
}

void TForm_Main::TreeView_CurrentConfigStartDrag(TObject*) {}

void TForm_Main::TreeView_CurrentConfigEndDrag(TObject*, TObject*, int, int) {}

void TForm_Main::Image_DelDragOver(TObject*, TObject* Source, int, int, TDragState State, bool& Accept) {
  // Whatever hovered, the trash is empty again once the drag has left it.
  if (State == dsDragLeave) Image_Del->Picture->LoadFromResourceName("REC_EMPTY");
  if (!TreeView_CurrentConfig->Selected || IsNamed(Source, "TreeView_AutoScanDevice")) {
    Accept = false;
    return;
  }
  Accept = true;
  if (State == dsDragEnter) Image_Del->Picture->LoadFromResourceName("REC_ITEM");
}

void TForm_Main::Image_DelDragDrop(TObject*, TObject* Source, int, int) {
  if (Source) SpeedButton_RemoveDeviceClick(this);
}

void TForm_Main::TabSheet_ConfigurationShow(TObject*) {
  TraceCommand("TabSheet_ConfigurationShow");
  SpeedButton_ClearEEPROM->Enabled = true;
  SpeedButton_ExportEEPROM->Enabled = true;
  SpeedButton_ImportEEPROM->Enabled = true;
}

// ---------------------------------------------------------------- new device
void TForm_Main::SpeedButton_NewDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  TraceCommand("SpeedButton_NewDeviceClick");
  Form_NewDevice->ShowModal();
}

// ---------------------------------------------------------------- EEPROM file
// One section per configured slave, named by its MAC ID: a key "1" for each
// kind of connection it has, and the lengths of its last entry. Sections of
// other names stay as they are. The scan list is read before the file is
// touched, and the new file replaces the old one in one step, so a failed
// read or write never leaves the user's file half erased.
void TForm_Main::SpeedButton_ExportEEPROMClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  TraceCommand("SpeedButton_ExportEEPROMClick");
  if (!SaveDialog_EEPROM->Execute()) return;

  std::vector<ScanListEntry> entries;
  if (ReadScanList(entries) != 0) {
    KestrumBox(this, kReadFailure, kError);
    return;
  }

  plat::IniFile file(SaveDialog_EEPROM->FileName, plat::IniFile::Mode::kBuffered);
  bool written = true;
  for (int mac = 0; mac <= kHighestMac && written; ++mac) {
    if (file.SectionExists(SectionOf(mac))) written = file.EraseSection(SectionOf(mac));
  }
  for (const ScanListEntry& e : entries) {
    if (!written) break;
    const std::string section = SectionOf(e.mac);
    const std::string kind_key(KindWord(e.kind));
    if (!file.ValueExists(section, kind_key)) written = file.WriteString(section, kind_key, "1");
    written = written && file.WriteString(section, "Input", plat::IntToStr(e.input_length)) &&
              file.WriteString(section, "Output", plat::IntToStr(e.output_length));
  }
  // A file that exists but could not be read is never written over.
  if (!written || !file.Flush() || !file.LastError().empty()) {
    KestrumBox(this, "Error!! Can not write the file " + file.LastError(), kError);
  }
}

// Clears the master and adds every connection that the file's sections "0" to
// "63" name, through the add command, one result box per connection. The
// file is read and every number in it converted first: a missing file, one
// that names no connection at all, a length that is no 16-bit number, or a
// text that is no number leaves the master as it was (all but the last with a
// box that says why), and so does a clear that the master refuses.
void TForm_Main::SpeedButton_ImportEEPROMClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  TraceCommand("SpeedButton_ImportEEPROMClick");
  if (!OpenDialog_EEPROM->Execute()) return;

  const std::string path = OpenDialog_EEPROM->FileName;
  std::string text;
  if (const int error = plat::ReadWholeFile(path, text); error != 0) {
    KestrumBox(this, "Error!! Can not read the file " + path + ": " + plat::ErrorText(error), kError);
    return;
  }
  const std::vector<ImportedDevice> devices = ReadEepromImport(text);
  // A file that would only clear the master is most likely not the file the
  // user meant (or one this program cannot read): say so and change nothing.
  if (devices.empty()) {
    KestrumBox(this,
               "The file " + path + " names no device: it has no section [0] to [63] with a key in it.\n" +
                   kEEPROMUnchanged,
               kError);
    return;
  }
  if (std::none_of(devices.begin(), devices.end(), [](const ImportedDevice& d) { return !d.kinds.empty(); })) {
    KestrumBox(this,
               "The file " + path + " names no connection: none of its devices has Poll, Strobe, COS or Cyclic set.\n" +
                   kEEPROMUnchanged,
               kError);
    return;
  }

  // A length that 16 bits cannot hold would reach the master cut down to
  // some other length.
  for (const ImportedDevice& d : devices) {
    if (d.kinds.empty()) continue;
    for (const auto& [name, text] : {std::pair{"Input", &d.input_length}, std::pair{"Output", &d.output_length}}) {
      const std::int32_t length = plat::StrToInt(*text);  // a number: the file's reading converted it
      if (length >= 0 && length <= kHighestLength) continue;
      KestrumBox(this,
                 plat::Format("The file %s gives device %d the %s length %s: a length is 0 to %d.\n", path,
                              d.mac, name, *text, kHighestLength) +
                     kEEPROMUnchanged,
                 kError);
      return;
    }
  }

  // Adding the file on top of a configuration the master failed to clear
  // would merge the two while the tree showed the file alone.
  if (const std::int32_t result = BrantelAPI_ClearAllConfig(ActiveBoardNo); result != 0) {
    ReportFailedClear(this, result);
    return;
  }
  TreeView_CurrentConfig->Items->Clear();
  for (const ImportedDevice& d : devices) {
    Edit_AddDeviceID->Text = plat::IntToStr(d.mac);
    Edit_AddInputLen->Text = d.input_length;
    Edit_AddOutputLen->Text = d.output_length;
    for (std::uint8_t kind : d.kinds) {
      Edit_AddType->Text = std::string(KindWord(kind));
      SpeedButton_AddDeviceClick(this);
    }
  }
}
