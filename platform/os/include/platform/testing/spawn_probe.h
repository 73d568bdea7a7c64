#pragma once
// Seeing, in a test, which programs were started and how: the probe program
// (target spawn_probe, copied under whatever names a test needs) reports each
// start to a pipe that this collector owns.
//
//   plat::testing::SpawnProbe probe;          // before anything starts a program
//   plat::ShellOpen(dir + "Ravelin.exe");     // a copy of the probe
//   auto starts = probe.Collect();            // waits until every probe started has ended
//   EXPECT_EQ(starts.at(0).Arg(0), dir + "Ravelin.exe");
//
// Collect() answers at once with nothing when no program was started: no
// probe holds the pipe open then.

#include <map>
#include <string>
#include <vector>

namespace plat::testing {

// The variable through which a probe finds the collector's descriptor.
inline constexpr const char* kSpawnProbeVariable = "PLAT_SPAWN_PROBE_FD";

// One start, as the probe saw it.
struct ProbeStart {
  std::map<std::string, std::string> fields;  // "argc", "argv0", "cwd", "blocked", "ignored"
  std::string Field(const std::string& name) const;
  int Argc() const;
  std::string Arg(int index) const;
};

class SpawnProbe {
 public:
  // A pipe whose write end every started program inherits, named in the
  // environment (so make it before threads that read the environment run).
  SpawnProbe();
  // Takes the variable away again and closes the pipe.
  ~SpawnProbe();
  SpawnProbe(const SpawnProbe&) = delete;
  SpawnProbe& operator=(const SpawnProbe&) = delete;

  // Closes this side's write end and reads until every probe started so far
  // has ended (throws after 20 s without an end); later starts report to nobody.
  std::vector<ProbeStart> Collect();

 private:
  int read_ = -1;
  int write_ = -1;
};

}  // namespace plat::testing
