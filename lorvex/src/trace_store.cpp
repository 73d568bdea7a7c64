#include "lorvex/trace_store.h"

#include <cstring>
#include <stdexcept>

namespace {

// A length in 7-bit groups, low first; the high bit says another follows.
char* PutLength(char* at, std::size_t n) {
  while (n >= 0x80) {
    *at++ = static_cast<char>((n & 0x7F) | 0x80);
    n >>= 7;
  }
  *at++ = static_cast<char>(n);
  return at;
}

const char* GetLength(const char* at, std::size_t& n) {
  n = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    n |= static_cast<std::size_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return at;
  }
}

constexpr std::size_t kMaxLengthBytes = 10;

}  // namespace

char* TraceStore::Room(std::size_t bytes) {
  if (blocks_.empty() || blockSizes_.back() - used_ < bytes) {
    // A record larger than a block gets a block of its own.
    const std::size_t size = std::max(kBlockBytes, bytes);
    blocks_.push_back(std::make_unique<char[]>(size));
    blockSizes_.push_back(size);
    used_ = 0;
  }
  char* at = blocks_.back().get() + used_;
  used_ += bytes;
  return at;
}

void TraceStore::Append(int id, std::string_view process, std::string_view date, std::string_view time,
                        std::string_view text) {
  const std::string_view fields[] = {process, date, time, text};
  std::size_t need = 1;
  for (std::string_view f : fields) need += kMaxLengthBytes + f.size();
  char* record = Room(need);
  char* at = record;
  *at++ = static_cast<char>(id);
  for (std::string_view f : fields) {
    at = PutLength(at, f.size());
    if (!f.empty()) std::memcpy(at, f.data(), f.size());
    at += f.size();
  }
  // The room not used goes back to the block.
  used_ -= need - static_cast<std::size_t>(at - record);
  records_.push_back(record);
}

CTraceEntry TraceStore::Read(const char* record) {
  CTraceEntry e;
  e.id = static_cast<signed char>(*record++);
  std::string_view* fields[] = {&e.process, &e.date, &e.time, &e.text};
  for (std::string_view* f : fields) {
    std::size_t n = 0;
    record = GetLength(record, n);
    *f = std::string_view(record, n);
    record += n;
  }
  return e;
}

void TraceStore::clear() {
  records_.clear();
  records_.shrink_to_fit();
  blocks_.clear();
  blockSizes_.clear();
  used_ = 0;
}

std::size_t TraceStore::MemoryBytes() const {
  std::size_t bytes = records_.size() * sizeof(const char*);
  for (std::size_t size : blockSizes_) bytes += size;
  return bytes;
}

std::uint32_t& RowIndex::operator[](std::size_t row) {
  if (row >= rows_.size()) rows_.resize(row + 1, kNone);
  return rows_[row];
}

std::uint32_t RowIndex::at(std::size_t row) const {
  const std::uint32_t entry = Find(row);
  if (entry == kNone) throw std::out_of_range("RowIndex::at");
  return entry;
}

void RowIndex::erase(std::size_t row) {
  if (row < rows_.size()) rows_[row] = kNone;
  while (!rows_.empty() && rows_.back() == kNone) rows_.pop_back();
}

bool RowIndex::empty() const {
  for (std::uint32_t e : rows_)
    if (e != kNone) return false;
  return true;
}
