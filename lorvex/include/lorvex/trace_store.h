#pragma once
// The kept traces, compactly. Each trace is kept as the line the saved list
// writes for it ("process\tdate\ttime\ttext\r\n"), the lines back to back in
// large blocks, so that saving writes whole runs of lines as they lie; the
// texts' lengths (one to five bytes each) sit apart at the block's far end,
// the channel beside the line's place in the index. The list view reads its
// cells from here, so each text is held once; a kept trace costs its texts
// and about 25 bytes more. Blocks are never moved: a text read stays valid
// until the store is cleared.

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
  // The saved list's line: the four texts between tabs, then CR LF.
  std::string_view line;
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

  // Every kept line in order, in as few runs as they lie in (a run a block).
  template <typename Sink>
  void ForEachRun(Sink&& sink) const {
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      const char* begin = blocks_[i].bytes.get();
      const char* end = i + 1 < blocks_.size() ? blocks_[i].linesEnd : front_;
      if (end != begin && !sink(std::string_view(begin, static_cast<std::size_t>(end - begin)))) return;
    }
  }
  // The kept lines of the traces whose channel keep(id) accepts, in order,
  // in as few runs as they lie in: a run ends at a trace left out and at the
  // end of a block. sink(run) answers false to stop.
  template <typename Keep, typename Sink>
  void ForEachRun(Keep&& keep, Sink&& sink) const {
    std::size_t block = 0;
    const char* begin = nullptr;  // of the run being gathered
    const Record* last = nullptr;  // its last trace
    auto close = [&] {
      if (!begin) return true;
      const std::string_view run(begin, static_cast<std::size_t>(last->line + LineBytes(*last) - begin));
      begin = nullptr;
      return sink(run);
    };
    for (const Record& r : records_) {
      if (!keep(static_cast<int>(r.id))) {
        if (!close()) return;
        continue;
      }
      // Traces lie in block order: a trace past the run's block begins another.
      const auto at = reinterpret_cast<std::uintptr_t>(r.line);
      bool moved = false;
      while (at - reinterpret_cast<std::uintptr_t>(blocks_[block].bytes.get()) >= blocks_[block].size) {
        ++block;
        moved = true;
      }
      if (moved && !close()) return;
      if (!begin) begin = r.line;
      last = &r;
    }
    close();
  }

  // What the store holds on the heap, for the benchmark.
  std::size_t MemoryBytes() const;

  // A trace whose line and lengths are larger than this gets a block of its own.
  static constexpr std::size_t kBlockBytes = 1024 * 1024;

 private:
  struct Record {
    const char* line;
    std::uint32_t lengthsAt;  // the four lengths, this far past the line
    std::int32_t id;
  };
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t size;
    const char* linesEnd;  // once the next block is begun
  };
  static CTraceEntry Read(const Record& record);
  static std::size_t LineBytes(const Record& record);
  void NewBlock(std::size_t atLeast);

  std::vector<Block> blocks_;
  char* front_ = nullptr;  // where the next line goes in the last block
  char* back_ = nullptr;   // where its lengths end there
  std::deque<Record> records_;
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
