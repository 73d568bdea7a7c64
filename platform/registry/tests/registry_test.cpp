#include "platform/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "store_helpers.h"
#include "temp_dir.h"

namespace {

using plat::Registry;
using plat::RegistryBatch;
using plat::RegistryRoot;
using plat::RegistryValue;
using test_support::ReadFile;
using test_support::ScopedEnv;
using test_support::TempDir;
using test_support::WriteFile;
using Names = std::vector<std::string>;

constexpr const char* kGeneral = "Software\\TRACE\\Lorvex\\General";

// Every test gets a configuration folder of its own.
class RegistryTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedEnv xdg_{"XDG_CONFIG_HOME", dir_.path().c_str()};
  std::string store_ = dir_.path() + "/kestrum-suite/HKEY_CURRENT_USER.reg";
};

TEST(RegistryFile, LiesInTheUsersConfigurationFolder) {
  const struct {
    const char* xdg;
    const char* home;
    RegistryRoot root;
    std::string path;
  } cases[] = {
      {"/x/config", "/h", RegistryRoot::kCurrentUser, "/x/config/kestrum-suite/HKEY_CURRENT_USER.reg"},
      {"/x/config", "/h", RegistryRoot::kClassesRoot, "/x/config/kestrum-suite/HKEY_CLASSES_ROOT.reg"},
      {nullptr, "/h", RegistryRoot::kCurrentUser, "/h/.config/kestrum-suite/HKEY_CURRENT_USER.reg"},
      {"", "/h", RegistryRoot::kCurrentUser, "/h/.config/kestrum-suite/HKEY_CURRENT_USER.reg"},
      {"relative/dir", "/h", RegistryRoot::kCurrentUser, "/h/.config/kestrum-suite/HKEY_CURRENT_USER.reg"},
  };
  for (const auto& c : cases) {
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(plat::RegistryFilePath(c.root), c.path) << (c.xdg ? c.xdg : "(unset)");
    EXPECT_EQ(Registry(c.root).FilePath(), c.path);
  }
}

TEST_F(RegistryTest, BothKindsRoundTripThroughTheFile) {
  Registry writer;
  EXPECT_EQ(writer.FilePath(), store_);
  EXPECT_EQ(writer.WriteInteger(kGeneral, "SizeX", 200), 0);
  EXPECT_EQ(writer.WriteInteger(kGeneral, "PositionX", static_cast<std::uint32_t>(-50)), 0);
  EXPECT_EQ(writer.WriteString("Software\\TRACE\\Lorvex\\IDS", "ID1File", "c:\\Trace.txt"), 0);
  const std::string odd = std::string("line\nquote\" back\\ \xC3\xA4 \xFF zero\0end", 30);
  EXPECT_EQ(writer.WriteString("Software\\TRACE\\Lorvex\\IDS", "Odd", odd), 0);

  const Registry reader;
  EXPECT_EQ(reader.ReadInteger(kGeneral, "SizeX"), 200u);
  EXPECT_EQ(static_cast<std::int32_t>(*reader.ReadInteger(kGeneral, "PositionX")), -50);
  EXPECT_EQ(reader.ReadString("Software\\TRACE\\Lorvex\\IDS", "ID1File"), "c:\\Trace.txt");
  EXPECT_EQ(reader.ReadString("Software\\TRACE\\Lorvex\\IDS", "Odd"), odd);
  EXPECT_EQ(reader.EnumValues(kGeneral), (Names{"SizeX", "PositionX"}));
  EXPECT_EQ(reader.EnumKeys("Software\\TRACE\\Lorvex"), (Names{"General", "IDS"}));
}

TEST_F(RegistryTest, NamesMatchWithoutCaseAndKeepTheFirstWritersSpelling) {
  Registry reg;
  ASSERT_EQ(reg.WriteInteger(kGeneral, "SizeX", 1), 0);
  ASSERT_EQ(reg.WriteInteger("SOFTWARE\\trace\\lorvex\\GENERAL", "sizex", 2), 0);
  EXPECT_EQ(reg.ReadInteger("software\\TRACE\\LORVEX\\general", "SIZEX"), 2u);
  EXPECT_EQ(reg.EnumValues(kGeneral), (Names{"SizeX"}));
  EXPECT_EQ(reg.EnumKeys("software\\trace"), (Names{"Lorvex"}));
  EXPECT_NE(ReadFile(store_).find("[Software\\TRACE\\Lorvex\\General]\n\"SizeX\"=dword:00000002\n"),
            std::string::npos);
}

