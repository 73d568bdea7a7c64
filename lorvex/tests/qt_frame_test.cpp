// The viewer's window as a person sees it through the Qt backend: title,
// menus and tool bar with their texts and states, the status bar, the list;
// the mouse and the keys in it, with the splash up and for a client.
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include <limits>
#include <optional>

#include "gui/frame_rendering.h"
#include "lorvex/logo_wnd.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/lorvex_view.h"
#include "lorvex/main_frame.h"
#include "platform/afx/atom.h"
#include "platform/afx/automation.h"
#include "process_support.h"
#include "qt_viewer.h"

namespace {

class ViewerWindow : public QtViewer {
 protected:
  void SetUp() override {
    QtViewer::SetUp();
    if (HasFatalFailure()) return;
    top = WidgetOf(frame);
    ASSERT_TRUE(top);
    bar = top->findChild<QMenuBar*>();
    ASSERT_TRUE(bar);
  }
  // A menu's items, a separator as "-".
  std::vector<QString> Items(QMenu* menu) {
    std::vector<QString> texts;
    for (QAction* a : menu->actions()) texts.push_back(a->isSeparator() ? QString("-") : a->text());
    return texts;
  }
  QMenu* Menu(int index) { return bar->actions().at(index)->menu(); }
  QAction* Item(int menu, const QString& text) { return gui::testing::MenuItem(Menu(menu), text); }
  std::vector<QAction*> Buttons() {
    std::vector<QAction*> buttons;
    auto* tools = dynamic_cast<QToolBar*>(WidgetOf(&frame->CoolBar().ToolBar()));
    if (!tools) return buttons;
    for (QAction* a : tools->actions()) {
      if (!a->isSeparator()) buttons.push_back(a);
    }
    return buttons;
  }
  QString MessagePane() {
    const auto labels = WidgetOf(&frame->StatusBar())->findChildren<QLabel*>();
    return labels.isEmpty() ? QString() : labels.front()->text();
  }
  // A turn of the loop: the idle time updates the bars, then they are shown.
  void Turn() {
    app->OnIdle(0);
    Flush();
  }

  CLorvexView* View() const { return dynamic_cast<CLorvexView*>(frame->GetActiveView()); }
  QTableView* Table() { return dynamic_cast<QTableView*>(WidgetOf(&View()->GetListCtrl())); }
  // One trace shown in the list.
  void AddRow(const char* text) {
    const afx::ATOM atom = afx::GlobalAddAtomA((std::string("proc#~d#~t#~") + text).c_str());
    View()->SendMessage(plat::RegisterWindowMessage("WM_TRACE_STRING"), 4, atom);
    afx::GlobalDeleteAtom(atom);
    plat::testing::Advance(plat::ListView::kRepaintIntervalMs);
  }

