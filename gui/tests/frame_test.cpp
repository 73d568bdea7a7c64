// The façade's frames in Qt: the menu bar from the frame's menu with the
// command states asked as a menu opens, tool bar and status bar, the
// accelerators, the mouse and the keys, and what the person and the window
// manager do going back through the façade.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTest>
#include <QToolBar>

#include "bars_program.h"
#include "gui/frame_rendering.h"
#include "qt_support.h"
#include "temp_dir.h"

namespace {

using namespace afx_test;
using QtFixture = gui::testing::QtFrameFixture;

class FrameRendering : public QtFixture {
 protected:
  FrameRendering() { gui::UseFrameRenderings(); }
  void SetUp() override {
    Log().clear();
    app.SetCommandLine({"tester"});
    ASSERT_TRUE(app.InitInstance());
    app.Bars()->ShowWindow(afx::SW_SHOW);
    top = WidgetOf(app.Bars());
    ASSERT_TRUE(top);
    ASSERT_TRUE(top->isWindow());
    bar = top->findChild<QMenuBar*>();
    ASSERT_TRUE(bar);
  }
  QMenu* Menu(int index) { return bar->actions().at(index)->menu(); }
  QAction* Item(int menu, const QString& text) { return gui::testing::MenuItem(Menu(menu), text); }
  std::vector<QString> StatusTexts() {
    std::vector<QString> texts;
    for (QLabel* l : WidgetOf(app.Bars()->Status())->findChildren<QLabel*>()) texts.push_back(l->text());
    return texts;
  }

