// The version block reader on our own binary and on files without a block,
// and the registration of the viewer as an installed component.
#include "lorvex/version_info.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>

#include "platform/program_path.h"
#include "temp_dir.h"

namespace {

TEST(VersionInfoReader, OurProgramHasTheSuiteVersionAndTwoLookupsInARowBothWork) {
  CVersionInfoReader reader;
  EXPECT_EQ(reader.GetValue("ProductVersion"), nullptr) << "nothing loaded yet";
  ASSERT_TRUE(reader.LoadFromModule(nullptr));
  EXPECT_EQ(reader.Language(), 0x0409);
  EXPECT_EQ(reader.CodePage(), 0x04B0);
  EXPECT_EQ(reader.FixedInfo().dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(reader.FixedInfo().dwProductVersionMS, 0x00010004u);
  EXPECT_EQ(reader.FixedInfo().dwProductVersionLS, 0x00010000u);
  ASSERT_NE(reader.GetValue("ProductVersion"), nullptr);
  EXPECT_STREQ(reader.GetValue("ProductVersion"), "1.4.1");
  EXPECT_STREQ(reader.GetValue("FileVersion"), "1.4.1");
  EXPECT_EQ(reader.GetValue("Comments"), nullptr);
  EXPECT_STREQ(reader.GetValue("ProductVersion"), "1.4.1");
  EXPECT_EQ(reader.GetValue(std::string(2000, 'x')), nullptr) << "a name longer than the query text";
}

TEST(VersionInfoReader, FilesWithoutABlockReadAsNone) {
  test_support::TempDir dir;
  const std::string text = dir.File("notes.txt");
  std::ofstream(text) << "VS_VERSION_INFO\n";
  CVersionInfoReader reader;
  for (const std::string& file : {text, dir.File("missing"), std::string("/proc/self/status")}) {
    EXPECT_FALSE(reader.LoadFromFile(file)) << file;
    EXPECT_EQ(reader.GetValue("ProductVersion"), nullptr) << file;
  }
  // A loaded library without a block: the module's own file, not the program's.
  void* libcurl = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD);
  if (!libcurl) libcurl = ::dlopen("libc.so.6", RTLD_NOW);
  ASSERT_NE(libcurl, nullptr);
  EXPECT_FALSE(reader.LoadFromModule(libcurl));
  EXPECT_EQ(reader.GetValue("ProductVersion"), nullptr);
}

class Registration : public ::testing::Test {
 protected:
  test_support::TempDir dir;
  test_support::ScopedEnv config{"XDG_CONFIG_HOME", (dir.path() + "/config").c_str()};
  plat::Registry registry;
  const std::string key = "Software\\Orrindale\\Quarrystone\\Installed Components\\Lorvex";
};

TEST_F(Registration, WritesPathAndInfoAndWithoutADescriptionPathOnly) {
  EXPECT_TRUE(RegisterInstalledComponent("Lorvex", "Lorvex Debugging Tool", nullptr));
  EXPECT_EQ(registry.ReadString(key, "Path"), plat::ProgramFile());
  EXPECT_EQ(registry.ReadString(key, "Info"), "Lorvex Debugging Tool");

  EXPECT_TRUE(RegisterInstalledComponent("Other", nullptr, "/opt/other/bin/other"));
  const std::string other = "Software\\Orrindale\\Quarrystone\\Installed Components\\Other";
  EXPECT_EQ(registry.ReadString(other, "Path"), "/opt/other/bin/other");
  EXPECT_EQ(registry.EnumValues(other), std::vector<std::string>{"Path"});
}

TEST_F(Registration, AStoreThatCannotBeWrittenIsSilent) {
  // The configuration folder is a file: nothing can be stored.
  std::ofstream(dir.path() + "/config") << "x";
  EXPECT_TRUE(RegisterInstalledComponent("Lorvex", "Lorvex Debugging Tool", nullptr));
  CRegistryKey k(HKEY_CURRENT_USER, key.c_str(), true, KEY_ALL_ACCESS);
  EXPECT_FALSE(k.IsOpen());
  EXPECT_NE(k.Result(), 0);
}

TEST_F(Registration, RegistryKeyCleansItsPathOpensRelativeKeysAndHonoursAccess) {
  CRegistryKey k(HKEY_CURRENT_USER, "\\\\Software\\Orrindale\\", true, KEY_ALL_ACCESS);
  ASSERT_TRUE(k.IsOpen());
  EXPECT_EQ(k.Path(), "Software\\Orrindale");
  EXPECT_TRUE(registry.KeyExists("Software\\Orrindale"));
  // A sub-key opened relative to the open key replaces it.
  EXPECT_TRUE(k.Open(k.Handle(), "Quarrystone", true, KEY_ALL_ACCESS));
  EXPECT_TRUE(k.WriteString("Where", "here"));
  EXPECT_EQ(registry.ReadString("Software\\Orrindale\\Quarrystone", "Where"), "here");
  EXPECT_FALSE(k.WriteString("Null", nullptr));

  // Without the create flag a missing key stays closed.
  EXPECT_FALSE(k.Open(HKEY_CURRENT_USER, "Software\\Missing", false, KEY_ALL_ACCESS));
  EXPECT_FALSE(k.IsOpen());
  EXPECT_FALSE(k.Close());
  EXPECT_FALSE(k.Open(HKEY_CURRENT_USER, nullptr, true, KEY_ALL_ACCESS));

  CRegistryKey reading(HKEY_CURRENT_USER, "Software\\Orrindale", false, KEY_READ);
  ASSERT_TRUE(reading.IsOpen());
  EXPECT_FALSE(reading.WriteString("Where", "there"));
  EXPECT_TRUE(reading.Close());
  EXPECT_FALSE(reading.IsOpen());
}

}  // namespace
