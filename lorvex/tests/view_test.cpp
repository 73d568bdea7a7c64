// The list view: its columns, the six trace messages, row colours, the
// clear, start and stop commands with their states, the display selection
// and the option sheet driven through their controls, and the rebuilt rows.
#include <filesystem>

#include "lorvex/option_dialogs.h"
#include "platform/afx/dialog.h"
#include "platform/afx/atom.h"
#include "viewer_fixture.h"

namespace {

using test_support::ReadFile;

// A registered trace message with its atom, as a client sends it.
afx::LRESULT Send(afx::CWnd* view, const char* name, std::int32_t channel, afx::LPARAM lParam) {
  return view->SendMessage(plat::RegisterWindowMessage(name), static_cast<afx::WPARAM>(static_cast<std::uint32_t>(channel)),
                           lParam);
}
afx::LRESULT SendText(afx::CWnd* view, const char* name, std::int32_t channel, const std::string& text) {
  const afx::ATOM atom = afx::GlobalAddAtomA(text);
  const afx::LRESULT result = Send(view, name, channel, atom);
  afx::GlobalDeleteAtom(atom);
  return result;
}

std::vector<std::string> Fields(const CTraceEntry& e) { return {e.GetProcess(), e.GetDate(), e.GetTime(), e.GetText()}; }

TEST_F(Viewer, TheViewIsAReportListWithTheColumnsOfTheSetFlags) {
  const struct {
    int name, datum, uhrzeit, ausgabewert;
    std::vector<plat::ListColumn> columns;
  } cases[] = {
      {1, 1, 1, 1,
       {{"Prozess", plat::LVCFMT_CENTER, 100, 0}, {"Datum", plat::LVCFMT_CENTER, 75, 1},
        {"Uhrzeit", plat::LVCFMT_CENTER, 75, 1}, {"Ausgabe", plat::LVCFMT_LEFT, 200, 1}}},
      {0, 1, 0, 1, {{"Datum", plat::LVCFMT_CENTER, 75, 1}, {"Ausgabe", plat::LVCFMT_LEFT, 200, 1}}},
      {1, 0, 0, 0, {{"Prozess", plat::LVCFMT_CENTER, 100, 0}}},
      {0, 0, 0, 0, {}},
  };
  for (const auto& c : cases) {
    StoreColumnFlags(c.name, c.datum, c.uhrzeit, c.ausgabewert);
    Start();
    EXPECT_EQ(View()->GetWindowText(), "Sallowmere Window");
    EXPECT_EQ(View()->GetParentWnd(), Frame());
    EXPECT_TRUE(List().ReportMode());
    EXPECT_EQ(List().GetExtendedStyle() & (plat::LVS_EX_GRIDLINES | plat::LVS_EX_HEADERDRAGDROP),
              plat::LVS_EX_GRIDLINES | plat::LVS_EX_HEADERDRAGDROP);
    EXPECT_EQ(List().Columns(), c.columns) << c.name << c.datum << c.uhrzeit << c.ausgabewert;
    EXPECT_EQ(List().GetItemCount(), 0);
    End();
  }
}

TEST_F(Viewer, TheSixTraceMessagesReachTheDocumentAndEachAnswersOne) {
  CLorvexApp& a = Start();
  afx::CWnd* view = View();
  const std::string file = dir.File("three.txt");
  EXPECT_EQ(Send(view, "WM_TRACE_SETCOLOR", 3, 0x0000FF), 1);
  EXPECT_EQ(Send(view, "WM_TRACE_SETDEVICE", 3, 5), 1);
  EXPECT_EQ(SendText(view, "WM_TRACE_SETFILENAME", 3, file), 1);
  EXPECT_EQ(a.Channel(3).Color, 0x0000FFu);
  EXPECT_EQ(a.Channel(3).Medium, 5u);
  EXPECT_EQ(a.Channel(3).File, file);
  // Out of range: the document ignores the three settings.
  for (std::int32_t bad : {0, 31, -5}) {
    EXPECT_EQ(Send(view, "WM_TRACE_SETCOLOR", bad, 0x123456), 1);
    EXPECT_EQ(Send(view, "WM_TRACE_SETDEVICE", bad, 7), 1);
    EXPECT_EQ(SendText(view, "WM_TRACE_SETFILENAME", bad, "/tmp/elsewhere"), 1);
  }
  EXPECT_EQ(a.Channel(1).Color, 0u);
  EXPECT_EQ(a.Channel(1).Medium, 1u);
  EXPECT_EQ(a.Channel(1).File, "c:\\Trace.txt");
  // A file name that cannot be read changes nothing.
  EXPECT_EQ(Send(view, "WM_TRACE_SETFILENAME", 3, 0xC777), 1);
  EXPECT_EQ(a.Channel(3).File, file);

  EXPECT_EQ(SendText(view, "WM_TRACE_STRING", 3, "proc#~01.02.2024#~12:00:01.002#~hello"), 1);
  ASSERT_EQ(a.TraceEntries.size(), 1u);
  EXPECT_EQ(a.TraceEntries[0]->id, 3);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"proc", "01.02.2024", "12:00:01.002", "hello"}));
  EXPECT_EQ(ReadFile(file), " proc 01.02.2024 12:00:01.002 hello\r\n");

  EXPECT_EQ(Send(view, "WM_TRACE_STOP", 0, 0), 1);
  EXPECT_EQ(a.Stopped, 1);
  EXPECT_EQ(SendText(view, "WM_TRACE_STRING", 3, "proc#~d#~t#~while stopped"), 1);
  EXPECT_EQ(a.TraceEntries.size(), 1u) << "stopped: the window path is shut";
  EXPECT_EQ(ReadFile(file), " proc 01.02.2024 12:00:01.002 hello\r\n proc d t while stopped\r\n");
  EXPECT_EQ(Send(view, "WM_TRACE_START", 0, 0), 1);
  EXPECT_EQ(a.Stopped, 0);
  // The frame does not pass them on.
  EXPECT_EQ(Frame()->SendMessage(plat::RegisterWindowMessage("WM_TRACE_STOP")), 0);
  EXPECT_EQ(a.Stopped, 0);
}

