// Window hooks and the gradient caption painter: the hook chain in every
// order, and the painter by what it draws and a few of its pixels.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lorvex/paint_title.h"
#include "viewer_fixture.h"

namespace {

constexpr afx::UINT kPassed = afx::WM_USER + 1, kConsumed = afx::WM_USER + 2, kByDefault = afx::WM_USER + 3;

// A window that notes what reaches its own procedure.
class PlainWindow : public afx::CWnd {
 public:
  std::string* log = nullptr;
  std::vector<afx::WPARAM> ownParams;
  bool ownProcedureBackAtEnd = false;
  bool mapEmptyAtEnd = false;

  afx::BOOL Make(std::uint32_t style, int width, int height, const std::string& text = "Titel") {
    afx::CREATESTRUCT cs;
    cs.style = style;
    cs.cx = width;
    cs.cy = height;
    cs.x = 100;
    cs.y = 50;
    cs.lpszName = text;
    return CreateEx(cs);
  }

 protected:
  void WindowProcedure(plat::Message& m) override {
    if (m.msg == kPassed || m.msg == kConsumed || m.msg == kByDefault) {
      if (log) *log += "own";
      ownParams.push_back(m.wParam);
    }
    if (m.msg == afx::WM_NCDESTROY) {
      ownProcedureBackAtEnd = afx::GetWindowProc(this) == &afx::AfxWndProc;
      mapEmptyAtEnd = CHookMap::GetHookMap().Lookup(this) == nullptr;
    }
    afx::CWnd::WindowProcedure(m);
  }
};

// A hook that notes the test messages it sees: it passes kPassed on,
// consumes kConsumed (when told to) and passes kByDefault on with Default.
class NoteHook : public CMsgHook {
 public:
  NoteHook(std::string name, std::string* log, bool consumes = false) : name_(std::move(name)), log_(log), consumes_(consumes) {}
  afx::LRESULT WindowProc(afx::UINT message, afx::WPARAM wParam, afx::LPARAM lParam) override {
    if (message == kPassed || message == kConsumed || message == kByDefault) *log_ += name_ + ">";
    if (message == kConsumed && consumes_) return 42;
    if (message == kByDefault) return Default();
    return CMsgHook::WindowProc(message, wParam, lParam);
  }

