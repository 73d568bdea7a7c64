// Explicit messaging on the I/O monitor page: the read and its four display
// forms, the write and its data text, both polls, and the refusals.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io_monitor_support.h"
#include "kestrum/app/program_state.h"
#include "platform/format.h"
#include "platform/testing/loaders.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using ::testing::HasSubstr;

constexpr unsigned kError = MB_OK | MB_ICONERROR;
const dnsim::AttributeId kAttr{1, 1, 1};  // what the tests read and write

// A started program with board 0 active and the slaves 5 (slot 1) and 12
// (slot 2) on the page, slot 1 selected. The slaves are not in the master's
// scan list, so their poll threads make no explicit request of their own.
class Explicit : public IOPage {
 protected:
  static void Start(const std::vector<std::uint8_t>& reply = {}, int polls = 1) {
    ConfigureNetwork([&](dnsim::NetworkConfig& n) {
      n.master.attribute_polls = polls;
      for (dnsim::SlaveConfig& s : n.slaves) s.attributes[kAttr] = reply;
      n.slaves[0].attributes[kAttr] = {0x12};  // slave 12 answers otherwise
    });
    StartKestrum(1);
    ActivateBoard(0);
    // The poll threads' own traces would mix with the handlers'.
    SetTraceIdEnabled(kestrum::kPollStatusMsgId, false);
    SetTraceIdEnabled(kestrum::kReadFailureMsgId, false);
    AddDevice(5, {kestrum::PollNodeText(8, 4)});
    AddDevice(12, {kestrum::StrobeNodeText(2)});
    ShowIOPage();
    Select(1);
    ClearCallLog();
    ClearTraces();
  }
  static void Numbers(TEdit* c, TEdit* i, TEdit* a, const std::string& cls = "1", const std::string& inst = "1",
                      const std::string& attr = "1") {
    Type(c, cls);
    Type(i, inst);
    Type(a, attr);
  }
  // Each shows its page first, as a person has to.
  static void GetNumbers(const std::string& cls = "1", const std::string& inst = "1", const std::string& attr = "1") {
    ShowPage(Form_Main->PageControl_Attribute, Form_Main->TabSheet1);
    Numbers(Form_Main->Edit_Get_ClassID, Form_Main->Edit_Get_InstanceID, Form_Main->Edit_Get_AttributeID, cls, inst,
            attr);
  }
  static void SetNumbers(const std::string& cls = "1", const std::string& inst = "1", const std::string& attr = "1") {
    ShowPage(Form_Main->PageControl_Attribute, Form_Main->TabSheet2);
    Numbers(Form_Main->Edit_Set_ClassID, Form_Main->Edit_Set_InstanceID, Form_Main->Edit_Set_AttributeID, cls, inst,
            attr);
  }
  static std::vector<std::string> Reply() {
    std::vector<std::string> lines;
    for (const std::string& line : *Form_Main->Memo_GetAttribute->Lines) lines.push_back(line);
    return lines;
  }
  static std::string Response() { return Form_Main->Edit_SetResponse->Text(); }
  // Reads the attribute and lets the polls run until the reply is there.
  static void Read() {
    GetNumbers();
    Click(Form_Main->SpeedButton_GetAttribute);
    Advance(500);
  }
};

// ---------------------------------------------------------------- display forms
struct FormCase {
  const char* name;
  std::vector<std::uint8_t> reply;
  std::string ascii, byte, word, dword;
};
void PrintTo(const FormCase& c, std::ostream* os) { *os << c.name; }

const FormCase kForms[] = {
    {"FiveLetters", {0x41, 0x42, 0x43, 0x44, 0x45}, "ABCDE", "(0x41) (0x42) (0x43) (0x44) (0x45) ",
     "(0x4241) (0x4443) ", "(0x44434241) "},
    {"AFiveAndZeros", {0x05, 0x00, 0x00, 0x00}, std::string("\x05\0\0\0", 4), "(0x5) (0x0) (0x0) (0x0) ",
     "(0x05) (0x00) ", "(0x0005) "},
    {"ThreeBytesMakeNoDoubleWord", {0x01, 0x02, 0xFF}, "\x01\x02\xFF", "(0x1) (0x2) (0xFF) ", "(0x201) ", ""},
    {"OneByteMakesNoWord", {0xAB}, "\xAB", "(0xAB) ", "", ""},
    {"AnEmptyReply", {}, "", "", "", ""},
    {"HighBitsStayUnsigned", {0xFF, 0xFF, 0xFF, 0xFF}, "\xFF\xFF\xFF\xFF", "(0xFF) (0xFF) (0xFF) (0xFF) ",
     "(0xFFFF) (0xFFFF) ", "(0xFFFFFFFF) "},
};

