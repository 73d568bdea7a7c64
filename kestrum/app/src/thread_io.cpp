// The slot poll threads: the slot's shared values, one pass of the poll loop,
// and the thread that runs it against the master API and the window thread.

#include "kestrum/app/thread_io.h"

#include <algorithm>

#include "driver/hardware_kind.h"
#include "driver/master_api.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/globals.h"
#include "kestrum/app/main_form.h"
#include "platform/format.h"

using namespace vcl;

namespace kestrum {

// ---------------------------------------------------------------- slot data
SlotValues SlotData::Get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_;
}

void SlotData::Change(const std::function<void(SlotValues&)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  change(values_);
}

bool SlotData::ChangeFor(std::uint32_t device, const std::function<void(SlotValues&)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (values_.Device != device) return false;
  change(values_);
  return true;
}

bool SlotData::SelectedFor(std::uint32_t device) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.Device == device && values_.Selected == 1;
}

namespace {
void EmptyTexts(SlotValues& v) {
  v.DeviceName.clear();
  v.ErrorCode.clear();
  v.InputData.clear();
}
}  // namespace

void SlotData::Hide() {
  std::lock_guard<std::mutex> lock(mutex_);
  EmptyTexts(values_);
  values_.Selected = 0;
  values_.MACID = values_.IOType = values_.InputLen = values_.OutputLen = kNoSlotValue;
  values_.Shown = false;
  values_.LabelMAC = kNoSlotValue;
  ++values_.Device;
}

void SlotData::Show() {
  std::lock_guard<std::mutex> lock(mutex_);
  values_.Shown = true;
}

void SlotData::Fill(std::uint16_t label_mac, const SlotConnection* connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::uint16_t mac = connection ? connection->MACID : values_.MACID;
  if (label_mac != values_.LabelMAC || mac != values_.MACID) EmptyTexts(values_);
  values_.LabelMAC = label_mac;
  if (connection) {
    values_.MACID = connection->MACID;
    values_.IOType = connection->IOType;
    values_.InputLen = connection->InputLen;
    values_.OutputLen = connection->OutputLen;
  }
  ++values_.Device;
}

// ---------------------------------------------------------------- one pass
std::string InputDataText(const std::uint8_t* data, std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    text += plat::Format("%02X", data[i]);
    text += i + 1 < length ? ',' : ';';
  }
  return text;
}

namespace {
void TraceStatus(const std::string& text) { TraceTextIfEnabled(kPollStatusMsgId, text, kTraceChannel); }

bool KnownKind(std::uint16_t kind) { return kind >= kPoll && kind <= kCyclic; }
}  // namespace

SlavePoller::SlavePoller(SlotData& slot, PollPort& port, plat::CriticalSection& name_lock,
                         plat::CriticalSection& input_lock, std::uint32_t start_tick)
    : slot_(slot),
      port_(port),
      name_lock_(name_lock),
      input_lock_(input_lock),
      device_(slot.Get().Device),
      status_time_(start_tick),
      blink_time_(start_tick) {}

bool SlavePoller::Idle(std::uint8_t board) const {
  return board == driver::kNoActiveBoard || !slot_.Get().Shown;
}

void SlavePoller::Pass(std::uint8_t board, std::uint32_t now) {
  const SlotValues slot = slot_.Get();
  if (slot.Device != device_) {
    // Another device (or the same one hidden and shown again): its name is asked for anew.
    device_ = slot.Device;
    name_state_ = kNameNotRequested;
    name_length_ = 0;
  }
  const auto mac = static_cast<std::uint8_t>(slot.MACID);

  // Unsigned 32-bit differences, so that the tick count's wrap changes nothing.
  if (static_cast<std::uint32_t>(now - status_time_) >= kStatusPeriodMs && slot.Shown) {
    if (port_.Ending()) return;
    const std::int32_t status = port_.GetSlaveStatus(board, mac);
    port_.ShowStatusHint(plat::Format("ID: %d ,Status Error(%d)", slot.MACID, status), status != 0);
    led_state_ = status == 0 ? kLEDOk : kLEDError;
    status_time_ = now;
  }
  TraceStatus(plat::Format("ID: %d , LEDStatus: %d", slot.MACID, led_state_));

  if (slot.Selected == 1) {
    if (slot.DeviceName.empty()) {
      if (led_state_ == kLEDOk) NameStep(board, slot);
    } else {
      port_.ShowDeviceName(slot.Device, slot.DeviceName);
    }
    if (led_state_ == kLEDOk) InputStep(board, slot);
  }

  if (led_state_ == kLEDOk) {
    led_color_ = clLime;
  } else {
    BlinkStep(now);
  }
  if (port_.Ending()) return;
  port_.UpdateLED(led_color_);
}

void SlavePoller::NameStep(std::uint8_t board, const SlotValues& slot) {
  plat::CriticalSectionGuard guard(name_lock_);
  TraceStatus(plat::Format("ID(%d),IsRequest(%d)", slot.MACID, name_state_));
  if (port_.Ending()) return;
  const auto mac = static_cast<std::uint8_t>(slot.MACID);
  auto show_error = [&](std::int32_t result) {
    const std::string error = result == 0 ? std::string() : ErrorCodeText(result);
    slot_.ChangeFor(slot.Device, [&](SlotValues& v) { v.ErrorCode = error; });
    port_.ShowErrorCode(slot.Device, error);
  };
  switch (name_state_) {
    case kNameNotRequested: {
      const std::int32_t result = port_.GetAttribute(board, mac, kNameClass, kNameInstance, kNameAttribute);
      if (result == 0) name_state_ = kNameRequested;
      show_error(result);
      break;
    }
    case kNameRequested: {
      std::uint16_t length = 0;
      const std::int32_t result = port_.GetAttributeValue(board, mac, &length, name_buffer_.data());
      // The driver's length never reaches beyond the buffer.
      name_length_ = std::min<std::size_t>(length, kBufferBytes);
      TraceStatus(plat::Format("Get OK! Len(%d)", name_length_));
      if (result == 0) name_state_ = kNameValueRead;
      show_error(result);
      break;
    }
    default: {
      std::string name;
      for (std::size_t i = 0; i < name_length_; ++i) name += plat::Format("%c", name_buffer_[i]);
      slot_.ChangeFor(slot.Device, [&](SlotValues& v) { v.DeviceName = name; });
      TraceStatus(name);
      port_.ShowDeviceName(slot.Device, name);
      // The next device the slot shows gets a request of its own.
      name_state_ = kNameNotRequested;
      break;
    }
  }
}

