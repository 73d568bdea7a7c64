#pragma once
// The prototypes of every driver-library entry that the program calls, shared by
// the driver layer (which looks the entries up by name) and by the simulated
// driver libraries (which check their exports against these types at compile
// time). Narrow arguments are only safe across the library boundary when both
// sides agree on every width, so no other copy of these prototypes exists.
//
// Widths: board, port, MAC ID, connection type, attribute number and baud-rate
// index are unsigned 8-bit; class and instance numbers of the 16-bit entries,
// data lengths, device counts, the AddDevice value (2500) and the AddIOConnection
// value (200) are unsigned 16-bit; buffers are passed by address; every entry
// returns a signed 32-bit driver result.
//
// Kinds 1, 2 and 4 address the master by one board byte. Kind 3 addresses a port
// of a CAN board by two bytes, board and port, in the place of that one byte;
// every later argument follows in the same order. Three kind-3 entries differ
// beyond that: the board count, the firmware version (no argument at all) and the
// attribute value (data address before length address).
//
// Entries that the binders look up but the program never calls (GetBoardInf,
// GetDLLVersion, CheckFirmwareMode, RemoveIOConnection, GetDeviceInfoFromScanList,
// the import entries, the explicit-message entries, ReadbackOutputData and
// Merrow_Load_IntoDownloadMode) only have to exist and have no prototype here.

#include <cstdint>

namespace driver {

using Result = std::int32_t;

template <class... Rest>
using OnBoard = Result (*)(std::uint8_t board, Rest...);
template <class... Rest>
using OnPort = Result (*)(std::uint8_t board, std::uint8_t port, Rest...);

// The argument lists that follow the addressing bytes; `At` is OnBoard or OnPort.
template <template <class...> class At>
struct EntryShapes {
  using Active = At<>;
  using Close = At<>;
  using GetMasterMACID = At<>;
  using SetMasterMACID = At<std::uint8_t /*mac*/>;
  using GetBaudRate = At<>;
  using SetBaudRate = At<std::uint8_t /*baud index*/>;
  using GetMasterStatus = At<>;
  using StartDevice = At<std::uint8_t /*mac*/>;
  using StopDevice = At<std::uint8_t /*mac*/>;
  using StartAllDevice = At<>;
  using StopAllDevice = At<>;
  using AddDevice = At<std::uint8_t /*mac*/, std::uint16_t /*value*/>;
  using RemoveDevice = At<std::uint8_t /*mac*/>;
  using AddIOConnection = At<std::uint8_t /*mac*/, std::uint8_t /*type*/, std::uint16_t /*input length*/,
                             std::uint16_t /*output length*/, std::uint16_t /*value*/>;
  using GetSlaveStatus = At<std::uint8_t /*mac*/>;
  using GetAttribute = At<std::uint8_t /*mac*/, std::uint8_t /*class*/, std::uint8_t /*instance*/,
                          std::uint8_t /*attribute*/>;
  using IsGetAttributeOK = At<std::uint8_t /*mac*/>;
  using SetAttribute = At<std::uint8_t /*mac*/, std::uint8_t /*class*/, std::uint8_t /*instance*/,
                          std::uint8_t /*attribute*/, std::uint16_t /*length*/, const std::uint8_t* /*data*/>;
  using IsSetAttributeOK = At<std::uint8_t /*mac*/>;
  using ClearAllConfig = At<>;
  using SearchAllDevices = At<>;
  using SearchSpecificDevice = At<std::uint16_t /*number of MAC IDs*/, const std::uint8_t* /*MAC IDs*/>;
  using IsSearchOK = At<>;
  // count, MAC IDs[200], types[200], input lengths[200], output lengths[200]
  using GetSearchedDevices = At<std::uint16_t*, std::uint8_t*, std::uint8_t*, std::uint16_t*, std::uint16_t*>;
  // the same five, then a sixth array of 200 values that no caller reads
  using GetScanList =
      At<std::uint16_t*, std::uint8_t*, std::uint8_t*, std::uint16_t*, std::uint16_t*, std::uint16_t*>;
  using ReadInputData = At<std::uint8_t /*mac*/, std::uint8_t /*type*/, std::uint16_t* /*length*/,
                           std::uint8_t* /*data*/>;
  using WriteOutputData = At<std::uint8_t /*mac*/, std::uint8_t /*type*/, std::uint16_t /*length*/,
                             const std::uint8_t* /*data*/>;
};

// Kinds 1, 2 and 4.
struct BoardEntries : EntryShapes<OnBoard> {
  using Total = Result (*)(std::uint8_t* count, std::uint8_t* numbers);
  using GetFirmwareVersion = OnBoard<>;
  using ResetFirmware = OnBoard<>;
  using GetAttributeValue = OnBoard<std::uint8_t /*mac*/, std::uint16_t* /*length*/, std::uint8_t* /*data*/>;
  // The optional entries with 16-bit class and instance numbers.
  using GetAttributeW = OnBoard<std::uint8_t /*mac*/, std::uint16_t /*class*/, std::uint16_t /*instance*/,
                                std::uint8_t /*attribute*/>;
  using SetAttributeW = OnBoard<std::uint8_t /*mac*/, std::uint16_t /*class*/, std::uint16_t /*instance*/,
                                std::uint8_t /*attribute*/, std::uint16_t /*length*/, const std::uint8_t* /*data*/>;
  // The firmware debug-window entries (kinds 1 and 2 only), bound by the debug
  // window itself: flag 1 enables the ID, 0 disables it; the list entry writes the
  // number of enabled IDs and the IDs (room for 300).
  using FirmDebugWndEnable = OnBoard<std::uint16_t /*id*/, std::uint8_t /*flag*/>;
  using GetFirmDebugWnd = OnBoard<std::uint16_t* /*count*/, std::uint16_t* /*ids*/>;
};

// Kind 3: no ResetFirmware, no 16-bit attribute entries.
struct PortEntries : EntryShapes<OnPort> {
  // own board count, numbers, per-board port counts
  using Total = Result (*)(std::uint8_t* board_count, std::uint8_t* numbers, std::uint8_t* port_counts);
  using GetFirmwareVersion = Result (*)();
  using GetAttributeValue = OnPort<std::uint8_t /*mac*/, std::uint8_t* /*data*/, std::uint16_t* /*length*/>;
};

}  // namespace driver

