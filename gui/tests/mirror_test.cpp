// The backend shows every component class, and what the core says about a
// component reaches its widget.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>
#include <optional>

#include "convert.h"
#include "gui/backend_choice.h"
#include "qt_forms_support.h"
#include "views.h"

namespace {

using namespace vcl;
using gui::testing::QtFixture;

class MirrorTest : public QtFixture {};

TEST_F(MirrorTest, EveryClassOfTheRegistryHasItsOwnRendering) {
  auto* host = Create<TForm>(&ui.App(), "Form_Host");
  for (const ComponentClass& cls : ComponentClasses()) {
    TComponent* c = cls.create(host);
    const gui::Rendering* r = gui::RenderingFor(*c);
    ASSERT_TRUE(r) << cls.name;
    // A class that falls through to a base's rendering has none of its own.
    EXPECT_STREQ(r->className, cls.name);
    Flush();
    EXPECT_TRUE(backend->FindView(c->Id())) << cls.name << " was not mirrored";
    const std::uint64_t id = c->Id();
    c->Free();
    Flush();
    EXPECT_FALSE(backend->FindView(id)) << cls.name << " outlived its component";
  }
}

// 0x00BBGGRR, red in the low byte: the order QColor(0xRRGGBB) reads backwards.
TEST(ColourTest, CoreColoursBecomeTheirRgb) {
  struct Case {
    plat::TColor core;
    QColor qt;
  };
  const Case cases[] = {
      {plat::clRed, QColor(255, 0, 0)},
      {plat::clBlue, QColor(0, 0, 255)},
      {plat::clTeal, QColor(0, 128, 128)},
      {plat::Rgb(0xFF, 0x80, 0x00), QColor(255, 128, 0)},
      {plat::clMoneyGreen, QColor(192, 220, 192)},
      {plat::clBtnFace, gui::ToQColor(plat::ResolveColor(plat::clBtnFace))},
      {plat::clInfoBk, QColor(255, 255, 225)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gui::ToQColor(c.core), c.qt) << std::hex << c.core;
    EXPECT_EQ(gui::FromQColor(c.qt), plat::ResolveColor(c.core)) << std::hex << c.core;
  }
}

TEST(ShortcutTest, ShortcutsBecomeKeySequences) {
  struct Case {
    const char* text;
    QKeySequence seq;
  };
  const Case cases[] = {
      {"Ctrl+Alt+D", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D)},
      {"F6", QKeySequence(Qt::Key_F6)},
      {"Shift+Del", QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
      {"Esc", QKeySequence(Qt::Key_Escape)},
      {"Ctrl+5", QKeySequence(Qt::CTRL | Qt::Key_5)},
  };
  for (const Case& c : cases) EXPECT_EQ(gui::ToKeySequence(TextToShortCut(c.text)), c.seq) << c.text;
}

TEST(FilterTest, PatternsMatchTheirExtensionInEitherCase) {
  struct Case {
    const char* filter;
    QStringList want;
  };
  const Case cases[] = {
      {"EEP File|*.EEP", {"EEP File (*.[Ee][Ee][Pp])"}},
      {"Text|*.txt;*.log|All files|*.*", {"Text (*.[Tt][Xx][Tt] *.[Ll][Oo][Gg])", "All files (*)"}},
      {"", {}},
      {"Dangling description", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(gui::ToNameFilters(c.filter), c.want) << c.filter;
}

TEST(MnemonicTest, LabelsShowNoMnemonicMarks) {
  EXPECT_EQ(gui::WithoutMnemonic("&Board"), "Board");
  EXPECT_EQ(gui::WithoutMnemonic("Save && Exit"), "Save & Exit");
  EXPECT_EQ(gui::WithoutMnemonic("Total Boards : "), "Total Boards : ");
}

class DemoTest : public QtFixture {
 protected:
  DemoTest() {
    form = Create<TForm>(&ui.App(), "Form_Demo");
    form->Caption = "Demo V1";
    form->BorderStyle = bsSingle;
    form->BorderIcons = TBorderIcons(biMinimize) | biMaximize;
    form->ClientWidth = 400;
    form->ClientHeight = 300;
    panel = Create<TPanel>(form, "Panel_Info");
    panel->SetBounds(0, 0, 400, 60);
    panel->Color = clTeal;
    panel->Caption = "Devices in EEPROM";
    label = Create<TLabel>(form, "Label_TotalBoards", panel);
    label->Caption = "Total Boards : ";
    label->SetBounds(8, 8, 80, 16);
    label->Font->Color = clRed;
    edit = Create<TEdit>(form, "Edit_TotalBoard", panel);
    edit->SetBounds(100, 8, 60, 21);
    edit->Text = "*******";
    edit->Color = plat::Rgb(0xFF, 0x80, 0x00);
    combo = Create<TComboBox>(form, "ComboBox_ActiveBoardNo", panel);
    combo->Style = csDropDownList;
    combo->Sorted = true;
    combo->SetBounds(170, 8, 60, 21);
    button = Create<TButton>(form, "Button_Refresh");
    button->Caption = "Refresh";
    button->SetBounds(8, 70, 75, 25);
    speed = Create<TSpeedButton>(form, "SpeedButton_Exit");
    speed->Hint = "Exit the utility";
    speed->SetBounds(90, 70, 40, 40);
    check = Create<TCheckBox>(form, "CheckBox_Demo");
    check->Caption = "Check";
    check->SetBounds(140, 70, 80, 20);
    radio1 = Create<TRadioButton>(form, "Radio_1");
    radio1->SetBounds(230, 70, 60, 20);
    radio2 = Create<TRadioButton>(form, "Radio_2");
    radio2->SetBounds(300, 70, 60, 20);
    memo = Create<TMemo>(form, "Memo_AddMSGID");
    memo->SetBounds(8, 120, 120, 80);
    pages = Create<TPageControl>(form, "PageControl_Main");
    pages->SetBounds(140, 120, 250, 170);
    sheet1 = Create<TTabSheet>(form, "TabSheet_Configuration", pages);
    sheet1->Caption = "Remote Devices Configuration";
    sheet2 = Create<TTabSheet>(form, "TabSheet_DeviceIO", pages);
    sheet2->Caption = "Remote Devices I/O Monitor";
    onSheet2 = Create<TLabel>(form, "Label_OnSheet2", sheet2);
    onSheet2->Caption = "on the second page";
  }

  TForm* form;
  TPanel* panel;
  TLabel* label;
  TEdit* edit;
  TComboBox* combo;
  TButton* button;
  TSpeedButton* speed;
  TCheckBox* check;
  TRadioButton* radio1;
  TRadioButton* radio2;
  TMemo* memo;
  TPageControl* pages;
  TTabSheet* sheet1;
  TTabSheet* sheet2;
  TLabel* onSheet2;
};

TEST_F(DemoTest, PropertiesReachTheWidgets) {
  form->Show();
  QWidget* top = WidgetOf(form);
  ASSERT_TRUE(top);
  EXPECT_TRUE(top->isVisible());
  EXPECT_EQ(top->windowTitle(), "Demo V1");
  EXPECT_EQ(top->size(), QSize(400, 300));
  EXPECT_FALSE(top->windowFlags() & Qt::WindowCloseButtonHint) << "no system menu, so no close box";
  EXPECT_TRUE(top->windowFlags() & Qt::WindowMinimizeButtonHint);

  auto* l = WidgetOf<QLabel>(label);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->text(), "Total Boards : ");
  EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(l->geometry(), QRect(8, 8, l->width(), l->height())) << "placed on the panel";
  EXPECT_EQ(l->parentWidget(), WidgetOf(panel));

  auto* e = WidgetOf<QLineEdit>(edit);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->text(), "*******");
  EXPECT_EQ(e->palette().color(QPalette::Base), QColor(255, 128, 0));
  EXPECT_EQ(e->geometry(), QRect(100, 8, 60, 21));
  EXPECT_EQ(WidgetOf(panel)->palette().color(QPalette::Window), QColor(0, 128, 128));

  // Changes after the first show arrive too.
  edit->ReadOnly = true;
  edit->Visible = false;
  button->Enabled = false;
  button->Caption = "Again";
  label->Caption = "Total Ports : ";
  for (const char* n : {"2", "10", "1"}) combo->Items->Add(n);
  combo->ItemIndex = 0;
  check->Checked = true;
  radio2->Checked = true;
  memo->Lines->Add("10");
  memo->Lines->Add("$20");
  Flush();
  EXPECT_TRUE(e->isReadOnly());
  EXPECT_FALSE(WidgetOf(edit)->isVisible());
  EXPECT_FALSE(WidgetOf(button)->isEnabled());
  EXPECT_EQ(WidgetOf<QPushButton>(button)->text(), "Again");
  EXPECT_EQ(l->text(), "Total Ports : ");
  auto* cb = WidgetOf<QComboBox>(combo);
  ASSERT_TRUE(cb);
  ASSERT_EQ(cb->count(), 3);
  EXPECT_EQ(cb->itemText(0), "1");
  EXPECT_EQ(cb->itemText(1), "10") << "sorted as text, as the core keeps them";
  EXPECT_EQ(cb->currentIndex(), 0);
  EXPECT_FALSE(cb->isEditable());
  EXPECT_TRUE(WidgetOf<QCheckBox>(check)->isChecked());
  EXPECT_TRUE(WidgetOf<QRadioButton>(radio2)->isChecked());
  EXPECT_EQ(WidgetOf<QPlainTextEdit>(memo)->toPlainText(), "10\n$20");
  EXPECT_EQ(WidgetOf(speed)->toolTip(), "Exit the utility");

  auto* tabs = WidgetOf<QTabWidget>(pages);
  ASSERT_TRUE(tabs);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(1), "Remote Devices I/O Monitor");
  EXPECT_EQ(tabs->currentIndex(), 0);
  pages->ActivePage = sheet2;
  Flush();
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_TRUE(WidgetOf(onSheet2)->isVisible());
  sheet1->TabVisible = false;
  Flush();
  EXPECT_FALSE(tabs->isTabVisible(0));

