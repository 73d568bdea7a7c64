#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

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

TEST_F(RegistryTest, ADamagedFileLosesOnlyItsDamagedLines) {
  ASSERT_EQ(Registry().WriteInteger(kGeneral, "Keep", 1), 0);
  WriteFile(store_, ReadFile(store_) + "\"Broken\"=dword:zz\n\"Also\"=\"fine\"\n");
  Registry reg;
  EXPECT_EQ(reg.ReadString(kGeneral, "Also"), "fine");
  ASSERT_EQ(reg.WriteInteger(kGeneral, "New", 2), 0);
  EXPECT_EQ(reg.EnumValues(kGeneral), (Names{"Keep", "Also", "New"}));
  EXPECT_EQ(ReadFile(store_).find("Broken"), std::string::npos);
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