// One named type per exported entry: the entry name without its underscore, plus
// "Fn" (Calvory_GetMasterMACID has the type CalvoryGetMasterMACIDFn).
#define KESTRUM_ENTRY_TYPE(Family, Shapes, Op) using Family##Op##Fn = driver::Shapes::Op;
#define KESTRUM_ENTRY_TYPES_OF_EVERY_FAMILY(Family, Shapes)  \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetMasterMACID)         \
  KESTRUM_ENTRY_TYPE(Family, Shapes, SetMasterMACID)         \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetBaudRate)            \
  KESTRUM_ENTRY_TYPE(Family, Shapes, SetBaudRate)            \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetMasterStatus)        \
  KESTRUM_ENTRY_TYPE(Family, Shapes, StartDevice)            \
  KESTRUM_ENTRY_TYPE(Family, Shapes, StopDevice)             \
  KESTRUM_ENTRY_TYPE(Family, Shapes, StartAllDevice)         \
  KESTRUM_ENTRY_TYPE(Family, Shapes, StopAllDevice)          \
  KESTRUM_ENTRY_TYPE(Family, Shapes, AddDevice)              \
  KESTRUM_ENTRY_TYPE(Family, Shapes, RemoveDevice)           \
  KESTRUM_ENTRY_TYPE(Family, Shapes, AddIOConnection)        \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetSlaveStatus)         \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetAttribute)           \
  KESTRUM_ENTRY_TYPE(Family, Shapes, IsGetAttributeOK)       \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetAttributeValue)      \
  KESTRUM_ENTRY_TYPE(Family, Shapes, SetAttribute)           \
  KESTRUM_ENTRY_TYPE(Family, Shapes, IsSetAttributeOK)       \
  KESTRUM_ENTRY_TYPE(Family, Shapes, ClearAllConfig)         \
  KESTRUM_ENTRY_TYPE(Family, Shapes, SearchAllDevices)       \
  KESTRUM_ENTRY_TYPE(Family, Shapes, SearchSpecificDevice)   \
  KESTRUM_ENTRY_TYPE(Family, Shapes, IsSearchOK)             \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetSearchedDevices)     \
  KESTRUM_ENTRY_TYPE(Family, Shapes, GetScanList)            \
  KESTRUM_ENTRY_TYPE(Family, Shapes, ReadInputData)          \
  KESTRUM_ENTRY_TYPE(Family, Shapes, WriteOutputData)
#define KESTRUM_ENTRY_TYPES_OF_BOARD_FAMILY(Family)          \
  KESTRUM_ENTRY_TYPES_OF_EVERY_FAMILY(Family, BoardEntries)  \
  KESTRUM_ENTRY_TYPE(Family, BoardEntries, GetFirmwareVersion) \
  KESTRUM_ENTRY_TYPE(Family, BoardEntries, ResetFirmware)    \
  KESTRUM_ENTRY_TYPE(Family, BoardEntries, GetAttributeW)    \
  KESTRUM_ENTRY_TYPE(Family, BoardEntries, SetAttributeW)

KESTRUM_ENTRY_TYPES_OF_BOARD_FAMILY(Calvory)
using CalvoryTotalCalvoryBoardFn = driver::BoardEntries::Total;
using CalvoryActiveBoardFn = driver::BoardEntries::Active;
using CalvoryCloseBoardFn = driver::BoardEntries::Close;
using CalvoryFirmDebugWndEnableFn = driver::BoardEntries::FirmDebugWndEnable;
using CalvoryGetFirmDebugWndFn = driver::BoardEntries::GetFirmDebugWnd;

KESTRUM_ENTRY_TYPES_OF_BOARD_FAMILY(Merrow)
using MerrowTotalMerrowModuleFn = driver::BoardEntries::Total;
using MerrowActiveModuleFn = driver::BoardEntries::Active;
using MerrowCloseModuleFn = driver::BoardEntries::Close;
using MerrowFirmDebugWndEnableFn = driver::BoardEntries::FirmDebugWndEnable;
using MerrowGetFirmDebugWndFn = driver::BoardEntries::GetFirmDebugWnd;

KESTRUM_ENTRY_TYPES_OF_EVERY_FAMILY(Tolquin, PortEntries)
using TolquinTotalTolquinBoardFn = driver::PortEntries::Total;
using TolquinActiveFn = driver::PortEntries::Active;
using TolquinCloseFn = driver::PortEntries::Close;
using TolquinGetQuadrineVersionFn = driver::PortEntries::GetFirmwareVersion;

KESTRUM_ENTRY_TYPES_OF_BOARD_FAMILY(Gadrow)
using GadrowTotalGadrowModuleFn = driver::BoardEntries::Total;
using GadrowActiveModuleFn = driver::BoardEntries::Active;
using GadrowCloseModuleFn = driver::BoardEntries::Close;

#undef KESTRUM_ENTRY_TYPES_OF_BOARD_FAMILY
#undef KESTRUM_ENTRY_TYPES_OF_EVERY_FAMILY
#undef KESTRUM_ENTRY_TYPE
