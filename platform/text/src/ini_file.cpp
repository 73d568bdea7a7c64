#include "platform/ini_file.h"

#include <cerrno>

#include "platform/ascii.h"
#include "platform/convert.h"
#include "platform/file_io.h"

namespace plat {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";

bool HasLineBreakOrZero(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool ValidSection(std::string_view name) {
  return !name.empty() && !HasLineBreakOrZero(name) && name.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view name) {
  return !name.empty() && !HasLineBreakOrZero(name) && name.find('=') == std::string_view::npos &&
         name.front() != ';' && name.front() != '[';
}

bool IsBlank(std::string_view line) { return TrimBlanks(line).empty(); }

// ---- UTF-16 text as UTF-8
// A unit that pairs with no other (a lone surrogate) is written as the three
// bytes UTF-8 would give its number, so that every file comes back unchanged.
void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf16LEToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
      const std::uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, u);
  }
  return out;
}

// The code points of UTF-8 text (lone surrogates allowed, as the reading above
// makes them); false for anything else.
bool DecodeUtf8(std::string_view text, std::vector<std::uint32_t>* out) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    // Bytes that follow the first, the bits the first carries, the smallest
    // code point that needs this many bytes (a longer form is no UTF-8).
    struct Form {
      std::size_t extra;
      unsigned char bits;
      std::uint32_t least;
    };
    Form form{0, 0x7F, 0};
    if (b >= 0x80) {
      if ((b & 0xE0) == 0xC0) form = {1, 0x1F, 0x80};
      else if ((b & 0xF0) == 0xE0) form = {2, 0x0F, 0x800};
      else if ((b & 0xF8) == 0xF0) form = {3, 0x07, 0x10000};
      else return false;
    }
    const std::size_t extra = form.extra;
    std::uint32_t c = b & form.bits;
    const std::uint32_t least = form.least;
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if (c < least || c > 0x10FFFF) return false;
    if (out) out->push_back(c);
    i += extra + 1;
  }
  return true;
}

std::string Utf8ToUtf16LE(std::string_view text) {
  std::vector<std::uint32_t> points;
  DecodeUtf8(text, &points);  // the document holds nothing else
  std::string out;
  out.reserve(points.size() * 2);
  auto put = [&](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (std::uint32_t c : points) {
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

// One pair of matching quotes around a value is no part of it.
std::string_view WithoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

IniDocument::Line IniDocument::Classify(std::string text, std::string ending) {
  Line line;
  const std::string_view t = TrimBlanks(text);
  if (!t.empty() && t.front() == '[') {
    // A header whose "]" is missing still opens its section: its keys must
    // never fall into the section above it.
    const std::size_t close = t.find(']');
    line.kind = Line::Kind::kSection;
    line.name = TrimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
  } else if (!t.empty() && t.front() != ';') {
    const std::size_t equals = t.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view key = TrimBlanks(t.substr(0, equals));
      if (!key.empty()) {
        line.kind = Line::Kind::kKey;
        line.name = key;
        line.value = WithoutQuotes(TrimBlanks(t.substr(equals + 1)));
      }
    }
  }
  line.text = std::move(text);
  line.ending = std::move(ending);
  return line;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  std::string decoded;
  std::string_view text = bytes;
  if (bytes.substr(0, kUtf16LEMark.size()) == kUtf16LEMark) {
    doc.encoding_ = Encoding::kUtf16LE;
    bytes.remove_prefix(kUtf16LEMark.size());
    if (bytes.size() % 2 != 0) doc.tail_ = std::string(bytes.substr(bytes.size() - 1));
    decoded = Utf16LEToUtf8(bytes);
    text = decoded;
  } else if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    doc.encoding_ = Encoding::kUtf8WithMark;
    text.remove_prefix(kUtf8Mark.size());
  }
  bool first_ending = true;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    std::string_view ending;
    if (end != std::string_view::npos) {
      ending = text.substr(end, text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
      if (first_ending) doc.newline_ = std::string(ending);
      first_ending = false;
    }
    text.remove_prefix(line.size() + ending.size());
    doc.lines_.push_back(Classify(std::string(line), std::string(ending)));
  }
  return doc;
}

std::string IniDocument::Text() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i].text;
    // A last line without an end that is no longer last gets one.
    text += lines_[i].ending.empty() && i + 1 < lines_.size() ? newline_ : lines_[i].ending;
  }
  switch (encoding_) {
    case Encoding::kBytes: return text;
    case Encoding::kUtf8WithMark: return std::string(kUtf8Mark) + text;
    case Encoding::kUtf16LE: return std::string(kUtf16LEMark) + Utf8ToUtf16LE(text) + tail_;
  }
  return text;
}

