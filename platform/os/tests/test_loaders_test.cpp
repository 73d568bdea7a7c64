#include <gtest/gtest.h>

#include "platform/testing/loaders.h"

namespace {

using plat::testing::DirectoryLoader;
using plat::testing::FakeLoader;
using Kind = FakeLoader::Call::Kind;

int WhereIn(plat::LibraryLoader& loader, const std::string& file) {
  plat::ModuleHandle h = loader.Load(file);
  if (!h) return 0;
  auto fn = reinterpret_cast<int (*)()>(loader.Symbol(h, "LoaderFixture_Where"));
  return fn ? fn() : -1;
}

TEST(DirectoryLoader, OpensFromItsFolderOnly) {
  DirectoryLoader loader(FIXTURE_DIR);
  // The program's own folder holds a LoaderFixture.DLL too (where 1); it is not taken.
  EXPECT_EQ(WhereIn(loader, "LoaderFixture.DLL"), 2);
  EXPECT_EQ(WhereIn(loader, "OnlyInPath.DLL"), 3);
  EXPECT_EQ(WhereIn(loader, "Missing.DLL"), 0);
  EXPECT_EQ(WhereIn(loader, "../loader/OnlyInPath.DLL"), 0);
  EXPECT_EQ(loader.Symbol(nullptr, "LoaderFixture_Where"), nullptr);
}

TEST(FakeLoader, AnswersWhatItWasToldAndRecordsEveryCall) {
  FakeLoader fake;
  plat::ProcAddress a = fake.AddEntry("A.DLL", "A_One");
  plat::ProcAddress b = fake.AddEntry("B.DLL", "B_One");
  fake.AddEntry("A.DLL", "A_Two");
  fake.RemoveEntry("A.DLL", "A_Two");
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(fake.AddressOf("A.DLL", "A_One"), a);

  plat::ModuleHandle ha = fake.Load("A.DLL");
  ASSERT_NE(ha, nullptr);
  EXPECT_EQ(fake.Load("a.dll"), nullptr);
  EXPECT_EQ(fake.Symbol(ha, "A_One"), a);
  EXPECT_EQ(fake.Symbol(ha, "A_Two"), nullptr);
  EXPECT_EQ(fake.Symbol(ha, "B_One"), nullptr);  // another library's entry

  const std::vector<FakeLoader::Call> expected = {{Kind::Load, "A.DLL"},
                                                  {Kind::Load, "a.dll"},
                                                  {Kind::Symbol, "A_One"},
                                                  {Kind::Symbol, "A_Two"},
                                                  {Kind::Symbol, "B_One"}};
  EXPECT_EQ(fake.Calls(), expected);
  EXPECT_EQ(fake.LoadedFiles(), (std::vector<std::string>{"A.DLL", "a.dll"}));
  EXPECT_EQ(fake.LookedUpEntries(), (std::vector<std::string>{"A_One", "A_Two", "B_One"}));
  fake.ClearCalls();
  EXPECT_TRUE(fake.Calls().empty());
}

TEST(FakeLoader, ScopedInstallRestoresTheSystemLoader) {
  FakeLoader fake;
  {
    plat::testing::ScopedCurrentLoader use(fake);
    EXPECT_EQ(&plat::CurrentLoader(), &fake);
  }
  EXPECT_EQ(&plat::CurrentLoader(), &plat::SystemLoader());
}

}  // namespace
