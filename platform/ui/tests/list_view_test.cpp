// The list-view control: columns and cells, custom draw at paint time, and
// repaints coalesced in virtual time without losing or reordering a row.
#include <gtest/gtest.h>

#include "platform/ui/list_view.h"
#include "platform/ui/testing.h"

namespace {

using plat::ListView;

class ListViewTest : public ::testing::Test {
 protected:
  ListViewTest() : list(new ListView(&ui.App())) {}
  ~ListViewTest() override { list->Free(); }

  std::vector<std::string> Row(int row) const {
    std::vector<std::string> cells;
    for (int c = 0; c < list->GetColumnCount(); ++c) cells.push_back(list->GetItemText(row, c));
    return cells;
  }
  // What a backend does after it has mirrored the control.
  void Mirrored() { list->ClearDirty(); }

  plat::testing::CoreSession ui;
  ListView* list;
};

TEST_F(ListViewTest, RowsKeepTheirCellsUnderTheirColumns) {
  EXPECT_EQ(list->InsertColumn(0, "A", plat::LVCFMT_CENTER, 100, 0), 0);
  EXPECT_EQ(list->InsertColumn(5, "C", plat::LVCFMT_LEFT, 200, 1), 1) << "past the end appends";
  EXPECT_EQ(list->InsertColumn(1, "B"), 1);
  EXPECT_EQ(list->Columns()[1], (plat::ListColumn{"B", plat::LVCFMT_LEFT, 0, 1}));
  EXPECT_EQ(list->InsertColumn(-1, "X"), -1);

  EXPECT_EQ(list->InsertItem(0, "a2"), 0);
  EXPECT_EQ(list->InsertItem(9, "a3"), 1);
  EXPECT_EQ(list->InsertItem(0, "a1"), 0);
  EXPECT_EQ(list->InsertItem(-1, "no"), -1);
  EXPECT_TRUE(list->SetItemText(1, 1, "b2"));
  EXPECT_TRUE(list->SetItemText(1, 2, "c2"));
  EXPECT_TRUE(list->SetItemText(2, 0, "a3!"));
  ASSERT_EQ(list->GetItemCount(), 3);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"a1", "", ""}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"a2", "b2", "c2"}));
  EXPECT_EQ(Row(2), (std::vector<std::string>{"a3!", "", ""}));

  // Nothing outside the rows is touched or read.
  EXPECT_FALSE(list->SetItemText(3, 0, "x"));
  EXPECT_FALSE(list->SetItemText(-1, 0, "x"));
  EXPECT_FALSE(list->SetItemText(0, -1, "x"));
  EXPECT_EQ(list->GetItemText(7, 0), "");
  EXPECT_EQ(list->GetItemText(1, 9), "");
  EXPECT_FALSE(list->EnsureVisible(3, true));
  EXPECT_FALSE(list->DeleteItem(3));

  // A column takes its cells along; those on its right move left.
  EXPECT_TRUE(list->DeleteColumn(1));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"a2", "c2"}));
  EXPECT_TRUE(list->DeleteColumn(0));
  EXPECT_EQ(list->GetItemText(1, 0), "c2");
  EXPECT_FALSE(list->DeleteColumn(1));

  EXPECT_TRUE(list->DeleteItem(0));
  EXPECT_EQ(list->GetItemText(0, 0), "c2");
  EXPECT_TRUE(list->DeleteAllItems());
  EXPECT_EQ(list->GetItemCount(), 0);
  EXPECT_EQ(list->GetColumnCount(), 1) << "the columns stay";
}