TEST_F(RegistryTest, AMissingValueIsToldApartFromAStoredOne) {
  Registry reg;
  EXPECT_EQ(reg.ReadInteger(kGeneral, "SizeX"), std::nullopt);  // no file at all yet
  EXPECT_FALSE(reg.KeyExists(kGeneral));
  ASSERT_EQ(reg.WriteInteger(kGeneral, "Zero", 0), 0);
  ASSERT_EQ(reg.WriteString(kGeneral, "Empty", ""), 0);
  EXPECT_EQ(reg.ReadInteger(kGeneral, "Zero"), 0u);
  EXPECT_EQ(reg.ReadString(kGeneral, "Empty"), "");
  EXPECT_EQ(reg.ReadInteger(kGeneral, "Missing"), std::nullopt);
  EXPECT_EQ(reg.ReadString(kGeneral, "Missing"), std::nullopt);
  // A value of the other kind is no value of the kind asked for.
  EXPECT_EQ(reg.ReadString(kGeneral, "Zero"), std::nullopt);
  EXPECT_EQ(reg.ReadInteger(kGeneral, "Empty"), std::nullopt);
  RegistryValue value;
  EXPECT_EQ(reg.ReadValue(kGeneral, "Empty", value), 0);
  EXPECT_EQ(value, RegistryValue::String(""));
  EXPECT_EQ(reg.ReadValue(kGeneral, "Missing", value), ENOENT);
  EXPECT_EQ(reg.ReadValue("No\\Such\\Key", "Zero", value), ENOENT);
}

TEST_F(RegistryTest, OpenedKeysExistWithoutValues) {
  Registry reg;
  const std::string key = "Software\\Orrindale\\Quarrystone\\Installed Components\\Lorvex";
  EXPECT_EQ(reg.CreateKey(key), 0);
  EXPECT_TRUE(Registry().KeyExists(key));
  EXPECT_TRUE(reg.EnumValues(key).empty());
  EXPECT_EQ(reg.CreateKey("bad\\\\path"), EINVAL);
  EXPECT_EQ(reg.DeleteKey("Software\\Orrindale"), ENOTEMPTY);
  EXPECT_EQ(reg.DeleteKey(key), 0);
  EXPECT_FALSE(reg.KeyExists(key));
  EXPECT_TRUE(reg.KeyExists("Software\\Orrindale\\Quarrystone\\Installed Components"));
  EXPECT_EQ(reg.DeleteValue(kGeneral, "SizeX"), ENOENT);
}

TEST_F(RegistryTest, ABatchIsWrittenWholeOrNotAtAll) {
  Registry reg;
  ASSERT_EQ(reg.WriteInteger("Software\\TRACE\\Lorvex\\Option", "Name", 1), 0);
  const std::string before = ReadFile(store_);

  RegistryBatch failing;
  failing.WriteInteger(kGeneral, "SizeX", 640);
  failing.DeleteValue(kGeneral, "NotThere");
  failing.WriteInteger(kGeneral, "SizeY", 480);
  EXPECT_EQ(reg.Apply(failing), ENOENT);
  EXPECT_EQ(ReadFile(store_), before);

  RegistryBatch settings;  // the viewer's exit: 8 + 120 values at once
  for (int n = 1; n <= 30; ++n) {
    const std::string id = "ID" + std::to_string(n);
    settings.WriteInteger("Software\\TRACE\\Lorvex\\IDS", id + "Color", static_cast<std::uint32_t>((n - 1) * 10000));
    settings.WriteInteger("Software\\TRACE\\Lorvex\\IDS", id + "Medium", 1);
    settings.WriteString("Software\\TRACE\\Lorvex\\IDS", id + "File", "c:\\Trace.txt");
    settings.WriteInteger("Software\\TRACE\\Lorvex\\IDS", id + "Visible", 1);
  }
  EXPECT_EQ(reg.Apply(settings), 0);
  EXPECT_EQ(reg.EnumValues("Software\\TRACE\\Lorvex\\IDS").size(), 120u);
  EXPECT_EQ(reg.ReadInteger("Software\\TRACE\\Lorvex\\IDS", "ID30Color"), 290000u);
  EXPECT_EQ(reg.ReadInteger("Software\\TRACE\\Lorvex\\Option", "Name"), 1u);
}

TEST_F(RegistryTest, EachWriteStartsFromWhatOthersLeft) {
  Registry first, second;
  ASSERT_EQ(first.WriteInteger(kGeneral, "A", 1), 0);
  ASSERT_EQ(second.WriteInteger(kGeneral, "B", 2), 0);
  ASSERT_EQ(first.WriteInteger(kGeneral, "C", 3), 0);
  EXPECT_EQ(Registry().EnumValues(kGeneral), (Names{"A", "B", "C"}));
}

