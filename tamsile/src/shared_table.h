#pragma once
// Where the table lives and how it is reached.
//
// The table of a user is one POSIX shared-memory object,
// "/tamsile-<uid>-<folder tag>" (with "-<namespace>" added when TAMSILE_NAMESPACE
// is set; the tag is a hash of the lock folder below), holding a robust,
// process-shared mutex and the list. Its lifetime is kept by two lock files in a
// private directory of the user ($XDG_RUNTIME_DIR/tamsile, else
// /tmp/tamsile-<uid>; mode 0700, owned by the user, never through a link):
//   - every process that maps the table keeps a shared flock on "users.lock"
//     until it ends; the kernel drops it however the process ends, so a killed
//     process leaves nothing behind that could keep old IDs alive;
//   - a process that maps the table takes "init.lock" exclusively first; if it
//     can then also take "users.lock" exclusively, no one else holds the table
//     and it creates it anew, empty.
// Without a usable directory or object the process works on a table of its own.

#include <pthread.h>

#include <cstdint>
#include <optional>
#include <string>

#include "msg_id_table.h"

namespace tamsile {

struct SharedRegion {
  std::uint32_t magic;
  std::uint32_t layout;
  pthread_mutex_t mutex;
  MsgIdTable table;
};

struct Location {
  std::string directory;   // the private directory, without trailing '/'
  std::string users_lock;  // file names inside it
  std::string init_lock;
  std::string shm_name;    // "/tamsile-<uid>-<folder tag>[-<namespace>]"
};

// The names for a user: runtime_dir is $XDG_RUNTIME_DIR (null or unusable: the
// folder under /tmp is used), name_space the value of TAMSILE_NAMESPACE (null or
// empty: none). No location when the namespace holds anything but letters,
// digits, '_' and '-' or is longer than 64 characters.
std::optional<Location> LocationFor(const char* runtime_dir, const char* name_space,
                                    unsigned uid);

// The location from this process's environment and user.
std::optional<Location> LocationFromEnvironment();

// Maps the table of that location (creating it when this process is its first
// holder) and keeps this process counted as a holder until it ends.
// Null when the table cannot be had; nothing is left held then.
SharedRegion* AttachShared(const Location& location);

// Called once when the library is loaded: attaches to the table of the
// environment's location, or settles on the process's own table.
void AttachProcessTable();

// The table the entries work on: the shared one once attached, else the
// process's own one. Never null.
SharedRegion& CurrentRegion();

// Holds a region's lock for its lifetime. After a holder died with the lock
// held, the table is repaired before anyone sees it.
class Locked {
 public:
  explicit Locked(SharedRegion& region);
  ~Locked();
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

  MsgIdTable& table() { return region_.table; }

 private:
  SharedRegion& region_;
  bool held_ = false;
};

}  // namespace tamsile
