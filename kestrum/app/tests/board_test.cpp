// Board handling against the simulated master in virtual time: activation and
// its watch, the status line, the firmware warning, the firmware reset, start
// and stop of all slaves, and the hand-off to the firmware-update programs.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <tuple>

#include "config_test_support.h"
#include "driver/entry_signatures.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/wait_message.h"
#include "platform/library_loader.h"
#include "platform/program_path.h"
#include "platform/testing/loaders.h"
#include "platform/testing/spawn_probe.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using dnsim::Op;
using plat::BoxKind;
using plat::IDNO;
using plat::IDYES;
using plat::MB_ICONERROR;
using plat::MB_ICONINFORMATION;
using plat::MB_OK;
using plat::MB_TOPMOST;
using plat::MB_YESNO;

constexpr const char* kBusLost =
    "CAN Bus disconnected or firmwre not responding!\r\nPlease check the CAN bus connection first.";
constexpr const char* kReadingEEPROM = "Reading the information from EEPROM.......\nPlease wait....";

std::size_t Count(Op op) { return CallsOf(op).size(); }

// One status field as the person sees it.
struct Field {
  std::string text;
  TColor color;
  bool operator==(const Field&) const = default;
};
void PrintTo(const Field& f, std::ostream* os) {
  *os << '"' << f.text << "\" in " << (f.color == clRed ? "red" : f.color == clInfoBk ? "info colour" : "other");
}
Field Shown(TEdit* edit) { return {edit->Text, edit->Color}; }
Field Good(std::string text) { return {std::move(text), clInfoBk}; }
Field Red(std::string text) { return {std::move(text), clRed}; }
const Field kStars = Red("*******");

void ExpectStatusLine(const Field& version, const Field& mac, const Field& baud, const Field& status) {
  EXPECT_EQ(Shown(Form_Main->Edit_FirmwareVer), version);
  EXPECT_EQ(Shown(Form_Main->Edit_MasterID), mac);
  EXPECT_EQ(Shown(Form_Main->Edit_BaudRate), baud);
  EXPECT_EQ(Shown(Form_Main->Edit_MasterStatus), status);
}

std::set<std::string> HoldsOf(std::uint8_t slot) { return DeviceIOPanel->HoldReasons(slot); }

class Board : public KestrumTest {
 protected:
  // The person's activation of the first board, waited out: the watch ends at
  // 1000 ms, the refresh (which found the master still starting at 500 ms)
  // reads every value at 2500 ms.
  void ActivateByClick() {
    Click(Form_Main->SpeedButton_ActiveBoard);
    Advance(2500);
    ASSERT_FALSE(Form_WaitMessage->Visible);
    ASSERT_EQ(Form_Main->Edit_MasterStatus->Text, "OK!");
    ClearCallLog();
    ClearTraces();
  }
};

// ---------------------------------------------------------------- activation
struct ActivationCase {
  const char* label;
  int activation_polls;  // status reads answered "not yet" (dnsim::kNever: every one)
  std::uint32_t ends_at;  // ms after the click: the wait window goes
  bool bus_lost;
};
void PrintTo(const ActivationCase& c, std::ostream* os) { *os << c.label; }

const ActivationCase kActivations[] = {
    {"AtOnce", 0, 1000, false},
    {"AfterTwoPolls", 2, 3000, false},
    {"Never", dnsim::kNever, 4000, true},  // the fourth read gives up
};

class BoardActivation : public Board, public ::testing::WithParamInterface<ActivationCase> {};
INSTANTIATE_TEST_SUITE_P(Masters, BoardActivation, ::testing::ValuesIn(kActivations),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(BoardActivation, WaitsWithTheWaitWindowUntilTheMasterRunsOrGivesUp) {
  const ActivationCase& c = GetParam();
  ConfigureNetwork([&](dnsim::NetworkConfig& n) { n.master.activation_polls = c.activation_polls; });
  StartKestrum(driver::kKindMerrow);
  ClearCallLog();
  ClearTraces();

  Click(Form_Main->SpeedButton_ActiveBoard);

  EXPECT_EQ(ActiveBoardNo, 0);
  EXPECT_THAT(CalledEntries(), ElementsAre("Merrow_ActiveModule"));
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "SpeedButton_ActiveBoardClick"}));
  EXPECT_TRUE(Form_WaitMessage->Visible);
  EXPECT_FALSE(Form_Main->Enabled);
  EXPECT_EQ(Form_WaitMessage->Label_Message->Caption, kReadingEEPROM);
  EXPECT_FALSE(Form_Main->ComboBox_ActiveBoardNo->Enabled);
  EXPECT_FALSE(Form_Main->SpeedButton_ActiveBoard->Enabled);
  EXPECT_FALSE(Form_Main->SpeedButton_DownloadFirmware->Enabled);

  // The first refresh comes 500 ms after the click.
  Advance(499);
  EXPECT_EQ(Count(Op::GetFirmwareVersion), 0u);
  Advance(1);
  EXPECT_EQ(Count(Op::GetFirmwareVersion), 1u);

  Advance(c.ends_at - 500 - 1);
  EXPECT_TRUE(Form_WaitMessage->Visible);
  EXPECT_FALSE(Form_Main->Enabled);
  if (c.bus_lost) {
    ExpectBox(kBusLost).Caption("Kestrum Error").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main").While([] {
      EXPECT_FALSE(Form_WaitMessage->Visible);
      EXPECT_TRUE(Form_Main->Enabled) << "usable again before the box";
    });
  }
  Advance(1);
  EXPECT_FALSE(Form_WaitMessage->Visible);
  EXPECT_TRUE(Form_Main->Enabled);
  EXPECT_EQ(Count(Op::GetMasterStatus), c.ends_at / 1000) << "one watch read a second";

  // Either way the board stays active and the status line goes on.
  EXPECT_EQ(ActiveBoardNo, 0);
  EXPECT_FALSE(Form_Main->SpeedButton_ActiveBoard->Enabled);
  EXPECT_FALSE(Form_Main->Timer_ActiveBoard->Enabled);
  EXPECT_TRUE(Form_Main->Timer_Info->Enabled);
  EXPECT_EQ(ActiveBoardRetryCount, 0);
}

