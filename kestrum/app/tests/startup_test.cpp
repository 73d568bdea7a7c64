// Start-up, hardware choice, the board selector, the board list, both exits
// and the small menu commands, against the simulated driver libraries.

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "driver/driver_binding.h"
#include "kestrum/app/about.h"
#include "kestrum/app/debug_window.h"
#include "kestrum/app/logo.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/win_main.h"
#include "platform/exception.h"
#include "platform/testing/loaders.h"
#include "platform/ui/thread.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using plat::BoxKind;

class Startup : public KestrumTest {};

std::vector<std::string> Items(TComboBox* combo) { return combo->Items->Items(); }

// The selector as the window was built: captions, pictures and the update button.
void ExpectSelectorUntouched() {
  EXPECT_EQ(Form_Main->Label_TotalBoards->Caption, "Total Boards : ");
  EXPECT_EQ(Form_Main->Label_BoardNo->Caption, "Board No : ");
  EXPECT_EQ(Form_Main->SpeedButton_ActiveBoard->Caption, "ActiveBoard");
  EXPECT_EQ(Form_Main->SpeedButton_ActiveBoard->Glyph->ResourceName(), "ACTIVE_Calvory");
  EXPECT_TRUE(Form_Main->SpeedButton_DownloadFirmware->Visible);
  EXPECT_EQ(Form_Main->SpeedButton_DownloadFirmware->Glyph->ResourceName(), "UPDATE_Calvory");
}

// ---------------------------------------------------------------- creation
TEST_F(Startup, WindowsAreMadeInOrderAndTheMainWindowIsReadyBeforeItShows) {
  ActiveBoardNo = 7;  // the constructor sets it, whatever it was
  kestrum::CreateProgramWindows();

  std::vector<std::string> forms;
  for (int i = 0; i < Application->ComponentCount; ++i) forms.push_back(Application->Components(i)->Name);
  EXPECT_THAT(forms, ElementsAre("Form_Logo", "Form_Main", "Form_Wait", "Form_DebuggingDevice", "Form_NewDevice",
                                 "Form_WaitMessage", "Form_ChangeMACID", "Form_About", "Form_Debug",
                                 "Form_SelectHardware"));
  EXPECT_EQ(Application->MainForm, Form_Main);
  EXPECT_TRUE(Form_Logo->Visible);
  EXPECT_FALSE(Form_Main->Visible);

  EXPECT_EQ(ActiveBoardNo, 255);
  EXPECT_TRUE(kestrum::TracingBound());
  ASSERT_NE(DeviceNameLock, nullptr);
  ASSERT_NE(InputDataLock, nullptr);
  EXPECT_NE(DeviceNameLock, InputDataLock);
  ASSERT_NE(DeviceIOPanel, nullptr);
  EXPECT_EQ(Form_Main->PageControl_Main->ActivePage, Form_Main->TabSheet_Configuration);
  EXPECT_EQ(HardwareKind, 0) << "nothing is chosen before the first show";
}

TEST_F(Startup, TheSplashShowsTheHourglassUntilTheFirstShowDestroysIt) {
  bool looked = false;
  StartOptions options;
  options.answer_chooser = [&](TForm& chooser) {
    looked = true;
    ASSERT_NE(Form_Logo, nullptr);
    EXPECT_TRUE(Form_Logo->Visible) << "the splash stays behind the chooser";
    EXPECT_EQ(Screen->Cursor, crHourGlass);
    EXPECT_TRUE(chooser.IsModal());
    // Five CAN board models, indented by two blanks and padded to one width.
    const std::string caption = Form_SelectHardware->SpeedButton_Wenlow->Caption;
    EXPECT_EQ(caption, kestrum::WenlowCaption());
    std::vector<std::string> lines;
    for (std::size_t from = 0; from <= caption.size();) {
      const std::size_t end = std::min(caption.find('\n', from), caption.size());
      lines.push_back(caption.substr(from, end - from));
      from = end + 1;
    }
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines) {
      EXPECT_EQ(line.substr(0, 2), "  ");
      EXPECT_NE(line[2], ' ');
      EXPECT_EQ(line.size(), lines[0].size());
    }
    Click(Form_SelectHardware->SpeedButton_PCI);
  };
  StartKestrum(1, options);
  EXPECT_TRUE(looked);
  EXPECT_EQ(Form_Logo, nullptr);
  EXPECT_EQ(Screen->Cursor, crDefault);
}

// ---------------------------------------------------------------- the per-kind board selector
struct KindCase {
  const char* label;
  std::uint8_t kind;
  const char* total;
  const char* number;
  const char* activate;
  const char* activate_picture;
  const char* update_picture;  // null: the update button is hidden
  const char* boards;          // Edit_TotalBoard with the default network
  std::vector<std::string> items;
};
void PrintTo(const KindCase& c, std::ostream* os) { *os << c.label; }

