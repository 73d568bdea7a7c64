// The configuration page: the tree of the master's scan list, the clicks that
// fill the hidden fields, the add, remove and clear commands, drag and drop
// onto the tree and the trash, against the simulated master.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config_test_support.h"
#include "list_reads.h"
#include "kestrum/app/globals.h"
#include "platform/format.h"

namespace {

using namespace vcl;
using namespace kestrum::config_testing;
using dnsim::Op;
using plat::BoxKind;

class Config : public KestrumTest {};

TTreeView* ConfigTree() { return Form_Main->TreeView_CurrentConfig; }
TTreeView* SearchTree() { return Form_Main->TreeView_AutoScanDevice; }

struct AddFields {
  std::string id, type, input, output;
};
void SetAddFields(const AddFields& f) {
  Form_Main->Edit_AddDeviceID->Text = f.id;
  Form_Main->Edit_AddType->Text = f.type;
  Form_Main->Edit_AddInputLen->Text = f.input;
  Form_Main->Edit_AddOutputLen->Text = f.output;
}
AddFields AddFieldsNow() {
  return {Form_Main->Edit_AddDeviceID->Text, Form_Main->Edit_AddType->Text, Form_Main->Edit_AddInputLen->Text,
          Form_Main->Edit_AddOutputLen->Text};
}

// A tree of what a search found, as the search writes it: device nodes with
// their connections, texts and pictures of the Globals unit.
struct FoundConnection {
  std::uint8_t kind;
  int input, output;
};
TTreeNode* AddFoundDevice(int mac, const std::vector<FoundConnection>& connections) {
  TTreeNode* device = SearchTree()->Items->Add(nullptr, kestrum::DeviceNodeText(mac));
  device->ImageIndex = kestrum::kDeviceNodeImage;
  device->SelectedIndex = kestrum::kDeviceNodeImage;
  device->StateIndex = -1;
  for (const FoundConnection& c : connections) {
    TTreeNode* child = SearchTree()->Items->AddChild(device, kestrum::ConnectionNodeText(c.kind, c.input, c.output));
    child->ImageIndex = kestrum::ConnectionNodeImage(c.kind);
    child->SelectedIndex = kestrum::ConnectionNodeImage(c.kind);
  }
  return device;
}

// The handler as the loop runs it: a conversion error goes to the exception box.
void RunAddCommand() { Fire([] { Form_Main->SpeedButton_AddDeviceClick(Form_Main->SpeedButton_AddDevice); }); }
void RunRemoveCommand() {
  Fire([] { Form_Main->SpeedButton_RemoveDeviceClick(Form_Main->SpeedButton_RemoveDevice); });
}

// ---------------------------------------------------------------- the refresh
TEST_F(Config, RefreshShowsDevicesByFirstEntryAndConnectionsInListOrderSkippingEmptyAndUnusableEntries) {
  StartWithScanList({
      {12, 3, 2, 2},   // COS
      {5, 1, 8, 4},    // Poll
      {7, 0, 0, 0},    // a device without a connection: no node at all
      {12, 2, 1, 0},   // Strobe, spread over the list
      {70, 1, 1, 1},   // a MAC ID no slave can have
      {3, 9, 1, 1},    // a kind the program does not know
      {5, 4, 4, 4},    // Cyclic
  });
  SearchTree()->Items->Add(nullptr, "Device 99");  // the other tree is left alone
  EXPECT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  EXPECT_THAT(TreeLines(ConfigTree()),
              ElementsAre("Device 12 [2]", "  COS ( Input 2 , Output 2 ) [5]", "  Strobe ( Input 1 ) [4]",
                          "Device 5 [2]", "  Poll ( Input 8 , Output 4 ) [3]", "  Cyclic ( Input 4 , Output 4 ) [6]"));
  EXPECT_THAT(ScanListCalls(), ElementsAre("GetScanList board=0"));

  // A second refresh starts from an empty tree.
  EXPECT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  EXPECT_EQ(ConfigTree()->Items->Count, 6);
  EXPECT_EQ(SearchTree()->Items->Count, 1);
}

TEST_F(Config, ARefreshWhoseReadFailsLeavesTheTreeEmptyAndAnswersTheCode) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  dnsim::Sim().InjectFault(Op::GetScanList, 1002, 1);
  EXPECT_EQ(Form_Main->RefreshCurrentConfig(), 1002);
  EXPECT_THAT(TreeLines(ConfigTree()), IsEmpty());
}

