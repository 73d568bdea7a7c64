// The simulated master and network, driven directly through the core's API.

#include "dnsim/simulation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using dnsim::Simulation;
using dnsim::Where;

const Where kBoard0{"Test_Entry", 0, dnsim::kNoPort};

struct List {
  std::uint16_t count = 0xEEEE;
  std::uint8_t macs[200] = {};
  std::uint8_t types[200] = {};
  std::uint16_t ins[200] = {};
  std::uint16_t outs[200] = {};
  std::uint16_t extra[200] = {};
  std::vector<dnsim::ScanEntry> Entries(bool with_extra) const {
    std::vector<dnsim::ScanEntry> v;
    for (std::size_t i = 0; i < count && i < 200; ++i) {
      v.push_back({macs[i], types[i], ins[i], outs[i], with_extra ? extra[i] : std::uint16_t{0}});
    }
    return v;
  }
};

class SimulationTest : public ::testing::Test {
 protected:
  static dnsim::NetworkConfig Demo() {
    dnsim::NetworkConfig net = dnsim::DemoNetwork();
    net.master.activation_polls = 0;
    return net;
  }
  // A master that runs, with the given network.
  Simulation& Running(dnsim::NetworkConfig net = Demo()) {
    sim_ = std::make_unique<Simulation>(std::move(net));
    sim_->Active(kBoard0);
    for (int i = 0; i < 10 && sim_->GetMasterStatus(kBoard0) != 0; ++i) {
    }
    EXPECT_EQ(sim_->Master().state, dnsim::MasterState::Running);
    return *sim_;
  }
  List Searched() {
    List l;
    EXPECT_EQ(sim_->GetSearchedDevices(kBoard0, &l.count, l.macs, l.types, l.ins, l.outs), 0);
    return l;
  }
  List Scanned() {
    List l;
    EXPECT_EQ(sim_->GetScanList(kBoard0, &l.count, l.macs, l.types, l.ins, l.outs, l.extra), 0);
    return l;
  }
  void FinishSearch() {
    for (int i = 0; i < 10 && sim_->IsSearchOK(kBoard0) == dnsim::kSearchRunning; ++i) {
    }
  }
  static dnsim::NetworkConfig WithScanList(std::vector<dnsim::ScanEntry> scan) {
    dnsim::NetworkConfig net = Demo();
    net.scan_list = std::move(scan);
    return net;
  }

  std::unique_ptr<Simulation> sim_;
};

// ---- master

TEST_F(SimulationTest, ActivationCompletesAfterTheConfiguredStatusPolls) {
  for (int polls : {0, 1, 3}) {
    SCOPED_TRACE(polls);
    dnsim::NetworkConfig net = Demo();
    net.master.activation_polls = polls;
    Simulation sim(net);
    EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);  // closed
    sim.Active(kBoard0);
    for (int i = 0; i < polls; ++i) {
      EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);
      EXPECT_EQ(sim.GetMasterMACID(kBoard0), dnsim::kTimeout);  // nobody answers while it comes up
    }
    EXPECT_EQ(sim.GetMasterStatus(kBoard0), 0);
    EXPECT_EQ(sim.GetFirmwareVersion(kBoard0), 0x250);
    EXPECT_EQ(sim.GetMasterStatus(kBoard0), 0);
  }
}

TEST_F(SimulationTest, AMasterThatNeverComesUpKeepsAnsweringTimeout) {
  dnsim::NetworkConfig net = Demo();
  net.master.activation_polls = dnsim::kNever;
  Simulation sim(net);
  sim.Active(kBoard0);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);
}

