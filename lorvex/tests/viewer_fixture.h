#pragma once
// One viewer in the test process, in virtual time, with its settings, data
// and home folders in a private directory.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "lorvex/logo_wnd.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_doc.h"
#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "platform/testing.h"
#include "temp_dir.h"

class Viewer : public ::testing::Test {
 protected:
  // The viewer started with these arguments.
  CLorvexApp& Start(std::vector<std::string> args = {}, bool expectStarted = true) {
    app.emplace();
    args.insert(args.begin(), "lorvex");
    app->SetCommandLine(args);
    EXPECT_EQ(app->InitInstance() != 0, expectStarted);
    return *app;
  }
  // The viewer ends as the program ends: the frame goes, then ExitInstance.
  void End() {
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    app->ExitInstance();
    app.reset();
  }
  afx::CFrameWnd* Frame() const { return dynamic_cast<afx::CFrameWnd*>(app->m_pMainWnd); }
  CLorvexView* View() const { return Frame() ? dynamic_cast<CLorvexView*>(Frame()->GetActiveView()) : nullptr; }
  CLorvexDoc* Doc() const { return View() ? dynamic_cast<CLorvexDoc*>(View()->GetDocument()) : nullptr; }
  static std::string Key(const std::string& section) { return "Software\\TRACE\\Lorvex\\" + section; }

  test_support::TempDir dir;
  test_support::ScopedEnv home{"HOME", dir.path().c_str()};
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  test_support::ScopedEnv data{"XDG_DATA_HOME", (dir.path() + "/data").c_str()};
  plat::testing::Session ui;
  std::optional<CLorvexApp> app;
  plat::Registry registry;
};