  form->Hide();
  Flush();
  EXPECT_FALSE(top->isVisible());
}

TEST_F(DemoTest, FormStylesBecomeWindowFlags) {
  struct Case {
    TFormBorderStyle border;
    TFormStyle style;
    Qt::WindowFlags want;
    Qt::WindowFlags never;
  };
  const Case cases[] = {
      {bsNone, fsStayOnTop, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint, Qt::WindowTitleHint},
      {bsSingle, fsNormal, Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint},
      {bsDialog, fsNormal, Qt::WindowTitleHint, Qt::WindowMinimizeButtonHint},
  };
  for (const Case& c : cases) {
    form->BorderStyle = c.border;
    form->FormStyle = c.style;
    form->Show();
    QWidget* top = WidgetOf(form);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->windowFlags() & c.want, c.want) << c.border;
    EXPECT_FALSE(top->windowFlags() & c.never) << c.border;
    EXPECT_TRUE(top->isVisible()) << "a change of flags keeps the window shown";
  }
}

TEST_F(DemoTest, TheWaitCursorCoversTheScreen) {
  Screen->Cursor = crHourGlass;
  Flush();
  ASSERT_TRUE(QGuiApplication::overrideCursor());
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Screen->Cursor = crDefault;
  Flush();
  EXPECT_FALSE(QGuiApplication::overrideCursor());
}

