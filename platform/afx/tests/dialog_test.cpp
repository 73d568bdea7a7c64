// Dialogs of the façade, driven headless as a person would: templates made
// into windows, modal and modeless runs, data exchange both ways, control
// notifications, property sheets, the common dialogs and the help engine.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/afx/app.h"
#include "platform/afx/dialog.h"
#include "platform/shell.h"
#include "platform/ui/testing.h"
#include "temp_dir.h"

namespace {

using afx::person::Click;
using afx::person::Select;
using afx::person::ToggleCheck;
using afx::person::Type;

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

constexpr afx::UINT kDialog = 500, kPageA = 501, kPageB = 502, kMissing = 599;
constexpr afx::DWORD kPopup = afx::WS_POPUP | afx::WS_CAPTION | afx::WS_SYSMENU;

void RegisterTemplates() {
  afx::AfxRegisterDialog(
      kDialog, {kPopup, 0, 0, 0, 200, 100, "Probe", "MS Sans Serif", 8,
                {afx::DefPushButton("OK", afx::IDOK, 140, 7, 50, 14), afx::PushButton("Abbrechen", afx::IDCANCEL, 140, 24, 50, 14),
                 afx::LText("Text:", afx::IDC_STATIC, 7, 7, 40, 8), afx::EditText(10, 50, 7, 80, 12),
                 afx::AutoCheckBox("&Mark", 11, 7, 24, 60, 10), afx::AutoCheckBox("Off", 12, 7, 36, 60, 10, afx::WS_DISABLED),
                 afx::ListBox(13, 7, 50, 60, 40, afx::LBS_NOTIFY | afx::WS_VSCROLL),
                 afx::Control("", 14, afx::WC_LISTBOX,
                              afx::LBS_OWNERDRAWFIXED | afx::LBS_HASSTRINGS | afx::LBS_NOTIFY | afx::WS_VSCROLL, 70, 50, 60, 40),
                 afx::Picture("SOME_PICTURE", 15, 140, 50, 40, 30),
                 afx::Control("", 16, afx::PROGRESS_CLASS, afx::WS_BORDER, 7, 92, 120, 6)}});
  const afx::DWORD page = afx::WS_CHILD | afx::WS_CAPTION | afx::DS_3DLOOK;
  afx::AfxRegisterDialog(kPageA, {page, 0, 0, 0, 150, 80, "Erste", "MS Sans Serif", 8,
                                  {afx::AutoCheckBox("Eins", 20, 7, 7, 60, 10), afx::EditText(21, 7, 20, 80, 12)}});
  afx::AfxRegisterDialog(kPageB, {page, 0, 0, 0, 180, 60, "Zweite", "MS Sans Serif", 8,
                                  {afx::AutoCheckBox("Zwei", 30, 7, 7, 60, 10)}});
}

class ProbeDialog : public afx::CDialog {
 public:
  explicit ProbeDialog(afx::CWnd* parent = nullptr) : CDialog(kDialog, parent) {}
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CDialog::GetMessageMap(),
                                     {afx::OnControl(afx::LBN_SELCHANGE, 13, &ProbeDialog::OnSelChange),
                                      afx::OnCommand(11, &ProbeDialog::OnMark),
                                      afx::OnControl(afx::EN_CHANGE, 10, &ProbeDialog::OnEditChange),
                                      afx::OnControl(afx::CLBN_CHKCHANGE, 14, &ProbeDialog::OnCheckChange)}};
    return &map;
  }
  void DoDataExchange(afx::CDataExchange* dx) override {
    afx::DDX_Control(dx, 14, checks);
    afx::DDX_Check(dx, 11, mark);
    afx::DDX_Text(dx, 10, text);
  }
  afx::BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    auto* list = dynamic_cast<afx::CListBox*>(GetDlgItem(13));
    for (const char* s : {"a", "b", "c"}) list->AddString(s);
    for (const char* s : {"x", "y"}) checks.AddString(s);
    checks.SetCheck(1, 1);
    return afx::TRUE;
  }
  void OnSelChange() { Log().push_back("sel " + std::to_string(dynamic_cast<afx::CListBox*>(GetDlgItem(13))->GetCurSel())); }
  void OnMark() { Log().push_back("mark " + std::to_string(IsDlgButtonChecked(11))); }
  void OnEditChange() { Log().push_back("edit " + GetDlgItemText(10)); }
  void OnCheckChange() { Log().push_back("check " + std::to_string(checks.GetCheck(checks.GetCurSel()))); }
  afx::CCheckListBox checks;
  int mark = 1;
  std::string text = "start";
};