  QWidget* top = nullptr;
  QMenuBar* bar = nullptr;
};

TEST_F(ViewerWindow, TheMenusCarryTheirTextsByteForByte) {
  EXPECT_EQ(top->windowTitle(), "Lorvex V.1.4.1");
  std::vector<QString> titles;
  for (QAction* a : bar->actions()) titles.push_back(a->text());
  EXPECT_EQ(titles, (std::vector<QString>{"&Datei", "&Bearbeiten", "Aus&gabe", "&Einstellungen", "&Ansicht", "&?"}));
  const std::vector<std::vector<QString>> items = {
      {"Speichern &unter...", "-", "&Drucken...", "-", "&Beenden"},
      {"&Suchen...", "&Weitersuchen"},
      {"&Starten", "S&toppen", "-", QString::fromUtf8("Liste &l\xc3\xb6schen....")},
      {"&Optionen...", "&Anzeige von...", "-", "Immer im &Vordergrund"},
      {"&Symbolleiste", "S&tatusleiste"},
      {"&Hilfe", "-", QString::fromUtf8("Auf neue &Version pr\xc3\xbc" "fen"), "-",
       QString::fromUtf8("Inf&o \xc3\xbc" "ber Lorvex...")},
  };
  for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(Items(Menu(static_cast<int>(i))), items[i]) << i;

  // As the menus open, the commands' states decide.
  for (int i = 0; i < 6; ++i) emit Menu(i)->aboutToShow();
  const struct {
    int menu;
    const char* text;
    bool enabled;
  } states[] = {
      {0, "Speichern &unter...", true}, {0, "&Drucken...", false},        {0, "&Beenden", true},
      {1, "&Suchen...", false},         {1, "&Weitersuchen", false},      {2, "&Starten", false},
      {2, "S&toppen", true},            {3, "&Optionen...", true},        {3, "Immer im &Vordergrund", false},
      {4, "&Symbolleiste", true},       {5, "&Hilfe", true},
  };
  for (const auto& s : states) EXPECT_EQ(Item(s.menu, s.text)->isEnabled(), s.enabled) << s.text;
  EXPECT_TRUE(Item(4, "&Symbolleiste")->isChecked());
  EXPECT_TRUE(Item(4, "S&tatusleiste")->isChecked());
}

TEST_F(ViewerWindow, TheToolBarShowsItsButtonsWithTipsAndTheirStates) {
  const std::vector<QAction*> buttons = Buttons();
  ASSERT_EQ(buttons.size(), 6u);
  std::vector<QString> tips;
  for (QAction* b : buttons) {
    tips.push_back(b->toolTip());
    EXPECT_FALSE(b->icon().isNull());
  }
  EXPECT_EQ(tips, (std::vector<QString>{"Speichern unter", "Drucken", QString::fromUtf8("Eintr\xc3\xa4ge l\xc3\xb6schen"),
                                        "Start", "Stop", ""}));
  Turn();
  EXPECT_TRUE(buttons[0]->isEnabled());
  EXPECT_FALSE(buttons[1]->isEnabled()) << "printing is always disabled";
  EXPECT_FALSE(buttons[3]->isEnabled()) << "start while recording";
  EXPECT_TRUE(buttons[4]->isEnabled());

  // A client stops the recording: the buttons change over.
  auto* view = dynamic_cast<CLorvexView*>(frame->GetActiveView());
  view->SendMessage(plat::RegisterWindowMessage("WM_TRACE_STOP"));
  Turn();
  EXPECT_TRUE(buttons[3]->isEnabled());
  EXPECT_FALSE(buttons[4]->isEnabled());
  buttons[3]->trigger();
  EXPECT_EQ(app->Stopped, 0);
}

TEST_F(ViewerWindow, TheStatusBarIsReadyAndShowsThePromptOfWhatThePersonPointsAt) {
  Turn();
  EXPECT_EQ(MessagePane(), "Bereit");
  emit Menu(2)->aboutToShow();
  emit Item(2, QString::fromUtf8("Liste &l\xc3\xb6schen...."))->hovered();
  Flush();
  EXPECT_EQ(MessagePane(), QString::fromUtf8("L\xc3\xb6scht das aktive Dokument."));
  emit Menu(2)->aboutToHide();
  Flush();
  EXPECT_EQ(MessagePane(), "Bereit");

  // Pointing at a tool button: its tip on the button, its prompt in the status bar.
  const std::vector<QAction*> buttons = Buttons();
  ASSERT_EQ(buttons.size(), 6u);
  emit buttons[3]->hovered();
  Flush();
  EXPECT_EQ(buttons[3]->toolTip(), "Start");
  EXPECT_EQ(MessagePane(), "Startet die Aufzeichnung.");
  emit buttons[4]->hovered();
  Flush();
  EXPECT_EQ(MessagePane(), "Stopt die Aufzeichnung.");
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(WidgetOf(&frame->CoolBar().ToolBar()), &leave);
  Flush();
  EXPECT_EQ(MessagePane(), "Bereit");

  // The version check's item has no prompt: the message pane is empty while it is pointed at.
  emit Menu(5)->aboutToShow();
  emit Item(5, QString::fromUtf8("Auf neue &Version pr\xc3\xbc" "fen"))->hovered();
  Flush();
  EXPECT_EQ(MessagePane(), "");
  emit Menu(5)->aboutToHide();
}

TEST_F(ViewerWindow, TheListFillsTheViewAndShowsTheTraces) {
  auto* view = dynamic_cast<CLorvexView*>(frame->GetActiveView());
  auto* table = dynamic_cast<QTableView*>(WidgetOf(&view->GetListCtrl()));
  ASSERT_TRUE(table);
  EXPECT_EQ(table->parentWidget(), WidgetOf(view));
  EXPECT_EQ(table->size(), WidgetOf(view)->size());
  EXPECT_EQ(table->model()->headerData(3, Qt::Horizontal).toString(), "Ausgabe");
  const afx::ATOM atom = afx::GlobalAddAtomA("proc#~d#~t#~hallo");
  view->SendMessage(plat::RegisterWindowMessage("WM_TRACE_STRING"), 4, atom);
  afx::GlobalDeleteAtom(atom);
  plat::testing::Advance(plat::ListView::kRepaintIntervalMs);
  ASSERT_EQ(table->model()->rowCount(), 1);
  EXPECT_EQ(table->model()->data(table->model()->index(0, 3)).toString(), "hallo");
}

// On screen too: whatever geometry is stored, the window is shown and its
// layout, with the window system's answers to it, comes to rest.
TEST_F(ViewerWindow, NoStoredGeometryWedgesTheWindowOnScreen) {
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  const std::vector<int> cases[] = {
      {200, 72, 50, 50}, {200, 0, 50, 50}, {-1, -1, 50, 50}, {kMax, kMax, kMax, kMax}, {kMin, kMin, kMin, kMin},
      {kMax, kMax, kMin + 1, kMin + 1},
  };
  const char* names[] = {"SizeX", "SizeY", "PositionX", "PositionY"};
  for (const std::vector<int>& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c));
    TearDown();
    for (int i = 0; i < 4; ++i) {
      plat::Registry().WriteInteger("Software\\TRACE\\Lorvex\\General", names[i], static_cast<std::uint32_t>(c[i]));
    }
    SetUp();
    int sizes = 0;
    frame->AddMessageHandler([&sizes](plat::Window&, plat::Message& m) {
      return m.msg == afx::WM_SIZE && ++sizes > 100;  // swallowed from then on: the layout ran away
    });
    for (int turn = 0; turn < 3; ++turn) {
      plat::testing::Advance(100);
      Turn();
    }
    EXPECT_LE(sizes, 20) << "the window's layout never came to rest";
    EXPECT_TRUE(top->isVisible());
  }
}

