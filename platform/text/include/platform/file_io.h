#pragma once
// Whole-file reading and crash-safe whole-file replacement for the suite's small
// text files (INI files, the registry store). Results are 0 for success or the
// system's error number (errno); ENOENT means the file does not exist.

#include <string>
#include <string_view>

namespace plat {

// Reads the whole file into content (emptied first).
int ReadWholeFile(const std::string& path, std::string& content);

// Gives the file the new content in one step: the content goes to a temporary
// file in the same directory, is flushed to the disk and then renamed over the
// file, so a reader or a crash sees the old file or the new one, never a part.
// A new file is created with new_file_mode (less the umask); an existing file
// keeps its permission bits. A symbolic link is followed, so the link stays.
int ReplaceFileAtomically(const std::string& path, std::string_view content, unsigned new_file_mode = 0666);

// The system's text for an error number ("No such file or directory").
std::string ErrorText(int error);

}  // namespace plat
