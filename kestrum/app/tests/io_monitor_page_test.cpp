// The I/O monitor page: the fill from the configuration tree, the selection
// with its frame, bus lines and panel, and the start, stop and output commands.

#include <gtest/gtest.h>

#include "io_monitor_support.h"
#include "platform/format.h"

namespace plat {
// Points read as (x, y) in the test's messages.
void PrintTo(const TPoint& p, std::ostream* os) { *os << '(' << p.X << ", " << p.Y << ')'; }
}  // namespace plat

namespace {

using namespace vcl;
using namespace kestrum::testing;
using plat::BoxKind;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

std::vector<int> Range(int first, int last) {
  std::vector<int> v;
  for (int n = first; n <= last; ++n) v.push_back(n);
  return v;
}

// ---------------------------------------------------------------- the fill
struct FillCase {
  const char* name;
  int devices;      // MAC IDs 1, 2, ...: one Poll connection each (Input = MAC, Output = MAC + 1)
  int lone;         // then this many device nodes without a connection
  int asked;        // the count the question names; 0: no question
  int answer;
  int first_label;  // the slots then show these MAC IDs in order
  int last_label;
};
void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }

const FillCase kFills[] = {
    {"FiftyNineNodesAreTakenWithoutAQuestion", 29, 1, 0, 0, 1, 30},
    {"SixtyNodesAskAndYesTakesTheFirstSixty", 30, 0, 30, IDYES, 1, 30},
    {"SixtyOneNodesNameThirtyDevices", 30, 1, 30, IDYES, 1, 30},
    {"NoWithSeventyNodesTakesNodesSixtyToSixtyNine", 35, 0, 35, IDNO, 31, 35},
    {"MoreThanThirtyDeviceNodesFillThirtySlots", 0, 40, 0, 0, 1, 30},
};

class PageFill : public IOPage, public ::testing::WithParamInterface<FillCase> {};
INSTANTIATE_TEST_SUITE_P(Trees, PageFill, ::testing::ValuesIn(kFills),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(PageFill, FillsTheSlotsFromTheNodeRange) {
  const FillCase& c = GetParam();
  StartKestrum(1);
  for (int mac = 1; mac <= c.devices; ++mac) AddDevice(mac, {kestrum::PollNodeText(mac, mac + 1)});
  for (int i = 1; i <= c.lone; ++i) AddDevice(c.devices + i);
  if (c.asked) {
    ExpectBox(plat::Format("There are %d devies in the network. The user could operate the Max. 30 devices. \n"
                           "If you would like operate the first 30 devices, press \"Yes\". \n"
                           "If you would like operate the lastest 30 devices, press \"No\"",
                           c.asked))
        .Caption("Kestrum")
        .Owner("Form_Main")
        .Flags(MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST)
        .Answer(c.answer);
  }
  ClearTraces();
  ShowIOPage();

  EXPECT_THAT(ShownLabels(), ElementsAreArray(Range(c.first_label, c.last_label)));
  for (int n = 1; n <= c.last_label - c.first_label + 1; ++n) {
    SCOPED_TRACE(n);
    const int mac = c.first_label + n - 1;
    const kestrum::SlotValues v = Values(n);
    EXPECT_TRUE(Slot(n).Plate->Visible);
    EXPECT_TRUE(Slot(n).LED->Visible);
    EXPECT_TRUE(Slot(n).Image->Visible);
    EXPECT_EQ(v.LabelMAC, mac);
    if (mac <= c.devices) {
      EXPECT_EQ(v.MACID, mac);
      EXPECT_EQ(v.IOType, kestrum::kPoll);
      EXPECT_EQ(v.InputLen, mac);
      EXPECT_EQ(v.OutputLen, mac + 1);
    } else {
      // A device node without a connection: the slot was hidden, its data stay 255.
      EXPECT_EQ(v.MACID, 255);
      EXPECT_EQ(v.IOType, 255);
      EXPECT_EQ(v.InputLen, 255);
      EXPECT_EQ(v.OutputLen, 255);
    }
  }
  EXPECT_THAT(TraceTexts(), Contains("TabSheet_DeviceIOShow"));
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) EXPECT_EQ(DeviceIOPanel->HoldReasons(n), Reasons{});
}