bool IniDocument::Storable(std::string_view text) const {
  return encoding_ != Encoding::kUtf16LE || DecodeUtf8(text, nullptr);
}

std::vector<IniDocument::Block> IniDocument::Blocks(std::string_view section) const {
  section = TrimBlanks(section);
  std::vector<Block> blocks;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Line::Kind::kSection) continue;
    if (!blocks.empty() && blocks.back().end == lines_.size()) blocks.back().end = i;
    if (SameText(lines_[i].name, section)) blocks.push_back({i, lines_.size()});
  }
  return blocks;
}

std::optional<IniDocument::Block> IniDocument::FirstBlock(std::string_view section) const {
  section = TrimBlanks(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Line::Kind::kSection || !SameText(lines_[i].name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != Line::Kind::kSection) ++end;
    return Block{i, end};
  }
  return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  key = TrimBlanks(key);
  const std::optional<Block> b = FirstBlock(section);
  if (!b) return std::nullopt;
  for (std::size_t i = b->header + 1; i < b->end; ++i) {
    if (lines_[i].kind == Line::Kind::kKey && SameText(lines_[i].name, key)) return lines_[i].value;
  }
  return std::nullopt;
}

bool IniDocument::SectionExists(std::string_view section) const {
  const std::optional<Block> b = FirstBlock(section);
  if (!b) return false;
  for (std::size_t i = b->header + 1; i < b->end; ++i) {
    if (lines_[i].kind == Line::Kind::kKey) return true;
  }
  return false;
}

std::vector<std::string> IniDocument::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const std::optional<Block> b = FirstBlock(section);
  if (!b) return keys;
  for (std::size_t i = b->header + 1; i < b->end; ++i) {
    if (lines_[i].kind != Line::Kind::kKey) continue;
    bool seen = false;
    for (const std::string& k : keys) seen = seen || SameText(k, lines_[i].name);
    if (!seen) keys.push_back(lines_[i].name);
  }
  return keys;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (line.kind != Line::Kind::kSection) continue;
    bool seen = false;
    for (const std::string& n : names) seen = seen || SameText(n, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

bool IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  section = TrimBlanks(section);
  key = TrimBlanks(key);
  if (!ValidSection(section) || !ValidKey(key) || HasLineBreakOrZero(value)) return false;
  if (!Storable(section) || !Storable(key) || !Storable(value)) return false;

  const std::optional<Block> b = FirstBlock(section);
  if (b) {
    for (std::size_t i = b->header + 1; i < b->end; ++i) {
      Line& line = lines_[i];
      if (line.kind == Line::Kind::kKey && SameText(line.name, key)) {
        line = Classify(line.name + "=" + std::string(value), std::move(line.ending));
        return true;
      }
    }
  }
  const std::string text = std::string(key) + "=" + std::string(value);
  if (b) {
    std::size_t at = b->end;
    while (at > b->header + 1 && IsBlank(lines_[at - 1].text)) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Classify(text, newline_));
    return true;
  }
  if (!lines_.empty() && !IsBlank(lines_.back().text)) lines_.push_back(Classify("", newline_));
  std::string header = "[";
  header.append(section).append("]");
  lines_.push_back(Classify(std::move(header), newline_));
  lines_.push_back(Classify(text, newline_));
  return true;
}