const KindCase kKindCases[] = {
    {"Calvory", 1, "Total Boards : ", "Board No : ", "Active Board", "ACTIVE_Calvory", "UPDATE_Calvory", "1", {"0"}},
    {"Merrow", 2, "Total Modules ", "Module No ", "Active Module", "ACTIVE_Sandle", "UPDATE_Sandle", "1", {"0"}},
    // One CAN board of four ports.
    {"Tolquin", 3, "Total Ports : ", "Port No : ", "Active Port", "ACTIVE_Calvory", nullptr, "4",
     {"0", "1", "2", "3"}},
    {"Gadrow", 4, "Total Modules ", "Module No ", "Active Module", "ACTIVE_Gadrow", "UPDATE_Gadrow", "1", {"0"}},
};

class EveryKind : public Startup, public ::testing::WithParamInterface<KindCase> {};
INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::ValuesIn(kKindCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(EveryKind, TheChosenKindBindsItsDriverAndNamesTheBoardSelector) {
  const KindCase& c = GetParam();
  StartKestrum(c.kind);

  EXPECT_EQ(HardwareKind, c.kind);
  EXPECT_NE(DriverEntryTableOf(c.kind)->Module(), nullptr);
  EXPECT_EQ(Form_Main->Label_TotalBoards->Caption, c.total);
  EXPECT_EQ(Form_Main->Label_BoardNo->Caption, c.number);
  EXPECT_EQ(Form_Main->SpeedButton_ActiveBoard->Caption, c.activate);
  EXPECT_EQ(Form_Main->SpeedButton_ActiveBoard->Glyph->ResourceName(), c.activate_picture);
  if (c.update_picture) {
    EXPECT_TRUE(Form_Main->SpeedButton_DownloadFirmware->Visible);
    EXPECT_EQ(Form_Main->SpeedButton_DownloadFirmware->Glyph->ResourceName(), c.update_picture);
  } else {
    EXPECT_FALSE(Form_Main->SpeedButton_DownloadFirmware->Visible);
  }
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, c.boards);
  EXPECT_EQ(Items(Form_Main->ComboBox_ActiveBoardNo), c.items);
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->ItemIndex, 0);
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->Text, "0");
  EXPECT_FALSE(Application->Terminated());
}

// ---------------------------------------------------------------- binding failures
struct MissingCase {
  std::uint8_t kind;
  const char* message;
};
void PrintTo(const MissingCase& c, std::ostream* os) { *os << "kind " << int{c.kind}; }

class MissingLibrary : public Startup, public ::testing::WithParamInterface<MissingCase> {};
INSTANTIATE_TEST_SUITE_P(Kinds, MissingLibrary,
                         ::testing::Values(MissingCase{1, "Calvory.dll not exist!!"},
                                           MissingCase{2, "Merrow.dll not exist!!"},
                                           MissingCase{3, "Tolquin.dll not exist!!"},
                                           MissingCase{4, "Gadrow_VCPP_XPe.dll or Hessary.dll not exist!!"}));

TEST_P(MissingLibrary, IsReportedAndEndsTheProgramBeforeAnythingIsListed) {
  plat::testing::DirectoryLoader none(dnsim::fixtures::kNoDrivers);
  plat::testing::ScopedCurrentLoader scoped(none);
  ExpectModal("Form_SelectHardware",
              [](TForm& f) { Click(Find<TSpeedButton>(&f, ChooserButtonName(GetParam().kind))); });
  ExpectBox(GetParam().message).Kind(BoxKind::ShowMessage);

  EXPECT_EQ(kestrum::WinMain(), 0);  // the loop ends at once: the main window closed in its first show

  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Form_Main->Visible);
  ExpectSelectorUntouched();
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "");
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_EQ(DeviceIOPanel, nullptr) << "ended after the loop";
}

TEST_F(Startup, AMissingEntryShowsItsBareCodeAndTheProgramGoesOn) {
  ExpectBox("-39").Kind(BoxKind::ShowMessage);
  StartKestrum(2, DriversFrom(dnsim::fixtures::kMerrowWithoutDownloadMode));

  EXPECT_FALSE(Application->Terminated());
  EXPECT_EQ(Form_Main->Label_TotalBoards->Caption, "Total Modules ");
  EXPECT_EQ(Form_Main->Label_BoardNo->Caption, "Module No ");
  EXPECT_EQ(Form_Main->SpeedButton_ActiveBoard->Caption, "Active Module");
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "1");
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo), ElementsAre("0"));
}