TEST_F(ListViewTest, OnlyAppendedRowsAndSetCellsKeepTheLayoutGeneration) {
  list->InsertColumn(0, "A");
  list->InsertItem(0, "x");
  const struct {
    const char* what;
    std::function<void()> change;
    bool relayout;
  } cases[] = {
      {"a row at the end", [&] { list->InsertItem(list->GetItemCount(), "end"); }, false},
      {"a cell set", [&] { list->SetItemText(0, 1, "cell"); }, false},
      {"scrolled", [&] { list->EnsureVisible(0, false); }, false},
      {"a row before the end", [&] { list->InsertItem(0, "first"); }, true},
      {"a row deleted", [&] { list->DeleteItem(0); }, true},
      {"a column inserted", [&] { list->InsertColumn(1, "B"); }, true},
      {"a column deleted", [&] { list->DeleteColumn(1); }, true},
      {"all rows deleted", [&] { list->DeleteAllItems(); }, true},
      {"no rows to delete", [&] { list->DeleteAllItems(); }, false},
  };
  for (const auto& c : cases) {
    const std::uint64_t before = list->LayoutGeneration();
    c.change();
    EXPECT_EQ(list->LayoutGeneration() != before, c.relayout) << c.what;
  }
}

TEST_F(ListViewTest, AVirtualListReadsItsCellsFromItsOwner) {
  list->Style = list->Style | plat::LVS_OWNERDATA;
  list->InsertColumn(0, "A");
  list->InsertColumn(1, "B");
  std::vector<std::string> owner = {"r0", "r1", "r2"};
  list->OnGetItemText = [&](int row, int sub) -> std::string_view {
    return sub == 0 ? std::string_view(owner[static_cast<std::size_t>(row)]) : std::string_view("b");
  };
  EXPECT_EQ(list->InsertItem(0, "kept nowhere"), -1);
  EXPECT_EQ(list->GetItemCount(), 0);
  const std::uint64_t generation = list->LayoutGeneration();
  list->SetItemCount(3);
  EXPECT_EQ(list->LayoutGeneration(), generation) << "rows appended keep the layout";
  EXPECT_EQ(Row(2), (std::vector<std::string>{"r2", "b"}));
  owner[2] = "changed";
  EXPECT_EQ(Row(2), (std::vector<std::string>{"changed", "b"})) << "read when asked, never kept";
  EXPECT_TRUE(list->EnsureVisible(2, true));
  EXPECT_FALSE(list->EnsureVisible(3, true));
  EXPECT_EQ(list->GetItemText(3, 0), "");
  list->SetItemCount(1);
  EXPECT_NE(list->LayoutGeneration(), generation);
  EXPECT_TRUE(list->DeleteAllItems());
  EXPECT_EQ(list->GetItemCount(), 0);
}

TEST_F(ListViewTest, TheOwnerChoosesEachRowsColoursAtPaintTime) {
  list->InsertColumn(0, "A");
  for (int i = 0; i < 3; ++i) list->InsertItem(i, "row");
  const plat::RowLook plain{plat::clWindowText, plat::clWindow};
  EXPECT_EQ(list->ItemLook(list->BeginPaint(), 1), plain) << "no owner: the control's colours";

  std::vector<std::pair<std::uint32_t, int>> asked;
  std::intptr_t prepaintAnswer = plat::CDRF_DODEFAULT;
  list->OnCustomDraw = [&](plat::ListCustomDraw& cd) -> std::intptr_t {
    asked.emplace_back(cd.stage, cd.item);
    if (cd.stage == plat::CDDS_PREPAINT) return prepaintAnswer;
    if (cd.stage == plat::CDDS_ITEMPREPAINT) {
      EXPECT_EQ(cd.textColor, plat::clWindowText);
      cd.textColor = plat::Rgb(0, 0, static_cast<std::uint8_t>(10 * cd.item));
      cd.textBkColor = plat::clYellow;
    }
    return plat::CDRF_DODEFAULT;
  };
  EXPECT_EQ(list->ItemLook(list->BeginPaint(), 1), plain) << "the owner did not ask for the rows";
  EXPECT_EQ(asked, (std::vector<std::pair<std::uint32_t, int>>{{plat::CDDS_PREPAINT, -1}}));

  asked.clear();
  prepaintAnswer = plat::CDRF_NOTIFYITEMDRAW;
  const ListView::PaintPass pass = list->BeginPaint();
  EXPECT_EQ(list->ItemLook(pass, 2), (plat::RowLook{plat::Rgb(0, 0, 20), plat::clYellow}));
  EXPECT_EQ(list->ItemLook(pass, 0), (plat::RowLook{plat::Rgb(0, 0, 0), plat::clYellow}));
  EXPECT_EQ(list->ItemLook(pass, 3), plain) << "a row that is not there is never asked about";
  EXPECT_EQ(asked, (std::vector<std::pair<std::uint32_t, int>>{
                       {plat::CDDS_PREPAINT, -1}, {plat::CDDS_ITEMPREPAINT, 2}, {plat::CDDS_ITEMPREPAINT, 0}}));
}

