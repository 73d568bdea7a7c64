#pragma once
// The per-user registry store: keys, named values, 32-bit integers and strings,
// as the programs keep their settings in the current user's registry.
//
// Where it lives: one text file per root,
//   $XDG_CONFIG_HOME/kestrum-suite/HKEY_CURRENT_USER.reg
// ($XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config, else the
// home directory of the user's account entry). The folder is made with mode 0700
// and the file with mode 0600 when first written; a lock file beside it
// ("HKEY_CURRENT_USER.reg.lock") serialises the writers.
//
// Names: a key path is names joined by "\" ("Software\TRACE\Lorvex\General"),
// the empty path being the root; an empty name inside a path (a leading,
// trailing or doubled "\") makes the path invalid. Value names are any bytes, ""
// being the key's default value. Key and value names match without regard to the
// case of A to Z, and the first writer's spelling is the one kept.
//
// Writing: every change re-reads the file under an exclusive flock on the lock
// file, applies the change and replaces the whole file atomically (temporary
// file, fsync, rename), so two programs ending together never tear the file and
// neither loses the other's values. A file that exists but cannot be read is
// never overwritten, nor is anything that is not a regular file (a FIFO is
// refused at once, kNotARegularFile, never waited on). Reading takes no lock: the rename
// makes every version of the file complete.
//
// The lock is waited for a bounded time only (RegistryLockWait): a program
// that holds it for longer, or was stopped while holding it, makes the write
// fail with EWOULDBLOCK and the file stays as it was. While it holds the lock,
// a writer removes the temporary files that earlier writers killed between
// writing and renaming have left ("HKEY_CURRENT_USER.reg.tmp<pid>_<n>"): every
// writer makes and renames its temporary file under the lock, so one found
// then is stale; a file is removed when, besides, its writer's process is gone
// or it is an hour old.
//
// Results are 0 for success or an error number of <cerrno>: ENOENT for a key or
// value that does not exist, EINVAL for an invalid key path, ENOTEMPTY for
// deleting a key that still has sub-keys (delete those first, as the classic
// registry wants it), anything else from the file system.
//
// The file format (text, one item a line, LF line ends):
//   ; comment                      blank lines and comments are skipped
//   [Software\TRACE\Lorvex\IDS]    a key: its full path; inside a name the bytes
//                                  "%", "[", "]" and the control characters are
//                                  written %HH (two upper-case hex digits)
//   "ID1Color"=dword:00000000      a 32-bit integer, 1 to 8 hex digits
//   "ID1File"="c:\\Trace.txt"      a string
//   @="text"                       the key's default value (empty name)
// Value names and strings are quoted; inside the quotes a backslash and a quote
// are written \\ and \", LF, CR and tab \n, \r and \t, any other control byte
// \xHH; bytes from 0x80 up are kept as they are, so UTF-8 text stays readable and
// any byte string survives. Every key is written on its own line, parents first,
// sub-keys ordered by name without regard to case, values in the order they were
// first written. Blanks (spaces, tabs) around a key line or a value line and
// around its "=", and a UTF-8 byte-order mark at the start of the file, are
// allowed; a byte-order mark is written back. A line that does not parse, and
// a comment, is kept as it is, byte for byte, and written back at the next
// rewrite: a damaged or commented line under a key stays under that key, one
// before the first key stays at the top, and a damaged key line stays with the
// lines below it up to the next good key line (at the end of the file). Its
// values are not seen by the programs, and deleting the key deletes what was
// kept under it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

enum class RegistryRoot { kCurrentUser, kClassesRoot };

// "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT".
const char* RegistryRootName(RegistryRoot root);

// The store's file for the root, from the environment as it is now; empty when
// the user has no home directory to be found.
std::string RegistryFilePath(RegistryRoot root);

struct RegistryValue {
  enum class Kind { kInteger, kString };
  Kind kind = Kind::kString;
  std::uint32_t integer = 0;  // kInteger
  std::string text;           // kString

  static RegistryValue Integer(std::uint32_t value) { return {Kind::kInteger, value, {}}; }
  static RegistryValue String(std::string_view value) { return {Kind::kString, 0, std::string(value)}; }
  bool operator==(const RegistryValue&) const = default;
};

