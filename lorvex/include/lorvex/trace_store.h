#pragma once
// The kept traces, compactly: each trace is one record of its channel and
// its four texts back to back in large blocks (a byte for the channel, the
// texts' lengths in one to five bytes each, then the texts), reached through
// one pointer. The list view reads its cells from here, so each text is held
// once; a kept trace costs its texts and about 15 bytes more. Blocks are
// never moved: a text read stays valid until the store is cleared.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One kept trace, as read from the store: the channel and its four texts.
class CTraceEntry {
 public:
  std::string GetDate() const { return std::string(date); }
  std::string GetTime() const { return std::string(time); }
  std::string GetText() const { return std::string(text); }
  std::string GetProcess() const { return std::string(process); }
  // Read like the pointer to an entry it once was.
  const CTraceEntry* operator->() const { return this; }
  CTraceEntry operator*() const { return *this; }

  int id = 0;  // the channel, 1 to 30 after clamping
  std::string_view date;
  std::string_view time;
  std::string_view text;
  std::string_view process;
};

class TraceStore {
 public:
  TraceStore() = default;
  TraceStore(const TraceStore&) = delete;
  TraceStore& operator=(const TraceStore&) = delete;

  void Append(int id, std::string_view process, std::string_view date, std::string_view time,
              std::string_view text);
  void clear();
  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  CTraceEntry operator[](std::size_t i) const { return Read(records_[i]); }
  CTraceEntry back() const { return Read(records_.back()); }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = CTraceEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = const CTraceEntry*;
    using reference = CTraceEntry;
    const_iterator(const TraceStore* store, std::size_t i) : store_(store), i_(i) {}
    CTraceEntry operator*() const { return (*store_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return i_ == o.i_; }

   private:
    const TraceStore* store_;
    std::size_t i_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // What the store holds on the heap, for the benchmark.
  std::size_t MemoryBytes() const;

 private:
  static CTraceEntry Read(const char* record);
  char* Room(std::size_t bytes);

  static constexpr std::size_t kBlockBytes = 256 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<std::size_t> blockSizes_;
  std::size_t used_ = 0;  // of the last block
  std::deque<const char*> records_;
};

// Which kept trace each list row shows: row n shows entry RowMap[n]. A row
// never given an entry maps to none.
class RowIndex {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  // The row's entry, made (mapping to none) when missing.
  std::uint32_t& operator[](std::size_t row);
  // kNone when the row maps to none.
  std::uint32_t Find(std::size_t row) const { return row < rows_.size() ? rows_[row] : kNone; }
  std::uint32_t at(std::size_t row) const;  // throws std::out_of_range when none
  std::size_t count(std::size_t row) const { return Find(row) != kNone ? 1 : 0; }
  void erase(std::size_t row);
  void clear() { rows_.clear(); }
  bool empty() const;
  // Every row's entry in row order, kNone for a row that maps to none.
  std::vector<std::uint32_t> Rows() const { return {rows_.begin(), rows_.end()}; }
  std::size_t MemoryBytes() const { return rows_.size() * sizeof(std::uint32_t); }

 private:
  std::deque<std::uint32_t> rows_;
};