TEST_F(Viewer, ARecordIsCutIntoItsFourFields) {
  const std::string long254 = "p#~d#~t#~" + std::string(245, 'x');
  const struct {
    const char* what;
    std::int32_t channel;
    std::string record;  // as the atom holds it
    int id;
    std::vector<std::string> fields;
  } cases[] = {
      {"four fields", 7, "p#~d#~t#~text", 7, {"p", "d", "t", "text"}},
      {"channel 0 files under 1", 0, "p#~d#~t#~x", 1, {"p", "d", "t", "x"}},
      {"channel 31 files under 1", 31, "p#~d#~t#~x", 1, {"p", "d", "t", "x"}},
      {"channel -5 files under 1", -5, "p#~d#~t#~x", 1, {"p", "d", "t", "x"}},
      {"#~ in the text cuts it", 2, "p#~d#~t#~before#~after#~more", 2, {"p", "d", "t", "before"}},
      {"empty fields between separators", 2, "#~#~t#~x", 2, {"", "", "t", "x"}},
      {"two fields: the rest empty", 2, "a#~b", 2, {"a", "b", "", ""}},
      {"a trailing separator: an empty text", 2, "a#~b#~c#~", 2, {"a", "b", "c", ""}},
      {"no separator: the process alone", 2, "only", 2, {"only", "", "", ""}},
      {"the 254 characters a buffer of 255 holds", 2, long254 + "y", 2, {"p", "d", "t", std::string(245, 'x')}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CLorvexApp& a = Start();
    EXPECT_EQ(SendText(View(), "WM_TRACE_STRING", c.channel, c.record), 1);
    ASSERT_EQ(a.TraceEntries.size(), 1u);
    EXPECT_EQ(a.TraceEntries[0]->id, c.id);
    EXPECT_EQ(Fields(*a.TraceEntries[0]), c.fields);
    EXPECT_EQ(Row(0), c.fields);
    End();
  }
  // An atom that cannot be read: no record, nothing filed, still 1.
  CLorvexApp& a = Start();
  EXPECT_EQ(Send(View(), "WM_TRACE_STRING", 1, 0xC555), 1);
  EXPECT_EQ(Send(View(), "WM_TRACE_STRING", 1, 0), 1);
  EXPECT_EQ(Send(View(), "WM_TRACE_STRING", 1, 0x7FFFFFFF), 1);
  EXPECT_TRUE(a.TraceEntries.empty());
}

TEST(SplitString, FieldsAreCutAtEachSeparator) {
  const struct {
    std::string text;
    std::vector<std::string> fields;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a#~b", {"a", "b"}},
      {"#~a", {"", "a"}},
      {"a#~", {"a"}},
      {"a#~#~b", {"a", "", "b"}},
      {"#~", {""}},
      {"a#b~c#~", {"a#b~c"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitString(c.text, "#~"), c.fields) << c.text;
}

TEST_F(Viewer, EachRowIsPaintedInItsChannelsColourLookedUpAtEveryPaint) {
  CLorvexApp& a = Start();
  a.Channel(2).Color = 0x0000FF;
  a.Channel(5).Color = 0x00FF00;
  a.Channel(4).Visible = 0;
  Doc()->Trace(2, "two", "", "", "");
  Doc()->Trace(4, "hidden", "", "", "");
  Doc()->Trace(5, "five", "", "", "");
  Doc()->Trace(40, "one", "", "", "");
  ASSERT_EQ(List().GetItemCount(), 3);
  const plat::TColor window = afx::GetSysColor(afx::COLOR_WINDOW);
  auto pass = List().BeginPaint();
  EXPECT_TRUE(pass.notifyItems);
  EXPECT_EQ(List().ItemLook(pass, 0), (plat::RowLook{0x0000FF, window}));
  EXPECT_EQ(List().ItemLook(pass, 1), (plat::RowLook{0x00FF00, window})) << "the hidden trace has no row";
  EXPECT_EQ(List().ItemLook(pass, 2), (plat::RowLook{a.Channel(1).Color, window}));
  // A new colour shows at the next paint, without rebuilding the rows.
  Doc()->SetIDColor(5, 0x808080);
  pass = List().BeginPaint();
  EXPECT_EQ(List().ItemLook(pass, 1).text, 0x808080u);
  // A row the map does not know keeps the list's own colours.
  a.RowMap.erase(2);
  EXPECT_EQ(List().ItemLook(pass, 2), (plat::RowLook{plat::clWindowText, plat::clWindow}));
  a.RowMap[2] = 99;
  EXPECT_EQ(List().ItemLook(pass, 2), (plat::RowLook{plat::clWindowText, plat::clWindow}));
}

// A colour is 0x00BBGGRR; what stands above it (a value another program
// stored, or a client sent) is not read as one of the list's own colour codes.
// The row shows what the colour page's swatch shows for the channel.
TEST_F(Viewer, AColourWithBitsAboveItsThreeBytesPaintsTheRowInThoseBytes) {
  CLorvexApp& a = Start();
  Doc()->Trace(1, "p", "d", "t", "x");
  for (const std::uint32_t stored :
       {0xFF000005u, 0xFF000012u, 0xFF0000FFu, 0x20000000u, 0x1FFFFFFFu, 0x80000005u, 0x01123456u}) {
    SCOPED_TRACE(::testing::PrintToString(stored));
    a.Channel(1).Color = stored;
    EXPECT_EQ(plat::ResolveColor(List().ItemLook(List().BeginPaint(), 0).text), stored & 0x00FFFFFFu);
    EXPECT_EQ(a.Channel(1).Color, stored) << "the setting itself stays as it came";
  }
}

TEST_F(Viewer, ClearingEmptiesListAndKeptTracesAndTheNextTraceStandsAlone) {
  CLorvexApp& a = Start();
  a.Channel(6).Color = 0x00AA00;
  for (int i = 0; i < 3; ++i) Doc()->Trace(1, "old", "", "", std::to_string(i));
  Frame()->SendMessage(afx::WM_COMMAND, ID_CLEAR_LIST);
  EXPECT_TRUE(a.TraceEntries.empty());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_TRUE(ui.Boxes().empty()) << "the clear asks nothing";
  Doc()->Trace(6, "new", "d", "t", "x");
  ASSERT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"new", "d", "t", "x"}));
  EXPECT_EQ(List().ItemLook(List().BeginPaint(), 0).text, 0x00AA00u);
}

