// The bridge's binding and wrappers against stand-in libraries.

#include "kestrum/trace_bridge.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fake_trace_libraries.h"

namespace {

using trace_testing::Fake;
using trace_testing::FakeTraceLoader;
using Sent = std::vector<std::pair<std::int32_t, std::string>>;

const std::vector<std::string> kFilterLookups = {
    "Tamsile.DLL:Get_TamsileList", "Tamsile.DLL:Set_TamsileEnable",
    "Tamsile.DLL:Get_TamsileEnable"};
const std::vector<std::string> kClientLookups = {
    "LORVEX.DLL:Lorvex",         "LORVEX.DLL:SetTraceIDColor",  "LORVEX.DLL:SetTraceIDMedium",
    "LORVEX.DLL:SetTraceIDFile", "LORVEX.DLL:StartTraceOutput", "LORVEX.DLL:StopTraceOutput"};

struct BindCase {
  std::string name;
  std::vector<std::string> missing_libraries;
  std::string missing_entry;
  std::int32_t start_result;
  bool start_called;
  bool on;
  std::int32_t trace_enabled;
};

void PrintTo(const BindCase& c, std::ostream* os) { *os << c.name; }

std::vector<BindCase> BindCases() {
  std::vector<BindCase> cases = {
      {"AllThere", {}, "", 1, true, true, 1},
      {"StartReturns0", {}, "", 0, true, false, 0},
      {"StartReturns2", {}, "", 2, true, false, 2},
      // The client is looked at first; without it the entries are never checked.
      {"NoClient", {"LORVEX.DLL"}, "", 1, false, false, 1},
      // Without the filter its three entries count as missing.
      {"NoFilter", {"Tamsile.DLL"}, "", 1, false, false, 0},
      {"NoLibraries", {"LORVEX.DLL", "Tamsile.DLL"}, "", 1, false, false, 1},
  };
  for (const auto& lookup : kFilterLookups) {
    std::string entry = lookup.substr(lookup.find(':') + 1);
    cases.push_back({"No" + entry, {}, entry, 1, false, false, 0});
  }
  for (const auto& lookup : kClientLookups) {
    std::string entry = lookup.substr(lookup.find(':') + 1);
    cases.push_back({"No" + entry, {}, entry, 1, false, false, 0});
  }
  return cases;
}

class Binding : public ::testing::TestWithParam<BindCase> {
 protected:
  void SetUp() override {
    const BindCase& c = GetParam();
    loader_.missing_libraries.insert(c.missing_libraries.begin(), c.missing_libraries.end());
    if (!c.missing_entry.empty()) loader_.missing_entries.insert(c.missing_entry);
    Fake().start_result = c.start_result;
    EXPECT_EQ(bridge_.LoadTraceLibraries(loader_), 0);
  }
  bool Missing(const std::string& library) const {
    return loader_.missing_libraries.count(library) != 0;
  }

  FakeTraceLoader loader_;
  kestrum::TraceBridge bridge_;
};

TEST_P(Binding, DecidesTheStateAndEveryWrappersResult) {
  const BindCase& c = GetParam();
  EXPECT_EQ(Fake().start_calls, c.start_called ? 1 : 0);
  EXPECT_EQ(bridge_.TracingBound(), c.on);
  EXPECT_EQ(bridge_.TraceEnabled(), c.trace_enabled);
  EXPECT_EQ(bridge_.TraceClientLibrary() == nullptr, Missing("LORVEX.DLL"));
  EXPECT_EQ(bridge_.TraceFilterLibrary() == nullptr, Missing("Tamsile.DLL"));

  // Every entry of a loaded library is looked up, in order, even after a miss.
  std::vector<std::string> lookups;
  if (!Missing("Tamsile.DLL")) lookups = kFilterLookups;
  if (!Missing("LORVEX.DLL")) {
    lookups.insert(lookups.end(), kClientLookups.begin(), kClientLookups.end());
  }
  EXPECT_EQ(loader_.lookups, lookups);
  EXPECT_EQ(loader_.loads, (std::vector<std::string>{"LORVEX.DLL", "Tamsile.DLL"}));

  EXPECT_EQ(bridge_.TraceText("plain", 3), -1);
  EXPECT_EQ(bridge_.TraceTextIfEnabled(1000, "enabled", 1), -1);
  EXPECT_EQ(bridge_.TraceTextIfEnabled(1001, "filtered", 1), -1);
  const Sent expected_sent = c.on ? Sent{{3, "plain"}, {1, "enabled"}} : Sent{};
  EXPECT_EQ(Fake().Sent(), expected_sent);

  std::uint16_t count = 77;
  std::uint16_t ids[TAMSILE_CAPACITY] = {0xAAAA};
  const std::int32_t read = bridge_.ReadEnabledMsgIds(&count, ids);
  if (c.on) {
    EXPECT_EQ(read, trace_testing::kFakeListResult);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ids[0], 1000);
    EXPECT_EQ(ids[1], 3);
  } else {
    EXPECT_EQ(read, -1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ids[0], 0xAAAA);  // the list is left as it was
  }

