// The list-view control as a table in report mode. The rows are read from
// the control when Qt paints them; Qt is told about new rows only when the
// control says its rows changed (at most once per repaint interval), so a
// flood of rows costs a few model updates. Each row's colours come from the
// control's custom draw, asked once per row and paint.

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTableView>

#include <map>

#include "platform/ui/list_view.h"
#include "window_view.h"

namespace gui {

namespace {

Qt::Alignment ColumnAlignment(int format) {
  switch (format & plat::LVCFMT_JUSTIFYMASK) {
    case plat::LVCFMT_RIGHT: return Qt::AlignRight | Qt::AlignVCenter;
    case plat::LVCFMT_CENTER: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

class ListModel : public QAbstractTableModel {
 public:
  explicit ListModel(std::uint64_t id) : id_(id) {}

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    plat::ListView* list = Live<plat::ListView>(id_);
    if (!list || !index.isValid()) return {};
    const int row = index.row();
    switch (role) {
      case Qt::DisplayRole: return ToQString(list->GetItemText(row, index.column()));
      case Qt::TextAlignmentRole:
        return static_cast<int>(ColumnAlignment(columns_[static_cast<std::size_t>(index.column())].format));
      case Qt::ForegroundRole:
        if (const plat::RowLook* look = Look(*list, row)) return ToQColor(look->text);
        return {};
      case Qt::BackgroundRole:
        if (const plat::RowLook* look = Look(*list, row)) return ToQColor(look->background);
        return {};
      default: return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size())) return {};
    const plat::ListColumn& c = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return ToQString(c.text);
    if (role == Qt::TextAlignmentRole) return static_cast<int>(ColumnAlignment(c.format));
    return {};
  }

  // Takes what the control told: new rows at the end, or everything anew.
  // Answers whether the columns were taken anew.
  bool Take(plat::ListView& list) {
    const int count = list.GetItemCount();
    if (list.LayoutGeneration() != generation_ || list.Columns() != columns_ || count < rows_) {
      beginResetModel();
      generation_ = list.LayoutGeneration();
      columns_ = list.Columns();
      rows_ = count;
      endResetModel();
      return true;
    }
    if (count > rows_) {
      beginInsertRows(QModelIndex(), rows_, count - 1);
      rows_ = count;
      endInsertRows();
    }
    // Cells set on rows already shown.
    if (rows_ > 0 && !columns_.empty()) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount({}) - 1));
    return false;
  }

  // One paint of the table asks the control's owner once per row.
  void BeginPaint() {
    painting_ = true;
    looks_.clear();
    if (plat::ListView* list = Live<plat::ListView>(id_)) pass_ = list->BeginPaint();
  }
  void EndPaint() { painting_ = false; }

 private:
  const plat::RowLook* Look(plat::ListView& list, int row) const {
    if (!painting_) return nullptr;
    auto it = looks_.find(row);
    if (it == looks_.end()) it = looks_.emplace(row, list.ItemLook(pass_, row)).first;
    return &it->second;
  }

  std::uint64_t id_;
  int rows_ = 0;
  std::vector<plat::ListColumn> columns_;
  std::uint64_t generation_ = ~std::uint64_t{0};
  bool painting_ = false;
  plat::ListView::PaintPass pass_;
  mutable std::map<int, plat::RowLook> looks_;
};

class ListWidget : public QTableView {
 public:
  explicit ListWidget(std::uint64_t id) : model_(id) {
    setModel(&model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
  }
  ListModel& Model() { return model_; }
  // Scrolls to a row just told: the scroll bars learn the new rows first.
  void ShowRow(int row) {
    updateGeometries();
    scrollTo(model_.index(row, 0), QAbstractItemView::EnsureVisible);
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    model_.BeginPaint();
    QTableView::paintEvent(e);
    model_.EndPaint();
  }

 private:
  ListModel model_;
};

class ListViewView : public TypedView<ListWidget> {
 public:
  ListViewView(QtBackend& b, Component& c) : TypedView(b, c, new ListWidget(c.Id())) {}

 protected:
  QPalette::ColorRole BackgroundRole() const override { return QPalette::Base; }
  QPalette::ColorRole TextRole() const override { return QPalette::Text; }

  void SyncOwn(plat::Window& w, std::uint32_t flags) override {
    auto& list = static_cast<plat::ListView&>(w);
    ListWidget* q = Get();
    if (flags & (dfCreated | dfAppearance)) {
      const std::uint32_t ex = list.GetExtendedStyle();
      q->setShowGrid((ex & plat::LVS_EX_GRIDLINES) != 0);
      q->horizontalHeader()->setSectionsMovable((ex & plat::LVS_EX_HEADERDRAGDROP) != 0);
      q->horizontalHeader()->setVisible(list.ReportMode());
      q->verticalHeader()->setDefaultSectionSize(q->fontMetrics().height() + 4);
    }
    if (flags & (dfCreated | dfContent)) {
      if (q->Model().Take(list)) {
        for (int i = 0; i < list.GetColumnCount(); ++i) q->setColumnWidth(i, list.Columns()[static_cast<std::size_t>(i)].width);
      }
      q->viewport()->update();
    }
    if ((flags & (dfCreated | dfContent | dfState)) && list.ScrollSerial() != scrolled_) {
      scrolled_ = list.ScrollSerial();
      const int row = list.ScrollTarget();
      if (row >= 0 && row < q->Model().rowCount({}) && q->Model().columnCount({}) > 0) {
        q->ShowRow(row);
      }
    }
  }

 private:
  std::uint64_t scrolled_ = 0;
};

}  // namespace

std::unique_ptr<View> MakeListViewView(QtBackend& b, Component& c) { return std::make_unique<ListViewView>(b, c); }

}  // namespace gui
