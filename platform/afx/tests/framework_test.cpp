// The façade's application, message maps, documents and windows, in virtual
// time with scripted boxes and dialogs.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/ui/testing.h"
#include "temp_dir.h"
#include "test_classes.h"

namespace {

using namespace afx_test;
using test_support::ReadFile;
using test_support::ScopedEnv;
using test_support::TempDir;

class Framework : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    TestFrame::failCreate = false;
  }
  // The program started with these arguments (InitInstance run).
  bool Start(std::vector<std::string> args = {}) {
    args.insert(args.begin(), "tester");
    app.SetCommandLine(args);
    const bool ok = app.InitInstance() != 0;
    Log().clear();
    return ok;
  }

  TempDir dir;
  ScopedEnv home{"HOME", dir.path().c_str()};
  ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  ScopedEnv data{"XDG_DATA_HOME", (dir.path() + "/data").c_str()};
  plat::testing::CoreSession ui;
  TestApp app;
};

TEST_F(Framework, CommandsRouteFromTheViewThroughDocumentAndFrameToTheApplication) {
  ASSERT_TRUE(Start());
  const struct {
    afx::UINT id;
    std::vector<std::string> ran;
  } cases[] = {
      {kViewCmd, {"view"}},  {kSharedCmd, {"view shared"}}, {kDocCmd, {"doc"}},
      {kFrameCmd, {"frame"}}, {kAppCmd, {"app"}},            {kUnhandledCmd, {}},
  };
  for (const auto& c : cases) {
    Log().clear();
    app.Frame()->SendMessage(afx::WM_COMMAND, c.id);
    EXPECT_EQ(Log(), c.ran) << c.id;
  }
}

TEST_F(Framework, CommandStateComesFromUpdateHandlersElseFromWhetherAnythingHandlesIt) {
  ASSERT_TRUE(Start());
  const struct {
    afx::UINT id;
    bool enabled;
    int checked;
  } cases[] = {
      {kViewCmd, false, 0},      // its update handler disables it
      {kFrameCmd, true, 1},      // checked by its update handler, enabled by its command handler
      {kAppCmd, true, 0},        // handled, no update handler
      {kDocCmd, true, 0},        // handled by the document
      {kUpdateOnlyCmd, true, 0}, // enabled by an update handler alone
      {kUnhandledCmd, false, 0}, // nothing would run it
  };
  for (const auto& c : cases) {
    const auto state = app.Frame()->UpdateCommandState(c.id);
    EXPECT_EQ(state.enabled, c.enabled) << c.id;
    EXPECT_EQ(state.checked, c.checked) << c.id;
  }
  EXPECT_TRUE(Log().empty()) << "asking for the state ran a command";
}

TEST_F(Framework, RegisteredMessagesReachTheirHandlerByName) {
  ASSERT_TRUE(Start());
  const auto ping = plat::RegisterWindowMessage("wm_afx_test_ping");
  EXPECT_EQ(app.View()->SendMessage(ping, 2, 40), 42);
  // The frame does not pass the view's messages on.
  EXPECT_EQ(app.Frame()->SendMessage(ping, 2, 40), 0);
}

TEST_F(Framework, QueueMessagesPassPreTranslateMessageFirst) {
  ASSERT_TRUE(Start());
  TestView* view = app.View();
  EXPECT_FALSE(afx::DispatchQueuedMessage({view, afx::WM_KEYDOWN, 0x1B, 0}));  // the frame's accelerator
  EXPECT_TRUE(afx::DispatchQueuedMessage({view, afx::WM_KEYDOWN, 0x41, 0}));
  view->PostMessage(afx::WM_KEYDOWN, 0x1B);
  view->PostMessage(afx::WM_KEYDOWN, 0x42);
  EXPECT_EQ(Log(), (std::vector<std::string>{"key 65"})) << "a posted message ran before its turn";
  plat::testing::Advance(0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"key 65", "key 66"}));
}

TEST_F(Framework, TimersTickInVirtualTimeUntilKilled) {
  ASSERT_TRUE(Start());
  TestView* view = app.View();
  view->SetTimer(7, 100);
  plat::testing::Advance(250);
  EXPECT_EQ(Log(), (std::vector<std::string>{"timer 7", "timer 7"}));
  view->KillTimer(7);
  plat::testing::Advance(500);
  EXPECT_EQ(Log().size(), 2u);
}

TEST_F(Framework, AFrameWhoseCreationFailsLeavesNoWindowAndNoDocument) {
  TestFrame::failCreate = true;
  EXPECT_FALSE(Start());
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(app.Doc(), nullptr);
  EXPECT_TRUE(ui.App().TopLevelWindows().empty());
}