TEST_F(DemoTest, TreeNodesShowTheirTextsAndPictures) {
  plat::RegisterPictureResource("TREE_DEVICE", 32, 32);
  plat::RegisterPictureResource("TREE_POLL", 32, 32);
  auto* images = Create<TImageList>(form, "ImageList_Device");
  images->Width = 32;
  images->Height = 32;
  images->AddResource("TREE_DEVICE");
  images->AddResource("TREE_POLL");
  auto* tree = Create<TTreeView>(form, "TreeView_CurrentConfig");
  tree->Images = images;
  TTreeNode* dev = tree->Items->Add(nullptr, "Device 7");
  dev->ImageIndex = 0;
  TTreeNode* poll = tree->Items->AddChild(dev, "Poll ( Input 8 , Output 8 )");
  poll->ImageIndex = 1;
  tree->Selected = poll;
  form->Show();
  auto* q = WidgetOf<QTreeWidget>(tree);
  ASSERT_TRUE(q);
  ASSERT_EQ(q->topLevelItemCount(), 1);
  QTreeWidgetItem* item = q->topLevelItem(0);
  EXPECT_EQ(item->text(0), "Device 7");
  ASSERT_EQ(item->childCount(), 1);
  EXPECT_EQ(item->child(0)->text(0), "Poll ( Input 8 , Output 8 )");
  EXPECT_FALSE(item->icon(0).isNull());
  EXPECT_EQ(q->currentItem(), item->child(0));
  EXPECT_EQ(q->iconSize(), QSize(32, 32));

  tree->Items->Clear();
  Flush();
  EXPECT_EQ(q->topLevelItemCount(), 0);
}

// Pixels of the key colour are the see-through ones; everything else of the
// window shows.
TEST_F(DemoTest, TheTransparentColourOfAFormIsSeeThroughAndTheRestShows) {
  form->BorderStyle = bsNone;
  form->Color = clBtnFace;
  form->TransparentColor = true;
  form->TransparentColorValue = clBtnFace;
  form->Show();
  QWidget* top = WidgetOf(form);
  ASSERT_TRUE(top);
  const QRegion mask = top->mask();
  ASSERT_FALSE(mask.isEmpty());
  EXPECT_TRUE(mask.contains(QPoint(300, 30))) << "the teal panel shows";
  EXPECT_TRUE(mask.contains(WidgetOf(label)->geometry().center())) << "the label on it shows";
  EXPECT_FALSE(mask.contains(QPoint(395, 295))) << "the button face is see-through";

  // A moved panel takes its visible part along.
  panel->Top = 200;
  Flush();
  EXPECT_FALSE(top->mask().contains(QPoint(395, 30)));
  EXPECT_TRUE(top->mask().contains(QPoint(395, 230)));
  form->TransparentColor = false;
  Flush();
  EXPECT_TRUE(top->mask().isEmpty()) << "no key colour, no mask";
}

