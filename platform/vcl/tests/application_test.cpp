// The application loop in virtual time: timers, modal loops, scripted boxes,
// the exception box, forms' creation, showing and closing, shortcuts.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/exception.h"
#include "platform/program_path.h"
#include "platform/vcl/testing.h"

namespace {

using namespace vcl;
using namespace plat::testing;

class UiTest : public ::testing::Test {
 protected:
  Session ui;
};

// ---------------------------------------------------------------- timers
struct TimerLog {
  std::vector<std::pair<std::string, std::uint64_t>> ticks;
  TTimer* Make(TComponent* owner, const std::string& name, unsigned interval) {
    TTimer* t = Create<TTimer>(owner, name);
    t->Enabled = false;
    t->Interval = interval;
    t->OnTimer = [this, name](TObject*) { ticks.emplace_back(name, plat::CurrentClock().NowMs()); };
    return t;
  }
  std::vector<std::uint64_t> TimesOf(const std::string& name) const {
    std::vector<std::uint64_t> out;
    for (const auto& [n, t] : ticks) {
      if (n == name) out.push_back(t);
    }
    return out;
  }
};

TEST_F(UiTest, TimerRestartsItsPeriodWhenEnabledOrWhenItsIntervalChanges) {
  TimerLog log;
  TTimer* t = log.Make(&ui.App(), "t", 100);
  t->Enabled = true;
  Advance(250);  // 100, 200
  t->Enabled = false;
  t->Enabled = true;  // restart at 250
  Advance(100);       // 350
  t->Interval = 100;  // the same interval: no restart
  Advance(50);
  t->Interval = 300;  // restart at 400
  Advance(400);       // 700
  t->Enabled = true;  // already enabled: no restart
  Advance(300);       // 1000
  EXPECT_EQ(log.TimesOf("t"), (std::vector<std::uint64_t>{100, 200, 350, 700, 1000}));
}

TEST_F(UiTest, LateTimerFiresOnceAndRearmsFromThatTick) {
  TimerLog log;
  log.Make(&ui.App(), "t", 100)->Enabled = true;
  plat::Sleep(1000);  // the window thread is busy for a second
  ui.App().Idle();
  Advance(100);
  EXPECT_EQ(log.TimesOf("t"), (std::vector<std::uint64_t>{1000, 1100}));
}

TEST_F(UiTest, DueTimersFireInTimeOrderThenInCreationOrder) {
  TimerLog log;
  TTimer* slow = log.Make(&ui.App(), "slow", 300);
  TTimer* first = log.Make(&ui.App(), "first", 100);
  TTimer* second = log.Make(&ui.App(), "second", 100);
  second->Enabled = true;  // enabled first, created last
  first->Enabled = true;
  slow->Enabled = true;
  plat::Sleep(1000);
  ui.App().Idle();
  std::vector<std::string> order;
  for (const auto& [name, at] : log.ticks) order.push_back(name);
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "slow"}));
}

TEST_F(UiTest, TimersKeepFiringWhileATimerHandlerHasABoxOpen) {
  TimerLog log;
  TTimer* other = log.Make(&ui.App(), "other", 100);
  TTimer* boxer = Create<TTimer>(&ui.App(), "boxer");
  boxer->Interval = 250;
  int boxes = 0;
  boxer->OnTimer = [&](TObject*) {
    boxer->Enabled = false;  // as the programs' handlers do, first
    ++boxes;
    MessageBox(nullptr, "Working", "Kestrum", MB_OK);
    boxer->Enabled = true;
  };
  other->Enabled = true;
  ExpectBox("Working").While([] { Advance(500); });
  ExpectBox("Working");
  Advance(300);
  // The box opened at 250 and stayed open until 750; "other" ticked inside it.
  EXPECT_EQ(log.TimesOf("other"), (std::vector<std::uint64_t>{100, 200, 300, 400, 500, 600, 700}));
  Advance(250);  // the re-enabled boxer fires again at 1000
  EXPECT_EQ(boxes, 2);
}

