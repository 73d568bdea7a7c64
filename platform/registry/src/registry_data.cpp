#include <cerrno>
#include <map>

#include "platform/ascii.h"
#include "platform/registry.h"

namespace plat {

struct RegistryData::Node {
  std::string name;
  std::vector<std::pair<std::string, RegistryValue>> values;
  std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
  std::vector<std::string> kept;  // lines under this key that did not parse, and comments, as they were

  RegistryValue* Value(std::string_view wanted) {
    for (auto& [n, v] : values) {
      if (SameText(n, wanted)) return &v;
    }
    return nullptr;
  }
  // The child of that name, made when missing (with this spelling).
  Node* Make(std::string_view child_name) {
    std::unique_ptr<Node>& slot = children[AsciiFold(child_name)];
    if (!slot) {
      slot = std::make_unique<Node>();
      slot->name = child_name;
    }
    return slot.get();
  }
  // Stores a value; an existing one keeps its place and its name's spelling.
  void Put(std::string_view value_name, RegistryValue value) {
    if (RegistryValue* existing = Value(value_name)) *existing = std::move(value);
    else values.emplace_back(std::string(value_name), std::move(value));
  }
  Node* Child(std::string_view wanted) const {
    const auto it = children.find(AsciiFold(wanted));
    return it == children.end() ? nullptr : it->second.get();
  }
};

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderComment = "; Registry store of the Kestrum suite. Rewritten whole by the programs.";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

void AppendLines(std::string& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out += line;
    out += '\n';
  }
}
constexpr char kLowerHex[] = "0123456789abcdef";

bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
  parts.clear();
  if (path.empty()) return true;
  for (;;) {
    const std::size_t sep = path.find('\\');
    const std::string_view part = path.substr(0, sep);
    if (part.empty()) return false;
    parts.push_back(part);
    if (sep == std::string_view::npos) return true;
    path.remove_prefix(sep + 1);
  }
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

void AppendKeyName(std::string& out, std::string_view name) {
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '%' || c == '[' || c == ']' || IsControl(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (IsControl(c)) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool TwoHex(std::string_view text, std::size_t at, char& byte) {
  if (at + 1 >= text.size()) return false;
  const int hi = HexValue(text[at]), lo = HexValue(text[at + 1]);
  if (hi < 0 || lo < 0) return false;
  byte = static_cast<char>(hi * 16 + lo);
  return true;
}

// Decodes a key line's path into its names; false when damaged.
bool DecodeKeyPath(std::string_view inner, std::vector<std::string>& names) {
  names.clear();
  if (inner.empty()) return true;
  std::string current;
  for (std::size_t i = 0; i <= inner.size(); ++i) {
    if (i == inner.size() || inner[i] == '\\') {
      if (current.empty()) return false;
      names.push_back(std::move(current));
      current.clear();
    } else if (inner[i] == '%') {
      char byte;
      if (!TwoHex(inner, i + 1, byte) || byte == '\\') return false;
      current += byte;
      i += 2;
    } else {
      current += inner[i];
    }
  }
  return true;
}

// Reads a quoted text starting at line[at] == '"'; moves at past the closing quote.
bool ReadQuoted(std::string_view line, std::size_t& at, std::string& out) {
  out.clear();
  if (at >= line.size() || line[at] != '"') return false;
  for (std::size_t i = at + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      at = i + 1;
      return true;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == line.size()) return false;
    switch (line[i]) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        char byte;
        if (!TwoHex(line, i + 1, byte)) return false;
        out += byte;
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return false;
}

bool ParseValueLine(std::string_view line, std::string& name, RegistryValue& value) {
  std::size_t at = 0;
  if (!line.empty() && line[0] == '@') {
    name.clear();
    at = 1;
  } else if (!ReadQuoted(line, at, name)) {
    return false;
  }
  while (at < line.size() && IsBlank(line[at])) ++at;
  if (at >= line.size() || line[at] != '=') return false;
  ++at;
  while (at < line.size() && IsBlank(line[at])) ++at;
  constexpr std::string_view kDword = "dword:";
  if (line.substr(at, kDword.size()) == kDword) {
    const std::string_view digits = line.substr(at + kDword.size());
    if (digits.empty() || digits.size() > 8) return false;
    std::uint32_t n = 0;
    for (const char c : digits) {
      const int d = HexValue(c);
      if (d < 0) return false;
      n = n * 16 + static_cast<std::uint32_t>(d);
    }
    value = RegistryValue::Integer(n);
    return true;
  }
  std::string text;
  if (!ReadQuoted(line, at, text) || at != line.size()) return false;
  value = RegistryValue::String(text);
  return true;
}

}  // namespace

RegistryData::RegistryData() : root_(std::make_unique<Node>()) {}
RegistryData::~RegistryData() = default;
RegistryData::RegistryData(RegistryData&&) noexcept = default;
RegistryData& RegistryData::operator=(RegistryData&&) noexcept = default;

namespace {

template <typename NodeT>
NodeT* Walk(NodeT* node, std::string_view key) {  // null: invalid path or no such key
  std::vector<std::string_view> parts;
  if (!SplitPath(key, parts)) return nullptr;
  for (const std::string_view part : parts) {
    node = node->Child(part);
    if (node == nullptr) return nullptr;
  }
  return node;
}

}  // namespace

bool RegistryData::KeyExists(std::string_view key) const {
  return Walk(root_.get(), key) != nullptr;
}

const RegistryValue* RegistryData::Find(std::string_view key, std::string_view name) const {
  Node* node = Walk(root_.get(), key);
  return node ? node->Value(name) : nullptr;
}

std::vector<std::string> RegistryData::SubKeyNames(std::string_view key) const {
  std::vector<std::string> names;
  if (const Node* node = Walk(root_.get(), key)) {
    for (const auto& [folded, child] : node->children) names.push_back(child->name);
  }
  return names;
}

std::vector<std::string> RegistryData::ValueNames(std::string_view key) const {
  std::vector<std::string> names;
  if (const Node* node = Walk(root_.get(), key)) {
    for (const auto& [name, value] : node->values) names.push_back(name);
  }
  return names;
}

int RegistryData::CreateKey(std::string_view key) {
  std::vector<std::string_view> parts;
  if (!SplitPath(key, parts)) return EINVAL;
  Node* node = root_.get();
  for (const std::string_view part : parts) node = node->Make(part);
  return 0;
}

int RegistryData::SetValue(std::string_view key, std::string_view name, RegistryValue value) {
  if (const int error = CreateKey(key); error != 0) return error;
  Walk(root_.get(), key)->Put(name, std::move(value));
  return 0;
}

int RegistryData::DeleteValue(std::string_view key, std::string_view name) {
  std::vector<std::string_view> parts;
  if (!SplitPath(key, parts)) return EINVAL;
  Node* node = Walk(root_.get(), key);
  if (node == nullptr) return ENOENT;
  for (auto it = node->values.begin(); it != node->values.end(); ++it) {
    if (SameText(it->first, name)) {
      node->values.erase(it);
      return 0;
    }
  }
  return ENOENT;
}

int RegistryData::DeleteKey(std::string_view key) {
  std::vector<std::string_view> parts;
  if (!SplitPath(key, parts) || parts.empty()) return EINVAL;
  Node* parent = root_.get();
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = parent->Child(parts[i]);
    if (parent == nullptr) return ENOENT;
  }
  const auto it = parent->children.find(AsciiFold(parts.back()));
  if (it == parent->children.end()) return ENOENT;
  if (!it->second->children.empty()) return ENOTEMPTY;
  parent->children.erase(it);
  return 0;
}