TEST_F(Viewer, StartAndStopAreNeverEnabledTogether) {
  CLorvexApp& a = Start();
  const struct {
    const char* what;
    std::function<void()> act;
    int stopped;
    bool start, stop;
  } steps[] = {
      {"recording at start", [] {}, 0, false, true},
      {"the stop command", [&] { Frame()->SendMessage(afx::WM_COMMAND, ID_STOP_OUTPUT); }, 1, true, false},
      {"the start command", [&] { Frame()->SendMessage(afx::WM_COMMAND, ID_START_OUTPUT); }, 0, false, true},
      {"a client's WM_TRACE_STOP", [&] { Send(View(), "WM_TRACE_STOP", 0, 0); }, 1, true, false},
      {"a client's WM_TRACE_START", [&] { Send(View(), "WM_TRACE_START", 0, 0); }, 0, false, true},
      {"an odd value is not stopped", [&] { a.Stopped = 2; }, 2, false, true},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(a.Stopped, s.stopped) << s.what;
    EXPECT_EQ(Frame()->UpdateCommandState(ID_START_OUTPUT).enabled, s.start) << s.what;
    EXPECT_EQ(Frame()->UpdateCommandState(ID_STOP_OUTPUT).enabled, s.stop) << s.what;
  }
}

TEST_F(Viewer, PrintSaveAndFindAreAlwaysDisabledAndCommandsNobodyHandlesToo) {
  Start();
  for (afx::UINT id : {afx::ID_FILE_PRINT, afx::ID_FILE_SAVE, ID_FIND, ID_FIND_NEXT, ID_ALWAYS_ON_TOP}) {
    EXPECT_FALSE(Frame()->UpdateCommandState(id).enabled) << id;
  }
  for (afx::UINT id : {ID_CLEAR_LIST, ID_OPTIONS, ID_DISPLAY_SELECTION, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
    EXPECT_TRUE(Frame()->UpdateCommandState(id).enabled) << id;
  }
  // Find makes its dialog and drops it; print has nothing to print.
  View()->OnFind();
  for (afx::UINT id : {afx::ID_FILE_PRINT, afx::ID_FILE_PRINT_DIRECT, afx::ID_FILE_PRINT_PREVIEW, ID_FIND}) {
    Frame()->SendMessage(afx::WM_COMMAND, id);
  }
  EXPECT_TRUE(ui.Boxes().empty());
}

// The option sheet as a person uses it: fn runs while it is open, on the
// sheet and its pages; then OK or Cancel.
void RunOptions(afx::CFrameWnd* frame, bool ok, std::function<void(COptionenSheet&)> fn) {
  plat::testing::ExpectModalWindow("Optionen...", [ok, fn](plat::Window& w) {
    auto& sheet = dynamic_cast<COptionenSheet&>(w);
    fn(sheet);
    EXPECT_EQ(afx::person::Click(sheet.GetDlgItem(ok ? afx::IDOK : afx::IDCANCEL)), "");
  });
  frame->SendMessage(afx::WM_COMMAND, ID_OPTIONS);
}

template <class T>
T* Control(afx::CWnd* dialog, afx::UINT id) {
  auto* c = dynamic_cast<T*>(dialog ? dialog->GetDlgItem(id) : nullptr);
  EXPECT_NE(c, nullptr) << "control " << id;
  return c;
}

TEST_F(Viewer, TheOptionSheetWorksOnCopiesAndOnOkRebuildsColumnsAndRows) {
  CLorvexApp& a = Start();
  a.Channel(4).Color = 0x112233;
  a.Channel(4).Medium = 7;
  a.Channel(4).File = "/tmp/four.txt";
  Doc()->Trace(4, "p1", "d1", "t1", "x1");
  Doc()->Trace(1, "p2", "d2", "t2", "x2");
  auto change = [&](COptionenSheet& sheet) {
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    afx::CWnd* columns = sheet.GetPage(0);
    EXPECT_EQ(Control<afx::CButton>(columns, IDC_DATUM)->GetCheck(), 1);
    EXPECT_EQ(afx::person::Click(Control<afx::CButton>(columns, IDC_DATUM)), "");
    EXPECT_EQ(afx::person::ChooseTab(&sheet, 1), "");
    auto* colours = dynamic_cast<CDlgSpalten*>(sheet.GetPage(1));
    EXPECT_EQ(afx::person::Select(&colours->m_IdList, 3), "");
    ui.ExpectColorDialog(0x00FF00);
    EXPECT_EQ(afx::person::Click(colours->GetDlgItem(IDC_CHOOSE_COLOR)), "");
    EXPECT_EQ(afx::person::ChooseTab(&sheet, 2), "");
    auto* media = dynamic_cast<CDlgMedium*>(sheet.GetPage(2));
    EXPECT_EQ(afx::person::Select(&media->m_IdList, 3), "");
    EXPECT_EQ(Control<afx::CButton>(media, IDC_DRUCKER)->GetCheck(), 1);
    EXPECT_EQ(afx::person::Click(media->GetDlgItem(IDC_BILDSCHIRM)), "");
    EXPECT_EQ(afx::person::Type(&media->m_FileEdit, "/tmp/vier.txt"), "");
  };
  RunOptions(Frame(), false, change);
  // Cancelled: nothing changed.
  EXPECT_EQ(a.Datum, 1);
  EXPECT_EQ(a.Channel(4).Color, 0x112233u);
  EXPECT_EQ(a.Channel(4).Medium, 7u);
  EXPECT_EQ(a.Channel(4).File, "/tmp/four.txt");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Prozess", "Datum", "Uhrzeit", "Ausgabe"}));

  RunOptions(Frame(), true, change);
  EXPECT_EQ(a.Datum, 0);
  EXPECT_EQ(a.Channel(4).Color, 0x00FF00u);
  EXPECT_EQ(a.Channel(4).Medium, 6u);
  EXPECT_EQ(a.Channel(4).File, "/tmp/vier.txt");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Prozess", "Uhrzeit", "Ausgabe"}));
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"p1", "t1", "x1"}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"p2", "t2", "x2"}));
  EXPECT_EQ(List().ItemLook(List().BeginPaint(), 0).text, 0x00FF00u);

  // Save As still writes the date.
  const std::string saved = dir.File("saved.txt");
  ui.ExpectSaveDialog(saved);
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_SAVE_AS);
  EXPECT_EQ(ReadFile(saved), "p1\td1\tt1\tx1\r\np2\td2\tt2\tx2\r\n");
}

