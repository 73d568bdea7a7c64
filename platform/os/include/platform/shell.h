#pragma once
// Starting another program by its path, as the desktop shell's "open" does for
// a program file: no shell runs, nothing is searched, no arguments are passed.
//
// The result reads like the shell's: above 32 the program was started; 32 or
// below says why it was not. The started program runs on its own: it gets the
// caller's environment and current directory, every signal at its default with
// none blocked (whatever this process blocks for its own use), and is reaped
// when it ends, so it never lingers as a zombie.

#include <functional>
#include <string>
#include <vector>

namespace plat {

inline constexpr int kShellOutOfResources = 0;  // no process could be made
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;   // a directory on the way is missing
inline constexpr int kShellAccessDenied = 5;   // not executable, or a folder
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellBadFormat = 11;     // not a program this system can run
inline constexpr int kShellNoAssociation = 31;  // no program opens this kind of address
inline constexpr int kShellStarted = 42;       // any value above 32 means started

// Starts the program file at `path` (taken as it stands, never looked up in
// PATH) without arguments and without waiting for it.
int ShellOpen(const std::string& path);

// Starts a program with an argument vector (args[0] is the program: a name
// without a slash is looked up in PATH, a path is taken as it stands) and does
// not wait for it. No shell ever reads the arguments. Answers as ShellOpen.
int SpawnDetached(const std::vector<std::string>& args);

// Opens an address (http, https, mailto, a local page) with the desktop's
// handler: `xdg-open` with the address as its one argument, not waited for.
// Above 32 the handler was started; kShellNoAssociation when there is no
// handler to start; kShellFileNotFound for an empty address. An address that
// begins with '-' is refused (kShellFileNotFound) so that it is never taken as
// an option.
int OpenAddress(const std::string& address);

// What OpenAddress does, replaceable so that a test sees exactly which
// addresses are opened. Installing an empty function restores the desktop's
// handler; the previous opener is answered either way.
using AddressOpener = std::function<int(const std::string& address)>;
AddressOpener SetAddressOpener(AddressOpener opener);

// Installs an opener for the life of the object (tests).
class ScopedAddressOpener {
 public:
  explicit ScopedAddressOpener(AddressOpener opener) : previous_(SetAddressOpener(std::move(opener))) {}
  ~ScopedAddressOpener() { SetAddressOpener(std::move(previous_)); }
  ScopedAddressOpener(const ScopedAddressOpener&) = delete;
  ScopedAddressOpener& operator=(const ScopedAddressOpener&) = delete;

 private:
  AddressOpener previous_;
};

// What SpawnDetached does with a non-empty program name, replaceable so that
// a test sees exactly which argument vectors are started. Installing an empty
// function restores the real start; the previous spawner is answered.
using Spawner = std::function<int(const std::vector<std::string>& args)>;
Spawner SetSpawner(Spawner spawner);

class ScopedSpawner {
 public:
  explicit ScopedSpawner(Spawner spawner) : previous_(SetSpawner(std::move(spawner))) {}
  ~ScopedSpawner() { SetSpawner(std::move(previous_)); }
  ScopedSpawner(const ScopedSpawner&) = delete;
  ScopedSpawner& operator=(const ScopedSpawner&) = delete;

 private:
  Spawner previous_;
};

}  // namespace plat
