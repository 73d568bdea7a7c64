// Controls as the programs use them: combo boxes, memos and string lists,
// tree views, drag and drop, pages, buttons, and what a person cannot do.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/vcl/testing.h"

namespace {

using namespace vcl;
using namespace plat::testing;

class TForm_Test : public TForm {
 public:
  explicit TForm_Test(TComponent* owner) : TForm(owner) { Name = "Form_Test"; }
};

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() {
    form = new TForm_Test(&ui.App());
    form->Show();
  }
  Session ui;
  TForm_Test* form;
};

// ---------------------------------------------------------------- combo boxes
TEST_F(ControlsTest, SortedComboOrdersNumbersAsText) {
  TComboBox* combo = Create<TComboBox>(form, "ComboBox_ActiveBoardNo");
  combo->Style = csDropDownList;
  combo->Sorted = true;
  for (int i = 0; i < 12; ++i) combo->Items->Add(std::to_string(i));
  combo->Items->Add("b");
  combo->Items->Add("A");
  EXPECT_EQ(combo->Items->Text(), "0\r\n1\r\n10\r\n11\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\nA\r\nb");
  combo->ItemIndex = 0;
  EXPECT_EQ(combo->Text(), "0");
}

TEST_F(ControlsTest, ComboOnChangeFiresOnAPersonsChangeOnly) {
  TComboBox* combo = Create<TComboBox>(form, "ComboBox_DeviceType");
  combo->Style = csDropDownList;
  for (const char* s : {"Poll", "Strobe", "COS", "Cyclic"}) combo->Items->Add(s);
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  combo->ItemIndex = 1;
  combo->Text = "COS";
  combo->Items->Add("Other");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(combo->ItemIndex, 2);
  Select(combo, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(combo->Text(), "Strobe");
  EXPECT_NE(person::Type(combo, "Poll"), "") << "a drop-down list takes no typing";
  combo->Style = csDropDown;
  Type(combo, "Cyclic");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(combo->ItemIndex, 3);
}

TEST_F(ControlsTest, ComboSelectionFollowsItsItemThroughListChanges) {
  TComboBox* combo = Create<TComboBox>(form, "ComboBox1");
  combo->Style = csDropDownList;
  combo->Items->Text = "a\r\nb\r\nc";
  combo->ItemIndex = 1;
  combo->Items->Insert(0, "z");
  EXPECT_EQ(combo->ItemIndex, 2);
  EXPECT_EQ(combo->Text(), "b");
  combo->Items->Delete(0);
  EXPECT_EQ(combo->Text(), "b");
  combo->Items->Delete(1);
  EXPECT_EQ(combo->ItemIndex, -1);
  EXPECT_EQ(combo->Text(), "");
  combo->ItemIndex = 7;  // out of range: nothing selected
  EXPECT_EQ(combo->ItemIndex, -1);
  combo->ItemIndex = 0;
  combo->Items->Clear();
  EXPECT_EQ(combo->ItemIndex, -1);
}

// ---------------------------------------------------------------- strings and memos
TEST(Strings, TextSplitsAtAnyLineBreakAndAFinalBreakMakesNoEmptyLine) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"5", {"5"}},
      {"5\r\n", {"5"}},
      {"5\n", {"5"}},
      {"\r\n", {""}},
      {"10\n$20\r\n0x30", {"10", "$20", "0x30"}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\rb", {"a", "b"}},
  };
  for (const auto& c : cases) {
    plat::TStringList list;
    list.Text = c.text;
    EXPECT_EQ(list.Items(), c.lines) << '"' << c.text << '"';
  }
  plat::TStringList list;
  list.Text = "a\nb";
  EXPECT_EQ(list.Text(), "a\r\nb");
  EXPECT_EQ(list.IndexOf("B"), 1);
  list.Strings[0] = "x";
  EXPECT_EQ(list[0], "x");
  EXPECT_THROW(list.Delete(2), plat::Exception);
}