// What the driver says it wrote is clamped to the lists' room, and a read
// that writes no count found nothing.
TEST_F(Config, ARefreshReadsNoEntryBeyondTheListsRoomAndNoneWithoutACount) {
  StartWithListReadsThroughTheTest();
  ScriptScanListReads({0, FullRoomOf(5), 300});
  EXPECT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  EXPECT_EQ(TreeTexts(ConfigTree()), FullRoomTexts(5));

  ScriptScanListReads({0, {{5, 1, 8, 4}, {12, 3, 2, 2}}, kCountUnwritten});
  EXPECT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  EXPECT_THAT(TreeTexts(ConfigTree()), IsEmpty());
}

// ---------------------------------------------------------------- the add command
struct AddCase {
  const char* label;
  AddFields fields = {};
  std::vector<dnsim::ScanEntry> master = {};  // the scan list before
  bool tree_shows_master = true;         // refreshed before the command
  std::vector<std::pair<Op, std::int32_t>> faults = {};  // the next call of each answers the code
  bool board_active = true;
  const char* box = "";
  unsigned flags = MB_OK | MB_ICONERROR;
  BoxKind box_kind = BoxKind::MessageBox;
  std::vector<std::string> calls = {};
  std::vector<std::string> tree = {};
  bool slots_hidden = false;
  bool traced = true;
};
void PrintTo(const AddCase& c, std::ostream* os) { *os << c.label; }

