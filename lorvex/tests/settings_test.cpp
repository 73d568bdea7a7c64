// The viewer's settings in the registry store, and its main frame's geometry.
#include <sys/stat.h>

#include <filesystem>
#include <limits>

#include "platform/program_path.h"
#include "store_helpers.h"
#include "viewer_fixture.h"

namespace {

TEST_F(Viewer, TheFirstStartWithoutAKeyHasTheDefaults) {
  CLorvexApp& a = Start();
  EXPECT_EQ((std::vector<int>{a.SizeX, a.SizeY, a.PositionX, a.PositionY}), (std::vector<int>{200, 300, 50, 50}));
  EXPECT_EQ((std::vector<int>{a.Name, a.Datum, a.Uhrzeit, a.Ausgabewert}), (std::vector<int>{1, 1, 1, 1}));
  for (int n = 1; n <= 30; ++n) {
    EXPECT_EQ(a.Channel(n).Color, static_cast<std::uint32_t>((n - 1) * 10000)) << n;
    EXPECT_EQ(a.Channel(n).Medium, 1u) << n;
    EXPECT_EQ(a.Channel(n).File, "c:\\Trace.txt") << n;
    EXPECT_EQ(a.Channel(n).Visible, 1) << n;
  }
  EXPECT_EQ(a.Channel(2).Color, plat::Rgb(0x10, 0x27, 0));
  EXPECT_EQ(a.Stopped, 0);
  EXPECT_TRUE(a.TraceEntries.empty());
}

TEST_F(Viewer, AfterARunEveryValueExistsWrittenInOrder) {
  Start();
  End();
  EXPECT_EQ(registry.EnumValues(Key("General")), (std::vector<std::string>{"SizeX", "SizeY", "PositionX", "PositionY"}));
  EXPECT_EQ(registry.EnumValues(Key("Option")), (std::vector<std::string>{"Name", "Datum", "Uhrzeit", "Ausgabewert"}));
  std::vector<std::string> ids;
  for (int n = 1; n <= 30; ++n) {
    for (const char* what : {"Color", "Medium", "File", "Visible"}) ids.push_back("ID" + std::to_string(n) + what);
  }
  EXPECT_EQ(registry.EnumValues(Key("IDS")), ids);
  EXPECT_EQ(registry.ReadString(Key("IDS"), "ID30File"), "c:\\Trace.txt");
  EXPECT_EQ(registry.ReadInteger(Key("IDS"), "ID30Color"), 290000u);
  EXPECT_FALSE(registry.ReadInteger(Key("IDS"), "ID7File")) << "the file name is a string";
}

TEST_F(Viewer, ValuesWrittenByOneRunAreReadByTheNextAndTheTraceListStartsEmpty) {
  CLorvexApp& first = Start();
  first.Datum = 0;
  first.Channel(7).Color = 0x123456;
  first.Channel(7).Medium = 5;
  first.Channel(7).File = "/tmp/seven.txt";
  first.Channel(30).Visible = 0;
  Doc()->Trace(7, "p", "d", "t", "x");
  End();
  CLorvexApp& next = Start();
  EXPECT_EQ(next.Datum, 0);
  EXPECT_EQ(next.Channel(7).Color, 0x123456u);
  EXPECT_EQ(next.Channel(7).Medium, 5u);
  EXPECT_EQ(next.Channel(7).File, "/tmp/seven.txt");
  EXPECT_EQ(next.Channel(30).Visible, 0);
  EXPECT_TRUE(next.TraceEntries.empty());
  EXPECT_EQ(View()->GetItemCount(), 0);
}

TEST_F(Viewer, StoredValuesAreUsedAsTheyAreEvenWhenOdd) {
  registry.WriteInteger(Key("General"), "PositionX", static_cast<std::uint32_t>(-3000));
  registry.WriteInteger(Key("Option"), "Name", 7);
  registry.WriteInteger(Key("IDS"), "ID3Medium", 0xFFFFFFFF);
  CLorvexApp& a = Start();
  EXPECT_EQ(a.PositionX, -3000);
  EXPECT_EQ(Frame()->Left(), -3000) << "a stored position off the screen opens the window off the screen";
  EXPECT_EQ(a.Name, 7);
  EXPECT_EQ(a.Channel(3).Medium, 0xFFFFFFFFu);
}

TEST_F(Viewer, ValuesNeverLoadedNeverOverwriteTheStore) {
  registry.WriteInteger(Key("General"), "SizeX", 999);
  app.emplace();  // start-up failed before the settings were read
  for (const TraceIdSettings& ch : app->IdSettings) EXPECT_EQ(ch.File, "");
  EXPECT_EQ(app->Stopped, 0);
  EXPECT_TRUE(app->TraceEntries.empty() && app->RowMap.empty());
  app->ExitInstance();
  app.reset();
  EXPECT_EQ(registry.ReadInteger(Key("General"), "SizeX"), 999u);
  EXPECT_EQ(registry.EnumValues(Key("General")), (std::vector<std::string>{"SizeX"}));
}

TEST_F(Viewer, AStartThatFailsAfterReadingWritesBackWhatItRead) {
  registry.WriteInteger(Key("General"), "SizeX", 999);
  const std::string missing = dir.File("no-such.log");
  ui.ExpectBox("Das Dokument \"" + missing + "\" kann nicht ge\xc3\xb6" "ffnet werden.\nNo such file or directory");
  Start({missing}, false);
  End();
  EXPECT_EQ(registry.ReadInteger(Key("General"), "SizeX"), 999u);
  EXPECT_EQ(registry.EnumValues(Key("IDS")).size(), 120u);
}

TEST_F(Viewer, TheMainFrameTakesItsGeometryFromTheSettingsAndGivesItBack) {
  registry.WriteInteger(Key("General"), "SizeX", 640);
  registry.WriteInteger(Key("General"), "SizeY", 480);
  registry.WriteInteger(Key("General"), "PositionX", 10);
  registry.WriteInteger(Key("General"), "PositionY", 20);
  Start();
  auto* frame = dynamic_cast<CMainFrame*>(Frame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetWindowClass(), "Lorvex 230174");
  EXPECT_EQ(frame->GetWindowText(), "Lorvex V.1.4.1");
  EXPECT_TRUE(frame->IsWindowVisible());
  EXPECT_EQ((std::vector<int>{frame->Left, frame->Top, frame->Width, frame->Height}),
            (std::vector<int>{10, 20, 640, 480}));
  EXPECT_EQ(View()->GetWindowText(), "Sallowmere Window");
  // A backend that cannot read window positions gives back only the size.
  frame->Width = 800;
  frame->Height = 600;
  End();
  EXPECT_EQ(registry.ReadInteger(Key("General"), "SizeX"), 800u);
  EXPECT_EQ(registry.ReadInteger(Key("General"), "SizeY"), 600u);
  EXPECT_EQ(registry.ReadInteger(Key("General"), "PositionX"), 10u);
  EXPECT_EQ(registry.ReadInteger(Key("General"), "PositionY"), 20u);
}

// Whatever geometry is stored (a height of a few pixels is what closing the
// viewer minimised leaves), the frame is made with it unchanged, its layout
// comes to rest and closing it gives the rectangle back. The counter ends a
// layout that never rests, so that the fault fails the test instead of
// hanging it.
TEST_F(Viewer, NoStoredGeometryWedgesTheFrame) {
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  using Rect = std::vector<int>;  // width, height, left, top
  const struct {
    Rect stored;
    Rect back;  // what the next start reads
  } cases[] = {
      {{200, 72, 50, 50}, {200, 72, 50, 50}},
      {{200, 40, 50, 50}, {200, 40, 50, 50}},
      {{160, 28, -32000, -32000}, {160, 28, -32000, -32000}},
      {{200, 0, 50, 50}, {200, 0, 50, 50}},
      {{0, 0, 0, 0}, {0, 0, 0, 0}},
      {{-1, -1, 50, 50}, {-1, -1, 50, 50}},
      {{200, -300, 50, 50}, {200, -300, 50, 50}},
      {{kMax, kMax, kMax, kMax}, {kMax, kMax, kMax, kMax}},
      {{200, 300, kMax, kMax}, {200, 300, kMax, kMax}},
      {{kMax, kMax, kMin + 1, kMin + 1}, {kMax, kMax, kMin + 1, kMin + 1}},
      // 2^31 is the window system's "use the default" for a size and a position.
      {{kMin, kMin, kMin, kMin}, {640, 480, 0, 0}},
  };
  const char* names[] = {"SizeX", "SizeY", "PositionX", "PositionY"};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored));
    for (int i = 0; i < 4; ++i) registry.WriteInteger(Key("General"), names[i], static_cast<std::uint32_t>(c.stored[i]));
    CLorvexApp& a = Start();
    ASSERT_NE(Frame(), nullptr);
    EXPECT_EQ((Rect{a.SizeX, a.SizeY, a.PositionX, a.PositionY}), c.stored) << "the stored values are used as they are";
    int sizes = 0;
    Frame()->AddMessageHandler([&sizes](plat::Window&, plat::Message& m) {
      return m.msg == afx::WM_SIZE && ++sizes > 100;  // swallowed from then on: the layout ran away
    });
    plat::testing::Advance(100);
    EXPECT_LE(sizes, 10) << "the frame's layout never came to rest";
    // Hiding and showing the tool bar lays the frame out again.
    Frame()->SendMessage(afx::WM_COMMAND, afx::AFX_IDW_TOOLBAR);
    Frame()->SendMessage(afx::WM_COMMAND, afx::AFX_IDW_TOOLBAR);
    plat::testing::Advance(100);
    EXPECT_LE(sizes, 20);
    End();
    Rect back;
    for (const char* name : names) back.push_back(static_cast<int>(registry.ReadInteger(Key("General"), name).value_or(0)));
    EXPECT_EQ(back, c.back);
  }
}

