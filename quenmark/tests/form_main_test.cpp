// Quenmark's window on the real Tamsile.DLL and LORVEX.DLL, driven headless in
// virtual time: the list, adding and removing IDs typed one per line, the
// conversion error, and the window without the trace libraries.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/program_path.h"
#include "quenmark_fixture.h"
#include "tamsile_testing/helper_process.h"

namespace {

using namespace vcl;
using namespace plat::testing;
using quenmark::TForm_Main;
using quenmark_testing::EnableInTable;
using quenmark_testing::LinesOf;
using quenmark_testing::QuenmarkTest;
using quenmark_testing::TableIds;
using Ids = std::vector<std::uint16_t>;
using Lines = std::vector<std::string>;

class QuenmarkWindow : public QuenmarkTest {};

// The conversion error as the standard exception box shows it.
BoxExpectation& ExpectConversionError(const std::string& line) {
  return ExpectBox("'" + line + "' is not a valid integer value.")
      .Kind(plat::BoxKind::Exception)
      .Caption(plat::ProgramName())
      .Flags(MB_OK | MB_ICONERROR);
}

// Add and remove are one procedure over their own memo, button and flag.
struct Handler {
  const char* name;
  TMemo* TForm_Main::*memo;
  TButton* TForm_Main::*button;
};
const Handler kHandlers[] = {
    {"add", &TForm_Main::Memo_AddMSGID, &TForm_Main::Button_Add},
    {"remove", &TForm_Main::Memo_RemoveMSGID, &TForm_Main::Button_Remove},
};

TEST_F(QuenmarkWindow, HasItsComponentsWithTheirTexts) {
  Application->CreateForm(quenmark::Form_Main);
  TForm_Main& f = *quenmark::Form_Main;
  EXPECT_EQ(f.Caption(), "Quenmark");
  EXPECT_EQ(f.Width(), 613);
  EXPECT_EQ(f.Height(), 480);

  struct Expected {
    const char* name;
    const char* className;
    int width, height;
    const char* caption;
  };
  const Expected components[] = {
      {"Panel_Status", "TPanel", 565, 23, ""},
      {"Memo_TotalMSGID", "TMemo", 185, 359, ""},
      {"Button_Refresh", "TButton", 185, 25, "Refresh"},
      {"Memo_AddMSGID", "TMemo", 185, 95, ""},
      {"Button_Add", "TButton", 185, 25, "+ Add Debug MSG ID"},
      {"Memo_RemoveMSGID", "TMemo", 185, 95, ""},
      {"Button_Remove", "TButton", 185, 25, "- Remove Debug MSG ID"},
  };
  for (const Expected& e : components) {
    SCOPED_TRACE(e.name);
    auto* c = Find<TControl>(&f, e.name);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->ClassName(), e.className);
    EXPECT_EQ(c->Parent(), &f);
    EXPECT_EQ(c->Width(), e.width);
    EXPECT_EQ(c->Height(), e.height);
    if (auto* memo = dynamic_cast<TMemo*>(c)) {
      EXPECT_EQ(memo->ScrollBars(), ssVertical);
      EXPECT_EQ(memo->Lines->Count, 0);
    } else {
      EXPECT_EQ(c->Caption(), e.caption);
    }
  }
  // Each button sits under its memo.
  EXPECT_GT(f.Button_Refresh->Top(), f.Memo_TotalMSGID->Top + f.Memo_TotalMSGID->Height);
  EXPECT_GT(f.Button_Add->Top(), f.Memo_AddMSGID->Top + f.Memo_AddMSGID->Height);
  EXPECT_GT(f.Button_Remove->Top(), f.Memo_RemoveMSGID->Top + f.Memo_RemoveMSGID->Height);
  EXPECT_LT(f.Memo_AddMSGID->Left(), f.Memo_RemoveMSGID->Left());
  EXPECT_LT(f.Memo_TotalMSGID->Left(), f.Memo_AddMSGID->Left());
}

TEST_F(QuenmarkWindow, BindsWhenMadeAndTurnsLimeWhenShownListingTheTableInItsOrder) {
  EnableInTable({7, 3, 65535, 0});
  Application->CreateForm(quenmark::Form_Main);
  TForm_Main& f = *quenmark::Form_Main;
  EXPECT_EQ(loader_.loads, (Lines{"LORVEX.DLL", "Tamsile.DLL"}));
  EXPECT_TRUE(bridge_.TracingBound());
  EXPECT_EQ(f.Panel_Status->Color(), clRed);
  EXPECT_TRUE(LinesOf(f.Memo_TotalMSGID).empty());

  f.Show();
  EXPECT_EQ(f.Panel_Status->Color(), clLime);
  EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), (Lines{"7", "3", "65535", "0"}));
}