TEST_F(IOPage, ASlotShowsTheFirstConnectionOfItsDeviceOnly) {
  StartKestrum(1);
  AddDevice(5, {kestrum::PollNodeText(8, 4), kestrum::COSNodeText(2, 2)});
  AddDevice(12, {kestrum::StrobeNodeText(2), kestrum::CyclicNodeText(4, 4)});
  ShowIOPage();

  EXPECT_THAT(ShownLabels(), ElementsAre(5, 12));
  const kestrum::SlotValues five = Values(1);
  EXPECT_EQ(five.IOType, kestrum::kPoll);
  EXPECT_EQ(five.InputLen, 8);
  EXPECT_EQ(five.OutputLen, 4);
  const kestrum::SlotValues twelve = Values(2);
  EXPECT_EQ(twelve.MACID, 12);
  EXPECT_EQ(twelve.IOType, kestrum::kStrobe);
  EXPECT_EQ(twelve.InputLen, 2);
  EXPECT_EQ(twelve.OutputLen, 0);
  // The configuration page's commands wait for its own showing.
  EXPECT_FALSE(Form_Main->SpeedButton_ClearEEPROM->Enabled);
  EXPECT_FALSE(Form_Main->SpeedButton_ExportEEPROM->Enabled);
  EXPECT_FALSE(Form_Main->SpeedButton_ImportEEPROM->Enabled);
}

TEST_F(IOPage, AFillThatEndsInAConversionErrorLeavesNoHoldBehind) {
  StartKestrum(1);
  AddDevice(5, {kestrum::PollNodeText(8, 4)});
  Tree()->Add(nullptr, "Device");  // no number where the MAC ID belongs
  DeviceIOPanel->ActivateThread(3, false, DeviceIO::kHoldSearch);
  ExpectBox("'' is not a valid integer value.").Kind(BoxKind::Exception);
  ShowIOPage();

  EXPECT_THAT(ShownLabels(), ElementsAre(5)) << "the fill ended at the bad node";
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
    EXPECT_EQ(DeviceIOPanel->HoldReasons(n), n == 3 ? Reasons{DeviceIO::kHoldSearch} : Reasons{}) << int{n};
  }
}

// ---------------------------------------------------------------- the selection
// The points of the lines drawn on an image since it was last cleared.
std::vector<plat::TPoint> LinePoints(TImage* image) {
  std::vector<plat::TPoint> points;
  for (const plat::CanvasOp& op : image->Canvas->Operations()) {
    if (op.kind == plat::CanvasOp::MoveTo) points.push_back({op.rect.Left, op.rect.Top});
    if (op.kind == plat::CanvasOp::LineTo) points.push_back({op.rect.Right, op.rect.Bottom});
    if (op.kind == plat::CanvasOp::LineTo) {
      EXPECT_EQ(op.pen.color, clRed);
      EXPECT_EQ(op.pen.width, 3);
    }
  }
  return points;
}

struct GeometryCase {
  int slot;
  bool lower_row;
  std::vector<plat::TPoint> drop;
  std::vector<plat::TPoint> trunk;
};
void PrintTo(const GeometryCase& c, std::ostream* os) { *os << "slot " << c.slot; }

const std::vector<plat::TPoint> kUpperTrunk{{14, 3}, {3, 10}, {3, 275}, {14, 285}};
const std::vector<plat::TPoint> kLowerTrunk{{14, 100}, {3, 110}, {3, 275}, {14, 285}};
const GeometryCase kGeometry[] = {
    {1, false, {{0, 3}, {20, 3}, {30, 13}}, kUpperTrunk},
    {15, false, {{0, 3}, {804, 3}, {814, 13}}, kUpperTrunk},
    {16, true, {{0, 3}, {20, 3}, {30, 13}}, kLowerTrunk},
    {30, true, {{0, 3}, {804, 3}, {814, 13}}, kLowerTrunk},
};

class Selection : public IOPage, public ::testing::WithParamInterface<GeometryCase> {};
INSTANTIATE_TEST_SUITE_P(Slots, Selection, ::testing::ValuesIn(kGeometry),
                         [](const auto& info) { return "Slot" + std::to_string(info.param.slot); });