TEST_F(ListViewTest, ABurstOfRowsIsKeptInOrderAndToldToTheBackendAFewTimesOnly) {
  list->InsertColumn(0, "N");
  plat::testing::Advance(100);
  Mirrored();
  const int before = list->RepaintsSignalled();
  for (int i = 0; i < 1000; ++i) {
    const int row = list->InsertItem(list->GetItemCount(), std::to_string(i));
    list->SetItemText(row, 1, "x");
    list->EnsureVisible(row, true);
    list->Update();  // the document's UpdateWindow after every record
  }
  ASSERT_EQ(list->GetItemCount(), 1000);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(list->GetItemText(i, 0), std::to_string(i));
  EXPECT_EQ(list->ScrollTarget(), 999);

  // The first change is told at once, the rest when the interval ends.
  EXPECT_EQ(list->RepaintsSignalled(), before + 1);
  EXPECT_TRUE(list->RepaintPending());
  Mirrored();
  plat::testing::Advance(plat::ListView::kRepaintIntervalMs - 1);
  EXPECT_EQ(list->DirtyFlags(), 0u) << "told before the interval ended";
  plat::testing::Advance(1);
  EXPECT_EQ(list->RepaintsSignalled(), before + 2);
  EXPECT_FALSE(list->RepaintPending());
  EXPECT_EQ(list->DirtyFlags(), plat::dfContent | plat::dfState);
  Mirrored();

  // Quiet for an interval: the next change is told at once.
  plat::testing::Advance(100);
  EXPECT_EQ(list->RepaintsSignalled(), before + 2) << "nothing to tell";
  list->InsertItem(list->GetItemCount(), "late");
  EXPECT_EQ(list->RepaintsSignalled(), before + 3);
  EXPECT_EQ(list->DirtyFlags(), plat::dfContent);
}

TEST_F(ListViewTest, AChangeAfterTheIntervalIsToldEvenBeforeTheTimerRuns) {
  list->InsertColumn(0, "N");
  list->InsertItem(0, "a");
  list->InsertItem(1, "b");  // waits for the interval's end
  ASSERT_TRUE(list->RepaintPending());
  const int before = list->RepaintsSignalled();
  // The window thread is busy (a long drain) while the clock moves on: the
  // first change after the interval tells everything, timer or not.
  plat::Sleep(plat::ListView::kRepaintIntervalMs);
  list->InsertItem(2, "c");
  EXPECT_EQ(list->RepaintsSignalled(), before + 1);
  EXPECT_FALSE(list->RepaintPending());
  plat::testing::Advance(plat::ListView::kRepaintIntervalMs);
  EXPECT_EQ(list->RepaintsSignalled(), before + 1) << "the stopped timer told it again";
}

TEST_F(ListViewTest, ExtendedStylesKeepTheOtherBits) {
  EXPECT_EQ(list->SetExtendedStyle(plat::LVS_EX_FULLROWSELECT), 0u);
  const std::uint32_t old = list->SetExtendedStyle(list->GetExtendedStyle() | plat::LVS_EX_GRIDLINES);
  EXPECT_EQ(old, plat::LVS_EX_FULLROWSELECT);
  EXPECT_EQ(list->GetExtendedStyle(), plat::LVS_EX_FULLROWSELECT | plat::LVS_EX_GRIDLINES);
  EXPECT_TRUE(list->ReportMode());
  list->Style = plat::LVS_LIST;
  EXPECT_FALSE(list->ReportMode());
}

}  // namespace