// ---------------------------------------------------------------- forms
class TForm_Dialog : public TForm {
 public:
  explicit TForm_Dialog(TComponent* owner) : TForm(owner) {
    Name = "Form_Dialog";
    Caption = "Dialog";
    BorderStyle = bsDialog;
    Button_OK = Create<TButton>(this, "Button_OK");
    Button_OK->Caption = "OK";
    Button_OK->ModalResult = mrOk;
    Button_OK->OnClick = Method(this, &TForm_Dialog::Button_OKClick);
    Button_Cancel = Create<TBitBtn>(this, "Button_Cancel");
    Button_Cancel->Kind = bkCancel;
    Timer1 = Create<TTimer>(this, "Timer1");
    Timer1->Interval = 100;
    Timer1->OnTimer = [this](TObject*) { ++ticks; };
  }
  void Button_OKClick(TObject*) { resultDuringClick = ModalResult; }
  TButton* Button_OK;
  TBitBtn* Button_Cancel;
  TTimer* Timer1;
  int ticks = 0;
  TModalResult resultDuringClick = -1;
};

class TForm_Main : public TForm {
 public:
  explicit TForm_Main(TComponent* owner) : TForm(owner) {
    Name = "Form_Main";
    Caption = "Main";
    MainMenu = Create<TMainMenu>(this, "MainMenu");
    Menu = MainMenu;
    Debug_Trace = Create<TMenuItem>(this, "Debug_Trace");
    Debug_Trace->Caption = "Debug";
    Debug_Trace->Visible = false;
    Debug_Trace->ShortCut = TextToShortCut("Ctrl+Alt+D");
    Debug_Trace->OnClick = [this](TObject*) { ++debugClicks; };
    MainMenu->Items->Add(Debug_Trace);
    OnCreate = [this](TObject*) { createdAfterCtor = Debug_Trace != nullptr; };
    OnShow = [this](TObject*) { ++shows; };
  }
  TMainMenu* MainMenu;
  TMenuItem* Debug_Trace;
  int debugClicks = 0;
  int shows = 0;
  bool createdAfterCtor = false;
};

TForm_Main* Form_Main = nullptr;
TForm_Dialog* Form_Dialog = nullptr;

TEST_F(UiTest, CreateFormMakesTheFirstFormMainAndRunsOnCreateAfterTheConstructor) {
  Application->Initialize();
  Application->CreateForm(Form_Main);
  Application->CreateForm(Form_Dialog);
  EXPECT_EQ(Application->MainForm, Form_Main);
  EXPECT_TRUE(Form_Main->createdAfterCtor);
  EXPECT_FALSE(Form_Main->Visible);
  EXPECT_EQ(FindForm("form_dialog"), Form_Dialog);
  EXPECT_EQ(Find<TButton>(Form_Dialog, "Button_OK"), Form_Dialog->Button_OK);
}

TEST(Application, GlobalsOfFormsAreClearedWithTheApplication) {
  {
    Session ui;
    Application->CreateForm(Form_Main);
    ASSERT_NE(Form_Main, nullptr);
  }
  EXPECT_EQ(Form_Main, nullptr);
  EXPECT_EQ(Application, nullptr);
}

TEST_F(UiTest, RunShowsTheMainFormAndReturnsWhenItCloses) {
  Application->CreateForm(Form_Main);
  ui.WhenIdle([] {
    EXPECT_TRUE(Form_Main->Visible);
    CloseByWindowManager(Form_Main);
  });
  Application->Run();
  EXPECT_EQ(Form_Main->shows, 1);
  EXPECT_TRUE(Application->Terminated());
}

// The start-up shape of the programs: the main form's first show runs a
// chooser modally and may end the program at once.
class TForm_Chooser : public TForm {
 public:
  explicit TForm_Chooser(TComponent* owner) : TForm(owner) {
    Name = "Form_SelectHardware";
    BorderIcons = TBorderIcons(biMinimize) | biMaximize;
    FormStyle = fsStayOnTop;
    SpeedButton_PCI = Create<TSpeedButton>(this, "SpeedButton_PCI");
    SpeedButton_PCI->OnClick = [this](TObject*) {
      kind = 1;
      Close();
    };
  }
  TSpeedButton* SpeedButton_PCI;
  int kind = 0;
};
TForm_Chooser* Form_SelectHardware = nullptr;

TEST_F(UiTest, FirstShowRunsAChooserModallyAndCanEndTheProgram) {
  Application->CreateForm(Form_Main);
  Application->CreateForm(Form_SelectHardware);
  Form_Main->OnShow = [](TObject*) {
    Form_SelectHardware->ShowModal();
    if (Form_SelectHardware->kind == 1) {
      ShowMessage("Calvory.dll not exist!!");
      Form_Main->Close();
    }
  };
  ExpectModal("Form_SelectHardware", [](TForm& f) { Click(Find<TSpeedButton>(&f, "SpeedButton_PCI")); });
  ExpectBox("Calvory.dll not exist!!").Kind(plat::BoxKind::ShowMessage);
  Application->Run();  // returns without waiting: the main form closed in its first show
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(Form_Main->Visible);
}