TEST_F(QuenmarkWindow, AddEnablesEveryLineAndListsThemAfterThoseAlreadyEnabled) {
  EnableInTable({5});
  TForm_Main& f = OpenWindow();
  Enter(f.Memo_AddMSGID, "10\r\n$20\r\n0x30", f.Button_Add);
  EXPECT_EQ(TableIds(), (Ids{5, 10, 32, 48}));
  EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), (Lines{"5", "10", "32", "48"}));
  EXPECT_TRUE(LinesOf(f.Memo_AddMSGID).empty());
}

// What one line becomes: an ID from its low 16 bits, or the conversion error.
TEST_F(QuenmarkWindow, EachLineIsConvertedAndOnlyItsLow16BitsReachTheTable) {
  struct LineCase {
    const char* name;
    const char* memo;
    Ids enabled;
    const char* badLine;  // the line the error names; null when accepted
  };
  const LineCase cases[] = {
      {"blank before", " 7", {7}, nullptr},
      {"blank after", "7 ", {}, "7 "},
      {"minus one", "-1", {65535}, nullptr},
      {"highest ID", "65535", {65535}, nullptr},
      {"one past", "65536", {0}, nullptr},
      {"hexadecimal", "$3E9", {1001}, nullptr},
      {"32-bit pattern", "$FFFFFFFF", {65535}, nullptr},
      {"final line break", "5\r\n", {5}, nullptr},
      {"empty line", "\r\n", {}, ""},
      {"prefix alone", "0x", {}, "0x"},
      {"past 32 bits", "4294967296", {}, "4294967296"},
  };
  TForm_Main& f = OpenWindow();
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    quenmark_testing::ClearTable();
    if (c.badLine) ExpectConversionError(c.badLine);
    Enter(f.Memo_AddMSGID, c.memo, f.Button_Add);
    EXPECT_EQ(TableIds(), c.enabled);
    EXPECT_EQ(LinesOf(f.Memo_AddMSGID).empty(), c.badLine == nullptr);
  }
}

TEST_F(QuenmarkWindow, ABadLineStopsThereWithTheLinesBeforeItAppliedAndTheMemoKept) {
  struct BadCase {
    const Handler& handler;
    Ids before;
    Ids after;
  };
  const BadCase cases[] = {
      {kHandlers[0], {}, {10}},
      {kHandlers[1], {10, 11, 12}, {12, 11}},
  };
  TForm_Main& f = OpenWindow();
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.handler.name);
    quenmark_testing::ClearTable();
    EnableInTable(c.before);
    Click(f.Button_Refresh);
    const Lines listed = LinesOf(f.Memo_TotalMSGID);

    ExpectConversionError("abc");
    Enter(f.*c.handler.memo, "10\r\nabc\r\n12", f.*c.handler.button);
    EXPECT_EQ(TableIds(), c.after);
    EXPECT_EQ(LinesOf(f.*c.handler.memo), (Lines{"10", "abc", "12"}));
    EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), listed) << "the list must not be refreshed";
  }
}

TEST_F(QuenmarkWindow, AnEmptyMemoChangesNothingAndDoesNotRefresh) {
  TForm_Main& f = OpenWindow();
  EnableInTable({9});  // by someone else, after the list was read
  for (const Handler& h : kHandlers) {
    SCOPED_TRACE(h.name);
    Enter(f.*h.memo, "", f.*h.button);
    EXPECT_TRUE(LinesOf(f.Memo_TotalMSGID).empty());
    EXPECT_EQ(TableIds(), (Ids{9}));
  }
}

TEST_F(QuenmarkWindow, AnIdAlreadyThereOrNotThereChangesNothingButRefreshesAndClears) {
  EnableInTable({5, 7});
  TForm_Main& f = OpenWindow();
  const struct {
    const Handler& handler;
    const char* line;
    std::uint16_t otherwise;  // enabled meanwhile by someone else
  } cases[] = {{kHandlers[0], "7", 9}, {kHandlers[1], "4", 11}};
  Ids table{5, 7};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.handler.name);
    EnableInTable({c.otherwise});
    table.push_back(c.otherwise);
    Enter(f.*c.handler.memo, c.line, f.*c.handler.button);
    EXPECT_EQ(TableIds(), table);
    Lines listed;
    for (std::uint16_t id : table) listed.push_back(std::to_string(id));
    EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), listed);
    EXPECT_TRUE(LinesOf(f.*c.handler.memo).empty());
  }
}

