#include "platform/ipc/socket_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace plat::ipc {
namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string WithoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A directory the user may trust: real, owned by the user, closed to others.
std::string TrustProblem(const std::string& path, const struct stat& st) {
  if (!S_ISDIR(st.st_mode)) return path + " is not a directory";
  if (st.st_uid != geteuid()) return path + " belongs to another user";
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) return path + " is open to other users";
  return {};
}

}  // namespace

DirectoryInputs InputsFromEnvironment() {
  DirectoryInputs in;
  in.socket_dir = Env(kSocketDirVariable);
  in.xdg_runtime_dir = Env("XDG_RUNTIME_DIR");
  return in;
}

DirectoryResult MakePrivateDirectory(const std::string& raw) {
  DirectoryResult r;
  if (raw.empty() || raw[0] != '/') {
    r.error = "socket directory \"" + raw + "\" is not an absolute path";
    return r;
  }
  std::string path = WithoutSlash(raw);
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    r.error = "cannot create " + path + ": " + std::strerror(errno);
    return r;
  }
  // lstat: a symbolic link is refused, whoever it points to.
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    r.error = "cannot inspect " + path + ": " + std::strerror(errno);
    return r;
  }
  r.error = TrustProblem(path, st);
  if (r.ok()) r.path = WithSlash(path);
  return r;
}

DirectoryResult ResolveSocketDirectory(const DirectoryInputs& in) {
  if (!in.socket_dir.empty()) return MakePrivateDirectory(in.socket_dir);
  const std::string& xdg = in.xdg_runtime_dir;
  if (!xdg.empty() && xdg[0] == '/') {
    struct stat st {};
    // The runtime directory itself may be reached through a link (some systems
    // link /run/user); what counts is the directory it names.
    if (stat(xdg.c_str(), &st) == 0 && TrustProblem(xdg, st).empty())
      return MakePrivateDirectory(WithSlash(xdg) + "lorvex");
  }
  return MakePrivateDirectory(WithSlash(in.tmp) + "lorvex-" + std::to_string(geteuid()));
}

DirectoryResult SocketDirectory() { return ResolveSocketDirectory(InputsFromEnvironment()); }

}  // namespace plat::ipc
