// Starting a program as the shell's "open" does, seen through the probe
// program that reports how it was started.

#include "platform/shell.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/testing/spawn_probe.h"

namespace {

namespace fs = std::filesystem;
using plat::testing::ProbeStart;
using plat::testing::SpawnProbe;

// A folder of the test's own, gone afterwards.
class Folder {
 public:
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "shell-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  std::string Write(const std::string& name, const std::string& content, fs::perms perms) const {
    const std::string file = path_ + name;
    std::ofstream(file) << content;
    fs::permissions(file, perms);
    return file;
  }

 private:
  std::string path_;
};

std::string CurrentDirectory() {
  char cwd[PATH_MAX] = {};
  return getcwd(cwd, sizeof cwd) ? cwd : "";
}

TEST(ShellOpen, StartsTheProgramWithoutArgumentsAndReportsItStarted) {
  SpawnProbe probe;
  EXPECT_GT(plat::ShellOpen(SPAWN_PROBE), 32);
  const auto starts = probe.Collect();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Argc(), 1);
  EXPECT_EQ(starts[0].Arg(0), SPAWN_PROBE);
  EXPECT_EQ(starts[0].Field("cwd"), CurrentDirectory());
}

TEST(ShellOpen, TheProgramNeitherInheritsBlockedNorIgnoredSignals) {
  // What a program with its own session-end handling has set up.
  sigset_t session_end, before;
  sigemptyset(&session_end);
  sigaddset(&session_end, SIGTERM);
  sigaddset(&session_end, SIGHUP);
  sigaddset(&session_end, SIGINT);
  pthread_sigmask(SIG_BLOCK, &session_end, &before);
  struct sigaction ignore {}, old_usr1 {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGUSR1, &ignore, &old_usr1);

  SpawnProbe probe;
  const int result = plat::ShellOpen(SPAWN_PROBE);
  const auto starts = probe.Collect();

  sigaction(SIGUSR1, &old_usr1, nullptr);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);

  EXPECT_GT(result, 32);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Field("blocked"), "");
  EXPECT_EQ(starts[0].Field("ignored"), "");
}

TEST(ShellOpen, IsNeverLookedUpInThePath) {
  const std::string probe_dir = fs::path(SPAWN_PROBE).parent_path().string();
  const char* old_path = getenv("PATH");
  const std::string saved = old_path ? old_path : "";
  setenv("PATH", probe_dir.c_str(), 1);
  SpawnProbe probe;
  const int result = plat::ShellOpen(fs::path(SPAWN_PROBE).filename().string());
  const auto starts = probe.Collect();
  setenv("PATH", saved.c_str(), 1);

  EXPECT_EQ(result, plat::kShellFileNotFound);
  EXPECT_TRUE(starts.empty());
}

// What cannot be started is reported as the shell reports it, and nothing runs.
struct FailureCase {
  const char* label;
  std::string (*make)(const Folder& folder);
  int code;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

const FailureCase kFailures[] = {
    {"Empty", [](const Folder&) { return std::string(); }, plat::kShellFileNotFound},
    {"MissingFile", [](const Folder& f) { return f.path() + "Ravelin.exe"; }, plat::kShellFileNotFound},
    {"MissingFolder", [](const Folder& f) { return f.path() + "gone/Ravelin.exe"; }, plat::kShellPathNotFound},
    {"AFileOnTheWay",
     [](const Folder& f) { return f.Write("plain", "", fs::perms::owner_read) + "/Ravelin.exe"; },
     plat::kShellPathNotFound},
    {"AFolder", [](const Folder& f) { return f.path(); }, plat::kShellAccessDenied},
    {"NotExecutable",
     [](const Folder& f) {
       return f.Write("Ravelin.exe", "", fs::perms::owner_read | fs::perms::owner_write);
     },
     plat::kShellAccessDenied},
    {"NotAProgram",
     [](const Folder& f) { return f.Write("Ravelin.exe", "no program\n", fs::perms::owner_all); },
     plat::kShellBadFormat},
};

class ShellOpenFailure : public ::testing::TestWithParam<FailureCase> {};
INSTANTIATE_TEST_SUITE_P(Cases, ShellOpenFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(ShellOpenFailure, IsReportedAsTheShellWouldAndStartsNothing) {
  Folder folder;
  const std::string path = GetParam().make(folder);
  SpawnProbe probe;
  const int result = plat::ShellOpen(path);
  EXPECT_EQ(result, GetParam().code) << path;
  EXPECT_LE(result, 32);
  EXPECT_TRUE(probe.Collect().empty());
}

// PATH for the life of the object.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& path) {
    const char* old = getenv("PATH");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv("PATH", path.c_str(), 1);
  }
  ~ScopedPath() {
    if (had_) setenv("PATH", saved_.c_str(), 1);
    else unsetenv("PATH");
  }

