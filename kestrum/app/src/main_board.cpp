// Board handling: activation and its watch, the master status refresh, the
// firmware reset and its watch, start and stop of all slaves, the firmware
// hand-off, and the opening of the master MAC ID and baud-rate dialog.
//
// Everything here runs on the window thread. Each of the three timers stops
// itself first thing, so that a tick never overlaps itself, not even while a
// box of that tick is open.

#include <cstdint>
#include <string>

#include "driver/master_api.h"
#include "kestrum/app/boxes.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/change_macid.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/main_form.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/wait_message.h"
#include "platform/convert.h"
#include "platform/format.h"
#include "platform/program_path.h"
#include "platform/shell.h"

using namespace vcl;
using plat::IDYES;
using plat::MB_ICONERROR;
using plat::MB_ICONINFORMATION;
using plat::MB_OK;
using plat::MB_TOPMOST;
using plat::MB_YESNO;

namespace {

constexpr const char* kCaption = kestrum::kBoxCaption;
constexpr const char* kBusLostCaption = "Kestrum Error";
constexpr const char* kBusLost =
    "CAN Bus disconnected or firmwre not responding!\r\nPlease check the CAN bus connection first.";
constexpr const char* kNotRead = "*******";
constexpr const char* kTimeoutText = "Timeout!";
constexpr const char* kCanErrorText = "CAN Error!";

constexpr std::int32_t kTimeout = 10023;
constexpr std::int32_t kCanError = 1002;

constexpr unsigned kFirstInfoInterval = 500;  // the first reading after the activation
constexpr unsigned kInfoInterval = 200;
constexpr unsigned kInfoRetryInterval = 2000;  // after a failed reading

// The watches give up at the read after this many consecutive non-zero ones.
constexpr std::int32_t kActivationRetries = 3;  // the fourth read
constexpr std::int32_t kResetRetries = 5;       // the sixth read

// The texts of the wait window by hardware kind; null keeps the label's text.
const char* ActivatingText(std::uint8_t kind) {
  switch (kind) {
    case driver::kKindCalvory: return "Calvory is initialing......\nPlease wait.....";
    case driver::kKindMerrow: return "Merrow is initialing......\nPlease wait.....";
    case driver::kKindTolquin: return "Tolquin is initialing......\nPlease wait.....";
    default: return nullptr;
  }
}

const char* RestartingText(std::uint8_t kind) {
  switch (kind) {
    case driver::kKindCalvory: return "The firmware in the Calvory is restarting......\nPlease wait.....";
    case driver::kKindMerrow: return "The firmware in the Merrow is restarting......\nPlease wait.....";
    default: return nullptr;
  }
}

void ShowWaitWindow(int width, int height, const char* text) {
  Form_WaitMessage->SetWindowSize(width, height);
  if (text) Form_WaitMessage->Label_Message->Caption = text;
  Form_WaitMessage->Show();
}

// The holds of a firmware reset on the poll threads. Holding for the reason
// "reset" is idempotent, so a reset that gave up and the reset after it hold
// once between them, and the successful one lets the threads run again.
void HoldPollThreadsForReset(bool hold) {
  if (!DeviceIOPanel) return;
  for (std::uint8_t slot = 1; slot <= DeviceIO::kSlotCount; ++slot) {
    DeviceIOPanel->ActivateThread(slot, !hold, DeviceIO::kHoldReset);
  }
}

// ---------------------------------------------------------------- the status line
enum class Outcome {
  Good,    // shown on the tool-tip colour
  Odd,     // shown in red; the reading still counts as made
  Failed,  // shown in red; the tick ends here and the next comes late
};

struct Reading {
  std::string text;
  Outcome outcome;
};

// A version is three 4-bit digits in the low 12 bits; the driver answers a
// read it could not make with a code instead, which must not pass for a
// version (1002 would show as "3.1410").
Reading FirmwareVersionReading(std::int32_t v) {
  if (v == kTimeout) return {kTimeoutText, Outcome::Failed};
  if (v == kCanError) return {kCanErrorText, Outcome::Failed};
  if (v < 0 || v > 0xFFF) return {plat::IntToStr(v), Outcome::Failed};
  return {plat::Format("%d.%d%d", (v >> 8) & 0xF, (v >> 4) & 0xF, v & 0xF), Outcome::Good};
}

Reading MasterMACIDReading(std::int32_t mac) {
  // A MAC ID is 0 to 63; anything else (a code, a negative value) is no reading.
  if (mac < 0 || mac > kestrum::kMaxMasterMACID) return {kTimeoutText, Outcome::Failed};
  return {plat::IntToStr(mac), Outcome::Good};
}

Reading BaudRateReading(std::int32_t index) {
  if (index == kTimeout) return {kTimeoutText, Outcome::Failed};
  // An index the master should never give is shown as it came, as a reading.
  if (index < 0 || index >= kestrum::kBaudRateCount) return {plat::IntToStr(index), Outcome::Good};
  return {kestrum::kBaudRateTexts[index], Outcome::Good};
}

Reading MasterStatusReading(std::int32_t status) {
  if (status == 0) return {"OK!", Outcome::Good};
  if (status == kTimeout) return {kTimeoutText, Outcome::Failed};
  if (status == kCanError) return {kCanErrorText, Outcome::Failed};
  return {plat::IntToStr(status), Outcome::Odd};
}

// Writes the reading into its field; false when the tick must end.
bool ShowReading(TEdit* field, const Reading& reading) {
  field->Text = reading.text;
  field->Color = reading.outcome == Outcome::Good ? clInfoBk : clRed;
  return reading.outcome != Outcome::Failed;
}

// Old firmware gets one warning per run.
void WarnOfOldFirmware(TForm_Main& form, std::int32_t version) {
  if (FirmwareWarningShown) return;
  const auto v = static_cast<std::uint32_t>(version);
  const char* text = nullptr;
  if (HardwareKind == driver::kKindMerrow && v <= 0x140) {
    text = "Please update the firmware of the Merrow to the version v1.5 or newer.";
  } else if (HardwareKind == driver::kKindCalvory && v <= 0x240) {
    text = "Please update the firmware of the Calvorix to the version v2.5 or newer.";
  }
  if (!text) return;
  FirmwareWarningShown = 1;
  MessageBox(&form, text, kCaption, MB_OK | MB_ICONERROR);
}

// ---------------------------------------------------------------- start all, stop all
struct AllDevicesCommand {
  const char* trace;
  const char* question;
  std::int32_t (*call)(std::uint8_t board);
  bool search_enabled_after;  // the search and diagnosis buttons afterwards
};

constexpr AllDevicesCommand kStartAll{
    "SpeedButton_StartAllDeviceClick",
    "It will start to communicate with all slave devices by default output value(0x00).\nDo you really do it?",
    BrantelAPI_StartAllDevice, false};
constexpr AllDevicesCommand kStopAll{
    "SpeedButton_StopAllDeviceClick",
    "It will stop to communicate with all slave devices. All slave devices will off-line.\nDo you really do it?",
    BrantelAPI_StopAllDevice, true};

void RunAllDevicesCommand(TForm_Main& form, const AllDevicesCommand& command) {
  if (kestrum::RefusedWithoutBoard(&form)) return;
  kestrum::TraceCommand(command.trace);
  if (MessageBox(&form, command.question, kCaption, MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST) != IDYES) return;
  command.call(ActiveBoardNo);  // the result is not shown
  form.SpeedButton_SearchDevice->Enabled = command.search_enabled_after;
  form.SpeedButton_DebugDevice->Enabled = command.search_enabled_after;
}

// ---------------------------------------------------------------- the master settings dialog
void OpenMasterSettings(TForm_Main& form, const char* trace) {
  if (kestrum::RefusedWithoutBoard(&form)) return;
  kestrum::TraceCommand(trace);
  Form_ChangeMACID->Prefill(form.Edit_MasterID->Text, form.Edit_BaudRate->Text);
  Form_ChangeMACID->ShowModal();
}

}  // namespace