TEST_F(Board, TheWaitWindowIsABorderlessTopWindowSizedForTheActivation) {
  StartKestrum(driver::kKindCalvory);
  Click(Form_Main->SpeedButton_ActiveBoard);
  TForm_WaitMessage* w = Form_WaitMessage;
  EXPECT_EQ(w->BorderStyle, bsNone);
  EXPECT_EQ(w->FormStyle, fsStayOnTop);
  EXPECT_TRUE(w->TransparentColor);
  EXPECT_EQ(w->TransparentColorValue, clBtnFace);
  EXPECT_EQ(w->Color, clBtnFace);
  EXPECT_EQ(w->Position, poScreenCenter);
  EXPECT_EQ(std::make_tuple(w->Width.Get(), w->Height.Get()), std::make_tuple(400, 100));
  EXPECT_EQ(std::make_tuple(w->Image_Panel->Width.Get(), w->Image_Panel->Height.Get()), std::make_tuple(400, 100));
  EXPECT_EQ(std::make_tuple(w->Label_Message->Left.Get(), w->Label_Message->Top.Get()), std::make_tuple(20, 14));
  EXPECT_EQ(std::make_tuple(w->Left.Get(), w->Top.Get()), std::make_tuple((Screen->Width - 400) / 2, (Screen->Height - 100) / 2));
}

TEST_F(Board, AnEmptyBoardListRefusesTheActivation) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.boards = 0; });
  StartKestrum(driver::kKindCalvory);
  ClearCallLog();
  ClearTraces();
  ExpectBox("Please Select a Board No.").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main");
  Click(Form_Main->SpeedButton_ActiveBoard);
  Advance(5000);
  EXPECT_EQ(ActiveBoardNo, 255);
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_THAT(TraceTexts(), IsEmpty());
  EXPECT_FALSE(Form_WaitMessage->Visible);
  EXPECT_TRUE(Form_Main->SpeedButton_ActiveBoard->Enabled);
  EXPECT_FALSE(Form_Main->Timer_Info->Enabled);
}

TEST_F(Board, TheChosenNumberIsActivatedOnItsPort) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.ports = {4, 4}; });
  StartKestrum(driver::kKindTolquin);
  ClearCallLog();
  Select(Form_Main->ComboBox_ActiveBoardNo, Form_Main->ComboBox_ActiveBoardNo->Items->IndexOf("6"));
  Click(Form_Main->SpeedButton_ActiveBoard);
  EXPECT_EQ(ActiveBoardNo, 6);
  const auto active = CallsOf(Op::Active);
  ASSERT_EQ(active.size(), 1u);
  EXPECT_EQ(active[0].args, "board=1 port=2");
}

// ---------------------------------------------------------------- what the master's calls find
// The stand-ins' activation and reset entries, wrapped so that a test sees the
// windows and the poll threads as they are at the moment the master is called.
std::function<void()> g_at_master_call;
driver::BoardEntries::Active g_board_active = nullptr;
driver::PortEntries::Active g_port_active = nullptr;
driver::BoardEntries::ResetFirmware g_reset = nullptr;

