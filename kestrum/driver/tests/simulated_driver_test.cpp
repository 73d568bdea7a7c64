// The driver layer through the real loader, against the simulated driver
// libraries that ship beside the programs and their variants with entries missing.

#include <gtest/gtest.h>

#include <string>

#include "dnsim/driver_fixtures.h"
#include "dnsim/simulation.h"
#include "driver/driver_binding.h"
#include "driver/master_api.h"
#include "platform/testing/loaders.h"

namespace {

struct Kind {
  const char* label;
  std::uint8_t kind;
  std::int16_t (*bind)();
  const char* prefix;
};
void PrintTo(const Kind& k, std::ostream* os) { *os << k.label; }

const Kind kKinds[] = {{"Calvory", 1, LoadCalvoryDriver, "Calvory_"},
                       {"Merrow", 2, LoadMerrowDriver, "Merrow_"},
                       {"Tolquin", 3, LoadTolquinDriver, "Tolquin_"},
                       {"Gadrow", 4, LoadGadrowDriver, "Gadrow_"}};

class SimulatedDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    driver::ResetEntryTablesForTesting();
    dnsim::NetworkConfig net = dnsim::DemoNetwork();
    net.master.activation_polls = 2;
    net.master.mac = 7;
    net.master.baud = 1;
    net.master.firmware_version = 0x241;
    net.master.boards = 2;
    net.master.ports = {4, 2};
    dnsim::Sim().Configure(net);
  }
  void TearDown() override {
    HardwareKind = driver::kKindNone;
    ActiveBoardNo = driver::kNoActiveBoard;
    driver::ResetEntryTablesForTesting();
  }
};

class EveryKind : public SimulatedDriver, public ::testing::WithParamInterface<Kind> {};

TEST_P(EveryKind, TheShippedLibraryBindsWithZero) {
  EXPECT_EQ(GetParam().bind(), 0);
  EXPECT_NE(DriverEntryTableOf(GetParam().kind)->Module(), nullptr);
}

TEST_P(EveryKind, AMinimalCallerCountsActivatesAndReadsTheMaster) {
  HardwareKind = GetParam().kind;
  ASSERT_EQ(GetParam().bind(), 0);

  std::uint8_t count = 0;
  std::uint8_t numbers[driver::kBoardListRoom] = {};
  BrantelAPI_GetTotal(&count, numbers);
  const bool ports = GetParam().kind == driver::kKindTolquin;
  ASSERT_EQ(count, ports ? 6 : 2);
  EXPECT_EQ(numbers[count - 1], count - 1);

  ActiveBoardNo = numbers[count - 1];  // kind 3: port 1 of board 1
  BrantelAPI_ActiveBoard(ActiveBoardNo);
  int polls = 0;
  std::int32_t status = -1;
  while (status != 0 && polls < 10) {
    status = BrantelAPI_GetMasterStatus(ActiveBoardNo);
    ++polls;
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(polls, 3);  // two polls while the master comes up
  EXPECT_EQ(BrantelAPI_GetFirmwareVersion(ActiveBoardNo), 0x241);
  EXPECT_EQ(BrantelAPI_GetMasterMACID(ActiveBoardNo), 7);
  EXPECT_EQ(BrantelAPI_GetBaudRate(ActiveBoardNo), 1);

  const dnsim::CallRecord last = dnsim::Sim().CallLog().back();
  EXPECT_EQ(last.entry, std::string(GetParam().prefix) + "GetBaudRate");
  EXPECT_EQ(last.args, ports ? "board=1 port=1" : "board=1");
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKind, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.label); });

std::int16_t BindFrom(const char* directory, std::int16_t (*bind)()) {
  plat::testing::DirectoryLoader loader(directory);
  plat::testing::ScopedCurrentLoader use(loader);
  return bind();
}

TEST_F(SimulatedDriver, NoLibraryFolderGivesMinusOneForEveryKind) {
  for (const Kind& k : kKinds) EXPECT_EQ(BindFrom(dnsim::fixtures::kNoDrivers, k.bind), -1) << k.label;
}

TEST_F(SimulatedDriver, ALibraryWithoutGetBoardInfBindsNothingAfterIt) {
  EXPECT_EQ(BindFrom(dnsim::fixtures::kCalvoryWithoutBoardInf, LoadCalvoryDriver), -2);
  const DriverEntryTable& table = *DriverEntryTableOf(driver::kKindCalvory);
  EXPECT_NE(table.Module(), nullptr);
  EXPECT_EQ(table.Slot(driver::DriverOp::Total), nullptr);
  // The program runs on: its calls find nothing bound and get the no-answer code.
  HardwareKind = driver::kKindCalvory;
  EXPECT_EQ(BrantelAPI_GetMasterStatus(0), driver::kUnboundEntryResult);
}

TEST_F(SimulatedDriver, ALibraryWithoutTheWEntriesBindsAndCutsClassNumbers) {
  EXPECT_EQ(BindFrom(dnsim::fixtures::kCalvoryWithoutW, LoadCalvoryDriver), 0);
  const DriverEntryTable& table = *DriverEntryTableOf(driver::kKindCalvory);
  EXPECT_EQ(table.Slot(driver::DriverOp::GetAttributeW), nullptr);
  EXPECT_EQ(table.Slot(driver::DriverOp::SendExplicitMSG_W), nullptr);
  EXPECT_NE(table.Slot(driver::DriverOp::ReadbackOutputData), nullptr);

  HardwareKind = driver::kKindCalvory;
  BrantelAPI_ActiveBoard(0);
  for (int poll = 0; poll < 10 && BrantelAPI_GetMasterStatus(0) != 0; ++poll) {
  }
  EXPECT_EQ(BrantelAPI_GetAttribute(0, 5, 300, 1, 7), 0);
  const dnsim::CallRecord last = dnsim::Sim().CallLog().back();
  EXPECT_EQ(last.entry, "Calvory_GetAttribute");
  EXPECT_EQ(last.args, "board=0 mac=5 class=44 instance=1 attribute=7");
}

TEST_F(SimulatedDriver, ALibraryWithoutLoadIntoDownloadModeStillBindsEveryCalledEntry) {
  EXPECT_EQ(BindFrom(dnsim::fixtures::kMerrowWithoutDownloadMode, LoadMerrowDriver), -39);
  const DriverEntryTable& table = *DriverEntryTableOf(driver::kKindMerrow);
  EXPECT_NE(table.Slot(driver::DriverOp::WriteOutputData), nullptr);
  EXPECT_EQ(table.Slot(driver::DriverOp::SendExplicitMSG), nullptr);
}

}  // namespace
