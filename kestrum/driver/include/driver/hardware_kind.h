#pragma once
// The two process-wide bytes that every master-API call depends on.
//
// HardwareKind is written once by the hardware chooser, before the driver library
// is bound and before any poll thread runs; ActiveBoardNo is written by the window
// thread on activation and read by the poll threads. Both are atomics so that the
// poll threads' unlocked reads are well defined.

#include <atomic>
#include <cstdint>

// 0 none, 1 PCI master board (Calvory), 2 master module (Merrow), 3 port of a CAN
// board running master firmware (Tolquin), 4 module of an embedded controller (Gadrow).
extern std::atomic<std::uint8_t> HardwareKind;
// The active board, module or port; 255 while none is active.
extern std::atomic<std::uint8_t> ActiveBoardNo;

namespace driver {

inline constexpr std::uint8_t kKindNone = 0;
inline constexpr std::uint8_t kKindCalvory = 1;
inline constexpr std::uint8_t kKindMerrow = 2;
inline constexpr std::uint8_t kKindTolquin = 3;
inline constexpr std::uint8_t kKindGadrow = 4;

inline constexpr std::uint8_t kNoActiveBoard = 255;

}  // namespace driver