driver::Result BoardActiveWatched(std::uint8_t board) {
  if (g_at_master_call) g_at_master_call();
  return g_board_active(board);
}
driver::Result PortActiveWatched(std::uint8_t board, std::uint8_t port) {
  if (g_at_master_call) g_at_master_call();
  return g_port_active(board, port);
}
driver::Result ResetWatched(std::uint8_t board) {
  if (g_at_master_call) g_at_master_call();
  return g_reset(board);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class MasterCallWatchingLoader final : public plat::LibraryLoader {
 public:
  plat::ModuleHandle Load(const std::string& file_name) override { return plat::SystemLoader().Load(file_name); }
  plat::ProcAddress Symbol(plat::ModuleHandle module, const std::string& entry_name) override {
    plat::ProcAddress address = plat::SystemLoader().Symbol(module, entry_name);
    if (address == nullptr) return address;
    if (entry_name == "Tolquin_Active") {
      g_port_active = reinterpret_cast<driver::PortEntries::Active>(address);
      return reinterpret_cast<plat::ProcAddress>(&PortActiveWatched);
    }
    if (EndsWith(entry_name, "_ActiveBoard") || EndsWith(entry_name, "_ActiveModule")) {
      g_board_active = reinterpret_cast<driver::BoardEntries::Active>(address);
      return reinterpret_cast<plat::ProcAddress>(&BoardActiveWatched);
    }
    if (EndsWith(entry_name, "_ResetFirmware")) {
      g_reset = reinterpret_cast<driver::BoardEntries::ResetFirmware>(address);
      return reinterpret_cast<plat::ProcAddress>(&ResetWatched);
    }
    return address;
  }
};

class MasterCalls : public Board, public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  void TearDown() override { g_at_master_call = nullptr; }
  static void StartWithTheCallsWatched(std::uint8_t kind) {
    g_at_master_call = nullptr;
    MasterCallWatchingLoader loader;
    plat::testing::ScopedCurrentLoader scoped(loader);
    StartKestrum(kind);
  }
};
std::string KindName(const ::testing::TestParamInfo<std::uint8_t>& info) {
  return "Kind" + std::to_string(info.param);
}

class ActivationCall : public MasterCalls {};
INSTANTIATE_TEST_SUITE_P(Kinds, ActivationCall, ::testing::Values<std::uint8_t>(1, 2, 3, 4), KindName);
// The CAN board of kind 3 has no firmware reset to call.
class ResetCall : public MasterCalls {};
INSTANTIATE_TEST_SUITE_P(Kinds, ResetCall, ::testing::Values<std::uint8_t>(1, 2, 4), KindName);

// The wait window is up with the kind's text, and the main window out of
// reach, before the master is asked to start.
TEST_P(ActivationCall, FindsTheWaitWindowUpWithTheKindsText) {
  const std::uint8_t kind = GetParam();
  const char* const texts[] = {nullptr, "Calvory is initialing......\nPlease wait.....",
                               "Merrow is initialing......\nPlease wait.....",
                               "Tolquin is initialing......\nPlease wait.....",
                               "This is a message."};  // kind 4 keeps what the label showed
  StartWithTheCallsWatched(kind);
  int calls = 0;
  g_at_master_call = [&] {
    ++calls;
    TForm_WaitMessage* w = Form_WaitMessage;
    EXPECT_EQ(w->Label_Message->Caption, texts[kind]);
    EXPECT_TRUE(w->Visible);
    EXPECT_EQ(std::make_tuple(w->Width.Get(), w->Height.Get()), std::make_tuple(400, 100));
    EXPECT_FALSE(Form_Main->Enabled);
    EXPECT_EQ(ActiveBoardNo, 0);
  };
  Click(Form_Main->SpeedButton_ActiveBoard);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Form_WaitMessage->Label_Message->Caption, kReadingEEPROM);
}

// No poll thread may be inside a driver call while the master restarts, and
// the status line must not read it meanwhile.
TEST_P(ResetCall, FindsEveryPollThreadHeldAndTheStatusLineStopped) {
  StartWithTheCallsWatched(GetParam());
  ActivateByClick();
  int calls = 0;
  g_at_master_call = [&] {
    ++calls;
    for (std::uint8_t slot = 1; slot <= 30; ++slot) EXPECT_TRUE(HoldsOf(slot).count("reset")) << int{slot};
    EXPECT_FALSE(Form_Main->Timer_Info->Enabled);
    EXPECT_TRUE(Form_WaitMessage->Visible);
    EXPECT_EQ(Form_Main->Edit_MasterStatus->Text, "OK!") << "the stars come after the call";
  };
  Click(Form_Main->SpeedButton_Reset);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(Form_Main->Edit_MasterStatus->Text, "*******");
  EXPECT_TRUE(Form_Main->Timer_Info->Enabled);
}

// ---------------------------------------------------------------- the status line
struct RefreshCase {
  const char* label;
  Op op;  // the reading that answers `code` in the second tick
  std::int32_t code;
  Field version, mac, baud, status;  // after the second tick
  std::uint32_t next;                // ms until the tick after it
};
void PrintTo(const RefreshCase& c, std::ostream* os) { *os << c.label; }

