#pragma once
// What each driver library must offer, written out by hand from the
// driver-family interface: every entry name a binder looks up, in lookup order,
// with the binding code of its absence (0: optional). Tests compare the binders
// and the simulated libraries against these lists, never against the binders'
// own table.

#include <cstdint>
#include <string>
#include <vector>

namespace expected {

struct Entry {
  const char* name;
  std::int16_t code;
};

inline const std::vector<Entry> kCalvoryEntries = {
    {"Calvory_GetBoardInf", -2},          {"Calvory_TotalCalvoryBoard", -3},
    {"Calvory_ActiveBoard", -4},          {"Calvory_CloseBoard", -5},
    {"Calvory_GetDLLVersion", -6},        {"Calvory_GetFirmwareVersion", -7},
    {"Calvory_ResetFirmware", -8},        {"Calvory_CheckFirmwareMode", -9},
    {"Calvory_GetMasterMACID", -10},      {"Calvory_SetMasterMACID", -11},
    {"Calvory_GetBaudRate", -12},         {"Calvory_SetBaudRate", -13},
    {"Calvory_GetMasterStatus", -14},     {"Calvory_StartDevice", -15},
    {"Calvory_StopDevice", -16},          {"Calvory_StartAllDevice", -17},
    {"Calvory_StopAllDevice", -18},       {"Calvory_AddDevice", -19},
    {"Calvory_RemoveDevice", -20},        {"Calvory_AddIOConnection", -21},
    {"Calvory_RemoveIOConnection", -22},  {"Calvory_GetSlaveStatus", -23},
    {"Calvory_GetAttribute", -24},        {"Calvory_GetAttributeW", 0},
    {"Calvory_IsGetAttributeOK", -25},    {"Calvory_GetAttributeValue", -26},
    {"Calvory_SetAttribute", -27},        {"Calvory_SetAttributeW", 0},
    {"Calvory_IsSetAttributeOK", -28},    {"Calvory_ClearAllConfig", -29},
    {"Calvory_SearchAllDevices", -30},    {"Calvory_SearchSpecificDevice", -31},
    {"Calvory_IsSearchOK", -32},          {"Calvory_GetSearchedDevices", -33},
    {"Calvory_GetDeviceInfoFromScanList", -34}, {"Calvory_GetScanList", -35},
    {"Calvory_ImportEEPROM", -36},        {"Calvory_ReadInputData", -37},
    {"Calvory_WriteOutputData", -38},     {"Calvory_SendExplicitMSG", -39},
    {"Calvory_SendExplicitMSG_W", 0},     {"Calvory_IsExplicitMSGRespOK", -40},
    {"Calvory_GetExplicitMSGRespValue", -41}, {"Calvory_ReadbackOutputData", -42},
};

inline const std::vector<Entry> kMerrowEntries = {
    {"Merrow_TotalMerrowModule", -3},     {"Merrow_ActiveModule", -4},
    {"Merrow_CloseModule", -5},           {"Merrow_GetDLLVersion", -6},
    {"Merrow_GetFirmwareVersion", -7},    {"Merrow_ResetFirmware", -8},
    {"Merrow_GetMasterMACID", -10},       {"Merrow_SetMasterMACID", -11},
    {"Merrow_GetBaudRate", -12},          {"Merrow_SetBaudRate", -13},
    {"Merrow_GetMasterStatus", -14},      {"Merrow_StartDevice", -15},
    {"Merrow_StopDevice", -16},           {"Merrow_StartAllDevice", -17},
    {"Merrow_StopAllDevice", -18},        {"Merrow_AddDevice", -19},
    {"Merrow_RemoveDevice", -20},         {"Merrow_AddIOConnection", -21},
    {"Merrow_RemoveIOConnection", -22},   {"Merrow_GetSlaveStatus", -23},
    {"Merrow_GetAttribute", -24},         {"Merrow_GetAttributeW", 0},
    {"Merrow_IsGetAttributeOK", -25},     {"Merrow_GetAttributeValue", -26},
    {"Merrow_SetAttribute", -27},         {"Merrow_SetAttributeW", 0},
    {"Merrow_IsSetAttributeOK", -28},     {"Merrow_ClearAllConfig", -29},
    {"Merrow_SearchAllDevices", -30},     {"Merrow_SearchSpecificDevice", -31},
    {"Merrow_IsSearchOK", -32},           {"Merrow_GetSearchedDevices", -33},
    {"Merrow_GetDeviceInfoFromScanList", -34}, {"Merrow_GetScanList", -35},
    {"Merrow_ImportEEPROM", -36},         {"Merrow_ReadInputData", -37},
    {"Merrow_WriteOutputData", -38},      {"Merrow_Load_IntoDownloadMode", -39},
};

inline const std::vector<Entry> kTolquinEntries = {
    {"Tolquin_GetBoardInf", -2},          {"Tolquin_TotalTolquinBoard", -3},
    {"Tolquin_Active", -4},               {"Tolquin_Close", -5},
    {"Tolquin_GetDLLVersion", -6},        {"Tolquin_GetQuadrineVersion", -7},
    {"Tolquin_GetMasterMACID", -10},      {"Tolquin_SetMasterMACID", -11},
    {"Tolquin_GetBaudRate", -12},         {"Tolquin_SetBaudRate", -13},
    {"Tolquin_GetMasterStatus", -14},     {"Tolquin_StartDevice", -15},
    {"Tolquin_StopDevice", -16},          {"Tolquin_StartAllDevice", -17},
    {"Tolquin_StopAllDevice", -18},       {"Tolquin_AddDevice", -19},
    {"Tolquin_RemoveDevice", -20},        {"Tolquin_AddIOConnection", -21},
    {"Tolquin_RemoveIOConnection", -22},  {"Tolquin_GetSlaveStatus", -23},
    {"Tolquin_GetAttribute", -24},        {"Tolquin_IsGetAttributeOK", -25},
    {"Tolquin_GetAttributeValue", -26},   {"Tolquin_SetAttribute", -27},
    {"Tolquin_IsSetAttributeOK", -28},    {"Tolquin_ClearAllConfig", -29},
    {"Tolquin_SearchAllDevices", -30},    {"Tolquin_SearchSpecificDevice", -31},
    {"Tolquin_IsSearchOK", -32},          {"Tolquin_GetSearchedDevices", -33},
    {"Tolquin_GetDeviceInfoFromScanList", -34}, {"Tolquin_GetScanList", -35},
    {"Tolquin_ImportScanList", -36},      {"Tolquin_ReadInputData", -37},
    {"Tolquin_WriteOutputData", -38},
};

inline const std::vector<Entry> kGadrowEntries = {
    {"Gadrow_TotalGadrowModule", -3},     {"Gadrow_ActiveModule", -4},
    {"Gadrow_CloseModule", -5},           {"Gadrow_GetDLLVersion", -6},
    {"Gadrow_GetFirmwareVersion", -7},    {"Gadrow_ResetFirmware", -8},
    {"Gadrow_GetMasterMACID", -10},       {"Gadrow_SetMasterMACID", -11},
    {"Gadrow_GetBaudRate", -12},          {"Gadrow_SetBaudRate", -13},
    {"Gadrow_GetMasterStatus", -14},      {"Gadrow_StartDevice", -15},
    {"Gadrow_StopDevice", -16},           {"Gadrow_StartAllDevice", -17},
    {"Gadrow_StopAllDevice", -18},        {"Gadrow_AddDevice", -19},
    {"Gadrow_RemoveDevice", -20},         {"Gadrow_AddIOConnection", -21},
    {"Gadrow_RemoveIOConnection", -22},   {"Gadrow_GetSlaveStatus", -23},
    {"Gadrow_GetAttribute", -24},         {"Gadrow_GetAttributeW", 0},
    {"Gadrow_IsGetAttributeOK", -25},     {"Gadrow_GetAttributeValue", -26},
    {"Gadrow_SetAttribute", -27},         {"Gadrow_SetAttributeW", 0},
    {"Gadrow_IsSetAttributeOK", -28},     {"Gadrow_ClearAllConfig", -29},
    {"Gadrow_SearchAllDevices", -30},     {"Gadrow_SearchSpecificDevice", -31},
    {"Gadrow_IsSearchOK", -32},           {"Gadrow_GetSearchedDevices", -33},
    {"Gadrow_GetDeviceInfoFromScanList", -34}, {"Gadrow_GetScanList", -35},
    {"Gadrow_ImportEEPROM", -36},         {"Gadrow_ReadInputData", -37},
    {"Gadrow_WriteOutputData", -38},      {"Gadrow_SendExplicitMSG", -39},
    {"Gadrow_SendExplicitMSG_W", 0},      {"Gadrow_IsExplicitMSGRespOK", -40},
    {"Gadrow_GetExplicitMSGRespValue", -41}, {"Gadrow_ReadbackOutputData", -42},
};

inline std::vector<std::string> NamesOf(const std::vector<Entry>& entries) {
  std::vector<std::string> names;
  for (const Entry& e : entries) names.push_back(e.name);
  return names;
}

}  // namespace expected
