#include "platform/vcl/strings.h"

#include <algorithm>
#include <cctype>

#include "platform/exception.h"

namespace plat {

std::string TStrings::GetText() const {
  std::string out;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (i) out += "\r\n";
    out += items_[i];
  }
  return out;
}

void TStrings::SetText(std::string text) {
  items_.clear();
  std::string line;
  bool pending = false;  // something since the last break
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      items_.push_back(line);
      line.clear();
      pending = false;
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += ch;
      pending = true;
    }
  }
  if (pending) items_.push_back(line);
  if (sorted_) SortItems();
  Notify(ChangeKind::Reset, -1);
}

void TStrings::CheckIndex(int index, bool allowEnd) const {
  const int limit = static_cast<int>(items_.size()) + (allowEnd ? 1 : 0);
  if (index < 0 || index >= limit) {
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  }
}

int TStrings::Add(const std::string& s) {
  int index = static_cast<int>(items_.size());
  if (sorted_) {
    auto it = std::upper_bound(items_.begin(), items_.end(), s,
                               [](const std::string& a, const std::string& b) {
                                 return CompareText(a, b) < 0;
                               });
    index = static_cast<int>(it - items_.begin());
  }
  items_.insert(items_.begin() + index, s);
  Notify(ChangeKind::Inserted, index);
  return index;
}

void TStrings::Insert(int index, const std::string& s) {
  CheckIndex(index, true);
  items_.insert(items_.begin() + index, s);
  Notify(ChangeKind::Inserted, index);
}

void TStrings::Delete(int index) {
  CheckIndex(index, false);
  items_.erase(items_.begin() + index);
  Notify(ChangeKind::Deleted, index);
}

void TStrings::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Notify(ChangeKind::Cleared, -1);
}

int TStrings::IndexOf(std::string_view s) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (SameText(items_[i], s)) return static_cast<int>(i);
  }
  return -1;
}

const std::string& TStrings::Get(int index) const {
  CheckIndex(index, false);
  return items_[static_cast<std::size_t>(index)];
}

void TStrings::Put(int index, const std::string& s) {
  CheckIndex(index, false);
  items_[static_cast<std::size_t>(index)] = s;
  Notify(ChangeKind::Replaced, index);
}

void TStrings::Assign(const TStrings& other) {
  if (&other == this) return;
  items_ = other.items_;
  if (sorted_) SortItems();
  Notify(ChangeKind::Reset, -1);
}

void TStrings::AddStrings(const TStrings& other) {
  const std::vector<std::string> copy = other.items_;
  for (const auto& s : copy) Add(s);
}

void TStrings::SortItems() {
  std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
}

void TStrings::SortNow() {
  SortItems();
  Notify(ChangeKind::Reset, -1);
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  sorted_ = sorted;
  if (sorted_) SortNow();
}

}  // namespace plat
