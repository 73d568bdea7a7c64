#include "platform/shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

extern char** environ;

namespace plat {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What the shell answers for a program that could not be started.
int ShellCodeOf(int error, const std::string& path) {
  switch (error) {
    case ENOENT: {
      const auto slash = path.rfind('/');
      const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
      return IsDirectory(folder) ? kShellFileNotFound : kShellPathNotFound;
    }
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return kShellPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kShellAccessDenied;
    case ENOEXEC:
      return kShellBadFormat;
    case ENOMEM:
      return kShellOutOfMemory;
    default:
      return kShellOutOfResources;
  }
}

// Waits for the program's end on a thread of its own, so that the caller never
// waits and the ended program leaves no zombie behind.
void ReapWhenEnded(pid_t pid) {
  try {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still runs; only its exit status lingers.
  }
}

// Starts args[0] with args, clean of this process's signal settings.
int Spawn(const std::vector<std::string>& args, bool searchPath) {
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return kShellOutOfResources;
  // The program starts clean: this process blocks its session-end signals for
  // its own signal handling, and the program must not inherit that.
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = searchPath ? posix_spawnp(&pid, argv[0], nullptr, &attr, argv.data(), environ)
                               : posix_spawn(&pid, argv[0], nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  if (error != 0) return ShellCodeOf(error, args[0]);

  ReapWhenEnded(pid);
  return kShellStarted;
}

int OpenWithDesktop(const std::string& address) {
  const int result = SpawnDetached({"xdg-open", address});
  // Without the desktop's opener nothing on this machine opens addresses.
  return result == kShellFileNotFound || result == kShellPathNotFound ? kShellNoAssociation : result;
}

std::mutex openerLock;
AddressOpener& CurrentOpener() {
  static AddressOpener opener;
  return opener;
}

Spawner& CurrentSpawner() {
  static Spawner spawner;
  return spawner;
}

}  // namespace

int ShellOpen(const std::string& path) {
  if (path.empty()) return kShellFileNotFound;
  return Spawn({path}, false);
}

int SpawnDetached(const std::vector<std::string>& args) {
  if (args.empty() || args[0].empty()) return kShellFileNotFound;
  Spawner spawner;
  {
    std::lock_guard<std::mutex> hold(openerLock);
    spawner = CurrentSpawner();
  }
  if (spawner) return spawner(args);
  return Spawn(args, args[0].find('/') == std::string::npos);
}

Spawner SetSpawner(Spawner spawner) {
  std::lock_guard<std::mutex> hold(openerLock);
  Spawner previous = std::move(CurrentSpawner());
  CurrentSpawner() = std::move(spawner);
  return previous;
}

int OpenAddress(const std::string& address) {
  if (address.empty() || address[0] == '-') return kShellFileNotFound;
  AddressOpener opener;
  {
    std::lock_guard<std::mutex> hold(openerLock);
    opener = CurrentOpener();
  }
  return opener ? opener(address) : OpenWithDesktop(address);
}

AddressOpener SetAddressOpener(AddressOpener opener) {
  std::lock_guard<std::mutex> hold(openerLock);
  AddressOpener previous = std::move(CurrentOpener());
  CurrentOpener() = std::move(opener);
  return previous;
}

}  // namespace plat
