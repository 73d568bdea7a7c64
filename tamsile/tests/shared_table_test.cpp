// One table for all processes of the user: helper processes load the real
// Tamsile.DLL and change and read it side by side.

#include <fcntl.h>
#include <stdlib.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "shared_table.h"
#include "tamsile_testing/helper_process.h"
#include "tamsile_testing/table_namespace.h"

namespace {

using tamsile_testing::HelperProcess;
using tamsile_testing::TableNamespace;

const char* const kFallbackMessage = "Tamsile.DLL: the trace message-ID table cannot be shared (";
const char* const kFallbackEnd = "); this process works on a table of its own\n";

std::unique_ptr<HelperProcess> StartHelper(const tamsile_testing::EnvChanges& env,
                                           const std::vector<std::string>& args = {},
                                           const std::string& stderr_path = {}) {
  return std::make_unique<HelperProcess>(tamsile_testing::BesideTestProgram("tamsile_helper"), env, args,
                                         stderr_path);
}

std::unique_ptr<HelperProcess> StartReady(const tamsile_testing::EnvChanges& env,
                                          const std::vector<std::string>& args = {},
                                          const std::string& stderr_path = {}) {
  auto helper = StartHelper(env, args, stderr_path);
  EXPECT_EQ(helper->Reply(), "ready");
  return helper;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder for the helpers' standard error, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/tamsile-test-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<unsigned> Numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<unsigned> n;
  unsigned v;
  while (in >> v) n.push_back(v);
  return n;
}

// Checks a "list" answer for the table's rules and returns its IDs.
std::vector<unsigned> SoundList(const std::string& answer) {
  std::vector<unsigned> n = Numbers(answer);
  EXPECT_FALSE(n.empty()) << answer;
  if (n.empty()) return {};
  std::vector<unsigned> ids(n.begin() + 1, n.end());
  EXPECT_EQ(ids.size(), n[0]);
  EXPECT_LE(ids.size(), 1000u);
  EXPECT_EQ(std::set<unsigned>(ids.begin(), ids.end()).size(), ids.size()) << "an ID twice";
  return ids;
}

class SharedTable : public ::testing::Test {
 protected:
  std::unique_ptr<HelperProcess> Start() { return StartReady(ns_.Environment()); }
  tamsile_testing::EnvChanges With(tamsile_testing::EnvChanges more) const {
    tamsile_testing::EnvChanges env = ns_.Environment();
    env.insert(env.end(), more.begin(), more.end());
    return env;
  }
  // A table with ID 5 in it, left by a process that has ended.
  void LeaveStaleTable() {
    auto former = Start();
    EXPECT_EQ(former->Ask("enable 5 1"), "ok 0");
    EXPECT_EQ(former->Quit(), 0);
  }
  TableNamespace ns_;
  ScratchFolder scratch_;
};

TEST_F(SharedTable, AChangeInOneProcessIsSeenAtOnceByAnother) {
  auto a = Start();
  auto b = Start();
  EXPECT_EQ(a->Ask("enable 1001 1"), "ok 0");
  EXPECT_EQ(b->Ask("has 1001"), "1");
  EXPECT_EQ(b->Ask("enable 42 1"), "ok 0");
  EXPECT_EQ(a->Ask("list"), "2 1001 42");
  EXPECT_EQ(b->Ask("enable 1001 0"), "ok 0");
  EXPECT_EQ(a->Ask("has 1001"), "0");
}

// A desktop session and a shell of one user rarely agree on XDG_RUNTIME_DIR;
// the table is the user's all the same.
TEST_F(SharedTable, ProcessesOfOneUserShareItWhateverTheirRuntimeDirectory) {
  const std::string open_to_all = scratch_.File("open");
  mkdir(open_to_all.c_str(), 0777);
  chmod(open_to_all.c_str(), 0777);
  const std::vector<std::optional<std::string>> runtime_dirs = {
      std::nullopt, scratch_.path(), open_to_all, scratch_.File("missing"), "relative/dir", ""};
  auto first = Start();
  unsigned id = 100;
  for (const auto& dir : runtime_dirs) {
    SCOPED_TRACE(dir ? "XDG_RUNTIME_DIR=" + *dir : "XDG_RUNTIME_DIR unset");
    auto other = StartReady(With({{"XDG_RUNTIME_DIR", dir}}));
    EXPECT_EQ(other->Ask("enable " + std::to_string(id) + " 1"), "ok 0");
    EXPECT_EQ(first->Ask("has " + std::to_string(id)), "1");
    ++id;
  }
  EXPECT_EQ(first->Ask("list"), "6 100 101 102 103 104 105");
}

// How the holders of the table end.
enum class Ending { kQuit, kKilled };
const char* NameOf(Ending e) { return e == Ending::kQuit ? "Quit" : "Killed"; }
void PrintTo(Ending e, std::ostream* os) { *os << NameOf(e); }

class TableLifetime : public SharedTable, public ::testing::WithParamInterface<Ending> {
 protected:
  void End(HelperProcess& p) {
    if (GetParam() == Ending::kQuit) {
      EXPECT_EQ(p.Quit(), 0);
    } else {
      p.Kill();
    }
  }
};

TEST_P(TableLifetime, LivesWhileAnyProcessHoldsItAndStartsEmptyAfterTheLast) {
  auto first = Start();
  EXPECT_EQ(first->Ask("enable 7 1"), "ok 0");
  auto second = Start();
  End(*first);  // the process that created the table is gone; the table is not
  auto third = Start();
  EXPECT_EQ(third->Ask("list"), "1 7");
  End(*second);
  End(*third);

  auto next = Start();
  EXPECT_EQ(next->Ask("list"), "0");
  EXPECT_EQ(next->Ask("has 7"), "0");
}

INSTANTIATE_TEST_SUITE_P(Endings, TableLifetime, ::testing::Values(Ending::kQuit, Ending::kKilled),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

struct DeadHolderCase {
  const char* mode;  // what the killed lock holder left in the table
  const char* expected;
};
void PrintTo(const DeadHolderCase& c, std::ostream* os) { *os << c.mode; }

class DeadLockHolder : public SharedTable, public ::testing::WithParamInterface<DeadHolderCase> {};

TEST_P(DeadLockHolder, DoesNotBlockTheNextAndLeavesASoundTable) {
  auto user = Start();
  EXPECT_EQ(user->Ask("fill 1 3"), "ok");
  auto holder = Start();
  EXPECT_EQ(holder->Ask(std::string("hold ") + GetParam().mode), "held");
  user->Send("list");  // waits for the lock
  holder->Kill();
  const std::string listed = user->Reply();
  EXPECT_EQ(listed, GetParam().expected);
  SoundList(listed);
  EXPECT_EQ(user->Ask("enable 9 1"), "ok 0");
  EXPECT_EQ(user->Ask("has 9"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DeadLockHolder,
    ::testing::Values(DeadHolderCase{"plain", "3 1 2 3"},
                      DeadHolderCase{"duplicate", "3 1 2 3"},
                      // The count is cut to the capacity; the stale zeroes behind
                      // the three IDs collapse into one.
                      DeadHolderCase{"overflow", "4 1 2 3 0"}),
    [](const auto& info) { return std::string(info.param.mode); });

TEST_F(SharedTable, ConcurrentChangesNearCapacityKeepTheTableSound) {
  // 980 IDs that nobody touches, then 40 places left for 60 IDs fought over by
  // two processes with four threads each.
  auto setup = Start();
  ASSERT_EQ(setup->Ask("fill 10000 980"), "ok");
  auto a = Start();
  auto b = Start();
  a->Send("stress 4 20000 1 10970 11030");
  b->Send("stress 4 20000 2 10970 11030");
  EXPECT_EQ(a->Reply(120000), "done 0");
  EXPECT_EQ(b->Reply(120000), "done 0");

  std::vector<unsigned> ids = SoundList(setup->Ask("list"));
  std::set<unsigned> present(ids.begin(), ids.end());
  for (unsigned id = 10000; id < 10970; ++id) {
    ASSERT_TRUE(present.count(id)) << "lost untouched ID " << id;
  }
}

// A process stopped anywhere in its set-up but in the short step under the
// table's mutex keeps nobody from the table, and joins it when it goes on.
struct StoppedCase {
  const char* step;        // where the process stops
  bool stale_table;        // a table left by processes that have ended is there
};
void PrintTo(const StoppedCase& c, std::ostream* os) { *os << c.step; }

class StoppedInSetUp : public SharedTable, public ::testing::WithParamInterface<StoppedCase> {};

TEST_P(StoppedInSetUp, KeepsNobodyFromTheTableAndJoinsItLater) {
  if (GetParam().stale_table) LeaveStaleTable();
  const std::string errors = scratch_.File("stopped.err");
  auto stopped = StartHelper(ns_.Environment(), {std::string("--stop-at=") + GetParam().step}, errors);
  ASSERT_TRUE(stopped->WaitUntilStopped());

  const std::string b_errors = scratch_.File("b.err");
  auto b = StartReady(ns_.Environment(), {}, b_errors);
  EXPECT_EQ(b->Ask("list"), "0");  // nothing of the former processes
  EXPECT_EQ(b->Ask("enable 7 1"), "ok 0");
  auto c = Start();
  EXPECT_EQ(c->Ask("has 7"), "1");

  stopped->Continue();
  EXPECT_EQ(stopped->Reply(), "ready");
  EXPECT_EQ(stopped->Ask("list"), "1 7");
  EXPECT_EQ(stopped->Ask("enable 8 1"), "ok 0");
  EXPECT_EQ(b->Ask("list"), "2 7 8");
  EXPECT_EQ(FileText(errors), "");
  EXPECT_EQ(FileText(b_errors), "");
}

INSTANTIATE_TEST_SUITE_P(Steps, StoppedInSetUp,
                         ::testing::Values(StoppedCase{"made", false}, StoppedCase{"opened", true}),
                         [](const auto& info) { return std::string(info.param.step); });

TEST_F(SharedTable, AProcessKilledInTheStepUnderTheMutexLeavesTheTableToTheNext) {
  LeaveStaleTable();
  auto dying = StartHelper(ns_.Environment(), {"--stop-at=locked"});
  ASSERT_TRUE(dying->WaitUntilStopped());
  dying->Kill();
  const std::string errors = scratch_.File("next.err");
  auto next = StartReady(ns_.Environment(), {}, errors);
  auto other = Start();
  EXPECT_EQ(next->Ask("list"), "0");
  EXPECT_EQ(next->Ask("enable 3 1"), "ok 0");
  EXPECT_EQ(other->Ask("has 3"), "1");
  EXPECT_EQ(FileText(errors), "");
}

// The rare case: a process stopped while it holds the table's mutex. Who loads
// the library then says so and works on a table of its own rather than hang.
TEST_F(SharedTable, WhileTheMutexIsHeldByAStoppedProcessANewOneSaysItWorksAlone) {
  LeaveStaleTable();
  auto stopped = StartHelper(ns_.Environment(), {"--stop-at=locked"});
  ASSERT_TRUE(stopped->WaitUntilStopped());
  const std::string errors = scratch_.File("alone.err");
  auto alone = StartReady(ns_.Environment(), {"--lock-wait-ms=50"}, errors);
  auto other = StartReady(ns_.Environment(), {"--lock-wait-ms=50"});
  EXPECT_EQ(alone->Ask("enable 9 1"), "ok 0");
  EXPECT_EQ(alone->Ask("has 9"), "1");
  EXPECT_EQ(other->Ask("has 9"), "0");
  EXPECT_EQ(FileText(errors), std::string(kFallbackMessage) + "the table in " + ns_.ObjectPath() +
                                  " is held by a process that does not let it go" + kFallbackEnd);

  // Once it goes on, the table is there for everyone again.
  stopped->Continue();
  EXPECT_EQ(stopped->Reply(), "ready");
  EXPECT_EQ(stopped->Ask("enable 4 1"), "ok 0");
  auto later = Start();
  EXPECT_EQ(later->Ask("list"), "1 4");
}

// A table that cannot be had safely is not used: each process then works on a
// table of its own, shared with nobody, and says why.
struct UnsafeCase {
  const char* name;
  bool needs_root;
  void (*spoil)(const std::string& object_path);  // may be null
  const char* name_space;                          // null: a valid one
  const char* why;  // the reason given, "@" standing for the object's path; null: the namespace's
};
void PrintTo(const UnsafeCase& c, std::ostream* os) { *os << c.name; }

class UnsafeTable : public ::testing::TestWithParam<UnsafeCase> {};

// A file in the shared-memory folder where the table should be.
void PlaceFile(const std::string& path, mode_t mode, off_t size) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0) << path;
  EXPECT_EQ(fchmod(fd, mode), 0);
  EXPECT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

TEST_P(UnsafeTable, GivesEveryProcessATableOfItsOwnAndSaysWhy) {
  const UnsafeCase& c = GetParam();
  if (c.needs_root && geteuid() != 0) GTEST_SKIP() << "needs root to hand a file to another user";
  TableNamespace ns(c.name_space ? std::optional<std::string>(c.name_space) : std::nullopt);
  const std::string path = ns.ObjectPath();
  if (c.spoil) c.spoil(path);
  ScratchFolder scratch;
  auto a = StartReady(ns.Environment(), {}, scratch.File("a.err"));
  auto b = StartReady(ns.Environment());
  EXPECT_EQ(a->Ask("enable 5 1"), "ok 0");
  EXPECT_EQ(a->Ask("has 5"), "1");
  EXPECT_EQ(b->Ask("has 5"), "0");
  std::string why = c.why ? c.why : "TAMSILE_NAMESPACE holds more than letters, digits, '_' and '-'";
  if (const auto at = why.find('@'); at != std::string::npos) why.replace(at, 1, path);
  EXPECT_EQ(FileText(scratch.File("a.err")), kFallbackMessage + why + kFallbackEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Places, UnsafeTable,
    ::testing::Values(
        UnsafeCase{"OpenToOthers", false, [](const std::string& path) { PlaceFile(path, 0644, 0); }, nullptr,
                   "@ is open to other users"},
        UnsafeCase{"OfAnotherUser", true,
                   [](const std::string& path) {
                     PlaceFile(path, 0600, 0);
                     EXPECT_EQ(chown(path.c_str(), 65534, 65534), 0);
                   },
                   nullptr, "@ belongs to another user"},
        UnsafeCase{"NotATable", false, [](const std::string& path) { PlaceFile(path, 0600, 100); }, nullptr,
                   "@ is not a trace table of this library"},
        UnsafeCase{"AFifo", false, [](const std::string& path) { EXPECT_EQ(mkfifo(path.c_str(), 0600), 0); },
                   nullptr, "@ is not a trace table of this library"},
        UnsafeCase{"ALink", false,
                   [](const std::string& path) { EXPECT_EQ(symlink("/dev/null", path.c_str()), 0); }, nullptr,
                   "cannot open @: Too many levels of symbolic links"},
        UnsafeCase{"NamespaceWithASlash", false, nullptr, "a/b", nullptr},
        UnsafeCase{"NamespaceTooLong", false, nullptr,
                   "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// Shared memory is often small (a container's /dev/shm) and may be full when a
// program starts. A table that cannot get its memory is not made: the process
// is told why (and works alone) instead of dying at its first touch of the table.
TEST(SharedMemoryFull, MakingTheTableFailsWithTheReasonInsteadOfKillingTheProcess) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a small shared-memory folder";
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // A mount namespace of its own, with a shared-memory folder of one page
    // that a file already fills.
    std::string answer = "no namespace";
    const int filler = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                               mount("tmpfs", "/dev/shm", "tmpfs", 0, "size=4k") == 0
                           ? open("/dev/shm/filler", O_RDWR | O_CREAT, 0600)
                           : -1;
    const std::vector<char> page(4096, 'x');
    if (filler >= 0 && write(filler, page.data(), page.size()) == static_cast<ssize_t>(page.size()) &&
        write(filler, page.data(), 1) < 0) {
      const tamsile::Attached attached = tamsile::AttachShared("/tamsile-full");
      answer = attached.region != nullptr ? "made" : attached.problem;
    }
    if (write(out[1], answer.data(), answer.size()) < 0) _exit(2);
    _exit(0);
  }
  close(out[1]);
  std::string answer;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "died making the table, status " << status;
  if (answer == "no namespace") GTEST_SKIP() << "cannot mount a shared-memory folder of its own";
  EXPECT_EQ(answer, "cannot make a table: No space left on device");
}

}  // namespace
