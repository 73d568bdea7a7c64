#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/file_io.h"

namespace plat {
namespace {

constexpr const char* kStoreFolder = "kestrum-suite";

bool Absolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string ConfigHome() {
  // A relative or empty XDG_CONFIG_HOME is to be ignored, as the XDG rules say.
  if (const char* xdg = ::getenv("XDG_CONFIG_HOME"); Absolute(xdg)) return xdg;
  if (const char* home = ::getenv("HOME"); Absolute(home)) return std::string(home) + "/.config";
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && Absolute(found->pw_dir)) {
    return std::string(found->pw_dir) + "/.config";
  }
  return {};
}

// Makes the folder and its missing parents, each private to the user.
int MakeFolders(const std::string& folder) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at != folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

struct Hooks {
  std::mutex mu;
  RegistryLockWait wait;
  std::function<void(const std::string&)> readObserver;
};

Hooks& TheHooks() {
  static Hooks hooks;
  return hooks;
}

RegistryLockWait CurrentLockWait() {
  Hooks& h = TheHooks();
  std::lock_guard<std::mutex> lk(h.mu);
  return h.wait;
}

// Reads the store whole; every read of the file goes through here.
int ReadStore(const std::string& path, std::string& text) {
  std::function<void(const std::string&)> observer;
  {
    Hooks& h = TheHooks();
    std::lock_guard<std::mutex> lk(h.mu);
    observer = h.readObserver;
  }
  if (observer) observer(path);
  return ReadWholeFile(path, text);
}

// Holds an exclusive flock on the store's lock file for its lifetime. Another
// program holding the lock (or stopped while it holds it) is waited for only
// as long as the lock wait allows; then the lock is not had (EWOULDBLOCK).
class WriterLock {
 public:
  explicit WriterLock(const std::string& store_path) {
    const std::string lock_path = store_path + ".lock";
    do {
      fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      error_ = errno;
      return;
    }
    if (!S_ISREG(st.st_mode)) {  // a FIFO in its place proves nothing
      error_ = kNotARegularFile;
      return;
    }
    for (;;) {
      if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) {
        error_ = errno;
        return;
      }
      break;
    }
    error_ = WaitForTheLock();
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  ~WriterLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  int Error() const { return error_; }

 private:
  // What a helper thread that waits in a blocking flock tells the writer.
  // The blocking wait is the kernel's, so a writer that lets the lock go and
  // takes it again at once does not starve the waiter, as trying again now
  // and then would; the writer only waits for the answer, and only so long.
  struct Attempt {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    int error = 0;
  };

  int WaitForTheLock() {
    // The helper locks through a descriptor of its own for the same open
    // file, so the lock it gets is this writer's; given up, it lets go by
    // closing that descriptor (the last one once the writer has closed its).
    const int helperFd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (helperFd < 0) return errno;
    auto attempt = std::make_shared<Attempt>();
    try {
      std::thread([attempt, helperFd] {
        int error = 0;
        while (::flock(helperFd, LOCK_EX) != 0) {
          if (errno != EINTR) {
            error = errno;
            break;
          }
        }
        std::lock_guard<std::mutex> lk(attempt->m);
        ::close(helperFd);
        attempt->error = error;
        attempt->done = true;
        attempt->cv.notify_all();
      }).detach();
    } catch (const std::system_error&) {
      ::close(helperFd);
      return EAGAIN;
    }
    const RegistryLockWait wait = CurrentLockWait();
    std::unique_lock<std::mutex> lk(attempt->m);
    if (wait.sleep) {
      // Another writer's ordinary write takes a few milliseconds of real
      // time, whatever the program's clock says; beyond that the program's
      // own clock counts, looked at every millisecond of it.
      attempt->cv.wait_for(lk, std::chrono::milliseconds(std::min<std::uint32_t>(wait.limitMs, 20)),
                           [&] { return attempt->done; });
      for (std::uint32_t waited = 0; !attempt->done && waited < wait.limitMs; ++waited) {
        lk.unlock();
        wait.sleep(1);
        lk.lock();
      }
    } else {
      attempt->cv.wait_for(lk, std::chrono::milliseconds(wait.limitMs), [&] { return attempt->done; });
    }
    // Given up, the helper goes on waiting and lets go as soon as it has it.
    return attempt->done ? attempt->error : EWOULDBLOCK;
  }

  int fd_ = -1;
  int error_ = 0;
};

// Removes the temporary files of earlier rewrites that can be proved stale;
// called only while this process holds the writer lock. Every writer makes
// its temporary file while it holds the lock and renames or removes it before
// it lets go, so one that lies there now was left by a writer that died
// between writing and renaming. To be safe even against a writer that reached
// the same file by another path (and so another lock), a file is removed only
// when, besides, the process its name carries no longer exists or it has not
// been touched for an hour (a process id taken again by another program, or
// a writer in another process-id namespace).
void RemoveStaleTemporaries(const std::string& store_path) {
  constexpr std::int64_t kStaleSeconds = 3600;
  const std::int64_t now = ::time(nullptr);
  for (const LeftoverTemporary& t : FindLeftoverTemporaries(store_path)) {
    const bool writer_gone = t.pid <= 0 || t.pid > INT32_MAX ||
                             (::kill(static_cast<pid_t>(t.pid), 0) != 0 && errno == ESRCH);
    if (writer_gone || now - t.modified > kStaleSeconds) ::unlink(t.path.c_str());
  }
}

}  // namespace