  // Only the low 16 bits are the ID; the flag byte goes through as given.
  const std::int32_t set = bridge_.SetMsgIdEnabled(0x10000 + 7, 2);
  EXPECT_EQ(set, c.on ? trace_testing::kFakeSetResult : -1);
  using SetCalls = std::vector<std::pair<std::uint16_t, std::uint8_t>>;
  const SetCalls expected_set = c.on ? SetCalls{{7, 2}} : SetCalls{};
  EXPECT_EQ(Fake().set_calls, expected_set);

  EXPECT_EQ(Fake().unused_entry_calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Binding, ::testing::ValuesIn(BindCases()),
                         [](const auto& info) { return info.param.name; });

TEST(TraceBridge, WrappersAreOffBeforeTheBinding) {
  FakeTraceLoader loader;
  kestrum::TraceBridge bridge;
  std::uint16_t count = 9;
  EXPECT_FALSE(bridge.TracingBound());
  EXPECT_EQ(bridge.TraceText("x", 1), -1);
  EXPECT_EQ(bridge.ReadEnabledMsgIds(&count, nullptr), -1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bridge.SetMsgIdEnabled(5, 1), -1);
  EXPECT_TRUE(Fake().Sent().empty());
}

TEST(TraceBridge, ABindingIsNeverRepeated) {
  FakeTraceLoader failing;
  failing.missing_libraries = {"LORVEX.DLL"};
  kestrum::TraceBridge bridge;
  bridge.LoadTraceLibraries(failing);

  FakeTraceLoader working;
  EXPECT_EQ(bridge.LoadTraceLibraries(working), 0);
  EXPECT_TRUE(working.loads.empty());
  EXPECT_FALSE(bridge.TracingBound());
}

TEST(TraceBridge, TextsArePassedAsTheyStand) {
  FakeTraceLoader loader;
  kestrum::TraceBridge bridge;
  bridge.LoadTraceLibraries(loader);
  ASSERT_TRUE(bridge.TracingBound());
  bridge.TraceText("%s%n%d", 1);
  bridge.TraceTextIfEnabled(1000, "100% done", -5);
  bridge.TraceText("", 31);
  EXPECT_EQ(Fake().Sent(), (Sent{{1, "%s%n%d"}, {-5, "100% done"}, {31, ""}}));
}

TEST(TraceBridge, ProcessWideFunctionsUseTheCurrentLoader) {
  FakeTraceLoader loader;
  plat::SetCurrentLoader(&loader);
  EXPECT_EQ(kestrum::LoadTraceLibraries(), 0);
  plat::SetCurrentLoader(nullptr);

  EXPECT_EQ(loader.loads, (std::vector<std::string>{"LORVEX.DLL", "Tamsile.DLL"}));
  EXPECT_TRUE(kestrum::TracingBound());
  EXPECT_EQ(kestrum::TraceText("SpeedButton_ExitClick", 1), -1);
  EXPECT_EQ(kestrum::TraceTextIfEnabled(1001, "ID: 3 , LEDStatus: 1", 1), -1);
  std::uint16_t count = 0;
  std::uint16_t ids[TAMSILE_CAPACITY];
  EXPECT_EQ(kestrum::ReadEnabledMsgIds(&count, ids), trace_testing::kFakeListResult);
  EXPECT_EQ(kestrum::SetMsgIdEnabled(1002, 1), trace_testing::kFakeSetResult);
  EXPECT_EQ(Fake().Sent(), (Sent{{1, "SpeedButton_ExitClick"}}));
}

}  // namespace
