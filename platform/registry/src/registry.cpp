#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// Holds an exclusive flock on the store's lock file for its lifetime.
class WriterLock {
 public:
  explicit WriterLock(const std::string& store_path) {
    const std::string lock_path = store_path + ".lock";
    do {
      fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error_ = errno;
        return;
      }
    }
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  ~WriterLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  int Error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

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

int Registry::Load(RegistryData& data) const {
  data = RegistryData();
  if (path_.empty()) return 0;
  std::string text;
  const int error = ReadWholeFile(path_, text);
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

  // Inside the lock: start from what the other writers have left.
  std::string before;
  int error = ReadWholeFile(path_, before);
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