const std::vector<AddCase> kAddCases = {
    {.label = "NoBoard",
     .fields = {"5", "Poll", "8", "4"},
     .board_active = false,
     .box = "Please Active Board First",
     .traced = false},
    {.label = "NoDevice",
     .fields = {"", "Poll", "8", "4"},
     .box = "Please select the device in the left side.",
     .traced = false},
    {.label = "NoType",
     .fields = {"5", "", "", ""},
     .box = "Please select the I/O type of the device in the left side.",
     .traced = false},
    {.label = "NewDevice",
     .fields = {"5", "Poll", "8", "4"},
     .box = "Device 5 has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=1 in=8 out=4 value=200"},
     .tree = {"Device 5 [2]", "  Poll ( Input 8 , Output 4 ) [3]"},
     .slots_hidden = true},
    {.label = "StrobeShowsItsInputOnly",
     .fields = {"50", "Strobe", "1", "0"},
     .box = "Device 50 has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=50 value=2500", "AddIOConnection board=0 mac=50 type=2 in=1 out=0 value=200"},
     .tree = {"Device 50 [2]", "  Strobe ( Input 1 ) [4]"},
     .slots_hidden = true},
    {.label = "ConfiguredDeviceWithItsNode",
     .fields = {"5", "COS", "2", "2"},
     .master = {{3, 4, 1, 1}, {5, 1, 8, 4}},
     .box = "Device 5 has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=3 in=2 out=2 value=200"},
     .tree = {"Device 3 [2]", "  Cyclic ( Input 1 , Output 1 ) [6]", "Device 5 [2]", "  Poll ( Input 8 , Output 4 ) [3]",
              "  COS ( Input 2 , Output 2 ) [5]"},
     .slots_hidden = true},
    {.label = "ConfiguredDeviceWithoutNode",
     .fields = {"5", "Cyclic", "4", "4"},
     .master = {{5, 1, 8, 4}},
     .tree_shows_master = false,
     .box = "Device 5 has been added successfully.",
     .flags = MB_OK | MB_ICONINFORMATION,
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=4 in=4 out=4 value=200"},
     .tree = {"Device 5 [2]", "  Cyclic ( Input 4 , Output 4 ) [6]"},
     .slots_hidden = true},
    {.label = "DeviceError",
     .fields = {"5", "Poll", "8", "4"},
     .faults = {{Op::AddDevice, 1002}},
     .box = "There are some errors when adding device to EEPROM!(Code:1002)",
     .calls = {"AddDevice board=0 mac=5 value=2500"}},
    {.label = "PollPresent",
     .fields = {"5", "Poll", "8", "4"},
     .master = {{5, 1, 8, 4}},
     .box = "Poll connection already exists in the EEPROM.",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=1 in=8 out=4 value=200"},
     .tree = {"Device 5 [2]", "  Poll ( Input 8 , Output 4 ) [3]"}},
    {.label = "StrobePresent",
     .fields = {"5", "Strobe", "1", "0"},
     .master = {{5, 2, 1, 0}},
     .box = "Strobe connection already exists in the EEPROM.",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=2 in=1 out=0 value=200"},
     .tree = {"Device 5 [2]", "  Strobe ( Input 1 ) [4]"}},
    {.label = "COSPresent",
     .fields = {"5", "COS", "2", "2"},
     .master = {{5, 3, 2, 2}},
     .box = "COS connection already exists in the EEPROM.",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=3 in=2 out=2 value=200"},
     .tree = {"Device 5 [2]", "  COS ( Input 2 , Output 2 ) [5]"}},
    {.label = "CyclicPresent",
     .fields = {"5", "Cyclic", "4", "4"},
     .master = {{5, 4, 4, 4}},
     .box = "Cyclic connection already exists in the EEPROM.",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=4 in=4 out=4 value=200"},
     .tree = {"Device 5 [2]", "  Cyclic ( Input 4 , Output 4 ) [6]"}},
    {.label = "AnotherKindsPresentCodeIsAnError",
     .fields = {"5", "Poll", "8", "4"},
     .faults = {{Op::AddIOConnection, 1106}},
     .box = "There are some errors when configuring I/O connection.(Code: 1106)",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=1 in=8 out=4 value=200"},
     .tree = {"Device 5 [2]"},
     .slots_hidden = true},
    {.label = "ConnectionError",
     .fields = {"5", "Poll", "8", "4"},
     .faults = {{Op::AddIOConnection, 1002}},
     .box = "There are some errors when configuring I/O connection.(Code: 1002)",
     .calls = {"AddDevice board=0 mac=5 value=2500", "AddIOConnection board=0 mac=5 type=1 in=8 out=4 value=200"},
     .tree = {"Device 5 [2]"},  // the device node made before stays
     .slots_hidden = true},
    {.label = "BadLengthText",
     .fields = {"5", "Poll", "8x", "4"},
     .box = "'8x' is not a valid integer value.",
     .box_kind = BoxKind::Exception},
};

class AddCommand : public Config, public ::testing::WithParamInterface<AddCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, AddCommand, ::testing::ValuesIn(kAddCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(AddCommand, ReportsAndChangesExactlyWhatTheMasterAnswered) {
  const AddCase& c = GetParam();
  StartWithScanList(c.master);
  if (c.tree_shows_master) {
    ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  }
  ClearCallLog();
  for (const auto& [op, code] : c.faults) dnsim::Sim().InjectFault(op, code, 1);
  if (!c.board_active) ActiveBoardNo = driver::kNoActiveBoard;
  SetAddFields(c.fields);

  if (c.box_kind == BoxKind::Exception) {
    ExpectBox(c.box).Kind(BoxKind::Exception);
  } else {
    ExpectBox(c.box).Caption("Kestrum").Flags(c.flags).Owner("Form_Main");
  }
  RunAddCommand();

  EXPECT_EQ(ScanListCalls(), c.calls);
  EXPECT_EQ(TreeLines(ConfigTree()), c.tree);
  EXPECT_EQ(DeviceIOPanel->ShowDeviceLog(), c.slots_hidden ? AllSlotsHidden() : decltype(AllSlotsHidden()){});
  if (c.traced) {
    EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "SpeedButton_AddDeviceClick"}));
  } else {
    EXPECT_THAT(TraceLines(), IsEmpty());
  }
  EXPECT_EQ(AddFieldsNow().id, c.fields.id) << "the fields keep their values";
}

