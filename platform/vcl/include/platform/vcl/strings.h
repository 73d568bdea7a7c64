#pragma once
// Lists of text lines: combo-box items, memo lines, plain string lists.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii.h"
#include "platform/ui/core.h"

namespace plat {

// CompareText and SameText (platform/ascii.h) compare as text without regard
// to ASCII case ("10" sorts before "2").

class TStrings {
 public:
  enum class ChangeKind { Inserted, Deleted, Replaced, Cleared, Reset };
  // Told after every change: what happened and at which index (-1 for all).
  using ChangeHook = std::function<void(ChangeKind kind, int index)>;

  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  virtual ~TStrings() = default;

  int GetCount() const { return static_cast<int>(items_.size()); }
  // The lines joined by CR LF (no break after the last line).
  std::string GetText() const;
  // Splits at CR LF, LF or CR; a final line break makes no extra empty line.
  void SetText(std::string text);

  ReadOnly<TStrings, int, &TStrings::GetCount> Count{this};
  Accessor<TStrings, std::string, &TStrings::GetText, &TStrings::SetText> Text{this};

  // Appends (or, in a sorted list, inserts in order) and answers the index.
  int Add(const std::string& s);
  void Insert(int index, const std::string& s);
  void Delete(int index);
  void Clear();
  // The first line equal to s, compared without regard to case; -1 if none.
  int IndexOf(std::string_view s) const;
  const std::string& Get(int index) const;
  void Put(int index, const std::string& s);
  const std::string& operator[](int index) const { return Get(index); }
  void Assign(const TStrings& other);
  void AddStrings(const TStrings& other);

  // Strings[i] reads and assigns a line.
  class Line {
   public:
    Line(TStrings* list, int index) : list_(list), index_(index) {}
    operator const std::string&() const { return list_->Get(index_); }  // NOLINT
    Line& operator=(const std::string& s) { list_->Put(index_, s); return *this; }
    const std::string& operator()() const { return list_->Get(index_); }

   private:
    TStrings* list_;
    int index_;
  };
  class Lines {
   public:
    explicit Lines(TStrings* list) : list_(list) {}
    Line operator[](int index) const { return Line(list_, index); }

   private:
    TStrings* list_;
  };
  Lines Strings{this};

  const std::vector<std::string>& Items() const { return items_; }
  std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
  std::vector<std::string>::const_iterator end() const { return items_.end(); }

  void SetChangeHook(ChangeHook hook) { hook_ = std::move(hook); }

 protected:
  bool sorted_ = false;
  void SortNow();

 private:
  void CheckIndex(int index, bool allowEnd) const;
  void SortItems();
  void Notify(ChangeKind kind, int index) {
    if (hook_) hook_(kind, index);
  }
  std::vector<std::string> items_;
  ChangeHook hook_;
};

class TStringList : public TStrings {
 public:
  bool GetSorted() const { return sorted_; }
  void SetSorted(bool sorted);
  Accessor<TStringList, bool, &TStringList::GetSorted, &TStringList::SetSorted> Sorted{this};
};

}  // namespace plat
