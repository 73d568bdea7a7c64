#pragma once
// Library loaders for tests: one that opens libraries from a single folder only,
// and a recording fake that pretends to have whichever libraries and entries a
// test tells it about.

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/library_loader.h"

namespace plat::testing {

// Opens a bare file name from one folder and nowhere else: tests bind a variant
// of a driver library (or an empty folder, for a library that is absent).
class DirectoryLoader final : public LibraryLoader {
 public:
  explicit DirectoryLoader(std::string directory);
  ModuleHandle Load(const std::string& file_name) override;
  ProcAddress Symbol(ModuleHandle module, const std::string& entry_name) override;

 private:
  std::string directory_;
};

// Knows only the libraries and entries it was given, and records every call.
class FakeLoader final : public LibraryLoader {
 public:
  struct Call {
    enum class Kind { Load, Symbol } kind;
    std::string name;  // the file name or the entry name asked for
    bool operator==(const Call&) const = default;
  };

  FakeLoader();
  ~FakeLoader() override;

  // Makes a library of this file name loadable (with no entries yet).
  void AddLibrary(const std::string& file_name);
  // Adds an entry (adding the library if needed). Without an address the entry
  // gets a distinct stand-in address of its own, fit for comparing, never for
  // calling. Returns the address that Symbol will give.
  ProcAddress AddEntry(const std::string& file_name, const std::string& entry_name,
                       ProcAddress address = nullptr);
  void RemoveEntry(const std::string& file_name, const std::string& entry_name);
  // The address of an entry, null when the library lacks it.
  ProcAddress AddressOf(const std::string& file_name, const std::string& entry_name) const;

  std::vector<Call> Calls() const;
  std::vector<std::string> LoadedFiles() const;      // file names asked for, in order
  std::vector<std::string> LookedUpEntries() const;  // entry names asked for, in order
  void ClearCalls();

  ModuleHandle Load(const std::string& file_name) override;
  ProcAddress Symbol(ModuleHandle module, const std::string& entry_name) override;

 private:
  struct Library {
    std::map<std::string, ProcAddress> entries;
  };
  std::vector<std::string> NamesOf(Call::Kind kind) const;

  mutable std::mutex mutex_;
  std::map<std::string, std::unique_ptr<Library>> libraries_;
  std::deque<char> stand_ins_;  // stable addresses for entries given none
  std::vector<Call> calls_;
};

// Loads real libraries through the system loader, but answers the entries the
// test names with addresses of its own (a null address: the entry is missing):
// a library that misbehaves in exactly one way.
class OverridingLoader final : public LibraryLoader {
 public:
  // Answers this address for the entry, in whichever library it is looked up.
  void Override(const std::string& entry_name, ProcAddress address);
  ModuleHandle Load(const std::string& file_name) override;
  ProcAddress Symbol(ModuleHandle module, const std::string& entry_name) override;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, ProcAddress> overrides_;
};

// Installs a loader as plat::CurrentLoader() for one scope.
class ScopedCurrentLoader {
 public:
  explicit ScopedCurrentLoader(LibraryLoader& loader) { SetCurrentLoader(&loader); }
  ~ScopedCurrentLoader() { SetCurrentLoader(nullptr); }
  ScopedCurrentLoader(const ScopedCurrentLoader&) = delete;
  ScopedCurrentLoader& operator=(const ScopedCurrentLoader&) = delete;
};

}  // namespace plat::testing
