#pragma once
// The process-wide values of Kestrum, all in one place, with one reset for
// tests.
//
// HardwareKind and ActiveBoardNo live in the driver layer (driver/hardware_kind.h)
// because every master-API call reads them; this header brings them in. The
// form instances (Form_Main, ...) are the forms' own globals and the I/O
// monitor object is DeviceIOPanel (device_io.h).
//
// The pattern for a feature's own values (counters, flags, buffers):
//   1. declare them in the feature's section below, with the names the
//      program uses (extern std::int32_t ActiveBoardRetryCount;);
//   2. define them with their start value in the same section of
//      program_state.cpp, and put them back to that value in the section's
//      Reset...State() function there, which ResetProgramStateForTesting()
//      already calls.
// A value that a poll thread reads while the window thread writes it is a
// std::atomic, as ActiveBoardNo is.

#include <cstddef>
#include <cstdint>

#include "driver/hardware_kind.h"
#include "platform/ui/thread.h"

// ---------------------------------------------------------------- start-up and main window
// The poll threads' two locks: null until the main window's constructor
// creates them, then alive for the rest of the process (never destroyed).
// DeviceNameLock guards one thread's name step, InputDataLock one thread's
// input step; the window thread never takes either.
extern plat::CriticalSection* DeviceNameLock;
extern plat::CriticalSection* InputDataLock;

// ---------------------------------------------------------------- board handling
// Consecutive non-zero master status reads while an activation is watched.
extern std::int32_t ActiveBoardRetryCount;
// Consecutive non-zero master status reads while a firmware reset is watched.
extern std::int32_t ResetRetryCount;
// 1 once a firmware-update warning has been shown; never cleared, so the
// warning comes at most once per run.
extern std::uint8_t FirmwareWarningShown;

// ---------------------------------------------------------------- configuration and EEPROM file

// ---------------------------------------------------------------- network search and diagnosis
// The helix animations, each window's own: the phase counter (one more after
// every frame, never reset, so the helix turns on from where it was) and the
// depth flag (which strand's dots lie on top). Window thread only.
extern std::uint32_t SearchHelixPhase;  // the search wait window (Timer_DNA2)
extern std::uint8_t SearchHelixDepth;
extern std::uint32_t DebugHelixPhase;   // the diagnosis dialog (Timer_Wait)
extern std::uint8_t DebugHelixDepth;

// ---------------------------------------------------------------- I/O monitor and poll threads

// ---------------------------------------------------------------- explicit messaging
// The room of both attribute buffers.
inline constexpr std::size_t kAttributeBytes = 512;
// The last read reply, as the master delivered it (cut to the buffer's room);
// empty at start. Window thread only.
struct TAttributeValue {
  std::uint8_t Data[kAttributeBytes];
  std::uint16_t Length;
};
extern TAttributeValue AttributeValue;
// The bytes of the last write request. Window thread only.
struct TAttributeData {
  std::uint8_t Data[kAttributeBytes];
  std::uint16_t Count;
};
extern TAttributeData AttributeData;

// ---------------------------------------------------------------- about box and debug window
// The about box's slide show: which picture comes next (0 to 9), kept for the
// whole run so that every showing goes on where the last one stood.
extern std::int32_t SlideIndex;
// The debug window's two firmware entries (kinds 1 and 2), looked up at its
// first opening, once per process; null when not found.
using FirmDebugWndEnableEntry = std::int32_t (*)(std::uint8_t board, std::uint16_t id, std::uint8_t flag);
using GetFirmDebugWndEntry = std::int32_t (*)(std::uint8_t board, std::uint16_t* count, std::uint16_t* ids);
extern FirmDebugWndEnableEntry FirmDebugWndEnableFunc;
extern GetFirmDebugWndEntry GetFirmDebugWndFunc;
extern bool FirmDebugWndBound;

namespace kestrum {

// What the main window's constructor does to the process-wide values: makes
// the two locks (once per process; later calls hand out the same ones).
void CreateProgramLocks();

// Tests only: every process-wide value as it is before WinMain (kind 0, no
// active board, locks not yet made, each feature's values at their start).
// Call it while no poll thread runs (the test support does, before each test).
void ResetProgramStateForTesting();

}  // namespace kestrum