// ---------------------------------------------------------------- the clicks
struct ClickCase {
  const char* node;  // the node's text in the search tree
  AddFields fields;
};

TEST_F(Config, AClickOnTheSearchTreeFillsTheAddFieldsFromTheNodeTexts) {
  StartWithScanList({});
  AddFoundDevice(5, {{kestrum::kPoll, 8, 4}});
  AddFoundDevice(50, {{kestrum::kStrobe, 1, 0}, {kestrum::kCOS, 2, 3}});
  AddFoundDevice(63, {{kestrum::kCyclic, 447, 447}});
  const ClickCase cases[] = {
      {"Poll ( Input 8 , Output 4 )", {"5", "Poll", "8", "4"}},
      {"Device 63", {"63", "", "", ""}},  // a device node chooses no connection
      {"Strobe ( Input 1 )", {"50", "Strobe", "1", "0"}},
      {"COS ( Input 2 , Output 3 )", {"50", "COS", "2", "3"}},
      {"Cyclic ( Input 447 , Output 447 )", {"63", "Cyclic", "447", "447"}},
      {"Device 5", {"5", "", "", ""}},
  };
  for (const ClickCase& c : cases) {
    TTreeNode* node = nullptr;
    for (int i = 0; i < SearchTree()->Items->Count && !node; ++i) {
      if (SearchTree()->Items->GetNodeFromIndex(i)->Text == c.node) node = SearchTree()->Items->GetNodeFromIndex(i);
    }
    ASSERT_NE(node, nullptr) << c.node;
    ClickNode(SearchTree(), node);
    const AddFields now = AddFieldsNow();
    EXPECT_EQ(now.id, c.fields.id) << c.node;
    EXPECT_EQ(now.type, c.fields.type) << c.node;
    EXPECT_EQ(now.input, c.fields.input) << c.node;
    EXPECT_EQ(now.output, c.fields.output) << c.node;
  }
  EXPECT_EQ(TraceTexts(), std::vector<std::string>(std::size(cases), "TreeView_AutoScanDeviceClick"));
  EXPECT_THAT(ScanListCalls(), IsEmpty());

  // With nothing selected the fields stay as they are.
  SearchTree()->Selected = nullptr;
  Fire([] { Form_Main->TreeView_AutoScanDeviceClick(SearchTree()); });
  EXPECT_EQ(AddFieldsNow().id, "5");
}

