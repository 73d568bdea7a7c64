#pragma once
// A helper program the tests run beside themselves, spoken to in lines over
// pipes: the test writes a command line to its stdin and reads one answer line
// from its stdout.

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tamsile_testing {

// Variables to change in a helper's environment; no value removes one.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

class HelperProcess {
 public:
  // Starts the program with this process's environment and the changes, and
  // the arguments; its standard error goes to stderr_path when one is given.
  HelperProcess(const std::string& program, const EnvChanges& changes,
                const std::vector<std::string>& args = {}, const std::string& stderr_path = {});
  ~HelperProcess();  // kills a helper that is still running
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  bool running() const { return pid_ > 0; }

  void Send(const std::string& line);
  // The next answer line; "<timeout>" when none came in time (a hang must fail
  // a test, not stall it), "<eof>" when the helper closed its output.
  std::string Reply(int timeout_ms = 30000);
  std::string Ask(const std::string& line, int timeout_ms = 30000) {
    Send(line);
    return Reply(timeout_ms);
  }

  // Asks the helper to end and waits for it; returns its exit status.
  int Quit();
  // Ends the helper at once (SIGKILL) and waits for it.
  void Kill();
  // Waits until the helper has stopped itself (SIGSTOP); false when it ended
  // or did not stop within the time.
  bool WaitUntilStopped(int timeout_ms = 30000);
  // Lets a stopped helper go on.
  void Continue();

 private:
  int Reap();

  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  std::string pending_;
};

// The full path of a program built beside the running test program.
std::string BesideTestProgram(const std::string& file_name);

}  // namespace tamsile_testing