TEST_F(ControlsTest, MemoCountsLinesAndTellsTheWindow) {
  TMemo* memo = Create<TMemo>(form, "Memo_AddMSGID");
  Type(memo, "5\r\n");
  EXPECT_EQ(memo->Lines->Count, 1);
  memo->ClearDirty();
  memo->Lines->Add("6");
  EXPECT_TRUE(memo->DirtyFlags() & plat::dfContent);
  EXPECT_EQ(memo->Text(), "5\r\n6");
  EXPECT_EQ(memo->plat::Window::Text(), "5\r\n6");
  memo->ReadOnly = true;
  EXPECT_NE(person::Type(memo, "7"), "");
}

TEST_F(ControlsTest, EditTypingHonoursReadOnlyAndMaxLength) {
  TEdit* edit = Create<TEdit>(form, "Edit1");
  edit->MaxLength = 3;
  Type(edit, "12345");
  EXPECT_EQ(edit->Text(), "123");
  edit->Text = "12345";  // from code: not limited
  EXPECT_EQ(edit->Text(), "12345");
  edit->ReadOnly = true;
  EXPECT_NE(person::Type(edit, "9"), "");
  EXPECT_EQ(edit->Text(), "12345");
}

// ---------------------------------------------------------------- trees
TEST_F(ControlsTest, TreeIndexesNodesInDepthFirstPreOrder) {
  TTreeView* tree = Create<TTreeView>(form, "TreeView_CurrentConfig");
  TTreeNodes* nodes = tree->Items;
  TTreeNode* d3 = nodes->Add(nullptr, "Device 3");
  TTreeNode* d12 = nodes->Add(nullptr, "Device 12");
  nodes->AddChild(d3, "Poll ( Input 8 , Output 4 )");
  nodes->AddChild(d12, "COS ( Input 2 , Output 2 )");
  nodes->AddChild(d3, "Strobe ( Input 1 )");
  nodes->Add(d12->Item[0], "Cyclic ( Input 2 , Output 2 )");  // after the last sibling
  const std::vector<std::string> expected = {"Device 3", "Poll ( Input 8 , Output 4 )", "Strobe ( Input 1 )",
                                             "Device 12", "COS ( Input 2 , Output 2 )",
                                             "Cyclic ( Input 2 , Output 2 )"};
  ASSERT_EQ(nodes->Count, 6);
  for (int i = 0; i < nodes->Count; ++i) {
    TTreeNode* n = nodes->GetNodeFromIndex(i);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->Text(), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(n->AbsoluteIndex, i);
    EXPECT_EQ(nodes->Item[i], n);
  }
  EXPECT_EQ(nodes->GetNodeFromIndex(6), nullptr);
  EXPECT_EQ(d12->Item[1]->Parent, d12);
  EXPECT_EQ(d12->Item[1]->Index, 1);

  tree->Selected = d3->Item[1];
  d3->Delete();
  EXPECT_EQ(nodes->Count, 3);
  EXPECT_EQ(tree->Selected, nullptr) << "the selection went with the deleted node";
  EXPECT_EQ(nodes->GetNodeFromIndex(0), d12);
  nodes->Clear();
  EXPECT_EQ(nodes->Count, 0);
}

TEST_F(ControlsTest, ReadOnlyTreeRefusesLabelEdits) {
  TTreeView* tree = Create<TTreeView>(form, "TreeView_AutoScanDevice");
  TTreeNode* node = tree->Items->Add(nullptr, "Device 5");
  tree->ReadOnly = true;
  EXPECT_NE(person::EditLabel(tree, node, "Device 6"), "");
  EXPECT_EQ(node->Text(), "Device 5");
  tree->ReadOnly = false;
  EXPECT_EQ(person::EditLabel(tree, node, "Device 6"), "");
  EXPECT_EQ(node->Text(), "Device 6");
}

