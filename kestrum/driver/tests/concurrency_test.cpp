// The master API called from the window thread's 30 companions at once.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dnsim/simulation.h"
#include "driver/driver_binding.h"
#include "driver/master_api.h"

namespace {

TEST(MasterApiThreads, ThirtyOneThreadsCallTheSimulatedMasterAtOnce) {
  constexpr int kThreads = 31;
  constexpr int kPasses = 100;
  dnsim::NetworkConfig net;
  net.master.activation_polls = 0;
  net.master.attribute_polls = 1;
  for (std::uint8_t mac = 1; mac <= kThreads; ++mac) {
    dnsim::SlaveConfig slave;
    slave.mac = mac;
    slave.product_name = "Slave " + std::to_string(mac);
    slave.connections = {{1, 8, 4}};
    net.slaves.push_back(slave);
    net.scan_list.push_back({mac, 1, 8, 4, 200});
  }
  dnsim::Sim().Configure(net);
  driver::ResetEntryTablesForTesting();
  HardwareKind = driver::kKindGadrow;
  ASSERT_EQ(LoadGadrowDriver(), 0);
  ActiveBoardNo = 0;
  BrantelAPI_ActiveBoard(0);
  ASSERT_EQ(BrantelAPI_GetMasterStatus(0), 0);

  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&failures, mac = static_cast<std::uint8_t>(t + 1)] {
      const std::string name = "Slave " + std::to_string(mac);
      for (int pass = 0; pass < kPasses; ++pass) {
        const std::uint8_t board = ActiveBoardNo;
        std::uint16_t length = 0;
        std::uint8_t data[256];
        if (BrantelAPI_GetSlaveStatus(board, mac) != 0) ++failures;
        if (BrantelAPI_ReadInputData(board, mac, 1, &length, data) != 0 || length != 8) ++failures;
        if (BrantelAPI_GetAttribute(board, mac, 1, 1, 7) != 0) ++failures;
        std::int32_t r = BrantelAPI_GetAttributeValue(board, mac, &length, data);
        if (r != 1151) ++failures;  // pending for one poll
        r = BrantelAPI_GetAttributeValue(board, mac, &length, data);
        if (r != 0 || std::string(data, data + length) != name) ++failures;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);

  HardwareKind = driver::kKindNone;
  driver::ResetEntryTablesForTesting();
}

}  // namespace
