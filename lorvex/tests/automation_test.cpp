// "Lorvex.Document" on a private session bus, called from other processes;
// viewers started by the bus for their clients; viewers ending together.
#include <fcntl.h>
#include <sys/inotify.h>

#include <filesystem>
#include <regex>

#include "process_support.h"
#include "viewer_fixture.h"

namespace {

using test_support::Child;
using test_support::GdbusCall;
using test_support::ReadFile;

class ViewerOnTheBus : public Viewer {
 protected:
  void SetUp() override {
    Start({"-Automation"});
    fd = afx::AutomationConnectionFd();
    ASSERT_GE(fd, 0);
  }
  std::function<void()> Pump() {
    return [this] { ui.App().ProcessMessages(); };
  }
  std::string Call(const std::string& method, const std::vector<std::string>& args) {
    return GdbusCall(afx::AutomationBusName(), "/Lorvex/Document", "Lorvex.Document." + method, args, Pump(), {fd});
  }

  test_support::PrivateBus bus{dir.path()};
  int fd = -1;
};

TEST_F(ViewerOnTheBus, TheSixMethodsReachTheDocumentWithTheirArgumentsAndAnswerTrue) {
  Child holder({AUTOMATION_HOLDER, "Lorvex.Document"}, true);
  ASSERT_EQ(holder.ReadLine(Pump(), {fd}), afx::AutomationBusName() + " /Lorvex/Document");
  CLorvexApp& a = *app;
  const std::string file = dir.File("five.txt");
  EXPECT_EQ(Call("SetIDColor", {"5", "16744448"}), "(true,)");
  EXPECT_EQ(a.Channel(5).Color, 0xFF8000u);
  EXPECT_EQ(Call("SetIDMedium", {"5", "5"}), "(true,)");
  EXPECT_EQ(a.Channel(5).Medium, 5u);
  EXPECT_EQ(Call("SetIDFileName", {"5", "'" + file + "'"}), "(true,)");
  EXPECT_EQ(a.Channel(5).File, file);
  EXPECT_EQ(Call("StopOutput", {}), "(true,)");
  EXPECT_EQ(a.Stopped, 1);
  EXPECT_EQ(Call("StartOutput", {}), "(true,)");
  EXPECT_EQ(a.Stopped, 0);
  EXPECT_EQ(Call("Trace", {"5", "'scr\xc3\xafpt'", "'2024-02-01'", "'12:00'", "'a\tb'"}), "(true,)");
  ASSERT_EQ(a.TraceEntries.size(), 1u);
  EXPECT_EQ(a.TraceEntries[0]->id, 5);
  EXPECT_EQ(a.TraceEntries[0]->GetProcess(), "scr\xc3\xafpt");
  EXPECT_EQ(a.TraceEntries[0]->GetText(), "a\tb");
  EXPECT_EQ(Row(0), (std::vector<std::string>{"scr\xc3\xafpt", "2024-02-01", "12:00", "a\tb"}));
  EXPECT_EQ(ReadFile(file), " scr\xc3\xafpt 2024-02-01 12:00 a\tb\r\n");
  // Out of range: still true, and channel 1 files it.
  EXPECT_EQ(Call("SetIDColor", {"31", "1"}), "(true,)");
  EXPECT_EQ(Call("Trace", {"-5", "''", "''", "''", "'x'"}), "(true,)");
  EXPECT_EQ(a.TraceEntries.back()->id, 1);
}

// What a client binds to: the six methods by position, each with its
// parameters' and its result's types.
TEST_F(ViewerOnTheBus, TheObjectOffersTheSixMethodsInDispatchOrderWithTheirTypes) {
  Child holder({AUTOMATION_HOLDER, "Lorvex.Document"}, true);
  ASSERT_FALSE(holder.ReadLine(Pump(), {fd}).empty());
  const std::string xml = test_support::Run({"gdbus", "introspect", "--session", "--xml", "--dest",
                                             afx::AutomationBusName(), "--object-path", "/Lorvex/Document"},
                                            nullptr, Pump(), {fd});
  const std::string iface = "<interface name=\"Lorvex.Document\">";
  const std::size_t from = xml.find(iface);
  ASSERT_NE(from, std::string::npos) << xml;
  const std::string body = xml.substr(from, xml.find("</interface>", from) - from);
  // Each method as "Name(in types)out types", in the order offered.
  std::vector<std::string> methods;
  const std::regex method(R"re(<method name="(\w+)">([\s\S]*?)</method>)re");
  const std::regex arg(R"re(<arg [^>]*type="(\w+)" direction="(in|out)")re");
  for (std::sregex_iterator m(body.begin(), body.end(), method), end; m != end; ++m) {
    std::string in, out;
    const std::string args = (*m)[2];
    for (std::sregex_iterator a(args.begin(), args.end(), arg); a != end; ++a) ((*a)[2] == "in" ? in : out) += (*a)[1];
    methods.push_back((*m)[1].str() + "(" + in + ")" + out);
  }
  EXPECT_EQ(methods, (std::vector<std::string>{"Trace(issss)b", "SetIDColor(ii)b", "SetIDMedium(ii)b",
                                               "SetIDFileName(is)b", "StartOutput()b", "StopOutput()b"}))
      << xml;
}

TEST_F(ViewerOnTheBus, AViewerStartedForAClientEndsWhenTheClientLetsGo) {
  Child holder({AUTOMATION_HOLDER, "Lorvex.Document"}, true);
  ASSERT_FALSE(holder.ReadLine(Pump(), {fd}).empty());
  plat::testing::Advance(60000);
  ASSERT_NE(app->m_pMainWnd, nullptr);
  holder.CloseStdin();
  holder.Finish(nullptr, Pump(), {fd});
  for (int turn = 0; turn < 100 && app->m_pMainWnd; ++turn) {
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, 200);
    ui.App().ProcessMessages();
  }
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  app->ExitInstance();
  EXPECT_EQ(registry.EnumValues(Key("IDS")).size(), 120u) << "the settings were not written back";
}

