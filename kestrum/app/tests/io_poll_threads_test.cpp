// The 30 poll threads running, in virtual time, against the simulated
// network: what they call and when not, what reaches the page, the holds of
// the search, the reset and the page fill, and the end of the threads.
//
// The search and the firmware reset hold the threads through
// DeviceIOPanel->ActivateThread(n, false/true, reason) for n = 1 to 30 in
// ascending order; some tests hold them exactly so, others run the commands.

#include <gtest/gtest.h>

#include <algorithm>

#include "io_monitor_support.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/wait_dialog.h"
#include "kestrum/app/wait_message.h"
#include "platform/format.h"
#include "platform/ui/thread.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using ::testing::AnyOf;
using ::testing::HasSubstr;

bool IsPollOp(dnsim::Op op) {
  return op == dnsim::Op::GetSlaveStatus || op == dnsim::Op::GetAttribute || op == dnsim::Op::GetAttributeValue ||
         op == dnsim::Op::ReadInputData;
}

// Slaves 3 (Poll 8/4), 5 (Poll 8/4) and 12 (Strobe 2) of the demo network in
// the scan list and in slots 1, 2 and 3 of the page, which has been shown once.
class PollThreads : public IOPage {
 protected:
  void SetUp() override {
    ConfigureNetwork([](dnsim::NetworkConfig& n) {
      n.scan_list = {{3, kestrum::kPoll, 8, 4, 0}, {5, kestrum::kPoll, 8, 4, 0}, {12, kestrum::kStrobe, 2, 0, 0}};
    });
    StartKestrum(1);
    ActivateBoard(0);
    AddDevice(3, {kestrum::PollNodeText(8, 4)});
    AddDevice(5, {kestrum::PollNodeText(8, 4)});
    AddDevice(12, {kestrum::StrobeNodeText(2)});
    ShowIOPage();
    ClearCallLog();
    ClearTraces();
  }

  // The calls that only the poll threads make.
  static std::vector<dnsim::CallRecord> PollCalls() {
    std::vector<dnsim::CallRecord> calls;
    for (const dnsim::CallRecord& r : CallLog()) {
      if (IsPollOp(r.op)) calls.push_back(r);
    }
    return calls;
  }
  // The MAC IDs they addressed.
  static std::set<int> PolledMACs() {
    std::set<int> macs;
    for (const dnsim::CallRecord& r : PollCalls()) {
      const std::size_t at = r.args.find("mac=");
      if (at != std::string::npos) macs.insert(std::stoi(r.args.substr(at + 4)));
    }
    return macs;
  }
  static void HoldAll(const char* reason) {
    for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) DeviceIOPanel->ActivateThread(n, false, reason);
  }
  static void ReleaseAll(const char* reason) {
    for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) DeviceIOPanel->ActivateThread(n, true, reason);
  }
  static bool ThreadIs(int slot, const std::string& state) {
    const std::vector<std::string> threads = plat::LiveWorkerThreads();
    return std::find(threads.begin(), threads.end(), plat::Format("ThreadIO %d: ", slot) + state) != threads.end();
  }
};

// ---------------------------------------------------------------- what they call
TEST_F(PollThreads, OnlyShownSlotsOfAnActiveBoardCallTheDriver) {
  Advance(4100);
  EXPECT_EQ(PolledMACs(), (std::set<int>{3, 5, 12})) << "the 27 hidden slots call nothing";
  EXPECT_EQ(CallsOf(dnsim::Op::GetSlaveStatus).size(), 6u) << "every two seconds per shown slot";

  DeviceIOPanel->ShowDevice(2, false);
  ClearCallLog();
  Advance(4100);
  EXPECT_EQ(PolledMACs(), (std::set<int>{3, 12}));

  ActiveBoardNo = driver::kNoActiveBoard;
  ClearCallLog();
  Advance(4100);
  EXPECT_THAT(PollCalls(), IsEmpty());
}

TEST_F(PollThreads, TheStatusColoursTheLEDAndWritesTheHint) {
  dnsim::Sim().SetSlaveStatus(5, 1002);
  Advance(2100);
  EXPECT_EQ(Slot(1).Image->Hint, "ID: 3 ,Status Error(0)");
  EXPECT_FALSE(Slot(1).Image->ShowHint);
  EXPECT_EQ(Slot(1).LED->Brush->Color, clLime);
  EXPECT_EQ(Slot(2).Image->Hint, "ID: 5 ,Status Error(1002)");
  EXPECT_TRUE(Slot(2).Image->ShowHint);

  std::vector<TColor> blinks;
  for (int step = 0; step < 3; ++step) {
    blinks.push_back(Slot(2).LED->Brush->Color);
    Advance(500);
  }
  EXPECT_THAT(blinks, AnyOf(ElementsAre(clRed, clSilver, clRed), ElementsAre(clSilver, clRed, clSilver)));
  EXPECT_THAT(TraceTexts(), Contains("ID: 5 , LEDStatus: 2"));
  EXPECT_THAT(TraceTexts(), Contains("ID: 3 , LEDStatus: 0"));
}