 private:
  std::string name_;
  std::string* log_;
  bool consumes_;
};

struct ChainCase {
  const char* name;
  std::vector<std::string> steps;  // "+A" hooks A, "-A" unhooks A, "xA" deletes A
  const char* seen;                // who sees a message that everyone passes on
  bool subclassed;
};

class HookChain : public ::testing::TestWithParam<ChainCase> {};

TEST_P(HookChain, MessagesReachTheHooksNewestFirstThenTheWindow) {
  const ChainCase& c = GetParam();
  std::string log;
  PlainWindow w;
  w.log = &log;
  ASSERT_TRUE(w.Make(afx::WS_OVERLAPPEDWINDOW, 300, 200));
  std::map<char, std::unique_ptr<NoteHook>> hooks;
  for (char name : std::string("ABC")) hooks[name] = std::make_unique<NoteHook>(std::string(1, name), &log);
  for (const std::string& step : c.steps) {
    NoteHook* hook = hooks[step[1]].get();
    if (step[0] == '+') hook->HookWindow(&w);
    if (step[0] == '-') hook->HookWindow(nullptr);
    if (step[0] == 'x') hooks.erase(step[1]);
  }
  EXPECT_EQ(w.SendMessage(kPassed), 0);
  EXPECT_EQ(log, c.seen);
  EXPECT_EQ(afx::GetWindowProc(&w) == &HookWndProc, c.subclassed);
  EXPECT_EQ(CHookMap::GetHookMap().Lookup(&w) != nullptr, c.subclassed);
  hooks.clear();
  EXPECT_EQ(afx::GetWindowProc(&w), &afx::AfxWndProc);
  EXPECT_EQ(CHookMap::GetHookMap().GetCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryOrder, HookChain,
    ::testing::Values(ChainCase{"OneHook", {"+A"}, "A>own", true},
                      ChainCase{"TwoHooksNewestFirst", {"+A", "+B"}, "B>A>own", true},
                      ChainCase{"OlderLeavesFirst", {"+A", "+B", "-A"}, "B>own", true},
                      ChainCase{"NewestLeavesFirst", {"+A", "+B", "-B"}, "A>own", true},
                      ChainCase{"BothLeaveOlderFirst", {"+A", "+B", "-A", "-B"}, "own", false},
                      ChainCase{"BothLeaveNewestFirst", {"+A", "+B", "-B", "-A"}, "own", false},
                      ChainCase{"MiddleOfThreeLeaves", {"+A", "+B", "+C", "-B"}, "C>A>own", true},
                      ChainCase{"OldestOfThreeLeaves", {"+A", "+B", "+C", "-A"}, "C>B>own", true},
                      ChainCase{"HookedTwiceStaysOnce", {"+A", "+A"}, "A>own", true},
                      ChainCase{"AHookNotOnTheWindowLeavesTheOthers", {"+A", "-B"}, "A>own", true},
                      ChainCase{"BackAfterLeavingIsNewest", {"+A", "+B", "-A", "+A"}, "A>B>own", true},
                      ChainCase{"OlderHookDeleted", {"+A", "+B", "xA"}, "B>own", true},
                      ChainCase{"NewestHookDeleted", {"+A", "+B", "xB"}, "A>own", true}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.name); });

TEST(HookChainMessages, AConsumedMessageStopsThereAndDefaultPassesTheCurrentMessageOn) {
  std::string log;
  PlainWindow w;
  w.log = &log;
  ASSERT_TRUE(w.Make(afx::WS_OVERLAPPEDWINDOW, 300, 200));
  NoteHook older("A", &log), newer("B", &log, true);
  older.HookWindow(&w);
  newer.HookWindow(&w);
  EXPECT_EQ(w.SendMessage(kConsumed, 7), 42);
  EXPECT_EQ(log, "B>");
  log.clear();
  EXPECT_EQ(w.SendMessage(kByDefault, 9), 0);
  EXPECT_EQ(log, "B>A>own");
  EXPECT_EQ(w.ownParams.back(), 9u);
}

TEST(HookChainMessages, AHookOnAnotherWindowMovesAndAHandleThatIsNoWindowIsRefused) {
  std::string log;
  PlainWindow first, second;
  ASSERT_TRUE(first.Make(afx::WS_OVERLAPPEDWINDOW, 300, 200));
  ASSERT_TRUE(second.Make(afx::WS_OVERLAPPEDWINDOW, 300, 200));
  second.log = &log;
  NoteHook hook("A", &log);
  hook.HookWindow(&first);
  hook.HookWindow(&second);
  EXPECT_EQ(afx::GetWindowProc(&first), &afx::AfxWndProc);
  second.SendMessage(kPassed);
  EXPECT_EQ(log, "A>own");
  PlainWindow never;
  EXPECT_EQ(hook.HookWindow(&never), afx::FALSE);
  EXPECT_EQ(hook.GetHookedWindow(), &second);
}

TEST(HookChainMessages, DestroyingTheWindowRemovesEveryHookBeforeItsLastMessage) {
  std::string log;
  PlainWindow w;
  ASSERT_TRUE(w.Make(afx::WS_OVERLAPPEDWINDOW, 300, 200));
  NoteHook a("A", &log), b("B", &log), c("C", &log);
  a.HookWindow(&w);
  b.HookWindow(&w);
  c.HookWindow(&w);
  b.HookWindow(nullptr);  // one already gone from the middle
  w.DestroyWindow();
  EXPECT_TRUE(w.ownProcedureBackAtEnd);
  EXPECT_TRUE(w.mapEmptyAtEnd);
  EXPECT_FALSE(a.IsHooked());
  EXPECT_FALSE(c.IsHooked());
  EXPECT_EQ(CHookMap::GetHookMap().GetCount(), 0u);
}

// ---------------------------------------------------------------- the painter
// A frame 776 wide has a caption of 768: G = 640, B = 10.
constexpr int kWidth = 776, kHeight = 300;
constexpr afx::COLORREF kFrameRight = 0xFF8000;

class Painter : public ::testing::Test {
 protected:
  void SetUp() override {
    objectsBefore_ = afx::LiveGdiObjects();
    for (int i : {afx::COLOR_CAPTIONTEXT, afx::COLOR_INACTIVECAPTION}) saved_[i] = afx::GetSysColor(i);
  }
  void TearDown() override {
    for (auto [index, colour] : saved_) afx::SetSysColors(1, &index, &colour);
    if (window.IsWindowCreated()) window.DestroyWindow();
    painter.reset();
    EXPECT_EQ(afx::LiveGdiObjects(), objectsBefore_) << "every brush, font, bitmap and region is deleted";
  }
  // The window with the frame's painter, shown and active.
  void Make(std::uint32_t style = afx::WS_OVERLAPPEDWINDOW, int width = kWidth, const std::string& text = "Lorvex") {
    ASSERT_TRUE(window.Make(style, width, kHeight, text));
    painter = std::make_unique<CPaintTitle>();
    painter->Install(&window, kAutoColor, kAutoColor, afx::TRUE);
    painter->SetColors(0, kFrameRight, kAutoColor, kAutoColor, afx::TRUE);
    window.ShowWindow(afx::SW_SHOW);
  }
  static std::vector<afx::GdiOp> Ops(afx::HBITMAP b, afx::GdiOp::Kind kind) {
    std::vector<afx::GdiOp> out;
    for (const afx::GdiOp& op : b->ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }
  const afx::GdiBitmap& Surface() const { return *window.NonClientPicture(); }
  // A pixel of the caption on the window's surface.
  afx::COLORREF CaptionPixel(int x, int y = 10) const {
    const afx::RECT c = painter->GetCaptionRect();
    return Surface().Pixel(c.left + x, c.top + y);
  }

  PlainWindow window;
  std::unique_ptr<CPaintTitle> painter;

 private:
  int objectsBefore_ = 0;
  std::map<int, afx::COLORREF> saved_;
};

struct GradientCase {
  int width;
  int bands;      // one-colour fills between the flat right part and the left strip
  int bandWidth;
  int leftStrip;
};

class Gradient : public Painter, public ::testing::WithParamInterface<GradientCase> {};

TEST_P(Gradient, BandsOfGOver64PixelsAndTwoFlatFills) {
  const GradientCase& c = GetParam();
  Make();
  afx::HDC dc = afx::CreateCompatibleDC(nullptr);
  afx::HBITMAP b = afx::CreateCompatibleBitmap(dc, c.width, 20);
  afx::HGDIOBJ old = afx::SelectObject(dc, b);
  painter->PaintGradient(afx::TRUE, dc, c.width, 20);
  const auto fills = Ops(b, afx::GdiOp::kPatBlt);
  ASSERT_EQ(static_cast<int>(fills.size()), c.bands + 2);
  const int split = c.width * 5 / 6;
  EXPECT_EQ(fills.front().rect.left, split);
  EXPECT_EQ(fills.front().color, kFrameRight);
  for (std::size_t i = 1; i + 1 < fills.size(); ++i) EXPECT_EQ(fills[i].rect.Width(), c.bandWidth);
  EXPECT_EQ(fills.back().rect.left, 0);
  EXPECT_EQ(fills.back().rect.Width(), c.leftStrip);
  EXPECT_EQ(fills.back().color, 0u);
  EXPECT_EQ(b->Pixel(c.width - 1, 19), kFrameRight);
  afx::SelectObject(dc, old);
  afx::DeleteObject(b);
  afx::DeleteDC(dc);
}

INSTANTIATE_TEST_SUITE_P(Widths, Gradient,
                         ::testing::Values(GradientCase{768, 63, 10, 10}, GradientCase{60, 49, 1, 1},
                                           GradientCase{1, 0, 1, 0}));

TEST_F(Painter, TheActiveCaptionRunsFromBlackToTheFramesBlueWithTheSquareOfTheDistance) {
  Make();
  ASSERT_TRUE(window.CaptionPaintedByProgram());
  EXPECT_TRUE(painter->IsActive());
  EXPECT_EQ(CaptionPixel(0), 0u);
  EXPECT_EQ(CaptionPixel(5), 0u);
  EXPECT_EQ(CaptionPixel(700), kFrameRight);
  EXPECT_EQ(CaptionPixel(640), kFrameRight);
  // The band next to the split: d = 10 of G = 640.
  EXPECT_EQ(CaptionPixel(635), afx::RGB(0, 127, 254));
  // Half way: t = 1/4.
  EXPECT_EQ(CaptionPixel(325), afx::RGB(0, 96, 191));
}

TEST_F(Painter, AnInactiveCaptionRunsToTheSystemsInactiveColourOrIsFlat) {
  Make();
  PlainWindow other;
  ASSERT_TRUE(other.Make(afx::WS_OVERLAPPEDWINDOW, 200, 100));
  other.ShowWindow(afx::SW_SHOW);
  EXPECT_FALSE(painter->IsActive());
  EXPECT_EQ(CaptionPixel(0), 0u);
  EXPECT_EQ(CaptionPixel(700), afx::RGB(128, 128, 128));
  EXPECT_EQ(CaptionPixel(325), afx::RGB(96, 96, 96));

  painter->SetColors(0, kFrameRight, kAutoColor, kAutoColor, afx::FALSE);
  afx::HBITMAP flat = painter->GetCaptionBitmap(afx::FALSE);
  // Built before with the gradient: the cache keeps it until the caption changes.
  EXPECT_EQ(flat->Pixel(0, 10), 0u);
  window.MoveWindow(window.Left, window.Top, kWidth + 2, kHeight);
  flat = painter->GetCaptionBitmap(afx::FALSE);
  const auto fills = Ops(flat, afx::GdiOp::kPatBlt);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].color, afx::RGB(128, 128, 128));
  EXPECT_EQ(flat->Pixel(0, 10), afx::RGB(128, 128, 128));
}

