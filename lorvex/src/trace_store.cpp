#include "lorvex/trace_store.h"

#include <algorithm>
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

void TraceStore::NewBlock(std::size_t atLeast) {
  const std::size_t size = std::max(atLeast, kBlockBytes);
  // Not cleared first: every byte handed out is written before it is read.
  auto bytes = std::unique_ptr<char[]>(new char[size]);
  char* begin = bytes.get();
  blocks_.reserve(blocks_.size() + 1);
  if (!blocks_.empty()) blocks_.back().linesEnd = front_;
  blocks_.push_back({std::move(bytes), size, begin});
  front_ = begin;
  back_ = begin + size;
}

void TraceStore::Append(int id, std::string_view process, std::string_view date, std::string_view time,
                        std::string_view text) {
  std::string_view fields[] = {process, date, time, text};
  // A record's lengths lie less than 4 GiB past its line. No trace comes near
  // that (a message holds far less); larger texts would be cut to fit.
  std::size_t room = 0xFFFFFFFFu - 5 - 4 * kMaxLengthBytes;
  for (std::string_view& f : fields) {
    f = f.substr(0, room);
    room -= f.size();
  }
  char lengths[4 * kMaxLengthBytes];
  char* end = lengths;
  std::size_t lineBytes = 5;  // three tabs, CR LF
  for (std::string_view f : fields) {
    end = PutLength(end, f.size());
    lineBytes += f.size();
  }
  const auto lengthBytes = static_cast<std::size_t>(end - lengths);
  if (!front_ || static_cast<std::size_t>(back_ - front_) < lineBytes + lengthBytes) NewBlock(lineBytes + lengthBytes);
  char* line = front_;
  // The index first: should it fail to grow, no line is left in the block
  // that the list does not hold (a save would write it).
  records_.push_back({line, static_cast<std::uint32_t>(back_ - lengthBytes - line), id});
  char* at = line;
  for (std::string_view f : fields) {
    if (!f.empty()) std::memcpy(at, f.data(), f.size());
    at += f.size();
    *at++ = '\t';
  }
  at[-1] = '\r';
  *at = '\n';
  front_ += lineBytes;
  back_ -= lengthBytes;
  std::memcpy(back_, lengths, lengthBytes);
}

CTraceEntry TraceStore::Read(const Record& record) {
  CTraceEntry e;
  e.id = record.id;
  const char* lengths = record.line + record.lengthsAt;
  const char* at = record.line;
  std::string_view* fields[] = {&e.process, &e.date, &e.time, &e.text};
  for (std::string_view* f : fields) {
    std::size_t n = 0;
    lengths = GetLength(lengths, n);
    *f = std::string_view(at, n);
    at += n + 1;
  }
  e.line = std::string_view(record.line, static_cast<std::size_t>(at + 1 - record.line));
  return e;
}

std::size_t TraceStore::LineBytes(const Record& record) {
  const char* lengths = record.line + record.lengthsAt;
  std::size_t bytes = 5;
  for (int f = 0; f < 4; ++f) {
    std::size_t n = 0;
    lengths = GetLength(lengths, n);
    bytes += n;
  }
  return bytes;
}

void TraceStore::clear() {
  records_.clear();
  records_.shrink_to_fit();
  blocks_.clear();
  front_ = back_ = nullptr;
}

std::size_t TraceStore::MemoryBytes() const {
  std::size_t bytes = records_.size() * sizeof(Record);
  for (const Block& b : blocks_) bytes += b.size;
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