TEST_F(PollThreads, TheSelectedSlotGetsItsNameOnceAndItsInputInEveryPass) {
  Select(2);
  Advance(2500);
  EXPECT_EQ(Form_Main->Edit_DeviceName->Text, "DN Valve Manifold");
  EXPECT_THAT(Form_Main->Memo_Input->Lines->Items(), ElementsAre("00,01,02,03,04,05,06,07;"));
  EXPECT_EQ(Form_Main->Edit_ErrorCode->Text, "") << "the pending answer's 1151 is cleared by the read";

  const auto requests = CallsOf(dnsim::Op::GetAttribute);
  ASSERT_EQ(requests.size(), 1u) << "the unselected slots ask for nothing";
  EXPECT_THAT(requests[0].args, HasSubstr("mac=5 class=1 instance=1 attribute=7"));
  EXPECT_GT(CallsOf(dnsim::Op::ReadInputData).size(), 5u);
}

// A pass already on its way when the selection moves must not write the
// previous slave's name or input over the new selection's panel.
TEST_F(PollThreads, APassInFlightForThePreviousSelectionLeavesTheNewOneAlone) {
  Select(1);
  Advance(3000);
  ASSERT_EQ(Form_Main->Edit_DeviceName->Text, "DN 8-Point IO");

  // The window thread is busy for a moment: slot 1's next pass waits in its
  // name update, its input update still to come.
  plat::Sleep(60);
  ASSERT_TRUE(ThreadIs(1, "waiting for a synchronised call"));
  Select(2);  // the waiting updates are served right after

  EXPECT_EQ(Form_Main->Edit_DeviceName->Text, "");
  EXPECT_THAT(Form_Main->Memo_Input->Lines->Items(), ElementsAre(""));
  Advance(1000);
  EXPECT_EQ(Form_Main->Edit_DeviceName->Text, "DN Valve Manifold");
}

// The name request of the slot's old device neither shows nor sticks: after
// the slots are hidden and the page is filled with another device, the slot
// asks the new device itself.
TEST_F(PollThreads, AfterARefillTheSlotReadsTheNewDevicesNameAnew) {
  dnsim::Sim().InjectFault(dnsim::Op::GetAttributeValue, dnsim::kRequestPending);  // slave 3 never answers
  Select(1);
  Advance(2500);
  ASSERT_EQ(Form_Main->Edit_ErrorCode->Text, "1151");

  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) DeviceIOPanel->ShowDevice(n, false);
  Tree()->Clear();
  AddDevice(5, {kestrum::PollNodeText(8, 4)});
  dnsim::Sim().ClearFaults();
  ShowIOPage();
  Select(1);
  ClearCallLog();
  Advance(2500);

  EXPECT_EQ(Form_Main->Edit_DeviceName->Text, "DN Valve Manifold");
  const auto requests = CallsOf(dnsim::Op::GetAttribute);
  ASSERT_FALSE(requests.empty());
  EXPECT_THAT(requests[0].args, HasSubstr("mac=5"));
}

// ---------------------------------------------------------------- holds
TEST_F(PollThreads, ASearchHoldsEveryCallAlsoWhileThePageIsShownMeanwhile) {
  Advance(2500);
  HoldAll(DeviceIO::kHoldSearch);
  ClearCallLog();
  Advance(3000);
  EXPECT_THAT(PollCalls(), IsEmpty());

  ShowIOPage();  // the fill holds and releases its own reason only
  Advance(3000);
  EXPECT_THAT(PollCalls(), IsEmpty());
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
    EXPECT_EQ(DeviceIOPanel->HoldReasons(n), Reasons{DeviceIO::kHoldSearch}) << "slot " << int{n};
  }

  ReleaseAll(DeviceIO::kHoldSearch);
  Advance(2500);
  EXPECT_EQ(PolledMACs(), (std::set<int>{3, 5, 12}));
}

