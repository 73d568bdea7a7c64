// The display selection and the options sheet, driven through their
// controls as a person would: what they show, what OK writes back, what
// Cancel leaves, their help topics.
#include <filesystem>
#include <limits>

#include "lorvex/option_dialogs.h"
#include "platform/afx/dialog.h"
#include "platform/shell.h"
#include "viewer_fixture.h"

namespace {

namespace person = afx::person;

template <class T>
T* Control(afx::CWnd* dialog, afx::UINT id) {
  auto* c = dynamic_cast<T*>(dialog ? dialog->GetDlgItem(id) : nullptr);
  EXPECT_NE(c, nullptr) << "control " << id;
  return c;
}

class OptionDialogs : public Viewer {
 protected:
  void SetUp() override {
    Start();
    helpDir = dir.File("help");
    app->SetHelpFolder(helpDir);
    std::filesystem::create_directories(helpDir);
    for (int topic : {1, 6, 12, 13}) test_support::WriteFile(helpDir + "/" + std::to_string(topic) + ".html", "<p/>");
  }
  void TearDown() override { End(); }

  // The sheet opened by the options command; fn runs while it is open and
  // ends it (or leaves that to `end`: OK, Cancel, or nothing).
  enum class Ending { kOk, kCancel, kNone };
  void RunSheet(std::function<void(COptionenSheet&)> fn, Ending end = Ending::kOk) {
    ui.ExpectModalWindow("Optionen...", [fn, end](plat::Window& w) {
      auto& sheet = dynamic_cast<COptionenSheet&>(w);
      fn(sheet);
      if (end != Ending::kNone) {
        EXPECT_EQ(person::Click(sheet.GetDlgItem(end == Ending::kOk ? afx::IDOK : afx::IDCANCEL)), "");
      }
    });
    Frame()->SendMessage(afx::WM_COMMAND, ID_OPTIONS);
  }
  void Display(std::function<void(CDlgAnzeige&)> fn) {
    ui.ExpectModalWindow("Ausgabe von...", [fn](plat::Window& w) { fn(dynamic_cast<CDlgAnzeige&>(w)); });
    Frame()->SendMessage(afx::WM_COMMAND, ID_DISPLAY_SELECTION);
  }
  static CDlgFarben* ColumnsPage(COptionenSheet& s) { return dynamic_cast<CDlgFarben*>(s.GetPage(0)); }
  static CDlgSpalten* ColoursPage(COptionenSheet& s) { return dynamic_cast<CDlgSpalten*>(s.GetPage(1)); }
  static CDlgMedium* MediaPage(COptionenSheet& s) { return dynamic_cast<CDlgMedium*>(s.GetPage(2)); }
  static std::vector<std::string> Texts(afx::CWnd* w) {
    std::vector<std::string> texts;
    for (int i = 0; i < w->GetControlCount(); ++i) texts.push_back(w->Controls(i)->Text);
    return texts;
  }
  static std::vector<std::string> Items(const afx::CListBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.GetText(i));
    return items;
  }
  // The help pages opened meanwhile.
  std::vector<std::string> opened;
  plat::ScopedAddressOpener opener{[this](const std::string& a) {
    opened.push_back(a.substr(a.rfind('/') + 1));
    return plat::kShellStarted;
  }};
  std::string helpDir;
};

std::vector<std::string> ChannelTexts() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 30; ++n) texts.push_back((n < 10 ? "ID 0" : "ID ") + std::to_string(n));
  return texts;
}