class PageA : public afx::CPropertyPage {
 public:
  PageA() : CPropertyPage(kPageA) {}
  void DoDataExchange(afx::CDataExchange* dx) override {
    afx::DDX_Check(dx, 20, one);
    afx::DDX_Text(dx, 21, name);
  }
  void OnOK() override { Log().push_back("A ok"); }
  void OnCancel() override { Log().push_back("A cancel"); }
  int one = 0;
  std::string name = "n";
};

class PageB : public afx::CPropertyPage {
 public:
  PageB() : CPropertyPage(kPageB) {}
  void DoDataExchange(afx::CDataExchange* dx) override { afx::DDX_Check(dx, 30, two); }
  afx::BOOL OnInitDialog() override {
    Log().push_back("B init");
    return CPropertyPage::OnInitDialog();
  }
  void OnOK() override { Log().push_back("B ok"); }
  int two = 1;
};

class HelpApp : public afx::CWinApp {
 public:
  HelpApp() : CWinApp("Tester") {}
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CWinApp::GetMessageMap(), {afx::OnCommand(afx::ID_HELP, &HelpApp::OnHelp)}};
    return &map;
  }
  void OnHelp() { Log().push_back("app help"); }
  void WinHelp(std::uintptr_t data, afx::UINT cmd) override {
    Log().push_back("winhelp " + std::to_string(data));
    if (real) CWinApp::WinHelp(data, cmd);
  }
  bool real = false;
};

class Dialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    RegisterTemplates();
  }
  // A main window for the help requests of top-level dialogs.
  void MakeMainWindow() {
    auto* frame = new afx::CFrameWnd;
    afx::CREATESTRUCT cs;
    cs.style = afx::WS_OVERLAPPEDWINDOW | afx::WS_VISIBLE;
    cs.x = 100;
    cs.y = 100;
    cs.cx = 400;
    cs.cy = 300;
    frame->CreateEx(cs);
    app.m_pMainWnd = frame;
  }
  void TearDown() override {
    if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
  }

  plat::testing::CoreSession ui;
  HelpApp app;
};

template <class T>
T* Item(afx::CWnd& dialog, afx::UINT id) {
  auto* c = dynamic_cast<T*>(dialog.GetDlgItem(id));
  EXPECT_NE(c, nullptr) << "control " << id;
  return c;
}

TEST_F(Dialogs, ATemplateBecomesTheDialogWithItsControlsInPixels) {
  ProbeDialog dlg;
  ui.ExpectModalWindow("Probe", [&](plat::Window& w) {
    EXPECT_EQ(&w, &dlg);
    EXPECT_EQ(dlg.ClientWidth, 300);  // 200 units of 6/4 pixels
    EXPECT_EQ(dlg.ClientHeight, 162);  // 100 units of 13/8 pixels
    const struct {
      afx::UINT id;
      const char* cls;
      const char* text;
      int left, top, width, height;
      bool enabled;
    } cases[] = {
        {afx::IDOK, afx::WC_BUTTON, "OK", 210, 11, 75, 23, true},
        {10, afx::WC_EDIT, "start", 75, 11, 120, 19, true},
        {11, afx::WC_BUTTON, "&Mark", 10, 39, 90, 16, true},
        {12, afx::WC_BUTTON, "Off", 10, 58, 90, 16, false},
        {15, afx::WC_STATIC, "SOME_PICTURE", 210, 81, 60, 49, true},
    };
    for (const auto& c : cases) {
      afx::CWnd* item = dlg.GetDlgItem(c.id);
      ASSERT_NE(item, nullptr) << c.id;
      EXPECT_EQ(item->GetWindowClass(), c.cls) << c.id;
      EXPECT_EQ(item->GetWindowText(), c.text) << c.id;
      EXPECT_EQ((std::vector<int>{item->Left, item->Top, item->Width, item->Height}),
                (std::vector<int>{c.left, c.top, c.width, c.height}))
          << c.id;
      EXPECT_EQ(item->IsWindowEnabled() != 0, c.enabled) << c.id;
    }
    EXPECT_EQ(Item<afx::CStatic>(dlg, 15)->GetBitmap(), "SOME_PICTURE");
    EXPECT_EQ(dlg.GetDefID(), static_cast<afx::UINT>(afx::IDOK));
    EXPECT_TRUE(dlg.IsModal());
    EXPECT_EQ(Click(dlg.GetDlgItem(afx::IDOK)), "");
  });
  EXPECT_EQ(dlg.DoModal(), afx::IDOK);
  EXPECT_FALSE(dlg.IsWindowCreated());
  afx::CDialog none(kMissing);
  EXPECT_EQ(none.DoModal(), -1);
}

