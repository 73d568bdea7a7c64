// The table's repairs and bounds: what it does with a state that only a writer
// that died mid-change (or a foreign writer) can leave behind.

#include "msg_id_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tamsile::kCapacity;
using tamsile::MsgIdTable;

MsgIdTable TableOf(const std::vector<std::uint16_t>& ids, std::uint16_t count) {
  MsgIdTable t{};
  for (size_t i = 0; i < ids.size(); ++i) t.ids[i] = ids[i];
  t.count = count;
  return t;
}

std::vector<std::uint16_t> Listed(const MsgIdTable& t) {
  std::vector<std::uint16_t> ids(kCapacity);
  ids.resize(tamsile::CopyIds(t, ids.data()));
  return ids;
}

struct RepairCase {
  const char* name;
  std::vector<std::uint16_t> ids;
  std::uint16_t count;
  std::vector<std::uint16_t> expected;
};
void PrintTo(const RepairCase& c, std::ostream* os) { *os << c.name; }

class Repair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(Repair, RestoresTheTablesRules) {
  MsgIdTable t = TableOf(GetParam().ids, GetParam().count);
  tamsile::Repair(t);
  EXPECT_EQ(Listed(t), GetParam().expected);
  EXPECT_EQ(t.count, GetParam().expected.size());
}

INSTANTIATE_TEST_SUITE_P(
    DeadWriters, Repair,
    ::testing::Values(
        RepairCase{"Sound", {5, 7, 9}, 3, {5, 7, 9}},
        // A removal of 5 that copied the last entry into the hole and died.
        RepairCase{"HoleFilledCountNotLowered", {9, 7, 9}, 3, {9, 7}},
        RepairCase{"DuplicatesKeepTheFirst", {4, 4, 8, 4, 8, 1}, 6, {4, 8, 1}},
        // Stale positions past the count are never looked at.
        RepairCase{"StaleTailIgnored", {3, 3, 3}, 1, {3}},
        RepairCase{"Empty", {}, 0, {}},
        // A count past the capacity is cut to it; its zero tail collapses to one 0.
        RepairCase{"CountPastCapacity", {1, 2}, 1200, {1, 2, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TableBounds, CountPastCapacityReadsAsAFullTable) {
  MsgIdTable t{};
  for (std::uint16_t i = 0; i < kCapacity; ++i) t.ids[i] = static_cast<std::uint16_t>(i + 1);
  t.count = 0xFFFF;

  EXPECT_EQ(tamsile::ValidCount(t), kCapacity);
  EXPECT_EQ(Listed(t).size(), kCapacity);
  EXPECT_TRUE(tamsile::IsEnabled(t, kCapacity));
  EXPECT_FALSE(tamsile::IsEnabled(t, kCapacity + 1));

  tamsile::EnableId(t, 5000);  // full: refused, nothing written past the array
  EXPECT_FALSE(tamsile::IsEnabled(t, 5000));

  tamsile::DisableId(t, 1);  // works on the clamped table: the last entry fills the hole
  EXPECT_EQ(t.count, kCapacity - 1);
  EXPECT_EQ(t.ids[0], kCapacity);
}

}  // namespace
