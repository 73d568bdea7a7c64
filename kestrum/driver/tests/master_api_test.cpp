// The master API against fake driver families whose entries record what they
// receive: dispatch per kind, argument order and widths, and the mended faults.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/driver_binding.h"
#include "driver/entry_signatures.h"
#include "driver/master_api.h"
#include "expected/driver_entry_names.h"
#include "platform/testing/loaders.h"

namespace {

using Words = std::vector<std::uintptr_t>;

struct Received {
  std::string entry;
  Words args;
  bool operator==(const Received&) const = default;
};
std::vector<Received> g_received;
constexpr std::int32_t kAnswer = 4711;

template <class T>
std::uintptr_t Word(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<std::uintptr_t>(value);
  } else {
    return static_cast<std::uintptr_t>(value);
  }
}

template <std::size_t N>
struct Name {
  char text[N];
  constexpr Name(const char (&s)[N]) { std::copy_n(s, N, text); }
};

// An entry that records its name and arguments and answers kAnswer.
template <Name entry, class Fn>
struct Recorder;
template <Name entry, class... A>
struct Recorder<entry, std::int32_t (*)(A...)> {
  static std::int32_t Entry(A... args) {
    g_received.push_back({entry.text, {Word(args)...}});
    return kAnswer;
  }
};