TEST_F(Dialogs, DataGoesIntoTheControlsAndComesBackOnOkOnly) {
  for (const bool ok : {true, false}) {
    ProbeDialog dlg;
    ui.ExpectModalWindow("Probe", [&](plat::Window&) {
      EXPECT_EQ(Item<afx::CButton>(dlg, 11)->GetCheck(), 1);
      EXPECT_EQ(dlg.GetDlgItemText(10), "start");
      EXPECT_EQ(Click(dlg.GetDlgItem(11)), "");
      EXPECT_EQ(Type(Item<afx::CEdit>(dlg, 10), "typed"), "");
      EXPECT_EQ(Click(dlg.GetDlgItem(ok ? afx::IDOK : afx::IDCANCEL)), "");
    });
    EXPECT_EQ(dlg.DoModal(), ok ? afx::IDOK : afx::IDCANCEL);
    EXPECT_EQ(dlg.mark, ok ? 0 : 1);
    EXPECT_EQ(dlg.text, ok ? "typed" : "start");
  }
  EXPECT_EQ(Log(), (std::vector<std::string>{"mark 0", "edit typed", "mark 0", "edit typed"}));
}

TEST_F(Dialogs, ControlsNotifyTheirParentOfWhatAPersonDoesOnly) {
  ProbeDialog dlg;
  ui.ExpectModalWindow("Probe", [&](plat::Window&) {
    auto* list = Item<afx::CListBox>(dlg, 13);
    list->SetCurSel(0);  // the program's own change tells nobody
    EXPECT_EQ(Select(list, 2), "");
    EXPECT_EQ(Select(list, 2), "");  // no change, no notification
    EXPECT_NE(Select(list, 3), "");
    EXPECT_NE(Click(dlg.GetDlgItem(12)), "");  // disabled
    EXPECT_EQ(Item<afx::CButton>(dlg, 12)->GetCheck(), 0);
    // The bound check list took the place and the items of control 14.
    ASSERT_EQ(dlg.GetDlgItem(14), &dlg.checks);
    EXPECT_EQ(dlg.checks.GetWindowClass(), afx::WC_LISTBOX);
    EXPECT_EQ(dlg.Controls(7), &dlg.checks);
    EXPECT_EQ(ToggleCheck(&dlg.checks, 0), "");
    EXPECT_EQ(ToggleCheck(&dlg.checks, 1), "");
    EXPECT_EQ(dlg.checks.GetCheck(0), 1);
    EXPECT_EQ(dlg.checks.GetCheck(1), 0);
    // Escape cancels.
    afx::person::PressKey(&dlg, afx::VK_ESCAPE);
  });
  EXPECT_EQ(dlg.DoModal(), afx::IDCANCEL);
  EXPECT_EQ(Log(), (std::vector<std::string>{"sel 2", "check 1", "check 0"}));
  // Run again, the bound list takes its place in the new window.
  ui.ExpectModalWindow("Probe", [&](plat::Window&) {
    EXPECT_EQ(dlg.Controls(7), &dlg.checks);
    EXPECT_EQ(dlg.checks.GetCount(), 2);
    dlg.EndDialog(afx::IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), afx::IDOK);
}

TEST_F(Dialogs, EnterPressesTheDefaultButtonAndTheCloseBoxCancels) {
  ProbeDialog a, b;
  ui.ExpectModalWindow("Probe", [&](plat::Window&) { afx::person::PressKey(&a, afx::VK_RETURN); });
  EXPECT_EQ(a.DoModal(), afx::IDOK);
  ui.ExpectModalWindow("Probe", [&](plat::Window&) { afx::person::Close(&b); });
  EXPECT_EQ(b.DoModal(), afx::IDCANCEL);
}

TEST_F(Dialogs, AModelessDialogStaysUntilDestroyedAndItsProgressBarSteps) {
  afx::CDialog dlg(kDialog);
  ASSERT_TRUE(dlg.Create(kDialog));
  dlg.ShowWindow(afx::SW_SHOW);
  EXPECT_TRUE(dlg.IsWindowVisible());
  EXPECT_FALSE(dlg.IsModal());
  auto* bar = Item<afx::CProgressCtrl>(dlg, 16);
  bar->SetRange(0, 3);
  bar->SetStep(1);
  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    bar->StepIt();
    seen.push_back(bar->GetPos());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 1, 2}));  // past the end it starts again
  dlg.DestroyWindow();
  EXPECT_FALSE(dlg.IsWindowCreated());
  EXPECT_EQ(dlg.GetDlgItem(16), nullptr);
}

