#include "platform/ipc/socket_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "ipc_test_support.h"

namespace {

using namespace plat::ipc;
using ipc_test::ModeOf;
using ipc_test::TempDir;

// mkdir, then the exact mode whatever the umask.
void MakeDir(const std::string& path, mode_t mode) {
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << path;
  ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

struct DirCase {
  const char* what;
  std::function<void(const std::string&)> prepare;  // gets the path to check
  const char* error_part;                           // nullptr: accepted
  bool needs_root = false;
};

TEST(SocketDirectory, OnlyAPrivateDirectoryOfTheUserIsUsed) {
  const DirCase cases[] = {
      {"missing: created", [](const std::string&) {}, nullptr},
      {"already private", [](const std::string& p) { MakeDir(p, 0700); }, nullptr},
      {"open to the group", [](const std::string& p) { MakeDir(p, 0750); }, "open to other users"},
      {"open to all", [](const std::string& p) { MakeDir(p, 0777); }, "open to other users"},
      {"a symbolic link to a private directory",
       [](const std::string& p) {
         MakeDir(p + ".real", 0700);
         ASSERT_EQ(symlink((p + ".real").c_str(), p.c_str()), 0);
       },
       "is not a directory"},
      {"a plain file", [](const std::string& p) { std::ofstream(p) << "x"; }, "is not a directory"},
      {"another user's",
       [](const std::string& p) {
         MakeDir(p, 0700);
         ASSERT_EQ(chown(p.c_str(), ipc_test::kOtherUid, ipc_test::kOtherUid), 0);
       },
       "belongs to another user", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needs_root && geteuid() != 0) {
      std::cout << "[ INFO ] not root, cannot hand a directory to another user: " << c.what << "\n";
      continue;
    }
    TempDir base;
    std::string path = base / "sock";
    c.prepare(path);
    DirectoryResult r = MakePrivateDirectory(path);
    if (!c.error_part) {
      EXPECT_TRUE(r.ok()) << r.error;
      EXPECT_EQ(r.path, path + "/");
      EXPECT_EQ(ModeOf(path), 0700u);
    } else {
      EXPECT_FALSE(r.ok());
      EXPECT_EQ(r.path, "");
      EXPECT_NE(r.error.find(c.error_part), std::string::npos) << r.error;
      EXPECT_NE(r.error.find(path), std::string::npos) << r.error;
    }
  }
}

TEST(SocketDirectory, ARelativePathIsRefused) {
  EXPECT_FALSE(MakePrivateDirectory("lorvex").ok());
  EXPECT_FALSE(MakePrivateDirectory("").ok());
}

TEST(SocketDirectory, CreatedPrivateEvenUnderAPermissiveUmask) {
  TempDir base;
  mode_t old = umask(0);
  DirectoryResult r = MakePrivateDirectory(base / "d");
  umask(old);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(ModeOf(base / "d"), 0700u);
}

TEST(SocketDirectory, ChoiceFollowsOverrideThenRuntimeDirThenTmp) {
  TempDir root;
  const std::string uid = std::to_string(geteuid());
  const std::string good_xdg = root / "run";
  MakeDir(good_xdg, 0700);
  const std::string open_xdg = root / "open";
  MakeDir(open_xdg, 0777);
  const std::string override_dir = root / "override";

  struct {
    const char* what;
    std::string socket_dir, xdg;
    std::string expected;
  } cases[] = {
      {"override wins", override_dir, good_xdg, override_dir + "/"},
      {"runtime directory", "", good_xdg, good_xdg + "/lorvex/"},
      {"runtime directory with slash", "", good_xdg + "/", good_xdg + "/lorvex/"},
      {"no runtime directory", "", "", root.path() + "/lorvex-" + uid + "/"},
      {"runtime directory open to others", "", open_xdg, root.path() + "/lorvex-" + uid + "/"},
      {"runtime directory missing", "", root / "gone", root.path() + "/lorvex-" + uid + "/"},
      {"runtime directory relative", "", "run", root.path() + "/lorvex-" + uid + "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DirectoryInputs in;
    in.socket_dir = c.socket_dir;
    in.xdg_runtime_dir = c.xdg;
    in.tmp = root.path();
    DirectoryResult r = ResolveSocketDirectory(in);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.path, c.expected);
    EXPECT_EQ(ModeOf(c.expected), 0700u);
  }
}

TEST(SocketDirectory, AnUntrustedOverrideIsRefusedNotBypassed) {
  TempDir root;
  const std::string open_dir = root / "open";
  MakeDir(open_dir, 0755);
  DirectoryInputs in;
  in.socket_dir = open_dir;
  in.tmp = root.path();
  DirectoryResult r = ResolveSocketDirectory(in);
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(ipc_test::Exists(root / ("lorvex-" + std::to_string(geteuid()))));
}

TEST(SocketDirectory, EnvironmentIsRead) {
  ipc_test::ScopedEnv a(kSocketDirVariable, "/some/where");
  ipc_test::ScopedEnv b("XDG_RUNTIME_DIR", nullptr);
  DirectoryInputs in = InputsFromEnvironment();
  EXPECT_EQ(in.socket_dir, "/some/where");
  EXPECT_EQ(in.xdg_runtime_dir, "");
  EXPECT_EQ(in.tmp, "/tmp");
}

}  // namespace