TEST_F(UiTest, ModalLoopKeepsTimersRunningAndDisablesTheOtherWindows) {
  Application->CreateForm(Form_Main);
  Application->CreateForm(Form_Dialog);
  Form_Main->Show();
  Form_Dialog->Timer1->Enabled = true;
  ExpectModal("Form_Dialog", [](TForm& f) {
    EXPECT_TRUE(f.IsModal());
    EXPECT_FALSE(Form_Main->Enabled);
    Advance(350);
    Click(Form_Dialog->Button_OK);
  });
  EXPECT_EQ(Form_Dialog->ShowModal(), mrOk);
  EXPECT_EQ(Form_Dialog->ticks, 3);
  EXPECT_EQ(Form_Dialog->resultDuringClick, mrNone) << "ModalResult is set after OnClick";
  EXPECT_FALSE(Form_Dialog->Visible);
  EXPECT_TRUE(Form_Main->Enabled);
}

TEST_F(UiTest, ClosingAModalFormCancelsItUnlessItRefuses) {
  Application->CreateForm(Form_Dialog);
  int queries = 0;
  Form_Dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
  ExpectModal("Form_Dialog", [](TForm& f) { CloseByWindowManager(&f); });
  ExpectModal("Form_Dialog", [](TForm& f) {
    EXPECT_TRUE(f.Visible) << "the first close was refused";
    PressEscape(&f);  // the Cancel button
  });
  EXPECT_EQ(Form_Dialog->ShowModal(), mrCancel);
  EXPECT_EQ(queries, 2);
}

TEST_F(UiTest, AModalFormNobodyExpectedFailsTheTestAndIsCancelled) {
  Application->CreateForm(Form_Dialog);
  static int result;
  EXPECT_NONFATAL_FAILURE(result = Form_Dialog->ShowModal(), "unexpected modal form Form_Dialog");
  EXPECT_EQ(result, mrCancel);
}

TEST_F(UiTest, ShortcutOfAHiddenMenuItemClicksItOnlyWhileEnabled) {
  Application->CreateForm(Form_Main);
  Form_Main->Show();
  PressKeys(Form_Main, "Ctrl+Alt+D");
  EXPECT_EQ(Form_Main->debugClicks, 1);
  PressKeys(Form_Main, "Ctrl+D");
  EXPECT_EQ(Form_Main->debugClicks, 1);
  Form_Main->Debug_Trace->Enabled = false;
  PressKeys(Form_Main, "Ctrl+Alt+D");
  EXPECT_EQ(Form_Main->debugClicks, 1);
  EXPECT_NE(person::ChooseMenu(Form_Main->Debug_Trace), "") << "a hidden item cannot be chosen from the menu";
}

TEST_F(UiTest, EscapeClicksOnlyAnEnabledCancelButtonAndNeverClosesOtherwise) {
  Application->CreateForm(Form_Main);
  Application->CreateForm(Form_Dialog);
  Form_Main->Show();
  PressEscape(Form_Main);  // no Cancel button
  EXPECT_TRUE(Form_Main->Visible);
  EXPECT_FALSE(Application->Terminated());

  Form_Dialog->Button_Cancel->Enabled = false;
  ExpectModal("Form_Dialog", [](TForm& f) {
    PressEscape(&f);
    EXPECT_EQ(f.ModalResult, mrNone);
    Click(Form_Dialog->Button_OK);
  });
  EXPECT_EQ(Form_Dialog->ShowModal(), mrOk);
}