 private:
  bool had_ = false;
  std::string saved_;
};

// A copy of the probe under another name in the folder.
std::string CopyProbe(const Folder& folder, const std::string& name) {
  const std::string target = folder.path() + name;
  fs::copy_file(SPAWN_PROBE, target);
  return target;
}

TEST(SpawnDetached, PassesEveryArgumentAsItStandsWithoutAShell) {
  const std::vector<std::string> args = {SPAWN_PROBE, "two words", "\"quoted\" %1", "; rm -rf ~", "$HOME", ""};
  SpawnProbe probe;
  EXPECT_GT(plat::SpawnDetached(args), 32);
  const auto starts = probe.Collect();
  ASSERT_EQ(starts.size(), 1u);
  ASSERT_EQ(starts[0].Argc(), static_cast<int>(args.size()));
  for (std::size_t i = 0; i < args.size(); ++i) EXPECT_EQ(starts[0].Arg(static_cast<int>(i)), args[i]) << i;
}

TEST(SpawnDetached, LooksABareNameUpInThePathAndReportsWhatIsMissing) {
  Folder folder;
  CopyProbe(folder, "opener");
  ScopedPath path(folder.path());
  SpawnProbe probe;
  EXPECT_GT(plat::SpawnDetached({"opener", "x"}), 32);
  EXPECT_EQ(plat::SpawnDetached({"absent-program"}), plat::kShellFileNotFound);
  EXPECT_EQ(plat::SpawnDetached({}), plat::kShellFileNotFound);
  const auto starts = probe.Collect();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Arg(1), "x");
}

TEST(OpenAddress, GivesTheAddressToTheDesktopsOpenerAsItsOneArgument) {
  Folder folder;
  CopyProbe(folder, "xdg-open");
  ScopedPath path(folder.path());
  SpawnProbe probe;
  const std::string address = "https://example.org/a b?x=1&y='2'";
  EXPECT_GT(plat::OpenAddress(address), 32);
  const auto starts = probe.Collect();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Argc(), 2);
  EXPECT_EQ(starts[0].Arg(1), address);
}

TEST(OpenAddress, WithoutAnOpenerAnswersNoAssociationAndRefusesWhatIsNoAddress) {
  Folder folder;
  CopyProbe(folder, "xdg-open");
  SpawnProbe probe;
  {
    ScopedPath path(folder.path() + "missing");
    EXPECT_EQ(plat::OpenAddress("mailto:someone@example.org"), plat::kShellNoAssociation);
  }
  ScopedPath path(folder.path());
  EXPECT_EQ(plat::OpenAddress(""), plat::kShellFileNotFound);
  EXPECT_EQ(plat::OpenAddress("--help"), plat::kShellFileNotFound);
  EXPECT_TRUE(probe.Collect().empty());
}

TEST(OpenAddress, ATestsOpenerSeesEveryAddressUntilItIsRemoved) {
  Folder folder;
  CopyProbe(folder, "xdg-open");
  ScopedPath path(folder.path());
  std::vector<std::string> opened;
  SpawnProbe probe;
  {
    plat::ScopedAddressOpener seam([&](const std::string& a) {
      opened.push_back(a);
      return opened.size() == 1 ? 42 : plat::kShellNoAssociation;
    });
    EXPECT_EQ(plat::OpenAddress("http://a"), 42);
    EXPECT_EQ(plat::OpenAddress("http://b"), plat::kShellNoAssociation);
    EXPECT_EQ(plat::OpenAddress(""), plat::kShellFileNotFound);
  }
  EXPECT_EQ(opened, (std::vector<std::string>{"http://a", "http://b"}));
  EXPECT_TRUE(probe.Collect().empty());
  SpawnProbe after;
  EXPECT_GT(plat::OpenAddress("http://c"), 32);
  const auto starts = after.Collect();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Arg(1), "http://c");
}

}  // namespace
