// The four binders against a fake loader: lookup order, names, codes, slots.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "driver/driver_binding.h"
#include "expected/driver_entry_names.h"
#include "platform/testing/loaders.h"

namespace {

struct Family {
  const char* label;
  std::uint8_t kind;
  std::int16_t (*bind)();
  const char* file;
  const std::vector<expected::Entry>* entries;
};

void PrintTo(const Family& f, std::ostream* os) { *os << f.label; }

const Family kFamilies[] = {
    {"Calvory", 1, LoadCalvoryDriver, "Calvory.DLL", &expected::kCalvoryEntries},
    {"Merrow", 2, LoadMerrowDriver, "Merrow.DLL", &expected::kMerrowEntries},
    {"Tolquin", 3, LoadTolquinDriver, "Tolquin.DLL", &expected::kTolquinEntries},
    {"Gadrow", 4, LoadGadrowDriver, "Gadrow_VCPP_XPe.dll", &expected::kGadrowEntries},
};

class Binding : public ::testing::TestWithParam<Family> {
 protected:
  void SetUp() override { driver::ResetEntryTablesForTesting(); }
  void TearDown() override { driver::ResetEntryTablesForTesting(); }

  // A library holding every entry of the family but the one named.
  void OfferAllBut(const std::string& missing) {
    fake_->AddLibrary(GetParam().file);
    for (const expected::Entry& e : *GetParam().entries) {
      if (e.name != missing) fake_->AddEntry(GetParam().file, e.name);
    }
  }
  std::int16_t Bind() {
    plat::testing::ScopedCurrentLoader use(*fake_);
    return GetParam().bind();
  }
  const DriverEntryTable& Table() const { return *DriverEntryTableOf(GetParam().kind); }
  std::set<plat::ProcAddress> BoundSlots() const {
    std::set<plat::ProcAddress> bound;
    for (std::size_t op = 0; op < driver::kDriverOpCount; ++op) {
      if (auto p = Table().Slot(static_cast<driver::DriverOp>(op))) bound.insert(p);
    }
    return bound;
  }

  std::unique_ptr<plat::testing::FakeLoader> fake_ = std::make_unique<plat::testing::FakeLoader>();
};

TEST_P(Binding, EveryEntryPresentBindsWithZeroInTheInterfaceOrder) {
  OfferAllBut("");
  EXPECT_EQ(Bind(), 0);
  EXPECT_EQ(fake_->LoadedFiles(), std::vector<std::string>{GetParam().file});
  EXPECT_EQ(fake_->LookedUpEntries(), expected::NamesOf(*GetParam().entries));
  EXPECT_NE(Table().Module(), nullptr);
  std::set<plat::ProcAddress> all;
  for (const expected::Entry& e : *GetParam().entries) all.insert(fake_->AddressOf(GetParam().file, e.name));
  EXPECT_EQ(BoundSlots(), all);
}

TEST_P(Binding, NoLibraryGivesMinusOneAfterNoLookup) {
  EXPECT_EQ(Bind(), -1);
  EXPECT_EQ(fake_->LoadedFiles(), std::vector<std::string>{GetParam().file});
  EXPECT_TRUE(fake_->LookedUpEntries().empty());
  EXPECT_EQ(Table().Module(), nullptr);
  EXPECT_TRUE(BoundSlots().empty());
}

TEST_P(Binding, AMissingEntryGivesItsCodeAndLeavesItAndEveryLaterSlotEmpty) {
  const auto& entries = *GetParam().entries;
  for (std::size_t missing = 0; missing < entries.size(); ++missing) {
    SCOPED_TRACE(entries[missing].name);
    driver::ResetEntryTablesForTesting();
    fake_ = std::make_unique<plat::testing::FakeLoader>();
    OfferAllBut(entries[missing].name);
    const bool optional = entries[missing].code == 0;

    EXPECT_EQ(Bind(), entries[missing].code);
    const std::size_t looked_up = optional ? entries.size() : missing + 1;
    const std::vector<std::string> names = expected::NamesOf(entries);
    EXPECT_EQ(fake_->LookedUpEntries(), std::vector<std::string>(names.begin(), names.begin() + looked_up));
    std::set<plat::ProcAddress> bound;
    for (std::size_t i = 0; i < looked_up; ++i) {
      if (i != missing) bound.insert(fake_->AddressOf(GetParam().file, entries[i].name));
    }
    EXPECT_EQ(BoundSlots(), bound);
  }
}

TEST_P(Binding, WithoutAnyOptionalEntryItStillBindsWithZero) {
  fake_->AddLibrary(GetParam().file);
  std::set<plat::ProcAddress> required;
  for (const expected::Entry& e : *GetParam().entries) {
    if (e.code != 0) required.insert(fake_->AddEntry(GetParam().file, e.name));
  }
  EXPECT_EQ(Bind(), 0);
  EXPECT_EQ(fake_->LookedUpEntries(), expected::NamesOf(*GetParam().entries));
  EXPECT_EQ(BoundSlots(), required);
}

TEST_P(Binding, OtherFamiliesTablesStayEmpty) {
  OfferAllBut("");
  ASSERT_EQ(Bind(), 0);
  for (std::uint8_t kind = 1; kind <= 4; ++kind) {
    if (kind == GetParam().kind) continue;
    EXPECT_EQ(DriverEntryTableOf(kind)->Module(), nullptr) << int{kind};
  }
}

INSTANTIATE_TEST_SUITE_P(Families, Binding, ::testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(Binding, OnlyKindsOneToFourHaveATable) {
  EXPECT_EQ(DriverEntryTableOf(0), nullptr);
  EXPECT_EQ(DriverEntryTableOf(5), nullptr);
  EXPECT_NE(DriverEntryTableOf(4), nullptr);
}

}  // namespace
