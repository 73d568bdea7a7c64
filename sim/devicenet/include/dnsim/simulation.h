#pragma once
// The one process-wide simulated DeviceNet master and its network. The four
// driver-library stand-ins forward every entry here; tests link this library
// directly to configure the network, inject faults and read the call log.
//
// All boards, modules and ports that the board list names address this one
// master. A call addressed to any other number answers 10023 (nobody there).
// Thread-safe: every call takes one lock.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dnsim/network.h"

namespace dnsim {

// Results the program interprets.
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kTimeout = 10023;
inline constexpr std::int32_t kCanError = 1002;
inline constexpr std::int32_t kSearchRunning = 1055;
inline constexpr std::int32_t kDeviceConfigured = 1057;
inline constexpr std::int32_t kConnectionPresentBase = 1104;  // + type: 1105 Poll .. 1108 Cyclic
inline constexpr std::int32_t kRequestPending = 1151;
// Results of this stand-in beyond those (shown by the program as numbers).
inline constexpr std::int32_t kBadArgument = 1201;
inline constexpr std::int32_t kNotInScanList = 1202;
inline constexpr std::int32_t kScanListFull = 1203;
inline constexpr std::int32_t kSlaveNotAnswering = 1204;
inline constexpr std::int32_t kDeviceStopped = 1205;
inline constexpr std::int32_t kNoRequest = 1206;
inline constexpr std::int32_t kDebugListFull = 1207;

// The operations, whichever family's entry name they arrive under.
enum class Op : std::uint8_t {
  Total, Active, Close, GetFirmwareVersion, ResetFirmware, GetMasterMACID, SetMasterMACID,
  GetBaudRate, SetBaudRate, GetMasterStatus, StartDevice, StopDevice, StartAllDevice,
  StopAllDevice, AddDevice, RemoveDevice, AddIOConnection, GetSlaveStatus,
  GetAttribute,  // also the 16-bit entry
  IsGetAttributeOK, GetAttributeValue,
  SetAttribute,  // also the 16-bit entry
  IsSetAttributeOK, ClearAllConfig, SearchAllDevices, SearchSpecificDevice, IsSearchOK,
  GetSearchedDevices, GetScanList, ReadInputData, WriteOutputData, FirmDebugWndEnable,
  GetFirmDebugWnd,
  Unused,  // an entry that exists for the binders but that the program never calls
};
const char* OpName(Op op);

// One call as it arrived: the entry name, its input arguments ("board=0 mac=5
// type=1", byte arrays as hexadecimal "data=01,0A") and the result it got.
struct CallRecord {
  std::string entry;
  Op op;
  std::string args;
  std::int32_t result;
};
inline constexpr std::size_t kCallLogLimit = 10000;  // the oldest records go first

enum class MasterState : std::uint8_t { Closed, Activating, Running, Resetting };
struct MasterView {
  MasterState state;
  std::uint8_t mac;
  std::uint8_t baud;
  std::optional<std::uint8_t> pending_mac;   // applied by the next firmware reset
  std::optional<std::uint8_t> pending_baud;
};

// Where an entry call is addressed: a board byte, or a board and a port (kind 3).
inline constexpr int kNoPort = -1;
inline constexpr int kNoAddress = -2;  // an entry that names no board at all
struct Where {
  const char* entry;
  std::uint8_t board;
  int port;  // kNoPort for the families addressed by one byte, or kNoAddress
};

inline constexpr int kUntilCleared = -1;

class Simulation {
 public:
  explicit Simulation(NetworkConfig config);
  ~Simulation();
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // ---- for tests
  // Starts afresh: master closed, scan list from the config, log and faults cleared.
  void Configure(NetworkConfig config);
  std::vector<CallRecord> CallLog() const;
  void ClearCallLog();
  // The next `times` calls of `op` (or every call until cleared) answer `code`
  // without doing anything or writing any output.
  void InjectFault(Op op, std::int32_t code, int times = kUntilCleared);
  void ClearFaults();
  MasterView Master() const;
  std::vector<ScanEntry> ScanList() const;
  // The last output data written for one connection of a slave (empty: none).
  std::vector<std::uint8_t> OutputData(std::uint8_t mac, std::uint8_t type) const;
  std::vector<std::uint16_t> DebugWindowIds() const;
  void SetInputData(std::uint8_t mac, std::vector<std::uint8_t> data);
  void SetSlavePresent(std::uint8_t mac, bool present);
  void SetSlaveStatus(std::uint8_t mac, std::int32_t status);

