// The list-view control as a Qt table: columns, cells, styles, the owner's
// colours per row, and rows that reach Qt no faster than the control tells.
#include <QHeaderView>
#include <QImage>
#include <QTableView>

#include <cstdlib>

#include "platform/ui/list_view.h"
#include "qt_forms_support.h"

namespace {

using gui::testing::QtFixture;

class ListViewRendering : public QtFixture {
 protected:
  ListViewRendering() {
    form = vcl::Create<vcl::TForm>(&ui.App(), "Form_List");
    form->ClientWidth = 420;
    form->ClientHeight = 300;
    list = new plat::ListView(form);
    list->SetParent(form);
    list->SetBounds(0, 0, 420, 300);
    list->InsertColumn(0, "Prozess", plat::LVCFMT_CENTER, 100, 0);
    list->InsertColumn(1, "Ausgabe", plat::LVCFMT_LEFT, 200, 1);
    form->Show();
  }
  QTableView* Table() { return WidgetOf<QTableView>(list); }
  void AddRow(const std::string& a, const std::string& b) {
    const int row = list->InsertItem(list->GetItemCount(), a);
    list->SetItemText(row, 1, b);
  }
  // Whether some pixel of the rectangle is like the colour (text is
  // smoothed: its pixels come near the colour).
  static bool Shows(const QImage& image, const QRect& r, const QColor& colour, int tolerance = 0) {
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        const QColor p = image.pixelColor(x, y);
        if (std::abs(p.red() - colour.red()) <= tolerance && std::abs(p.green() - colour.green()) <= tolerance &&
            std::abs(p.blue() - colour.blue()) <= tolerance)
          return true;
      }
    }
    return false;
  }

  vcl::TForm* form;
  plat::ListView* list;
};

TEST_F(ListViewRendering, ColumnsCellsAndStylesReachTheTable) {
  AddRow("proc", "text");
  list->SetExtendedStyle(plat::LVS_EX_GRIDLINES | plat::LVS_EX_HEADERDRAGDROP);
  QTableView* t = Table();
  ASSERT_TRUE(t);
  ASSERT_EQ(t->model()->columnCount(), 2);
  EXPECT_EQ(t->model()->headerData(0, Qt::Horizontal).toString(), "Prozess");
  EXPECT_EQ(t->model()->headerData(1, Qt::Horizontal).toString(), "Ausgabe");
  EXPECT_EQ(t->columnWidth(0), 100);
  EXPECT_EQ(t->columnWidth(1), 200);
  EXPECT_EQ(t->model()->data(t->model()->index(0, 0), Qt::TextAlignmentRole).toInt(),
            static_cast<int>(Qt::AlignHCenter | Qt::AlignVCenter));
  EXPECT_EQ(t->model()->data(t->model()->index(0, 1)).toString(), "text");
  EXPECT_TRUE(t->showGrid());
  EXPECT_TRUE(t->horizontalHeader()->sectionsMovable());
  EXPECT_TRUE(t->horizontalHeader()->isVisibleTo(t));

  // All rows go, and the columns with them.
  list->DeleteAllItems();
  list->DeleteColumn(0);
  plat::testing::Advance(plat::ListView::kRepaintIntervalMs);
  EXPECT_EQ(t->model()->rowCount(), 0);
  EXPECT_EQ(t->model()->columnCount(), 1);
  EXPECT_EQ(t->model()->headerData(0, Qt::Horizontal).toString(), "Ausgabe");
}

TEST_F(ListViewRendering, EachRowIsPaintedInTheColoursItsOwnerGives) {
  AddRow("red", "WWWW");
  AddRow("blue", "WWWW");
  const QColor red(255, 0, 0), blue(0, 0, 255), yellow(255, 255, 0), cyan(0, 255, 255);
  list->OnCustomDraw = [](plat::ListCustomDraw& cd) -> std::intptr_t {
    if (cd.stage == plat::CDDS_PREPAINT) return plat::CDRF_NOTIFYITEMDRAW;
    cd.textColor = cd.item == 0 ? plat::clRed : plat::clBlue;
    cd.textBkColor = cd.item == 0 ? plat::clYellow : plat::clAqua;
    return plat::CDRF_DODEFAULT;
  };
  QTableView* t = Table();
  ASSERT_TRUE(t);
  const QImage image = t->viewport()->grab().toImage();
  const QRect first = t->visualRect(t->model()->index(0, 1));
  const QRect second = t->visualRect(t->model()->index(1, 1));
  EXPECT_TRUE(Shows(image, first, yellow));
  EXPECT_TRUE(Shows(image, first, red, 60));
  EXPECT_FALSE(Shows(image, first, cyan));
  EXPECT_TRUE(Shows(image, second, cyan));
  EXPECT_TRUE(Shows(image, second, blue, 60));
  EXPECT_FALSE(Shows(image, second, yellow));
  // Outside a paint the table does not ask the owner.
  EXPECT_FALSE(t->model()->data(t->model()->index(0, 0), Qt::ForegroundRole).isValid());
}

TEST_F(ListViewRendering, RowsReachTheTableOnlyAsOftenAsTheControlTells) {
  QTableView* t = Table();
  ASSERT_TRUE(t);
  plat::testing::Advance(100);
  for (int i = 0; i < 1000; ++i) {
    AddRow(std::to_string(i), "x");
    list->EnsureVisible(i, true);
    list->Update();
  }
  EXPECT_EQ(t->model()->rowCount(), 1) << "only the first row was told at once";
  plat::testing::Advance(plat::ListView::kRepaintIntervalMs);
  ASSERT_EQ(t->model()->rowCount(), 1000);
  EXPECT_EQ(t->model()->data(t->model()->index(999, 0)).toString(), "999");
  EXPECT_EQ(t->model()->data(t->model()->index(500, 0)).toString(), "500");
  EXPECT_TRUE(t->viewport()->rect().intersects(t->visualRect(t->model()->index(999, 0))))
      << "the last row was scrolled into view";
}

}  // namespace
