#include "lorvex/lorvex_view.h"

afx::BOOL CLorvexView::Create(const std::string& className, const std::string&, std::uint32_t style,
                              const afx::RECT& rect, afx::CWnd* parent, afx::UINT id, afx::CCreateContext* context) {
  return CView::Create(className, "Sallowmere Window", style, rect, parent, id, context);
}

int CLorvexView::InsertItem(int row, const std::string& text) {
  if (row < 0) return -1;
  if (row > GetItemCount()) row = GetItemCount();
  rows_.insert(rows_.begin() + row, std::vector<std::string>{text});
  Invalidate();
  return row;
}

bool CLorvexView::SetItemText(int row, int subItem, const std::string& text) {
  if (row < 0 || row >= GetItemCount() || subItem < 0) return false;
  auto& cells = rows_[static_cast<std::size_t>(row)];
  if (cells.size() <= static_cast<std::size_t>(subItem)) cells.resize(static_cast<std::size_t>(subItem) + 1);
  cells[static_cast<std::size_t>(subItem)] = text;
  Invalidate();
  return true;
}

bool CLorvexView::EnsureVisible(int row, bool) {
  if (row < 0 || row >= GetItemCount()) return false;
  ensured_ = row;
  return true;
}

void CLorvexView::RepaintList() {
  ++repaints_;
  UpdateWindow();
}