TEST_F(Framework, TheFrameTitleFollowsTheDocumentTitle) {
  ASSERT_TRUE(Start());
  // A new document is named by the document string's new-file name.
  EXPECT_EQ(app.Doc()->GetTitle(), "Test");
  EXPECT_EQ(app.Frame()->GetWindowText(), "Test - Test Frame");
  app.Doc()->SetTitle("");
  EXPECT_EQ(app.Frame()->GetWindowText(), "Test Frame");
}

TEST_F(Framework, SaveAsAsksForTheFileWithTheAllFilesFilterAndNamesTheDocumentAfterIt) {
  ASSERT_TRUE(Start());
  const std::string path = dir.File("list.txt");
  ui.ExpectSaveDialog(path);
  app.Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_SAVE_AS);
  EXPECT_EQ(ReadFile(path), "saved");
  ASSERT_EQ(ui.Dialogs().size(), 1u);
  EXPECT_EQ(ui.Dialogs()[0].kind, plat::testing::DialogKind::Save);
  EXPECT_EQ(ui.Dialogs()[0].filter, "Alle Dateien (*.*)|*");
  EXPECT_EQ(app.Doc()->GetTitle(), "list.txt");
  EXPECT_EQ(app.Frame()->GetWindowText(), "list.txt - Test Frame");

  ui.ExpectSaveDialog(std::nullopt);  // cancelled: nothing happens
  app.Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_SAVE_AS);
  EXPECT_EQ(Log(), (std::vector<std::string>{"store"}));
  EXPECT_EQ(app.Doc()->GetTitle(), "list.txt");
}

TEST_F(Framework, OpeningReadsThroughSerializeAndAMissingFileIsReported) {
  ASSERT_TRUE(Start());
  const std::string path = dir.File("old.log");
  test_support::WriteFile(path, "x");
  ui.ExpectOpenDialog(path);
  app.Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_OPEN);
  EXPECT_EQ(Log(), (std::vector<std::string>{"load"}));
  EXPECT_EQ(app.Doc()->GetTitle(), "old.log");

  const std::string missing = dir.File("gone.log");
  ui.ExpectOpenDialog(missing);
  ui.ExpectBox("Das Dokument \"" + missing + "\" kann nicht ge\xc3\xb6" "ffnet werden.\nNo such file or directory")
      .Caption("Tester")
      .Flags(plat::MB_OK | plat::MB_ICONEXCLAMATION);
  app.Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_OPEN);
  EXPECT_EQ(app.Doc()->GetTitle(), "old.log");
  EXPECT_NE(app.m_pMainWnd, nullptr) << "a failed open of the one document closed its window";

  // A FIFO nobody writes to is refused at once, not waited on.
  const std::string fifo = dir.File("pipe.log");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ui.ExpectOpenDialog(fifo);
  ui.ExpectBox("Das Dokument \"" + fifo + "\" kann nicht ge\xc3\xb6" "ffnet werden.\nNot a regular file");
  app.Frame()->SendMessage(afx::WM_COMMAND, afx::ID_FILE_OPEN);
  EXPECT_EQ(app.Doc()->GetTitle(), "old.log");
  EXPECT_EQ(Log(), (std::vector<std::string>{"load"})) << "the FIFO was read";
}

TEST_F(Framework, ClosingTheMainWindowWhileAClientHoldsTheDocumentOnlyHidesIt) {
  ASSERT_TRUE(Start());
  TestDoc* doc = app.Doc();
  doc->ExternalAddRef();
  app.Frame()->SendMessage(afx::WM_CLOSE);
  ASSERT_NE(app.m_pMainWnd, nullptr);
  EXPECT_FALSE(app.m_pMainWnd->Visible());
  EXPECT_FALSE(afx::AfxOleGetUserCtrl());
  doc->ExternalRelease();
  EXPECT_NE(app.m_pMainWnd, nullptr) << "closed inside the client's release";
  plat::testing::Advance(0);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(app.Doc(), nullptr);
  EXPECT_EQ(Log(), (std::vector<std::string>{"doc destroyed"}));
}

TEST_F(Framework, AClientLettingGoEndsOnlyAnApplicationThePersonDoesNotControl) {
  ASSERT_TRUE(Start());
  for (const bool personUsedIt : {false, true}) {
    afx::AfxOleSetUserCtrl(afx::FALSE);  // as when started for a client
    if (!app.m_pMainWnd) {
      ASSERT_NE(app.OpenDocumentFile(""), nullptr);
    }
    if (personUsedIt) afx::DispatchQueuedMessage({app.View(), afx::WM_LBUTTONDOWN, 0, 0});
    app.Doc()->ExternalAddRef();
    app.Doc()->ExternalRelease();
    plat::testing::Advance(0);
    EXPECT_EQ(app.m_pMainWnd == nullptr, !personUsedIt) << personUsedIt;
  }
}

