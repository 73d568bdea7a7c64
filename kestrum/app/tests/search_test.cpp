// The network search: the command, the wait window, the hold on the poll
// threads and the stopped status timer while the master searches, the poll,
// and the searched-devices tree with its caption.

#include <gtest/gtest.h>

#include <functional>

#include "kestrum/app/debug_device.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/wait_dialog.h"
#include "kestrum/app/wait_message.h"
#include "list_reads.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using Reasons = std::set<std::string>;

constexpr std::int32_t kStillRunning = 1055;

class NetworkSearch : public KestrumTest {
 protected:
  void SetUp() override { StartWithListReadsThroughTheTest(); }

  static void Search() { Click(Form_Main->SpeedButton_SearchDevice); }
  static std::vector<std::string> Tree() { return TreeTexts(Form_Main->TreeView_AutoScanDevice); }
  static std::string Caption() { return Form_Main->Panel_SearchDevice->Caption; }

  // What a running search holds: every poll thread for its own reason on top
  // of what held it before, and the status display.
  static void ExpectHeldForTheSearch() {
    for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
      EXPECT_EQ(DeviceIOPanel->HoldReasons(n), (Reasons{DeviceIO::kHoldCreated, DeviceIO::kHoldSearch}))
          << "slot " << int{n};
    }
    EXPECT_FALSE(Form_Main->Timer_Info->Enabled);
    EXPECT_TRUE(Form_Wait->Visible);
  }
  // Whatever the end, the search undoes all three.
  static void ExpectRestored() {
    for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
      EXPECT_EQ(DeviceIOPanel->HoldReasons(n), Reasons{DeviceIO::kHoldCreated}) << "slot " << int{n};
    }
    EXPECT_TRUE(Form_Main->Timer_Info->Enabled);
    EXPECT_FALSE(Form_Wait->Visible);
  }
};

// ---------------------------------------------------------------- devices found
struct FoundCase {
  const char* label;
  std::function<void()> arrange;
  std::vector<std::string> tree;
  const char* caption;
};
void PrintTo(const FoundCase& c, std::ostream* os) { *os << c.label; }

const FoundCase kFoundCases[] = {
    {"MacsOutOfOrder",
     [] {
       ScriptSearchReads({0, {{12, 2, 2, 0}, {3, 1, 8, 4}, {12, 4, 4, 4}}});
     },
     {"Device 3", "  Poll ( Input 8 , Output 4 )", "Device 12", "  Strobe ( Input 2 )",
      "  Cyclic ( Input 4 , Output 4 )"},
     " Searched Devices : 2 Devices!! "},
    // The plural stays for one.
    {"OneDevice",
     [] {
       ConfigureNetwork([](dnsim::NetworkConfig& n) {
         dnsim::SlaveConfig button;
         button.mac = 20;
         button.connections = {{3, 1, 1}};
         n.slaves = {button};
       });
       ActivateBoard(0);
     },
     {"Device 20", "  COS ( Input 1 , Output 1 )"},
     " Searched Devices : 1 Devices!! "},
    // The simulator's demo network answers 12, 3, 20, 5; 30 is on another baud rate.
    {"DemoNetwork", [] {},
     {"Device 3", "  Poll ( Input 8 , Output 4 )", "Device 5", "  Poll ( Input 8 , Output 4 )",
      "  COS ( Input 2 , Output 2 )", "Device 12", "  Strobe ( Input 2 )", "  Cyclic ( Input 4 , Output 4 )",
      "Device 20", "  COS ( Input 1 , Output 1 )"},
     " Searched Devices : 4 Devices!! "},
    // A count beyond the room of 200: no entry past the room is read.
    {"ACountBeyondTheRoom", [] { ScriptSearchReads({0, FullRoomOf(5), 300}); }, FullRoomTexts(5),
     " Searched Devices : 1 Devices!! "},
};

