#pragma once
// The poll thread of one I/O monitor slot (class ThreadIO) and what it is
// made of:
//   SlotData     the slot's values, shared by the window thread (which fills,
//                selects and hides the slot) and the slot's poll thread
//                (which writes the slave's name, the error and the input text);
//   PollPort     what one pass reaches outside itself: four master-API calls
//                and the window thread;
//   SlavePoller  the loop's own state and one pass of it: status every two
//                seconds, LED and hint, and for the selected slot the product
//                name once per device and the input data in every pass.
// ThreadIO runs a SlavePoller against the real master API and hands every
// change of a window control to the window thread through the synchronised
// call; tests run a SlavePoller against a port of their own, without threads.
//
// The poll thread never touches a component: what it reads of the window
// (the slot shown, the slot selected) it reads from SlotData, and the active
// board from the ActiveBoardNo atomic.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "driver/master_api.h"
#include "platform/vcl/forms.h"

namespace kestrum {

inline constexpr std::uint16_t kNoSlotValue = 255;  // a MAC ID, kind or length not known

// One slot's values. Texts start empty, numbers at 255.
struct SlotValues {
  std::uint16_t MACID = kNoSlotValue;      // the slave the thread polls
  std::uint16_t IOType = kNoSlotValue;     // IOConnectionType of the slot's connection
  std::uint16_t InputLen = kNoSlotValue;
  std::uint16_t OutputLen = kNoSlotValue;
  std::string DeviceName;  // the slave's product name, empty until read
  std::string ErrorCode;   // decimal text of the last failed name request, else empty
  std::string InputData;   // the last input data as text ("01,AB,00;")
  std::string OutputData;  // the output text the selection shows
  std::uint8_t Selected = 0;  // 1 while the slot is the selected one
  bool Shown = false;         // the slot is on the page (its label is visible)
  std::uint16_t LabelMAC = kNoSlotValue;  // the MAC ID the slot's label shows
  // Changes whenever the slot is hidden or filled again, so that a pass that
  // began for the slot's previous device can tell and drop what it made.
  std::uint32_t Device = 0;
};

// The connection data a fill writes into a slot.
struct SlotConnection {
  std::uint16_t MACID = kNoSlotValue;
  std::uint16_t IOType = kNoSlotValue;
  std::uint16_t InputLen = kNoSlotValue;
  std::uint16_t OutputLen = kNoSlotValue;
};

// SlotValues under a lock of their own. The lock is held only to copy or
// change values: never across a driver call, a synchronised call or a window.
class SlotData {
 public:
  SlotValues Get() const;
  void Change(const std::function<void(SlotValues&)>& change);
  // The poll thread's change: made only while the slot still shows the device
  // the pass began with; false when it was dropped.
  bool ChangeFor(std::uint32_t device, const std::function<void(SlotValues&)>& change);
  // Whether the slot is still selected and still shows that device: the test
  // of every panel update made for the poll thread.
  bool SelectedFor(std::uint32_t device) const;

  // What hiding the slot does: off the page, texts (but the output text)
  // emptied, not selected, the four numbers 255, a new device.
  void Hide();
  void Show();
  // What filling the slot does: its label shows label_mac and, when the fill
  // found a connection, the connection data are written. Always a new device
  // (a pending name request starts over); the texts are emptied when the slot
  // now shows another slave than before.
  void Fill(std::uint16_t label_mac, const SlotConnection* connection);

 private:
  mutable std::mutex mutex_;
  SlotValues values_;
};

// What one pass calls: the master API (board first, the MAC ID as a byte) and
// the window thread. The Show... calls pass the device the pass began with.
class PollPort {
 public:
  virtual ~PollPort() = default;
  virtual std::int32_t GetSlaveStatus(std::uint8_t board, std::uint8_t mac) = 0;
  virtual std::int32_t GetAttribute(std::uint8_t board, std::uint8_t mac, std::uint16_t class_id,
                                    std::uint16_t instance_id, std::uint8_t attribute_id) = 0;
  virtual std::int32_t GetAttributeValue(std::uint8_t board, std::uint8_t mac, std::uint16_t* length,
                                         std::uint8_t* data) = 0;
  virtual std::int32_t ReadInputData(std::uint8_t board, std::uint8_t mac, std::uint8_t type,
                                     std::uint16_t* length, std::uint8_t* data) = 0;
  // The slot's LED.
  virtual void UpdateLED(vcl::TColor color) = 0;
  // The Hint and ShowHint of the slot's image.
  virtual void ShowStatusHint(const std::string& hint, bool show) = 0;
  // Edit_ErrorCode, Edit_DeviceName, Memo_Input: only while the slot is still
  // the selected one and still shows that device.
  virtual void ShowErrorCode(std::uint32_t device, const std::string& text) = 0;
  virtual void ShowDeviceName(std::uint32_t device, const std::string& text) = 0;
  virtual void ShowInputData(std::uint32_t device, const std::string& text) = 0;
  // True once the thread is asked to end: the pass then makes no further call.
  virtual bool Ending() = 0;
};

// The loop of one poll thread: its state across passes and one pass.
class SlavePoller {
 public:
  static constexpr std::uint32_t kStatusPeriodMs = 2000;
  static constexpr std::uint32_t kBlinkStepMs = 500;
  // What is used of the name and of the input data. The driver is given
  // room for all it may write (driver::kLongestDataRoom) all the same.
  static constexpr std::size_t kBufferBytes = 256;
  // The name request.
  static constexpr std::uint8_t kNameNotRequested = 0, kNameRequested = 1, kNameValueRead = 2;
  // The LED state as the trace shows it.
  static constexpr std::uint8_t kLEDOk = 0, kLEDError = 2;
  // The product name: the Identity object's class 1, instance 1, attribute 7.
  static constexpr std::uint16_t kNameClass = 1, kNameInstance = 1;
  static constexpr std::uint8_t kNameAttribute = 7;

