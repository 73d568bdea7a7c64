// The frame's menu, accelerators and control bars, the rebar's bands, the
// list view with its reflected custom draw, what a person does to a frame,
// and global atoms.
#include <gtest/gtest.h>

#include "platform/afx/atom.h"
#include "platform/afx/bars.h"
#include "platform/afx/list_view.h"
#include "platform/ui/testing.h"
#include "temp_dir.h"
#include "bars_program.h"

namespace {

using namespace afx_test;

class FrameBars : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    app.SetCommandLine({"tester"});
    ASSERT_TRUE(app.InitInstance());
    frame = app.Bars();
    ASSERT_NE(frame, nullptr);
    frame->MoveWindow(0, 0, 608, 451);  // a client area of 600 x 400
    Log().clear();
  }
  static afx::RECT Rect(const plat::Window* w) { return {w->Left, w->Top, w->Left + w->Width, w->Top + w->Height}; }
  static bool Same(const afx::RECT& a, const afx::RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }

  test_support::TempDir dir;
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  plat::testing::CoreSession ui;
  BarsApp app;
  BarsFrame* frame = nullptr;
};

TEST_F(FrameBars, TheMenuComesFromTheResourceAndTakesItsStatesWhenItOpens) {
  const auto& items = frame->GetMenu().Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "&Datei");
  ASSERT_EQ(items[0].items.size(), 4u);
  EXPECT_TRUE(items[0].items[1].separator);
  EXPECT_EQ(frame->GetMenu().GetMenuState(kDocCmd), afx::MF_GRAYED) << "as the resource has it";
  EXPECT_EQ(frame->GetMenu().GetMenuState(4711), afx::kNoMenuItem);
  EXPECT_EQ(frame->ClientHeight, 400) << "the menu bar takes its part of the window";

  frame->OnInitMenuPopup(0);
  EXPECT_EQ(frame->GetMenu().GetMenuState(kViewCmd), afx::MF_GRAYED) << "its update handler disables it";
  EXPECT_EQ(frame->GetMenu().GetMenuState(kDocCmd), afx::MF_ENABLED) << "handled, though greyed in the resource";
  EXPECT_EQ(frame->GetMenu().GetMenuState(kUnhandledCmd), afx::MF_GRAYED) << "nothing would run it";
  frame->OnInitMenuPopup(1);
  EXPECT_EQ(frame->GetMenu().GetMenuState(afx::AFX_IDW_TOOLBAR), afx::MF_CHECKED) << "the tool bar shows";
  frame->OnInitMenuPopup(7);  // no such popup: nothing happens
  EXPECT_TRUE(Log().empty()) << "opening a menu ran a command";
}

TEST_F(FrameBars, BarsDockAtTheirEdgesAndTheViewTakesTheRest) {
  afx::CToolBar* tools = frame->Tools();
  afx::CStatusBar* status = frame->Status();
  ASSERT_TRUE(tools && status);
  const int toolHeight = tools->ButtonSize().cy;
  EXPECT_TRUE(Same(Rect(tools), {0, 0, 600, toolHeight}));
  EXPECT_TRUE(Same(Rect(status), {0, 400 - afx::CStatusBar::kHeight, 600, 400}));
  EXPECT_TRUE(Same(Rect(app.View()), {0, toolHeight, 600, 400 - afx::CStatusBar::kHeight}));

  // "Symbolleiste" hides the bar and the view grows; its check mark follows.
  frame->SendMessage(afx::WM_COMMAND, afx::AFX_IDW_TOOLBAR);
  EXPECT_FALSE(tools->Visible());
  EXPECT_EQ(frame->UpdateCommandState(afx::AFX_IDW_TOOLBAR).checked, 0);
  EXPECT_TRUE(Same(Rect(app.View()), {0, 0, 600, 400 - afx::CStatusBar::kHeight}));
  frame->SendMessage(afx::WM_COMMAND, afx::AFX_IDW_STATUS_BAR);
  EXPECT_TRUE(Same(Rect(app.View()), {0, 0, 600, 400}));
  frame->SendMessage(afx::WM_COMMAND, afx::AFX_IDW_TOOLBAR);
  EXPECT_EQ(frame->UpdateCommandState(afx::AFX_IDW_TOOLBAR).checked, 1);
  EXPECT_TRUE(Same(Rect(app.View()), {0, toolHeight, 600, 400}));

  // The person makes the window smaller: everything follows.
  afx::person::Resize(frame, 300, 200);
  EXPECT_EQ(frame->ClientWidth, 300);
  EXPECT_EQ(frame->Width, 308);
  EXPECT_TRUE(Same(Rect(tools), {0, 0, 300, toolHeight}));
  EXPECT_TRUE(Same(Rect(app.View()), {0, toolHeight, 300, 200}));
}

