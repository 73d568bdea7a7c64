// The info dialog and its homepage link (states, colours, mouse, focus,
// keys, tool tip, opening the address through the desktop's handler or the
// ".htm" command of the class-root store), the DIB class that draws the
// viewer's bitmaps, and the splash picture.
#include <string>
#include <vector>

#include "lorvex/dib.h"
#include "lorvex/dlg_info.h"
#include "lorvex/resource.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "viewer_fixture.h"

namespace {

namespace person = afx::person;
using Args = std::vector<std::string>;

// The addresses the desktop's handler is asked to open, each answered alike.
struct OpenedAddresses {
  explicit OpenedAddresses(int answer = plat::kShellStarted)
      : opener([this, answer](const std::string& a) {
          list.push_back(a);
          return answer;
        }) {}
  Args list;
  plat::ScopedAddressOpener opener;
};

// The argument vectors started, each as if it started.
struct StartedPrograms {
  StartedPrograms()
      : spawner([this](const Args& args) {
          list.push_back(args);
          return plat::kShellStarted;
        }) {}
  std::vector<Args> list;
  plat::ScopedSpawner spawner;
};

class InfoDialog : public Viewer {
 protected:
  void SetUp() override {
    Start();
    plat::testing::Advance(750);  // the splash has gone
    previousBeep = afx::SetBeepHook([this](afx::UINT type) { beeps.push_back(type); });
  }
  void TearDown() override {
    afx::SetBeepHook(previousBeep);
    End();
  }
  // The about command's dialog; fn runs while it is open, then "Cool" ends it.
  void About(std::function<void(CDlgInfo&)> fn) {
    ui.ExpectModalWindow("Info \xc3\xbc" "ber Lorvex ", [fn](plat::Window& w) {
      auto& dlg = dynamic_cast<CDlgInfo&>(w);
      fn(dlg);
      EXPECT_EQ(person::Click(dlg.GetDlgItem(afx::IDOK)), "");
    });
    Frame()->SendMessage(afx::WM_COMMAND, afx::ID_APP_ABOUT);
  }
  // The browser command of the class-root store.
  static void RegisterBrowser(const std::string& command) {
    plat::Registry classes(plat::RegistryRoot::kClassesRoot);
    classes.WriteString(".htm", "", "htmlfile");
    classes.WriteString("htmlfile\\shell\\open\\command", "", command);
  }
  static afx::COLORREF Colour(CHyperLink& link) {
    const afx::CStatic::PaintColors c = link.QueryPaintColors();
    EXPECT_TRUE(c.own);
    EXPECT_TRUE(c.transparent);
    return c.text;
  }

  std::vector<afx::UINT> beeps;
  afx::BeepHook previousBeep;
};

TEST_F(InfoDialog, ShowsTemplate100WithTheHomepageAsItsLink) {
  About([](CDlgInfo& dlg) {
    EXPECT_EQ(dlg.GetTemplateId(), 100u);
    EXPECT_EQ(dlg.GetDlgItemText(afx::IDOK), "Cool");
    EXPECT_EQ(dlg.GetDefID(), static_cast<afx::UINT>(afx::IDOK));
    auto* picture = dynamic_cast<afx::CStatic*>(dlg.GetDlgItem(IDB_INFO));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetBitmap(), "LORVEX_BITMAP_136");
    EXPECT_TRUE(picture->Style & afx::SS_SUNKEN);
    // The link is the control: its text is its address, and the tool tip says it too.
    CHyperLink& link = dlg.m_Link;
    EXPECT_EQ(dlg.GetDlgItem(IDC_HOMEPAGE), &link);
    EXPECT_EQ(link.GetURL(), kLorvexHomepage);
    EXPECT_EQ(link.GetWindowText(), kLorvexHomepage);
    EXPECT_EQ(link.GetToolTip().GetToolText(&link, 1), kLorvexHomepage);
    EXPECT_EQ(link.Hint.Get(), kLorvexHomepage);
    EXPECT_FALSE(link.Style & afx::WS_TABSTOP);
    // Underlined, and as large as its text.
    EXPECT_TRUE(link.Font->Style.Get().Contains(plat::fsUnderline));
    const plat::TPoint extent = plat::TextExtent(*link.Font, kLorvexHomepage);
    EXPECT_EQ(link.Width.Get(), extent.X);
    EXPECT_EQ(link.Height.Get(), extent.Y);
    EXPECT_EQ(link.GetStyleFlags(), 0x15u);
    EXPECT_EQ(Colour(link), CHyperLink::kUnvisited);
  });
}