// ---------------------------------------------------------------- drag and drop
class DragTest : public ControlsTest {
 protected:
  DragTest() {
    source = Create<TTreeView>(form, "TreeView_AutoScanDevice");
    source->DragMode = dmAutomatic;
    target = Create<TTreeView>(form, "TreeView_CurrentConfig");
    device = source->Items->Add(nullptr, "Device 5");
    connection = source->Items->AddChild(device, "Poll ( Input 8 , Output 4 )");
    source->OnClick = [this](TObject*) { log.push_back("click " + std::string(source->Selected->Text)); };
    source->OnStartDrag = [this](TObject*) { log.push_back("start"); };
    source->OnEndDrag = [this](TObject*, TObject* t, int, int) {
      log.push_back(std::string("end ") + (t ? std::string(t->Name) : std::string("none")));
    };
    target->OnDragOver = [this](TObject*, TObject* src, int, int, TDragState state, bool& accept) {
      const char* names[] = {"enter", "leave", "move"};
      log.push_back(std::string("over ") + names[state]);
      accept = acceptFromSource && src == source;
    };
    target->OnDragDrop = [this](TObject*, TObject* src, int, int) {
      log.push_back("drop from " + std::string(src->Name));
    };
  }
  TTreeView* source;
  TTreeView* target;
  TTreeNode* device;
  TTreeNode* connection;
  bool acceptFromSource = true;
  std::vector<std::string> log;
};

TEST_F(DragTest, PressIsAClickBeforeTheDragThenDropWhenAccepted) {
  Drag(source, connection, target);
  EXPECT_EQ(log, (std::vector<std::string>{"click Poll ( Input 8 , Output 4 )", "start", "over enter",
                                           "over move", "over leave", "drop from TreeView_AutoScanDevice",
                                           "end TreeView_CurrentConfig"}));
}

TEST_F(DragTest, RefusedDropDeliversNoDropAndEndsWithoutTarget) {
  acceptFromSource = false;
  Drag(source, device, target);
  EXPECT_EQ(log, (std::vector<std::string>{"click Device 5", "start", "over enter", "over move", "over leave",
                                           "end none"}));
  EXPECT_FALSE(person::Dragging());
}

TEST_F(DragTest, ATargetWithoutDragOverHandlerRefusesAndManualSourcesDoNotDrag) {
  TImage* trash = Create<TImage>(form, "Image_Del");
  bool dropped = false;
  trash->OnDragDrop = [&](TObject*, TObject*, int, int) { dropped = true; };
  Drag(source, connection, trash);
  EXPECT_FALSE(dropped);
  source->DragMode = dmManual;
  EXPECT_NONFATAL_FAILURE(Drag(source, connection, target), "DragMode is manual");
}

// ---------------------------------------------------------------- pages
TEST_F(ControlsTest, TabSheetsShowAndHideAsTheActivePageAndTheFormChange) {
  form->Hide();
  TPageControl* pc = Create<TPageControl>(form, "PageControl_Main");
  TTabSheet* config = Create<TTabSheet>(form, "TabSheet_Configuration", pc);
  TTabSheet* io = Create<TTabSheet>(form, "TabSheet_DeviceIO", pc);
  std::vector<std::string> log;
  for (TTabSheet* s : {config, io}) {
    s->OnShow = [&log, s](TObject*) { log.push_back("show " + std::string(s->Name)); };
    s->OnHide = [&log, s](TObject*) { log.push_back("hide " + std::string(s->Name)); };
  }
  EXPECT_EQ(pc->ActivePage, config) << "the first page until one is chosen";
  pc->ActivePage = io;  // form hidden: nothing shows
  pc->ActivePage = config;
  EXPECT_TRUE(log.empty());
  form->Show();
  EXPECT_EQ(log, std::vector<std::string>{"show TabSheet_Configuration"});
  ShowPage(pc, io);
  pc->ActivePageIndex = 1;  // already active: nothing happens
  EXPECT_EQ(log, (std::vector<std::string>{"show TabSheet_Configuration", "hide TabSheet_Configuration",
                                           "show TabSheet_DeviceIO"}));
  EXPECT_FALSE(config->Showing());
  EXPECT_TRUE(io->Showing());
}