TEST_F(FrameBars, ToolButtonsAndIndicatorsShowTheirCommandsStatesOnIdle) {
  afx::CToolBar* tools = frame->Tools();
  const std::vector<afx::ToolButton> loaded{
      {kAppCmd, 0, true, 0}, {afx::ID_SEPARATOR, -1, true, 0}, {kViewCmd, 1, true, 0}, {kUnhandledCmd, 2, true, 0}};
  EXPECT_EQ(tools->Buttons(), loaded);
  EXPECT_EQ(tools->Bitmap(), "TestStrip");
  EXPECT_EQ(tools->CalcDynamicLayout(-1, afx::LM_HORZ),
            (afx::CSize{3 * tools->ButtonSize().cx + afx::CToolBar::kSeparatorWidth, tools->ButtonSize().cy}));
  tools->ClearDirty();
  app.OnIdle(0);
  const std::vector<afx::ToolButton> updated{
      {kAppCmd, 0, true, 0}, {afx::ID_SEPARATOR, -1, true, 0}, {kViewCmd, 1, false, 0}, {kUnhandledCmd, 2, false, 0}};
  EXPECT_EQ(tools->Buttons(), updated);
  EXPECT_EQ(tools->DirtyFlags(), plat::dfState);
  tools->ClearDirty();
  app.OnIdle(0);
  EXPECT_EQ(tools->DirtyFlags(), 0u) << "nothing changed, nothing to show";

  // No handler tells the lock keys' state: the indicator shows nothing.
  EXPECT_EQ(frame->Status()->Panes()[1], (afx::StatusPane{afx::ID_INDICATOR_CAPS, "UF", false}));
  EXPECT_TRUE(Log().empty());
}

TEST_F(FrameBars, TheMessagePaneShowsTheIdleTextAndThePromptOfWhatThePersonPointsAt) {
  EXPECT_EQ(frame->GetMessageText(), "Bereit");
  const struct {
    afx::UINT id;
    const char* text;
  } cases[] = {{kAppCmd, "Runs the application's command."}, {kViewCmd, "The view's."}, {kUnhandledCmd, ""}, {0, "Bereit"}};
  for (const auto& c : cases) {
    frame->OnMenuSelect(c.id);
    EXPECT_EQ(frame->GetMessageText(), c.text) << c.id;
  }
  EXPECT_EQ(afx::CommandToolTip(kAppCmd), "App");
  EXPECT_EQ(afx::CommandToolTip(kViewCmd), "");
  afx::CStatusBar bar;
  const afx::UINT unknown[] = {afx::ID_SEPARATOR, 4712};
  EXPECT_FALSE(bar.SetIndicators(unknown, 2)) << "an indicator without its string";
  EXPECT_EQ(bar.GetCount(), 0);
}

TEST_F(FrameBars, APersonsCommandRunsOnlyWhileItsStateSaysEnabled) {
  const struct {
    afx::UINT id;
    bool runs;
    std::vector<std::string> log;
  } cases[] = {
      {kAppCmd, true, {"app"}},
      {kDocCmd, true, {"doc"}},
      {kViewCmd, false, {}},  // the bar may still show it enabled: the state asked now wins
      {kUnhandledCmd, false, {}},
  };
  for (const auto& c : cases) {
    Log().clear();
    EXPECT_EQ(afx::person::ChooseCommand(frame, c.id), c.runs) << c.id;
    EXPECT_EQ(Log(), c.log) << c.id;
  }
}

