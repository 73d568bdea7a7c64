// The device diagnosis dialog: one MAC ID searched alone, polled once a second
// while the helix turns, then one row per connection kind and the verdict.

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "kestrum/app/debug_device.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "platform/format.h"
#include "list_reads.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using Reasons = std::set<std::string>;
using Lengths = std::array<std::string, 7>;  // Poll in, out; Strobe in; COS in, out; Cyclic in, out

const Lengths kNothing = {"N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A"};

class Diagnosis : public KestrumTest {
 protected:
  void SetUp() override { StartWithListReadsThroughTheTest(); }

  static TForm_DebuggingDevice& Dialog() { return *Form_DebuggingDevice; }

  // Opens the dialog; each step runs in a turn of its modal loop, and OK
  // closes it after the last.
  static void Diagnose(std::vector<std::function<void()>> steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const bool last = i + 1 == steps.size();
      ExpectModal("Form_DebuggingDevice", [step = steps[i], last](TForm&) {
        step();
        if (last) Click(Dialog().BitBtn_OK);
      });
    }
    Click(Form_Main->SpeedButton_DebugDevice);
    EXPECT_FALSE(Dialog().Visible);
  }
  static void StartFor(int mac) {
    Select(Dialog().ComboBox_DeviceID, mac);
    Click(Dialog().SpeedButton_StartDebugging);
  }

  static std::array<TEdit*, 7> Fields() {
    TForm_DebuggingDevice& d = Dialog();
    return {d.Edit_FindingPollInputLen, d.Edit_FindingPollOutputLen, d.Edit_FindingStrobeInputLen,
            d.Edit_FindingCOSInputLen,  d.Edit_FindingCOSOutputLen,  d.Edit_FindingCyclicInputLen,
            d.Edit_FindingCyclicOutputLen};
  }
  // Each field's text, and its colour: a found length on money green, "N/A"
  // on the window's background.
  static void ExpectLengths(const Lengths& expected) {
    const auto fields = Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      EXPECT_EQ(fields[i]->Text, expected[i]) << fields[i]->Name.Get();
      EXPECT_EQ(fields[i]->Color, expected[i] == "N/A" ? clWindow : clMoneyGreen) << fields[i]->Name.Get();
    }
  }
  static void ExpectSearching(bool searching) {
    EXPECT_EQ(Dialog().Searching(), searching);
    EXPECT_EQ(Dialog().SpeedButton_StartDebugging->Enabled, !searching);
    EXPECT_EQ(Dialog().BitBtn_OK->Enabled, !searching);
    EXPECT_EQ(Dialog().Image_DNA->Visible, searching);
    EXPECT_EQ(Dialog().Timer_Wait->Enabled, searching);
  }
};

// ---------------------------------------------------------------- verdicts
struct VerdictCase {
  const char* label;
  int mac;
  std::function<void()> arrange;
  Lengths lengths;
  const char* verdict;
  TColor colour;
};
void PrintTo(const VerdictCase& c, std::ostream* os) { *os << c.label; }

const VerdictCase kVerdicts[] = {
    {"PollAndCOS", 5, [] {}, {"8", "4", "N/A", "2", "2", "2", "2"}, "Device 5 OK!", clGreen},
    {"CyclicOnly", 7,
     [] {
       ConfigureNetwork([](dnsim::NetworkConfig& n) {
         dnsim::SlaveConfig drive;
         drive.mac = 7;
         drive.connections = {{4, 6, 3}};
         n.slaves.push_back(drive);
       });
       ActivateBoard(0);
     },
     {"N/A", "N/A", "N/A", "6", "3", "6", "3"}, "Device 7 OK!", clGreen},
    {"StrobeAndCyclic", 12, [] {}, {"N/A", "N/A", "2", "4", "4", "4", "4"}, "Device 12 OK!", clGreen},
    {"LaterEntryOfTheRowWins", 5, [] { ScriptSearchReads({0, {{5, 3, 1, 1}, {5, 4, 6, 3}}}); },
     {"N/A", "N/A", "N/A", "6", "3", "6", "3"}, "Device 5 OK!", clGreen},
    {"Absent", 9, [] {}, kNothing, "Device 9 NOT exist! (0)", clRed},
    {"ReadFails", 5, [] { dnsim::Sim().InjectFault(dnsim::Op::GetSearchedDevices, 10023, 1); }, kNothing,
     "Device 5 NOT exist! (10023)", clRed},
    // Whatever a failed read left in the lists, the slave did not answer.
    {"ReadFailsAfterWritingEntries", 5, [] { ScriptSearchReads({1204, {{5, 1, 8, 4}}}); }, kNothing,
     "Device 5 NOT exist! (1204)", clRed},
    // No entry past the room of 200 is read: the last Poll entry within it wins.
    {"ACountBeyondTheRoom", 5, [] { ScriptSearchReads({0, FullRoomOf(5), 300}); },
     {"199", "199", "N/A", "N/A", "N/A", "N/A", "N/A"}, "Device 5 OK!", clGreen},
    // A search that could not start leaves the master's list of an earlier
    // search behind: another device's entries are no answer for this one.
    {"TheListHoldsOnlyAnotherDevice", 9,
     [] {
       dnsim::Sim().InjectFault(dnsim::Op::SearchSpecificDevice, 1002, 1);
       ScriptSearchReads({0, {{5, 1, 8, 4}, {5, 3, 2, 2}}});
     },
     kNothing, "Device 9 NOT exist! (0)", clRed},
    {"AnotherDeviceBeforeTheOneSearched", 12, [] { ScriptSearchReads({0, {{5, 1, 8, 4}, {12, 2, 2, 0}}}); },
     {"N/A", "N/A", "2", "N/A", "N/A", "N/A", "N/A"}, "Device 12 OK!", clGreen},
    // A good read that wrote an entry but no count found nothing.
    {"ReadWritesNoCount", 5, [] { ScriptSearchReads({0, {{5, 1, 8, 4}}, kCountUnwritten}); }, kNothing,
     "Device 5 NOT exist! (0)", clRed},
};