TEST_F(RegistryTest, ADamagedFileKeepsItsDamagedLinesAsTheyAre) {
  ASSERT_EQ(Registry().WriteInteger(kGeneral, "Keep", 1), 0);
  WriteFile(store_, ReadFile(store_) + "\"Broken\"=dword:zz\n\"Also\"=\"fine\"\n");
  Registry reg;
  EXPECT_EQ(reg.ReadString(kGeneral, "Also"), "fine");
  ASSERT_EQ(reg.WriteInteger(kGeneral, "New", 2), 0);
  EXPECT_EQ(reg.EnumValues(kGeneral), (Names{"Keep", "Also", "New"}));
  EXPECT_NE(ReadFile(store_).find("\n\"Broken\"=dword:zz\n"), std::string::npos);
}

// What a person's small edit of the file does to another program's values
// when the viewer next rewrites it: nothing.
TEST_F(RegistryTest, APersonsEditNeverCostsAnotherProgramItsValues) {
  const std::string other = "[Software\\Other]\n\"Keep\"=\"me\"\n";
  const struct {
    const char* what;
    std::string file;
    std::string kept;  // a line that must come back byte for byte ("" for none)
  } cases[] = {
      {"byte-order mark", "\xEF\xBB\xBF" + other, ""},
      {"blank after ]", "[Software\\Other] \n\"Keep\"=\"me\"\n", ""},
      {"indented value", "[Software\\Other]\n  \"Keep\" = \"me\"\n", ""},
      {"CR LF", "[Software\\Other]\r\n\"Keep\"=\"me\"\r\n", ""},
      {"damaged value", other + "\"Odd\"=qword:1\r\n", "\"Odd\"=qword:1\r"},
      {"damaged key", other + "[Software\\\\Bad]\n\"X\"=\"y\"\n", "[Software\\\\Bad]\n\"X\"=\"y\""},
      {"comment", "; set by hand\n" + other, "; set by hand"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(dir_.path() + "/kestrum-suite");
    ASSERT_EQ(Registry().CreateKey("Software"), 0);
    WriteFile(store_, c.file);
    ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 200), 0);
    const std::string after = ReadFile(store_);
    EXPECT_EQ(Registry().ReadString("Software\\Other", "Keep"), "me") << after;
    EXPECT_EQ(Registry().ReadInteger(kGeneral, "SizeX"), 200u);
    if (!c.kept.empty()) {
      EXPECT_NE(after.find(c.kept + "\n"), std::string::npos) << after;
    }
    // And the next rewrite leaves the file as it is.
    ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 201), 0);
    ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 200), 0);
    EXPECT_EQ(ReadFile(store_), after);
  }
}

TEST_F(RegistryTest, StoreIsPrivateToTheUser) {
  ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 1), 0);
  struct stat st {};
  ASSERT_EQ(::stat(store_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir_.path() + "/kestrum-suite").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(RegistryTest, AStoreThatCannotBeReadIsNeverReplaced) {
  ASSERT_EQ(::mkdir((dir_.path() + "/kestrum-suite").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(store_.c_str(), 0700), 0);  // something unreadable where the file belongs
  Registry reg;
  EXPECT_NE(reg.WriteInteger(kGeneral, "SizeX", 1), 0);
  RegistryValue value;
  EXPECT_NE(reg.ReadValue(kGeneral, "SizeX", value), 0);
  struct stat st {};
  ASSERT_EQ(::stat(store_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}

// Opening a FIFO for reading waits for a writer: the store must not. The
// watchdog gives a hanging read its writer, so that a fault fails the test.
TEST_F(RegistryTest, AStoreThatIsAFifoIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkdir((dir_.path() + "/kestrum-suite").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(store_.c_str(), 0600), 0);
  Registry reg;
  plat::RegistryData data;
  int loaded = 0, written = 0;
  std::optional<std::uint32_t> read;
  {
    test_support::FifoWatchdog watchdog(store_);
    loaded = reg.Load(data);
    written = reg.WriteInteger(kGeneral, "SizeX", 1);
    read = reg.ReadInteger(kGeneral, "SizeX");
  }
  EXPECT_EQ(loaded, plat::kNotARegularFile);
  EXPECT_EQ(written, plat::kNotARegularFile);
  EXPECT_EQ(read, std::nullopt);
  struct stat st {};
  ASSERT_EQ(::stat(store_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "what is not a file of ours is never replaced";
}

// Another program holding the lock (working, or stopped in its write) makes a
// write wait a bounded time on the waiting program's clock, then fail with
// the store left as it was.
TEST_F(RegistryTest, AWriterWaitsForAnotherProgramsLockOnlySoLong) {
  std::uint64_t slept = 0;
  const plat::RegistryLockWait saved = plat::GetRegistryLockWait();
  plat::SetRegistryLockWait({2000, [&](std::uint32_t ms) { slept += ms; }});
  for (const bool stopped : {false, true}) {
    SCOPED_TRACE(stopped ? "stopped holder" : "working holder");
    ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 1), 0);
    const std::string before = ReadFile(store_);
    slept = 0;
    test_support::StoreLockHolder holder(store_);
    ASSERT_TRUE(holder.Locked());
    if (stopped) holder.Stop();
    EXPECT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 2), EWOULDBLOCK);
    EXPECT_EQ(slept, 2000u);
    EXPECT_EQ(ReadFile(store_), before);
    EXPECT_EQ(Registry().ReadInteger(kGeneral, "SizeX"), 1u) << "reading takes no lock";
    holder.Release();
    slept = 0;
    EXPECT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 3), 0);
    EXPECT_EQ(slept, 0u);
  }
  plat::SetRegistryLockWait(saved);
}

