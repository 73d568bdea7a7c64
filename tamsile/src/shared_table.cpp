#include "shared_table.h"

#include <errno.h>
#include <fcntl.h>
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
constexpr std::uint32_t kLayout = (2u << 24) | static_cast<std::uint32_t>(sizeof(SharedRegion));
constexpr std::size_t kMaxNamespace = 64;
// Where shm_open keeps its objects: a new table is made there under no name.
constexpr const char* kShmFolder = "/dev/shm";
// Rounds of "make it, someone else was first, open theirs" before giving up.
constexpr int kAttachRounds = 8;

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

std::string ErrorText(int error) { return std::strerror(error); }

std::string PathOf(const std::string& name) { return std::string(kShmFolder) + name; }

// The holders' mark: a read lock on the first byte, held by every process
// that maps the table. Nobody ever takes a write lock there; asking whether
// one could be had only tells whether anyone else holds a mark.
struct flock FirstByte(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 1;
  return lock;
}

bool CountAsHolder(int fd) {
  struct flock lock = FirstByte(F_RDLCK);
  int rc;
  while ((rc = fcntl(fd, F_OFD_SETLK, &lock)) != 0 && errno == EINTR) {
  }
  return rc == 0;
}

// True when another process holds the table; also when that cannot be told,
// so that a table in use is never emptied.
bool OthersHold(int fd) {
  struct flock lock = FirstByte(F_WRLCK);
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return true;
  return lock.l_type != F_UNLCK;
}

void Step(const SetupOptions& options, SetupStep step) {
  if (options.at_step != nullptr) options.at_step(step);
}

SharedRegion* Map(int fd) {
  void* p = mmap(nullptr, sizeof(SharedRegion), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : static_cast<SharedRegion*>(p);
}

void Unmap(SharedRegion* region) { munmap(region, sizeof(SharedRegion)); }

// Takes the mutex within the wait; a dead holder's half-done change is repaired.
// 0 when held, else why not (ETIMEDOUT when it stayed taken).
int LockWithin(SharedRegion& region, std::chrono::milliseconds wait) {
  const auto until = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const int rc = pthread_mutex_trylock(&region.mutex);
    if (rc == EOWNERDEAD) {
      Repair(region.table);
      pthread_mutex_consistent(&region.mutex);
      return 0;
    }
    if (rc != EBUSY) return rc;
    if (std::chrono::steady_clock::now() >= until) return ETIMEDOUT;
    const timespec step{0, 1000000};
    nanosleep(&step, nullptr);
  }
}

struct Made {
  SharedRegion* region = nullptr;
  bool someone_else_first = false;
  std::string problem;
};

// A new, empty table, counted as held by us, linked to its name unless a
// table of that name appeared meanwhile.
Made MakeTable(const std::string& name, const SetupOptions& options, int& holder_fd) {
  Made made;
  const int fd = open(kShmFolder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) {
    made.problem = std::string("cannot make a table in ") + kShmFolder + ": " + ErrorText(errno);
    return made;
  }
  SharedRegion* region = nullptr;
  // The memory is taken now: a mapping of a file with a hole would kill the
  // process (SIGBUS) at its first write when shared memory is full.
  int error = fchmod(fd, 0600) == 0 ? posix_fallocate(fd, 0, sizeof(SharedRegion)) : errno;
  if (error == 0 && (region = Map(fd)) == nullptr) error = errno;
  if (region == nullptr) {
    made.problem = "cannot make a table: " + ErrorText(error);
    close(fd);
    return made;
  }
  // posix_fallocate gave zeroes: an empty list.
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
  const int rc = pthread_mutex_init(&region->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
  region->layout = kLayout;
  region->magic = kMagic;
  // Counted before it has a name: whoever opens it by name finds it held.
  if (rc != 0 || !CountAsHolder(fd)) {
    made.problem = "cannot set a new table up: " + ErrorText(rc != 0 ? rc : errno);
    Unmap(region);
    close(fd);
    return made;
  }
  Step(options, SetupStep::kMade);

  const std::string path = PathOf(name);
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  int linked = linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
  if (linked != 0 && errno == ENOENT) {
    // No /proc: the descriptor itself (a right not every process has).
    linked = linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH);
  }
  if (linked != 0) {
    if (errno == EEXIST) {
      made.someone_else_first = true;
    } else {
      made.problem = "cannot name the table " + path + ": " + ErrorText(errno);
    }
    Unmap(region);
    close(fd);
    return made;
  }
  holder_fd = fd;
  made.region = region;
  return made;
}

}  // namespace