// One root's keys and values in memory, with the file format's parser and
// writer; no file access. Parse accepts any bytes and never fails.
class RegistryData {
 public:
  RegistryData();
  ~RegistryData();
  RegistryData(RegistryData&&) noexcept;
  RegistryData& operator=(RegistryData&&) noexcept;

  // damaged_lines, when given, receives the number of lines that did not
  // parse (kept as they are; comments are not counted).
  static RegistryData Parse(std::string_view text, std::size_t* damaged_lines = nullptr);
  std::string Text() const;

  bool KeyExists(std::string_view key) const;
  const RegistryValue* Find(std::string_view key, std::string_view name) const;  // null when missing
  std::vector<std::string> SubKeyNames(std::string_view key) const;
  std::vector<std::string> ValueNames(std::string_view key) const;

  int CreateKey(std::string_view key);  // with its missing parents
  int SetValue(std::string_view key, std::string_view name, RegistryValue value);  // creates the key
  int DeleteValue(std::string_view key, std::string_view name);
  int DeleteKey(std::string_view key);

 private:
  struct Node;
  std::unique_ptr<Node> root_;
  bool byteOrderMark_ = false;
  std::vector<std::string> top_;          // kept lines before the first key line
  std::vector<std::string> damagedKeys_;  // damaged key lines with the lines below them
};

// Changes to be applied together, in order, by one rewrite of the store.
class RegistryBatch {
 public:
  void CreateKey(std::string_view key);
  void WriteInteger(std::string_view key, std::string_view name, std::uint32_t value);
  void WriteString(std::string_view key, std::string_view name, std::string_view text);
  void DeleteValue(std::string_view key, std::string_view name);
  void DeleteKey(std::string_view key);
  bool Empty() const { return changes_.empty(); }

 private:
  friend class Registry;
  std::vector<std::function<int(RegistryData&)>> changes_;
};

// How long a writer waits for another program's lock, and on which clock. It
// waits in the kernel's queue for the lock (a helper thread does, so that a
// writer that lets the lock go and takes it again at once starves no one),
// for limitMs of real time; with sleep set (a program sets the sleep of its
// own clock, so that a test in virtual time does not wait in real time), for
// 20 ms of real time and then limitMs counted in sleep(1) steps. A helper
// given up on lets the lock go as soon as it has it.
struct RegistryLockWait {
  std::uint32_t limitMs = 2000;
  std::function<void(std::uint32_t ms)> sleep;
};
void SetRegistryLockWait(RegistryLockWait wait);
RegistryLockWait GetRegistryLockWait();

// Test seam: called with the store's path each time a file of the store is
// read whole (by Load, by every read call, and inside every write).
void SetRegistryReadObserver(std::function<void(const std::string& path)> observer);

// The store of one root. Objects are cheap; each call goes to the file.
class Registry {
 public:
  explicit Registry(RegistryRoot root = RegistryRoot::kCurrentUser);

  const std::string& FilePath() const { return path_; }

  // The store as it is now; a missing file is an empty store (result 0).
  int Load(RegistryData& data) const;

  bool KeyExists(std::string_view key) const;
  int ReadValue(std::string_view key, std::string_view name, RegistryValue& value) const;
  // nullopt when the value is missing or of the other kind.
  std::optional<std::uint32_t> ReadInteger(std::string_view key, std::string_view name) const;
  std::optional<std::string> ReadString(std::string_view key, std::string_view name) const;
  std::vector<std::string> EnumKeys(std::string_view key) const;    // sub-key names
  std::vector<std::string> EnumValues(std::string_view key) const;  // value names

  int CreateKey(std::string_view key);
  int WriteInteger(std::string_view key, std::string_view name, std::uint32_t value);
  int WriteString(std::string_view key, std::string_view name, std::string_view text);
  int DeleteValue(std::string_view key, std::string_view name);
  int DeleteKey(std::string_view key);

  // All of the batch or nothing: the first change that fails ends the call with
  // its result and the store stays as it was.
  int Apply(const RegistryBatch& batch);

 private:
  std::string path_;
};

}  // namespace plat
