// Automation objects on a private D-Bus, called by separate processes.
#include <gtest/gtest.h>

#include "platform/ui/testing.h"
#include "process_support.h"
#include "temp_dir.h"
#include "test_classes.h"

namespace {

using namespace afx_test;
using test_support::Child;
using test_support::GdbusCall;
using test_support::ScopedEnv;
using test_support::TempDir;

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    TestFrame::failCreate = false;
    app.SetCommandLine({"tester", "-Automation"});
    ASSERT_TRUE(app.InitInstance());
    fd = afx::AutomationConnectionFd();
    ASSERT_GE(fd, 0) << "not on the bus";
  }
  // Serves the bus while a client runs.
  std::function<void()> Pump() {
    return [this] { ui.App().ProcessMessages(); };
  }
  std::string Call(const std::string& dest, const std::string& method, const std::vector<std::string>& args) {
    return GdbusCall(dest, "/AfxTest/Document", "AfxTest.Document." + method, args, Pump(), {fd});
  }
  // A client holding the object: its answer "<bus name> <path>".
  std::string Hold(Child& holder) { return holder.ReadLine(Pump(), {fd}); }

  TempDir dir;
  ScopedEnv home{"HOME", dir.path().c_str()};
  ScopedEnv data{"XDG_DATA_HOME", (dir.path() + "/data").c_str()};
  test_support::PrivateBus bus{dir.path()};
  plat::testing::CoreSession ui;
  TestApp app;
  int fd = -1;
};