TEST(ShortCuts, TextAndValuesConvertBothWays) {
  struct Case {
    const char* text;
    TShortCut value;
  } cases[] = {{"Ctrl+Alt+D", scCtrl | scAlt | 'D'}, {"Esc", VK_ESCAPE},       {"F6", 0x75},
               {"Shift+F6", scShift | 0x75},          {"Ctrl+N", scCtrl | 'N'}, {"Shift+Del", scShift | VK_DELETE},
               {"Ctrl+", 0},                           {"Hyper+X", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(TextToShortCut(c.text), c.value) << c.text;
    if (c.value) {
      EXPECT_EQ(TextToShortCut(ShortCutToText(c.value)), c.value) << c.text;
    }
  }
}

TEST_F(UiTest, MainFormThatRefusesToCloseKeepsTheApplicationRunning) {
  Application->CreateForm(Form_Main);
  Form_Main->Show();
  Form_Main->OnCloseQuery = [](TObject*, bool& can) { can = false; };
  CloseByWindowManager(Form_Main);
  EXPECT_TRUE(Form_Main->Visible);
  EXPECT_FALSE(Application->Terminated());
  Form_Main->OnCloseQuery = nullptr;
  Form_Main->Close();
  EXPECT_TRUE(Application->Terminated());
}

// ---------------------------------------------------------------- boxes
TEST_F(UiTest, ScriptedBoxesAnswerInOrderAndAreRecorded) {
  Application->CreateForm(Form_Main);
  ExpectBox("This will clear all information in EEPROM. \nDo you really do it?")
      .Caption("Kestrum")
      .Flags(MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST)
      .Owner("Form_Main")
      .Answer(IDNO);
  ExpectBox("Done");
  EXPECT_EQ(MessageBox(Form_Main, "This will clear all information in EEPROM. \nDo you really do it?", "Kestrum",
                       MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST),
            IDNO);
  EXPECT_EQ(MessageBox(nullptr, "Done", "Kestrum", MB_OK), IDOK);
  ASSERT_EQ(ui.Boxes().size(), 2u);
  EXPECT_EQ(ui.Boxes()[0].owner, "Form_Main");
  EXPECT_EQ(ui.Boxes()[1].owner, "");
}

TEST_F(UiTest, UnexpectedBoxFailsTheTestAndGetsTheSafeAnswer) {
  static int answer;
  EXPECT_NONFATAL_FAILURE(answer = MessageBox(nullptr, "Clear everything?", "Kestrum", MB_YESNO),
                          "unexpected message box [Kestrum] \"Clear everything?\"");
  EXPECT_EQ(answer, IDNO);
  ExpectBox("Second");
  EXPECT_NONFATAL_FAILURE(answer = MessageBox(nullptr, "First", "Kestrum", MB_OKCANCEL),
                          "the next expected box is \"Second\"");
  EXPECT_EQ(answer, IDCANCEL);
  MessageBox(nullptr, "Second", "Kestrum", MB_OK);
}

TEST_F(UiTest, ScriptAnsweringAButtonTheBoxLacksFails) {
  ExpectBox("Saved").Answer(IDYES);
  EXPECT_NONFATAL_FAILURE(MessageBox(nullptr, "Saved", "Kestrum", MB_OK), "offers no such button");
}

TEST(Application, ExpectedBoxNeverShownFailsAtTheEndOfTheSession) {
  EXPECT_NONFATAL_FAILURE(
      {
        Session ui;
        ui.ExpectBox("Device 5 has been added successfully.");
      },
      "expected box never shown: \"Device 5 has been added successfully.\"");
}

TEST_F(UiTest, ShowMessageIsThePlainBoxCaptionedWithTheTitle) {
  Application->Title = "Kestrum";
  ExpectBox("Calvory.dll not exist!!").Kind(plat::BoxKind::ShowMessage).Caption("Kestrum").Flags(MB_OK);
  ShowMessage("Calvory.dll not exist!!");
}

TEST_F(UiTest, TitleDefaultsToTheProgramName) {
  EXPECT_EQ(Application->Title(), plat::ProgramName());
  EXPECT_EQ(Application->ExeName(), plat::ProgramFile());
}

// ---------------------------------------------------------------- the exception box
struct ExceptionCase {
  const char* name;
  std::function<void()> thrower;
  const char* shown;
};

TEST_F(UiTest, ExceptionEscapingAHandlerIsShownAndTheLoopGoesOn) {
  const ExceptionCase cases[] = {
      {"conversion", [] { throw plat::EConvertError("'abc' is not a valid integer value"); },
       "'abc' is not a valid integer value."},
      {"ends in a period", [] { throw plat::Exception("Stopped."); }, "Stopped."},
      {"ends below the period", [] { throw plat::Exception("Stop!"); }, "Stop!"},
      {"ends above the period", [] { throw plat::Exception("Why?"); }, "Why?."},
      {"empty", [] { throw plat::Exception(""); }, ""},
      {"standard", [] { throw std::runtime_error("boom"); }, "boom."},
      {"not an exception", [] { throw 42; }, ""},
  };
  Application->CreateForm(Form_Main);
  Application->Title = "Quenmark";
  Form_Main->Show();
  TButton* button = Create<TButton>(Form_Main, "Button_Throw");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    button->OnClick = [&c](TObject*) { c.thrower(); };
    ExpectBox(c.shown).Kind(plat::BoxKind::Exception).Caption("Quenmark").Flags(MB_OK | MB_ICONERROR);
    Click(button);
  }
  // Timer handlers and posted events are wrapped the same way.
  TTimer* timer = Create<TTimer>(Form_Main, "Timer_Throw");
  timer->Interval = 10;
  timer->OnTimer = [timer](TObject*) {
    timer->Enabled = false;
    throw plat::Exception("tick");
  };
  ExpectBox("tick.");
  Advance(10);
  Application->Post([] { throw plat::Exception("posted"); });
  ExpectBox("posted.");
  Application->ProcessMessages();
}