TEST_F(FrameBars, AcceleratorsTurnKeysIntoCommandsBeforeTheViewSeesThem) {
  const struct {
    std::uint16_t key;
    std::uint8_t modifiers;
    std::vector<std::string> log;
    bool delivered;
  } cases[] = {
      {afx::VK_F6, 0, {"app"}, false},
      {afx::VK_F6, afx::FSHIFT, {"key 117"}, true},  // Shift+F6 is not in the table
      {'Q', afx::FCONTROL, {}, false},               // the accelerator's, though its command is disabled
      {'Q', 0, {"key 81"}, true},
  };
  for (const auto& c : cases) {
    Log().clear();
    EXPECT_EQ(afx::person::PressKey(app.View(), c.key, c.modifiers), c.delivered) << c.key;
    EXPECT_EQ(Log(), c.log) << c.key;
  }
  EXPECT_EQ(afx::GetKeyState(afx::VK_CONTROL), 0) << "the modifiers outlived their key";
  EXPECT_EQ(frame->TranslateAccelerator('N', afx::FCONTROL), afx::ID_FILE_NEW);
}

TEST_F(FrameBars, TheWindowManagersCloseAndMoveReachTheFrame) {
  afx::person::Move(frame, -30, 2000);
  afx::RECT r;
  frame->GetWindowRect(r);
  EXPECT_EQ(r.left, -30);
  EXPECT_EQ(r.top, 2000);
  afx::person::Close(frame);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

// ---------------------------------------------------------------- rebar
class Bands : public afx::CControlBar {
 public:
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CControlBar::GetMessageMap(),
                                     {afx::OnNotifyReflect(afx::RBN_HEIGHTCHANGE, &Bands::OnHeightChange)}};
    return &map;
  }
  void OnHeightChange(afx::NMHDR* n, afx::LRESULT* result) {
    heights.push_back(Height);
    EXPECT_EQ(n->hwndFrom, this);
    *result = 0;
  }
  std::vector<int> heights;
};

TEST_F(FrameBars, ARebarHoldsItsBandsAndTellsItselfWhenItsHeightChanges) {
  auto* bar = new Bands;
  afx::CREATESTRUCT cs;
  cs.lpszClass = afx::REBARCLASSNAME;
  cs.style = afx::WS_CHILD | afx::WS_VISIBLE;
  cs.hwndParent = frame;
  cs.x = cs.y = cs.cx = cs.cy = 0;
  ASSERT_TRUE(bar->CreateEx(cs));
  bar->MoveWindow(0, 0, 300, 0);
  auto* child = new afx::CToolBar;
  ASSERT_TRUE(child->Create(frame));
  afx::REBARBANDINFO band;
  band.fMask = afx::RBBIM_CHILD | afx::RBBIM_CHILDSIZE;
  band.hwndChild = child;
  band.cxMinChild = 50;
  band.cyMinChild = 22;
  EXPECT_EQ(bar->SendMessage(afx::RB_INSERTBAND, static_cast<afx::WPARAM>(-1), reinterpret_cast<afx::LPARAM>(&band)),
            afx::TRUE);
  EXPECT_EQ(child->GetParent(), bar);
  EXPECT_TRUE(Same(Rect(child), {2, 2, 298, 24})) << "the last band takes the row";
  EXPECT_EQ(bar->Height, 26);
  EXPECT_EQ(bar->heights, (std::vector<int>{26}));
  EXPECT_EQ(bar->SendMessage(afx::RB_GETBANDCOUNT), 1);
  afx::REBARBANDINFO empty;
  empty.fMask = afx::RBBIM_CHILD;
  EXPECT_EQ(bar->SendMessage(afx::RB_INSERTBAND, 0, reinterpret_cast<afx::LPARAM>(&empty)), afx::FALSE);
  EXPECT_EQ(bar->SendMessage(afx::RB_GETBANDCOUNT), 1);
  bar->MoveWindow(0, 0, 500, 26);
  EXPECT_EQ(child->Width, 496) << "a wider bar widens its last band";
  EXPECT_EQ(bar->heights.size(), 1u);
}

