#pragma once
// Binding of the driver library of one hardware kind: the library is loaded by
// its file name through plat::CurrentLoader() and its entries are looked up one
// by one, in a fixed order, into that family's entry table.
//
// Binding codes (signed 16-bit): 0 every required entry found; -1 the library
// could not be loaded (nothing looked up); -2 to -42 the code of the first
// required entry that the library lacks (the entries before it stay bound, it and
// every later one stay unbound). The optional 16-bit attribute entries and
// SendExplicitMSG_W may be missing without a code.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/library_loader.h"

namespace driver {

// One slot per looked-up operation, in lookup order. For kind 2 the
// SendExplicitMSG slot holds Merrow_Load_IntoDownloadMode, which takes its place.
enum class DriverOp : std::uint8_t {
  GetBoardInf, Total, Active, Close, GetDLLVersion, GetFirmwareVersion, ResetFirmware,
  CheckFirmwareMode, GetMasterMACID, SetMasterMACID, GetBaudRate, SetBaudRate, GetMasterStatus,
  StartDevice, StopDevice, StartAllDevice, StopAllDevice, AddDevice, RemoveDevice,
  AddIOConnection, RemoveIOConnection, GetSlaveStatus, GetAttribute, GetAttributeW,
  IsGetAttributeOK, GetAttributeValue, SetAttribute, SetAttributeW, IsSetAttributeOK,
  ClearAllConfig, SearchAllDevices, SearchSpecificDevice, IsSearchOK, GetSearchedDevices,
  GetDeviceInfoFromScanList, GetScanList, ImportEEPROM, ReadInputData, WriteOutputData,
  SendExplicitMSG, SendExplicitMSG_W, IsExplicitMSGRespOK, GetExplicitMSGRespValue,
  ReadbackOutputData,
};
inline constexpr std::size_t kDriverOpCount = static_cast<std::size_t>(DriverOp::ReadbackOutputData) + 1;

// Empties all four tables. Tests only: the program binds once and never unbinds.
void ResetEntryTablesForTesting();

}  // namespace driver

// The module handle and entry slots of one driver family. Written only by that
// family's binder; read by every master-API call from any thread afterwards.
class DriverEntryTable {
 public:
  plat::ModuleHandle Module() const { return module_.load(std::memory_order_acquire); }
  plat::ProcAddress Slot(driver::DriverOp op) const {
    return slots_[static_cast<std::size_t>(op)].load(std::memory_order_acquire);
  }
  // The slot as the entry's function type; null while unbound.
  template <class Fn>
  Fn Entry(driver::DriverOp op) const {
    return reinterpret_cast<Fn>(Slot(op));
  }

  void SetModule(plat::ModuleHandle module) { module_.store(module, std::memory_order_release); }
  void SetSlot(driver::DriverOp op, plat::ProcAddress address) {
    slots_[static_cast<std::size_t>(op)].store(address, std::memory_order_release);
  }

 private:
  std::atomic<plat::ModuleHandle> module_{nullptr};
  std::array<std::atomic<plat::ProcAddress>, driver::kDriverOpCount> slots_{};
};

// The table of a hardware kind (1 to 4); null for any other kind.
const DriverEntryTable* DriverEntryTableOf(std::uint8_t kind);

// The four binders, one per hardware kind (1 Calvory, 2 Merrow, 3 Tolquin, 4 Gadrow).
std::int16_t LoadCalvoryDriver();
std::int16_t LoadMerrowDriver();
std::int16_t LoadTolquinDriver();
std::int16_t LoadGadrowDriver();
