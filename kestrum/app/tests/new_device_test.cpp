// The new-device dialog: a slave with one connection chosen from lists, added
// to the master and the configuration tree, against the simulated master.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "kestrum/app/new_device.h"

namespace {

using namespace vcl;
using namespace kestrum::config_testing;
using dnsim::Op;

class NewDevice : public KestrumTest {};

struct Choice {
  int mac, type, input, output;  // item indexes of the four lists
};

// Opens the dialog from the tool bar; `act` runs inside it and ends it.
void InDialog(const std::function<void(TForm_NewDevice& dialog)>& act) {
  ExpectModal("Form_NewDevice", [act](TForm&) { act(*Form_NewDevice); });
  Click(Form_Main->SpeedButton_NewDevice);
}

void Choose(TForm_NewDevice& d, const Choice& c) {
  Select(d.ComboBox_DeviceID, c.mac);
  Select(d.ComboBox_OutputLen, c.output);  // while it still shows
  Select(d.ComboBox_DeviceType, c.type);
  Select(d.ComboBox_InputLen, c.input);
}

void AddThroughDialog(const Choice& c) {
  InDialog([&](TForm_NewDevice& d) {
    Choose(d, c);
    Click(d.BitBtn_OK);
  });
}

// ---------------------------------------------------------------- OK
struct OkCase {
  const char* label;
  std::vector<dnsim::ScanEntry> master = {};  // the scan list, shown by the tree before
  std::vector<std::pair<Op, std::int32_t>> faults = {};  // the next call of each answers the code
  Choice choice = {};
  const char* box = "";
  unsigned flags = MB_OK | MB_ICONERROR;
  std::vector<std::string> calls = {};
  std::vector<std::string> tree = {};
};
void PrintTo(const OkCase& c, std::ostream* os) { *os << c.label; }

const std::vector<OkCase> kOkCases = {
    {.label = "HighestMacAndLengthsPassUnchanged",
     .choice = {63, 0, 447, 447},
     .box = "Device has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=63 value=2500",
               "AddIOConnection board=0 mac=63 type=1 in=447 out=447 value=200"},
     .tree = {"Device 63 [2]", "  Poll ( Input 447 , Output 447 ) [3]"}},
    {.label = "ConfiguredDeviceGetsTheConnectionUnderItsNode",
     .master = {{5, 1, 8, 4}},
     .choice = {5, 2, 2, 2},
     .box = "Device has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=3 in=2 out=2 value=200"},
     .tree = {"Device 5 [2]", "  Poll ( Input 8 , Output 4 ) [3]", "  COS ( Input 2 , Output 2 ) [5]"}},
    {.label = "DeviceRefusedButConnectionAddedMakesTheNodeThen",
     .faults = {{Op::AddDevice, 1002}, {Op::AddIOConnection, 0}},
     .choice = {9, 3, 4, 4},
     .box = "Device has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=9 value=2500", "AddIOConnection board=0 mac=9 type=4 in=4 out=4 value=200"},
     .tree = {"Device 9 [2]", "  Cyclic ( Input 4 , Output 4 ) [6]"}},
    {.label = "BothRefusedAddsNoNode",
     .faults = {{Op::AddDevice, 1002}, {Op::AddIOConnection, 1201}},
     .choice = {9, 0, 1, 1},
     .box = "There are some errors.(Code: 1201)",
     .calls = {"AddDevice board=0 mac=9 value=2500", "AddIOConnection board=0 mac=9 type=1 in=1 out=1 value=200"}},
    {.label = "ConnectionPresentIsAGeneralError",
     .master = {{5, 2, 1, 0}},
     .choice = {5, 1, 1, 0},
     .box = "There are some errors.(Code: 1106)",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=2 in=1 out=0 value=200"},
     .tree = {"Device 5 [2]", "  Strobe ( Input 1 ) [4]"}},
    {.label = "ConnectionErrorKeepsTheNewDeviceNode",
     .faults = {{Op::AddIOConnection, 10023}},
     .choice = {7, 0, 1, 1},
     .box = "There are some errors.(Code: 10023)",
     .calls = {"AddDevice board=0 mac=7 value=2500", "AddIOConnection board=0 mac=7 type=1 in=1 out=1 value=200"},
     .tree = {"Device 7 [2]"}},
};