TEST_F(SimulationTest, AMasterGivenAStatusReportsItOnceItRunsAndStillAnswersTheRest) {
  dnsim::NetworkConfig net = WithScanList({{5, 1, 8, 4, 200}});
  net.master.activation_polls = 1;
  net.master.reset_polls = 1;
  net.master.status = dnsim::kCanError;
  Simulation sim(net);
  sim.Active(kBoard0);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);  // still coming up
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kCanError);
  EXPECT_EQ(sim.Master().state, dnsim::MasterState::Running);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kCanError);
  EXPECT_EQ(sim.GetFirmwareVersion(kBoard0), 0x250);
  List l;
  EXPECT_EQ(sim.GetScanList(kBoard0, &l.count, l.macs, l.types, l.ins, l.outs, l.extra), 0);
  EXPECT_EQ(l.Entries(true), net.scan_list);

  // A restart does not cure the bus.
  EXPECT_EQ(sim.ResetFirmware(kBoard0), 0);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kCanError);
  // An injected fault still comes first, and a closed master answers nothing.
  sim.InjectFault(dnsim::Op::GetMasterStatus, 7, 1);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), 7);
  sim.Close(kBoard0);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);
}

TEST_F(SimulationTest, NewMacIdAndBaudRateTakeEffectOnlyAfterAFirmwareReset) {
  dnsim::NetworkConfig net = Demo();
  net.master.reset_polls = 2;
  Simulation& sim = Running(net);
  EXPECT_EQ(sim.SetMasterMACID(kBoard0, 64), dnsim::kBadArgument);
  EXPECT_EQ(sim.SetBaudRate(kBoard0, 3), dnsim::kBadArgument);
  EXPECT_EQ(sim.SetMasterMACID(kBoard0, 9), 0);
  EXPECT_EQ(sim.SetBaudRate(kBoard0, 2), 0);
  EXPECT_EQ(sim.GetMasterMACID(kBoard0), 0);
  EXPECT_EQ(sim.GetBaudRate(kBoard0), 0);
  EXPECT_EQ(sim.Master().pending_mac, 9);

  EXPECT_EQ(sim.ResetFirmware(kBoard0), 0);
  EXPECT_EQ(sim.GetFirmwareVersion(kBoard0), dnsim::kTimeout);  // restarting
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kTimeout);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), 0);
  EXPECT_EQ(sim.GetMasterMACID(kBoard0), 9);
  EXPECT_EQ(sim.GetBaudRate(kBoard0), 2);
  EXPECT_FALSE(sim.Master().pending_mac.has_value());

  // The slaves at 125K are gone from the bus; the one at 500K is found now.
  sim.SearchAllDevices(kBoard0);
  FinishSearch();
  EXPECT_EQ(Searched().Entries(false), (std::vector<dnsim::ScanEntry>{{30, 1, 4, 4, 0}}));
}

TEST_F(SimulationTest, OnlyTheListedBoardsAndPortsAnswer) {
  dnsim::NetworkConfig net = Demo();
  net.master.boards = 2;
  net.master.ports = {4, 2};
  Simulation& sim = Running(net);
  struct Case {
    std::uint8_t board;
    int port;
    bool answers;
  };
  for (Case c : {Case{1, dnsim::kNoPort, true}, Case{2, dnsim::kNoPort, false}, Case{0, 3, true}, Case{1, 1, true},
                 Case{1, 2, false}, Case{2, 0, false}}) {
    SCOPED_TRACE(std::to_string(c.board) + "/" + std::to_string(c.port));
    EXPECT_EQ(sim.GetMasterStatus(Where{"Test_Entry", c.board, c.port}), c.answers ? 0 : dnsim::kTimeout);
  }
}

TEST_F(SimulationTest, TheBoardListCountsBoardsOrReportsPortsPerBoard) {
  dnsim::NetworkConfig net = Demo();
  net.master.boards = 3;
  net.master.ports = {4, 2};
  Simulation sim(net);
  std::uint8_t count = 0;
  std::uint8_t numbers[20] = {};
  std::uint8_t port_counts[20] = {};
  EXPECT_EQ(sim.Total(kBoard0, &count, numbers, nullptr), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(numbers, numbers + count), (std::vector<std::uint8_t>{0, 1, 2}));
  EXPECT_EQ(sim.Total(kBoard0, &count, numbers, port_counts), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(port_counts, port_counts + count), (std::vector<std::uint8_t>{4, 2}));
}

// ---- scan list

