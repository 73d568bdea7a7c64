// From a trace client to the viewer's list, all real: Kestrum's trace bridge
// binds the shipped LORVEX.DLL and Tamsile.DLL through the system loader,
// the library sends through the socket, and the viewer (in this process, in
// virtual time) files the record; and a whole Kestrum program in a process of
// its own traces its commands into the same viewer.
//
// LORVEX.DLL settles on its socket once per process, so this file holds the
// one test of the binary that loads it here. Tamsile.DLL keeps the namespace
// it was first loaded with for the process's life: both tests use one.
#include <regex>

#include "kestrum/trace_bridge.h"
#include "lorvex/trace_client.h"
#include "platform/ipc/socket_directory.h"
#include "platform/ipc/trace_sender.h"
#include "process_support.h"
#include "tamsile_testing/table_namespace.h"
#include "tamsile/tamsile.h"
#include "viewer_fixture.h"

namespace {

using test_support::ReadFile;

// A trace table of this test process's own, apart from the user's: one for
// all its tests, removed when the process ends.
const tamsile_testing::TableNamespace& Table() {
  static const tamsile_testing::TableNamespace table("lorvex-e2e-" + std::to_string(::getpid()));
  return table;
}

// The date and time columns of a row, as the trace client stamps them.
void ExpectDateAndTime(const std::vector<std::string>& row) {
  EXPECT_TRUE(std::regex_match(row[1], std::regex(R"(\d\d\.\d\d\.\d{4})"))) << row[1];
  EXPECT_TRUE(std::regex_match(row[2], std::regex(R"(\d\d:\d\d:\d\d\.\d{3})"))) << row[2];
}

TEST_F(Viewer, ATraceFromKestrumsBridgeArrivesInItsChannelsColourAndStopShutsOnlyTheWindowPath) {
  test_support::ScopedEnv table("TAMSILE_NAMESPACE", Table().name().c_str());
  CLorvexApp& a = Start();
  ASSERT_TRUE(a.TraceSocket.Receiving());

  kestrum::TraceBridge bridge;
  plat::LibraryLoader& loader = plat::SystemLoader();
  ASSERT_EQ(bridge.LoadTraceLibraries(loader), 0);
  ASSERT_TRUE(bridge.TracingBound()) << "LORVEX.DLL or Tamsile.DLL missing beside the test";
  auto setColor = reinterpret_cast<SetTraceIDColorProc>(loader.Symbol(bridge.TraceClientLibrary(), "SetTraceIDColor"));
  auto setMedium = reinterpret_cast<SetTraceIDMediumProc>(loader.Symbol(bridge.TraceClientLibrary(), "SetTraceIDMedium"));
  auto setFile = reinterpret_cast<SetTraceIDFileProc>(loader.Symbol(bridge.TraceClientLibrary(), "SetTraceIDFile"));
  ASSERT_TRUE(setColor && setMedium && setFile);

  const std::string file = dir.File("kestrum.txt");
  setColor(12, 0x0000C0);
  setMedium(12, 5);
  setFile(12, file.c_str());
  bridge.TraceText("Slave 12 antwortet", 12);
  plat::testing::Advance(0);

  EXPECT_EQ(a.Channel(12).Color, 0x0000C0u);
  ASSERT_EQ(List().GetItemCount(), 1);
  const std::vector<std::string> row = Row(0);
  EXPECT_EQ(row[0], "lorvex_tests");
  ExpectDateAndTime(row);
  EXPECT_EQ(row[3], "Slave 12 antwortet");
  EXPECT_EQ(List().ItemLook(List().BeginPaint(), 0).text, 0x0000C0u);
  EXPECT_EQ(ReadFile(file), " " + row[0] + " " + row[1] + " " + row[2] + " " + row[3] + "\r\n");

  // A client stops the viewer: the list holds still, the file goes on.
  plat::ipc::TraceSender client(socketDir + "/" + plat::ipc::kSocketFileName);
  ASSERT_TRUE(client.Send(plat::ipc::TraceMessage::kStop, 0, 0, {}));
  bridge.TraceText("nach dem Stopp", 12);
  plat::testing::Advance(0);
  EXPECT_EQ(a.Stopped, 1);
  EXPECT_TRUE(Frame()->UpdateCommandState(ID_START_OUTPUT).enabled);
  EXPECT_EQ(List().GetItemCount(), 1);
  EXPECT_EQ(a.TraceEntries.size(), 1u);
  const std::string lines = ReadFile(file);
  EXPECT_NE(lines.find(" nach dem Stopp\r\n"), std::string::npos) << lines;
  EXPECT_EQ(a.TraceSocket.Stats()->TotalRejected(), 0u);
}

// The table lives while a process holds it: this one holds it, with the
// user-command ID enabled, while a Kestrum process starts, is activated and
// is ended from its tool bar.
TEST_F(Viewer, AKestrumProcessTracesItsCommandsIntoTheViewerUnderItsProgramsName) {
  test_support::ScopedEnv table("TAMSILE_NAMESPACE", Table().name().c_str());
  CLorvexApp& a = Start();
  ASSERT_TRUE(a.TraceSocket.Receiving());
  plat::LibraryLoader& loader = plat::SystemLoader();
  const plat::ModuleHandle tamsile = loader.Load("Tamsile.DLL");
  ASSERT_NE(tamsile, nullptr) << "Tamsile.DLL missing beside the test";
  auto enable = reinterpret_cast<Set_TamsileEnable_Entry>(loader.Symbol(tamsile, "Set_TamsileEnable"));
  ASSERT_NE(enable, nullptr);
  enable(1000, 1);

  // The child's sends are queued on its connection before it ends; its end,
  // waited for by its descriptors within a generous limit, is the sign that
  // all of them are there to be read.
  test_support::Child kestrum({KESTRUM_SCRIPTED, "1", "toolbar", "0"});
  std::string output;
  ASSERT_EQ(kestrum.Finish(&output), 0) << "the Kestrum process did not end within "
                                        << test_support::kChildTimeoutMs << " ms, or not cleanly:\n"
                                        << output;
  plat::testing::Advance(0);

  // The handlers of the configuration page's first show and of the tool-bar
  // Exit, each a row of channel 1 under the program's name.
  std::vector<std::string> texts;
  for (int r = 0; r < List().GetItemCount(); ++r) {
    const std::vector<std::string> row = Row(r);
    EXPECT_EQ(row[0], "kestrum_scripted");
    ExpectDateAndTime(row);
    texts.push_back(row[3]);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"TabSheet_ConfigurationShow", "SpeedButton_ExitClick"})) << output;
  for (const auto& entry : a.TraceEntries) EXPECT_EQ(entry->id, 1) << "Kestrum traces on channel 1";
  EXPECT_EQ(a.TraceSocket.Stats()->TotalRejected(), 0u);
}

}  // namespace