std::optional<std::string> TableNameFor(const char* name_space, unsigned uid) {
  const std::string ns = name_space != nullptr ? name_space : "";
  if (!ValidNamespace(ns)) return std::nullopt;
  return "/tamsile-" + std::to_string(uid) + (ns.empty() ? "" : "-" + ns);
}

Attached AttachShared(const std::string& name, const SetupOptions& options) {
  Attached result;
  const std::string path = PathOf(name);
  for (int round = 0; round < kAttachRounds; ++round) {
    const int fd = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0 && errno == ENOENT) {
      int holder_fd = -1;
      Made made = MakeTable(name, options, holder_fd);
      if (made.region != nullptr) {
        result.region = made.region;  // holder_fd stays open: our mark lasts as long
        return result;
      }
      if (!made.someone_else_first) {
        result.problem = made.problem;
        return result;
      }
      continue;
    }
    if (fd < 0) {
      result.problem = "cannot open " + path + ": " + ErrorText(errno);
      return result;
    }

    struct stat st {};
    SharedRegion* region = nullptr;
    if (fstat(fd, &st) != 0) {
      result.problem = "cannot look at " + path + ": " + ErrorText(errno);
    } else if (st.st_uid != geteuid()) {
      result.problem = path + " belongs to another user";
    } else if ((st.st_mode & 077) != 0) {
      result.problem = path + " is open to other users";
    } else if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) != sizeof(SharedRegion) ||
               (region = Map(fd)) == nullptr ||
               region->magic != kMagic || region->layout != kLayout) {
      result.problem = path + " is not a trace table of this library";
    }
    if (!result.problem.empty()) {
      if (region != nullptr) Unmap(region);
      close(fd);
      return result;
    }
    Step(options, SetupStep::kOpened);

    const int locked = LockWithin(*region, options.lock_wait);
    if (locked != 0) {
      result.problem = locked == ETIMEDOUT
                           ? "the table in " + path + " is held by a process that does not let it go"
                           : "cannot lock the table in " + path + ": " + ErrorText(locked);
      Unmap(region);
      close(fd);
      return result;
    }
    Step(options, SetupStep::kLocked);
    // Nobody else holds it: what the list holds was left by processes that
    // have all ended, and the first holder finds the table empty.
    if (!OthersHold(fd)) region->table.count = 0;
    const bool counted = CountAsHolder(fd);
    const int counted_error = errno;
    pthread_mutex_unlock(&region->mutex);
    if (!counted) {
      result.problem = "cannot mark " + path + " as in use: " + ErrorText(counted_error);
      Unmap(region);
      close(fd);
      return result;
    }
    result.region = region;  // fd stays open: our mark lasts as long
    return result;
  }
  result.problem = "the table " + path + " keeps disappearing";
  return result;
}

void AttachProcessTable(const SetupOptions& options) {
  if (g_shared.load(std::memory_order_acquire) != nullptr) return;
  const char* name_space = std::getenv(TAMSILE_NAMESPACE_VARIABLE);
  const std::optional<std::string> name = TableNameFor(name_space, geteuid());
  Attached attached;
  if (name) {
    attached = AttachShared(*name, options);
  } else {
    attached.problem = std::string(TAMSILE_NAMESPACE_VARIABLE) + " holds more than letters, digits, '_' and '-'";
  }
  if (attached.region == nullptr) {
    std::fprintf(stderr,
                 "Tamsile.DLL: the trace message-ID table cannot be shared (%s); "
                 "this process works on a table of its own\n",
                 attached.problem.c_str());
    return;
  }
  g_shared.store(attached.region, std::memory_order_release);
}

SharedRegion& CurrentRegion() {
  static SharedRegion* own = [] {
    auto* region = new SharedRegion{};
    pthread_mutex_init(&region->mutex, nullptr);
    return region;
  }();
  SharedRegion* shared = g_shared.load(std::memory_order_acquire);
  return shared != nullptr ? *shared : *own;
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

std::int32_t ListEntry(std::uint16_t* count, std::uint16_t* ids) {
  if (count == nullptr) return 0;
  Locked lock(CurrentRegion());
  *count = CopyIds(lock.table(), ids);
  return 0;
}

std::int32_t SetEnableEntry(std::uint16_t id, std::uint8_t enable) {
  Locked lock(CurrentRegion());
  if (enable != 0) {
    EnableId(lock.table(), id);
  } else {
    DisableId(lock.table(), id);
  }
  return 0;
}

std::int32_t GetEnableEntry(std::uint16_t id) {
  Locked lock(CurrentRegion());
  return IsEnabled(lock.table(), id) ? 1 : 0;
}

}  // namespace tamsile
