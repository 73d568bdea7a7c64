#include "platform/ui/list_view.h"

#include <algorithm>

#include "platform/ui/application.h"
#include "platform/ui/clock.h"

namespace plat {

ListView::ListView(Component* owner) : Window(owner) {
  Color.Init(clWindow);
  Style.Init(LVS_REPORT);
}

ListView::~ListView() = default;

// ---------------------------------------------------------------- columns
int ListView::InsertColumn(int index, const ListColumn& column) {
  if (index < 0) return -1;
  index = std::min(index, GetColumnCount());
  columns_.insert(columns_.begin() + index, column);
  // The cells keep their columns: a column put before others moves their cells right.
  for (auto& cells : rows_) {
    if (static_cast<std::size_t>(index) < cells.size()) cells.insert(cells.begin() + index, std::string());
  }
  Relayout();
  return index;
}

int ListView::InsertColumn(int index, const std::string& text, int format, int width, int subItem) {
  ListColumn c;
  c.text = text;
  c.format = format;
  c.width = width < 0 ? 0 : width;
  c.subItem = subItem < 0 ? std::max(0, std::min(index, GetColumnCount())) : subItem;
  return InsertColumn(index, c);
}

bool ListView::DeleteColumn(int index) {
  if (index < 0 || index >= GetColumnCount()) return false;
  columns_.erase(columns_.begin() + index);
  for (auto& cells : rows_) {
    if (static_cast<std::size_t>(index) < cells.size()) cells.erase(cells.begin() + index);
    if (cells.empty()) cells.emplace_back();  // a row always has its item text
  }
  Relayout();
  return true;
}

// ---------------------------------------------------------------- rows
void ListView::SetItemCount(int count) {
  if (!OwnerData() || count < 0 || count == count_) return;
  if (count < count_) ++generation_;
  count_ = count;
  Request(dfContent);
}

int ListView::InsertItem(int row, const std::string& text) {
  if (row < 0 || OwnerData()) return -1;
  const bool atEnd = row >= GetItemCount();
  row = std::min(row, GetItemCount());
  rows_.insert(rows_.begin() + row, std::vector<std::string>{text});
  if (!atEnd) ++generation_;
  Request(dfContent);
  return row;
}

bool ListView::SetItemText(int row, int subItem, const std::string& text) {
  if (row < 0 || row >= GetItemCount() || subItem < 0 || OwnerData()) return false;
  auto& cells = rows_[static_cast<std::size_t>(row)];
  if (cells.size() <= static_cast<std::size_t>(subItem)) cells.resize(static_cast<std::size_t>(subItem) + 1);
  cells[static_cast<std::size_t>(subItem)] = text;
  Request(dfContent);
  return true;
}

std::string ListView::GetItemText(int row, int subItem) const {
  if (row < 0 || row >= GetItemCount() || subItem < 0) return {};
  if (OwnerData()) return OnGetItemText ? std::string(OnGetItemText(row, subItem)) : std::string();
  const auto& cells = rows_[static_cast<std::size_t>(row)];
  return static_cast<std::size_t>(subItem) < cells.size() ? cells[static_cast<std::size_t>(subItem)] : std::string();
}

bool ListView::DeleteItem(int row) {
  if (row < 0 || row >= GetItemCount() || OwnerData()) return false;
  rows_.erase(rows_.begin() + row);
  ++generation_;
  Request(dfContent);
  return true;
}

bool ListView::DeleteAllItems() {
  if (OwnerData()) {
    SetItemCount(0);
    return true;
  }
  if (!rows_.empty()) {
    rows_.clear();
    ++generation_;
    Request(dfContent);
  }
  return true;
}

bool ListView::EnsureVisible(int row, bool) {
  if (row < 0 || row >= GetItemCount()) return false;
  scrollRow_ = row;
  ++scrollSerial_;
  Request(dfState);
  return true;
}

std::uint32_t ListView::SetExtendedStyle(std::uint32_t exStyle) {
  const std::uint32_t old = exStyle_;
  if (exStyle != old) {
    exStyle_ = exStyle;
    Changed(dfAppearance);
  }
  return old;
}

void ListView::Relayout() {
  ++generation_;
  Request(dfContent);
}

// ---------------------------------------------------------------- custom draw
ListView::PaintPass ListView::BeginPaint() const {
  PaintPass pass;
  if (!OnCustomDraw) return pass;
  ListCustomDraw cd;
  cd.stage = CDDS_PREPAINT;
  pass.notifyItems = (OnCustomDraw(cd) & CDRF_NOTIFYITEMDRAW) != 0;
  return pass;
}

RowLook ListView::ItemLook(const PaintPass& pass, int row) const {
  RowLook look;
  look.text = Font->Color;
  look.background = Color;
  if (!pass.notifyItems || !OnCustomDraw || row < 0 || row >= GetItemCount()) return look;
  ListCustomDraw cd;
  cd.stage = CDDS_ITEMPREPAINT;
  cd.item = row;
  cd.textColor = look.text;
  cd.textBkColor = look.background;
  OnCustomDraw(cd);
  return {cd.textColor, cd.textBkColor};
}

// ---------------------------------------------------------------- coalescing
void ListView::Request(std::uint32_t flags) {
  pending_ |= flags;
  Application* app = Application::Current();
  const std::uint64_t now = CurrentClock().NowMs();
  // Without a loop there is no timer to wait for: tell at once.
  if (!app || !everSignalled_ || now >= lastSignal_ + kRepaintIntervalMs) {
    if (timer_) timer_->SetEnabled(false);
    Signal();
    return;
  }
  if (!timer_) {
    timer_ = std::make_unique<Timer>();
    const std::uint64_t self = Id();
    timer_->SetHandler([self] {
      if (auto* list = dynamic_cast<ListView*>(Component::FromId(self))) {
        list->timer_->SetEnabled(false);
        list->Signal();
      }
    });
  }
  if (timer_->Enabled()) return;  // the interval's end tells this change too
  timer_->SetInterval(static_cast<std::uint32_t>(lastSignal_ + kRepaintIntervalMs - now));
  timer_->SetEnabled(true);
}

void ListView::Signal() {
  const std::uint32_t flags = pending_;
  pending_ = 0;
  if (flags == 0) return;
  everSignalled_ = true;
  lastSignal_ = CurrentClock().NowMs();
  ++signalled_;
  Changed(flags);
}

}  // namespace plat
