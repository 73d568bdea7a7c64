// The master MAC ID and baud-rate dialog: its prefill from the status line,
// the two writes, their refusals, the ways to cancel, and the new values
// showing only after a firmware reset.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kestrum/app/change_macid.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/wait_message.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using dnsim::Op;
using plat::MB_ICONERROR;
using plat::MB_ICONINFORMATION;
using plat::MB_OK;

constexpr const char* kChangeOK = "Change OK!! \r\nYou must reset the firmware to make change enable.";

class MasterSettingsDialog : public KestrumTest {
 protected:
  void StartWithActiveBoard() {
    StartKestrum(driver::kKindMerrow);
    ActivateBoard(0);
    ClearTraces();
  }
  // Opens the dialog from the menu; `act` runs while it is open.
  void OpenDialog(const std::function<void(TForm_ChangeMACID& dialog)>& act,
                  TMenuItem* TForm_Main::*entry = &TForm_Main::Menu_ChangeMasterID) {
    bool opened = false;
    ExpectModal("Form_ChangeMACID", [&](TForm& form) {
      opened = true;
      EXPECT_TRUE(form.IsModal());
      act(static_cast<TForm_ChangeMACID&>(form));
    });
    ChooseMenu(Form_Main->*entry);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(Form_ChangeMACID->Visible);
  }
};

// ---------------------------------------------------------------- prefill
struct PrefillCase {
  const char* label;
  const char* mac_text;   // what the status line shows
  const char* baud_text;
  int mac_item;
  int baud_item;
};
void PrintTo(const PrefillCase& c, std::ostream* os) { *os << c.label; }

const PrefillCase kPrefills[] = {
    {"Read", "17", "250K bps", 17, 1},
    {"NotYetRead", "*******", "*******", 0, 0},
    {"TimedOut", "Timeout!", "Timeout!", 0, 0},
    {"Highest", "63", "500K bps", 63, 2},
    {"Lowest", "0", "125K bps", 0, 0},
    {"BeyondTheList", "64", "7", 0, 0},
    {"Negative", "-1", "250K bps", 0, 1},
};

class MasterSettingsPrefill : public MasterSettingsDialog, public ::testing::WithParamInterface<PrefillCase> {};
INSTANTIATE_TEST_SUITE_P(StatusLines, MasterSettingsPrefill, ::testing::ValuesIn(kPrefills),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(MasterSettingsPrefill, ShowsTheCurrentValuesAndSelectsThemWhereTheListsHoldThem) {
  const PrefillCase& c = GetParam();
  StartWithActiveBoard();
  Form_Main->Edit_MasterID->Text = c.mac_text;
  Form_Main->Edit_BaudRate->Text = c.baud_text;
  OpenDialog([&](TForm_ChangeMACID& d) {
    EXPECT_EQ(d.Edit_CurrentMACID->Text, c.mac_text);
    EXPECT_EQ(d.Edit_CurrentBaudRate->Text, c.baud_text);
    EXPECT_EQ(d.ComboBox_NewMACID->ItemIndex, c.mac_item);
    EXPECT_EQ(d.ComboBox_NewBaudRate->ItemIndex, c.baud_item);
    Click(d.SpeedButton_Cancel);
  });
}

TEST_F(MasterSettingsDialog, EveryOpeningPrefillsAfreshNotWithTheLastChoice) {
  StartWithActiveBoard();
  Form_Main->Edit_MasterID->Text = "5";
  Form_Main->Edit_BaudRate->Text = "500K bps";
  OpenDialog([](TForm_ChangeMACID& d) {
    Select(d.ComboBox_NewMACID, 40);
    Select(d.ComboBox_NewBaudRate, 0);
    Click(d.SpeedButton_Cancel);
  });
  OpenDialog(
      [](TForm_ChangeMACID& d) {
        EXPECT_EQ(d.ComboBox_NewMACID->ItemIndex, 5);
        EXPECT_EQ(d.ComboBox_NewBaudRate->ItemIndex, 2);
        Click(d.SpeedButton_Cancel);
      },
      &TForm_Main::Menu_ChangeBaudRate);
}

TEST_F(MasterSettingsDialog, BothMenuEntriesOpenItEachWithItsOwnTrace) {
  StartWithActiveBoard();
  auto cancel = [](TForm_ChangeMACID& d) { Click(d.SpeedButton_Cancel); };
  OpenDialog(cancel, &TForm_Main::Menu_ChangeMasterID);
  OpenDialog(cancel, &TForm_Main::Menu_ChangeBaudRate);
  EXPECT_THAT(TraceLines(), ElementsAre(TraceLine{1, "Menu_ChangeMasterIDClick"},
                                        TraceLine{1, "Menu_ChangeBaudRateClick"}));
}

// ---------------------------------------------------------------- OK
TEST_F(MasterSettingsDialog, OkWritesTheMacIdThenTheBaudRateAndCloses) {
  StartWithActiveBoard();
  OpenDialog([](TForm_ChangeMACID& d) {
    Select(d.ComboBox_NewMACID, 17);
    Select(d.ComboBox_NewBaudRate, 2);
    ClearCallLog();
    ExpectBox(kChangeOK).Caption("Kestrum").Flags(MB_OK | MB_ICONINFORMATION).Owner("Form_ChangeMACID");
    Click(d.SpeedButton_OK);
  });
  const auto log = CallLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].entry, "Merrow_SetMasterMACID");
  EXPECT_EQ(log[0].args, "board=0 mac=17");
  EXPECT_EQ(log[1].entry, "Merrow_SetBaudRate");
  EXPECT_EQ(log[1].args, "board=0 baud=2");
  EXPECT_TRUE(Form_Main->Enabled);
}