TEST_F(OptionDialogs, TheDisplaySelectionShowsTheVisibleChannelsTickedAndOkWritesExactlyTicks) {
  app->Channel(2).Visible = 0;
  app->Channel(3).Visible = 2;  // neither 0 nor 1: its rows are shown, so ticked
  Display([&](CDlgAnzeige& dlg) {
    EXPECT_EQ(Texts(&dlg), (std::vector<std::string>{"OK", "Abbrechen", "&Hilfe",
                                                      "Traces mit folgenden IDs werden im Fenster ausgegeben.", ""}));
    EXPECT_EQ(dlg.GetDlgItem(IDC_ID_LIST), &dlg.m_CheckList);
    EXPECT_EQ(Items(dlg.m_CheckList), ChannelTexts());
    EXPECT_EQ(dlg.m_CheckList.GetCheck(0), 1);
    EXPECT_EQ(dlg.m_CheckList.GetCheck(1), 0);
    EXPECT_EQ(dlg.m_CheckList.GetCheck(2), 1);
    EXPECT_EQ(person::ToggleCheck(&dlg.m_CheckList, 29), "");
    EXPECT_EQ(person::Click(dlg.GetDlgItem(afx::IDHELP)), "");
    EXPECT_EQ(person::Click(dlg.GetDlgItem(afx::IDOK)), "");
  });
  EXPECT_EQ(opened, (std::vector<std::string>{"12.html"}));
  std::vector<int> visible;
  for (int n = 1; n <= 30; ++n) visible.push_back(app->Channel(n).Visible);
  std::vector<int> expected(30, 1);
  expected[1] = expected[29] = 0;
  EXPECT_EQ(visible, expected);
}

// The list shows a channel and a column whose flag is anything but 0; so do
// the dialogs, and OK at once hides nothing.
TEST_F(OptionDialogs, AFlagStoredAsAnotherNonZeroValueShowsTickedAndStaysOn) {
  for (const int stored : {2, 5, -1, std::numeric_limits<int>::min()}) {
    SCOPED_TRACE(stored);
    for (TraceIdSettings& ch : app->IdSettings) ch.Visible = stored;
    app->Name = app->Datum = app->Uhrzeit = app->Ausgabewert = stored;
    Display([&](CDlgAnzeige& dlg) {
      for (int i = 0; i < 30; ++i) EXPECT_EQ(dlg.m_CheckList.GetCheck(i), 1) << i;
      EXPECT_EQ(person::Click(dlg.GetDlgItem(afx::IDOK)), "");
    });
    RunSheet([&](COptionenSheet& sheet) {
      for (afx::UINT id : {IDC_PROZESSNAME, IDC_DATUM, IDC_UHRZEIT, IDC_AUSGABEWERT}) {
        EXPECT_EQ(Control<afx::CButton>(ColumnsPage(sheet), id)->GetCheck(), 1) << id;
      }
    });
    for (const TraceIdSettings& ch : app->IdSettings) EXPECT_NE(ch.Visible, 0);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Prozess", "Datum", "Uhrzeit", "Ausgabe"}));
  }
}

