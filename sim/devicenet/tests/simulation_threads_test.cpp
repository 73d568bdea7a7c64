// The simulation called from many threads at once, as the poll threads and the
// window thread do.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "dnsim/simulation.h"

namespace {

TEST(SimulationThreads, ThirtyOneThreadsEditAndReadTheNetworkWithoutLosingACall) {
  constexpr int kThreads = 31;
  constexpr int kPasses = 50;
  dnsim::NetworkConfig net;
  net.master.activation_polls = 0;
  net.master.search_polls = 1;
  for (std::uint8_t mac = 0; mac < kThreads; ++mac) {
    dnsim::SlaveConfig slave;
    slave.mac = mac;
    slave.connections = {{1, 4, 4}};
    net.slaves.push_back(slave);
  }
  dnsim::Simulation sim(net);
  const dnsim::Where board{"Test_Entry", 0, dnsim::kNoPort};
  sim.Active(board);
  ASSERT_EQ(sim.GetMasterStatus(board), 0);
  sim.ClearCallLog();

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, mac = static_cast<std::uint8_t>(t)] {
      // Each thread owns one slave: its results do not depend on the others.
      if (sim.AddDevice(board, mac, 2500) != 0) ++failures;
      if (sim.AddIOConnection(board, mac, 1, 4, 4, 200) != 0) ++failures;
      for (int pass = 0; pass < kPasses; ++pass) {
        std::uint16_t length = 0;
        std::uint8_t data[256];
        const std::uint8_t out[4] = {mac, 1, 2, 3};
        if (sim.GetSlaveStatus(board, mac) != 0) ++failures;
        if (sim.ReadInputData(board, mac, 1, &length, data) != 0 || length != 4) ++failures;
        if (sim.WriteOutputData(board, mac, 1, 4, out) != 0) ++failures;
        std::uint16_t count = 0;
        std::uint8_t macs[200], types[200];
        std::uint16_t ins[200], outs[200], extra[200];
        if (sim.GetScanList(board, &count, macs, types, ins, outs, extra) != 0 || count > kThreads) ++failures;
      }
    });
  }
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(sim.CallLog().size(), static_cast<std::size_t>(kThreads * (2 + 4 * kPasses)));
  const std::vector<dnsim::ScanEntry> scan = sim.ScanList();
  ASSERT_EQ(scan.size(), static_cast<std::size_t>(kThreads));
  for (std::uint8_t mac = 0; mac < kThreads; ++mac) {
    EXPECT_EQ(std::count(scan.begin(), scan.end(), dnsim::ScanEntry{mac, 1, 4, 4, 200}), 1);
    EXPECT_EQ(sim.OutputData(mac, 1), (std::vector<std::uint8_t>{mac, 1, 2, 3}));
  }
}

}  // namespace
