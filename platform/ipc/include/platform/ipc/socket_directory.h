#pragma once
// Where the viewer's trace socket lives: a private directory of the user.
//
//   1. $LORVEX_SOCKET_DIR when set and not empty (an absolute path; meant for
//      tests, which need a directory of their own);
//   2. else $XDG_RUNTIME_DIR/lorvex/ when XDG_RUNTIME_DIR is set to an absolute
//      directory that belongs to the user and is closed to others;
//   3. else /tmp/lorvex-<uid>/.
//
// The chosen directory is created with mode 0700 when missing and is used only
// when it is a real directory (not a symbolic link), owned by the effective
// user and open to nobody else. Anything else is refused, never repaired: a
// directory someone else prepared could hold their socket, and a client would
// then hand its traces - and "WM_TRACE_SETFILENAME" paths - to a stranger.
//
// Clients and the viewer must run with the same choice: a client started where
// XDG_RUNTIME_DIR is unset (an ssh login, say) looks in /tmp, not in the
// runtime directory of the desktop session.

#include <string>

namespace plat::ipc {

inline constexpr const char* kSocketDirVariable = "LORVEX_SOCKET_DIR";
inline constexpr const char* kSocketFileName = "trace.sock";
// Beside the socket; the running viewer holds an exclusive flock on it.
inline constexpr const char* kLockFileName = "trace.lock";

struct DirectoryResult {
  std::string path;   // with a trailing '/', empty on error
  std::string error;  // empty on success; else what is wrong, naming the path
  bool ok() const { return error.empty(); }
};

// The inputs of the choice above, so that tests can point it elsewhere.
struct DirectoryInputs {
  std::string socket_dir;       // value of LORVEX_SOCKET_DIR ("" when unset)
  std::string xdg_runtime_dir;  // value of XDG_RUNTIME_DIR ("" when unset)
  std::string tmp = "/tmp";     // base of the fallback
};

// The inputs as this process's environment gives them.
DirectoryInputs InputsFromEnvironment();

// Picks, creates when missing and checks the directory.
DirectoryResult ResolveSocketDirectory(const DirectoryInputs& inputs);
// The same for this process's environment.
DirectoryResult SocketDirectory();

// Creates the directory (mode 0700, last component only) when it does not
// exist, then checks it as described above.
DirectoryResult MakePrivateDirectory(const std::string& path);

}  // namespace plat::ipc
