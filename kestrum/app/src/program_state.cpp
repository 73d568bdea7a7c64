#include "kestrum/app/program_state.h"

#include "kestrum/app/device_io.h"

// ---------------------------------------------------------------- start-up and main window
plat::CriticalSection* DeviceNameLock = nullptr;
plat::CriticalSection* InputDataLock = nullptr;

namespace {

// Storage that lives as long as the process: the locks are never destroyed
// while a poll thread could still hold them.
plat::CriticalSection& DeviceNameLockStorage() {
  static plat::CriticalSection lock;
  return lock;
}
plat::CriticalSection& InputDataLockStorage() {
  static plat::CriticalSection lock;
  return lock;
}

void ResetStartupState() {
  DeviceNameLock = nullptr;
  InputDataLock = nullptr;
}

// ---------------------------------------------------------------- board handling
}  // namespace

std::int32_t ActiveBoardRetryCount = 0;
std::int32_t ResetRetryCount = 0;
std::uint8_t FirmwareWarningShown = 0;

namespace {

void ResetBoardState() {
  ActiveBoardRetryCount = 0;
  ResetRetryCount = 0;
  FirmwareWarningShown = 0;
}

// ---------------------------------------------------------------- configuration and EEPROM file
void ResetConfigState() {}

// ---------------------------------------------------------------- network search and diagnosis
}  // namespace
std::uint32_t SearchHelixPhase = 0;
std::uint8_t SearchHelixDepth = 0;
std::uint32_t DebugHelixPhase = 0;
std::uint8_t DebugHelixDepth = 0;
namespace {

void ResetSearchState() {
  SearchHelixPhase = 0;
  SearchHelixDepth = 0;
  DebugHelixPhase = 0;
  DebugHelixDepth = 0;
}

// ---------------------------------------------------------------- I/O monitor and poll threads
void ResetIOMonitorState() {}

// ---------------------------------------------------------------- explicit messaging
}  // namespace
TAttributeValue AttributeValue{};
TAttributeData AttributeData{};
namespace {

void ResetAttributeState() {
  AttributeValue = {};
  AttributeData = {};
}

// ---------------------------------------------------------------- about box and debug window
}  // namespace
std::int32_t SlideIndex = 0;
FirmDebugWndEnableEntry FirmDebugWndEnableFunc = nullptr;
GetFirmDebugWndEntry GetFirmDebugWndFunc = nullptr;
bool FirmDebugWndBound = false;
namespace {

void ResetAboutAndDebugState() {
  SlideIndex = 0;
  FirmDebugWndEnableFunc = nullptr;
  GetFirmDebugWndFunc = nullptr;
  FirmDebugWndBound = false;
}

}  // namespace

namespace kestrum {

void CreateProgramLocks() {
  DeviceNameLock = &DeviceNameLockStorage();
  InputDataLock = &InputDataLockStorage();
}

void ResetProgramStateForTesting() {
  // A test that ended without an exit leaves the I/O monitor behind.
  delete DeviceIOPanel;
  DeviceIOPanel = nullptr;
  HardwareKind = driver::kKindNone;
  ActiveBoardNo = driver::kNoActiveBoard;
  ResetStartupState();
  ResetBoardState();
  ResetConfigState();
  ResetSearchState();
  ResetIOMonitorState();
  ResetAttributeState();
  ResetAboutAndDebugState();
}

}  // namespace kestrum