// The settings are read from one read of the store, however many values
// there are and however large the store is.
TEST_F(Viewer, TheStoreIsReadOncePerBatch) {
  registry.WriteString("Software\\Another Program", "Big", std::string(2 << 20, 'x'));
  int reads = 0;
  plat::SetRegistryReadObserver([&reads](const std::string&) { ++reads; });
  Start();
  // One for all the settings, and one inside each rewrite of the viewer's
  // registration as an installed component (its key, its two values).
  EXPECT_EQ(reads, 4);
  reads = 0;
  End();
  EXPECT_EQ(reads, 1) << "inside the rewrite of the settings";
  plat::SetRegistryReadObserver(nullptr);
  EXPECT_EQ(registry.ReadString("Software\\Another Program", "Big")->size(), std::size_t{2} << 20);
}

// A store that cannot be read (a FIFO made in its place, a folder) neither
// hangs the start nor is replaced: the viewer runs with the defaults, says so
// on standard error, and saves nothing.
TEST_F(Viewer, AStoreThatCannotBeReadIsNeitherWaitedOnNorReplaced) {
  const std::string store = registry.FilePath();
  std::filesystem::create_directories(std::filesystem::path(store).parent_path());
  for (const bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "FIFO" : "folder");
    std::filesystem::remove_all(store);
    ASSERT_EQ(fifo ? ::mkfifo(store.c_str(), 0600) : ::mkdir(store.c_str(), 0700), 0);
    test_support::FifoWatchdog watchdog(store);
    ::testing::internal::CaptureStderr();
    CLorvexApp& a = Start();
    EXPECT_EQ((std::vector<int>{a.SizeX, a.SizeY, a.PositionX, a.PositionY}), (std::vector<int>{200, 300, 50, 50}));
    EXPECT_TRUE(Frame() && Frame()->IsWindowVisible());
    a.Channel(1).Color = 0x123456;
    End();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Lorvex: the settings in " + store + " cannot be read"), std::string::npos) << said;
    struct stat st {};
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_EQ(fifo ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode), true);
  }
}