RegistryData RegistryData::Parse(std::string_view text, std::size_t* damaged_lines) {
  RegistryData data;
  std::size_t damaged = 0;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    data.byteOrderMark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  // Where a line that is kept as it is goes: under the current key, among
  // the lines of a damaged key, or at the top before any key.
  Node* current = nullptr;
  bool inDamagedKey = false;
  auto keep = [&](std::string_view raw) {
    std::vector<std::string>& into = inDamagedKey ? data.damagedKeys_ : current ? current->kept : data.top_;
    into.emplace_back(raw);
  };
  std::vector<std::string> names;
  std::string name;
  RegistryValue value;
  for (bool first = true; !text.empty(); first = false) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    std::string_view line = raw;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first && line == kHeaderComment) continue;  // the writer's own, written anew
    line = Trimmed(line);
    if (line.empty()) continue;
    if (line[0] == ';') {
      keep(raw);
      continue;
    }

    if (line[0] == '[') {
      if (line.size() < 2 || line.back() != ']' || !DecodeKeyPath(line.substr(1, line.size() - 2), names)) {
        ++damaged;
        current = nullptr;
        inDamagedKey = true;
        keep(raw);
        continue;
      }
      inDamagedKey = false;
      current = data.root_.get();
      for (const std::string& n : names) current = current->Make(n);
      continue;
    }
    if (inDamagedKey || current == nullptr || !ParseValueLine(line, name, value)) {
      ++damaged;
      keep(raw);
      continue;
    }
    current->Put(name, std::move(value));
  }
  if (damaged_lines) *damaged_lines = damaged;
  return data;
}

std::string RegistryData::Text() const {
  std::string out;
  if (byteOrderMark_) out += kByteOrderMark;
  out += kHeaderComment;
  out += '\n';
  AppendLines(out, top_);
  struct Writer {
    std::string& out;
    void Write(const Node& node, const std::string& path, bool is_root) {
      if (!is_root || !node.values.empty() || !node.kept.empty()) {
        out += '[';
        out += path;
        out += "]\n";
      }
      for (const auto& [name, value] : node.values) {
        if (name.empty()) out += '@';
        else AppendQuoted(out, name);
        out += '=';
        if (value.kind == RegistryValue::Kind::kInteger) {
          out += "dword:";
          for (int shift = 28; shift >= 0; shift -= 4) out += kLowerHex[(value.integer >> shift) & 0xF];
        } else {
          AppendQuoted(out, value.text);
        }
        out += '\n';
      }
      AppendLines(out, node.kept);
      for (const auto& [folded, child] : node.children) {
        std::string child_path = path;
        if (!is_root) child_path += '\\';
        AppendKeyName(child_path, child->name);
        Write(*child, child_path, false);
      }
    }
  };
  Writer{out}.Write(*root_, "", true);
  // Last: a damaged key line with what was below it is followed by the next
  // good key line or by nothing, as it was.
  AppendLines(out, damagedKeys_);
  return out;
}

}  // namespace plat