TEST_F(Painter, ActivationPaintsOnlyWhenTheStateChanges) {
  Make();
  const std::size_t blits = Ops(window.NonClientSurface(), afx::GdiOp::kBitBlt).size();
  EXPECT_EQ(window.SendMessage(afx::WM_NCACTIVATE, afx::TRUE), afx::TRUE);
  EXPECT_EQ(Ops(window.NonClientSurface(), afx::GdiOp::kBitBlt).size(), blits);
  EXPECT_EQ(window.SendMessage(afx::WM_NCACTIVATE, afx::FALSE), afx::TRUE);
  EXPECT_FALSE(painter->IsActive());
  EXPECT_EQ(CaptionPixel(700), afx::RGB(128, 128, 128));
  // The system took the state too, without drawing its own caption.
  EXPECT_FALSE(window.SystemActive());
  EXPECT_TRUE(window.CaptionPaintedByProgram());
  // A disabled window looks inactive, one that stays active looks active.
  window.m_nFlags |= afx::WF_STAYACTIVE;
  window.SendMessage(afx::WM_NCACTIVATE, afx::FALSE);
  EXPECT_TRUE(painter->IsActive());
  window.m_nFlags = 0;
  window.Enabled = false;
  window.SendMessage(afx::WM_NCACTIVATE, afx::TRUE);
  EXPECT_FALSE(painter->IsActive());
}

