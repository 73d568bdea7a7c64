// The configuration file of the simulated network and where it is looked for.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "dnsim/network.h"
#include "dnsim/simulation.h"

namespace {

TEST(SimConfig, AFileWithEveryKeyIsReadAsWritten) {
  const char* text =
      "; the test network\r\n"
      "[Master]\r\n"
      "FirmwareVersion=0x141\r\n"
      "macid = 2\r\n"
      "BaudRate=1\r\n"
      "ActivationPolls=-1\r\n"
      "ResetPolls=0\r\n"
      "SearchPolls=5\r\n"
      "AttributePolls=4\r\n"
      "Status=1002\r\n"
      "Boards=3\r\n"
      "Ports=4,2\r\n"
      "DebugWindowIDs=3, 7\r\n"
      "DefaultAttribute=FF\r\n"
      "# a slave\r\n"
      "[slave]\r\n"
      "MACID=12\r\n"
      "BaudRate=1\r\n"
      "Present=0\r\n"
      "Status=1002\r\n"
      "ProductName=Photo Sensor 2\r\n"
      "Strobe=2\r\n"
      "Cyclic=4,4\r\n"
      "Input=01,a,FF\r\n"
      "Attribute=300,1,2:2A,00\r\n"
      "[ScanList]\r\n"
      "Entry=12,2,2,0\r\n"
      "Entry=12,0,0,0\r\n";
  std::string error;
  const auto net = dnsim::ParseConfig(text, &error);
  ASSERT_TRUE(net) << error;
  const dnsim::MasterConfig& m = net->master;
  EXPECT_EQ(m.firmware_version, 0x141);
  EXPECT_EQ(m.mac, 2);
  EXPECT_EQ(m.baud, 1);
  EXPECT_EQ(m.activation_polls, dnsim::kNever);
  EXPECT_EQ(m.reset_polls, 0);
  EXPECT_EQ(m.search_polls, 5);
  EXPECT_EQ(m.attribute_polls, 4);
  EXPECT_EQ(m.status, 1002);
  EXPECT_EQ(m.boards, 3);
  EXPECT_EQ(m.ports, (std::vector<std::uint8_t>{4, 2}));
  EXPECT_EQ(m.debug_window_ids, (std::vector<std::uint16_t>{3, 7}));
  EXPECT_EQ(m.default_attribute, (std::vector<std::uint8_t>{0xFF}));
  ASSERT_EQ(net->slaves.size(), 1u);
  const dnsim::SlaveConfig& s = net->slaves[0];
  EXPECT_EQ(s.mac, 12);
  EXPECT_EQ(s.baud, 1);
  EXPECT_FALSE(s.present);
  EXPECT_EQ(s.status, 1002);
  EXPECT_EQ(s.product_name, "Photo Sensor 2");
  EXPECT_EQ(s.connections, (std::vector<dnsim::Connection>{{2, 2, 0}, {4, 4, 4}}));
  EXPECT_EQ(s.input, (std::vector<std::uint8_t>{0x01, 0x0A, 0xFF}));
  EXPECT_EQ(s.attributes.at({300, 1, 2}), (std::vector<std::uint8_t>{0x2A, 0x00}));
  EXPECT_EQ(net->scan_list, (std::vector<dnsim::ScanEntry>{{12, 2, 2, 0, 200}, {12, 0, 0, 0, 2500}}));
}

TEST(SimConfig, AnEmptyFileIsAMasterWithoutSlaves) {
  const auto net = dnsim::ParseConfig("", nullptr);
  ASSERT_TRUE(net);
  EXPECT_TRUE(net->slaves.empty());
  EXPECT_EQ(net->master.firmware_version, 0x250);
  EXPECT_EQ(net->master.status, 0) << "a master runs without an error unless told";
}

TEST(SimConfig, MistakesAreReportedWithTheirLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"MACID=3\n", "line 1: key=value before any section"},
      {"[Master]\n[Network]\n", "line 2: unknown section [Network]"},
      {"[Master]\nSpeed=1\n", "line 2: unknown key in [Master]"},
      {"[Master\n", "line 1: a section name must end with ]"},
      {"[Master]\nBaudRate\n", "line 2: expected key=value"},
      {"[Master]\nBaudRate=3\n", "line 2: BaudRate must be 0 to 2"},
      {"[Master]\nMACID=12x\n", "line 2: MACID is not a number"},
      {"[Master]\nBoards=21\n", "line 2: Boards must be 0 to 20"},
      {"[Master]\nPorts=1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1\n", "line 2: Ports: at most 20"},
      {"[Master]\nActivationPolls=-2\n", "line 2: ActivationPolls must be -1 to 1000000"},
      {"[Master]\nStatus=CAN\n", "line 2: Status is not a number"},
      {"[Master]\nStatus=0x80000000\n", "line 2: Status must be -2147483648 to 2147483647"},
      {"[Master]\nStatus=--5\n", "line 2: Status is not a number"},
      {"[Master]\nStatus=0x-5\n", "line 2: Status is not a number"},
      {"[Master]\nStatus=--9223372036854775808\n", "line 2: Status is not a number"},
      {"[Slave]\nMACID=64\n", "line 2: MACID must be 0 to 63"},
      {"[Slave]\nPoll=8,4\n[Slave]\nMACID=3\n", "line 1: [Slave] without MACID"},
      {"[Slave]\nMACID=3\n\n[Slave]\nMACID=3\n", "line 4: a second slave with the same MACID"},
      {"[Slave]\nMACID=3\nStrobe=2,2\n", "line 3: a Strobe connection needs its input length only"},
      {"[Slave]\nMACID=3\nPoll=8\n", "line 3: a connection needs input and output length"},
      {"[Slave]\nMACID=3\nPoll=8,4\nPoll=1,1\n", "line 4: the slave has this connection already"},
      {"[Slave]\nMACID=3\nInput=01,GG\n", "line 3: Input: \"GG\" is not a hexadecimal byte"},
      {"[Slave]\nMACID=3\nAttribute=1,1:00\n", "line 3: Attribute needs class,instance,attribute:bytes"},
      {"[ScanList]\nEntry=3,5,1,1\n", "line 2: type must be 0 to 4"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(dnsim::ParseConfig(c.text, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

class ConfigPath : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/dnsim-config-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    unlink((dir_ + "/" + dnsim::kConfigFileName).c_str());
    rmdir(dir_.c_str());
  }
  std::string dir_;
};

TEST_F(ConfigPath, TheVariableWinsThenTheFileBesideTheLibraryThenTheDemo) {
  EXPECT_EQ(dnsim::ResolveConfigPath(nullptr, dir_), "");
  EXPECT_EQ(dnsim::ResolveConfigPath("", dir_), "");
  std::ofstream(dir_ + "/" + dnsim::kConfigFileName) << "[Master]\n";
  EXPECT_EQ(dnsim::ResolveConfigPath(nullptr, dir_), dir_ + "/DeviceNetSim.ini");
  EXPECT_EQ(dnsim::ResolveConfigPath(nullptr, dir_ + "/"), dir_ + "/DeviceNetSim.ini");
  // A variable naming a file that is not there is still taken, so its mistake is reported.
  EXPECT_EQ(dnsim::ResolveConfigPath("/no/such/net.ini", dir_), "/no/such/net.ini");
}

// The master's MAC ID as the process-wide simulation starts it up.
int StartupMasterMacId() {
  const dnsim::Where board{"Test_Entry", 0, dnsim::kNoPort};
  dnsim::Sim().Active(board);
  for (int i = 0; i < 10 && dnsim::Sim().GetMasterStatus(board) != 0; ++i) {
  }
  return dnsim::Sim().GetMasterMACID(board);
}

// The simulation reads its network once, at its first use, so every case runs
// in a process of its own. A file that cannot be used is reported and the demo
// network (master MAC ID 0) takes its place.
TEST_F(ConfigPath, TheSimulationStartsWithTheNamedFileElseTheDemoNetwork) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* label;
    const char* file_text;  // null: no file
    int mac;
    const char* complaint;  // on stderr
  };
  const Case cases[] = {
      {"a file", "[Master]\nMACID=17\nActivationPolls=0\n", 17, "^$"},
      {"a file with a mistake", "[Master]\nMACID=99\n", 0, "line 2: MACID must be 0 to 63; using the demo network"},
      {"no file", nullptr, 0, "cannot read .*/missing.ini; using the demo network"},
  };
  const char* old = getenv(dnsim::kConfigVariable);
  const std::string saved = old ? old : "";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = dir_ + (c.file_text ? "/" + std::string(dnsim::kConfigFileName) : "/missing.ini");
    if (c.file_text) std::ofstream(path) << c.file_text;
    setenv(dnsim::kConfigVariable, path.c_str(), 1);
    const auto start_and_answer = [this] {
      const int mac = StartupMasterMacId();
      TearDown();  // the case's process leaves no folder behind
      std::_Exit(mac);
    };
    EXPECT_EXIT(start_and_answer(), ::testing::ExitedWithCode(c.mac), c.complaint);
  }
  if (old) {
    setenv(dnsim::kConfigVariable, saved.c_str(), 1);
  } else {
    unsetenv(dnsim::kConfigVariable);
  }
}

}  // namespace
