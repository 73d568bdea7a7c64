// Filing traces: the list, the channel files and the saved list; the
// viewer's commands and its splash window.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "lorvex/dlg_info.h"
#include "platform/shell.h"
#include "store_helpers.h"
#include "viewer_fixture.h"

namespace {

using test_support::ReadFile;

struct Flags {
  int name = 1, datum = 1, uhrzeit = 1, ausgabewert = 1;
};

struct TraceCase {
  const char* what;
  int stopped;
  std::uint32_t medium;  // of the channel the record lands on
  int visible;
  std::int32_t id;       // as sent
  Flags flags;
  bool kept;                       // a kept entry (on the clamped channel)
  std::vector<std::string> row;    // the new row's cells; empty: no row
  std::string fileLine;            // what the channel's file gets; empty: nothing
};

TEST_F(Viewer, ATraceIsKeptShownAndFiledAsItsChannelAndTheColumnsSay) {
  const std::vector<std::string> all{"proc", "01.02.2024", "12:00:01", "text"};
  const std::string allLine = " proc 01.02.2024 12:00:01 text\r\n";
  const TraceCase cases[] = {
      {"recording, window and file", 0, 5, 1, 3, {}, true, all, allLine},
      {"stopped: the file still grows", 1, 5, 1, 3, {}, false, {}, allLine},
      {"hidden channel: kept, no row", 0, 1, 0, 3, {}, true, {}, ""},
      {"file only", 0, 4, 1, 3, {}, false, {}, allLine},
      {"printer only: nothing", 0, 2, 1, 3, {}, false, {}, ""},
      {"no medium", 0, 0, 1, 3, {}, false, {}, ""},
      {"channel 0 files under 1", 0, 5, 1, 0, {}, true, all, allLine},
      {"channel 31 files under 1", 0, 5, 1, 31, {}, true, all, allLine},
      {"channel -5 files under 1", 0, 5, 1, -5, {}, true, all, allLine},
      {"channel 30 is its own", 0, 5, 1, 30, {}, true, all, allLine},
      {"process column off", 0, 5, 1, 3, {0, 1, 1, 1}, true, {"01.02.2024", "12:00:01", "text"},
       " 01.02.2024 12:00:01 text\r\n"},
      {"date column off", 0, 5, 1, 3, {1, 0, 1, 1}, true, {"proc", "12:00:01", "text"}, " proc 12:00:01 text\r\n"},
      {"time column off", 0, 5, 1, 3, {1, 1, 0, 1}, true, {"proc", "01.02.2024", "text"}, " proc 01.02.2024 text\r\n"},
      {"text column off", 0, 5, 1, 3, {1, 1, 1, 0}, true, {"proc", "01.02.2024", "12:00:01"},
       " proc 01.02.2024 12:00:01\r\n"},
      {"process and time off", 0, 5, 1, 3, {0, 1, 0, 1}, true, {"01.02.2024", "text"}, " 01.02.2024 text\r\n"},
      {"all columns off: kept, no row, a bare line end", 0, 5, 1, 3, {0, 0, 0, 0}, true, {}, "\r\n"},
  };
  for (const TraceCase& c : cases) {
    SCOPED_TRACE(c.what);
    StoreColumnFlags(c.flags.name, c.flags.datum, c.flags.uhrzeit, c.flags.ausgabewert);
    CLorvexApp& a = Start();
    const int channel = c.id < 1 || c.id > 30 ? 1 : c.id;
    const std::string file = dir.File("channel.txt");
    std::filesystem::remove(file);
    for (int n = 1; n <= 30; ++n) a.Channel(n).Medium = 0;  // only the channel under test reacts
    TraceIdSettings& ch = a.Channel(channel);
    ch.Medium = c.medium;
    ch.Visible = c.visible;
    ch.File = file;
    a.Stopped = c.stopped;
    Doc()->Trace(9, "earlier", "d", "t", "x");  // a channel without media: nothing

    EXPECT_EQ(Doc()->Trace(c.id, all[0], all[1], all[2], all[3]), afx::TRUE);

    ASSERT_EQ(a.TraceEntries.size(), c.kept ? 1u : 0u);
    if (c.kept) {
      const CTraceEntry& e = *a.TraceEntries.back();
      EXPECT_EQ(e.id, channel);
      EXPECT_EQ((std::vector<std::string>{e.GetProcess(), e.GetDate(), e.GetTime(), e.GetText()}), all);
      if (c.visible) {
        EXPECT_EQ(a.RowMap.at(0), 0u);
      }
    }
    if (c.row.empty()) {
      EXPECT_EQ(View()->GetItemCount(), 0);
    } else {
      ASSERT_EQ(View()->GetItemCount(), 1);
      EXPECT_EQ(Row(0), c.row);
      EXPECT_EQ(List().ScrollTarget(), 0);
    }
    EXPECT_EQ(std::filesystem::exists(file) ? ReadFile(file) : std::string(), c.fileLine);
    End();
  }
}

TEST_F(Viewer, RowsAreAppendedAndMappedToTheirEntries) {
  CLorvexApp& a = Start();
  a.Channel(2).Visible = 0;
  Doc()->Trace(1, "a", "", "", "");
  Doc()->Trace(2, "hidden", "", "", "");
  Doc()->Trace(3, "c", "", "", "");
  ASSERT_EQ(View()->GetItemCount(), 2);
  EXPECT_EQ(List().GetItemText(1, 0), "c");
  EXPECT_EQ(a.RowMap.Rows(), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(List().ScrollTarget(), 1);
}

TEST_F(Viewer, WithoutAViewATraceIsDroppedAndStillAnswersTrue) {
  CLorvexApp& a = Start();
  CLorvexDoc* doc = Doc();
  doc->RemoveView(View());
  a.Channel(1).Medium = 5;
  a.Channel(1).File = dir.File("t.txt");
  EXPECT_EQ(doc->Trace(1, "p", "d", "t", "x"), afx::TRUE);
  EXPECT_TRUE(a.TraceEntries.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.File("t.txt")));
  doc->AddView(View());
}

TEST_F(Viewer, TheSetMethodsChangeChannelsOneToThirtyOnly) {
  CLorvexApp& a = Start();
  CLorvexDoc* doc = Doc();
  for (std::int32_t id : {0, 31, -5}) {
    EXPECT_EQ(doc->SetIDColor(id, 0xFF), afx::TRUE);
    EXPECT_EQ(doc->SetIDMedium(id, 7), afx::TRUE);
    EXPECT_EQ(doc->SetIDFileName(id, "x"), afx::TRUE);
  }
  EXPECT_EQ(a.Channel(1).Color, 0u);
  EXPECT_EQ(a.Channel(1).Medium, 1u);
  EXPECT_EQ(a.Channel(1).File, "c:\\Trace.txt");
  doc->SetIDColor(30, static_cast<std::int32_t>(0xFF8000));
  doc->SetIDMedium(30, 4);
  doc->SetIDFileName(30, "/tmp/x");
  EXPECT_EQ(a.Channel(30).Color, 0xFF8000u);
  EXPECT_EQ(a.Channel(30).Medium, 4u);
  EXPECT_EQ(a.Channel(30).File, "/tmp/x");
  EXPECT_EQ(doc->StopOutput(), afx::TRUE);
  EXPECT_EQ(a.Stopped, 1);
  EXPECT_EQ(doc->StartOutput(), afx::TRUE);
  EXPECT_EQ(a.Stopped, 0);
}

TEST_F(Viewer, StoredWindowsPathsHaveAMeaningBelowTheHomeFolder) {
  const std::string home = dir.path();
  const struct {
    const char* stored;
    std::string path;
    std::string drive;
  } cases[] = {
      {"c:\\Trace.txt", home + "/c/Trace.txt", home + "/c"},
      {"D:\\logs\\lorvex.txt", home + "/d/logs/lorvex.txt", home + "/d"},
      {"c:Trace.txt", home + "/c/Trace.txt", home + "/c"},
      {"c:", home + "/c", home + "/c"},
      // ".." at a drive's root stays at the root, as it does on the drive:
      // nothing a name says leaves its drive's folder.
      {"c:\\..\\..\\etc\\passwd", home + "/c/etc/passwd", home + "/c"},
      {"c:..\\.bashrc", home + "/c/.bashrc", home + "/c"},
      {"c:\\logs\\..\\..\\..\\x.txt", home + "/c/x.txt", home + "/c"},
      {"c:\\logs\\.\\old\\..\\x.txt", home + "/c/logs/x.txt", home + "/c"},
      {"c:/a//b/", home + "/c/a/b/", home + "/c"},  // still a folder's name
      {"c:\\..", home + "/c", home + "/c"},
      {"/var/tmp/trace.txt", "/var/tmp/trace.txt", ""},
      {"logs\\trace.txt", "logs/trace.txt", ""},
      {"trace.txt", "trace.txt", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    const TraceFileLocation where = MapTraceFilePath(c.stored);
    EXPECT_EQ(where.path, c.path) << c.stored;
    EXPECT_EQ(where.driveFolder, c.drive) << c.stored;
  }
  test_support::ScopedEnv noHome("HOME", nullptr);
  EXPECT_EQ(MapTraceFilePath("c:\\Trace.txt").path, "");
}

// A file name cannot hold a NUL byte (the store can: another program's
// value, a damaged file): such a name names no file, and the line is left
// out, instead of going into the file its first part names.
TEST_F(Viewer, ATraceFileNameHoldingANulByteNamesNoFile) {
  CLorvexApp& a = Start();
  const std::string names[] = {dir.File("one.txt") + std::string("\0.bak", 5), std::string("c:\\two.txt\0x", 11),
                               std::string("\0", 1)};
  for (const std::string& name : names) {
    EXPECT_EQ(MapTraceFilePath(name).path, "");
    a.Channel(1).Medium = 5;
    a.Channel(1).File = name;
    EXPECT_EQ(Doc()->Trace(1, "p", "d", "t", "x"), afx::TRUE);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("one.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("c/two.txt")));
  EXPECT_EQ(View()->GetItemCount(), 3) << "the list still gets the rows";
}

TEST_F(Viewer, TheDefaultTraceFileLandsBelowHomeAndNeverInTheCurrentDirectory) {
  CLorvexApp& a = Start();
  a.Channel(1).Medium = 4;  // the stored default name "c:\Trace.txt"
  const auto cwd = std::filesystem::current_path();
  std::filesystem::create_directory(dir.File("cwd"));
  std::filesystem::current_path(dir.File("cwd"));
  Doc()->Trace(1, "p", "d", "t", "x");
  std::filesystem::current_path(cwd);
  EXPECT_TRUE(std::filesystem::is_empty(dir.File("cwd")));
  EXPECT_EQ(ReadFile(dir.File("c/Trace.txt")), " p d t x\r\n");
}

TEST_F(Viewer, AnUnopenableTraceFileIsSkippedSilentlyAndTheListStillGetsTheRow) {
  CLorvexApp& a = Start();
  for (const std::string& bad : {dir.File("no/such/folder/t.txt"), dir.path()}) {
    a.Channel(1).Medium = 5;
    a.Channel(1).File = bad;
    EXPECT_EQ(Doc()->Trace(1, "p", "d", "t", "x"), afx::TRUE);
  }
  EXPECT_EQ(View()->GetItemCount(), 2);  // and no box (the session fails on one)
}

TEST_F(Viewer, ATraceFileLockedByAnotherWriterHasItsLineSkippedWithoutWaiting) {
  CLorvexApp& a = Start();
  a.Channel(1).Medium = 5;
  a.Channel(1).File = dir.File("locked.txt");
  Doc()->Trace(1, "p", "d", "t", "before");
  // A lock on another open file description of the same file is what another
  // writer's lock looks like to the viewer; waiting for it would hang here.
  const int other = ::open(dir.File("locked.txt").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  EXPECT_EQ(Doc()->Trace(1, "p", "d", "t", "while locked"), afx::TRUE);
  ::flock(other, LOCK_UN);
  Doc()->Trace(1, "p", "d", "t", "after");
  ::close(other);
  EXPECT_EQ(ReadFile(dir.File("locked.txt")), " p d t before\r\n p d t after\r\n");
  EXPECT_EQ(View()->GetItemCount(), 3);  // the list has every row, and no box came
}

TEST_F(Viewer, ALineLongerThanTheClassicBufferIsWrittenWhole) {
  CLorvexApp& a = Start();
  a.Channel(1).Medium = 4;
  a.Channel(1).File = dir.File("long.txt");
  const std::string text(5000, 'x');
  Doc()->Trace(1, "p", "d", "t", text);
  Doc()->Trace(1, "p", "d", "t", "after");
  EXPECT_EQ(ReadFile(dir.File("long.txt")), " p d t " + text + "\r\n p d t after\r\n");
}

TEST_F(Viewer, SaveAsWritesEveryKeptTraceOfAVisibleChannelAsItCame) {
  CLorvexApp& a = Start();
  a.Datum = 0;  // columns do not matter to the saved list
  Doc()->Trace(1, "p1", "d1", "t1", "x1");
  Doc()->Trace(2, "hidden", "d", "t", "x");
  Doc()->Trace(3, "p\t3", "d3", "t3", "line1\nline2\r\nline3");
  Doc()->Trace(40, "", "", "", "");
  a.Channel(2).Visible = 0;  // hidden after it was kept
  const std::string path = dir.File("saved.txt");
  test_support::WriteFile(path, "old content that is longer than the new one, surely it is");
  ui.ExpectSaveDialog(path);
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_SAVE_AS);
  EXPECT_EQ(ReadFile(path),
            "p1\td1\tt1\tx1\r\n"
            "p\t3\td3\tt3\tline1\nline2\r\nline3\r\n"
            "\t\t\t\r\n");
  EXPECT_EQ(ui.Dialogs().at(0).filter, "Alle Dateien (*.*)|*");
  EXPECT_EQ(Doc()->GetTitle(), "saved.txt");
  EXPECT_EQ(a.TraceEntries.size(), 4u) << "saving keeps the list";
}

// Many traces over several of the store's blocks, one larger than a block on
// the way; what Save As must write with the channels hidden as given.
std::string FillAcrossBlocks(CLorvexDoc* doc, const std::set<int>& hidden) {
  std::string expected;
  for (int i = 0; i < 12000; ++i) {
    const std::size_t size = i == 5000 ? TraceStore::kBlockBytes + 10 : static_cast<std::size_t>(i % 400);
    const std::string text(size, static_cast<char>('a' + i % 26));
    const std::string process = "proc" + std::to_string(i);
    const int id = 1 + i % 3;
    doc->Trace(id, process, "10.12.2026", "14:03:07.123", text);
    if (!hidden.count(id)) expected += process + "\t10.12.2026\t14:03:07.123\t" + text + "\r\n";
  }
  return expected;
}

TEST_F(Viewer, SaveAsWritesLongListsWithTheSameBytesWhicheverChannelsAreHidden) {
  const std::set<int> cases[] = {{}, {2}, {1, 3}, {1, 2, 3}};
  for (const std::set<int>& hidden : cases) {
    SCOPED_TRACE(::testing::PrintToString(hidden));
    CLorvexApp& a = Start();
    const std::string expected = FillAcrossBlocks(Doc(), hidden);
    for (int id = 1; id <= 3; ++id) a.Channel(id).Visible = hidden.count(id) ? 0 : 1;
    EXPECT_EQ(SavedTraceList(a), expected);
    const std::string path = dir.File("long.txt");
    ui.ExpectSaveDialog(path);
    Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_SAVE_AS);
    EXPECT_EQ(ReadFile(path), expected);
  }
}

TEST_F(Viewer, SaveAsStoppedPartWayByTheFileSizeLimitKeepsTheWrittenPartRightAndFails) {
  CLorvexApp& a = Start();
  const std::string expected = FillAcrossBlocks(Doc(), {2});
  a.Channel(2).Visible = 0;
  const std::string path = dir.File("limited.txt");
  for (const rlim_t limit : {rlim_t{1}, rlim_t{100001}, rlim_t{TraceStore::kBlockBytes + 7}}) {
    SCOPED_TRACE(limit);
    // The limit makes the system write part of a call and then refuse;
    // in a child, so that the limit stays there.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit r{limit, limit};
      ::setrlimit(RLIMIT_FSIZE, &r);
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      ::_exit(fd >= 0 && WriteTraceList(a, fd) == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the error was not EFBIG";
    EXPECT_EQ(ReadFile(path), expected.substr(0, limit));
  }
}

TEST_F(Viewer, TheStoreGivesItsLinesInRunsThatEndAtALeftOutTraceAndAtABlock) {
  TraceStore store;
  const std::string half(TraceStore::kBlockBytes / 2, 'h');
  // Channel: 1 1 2 1 | 1 (a new block) 1
  for (int id : {1, 1, 2, 1}) store.Append(id, "p", "d", "t", id == 1 && store.size() == 3 ? half : "x");
  store.Append(1, "p", "d", "t", half);
  store.Append(1, "p", "d", "t", "y");
  std::vector<std::string> runs;
  store.ForEachRun([](int id) { return id == 1; }, [&](std::string_view run) {
    runs.emplace_back(run);
    return true;
  });
  EXPECT_EQ(runs, (std::vector<std::string>{"p\td\tt\tx\r\np\td\tt\tx\r\n", "p\td\tt\t" + half + "\r\n",
                                            "p\td\tt\t" + half + "\r\np\td\tt\ty\r\n"}));
  std::string all;
  store.ForEachRun([&](std::string_view run) {
    all += run;
    return true;
  });
  EXPECT_EQ(all, "p\td\tt\tx\r\np\td\tt\tx\r\np\td\tt\tx\r\np\td\tt\t" + half + "\r\np\td\tt\t" + half +
                     "\r\np\td\tt\ty\r\n");
}

TEST_F(Viewer, KeptTracesComeBackWholeFromTheStore) {
  TraceStore store;
  const std::string big(TraceStore::kBlockBytes + 1000, 'b');  // more than a block
  const struct {
    int id;
    std::string process, date, time, text;
  } cases[] = {
      {1, "p", "d", "t", "x"},
      {30, "", "", "", ""},
      {2, std::string(127, 'a'), std::string(128, 'b'), std::string(16383, 'c'), std::string(16384, 'd')},
      {3, "with\0nul", "\xc3\xa4", "\t", "line\r\n"},
      {4, "p", "d", "t", big},
      {5, "after", "the", "big", "one"},
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& c : cases) store.Append(c.id, c.process, c.date, c.time, c.text);
    ASSERT_EQ(store.size(), std::size(cases));
    std::size_t i = 0;
    for (const CTraceEntry e : store) {
      const auto& c = cases[i++];
      EXPECT_EQ(e.id, c.id);
      EXPECT_EQ((std::vector<std::string>{e.GetProcess(), e.GetDate(), e.GetTime(), e.GetText()}),
                (std::vector<std::string>{c.process, c.date, c.time, c.text}));
    }
    EXPECT_EQ(store.back().GetText(), "one");
    store.clear();
    EXPECT_TRUE(store.empty());
  }
}

// A file that cannot be written is told to the person. A FIFO or a device is
// refused at once: the window thread never waits for a reader, and the list
// goes into a file or nowhere.
TEST_F(Viewer, SaveAsThatCannotWriteTellsThePerson) {
  Start();
  const std::string fifo = dir.File("saved.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  test_support::FifoWatchdog watchdog(fifo, O_RDONLY);
  const struct {
    std::string path;
    const char* error;
  } cases[] = {
      {dir.File("missing/saved.txt"), "No such file or directory"},
      {fifo, "Not a regular file"},
      {"/dev/null", "Not a regular file"},
  };
  for (const auto& c : cases) {
    ui.ExpectSaveDialog(c.path);
    ui.ExpectBox("Die Datei \"" + c.path + "\" kann nicht geschrieben werden.\n" + c.error)
        .Caption("Lorvex")
        .Flags(plat::MB_OK | plat::MB_ICONEXCLAMATION);
    Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_SAVE_AS);
    EXPECT_EQ(Doc()->GetTitle(), "") << c.path;
  }
}

TEST_F(Viewer, NewAndOpenKeepTheTracesAndOnlyRenameTheDocument) {
  CLorvexApp& a = Start();
  Doc()->Trace(1, "p", "d", "t", "x");
  const std::string path = dir.File("some.log");
  test_support::WriteFile(path, "anything");
  ui.ExpectOpenDialog(path);
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_OPEN);
  EXPECT_EQ(Doc()->GetTitle(), "some.log");
  EXPECT_EQ(Frame()->GetWindowText(), "some.log - Lorvex V.1.4.1");
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_NEW);
  EXPECT_EQ(Doc()->GetTitle(), "");
  EXPECT_EQ(Frame()->GetWindowText(), "Lorvex V.1.4.1");
  EXPECT_EQ(a.TraceEntries.size(), 1u);
  EXPECT_EQ(ReadFile(path), "anything");
}

TEST_F(Viewer, AboutShowsTheInfoAndTheHelpCommandsOpenTopicsOneAndFive) {
  Start();
  bool shown = false;
  ui.ExpectModalWindow("Info \xc3\xbc" "ber Lorvex ", [&](plat::Window& w) {
    shown = dynamic_cast<CDlgInfo*>(&w) != nullptr;
    afx::person::Click(dynamic_cast<afx::CWnd&>(w).GetDlgItem(afx::IDOK));
  });
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_APP_ABOUT);
  EXPECT_TRUE(shown);
  // Topic 1 is installed, topic 5 is not.
  app->SetHelpFolder(dir.File("help"));
  std::filesystem::create_directories(dir.File("help"));
  test_support::WriteFile(dir.File("help/1.html"), "<p>Lorvex</p>");
  std::vector<std::string> opened;
  plat::ScopedAddressOpener opener([&](const std::string& a) {
    opened.push_back(a);
    return plat::kShellStarted;
  });
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_HELP);
  EXPECT_EQ(opened, (std::vector<std::string>{dir.File("help/1.html")}));
  ui.ExpectBox("Zu diesem Thema (5) ist keine Hilfe installiert.\n\nDie Hilfeseite wird hier erwartet:\n" +
               dir.File("help/5.html"))
      .Caption("Lorvex");
  Frame()->SendMessage(afx::WM_COMMAND, ID_HELP_TOPIC5);
  Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_PRINT_SETUP);
  for (afx::UINT id : {afx::ID_APP_ABOUT, afx::ID_HELP, ID_HELP_TOPIC5, afx::ID_FILE_NEW, afx::ID_FILE_OPEN,
                       afx::ID_FILE_PRINT_SETUP, afx::ID_FILE_SAVE_AS}) {
    EXPECT_TRUE(Frame()->UpdateCommandState(id).enabled) << id;
  }
}

