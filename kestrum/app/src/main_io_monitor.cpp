// The I/O monitor page: filling it from the configuration tree, selecting a
// slot, and the start, stop and output commands of the selected slave.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/master_api.h"
#include "kestrum/app/boxes.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/globals.h"
#include "kestrum/app/main_form.h"
#include "platform/convert.h"
#include "platform/exception.h"
#include "platform/format.h"

using namespace vcl;

namespace {

constexpr int kNodesPerWindow = 60;  // 30 devices of one connection each
constexpr std::size_t kOutputBufferBytes = 256;

constexpr const char* kTooManyDevices =
    "There are %d devies in the network. The user could operate the Max. 30 devices. \n"
    "If you would like operate the first 30 devices, press \"Yes\". \n"
    "If you would like operate the lastest 30 devices, press \"No\"";

bool IsDeviceNode(const std::string& text) { return text.find("Device") != std::string::npos; }

// The text from its 8th character on ("Device 12" gives "12", "Image_D17" gives "17").
std::string_view NumberPart(std::string_view text) { return text.size() > 7 ? text.substr(7) : std::string_view(); }

// Holds every poll thread for the page fill, and lets go of its own hold (and
// of the creation's, which the first fill ends) however the fill ends. A
// search's or a reset's hold stays: it is theirs to release.
class PageFillHold {
 public:
  explicit PageFillHold(DeviceIO& io) : io_(io) {
    for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) io_.ActivateThread(n, false, DeviceIO::kHoldPageFill);
  }
  ~PageFillHold() {
    for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
      io_.ActivateThread(n, true, DeviceIO::kHoldPageFill);
      io_.ActivateThread(n, true, DeviceIO::kHoldCreated);
    }
  }
  PageFillHold(const PageFillHold&) = delete;
  PageFillHold& operator=(const PageFillHold&) = delete;

 private:
  DeviceIO& io_;
};

// Fills slots from the nodes first up to, not including, end: one slot per
// device node, with its first connection.
void FillSlots(TForm_Main& f, DeviceIO& io, int first, int end) {
  TTreeNodes* nodes = f.TreeView_CurrentConfig->Items;
  std::uint8_t slot = 1;
  for (int i = first; i < end && slot <= DeviceIO::kSlotCount; ++i) {
    const std::string text = nodes->Item[i]->Text;
    if (!IsDeviceNode(text)) continue;
    const auto mac = static_cast<std::uint8_t>(plat::StrToInt(NumberPart(text)));
    io.SetDeviceMACID(slot, mac);
    io.ShowDevice(slot, true);
    kestrum::SlotData& data = io.ThreadOf(slot)->Slot;
    const std::string next = i + 1 < end ? std::string(nodes->Item[i + 1]->Text) : std::string();
    if (i + 1 == end || IsDeviceNode(next)) {
      // No connection follows: the slot's connection data stay as they were.
      data.Fill(mac, nullptr);
      if (i + 1 == end) break;
    } else {
      const kestrum::SlotValues old = data.Get();
      auto conn_mac = static_cast<std::uint8_t>(old.MACID);
      auto kind = static_cast<std::uint8_t>(old.IOType);
      std::uint16_t input_length = old.InputLen;
      std::uint16_t output_length = old.OutputLen;
      kestrum::ParseDeviceNodeText(text, next, conn_mac, kind, input_length, output_length);
      const kestrum::SlotConnection connection{conn_mac, kind, input_length, output_length};
      data.Fill(mac, &connection);
    }
    ++slot;
  }
}

// Memo_Output's lines from the first up to the first empty one, joined without separator.
std::string JoinedOutputText(const TForm_Main& f) {
  std::string text;
  for (const std::string& line : *f.Memo_Output->Lines) {
    if (line.empty()) break;
    text += line;
  }
  return text;
}

// The bytes of an output text: hexadecimal items separated by ",", the last
// one ended by ";". An empty item ends the comma-separated ones early; a
// missing or empty last item is the string-index error.
std::vector<std::uint8_t> ParseOutputText(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t comma = text.find(','); comma != std::string_view::npos && comma != 0; comma = text.find(',')) {
    bytes.push_back(kestrum::HexTextToByte(text.substr(0, comma)));
    text.remove_prefix(comma + 1);
  }
  const std::size_t semicolon = text.find(';');
  const std::string_view last = semicolon == std::string_view::npos ? std::string_view() : text.substr(0, semicolon);
  if (last.empty()) throw plat::EStringIndexError("String index out of range");
  bytes.push_back(kestrum::HexTextToByte(last));
  return bytes;
}