class NewDeviceOk : public NewDevice, public ::testing::WithParamInterface<OkCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, NewDeviceOk, ::testing::ValuesIn(kOkCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(NewDeviceOk, TheConnectionsResultDecidesTheMessageAndTheNodes) {
  const OkCase& c = GetParam();
  StartWithScanList(c.master);
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  for (const auto& [op, code] : c.faults) dnsim::Sim().InjectFault(op, code, 1);
  ExpectBox(c.box).Caption("Kestrum").Flags(c.flags).Owner("Form_NewDevice");
  AddThroughDialog(c.choice);

  EXPECT_EQ(ScanListCalls(), c.calls);
  EXPECT_EQ(TreeLines(Form_Main->TreeView_CurrentConfig), c.tree);
  EXPECT_EQ(DeviceIOPanel->ShowDeviceLog(), AllSlotsHidden());
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_NewDeviceClick")) << "OK sends no trace";
  EXPECT_FALSE(Form_NewDevice->Visible);
}

// ---------------------------------------------------------------- the lists
TEST_F(NewDevice, StrobeHidesTheOutputLengthWhichOkStillReads) {
  StartWithScanList({});
  InDialog([](TForm_NewDevice& d) {
    EXPECT_TRUE(d.Label4->Visible);
    EXPECT_TRUE(d.ComboBox_OutputLen->Visible);
    Select(d.ComboBox_OutputLen, 7);
    for (int type : {1, 2, 3, 1}) {
      Select(d.ComboBox_DeviceType, type);
      const bool shown = type != 1;
      EXPECT_EQ(d.Label4->Visible, shown) << type;
      EXPECT_EQ(d.ComboBox_OutputLen->Visible, shown) << type;
    }
    Select(d.ComboBox_DeviceID, 12);
    Select(d.ComboBox_InputLen, 2);
    ExpectBox("Device has been added successfully.");
    Click(d.BitBtn_OK);
  });
  EXPECT_THAT(ScanListCalls(), Contains("AddIOConnection board=0 mac=12 type=2 in=2 out=7 value=200"));
  EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig), ElementsAre("Device 12 [2]", "  Strobe ( Input 2 ) [4]"));
}

TEST_F(NewDevice, CancelCallsNothingAndTheChoicesStayForTheNextOpening) {
  StartWithScanList({});
  InDialog([](TForm_NewDevice& d) {
    Choose(d, {12, 1, 4, 6});
    Click(d.BitBtn_Cancel);
  });
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(TreeLines(Form_Main->TreeView_CurrentConfig), IsEmpty());
  EXPECT_THAT(DeviceIOPanel->ShowDeviceLog(), IsEmpty());

  InDialog([](TForm_NewDevice& d) {
    EXPECT_EQ(d.ComboBox_DeviceID->ItemIndex, 12);
    EXPECT_EQ(d.ComboBox_DeviceType->Text, "Strobe");
    EXPECT_EQ(d.ComboBox_InputLen->ItemIndex, 4);
    EXPECT_EQ(d.ComboBox_OutputLen->ItemIndex, 6);
    EXPECT_FALSE(d.ComboBox_OutputLen->Visible);
    EXPECT_FALSE(d.Label4->Visible);
    Click(d.BitBtn_Cancel);
  });
  EXPECT_THAT(ScanListCalls(), IsEmpty());
}

// ---------------------------------------------------------------- the dialog as created
TEST_F(NewDevice, TheDialogStartsWithTheFirstItemOfEveryListChosen) {
  StartKestrum(driver::kKindMerrow);
  TForm_NewDevice& d = *Form_NewDevice;
  EXPECT_EQ(d.Caption, "New Device Configuration");
  EXPECT_EQ(d.Width, 301);
  EXPECT_EQ(d.Height, 208);
  EXPECT_EQ(d.BorderIcons, TBorderIcons(biMinimize) | biMaximize) << "no system menu, so no close box";

  auto numbers = [](int last) {
    std::vector<std::string> items;
    for (int n = 0; n <= last; ++n) items.push_back(std::to_string(n));
    return items;
  };
  const struct {
    TLabel* label;
    const char* caption;
    TComboBox* list;
    std::vector<std::string> items;
  } rows[] = {
      {d.Label1, "New Device MAC ID", d.ComboBox_DeviceID, numbers(63)},
      {d.Label2, "New Device  I/O Type", d.ComboBox_DeviceType, {"Poll", "Strobe", "COS", "Cyclic"}},
      {d.Label3, "New Device Input Length (Byte)", d.ComboBox_InputLen, numbers(447)},
      {d.Label4, "New Device Output Length (Byte)", d.ComboBox_OutputLen, numbers(447)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.list->Name));
    EXPECT_EQ(r.label->Caption, r.caption);
    EXPECT_EQ(r.list->Style, csDropDownList) << "chosen, never typed";
    EXPECT_EQ(r.list->Items->Items(), r.items);
    EXPECT_EQ(r.list->ItemIndex, 0);
    EXPECT_TRUE(r.list->Visible);
    EXPECT_TRUE(r.label->Visible);
  }
  EXPECT_EQ(d.BitBtn_OK->Kind, bkOK);
  EXPECT_EQ(d.BitBtn_Cancel->Kind, bkCancel);
}

// ---------------------------------------------------------------- without a board
TEST_F(NewDevice, TheToolBarButtonRefusesWithoutABoard) {
  StartKestrum(driver::kKindMerrow);
  ClearTraces();
  ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main");
  Click(Form_Main->SpeedButton_NewDevice);  // an unexpected dialog would fail the test
  EXPECT_THAT(TraceTexts(), IsEmpty());
}

TEST_F(NewDevice, OkRefusesWhenTheBoardWentAwayMeanwhile) {
  StartWithScanList({});
  InDialog([](TForm_NewDevice& d) {
    ActiveBoardNo = driver::kNoActiveBoard;
    ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_NewDevice");
    Click(d.BitBtn_OK);
  });
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(DeviceIOPanel->ShowDeviceLog(), IsEmpty());
  EXPECT_FALSE(Form_NewDevice->Visible);
}

}  // namespace
