#pragma once
// What the simulated DeviceNet master and its network are made of, and how they
// are configured: in code (tests) or from a small INI-like file.
//
// The file (found through KESTRUM_SIM_CONFIG, else "DeviceNetSim.ini" beside the
// simulation library, else the built-in demo network):
//
//   ; comment            # comment       (whole lines only)
//   [Master]
//   FirmwareVersion=0x250   ; three 4-bit digits, shown as 2.50
//   MACID=0                 ; 0..63
//   BaudRate=0              ; 0 125K, 1 250K, 2 500K
//   ActivationPolls=1       ; status polls answered 10023 before the master runs; -1 never
//   ResetPolls=2            ; the same after a firmware reset
//   SearchPolls=3           ; IsSearchOK answers 1055 this many times
//   AttributePolls=1        ; explicit requests answer 1151 this many polls
//   Status=0                ; what GetMasterStatus answers once the master runs (1002: a CAN error)
//   Boards=1                ; kinds 1, 2, 4: boards 0..n-1 (at most 20)
//   Ports=4                 ; kind 3: ports per CAN board, comma separated (at most 20 boards)
//   DebugWindowIDs=3,7      ; firmware debug-window IDs enabled at start (at most 300)
//   DefaultAttribute=00     ; reply bytes of an attribute that nobody configured
//   [Slave]                 ; one section per slave, in the order the search reports them
//   MACID=12
//   BaudRate=0              ; a slave on another baud rate than the master is not found
//   Present=1               ; 0: configured but switched off
//   Status=0                ; what GetSlaveStatus answers while it communicates
//   ProductName=DN Strobe Sensor
//   Poll=8,4                ; connections: input length, output length
//   Strobe=2                ; input length only
//   COS=2,2
//   Cyclic=4,4
//   Input=01,02,0A          ; input data, hexadecimal bytes (at most 256)
//   Attribute=1,1,1:2A,00   ; class,instance,attribute:hexadecimal bytes (repeatable)
//   [ScanList]
//   Entry=12,2,2,0          ; MAC ID,type,input length,output length (repeatable, at most 200)
//
// Section and key names are case-insensitive; a line may end in CR LF; numbers
// are decimal or 0x hexadecimal. Unknown sections or keys, bad numbers and values
// out of range are errors with the line number.

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dnsim {

inline constexpr std::size_t kMaxScanEntries = 200;    // scan list and search result
inline constexpr std::size_t kMaxDataBytes = 256;      // input data and attribute replies
inline constexpr std::size_t kMaxBoards = 20;          // board list room of every caller
inline constexpr std::size_t kMaxDebugWindowIds = 300; // room of the debug window's list
inline constexpr std::uint8_t kMaxMacId = 63;
inline constexpr int kNever = -1;                       // a poll count that never completes

struct Connection {
  std::uint8_t type = 0;  // 1 Poll, 2 Strobe, 3 COS, 4 Cyclic
  std::uint16_t input_length = 0;
  std::uint16_t output_length = 0;
  bool operator==(const Connection&) const = default;
};

struct AttributeId {
  std::uint16_t class_id = 0;
  std::uint16_t instance_id = 0;
  std::uint8_t attribute_id = 0;
  auto operator<=>(const AttributeId&) const = default;
};
// The Identity object's product name: class 1, instance 1, attribute 7.
inline constexpr AttributeId kProductName{1, 1, 7};

struct SlaveConfig {
  std::uint8_t mac = 0;
  std::uint8_t baud = 0;
  bool present = true;
  std::int32_t status = 0;
  std::string product_name;
  std::vector<Connection> connections;   // at most one of each type
  std::optional<std::vector<std::uint8_t>> input;  // none: 0, 1, 2, ... of the longest input
  std::map<AttributeId, std::vector<std::uint8_t>> attributes;
};

struct ScanEntry {
  std::uint8_t mac = 0;
  std::uint8_t type = 0;  // 0: a device without a connection yet
  std::uint16_t input_length = 0;
  std::uint16_t output_length = 0;
  std::uint16_t extra = 0;  // the sixth array: the AddDevice or AddIOConnection value
  bool operator==(const ScanEntry&) const = default;
};

struct MasterConfig {
  std::uint16_t firmware_version = 0x250;
  std::uint8_t mac = 0;
  std::uint8_t baud = 0;
  int activation_polls = 1;
  int reset_polls = 2;
  int search_polls = 3;
  int attribute_polls = 1;
  std::int32_t status = 0;  // GetMasterStatus of the running master
  std::uint8_t boards = 1;
  std::vector<std::uint8_t> ports{4};
  std::vector<std::uint16_t> debug_window_ids;
  std::vector<std::uint8_t> default_attribute{0};
};

struct NetworkConfig {
  MasterConfig master;
  std::vector<SlaveConfig> slaves;
  std::vector<ScanEntry> scan_list;
};

// A handful of slaves with all four connection kinds, listed out of MAC order.
NetworkConfig DemoNetwork();

// Parses the file format above; on failure gives nothing and "line N: what".
std::optional<NetworkConfig> ParseConfig(std::string_view text, std::string* error);

inline constexpr const char* kConfigVariable = "KESTRUM_SIM_CONFIG";
inline constexpr const char* kConfigFileName = "DeviceNetSim.ini";
// The file to read: the variable's value when set and not empty, else the file
// beside the library when it exists, else "" for the demo network.
std::string ResolveConfigPath(const char* variable_value, const std::string& library_directory);

}  // namespace dnsim
