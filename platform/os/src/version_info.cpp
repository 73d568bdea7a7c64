#include "platform/version_info.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/program_path.h"

namespace plat {

namespace {

std::uint32_t Get16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8);
}
std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }
std::uint64_t Get64(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint64_t>(Get32(b, at)) | (static_cast<std::uint64_t>(Get32(b, at + 4)) << 32);
}
std::size_t Align4(std::size_t v) { return (v + 3) & ~static_cast<std::size_t>(3); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// One node inside [begin, limit) of the block, checked.
struct Node {
  std::size_t begin = 0;
  std::size_t end = 0;  // begin + its length
  std::string_view key;
  std::size_t value = 0;
  std::size_t valueLength = 0;
  std::size_t children = 0;  // where the first child would start
};

std::optional<Node> ReadNode(std::span<const std::uint8_t> b, std::size_t begin, std::size_t limit) {
  if (begin > limit || limit - begin < 6) return std::nullopt;
  const std::size_t length = Get16(b, begin);
  if (length < 6 || length > limit - begin) return std::nullopt;
  Node n;
  n.begin = begin;
  n.end = begin + length;
  const auto* keyStart = b.data() + begin + 6;
  const void* nul = std::memchr(keyStart, 0, n.end - (begin + 6));
  if (!nul) return std::nullopt;
  n.key = std::string_view(reinterpret_cast<const char*>(keyStart),
                           static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - keyStart));
  n.value = Align4(begin + 6 + n.key.size() + 1);
  n.valueLength = Get16(b, begin + 2);
  if (n.value > n.end || n.valueLength > n.end - n.value) return std::nullopt;
  n.children = Align4(n.value + n.valueLength);
  return n;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> block,
                                                               std::string_view path) {
  std::optional<Node> node = ReadNode(block, 0, block.size());
  if (!node) return std::nullopt;
  std::size_t i = 0;
  while (i < path.size()) {
    if (path[i] == '\\') {
      ++i;
      continue;
    }
    const std::size_t stop = std::min(path.find('\\', i), path.size());
    const std::string_view name = path.substr(i, stop - i);
    i = stop;
    // Each child begins after the one before it; every step moves forward by
    // at least a header, so the walk ends.
    std::optional<Node> found;
    for (std::size_t at = node->children; at < node->end;) {
      std::optional<Node> child = ReadNode(block, at, node->end);
      if (!child) return std::nullopt;
      if (SameName(child->key, name)) {
        found = child;
        break;
      }
      at = Align4(child->end);
    }
    if (!found) return std::nullopt;
    node = found;
  }
  return block.subspan(node->value, node->valueLength);
}

std::optional<std::string_view> VersionValueText(std::span<const std::uint8_t> value) {
  const void* nul = value.empty() ? nullptr : std::memchr(value.data(), 0, value.size());
  if (!nul) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(value.data()),
                          static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - value.data()));
}

namespace {

// Where the bytes of an ELF file come from: memory (the fuzz target, tests) or
// a file read piece by piece.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Exactly `size` bytes at `offset`, or false.
  virtual bool Read(std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Read(std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes_.begin() + static_cast<std::ptrdiff_t>(offset + size));
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~FileSource() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Ok() const { return fd_ >= 0; }
  bool Read(std::uint64_t offset, std::size_t size, std::vector<std::uint8_t>& out) override {
    out.assign(size, 0);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
};

// The section-header table and the section-name table are bounded too: an ELF
// file of ours has a few dozen sections.
constexpr std::size_t kMaxSections = 4096;
constexpr std::size_t kMaxNameTable = 1 << 20;

struct Section {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// ELF64 little-endian only: what this system builds.
std::optional<Section> LocateVersionSection(ByteSource& src) {
  std::vector<std::uint8_t> header;
  if (!src.Read(0, 64, header)) return std::nullopt;
  if (header[0] != 0x7F || header[1] != 'E' || header[2] != 'L' || header[3] != 'F') return std::nullopt;
  if (header[4] != 2 || header[5] != 1) return std::nullopt;  // 64-bit, little-endian
  const std::uint64_t shoff = Get64(header, 0x28);
  const std::size_t shentsize = Get16(header, 0x3A);
  const std::size_t shnum = Get16(header, 0x3C);
  const std::size_t shstrndx = Get16(header, 0x3E);
  if (shentsize < 64 || shnum == 0 || shnum > kMaxSections || shstrndx >= shnum) return std::nullopt;
  std::vector<std::uint8_t> table;
  if (!src.Read(shoff, shentsize * shnum, table)) return std::nullopt;
  auto entry = [&](std::size_t i) { return std::span<const std::uint8_t>(table).subspan(i * shentsize, 64); };

  const auto names = entry(shstrndx);
  const std::uint64_t namesSize = Get64(names, 0x20);
  if (namesSize == 0 || namesSize > kMaxNameTable) return std::nullopt;
  std::vector<std::uint8_t> nameTable;
  if (!src.Read(Get64(names, 0x18), static_cast<std::size_t>(namesSize), nameTable)) return std::nullopt;

  const std::string_view wanted = kVersionSectionName;
  for (std::size_t i = 0; i < shnum; ++i) {
    const auto e = entry(i);
    const std::uint32_t name = Get32(e, 0);
    const std::uint32_t type = Get32(e, 4);
    if (type == 8 /* SHT_NOBITS */ || name >= nameTable.size()) continue;
    const std::size_t room = nameTable.size() - name;
    if (room <= wanted.size() || nameTable[name + wanted.size()] != 0) continue;
    if (std::memcmp(nameTable.data() + name, wanted.data(), wanted.size()) != 0) continue;
    return Section{Get64(e, 0x18), Get64(e, 0x20)};
  }
  return std::nullopt;
}

// The section's bytes as a block: its root must fit the section.
bool RootFits(std::span<const std::uint8_t> block) {
  return block.size() >= 6 && Get16(block, 0) >= 6 && Get16(block, 0) <= block.size();
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindVersionSection(std::span<const std::uint8_t> file) {
  MemorySource src(file);
  const std::optional<Section> s = LocateVersionSection(src);
  if (!s || s->size > kMaxVersionBlock || s->offset > file.size() || s->size > file.size() - s->offset) {
    return std::nullopt;
  }
  const auto block = file.subspan(static_cast<std::size_t>(s->offset), static_cast<std::size_t>(s->size));
  if (!RootFits(block)) return std::nullopt;
  return block;
}

std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const std::string& path) {
  FileSource src(path);
  if (!src.Ok()) return std::nullopt;
  const std::optional<Section> s = LocateVersionSection(src);
  if (!s || s->size > kMaxVersionBlock) return std::nullopt;
  std::vector<std::uint8_t> block;
  if (!src.Read(s->offset, static_cast<std::size_t>(s->size), block) || !RootFits(block)) return std::nullopt;
  return block;
}

std::string ModuleFileName(void* module) {
  if (!module) return ProgramFile();
  link_map* map = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name) return ProgramFile();
  return map->l_name;
}

}  // namespace plat