TEST_F(Viewer, CancellingBothCommandsRebuildsNothing) {
  CLorvexApp& a = Start();
  Doc()->Trace(1, "p", "d", "t", "x");
  a.RowMap[5] = 7;  // a rebuild would drop it
  RunOptions(Frame(), false, [](COptionenSheet&) {});
  ui.ExpectModalWindow("Ausgabe von...", [](plat::Window& w) { afx::person::Close(dynamic_cast<afx::CWnd*>(&w)); });
  Frame()->SendMessage(afx::WM_COMMAND, ID_DISPLAY_SELECTION);
  EXPECT_EQ(Titles().size(), 4u);
  EXPECT_EQ(a.RowMap.count(5), 1u);
  EXPECT_EQ(List().GetItemCount(), 1);
}

TEST_F(Viewer, TheDisplaySelectionRebuildsTheRowsOnlyOnOk) {
  CLorvexApp& a = Start();
  Doc()->Trace(1, "a", "", "", "");
  Doc()->Trace(2, "b", "", "", "");
  Doc()->Trace(3, "c", "", "", "");
  auto display = [&](int toggle, bool ok) {
    ui.ExpectModalWindow("Ausgabe von...", [toggle, ok](plat::Window& w) {
      auto& dlg = dynamic_cast<CDlgAnzeige&>(w);
      EXPECT_EQ(afx::person::ToggleCheck(&dlg.m_CheckList, toggle), "");
      EXPECT_EQ(afx::person::Click(dlg.GetDlgItem(ok ? afx::IDOK : afx::IDCANCEL)), "");
    });
    Frame()->SendMessage(afx::WM_COMMAND, ID_DISPLAY_SELECTION);
  };
  display(1, true);
  EXPECT_EQ(a.Channel(2).Visible, 0);
  ASSERT_EQ(List().GetItemCount(), 2);
  EXPECT_EQ(List().GetItemText(1, 0), "c");
  EXPECT_EQ(a.RowMap.Rows(), (std::vector<std::uint32_t>{0, 2}));

  // Shown again: the kept trace comes back in its place.
  display(1, true);
  ASSERT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(List().GetItemText(1, 0), "b");

  display(2, false);
  EXPECT_EQ(a.Channel(3).Visible, 1);
  a.Channel(3).Visible = 0;
  EXPECT_EQ(List().GetItemCount(), 3) << "cancelled: no rebuild";
}

