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
#include "platform/ui/testing.h"
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
  // The column flags the next start reads.
  void StoreColumnFlags(int name, int datum, int uhrzeit, int ausgabewert) {
    const struct {
      const char* value;
      int flag;
    } flags[] = {{"Name", name}, {"Datum", datum}, {"Uhrzeit", uhrzeit}, {"Ausgabewert", ausgabewert}};
    for (const auto& f : flags) registry.WriteInteger(Key("Option"), f.value, static_cast<std::uint32_t>(f.flag));
  }
  afx::CListCtrl& List() const { return View()->GetListCtrl(); }
  // The cells of a row under the list's columns.
  std::vector<std::string> Row(int row) const {
    std::vector<std::string> cells;
    for (int c = 0; c < List().GetColumnCount(); ++c) cells.push_back(List().GetItemText(row, c));
    return cells;
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const plat::ListColumn& c : List().Columns()) titles.push_back(c.text);
    return titles;
  }

  test_support::TempDir dir;
  test_support::ScopedEnv home{"HOME", dir.path().c_str()};
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  test_support::ScopedEnv data{"XDG_DATA_HOME", (dir.path() + "/data").c_str()};
  // The viewer's trace socket, apart from every other viewer's.
  std::string socketDir = dir.File("sock");
  test_support::ScopedEnv socket{"LORVEX_SOCKET_DIR", socketDir.c_str()};
  plat::testing::CoreSession ui;
  std::optional<CLorvexApp> app;
  plat::Registry registry;
};
