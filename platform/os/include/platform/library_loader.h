#pragma once
// Loading shared libraries by the file name a program asks for ("Calvory.DLL"),
// and looking up their entries by name.
//
// Search order: the directory of the running program first, then each absolute
// directory of the environment variable KESTRUM_LIBRARY_PATH (colon separated),
// never the current directory. Libraries are opened with RTLD_NOW and are never
// unloaded. The loader in use can be replaced, so that tests can record every
// lookup or pretend that a library or an entry is missing.

#include <string>

namespace plat {

using ModuleHandle = void*;   // null: not loaded
using ProcAddress = void*;    // null: not found

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  // Opens the library of that file name; null when it cannot be found or loaded.
  virtual ModuleHandle Load(const std::string& file_name) = 0;
  // Looks up an exported entry; null when the module is null or lacks it.
  virtual ProcAddress Symbol(ModuleHandle module, const std::string& entry_name) = 0;
};

// The loader of the real system (dlopen/dlsym with the search order above).
LibraryLoader& SystemLoader();

// The loader every binder uses; the system loader unless a test set another.
LibraryLoader& CurrentLoader();
// Installs a loader (not owned); nullptr goes back to the system loader.
void SetCurrentLoader(LibraryLoader* loader);

// The environment variable holding extra library directories.
inline constexpr const char* kLibraryPathVariable = "KESTRUM_LIBRARY_PATH";

// The full path that the system loader would open for this file name, or empty.
std::string FindLibraryFile(const std::string& file_name);

}  // namespace plat