  // ---- the entries, as the driver-library stand-ins forward them
  // port_counts is null for the families that count boards.
  std::int32_t Total(const Where& w, std::uint8_t* count, std::uint8_t* numbers, std::uint8_t* port_counts);
  std::int32_t Active(const Where& w);
  std::int32_t Close(const Where& w);
  std::int32_t GetFirmwareVersion(const Where& w);
  std::int32_t ResetFirmware(const Where& w);
  std::int32_t GetMasterMACID(const Where& w);
  std::int32_t SetMasterMACID(const Where& w, std::uint8_t mac);
  std::int32_t GetBaudRate(const Where& w);
  std::int32_t SetBaudRate(const Where& w, std::uint8_t baud);
  std::int32_t GetMasterStatus(const Where& w);
  std::int32_t StartDevice(const Where& w, std::uint8_t mac);
  std::int32_t StopDevice(const Where& w, std::uint8_t mac);
  std::int32_t StartAllDevice(const Where& w);
  std::int32_t StopAllDevice(const Where& w);
  std::int32_t AddDevice(const Where& w, std::uint8_t mac, std::uint16_t value);
  std::int32_t RemoveDevice(const Where& w, std::uint8_t mac);
  std::int32_t AddIOConnection(const Where& w, std::uint8_t mac, std::uint8_t type, std::uint16_t input_length,
                               std::uint16_t output_length, std::uint16_t value);
  std::int32_t GetSlaveStatus(const Where& w, std::uint8_t mac);
  std::int32_t GetAttribute(const Where& w, std::uint8_t mac, std::uint16_t class_id, std::uint16_t instance_id,
                            std::uint8_t attribute_id);
  std::int32_t IsGetAttributeOK(const Where& w, std::uint8_t mac);
  // Never writes more than kMaxDataBytes.
  std::int32_t GetAttributeValue(const Where& w, std::uint8_t mac, std::uint16_t* length, std::uint8_t* data);
  std::int32_t SetAttribute(const Where& w, std::uint8_t mac, std::uint16_t class_id, std::uint16_t instance_id,
                            std::uint8_t attribute_id, std::uint16_t length, const std::uint8_t* data);
  std::int32_t IsSetAttributeOK(const Where& w, std::uint8_t mac);
  std::int32_t ClearAllConfig(const Where& w);
  std::int32_t SearchAllDevices(const Where& w);
  std::int32_t SearchSpecificDevice(const Where& w, std::uint16_t number, const std::uint8_t* macs);
  std::int32_t IsSearchOK(const Where& w);
  // Never writes more than kMaxScanEntries entries.
  std::int32_t GetSearchedDevices(const Where& w, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* types,
                                  std::uint16_t* input_lengths, std::uint16_t* output_lengths);
  std::int32_t GetScanList(const Where& w, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* types,
                           std::uint16_t* input_lengths, std::uint16_t* output_lengths, std::uint16_t* extra);
  // The entry has no capacity argument: never writes more than kMaxDataBytes.
  std::int32_t ReadInputData(const Where& w, std::uint8_t mac, std::uint8_t type, std::uint16_t* length,
                             std::uint8_t* data);
  std::int32_t WriteOutputData(const Where& w, std::uint8_t mac, std::uint8_t type, std::uint16_t length,
                               const std::uint8_t* data);
  std::int32_t FirmDebugWndEnable(const Where& w, std::uint16_t id, std::uint8_t flag);
  // Never writes more than kMaxDebugWindowIds IDs.
  std::int32_t GetFirmDebugWnd(const Where& w, std::uint16_t* count, std::uint16_t* ids);
  // The entries that only have to exist: answer 0.
  std::int32_t Unused(const char* entry);

 private:
  struct State;
  class Call;

  std::int32_t ReadSetting(const Where& w, Op op, std::uint8_t State::*value);
  std::int32_t WriteSetting(const Where& w, Op op, const char* name, std::uint8_t value, std::uint8_t most,
                            std::optional<std::uint8_t> State::*pending);
  std::int32_t StartOrStop(const Where& w, Op op, std::uint8_t mac, bool start);

  mutable std::mutex mutex_;
  std::unique_ptr<State> state_;
  std::deque<CallRecord> log_;
};

// The process-wide simulation, configured on first use from the config file
// (see network.h) or the demo network.
Simulation& Sim();

}  // namespace dnsim