#define RECORD(Family, Op) \
  {#Family "_" #Op, reinterpret_cast<plat::ProcAddress>(&Recorder<#Family "_" #Op, Family##Op##Fn>::Entry)},
#define EVERY_FAMILY_RECORDERS(F)                                                                              \
  RECORD(F, GetMasterMACID) RECORD(F, SetMasterMACID) RECORD(F, GetBaudRate) RECORD(F, SetBaudRate)            \
  RECORD(F, GetMasterStatus) RECORD(F, StartDevice) RECORD(F, StopDevice) RECORD(F, StartAllDevice)            \
  RECORD(F, StopAllDevice) RECORD(F, AddDevice) RECORD(F, RemoveDevice) RECORD(F, AddIOConnection)             \
  RECORD(F, GetSlaveStatus) RECORD(F, GetAttribute) RECORD(F, IsGetAttributeOK) RECORD(F, GetAttributeValue)   \
  RECORD(F, SetAttribute) RECORD(F, IsSetAttributeOK) RECORD(F, ClearAllConfig) RECORD(F, SearchAllDevices)    \
  RECORD(F, SearchSpecificDevice) RECORD(F, IsSearchOK) RECORD(F, GetSearchedDevices) RECORD(F, GetScanList)   \
  RECORD(F, ReadInputData) RECORD(F, WriteOutputData)
#define BOARD_FAMILY_RECORDERS(F) \
  EVERY_FAMILY_RECORDERS(F)       \
  RECORD(F, GetFirmwareVersion) RECORD(F, ResetFirmware) RECORD(F, GetAttributeW) RECORD(F, SetAttributeW)

struct Recorded {
  const char* entry;
  plat::ProcAddress address;
};
const std::vector<Recorded> kRecorders = {
    BOARD_FAMILY_RECORDERS(Calvory) RECORD(Calvory, ActiveBoard) RECORD(Calvory, CloseBoard)
    BOARD_FAMILY_RECORDERS(Merrow) RECORD(Merrow, ActiveModule) RECORD(Merrow, CloseModule)
    EVERY_FAMILY_RECORDERS(Tolquin) RECORD(Tolquin, Active) RECORD(Tolquin, Close) RECORD(Tolquin, GetQuadrineVersion)
    BOARD_FAMILY_RECORDERS(Gadrow) RECORD(Gadrow, ActiveModule) RECORD(Gadrow, CloseModule)};

struct Family {
  std::uint8_t kind;
  std::int16_t (*bind)();
  const char* file;
  const char* prefix;
  const std::vector<expected::Entry>* entries;
  const char* active;
  const char* close;
  const char* total;
};
const Family kFamilies[] = {
    {1, LoadCalvoryDriver, "Calvory.DLL", "Calvory", &expected::kCalvoryEntries, "ActiveBoard", "CloseBoard",
     "TotalCalvoryBoard"},
    {2, LoadMerrowDriver, "Merrow.DLL", "Merrow", &expected::kMerrowEntries, "ActiveModule", "CloseModule",
     "TotalMerrowModule"},
    {3, LoadTolquinDriver, "Tolquin.DLL", "Tolquin", &expected::kTolquinEntries, "Active", "Close",
     "TotalTolquinBoard"},
    {4, LoadGadrowDriver, "Gadrow_VCPP_XPe.dll", "Gadrow", &expected::kGadrowEntries, "ActiveModule",
     "CloseModule", "TotalGadrowModule"},
};
const Family& FamilyOf(std::uint8_t kind) { return kFamilies[kind - 1]; }

// ---- count entries that report what a test asks for

std::uint8_t g_reported_boards = 0;
std::vector<std::uint8_t> g_port_counts;
std::size_t g_tolquin_boards = 0;

std::int32_t ReportBoards(std::uint8_t* count, std::uint8_t* numbers) {
  *count = g_reported_boards;
  for (std::size_t i = 0; i < g_reported_boards; ++i) numbers[i] = static_cast<std::uint8_t>(100 + i);
  return kAnswer;
}

std::int32_t ReportPorts(std::uint8_t* board_count, std::uint8_t* numbers, std::uint8_t* port_counts) {
  *board_count = static_cast<std::uint8_t>(g_tolquin_boards);
  for (std::size_t i = 0; i < g_tolquin_boards; ++i) {
    numbers[i] = static_cast<std::uint8_t>(200 + i);  // whatever the driver puts there is replaced
    port_counts[i] = i < g_port_counts.size() ? g_port_counts[i] : 0;
  }
  return kAnswer;  // not looked at
}

class MasterApi : public ::testing::Test {
 protected:
  void SetUp() override {
    driver::ResetEntryTablesForTesting();
    g_received.clear();
    for (const Family& f : kFamilies) {
      for (const expected::Entry& e : *f.entries) loader_.AddEntry(f.file, e.name);
      for (const Recorded& r : kRecorders) {
        if (std::strncmp(r.entry, f.prefix, std::strlen(f.prefix)) == 0) loader_.AddEntry(f.file, r.entry, r.address);
      }
    }
    loader_.AddEntry("Calvory.DLL", "Calvory_TotalCalvoryBoard", reinterpret_cast<plat::ProcAddress>(&ReportBoards));
    loader_.AddEntry("Merrow.DLL", "Merrow_TotalMerrowModule", reinterpret_cast<plat::ProcAddress>(&ReportBoards));
    loader_.AddEntry("Gadrow_VCPP_XPe.dll", "Gadrow_TotalGadrowModule",
                     reinterpret_cast<plat::ProcAddress>(&ReportBoards));
    loader_.AddEntry("Tolquin.DLL", "Tolquin_TotalTolquinBoard", reinterpret_cast<plat::ProcAddress>(&ReportPorts));
    Fill();
  }
  void TearDown() override {
    HardwareKind = driver::kKindNone;
    driver::ResetEntryTablesForTesting();
  }

  // Binds one kind's fake library, lacking the entries named.
  void Use(std::uint8_t kind, const std::vector<std::string>& lacking = {}) {
    driver::ResetEntryTablesForTesting();
    for (const std::string& name : lacking) loader_.RemoveEntry(FamilyOf(kind).file, name);
    HardwareKind = kind;
    if (kind >= 1 && kind <= 4) {
      plat::testing::ScopedCurrentLoader use(loader_);
      FamilyOf(kind).bind();
    }
    g_received.clear();
  }

  // Every output buffer filled with a pattern, so that a write shows.
  void Fill() {
    length_ = 0xA5A5;
    count_ = kCountPattern;  // within the lists' room, so no cut applies
    board_count_ = 0xA5;
    data_.fill(0xA5);
    macs_.fill(0xA5);
    types_.fill(0xA5);
    ins_.fill(0xA5A5);
    outs_.fill(0xA5A5);
    sixth_.fill(0xA5A5);
    boards_.fill(0xA5);
  }
  bool Untouched() {
    auto all = [](const auto& a, auto v) { return std::all_of(a.begin(), a.end(), [&](auto x) { return x == v; }); };
    return length_ == 0xA5A5 && count_ == kCountPattern && board_count_ == 0xA5 && all(data_, 0xA5) && all(macs_, 0xA5) &&
           all(types_, 0xA5) && all(ins_, 0xA5A5) && all(outs_, 0xA5A5) && all(sixth_, 0xA5A5) && all(boards_, 0xA5);
  }
  std::uintptr_t W(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

  static constexpr std::uint16_t kCountPattern = 165;
  plat::testing::FakeLoader loader_;
  std::uint16_t length_;
  std::uint16_t count_;
  std::uint8_t board_count_;
  std::array<std::uint8_t, 512> data_;
  std::array<std::uint8_t, 200> macs_, types_;
  std::array<std::uint16_t, 200> ins_, outs_, sixth_;
  std::array<std::uint8_t, 20> boards_;
  const std::uint8_t payload_[3] = {1, 2, 3};
  const std::uint8_t search_for_[1] = {5};
};

// One operation, called with board byte 6, and what its entry must receive:
// for kinds 1, 2, 4 and for kind 3 (board 1, port 2). An empty kind-3 entry
// means kind 3 calls nothing and answers 0.
struct Row {
  const char* label;
  std::function<std::int32_t()> call;
  std::string op;  // entry name after the prefix ("Active" etc. are mapped per family)
  Words args;
  std::string port_op;
  Words port_args;
};

class Dispatch : public MasterApi {
 protected:
  std::vector<Row> Rows() {
    std::uint8_t* d = data_.data();
    return {
        {"ActiveBoard", [] { return BrantelAPI_ActiveBoard(6); }, "Active", {6}, "Active", {1, 2}},
        {"CloseBoard", [] { return BrantelAPI_CloseBoard(6); }, "Close", {6}, "Close", {1, 2}},
        {"GetFirmwareVersion", [] { return BrantelAPI_GetFirmwareVersion(6); }, "GetFirmwareVersion", {6},
         "GetQuadrineVersion", {}},
        {"ResetFirmware", [] { return BrantelAPI_ResetFirmware(6); }, "ResetFirmware", {6}, "", {}},
        {"GetMasterMACID", [] { return BrantelAPI_GetMasterMACID(6); }, "GetMasterMACID", {6}, "GetMasterMACID", {1, 2}},
        {"SetMasterMACID", [] { return BrantelAPI_SetMasterMACID(6, 9); }, "SetMasterMACID", {6, 9}, "SetMasterMACID",
         {1, 2, 9}},
        {"GetBaudRate", [] { return BrantelAPI_GetBaudRate(6); }, "GetBaudRate", {6}, "GetBaudRate", {1, 2}},
        {"SetBaudRate", [] { return BrantelAPI_SetBaudRate(6, 2); }, "SetBaudRate", {6, 2}, "SetBaudRate", {1, 2, 2}},
        {"GetMasterStatus", [] { return BrantelAPI_GetMasterStatus(6); }, "GetMasterStatus", {6}, "GetMasterStatus",
         {1, 2}},
        {"StartDevice", [] { return BrantelAPI_StartDevice(6, 5); }, "StartDevice", {6, 5}, "StartDevice", {1, 2, 5}},
        {"StopDevice", [] { return BrantelAPI_StopDevice(6, 5); }, "StopDevice", {6, 5}, "StopDevice", {1, 2, 5}},
        {"StartAllDevice", [] { return BrantelAPI_StartAllDevice(6); }, "StartAllDevice", {6}, "StartAllDevice", {1, 2}},
        {"StopAllDevice", [] { return BrantelAPI_StopAllDevice(6); }, "StopAllDevice", {6}, "StopAllDevice", {1, 2}},
        {"AddDevice", [] { return BrantelAPI_AddDevice(6, 5, 2500); }, "AddDevice", {6, 5, 2500}, "AddDevice",
         {1, 2, 5, 2500}},
        {"RemoveDevice", [] { return BrantelAPI_RemoveDevice(6, 5); }, "RemoveDevice", {6, 5}, "RemoveDevice",
         {1, 2, 5}},
        {"AddIOConnection", [] { return BrantelAPI_AddIOConnection(6, 5, 1, 8, 300, 200); }, "AddIOConnection",
         {6, 5, 1, 8, 300, 200}, "AddIOConnection", {1, 2, 5, 1, 8, 300, 200}},
        {"GetSlaveStatus", [] { return BrantelAPI_GetSlaveStatus(6, 5); }, "GetSlaveStatus", {6, 5}, "GetSlaveStatus",
         {1, 2, 5}},
        {"GetAttribute", [] { return BrantelAPI_GetAttribute(6, 5, 300, 513, 7); }, "GetAttributeW",
         {6, 5, 300, 513, 7}, "GetAttribute", {1, 2, 5, 44, 1, 7}},
        {"IsGetAttributeOK", [] { return BrantelAPI_IsGetAttributeOK(6, 5); }, "IsGetAttributeOK", {6, 5},
         "IsGetAttributeOK", {1, 2, 5}},
        {"GetAttributeValue", [this, d] { return BrantelAPI_GetAttributeValue(6, 5, &length_, d); },
         "GetAttributeValue", {6, 5, W(&length_), W(d)}, "GetAttributeValue", {1, 2, 5, W(d), W(&length_)}},
        {"SetAttribute", [this] { return BrantelAPI_SetAttribute(6, 5, 300, 513, 7, 3, payload_); }, "SetAttributeW",
         {6, 5, 300, 513, 7, 3, W(payload_)}, "SetAttribute", {1, 2, 5, 44, 1, 7, 3, W(payload_)}},
        {"IsSetAttributeOK", [] { return BrantelAPI_IsSetAttributeOK(6, 5); }, "IsSetAttributeOK", {6, 5},
         "IsSetAttributeOK", {1, 2, 5}},
        {"ClearAllConfig", [] { return BrantelAPI_ClearAllConfig(6); }, "ClearAllConfig", {6}, "ClearAllConfig", {1, 2}},
        {"StartAutoScan", [] { return BrantelAPI_StartAutoScan(6); }, "SearchAllDevices", {6}, "SearchAllDevices",
         {1, 2}},
        {"SearchSpecificDevice", [this] { return BrantelAPI_SearchSpecificDevice(6, 1, search_for_); },
         "SearchSpecificDevice", {6, 1, W(search_for_)}, "SearchSpecificDevice", {1, 2, 1, W(search_for_)}},
        {"IsSearchOK", [] { return BrantelAPI_IsSearchOK(6); }, "IsSearchOK", {6}, "IsSearchOK", {1, 2}},
        {"GetSearchedDevices",
         [this] { return BrantelAPI_GetSearchedDevices(6, &count_, macs_.data(), types_.data(), ins_.data(), outs_.data()); },
         "GetSearchedDevices", {6, W(&count_), W(macs_.data()), W(types_.data()), W(ins_.data()), W(outs_.data())},
         "GetSearchedDevices",
         {1, 2, W(&count_), W(macs_.data()), W(types_.data()), W(ins_.data()), W(outs_.data())}},
        {"GetScanList",
         [this] {
           return BrantelAPI_GetScanList(6, &count_, macs_.data(), types_.data(), ins_.data(), outs_.data(),
                                         sixth_.data());
         },
         "GetScanList",
         {6, W(&count_), W(macs_.data()), W(types_.data()), W(ins_.data()), W(outs_.data()), W(sixth_.data())},
         "GetScanList",
         {1, 2, W(&count_), W(macs_.data()), W(types_.data()), W(ins_.data()), W(outs_.data()), W(sixth_.data())}},
        {"ReadInputData", [this, d] { return BrantelAPI_ReadInputData(6, 5, 2, &length_, d); }, "ReadInputData",
         {6, 5, 2, W(&length_), W(d)}, "ReadInputData", {1, 2, 5, 2, W(&length_), W(d)}},
        {"WriteOutputData", [this] { return BrantelAPI_WriteOutputData(6, 5, 3, 3, payload_); }, "WriteOutputData",
         {6, 5, 3, 3, W(payload_)}, "WriteOutputData", {1, 2, 5, 3, 3, W(payload_)}},
    };
  }

  std::string EntryName(std::uint8_t kind, const std::string& op) {
    const Family& f = FamilyOf(kind);
    const std::string suffix = op == "Active" ? f.active : op == "Close" ? f.close : op;
    return std::string(f.prefix) + "_" + suffix;
  }
};

TEST_F(Dispatch, EveryOperationReachesItsEntryWithTheArgumentsOfTheKind) {
  for (std::uint8_t kind = 1; kind <= 4; ++kind) {
    Use(kind);
    for (const Row& row : Rows()) {
      SCOPED_TRACE(std::string(row.label) + " kind " + std::to_string(kind));
      g_received.clear();
      const bool ports = kind == driver::kKindTolquin;
      const std::string& op = ports ? row.port_op : row.op;
      const std::int32_t result = row.call();
      if (op.empty()) {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(g_received.empty());
        continue;
      }
      EXPECT_EQ(result, kAnswer);
      EXPECT_EQ(g_received, (std::vector<Received>{{EntryName(kind, op), ports ? row.port_args : row.args}}));
      EXPECT_TRUE(Untouched());
    }
  }
}

TEST_F(Dispatch, NoKindOrAnUnknownKindCallsNothingAnswersZeroAndWritesNothing) {
  for (std::uint8_t kind : {std::uint8_t{0}, std::uint8_t{5}}) {
    Use(1);  // a bound library must not be reached through another kind
    HardwareKind = kind;
    for (const Row& row : Rows()) {
      SCOPED_TRACE(std::string(row.label) + " kind " + std::to_string(kind));
      EXPECT_EQ(row.call(), 0);
    }
    EXPECT_EQ(BrantelAPI_GetTotal(&board_count_, boards_.data()), 0);
    EXPECT_TRUE(g_received.empty());
    EXPECT_TRUE(Untouched());
  }
}

TEST_F(Dispatch, AnUnboundEntryIsNeverCalledAndAnswersTheNoAnswerCode) {
  for (std::uint8_t kind = 1; kind <= 4; ++kind) {
    // The library lacks its count entry: that and every later entry stay unbound.
    Use(kind, {std::string(FamilyOf(kind).prefix) + "_" + FamilyOf(kind).total});
    count_ = 500;  // a count the device lists would otherwise cut
    for (const Row& row : Rows()) {
      SCOPED_TRACE(std::string(row.label) + " kind " + std::to_string(kind));
      const bool no_call = kind == driver::kKindTolquin && row.port_op.empty();
      EXPECT_EQ(row.call(), no_call ? 0 : driver::kUnboundEntryResult);
    }
    EXPECT_EQ(BrantelAPI_GetTotal(&board_count_, boards_.data()), driver::kUnboundEntryResult);
    EXPECT_TRUE(g_received.empty());
    EXPECT_EQ(count_, 500);
    count_ = kCountPattern;
    EXPECT_TRUE(Untouched());
  }
}

TEST_F(Dispatch, WithoutTheSixteenBitEntriesClassAndInstanceAreCutToEightBits) {
  for (std::uint8_t kind : {driver::kKindCalvory, driver::kKindMerrow, driver::kKindGadrow}) {
    const std::string prefix = FamilyOf(kind).prefix;
    Use(kind, {prefix + "_GetAttributeW", prefix + "_SetAttributeW"});
    EXPECT_EQ(BrantelAPI_GetAttribute(6, 5, 300, 513, 7), kAnswer);
    EXPECT_EQ(BrantelAPI_SetAttribute(6, 5, 300, 513, 7, 3, payload_), kAnswer);
    EXPECT_EQ(g_received, (std::vector<Received>{{prefix + "_GetAttribute", {6, 5, 44, 1, 7}},
                                                 {prefix + "_SetAttribute", {6, 5, 44, 1, 7, 3, W(payload_)}}}));
  }
}

TEST_F(Dispatch, KindThreeSplitsTheHighestBoardByteIntoBoard63Port3) {
  Use(driver::kKindTolquin);
  EXPECT_EQ(BrantelAPI_GetMasterStatus(255), kAnswer);
  EXPECT_EQ(g_received, (std::vector<Received>{{"Tolquin_GetMasterStatus", {63, 3}}}));
}

TEST_F(Dispatch, DeviceListCountsAreCutToTheArraysRoom) {
  // An entry writing 250 entries cannot be told to stop; what the layer can do
  // is never hand on a count that sends the caller past its 200 entries.
  static std::uint16_t reported = 0;
  auto searched = [](std::uint8_t, std::uint16_t* count, std::uint8_t*, std::uint8_t*, std::uint16_t*,
                     std::uint16_t*) -> std::int32_t {
    *count = reported;
    return 0;
  };
  auto scan = [](std::uint8_t, std::uint16_t* count, std::uint8_t*, std::uint8_t*, std::uint16_t*, std::uint16_t*,
                 std::uint16_t*) -> std::int32_t {
    *count = reported;
    return 0;
  };
  loader_.AddEntry("Calvory.DLL", "Calvory_GetSearchedDevices",
                   reinterpret_cast<plat::ProcAddress>(+static_cast<CalvoryGetSearchedDevicesFn>(searched)));
  loader_.AddEntry("Calvory.DLL", "Calvory_GetScanList",
                   reinterpret_cast<plat::ProcAddress>(+static_cast<CalvoryGetScanListFn>(scan)));
  Use(driver::kKindCalvory);
  for (auto [in, out] : {std::pair{0, 0}, {200, 200}, {201, 200}, {65535, 200}}) {
    reported = static_cast<std::uint16_t>(in);
    BrantelAPI_GetSearchedDevices(0, &count_, macs_.data(), types_.data(), ins_.data(), outs_.data());
    EXPECT_EQ(count_, out) << in;
    BrantelAPI_GetScanList(0, &count_, macs_.data(), types_.data(), ins_.data(), outs_.data(), sixth_.data());
    EXPECT_EQ(count_, out) << in;
  }
}

// ---- board list

// The caller's 20 board numbers followed by more room, all filled with a pattern:
// nothing may be written from the count on, least of all past the 20.
struct GuardedBoardList {
  GuardedBoardList() { numbers.fill(0xEE); }
  bool UntouchedFrom(std::size_t count) const {
    return std::all_of(numbers.begin() + count, numbers.end(), [](std::uint8_t n) { return n == 0xEE; });
  }
  std::array<std::uint8_t, 256> numbers;
};

TEST_F(MasterApi, BoardListOfKindsOneTwoFourIsCutToTheCallersTwentyNumbers) {
  struct Case {
    std::uint8_t reported;
    std::uint8_t listed;
  };
  for (std::uint8_t kind : {driver::kKindCalvory, driver::kKindMerrow, driver::kKindGadrow}) {
    Use(kind);
    for (Case c : {Case{0, 0}, Case{3, 3}, Case{20, 20}, Case{21, 20}, Case{255, 20}}) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " reported " + std::to_string(c.reported));
      g_reported_boards = c.reported;
      GuardedBoardList list;
      std::uint8_t count = 0;
      EXPECT_EQ(BrantelAPI_GetTotal(&count, list.numbers.data()), kAnswer);
      ASSERT_EQ(count, c.listed);
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(list.numbers[i], 100 + i);
      EXPECT_TRUE(list.UntouchedFrom(count));
    }
  }
}

