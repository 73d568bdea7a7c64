// The command line as the framework reads it.
#include <gtest/gtest.h>

#include "platform/afx/app.h"

namespace {

class App : public afx::CWinApp {
 public:
  App() : afx::CWinApp("Tester") {}
};

struct Case {
  std::vector<std::string> args;
  bool splash, embedded, automated;
  int shell;
  std::string file;
};

TEST(CommandLine, SwitchesAndFileNames) {
  using I = afx::CCommandLineInfo;
  const Case cases[] = {
      {{}, true, false, false, I::FileNew, ""},
      {{"/Automation"}, false, false, true, I::FileNew, ""},
      {{"-automation"}, false, false, true, I::FileNew, ""},
      {{"/EMBEDDING"}, false, true, false, I::FileNew, ""},
      {{"-Embedding", "/Automation"}, false, true, true, I::FileNew, ""},
      {{"/Unregister"}, true, false, false, I::AppUnregister, ""},
      {{"-UNREGSERVER"}, true, false, false, I::AppUnregister, ""},
      {{"trace.txt"}, true, false, false, I::FileOpen, "trace.txt"},
      {{"a.txt", "b.txt"}, true, false, false, I::FileOpen, "a.txt"},
      // An absolute path is a file, not a switch.
      {{"/tmp/trace.log", "/Automation"}, false, false, true, I::FileOpen, "/tmp/trace.log"},
      {{"/Unregister", "a.txt"}, true, false, false, I::AppUnregister, "a.txt"},
      {{"/whatever", "-x"}, true, false, false, I::FileNew, ""},
      // A switch is the whole argument: a near miss is ignored.
      {{"/Automations", "/Embed"}, true, false, false, I::FileNew, ""},
  };
  for (const Case& c : cases) {
    App app;
    std::vector<std::string> argv{"prog"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    app.SetCommandLine(argv);
    afx::CCommandLineInfo info;
    app.ParseCommandLine(info);
    const std::string what = ::testing::PrintToString(c.args);
    EXPECT_EQ(info.m_bShowSplash != 0, c.splash) << what;
    EXPECT_EQ(info.m_bRunEmbedded != 0, c.embedded) << what;
    EXPECT_EQ(info.m_bRunAutomated != 0, c.automated) << what;
    EXPECT_EQ(info.m_nShellCommand, c.shell) << what;
    EXPECT_EQ(info.m_strFileName, c.file) << what;
  }
}

}  // namespace