// The first tick reads version 0x250, MAC ID 17, 250K and status 0.
const RefreshCase kRefreshes[] = {
    {"AllGood", Op::Unused, 0, Good("2.50"), Good("17"), Good("250K bps"), Good("OK!"), 200},
    {"Version10023", Op::GetFirmwareVersion, 10023, Red("Timeout!"), Good("17"), Good("250K bps"), Good("OK!"), 2000},
    {"VersionDigits", Op::GetFirmwareVersion, 0x1A3, Good("1.103"), Good("17"), Good("250K bps"), Good("OK!"), 200},
    {"VersionFFF", Op::GetFirmwareVersion, 0xFFF, Good("15.1515"), Good("17"), Good("250K bps"), Good("OK!"), 200},
    {"Version1002", Op::GetFirmwareVersion, 1002, Red("CAN Error!"), Good("17"), Good("250K bps"), Good("OK!"), 2000},
    {"VersionCode4096", Op::GetFirmwareVersion, 0x1000, Red("4096"), Good("17"), Good("250K bps"), Good("OK!"), 2000},
    {"VersionNegative", Op::GetFirmwareVersion, -1, Red("-1"), Good("17"), Good("250K bps"), Good("OK!"), 2000},
    {"MacId10023", Op::GetMasterMACID, 10023, Good("2.50"), Red("Timeout!"), Good("250K bps"), Good("OK!"), 2000},
    {"MacId64", Op::GetMasterMACID, 64, Good("2.50"), Red("Timeout!"), Good("250K bps"), Good("OK!"), 2000},
    {"MacIdNegative", Op::GetMasterMACID, -1, Good("2.50"), Red("Timeout!"), Good("250K bps"), Good("OK!"), 2000},
    {"MacId63", Op::GetMasterMACID, 63, Good("2.50"), Good("63"), Good("250K bps"), Good("OK!"), 200},
    {"Baud10023", Op::GetBaudRate, 10023, Good("2.50"), Good("17"), Red("Timeout!"), Good("OK!"), 2000},
    {"BaudIndex7", Op::GetBaudRate, 7, Good("2.50"), Good("17"), Good("7"), Good("OK!"), 200},
    {"BaudIndexNegative", Op::GetBaudRate, -1, Good("2.50"), Good("17"), Good("-1"), Good("OK!"), 200},
    {"BaudIndex2", Op::GetBaudRate, 2, Good("2.50"), Good("17"), Good("500K bps"), Good("OK!"), 200},
    {"Status5", Op::GetMasterStatus, 5, Good("2.50"), Good("17"), Good("250K bps"), Red("5"), 200},
    {"Status1002", Op::GetMasterStatus, 1002, Good("2.50"), Good("17"), Good("250K bps"), Red("CAN Error!"), 2000},
    {"Status10023", Op::GetMasterStatus, 10023, Good("2.50"), Good("17"), Good("250K bps"), Red("Timeout!"), 2000},
};

const std::vector<Op> kStatusReads = {Op::GetFirmwareVersion, Op::GetMasterMACID, Op::GetBaudRate,
                                     Op::GetMasterStatus};

