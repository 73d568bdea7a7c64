#include "platform/ini_file.h"

#include <cerrno>

#include "platform/ascii.h"
#include "platform/convert.h"
#include "platform/file_io.h"

namespace plat {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

}  // namespace

IniDocument::Line IniDocument::Classify(std::string text) {
  Line line;
  const std::string_view t = TrimBlanks(text);
  if (!t.empty() && t.front() == '[') {
    const std::size_t close = t.find(']');
    if (close != std::string_view::npos) {
      line.kind = Line::Kind::kSection;
      line.name = TrimBlanks(t.substr(1, close - 1));
    }
  } else if (!t.empty() && t.front() != ';') {
    const std::size_t equals = t.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view key = TrimBlanks(t.substr(0, equals));
      if (!key.empty()) {
        line.kind = Line::Kind::kKey;
        line.name = key;
        line.value = TrimBlanks(t.substr(equals + 1));
      }
    }
  }
  line.text = std::move(text);
  return line;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    doc.byte_order_mark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines_.push_back(Classify(std::string(line)));
  }
  return doc;
}

std::string IniDocument::Text() const {
  std::string text;
  if (byte_order_mark_) text = kByteOrderMark;
  for (const Line& line : lines_) {
    text += line.text;
    text += "\r\n";
  }
  return text;
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

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  key = TrimBlanks(key);
  for (const Block& b : Blocks(section)) {
    for (std::size_t i = b.header + 1; i < b.end; ++i) {
      if (lines_[i].kind == Line::Kind::kKey && SameText(lines_[i].name, key)) return lines_[i].value;
    }
  }
  return std::nullopt;
}

bool IniDocument::SectionExists(std::string_view section) const {
  for (const Block& b : Blocks(section)) {
    for (std::size_t i = b.header + 1; i < b.end; ++i) {
      if (lines_[i].kind == Line::Kind::kKey) return true;
    }
  }
  return false;
}

std::vector<std::string> IniDocument::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  for (const Block& b : Blocks(section)) {
    for (std::size_t i = b.header + 1; i < b.end; ++i) {
      if (lines_[i].kind != Line::Kind::kKey) continue;
      bool seen = false;
      for (const std::string& k : keys) seen = seen || SameText(k, lines_[i].name);
      if (!seen) keys.push_back(lines_[i].name);
    }
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

  const std::vector<Block> blocks = Blocks(section);
  for (const Block& b : blocks) {
    for (std::size_t i = b.header + 1; i < b.end; ++i) {
      Line& line = lines_[i];
      if (line.kind == Line::Kind::kKey && SameText(line.name, key)) {
        line.text = line.name + "=" + std::string(value);
        line.value = TrimBlanks(value);
        return true;
      }
    }
  }
  const std::string text = std::string(key) + "=" + std::string(value);
  if (!blocks.empty()) {
    std::size_t at = blocks.front().end;
    while (at > blocks.front().header + 1 && IsBlank(lines_[at - 1].text)) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Classify(text));
    return true;
  }
  if (!lines_.empty() && !IsBlank(lines_.back().text)) lines_.push_back(Classify(""));
  // Built by appending: "[" + std::string(...) trips a false -Wrestrict of GCC 12 at -O3.
  std::string header = "[";
  header.append(section).append("]");
  lines_.push_back(Classify(header));
  lines_.push_back(Classify(text));
  return true;
}

bool IniDocument::EraseSection(std::string_view section) {
  const std::vector<Block> blocks = Blocks(section);
  for (auto b = blocks.rbegin(); b != blocks.rend(); ++b) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(b->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(b->end));
  }
  return !blocks.empty();
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  key = TrimBlanks(key);
  const std::vector<Block> blocks = Blocks(section);
  bool removed = false;
  for (auto b = blocks.rbegin(); b != blocks.rend(); ++b) {
    for (std::size_t i = b->end; i-- > b->header + 1;) {
      if (lines_[i].kind == Line::Kind::kKey && SameText(lines_[i].name, key)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      }
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