TEST_F(OptionDialogs, TheSheetShowsItsThreePagesInOrderWithTheirTextsAndStartsOnSpalten) {
  RunSheet([&](COptionenSheet& sheet) {
    EXPECT_EQ(sheet.GetCaption(), "Optionen...");
    afx::CTabCtrl* tab = sheet.GetTabControl();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ((std::vector<std::string>{tab->GetItemText(0), tab->GetItemText(1), tab->GetItemText(2)}),
              (std::vector<std::string>{"Spalten", "Farben", "Ausgabemedium"}));
    EXPECT_EQ(std::string(ColumnsPage(sheet)->GetRuntimeClass()->m_lpszClassName), "CDlgFarben");
    EXPECT_EQ(std::string(ColoursPage(sheet)->GetRuntimeClass()->m_lpszClassName), "CDlgSpalten");
    EXPECT_EQ(std::string(MediaPage(sheet)->GetRuntimeClass()->m_lpszClassName), "CDlgMedium");
    EXPECT_TRUE(ColumnsPage(sheet)->GetRuntimeClass()->m_pfnCreateObject);
    EXPECT_FALSE(sheet.GetRuntimeClass()->m_pfnCreateObject);
    // The gradient caption: hooked from creation, black to 0xFF8000 while active.
    EXPECT_EQ(sheet.Painter.GetHookedWindow(), &sheet);
    EXPECT_TRUE(sheet.CaptionPaintedByProgram());
    afx::HBITMAP caption = sheet.Painter.GetCaptionBitmap(afx::TRUE);
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->Pixel(0, 5), 0u);
    EXPECT_EQ(caption->Pixel(caption->width - 1, 5), 0xFF8000u);
    // The client area starts below the caption and its border line.
    const afx::RECT room = sheet.Painter.GetCaptionRect();
    EXPECT_EQ(sheet.Height - sheet.ClientHeight - room.left, room.bottom + 1);
    EXPECT_EQ(sheet.GetDlgItem(afx::IDOK)->GetWindowText(), "OK");
    EXPECT_EQ(sheet.GetDlgItem(afx::ID_APPLY_NOW)->IsWindowEnabled(), afx::FALSE);
    ASSERT_NE(sheet.GetDlgItem(afx::IDHELP), nullptr);
    EXPECT_TRUE(ColumnsPage(sheet)->IsWindowVisible());
    EXPECT_FALSE(ColoursPage(sheet)->WasMade());
    EXPECT_FALSE(MediaPage(sheet)->WasMade());
    EXPECT_EQ(Texts(ColumnsPage(sheet)),
              (std::vector<std::string>{kColumnsPagePicture,
                                        "Welche Spalten sollen bei der Ausgabe der Traces sichtbar sein?",
                                        "Prozessname", "Datum", "Uhrzeit", "Ausgabewert"}));
    EXPECT_EQ(person::ChooseTab(&sheet, 1), "");
    EXPECT_EQ(Texts(ColoursPage(sheet)),
              (std::vector<std::string>{
                  "Vergeben Sie Farben, in denen die Ausgabe der entsprechenden IDs dargestellt werden sollen.", "ID:",
                  "", "Farbe:", "", "&Auswahl...", kColoursPagePicture}));
    EXPECT_EQ(Items(ColoursPage(sheet)->m_IdList), ChannelTexts());
    EXPECT_EQ(person::ChooseTab(&sheet, 2), "");
    EXPECT_EQ(Texts(MediaPage(sheet)),
              (std::vector<std::string>{kMediaPagePicture,
                                        "Auf welchen Ausgabemedien sollen die Traces ausgegeben werden?", "", "IDs",
                                        "&Bildschirm", "&Drucker", "D&atei", "c:\\Trace.txt", "Durchsuchen..."}));
    EXPECT_EQ(MediaPage(sheet)->GetDefID(), IDC_BROWSE);
    EXPECT_EQ(Items(MediaPage(sheet)->m_IdList), ChannelTexts());
  });
}

TEST_F(OptionDialogs, OkAtOnceLeavesEverySettingAsItWas) {
  app->Channel(7).Color = 0x123456;
  app->Channel(7).Medium = 0xF3;  // bits the page does not know
  app->Channel(7).File = "D:\\logs\\seven.txt";
  app->Uhrzeit = 0;
  std::vector<TraceIdSettings> before(app->IdSettings, app->IdSettings + 30);
  RunSheet([](COptionenSheet&) {});
  EXPECT_EQ(app->Uhrzeit, 0);
  EXPECT_EQ(app->Name + app->Datum + app->Ausgabewert, 3);
  for (int n = 1; n <= 30; ++n) {
    EXPECT_EQ(app->Channel(n).Color, before[n - 1].Color) << n;
    EXPECT_EQ(app->Channel(n).Medium, before[n - 1].Medium) << n;
    EXPECT_EQ(app->Channel(n).File, before[n - 1].File) << n;
  }
}