// ---------------------------------------------------------------- buttons and what a person cannot do
TEST_F(ControlsTest, HiddenOrDisabledControlsCannotBeClicked) {
  TPanel* panel = Create<TPanel>(form, "Panel2");
  TSpeedButton* button = Create<TSpeedButton>(form, "SpeedButton_StartDevice", panel);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  button->Enabled = false;
  EXPECT_NE(person::Click(button), "");
  button->Enabled = true;
  panel->Enabled = false;
  EXPECT_NE(person::Click(button), "") << "a disabled parent disables its children";
  panel->Enabled = true;
  panel->Visible = false;
  EXPECT_NE(person::Click(button), "");
  panel->Visible = true;
  Click(button);
  EXPECT_EQ(clicks, 1);
  form->Enabled = false;
  EXPECT_NE(person::Click(button), "");
}

TEST_F(ControlsTest, RadioButtonsCheckOneOfTheirGroupAndCheckingFiresOnClick) {
  TRadioButton* ascii = Create<TRadioButton>(form, "RadioButton_Get_ASCII");
  TRadioButton* bytes = Create<TRadioButton>(form, "RadioButton_Get_BYTE");
  std::vector<std::string> clicks;
  ascii->OnClick = [&](TObject*) { clicks.push_back("ascii"); };
  bytes->OnClick = [&](TObject*) { clicks.push_back("byte"); };
  bytes->Checked = true;
  Click(ascii);
  EXPECT_FALSE(bytes->Checked);
  Click(ascii);  // already checked: no change, no click
  bytes->Checked = true;
  EXPECT_EQ(clicks, (std::vector<std::string>{"byte", "ascii", "byte"}));
  EXPECT_FALSE(ascii->Checked);
}

TEST_F(ControlsTest, GroupedSpeedButtonsStayDownOneAtATime) {
  TSpeedButton* a = Create<TSpeedButton>(form, "SpeedButton_A");
  TSpeedButton* b = Create<TSpeedButton>(form, "SpeedButton_B");
  a->GroupIndex = 1;
  b->GroupIndex = 1;
  Click(a);
  EXPECT_TRUE(a->Down);
  Click(b);
  EXPECT_TRUE(b->Down);
  EXPECT_FALSE(a->Down);
  Click(b);  // AllowAllUp is off: stays down
  EXPECT_TRUE(b->Down);
}

TEST_F(ControlsTest, BitBtnKindSetsCaptionResultAndRole) {
  TBitBtn* ok = Create<TBitBtn>(form, "BitBtn_OK");
  ok->Kind = bkOK;
  EXPECT_EQ(ok->Caption(), "OK");
  EXPECT_EQ(ok->ModalResult, mrOk);
  EXPECT_TRUE(ok->Default);
  TBitBtn* cancel = Create<TBitBtn>(form, "BitBtn_Cancel");
  cancel->Kind = bkCancel;
  EXPECT_EQ(cancel->ModalResult, mrCancel);
  EXPECT_TRUE(cancel->Cancel);
}

TEST_F(ControlsTest, FindComponentIgnoresCaseAndFormsPlaceThemselves) {
  TLabel* label = Create<TLabel>(form, "Label001");
  EXPECT_EQ(form->FindComponent("label001"), label);
  EXPECT_EQ(form->FindComponent("Label1"), nullptr);
  EXPECT_EQ(label->Parent, form);

  TForm* dialog = new TForm(&ui.App());
  dialog->BorderStyle = bsNone;
  dialog->ClientWidth = 400;
  dialog->ClientHeight = 100;
  dialog->Position = poScreenCenter;
  dialog->Show();
  EXPECT_EQ(dialog->Width, 400);
  EXPECT_EQ(dialog->Left, (1920 - 400) / 2);
  EXPECT_EQ(dialog->Top, (1080 - 100) / 2);
  dialog->BorderStyle = bsSingle;
  dialog->ClientWidth = 899;
  EXPECT_EQ(dialog->ClientWidth, 899);
  EXPECT_GT(dialog->Width, 899);
}

TEST_F(ControlsTest, MouseMoveReachesOnlyAVisibleControl) {
  TSpeedButton* remove = Create<TSpeedButton>(form, "SpeedButton_RemoveDevice");
  int moves = 0;
  remove->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++moves; };
  MouseMove(remove, 3, 4);
  remove->Visible = false;
  EXPECT_NE(person::MouseMove(remove, 3, 4), "");
  EXPECT_EQ(moves, 1);
}

}  // namespace