// The process behind a name on the private bus.
pid_t PidOf(const std::string& busName) {
  const std::string out = GdbusCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                    "org.freedesktop.DBus.GetConnectionUnixProcessID", {busName});
  const auto space = out.find(' ');
  return space == std::string::npos ? -1 : static_cast<pid_t>(std::stol(out.substr(space + 1)));
}

// The real program, started by the bus.
class ActivatedViewers : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(services);
    std::ofstream(services + "/Lorvex.Document.service")
        << "[D-BUS Service]\nName=Lorvex.Document\nExec=" << LORVEX_PROGRAM << " -Automation\n";
  }
  static std::string Name(const std::string& answer) { return answer.substr(0, answer.find(' ')); }

  test_support::TempDir dir;
  test_support::ScopedEnv home{"HOME", dir.path().c_str()};
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  test_support::ScopedEnv data{"XDG_DATA_HOME", (dir.path() + "/data").c_str()};
  // The viewers the bus starts try the socket too: a private one, not the user's.
  test_support::ScopedEnv socket{"LORVEX_SOCKET_DIR", (dir.path() + "/sock").c_str()};
  std::string services = dir.path() + "/services";
  test_support::PrivateBus bus{dir.path(), services};
};

TEST_F(ActivatedViewers, EachCreationGetsAViewerOfItsOwnThatLivesWhileItsClientHoldsIt) {
  Child first({AUTOMATION_HOLDER, "Lorvex.Document"}, true);
  const std::string a = first.ReadLine();
  Child second({AUTOMATION_HOLDER, "Lorvex.Document"}, true);
  const std::string b = second.ReadLine();
  ASSERT_NE(a.find(" /Lorvex/Document"), std::string::npos) << a;
  ASSERT_NE(b.find(" /Lorvex/Document"), std::string::npos) << b;
  const pid_t pidA = PidOf(Name(a)), pidB = PidOf(Name(b));
  EXPECT_GT(pidA, 0);
  EXPECT_GT(pidB, 0);
  EXPECT_NE(pidA, pidB);

  // The first client lets go: its viewer ends (writing its settings), the other one stays.
  const std::string file = dir.File("one.txt");
  EXPECT_EQ(GdbusCall(Name(a), "/Lorvex/Document", "Lorvex.Document.SetIDColor", {"4", "1193046"}), "(true,)");
  first.CloseStdin();
  EXPECT_TRUE(test_support::WaitForProcessEnd(pidA, test_support::kChildTimeoutMs));
  EXPECT_EQ(plat::Registry().ReadInteger("Software\\TRACE\\Lorvex\\IDS", "ID4Color"), 0x123456u);

  EXPECT_EQ(GdbusCall(Name(b), "/Lorvex/Document", "Lorvex.Document.SetIDMedium", {"2", "4"}), "(true,)");
  EXPECT_EQ(GdbusCall(Name(b), "/Lorvex/Document", "Lorvex.Document.SetIDFileName", {"2", "'" + file + "'"}),
            "(true,)");
  EXPECT_EQ(GdbusCall(Name(b), "/Lorvex/Document", "Lorvex.Document.Trace", {"2", "'p'", "'d'", "'t'", "'x'"}),
            "(true,)");
  EXPECT_EQ(ReadFile(file), " p d t x\r\n");
  second.CloseStdin();
  EXPECT_TRUE(test_support::WaitForProcessEnd(pidB, test_support::kChildTimeoutMs));
}

