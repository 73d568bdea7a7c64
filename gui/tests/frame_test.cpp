// The façade's frames in Qt: the menu bar from the frame's menu with the
// command states asked as a menu opens, tool bar and status bar, the
// accelerators, and what the person and the window manager do going back
// through the façade.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
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

}  // namespace