TEST_F(UiTest, HandleExceptionShowsWhatWasCaught) {
  ExpectBox("").Kind(plat::BoxKind::Exception);
  try {
    throw "a plain text";
  } catch (...) {
    Application->HandleException();
  }
}

// ---------------------------------------------------------------- dialogs
TEST_F(UiTest, FileDialogsAnswerByScriptAndAddTheDefaultExtension) {
  Application->CreateForm(Form_Main);
  TSaveDialog* save = Create<TSaveDialog>(Form_Main, "SaveDialog_EEPROM");
  save->Title = "Save the Information of EEPROM";
  save->Filter = "EEP File|*.EEP";
  save->DefaultExt = "EEP";
  save->Options = TOpenOptions(ofOverwritePrompt) | ofHideReadOnly | ofEnableSizing;
  TOpenDialog* open = Create<TOpenDialog>(Form_Main, "OpenDialog_EEPROM");

  ui.ExpectSaveDialog("/tmp/scan");
  ASSERT_TRUE(save->Execute());
  EXPECT_EQ(save->FileName(), "/tmp/scan.EEP");
  ui.ExpectSaveDialog("/tmp/dir.v2/scan.txt");
  ASSERT_TRUE(save->Execute());
  EXPECT_EQ(save->FileName(), "/tmp/dir.v2/scan.txt");
  ui.ExpectOpenDialog(std::nullopt);
  EXPECT_FALSE(open->Execute());
  ASSERT_EQ(ui.Dialogs().size(), 3u);
  EXPECT_EQ(ui.Dialogs()[0].title, "Save the Information of EEPROM");
  EXPECT_EQ(ui.Dialogs()[0].filter, "EEP File|*.EEP");
  EXPECT_TRUE(ui.Dialogs()[0].options.Contains(ofOverwritePrompt));
  EXPECT_NONFATAL_FAILURE(open->Execute(), "unexpected open dialog OpenDialog_EEPROM");

  TColorDialog* color = Create<TColorDialog>(Form_Main, "ColorDialog1");
  ui.ExpectColorDialog(clTeal);
  ASSERT_TRUE(color->Execute());
  EXPECT_EQ(color->Color(), clTeal);
}

// ---------------------------------------------------------------- fd watches, messages, dirt
TEST_F(UiTest, FdWatchRunsOnTheWindowThreadWhenReadable) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string got;
  const int id = Application->AddFdWatch(fds[0], [&] {
    char buf[16];
    const auto n = read(fds[0], buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  });
  ui.App().Idle();
  EXPECT_EQ(got, "");
  ASSERT_EQ(write(fds[1], "dgram", 5), 5);
  ui.App().Idle();
  EXPECT_EQ(got, "dgram");
  Application->RemoveFdWatch(id);
  ASSERT_EQ(write(fds[1], "x", 1), 1);
  ui.App().Idle();
  EXPECT_EQ(got, "dgram");
  close(fds[0]);
  close(fds[1]);
}

