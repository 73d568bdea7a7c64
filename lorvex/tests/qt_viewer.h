#pragma once
// The viewer started through the Qt backend (Qt's offscreen platform), as an
// automation start so that no splash is in the way (unless a test gives other arguments), with its settings, data
// and home folders in a private directory.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gui/frame_rendering.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/main_frame.h"
#include "qt_support.h"
#include "temp_dir.h"

// The viewer's home, settings, data and socket folders in a private
// directory for as long as the test lives.
struct PrivateViewerFolders {
  test_support::TempDir dir;
  test_support::ScopedEnv home{"HOME", dir.path().c_str()};
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  test_support::ScopedEnv data{"XDG_DATA_HOME", (dir.path() + "/data").c_str()};
  test_support::ScopedEnv socket{"LORVEX_SOCKET_DIR", (dir.path() + "/sock").c_str()};
};

class QtViewer : public PrivateViewerFolders, public gui::testing::QtFrameFixture {
 protected:
  QtViewer() { gui::UseFrameRenderings(); }
  void SetUp() override {
    app.emplace();
    app->SetCommandLine(args);
    ASSERT_TRUE(app->InitInstance());
    frame = dynamic_cast<CMainFrame*>(app->m_pMainWnd);
    ASSERT_TRUE(frame);
  }
  // The viewer ends as the program ends: the frame goes, then ExitInstance.
  void TearDown() override {
    if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    app->ExitInstance();
    app.reset();
  }

  std::vector<std::string> args{"lorvex", "/Automation"};  // no splash in the way
  std::optional<CLorvexApp> app;
  CMainFrame* frame = nullptr;
};