class MasterStatusRefresh : public Board, public ::testing::WithParamInterface<RefreshCase> {};
INSTANTIATE_TEST_SUITE_P(Readings, MasterStatusRefresh, ::testing::ValuesIn(kRefreshes),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(MasterStatusRefresh, ShowsEachReadingAndWaitsLongerAfterAFailedOne) {
  const RefreshCase& c = GetParam();
  ConfigureNetwork([](dnsim::NetworkConfig& n) {
    n.master.mac = 17;
    n.master.baud = 1;
  });
  StartKestrum(driver::kKindGadrow);
  ActivateByClick();
  ExpectStatusLine(Good("2.50"), Good("17"), Good("250K bps"), Good("OK!"));

  if (c.op != Op::Unused) dnsim::Sim().InjectFault(c.op, c.code, 1);
  Advance(200);
  ExpectStatusLine(c.version, c.mac, c.baud, c.status);
  EXPECT_EQ(Form_Main->Timer_Info->Interval, c.next);
  EXPECT_TRUE(Form_Main->Timer_Info->Enabled);
  // The four readings in their order; a failed one ends the tick, so the
  // readings after it are not even made.
  const bool failed = c.next != 200;
  std::vector<Op> expected = kStatusReads;
  if (failed) expected.erase(std::find(expected.begin(), expected.end(), c.op) + 1, expected.end());
  std::vector<Op> made;
  for (const dnsim::CallRecord& r : CallLog()) {
    if (std::find(kStatusReads.begin(), kStatusReads.end(), r.op) != kStatusReads.end()) made.push_back(r.op);
  }
  EXPECT_EQ(made, expected);

  ClearCallLog();
  Advance(c.next - 1);
  EXPECT_EQ(Count(Op::GetFirmwareVersion), 0u);
  Advance(1);
  EXPECT_EQ(Count(Op::GetFirmwareVersion), 1u);
  ExpectStatusLine(Good("2.50"), Good("17"), Good("250K bps"), Good("OK!"));
  EXPECT_EQ(Form_Main->Timer_Info->Interval, 200u) << "back to 200 ms after a good tick";
}

TEST_F(Board, TheRefreshDoesNothingWhileNoBoardIsActive) {
  StartKestrum(driver::kKindMerrow);
  ClearCallLog();
  Form_Main->Timer_Info->Enabled = true;
  Advance(1000);
  EXPECT_THAT(CalledEntries(), IsEmpty());
  ExpectStatusLine(kStars, kStars, kStars, kStars);
  EXPECT_TRUE(Form_Main->Timer_Info->Enabled);
  EXPECT_EQ(Form_Main->Timer_Info->Interval, 200u);
}

// ---------------------------------------------------------------- the firmware warning
struct WarningCase {
  std::uint8_t kind;
  std::uint16_t version;
  const char* shown;
  const char* warning;  // null: none
};
void PrintTo(const WarningCase& c, std::ostream* os) {
  *os << "kind " << int{c.kind} << " version " << c.shown;
}

constexpr const char* kMerrowWarning = "Please update the firmware of the Merrow to the version v1.5 or newer.";
constexpr const char* kCalvoryWarning = "Please update the firmware of the Calvorix to the version v2.5 or newer.";

const WarningCase kWarnings[] = {
    {2, 0x140, "1.40", kMerrowWarning}, {2, 0x099, "0.99", kMerrowWarning}, {2, 0x141, "1.41", nullptr},
    {1, 0x240, "2.40", kCalvoryWarning}, {1, 0x241, "2.41", nullptr},     {3, 0x100, "1.00", nullptr},
    {4, 0x100, "1.00", nullptr},
};

class FirmwareWarning : public Board, public ::testing::WithParamInterface<WarningCase> {};
INSTANTIATE_TEST_SUITE_P(Versions, FirmwareWarning, ::testing::ValuesIn(kWarnings));

TEST_P(FirmwareWarning, OldFirmwareIsWarnedOfOncePerRun) {
  const WarningCase& c = GetParam();
  ConfigureNetwork([&](dnsim::NetworkConfig& n) {
    n.master.firmware_version = c.version;
    n.master.reset_polls = 0;
  });
  StartKestrum(c.kind);
  Click(Form_Main->SpeedButton_ActiveBoard);
  Advance(2499);
  if (c.warning) {
    ExpectBox(c.warning).Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main").While([] {
      EXPECT_EQ(Form_Main->Edit_FirmwareVer->Text, GetParam().shown);
      EXPECT_EQ(Form_Main->Edit_MasterID->Text, "*******") << "the MAC ID is read after the warning";
      EXPECT_FALSE(Form_Main->Timer_Info->Enabled) << "no tick while its box is open";
    });
  }
  Advance(1);
  EXPECT_EQ(Form_Main->Edit_FirmwareVer->Text, c.shown);
  EXPECT_EQ(Form_Main->Edit_MasterStatus->Text, "OK!");

  // Later readings, also after a firmware reset, warn no more.
  Advance(1000);
  Click(Form_Main->SpeedButton_Reset);
  Advance(3000);
  EXPECT_EQ(Form_Main->Edit_FirmwareVer->Text, c.shown);
  EXPECT_EQ(Form_Main->Edit_MasterStatus->Text, "OK!");
}

// ---------------------------------------------------------------- firmware reset
struct ResetTextCase {
  std::uint8_t kind;
  const char* text;
  std::size_t reset_calls;  // the CAN-board kind has no firmware reset
};
void PrintTo(const ResetTextCase& c, std::ostream* os) { *os << "kind " << int{c.kind}; }

const ResetTextCase kResetTexts[] = {
    {1, "The firmware in the Calvory is restarting......\nPlease wait.....", 1},
    {2, "The firmware in the Merrow is restarting......\nPlease wait.....", 1},
    {3, kReadingEEPROM, 0},  // the label of the last activation
    {4, kReadingEEPROM, 1},
};

class FirmwareReset : public Board, public ::testing::WithParamInterface<ResetTextCase> {};
INSTANTIATE_TEST_SUITE_P(Kinds, FirmwareReset, ::testing::ValuesIn(kResetTexts));