TEST_F(Viewer, TheSplashClosesAfter750MsOrAtTheFirstKeyWhichItSwallows) {
  Start();
  ASSERT_NE(CLogoWnd::Instance(), nullptr);
  plat::testing::Advance(749);
  EXPECT_NE(CLogoWnd::Instance(), nullptr);
  plat::testing::Advance(1);
  EXPECT_EQ(CLogoWnd::Instance(), nullptr);
  End();

  Start();
  ASSERT_NE(CLogoWnd::Instance(), nullptr);
  EXPECT_FALSE(afx::DispatchQueuedMessage({View(), afx::WM_KEYDOWN, 0x41, 0})) << "the key reached the frame";
  EXPECT_EQ(CLogoWnd::Instance(), nullptr);
  EXPECT_TRUE(afx::DispatchQueuedMessage({View(), afx::WM_KEYDOWN, 0x41, 0}));
  End();

  Start();
  EXPECT_TRUE(afx::DispatchQueuedMessage({View(), afx::WM_MOUSEMOVE, 0, 0})) << "only presses close it";
  EXPECT_NE(CLogoWnd::Instance(), nullptr);
  End();
  EXPECT_EQ(CLogoWnd::Instance(), nullptr) << "the splash outlived its frame";
}

TEST_F(Viewer, AnAutomationStartShowsNoSplashButStillTheMainWindow) {
  Start({"/Automation"});
  EXPECT_EQ(CLogoWnd::Instance(), nullptr);
  ASSERT_NE(Frame(), nullptr);
  EXPECT_TRUE(Frame()->IsWindowVisible());
}

}  // namespace
