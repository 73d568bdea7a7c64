// What a person does in Qt enters the core through vcl::person and runs the
// program's handlers; Qt's own rules decide nothing.
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <string>
#include <vector>

#include "qt_forms_support.h"

namespace {

using namespace vcl;
using gui::testing::QtFixture;

class InputTest : public QtFixture {
 protected:
  InputTest() {
    form = Create<TForm>(&ui.App(), "Form_Input");
    form->BorderIcons = TBorderIcons(biMinimize) | biMaximize;
    form->ClientWidth = 500;
    form->ClientHeight = 400;
  }

  QWidget* Shown() {
    form->Show();
    QWidget* top = WidgetOf(form);
    QApplication::setActiveWindow(top);
    return top;
  }

  TForm* form;
  std::vector<std::string> log;
};

TEST_F(InputTest, ClicksTypingAndChoicesRunTheHandlers) {
  auto* button = Create<TButton>(form, "Button_Add");
  button->SetBounds(8, 8, 90, 25);
  button->OnClick = [this](TObject*) { log.push_back("click"); };
  auto* edit = Create<TEdit>(form, "Edit_AddDeviceID");
  edit->SetBounds(8, 40, 90, 21);
  edit->MaxLength = 3;
  auto* combo = Create<TComboBox>(form, "ComboBox_ActiveBoardNo");
  combo->Style = csDropDownList;
  combo->SetBounds(8, 70, 90, 21);
  combo->Items->Add("0");
  combo->Items->Add("1");
  combo->OnChange = [this, combo](TObject*) { log.push_back("change " + combo->Text()); };
  auto* check = Create<TCheckBox>(form, "CheckBox_Trace");
  check->SetBounds(8, 100, 90, 21);
  check->OnClick = [this](TObject*) { log.push_back("check"); };
  auto* memo = Create<TMemo>(form, "Memo_AddMSGID");
  memo->SetBounds(8, 130, 120, 80);
  Shown();

  QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
  QTest::keyClicks(WidgetOf(edit), "12345");
  EXPECT_EQ(edit->Text(), "123");
  emit WidgetOf<QComboBox>(combo)->activated(1);
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->ItemIndex = 0;  // from code: no change event
  Flush();
  EXPECT_EQ(WidgetOf<QComboBox>(combo)->currentIndex(), 0);
  QTest::mouseClick(WidgetOf(check), Qt::LeftButton, {}, QPoint(8, 10));  // on the box
  EXPECT_TRUE(check->Checked());
  WidgetOf<QPlainTextEdit>(memo)->setPlainText("5\n");
  EXPECT_EQ(memo->Lines->GetCount(), 1);
  Flush();
  EXPECT_EQ(WidgetOf<QPlainTextEdit>(memo)->toPlainText(), "5\n") << "what the person typed stays";
  EXPECT_EQ(log, (std::vector<std::string>{"click", "change 1", "check"}));

  // A disabled control takes nothing, whatever Qt would still deliver.
  button->Enabled = false;
  Flush();
  emit WidgetOf<QPushButton>(button)->clicked();
  EXPECT_EQ(log.size(), 3u);
}

// Behind a modal form or under the wait window a disabled form keeps its
// look (nothing greyed) but takes no input.
TEST_F(InputTest, ADisabledFormKeepsItsLookButTakesNoInput) {
  auto* button = Create<TButton>(form, "Button_Refresh");
  button->SetBounds(8, 8, 90, 25);
  button->OnClick = [this](TObject*) { log.push_back("click"); };
  auto* edit = Create<TEdit>(form, "Edit_AddMSGID");
  edit->SetBounds(8, 40, 90, 21);
  Shown();
  form->Enabled = false;
  Flush();
  EXPECT_TRUE(WidgetOf(button)->isEnabled()) << "greyed";
  QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
  QTest::keyClicks(WidgetOf(edit), "12");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(edit->Text(), "");
  form->Enabled = true;
  Flush();
  QTest::mouseClick(WidgetOf(button), Qt::LeftButton);
  EXPECT_EQ(log, (std::vector<std::string>{"click"}));
}

TEST_F(InputTest, SpeedButtonsOfAGroupStayDownAsTheCoreSays) {
  auto* a = Create<TSpeedButton>(form, "SpeedButton_A");
  auto* b = Create<TSpeedButton>(form, "SpeedButton_B");
  a->SetBounds(0, 0, 30, 30);
  b->SetBounds(40, 0, 30, 30);
  a->GroupIndex = 1;
  b->GroupIndex = 1;
  Shown();
  QTest::mouseClick(WidgetOf(a), Qt::LeftButton);
  EXPECT_TRUE(a->Down());
  QTest::mouseClick(WidgetOf(a), Qt::LeftButton);  // no AllowAllUp: it stays down
  Flush();
  EXPECT_TRUE(a->Down());
  EXPECT_TRUE(WidgetOf<QToolButton>(a)->isChecked());
  QTest::mouseClick(WidgetOf(b), Qt::LeftButton);
  Flush();
  EXPECT_FALSE(WidgetOf<QToolButton>(a)->isChecked());
  EXPECT_TRUE(WidgetOf<QToolButton>(b)->isChecked());
}

TEST_F(InputTest, ChoosingATabShowsThePageThroughTheCore) {
  auto* pages = Create<TPageControl>(form, "PageControl_Main");
  pages->SetBounds(0, 0, 400, 300);
  auto* one = Create<TTabSheet>(form, "TabSheet_Configuration", pages);
  auto* two = Create<TTabSheet>(form, "TabSheet_DeviceIO", pages);
  one->Caption = "One";
  two->Caption = "Two";
  two->OnShow = [this](TObject*) { log.push_back("show two"); };
  one->OnHide = [this](TObject*) { log.push_back("hide one"); };
  Shown();
  WidgetOf<QTabWidget>(pages)->setCurrentIndex(1);
  EXPECT_EQ(pages->ActivePage(), two);
  EXPECT_EQ(log, (std::vector<std::string>{"hide one", "show two"}));
}

class MenuTest : public InputTest {
 protected:
  MenuTest() {
    auto* menu = Create<TMainMenu>(form, "MainMenu");
    about = Create<TMenuItem>(form, "Menu_About");
    about->Caption = "About";
    about->OnClick = [this](TObject*) { log.push_back("about"); };
    debug = Create<TMenuItem>(form, "Debug_Trace");
    debug->Caption = "Debug";
    debug->Visible = false;
    debug->ShortCut = TextToShortCut("Ctrl+Alt+D");
    debug->OnClick = [this](TObject*) { log.push_back("debug"); };
    menu->Items->Add(about);
    menu->Items->Add(debug);
    form->Menu = menu;
  }
  TMenuItem* about;
  TMenuItem* debug;
};

TEST_F(MenuTest, AHiddenItemsShortcutStillFires) {
  QWidget* top = Shown();
  QTest::keyClick(top, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(log, (std::vector<std::string>{"debug"}));
  debug->Enabled = false;
  Flush();
  QTest::keyClick(top, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(log.size(), 1u) << "a disabled item does not run";
}

TEST_F(MenuTest, AMenuEntryRunsItsItem) {
  QWidget* top = Shown();
  auto* bar = top->findChild<QMenuBar*>();
  ASSERT_TRUE(bar);
  bar->actions()[0]->trigger();
  EXPECT_EQ(log, (std::vector<std::string>{"about"}));
}

// Escape presses the form's Cancel button, if it has one, and nothing else:
// a modal form never closes by a rule of Qt's.
TEST_F(InputTest, EscapeOnAModalFormOnlyPressesCancel) {
  struct Case {
    bool cancelButton;
    TModalResult afterEscape;
  };
  for (const Case c : {Case{false, mrNone}, Case{true, mrCancel}}) {
    auto* dialog = Create<TForm>(&ui.App(), "Form_ChangeMACID");
    dialog->ClientWidth = 200;
    dialog->ClientHeight = 100;
    auto* ok = Create<TButton>(dialog, "Button_OK");
    ok->ModalResult = mrOk;
    ok->SetBounds(10, 10, 75, 25);
    if (c.cancelButton) {
      auto* cancel = Create<TButton>(dialog, "Button_Cancel");
      cancel->Cancel = true;
      cancel->ModalResult = mrCancel;
      cancel->SetBounds(100, 10, 75, 25);
    }
    TModalResult seen = -1;
    bool stillShown = false;
    QTimer::singleShot(0, [&] {
      QWidget* w = backend->WidgetOf(dialog);
      ASSERT_TRUE(w);
      EXPECT_TRUE(w->isModal());
      QTest::keyClick(w, Qt::Key_Escape);
      seen = dialog->ModalResult;
      stillShown = w->isVisible() && dialog->Visible;
      if (seen == mrNone) QTest::mouseClick(backend->WidgetOf(ok), Qt::LeftButton);
    });
    const int result = dialog->ShowModal();
    EXPECT_EQ(seen, c.afterEscape);
    EXPECT_EQ(result, c.cancelButton ? mrCancel : mrOk);
    EXPECT_TRUE(stillShown) << "Escape itself closed the form; cancel button: " << c.cancelButton;
    Flush();
    EXPECT_FALSE(backend->WidgetOf(dialog)->isModal());
    dialog->Free();
  }
}

// The window manager may close any window; the form's own close decides.
TEST_F(InputTest, TheWindowManagersCloseGoesToTheForm) {
  struct Case {
    TCloseAction action;
    bool staysShown;
  };
  for (const Case c : {Case{caNone, true}, Case{caHide, false}}) {
    int closes = 0;
    form->OnClose = [&](TObject*, TCloseAction& action) {
      ++closes;
      action = c.action;
    };
    QWidget* top = Shown();
    EXPECT_FALSE(top->windowFlags() & Qt::WindowCloseButtonHint);
    top->close();
    Flush();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(form->Visible(), c.staysShown);
    EXPECT_EQ(top->isVisible(), c.staysShown) << "Qt closes nothing by itself";
  }
}

class DragTest : public InputTest {
 protected:
  DragTest() {
    tree = Create<TTreeView>(form, "TreeView_AutoScanDevice");
    tree->SetBounds(0, 0, 200, 300);
    tree->DragMode = dmAutomatic;
    device = tree->Items->Add(nullptr, "Device 7");
    connection = tree->Items->AddChild(device, "Poll ( Input 8 , Output 8 )");
    tree->OnClick = [this](TObject*) { log.push_back("click " + tree->Selected->Text()); };
    tree->OnStartDrag = [this](TObject*) {
      log.push_back("start " + std::string(tree->Selected() ? tree->Selected->Text() : "none"));
    };
    target = Create<TImage>(form, "Image_Del");
    target->SetBounds(300, 100, 48, 48);
    target->OnDragOver = [this](TObject*, TObject* source, int, int, TDragState state, bool& accept) {
      accept = source == tree;
      log.push_back(state == dsDragEnter ? "enter" : state == dsDragLeave ? "leave" : "move");
    };
    target->OnDragDrop = [this](TObject*, TObject*, int, int) { log.push_back("drop"); };
  }

  QPoint ItemCentre(QTreeWidgetItem* item) { return WidgetOf<QTreeWidget>(tree)->visualItemRect(item).center(); }

  TTreeView* tree;
  TTreeNode* device;
  TTreeNode* connection;
  TImage* target;
};

TEST_F(DragTest, ThePressSelectsTheNodeBeforeTheDragBegins) {
  Shown();
  auto* q = WidgetOf<QTreeWidget>(tree);
  QWidget* vp = q->viewport();
  const QPoint at = ItemCentre(q->topLevelItem(0));
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  EXPECT_EQ(tree->Selected(), device);
  QTest::mouseMove(vp, at + QPoint(30, 0));
  EXPECT_TRUE(person::Dragging());
  const QPoint over = vp->mapFromGlobal(WidgetOf(target)->mapToGlobal(QPoint(24, 24)));
  QTest::mouseMove(vp, over);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, over);
  EXPECT_FALSE(person::Dragging());
  EXPECT_EQ(log, (std::vector<std::string>{"click Device 7", "start Device 7", "enter", "move", "leave", "drop"}));
}

TEST_F(DragTest, AManualTreeDoesNotDragByItself) {
  tree->DragMode = dmManual;
  Shown();
  auto* q = WidgetOf<QTreeWidget>(tree);
  QWidget* vp = q->viewport();
  q->expandAll();
  const QPoint at = ItemCentre(q->topLevelItem(0)->child(0));
  QTest::mousePress(vp, Qt::LeftButton, {}, at);
  QTest::mouseMove(vp, at + QPoint(40, 0));
  QTest::mouseRelease(vp, Qt::LeftButton, {}, at + QPoint(40, 0));
  EXPECT_EQ(tree->Selected(), connection);
  EXPECT_FALSE(person::Dragging());
  EXPECT_EQ(log, (std::vector<std::string>{"click Poll ( Input 8 , Output 8 )"}));
}

}  // namespace