TEST_F(Config, AClickOnTheConfigurationTreeChoosesTheWholeDevice) {
  StartWithScanList({{5, 1, 8, 4}, {12, 3, 2, 2}, {12, 2, 1, 0}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  const struct {
    int index;  // in the tree's index order
    const char* id;
  } cases[] = {{4, "12"}, {0, "5"}, {3, "12"}, {1, "5"}, {2, "12"}};
  for (const auto& c : cases) {
    ClickNode(ConfigTree(), ConfigTree()->Items->GetNodeFromIndex(c.index));
    EXPECT_EQ(Form_Main->Edit_DeleteDeviceID->Text, c.id) << c.index;
  }
  EXPECT_EQ(TraceTexts(), std::vector<std::string>(std::size(cases), "TreeView_CurrentConfigClick"));

  ConfigTree()->Selected = nullptr;
  Fire([] { Form_Main->TreeView_CurrentConfigClick(ConfigTree()); });
  EXPECT_EQ(Form_Main->Edit_DeleteDeviceID->Text, "12");
}

TEST_F(Config, TheConfigurationTreesLabelsCannotBeEditedInPlace) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  TTreeNode* device = ConfigTree()->Items->GetNodeFromIndex(0);
  EXPECT_NE(vcl::person::EditLabel(ConfigTree(), device, "Device 9"), "");
  EXPECT_EQ(device->Text, "Device 5");
}

// ---------------------------------------------------------------- node texts
TEST_F(Config, NodeTextsParseBackToWhatTheyWereMadeOf) {
  struct Case {
    int mac;
    std::uint8_t kind;
    int input, output;
  } cases[] = {
      {0, kestrum::kPoll, 0, 0},       {5, kestrum::kStrobe, 1, 9},       {9, kestrum::kCOS, 447, 447},
      {10, kestrum::kCyclic, 8, 4},    {50, kestrum::kPoll, 65535, 1},    {63, kestrum::kStrobe, 447, 0},
      {63, kestrum::kCyclic, 447, 447},
  };
  for (const Case& c : cases) {
    std::uint8_t mac = 99, kind = 99;
    std::uint16_t input = 99, output = 99;
    const std::string device = kestrum::DeviceNodeText(c.mac);
    const std::string connection = kestrum::ConnectionNodeText(c.kind, c.input, c.output);
    EXPECT_EQ(kestrum::ParseDeviceNodeText(device, connection, mac, kind, input, output), 0) << connection;
    EXPECT_EQ(mac, c.mac) << device;
    EXPECT_EQ(kind, c.kind) << connection;
    EXPECT_EQ(input, c.input) << connection;
    EXPECT_EQ(output, c.kind == kestrum::kStrobe ? 0 : c.output) << connection << ": Strobe shows no output";
  }
}

TEST_F(Config, EveryConnectionDraggedAcrossShowsOnTheConfigurationTreeWithTheSameText) {
  StartWithScanList({});
  AddFoundDevice(3, {{kestrum::kPoll, 8, 4}, {kestrum::kStrobe, 2, 0}});
  AddFoundDevice(42, {{kestrum::kCOS, 447, 1}, {kestrum::kCyclic, 0, 12}});
  std::vector<std::string> dragged;
  for (int i = 0; i < SearchTree()->Items->Count; ++i) {
    TTreeNode* node = SearchTree()->Items->GetNodeFromIndex(i);
    if (!node->Parent) continue;
    ExpectBox(plat::Format("Device %d has been added successfully.", node->Parent->Text == "Device 3" ? 3 : 42));
    Drag(SearchTree(), node, ConfigTree());
  }
  EXPECT_EQ(TreeLines(ConfigTree()), TreeLines(SearchTree()));
}

// ---------------------------------------------------------------- remove
TEST_F(Config, RemoveTakesTheWholeDeviceOfTheClickedConnectionAndRereadsTheTree) {
  StartWithScanList({{5, 1, 8, 4}, {12, 3, 2, 2}, {5, 2, 1, 0}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  ClickNode(ConfigTree(), ConfigTree()->Items->GetNodeFromIndex(2));  // Device 5's Strobe
  Drag(ConfigTree(), ConfigTree()->Items->GetNodeFromIndex(2), Form_Main->Image_Del);

  EXPECT_THAT(ScanListCalls(), ElementsAre("RemoveDevice board=0 mac=5", "GetScanList board=0"));
  EXPECT_THAT(TreeLines(ConfigTree()), ElementsAre("Device 12 [2]", "  COS ( Input 2 , Output 2 ) [5]"));
  EXPECT_EQ(DeviceIOPanel->ShowDeviceLog(), AllSlotsHidden());
  EXPECT_THAT(TraceTexts(), Contains("SpeedButton_RemoveDeviceClick"));
  EXPECT_EQ(Form_Main->Image_Del->Picture->ResourceName(), "REC_EMPTY");
}

TEST_F(Config, RemoveWhoseRereadFailsSaysSoLeavesTheTreeEmptyAndStillHidesTheSlots) {
  StartWithScanList({{5, 1, 8, 4}, {12, 3, 2, 2}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  Form_Main->Edit_DeleteDeviceID->Text = "12";
  dnsim::Sim().InjectFault(Op::GetScanList, 10023, 1);
  ExpectBox("Error!! Can not read data from the EEPROM.").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  RunRemoveCommand();
  EXPECT_THAT(TreeLines(ConfigTree()), IsEmpty());
  EXPECT_EQ(DeviceIOPanel->ShowDeviceLog(), AllSlotsHidden());
  EXPECT_EQ(dnsim::Sim().ScanList().size(), 1u);
}

TEST_F(Config, RemoveRefusesWithoutABoardOrAChosenDevice) {
  const struct {
    bool board;
    const char* id;
    const char* box;
  } cases[] = {{false, "5", "Please Active Board First"}, {true, "", "Please select the device in the right side."}};
  StartWithScanList({{5, 1, 8, 4}});
  for (const auto& c : cases) {
    ActiveBoardNo = c.board ? 0 : driver::kNoActiveBoard;
    Form_Main->Edit_DeleteDeviceID->Text = c.id;
    ExpectBox(c.box).Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
    RunRemoveCommand();
  }
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(TraceTexts(), IsEmpty());
  EXPECT_THAT(DeviceIOPanel->ShowDeviceLog(), IsEmpty());
}

// ---------------------------------------------------------------- clear
constexpr const char* kClearQuestion = "This will clear all information in EEPROM. \nDo you really do it?";
constexpr unsigned kQuestionFlags = MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST;

TEST_F(Config, ClearAnsweredNoCallsNothing) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  ExpectBox(kClearQuestion).Caption("Kestrum").Flags(kQuestionFlags).Answer(IDNO);
  Click(Form_Main->SpeedButton_ClearEEPROM);
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_EQ(ConfigTree()->Items->Count, 2);
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_ClearEEPROMClick"));
}

TEST_F(Config, ClearAnsweredYesEmptiesMasterAndTreeButLeavesTheSlots) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  ExpectBox(kClearQuestion).Caption("Kestrum").Flags(kQuestionFlags).Answer(IDYES);
  ExpectBox("All information in EEPROM have been cleared.").Caption("Kestrum").Flags(MB_OK | MB_ICONINFORMATION);
  Click(Form_Main->SpeedButton_ClearEEPROM);
  EXPECT_THAT(ScanListCalls(), ElementsAre("ClearAllConfig board=0"));
  EXPECT_THAT(dnsim::Sim().ScanList(), IsEmpty());
  EXPECT_THAT(TreeLines(ConfigTree()), IsEmpty());
  EXPECT_THAT(DeviceIOPanel->ShowDeviceLog(), IsEmpty());
}

TEST_F(Config, AClearTheMasterRefusesIsReportedWithItsCodeAndTheTreeShowsWhatIsLeft) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  ClearCallLog();
  dnsim::Sim().InjectFault(Op::ClearAllConfig, 1002, 1);
  ExpectBox(kClearQuestion).Answer(IDYES);
  ExpectBox("There are some errors when clearing the EEPROM.(Code: 1002)").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Click(Form_Main->SpeedButton_ClearEEPROM);
  EXPECT_THAT(ScanListCalls(), ElementsAre("ClearAllConfig board=0", "GetScanList board=0"));
  EXPECT_THAT(TreeLines(ConfigTree()), ElementsAre("Device 5 [2]", "  Poll ( Input 8 , Output 4 ) [3]"));
}

TEST_F(Config, ClearRefusesWithoutABoardBeforeAsking) {
  StartKestrum(driver::kKindMerrow);
  ClearTraces();  // the first show shows the page
  ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Click(Form_Main->SpeedButton_ClearEEPROM);
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(TraceTexts(), IsEmpty());
}

// ---------------------------------------------------------------- drag and drop
TEST_F(Config, DragsAreAcceptedOnlyFromTheOtherTreeAndOnTheTrashOnlyWithAChosenDevice) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  enum Target { kTree, kTrash };
  const struct {
    const char* label;
    Target target;
    TComponent* source;
    bool selected;  // a node of the configuration tree is selected
    bool accepted;
  } cases[] = {
      {"tree from itself", kTree, ConfigTree(), true, false},
      {"tree from the search tree", kTree, SearchTree(), true, true},
      {"tree from the search tree, nothing selected", kTree, SearchTree(), false, true},
      {"trash from the tree", kTrash, ConfigTree(), true, true},
      {"trash from the tree, nothing selected", kTrash, ConfigTree(), false, false},
      {"trash from the search tree", kTrash, SearchTree(), true, false},
  };
  for (const auto& c : cases) {
    ConfigTree()->Selected = c.selected ? ConfigTree()->Items->GetNodeFromIndex(1) : nullptr;
    bool accept = !c.accepted;
    if (c.target == kTree) {
      Form_Main->TreeView_CurrentConfigDragOver(ConfigTree(), c.source, 1, 1, dsDragMove, accept);
    } else {
      Form_Main->Image_DelDragOver(Form_Main->Image_Del, c.source, 1, 1, dsDragMove, accept);
    }
    EXPECT_EQ(accept, c.accepted) << c.label;
  }
}

TEST_F(Config, TheTrashShowsAnItemOnlyWhileAnAcceptedDragIsOverIt) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  AddFoundDevice(3, {{kestrum::kPoll, 1, 1}});
  TImage* trash = Form_Main->Image_Del;
  auto picture = [trash] { return trash->Picture->ResourceName(); };

  ClickNode(ConfigTree(), ConfigTree()->Items->GetNodeFromIndex(0));
  ASSERT_EQ(vcl::person::BeginDrag(ConfigTree()), "");
  ASSERT_EQ(vcl::person::DragOver(trash, 5, 5), "");
  EXPECT_EQ(picture(), "REC_ITEM");
  ASSERT_EQ(vcl::person::DragOver(trash, 6, 6), "");
  EXPECT_EQ(picture(), "REC_ITEM");
  ASSERT_EQ(vcl::person::DragOver(nullptr, 0, 0), "");  // left it
  EXPECT_EQ(picture(), "REC_EMPTY");
  vcl::person::CancelDrag();

  ClickNode(SearchTree(), SearchTree()->Items->GetNodeFromIndex(1));
  ASSERT_EQ(vcl::person::BeginDrag(SearchTree()), "");
  ASSERT_EQ(vcl::person::DragOver(trash, 5, 5), "");
  EXPECT_EQ(picture(), "REC_EMPTY") << "a refused drag changes nothing";
  ASSERT_EQ(vcl::person::Drop(5, 5), "");
  EXPECT_EQ(picture(), "REC_EMPTY");
  EXPECT_THAT(ScanListCalls(), Not(Contains("RemoveDevice board=0 mac=5")));
}