TEST_F(MasterApi, BoardListOfKindThreeNamesEveryPortAs4TimesBoardPlusPort) {
  struct Case {
    const char* label;
    std::size_t boards;
    std::vector<std::uint8_t> ports;
    std::vector<std::uint8_t> numbers;  // empty: count 0
  };
  const std::vector<std::uint8_t> first20 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  const Case cases[] = {
      {"4 and 2 ports", 2, {4, 2}, {0, 1, 2, 3, 4, 5}},
      {"2 and 4 ports: board 1 starts at 4", 2, {2, 4}, {0, 1, 4, 5, 6, 7}},
      {"a board without ports", 2, {0, 3}, {4, 5, 6}},
      {"no boards", 0, {}, {}},
      {"20 ports", 5, {4, 4, 4, 4, 4}, first20},
      {"21 ports are more than the list holds", 6, {4, 4, 4, 4, 4, 1}, {}},
      {"260 ports must not wrap to 4", 65, std::vector<std::uint8_t>(65, 4), {}},
      {"one port count byte of 255 and one of 5", 2, {255, 5}, {0, 1, 2, 3, 4, 5, 6, 7}},
      {"a board cannot have more than 4 addressable ports", 2, {6, 2}, {0, 1, 2, 3, 4, 5}},
      {"boards from 64 on cannot be named by one byte", 70, [] {
         std::vector<std::uint8_t> p(70, 0);
         p[69] = 1;
         return p;
       }(), {}},
  };
  Use(driver::kKindTolquin);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    g_tolquin_boards = c.boards;
    g_port_counts = c.ports;
    GuardedBoardList list;
    std::uint8_t count = 0xEE;
    EXPECT_EQ(BrantelAPI_GetTotal(&count, list.numbers.data()), 0);  // the driver's result is not handed on
    EXPECT_EQ(std::vector<std::uint8_t>(list.numbers.begin(), list.numbers.begin() + count), c.numbers);
    EXPECT_TRUE(list.UntouchedFrom(count));
  }
}

TEST_F(MasterApi, BoardListOfKindThreeGivesTheEntryACountOfItsOwnStartingAtZero) {
  static std::uint8_t count_seen = 0xFF;
  auto entry = [](std::uint8_t* board_count, std::uint8_t*, std::uint8_t*) -> std::int32_t {
    count_seen = *board_count;
    return 0;
  };
  loader_.AddEntry("Tolquin.DLL", "Tolquin_TotalTolquinBoard",
                   reinterpret_cast<plat::ProcAddress>(+static_cast<TolquinTotalTolquinBoardFn>(entry)));
  Use(driver::kKindTolquin);
  std::uint8_t count = 9;
  EXPECT_EQ(BrantelAPI_GetTotal(&count, boards_.data()), 0);
  EXPECT_EQ(count_seen, 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