TEST_F(QuenmarkWindow, RemovalMovesTheLastIdIntoTheHole) {
  EnableInTable({5, 7, 9, 65535});
  TForm_Main& f = OpenWindow();
  // 5 goes and 65535 takes its place; then -1 names 65535, and 9 moves up.
  Enter(f.Memo_RemoveMSGID, "5\r\n-1", f.Button_Remove);
  EXPECT_EQ(TableIds(), (Ids{9, 7}));
  EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), (Lines{"9", "7"}));
  EXPECT_TRUE(LinesOf(f.Memo_RemoveMSGID).empty());
}

TEST_F(QuenmarkWindow, TheListShowsTheTableAsItWasAtTheLastRefresh) {
  TForm_Main& f = OpenWindow();
  EnableInTable({42});
  EXPECT_TRUE(LinesOf(f.Memo_TotalMSGID).empty());
  Click(f.Button_Refresh);
  EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), (Lines{"42"}));
}

TEST_F(QuenmarkWindow, AnotherProcessSeesTheChangesAndQuenmarkSeesItsChanges) {
  tamsile_testing::HelperProcess other(tamsile_testing::BesideTestProgram("tamsile_helper"), {});
  ASSERT_EQ(other.Reply(), "ready");
  TForm_Main& f = OpenWindow();
  Enter(f.Memo_AddMSGID, "77\r\n1001", f.Button_Add);
  EXPECT_EQ(other.Ask("has 77"), "1");
  EXPECT_EQ(other.Ask("enable 88 1"), "ok 0");
  Enter(f.Memo_RemoveMSGID, "77", f.Button_Remove);
  EXPECT_EQ(other.Ask("list"), "2 88 1001");
  EXPECT_EQ(LinesOf(f.Memo_TotalMSGID), (Lines{"88", "1001"}));
  EXPECT_EQ(other.Quit(), 0);
}

TEST_F(QuenmarkWindow, ClosingTheWindowEndsTheProgramAndLeavesTheTable) {
  EnableInTable({5});
  Application->CreateForm(quenmark::Form_Main);
  ui_.WhenIdle([] { CloseByWindowManager(quenmark::Form_Main); });
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(quenmark::Form_Main->Visible);
  EXPECT_EQ(TableIds(), (Ids{5}));
}

// ---------------------------------------------------------------- without tracing
struct Unbound {
  const char* name;
  std::set<std::string> refusedLibraries;
  std::set<std::string> refusedEntries;
};

void PrintTo(const Unbound& u, std::ostream* os) { *os << u.name; }

class QuenmarkWithoutTracing : public QuenmarkTest, public ::testing::WithParamInterface<Unbound> {};

TEST_P(QuenmarkWithoutTracing, StaysRedListsNothingAndChangesNothingButStillConverts) {
  loader_.refused_libraries = GetParam().refusedLibraries;
  loader_.refused_entries = GetParam().refusedEntries;
  EnableInTable({42, 43});
  TForm_Main& f = OpenWindow();
  EXPECT_EQ(f.Panel_Status->Color(), clRed);
  EXPECT_TRUE(LinesOf(f.Memo_TotalMSGID).empty());

  Enter(f.Memo_AddMSGID, "10", f.Button_Add);
  Enter(f.Memo_RemoveMSGID, "42", f.Button_Remove);
  EXPECT_EQ(TableIds(), (Ids{42, 43}));
  EXPECT_TRUE(LinesOf(f.Memo_AddMSGID).empty());
  EXPECT_TRUE(LinesOf(f.Memo_RemoveMSGID).empty());
  EXPECT_TRUE(LinesOf(f.Memo_TotalMSGID).empty());

  ExpectConversionError("x");
  Enter(f.Memo_RemoveMSGID, "43\r\nx", f.Button_Remove);
  EXPECT_EQ(LinesOf(f.Memo_RemoveMSGID), (Lines{"43", "x"}));
  EXPECT_EQ(TableIds(), (Ids{42, 43}));
  Click(f.Button_Refresh);
  EXPECT_TRUE(LinesOf(f.Memo_TotalMSGID).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Missing, QuenmarkWithoutTracing,
    ::testing::Values(Unbound{"TraceClient", {"LORVEX.DLL"}, {}},
                      Unbound{"TraceFilter", {"Tamsile.DLL"}, {}},
                      Unbound{"ClientEntry", {}, {"StopTraceOutput"}},
                      Unbound{"FilterEntry", {}, {"Get_TamsileEnable"}}),
    [](const ::testing::TestParamInfo<Unbound>& info) { return std::string(info.param.name); });

}  // namespace