TEST_P(Selection, FramesTheSlotAndDrawsItsBusLines) {
  const GeometryCase& c = GetParam();
  StartKestrum(1);
  for (int mac = 31; mac <= 60; ++mac) AddDevice(mac);  // 30 nodes: no question
  ShowIOPage();
  Select(c.slot == 1 ? 30 : 1);  // another selection first: its lines and frame go
  ClearTraces();
  Select(c.slot);

  EXPECT_EQ(DeviceIOPanel->GetSelectedSlot(), c.slot);
  EXPECT_EQ(DeviceIOPanel->GetSelectedMACID(), c.slot + 30);
  for (int n = 1; n <= DeviceIO::kSlotCount; ++n) {
    EXPECT_EQ(Slot(n).Frame->Visible, n == c.slot) << "frame of slot " << n;
    EXPECT_EQ(Values(n).Selected, n == c.slot ? 1 : 0) << "slot " << n;
  }
  EXPECT_TRUE(Form_Main->Shape_IO->Visible);
  TImage* row = c.lower_row ? Form_Main->Image_HLine2 : Form_Main->Image_HLine1;
  TImage* other = c.lower_row ? Form_Main->Image_HLine1 : Form_Main->Image_HLine2;
  EXPECT_THAT(LinePoints(row), ElementsAreArray(c.drop));
  EXPECT_THAT(LinePoints(other), IsEmpty());
  EXPECT_THAT(LinePoints(Form_Main->Image_VLine), ElementsAreArray(c.trunk));
  EXPECT_TRUE(Form_Main->SpeedButton_StartDevice->Enabled);
  EXPECT_TRUE(Form_Main->SpeedButton_StopDevice->Enabled);
  EXPECT_TRUE(Form_Main->SpeedButton_RefreshIO->Enabled);
  EXPECT_THAT(TraceTexts(), ElementsAre("Image_D1Click"));
}

TEST_F(IOPage, TheButtonsWaitForTheFirstSelection) {
  StartKestrum(1);
  AddDevice(5, {kestrum::PollNodeText(8, 4)});
  ShowIOPage();
  EXPECT_FALSE(Form_Main->SpeedButton_StartDevice->Enabled);
  EXPECT_FALSE(Form_Main->SpeedButton_StopDevice->Enabled);
  EXPECT_FALSE(Form_Main->SpeedButton_RefreshIO->Enabled);
  EXPECT_FALSE(Form_Main->Shape_IO->Visible);
}

TEST_F(IOPage, TheSelectionFillsThePanelFromTheSlot) {
  StartKestrum(1);
  AddDevice(5, {kestrum::PollNodeText(8, 4)});
  AddDevice(12, {kestrum::StrobeNodeText(2)});
  AddDevice(20);  // no connection
  ShowIOPage();

  Select(1);
  EXPECT_EQ(Form_Main->Edit_IOType->Text, "Poll");
  EXPECT_EQ(Form_Main->Edit_InputLen->Text, "8");
  EXPECT_EQ(Form_Main->Edit_OutputLen->Text, "4");
  EXPECT_THAT(Form_Main->Memo_Output->Lines->Items(), ElementsAre("00,00,00,00;"));
  EXPECT_THAT(Form_Main->Memo_Input->Lines->Items(), ElementsAre(""));

  Select(2);
  EXPECT_EQ(Form_Main->Edit_IOType->Text, "Strobe");
  EXPECT_EQ(Form_Main->Edit_OutputLen->Text, "0");
  EXPECT_THAT(Form_Main->Memo_Output->Lines->Items(), ElementsAre("")) << "output length 0: the stored text";

  // A slot without a connection must not keep showing the previous slave's kind.
  Select(3);
  EXPECT_EQ(Form_Main->Edit_IOType->Text, "");
  EXPECT_EQ(Form_Main->Edit_InputLen->Text, "255");
  EXPECT_EQ(Form_Main->Edit_OutputLen->Text, "255");
}

TEST_F(IOPage, HidingEverySlotLeavesTheSelectionAsItWas) {
  StartKestrum(1);
  for (int mac = 1; mac <= 6; ++mac) AddDevice(mac, {kestrum::PollNodeText(1, 1)});
  ShowIOPage();
  Select(5);
  const std::vector<plat::TPoint> drop = LinePoints(Form_Main->Image_HLine1);

  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) DeviceIOPanel->ShowDevice(n, false);

  EXPECT_TRUE(Slot(5).Frame->Visible);
  EXPECT_FALSE(Slot(5).Image->Visible);
  EXPECT_EQ(LinePoints(Form_Main->Image_HLine1), drop);
  EXPECT_EQ(DeviceIOPanel->GetSelectedMACID(), 5);
  EXPECT_EQ(DeviceIOPanel->GetSelectedSlot(), 5);
  EXPECT_EQ(Values(5).Selected, 0) << "a hidden slot's thread reads nothing";
}