// A writer killed between writing its temporary file and renaming it leaves
// the file behind; the next writer removes it once that is proved stale.
TEST_F(RegistryTest, TemporaryFilesOfDeadWritersAreRemovedByTheNextWrite) {
  ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 1), 0);
  const std::string folder = dir_.path() + "/kestrum-suite/";
  // A helper process that dies where a killed writer does.
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) {
    const std::string temp = folder + "HKEY_CURRENT_USER.reg.tmp" + std::to_string(::getpid()) + "_0";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    [[maybe_unused]] auto n = ::write(fd, "; half", 6);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(dead, &status, 0), dead);
  const std::string live = std::to_string(::getpid());
  const std::string deadPid = std::to_string(dead);
  const struct {
    std::string name;
    bool removed;
  } cases[] = {
      {"HKEY_CURRENT_USER.reg.tmp" + deadPid + "_0", true},    // its writer is gone
      {"HKEY_CURRENT_USER.reg.tmp" + live + "_7", false},      // a live writer's, fresh
      {"HKEY_CURRENT_USER.reg.tmp" + live + "_8", true},       // a live pid's, but two hours old
      {"HKEY_CURRENT_USER.reg.tmp", false},                    // not a temporary file's name
      {"HKEY_CURRENT_USER.reg.tmp" + deadPid + "_0x", false},
      {"HKEY_CURRENT_USER.reg.tmpabc_1", false},
      {"HKEY_CURRENT_USER.reg.tmp" + deadPid, false},
      {"HKEY_CLASSES_ROOT.reg.tmp" + deadPid + "_0", false},   // another store's, under its own lock
      {"notes.txt.tmp" + deadPid + "_0", false},
  };
  for (const auto& c : cases) {
    if (!std::filesystem::exists(folder + c.name)) WriteFile(folder + c.name, "x");
  }
  const timespec old[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (folder + cases[2].name).c_str(), old, 0), 0);
  ASSERT_EQ(::mkdir((folder + "HKEY_CURRENT_USER.reg.tmp" + deadPid + "_5").c_str(), 0700), 0);

  {
    // While another program holds the lock, nothing is proved and nothing goes.
    test_support::StoreLockHolder holder(store_);
    const plat::RegistryLockWait saved = plat::GetRegistryLockWait();
    plat::SetRegistryLockWait({0, {}});
    EXPECT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 2), EWOULDBLOCK);
    plat::SetRegistryLockWait(saved);
    for (const auto& c : cases) EXPECT_TRUE(std::filesystem::exists(folder + c.name)) << c.name;
  }
  ASSERT_EQ(Registry().WriteInteger(kGeneral, "SizeX", 2), 0);
  for (const auto& c : cases) EXPECT_EQ(!std::filesystem::exists(folder + c.name), c.removed) << c.name;
  EXPECT_TRUE(std::filesystem::is_directory(folder + "HKEY_CURRENT_USER.reg.tmp" + deadPid + "_5"));
  EXPECT_EQ(Registry().ReadInteger(kGeneral, "SizeX"), 2u);
}

TEST(RegistryFolder, AnUnusableFolderFailsWritesAndReadsAsEmpty) {
  TempDir dir;
  const std::string file = dir.File("plain-file");
  WriteFile(file, "x");
  ScopedEnv xdg("XDG_CONFIG_HOME", file.c_str());
  Registry reg;
  EXPECT_NE(reg.WriteInteger(kGeneral, "SizeX", 1), 0);
  EXPECT_EQ(reg.ReadInteger(kGeneral, "SizeX"), std::nullopt);
  EXPECT_EQ(ReadFile(file), "x");
}

}  // namespace