TEST_F(SimulationTest, AddingDevicesAndConnectionsBuildsTheScanList) {
  Simulation& sim = Running();
  EXPECT_EQ(sim.AddDevice(kBoard0, 5, 2500), 0);
  EXPECT_EQ(Scanned().Entries(true), (std::vector<dnsim::ScanEntry>{{5, 0, 0, 0, 2500}}));
  EXPECT_EQ(sim.AddDevice(kBoard0, 5, 2500), dnsim::kDeviceConfigured);
  EXPECT_EQ(sim.AddIOConnection(kBoard0, 5, 1, 8, 4, 200), 0);  // takes the empty entry's place
  EXPECT_EQ(sim.AddDevice(kBoard0, 12, 2500), 0);
  EXPECT_EQ(sim.AddIOConnection(kBoard0, 12, 2, 2, 0, 200), 0);
  EXPECT_EQ(sim.AddIOConnection(kBoard0, 5, 3, 2, 2, 200), 0);  // appended: device 5 is spread
  EXPECT_EQ(Scanned().Entries(true),
            (std::vector<dnsim::ScanEntry>{{5, 1, 8, 4, 200}, {12, 2, 2, 0, 200}, {5, 3, 2, 2, 200}}));
  EXPECT_EQ(sim.ScanList(), Scanned().Entries(true));
}

TEST_F(SimulationTest, AConnectionThatExistsAnswersItsOwnCode) {
  Simulation& sim = Running();
  sim.AddDevice(kBoard0, 5, 2500);
  for (std::uint8_t type = 1; type <= 4; ++type) {
    ASSERT_EQ(sim.AddIOConnection(kBoard0, 5, type, 2, 2, 200), 0);
    EXPECT_EQ(sim.AddIOConnection(kBoard0, 5, type, 2, 2, 200), 1104 + type);
  }
}

TEST_F(SimulationTest, ScanListRefusals) {
  Simulation& sim = Running(WithScanList({{5, 1, 8, 4, 200}}));
  EXPECT_EQ(sim.AddIOConnection(kBoard0, 6, 1, 8, 4, 200), dnsim::kNotInScanList);
  EXPECT_EQ(sim.AddIOConnection(kBoard0, 5, 0, 8, 4, 200), dnsim::kBadArgument);
  EXPECT_EQ(sim.AddIOConnection(kBoard0, 5, 5, 8, 4, 200), dnsim::kBadArgument);
  EXPECT_EQ(sim.AddDevice(kBoard0, 64, 2500), dnsim::kBadArgument);
  EXPECT_EQ(sim.RemoveDevice(kBoard0, 6), dnsim::kNotInScanList);

  std::vector<dnsim::ScanEntry> full;
  for (std::uint8_t mac = 0; mac < 50; ++mac) {
    for (std::uint8_t type = 1; type <= 4; ++type) full.push_back({mac, type, 1, 1, 200});
  }
  Simulation& full_sim = Running(WithScanList(full));
  EXPECT_EQ(full_sim.AddDevice(kBoard0, 55, 2500), dnsim::kScanListFull);
}

TEST_F(SimulationTest, RemovingADeviceTakesAllItsConnectionsAndClearingEmptiesTheList) {
  Simulation& sim = Running(WithScanList({{5, 1, 8, 4, 200}, {12, 2, 2, 0, 200}, {5, 3, 2, 2, 200}}));
  EXPECT_EQ(sim.RemoveDevice(kBoard0, 5), 0);
  EXPECT_EQ(Scanned().Entries(false), (std::vector<dnsim::ScanEntry>{{12, 2, 2, 0, 0}}));
  EXPECT_EQ(sim.ClearAllConfig(kBoard0), 0);
  EXPECT_EQ(Scanned().count, 0);
}

// ---- network search

TEST_F(SimulationTest, ASearchRunsForSomePollsAndReportsTheBusOrderNotTheMacOrder) {
  dnsim::NetworkConfig net = Demo();
  net.master.search_polls = 3;
  Simulation& sim = Running(net);
  sim.SetSlavePresent(20, false);
  EXPECT_EQ(sim.SearchAllDevices(kBoard0), 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sim.IsSearchOK(kBoard0), dnsim::kSearchRunning);
    List l;
    EXPECT_EQ(sim.GetSearchedDevices(kBoard0, &l.count, l.macs, l.types, l.ins, l.outs), dnsim::kSearchRunning);
    EXPECT_EQ(l.count, 0xEEEE);
  }
  EXPECT_EQ(sim.IsSearchOK(kBoard0), 0);
  // 20 is switched off, 30 runs at another baud rate.
  EXPECT_EQ(Searched().Entries(false),
            (std::vector<dnsim::ScanEntry>{{12, 2, 2, 0, 0}, {12, 4, 4, 4, 0}, {3, 1, 8, 4, 0}, {5, 1, 8, 4, 0},
                                           {5, 3, 2, 2, 0}}));
}

