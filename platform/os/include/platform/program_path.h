#pragma once
#include <string>

namespace plat {

// Full path of the running program's executable file ("/opt/x/bin/kestrum").
std::string ProgramFile();
// Its directory, with the trailing separator ("/opt/x/bin/"), as ExtractFilePath gives it.
std::string ProgramDirectory();
// The program's file name without directory and extension ("kestrum").
std::string ProgramName();

}  // namespace plat