TEST_F(Config, RefusedDropsCallNothing) {
  StartWithScanList({{5, 1, 8, 4}});
  ASSERT_EQ(Form_Main->RefreshCurrentConfig(), 0);
  AddFoundDevice(3, {{kestrum::kPoll, 1, 1}});
  ClearCallLog();
  Drag(ConfigTree(), ConfigTree()->Items->GetNodeFromIndex(1), ConfigTree());
  Drag(SearchTree(), SearchTree()->Items->GetNodeFromIndex(1), Form_Main->Image_Del);
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(TraceTexts(), Not(Contains("DragDrop")));
  EXPECT_EQ(ConfigTree()->Items->Count, 2);
}

TEST_F(Config, ADropWithoutASourceIsTracedAndDoesNothing) {
  StartWithScanList({{5, 1, 8, 4}});
  SetAddFields({"5", "COS", "1", "1"});
  Form_Main->Edit_DeleteDeviceID->Text = "5";
  Fire([] { Form_Main->TreeView_CurrentConfigDragDrop(ConfigTree(), nullptr, 1, 1); });
  Fire([] { Form_Main->Image_DelDragDrop(Form_Main->Image_Del, nullptr, 1, 1); });
  EXPECT_THAT(TraceTexts(), ElementsAre("DragDrop", "Source is NULL"));
  EXPECT_THAT(ScanListCalls(), IsEmpty());

  // Drop traces carry their own ID.
  SetTraceIdEnabled(kestrum::kDragDropMsgId, false);
  ClearTraces();
  Fire([] { Form_Main->TreeView_CurrentConfigDragDrop(ConfigTree(), nullptr, 1, 1); });
  EXPECT_THAT(TraceTexts(), IsEmpty());
}