// ---------------------------------------------------------------- the board list
TEST_F(Startup, TwelveBoardsAreListedAsTextWithTheFirstSelected) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.boards = 12; });
  StartKestrum(1);
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "12");
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo),
              ElementsAre("0", "1", "10", "11", "2", "3", "4", "5", "6", "7", "8", "9"));
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->ItemIndex, 0);
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->Text, "0");
}

TEST_F(Startup, NoBoardPresentListsNothingAndSelectsNothing) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.boards = 0; });
  StartKestrum(4);
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "0");
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo), IsEmpty());
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->ItemIndex, -1);
}

TEST_F(Startup, SearchModuleListsAgainWithEachNumberOnceAndNeedsNoActiveBoard) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.boards = 3; });
  StartKestrum(1);
  ChooseMenu(Form_Main->Menu_SearchDeviceNetModule);
  ChooseMenu(Form_Main->Menu_SearchDeviceNetModule);
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo), ElementsAre("0", "1", "2"));
  EXPECT_EQ(CallsOf(dnsim::Op::Total).size(), 3u);

  // A board that went away leaves the list too.
  dnsim::NetworkConfig two = DefaultNetwork();
  two.master.boards = 2;
  dnsim::Sim().Configure(two);
  ChooseMenu(Form_Main->Menu_SearchDeviceNetModule);
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo), ElementsAre("0", "1"));
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "2");
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->ItemIndex, 0);

  // None left: an empty list with nothing selected.
  dnsim::NetworkConfig none = DefaultNetwork();
  none.master.boards = 0;
  dnsim::Sim().Configure(none);
  ChooseMenu(Form_Main->Menu_SearchDeviceNetModule);
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "0");
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo), IsEmpty());
  EXPECT_EQ(Form_Main->ComboBox_ActiveBoardNo->ItemIndex, -1);
  EXPECT_THAT(TraceTexts(), Not(Contains("Menu_SearchDeviceNetModuleClick")));
}

// ---------------------------------------------------------------- no kind chosen
class ChooserClosed : public Startup, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(Ways, ChooserClosed, ::testing::Values("WindowManager", "Escape"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(ChooserClosed, WithoutAChoiceMeansKindZeroAndNothingBound) {
  StartOptions options;
  options.answer_chooser = [](TForm& chooser) {
    if (std::string(GetParam()) == "Escape") {
      PressEscape(&chooser);
    } else {
      CloseByWindowManager(&chooser);
    }
  };
  StartKestrum(0, options);

  EXPECT_EQ(HardwareKind, 0);
  for (std::uint8_t kind = 1; kind <= 4; ++kind) EXPECT_EQ(DriverEntryTableOf(kind)->Module(), nullptr);
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "0");
  EXPECT_THAT(Items(Form_Main->ComboBox_ActiveBoardNo), IsEmpty());
  ExpectSelectorUntouched();
  EXPECT_FALSE(Application->Terminated());
  EXPECT_EQ(Form_Logo, nullptr);
}

// ---------------------------------------------------------------- exits
TEST_F(Startup, ToolBarExitEndsThePollThreadsThenClosesTheActiveBoard) {
  ConfigureNetwork([](dnsim::NetworkConfig& n) { n.master.boards = 3; });
  StartKestrum(1);
  ActivateBoard(2);
  Form_Main->Timer_Info->Enabled = true;  // as the activation leaves it

  Click(Form_Main->SpeedButton_Exit);

  const auto closes = CallsOf(dnsim::Op::Close);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].args, "board=2");
  EXPECT_FALSE(Form_Main->Timer_Info->Enabled);
  EXPECT_EQ(DeviceIOPanel, nullptr);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Form_Main->Visible);
}

TEST_F(Startup, ToolBarExitWithoutAnActiveBoardClosesNothing) {
  StartKestrum(1);
  ClearCallLog();
  Click(Form_Main->SpeedButton_Exit);
  EXPECT_THAT(CalledEntries(), IsEmpty());
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Startup, MenuExitOnlyClosesTheWindowAndTheThreadsEndAfterTheLoop) {
  StartKestrum(1);
  ActivateBoard(0);
  ChooseMenu(Form_Main->Menu_Exit);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_NE(DeviceIOPanel, nullptr) << "the menu Exit leaves the I/O monitor to the end";
  kestrum::EndProgramQuietly();
  EXPECT_EQ(DeviceIOPanel, nullptr);
  EXPECT_THAT(CallsOf(dnsim::Op::Close), IsEmpty());
  EXPECT_EQ(ActiveBoardNo, 0);
}

