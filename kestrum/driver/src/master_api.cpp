#include "driver/master_api.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "driver/driver_binding.h"
#include "driver/entry_signatures.h"

std::atomic<std::uint8_t> HardwareKind{driver::kKindNone};
std::atomic<std::uint8_t> ActiveBoardNo{driver::kNoActiveBoard};

namespace driver {
namespace {

// A count entry may write as many numbers as its 8-bit count can say; it gets
// room for all of them, and only what fits the caller's list is handed on.
constexpr std::size_t kAnyByteCount = 256;

std::uint8_t Kind() { return HardwareKind.load(std::memory_order_acquire); }
bool IsBoardKind(std::uint8_t kind) { return kind == kKindCalvory || kind == kKindMerrow || kind == kKindGadrow; }
const DriverEntryTable& Table(std::uint8_t kind) { return *DriverEntryTableOf(kind); }

std::uint8_t BoardOf(std::uint8_t b) { return static_cast<std::uint8_t>(b / kPortsPerBoard); }
std::uint8_t PortOf(std::uint8_t b) { return static_cast<std::uint8_t>(b % kPortsPerBoard); }
std::uint8_t Low8(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Calls the bound entry; an empty slot is never called through.
template <class Fn, class... A>
std::int32_t Call(std::uint8_t kind, DriverOp op, A... args) {
  Fn entry = Table(kind).Entry<Fn>(op);
  return entry ? entry(args...) : kUnboundEntryResult;
}

// The common case: the board byte, then the same arguments for every kind.
template <class BoardFn, class PortFn, class... A>
std::int32_t DispatchFor(std::uint8_t kind, DriverOp op, std::uint8_t b, A... args) {
  if (IsBoardKind(kind)) return Call<BoardFn>(kind, op, b, args...);
  if (kind == kKindTolquin) return Call<PortFn>(kind, op, BoardOf(b), PortOf(b), args...);
  return 0;
}

#define KESTRUM_DISPATCH_FOR(kind, Op, ...) \
  DispatchFor<BoardEntries::Op, PortEntries::Op>(kind, DriverOp::Op, __VA_ARGS__)
#define KESTRUM_DISPATCH(Op, ...) KESTRUM_DISPATCH_FOR(Kind(), Op, __VA_ARGS__)

// A device list is read by count; a count beyond the arrays' room is cut to it.
// Nothing is touched when no entry was called.
template <class BoardFn, class PortFn, class... A>
std::int32_t DeviceList(DriverOp op, std::uint8_t b, std::uint16_t* count, A... arrays) {
  const std::uint8_t kind = Kind();
  const DriverEntryTable* table = DriverEntryTableOf(kind);
  if (table == nullptr) return 0;
  const bool called = table->Slot(op) != nullptr;
  const std::int32_t result = DispatchFor<BoardFn, PortFn>(kind, op, b, count, arrays...);
  if (called && *count > kDeviceListRoom) *count = static_cast<std::uint16_t>(kDeviceListRoom);
  return result;
}

std::int32_t BoardTotal(std::uint8_t kind, std::uint8_t* count, std::uint8_t* numbers) {
  auto entry = Table(kind).Entry<BoardEntries::Total>(DriverOp::Total);
  if (!entry) return kUnboundEntryResult;
  std::uint8_t reported = *count;
  std::array<std::uint8_t, kAnyByteCount> listed{};
  std::memcpy(listed.data(), numbers, kBoardListRoom);
  const std::int32_t result = entry(&reported, listed.data());
  const std::size_t kept = std::min<std::size_t>(reported, kBoardListRoom);
  std::memcpy(numbers, listed.data(), kept);
  *count = static_cast<std::uint8_t>(kept);
  return result;
}

// Kind 3 lists ports, not boards: every port that exists gets the number
// 4 * board + port, the very number that the other operations split back into
// board and port. Port counts above 4 count as 4, since b % 4 cannot name a fifth
// port, and boards from 64 on cannot be named by one byte at all. More ports than
// the caller's 20 numbers give an empty list. The driver's result is not used.
std::int32_t PortTotal(std::uint8_t* count, std::uint8_t* numbers) {
  auto entry = Table(kKindTolquin).Entry<PortEntries::Total>(DriverOp::Total);
  if (!entry) return kUnboundEntryResult;
  std::uint8_t board_count = 0;
  std::array<std::uint8_t, kAnyByteCount> driver_numbers{};
  std::array<std::uint8_t, kAnyByteCount> port_counts{};
  entry(&board_count, driver_numbers.data(), port_counts.data());

  constexpr std::size_t kAddressableBoards = kAnyByteCount / kPortsPerBoard;
  const std::size_t boards = std::min<std::size_t>(board_count, kAddressableBoards);
  std::size_t ports = 0;
  for (std::size_t board = 0; board < boards; ++board) {
    ports += std::min<std::size_t>(port_counts[board], kPortsPerBoard);
  }
  if (ports > kBoardListRoom) {
    *count = 0;
    return 0;
  }
  std::size_t n = 0;
  for (std::size_t board = 0; board < boards; ++board) {
    const std::size_t present = std::min<std::size_t>(port_counts[board], kPortsPerBoard);
    for (std::size_t port = 0; port < present; ++port) {
      numbers[n++] = static_cast<std::uint8_t>(board * kPortsPerBoard + port);
    }
  }
  *count = static_cast<std::uint8_t>(n);
  return 0;
}

}  // namespace
}  // namespace driver

using namespace driver;

std::int32_t BrantelAPI_GetTotal(std::uint8_t* count, std::uint8_t* numbers) {
  const std::uint8_t kind = Kind();
  if (IsBoardKind(kind)) return BoardTotal(kind, count, numbers);
  if (kind == kKindTolquin) return PortTotal(count, numbers);
  return 0;
}

std::int32_t BrantelAPI_ActiveBoard(std::uint8_t b) { return KESTRUM_DISPATCH(Active, b); }
std::int32_t BrantelAPI_CloseBoard(std::uint8_t b) { return KESTRUM_DISPATCH(Close, b); }

std::int32_t BrantelAPI_GetFirmwareVersion(std::uint8_t b) {
  const std::uint8_t kind = Kind();
  if (IsBoardKind(kind)) return Call<BoardEntries::GetFirmwareVersion>(kind, DriverOp::GetFirmwareVersion, b);
  // The CAN board reports the version of its one firmware: no board, no port.
  if (kind == kKindTolquin) return Call<PortEntries::GetFirmwareVersion>(kind, DriverOp::GetFirmwareVersion);
  return 0;
}

std::int32_t BrantelAPI_ResetFirmware(std::uint8_t b) {
  const std::uint8_t kind = Kind();
  if (IsBoardKind(kind)) return Call<BoardEntries::ResetFirmware>(kind, DriverOp::ResetFirmware, b);
  return 0;  // kind 3 has no firmware reset
}

std::int32_t BrantelAPI_GetMasterMACID(std::uint8_t b) { return KESTRUM_DISPATCH(GetMasterMACID, b); }
std::int32_t BrantelAPI_SetMasterMACID(std::uint8_t b, std::uint8_t mac) {
  return KESTRUM_DISPATCH(SetMasterMACID, b, mac);
}
std::int32_t BrantelAPI_GetBaudRate(std::uint8_t b) { return KESTRUM_DISPATCH(GetBaudRate, b); }
std::int32_t BrantelAPI_SetBaudRate(std::uint8_t b, std::uint8_t baud_index) {
  return KESTRUM_DISPATCH(SetBaudRate, b, baud_index);
}
std::int32_t BrantelAPI_GetMasterStatus(std::uint8_t b) { return KESTRUM_DISPATCH(GetMasterStatus, b); }
std::int32_t BrantelAPI_StartDevice(std::uint8_t b, std::uint8_t mac) { return KESTRUM_DISPATCH(StartDevice, b, mac); }
std::int32_t BrantelAPI_StopDevice(std::uint8_t b, std::uint8_t mac) { return KESTRUM_DISPATCH(StopDevice, b, mac); }
std::int32_t BrantelAPI_StartAllDevice(std::uint8_t b) { return KESTRUM_DISPATCH(StartAllDevice, b); }
std::int32_t BrantelAPI_StopAllDevice(std::uint8_t b) { return KESTRUM_DISPATCH(StopAllDevice, b); }
std::int32_t BrantelAPI_AddDevice(std::uint8_t b, std::uint8_t mac, std::uint16_t value) {
  return KESTRUM_DISPATCH(AddDevice, b, mac, value);
}
std::int32_t BrantelAPI_RemoveDevice(std::uint8_t b, std::uint8_t mac) { return KESTRUM_DISPATCH(RemoveDevice, b, mac); }
std::int32_t BrantelAPI_AddIOConnection(std::uint8_t b, std::uint8_t mac, std::uint8_t type,
                                        std::uint16_t input_length, std::uint16_t output_length,
                                        std::uint16_t value) {
  return KESTRUM_DISPATCH(AddIOConnection, b, mac, type, input_length, output_length, value);
}
std::int32_t BrantelAPI_GetSlaveStatus(std::uint8_t b, std::uint8_t mac) {
  return KESTRUM_DISPATCH(GetSlaveStatus, b, mac);
}

std::int32_t BrantelAPI_GetAttribute(std::uint8_t b, std::uint8_t mac, std::uint16_t class_id,
                                     std::uint16_t instance_id, std::uint8_t attribute_id) {
  const std::uint8_t kind = Kind();
  if (IsBoardKind(kind)) {
    if (auto wide = Table(kind).Entry<BoardEntries::GetAttributeW>(DriverOp::GetAttributeW)) {
      return wide(b, mac, class_id, instance_id, attribute_id);
    }
  }
  return KESTRUM_DISPATCH_FOR(kind, GetAttribute, b, mac, Low8(class_id), Low8(instance_id), attribute_id);
}

std::int32_t BrantelAPI_IsGetAttributeOK(std::uint8_t b, std::uint8_t mac) {
  return KESTRUM_DISPATCH(IsGetAttributeOK, b, mac);
}

std::int32_t BrantelAPI_GetAttributeValue(std::uint8_t b, std::uint8_t mac, std::uint16_t* length,
                                          std::uint8_t* data) {
  const std::uint8_t kind = Kind();
  if (IsBoardKind(kind)) return Call<BoardEntries::GetAttributeValue>(kind, DriverOp::GetAttributeValue, b, mac, length, data);
  if (kind == kKindTolquin) {
    // The CAN board's entry takes the data address before the length address.
    return Call<PortEntries::GetAttributeValue>(kind, DriverOp::GetAttributeValue, BoardOf(b), PortOf(b), mac, data,
                                                length);
  }
  return 0;
}

std::int32_t BrantelAPI_SetAttribute(std::uint8_t b, std::uint8_t mac, std::uint16_t class_id,
                                     std::uint16_t instance_id, std::uint8_t attribute_id,
                                     std::uint16_t length, const std::uint8_t* data) {
  const std::uint8_t kind = Kind();
  if (IsBoardKind(kind)) {
    if (auto wide = Table(kind).Entry<BoardEntries::SetAttributeW>(DriverOp::SetAttributeW)) {
      return wide(b, mac, class_id, instance_id, attribute_id, length, data);
    }
  }
  return KESTRUM_DISPATCH_FOR(kind, SetAttribute, b, mac, Low8(class_id), Low8(instance_id), attribute_id, length,
                              data);
}

std::int32_t BrantelAPI_IsSetAttributeOK(std::uint8_t b, std::uint8_t mac) {
  return KESTRUM_DISPATCH(IsSetAttributeOK, b, mac);
}
std::int32_t BrantelAPI_ClearAllConfig(std::uint8_t b) { return KESTRUM_DISPATCH(ClearAllConfig, b); }
std::int32_t BrantelAPI_StartAutoScan(std::uint8_t b) { return KESTRUM_DISPATCH(SearchAllDevices, b); }
std::int32_t BrantelAPI_SearchSpecificDevice(std::uint8_t b, std::uint16_t number, const std::uint8_t* macs) {
  return KESTRUM_DISPATCH(SearchSpecificDevice, b, number, macs);
}
std::int32_t BrantelAPI_IsSearchOK(std::uint8_t b) { return KESTRUM_DISPATCH(IsSearchOK, b); }

std::int32_t BrantelAPI_GetSearchedDevices(std::uint8_t b, std::uint16_t* count, std::uint8_t* macs,
                                           std::uint8_t* types, std::uint16_t* input_lengths,
                                           std::uint16_t* output_lengths) {
  return DeviceList<BoardEntries::GetSearchedDevices, PortEntries::GetSearchedDevices>(
      DriverOp::GetSearchedDevices, b, count, macs, types, input_lengths, output_lengths);
}

std::int32_t BrantelAPI_GetScanList(std::uint8_t b, std::uint16_t* count, std::uint8_t* macs,
                                    std::uint8_t* types, std::uint16_t* input_lengths,
                                    std::uint16_t* output_lengths, std::uint16_t* sixth) {
  return DeviceList<BoardEntries::GetScanList, PortEntries::GetScanList>(
      DriverOp::GetScanList, b, count, macs, types, input_lengths, output_lengths, sixth);
}

std::int32_t BrantelAPI_ReadInputData(std::uint8_t b, std::uint8_t mac, std::uint8_t type,
                                      std::uint16_t* length, std::uint8_t* data) {
  return KESTRUM_DISPATCH(ReadInputData, b, mac, type, length, data);
}
std::int32_t BrantelAPI_WriteOutputData(std::uint8_t b, std::uint8_t mac, std::uint8_t type,
                                        std::uint16_t length, const std::uint8_t* data) {
  return KESTRUM_DISPATCH(WriteOutputData, b, mac, type, length, data);
}