class Verdict : public Diagnosis, public ::testing::WithParamInterface<VerdictCase> {};
INSTANTIATE_TEST_SUITE_P(Slaves, Verdict, ::testing::ValuesIn(kVerdicts),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(Verdict, FillsTheRowsOfTheKindsFoundAndNamesTheDevice) {
  const VerdictCase& c = GetParam();
  c.arrange();
  Diagnose({[&] {
    StartFor(c.mac);
    Advance(4000);
    ExpectSearching(false);
    ExpectLengths(c.lengths);
    EXPECT_EQ(Dialog().Panel_Info->Caption, c.verdict);
    EXPECT_EQ(Dialog().Panel_Info->Color, c.colour);
    // The poll threads go on: the diagnosis does not hold them.
    EXPECT_EQ(DeviceIOPanel->HoldReasons(1), Reasons{DeviceIO::kHoldCreated});
  }});

  const auto starts = CallsOf(dnsim::Op::SearchSpecificDevice);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, plat::Format("board=0 number=1 macs=%02X", c.mac));
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_DebugDeviceClick"));
}

// ---------------------------------------------------------------- while the search runs
TEST_F(Diagnosis, PollsOnceASecondAndKeepsTheDialogOpenUntilTheSearchEnds) {
  // The master answers 1055 three times: the verdict comes at the fourth poll.
  Diagnose({[] {
              StartFor(5);
              ExpectSearching(true);
              EXPECT_THAT(CallsOf(dnsim::Op::IsSearchOK), IsEmpty());
              PressEscape(&Dialog());
              PressKeys(&Dialog(), "Return");
              CloseByWindowManager(&Dialog());
            },
            [] {
              EXPECT_TRUE(Dialog().Visible) << "nothing closes the dialog while it searches";
              EXPECT_TRUE(Dialog().IsModal());
              Advance(999);
              EXPECT_THAT(CallsOf(dnsim::Op::IsSearchOK), IsEmpty());
              for (std::size_t poll = 1; poll <= 3; ++poll) {
                Advance(poll == 1 ? 1 : 1000);
                EXPECT_EQ(CallsOf(dnsim::Op::IsSearchOK).size(), poll);
                ExpectSearching(true);
              }
              Advance(999);
              EXPECT_EQ(DebugHelixPhase, 19u) << "a frame every 200 ms";
              ExpectSearching(true);
              EXPECT_EQ(Dialog().Panel_Info->Caption, "");
              Advance(1);

              ExpectSearching(false);
              std::vector<std::int32_t> answers;
              for (const dnsim::CallRecord& r : CallsOf(dnsim::Op::IsSearchOK)) answers.push_back(r.result);
              EXPECT_THAT(answers, ElementsAre(1055, 1055, 1055, 0));
              EXPECT_EQ(Dialog().Panel_Info->Caption, "Device 5 OK!");
              const std::uint32_t phase = DebugHelixPhase;
              Advance(3000);
              EXPECT_EQ(DebugHelixPhase, phase) << "the helix stops with the search";
              EXPECT_EQ(CallsOf(dnsim::Op::IsSearchOK).size(), 4u);
            }});
}

TEST_F(Diagnosis, ReopenedItShowsTheLastVerdictUntilTheNextStartResetsTheRows) {
  Diagnose({[] {
    StartFor(5);
    Advance(4000);
  }});
  const std::uint32_t phase = DebugHelixPhase;

  Diagnose({[] {
    EXPECT_EQ(Dialog().Panel_Info->Caption, "Device 5 OK!");
    ExpectLengths({"8", "4", "N/A", "2", "2", "2", "2"});
    ExpectSearching(false);

    StartFor(9);
    ExpectLengths(kNothing);
    Advance(4000);
    EXPECT_EQ(Dialog().Panel_Info->Caption, "Device 9 NOT exist! (0)");
  }});
  EXPECT_GE(DebugHelixPhase, phase + 19) << "the helix turns on from where it stopped";
}

// The verdict names the device that was searched, not what the list shows now.
TEST_F(Diagnosis, ChangingTheListDuringTheSearchDoesNotRenameTheVerdict) {
  Diagnose({[] {
    StartFor(9);
    Select(Dialog().ComboBox_DeviceID, 5);
    Advance(4000);
    EXPECT_EQ(Dialog().Panel_Info->Caption, "Device 9 NOT exist! (0)");
  }});
}

}  // namespace
