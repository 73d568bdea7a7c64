#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace plat {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { if (fd_ >= 0) ::close(fd_); }
  int get() const { return fd_; }
  // Closes now, reporting what close says (a late write error shows up here).
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ResolveLink(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

constexpr std::string_view kTempMark = ".tmp";

std::string TempName(const std::string& target, unsigned serial) {
  return target + std::string(kTempMark) + std::to_string(::getpid()) + "_" + std::to_string(serial);
}

bool AllDigits(std::string_view text) {
  if (text.empty() || text.size() > 18) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The writer's process id when name is one of TempName's for base, else -1.
long long TempWriter(std::string_view name, std::string_view base) {
  if (name.size() <= base.size() + kTempMark.size() || name.substr(0, base.size()) != base) return -1;
  name.remove_prefix(base.size());
  if (name.substr(0, kTempMark.size()) != kTempMark) return -1;
  name.remove_prefix(kTempMark.size());
  const std::size_t sep = name.find('_');
  if (sep == std::string_view::npos || !AllDigits(name.substr(0, sep)) || !AllDigits(name.substr(sep + 1))) {
    return -1;
  }
  return std::stoll(std::string(name.substr(0, sep)));
}

}  // namespace

int ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  int fd;
  do {
    // Without O_NONBLOCK opening a FIFO waits for a writer, possibly for ever.
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  Fd file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return kNotARegularFile;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      content.clear();
      return error;
    }
    if (n == 0) return 0;
    content.append(buffer, static_cast<std::size_t>(n));
  }
}

int ReplaceFileAtomically(const std::string& path, std::string_view content, unsigned new_file_mode) {
  const std::string target = ResolveLink(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return EISDIR;
  if (exists && !S_ISREG(existing.st_mode)) return kNotARegularFile;
  // The rename would replace a file that may not be written; the write bits
  // count for every user (root included), as a read-only mark does.
  if (exists && (existing.st_mode & 0222) == 0) return EACCES;
  if (exists && ::access(target.c_str(), W_OK) != 0) return errno;

  // The temporary file's name is unique to this process and call, so two
  // writers never share one, and it lies beside the target for the rename.
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(target, counter++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(new_file_mode));
    if (fd < 0 && errno != EEXIST && errno != EINTR) return errno;
  }
  if (fd < 0) return EEXIST;
  Fd file(fd);

  int error = 0;
  if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) error = errno;
  if (error == 0) error = WriteAll(fd, content);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (error == 0) error = file.Close();
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return error;
  }
  // The rename itself is made durable by flushing the directory; a file system
  // that cannot flush a directory has already done its best.
  const int dir = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

std::vector<LeftoverTemporary> FindLeftoverTemporaries(const std::string& path) {
  std::vector<LeftoverTemporary> found;
  const std::string target = ResolveLink(path);
  const std::string folder = DirectoryOf(target);
  const std::size_t slash = target.rfind('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return found;
  while (const dirent* entry = ::readdir(dir.get())) {
    const long long pid = TempWriter(entry->d_name, base);
    if (pid < 0) continue;
    LeftoverTemporary leftover;
    leftover.path = folder + "/" + entry->d_name;
    struct stat st {};
    // Only what is a plain file of that name; a link is not followed.
    if (::lstat(leftover.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    leftover.pid = pid;
    leftover.modified = st.st_mtim.tv_sec;
    found.push_back(std::move(leftover));
  }
  return found;
}

std::string ErrorText(int error) {
  if (error == kNotARegularFile) return "Not a regular file";
  char buffer[256];
  // The GNU strerror_r, which may answer with a text of its own instead of the buffer.
  return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace plat