// The viewer started for a client on a bus of the test's own.
class ViewerForAClient : public ViewerWindow {
 protected:
  std::function<void()> Pump() {
    return [this] { ui.App().ProcessMessages(); };
  }
  test_support::PrivateBus bus{dir.path()};
};

TEST_F(ViewerForAClient, AClickInTheListMakesItThePersonsViewerThatStaysWhenTheClientLetsGo) {
  const int fd = afx::AutomationConnectionFd();
  ASSERT_GE(fd, 0);
  test_support::Child holder({AUTOMATION_HOLDER, "Lorvex.Document"}, true);
  ASSERT_FALSE(holder.ReadLine(Pump(), {fd}).empty());
  EXPECT_FALSE(afx::AfxOleGetUserCtrl()) << "a viewer started for a client is the client's";
  QTest::mouseClick(Table()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(afx::AfxOleGetUserCtrl());

  // The viewer may end (its document with it) while the loop turns: asked afresh each time.
  const auto held = [this] {
    auto* f = dynamic_cast<afx::CFrameWnd*>(app->m_pMainWnd);
    afx::CView* v = f ? f->GetActiveView() : nullptr;
    afx::CDocument* d = v ? v->GetDocument() : nullptr;
    return d && d->ExternalRefs() > 0;
  };
  ASSERT_TRUE(held());
  holder.CloseStdin();
  holder.Finish(nullptr, Pump(), {fd});
  for (int turn = 0; turn < 100 && held(); ++turn) {
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, 200);
    ui.App().ProcessMessages();
  }
  ASSERT_FALSE(held()) << "the client's hold did not end";
  plat::testing::Advance(0);
  EXPECT_NE(app->m_pMainWnd, nullptr) << "the person's viewer ended with the client";
}

// The viewer of a person's start: its splash is up.
class ViewerWithSplash : public ViewerWindow {
 protected:
  ViewerWithSplash() { args = {"lorvex"}; }
};

TEST_F(ViewerWithSplash, AClickOrAKeyAnywhereClosesTheSplashAndDoesNothingElse) {
  AddRow("eins");
  QTableView* table = Table();
  const QPoint row = table->visualRect(table->model()->index(0, 0)).center();
  std::vector<afx::WPARAM> keys;
  View()->AddMessageHandler([&keys](plat::Window&, plat::Message& m) {
    if (m.msg == afx::WM_KEYDOWN) keys.push_back(m.wParam);
    return false;
  });
  const struct {
    const char* what;
    std::function<void(QWidget* splash)> act;
  } inputs[] = {
      {"a click on the splash", [](QWidget* splash) { QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(3, 3)); }},
      {"a key on the splash", [](QWidget* splash) { QTest::keyClick(splash, Qt::Key_Space); }},
      {"a right click in the list", [&](QWidget*) { QTest::mouseClick(table->viewport(), Qt::RightButton, {}, row); }},
      {"a click in the list", [&](QWidget*) { QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row); }},
      {"a key in the list", [&](QWidget*) { QTest::keyClick(table, Qt::Key_Down); }},
      {"a click on the menu bar", [&](QWidget*) { QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 2, 2)); }},
  };
  for (const auto& input : inputs) {
    CLogoWnd::ShowLogo(frame);  // the start showed the first one
    ASSERT_NE(CLogoWnd::Instance(), nullptr) << input.what;
    QWidget* splash = WidgetOf(CLogoWnd::Instance());
    ASSERT_TRUE(splash && splash->isVisible()) << input.what;
    input.act(splash);
    EXPECT_EQ(CLogoWnd::Instance(), nullptr) << input.what;
    Flush();
    EXPECT_FALSE(table->selectionModel()->hasSelection()) << input.what << " also reached the list";
  }
  EXPECT_TRUE(keys.empty()) << "the key that closed the splash went on to the view";

  // With the splash gone, the list takes the click and the view the key.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row);
  EXPECT_TRUE(table->selectionModel()->isRowSelected(0, {}));
  QTest::keyClick(table, Qt::Key_Down);
  QTest::keyClick(table, Qt::Key_F2);
  EXPECT_EQ(keys, (std::vector<afx::WPARAM>{0x28, 0x71}));
}

}  // namespace