bool IniDocument::EraseSection(std::string_view section) {
  const std::vector<Block> blocks = Blocks(section);
  for (auto b = blocks.rbegin(); b != blocks.rend(); ++b) {
    for (std::size_t i = b->end; i-- > b->header;) {
      const Line& line = lines_[i];
      // The section's comments (and lines of no known form) are no part of
      // what it says and stay.
      if (i == b->header || line.kind == Line::Kind::kKey || IsBlank(line.text)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  return !blocks.empty();
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  key = TrimBlanks(key);
  const std::optional<Block> b = FirstBlock(section);
  if (!b) return false;
  bool removed = false;
  for (std::size_t i = b->end; i-- > b->header + 1;) {
    if (lines_[i].kind == Line::Kind::kKey && SameText(lines_[i].name, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
    }
  }
  return removed;
}

// ---------------------------------------------------------------------------

IniFile::IniFile(std::string file_name, Mode mode) : file_name_(std::move(file_name)), mode_(mode) {
  if (mode_ == Mode::kBuffered) {
    std::string text;
    const int error = ReadWholeFile(file_name_, text);
    if (error != 0 && error != ENOENT) {
      buffered_load_error_ = error;
      Fail(ErrorText(error));
    }
    buffered_ = IniDocument::Parse(text);
  }
}

void IniFile::Fail(std::string_view reason) const {
  last_error_ = file_name_ + ": " + std::string(reason);
}

IniDocument IniFile::Current() const {
  if (mode_ == Mode::kBuffered) return buffered_;
  std::string text;
  const int error = ReadWholeFile(file_name_, text);
  if (error != 0 && error != ENOENT) Fail(ErrorText(error));
  return IniDocument::Parse(text);
}

template <typename F>
bool IniFile::Change(F edit) {
  if (mode_ == Mode::kBuffered) {
    if (buffered_load_error_ != 0) {
      Fail(ErrorText(buffered_load_error_));
      return false;
    }
    const Edit result = edit(buffered_);
    if (result == Edit::kRefused) {
      Fail("a name or value that an INI file cannot hold");
      return false;
    }
    dirty_ = dirty_ || result == Edit::kChanged;
    return true;
  }

  std::string text;
  int error = ReadWholeFile(file_name_, text);
  if (error != 0 && error != ENOENT) {
    // Writing now would replace content that was never read.
    Fail(ErrorText(error));
    return false;
  }
  IniDocument doc = IniDocument::Parse(text);
  const Edit result = edit(doc);
  if (result == Edit::kRefused) {
    Fail("a name or value that an INI file cannot hold");
    return false;
  }
  if (result == Edit::kUnchanged) return true;
  error = ReplaceFileAtomically(file_name_, doc.Text());
  if (error != 0) {
    Fail(ErrorText(error));
    return false;
  }
  return true;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view default_value) const {
  std::optional<std::string> value = Current().Value(section, key);
  return value ? std::move(*value) : std::string(default_value);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t default_value) const {
  const std::optional<std::string> value = Current().Value(section, key);
  return value ? StrToIntDef(*value, default_value) : default_value;
}

bool IniFile::SectionExists(std::string_view section) const { return Current().SectionExists(section); }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Current().Value(section, key).has_value();
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  return Current().SectionKeys(section);
}

std::vector<std::string> IniFile::ReadSections() const { return Current().SectionNames(); }

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return Change([&](IniDocument& doc) { return doc.SetValue(section, key, value) ? Edit::kChanged : Edit::kRefused; });
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  return WriteString(section, key, IntToStr(value));
}

bool IniFile::EraseSection(std::string_view section) {
  return Change([&](IniDocument& doc) { return doc.EraseSection(section) ? Edit::kChanged : Edit::kUnchanged; });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  return Change([&](IniDocument& doc) { return doc.DeleteKey(section, key) ? Edit::kChanged : Edit::kUnchanged; });
}

bool IniFile::Flush() {
  if (mode_ == Mode::kWriteThrough || !dirty_) return true;
  const int error = ReplaceFileAtomically(file_name_, buffered_.Text());
  if (error != 0) {
    Fail(ErrorText(error));
    return false;
  }
  dirty_ = false;
  return true;
}

}  // namespace plat
