#include "shared_table.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tamsile/tamsile.h"

namespace tamsile {
namespace {

constexpr std::uint32_t kMagic = 0x4C534D54;  // "TMSL"
// Changes whenever the mapping's layout does, so that two builds of the library
// never work on each other's table.
constexpr std::uint32_t kLayout = (1u << 24) | static_cast<std::uint32_t>(sizeof(SharedRegion));
constexpr std::size_t kMaxNamespace = 64;

// A process that stopped while it was setting the table up must not hang every
// later one: after this long the waiting process works on a table of its own.
constexpr int kInitLockTries = 3000;
constexpr long kInitLockStepNs = 1000000;

std::atomic<SharedRegion*> g_shared{nullptr};

bool ValidNamespace(const std::string& name) {
  if (name.size() > kMaxNamespace) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// Owned by us, reachable by no one else.
bool IsPrivate(const struct stat& st) {
  return st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

bool UsableRuntimeDir(const char* dir) {
  if (dir == nullptr || dir[0] != '/') return false;
  struct stat st {};
  return stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && IsPrivate(st);
}

// Processes that chose different folders (one started with XDG_RUNTIME_DIR, one
// without) cannot see each other's holders; were they to share one object, each
// could take itself for the first and empty the other's table. The folder is
// therefore part of the object's name.
std::string FolderTag(const std::string& folder) {
  std::uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : folder) h = (h ^ c) * 16777619u;
  char text[9];
  std::snprintf(text, sizeof text, "%08x", h);
  return text;
}

void CloseFd(int fd) {
  if (fd >= 0) close(fd);
}

// Opens (creating it when missing) the private directory; -1 when it is not a
// real directory of ours closed to everyone else.
int OpenPrivateDirectory(const std::string& path) {
  const bool created = mkdir(path.c_str(), 0700) == 0;
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  if (created) fchmod(fd, 0700);  // whatever the umask took away
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || !IsPrivate(st)) {
    close(fd);
    return -1;
  }
  return fd;
}

int OpenLockFile(int dir_fd, const std::string& name) {
  int fd = openat(dir_fd, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    return -1;
  }
  return fd;
}

int Flock(int fd, int op) {
  int rc;
  do {
    rc = flock(fd, op);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

bool TakeInitLock(int fd) {
  for (int i = 0; i < kInitLockTries; ++i) {
    if (Flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK) return false;
    const timespec step{0, kInitLockStepNs};
    nanosleep(&step, nullptr);
  }
  return false;
}

SharedRegion* Map(int fd) {
  void* p = mmap(nullptr, sizeof(SharedRegion), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : static_cast<SharedRegion*>(p);
}

// The first holder starts from a new, empty object, so nothing a former
// generation of holders left can show through.
SharedRegion* CreateFresh(const std::string& name) {
  shm_unlink(name.c_str());
  int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  SharedRegion* region = nullptr;
  if (fchmod(fd, 0600) == 0 && ftruncate(fd, sizeof(SharedRegion)) == 0) region = Map(fd);
  close(fd);
  if (region == nullptr) {
    shm_unlink(name.c_str());
    return nullptr;
  }
  // ftruncate gave zeroes: an empty list.
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  const int rc = pthread_mutex_init(&region->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  if (rc != 0) {
    munmap(region, sizeof(SharedRegion));
    shm_unlink(name.c_str());
    return nullptr;
  }
  region->layout = kLayout;
  region->magic = kMagic;
  return region;
}

SharedRegion* OpenExisting(const std::string& name) {
  int fd = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  struct stat st {};
  SharedRegion* region = nullptr;
  if (fstat(fd, &st) == 0 && IsPrivate(st) &&
      static_cast<std::size_t>(st.st_size) == sizeof(SharedRegion)) {
    region = Map(fd);
  }
  close(fd);
  if (region != nullptr && (region->magic != kMagic || region->layout != kLayout)) {
    munmap(region, sizeof(SharedRegion));
    region = nullptr;
  }
  return region;
}

SharedRegion& OwnRegion() {
  struct Own {
    SharedRegion region{};
    Own() { pthread_mutex_init(&region.mutex, nullptr); }
  };
  static Own own;
  return own.region;
}

}  // namespace

std::optional<Location> LocationFor(const char* runtime_dir, const char* name_space,
                                    unsigned uid) {
  const std::string ns = name_space != nullptr ? name_space : "";
  if (!ValidNamespace(ns)) return std::nullopt;
  const std::string suffix = ns.empty() ? "" : "-" + ns;
  const std::string uid_text = std::to_string(uid);
  Location loc;
  loc.directory = UsableRuntimeDir(runtime_dir) ? std::string(runtime_dir) + "/tamsile"
                                                : "/tmp/tamsile-" + uid_text;
  loc.users_lock = "users" + suffix + ".lock";
  loc.init_lock = "init" + suffix + ".lock";
  loc.shm_name = "/tamsile-" + uid_text + "-" + FolderTag(loc.directory) + suffix;
  return loc;
}

std::optional<Location> LocationFromEnvironment() {
  return LocationFor(std::getenv("XDG_RUNTIME_DIR"), std::getenv(TAMSILE_NAMESPACE_VARIABLE),
                     geteuid());
}

SharedRegion* AttachShared(const Location& location) {
  int dir = OpenPrivateDirectory(location.directory);
  if (dir < 0) return nullptr;
  int users = OpenLockFile(dir, location.users_lock);
  int init = OpenLockFile(dir, location.init_lock);
  close(dir);
  SharedRegion* region = nullptr;
  if (users >= 0 && init >= 0 && TakeInitLock(init)) {
    if (Flock(users, LOCK_EX | LOCK_NB) == 0) {
      region = CreateFresh(location.shm_name);
      // Others may join from now on. The change from exclusive to shared is not
      // atomic, but every joiner waits for the init lock that we still hold.
      if (region != nullptr && Flock(users, LOCK_SH | LOCK_NB) != 0) {
        munmap(region, sizeof(SharedRegion));
        region = nullptr;
      }
    } else if (errno == EWOULDBLOCK && Flock(users, LOCK_SH | LOCK_NB) == 0) {
      region = OpenExisting(location.shm_name);
    }
    Flock(init, LOCK_UN);
  }
  CloseFd(init);
  // The users lock lasts as long as its descriptor: kept open until the end.
  if (region == nullptr) CloseFd(users);
  return region;
}

void AttachProcessTable() {
  if (g_shared.load(std::memory_order_acquire) != nullptr) return;
  if (auto location = LocationFromEnvironment()) {
    g_shared.store(AttachShared(*location), std::memory_order_release);
  }
}

SharedRegion& CurrentRegion() {
  SharedRegion* shared = g_shared.load(std::memory_order_acquire);
  return shared != nullptr ? *shared : OwnRegion();
}

Locked::Locked(SharedRegion& region) : region_(region) {
  int rc = pthread_mutex_lock(&region.mutex);
  if (rc == EOWNERDEAD) {
    Repair(region.table);
    pthread_mutex_consistent(&region.mutex);
    rc = 0;
  }
  // A lock that cannot be had (only a broken mapping gives that) still leaves
  // every step within the table's bounds.
  held_ = rc == 0;
}

Locked::~Locked() {
  if (held_) pthread_mutex_unlock(&region_.mutex);
}

}  // namespace tamsile