// ---------------------------------------------------------------- list view
class ColourList : public afx::CListView {
 public:
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CListView::GetMessageMap(),
                                     {afx::OnNotifyReflect(afx::NM_CUSTOMDRAW, &ColourList::OnCustomDraw)}};
    return &map;
  }
  void OnCustomDraw(afx::NMHDR* n, afx::LRESULT* result) {
    auto* cd = reinterpret_cast<afx::NMLVCUSTOMDRAW*>(n);
    stages.push_back(cd->nmcd.dwDrawStage);
    if (cd->nmcd.dwDrawStage == afx::CDDS_PREPAINT) {
      *result = afx::CDRF_NOTIFYITEMDRAW;
      return;
    }
    cd->clrText = plat::Rgb(static_cast<std::uint8_t>(cd->nmcd.dwItemSpec), 0, 0);
    *result = afx::CDRF_DODEFAULT;
  }
  std::vector<std::uint32_t> stages;
};

TEST_F(FrameBars, AListViewIsItsControlAndTheControlsCustomDrawComesBackToItsClass) {
  auto* view = new ColourList;
  afx::CCreateContext context;
  ASSERT_TRUE(view->Create("", "", afx::WS_CHILD | afx::WS_VISIBLE | afx::LVS_REPORT, {0, 0, 200, 100}, frame, 4711,
                           &context));
  EXPECT_EQ(view->GetWindowClass(), afx::WC_LISTVIEW);
  afx::CListCtrl& list = view->GetListCtrl();
  EXPECT_EQ(list.GetParent(), view);
  EXPECT_TRUE(list.ReportMode());
  EXPECT_TRUE(Same(Rect(&list), {0, 0, 200, 100}));
  view->MoveWindow(0, 0, 250, 120);
  EXPECT_TRUE(Same(Rect(&list), {0, 0, 250, 120}));

  list.InsertColumn(0, "A");
  for (int i = 0; i < 3; ++i) list.InsertItem(i, "r");
  const auto pass = list.BeginPaint();
  EXPECT_EQ(list.ItemLook(pass, 2).text, plat::Rgb(2, 0, 0));
  EXPECT_EQ(view->stages, (std::vector<std::uint32_t>{afx::CDDS_PREPAINT, afx::CDDS_ITEMPREPAINT}));
  const std::uint64_t listId = list.Id();
  view->DestroyWindow();
  EXPECT_EQ(plat::Component::FromId(listId), nullptr) << "the control outlived its view";
}

// ---------------------------------------------------------------- atoms
TEST(Atoms, ANameLivesWhileAddedAndIsReadBackIntoABufferOfItsSize) {
  const afx::ATOM a = afx::GlobalAddAtomA("proc#~01.02.2024#~12:00#~text");
  ASSERT_NE(a, 0);
  char buffer[255];
  EXPECT_EQ(afx::GlobalGetAtomNameA(a, buffer, sizeof buffer), 29u);
  EXPECT_STREQ(buffer, "proc#~01.02.2024#~12:00#~text");
  char small[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(afx::GlobalGetAtomNameA(a, small, sizeof small), 4u);
  EXPECT_STREQ(small, "proc");
  EXPECT_EQ(afx::GlobalAddAtomA("proc#~01.02.2024#~12:00#~text"), a) << "the same name, one more reference";
  const afx::ATOM upper = afx::GlobalAddAtomA("PROC#~01.02.2024#~12:00#~text");
  EXPECT_NE(upper, a) << "names differing in case are two atoms";
  afx::GlobalDeleteAtom(upper);
  afx::GlobalDeleteAtom(a);
  EXPECT_EQ(afx::GlobalGetAtomNameA(a, buffer, sizeof buffer), 29u) << "one reference is left";
  afx::GlobalDeleteAtom(a);
  buffer[0] = '?';
  EXPECT_EQ(afx::GlobalGetAtomNameA(a, buffer, sizeof buffer), 0u);
  EXPECT_EQ(buffer[0], '?') << "the buffer of a gone atom was touched";

  EXPECT_EQ(afx::GlobalAddAtomA(""), 0);
  EXPECT_EQ(afx::GlobalAddAtomA(std::string(256, 'x')), 0);
  const afx::ATOM longest = afx::GlobalAddAtomA(std::string(255, 'y'));
  ASSERT_NE(longest, 0);
  EXPECT_EQ(afx::GlobalGetAtomNameA(longest, buffer, sizeof buffer), 254u) << "a 255-character buffer holds 254";
  afx::GlobalDeleteAtom(longest);
}

}  // namespace