// ---------------------------------------------------------------- slave commands
// Slave 5 of the demo network, in the scan list with its Poll connection
// (input 8, output 4), selected on the page of an active board.
class SlaveCommands : public IOPage {
 protected:
  void SetUp() override {
    ConfigureNetwork([](dnsim::NetworkConfig& n) { n.scan_list = {{5, kestrum::kPoll, 8, 4, 0}}; });
    StartKestrum(1);
    ActivateBoard(0);
    AddDevice(5, {kestrum::PollNodeText(8, 4)});
    ShowIOPage();
    Select(1);
    ClearCallLog();
    ClearTraces();
  }
  static void TypeOutput(const std::string& text) { Type(Form_Main->Memo_Output, text); }
  static std::vector<std::string> CommandCalls() {
    std::vector<std::string> calls;
    for (const dnsim::CallRecord& r : CallLog()) {
      if (r.op == dnsim::Op::StartDevice || r.op == dnsim::Op::StopDevice || r.op == dnsim::Op::WriteOutputData) {
        calls.push_back(std::string(dnsim::OpName(r.op)) + " " + r.args);
      }
    }
    return calls;
  }
};

struct OutputCase {
  const char* name;
  const char* memo;
  std::vector<std::uint8_t> written;  // empty: nothing written
  const char* mismatch;                // the length message, or null
  const char* refusal;                 // the box that ends the command, or null
  bool exception = false;              // the box is the standard exception box
};
void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.name; }

std::string Items(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += i + 1 < n ? "01," : "01;";
  return text;
}

const std::vector<OutputCase>& OutputCases() {
  static const std::vector<OutputCase> cases = {
      {"SingleDigitsAreBytes", "1,2,3;", {1, 2, 3, 0}, "IOLen = 3, OutputLen = 4", nullptr},
      {"EitherCaseOfHexadecimal", "0a,FF;", {0x0A, 0xFF, 0, 0}, "IOLen = 2, OutputLen = 4", nullptr},
      {"LinesAreJoined", "01,02,\r\n03;", {1, 2, 3, 0}, "IOLen = 3, OutputLen = 4", nullptr},
      {"TheOutputLengthExactly", "01,02,03,04;", {1, 2, 3, 4}, nullptr, nullptr},
      {"MoreBytesThanTheLengthWriteTheLength", "01,02,03,04,05;", {1, 2, 3, 4}, "IOLen = 5, OutputLen = 4",
       nullptr},
      {"AnEmptyItemEndsTheItemsEarly", "01,,02;", {1, 0, 0, 0}, "IOLen = 2, OutputLen = 4", nullptr},
      {"TheJoinStopsAtTheFirstEmptyLine", "01,\r\n\r\n02;", {}, nullptr, "String index out of range.", true},
      {"WithoutASemicolonNothingIsSent", "1,2,3", {}, nullptr, "String index out of range.", true},
      {"TheBufferTakes256Bytes", nullptr, {1, 1, 1, 1}, "IOLen = 256, OutputLen = 4", nullptr},
      {"MoreThan256BytesAreRefused", nullptr, {}, nullptr, "The output data can hold at most 256 bytes."},
  };
  return cases;
}