TEST_F(InfoDialog, TheMouseOverTheLinkIsCapturedUntilItLeaves) {
  About([](CDlgInfo& dlg) {
    CHyperLink& link = dlg.m_Link;
    EXPECT_EQ(link.SendMessage(afx::WM_NCHITTEST), afx::HTCLIENT);
    EXPECT_EQ(person::Mouse(&link, afx::WM_MOUSEMOVE, 3, 3), "");
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(afx::CWnd::GetCapture(), &link);
    EXPECT_EQ(link.Cursor.Get(), plat::crHandPoint);
    person::Mouse(&link, afx::WM_MOUSEMOVE, 5, 2);  // still inside
    EXPECT_EQ(afx::CWnd::GetCapture(), &link);
    person::Mouse(&link, afx::WM_MOUSEMOVE, link.Width + 4, 2);
    EXPECT_FALSE(link.IsHovering());
    EXPECT_EQ(afx::CWnd::GetCapture(), nullptr);
    // Only a move of the mouse ever looked at the colour.
    EXPECT_EQ(Colour(link), CHyperLink::kUnvisited);
    EXPECT_GT(link.GetToolTip().RelayedCount(), 0);
  });
}

TEST_F(InfoDialog, AClickTakesTheFocusOpensTheLinkAndLeavesItVisited) {
  OpenedAddresses opened;
  About([&](CDlgInfo& dlg) {
    CHyperLink& link = dlg.m_Link;
    person::Mouse(&link, afx::WM_LBUTTONDOWN, 2, 2);
    EXPECT_EQ(afx::CWnd::GetFocus(), &link);
    EXPECT_TRUE(link.HasFocusFlag());
    EXPECT_EQ(Colour(link), CHyperLink::kFocused);
    EXPECT_TRUE(opened.list.empty());  // the button's release opens it
    person::Mouse(&link, afx::WM_LBUTTONUP, 2, 2);
    EXPECT_EQ(opened.list, Args{kLorvexHomepage});
    EXPECT_TRUE(link.IsVisited());
    EXPECT_EQ(Colour(link), CHyperLink::kFocused);  // focused still
    dlg.GetDlgItem(afx::IDOK)->SetFocus();
    EXPECT_FALSE(link.HasFocusFlag());
    EXPECT_EQ(Colour(link), CHyperLink::kVisited);
  });
  EXPECT_TRUE(beeps.empty());
}

TEST_F(InfoDialog, TheSpaceBarOpensTheFocusedLink) {
  OpenedAddresses opened;
  About([&](CDlgInfo& dlg) {
    CHyperLink& link = dlg.m_Link;
    link.SetFocus();
    EXPECT_TRUE(afx::person::PressKey(&link, 'A'));
    EXPECT_TRUE(opened.list.empty());
    EXPECT_TRUE(afx::person::PressKey(&link, afx::VK_SPACE));
    EXPECT_EQ(opened.list, Args{kLorvexHomepage});
    EXPECT_TRUE(link.IsVisited());
  });
}