// Parses the text and writes the selected slave's output by the kind the panel
// shows: Poll, COS and Cyclic always write output_length bytes (those the text
// does not give are zero), Strobe and a slot without a connection write
// nothing. False when the text was refused and nothing may follow.
bool WriteOutputText(TForm_Main& f, const std::string& text, std::int32_t output_length) {
  const std::vector<std::uint8_t> bytes = ParseOutputText(text);
  if (bytes.size() > kOutputBufferBytes) {
    kestrum::KestrumBox(&f, "The output data can hold at most 256 bytes.", MB_OK | MB_ICONERROR);
    return false;
  }
  if (static_cast<std::int64_t>(bytes.size()) != output_length) {
    ShowMessage(plat::Format("IOLen = %d, OutputLen = %d", bytes.size(), output_length));
  }
  const std::uint8_t kind = kestrum::KindOfWord(f.Edit_IOType->Text());
  if (kind != kestrum::kPoll && kind != kestrum::kCOS && kind != kestrum::kCyclic) return true;
  const auto length = static_cast<std::uint16_t>(std::clamp<std::int32_t>(output_length, 0, UINT16_MAX));
  std::vector<std::uint8_t> buffer(length, 0);
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), length), buffer.begin());
  const std::int32_t result =
      BrantelAPI_WriteOutputData(ActiveBoardNo, DeviceIOPanel->GetSelectedMACID(), kind, length, buffer.data());
  if (result != 0) f.Edit_ErrorCode->Text = kestrum::ErrorCodeText(result);
  return true;
}

}  // namespace

void TForm_Main::TabSheet_DeviceIOShow(TObject*) {
  kestrum::TraceCommand("TabSheet_DeviceIOShow");
  // The configuration page's own showing enables them again.
  SpeedButton_ClearEEPROM->Enabled = false;
  SpeedButton_ExportEEPROM->Enabled = false;
  SpeedButton_ImportEEPROM->Enabled = false;
  if (!DeviceIOPanel) return;

  // The threads are at rest while their slots are written.
  PageFillHold hold(*DeviceIOPanel);
  const int count = TreeView_CurrentConfig->Items->Count;
  int first = 0;
  int end = count;
  if (count >= kNodesPerWindow) {
    const int answer =
        MessageBox(this, plat::Format(kTooManyDevices, count / 2), "Kestrum", MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST);
    // Fixed node ranges, not counted devices.
    if (answer == IDYES) {
      end = std::min(count, kNodesPerWindow);
    } else {
      first = kNodesPerWindow;
      end = std::min(count, 2 * kNodesPerWindow);
    }
  }
  FillSlots(*this, *DeviceIOPanel, first, end);
  Sleep(50);
}

void TForm_Main::Image_D1Click(TObject* Sender) {
  kestrum::TraceCommand("Image_D1Click");
  if (DeviceIOPanel) DeviceIOPanel->SelectDevice(dynamic_cast<TImage*>(Sender));
}

void TForm_Main::SpeedButton_StartDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  kestrum::TraceCommand("SpeedButton_StartDeviceClick");
  if (!DeviceIOPanel || DeviceIOPanel->GetSelectedMACID() == DeviceIO::kNone) {
    kestrum::KestrumBox(this, "Please Select a device First", MB_OK | MB_ICONERROR);
    return;
  }
  kestrum::TraceCommand("SpeedButton_StartDeviceClick");
  const std::int32_t output_length = plat::StrToInt(Edit_OutputLen->Text());
  const std::string text = JoinedOutputText(*this);
  if (!text.empty() && !WriteOutputText(*this, text, output_length)) return;
  const std::int32_t result = BrantelAPI_StartDevice(ActiveBoardNo, DeviceIOPanel->GetSelectedMACID());
  if (result != 0) {
    Edit_ErrorCode->Text = kestrum::ErrorCodeText(result);
  } else if (!text.empty()) {
    // The slot's thread runs from now on, unless a search or a reset holds it:
    // only the creation's hold is let go here, never another holder's.
    DeviceIOPanel->ActivateThread(DeviceIOPanel->GetSelectedSlot(), true, DeviceIO::kHoldCreated);
  }
}

void TForm_Main::SpeedButton_StopDeviceClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  kestrum::TraceCommand("SpeedButton_StopDeviceClick");
  const std::uint8_t mac = DeviceIOPanel ? DeviceIOPanel->GetSelectedMACID() : DeviceIO::kNone;
  const std::int32_t result = BrantelAPI_StopDevice(ActiveBoardNo, mac);
  if (result != 0) Edit_ErrorCode->Text = kestrum::ErrorCodeText(result);
}

void TForm_Main::SpeedButton_RefreshIOClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  kestrum::TraceCommand("SpeedButton_RefreshIOClick");
  if (!DeviceIOPanel) return;
  // Kept for the slot's next selection.
  const std::string first_line = Memo_Output->Lines->Count > 0 ? Memo_Output->Lines->Get(0) : std::string();
  if (ThreadIO* thread = DeviceIOPanel->ThreadOf(DeviceIOPanel->GetSelectedSlot())) {
    thread->Slot.Change([&](kestrum::SlotValues& v) { v.OutputData = first_line; });
  }
  const std::string text = JoinedOutputText(*this);
  if (text.empty()) return;
  WriteOutputText(*this, text, plat::StrToInt(Edit_OutputLen->Text()));
}
