// The web version check's fetcher against a small HTTP server inside the test.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http_server.h"
#include "lorvex/web_update_agent.h"
#include "platform/program_path.h"
#include "temp_dir.h"

namespace {

using test_support::HttpReply;
using test_support::HttpServer;
using test_support::ScopedEnv;

// No proxy of the machine's reaches the tests, except where a test sets one.
class NoProxy {
  ScopedEnv a{"http_proxy", nullptr}, b{"HTTP_PROXY", nullptr}, c{"https_proxy", nullptr},
      d{"HTTPS_PROXY", nullptr}, e{"all_proxy", nullptr}, f{"ALL_PROXY", nullptr}, g{"no_proxy", nullptr},
      h{"NO_PROXY", nullptr};
};

class Agent : public ::testing::Test {
 protected:
  // An agent for the server's version file, recording the stages it reports.
  CWebUpdateAgent& Make(const std::string& url) {
    agent.emplace(url.c_str(), nullptr);
    agent->SetProgressCallback(
        [](int stage, void* user) {
          static_cast<std::vector<int>*>(user)->push_back(stage);
          return true;
        },
        &stages);
    return *agent;
  }
  CWebUpdateAgent& Fetch(HttpReply reply, bool expectOk = true) {
    server.emplace(std::move(reply));
    Make(server->Base() + kVersionFilePath);
    EXPECT_EQ(agent->Run(false), expectOk);
    return *agent;
  }
  WebVersionInfo Info() const {
    WebVersionInfo info;
    agent->GetVersionInfo(info);
    return info;
  }