TEST_F(Framework, WithoutAHoldClosingTheMainWindowEndsTheLoopAndExitInstanceRuns) {
  app.SetCommandLine({"tester"});
  ui.WhenIdle([this] { app.Frame()->SendMessage(afx::WM_CLOSE); });
  char arg0[] = "tester";
  char* argv[] = {arg0, nullptr};
  afx::AfxWinMain(1, argv);
  EXPECT_EQ(Log(), (std::vector<std::string>{"init", "doc destroyed", "exit"}));
}

TEST_F(Framework, ExitInstanceAlsoRunsWhenInitInstanceFails) {
  TestFrame::failCreate = true;
  char arg0[] = "tester";
  char* argv[] = {arg0, nullptr};
  afx::AfxWinMain(1, argv);
  EXPECT_EQ(Log(), (std::vector<std::string>{"init", "doc destroyed", "exit"}));
}

TEST_F(Framework, ProfileValuesLiveUnderTheRegistryKeyAndTheApplicationName) {
  EXPECT_EQ(app.GetProfileInt("General", "SizeX", 200), 200u) << "no key set: the default";
  EXPECT_FALSE(app.WriteProfileInt("General", "SizeX", 1));
  app.SetRegistryKey("TRACE");
  EXPECT_EQ(app.ProfileKey("General"), "Software\\TRACE\\Tester\\General");
  EXPECT_EQ(app.GetProfileInt("General", "SizeX", 200), 200u);
  EXPECT_EQ(app.GetProfileString("IDS", "ID1File", "c:\\Trace.txt"), "c:\\Trace.txt");
  EXPECT_TRUE(app.WriteProfileInt("General", "PositionX", -1200));
  EXPECT_TRUE(app.WriteProfileString("IDS", "ID1File", "/tmp/t.txt"));
  EXPECT_EQ(static_cast<int>(app.GetProfileInt("General", "PositionX", 50)), -1200);
  EXPECT_EQ(app.GetProfileString("IDS", "ID1File"), "/tmp/t.txt");
  // A value of the other kind is missing for the reader.
  EXPECT_EQ(app.GetProfileInt("IDS", "ID1File", 7), 7u);
  EXPECT_EQ(plat::Registry().ReadInteger("Software\\TRACE\\Tester\\General", "PositionX"), 0xFFFFFB50u);
}

TEST_F(Framework, ABatchOfProfileWritesReachesTheStoreOnlyWhenCommitted) {
  app.SetRegistryKey("TRACE");
  app.BeginProfileBatch();
  app.WriteProfileInt("General", "SizeX", 640);
  app.WriteProfileString("IDS", "ID1File", "x");
  EXPECT_EQ(app.GetProfileInt("General", "SizeX", 200), 200u);
  EXPECT_TRUE(app.CommitProfileBatch());
  EXPECT_EQ(app.GetProfileInt("General", "SizeX", 200), 640u);
  EXPECT_EQ(app.GetProfileString("IDS", "ID1File"), "x");
}

TEST_F(Framework, TheReadsOfABatchComeFromOneReadOfTheStore) {
  app.SetRegistryKey("TRACE");
  app.WriteProfileInt("General", "SizeX", 640);
  app.WriteProfileString("IDS", "ID1File", "x");
  int reads = 0;
  plat::SetRegistryReadObserver([&reads](const std::string&) { ++reads; });
  app.BeginProfileBatch();
  EXPECT_EQ(reads, 0) << "read at the first read, not before";
  EXPECT_EQ(app.GetProfileInt("General", "SizeX", 200), 640u);
  EXPECT_EQ(app.GetProfileString("IDS", "ID1File"), "x");
  EXPECT_EQ(app.GetProfileInt("IDS", "ID1File", 7), 7u) << "the other kind is still missing";
  EXPECT_EQ(app.GetProfileString("IDS", "ID2File", "d"), "d");
  EXPECT_EQ(app.ProfileBatchReadError(), 0);
  EXPECT_EQ(reads, 1);
  EXPECT_TRUE(app.CommitProfileBatch());
  EXPECT_EQ(reads, 1) << "a batch without writes writes nothing";
  plat::SetRegistryReadObserver(nullptr);

  // A store that cannot be read: every read of the batch has its default.
  const std::string store = plat::Registry().FilePath();
  std::filesystem::remove(store);
  std::filesystem::create_directory(store);
  app.BeginProfileBatch();
  EXPECT_EQ(app.GetProfileInt("General", "SizeX", 200), 200u);
  EXPECT_EQ(app.ProfileBatchReadError(), EISDIR);
  EXPECT_TRUE(app.CommitProfileBatch());
  std::filesystem::remove(store);
}

}  // namespace