TEST_F(Dialogs, ASheetMakesPagesWhenShownAndEndsThemOnOkOrCancel) {
  for (const bool ok : {true, false}) {
    Log().clear();
    PageA a;
    PageB b;
    afx::CPropertySheet sheet("Blatt");
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    ui.ExpectModalWindow("Blatt", [&](plat::Window&) {
      afx::CTabCtrl* tab = sheet.GetTabControl();
      ASSERT_NE(tab, nullptr);
      EXPECT_EQ(tab->GetItemText(0), "Erste");
      EXPECT_EQ(tab->GetItemText(1), "Zweite");
      EXPECT_TRUE(a.IsWindowVisible());
      EXPECT_FALSE(b.WasMade());
      EXPECT_EQ(sheet.GetDlgItem(afx::ID_APPLY_NOW)->IsWindowEnabled(), afx::FALSE);
      EXPECT_EQ(sheet.GetDlgItem(afx::IDHELP)->GetWindowText(), "Hilfe");
      // The pages' area holds the larger page (180 units wide, 80 high).
      EXPECT_EQ(a.Width, 270);
      EXPECT_EQ(a.Height, 130);
      EXPECT_EQ(Click(Item<afx::CButton>(a, 20)), "");
      EXPECT_EQ(Type(Item<afx::CEdit>(a, 21), "neu"), "");
      EXPECT_EQ(afx::person::ChooseTab(&sheet, 1), "");
      EXPECT_EQ(a.one, 1);  // read when it was left
      EXPECT_EQ(a.name, "neu");
      EXPECT_FALSE(a.IsWindowVisible());
      EXPECT_TRUE(b.IsWindowVisible());
      EXPECT_EQ(Item<afx::CButton>(b, 30)->GetCheck(), 1);
      EXPECT_EQ(Click(Item<afx::CButton>(b, 30)), "");
      EXPECT_EQ(Click(sheet.GetDlgItem(ok ? afx::IDOK : afx::IDCANCEL)), "");
    });
    EXPECT_EQ(sheet.DoModal(), ok ? afx::IDOK : afx::IDCANCEL);
    EXPECT_EQ(b.two, ok ? 0 : 1);  // only OK reads the shown page
    EXPECT_EQ(Log(), ok ? (std::vector<std::string>{"B init", "A ok", "B ok"})
                        : (std::vector<std::string>{"B init", "A cancel"}));
  }
}

TEST_F(Dialogs, HelpFromTheSheetReachesTheApplication) {
  MakeMainWindow();
  PageA a;
  afx::CPropertySheet sheet("Blatt");
  sheet.AddPage(&a);
  ui.ExpectModalWindow("Blatt", [&](plat::Window&) {
    EXPECT_EQ(Click(sheet.GetDlgItem(afx::IDHELP)), "");  // the page's ID_HELP
    afx::person::PressKey(Item<afx::CEdit>(a, 21), afx::VK_F1);  // through the main window
    afx::person::PressKey(Item<afx::CEdit>(a, 21), afx::VK_F1, afx::FSHIFT);  // nothing
    sheet.EndDialog(afx::IDCANCEL);
  });
  sheet.DoModal();
  EXPECT_EQ(Log(), (std::vector<std::string>{"app help", "app help"}));
}

TEST_F(Dialogs, TheCommonDialogsAskTheBackendAndKeepTheirValueOnCancel) {
  afx::CColorDialog colour(0x123456);
  ui.ExpectColorDialog(std::nullopt);
  EXPECT_EQ(colour.DoModal(), afx::IDCANCEL);
  EXPECT_EQ(colour.GetColor(), 0x123456u);
  ui.ExpectColorDialog(0x00FF8000);
  EXPECT_EQ(colour.DoModal(), afx::IDOK);
  EXPECT_EQ(colour.GetColor(), 0x00FF8000u);

  afx::CFileDialog file(afx::TRUE, "txt", "c:\\Trace.txt", afx::OFN_HIDEREADONLY | afx::OFN_OVERWRITEPROMPT,
                        "*.*|*.*||");
  file.SetInitialPath("/home/x/c/Trace.txt");
  ui.ExpectOpenDialog("/tmp/chosen.txt");
  EXPECT_EQ(file.DoModal(), afx::IDOK);
  EXPECT_EQ(file.GetPathName(), "/tmp/chosen.txt");
  EXPECT_EQ(file.GetFileName(), "chosen.txt");
  ASSERT_EQ(ui.Dialogs().size(), 3u);
  const plat::testing::DialogRecord& r = ui.Dialogs()[2];
  EXPECT_EQ(r.filter, "*.*|*.*");
  EXPECT_EQ(r.defaultExt, "txt");
  EXPECT_TRUE(r.options.Contains(plat::ofHideReadOnly));
  EXPECT_TRUE(r.options.Contains(plat::ofOverwritePrompt));
}