TEST_F(PollThreads, AFailedResetKeepsThemHeldUntilALaterSuccessfulOne) {
  HoldAll(DeviceIO::kHoldReset);  // a reset that gives up releases nothing
  ClearCallLog();
  ShowIOPage();
  HoldAll(DeviceIO::kHoldSearch);  // a search meanwhile
  ReleaseAll(DeviceIO::kHoldSearch);
  Advance(5000);
  EXPECT_THAT(PollCalls(), IsEmpty());

  HoldAll(DeviceIO::kHoldReset);  // the next reset: still one hold
  Advance(2000);
  EXPECT_THAT(PollCalls(), IsEmpty());
  ReleaseAll(DeviceIO::kHoldReset);  // it succeeds
  Advance(2500);
  EXPECT_EQ(PolledMACs(), (std::set<int>{3, 5, 12}));
}

// A hold never catches a thread inside its name step: it returns once the
// thread has finished the step, let go of the lock and come to rest.
TEST_F(PollThreads, AHoldReturnsOnlyOnceTheThreadHasLetGoOfItsLock) {
  dnsim::Sim().InjectFault(dnsim::Op::GetAttributeValue, dnsim::kRequestPending);
  Select(1);
  Advance(2500);
  plat::Sleep(60);
  ASSERT_TRUE(ThreadIs(1, "waiting for a synchronised call"));
  ASSERT_FALSE(DeviceNameLock->TryEnter());

  HoldAll(DeviceIO::kHoldSearch);

  EXPECT_TRUE(ThreadIs(1, "parked"));
  ASSERT_TRUE(DeviceNameLock->TryEnter()) << "the held thread keeps no lock";
  DeviceNameLock->Leave();
  ClearCallLog();
  Advance(3000);
  EXPECT_THAT(PollCalls(), IsEmpty());
}

// The same, end to end through the commands that hold the threads.
TEST_F(PollThreads, TheSearchCommandKeepsThemOffTheDriverWhileItRuns) {
  Advance(2500);
  Click(Form_Main->SpeedButton_SearchDevice);
  ClearCallLog();
  ShowIOPage();
  int steps = 0;
  for (; Form_Wait->Visible && steps < 100; ++steps) {
    EXPECT_THAT(PollCalls(), IsEmpty()) << "at step " << steps;
    Advance(100);
  }
  ASSERT_FALSE(Form_Wait->Visible) << "the search ended";
  EXPECT_GT(steps, 5);
  ClearCallLog();
  Advance(2500);
  EXPECT_EQ(PolledMACs(), (std::set<int>{3, 5, 12}));
}

TEST_F(PollThreads, AResetCommandThatGivesUpKeepsThemOffTheDriverUntilOneSucceeds) {
  dnsim::Sim().InjectFault(dnsim::Op::GetMasterStatus, dnsim::kTimeout, 6);
  Click(Form_Main->SpeedButton_Reset);
  ClearCallLog();
  ShowIOPage();
  ExpectBox("CAN Bus disconnected or firmwre not responding!\r\nPlease check the CAN bus connection first.")
      .Caption("Kestrum Error");
  Advance(9000);
  EXPECT_THAT(PollCalls(), IsEmpty());

  Click(Form_Main->SpeedButton_Reset);
  Advance(4000);
  ASSERT_FALSE(Form_WaitMessage->Visible) << "the second reset succeeded";
  EXPECT_EQ(PolledMACs(), (std::set<int>{3, 5, 12}));
}

// ---------------------------------------------------------------- the end
TEST_F(PollThreads, ExitEndsHeldWaitingAndSleepingThreadsBeforeTheBoardCloses) {
  dnsim::Sim().InjectFault(dnsim::Op::GetAttributeValue, dnsim::kRequestPending);
  Select(1);
  DeviceIOPanel->ActivateThread(2, false, DeviceIO::kHoldReset);
  Advance(2500);

  // Slot 1's thread waits in its error update with the name lock held.
  plat::Sleep(60);
  ASSERT_TRUE(ThreadIs(1, "waiting for a synchronised call"));
  ASSERT_TRUE(ThreadIs(2, "parked"));
  ASSERT_TRUE(ThreadIs(4, "sleeping"));
  ASSERT_FALSE(DeviceNameLock->TryEnter());

  Click(Form_Main->SpeedButton_Exit);

  EXPECT_EQ(DeviceIOPanel, nullptr);
  EXPECT_TRUE(Application->Terminated());
  for (const std::string& thread : plat::LiveWorkerThreads()) EXPECT_THAT(thread, Not(HasSubstr("ThreadIO")));
  const std::vector<dnsim::CallRecord> log = CallLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().op, dnsim::Op::Close) << "no poll call after the board's close";
  Advance(3000);
  EXPECT_EQ(CallLog().size(), log.size());
  ASSERT_TRUE(DeviceNameLock->TryEnter()) << "the lock was let go";
  DeviceNameLock->Leave();
}

}  // namespace
