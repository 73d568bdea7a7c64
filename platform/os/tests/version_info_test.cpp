#include "platform/version_info.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/program_path.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr plat::VersionText kTexts[] = {{"FileVersion", "2.7.3"}, {"ProductVersion", "2.7.3"}};

Bytes Block() { return plat::BuildVersionBlock("2.7.3", 0x0409, 0x04B0, kTexts); }

std::string Text(const Bytes& block, std::string_view path) {
  const auto value = plat::QueryVersionValue(block, path);
  if (!value) return "<none>";
  const auto text = plat::VersionValueText(*value);
  return text ? std::string(*text) : "<no text>";
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(VersionBlock, QueriesFindTheFixedPartTheTranslationAndTheTexts) {
  const Bytes block = Block();
  const auto root = plat::QueryVersionValue(block, "\\");
  ASSERT_TRUE(root);
  ASSERT_EQ(root->size(), sizeof(plat::FixedFileInfo));
  plat::FixedFileInfo fixed;
  std::memcpy(&fixed, root->data(), sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, plat::kVersionSignature);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00020007u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00030000u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00020007u);

  const auto translation = plat::QueryVersionValue(block, "\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation);
  ASSERT_EQ(translation->size(), 4u);
  EXPECT_EQ(Bytes(translation->begin(), translation->end()), (Bytes{0x09, 0x04, 0xB0, 0x04}));

  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\ProductVersion"), "2.7.3");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\FileVersion"), "2.7.3");
  // Names match without regard to case; empty names are skipped.
  EXPECT_EQ(Text(block, "\\\\stringfileinfo\\040904B0\\\\productversion\\"), "2.7.3");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904e4\\ProductVersion"), "<none>");
  EXPECT_EQ(Text(block, "\\StringFileInfo\\040904b0\\Comments"), "<none>");
}

TEST(VersionBlock, DamagedBlocksReadAsNone) {
  const Bytes good = Block();
  const std::string path = "\\StringFileInfo\\040904b0\\ProductVersion";
  // Every truncation: the root no longer fits.
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(plat::QueryVersionValue(std::span(good.data(), n), "\\")) << n;
  }
  // Every single length field set to a large value: never read past the block.
  for (std::size_t at = 0; at + 1 < good.size(); at += 2) {
    Bytes bad = good;
    bad[at] = 0xFF;
    bad[at + 1] = 0xFF;
    (void)Text(bad, path);  // answers or not, but inside the block (the sanitizer watches)
  }
  // A text without its NUL is no text.
  const std::uint8_t noNul[] = {'a', 'b'};
  EXPECT_FALSE(plat::VersionValueText(noNul));
}

TEST(VersionBlock, OurBinaryCarriesTheSuiteVersionAndOtherFilesNone) {
  const auto block = plat::ReadVersionBlock(plat::ProgramFile());
  ASSERT_TRUE(block);
  EXPECT_EQ(Text(*block, "\\StringFileInfo\\040904b0\\ProductVersion"), SUITE_VERSION);
  EXPECT_EQ(Text(*block, "\\StringFileInfo\\040904b0\\FileVersion"), SUITE_VERSION);
  // In memory the same.
  const Bytes file = FileBytes(plat::ProgramFile());
  const auto section = plat::FindVersionSection(file);
  ASSERT_TRUE(section);
  EXPECT_EQ(Bytes(section->begin(), section->end()), *block);

  // A library without a block, a text file, a missing file.
  EXPECT_FALSE(plat::ReadVersionBlock(FIXTURE_DIR "/LoaderFixture.DLL"));
  EXPECT_FALSE(plat::ReadVersionBlock("/etc/hostname"));
  EXPECT_FALSE(plat::ReadVersionBlock("/nonexistent/file"));
  // Cut short anywhere in its headers, the program reads as none, never past the bytes.
  for (std::size_t n : {std::size_t{0}, std::size_t{16}, std::size_t{63}, std::size_t{64}, file.size() / 2}) {
    (void)plat::FindVersionSection(std::span(file.data(), n));
  }
  EXPECT_FALSE(plat::FindVersionSection(std::span(file.data(), 64)));
}

TEST(VersionBlock, ModuleFileNames) {
  EXPECT_EQ(plat::ModuleFileName(nullptr), plat::ProgramFile());
  void* lib = ::dlopen(FIXTURE_DIR "/LoaderFixture.DLL", RTLD_NOW);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(plat::ModuleFileName(lib), FIXTURE_DIR "/LoaderFixture.DLL");
}

}  // namespace