TEST_F(InfoDialog, WithoutAHandlerNorABrowserTheLinkBeepsShowsWhyAndStaysUnvisited) {
  plat::ScopedAddressOpener opener([](const std::string&) { return plat::kShellNoAssociation; });
  About([&](CDlgInfo& dlg) {
    CHyperLink& link = dlg.m_Link;
    ui.ExpectBox("Can't open link:\n\nThere is no application associated\nwith the given filename extension.")
        .Flags(plat::MB_ICONEXCLAMATION);
    person::Mouse(&link, afx::WM_LBUTTONDOWN, 2, 2);
    person::Mouse(&link, afx::WM_LBUTTONUP, 2, 2);
    EXPECT_EQ(beeps, std::vector<afx::UINT>{plat::MB_ICONEXCLAMATION});
    EXPECT_FALSE(link.IsVisited());
    dlg.GetDlgItem(afx::IDOK)->SetFocus();
    EXPECT_EQ(Colour(link), CHyperLink::kUnvisited);
  });
}

TEST_F(InfoDialog, GotoUrlFallsBackToTheHtmCommandAsAnArgumentVector) {
  const std::string url = "http://www.lorvex.example/a b?q=\"x\"";
  struct Case {
    const char* what;
    std::optional<std::string> command;  // none: no ".htm" class at all
    Args started;                        // empty: nothing starts, the handler's 31 comes back
  };
  const std::string longProgram = "/opt/" + std::string(500, 'b');
  const std::vector<Case> cases = {
      {"\"%1\" in quotes", "\"/opt/Web Browser/browser\" -new-window \"%1\"",
       {"/opt/Web Browser/browser", "-new-window", url}},
      {"%1 without quotes", "/usr/bin/browser %1 --ignored", {"/usr/bin/browser", url}},
      {"no %1", "/usr/bin/browser --new-tab", {"/usr/bin/browser", "--new-tab", url}},
      {"no .htm class", std::nullopt, {}},
      {"a command without a program", "\"%1\"", {}},
      {"a command that would not fit the buffer with the address", longProgram, {}},
      {"a value longer than the registry buffer", "/usr/bin/" + std::string(300, 'c'), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    plat::Registry(plat::RegistryRoot::kClassesRoot).DeleteKey(".htm");
    if (c.command) RegisterBrowser(*c.command);
    OpenedAddresses asked(plat::kShellNoAssociation);
    StartedPrograms started;
    const int result = CHyperLink::GotoURL(url, afx::SW_SHOW);
    EXPECT_EQ(asked.list, Args{url});
    if (c.started.empty()) {
      EXPECT_EQ(result, plat::kShellNoAssociation);
      EXPECT_TRUE(started.list.empty());
    } else {
      EXPECT_EQ(result, plat::kShellStarted);
      EXPECT_EQ(started.list, std::vector<Args>{c.started});
    }
  }
  // The buffer's edge: command, blank, address and zero fill all 524 bytes, or one more.
  const std::string program = "/usr/bin/" + std::string(91, 'p');  // 100 bytes
  RegisterBrowser(program);
  for (std::size_t extra : {0, 1}) {
    const std::string address = "http://www.lorvex.example/" + std::string(524 - 100 - 2 - 26 + extra, 'q');
    plat::ScopedAddressOpener opener([](const std::string&) { return plat::kShellNoAssociation; });
    StartedPrograms started;
    const int result = CHyperLink::GotoURL(address, afx::SW_SHOW);
    if (extra == 0) {
      EXPECT_EQ(result, plat::kShellStarted);
      EXPECT_EQ(started.list, (std::vector<Args>{Args{program, address}}));
    } else {
      EXPECT_EQ(result, plat::kShellNoAssociation);
      EXPECT_TRUE(started.list.empty());
    }
  }
  // The desktop's handler opens it: no command is looked at.
  RegisterBrowser("/usr/bin/browser");
  plat::ScopedAddressOpener opener([](const std::string&) { return plat::kShellStarted; });
  plat::ScopedSpawner spawner([](const Args&) -> int {
    ADD_FAILURE() << "nothing else starts";
    return plat::kShellStarted;
  });
  EXPECT_EQ(CHyperLink::GotoURL(url, afx::SW_SHOW), plat::kShellStarted);
}

TEST_F(InfoDialog, TheBrowserCommandAsAUserWritesItIntoTheStore) {
  // The README's example, typed with an editor that ends lines with CR LF.
  test_support::WriteFile(plat::RegistryFilePath(plat::RegistryRoot::kClassesRoot),
                          "[.htm]\r\n@=\"htmlfile\"\r\n[htmlfile\\shell\\open\\command]\r\n"
                          "@=\"\\\"/usr/bin/firefox\\\" --new-window \\\"%1\\\"\"\r\n");
  plat::ScopedAddressOpener opener([](const std::string&) { return plat::kShellNoAssociation; });
  StartedPrograms started;
  EXPECT_EQ(CHyperLink::GotoURL(kLorvexHomepage, afx::SW_SHOW), plat::kShellStarted);
  EXPECT_EQ(started.list, (std::vector<Args>{{"/usr/bin/firefox", "--new-window", kLorvexHomepage}}));
}

TEST(HyperLinkErrors, EveryCodeHasItsText) {
  const std::vector<std::pair<int, std::string>> texts = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred. "},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {1, "Unknown Error (1) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(CHyperLink::ErrorText(code), text) << code;
}

TEST_F(InfoDialog, ALinkWithoutAFontKeepsItsSize) {
  About([](CDlgInfo& dlg) {
    CHyperLink other;
    afx::CWnd* text = dlg.GetDlgItem(1020);
    ASSERT_NE(text, nullptr);
    // A second static, without a font, made a link.
    afx::CStatic plain;
    afx::CREATESTRUCT cs;
    cs.lpszClass = afx::WC_STATIC;
    cs.lpszName = "mailto:jan.ostrander@lorvex.example";
    cs.style = afx::WS_CHILD | afx::WS_VISIBLE;
    cs.x = 10;
    cs.y = 10;
    cs.cx = 40;
    cs.cy = 30;
    cs.hwndParent = &dlg;
    cs.id = 1200;
    ASSERT_TRUE(plain.CreateEx(cs));
    plain.Font->Name = "";
    ASSERT_TRUE(other.SubclassDlgItem(1200, &dlg));
    EXPECT_EQ(other.Width.Get(), 40);
    EXPECT_EQ(other.Height.Get(), 30);
    EXPECT_EQ(other.GetStyleFlags(), 0x11u);
    EXPECT_EQ(other.GetURL(), "mailto:jan.ostrander@lorvex.example");
    other.DestroyWindow();
  });
}

// ---------------------------------------------------------------- CDib
class DibDraw : public InfoDialog {
 protected:
  // A window to draw on, as large as the bitmap and some.
  afx::CWnd* Surface(int w, int h) {
    target = std::make_unique<afx::CWnd>();
    afx::CREATESTRUCT cs;
    cs.lpszClass = afx::AfxRegisterWndClass(0);
    cs.style = afx::WS_POPUP;
    cs.cx = w;
    cs.cy = h;
    EXPECT_TRUE(target->CreateEx(cs));
    return target.get();
  }
  void TearDown() override {
    if (target) target->DestroyWindow();
    target.reset();
    InfoDialog::TearDown();
  }
  std::unique_ptr<afx::CWnd> target;
};

TEST_F(DibDraw, StraightAndStretchedDrawsByTheirOperationsAndPixels) {
  CDib dib;
  ASSERT_TRUE(dib.Load(afx::AfxGetResourceHandle(), IDB_INFO));
  const afx::CDC::SIZE size = dib.GetSize();
  const plat::Dib expected = plat::ReadDib(plat::FindDibResource("LORVEX_BITMAP_136"));
  EXPECT_EQ(size.cx, expected.width);
  EXPECT_EQ(size.cy, expected.height);
  // Eight bits: the palette is the colour table.
  EXPECT_EQ(dib.GetPalette().GetEntryCount(), static_cast<int>(expected.colors.size()));
  afx::CWnd* w = Surface(2 * size.cx, 2 * size.cy);
  afx::CDC dc(w);
  afx::CPalette before;
  before.CreateHalftonePalette(&dc);
  dc.SelectPalette(&before, afx::FALSE);

  // Without DrawDib, the same size: a block copy.
  ASSERT_TRUE(dib.Draw(dc, nullptr, nullptr, afx::FALSE));
  const plat::TCanvas* canvas = w->DrawnSurface();
  ASSERT_EQ(canvas->Operations().size(), 1u);
  const plat::CanvasOp& copy = canvas->Operations().back();
  EXPECT_EQ(copy.kind, plat::CanvasOp::CopyImage);
  EXPECT_EQ(copy.rect, plat::Rect(0, 0, size.cx, size.cy));
  EXPECT_EQ(copy.source, plat::Rect(0, 0, size.cx, size.cy));
  for (auto [x, y] : {std::pair{0, 0}, {size.cx - 1, size.cy - 1}, {size.cx / 2, size.cy / 3}}) {
    EXPECT_EQ(canvas->PixelAt(x, y), expected.At(x, y)) << x << "," << y;
  }
  EXPECT_EQ(canvas->PixelAt(size.cx, 0), plat::clNone);
  EXPECT_EQ(dc.GetCurrentPalette(), &before);  // given back

  // Twice the size: stretched, dropping nothing but repeating every pixel.
  const afx::RECT dest{0, 0, 2 * size.cx, 2 * size.cy};
  ASSERT_TRUE(dib.Draw(dc, &dest, nullptr, afx::FALSE));
  const plat::CanvasOp& stretch = canvas->Operations().back();
  EXPECT_EQ(stretch.kind, plat::CanvasOp::StretchImage);
  EXPECT_EQ(stretch.stretchMode, afx::COLORONCOLOR);
  EXPECT_EQ(stretch.rect, plat::Rect(0, 0, 2 * size.cx, 2 * size.cy));
  for (auto [x, y] : {std::pair{10, 7}, {2 * size.cx - 1, 2 * size.cy - 1}, {size.cx + 3, size.cy / 2}}) {
    EXPECT_EQ(canvas->PixelAt(x, y), expected.At(x / 2, y / 2)) << x << "," << y;
  }

  // A part of it through DrawDib, where the source rectangle says.
  const afx::RECT part{10, 20, 30, 40};
  const afx::RECT at{5, 5, 25, 25};
  ASSERT_TRUE(dib.Draw(dc, &at, &part, afx::TRUE));
  EXPECT_TRUE(dib.DrawDibOpened());
  const plat::CanvasOp& drawDib = canvas->Operations().back();
  EXPECT_EQ(drawDib.kind, plat::CanvasOp::CopyImage);
  EXPECT_EQ(drawDib.rect, plat::Rect(5, 5, 25, 25));
  EXPECT_EQ(drawDib.source, plat::Rect(10, 20, 30, 40));
  EXPECT_EQ(canvas->PixelAt(5, 5), expected.At(10, 20));
  EXPECT_EQ(canvas->PixelAt(24, 24), expected.At(29, 39));

  // Emptied: nothing is drawn.
  dib.DeleteObject();
  EXPECT_FALSE(dib.DrawDibOpened());
  const std::size_t ops = canvas->Operations().size();
  EXPECT_FALSE(dib.Draw(dc));
  EXPECT_EQ(canvas->Operations().size(), ops);
  EXPECT_EQ(dib.GetSize().cx, 0);
}

TEST_F(DibDraw, TrueColourGetsTheHalftonePaletteAndDamagedResourcesLoadAsNothing) {
  CDib splash;
  ASSERT_TRUE(splash.Load(afx::AfxGetResourceHandle(), IDB_LOGO));
  EXPECT_EQ(splash.GetBitmapInfo().bmBitsPixel, 24);
  EXPECT_EQ(splash.GetPalette().GetEntryCount(), 256);
  // A resource cut short, and one that names no picture.
  const std::span<const std::uint8_t> whole = plat::FindDibResource("LORVEX_BITMAP_136");
  plat::RegisterDibResource("TEST_DAMAGED", whole.first(whole.size() / 2));
  afx::AfxRegisterBitmap(990, "TEST_DAMAGED");
  CDib damaged;
  EXPECT_FALSE(damaged.Load(afx::AfxGetResourceHandle(), 990));
  EXPECT_FALSE(damaged.Load(afx::AfxGetResourceHandle(), 991));
  EXPECT_EQ(damaged.GetSafeHandle(), nullptr);
  EXPECT_EQ(damaged.GetPalette().GetEntryCount(), 0);
}

TEST_F(DibDraw, ADibControlPaintsItsBitmapWhole) {
  afx::CWnd* w = Surface(400, 200);
  afx::CStatic plain;
  afx::CREATESTRUCT cs;
  cs.lpszClass = afx::WC_STATIC;
  cs.style = afx::WS_CHILD | afx::WS_VISIBLE;
  cs.cx = 389;
  cs.cy = 121;
  cs.hwndParent = w;
  cs.id = 1300;
  ASSERT_TRUE(plain.CreateEx(cs));
  CDibCtl control(IDB_INFO);
  ASSERT_TRUE(control.SubclassDlgItem(1300, w));
  control.UpdateWindow();
  const plat::TCanvas* canvas = control.DrawnSurface();
  ASSERT_NE(canvas, nullptr);
  ASSERT_EQ(canvas->Operations().size(), 1u);
  EXPECT_EQ(canvas->Operations()[0].kind, plat::CanvasOp::CopyImage);
  const plat::Dib& dib = *canvas->Operations()[0].image;
  EXPECT_EQ(canvas->Operations()[0].rect, plat::Rect(0, 0, dib.width, dib.height));
  EXPECT_EQ(canvas->PixelAt(100, 50), dib.At(100, 50));
  control.DestroyWindow();
}

// ---------------------------------------------------------------- the splash
TEST_F(Viewer, TheSplashIsBitmap102AtItsOwnSizePaintedWhole) {
  Start();
  CLogoWnd* logo = CLogoWnd::Instance();
  ASSERT_NE(logo, nullptr);
  const plat::Dib picture = plat::ReadDib(plat::FindDibResource("LORVEX_BITMAP_102"));
  EXPECT_EQ(logo->Width.Get(), picture.width);
  EXPECT_EQ(logo->Height.Get(), picture.height);
  const plat::TCanvas* canvas = logo->DrawnSurface();
  ASSERT_NE(canvas, nullptr);
  ASSERT_FALSE(canvas->Operations().empty());
  EXPECT_EQ(canvas->Operations().back().kind, plat::CanvasOp::CopyImage);
  EXPECT_EQ(canvas->Operations().back().rect, plat::Rect(0, 0, picture.width, picture.height));
  EXPECT_EQ(canvas->PixelAt(picture.width / 2, picture.height / 2), picture.At(picture.width / 2, picture.height / 2));
  End();
}

TEST_F(Viewer, WithoutBitmap102ThereIsNoSplash) {
  Start();
  plat::testing::Advance(750);
  ASSERT_EQ(CLogoWnd::Instance(), nullptr);
  afx::AfxRegisterBitmap(IDB_LOGO, "NO_SUCH_PICTURE");
  CLogoWnd::ShowLogo(Frame());
  EXPECT_EQ(CLogoWnd::Instance(), nullptr);
  RegisterLorvexPictures();
  End();
}

}  // namespace