struct TextColourCase {
  afx::COLORREF systemText;
  afx::COLORREF left;
  afx::COLORREF expected;
};
class TextColour : public Painter, public ::testing::WithParamInterface<TextColourCase> {};

TEST_P(TextColour, AutomaticActiveTextStandsOutFromTheLeftColour) {
  const TextColourCase& c = GetParam();
  const int index = afx::COLOR_CAPTIONTEXT;
  afx::SetSysColors(1, &index, &c.systemText);
  Make();
  painter->SetColors(c.left, kFrameRight, kAutoColor, kAutoColor, afx::TRUE);
  EXPECT_EQ(painter->GetTextColor(afx::TRUE), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, TextColour,
    ::testing::Values(TextColourCase{0x000000, 0x000000, 0xFFFFFF},   // black text on black: white
                      TextColourCase{0xFFFFFF, 0x000000, 0xFFFFFF},   // white system text: kept
                      TextColourCase{0xFFFFFF, 0xFFFFFF, 0x000000},   // white on white: black
                      TextColourCase{0x00FFFF, 0x000000, 0x00FFFF},   // yellow (lightness 120) on black: kept
                      TextColourCase{0x404040, 0x000000, 0xFFFFFF},   // dark grey (60) on black: white
                      TextColourCase{0x000000, 0x808080, 0x000000}));  // black on grey (120): kept

TEST_F(Painter, GivenTextColoursAndTheInactiveDefault) {
  Make();
  EXPECT_EQ(painter->GetTextColor(afx::FALSE), afx::GetSysColor(afx::COLOR_INACTIVECAPTIONTEXT));
  painter->Install(&window, 0x0000FF, 0x00FF00, afx::TRUE);
  EXPECT_EQ(painter->GetTextColor(afx::TRUE), 0x0000FFu);
  EXPECT_EQ(painter->GetTextColor(afx::FALSE), 0x00FF00u);
}

TEST_F(Painter, TheTitleIsBoldArialBetweenIconAndButtonsEndingInAnEllipsisWhenNarrow) {
  const std::string title = "Lorvex - ein recht langer Fenstertitel, der nicht in jede Breite passt";
  Make(afx::WS_OVERLAPPEDWINDOW, kWidth, title);
  afx::HBITMAP wide = painter->GetCaptionBitmap(afx::TRUE);
  auto texts = Ops(wide, afx::GdiOp::kText);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, title);
  EXPECT_EQ(texts[0].rect.left, 4);  // no icon
  const auto buttons = Ops(wide, afx::GdiOp::kFrameControl);
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_EQ(texts[0].rect.right, buttons.back().rect.left - 2);
  EXPECT_EQ(texts[0].color, 0xFFFFFFu);
  ASSERT_EQ(wide->texts.size(), 1u);
  EXPECT_STREQ(wide->texts[0].font.lfFaceName, "Arial");
  EXPECT_EQ(wide->texts[0].font.lfWeight, afx::FW_BOLD);
  EXPECT_EQ(wide->texts[0].format, afx::DT_END_ELLIPSIS | afx::DT_SINGLELINE | afx::DT_VCENTER);

  window.MoveWindow(window.Left, window.Top, 240, kHeight);
  afx::HBITMAP narrow = painter->GetCaptionBitmap(afx::TRUE);
  texts = Ops(narrow, afx::GdiOp::kText);
  ASSERT_EQ(texts.size(), 1u);
  const std::string& shown = texts[0].text;
  ASSERT_GT(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  EXPECT_EQ(title.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0);
  EXPECT_LE(afx::MeasureText(narrow->texts[0].font, shown), texts[0].rect.Width());
}

TEST_F(Painter, WithAnIconTheTextStartsAfterIt) {
  afx::HICON icon = afx::LoadIconPicture("LorvexIcon");
  ASSERT_TRUE(window.Make(afx::WS_OVERLAPPEDWINDOW, kWidth, kHeight));
  window.SendMessage(afx::WM_SETICON, afx::ICON_SMALL, reinterpret_cast<afx::LPARAM>(icon));
  painter = std::make_unique<CPaintTitle>();
  painter->Install(&window, kAutoColor, kAutoColor, afx::TRUE);
  afx::HBITMAP b = painter->GetCaptionBitmap(afx::TRUE);
  const auto icons = Ops(b, afx::GdiOp::kIcon);
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].rect, (afx::RECT{2, 1, 2 + 19, 1 + 19}));
  EXPECT_EQ(Ops(b, afx::GdiOp::kText)[0].rect.left, 21 + 2);
  window.DestroyWindow();
  afx::DestroyIcon(icon);
}

