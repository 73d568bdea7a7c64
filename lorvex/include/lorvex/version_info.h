#pragma once
// Two small services of the viewer: reading the version block of a program
// file or loaded library, and recording the viewer as an installed component
// of the suite in the current user's registry.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/version_info.h"

// Reads the version block of a file and looks up its text values by name.
class CVersionInfoReader {
 public:
  CVersionInfoReader() = default;
  virtual ~CVersionInfoReader() = default;
  CVersionInfoReader(const CVersionInfoReader&) = delete;
  CVersionInfoReader& operator=(const CVersionInfoReader&) = delete;

  // The file of a loaded module (null: the running program).
  bool LoadFromModule(void* module);
  // True when the file's fixed part carries the signature 0xFEEF04BD.
  bool LoadFromFile(const std::string& fileName);
  // The named text value of the loaded table, or null. The text lives in the
  // data block: valid until the next load or the reader's end.
  const char* GetValue(const std::string& name);

  const plat::FixedFileInfo& FixedInfo() const { return fixed_; }
  std::uint16_t Language() const { return language_; }
  std::uint16_t CodePage() const { return codePage_; }

 private:
  // The query text holds at most this many characters.
  static constexpr std::size_t kQueryCapacity = 999;
  plat::FixedFileInfo fixed_{};
  std::vector<std::uint8_t> data_;  // empty: none loaded
  std::string query_;               // "\StringFileInfo\<language><code page>\" and, in a lookup, the name
  std::size_t prefixEnd_ = 0;
  std::uint16_t language_ = 0;
  std::uint16_t codePage_ = 0;
};

// ---------------------------------------------------------------- registry keys
// An open key of the registry store: its root and full path.
struct RegistryKeyHandle {
  plat::RegistryRoot root;
  std::string path;  // "" is the root itself
  std::uint32_t access = 0;
};
using HKEY = const RegistryKeyHandle*;
// The current user's root key.
extern const HKEY HKEY_CURRENT_USER;

// Access rights, as far as the store can honour them: writing needs KEY_SET_VALUE.
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001, KEY_SET_VALUE = 0x0002, KEY_CREATE_SUB_KEY = 0x0004,
                        KEY_READ = 0x20019, KEY_WRITE = 0x20006, KEY_ALL_ACCESS = 0xF003F;

// One key of the store, opened (or made) on construction and closed at its end.
class CRegistryKey {
 public:
  CRegistryKey(HKEY root, const char* subKey, bool create, std::uint32_t access);
  virtual ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Opens subKey below root (the open key itself may be the root, and the
  // sub-key then replaces it). Backslashes at the start and one at the end
  // are dropped. True when the key is open.
  bool Open(HKEY root, const char* subKey, bool create, std::uint32_t access);
  bool IsOpen() const { return key_ != nullptr; }
  // A string value; false when the key is not open, the text is null or the
  // store refuses.
  bool WriteString(const char* name, const char* text);
  // True when a key was open and closing it succeeded.
  bool Close();

  HKEY Handle() const { return key_.get(); }
  const std::string& Path() const { return path_; }
  // 0 or the error number of the last store call.
  int Result() const { return result_; }

 private:
  std::unique_ptr<RegistryKeyHandle> key_;
  std::string path_;
  int result_ = 0;
};

// The key every component of the suite is recorded under.
inline constexpr const char* kInstalledComponentsKey = "Software\\Orrindale\\Quarrystone\\Installed Components\\";

// Records a component: "Path" := the program path (null: the running
// program) and, when given, "Info" := the description. Failures are silent;
// always true.
bool RegisterInstalledComponent(const char* component, const char* description, const char* path);
