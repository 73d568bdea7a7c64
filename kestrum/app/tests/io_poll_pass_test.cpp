// One pass of a slot's poll loop, without threads: a scripted master API and
// window on one side, the slot's values and the trace lines on the other.

#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "kestrum/app/globals.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/thread_io.h"
#include "platform/format.h"

namespace {

using namespace kestrum::testing;
using ::testing::ElementsAreArray;
using kestrum::SlavePoller;
using kestrum::SlotValues;

constexpr std::uint8_t kMac = 5;

struct Reply {
  std::int32_t result = 0;
  std::vector<std::uint8_t> data;
  std::optional<std::uint16_t> length;  // what the driver says it wrote; else data's size
};

// What the scripted master answers. Each list is used up in order; its last
// answer then repeats.
struct Script {
  std::deque<std::int32_t> status{0};
  std::deque<std::int32_t> request{0};
  std::deque<Reply> value{Reply{}};
  std::deque<Reply> input{Reply{}};
};

template <class T>
T Next(std::deque<T>& answers) {
  T answer = answers.front();
  if (answers.size() > 1) answers.pop_front();
  return answer;
}

// Records every call as a line of text, the way the rows below read.
class ScriptedPort : public kestrum::PollPort {
 public:
  explicit ScriptedPort(Script script) : script_(std::move(script)) {}

  std::vector<std::string> calls;
  std::vector<std::uint32_t> devices;  // the device each panel update was made for
  std::function<void()> during_name;   // what happens while the name is requested or read
  std::function<void()> during_input;  // the window thread's doing while the input is read

  std::int32_t GetSlaveStatus(std::uint8_t board, std::uint8_t mac) override {
    calls.push_back(plat::Format("status %d %d", board, mac));
    return Next(script_.status);
  }
  std::int32_t GetAttribute(std::uint8_t board, std::uint8_t mac, std::uint16_t c, std::uint16_t i,
                            std::uint8_t a) override {
    calls.push_back(plat::Format("request %d %d %d %d %d", board, mac, c, i, a));
    if (during_name) during_name();
    return Next(script_.request);
  }
  std::int32_t GetAttributeValue(std::uint8_t board, std::uint8_t mac, std::uint16_t* length,
                                 std::uint8_t* data) override {
    calls.push_back(plat::Format("value %d %d", board, mac));
    if (during_name) during_name();
    return Answer(Next(script_.value), length, data);
  }
  std::int32_t ReadInputData(std::uint8_t board, std::uint8_t mac, std::uint8_t type, std::uint16_t* length,
                             std::uint8_t* data) override {
    calls.push_back(plat::Format("input %d %d %d", board, mac, type));
    if (during_input) during_input();
    return Answer(Next(script_.input), length, data);
  }
  void UpdateLED(vcl::TColor color) override { calls.push_back(plat::Format("LED %06X", color)); }
  void ShowStatusHint(const std::string& hint, bool show) override {
    calls.push_back("hint " + hint + (show ? " shown" : " hidden"));
  }
  void ShowErrorCode(std::uint32_t device, const std::string& text) override { Panel("error", device, text); }
  void ShowDeviceName(std::uint32_t device, const std::string& text) override { Panel("name", device, text); }
  void ShowInputData(std::uint32_t device, const std::string& text) override { Panel("shown input", device, text); }
  bool Ending() override { return false; }

 private:
  void Panel(const char* what, std::uint32_t device, const std::string& text) {
    calls.push_back(std::string(what) + " \"" + text + "\"");
    devices.push_back(device);
  }
  // A driver writes every byte it has: the entries have no room argument.
  static std::int32_t Answer(const Reply& r, std::uint16_t* length, std::uint8_t* data) {
    std::copy(r.data.begin(), r.data.end(), data);
    if (r.result == 0 || r.length) *length = r.length.value_or(static_cast<std::uint16_t>(r.data.size()));
    return r.result;
  }
  Script script_;
};

// n input bytes of value 0 as the input text shows them.
std::string ZeroItems(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += i + 1 < n ? "00," : "00;";
  return text;
}

// ---------------------------------------------------------------- the table
struct Step {
  std::uint32_t at;                  // ms after the start tick
  std::vector<std::string> calls;    // of the port, in order
  std::vector<std::string> traces;   // trace texts of the pass, in order
};

struct PassCase {
  std::string name;
  std::uint32_t start_tick = 1000;
  std::uint8_t board = 0;
  bool shown = true;
  std::uint8_t selected = 0;
  std::uint16_t kind = kestrum::kPoll;
  std::string device_name;
  Script script;
  std::vector<kestrum::DebugMsgId> disabled;  // trace IDs switched off for the row
  std::vector<Step> steps;