TEST_F(SimulationTest, ASearchForOneDeviceReportsItsConnectionsOrNothing) {
  Simulation& sim = Running();
  const std::uint8_t five[] = {5};
  EXPECT_EQ(sim.SearchSpecificDevice(kBoard0, 1, five), 0);
  FinishSearch();
  EXPECT_EQ(Searched().Entries(false), (std::vector<dnsim::ScanEntry>{{5, 1, 8, 4, 0}, {5, 3, 2, 2, 0}}));
  const std::uint8_t forty[] = {40};
  sim.SearchSpecificDevice(kBoard0, 1, forty);
  FinishSearch();
  EXPECT_EQ(Searched().count, 0);
}

TEST_F(SimulationTest, WithoutASearchNothingIsRunningAndNothingWasFound) {
  Simulation& sim = Running();
  EXPECT_EQ(sim.IsSearchOK(kBoard0), 0);
  EXPECT_EQ(Searched().count, 0);
}

// ---- slaves

TEST_F(SimulationTest, SlaveStatusFollowsScanListCommunicationAndTheBus) {
  dnsim::NetworkConfig net = WithScanList({{3, 1, 8, 4, 200}, {20, 3, 1, 1, 200}, {40, 1, 1, 1, 200}});
  Simulation& sim = Running(net);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 3), 0);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 7), dnsim::kNotInScanList);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 40), dnsim::kSlaveNotAnswering);  // configured, not on the bus
  sim.SetSlaveStatus(20, 1002);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 20), 1002);

  EXPECT_EQ(sim.StopDevice(kBoard0, 3), 0);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 3), dnsim::kDeviceStopped);
  EXPECT_EQ(sim.StartDevice(kBoard0, 3), 0);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 3), 0);
  EXPECT_EQ(sim.StartDevice(kBoard0, 7), dnsim::kNotInScanList);
  sim.StopAllDevice(kBoard0);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 3), dnsim::kDeviceStopped);
  sim.StartAllDevice(kBoard0);
  sim.SetSlavePresent(3, false);
  EXPECT_EQ(sim.GetSlaveStatus(kBoard0, 3), dnsim::kSlaveNotAnswering);
}