// The page shows and changes the three bits it knows; the others a channel
// holds (stored by another program, or sent by a client) go back with it.
TEST_F(OptionDialogs, TheMediaPageKeepsTheBitsItDoesNotKnow) {
  const struct {
    std::uint32_t stored;
    bool clickBildschirm;
    std::uint32_t back;
  } cases[] = {
      {99, false, 99},  // 0x63: window, printer and two unknown bits
      {0xFFFFFFFF, false, 0xFFFFFFFF},
      {0x80000004, false, 0x80000004},
      {99, true, 98},
      {0x80000004, true, 0x80000005},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored) + (c.clickBildschirm ? " Bildschirm clicked" : ""));
    app->Channel(1).Medium = c.stored;
    app->Channel(2).Medium = c.stored;
    RunSheet([&](COptionenSheet& sheet) {
      EXPECT_EQ(person::ChooseTab(&sheet, 2), "");
      CDlgMedium* page = MediaPage(sheet);
      if (c.clickBildschirm) {
        EXPECT_EQ(person::Click(page->GetDlgItem(IDC_BILDSCHIRM)), "");
      }
      // Channel 2 visited and left unchanged: stored when channel 1 is selected again.
      EXPECT_EQ(person::Select(&page->m_IdList, 1), "");
      EXPECT_EQ(person::Select(&page->m_IdList, 0), "");
    });
    EXPECT_EQ(app->Channel(1).Medium, c.back);
    EXPECT_EQ(app->Channel(2).Medium, c.stored);
  }
}

TEST_F(OptionDialogs, TheColumnPageWritesItsFourChecksBackOnOkOnly) {
  for (const bool ok : {false, true}) {
    RunSheet(
        [](COptionenSheet& sheet) {
          for (afx::UINT id : {IDC_PROZESSNAME, IDC_AUSGABEWERT}) {
            EXPECT_EQ(person::Click(Control<afx::CButton>(ColumnsPage(sheet), id)), "");
          }
        },
        ok ? Ending::kOk : Ending::kCancel);
    EXPECT_EQ((std::vector<int>{app->Name, app->Datum, app->Uhrzeit, app->Ausgabewert}),
              ok ? (std::vector<int>{0, 1, 1, 0}) : (std::vector<int>{1, 1, 1, 1}));
  }
  EXPECT_EQ(Titles(), (std::vector<std::string>{"Datum", "Uhrzeit"}));
}

TEST_F(OptionDialogs, TheMediaPageStoresAChannelWhenAnotherIsSelectedOrAtOk) {
  app->Channel(5).Medium = 1;
  app->Channel(5).File = "c:\\Trace.txt";
  app->Channel(6).Medium = 2;  // the printer bit, shown ticked in the disabled box
  app->Channel(6).File = "/tmp/six.txt";
  RunSheet([&](COptionenSheet& sheet) {
    EXPECT_EQ(person::ChooseTab(&sheet, 2), "");
    CDlgMedium* page = MediaPage(sheet);
    EXPECT_FALSE(page->m_FileEdit.IsWindowEnabled());
    EXPECT_FALSE(page->m_Browse.IsWindowEnabled());
    EXPECT_EQ(person::Select(&page->m_IdList, 4), "");
    EXPECT_EQ(page->m_FileEdit.GetWindowText(), "c:\\Trace.txt");  // shown though disabled
    EXPECT_NE(person::Type(&page->m_FileEdit, "x"), "");
    EXPECT_EQ(person::Click(page->GetDlgItem(IDC_DATEI)), "");
    EXPECT_TRUE(page->m_FileEdit.IsWindowEnabled());
    EXPECT_TRUE(page->m_Browse.IsWindowEnabled());
    EXPECT_EQ(person::Type(&page->m_FileEdit, "fuenf.txt"), "");
    EXPECT_EQ(person::Select(&page->m_IdList, 5), "");
    EXPECT_FALSE(page->m_FileEdit.IsWindowEnabled());
    EXPECT_EQ(page->m_FileEdit.GetWindowText(), "/tmp/six.txt");
    EXPECT_EQ(Control<afx::CButton>(page, IDC_DRUCKER)->GetCheck(), 1);
    EXPECT_NE(person::Click(page->GetDlgItem(IDC_DRUCKER)), "");  // disabled: cannot change
    EXPECT_EQ(Control<afx::CButton>(page, IDC_BILDSCHIRM)->GetCheck(), 0);
    // Back to channel 5: what was typed is there.
    EXPECT_EQ(person::Select(&page->m_IdList, 4), "");
    EXPECT_EQ(page->m_FileEdit.GetWindowText(), "fuenf.txt");
    EXPECT_EQ(person::Click(page->GetDlgItem(IDC_BILDSCHIRM)), "");
  });
  EXPECT_EQ(app->Channel(5).Medium, 4u);  // stored at OK
  EXPECT_EQ(app->Channel(5).File, "fuenf.txt");
  EXPECT_EQ(app->Channel(6).Medium, 2u);
  EXPECT_EQ(app->Channel(6).File, "/tmp/six.txt");
}