TEST_F(Dialogs, AHelpTopicIsAPageOfTheHelpFolderAndAMissingOneIsSaid) {
  test_support::TempDir dir;
  app.real = true;
  app.SetHelpFolder(dir.path());
  std::ofstream(dir.File("12.html")) << "<p>Hilfe</p>";
  std::vector<std::string> opened;
  int answer = 42;
  plat::ScopedAddressOpener opener([&](const std::string& a) {
    opened.push_back(a);
    return answer;
  });
  app.WinHelp(12, afx::HELP_CONTEXT);
  EXPECT_EQ(opened, (std::vector<std::string>{dir.File("12.html")}));

  ui.ExpectBox("Zu diesem Thema (13) ist keine Hilfe installiert.\n\nDie Hilfeseite wird hier erwartet:\n" +
               dir.File("13.html"))
      .Caption("Tester")
      .Flags(plat::MB_OK | plat::MB_ICONINFORMATION);
  app.WinHelp(13, afx::HELP_CONTEXT);
  EXPECT_EQ(opened.size(), 1u);

  answer = plat::kShellNoAssociation;
  ui.ExpectBox("Die Hilfeseite\n" + dir.File("12.html") +
               "\nkann nicht angezeigt werden: kein Programm zum Anzeigen gefunden.")
      .Flags(plat::MB_OK | plat::MB_ICONEXCLAMATION);
  app.WinHelp(12, afx::HELP_CONTEXT);
  EXPECT_EQ(app.GetHelpFolder(), dir.path());
}

// A static that follows the mouse itself, as a link control does.
class TrackingStatic : public afx::CStatic {
 public:
  const afx::MessageMap* GetMessageMap() const override {
    static const afx::MessageMap map{CStatic::GetMessageMap(),
                                     {afx::OnMessage(afx::WM_MOUSEMOVE, &TrackingStatic::OnMouse),
                                      afx::OnMessage(afx::WM_LBUTTONUP, &TrackingStatic::OnUp)}};
    return &map;
  }
  afx::LRESULT OnMouse(afx::WPARAM, afx::LPARAM at) {
    Log().push_back("move " + std::to_string(afx::LoWord(at)) + "," + std::to_string(afx::HiWord(at)));
    return 0;
  }
  afx::LRESULT OnUp(afx::WPARAM, afx::LPARAM) {
    Log().push_back("up");
    return 0;
  }

 protected:
  void PreSubclassWindow() override { Log().push_back("attached to " + std::to_string(GetDlgCtrlID())); }
};

TEST_F(Dialogs, ASubclassedStaticGetsTheMouseAsItsClassMapsIt) {
  afx::CDialog dlg(kDialog);
  ASSERT_TRUE(dlg.Create(kDialog));
  dlg.ShowWindow(afx::SW_SHOW);
  TrackingStatic link;
  ASSERT_TRUE(link.SubclassDlgItem(15, &dlg));
  EXPECT_FALSE(link.SubclassDlgItem(15, &dlg));  // a window already
  EXPECT_EQ(link.GetBitmap(), "SOME_PICTURE");
  EXPECT_EQ(afx::person::Mouse(&link, afx::WM_MOUSEMOVE, 4, 5), "");
  EXPECT_EQ(Click(&link), "");
  EXPECT_EQ(Log(), (std::vector<std::string>{"attached to 15", "move 4,5", "up"}));
  dlg.DestroyWindow();
}

TEST_F(Dialogs, DrawingOverEverythingStartsTheSurfaceAnew) {
  afx::CDialog dlg(kDialog);
  ASSERT_TRUE(dlg.Create(kDialog));
  afx::CWnd* pic = dlg.GetDlgItem(15);
  for (const afx::COLORREF c : {0x0000FFu, 0x00FF00u, 0xFF0000u}) {
    afx::CWindowDC dc(pic);
    dc.FillSolidRect(afx::RECT{2, 2, 60, 48}, c);
  }
  const auto& ops = pic->Surface()->Operations();
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].brush.color, 0xFF0000u);
  EXPECT_EQ(pic->Surface()->PixelAt(2, 2), 0xFF0000u);
  EXPECT_EQ(pic->Surface()->PixelAt(1, 1), plat::clNone);
  {
    afx::CWindowDC dc(pic);
    dc.FillSolidRect(afx::RECT{10, 10, 20, 20}, 0x0000FFu);  // a part: both stay
  }
  EXPECT_EQ(pic->Surface()->Operations().size(), 2u);
}

}  // namespace