  // start_tick: the tick count when the thread first runs (status and blink
  // times start there). The locks serialise the name steps and the input
  // steps of all poll threads.
  SlavePoller(SlotData& slot, PollPort& port, plat::CriticalSection& name_lock,
              plat::CriticalSection& input_lock, std::uint32_t start_tick);

  // A pass idles while no board is active or the slot is not on the page.
  bool Idle(std::uint8_t board) const;
  // One working pass at the tick count now.
  void Pass(std::uint8_t board, std::uint32_t now);

  std::uint8_t NameRequestState() const { return name_state_; }
  std::uint8_t LEDState() const { return led_state_; }
  vcl::TColor LEDColor() const { return led_color_; }

 private:
  void NameStep(std::uint8_t board, const SlotValues& slot);
  void InputStep(std::uint8_t board, const SlotValues& slot);
  void BlinkStep(std::uint32_t now);

  SlotData& slot_;
  PollPort& port_;
  plat::CriticalSection& name_lock_;
  plat::CriticalSection& input_lock_;
  std::uint32_t device_;  // the device the name request belongs to
  std::uint8_t name_state_ = kNameNotRequested;
  std::uint8_t led_state_ = kLEDError;
  std::uint8_t blink_phase_ = 0;
  std::uint32_t status_time_;
  std::uint32_t blink_time_;
  vcl::TColor led_color_ = 0;  // black until the first blink step or the first good status
  std::vector<std::uint8_t> name_buffer_ = std::vector<std::uint8_t>(driver::kLongestDataRoom);
  std::size_t name_length_ = 0;
  std::vector<std::uint8_t> input_buffer_ = std::vector<std::uint8_t>(driver::kLongestDataRoom);
};

// The input text: each byte as two upper-case hexadecimal digits, separated
// by "," and ended by ";" ("01,AB,00;"); no bytes give an empty text.
std::string InputDataText(const std::uint8_t* data, std::size_t length);

}  // namespace kestrum

// The poll thread of one slot. Created held (see DeviceIO), it runs until it
// is asked to end; the slot's data are its Slot.
class ThreadIO : public vcl::TThread, private kestrum::PollPort {
 public:
  // led and image are the slot's LED and image, touched only on the window
  // thread; the locks are DeviceNameLock and InputDataLock.
  ThreadIO(std::uint8_t slot, bool create_suspended, vcl::TShape* led, vcl::TImage* image,
           plat::CriticalSection& name_lock, plat::CriticalSection& input_lock);
  ~ThreadIO() override;

  const std::uint8_t SlotNo;
  kestrum::SlotData Slot;

 protected:
  void Execute() override;

 private:
  std::int32_t GetSlaveStatus(std::uint8_t board, std::uint8_t mac) override;
  std::int32_t GetAttribute(std::uint8_t board, std::uint8_t mac, std::uint16_t class_id,
                            std::uint16_t instance_id, std::uint8_t attribute_id) override;
  std::int32_t GetAttributeValue(std::uint8_t board, std::uint8_t mac, std::uint16_t* length,
                                 std::uint8_t* data) override;
  std::int32_t ReadInputData(std::uint8_t board, std::uint8_t mac, std::uint8_t type, std::uint16_t* length,
                             std::uint8_t* data) override;
  void UpdateLED(vcl::TColor color) override;
  void ShowStatusHint(const std::string& hint, bool show) override;
  void ShowErrorCode(std::uint32_t device, const std::string& text) override;
  void ShowDeviceName(std::uint32_t device, const std::string& text) override;
  void ShowInputData(std::uint32_t device, const std::string& text) override;
  bool Ending() override { return Terminated(); }
  // Runs the change on the window thread, unless the thread is ending (the
  // window may be going) by the time it gets there.
  void OnWindow(const std::function<void()>& change);
  // OnWindow, for a panel control: only while the slot is selected and shows that device.
  void OnPanel(std::uint32_t device, const std::function<void()>& change);

  vcl::TShape* const LEDShape;
  vcl::TImage* const image_;
  plat::CriticalSection& name_lock_;
  plat::CriticalSection& input_lock_;
};