// ---------------------------------------------------------------- activation
void TForm_Main::SpeedButton_ActiveBoardClick(TObject*) {
  if (ComboBox_ActiveBoardNo->ItemIndex < 0) {
    MessageBox(this, "Please Select a Board No.", kCaption, MB_OK | MB_ICONERROR);
    return;
  }
  kestrum::TraceCommand("SpeedButton_ActiveBoardClick");
  ShowWaitWindow(400, 100, ActivatingText(HardwareKind));
  Enabled = false;

  ActiveBoardNo = static_cast<std::uint8_t>(plat::StrToInt(ComboBox_ActiveBoardNo->Text.Get()));
  BrantelAPI_ActiveBoard(ActiveBoardNo);  // judged by the status reads that follow
  // There is no way back to no active board.
  ComboBox_ActiveBoardNo->Enabled = false;
  SpeedButton_ActiveBoard->Enabled = false;
  SpeedButton_DownloadFirmware->Enabled = false;
  Form_WaitMessage->Label_Message->Caption = "Reading the information from EEPROM.......\nPlease wait....";

  Timer_Info->Interval = kFirstInfoInterval;
  Timer_Info->Enabled = true;
  Timer_ActiveBoard->Enabled = true;
}

void TForm_Main::Timer_ActiveBoardTimer(TObject*) {
  Timer_ActiveBoard->Enabled = false;
  if (BrantelAPI_GetMasterStatus(ActiveBoardNo) == 0) {
    ActiveBoardRetryCount = 0;
    RefreshCurrentConfig();
    Form_WaitMessage->Hide();
    Enabled = true;
    return;
  }
  if (ActiveBoardRetryCount > kActivationRetries) ActiveBoardRetryCount = 0;
  if (ActiveBoardRetryCount == kActivationRetries) {
    // The board stays active and the status line goes on showing what it reads.
    ActiveBoardRetryCount = 0;
    RefreshCurrentConfig();
    Form_WaitMessage->Hide();
    Enabled = true;
    MessageBox(this, kBusLost, kBusLostCaption, MB_OK | MB_ICONERROR);
    return;
  }
  Timer_ActiveBoard->Enabled = true;
  ++ActiveBoardRetryCount;
}