TEST_F(Viewer, WithAllColumnsOffTracesAreKeptAndFiledButShowNoRow) {
  StoreColumnFlags(0, 0, 0, 0);
  CLorvexApp& a = Start();
  a.Channel(1).Medium = 5;
  a.Channel(1).File = dir.File("one.txt");
  Doc()->Trace(1, "p", "d", "t", "x");
  View()->FillList();
  EXPECT_EQ(a.TraceEntries.size(), 1u);
  EXPECT_EQ(List().GetColumnCount(), 0);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(ReadFile(dir.File("one.txt")), "\r\n");
}

TEST_F(Viewer, ACellLongerThanTheClassicBufferShowsWholeInEveryRebuild) {
  CLorvexApp& a = Start();
  const std::string text(700, 'w');
  Doc()->Trace(1, "p", "d", "t", text);
  EXPECT_EQ(List().GetItemText(0, 3), text);
  View()->FillList();
  EXPECT_EQ(List().GetItemText(0, 3), text);
  EXPECT_EQ(a.RowMap.at(0), 0u);
}

TEST_F(Viewer, ABurstOfThousandRecordsKeepsEveryRowInOrderWithFewRepaints) {
  CLorvexApp& a = Start();
  plat::testing::Advance(1000);  // the splash and the first paint are over
  const int before = List().RepaintsSignalled();
  for (int i = 0; i < 1000; ++i) {
    SendText(View(), "WM_TRACE_STRING", 1 + i % 30, "p#~d#~t#~" + std::to_string(i));
  }
  ASSERT_EQ(a.TraceEntries.size(), 1000u);
  ASSERT_EQ(List().GetItemCount(), 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(List().GetItemText(i, 3), std::to_string(i));
  EXPECT_EQ(List().ScrollTarget(), 999);
  plat::testing::Advance(plat::ListView::kRepaintIntervalMs);
  EXPECT_LE(List().RepaintsSignalled() - before, 2) << "a repaint per record";
  EXPECT_FALSE(List().RepaintPending());
}

}  // namespace
