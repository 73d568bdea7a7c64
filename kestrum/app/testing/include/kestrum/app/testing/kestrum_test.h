#pragma once
// Test support for Kestrum's features: a fresh program for every test, in
// virtual time, against the simulated driver libraries, with every trace line
// recorded.
//
// Derive the test's fixture from KestrumTest. Before each test it gives:
//   - a fresh plat::testing::Session (virtual clock, scripted boxes and
//     dialogs; ExpectBox, ExpectModal, Click, Advance, Find<T> work as usual);
//   - the program's process-wide values at their start (kestrum::
//     ResetProgramStateForTesting: kind 0, no active board, ...), the driver
//     layer's entry tables emptied, and the simulated master configured with
//     DefaultNetwork();
//   - tracing bound once per test process to a recording trace client and the
//     real Tamsile.DLL on a table of its own, with the IDs 1000 to 1003 enabled
//     at the start of every test and the recorded lines emptied.
// After each test it ends the I/O monitor and its poll threads (as the
// program does after its loop) before the session goes.
//
//   #include "kestrum/app/testing/kestrum_test.h"
//   using namespace kestrum::testing;
//
//   class StartAll : public KestrumTest {};
//
//   TEST_F(StartAll, AskedAndConfirmedStartsEveryDevice) {
//     StartKestrum(driver::kKindMerrow);      // the chooser answered, the first show done
//     ActivateBoard(0);                      // the master runs; the call log is empty again
//     ExpectBox("It will start to communicate ...").Caption("Kestrum").Answer(IDYES);
//     Click(Form_Main->SpeedButton_StartAllDevice);
//     EXPECT_THAT(TraceTexts(), Contains("SpeedButton_StartAllDeviceClick"));
//     EXPECT_EQ(CallsOf(dnsim::Op::StartAllDevice).size(), 1u);
//     EXPECT_FALSE(Form_Main->SpeedButton_SearchDevice->Enabled);
//   }
//
// A network of the test's own: ConfigureNetwork([](dnsim::NetworkConfig& n) {
// n.master.boards = 12; }) before StartKestrum. A fault: dnsim::Sim().InjectFault.
// Another driver library: StartKestrum(kind, DriversFrom(dnsim::fixtures::kNoDrivers)).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dnsim/driver_fixtures.h"
#include "dnsim/simulation.h"
#include "driver/hardware_kind.h"
#include "kestrum/app/app_trace.h"
#include "kestrum/app/device_io.h"
#include "kestrum/app/main_form.h"
#include "platform/vcl/testing.h"

namespace kestrum::testing {

using namespace plat::testing;  // Click, Advance, ExpectBox, Find<T>, ...
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// ---------------------------------------------------------------- the fixture
class KestrumTest : public ::testing::Test {
 protected:
  KestrumTest();
  ~KestrumTest() override;

  plat::testing::Session ui;
};

// ---------------------------------------------------------------- the simulated master
// Where every test starts: the simulator's demo network (slaves 3, 5, 12, 20
// found at 125K, 30 on another baud rate), one board (kinds 1, 2, 4) or one
// CAN board of four ports (kind 3), a master that runs at the first status read
// after the activation, an empty scan list.
dnsim::NetworkConfig DefaultNetwork();
// Configures the simulated master afresh with the default network as changed by
// `change` (the call log and any injected fault are cleared too).
void ConfigureNetwork(const std::function<void(dnsim::NetworkConfig&)>& change);

std::vector<dnsim::CallRecord> CallLog();
// The entry names of the call log, in order ("Calvory_TotalCalvoryBoard", ...).
std::vector<std::string> CalledEntries();
// The calls of one operation, whichever family's entry they came through.
std::vector<dnsim::CallRecord> CallsOf(dnsim::Op op);
void ClearCallLog();

// ---------------------------------------------------------------- starting the program
struct StartOptions {
  // The folder the driver library is bound from, for the start only (one of
  // dnsim::fixtures); empty: the shipped stand-ins beside the test program.
  std::string driver_directory;
  // How the person answers the chooser, when not as StartKestrum's kind says
  // (to look at it while it is open, or to press Escape).
  std::function<void(vcl::TForm& chooser)> answer_chooser;
};
// Options that bind the driver library from that folder.
StartOptions DriversFrom(std::string directory);

// The chooser's button for a hardware kind 1 to 4; empty for any other.
std::string ChooserButtonName(std::uint8_t kind);

// Starts Kestrum as WinMain does, up to the loop: the splash and every form in
// order, then the main window's first show, in which the chooser is answered
// by clicking the kind's button (kind 0: the chooser is closed by the window
// manager, so no kind is chosen) unless options.answer_chooser says otherwise. Boxes the start shows (a missing library, a
// binding code) are expected by the test beforehand. Afterwards the test acts
// as the person would; Application->Terminated() tells whether the program
// has ended.
void StartKestrum(std::uint8_t kind, const StartOptions& options = {});

// Makes `board` the active board, module or port as a finished activation
// leaves the master, without the activation command itself (and so without its
// wait window, status refresh and configuration read): ActiveBoardNo := board,
// the driver's activation, then virtual time in steps of 1000 ms until the
// master reports status 0 (a test failure after 10 steps). The call log is
// cleared afterwards, so the test sees only its own calls.
void ActivateBoard(std::uint8_t board = 0);

// ---------------------------------------------------------------- traces
struct TraceLine {
  std::int32_t channel;
  std::string text;
  bool operator==(const TraceLine&) const = default;
};
void PrintTo(const TraceLine& line, std::ostream* os);

// Every Lorvex(channel, text) call since the test began (or since ClearTraces),
// from any thread, in order.
std::vector<TraceLine> TraceLines();
// Their texts alone.
std::vector<std::string> TraceTexts();
void ClearTraces();
// Enables or disables one ID in the filter table (all others stay as they are).
void SetTraceIdEnabled(DebugMsgId id, bool enabled);

}  // namespace kestrum::testing