TEST_P(FirmwareReset, ShowsStarsHoldsThePollThreadsAndReleasesThemWhenTheMasterRuns) {
  const ResetTextCase& c = GetParam();
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.reset_polls = 2; });
  StartKestrum(c.kind);
  ActivateByClick();
  // Another holder's reason is none of the reset's business.
  DeviceIOPanel->ActivateThread(7, false, DeviceIO::kHoldSearch);

  Click(Form_Main->SpeedButton_Reset);

  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "SpeedButton_ResetClick"}));
  EXPECT_EQ(Count(Op::ResetFirmware), c.reset_calls);
  ExpectStatusLine(kStars, kStars, kStars, kStars);
  TForm_WaitMessage* w = Form_WaitMessage;
  EXPECT_TRUE(w->Visible);
  EXPECT_EQ(w->Label_Message->Caption, c.text);
  EXPECT_EQ(std::make_tuple(w->Width.Get(), w->Height.Get()), std::make_tuple(500, 100));
  EXPECT_EQ(std::make_tuple(w->Label_Message->Left.Get(), w->Label_Message->Top.Get()), std::make_tuple(25, 14));
  EXPECT_TRUE(Form_Main->Enabled) << "the main window stays usable";
  for (std::uint8_t slot = 1; slot <= 30; ++slot) EXPECT_TRUE(HoldsOf(slot).count("reset")) << int{slot};
  EXPECT_TRUE(Form_Main->Timer_Info->Enabled);
  EXPECT_EQ(Form_Main->Timer_Info->Interval, 200u);

  // A restarting master answers nothing: the refresh shows the time-out, slowly.
  Advance(200);
  if (c.reset_calls > 0) {
    ExpectStatusLine(Red("Timeout!"), kStars, kStars, kStars);
    EXPECT_EQ(Form_Main->Timer_Info->Interval, 2000u);
  }

  const std::uint32_t running_at = c.reset_calls > 0 ? 3000 : 1000;
  Advance(running_at - 200 - 1);
  EXPECT_TRUE(w->Visible);
  EXPECT_TRUE(HoldsOf(1).count("reset"));
  Advance(1);
  EXPECT_FALSE(w->Visible);
  EXPECT_FALSE(Form_Main->Timer_ResetFirmware->Enabled);
  for (std::uint8_t slot = 1; slot <= 30; ++slot) EXPECT_FALSE(HoldsOf(slot).count("reset")) << int{slot};
  EXPECT_TRUE(HoldsOf(7).count("search"));
  EXPECT_EQ(ResetRetryCount, 0);
  Advance(2000);
  EXPECT_EQ(Form_Main->Edit_MasterStatus->Text, "OK!");
}

TEST_F(Board, AResetThatGivesUpLeavesThePollThreadsHeldUntilOneSucceeds) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.reset_polls = 0; });
  StartKestrum(driver::kKindCalvory);
  ActivateByClick();
  const std::set<std::string> before = HoldsOf(12);

  // Six status reads that find no running master.
  dnsim::Sim().InjectFault(Op::GetMasterStatus, 10023, 6);
  Click(Form_Main->SpeedButton_Reset);
  Advance(5999);
  EXPECT_TRUE(Form_WaitMessage->Visible);
  ExpectBox(kBusLost).Caption("Kestrum Error").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main").While([] {
    EXPECT_FALSE(Form_WaitMessage->Visible);
  });
  Advance(1);
  EXPECT_EQ(Count(Op::GetMasterStatus), 6u);
  EXPECT_FALSE(Form_Main->Timer_ResetFirmware->Enabled);
  EXPECT_EQ(ResetRetryCount, 0);
  for (std::uint8_t slot = 1; slot <= 30; ++slot) EXPECT_TRUE(HoldsOf(slot).count("reset")) << int{slot};

  // The next reset finds the master running after its restart.
  Click(Form_Main->SpeedButton_Reset);
  Advance(1000);
  EXPECT_FALSE(Form_WaitMessage->Visible);
  for (std::uint8_t slot = 1; slot <= 30; ++slot) EXPECT_FALSE(HoldsOf(slot).count("reset")) << int{slot};
  EXPECT_EQ(HoldsOf(12), before);
}

// ---------------------------------------------------------------- the configuration tree after the watches
// The master's scan list of these tests: two devices, one connection each.
const std::vector<dnsim::ScanEntry> kTwoDevices = {{12, 1, 8, 4, 200}, {5, 2, 2, 0, 200}};
const std::vector<std::string> kTwoDevicesShown = {"Device 12 [2]", "  Poll ( Input 8 , Output 4 ) [3]",
                                                   "Device 5 [2]", "  Strobe ( Input 2 ) [4]"};
// The same list after device 12 left it.
const std::vector<std::string> kDevice5Shown = {"Device 5 [2]", "  Strobe ( Input 2 ) [4]"};

std::vector<std::string> ConfigTree() { return kestrum::config_testing::TreeLines(Form_Main->TreeView_CurrentConfig); }

struct ActivationRebuildCase {
  const char* label;
  std::int32_t master_status;  // what the running master reports
  std::uint32_t ends_at;       // ms after the click: the watch ends
  Field status_shown;          // once the watch is over
};
void PrintTo(const ActivationRebuildCase& c, std::ostream* os) { *os << c.label; }

