#pragma once
// Whole-file reading and crash-safe whole-file replacement for the suite's small
// text files (INI files, the registry store). Results are 0 for success, the
// system's error number (errno) or kNotARegularFile; ENOENT means the file does
// not exist.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The path names something that is neither a file nor missing: a FIFO, a
// socket, a device (a folder gives EISDIR).
inline constexpr int kNotARegularFile = -1;

// Reads the whole file into content (emptied first). Only a regular file is
// read; opening never waits (for a FIFO's writer, say).
int ReadWholeFile(const std::string& path, std::string& content);

// Gives the file the new content in one step: the content goes to a temporary
// file in the same directory, is flushed to the disk and then renamed over the
// file, so a reader or a crash sees the old file or the new one, never a part.
// A new file is created with new_file_mode (less the umask); an existing file
// keeps its permission bits. A symbolic link is followed, so the link stays.
// An existing file that is read-only (no write permission bit, or none for this
// process) gives EACCES and is left alone, and so is anything in its place
// that is no regular file.
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

// The system's text for an error number ("No such file or directory"), and
// "Not a regular file" for kNotARegularFile.
std::string ErrorText(int error);

}  // namespace plat