TEST_F(Automation, MethodsReachTheObjectWithTheirArgumentsAndAnswerItsResult) {
  Child holder({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  const std::string answer = Hold(holder);
  EXPECT_EQ(answer, afx::AutomationBusName() + " /AfxTest/Document");
  const std::string self = afx::AutomationBusName();
  EXPECT_EQ(Call(self, "Add", {"40", "2"}), "(true,)");
  EXPECT_EQ(app.Doc()->sum, 42);
  EXPECT_EQ(Call(self, "Rename", {"'tab\there'", "false"}), "(false,)");
  EXPECT_EQ(app.Doc()->name, "tab\there");
  EXPECT_FALSE(app.Doc()->flag);
}

// A call whose work turns the loop (a box waiting for the person) while
// another client calls: the second call waits for the first, nothing hangs.
TEST_F(Automation, ACallArrivingWhileACallTurnsTheLoopIsAnsweredAfterIt) {
  Child holder({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  Hold(holder);
  const std::string self = afx::AutomationBusName();
  auto gdbus = [&](const std::string& method, std::vector<std::string> args) {
    std::vector<std::string> argv{"gdbus", "call", "--session", "--timeout", "20", "--dest", self,
                                  "--object-path", "/AfxTest/Document", "--method", "AfxTest.Document." + method, "--"};
    argv.insert(argv.end(), args.begin(), args.end());
    return std::make_unique<Child>(argv);
  };
  std::unique_ptr<Child> second;
  app.Doc()->whileAdding = [&] {
    second = gdbus("Rename", {"'second'", "true"});
    // The box's loop, for as long as the second client needs to reach the bus.
    for (int turn = 0; turn < 20 && app.Doc()->name.empty(); ++turn) {
      pollfd p{fd, POLLIN, 0};
      ::poll(&p, 1, 100);
      ui.App().ProcessMessages();
    }
  };
  std::unique_ptr<Child> first = gdbus("Add", {"1", "2"});
  std::string answer;
  EXPECT_EQ(first->Finish(&answer, Pump(), {fd}), 0);
  EXPECT_EQ(answer, "(true,)\n");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Finish(&answer, Pump(), {fd}), 0);
  EXPECT_EQ(answer, "(true,)\n");
  EXPECT_EQ(app.Doc()->sum, 3);
  EXPECT_EQ(app.Doc()->name, "second");
}

TEST_F(Automation, ACallOfTheWrongTypesIsRefusedAndChangesNothing) {
  Child holder({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  Hold(holder);
  int status = 0;
  test_support::Run({"dbus-send", "--session", "--print-reply", "--dest=" + afx::AutomationBusName(),
                     "/AfxTest/Document", "AfxTest.Document.Add", "string:40", "int32:2"},
                    &status, Pump(), {fd});
  EXPECT_NE(status, 0);
  EXPECT_EQ(app.Doc()->sum, 0);
}

TEST_F(Automation, IntrospectionListsTheMethodsInDispatchOrderWithTheirTypes) {
  Child holder({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  Hold(holder);
  const std::string xml = test_support::Run({"gdbus", "introspect", "--session", "--xml", "--dest",
                                             afx::AutomationBusName(), "--object-path", "/AfxTest/Document"},
                                            nullptr, Pump(), {fd});
  const auto add = xml.find("<method name=\"Add\">");
  const auto rename = xml.find("<method name=\"Rename\">");
  ASSERT_NE(add, std::string::npos) << xml;
  ASSERT_NE(rename, std::string::npos) << xml;
  EXPECT_LT(add, rename);
  EXPECT_NE(xml.find("<arg name=\"text\" type=\"s\" direction=\"in\"/>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<arg name=\"result\" type=\"b\" direction=\"out\"/>"), std::string::npos) << xml;
}

TEST_F(Automation, AFactoryServesOneCreationAndThenGivesUpItsName) {
  Child first({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  ASSERT_NE(Hold(first).find("/AfxTest/Document"), std::string::npos);
  EXPECT_EQ(GdbusCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                      {"AfxTest.Document"}, Pump(), {fd}),
            "(false,)");
  // Nobody owns the name now, and no service file names this test: the second creation fails.
  Child second({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  EXPECT_EQ(Hold(second), "ERROR org.freedesktop.DBus.Error.ServiceUnknown");
}

TEST_F(Automation, TheHoldingClientsDepartureEndsAnApplicationStartedForIt) {
  Child holder({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  Hold(holder);
  EXPECT_EQ(app.Doc()->ExternalRefs(), 1);
  plat::testing::Advance(60000);
  EXPECT_NE(app.m_pMainWnd, nullptr) << "ended while the client held the document";
  holder.CloseStdin();
  EXPECT_EQ(holder.Finish(nullptr, Pump(), {fd}), 0);
  // The bus tells of the departure soon after; serve it until then.
  for (int turn = 0; turn < 100 && app.m_pMainWnd; ++turn) {
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, 200);
    ui.App().ProcessMessages();
  }
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(app.Doc(), nullptr);
}

// Only the bus tells who left: a departure sent by another client is no
// departure, and the holder keeps its object.
TEST_F(Automation, ADepartureToldByAnotherClientDoesNotEndTheHold) {
  Child holder({AUTOMATION_HOLDER, "AfxTest.Document"}, true);
  Hold(holder);
  ASSERT_EQ(app.Doc()->ExternalRefs(), 1);
  const std::string names = GdbusCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus.ListNames", {}, Pump(), {fd});
  std::string holderName;
  for (std::size_t at = names.find("':"); at != std::string::npos; at = names.find("':", at + 1)) {
    const std::string name = names.substr(at + 1, names.find('\'', at + 1) - at - 1);
    const std::string pid = GdbusCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus.GetConnectionUnixProcessID", {name}, Pump(), {fd});
    if (pid == "(uint32 " + std::to_string(holder.Pid()) + ",)") holderName = name;
  }
  ASSERT_FALSE(holderName.empty()) << names;
  int status = 0;
  test_support::Run({"gdbus", "emit", "--session", "--dest", afx::AutomationBusName(), "--object-path",
                     "/org/freedesktop/DBus", "--signal", "org.freedesktop.DBus.NameOwnerChanged", holderName,
                     holderName, "''"},
                    &status, Pump(), {fd});
  ASSERT_EQ(status, 0);
  // Whatever the bus has for us by now is served.
  EXPECT_EQ(Call(afx::AutomationBusName(), "Add", {"1", "1"}), "(true,)");
  plat::testing::Advance(60000);
  ASSERT_NE(app.Doc(), nullptr) << "the document closed under its holder";
  EXPECT_EQ(app.Doc()->ExternalRefs(), 1);
  EXPECT_NE(app.m_pMainWnd, nullptr) << "ended while the client held the document";
}

TEST_F(Automation, TheServiceFileNamesTheProgramAndUnregisteringRemovesIt) {
  const std::string path = dir.path() + "/data/dbus-1/services/AfxTest.Document.service";
  EXPECT_EQ(app.server.ServiceFilePath(), path);
  ASSERT_TRUE(afx::COleObjectFactory::UpdateRegistryAll(afx::TRUE));
  const std::string content = test_support::ReadFile(path);
  EXPECT_NE(content.find("[D-BUS Service]\nName=AfxTest.Document\nExec="), std::string::npos) << content;
  EXPECT_NE(content.find(" -Automation\n"), std::string::npos) << content;
  EXPECT_NE(content.find("{00000000-0000-0000-0000-000000000001}"), std::string::npos) << content;
  ASSERT_TRUE(afx::COleObjectFactory::UpdateRegistryAll(afx::FALSE));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