TEST_F(Config, ADropBeforeAnyChoiceOrOfADeviceNodeIsRefusedByTheAddCommand) {
  StartWithScanList({});
  AddFoundDevice(3, {{kestrum::kPoll, 1, 1}});
  ExpectBox("Please select the device in the left side.").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Fire([] { Form_Main->TreeView_CurrentConfigDragDrop(ConfigTree(), SearchTree(), 1, 1); });
  ExpectBox("Please select the I/O type of the device in the left side.").Caption("Kestrum");
  Drag(SearchTree(), SearchTree()->Items->GetNodeFromIndex(0), ConfigTree());
  EXPECT_THAT(ScanListCalls(), IsEmpty());
  EXPECT_THAT(TraceTexts(), ElementsAre("DragDrop", "TreeView_AutoScanDeviceClick", "DragDrop"));
}

TEST_F(Config, DraggingANodeThatWasNeverClickedAddsThatNodeNotTheLastClickedOne) {
  StartWithScanList({});
  AddFoundDevice(3, {{kestrum::kPoll, 8, 4}});
  AddFoundDevice(20, {{kestrum::kCOS, 2, 2}});
  ClickNode(SearchTree(), SearchTree()->Items->GetNodeFromIndex(1));  // Device 3's Poll
  ExpectBox("Device 20 has been added successfully.");
  Drag(SearchTree(), SearchTree()->Items->GetNodeFromIndex(3), ConfigTree());  // Device 20's COS
  EXPECT_THAT(ScanListCalls(), ElementsAre("AddDevice board=0 mac=20 value=2500",
                                           "AddIOConnection board=0 mac=20 type=3 in=2 out=2 value=200"));
}