class OutputText : public SlaveCommands, public ::testing::WithParamInterface<OutputCase> {
 protected:
  // Types the row's text and expects the boxes it brings.
  static void TypeRow(const OutputCase& c) {
    TypeOutput(c.memo ? c.memo : Items(c.refusal ? 257 : 256));
    if (c.mismatch) ExpectBox(c.mismatch).Kind(BoxKind::ShowMessage);
    if (c.refusal && c.exception) ExpectBox(c.refusal).Kind(BoxKind::Exception);
    if (c.refusal && !c.exception) ExpectBox(c.refusal).Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  }
};
INSTANTIATE_TEST_SUITE_P(Texts, OutputText, ::testing::ValuesIn(OutputCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(OutputText, IsParsedAndWrittenByTheRefreshCommand) {
  const OutputCase& c = GetParam();
  TypeRow(c);

  Click(Form_Main->SpeedButton_RefreshIO);

  if (c.written.empty()) {
    EXPECT_THAT(CommandCalls(), IsEmpty());
  } else {
    EXPECT_THAT(CommandCalls(), ElementsAre(HasSubstr("WriteOutputData board=0 mac=5 type=1 length=4")));
    EXPECT_EQ(dnsim::Sim().OutputData(5, kestrum::kPoll), c.written);
  }
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_RefreshIOClick"));
}

// The start command writes the text first; a text it refuses starts nothing.
TEST_P(OutputText, IsWrittenBeforeTheStartCommandWhichARefusedTextNeverSends) {
  const OutputCase& c = GetParam();
  TypeRow(c);

  Click(Form_Main->SpeedButton_StartDevice);

  if (c.written.empty()) {
    EXPECT_THAT(CommandCalls(), IsEmpty());
  } else {
    EXPECT_THAT(CommandCalls(), ElementsAre(HasSubstr("WriteOutputData board=0 mac=5 type=1 length=4"),
                                            "StartDevice board=0 mac=5"));
    EXPECT_EQ(dnsim::Sim().OutputData(5, kestrum::kPoll), c.written);
  }
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_StartDeviceClick", "SpeedButton_StartDeviceClick"));
}

TEST_F(SlaveCommands, RefreshKeepsTheFirstLineForTheSlotsNextSelection) {
  TypeOutput("0A,0B,\r\n0C,0D;");
  Click(Form_Main->SpeedButton_RefreshIO);
  EXPECT_EQ(dnsim::Sim().OutputData(5, kestrum::kPoll), (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C, 0x0D}));
  EXPECT_THAT(CommandCalls(), Not(Contains(HasSubstr("StartDevice")))) << "no start command";

  TypeOutput("");
  Select(1);
  EXPECT_THAT(Form_Main->Memo_Output->Lines->Items(), ElementsAre("0A,0B,"));
}

struct KindCase {
  const char* connection;  // the node text of slot 1's connection; null: none
  const char* mismatch;
  std::uint8_t written;    // the kind written; 0: nothing
};
void PrintTo(const KindCase& c, std::ostream* os) { *os << (c.connection ? c.connection : "no connection"); }

class OutputKind : public IOPage, public ::testing::WithParamInterface<KindCase> {};
INSTANTIATE_TEST_SUITE_P(
    Kinds, OutputKind,
    ::testing::Values(KindCase{"Poll ( Input 1 , Output 1 )", nullptr, kestrum::kPoll},
                      KindCase{"COS ( Input 1 , Output 1 )", nullptr, kestrum::kCOS},
                      KindCase{"Cyclic ( Input 1 , Output 1 )", nullptr, kestrum::kCyclic},
                      KindCase{"Strobe ( Input 1 )", "IOLen = 1, OutputLen = 0", 0},
                      KindCase{nullptr, "IOLen = 1, OutputLen = 255", 0}));

TEST_P(OutputKind, IsWrittenUnderTheSelectedSlotsOwnKindOnly) {
  const KindCase& c = GetParam();
  StartKestrum(1);
  ActivateBoard(0);
  AddDevice(3, {kestrum::PollNodeText(8, 4)});
  if (c.connection) {
    AddDevice(9, {c.connection});
  } else {
    AddDevice(9);
  }
  ShowIOPage();
  Select(1);  // a Poll slave first
  Select(2);
  Type(Form_Main->Memo_Output, "07;");
  ClearCallLog();
  if (c.mismatch) ExpectBox(c.mismatch).Kind(BoxKind::ShowMessage);

  Click(Form_Main->SpeedButton_RefreshIO);

  const auto writes = CallsOf(dnsim::Op::WriteOutputData);
  if (c.written == 0) {
    EXPECT_THAT(writes, IsEmpty());
  } else {
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_THAT(writes[0].args, HasSubstr(plat::Format("mac=9 type=%d length=1 data=07", c.written)));
  }
}

// Every slave command refuses without an active board, before its trace.
class WithoutBoard : public IOPage, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(Commands, WithoutBoard,
                         ::testing::Values("SpeedButton_StartDevice", "SpeedButton_StopDevice",
                                           "SpeedButton_RefreshIO"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(WithoutBoard, RefusesBeforeAnything) {
  StartKestrum(1);
  AddDevice(5, {kestrum::PollNodeText(8, 4)});
  ShowIOPage();
  Select(1);
  ClearCallLog();
  ClearTraces();
  ExpectBox("Please Active Board First").Caption("Kestrum").Owner("Form_Main").Flags(MB_OK | MB_ICONERROR);
  Click(Find<TSpeedButton>(Form_Main, GetParam()));
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_THAT(TraceTexts(), IsEmpty());
}

TEST_F(SlaveCommands, StartWithoutASelectionRefusesAfterOneTrace) {
  DeviceIOPanel->SelectedMACID = DeviceIO::kNone;
  ExpectBox("Please Select a device First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR);
  Fire([] { Form_Main->SpeedButton_StartDeviceClick(Form_Main->SpeedButton_StartDevice); });
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_StartDeviceClick"));
  EXPECT_THAT(CommandCalls(), IsEmpty());
}

TEST_F(SlaveCommands, StartWithAnEmptyMemoOnlyStartsAndLeavesTheThreadAlone) {
  DeviceIOPanel->ActivateThread(1, false, DeviceIO::kHoldSearch);
  TypeOutput("");
  Click(Form_Main->SpeedButton_StartDevice);
  EXPECT_THAT(CommandCalls(), ElementsAre("StartDevice board=0 mac=5"));
  EXPECT_EQ(DeviceIOPanel->HoldReasons(1), Reasons{DeviceIO::kHoldSearch});
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_StartDeviceClick", "SpeedButton_StartDeviceClick"));
}

TEST_F(SlaveCommands, StartWritesTheOutputFirstAndReleasesNoOtherHoldersHold) {
  DeviceIOPanel->ActivateThread(1, false, DeviceIO::kHoldReset);  // a reset that gave up
  TypeOutput("01,02,03,04;");
  Click(Form_Main->SpeedButton_StartDevice);
  EXPECT_THAT(CommandCalls(), ElementsAre(HasSubstr("WriteOutputData board=0 mac=5 type=1 length=4 data=01,02,03,04"),
                                          "StartDevice board=0 mac=5"));
  EXPECT_EQ(DeviceIOPanel->HoldReasons(1), Reasons{DeviceIO::kHoldReset});
  EXPECT_EQ(Form_Main->Edit_ErrorCode->Text, "");
  EXPECT_EQ(Values(1).OutputData, "") << "the typed text is not kept by a start";
}

TEST_F(SlaveCommands, StopTracesItsNameOnceAndOnlyStopsTheSlaveWhileItsThreadKeepsRunning) {
  Click(Form_Main->SpeedButton_StopDevice);
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "SpeedButton_StopDeviceClick"}));
  EXPECT_THAT(CommandCalls(), ElementsAre("StopDevice board=0 mac=5"));
  EXPECT_EQ(DeviceIOPanel->HoldReasons(1), Reasons{});
}

TEST_F(SlaveCommands, DriverErrorsOfTheCommandsShowAsTheirNumber) {
  dnsim::Sim().InjectFault(dnsim::Op::StartDevice, 1002, 1);
  TypeOutput("");
  Click(Form_Main->SpeedButton_StartDevice);
  EXPECT_EQ(Form_Main->Edit_ErrorCode->Text, "1002");

  dnsim::Sim().InjectFault(dnsim::Op::WriteOutputData, 10023, 1);
  TypeOutput("01,02,03,04;");
  Click(Form_Main->SpeedButton_RefreshIO);
  EXPECT_EQ(Form_Main->Edit_ErrorCode->Text, "10023");

  dnsim::Sim().InjectFault(dnsim::Op::StopDevice, 1204, 1);
  Click(Form_Main->SpeedButton_StopDevice);
  EXPECT_EQ(Form_Main->Edit_ErrorCode->Text, "1204");

  Click(Form_Main->SpeedButton_StopDevice);  // success leaves the field as it was
  EXPECT_EQ(Form_Main->Edit_ErrorCode->Text, "1204");
  EXPECT_THAT(CommandCalls(), Contains("StopDevice board=0 mac=5"));
}

}  // namespace