class DevicesFound : public NetworkSearch, public ::testing::WithParamInterface<FoundCase> {};
INSTANTIATE_TEST_SUITE_P(Results, DevicesFound, ::testing::ValuesIn(kFoundCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(DevicesFound, FillTheTreeByMacIdWithEachDevicesConnectionsInTheMastersOrder) {
  GetParam().arrange();
  Search();
  ExpectHeldForTheSearch();
  Advance(2000);

  EXPECT_THAT(Tree(), ::testing::ElementsAreArray(GetParam().tree));
  EXPECT_EQ(Caption(), GetParam().caption);
  ExpectRestored();
  EXPECT_TRUE(ui.Boxes().empty()) << "a good search shows no box";
}

TEST_F(NetworkSearch, DeviceAndConnectionNodesCarryTheirPictures) {
  ScriptSearchReads({0, {{7, 4, 1, 1}, {7, 3, 2, 2}, {7, 2, 3, 0}, {7, 1, 4, 4}}});
  Search();
  Advance(2000);

  TTreeNodes* nodes = Form_Main->TreeView_AutoScanDevice->Items;
  ASSERT_EQ(nodes->Count, 5);
  TTreeNode* device = nodes->Item[0];
  EXPECT_EQ(device->ImageIndex, 2);
  EXPECT_EQ(device->SelectedIndex, 2);
  EXPECT_EQ(device->StateIndex, -1);
  const int pictures[] = {6, 5, 4, 3};  // Cyclic, COS, Strobe, Poll as reported
  for (int i = 0; i < 4; ++i) {
    TTreeNode* connection = nodes->Item[i + 1];
    EXPECT_EQ(connection->Parent.Get(), device);
    EXPECT_EQ(connection->ImageIndex, pictures[i]) << connection->Text.Get();
    EXPECT_EQ(connection->SelectedIndex, pictures[i]) << connection->Text.Get();
  }
}

// ---------------------------------------------------------------- nothing found
struct NothingCase {
  const char* label;
  std::function<void()> arrange;
};
void PrintTo(const NothingCase& c, std::ostream* os) { *os << c.label; }

const NothingCase kNothingCases[] = {
    {"NoSlaveAnswers",
     [] {
       ConfigureNetwork([](dnsim::NetworkConfig& n) { n.slaves.clear(); });
       ActivateBoard(0);
     }},
    {"TheReadFails", [] { dnsim::Sim().InjectFault(dnsim::Op::GetSearchedDevices, 1002, 1); }},
    // Whatever a failed read left in the lists, it found nothing.
    {"TheReadFailsAfterWritingEntries", [] { ScriptSearchReads({1204, {{3, 1, 8, 4}, {5, 3, 2, 2}}}); }},
    // A good read that wrote entries but no count: the count is the 0 it started with.
    {"TheReadWritesNoCount", [] { ScriptSearchReads({0, {{3, 1, 8, 4}, {5, 3, 2, 2}}, kCountUnwritten}); }},
};

class NothingFound : public NetworkSearch, public ::testing::WithParamInterface<NothingCase> {};
INSTANTIATE_TEST_SUITE_P(Results, NothingFound, ::testing::ValuesIn(kNothingCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(NothingFound, SaysSoLeavesTheTreeEmptyAndRestoresWhatTheSearchHeld) {
  GetParam().arrange();
  Form_Main->TreeView_AutoScanDevice->Items->Add(nullptr, "Device 1");  // from a search before
  Search();
  ExpectHeldForTheSearch();
  EXPECT_THAT(Tree(), IsEmpty()) << "the tree is emptied when the search starts";

  bool restored_before_the_box = false;
  ExpectBox("Can not find any device").Caption("Kestrum").Flags(MB_OK).Owner("").While([&] {
    restored_before_the_box = !Form_Wait->Visible && Form_Main->Timer_Info->Enabled &&
                              DeviceIOPanel->HoldReasons(1) == Reasons{DeviceIO::kHoldCreated};
  });
  Advance(2000);

  EXPECT_TRUE(restored_before_the_box);
  EXPECT_THAT(Tree(), IsEmpty());
  EXPECT_EQ(Caption(), " Searched Devices : No Device!! ");
  ExpectRestored();
}

// ---------------------------------------------------------------- timing
// The master answers 1055 this many times: the polls come at 500 ms, 1000 ms,
// ... and the search ends at the first other answer (at 500 ms for none, at
// 2000 ms for three).
class SearchTiming : public NetworkSearch, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(StillRunning, SearchTiming, ::testing::Values(0, 3));

TEST_P(SearchTiming, ThePollComesEvery500msAndTheSearchEndsAtTheFirstOtherAnswer) {
  const int still_running = GetParam();
  ConfigureNetwork([&](dnsim::NetworkConfig& n) { n.master.search_polls = still_running; });
  ActivateBoard(0);
  Search();
  ASSERT_EQ(CallsOf(dnsim::Op::SearchAllDevices).size(), 1u);
  EXPECT_EQ(CallsOf(dnsim::Op::SearchAllDevices)[0].args, "board=0");

  Advance(499);
  EXPECT_THAT(CallsOf(dnsim::Op::IsSearchOK), IsEmpty()) << "a master that finishes at once still waits 500 ms";
  for (int poll = 1; poll <= still_running; ++poll) {
    Advance(poll == 1 ? 1 : 500);
    EXPECT_EQ(CallsOf(dnsim::Op::IsSearchOK).size(), static_cast<std::size_t>(poll));
    ExpectHeldForTheSearch();
  }
  if (still_running > 0) Advance(499);
  EXPECT_TRUE(Form_Wait->Visible) << "a hair before the end";
  EXPECT_THAT(CallsOf(dnsim::Op::GetSearchedDevices), IsEmpty());
  Advance(1);

  std::vector<std::int32_t> answers;
  for (const dnsim::CallRecord& r : CallsOf(dnsim::Op::IsSearchOK)) answers.push_back(r.result);
  std::vector<std::int32_t> expected(static_cast<std::size_t>(still_running), kStillRunning);
  expected.push_back(0);
  EXPECT_EQ(answers, expected);
  EXPECT_EQ(CallsOf(dnsim::Op::GetSearchedDevices).size(), 1u);
  ExpectRestored();

  Advance(2000);
  EXPECT_EQ(CallsOf(dnsim::Op::IsSearchOK).size(), expected.size()) << "the poll stopped itself";
}

// ---------------------------------------------------------------- refusals and failures
TEST_F(NetworkSearch, AMasterThatCannotStartTheSearchOnlyLeavesATrace) {
  Search();
  Advance(2000);
  ASSERT_THAT(Tree(), Not(IsEmpty()));
  const std::vector<std::string> before = Tree();
  const std::string caption = Caption();
  ClearTraces();
  ClearCallLog();

  dnsim::Sim().InjectFault(dnsim::Op::SearchAllDevices, 1002, 1);
  Search();

  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_SearchDeviceClick", "BrantelAPI_StartAutoScan Error!(1002)"));
  EXPECT_FALSE(Form_Wait->Visible);
  EXPECT_EQ(Tree(), before);
  EXPECT_EQ(Caption(), caption);
  Advance(2000);
  EXPECT_THAT(CallsOf(dnsim::Op::IsSearchOK), IsEmpty());
  ExpectRestored();
}

// The error line is a plain trace: it passes whatever the filter says about 1000.
TEST_F(NetworkSearch, TheStartErrorIsTracedWithoutTheFilter) {
  SetTraceIdEnabled(kestrum::kUserCommandMsgId, false);
  dnsim::Sim().InjectFault(dnsim::Op::SearchAllDevices, 10023, 1);
  Search();
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "BrantelAPI_StartAutoScan Error!(10023)"}));
}

struct CommandCase {
  const char* label;
  TSpeedButton* TForm_Main::*button;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.label; }

class WithoutBoard : public KestrumTest, public ::testing::WithParamInterface<CommandCase> {};
INSTANTIATE_TEST_SUITE_P(Commands, WithoutBoard,
                         ::testing::Values(CommandCase{"Search", &TForm_Main::SpeedButton_SearchDevice},
                                           CommandCase{"Diagnosis", &TForm_Main::SpeedButton_DebugDevice}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(WithoutBoard, TheCommandIsRefusedAndNothingChanges) {
  StartKestrum(driver::kKindCalvory);
  ClearTraces();
  ClearCallLog();
  ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main");
  Click(Form_Main->*GetParam().button);
  Advance(5000);

  EXPECT_THAT(TraceTexts(), IsEmpty());
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_THAT(TreeTexts(Form_Main->TreeView_AutoScanDevice), IsEmpty());
  EXPECT_EQ(Form_Main->Panel_SearchDevice->Caption, " Searched Devices ");
  EXPECT_FALSE(Form_Wait->Visible);
  EXPECT_FALSE(Form_DebuggingDevice->Visible);
}

// ---------------------------------------------------------------- while a search runs
// The wait window is not modal, so the main window's commands stay at hand.
TEST_F(NetworkSearch, WhileASearchRunsNeitherASecondSearchNorADiagnosisNorAResetStarts) {
  Search();
  EXPECT_FALSE(Form_Wait->IsModal());
  EXPECT_EQ(Form_Wait->FormStyle, fsStayOnTop);
  EXPECT_TRUE(Form_Main->Enabled);
  Advance(600);

  Search();
  Click(Form_Main->SpeedButton_DebugDevice);  // an unexpected modal dialog would fail the test
  Click(Form_Main->SpeedButton_Reset);
  EXPECT_EQ(CallsOf(dnsim::Op::SearchAllDevices).size(), 1u);
  EXPECT_THAT(CallsOf(dnsim::Op::SearchSpecificDevice), IsEmpty());
  EXPECT_THAT(CallsOf(dnsim::Op::ResetFirmware), IsEmpty());
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_SearchDeviceClick", "SpeedButton_SearchDeviceClick",
                                        "SpeedButton_DebugDeviceClick", "SpeedButton_ResetClick"));
  EXPECT_FALSE(Form_WaitMessage->Visible);
  EXPECT_FALSE(Form_Main->Timer_ResetFirmware->Enabled);
  ExpectHeldForTheSearch();

  Advance(1400);  // the first search ends as it would have alone
  EXPECT_EQ(Caption(), " Searched Devices : 4 Devices!! ");
  ExpectRestored();

  Search();  // and the next one starts again
  EXPECT_EQ(CallsOf(dnsim::Op::SearchAllDevices).size(), 2u);
  ExpectHeldForTheSearch();
  Advance(2000);
  ExpectRestored();
}

TEST_F(NetworkSearch, NoSearchStartsWhileAFirmwareResetIsWatched) {
  Click(Form_Main->SpeedButton_Reset);
  Search();
  EXPECT_THAT(CallsOf(dnsim::Op::SearchAllDevices), IsEmpty());
  EXPECT_FALSE(Form_Wait->Visible);
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
    EXPECT_FALSE(DeviceIOPanel->HoldReasons(n).count(DeviceIO::kHoldSearch)) << "slot " << int{n};
  }

  Advance(5000);  // the restarted master answers; the reset ends
  ASSERT_FALSE(Form_Main->Timer_ResetFirmware->Enabled);
  Search();
  EXPECT_EQ(CallsOf(dnsim::Op::SearchAllDevices).size(), 1u);
  ExpectHeldForTheSearch();
  Advance(2000);
  ExpectRestored();
}

TEST_F(NetworkSearch, ShowingTheIOPageDuringASearchKeepsThePollThreadsHeld) {
  Search();
  ShowPage(Form_Main->PageControl_Main, Form_Main->TabSheet_DeviceIO);
  Advance(100);
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
    EXPECT_TRUE(DeviceIOPanel->HoldReasons(n).count(DeviceIO::kHoldSearch)) << "slot " << int{n};
  }
  Advance(1900);
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
    EXPECT_FALSE(DeviceIOPanel->HoldReasons(n).count(DeviceIO::kHoldSearch)) << "slot " << int{n};
  }
}

}  // namespace