const ActivationRebuildCase kActivationRebuilds[] = {
    {"Runs", 0, 1000, Good("OK!")},
    // Four reads of the CAN error give up, yet the master answers its scan list.
    {"ReportsACanError", 1002, 4000, Red("CAN Error!")},
};

class ActivationRebuild : public Board, public ::testing::WithParamInterface<ActivationRebuildCase> {};
INSTANTIATE_TEST_SUITE_P(Masters, ActivationRebuild, ::testing::ValuesIn(kActivationRebuilds),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(ActivationRebuild, TheEndOfTheWatchShowsTheMastersScanListEitherWay) {
  const ActivationRebuildCase& c = GetParam();
  ConfigureNetwork([&](dnsim::NetworkConfig& n) {
    n.master.activation_polls = 0;
    n.master.status = c.master_status;
    n.scan_list = kTwoDevices;
  });
  StartKestrum(driver::kKindMerrow);
  ASSERT_EQ(dnsim::Sim().ScanList(), kTwoDevices);
  Click(Form_Main->SpeedButton_ActiveBoard);
  Advance(c.ends_at - 1);
  EXPECT_THAT(ConfigTree(), IsEmpty());
  EXPECT_THAT(CallsOf(Op::GetScanList), IsEmpty());
  if (c.master_status != 0) ExpectBox(kBusLost).Caption("Kestrum Error").Flags(MB_OK | MB_ICONERROR);
  Advance(1);
  EXPECT_FALSE(Form_WaitMessage->Visible);
  EXPECT_EQ(CallsOf(Op::GetScanList).size(), 1u);
  EXPECT_EQ(ConfigTree(), kTwoDevicesShown);
  Advance(2000);
  EXPECT_EQ(Shown(Form_Main->Edit_MasterStatus), c.status_shown);
}

class ResetRebuild : public Board, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(Resets, ResetRebuild, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "GivesUp" : "Succeeds"; });

TEST_P(ResetRebuild, OnlyAResetThatSucceedsShowsTheMastersScanListAgain) {
  const bool gives_up = GetParam();
  ConfigureNetwork([](dnsim::NetworkConfig& n) {
    n.master.reset_polls = 2;
    n.scan_list = kTwoDevices;
  });
  StartKestrum(driver::kKindCalvory);
  ActivateByClick();
  ASSERT_EQ(ConfigTree(), kTwoDevicesShown);
  // The master's list changes behind the program's back; only a new read shows it.
  ASSERT_EQ(dnsim::Sim().RemoveDevice({"Test_Entry", 0, dnsim::kNoPort}, 12), 0);
  ASSERT_EQ(dnsim::Sim().ScanList(), (std::vector<dnsim::ScanEntry>{kTwoDevices[1]}));
  ClearCallLog();

  if (gives_up) dnsim::Sim().InjectFault(Op::GetMasterStatus, 10023, 6);
  Click(Form_Main->SpeedButton_Reset);
  const std::uint32_t ends_at = gives_up ? 6000 : 3000;
  Advance(ends_at - 1);
  EXPECT_EQ(ConfigTree(), kTwoDevicesShown);
  if (gives_up) ExpectBox(kBusLost).Caption("Kestrum Error").Flags(MB_OK | MB_ICONERROR);
  Advance(1);
  EXPECT_FALSE(Form_WaitMessage->Visible);
  EXPECT_EQ(CallsOf(Op::GetScanList).size(), gives_up ? 0u : 1u);
  EXPECT_EQ(ConfigTree(), gives_up ? kTwoDevicesShown : kDevice5Shown);
}

// ---------------------------------------------------------------- refusals without an active board
struct RefusalCase {
  const char* trace;
  std::function<void()> act;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.trace; }

const RefusalCase kRefusals[] = {
    {"SpeedButton_ResetClick", [] { Click(Form_Main->SpeedButton_Reset); }},
    {"SpeedButton_StartAllDeviceClick", [] { Click(Form_Main->SpeedButton_StartAllDevice); }},
    {"SpeedButton_StopAllDeviceClick", [] { Click(Form_Main->SpeedButton_StopAllDevice); }},
    {"Menu_ChangeMasterIDClick", [] { ChooseMenu(Form_Main->Menu_ChangeMasterID); }},
    {"Menu_ChangeBaudRateClick", [] { ChooseMenu(Form_Main->Menu_ChangeBaudRate); }},
};

class BoardCommandRefusal : public Board, public ::testing::WithParamInterface<RefusalCase> {};
INSTANTIATE_TEST_SUITE_P(Commands, BoardCommandRefusal, ::testing::ValuesIn(kRefusals));