struct ButtonCase {
  std::uint32_t boxes;
  bool maximised;
  std::vector<std::uint32_t> states;  // close first
};
class Buttons : public Painter, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(Buttons, TheCaptionShowsTheButtonsOfTheStyle) {
  const ButtonCase& c = GetParam();
  Make(afx::WS_OVERLAPPED | afx::WS_CAPTION | afx::WS_SYSMENU | afx::WS_THICKFRAME | c.boxes);
  if (c.maximised) window.ShowWindow(afx::SW_MAXIMIZE);
  afx::HBITMAP b = painter->GetCaptionBitmap(afx::TRUE);
  std::vector<std::uint32_t> states;
  for (const afx::GdiOp& op : Ops(b, afx::GdiOp::kFrameControl)) states.push_back(op.state);
  EXPECT_EQ(states, c.states);
  const auto ops = Ops(b, afx::GdiOp::kFrameControl);
  const int w = b->width;
  EXPECT_EQ(ops[0].rect, (afx::RECT{w - 21, 2, w - 2, 19}));
  if (ops.size() == 3) {
    EXPECT_EQ(ops[1].rect.right, ops[0].rect.left - 2);
    EXPECT_EQ(ops[2].rect.right, ops[1].rect.left);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, Buttons,
    ::testing::Values(ButtonCase{0, false, {afx::DFCS_CAPTIONCLOSE}},
                      ButtonCase{afx::WS_MINIMIZEBOX, false,
                                 {afx::DFCS_CAPTIONCLOSE, afx::DFCS_CAPTIONMAX | afx::DFCS_INACTIVE, afx::DFCS_CAPTIONMIN}},
                      ButtonCase{afx::WS_MINIMIZEBOX | afx::WS_MAXIMIZEBOX, false,
                                 {afx::DFCS_CAPTIONCLOSE, afx::DFCS_CAPTIONMAX, afx::DFCS_CAPTIONMIN}},
                      ButtonCase{afx::WS_MINIMIZEBOX | afx::WS_MAXIMIZEBOX, true,
                                 {afx::DFCS_CAPTIONCLOSE, afx::DFCS_CAPTIONRESTORE, afx::DFCS_CAPTIONMIN}}));

TEST_F(Painter, TheBitmapsAreRebuiltOnlyWhenTheCaptionChanges) {
  Make();
  afx::HBITMAP active = painter->GetCaptionBitmap(afx::TRUE);
  const std::size_t ops = active->ops.size();
  for (afx::UINT m : {afx::WM_NCMOUSEMOVE, afx::WM_INITMENU, afx::WM_NCPAINT}) window.SendMessage(m);
  window.MoveWindow(window.Left + 10, window.Top + 10, kWidth, kHeight);  // moved, not resized
  EXPECT_EQ(painter->GetCaptionBitmap(afx::TRUE), active);
  EXPECT_EQ(active->ops.size(), ops);
  // Hover and menu messages copy the cached bitmap onto the window.
  EXPECT_GE(Ops(window.NonClientSurface(), afx::GdiOp::kBitBlt).size(), 3u);

  window.SetWindowText("Neuer Titel");
  EXPECT_EQ(window.GetWindowText(), "Neuer Titel");
  active = painter->GetCaptionBitmap(afx::TRUE);
  EXPECT_EQ(Ops(active, afx::GdiOp::kText).at(0).text, "Neuer Titel");
  ASSERT_EQ(Surface().texts.size(), 1u);
  EXPECT_EQ(Surface().texts[0].text, "Neuer Titel");

  window.MoveWindow(window.Left, window.Top, 500, kHeight);
  EXPECT_EQ(painter->CachedCaptionRect(), (afx::RECT{4, 4, 496, 26}));
  EXPECT_EQ(painter->GetCaptionBitmap(afx::TRUE)->width, 492);
}

TEST_F(Painter, ASettingChangeIsNotPassedOnAndTheNextPaintMakesTheFontsAgain) {
  Make();
  ASSERT_NE(painter->GetCaptionFont(), nullptr);
  std::string log;
  NoteHook older("A", &log);
  // The painter is the newest hook: the older one must not see the message either.
  painter->HookWindow(nullptr);
  older.HookWindow(&window);
  painter->HookWindow(&window);
  struct : CMsgHook {
    int seen = 0;
    afx::LRESULT WindowProc(afx::UINT m, afx::WPARAM w, afx::LPARAM l) override {
      if (m == afx::WM_WININICHANGE) ++seen;
      return CMsgHook::WindowProc(m, w, l);
    }
  } counter;
  painter->HookWindow(nullptr);
  counter.HookWindow(&window);
  painter->HookWindow(&window);
  EXPECT_EQ(window.SendMessage(afx::WM_WININICHANGE), 0);
  EXPECT_EQ(counter.seen, 0);
  EXPECT_EQ(painter->GetCaptionFont(), nullptr);
  window.SendMessage(afx::WM_NCPAINT, afx::NCPAINT_WHOLE_WINDOW);
  EXPECT_NE(painter->GetCaptionFont(), nullptr);
  counter.HookWindow(nullptr);
  older.HookWindow(nullptr);
}

TEST_F(Painter, AMinimisedWindowThatIsNotToBePaintedKeepsTheSystemsCaption) {
  Make();
  painter->Install(&window, kAutoColor, kAutoColor, afx::FALSE);
  window.ShowWindow(afx::SW_MINIMIZE);
  window.SendMessage(afx::WM_NCPAINT, afx::NCPAINT_WHOLE_WINDOW);
  EXPECT_FALSE(window.CaptionPaintedByProgram());
  EXPECT_EQ(CaptionPixel(0), afx::GetSysColor(afx::COLOR_ACTIVECAPTION));
  window.ShowWindow(afx::SW_RESTORE);
  window.SendMessage(afx::WM_NCPAINT, afx::NCPAINT_WHOLE_WINDOW);
  EXPECT_TRUE(window.CaptionPaintedByProgram());
  EXPECT_EQ(CaptionPixel(0), 0u);
}

TEST_F(Painter, ACaptionWithoutRoomOrWithoutADrawingSurfaceIsNotPainted) {
  Make(afx::WS_OVERLAPPEDWINDOW, 6);  // narrower than its two frames
  EXPECT_EQ(painter->GetCaptionBitmap(afx::TRUE), nullptr);
  window.SendMessage(afx::WM_NCPAINT, afx::NCPAINT_WHOLE_WINDOW);
  window.MoveWindow(window.Left, window.Top, kWidth, kHeight);
  afx::FailNextWindowDC();
  painter->PaintCaption();
  afx::FailNextMemoryDC();
  painter->PaintCaption();
  EXPECT_NE(painter->GetCaptionBitmap(afx::TRUE), nullptr);
}

TEST_F(Painter, AWindowWithoutAFullCaptionIsLeftToTheSystem) {
  Make(afx::WS_POPUP | afx::WS_BORDER);
  window.SendMessage(afx::WM_NCPAINT, afx::NCPAINT_WHOLE_WINDOW);
  EXPECT_FALSE(window.CaptionPaintedByProgram());
  EXPECT_EQ(window.SendMessage(afx::WM_NCACTIVATE, afx::FALSE), afx::TRUE);
}

// A frame that goes with its window, painter and all.
class SelfDeletingFrame : public afx::CFrameWnd {
 public:
  CPaintTitle painter;
};

TEST_F(Painter, TheCloseButtonEndsAWindowThatTakesItsPainterAlong) {
  auto* frame = new SelfDeletingFrame;
  afx::CREATESTRUCT cs;
  cs.style = afx::WS_OVERLAPPEDWINDOW;
  cs.cx = kWidth;
  cs.cy = kHeight;
  cs.lpszName = "Rahmen";
  ASSERT_TRUE(frame->CreateEx(cs));
  frame->painter.Install(frame, kAutoColor, kAutoColor, afx::TRUE);
  frame->ShowWindow(afx::SW_SHOW);
  const std::uint64_t id = frame->Id();
  const afx::RECT caption = frame->painter.GetCaptionRect();
  const afx::LPARAM at = afx::MakeLParam(frame->Left + caption.right - 5, frame->Top + caption.top + 5);
  const afx::LRESULT hit = frame->SendMessage(afx::WM_NCHITTEST, 0, at);
  EXPECT_EQ(hit, afx::HTCLOSE);
  frame->SendMessage(afx::WM_NCLBUTTONDOWN, static_cast<afx::WPARAM>(hit), at);
  EXPECT_EQ(plat::Component::FromId(id), nullptr);
  EXPECT_EQ(CHookMap::GetHookMap().GetCount(), 0u);
}

TEST_F(Painter, TheCaptionButtonsMinimiseMaximiseAndRestore) {
  Make();
  const afx::RECT caption = painter->GetCaptionRect();
  auto press = [&](int fromRight) {
    const afx::LPARAM at = afx::MakeLParam(window.Left + caption.left + (caption.Width() - fromRight), window.Top + 10);
    const afx::LRESULT hit = window.SendMessage(afx::WM_NCHITTEST, 0, at);
    window.SendMessage(afx::WM_NCLBUTTONDOWN, static_cast<afx::WPARAM>(hit), at);
    return hit;
  };
  EXPECT_EQ(press(21 + 10), afx::HTMAXBUTTON);
  EXPECT_TRUE(afx::IsZoomed(&window));
  EXPECT_EQ(painter->GetCaptionBitmap(afx::TRUE)->ops.size() > 0, true);
  EXPECT_EQ(press(21 + 10), afx::HTMAXBUTTON);
  EXPECT_FALSE(afx::IsZoomed(&window));
  EXPECT_EQ(window.Width, kWidth);
  EXPECT_EQ(press(2 * 21 + 8), afx::HTMINBUTTON);
  EXPECT_TRUE(afx::IsIconic(&window));
  EXPECT_EQ(window.SendMessage(afx::WM_NCHITTEST, 0, afx::MakeLParam(window.Left + 300, window.Top + 10)), afx::HTCAPTION);
  EXPECT_EQ(window.SendMessage(afx::WM_NCHITTEST, 0, afx::MakeLParam(window.Left + 1, window.Top + 100)), afx::HTLEFT);
}

// ---------------------------------------------------------------- the viewer's frame
class ViewerCaption : public Viewer {};

TEST_F(ViewerCaption, TheFrameInstallsTheGradientPainterWhenItIsCreated) {
  Start();
  auto* frame = dynamic_cast<CMainFrame*>(Frame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->PaintTitle().GetHookedWindow(), frame);
  EXPECT_STREQ(frame->PaintTitle().GetRuntimeClass()->m_lpszClassName, "CPaintTitle");
  auto* icon = reinterpret_cast<afx::HICON>(afx::GetClassLongA(frame, afx::GCL_HICONSM));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->picture, kLorvexIconPicture);
  afx::HBITMAP active = frame->PaintTitle().GetCaptionBitmap(afx::TRUE);
  ASSERT_NE(active, nullptr);
  EXPECT_EQ(active->Pixel(0, 10), 0u);
  EXPECT_EQ(active->Pixel(active->width - 1, 10), kFrameRight);
  std::vector<std::string> texts;
  for (const afx::GdiOp& op : active->ops) {
    if (op.kind == afx::GdiOp::kText) texts.push_back(op.text);
  }
  EXPECT_EQ(texts, std::vector<std::string>{frame->GetWindowText()});
  End();
}

}  // namespace
