#pragma once
// The hardware-independent master API: one free function per driver operation.
// Each looks at HardwareKind, calls the entry bound for that kind and returns the
// entry's driver result unchanged. With no kind chosen (or any value other than
// 1 to 4) every operation returns 0, calls nothing and writes no output.
//
// The first argument of every operation but BrantelAPI_GetTotal is the board
// byte. Kinds 1, 2 and 4 pass it on as it is; kind 3 passes board = b / 4 and
// port = b % 4 in its place.
//
// An operation whose entry is not bound (the library lacked it, see the binding
// codes) calls nothing, writes no output and returns kUnboundEntryResult, the
// code every caller already reads as "the master did not answer".
//
// The functions keep no state and may be called from any number of threads at
// once; the driver's own serialisation is the callers' or the driver's business.

#include <cstddef>
#include <cstdint>

#include "driver/hardware_kind.h"

namespace driver {

inline constexpr std::int32_t kUnboundEntryResult = 10023;

// Room that every caller of BrantelAPI_GetTotal provides for board numbers.
inline constexpr std::size_t kBoardListRoom = 20;
// Room of each array of a device list (search result, scan list).
inline constexpr std::size_t kDeviceListRoom = 200;
// Ports per CAN board that one board byte can address (b % 4).
inline constexpr std::size_t kPortsPerBoard = 4;
// The data entries (attribute value, input data) take no room argument and
// report their length in 16 bits: room for the longest length they can report
// is what keeps a caller's buffer safe, whatever the driver writes.
inline constexpr std::size_t kLongestDataRoom = 65535;

}  // namespace driver

// Board list: writes at most kBoardListRoom numbers and a count of at most that.
// Kind 3 lists 4 * board + port for every port present (see the source).
std::int32_t BrantelAPI_GetTotal(std::uint8_t* count, std::uint8_t* numbers);
std::int32_t BrantelAPI_ActiveBoard(std::uint8_t b);
std::int32_t BrantelAPI_CloseBoard(std::uint8_t b);
// The version in the low 12 bits (three 4-bit digits), or an error code.
std::int32_t BrantelAPI_GetFirmwareVersion(std::uint8_t b);
// Kind 3 has no firmware reset: returns 0 without a call.
std::int32_t BrantelAPI_ResetFirmware(std::uint8_t b);
std::int32_t BrantelAPI_GetMasterMACID(std::uint8_t b);
std::int32_t BrantelAPI_SetMasterMACID(std::uint8_t b, std::uint8_t mac);
std::int32_t BrantelAPI_GetBaudRate(std::uint8_t b);
std::int32_t BrantelAPI_SetBaudRate(std::uint8_t b, std::uint8_t baud_index);
std::int32_t BrantelAPI_GetMasterStatus(std::uint8_t b);
std::int32_t BrantelAPI_StartDevice(std::uint8_t b, std::uint8_t mac);
std::int32_t BrantelAPI_StopDevice(std::uint8_t b, std::uint8_t mac);
std::int32_t BrantelAPI_StartAllDevice(std::uint8_t b);
std::int32_t BrantelAPI_StopAllDevice(std::uint8_t b);
std::int32_t BrantelAPI_AddDevice(std::uint8_t b, std::uint8_t mac, std::uint16_t value);
std::int32_t BrantelAPI_RemoveDevice(std::uint8_t b, std::uint8_t mac);
std::int32_t BrantelAPI_AddIOConnection(std::uint8_t b, std::uint8_t mac, std::uint8_t type,
                                        std::uint16_t input_length, std::uint16_t output_length,
                                        std::uint16_t value);
std::int32_t BrantelAPI_GetSlaveStatus(std::uint8_t b, std::uint8_t mac);
// Prefers the 16-bit entry where bound; else class and instance are cut to 8 bits.
std::int32_t BrantelAPI_GetAttribute(std::uint8_t b, std::uint8_t mac, std::uint16_t class_id,
                                     std::uint16_t instance_id, std::uint8_t attribute_id);
std::int32_t BrantelAPI_IsGetAttributeOK(std::uint8_t b, std::uint8_t mac);
std::int32_t BrantelAPI_GetAttributeValue(std::uint8_t b, std::uint8_t mac, std::uint16_t* length,
                                          std::uint8_t* data);
std::int32_t BrantelAPI_SetAttribute(std::uint8_t b, std::uint8_t mac, std::uint16_t class_id,
                                     std::uint16_t instance_id, std::uint8_t attribute_id,
                                     std::uint16_t length, const std::uint8_t* data);
std::int32_t BrantelAPI_IsSetAttributeOK(std::uint8_t b, std::uint8_t mac);
std::int32_t BrantelAPI_ClearAllConfig(std::uint8_t b);
std::int32_t BrantelAPI_StartAutoScan(std::uint8_t b);
std::int32_t BrantelAPI_SearchSpecificDevice(std::uint8_t b, std::uint16_t number, const std::uint8_t* macs);
std::int32_t BrantelAPI_IsSearchOK(std::uint8_t b);
// Device lists: arrays of kDeviceListRoom entries; the count is never left above that.
std::int32_t BrantelAPI_GetSearchedDevices(std::uint8_t b, std::uint16_t* count, std::uint8_t* macs,
                                           std::uint8_t* types, std::uint16_t* input_lengths,
                                           std::uint16_t* output_lengths);
std::int32_t BrantelAPI_GetScanList(std::uint8_t b, std::uint16_t* count, std::uint8_t* macs,
                                    std::uint8_t* types, std::uint16_t* input_lengths,
                                    std::uint16_t* output_lengths, std::uint16_t* sixth);
std::int32_t BrantelAPI_ReadInputData(std::uint8_t b, std::uint8_t mac, std::uint8_t type,
                                      std::uint16_t* length, std::uint8_t* data);
std::int32_t BrantelAPI_WriteOutputData(std::uint8_t b, std::uint8_t mac, std::uint8_t type,
                                        std::uint16_t length, const std::uint8_t* data);