TEST_F(OptionDialogs, BrowsingStartsAtTheFileADriveLetterNameMeansAndTakesTheChosenPath) {
  app->Channel(1).Medium = 5;
  app->Channel(1).File = "c:\\logs\\one.txt";
  RunSheet([&](COptionenSheet& sheet) {
    EXPECT_EQ(person::ChooseTab(&sheet, 2), "");
    CDlgMedium* page = MediaPage(sheet);
    ui.ExpectOpenDialog(std::nullopt);
    EXPECT_EQ(person::Click(&page->m_Browse), "");
    EXPECT_EQ(page->m_FileEdit.GetWindowText(), "c:\\logs\\one.txt");
    ui.ExpectOpenDialog("/tmp/chosen.txt");
    EXPECT_EQ(person::Click(&page->m_Browse), "");
    EXPECT_EQ(page->m_FileEdit.GetWindowText(), "/tmp/chosen.txt");
  });
  EXPECT_EQ(app->Channel(1).File, "/tmp/chosen.txt");
  EXPECT_EQ(app->Channel(1).Medium, 5u);
  ASSERT_EQ(ui.Dialogs().size(), 2u);
  const plat::testing::DialogRecord& r = ui.Dialogs()[0];
  EXPECT_EQ(r.kind, plat::testing::DialogKind::Open);
  EXPECT_EQ(r.defaultExt, "txt");
  EXPECT_EQ(r.filter, "*.*|*.*");
  // It starts at the file the stored name stands for, where its traces go.
  EXPECT_EQ(r.fileName, dir.path() + "/c/logs/one.txt");
  EXPECT_EQ(ui.Dialogs()[1].fileName, dir.path() + "/c/logs/one.txt");
  EXPECT_TRUE(r.options.Contains(plat::ofHideReadOnly));
  EXPECT_TRUE(r.options.Contains(plat::ofOverwritePrompt));
}

TEST_F(OptionDialogs, AChosenColourReachesTheChannelOnlyThroughOk) {
  app->Channel(3).Color = 0x000080;
  auto choose = [&](std::optional<plat::TColor> answer) {
    return [this, answer](COptionenSheet& sheet) {
      EXPECT_EQ(person::ChooseTab(&sheet, 1), "");
      CDlgSpalten* page = ColoursPage(sheet);
      // The swatch shows channel 1 first.
      const auto& first = page->m_Swatch.Surface()->Operations();
      ASSERT_FALSE(first.empty());
      EXPECT_EQ(first.back().brush.color, 0u);
      EXPECT_EQ(person::Select(&page->m_IdList, 2), "");
      EXPECT_EQ(page->m_Swatch.Surface()->Operations().back().brush.color, 0x000080u);
      ui.ExpectColorDialog(answer);
      EXPECT_EQ(person::Click(page->GetDlgItem(IDC_CHOOSE_COLOR)), "");
      const plat::CanvasOp& op = page->m_Swatch.Surface()->Operations().back();
      EXPECT_EQ(op.brush.color, answer.value_or(0x000080u));
      // The client rectangle with its left and top edges moved in by 2.
      afx::RECT client;
      page->m_Swatch.GetClientRect(client);
      EXPECT_EQ(op.rect, plat::Rect(2, 2, client.right, client.bottom));
      EXPECT_EQ(page->m_Swatch.Surface()->Operations().size(), 1u);
    };
  };
  RunSheet(choose(0x00FF00), Ending::kCancel);
  EXPECT_EQ(app->Channel(3).Color, 0x000080u);
  RunSheet(choose(std::nullopt));  // the colour dialog cancelled: the old colour again
  EXPECT_EQ(app->Channel(3).Color, 0x000080u);
  Doc()->Trace(3, "p", "d", "t", "x");
  RunSheet(choose(0x00FF00));
  EXPECT_EQ(app->Channel(3).Color, 0x00FF00u);
  EXPECT_EQ(List().ItemLook(List().BeginPaint(), 0).text, 0x00FF00u);
}

