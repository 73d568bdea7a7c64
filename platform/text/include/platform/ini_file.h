#pragma once
// INI files with the classic profile-file semantics.
//
// Reading: lines end in LF or CR LF (the CR is dropped); a UTF-8 byte-order mark
// at the start is skipped (and written back). A line whose first non-blank
// character is "[" and that holds a "]" opens the section named by the text
// between them; a line that starts with ";" is a comment; any other line that
// holds "=" with a non-empty name before it is a key. The key name is the text
// before the first "=", the value the text after it, both without the blanks
// (spaces and tabs) around them; quotes are not special. Lines before the first
// section and lines of any other form are kept as they are but never read.
// Section and key names compare without regard to the case of A to Z, and the
// names a caller passes are taken without their surrounding blanks too. When a
// section or a key occurs twice, reads see the first one.
//
// "A section exists" means it holds at least one key: a bare "[7]" line or a
// section of comments only does not count (ReadSections still lists every
// section line's name).
//
// Writing: an existing key gets its new value in place (its stored spelling
// stays); a new key goes after the last non-blank line of its section's first
// occurrence; a new section goes at the end of the file, after one blank line
// when the file does not already end with one. Every line is written with CR LF.
// EraseSection removes every occurrence of the section with all its lines (its
// comments included) up to the next section line; other lines stay as they were.
// Names that could not be read back as written (empty, with "]" in a section
// name, "=" in a key name, a key name starting with ";" or "[") and any text with
// a CR, an LF or a zero byte are refused: the call returns false and changes
// nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The lines of one INI file in memory; no file access. Text() of a parsed
// document gives back every line unchanged but for the CR LF line ends.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  std::string Text() const;

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  bool SectionExists(std::string_view section) const;
  std::vector<std::string> SectionKeys(std::string_view section) const;
  std::vector<std::string> SectionNames() const;

  // False (nothing changed) when the names or the value cannot be stored.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);
  // True when something was removed.
  bool EraseSection(std::string_view section);
  bool DeleteKey(std::string_view section, std::string_view key);

 private:
  struct Line {
    enum class Kind { kOther, kSection, kKey };
    Kind kind = Kind::kOther;
    std::string text;   // as read, without the line end
    std::string name;   // section or key name, without blanks
    std::string value;  // key value, without blanks
  };
  struct Block {        // one occurrence of a section: [header, end)
    std::size_t header;
    std::size_t end;
  };
  static Line Classify(std::string text);
  std::vector<Block> Blocks(std::string_view section) const;

  std::vector<Line> lines_;
  bool byte_order_mark_ = false;
};

// An INI file by path. A missing file reads as empty and comes into being with
// the first write; reads, EraseSection and DeleteKey never create it.
//
// kWriteThrough (the classic behaviour): every call reads the file afresh and
// every change is written to the file at once. kBuffered: the file is read once
// when the object is made, changes stay in memory and Flush() writes the whole
// file once (nothing is written on destruction).
// Each write replaces the whole file atomically (temporary file, then rename),
// so a crash leaves the old file or the new one. A file that exists but cannot be
// read is never overwritten.
// Failures are reported by a false result; LastError() then tells the path and
// the reason, for a message to the user.
class IniFile {
 public:
  enum class Mode { kWriteThrough, kBuffered };

  explicit IniFile(std::string file_name, Mode mode = Mode::kWriteThrough);

  const std::string& FileName() const { return file_name_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view default_value) const;
  // The value by StrToInt's rules; the default when it is missing or no integer.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t default_value) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::vector<std::string> ReadSection(std::string_view section) const;  // key names, in file order
  std::vector<std::string> ReadSections() const;                         // section names, in file order

  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  bool EraseSection(std::string_view section);
  bool DeleteKey(std::string_view section, std::string_view key);

  // Buffered: writes the changes made since the last flush (true when there are
  // none). Write-through: nothing to do, true.
  bool Flush();

  // Why the last failed call failed ("<path>: <reason>"); empty before any failure.
  const std::string& LastError() const { return last_error_; }

 private:
  enum class Edit { kRefused, kUnchanged, kChanged };
  IniDocument Current() const;
  template <typename F>
  bool Change(F edit);
  void Fail(std::string_view reason) const;

  std::string file_name_;
  Mode mode_;
  IniDocument buffered_;
  int buffered_load_error_ = 0;
  bool dirty_ = false;
  mutable std::string last_error_;
};

}  // namespace plat
