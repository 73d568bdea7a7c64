// One table for all processes of the user: helper processes load the real
// Tamsile.DLL and change and read it side by side.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "tamsile_testing/helper_process.h"
#include "tamsile_testing/table_namespace.h"

namespace {

using tamsile_testing::HelperProcess;
using tamsile_testing::RuntimeDir;
using tamsile_testing::TableNamespace;

std::unique_ptr<HelperProcess> StartHelper(const tamsile_testing::EnvChanges& env) {
  auto helper = std::make_unique<HelperProcess>(
      tamsile_testing::BesideTestProgram("tamsile_helper"), env);
  EXPECT_EQ(helper->Reply(), "ready");
  return helper;
}

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
  std::unique_ptr<HelperProcess> Start() { return StartHelper(ns_.Environment()); }
  TableNamespace ns_;
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

// A process started without XDG_RUNTIME_DIR keeps its locks elsewhere and so
// cannot tell whether the others hold the table: it must not take it over.
TEST_F(SharedTable, AProcessWithAnotherLockFolderLeavesTheTableAlone) {
  TableNamespace elsewhere(RuntimeDir::kUnset, ns_.name());
  auto a = Start();
  EXPECT_EQ(a->Ask("enable 5 1"), "ok 0");
  auto stranger = StartHelper(elsewhere.Environment());
  EXPECT_EQ(stranger->Ask("has 5"), "0");
  auto c = Start();
  EXPECT_EQ(c->Ask("has 5"), "1");
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

// A table that cannot be had safely is not used: each process then works on a
// table of its own, shared with nobody.
struct UnsafeCase {
  const char* name;
  bool needs_root;
  void (*spoil)(const std::string& runtime_dir);  // may be null
  const char* name_space;                          // null: a valid one
};
void PrintTo(const UnsafeCase& c, std::ostream* os) { *os << c.name; }

class UnsafePlace : public ::testing::TestWithParam<UnsafeCase> {};

TEST_P(UnsafePlace, GivesEveryProcessATableOfItsOwn) {
  const UnsafeCase& c = GetParam();
  if (c.needs_root && geteuid() != 0) GTEST_SKIP() << "needs root to hand a folder to another user";
  TableNamespace ns(RuntimeDir::kOwn,
                    c.name_space ? std::optional<std::string>(c.name_space) : std::nullopt);
  if (c.spoil) c.spoil(ns.runtime_dir());
  auto a = StartHelper(ns.Environment());
  auto b = StartHelper(ns.Environment());
  EXPECT_EQ(a->Ask("enable 5 1"), "ok 0");
  EXPECT_EQ(a->Ask("has 5"), "1");
  EXPECT_EQ(b->Ask("has 5"), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Places, UnsafePlace,
    ::testing::Values(
        UnsafeCase{"FolderOpenToOthers", false,
                   [](const std::string& dir) {
                     mkdir((dir + "/tamsile").c_str(), 0777);
                     chmod((dir + "/tamsile").c_str(), 0777);
                   },
                   nullptr},
        UnsafeCase{"FolderIsALink", false,
                   [](const std::string& dir) {
                     mkdir((dir + "/elsewhere").c_str(), 0700);
                     symlink((dir + "/elsewhere").c_str(), (dir + "/tamsile").c_str());
                   },
                   nullptr},
        UnsafeCase{"FolderOfAnotherUser", true,
                   [](const std::string& dir) {
                     mkdir((dir + "/tamsile").c_str(), 0700);
                     EXPECT_EQ(chown((dir + "/tamsile").c_str(), 65534, 65534), 0);
                   },
                   nullptr},
        UnsafeCase{"NamespaceWithASlash", false, nullptr, "a/b"},
        UnsafeCase{"NamespaceTooLong", false, nullptr,
                   "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a trustworthy runtime directory the table's locks live in a private
// folder under /tmp.
class FallbackFolder : public ::testing::TestWithParam<RuntimeDir> {};

const char* NameOf(RuntimeDir r) { return r == RuntimeDir::kUnset ? "Unset" : "OpenToAll"; }

}  // namespace

namespace tamsile_testing {
void PrintTo(RuntimeDir r, std::ostream* os) { *os << NameOf(r); }
}  // namespace tamsile_testing

namespace {

TEST_P(FallbackFolder, IsPrivateAndServesTheSharedTable) {
  TableNamespace ns(GetParam());
  const std::string folder = ns.TableDirectory();
  EXPECT_EQ(folder, "/tmp/tamsile-" + std::to_string(geteuid()));
  auto a = StartHelper(ns.Environment());
  auto b = StartHelper(ns.Environment());
  EXPECT_EQ(a->Ask("enable 77 1"), "ok 0");
  EXPECT_EQ(b->Ask("has 77"), "1");

  struct stat st {};
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_TRUE(std::filesystem::exists(folder + "/users-" + ns.name() + ".lock"));
}

INSTANTIATE_TEST_SUITE_P(RuntimeDirs, FallbackFolder,
                         ::testing::Values(RuntimeDir::kUnset, RuntimeDir::kOpenToAll),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

}  // namespace
