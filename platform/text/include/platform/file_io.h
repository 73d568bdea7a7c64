#pragma once
// Whole-file reading and crash-safe whole-file replacement for the suite's small
// text files (INI files, the registry store). Results are 0 for success or the
// system's error number (errno); ENOENT means the file does not exist.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Reads the whole file into content (emptied first). Anything but a regular
// file (a FIFO, a device, a socket) is refused with EINVAL without waiting,
// a directory with EISDIR.
int ReadWholeFile(const std::string& path, std::string& content);

// Gives the file the new content in one step: the content goes to a temporary
// file in the same directory, is flushed to the disk and then renamed over the
// file, so a reader or a crash sees the old file or the new one, never a part.
// A new file is created with new_file_mode (less the umask); an existing file
// keeps its permission bits. A symbolic link is followed, so the link stays.
// What exists there and is not a regular file is never replaced (EISDIR for a
// directory, EINVAL for anything else).
int ReplaceFileAtomically(const std::string& path, std::string_view content, unsigned new_file_mode = 0666);

// A temporary file of ReplaceFileAtomically that was never renamed (its writer
// was killed between writing and renaming, or the machine went down).
struct LeftoverTemporary {
  std::string path;
  long long pid = 0;          // the writer's process id, from the name
  std::int64_t modified = 0;  // last change, seconds since the epoch
};

// The temporary files of replacements of path that lie beside it now. Which of
// them are stale only the caller can know: a writer may be writing one now.
std::vector<LeftoverTemporary> FindLeftoverTemporaries(const std::string& path);

// The system's text for an error number ("No such file or directory").
std::string ErrorText(int error);

}  // namespace plat