// ---------------------------------------------------------------- status refresh
void TForm_Main::Timer_InfoTimer(TObject*) {
  const std::uint8_t board = ActiveBoardNo;
  if (board == driver::kNoActiveBoard) return;
  Timer_Info->Enabled = false;
  Timer_Info->Interval = kInfoInterval;

  // In this order; a failed reading leaves the fields after it as they were.
  const std::int32_t version = BrantelAPI_GetFirmwareVersion(board);
  bool read = ShowReading(Edit_FirmwareVer, FirmwareVersionReading(version));
  if (read) {
    WarnOfOldFirmware(*this, version);
    read = ShowReading(Edit_MasterID, MasterMACIDReading(BrantelAPI_GetMasterMACID(board))) &&
           ShowReading(Edit_BaudRate, BaudRateReading(BrantelAPI_GetBaudRate(board))) &&
           ShowReading(Edit_MasterStatus, MasterStatusReading(BrantelAPI_GetMasterStatus(board)));
  }
  if (!read) Timer_Info->Interval = kInfoRetryInterval;
  Timer_Info->Enabled = true;
}

// ---------------------------------------------------------------- firmware reset
void TForm_Main::SpeedButton_ResetClick(TObject*) {
  if (kestrum::RefusedWithoutBoard(this)) return;
  kestrum::TraceCommand("SpeedButton_ResetClick");
  // The search's wait window leaves this button at hand. A reset now would
  // restart the master under the search and the status timer the search
  // stopped; the search ends first.
  if (searching_) return;
  ShowWaitWindow(500, 100, RestartingText(HardwareKind));  // the main window stays enabled

  // No poll thread talks to the master while it restarts.
  HoldPollThreadsForReset(true);
  Timer_Info->Enabled = false;
  BrantelAPI_ResetFirmware(ActiveBoardNo);  // judged by the status reads that follow
  for (TEdit* field : {Edit_FirmwareVer, Edit_MasterID, Edit_BaudRate, Edit_MasterStatus}) {
    field->Text = kNotRead;
    field->Color = clRed;
  }
  Timer_Info->Enabled = true;  // with the interval it had
  Timer_ResetFirmware->Enabled = true;
}

void TForm_Main::Timer_ResetFirmwareTimer(TObject*) {
  Timer_ResetFirmware->Enabled = false;
  if (BrantelAPI_GetMasterStatus(ActiveBoardNo) == 0) {
    ResetRetryCount = 0;
    RefreshCurrentConfig();
    Form_WaitMessage->Hide();
    HoldPollThreadsForReset(false);
    return;
  }
  if (ResetRetryCount > kResetRetries) ResetRetryCount = 0;
  if (ResetRetryCount == kResetRetries) {
    // The poll threads stay held until a reset succeeds.
    ResetRetryCount = 0;
    Form_WaitMessage->Hide();
    MessageBox(this, kBusLost, kBusLostCaption, MB_OK | MB_ICONERROR);
    return;
  }
  Timer_ResetFirmware->Enabled = true;
  ++ResetRetryCount;
}

// ---------------------------------------------------------------- all slaves
void TForm_Main::SpeedButton_StartAllDeviceClick(TObject*) { RunAllDevicesCommand(*this, kStartAll); }

void TForm_Main::SpeedButton_StopAllDeviceClick(TObject*) { RunAllDevicesCommand(*this, kStopAll); }

// ---------------------------------------------------------------- firmware hand-off
void TForm_Main::SpeedButton_DownloadFirmwareClick(TObject*) {
  const std::string directory = plat::ProgramDirectory();
  Timer_Info->Enabled = false;  // nothing here starts it again
  // The update programs are the maker's; whether they start is theirs to tell.
  switch (HardwareKind) {
    case driver::kKindCalvory: plat::ShellOpen(directory + "Ravelin.exe"); break;
    case driver::kKindMerrow: plat::ShellOpen(directory + "Update_Merrow.exe"); break;
    case driver::kKindGadrow: ShowMessage("Please use the \"Hessary_utility.exe\" to update the firmware."); break;
    default: break;
  }
  kestrum::TraceCommand("SpeedButton_DownloadFirmwareClick");
}

// ---------------------------------------------------------------- master MAC ID and baud rate
void TForm_Main::Menu_ChangeMasterIDClick(TObject*) { OpenMasterSettings(*this, "Menu_ChangeMasterIDClick"); }

void TForm_Main::Menu_ChangeBaudRateClick(TObject*) { OpenMasterSettings(*this, "Menu_ChangeBaudRateClick"); }
