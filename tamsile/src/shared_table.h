#pragma once
// Where the table lives and how it is reached.
//
// The table of a user is one POSIX shared-memory object, "/tamsile-<uid>" (with
// "-<namespace>" added when TAMSILE_NAMESPACE is set), holding a robust,
// process-shared mutex and the list. Its name depends on nothing but the user,
// so every process of the user finds the same table, whatever its environment
// says about runtime directories.
//
// The object is made once and never replaced: it is built complete under no
// name (O_TMPFILE in the shared-memory folder) and then linked to its name, so
// no process ever sees a half-made table, and of two processes making it at
// once one links it and the other opens what the first linked.
//
// Every process that maps the table keeps a read lock (an open-file-description
// lock, F_OFD_SETLK) on its first byte until it ends; the kernel drops it
// however the process ends. A process joining the table takes the table's mutex
// and, when nobody else holds a read lock, empties the list (whoever held it
// before has gone), then takes its own read lock. That short step under the
// mutex is the only part of the set-up that another process can be made to wait
// for, exactly as for any entry call; a process stopped anywhere else in its
// set-up holds nothing that anyone waits for.
//
// When the table cannot be had safely (the object belongs to someone else, is
// open to others or is not a table of this build, shared memory is not there,
// or the mutex is held beyond kSetupLockWait by a process that does not let it
// go) the process works on a table of its own and says so on standard error.

#include <pthread.h>

#include <chrono>
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

// How long the set-up waits for the table's mutex before it gives up on sharing.
inline constexpr std::chrono::milliseconds kSetupLockWait{2000};

// The object's name for a user: name_space is the value of TAMSILE_NAMESPACE
// (null or empty: none). No name when the namespace holds anything but letters,
// digits, '_' and '-' or is longer than 64 characters.
std::optional<std::string> TableNameFor(const char* name_space, unsigned uid);

// Points of the set-up at which a test may stop the process.
enum class SetupStep {
  kMade,    // a new table is made and counted, but not yet linked to its name
  kOpened,  // the named table is mapped, but its mutex not yet asked for
  kLocked,  // the mutex is held, the table not yet emptied or counted
};

struct SetupOptions {
  void (*at_step)(SetupStep) = nullptr;  // called at each point reached
  std::chrono::milliseconds lock_wait = kSetupLockWait;
};

struct Attached {
  struct SharedRegion* region = nullptr;  // null when the table cannot be had
  std::string problem;                    // why, when it cannot
};

// Maps the table of that name (making it when there is none) and keeps this
// process counted as a holder until it ends. Nothing is left held on failure.
Attached AttachShared(const std::string& name, const SetupOptions& options = {});

// Called once when the library is loaded: attaches to the table named by the
// environment's namespace, or settles on the process's own table and says why
// on standard error.
void AttachProcessTable(const SetupOptions& options = {});

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

// The three entries' work on the current table (exports.cpp only forwards).
std::int32_t ListEntry(std::uint16_t* count, std::uint16_t* ids);
std::int32_t SetEnableEntry(std::uint16_t id, std::uint8_t enable);
std::int32_t GetEnableEntry(std::uint16_t id);

}  // namespace tamsile