// The swatch, the colour dialog and the list's rows show a channel's colour
// alike: its low three bytes, whatever stands above them.
TEST_F(OptionDialogs, TheColourDialogStartsAtTheColourTheSwatchShows) {
  app->Channel(1).Color = 0xFF000005;  // above the three bytes: a system colour's code
  RunSheet([&](COptionenSheet& sheet) {
    EXPECT_EQ(person::ChooseTab(&sheet, 1), "");
    CDlgSpalten* page = ColoursPage(sheet);
    EXPECT_EQ(page->m_Swatch.Surface()->Operations().back().brush.color, 0x000005u);
    ui.ExpectColorDialog(std::nullopt);
    EXPECT_EQ(person::Click(page->GetDlgItem(IDC_CHOOSE_COLOR)), "");
  });
  ASSERT_EQ(ui.Dialogs().size(), 1u);
  EXPECT_EQ(ui.Dialogs()[0].color, 0x000005u);
  EXPECT_EQ(app->Channel(1).Color, 0xFF000005u);
}

TEST_F(OptionDialogs, APageNeverShownGivesItsCopiesBackUnchanged) {
  app->Channel(9).Color = 0xABCDEF;
  app->Channel(9).Medium = 3;
  RunSheet([](COptionenSheet& sheet) {
    EXPECT_EQ(person::Click(Control<afx::CButton>(ColumnsPage(sheet), IDC_UHRZEIT)), "");
    EXPECT_FALSE(ColoursPage(sheet)->WasMade());
  });
  EXPECT_EQ(app->Uhrzeit, 0);
  EXPECT_EQ(app->Channel(9).Color, 0xABCDEFu);
  EXPECT_EQ(app->Channel(9).Medium, 3u);
}

TEST_F(OptionDialogs, HelpInTheSheetAsksForTheApplicationsTopicAndTheClassesForTheirOwn) {
  RunSheet(
      [&](COptionenSheet& sheet) {
        EXPECT_EQ(person::Click(sheet.GetDlgItem(afx::IDHELP)), "");
        person::PressKey(Control<afx::CButton>(ColumnsPage(sheet), IDC_DATUM), afx::VK_F1);
        person::PressKey(&sheet, afx::VK_F1, afx::FCONTROL);  // default processing: nothing
        EXPECT_EQ(opened, (std::vector<std::string>{"1.html", "1.html"}));
        opened.clear();
        sheet.WinHelp(99);
        EXPECT_EQ(opened, (std::vector<std::string>{"6.html"}));
        opened.clear();
        ColumnsPage(sheet)->WinHelp(12);
        EXPECT_EQ(opened, (std::vector<std::string>{"13.html", "12.html"}));
        person::PressKey(&sheet, afx::VK_ESCAPE);
      },
      Ending::kNone);
}

TEST_F(OptionDialogs, MissingHelpIsSaidNeverSilent) {
  std::filesystem::remove(helpDir + "/12.html");
  Display([&](CDlgAnzeige& dlg) {
    ui.ExpectBox("Zu diesem Thema (12) ist keine Hilfe installiert.\n\nDie Hilfeseite wird hier erwartet:\n" + helpDir +
                 "/12.html")
        .Caption("Lorvex");
    EXPECT_EQ(person::Click(dlg.GetDlgItem(afx::IDHELP)), "");
    EXPECT_EQ(person::Click(dlg.GetDlgItem(afx::IDCANCEL)), "");
  });
  EXPECT_TRUE(opened.empty());
}

}  // namespace
