#pragma once
// The list-view control of the window core, in report mode: columns (title,
// alignment, width), rows of an item text and sub-items, the extended styles
// for grid lines and header drag and drop, and custom draw - at paint time
// the control asks its owner for each row's text and background colour.
//
// With the style LVS_OWNERDATA the control is a virtual list: it keeps no
// cells, only a row count (SetItemCount), and reads each cell from its owner
// (OnGetItemText) when it is asked for it - at paint time. So a list of a
// million rows costs the control nothing per row.
//
// Repaints are coalesced: the control keeps every row the moment it is
// inserted, but tells the backend that its rows changed at most once per
// kRepaintIntervalMs of the clock; a change inside that interval is told when
// it ends (a timer), or by the first change after it. A flood of rows thus
// costs the backend a few syncs instead of one per row, and nothing is
// dropped or reordered. Everything here belongs to the window thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/core.h"

namespace plat {

class Timer;

// ---------------------------------------------------------------- styles
// The view mode, in the low bits of Style.
constexpr std::uint32_t LVS_ICON = 0x0000, LVS_REPORT = 0x0001, LVS_SMALLICON = 0x0002, LVS_LIST = 0x0003,
                        LVS_TYPEMASK = 0x0003, LVS_OWNERDATA = 0x1000;
// Extended list styles (GetExtendedStyle / SetExtendedStyle).
constexpr std::uint32_t LVS_EX_GRIDLINES = 0x00000001, LVS_EX_HEADERDRAGDROP = 0x00000010,
                        LVS_EX_FULLROWSELECT = 0x00000020;

// Column alignment.
constexpr int LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2, LVCFMT_JUSTIFYMASK = 3;

// A column's sub-item number is kept as given; a cell shows under the column
// whose position equals its sub-item number (sub-item n under column n),
// which is how rows are filled.
struct ListColumn {
  std::string text;
  int format = LVCFMT_LEFT;
  int width = 0;  // pixels
  int subItem = 0;
  bool operator==(const ListColumn&) const = default;
};

// ---------------------------------------------------------------- custom draw
constexpr std::uint32_t CDDS_PREPAINT = 0x00000001, CDDS_POSTPAINT = 0x00000002, CDDS_ITEM = 0x00010000,
                        CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr std::intptr_t CDRF_DODEFAULT = 0x00000000, CDRF_NEWFONT = 0x00000002, CDRF_SKIPDEFAULT = 0x00000004,
                        CDRF_NOTIFYITEMDRAW = 0x00000020;

// One question of custom draw: the stage, the row (item stages only) and
// the colours the owner may change.
struct ListCustomDraw {
  std::uint32_t stage = 0;
  int item = -1;
  TColor textColor = clWindowText;
  TColor textBkColor = clWindow;
};

// The colours of one row as painted.
struct RowLook {
  TColor text = clWindowText;
  TColor background = clWindow;
  bool operator==(const RowLook&) const = default;
};

class ListView : public Window {
 public:
  explicit ListView(Component* owner);
  ~ListView() override;
  const char* ClassName() const override { return "ListView"; }

  // ---- columns
  // Inserts before column index (appends past the end); answers the new
  // column's index, or -1 for a negative index.
  int InsertColumn(int index, const ListColumn& column);
  // A width or sub-item of -1 is not given: width 0, the column's index.
  int InsertColumn(int index, const std::string& text, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  // The cells under the column go with it; those to its right move left.
  bool DeleteColumn(int index);
  int GetColumnCount() const { return static_cast<int>(columns_.size()); }
  const std::vector<ListColumn>& Columns() const { return columns_; }

  // ---- rows
  int GetItemCount() const { return OwnerData() ? count_ : static_cast<int>(rows_.size()); }
  bool OwnerData() const { return (Style & LVS_OWNERDATA) != 0; }
  // A virtual list's rows: more rows than before are rows appended at the
  // end, fewer a new layout. Ignored without LVS_OWNERDATA.
  void SetItemCount(int count);
  // A virtual list's cells, asked for by row and sub-item; the text must
  // stay valid until the owner's next change.
  std::function<std::string_view(int row, int subItem)> OnGetItemText;
  // Inserts a row with its item text at row (appends past the end); answers
  // the inserted row's index, or -1 for a negative row.
  int InsertItem(int row, const std::string& text);
  // Sub-item 0 is the item text. Neither inserts nor sets anything in a
  // virtual list (its owner keeps the cells).
  bool SetItemText(int row, int subItem, const std::string& text);
  std::string GetItemText(int row, int subItem) const;
  bool DeleteItem(int row);
  bool DeleteAllItems();
  // Scrolls so that row shows; the backend reads it back with ScrollTarget.
  bool EnsureVisible(int row, bool partialOk);

  // ---- extended styles
  std::uint32_t GetExtendedStyle() const { return exStyle_; }
  // Answers the previous extended style.
  std::uint32_t SetExtendedStyle(std::uint32_t exStyle);
  bool ReportMode() const { return (Style & LVS_TYPEMASK) == LVS_REPORT; }

  // ---- custom draw
  // The owner's answer to each stage; none: default colours.
  std::function<std::intptr_t(ListCustomDraw& cd)> OnCustomDraw;
  // One paint of the control: its pre-paint stage asks whether the owner
  // wants to be asked per row.
  struct PaintPass {
    bool notifyItems = false;
  };
  PaintPass BeginPaint() const;
  RowLook ItemLook(const PaintPass& pass, int row) const;

  // ---- for the backend
  static constexpr std::uint32_t kRepaintIntervalMs = 16;
  // Bumped by every change that is more than rows appended at the end or
  // cells set (a deletion, an insertion before the end, a column change):
  // a backend that saw the same generation only has to add rows.
  std::uint64_t LayoutGeneration() const { return generation_; }
  // The row last asked for by EnsureVisible, and a number that grows with each request.
  int ScrollTarget() const { return scrollRow_; }
  std::uint64_t ScrollSerial() const { return scrollSerial_; }
  // How many times the backend has been told that the rows changed.
  int RepaintsSignalled() const { return signalled_; }
  // Whether a change waits for the end of the interval.
  bool RepaintPending() const { return pending_ != 0; }

 private:
  // A change of the rows or of what is scrolled to: told now, or when the interval ends.
  void Request(std::uint32_t flags);
  void Signal();
  void Relayout();
  std::vector<ListColumn> columns_;
  std::vector<std::vector<std::string>> rows_;
  int count_ = 0;  // a virtual list's rows
  std::uint32_t exStyle_ = 0;
  std::uint64_t generation_ = 0;
  int scrollRow_ = -1;
  std::uint64_t scrollSerial_ = 0;
  // coalescing
  std::uint32_t pending_ = 0;
  bool everSignalled_ = false;
  std::uint64_t lastSignal_ = 0;
  int signalled_ = 0;
  std::unique_ptr<Timer> timer_;
};

}  // namespace plat