// As on the system the programs come from, the handler runs before the window
// appears: whatever it does first (a modal chooser, say) never has the
// half-made window on screen behind it.
TEST_F(DemoTest, AFormAppearsOnScreenOnlyOnceItsShowHandlerHasRun) {
  std::optional<bool> onScreenInHandler;
  form->OnShow = [&](TObject*) {
    EXPECT_TRUE(form->Visible);
    Flush();  // what a modal loop inside the handler would do
    onScreenInHandler = WidgetOf(form)->isVisible();
    edit->Text = "from the handler";
  };
  form->Show();
  Flush();
  ASSERT_TRUE(onScreenInHandler);
  EXPECT_FALSE(*onScreenInHandler);
  EXPECT_TRUE(WidgetOf(form)->isVisible());
  EXPECT_EQ(WidgetOf<QLineEdit>(edit)->text(), "from the handler");

  // A handler that hides its form again keeps it off screen.
  form->Hide();
  form->OnShow = [&](TObject*) { form->Hide(); };
  form->Show();
  Flush();
  EXPECT_FALSE(form->Visible);
  EXPECT_FALSE(WidgetOf(form)->isVisible());
}

TEST_F(DemoTest, MainMenuBecomesAMenuBarWithoutTheHiddenEntry) {
  auto* menu = Create<TMainMenu>(form, "MainMenu");
  auto* board = Create<TMenuItem>(form, "BoardInfo");
  board->Caption = "Board";
  auto* exitItem = Create<TMenuItem>(form, "Menu_Exit");
  exitItem->Caption = "Exit";
  auto* debug = Create<TMenuItem>(form, "Debug_Trace");
  debug->Caption = "Debug";
  debug->Visible = false;
  debug->ShortCut = TextToShortCut("Ctrl+Alt+D");
  menu->Items->Add(board);
  board->Add(exitItem);
  menu->Items->Add(debug);
  form->Menu = menu;
  form->ClientHeight = 300;
  form->Show();
  QWidget* top = WidgetOf(form);
  auto* bar = top->findChild<QMenuBar*>();
  ASSERT_TRUE(bar);
  ASSERT_EQ(bar->actions().size(), 2);
  EXPECT_EQ(bar->actions()[0]->text(), "Board");
  EXPECT_FALSE(bar->actions()[1]->isVisible());
  EXPECT_EQ(top->height(), 300 + bar->sizeHint().height()) << "the client area keeps its size under the bar";
  board->Caption = "&Board";
  Flush();
  EXPECT_EQ(bar->actions()[0]->text(), "&Board");
}

}  // namespace

namespace {

// The programs choose the backend with one call; the environment and
// "--headless" decide.
class ChoiceTest : public gui::testing::QtFixture {
 protected:
  struct Saved {
    const char* name;
    std::optional<std::string> value;
  };
  ChoiceTest() {
    for (const char* n : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
      const char* v = std::getenv(n);
      saved.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
    }
  }
  ~ChoiceTest() override {
    for (const Saved& s : saved) {
      if (s.value) setenv(s.name, s.value->c_str(), 1);
      else unsetenv(s.name);
    }
  }
  std::vector<Saved> saved;
};

TEST_F(ChoiceTest, ADisplayMeansQtAndHeadlessOverridesIt) {
  struct Case {
    const char* display;
    const char* platform;
    bool headlessArg;
    bool qt;
  };
  const Case cases[] = {
      {nullptr, nullptr, false, false},
      {":0", nullptr, true, false},
      {nullptr, "offscreen", false, true},
      {":0", nullptr, false, true},
  };
  for (const Case& c : cases) {
    unsetenv("WAYLAND_DISPLAY");
    if (c.display) setenv("DISPLAY", c.display, 1);
    else unsetenv("DISPLAY");
    if (c.platform) setenv("QT_QPA_PLATFORM", c.platform, 1);
    else unsetenv("QT_QPA_PLATFORM");
    char prog[] = "kestrum", headless[] = "--headless", other[] = "-x";
    char* argv[] = {prog, c.headlessArg ? headless : other, other, nullptr};
    int argc = 3;
    gui::InstallBackend(ui.App(), argc, argv);
    EXPECT_EQ(dynamic_cast<gui::QtBackend*>(&ui.App().GetBackend()) != nullptr, c.qt) << c.display << c.platform;
    EXPECT_EQ(argc, c.headlessArg ? 2 : 3);
    EXPECT_EQ(argv[argc], nullptr);
    for (int i = 1; i < argc; ++i) EXPECT_STREQ(argv[i], "-x") << "the switch is gone, the rest stays";
  }
  ui.App().SetBackend(backend);
}

}  // namespace