// Starts the program with its own data folder and waits until it has
// written its service file there, which it does after reading its settings.
bool StartViewer(const std::string& dataHome, std::unique_ptr<Child>& viewer) {
  const std::string services = dataHome + "/dbus-1/services";
  std::filesystem::create_directories(services);
  const int notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  // The file is written aside and renamed into place.
  inotify_add_watch(notify, services.c_str(), IN_MOVED_TO);
  {
    test_support::ScopedEnv data{"XDG_DATA_HOME", dataHome.c_str()};
    viewer = std::make_unique<Child>(std::vector<std::string>{LORVEX_PROGRAM});
  }
  pollfd p{notify, POLLIN, 0};
  const bool started = ::poll(&p, 1, test_support::kChildTimeoutMs) > 0;
  ::close(notify);
  return started;
}

// The indented block that follows the README line holding marker, as a shell reads it.
std::string ReadmeBlock(const std::string& marker) {
  std::ifstream in(SUITE_SOURCE_DIR "/README.md");
  std::string line, block;
  bool found = false;
  while (std::getline(in, line)) {
    if (!found) {
      found = line.find(marker) != std::string::npos;
    } else if (line.rfind("    ", 0) == 0) {
      block += line.substr(4) + "\n";
    } else if (!block.empty()) {
      break;
    }
  }
  return block;
}

