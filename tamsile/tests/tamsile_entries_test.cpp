// The library's entries as a program calls them: the real Tamsile.DLL, loaded
// by file name, on a table of this test's own.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tamsile/tamsile.h"
#include "tamsile_testing/table_namespace.h"

namespace {

class TamsileEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(e_.list, nullptr);
    ASSERT_NE(e_.set, nullptr);
    ASSERT_NE(e_.get, nullptr);
    for (std::uint16_t id : List()) e_.set(id, 0);
    ASSERT_TRUE(List().empty());
  }

  std::vector<std::uint16_t> List() {
    std::vector<std::uint16_t> ids(TAMSILE_CAPACITY);
    std::uint16_t count = 0xBEEF;
    EXPECT_EQ(e_.list(&count, ids.data()), 0);
    ids.resize(count);
    return ids;
  }

  const tamsile_testing::TamsileEntryPoints& e_ = tamsile_testing::LoadTamsileOnOwnTable();
};

struct Step {
  std::uint16_t id;
  std::uint8_t flag;
};

struct AlgorithmCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::uint16_t> expected;
};
void PrintTo(const AlgorithmCase& c, std::ostream* os) { *os << c.name; }

class TamsileAlgorithm : public TamsileEntries,
                         public ::testing::WithParamInterface<AlgorithmCase> {};

TEST_P(TamsileAlgorithm, ListAndLookUpFollowTheEnables) {
  std::vector<std::uint16_t> touched;
  for (const Step& s : GetParam().steps) {
    EXPECT_EQ(e_.set(s.id, s.flag), 0);
    touched.push_back(s.id);
  }
  const auto& expected = GetParam().expected;
  EXPECT_EQ(List(), expected);
  for (std::uint16_t id : touched) {
    const bool listed = std::find(expected.begin(), expected.end(), id) != expected.end();
    EXPECT_EQ(e_.get(id), listed ? 1 : 0) << "ID " << id;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TamsileAlgorithm,
    ::testing::Values(
        AlgorithmCase{"OrderOfEnabling", {{5, 1}, {7, 1}, {9, 1}}, {5, 7, 9}},
        AlgorithmCase{"PresentIdNotAddedAgain", {{5, 1}, {7, 1}, {9, 1}, {7, 1}}, {5, 7, 9}},
        AlgorithmCase{"RemovalMovesTheLastIntoTheHole",
                      {{5, 1}, {7, 1}, {9, 1}, {5, 0}}, {9, 7}},
        AlgorithmCase{"RemovingTheLastOnlyShortens", {{5, 1}, {7, 1}, {9, 1}, {9, 0}}, {5, 7}},
        AlgorithmCase{"RemovingTheMiddle", {{5, 1}, {7, 1}, {9, 1}, {7, 0}}, {5, 9}},
        AlgorithmCase{"RemovingAnAbsentIdChangesNothing",
                      {{5, 1}, {7, 1}, {9, 1}, {4, 0}}, {5, 7, 9}},
        AlgorithmCase{"RemovingFromAnEmptyTable", {{3, 0}}, {}},
        AlgorithmCase{"AnyNonZeroFlagEnables", {{1, 2}, {2, 255}, {3, 128}}, {1, 2, 3}},
        AlgorithmCase{"ZeroAndTopIdsAreOrdinary", {{0, 1}, {65535, 1}, {0, 0}}, {65535}},
        AlgorithmCase{"ReEnabledIdGoesToTheEnd", {{5, 1}, {6, 1}, {5, 0}, {5, 1}}, {6, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TamsileEntries, FullTableRefusesANewIdAndKeepsItsEntries) {
  for (std::uint16_t id = 0; id < TAMSILE_CAPACITY; ++id) e_.set(id, 1);
  EXPECT_EQ(e_.set(5000, 1), 0);
  EXPECT_EQ(e_.get(5000), 0);
  auto ids = List();
  ASSERT_EQ(ids.size(), TAMSILE_CAPACITY);
  for (std::uint16_t i = 0; i < TAMSILE_CAPACITY; ++i) EXPECT_EQ(ids[i], i);

  // Room again after a removal.
  e_.set(0, 0);
  e_.set(5000, 1);
  ids = List();
  ASSERT_EQ(ids.size(), TAMSILE_CAPACITY);
  EXPECT_EQ(ids.front(), TAMSILE_CAPACITY - 1);
  EXPECT_EQ(ids.back(), 5000);
}

TEST_F(TamsileEntries, NullArgumentsAreNeverWrittenThrough) {
  e_.set(11, 1);
  e_.set(12, 1);
  std::uint16_t count = 0;
  EXPECT_EQ(e_.list(&count, nullptr), 0);  // the count alone
  EXPECT_EQ(count, 2);
  std::uint16_t ids[2] = {};
  EXPECT_EQ(e_.list(nullptr, ids), 0);
  EXPECT_EQ(ids[0], 0);
}

}  // namespace
