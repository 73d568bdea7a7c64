// The hidden debug window: the trace message-ID list, the firmware
// debug-window list of kinds 1 and 2, and the binding of its two entries.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kestrum/app/debug_window.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "platform/testing/loaders.h"
#include "platform/ui/clock.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using ::testing::UnorderedElementsAre;

class DebugWindow : public KestrumTest {
 protected:
  // Starts the program with the kind, the firmware list starting empty.
  static void Start(std::uint8_t kind, std::vector<std::uint16_t> firmware_ids = {}) {
    ConfigureNetwork([&](dnsim::NetworkConfig& n) { n.master.debug_window_ids = firmware_ids; });
    StartKestrum(kind);
    ClearCallLog();
  }
  static void Open() { PressKeys(Form_Main, "Ctrl+Alt+D"); }
  static std::vector<std::string> Lines(TMemo* memo) {
    std::vector<std::string> lines;
    for (const std::string& line : *memo->Lines) lines.push_back(line);
    return lines;
  }
  static std::vector<std::string> FirmwareCalls() {
    std::vector<std::string> calls;
    for (const dnsim::CallRecord& r : CallLog()) {
      if (r.op == dnsim::Op::FirmDebugWndEnable || r.op == dnsim::Op::GetFirmDebugWnd) {
        calls.push_back(r.entry + (r.args.empty() ? "" : " " + r.args));
      }
    }
    return calls;
  }
};

