// Explicit messaging: get and set one attribute of the selected slave.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/master_api.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/boxes.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/program_state.h"
#include "platform/convert.h"
#include "platform/format.h"

using namespace vcl;

namespace {

constexpr unsigned kError = MB_OK | MB_ICONERROR;
constexpr std::int32_t kPending = 1151;

std::uint8_t SelectedMAC() { return DeviceIOPanel ? DeviceIOPanel->GetSelectedMACID() : DeviceIO::kNone; }

// The three number fields of a page, each cut to its low 8 bits; false (after
// the refusal box) at the first one that is no number.
bool ReadNumbers(TForm_Main& f, TEdit* class_edit, TEdit* instance_edit, TEdit* attribute_edit,
                 std::uint8_t (&numbers)[3]) {
  const struct {
    TEdit* edit;
    const char* refusal;
  } fields[] = {{class_edit, "ClassID is not a decimal number"},
                {instance_edit, "InstanceID is not a decimal number"},
                {attribute_edit, "AttributeID is not a decimal number"}};
  for (int i = 0; i < 3; ++i) {
    std::int32_t value = 0;
    if (!plat::TryStrToInt(fields[i].edit->Text(), value)) {
      kestrum::KestrumBox(&f, fields[i].refusal, kError);
      return false;
    }
    numbers[i] = static_cast<std::uint8_t>(value);
  }
  return true;
}

// Refusals both requests begin with; false after the box.
bool BoardAndSlaveReady(TForm_Main& f, const char* handler) {
  if (kestrum::RefusedWithoutBoard(&f)) return false;
  kestrum::TraceCommand(handler);
  if (SelectedMAC() == DeviceIO::kNone) {
    kestrum::KestrumBox(&f, "Please Select a device First", kError);
    return false;
  }
  return true;
}

// The stored reply as one text: items of item_bytes bytes, lowest byte first,
// each in the format; left-over bytes that make no whole item are not shown.
std::string ReplyText(std::size_t item_bytes, std::string (*format)(std::uint32_t)) {
  std::string text;
  const std::size_t length = std::min<std::size_t>(AttributeValue.Length, kAttributeBytes);
  for (std::size_t at = 0; at + item_bytes <= length; at += item_bytes) {
    std::uint32_t item = 0;
    for (std::size_t b = 0; b < item_bytes; ++b) item |= std::uint32_t{AttributeValue.Data[at + b]} << (8 * b);
    text += format(item);
  }
  return text;
}

void ShowReply(TForm_Main& f, std::string text) {
  f.Memo_GetAttribute->Lines->Clear();
  f.Memo_GetAttribute->Lines->Add(text);
}

// Memo_Set_Attribute's lines from the first up to the first empty one, joined without separator.
std::string JoinedDataText(const TForm_Main& f) {
  std::string text;
  for (const std::string& line : *f.Memo_Set_Attribute->Lines) {
    if (line.empty()) break;
    text += line;
  }
  return text;
}

// Converts one data item and stores its low 8 bits in AttributeData; false
// (after the box) when it is no number or the buffer is full.
bool StoreItem(TForm_Main& f, std::string_view item) {
  std::int32_t value = 0;
  if (!plat::TryStrToInt(item, value)) {
    kestrum::KestrumBox(&f, plat::Format("Attribute value(%s) is not a decimal number", item), kError);
    return false;
  }
  if (AttributeData.Count >= kAttributeBytes) {
    // Nothing beyond the buffer's room is written, and nothing cut short is sent.
    kestrum::KestrumBox(&f, "The attribute data can hold at most 512 bytes.", kError);
    return false;
  }
  AttributeData.Data[AttributeData.Count++] = static_cast<std::uint8_t>(value);
  return true;
}

// Parses the data text into AttributeData: items before a "," each, then the
// last one up to the first ";". False when an item was refused (the items
// before it stay stored, nothing is sent).
bool ParseDataText(TForm_Main& f, std::string_view text) {
  AttributeData.Count = 0;
  for (std::size_t comma = text.find(','); comma != std::string_view::npos && comma != 0;
       comma = text.find(',')) {
    if (!StoreItem(f, text.substr(0, comma))) return false;
    text.remove_prefix(comma + 1);
  }
  return StoreItem(f, text.substr(0, text.find(';')));
}

}  // namespace