const char* RegistryRootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kCurrentUser: return "HKEY_CURRENT_USER";
    case RegistryRoot::kClassesRoot: return "HKEY_CLASSES_ROOT";
  }
  return "HKEY_CURRENT_USER";
}

std::string RegistryFilePath(RegistryRoot root) {
  const std::string home = ConfigHome();
  if (home.empty()) return {};
  return home + "/" + kStoreFolder + "/" + RegistryRootName(root) + ".reg";
}

// ---------------------------------------------------------------------------

void RegistryBatch::CreateKey(std::string_view key) {
  changes_.push_back([k = std::string(key)](RegistryData& d) { return d.CreateKey(k); });
}

void RegistryBatch::WriteInteger(std::string_view key, std::string_view name, std::uint32_t value) {
  changes_.push_back([k = std::string(key), n = std::string(name), value](RegistryData& d) {
    return d.SetValue(k, n, RegistryValue::Integer(value));
  });
}

void RegistryBatch::WriteString(std::string_view key, std::string_view name, std::string_view text) {
  changes_.push_back([k = std::string(key), n = std::string(name), t = std::string(text)](RegistryData& d) {
    return d.SetValue(k, n, RegistryValue::String(t));
  });
}

void RegistryBatch::DeleteValue(std::string_view key, std::string_view name) {
  changes_.push_back([k = std::string(key), n = std::string(name)](RegistryData& d) { return d.DeleteValue(k, n); });
}

void RegistryBatch::DeleteKey(std::string_view key) {
  changes_.push_back([k = std::string(key)](RegistryData& d) { return d.DeleteKey(k); });
}

// ---------------------------------------------------------------------------

Registry::Registry(RegistryRoot root) : path_(RegistryFilePath(root)) {}

void SetRegistryLockWait(RegistryLockWait wait) {
  Hooks& h = TheHooks();
  std::lock_guard<std::mutex> lk(h.mu);
  h.wait = std::move(wait);
}

RegistryLockWait GetRegistryLockWait() { return CurrentLockWait(); }

void SetRegistryReadObserver(std::function<void(const std::string& path)> observer) {
  Hooks& h = TheHooks();
  std::lock_guard<std::mutex> lk(h.mu);
  h.readObserver = std::move(observer);
}

int Registry::Load(RegistryData& data) const {
  data = RegistryData();
  if (path_.empty()) return 0;
  std::string text;
  const int error = ReadStore(path_, text);
  if (error == ENOENT || error == ENOTDIR) return 0;
  if (error != 0) return error;
  data = RegistryData::Parse(text);
  return 0;
}

bool Registry::KeyExists(std::string_view key) const {
  RegistryData data;
  return Load(data) == 0 && data.KeyExists(key);
}

int Registry::ReadValue(std::string_view key, std::string_view name, RegistryValue& value) const {
  RegistryData data;
  if (const int error = Load(data); error != 0) return error;
  const RegistryValue* found = data.Find(key, name);
  if (found == nullptr) return ENOENT;
  value = *found;
  return 0;
}

std::optional<std::uint32_t> Registry::ReadInteger(std::string_view key, std::string_view name) const {
  RegistryValue value;
  if (ReadValue(key, name, value) != 0 || value.kind != RegistryValue::Kind::kInteger) return std::nullopt;
  return value.integer;
}

std::optional<std::string> Registry::ReadString(std::string_view key, std::string_view name) const {
  RegistryValue value;
  if (ReadValue(key, name, value) != 0 || value.kind != RegistryValue::Kind::kString) return std::nullopt;
  return std::move(value.text);
}

std::vector<std::string> Registry::EnumKeys(std::string_view key) const {
  RegistryData data;
  Load(data);
  return data.SubKeyNames(key);
}

std::vector<std::string> Registry::EnumValues(std::string_view key) const {
  RegistryData data;
  Load(data);
  return data.ValueNames(key);
}

int Registry::Apply(const RegistryBatch& batch) {
  if (path_.empty()) return ENOENT;
  if (const int error = MakeFolders(path_.substr(0, path_.rfind('/'))); error != 0) return error;
  WriterLock lock(path_);
  if (lock.Error() != 0) return lock.Error();

  RemoveStaleTemporaries(path_);
  // Inside the lock: start from what the other writers have left.
  std::string before;
  int error = ReadStore(path_, before);
  if (error != 0 && error != ENOENT) return error;  // never replace what could not be read
  RegistryData data = RegistryData::Parse(before);
  for (const auto& change : batch.changes_) {
    if ((error = change(data)) != 0) return error;
  }
  const std::string after = data.Text();
  if (after == before) return 0;
  return ReplaceFileAtomically(path_, after, 0600);
}

int Registry::CreateKey(std::string_view key) {
  RegistryBatch batch;
  batch.CreateKey(key);
  return Apply(batch);
}

int Registry::WriteInteger(std::string_view key, std::string_view name, std::uint32_t value) {
  RegistryBatch batch;
  batch.WriteInteger(key, name, value);
  return Apply(batch);
}

int Registry::WriteString(std::string_view key, std::string_view name, std::string_view text) {
  RegistryBatch batch;
  batch.WriteString(key, name, text);
  return Apply(batch);
}

int Registry::DeleteValue(std::string_view key, std::string_view name) {
  RegistryBatch batch;
  batch.DeleteValue(key, name);
  return Apply(batch);
}

int Registry::DeleteKey(std::string_view key) {
  RegistryBatch batch;
  batch.DeleteKey(key);
  return Apply(batch);
}

}  // namespace plat
