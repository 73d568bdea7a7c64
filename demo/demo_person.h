#pragma once
// What the demos' scripted persons share: a failure is said on stderr and
// remembered for the exit code; a picture written is said on stdout by its
// path, for the run script to collect.

#include <cstdio>
#include <string>

namespace demo {

class Outcomes {
 public:
  bool failed() const { return failed_; }

 protected:
  // A person's action: empty when it went, else why it did not.
  void Do(const std::string& why_not) {
    if (!why_not.empty()) Fail(why_not);
  }
  void Fail(const std::string& why) {
    std::fprintf(stderr, "demo: %s\n", why.c_str());
    failed_ = true;
  }
  // A picture: its path once written, else the failure given.
  void Picture(bool written, const std::string& path, const std::string& failure) {
    if (written) {
      std::printf("%s\n", path.c_str());
      std::fflush(stdout);
    } else {
      Fail(failure);
    }
  }

 private:
  bool failed_ = false;
};

}  // namespace demo
