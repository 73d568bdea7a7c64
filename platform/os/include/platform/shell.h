#pragma once
// Starting another program by its path, as the desktop shell's "open" does for
// a program file: no shell runs, nothing is searched, no arguments are passed.
//
// The result reads like the shell's: above 32 the program was started; 32 or
// below says why it was not. The started program runs on its own: it gets the
// caller's environment and current directory, every signal at its default with
// none blocked (whatever this process blocks for its own use), and is reaped
// when it ends, so it never lingers as a zombie.

#include <string>

namespace plat {

inline constexpr int kShellOutOfResources = 0;  // no process could be made
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;   // a directory on the way is missing
inline constexpr int kShellAccessDenied = 5;   // not executable, or a folder
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellBadFormat = 11;     // not a program this system can run
inline constexpr int kShellStarted = 42;       // any value above 32 means started

// Starts the program file at `path` (taken as it stands, never looked up in
// PATH) without arguments and without waiting for it.
int ShellOpen(const std::string& path);

}  // namespace plat