// ---------------------------------------------------------------- the firmware list, kinds 1 and 2
class FirmwareKinds : public DebugWindow, public ::testing::WithParamInterface<std::uint8_t> {};
INSTANTIATE_TEST_SUITE_P(Kinds, FirmwareKinds, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Calvory" : "Merrow"; });

TEST_P(FirmwareKinds, EnableCallsTheEntryPerLineWaits500msAndListsWhatTheDriverReports) {
  const std::string family = GetParam() == 1 ? "Calvory" : "Merrow";
  Start(GetParam(), {9});
  ActivateBoard(0);
  Open();
  EXPECT_THAT(Lines(Form_Debug->Memo1), IsEmpty()) << "the window lists nothing when it opens";
  Form_Debug->Memo2->Lines->SetText("3\r\n7\r\n");
  const std::uint32_t before = plat::GetTickCount();
  Click(Form_Debug->Button_AddDebugWnd);
  EXPECT_EQ(plat::GetTickCount() - before, Form_Debug->kFirmwarePauseMs);
  EXPECT_THAT(FirmwareCalls(), ElementsAre(family + "_FirmDebugWndEnable board=0 id=3 flag=1",
                                           family + "_FirmDebugWndEnable board=0 id=7 flag=1",
                                           family + "_GetFirmDebugWnd board=0"));
  EXPECT_THAT(Lines(Form_Debug->Memo1), ElementsAre("9", "3", "7"));
  EXPECT_THAT(Lines(Form_Debug->Memo2), ElementsAre("3", "7")) << "the memo keeps its text";

  ClearCallLog();
  Type(Form_Debug->Edit2, "9");
  Click(Form_Debug->Button_RemoveDebugWnd);
  EXPECT_THAT(FirmwareCalls(), ElementsAre(family + "_FirmDebugWndEnable board=0 id=9 flag=0",
                                           family + "_GetFirmDebugWnd board=0"));
  EXPECT_THAT(Lines(Form_Debug->Memo1), ElementsAre("3", "7"));
  EXPECT_EQ(Form_Debug->Edit2->Text(), "9");
}

TEST_F(DebugWindow, TheFirmwareListShowsIdsAsSignedNumbers) {
  Start(1, {65535, 32768, 5});
  ActivateBoard(0);
  Open();
  Click(Form_Debug->Button_Refresh);
  EXPECT_THAT(Lines(Form_Debug->Memo1), ElementsAre("-1", "-32768", "5"));
}

TEST_F(DebugWindow, WithoutAnActiveBoardTheDriverGetsBoard255) {
  Start(1);
  Open();
  Type(Form_Debug->Edit2, "4");
  Click(Form_Debug->Button_RemoveDebugWnd);
  EXPECT_THAT(FirmwareCalls(), ElementsAre("Calvory_FirmDebugWndEnable board=255 id=4 flag=0",
                                           "Calvory_GetFirmDebugWnd board=255"));
  EXPECT_THAT(Lines(Form_Debug->Memo1), IsEmpty());
}

TEST_F(DebugWindow, EmptyInputDoesNothingNotEvenARefresh) {
  Start(1, {3});
  ActivateBoard(0);
  Open();
  Form_Debug->Memo1->Lines->Add("stale");
  Form_Debug->Memo4->Lines->Add("stale");
  Form_Debug->Memo2->Lines->SetText("");
  const std::uint32_t before = plat::GetTickCount();
  for (TButton* b : {Form_Debug->Button_AddDebugWnd, Form_Debug->Button_RemoveDebugWnd, Form_Debug->Button1,
                     Form_Debug->Button3}) {
    Click(b);
  }
  EXPECT_THAT(FirmwareCalls(), IsEmpty());
  EXPECT_EQ(plat::GetTickCount(), before);
  EXPECT_THAT(Lines(Form_Debug->Memo1), ElementsAre("stale"));
  EXPECT_THAT(Lines(Form_Debug->Memo4), ElementsAre("stale"));
}

TEST_F(DebugWindow, ALineThatIsNoNumberStopsTheCommandWithoutPauseOrRefresh) {
  Start(1);
  ActivateBoard(0);
  Open();
  Form_Debug->Memo2->Lines->SetText("3\r\n7x\r\n8");
  const std::uint32_t before = plat::GetTickCount();
  ExpectBox("'7x' is not a valid integer value.").Kind(plat::BoxKind::Exception);
  Click(Form_Debug->Button_AddDebugWnd);
  EXPECT_THAT(FirmwareCalls(), ElementsAre("Calvory_FirmDebugWndEnable board=0 id=3 flag=1"));
  EXPECT_EQ(plat::GetTickCount(), before);
  EXPECT_EQ(dnsim::Sim().DebugWindowIds(), std::vector<std::uint16_t>{3});
}

TEST_F(DebugWindow, WithKind4TheFirmwareListStaysEmptyAndNoEntryIsCalled) {
  Start(4, {3});
  ActivateBoard(0);
  Open();
  Form_Debug->Memo2->Lines->SetText("5");
  Click(Form_Debug->Button_AddDebugWnd);
  Type(Form_Debug->Edit2, "3");
  Click(Form_Debug->Button_RemoveDebugWnd);
  Click(Form_Debug->Button_Refresh);
  EXPECT_THAT(FirmwareCalls(), IsEmpty());
  EXPECT_THAT(Lines(Form_Debug->Memo1), IsEmpty());
  EXPECT_EQ(dnsim::Sim().DebugWindowIds(), std::vector<std::uint16_t>{3});
}

// ---------------------------------------------------------------- binding the two entries
struct BindCase {
  const char* name;
  std::uint8_t kind;
  std::vector<std::string> missing;
  std::vector<std::string> messages;
};
void PrintTo(const BindCase& c, std::ostream* os) { *os << c.name; }

const BindCase kBindings[] = {
    {"CalvoryWithoutEither", 1, {"Calvory_FirmDebugWndEnable", "Calvory_GetFirmDebugWnd"},
     {"API_Calvory_FirmDebugWndEnable Error", "API_Calvory_GetFirmDebugWnd Error"}},
    {"CalvoryWithoutTheList", 1, {"Calvory_GetFirmDebugWnd"}, {"API_Calvory_GetFirmDebugWnd Error"}},
    {"MerrowWithoutEither", 2, {"Merrow_FirmDebugWndEnable", "Merrow_GetFirmDebugWnd"},
     {"API_Merrow_FirmDebugWndEnable Error", "API_Merrow_GetFirmDebugWnd Error"}},
    {"MerrowWithoutTheEnable", 2, {"Merrow_FirmDebugWndEnable"}, {"API_Merrow_FirmDebugWndEnable Error"}},
};

class Binding : public DebugWindow, public ::testing::WithParamInterface<BindCase> {};
INSTANTIATE_TEST_SUITE_P(Missing, Binding, ::testing::ValuesIn(kBindings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(Binding, AMissingEntryIsNamedOnceAndItsCommandsChangeNothing) {
  const BindCase& c = GetParam();
  plat::testing::OverridingLoader loader;
  for (const std::string& entry : c.missing) loader.Override(entry, nullptr);
  plat::testing::ScopedCurrentLoader scoped(loader);
  Start(c.kind, {3});
  ActivateBoard(0);
  for (const std::string& message : c.messages) ExpectBox(message).Kind(plat::BoxKind::ShowMessage);
  Open();
  Form_Debug->Close();
  Open();  // bound once per process: no message the second time
  EXPECT_TRUE(FirmDebugWndBound);

  Form_Debug->Memo2->Lines->SetText("5");
  Click(Form_Debug->Button_AddDebugWnd);
  Click(Form_Debug->Button_Refresh);
  const bool enable_bound = c.missing.size() == 1 && c.missing[0].ends_with("GetFirmDebugWnd");
  const bool list_bound = c.missing.size() == 1 && c.missing[0].ends_with("Enable");
  const std::vector<std::uint16_t> ids = enable_bound ? std::vector<std::uint16_t>{3, 5} : std::vector<std::uint16_t>{3};
  EXPECT_EQ(dnsim::Sim().DebugWindowIds(), ids);
  if (list_bound) {
    EXPECT_THAT(Lines(Form_Debug->Memo1), ElementsAre("3"));
  } else {
    EXPECT_THAT(Lines(Form_Debug->Memo1), IsEmpty());
  }
}

// A driver that reports more IDs than the window has room for.
constexpr std::uint16_t kLongList = 400;
std::int32_t LongList(std::uint8_t, std::uint16_t* count, std::uint16_t* ids) {
  for (std::uint16_t i = 0; i < kLongList; ++i) ids[i] = i;
  *count = kLongList;
  return 0;
}

TEST_F(DebugWindow, AFirmwareListLongerThan300IdsShowsTheFirst300) {
  plat::testing::OverridingLoader loader;
  loader.Override("Calvory_GetFirmDebugWnd", reinterpret_cast<plat::ProcAddress>(&LongList));
  plat::testing::ScopedCurrentLoader scoped(loader);
  Start(1);
  Open();
  Click(Form_Debug->Button_Refresh);
  const std::vector<std::string> lines = Lines(Form_Debug->Memo1);
  ASSERT_EQ(lines.size(), 300u);
  EXPECT_EQ(lines.front(), "0");
  EXPECT_EQ(lines.back(), "299");
}

// ---------------------------------------------------------------- the trace message-ID list
TEST_F(DebugWindow, TheTraceListIsTheSharedTable) {
  Start(3);
  Open();
  Click(Form_Debug->Button2);
  EXPECT_THAT(Lines(Form_Debug->Memo4), ElementsAre("1000", "1001", "1002", "1003"));

  Form_Debug->Memo3->Lines->SetText("65535\r\n$7D0\r\n");
  const std::uint32_t before = plat::GetTickCount();
  Click(Form_Debug->Button1);
  EXPECT_EQ(plat::GetTickCount(), before) << "no pause for the trace list";
  EXPECT_THAT(Lines(Form_Debug->Memo4), ElementsAre("1000", "1001", "1002", "1003", "65535", "2000"));

  Type(Form_Debug->Edit1, "1001");
  Click(Form_Debug->Button3);
  // The table keeps its own order when an ID goes.
  EXPECT_THAT(Lines(Form_Debug->Memo4), UnorderedElementsAre("1000", "1002", "1003", "65535", "2000"));
  SetTraceIdEnabled(1002, false);  // another process's change shows at the next refresh
  Click(Form_Debug->Button2);
  EXPECT_THAT(Lines(Form_Debug->Memo4), UnorderedElementsAre("1000", "1003", "65535", "2000"));
  EXPECT_THAT(FirmwareCalls(), IsEmpty());
}

}  // namespace