// The README's example, as a person follows it with a home of their own: the
// viewer started once, then the example's client and the call beside it.
TEST(ReadmeAutomationExample, RunsAsWrittenAndItsTracesReachTheViewersFile) {
  test_support::TempDir dir;
  test_support::ScopedEnv home{"HOME", dir.path().c_str()};
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", dir.File("config").c_str()};
  const std::string dataHome = dir.File("data");
  test_support::ScopedEnv data{"XDG_DATA_HOME", dataHome.c_str()};
  test_support::ScopedEnv socket{"LORVEX_SOCKET_DIR", dir.File("sock").c_str()};
  // The viewers need a display; the bus started below passes this on to them.
  test_support::ScopedEnv display{"QT_QPA_PLATFORM", "offscreen"};
  {
    test_support::ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
    std::unique_ptr<Child> once;
    ASSERT_TRUE(StartViewer(dataHome, once)) << "the viewer wrote no activation file";
    ::kill(once->Pid(), SIGTERM);
    ASSERT_EQ(once->Wait(test_support::kChildTimeoutMs), 0);
  }
  // A session bus looks for services in the data folder's dbus-1/services.
  test_support::PrivateBus bus{dir.path(), dataHome + "/dbus-1/services"};

  const std::string example = ReadmeBlock("The test command runs this block as it stands.");
  ASSERT_NE(example.find("demo/automation_client.py"), std::string::npos) << example;
  Child client({"bash", "-c", "cd -- \"$0\" && " + example, SUITE_SOURCE_DIR}, true);
  const std::string created = client.ReadLine();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(created, m, std::regex("Lorvex\\.Document is (:[0-9.]+) /Lorvex/Document")))
      << created;
  const std::string name = m[1];
  EXPECT_EQ(client.ReadLine().rfind("sent;", 0), 0u);
  const pid_t viewer = PidOf(name);
  ASSERT_GT(viewer, 0);

  // The call beside it, by the name the creation answered.
  std::string call = ReadmeBlock("The test command runs this block too");
  const std::size_t at = call.find(":1.42");
  ASSERT_NE(at, std::string::npos) << call;
  call.replace(at, 5, name);
  int status = -1;
  EXPECT_EQ(test_support::Run({"bash", "-c", call}, &status), "(true,)\n");
  EXPECT_EQ(status, 0);

  // Enter: the client lets go, and the viewer started for it ends.
  client.CloseStdin();
  EXPECT_EQ(client.Finish(), 0);
  EXPECT_TRUE(test_support::WaitForProcessEnd(viewer, test_support::kChildTimeoutMs));
  const std::string line = " automation_client [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} ";
  const std::string traces = ReadFile(dir.File("lorvex-automation.txt"));
  EXPECT_TRUE(std::regex_match(traces, std::regex(line + "hello\r\n" + line + "from a script\r\n" +
                                                  " script 10\\.12\\.2026 14:03:07 hello\r\n")))
      << traces;
}

TEST(TwoViewers, EndingTogetherLeaveAReadableStoreWithOneOfTheirValuesPerName) {
  test_support::TempDir dir;
  test_support::ScopedEnv home{"HOME", dir.path().c_str()};
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  test_support::ScopedEnv noBus{"DBUS_SESSION_BUS_ADDRESS", nullptr};
  // The second viewer finds the first one's socket and says so in a box;
  // the end of the session ends it all the same.
  test_support::ScopedEnv socket{"LORVEX_SOCKET_DIR", dir.File("sock").c_str()};

  plat::Registry registry;
  const std::string ids = "Software\\TRACE\\Lorvex\\IDS";
  const auto setAll = [&](std::uint32_t value) {
    plat::RegistryBatch batch;
    for (int n = 1; n <= 30; ++n) batch.WriteInteger(ids, "ID" + std::to_string(n) + "Color", value);
    ASSERT_EQ(registry.Apply(batch), 0);
  };
  std::unique_ptr<Child> first, second;
  setAll(111);
  ASSERT_TRUE(StartViewer(dir.File("data1"), first));
  setAll(222);
  ASSERT_TRUE(StartViewer(dir.File("data2"), second));
  ::kill(first->Pid(), SIGTERM);
  ::kill(second->Pid(), SIGTERM);
  EXPECT_EQ(first->Wait(test_support::kChildTimeoutMs), 0);
  EXPECT_EQ(second->Wait(test_support::kChildTimeoutMs), 0);

  plat::RegistryData content;
  ASSERT_EQ(registry.Load(content), 0) << "the store cannot be read";
  EXPECT_EQ(registry.EnumValues(ids).size(), 120u);
  const std::uint32_t kept = registry.ReadInteger(ids, "ID1Color").value_or(0);
  EXPECT_TRUE(kept == 111 || kept == 222) << kept;
  for (int n = 1; n <= 30; ++n) {
    EXPECT_EQ(registry.ReadInteger(ids, "ID" + std::to_string(n) + "Color"), kept) << "a mixture at channel " << n;
  }
}

}  // namespace