void TForm_Main::SpeedButton_GetAttributeClick(TObject*) {
  if (!BoardAndSlaveReady(*this, "SpeedButton_GetAttributeClick")) return;
  std::uint8_t numbers[3];
  if (!ReadNumbers(*this, Edit_Get_ClassID, Edit_Get_InstanceID, Edit_Get_AttributeID, numbers)) return;
  kestrum::TraceCommand("SpeedButton_GetAttributeClick");
  const std::uint8_t mac = SelectedMAC();
  const std::int32_t result = BrantelAPI_GetAttribute(ActiveBoardNo, mac, numbers[0], numbers[1], numbers[2]);
  if (result != 0) {
    kestrum::KestrumBox(this, plat::Format("Get Attribute Error(%d)", result), kError);
    return;
  }
  getRequestMAC_ = mac;
  Timer_IsGetOK->Enabled = true;
}

void TForm_Main::Timer_IsGetOKTimer(TObject*) {
  Timer_IsGetOK->Enabled = false;
  Memo_GetAttribute->Lines->Clear();
  const std::int32_t state = BrantelAPI_IsGetAttributeOK(ActiveBoardNo, getRequestMAC_);
  if (state == kPending) {
    Timer_IsGetOK->Enabled = true;
    return;
  }
  if (state != 0) {
    Memo_GetAttribute->Lines->Add(plat::Format("Slave Error!(%d)", state));
    return;
  }
  // Only what fits the stored reply's room is kept.
  std::vector<std::uint8_t> reply(driver::kLongestDataRoom);
  std::uint16_t length = 0;
  const std::int32_t result = BrantelAPI_GetAttributeValue(ActiveBoardNo, getRequestMAC_, &length, reply.data());
  if (result != 0) {
    Memo_GetAttribute->Lines->Add(plat::Format("Get Attribute Value Error!(%d)", result));
    return;
  }
  AttributeValue.Length = static_cast<std::uint16_t>(std::min<std::size_t>(length, kAttributeBytes));
  std::copy_n(reply.begin(), AttributeValue.Length, AttributeValue.Data);
  // Checking a radio button that is checked already runs no handler.
  if (RadioButton_Get_BYTE->Checked) {
    RadioButton_Get_BYTEClick(RadioButton_Get_BYTE);
  } else {
    RadioButton_Get_BYTE->Checked = true;
  }
}

void TForm_Main::RadioButton_Get_ASCIIClick(TObject*) {
  ShowReply(*this, ReplyText(1, [](std::uint32_t v) { return plat::Format("%c", v); }));
}

void TForm_Main::RadioButton_Get_BYTEClick(TObject*) {
  ShowReply(*this, ReplyText(1, [](std::uint32_t v) { return plat::Format("(0x%X) ", v); }));
}

void TForm_Main::RadioButton_Get_WORDClick(TObject*) {
  ShowReply(*this, ReplyText(2, [](std::uint32_t v) { return plat::Format("(0x%02X) ", v); }));
}

void TForm_Main::RadioButton_Get_DWORDClick(TObject*) {
  ShowReply(*this, ReplyText(4, [](std::uint32_t v) { return plat::Format("(0x%04X) ", v); }));
}

void TForm_Main::SpeedButton_Set_AttributeClick(TObject*) {
  if (!BoardAndSlaveReady(*this, "SpeedButton_Set_AttributeClick")) return;
  std::uint8_t numbers[3];
  if (!ReadNumbers(*this, Edit_Set_ClassID, Edit_Set_InstanceID, Edit_Set_AttributeID, numbers)) return;
  const std::string text = JoinedDataText(*this);
  if (text.empty()) {
    kestrum::KestrumBox(this, "Attribute Data is Empty", kError);
    return;
  }
  if (text.find(';') == std::string::npos) {
    kestrum::KestrumBox(this, "You lose the end mark \";\"", kError);
    return;
  }
  if (!ParseDataText(*this, text)) return;
  const std::uint8_t mac = SelectedMAC();
  const std::int32_t result = BrantelAPI_SetAttribute(ActiveBoardNo, mac, numbers[0], numbers[1], numbers[2],
                                                      AttributeData.Count, AttributeData.Data);
  if (result != 0) {
    Edit_SetResponse->Text = plat::Format("Set Error(%d)", result);
    return;
  }
  Edit_SetResponse->Text = "Waiting...";
  setRequestMAC_ = mac;
  Timer_IsSetOK->Enabled = true;
}

void TForm_Main::Timer_IsSetOKTimer(TObject*) {
  Timer_IsSetOK->Enabled = false;
  Edit_SetResponse->Text = "";
  const std::int32_t state = BrantelAPI_IsSetAttributeOK(ActiveBoardNo, setRequestMAC_);
  if (state == kPending) {
    Timer_IsSetOK->Enabled = true;
  } else if (state == 0) {
    Edit_SetResponse->Text = "OK!";
  } else {
    Edit_SetResponse->Text = plat::Format("Error!(%d)", state);
  }
}