TEST_P(BoardCommandRefusal, WithoutAnActiveBoardRefusesBeforeItsTraceAndCallsNothing) {
  StartKestrum(driver::kKindCalvory);
  ClearCallLog();
  ClearTraces();
  ExpectBox("Please Active Board First").Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_Main");
  GetParam().act();  // an unexpected question or dialog would fail the test
  Advance(2000);
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_THAT(TraceTexts(), IsEmpty());
  EXPECT_FALSE(Form_WaitMessage->Visible);
  ExpectStatusLine(kStars, kStars, kStars, kStars);
}

// ---------------------------------------------------------------- start all, stop all
struct AllDevicesCase {
  const char* trace;
  TSpeedButton* TForm_Main::*button;
  const char* question;
  Op op;
  bool search_after;  // the search and diagnosis buttons after a Yes
};
void PrintTo(const AllDevicesCase& c, std::ostream* os) { *os << c.trace; }

const AllDevicesCase kAllDevices[] = {
    {"SpeedButton_StartAllDeviceClick", &TForm_Main::SpeedButton_StartAllDevice,
     "It will start to communicate with all slave devices by default output value(0x00).\nDo you really do it?",
     Op::StartAllDevice, false},
    {"SpeedButton_StopAllDeviceClick", &TForm_Main::SpeedButton_StopAllDevice,
     "It will stop to communicate with all slave devices. All slave devices will off-line.\nDo you really do it?",
     Op::StopAllDevice, true},
};

class AllDevices : public Board, public ::testing::WithParamInterface<std::tuple<AllDevicesCase, int>> {};
INSTANTIATE_TEST_SUITE_P(Commands, AllDevices, ::testing::Combine(::testing::ValuesIn(kAllDevices),
                                                                  ::testing::Values(IDNO, IDYES)));

TEST_P(AllDevices, AskFirstAndOnlyAYesCallsTheMasterAndTogglesSearchAndDiagnosis) {
  const auto& [c, answer] = GetParam();
  StartKestrum(driver::kKindMerrow);
  ActivateBoard(0);
  ClearTraces();
  // The buttons as the other command left them, so that a change shows.
  Form_Main->SpeedButton_SearchDevice->Enabled = !c.search_after;
  Form_Main->SpeedButton_DebugDevice->Enabled = !c.search_after;

  ExpectBox(c.question)
      .Caption("Kestrum")
      .Flags(MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST)
      .Owner("Form_Main")
      .Answer(answer);
  Click(Form_Main->*c.button);

  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, c.trace}));
  const bool yes = answer == IDYES;
  const auto calls = CallsOf(c.op);
  EXPECT_EQ(calls.size(), yes ? 1u : 0u);
  EXPECT_EQ(CallLog().size(), calls.size()) << "nothing else is called";
  if (yes && !calls.empty()) {
    EXPECT_EQ(calls[0].args, "board=0");
  }
  const bool enabled = yes ? c.search_after : !c.search_after;
  EXPECT_EQ(Form_Main->SpeedButton_SearchDevice->Enabled, enabled);
  EXPECT_EQ(Form_Main->SpeedButton_DebugDevice->Enabled, enabled);
}

// ---------------------------------------------------------------- firmware hand-off
struct HandOffCase {
  const char* label;
  std::uint8_t kind;
  const char* program;  // started from the program's own folder; null: none
  const char* message;  // a plain message instead; null: none
};
void PrintTo(const HandOffCase& c, std::ostream* os) { *os << c.label; }

const HandOffCase kHandOffs[] = {
    {"Calvory", 1, "Ravelin.exe", nullptr},
    {"Merrow", 2, "Update_Merrow.exe", nullptr},
    {"Gadrow", 4, nullptr, "Please use the \"Hessary_utility.exe\" to update the firmware."},
    {"NoKind", 0, nullptr, nullptr},
};

class FirmwareHandOff : public Board, public ::testing::WithParamInterface<HandOffCase> {};
INSTANTIATE_TEST_SUITE_P(Kinds, FirmwareHandOff, ::testing::ValuesIn(kHandOffs),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(FirmwareHandOff, StartsTheKindsUpdateProgramBesideTheProgramWithoutArguments) {
  const HandOffCase& c = GetParam();
  plat::testing::SpawnProbe probe;  // the update programs here are copies of the probe
  StartKestrum(c.kind);
  ClearTraces();
  Form_Main->Timer_Info->Enabled = true;
  if (c.message) ExpectBox(c.message).Kind(BoxKind::ShowMessage);

  Click(Form_Main->SpeedButton_DownloadFirmware);

  const auto starts = probe.Collect();
  if (c.program) {
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].Arg(0), plat::ProgramDirectory() + c.program);
    EXPECT_EQ(starts[0].Argc(), 1);
    EXPECT_EQ(starts[0].Field("blocked"), "");
  } else {
    EXPECT_TRUE(starts.empty());
  }
  EXPECT_FALSE(Form_Main->Timer_Info->Enabled);
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "SpeedButton_DownloadFirmwareClick"}));
}

}  // namespace
