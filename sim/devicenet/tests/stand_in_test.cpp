// The four driver-library stand-ins as the program meets them: their exported
// names, and calls through their entries reaching the one simulation.

#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "dnsim/driver_fixtures.h"
#include "dnsim/simulation.h"
#include "driver/entry_signatures.h"
#include "expected/driver_entry_names.h"
#include "platform/library_loader.h"

namespace {

// Every symbol a shared object defines for others (its dynamic symbol table).
std::set<std::string> ExportedNames(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::string> names;
  Elf64_Ehdr header;
  if (file.size() < sizeof header) return names;
  std::memcpy(&header, file.data(), sizeof header);
  auto section = [&](std::size_t i) {
    Elf64_Shdr s;
    std::memcpy(&s, file.data() + header.e_shoff + i * header.e_shentsize, sizeof s);
    return s;
  };
  for (std::size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symbols = section(i);
    if (symbols.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strings = section(symbols.sh_link);
    for (std::size_t at = symbols.sh_offset; at + sizeof(Elf64_Sym) <= symbols.sh_offset + symbols.sh_size;
         at += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + at, sizeof sym);
      const int binding = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      if (ELF64_ST_VISIBILITY(sym.st_other) != STV_DEFAULT) continue;
      names.insert(file.data() + strings.sh_offset + sym.st_name);
    }
  }
  return names;
}

std::set<std::string> Names(const std::vector<expected::Entry>& entries, std::vector<std::string> extra = {},
                            const std::vector<std::string>& without = {}) {
  std::set<std::string> names(extra.begin(), extra.end());
  for (const expected::Entry& e : entries) names.insert(e.name);
  for (const std::string& name : without) names.erase(name);
  return names;
}

TEST(StandIns, EachExportsExactlyItsFamilysEntries) {
  struct Case {
    std::string path;
    std::set<std::string> names;
  };
  const std::string bin = std::string(dnsim::fixtures::kShippedDir) + "/";
  const std::vector<std::string> calvory_debug = {"Calvory_FirmDebugWndEnable", "Calvory_GetFirmDebugWnd"};
  const std::vector<std::string> merrow_debug = {"Merrow_FirmDebugWndEnable", "Merrow_GetFirmDebugWnd"};
  const Case cases[] = {
      {bin + "Calvory.DLL", Names(expected::kCalvoryEntries, calvory_debug)},
      {bin + "Merrow.DLL", Names(expected::kMerrowEntries, merrow_debug)},
      {bin + "Tolquin.DLL", Names(expected::kTolquinEntries)},
      {bin + "Gadrow_VCPP_XPe.dll", Names(expected::kGadrowEntries)},
      {std::string(dnsim::fixtures::kCalvoryWithoutBoardInf) + "/Calvory.DLL",
       Names(expected::kCalvoryEntries, calvory_debug, {"Calvory_GetBoardInf"})},
      {std::string(dnsim::fixtures::kCalvoryWithoutW) + "/Calvory.DLL",
       Names(expected::kCalvoryEntries, calvory_debug,
             {"Calvory_GetAttributeW", "Calvory_SetAttributeW", "Calvory_SendExplicitMSG_W"})},
      {std::string(dnsim::fixtures::kMerrowWithoutDownloadMode) + "/Merrow.DLL",
       Names(expected::kMerrowEntries, merrow_debug, {"Merrow_Load_IntoDownloadMode"})},
  };
  for (const Case& c : cases) EXPECT_EQ(ExportedNames(c.path), c.names) << c.path;
}

// Looks an entry of a shipped stand-in up, typed by the program's own prototype.
template <class Fn>
Fn EntryOf(const char* file, const char* name) {
  plat::ModuleHandle module = plat::SystemLoader().Load(file);
  return module ? reinterpret_cast<Fn>(plat::SystemLoader().Symbol(module, name)) : nullptr;
}

class ThroughTheStandIns : public ::testing::Test {
 protected:
  void SetUp() override {
    dnsim::NetworkConfig net = dnsim::DemoNetwork();
    net.master.activation_polls = 0;
    net.master.attribute_polls = 0;
    net.master.mac = 9;
    net.master.ports = {4, 2};
    dnsim::Sim().Configure(net);
  }
  static dnsim::CallRecord Last() { return dnsim::Sim().CallLog().back(); }
};

TEST_F(ThroughTheStandIns, TheBoardFamiliesForwardEveryArgumentUnderTheirOwnNames) {
  struct Family {
    const char* file;
    const char* prefix;
    const char* active;
  };
  for (const Family& f : {Family{"Calvory.DLL", "Calvory", "Calvory_ActiveBoard"},
                          Family{"Merrow.DLL", "Merrow", "Merrow_ActiveModule"},
                          Family{"Gadrow_VCPP_XPe.dll", "Gadrow", "Gadrow_ActiveModule"}}) {
    SCOPED_TRACE(f.file);
    const std::string p = std::string(f.prefix) + "_";
    auto active = EntryOf<driver::BoardEntries::Active>(f.file, f.active);
    auto status = EntryOf<driver::BoardEntries::GetMasterStatus>(f.file, (p + "GetMasterStatus").c_str());
    auto mac = EntryOf<driver::BoardEntries::GetMasterMACID>(f.file, (p + "GetMasterMACID").c_str());
    auto get_w = EntryOf<driver::BoardEntries::GetAttributeW>(f.file, (p + "GetAttributeW").c_str());
    auto value = EntryOf<driver::BoardEntries::GetAttributeValue>(f.file, (p + "GetAttributeValue").c_str());
    ASSERT_TRUE(active && status && mac && get_w && value);

    EXPECT_EQ(active(0), 0);
    EXPECT_EQ(Last().entry, f.active);
    EXPECT_EQ(status(0), 0);
    EXPECT_EQ(mac(0), 9);
    EXPECT_EQ(get_w(0, 5, 300, 1, 7), 0);
    EXPECT_EQ(Last().entry, p + "GetAttributeW");
    EXPECT_EQ(Last().args, "board=0 mac=5 class=300 instance=1 attribute=7");
    std::uint16_t length = 0;
    std::uint8_t data[256];
    get_w(0, 5, 1, 1, 7);
    EXPECT_EQ(value(0, 5, &length, data), 0);
    EXPECT_EQ(std::string(data, data + length), "DN Valve Manifold");
  }
}

TEST_F(ThroughTheStandIns, TheCanBoardFamilyTakesBoardAndPortAndItsOwnArgumentOrders) {
  auto active = EntryOf<TolquinActiveFn>("Tolquin.DLL", "Tolquin_Active");
  auto version = EntryOf<TolquinGetQuadrineVersionFn>("Tolquin.DLL", "Tolquin_GetQuadrineVersion");
  auto get = EntryOf<TolquinGetAttributeFn>("Tolquin.DLL", "Tolquin_GetAttribute");
  auto value = EntryOf<TolquinGetAttributeValueFn>("Tolquin.DLL", "Tolquin_GetAttributeValue");
  auto total = EntryOf<TolquinTotalTolquinBoardFn>("Tolquin.DLL", "Tolquin_TotalTolquinBoard");
  auto status = EntryOf<TolquinGetMasterStatusFn>("Tolquin.DLL", "Tolquin_GetMasterStatus");
  ASSERT_TRUE(active && version && get && value && total && status);

  std::uint8_t boards = 0;
  std::uint8_t numbers[20] = {};
  std::uint8_t ports[20] = {};
  EXPECT_EQ(total(&boards, numbers, ports), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(ports, ports + boards), (std::vector<std::uint8_t>{4, 2}));

  EXPECT_EQ(active(1, 1), 0);
  EXPECT_EQ(Last().args, "board=1 port=1");
  EXPECT_EQ(active(1, 2), dnsim::kTimeout);  // board 1 has two ports only
  EXPECT_EQ(status(1, 1), 0);
  EXPECT_EQ(version(), 0x250);
  EXPECT_EQ(Last().entry, "Tolquin_GetQuadrineVersion");
  EXPECT_EQ(Last().args, "");

  EXPECT_EQ(get(1, 1, 3, 1, 1, 7), 0);
  std::uint16_t length = 0;
  std::uint8_t data[256];
  EXPECT_EQ(value(1, 1, 3, data, &length), 0);
  EXPECT_EQ(std::string(data, data + length), "DN 8-Point IO");
}

TEST_F(ThroughTheStandIns, TheFirmwareDebugWindowEntriesKeepTheIdList) {
  auto enable = EntryOf<MerrowFirmDebugWndEnableFn>("Merrow.DLL", "Merrow_FirmDebugWndEnable");
  auto list = EntryOf<MerrowGetFirmDebugWndFn>("Merrow.DLL", "Merrow_GetFirmDebugWnd");
  auto active = EntryOf<MerrowActiveModuleFn>("Merrow.DLL", "Merrow_ActiveModule");
  auto status = EntryOf<MerrowGetMasterStatusFn>("Merrow.DLL", "Merrow_GetMasterStatus");
  ASSERT_TRUE(enable && list && active && status);
  active(0);
  status(0);
  EXPECT_EQ(enable(0, 65535, 1), 0);
  std::uint16_t count = 0;
  std::uint16_t ids[300];
  EXPECT_EQ(list(0, &count, ids), 0);
  EXPECT_EQ(std::vector<std::uint16_t>(ids, ids + count), (std::vector<std::uint16_t>{65535}));
}

TEST_F(ThroughTheStandIns, EntriesThatOnlyHaveToExistAnswerZero) {
  auto download = EntryOf<std::int32_t (*)()>("Merrow.DLL", "Merrow_Load_IntoDownloadMode");
  ASSERT_NE(download, nullptr);
  EXPECT_EQ(download(), 0);
  EXPECT_EQ(Last().entry, "Merrow_Load_IntoDownloadMode");
  EXPECT_EQ(Last().op, dnsim::Op::Unused);
}

}  // namespace