  NoProxy noProxy;
  std::optional<HttpServer> server;
  std::optional<CWebUpdateAgent> agent;
  std::vector<int> stages;
};

std::string VersionFile(const std::string& version) {
  return "[VERSIONINFO]\r\nTITLE=Lorvex\r\nVERSION=" + version + "\r\nDATE=01.02.2027\r\nSIZE=1,2 MB\r\n";
}

TEST(VersionToNumber, PartsAreWeightedAndTheSumWraps) {
  CWebUpdateAgent agent("", nullptr);
  const struct {
    const char* text;
    std::uint32_t number;
  } cases[] = {
      {"1.4.1", 14100},
      {"1.4.2", 14200},
      {"1.10", 20000},
      {"1.4.1.0.0.9", 14100},  // the sixth part weighs nothing
      {"1..5", 15000},         // empty parts are skipped
      {"..1.5..", 15000},
      {"1.x", 10000},          // no digits: 0
      {" 1.+4.2b", 14200},     // blanks, a sign, trailing text
      {"-1", static_cast<std::uint32_t>(-10000)},
      {"99999999999", static_cast<std::uint32_t>(2147483647u * 10000u)},  // a long stops at its end
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(agent.VersionToNumber(c.text, "."), c.number) << c.text;
  EXPECT_EQ(agent.VersionToNumber("1-4,1", "-,"), 14100u);
}

TEST_F(Agent, VersionsAreComparedWithTheViewersOwn) {
  const struct {
    std::string version;
    bool newer;
  } cases[] = {
      {"1.4.1", false}, {"1.4.2", true},  {"1.3.9", false}, {"1.10", true}, {"1.4.1.0.0.9", false},
      {"1..5", true},   {"1.x", false},   {"-1", true},     {"", false},
  };
  for (const auto& c : cases) {
    Fetch({200, VersionFile(c.version)});
    EXPECT_STREQ(agent->GetVersion(), "1.4.1");
    EXPECT_EQ(agent->IsNewVersionAvailable(), c.newer) << c.version;
    EXPECT_STREQ(Info().Version, c.version.c_str());
  }
}

TEST_F(Agent, TheFileIsReadAsAProfileFileInMemory) {
  // Other spellings, blanks, LF line ends, other sections, keys before the section.
  Fetch({200,
         "VERSION=9.9\n[Other]\nVERSION=8.8\n[versioninfo]\n  version =  1.4.2  \ninfo=\thttps://orrindale.example/lorvex\t\n"
         "Date=2027-01-02-and-far-too-long\nsize = 3 MB\ndownload=x\ndetails=d\ntitle=t\n"});
  const WebVersionInfo info = Info();
  EXPECT_STREQ(info.Version, "1.4.2");
  EXPECT_STREQ(info.Info, "https://orrindale.example/lorvex");
  EXPECT_STREQ(info.Date, "2027-01-02-and-far-") << "cut to its buffer";
  EXPECT_STREQ(info.Size, "3 MB");
  EXPECT_STREQ(info.Download, "x");
  EXPECT_STREQ(info.Details, "d");
  EXPECT_STREQ(info.Title, "t");
  EXPECT_TRUE(agent->HasVersionInfo());
  EXPECT_EQ(stages, (std::vector<int>{0, 1, 2, 3}));

  // The request: the fixed path, our user agent, a fresh copy.
  ASSERT_EQ(server->Requests().size(), 1u);
  const std::string request = server->Requests()[0];
  EXPECT_EQ(request.rfind("GET /versioninfo/lorvex.verinfo HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: Orrindale WWW Update Agent 2.2.0.0 (" + plat::ProgramName() + " 1.4.1)\r\n"),
            std::string::npos)
      << request;
  EXPECT_NE(request.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << request;
  EXPECT_STREQ(agent->GetAgentString(),
               ("Orrindale WWW Update Agent 2.2.0.0 (" + plat::ProgramName() + " 1.4.1)").c_str());
}

TEST_F(Agent, OnlyTheFirstBytesBeforeANulCount) {
  const std::string section = VersionFile("1.4.2");
  // Empty: read, no version.
  Fetch({200, ""});
  EXPECT_TRUE(agent->HasVersionInfo());
  EXPECT_FALSE(agent->IsNewVersionAvailable());
  EXPECT_EQ(stages, (std::vector<int>{0, 1, 2, 3}));

  // The section after the limit reads as empty.
  Fetch({200, "; " + std::string(kVersionFileLimit, 'x') + "\r\n" + section});
  EXPECT_STREQ(Info().Version, "");
  EXPECT_FALSE(agent->IsNewVersionAvailable());

  // Exactly the limit, the last value ending on the last byte, no line end.
  std::string exact = "[VERSIONINFO]\r\n; ";
  exact += std::string(kVersionFileLimit - exact.size() - std::string("\r\nVERSION=1.4.2").size(), 'p');
  exact += "\r\nVERSION=1.4.2";
  ASSERT_EQ(exact.size(), kVersionFileLimit);
  Fetch({200, exact});
  EXPECT_STREQ(Info().Version, "1.4.2");
  // One byte more: the value loses its last character.
  Fetch({200, exact + "7"});
  EXPECT_STREQ(Info().Version, "1.4.2");
  Fetch({200, exact.substr(0, exact.size() - 1) + "37"});
  EXPECT_STREQ(Info().Version, "1.4.3");

  // Bytes after a NUL are not read.
  Fetch({200, std::string("[VERSIONINFO]\r\nVERSION=1.4.2\r\n\0INFO=http://x/\r\n", 45)});
  EXPECT_STREQ(Info().Version, "1.4.2");
  EXPECT_STREQ(Info().Info, "");
}

TEST_F(Agent, ABodyInManyPartsIsReadWholeUpToTheLimit) {
  std::string body = "; " + std::string(6000, '-') + "\r\n" + VersionFile("1.5");
  Fetch({200, body, 97});
  EXPECT_STREQ(Info().Version, "1.5");
  EXPECT_STREQ(Info().Size, "1,2 MB");
  // Far longer than the limit, in parts: the first bytes are used.
  Fetch({200, VersionFile("1.6") + "; " + std::string(50000, '-') + "\r\n", 1000});
  EXPECT_STREQ(Info().Version, "1.6");
}

TEST_F(Agent, FailuresHaveTheirStatuses) {
  for (int status : {404, 500}) {
    stages.clear();
    Fetch({status, VersionFile("9.9")}, false);
    EXPECT_EQ(agent->GetLastStatus(), AgentOtherError) << status;
    EXPECT_FALSE(agent->HasVersionInfo());
    EXPECT_EQ(stages, (std::vector<int>{0, 1})) << status;
  }

  // Accepts and never answers: the total time runs out.
  HttpReply silent;
  silent.silent = true;
  server.emplace(silent);
  Make(server->Base() + kVersionFilePath).SetTimeouts(2000, 300);
  EXPECT_FALSE(agent->Run(false));
  EXPECT_EQ(agent->GetLastStatus(), AgentTimeout);

  // A port nobody listens on.
  int port = 0;
  {
    HttpServer gone(HttpReply{});
    port = gone.Port();
  }
  Make("http://127.0.0.1:" + std::to_string(port) + kVersionFilePath);
  EXPECT_FALSE(agent->Run(false));
  EXPECT_EQ(agent->GetLastStatus(), AgentCannotConnect);

  const struct {
    const char* url;
    int status;
  } urls[] = {
      {"http://lorvex-update.invalid/versioninfo/lorvex.verinfo", AgentHostNotFound},
      {"http://[::1/versioninfo", AgentBadUrl},
      {"ftp://127.0.0.1/versioninfo/lorvex.verinfo", AgentBadUrl},
      {"file:///etc/passwd", AgentBadUrl},
  };
  for (const auto& u : urls) {
    Make(u.url).SetTimeouts(5000, 10000);
    EXPECT_FALSE(agent->Run(false)) << u.url;
    EXPECT_EQ(agent->GetLastStatus(), u.status) << u.url;
  }
}

TEST_F(Agent, TheProxyOfTheEnvironmentIsUsed) {
  server.emplace(HttpReply{200, VersionFile("1.4.2")});
  ScopedEnv proxy("http_proxy", server->Base().c_str());
  Make("http://lorvex-update.invalid/versioninfo/lorvex.verinfo");
  ASSERT_TRUE(agent->Run(false));
  EXPECT_STREQ(Info().Version, "1.4.2");
  ASSERT_EQ(server->Requests().size(), 1u);
  EXPECT_EQ(server->Requests()[0].rfind("GET http://lorvex-update.invalid/versioninfo/lorvex.verinfo ", 0), 0u);
}

TEST_F(Agent, WithoutItsOwnVersionTheViewerAnnouncesNothing) {
  // A module without a version block: the own version stays empty.
  void* libc = ::dlopen("libc.so.6", RTLD_NOW);
  ASSERT_NE(libc, nullptr);
  server.emplace(HttpReply{200, VersionFile("9.9")});
  CWebUpdateAgent a((server->Base() + kVersionFilePath).c_str(), libc);
  EXPECT_STREQ(a.GetVersion(), "");
  ASSERT_TRUE(a.Run(false));
  EXPECT_FALSE(a.IsNewVersionAvailable());
}

TEST(UpdateServer, TheEnvironmentNamesAnotherServer) {
  {
    ScopedEnv none(kUpdateServerVariable, nullptr);
    EXPECT_EQ(VersionFileUrl(), std::string(kUpdateServer) + "/versioninfo/lorvex.verinfo");
  }
  ScopedEnv mirror(kUpdateServerVariable, "http://mirror.example:8080/");
  EXPECT_EQ(VersionFileUrl(), "http://mirror.example:8080/versioninfo/lorvex.verinfo");
}

TEST(AgentTexts, SettersCopyBoundedTextsAndRefuseNull) {
  CWebUpdateAgent a("http://x/", nullptr);
  EXPECT_FALSE(a.SetURL(nullptr));
  EXPECT_STREQ(a.GetURL(), "http://x/");
  EXPECT_TRUE(a.SetURL(std::string(5000, 'u').c_str()));
  EXPECT_EQ(std::string(a.GetURL()).size(), 2083u);
  EXPECT_TRUE(a.SetVersion(std::string(400, '1').c_str()));
  EXPECT_EQ(std::string(a.GetVersion()).size(), 299u);
  EXPECT_TRUE(a.SetAgentString("Mine"));
  EXPECT_STREQ(a.GetAgentString(), "Mine") << "set by hand, not built";
  EXPECT_EQ(a.GetStepCount(), 3);
}

}  // namespace

// ---------------------------------------------------------------- the command
#include "lorvex/update_check.h"
#include "platform/shell.h"
#include "viewer_fixture.h"

namespace {

std::vector<plat::Window*> ProgressWindows() {
  std::vector<plat::Window*> found;
  for (plat::Window* w : plat::Application::Current()->TopLevelWindows()) {
    if (std::string(w->ClassName()) == "CDlgUpdateProgress") found.push_back(w);
  }
  return found;
}

class Check : public Viewer {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { End(); }
  // The server answers with this version file; the viewer asks it.
  void Serve(HttpReply reply) {
    server.emplace(std::move(reply));
    serverEnv.emplace(kUpdateServerVariable, server->Base().c_str());
  }
  // The box the check shows, which must find the progress window gone and
  // the hourglass still on.
  plat::testing::BoxExpectation& ExpectReport(const std::string& text, unsigned flags) {
    return ui.ExpectBox(text)
        .Caption("Checking web for new version...")
        .Flags(flags)
        .While([] {
          EXPECT_TRUE(ProgressWindows().empty());
          EXPECT_EQ(plat::Application::Current()->GetScreen()->Cursor, plat::crHourGlass);
        });
  }
  void Choose() {
    EXPECT_TRUE(afx::person::ChooseCommand(Frame(), ID_CHECK_VERSION));
    EXPECT_EQ(plat::Application::Current()->GetScreen()->Cursor, plat::crDefault);
  }

  NoProxy noProxy;
  std::optional<HttpServer> server;
  std::optional<ScopedEnv> serverEnv;
  std::vector<std::string> opened;
  plat::ScopedAddressOpener opener{[this](const std::string& a) {
    opened.push_back(a);
    return plat::kShellStarted;
  }};
};

const std::string kNewText =
    "A new version of Lorvex is available.\n\nDetails:\nVersion: \t1.4.2\nDate: \t01.02.2027\nSize: \t1,2 MB\n\n"
    "Would you like to go to the Orrindale website ?";

std::string FileWithInfo(const std::string& version, const std::string& info) {
  return VersionFile(version) + "INFO=" + info + "\r\n";
}

TEST_F(Check, TheCommandIsOnTheMenuAndEnabled) {
  EXPECT_TRUE(Frame()->UpdateCommandState(ID_CHECK_VERSION).enabled);
  EXPECT_EQ(Frame()->GetMenu().GetMenuState(ID_CHECK_VERSION) & (afx::MF_GRAYED | afx::MF_DISABLED), 0u);
}

TEST_F(Check, YesOnANewVersionOpensItsPageAndNoOpensNothing) {
  Serve({200, FileWithInfo("1.4.2", "https://orrindale.example/lorvex")});
  ExpectReport(kNewText, plat::MB_YESNO).Answer(plat::IDYES);
  Choose();
  EXPECT_EQ(opened, std::vector<std::string>{"https://orrindale.example/lorvex"});

  ExpectReport(kNewText, plat::MB_YESNO).Answer(plat::IDNO);
  Choose();
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(server->Requests().size(), 2u);
}

TEST_F(Check, AnInformationPageThatIsNoWebAddressIsNeverOpened) {
  for (const char* info : {"file:///etc/passwd", "/usr/bin/xterm", "-e sh", "javascript:alert(1)",
                           "mailto:a@b.example", "", "HTTP://ORRINDALE.EXAMPLE/"}) {
    Serve({200, FileWithInfo("1.4.2", info)});
    ExpectReport(kNewText, plat::MB_YESNO).Answer(plat::IDYES);
    Choose();
  }
  EXPECT_EQ(opened, std::vector<std::string>{"HTTP://ORRINDALE.EXAMPLE/"});
}

TEST_F(Check, NoNewerVersionAndFailuresHaveTheirBoxes) {
  for (const char* version : {"1.4.1", "1.3.9", "1.4.1.0.0.9", "1.x", ""}) {
    Serve({200, VersionFile(version)});
    ExpectReport("Sorry, no new version available.", plat::MB_OK);
    Choose();
  }
  Serve({200, ""});
  ExpectReport("Sorry, no new version available.", plat::MB_OK);
  Choose();
  const std::string failed =
      "An error occured while checking version or while attempting to go online. Please go online manually and try "
      "again.";
  for (int status : {404, 500}) {
    Serve({status, VersionFile("9.9")});
    ExpectReport(failed, plat::MB_OK);
    Choose();
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(Check, WithoutItsOwnVersionTheCheckFailsAndAsksNoServer) {
  Serve({200, VersionFile("9.9")});
  app->m_hInstance = ::dlopen("libc.so.6", RTLD_NOW);
  ASSERT_NE(app->m_hInstance, nullptr);
  ExpectReport("An error occured while checking version or while attempting to go online. Please go online manually "
               "and try again.",
               plat::MB_OK);
  Choose();
  EXPECT_TRUE(server->Requests().empty());
}

TEST_F(Check, TheProgressWindowShowsEachStage) {
  CDlgUpdateProgress dlg(Frame());
  ASSERT_TRUE(dlg.Create(IDD_UPDATE_PROGRESS, Frame()));
  EXPECT_EQ(dlg.GetWindowText(), "Checking WWW for new version");
  EXPECT_EQ(dlg.GetDlgItemText(IDC_UPDATE_STATUS), "") << "the template's \"Static\" gives way";
  dlg.m_ctlProgress.SetRange32(0, 3);
  dlg.m_ctlProgress.SetStep(1);
  const char* texts[] = {"Connecting...", "Initiating...", "Retrieving data from server...", "Analyzing data..."};
  for (int stage = 0; stage < 4; ++stage) {
    EXPECT_TRUE(CDlgUpdateProgress::OnAgentProgress(stage, &dlg));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_UPDATE_STATUS), texts[stage]);
    if (stage < 3) {
      EXPECT_EQ(dlg.m_ctlProgress.GetPos(), stage + 1);
    }
  }
  EXPECT_TRUE(CDlgUpdateProgress::OnAgentProgress(7, &dlg));
  EXPECT_EQ(dlg.GetDlgItemText(IDC_UPDATE_STATUS), "Analyzing data...");
  EXPECT_TRUE(CDlgUpdateProgress::OnAgentProgress(1, nullptr));
  dlg.DestroyWindow();
}

}  // namespace