  test_support::TempDir dir;
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  BarsApp app;
  QWidget* top = nullptr;
  QMenuBar* bar = nullptr;
};

TEST_F(FrameRendering, TheMenuBarShowsTheFramesMenuAndItsItemsTakeTheirStatesAsItOpens) {
  ASSERT_EQ(bar->actions().size(), 2);
  EXPECT_EQ(bar->actions()[0]->text(), "&Datei");
  EXPECT_EQ(bar->actions()[1]->text(), "&Leisten");
  const QList<QAction*> items = Menu(0)->actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_FALSE(Item(0, "&Dokument")->isEnabled()) << "greyed in the resource";

  emit Menu(0)->aboutToShow();
  EXPECT_FALSE(Item(0, "&Ansicht")->isEnabled());
  EXPECT_TRUE(Item(0, "&Dokument")->isEnabled());
  EXPECT_FALSE(Item(0, "&Nichts")->isEnabled());
  emit Menu(1)->aboutToShow();
  EXPECT_TRUE(Item(1, "&Symbolleiste")->isChecked());

  Item(0, "&Dokument")->trigger();
  EXPECT_EQ(Log(), (std::vector<std::string>{"doc"}));
  // A state that changed since the menu opened: the core's answer now wins.
  Log().clear();
  Item(0, "&Ansicht")->setEnabled(true);
  Item(0, "&Ansicht")->trigger();
  EXPECT_TRUE(Log().empty());

  // "Symbolleiste" hides the tool bar; the view takes its place.
  Item(1, "&Symbolleiste")->trigger();
  Flush();
  EXPECT_FALSE(WidgetOf(app.Bars()->Tools())->isVisible());
  EXPECT_EQ(WidgetOf(app.View())->geometry().top(), 0);
}

TEST_F(FrameRendering, TheMessagePaneShowsThePromptOfTheItemPointedAt) {
  app.OnIdle(0);
  Flush();
  EXPECT_EQ(StatusTexts(), (std::vector<QString>{"Bereit", ""})) << "the indicator's command is disabled";
  emit Menu(0)->aboutToShow();
  emit Item(0, "&Ansicht")->hovered();
  Flush();
  EXPECT_EQ(StatusTexts()[0], "The view's.");
  emit Menu(0)->aboutToHide();
  Flush();
  EXPECT_EQ(StatusTexts()[0], "Bereit");
}

TEST_F(FrameRendering, ToolButtonsShowTheirStatesAndRunTheirCommands) {
  auto* tools = dynamic_cast<QToolBar*>(WidgetOf(app.Bars()->Tools()));
  ASSERT_TRUE(tools);
  std::vector<QAction*> buttons;
  for (QAction* a : tools->actions()) {
    if (!a->isSeparator()) buttons.push_back(a);
  }
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(tools->iconSize(), QSize(16, 15));
  for (QAction* b : buttons) EXPECT_FALSE(b->icon().isNull());
  app.OnIdle(0);
  Flush();
  EXPECT_TRUE(buttons[0]->isEnabled());
  EXPECT_FALSE(buttons[1]->isEnabled());
  EXPECT_FALSE(buttons[2]->isEnabled());
  buttons[0]->trigger();
  EXPECT_EQ(Log(), (std::vector<std::string>{"app"}));
}

TEST_F(FrameRendering, AnAcceleratorGoesToTheFrameAsItsKey) {
  QShortcut* f6 = nullptr;
  for (QShortcut* s : top->findChildren<QShortcut*>()) {
    if (s->key() == QKeySequence(Qt::Key_F6)) f6 = s;
  }
  ASSERT_TRUE(f6);
  emit f6->activated();
  EXPECT_EQ(Log(), (std::vector<std::string>{"app"}));
}

TEST_F(FrameRendering, ThePersonsResizeReachesTheFrameAndTheWindowManagersCloseClosesIt) {
  const int menu = bar->height();
  top->resize(500, 300 + menu);
  Flush();
  EXPECT_EQ(app.Bars()->ClientWidth, 500);
  EXPECT_EQ(app.Bars()->ClientHeight, 300);
  QWidget* view = WidgetOf(app.View());
  EXPECT_EQ(view->width(), 500);
  EXPECT_EQ(view->geometry().bottom() + 1, 300 - afx::CStatusBar::kHeight);

  top->close();
  Flush();
  EXPECT_EQ(app.m_pMainWnd, nullptr) << "the frame was not asked";
}


// The mouse messages a window receives, as "message x,y keys".
struct MouseLog {
  explicit MouseLog(plat::Window& w) : window(w) {
    handler = w.AddMessageHandler([this](plat::Window&, plat::Message& m) {
      if (m.msg >= afx::WM_MOUSEMOVE && m.msg <= afx::WM_MBUTTONUP) {
        seen.push_back(std::to_string(m.msg) + " " + std::to_string(afx::LoWord(m.lParam)) + "," +
                       std::to_string(afx::HiWord(m.lParam)) + " " + std::to_string(m.wParam));
      }
      return false;
    });
  }
  ~MouseLog() { window.RemoveMessageHandler(handler); }
  plat::Window& window;
  int handler = 0;
  std::vector<std::string> seen;
};

TEST_F(FrameRendering, TheMouseAndPlainKeysInTheViewReachItsHandlersOnceAndAnAcceleratorOnlyAsItsCommand) {
  QWidget* view = WidgetOf(app.View());
  MouseLog mouse(*app.View());
  QTest::mouseMove(view, QPoint(9, 8));
  QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 7));
  QTest::mouseClick(view, Qt::RightButton, {}, QPoint(2, 3));
  const auto message = [](afx::UINT m, const char* rest) { return std::to_string(m) + " " + rest; };
  EXPECT_EQ(mouse.seen, (std::vector<std::string>{message(afx::WM_MOUSEMOVE, "9,8 0"), message(afx::WM_LBUTTONDOWN, "5,7 5"),
                                                   message(afx::WM_LBUTTONUP, "5,7 4"), message(afx::WM_RBUTTONDOWN, "2,3 2"),
                                                   message(afx::WM_RBUTTONUP, "2,3 0")}));

  // Keys pressed in the view, and on the frame where nothing has the focus: the view's handler.
  QTest::keyClick(view, Qt::Key_A);
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(top, Qt::Key_F2);
  EXPECT_EQ(Log(), (std::vector<std::string>{"key 65", "key 40", "key 113"}));
  Log().clear();
  QTest::keyClick(view, Qt::Key_F6);
  EXPECT_EQ(Log(), (std::vector<std::string>{"app"}));
}

TEST_F(FrameRendering, APressAnywhereOnTheWindowPutsThePersonInControl) {
  const struct {
    const char* where;
    QWidget* widget;
    QPoint at;
  } places[] = {
      {"view", WidgetOf(app.View()), {1, 1}},
      {"tool bar", WidgetOf(app.Bars()->Tools()), {1, 1}},
      {"status bar", WidgetOf(app.Bars()->Status()), {1, 1}},
      {"menu bar, past its menus", bar, {bar->width() - 2, 2}},
  };
  for (const auto& p : places) {
    afx::AfxOleSetUserCtrl(afx::FALSE);  // as when started for a client
    QTest::mousePress(p.widget, Qt::LeftButton, {}, p.at);
    EXPECT_TRUE(afx::AfxOleGetUserCtrl()) << p.where;
    QTest::mouseRelease(p.widget, Qt::LeftButton, {}, p.at);
  }
  afx::AfxOleSetUserCtrl(afx::FALSE);
  QTest::keyClick(WidgetOf(app.View()), Qt::Key_Space);
  EXPECT_TRUE(afx::AfxOleGetUserCtrl()) << "a key";
}

}  // namespace