class DisplayForms : public Explicit, public ::testing::WithParamInterface<FormCase> {};
INSTANTIATE_TEST_SUITE_P(Replies, DisplayForms, ::testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(DisplayForms, TheReplyComesInTheByteFormAndEachButtonShowsItsOwn) {
  const FormCase& c = GetParam();
  Start(c.reply);
  Click(Form_Main->RadioButton_Get_WORD);  // a form other than BYTE chosen beforehand
  Read();
  EXPECT_TRUE(Form_Main->RadioButton_Get_BYTE->Checked);
  EXPECT_FALSE(Form_Main->RadioButton_Get_WORD->Checked);
  EXPECT_THAT(Reply(), ElementsAre(c.byte));

  Click(Form_Main->RadioButton_Get_ASCII);
  EXPECT_THAT(Reply(), ElementsAre(c.ascii));
  Click(Form_Main->RadioButton_Get_WORD);
  EXPECT_THAT(Reply(), ElementsAre(c.word));
  Click(Form_Main->RadioButton_Get_DWORD);
  EXPECT_THAT(Reply(), ElementsAre(c.dword));
  Click(Form_Main->RadioButton_Get_BYTE);
  EXPECT_THAT(Reply(), ElementsAre(c.byte));
  EXPECT_EQ(CallsOf(dnsim::Op::GetAttribute).size(), 1u) << "the buttons show the stored reply, no new request";
}

TEST_F(Explicit, BeforeTheFirstReplyEveryFormShowsAnEmptyLine) {
  Start({0x41});
  for (TRadioButton* b : {Form_Main->RadioButton_Get_ASCII, Form_Main->RadioButton_Get_WORD,
                          Form_Main->RadioButton_Get_DWORD, Form_Main->RadioButton_Get_BYTE}) {
    Click(b);
    EXPECT_THAT(Reply(), ElementsAre("")) << b->Name();
  }
}

TEST_F(Explicit, ASecondReadWithTheByteFormCheckedShowsTheNewReply) {
  Start({0x41});
  Read();
  ASSERT_THAT(Reply(), ElementsAre("(0x41) "));
  ConfigureNetwork([](dnsim::NetworkConfig& n) {
    n.master.attribute_polls = 0;
    for (dnsim::SlaveConfig& s : n.slaves) s.attributes[kAttr] = {0x42, 0x43};
  });
  ActivateBoard(0);
  Read();
  EXPECT_THAT(Reply(), ElementsAre("(0x42) (0x43) "));
}

// ---------------------------------------------------------------- the read request
TEST_F(Explicit, TheReadPollsEvery50msAndTheMemoStaysEmptyWhilePending) {
  Start({0x07}, /*polls=*/3);
  Form_Main->Memo_GetAttribute->Lines->Add("old");
  GetNumbers("0xAA", "$10", "7");
  Click(Form_Main->SpeedButton_GetAttribute);
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_GetAttributeClick", "SpeedButton_GetAttributeClick"));
  ASSERT_EQ(CallsOf(dnsim::Op::GetAttribute).size(), 1u);
  EXPECT_EQ(CallsOf(dnsim::Op::GetAttribute)[0].args, "board=0 mac=5 class=170 instance=16 attribute=7");
  EXPECT_THAT(CallsOf(dnsim::Op::IsGetAttributeOK), IsEmpty());
  for (int poll = 1; poll <= 3; ++poll) {
    Advance(50);
    EXPECT_EQ(CallsOf(dnsim::Op::IsGetAttributeOK).size(), static_cast<std::size_t>(poll));
    EXPECT_EQ(CallsOf(dnsim::Op::IsGetAttributeOK).back().result, 1151);
    EXPECT_THAT(Reply(), IsEmpty());
  }
  Advance(50);
  EXPECT_EQ(CallsOf(dnsim::Op::IsGetAttributeOK).back().result, 0);
  ASSERT_EQ(CallsOf(dnsim::Op::GetAttributeValue).size(), 1u);
  EXPECT_EQ(CallsOf(dnsim::Op::GetAttributeValue)[0].args, "board=0 mac=5");
  EXPECT_FALSE(Form_Main->Timer_IsGetOK->Enabled);
  Advance(500);
  EXPECT_EQ(CallsOf(dnsim::Op::IsGetAttributeOK).size(), 4u) << "the poll ended with the reply";
}

TEST_F(Explicit, NumbersTravelAsTheirLowEightBits) {
  Start();
  GetNumbers("256", "300", "-1");
  Click(Form_Main->SpeedButton_GetAttribute);
  ASSERT_EQ(CallsOf(dnsim::Op::GetAttribute).size(), 1u);
  EXPECT_EQ(CallsOf(dnsim::Op::GetAttribute)[0].args, "board=0 mac=5 class=0 instance=44 attribute=255");
}

struct PollFailure {
  const char* name;
  dnsim::Op op;
  std::int32_t code;
  std::string line;
};
void PrintTo(const PollFailure& c, std::ostream* os) { *os << c.name; }

const PollFailure kPollFailures[] = {
    {"TheSlave", dnsim::Op::IsGetAttributeOK, 1204, "Slave Error!(1204)"},
    {"TheValueFetch", dnsim::Op::GetAttributeValue, 1206, "Get Attribute Value Error!(1206)"},
};

class ReadPollFailure : public Explicit, public ::testing::WithParamInterface<PollFailure> {};
INSTANTIATE_TEST_SUITE_P(Failures, ReadPollFailure, ::testing::ValuesIn(kPollFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(ReadPollFailure, IsALineInTheMemoAndTheStoredReplyStays) {
  Start({0x41});
  Read();
  dnsim::Sim().InjectFault(GetParam().op, GetParam().code);
  Read();
  EXPECT_THAT(Reply(), ElementsAre(GetParam().line));
  EXPECT_FALSE(Form_Main->Timer_IsGetOK->Enabled);
  Click(Form_Main->RadioButton_Get_ASCII);
  EXPECT_THAT(Reply(), ElementsAre("A"));
}

TEST_F(Explicit, ARequestTheMasterRefusesIsABox) {
  Start();
  dnsim::Sim().InjectFault(dnsim::Op::GetAttribute, 1002, 1);
  ExpectBox("Get Attribute Error(1002)").Caption("Kestrum").Flags(kError);
  Read();
  EXPECT_THAT(CallsOf(dnsim::Op::IsGetAttributeOK), IsEmpty());
}

// ---------------------------------------------------------------- refusals of both requests
struct Refusal {
  const char* name;
  std::function<void()> prepare;  // after the start
  std::string box;
  bool traced;  // the handler's name was traced before the refusal
};
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

const Refusal kRefusals[] = {
    {"NoActiveBoard", [] { ActiveBoardNo = 255; }, "Please Active Board First", false},
    {"NoSlaveSelected", [] { DeviceIOPanel->SelectedMACID = DeviceIO::kNone; }, "Please Select a device First", true},
    {"ClassID", [] { Form_Main->Edit_Get_ClassID->Text = "1a"; Form_Main->Edit_Set_ClassID->Text = "1a"; },
     "ClassID is not a decimal number", true},
    {"InstanceID", [] { Form_Main->Edit_Get_InstanceID->Text = ""; Form_Main->Edit_Set_InstanceID->Text = ""; },
     "InstanceID is not a decimal number", true},
    {"AttributeID", [] { Form_Main->Edit_Get_AttributeID->Text = "7 "; Form_Main->Edit_Set_AttributeID->Text = "7 "; },
     "AttributeID is not a decimal number", true},
};

class Refused : public Explicit, public ::testing::WithParamInterface<std::tuple<Refusal, bool>> {};
INSTANTIATE_TEST_SUITE_P(Both, Refused, ::testing::Combine(::testing::ValuesIn(kRefusals), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "Set" : "Get");
                         });

TEST_P(Refused, WithABoxAndNoRequest) {
  const auto& [refusal, set] = GetParam();
  Start();
  GetNumbers();
  SetNumbers();
  Form_Main->Memo_Set_Attribute->Lines->Add("1;");
  refusal.prepare();
  ShowPage(Form_Main->PageControl_Attribute, set ? Form_Main->TabSheet2 : Form_Main->TabSheet1);
  ClearTraces();
  ExpectBox(refusal.box).Caption("Kestrum").Flags(kError).Owner("Form_Main");
  Click(set ? Form_Main->SpeedButton_Set_Attribute : Form_Main->SpeedButton_GetAttribute);
  const std::string handler = set ? "SpeedButton_Set_AttributeClick" : "SpeedButton_GetAttributeClick";
  if (refusal.traced) {
    EXPECT_THAT(TraceTexts(), ElementsAre(handler));
  } else {
    EXPECT_THAT(TraceTexts(), IsEmpty());
  }
  EXPECT_THAT(CallsOf(set ? dnsim::Op::SetAttribute : dnsim::Op::GetAttribute), IsEmpty());
  EXPECT_EQ(Response(), "");
}

// ---------------------------------------------------------------- the write's data text
struct DataCase {
  const char* name;
  std::vector<std::string> lines;
  std::string sent;  // the data the master got ("" with a box)
  std::string box;   // the refusal ("" when sent)
};
void PrintTo(const DataCase& c, std::ostream* os) { *os << c.name; }

const DataCase kData[] = {
    {"ThreeValues", {"1,2,3;"}, "length=3 data=01,02,03", ""},
    {"OneValue", {"5;"}, "length=1 data=05", ""},
    {"LinesAreJoined", {"1,2,", "3;"}, "length=3 data=01,02,03", ""},
    {"AnEmptyLineEndsTheText", {"1,2,", "", "3;"}, "", "You lose the end mark \";\""},
    {"AnEmptyItemRunsToTheSemicolon", {"1,,2;"}, "", "Attribute value(,2) is not a decimal number"},
    {"TheFirstItemRunsToTheFirstComma", {"1;2,3;"}, "", "Attribute value(1;2) is not a decimal number"},
    {"NoSemicolon", {"1,2"}, "", "You lose the end mark \";\""},
    {"HexadecimalAndCut", {"$FF,0x10,300;"}, "length=3 data=FF,10,2C", ""},
    {"ABlankBeforeAValue", {" 7, 8;"}, "length=2 data=07,08", ""},
    {"ABlankAfterAValue", {"7 ,8;"}, "", "Attribute value(7 ) is not a decimal number"},
    {"AnEmptyLastItem", {"1,;"}, "", "Attribute value() is not a decimal number"},
    {"TextAfterTheSemicolonIsIgnored", {"1,2;junk"}, "length=2 data=01,02", ""},
    {"ACommaAfterTheSemicolonStillEndsAnItem", {"1,2;junk,9"}, "", "Attribute value(2;junk) is not a decimal number"},
    {"NegativeValues", {"-1,-256;"}, "length=2 data=FF,00", ""},
    {"Empty", {}, "", "Attribute Data is Empty"},
    {"AnEmptyFirstLine", {"", "1;"}, "", "Attribute Data is Empty"},
};

class DataText : public Explicit, public ::testing::WithParamInterface<DataCase> {};
INSTANTIATE_TEST_SUITE_P(Texts, DataText, ::testing::ValuesIn(kData),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(DataText, SendsItsBytesOrIsRefused) {
  const DataCase& c = GetParam();
  Start();
  SetNumbers("0x64", "1", "3");
  for (const std::string& line : c.lines) Form_Main->Memo_Set_Attribute->Lines->Add(line);
  if (!c.box.empty()) ExpectBox(c.box).Caption("Kestrum").Flags(kError);
  Click(Form_Main->SpeedButton_Set_Attribute);
  const std::vector<dnsim::CallRecord> calls = CallsOf(dnsim::Op::SetAttribute);
  if (c.box.empty()) {
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, "board=0 mac=5 class=100 instance=1 attribute=3 " + c.sent);
    EXPECT_EQ(Response(), "Waiting...");
  } else {
    EXPECT_THAT(calls, IsEmpty());
    EXPECT_EQ(Response(), "");
  }
}

TEST_F(Explicit, AWriteOfMoreThan512ValuesIsRefusedAnd512AreSent) {
  Start();
  SetNumbers();
  std::string text;
  for (int i = 0; i < 512; ++i) text += plat::Format("%d,", i);
  Form_Main->Memo_Set_Attribute->Lines->Add(text + "7;");
  ExpectBox("The attribute data can hold at most 512 bytes.").Caption("Kestrum").Flags(kError);
  Click(Form_Main->SpeedButton_Set_Attribute);
  EXPECT_THAT(CallsOf(dnsim::Op::SetAttribute), IsEmpty());
  EXPECT_EQ(AttributeData.Count, 512) << "the buffer is full, and not beyond";
  EXPECT_EQ(AttributeData.Data[511], 255);

  Form_Main->Memo_Set_Attribute->Lines->Clear();
  Form_Main->Memo_Set_Attribute->Lines->Add(text.substr(0, text.size() - 1) + ";");
  Click(Form_Main->SpeedButton_Set_Attribute);
  ASSERT_EQ(CallsOf(dnsim::Op::SetAttribute).size(), 1u);
  EXPECT_THAT(CallsOf(dnsim::Op::SetAttribute)[0].args, HasSubstr("length=512"));
}

// ---------------------------------------------------------------- the write's poll
TEST_F(Explicit, TheWritePollsEvery200msAndShowsTheState) {
  Start({}, /*polls=*/2);
  SetNumbers();
  Form_Main->Memo_Set_Attribute->Lines->Add("9;");
  Click(Form_Main->SpeedButton_Set_Attribute);
  EXPECT_THAT(TraceTexts(), ElementsAre("SpeedButton_Set_AttributeClick"));
  EXPECT_EQ(Response(), "Waiting...");
  Advance(199);
  EXPECT_THAT(CallsOf(dnsim::Op::IsSetAttributeOK), IsEmpty());
  Advance(1);
  EXPECT_EQ(Response(), "") << "the first poll empties the field";
  Advance(200);
  EXPECT_EQ(Response(), "");
  EXPECT_EQ(CallsOf(dnsim::Op::IsSetAttributeOK).size(), 2u);
  Advance(200);
  EXPECT_EQ(Response(), "OK!");
  EXPECT_EQ(CallsOf(dnsim::Op::IsSetAttributeOK).back().args, "board=0 mac=5");
  Advance(1000);
  EXPECT_EQ(CallsOf(dnsim::Op::IsSetAttributeOK).size(), 3u);
}

TEST_F(Explicit, WriteErrorsAreShownInTheResponseFieldOnly) {
  Start();
  SetNumbers();
  Form_Main->Memo_Set_Attribute->Lines->Add("9;");
  dnsim::Sim().InjectFault(dnsim::Op::SetAttribute, 1002, 1);
  Click(Form_Main->SpeedButton_Set_Attribute);
  EXPECT_EQ(Response(), "Set Error(1002)");
  Advance(1000);
  EXPECT_THAT(CallsOf(dnsim::Op::IsSetAttributeOK), IsEmpty());

  dnsim::Sim().InjectFault(dnsim::Op::IsSetAttributeOK, 1204, 1);
  Click(Form_Main->SpeedButton_Set_Attribute);
  Advance(200);
  EXPECT_EQ(Response(), "Error!(1204)");
}

// ---------------------------------------------------------------- the slave a poll asks about
TEST_F(Explicit, BothPollsAskTheSlaveTheRequestWentToWhateverIsSelectedLater) {
  Start({0x05}, /*polls=*/2);
  GetNumbers();
  Click(Form_Main->SpeedButton_GetAttribute);
  SetNumbers();
  Form_Main->Memo_Set_Attribute->Lines->Add("9;");
  Click(Form_Main->SpeedButton_Set_Attribute);
  Select(2);  // slave 12, whose attribute answers 12
  Advance(600);
  EXPECT_THAT(Reply(), ElementsAre("(0x5) "));
  EXPECT_EQ(Response(), "OK!");
  for (dnsim::Op op : {dnsim::Op::IsGetAttributeOK, dnsim::Op::GetAttributeValue, dnsim::Op::IsSetAttributeOK}) {
    for (const dnsim::CallRecord& r : CallsOf(op)) EXPECT_EQ(r.args, "board=0 mac=5") << r.entry;
  }
}

// ---------------------------------------------------------------- a driver that reports more than the room
std::int32_t LongReplyReady(std::uint8_t, std::uint8_t) { return 0; }
std::int32_t LongReplyRequest(std::uint8_t, std::uint8_t, std::uint16_t, std::uint16_t, std::uint8_t) { return 0; }
constexpr std::uint16_t kLongReply = 600;
std::int32_t LongReplyValue(std::uint8_t, std::uint8_t, std::uint16_t* length, std::uint8_t* data) {
  for (std::uint16_t i = 0; i < kLongReply; ++i) data[i] = static_cast<std::uint8_t>(i);
  *length = kLongReply;
  return 0;
}

TEST_F(Explicit, AReplyLongerThan512BytesIsCutToTheBuffer) {
  plat::testing::OverridingLoader loader;
  loader.Override("Calvory_GetAttributeW", reinterpret_cast<plat::ProcAddress>(&LongReplyRequest));
  loader.Override("Calvory_IsGetAttributeOK", reinterpret_cast<plat::ProcAddress>(&LongReplyReady));
  loader.Override("Calvory_GetAttributeValue", reinterpret_cast<plat::ProcAddress>(&LongReplyValue));
  plat::testing::ScopedCurrentLoader scoped(loader);
  Start();
  Read();
  EXPECT_EQ(AttributeValue.Length, 512);
  std::string expected;
  for (int i = 0; i < 512; ++i) expected += plat::Format("(0x%X) ", i & 0xFF);
  EXPECT_THAT(Reply(), ElementsAre(expected));
}

}  // namespace
