#include "driver/driver_binding.h"

#include <string>

#include "driver/hardware_kind.h"

namespace driver {
namespace {

// Families in the order of their hardware kinds 1 to 4.
enum Family : std::size_t { kCalvory, kMerrow, kTolquin, kGadrow, kFamilyCount };

constexpr const char* kLibraryFile[kFamilyCount] = {"Calvory.DLL", "Merrow.DLL", "Tolquin.DLL",
                                                    "Gadrow_VCPP_XPe.dll"};
constexpr const char* kPrefix[kFamilyCount] = {"Calvory", "Merrow", "Tolquin", "Gadrow"};

// A cell of the binding table: the family's prefix, "_" and the operation name;
// or no lookup at all; or an entry name of its own.
constexpr const char* x = "";
constexpr const char* no = nullptr;

struct BindingRow {
  DriverOp op;
  const char* operation;
  std::int16_t code;  // 0 for the optional rows
  bool optional;
  const char* entry[kFamilyCount];
};

// The lookup order, codes and presence of every entry per family: the
// driver-family interface that each driver library must offer.
constexpr BindingRow kBindingTable[] = {
    {DriverOp::GetBoardInf, "GetBoardInf", -2, false, {x, no, x, no}},
    {DriverOp::Total, "", -3, false,
     {"Calvory_TotalCalvoryBoard", "Merrow_TotalMerrowModule", "Tolquin_TotalTolquinBoard",
      "Gadrow_TotalGadrowModule"}},
    {DriverOp::Active, "", -4, false,
     {"Calvory_ActiveBoard", "Merrow_ActiveModule", "Tolquin_Active", "Gadrow_ActiveModule"}},
    {DriverOp::Close, "", -5, false,
     {"Calvory_CloseBoard", "Merrow_CloseModule", "Tolquin_Close", "Gadrow_CloseModule"}},
    {DriverOp::GetDLLVersion, "GetDLLVersion", -6, false, {x, x, x, x}},
    {DriverOp::GetFirmwareVersion, "GetFirmwareVersion", -7, false, {x, x, "Tolquin_GetQuadrineVersion", x}},
    {DriverOp::ResetFirmware, "ResetFirmware", -8, false, {x, x, no, x}},
    {DriverOp::CheckFirmwareMode, "CheckFirmwareMode", -9, false, {x, no, no, no}},
    {DriverOp::GetMasterMACID, "GetMasterMACID", -10, false, {x, x, x, x}},
    {DriverOp::SetMasterMACID, "SetMasterMACID", -11, false, {x, x, x, x}},
    {DriverOp::GetBaudRate, "GetBaudRate", -12, false, {x, x, x, x}},
    {DriverOp::SetBaudRate, "SetBaudRate", -13, false, {x, x, x, x}},
    {DriverOp::GetMasterStatus, "GetMasterStatus", -14, false, {x, x, x, x}},
    {DriverOp::StartDevice, "StartDevice", -15, false, {x, x, x, x}},
    {DriverOp::StopDevice, "StopDevice", -16, false, {x, x, x, x}},
    {DriverOp::StartAllDevice, "StartAllDevice", -17, false, {x, x, x, x}},
    {DriverOp::StopAllDevice, "StopAllDevice", -18, false, {x, x, x, x}},
    {DriverOp::AddDevice, "AddDevice", -19, false, {x, x, x, x}},
    {DriverOp::RemoveDevice, "RemoveDevice", -20, false, {x, x, x, x}},
    {DriverOp::AddIOConnection, "AddIOConnection", -21, false, {x, x, x, x}},
    {DriverOp::RemoveIOConnection, "RemoveIOConnection", -22, false, {x, x, x, x}},
    {DriverOp::GetSlaveStatus, "GetSlaveStatus", -23, false, {x, x, x, x}},
    {DriverOp::GetAttribute, "GetAttribute", -24, false, {x, x, x, x}},
    {DriverOp::GetAttributeW, "GetAttributeW", 0, true, {x, x, no, x}},
    {DriverOp::IsGetAttributeOK, "IsGetAttributeOK", -25, false, {x, x, x, x}},
    {DriverOp::GetAttributeValue, "GetAttributeValue", -26, false, {x, x, x, x}},
    {DriverOp::SetAttribute, "SetAttribute", -27, false, {x, x, x, x}},
    {DriverOp::SetAttributeW, "SetAttributeW", 0, true, {x, x, no, x}},
    {DriverOp::IsSetAttributeOK, "IsSetAttributeOK", -28, false, {x, x, x, x}},
    {DriverOp::ClearAllConfig, "ClearAllConfig", -29, false, {x, x, x, x}},
    {DriverOp::SearchAllDevices, "SearchAllDevices", -30, false, {x, x, x, x}},
    {DriverOp::SearchSpecificDevice, "SearchSpecificDevice", -31, false, {x, x, x, x}},
    {DriverOp::IsSearchOK, "IsSearchOK", -32, false, {x, x, x, x}},
    {DriverOp::GetSearchedDevices, "GetSearchedDevices", -33, false, {x, x, x, x}},
    {DriverOp::GetDeviceInfoFromScanList, "GetDeviceInfoFromScanList", -34, false, {x, x, x, x}},
    {DriverOp::GetScanList, "GetScanList", -35, false, {x, x, x, x}},
    {DriverOp::ImportEEPROM, "ImportEEPROM", -36, false, {x, x, "Tolquin_ImportScanList", x}},
    {DriverOp::ReadInputData, "ReadInputData", -37, false, {x, x, x, x}},
    {DriverOp::WriteOutputData, "WriteOutputData", -38, false, {x, x, x, x}},
    {DriverOp::SendExplicitMSG, "SendExplicitMSG", -39, false, {x, "Merrow_Load_IntoDownloadMode", no, x}},
    {DriverOp::SendExplicitMSG_W, "SendExplicitMSG_W", 0, true, {x, no, no, x}},
    {DriverOp::IsExplicitMSGRespOK, "IsExplicitMSGRespOK", -40, false, {x, no, no, x}},
    {DriverOp::GetExplicitMSGRespValue, "GetExplicitMSGRespValue", -41, false, {x, no, no, x}},
    {DriverOp::ReadbackOutputData, "ReadbackOutputData", -42, false, {x, no, no, x}},
};

DriverEntryTable g_tables[kFamilyCount];

std::string EntryName(const BindingRow& row, Family family) {
  const char* cell = row.entry[family];
  if (*cell != '\0') return cell;
  return std::string(kPrefix[family]) + "_" + row.operation;
}

std::int16_t Bind(Family family) {
  plat::LibraryLoader& loader = plat::CurrentLoader();
  DriverEntryTable& table = g_tables[family];
  plat::ModuleHandle module = loader.Load(kLibraryFile[family]);
  table.SetModule(module);
  if (module == nullptr) return -1;
  for (const BindingRow& row : kBindingTable) {
    if (row.entry[family] == nullptr) continue;
    plat::ProcAddress address = loader.Symbol(module, EntryName(row, family));
    if (address == nullptr && !row.optional) return row.code;
    table.SetSlot(row.op, address);
  }
  return 0;
}

}  // namespace

void ResetEntryTablesForTesting() {
  for (DriverEntryTable& table : g_tables) {
    table.SetModule(nullptr);
    for (std::size_t op = 0; op < kDriverOpCount; ++op) table.SetSlot(static_cast<DriverOp>(op), nullptr);
  }
}

}  // namespace driver

const DriverEntryTable* DriverEntryTableOf(std::uint8_t kind) {
  if (kind < driver::kKindCalvory || kind > driver::kKindGadrow) return nullptr;
  return &driver::g_tables[kind - 1];
}

std::int16_t LoadCalvoryDriver() { return driver::Bind(driver::kCalvory); }
std::int16_t LoadMerrowDriver() { return driver::Bind(driver::kMerrow); }
std::int16_t LoadTolquinDriver() { return driver::Bind(driver::kTolquin); }
std::int16_t LoadGadrowDriver() { return driver::Bind(driver::kGadrow); }