// ---------------------------------------------------------------- the page and the remove button
TEST_F(Config, ShowingThePageEnablesTheEEPROMButtons) {
  StartKestrum(driver::kKindMerrow);
  ClearTraces();  // the first show shows the page
  for (TSpeedButton* b : {Form_Main->SpeedButton_ClearEEPROM, Form_Main->SpeedButton_ExportEEPROM,
                          Form_Main->SpeedButton_ImportEEPROM}) {
    b->Enabled = false;
  }
  Fire([] { Form_Main->TabSheet_ConfigurationShow(Form_Main->TabSheet_Configuration); });
  EXPECT_TRUE(Form_Main->SpeedButton_ClearEEPROM->Enabled);
  EXPECT_TRUE(Form_Main->SpeedButton_ExportEEPROM->Enabled);
  EXPECT_TRUE(Form_Main->SpeedButton_ImportEEPROM->Enabled);
  EXPECT_THAT(TraceTexts(), ElementsAre("TabSheet_ConfigurationShow"));
}

TEST_F(Config, TheRemoveButtonsMouseMoveIsTracedWhateverTheFilter) {
  StartKestrum(driver::kKindMerrow);
  ClearTraces();  // the first show shows the page
  for (kestrum::DebugMsgId id = 1000; id <= 1003; ++id) SetTraceIdEnabled(id, false);
  Fire([] { Form_Main->SpeedButton_RemoveDeviceMouseMove(Form_Main->SpeedButton_RemoveDevice, {}, 1, 1); });
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "Mouse Move"}));
}

}  // namespace
