#pragma once
// INI files with the classic profile-file semantics, read and written as the
// profile functions of the system the files come from do.
//
// Encoding: a file that starts with the UTF-16 little-endian byte-order mark
// (FF FE) is UTF-16 text; it reads as UTF-8 and is written back as UTF-16 with
// its mark. A UTF-8 byte-order mark is skipped and written back. Any other file
// is taken byte for byte.
//
// Reading: a line ends with LF, CR LF or a CR alone. A line whose first non-blank
// character is "[" opens a section: its name is the text up to the first "]", or
// the rest of the line when the "]" is missing. A line that starts with ";" is a
// comment; any other line that holds "=" with a non-empty name before it is a
// key. The key name is the text before the first "=", the value the text after
// it, both without the blanks (spaces and tabs) around them; a value in one pair
// of matching double or single quotes is read without them. Lines before the
// first section and lines of any other form are kept as they are but never read.
// Section and key names compare without regard to the case of A to Z, and the
// names a caller passes are taken without their surrounding blanks too. When a
// section occurs twice only its first copy is read (and written); of a key that
// occurs twice in it, the first.
//
// "A section exists" means its first copy holds at least one key: a bare "[7]"
// line or a section of comments only does not count (ReadSections still lists
// every section line's name, once).
//
// Writing: an existing key gets its new value in place (its stored spelling
// stays); a new key goes after the last non-blank line of the section's first
// copy; a new section goes at the end of the file, after one blank line when the
// file does not already end with one. Every line keeps its own line end; a new
// line gets the file's first line end (CR LF in a file that has none), and the
// file keeps its encoding. EraseSection removes the header, the keys and the
// blank lines of every copy of the section; its comments and any other lines
// stay where they are. Names that could not be read back as written (empty,
// with "]" in a section name, "=" in a key name, a key name starting with ";" or
// "["), any text with a CR, an LF or a zero byte, and text that is no UTF-8 in a
// UTF-16 file are refused: the call returns false and changes nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The lines of one INI file in memory; no file access. Text() of a parsed
// document gives back the very bytes it was parsed from.
class IniDocument {
 public:
  enum class Encoding { kBytes, kUtf8WithMark, kUtf16LE };

  static IniDocument Parse(std::string_view bytes);
  std::string Text() const;
  Encoding GetEncoding() const { return encoding_; }

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
    std::string text;    // as read (UTF-8 for a UTF-16 file), without the line end
    std::string ending;  // "\r\n", "\n", "\r", or empty for a last line without one
    std::string name;    // section or key name, without blanks
    std::string value;   // key value as read: without blanks and one pair of quotes
  };
  struct Block {        // one copy of a section: [header, end)
    std::size_t header;
    std::size_t end;
  };
  static Line Classify(std::string text, std::string ending);
  bool Storable(std::string_view text) const;
  std::vector<Block> Blocks(std::string_view section) const;
  std::optional<Block> FirstBlock(std::string_view section) const;

  std::vector<Line> lines_;
  Encoding encoding_ = Encoding::kBytes;
  std::string newline_ = "\r\n";  // what a new line ends with
  std::string tail_;               // a UTF-16 file's odd last byte, kept as it was
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
// read, is no regular file (a FIFO, a device, a folder) or is read-only is never
// overwritten; opening never waits for a FIFO's writer.
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