TEST_F(UiTest, RegisteredMessagesHaveOneIdPerNameAndHandlersChainNewestFirst) {
  const auto a = plat::RegisterWindowMessage("WM_TRACE_STRING");
  EXPECT_GE(a, plat::kFirstRegisteredMessage);
  EXPECT_EQ(plat::RegisterWindowMessage("wm_trace_string"), a);
  EXPECT_NE(plat::RegisterWindowMessage("WM_TRACE_STOP"), a);

  TPanel* panel = Create<TPanel>(&ui.App(), "Panel1");
  std::vector<std::string> seen;
  panel->AddMessageHandler([&](plat::Window&, plat::Message& m) {
    seen.push_back("old");
    m.result = 7;
    return m.msg == a;
  });
  const int newer = panel->AddMessageHandler([&](plat::Window&, plat::Message& m) {
    seen.push_back("new");
    return m.msg == plat::WM_USER;
  });
  EXPECT_EQ(panel->SendMessage(a), 7);
  EXPECT_EQ(panel->SendMessage(plat::WM_USER), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"new", "old", "new"}));
  panel->RemoveMessageHandler(newer);
  seen.clear();
  panel->PostMessage(a);
  EXPECT_TRUE(seen.empty());
  ui.App().Idle();
  EXPECT_EQ(seen, std::vector<std::string>{"old"});
  const std::uint64_t id = panel->Id();
  panel->PostMessage(a);
  panel->Free();
  EXPECT_EQ(plat::Component::FromId(id), nullptr);
  ui.App().Idle();  // the message to the freed panel is dropped
}

TEST_F(UiTest, AHandlerThatDestroysItsWindowEndsTheMessage) {
  // Newest first: the one that frees the panel runs before the older one.
  for (const int handlers : {2, 12}) {  // a few, and more than are kept without an allocation
    SCOPED_TRACE(handlers);
    TPanel* panel = Create<TPanel>(&ui.App(), "Panel1");
    int older = 0;
    for (int i = 1; i < handlers; ++i) {
      panel->AddMessageHandler([&](plat::Window&, plat::Message&) {
        ++older;
        return false;
      });
    }
    panel->AddMessageHandler([](plat::Window& w, plat::Message& m) {
      m.result = 5;
      dynamic_cast<TPanel&>(w).Free();
      return false;  // not handled - yet the window is gone
    });
    const std::uint64_t id = panel->Id();
    EXPECT_EQ(panel->SendMessage(plat::WM_USER), 5);
    EXPECT_EQ(plat::Component::FromId(id), nullptr);
    EXPECT_EQ(older, 0) << "handlers of a destroyed window ran";
  }
}

TEST_F(UiTest, PropertyChangesMarkComponentsDirtyForTheBackend) {
  Application->CreateForm(Form_Main);
  TEdit* edit = Create<TEdit>(Form_Main, "Edit_FirmwareVer");
  ui.App().TakeDirty();
  edit->ClearDirty();
  edit->Text = "*******";
  edit->Color = clRed;
  const int before = ui.ComponentsChangedCalls();
  edit->Update();  // shown at once, not only when the loop comes round
  EXPECT_EQ(ui.ComponentsChangedCalls(), before + 1);
  ui.App().Idle();
  EXPECT_EQ(ui.ComponentsChangedCalls(), before + 1) << "nothing new to tell";
  const auto dirty = ui.App().TakeDirty();
  ASSERT_EQ(dirty.size(), 1u);
  EXPECT_EQ(dirty[0], edit);
  EXPECT_EQ(edit->DirtyFlags(), plat::dfText | plat::dfAppearance);
  edit->ClearDirty();
  edit->Text = "*******";  // unchanged: not dirty
  EXPECT_EQ(edit->DirtyFlags(), 0u);
}

TEST_F(UiTest, EveryRegisteredClassMakesAComponentOfThatClass) {
  for (const auto& cls : ComponentClasses()) {
    TComponent* c = cls.create(&ui.App());
    EXPECT_STREQ(c->ClassName(), cls.name);
    c->Free();
  }
}

TEST_F(UiTest, FreeRunsOnDestroyAndFreesOwnedComponents) {
  Application->CreateForm(Form_Dialog);
  bool destroyed = false;
  Form_Dialog->OnDestroy = [&](TObject*) { destroyed = Form_Dialog->Button_OK != nullptr; };
  const auto buttonId = Form_Dialog->Button_OK->Id();
  Form_Dialog->Free();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(plat::Component::FromId(buttonId), nullptr);
  Form_Dialog = nullptr;
}

TEST_F(UiTest, ScreenCursorIsAPropertyOfTheScreen) {
  EXPECT_EQ(Screen->Cursor(), crDefault);
  Screen->Cursor = crHourGlass;
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  EXPECT_EQ(Screen->Width, 1920);
}

}  // namespace