TEST_F(SimulationTest, InputDataComesPerSlaveAndNeverExceeds256Bytes) {
  Simulation& sim = Running(WithScanList({{3, 1, 8, 4, 200}}));
  std::uint16_t length = 0;
  auto data = std::make_unique<std::uint8_t[]>(dnsim::kMaxDataBytes);  // the callers' room exactly
  EXPECT_EQ(sim.ReadInputData(kBoard0, 3, 1, &length, data.get()), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(data.get(), data.get() + length),
            (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(sim.ReadInputData(kBoard0, 3, 2, &length, data.get()), dnsim::kNotInScanList);

  sim.SetInputData(3, std::vector<std::uint8_t>(300, 0x5A));
  EXPECT_EQ(sim.ReadInputData(kBoard0, 3, 1, &length, data.get()), 0);
  EXPECT_EQ(length, 256);
  EXPECT_EQ(data[255], 0x5A);
}

TEST_F(SimulationTest, OutputDataIsKeptPerConnection) {
  Simulation& sim = Running(WithScanList({{5, 1, 8, 4, 200}, {5, 3, 2, 2, 200}, {12, 2, 2, 0, 200}}));
  const std::uint8_t bytes[] = {0x01, 0x0A, 0xFF};
  sim.ClearCallLog();
  EXPECT_EQ(sim.WriteOutputData(kBoard0, 5, 3, 3, bytes), 0);
  EXPECT_EQ(sim.OutputData(5, 3), (std::vector<std::uint8_t>{0x01, 0x0A, 0xFF}));
  EXPECT_TRUE(sim.OutputData(5, 1).empty());
  EXPECT_EQ(sim.WriteOutputData(kBoard0, 12, 2, 1, bytes), dnsim::kBadArgument);  // a Strobe has no output
  EXPECT_EQ(sim.WriteOutputData(kBoard0, 5, 4, 1, bytes), dnsim::kNotInScanList);
  EXPECT_EQ(sim.CallLog().front().args, "board=0 mac=5 type=3 length=3 data=01,0A,FF");
}

// ---- explicit messages

TEST_F(SimulationTest, AnAttributeReadIsPendingForSomePollsThenGivesTheProductName) {
  dnsim::NetworkConfig net = Demo();
  net.master.attribute_polls = 2;
  Simulation& sim = Running(net);
  std::uint16_t length = 0;
  std::uint8_t data[256];
  EXPECT_EQ(sim.IsGetAttributeOK(kBoard0, 5), dnsim::kNoRequest);
  EXPECT_EQ(sim.GetAttribute(kBoard0, 5, 1, 1, 7), 0);
  EXPECT_EQ(sim.GetAttributeValue(kBoard0, 5, &length, data), dnsim::kRequestPending);  // a poll as well
  EXPECT_EQ(sim.IsGetAttributeOK(kBoard0, 5), dnsim::kRequestPending);
  EXPECT_EQ(sim.IsGetAttributeOK(kBoard0, 5), 0);
  EXPECT_EQ(sim.GetAttributeValue(kBoard0, 5, &length, data), 0);
  EXPECT_EQ(std::string(data, data + length), "DN Valve Manifold");
}

TEST_F(SimulationTest, AttributesAreKeyedByTheFullClassNumber) {
  dnsim::NetworkConfig net = Demo();
  net.master.attribute_polls = 0;
  net.master.default_attribute = {0xDE};
  net.slaves[0].attributes[{300, 1, 1}] = {0xAA, 0xBB};  // slave 12
  Simulation& sim = Running(net);
  struct Case {
    std::uint16_t class_id;
    std::vector<std::uint8_t> reply;
  };
  for (const Case& c : {Case{300, {0xAA, 0xBB}}, Case{44, {0xDE}}}) {
    std::uint16_t length = 0;
    std::uint8_t data[256];
    sim.GetAttribute(kBoard0, 12, c.class_id, 1, 1);
    EXPECT_EQ(sim.GetAttributeValue(kBoard0, 12, &length, data), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(data, data + length), c.reply) << c.class_id;
  }
}

TEST_F(SimulationTest, AnAttributeWriteIsPendingThenReadBack) {
  dnsim::NetworkConfig net = Demo();
  net.master.attribute_polls = 1;
  Simulation& sim = Running(net);
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_EQ(sim.SetAttribute(kBoard0, 3, 100, 1, 3, 3, bytes), 0);
  EXPECT_EQ(sim.IsSetAttributeOK(kBoard0, 3), dnsim::kRequestPending);
  EXPECT_EQ(sim.IsSetAttributeOK(kBoard0, 3), 0);
  sim.GetAttribute(kBoard0, 3, 100, 1, 3);
  sim.IsGetAttributeOK(kBoard0, 3);
  std::uint16_t length = 0;
  std::uint8_t data[256];
  EXPECT_EQ(sim.GetAttributeValue(kBoard0, 3, &length, data), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(data, data + length), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(SimulationTest, ARequestToASlaveThatDoesNotAnswerFailsWhenItsPollsAreOver) {
  dnsim::NetworkConfig net = Demo();
  net.master.attribute_polls = 1;
  Simulation& sim = Running(net);
  EXPECT_EQ(sim.GetAttribute(kBoard0, 30, 1, 1, 7), 0);  // 30 is on another baud rate
  EXPECT_EQ(sim.IsGetAttributeOK(kBoard0, 30), dnsim::kRequestPending);
  EXPECT_EQ(sim.IsGetAttributeOK(kBoard0, 30), dnsim::kSlaveNotAnswering);
  std::uint16_t length = 0xEEEE;
  std::uint8_t data[4] = {};
  EXPECT_EQ(sim.GetAttributeValue(kBoard0, 30, &length, data), dnsim::kSlaveNotAnswering);
  EXPECT_EQ(length, 0xEEEE);
}

// ---- firmware debug windows

TEST_F(SimulationTest, DebugWindowIdsAreEnabledOnceAndDisabled) {
  dnsim::NetworkConfig net = Demo();
  net.master.debug_window_ids = {3, 7};
  Simulation& sim = Running(net);
  EXPECT_EQ(sim.FirmDebugWndEnable(kBoard0, 9, 1), 0);
  EXPECT_EQ(sim.FirmDebugWndEnable(kBoard0, 9, 1), 0);
  EXPECT_EQ(sim.FirmDebugWndEnable(kBoard0, 3, 0), 0);
  EXPECT_EQ(sim.FirmDebugWndEnable(kBoard0, 3, 2), dnsim::kBadArgument);
  std::uint16_t count = 0;
  std::uint16_t ids[300];
  EXPECT_EQ(sim.GetFirmDebugWnd(kBoard0, &count, ids), 0);
  EXPECT_EQ(std::vector<std::uint16_t>(ids, ids + count), (std::vector<std::uint16_t>{7, 9}));

  for (std::uint16_t id = 100; sim.DebugWindowIds().size() < dnsim::kMaxDebugWindowIds; ++id) {
    ASSERT_EQ(sim.FirmDebugWndEnable(kBoard0, id, 1), 0);
  }
  EXPECT_EQ(sim.FirmDebugWndEnable(kBoard0, 65535, 1), dnsim::kDebugListFull);
}

// ---- fault injection and the call log

TEST_F(SimulationTest, AFaultForTheNextCallsAnswersItsCodeThenTheMasterAnswersAgain) {
  Simulation& sim = Running();
  sim.InjectFault(dnsim::Op::GetMasterStatus, dnsim::kCanError, 2);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kCanError);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), dnsim::kCanError);
  EXPECT_EQ(sim.GetMasterStatus(kBoard0), 0);
}

TEST_F(SimulationTest, AFaultUntilClearedAnswersEveryCallWithoutDoingOrWritingAnything) {
  Simulation& sim = Running();
  sim.InjectFault(dnsim::Op::AddDevice, dnsim::kTimeout);
  sim.InjectFault(dnsim::Op::GetScanList, 1234);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(sim.AddDevice(kBoard0, 5, 2500), dnsim::kTimeout);
  List l;
  EXPECT_EQ(sim.GetScanList(kBoard0, &l.count, l.macs, l.types, l.ins, l.outs, l.extra), 1234);
  EXPECT_EQ(l.count, 0xEEEE);
  sim.ClearFaults();
  EXPECT_TRUE(sim.ScanList().empty());
  EXPECT_EQ(sim.AddDevice(kBoard0, 5, 2500), 0);
}

TEST_F(SimulationTest, TheCallLogHoldsEntryArgumentsAsReceivedAndResult) {
  Simulation& sim = Running();
  sim.ClearCallLog();
  sim.AddDevice(Where{"Tolquin_AddDevice", 0, 2}, 5, 2500);
  const std::uint8_t bytes[] = {0x10, 0x20};
  sim.SetAttribute(Where{"Calvory_SetAttributeW", 0, dnsim::kNoPort}, 5, 300, 2, 9, 2, bytes);
  sim.Unused("Calvory_GetDLLVersion");
  const std::vector<dnsim::CallRecord> log = sim.CallLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].entry, "Tolquin_AddDevice");
  EXPECT_EQ(log[0].op, dnsim::Op::AddDevice);
  EXPECT_EQ(log[0].args, "board=0 port=2 mac=5 value=2500");
  EXPECT_EQ(log[0].result, 0);
  EXPECT_EQ(log[1].args, "board=0 mac=5 class=300 instance=2 attribute=9 length=2 data=10,20");
  EXPECT_EQ(log[2].entry, "Calvory_GetDLLVersion");
  EXPECT_EQ(log[2].op, dnsim::Op::Unused);
}

}  // namespace