// Another program holding the store's lock (at work, or stopped in its
// write) delays the start and the end by a bounded time on the viewer's clock
// and costs nothing of the store: what this run changed is not saved, and
// standard error says so.
TEST_F(Viewer, AnotherProgramHoldingTheStoreLockNeitherFreezesTheViewerNorLosesTheStore) {
  registry.WriteInteger(Key("General"), "SizeX", 640);
  const std::string before = test_support::ReadFile(registry.FilePath());
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped holder" : "working holder");
    test_support::StoreLockHolder holder(registry.FilePath());
    ASSERT_TRUE(holder.Locked());
    if (stopped) holder.Stop();
    const std::uint64_t startedAt = plat::CurrentClock().NowMs();
    CLorvexApp& a = Start();
    EXPECT_EQ(plat::CurrentClock().NowMs() - startedAt, 2000u) << "the registration waited its bounded time";
    EXPECT_EQ(a.SizeX, 640) << "reading takes no lock";
    EXPECT_TRUE(Frame() && Frame()->IsWindowVisible());
    a.SizeX = 800;
    ::testing::internal::CaptureStderr();
    const std::uint64_t endedAt = plat::CurrentClock().NowMs();
    End();
    EXPECT_EQ(plat::CurrentClock().NowMs() - endedAt, 2000u);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Lorvex: the settings were not saved to " + registry.FilePath()), std::string::npos) << said;
    EXPECT_EQ(test_support::ReadFile(registry.FilePath()), before);
  }
  Start();
  End();
  EXPECT_EQ(registry.ReadInteger(Key("General"), "SizeX"), 640u) << "once the lock is free, the viewer saves again";
}

TEST_F(Viewer, TheViewerRegistersItselfAsAnInstalledComponent) {
  Start();
  const std::string key = "Software\\Orrindale\\Quarrystone\\Installed Components\\Lorvex";
  EXPECT_EQ(registry.ReadString(key, "Path"), plat::ProgramFile());
  EXPECT_EQ(registry.ReadString(key, "Info"), "Lorvex Debugging Tool");
}

TEST_F(Viewer, UnregisteringRemovesTheServiceFileAndEndsTheStart) {
  const std::string service = dir.path() + "/data/dbus-1/services/Lorvex.Document.service";
  Start();
  End();
  ASSERT_TRUE(std::filesystem::exists(service)) << "every start writes it";
  ui.ExpectBox("Lorvex wurde aus der Registrierung entfernt.").Caption("Lorvex");
  Start({"-Unregister"}, false);
  EXPECT_FALSE(std::filesystem::exists(service));
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  End();
}

}  // namespace
