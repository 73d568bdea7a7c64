#include "platform/library_loader.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/program_path.h"

namespace {

using WhereFn = int (*)();

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old, had_ = true;
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~ScopedEnv() { if (had_) setenv(name_, old_.c_str(), 1); else unsetenv(name_); }
 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

int Where(const std::string& file) {
  auto& loader = plat::SystemLoader();
  plat::ModuleHandle h = loader.Load(file);
  if (!h) return 0;
  auto fn = reinterpret_cast<WhereFn>(loader.Symbol(h, "LoaderFixture_Where"));
  return fn ? fn() : -1;
}

TEST(LibraryLoader, ProgramDirectoryComesBeforeTheSearchPath) {
  ScopedEnv env(plat::kLibraryPathVariable, FIXTURE_DIR);
  EXPECT_EQ(Where("LoaderFixture.DLL"), 1);
  EXPECT_EQ(Where("OnlyInPath.DLL"), 3);
}

TEST(LibraryLoader, SearchPathSkipsEmptyAndRelativeEntries) {
  ScopedEnv env(plat::kLibraryPathVariable, ":relative/dir::" FIXTURE_DIR "/");
  EXPECT_EQ(Where("OnlyInPath.DLL"), 3);
}

TEST(LibraryLoader, NeverLooksInTheCurrentDirectory) {
  ScopedEnv env(plat::kLibraryPathVariable, nullptr);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(chdir(FIXTURE_DIR), 0);
  int where = Where("OnlyInPath.DLL");
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_EQ(where, 0);
}

TEST(LibraryLoader, NamesAreTakenAsTheyStand) {
  ScopedEnv env(plat::kLibraryPathVariable, FIXTURE_DIR);
  EXPECT_EQ(Where("loaderfixture.dll"), 0);  // file names are case-sensitive here
  EXPECT_EQ(Where("../fixtures/loader/OnlyInPath.DLL"), 0);
  EXPECT_EQ(Where(""), 0);
  EXPECT_EQ(plat::SystemLoader().Symbol(nullptr, "LoaderFixture_Where"), nullptr);
}

TEST(LibraryLoader, MissingEntryIsNull) {
  auto& loader = plat::SystemLoader();
  plat::ModuleHandle h = loader.Load("LoaderFixture.DLL");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(loader.Symbol(h, "NoSuchEntry"), nullptr);
}

TEST(LibraryLoader, CurrentLoaderCanBeReplaced) {
  struct Fake : plat::LibraryLoader {
    plat::ModuleHandle Load(const std::string&) override { return nullptr; }
    plat::ProcAddress Symbol(plat::ModuleHandle, const std::string&) override { return nullptr; }
  } fake;
  EXPECT_EQ(&plat::CurrentLoader(), &plat::SystemLoader());
  plat::SetCurrentLoader(&fake);
  EXPECT_EQ(&plat::CurrentLoader(), &fake);
  plat::SetCurrentLoader(nullptr);
  EXPECT_EQ(&plat::CurrentLoader(), &plat::SystemLoader());
}

TEST(ProgramPath, DirectoryKeepsTheTrailingSeparator) {
  std::string dir = plat::ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(plat::ProgramName(), "platform_os_tests");
}

}  // namespace