struct RefusalCase {
  const char* label;
  Op refused;
  std::int32_t code;
  const char* text;
  std::size_t baud_writes;  // made before the dialog stayed open
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.label; }

const RefusalCase kRefusals[] = {
    {"MacId", Op::SetMasterMACID, 1002, "Change Master MAC ID Error (1002).", 0},
    {"BaudRate", Op::SetBaudRate, 10023, "Change CAN bus baud Rate Error (10023).", 1},
};

class MasterSettingsRefusal : public MasterSettingsDialog, public ::testing::WithParamInterface<RefusalCase> {};
INSTANTIATE_TEST_SUITE_P(Writes, MasterSettingsRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(MasterSettingsRefusal, IsShownWithItsCodeAndTheDialogStaysOpenForAnotherTry) {
  const RefusalCase& c = GetParam();
  StartWithActiveBoard();
  OpenDialog([&](TForm_ChangeMACID& d) {
    Select(d.ComboBox_NewMACID, 9);
    dnsim::Sim().InjectFault(c.refused, c.code, 1);
    ExpectBox(c.text).Caption("Kestrum").Flags(MB_OK | MB_ICONERROR).Owner("Form_ChangeMACID");
    Click(d.SpeedButton_OK);
    EXPECT_TRUE(d.Visible);
    EXPECT_TRUE(d.IsModal());
    EXPECT_EQ(CallsOf(Op::SetMasterMACID).size(), 1u);
    EXPECT_EQ(CallsOf(Op::SetBaudRate).size(), c.baud_writes);

    // OK again sends both once more.
    ExpectBox(kChangeOK);
    Click(d.SpeedButton_OK);
  });
  EXPECT_EQ(CallsOf(Op::SetMasterMACID).size(), 2u);
  EXPECT_EQ(CallsOf(Op::SetBaudRate).size(), c.baud_writes + 1);
  EXPECT_EQ(dnsim::Sim().Master().pending_mac, 9);
}

// ---------------------------------------------------------------- cancel
struct CancelCase {
  const char* label;
  std::function<void(TForm_ChangeMACID&)> cancel;
};
void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.label; }

const CancelCase kCancels[] = {
    {"CancelButton", [](TForm_ChangeMACID& d) { Click(d.SpeedButton_Cancel); }},
    {"Escape", [](TForm_ChangeMACID& d) { PressEscape(&d); }},
    {"WindowManager", [](TForm_ChangeMACID& d) { CloseByWindowManager(&d); }},
};

class MasterSettingsCancel : public MasterSettingsDialog, public ::testing::WithParamInterface<CancelCase> {};
INSTANTIATE_TEST_SUITE_P(Ways, MasterSettingsCancel, ::testing::ValuesIn(kCancels),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(MasterSettingsCancel, WritesNothingAlsoAfterAFailedOk) {
  StartWithActiveBoard();
  OpenDialog([](TForm_ChangeMACID& d) {
    Select(d.ComboBox_NewMACID, 30);
    GetParam().cancel(d);
  });
  EXPECT_THAT(CallsOf(Op::SetMasterMACID), IsEmpty());
  EXPECT_THAT(CallsOf(Op::SetBaudRate), IsEmpty());

  OpenDialog([](TForm_ChangeMACID& d) {
    dnsim::Sim().InjectFault(Op::SetMasterMACID, 1002, 1);
    ExpectBox("Change Master MAC ID Error (1002).");
    Click(d.SpeedButton_OK);
    ClearCallLog();
    GetParam().cancel(d);
  });
  EXPECT_THAT(CallLog(), IsEmpty());
  EXPECT_TRUE(Form_Main->Enabled);
}

// ---------------------------------------------------------------- end to end
TEST_F(MasterSettingsDialog, NewValuesShowInTheStatusLineOnlyAfterAFirmwareReset) {
  StartKestrum(driver::kKindCalvory);
  Click(Form_Main->SpeedButton_ActiveBoard);
  Advance(2500);
  ASSERT_EQ(Form_Main->Edit_MasterID->Text, "0");
  ASSERT_EQ(Form_Main->Edit_BaudRate->Text, "125K bps");

  OpenDialog([](TForm_ChangeMACID& d) {
    EXPECT_EQ(d.Edit_CurrentMACID->Text, "0");
    Select(d.ComboBox_NewMACID, 17);
    Select(d.ComboBox_NewBaudRate, 2);
    ExpectBox(kChangeOK);
    Click(d.SpeedButton_OK);
  });
  Advance(1000);  // five more readings
  EXPECT_EQ(Form_Main->Edit_MasterID->Text, "0");
  EXPECT_EQ(Form_Main->Edit_BaudRate->Text, "125K bps");

  Click(Form_Main->SpeedButton_Reset);
  Advance(5000);
  EXPECT_FALSE(Form_WaitMessage->Visible);
  EXPECT_EQ(Form_Main->Edit_MasterID->Text, "17");
  EXPECT_EQ(Form_Main->Edit_BaudRate->Text, "500K bps");
  EXPECT_EQ(Form_Main->Edit_MasterStatus->Text, "OK!");
}

}  // namespace