// The window has no close box, but a window manager can close it all the same:
// that ends the program as the menu Exit does.
class WholeProgram : public Startup, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(Ends, WholeProgram, ::testing::Values("MenuExit", "WindowManager"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(WholeProgram, RunsUntilTheMainWindowClosesAndReturnsZeroWithoutClosingTheBoard) {
  ExpectModal("Form_SelectHardware", [](TForm& f) { Click(Find<TSpeedButton>(&f, "SpeedButton_Module")); });
  ui.WhenIdle([] {
    EXPECT_TRUE(Form_Main->Visible);
    EXPECT_EQ(Form_Main->Edit_TotalBoard->Text, "1");
    ActivateBoard(0);
    if (std::string(GetParam()) == "MenuExit") {
      ChooseMenu(Form_Main->Menu_Exit);
    } else {
      CloseByWindowManager(Form_Main);
    }
  });
  EXPECT_EQ(kestrum::WinMain(), 0);
  EXPECT_EQ(DeviceIOPanel, nullptr);
  EXPECT_TRUE(plat::LiveWorkerThreads().empty());
  EXPECT_THAT(CallsOf(dnsim::Op::Close), IsEmpty());
}

// Whatever escapes the loop is shown in the standard exception box (anything
// that is no exception object with an empty text); the program still ends its
// poll threads and returns 0, and the board stays as it is.
struct EscapeCase {
  const char* label;
  void (*thrower)();
  const char* shown;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.label; }

class EscapingTheLoop : public Startup, public ::testing::WithParamInterface<EscapeCase> {};
INSTANTIATE_TEST_SUITE_P(
    Throws, EscapingTheLoop,
    ::testing::Values(EscapeCase{"Exception", [] { throw plat::Exception("Out of resources"); }, "Out of resources."},
                      EscapeCase{"NotAnException", [] { throw 7; }, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_P(EscapingTheLoop, IsShownInTheExceptionBoxAndTheProgramStillEndsCleanly) {
  ExpectModal("Form_SelectHardware", [](TForm& f) { Click(Find<TSpeedButton>(&f, "SpeedButton_PCI")); });
  ui.WhenIdle([] {
    ActivateBoard(0);
    GetParam().thrower();
  });
  ExpectBox(GetParam().shown).Kind(BoxKind::Exception).Flags(plat::MB_OK | plat::MB_ICONERROR);

  EXPECT_EQ(kestrum::WinMain(), 0);
  EXPECT_EQ(DeviceIOPanel, nullptr);
  EXPECT_TRUE(plat::LiveWorkerThreads().empty());
  EXPECT_THAT(CallsOf(dnsim::Op::Close), IsEmpty());
}

// ---------------------------------------------------------------- About and Debug
TEST_F(Startup, AboutIsModalAndDebugIsNotAndTheHiddenDebugItemAnswersItsShortcut) {
  StartKestrum(1);
  ClearTraces();
  ExpectModal("Form_About", [](TForm& about) {
    EXPECT_TRUE(about.IsModal());
    EXPECT_FALSE(Form_Main->Enabled);
    CloseByWindowManager(&about);
  });
  ChooseMenu(Form_Main->Menu_About);
  EXPECT_FALSE(Form_About->Visible);

  EXPECT_NE(vcl::person::ChooseMenu(Form_Main->Debug_Trace), "") << "the item is not in the visible menu";
  EXPECT_FALSE(Form_Debug->Visible);
  PressKeys(Form_Main, "Ctrl+Alt+D");
  EXPECT_TRUE(Form_Debug->Visible);
  EXPECT_FALSE(Form_Debug->IsModal());
  EXPECT_TRUE(Form_Main->Enabled);
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "Menu_AboutClick"}, TraceLine{1, "Debug_TraceClick"}));
}

// The user-command traces pass the filter as ID 1000, not unfiltered.
struct CommandCase {
  const char* trace;
  std::function<void()> act;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.trace; }

const CommandCase kCommands[] = {
    {"SpeedButton_ExitClick", [] { Click(Form_Main->SpeedButton_Exit); }},
    {"Menu_AboutClick",
     [] {
       ExpectModal("Form_About", [](TForm& f) { CloseByWindowManager(&f); });
       ChooseMenu(Form_Main->Menu_About);
     }},
    {"Debug_TraceClick", [] { PressKeys(Form_Main, "Ctrl+Alt+D"); }},
};

class CommandTrace : public Startup, public ::testing::WithParamInterface<std::tuple<CommandCase, bool>> {};
INSTANTIATE_TEST_SUITE_P(Commands, CommandTrace, ::testing::Combine(::testing::ValuesIn(kCommands), ::testing::Bool()));

TEST_P(CommandTrace, IsSentOnlyWhileID1000IsEnabled) {
  const auto& [command, enabled] = GetParam();
  StartKestrum(1);
  ClearTraces();
  SetTraceIdEnabled(kestrum::kUserCommandMsgId, enabled);
  command.act();
  if (enabled) {
    EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, command.trace}));
  } else {
    EXPECT_THAT(TraceLines(), IsEmpty());
  }
}

}  // namespace