  explicit PassCase(std::string n) : name(std::move(n)) {}
  PassCase& Start(std::uint32_t tick) { start_tick = tick; return *this; }
  PassCase& NoBoard() { board = 255; return *this; }
  PassCase& Hidden() { shown = false; return *this; }
  PassCase& Selected() { selected = 1; return *this; }
  PassCase& Kind(std::uint16_t k) { kind = k; return *this; }
  PassCase& Named(std::string n) { device_name = std::move(n); return *this; }
  PassCase& Statuses(std::deque<std::int32_t> a) { script.status = std::move(a); return *this; }
  PassCase& Requests(std::deque<std::int32_t> a) { script.request = std::move(a); return *this; }
  PassCase& Values(std::deque<Reply> a) { script.value = std::move(a); return *this; }
  PassCase& Inputs(std::deque<Reply> a) { script.input = std::move(a); return *this; }
  PassCase& Without(kestrum::DebugMsgId id) { disabled.push_back(id); return *this; }
  PassCase& Steps(std::vector<Step> s) { steps = std::move(s); return *this; }
};
void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

constexpr const char* kLime = "LED 00FF00";
constexpr const char* kRed = "LED 0000FF";
constexpr const char* kSilver = "LED C0C0C0";
constexpr const char* kBlack = "LED 000000";
constexpr const char* kStatus = "status 0 5";
constexpr const char* kOkHint = "hint ID: 5 ,Status Error(0) hidden";
constexpr const char* kOk = "ID: 5 , LEDStatus: 0";
constexpr const char* kError = "ID: 5 , LEDStatus: 2";

const std::vector<PassCase>& Cases() {
  static const std::vector<PassCase> cases = [] {
    std::vector<PassCase> v;
    v.push_back(PassCase("IdleWithoutAnActiveBoard")
                 .NoBoard()
                 .Selected()
                 .Steps({{0, {}, {}}, {2000, {}, {}}, {4000, {}, {}}}));
    v.push_back(PassCase("IdleWhileTheSlotIsHidden")
                 .Hidden()
                 .Selected()
                 .Steps({{0, {}, {}}, {2000, {}, {}}, {4000, {}, {}}}));
    v.push_back(PassCase("FirstStatusExactlyTwoSecondsAfterTheStart")
                 .Steps({{1999, {kSilver}, {kError}},
                           {2000, {kStatus, kOkHint, kLime}, {kOk}},
                           {2050, {kLime}, {kOk}},
                           {3999, {kLime}, {kOk}},
                           {4000, {kStatus, kOkHint, kLime}, {kOk}}}));
    v.push_back(PassCase("Status1002BlinksSilverFirstThenRedWithTheHintShown")
                 .Statuses({1002})
                 .Steps({{0, {kBlack}, {kError}},
                           {499, {kBlack}, {kError}},
                           {500, {kSilver}, {kError}},
                           {999, {kSilver}, {kError}},
                           {1000, {kRed}, {kError}},
                           {1500, {kSilver}, {kError}},
                           {2000, {kStatus, "hint ID: 5 ,Status Error(1002) shown", kRed}, {kError}},
                           {2250, {kRed}, {kError}}}));
    v.push_back(PassCase("AGoodStatusAfterAnErrorSteadiesTheLED")
                 .Statuses({1002, 0})
                 .Steps({{2000, {kStatus, "hint ID: 5 ,Status Error(1002) shown", kSilver}, {kError}},
                           {4000, {kStatus, kOkHint, kLime}, {kOk}},
                           {4500, {kLime}, {kOk}}}));
    // The tick count passes 0xFFFFFFFF between +999 and +1000.
    v.push_back(PassCase("TheTickCountsWrapChangesNothing")
                 .Start(0xFFFFFC18u)
                 .Steps({{500, {kSilver}, {kError}},
                           {999, {kSilver}, {kError}},
                           {1000, {kRed}, {kError}},
                           {1999, {kSilver}, {kError}},
                           {2000, {kStatus, kOkHint, kLime}, {kOk}}}));
    v.push_back(PassCase("NameIsRequestedReadWhilePendingThenShownInEveryPass")
                 .Selected()
                 .Kind(kestrum::kNoSlotValue)
                 .Values({Reply{1151, {}, {}}, Reply{0, {'D', 'N', ' ', 'V', 'a', 'l', 'v', 'e'}, {}}})
                 .Steps({{2000, {kStatus, kOkHint, "request 0 5 1 1 7", "error \"\"", kLime}, {kOk, "ID(5),IsRequest(0)"}},
                           {2050, {"value 0 5", "error \"1151\"", kLime}, {kOk, "ID(5),IsRequest(1)", "Get OK! Len(0)"}},
                           {2100, {"value 0 5", "error \"\"", kLime}, {kOk, "ID(5),IsRequest(1)", "Get OK! Len(8)"}},
                           {2150, {"name \"DN Valve\"", kLime}, {kOk, "ID(5),IsRequest(2)", "DN Valve"}},
                           {2200, {"name \"DN Valve\"", kLime}, {kOk}}}));
    v.push_back(PassCase("AFailedRequestIsShownAndSentAgain")
                 .Selected()
                 .Kind(kestrum::kNoSlotValue)
                 .Requests({1204, 0})
                 .Steps({{2000, {kStatus, kOkHint, "request 0 5 1 1 7", "error \"1204\"", kLime},
                            {kOk, "ID(5),IsRequest(0)"}},
                           {2050, {"request 0 5 1 1 7", "error \"\"", kLime}, {kOk, "ID(5),IsRequest(0)"}}}));
    v.push_back(PassCase("ANameOfLengthZeroIsAskedForAgain")
                 .Selected()
                 .Kind(kestrum::kNoSlotValue)
                 .Steps({{2000, {kStatus, kOkHint, "request 0 5 1 1 7", "error \"\"", kLime}, {kOk, "ID(5),IsRequest(0)"}},
                           {2050, {"value 0 5", "error \"\"", kLime}, {kOk, "ID(5),IsRequest(1)", "Get OK! Len(0)"}},
                           {2100, {"name \"\"", kLime}, {kOk, "ID(5),IsRequest(2)", ""}},
                           {2150, {"request 0 5 1 1 7", "error \"\"", kLime}, {kOk, "ID(5),IsRequest(0)"}}}));
    v.push_back(PassCase("AnUnselectedSlotReadsNeitherNameNorInput")
                 .Steps({{2000, {kStatus, kOkHint, kLime}, {kOk}}, {2050, {kLime}, {kOk}}}));
    v.push_back(PassCase("ABadStatusReadsNeitherNameNorInput")
                 .Selected()
                 .Statuses({1002})
                 .Steps({{2000, {kStatus, "hint ID: 5 ,Status Error(1002) shown", kSilver}, {kError}}}));
    v.push_back(PassCase("InputDataBecomeTheInputText")
                 .Selected()
                 .Named("Known")
                 .Inputs({Reply{0, {0x01, 0xAB, 0x00}, {}}, Reply{0, {}, {}}})
                 .Steps({{2000, {kStatus, kOkHint, "name \"Known\"", "input 0 5 1", "shown input \"01,AB,00;\"", kLime}, {kOk}},
                           {2050, {"name \"Known\"", "input 0 5 1", "shown input \"\"", kLime}, {kOk}}}));
    v.push_back(PassCase("AFailedInputReadIsOnlyTraced")
                 .Selected()
                 .Kind(kestrum::kCOS)
                 .Named("Known")
                 .Inputs({Reply{1204, {}, {}}})
                 .Steps({{2000, {kStatus, kOkHint, "name \"Known\"", "input 0 5 3", kLime},
                            {kOk, "ID(5) ReadIO Fail! (Error: 1204)"}}}));
    v.push_back(PassCase("TheReadFailureIsTaggedWithItsOwnID")
                 .Selected()
                 .Named("Known")
                 .Inputs({Reply{1204, {}, {}}})
                 .Without(kestrum::kPollStatusMsgId)
                 .Steps({{2000, {kStatus, kOkHint, "name \"Known\"", "input 0 5 1", kLime},
                            {"ID(5) ReadIO Fail! (Error: 1204)"}}}));
    v.push_back(PassCase("ASlotWithoutAKnownConnectionReadsNoInput")
                 .Selected()
                 .Kind(0)
                 .Named("Known")
                 .Steps({{2000, {kStatus, kOkHint, "name \"Known\"", kLime}, {kOk}}}));
    // A name and an input longer than the buffers: 256 bytes of each are used.
    auto long_replies = [](std::string name, std::size_t written, std::optional<std::uint16_t> claimed) {
      const std::string shown = "shown input \"" + ZeroItems(256) + "\"";
      return PassCase(std::move(name))
          .Selected()
          .Values({Reply{0, std::vector<std::uint8_t>(written, 'A'), claimed}})
          .Inputs({Reply{0, std::vector<std::uint8_t>(written, 0), claimed}})
          .Steps({{2000, {kStatus, kOkHint, "request 0 5 1 1 7", "error \"\"", "input 0 5 1", shown, kLime},
                   {kOk, "ID(5),IsRequest(0)"}},
                  {2050, {"value 0 5", "error \"\"", "input 0 5 1", shown, kLime},
                   {kOk, "ID(5),IsRequest(1)", "Get OK! Len(256)"}},
                  {2100, {"name \"" + std::string(256, 'A') + "\"", "input 0 5 1", shown, kLime},
                   {kOk, "ID(5),IsRequest(2)", std::string(256, 'A')}}});
    };
    // The driver claims 300 bytes into room for 256.
    v.push_back(long_replies("LengthsBeyondTheBufferAreCutToIt", 256, 300));
    // A driver with more to say than 256 bytes writes all of it (the entries
    // take no room argument): a long product name, the input of a long connection.
    v.push_back(long_replies("MoreBytesThanTheBufferHoldsAreWrittenButNotUsed", 300, std::nullopt));
    return v;
  }();
  return cases;
}

class PollPass : public KestrumTest, public ::testing::WithParamInterface<PassCase> {
 protected:
  kestrum::SlotData slot;
  plat::CriticalSection name_lock;
  plat::CriticalSection input_lock;
};

INSTANTIATE_TEST_SUITE_P(Table, PollPass, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(PollPass, CallsTheMasterAndTheWindowAsTheRowSays) {
  const PassCase& c = GetParam();
  for (kestrum::DebugMsgId id : c.disabled) SetTraceIdEnabled(id, false);
  slot.Change([&](SlotValues& v) {
    v.MACID = kMac;
    v.IOType = c.kind;
    v.Shown = c.shown;
    v.Selected = c.selected;
    v.DeviceName = c.device_name;
  });
  ScriptedPort port(c.script);
  SlavePoller poll(slot, port, name_lock, input_lock, c.start_tick);
  for (const Step& step : c.steps) {
    SCOPED_TRACE(::testing::Message() << "pass at +" << step.at);
    port.calls.clear();
    ClearTraces();
    // As the thread's loop does: a pass that idles makes no pass at all.
    if (!poll.Idle(c.board)) poll.Pass(c.board, c.start_tick + step.at);
    EXPECT_THAT(port.calls, ElementsAreArray(step.calls));
    EXPECT_THAT(TraceTexts(), ElementsAreArray(step.traces));
  }
}

// ---------------------------------------------------------------- another device in the slot
class PollPassDevice : public KestrumTest {
 protected:
  void SetUp() override {
    slot.Change([](SlotValues& v) {
      v.MACID = kMac;
      v.IOType = kestrum::kPoll;
      v.Shown = true;
      v.Selected = 1;
    });
  }
  kestrum::SlotData slot;
  plat::CriticalSection name_lock;
  plat::CriticalSection input_lock;
};

// A request that was sent for the previous device must not be read back for
// the new one: the new device gets a request of its own.
TEST_F(PollPassDevice, ARefillOrAHideStartsTheNameRequestOver) {
  ScriptedPort port(Script{.value = {Reply{1151, {}, {}}}});
  SlavePoller poll(slot, port, name_lock, input_lock, 0);
  poll.Pass(0, 2000);
  ASSERT_EQ(poll.NameRequestState(), SlavePoller::kNameRequested);

  const kestrum::SlotConnection other{7, kestrum::kPoll, 2, 2};
  slot.Fill(7, &other);
  slot.Change([](SlotValues& v) { v.Selected = 1; });
  port.calls.clear();
  poll.Pass(0, 2050);
  EXPECT_THAT(port.calls, Contains("request 0 7 1 1 7"));
  EXPECT_THAT(port.calls, Not(Contains("value 0 7")));

  poll.Pass(0, 2100);  // the new request is pending now
  ASSERT_EQ(poll.NameRequestState(), SlavePoller::kNameRequested);
  slot.Hide();
  slot.Show();
  slot.Fill(7, &other);
  slot.Change([](SlotValues& v) { v.Selected = 1; });
  port.calls.clear();
  poll.Pass(0, 2150);
  EXPECT_THAT(port.calls, Contains("request 0 7 1 1 7"));
}

TEST_F(PollPassDevice, WhatAPassMadeForThePreviousDeviceIsDropped) {
  ScriptedPort port(Script{.input = {Reply{0, {0x11, 0x22}, {}}}});
  slot.Change([](SlotValues& v) { v.DeviceName = "Old"; });
  const std::uint32_t old_device = slot.Get().Device;
  // The window thread hides the slot while the pass reads its input.
  port.during_input = [&] { slot.Hide(); };
  SlavePoller poll(slot, port, name_lock, input_lock, 0);
  poll.Pass(0, 2000);

  const SlotValues after = slot.Get();
  EXPECT_EQ(after.InputData, "") << "the hidden slot keeps its emptied texts";
  EXPECT_EQ(after.MACID, kestrum::kNoSlotValue);
  EXPECT_THAT(port.calls, Contains("shown input \"11,22;\""));
  ASSERT_FALSE(port.devices.empty());
  EXPECT_EQ(port.devices.back(), old_device) << "the panel update names the device it was made for";
  EXPECT_FALSE(slot.SelectedFor(old_device)) << "so the window drops it";
}

// Only one thread at a time may do a name step or an input step, and a thread
// never holds both locks: each driver call of a step runs under its own lock.
TEST_F(PollPassDevice, EachStepRunsUnderItsOwnLockOnly) {
  auto held = [](plat::CriticalSection& lock) {
    if (!lock.TryEnter()) return 1;
    lock.Leave();
    return 0;
  };
  ScriptedPort port(Script{.value = {Reply{0, {'V'}, {}}}, .input = {Reply{0, {0x01}, {}}}});
  std::vector<std::string> seen;
  port.during_name = [&] { seen.push_back(plat::Format("name: %d %d", held(name_lock), held(input_lock))); };
  port.during_input = [&] { seen.push_back(plat::Format("input: %d %d", held(name_lock), held(input_lock))); };
  SlavePoller poll(slot, port, name_lock, input_lock, 0);
  poll.Pass(0, 2000);  // the request, then the input
  poll.Pass(0, 2050);  // the value, then the input

  EXPECT_THAT(seen, ElementsAre("name: 1 0", "input: 0 1", "name: 1 0", "input: 0 1"));
  EXPECT_EQ(held(name_lock), 0) << "let go after the pass";
  EXPECT_EQ(held(input_lock), 0);
}

// ---------------------------------------------------------------- the slot's values
TEST(SlotData, FillEmptiesTheTextsOnlyWhenTheSlotShowsAnotherSlave) {
  kestrum::SlotData slot;
  const kestrum::SlotConnection five{5, kestrum::kPoll, 8, 4};
  slot.Fill(5, &five);
  slot.Change([](SlotValues& v) {
    v.DeviceName = "Five";
    v.InputData = "01;";
    v.OutputData = "02;";
  });
  const std::uint32_t before = slot.Get().Device;

  slot.Fill(5, &five);  // the page shown again with the same tree
  SlotValues v = slot.Get();
  EXPECT_EQ(v.DeviceName, "Five");
  EXPECT_EQ(v.InputData, "01;");
  EXPECT_NE(v.Device, before) << "a pending name request still starts over";

  slot.Fill(6, nullptr);  // another device node without a connection
  v = slot.Get();
  EXPECT_EQ(v.DeviceName, "");
  EXPECT_EQ(v.InputData, "");
  EXPECT_EQ(v.OutputData, "02;") << "the output text is the person's and stays";
  EXPECT_EQ(v.MACID, 5) << "without a connection the connection data stay";
  EXPECT_EQ(v.LabelMAC, 6);
}

}  // namespace