void SlavePoller::InputStep(std::uint8_t board, const SlotValues& slot) {
  if (!KnownKind(slot.IOType)) return;  // a slot without a connection reads nothing
  plat::CriticalSectionGuard guard(input_lock_);
  if (port_.Ending()) return;
  std::uint16_t length = 0;
  const std::int32_t result = port_.ReadInputData(board, static_cast<std::uint8_t>(slot.MACID),
                                                  static_cast<std::uint8_t>(slot.IOType), &length,
                                                  input_buffer_.data());
  if (result != 0) {
    TraceTextIfEnabled(kReadFailureMsgId, plat::Format("ID(%d) ReadIO Fail! (Error: %d)", slot.MACID, result),
                       kTraceChannel);
    return;
  }
  const std::string text = InputDataText(input_buffer_.data(), std::min<std::size_t>(length, kBufferBytes));
  slot_.ChangeFor(slot.Device, [&](SlotValues& v) { v.InputData = text; });
  port_.ShowInputData(slot.Device, text);
}

void SlavePoller::BlinkStep(std::uint32_t now) {
  if (static_cast<std::uint32_t>(now - blink_time_) < kBlinkStepMs) return;
  blink_time_ = now;
  led_color_ = blink_phase_ == 1 ? clRed : clSilver;
  blink_phase_ ^= 1;
}

}  // namespace kestrum

// ---------------------------------------------------------------- the thread
ThreadIO::ThreadIO(std::uint8_t slot, bool create_suspended, TShape* led, TImage* image,
                   plat::CriticalSection& name_lock, plat::CriticalSection& input_lock)
    : TThread(create_suspended),
      SlotNo(slot),
      LEDShape(led),
      image_(image),
      name_lock_(name_lock),
      input_lock_(input_lock) {
  SetName(plat::Format("ThreadIO %d", slot));
}

ThreadIO::~ThreadIO() {
  // The loop uses this object's members: it ends before they go.
  Terminate();
  WaitFor();
}

void ThreadIO::Execute() {
  kestrum::SlavePoller poll(Slot, *this, name_lock_, input_lock_, plat::GetTickCount());
  while (!Terminated()) {
    const std::uint8_t board = ActiveBoardNo;  // one board for the whole pass
    if (poll.Idle(board)) {
      Sleep(500);
      continue;
    }
    poll.Pass(board, plat::GetTickCount());
    Sleep(50);
  }
}

std::int32_t ThreadIO::GetSlaveStatus(std::uint8_t board, std::uint8_t mac) {
  return BrantelAPI_GetSlaveStatus(board, mac);
}

std::int32_t ThreadIO::GetAttribute(std::uint8_t board, std::uint8_t mac, std::uint16_t class_id,
                                    std::uint16_t instance_id, std::uint8_t attribute_id) {
  return BrantelAPI_GetAttribute(board, mac, class_id, instance_id, attribute_id);
}

std::int32_t ThreadIO::GetAttributeValue(std::uint8_t board, std::uint8_t mac, std::uint16_t* length,
                                         std::uint8_t* data) {
  return BrantelAPI_GetAttributeValue(board, mac, length, data);
}

std::int32_t ThreadIO::ReadInputData(std::uint8_t board, std::uint8_t mac, std::uint8_t type,
                                     std::uint16_t* length, std::uint8_t* data) {
  return BrantelAPI_ReadInputData(board, mac, type, length, data);
}

void ThreadIO::OnWindow(const std::function<void()>& change) {
  Synchronize([&] {
    if (!Terminated()) change();
  });
}

void ThreadIO::OnPanel(std::uint32_t device, const std::function<void()>& change) {
  OnWindow([&] {
    // A pass still running for the previously selected slot, or for the
    // slot's previous device, leaves the panel alone.
    if (Form_Main && Slot.SelectedFor(device)) change();
  });
}

void ThreadIO::UpdateLED(TColor color) {
  OnWindow([&] {
    if (LEDShape) LEDShape->Brush->Color = color;
  });
}

void ThreadIO::ShowStatusHint(const std::string& hint, bool show) {
  OnWindow([&] {
    if (!image_) return;
    image_->Hint = hint;
    image_->ShowHint = show;
  });
}

void ThreadIO::ShowErrorCode(std::uint32_t device, const std::string& text) {
  OnPanel(device, [&] { Form_Main->Edit_ErrorCode->Text = text; });
}

void ThreadIO::ShowDeviceName(std::uint32_t device, const std::string& text) {
  OnPanel(device, [&] { Form_Main->Edit_DeviceName->Text = text; });
}

void ThreadIO::ShowInputData(std::uint32_t device, const std::string& text) {
  OnPanel(device, [&] {
    Form_Main->Memo_Input->Lines->Clear();
    Form_Main->Memo_Input->Lines->Add(text);
  });
}
